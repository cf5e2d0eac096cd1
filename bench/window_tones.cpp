// SPDX-License-Identifier: GPL-3.0-or-later
// window_tones [SECONDS]: steady pure tones in the real window on the sound server in use
// (run it under scripts/with-fake-soundcard, whose output loops back to its input). The
// window as main() builds it, on the card's true scale, without a noise line: a looped
// 110 Hz and a 101.3 Hz tone for SECONDS each (default 120), every clip's precise
// read-out taken as shown; then the calibration at 100 Hz, the program playing its own
// tone, for a quarter of that. A steady tone may be refused, but a number shown must be
// its own (within 0.5 %); while calibrating the 100 Hz tone must read "100.0 Hz".
// Prints the counts a tone and every other number shown; exits 1 when any was wrong, 77
// without the fake sound card (a few seconds of it are one of the tests).
#include <QApplication>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "audio/rtaudio_sound_player.h"
#include "calibration/calibration_tone.h"
#include "mainwindow/form1.h"
#include "mainwindow/program_parts.h"
#include "settings/data_files.h"
#include "wave/recorder_wave.h"

namespace {

using namespace vellora;

constexpr double kClipSeconds = 0.4;
constexpr uint32_t kRate = 22050;
constexpr float kTrueStep = 22050.0f / 4096;  // the fake card keeps its rate exactly

// Ten seconds of a pure tone, a whole number of periods for tones in tenths of a hertz,
// so the loop joins without a click.
bool writeTone(const std::string& file, double hz) {
    std::vector<uint8_t> samples(10 * kRate);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] =
            clipSample(float(0.5 * std::sin(2 * std::numbers::pi * hz * double(i) / kRate)));
    const std::vector<uint8_t> bytes = pcmWaveFile(samples, kRate);
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return bool(out);
}

// What one run showed: the read-out's text after every clip.
struct Shown {
    int clips = 0, refused = 0, own = 0;
    int heard = 0;  // clips whose strongest bar lies on the tone: it did reach the window
    std::map<std::string, int> others;  // any number not the tone's own, and how often
    std::map<std::string, int> refusals;
};

class TonesWindow {
  public:
    TonesWindow()
        : parts_(std::filesystem::current_path() / kSettingsFileName, VELLORA_RUNTIME_DIR) {
        Form1Services s = parts_.services();
        s.showMessage = [this](const std::string& m) { problem = m; };
        s.askOkCancel = [](const std::string&) { return true; };
        auto capture = std::move(s.capture);
        s.capture = [this, capture] {
            if (beforeCapture) beforeCapture(++cycle_);
            return capture();
        };
        window = std::make_unique<Form1>(std::move(s));
        window->Form_Load();
        window->enableMeasurementButtons();
        window->state.plot.PasFrequence = kTrueStep;
        window->show();
        QApplication::processEvents();
    }

    // Listens for `clips` clips, the first two left out (the sound before may linger),
    // with the calibration tone when `calibrate`, else with `file` looping.
    Shown listen(double hz, int clips, bool calibrate, const std::string& file = {}) {
        Shown shown;
        cycle_ = 0;
        beforeCapture = [&](int cycle) {
            if (cycle > 3) take(shown, hz, calibrate);
            if (cycle == clips + 3) window->CommandRun_Click();
        };
        if (calibrate) {
            window->state.FrequenceCal = int16_t(hz);
            window->CommandCalibrate_Click();  // returns when the run ends
            window->CommandCalibrate_Click();  // the tone stops
        } else {
            if (!player_.sndPlaySound(file.c_str(), kSoundAsync | kSoundLoop)) {
                problem = "could not play " + file;
                return shown;
            }
            window->CommandRun_Click();
            player_.sndPlaySound(nullptr, 0);
        }
        beforeCapture = nullptr;
        return shown;
    }

    std::unique_ptr<Form1> window;
    std::function<void(int)> beforeCapture;
    std::string problem;

  private:
    // The read-out as the last clip left it: a number with its unit, or a refusal. Its
    // own number: within 0.5 %, or with `exact` the tone to the tenth shown.
    void take(Shown& shown, double hz, bool exact) {
        ++shown.clips;
        const double bar = window->state.plot.IndicePic * window->state.plot.PasFrequence;
        shown.heard += std::abs(bar - hz) < window->state.plot.PasFrequence;
        const QString t = window->TextFondamentale->text();
        if (!window->TextFondamentale->isVisible() || !t.endsWith(QChar(0xA0) + QString("Hz"))) {
            ++shown.refused;
            ++shown.refusals[window->TextFondamentale->isVisible() ? t.toStdString() : "(none)"];
            return;
        }
        bool ok = false;
        const double read = QLocale().toDouble(t.chopped(3), &ok);
        if (ok && (exact ? std::abs(read - hz) < 0.05 : std::abs(read / hz - 1) <= 0.005))
            ++shown.own;
        else
            ++shown.others[t.toStdString()];
    }

    ProgramParts parts_;
    RtAudioSoundPlayer player_;
    int cycle_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM") && !qEnvironmentVariableIsSet("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (!qEnvironmentVariableIsSet("VELLORA_FAKE_SOUNDCARD_SERVER")) {
        std::fprintf(stderr, "window_tones: run it under scripts/with-fake-soundcard\n");
        return 77;
    }
    QApplication app(argc, argv);
    const double seconds = argc > 1 ? std::atof(argv[1]) : 120;
    const int clips = std::max(1, int(std::lround(seconds / kClipSeconds)));
    char pattern[] = "/tmp/vellora-window-tones.XXXXXX";
    const std::filesystem::path dir = mkdtemp(pattern);
    std::filesystem::current_path(dir);
    bool wrong = false;
    {
        TonesWindow live;
        const auto report = [&](const char* what, double hz, const Shown& s) {
            std::printf("%-26s clips %4d (heard %4d)  its own %4d  refused %4d  other %4d\n", what,
                        s.clips, s.heard, s.own, s.refused, s.clips - s.own - s.refused);
            for (const auto& [text, n] : s.refusals)
                std::printf("    refused: \"%s\" %d times\n", text.c_str(), n);
            for (const auto& [text, n] : s.others)
                std::printf("    %s shown %d times (the tone %.1f Hz)\n", text.c_str(), n, hz);
            wrong = wrong || !s.others.empty() || s.heard < s.clips || !live.problem.empty();
            if (!live.problem.empty()) std::printf("    problem: %s\n", live.problem.c_str());
        };
        for (const double hz : {110.0, 101.3}) {
            const std::string file = "tone" + std::to_string(int(hz * 10)) + ".wav";
            if (!writeTone(file, hz)) return 2;
            char what[48];
            std::snprintf(what, sizeof what, "%.1f Hz tone, looped", hz);
            report(what, hz, live.listen(hz, clips, false, file));
        }
        const Shown cal = live.listen(100, std::max(3, clips / 4), true);
        report("100 Hz while calibrating", 100, cal);
        // Exactly the tone, to the tenth shown, every time it is read.
        wrong = wrong || cal.own == 0;
    }
    std::filesystem::current_path("/");
    std::filesystem::remove_all(dir);
    return wrong ? 1 : 0;
}
