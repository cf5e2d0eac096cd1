// SPDX-License-Identifier: GPL-3.0-or-later
#include "belt/belt_setup.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>

#include "common/text.h"

namespace vellora {

namespace {

constexpr double kGramsPerKilogram = 1000;
constexpr double kMillimetresPerMetre = 1000;

// Collects the hints while the fields are read.
class Checker {
  public:
    std::optional<double> number(BeltField field, const std::string& text, bool zeroAllowed) {
        std::string t(trimmed(text));
        if (t.empty()) return fail(field, FieldProblem::Empty);
        for (char& c : t)
            if (c == ',') c = '.';
        double v = 0;
        const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
        if (ec != std::errc() || end != t.data() + t.size() || !std::isfinite(v))
            return fail(field, FieldProblem::NotANumber);
        if (v < 0) return fail(field, FieldProblem::Negative);
        if (v == 0 && !zeroAllowed) return fail(field, FieldProblem::Zero);
        return v;
    }
    std::optional<double> whole(BeltField field, const std::string& text) {
        const std::optional<double> v = number(field, text, false);
        if (v && *v != std::floor(*v)) return fail(field, FieldProblem::NotWhole);
        return v;
    }
    std::nullopt_t fail(BeltField field, FieldProblem problem) {
        hints.push_back({field, problem});
        return std::nullopt;
    }
    std::vector<FieldHint> hints;
};

// The name becomes the section "[BELT name]" and a value of the list: the file's syntax
// must not see a bracket, an equals sign, a comment or a line break in it, and would trim
// blanks at its ends.
std::optional<FieldProblem> nameProblem(const std::string& name) {
    if (trimmed(name).empty()) return FieldProblem::Empty;
    for (const char c : name)
        if (c == '[' || c == ']' || c == '=' || c == ';' || (unsigned char)c < 0x20 || c == 0x7f)
            return FieldProblem::BadCharacters;
    if (name.front() == ' ' || name.back() == ' ') return FieldProblem::BlankAtEnds;
    const auto characters =
        std::count_if(name.begin(), name.end(), [](char c) { return (c & 0xC0) != 0x80; });
    if (size_t(characters) > kMaxBeltNameChars) return FieldProblem::TooLong;
    return std::nullopt;
}

}  // namespace

double kilogramsPerMetre(const BeltSetup& s) {
    double gramsPerMetre = s.mass;
    if (s.massBasis == MassBasis::PerMetreAndMm) {
        const double width = s.widthBasis == WidthBasis::Ribs ? s.ribs * s.ribPitchMm : s.widthMm;
        gramsPerMetre *= width;
    }
    return gramsPerMetre / kGramsPerKilogram;
}

double spanFromPulleys(double centreDistanceMm, double pulley1Mm, double pulley2Mm) {
    const double offset = (pulley1Mm - pulley2Mm) / 2;
    const double squared = centreDistanceMm * centreDistanceMm - offset * offset;
    return squared > 0 ? std::sqrt(squared) : 0;
}

double spanMillimetres(const BeltSetup& s) {
    return s.spanBasis == SpanBasis::Pulleys
               ? spanFromPulleys(s.centreDistanceMm, s.pulley1Mm, s.pulley2Mm)
               : s.spanMm;
}

Tension tensionOf(const BeltSetup& s, double f1, double inharmonicity) {
    const double span = spanMillimetres(s) / kMillimetresPerMetre;
    if (!s.measuredStiffness) return tensionFromFrequency(kilogramsPerMetre(s), span, f1, s.factor);
    const double f0 = f1 / std::sqrt(1 + std::max(0.0, inharmonicity));
    return tensionFromFrequency(kilogramsPerMetre(s), span, f0, 1.0);
}

std::optional<Range> targetFrequencies(const BeltSetup& s) {
    const double kg = kilogramsPerMetre(s), span = spanMillimetres(s) / kMillimetresPerMetre;
    // The factor field is not used when the stiffness is measured.
    const double factor = s.measuredStiffness ? 1.0 : s.factor;
    switch (s.target) {
        case TargetKind::None:
            return std::nullopt;
        case TargetKind::Frequency:
            return Range{s.targetLow, s.targetHigh};
        case TargetKind::Tension:
            return Range{frequencyForTension(kg, span, s.targetLow, factor),
                         frequencyForTension(kg, span, s.targetHigh, factor)};
    }
    return std::nullopt;
}

RangeStatus rangeStatus(const BeltSetup& s, double f1, const Tension& tension) {
    if (s.target == TargetKind::None) return RangeStatus::NoTarget;
    const double v = s.target == TargetKind::Tension ? tension.newtons : f1;
    return Range{s.targetLow, s.targetHigh}.contains(v) ? RangeStatus::Inside
                                                        : RangeStatus::Outside;
}

BeltValidation validateBeltSetup(const BeltSetupForm& form) {
    Checker check;
    BeltSetup s;
    s.name = form.name;
    if (const std::optional<FieldProblem> p = nameProblem(s.name)) check.fail(BeltField::Name, *p);

    s.massBasis = form.massBasis;
    s.mass = check.number(BeltField::Mass, form.mass, false).value_or(0);
    s.widthBasis = form.widthBasis;
    if (s.massBasis == MassBasis::PerMetreAndMm) {
        if (s.widthBasis == WidthBasis::Millimetres) {
            s.widthMm = check.number(BeltField::Width, form.width, false).value_or(0);
        } else {
            s.ribs = int(check.whole(BeltField::Ribs, form.ribs).value_or(0));
            s.ribPitchMm = check.number(BeltField::RibPitch, form.ribPitch, false).value_or(0);
        }
    }

    s.spanBasis = form.spanBasis;
    if (s.spanBasis == SpanBasis::Direct) {
        s.spanMm = check.number(BeltField::Span, form.span, false).value_or(0);
    } else {
        const auto centre = check.number(BeltField::CentreDistance, form.centreDistance, false);
        const auto d1 = check.number(BeltField::Pulley1, form.pulley1, false);
        const auto d2 = check.number(BeltField::Pulley2, form.pulley2, false);
        // The pulleys must not touch: the centres lie more than the two radii apart.
        if (centre && d1 && d2 && *centre <= (*d1 + *d2) / 2)
            check.fail(BeltField::CentreDistance, FieldProblem::PulleysTooLarge);
        s.centreDistanceMm = centre.value_or(0);
        s.pulley1Mm = d1.value_or(0);
        s.pulley2Mm = d2.value_or(0);
    }

    s.factor = check.number(BeltField::Factor, form.factor, false).value_or(0);
    s.measuredStiffness = form.measuredStiffness;

    s.target = form.target;
    s.unit = form.unit;
    if (s.target != TargetKind::None) {
        const auto lo = check.number(BeltField::TargetLow, form.targetLow, true);
        const auto hi = check.number(BeltField::TargetHigh, form.targetHigh, false);
        if (lo && hi && *hi < *lo) check.fail(BeltField::TargetHigh, FieldProblem::RangeReversed);
        s.targetLow = lo.value_or(0);
        s.targetHigh = hi.value_or(0);
    }

    BeltValidation result;
    result.hints = std::move(check.hints);
    if (result.hints.empty()) result.setup = s;
    return result;
}

std::string numberText(double v) {
    char buffer[32];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, v);
    return ec == std::errc() ? std::string(buffer, end) : std::string();
}

BeltSetupForm formOf(const BeltSetup& s) {
    BeltSetupForm f;
    f.name = s.name;
    f.massBasis = s.massBasis;
    f.mass = numberText(s.mass);
    f.widthBasis = s.widthBasis;
    f.width = numberText(s.widthMm);
    f.ribs = std::to_string(s.ribs);
    f.ribPitch = numberText(s.ribPitchMm);
    f.spanBasis = s.spanBasis;
    f.span = numberText(s.spanMm);
    f.centreDistance = numberText(s.centreDistanceMm);
    f.pulley1 = numberText(s.pulley1Mm);
    f.pulley2 = numberText(s.pulley2Mm);
    f.factor = numberText(s.factor);
    f.measuredStiffness = s.measuredStiffness;
    f.target = s.target;
    f.targetLow = numberText(s.targetLow);
    f.targetHigh = numberText(s.targetHigh);
    f.unit = s.unit;
    return f;
}

}  // namespace vellora
