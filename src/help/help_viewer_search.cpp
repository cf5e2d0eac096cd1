// SPDX-License-Identifier: GPL-3.0-or-later
#include "help/help_viewer_search.h"

#include <QHash>
#include <QRegularExpression>
#include <algorithm>

namespace vellora {
namespace {

QString decodeEntities(const QString& text) {
    static const QHash<QString, QString> named = {
        {"amp", "&"},   {"lt", "<"},     {"gt", ">"},     {"quot", "\""},  {"apos", "'"},
        {"nbsp", " "},  {"eacute", "é"}, {"egrave", "è"}, {"ecirc", "ê"},  {"agrave", "à"},
        {"acirc", "â"}, {"ccedil", "ç"}, {"ocirc", "ô"},  {"ucirc", "û"},  {"ugrave", "ù"},
        {"icirc", "î"}, {"iuml", "ï"},   {"euml", "ë"},   {"Eacute", "É"}, {"laquo", "«"},
        {"raquo", "»"}, {"rarr", "→"},   {"deg", "°"},    {"times", "×"},  {"ndash", "–"},
        {"mdash", "—"}, {"hellip", "…"}, {"rsquo", "’"},  {"lsquo", "‘"},  {"ldquo", "“"},
        {"rdquo", "”"}, {"oelig", "œ"},  {"Agrave", "À"}, {"copy", "©"}};
    static const QRegularExpression entity(QStringLiteral("&(#x[0-9A-Fa-f]+|#[0-9]+|[A-Za-z]+);"));
    QString out;
    qsizetype last = 0;
    auto it = entity.globalMatch(text);
    while (it.hasNext()) {
        const auto m = it.next();
        out += QStringView(text).mid(last, m.capturedStart() - last);
        const QString name = m.captured(1);
        bool ok = false;
        char32_t code = 0;
        if (name.startsWith(QLatin1String("#x"))) {
            code = name.mid(2).toUInt(&ok, 16);
        } else if (name.startsWith(QLatin1Char('#'))) {
            code = name.mid(1).toUInt(&ok, 10);
        }
        if (ok && code > 0 && code <= 0x10FFFF) {
            out += QString::fromUcs4(&code, 1);
        } else if (const auto found = named.constFind(name); found != named.constEnd()) {
            out += *found;
        } else {
            out += m.captured(0);
        }
        last = m.capturedEnd();
    }
    out += QStringView(text).mid(last);
    return out;
}

bool wordMatches(const QStringList& pageWords, const QString& queryWord) {
    return std::any_of(pageWords.begin(), pageWords.end(),
                       [&](const QString& w) { return w.startsWith(queryWord); });
}

}  // namespace

QString foldForSearch(const QString& text) {
    const QString decomposed = text.normalized(QString::NormalizationForm_KD);
    QString out;
    out.reserve(decomposed.size());
    for (const QChar c : decomposed) {
        if (c.category() == QChar::Mark_NonSpacing) continue;
        // Ligatures have no decomposition but French writes them in words users
        // type with two letters.
        if (c == QChar(0x0153) || c == QChar(0x0152)) {
            out += QLatin1String("oe");
        } else if (c == QChar(0x00E6) || c == QChar(0x00C6)) {
            out += QLatin1String("ae");
        } else {
            out += c;
        }
    }
    return out.toCaseFolded();
}

QStringList searchWords(const QString& text) {
    QStringList words;
    QString word;
    for (const QChar c : foldForSearch(text)) {
        if (c.isLetterOrNumber()) {
            word += c;
        } else if (!word.isEmpty()) {
            words << word;
            word.clear();
        }
    }
    if (!word.isEmpty()) words << word;
    return words;
}

QString htmlTitle(const QString& html) {
    static const QRegularExpression title(
        QStringLiteral("<title[^>]*>(.*?)</title>"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    const auto m = title.match(html);
    return m.hasMatch() ? decodeEntities(m.captured(1)).simplified() : QString();
}

QString htmlToText(const QString& html) {
    static const QRegularExpression hidden(
        QStringLiteral("<!--.*?-->|<(style|script)[^>]*>.*?</\\1\\s*>"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression tag(QStringLiteral("<[^>]*>"));
    QString text = html;
    text.replace(hidden, QStringLiteral(" "));
    // A tag separates words: "<td>Run</td><td>Exit</td>" is two words, not one.
    text.replace(tag, QStringLiteral(" "));
    return decodeEntities(text).simplified();
}

std::vector<SearchHit> searchPages(const std::vector<HelpPage>& pages, const QString& query,
                                   bool titlesOnly) {
    QStringList wanted = searchWords(query);
    wanted.removeDuplicates();
    std::vector<SearchHit> hits;
    if (wanted.isEmpty()) return hits;
    for (const HelpPage& page : pages) {
        const QStringList words = searchWords(titlesOnly ? page.title : page.text);
        const bool all = std::all_of(wanted.begin(), wanted.end(),
                                     [&](const QString& q) { return wordMatches(words, q); });
        if (!all) continue;
        const auto count = std::count_if(words.begin(), words.end(), [&](const QString& w) {
            return std::any_of(wanted.begin(), wanted.end(),
                               [&](const QString& q) { return w.startsWith(q); });
        });
        hits.push_back({page.file, page.title, static_cast<int>(count)});
    }
    std::stable_sort(hits.begin(), hits.end(),
                     [](const SearchHit& a, const SearchHit& b) { return a.hits > b.hits; });
    return hits;
}

}  // namespace vellora
