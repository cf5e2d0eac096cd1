#include "measure/measurement_run.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <map>

#include "support/profile_test_support.h"
#include "support/recording_surface.h"

namespace vellora {
namespace {

namespace fs = std::filesystem;
using test::RecordingSurface;

// A 400 ms clip of sines, each on a given bin of the 4096-point transform.
std::vector<uint8_t> clipOf(std::initializer_list<std::pair<double, double>> tones) {
    std::vector<uint8_t> file(8864, 128);
    for (size_t off = 54; off < file.size(); ++off) {
        double v = 128;
        for (auto [bin, amplitude] : tones)
            v += amplitude * std::sin(2 * M_PI * bin * double(off - 53) / 4096);
        file[off] = uint8_t(std::lround(v));
    }
    return file;
}
std::vector<uint8_t> toneFile(double bin, double amplitude = 100) {
    return clipOf({{bin, amplitude}});
}

class FakeWindow : public RunWindow {
  public:
    std::map<int, std::string> texts{
        {10, "Run"},       {23, "Stop"},           {6, "Analyse"},
        {22, "Analysing"}, {30, "Capture failed"}, {31, "No recording"}};
    std::string run = "Run", analyse = "Analyse", smoothing = "1", readout = "Hz";
    bool smoothingEnabled = true;
    RecordingSurface im{1024, 594}, energie{2295, 1335};
    std::vector<std::string> readouts, problems;
    int refreshes = 0;
    std::function<void(int)> onYield;  // the cycle number, from 1
    int yields = 0;

    std::string text(int key) const override {
        auto it = texts.find(key);
        return it == texts.end() ? "Err!!" : it->second;
    }
    std::string runCaption() const override { return run; }
    void setRunCaption(const std::string& c) override { run = c; }
    std::string analyseCaption() const override { return analyse; }
    void setAnalyseCaption(const std::string& c) override { analyse = c; }
    std::string smoothingText() const override { return smoothing; }
    void setSmoothingText(const std::string& t) override { smoothing = t; }
    void setSmoothingEnabled(bool e) override { smoothingEnabled = e; }
    DrawingSurface& spectrum() override { return im; }
    DrawingSurface& gauge() override { return energie; }
    void setReadout(const std::string& t) override {
        readout = t;
        readouts.push_back(t);
    }
    void refreshSpectrum() override { ++refreshes; }
    void yield() override {
        ++yields;
        if (onYield) onYield(yields);
    }
    void showRunProblem(const std::string& m) override { problems.push_back(m); }
};

class Run : public ::testing::Test {
  protected:
    void SetUp() override { state.plot.Amplification = 266; }

    // A capture that saves the given clips in turn, the last one from then on.
    CaptureFn recorderOf(std::vector<std::vector<uint8_t>> clips) {
        return [this, clips, n = size_t(0)]() mutable {
            const auto& clip = clips[std::min(n++, clips.size() - 1)];
            testing::writeBytes(dir / "test.wav", std::string(clip.begin(), clip.end()));
            return 0;
        };
    }
    MeasurementRun makeRun(CaptureFn capture) {
        return MeasurementRun(window, state, std::move(capture), (dir / "test.wav").string());
    }
    // Stops the run from inside the yield of cycle `n`, as a second press would.
    void pressRunAt(MeasurementRun& run, int n) {
        window.onYield = [&run, n](int cycle) {
            if (cycle == n) run.CommandRun_Click();
        };
    }

