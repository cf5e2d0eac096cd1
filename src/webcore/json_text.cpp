// SPDX-License-Identifier: GPL-3.0-or-later
#include "webcore/json_text.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace vellora {

std::string jsonString(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u%04x", unsigned(c));
                    out += escaped;
                } else {
                    out += c;
                }
        }
    }
    return out + "\"";
}

std::string jsonNumber(double v) {
    if (!std::isfinite(v)) return "null";
    char text[32];
    const auto [end, ec] = std::to_chars(text, text + sizeof text, v);
    return ec == std::errc() ? std::string(text, end) : "null";
}

void JsonObject::key(std::string_view k) {
    if (body_.size() > 1) body_ += ',';
    body_ += jsonString(k);
    body_ += ':';
}

JsonObject& JsonObject::add(std::string_view k, std::string_view text) {
    key(k);
    body_ += jsonString(text);
    return *this;
}

JsonObject& JsonObject::add(std::string_view k, double v) {
    key(k);
    body_ += jsonNumber(v);
    return *this;
}

JsonObject& JsonObject::add(std::string_view k, bool v) {
    key(k);
    body_ += v ? "true" : "false";
    return *this;
}

JsonObject& JsonObject::raw(std::string_view k, std::string_view json) {
    key(k);
    body_ += json;
    return *this;
}

std::string jsonArray(std::span<const int32_t> values) {
    std::string out = "[";
    for (const int32_t v : values) {
        if (out.size() > 1) out += ',';
        out += std::to_string(v);
    }
    return out + "]";
}

std::string jsonArray(std::span<const std::string> jsonValues) {
    std::string out = "[";
    for (const std::string& v : jsonValues) {
        if (out.size() > 1) out += ',';
        out += v;
    }
    return out + "]";
}

}  // namespace vellora
