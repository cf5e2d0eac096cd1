// SPDX-License-Identifier: GPL-3.0-or-later
#include "belt/belt_window.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QDir>
#include <QFileDialog>
#include <QFileSystemWatcher>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <limits>

#include "belt/readings_csv.h"
#include "common/qt_text.h"
#include "common/screen_area.h"

namespace vellora {

namespace {

// Two exclusive choices, the first one checked, laid out in `row`.
QBoxLayout* choicePair(QWidget* parent, QRadioButton*& first, QRadioButton*& second,
                       QBoxLayout* row) {
    first = new QRadioButton(parent);
    second = new QRadioButton(parent);
    auto* group = new QButtonGroup(parent);
    group->addButton(first);
    group->addButton(second);
    first->setChecked(true);
    row->addWidget(first);
    row->addWidget(second);
    return row;
}

BeltCaption fieldCaption(BeltField f) {
    switch (f) {
        case BeltField::Name:
            return BeltCaption::Name;
        case BeltField::Mass:
            return BeltCaption::Mass;
        case BeltField::Width:
            return BeltCaption::WidthMm;
        case BeltField::Ribs:
            return BeltCaption::RibCount;
        case BeltField::RibPitch:
            return BeltCaption::RibPitch;
        case BeltField::Span:
            return BeltCaption::Span;
        case BeltField::CentreDistance:
            return BeltCaption::CentreDistance;
        case BeltField::Pulley1:
            return BeltCaption::Pulley1;
        case BeltField::Pulley2:
            return BeltCaption::Pulley2;
        case BeltField::Factor:
            return BeltCaption::Factor;
        case BeltField::TargetLow:
            return BeltCaption::From;
        case BeltField::TargetHigh:
            return BeltCaption::To;
    }
    return BeltCaption::Name;
}

QString q(const std::string& s) { return QString::fromStdString(s); }

// A name as a message quotes it: a name of the file that no set-up could have (thousands
// of characters) would otherwise make the window wider than any screen.
constexpr qsizetype kLongestQuotedName = 60;
std::string shortened(const std::string& name) {
    const QString n = q(name);
    if (n.size() <= kLongestQuotedName) return name;
    return (n.left(kLongestQuotedName - 1) + QChar(0x2026)).toStdString();
}

// A caption with its %1 filled in.
QString filled(const std::string& caption, const QString& value) {
    const QString text = QString::fromStdString(caption);
    return text.contains("%1") ? text.arg(value) : text;
}

constexpr int kTargetColumn = 6;

// Green inside the target, red outside, the palette's own colour without one.
const QString kInsideStyle = QString("color: %1;").arg(kInsideColour);
const QString kOutsideStyle = QString("color: %1;").arg(kOutsideColour);
constexpr const char* kHintStyle = "color: #c62828;";

}  // namespace

BeltWindow::BeltWindow(BeltStore& store, QWidget* parent)
    : QWidget(parent, Qt::Window), store_(store) {
    confirm = [this](const QString& question) {
        return QMessageBox::question(this, windowTitle(), question,
                                     QMessageBox::Ok | QMessageBox::Cancel,
                                     QMessageBox::Cancel) == QMessageBox::Ok;
    };
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this,
            &QWidget::close);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scrolledColumns(scrolledForm(buildSetupForm()), buildReadings()));
    fitReadings();

    const LoadedBelts loaded = loadBeltSetups(store_);
    setups_ = loaded.setups;
    refreshList(loaded.selected);
    if (loaded.selected.empty()) newSetup();
    updateEnabledFields();
    linkCaptions();
    applyCaptions({});
    fitScreen();
    // The agreement and the last reading spoke of the set-up before.
    connect(this, &BeltWindow::setupChanged, this, [this] {
        showAgreement(Agreement::TooFew);
        lastReading_.reset();
        lastReadingLabel->clear();
        markEarlierReadings();
    });
    if (!loaded.status) {
        showStoreProblem(loaded.status.message());
    } else if (!loaded.refused.empty()) {
        std::string names;
        for (const std::string& n : loaded.refused)
            names += (names.empty() ? "" : ", ") + shortened(n);
        showSetupProblem(std::pair{BeltCaption::RefusedSetups, names});
    }
    watchStore();
}

