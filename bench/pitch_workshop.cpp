// SPDX-License-Identifier: GPL-3.0-or-later
#include "pitch_workshop.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <numbers>
#include <stdexcept>

namespace vellora::workshop {

namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;
constexpr size_t kClip = 8820;

// PCG32 (O'Neill), Box-Muller normals.
class Pcg {
  public:
    explicit Pcg(uint64_t seed) : state_(seed * 6364136223846793005ull + 1442695040888963407ull) {
        next();
    }
    uint32_t next() {
        const uint64_t old = state_;
        state_ = old * 6364136223846793005ull + 1442695040888963407ull;
        const auto shifted = uint32_t(((old >> 18u) ^ old) >> 27u);
        const auto rot = uint32_t(old >> 59u);
        return (shifted >> rot) | (shifted << ((32 - rot) & 31));
    }
    double unit() { return (double(next()) + 0.5) / 4294967296.0; }
    double in(double lo, double hi) { return lo + (hi - lo) * unit(); }
    double logIn(double lo, double hi) { return lo * std::exp(std::log(hi / lo) * unit()); }
    double normal() { return std::sqrt(-2 * std::log(unit())) * std::cos(kTwoPi * unit()); }

  private:
    uint64_t state_;
};

using Signal = std::vector<double>;

double rmsOf(const Signal& s, size_t from = 0) {
    double sum = 0;
    for (size_t i = from; i < s.size(); ++i) sum += s[i] * s[i];
    return s.size() > from ? std::sqrt(sum / double(s.size() - from)) : 0;
}

double peakOf(const Signal& s) {
    double p = 0;
    for (const double v : s) p = std::max(p, std::abs(v));
    return p;
}

void scale(Signal& s, double g) {
    for (double& v : s) v *= g;
}

void add(Signal& to, const Signal& s, double g) {
    for (size_t i = 0; i < to.size() && i < s.size(); ++i) to[i] += g * s[i];
}

// Gaussian noise with a brown share: a room's low rumble under its hiss.
Signal roomNoise(Pcg& rng, size_t n, double brown) {
    Signal s(n);
    double walk = 0;
    for (double& v : s) {
        walk = 0.995 * walk + 0.1 * rng.normal();
        v = rng.normal() + brown * walk;
    }
    scale(s, 1 / std::max(rmsOf(s), 1e-12));
    return s;
}

// Second-order Butterworth high-pass (bilinear transform).
void highPass(Signal& s, double cornerHz, double rate) {
    const double k = std::tan(std::numbers::pi * cornerHz / rate), q = std::numbers::sqrt2 / 2;
    const double norm = 1 / (1 + k / q + k * k);
    const double b0 = norm, b1 = -2 * norm, b2 = norm;
    const double a1 = 2 * (k * k - 1) * norm, a2 = (1 - k / q + k * k) * norm;
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    for (double& v : s) {
        const double y = b0 * v + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
        x2 = x1, x1 = v, y2 = y1, y1 = y;
        v = y;
    }
}

// Schroeder's reverberator: four combs in parallel, two all-passes in series.
Signal reverberate(const Signal& dry, double rt60, double rate) {
    Signal wet(dry.size(), 0.0);
    for (const double ms : {29.7, 37.1, 41.1, 43.7}) {
        const size_t d = size_t(ms * 1e-3 * rate);
        const double g = std::pow(10.0, -3 * double(d) / (rt60 * rate));
        Signal line(dry.size(), 0.0);
        for (size_t i = 0; i < dry.size(); ++i) line[i] = dry[i] + (i >= d ? g * line[i - d] : 0);
        add(wet, line, 0.25);
    }
    for (const double ms : {5.0, 1.7}) {
        const size_t d = size_t(ms * 1e-3 * rate);
        constexpr double g = 0.7;
        Signal out(wet.size(), 0.0);
        for (size_t i = 0; i < wet.size(); ++i)
            out[i] = -g * wet[i] + (i >= d ? wet[i - d] + g * out[i - d] : 0);
        wet = std::move(out);
    }
    return wet;
}

std::vector<uint8_t> toBytes(const Signal& s) {
    std::vector<uint8_t> out(s.size());
    for (size_t i = 0; i < s.size(); ++i)
        out[i] = uint8_t(std::clamp(std::lround(128 + s[i]), 0L, 255L));
    return out;
}

struct Belt {
    double f1 = 100, b = 0;
    double tau1 = 0.3;  // first mode's time constant, s
    double onset = 0.05;
    double split = 0;  // a second mode this share above each partial (0: none)
};

// A stiff belt's velocity at the microphone: modes at n f0 sqrt(1 + B n^2), plucked
// with a finger of some width, heard at another point, each mode with its own loss.
Signal belt(Pcg& rng, const Belt& p, double rate, size_t n) {
    Signal s(n, 0.0);
    const double f0 = p.f1 / std::sqrt(1 + p.b);
    const double xp = rng.in(0.05, 0.45), xm = rng.in(0.03, 0.5), width = rng.in(0.002, 0.04);
    const double tilt = rng.in(0, 1.5), loss = rng.in(0.01, 0.25);
    const double ramp = rng.in(0.001, 0.004);
    const size_t start = size_t(p.onset * rate);
    for (int m = 1; m <= 120; ++m) {
        const double hz = m * f0 * std::sqrt(1 + p.b * m * m);
        if (hz > 0.45 * rate || hz > 6000) break;
        const double shape =
            std::sin(m * std::numbers::pi * xp) / (m * m) * std::exp(-std::pow(m * width * 3, 2));
        const double amp = shape * std::sin(m * std::numbers::pi * xm) * std::pow(m, tilt) *
                           std::exp(0.35 * rng.normal());
        const double tau = p.tau1 / (1 + loss * std::pow(m - 1, 1.5));
        for (int twin = 0; twin < (p.split > 0 ? 2 : 1); ++twin) {
            const double f = hz * (twin ? 1 + p.split : 1);
            const double a = twin ? amp * rng.in(0.3, 0.8) : amp;
            const double phase = rng.in(0, kTwoPi);
            for (size_t i = start; i < n; ++i) {
                const double t = double(i - start) / rate;
                if (t > 8 * tau) break;
                const double env =
                    t < ramp ? 0.5 - 0.5 * std::cos(std::numbers::pi * t / ramp) : 1.0;
                s[i] += a * env * std::exp(-t / tau) * std::sin(kTwoPi * f * t + phase);
            }
        }
    }
    return s;
}

double clipRate(Pcg& rng) { return 22050 * (1 + rng.in(-0.01, 0.01)); }

// Puts a belt (or any sound) at `peakSteps` over noise `snrDb` under its RMS after `from`.
std::vector<uint8_t> finish(Pcg& rng, Signal s, size_t from, double peakSteps, double snrDb) {
    scale(s, peakSteps / std::max(peakOf(s), 1e-12));
    const double noise = rmsOf(s, std::min(from, s.size() - 1)) * std::pow(10.0, -snrDb / 20);
    add(s, roomNoise(rng, s.size(), rng.in(0, 2)), std::max(noise, 0.3));
    const double dc = rng.in(-1.5, 1.5);
    for (double& v : s) v += dc;
    return toBytes(s);
}

// An engine at idle or under load: firing pulses at rpm/60 x cylinders/2, their harmonics,
// a slow wobble of speed.
Signal engine(Pcg& rng, double rate, size_t n, double hz, double glidePerS) {
    Signal s(n, 0.0);
    double amps[16];
    const int firing = 1 + int(rng.unit() * 4);
    for (int k = 1; k <= 15; ++k)
        amps[k] = (k % firing == 0 ? 1.0 : 0.3) / std::sqrt(k) * std::exp(0.4 * rng.normal());
    double phase[16];
    for (double& p : phase) p = rng.in(0, 1);
    const double wobble = rng.in(0.002, 0.01), wobbleHz = rng.in(0.5, 3);
    for (size_t i = 0; i < n; ++i) {
        const double t = double(i) / rate;
        const double f = hz * (1 + glidePerS * t) * (1 + wobble * std::sin(kTwoPi * wobbleHz * t));
        double v = 0;
        for (int k = 1; k <= 15; ++k) {
            phase[k] += k * f / rate;
            if (k * f < 0.45 * rate) v += amps[k] * std::sin(kTwoPi * phase[k]);
        }
        s[i] = v;
    }
    return s;
}

// A four-stroke engine heard beside the car, made from its firings: each cylinder fires once
// every two turns of the crank and its pressure pulse rings the exhaust's resonances. No
// two cylinders burn quite alike (lines at every order of the cycle, between the firing
// harmonics), nor two cycles (3-15 % from one to the next, a cylinder that misfires now
// and then); the idle speed wanders, the valve train ticks, the flow hisses in pulses, and
// an electric cooling fan may whine at its blades' passing. `speed` and `level`: the firing
// rate's share of firingHz and the engine's level at each second of the clip, as the
// throttle opens or is let go (the fan keeps its own).
Signal runningEngine(Pcg& rng, double rate, size_t n, double firingHz,
                     const std::function<double(double)>& speed = {},
                     const std::function<double(double)>& level = {}) {
    constexpr int kCylinders[] = {1, 2, 3, 4, 4, 4, 5, 6, 8};
    const int cylinders = kCylinders[size_t(rng.unit() * 9)];
    double strength[8], offset[8];
    for (int c = 0; c < cylinders; ++c)
        strength[c] = std::exp(0.15 * rng.normal()), offset[c] = rng.in(-0.03, 0.03);
    const int misfiring = rng.unit() < 0.3 ? int(rng.unit() * cylinders) : -1;
    const double fires = rng.in(0.6, 0.95), spread = rng.in(0.03, 0.15);
    struct Ring {
        double hz, tau, amp;
    };
    std::vector<Ring> rings;
    for (int r = 0, count = 1 + int(rng.unit() * 3); r < count; ++r) {
        const double hz = rng.logIn(40, 400);
        rings.push_back(
            {hz, rng.in(2, 10) / (std::numbers::pi * hz), std::exp(0.5 * rng.normal())});
    }
    const double tickHz = rng.in(1500, 4000), tick = rng.in(0.02, 0.15);
    const double wanderShare = rng.in(0.003, 0.02), wanderTau = rng.in(0.3, 1.0);
    // Run from half a second before the clip, so that rings and wander are under way.
    const size_t warm = size_t(0.5 * rate), total = warm + n;
    Signal pulses(total, 0.0), hiss(total, 0.0);
    double phase = rng.in(0, 1), wander = wanderShare * rng.normal(), next = 1;
    const double pull = 1 / (wanderTau * rate);
    for (size_t i = 0; i < total; ++i) {
        const double t = (double(i) - double(warm)) / rate;
        wander += -pull * wander + wanderShare * std::sqrt(2 * pull) * rng.normal();
        const double hz = firingHz * (speed ? speed(std::max(t, 0.0)) : 1) * (1 + wander);
        phase += hz / rate;
        const double since = phase - std::floor(phase);
        hiss[i] = rng.normal() * (0.5 + std::exp(-since / 0.15));
        const auto k = int64_t(next);
        const int c = int(k % cylinders);
        if (phase < next + offset[c]) continue;
        next += 1;
        double a = strength[c] * std::max(0.0, 1 + spread * rng.normal());
        if (c == misfiring && rng.unit() > fires) a *= 0.1;
        const double late = (phase - (double(k) + offset[c])) / hz;  // s since the firing
        for (const Ring& r : rings) {
            const double ph = rng.in(-0.2, 0.2);
            for (size_t j = i; j < total; ++j) {
                const double u = double(j - i) / rate + late;
                if (u > 6 * r.tau) break;
                pulses[j] += a * r.amp * std::exp(-u / r.tau) * std::sin(kTwoPi * r.hz * u + ph);
            }
        }
        // The blow-down itself: a lobe a third of the firing interval long.
        const double lobe = 0.33 / hz;
        for (size_t j = i; j < total && double(j - i) / rate + late < lobe; ++j)
            pulses[j] += a * std::sin(std::numbers::pi * (double(j - i) / rate + late) / lobe);
        // Two valve ticks a firing.
        for (const double at : {0.0, 0.5 / hz})
            for (size_t j = i + size_t(at * rate); j < total; ++j) {
                const double u = double(j - i) / rate - at;
                if (u > 0.004) break;
                pulses[j] += a * tick * std::exp(-u / 0.0008) * std::sin(kTwoPi * tickHz * u);
            }
    }
    Signal s(pulses.begin() + std::ptrdiff_t(warm), pulses.end());
    const Signal flow(hiss.begin() + std::ptrdiff_t(warm), hiss.end());
    highPass(s, 5, rate);
    const double loud = rmsOf(s);
    add(s, flow, rng.in(0.1, 0.5) * loud / std::max(rmsOf(flow), 1e-12));
    for (size_t i = 0; i < n && level; ++i) s[i] *= level(double(i) / rate);
    if (rng.unit() < 0.5) {
        const double blade = rng.in(100, 500), fan = rng.in(0.05, 0.3) * loud;
        const double ph = rng.in(0, kTwoPi);
        for (size_t i = 0; i < n; ++i) {
            const double t = double(i) / rate;
            s[i] +=
                fan * (std::sin(kTwoPi * blade * t + ph) + 0.4 * std::sin(2 * kTwoPi * blade * t));
        }
    }
    return s;
}

struct Made {
    std::vector<uint8_t> samples;
    double rate;
    double f1;
    double b;
};

Made pluck(Pcg& rng, const std::string& c) {
    const double rate = clipRate(rng);
    Belt p;
    p.f1 = rng.logIn(20, 1000);
    p.b = rng.unit() < 0.5 ? rng.in(0, 0.01) : rng.logIn(1e-5, 0.003);
    p.tau1 = rng.logIn(0.08, 1.2);
    p.onset = rng.in(0, 0.12);
    double peak = rng.in(25, 120), snr = rng.in(18, 35);
    size_t clips = 1;
    if (c == "damped") {
        p.f1 = rng.logIn(40, 600);
        p.tau1 = rng.in(0.015, 0.045);
    } else if (c == "range") {
        p.f1 = rng.logIn(10, 1000);
        clips = p.f1 < 15 ? 3 : 1;
        p.onset = rng.in(0, clips > 1 ? 0.3 : 0.1);
    } else if (c == "high") {
        p.f1 = rng.in(470, 1000);
    } else if (c == "anywhere") {
        p.f1 = rng.logIn(40, 1000);
        p.onset = rng.in(0, 0.4);
    } else if (c == "doublet") {
        p.split = rng.in(0.003, 0.01);
    } else if (c == "lowlevel") {
        peak = rng.in(2, 5);
        snr = 40;
    } else if (c == "clipped") {
        peak = 128 * rng.in(2, 4);
    }
    const size_t n = clips * kClip;
    Signal s = belt(rng, p, rate, n);
    const size_t from = size_t(p.onset * rate);
    if (c == "twobelts") {
        Belt q = p;
        do q.f1 = rng.logIn(20, 1000);
        while (std::abs(std::log(q.f1 / p.f1)) < 0.05);
        q.tau1 = rng.logIn(0.08, 1.2);
        q.onset = rng.in(0, 0.15);
        Signal other = belt(rng, q, rate, n);
        const size_t at = std::min(from, size_t(q.onset * rate));
        add(s, other,
            std::pow(10.0, -10.0 / 20) * rmsOf(s, at) / std::max(rmsOf(other, at), 1e-12));
    } else if (c == "engine") {
        // 10 dB under the belt: engine harmonics with their own noise.
        Signal e = engine(rng, rate, n, rng.in(10, 50), 0);
        add(e, roomNoise(rng, n, 1), rng.in(0.2, 0.6) * rmsOf(e));
        scale(s, 1 / std::max(rmsOf(s, from), 1e-12));
        add(s, e, std::pow(10.0, -10.0 / 20) / std::max(rmsOf(e), 1e-12));
    } else if (c == "engine2") {
        // The engine made from its firings, 10 dB under the belt, or at times 5.
        Signal e = runningEngine(rng, rate, n, rng.in(10, 50));
        const double under = rng.unit() < 0.3 ? 5 : 10;
        scale(s, 1 / std::max(rmsOf(s, from), 1e-12));
        add(s, e, std::pow(10.0, -under / 20) / std::max(rmsOf(e), 1e-12));
    } else if (c == "phone") {
        highPass(s, 120, rate);
        highPass(s, 120, rate);
    } else if (c == "reverb") {
        const Signal wet = reverberate(s, rng.in(0.3, 1.0), rate);
        add(s, wet, rng.in(0.3, 1.0) * rmsOf(s, from) / std::max(rmsOf(wet, from), 1e-12));
    } else if (c == "drift") {
        const double offset = rng.in(-12, 12), drift = rng.in(2, 8), hz = rng.in(0.3, 3);
        std::vector<uint8_t> bytes = finish(rng, s, from, peak, snr);
        const double phase = rng.in(0, kTwoPi);
        for (size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = uint8_t(
                std::clamp(std::lround(bytes[i] + offset +
                                       drift * std::sin(kTwoPi * hz * double(i) / rate + phase)),
                           0L, 255L));
        return {bytes, rate, p.f1, p.b};
    }
    return {finish(rng, s, from, peak, snr), rate, p.f1, p.b};
}

Made other(Pcg& rng, const std::string& c) {
    const double rate = clipRate(rng);
    const size_t n = (1 + size_t(rng.unit() * 3)) * kClip;
    Signal s(n, 0.0);
    if (c == "alarm") {
        // Two tones in turn, sine or square-ish, each held 0.15 .. 0.6 s.
        const double hi = rng.in(400, 1000), lo = hi * rng.in(0.7, 0.95);
        const double hold = rng.in(0.15, 0.6), offset = rng.in(0, 2 * hold);
        const int odd = rng.unit() < 0.5 ? 1 : 7;
        double phase = 0;
        for (size_t i = 0; i < n; ++i) {
            const double t = double(i) / rate + offset;
            phase += (std::fmod(t, 2 * hold) < hold ? hi : lo) / rate;
            for (int k = 1; k <= odd; k += 2) s[i] += std::sin(kTwoPi * k * phase) / k;
        }
    } else if (c == "rev") {
        // Throttle opened: the level swells with the speed. Or let go: the speed sinks
        // towards idle and the level dies away to the idle's, as a pluck's dies.
        const bool down = rng.unit() < 0.5;
        s = engine(rng, rate, n, rng.in(12, 40), down ? -rng.in(0.05, 0.4) : rng.in(0.5, 2.5));
        add(s, roomNoise(rng, n, 1), rng.in(0.1, 0.5) * rmsOf(s));
        const double fade = rng.in(0.3, 1.5), idle = rng.in(0.1, 0.4);
        for (size_t i = 0; i < n; ++i)
            s[i] *= down ? idle + (1 - idle) * std::exp(-double(i) / rate / fade)
                         : 0.5 + double(i) / double(n);
    } else if (c == "rev2") {
        // The engine made from its firings at idle, revved up or let go: its speed rising
        // 50-250 % a second as its level swells, or sinking to idle as its level dies away.
        const int how = int(rng.unit() * 3);
        const double idle = rng.in(10, 40), by = rng.in(0.5, 2.5), from = rng.in(1.3, 3);
        const double settle = rng.in(0.2, 1.0), rest = rng.in(0.1, 0.4);
        const double seconds = double(n) / rate;
        s = runningEngine(
            rng, rate, n, idle,
            [&](double t) {
                return how == 0   ? 1
                       : how == 1 ? 1 + by * t
                                  : 1 + (from - 1) * std::exp(-t / settle);
            },
            [&](double t) {
                return how == 0   ? 1
                       : how == 1 ? 0.5 + t / seconds
                                  : rest + (1 - rest) * std::exp(-t / settle);
            });
    } else if (c == "wrench") {
        // A motor's whine and hammer blows 10 .. 25 times a second, each a click and a
        // ring of the socket that dies within 5 .. 20 ms.
        const double whine = rng.in(100, 400), blows = rng.in(10, 25);
        const double ring = rng.in(800, 3000), tau = rng.in(0.005, 0.02);
        double next = rng.in(0, 1 / blows);
        for (size_t i = 0; i < n; ++i) {
            const double t = double(i) / rate;
            s[i] = 0.2 * std::sin(kTwoPi * whine * t) + 0.1 * std::sin(kTwoPi * 2 * whine * t);
            if (t >= next) {
                for (size_t j = i; j < n && double(j - i) / rate < 8 * tau; ++j) {
                    const double u = double(j - i) / rate;
                    s[j] += std::exp(-u / tau) * (rng.normal() * 0.7 + std::sin(kTwoPi * ring * u) +
                                                  0.5 * std::sin(kTwoPi * ring * 2.76 * u));
                }
                next += 1 / blows * (1 + rng.in(-0.05, 0.05));
            }
        }
    } else if (c == "hammer") {
        // One to three taps on a bar or a plate: modes at the free bar's ratios, or a
        // plate's irregular ones, each ringing 50 .. 600 ms.
        const double base = rng.logIn(100, 1500);
        const bool bar = rng.unit() < 0.5;
        const double barRatios[] = {1, 2.756, 5.404, 8.933, 13.34};
        double ratios[5], amps[5], taus[5];
        for (int k = 0; k < 5; ++k) {
            ratios[k] = bar ? barRatios[k] : (k == 0 ? 1 : ratios[k - 1] * rng.in(1.3, 2.1));
            amps[k] = k == 0 ? 1 : rng.in(0.2, 1);
            taus[k] = rng.logIn(0.05, 0.6) / (1 + 0.3 * k);
        }
        const int taps = 1 + int(rng.unit() * 3);
        double at = rng.in(0, 0.15);
        for (int tap = 0; tap < taps; ++tap) {
            const size_t from = size_t(at * rate);
            const double size = rng.in(0.4, 1);
            for (int k = 0; k < 5; ++k) {
                const double f = base * ratios[k];
                if (f > 0.45 * rate) continue;
                const double ph = rng.in(0, kTwoPi);
                for (size_t i = from; i < n; ++i) {
                    const double u = double(i - from) / rate;
                    if (u > 8 * taus[k]) break;
                    s[i] += size * amps[k] * std::exp(-u / taus[k]) * std::sin(kTwoPi * f * u + ph);
                }
            }
            for (size_t i = from; i < n && i < from + size_t(0.002 * rate); ++i)
                s[i] += size * rng.normal();
            at += rng.in(0.1, 0.4);
        }
    } else if (c == "whistle") {
        // A held, wavering whistle with breath noise, rising in over 30 .. 100 ms.
        const double f = rng.in(500, 2000), vib = rng.in(0.005, 0.02), vibHz = rng.in(4, 7);
        const double glide = rng.in(-0.15, 0.15), rise = rng.in(0.03, 0.1);
        const double start = rng.in(0, 0.2);
        double phase = 0;
        for (size_t i = 0; i < n; ++i) {
            const double t = double(i) / rate - start;
            if (t < 0) continue;
            phase += f * (1 + glide * t) * (1 + vib * std::sin(kTwoPi * vibHz * t)) / rate;
            s[i] = std::min(1.0, t / rise) * (std::sin(kTwoPi * phase) + 0.05 * rng.normal());
        }
    } else if (c == "beeper") {
        // A driver's pulse wave through a piezo disc that rounds its corners, switched on
        // and off by a timer: full level within half a millisecond, flat while on, silent
        // within half a millisecond of the switch.
        const double f = rng.logIn(250, 3000), duty = rng.in(0.3, 0.5);
        const double corner = f * rng.in(1.5, 6);
        const double on = rng.in(0.04, 0.3), off = rng.in(0.04, 0.4);
        const double offset = rng.in(0, on + off), edge = 0.0005;
        double amps[40];
        for (int k = 1; k < 40; ++k)
            amps[k] = k * f < 0.45 * rate ? std::sin(std::numbers::pi * k * duty) / k /
                                                std::sqrt(1 + std::pow(k * f / corner, 4))
                                          : 0;
        const double phase = rng.in(0, 1);
        for (size_t i = 0; i < n; ++i) {
            const double t = double(i) / rate, u = std::fmod(t + offset, on + off);
            if (u >= on) continue;
            const double gate = std::min({1.0, u / edge, (on - u) / edge});
            double v = 0;
            for (int k = 1; k < 40; ++k)
                if (amps[k] != 0) v += amps[k] * std::sin(kTwoPi * k * (f * t + phase));
            s[i] = gate * v;
        }
    } else if (c == "pipe") {
        // Taps on a steel pipe lying on a bench: its bending modes at a free beam's ratios
        // (lowered a little by shear in a short, thick pipe), often the wall's ovalling
        // modes too, each split in two by a wall that is not quite round. A hammer's
        // contact of 0.2 .. 2 ms excites them with a half-sine pulse's spectrum; the bench
        // damps them within tens to hundreds of milliseconds, the higher ones faster.
        const double base = rng.logIn(60, 1200), shear = rng.in(0, 0.03);
        const double tau1 = rng.logIn(0.02, 0.4), loss = rng.in(0.05, 0.5);
        const double contact = rng.logIn(0.0002, 0.002);
        std::vector<double> modes;
        for (const double r : {1.0, 2.756, 5.404, 8.933, 13.345, 19.935})
            modes.push_back(base * r / std::sqrt(1 + shear * (r - 1)));
        if (rng.unit() < 0.6) {
            const double ring2 = base * rng.in(1.2, 8);
            for (int m = 2; m <= 5; ++m)
                modes.push_back(ring2 * m * (m * m - 1) / std::sqrt(m * m + 1) /
                                (6 / std::sqrt(5.0)));
        }
        struct Mode {
            double hz, amp, tau, phase;
        };
        std::vector<Mode> ring;
        for (const double hz : modes) {
            if (hz > 0.45 * rate) continue;
            const double x = 2 * hz * contact;
            const double force =
                std::abs(x - 1) < 1e-6
                    ? std::numbers::pi / 4
                    : std::abs(std::cos(std::numbers::pi * hz * contact) / (1 - x * x));
            const double amp = force * rng.in(0.1, 1) * std::exp(0.3 * rng.normal());
            const double tau = tau1 / (1 + loss * (hz / base - 1));
            ring.push_back({hz, amp, tau, rng.in(0, kTwoPi)});
            if (rng.unit() < 0.7)
                ring.push_back({hz * (1 + rng.in(0.0005, 0.005)), amp * rng.in(0.2, 1), tau,
                                rng.in(0, kTwoPi)});
        }
        const int taps = 1 + int(rng.unit() * 4);
        double at = rng.in(0, 0.2);
        for (int tap = 0; tap < taps && at * rate < double(n); ++tap) {
            const size_t from = size_t(at * rate);
            const double size = rng.in(0.3, 1);
            for (const Mode& m : ring)
                for (size_t i = from; i < n; ++i) {
                    const double u = double(i - from) / rate;
                    if (u > 8 * m.tau) break;
                    s[i] +=
                        size * m.amp * std::exp(-u / m.tau) * std::sin(kTwoPi * m.hz * u + m.phase);
                }
            for (size_t i = from; i < n && i < from + size_t(contact * rate) + 1; ++i)
                s[i] += 0.3 * size * rng.normal();
            at += rng.in(0.08, 0.5);
        }
    } else {
        throw std::invalid_argument("unknown workshop condition " + c);
    }
    return {finish(rng, s, 0, rng.in(15, 120), rng.in(15, 35)), rate, 0, 0};
}

}  // namespace

const std::vector<std::string>& conditions() {
    static const std::vector<std::string> all = {
        "damped",   "range",  "high",    "anywhere", "doublet", "lowlevel", "clipped",
        "twobelts", "engine", "phone",   "reverb",   "drift",   "alarm",    "rev",
        "wrench",   "hammer", "whistle", "beeper",   "pipe",    "engine2",  "rev2"};
    return all;
}

std::vector<synth::Case> makeSet(const std::string& condition, int count) {
    const auto& all = conditions();
    const auto at = std::find(all.begin(), all.end(), condition);
    if (at == all.end()) throw std::invalid_argument("unknown workshop condition " + condition);
    Pcg rng(0xbe17ull + uint64_t(at - all.begin()) * 7919);
    const bool belts = condition != "alarm" && condition != "rev" && condition != "wrench" &&
                       condition != "hammer" && condition != "whistle" && condition != "beeper" &&
                       condition != "pipe" && condition != "rev2";
    std::vector<synth::Case> cases;
    for (int i = 0; i < count; ++i) {
        Made m = belts ? pluck(rng, condition) : other(rng, condition);
        cases.push_back({std::move(m.samples), m.rate, m.f1, m.b, condition});
    }
    return cases;
}

}  // namespace vellora::workshop
