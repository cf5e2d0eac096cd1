// SPDX-License-Identifier: GPL-3.0-or-later
#include "help/help_viewer_contents.h"

#include <algorithm>

#include "common/regular_file.h"

#include "help/help_viewer_search.h"

namespace vellora {
namespace {

// The records of a help file: its non-blank, non-comment lines split at tabs, each
// field trimmed.
std::vector<QStringList> records(const QString& text) {
    std::vector<QStringList> out;
    for (const QString& raw : text.split(QLatin1Char('\n'))) {
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#'))) continue;
        QStringList fields = raw.split(QLatin1Char('\t'));
        for (QString& f : fields) f = f.trimmed();
        out.push_back(fields);
    }
    return out;
}

}  // namespace

HelpContents parseToc(const QString& text) {
    HelpContents contents;
    for (const QStringList& f : records(text)) {
        bool ok = false;
        const int level = f.value(0).toInt(&ok);
        if (!ok || level < 0 || f.size() < 2 || f[1].isEmpty()) continue;
        const QString page = f.value(2);
        if (level == 0) {
            contents.title = f[1];
            contents.home = page;
            continue;
        }
        TocEntry entry{level, f[1], page, std::nullopt};
        const int context = f.value(3).toInt(&ok);
        if (ok) entry.context = context;
        contents.toc.push_back(entry);
    }
    if (contents.home.isEmpty()) {
        const auto first = std::find_if(contents.toc.begin(), contents.toc.end(),
                                        [](const TocEntry& e) { return !e.page.isEmpty(); });
        if (first != contents.toc.end()) contents.home = first->page;
    }
    return contents;
}

std::vector<IndexEntry> parseIndex(const QString& text) {
    std::vector<IndexEntry> entries;
    for (const QStringList& f : records(text)) {
        if (f.size() < 2 || f[0].isEmpty() || f[1].isEmpty()) continue;
        auto same = std::find_if(entries.begin(), entries.end(),
                                 [&](const IndexEntry& e) { return e.keyword == f[0]; });
        if (same == entries.end()) {
            entries.push_back({f[0], {}});
            same = entries.end() - 1;
        }
        if (!same->pages.contains(f[1])) same->pages << f[1];
    }
    std::stable_sort(entries.begin(), entries.end(), [](const IndexEntry& a, const IndexEntry& b) {
        return foldForSearch(a.keyword) < foldForSearch(b.keyword);
    });
    return entries;
}

QMap<QString, QString> parseLabels(const QString& text) {
    QMap<QString, QString> labels;
    for (const QStringList& f : records(text)) {
        if (f.size() >= 2 && !f[0].isEmpty()) labels.insert(f[0], f[1]);
    }
    return labels;
}

QString readHelpFile(const QString& path) {
    const RegularFileBytes read =
        readRegularFile(std::filesystem::path(path.toStdString()), kLargestHelpFile + 1);
    if (!read.read() || read.truncated() || read.bytes.size() > kLargestHelpFile) return {};
    return QString::fromUtf8(read.bytes.data(), qsizetype(read.bytes.size()));
}

}  // namespace vellora
