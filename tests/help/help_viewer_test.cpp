#include "help/help_viewer.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QTreeWidget>

#include "help/help_viewer_browser.h"
#include "help/help_viewer_contents.h"
#include "help/help_viewer_search.h"
#include "help/help_viewer_target.h"
#include "help/help_viewer_window.h"
#include "support/qt_application.h"

namespace vellora {
namespace {

class QtEnvironment : public ::testing::Environment {
  public:
    void SetUp() override { ensureGuiApplication(); }
    void TearDown() override { delete HelpWindow::existing(); }
};
[[maybe_unused]] const auto* const qtEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

void writeFile(const QString& path, const QByteArray& text) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
}

// A program folder with a small English help, and an empty data folder.
class HelpFolders : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(root_.isValid());
        program_ = root_.filePath("bin");
        data_ = root_.filePath("share");
        QDir().mkpath(program_);
        QDir().mkpath(data_);
    }

    void writeEnglishHelp(const QString& base) {
        const QString en = QDir(base).filePath("help/en/");
        writeFile(en + "toc.txt",
                  "0\tTest Help\tstart.html\n1\tStart\tstart.html\n"
                  "1\tCalibration\tcalibration.html\t20\n");
        writeFile(en + "index.txt", "noise line\tstart.html\n");
        writeFile(en + "start.html",
                  "<html><head><title>Start</title></head><body><p>The noise line.</p>"
                  "<img src=\"images/main-window.png\"></body></html>");
        writeFile(en + "calibration.html",
                  "<html><head><title>Calibration</title></head>"
                  "<body><p>The tone's fr&eacute;quence.</p></body></html>");
    }

    QTemporaryDir root_;
    QString program_, data_;
};

TEST_F(HelpFolders, CompiledFileFirstThenPagesNextToProgramThenInstalled) {
    EXPECT_EQ(resolveHelp("vellora_en.chm", program_, data_).kind, ResolvedHelp::Kind::NotFound);

    writeEnglishHelp(data_);
    auto found = resolveHelp("vellora_en.chm", program_, data_);
    EXPECT_EQ(found.kind, ResolvedHelp::Kind::Pages);
    EXPECT_EQ(found.path, QDir(data_).absoluteFilePath("help/en"));
    EXPECT_EQ(resolveHelp("vellora_en.chm", program_, QString()).kind,
              ResolvedHelp::Kind::NotFound);

    writeEnglishHelp(program_);
    EXPECT_EQ(resolveHelp("C:/x/Vellora_EN.chm", program_, data_).path,
              QDir(program_).absoluteFilePath("help/en"));
    EXPECT_EQ(resolveHelp("vellora.chm", program_, data_).kind, ResolvedHelp::Kind::NotFound);
    EXPECT_EQ(resolveHelp("other.chm", program_, data_).kind, ResolvedHelp::Kind::NotFound);

    writeFile(QDir(program_).filePath("vellora_en.chm"), "ITSF");
    found = resolveHelp("vellora_en.chm", program_, data_);
    EXPECT_EQ(found.kind, ResolvedHelp::Kind::CompiledFile);
    EXPECT_EQ(found.path, QDir(program_).absoluteFilePath("vellora_en.chm"));

    // A folder without its contents file is not a help.
    QDir().mkpath(QDir(program_).filePath("help/fr"));
    EXPECT_EQ(resolveHelp("vellora.chm", program_, data_).kind, ResolvedHelp::Kind::NotFound);
}

TEST(HelpSearchText, FoldingWordsAndPageText) {
    EXPECT_EQ(foldForSearch("Fréquence ÉNERGIE cœur"), "frequence energie coeur");
    EXPECT_EQ(searchWords("l'énergie, F2 (Vellora.ini)"),
              QStringList({"l", "energie", "f2", "vellora", "ini"}));

    const QString html =
        "<html><head><title>Le r&eacute;glage</title><style>p { color: red; }</style></head>"
        "<body><!-- hidden --><table><tr><td>Run</td><td>Exit</td></tr></table>"
        "<p>A&amp;B &#233;t&#xE9;</p></body></html>";
    EXPECT_EQ(htmlTitle(html), "Le réglage");
    EXPECT_EQ(htmlToText(html), "Le réglage Run Exit A&B été");
}

TEST(HelpSearchText, EveryWordAccentBlindPrefixesMostHitsFirst) {
    const std::vector<HelpPage> pages = {
        {"a.html", "Calibration", "Calibration: choose the fréquence, then calibrate."},
        {"b.html", "Gauge", "The gauge shows the energy."},
        {"c.html", "Reading", "Fréquence fréquence FRÉQUENCE of the belt."},
    };
    auto files = [](const std::vector<SearchHit>& hits) {
        QStringList out;
        for (const auto& h : hits) out << h.file;
        return out;
    };
    const std::pair<const char*, QStringList> cases[] = {
        {"frequence", {"c.html", "a.html"}},  // most hits first
        {"FREQUENCE belt", {"c.html"}},       // every word must be found
        {"calibr", {"a.html"}},
        {"energy nothing", {}},
        {"  ", {}},
    };
    for (const auto& [query, expected] : cases)
        EXPECT_EQ(files(searchPages(pages, query)), expected) << query;
    EXPECT_EQ(files(searchPages(pages, "energy", true)), QStringList());  // titles only
    EXPECT_EQ(files(searchPages(pages, "gauge", true)), QStringList({"b.html"}));
}

