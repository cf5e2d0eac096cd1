// SPDX-License-Identifier: GPL-3.0-or-later
#include "pitch/pitch_decay.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "pitch/pitch_series.h"

namespace vellora {

namespace {
using Complex = std::complex<double>;
constexpr double kTwoPi = 2 * std::numbers::pi;
// The ring is cut at its first peak, within this time of the onset: the attack before
// it is no decaying sinusoid.
constexpr double kPeakSearchSeconds = 0.025;
constexpr size_t kMinSamples = 128;
constexpr double kRingTimeConstants = 6;
constexpr size_t kMinBins = 40;
// A long ring over a wide band has more bins than the model has use for: the band is then
// read at every s-th bin, which is exactly the transform of the ring folded s times, and
// the model folds with it. The fit's cost grows with the bins; its readings do not.
constexpr size_t kMostBins = 100;
// Each heard partial is tried as the first, second and third of its series.
constexpr int kMostPartialNumber = 3;
constexpr int kMostLoudestNumber = 6;
constexpr size_t kMostGuesses = 4;
// The band fitted reaches this many times the loudest partial heard, and no partial
// above it is modelled: higher partials of a damped belt are short and weak.
constexpr double kBandOverLoudest = 3.5;
constexpr double kBandUnderLowest = 0.5;
constexpr size_t kMostPartials = 10;
// A partial rings a third of a period per time constant at least (a quality factor of 1):
// a wider pole is no partial but a blob of noise or of the attack.
constexpr double kMostDecayPerRadian = 1.0 / 3;
// Guesses a short fit keeps for the full one.
constexpr size_t kFullyFitted = 1;
constexpr int kShortIterations = 5;
// The screened guesses' upper partials: a few steps show which guess leads.
constexpr int kScreenIterations = 3;
constexpr size_t kFirstPartials = 4;
constexpr size_t kScreened = 3;
constexpr double kUnderWorthFitting = 1.5;
constexpr int kFullIterations = 8;
constexpr double kSettled = 1e-5;
// Steps refused in a row: the fit sits at its minimum, and further ones only shrink.
constexpr int kMostRefused = 6;
// Decays allowed: time constants from 1 s down to half a millisecond.
constexpr double kLeastDecay = 1, kMostDecay = 2000;
// Every further partial adds decay, so the initial guess lets it grow with the number.
constexpr double kDecayGrowth = 0.3;
// Distinct first modes; a rival within kDecideScore of the best (in units of the noise
// left) explains the ring as well.
constexpr double kDistinct = 0.015;
constexpr double kDecideScore = 12;
// The first mode itself must explain this much of the ring (noise units): a series
// read from its upper partials alone could be a sub-harmonic.
constexpr double kMinFirstMode = 30;
// A reading is right within kReadTolerance; the ring decides f1 where that many standard
// deviations of it fit in the tolerance. B is free in that deviation, so where f1 and B
// trade (a first mode too wide to place by itself) the trade shows in it.
constexpr double kReadTolerance = 0.005;
constexpr double kDecidingErrors = 3;
constexpr double kDistinctGuess = 0.02;
constexpr double kNearMaxB = 0.9;
constexpr double kLeastB = 1e-5;
constexpr double kStartB = 1e-3;
// The prior on log B, when one or two partials do not fix it.
constexpr double kLogBPrior = 3;
constexpr double kFirstModeShare = 0.03;
constexpr double kLaterTimeConstants = 1;
constexpr double kNoiseBins = 3;
constexpr double kLaterAgreement = 0.003;

size_t powerOfTwoBelow(size_t n) {
    size_t p = 1;
    while (p * 2 <= n) p *= 2;
    return p;
}

// Solves l l^T x = b for the lower triangle l of a (row-major), b overwritten by x.
void solveFactored(const std::vector<double>& a, std::vector<double>& b, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        double s = b[i];
        for (size_t k = 0; k < i; ++k) s -= a[i * n + k] * b[k];
        b[i] = s / a[i * n + i];
    }
    for (size_t i = n; i-- > 0;) {
        double s = b[i];
        for (size_t k = i + 1; k < n; ++k) s -= a[k * n + i] * b[k];
        b[i] = s / a[i * n + i];
    }
}

// Solves a x = b for a symmetric positive definite a (n x n, row-major, overwritten).
bool solveSymmetric(std::vector<double>& a, std::vector<double>& b, size_t n) {
    for (size_t j = 0; j < n; ++j) {
        double d = a[j * n + j];
        for (size_t k = 0; k < j; ++k) d -= a[j * n + k] * a[j * n + k];
        if (!(d > 0)) return false;
        d = std::sqrt(d);
        a[j * n + j] = d;
        for (size_t i = j + 1; i < n; ++i) {
            double s = a[i * n + j];
            for (size_t k = 0; k < j; ++k) s -= a[i * n + k] * a[j * n + k];
            a[i * n + j] = s / d;
        }
    }
    solveFactored(a, b, n);
    return true;
}

// Re <u, v>: the fit's inner loop, over the complex numbers' parts as one array of
// doubles, with four sums in flight (one would wait on each addition).
double realDot(std::span<const Complex> u, std::span<const Complex> v) {
    const double* a = reinterpret_cast<const double*>(u.data());
    const double* b = reinterpret_cast<const double*>(v.data());
    const size_t n = 2 * u.size();
    double s0 = 0, s1 = 0, s2 = 0, s3 = 0;
    size_t i = 0;
    for (; i + 4 <= n; i += 4) {
        s0 += a[i] * b[i];
        s1 += a[i + 1] * b[i + 1];
        s2 += a[i + 2] * b[i + 2];
        s3 += a[i + 3] * b[i + 3];
    }
    for (; i < n; ++i) s0 += a[i] * b[i];
    return (s0 + s1) + (s2 + s3);
}

using Columns = std::vector<std::vector<Complex>>;

// Re <a_i, b_j> of two pairs of columns at once: each value loaded serves two products.
void dots2x2(const Complex* a0, const Complex* a1, const Complex* b0, const Complex* b1,
             size_t bins, double out[4]) {
    const double* p0 = reinterpret_cast<const double*>(a0);
    const double* p1 = reinterpret_cast<const double*>(a1);
    const double* q0 = reinterpret_cast<const double*>(b0);
    const double* q1 = reinterpret_cast<const double*>(b1);
    double s00 = 0, t00 = 0, s01 = 0, t01 = 0, s10 = 0, t10 = 0, s11 = 0, t11 = 0;
    for (size_t i = 0; i < 2 * bins; i += 2) {
        s00 += p0[i] * q0[i];
        t00 += p0[i + 1] * q0[i + 1];
        s01 += p0[i] * q1[i];
        t01 += p0[i + 1] * q1[i + 1];
        s10 += p1[i] * q0[i];
        t10 += p1[i + 1] * q0[i + 1];
        s11 += p1[i] * q1[i];
        t11 += p1[i + 1] * q1[i + 1];
    }
    out[0] = s00 + t00;
    out[1] = s01 + t01;
    out[2] = s10 + t10;
    out[3] = s11 + t11;
}

// out[i * stride + j] = Re <a_i, b_j> for i < na and j < nb; with lower, only j <= i
// (and the odd ones beside the diagonal) for a symmetric product.
void crossDots(const Columns& a, size_t na, const Columns& b, size_t nb, size_t bins, bool lower,
               std::vector<double>& out, size_t stride) {
    double block[4];
    for (size_t i = 0; i < na; i += 2) {
        const size_t jEnd = lower ? std::min(nb, i + 2) : nb;
        for (size_t j = 0; j < jEnd; j += 2) {
            if (i + 1 < na && j + 1 < nb) {
                dots2x2(a[i].data(), a[i + 1].data(), b[j].data(), b[j + 1].data(), bins, block);
                out[i * stride + j] = block[0];
                out[i * stride + j + 1] = block[1];
                out[(i + 1) * stride + j] = block[2];
                out[(i + 1) * stride + j + 1] = block[3];
            } else {
                for (size_t ii = i; ii < std::min(na, i + 2); ++ii)
                    for (size_t jj = j; jj < std::min(nb, j + 2); ++jj)
                        out[ii * stride + jj] = realDot(a[ii], b[jj]);
            }
        }
    }
}
}  // namespace