void BeltWindow::watchStore() {
    const std::filesystem::path file = store_.file();
    if (file.empty()) return;
    const QString path = QString::fromStdString(file.string());
    const QString folder = QString::fromStdString(file.parent_path().string());
    auto* watcher = new QFileSystemWatcher(this);
    auto* settle = new QTimer(this);
    settle->setSingleShot(true);
    // A write is a new file renamed over the old one: the watch on the old one ends with
    // it and is set again. Only while there is no file yet is its folder watched (other
    // files there change all the time). The reload waits for a burst of writes to settle.
    auto rewatch = [watcher, path, folder] {
        if (watcher->files().contains(path)) return;
        if (watcher->addPath(path))
            watcher->removePath(folder);
        else if (!watcher->directories().contains(folder))
            watcher->addPath(folder);
    };
    connect(watcher, &QFileSystemWatcher::fileChanged, this, [rewatch, settle] {
        rewatch();
        settle->start(kStoreSettleMs);
    });
    connect(watcher, &QFileSystemWatcher::directoryChanged, this, [rewatch, settle, watcher, path] {
        rewatch();
        if (watcher->files().contains(path)) settle->start(kStoreSettleMs);
    });
    connect(settle, &QTimer::timeout, this, [this, rewatch] {
        rewatch();
        reloadChangedStore();
    });
    rewatch();
}

void BeltWindow::reloadChangedStore() {
    LoadedBelts loaded = loadBeltSetups(store_);
    // Our own writes come back unchanged; a store that cannot be read is reported when
    // it is next written.
    if (!loaded.status || loaded.setups == setups_) return;
    const std::optional<BeltSetup> before = selectedSetup();
    setups_ = std::move(loaded.setups);
    int row = -1;
    {
        const QSignalBlocker quiet(setupList);
        setupList->clear();
        for (size_t i = 0; i < setups_.size(); ++i) {
            setupList->addItem(q(setups_[i].name));
            if (before && sameBeltName(setups_[i].name, before->name)) row = int(i);
        }
        setupList->setCurrentRow(row);
    }
    deleteButton->setEnabled(row >= 0);
    // The form keeps what the user is typing unless the set-up it shows changed.
    const bool changed =
        row < 0 ? before.has_value() : !before || !(setups_[size_t(row)] == *before);
    if (row >= 0 && changed) showForm(formOf(setups_[size_t(row)]));
    showSetupProblem(std::pair{BeltCaption::SetupsChangedElsewhere, std::string()});
    if (changed) Q_EMIT setupChanged();
}

QWidget* BeltWindow::buildSetupForm() {
    auto* box = new QWidget(this);
    auto* column = new QVBoxLayout(box);
    setupsCaption_ = new QLabel(box);
    setupList = new QListWidget(box);
    setupList->setMaximumHeight(120);
    // One line each: the list lays out thousands of set-ups without measuring each.
    setupList->setUniformItemSizes(true);
    column->addWidget(setupsCaption_);
    column->addWidget(setupList);
    auto* listButtons = new QHBoxLayout;
    newButton = new QPushButton(box);
    deleteButton = new QPushButton(box);
    listButtons->addWidget(newButton);
    listButtons->addWidget(deleteButton);
    column->addLayout(listButtons);

    auto* form = new QFormLayout;
    addField(form, BeltField::Name);

    massCaption_ = new QLabel(box);
    form->addRow(massCaption_, choicePair(box, perMetre, perMetreAndMm, new QHBoxLayout));
    addField(form, BeltField::Mass);
    form->addRow(QString(), choicePair(box, widthMm, ribCount, new QHBoxLayout));
    addField(form, BeltField::Width);
    addField(form, BeltField::Ribs);
    addField(form, BeltField::RibPitch);

    spanCaption_ = new QLabel(box);
    form->addRow(spanCaption_, choicePair(box, spanDirect, spanPulleys, new QVBoxLayout));
    addField(form, BeltField::Span);
    addField(form, BeltField::CentreDistance);
    addField(form, BeltField::Pulley1);
    addField(form, BeltField::Pulley2);
    addField(form, BeltField::Factor);
    measuredStiffness = new QCheckBox(box);
    measuredStiffness->setObjectName("measuredStiffness");
    form->addRow(QString(), measuredStiffness);

    targetCaption_ = new QLabel(box);
    target = new QComboBox(box);
    target->addItems({QString(), QString(), QString()});  // none, Hz, N: captions later
    form->addRow(targetCaption_, target);
    addField(form, BeltField::TargetLow);
    addField(form, BeltField::TargetHigh);
    unitCaption_ = new QLabel(box);
    unitChoice = new QComboBox(box);
    for (const TensionUnit u : {TensionUnit::Newtons, TensionUnit::Kgf, TensionUnit::Lbf})
        unitChoice->addItem(unitSymbol(u));
    form->addRow(unitCaption_, unitChoice);
    column->addLayout(form);

    keepButton = new QPushButton(box);
    keepButton->setDefault(true);
    column->addWidget(keepButton);
    setupProblemLabel = new QLabel(box);
    setupProblemLabel->setStyleSheet(kHintStyle);
    setupProblemLabel->setWordWrap(true);
    setupProblemLabel->hide();
    column->addWidget(setupProblemLabel);
    column->addStretch();

    for (QRadioButton* r : {perMetre, perMetreAndMm, widthMm, ribCount, spanDirect, spanPulleys})
        connect(r, &QRadioButton::toggled, this, &BeltWindow::updateEnabledFields);
    connect(target, &QComboBox::currentIndexChanged, this, &BeltWindow::updateEnabledFields);
    connect(measuredStiffness, &QCheckBox::toggled, this, &BeltWindow::updateEnabledFields);
    connect(keepButton, &QPushButton::clicked, this, &BeltWindow::keepSetup);
    connect(newButton, &QPushButton::clicked, this, &BeltWindow::newSetup);
    connect(deleteButton, &QPushButton::clicked, this, &BeltWindow::deleteSetup);
    connect(setupList, &QListWidget::currentRowChanged, this, &BeltWindow::selectionChanged);
    return box;
}

