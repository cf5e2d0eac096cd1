// SPDX-License-Identifier: GPL-3.0-or-later
// The run as the user sees it, in the real window on the sound server in use: the
// period of a whole cycle with 2048 bins at full gain, as a ratio to the 400 ms clip
// (drawing and processing should vanish beside the capture); how long a press of the
// run button takes to end a run; and the analysis-mode redraw per mouse move.
// Run it under scripts/with-fake-soundcard; the drawing is offscreen unless a
// display is given.
#include <benchmark/benchmark.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QEventLoop>
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
#include "audio/rtaudio_sound_player.h"
#include "audio/wave_audio_recorder.h"
#include "calibration/calibration_tone.h"
#include "mainwindow/form1.h"
#include "mainwindow/picture_surface.h"
#include "mainwindow/program_parts.h"
#include "measure/energy_gauge.h"
#include "settings/data_files.h"
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

// The window as main() builds it (language files, settings file, belt set-ups, the
// real recorder) with a sound looping into the fake card's input through a player of
// its own. `beforeCapture` runs at the start of every cycle with the cycle's number in
// the run; `saves` are the times each "test.wav" was written, from the file itself.
class LiveWindow {
  public:
    explicit LiveWindow(const char* sound, RtAudioInput::Options input = {})
        : parts_(std::filesystem::current_path() / kSettingsFileName, VELLORA_RUNTIME_DIR, {},
                 std::move(input)) {
        Form1Services s = parts_.services();
        s.showMessage = [this](const std::string& m) { problem = m; };
        s.askOkCancel = [](const std::string&) { return true; };
        auto capture = std::move(s.capture);
        s.capture = [this, capture] {
            starts.push_back(Clock::now());
            if (beforeCapture) beforeCapture(int(starts.size()));
            const int32_t r = capture();
            captureMs.push_back(msBetween(starts.back(), Clock::now()));
            saves.push_back(savedAt("test.wav"));
            return r;
        };
        window = std::make_unique<Form1>(std::move(s));
        window->Form_Load();
        window->enableMeasurementButtons();  // as after a calibration
        window->VScrollNiveau->setValue(kFullGainPosition);
        window->HScrollFrequence->setValue(kAllBins);
        window->show();
        QApplication::processEvents();
        playing = player_.sndPlaySound(sound, kSoundAsync | kSoundLoop);
    }
    ~LiveWindow() { player_.sndPlaySound(nullptr, 0); }

    // One run until something in `beforeCapture` ends it; false when it failed.
    bool run() {
        starts.clear();
        captureMs.clear();
        saves.clear();
        problem.clear();
        window->CommandRun_Click();
        return problem.empty();
    }

    std::unique_ptr<Form1> window;
    std::function<void(int)> beforeCapture;
    std::vector<Clock::time_point> starts;
    std::vector<double> captureMs;
    std::vector<double> saves;  // ms, the file's modification times
    std::string problem;
    bool playing = false;

  private:
    static double savedAt(const char* file) {
        struct stat st {};
        if (::stat(file, &st) != 0) return 0;
        return double(st.st_mtim.tv_sec) * 1e3 + double(st.st_mtim.tv_nsec) / 1e6;
    }

    ProgramParts parts_;
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
    std::vector<double> periods, saved, processing;
    for (auto _ : state) {
        if (!live.run()) {
            state.SkipWithError(("capture failed: " + live.problem).c_str());
            return;
        }
        double sum = 0;
        for (int k = kWarmupCycles; k < kWarmupCycles + kMeasuredCycles; ++k) {
            const double period = msBetween(live.starts[k], live.starts[k + 1]);
            periods.push_back(period);
            saved.push_back(live.saves[k + 1] - live.saves[k]);
            processing.push_back(period - live.captureMs[k]);
            sum += period;
        }
        state.SetIterationTime(sum / kMeasuredCycles / 1000.0);
    }
    // The period as the saved recordings show it, and between the cycles' starts.
    state.counters["saved_median_x400ms"] = percentile(saved, 0.5) / kClipMs;
    state.counters["saved_p95_x400ms"] = percentile(saved, 0.95) / kClipMs;
    state.counters["saved_max_x400ms"] = percentile(saved, 1.0) / kClipMs;
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

// Sound that is there at once: loud noise, a new stretch of it for each clip.
class InstantNoise : public AudioInput {
  public:
    int32_t open() override { return 0; }
    int32_t record(size_t count, std::chrono::milliseconds, std::vector<uint8_t>& out) override {
        out.resize(count);
        for (uint8_t& s : out) s = uint8_t(byte_(random_));
        return 0;
    }
    void release() override {}

