// SPDX-License-Identifier: GPL-3.0-or-later
// The page reads every answer of the core as JSON: a small writer for flat objects and
// arrays, strings escaped, numbers with a point whatever the locale.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace vellora {

// A JSON string literal of UTF-8 `text`, quotes included.
std::string jsonString(std::string_view text);
// A finite number in the shortest form that reads back the same; null otherwise.
std::string jsonNumber(double v);

// Writes one object: add members in order, then text().
class JsonObject {
  public:
    JsonObject& add(std::string_view key, std::string_view text);
    JsonObject& add(std::string_view key, const char* text) {
        return add(key, std::string_view(text));
    }
    JsonObject& add(std::string_view key, double v);
    JsonObject& add(std::string_view key, int32_t v) { return add(key, double(v)); }
    JsonObject& add(std::string_view key, bool v);
    // A value already written as JSON (an object, an array, null).
    JsonObject& raw(std::string_view key, std::string_view json);
    std::string text() const { return body_ + "}"; }

  private:
    void key(std::string_view k);
    std::string body_ = "{";
};

std::string jsonArray(std::span<const int32_t> values);
std::string jsonArray(std::span<const std::string> jsonValues);  // already JSON

}  // namespace vellora
