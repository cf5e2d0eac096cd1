// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/form1.h"

#include <QAction>
#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <cmath>

#include "belt/belt_store.h"
#include "belt/belt_window.h"
#include "calibration/calibration_dialog.h"
#include "common/scroll_keys.h"
#include "common/version.h"
#include "mainwindow/frequency_scale_overlay.h"
#include "mainwindow/input_hold.h"
#include "mainwindow/picture_surface.h"

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
QScrollBar* scrollBar(QWidget* parent, const char* name, Qt::Orientation o, int min, int max,
                      int value, int pageStep) {
    auto* s = new QScrollBar(o, parent);
    s->setObjectName(name);
    s->setRange(min, max);
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
    bool playLoop(const std::string&) override { return false; }
    void stop() override {}
    bool playing() const override { return false; }
    SoundProblem problem() const override { return SoundProblem::Output; }
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
      run_(*this, state, services_.capture, services_.recordingPath),
      calibration_(*this, state, toneOf(services_, silentTone_), services_.toneFolder),
      geometry_(creationGeometry()) {
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
    createPreciseReadout();
    createRepeatControls();
    client_->installEventFilter(this);

    const double tpp = twipsPerPixel();
    resize(int(std::lround(kCreationClientWidth / tpp)),
           int(std::lround(kCreationClientHeight / tpp)) + menuBar()->sizeHint().height());
    setUpKeyboard();
}

Form1::~Form1() = default;

void Form1::createSpectrumArea(QWidget* client) {
    Frame1 = frame(client, "Frame1");
    Im_Spectre = new PictureSurface(PictureSurface::Scale::Spectrum, QPalette::Button, Frame1);
    Im_Spectre->setObjectName("Im_Spectre");
    Im_Spectre->setFocusPolicy(Qt::TabFocus);
    VScrollNiveau = scrollBar(Frame1, "VScrollNiveau", Qt::Vertical, 20, 512, 472, /*pageStep=*/20);
    Energie = new PictureSurface(PictureSurface::Scale::Twips, QPalette::ToolTipBase, Frame1);
    Energie->setObjectName("Energie");
    EchelleFrequence = new FrequencyScaleOverlay(Im_Spectre);
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
        scrollBar(Frame2, "HScrollCalibrate", Qt::Horizontal, 0, 1024, 512, /*pageStep=*/10);
    HScrollCalibrate->setEnabled(false);
    LabelFrequence =
        label(Frame2, "LabelFrequence", QString::fromUtf8("Fréquences"), Qt::AlignHCenter);
    HScrollFrequence =
        scrollBar(Frame2, "HScrollFrequence", Qt::Horizontal, 100, 2048, 1024, /*pageStep=*/50);
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