// One guess of the series: f1, B and each partial's decay (per second, as its logarithm).
struct DecayFitter::Model {
    double f1 = 0, b = kStartB;  // B is fitted as its logarithm: it may be near 0
    std::vector<double> logDecay;
    size_t partials() const { return logDecay.size(); }
    double hz(size_t n) const {
        const double k = double(n + 1);
        return k * f1 * std::sqrt((1 + b * k * k) / (1 + b));
    }
    double maxB = 0;
    double mostDecay(size_t n) const {
        return std::min(kMostDecay, kMostDecayPerRadian * kTwoPi * hz(n));
    }
    bool withoutFirst = false;  // the first partial left out of the model
    bool fromLower = false;     // fitted from its lower partials first
    // Results of the last residual().
    double rss = std::numeric_limits<double>::infinity();
    std::vector<double> amplitudes;  // real and imaginary part of each partial's
    std::vector<double> jtj, jtr;    // for f1, B and each decay
    double score = 0;
};

// The least-squares residual of the model's partials, their amplitudes solved for, and
// (withJacobian) the normal equations of its nonlinear parameters (Kaufman's form of the
// variable projection: the derivatives taken with the amplitudes held, projected off
// the span of the partials).
namespace {
// Buffers kept between calls: the fit calls for them some dozens of times.
void shape(std::vector<std::vector<Complex>>& v, size_t count, size_t bins) {
    v.resize(std::max(v.size(), count));
    for (auto& c : v) c.resize(bins);
}

// A partial's pole, per sample, and its power over the transform's n samples.
struct Pole {
    Complex z, zN;
    Pole(double decay, double hz, double rate, size_t n)
        : z(std::exp(Complex(-decay, kTwoPi * hz) / rate)), zN(std::pow(z, double(n))) {
        // A partial dead long before the span's end leaves z^n among the subnormal
        // numbers, where every product with it takes a slow path of a hundred cycles.
        if (std::abs(zN.real()) + std::abs(zN.imag()) < 1e-200) zN = 0;
    }
};

// |a|^2 as its two squares (std::norm goes through the careful abs).
double power(Complex a) { return a.real() * a.real() + a.imag() * a.imag(); }

Complex times(Complex a, Complex b) {
    return {a.real() * b.real() - a.imag() * b.imag(), a.real() * b.imag() + a.imag() * b.real()};
}
}  // namespace

