// SPDX-License-Identifier: GPL-3.0-or-later
#include "help/help_viewer_window.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QShortcut>
#include <QSplitter>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "common/screen_area.h"
#include "help/help_viewer_browser.h"

namespace vellora {
namespace {

constexpr int kPageRole = Qt::UserRole;  // QStringList of pages, or the page of a child

QPointer<HelpWindow>& instance() {
    static QPointer<HelpWindow> window;
    return window;
}

// "page.html#part" -> {"page.html", "part"}.
std::pair<QString, QString> splitAnchor(const QString& page) {
    const auto hash = page.indexOf(QLatin1Char('#'));
    if (hash < 0) return {page, {}};
    return {page.left(hash), page.mid(hash + 1)};
}

QTreeWidget* plainTree(QWidget* parent) {
    auto* tree = new QTreeWidget(parent);
    tree->setHeaderHidden(true);
    tree->setColumnCount(1);
    return tree;
}

}  // namespace

HelpWindow* HelpWindow::shared() {
    if (!instance()) {
        instance() = new HelpWindow;
        // The help must not keep the program running once the main window has gone.
        instance()->setAttribute(Qt::WA_QuitOnClose, false);
        connect(qApp, &QCoreApplication::aboutToQuit, instance().data(), &QObject::deleteLater);
    }
    return instance();
}

HelpWindow* HelpWindow::existing() { return instance(); }

HelpWindow::HelpWindow() : QWidget(nullptr, Qt::Window) {
    tabs_ = new QTabWidget;

    contentsTree_ = plainTree(this);
    tabs_->addTab(contentsTree_, QString());

    auto* indexPage = new QWidget;
    auto* indexLayout = new QVBoxLayout(indexPage);
    indexLayout->addWidget(new QLabel);
    indexFilter_ = new QLineEdit;
    indexFilter_->setClearButtonEnabled(true);
    indexLayout->addWidget(indexFilter_);
    indexList_ = plainTree(indexPage);
    indexLayout->addWidget(indexList_);
    tabs_->addTab(indexPage, QString());

    auto* searchPage = new QWidget;
    auto* searchLayout = new QVBoxLayout(searchPage);
    searchLayout->addWidget(new QLabel);
    auto* searchRow = new QHBoxLayout;
    searchEdit_ = new QLineEdit;
    searchEdit_->setClearButtonEnabled(true);
    searchButton_ = new QPushButton;
    searchRow->addWidget(searchEdit_, 1);
    searchRow->addWidget(searchButton_);
    searchLayout->addLayout(searchRow);
    searchResults_ = new QListWidget;
    searchLayout->addWidget(searchResults_);
    tabs_->addTab(searchPage, QString());

    auto* pageSide = new QWidget;
    auto* pageLayout = new QVBoxLayout(pageSide);
    pageLayout->setContentsMargins(0, 0, 0, 0);
    auto* buttons = new QHBoxLayout;
    backButton_ = new QToolButton;
    forwardButton_ = new QToolButton;
    homeButton_ = new QToolButton;
    for (QToolButton* b : {backButton_, forwardButton_, homeButton_}) {
        b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        buttons->addWidget(b);
    }
    backButton_->setArrowType(Qt::LeftArrow);
    forwardButton_->setArrowType(Qt::RightArrow);
    buttons->addStretch();
    pageLayout->addLayout(buttons);
    browser_ = new HelpBrowser;
    pageLayout->addWidget(browser_, 1);

    auto* splitter = new QSplitter(Qt::Horizontal);
    splitter->addWidget(tabs_);
    splitter->addWidget(pageSide);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({280, 700});
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(splitter);
    // As designed where the screen has room, else the screen's available area less the
    // window frame.
    const PixelRect area = availableAreaAt(*this, 0, 0);
    resize(std::min(1000, area.width - kFrameWidthEstimate),
           std::min(700, area.height - kFrameHeightEstimate));

    connect(contentsTree_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (item && !item->data(0, kPageRole).toString().isEmpty()) {
            openPage(item->data(0, kPageRole).toString());
        }
    });
    connect(indexFilter_, &QLineEdit::textChanged, this, &HelpWindow::filterIndex);
    connect(indexFilter_, &QLineEdit::returnPressed, this, [this] {
        for (int i = 0; i < indexList_->topLevelItemCount(); ++i) {
            if (!indexList_->topLevelItem(i)->isHidden()) {
                indexList_->setCurrentItem(indexList_->topLevelItem(i));
                return;
            }
        }
    });
    connect(indexList_, &QTreeWidget::currentItemChanged, this, &HelpWindow::openIndexItem);
    connect(searchEdit_, &QLineEdit::returnPressed, this, [this] { runSearch(false); });
    connect(searchButton_, &QPushButton::clicked, this, [this] { runSearch(false); });
    connect(searchResults_, &QListWidget::currentItemChanged, this, [this](QListWidgetItem* item) {
        if (!item || item->data(kPageRole).toString().isEmpty()) return;
        openPage(item->data(kPageRole).toString());
        const QStringList words = searchEdit_->text().split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (!words.isEmpty()) browser_->find(words.first());
    });
    connect(backButton_, &QToolButton::clicked, browser_, &QTextBrowser::backward);
    connect(forwardButton_, &QToolButton::clicked, browser_, &QTextBrowser::forward);
    connect(homeButton_, &QToolButton::clicked, this, [this] { openPage(contents_.home); });
    connect(browser_, &QTextBrowser::backwardAvailable, backButton_, &QToolButton::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, forwardButton_, &QToolButton::setEnabled);
    connect(browser_, &QTextBrowser::sourceChanged, this, &HelpWindow::followSource);
    auto* close = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(close, &QShortcut::activated, this, &QWidget::close);

