// SPDX-License-Identifier: GPL-3.0-or-later
// The help window: contents, index and word search beside the page. One window serves
// the whole program; a request raises it, loading the other language's pages if asked.
#pragma once

#include <QMap>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <vector>

#include "help/help_viewer_contents.h"
#include "help/help_viewer_search.h"

class QLineEdit;
class QListWidget;
class QPushButton;
class QTabWidget;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace vellora {

class HelpBrowser;

class HelpWindow : public QWidget {
  public:
    enum Tab { ContentsTab = 0, IndexTab = 1, SearchTab = 2 };

    // The program's help window, made on first use; it lives until the program quits.
    static HelpWindow* shared();
    // The window if it has been made, else null.
    static HelpWindow* existing();

    HelpWindow();

    // Reads the help in `folder` (toc.txt, index.txt, labels.txt and the pages) unless it
    // is the one already shown. False when the folder has no usable contents file.
    bool load(const QString& folder);
    QString folder() const { return folder_; }

    void showContents();
    // The index, its filter set to `keyword` (may be empty).
    void showIndex(const QString& keyword);
    // The search tab with `query` typed in; `execute` runs it.
    void showSearch(const QString& query, bool execute, bool titlesOnly);
    // The page whose contents line carries `context`; the home page when none does.
    void showContext(int32_t context);
    // A page of the help, relative to its folder, optionally with "#anchor".
    void openPage(const QString& page);

    QTabWidget* tabs() const { return tabs_; }
    HelpBrowser* browser() const { return browser_; }
    QTreeWidget* contentsTree() const { return contentsTree_; }
    QLineEdit* indexFilter() const { return indexFilter_; }
    QTreeWidget* indexList() const { return indexList_; }
    QLineEdit* searchEdit() const { return searchEdit_; }
    QListWidget* searchResults() const { return searchResults_; }

  private:
    QString label(const QString& key, const QString& fallback) const;
    void applyLabels();
    void fillContents();
    void fillIndex();
    void filterIndex(const QString& filter);
    void openIndexItem(QTreeWidgetItem* item);
    void runSearch(bool titlesOnly);
    void followSource(const QUrl& url);

    QString folder_;
    HelpContents contents_;
    std::vector<IndexEntry> index_;
    std::vector<HelpPage> pages_;
    QMap<QString, QString> labels_;

    QTabWidget* tabs_ = nullptr;
    QTreeWidget* contentsTree_ = nullptr;
    QLineEdit* indexFilter_ = nullptr;
    QTreeWidget* indexList_ = nullptr;
    QLineEdit* searchEdit_ = nullptr;
    QPushButton* searchButton_ = nullptr;
    QListWidget* searchResults_ = nullptr;
    QToolButton* backButton_ = nullptr;
    QToolButton* forwardButton_ = nullptr;
    QToolButton* homeButton_ = nullptr;
    HelpBrowser* browser_ = nullptr;
};

}  // namespace vellora
