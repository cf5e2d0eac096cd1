// SPDX-License-Identifier: GPL-3.0-or-later
// One drive's belt set-up, as the Belt window edits it: the belt's mass, the free span,
// a stiffness correction and the target range, with the checks that refuse bad entries.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "belt/tension.h"
#include "belt/tension_unit.h"
#include "common/range.h"

namespace vellora {

enum class MassBasis { PerMetre, PerMetreAndMm };  // g/m, or g/m per mm of width
enum class WidthBasis { Millimetres, Ribs };
enum class SpanBasis { Direct, Pulleys };            // span, or centre distance and pulleys
enum class TargetKind { None, Frequency, Tension };  // Hz, or N

// The longest set-up name, in characters. The settings file can hold far longer ones
// (its section lines are read whole), but a name is shown in a list, a read-out and a
// CSV column, and 64 characters keep "[BELT name]" a short line for a hand edit.
inline constexpr std::size_t kMaxBeltNameChars = 64;

// Poly-V (PK) belts: the rib pitch when the width is given as a rib count.
inline constexpr double kDefaultRibPitchMm = 3.56;

struct BeltSetup {
    std::string name;
    MassBasis massBasis = MassBasis::PerMetre;
    double mass = 0;  // g/m, or g/m/mm
    WidthBasis widthBasis = WidthBasis::Millimetres;
    double widthMm = 0;
    int ribs = 0;
    double ribPitchMm = kDefaultRibPitchMm;
    SpanBasis spanBasis = SpanBasis::Direct;
    double spanMm = 0;
    double centreDistanceMm = 0;
    double pulley1Mm = 0;  // diameters
    double pulley2Mm = 0;
    double factor = 1.0;
    // The stiffness taken from the measured partials instead of the factor.
    bool measuredStiffness = false;
    TargetKind target = TargetKind::None;
    double targetLow = 0;  // Hz or N
    double targetHigh = 0;
    TensionUnit unit = TensionUnit::Newtons;  // of the large read-out

    bool operator==(const BeltSetup&) const = default;
};

double kilogramsPerMetre(const BeltSetup& s);
double spanMillimetres(const BeltSetup& s);

// The free span of an open drive between the tangent points of the two pulleys:
// sqrt(C^2 - ((D1 - D2) / 2)^2), all in millimetres.
double spanFromPulleys(double centreDistanceMm, double pulley1Mm, double pulley2Mm);

// The one tension of a reading, from its first mode f1 (Hz) and stiffness B. With
// measuredStiffness, the string without stiffness: T = 4 m L^2 f0^2 with f0 = f1 / sqrt(1 + B)
// (B = pi^2 EI / (T L^2) of a uniform belt pinned at both pulleys); otherwise the factor's
// tension of f1, and B is not used.
Tension tensionOf(const BeltSetup& s, double f1, double inharmonicity);

// The target range in hertz of f1, a tension range turned into frequencies (with the factor,
// or as the string without stiffness when the stiffness is measured); nullopt without a target.
std::optional<Range> targetFrequencies(const BeltSetup& s);

enum class RangeStatus { NoTarget, Inside, Outside };
// A reading's place against the target: its f1 for a frequency target, its tension (as
// tensionOf gave it) for a tension target.
RangeStatus rangeStatus(const BeltSetup& s, double f1, const Tension& tension);

// The entries as typed. A comma is taken as the decimal separator as well as a point.
struct BeltSetupForm {
    std::string name;
    MassBasis massBasis = MassBasis::PerMetre;
    std::string mass;
    WidthBasis widthBasis = WidthBasis::Millimetres;
    std::string width;
    std::string ribs;
    std::string ribPitch = "3.56";
    SpanBasis spanBasis = SpanBasis::Direct;
    std::string span;
    std::string centreDistance;
    std::string pulley1;
    std::string pulley2;
    std::string factor = "1.00";
    bool measuredStiffness = false;
    TargetKind target = TargetKind::None;
    std::string targetLow;
    std::string targetHigh;
    TensionUnit unit = TensionUnit::Newtons;
};

enum class BeltField {
    Name,
    Mass,
    Width,
    Ribs,
    RibPitch,
    Span,
    CentreDistance,
    Pulley1,
    Pulley2,
    Factor,
    TargetLow,
    TargetHigh
};

enum class FieldProblem {
    Empty,
    NotANumber,
    Negative,
    Zero,
    NotWhole,         // a rib count
    BadCharacters,    // a name the settings file cannot hold: [ ] = ; or control characters
    BlankAtEnds,      // a name starting or ending with a blank, which the file would lose
    TooLong,          // a name longer than kMaxBeltNameChars
    NameTaken,        // another set-up has the name (checked against the stored list)
    PulleysTooLarge,  // the centre distance leaves no span between the pulleys
    RangeReversed,    // the upper end below the lower
};

struct FieldHint {
    BeltField field;
    FieldProblem problem;
};

struct BeltValidation {
    std::optional<BeltSetup> setup;  // only when there is no hint
    std::vector<FieldHint> hints;    // in field order, at most one per field
};

// Fields that the chosen bases do not use are not checked.
BeltValidation validateBeltSetup(const BeltSetupForm& form);

// The entries showing a set-up, numbers written so that they read back exactly.
BeltSetupForm formOf(const BeltSetup& s);

// A number as the set-up's fields and the settings file write it: the shortest text that
// reads back to the same double, with a point.
std::string numberText(double v);

}  // namespace vellora
