// The decisions of hands-free measuring, window-free: what each trigger leads to, the
// pause lengths, the "2 of 3" text, the cues and the target as a frequency range.
#include <gtest/gtest.h>

#include "mainwindow/repeat_mode.h"

namespace vellora {
namespace {

PluckVerdict verdict(PluckRefusal r) {
    PluckVerdict v;
    v.refusal = r;
    if (r == PluckRefusal::None) v.hz = 87.3;
    return v;
}

TEST(RepeatMode, EachTriggerLeadsToItsStep) {
    struct Step {
        const char* name;
        PluckRefusal clip;
        RepeatStep step;
        int rearmAfterMs;
        bool log;
        bool continuing;  // afterwards
    };
    const RepeatTimes times{1500, 900};
    const Step steps[] = {
        {"a pluck", PluckRefusal::None, RepeatStep::Accept, 1500, true, false},
        {"a knock", PluckRefusal::TooShort, RepeatStep::Refuse, 0, true, false},
        {"the knock again", PluckRefusal::TooShort, RepeatStep::Refuse, 0, false, false},
        {"a held tone", PluckRefusal::NotDecaying, RepeatStep::Refuse, 0, true, false},
        {"a late onset", PluckRefusal::LateOnset, RepeatStep::Continue, 0, false, true},
        {"its ringing", PluckRefusal::None, RepeatStep::Accept, 1500, true, false},
        {"the held tone after a reading", PluckRefusal::NotDecaying, RepeatStep::Refuse, 0, true,
         false},
        {"a late onset", PluckRefusal::LateOnset, RepeatStep::Continue, 0, false, true},
        {"late once more", PluckRefusal::LateOnset, RepeatStep::Refuse, 0, true, false},
    };
    RepeatMode mode;
    mode.setTimes(times);
    mode.setEnabled(true);
    for (const Step& s : steps) {
        const RepeatDecision d = mode.triggered(verdict(s.clip), false);
        EXPECT_EQ(d.step, s.step) << s.name;
        EXPECT_EQ(d.rearmAfterMs, s.rearmAfterMs) << s.name;
        EXPECT_EQ(d.log, s.log) << s.name;
        EXPECT_EQ(mode.continuing(), s.continuing) << s.name;
        EXPECT_TRUE(mode.pending()) << s.name;
        mode.rearmed();
        EXPECT_FALSE(mode.pending()) << s.name;
    }
}

TEST(RepeatMode, OffOrCalibratingEveryTriggerStopsTheRunAsBefore) {
    RepeatMode mode;
    EXPECT_FALSE(mode.enabled()) << "off by default";
    for (const PluckRefusal r : {PluckRefusal::None, PluckRefusal::TooShort}) {
        EXPECT_EQ(mode.triggered(verdict(r), false).step, RepeatStep::Original);
        EXPECT_FALSE(mode.pending());
    }
    mode.setEnabled(true);
    EXPECT_EQ(mode.triggered(verdict(PluckRefusal::None), true).step, RepeatStep::Original);
    EXPECT_FALSE(mode.pending());

    // A stop or turning the mode off clears what was due.
    mode.triggered(verdict(PluckRefusal::LateOnset), false);
    ASSERT_TRUE(mode.pending() && mode.continuing());
    mode.stopped();
    EXPECT_FALSE(mode.pending() || mode.continuing());
    mode.triggered(verdict(PluckRefusal::None), false);
    mode.setEnabled(false);
    EXPECT_FALSE(mode.pending());
}

TEST(RepeatMode, PausesAreKeptWithinBounds) {
    struct Case {
        RepeatTimes given;
        RepeatTimes kept;
    };
    const Case cases[] = {
        {{2000, 1500}, {2000, 1500}},
        {{0, -5}, {kMinRepeatMs, kMinRepeatMs}},
        {{1000000, 30001}, {kMaxRepeatMs, kMaxRepeatMs}},
    };
    RepeatMode mode;
    for (const Case& c : cases) {
        mode.setTimes(c.given);
        EXPECT_EQ(mode.times().holdMs, c.kept.holdMs);
        EXPECT_EQ(mode.times().refusalMs, c.kept.refusalMs);
    }
    EXPECT_EQ(RepeatTimes{}.holdMs, 2000) << "two seconds unless the settings say otherwise";
}

TEST(RepeatMode, AgreementText) {
    EXPECT_EQ(agreeingText("%1 of %2", 2, 3), "2 of 3");
    EXPECT_EQ(agreeingText("%1 sur %2", 1, 3), "1 sur 3");
    EXPECT_EQ(agreeingText("%2: %1", 3, 3), "3: 3");
    EXPECT_EQ(agreeingText("no marks", 2, 3), "no marks");

}

TEST(RepeatMode, CuesAreShortSoftEdgedAndTellApart) {
    constexpr uint32_t kRate = 22050;
    const std::vector<uint8_t> accepted = cueSamples(false, kRate);
    const std::vector<uint8_t> confirmed = cueSamples(true, kRate);
    // 70 ms, and two beeps with 40 ms between them.
    EXPECT_EQ(accepted.size(), 1543u);
    EXPECT_EQ(confirmed.size(), 2u * 1543u + 882u);
    // Both end before the run listens again.
    EXPECT_LT(confirmed.size(), size_t(kRate) * kMinRepeatMs / 1000);
    for (const auto* cue : {&accepted, &confirmed}) {
        EXPECT_EQ(cue->front(), 128);
        EXPECT_EQ(cue->back(), 128);
        const auto [lo, hi] = std::minmax_element(cue->begin(), cue->end());
        EXPECT_GE(*lo, 128 - 90);
        EXPECT_LE(*hi, 128 + 90);
        EXPECT_GT(*hi, 128 + 80) << "loud enough";
    }
}

TEST(RepeatMode, TargetAsAFrequencyRange) {
    BeltSetup s;
    s.name = "Timing";
    s.mass = 110;  // g/m
    s.spanMm = 400;
    EXPECT_FALSE(targetRange(std::nullopt));
    EXPECT_FALSE(targetRange(s)) << "no target";
    s.target = TargetKind::Frequency;
    s.targetLow = 80;
    s.targetHigh = 95;
    ASSERT_TRUE(targetRange(s));
    EXPECT_EQ(targetRange(s)->low, 80);
    EXPECT_EQ(targetRange(s)->high, 95);
    // 87 Hz on 0.11 kg/m over 0.4 m: T = 4 x 0.11 x 0.16 x 87^2 = 532.8576 N; 100 Hz:
    // 704 N.
    s.target = TargetKind::Tension;
    s.targetLow = 532.8576;
    s.targetHigh = 704;
    ASSERT_TRUE(targetRange(s));
    EXPECT_NEAR(targetRange(s)->low, 87, 1e-9);
    EXPECT_NEAR(targetRange(s)->high, 100, 1e-9);
}

}  // namespace
}  // namespace vellora
