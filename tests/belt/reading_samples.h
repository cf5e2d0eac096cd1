// SPDX-License-Identifier: GPL-3.0-or-later
// A reading as the readings tests write it, and the header the CSV starts with.
#pragma once

#include <string>

#include "belt/reading.h"

namespace vellora::testing {

inline const std::string kReadingsHeader =
    "time,setup,frequency_hz,tension_n,tension_kgf,tension_lbf,in_target,status,reason\r\n";
inline const std::string kReadingsBomHeader = "\xEF\xBB\xBF" + kReadingsHeader;

inline Reading readingAt(double hz, const std::string& setup = "Cam", ReadingStatus status = {}) {
    Reading r;
    r.time = std::chrono::system_clock::from_time_t(1718100000);  // 2024-06-11 10:00 UTC
    r.setup = setup;
    r.hz = hz;
    r.status = status;
    if (status == ReadingStatus::Refused) r.why = "not a pluck: too short, a click";
    return r;
}

}  // namespace vellora::testing
