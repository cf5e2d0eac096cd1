// Hands-free measuring in the main window with a scripted recorder: the noise line
// learnt from the background, plucks confirmed without a press, other sounds refused.
#include <QAction>
#include <QElapsedTimer>
#include <QThread>
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
        BeltSetup s = timingBelt();
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
    w->Repeter->setChecked(true);
    w->Repeter_Click();
    w->repeatMode().setTimes({kMinRepeatMs, kMinRepeatMs});
    EXPECT_EQ(values["SETTINGS/Repetition"], "1");
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

}  // namespace
}  // namespace vellora::test
