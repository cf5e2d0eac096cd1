// SPDX-License-Identifier: GPL-3.0-or-later
// The main window measuring with a scripted recorder: failures, the calibration's tone
// and automatic scale, hands-free measuring.
#include <QAction>
#include <deque>

#include "audio/recorder_result.h"
#include "belt/belt_window.h"
#include "mainwindow/big_readout.h"
#include "mainwindow/form1_fixture.h"
#include "support/profile_test_support.h"

namespace vellora::test {
namespace {

using Measuring = WindowTest;

constexpr double kSliderStep = 0.002;  // hertz per bin for one position of the slider

// A recording that cannot be saved is told by its real cause: the file under the name
// (not a file, write-protected, root too), the disk, or, as the Windows program said, the
// folder.
TEST_F(Measuring, EachCaptureFailureIsNamedAndTheFailedCycleShowsNothing) {
    const fs::path clip = fs::absolute(dir / "test.wav").lexically_normal();
    const auto notSaved = [&](int cause) {
        return "FrFORM1153 [FrFORM1" + std::to_string(cause) + " [" + clip.string() +
               "|%2]|%2] (286)";
    };
    const struct {
        int32_t code;
        const char* under;  // what the second cycle leaves under the recording's name
        std::string message;
    } cases[] = {
        {kFileNotWritten, "", notSaved(145)},  // nothing wrong with the folder or the file
        {kFileNotWritten, "FIFO", notSaved(141)},
        {kFileNotWritten, "read-only", notSaved(142)},
        {kNoAudioInTime, "", "FrFORM130 (276)\nFrFORM149 [%1|%2]"},
        {kNoInputDevice, "", "FrFORM130 (266)"},
        {kFolderInUse, "", "FrFORM1154 [" + clip.parent_path().string() + "|%2] (297)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.code) + " " + c.under);
        fs::remove_all(clip);
        messages.clear();
        clips = recordingsDone = 0;
        auto w = started([&](int n) {
            if (n == 1) {
                writeClip(synth::pureTone(440, 22050));
                return 0;
            }
            const bool made = !*c.under || (fs::remove(clip) && occupied(clip, c.under));
            return made ? c.code : -1;
        });
        ready(*w);
        w->CommandRun_Click();
        EXPECT_EQ(clips, 2);
        EXPECT_EQ(messages, std::vector<std::string>{c.message});
        EXPECT_EQ(recordingsDone, 1) << "the stopped meter lets another instance record";
        // The second cycle neither voted nor wrote: the first cycle's bin 82 stays.
        EXPECT_EQ(w->TextCalibrate->text(), "441Hz");  // 82 x 22050 / 4096
        EXPECT_EQ(w->state.plot.IndicePic, 82.0f);
        EXPECT_EQ(w->state.Retour, c.code);
        // In analysis the cursor over bar 82 reads it again.
        w->CommandAnalyse_Click();
        w->TextCalibrate->clear();
        w->Im_Spectre_MouseMove(0, 0, float(82 * w->Im_Spectre->drawWidth()), 10);
        EXPECT_EQ(w->TextCalibrate->text(), "441Hz");
    }
    fs::remove_all(clip);
    // A folder this user may not write: the folder is named, as before.
    fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::others_exec |
                             fs::perms::others_read);
    {
        testing::ActAsUnprivilegedUser user;
        if (testing::canCreateIn(dir)) GTEST_SKIP() << "permissions are not enforced here";
        messages.clear();
        auto w = started([](int) { return int32_t(kFileNotWritten); });
        ready(*w);
        w->CommandRun_Click();
        EXPECT_EQ(messages, std::vector<std::string>{"FrFORM150 [" + clip.string() + "|%2] (286)"});
    }
    fs::permissions(dir, fs::perms::owner_all);
}

// The sound input lost while the tone plays: the calibration ends with its run, the tone
// stops, and one message gives one piece of advice.
TEST_F(Measuring, ACaptureFailureDuringCalibrationEndsTheCalibration) {
    FakeTone speaker;
    tone = &speaker;
    auto w = started([&](int n) {
        if (n == 2) return int32_t(kNoAudioInTime);
        writeClip(synth::pureTone(110, 22050));
        return int32_t(0);
    });
    w->CommandCalibrate_Click();
    EXPECT_EQ(messages, std::vector<std::string>{"FrFORM130 (276)\nFrFORM196 [%1|%2]"});
    EXPECT_FALSE(speaker.on);
    EXPECT_FALSE(w->state.MesureEnCours);
    EXPECT_EQ(w->CommandCalibrate->text(), "FrFORM18");
    EXPECT_EQ(w->CommandRun->text(), "FrFORM110");
    EXPECT_FALSE(w->HScrollCalibrate->isEnabled());
    EXPECT_TRUE(w->CommandRun->isEnabled() && w->CommandBruit->isEnabled());
    EXPECT_TRUE(w->CommandAutoCalibrate->isHidden());
    EXPECT_EQ(w->meter().state(), MeterActivity::Stopped);
}

// The card's rate may be off by a few per cent; a sound further off is another sound.
// (Which tone file is played is the calibration run's own test.)
TEST_F(Measuring, CalibrationTakesACardsRateButNoOtherSound) {
    values["SETTINGS/Calibration"] = "740";
    const std::string longHint = std::string(40, 'x') + " " + std::string(300, 'y') + " %1";
    texts["FORM145"] = longHint;
    FakeTone speaker;
    tone = &speaker;
    std::unique_ptr<Form1> w;
    w = started([&](int) {
        writeClip(synth::pureTone(740, 22050));
        w->CommandRun_Click();  // one clip, the tone goes on
        return 0;
    });
    w->CommandCalibrate_Click();
    ASSERT_EQ(speaker.played.size(), 1u);
    // While calibrating the read-out names the tone and how to reach it.
    EXPECT_EQ(w->LabelFondamentale->text(), "FrFORM144 [740|%2]");
    ASSERT_FALSE(w->CommandAutoCalibrate->isHidden());
    // The hint tells the way to the scale until Auto-calibrate has set it, then that it has.
    const QString toSet = QString::fromStdString(longHint).replace("%1", "740,0");
    const QString set = "FrFORM1160 [740,0|%2]";
    EXPECT_EQ(w->TextTension->text(), toSet);
    // A hint too long for the room left of the gauge is shown whole, on several lines.
    const QLabel* hint = w->TextTension;
    EXPECT_GE(hint->mapTo(w.get(), QPoint(0, 0)).x(),
              w->Im_Spectre->mapTo(w.get(), QPoint(0, 0)).x());
    if (hint->wordWrap()) {
        EXPECT_GE(hint->height(), hint->heightForWidth(hint->width()));
    } else {
        EXPECT_GE(hint->width(), hint->sizeHint().width());
    }
    const std::pair<double, std::string> cases[] = {
        {1.07, "FrFORM143 [791,8|740]"},  // 740 x 1.07 = 791.8 Hz heard
        {0, "FrFORM141"},                 // silence
        {1.02, ""},
    };
    for (const auto& [ratio, message] : cases) {
        SCOPED_TRACE(ratio);
        messages.clear();
        const int slider = w->HScrollCalibrate->value();
        const float pas = w->state.plot.PasFrequence;
        writeClip(ratio > 0 ? synth::pureTone(740 * ratio, 22050)
                            : std::vector<uint8_t>(8820, 128));
        w->CommandAutoCalibrate_Click();
        if (message.empty()) {
            EXPECT_TRUE(messages.empty());
            EXPECT_NEAR(w->state.plot.PasFrequence, kExactPas / ratio, kSliderStep);
            EXPECT_EQ(w->TextTension->text(), set);
        } else {
            EXPECT_EQ(messages, std::vector<std::string>{message});
            EXPECT_EQ(w->HScrollCalibrate->value(), slider);
            EXPECT_EQ(w->state.plot.PasFrequence, pas);
            EXPECT_EQ(w->TextTension->text(), toSet);
        }
    }
    w->CommandCalibrate_Click();  // the tone stops
    EXPECT_TRUE(w->CommandAutoCalibrate->isHidden());
}

// An armed noise line rests while the calibration tone plays (the loud tone would stop
// the run at its first clip and freeze the read-out) and is armed again after.
TEST_F(Measuring, CalibrationHoldsTheNoiseLineAndArmsItAgainAfter) {
    FakeTone speaker;
    tone = &speaker;
    std::unique_ptr<Form1> w;
    w = started([&](int n) {
        writeClip(synth::pureTone(440, 22050));
        if (n == 4 || n > 10) w->CommandRun_Click();  // stops listening
        return 0;
    });
    ready(*w);
    w->state.noise.ModeBruit = true;
    w->state.noise.NiveauBruit = 400;  // the tone's bar reaches far above it
    w->CommandCalibrate_Click();
    EXPECT_EQ(clips, 4);
    w->CommandCalibrate_Click();
    EXPECT_TRUE(w->state.noise.ModeBruit);
    clips = 0;
    w->CommandRun_Click();
    EXPECT_EQ(clips, 1) << "the line stops the run again";
}

TEST_F(Measuring, HandsFreeThreePlucksConfirmWithoutAPressAndOtherSoundsAreRefused) {
    values["SETTINGS/Langue"] = "English";
    texts = {{"FORM182", "No: %1"}, {"FORM183", "onset"}, {"FORM184", "short"}};
    texts["FORM190"] = "Confirmed";
    const BeltSetup belt = timingBelt();
    ASSERT_TRUE(saveBeltSetups(belts, std::span(&belt, 1), belt.name));
    FakeTone speaker;
    tone = &speaker;
    // No line yet: the first press listens to a second of background (three quiet
    // clips) and places it; then plucks, a switch's click and a held tone.
    const std::vector<uint8_t> silence(synth::kClipSamples, 128);
    std::vector<uint8_t> click = silence;
    click[4000] = 255;
    auto pluck = [](uint32_t seed, double hz) {
        synth::Random random(seed);
        synth::Pluck p = synth::randomBelt(random, hz, 22050);
        p.onsetSeconds = 0.05;
        return synth::render(p, random);
    };
    std::deque<std::vector<uint8_t>> queue(3, silence);
    for (auto clip :
         {pluck(1, 87.3), click, pluck(2, 87.5), synth::pureTone(220, 22050, 60), pluck(3, 87.4)})
        queue.push_back(clip);
    bool pressed = false;
    std::unique_ptr<Form1> w;
    w = started([&](int clip) {
        writeClip(queue.empty() ? silence : queue.front());
        if (!queue.empty()) queue.pop_front();
        // Once every sound has been judged, a press from inside the run, as a hand's.
        if ((queue.empty() && w->beltWindow().readings().size() >= 5 && !pressed) || clip == 60) {
            pressed = true;
            w->CommandRun_Click();
        }
        return 0;
    });
    const std::vector<Reading>* log = &w->beltWindow().readings();
    ready(*w);
    w->VScrollNiveau->setValue(262);
    w->Repeter->setChecked(true);
    w->Repeter_Click();
    w->repeatMode().setTimes({kMinRepeatMs, kMinRepeatMs});
    w->SignauxSonores->setChecked(true);
    w->CommandRun_Click();  // returns at the first trigger; the rest is hands-free
    ASSERT_TRUE(processEventsUntil([&] { return pressed && !w->state.MesureEnCours; }, 20000));
    EXPECT_EQ(w->CommandBruit->text(), "EnFORM125");
    ASSERT_EQ(log->size(), 5u);
    const ReadingStatus expected[] = {ReadingStatus::Accepted, ReadingStatus::Refused,
                                      ReadingStatus::Accepted, ReadingStatus::Refused,
                                      ReadingStatus::Confirmed};
    for (size_t i = 0; i < 5; ++i) EXPECT_EQ((*log)[i].status, expected[i]) << "reading " << i;
    EXPECT_EQ((*log)[1].why, "No: short");
    EXPECT_EQ((*log)[3].why, "No: onset");
    for (size_t i : {0u, 2u, 4u}) EXPECT_NEAR((*log)[i].hz, 87.4, 0.5) << "reading " << i;
    const BigReadout& big = w->bigReadout();
    EXPECT_EQ(big.countLabel->text(), "Confirmed");
    EXPECT_EQ(speaker.cues,
              (std::vector<std::string>{"CueAccepted.wav", "CueAccepted.wav", "CueConfirmed.wav"}));
    EXPECT_TRUE(messages.empty());
    // Stopped for good: nothing re-arms.
    const int after = clips;
    EXPECT_FALSE(processEventsUntil([&] { return clips > after; }, 3 * kMinRepeatMs));
    EXPECT_EQ(w->CommandRun->text(), "EnFORM110");
}

}  // namespace
}  // namespace vellora::test
