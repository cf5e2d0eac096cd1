// The refinement of the precise estimator: the partials of a Hann-windowed, zero-padded
// spectrum of the whole recording are followed up from a rough fundamental, each one
// placed between bins, and a stiff-string model f(n) = n f0 sqrt(1 + B n^2) is fitted
// to all of them, so that the strong upper partials fix the fundamental even when it is
// weak or missing and the belt's stiffness spreads them a little.
#pragma once

#include <complex>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "pitch/pitch_fft.h"

namespace vellora {

struct Partial {
    int number = 0;    // 1 for the fundamental
    double hz = 0;     // interpolated between bins
    double level = 0;  // peak magnitude over the noise floor (1 = at the floor)
};

struct PartialFit {
    double fundamentalHz = 0;  // the first partial of the fitted model
    double inharmonicity = 0;  // B, 0 .. 0.001
    std::vector<Partial> partials;
    double harmonicShare = 0;  // share of the spectrum's energy up to the last partial
                               // that lies on the found partials
};

class PartialAnalyser {
  public:
    // Transforms the centred samples at `rate` samples per second.
    void analyse(std::span<const double> x, double rate);

    // Follows partials 1, 2, ... up to `highestHz` from a rough fundamental; nullopt
    // when none stands clearly above the noise floor.
    std::optional<PartialFit> fit(double roughHz, double highestHz) const;

    double binHz() const { return binHz_; }
    const std::vector<double>& magnitude() const { return magnitude_; }

  private:
    std::optional<Partial> peakNear(int number, double hz, double halfWidthHz) const;

    std::unique_ptr<PitchFft> fft_;
    std::vector<double> window_, frame_;
    std::vector<std::complex<double>> spectrum_;
    std::vector<double> magnitude_;
    double binHz_ = 0;
    double lobeHz_ = 0;  // half-width of a peak's main lobe
    double floor_ = 0;   // median magnitude: the noise floor of a pluck's spectrum
};

}  // namespace vellora
