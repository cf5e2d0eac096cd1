// SPDX-License-Identifier: GPL-3.0-or-later
// The precise estimator's cost per cycle, beside the 400 ms capture it follows: one clip
// for belts from 40 Hz, three for the lowest decade, and the cheap refusals; and the
// window's own calls through its meter (noise with and without a set-up, the lowest
// decade's first reading and those after it).
#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>

#include "mainwindow/precise_meter.h"
#include "pitch/pitch_estimator.h"
#include "pitch_material.h"
#include "support/pitch_synth.h"

namespace {

using namespace vellora;

constexpr float kPas = 5.4171f;

void BM_StiffBelt(benchmark::State& state) {
    synth::Random random(1);
    const double f1 = double(state.range(0));
    const synth::StiffPluck p = material::randomStiffBelt(random, f1, 0.005, cardRate(kPas));
    const std::vector<uint8_t> clip = synth::render(p, random);
    PitchEstimator estimator;
    for (auto _ : state) benchmark::DoNotOptimize(estimator.estimate(clip, kPas));
    state.counters["samples"] = double(clip.size());
}
// 12 Hz gets three clips, 30 Hz two (synth::clipsFor).
BENCHMARK(BM_StiffBelt)
    ->Arg(12)
    ->Arg(30)
    ->Arg(40)
    ->Arg(120)
    ->Arg(400)
    ->Arg(1000)
    ->Unit(benchmark::kMillisecond);

void BM_LegacyPluck(benchmark::State& state) {
    synth::Random random(1);
    const synth::Pluck p = synth::randomBelt(random, double(state.range(0)), cardRate(kPas));
    const std::vector<uint8_t> clip = synth::render(p, random);
    PitchEstimator estimator;
    for (auto _ : state) benchmark::DoNotOptimize(estimator.estimate(clip, kPas));
}
BENCHMARK(BM_LegacyPluck)->Arg(40)->Arg(400)->Unit(benchmark::kMillisecond);

// A short, stiff span damped hard (25 ms), read from its brief ring.
void BM_DampedBelt(benchmark::State& state) {
    synth::Random random(5);
    synth::StiffPluck p = material::randomStiffBelt(random, 430, 0.004, cardRate(kPas));
    p.decaySeconds = 0.025;
    const std::vector<uint8_t> clip = synth::render(p, random);
    PitchEstimator estimator;
    for (auto _ : state) benchmark::DoNotOptimize(estimator.estimate(clip, kPas));
}
BENCHMARK(BM_DampedBelt)->Unit(benchmark::kMillisecond);

// The workshop generator's first 20 belts damped to 15-45 ms, one an iteration (-1), and
// the slowest of them alone (2): most are read from the decay of their partials fitted
// over the ring.
void BM_DampedBelts(benchmark::State& state) {
    const auto cases = material::makeSet("w-damped", 20);
    PitchEstimator estimator;
    size_t i = 0;
    for (auto _ : state) {
        const auto& c = cases[state.range(0) >= 0 ? size_t(state.range(0)) : i++ % cases.size()];
        benchmark::DoNotOptimize(estimator.estimateAtRate(c.samples, c.rate));
    }
}
BENCHMARK(BM_DampedBelts)->Arg(-1)->Arg(2)->Unit(benchmark::kMillisecond);

// A two-tone alarm (960 and 770 Hz in turn every 150 ms): refused as a held sound.
void BM_Alarm(benchmark::State& state) {
    std::vector<uint8_t> clip(synth::kClipSamples);
    double phase = 0;
    for (size_t i = 0; i < clip.size(); ++i) {
        phase += (std::fmod(double(i) / 22050, 0.3) < 0.15 ? 960 : 770) / cardRate(kPas);
        clip[i] = uint8_t(std::lround(128 + 60 * std::sin(2 * std::numbers::pi * phase)));
    }
    PitchEstimator estimator;
    for (auto _ : state) benchmark::DoNotOptimize(estimator.estimate(clip, kPas));
}
BENCHMARK(BM_Alarm)->Unit(benchmark::kMillisecond);

// The workshop generator's first belt with an engine's harmonics 10 dB under it.
void BM_BeltOverEngine(benchmark::State& state) {
    const auto cases = material::makeSet("w-engine", 1);
    PitchEstimator estimator;
    for (auto _ : state)
        benchmark::DoNotOptimize(estimator.estimateAtRate(cases[0].samples, cases[0].rate));
}
BENCHMARK(BM_BeltOverEngine)->Unit(benchmark::kMillisecond);

void BM_Noise(benchmark::State& state) {
    synth::Random random(2);
    const std::vector<uint8_t> clip = synth::noise(random, 20, 3 * synth::kClipSamples);
    PitchEstimator estimator;
    for (auto _ : state) benchmark::DoNotOptimize(estimator.estimate(clip, kPas));
}
BENCHMARK(BM_Noise)->Unit(benchmark::kMillisecond);

void BM_Speech(benchmark::State& state) {
    synth::Random random(3);
    const std::vector<uint8_t> clip = synth::speechLike(random);
    PitchEstimator estimator;
    for (auto _ : state) benchmark::DoNotOptimize(estimator.estimate(clip, kPas));
}
BENCHMARK(BM_Speech)->Unit(benchmark::kMillisecond);

// The window's cycle for a 12 Hz belt plucked a clip after the run began: the newest clip
// alone tells nothing, nor do the run's clips until they hold 800 ms of the ring; the
// first reading comes from the last three clips after the newest one alone was refused
// (0). Once a reading came from them, they come first (1: the next cycle, the pluck's
// three clips).
void BM_MeterLowestDecade(benchmark::State& state) {
    synth::Random random(4);
    synth::StiffPluck p = material::randomStiffBelt(random, 12, 0.001, cardRate(kPas));
    p.onsetSeconds += 0.4;
    p.samples = 4 * synth::kClipSamples;
    const std::vector<uint8_t> all = synth::render(p, random);
    const auto clip = [&](size_t k) {
        return std::span<const uint8_t>(all).subspan(k * synth::kClipSamples, synth::kClipSamples);
    };
    const size_t measured = state.range(0) ? 3 : 2;
    PreciseMeter meter;
    bool read = true;
    for (auto _ : state) {
        state.PauseTiming();
        meter.startRun();
        for (size_t k = 0; k < measured; ++k)
            read &= meter.belt(clip(k), kPas).has_value() == (k == 2);
        state.ResumeTiming();
        const auto reading = meter.belt(clip(measured), kPas);
        read &= reading.has_value();
        benchmark::DoNotOptimize(reading);
    }
    // The pattern as described, or the figure times another one.
    if (!read) state.SkipWithError("the belt did not read as the window's cycles do");
}
BENCHMARK(BM_MeterLowestDecade)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The window's cycle on background noise, as the meter calls it every cycle of a run that
// waits for a pluck: 0 without a set-up, 1 with a set-up's target range chosen (searched
// round the target first, then over the whole range), each time a new 400 ms clip.
void BM_MeterNoise(benchmark::State& state) {
    synth::Random random(5);
    constexpr size_t kClips = 8;
    const std::vector<uint8_t> all = synth::noise(random, 20, kClips * synth::kClipSamples);
    const std::span<const uint8_t> clips(all);
    const std::optional<Range> target =
        state.range(0) ? std::optional<Range>(Range{95, 105}) : std::nullopt;
    PreciseMeter meter;
    meter.startRun();
    size_t k = 0;
    for (auto _ : state) {
        const auto clip = clips.subspan(k++ % kClips * synth::kClipSamples, synth::kClipSamples);
        benchmark::DoNotOptimize(meter.belt(clip, kPas, target));
    }
}
BENCHMARK(BM_MeterNoise)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The window's dearest cycle: a sound it refuses, three clips into a run, so the newest clip
// and the run's clips are both estimated, each round the set-up's target and then over the
// whole range (1), or without a set-up (0). Two belts plucked together, refused one by one.
void BM_MeterRefusal(benchmark::State& state) {
    std::vector<std::span<const uint8_t>> refused;
    const auto cases = material::makeSet("w-twobelts", 40);
    PitchEstimator probe;
    for (const auto& c : cases)
        if (refused.size() < 3 && c.samples.size() >= synth::kClipSamples &&
            !probe.estimate(std::span(c.samples).first(synth::kClipSamples), kPas))
            refused.push_back(std::span(c.samples).first(synth::kClipSamples));
    const std::optional<Range> target =
        state.range(0) ? std::optional<Range>(Range{95, 105}) : std::nullopt;
    PreciseMeter meter;
    bool read = false;
    for (auto _ : state) {
        state.PauseTiming();
        meter.startRun();
        meter.belt(refused[0], kPas, target);
        meter.belt(refused[1], kPas, target);
        state.ResumeTiming();
        const auto reading = meter.belt(refused[2], kPas, target);
        read |= reading.has_value();
        benchmark::DoNotOptimize(reading);
    }
    if (read) state.SkipWithError("a reading, not the refusal timed");
}
BENCHMARK(BM_MeterRefusal)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// A first call builds the transform plans and buffers.
void BM_FirstCall(benchmark::State& state) {
    synth::Random random(3);
    const std::vector<uint8_t> clip =
        synth::render(material::randomStiffBelt(random, 90, 0.002, cardRate(kPas)), random);
    for (auto _ : state) {
        PitchEstimator estimator;
        benchmark::DoNotOptimize(estimator.estimate(clip, kPas));
    }
}
BENCHMARK(BM_FirstCall)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
