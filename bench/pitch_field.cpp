// SPDX-License-Identifier: GPL-3.0-or-later
#include "pitch_field.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdint>
#include <numbers>

namespace vellora::field {

namespace {

constexpr double kPi = std::numbers::pi;
constexpr size_t kClip = 8820;

class Rng {
  public:
    explicit Rng(uint64_t seed) {
        for (uint64_t& v : s_) {
            seed += 0x9e3779b97f4a7c15ull;
            uint64_t z = seed;
            z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
            z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
            v = z ^ (z >> 31);
        }
    }
    uint64_t next() {
        const uint64_t result = rotl(s_[1] * 5, 7) * 9;
        const uint64_t t = s_[1] << 17;
        s_[2] ^= s_[0];
        s_[3] ^= s_[1];
        s_[1] ^= s_[2];
        s_[0] ^= s_[3];
        s_[2] ^= t;
        s_[3] = rotl(s_[3], 45);
        return result;
    }
    double unit() { return double(next() >> 11) * 0x1.0p-53; }
    double in(double lo, double hi) { return lo + (hi - lo) * unit(); }
    double logIn(double lo, double hi) { return lo * std::pow(hi / lo, unit()); }
    // Marsaglia's polar method.
    double gauss() {
        if (spare_) {
            spare_ = false;
            return saved_;
        }
        double u, v, s;
        do {
            u = in(-1, 1);
            v = in(-1, 1);
            s = u * u + v * v;
        } while (s >= 1 || s == 0);
        const double m = std::sqrt(-2 * std::log(s) / s);
        saved_ = v * m;
        spare_ = true;
        return u * m;
    }