void BeltWindow::addField(QFormLayout* form, BeltField field) {
    Field f;
    f.caption = new QLabel(this);
    f.edit = new QLineEdit(this);
    f.hint = new QLabel(this);
    f.hint->setStyleSheet(kHintStyle);
    f.hint->setWordWrap(true);
    f.hint->hide();
    auto* cell = new QVBoxLayout;
    cell->addWidget(f.edit);
    cell->addWidget(f.hint);
    form->addRow(f.caption, cell);
    fields_[field] = f;
}

QWidget* BeltWindow::buildReadings() {
    auto* box = new QWidget(this);
    auto* column = new QVBoxLayout(box);
    readingsCaption_ = new QLabel(box);
    lastReadingLabel = new QLabel(box);
    readingsTable = new QTableWidget(0, 7, box);
    readingsTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Tab leaves the table for the buttons below; the arrows move between its cells.
    readingsTable->setTabKeyNavigation(false);
    readingsTable->horizontalHeader()->setStretchLastSection(true);
    agreementLabel = new QLabel(box);
    problemLabel = new QLabel(box);
    problemLabel->setStyleSheet(kHintStyle);
    problemLabel->setWordWrap(true);  // the reason in full, however long
    problemLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    problemLabel->hide();
    saveCsvButton = new QPushButton(box);
    clearButton = new QPushButton(box);
    olderButton = new QPushButton(box);
    olderButton->hide();
    column->addWidget(readingsCaption_);
    column->addWidget(lastReadingLabel);
    column->addWidget(olderButton);
    column->addWidget(readingsTable, 1);
    column->addWidget(agreementLabel);
    column->addWidget(problemLabel);
    auto* readingButtons = new QHBoxLayout;
    readingButtons->addWidget(saveCsvButton);
    readingButtons->addWidget(clearButton);
    column->addLayout(readingButtons);
    connect(saveCsvButton, &QPushButton::clicked, this, &BeltWindow::askAndSaveCsv);
    connect(clearButton, &QPushButton::clicked, this, &BeltWindow::askAndClearReadings);
    connect(olderButton, &QPushButton::clicked, this, [this] { showOlderReadings(); });
    autoNoiseButton = new QPushButton(box);
    autoNoiseButton->setObjectName("autoNoiseButton");
    column->addWidget(autoNoiseButton);
    connect(autoNoiseButton, &QPushButton::clicked, this, &BeltWindow::autoNoiseRequested);
    return box;
}

