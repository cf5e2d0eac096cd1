// The precise estimator's cost per cycle, beside the 400 ms capture it follows.
#include <benchmark/benchmark.h>

#include "pitch/pitch_estimator.h"
#include "support/pitch_synth.h"

namespace {

using namespace vellora;

constexpr float kPas = 5.4171f;

void BM_PreciseEstimatePluck(benchmark::State& state) {
    synth::Random random(1);
    const synth::Pluck p = synth::randomBelt(random, double(state.range(0)), cardRate(kPas));
    const std::vector<uint8_t> clip = synth::render(p, random);
    PitchEstimator estimator;
    for (auto _ : state) benchmark::DoNotOptimize(estimator.estimate(clip, kPas));
}
BENCHMARK(BM_PreciseEstimatePluck)->Arg(40)->Arg(120)->Arg(400)->Unit(benchmark::kMicrosecond);

// Noise stops after the period search, so it is the cheap case.
void BM_PreciseEstimateNoise(benchmark::State& state) {
    synth::Random random(2);
    const std::vector<uint8_t> clip = synth::noise(random, 20);
    PitchEstimator estimator;
    for (auto _ : state) benchmark::DoNotOptimize(estimator.estimate(clip, kPas));
}
BENCHMARK(BM_PreciseEstimateNoise)->Unit(benchmark::kMicrosecond);

// A first call builds the transform plans and buffers.
void BM_PreciseEstimateFirstCall(benchmark::State& state) {
    synth::Random random(3);
    const std::vector<uint8_t> clip =
        synth::render(synth::randomBelt(random, 90, cardRate(kPas)), random);
    for (auto _ : state) {
        PitchEstimator estimator;
        benchmark::DoNotOptimize(estimator.estimate(clip, kPas));
    }
}
BENCHMARK(BM_PreciseEstimateFirstCall)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
