// SPDX-License-Identifier: GPL-3.0-or-later
// A belt damped so hard that it rings a few periods only: its partials are too wide for
// the spectrum's peaks to place. Here the ring itself is fitted with a model of decaying
// partials of a stiff belt,
//     x(t) = sum_n a_n e^(-t / tau_n) cos(2 pi f(n) t + phi_n),  f(n) = n f0 sqrt(1 + B n^2),
// in the transform of the ring cut from its first peak (the transform of a decaying
// sinusoid cut to a span is known exactly, so the cut costs nothing), over the band of
// the lower partials. Each first mode guessed is fitted: f0, B and every partial's decay
// by Levenberg-Marquardt, the amplitudes and phases by least squares inside each step.
// The guess that explains the ring best, with a cost for every partial it adds, is read;
// the fit's own uncertainty of f1 tells when the ring is too brief to decide.
#pragma once

#include <complex>
#include <memory>
#include <span>
#include <vector>

#include "pitch/pitch_fft.h"

namespace vellora {

struct DecayLimits {
    double loHz = 10;  // range of the first mode
    double hiHz = 1000;
    double maxB = 0.06;
    double highestHz = 5000;  // partials above are not modelled
};

enum class DecayVerdict {
    Read,
    TooBrief,  // guesses a few percent apart explain the ring alike, or f1 is too uncertain
    NoSeries,  // no guess explains the ring, or its first mode is not in it
};

struct DecayFit {
    DecayVerdict verdict = DecayVerdict::NoSeries;
    double f1 = 0;  // Hz
    double b = 0;
    double f1Error = 0;  // one standard deviation of f1, relative
    double tau1 = 0;     // the first mode's time constant, s
    int partials = 0;    // partials modelled
};

// Keeps its transform plan and buffers between calls.
class DecayFitter {
  public:
    // ring: centred samples from the pluck's onset; guessesHz: frequencies of partials
    // heard in the spectrum (the loudest first), each tried as the first, second or third.
    DecayFit fit(std::span<const double> ring, double rate, std::span<const double> guessesHz,
                 const DecayLimits& limits);

    // After a reading: the share of the ring's power within widthHz of hz that the series
    // read leaves unexplained (1 outside the band fitted).
    double unexplained(double hz, double widthHz) const;

  private:
    struct Model;
    // The model's residual, its amplitudes solved for; the columns and their factor stay
    // for jacobian(), which must follow on the same model.
    double residual(Model& m);
    void jacobian(Model& m);
    std::vector<double> energies(const Model& m) const;
    std::vector<double> energyShares(const Model& m);
    // Puts the belt's series in the place of a series under it that explains the ring best.
    void readSubharmonic(std::vector<Model>& models, double decay, double hiHz, double sigma2,
                         double cost, const DecayLimits& limits);
    double residualWithJacobian(Model& m);
    void fitModel(Model& m, int iterations);
    static double f1Deviation(const Model& m, double s2);
    bool modelled(const Model& m, size_t n, double hiHz, const DecayLimits& limits) const;
    // data_ and turns_: bins kLo_ .. kHi of the transform of x's first n_ samples, every
    // stride_-th (at most kMostBins of them).
    void transformBand(std::span<const double> x, size_t kHi);

    std::vector<std::unique_ptr<PitchFft>> plans_;
    // The band fitted: bins kLo_, kLo_ + stride_, ... of an n_-point transform of the n_
    // samples kept.
    std::vector<std::complex<double>> data_;
    std::vector<std::complex<double>> turns_;  // e^(-2 pi i k / n_) of each bin
    std::vector<std::complex<double>> left_;   // the last residual
    // The model's columns, their slopes in q and the derivatives in each parameter.
    std::vector<std::vector<std::complex<double>>> columns_, slope_, slopeConj_, derivatives_;
    // 1 / (1 - q) of each partial's pole and its mirror at each bin, from residual() for
    // jacobian() (a model with its first partial: the only kind jacobian() is asked for).
    std::vector<std::vector<std::complex<double>>> over_, overConj_;
    std::vector<double> factor_;  // Cholesky factor of the columns' Gram matrix
    size_t kLo_ = 0, n_ = 0, stride_ = 1;
    // The band of the last reading and what its series left of it.
    std::vector<std::complex<double>> readData_, readLeft_;
    size_t readLo_ = 0, readN_ = 0, readStride_ = 1;
    double rate_ = 0;
};

}  // namespace vellora
