// SPDX-License-Identifier: GPL-3.0-or-later
#include "help/help_viewer.h"

#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTreeWidget>

#include "help/help_viewer_browser.h"
#include "help/help_viewer_contents.h"
#include "help/help_viewer_search.h"
#include "help/help_viewer_window.h"
#include "support/hostile_files.h"
#include "support/qt_application.h"

namespace vellora {
namespace {

void writeFile(const QString& path, const QByteArray& text) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
}

void writeEnglishHelp(const QString& base) {
    const QString en = QDir(base).filePath("help/en/");
    writeFile(en + "toc.txt",
              "0\tTest Help\tstart.html\n1\tStart\tstart.html\n"
              "1\tCalibration\tcalibration.html\t20\n");
    writeFile(en + "index.txt", "noise line\tstart.html\n");
    writeFile(en + "start.html", "<html><head><title>Start</title></head><body>The noise line.");
    writeFile(en + "calibration.html",
              "<html><head><title>Calibration</title></head>"
              "<body><p>The tone's fr&eacute;quence.</p></body></html>");
}

TEST(HelpSearch, EveryWordAccentBlindPrefixesMostHitsFirst) {
    const std::vector<HelpPage> pages = {
        {"a.html", "Calibration", "Calibration: choose the fréquence, then calibrate."},
        {"b.html", "Gauge", "The gauge shows the energy."},
        {"c.html", "Reading", "Fréquence fréquence FRÉQUENCE of the belt."},
    };
    const std::tuple<const char*, bool, QStringList> cases[] = {
        {"frequence", false, {"c.html", "a.html"}},
        {"FREQUENCE belt", false, {"c.html"}},
        {"calibr", false, {"a.html"}},
        {"energy", true, {}},  // titles only
        {"gauge", true, {"b.html"}},
    };
    for (const auto& [query, titlesOnly, expected] : cases) {
        QStringList files;
        for (const SearchHit& h : searchPages(pages, query, titlesOnly)) files << h.file;
        EXPECT_EQ(files, expected) << query;
    }
}

// The installed pages in one window, raised at the tab each request asks for; a compiled
// file beside the program goes first, to the desktop.
TEST(HelpWindow, OpensAtTheRequestedTabAndIsReused) {
    ensureGuiApplication();
    QTemporaryDir root;
    const QString program = root.filePath("bin"), data = root.filePath("share");
    writeEnglishHelp(data);
    QList<QUrl> opened;
    DesktopHelp help(program, data, [&](const QUrl& url) {
        opened << url;
        return true;
    });
    ASSERT_TRUE(help.HtmlHelp(nullptr, "C:/x/Vellora_EN.chm", HH_DISPLAY_TOC, 0));
    HelpWindow* window = HelpWindow::existing();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->windowTitle(), "Test Help");
    EXPECT_EQ(window->contentsTree()->topLevelItemCount(), 2);
    EXPECT_TRUE(window->browser()->toPlainText().contains("The noise line."));
    ASSERT_TRUE(help.HtmlHelp(nullptr, "vellora_en.chm", HH_DISPLAY_INDEX, 0));
    EXPECT_EQ(HelpWindow::existing(), window);
    EXPECT_EQ(window->tabs()->currentIndex(), HelpWindow::IndexTab);
    EXPECT_EQ(window->indexList()->topLevelItemCount(), 1);
    HH_FTS_QUERY query;
    query.cbStruct = sizeof(query);
    query.pszSearchQuery = "frequence";
    query.fExecute = 1;
    ASSERT_TRUE(help.HtmlHelp(nullptr, "vellora_en.chm", HH_DISPLAY_SEARCH,
                              reinterpret_cast<uintptr_t>(&query)));
    EXPECT_EQ(window->tabs()->currentIndex(), HelpWindow::SearchTab);
    EXPECT_EQ(window->searchResults()->count(), 1);
    ASSERT_TRUE(help.HtmlHelp(nullptr, "vellora_en.chm", HH_HELP_CONTEXT, 20));
    EXPECT_EQ(window->tabs()->currentIndex(), HelpWindow::ContentsTab);
    EXPECT_TRUE(window->browser()->source().toLocalFile().endsWith("/calibration.html"));
    EXPECT_FALSE(help.HtmlHelp(nullptr, "vellora.chm", HH_DISPLAY_TOC, 0));  // no French pages
    EXPECT_TRUE(opened.isEmpty());
    writeFile(QDir(program).filePath("vellora_en.chm"), "ITSF");
    EXPECT_TRUE(help.HtmlHelp(nullptr, "vellora_en.chm", HH_DISPLAY_TOC, 0));
    EXPECT_EQ(opened, QList{QUrl::fromLocalFile(QDir(program).absoluteFilePath("vellora_en.chm"))});
    delete window;
}

