// Hands-free measuring in the main window, offscreen, with a scripted recorder: plucks
// confirm without a press, other sounds are refused and logged as such, the automatic
// noise line, and the original behaviour with Repeat off.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QThread>
#include <cmath>
#include <deque>
#include <filesystem>
#include <fstream>
#include <map>

#include "belt/belt_store.h"
#include "belt/belt_window.h"
#include "mainwindow/big_readout.h"
#include "mainwindow/form1.h"
#include "mainwindow/picture_surface.h"
#include "support/pitch_synth.h"
#include "support/qt_application.h"
#include "wave/recorder_wave.h"

namespace vellora {
namespace {

namespace fs = std::filesystem;

constexpr double kRate = 22050;
// Long enough for the clips below on a loaded machine; the test ends as soon as the
// log holds what it waits for.
constexpr int kPatienceMs = 20000;

// The few texts the checks read; every other key reads as its section and number.
std::string text(const char* section, int k) {
    static const std::map<int, std::string> form1 = {
        {82, "Not a pluck: %1"},   {83, "no sharp onset"}, {84, "too short"},
        {85, "does not die away"}, {89, "%1 of %2"},       {90, "Confirmed"},
    };
    if (std::string(section) == "FORM1" && form1.count(k)) return form1.at(k);
    return std::string(section) + std::to_string(k);
}

struct CueTone : TonePlayer {
    bool playLoop(const std::string&) override { return false; }
    bool playOnce(const std::string& file) override {
        cues.push_back(fs::path(file).filename().string());
        return true;
    }
    void stop() override {}
    bool playing() const override { return false; }
    SoundProblem problem() const override { return SoundProblem::None; }
    std::vector<std::string> cues;
};

std::vector<uint8_t> silence() { return std::vector<uint8_t>(synth::kClipSamples, 128); }

std::vector<uint8_t> pluck(uint32_t seed, double hz) {
    synth::Random random(seed);
    synth::Pluck p = synth::randomBelt(random, hz, kRate);
    p.onsetSeconds = 0.05;
    return synth::render(p, random);
}

// The click of a switch: one full-scale sample in silence.
std::vector<uint8_t> click() {
    std::vector<uint8_t> s = silence();
    s[4000] = 255;
    return s;
}

BeltSetup timingBelt() {
    BeltSetup s;
    s.name = "Timing";
    s.mass = 110;
    s.spanMm = 400;
    s.target = TargetKind::Frequency;
    s.targetLow = 80;
    s.targetHigh = 95;
    s.unit = TensionUnit::Kgf;
    return s;
}

class RepeatMeasuring : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { ensureGuiApplication(); }
    void SetUp() override {
        dir = fs::temp_directory_path() / ("vellora_repeat_" + std::to_string(::getpid()));
        fs::create_directories(dir);
        const BeltSetup belt = timingBelt();
        saveBeltSetups(store, std::span(&belt, 1), belt.name);
    }
    void TearDown() override { fs::remove_all(dir); }

    // The recorder plays `clips` in order, then silence; every clip is counted.
    std::unique_ptr<Form1> window() {
        Form1Services s;
        s.text = text;
        s.capture = [this] {
            std::vector<uint8_t> clip = silence();
            if (!clips.empty()) {
                clip = std::move(clips.front());
                clips.pop_front();
            }
            const std::vector<uint8_t> file = pcmWaveFile(clip, uint32_t(kRate));
            std::ofstream(dir / "test.wav", std::ios::binary)
                .write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));
            ++captured;
            if (onCapture) onCapture();
            return 0;
        };
        s.tone = &tone;
        s.showMessage = [this](const std::string& m) { messages.push_back(m); };
        s.recordingPath = (dir / "test.wav").string();
        s.toneFolder = dir;
        s.beltStore = &store;
        s.writeString = [this](const char* section, const char* key, const std::string& v) {
            written[std::string(section) + "/" + key] = v;
            return true;
        };
        auto w = std::make_unique<Form1>(std::move(s));
        w->CommandRun->setText("FORM110");
        w->CommandBruit->setText("FORM17");
        w->VScrollNiveau->setValue(262);
        w->enableMeasurementButtons();
        w->state.plot.PasFrequence = float(kRate / 4096);  // calibrated
        return w;
    }

    static void fixLineAtBottom(Form1& w) {
        w.CommandBruit_Click();
        w.Im_Spectre_MouseMove(0, 0, 10, float(w.Im_Spectre->scaleHeight() - 1));
        w.Im_Spectre_Click();
    }

    static void repeatOn(Form1& w) {
        w.Repeter->setChecked(true);
        w.Repeter_Click();
        w.repeatMode().setTimes({kMinRepeatMs, kMinRepeatMs});
    }

    // Handles events until `done` or the patience runs out.
    static bool waitFor(const std::function<bool()>& done) {
        QElapsedTimer t;
        t.start();
        while (!done() && t.elapsed() < kPatienceMs) {
            QApplication::processEvents(QEventLoop::AllEvents);
            QThread::msleep(1);
        }
        return done();
    }

    static void settle(int ms) {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < ms) {
            QApplication::processEvents(QEventLoop::AllEvents);
            QThread::msleep(1);
        }
    }

    fs::path dir;
    MemoryBeltStore store;
    CueTone tone;
    std::deque<std::vector<uint8_t>> clips;
    int captured = 0;
    std::function<void()> onCapture;
    std::vector<std::string> messages;
    std::map<std::string, std::string> written;
};

