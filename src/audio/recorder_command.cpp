// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/recorder_command.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace vellora {

namespace {

std::vector<std::string_view> words(std::string_view text) {
    std::vector<std::string_view> out;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && text[i] == ' ') ++i;
        const size_t start = i;
        while (i < text.size() && text[i] != ' ') ++i;
        if (i > start) out.push_back(text.substr(start, i - start));
    }
    return out;
}

bool is(std::string_view word, std::string_view keyword) { return sameAlias(word, keyword); }

std::optional<uint32_t> number(std::string_view word, uint32_t max) {
    if (word.empty() || word.size() > 9) return std::nullopt;
    uint32_t n = 0;
    for (char c : word) {
        if (c < '0' || c > '9') return std::nullopt;
        n = n * 10 + uint32_t(c - '0');
    }
    if (n > max) return std::nullopt;
    return n;
}

// An alias may be any word but a keyword that would make the text ambiguous.
bool validAlias(std::string_view word) { return !is(word, "all") && !is(word, "new"); }

}  // namespace

bool sameAlias(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

std::optional<RecorderCommand> parseRecorderCommand(std::string_view text) {
    using Verb = RecorderCommand::Verb;
    const std::vector<std::string_view> w = words(text);
    if (w.empty()) return std::nullopt;
    RecorderCommand c;
    if (is(w[0], "close") && w.size() == 2) {
        c.verb = is(w[1], "all") ? Verb::CloseAll : Verb::Close;
        if (c.verb == Verb::Close && !validAlias(w[1])) return std::nullopt;
        if (c.verb == Verb::Close) c.alias = w[1];
        return c;
    }
    if (is(w[0], "open") && w.size() == 6 && is(w[1], "new") && is(w[2], "type") &&
        is(w[3], "waveaudio") && is(w[4], "alias") && validAlias(w[5])) {
        c.verb = Verb::Open;
        c.alias = w[5];
        return c;
    }
    if (w.size() < 2 || !validAlias(w[1])) return std::nullopt;
    c.alias = w[1];
    if (is(w[0], "seek") && w.size() == 4 && is(w[2], "to") && is(w[3], "start")) {
        c.verb = Verb::SeekStart;
        return c;
    }
    if (is(w[0], "set") && w.size() == 4) {
        if (is(w[2], "samplespersec"))
            c.verb = Verb::SetRate;
        else if (is(w[2], "bitspersample"))
            c.verb = Verb::SetBits;
        else if (is(w[2], "channels"))
            c.verb = Verb::SetChannels;
        else
            return std::nullopt;
        const auto n = number(w[3], 999999999);
        if (!n) return std::nullopt;
        c.value = *n;
        return c;
    }
    if (is(w[0], "record") && w.size() == 5 && is(w[2], "to") && is(w[4], "wait")) {
        const auto n = number(w[3], kMaxRecordMilliseconds);
        if (!n || *n == 0) return std::nullopt;
        c.verb = Verb::Record;
        c.value = *n;
        return c;
    }
    if (is(w[0], "save") && w.size() == 4 && is(w[3], "wait")) {
        c.verb = Verb::Save;
        c.file = w[2];
        return c;
    }
    return std::nullopt;
}

}  // namespace vellora
