// SPDX-License-Identifier: GPL-3.0-or-later
// The main window: the spectrum with its gain bar and energy gauge above, the control
// panel below, and the menus. Controls are public under their own names (also their
// object names) so the run, the calibration and start-up can reach them; the
// spectrum's measurement state lives in `state`.
//
// A view: what the meter does and what it read live in the window-free MeterModel
// (meter/meter_model.h); a reading's tension, range verdict and agreement are computed
// there once (tensionOf in belt/belt_setup.h) and every read-out only renders them.
//
// Every handler is a method named after its control and event; the window system
// calls them through Qt signals, and other code may call them directly.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "calibration/calibration_dialog.h"
#include "calibration/calibration_run.h"
#include "mainwindow/layout.h"
#include "mainwindow/precise_meter.h"
#include "measure/auto_noise_line.h"
#include "measure/measurement_run.h"
#include "measure/meter_state.h"
#include "meter/meter_model.h"
#include "meter/repeat_mode.h"
#include "pitch/pluck_classifier.h"
#include "settings/about_box.h"
#include "settings/settings_store.h"
#include "wave/wave_format.h"

class QAction;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QScrollBar;
class QTimer;

namespace vellora {

class BeltWindow;
class FrequencyScaleOverlay;
class InputHold;
class BigReadout;
class PictureSurface;
struct BeltStore;

// What the window needs of the program around it. Every member has a harmless
// default, so a test can build the window with only what it exercises.
// FORM1 captions of the noise button, disarmed and armed.
inline constexpr int kNoiseIdleKey = 7;
inline constexpr int kNoiseArmedKey = 25;

struct Form1Services {
    // The text of a numeric key in a section ("FORM1", "CALIBRATION") of the current
    // language; "Err!!" when there is none.
    std::function<std::string(const char* section, int key)> text;
    // Records one clip into the recording file; 0 or the failing command's code.
    CaptureFn capture;
    // The loudspeaker; nothing plays without one.
    TonePlayer* tone = nullptr;
    // The settings store, one key per call.
    std::function<int32_t(const char* section, const char* key, int32_t fallback)> readInt;
    std::function<std::string(const char* section, const char* key, const std::string& fallback,
                              int bufferSize)>
        readString;
    SettingWriter writeString;
    // Makes the named language current (its file next to the program) and gives its path.
    std::function<void(const std::string& name)> setLanguage;
    std::function<std::string()> languageFilePath;
    // Opens the help file named, at its contents; false when there is none.
    std::function<Status(const std::string& helpFile)> showHelp;
    // "close all" to the recorder, at shut-down.
    std::function<void()> closeRecorder;
    // The meter stopped: another instance may record into the same folder now.
    std::function<void()> recordingDone;
    // Keeps the sound input open while true: while the window, the calibration dialog or
    // the Belt window is shown (not minimised), a measurement is near. wakeInput: one of
    // them was activated; an input that closed (a sound server gone) may reopen ahead.
    std::function<void(bool held)> holdInput;
    std::function<void()> wakeInput;
    // Ends the program once the window has unloaded.
    std::function<void()> endProgram;
    // Modal messages; tests replace them so nothing blocks.
    std::function<void(const std::string& message)> showMessage;
    std::function<bool(const std::string& question)> askOkCancel;
    std::filesystem::path toneFolder = ".";
    std::string recordingPath = kRecordingFileName;
    // Where the belt set-ups are kept; without one they last for the session.
    BeltStore* beltStore = nullptr;
    // Where the triggered readings are kept; without one they last for the session.
    std::filesystem::path readingsFile;
};

class Form1 : public QMainWindow, public RunWindow, public CalibrationWindow {
    Q_OBJECT

  public:
    explicit Form1(Form1Services services = {}, QWidget* parent = nullptr);
    ~Form1() override;

    // Gain, bins shown, hertz per bin, last peak and bar table, noise line, flags.
    MeterState state;