    backButton_->setEnabled(false);
    forwardButton_->setEnabled(false);
    applyLabels();
}

bool HelpWindow::load(const QString& folder) {
    const QString absolute = QDir(folder).absolutePath();
    if (absolute == folder_) return true;
    HelpContents contents = parseToc(readHelpFile(QDir(absolute).filePath("toc.txt")));
    if (contents.toc.empty() && contents.home.isEmpty()) return false;

    folder_ = absolute;
    contents_ = std::move(contents);
    index_ = parseIndex(readHelpFile(QDir(folder_).filePath("index.txt")));
    labels_ = parseLabels(readHelpFile(QDir(folder_).filePath("labels.txt")));

    // Every page of the folder is searched, those of the contents first and in its order.
    QStringList files;
    for (const TocEntry& e : contents_.toc) {
        const QString file = splitAnchor(e.page).first;
        if (!file.isEmpty() && !files.contains(file)) files << file;
    }
    const QDir dir(folder_);
    for (const QString& file : dir.entryList({"*.html", "*.htm"}, QDir::Files, QDir::Name)) {
        if (!files.contains(file)) files << file;
    }
    pages_.clear();
    for (const QString& file : files) {
        const QString html = readHelpFile(dir.filePath(file));
        if (html.isEmpty()) continue;
        const QString title = htmlTitle(html);
        pages_.push_back({file, title.isEmpty() ? file : title, htmlToText(html)});
    }

    searchEdit_->clear();
    searchResults_->clear();
    indexFilter_->clear();
    applyLabels();
    fillContents();
    fillIndex();
    openPage(contents_.home);
    // Cleared once the new home page shows: QTextBrowser keeps the page it shows when
    // clearing, which would leave Back leading to the other language's page.
    browser_->clearHistory();
    return true;
}

void HelpWindow::showContents() { tabs_->setCurrentIndex(ContentsTab); }

void HelpWindow::showIndex(const QString& keyword) {
    tabs_->setCurrentIndex(IndexTab);
    indexFilter_->setText(keyword);
    indexFilter_->setFocus();
}

void HelpWindow::showSearch(const QString& query, bool execute, bool titlesOnly) {
    tabs_->setCurrentIndex(SearchTab);
    searchEdit_->setText(query);
    searchEdit_->setFocus();
    if (execute) runSearch(titlesOnly);
}

void HelpWindow::showContext(int32_t context) {
    tabs_->setCurrentIndex(ContentsTab);
    for (const TocEntry& e : contents_.toc) {
        if (e.context == context) {
            openPage(e.page);
            return;
        }
    }
    openPage(contents_.home);
}

void HelpWindow::openPage(const QString& page) {
    if (page.isEmpty() || folder_.isEmpty()) return;
    const auto [file, anchor] = splitAnchor(page);
    QUrl url = QUrl::fromLocalFile(QDir(folder_).filePath(file));
    if (!anchor.isEmpty()) url.setFragment(anchor);
    if (url == browser_->source()) return;
    browser_->setSource(url);
}

