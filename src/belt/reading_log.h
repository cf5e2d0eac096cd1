// The session's triggered readings: time, set-up, precise frequency and tension, with
// the check the sonic meters' makers advise against background noise (three successive
// readings within 1 % of each other) and the export as CSV.
#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "belt/tension.h"

namespace vellora {

struct Reading {
    std::chrono::system_clock::time_point time;
    std::string setup;               // name of the set-up chosen; empty for none
    double hz = 0;                   // precise frequency
    std::optional<Tension> tension;  // none without a valid set-up
};

enum class Agreement {
    TooFew,     // fewer than three successive readings of this set-up
    Confirmed,  // the last three lie within 1 % of each other
    Disagree,
};

inline constexpr int kConfirmingReadings = 3;
inline constexpr double kConfirmingSpread = 0.01;  // (largest - smallest) / smallest

// The agreement of the last three readings; readings of another set-up in between
// start the count again.
Agreement agreementOf(std::span<const Reading> readings);

class ReadingLog {
  public:
    // Appends and returns the agreement including this reading.
    Agreement add(Reading reading);
    void clear() { readings_.clear(); }

    const std::vector<Reading>& readings() const { return readings_; }
    Agreement agreement() const { return agreementOf(readings_); }

  private:
    std::vector<Reading> readings_;
};

// One header line, then one line per reading: local time as YYYY-MM-DD HH:MM:SS, set-up,
// frequency (Hz, 2 decimals), tension in N, kgf and lbf (1 decimal; empty without a
// set-up). Fields are quoted when they contain a comma, a quote or a line break.
std::string readingsCsv(std::span<const Reading> readings);

// Writes readingsCsv to `path` atomically; false with `error` set when it failed.
bool saveReadingsCsv(const std::filesystem::path& path, std::span<const Reading> readings,
                     std::string* error = nullptr);

}  // namespace vellora