    QFrame* Frame1 = nullptr;
    PictureSurface* Energie = nullptr;
    QScrollBar* VScrollNiveau = nullptr;
    PictureSurface* Im_Spectre = nullptr;
    QFrame* Frame2 = nullptr;
    QPushButton* CommandRun = nullptr;
    QPushButton* CommandCalibrate = nullptr;
    QPushButton* CommandBruit = nullptr;
    QPushButton* CommandAnalyse = nullptr;
    QFrame* ShapeFrequence = nullptr;
    QLabel* LabelCalibrate = nullptr;
    QLineEdit* TextCalibrate = nullptr;
    QScrollBar* HScrollCalibrate = nullptr;
    QLabel* LabelFrequence = nullptr;
    QScrollBar* HScrollFrequence = nullptr;
    QLabel* LabelEchantillon = nullptr;
    QLineEdit* TextEchantillon = nullptr;
    QPushButton* CommandExit = nullptr;

    QMenu* Fichier = nullptr;
    QAction* Fermer = nullptr;
    QMenu* Calibration = nullptr;
    QAction* ChoixFrequence = nullptr;
    QMenu* MenuEnergie = nullptr;
    QAction* Visibles = nullptr;
    QMenu* Options = nullptr;
    QMenu* Langue = nullptr;
    QAction* Anglais = nullptr;
    QAction* Francais = nullptr;
    QMenu* Aide = nullptr;
    QAction* Help = nullptr;
    QAction* APropo = nullptr;

    // Beyond the original window, over the spectrum left of the gauge: the belt's
    // frequency (its first mode) from the last clips and, for the chosen belt, its tension; and,
    // while the calibration tone plays, the automatic calibration.
    QFrame* FramePrecise = nullptr;
    QLabel* LabelFondamentale = nullptr;
    QLabel* TextFondamentale = nullptr;
    QLabel* TextTension = nullptr;
    QLabel* TextStiffness = nullptr;  // whether the factor or the measured B gave the tension
    QLabel* TextAccord = nullptr;     // whether the last triggered readings agree
    QLabel* TextNotSaved = nullptr;   // why the last reading did not reach the readings file
    QLabel* TextEtat = nullptr;       // what the meter is doing
    QPushButton* CommandAutoCalibrate = nullptr;
    QAction* Courroie = nullptr;  // opens the Belt window
    // The frequency scale over the foot of the spectrum, and its entry under Energie.
    FrequencyScaleOverlay* EchelleFrequence = nullptr;
    QAction* VisibleEchelle = nullptr;

    // Hands-free measuring: Repeat mode (checked while on), the automatic noise line,
    // the large read-out for arm's length and the sound cues (checked while on).
    QAction* Repeter = nullptr;
    QAction* BruitAuto = nullptr;
    QAction* GrandAffichage = nullptr;
    QAction* SignauxSonores = nullptr;

    // The outline around the calibration group is drawn in this colour when shown.
    void setShapeFrequenceColour(const QColor& colour);

    // Buttons and scroll bars.
    void CommandRun_Click() override;
    void CommandCalibrate_Click();
    void CommandBruit_Click();
    void CommandAnalyse_Click();
    void CommandExit_Click();
    void HScrollFrequence_Change();
    void VScrollNiveau_Change();
    void HScrollCalibrate_Change();

    // The drawing surfaces. X and Y are in the surface's logical units.
    void Im_Spectre_MouseMove(int button, int shift, float X, float Y);
    void Im_Spectre_Click();
    void Energie_DblClick();

    // Menus.
    void Fermer_Click();
    void ChoixFrequence_Click();
    void Visibles_Click();
    void Anglais_Click();
    void Francais_Click();
    void Help_Click();
    void APropo_Click();
    void Courroie_Click();
    void VisibleEchelle_Click();
    void CommandAutoCalibrate_Click();
    // Each follows its entry's check mark and stores it.
    void Repeter_Click();
    void SignauxSonores_Click();
    // Listens to the background for a second (starting a run when none is active), then
    // places and arms the noise line.
    void BruitAuto_Click();
    void GrandAffichage_Click();

