// SPDX-License-Identifier: GPL-3.0-or-later
#include "ini/profile_text.h"

#include <unicode/unistr.h>

#include <algorithm>
#include <vector>

#include "common/text.h"
#include "ini/profile_encoding.h"

namespace vellora {

namespace {

struct Line {
    std::string_view content;     // without its line end
    std::string_view terminator;  // "\n", "\r\n" or "" for a last line without one
};

std::vector<Line> splitLines(std::string_view text) {
    std::vector<Line> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t nl = text.find('\n', start);
        if (nl == std::string_view::npos) {
            lines.push_back({text.substr(start), {}});
            break;
        }
        std::size_t end = nl;
        if (end > start && text[end - 1] == '\r') --end;
        lines.push_back({text.substr(start, end - start), text.substr(end, nl + 1 - end)});
        start = nl + 1;
    }
    return lines;
}

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::string_view trim(std::string_view s) { return trimmed(s, " \t\r\v\f"); }

char foldAscii(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

bool isAscii(std::string_view s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return (unsigned char)c < 0x80; });
}

// Unicode's case folding ("Été", "été" and "ÉTÉ" are one name), as the Windows service
// compared names; ASCII names, almost all of them, take the short way.
std::string foldName(std::string_view name) {
    std::string key(name);
    if (isAscii(name) || !isValidUtf8(name)) {
        for (char& c : key) c = foldAscii(c);
        return key;
    }
    key.clear();
    icu::UnicodeString::fromUTF8(icu::StringPiece(name)).foldCase().toUTF8String(key);
    return key;
}

bool sameName(std::string_view a, std::string_view b) {
    if (isAscii(a) && isAscii(b)) {
        if (a.size() != b.size()) return false;
        for (std::size_t i = 0; i < a.size(); ++i)
            if (foldAscii(a[i]) != foldAscii(b[i])) return false;
        return true;
    }
    return foldName(a) == foldName(b);
}

bool isQuote(char c) { return c == '"' || c == '\''; }

std::string_view unquote(std::string_view v) {
    v = trim(v);
    if (v.size() >= 2 && isQuote(v.front()) && v.front() == v.back()) v = v.substr(1, v.size() - 2);
    return v;
}

// The name of the section a line opens, or nullopt when it opens none.
std::optional<std::string_view> sectionName(std::string_view content) {
    const std::string_view s = trim(content);
    if (s.empty() || s.front() != '[') return std::nullopt;
    const std::size_t close = s.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    return trim(s.substr(1, close - 1));
}

struct Setting {
    std::string_view key;
    std::string_view value;  // raw, after the "="
};

std::optional<Setting> setting(std::string_view content) {
    const std::string_view s = trim(content);
    if (s.empty() || s.front() == ';' || s.front() == '[') return std::nullopt;
    const std::size_t eq = s.find('=');
    if (eq == std::string_view::npos) return std::nullopt;
    return Setting{trim(s.substr(0, eq)), s.substr(eq + 1)};
}

// Where the first section named `section` lies: the index of its header line and
// one past its last line; header == npos when there is none.
struct SectionSpan {
    std::size_t header = std::string_view::npos;
    std::size_t end = 0;
};

// A line's content in UTF-8, decided for this line alone (see profile_encoding.h).
std::string_view decoded(const Line& line, std::string& storage) {
    return decodeProfileLine(line.content, storage);
}

SectionSpan findSection(const std::vector<Line>& lines, std::string_view section) {
    SectionSpan span;
    std::string storage;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const auto name = sectionName(decoded(lines[i], storage));
        if (!name) continue;
        if (span.header != std::string_view::npos) {
            span.end = i;
            return span;
        }
        if (sameName(*name, section)) span.header = i;
    }
    span.end = lines.size();
    return span;
}

bool hasLineBreakOrNul(std::string_view s) {
    return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

std::string encodeValue(std::string_view value) {
    const bool needsQuotes =
        !value.empty() &&
        (isBlank(value.front()) || isBlank(value.back()) ||
         (value.size() >= 2 && isQuote(value.front()) && value.front() == value.back()));
    if (!needsQuotes) return std::string(value);
    std::string out = "\"";
    out += value;
    out += '"';
    return out;
}

std::string_view platformLineEnd() {
#ifdef _WIN32
    return "\r\n";
#else
    return "\n";
#endif
}

}  // namespace

