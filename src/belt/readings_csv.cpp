// SPDX-License-Identifier: GPL-3.0-or-later
#include "belt/readings_csv.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <ctime>

#include "common/atomic_file.h"

namespace vellora {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr char kSeparator = ',';
constexpr int kFrequencyDecimals = 2;
constexpr int kTensionDecimals = 1;

// Spreadsheets run a cell starting with these as a formula; the apostrophe itself is
// in the set so that reading takes exactly one apostrophe back off.
bool needsApostrophe(std::string_view s) {
    return !s.empty() && std::string_view("=+-@'").find(s.front()) != std::string_view::npos;
}

std::string csvQuoted(std::string_view s) {
    if (s.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(s);
    std::string quoted = "\"";
    for (const char c : s) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + '"';
}

std::string csvText(const std::string& s) { return csvQuoted(needsApostrophe(s) ? "'" + s : s); }

std::string textOf(std::string_view field) {
    if (!field.empty() && field.front() == '\'') field.remove_prefix(1);
    return std::string(field);
}

// A point whatever the locale: printf would write the locale's decimal comma.
std::string fixed(double v, int decimals) {
    char text[64];
    const auto [end, ec] =
        std::to_chars(text, text + sizeof text, v, std::chars_format::fixed, decimals);
    return ec == std::errc() ? std::string(text, end) : std::string();
}

std::optional<double> numberOf(std::string_view field) {
    double v = 0;
    const auto [end, ec] = std::from_chars(field.data(), field.data() + field.size(), v);
    if (ec != std::errc() || end != field.data() + field.size() || !std::isfinite(v) || v < 0)
        return std::nullopt;
    return v;
}

std::optional<std::chrono::system_clock::time_point> timeOf(std::string_view field) {
    std::tm parts{};
    char end = 0;
    const std::string text(field);
    if (std::sscanf(text.c_str(), "%4d-%2d-%2d %2d:%2d:%2d%c", &parts.tm_year, &parts.tm_mon,
                    &parts.tm_mday, &parts.tm_hour, &parts.tm_min, &parts.tm_sec, &end) != 6)
        return std::nullopt;
    if (parts.tm_mon < 1 || parts.tm_mon > 12 || parts.tm_mday < 1 || parts.tm_mday > 31 ||
        parts.tm_hour > 23 || parts.tm_min > 59 || parts.tm_sec > 60)
        return std::nullopt;
    parts.tm_year -= 1900;
    parts.tm_mon -= 1;
    parts.tm_isdst = -1;  // the local rule of that date
    const std::time_t seconds = std::mktime(&parts);
    if (seconds == std::time_t(-1)) return std::nullopt;
    return std::chrono::system_clock::from_time_t(seconds);
}

Tension& tensionField(Reading& r) {
    if (!r.tension) r.tension = Tension{};
    return *r.tension;
}

}  // namespace

std::string readingTimeText(std::chrono::system_clock::time_point t) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(t);
    std::tm parts{};
    localtime_r(&seconds, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &parts);
    return text;
}

// One column of the CSV: its header name, how a reading's field is written and how it is
// read back (false refuses the line). A new column is one more entry here.
struct ReadingsCsvColumn {
    std::string_view name;
    std::string (*write)(const Reading&);
    bool (*read)(std::string_view field, Reading&);
};

