// Hands-free measuring in the main window with a scripted recorder: plucks confirm
// without a press, other sounds are refused and logged, the automatic noise line, and
// the original behaviour with Repeat off.
#include <QAction>
#include <QElapsedTimer>
#include <QThread>
#include <cmath>
#include <deque>

#include "belt/belt_window.h"
#include "mainwindow/big_readout.h"
#include "mainwindow/form1_fixture.h"

namespace vellora::test {
namespace {

std::vector<uint8_t> silence() { return std::vector<uint8_t>(synth::kClipSamples, 128); }

std::vector<uint8_t> pluck(uint32_t seed, double hz) {
    synth::Random random(seed);
    synth::Pluck p = synth::randomBelt(random, hz, 22050);
    p.onsetSeconds = 0.05;
    return synth::render(p, random);
}

// The click of a switch: one full-scale sample in silence.
std::vector<uint8_t> click() {
    std::vector<uint8_t> s = silence();
    s[4000] = 255;
    return s;
}

class RepeatMeasuring : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        values["SETTINGS/Langue"] = "English";
        texts = {{"FORM182", "Not a pluck: %1"},
                 {"FORM183", "no sharp onset"},
                 {"FORM184", "too short"},
                 {"FORM190", "Confirmed"}};
        BeltSetup s;
        s.name = "Timing";
        s.mass = 110;
        s.spanMm = 400;
        s.target = TargetKind::Frequency;
        s.targetLow = 80;
        s.targetHigh = 95;
        s.unit = TensionUnit::Kgf;
        saveBeltSetups(belts, std::span(&s, 1), s.name);
        tone = &speaker;
    }

    // The recorder plays `queue` in order, then silence.
    std::unique_ptr<Form1> window() {
        auto w = started([this](int) {
            writeClip(queue.empty() ? silence() : queue.front());
            if (!queue.empty()) queue.pop_front();
            if (onCapture) onCapture();
            if (clips == 60) current->CommandRun_Click();  // gone wrong: end the test
            return 0;
        });
        ready(*w);
        w->VScrollNiveau->setValue(262);
        current = w.get();
        return w;
    }

    static void repeatOn(Form1& w, int pauseMs = kMinRepeatMs) {
        w.Repeter->setChecked(true);
        w.Repeter_Click();
        w.repeatMode().setTimes({pauseMs, pauseMs});
    }

    // Handles events until `done` or 20 s have passed.
    static bool waitFor(const std::function<bool()>& done, int ms = 20000) {
        QElapsedTimer t;
        t.start();
        while (!done() && t.elapsed() < ms) {
            QApplication::processEvents(QEventLoop::AllEvents);
            QThread::msleep(1);
        }
        return done();
    }

    FakeTone speaker;
    Form1* current = nullptr;
    std::deque<std::vector<uint8_t>> queue;
    std::function<void()> onCapture;
};

TEST_F(RepeatMeasuring, ThreePlucksConfirmWithoutAPressAndOtherSoundsAreRefused) {
    auto w = window();
    repeatOn(*w);
    w->SignauxSonores->setChecked(true);
    // No line yet: the first press listens to a second of background (three quiet
    // clips) and places it; then the sounds come.
    queue = {silence(), silence(), silence(), pluck(1, 87.3), click(), pluck(2, 87.5)};
    queue.push_back(synth::pureTone(220, 22050, 60));  // a held tone
    queue.push_back(pluck(3, 87.4));
    const std::vector<Reading>& log = w->beltWindow().readings().readings();
    bool pressed = false;
    // Once every sound has been judged, a press from inside the run, as a hand makes it.
    onCapture = [&] {
        if (queue.empty() && log.size() >= 5 && !pressed) {
            pressed = true;
            w->CommandRun_Click();
        }
    };
    w->CommandRun_Click();  // returns at the first trigger; the rest is hands-free
    ASSERT_TRUE(waitFor([&] { return pressed && !w->state.MesureEnCours; })) << log.size();
    EXPECT_EQ(w->CommandBruit->text(), "EnFORM125");

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
    EXPECT_EQ(speaker.cues,
              (std::vector<std::string>{"CueAccepted.wav", "CueAccepted.wav", "CueConfirmed.wav"}));
    EXPECT_TRUE(messages.empty());

    // Stopped for good: nothing re-arms.
    const int after = clips;
    EXPECT_FALSE(waitFor([&] { return clips > after; }, 3 * kMinRepeatMs));
    EXPECT_EQ(w->CommandRun->text(), "EnFORM110");
}

TEST_F(RepeatMeasuring, PressDuringThePauseStopsAndTheModeIsRemembered) {
    auto w = window();
    armAtBottom(*w);
    repeatOn(*w, kMaxRepeatMs);  // a pause that outlasts the test
    EXPECT_EQ(values["SETTINGS/Repetition"], "1");
    queue.push_back(pluck(4, 87.3));
    w->CommandRun_Click();
    EXPECT_TRUE(w->repeatMode().pending());
    EXPECT_EQ(w->CommandRun->text(), "EnFORM123") << "paused, the button still says Stop";
    w->CommandRun_Click();
    EXPECT_FALSE(w->repeatMode().pending());
    EXPECT_EQ(w->CommandRun->text(), "EnFORM110");
    EXPECT_TRUE(w->TextEchantillon->isEnabled());

    // A stored "on" comes back at start-up, with the large read-out.
    auto again = started();
    EXPECT_TRUE(again->Repeter->isChecked() && again->repeatMode().enabled());
    EXPECT_FALSE(again->bigReadout().isHidden());
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
        queue.push_back(synth::noise(random, 4));
        if (heard == 8) w->CommandRun_Click();  // five clips of the same noise after it
    };
    w->BruitAuto_Click();
    EXPECT_EQ(heard, 8) << "the noise must not fire the line placed above it";
    ASSERT_GT(tallest, 0);
    EXPECT_TRUE(w->state.noise.ModeBruit && !w->state.noise.CaptureNiveauBruit);
    const double db = 20 * std::log10(double(H - w->state.noise.NiveauBruit) / tallest);
    EXPECT_GE(db, 6.0);
    EXPECT_LT(db, 6.5);  // the margin, and no more than a pixel's rounding

    // The line stays movable by hand.
    w->CommandBruit_Click();
    w->CommandBruit_Click();
    w->Im_Spectre_MouseMove(0, 0, 10, 40);
    w->Im_Spectre_Click();
    EXPECT_EQ(w->state.noise.NiveauBruit, 40);
}

}  // namespace
}  // namespace vellora::test
