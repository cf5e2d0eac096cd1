#include "belt/belt_window.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <ctime>

namespace vellora {

namespace {

constexpr BeltField kAllFields[] = {
    BeltField::Name,     BeltField::Mass,   BeltField::Width,          BeltField::Ribs,
    BeltField::RibPitch, BeltField::Span,   BeltField::CentreDistance, BeltField::Pulley1,
    BeltField::Pulley2,  BeltField::Factor, BeltField::TargetLow,      BeltField::TargetHigh};

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

QString fixed(double v, int decimals) { return QString::number(v, 'f', decimals); }

// Green inside the target, red outside, the palette's own colour without one.
const QString kInsideStyle = QString("color: %1;").arg(kInsideColour);
const QString kOutsideStyle = QString("color: %1;").arg(kOutsideColour);
constexpr const char* kHintStyle = "color: #c62828;";

}  // namespace

BeltWindow::BeltWindow(BeltStore& store, QWidget* parent)
    : QWidget(parent, Qt::Window), store_(store) {
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(buildSetupForm(), 0);
    layout->addWidget(buildReadings(), 1);

    const LoadedBelts loaded = loadBeltSetups(store_);
    setups_ = loaded.setups;
    refreshList(loaded.selected);
    if (loaded.selected.empty()) newSetup();
    updateEnabledFields();
    applyCaptions({});
}

QWidget* BeltWindow::buildSetupForm() {
    auto* box = new QWidget(this);
    auto* column = new QVBoxLayout(box);
    setupsCaption_ = new QLabel(box);
    setupList = new QListWidget(box);
    setupList->setMaximumHeight(120);
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
    perMetre = new QRadioButton(box);
    perMetreAndMm = new QRadioButton(box);
    auto* massGroup = new QButtonGroup(box);
    massGroup->addButton(perMetre);
    massGroup->addButton(perMetreAndMm);
    perMetre->setChecked(true);
    auto* massRow = new QHBoxLayout;
    massRow->addWidget(perMetre);
    massRow->addWidget(perMetreAndMm);
    form->addRow(massCaption_, massRow);
    addField(form, BeltField::Mass);
    widthMm = new QRadioButton(box);
    ribCount = new QRadioButton(box);
    auto* widthGroup = new QButtonGroup(box);
    widthGroup->addButton(widthMm);
    widthGroup->addButton(ribCount);
    widthMm->setChecked(true);
    auto* widthRow = new QHBoxLayout;
    widthRow->addWidget(widthMm);
    widthRow->addWidget(ribCount);
    form->addRow(QString(), widthRow);
    addField(form, BeltField::Width);
    addField(form, BeltField::Ribs);
    addField(form, BeltField::RibPitch);

    spanCaption_ = new QLabel(box);
    spanDirect = new QRadioButton(box);
    spanPulleys = new QRadioButton(box);
    auto* spanGroup = new QButtonGroup(box);
    spanGroup->addButton(spanDirect);
    spanGroup->addButton(spanPulleys);
    spanDirect->setChecked(true);
    auto* spanRow = new QVBoxLayout;
    spanRow->addWidget(spanDirect);
    spanRow->addWidget(spanPulleys);
    form->addRow(spanCaption_, spanRow);
    addField(form, BeltField::Span);
    addField(form, BeltField::CentreDistance);
    addField(form, BeltField::Pulley1);
    addField(form, BeltField::Pulley2);
    addField(form, BeltField::Factor);

    targetCaption_ = new QLabel(box);
    target = new QComboBox(box);
    target->addItems({QString(), QString(), QString()});  // none, Hz, N: captions later
    form->addRow(targetCaption_, target);
    addField(form, BeltField::TargetLow);
    addField(form, BeltField::TargetHigh);
    column->addLayout(form);

    keepButton = new QPushButton(box);
    keepButton->setDefault(true);
    column->addWidget(keepButton);
    column->addStretch();

    for (QRadioButton* r : {perMetre, perMetreAndMm, widthMm, ribCount, spanDirect, spanPulleys})
        connect(r, &QRadioButton::toggled, this, &BeltWindow::updateEnabledFields);
    connect(target, &QComboBox::currentIndexChanged, this, &BeltWindow::updateEnabledFields);
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
    readingsTable = new QTableWidget(0, 6, box);
    readingsTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    readingsTable->horizontalHeader()->setStretchLastSection(true);
    agreementLabel = new QLabel(box);
    problemLabel = new QLabel(box);
    problemLabel->setStyleSheet(kHintStyle);
    problemLabel->hide();
    saveCsvButton = new QPushButton(box);
    column->addWidget(readingsCaption_);
    column->addWidget(lastReadingLabel);
    column->addWidget(readingsTable, 1);
    column->addWidget(agreementLabel);
    column->addWidget(problemLabel);
    column->addWidget(saveCsvButton);
    connect(saveCsvButton, &QPushButton::clicked, this, &BeltWindow::askAndSaveCsv);
    return box;
}

void BeltWindow::applyCaptions(BeltCaptionLookup lookup) {
    lookup_ = std::move(lookup);
    setWindowTitle(q(caption(BeltCaption::Title)));
    setupsCaption_->setText(q(caption(BeltCaption::Setups)));
    newButton->setText(q(caption(BeltCaption::New)));
    deleteButton->setText(q(caption(BeltCaption::Delete)));
    keepButton->setText(q(caption(BeltCaption::Keep)));
    massCaption_->setText(q(caption(BeltCaption::Mass)));
    perMetre->setText(q(caption(BeltCaption::PerMetre)));
    perMetreAndMm->setText(q(caption(BeltCaption::PerMetreAndMm)));
    widthMm->setText(q(caption(BeltCaption::WidthMm)));
    ribCount->setText(q(caption(BeltCaption::RibCount)));
    spanCaption_->setText(q(caption(BeltCaption::Span)));
    spanDirect->setText(q(caption(BeltCaption::SpanDirect)));
    spanPulleys->setText(q(caption(BeltCaption::SpanPulleys)));
    targetCaption_->setText(q(caption(BeltCaption::Target)));
    target->setItemText(0, q(caption(BeltCaption::TargetNone)));
    target->setItemText(1, q(caption(BeltCaption::TargetFrequency)));
    target->setItemText(2, q(caption(BeltCaption::TargetTension)));
    for (auto& [field, f] : fields_) f.caption->setText(q(caption(fieldCaption(field))));
    readingsCaption_->setText(q(caption(BeltCaption::Readings)));
    saveCsvButton->setText(q(caption(BeltCaption::SaveCsv)));
    readingsTable->setHorizontalHeaderLabels(
        {q(caption(BeltCaption::ColumnTime)), q(caption(BeltCaption::ColumnSetup)),
         q(caption(BeltCaption::ColumnFrequency)), q(caption(BeltCaption::ColumnNewtons)),
         q(caption(BeltCaption::ColumnKgf)), q(caption(BeltCaption::ColumnLbf))});
    showAgreement(log_.agreement());
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
    f.target = TargetKind(target->currentIndex());
    f.targetLow = text(BeltField::TargetLow);
    f.targetHigh = text(BeltField::TargetHigh);
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
    target->setCurrentIndex(int(f.target));
    edit(BeltField::TargetLow)->setText(q(f.targetLow));
    edit(BeltField::TargetHigh)->setText(q(f.targetHigh));
    for (auto& [field, fl] : fields_) fl.hint->hide();
    updateEnabledFields();
}

// A set-up of the same name is replaced; a new name adds one. Nothing is stored while
// any field is refused.
void BeltWindow::keepSetup() {
    const BeltValidation v = validateBeltSetup(formFromControls());
    for (auto& [field, f] : fields_) f.hint->hide();
    for (const FieldHint& h : v.hints) {
        QLabel* label = hint(h.field);
        label->setText(q(caption(hintCaption(h.problem))));
        label->show();
    }
    if (!v.setup) {
        if (!v.hints.empty()) edit(v.hints.front().field)->setFocus();
        return;
    }
    const auto same = std::find_if(setups_.begin(), setups_.end(),
                                   [&](const BeltSetup& s) { return s.name == v.setup->name; });
    if (same != setups_.end())
        *same = *v.setup;
    else
        setups_.push_back(*v.setup);
    refreshList(v.setup->name);
    persist();
    Q_EMIT setupChanged();
}

void BeltWindow::newSetup() {
    setupList->setCurrentRow(-1);
    showForm(BeltSetupForm{});
    edit(BeltField::Name)->setFocus();
}

void BeltWindow::deleteSetup() {
    const int row = setupList->currentRow();
    if (row < 0 || row >= int(setups_.size())) return;
    setups_.erase(setups_.begin() + row);
    refreshList("");
    persist();
    newSetup();
    Q_EMIT setupChanged();
}

void BeltWindow::selectionChanged() {
    const int row = setupList->currentRow();
    deleteButton->setEnabled(row >= 0);
    if (row < 0 || row >= int(setups_.size())) return;
    showForm(formOf(setups_[size_t(row)]));
    saveSelectedBelt(store_, setups_[size_t(row)].name);
    Q_EMIT setupChanged();
}

void BeltWindow::refreshList(const std::string& select) {
    const QSignalBlocker quiet(setupList);
    setupList->clear();
    int row = -1;
    for (size_t i = 0; i < setups_.size(); ++i) {
        setupList->addItem(q(setups_[i].name));
        if (setups_[i].name == select) row = int(i);
    }
    setupList->setCurrentRow(row);
    deleteButton->setEnabled(row >= 0);
    if (row >= 0) showForm(formOf(setups_[size_t(row)]));
}

void BeltWindow::persist() {
    const auto chosen = selectedSetup();
    saveBeltSetups(store_, setups_, chosen ? chosen->name : std::string());
}

std::optional<BeltSetup> BeltWindow::selectedSetup() const {
    const int row = setupList->currentRow();
    if (row < 0 || row >= int(setups_.size())) return std::nullopt;
    return setups_[size_t(row)];
}

Agreement BeltWindow::addReading(double hz, std::chrono::system_clock::time_point time) {
    const auto setup = selectedSetup();
    Reading r{time, setup ? setup->name : std::string(), hz, std::nullopt};
    if (setup) r.tension = tensionOf(*setup, hz);
    const Agreement a = log_.add(r);

    const int row = readingsTable->rowCount();
    readingsTable->insertRow(row);
    const std::time_t seconds = std::chrono::system_clock::to_time_t(time);
    std::tm parts{};
    localtime_r(&seconds, &parts);
    char clock[16];
    std::strftime(clock, sizeof clock, "%H:%M:%S", &parts);
    QStringList cells = {clock, q(r.setup), fixed(hz, 1)};
    if (r.tension)
        cells << fixed(r.tension->newtons, 0) << fixed(r.tension->kgf, 1)
              << fixed(r.tension->lbf, 1);
    for (int c = 0; c < cells.size(); ++c)
        readingsTable->setItem(row, c, new QTableWidgetItem(cells[c]));
    readingsTable->scrollToBottom();

    QString last = q(caption(BeltCaption::LastReading)) + ": " + fixed(hz, 1) + " Hz";
    if (r.tension)
        last += QString("  %1 N (%2 kgf, %3 lbf)")
                    .arg(fixed(r.tension->newtons, 0), fixed(r.tension->kgf, 1),
                         fixed(r.tension->lbf, 1));
    const RangeStatus status = setup ? rangeStatus(*setup, hz) : RangeStatus::NoTarget;
    if (status != RangeStatus::NoTarget)
        last += "  " + q(caption(status == RangeStatus::Inside ? BeltCaption::Inside
                                                               : BeltCaption::Outside));
    lastReadingLabel->setText(last);
    lastReadingLabel->setStyleSheet(status == RangeStatus::Inside    ? kInsideStyle
                                    : status == RangeStatus::Outside ? kOutsideStyle
                                                                     : "");
    lastReadingLabel->setProperty("rangeStatus", int(status));
    showAgreement(a);
    return a;
}

void BeltWindow::showAgreement(Agreement a) {
    const BeltCaption c = a == Agreement::Confirmed  ? BeltCaption::Confirmed
                          : a == Agreement::Disagree ? BeltCaption::Disagree
                                                     : BeltCaption::TooFew;
    agreementLabel->setText(q(caption(c)));
    agreementLabel->setStyleSheet(a == Agreement::Confirmed  ? kInsideStyle
                                  : a == Agreement::Disagree ? kOutsideStyle
                                                             : "");
}

bool BeltWindow::saveCsv(const std::filesystem::path& path) {
    std::string error;
    const bool ok = saveReadingsCsv(path, log_.readings(), &error);
    problemLabel->setText(ok ? QString() : q(caption(BeltCaption::SaveFailed) + error));
    problemLabel->setVisible(!ok);
    return ok;
}

void BeltWindow::askAndSaveCsv() {
    const QString path = QFileDialog::getSaveFileName(this, q(caption(BeltCaption::SaveCsv)),
                                                      "readings.csv", "CSV (*.csv)");
    if (!path.isEmpty()) saveCsv(path.toStdString());
}

}  // namespace vellora
