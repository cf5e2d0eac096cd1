// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/form1.h"

#include <QAction>
#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <cmath>

#include "belt/belt_store.h"
#include "belt/belt_window.h"
#include "calibration/calibration_dialog.h"
#include "common/qt_text.h"
#include "common/scroll_keys.h"
#include "common/text.h"
#include "common/version.h"
#include "mainwindow/frequency_scale_overlay.h"
#include "mainwindow/input_hold.h"
#include "mainwindow/picture_surface.h"
#include "settings/chelp.h"

namespace vellora {

namespace {

QPushButton* button(QWidget* parent, const char* name, const QString& caption, bool enabled) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setEnabled(enabled);
    return b;
}

QLabel* label(QWidget* parent, const char* name, const QString& caption, Qt::Alignment align) {
    auto* l = new QLabel(caption, parent);
    l->setObjectName(name);
    l->setAlignment(align | Qt::AlignVCenter);
    return l;
}

QLineEdit* textBox(QWidget* parent, const char* name, const QString& text, Qt::Alignment align) {
    auto* t = new QLineEdit(text, parent);
    t->setObjectName(name);
    t->setAlignment(align | Qt::AlignVCenter);
    return t;
}

// Arrows and arrow keys move by one; the trough and Page keys by the stored step.
QScrollBar* scrollBar(QWidget* parent, const char* name, Qt::Orientation o, ControlRange range,
                      int value, int pageStep) {
    auto* s = new QScrollBar(o, parent);
    s->setObjectName(name);
    s->setRange(range.minimum, range.maximum);
    s->setValue(value);
    s->setSingleStep(1);
    s->setPageStep(pageStep);
    // Reachable with Tab; a click on it leaves the keyboard focus where it was.
    s->setFocusPolicy(Qt::TabFocus);
    setArrowKeys(*s);
    return s;
}

QFrame* frame(QWidget* parent, const char* name) {
    auto* f = new QFrame(parent);
    f->setObjectName(name);
    f->setFrameStyle(QFrame::Box | QFrame::Sunken);
    return f;
}

constexpr int kToneWatchMs = 500;

// Without a loudspeaker nothing plays, and the calibration says so.
class SilentTone final : public TonePlayer {
  public:
    Status playLoop(const std::string& file) override {
        return Status(Failure::DeviceFailed, file + ": no loudspeaker");
    }
    void stop() override {}
    bool playing() const override { return false; }
    Status problem() const override { return {}; }
};

TonePlayer& toneOf(const Form1Services& s, std::unique_ptr<TonePlayer>& silent) {
    if (s.tone) return *s.tone;
    silent = std::make_unique<SilentTone>();
    return *silent;
}

}  // namespace

Form1::Form1(Form1Services services, QWidget* parent)
    : QMainWindow(parent),
      services_(std::move(services)),
      geometry_(creationGeometry()),
      run_(*this, state, services_.capture, services_.recordingPath),
      calibration_(*this, state, toneOf(services_, silentTone_), services_.toneFolder) {
    setObjectName("Form1");
    setWindowTitle(QString::fromUtf8("Visualisation des fréquences (v") + kVersion +
                   ") - Par Maruvel");

    client_ = new QWidget(this);
    client_->setObjectName("client");
    setCentralWidget(client_);
    createSpectrumArea(client_);
    createPanel(client_);
    createMenus();
    applyGeometry(geometry_);
    connectHandlers();
    tone_ = services_.tone ? services_.tone : silentTone_.get();
    toneWatch_ = new QTimer(this);
    toneWatch_->setInterval(kToneWatchMs);
    // During a run the cycle's yield looks, never a capture's wait; a message already
    // on screen is read first.
    connect(toneWatch_, &QTimer::timeout, this, [this] {
        if (!state.MesureEnCours && !QApplication::activeModalWidget()) calibration_.checkTone();
    });
    inputHold_ = new InputHold(services_.holdInput, services_.wakeInput, this);
    inputHold_->watch(this);
    createBeltWindow();
    createPreciseReadout();
    createRepeatControls();
    // Hands-free work goes on from whichever of the program's windows has the focus.
    for (QAction* a : {Help, ChoixFrequence, VisibleEchelle, Courroie, Repeter, BruitAuto,
                       GrandAffichage, Fermer})
        a->setShortcutContext(Qt::ApplicationShortcut);
    client_->installEventFilter(this);

    const double tpp = twipsPerPixel();
    resize(int(std::lround(kCreationClientWidth / tpp)),
           int(std::lround(kCreationClientHeight / tpp)) + menuBar()->sizeHint().height());
    setUpKeyboard();
}

