// SPDX-License-Identifier: GPL-3.0-or-later
#include "calibration/calibration_run.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <map>

#include "calibration/calibration_tone.h"
#include "support/fake_tone_player.h"
#include "support/profile_test_support.h"

namespace vellora {
namespace {

namespace fs = std::filesystem;

using FakePlayer = testing::FakeTone;

class FakeWindow : public CalibrationWindow {
  public:
    std::map<int, std::string> texts{{8, "Start"},        {24, "Stop Cal"},      {10, "Run"},
                                     {23, "Stop"},        {14, "Peak"},          {26, "Play "},
                                     {27, " Hz?"},        {28, "Until "},        {29, "."},
                                     {33, "Cannot play"}, {46, "Bad file %1"},   {47, "Use %1 Hz"},
                                     {48, "Tone lost"},   {53, "Cannot read %1"}};
    std::string calibrate = "Start", run = "Run", readout;
    bool sliderEnabled = false, answer = true;
    std::vector<std::string> questions, problems;
    int runClicks = 0;
    std::string text(int key) const override { return texts.at(key); }
    std::string calibrateCaption() const override { return calibrate; }
    void setCalibrateCaption(const std::string& c) override { calibrate = c; }
    void setCalibrateSliderEnabled(bool e) override { sliderEnabled = e; }
    void showQuestionFrame(bool) override {}
    bool askOkCancel(const std::string& q) override {
        questions.push_back(q);
        return answer;
    }
    void showProblem(const std::string& m) override { problems.push_back(m); }
    void showReadout(const std::string&) override {}
    void setReadout(const std::string& t) override { readout = t; }
    void enableMeasurementButtons() override {}
    std::string runCaption() const override { return run; }
    void setRunCaption(const std::string& c) override { run = c; }
    void CommandRun_Click() override { ++runClicks; }
};

class Calibration : public ::testing::Test {
  protected:
    testing::TempFolder dir;
    const fs::path tone = dir / "Calibration.wav";
    MeterState state;
    FakeWindow window;
    FakePlayer player;
};

std::string toneBytes(int16_t hz) {
    const ToneFile t = calibrationToneBytes(hz);
    return {t.begin(), t.end()};
}

// Cancel plays nothing; OK plays and starts the run; a tone whose output died is
// stopped and reported once, the calibration going on for a tone from elsewhere; a
// second press stops the tone and leaves the measurement running.
TEST_F(Calibration, StartAsksPlaysAndRunsALostToneIsReportedOnceAndStopSilences) {
    window.answer = false;
    CalibrationRun cal(window, state, player, dir.path());
    cal.CommandCalibrate_Click();
    EXPECT_EQ(window.questions.back(), "Play 110 Hz?\nUntil Peak.");
    EXPECT_FALSE(player.on || window.runClicks);
    window.answer = true;
    cal.CommandCalibrate_Click();
    EXPECT_TRUE(player.on && window.sliderEnabled && window.runClicks == 1);
    player.lost = true;
    cal.checkTone();
    cal.checkTone();
    EXPECT_EQ(window.problems, (std::vector<std::string>{"Tone lost"}));
    EXPECT_FALSE(player.on);
    state.MesureEnCours = true;
    cal.CommandCalibrate_Click();
    EXPECT_FALSE(window.sliderEnabled || cal.calibrating());
    EXPECT_EQ(window.calibrate, "Start");
    EXPECT_TRUE(state.MesureEnCours);
}

// The tone played is the one the question quoted: another frequency's (the dialog's
// second button stores one without writing its tone) or a longer file is written
// afresh. What is no tone file is named, never handed to the player (it would wait on a
// FIFO for good, or load 2 GB) and never replaced; without a playable tone the message
// says what failed, and the calibration goes on for a tone from another source.
TEST_F(Calibration, ThePlayedToneIsTheQuotedOneOrTheMessageSaysWhatFailed) {
    testing::writeBytes(dir / "plain", "x");
    const struct {
        std::string under;  // the bytes under the tone's name, or "fifo" or "2 GB"
        fs::path folder;
        Status refuses;
        std::string problem;  // how the message starts, empty for none
    } cases[] = {
        {"", dir.path(), {}, ""},
        {toneBytes(800), dir.path(), {}, ""},
        {toneBytes(110) + '\0', dir.path(), {}, ""},
        {"", dir / "plain", {}, "Bad file " + (dir / "plain" / "Calibration.wav").string() + " ("},
        {"", dir.path(), Status(Failure::DeviceFailed, "no output"), "Cannot play\n"},
        // The player cannot read the tone it was given: the file is named, not the output.
        {"", dir.path(), Status(Failure::BadContent, "no sound"),
         "Bad file " + tone.string() + "\n"},
        {"fifo", dir.path(), {}, "Cannot read " + tone.string() + "\n"},
        {"2 GB", dir.path(), {}, "Cannot read " + tone.string() + "\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        fs::remove(tone);
        ASSERT_TRUE(c.under != "fifo" || ::mkfifo(tone.c_str(), 0644) == 0);
        if (c.under != "fifo" && !c.under.empty()) testing::writeBytes(tone, c.under);
        if (c.under == "2 GB") fs::resize_file(tone, std::uintmax_t(2) << 30);
        const auto kind = fs::symlink_status(tone).type();
        window = FakeWindow{};
        FakePlayer p;
        p.refuses = c.refuses;
        CalibrationRun cal(window, state, p, c.folder);
        cal.CommandCalibrate_Click();
        EXPECT_EQ(window.calibrate, "Stop Cal");
        EXPECT_EQ(window.runClicks, 1);
        EXPECT_EQ(cal.toneHz(), 110);
        if (c.problem.empty()) {
            EXPECT_EQ(p.played, std::vector<std::string>{toneBytes(110)});
            EXPECT_TRUE(window.problems.empty());
            continue;
        }
        ASSERT_EQ(window.problems.size(), 1u);
        EXPECT_TRUE(window.problems[0].starts_with(c.problem)) << window.problems[0];
        EXPECT_TRUE(window.problems[0].ends_with("\nUse 110 Hz")) << window.problems[0];
        if (c.refuses) {
            EXPECT_TRUE(p.played.empty());
            EXPECT_EQ(fs::symlink_status(tone).type(), kind);
        }
    }
}

// 5.4171 + (value - 512) / 500 Hz per bin, worked in double and rounded once to a
// single float: single-float steps would end a bit lower or higher at 7 and 10.
TEST_F(Calibration, SliderSetsHertzPerBinAndTheReadOut) {
    CalibrationRun cal(window, state, player, dir.path());
    state.plot.IndicePic = 20;
    const struct {
        int16_t value;
        double pas;
        const char* readout;
    } cases[] = {{7, 4.407100200653076, "88Hz"},
                 {10, 4.413099765777588, "88Hz"},
                 {562, 5.5171, "110Hz"},
                 {1024, 6.441100120544434, "129Hz"}};
    for (const auto& c : cases) {
        cal.HScrollCalibrate_Change(0, 1024, c.value);
        EXPECT_EQ(state.plot.PasFrequence, float(c.pas)) << c.value;
        EXPECT_EQ(window.readout, c.readout) << c.value;
    }
}

}  // namespace
}  // namespace vellora
