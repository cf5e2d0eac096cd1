// SPDX-License-Identifier: GPL-3.0-or-later
// The contents, index and caption files of a help folder, all UTF-8 text, one record a
// line, fields separated by tabs; blank lines and lines starting with '#' are skipped.
//
//   toc.txt     level <TAB> title <TAB> page [<TAB> context number]
//               level 0 names the help (window title) and its home page; levels 1, 2, ...
//               nest; a page may carry "#anchor"; an empty page makes a heading only.
//   index.txt   keyword <TAB> page        (a keyword may appear on several lines)
//   labels.txt  key <TAB> text            (the viewer's own captions in this language)
#pragma once

#include <QMap>
#include <QString>
#include <QStringList>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace vellora {

struct TocEntry {
    int level = 1;
    QString title;
    QString page;
    std::optional<int32_t> context;
};

struct HelpContents {
    QString title;
    QString home;  // the level-0 page, else the first page of the contents
    std::vector<TocEntry> toc;
};

// Lines with a bad level or fewer than two fields are skipped.
HelpContents parseToc(const QString& text);

struct IndexEntry {
    QString keyword;
    QStringList pages;  // in file order, without repeats
};

// One entry per keyword, sorted without regard to case and accents.
std::vector<IndexEntry> parseIndex(const QString& text);

QMap<QString, QString> parseLabels(const QString& text);

// Far beyond any help page or list; a larger file is not one of ours.
inline constexpr std::size_t kLargestHelpFile = std::size_t(4) << 20;

// The whole of a UTF-8 text file; empty when it cannot be read, is not a regular file
// (a FIFO would wait for a writer for good, a device never ends) or is larger than
// kLargestHelpFile.
QString readHelpFile(const QString& path);

}  // namespace vellora