TEST_F(RepeatMeasuring, ThreePlucksConfirmWithoutAPressAndOtherSoundsAreRefused) {
    auto w = window();
    repeatOn(*w);
    EXPECT_EQ(written["SETTINGS/Repetition"], "1");
    w->SignauxSonores->setChecked(true);
    // No line yet: the first press listens to a second of background (three quiet
    // clips) and places it; then the sounds come.
    for (int i = 0; i < 3; ++i) clips.push_back(silence());
    clips.push_back(pluck(1, 87.3));
    clips.push_back(click());
    clips.push_back(pluck(2, 87.5));
    clips.push_back(synth::pureTone(220, kRate, 60));  // a held tone
    clips.push_back(pluck(3, 87.4));
    const std::vector<Reading>& log = w->beltWindow().readings().readings();
    bool pressed = false;
    // Once every sound has been judged, a press of the run button from inside the run,
    // as a hand would make it between two clips.
    onCapture = [&] {
        if (clips.empty() && log.size() >= 5 && !pressed) {
            pressed = true;
            w->CommandRun_Click();
        }
    };
    w->CommandRun_Click();  // returns at the first trigger; the rest is hands-free
    ASSERT_TRUE(waitFor([&] { return pressed && !w->state.MesureEnCours; }))
        << log.size() << " readings";
    EXPECT_TRUE(w->state.noise.ModeBruit);
    EXPECT_EQ(w->CommandBruit->text(), "FORM125");

    ASSERT_EQ(log.size(), 5u);
    const ReadingStatus expected[] = {ReadingStatus::Accepted, ReadingStatus::Refused,
                                      ReadingStatus::Accepted, ReadingStatus::Refused,
                                      ReadingStatus::Confirmed};
    for (size_t i = 0; i < 5; ++i) EXPECT_EQ(log[i].status, expected[i]) << "reading " << i;
    EXPECT_EQ(log[1].why, "Not a pluck: too short");
    EXPECT_EQ(log[3].why, "Not a pluck: no sharp onset");
    for (size_t i : {0u, 2u, 4u}) EXPECT_NEAR(log[i].hz, 87.4, 0.5) << "reading " << i;
    EXPECT_EQ(w->bigReadout().countLabel->text(), "Confirmed");
    EXPECT_EQ(w->bigReadout().frequencyLabel->text(), QString::number(log[4].hz, 'f', 1) + " Hz");
    EXPECT_TRUE(w->bigReadout().tensionLabel->text().endsWith(" kgf"));
    EXPECT_EQ(w->bigReadout().frequencyLabel->property("rangeColour").toString(), kInsideColour);
    EXPECT_EQ(w->bigReadout().statusLabel->text(), "FORM191");  // stopped
    EXPECT_EQ(w->TextAccord->text().toStdString(),
              w->beltWindow().captionText(BeltCaption::Confirmed));
    EXPECT_EQ(tone.cues,
              (std::vector<std::string>{"CueAccepted.wav", "CueAccepted.wav", "CueConfirmed.wav"}));
    EXPECT_TRUE(messages.empty());

    // Stopped for good: nothing re-arms, the button is idle, the box usable again.
    const int after = captured;
    settle(3 * kMinRepeatMs);
    EXPECT_EQ(captured, after);
    EXPECT_EQ(w->CommandRun->text(), "FORM110");
    EXPECT_FALSE(w->repeatMode().pending());
}