void BeltWindow::applyCaptions(BeltCaptionLookup lookup) {
    lookup_ = std::move(lookup);
    setWindowTitle(q(caption(BeltCaption::Title)));
    setupsCaption_->setText(q(caption(BeltCaption::Setups)));
    newButton->setText(q(caption(BeltCaption::New)));
    deleteButton->setText(q(caption(BeltCaption::Delete)));
    keepButton->setText(q(caption(BeltCaption::Keep)));
    massCaption_->setText(q(caption(BeltCaption::MassBasis)));
    perMetre->setText(q(caption(BeltCaption::PerMetre)));
    perMetreAndMm->setText(q(caption(BeltCaption::PerMetreAndMm)));
    widthMm->setText(q(caption(BeltCaption::WidthMm)));
    ribCount->setText(q(caption(BeltCaption::RibCount)));
    spanCaption_->setText(q(caption(BeltCaption::SpanBasis)));
    spanDirect->setText(q(caption(BeltCaption::SpanDirect)));
    spanPulleys->setText(q(caption(BeltCaption::SpanPulleys)));
    measuredStiffness->setText(q(caption(BeltCaption::MeasuredStiffness)));
    targetCaption_->setText(q(caption(BeltCaption::Target)));
    target->setItemText(0, q(caption(BeltCaption::TargetNone)));
    target->setItemText(1, q(caption(BeltCaption::TargetFrequency)));
    target->setItemText(2, q(caption(BeltCaption::TargetTension)));
    for (auto& [field, f] : fields_) f.caption->setText(q(caption(fieldCaption(field))));
    readingsCaption_->setText(q(caption(BeltCaption::Readings)));
    saveCsvButton->setText(q(caption(BeltCaption::SaveCsv)));
    olderButton->setText(q(caption(BeltCaption::OlderReadings)));
    clearButton->setText(q(caption(BeltCaption::ClearReadings)));
    autoNoiseButton->setText(q(caption(BeltCaption::AutoNoise)));
    unitCaption_->setText(q(caption(BeltCaption::Unit)));
    readingsTable->setHorizontalHeaderLabels(
        {q(caption(BeltCaption::ColumnTime)), q(caption(BeltCaption::ColumnSetup)),
         q(caption(BeltCaption::ColumnFrequency)), q(caption(BeltCaption::ColumnNewtons)),
         q(caption(BeltCaption::ColumnKgf)), q(caption(BeltCaption::ColumnLbf)),
         q(caption(BeltCaption::Target))});
    for (int row = 0; row < readingsTable->rowCount(); ++row) {
        QTableWidgetItem* cell = readingsTable->item(row, kTargetColumn);
        if (!cell) continue;
        const auto range = RangeStatus(cell->data(Qt::UserRole).toInt());
        cell->setText(
            q(caption(range == RangeStatus::Inside ? BeltCaption::Inside : BeltCaption::Outside)));
    }
    showAgreement(shownAgreement_);
    showLastReading();
    showSetupProblem(setupProblem_);
    showReadingsProblem(readingsProblem_);
    captionsChanged();
}

// Only the fields the chosen bases use can be edited, and only they are checked.
void BeltWindow::updateEnabledFields() {
    const bool byWidth = perMetreAndMm->isChecked();
    widthMm->setEnabled(byWidth);
    ribCount->setEnabled(byWidth);
    edit(BeltField::Width)->setEnabled(byWidth && widthMm->isChecked());
    edit(BeltField::Ribs)->setEnabled(byWidth && ribCount->isChecked());
    edit(BeltField::RibPitch)->setEnabled(byWidth && ribCount->isChecked());
    const bool pulleys = spanPulleys->isChecked();
    edit(BeltField::Span)->setEnabled(!pulleys);
    for (BeltField f : {BeltField::CentreDistance, BeltField::Pulley1, BeltField::Pulley2})
        edit(f)->setEnabled(pulleys);
    edit(BeltField::Factor)->setEnabled(!measuredStiffness->isChecked());
    const bool ranged = target->currentIndex() > 0;
    edit(BeltField::TargetLow)->setEnabled(ranged);
    edit(BeltField::TargetHigh)->setEnabled(ranged);
}

