#include "calibration/calibration_run.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "calibration/calibration_tone.h"

namespace vellora {
namespace {

namespace fs = std::filesystem;

class FakePlayer : public TonePlayer {
  public:
    bool works = true;
    std::string file;
    bool playLoop(const std::string& f) override {
        if (!works) return false;
        file = f;
        return on = true;
    }
    void stop() override { on = false; }
    bool playing() const override { return on; }
    bool on = false;
};

class FakeWindow : public CalibrationWindow {
  public:
    std::map<int, std::string> texts{{8, "Start Calibration"},
                                     {24, "Stop Calibration"},
                                     {10, "Run"},
                                     {23, "Stop"},
                                     {14, "Peak frequency"},
                                     {26, "Play "},
                                     {27, " Hz?"},
                                     {28, "Move until "},
                                     {29, " shows it."},
                                     {32, "Cannot write in %1"},
                                     {33, "Cannot play"},
                                     {53, "Cannot read %1"}};
    std::string calibrate = "Start Calibration", run = "Run", readout = "Hz";
    bool sliderEnabled = false, frame = false, answer = true, buttonsEnabled = false;
    std::vector<std::string> questions, problems;
    std::vector<bool> frameWhileAsked;
    int runClicks = 0;

    std::string text(int key) const override {
        auto it = texts.find(key);
        return it == texts.end() ? "Err!!" : it->second;
    }
    std::string calibrateCaption() const override { return calibrate; }
    void setCalibrateCaption(const std::string& c) override { calibrate = c; }
    void setCalibrateSliderEnabled(bool e) override { sliderEnabled = e; }
    void showQuestionFrame(bool s) override { frame = s; }
    bool askOkCancel(const std::string& q) override {
        questions.push_back(q);
        frameWhileAsked.push_back(frame);
        return answer;
    }
    void showProblem(const std::string& m) override { problems.push_back(m); }
    void showReadout(const std::string& t) override { readout = t; }
    void setReadout(const std::string& t) override { readout = t; }
    void enableMeasurementButtons() override { buttonsEnabled = true; }
    std::string runCaption() const override { return run; }
    void setRunCaption(const std::string& c) override { run = c; }
    void CommandRun_Click() override { ++runClicks; }
};

class Calibration : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("vellora_calrun_" + std::to_string(::getpid()));
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
    fs::path dir;
    MeterState state;
    FakeWindow window;
    FakePlayer player;
};

TEST_F(Calibration, CancelLeavesSilenceAndCaptionsButEnablesTheSlider) {
    window.answer = false;
    CalibrationRun cal(window, state, player, dir);
    cal.CommandCalibrate_Click();
    EXPECT_EQ(window.questions,
              (std::vector<std::string>{
                  "Play 110 Hz?\nMove until \u201CPeak frequency\u201D shows it."}));
    EXPECT_EQ(window.frameWhileAsked, (std::vector<bool>{true}));
    EXPECT_FALSE(window.frame);
    EXPECT_FALSE(player.on);
    EXPECT_EQ(window.calibrate, "Start Calibration");
    EXPECT_TRUE(window.sliderEnabled);
    EXPECT_FALSE(window.buttonsEnabled);
    EXPECT_EQ(window.runClicks, 0);
    EXPECT_TRUE(state.PremiereCalibration);
}

TEST_F(Calibration, ConfirmedStartWritesAMissingTonePlaysItAndStartsTheRun) {
    state.FrequenceCal = 440;
    CalibrationRun cal(window, state, player, dir);
    cal.CommandCalibrate_Click();
    EXPECT_EQ(fs::file_size(dir / "Calibration.wav"), 22096u);
    EXPECT_EQ(player.file, (dir / "Calibration.wav").string());
    EXPECT_TRUE(player.on);
    EXPECT_EQ(window.calibrate, "Stop Calibration");
    EXPECT_EQ(window.readout, "0Hz");  // no peak measured yet
    EXPECT_TRUE(window.buttonsEnabled);
    EXPECT_FALSE(state.PremiereCalibration);
    EXPECT_EQ(window.runClicks, 1);

    // A stop silences the tone and disables the slider; the measurement goes on.
    state.MesureEnCours = true;
    cal.CommandCalibrate_Click();
    EXPECT_FALSE(player.on);
    EXPECT_FALSE(window.sliderEnabled);
    EXPECT_EQ(window.calibrate, "Start Calibration");
    EXPECT_TRUE(state.MesureEnCours);

    // A later start during a run resets the run button before pressing it.
    window.run = "Stop";
    cal.CommandCalibrate_Click();
    EXPECT_EQ(window.run, "Run");
    EXPECT_EQ(window.runClicks, 2);
}

TEST_F(Calibration, ToneThatCannotBeWrittenOrPlayedStopsTheStart) {
    std::ofstream(dir / "plain") << "x";
    CalibrationRun unwritable(window, state, player, dir / "plain");
    unwritable.CommandCalibrate_Click();
    ASSERT_EQ(window.problems.size(), 1u);
    EXPECT_NE(window.problems[0].find((dir / "plain").string()), std::string::npos);
    EXPECT_EQ(window.runClicks, 0);
    EXPECT_EQ(state.FrequenceCal, 110);

    player.works = false;
    CalibrationRun silent(window, state, player, dir);
    silent.CommandCalibrate_Click();
    EXPECT_EQ(window.problems.back(), "Cannot play");
    EXPECT_EQ(window.calibrate, "Start Calibration");
    EXPECT_EQ(window.runClicks, 0);
}

// Something else under the tone's name is named, never handed to the player (which
// would wait on a FIFO for good, or load 2 GB), and never replaced by the start.
TEST_F(Calibration, WhatIsNoToneFileIsNamedAndNotPlayed) {
    const fs::path tone = dir / "Calibration.wav";
    const struct {
        const char* what;
        void (*make)(const fs::path&);
    } cases[] = {
        {"FIFO", [](const fs::path& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0644), 0); }},
        {"folder", [](const fs::path& p) { fs::create_directory(p); }},
        {"2 GB file",
         [](const fs::path& p) {
             std::ofstream(p) << "RIFF";
             fs::resize_file(p, std::uintmax_t(2) << 30);
         }},
    };
    for (const auto& c : cases) {
        c.make(tone);
        window.problems.clear();
        CalibrationRun cal(window, state, player, dir);
        cal.CommandCalibrate_Click();
        ASSERT_EQ(window.problems.size(), 1u) << c.what;
        EXPECT_EQ(window.problems[0], "Cannot read " + tone.string()) << c.what;
        EXPECT_EQ(player.file, "") << c.what;
        EXPECT_EQ(window.calibrate, "Start Calibration") << c.what;
        EXPECT_EQ(window.runClicks, 0) << c.what;
        fs::remove(tone);
    }
}

