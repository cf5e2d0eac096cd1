// SPDX-License-Identifier: GPL-3.0-or-later
// The triggered readings: time, set-up, precise frequency, tension and whether it lay in
// the target, with the check the sonic meters' makers advise against background noise
// (three successive readings within 1 % of each other). They are kept in "Readings.csv"
// beside the settings file, one line appended at once per reading, so that none is lost
// when the program ends, and can be exported as a CSV copy.
#pragma once

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "belt/belt_setup.h"
#include "belt/tension.h"

#include "common/status.h"

namespace vellora {

// What became of a triggered clip (a word each in the CSV). Refused ones are logged with
// the reason so the user sees why a pluck did not count; they take no part in the
// agreement.
enum class ReadingStatus { Accepted, Refused, Confirmed };

struct Reading {
    std::chrono::system_clock::time_point time;
    std::string setup;               // name of the set-up chosen; empty for none
    double hz = 0;                   // precise frequency; 0 for a refused clip without one
    std::optional<Tension> tension;  // none without a valid set-up
    RangeStatus range = RangeStatus::NoTarget;
    ReadingStatus status = ReadingStatus::Accepted;
    std::string why;  // for a refused clip, in the language of the moment
};

enum class Agreement {
    TooFew,     // fewer than three successive readings of this set-up
    Confirmed,  // the last three lie within 1 % of each other
    Disagree,
};

inline constexpr int kConfirmingReadings = 3;
inline constexpr double kConfirmingSpread = 0.01;  // (largest - smallest) / smallest

// The agreement of the last three readings; readings of another set-up in between
// start the count again. Refused clips are passed over.
Agreement agreementOf(std::span<const Reading> readings);

// How many of the last readings (up to three, refused ones passed over, of the last
// one's set-up) lie within the confirming spread: "2 of 3".
int agreeingCount(std::span<const Reading> readings);

class ReadingLog {
  public:
    // Appends and returns the agreement including this reading; a reading that
    // completes an agreement is logged as confirmed.
    Agreement add(Reading reading);
    void assign(std::vector<Reading> readings) { readings_ = std::move(readings); }
    void clear() { readings_.clear(); }

    const std::vector<Reading>& readings() const { return readings_; }
    Agreement agreement() const { return agreementOf(readings_); }

  private:
    std::vector<Reading> readings_;
};

// The CSV, for a spreadsheet in any language: UTF-8 with a byte-order mark (without it
// one spreadsheet reads accents wrongly), a header line, then one line per reading ended
// by CR LF. Columns: time (local, YYYY-MM-DD HH:MM:SS), setup, frequency_hz (2 decimals),
// tension_n, tension_kgf, tension_lbf (1 decimal; empty without a set-up), in_target
// (yes, no, or empty without a target), status (accepted, refused, confirmed), reason
// (why a clip was refused). Fields are separated by a
// comma and numbers written with a point whatever the locale; a field is quoted when it
// holds a comma, a quote or a line break, and a text starting with = + - @ or ' gets an
// apostrophe before it so that no spreadsheet takes it for a formula.
std::string readingsCsv(std::span<const Reading> readings);
std::string readingCsvLine(const Reading& reading);  // with its CR LF

struct ParsedReadings {
    std::vector<Reading> readings;
    std::size_t skippedLines = 0;  // complete lines that are not a reading
};

// The readings of a CSV as written above, matching the columns by the header's names (a
// column missing takes its empty value, one not known is passed over). A last line
// without its line end (an append cut short) is ignored. Nullopt when the first line is
// not such a header (no time or frequency_hz column).
std::optional<ParsedReadings> parseReadingsCsv(std::string_view text);

// Writes readingsCsv to `path` in one piece (see writeFileAtomically).
Status saveReadingsCsv(const std::filesystem::path& path, std::span<const Reading> readings);

inline constexpr char kReadingsFileName[] = "Readings.csv";
// A file larger than this is not read (about 300 000 readings): it would hold the
// window up and fill the memory. It is kept as it is, and readings are still appended.
inline constexpr std::size_t kMaxReadingsFileBytes = 32u << 20;

// The readings' own file, appended to as readings come.
class ReadingsFile {
  public:
    explicit ReadingsFile(std::filesystem::path path) : path_(std::move(path)) {}
    const std::filesystem::path& path() const { return path_; }

    // Every complete reading in the file; a missing file holds none. Fails when it
    // cannot be read, is no regular file, is too large or is not a readings CSV.
    Status read(ParsedReadings& into) const;

    // Adds one line, in one write followed by fsync, creating the file with its header
    // when missing or empty. An earlier append cut short is ended first, so the new line
    // stays whole; earlier lines are never rewritten. The line follows the columns of the
    // file's own header. Fails when it could not be added.
    Status append(const Reading& reading);

    // Empties the file (keeping the file itself, its mode and links); a missing file
    // is already empty.
    Status clear();

  private:
    std::filesystem::path path_;
};

}  // namespace vellora
