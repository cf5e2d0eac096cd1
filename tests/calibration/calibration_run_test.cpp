#include "calibration/calibration_run.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <optional>

#include "calibration/calibration_tone.h"
#include "support/profile_test_support.h"

namespace vellora {
namespace {

namespace fs = std::filesystem;

class FakePlayer : public TonePlayer {
  public:
    SoundProblem refuses = SoundProblem::None;  // File or Output: playLoop fails so
    bool lost = false;
    std::string file;
    std::vector<std::vector<uint8_t>> played;  // the bytes of each file started
    bool playLoop(const std::string& f) override {
        if (refuses != SoundProblem::None) return false;
        file = f;
        std::ifstream in(f, std::ios::binary);
        played.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        lost = false;
        return on = true;
    }
    void stop() override { on = lost = false; }
    bool playing() const override { return on && !lost; }
    SoundProblem problem() const override { return lost ? SoundProblem::Lost : refuses; }
    bool on = false;
};

std::vector<uint8_t> toneBytes(int16_t hz) {
    const ToneFile t = calibrationToneBytes(hz);
    return {t.begin(), t.end()};
}

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
                                     {33, "Cannot play"},
                                     {46, "Bad file %1"},
                                     {47, "Use %1 Hz from elsewhere"},
                                     {48, "Tone lost"},
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
    testing::TempFolder tmp;
    const fs::path dir = tmp.path();
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

TEST_F(Calibration, TheTonePlayedIsAlwaysTheToneOfFrequenceCal) {
    // What the folder may hold: nothing, the tone of another frequency (the dialog's
    // second button stored 740 while the file kept 800), a damaged or longer file, or
    // the right one, which is left as it is.
    auto longer = toneBytes(740);
    longer.push_back(0);
    auto damaged = toneBytes(740);
    damaged[5000] ^= 1;
    struct Case {
        const char* what;
        std::optional<std::vector<uint8_t>> held;
        bool rewritten;
    };
    const Case cases[] = {{"missing", std::nullopt, true},
                          {"another tone", toneBytes(800), true},
                          {"damaged", damaged, true},
                          {"longer", longer, true},
                          {"right", toneBytes(740), false}};
    for (const Case& c : cases) {
        fs::remove(dir / "Calibration.wav");
        if (c.held) {
            testing::writeBytes(dir / "Calibration.wav",
                                std::string(c.held->begin(), c.held->end()));
        }
        const auto before = fs::exists(dir / "Calibration.wav")
                                ? fs::last_write_time(dir / "Calibration.wav")
                                : fs::file_time_type{};
        state.FrequenceCal = 740;
        FakePlayer p;
        CalibrationRun cal(window, state, p, dir);
        cal.CommandCalibrate_Click();
        EXPECT_NE(window.questions.back().find("740"), std::string::npos) << c.what;
        ASSERT_EQ(p.played.size(), 1u) << c.what;
        EXPECT_EQ(p.played[0], toneBytes(740)) << c.what;
        EXPECT_EQ(cal.toneHz(), 740) << c.what;
        if (!c.rewritten) {
            EXPECT_EQ(fs::last_write_time(dir / "Calibration.wav"), before) << c.what;
        }
        cal.CommandCalibrate_Click();
    }
    EXPECT_TRUE(window.problems.empty());
}

TEST_F(Calibration, ANewToneFromTheDialogPlaysAtOnceOnlyWhileCalibrating) {
    CalibrationRun cal(window, state, player, dir);
    int16_t frequenceCal = state.FrequenceCal;
    ASSERT_TRUE(WriteCalibrationTone(300, frequenceCal, dir));
    state.FrequenceCal = frequenceCal;
    cal.toneFileChanged();  // not calibrating: nothing plays
    EXPECT_TRUE(player.played.empty());

    cal.CommandCalibrate_Click();
    ASSERT_TRUE(WriteCalibrationTone(440, state.FrequenceCal, dir));
    cal.toneFileChanged();
    ASSERT_EQ(player.played.size(), 2u);
    EXPECT_EQ(player.played[1], toneBytes(440));
    EXPECT_EQ(cal.toneHz(), 440);
    EXPECT_TRUE(player.on);
}

// Something else under the tone's name is named, never handed to the player (which
// would wait on a FIFO for good, or load 2 GB), and never replaced by the start; without
// a playable tone the message says what failed and the calibration goes on for a tone
// from another source.
TEST_F(Calibration, WithoutAPlayableToneTheMessageSaysWhatFailedAndTheCalibrationGoesOn) {
    testing::writeBytes(dir / "plain", "x");
    const fs::path tone = dir / "Calibration.wav";
    const struct {
        const char* what;
        fs::path folder;
        SoundProblem refuses;
        std::string messageStart;
        void (*make)(const fs::path&);
        fs::file_type type;
    } cases[] = {
        {"folder is a file", dir / "plain", SoundProblem::None,
         "Bad file " + (dir / "plain" / "Calibration.wav").string() + " (", nullptr,
         fs::file_type::not_found},
        {"no output", dir, SoundProblem::Output, "Cannot play\n", nullptr, fs::file_type::regular},
        {"unreadable", dir, SoundProblem::File, "Bad file " + tone.string() + "\n", nullptr,
         fs::file_type::regular},
        {"FIFO", dir, SoundProblem::None, "Cannot read " + tone.string() + "\n",
         [](const fs::path& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0644), 0); }, fs::file_type::fifo},
        {"folder", dir, SoundProblem::None, "Cannot read " + tone.string() + "\n",
         [](const fs::path& p) { fs::create_directory(p); }, fs::file_type::directory},
        {"2 GB file", dir, SoundProblem::None, "Cannot read " + tone.string() + "\n",
         [](const fs::path& p) {
             testing::writeBytes(p, "RIFF");
             fs::resize_file(p, std::uintmax_t(2) << 30);
         },
         fs::file_type::regular},
    };
    for (const auto& c : cases) {
        fs::remove(tone);
        if (c.make) c.make(tone);
        window = FakeWindow{};
        state = MeterState{};
        state.FrequenceCal = 440;
        FakePlayer p;
        p.refuses = c.refuses;
        CalibrationRun cal(window, state, p, c.folder);
        cal.CommandCalibrate_Click();
        ASSERT_EQ(window.problems.size(), 1u) << c.what;
        EXPECT_EQ(window.problems[0].rfind(c.messageStart, 0), 0u)
            << c.what << ": " << window.problems[0];
        EXPECT_NE(window.problems[0].find("Use 440 Hz from elsewhere"), std::string::npos)
            << c.what;
        if (c.make) {
            EXPECT_EQ(p.file, "") << c.what;
            EXPECT_EQ(fs::status(tone).type(), c.type) << c.what;
        }
        // Calibrating, for a tone from another source: the run, the buttons, the slider.
        EXPECT_EQ(window.calibrate, "Stop Calibration") << c.what;
        EXPECT_TRUE(window.buttonsEnabled) << c.what;
        EXPECT_TRUE(window.sliderEnabled) << c.what;
        EXPECT_EQ(window.runClicks, 1) << c.what;
        EXPECT_TRUE(cal.calibrating()) << c.what;
        EXPECT_EQ(cal.toneHz(), 440) << c.what;
        EXPECT_EQ(state.FrequenceCal, 440) << c.what;
        cal.CommandCalibrate_Click();
        EXPECT_FALSE(cal.calibrating()) << c.what;
        EXPECT_EQ(window.calibrate, "Start Calibration") << c.what;
    }
}

