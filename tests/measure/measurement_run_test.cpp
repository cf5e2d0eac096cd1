// SPDX-License-Identifier: GPL-3.0-or-later
#include "measure/measurement_run.h"

#include <gtest/gtest.h>

#include <cmath>

#include "support/profile_test_support.h"
#include "support/recording_surface.h"

namespace vellora {
namespace {

// A 400 ms clip of sines, each on a given (possibly fractional) bin of the transform.
std::string clipOf(std::initializer_list<std::pair<double, double>> tones) {
    std::string file(8864, char(128));
    for (size_t off = 54; off < file.size(); ++off) {
        double v = 128;
        for (auto [bin, amplitude] : tones)
            v += amplitude * std::sin(2 * M_PI * bin * double(off - 53) / 4096);
        file[off] = char(uint8_t(std::lround(v)));
    }
    return file;
}

class FakeWindow : public RunWindow {
  public:
    std::string run = "Run", smoothing = "1";
    bool smoothingEnabled = true;
    test::RecordingSurface im{1024, 594}, energie{2295, 1335};
    std::vector<std::string> readouts, problems;
    MeasurementRun* pressedAgain = nullptr;  // in the yield of cycle `stopAt`, from 1
    int yields = 0, stopAt = 0;
    std::string text(int key) const override {
        return key == kRunIdleKey ? "Run" : key == kRunActiveKey ? "Stop" : std::to_string(key);
    }
    std::string runCaption() const override { return run; }
    void setRunCaption(const std::string& c) override { run = c; }
    std::string analyseCaption() const override { return {}; }
    void setAnalyseCaption(const std::string&) override {}
    std::string smoothingText() const override { return smoothing; }
    void setSmoothingText(const std::string& t) override { smoothing = t; }
    void setSmoothingEnabled(bool e) override { smoothingEnabled = e; }
    DrawingSurface& spectrum() override { return im; }
    DrawingSurface& gauge() override { return energie; }
    void setReadout(const std::string& t) override { readouts.push_back(t); }
    void refreshSpectrum() override {}
    void yield() override {
        if (++yields == stopAt) pressedAgain->CommandRun_Click();
    }
    void showRunProblem(const std::string& m) override { problems.push_back(m); }
};

class Run : public ::testing::Test {
  protected:
    void SetUp() override { state.plot.Amplification = 266; }

    // Each capture saves the next clip, the last one from then on; a second press of
    // the button in the yield of cycle `stopAt` ends the run.
    void start(std::vector<std::string> clips, int stopAt = 0) {
        run.emplace(
            window, state,
            [this, clips, n = size_t(0)]() mutable {
                testing::writeBytes(dir / "test.wav", clips[std::min(n++, clips.size() - 1)]);
                return 0;
            },
            (dir / "test.wav").string());
        window.pressedAgain = &*run;
        window.stopAt = stopAt;
        run->CommandRun_Click();
    }

    testing::TempFolder dir;
    MeterState state;
    FakeWindow window;
    std::optional<MeasurementRun> run;
};

// Two tones (bin 16, amplitude 90; bin 57.3, amplitude 35) over 400 bins: the bars are
// 3 units apart (1024 / 400 = 2.56 rounds to 3). Bar tops, the energy and the peak were
// worked out from a plain double-precision DFT of the same clip, apart from this code.
TEST_F(Run, KnownCycleAt400BinsRoundsBarTopsAndEnergyAndDrawsTheGaugeAfresh) {
    // The DFT gives sums with fractions far from a half: truncating would be off by ~200.
    constexpr int32_t kEnergy = 14238;
    constexpr int32_t kEnergySlack = 4;  // single-float transform against the double DFT
    state.plot.NbFrequencesAffichees = 400;
    start({clipOf({{16, 90}, {57.3, 35}})}, 1);
    EXPECT_EQ(state.plot.IndicePic, 16.0f);
    EXPECT_EQ(window.readouts, std::vector<std::string>{"87Hz"});
    const struct {
        int bin;
        int32_t top;  // 594 - 266 m, halves to even
    } tops[] = {{4, 572}, {10, 571}, {17, 568}, {34, 549}, {46, 499}};
    for (const auto& t : tops) {
        EXPECT_EQ(state.plot.TableBarres[t.bin].BarreX, 3 * t.bin) << t.bin;
        EXPECT_EQ(state.plot.TableBarres[t.bin].BarreY, t.top) << t.bin;
    }
    EXPECT_NEAR(state.plot.EnergieSpectre, kEnergy, kEnergySlack);
    // The red peak marker stands where bar 16 stands, not at x = 16.
    EXPECT_EQ(window.im.lines.back().colour, 255);
    EXPECT_EQ(window.im.lines.back().x1, 48.0f);
    // The gauge: lines of 0, 20 .. 14220, then the needle at the run's start value 0.
    ASSERT_EQ(int(window.energie.lines.size()), (state.plot.EnergieSpectre / 20 + 1) + 1);
    EXPECT_EQ(window.energie.lines.back().x2, 0.0f);
    // A second run starts its needle at 0 again, not at the first run's energy.
    window.yields = 0;
    run->CommandRun_Click();
    EXPECT_TRUE(window.energie.lines.back().x2 == 0 && window.energie.lines.back().y2 == 1335);
}

TEST_F(Run, TheSmoothingBoxGivesTheVoteItsDepthAndShowsTheValueUsed) {
    const std::pair<const char*, int> cases[] = {{"abc", 5},   {"", 5},    {"-3", 1},
                                                 {"300", 255}, {"2.5", 2}, {"12abc", 5}};
    for (auto [text, depth] : cases) EXPECT_EQ(parseSmoothingDepth(text), depth) << text;
    // Depth 5: bin 16 stays ahead until bin 20 outvotes it (depth 1 would follow at once).
    window.smoothing = " 5 ";
    start({clipOf({{16, 100}}), clipOf({{20, 100}})}, 3);
    EXPECT_EQ(window.smoothing, "5");
    EXPECT_EQ(window.readouts, (std::vector<std::string>{"87Hz", "87Hz", "108Hz"}));
    EXPECT_TRUE(window.smoothingEnabled && !state.MesureEnCours);
}

// A failed capture leaves an old clip in the folder: it must never be shown as new.
TEST_F(Run, FailedCaptureStopsWithAMessageAndNeverShowsTheOldClip) {
    testing::writeBytes(dir / "test.wav", clipOf({{16, 100}}));
    for (const int32_t code : {263, 0}) {  // 0: said to succeed, yet left no recording
        if (code == 0) std::filesystem::remove(dir / "test.wav");
        MeasurementRun failing(
            window, state, [code] { return code; }, (dir / "test.wav").string());
        window.pressedAgain = &failing;  // ends a run the failure did not stop
        window.stopAt = window.yields + 1;
        failing.CommandRun_Click();
    }
    EXPECT_EQ(window.problems, (std::vector<std::string>{"30 (263)", "31"}));
    EXPECT_TRUE(window.readouts.empty());
    EXPECT_TRUE(window.run == "Run" && window.smoothingEnabled);
}

}  // namespace
}  // namespace vellora
