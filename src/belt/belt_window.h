// SPDX-License-Identifier: GPL-3.0-or-later
// The modeless Belt window: named belt set-ups (one per drive) edited with a hint on
// every refused field and kept in the settings store, the readings with their tension,
// kept in the readings file as they come and exported as CSV, and whether the last
// three agree.
#pragma once

#include <QWidget>
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <vector>

#include "belt/belt_setup.h"
#include "belt/belt_store.h"
#include "belt/belt_window_captions.h"
#include "belt/reading_agreement.h"
#include "belt/readings_csv.h"
#include "belt/readings_file.h"
#include "belt/readings_page.h"

class QBoxLayout;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QFormLayout;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QScrollArea;
class QTableWidget;

namespace vellora {

// A reading inside its target range is shown in the first colour, outside in the second.
inline constexpr char kInsideColour[] = "#1a7f37";
inline constexpr char kOutsideColour[] = "#c62828";
// How long the store's file must stay unchanged before the list is read again.
inline constexpr int kStoreSettleMs = 250;
// Readings read from the file at a time: the newest when the window opens, then older
// ones on demand, so a long log opens at once.
inline constexpr std::size_t kReadingsPageLines = 500;
// A day hands-free stays small: past this many rows the table starts again at the newest
// page (the file keeps every reading; older pages come back on demand).
inline constexpr std::size_t kReadingsRowsKept = 4 * kReadingsPageLines;

// The caption wording an agreement.
BeltCaption agreementCaption(Agreement a);

class BeltWindow : public QWidget {
    Q_OBJECT

  public:
    // The set-ups are loaded from `store` now and written back on every change; the
    // store must outlive the window.
    explicit BeltWindow(BeltStore& store, QWidget* parent = nullptr);

    // Sets every caption; the English text stands in for each the lookup lacks.
    void applyCaptions(BeltCaptionLookup lookup);

    // Shows the newest readings kept in `file` (older ones a page at a time, on demand)
    // and appends every new one to it; without a file they last for the session. The
    // read's failure, which the window shows too (new readings are still appended).
    Status openReadingsFile(const std::filesystem::path& file);
    // The next page of older readings above those shown; false when none is left.
    bool showOlderReadings();

    // A triggered clip's line as the meter made it (taken, confirmed, or refused with
    // why): appended to the readings file and the table, and shown as the last reading.
    // The append's failure, also shown here; the line stays in the log for an export.
    Status addReading(const Reading& line);
    // The agreement of the readings since the set-up was chosen or the run started.
    void showAgreement(Agreement a);
    // The rows so far were taken before the current agreement began: shown as earlier.
    void markEarlierReadings();

    std::optional<BeltSetup> selectedSetup() const;
    // A caption in the current language.
    std::string captionText(BeltCaption c) const { return caption(c); }
    const std::vector<BeltSetup>& setups() const { return setups_; }
    const std::vector<Reading>& readings() const { return log_; }

    // Writes the log, older readings not shown yet included; the failure is shown in
    // the window and returned.
    Status saveCsv(const std::filesystem::path& path);
    // What the export first proposes: a dated name in the user's language, in the folder
    // of the last export or else the user's documents -- never beside the live readings
    // file, whose name it would be too easily confused with.
    QString suggestedCsvPath() const;

    // Asks before a set-up is deleted or the readings cleared: true to go on. A message
    // box unless replaced (tests answer it).
    std::function<bool(const QString& question)> confirm;

    // The controls, for the owner's shortcuts and for tests.
    QLineEdit* edit(BeltField field) const { return fields_.at(field).edit; }
    QLabel* hint(BeltField field) const { return fields_.at(field).hint; }
    QListWidget* setupList = nullptr;
    QPushButton* newButton = nullptr;
    QPushButton* deleteButton = nullptr;
    QPushButton* keepButton = nullptr;
    QPushButton* saveCsvButton = nullptr;
    QPushButton* clearButton = nullptr;
    QPushButton* olderButton = nullptr;  // shown while older readings remain in the file
    QRadioButton* perMetre = nullptr;
    QRadioButton* perMetreAndMm = nullptr;
    QRadioButton* widthMm = nullptr;
    QRadioButton* ribCount = nullptr;
    QRadioButton* spanDirect = nullptr;
    QRadioButton* spanPulleys = nullptr;
    QCheckBox* measuredStiffness = nullptr;  // instead of the factor
    QComboBox* target = nullptr;
    QTableWidget* readingsTable = nullptr;
    QLabel* agreementLabel = nullptr;
    QLabel* lastReadingLabel = nullptr;
    QLabel* problemLabel = nullptr;  // what went wrong with the readings
    QPushButton* autoNoiseButton = nullptr;
    QComboBox* unitChoice = nullptr;      // N, kgf, lbf: the large read-out's unit
    QLabel* setupProblemLabel = nullptr;  // what went wrong storing the set-ups