double DecayFitter::residualWithJacobian(Model& m) {
    residual(m);
    if (std::isfinite(m.rss)) jacobian(m);
    return m.rss;
}

double DecayFitter::residual(Model& m) {
    const size_t bins = data_.size(), k = m.partials(), first = m.withoutFirst ? 1 : 0;
    const size_t cols = 2 * (k - first);
    auto& columns = columns_;
    shape(columns, cols, bins);
    shape(over_, k, bins);
    shape(overConj_, k, bins);
    for (size_t n = first; n < k; ++n) {
        const Pole p(std::exp(m.logDecay[n]), m.hz(n), rate_, n_);
        const Complex zc = std::conj(p.z), oneLess = 1.0 - p.zN, oneLessC = std::conj(oneLess);
        for (size_t i = 0; i < bins; ++i) {
            // G(q) = sum_t q^t over the n_ samples, for the pole and its mirror image.
            // Both inverses from one division: it, not the products, held the loop.
            const Complex d = 1.0 - times(p.z, turns_[i]), dc = 1.0 - times(zc, turns_[i]);
            const double norm = power(d), normC = power(dc), both = 1 / (norm * normC);
            const Complex over = over_[n][i] = std::conj(d) * (normC * both);
            const Complex overc = overConj_[n][i] = std::conj(dc) * (norm * both);
            const Complex g = times(oneLess, over), gc = times(oneLessC, overc);
            columns[2 * (n - first)][i] = 0.5 * (g + gc);
            columns[2 * (n - first) + 1][i] =
                Complex(0.5 * (gc.imag() - g.imag()), 0.5 * (g.real() - gc.real()));
        }
    }
    std::vector<double> gram(cols * cols), rhs(cols);
    crossDots(columns, cols, columns, cols, bins, true, gram, cols);
    double trace = 0;
    for (size_t c = 0; c < cols; ++c) {
        rhs[c] = realDot(columns[c], data_);
        for (size_t d = 0; d < c; ++d) gram[d * cols + c] = gram[c * cols + d];
        trace += gram[c * cols + c];
    }
    for (size_t c = 0; c < cols; ++c) gram[c * cols + c] += 1e-12 * trace / double(cols);
    factor_ = gram;
    if (!solveSymmetric(factor_, rhs, cols)) return m.rss = std::numeric_limits<double>::infinity();
    // factor_ now holds the Cholesky factor of gram: jacobian() reuses it.
    m.amplitudes = rhs;
    std::vector<Complex>& r = left_;
    r.assign(data_.begin(), data_.end());
    for (size_t c = 0; c < cols; ++c)
        for (size_t i = 0; i < bins; ++i) r[i] -= rhs[c] * columns[c][i];
    m.rss = realDot(r, r);
    return m.rss;
}

// Each partial's energy in the band, at the last residual() (of a model with its first).
std::vector<double> DecayFitter::energies(const Model& m) const {
    std::vector<double> energy(m.partials(), 0.0);
    for (size_t n = 0; n < energy.size(); ++n)
        for (size_t i = 0; i < data_.size(); ++i)
            energy[n] += std::norm(m.amplitudes[2 * n] * columns_[2 * n][i] +
                                   m.amplitudes[2 * n + 1] * columns_[2 * n + 1][i]);
    return energy;
}