BeltSetupForm BeltWindow::formFromControls() const {
    BeltSetupForm f;
    auto text = [&](BeltField field) { return edit(field)->text().toStdString(); };
    f.name = text(BeltField::Name);
    f.massBasis = perMetreAndMm->isChecked() ? MassBasis::PerMetreAndMm : MassBasis::PerMetre;
    f.mass = text(BeltField::Mass);
    f.widthBasis = ribCount->isChecked() ? WidthBasis::Ribs : WidthBasis::Millimetres;
    f.width = text(BeltField::Width);
    f.ribs = text(BeltField::Ribs);
    f.ribPitch = text(BeltField::RibPitch);
    f.spanBasis = spanPulleys->isChecked() ? SpanBasis::Pulleys : SpanBasis::Direct;
    f.span = text(BeltField::Span);
    f.centreDistance = text(BeltField::CentreDistance);
    f.pulley1 = text(BeltField::Pulley1);
    f.pulley2 = text(BeltField::Pulley2);
    f.factor = text(BeltField::Factor);
    f.measuredStiffness = measuredStiffness->isChecked();
    f.target = TargetKind(target->currentIndex());
    f.targetLow = text(BeltField::TargetLow);
    f.targetHigh = text(BeltField::TargetHigh);
    f.unit = TensionUnit(unitChoice->currentIndex());
    return f;
}

void BeltWindow::showForm(const BeltSetupForm& f) {
    edit(BeltField::Name)->setText(q(f.name));
    (f.massBasis == MassBasis::PerMetre ? perMetre : perMetreAndMm)->setChecked(true);
    edit(BeltField::Mass)->setText(q(f.mass));
    (f.widthBasis == WidthBasis::Millimetres ? widthMm : ribCount)->setChecked(true);
    edit(BeltField::Width)->setText(q(f.width));
    edit(BeltField::Ribs)->setText(q(f.ribs));
    edit(BeltField::RibPitch)->setText(q(f.ribPitch));
    (f.spanBasis == SpanBasis::Direct ? spanDirect : spanPulleys)->setChecked(true);
    edit(BeltField::Span)->setText(q(f.span));
    edit(BeltField::CentreDistance)->setText(q(f.centreDistance));
    edit(BeltField::Pulley1)->setText(q(f.pulley1));
    edit(BeltField::Pulley2)->setText(q(f.pulley2));
    edit(BeltField::Factor)->setText(q(f.factor));
    measuredStiffness->setChecked(f.measuredStiffness);
    target->setCurrentIndex(int(f.target));
    edit(BeltField::TargetLow)->setText(q(f.targetLow));
    edit(BeltField::TargetHigh)->setText(q(f.targetHigh));
    unitChoice->setCurrentIndex(int(f.unit));
    // Numbers are shown with the interface's decimal mark (the checks read both marks).
    for (auto& [field, fl] : fields_) {
        fl.hint->hide();
        if (field != BeltField::Name)
            fl.edit->setText(fl.edit->text().replace('.', QLocale().decimalPoint()));
    }
    describeHints();
    updateEnabledFields();
}

// The set-up chosen in the list is replaced, under the name typed (so a new name renames
// it); with none chosen the set-up is added. A name another set-up has, told apart only by
// capitals or not at all, is refused: the settings file holds them as one. Nothing is
// stored while any field is refused.
void BeltWindow::keepSetup() {
    const BeltValidation v = validateBeltSetup(formFromControls());
    for (auto& [field, f] : fields_) f.hint->hide();
    for (const FieldHint& h : v.hints) {
        QLabel* label = hint(h.field);
        label->setText(filled(caption(hintCaption(h.problem)), QString::number(kMaxBeltNameChars)));
        label->show();
    }
    describeHints();
    if (!v.setup) {
        if (!v.hints.empty()) edit(v.hints.front().field)->setFocus();
        showFirstHint();
        return;
    }
    const auto chosen = selectedSetup();
    const BeltChange done = keepBeltSetup(store_, *v.setup, chosen ? chosen->name : "");
    switch (done.result) {
        case BeltChangeResult::Failed:
            showStoreProblem(done.status.message());
            return;
        case BeltChangeResult::NameTaken:
            hint(BeltField::Name)
                ->setText(filled(caption(BeltCaption::HintNameTaken), q(done.takenBy)));
            hint(BeltField::Name)->show();
            describeHints();
            edit(BeltField::Name)->setFocus();
            showFirstHint();
            return;
        case BeltChangeResult::Done:
            break;
    }
    showSetupProblem(std::nullopt);
    setups_ = done.belts.setups;
    refreshList(v.setup->name);
    Q_EMIT setupChanged();
}

