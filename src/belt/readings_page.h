// SPDX-License-Identifier: GPL-3.0-or-later
// The readings file from its end: the newest readings at once, older ones a page at a
// time, so that a log of a hundred thousand readings opens as fast as one of a hundred
// and holds only what is shown. Each page reads back from where the last one began,
// never more than it needs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <vector>

#include "belt/readings_csv.h"
#include "common/status.h"

namespace vellora {

inline constexpr std::uint64_t kReadingsFileEnd = std::numeric_limits<std::uint64_t>::max();

struct ReadingsPage {
    std::vector<Reading> readings;  // in file order
    std::size_t skippedLines = 0;   // complete lines of the page that are not readings
    std::uint64_t start = 0;        // where the page's first line starts in the file
    bool older = false;             // lines before `start` remain to be read
};

// The readings of the last `lines` complete lines before offset `end` (a line start,
// kReadingsFileEnd for the file's end) of the readings file `file`, matched by its
// header's columns. At most 4 kB a line and never more than kMaxReadingsFileBytes are
// read, whatever the file holds. A missing or empty file holds none. Fails, as ReadingsFile::read
// does, when the file is no regular file, cannot be read or is no readings CSV.
Status readReadingsPage(const std::filesystem::path& file, std::uint64_t end, std::size_t lines,
                        ReadingsPage& into);

}  // namespace vellora
