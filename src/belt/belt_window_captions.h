// SPDX-License-Identifier: GPL-3.0-or-later
// The Belt window's captions by number, as a language file section "BELT" would hold
// them, with the English text used when the lookup has none.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "belt/belt_setup.h"

namespace vellora {

enum class BeltCaption {
    Title = 1,
    Setups,
    New,
    Delete,
    Name,
    Mass,
    PerMetre,
    PerMetreAndMm,
    WidthMm,
    RibCount,
    RibPitch,
    Span,
    SpanDirect,
    SpanPulleys,
    CentreDistance,
    Pulley1,
    Pulley2,
    Factor,
    Target,
    TargetNone,
    TargetFrequency,
    TargetTension,
    From,
    To,
    Keep,
    Readings,
    SaveCsv,
    Confirmed,
    Disagree,
    TooFew,
    HintEmpty,
    HintNotANumber,
    HintNegative,
    HintZero,
    HintNotWhole,
    HintBadCharacters,
    HintPulleysTooLarge,
    HintRangeReversed,
    ColumnTime,
    ColumnSetup,
    ColumnFrequency,
    ColumnNewtons,
    ColumnKgf,
    ColumnLbf,
    SaveFailed,
    LastReading,
    Inside,
    Outside,
    ClearReadings = 49,
    ClearQuestion,
    DeleteQuestion,  // %1: the set-up's name
    HintBlankAtEnds,
    HintTooLong,    // %1: the longest name
    HintNameTaken,  // %1: the stored set-up's name
    SetupsNotSaved,
    ReadingNotAdded,
    ReadingsNotRead,
    ClearFailed,
    SkippedLines,   // %1: how many
    RefusedSetups,  // %1: their names
    // Hands-free measuring, numbered from 75 on.
    AutoNoise = 75,
    Unit,
    MeasuredStiffness = 100,  // the option beside the factor
    MassBasis,                // the row of the mass's two bases, above the mass itself
    SpanBasis,                // the same for the span
    SetupsChangedElsewhere = 110,
    OlderReadings,
    CsvFileName = 120,  // %1: the date; the name the CSV export proposes
};
inline constexpr int kLastBeltCaption = int(BeltCaption::RefusedSetups);
inline constexpr int kFirstHandsFreeCaption = int(BeltCaption::AutoNoise);
inline constexpr int kLastHandsFreeCaption = int(BeltCaption::Unit);

// lookup(key): the current language's text of BELT `key`, or nullopt when it has none.
using BeltCaptionLookup = std::function<std::optional<std::string>(int key)>;

std::string englishBeltCaption(BeltCaption c);

// The looked-up text, or the English one when the lookup is empty, has no text, or gives
// the language lookup's "Err!!" for a missing key.
std::string beltCaption(const BeltCaptionLookup& lookup, BeltCaption c);

BeltCaption hintCaption(FieldProblem problem);

}  // namespace vellora
