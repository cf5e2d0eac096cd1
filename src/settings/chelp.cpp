// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/chelp.h"

#include <cstdint>

#include "common/numeric.h"
#include "common/text.h"
#include "settings/language_names.h"

namespace vellora {
namespace {

// The help call's own answer is a yes or no, as the call it stands in for gives.
Status opened(bool shown, const std::string& target) {
    return shown ? Status() : Status(Failure::NotFound, target + ": no help of that name opens");
}

bool isUtf8Continuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

}  // namespace

std::string helpFileForLanguagePath(const std::string& languageFilePath) {
    static const std::string french = std::string(kFrenchLanguage) + kLanguageFileSuffix;
    // Walk back over 12 characters; a UTF-8 character is one lead byte and its
    // continuation bytes.
    size_t start = languageFilePath.size();
    for (int chars = 0; chars < 12; ++chars) {
        if (start == 0) return "vellora_en.chm";
        --start;
        while (start > 0 && isUtf8Continuation(languageFilePath[start])) --start;
    }
    return languageFilePath.compare(start, std::string::npos, french) == 0 ? "vellora.chm"
                                                                           : "vellora_en.chm";
}

std::string helpTarget(const std::string& helpFile, const std::string& windowName) {
    if (windowName.empty()) return helpFile;
    return std::string(trimmed(helpFile, " ")) + ">" + std::string(trimmed(windowName, " "));
}

CHelp::CHelp() : api_(programHelp()) {}

CHelp::CHelp(HelpApi& api) : api_(api) {}

Status CHelp::Show(const std::string& helpFile, const std::string& windowName,
                   std::optional<double> context) {
    const std::string target = helpTarget(helpFile, windowName);
    if (!context) {
        const int32_t zero = 0;
        return opened(
            api_.HtmlHelp(nullptr, target, HH_DISPLAY_TOC, reinterpret_cast<uintptr_t>(&zero)),
            target);
    }
    return opened(
        api_.HtmlHelp(nullptr, target, HH_HELP_CONTEXT,
                      static_cast<uintptr_t>(static_cast<uint32_t>(toInt32Saturated(*context)))),
        target);
}

Status CHelp::ShowIndex(const std::string& helpFile, const std::string& windowName) {
    const std::string target = helpTarget(helpFile, windowName);
    return opened(api_.HtmlHelp(nullptr, target, HH_DISPLAY_INDEX, 0), target);
}

Status CHelp::ShowSearch(const std::string& helpFile, const std::string& windowName) {
    HH_FTS_QUERY query;
    query.cbStruct = sizeof(HH_FTS_QUERY);
    query.fUniCodeStrings = 0;
    query.pszSearchQuery = "TEST";
    query.iProximity = 0;
    query.fStemmedSearch = 0;
    query.fTitleOnly = 0;
    query.fExecute = 1;
    query.pszWindow = "";
    const std::string target = helpTarget(helpFile, windowName);
    return opened(
        api_.HtmlHelp(nullptr, target, HH_DISPLAY_SEARCH, reinterpret_cast<uintptr_t>(&query)),
        target);
}

}  // namespace vellora
