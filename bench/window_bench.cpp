// SPDX-License-Identifier: GPL-3.0-or-later
// The run as the user sees it, in the real window on the sound server in use: the
// period of a whole cycle with 2048 bins at full gain, as a ratio to the 400 ms clip
// (drawing and processing should vanish beside the capture); how long a press of the
// run button takes to end a run; and the analysis-mode redraw per mouse move.
// Run it under scripts/with-fake-soundcard; the drawing is offscreen unless a
// display is given.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <random>
#include <vector>

#include "audio/capture_sequence.h"
#include "audio/rtaudio_input.h"
#include "audio/rtaudio_sound_player.h"
#include "audio/wave_audio_recorder.h"
#include "calibration/calibration_tone.h"
#include "mainwindow/form1.h"
#include "mainwindow/picture_surface.h"
#include "measure/energy_gauge.h"
#include "support/line_by_line_surface.h"
#include "wave/recorder_wave.h"

namespace {

using namespace vellora;
using Clock = std::chrono::steady_clock;

constexpr double kClipMs = 400.0;
constexpr int kFullGainPosition = 20;  // gain 512 - 20 = 492
constexpr int kAllBins = 2048;
constexpr int kWarmupCycles = 2;  // the input stream opens in the first one
constexpr int kMeasuredCycles = 20;
constexpr int kRunawayCycles = 30;  // a press that never ends the run gives up here
constexpr const char* kNoiseFile = "noise.wav";

double msBetween(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double, std::milli>(b - a).count();
}

double percentile(std::vector<double> v, double q) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(q * double(v.size() - 1) + 0.5))];
}

// One second of loud white noise: most bars reach the top at full gain, so the gauge
// sweeps tens of thousands of lines, the heaviest cycle the window ever draws.
bool writeNoise() {
    std::mt19937 random(7);
    std::uniform_int_distribution<int> byte(0, 255);
    std::vector<uint8_t> samples(22050);
    for (uint8_t& s : samples) s = uint8_t(byte(random));
    const std::vector<uint8_t> file = pcmWaveFile(samples, 22050);
    std::ofstream out(kNoiseFile, std::ios::binary);
    out.write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));
    return bool(out);
}

std::string key(const char* section, int k) { return std::string(section) + std::to_string(k); }

// The window with the real recorder and a sound looping into the fake card's input.
// `beforeCapture` runs at the start of every cycle with the cycle's number in the run.
class LiveWindow {
  public:
    explicit LiveWindow(const char* sound) : recorder_(input_) {
        Form1Services s;
        s.text = key;
        s.showMessage = [this](const std::string& m) { problem = m; };
        s.capture = [this] {
            starts.push_back(Clock::now());
            if (beforeCapture) beforeCapture(int(starts.size()));
            int32_t retour = 0;
            const int32_t r = sendCaptureSequence(recorder_, retour);
            captureMs.push_back(msBetween(starts.back(), Clock::now()));
            return r;
        };
        window = std::make_unique<Form1>(std::move(s));
        window->CommandRun->setText("FORM110");
        window->enableMeasurementButtons();
        window->VScrollNiveau->setValue(kFullGainPosition);
        window->HScrollFrequence->setValue(kAllBins);
        window->show();
        QApplication::processEvents();
        playing = player_.sndPlaySound(sound, kSoundAsync | kSoundLoop);
    }
    ~LiveWindow() {
        player_.sndPlaySound(nullptr, 0);
        recorder_.send(closeAllCommand());
    }

    // One run until something in `beforeCapture` ends it; false when it failed.
    bool run() {
        starts.clear();
        captureMs.clear();
        problem.clear();
        window->CommandRun_Click();
        return problem.empty();
    }

    std::unique_ptr<Form1> window;
    std::function<void(int)> beforeCapture;
    std::vector<Clock::time_point> starts;
    std::vector<double> captureMs;
    std::string problem;
    bool playing = false;

  private:
    RtAudioInput input_;
    WaveAudioRecorder recorder_;
    RtAudioSoundPlayer player_;
};