// The normal equations of the model's nonlinear parameters at the last residual().
void DecayFitter::jacobian(Model& m) {
    const size_t bins = data_.size(), k = m.partials();
    const size_t cols = 2 * k;
    const std::vector<double>& rhs = m.amplitudes;
    const std::vector<Complex>& r = left_;
    auto& columns = columns_;
    auto& slope = slope_;
    auto& slopeConj = slopeConj_;
    shape(slope, k, bins);
    shape(slopeConj, k, bins);
    for (size_t n = 0; n < k; ++n) {
        const Pole p(std::exp(m.logDecay[n]), m.hz(n), rate_, n_);
        const Complex zc = std::conj(p.z);
        // dG/dq * q = sum_t t q^t = ((1 + (n_ - 1) zN) q - n_ zN) / (1 - q)^2, with
        // q^n_ = zN (n_ is the transform's own length). The zN terms matter: a first
        // mode cut at six time constants keeps n_ zN of several.
        const Complex grow = 1.0 + (double(n_) - 1) * p.zN, growC = std::conj(grow);
        const Complex tail = double(n_) * p.zN, tailC = std::conj(tail);
        for (size_t i = 0; i < bins; ++i) {
            const Complex over = over_[n][i], overc = overConj_[n][i];
            slope[n][i] = times(times(grow, times(p.z, turns_[i])) - tail, times(over, over));
            slopeConj[n][i] =
                times(times(growC, times(zc, turns_[i])) - tailC, times(overc, overc));
        }
    }

    // Derivatives of the model in f1, B and each decay, amplitudes held.
    const size_t params = 2 + k;
    auto& v = derivatives_;
    shape(v, params, bins);
    for (size_t j = 0; j < 2; ++j) std::fill(v[j].begin(), v[j].end(), 0.0);
    for (size_t n = 0; n < k; ++n) {
        const Complex c(rhs[2 * n], rhs[2 * n + 1]);
        const double decay = std::exp(m.logDecay[n]);
        const double kk = double(n + 1);
        const double stretch = std::sqrt((1 + m.b * kk * kk) / (1 + m.b));
        const double dOmegaDf1 = kTwoPi * kk * stretch;
        const double dOmegaDb =
            m.b * kTwoPi * kk * m.f1 * (kk * kk - 1) / (2 * stretch * (1 + m.b) * (1 + m.b));
        for (size_t i = 0; i < bins; ++i) {
            const Complex a = c * slope[n][i], ac = std::conj(c) * slopeConj[n][i];
            const Complex dOmega = Complex(0, 0.5 / rate_) * (a - ac);
            v[0][i] += dOmegaDf1 * dOmega;
            v[1][i] += dOmegaDb * dOmega;
            v[2 + n][i] = (-0.5 * decay / rate_) * (a + ac);
        }
    }
    // J^T J = <v, v> - <A^T v, gram^-1 A^T v>; J^T r = -<v, r> (r is orthogonal to A).
    std::vector<double> avAll(params * cols), vv(params * params);
    crossDots(v, params, columns, cols, bins, false, avAll, cols);
    crossDots(v, params, v, params, bins, true, vv, params);
    std::vector<std::vector<double>> av(params), solved(params);
    for (size_t j = 0; j < params; ++j) {
        av[j].assign(avAll.begin() + std::ptrdiff_t(j * cols),
                     avAll.begin() + std::ptrdiff_t((j + 1) * cols));
        solved[j] = av[j];
        solveFactored(factor_, solved[j], cols);
    }
    m.jtj.assign(params * params, 0);
    m.jtr.assign(params, 0);
    for (size_t j = 0; j < params; ++j) {
        m.jtr[j] = -realDot(v[j], r);
        for (size_t l = 0; l <= j; ++l) {
            double s = vv[j * params + l];
            for (size_t c = 0; c < cols; ++c) s -= av[j][c] * solved[l][c];
            m.jtj[j * params + l] = m.jtj[l * params + j] = s;
        }
    }
}

// The standard deviation of m's f1 (relative) from the curvature of its fit at the noise
// s2, B free but for a wide prior (one partial alone does not fix it); infinite where
// the ring does not fix f1.
double DecayFitter::f1Deviation(const Model& m, double s2) {
    const size_t params = 2 + m.partials();
    std::vector<double> information = m.jtj, unit(params, 0.0);
    information[params + 1] += s2 / (kLogBPrior * kLogBPrior);
    unit[0] = 1;
    if (information.size() != params * params || !solveSymmetric(information, unit, params))
        return std::numeric_limits<double>::infinity();
    return std::sqrt(std::max(0.0, unit[0] * s2)) / m.f1;
}

