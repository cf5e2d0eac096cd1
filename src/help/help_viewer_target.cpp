// SPDX-License-Identifier: GPL-3.0-or-later
#include "help/help_viewer_target.h"

#include <QDir>
#include <QFileInfo>

#include "common/text.h"

namespace vellora {
namespace {

std::string trimBlanks(const std::string& s) { return std::string(trimmed(s, " ")); }

}  // namespace

HelpTarget splitHelpTarget(const std::string& target) {
    const auto cut = target.find('>');
    if (cut == std::string::npos) return {trimBlanks(target), {}};
    return {trimBlanks(target.substr(0, cut)), trimBlanks(target.substr(cut + 1))};
}

QString helpLanguageFolder(const std::string& file) {
    const QString name = QFileInfo(QString::fromStdString(file)).fileName().toLower();
    if (name == QLatin1String("vellora.chm")) return QStringLiteral("fr");
    if (name == QLatin1String("vellora_en.chm")) return QStringLiteral("en");
    return {};
}

QString findHelpPages(const std::string& file, const QString& programFolder,
                      const QString& dataFolder) {
    const QString language = helpLanguageFolder(file);
    if (language.isEmpty()) return {};
    for (const QString& base : {programFolder, dataFolder}) {
        if (base.isEmpty()) continue;
        const QDir folder(QDir(base).filePath(QStringLiteral("help/") + language));
        if (QFileInfo(folder, QStringLiteral("toc.txt")).isFile()) return folder.absolutePath();
    }
    return {};
}

ResolvedHelp resolveHelp(const std::string& file, const QString& programFolder,
                         const QString& dataFolder) {
    if (file.empty()) return {};
    // A relative name is looked up next to the program, not in the current folder,
    // which the recorder uses for its scratch files.
    const QFileInfo compiled(QDir(programFolder), QString::fromStdString(file));
    if (compiled.isFile()) return {ResolvedHelp::Kind::CompiledFile, compiled.absoluteFilePath()};
    const QString pages = findHelpPages(file, programFolder, dataFolder);
    if (pages.isEmpty()) return {};
    return {ResolvedHelp::Kind::Pages, pages};
}

}  // namespace vellora
