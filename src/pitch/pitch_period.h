// The period search of the precise estimator: a YIN-style cumulative mean normalised
// difference over the whole recording. Working in the time domain makes the choice
// between a weak fundamental and its strong harmonics safe: a harmonic's period is not
// a period of the whole signal, and of the signal's periods the shortest is taken.
#pragma once

#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "pitch/pitch_fft.h"

namespace vellora {

struct PeriodEstimate {
    double lag = 0;  // samples, interpolated between whole lags
    // The normalised difference at that lag: 0 for a perfectly periodic signal,
    // near 1 for noise.
    double aperiodicity = 1;
};

class PeriodFinder {
  public:
    // x: the centred samples. Lags are searched from rate / maxHz to rate / minHz; the
    // recording must hold at least twice the longest lag.
    std::optional<PeriodEstimate> find(std::span<const double> x, double rate, double minHz,
                                       double maxHz);

    // The normalised difference of the last find() at lags 0 .. longest lag + 1.
    const std::vector<double>& difference() const { return cmnd_; }

  private:
    std::unique_ptr<PitchFft> fft_;
    std::vector<double> a_, b_, corr_, cmnd_;
    std::vector<std::complex<double>> spectrumA_, spectrumB_;
};

}  // namespace vellora
