// SPDX-License-Identifier: GPL-3.0-or-later
#include "ini/profile_encoding.h"

#include <cstdint>

namespace vellora {

namespace {

// Unicode code points of the Windows-1252 bytes 0x80 to 0x9F.
constexpr char32_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

bool isContinuation(unsigned char b) { return (b & 0xC0) == 0x80; }

}  // namespace

bool isValidUtf8(std::string_view bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    std::size_t i = 0;
    while (i < n) {
        const unsigned char b = p[i];
        if (b < 0x80) {
            ++i;
            continue;
        }
        std::size_t len;
        char32_t min;
        char32_t c;
        if ((b & 0xE0) == 0xC0) {
            len = 2, min = 0x80, c = b & 0x1F;
        } else if ((b & 0xF0) == 0xE0) {
            len = 3, min = 0x800, c = b & 0x0F;
        } else if ((b & 0xF8) == 0xF0) {
            len = 4, min = 0x10000, c = b & 0x07;
        } else {
            return false;
        }
        if (n - i < len) return false;
        for (std::size_t k = 1; k < len; ++k) {
            if (!isContinuation(p[i + k])) return false;
            c = (c << 6) | (p[i + k] & 0x3F);
        }
        if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
        i += len;
    }
    return true;
}

std::string windows1252ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 4);
    for (const char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        if (b < 0x80)
            out += ch;
        else if (b < 0xA0)
            appendUtf8(out, kHighControls[b - 0x80]);
        else
            appendUtf8(out, char32_t(b));  // 0xA0-0xFF are Latin-1
    }
    return out;
}

std::string_view decodeProfileLine(std::string_view bytes, std::string& storage) {
    if (isValidUtf8(bytes)) return bytes;
    storage = windows1252ToUtf8(bytes);
    return storage;
}

std::string_view withoutByteOrderMark(std::string_view bytes) {
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
    return bytes;
}

std::string decodeProfileBytes(std::string_view bytes) {
    bytes = withoutByteOrderMark(bytes);
    std::string out;
    out.reserve(bytes.size());
    std::string storage;
    while (!bytes.empty()) {
        const std::size_t nl = bytes.find('\n');
        const std::size_t length = nl == std::string_view::npos ? bytes.size() : nl + 1;
        out += decodeProfileLine(bytes.substr(0, length), storage);
        bytes.remove_prefix(length);
    }
    return out;
}

std::string_view utf8Prefix(std::string_view text, std::size_t maxChars) {
    std::size_t i = 0;
    std::size_t chars = 0;
    while (i < text.size() && chars < maxChars) {
        ++i;
        while (i < text.size() && isContinuation(static_cast<unsigned char>(text[i]))) ++i;
        ++chars;
    }
    return text.substr(0, i);
}

}  // namespace vellora
