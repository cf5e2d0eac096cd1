// SPDX-License-Identifier: GPL-3.0-or-later
// The texts of a language file as written after "=", by section and key; comments aside.
#pragma once

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <utility>

namespace vellora::testing {

using LanguageTexts = std::map<std::pair<std::string, int>, std::string>;

inline LanguageTexts languageTexts(const std::filesystem::path& file) {
    LanguageTexts texts;
    std::ifstream in(file);
    std::string section;
    for (std::string line; std::getline(in, line);) {
        if (line.starts_with('['))
            section = line.substr(1, line.find(']') - 1);
        else if (!line.starts_with(';') && line.find('=') != std::string::npos)
            texts[{section, std::stoi(line)}] = line.substr(line.find('=') + 1);
    }
    return texts;
}

}  // namespace vellora::testing