  private:
    std::mt19937 random_{11};
    std::uniform_int_distribution<int> byte_{0, 255};
};

// The window's work per cycle without the wait for sound, for a profile of it (run under
// valgrind --tool=callgrind): the window as main() builds it, 2048 bins at full gain,
// loud noise from an input that has it at once, through the real recorder and its save.
void BM_WindowCycleWork(benchmark::State& state) {
    BenchFolder folder;
    ProgramParts parts(std::filesystem::current_path() / kSettingsFileName, VELLORA_RUNTIME_DIR);
    InstantNoise noise;
    WaveAudioRecorder recorder(noise);
    Form1Services s = parts.services();
    s.showMessage = [](const std::string&) {};
    int64_t cycles = 0;
    Form1* raw = nullptr;
    s.capture = [&] {
        if (++cycles % 64 == 0) raw->CommandRun_Click();  // the run's last cycle
        int32_t retour = 0;
        return sendCaptureSequence(recorder, retour);
    };
    Form1 w(std::move(s));
    raw = &w;
    w.Form_Load();
    w.enableMeasurementButtons();
    w.VScrollNiveau->setValue(kFullGainPosition);
    w.HScrollFrequence->setValue(kAllBins);
    w.show();
    QApplication::processEvents();
    for (auto _ : state) w.CommandRun_Click();  // 64 cycles
    state.SetItemsProcessed(cycles);            // cycles per second of CPU
}
BENCHMARK(BM_WindowCycleWork)->Unit(benchmark::kMillisecond)->Iterations(2);

// The first reading after Run: from the press to the end of the run's first cycle (clip
// read, drawn and shown), after the window has been idle 3 s (0) and after it was
// hidden long enough for the input to close (1; the idle close shortened to 1 s from
// the program's minute), shown again and Run pressed a moment later.
void BM_FirstReadingAfterRun(benchmark::State& state) {
    BenchFolder folder;
    RtAudioInput::Options options;
    options.idleClose = std::chrono::milliseconds(1000);
    LiveWindow live(kCalibrationToneFile, options);
    if (!folder.ready || !live.playing) {
        state.SkipWithError("could not write or play the sound: is a sound server running?");
        return;
    }
    const auto idle = [](int ms) {
        QEventLoop loop;
        QTimer::singleShot(ms, &loop, &QEventLoop::quit);
        loop.exec();
    };
    live.beforeCapture = [&](int cycle) {
        if (cycle == 2) live.window->CommandRun_Click();
    };
    std::vector<double> firsts;
    for (auto _ : state) {
        if (state.range(0)) {
            live.window->hide();
            idle(2500);
            live.window->show();
            idle(100);
        } else {
            idle(3000);
        }
        const Clock::time_point press = Clock::now();
        if (!live.run() || live.starts.size() < 2) {
            state.SkipWithError(("capture failed: " + live.problem).c_str());
            return;
        }
        const double ms = msBetween(press, live.starts[1]);
        firsts.push_back(ms);
        state.SetIterationTime(ms / 1000.0);
    }
    state.counters["median_ms"] = percentile(firsts, 0.5);
    state.counters["max_ms"] = percentile(firsts, 1.0);
}
BENCHMARK(BM_FirstReadingAfterRun)
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

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