// A help file that is a FIFO, a device, a folder or far too large reads as missing (every
// help file is read the one way): the window opens without it and never waits or fills
// memory.
TEST(HelpWindow, HostileHelpFilesNeitherHangNorFillMemory) {
    ensureGuiApplication();
    QTemporaryDir root;
    writeEnglishHelp(root.path());
    const QString en = QDir(root.path()).filePath("help/en/"), start = en + "start.html";
    const testing::MemoryCeiling ceiling(300);
    for (testing::Hostile h : testing::everyHostileFile()) {
        SCOPED_TRACE(testing::hostileName(h));
        ASSERT_TRUE(testing::makeHostileFile(start.toStdString(), h));
        EXPECT_TRUE(readHelpFile(start).isEmpty());
        HelpBrowser browser;
        browser.setSource(QUrl::fromLocalFile(start));
        EXPECT_TRUE(browser.toPlainText().isEmpty());
    }
    ASSERT_TRUE(testing::makeHostileFile((en + "index.txt").toStdString(), testing::Hostile::Fifo));
    HelpWindow window;
    ASSERT_TRUE(window.load(en));
    EXPECT_EQ(window.indexList()->topLevelItemCount(), 0);
}

// Both shipped languages: the same pages, every contents, index and page link leading to a
// page and anchor that exist, every picture there.
TEST(ShippedHelp, ContentsIndexAndLinksPointToRealPages) {
    static const QRegularExpression href(QStringLiteral("href=\"([^\":]+)"));
    static const QRegularExpression picture(QStringLiteral("<img [^>]*src=\"([^\"]+)\""));
    QStringList pages[2];
    for (int n = 0; n < 2; ++n) {
        const QString language = n == 0 ? "fr" : "en";
        SCOPED_TRACE(language.toStdString());
        const QDir dir(QDir(QStringLiteral(VELLORA_SOURCE_HELP_DIR)).filePath(language));
        const auto toc = parseToc(readHelpFile(dir.filePath("toc.txt")));
        ASSERT_FALSE(toc.toc.empty() || toc.title.isEmpty());
        const auto index = parseIndex(readHelpFile(dir.filePath("index.txt")));
        EXPECT_GE(index.size(), 10u);
        QStringList linked{toc.home};
        for (const auto& e : toc.toc) linked << e.page;
        for (const auto& e : index) linked << e.pages;
        pages[n] = dir.entryList({"*.html"}, QDir::Files, QDir::Name);
        for (const QString& page : pages[n]) {
            const QString html = readHelpFile(dir.filePath(page));
            for (auto it = href.globalMatch(html); it.hasNext();) linked << it.next().captured(1);
            // Every picture a page shows is shipped beside it.
            for (auto it = picture.globalMatch(html); it.hasNext();) {
                const QString src = it.next().captured(1);
                EXPECT_TRUE(QFileInfo(dir.filePath(src)).isFile())
                    << page.toStdString() << ": " << src.toStdString();
            }
        }
        for (const QString& link : linked) {
            const QString file = link.section('#', 0, 0), anchor = link.section('#', 1);
            if (link.isEmpty()) continue;
            EXPECT_TRUE(pages[n].contains(file)) << link.toStdString();
            const QString target = readHelpFile(dir.filePath(file));
            EXPECT_TRUE(anchor.isEmpty() || target.contains("name=\"" + anchor + "\""))
                << link.toStdString();
        }
    }
    EXPECT_EQ(pages[0], pages[1]);
}

// The pictures show the program's captions: they were taken (scripts/screenshots
// --pictures) with the language files as they are now, byte for byte.
TEST(ShippedHelp, PicturesWereTakenWithTheCaptionsOfNow) {
    const QDir root(QStringLiteral(VELLORA_SOURCE_HELP_DIR "/.."));
    QFile sums(root.filePath("help/pictures.sums"));
    ASSERT_TRUE(sums.open(QIODevice::ReadOnly)) << "no help/pictures.sums";
    int files = 0;
    for (const QByteArray& line : sums.readAll().split('\n')) {
        if (line.trimmed().isEmpty()) continue;
        const QByteArray taken = line.left(64);
        const QString file = QString::fromUtf8(line.mid(66));
        QFile now(root.filePath(file));
        ASSERT_TRUE(now.open(QIODevice::ReadOnly)) << file.toStdString();
        EXPECT_EQ(QCryptographicHash::hash(now.readAll(), QCryptographicHash::Sha256).toHex(),
                  taken)
            << file.toStdString()
            << " changed since the help's pictures were taken: run scripts/screenshots "
               "--pictures and commit them";
        ++files;
    }
    EXPECT_EQ(files, 2);
}

}  // namespace
}  // namespace vellora