TEST(HelpContentsFiles, TocNestingTitleAndContexts) {
    const auto toc = parseToc(
        "# contents\n0\tAide\taccueil.html\n1\tPremier\tun.html\r\n2\tDetail\tun.html#b\t7\n"
        "\n1\tChapitre\t\nx\tBad level\ta.html\n1\n1\tDeux\tdeux.html\n");
    EXPECT_EQ(toc.title, "Aide");
    EXPECT_EQ(toc.home, "accueil.html");
    ASSERT_EQ(toc.toc.size(), 4u);
    EXPECT_EQ(toc.toc[1].level, 2);
    EXPECT_EQ(toc.toc[1].page, "un.html#b");
    EXPECT_EQ(toc.toc[1].context, 7);
    EXPECT_FALSE(toc.toc[0].context.has_value());
    EXPECT_EQ(toc.toc[2].page, "");
    EXPECT_EQ(toc.toc[3].title, "Deux");

    EXPECT_EQ(parseToc("1\tHeading\t\n1\tFirst\tfirst.html\n").home, "first.html");
}

TEST(HelpContentsFiles, IndexMergedPerKeywordAndSortedAccentBlind) {
    const auto index = parseIndex(
        "Fréquence\tf.html\nénergie\te.html\nÉtalonnage\tc.html\nénergie\tg.html\n"
        "énergie\te.html\nbruit\tb.html\nlonely\n");
    ASSERT_EQ(index.size(), 4u);
    EXPECT_EQ(index[0].keyword, "bruit");
    EXPECT_EQ(index[1].keyword, "énergie");
    EXPECT_EQ(index[1].pages, QStringList({"e.html", "g.html"}));
    EXPECT_EQ(index[2].keyword, "Étalonnage");
    EXPECT_EQ(index[3].keyword, "Fréquence");
}

TEST_F(HelpFolders, CompiledFileGoesToTheDesktopUnlessItCannotOpenIt) {
    QList<QUrl> opened;
    bool desktopCan = true;
    DesktopHelp help(program_, data_, [&](const QUrl& url) {
        opened << url;
        return desktopCan;
    });
    EXPECT_FALSE(help.HtmlHelp(nullptr, "vellora_en.chm", HH_DISPLAY_TOC, 0));
    writeEnglishHelp(program_);
    EXPECT_FALSE(help.HtmlHelp(nullptr, "vellora_en.chm", 0x0D, 0));

    writeFile(QDir(program_).filePath("vellora_en.chm"), "ITSF");
    delete HelpWindow::existing();
    EXPECT_TRUE(help.HtmlHelp(nullptr, "vellora_en.chm>main", HH_DISPLAY_TOC, 0));
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened[0], QUrl::fromLocalFile(QDir(program_).absoluteFilePath("vellora_en.chm")));
    EXPECT_EQ(HelpWindow::existing(), nullptr);

    desktopCan = false;
    EXPECT_TRUE(help.HtmlHelp(nullptr, "vellora_en.chm", HH_DISPLAY_TOC, 0));
    ASSERT_NE(HelpWindow::existing(), nullptr);
    EXPECT_TRUE(HelpWindow::existing()->isVisible());
}

TEST_F(HelpFolders, WindowOpensAtTheRequestedTabAndIsReused) {
    writeEnglishHelp(program_);
    DesktopHelp help(program_, data_, [](const QUrl&) { return false; });

    const int32_t zero = 0;
    ASSERT_TRUE(help.HtmlHelp(nullptr, "vellora_en.chm", HH_DISPLAY_TOC,
                              reinterpret_cast<uintptr_t>(&zero)));
    HelpWindow* window = HelpWindow::existing();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), "Test Help");
    EXPECT_EQ(window->tabs()->currentIndex(), HelpWindow::ContentsTab);
    EXPECT_EQ(window->contentsTree()->topLevelItemCount(), 2);
    EXPECT_TRUE(window->browser()->source().toLocalFile().endsWith("/start.html"));
    EXPECT_TRUE(window->browser()->toPlainText().contains("The noise line."));

    ASSERT_TRUE(help.HtmlHelp(nullptr, "vellora_en.chm", HH_DISPLAY_INDEX, 0));
    EXPECT_EQ(HelpWindow::existing(), window);
    EXPECT_EQ(window->tabs()->currentIndex(), HelpWindow::IndexTab);
    EXPECT_EQ(window->indexList()->topLevelItemCount(), 1);

    HH_FTS_QUERY query;
    query.cbStruct = sizeof(query);
    query.pszSearchQuery = "frequence";
    query.fExecute = 1;
    query.pszWindow = "";
    ASSERT_TRUE(help.HtmlHelp(nullptr, "vellora_en.chm", HH_DISPLAY_SEARCH,
                              reinterpret_cast<uintptr_t>(&query)));
    EXPECT_EQ(window->tabs()->currentIndex(), HelpWindow::SearchTab);
    EXPECT_EQ(window->searchEdit()->text(), "frequence");
    ASSERT_EQ(window->searchResults()->count(), 1);
    EXPECT_EQ(window->searchResults()->item(0)->text(), "Calibration");

    ASSERT_TRUE(help.HtmlHelp(nullptr, "vellora_en.chm", HH_HELP_CONTEXT, 20));
    EXPECT_EQ(window->tabs()->currentIndex(), HelpWindow::ContentsTab);
    EXPECT_TRUE(window->browser()->source().toLocalFile().endsWith("/calibration.html"));
    EXPECT_EQ(window->contentsTree()->currentItem()->text(0), "Calibration");
    EXPECT_TRUE(window->browser()->isBackwardAvailable());

    // Another language's help starts a fresh history: Back leads to none of the pages of
    // the one before.
    writeEnglishHelp(root_.filePath("other"));
    ASSERT_TRUE(window->load(QDir(root_.filePath("other")).filePath("help/en")));
    EXPECT_TRUE(window->browser()->source().toLocalFile().contains("/other/"));
    EXPECT_FALSE(window->browser()->isBackwardAvailable());
    EXPECT_FALSE(window->browser()->isForwardAvailable());
}