TEST_F(Calibration, AToneWhoseOutputDiedIsStoppedAndReportedOnce) {
    CalibrationRun cal(window, state, player, dir);
    cal.CommandCalibrate_Click();
    cal.checkTone();
    EXPECT_TRUE(window.problems.empty());
    player.lost = true;
    cal.checkTone();
    cal.checkTone();
    EXPECT_EQ(window.problems, (std::vector<std::string>{"Tone lost"}));
    EXPECT_FALSE(player.on);
    EXPECT_TRUE(cal.calibrating());  // a tone from another source can still be used
}

TEST(FillIn, PlacesEachValueOnceInOnePass) {
    struct Case {
        const char* text;
        std::string want;
    };
    for (const Case& c : {Case{"%1 at %2", "a at %2b"}, Case{"%2%1", "%2ba"},
                          Case{"100 %", "100 %"}, Case{"%3 %", "%3 %"}, Case{"end %", "end %"}})
        EXPECT_EQ(fillIn(c.text, {"a", "%2b"}), c.want) << c.text;
}

TEST_F(Calibration, EqualCaptionsDecideByTheTone) {
    window.texts[24] = window.texts[8];
    CalibrationRun cal(window, state, player, dir);
    cal.CommandCalibrate_Click();
    EXPECT_TRUE(player.on);
    cal.CommandCalibrate_Click();
    EXPECT_FALSE(player.on);
    EXPECT_EQ(window.questions.size(), 1u);
    // Without a tone too: the calibration, not the player, decides.
    player.refuses = SoundProblem::Output;
    cal.CommandCalibrate_Click();
    EXPECT_TRUE(cal.calibrating());
    cal.CommandCalibrate_Click();
    EXPECT_FALSE(cal.calibrating());
    EXPECT_EQ(window.questions.size(), 2u);
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
