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

// The window's cycle for a 12 Hz belt: the newest clip alone tells nothing, so the run's
// last three clips are read as well; once a reading came from them, they come first.
void BM_MeterLowestDecade(benchmark::State& state) {
    synth::Random random(4);
    synth::StiffPluck p = material::randomStiffBelt(random, 12, 0.001, cardRate(kPas));
    p.samples = 3 * synth::kClipSamples;
    const std::vector<uint8_t> all = synth::render(p, random);
    const std::span<const uint8_t> clips(all);
    PreciseMeter meter;
    for (auto _ : state) {
        state.PauseTiming();
        meter.startRun();
        meter.belt(clips.subspan(0, synth::kClipSamples), kPas);
        meter.belt(clips.subspan(synth::kClipSamples, synth::kClipSamples), kPas);
        if (state.range(0)) meter.belt(clips.subspan(2 * synth::kClipSamples), kPas);
        state.ResumeTiming();
        benchmark::DoNotOptimize(meter.belt(clips.subspan(2 * synth::kClipSamples), kPas));
    }
}
// 0: the first reading from the run's clips; 1: the cycles after it.
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