TEST_F(HelpFolders, MissingScreenshotTakesNoRoom) {
    writeEnglishHelp(program_);
    HelpBrowser browser;
    browser.setSource(QUrl::fromLocalFile(QDir(program_).filePath("help/en/start.html")));
    const QImage missing =
        browser.loadResource(QTextDocument::ImageResource, QUrl("images/main-window.png"))
            .value<QImage>();
    EXPECT_EQ(missing.size(), QSize(1, 1));

    QImage wide(1600, 900, QImage::Format_RGB32);
    wide.fill(Qt::gray);
    ASSERT_TRUE(QDir().mkpath(QDir(program_).filePath("help/en/images")));
    ASSERT_TRUE(wide.save(QDir(program_).filePath("help/en/images/main-window.png")));
    const QImage shown =
        browser.loadResource(QTextDocument::ImageResource, QUrl("images/main-window.png"))
            .value<QImage>();
    EXPECT_EQ(shown.width(), HelpBrowser::kMaxImageWidth);
    EXPECT_EQ(shown.height(), 900 * HelpBrowser::kMaxImageWidth / 1600);
}

// The help shipped with the program: both languages complete, with the same pages and
// screenshots, every link leading to a page and anchor that exist.
TEST(ShippedHelp, ContentsIndexAndLinksPointToRealPages) {
    static const QRegularExpression href(QStringLiteral("href=\"([^\":]+)"));
    static const QRegularExpression img(QStringLiteral("<img src=\"(images/[^\"]+\\.png)\""));
    QStringList pages[2], images[2];
    for (int n = 0; n < 2; ++n) {
        const QString language = n == 0 ? "fr" : "en";
        SCOPED_TRACE(language.toStdString());
        const QDir dir(QDir(QStringLiteral(VELLORA_SOURCE_HELP_DIR)).filePath(language));
        const auto toc = parseToc(readHelpFile(dir.filePath("toc.txt")));
        ASSERT_FALSE(toc.toc.empty() || toc.title.isEmpty());
        const auto index = parseIndex(readHelpFile(dir.filePath("index.txt")));
        EXPECT_GE(index.size(), 10u);
        EXPECT_GE(parseLabels(readHelpFile(dir.filePath("labels.txt"))).size(), 10);

        QStringList linked{toc.home};
        for (const auto& e : toc.toc) linked << e.page;
        for (const auto& e : index) linked << e.pages;
        pages[n] = dir.entryList({"*.html"}, QDir::Files, QDir::Name);
        for (const QString& page : pages[n]) {
            const QString html = readHelpFile(dir.filePath(page));
            EXPECT_FALSE(htmlTitle(html).isEmpty()) << page.toStdString();
            for (auto it = href.globalMatch(html); it.hasNext();) linked << it.next().captured(1);
            for (auto it = img.globalMatch(html); it.hasNext();) images[n] << it.next().captured(1);
            EXPECT_EQ(html.count("<img "), html.count(img)) << page.toStdString();
        }
        for (const QString& link : linked) {
            const QString file = link.section('#', 0, 0), anchor = link.section('#', 1);
            if (link.isEmpty()) continue;
            EXPECT_TRUE(pages[n].contains(file)) << link.toStdString();
            if (!anchor.isEmpty() && pages[n].contains(file)) {
                EXPECT_TRUE(readHelpFile(dir.filePath(file)).contains("name=\"" + anchor + "\""))
                    << link.toStdString();
            }
        }
        images[n].removeDuplicates();
        images[n].sort();
    }
    EXPECT_EQ(pages[0], pages[1]);
    EXPECT_EQ(images[0], images[1]);
}

}  // namespace
}  // namespace vellora