void BeltWindow::showStoreProblem(const std::string& error) {
    showSetupProblem(std::pair{BeltCaption::SetupsNotSaved, error});
}

namespace {
// A caption and what it is about: in the place of %1, or after it.
QString problemText(const std::string& caption, const std::string& detail) {
    return caption.find("%1") != std::string::npos ? filled(caption, q(detail))
                                                   : q(caption + detail);
}
}  // namespace

void BeltWindow::showSetupProblem(std::optional<std::pair<BeltCaption, std::string>> problem) {
    setupProblem_ = std::move(problem);
    if (setupProblem_)
        setupProblemLabel->setText(
            problemText(caption(setupProblem_->first), setupProblem_->second));
    setupProblemLabel->setVisible(setupProblem_.has_value());
    if (setupProblem_ && isVisible()) showFirstHint();
}

void BeltWindow::showReadingsProblem(std::optional<std::pair<BeltCaption, std::string>> problem) {
    readingsProblem_ = std::move(problem);
    if (readingsProblem_)
        problemLabel->setText(
            problemText(caption(readingsProblem_->first), readingsProblem_->second));
    problemLabel->setVisible(readingsProblem_.has_value());
}

void BeltWindow::newSetup() {
    setupList->setCurrentRow(-1);
    showForm(BeltSetupForm{});
    edit(BeltField::Name)->setFocus();
}

void BeltWindow::deleteSetup() {
    const auto chosen = selectedSetup();
    if (!chosen) return;
    if (!confirm(filled(caption(BeltCaption::DeleteQuestion), q(chosen->name)))) return;
    const BeltChange done = deleteBeltSetup(store_, chosen->name);
    if (done.result != BeltChangeResult::Done) {
        showStoreProblem(done.status.message());
        return;
    }
    showSetupProblem(std::nullopt);
    setups_ = done.belts.setups;
    refreshList("");
    newSetup();
    Q_EMIT setupChanged();
}

void BeltWindow::selectionChanged() {
    const int row = setupList->currentRow();
    deleteButton->setEnabled(row >= 0);
    if (row < 0 || row >= int(setups_.size())) return;
    showForm(formOf(setups_[size_t(row)]));
    const BeltChange done = selectBeltSetup(store_, setups_[size_t(row)].name);
    if (done.result == BeltChangeResult::Failed) showStoreProblem(done.status.message());
    Q_EMIT setupChanged();
}

void BeltWindow::refreshList(const std::string& select) {
    const QSignalBlocker quiet(setupList);
    // A Keep changes one name at most: the rows are renamed in place, not built again.
    if (setupList->count() == int(setups_.size())) {
        for (size_t i = 0; i < setups_.size(); ++i) {
            QListWidgetItem* item = setupList->item(int(i));
            if (const QString name = q(setups_[i].name); item->text() != name) item->setText(name);
        }
    } else {
        QStringList names;
        names.reserve(qsizetype(setups_.size()));
        for (const BeltSetup& s : setups_) names << q(s.name);
        setupList->clear();
        setupList->addItems(names);
    }
    int row = -1;
    for (size_t i = 0; i < setups_.size() && row < 0; ++i)
        if (setups_[i].name == select) row = int(i);
    setupList->setCurrentRow(row);
    deleteButton->setEnabled(row >= 0);
    if (row >= 0) showForm(formOf(setups_[size_t(row)]));
}

std::optional<BeltSetup> BeltWindow::selectedSetup() const {
    const int row = setupList->currentRow();
    if (row < 0 || row >= int(setups_.size())) return std::nullopt;
    return setups_[size_t(row)];
}

Status BeltWindow::openReadingsFile(const std::filesystem::path& file) {
    readingsFile_.emplace(file);
    everyReadingInFile_ = true;
    ReadingsPage page;
    const Status read = readReadingsPage(file, kReadingsFileEnd, kReadingsPageLines, page);
    showNewestPage(page);
    markEarlierReadings();
    readingsTable->scrollToBottom();
    if (!read)
        showReadingsProblem(std::pair{BeltCaption::ReadingsNotRead, read.message()});
    else if (page.skippedLines > 0)
        showReadingsProblem(
            std::pair{BeltCaption::SkippedLines, std::to_string(page.skippedLines)});
    else
        showReadingsProblem(std::nullopt);
    return read;
}

