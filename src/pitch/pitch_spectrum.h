// SPDX-License-Identifier: GPL-3.0-or-later
// The peaks of a recording's spectrum: a Hann-windowed transform zero-padded to at least
// twice the recording's length, a noise floor that follows pink noise (the median
// of each third of an octave) and every local maximum clearly above it, placed between
// bins by a parabola through the logarithms of three bins.
#pragma once

#include <complex>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "pitch/pitch_fft.h"

namespace vellora {

struct SpectralPeak {
    double hz = 0;
    double level = 0;      // peak magnitude over the local noise floor (1 = at the floor)
    double magnitude = 0;  // of the transform, unscaled: comparable across the spectrum
    double weight = 0;     // the evidence it gives: more for stronger peaks, 0 for mains hum
    // The squared magnitudes of its main lobe, down to where it stops falling: the power of
    // the partial whether it rang through the recording or died early (a damped partial's
    // peak is lower and wider for the same power).
    double energy = 0;
};

class PeakSpectrum {
  public:
    // x: centred samples; rate: samples per second. Keeps its plan between calls.
    // `fading`: x starts at a pluck that dies within it, so the window only fades out
    // (a Hann window would hide the ring under its rising half).
    void analyse(std::span<const double> x, double rate, bool fading = false);
    // Peaks on the first mains harmonics count for nothing (true, for belts heard in a
    // workshop); a calibration tone may lie on one, so its search turns this off.
    void setDiscountMains(bool discount) { discountMains_ = discount; }

    // Peaks between loHz and hiHz, ascending in frequency. Peaks far below the strongest
    // (the 8-bit quantisation's distortion) and the side lobes of strong peaks are left out.
    std::vector<SpectralPeak> peaks(double loHz, double hiHz) const;
    // The same over one floor, the median of the whole span: a partial damped so hard
    // that its lobe fills its own third of an octave stands out of the spectrum's noise,
    // not out of its band's.
    std::vector<SpectralPeak> broadPeaks(double loHz, double hiHz) const;

    // The largest magnitude within halfWidthHz of hz, peak or not: how much of a partial
    // heard elsewhere is left here.
    double magnitudeNear(double hz, double halfWidthHz) const;

    double binHz() const { return binHz_; }
    // The width of one bin of the unpadded transform: the spectrum's resolution.
    double resolutionHz() const { return resolutionHz_; }

  private:
    std::vector<SpectralPeak> peaksOver(double loHz, double hiHz, bool whole) const;
    // wholeFloor 0: the floor of k's band.
    std::optional<SpectralPeak> peakAt(size_t k, double wholeFloor) const;
    double floorAt(size_t k) const;

    PitchFft& plan(size_t size);

    std::vector<std::unique_ptr<PitchFft>> plans_;  // the most recently used last
    std::vector<double> window_, magnitude_;
    bool fadingWindow_ = false;
    std::vector<size_t> bandStart_;  // first bin of each floor band
    std::vector<double> bandFloor_;
    double binHz_ = 0, resolutionHz_ = 0;
    bool discountMains_ = true;
};

}  // namespace vellora
