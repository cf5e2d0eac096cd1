// SPDX-License-Identifier: GPL-3.0-or-later
// The word search of the help window, over the plain text of the help pages.
// Matching ignores letter case and accents, so "frequence" finds "fréquence".
#pragma once

#include <QString>
#include <QStringList>
#include <vector>

namespace vellora {

// Lower case without accents ("Fréquence" -> "frequence"; "œ" -> "oe").
QString foldForSearch(const QString& text);

// The folded words of a text: runs of letters and digits ("F2", "l'énergie" -> "f2",
// "l", "energie").
QStringList searchWords(const QString& text);

// The text of an HTML page's <title>, entities decoded; empty when there is none.
QString htmlTitle(const QString& html);

// The readable text of an HTML page: tags, comments, style and script blocks dropped,
// the common entities decoded.
QString htmlToText(const QString& html);

struct HelpPage {
    QString file;  // relative to the help folder, e.g. "calibration.html"
    QString title;
    QString text;  // the whole page as plain text, title included
};

struct SearchHit {
    QString file;
    QString title;
    int hits = 0;  // words of the page matched by the query
};

// The pages holding every word of `query`, each query word matching the beginning of
// a page word ("calibr" finds "calibration"). Most hits first, then in page order.
// An empty query finds nothing.
std::vector<SearchHit> searchPages(const std::vector<HelpPage>& pages, const QString& query,
                                   bool titlesOnly = false);

}  // namespace vellora
