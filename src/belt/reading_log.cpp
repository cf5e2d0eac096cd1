#include "belt/reading_log.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

#include "common/atomic_file.h"

namespace vellora {

Agreement agreementOf(std::span<const Reading> readings) {
    if (readings.size() < size_t(kConfirmingReadings)) return Agreement::TooFew;
    const auto last = readings.last(kConfirmingReadings);
    double lo = last[0].hz, hi = last[0].hz;
    for (const Reading& r : last) {
        if (r.setup != last.back().setup) return Agreement::TooFew;
        lo = std::min(lo, r.hz);
        hi = std::max(hi, r.hz);
    }
    return lo > 0 && (hi - lo) <= kConfirmingSpread * lo ? Agreement::Confirmed
                                                         : Agreement::Disagree;
}

Agreement ReadingLog::add(Reading reading) {
    readings_.push_back(std::move(reading));
    return agreement();
}

namespace {

std::string csvField(const std::string& s) {
    if (s.find_first_of(",\"\r\n") == std::string::npos) return s;
    std::string quoted = "\"";
    for (const char c : s) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + '"';
}

std::string localTime(std::chrono::system_clock::time_point t) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(t);
    std::tm parts{};
    localtime_r(&seconds, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &parts);
    return text;
}

std::string fixed(double v, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, v);
    return text;
}

}  // namespace

std::string readingsCsv(std::span<const Reading> readings) {
    std::string csv = "time,setup,frequency_hz,tension_n,tension_kgf,tension_lbf\r\n";
    for (const Reading& r : readings) {
        csv += localTime(r.time) + ',' + csvField(r.setup) + ',' + fixed(r.hz, 2);
        if (r.tension)
            csv += ',' + fixed(r.tension->newtons, 1) + ',' + fixed(r.tension->kgf, 1) + ',' +
                   fixed(r.tension->lbf, 1);
        else
            csv += ",,,";
        csv += "\r\n";
    }
    return csv;
}

bool saveReadingsCsv(const std::filesystem::path& path, std::span<const Reading> readings,
                     std::string* error) {
    const std::string csv = readingsCsv(readings);
    return writeFileAtomically(
        path, std::span(reinterpret_cast<const uint8_t*>(csv.data()), csv.size()), error);
}

}  // namespace vellora