std::optional<std::string> profileLookup(std::string_view text, std::string_view section,
                                         std::string_view key) {
    const std::vector<Line> lines = splitLines(withoutByteOrderMark(text));
    const SectionSpan span = findSection(lines, section);
    if (span.header == std::string_view::npos) return std::nullopt;
    std::string storage;
    for (std::size_t i = span.header + 1; i < span.end; ++i) {
        const auto s = setting(decoded(lines[i], storage));
        if (s && sameName(s->key, key)) return std::string(unquote(s->value));
    }
    return std::nullopt;
}

bool isWritableProfileName(std::string_view section, std::string_view key) {
    auto fine = [](std::string_view name) {
        return !name.empty() && isValidUtf8(name) && !hasLineBreakOrNul(name) &&
               !isBlank(name.front()) && !isBlank(name.back());
    };
    if (!fine(section) || section.find(']') != std::string_view::npos) return false;
    if (!fine(key) || key.find('=') != std::string_view::npos) return false;
    return key.front() != '[' && key.front() != ';';
}

bool isWritableProfileValue(std::string_view value) {
    return isValidUtf8(value) && !hasLineBreakOrNul(value);
}

std::string profileSet(std::string_view text, std::string_view section, std::string_view key,
                       std::string_view value) {
    // A byte-order mark stays where it was; the lines behind it are parsed without it.
    const std::string_view body = withoutByteOrderMark(text);
    const std::string_view mark = text.substr(0, text.size() - body.size());
    const std::vector<Line> lines = splitLines(body);
    const std::string_view lineEnd = lines.empty() || lines.front().terminator.empty()
                                         ? platformLineEnd()
                                         : lines.front().terminator;
    const SectionSpan span = findSection(lines, section);

    // Which line to replace, or after which line to insert a new one.
    std::size_t replace = std::string_view::npos;
    std::size_t insertAfter = std::string_view::npos;
    // The replaced line is written in UTF-8 as a whole, its key spelt as the file had it.
    std::string fileKey(key);
    if (span.header != std::string_view::npos) {
        insertAfter = span.header;
        std::string storage;
        for (std::size_t i = span.header + 1; i < span.end; ++i) {
            const auto s = setting(decoded(lines[i], storage));
            if (s && sameName(s->key, key)) {
                replace = i;
                fileKey = s->key;
                break;
            }
            if (!trim(lines[i].content).empty()) insertAfter = i;
        }
    }
    const std::string keyLine = fileKey + "=" + encodeValue(value);

    std::string out(mark);
    out.reserve(text.size() + section.size() + keyLine.size() + 8);
    auto put = [&](const Line& line, bool mustEnd) {
        out += line.content;
        out += line.terminator.empty() && mustEnd ? lineEnd : line.terminator;
    };
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const bool last = i + 1 == lines.size();
        if (i == replace) {
            out += keyLine;
            out += lines[i].terminator;
            continue;
        }
        put(lines[i], i == insertAfter || (last && span.header == std::string_view::npos));
        if (i == insertAfter && replace == std::string_view::npos) {
            out += keyLine;
            out += lineEnd;
        }
    }
    if (span.header == std::string_view::npos) {
        out += "[";
        out += section;
        out += "]";
        out += lineEnd;
        out += keyLine;
        out += lineEnd;
    }
    return out;
}

std::optional<std::string_view> profileSectionOf(std::string_view line) {
    return sectionName(line);
}

std::optional<ProfileSettingLine> profileSettingOf(std::string_view line) {
    const auto s = setting(line);
    if (!s) return std::nullopt;
    return ProfileSettingLine{s->key, std::string(unquote(s->value))};
}

bool profileNamesMatch(std::string_view a, std::string_view b) { return sameName(a, b); }

std::string profileNameKey(std::string_view name) { return foldName(name); }

std::string profileSettingText(std::string_view key, std::string_view value) {
    return std::string(key) + "=" + encodeValue(value);
}

std::string_view profileLineEnd(std::string_view text) {
    const std::size_t nl = text.find('\n');
    if (nl == std::string_view::npos) return platformLineEnd();
    return nl > 0 && text[nl - 1] == '\r' ? "\r\n" : "\n";
}

int32_t profileParseInt(std::string_view value) {
    value = utf8Prefix(value, 29);
    std::size_t i = 0;
    while (i < value.size() && isBlank(value[i])) ++i;
    bool negative = false;
    if (i < value.size() && (value[i] == '+' || value[i] == '-')) {
        negative = value[i] == '-';
        ++i;
    }
    uint32_t n = 0;
    for (; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i)
        n = n * 10u + uint32_t(value[i] - '0');
    if (negative) n = 0u - n;
    return static_cast<int32_t>(n);
}

}  // namespace vellora
