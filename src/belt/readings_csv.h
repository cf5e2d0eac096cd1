// SPDX-License-Identifier: GPL-3.0-or-later
// The readings as CSV, for a spreadsheet in any language: UTF-8 with a byte-order mark
// (without it one spreadsheet reads accents wrongly), a header line, then one line per
// reading ended by CR LF. Columns: time (local, YYYY-MM-DD HH:MM:SS), setup, frequency_hz
// (2 decimals), tension_n, tension_kgf, tension_lbf (1 decimal; empty without a set-up),
// in_target (yes, no, or empty without a target), status (accepted, refused, confirmed),
// reason (why a clip was refused). Fields are separated by a comma and numbers written
// with a point whatever the locale; a field is quoted when it holds a comma, a quote or a
// line break, and a text starting with = + - @ or ' gets an apostrophe before it so that
// no spreadsheet takes it for a formula.
#pragma once

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "belt/reading.h"

#include "common/status.h"

namespace vellora {

inline constexpr std::string_view kCsvLineEnd = "\r\n";

// A reading's time as the file and the readings table write it: local, YYYY-MM-DD HH:MM:SS.
std::string readingTimeText(std::chrono::system_clock::time_point t);

std::string readingsCsv(std::span<const Reading> readings);
std::string readingCsvLine(const Reading& reading);  // with its CR LF
// The byte-order mark and our header line, as a new file starts.
std::string readingsCsvHeader();

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

struct ReadingsCsvColumn;

// The columns of one CSV in the order its header names them, so that a line added to an
// older or edited file follows that file's own columns.
class ReadingsCsvColumns {
  public:
    // Those a header line names (a byte-order mark and CR allowed); nullopt when it is no
    // readings header.
    static std::optional<ReadingsCsvColumns> ofHeader(std::string_view line);
    // One reading in these columns, with its CR LF; a column not known is left empty.
    std::string line(const Reading& reading) const;

  private:
    std::vector<const ReadingsCsvColumn*> columns_;
};

}  // namespace vellora
