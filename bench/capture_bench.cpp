// SPDX-License-Identifier: GPL-3.0-or-later
// Measures the capture cycle (the eight commands) on the sound server in use, as
// ratios to the 400 ms clip: the steady cycle of a run, the first clip of a run (from
// "open new" to the saved file) once the input has closed for idleness and when a
// run follows a trigger stop a few seconds later, and the cycle when the stream is
// reopened every time.
// Run it under scripts/with-fake-soundcard. Usage: bench_capture [steady cycles]
#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "audio/capture_sequence.h"
#include "audio/rtaudio_input.h"
#include "audio/rtaudio_sound_player.h"
#include "audio/wave_audio_recorder.h"
#include "calibration/calibration_tone.h"

namespace {

using namespace vellora;
using Clock = std::chrono::steady_clock;
constexpr double kClipMs = 400.0;

double msSince(Clock::time_point t) {
    return std::chrono::duration<double, std::milli>(Clock::now() - t).count();
}

void idleFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

struct Summary {
    double median, p95, max;
};

Summary summarise(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const auto at = [&](double q) {
        return v[std::min(v.size() - 1, size_t(q * double(v.size() - 1) + 0.5))];
    };
    return {at(0.5), at(0.95), v.back()};
}

void report(const char* what, size_t n, const Summary& s) {
    std::printf("%-44s n=%-3zu median %.3f  p95 %.3f  max %.3f  (x 400 ms)\n", what, n,
                s.median / kClipMs, s.p95 / kClipMs, s.max / kClipMs);
}

// Times whole cycles; false when one failed.
bool cycles(CommandRecorder& recorder, int n, std::vector<double>& times) {
    for (int i = 0; i < n; ++i) {
        int32_t retour = 0;
        const auto start = Clock::now();
        if (sendCaptureSequence(recorder, retour) != 0) {
            std::printf("cycle %d failed with %d\n", i, retour);
            return false;
        }
        times.push_back(msSince(start));
    }
    return true;
}

// The first clip of a run, from "open new" to the saved file, `pauseMs` after the
// previous run ended; the input closes after `idleClose`. False when one failed, or
// when the stream was not in the state the case is about.
bool firstClips(int n, std::chrono::milliseconds idleClose, int pauseMs, bool expectOpen,
                std::vector<double>& times) {
    RtAudioInput::Options options;
    options.idleClose = idleClose;
    RtAudioInput input(options);
    WaveAudioRecorder recorder(input);
    std::vector<double> ignored;
    if (!cycles(recorder, 1, ignored)) return false;  // the run before
    for (int i = 0; i < n; ++i) {
        recorder.send(closeAllCommand());
        idleFor(pauseMs);  // the server may let an idle device sleep meanwhile
        if (input.streamOpen() != expectOpen) return false;
        const auto start = Clock::now();
        int32_t code = 0;
        for (int c = 1; c < kCaptureCommandCount && code == 0; ++c)
            code = recorder.send(captureCommands()[c]);
        if (code != 0) {
            std::printf("first clip failed with %d\n", code);
            return false;
        }
        times.push_back(msSince(start));
    }
    return true;
}

bool runScenario(const char* name, int steadyCycles) {
    std::printf("-- %s\n", name);
    std::vector<double> cold, warm;
    if (!firstClips(5, std::chrono::milliseconds(100), 3000, false, cold)) return false;
    report("first clip, input closed when idle (open .. save)", cold.size(), summarise(cold));
    if (!firstClips(5, RtAudioInput::Options{}.idleClose, 3000, true, warm)) return false;
    report("first clip 3 s after a trigger stop (open .. save)", warm.size(), summarise(warm));

    RtAudioInput input;
    WaveAudioRecorder recorder(input);
    std::vector<double> warmup, steady;
    if (!cycles(recorder, 2, warmup) || !cycles(recorder, steadyCycles, steady)) return false;
    report("steady cycle, one stream kept open", steady.size(), summarise(steady));

    RtAudioInput::Options reopenEveryTime;
    reopenEveryTime.idleClose = std::chrono::milliseconds(0);
    RtAudioInput reopening(reopenEveryTime);
    WaveAudioRecorder reopeningRecorder(reopening);
    std::vector<double> reopened;
    if (!cycles(reopeningRecorder, 10, reopened)) return false;
    report("cycle with the stream reopened every time", reopened.size(), summarise(reopened));
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int steadyCycles = argc > 1 ? std::max(30, std::atoi(argv[1])) : 40;
    char pattern[] = "/tmp/vellora-capture-bench.XXXXXX";
    const std::filesystem::path dir = mkdtemp(pattern);
    std::filesystem::current_path(dir);

    bool ok = runScenario("measurement run, nothing playing", steadyCycles);
    int16_t frequenceCal = 0;
    RtAudioSoundPlayer player;
    ok = ok && WriteCalibrationTone(440, frequenceCal).ok() &&
         player.sndPlaySound(kCalibrationToneFile, kSoundAsync | kSoundLoop);
    ok = ok && runScenario("calibration run, 440 Hz tone looping", steadyCycles);
    player.sndPlaySound(nullptr, 0);

    std::filesystem::current_path("/");
    std::filesystem::remove_all(dir);
    if (!ok) std::printf("capture failed: is a sound server running?\n");
    return ok ? 0 : 1;
}