    testing::TempFolder dir;
    MeterState state;
    FakeWindow window;
};

// With depth 1 the second cycle would read bin 20 (108Hz); depth 5 keeps the first peak.
TEST_F(Run, ToneOnBin16Reads87HzWithTheVoteAndASecondPressEndsTheRunAfterItsCycle) {
    window.smoothing = "5";
    MeasurementRun run = makeRun(recorderOf({toneFile(16), toneFile(20), toneFile(16)}));
    pressRunAt(run, 3);
    run.CommandRun_Click();
    EXPECT_EQ(run.cyclesCompleted(), 3);
    EXPECT_EQ(window.readouts, (std::vector<std::string>{"87Hz", "87Hz", "87Hz"}));
    EXPECT_EQ(window.run, "Run");
    EXPECT_TRUE(window.smoothingEnabled);
    EXPECT_FALSE(state.MesureEnCours);
    EXPECT_EQ(state.Retour, 8864 - 43);
}

// Two tones (bin 16, amplitude 90; bin 57.3, amplitude 35) over 400 bins: the bars are
// 3 units apart (1024 / 400 = 2.56 rounds to 3). Bar tops, the energy and the peak were
// worked out from a plain double-precision DFT of the same clip, apart from this code.
TEST_F(Run, KnownCycleAt400BinsRoundsBarTopsAndEnergyAndDrawsTheGaugeAfresh) {
    // The DFT gives sums with fractions far from a half: truncating would be off by ~200.
    constexpr int32_t kEnergy = 14238;
    constexpr int32_t kEnergySlack = 4;  // single-float transform against the double DFT
    state.plot.NbFrequencesAffichees = 400;
    window.smoothing = "1";
    MeasurementRun run = makeRun(recorderOf({clipOf({{16, 90}, {57.3, 35}})}));
    pressRunAt(run, 1);
    run.CommandRun_Click();

    EXPECT_EQ(state.plot.IndicePic, 16.0f);
    EXPECT_EQ(window.readout, "87Hz");
    EXPECT_EQ(window.im.pen, 3);
    const BarTable& bars = state.plot.TableBarres;
    const struct {
        int bin;
        int32_t top;  // 594 - 266 m, halves to even
    } tops[] = {{4, 572}, {10, 571}, {17, 568}, {34, 549}, {46, 499}};
    for (const auto& t : tops) {
        EXPECT_EQ(bars[t.bin].BarreX, 3 * t.bin) << t.bin;
        EXPECT_EQ(bars[t.bin].BarreY, t.top) << t.bin;
    }
    EXPECT_NEAR(state.plot.EnergieSpectre, kEnergy, kEnergySlack);
    // The red peak marker stands where bar 16 stands, not at x = 16.
    const auto& marker = window.im.lines.back();
    EXPECT_EQ(marker.colour, 255);
    EXPECT_EQ(marker.x1, 48.0f);

    // The gauge: lines of 0, 20 .. 14220, then the needle at the run's start value 0.
    const auto& gauge = window.energie.lines;
    EXPECT_EQ(int(gauge.size()), (state.plot.EnergieSpectre / 20 + 1) + 1);
    ASSERT_FALSE(gauge.empty());
    EXPECT_EQ(gauge.back().x2, 0.0f);

    // A second run starts its needle at 0 again, not at the first run's energy.
    window.yields = 0;
    run.CommandRun_Click();
    EXPECT_EQ(window.energie.lines.back().x2, 0.0f);
    EXPECT_EQ(window.energie.lines.back().y2, 1335.0f);
}

TEST_F(Run, ArmedNoiseLineStopsAtTheFirstPeakAboveItAndLeavesTheBoxDisabled) {
    state.noise = {true, false, 300};  // armed, fixed 294 pixels above the bottom
    MeasurementRun run =
        makeRun(recorderOf({toneFile(30, 0.01), toneFile(30, 0.01), toneFile(40)}));
    run.CommandRun_Click();
    EXPECT_EQ(run.cyclesCompleted(), 3);
    EXPECT_EQ(window.run, "Run");
    EXPECT_FALSE(window.smoothingEnabled);
    EXPECT_TRUE(state.noise.ModeBruit);
    EXPECT_EQ(window.readouts.back(), "217Hz");
    // The red line is drawn over the bars, after them.
    EXPECT_EQ(window.im.lines.back().y1, 300.0f);

    // The next press starts a new run at once; stopping it by hand enables the box.
    pressRunAt(run, 4);
    state.noise.ModeBruit = false;
    run.CommandRun_Click();
    EXPECT_EQ(run.cyclesCompleted(), 4);
    EXPECT_TRUE(window.smoothingEnabled);
}

TEST_F(Run, ChangesMadeDuringTheYieldApplyFromTheNextCycle) {
    MeasurementRun run = makeRun(recorderOf({toneFile(16)}));
    window.onYield = [&](int cycle) {
        if (cycle == 1) {
            EXPECT_EQ(window.im.lines.size(), 1022u + 1u);  // bars 3..1024 and the red peak
            state.plot.NbFrequencesAffichees = 400;
            state.plot.Amplification = 0;
        } else {
            EXPECT_EQ(window.im.pen, 3);
            EXPECT_EQ(window.im.lines.size(), 398u + 1u);
            EXPECT_EQ(state.plot.EnergieSpectre, 0);
            run.CommandRun_Click();
        }
    };
    run.CommandRun_Click();
    EXPECT_EQ(run.cyclesCompleted(), 2);
}

TEST_F(Run, FailedCaptureStopsWithAMessageAndNeverShowsTheOldClip) {
    recorderOf({toneFile(16)})();  // an old clip lies in the folder
    MeasurementRun run = makeRun([] { return 263; });
    run.CommandRun_Click();
    EXPECT_EQ(run.cyclesCompleted(), 1);
    ASSERT_EQ(window.problems.size(), 1u);
    EXPECT_EQ(window.problems[0], "Capture failed (263)");
    EXPECT_EQ(window.run, "Run");
    EXPECT_TRUE(window.smoothingEnabled);
    EXPECT_NE(state.plot.IndicePic, 16.0f);

    MeasurementRun missing = makeRun([] { return 0; });
    fs::remove(dir / "test.wav");
    missing.CommandRun_Click();
    EXPECT_EQ(window.problems.back(), "No recording");
}

TEST_F(Run, InvalidSmoothingDepthIsReplacedByTheValueUsed) {
    struct Case {
        const char* text;
        int depth;
    };
    for (Case c : {Case{"5", 5}, Case{"abc", 5}, Case{"", 5}, Case{"0", 1}, Case{"-3", 1},
                   Case{"300", 255}, Case{"2.5", 2}, Case{" 7 ", 7}, Case{"12abc", 5}}) {
        EXPECT_EQ(parseSmoothingDepth(c.text), c.depth) << c.text;
    }
    window.smoothing = "999";
    MeasurementRun run = makeRun(recorderOf({toneFile(16)}));
    pressRunAt(run, 1);
    run.CommandRun_Click();
    EXPECT_EQ(window.smoothing, "255");
}

TEST_F(Run, IdleCaptionSetDuringARunStartsANestedRunAndEqualCaptionsStillStop) {
    MeasurementRun run = makeRun(recorderOf({toneFile(16)}));
    window.onYield = [&](int cycle) {
        if (cycle == 1) {
            window.run = "Run";  // as a calibration start does before calling the button
            run.CommandRun_Click();
        } else if (cycle == 3) {
            run.CommandRun_Click();  // stops both: the flag is shared
        }
    };
    run.CommandRun_Click();
    EXPECT_EQ(run.cyclesCompleted(), 3);

    window.texts[23] = "Run";
    window.yields = 0;
    MeasurementRun same = makeRun(recorderOf({toneFile(16)}));
    pressRunAt(same, 2);
    same.CommandRun_Click();
    EXPECT_EQ(same.cyclesCompleted(), 2);
    EXPECT_FALSE(state.MesureEnCours);
}

TEST_F(Run, AnalyseButtonAlternatesWithoutTouchingTheRun) {
    MeasurementRun run = makeRun(recorderOf({toneFile(16)}));
    run.CommandAnalyse_Click();
    EXPECT_TRUE(state.ModeAnalyse);
    EXPECT_EQ(window.analyse, "Analysing");
    run.CommandAnalyse_Click();
    EXPECT_FALSE(state.ModeAnalyse);
    EXPECT_EQ(window.analyse, "Analyse");
    EXPECT_EQ(run.cyclesCompleted(), 0);
}

}  // namespace
}  // namespace vellora
