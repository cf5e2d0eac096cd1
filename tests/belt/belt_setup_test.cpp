#include "belt/belt_setup.h"

#include <gtest/gtest.h>

#include <cmath>

namespace vellora {
namespace {

constexpr double kExact = 1e-9;  // hand-computed values, exact but for rounding

BeltSetupForm validForm() {
    BeltSetupForm f;
    f.name = "Cam belt";
    f.mass = "100";
    f.span = "500";
    return f;
}

TEST(Tension, FourMassSpanSquaredFrequencySquaredTimesFactor) {
    // 4 * 0.1 kg/m * (0.5 m)^2 * (100 Hz)^2 = 1000 N.
    const Tension t = tensionFromFrequency(0.1, 0.5, 100, 1.0);
    EXPECT_NEAR(t.newtons, 1000, kExact);
    EXPECT_NEAR(t.kgf, 1000 / 9.80665, kExact);
    EXPECT_NEAR(t.lbf, 224.80894309971, 1e-9);
    EXPECT_NEAR(tensionFromFrequency(0.1, 0.5, 100, 1.2).newtons, 1200, kExact);
    EXPECT_NEAR(frequencyForTension(0.1, 0.5, 1200, 1.2), 100, kExact);
}

// Every basis in use: ribs of 3.56 mm, the span from the centre distance and pulleys,
// a frequency range.
BeltSetupForm fullForm() {
    BeltSetupForm f = validForm();
    f.massBasis = MassBasis::PerMetreAndMm;
    f.mass = "4,5";  // a comma reads as the decimal separator
    f.widthBasis = WidthBasis::Ribs;
    f.width = "rubbish, not used with ribs";
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

TEST(BeltSetup, MassWidthRibsAndSpanFromPulleys) {
    BeltSetupForm f = fullForm();
    f.widthBasis = WidthBasis::Millimetres;
    f.width = "20";
    auto v = validateBeltSetup(f);
    ASSERT_TRUE(v.setup);
    EXPECT_NEAR(kilogramsPerMetre(*v.setup), 0.090, kExact);  // 4.5 g/m/mm * 20 mm

    v = validateBeltSetup(fullForm());
    ASSERT_TRUE(v.setup);
    EXPECT_NEAR(kilogramsPerMetre(*v.setup), 0.09612, kExact);  // 4.5 * 6 * 3.56 g/m
    // The span between pulleys of radii 50 and 30, 300 apart: sqrt(300^2 - 20^2) mm.
    EXPECT_NEAR(spanMillimetres(*v.setup), 299.33259094191531, kExact);
    // 4 * 0.09612 kg/m * 0.0896 m^2 * (50 Hz)^2.
    EXPECT_NEAR(tensionOf(*v.setup, 50).newtons, 86.12352, 1e-9);
}

TEST(BeltSetup, BadEntriesAreRefusedWithAHintOnTheirField) {
    const struct {
        bool full;  // on fullForm(), else on validForm()
        std::string BeltSetupForm::*entry;
        std::string text;
        BeltField field;
        FieldProblem problem;
    } cases[] = {
        {false, &BeltSetupForm::name, "  ", BeltField::Name, FieldProblem::Empty},
        {false, &BeltSetupForm::name, "a=b", BeltField::Name, FieldProblem::BadCharacters},
        {false, &BeltSetupForm::name, "a]b", BeltField::Name, FieldProblem::BadCharacters},
        {false, &BeltSetupForm::name, "Cam\nbelt", BeltField::Name, FieldProblem::BadCharacters},
        {false, &BeltSetupForm::name, " Cam", BeltField::Name, FieldProblem::BlankAtEnds},
        {false, &BeltSetupForm::name, "Cam ", BeltField::Name, FieldProblem::BlankAtEnds},
        {false, &BeltSetupForm::name, std::string(65, 'x'), BeltField::Name, FieldProblem::TooLong},
        {false, &BeltSetupForm::mass, "", BeltField::Mass, FieldProblem::Empty},
        {false, &BeltSetupForm::mass, "12g", BeltField::Mass, FieldProblem::NotANumber},
        {false, &BeltSetupForm::span, "inf", BeltField::Span, FieldProblem::NotANumber},
        {false, &BeltSetupForm::span, "-5", BeltField::Span, FieldProblem::Negative},
        {false, &BeltSetupForm::factor, "0", BeltField::Factor, FieldProblem::Zero},
        {true, &BeltSetupForm::ribs, "5.5", BeltField::Ribs, FieldProblem::NotWhole},
        {true, &BeltSetupForm::centreDistance, "80", BeltField::CentreDistance,
         FieldProblem::PulleysTooLarge},
        {true, &BeltSetupForm::targetHigh, "90", BeltField::TargetHigh,
         FieldProblem::RangeReversed},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        BeltSetupForm f = c.full ? fullForm() : validForm();
        f.*c.entry = c.text;
        const BeltValidation v = validateBeltSetup(f);
        EXPECT_FALSE(v.setup);
        ASSERT_EQ(v.hints.size(), 1u);
        EXPECT_EQ(v.hints[0].field, c.field);
        EXPECT_EQ(v.hints[0].problem, c.problem);
        EXPECT_FALSE(defaultHintText(v.hints[0].problem).empty());
    }
}

TEST(BeltSetup, NamesUpToSixtyFourCharactersNotBytesAreKept) {
    const std::string e = "\xC3\xA9";  // é: two bytes, one character
    for (const std::string& name : {std::string(64, 'x'),
                                    [&] {
                                        std::string s;
                                        for (int i = 0; i < 64; ++i) s += e;
                                        return s;
                                    }(),
                                    std::string("Courroie d'accessoires \"A\" (6PK)")}) {
        BeltSetupForm f = validForm();
        f.name = name;
        const BeltValidation v = validateBeltSetup(f);
        ASSERT_TRUE(v.setup) << name;
        EXPECT_EQ(v.setup->name, name);
    }
}

TEST(BeltSetup, TargetRangeInFrequencyOrTension) {
    BeltSetupForm f = validForm();  // 1000 N at 100 Hz
    f.target = TargetKind::Frequency;
    f.targetLow = "95";
    f.targetHigh = "105";
    BeltSetup s = *validateBeltSetup(f).setup;
    EXPECT_EQ(rangeStatus(s, 95), RangeStatus::Inside);
    EXPECT_EQ(rangeStatus(s, 105.1), RangeStatus::Outside);
    s.target = TargetKind::Tension;  // 1000 N at 100 Hz for this belt
    s.targetLow = 900;
    s.targetHigh = 1100;
    EXPECT_EQ(rangeStatus(s, 100), RangeStatus::Inside);
    EXPECT_EQ(rangeStatus(s, 90), RangeStatus::Outside);  // 810 N
    s.target = TargetKind::None;
    EXPECT_EQ(rangeStatus(s, 100), RangeStatus::NoTarget);
}

// A belt of 100 g/m over 500 mm carries 1000 N at f0 = 100 Hz. With B = 0.0201 its first
// mode is 100 * sqrt(1.0201) = 101 Hz exactly.
TEST(BeltSetup, TensionFromTheMeasuredStiffnessOrTheFactor) {
    BeltSetup s = *validateBeltSetup(validForm()).setup;
    s.factor = 0.9;
    EXPECT_NEAR(tensionOf(s, 101, 0.0201).newtons, 0.9 * 4 * 0.1 * 0.25 * 101 * 101, 1e-9);
    s.measuredStiffness = true;
    EXPECT_NEAR(tensionOf(s, 101, 0.0201).newtons, 1000, 1e-9);
    EXPECT_NEAR(tensionOf(s, 100, 0).newtons, 1000, 1e-9);
    s.target = TargetKind::Tension;
    s.targetLow = 990;
    s.targetHigh = 1010;
    EXPECT_EQ(rangeStatus(s, 101, 0.0201), RangeStatus::Inside);
    EXPECT_EQ(rangeStatus(s, 101, 0), RangeStatus::Outside);  // 1020.1 N
}

TEST(BeltSetup, TargetFrequenciesOfAFrequencyOrTensionRange) {
    BeltSetup s = *validateBeltSetup(validForm()).setup;
    EXPECT_FALSE(targetFrequencies(s));
    s.target = TargetKind::Frequency;
    s.targetLow = 95;
    s.targetHigh = 105;
    EXPECT_EQ(targetFrequencies(s)->low, 95);
    s.target = TargetKind::Tension;  // 1000 N at 100 Hz, 4000 N at 200 Hz
    s.targetLow = 1000;
    s.targetHigh = 4000;
    EXPECT_NEAR(targetFrequencies(s)->low, 100, 1e-9);
    EXPECT_NEAR(targetFrequencies(s)->high, 200, 1e-9);
}

}  // namespace
}  // namespace vellora