  Q_SIGNALS:
    // The chosen set-up or its values changed: the main window's tension read-out follows.
    void setupChanged();
    // The user asked for the noise line to be placed from a second of background.
    void autoNoiseRequested();

  private:
    struct Field {
        QLabel* caption = nullptr;
        QLineEdit* edit = nullptr;
        QLabel* hint = nullptr;
    };

    QWidget* buildSetupForm();
    QWidget* buildReadings();
    void addField(QFormLayout* form, BeltField field);
    void updateEnabledFields();
    BeltSetupForm formFromControls() const;
    void showForm(const BeltSetupForm& form);
    void keepSetup();
    void newSetup();
    void deleteSetup();
    void selectionChanged();
    void refreshList(const std::string& select);
    // Follows changes another instance makes to the store's file: the list is read
    // again and the user told.
    void watchStore();
    void reloadChangedStore();
    void showStoreProblem(const std::string& error);
    // The set-up form in a column that scrolls; the readings table's columns and lines
    // fitted to what they hold; the first size no larger than the screen.
    QWidget* scrolledForm(QWidget* form);
    // Both columns in a window that scrolls: side by side where they fit, the readings
    // below the form on a narrow screen.
    QWidget* scrolledColumns(QWidget* form, QWidget* readings);
    void reflow();
    int sideBySideWidth() const;  // the narrowest window with the columns side by side
    void fitReadings();
    void fitScreen();
    void fitFormWidth();
    // Scrolls the first hint or problem shown into view.
    void showFirstHint();
    // The captions as buddies of their controls; the shown hints as the fields' descriptions.
    void linkCaptions();
    void describeHints();
    void captionsChanged();
    void showDecimalMark();
    void showSetupProblem(std::optional<std::pair<BeltCaption, std::string>> problem);
    void showReadingsProblem(std::optional<std::pair<BeltCaption, std::string>> problem);
    // At `row`, or below the others.
    void showReadingRow(const Reading& r, int row = -1);
    // A reading just logged: appended to the readings file and shown as the last row.
    Status keepReading(const Reading& r);
    void keepTableBounded();
    // The table and log start again at this page, the newest of the file (its readings
    // are taken).
    void showNewestPage(ReadingsPage& page);
    void showLastReading();
    void showEarlier(int fromRow, int toRow);
    void askAndSaveCsv();
    void askAndClearReadings();
    std::string caption(BeltCaption c) const { return beltCaption(lookup_, c); }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    BeltStore& store_;
    BeltCaptionLookup lookup_;
    std::vector<BeltSetup> setups_;
    std::vector<Reading> log_;  // as the file holds them, then as they came
    int earlierRows_ = 0;       // rows shown as earlier
    std::optional<ReadingsFile> readingsFile_;
    // Where the oldest reading shown starts in the file; older lines are read on demand.
    std::uint64_t olderEnd_ = 0;
    bool olderLeft_ = false;
    bool everyReadingInFile_ = true;  // false once an append failed: the table is the only copy
    // The problems shown, kept so that a language switch words them again.
    std::optional<std::pair<BeltCaption, std::string>> readingsProblem_;
    std::optional<std::pair<BeltCaption, std::string>> setupProblem_;
    // What the agreement and last-reading lines show, for the same reason.
    Agreement shownAgreement_ = Agreement::TooFew;
    std::optional<Reading> lastReading_;
    QString csvFolder_;  // of the last export this session
    std::map<BeltField, Field> fields_;
    QLabel* massCaption_ = nullptr;
    QLabel* spanCaption_ = nullptr;
    QLabel* targetCaption_ = nullptr;
    QLabel* setupsCaption_ = nullptr;
    QLabel* readingsCaption_ = nullptr;
    QLabel* unitCaption_ = nullptr;
    QScrollArea* formScroll_ = nullptr;
    QScrollArea* windowScroll_ = nullptr;
    QBoxLayout* columns_ = nullptr;
    QWidget* readingsBox_ = nullptr;
    bool shownOnce_ = false;
    QSize fitted_;  // the size fitScreen gave
};

}  // namespace vellora
