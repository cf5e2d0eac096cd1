// SPDX-License-Identifier: GPL-3.0-or-later
// The program's stand-in for the HTML Help call. A compiled help file of the requested
// name next to the program is opened with the desktop's handler; otherwise the help
// pages installed with the program are shown in the help window.
#pragma once

#include <QString>
#include <QUrl>
#include <cstdint>
#include <functional>
#include <string>

class QWidget;

namespace vellora {

// Command codes of the HTML Help interface.
inline constexpr uint32_t HH_DISPLAY_TOC = 1;     // data ignored
inline constexpr uint32_t HH_DISPLAY_INDEX = 2;   // data: 0, or a const char* keyword
inline constexpr uint32_t HH_DISPLAY_SEARCH = 3;  // data: 0, or an HH_FTS_QUERY*
inline constexpr uint32_t HH_HELP_CONTEXT = 15;   // data: the context number

// The full-text search request of HH_DISPLAY_SEARCH. cbStruct holds sizeof the record.
struct HH_FTS_QUERY {
    int32_t cbStruct = 0;
    int32_t fUniCodeStrings = 0;  // non-zero: the two strings are UTF-16 (const char16_t*)
    const char* pszSearchQuery = nullptr;
    int32_t iProximity = 0;
    int32_t fStemmedSearch = 0;
    int32_t fTitleOnly = 0;  // non-zero: match page titles only
    int32_t fExecute = 0;    // non-zero: run the query, otherwise only type it in
    const char* pszWindow = nullptr;
};

// Opens help. One call per request; callers hold no state of the viewer.
class HelpApi {
  public:
    virtual ~HelpApi() = default;
    // Opens `file` (a bare help-file name, optionally "file>window") as `command` asks.
    // Returns false when no help of that name is found or the command is unknown.
    virtual bool HtmlHelp(QWidget* owner, const std::string& file, uint32_t command,
                          uintptr_t data) = 0;
};

// Help looked for in given folders; the program uses one made by programHelp().
class DesktopHelp : public HelpApi {
  public:
    using Opener = std::function<bool(const QUrl&)>;

    // programFolder: where compiled files and help/<language>/ are looked for first;
    // dataFolder (may be empty): the installed data folder, holding help/<language>/.
    // openExternal hands a compiled help file to the desktop (QDesktopServices by default).
    DesktopHelp(QString programFolder, QString dataFolder, Opener openExternal = {});

    bool HtmlHelp(QWidget* owner, const std::string& file, uint32_t command,
                  uintptr_t data) override;

  private:
    QString programFolder_;
    QString dataFolder_;
    Opener openExternal_;
};

// The help of the running program: its own folder, then the installed data folder.
HelpApi& programHelp();

// programHelp().HtmlHelp(...).
bool HtmlHelp(QWidget* owner, const std::string& file, uint32_t command, uintptr_t data);

}  // namespace vellora
