// SPDX-License-Identifier: GPL-3.0-or-later
// "Readings.csv" beside the settings file: one line appended at once per reading, so that
// none is lost when the program ends.
#pragma once

#include <cstddef>
#include <filesystem>

#include "belt/reading.h"
#include "belt/readings_csv.h"

#include "common/status.h"

namespace vellora {

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