// A fresh current directory for the recordings, removed afterwards.
class BenchFolder {
  public:
    BenchFolder() {
        char pattern[] = "/tmp/vellora-window-bench.XXXXXX";
        dir_ = mkdtemp(pattern);
        std::filesystem::current_path(dir_);
        int16_t frequenceCal = 0;
        ready = WriteCalibrationTone(440, frequenceCal).ok() && writeNoise();
    }
    ~BenchFolder() {
        std::filesystem::current_path("/");
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
    bool ready = false;

  private:
    std::filesystem::path dir_;
};

// Steady cycles of a run: from one capture's start to the next, and the part of it
// that is not the capture (processing, drawing, refresh, yield).
void BM_WindowCycle(benchmark::State& state, const char* sound) {
    BenchFolder folder;
    LiveWindow live(sound);
    if (!folder.ready || !live.playing) {
        state.SkipWithError("could not write or play the sound: is a sound server running?");
        return;
    }
    live.beforeCapture = [&](int cycle) {
        if (cycle == kWarmupCycles + kMeasuredCycles + 1) live.window->CommandRun_Click();
    };
    std::vector<double> periods, processing;
    for (auto _ : state) {
        if (!live.run()) {
            state.SkipWithError(("capture failed: " + live.problem).c_str());
            return;
        }
        double sum = 0;
        for (int k = kWarmupCycles; k < kWarmupCycles + kMeasuredCycles; ++k) {
            const double period = msBetween(live.starts[k], live.starts[k + 1]);
            periods.push_back(period);
            processing.push_back(period - live.captureMs[k]);
            sum += period;
        }
        state.SetIterationTime(sum / kMeasuredCycles / 1000.0);
    }
    state.counters["period_x400ms"] = percentile(periods, 0.5) / kClipMs;
    state.counters["p95_x400ms"] = percentile(periods, 0.95) / kClipMs;
    state.counters["max_x400ms"] = percentile(periods, 1.0) / kClipMs;
    state.counters["not_capture_ms"] = percentile(processing, 0.5);
    state.counters["energy"] = live.window->state.plot.EnergieSpectre;
}
BENCHMARK_CAPTURE(BM_WindowCycle, tone440, kCalibrationToneFile)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK_CAPTURE(BM_WindowCycle, loudNoise, kNoiseFile)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

// A click on the run button at a point spread over the cycle, through the event
// queue as a real press arrives, to the return of the run.
void BM_StopPressToRunEnd(benchmark::State& state) {
    BenchFolder folder;
    LiveWindow live(kCalibrationToneFile);
    if (!folder.ready || !live.playing) {
        state.SkipWithError("could not write or play the sound: is a sound server running?");
        return;
    }
    constexpr int kOffsets = 10;
    int iteration = 0;
    Clock::time_point due;
    live.beforeCapture = [&](int cycle) {
        if (cycle == kWarmupCycles + 1) {
            const int offsetMs = int(kClipMs) * (iteration % kOffsets) / kOffsets;
            due = Clock::now() + std::chrono::milliseconds(offsetMs);
            QTimer::singleShot(offsetMs, live.window->CommandRun, &QPushButton::click);
        }
        if (cycle == kRunawayCycles) live.window->CommandRun_Click();
    };
    std::vector<double> latencies, cycles;
    for (auto _ : state) {
        if (!live.run()) {
            state.SkipWithError(("capture failed: " + live.problem).c_str());
            return;
        }
        if (int(live.starts.size()) >= kRunawayCycles) {
            state.SkipWithError("the press did not end the run");
            return;
        }
        const double ms = msBetween(due, Clock::now());
        latencies.push_back(ms);
        cycles.push_back(double(live.starts.size() - kWarmupCycles));
        state.SetIterationTime(ms / 1000.0);
        ++iteration;
    }
    state.counters["max_x400ms"] = percentile(latencies, 1.0) / kClipMs;
    state.counters["max_cycles_after_press"] = percentile(cycles, 1.0);
}
BENCHMARK(BM_StopPressToRunEnd)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

// Analysis mode: each mouse move over the spectrum clears it, redraws every bar from
// the bar table with the marker, and shows it. No sound card: one cycle of a noise
// recording fills the table.
void BM_AnalysisRedrawPerMouseMove(benchmark::State& state) {
    BenchFolder folder;
    Form1Services s;
    s.text = key;
    Form1* raw = nullptr;
    s.capture = [&raw] {
        std::filesystem::copy_file(kNoiseFile, "test.wav",
                                   std::filesystem::copy_options::overwrite_existing);
        raw->CommandRun_Click();  // this cycle is the run's last
        return 0;
    };
    Form1 w(std::move(s));
    raw = &w;
    w.CommandRun->setText("FORM110");
    w.CommandAnalyse->setText("FORM16");
    w.VScrollNiveau->setValue(kFullGainPosition);
    w.HScrollFrequence->setValue(int(state.range(0)));
    w.show();
    QApplication::processEvents();
    w.CommandRun_Click();
    w.CommandAnalyse_Click();

    const int width = w.Im_Spectre->width();
    const double y = w.Im_Spectre->height() / 2.0;
    int x = 0;
    for (auto _ : state) {
        const QPointF at(x, y);
        QMouseEvent move(QEvent::MouseMove, at, w.Im_Spectre->mapToGlobal(at), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(w.Im_Spectre, &move);
        x = (x + 7) % width;
    }
    state.counters["bins"] = double(state.range(0));
}
BENCHMARK(BM_AnalysisRedrawPerMouseMove)->Arg(1024)->Arg(kAllBins)->Unit(benchmark::kMicrosecond);

// The gauge alone at the window's size with loud-noise energies as BM_WindowCycle
// sees them (2048 bins at the top of a 343-pixel spectrum: some 35,000 lines a
// sweep), changing from cycle to cycle. Argument 0: every line drawn one by one, as
// the gauge did before; 1: as the cycle draws it.
void BM_EnergyGaugeLoudNoise(benchmark::State& state) {
    constexpr int32_t kEnergieMax = kAllBins * 343;
    const int32_t energies[] = {703000, 698500, 701200, 705900, 699800, 702600, 697300, 704400};
    PictureSurface gauge(PictureSurface::Scale::Twips, QPalette::ToolTipBase);
    gauge.resize(153, 89);  // the window's gauge at 96 dots per inch
    gauge.show();
    QApplication::processEvents();
    test::LineByLineSurface oneByOne(gauge);
    DrawingSurface& target = state.range(0) ? static_cast<DrawingSurface&>(gauge) : oneByOne;
    int32_t previous = 0;
    drawEnergyGauge(target, energies[0], kEnergieMax, previous);  // the run's first cycle
    size_t cycle = 0;
    for (auto _ : state) {
        drawEnergyGauge(target, energies[++cycle % std::size(energies)], kEnergieMax, previous);
        benchmark::DoNotOptimize(gauge.image().constBits());
    }
}
BENCHMARK(BM_EnergyGaugeLoudNoise)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    // Offscreen unless there is a display to draw on.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM") && !qEnvironmentVariableIsSet("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
