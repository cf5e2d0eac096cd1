// SPDX-License-Identifier: GPL-3.0-or-later
#include "belt/reading_log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "common/atomic_file.h"
#include "common/descriptor.h"

namespace vellora {

namespace {

// The last `count` readings that were not refused, newest first; fewer when the log
// holds fewer.
std::vector<const Reading*> lastCounted(std::span<const Reading> readings, int count) {
    std::vector<const Reading*> last;
    for (auto r = readings.rbegin(); r != readings.rend() && int(last.size()) < count; ++r)
        if (r->status != ReadingStatus::Refused) last.push_back(&*r);
    return last;
}

bool withinSpread(std::span<const Reading* const> last) {
    double lo = last[0]->hz, hi = last[0]->hz;
    for (const Reading* r : last) {
        if (r->setup != last[0]->setup) return false;
        lo = std::min(lo, r->hz);
        hi = std::max(hi, r->hz);
    }
    return lo > 0 && (hi - lo) <= kConfirmingSpread * lo;
}

}  // namespace

Agreement agreementOf(std::span<const Reading> readings) {
    const std::vector<const Reading*> last = lastCounted(readings, kConfirmingReadings);
    if (last.size() < size_t(kConfirmingReadings)) return Agreement::TooFew;
    for (const Reading* r : last)
        if (r->setup != last[0]->setup) return Agreement::TooFew;
    return withinSpread(last) ? Agreement::Confirmed : Agreement::Disagree;
}

int agreeingCount(std::span<const Reading> readings) {
    const std::vector<const Reading*> last = lastCounted(readings, kConfirmingReadings);
    size_t n = last.size();
    while (n > 0 && !withinSpread(std::span(last).first(n))) --n;
    return int(n);
}

Agreement ReadingLog::add(Reading reading) {
    readings_.push_back(std::move(reading));
    const Agreement a = agreement();
    if (a == Agreement::Confirmed && readings_.back().status == ReadingStatus::Accepted)
        readings_.back().status = ReadingStatus::Confirmed;
    return a;
}

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kLineEnd = "\r\n";
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

constexpr char kTimeFormat[] = "%Y-%m-%d %H:%M:%S";

std::string localTime(std::chrono::system_clock::time_point t) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(t);
    std::tm parts{};
    localtime_r(&seconds, &parts);
    char text[32];
    std::strftime(text, sizeof text, kTimeFormat, &parts);
    return text;
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

// One column of the CSV: its header name, how a reading's field is written and how it is
// read back (false refuses the line). A new column is one more entry here.
struct Column {
    std::string_view name;
    std::string (*write)(const Reading&);
    bool (*read)(std::string_view field, Reading&);
};

constexpr Column kColumns[] = {
    {"time", [](const Reading& r) { return localTime(r.time); },
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

const Column* columnNamed(std::string_view name) {
    for (const Column& c : kColumns)
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
std::optional<std::vector<const Column*>> headerOf(std::string_view line) {
    if (line.starts_with(kByteOrderMark)) line.remove_prefix(kByteOrderMark.size());
    if (line.ends_with('\r')) line.remove_suffix(1);
    std::vector<const Column*> columns;
    for (const std::string& name : fieldsOf(line)) columns.push_back(columnNamed(name));
    auto has = [&](std::string_view name) {
        return std::any_of(columns.begin(), columns.end(),
                           [&](const Column* c) { return c && c->name == name; });
    };
    if (!has("time") || !has("frequency_hz")) return std::nullopt;
    return columns;
}

std::string headerLine() {
    std::string line;
    for (const Column& c : kColumns) {
        if (!line.empty()) line += kSeparator;
        line += c.name;
    }
    return line + std::string(kLineEnd);
}

std::string lineFor(const Reading& r, std::span<const Column* const> columns) {
    std::string line;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (i > 0) line += kSeparator;
        if (columns[i]) line += columns[i]->write(r);
    }
    return line + std::string(kLineEnd);
}

std::vector<const Column*> ourColumns() {
    std::vector<const Column*> columns;
    for (const Column& c : kColumns) columns.push_back(&c);
    return columns;
}

// The failure `e` stands for: `otherwise` unless the file is missing, may not be used or
// is a folder, FIFO or device (ENXIO: a FIFO without a reader, a device without a driver).
Status errnoStatus(const std::filesystem::path& path, int e, Failure otherwise) {
    const Failure failure = e == ENOENT                               ? Failure::NotFound
                            : e == EACCES || e == EPERM || e == EROFS ? Failure::NotPermitted
                            : e == EISDIR || e == ENXIO               ? Failure::NotRegularFile
                                                                      : otherwise;
    return Status(failure, path.string() + ": " + std::strerror(e));
}

// Opened without waiting (a FIFO would block open() for good) and only when regular;
// `fd` is -1 when it failed. A file that is not there fails as NotFound.
Status openRegular(const std::filesystem::path& path, int flags, int& fd) {
    const Failure otherwise =
        flags & (O_WRONLY | O_RDWR) ? Failure::WriteFailed : Failure::ReadFailed;
    fd = ::open(path.c_str(), flags | O_CLOEXEC | O_NONBLOCK, 0666);
    if (fd < 0) return errnoStatus(path, errno, otherwise);
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        fd = -1;
        return Status(Failure::NotRegularFile, path.string() + ": not a regular file");
    }
    return {};
}

}  // namespace

std::string readingCsvLine(const Reading& reading) { return lineFor(reading, ourColumns()); }

std::string readingsCsv(std::span<const Reading> readings) {
    std::string csv = std::string(kByteOrderMark) + headerLine();
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

Status saveReadingsCsv(const std::filesystem::path& path, std::span<const Reading> readings) {
    return writeFileAtomically(path, std::string_view(readingsCsv(readings)));
}

Status ReadingsFile::read(ParsedReadings& into) const {
    into = {};
    int fd = -1;
    if (Status opened = openRegular(path_, O_RDONLY, fd); !opened)
        return opened.failure() == Failure::NotFound ? Status() : opened;  // none yet
    const Descriptor file(fd);
    struct stat st {};
    ::fstat(fd, &st);
    if (std::size_t(st.st_size) > kMaxReadingsFileBytes) {
        return Status(Failure::TooLarge, path_.string() + ": larger than " +
                                             std::to_string(kMaxReadingsFileBytes >> 20) + " MiB");
    }
    std::string text(std::size_t(st.st_size), '\0');
    std::size_t got = 0;
    while (got < text.size()) {
        const ssize_t n = ::pread(fd, text.data() + got, text.size() - got, off_t(got));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errnoStatus(path_, errno, Failure::ReadFailed);
        if (n == 0) break;
        got += std::size_t(n);
    }
    text.resize(got);
    if (text.empty()) return {};
    auto parsed = parseReadingsCsv(text);
    if (!parsed) {
        // A header cut short by a kill is no stranger's file: nothing complete to read.
        if (text.find('\n') == std::string::npos) return {};
        return Status(Failure::BadContent, path_.string() + ": not a readings file");
    }
    into = std::move(*parsed);
    return {};
}

Status ReadingsFile::append(const Reading& reading) {
    int fd = -1;
    if (Status opened = openRegular(path_, O_RDWR | O_APPEND | O_CREAT, fd); !opened) return opened;
    Descriptor file(fd);
    auto failed = [&](Failure otherwise) { return errnoStatus(path_, errno, otherwise); };
    struct stat st {};
    if (::fstat(fd, &st) != 0) return failed(Failure::ReadFailed);

    const std::string ourHeader = std::string(kByteOrderMark) + headerLine();
    std::string out;
    std::vector<const Column*> columns = ourColumns();
    char head[4096];
    const ssize_t n = st.st_size == 0 ? 0 : ::pread(fd, head, sizeof head, 0);
    if (n < 0) return failed(Failure::ReadFailed);
    const std::string_view text(head, std::size_t(n));
    // Our own header cut short (the first append interrupted by a crash): nothing complete
    // is there, so the file starts again rather than refusing every reading from now on.
    if (std::size_t(st.st_size) == text.size() && std::string_view(ourHeader).starts_with(text) &&
        text.size() < ourHeader.size()) {
        if (::ftruncate(fd, 0) != 0) return failed(Failure::WriteFailed);
        out = ourHeader;
    } else {
        const std::size_t nl = text.find('\n');
        const auto fileColumns =
            nl == std::string_view::npos ? std::nullopt : headerOf(text.substr(0, nl));
        if (!fileColumns)
            return Status(Failure::BadContent, path_.string() + ": not a readings file");
        columns = *fileColumns;
        char last = '\n';
        if (::pread(fd, &last, 1, st.st_size - 1) == 1 && last != '\n') out = kLineEnd;
    }
    out += lineFor(reading, columns);
    if (!writeAll(fd, out) || ::fsync(fd) != 0 || !file.close())
        return failed(Failure::WriteFailed);
    return {};
}

Status ReadingsFile::clear() {
    int fd = -1;
    if (Status opened = openRegular(path_, O_WRONLY, fd); !opened)
        return opened.failure() == Failure::NotFound ? Status() : opened;  // nothing to empty
    const Descriptor file(fd);
    if (::ftruncate(fd, 0) != 0 || ::fsync(fd) != 0)
        return errnoStatus(path_, errno, Failure::WriteFailed);
    return {};
}

}  // namespace vellora