Form1::~Form1() = default;

void Form1::createBeltWindow() {
    BeltStore* store = services_.beltStore;
    if (!store) {
        sessionBeltStore_ = std::make_unique<MemoryBeltStore>();
        store = sessionBeltStore_.get();
    }
    beltWindow_ = new BeltWindow(*store, this);
    beltWindow_->hide();
    if (services_.askOkCancel)
        beltWindow_->confirm = [ask = services_.askOkCancel](const QString& question) {
            return ask(question.toStdString());
        };
    // A file that cannot be read is shown in the Belt window, where its readings would be.
    if (!services_.readingsFile.empty())
        (void)beltWindow_->openReadingsFile(services_.readingsFile);
    holdInputWhileShown(beltWindow_);
}

void Form1::holdInputWhileShown(QWidget* window) { inputHold_->watch(window); }

// What the window asks of the program around it; each has its harmless default.
std::string Form1::languageText(const char* section, int key) const {
    return services_.text ? services_.text(section, key) : std::string(kMissingText);
}

int32_t Form1::readSetting(const char* section, const char* key, int32_t fallback) const {
    return services_.readInt ? services_.readInt(section, key, fallback) : fallback;
}

std::string Form1::readSettingText(const char* section, const char* key,
                                   const std::string& fallback, int bufferSize) const {
    return services_.readString ? services_.readString(section, key, fallback, bufferSize)
                                : fallback;
}

void Form1::writeSetting(const char* section, const char* key, const std::string& value) {
    if (!services_.writeString) return;
    if (const Status written = services_.writeString(section, key, value); !written)
        showProblem(written.message());
}

const std::string& Form1::recordingPath() const { return services_.recordingPath; }
const std::filesystem::path& Form1::toneFolder() const { return services_.toneFolder; }

void Form1::useLanguageFile(const std::string& name) {
    if (services_.setLanguage) services_.setLanguage(name);
}

Status Form1::openHelpOfLanguage() {
    const std::string path = services_.languageFilePath ? services_.languageFilePath() : "";
    const std::string file = helpFileForLanguagePath(path);
    if (!services_.showHelp) return Status(Failure::NotFound, file + ": no help in this program");
    return services_.showHelp(file);
}

void Form1::releaseSound() {
    if (services_.closeRecorder) services_.closeRecorder();
    if (TonePlayer* t = services_.tone) t->stop();
}

void Form1::releaseRecording() {
    if (services_.recordingDone) services_.recordingDone();
}

void Form1::stopSound() {
    if (TonePlayer* t = services_.tone) t->stop();
}

void Form1::endProgram() {
    if (services_.endProgram)
        services_.endProgram();
    else
        QCoreApplication::quit();
}

void Form1::showProblem(const std::string& message) {
    if (services_.showMessage) {
        services_.showMessage(message);
        return;
    }
    QMessageBox::warning(this, windowTitle(), fromUtf8(message));
}

bool Form1::askOkCancel(const std::string& question) {
    if (services_.askOkCancel) return services_.askOkCancel(question);
    // No icon and the program's title, OK first and default; Qt's catalogue of the
    // interface language words the two buttons.
    QMessageBox box(QMessageBox::NoIcon, QString::fromUtf8(kApplicationTitle), fromUtf8(question),
                    QMessageBox::Ok | QMessageBox::Cancel, this);
    box.setObjectName("CalibrationQuestion");
    box.setDefaultButton(QMessageBox::Ok);
    return box.exec() == QMessageBox::Ok;
}

void Form1::createSpectrumArea(QWidget* client) {
    Frame1 = frame(client, "Frame1");
    Im_Spectre = new PictureSurface(PictureSurface::Scale::Spectrum, QPalette::Button, Frame1);
    Im_Spectre->setObjectName("Im_Spectre");
    Im_Spectre->setFocusPolicy(Qt::TabFocus);
    VScrollNiveau =
        scrollBar(Frame1, "VScrollNiveau", Qt::Vertical, kNiveauRange, 472, /*pageStep=*/20);
    Energie = new PictureSurface(PictureSurface::Scale::Twips, QPalette::ToolTipBase, Frame1);
    Energie->setObjectName("Energie");
    EchelleFrequence = new FrequencyScaleOverlay(Im_Spectre);
    EchelleFrequence->setNoiseLine([this]() -> std::optional<int> {
        if (!state.noise.ModeBruit && !state.noise.CaptureNiveauBruit) return std::nullopt;
        return state.noise.NiveauBruit;
    });
    // The gauge stays visible over the spectrum.
    Energie->raise();
}

