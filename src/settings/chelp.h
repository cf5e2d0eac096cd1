// SPDX-License-Identifier: GPL-3.0-or-later
// Opening the help from the program: the help file of the current language, at its
// contents, a topic, its index or its word search.
#pragma once

#include <optional>
#include <string>

#include "common/status.h"
#include "help/help_viewer.h"

namespace vellora {

// "vellora.chm" when the last 12 characters of the UTF-8 path are exactly
// "Français.lng" (case and accents count), else "vellora_en.chm".
std::string helpFileForLanguagePath(const std::string& languageFilePath);

// Made for one request and dropped; the help window stays open after it.
// Every call returns NotFound when no help opened (no help of that name, or none the
// desktop or the help window can show), so the caller can say so.
class CHelp {
  public:
    CHelp();  // the program's help
    explicit CHelp(HelpApi& api);

    // The contents, or the topic of `context` (rounded to a whole number) when given.
    Status Show(const std::string& helpFile, const std::string& windowName,
                std::optional<double> context = std::nullopt);
    Status ShowIndex(const std::string& helpFile, const std::string& windowName);
    // The word search, running the query "TEST".
    Status ShowSearch(const std::string& helpFile, const std::string& windowName);

  private:
    HelpApi& api_;
};

// What the help calls are given: "file>window" when a window is named (both trimmed of
// blanks), else the file exactly as passed.
std::string helpTarget(const std::string& helpFile, const std::string& windowName);

}  // namespace vellora
