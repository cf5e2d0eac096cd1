// SPDX-License-Identifier: GPL-3.0-or-later
#include "help/help_viewer.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>

#include "help/help_viewer_target.h"
#include "help/help_viewer_window.h"

namespace vellora {
namespace {

// The record's strings: 8-bit (taken as UTF-8) or, when fUniCodeStrings is set, UTF-16.
QString recordText(const char* text, bool utf16) {
    if (!text) return {};
    if (utf16) return QString::fromUtf16(reinterpret_cast<const char16_t*>(text));
    return QString::fromUtf8(text);
}

// The data folder of the tree the program is installed in (any prefix), else the one
// compiled in.
QString installedDataFolder() {
#ifdef VELLORA_DATA_FROM_BIN
    const QString beside = QDir::cleanPath(QCoreApplication::applicationDirPath() +
                                           QStringLiteral("/" VELLORA_DATA_FROM_BIN));
    if (QFileInfo(beside).isDir()) return beside;
#endif
#ifdef VELLORA_DATA_DIR
    return QStringLiteral(VELLORA_DATA_DIR);
#else
    return {};
#endif
}

}  // namespace

DesktopHelp::DesktopHelp(QString programFolder, QString dataFolder, Opener openExternal)
    : programFolder_(std::move(programFolder)),
      dataFolder_(std::move(dataFolder)),
      openExternal_(openExternal ? std::move(openExternal) : Opener(&QDesktopServices::openUrl)) {}

bool DesktopHelp::HtmlHelp(QWidget* /*owner: the help window stands on its own*/,
                           const std::string& file, uint32_t command, uintptr_t data) {
    if (command != HH_DISPLAY_TOC && command != HH_DISPLAY_INDEX && command != HH_DISPLAY_SEARCH &&
        command != HH_HELP_CONTEXT) {
        return false;
    }
    const HelpTarget target = splitHelpTarget(file);
    ResolvedHelp help = resolveHelp(target.file, programFolder_, dataFolder_);
    if (help.kind == ResolvedHelp::Kind::CompiledFile) {
        if (openExternal_(QUrl::fromLocalFile(help.path))) return true;
        // No reader for compiled help on this desktop: our own pages still serve.
        const QString pages = findHelpPages(target.file, programFolder_, dataFolder_);
        if (pages.isEmpty()) return false;
        help = {ResolvedHelp::Kind::Pages, pages};
    }
    if (help.kind != ResolvedHelp::Kind::Pages) return false;

    HelpWindow* window = HelpWindow::shared();
    if (!window->load(help.path)) return false;
    switch (command) {
        case HH_DISPLAY_TOC:
            window->showContents();
            break;
        case HH_DISPLAY_INDEX:
            window->showIndex(data ? QString::fromUtf8(reinterpret_cast<const char*>(data))
                                   : QString());
            break;
        case HH_DISPLAY_SEARCH: {
            const auto* query = reinterpret_cast<const HH_FTS_QUERY*>(data);
            if (query && query->cbStruct >= static_cast<int32_t>(sizeof(HH_FTS_QUERY))) {
                window->showSearch(recordText(query->pszSearchQuery, query->fUniCodeStrings != 0),
                                   query->fExecute != 0, query->fTitleOnly != 0);
            } else {
                window->showSearch(QString(), false, false);
            }
            break;
        }
        case HH_HELP_CONTEXT:
            window->showContext(static_cast<int32_t>(data));
            break;
    }
    window->show();
    window->raise();
    window->activateWindow();
    return true;
}

HelpApi& programHelp() {
    static DesktopHelp help(QCoreApplication::applicationDirPath(), installedDataFolder());
    return help;
}

bool HtmlHelp(QWidget* owner, const std::string& file, uint32_t command, uintptr_t data) {
    return programHelp().HtmlHelp(owner, file, command, data);
}

}  // namespace vellora