void Form1::createPanel(QWidget* client) {
    Frame2 = frame(client, "Frame2");
    CommandRun = button(Frame2, "CommandRun", "Run", false);
    CommandCalibrate = button(Frame2, "CommandCalibrate", "Start Calibration", true);
    CommandBruit = button(Frame2, "CommandBruit", "Calibrer Bruit", false);
    CommandAnalyse = button(Frame2, "CommandAnalyse", "Analyse", false);

    ShapeFrequence = new QFrame(Frame2);
    ShapeFrequence->setObjectName("ShapeFrequence");
    ShapeFrequence->setFrameStyle(QFrame::Box | QFrame::Plain);
    ShapeFrequence->setAttribute(Qt::WA_TransparentForMouseEvents);
    ShapeFrequence->hide();

    LabelCalibrate = label(Frame2, "LabelCalibrate", QString::fromUtf8("Fréquence du signal max"),
                           Qt::AlignHCenter);
    TextCalibrate = textBox(Frame2, "TextCalibrate", "Hz", Qt::AlignHCenter);
    HScrollCalibrate =
        scrollBar(Frame2, "HScrollCalibrate", Qt::Horizontal, kAjustementRange, kDefaultAjustement,
                  /*pageStep=*/10);
    HScrollCalibrate->setEnabled(false);
    LabelFrequence =
        label(Frame2, "LabelFrequence", QString::fromUtf8("Fréquences"), Qt::AlignHCenter);
    HScrollFrequence =
        scrollBar(Frame2, "HScrollFrequence", Qt::Horizontal, kNbFrequencesAfficheesRange,
                  kDefaultNbFrequencesAffichees, /*pageStep=*/50);
    LabelEchantillon = label(Frame2, "LabelEchantillon", "Lissage", Qt::AlignLeft);
    TextEchantillon = textBox(Frame2, "TextEchantillon", "5", Qt::AlignRight);
    CommandExit = button(Frame2, "CommandExit", "Exit", true);
}

void Form1::setShapeFrequenceColour(const QColor& colour) {
    QPalette p = ShapeFrequence->palette();
    p.setColor(QPalette::WindowText, colour);
    ShapeFrequence->setPalette(p);
}

void Form1::connectHandlers() {
    connect(CommandRun, &QPushButton::clicked, this, &Form1::CommandRun_Click);
    connect(CommandCalibrate, &QPushButton::clicked, this, &Form1::CommandCalibrate_Click);
    connect(CommandBruit, &QPushButton::clicked, this, &Form1::CommandBruit_Click);
    connect(CommandAnalyse, &QPushButton::clicked, this, &Form1::CommandAnalyse_Click);
    connect(CommandExit, &QPushButton::clicked, this, &Form1::CommandExit_Click);
    // valueChanged fires only for a real change, as the handlers expect.
    connect(HScrollFrequence, &QScrollBar::valueChanged, this, &Form1::HScrollFrequence_Change);
    connect(VScrollNiveau, &QScrollBar::valueChanged, this, &Form1::VScrollNiveau_Change);
    connect(HScrollCalibrate, &QScrollBar::valueChanged, this, &Form1::HScrollCalibrate_Change);
    connect(Im_Spectre, &PictureSurface::mouseMoved, this, &Form1::Im_Spectre_MouseMove);
    connect(Im_Spectre, &PictureSurface::clicked, this, &Form1::Im_Spectre_Click);
    connect(Energie, &PictureSurface::doubleClicked, this, &Form1::Energie_DblClick);
    connect(Fermer, &QAction::triggered, this, &Form1::Fermer_Click);
    connect(ChoixFrequence, &QAction::triggered, this, &Form1::ChoixFrequence_Click);
    connect(Visibles, &QAction::triggered, this, &Form1::Visibles_Click);
    connect(VisibleEchelle, &QAction::triggered, this, &Form1::VisibleEchelle_Click);
    connect(Anglais, &QAction::triggered, this, &Form1::Anglais_Click);
    connect(Francais, &QAction::triggered, this, &Form1::Francais_Click);
    connect(Help, &QAction::triggered, this, &Form1::Help_Click);
    connect(APropo, &QAction::triggered, this, &Form1::APropo_Click);
}

}  // namespace vellora
