// SPDX-License-Identifier: GPL-3.0-or-later
#include "belt/belt_setup.h"

#include <gtest/gtest.h>

namespace vellora {
namespace {

constexpr double kExact = 1e-9;  // hand-computed values, exact but for rounding

// 100 g/m over 500 mm: 4 * 0.1 kg/m * (0.5 m)^2 * (100 Hz)^2 = 1000 N.
BeltSetupForm validForm() {
    BeltSetupForm f;
    f.name = "Cam belt";
    f.mass = "100";
    f.span = "500";
    return f;
}

// Every other basis: 4.5 g/m/mm over 6 ribs of 3.56 mm, pulleys of 100 and 60 mm 300 apart.
BeltSetupForm fullForm() {
    BeltSetupForm f = validForm();
    f.massBasis = MassBasis::PerMetreAndMm;
    f.mass = "4,5";  // a comma reads as the decimal separator
    f.widthBasis = WidthBasis::Ribs;
    f.ribs = "6";
    f.spanBasis = SpanBasis::Pulleys;
    f.centreDistance = "300";
    f.pulley1 = "100";
    f.pulley2 = "60";
    f.target = TargetKind::Frequency;
    f.targetLow = "95";
    f.targetHigh = "105";
    return f;
}

TEST(Tension, KnownAnswersForEachBasisFactorAndStiffness) {
    const Tension t = tensionFromFrequency(0.1, 0.5, 100, 1.0);
    EXPECT_NEAR(t.newtons, 1000, kExact);
    EXPECT_NEAR(t.kgf, 101.97162129779283, kExact);
    EXPECT_NEAR(t.lbf, 224.80894309971, kExact);

    const BeltSetup full = *validateBeltSetup(fullForm()).setup;
    EXPECT_NEAR(kilogramsPerMetre(full), 0.09612, kExact);           // 4.5 * 6 * 3.56 g/m
    EXPECT_NEAR(spanMillimetres(full), 299.33259094191531, kExact);  // sqrt(300^2 - 20^2)
    EXPECT_NEAR(tensionOf(full, 50, 0).newtons, 86.12352, kExact);   // 4 * .09612 * .0896 * 2500

    // With B = 0.0201 the first mode of a belt whose f0 is 100 Hz is 101 Hz exactly.
    BeltSetup s = *validateBeltSetup(validForm()).setup;
    s.factor = 0.9;
    EXPECT_NEAR(tensionOf(s, 101, 0.0201).newtons, 918.09, kExact);  // 0.9 * 0.1 * 101^2
    s.measuredStiffness = true;
    EXPECT_NEAR(tensionOf(s, 101, 0.0201).newtons, 1000, kExact);
}

TEST(BeltSetup, TargetRangesInFrequencyOrTension) {
    BeltSetup s = *validateBeltSetup(validForm()).setup;
    s.measuredStiffness = true;
    auto status = [&](TargetKind target, double low, double high, double hz, double b = 0) {
        s.target = target, s.targetLow = low, s.targetHigh = high;
        return rangeStatus(s, hz, tensionOf(s, hz, b));
    };
    EXPECT_EQ(status(TargetKind::Frequency, 95, 105, 95), RangeStatus::Inside);  // both ends
    EXPECT_EQ(status(TargetKind::Frequency, 95, 105, 105), RangeStatus::Inside);
    EXPECT_EQ(status(TargetKind::Frequency, 95, 105, 105.1), RangeStatus::Outside);
    EXPECT_EQ(status(TargetKind::Tension, 990, 1010, 101, 0.0201), RangeStatus::Inside);
    EXPECT_EQ(status(TargetKind::Tension, 990, 1010, 101), RangeStatus::Outside);  // 1020.1 N
    EXPECT_EQ(status(TargetKind::None, 0, 0, 100), RangeStatus::NoTarget);
    status(TargetKind::Tension, 1000, 4000, 0);  // 1000 N at 100 Hz, 4000 N at 200 Hz
    EXPECT_NEAR(targetFrequencies(s)->low, 100, kExact);
    EXPECT_NEAR(targetFrequencies(s)->high, 200, kExact);
    // The factor field counts only while the stiffness is not measured.
    s.factor = 0.9;
    EXPECT_NEAR(targetFrequencies(s)->low, 100, kExact);
    s.measuredStiffness = false;
    EXPECT_NEAR(targetFrequencies(s)->low, 105.40925533894598, kExact);  // sqrt(1000 / 0.09)
}

TEST(BeltSetup, BadEntriesAreRefusedWithAHintOnTheirField) {
    using F = BeltSetupForm;
    const struct {
        std::string BeltSetupForm::*entry;
        std::string text;
        BeltField field;
        FieldProblem problem;
    } cases[] = {
        {&F::name, "  ", BeltField::Name, FieldProblem::Empty},
        {&F::name, "a]b", BeltField::Name, FieldProblem::BadCharacters},
        {&F::name, "Cam\nbelt", BeltField::Name, FieldProblem::BadCharacters},
        {&F::name, "Cam ", BeltField::Name, FieldProblem::BlankAtEnds},
        {&F::name, std::string(65, 'x'), BeltField::Name, FieldProblem::TooLong},
        {&F::mass, "12g", BeltField::Mass, FieldProblem::NotANumber},
        {&F::centreDistance, "inf", BeltField::CentreDistance, FieldProblem::NotANumber},
        {&F::centreDistance, "-5", BeltField::CentreDistance, FieldProblem::Negative},
        {&F::centreDistance, "80", BeltField::CentreDistance, FieldProblem::PulleysTooLarge},
        {&F::factor, "0", BeltField::Factor, FieldProblem::Zero},
        {&F::ribs, "5.5", BeltField::Ribs, FieldProblem::NotWhole},
        {&F::targetHigh, "90", BeltField::TargetHigh, FieldProblem::RangeReversed},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        BeltSetupForm f = fullForm();
        f.*c.entry = c.text;
        const BeltValidation v = validateBeltSetup(f);
        EXPECT_FALSE(v.setup);
        ASSERT_EQ(v.hints.size(), 1u);
        EXPECT_EQ(v.hints[0].field, c.field);
        EXPECT_EQ(v.hints[0].problem, c.problem);
    }
    BeltSetupForm f = validForm();
    f.name.clear();
    for (int i = 0; i < 64; ++i) f.name += "\u00E9";  // 64 characters, 128 bytes
    EXPECT_TRUE(validateBeltSetup(f).setup);
    f = fullForm();
    f.targetHigh = f.targetLow;  // a target of one value is no reversed range
    EXPECT_TRUE(validateBeltSetup(f).setup);
}

}  // namespace
}  // namespace vellora