    BigReadout& bigReadout() const { return *bigReadout_; }
    RepeatMode& repeatMode() { return meter_.repeat(); }
    // The meter as every window shows it: its state, the set-up and the reading.
    const MeterModel& meter() const { return meter_; }
    bool learningNoiseLine() const { return autoNoise_.listening(); }

    BeltWindow& beltWindow() const { return *beltWindow_; }

    // Start-up: first values, the settings file, then the language. Runs once, before
    // the window is first shown.
    void Form_Load();
    // Shut-down: releases the sound devices, writes the settings, ends the program.
    void form_unload();
    // Every caption of the three windows from the named language's file.
    void ApplyLanguage(const std::string& name);

    // The layout pass over the current client area; nothing moves while minimized.
    void Form_Resize();

    // Twips per device-independent pixel on the window's screen (15 at 96 dpi).
    double twipsPerPixel() const;

    // The calibration dialog and the about box while they exist, else null.
    FormCalibration* calibrationDialog() const { return calibrationDialog_; }
    frmAbout* aboutBox() const { return aboutBox_; }

    // What the measurement run and the calibration run see of the window.
    std::string text(int form1Key) const override;
    std::string runCaption() const override;
    void setRunCaption(const std::string& caption) override;
    std::string analyseCaption() const override;
    void setAnalyseCaption(const std::string& caption) override;
    std::string smoothingText() const override;
    void setSmoothingText(const std::string& text) override;
    void setSmoothingEnabled(bool enabled) override;
    DrawingSurface& spectrum() override;
    DrawingSurface& gauge() override;
    void setReadout(const std::string& text) override;
    void refreshSpectrum() override;
    void yield() override;
    void showRunProblem(const std::string& message) override;
    std::string captureFailure(int32_t code) const override;
    void recordingRead(std::span<const uint8_t> file, bool triggered) override;
    size_t recordingBytesWanted() const override;
    std::string calibrateCaption() const override;
    void setCalibrateCaption(const std::string& caption) override;
    void setCalibrateSliderEnabled(bool enabled) override;
    void showQuestionFrame(bool shown) override;
    bool askOkCancel(const std::string& question) override;
    void showProblem(const std::string& message) override;
    void showReadout(const std::string& text) override;
    void enableMeasurementButtons() override;

