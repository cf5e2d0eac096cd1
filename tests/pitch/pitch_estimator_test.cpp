// SPDX-License-Identifier: GPL-3.0-or-later
// The precise estimator against recordings whose first mode is known.
#include "pitch/pitch_estimator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "support/pitch_synth.h"

namespace vellora {
namespace {

constexpr float kPas = 5.4171f;
const float kExact = 22050 / 4096.f;  // 50 Hz is mains hum, not a belt

// Plucked near one end, heard near the other, 30 dB SNR; tilt 2: upper partials strong.
synth::StiffPluck belt(double f1, double b, double tilt = 1, size_t clips = 0) {
    return {.firstModeHz = f1,
            .inharmonicity = b,
            .rate = cardRate(kPas),
            .pluckAt = 0.13,
            .micAt = 0.07,
            .tilt = tilt,
            .onsetSeconds = 0.05,
            .snrDb = 30,
            .samples = (clips ? clips : synth::clipsFor(f1)) * synth::kClipSamples};
}

std::vector<uint8_t> stiff(double f1, double b, double tilt = 1, size_t clips = 0) {
    synth::Random random(5);
    return synth::render(belt(f1, b, tilt, clips), random);
}

std::vector<uint8_t> harmonics(double f0, std::vector<double> amplitudes, double b = 8e-5) {
    synth::Random random(7);
    const synth::Pluck p{.fundamentalHz = f0,
                         .rate = cardRate(kPas),
                         .amplitudes = amplitudes,
                         .phases = std::vector<double>(amplitudes.size(), 0.3),
                         .inharmonicity = b,
                         .decaySeconds = 0.2};
    return synth::render(p, random);
}

// Driven `gain` times past the clip's full scale.
std::vector<uint8_t> clipped(const std::vector<uint8_t>& x, double gain) {
    std::vector<double> louder(x.size());
    for (size_t i = 0; i < x.size(); ++i) louder[i] = gain * (double(x[i]) - 128);
    return synth::quantise(louder);
}

// A belt of 100 Hz heard with another, `share` of the sound the first's.
std::vector<uint8_t> twoBelts(double otherHz, double share) {
    const auto x = stiff(100, 0.001), y = stiff(otherHz, 0.001);
    std::vector<uint8_t> both(x.size());
    for (size_t i = 0; i < x.size(); ++i)
        both[i] = uint8_t(std::lround(128 + share * (x[i] - 128) + (1 - share) * (y[i] - 128)));
    return both;
}

// A belt of 200 Hz plucked over an engine idling at 31 Hz, whose eight steady harmonics
// are `engineDb` under the belt's peak, and a few steps of noise.
std::vector<uint8_t> beltOverEngine(double engineDb) {
    const auto x = stiff(200, 0.001, 1, 1);
    std::vector<double> both(x.size());
    synth::Random random(41);
    const double engine = 100 * std::pow(10.0, engineDb / 20);
    for (size_t i = 0; i < x.size(); ++i) {
        const double t = double(i) / cardRate(kPas);
        double v = 0;
        for (int k = 1; k <= 8; ++k) v += std::sin(2 * std::numbers::pi * 31 * k * t + k) / k;
        both[i] = double(x[i]) - 128 + engine * v / 2 + 2 * random.normal();
    }
    return synth::quantise(both);
}

// A belt plucked over an engine at `engineHz` whose fifteen steady harmonics (each 1/sqrt(k))
// are `level` steps (10.5: 10 dB under the belt's peak): at 45.7 Hz they take a belt of
// 824.8 Hz as the 18th.
std::vector<uint8_t> overHarmonics(const std::vector<uint8_t>& x, double engineHz,
                                   double level = 10.5) {
    std::vector<double> both(x.size());
    synth::Random random(41);
    for (size_t i = 0; i < x.size(); ++i) {
        const double t = double(i) / cardRate(kPas);
        double v = 0;
        for (int k = 1; k <= 15; ++k)
            v += std::sin(2 * std::numbers::pi * engineHz * k * t + k * k) / std::sqrt(k);
        both[i] = double(x[i]) - 128 + level * v + 2 * random.normal();
    }
    return synth::quantise(both);
}

std::vector<uint8_t> beltOverHarmonics(double beltHz, double engineHz) {
    return overHarmonics(stiff(beltHz, 0.0005, 1, 1), engineHz);
}

// Partials of the given frequencies, amplitudes and time constants, ringing down from 30 ms
// over two clips.
struct Partial {
    double hz, amplitude, tau = 0.4;
};
std::vector<uint8_t> ring(std::initializer_list<Partial> partials) {
    synth::Random random(53);
    std::vector<double> x(2 * synth::kClipSamples);
    for (size_t i = 0; i < x.size(); ++i) {
        const double t = double(i) / cardRate(kPas) - 0.03;
        double v = 0;
        int k = 0;
        for (const Partial& p : partials)
            v += p.amplitude * std::exp(-t / p.tau) *
                 std::sin(2 * std::numbers::pi * p.hz * t + ++k);
        x[i] = (t < 0 ? 0 : 60 * v) + random.normal();
    }
    return synth::quantise(x);
}

// A tap on a bar (modes 1, 2.756, 5.404, 8.933 times the first) or a plate (1, 1.62, 2.51,
// 3.93), the upper modes 30 to 40 dB under the first (or `upper` of it) and dying faster
// than the first's `tau`: no series.
std::vector<uint8_t> tap(double hz, bool plate, double tau = 0.4, double upper = 0.03) {
    const double bar[] = {1, 2.756, 5.404, 8.933}, plateRatios[] = {1, 1.62, 2.51, 3.93};
    const double* r = plate ? plateRatios : bar;
    return ring({{hz, 1, tau},
                 {r[1] * hz, upper, tau / 1.3},
                 {r[2] * hz, 0.6 * upper, tau / 1.6},
                 {r[3] * hz, 0.4 * upper, tau / 1.9}});
}

// An engine let go: firing at `hz` and slowing by `glide` of it a second, its twelve
// harmonics dying away over 0.5 s like a pluck's, through two clips.
std::vector<uint8_t> engineSlowing(double hz, double glide) {
    synth::Random random(47);
    std::vector<double> x(2 * synth::kClipSamples);
    double phase = 0;
    for (size_t i = 0; i < x.size(); ++i) {
        const double t = double(i) / cardRate(kPas);
        phase += hz * (1 - glide * t) / cardRate(kPas);
        double v = 0;
        for (int k = 1; k <= 12; ++k) v += std::sin(2 * std::numbers::pi * k * phase + k) / k;
        x[i] = 50 * std::exp(-t / 0.5) * v + random.normal();
    }
    return synth::quantise(x);
}

// An alarm switching between 960 and 770 Hz every 150 ms: a steady level, two pitches.
std::vector<uint8_t> alarm() {
    std::vector<uint8_t> clip(synth::kClipSamples);
    double phase = 0;
    for (size_t i = 0; i < clip.size(); ++i) {
        phase += (std::fmod(double(i) / 22050, 0.3) < 0.15 ? 960 : 770) / cardRate(kPas);
        clip[i] = uint8_t(std::lround(128 + 60 * std::sin(2 * std::numbers::pi * phase)));
    }
    return clip;
}

// A beeper's 440 Hz pulse wave switched on from 60 to 260 ms, 18 dB over a workshop's noise:
// clean harmonic partials, a flat level that stops at once, where a pluck dies away.
std::vector<uint8_t> beep() {
    synth::Random random(37);
    std::vector<double> x(synth::kClipSamples);
    for (size_t i = 0; i < x.size(); ++i) {
        const double t = double(i) / cardRate(kPas);
        double v = 0;
        for (int k = 1; t >= 0.06 && t < 0.26 && k <= 7; ++k)
            v += std::sin(std::numbers::pi * k * 0.4) / k *
                 std::sin(2 * std::numbers::pi * 440 * k * t);
        x[i] = 50 * v + 4 * random.normal();
    }
    return synth::quantise(x);
}

// A vowel: partials as clean as a belt's, but it rises over 60 ms, holds 150 ms and stops.
std::vector<uint8_t> vowel() {
    synth::Random random(29);
    std::vector<uint8_t> clip(synth::kClipSamples);
    for (size_t i = 0; i < clip.size(); ++i) {
        const double t = double(i) / cardRate(kPas) - 0.08;
        const double gain = std::clamp(std::min(t / 0.06, 1 - (t - 0.21) / 0.06), 0.0, 1.0);
        double v = 0;
        for (int n = 1; n <= 6; ++n) v += std::sin(2 * std::numbers::pi * 196 * n * t) / n;
        clip[i] = uint8_t(std::lround(128 + 50 * gain * v + 0.5 * random.normal()));
    }
    return clip;
}

// A belt's last clip after three of loud noise: the newest samples count.
std::vector<uint8_t> beltAfterNoise() {
    synth::Random random(19);
    std::vector<uint8_t> samples = synth::noise(random, 30, 4 * synth::kClipSamples);
    const auto last = synth::render(belt(80, 0.003), random);
    std::copy(last.begin(), last.end(), samples.end() - std::ptrdiff_t(last.size()));
    return samples;
}

// A voice at `hz` saying two syllables: each a quick rise and a fall of `fall` s, the second
// `again` as loud as the first, `gap` seconds after it; its pitch glides by `glide` of
// itself per second from `glideFrom` seconds on. A pluck decays once and holds its pitch.
std::vector<uint8_t> voice(double hz, double fall, double again, double gap, double glide = 0,
                           double glideFrom = 0) {
    synth::Random random(31);
    std::vector<double> x(synth::kClipSamples);
    double phase = 0;
    for (size_t i = 0; i < x.size(); ++i) {
        const double t = double(i) / cardRate(kPas) - 0.03;
        phase += hz * (1 + glide * std::max(0.0, t - glideFrom)) / cardRate(kPas);
        double gain = 0;
        for (const auto& [at, size] : {std::pair{0.0, 1.0}, std::pair{gap, again}})
            if (t >= at)
                gain += size * std::min(1.0, (t - at) / 0.004) * std::exp(-(t - at) / fall);
        double v = 0;
        for (int n = 1; n <= 6; ++n) v += std::sin(2 * std::numbers::pi * n * phase) / n;
        x[i] = 60 * gain * v + 0.4 * random.normal();
    }
    return synth::quantise(x);
}

// f1 = f0 sqrt(1 + B), not the harmonic average the partials suggest (the reported
// examples read 1 to 3 % high before); the fundamental, not the strongest partial; 0 Hz:
// no clear pitch must be given.
TEST(PitchEstimator, KnownRecordings) {
    const struct {
        const char* name;
        std::vector<uint8_t> samples;
        double hz, tolerance, b = -1;  // b < 0: not checked
        float pas = kPas;
    } cases[] = {
        {"stiff 122.8", stiff(122.8, 0.002), 122.8, 0.001, 0.002},
        {"stiff 377.1", stiff(377.1, 0.008), 377.1, 0.001, 0.008},
        {"stiff, weak first", stiff(61.3, 0.02, 2), 61.3, 0.001, 0.02},
        {"very stiff", stiff(250, 0.05, 1.5), 250, 0.001, 0.05},
        {"harmonic", stiff(90, 0, 2), 90, 0.001, 0},
        {"top of the range", stiff(995, 0.0015), 995, 0.001, 0.0015},
        {"three clips", stiff(10.6, 0.001, 1.5), 10.6, 0.001, 0.001},
        {"two clips", stiff(27, 0.002, 1.5), 27, 0.001, 0.002},
        {"four periods in one clip", stiff(12, 0.001, 1, 1), 0, 0},
        {"first missing", harmonics(41, {0, 1, 0.4, 0.4, 0.4}), 41, 0.005},
        {"fifth strongest", harmonics(87, {0.05, 0.3, 0.3, 0.3, 1, 0.3, 0.3}), 87, 0.005},
        {"even ones strong", harmonics(130, {0, 1, 0.2, 1, 0.2, 1, 0.2, 1}), 130, 0.005},
        {"odd ones only", harmonics(153, {1, 0, 0.5, 0, 0.3, 0, 0.2}), 153, 0.005},
        // No trace of 60.7 Hz: a belt of 121.4 Hz, never 60.7 or 40.5.
        {"even ones only", harmonics(60.7, {0, 1, 0, 0.8, 0, 0.6, 0, 0.5}, 0), 121.4, 0.005},
        // A belt of 706 Hz (partials 1 to 4 and 6) beside another sound's peak an octave under.
        {"a peak an octave under a belt",
         ring({{353.2, 0.15}, {706, 1}, {1420.6, 0.1}, {2151.6, 0.15}, {2907, 0.1}, {4520, 0.06}}),
         0, 0},
        {"newest samples", beltAfterNoise(), 80, 0.005},
        // A damped belt of 160.45 Hz whose first mode dies too fast to make a peak: its
        // partials 2, 3, 4, 8 and 12 and a stray peak. Not the series from its second.
        {"a brief ring without its first mode",
         ring({{160.45, 0.3, 0.01},
               {321.4, 1, 0.03},
               {483.6, 0.9, 0.03},
               {646.9, 0.3, 0.03},
               {1001.4, 0.03, 0.03},
               {1330.4, 0.03, 0.03},
               {2072.2, 0.04, 0.03}}),
         0, 0},
        // Its distortion gives the series at a quarter more peaks than the belt's own.
        {"clipped six times over", clipped(stiff(316.95, 0.0091), 6), 316.95, 0.002},
        // Such a belt's partials 1 to 6 with weak peaks between, as its first mode's fourth.
        {"clipped, a weak peak under it",
         ring({{79.5, 0.03},
               {317, 1},
               {642.4, 0.3},
               {984.4, 0.6},
               {1350.5, 0.3},
               {1747.3, 0.4},
               {2180.3, 0.5},
               {1546.2, 0.02},
               {1855.2, 0.015},
               {2072.5, 0.015}}),
         0, 0},
        // Without its first and third partials, clear odd ones as loud as the even ones.
        {"high-passed", harmonics(23.3, {0, 1, 0, 1, 1, 1, 1, 1}, 0.0097), 0, 0},
        // A quiet belt of 20.2 Hz (B 0.0006) through a phone: partials 2, 4, 5, 8, 10, 11, 13.
        {"high-passed, its odd partials weaker",
         ring({{40.37, 0.03},
               {81.08, 0.15},
               {101.62, 0.04},
               {164.46, 0.15},
               {207.7, 0.05},
               {229.8, 0.03},
               {275.2, 0.01}}),
         0, 0},
        // Equally loud, either could be the one meant; 10 dB apart, the louder is.
        {"two belts", twoBelts(137, 0.5), 0, 0},
        {"the louder of two belts", twoBelts(263, 0.76), 100, 0.002},
        // The louder one's first mode on a mains harmonic (4 x 60 Hz): not the quieter one.
        {"the louder of two belts on a mains harmonic",
         ring({{240.1, 1}, {481.4, 0.3}, {57.9, 0.2}, {115.8, 0.3}, {173.9, 0.1}}), 0, 0},
        {"alarm", alarm(), 0, 0},
        {"an engine let go", engineSlowing(25, 0.1), 0, 0},
        // Its first partial moves less than it can be placed to, the series as a whole more.
        {"an engine let go slowly", engineSlowing(30, 0.04), 0, 0},
        {"a beep", beep(), 0, 0},
        {"a belt over an engine 20 dB under its peak", beltOverEngine(-20), 200, 0.002},
        {"a belt over an engine as loud", beltOverEngine(0), 0, 0},
        // Not a third of the belt, nor the engine, nor refused.
        {"an engine's harmonics over a belt's", beltOverHarmonics(824.8, 45.7), 824.8, 0.002},
        {"a belt among an engine's harmonics", beltOverHarmonics(440.3, 27.5), 440.3, 0.002},
        // The engine's series takes the belt's partials as its every third: not the engine.
        {"a belt on an engine's harmonics",
         overHarmonics(harmonics(84.4, {1, 0.15, 0.1, 0.05}), 28.1, 4), 84.4, 0.002},
        // The engine's odd harmonics, held while the belt dies, fill the gaps of a series at
        // half the belt: louder than a sixteenth of the belt's partials, they are no belt.
        {"a belt on an engine's even harmonics",
         overHarmonics(harmonics(68.3, {1, 0.5, 0.3, 0.2}), 34.15, 12), 68.3, 0.005},
        // A harpsichord's odd partials sink slowly (15 % of their power over the clip) while
        // its louder even ones die: a string, not an engine's lines under a belt at 330.4 Hz.
        {"a string whose odd partials hold longer",
         ring({{165.2, 0.2, 6},
               {330.4, 0.6, 0.5},
               {495.6, 0.15, 6},
               {660.8, 0.5, 0.5},
               {826, 0.1, 6},
               {991.2, 0.4, 0.5}}),
         165.2, 0.005},
        // Its held harmonics bent the fit of a belt just above the engine 2 % high.
        {"a belt beside an engine's first harmonic",
         overHarmonics(harmonics(24.6, {1, 0.1, 0.05}), 20.91), 0, 0},
        {"a tap on a bar", tap(520, false), 0, 0},
        {"a tap on a plate", tap(333, true), 0, 0},
        {"a tap on a pipe on a bench", tap(220, true, 0.05, 0.2), 0, 0},
        {"one mode of a pipe on a bench", tap(440, false, 0.04, 0), 0, 0},
        {"vowel", vowel(), 0, 0},
        // A belt of 24.6 Hz (B 0.0013) whose second and third partials the room pulls by a
        // third and a half of a bin: the stiffness fitted through them read it 2 % low.
        {"three partials, two of them pulled", ring({{24.6, 0.5}, {48.6, 1}, {75.4, 1}}), 0, 0},
        {"one syllable", voice(150, 0.06, 0, 1), 150, 0.002},
        {"two syllables", voice(150, 0.06, 0.6, 0.2), 0, 0},
        {"steady for 150 ms, then gliding down", voice(300, 0.15, 0, 1, -0.2, 0.15), 0, 0},
        {"mains", synth::pureTone(50, 22050), 0, 0, -1, kExact},
        {"silence", std::vector<uint8_t>(synth::kClipSamples, 128), 0, 0},
        {"nothing", {}, 0, 0},
        {"no scale", synth::pureTone(100, 22050), 0, 0, -1, 0.0f},
    };
    PitchEstimator estimator;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto e = estimator.estimate(c.samples, c.pas);
        ASSERT_EQ(e.has_value(), c.hz > 0)
            << (e ? e->hz : 0) << " refusal " << int(estimator.lastRefusal());
        if (!e) continue;
        EXPECT_NEAR(e->hz / c.hz, 1, c.tolerance) << e->hz;
        const double b = c.b < 0 ? e->inharmonicity : c.b;
        EXPECT_NEAR(e->inharmonicity, b, std::max(0.0002, 0.1 * b));
    }
}

// Where a tone is expected, the ends of the belt range, a middle and the top at three
// scales to 0.05 %; where a belt is, a steady tone is no pluck. No reading of noise at any
// level, nor outside 10 .. 1000 Hz even when a caller asks for more.
TEST(PitchEstimator, TonesAndNoise) {
    PitchEstimator estimator, tones({.readSteadyTones = true});
    for (const float pas : {4.8f, kPas, 6.2f}) {
        for (const double f : {40.0, 131.7, 384.7, 995.0}) {
            const auto e = tones.estimate(synth::pureTone(f, cardRate(pas)), pas);
            ASSERT_TRUE(e) << f << " Hz at " << pas;
            EXPECT_NEAR(e->hz / f, 1, 0.0005) << f << " Hz at " << pas;
            EXPECT_FALSE(estimator.estimate(synth::pureTone(f, cardRate(pas)), pas));
            EXPECT_EQ(estimator.lastRefusal(), PitchRefusal::NotDecaying);
        }
    }
    synth::Random random(99);
    for (int i = 0; i < 40; ++i) {
        const double rms = random.uniform(0.5, 60);
        EXPECT_FALSE(estimator.estimate(
            synth::noise(random, rms, (1 + i % 2 * 2) * synth::kClipSamples), kPas))
            << rms;
    }
    PitchEstimator widened({.minHz = 1, .maxHz = 5000, .readSteadyTones = true});
    EXPECT_FALSE(widened.estimate(synth::pureTone(1500, cardRate(kPas)), kPas));
    EXPECT_FALSE(widened.estimate(synth::pureTone(7, cardRate(kPas), 100, 3 * 8820), kPas));
}

}  // namespace
}  // namespace vellora
