// SPDX-License-Identifier: GPL-3.0-or-later
// The main window offscreen: settings in a map, captions naming their language, section
// and key ("FrFORM110"), messages collected, a scripted recorder and loudspeaker.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <fstream>
#include <map>

#include "belt/belt_store.h"
#include "mainwindow/form1.h"
#include "mainwindow/picture_surface.h"
#include "support/fake_tone_player.h"
#include "support/pitch_synth.h"
#include "support/profile_test_support.h"
#include "support/qt_application.h"
#include "wave/recorder_wave.h"

namespace vellora::test {

namespace fs = std::filesystem;

inline constexpr double kExactPas = 22050.0 / 4096;

using testing::FakeTone;

// What a user may leave under a file's name: a "FIFO", a "folder", a "read-only" file or
// another program's CSV; false when it cannot be made.
inline bool occupied(const fs::path& f, const std::string& what) {
    if (what == "FIFO") return ::mkfifo(f.c_str(), 0644) == 0;
    if (what == "folder") return fs::create_directory(f);
    std::ofstream(f) << "name,amount\nbolts,4\n";
    if (what == "read-only") fs::permissions(f, fs::perms::owner_read | fs::perms::group_read);
    return true;
}

// 110 g/m over 400 mm, aimed at 80 to 95 Hz.
inline BeltSetup timingBelt() {
    return {.name = "Timing",
            .mass = 110,
            .spanMm = 400,
            .target = TargetKind::Frequency,
            .targetLow = 80,
            .targetHigh = 95};
}

class WindowTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { ensureGuiApplication(); }
    void SetUp() override {
        dir = fs::temp_directory_path() / ("vellora_form1_" + std::to_string(::getpid()));
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
    std::string text(const char* section, int key) const {
        if (language == "none") return "Err!!";
        const std::string id = std::string(section) + std::to_string(key);
        if (texts.count(id)) return texts.at(id);
        // Texts that take values show where they go.
        return language.substr(0, 2) + id +
               (id.starts_with("FORM1") && key >= 43 ? " [%1|%2]" : "");
    }
    // Started as the program starts it; `clip(n)` makes the n-th recording.
    std::unique_ptr<Form1> started(std::function<int32_t(int)> clip = {}) {
        Form1Services s;
        s.text = [this](const char* section, int key) { return text(section, key); };
        s.readString = [this](const char* section, const char* key, const std::string& fallback,
                              int = 0) {
            auto it = values.find(std::string(section) + "/" + key);
            return it == values.end() ? fallback : it->second;
        };
        s.readInt = [read = s.readString](const char* section, const char* key, int32_t fallback) {
            return int32_t(
                std::strtol(read(section, key, std::to_string(fallback), 0).c_str(), nullptr, 10));
        };
        s.writeString = [this](const char* section, const char* key, const std::string& v) {
            writes.push_back(std::string(section) + "/" + key);
            values[writes.back()] = v;
            return written;
        };
        s.setLanguage = [this](const std::string& name) { language = name; };
        s.languageFilePath = [this] { return "/opt/vellora/" + language + ".lng"; };
        s.showHelp = [this](const std::string& f) {
            helpOpened.push_back(f);
            return helpExists ? Status() : Status(Failure::NotFound, f);
        };
        s.showMessage = [this](const std::string& m) { messages.push_back(m); };
        s.askOkCancel = [this](const std::string& q) { return questions.push_back(q), true; };
        s.endProgram = [this] { ++ended; };
        s.recordingDone = [this] { ++recordingsDone; };
        if (clip) s.capture = [this, clip] { return clip(++clips); };
        s.tone = tone;
        s.recordingPath = (dir / "test.wav").string();
        s.toneFolder = dir;
        s.beltStore = &belts;
        s.readingsFile = readingsFile;
        auto w = std::make_unique<Form1>(std::move(s));
        w->Form_Load();
        return w;
    }
    // Calibrated to the clips' scale and ready to measure.
    static void ready(Form1& w) {
        w.state.PremiereCalibration = false;
        w.enableMeasurementButtons();
        w.state.plot.PasFrequence = float(kExactPas);
    }
    // The noise line fixed at the bottom: the next run stops on its first clip.
    static void armAtBottom(Form1& w) {
        w.CommandBruit_Click();
        w.Im_Spectre_MouseMove(0, 0, 10, float(w.Im_Spectre->scaleHeight() - 1));
        w.Im_Spectre_Click();
    }
    void writeClip(const std::vector<uint8_t>& samples) {
        testing::writeBytes(dir / "test.wav", pcmWaveFile(samples, 22050));
    }
    fs::path dir;
    std::string language = "Français";
    std::map<std::string, std::string> texts;   // "FORM182": a caption of its own
    std::map<std::string, std::string> values;  // "SETTINGS/Niveau"
    std::vector<std::string> writes, messages, questions, helpOpened;
    bool helpExists = true;
    Status written;  // what every settings write gives back
    int ended = 0, clips = 0, recordingsDone = 0;
    TonePlayer* tone = nullptr;
    MemoryBeltStore belts;
    fs::path readingsFile;  // none: the readings last for the session
};

}  // namespace vellora::test