    // The geometry the last layout pass gave, in twips.
    const FormGeometry& geometryTwips() const { return geometry_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    // Each file's methods and the data members only it uses; a file reaches another's
    // state through that file's methods.

    // form1.cpp: the controls, the wiring, and what the window asks of the program
    // around it (the services, each with its harmless default).
    void createSpectrumArea(QWidget* client);
    void createPanel(QWidget* client);
    void createMenus();
    // Tab order, focus marks, the keys over the spectrum and the first focus.
    void setUpKeyboard();
    // Buddies of the captions, and names for the controls without one.
    void applyAccessibleTexts();
    void connectHandlers();
    void createBeltWindow();
    std::string languageText(const char* section, int key) const;
    int32_t readSetting(const char* section, const char* key, int32_t fallback) const;
    std::string readSettingText(const char* section, const char* key, const std::string& fallback,
                                int bufferSize) const;
    // One key written at once (a menu choice); a failure is shown.
    void writeSetting(const char* section, const char* key, const std::string& value);
    const std::string& recordingPath() const;
    const std::filesystem::path& toneFolder() const;
    void useLanguageFile(const std::string& name);
    Status openHelpOfLanguage();
    void holdInputWhileShown(QWidget* window);
    void releaseSound();
    void releaseRecording();
    void stopSound();
    void endProgram();
    // The model, changed only through its own operations.
    MeterModel& model() { return meter_; }

    Form1Services services_;
    std::unique_ptr<TonePlayer> silentTone_;  // stands in when no loudspeaker was given
    TonePlayer* tone_ = nullptr;
    InputHold* inputHold_ = nullptr;  // a child: watches the dialog and the Belt window
    QTimer* toneWatch_ = nullptr;     // while calibrating: notices a tone whose output died
    std::unique_ptr<BeltStore> sessionBeltStore_;  // when no store was given
    // What the meter does, the set-up and the reading; every read-out renders it.
    MeterModel meter_;

    // form1_layout.cpp
    void applyGeometry(const FormGeometry& g);
    void relayout();
    QWidget* client_ = nullptr;  // the client area, below the menu bar
    FormGeometry geometry_;

    // form1_language.cpp
    FormCalibration& ensureCalibrationDialog();
    frmAbout& ensureAboutBox();
    void closeOtherWindows();
    void applyForm1Captions();
    QPointer<FormCalibration> calibrationDialog_;
    QPointer<frmAbout> aboutBox_;

    // form1_session.cpp
    int16_t readScrollPosition(const char* key, int32_t fallback, const QScrollBar* bar);
    void readWindowGeometry();
    void writeSettings();
    bool unloaded_ = false;

    // form1_run.cpp
    // The run's cycles from a start, a stop or a re-arm.
    void runCycles();
    bool runUnderWay() const;
    MeasurementRun run_;
    int runDepth_ = 0;  // run-button handlers under way (runs nest in yields)

    // form1_calibration.cpp
    void calibrationChanged();
    bool calibrating() const;
    int16_t toneHz() const;
    void stopCalibration();
    void checkCalibrationTone();
    void calibrationToneWritten();
    CalibrationRun calibration_;

    // form1_precise.cpp: the main read-out, the Belt window, the automatic calibration.
    void createPreciseReadout();
    void placePreciseReadout();
    void applyPreciseCaptions();
    // Every read-out from the model: the main read-out and the large one.
    void showReading();
    void showPreciseReading();
    // What the meter does now, or why the last clip was refused, in the current language.
    std::string statusText() const;
    // "Not saved: <cause>" while the readings file refuses readings; empty otherwise.
    QString notSavedText() const;
    // A record of a triggered clip to the Belt window and the readings file.
    void keepReading(const MeterReading& r);
    // The clips kept between cycles are dropped; a new run also drops the precise
    // read-out's clips.
    void forgetClips(bool newRun);
    // Moves a window of the program beside this one, clear of the menu bar and read-outs.
    void placeClearOfReadouts(QWidget& window) const;
    BeltWindow* beltWindow_ = nullptr;  // a child window: lives as long as this
    PreciseMeter precise_;
    bool beltWindowPlaced_ = false;  // placed clear of the read-outs on its first showing
    // The run's previous clip when it did not fire the trigger: a pluck late in it fires
    // only the next one, and its onset lies in this.
    std::vector<uint8_t> previousClip_;
    bool toneScaleSet_ = false;  // Auto-calibrate set the scale during this calibration

    // form1_repeat.cpp: hands-free measuring and the large read-out.
    void createRepeatControls();
    void applyRepeatCaptions();
    void readRepeatSettings();
    void startNoiseLearning();
    void cancelNoiseLearning();
    void learnNoiseLine(size_t samples);
    // Judges a triggered clip in Repeat mode and takes or refuses it.
    void repeatTriggered(std::span<const uint8_t> samples, std::span<const uint8_t> previousClip);
    void rearmRun();
    // Ends a pause between plucks: nothing re-arms.
    void endPause();
    void showBigReadout();
    void showBigReadoutWindow(bool activate);
    void playCue(bool confirmation);
    PluckClassifier pluck_;
    AutoNoiseLine autoNoise_;
    QTimer* rearmTimer_ = nullptr;   // ends the pause after a trigger in Repeat mode
    QTimer* statusTimer_ = nullptr;  // ends the "not a pluck" notice
    BigReadout* bigReadout_ = nullptr;
    bool bigReadoutPlaced_ = false;  // placed clear of the read-outs on its first showing

    // form1_display.cpp
    void updateFrequencyScale();
};

}  // namespace vellora
