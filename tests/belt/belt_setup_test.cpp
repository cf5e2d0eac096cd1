#include "belt/belt_setup.h"

#include <gtest/gtest.h>

#include <cctype>
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

TEST(BeltSetup, MassWidthRibsAndSpanFromPulleys) {
    BeltSetupForm f = validForm();
    f.massBasis = MassBasis::PerMetreAndMm;
    f.mass = "4,5";  // a comma reads as the decimal separator
    f.width = "20";
    auto v = validateBeltSetup(f);
    ASSERT_TRUE(v.setup);
    EXPECT_NEAR(kilogramsPerMetre(*v.setup), 0.090, kExact);

    f.widthBasis = WidthBasis::Ribs;
    f.width = "rubbish, not used with ribs";
    f.ribs = "6";
    v = validateBeltSetup(f);
    ASSERT_TRUE(v.setup);
    EXPECT_NEAR(kilogramsPerMetre(*v.setup), 4.5 * 6 * 3.56 / 1000, kExact);

    f = validForm();
    f.spanBasis = SpanBasis::Pulleys;
    f.centreDistance = "300";
    f.pulley1 = "100";
    f.pulley2 = "60";
    v = validateBeltSetup(f);
    ASSERT_TRUE(v.setup);
    EXPECT_NEAR(spanMillimetres(*v.setup), std::sqrt(300.0 * 300 - 20 * 20), kExact);
    EXPECT_NEAR(tensionOf(*v.setup, 50).newtons,
                4 * 0.1 * std::pow(spanMillimetres(*v.setup) / 1000, 2) * 2500, kExact);
}

struct BadEntry {
    const char* what;
    void (*edit)(BeltSetupForm&);
    BeltField field;
    FieldProblem problem;
};

void PrintTo(const BadEntry& e, std::ostream* os) { *os << e.what; }

class BadEntries : public ::testing::TestWithParam<BadEntry> {};

TEST_P(BadEntries, AreRefusedWithAHintOnTheirField) {
    BeltSetupForm f = validForm();
    GetParam().edit(f);
    const BeltValidation v = validateBeltSetup(f);
    EXPECT_FALSE(v.setup);
    ASSERT_EQ(v.hints.size(), 1u);
    EXPECT_EQ(v.hints[0].field, GetParam().field);
    EXPECT_EQ(v.hints[0].problem, GetParam().problem);
    EXPECT_FALSE(defaultHintText(v.hints[0].problem).empty());
}

INSTANTIATE_TEST_SUITE_P(
    Fields, BadEntries,
    ::testing::Values(
        BadEntry{"empty name", [](BeltSetupForm& f) { f.name = "  "; }, BeltField::Name,
                 FieldProblem::Empty},
        BadEntry{"name with =", [](BeltSetupForm& f) { f.name = "a=b"; }, BeltField::Name,
                 FieldProblem::BadCharacters},
        BadEntry{"name with a bracket", [](BeltSetupForm& f) { f.name = "a]b"; }, BeltField::Name,
                 FieldProblem::BadCharacters},
        BadEntry{"name with a line break", [](BeltSetupForm& f) { f.name = "Cam\nbelt"; },
                 BeltField::Name, FieldProblem::BadCharacters},
        BadEntry{"name with a leading blank", [](BeltSetupForm& f) { f.name = " Cam"; },
                 BeltField::Name, FieldProblem::BlankAtEnds},
        BadEntry{"name with a trailing blank", [](BeltSetupForm& f) { f.name = "Cam "; },
                 BeltField::Name, FieldProblem::BlankAtEnds},
        BadEntry{"name of 65 characters", [](BeltSetupForm& f) { f.name = std::string(65, 'x'); },
                 BeltField::Name, FieldProblem::TooLong},
        BadEntry{"name of 2000 characters",
                 [](BeltSetupForm& f) { f.name = std::string(2000, 'x'); }, BeltField::Name,
                 FieldProblem::TooLong},
        BadEntry{"empty mass", [](BeltSetupForm& f) { f.mass = ""; }, BeltField::Mass,
                 FieldProblem::Empty},
        BadEntry{"mass text", [](BeltSetupForm& f) { f.mass = "12g"; }, BeltField::Mass,
                 FieldProblem::NotANumber},
        BadEntry{"infinite span", [](BeltSetupForm& f) { f.span = "inf"; }, BeltField::Span,
                 FieldProblem::NotANumber},
        BadEntry{"negative span", [](BeltSetupForm& f) { f.span = "-5"; }, BeltField::Span,
                 FieldProblem::Negative},
        BadEntry{"zero factor", [](BeltSetupForm& f) { f.factor = "0"; }, BeltField::Factor,
                 FieldProblem::Zero},
        BadEntry{"half rib",
                 [](BeltSetupForm& f) {
                     f.massBasis = MassBasis::PerMetreAndMm;
                     f.widthBasis = WidthBasis::Ribs;
                     f.ribs = "5.5";
                 },
                 BeltField::Ribs, FieldProblem::NotWhole},
        BadEntry{"touching pulleys",
                 [](BeltSetupForm& f) {
                     f.spanBasis = SpanBasis::Pulleys;
                     f.centreDistance = "80";
                     f.pulley1 = "100";
                     f.pulley2 = "60";
                 },
                 BeltField::CentreDistance, FieldProblem::PulleysTooLarge},
        BadEntry{"reversed range",
                 [](BeltSetupForm& f) {
                     f.target = TargetKind::Frequency;
                     f.targetLow = "120";
                     f.targetHigh = "110";
                 },
                 BeltField::TargetHigh, FieldProblem::RangeReversed}),
    [](const auto& info) {
        std::string name = info.param.what;
        for (char& c : name)
            if (!std::isalnum((unsigned char)c)) c = '_';
        return name;
    });

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
    BeltSetupForm f = validForm();
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

}  // namespace
}  // namespace vellora
