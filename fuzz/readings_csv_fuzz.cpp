// SPDX-License-Identifier: GPL-3.0-or-later
// The readings CSV parser on any bytes, as the readings file or a page of it: no crash,
// no out-of-bounds access; what it reads writes out as lines it reads back the same.
#include <cstdint>
#include <string>
#include <string_view>

#include "belt/readings_csv.h"

namespace {
void check(bool ok) {
    if (!ok) __builtin_trap();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace vellora;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::optional<ParsedReadings> parsed = parseReadingsCsv(bytes);
    // Behind our own header, as a page of the file is read.
    const std::optional<ParsedReadings> page =
        parseReadingsCsv(readingsCsvHeader() + std::string(bytes));
    check(page.has_value());
    if (!parsed || parsed->readings.empty()) return 0;
    const std::string again = readingsCsv(parsed->readings);
    const std::optional<ParsedReadings> back = parseReadingsCsv(again);
    check(back && back->readings.size() == parsed->readings.size() && back->skippedLines == 0);
    check(readingsCsv(back->readings) == again);
    return 0;
}
