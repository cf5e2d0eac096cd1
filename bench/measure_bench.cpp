// SPDX-License-Identifier: GPL-3.0-or-later
// The measurement core's costs per cycle, beside the 400 ms capture they follow.
#include <benchmark/benchmark.h>
#include <fftw3.h>

#include <cmath>
#include <vector>

#include "measure/cycle_processing.h"
#include "measure/fft.h"
#include "measure/null_surface.h"

namespace {

using namespace vellora;

// A 400 ms clip as the recorder saves it: 44-byte header and 8820 samples.
std::vector<uint8_t> clip() {
    std::vector<uint8_t> file(8864, 128);
    for (size_t k = 44; k < file.size(); ++k)
        file[k] = uint8_t(std::lround(128 + 90 * std::sin(2 * M_PI * 440.0 * double(k) / 22050)));
    return file;
}

void BM_ReadRecording(benchmark::State& state) {
    const auto file = clip();
    SpectrumArrays arrays;
    for (auto _ : state) {
        const Recording rec = readRecordingBytes(file);
        fillSpectrumArrays(rec, arrays);
        benchmark::DoNotOptimize(arrays.reel.data());
    }
}
BENCHMARK(BM_ReadRecording);

void BM_FFT4096(benchmark::State& state) {
    SpectrumArrays input;
    fillSpectrumArrays(readRecordingBytes(clip()), input);
    SpectrumArrays work;
    for (auto _ : state) {
        work = input;
        FFT(kTransformSize, work.reel.data(), work.imaginaire.data());
        benchmark::DoNotOptimize(work.reel.data());
    }
}
BENCHMARK(BM_FFT4096);

void BM_FFTW3f_4096(benchmark::State& state) {
    SpectrumArrays input;
    fillSpectrumArrays(readRecordingBytes(clip()), input);
    fftwf_complex* buf = fftwf_alloc_complex(kTransformSize);
    fftwf_plan plan = fftwf_plan_dft_1d(kTransformSize, buf, buf, FFTW_FORWARD, FFTW_MEASURE);
    for (auto _ : state) {
        for (int t = 0; t < kTransformSize; ++t) {
            buf[t][0] = input.reel[t];
            buf[t][1] = input.imaginaire[t];
        }
        fftwf_execute(plan);
        benchmark::DoNotOptimize(buf);
    }
    fftwf_destroy_plan(plan);
    fftwf_free(buf);
}
BENCHMARK(BM_FFTW3f_4096);

void BM_WholeCycleWithoutDrawing(benchmark::State& state) {
    const auto file = clip();
    NullSurface im(1024, 594);
    NullSurface gauge(153, 89);
    SpectrumArrays arrays;
    PlotState st;
    st.Amplification = 266;
    st.NbFrequencesAffichees = static_cast<int16_t>(state.range(0));
    PeakVote vote(5);
    int32_t previous = 0;
    for (auto _ : state) {
        const Recording rec = readRecordingBytes(file);
        benchmark::DoNotOptimize(processCycle(rec, im, &gauge, arrays, st, vote, previous));
    }
}
BENCHMARK(BM_WholeCycleWithoutDrawing)->Arg(1024)->Arg(2048);

}  // namespace

BENCHMARK_MAIN();
