// SPDX-License-Identifier: GPL-3.0-or-later
// Where a help request leads: a compiled help file, a folder of help pages, or nowhere.
// No window is involved, so these are tested on their own.
#pragma once

#include <QString>
#include <QStringList>
#include <string>

namespace vellora {

// "file>window" split at the first '>'; without one, the whole text is the file.
// Both parts lose surrounding blanks.
struct HelpTarget {
    std::string file;
    std::string window;
};
HelpTarget splitHelpTarget(const std::string& target);

// The page folder of a help-file name: "fr" for vellora.chm, "en" for vellora_en.chm
// (letter case ignored, any folder part ignored); empty for any other name.
QString helpLanguageFolder(const std::string& file);

struct ResolvedHelp {
    enum class Kind { NotFound, CompiledFile, Pages };
    Kind kind = Kind::NotFound;
    QString path;  // the compiled file, or the folder holding toc.txt
};

// A compiled help file `file` in programFolder wins; then the page folder
// help/<language>/ (one with a toc.txt) in programFolder, then in dataFolder.
ResolvedHelp resolveHelp(const std::string& file, const QString& programFolder,
                         const QString& dataFolder);

// The first page folder help/<language>/ holding a toc.txt, in programFolder then in
// dataFolder; empty when there is none or the name is not one of our help files.
QString findHelpPages(const std::string& file, const QString& programFolder,
                      const QString& dataFolder);

}  // namespace vellora
