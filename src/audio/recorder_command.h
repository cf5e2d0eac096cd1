// SPDX-License-Identifier: GPL-3.0-or-later
// Parsing of the recorder's command texts. Words are separated by runs of blanks, so
// the doubled blanks of "samplespersec  22050" and "to  400" are accepted; keywords
// are case-insensitive. The set:
//   close all | close <alias>
//   open new type waveaudio alias <alias>
//   seek <alias> to start
//   set <alias> samplespersec|bitspersample|channels <n>
//   record <alias> to <milliseconds> wait
//   save <alias> <file> wait
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vellora {

inline constexpr uint32_t kMaxRecordMilliseconds = 60000;

struct RecorderCommand {
    enum class Verb {
        CloseAll,
        Close,
        Open,
        SeekStart,
        SetRate,
        SetBits,
        SetChannels,
        Record,
        Save
    };
    Verb verb = Verb::CloseAll;
    std::string alias;   // as written; compared case-insensitively
    uint32_t value = 0;  // the set value, or the record length in ms (1 .. kMaxRecordMilliseconds)
    std::string file;    // save only
};

// Nothing for a text outside the set (unknown verb, missing or extra word, a number
// that is not all digits or out of range).
std::optional<RecorderCommand> parseRecorderCommand(std::string_view text);

bool sameAlias(std::string_view a, std::string_view b);

}  // namespace vellora