QString HelpWindow::label(const QString& key, const QString& fallback) const {
    return labels_.value(key, fallback);
}

void HelpWindow::applyLabels() {
    setWindowTitle(contents_.title.isEmpty() ? label("title", "Help") : contents_.title);
    tabs_->setTabText(ContentsTab, label("contents", "Contents"));
    tabs_->setTabText(IndexTab, label("index", "Index"));
    tabs_->setTabText(SearchTab, label("search", "Search"));
    tabs_->widget(IndexTab)->findChild<QLabel*>()->setText(
        label("keyword", "Type the keyword to find:"));
    tabs_->widget(SearchTab)->findChild<QLabel*>()->setText(
        label("words", "Type the words to find:"));
    searchButton_->setText(label("find", "List Topics"));
    backButton_->setText(label("back", "Back"));
    forwardButton_->setText(label("forward", "Forward"));
    homeButton_->setText(label("home", "Home"));
}

void HelpWindow::fillContents() {
    const QSignalBlocker quiet(contentsTree_);
    contentsTree_->clear();
    std::vector<QTreeWidgetItem*> parents;  // parents[k]: the last item of level k + 1
    for (const TocEntry& e : contents_.toc) {
        const auto depth = static_cast<size_t>(e.level - 1);
        if (depth > parents.size()) continue;  // a level skipped: nothing to hang it on
        parents.resize(depth);
        auto* item =
            depth == 0 ? new QTreeWidgetItem(contentsTree_) : new QTreeWidgetItem(parents.back());
        item->setText(0, e.title);
        item->setData(0, kPageRole, e.page);
        parents.push_back(item);
    }
    contentsTree_->expandAll();
}

void HelpWindow::fillIndex() {
    const QSignalBlocker quiet(indexList_);
    indexList_->clear();
    for (const IndexEntry& e : index_) {
        auto* item = new QTreeWidgetItem(indexList_);
        item->setText(0, e.keyword);
        item->setData(0, kPageRole, e.pages);
        if (e.pages.size() < 2) continue;
        for (const QString& page : e.pages) {
            const QString file = splitAnchor(page).first;
            const auto found = std::find_if(pages_.begin(), pages_.end(),
                                            [&](const HelpPage& p) { return p.file == file; });
            auto* child = new QTreeWidgetItem(item);
            child->setText(0, found != pages_.end() ? found->title : page);
            child->setData(0, kPageRole, QStringList{page});
        }
    }
}

void HelpWindow::filterIndex(const QString& filter) {
    const QString wanted = foldForSearch(filter.trimmed());
    for (int i = 0; i < indexList_->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = indexList_->topLevelItem(i);
        item->setHidden(!foldForSearch(item->text(0)).contains(wanted));
    }
}

void HelpWindow::openIndexItem(QTreeWidgetItem* item) {
    if (!item) return;
    const QStringList pages = item->data(0, kPageRole).toStringList();
    if (pages.isEmpty()) return;
    if (pages.size() > 1) item->setExpanded(true);
    openPage(pages.first());
}

void HelpWindow::runSearch(bool titlesOnly) {
    const QSignalBlocker quiet(searchResults_);
    searchResults_->clear();
    const auto hits = searchPages(pages_, searchEdit_->text(), titlesOnly);
    for (const SearchHit& hit : hits) {
        auto* item = new QListWidgetItem(hit.title, searchResults_);
        item->setData(kPageRole, hit.file);
    }
    if (hits.empty()) {
        auto* none = new QListWidgetItem(label("noresults", "No topics found."), searchResults_);
        none->setFlags(Qt::NoItemFlags);
    }
}

void HelpWindow::followSource(const QUrl& url) {
    const QString file = QFileInfo(url.toLocalFile()).fileName();
    const QString withAnchor = url.hasFragment() ? file + '#' + url.fragment() : file;
    QTreeWidgetItem* best = nullptr;
    for (QTreeWidgetItemIterator it(contentsTree_); *it; ++it) {
        const QString page = (*it)->data(0, kPageRole).toString();
        if (page == withAnchor) {
            best = *it;
            break;
        }
        if (!best && splitAnchor(page).first == file) best = *it;
    }
    if (!best) return;
    const QSignalBlocker quiet(contentsTree_);
    contentsTree_->setCurrentItem(best);
}

}  // namespace vellora