  private:
    static uint64_t rotl(uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }
    uint64_t s_[4];
    double saved_ = 0;
    bool spare_ = false;
};

// Voss-McCartney: 16 rows of white noise, row k renewed every 2^k samples.
std::vector<double> pinkNoise(Rng& rng, size_t n) {
    double rows[16];
    double sum = 0;
    for (double& r : rows) sum += (r = rng.in(-1, 1));
    std::vector<double> out(n);
    for (size_t i = 0; i < n; ++i) {
        const uint64_t counter = i + 1;
        const int k = std::min(15, __builtin_ctzll(counter));
        sum -= rows[k];
        rows[k] = rng.in(-1, 1);
        sum += rows[k];
        out[i] = sum + rng.in(-1, 1);
    }
    return out;
}

// Buzzing mains: odd harmonics, a slow drift of the grid frequency, a slow wobble.
std::vector<double> buzz(Rng& rng, double rate, size_t n) {
    const double mains = (rng.unit() < 0.5 ? 50.0 : 60.0) * (1 + rng.in(-0.0008, 0.0008));
    double amp[4] = {1, rng.in(0.1, 0.8), rng.in(0, 0.5), rng.in(0, 0.3)};
    std::vector<double> out(n);
    double phase = rng.in(0, 1);
    for (size_t i = 0; i < n; ++i) {
        const double t = double(i) / rate;
        phase += mains * (1 + 0.0003 * std::sin(2 * kPi * 0.7 * t)) / rate;
        double v = 0;
        for (int h = 0; h < 4; ++h) v += amp[h] * std::sin(2 * kPi * (2 * h + 1) * phase);
        out[i] = v * (1 + 0.05 * std::sin(2 * kPi * 1.3 * t));
    }
    return out;
}

double rmsOf(const std::vector<double>& v, size_t from, size_t to) {
    double s = 0;
    for (size_t i = from; i < to; ++i) s += v[i] * v[i];
    return to > from ? std::sqrt(s / double(to - from)) : 0;
}

std::vector<uint8_t> toBytes(const std::vector<double>& v, double offset) {
    std::vector<uint8_t> out(v.size());
    for (size_t i = 0; i < v.size(); ++i)
        out[i] = uint8_t(std::clamp(std::floor(128 + offset + v[i] + 0.5), 0.0, 255.0));
    return out;
}

double sinc(double x) { return std::abs(x) < 1e-9 ? 1.0 : std::sin(x) / x; }

struct Belt {
    double f1, b, rate;
    size_t samples;
};

synth::Case belt(Rng& rng, const Belt& belt, const char* kind) {
    const double f0 = belt.f1 / std::sqrt(1 + belt.b);
    const double xp = rng.in(0.04, 0.5), finger = rng.in(0.005, 0.03);
    const double xm = rng.in(0.02, 0.6), aperture = rng.in(0.01, 0.05);
    const double radiation = rng.in(0.5, 1.5);
    const double highPass = rng.in(8, 30), lowPass = rng.in(4000, 9000);
    const double tau1 = rng.logIn(0.2, 1.5), tau2k = rng.logIn(0.03, 0.2);
    // 1/tau = a + c f^2 through (f1, tau1) and (2 kHz, tau2k).
    const double c = std::max(0.0, (1 / tau2k - 1 / tau1) / (4e6 - belt.f1 * belt.f1));
    const double a = std::max(0.2, 1 / tau1 - c * belt.f1 * belt.f1);
    const size_t onset = size_t(rng.in(0, 0.12) * belt.rate);
    std::vector<double> s(belt.samples, 0.0);
    for (int n = 1; n <= 80; ++n) {
        const double f = n * f0 * std::sqrt(1 + belt.b * n * n);
        if (f > 0.45 * belt.rate) break;
        const double pluck = std::sin(n * kPi * xp) / (n * n) * sinc(n * kPi * finger / 2);
        const double pick = std::sin(n * kPi * xm) * sinc(n * kPi * aperture / 2);
        const double band = (f / highPass) / std::sqrt(1 + (f / highPass) * (f / highPass)) /
                            std::sqrt(1 + (f / lowPass) * (f / lowPass));
        // Velocity of a mode released from rest: -w A sin(w t); radiation tilts it.
        const double amp = pluck * pick * band * std::pow(f / belt.f1, radiation);
        const std::complex<double> step =
            std::exp(std::complex<double>(-(a + c * f * f), 2 * kPi * f) / belt.rate);
        std::complex<double> z = -amp * std::exp(std::complex<double>(0, rng.in(-0.2, 0.2)));
        for (size_t i = onset; i < s.size(); ++i) {
            s[i] += z.imag();
            z *= step;
        }
    }
    // Finger noise at the release.
    const double attack = rng.in(0.002, 0.006);
    double peak = 0;
    for (const double v : s) peak = std::max(peak, std::abs(v));
    const double scrape = peak * rng.in(0.03, 0.15);
    for (size_t i = onset; i < s.size() && double(i - onset) / belt.rate < attack; ++i)
        s[i] += scrape * rng.gauss();
    const double level = rng.in(30, 120) / std::max(peak, 1e-12);
    for (double& v : s) v *= level;
    const double signal = rmsOf(s, onset, s.size());
    const double snr = rng.in(12, 30);
    const double disturbance = signal * std::pow(10.0, -snr / 20);
    const double humShare = rng.in(0, 0.5);
    const auto pink = pinkNoise(rng, s.size());
    const auto hum = buzz(rng, belt.rate, s.size());
    const double gp = disturbance * std::sqrt(1 - humShare) / rmsOf(pink, 0, pink.size());
    const double gh = disturbance * std::sqrt(humShare) / rmsOf(hum, 0, hum.size());
    for (size_t i = 0; i < s.size(); ++i) s[i] += gp * pink[i] + gh * hum[i];
    return {toBytes(s, rng.in(-2, 2)), belt.rate, belt.f1, belt.b, kind};
}

size_t clipsFor(double f1) { return f1 < 20 ? 3 : f1 < 40 ? 2 : 1; }

// Rosenberg glottal pulses on a falling, jittered contour, through parallel formants,
// with unvoiced stretches of hiss.
std::vector<uint8_t> speech(Rng& rng, size_t n) {
    const double rate = 22050;
    std::vector<double> glottal(n, 0.0);
    double f = rng.in(85, 260);
    const double fall = rng.in(-0.6, 0.3);  // relative change per second
    double t = rng.in(0, 0.01);
    while (t < double(n) / rate) {
        const double period = 1 / (f * (1 + fall * t)) * (1 + 0.01 * rng.gauss());
        const double open = 0.6 * period;
        for (size_t i = size_t(t * rate); i < n && double(i) / rate < t + open; ++i) {
            const double u = (double(i) / rate - t) / open;
            glottal[i] +=
                u < 0.6 ? 0.5 * (1 - std::cos(kPi * u / 0.6)) : std::cos(kPi * (u - 0.6) / 0.8);
        }
        t += period;
    }
    std::vector<double> out(n, 0.0);
    for (int k = 0; k < 4; ++k) {
        const double fc = (k == 0   ? rng.in(250, 900)
                           : k == 1 ? rng.in(800, 2400)
                                    : rng.in(2200, 4000));
        const double bw = rng.in(60, 200);
        const double r = std::exp(-kPi * bw / rate), th = 2 * kPi * fc / rate;
        double y1 = 0, y2 = 0, x1 = 0;
        for (size_t i = 0; i < n; ++i) {
            const double x = glottal[i] - x1;  // lip radiation: a difference
            x1 = glottal[i];
            const double y = x + 2 * r * std::cos(th) * y1 - r * r * y2;
            y2 = y1;
            y1 = y;
            out[i] += y / (k + 1);
        }
    }
    // Words: voiced 80 .. 300 ms, hiss or pause 30 .. 120 ms.
    size_t i = 0;
    bool voiced = rng.unit() < 0.7;
    while (i < n) {
        const size_t len = size_t((voiced ? rng.in(0.08, 0.3) : rng.in(0.03, 0.12)) * rate);
        const bool hiss = rng.unit() < 0.5;
        for (size_t j = i; j < std::min(n, i + len); ++j) {
            const double u = double(j - i) / double(len);
            if (voiced)
                out[j] *= std::sin(kPi * u);
            else
                out[j] = hiss ? 0.05 * rng.gauss() * std::sin(kPi * u) : 0;
        }
        i += len;
        voiced = !voiced;
    }
    const double g = rng.in(10, 45) / std::max(rmsOf(out, 0, n), 1e-12);
    for (double& v : out) v = v * g + 0.5 * rng.gauss();
    return toBytes(out, 0);
}

// A slam: two or three bounces of broadband noise and a panel's low ring, each gone in
// tens of milliseconds, then the room's quiet.
std::vector<uint8_t> slam(Rng& rng, size_t n) {
    const double rate = 22050;
    std::vector<double> s(n, 0.0);
    size_t at = size_t(rng.in(0, 0.25) * rate);
    const int bounces = 2 + int(rng.unit() * 2);
    for (int k = 0; k < bounces && at < n; ++k) {
        const double size = std::pow(0.4, k), tau = rng.in(0.004, 0.02);
        const double panel = rng.in(30, 200), ptau = rng.in(0.008, 0.03);
        for (size_t i = at; i < n; ++i) {
            const double t = double(i - at) / rate;
            if (t > 0.3) break;
            s[i] += size * (rng.in(-1, 1) * std::exp(-t / tau) +
                            std::exp(-t / ptau) * std::sin(2 * kPi * panel * t));
        }
        at += size_t(rng.in(0.03, 0.09) * rate);
    }
    double peak = 0;
    for (const double v : s) peak = std::max(peak, std::abs(v));
    const double g = rng.in(50, 127) / std::max(peak, 1e-12);
    for (double& v : s) v = v * g + rng.in(-0.8, 0.8);
    return toBytes(s, 0);
}

}  // namespace

std::vector<synth::Case> makeSet(const std::string& set, int count) {
    std::vector<synth::Case> cases;
    Rng rng(set == "stiff" ? 0x51ull : set == "range" ? 0x52ull : 0x53ull);
    for (int i = 0; i < count; ++i) {
        const double rate = 22050 * (1 + rng.in(-0.01, 0.01));
        if (set == "stiff") {
            const double f1 = rng.logIn(40, 400), b = rng.in(0, 0.02);
            cases.push_back(belt(rng, {f1, b, rate, kClip}, "stiff"));
        } else if (set == "range") {
            const double f1 = rng.logIn(10, 1000), b = rng.in(0, 0.002);
            cases.push_back(belt(rng, {f1, b, rate, clipsFor(f1) * kClip}, "range"));
        } else {
            const size_t n = (1 + size_t(rng.unit() * 3)) * kClip;
            std::vector<double> v(n, 0.0);
            switch (i % 5) {
                case 0: {
                    const double level = rng.in(1, 60);
                    for (double& x : v) x = rng.in(-1, 1) * level;
                }
                    cases.push_back({toBytes(v, 0), rate, 0, 0, "white"});
                    break;
                case 1: {
                    const auto h = buzz(rng, rate, n);
                    const double g = rng.in(2, 40) / rmsOf(h, 0, n);
                    for (size_t j = 0; j < n; ++j) v[j] = g * h[j] + 0.4 * rng.gauss();
                    cases.push_back({toBytes(v, 0), rate, 0, 0, "hum"});
                    break;
                }
                case 2:
                    cases.push_back({toBytes(v, std::round(rng.in(-1, 1))), rate, 0, 0, "silence"});
                    break;
                case 3:
                    cases.push_back({speech(rng, n), rate, 0, 0, "speech"});
                    break;
                default:
                    cases.push_back({slam(rng, n), rate, 0, 0, "click"});
                    break;
            }
        }
    }
    return cases;
}

}  // namespace vellora::field
