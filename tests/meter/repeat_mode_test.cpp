// SPDX-License-Identifier: GPL-3.0-or-later
// The decisions of hands-free measuring, window-free: what each trigger leads to, the
// pause lengths, the "2 of 3" text, and the cues.
#include "meter/repeat_mode.h"

#include <gtest/gtest.h>

namespace vellora {
namespace {

PluckVerdict verdict(PluckRefusal r) {
    PluckVerdict v;
    v.refusal = r;
    if (r == PluckRefusal::None) v.hz = 87.3;
    return v;
}

TEST(RepeatMode, EachTriggerLeadsToItsStep) {
    using R = PluckRefusal;
    using S = RepeatStep;
    struct Step {
        R clip;
        S step;
        int rearmAfterMs;
        bool log, continuing;
    };
    // A pluck, a knock (logged once), a held tone, a late onset and its ringing, the held
    // tone after a reading, a late onset twice.
    const Step steps[] = {
        {R::None, S::Accept, 1500, true, false},     {R::TooShort, S::Refuse, 0, true, false},
        {R::TooShort, S::Refuse, 0, false, false},   {R::NotDecaying, S::Refuse, 0, true, false},
        {R::LateOnset, S::Continue, 0, false, true}, {R::None, S::Accept, 1500, true, false},
        {R::NotDecaying, S::Refuse, 0, true, false}, {R::LateOnset, S::Continue, 0, false, true},
        {R::LateOnset, S::Refuse, 0, true, false},
    };
    RepeatMode mode;
    mode.setTimes({1500, 900});
    mode.setEnabled(true);
    for (size_t i = 0; i < std::size(steps); ++i) {
        const Step& s = steps[i];
        const RepeatDecision d = mode.triggered(verdict(s.clip), false);
        EXPECT_EQ(d.step, s.step) << i;
        EXPECT_EQ(d.rearmAfterMs, s.rearmAfterMs) << i;
        EXPECT_EQ(d.log, s.log) << i;
        EXPECT_EQ(mode.continuing(), s.continuing) << i;
        EXPECT_TRUE(mode.pending()) << i;
        mode.rearmed();
        EXPECT_FALSE(mode.pending()) << i;
    }
    // Calibrating, off, stopped: the run stops as before and nothing is due.
    EXPECT_EQ(mode.triggered(verdict(R::None), true).step, S::Original);
    mode.triggered(verdict(R::LateOnset), false);
    mode.stopped();
    EXPECT_FALSE(mode.pending() || mode.continuing());
    mode.triggered(verdict(R::None), false);
    mode.setEnabled(false);
    EXPECT_FALSE(mode.pending());
    EXPECT_EQ(mode.triggered(verdict(R::None), false).step, S::Original);
    EXPECT_FALSE(mode.pending());
}

// Three knocks, each ringing on into the clips after it: three refusals, told and logged
// once each under the knock's own reason; a sound without onset after a reading is
// logged as such.
TEST(RepeatMode, ARefusedSoundsRingingIsThatSoundStill) {
    using R = PluckRefusal;
    const R clips[] = {R::TooShort, R::NoOnset, R::NoOnset, R::NotDecaying, R::NoOnset,
                       R::Unsteady, R::NoOnset, R::None,    R::NoOnset};
    const R shown[] = {R::TooShort, R::TooShort, R::TooShort, R::NotDecaying, R::NotDecaying,
                       R::Unsteady, R::Unsteady, R::None,     R::NoOnset};
    RepeatMode mode;
    mode.setEnabled(true);
    int logged = 0;
    for (size_t i = 0; i < std::size(clips); ++i) {
        const RepeatDecision d = mode.triggered(verdict(clips[i]), false);
        mode.rearmed();
        EXPECT_EQ(d.why, shown[i]) << i;
        logged += d.log && d.step == RepeatStep::Refuse;
    }
    EXPECT_EQ(logged, 4);
}

TEST(RepeatMode, PausesAndTexts) {
    RepeatMode mode;
    mode.setTimes({0, 1000000});
    EXPECT_EQ(mode.times().holdMs, kMinRepeatMs);
    EXPECT_EQ(mode.times().refusalMs, kMaxRepeatMs);
    EXPECT_EQ(agreeingText("%1 sur %2", 1, 3), "1 sur 3");
    EXPECT_EQ(agreeingText("%2: %1", 2, 3), "3: 2");
}

TEST(RepeatMode, CuesAreShortSoftEdgedAndTellApart) {
    const std::vector<uint8_t> accepted = cueSamples(false, 22050);
    const std::vector<uint8_t> confirmed = cueSamples(true, 22050);
    // 70 ms, and two beeps with 40 ms between them, over before the run listens again.
    EXPECT_EQ(accepted.size(), 1543u);
    EXPECT_EQ(confirmed.size(), 2u * 1543u + 882u);
    EXPECT_LT(confirmed.size(), 22050u * kMinRepeatMs / 1000);
    for (const auto* cue : {&accepted, &confirmed}) {
        EXPECT_TRUE(cue->front() == 128 && cue->back() == 128);
        const auto [lo, hi] = std::minmax_element(cue->begin(), cue->end());
        EXPECT_TRUE(*lo >= 128 - 90 && *hi <= 128 + 90 && *hi > 128 + 80) << "loud, not clipped";
    }
}

}  // namespace
}  // namespace vellora
