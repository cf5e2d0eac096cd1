// SPDX-License-Identifier: GPL-3.0-or-later
#include "belt/belt_window_captions.h"

#include "common/text.h"

namespace vellora {

std::string englishBeltCaption(BeltCaption c) {
    switch (c) {
        case BeltCaption::Title:
            return "Belt";
        case BeltCaption::Setups:
            return "Set-ups";
        case BeltCaption::New:
            return "New";
        case BeltCaption::Delete:
            return "Delete";
        case BeltCaption::Name:
            return "Name";
        case BeltCaption::Mass:
            return "Mass";
        case BeltCaption::PerMetre:
            return "g/m";
        case BeltCaption::PerMetreAndMm:
            return "g/m per mm of width";
        case BeltCaption::WidthMm:
            return "Width (mm)";
        case BeltCaption::RibCount:
            return "Ribs";
        case BeltCaption::RibPitch:
            return "Rib pitch (mm)";
        case BeltCaption::Span:
            return "Span (mm)";
        case BeltCaption::SpanDirect:
            return "Span measured";
        case BeltCaption::SpanPulleys:
            return "From centre distance and pulleys";
        case BeltCaption::CentreDistance:
            return "Centre distance (mm)";
        case BeltCaption::Pulley1:
            return "Pulley 1 diameter (mm)";
        case BeltCaption::Pulley2:
            return "Pulley 2 diameter (mm)";
        case BeltCaption::Factor:
            return "Stiffness factor";
        case BeltCaption::Target:
            return "Target";
        case BeltCaption::TargetNone:
            return "None";
        case BeltCaption::TargetFrequency:
            return "Frequency (Hz)";
        case BeltCaption::TargetTension:
            return "Tension (N)";
        case BeltCaption::From:
            return "From";
        case BeltCaption::To:
            return "To";
        case BeltCaption::Keep:
            return "Keep set-up";
        case BeltCaption::Readings:
            return "Readings";
        case BeltCaption::SaveCsv:
            return "Save as CSV...";
        case BeltCaption::Confirmed:
            return "Confirmed: the last three readings agree within 1 %";
        case BeltCaption::Disagree:
            return "The last three readings disagree: pluck again";
        case BeltCaption::TooFew:
            return "Three agreeing readings confirm a measurement";
        case BeltCaption::HintEmpty:
            return "Enter a value.";
        case BeltCaption::HintNotANumber:
            return "Not a number.";
        case BeltCaption::HintNegative:
            return "Must not be negative.";
        case BeltCaption::HintZero:
            return "Must be greater than zero.";
        case BeltCaption::HintNotWhole:
            return "Enter a whole number.";
        case BeltCaption::HintBadCharacters:
            return "Names cannot contain [ ] = or ;.";
        case BeltCaption::HintPulleysTooLarge:
            return "The pulleys overlap: the centre distance must exceed half the sum of "
                   "their diameters.";
        case BeltCaption::HintRangeReversed:
            return "The upper limit is below the lower one.";
        case BeltCaption::ColumnTime:
            return "Time";
        case BeltCaption::ColumnSetup:
            return "Set-up";
        case BeltCaption::ColumnFrequency:
            return "Frequency (Hz)";
        case BeltCaption::ColumnNewtons:
            return "Tension (N)";
        case BeltCaption::ColumnKgf:
            return "kgf";
        case BeltCaption::ColumnLbf:
            return "lbf";
        case BeltCaption::SaveFailed:
            return "The readings could not be saved: ";
        case BeltCaption::LastReading:
            return "Last reading: %1";
        case BeltCaption::Inside:
            return "within the target";
        case BeltCaption::Outside:
            return "outside the target";
        case BeltCaption::ClearReadings:
            return "Clear readings...";
        case BeltCaption::ClearQuestion:
            return "Clear every reading? The file Readings.csv is emptied: save a copy as CSV "
                   "first to keep them.";
        case BeltCaption::DeleteQuestion:
            return "Delete the set-up \"%1\"?";
        case BeltCaption::HintBlankAtEnds:
            return "A name cannot start or end with a space.";
        case BeltCaption::HintTooLong:
            return "A name has at most %1 characters.";
        case BeltCaption::HintNameTaken:
            return "The set-up \"%1\" already has this name (capitals do not make another "
                   "name): choose it in the list to change it.";
        case BeltCaption::SetupsNotSaved:
            return "The set-ups could not be saved: ";
        case BeltCaption::ReadingNotAdded:
            return "The reading could not be added to the readings file; it is kept until the "
                   "program closes: ";
        case BeltCaption::ReadingsNotRead:
            return "The readings file could not be read: ";
        case BeltCaption::ClearFailed:
            return "The readings could not be cleared: ";
        case BeltCaption::SkippedLines:
            return "Lines of the readings file that are not readings, left in the file: %1";
        case BeltCaption::RefusedSetups:
            return "Set-ups of the settings file whose values cannot be used, left there as "
                   "they are: %1";
        case BeltCaption::MeasuredStiffness:
            return "Stiffness from the measurement";
        case BeltCaption::MassBasis:
            return "Mass given in";
        case BeltCaption::SpanBasis:
            return "Span given by";
        case BeltCaption::OlderReadings:
            return "Show older readings";
        case BeltCaption::CsvFileName:
            return "Vellora readings %1.csv";
        case BeltCaption::SetupsChangedElsewhere:
            return "The set-ups were changed in another window of the program: the list shows "
                   "them as they are now.";
        case BeltCaption::AutoNoise:
            return "Automatic noise line";
        case BeltCaption::Unit:
            return "Large read-out in";
    }
    return {};
}

std::string beltCaption(const BeltCaptionLookup& lookup, BeltCaption c) {
    if (lookup) {
        const std::optional<std::string> text = lookup(int(c));
        if (text && !text->empty() && *text != kMissingText) return *text;
    }
    return englishBeltCaption(c);
}

BeltCaption hintCaption(FieldProblem problem) {
    switch (problem) {
        case FieldProblem::Empty:
            return BeltCaption::HintEmpty;
        case FieldProblem::NotANumber:
            return BeltCaption::HintNotANumber;
        case FieldProblem::Negative:
            return BeltCaption::HintNegative;
        case FieldProblem::Zero:
            return BeltCaption::HintZero;
        case FieldProblem::NotWhole:
            return BeltCaption::HintNotWhole;
        case FieldProblem::BadCharacters:
            return BeltCaption::HintBadCharacters;
        case FieldProblem::PulleysTooLarge:
            return BeltCaption::HintPulleysTooLarge;
        case FieldProblem::RangeReversed:
            return BeltCaption::HintRangeReversed;
        case FieldProblem::BlankAtEnds:
            return BeltCaption::HintBlankAtEnds;
        case FieldProblem::TooLong:
            return BeltCaption::HintTooLong;
        case FieldProblem::NameTaken:
            return BeltCaption::HintNameTaken;
    }
    return BeltCaption::HintEmpty;
}

}  // namespace vellora