void BeltWindow::showNewestPage(ReadingsPage& page) {
    log_ = std::move(page.readings);
    olderEnd_ = page.start;
    olderLeft_ = page.older;
    olderButton->setVisible(olderLeft_);
    readingsTable->setRowCount(0);
    for (const Reading& r : log_) showReadingRow(r);
}

bool BeltWindow::showOlderReadings() {
    if (!readingsFile_ || !olderLeft_) return false;
    ReadingsPage page;
    const Status read =
        readReadingsPage(readingsFile_->path(), olderEnd_, kReadingsPageLines, page);
    if (!read) {
        showReadingsProblem(std::pair{BeltCaption::ReadingsNotRead, read.message()});
        return false;
    }
    olderEnd_ = page.start;
    olderLeft_ = page.older;
    olderButton->setVisible(olderLeft_);
    const int added = int(page.readings.size());
    for (int i = 0; i < added; ++i) showReadingRow(page.readings[size_t(i)], i);
    // Older lines are earlier still: shown greyed, of no agreement.
    showEarlier(0, added);
    earlierRows_ += added;
    log_.insert(log_.begin(), page.readings.begin(), page.readings.end());
    return true;
}

void BeltWindow::showReadingRow(const Reading& r, int row) {
    if (row < 0) row = readingsTable->rowCount();
    readingsTable->insertRow(row);
    const QString clock = q(readingTimeText(r.time));
    if (r.status == ReadingStatus::Refused) {
        // The reason stands where the frequency would, greyed: it counts for nothing.
        const QStringList cells = {clock, q(r.setup), q(r.why)};
        for (int c = 0; c < cells.size(); ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            item->setForeground(palette().color(QPalette::Disabled, QPalette::Text));
            readingsTable->setItem(row, c, item);
        }
        return;
    }
    QStringList cells = {clock, q(r.setup), localeDecimals(r.hz, 1)};
    if (r.tension)
        cells << localeDecimals(r.tension->newtons, 0) << localeDecimals(r.tension->kgf, 1)
              << localeDecimals(r.tension->lbf, 1);
    for (int c = 0; c < cells.size(); ++c)
        readingsTable->setItem(row, c, new QTableWidgetItem(cells[c]));
    if (r.range != RangeStatus::NoTarget) {
        const bool inside = r.range == RangeStatus::Inside;
        auto* cell =
            new QTableWidgetItem(q(caption(inside ? BeltCaption::Inside : BeltCaption::Outside)));
        cell->setData(Qt::UserRole, int(r.range));
        cell->setForeground(QColor(inside ? kInsideColour : kOutsideColour));
        readingsTable->setItem(row, kTargetColumn, cell);
    }
}

Status BeltWindow::addReading(const Reading& line) {
    log_.push_back(line);
    Status kept = keepReading(line);
    if (line.status == ReadingStatus::Refused) return kept;
    lastReading_ = line;
    showLastReading();
    return kept;
}

void BeltWindow::markEarlierReadings() {
    showEarlier(earlierRows_, readingsTable->rowCount());
    earlierRows_ = readingsTable->rowCount();
}

void BeltWindow::showEarlier(int from, int to) {
    // Kept in the log and the file, but of no agreement any more.
    const QColor earlier = palette().color(QPalette::Disabled, QPalette::Text);
    for (int row = from; row < to; ++row)
        for (int c = 0; c < readingsTable->columnCount(); ++c)
            if (QTableWidgetItem* cell = readingsTable->item(row, c)) {
                cell->setForeground(earlier);
                cell->setData(Qt::UserRole + 1, true);
            }
}

Status BeltWindow::keepReading(const Reading& r) {
    Status appended;
    if (readingsFile_) {
        appended = readingsFile_->append(r);
        showReadingsProblem(
            appended ? std::nullopt
                     : std::optional(std::pair{BeltCaption::ReadingNotAdded, appended.message()}));
    }
    showReadingRow(r);
    if (!appended) everyReadingInFile_ = false;
    keepTableBounded();
    readingsTable->scrollToBottom();
    return appended;
}