TEST_F(RepeatMeasuring, PressDuringThePauseStopsAndRepeatOffIsTheOriginal) {
    auto w = window();
    fixLineAtBottom(*w);
    repeatOn(*w);
    w->repeatMode().setTimes({kMaxRepeatMs, kMaxRepeatMs});  // a pause that outlasts the test
    clips.push_back(pluck(4, 87.3));
    w->CommandRun_Click();
    EXPECT_FALSE(w->state.MesureEnCours);
    EXPECT_TRUE(w->repeatMode().pending());
    EXPECT_EQ(w->CommandRun->text(), "FORM123") << "paused, the button still says Stop";
    w->CommandRun_Click();
    EXPECT_FALSE(w->repeatMode().pending());
    EXPECT_EQ(w->CommandRun->text(), "FORM110");
    EXPECT_TRUE(w->TextEchantillon->isEnabled());

    // Repeat off: the trigger stops the run and it stays stopped; a click is no reading
    // (no clear pitch), a pluck is, and nothing is logged as refused.
    w->Repeter->setChecked(false);
    w->Repeter_Click();
    EXPECT_EQ(written["SETTINGS/Repetition"], "0");
    for (const auto& clip : {click(), pluck(5, 87.3)}) {
        clips.push_back(clip);
        const int before = captured;
        w->CommandRun_Click();
        EXPECT_EQ(captured, before + 1) << "the first clip fires the trigger";
        EXPECT_FALSE(w->state.MesureEnCours);
        EXPECT_EQ(w->CommandRun->text(), "FORM110");
        EXPECT_FALSE(w->TextEchantillon->isEnabled()) << "as after any trigger";
        settle(3 * kMinRepeatMs);
        EXPECT_EQ(captured, before + 1) << "no re-arm";
    }
    const std::vector<Reading>& log = w->beltWindow().readings().readings();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[1].status, ReadingStatus::Accepted);
    EXPECT_NEAR(log[1].hz, 87.3, 0.5);
}

TEST_F(RepeatMeasuring, AutomaticNoiseLineSitsTheMarginAboveTheBackground) {
    auto w = window();
    synth::Random random(21);
    const int32_t H = int32_t(w->Im_Spectre->scaleHeight());
    int32_t tallest = 0;  // over the clips heard while it listened
    int heard = 0;
    onCapture = [&] {
        // The bars of the clip before this one are in the table now.
        if (heard > 0 && heard <= 3)
            for (int b = 3; b <= w->state.plot.NbFrequencesAffichees; ++b)
                tallest = std::max(tallest, H - w->state.plot.TableBarres[size_t(b)].BarreY);
        ++heard;
        clips.push_back(synth::noise(random, 4));
        if (heard == 8) w->CommandRun_Click();  // five clips of the same noise after it
    };
    w->BruitAuto_Click();
    EXPECT_FALSE(w->state.MesureEnCours);
    EXPECT_EQ(heard, 8) << "the noise must not fire the line placed above it";
    ASSERT_GT(tallest, 0);
    EXPECT_TRUE(w->state.noise.ModeBruit);
    EXPECT_FALSE(w->state.noise.CaptureNiveauBruit);
    EXPECT_EQ(w->CommandBruit->text(), "FORM125");
    const double db = 20 * std::log10(double(H - w->state.noise.NiveauBruit) / tallest);
    EXPECT_GE(db, 6.0);
    EXPECT_LT(db, 6.5);  // the margin, and no more than a pixel's rounding

    // The line stays movable by hand: the noise button and the mouse as before.
    w->CommandBruit_Click();
    EXPECT_EQ(w->CommandBruit->text(), "FORM17");
    w->CommandBruit_Click();
    w->Im_Spectre_MouseMove(0, 0, 10, 40);
    w->Im_Spectre_Click();
    EXPECT_EQ(w->state.noise.NiveauBruit, 40);
}

TEST_F(RepeatMeasuring, EntriesHaveTheirOwnShortcutsAndTheModeIsRemembered) {
    auto w = window();
    const std::pair<QAction*, QKeySequence> entries[] = {
        {w->Repeter, QKeySequence(Qt::Key_F7)},
        {w->BruitAuto, QKeySequence(Qt::Key_F8)},
        {w->GrandAffichage, QKeySequence(Qt::Key_F9)}};
    for (const auto& [action, key] : entries) {
        EXPECT_EQ(action->shortcut(), key);
        for (const QAction* other : w->findChildren<QAction*>())
            if (other != action) {
                EXPECT_NE(other->shortcut(), key) << other->objectName().toStdString();
            }
    }
    EXPECT_TRUE(w->Repeter->isCheckable());
    EXPECT_FALSE(w->Repeter->isChecked()) << "off by default";
    EXPECT_FALSE(w->SignauxSonores->isChecked()) << "off by default";
    EXPECT_EQ(w->Repeter->text(), "FORM176");
    EXPECT_EQ(w->beltWindow().autoNoiseButton->text(), "BELT75");

    // A stored "on" comes back at start-up, with the large read-out.
    Form1Services s;
    s.text = text;
    s.readInt = [](const char*, const char* key, int32_t fallback) {
        return std::string(key) == "Repetition" ? 1 : fallback;
    };
    s.beltStore = &store;
    Form1 again(std::move(s));
    again.Form_Load();
    EXPECT_TRUE(again.Repeter->isChecked());
    EXPECT_TRUE(again.repeatMode().enabled());
    EXPECT_FALSE(again.bigReadout().isHidden());
}

}  // namespace
}  // namespace vellora