namespace {

const ReadingsCsvColumn kColumns[] = {
    {"time", [](const Reading& r) { return readingTimeText(r.time); },
     [](std::string_view f, Reading& r) {
         const auto t = timeOf(f);
         if (t) r.time = *t;
         return t.has_value();
     }},
    {"setup", [](const Reading& r) { return csvText(r.setup); },
     [](std::string_view f, Reading& r) {
         r.setup = textOf(f);
         return true;
     }},
    {"frequency_hz", [](const Reading& r) { return fixed(r.hz, kFrequencyDecimals); },
     [](std::string_view f, Reading& r) {
         const auto v = numberOf(f);
         r.hz = v.value_or(0);
         return v.has_value();
     }},
    {"tension_n",
     [](const Reading& r) {
         return r.tension ? fixed(r.tension->newtons, kTensionDecimals) : std::string();
     },
     [](std::string_view f, Reading& r) {
         const auto v = numberOf(f);
         if (v) tensionField(r).newtons = *v;
         return f.empty() || v.has_value();
     }},
    {"tension_kgf",
     [](const Reading& r) {
         return r.tension ? fixed(r.tension->kgf, kTensionDecimals) : std::string();
     },
     [](std::string_view f, Reading& r) {
         const auto v = numberOf(f);
         if (v) tensionField(r).kgf = *v;
         return f.empty() || v.has_value();
     }},
    {"tension_lbf",
     [](const Reading& r) {
         return r.tension ? fixed(r.tension->lbf, kTensionDecimals) : std::string();
     },
     [](std::string_view f, Reading& r) {
         const auto v = numberOf(f);
         if (v) tensionField(r).lbf = *v;
         return f.empty() || v.has_value();
     }},
    {"in_target",
     [](const Reading& r) {
         return std::string(r.range == RangeStatus::Inside    ? "yes"
                            : r.range == RangeStatus::Outside ? "no"
                                                              : "");
     },
     [](std::string_view f, Reading& r) {
         r.range = f == "yes"  ? RangeStatus::Inside
                   : f == "no" ? RangeStatus::Outside
                               : RangeStatus::NoTarget;
         return f.empty() || f == "yes" || f == "no";
     }},
    {"status",
     [](const Reading& r) {
         return std::string(r.status == ReadingStatus::Refused     ? "refused"
                            : r.status == ReadingStatus::Confirmed ? "confirmed"
                                                                   : "accepted");
     },
     [](std::string_view f, Reading& r) {
         r.status = f == "refused"     ? ReadingStatus::Refused
                    : f == "confirmed" ? ReadingStatus::Confirmed
                                       : ReadingStatus::Accepted;
         return f.empty() || f == "accepted" || f == "refused" || f == "confirmed";
     }},
    {"reason", [](const Reading& r) { return csvText(r.why); },
     [](std::string_view f, Reading& r) {
         r.why = textOf(f);
         return true;
     }},
};

const ReadingsCsvColumn* columnNamed(std::string_view name) {
    for (const ReadingsCsvColumn& c : kColumns)
        if (c.name == name) return &c;
    return nullptr;
}

// The fields of one line (without its line end); quotes as RFC 4180 writes them.
std::vector<std::string> fieldsOf(std::string_view line) {
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
                fields.back() += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                fields.back() += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == kSeparator) {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    return fields;
}

// The columns a header line names, in its order; nullptr for a name not known.
std::optional<std::vector<const ReadingsCsvColumn*>> headerOf(std::string_view line) {
    if (line.starts_with(kByteOrderMark)) line.remove_prefix(kByteOrderMark.size());
    if (line.ends_with('\r')) line.remove_suffix(1);
    std::vector<const ReadingsCsvColumn*> columns;
    for (const std::string& name : fieldsOf(line)) columns.push_back(columnNamed(name));
    auto has = [&](std::string_view name) {
        return std::any_of(columns.begin(), columns.end(),
                           [&](const ReadingsCsvColumn* c) { return c && c->name == name; });
    };
    if (!has("time") || !has("frequency_hz")) return std::nullopt;
    return columns;
}

std::string headerLine() {
    std::string line;
    for (const ReadingsCsvColumn& c : kColumns) {
        if (!line.empty()) line += kSeparator;
        line += c.name;
    }
    return line + std::string(kCsvLineEnd);
}

std::string lineFor(const Reading& r, std::span<const ReadingsCsvColumn* const> columns) {
    std::string line;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (i > 0) line += kSeparator;
        if (columns[i]) line += columns[i]->write(r);
    }
    return line + std::string(kCsvLineEnd);
}

std::vector<const ReadingsCsvColumn*> ourColumns() {
    std::vector<const ReadingsCsvColumn*> columns;
    for (const ReadingsCsvColumn& c : kColumns) columns.push_back(&c);
    return columns;
}

}  // namespace

std::string readingCsvLine(const Reading& reading) { return lineFor(reading, ourColumns()); }

std::string readingsCsvHeader() { return std::string(kByteOrderMark) + headerLine(); }

std::string readingsCsv(std::span<const Reading> readings) {
    std::string csv = readingsCsvHeader();
    for (const Reading& r : readings) csv += readingCsvLine(r);
    return csv;
}

std::optional<ParsedReadings> parseReadingsCsv(std::string_view text) {
    const std::size_t headerEnd = text.find('\n');
    if (headerEnd == std::string_view::npos) return std::nullopt;
    const auto columns = headerOf(text.substr(0, headerEnd));
    if (!columns) return std::nullopt;
    ParsedReadings parsed;
    std::size_t start = headerEnd + 1;
    for (std::size_t nl; (nl = text.find('\n', start)) != std::string_view::npos; start = nl + 1) {
        std::string_view line = text.substr(start, nl - start);
        if (line.ends_with('\r')) line.remove_suffix(1);
        if (line.empty()) continue;
        const std::vector<std::string> fields = fieldsOf(line);
        Reading r;
        bool good = fields.size() == columns->size();
        for (std::size_t i = 0; good && i < fields.size(); ++i)
            if ((*columns)[i]) good = (*columns)[i]->read(fields[i], r);
        if (good)
            parsed.readings.push_back(std::move(r));
        else
            ++parsed.skippedLines;
    }
    return parsed;
}

std::optional<ReadingsCsvColumns> ReadingsCsvColumns::ofHeader(std::string_view line) {
    auto columns = headerOf(line);
    if (!columns) return std::nullopt;
    ReadingsCsvColumns named;
    named.columns_ = std::move(*columns);
    return named;
}

std::string ReadingsCsvColumns::line(const Reading& reading) const {
    return lineFor(reading, columns_);
}

Status saveReadingsCsv(const std::filesystem::path& path, std::span<const Reading> readings) {
    return writeFileAtomically(path, std::string_view(readingsCsv(readings)));
}

}  // namespace vellora
