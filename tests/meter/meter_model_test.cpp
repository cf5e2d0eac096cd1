// SPDX-License-Identifier: GPL-3.0-or-later
// The meter without a window: one reading's tension and verdict by the set-up's method,
// Repeat mode's states and their texts, and the agreement a set-up change or a restart
// begins again.
#include "meter/meter_model.h"

#include <gtest/gtest.h>

namespace vellora {
namespace {

constexpr double kExact = 1e-9;

// 100 g/m over 500 mm: T = 4 x 0.1 x 0.25 x f^2 = 0.1 f^2 N. The factor 0.9 is the one the
// form shows; with the stiffness measured it must not count.
BeltSetup stiffBelt() {
    return {.name = "Stiff",
            .mass = 100,
            .spanMm = 500,
            .factor = 0.9,
            .measuredStiffness = true,
            .target = TargetKind::Tension,
            .targetLow = 990,
            .targetHigh = 1010};
}

PluckVerdict pluck(double hz) {
    PluckVerdict v;
    v.refusal = PluckRefusal::None;
    v.hz = hz;
    return v;
}

// The formula and its known answers are the belt set-up's; here the meter hands it the
// pluck's B and the chosen set-up.
TEST(MeterModel, OnePluckGivesOneTensionAndVerdict) {
    MeterModel m;
    m.chooseSetup(stiffBelt());
    m.runStarted();
    // f1 = 101 Hz with B = 0.0201: f0 = 100 Hz, T = 1000 N, inside 990 .. 1010 N. Without B
    // it would be 1020.1 N, with the factor 918.09 N: both outside.
    const MeterReading& r = m.taken(101, 0.0201);
    ASSERT_TRUE(r.line.tension);
    EXPECT_NEAR(r.line.tension->newtons, 1000, kExact);
    EXPECT_EQ(r.line.range, RangeStatus::Inside);
    EXPECT_EQ(r.line.setup, "Stiff");
    EXPECT_TRUE(r.triggered && r.measuredStiffness);

    // A live clip of a free run goes through the same method; no clear pitch, no tension.
    m.clipRead(101, 0.0201);
    EXPECT_NEAR(m.shown()->line.tension->newtons, 1000, kExact);
    EXPECT_FALSE(m.shown()->triggered);
    m.clipRead(std::nullopt, 0.0201);
    EXPECT_FALSE(m.shown()->clearPitch || m.shown()->line.tension);

    BeltSetup factor = stiffBelt();
    factor.measuredStiffness = false;
    m.chooseSetup(factor);
    EXPECT_FALSE(m.shown()) << "a set-up change clears the reading shown";
    EXPECT_EQ(m.taken(101, 0.0201).line.range, RangeStatus::Outside);
    // The search looks round f1 of the target: 990 N is 104.88 Hz with the factor.
    EXPECT_NEAR(m.searchRange()->low, 104.88088481701516, 1e-9);  // sqrt(990 / 0.09)

    m.chooseSetup(std::nullopt);
    EXPECT_FALSE(m.taken(101, 0.0201).line.tension) << "no set-up, no tension";
}

TEST(MeterModel, RepeatGoesListeningReadingHeldListeningWithItsTexts) {
    MeterModel m;
    m.chooseSetup(stiffBelt());
    EXPECT_EQ(m.state(), MeterActivity::Stopped);
    m.repeat().setEnabled(true);
    m.runStarted();
    m.setLearningNoise(true);
    EXPECT_EQ(m.state(), MeterActivity::LearningNoise);
    m.setLearningNoise(false);
    const struct {
        MeterActivity state;
        int key;
    } expected[] = {{MeterActivity::WaitingForPluck, 81},
                    {MeterActivity::Judging, 93},
                    {MeterActivity::Holding, 94},
                    {MeterActivity::WaitingForPluck, 81}};
    std::vector<MeterActivity> seen = {m.state()};
    m.triggerFired();
    seen.push_back(m.state());
    ASSERT_EQ(m.repeat().triggered(pluck(101), false).step, RepeatStep::Accept);
    m.pluckTaken(101, 0.0201);
    m.runStopped();  // the trigger ends the cycle loop; the run is only paused
    seen.push_back(m.state());
    m.rearmed();
    seen.push_back(m.state());
    for (size_t i = 0; i < std::size(expected); ++i) {
        EXPECT_EQ(seen[i], expected[i].state) << i;
        EXPECT_EQ(statusKey(seen[i]), expected[i].key) << i;
    }
    // Between plucks the clips are background: the reading stays.
    m.clipRead(55, 0);
    EXPECT_EQ(m.shown()->line.hz, 101);

    // A refusal is shown as a notice, not taken; the meter listens on.
    m.triggerFired();
    m.repeat().triggered(PluckVerdict{PluckRefusal::TooShort}, false);
    const MeterReading no = m.refused(PluckRefusal::TooShort, "too short");
    EXPECT_EQ(no.line.status, ReadingStatus::Refused);
    EXPECT_EQ(no.line.why, "too short");
    EXPECT_EQ(m.notice(), PluckRefusal::TooShort);
    m.runStopped();
    EXPECT_EQ(m.state(), MeterActivity::WaitingForPluck);
    EXPECT_EQ(m.shown()->line.hz, 101);

    m.repeat().stopped();
    m.runStopped();
    EXPECT_EQ(m.state(), MeterActivity::Stopped);
    EXPECT_EQ(statusKey(m.state()), 91);
    m.repeat().setEnabled(false);
    m.runStarted();
    EXPECT_EQ(statusKey(m.state()), 92);
    m.setCalibrating(true);
    EXPECT_EQ(statusKey(m.state()), 95);
}

TEST(MeterModel, ASetupChangeOrARestartStartsANewAgreement) {
    MeterModel m;
    m.chooseSetup(stiffBelt());
    m.runStarted();
    m.taken(100, 0);
    m.taken(100.5, 0);
    EXPECT_EQ(m.shown()->agreeing, 2);
    const MeterReading& third = m.taken(100.9, 0);
    EXPECT_EQ(third.agreement, Agreement::Confirmed);
    EXPECT_EQ(third.line.status, ReadingStatus::Confirmed);

    // The same set-up chosen again changes nothing; other values are another belt.
    m.chooseSetup(stiffBelt());
    EXPECT_EQ(m.taken(100.2, 0).agreement, Agreement::Confirmed);
    BeltSetup longer = stiffBelt();
    longer.spanMm = 510;
    m.chooseSetup(longer);
    m.taken(100, 0);
    const MeterReading& two = m.taken(100.5, 0);
    EXPECT_EQ(two.agreement, Agreement::TooFew);
    EXPECT_EQ(two.agreeing, 2);
    EXPECT_EQ(two.line.status, ReadingStatus::Accepted);

    // A run stopped and started again goes on with the same agreement: without Repeat
    // each pluck is a run of its own.
    m.runStopped();
    m.runStarted();
    EXPECT_EQ(m.taken(100.2, 0).agreement, Agreement::Confirmed);
    // The program started again knows none of the readings before (they stay in the file).
    MeterModel restarted;
    restarted.chooseSetup(longer);
    EXPECT_EQ(restarted.taken(100.2, 0).agreeing, 1);
    // A re-arm between plucks is no restart.
    restarted.repeat().setEnabled(true);
    restarted.repeat().triggered(pluck(100.4), false);
    restarted.pluckTaken(100.4, 0);
    restarted.rearmed();
    EXPECT_EQ(restarted.pluckTaken(100.6, 0).agreement, Agreement::Confirmed);
    // Refused plucks in between count for nothing, however many; 101.51 is 1.005 % above
    // 100.5 and agrees with the two before it only; 101.2 then agrees with 100.6 and 101.51.
    for (int i = 0; i < 5; ++i) restarted.refused(PluckRefusal::NoTone, "no clear pitch");
    EXPECT_EQ(restarted.pluckTaken(101.51, 0).agreement, Agreement::Disagree);
    EXPECT_EQ(restarted.pluckTaken(101.2, 0).agreement, Agreement::Confirmed);
}

}  // namespace
}  // namespace vellora