// Whether the model takes in its n-th partial (from 0): every one in the band, and the
// first above it, whose skirt reaches into the band (left out, a series under the belt's
// would take it in with a wide partial of its own).
bool DecayFitter::modelled(const Model& m, size_t n, double hiHz, const DecayLimits& limits) const {
    const double hz = m.hz(n);
    return hz < hiHz ||
           (n > 0 && m.hz(n - 1) < hiHz && hz < std::min(limits.highestHz, 0.45 * rate_));
}

// Levenberg-Marquardt on f1, B and the decays.
void DecayFitter::fitModel(Model& m, int iterations) {
    residualWithJacobian(m);
    double lambda = 1e-3;
    int refused = 0;
    const size_t params = 2 + m.partials();
    for (int it = 0; it < iterations && std::isfinite(m.rss); ++it) {
        Model trial = m;
        std::vector<double> a = m.jtj, step(params);
        for (size_t j = 0; j < params; ++j) {
            a[j * params + j] = m.jtj[j * params + j] * (1 + lambda) + 1e-30;
            step[j] = -m.jtr[j];
        }
        if (!solveSymmetric(a, step, params)) {
            lambda *= 10;
            continue;
        }
        trial.f1 += step[0];
        trial.b = std::clamp(m.b * std::exp(std::clamp(step[1], -3.0, 3.0)), kLeastB, m.maxB);
        for (size_t n = 0; n < m.partials(); ++n)
            trial.logDecay[n] = std::clamp(m.logDecay[n] + step[2 + n], std::log(kLeastDecay),
                                           std::log(m.mostDecay(n)));
        if (!(trial.f1 > 0)) {
            lambda *= 10;
            continue;
        }
        // The derivatives only for a step taken.
        if (residual(trial) < m.rss) {
            jacobian(trial);
            const bool settled = m.rss - trial.rss < kSettled * m.rss;
            m = std::move(trial);
            lambda = std::max(lambda / 3, 1e-7);
            refused = 0;
            if (settled) break;
        } else {
            lambda *= 4;
            if (lambda > 1e6 || ++refused >= kMostRefused) break;
        }
    }
}

void DecayFitter::transformBand(std::span<const double> x, size_t kHi) {
    // A plan for each length the rings have asked for (a handful of powers of two).
    auto plan = std::find_if(plans_.begin(), plans_.end(),
                             [this](const auto& p) { return p->size() == n_; });
    if (plan == plans_.end()) {
        plans_.push_back(std::make_unique<PitchFft>(n_));
        plan = plans_.end() - 1;
    }
    PitchFft& fft = **plan;
    std::copy(x.begin(), x.begin() + std::ptrdiff_t(n_), fft.input());
    fft.transform(n_);
    stride_ = (kHi - kLo_) / kMostBins + 1;
    data_.clear();
    turns_.clear();
    for (size_t k = kLo_; k <= kHi; k += stride_) {
        data_.push_back(fft.output()[k]);
        turns_.push_back(std::polar(1.0, -kTwoPi * double(k) / double(n_)));
    }
}

// Each partial's share of the model's energy in the band.
std::vector<double> DecayFitter::energyShares(const Model& m) {
    Model again = m;
    residual(again);
    std::vector<double> e = energies(again);
    double total = 0;
    for (const double v : e) total += v;
    for (double& v : e) v = total > 0 ? v / total : 0;
    return e;
}