TEST_F(Calibration, EqualCaptionsDecideByTheTone) {
    window.texts[24] = window.texts[8];
    CalibrationRun cal(window, state, player, dir);
    cal.CommandCalibrate_Click();
    EXPECT_TRUE(player.on);
    cal.CommandCalibrate_Click();
    EXPECT_FALSE(player.on);
    EXPECT_EQ(window.questions.size(), 1u);
}

TEST_F(Calibration, SliderSetsHertzPerBinAndTheReadOut) {
    CalibrationRun cal(window, state, player, dir);
    state.plot.IndicePic = 20;
    struct Case {
        int16_t value;
        const char* readout;
    };
    for (Case c : {Case{512, "108Hz"}, Case{562, "110Hz"}, Case{612, "112Hz"}}) {
        cal.HScrollCalibrate_Change(0, 1024, c.value);
        EXPECT_EQ(window.readout, c.readout) << c.value;
    }
    EXPECT_EQ(pasFrequenceForSlider(0, 1024, 512), 5.4171f);
    // The exact single floats users see at the ends of the slider.
    EXPECT_EQ(double(pasFrequenceForSlider(0, 1024, 0)), 4.393099784851074);
    EXPECT_EQ(double(pasFrequenceForSlider(0, 1024, 1024)), 6.441100120544434);
    // Worked in double, rounded once: single-float steps would end a bit lower or higher.
    EXPECT_EQ(double(pasFrequenceForSlider(0, 1024, 7)), 4.407100200653076);
    EXPECT_EQ(double(pasFrequenceForSlider(0, 1024, 10)), 4.413099765777588);
}

}  // namespace
}  // namespace vellora