void BeltWindow::keepTableBounded() {
    if (!readingsFile_ || !everyReadingInFile_ ||
        readingsTable->rowCount() <= int(kReadingsRowsKept))
        return;
    ReadingsPage page;
    if (!readReadingsPage(readingsFile_->path(), kReadingsFileEnd, kReadingsPageLines, page))
        return;
    const int current = readingsTable->rowCount() - earlierRows_;
    showNewestPage(page);
    earlierRows_ = std::max(0, readingsTable->rowCount() - current);
    showEarlier(0, earlierRows_);
}

void BeltWindow::showLastReading() {
    if (!lastReading_) return;
    const Reading& r = *lastReading_;
    QString last = problemText(caption(BeltCaption::LastReading),
                               (localeDecimals(r.hz, 1) + QChar(0x00A0) + "Hz").toStdString());
    if (r.tension)
        last += QString("  %1 N (%2 kgf, %3 lbf)")
                    .arg(localeDecimals(r.tension->newtons, 0), localeDecimals(r.tension->kgf, 1),
                         localeDecimals(r.tension->lbf, 1));
    if (r.range != RangeStatus::NoTarget)
        last += "  " + q(caption(r.range == RangeStatus::Inside ? BeltCaption::Inside
                                                                : BeltCaption::Outside));
    lastReadingLabel->setText(last);
    lastReadingLabel->setStyleSheet(r.range == RangeStatus::Inside    ? kInsideStyle
                                    : r.range == RangeStatus::Outside ? kOutsideStyle
                                                                      : "");
    lastReadingLabel->setProperty("rangeStatus", int(r.range));
}

BeltCaption agreementCaption(Agreement a) {
    return a == Agreement::Confirmed  ? BeltCaption::Confirmed
           : a == Agreement::Disagree ? BeltCaption::Disagree
                                      : BeltCaption::TooFew;
}

void BeltWindow::showAgreement(Agreement a) {
    shownAgreement_ = a;
    agreementLabel->setText(q(caption(agreementCaption(a))));
    agreementLabel->setStyleSheet(a == Agreement::Confirmed  ? kInsideStyle
                                  : a == Agreement::Disagree ? kOutsideStyle
                                                             : "");
}

Status BeltWindow::saveCsv(const std::filesystem::path& path) {
    // The readings not shown yet are read for the copy only.
    std::vector<Reading> all;
    if (readingsFile_ && olderLeft_) {
        ReadingsPage older;
        const Status read = readReadingsPage(readingsFile_->path(), olderEnd_,
                                             std::numeric_limits<std::size_t>::max(), older);
        if (!read) {
            showReadingsProblem(std::pair{BeltCaption::SaveFailed, read.message()});
            return read;
        }
        all = std::move(older.readings);
    }
    all.insert(all.end(), log_.begin(), log_.end());
    const Status saved = saveReadingsCsv(path, all);
    showReadingsProblem(saved ? std::nullopt
                              : std::optional(std::pair{BeltCaption::SaveFailed, saved.message()}));
    if (saved) csvFolder_ = QString::fromStdString(path.parent_path().string());
    return saved;
}

void BeltWindow::askAndClearReadings() {
    if (!confirm(q(caption(BeltCaption::ClearQuestion)))) return;
    if (readingsFile_) {
        if (const Status cleared = readingsFile_->clear(); !cleared) {
            showReadingsProblem(std::pair{BeltCaption::ClearFailed, cleared.message()});
            return;
        }
    }
    log_.clear();
    everyReadingInFile_ = true;
    olderLeft_ = false;
    olderButton->hide();
    readingsTable->setRowCount(0);
    earlierRows_ = 0;
    showReadingsProblem(std::nullopt);
    lastReading_.reset();
    lastReadingLabel->clear();
    showAgreement(Agreement::TooFew);
}

QString BeltWindow::suggestedCsvPath() const {
    QString folder = csvFolder_;
    if (folder.isEmpty())
        folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty()) folder = QDir::homePath();
    const QString name =
        filled(caption(BeltCaption::CsvFileName), QDate::currentDate().toString(Qt::ISODate));
    return QDir(folder).filePath(name);
}

void BeltWindow::askAndSaveCsv() {
    const QString path = QFileDialog::getSaveFileName(this, q(caption(BeltCaption::SaveCsv)),
                                                      suggestedCsvPath(), "CSV (*.csv)");
    if (!path.isEmpty()) (void)saveCsv(path.toStdString());  // the window shows a failure
}

}  // namespace vellora