// A series under the belt's may explain the ring better than the belt's own: its partials
// between the belt's take in what the model leaves (the partials above the band, a room's
// rumble), though they carry next to none of the ring, and its first mode is not in it.
// Such a series is no reading, nor a rival of one: the belt is the series on its every
// k-th partial, where that has its first mode.
void DecayFitter::readSubharmonic(std::vector<Model>& models, double decay, double hiHz,
                                  double sigma2, double cost, const DecayLimits& limits) {
    // The share of m's energy in partials off `on`'s series.
    const auto offShare = [&](const Model& m, const auto& onSeries) {
        const std::vector<double> e = energyShares(m);
        double off = 0;
        for (size_t n = 0; n < e.size(); ++n) off += onSeries(n) ? 0 : e[n];
        return off;
    };
    for (const size_t k : {size_t(2), size_t(3)}) {
        const Model& low = models.front();
        if (!(offShare(low, [&](size_t n) { return (n + 1) % k == 0; }) < kFirstModeShare))
            continue;
        Model up;
        up.f1 = low.hz(k - 1);
        up.maxB = limits.maxB;
        up.b = std::clamp(low.b * double(k * k), kLeastB, limits.maxB);
        // Fitted as every guess is: its lower partials first.
        for (size_t n = 0; n < kMostPartials && modelled(up, n, hiHz, limits); ++n) {
            if (n == kFirstPartials) {
                fitModel(up, kShortIterations);
                up.fromLower = true;
            }
            const size_t same = (n + 1) * k - 1;
            up.logDecay.push_back(
                same < low.partials()
                    ? low.logDecay[same]
                    : std::log(std::min(decay * (1 + kDecayGrowth * double(n)), up.mostDecay(n))));
        }
        if (up.partials() <= kFirstPartials) {
            fitModel(up, kShortIterations);
            up.fromLower = true;
        }
        fitModel(up, kFullIterations);
        up.score = up.rss / sigma2 + cost * (3.0 * double(up.partials()) + 2);
        if (!std::isfinite(up.rss) || up.f1 <= low.f1 * (1 + kDistinct) ||
            energyShares(up)[0] < kFirstModeShare)
            continue;
        const double upF0 = up.f1 / std::sqrt(1 + up.b);
        std::erase_if(models, [&](const Model& m) {
            const auto onUp = [&](size_t n) {
                const double number = partialNumber(upF0, up.b, m.hz(n));
                return std::abs(number - std::max(1.0, std::round(number))) < kDistinct * number;
            };
            return m.f1 < up.f1 * (1 - kDistinct) && offShare(m, onUp) < kFirstModeShare;
        });
        models.push_back(std::move(up));
        std::sort(models.begin(), models.end(),
                  [](const Model& a, const Model& b) { return a.score < b.score; });
        return;
    }
}

double DecayFitter::unexplained(double hz, double widthHz) const {
    const double bin = rate_ / double(std::max<size_t>(readN_, 1));
    const double width = std::max(widthHz, 0.5 * double(readStride_) * bin);
    double left = 0, all = 0;
    for (size_t i = 0; i < readData_.size(); ++i)
        if (std::abs(double(readLo_ + i * readStride_) * bin - hz) <= width) {
            left += std::norm(readLeft_[i]);
            all += std::norm(readData_[i]);
        }
    return all > 0 ? left / all : 1;
}

DecayFit DecayFitter::fit(std::span<const double> ring, double rate,
                          std::span<const double> guessesHz, const DecayLimits& limits) {
    DecayFit result;
    readData_.clear();
    if (guessesHz.empty() || !(rate > 0)) return result;
    const size_t search = std::min(ring.size(), size_t(kPeakSearchSeconds * rate));
    size_t start = 0;
    for (size_t i = 0; i < search; ++i)
        if (std::abs(ring[i]) > std::abs(ring[start])) start = i;
    if (ring.size() - start < kMinSamples) {
        result.verdict = DecayVerdict::TooBrief;
        return result;
    }
    n_ = powerOfTwoBelow(ring.size() - start);
    rate_ = rate;
    // The ring's decay from the centre of its energy in time: e^(-2 a t) has it at 1 / 2a.
    double energy = 0, moment = 0;
    for (size_t i = 0; i < n_; ++i) {
        const double e = ring[start + i] * ring[start + i];
        energy += e;
        moment += double(i) / rate * e;
    }
    if (!(energy > 0)) return result;
    const double decay = std::clamp(energy / (2 * moment + 1e-12), kLeastDecay, kMostDecay);

    // First modes guessed, and the band every guess is judged over.
    std::vector<double> guesses;
    for (size_t g = 0; g < std::min(guessesHz.size(), kMostGuesses); ++g)
        for (int m = 1; m <= (g == 0 ? kMostLoudestNumber : kMostPartialNumber); ++m) {
            const double f1 = guessesHz[g] / m;
            if (f1 < limits.loHz || f1 > limits.hiHz) continue;
            if (std::none_of(guesses.begin(), guesses.end(),
                             [&](double h) { return std::abs(h / f1 - 1) < kDistinctGuess; }))
                guesses.push_back(f1);
        }
    if (guesses.empty()) return result;
    // The band reaches under the lowest guess, for the series under it to be tried.
    const double lowestModelled =
        *std::min_element(guesses.begin(), guesses.end()) / kMostPartialNumber;
    const double loHz = kBandUnderLowest * lowestModelled;
    // Past some time constants the ring is noise: it adds bins, not knowledge.
    for (size_t half = n_ / 2;
         half >= kMinSamples && double(half) >= kRingTimeConstants / decay * rate; half /= 2)
        n_ = half;
    const std::span<const double> x = ring.subspan(start, n_);
    // A short ring's bins lie far apart: the band holds enough of them to judge a guess.
    const double hiHz = std::min({limits.highestHz, 0.45 * rate,
                                  std::max(kBandOverLoudest * guessesHz.front(),
                                           loHz + double(kMinBins) * rate / double(n_))});
    kLo_ = size_t(std::ceil(loHz * double(n_) / rate));
    const size_t kHi = size_t(hiHz * double(n_) / rate);
    if (kHi < kLo_ + kMinBins / 2) {
        result.verdict = DecayVerdict::TooBrief;
        return result;
    }
    transformBand(x, kHi);

    // Every guess with its lower partials and the ring's decay, amplitudes alone fitted:
    // the few that explain most go on to the fit.
    std::vector<Model> models;
    for (const double f1 : guesses) {
        Model m;
        m.f1 = f1;
        m.maxB = limits.maxB;
        for (size_t n = 0; n < kFirstPartials && modelled(m, n, hiHz, limits); ++n)
            m.logDecay.push_back(
                std::log(std::min(decay * (1 + kDecayGrowth * double(n)), m.mostDecay(n))));
        residual(m);
        if (std::isfinite(m.rss)) models.push_back(std::move(m));
    }
    std::sort(models.begin(), models.end(),
              [](const Model& a, const Model& b) { return a.rss < b.rss; });
    if (models.size() > kScreened) models.resize(kScreened);
    for (Model& m : models) {
        // The lower partials first, where f1 and B are plain; the upper ones then follow
        // from them (fitted all at once from B = 0, a stiff belt's upper partials would be
        // matched to their neighbours' places).
        fitModel(m, kShortIterations);
        m.fromLower = true;
        for (size_t n = m.partials(); n < kMostPartials && modelled(m, n, hiHz, limits); ++n)
            m.logDecay.push_back(std::log(
                std::min(std::exp(m.logDecay.back()) * (1 + kDecayGrowth), m.mostDecay(n))));
        fitModel(m, kScreenIterations);
    }
    std::erase_if(models, [](const Model& m) { return !std::isfinite(m.rss); });
    if (models.empty()) return result;
    const double equations = 2.0 * double(data_.size());
    // The noise left per equation of m's fit over the band read last (data_).
    const auto noise = [&](const Model& m) {
        return m.rss / std::max(1.0, 2.0 * double(data_.size()) - 3.0 * double(m.partials()) - 2);
    };
    const auto cost = std::log(equations);
    std::sort(models.begin(), models.end(),
              [](const Model& a, const Model& b) { return a.rss < b.rss; });
    const double sigma2 = noise(models.front());
    for (Model& m : models) m.score = m.rss / sigma2 + cost * (3.0 * double(m.partials()) + 2);
    std::sort(models.begin(), models.end(),
              [](const Model& a, const Model& b) { return a.score < b.score; });
    for (size_t i = 0; i < std::min(kFullyFitted, models.size()); ++i) {
        fitModel(models[i], kFullIterations);
        models[i].score = models[i].rss / sigma2 + cost * (3.0 * double(models[i].partials()) + 2);
    }
    std::sort(models.begin(), models.end(),
              [](const Model& a, const Model& b) { return a.score < b.score; });
    // The series an octave or a twelfth under the best, when not guessed: the best may
    // be read from every second or third partial.
    for (const size_t under : {size_t(2), size_t(3)}) {
        const double f1 = models.front().f1 / double(under);
        if (f1 < std::max(limits.loHz, lowestModelled) ||
            std::any_of(models.begin(), models.end(),
                        [&](const Model& m) { return std::abs(m.f1 / f1 - 1) < kDistinctGuess; }))
            continue;
        Model m;
        m.f1 = f1;
        m.maxB = limits.maxB;
        m.b = std::max(kLeastB, models.front().b / double(under * under));
        for (size_t n = 0; n < kMostPartials && modelled(m, n, hiHz, limits); ++n) {
            const size_t same = (n + 1) % under == 0 ? (n + 1) / under - 1 : kMostPartials;
            m.logDecay.push_back(same < models.front().partials()
                                     ? models.front().logDecay[same]
                                     : std::log(std::min(decay, m.mostDecay(n))));
        }
        // Not worth its fit where its start explains the ring much worse than the best.
        if (!(residual(m) < kUnderWorthFitting * models.front().rss)) continue;
        fitModel(m, kShortIterations);
        m.score = m.rss / sigma2 + cost * (3.0 * double(m.partials()) + 2);
        if (std::isfinite(m.rss)) models.push_back(std::move(m));
    }
    std::sort(models.begin(), models.end(),
              [](const Model& a, const Model& b) { return a.score < b.score; });
    readSubharmonic(models, decay, hiHz, sigma2, cost, limits);
    const Model& best = models.front();
    const double s2 = noise(best);

    result.f1 = best.f1;
    result.b = best.b;
    result.partials = int(best.partials());
    result.tau1 = std::exp(-best.logDecay[0]);
    for (size_t i = 1; i < models.size(); ++i)
        if (std::abs(models[i].f1 / best.f1 - 1) > kDistinct &&
            models[i].score - best.score < kDecideScore) {
            result.verdict = DecayVerdict::TooBrief;
            return result;
        }
    if (best.f1 < limits.loHz || best.f1 > limits.hiHz) return result;
    // A series only tried under the best, never fitted from its lower partials, is the
    // best's doubt. (Where f1 and B trade, the deviation of f1 below says so.)
    if (!best.fromLower) {
        result.verdict = DecayVerdict::TooBrief;
        return result;
    }
    // A series at the stiffness limit has bent to take in what is no partial of it.
    if (best.b >= kNearMaxB * limits.maxB) return result;
    // So has a first mode pressed against the widest a partial may be: a blob over the
    // skirts of the partials beside it.
    if (std::exp(best.logDecay[0]) >= kNearMaxB * best.mostDecay(0)) return result;
    // The first mode must be in the ring, and carry a share of it: a series under the
    // belt's takes in noise for its first mode and its other odd partials.
    Model again = best;
    residual(again);
    const std::vector<double> shares = energies(again);
    double total = 0;
    for (const double e : shares) total += e;
    if (shares[0] < kFirstModeShare * total) return result;
    // Without it the fit must be clearly worse.
    Model without = best;
    without.withoutFirst = true;
    residual(without);
    if (without.rss - best.rss < kMinFirstMode * s2) return result;
    // How closely the ring fixes f1, from the curvature of the fit.
    const double deviation = f1Deviation(best, s2);
    if (!std::isfinite(deviation)) {
        result.verdict = DecayVerdict::TooBrief;
        return result;
    }
    // The noise near the first mode, where it is louder than the band's mean (a room's
    // rumble under a low belt), makes f1 that much less sure.
    residual(again);
    readData_ = data_;
    readLeft_ = left_;
    readLo_ = kLo_;
    readN_ = n_;
    readStride_ = stride_;
    double near = 0, all = 0;
    size_t nearBins = 0;
    const double width = 1 / (std::numbers::pi * result.tau1) + kNoiseBins * rate / double(n_);
    for (size_t i = 0; i < left_.size(); ++i) {
        const double hz = double(kLo_ + i * stride_) * rate / double(n_),
                     power = std::norm(left_[i]);
        all += power;
        if (std::abs(hz - best.f1) <= width) near += power, ++nearBins;
    }
    const double louder =
        nearBins ? std::max(1.0, near / double(nearBins) / (all / double(left_.size()))) : 1;
    result.f1Error = deviation * std::sqrt(louder);
    if (result.f1Error > kReadTolerance / kDecidingErrors) {
        result.verdict = DecayVerdict::TooBrief;
        return result;
    }
    // The ring's later part, a time constant on, must give the same first mode: a pitch
    // that sinks as the swing dies, or a click under the start, make the two differ
    // where the fit of the whole explains both alike.
    const size_t later = start + size_t(kLaterTimeConstants / decay * rate);
    // Where the clip ends before a whole window past it, half a window: the later part
    // holds fewer time constants of the ring to fill it.
    size_t kHiLater = kHi;
    const bool halved = later + n_ > ring.size() && n_ / 2 >= kMinSamples;
    if (halved) {
        n_ /= 2;
        kLo_ = size_t(std::ceil(loHz * double(n_) / rate));
        kHiLater = size_t(hiHz * double(n_) / rate);
    }
    if (later + n_ > ring.size() || kHiLater < kLo_ + kMinBins / 2) {
        result.verdict = DecayVerdict::TooBrief;
        return result;
    }
    transformBand(ring.subspan(later, n_), kHiLater);
    Model late = best;
    fitModel(late, kShortIterations);
    // The two agree where they differ by no more than their deviations allow.
    const double lateDeviation = f1Deviation(late, noise(late));
    const double allowed =
        std::max(kLaterAgreement, kDecidingErrors * std::hypot(result.f1Error, lateDeviation));
    result.verdict =
        std::abs(late.f1 / best.f1 - 1) <= allowed ? DecayVerdict::Read : DecayVerdict::TooBrief;
    return result;
}

}  // namespace vellora
