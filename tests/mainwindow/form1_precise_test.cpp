// The precise read-out in the main window, offscreen: synthetic plucks through the run,
// the belt's tension and the agreement of triggered readings, no clear pitch for noise,
// and the automatic calibration on a card that runs fast.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <filesystem>
#include <fstream>

#include "belt/belt_store.h"
#include "belt/belt_window.h"
#include "mainwindow/form1.h"
#include "mainwindow/picture_surface.h"
#include "support/pitch_synth.h"
#include "support/qt_application.h"
#include "wave/recorder_wave.h"

namespace vellora {
namespace {

namespace fs = std::filesystem;

std::string key(const char* section, int k) { return std::string(section) + std::to_string(k); }

struct PlayingTone : TonePlayer {
    bool playLoop(const std::string&) override { return on = true; }
    void stop() override { on = false; }
    bool playing() const override { return on; }
    SoundProblem problem() const override { return SoundProblem::None; }
    bool on = false;
};

BeltSetup timingBelt() {
    BeltSetup s;
    s.name = "Timing";
    s.mass = 110;  // g/m
    s.spanMm = 400;
    s.target = TargetKind::Frequency;
    s.targetLow = 80;
    s.targetHigh = 95;
    return s;
}

class PreciseReadout : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { ensureGuiApplication(); }
    void SetUp() override {
        dir = fs::temp_directory_path() / ("vellora_precise_" + std::to_string(::getpid()));
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    std::unique_ptr<Form1> window(CaptureFn capture, TonePlayer* tone = nullptr,
                                  const std::string& language = "English") {
        Form1Services s;
        s.text = key;
        s.capture = std::move(capture);
        s.tone = tone;
        s.showMessage = [this](const std::string& m) { messages.push_back(m); };
        s.askOkCancel = [](const std::string&) { return true; };
        s.recordingPath = (dir / "test.wav").string();
        s.toneFolder = dir;
        s.beltStore = &store;
        auto w = std::make_unique<Form1>(std::move(s));
        w->ApplyLanguage(language);  // numbers follow its decimal mark
        w->CommandRun->setText("FORM110");
        w->CommandBruit->setText("FORM17");
        w->CommandCalibrate->setText("FORM18");
        w->VScrollNiveau->setValue(262);
        return w;
    }

    void writeClip(const std::vector<uint8_t>& samples) {
        const std::vector<uint8_t> file = pcmWaveFile(samples, 22050);
        std::ofstream(dir / "test.wav", std::ios::binary)
            .write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));
    }

    // One run with the noise line at the bottom: the first clip stops it.
    static void triggeredRun(Form1& w) {
        if (!w.state.noise.ModeBruit) {
            w.CommandBruit_Click();
            w.Im_Spectre_MouseMove(0, 0, 10, float(w.Im_Spectre->scaleHeight() - 1));
            w.Im_Spectre_Click();
        }
        w.CommandRun_Click();
    }

    fs::path dir;
    MemoryBeltStore store;
    std::vector<std::string> messages;
};

TEST_F(PreciseReadout, TriggeredPlucksGiveTheFundamentalTensionAndAgreement) {
    const BeltSetup belt = timingBelt();
    saveBeltSetups(store, std::span(&belt, 1), belt.name);
    synth::Random random(7);
    double fundamental = 87.3;
    auto w = window(
        [&] {
            writeClip(synth::render(synth::randomBelt(random, fundamental, 22050), random));
            return 0;
        },
        nullptr, "Français");
    // A calibrated meter: the scale matches the rate the clips were made at.
    w->state.plot.PasFrequence = 22050.0f / 4096;

    triggeredRun(*w);
    EXPECT_FALSE(w->state.MesureEnCours);
    ASSERT_EQ(w->beltWindow().readings().readings().size(), 1u);
    const Reading first = w->beltWindow().readings().readings().back();
    EXPECT_NEAR(first.hz, fundamental, fundamental * 0.005);
    // French: a decimal comma, and no-break blanks that keep each unit with its number.
    auto french = [](double v, int decimals) {
        return QString::number(v, 'f', decimals).replace('.', ',');
    };
    EXPECT_EQ(w->TextFondamentale->text(), french(first.hz, 1) + QChar(0xA0) + "Hz");
    const Tension t = tensionOf(belt, first.hz);
    EXPECT_EQ(w->TextTension->text(),
              QString::fromUtf8("%1\u00a0N  %2\u00a0kgf  %3\u00a0lbf")
                  .arg(french(t.newtons, 0), french(t.kgf, 1), french(t.lbf, 1)));
    EXPECT_EQ(w->TextTension->property("rangeColour").toString(), "#1a7f37");
    EXPECT_FALSE(w->FramePrecise->isHidden());
    EXPECT_TRUE(messages.empty());

    triggeredRun(*w);
    triggeredRun(*w);
    EXPECT_EQ(w->TextAccord->text().toStdString(),
              w->beltWindow().captionText(BeltCaption::Confirmed));

    // A fourth pluck 10 % higher: outside the target and out of agreement.
    fundamental = 96.0;
    triggeredRun(*w);
    EXPECT_EQ(w->TextTension->property("rangeColour").toString(), "#c62828");
    EXPECT_EQ(w->TextAccord->text().toStdString(),
              w->beltWindow().captionText(BeltCaption::Disagree));
    EXPECT_EQ(w->beltWindow().readings().readings().size(), 4u);
}

TEST_F(PreciseReadout, NoiseGivesNoClearPitchAndLogsNothing) {
    synth::Random random(3);
    auto w = window([&] {
        writeClip(synth::noise(random, 40));
        return 0;
    });
    triggeredRun(*w);
    EXPECT_FALSE(w->state.MesureEnCours);
    EXPECT_EQ(w->TextFondamentale->text(), "FORM137");
    EXPECT_EQ(w->TextTension->text(), "FORM138");  // no set-up chosen
    EXPECT_TRUE(w->beltWindow().readings().readings().empty());
    EXPECT_TRUE(w->TextAccord->isHidden());
}

TEST_F(PreciseReadout, AutoCalibrationFindsTheRateOfAFastCard) {
    PlayingTone tone;
    int clips = 0;
    bool buttonShownWithTone = false;
    std::unique_ptr<Form1> w;
    // The card takes 1 % more samples per second than it claims.
    w = window(
        [&] {
            writeClip(synth::pureTone(440, 22050 * 1.01));
            if (++clips == 3) {
                buttonShownWithTone = !w->CommandAutoCalibrate->isHidden();
                w->CommandAutoCalibrate_Click();
                w->CommandRun_Click();  // stops after this clip
            }
            return 0;
        },
        &tone);
    w->state.FrequenceCal = 440;
    w->CommandCalibrate_Click();
    EXPECT_TRUE(buttonShownWithTone);
    EXPECT_TRUE(messages.empty());
    EXPECT_NE(w->HScrollCalibrate->value(), 512);
    // One slider step is 0.002 Hz per bin.
    EXPECT_NEAR(w->state.plot.PasFrequence, 22050 * 1.01 / 4096, 0.002);
    // The clip the button used was then read at the new scale.
    EXPECT_EQ(w->TextFondamentale->text(), QString::fromUtf8("440.0\u00a0Hz"));

    w->CommandCalibrate_Click();  // the tone stops
    EXPECT_TRUE(w->CommandAutoCalibrate->isHidden());

    // Nothing heard: a message, and the slider stays.
    tone.on = true;
    writeClip(std::vector<uint8_t>(8820, 128));
    const int before = w->HScrollCalibrate->value();
    w->CommandAutoCalibrate_Click();
    EXPECT_EQ(w->HScrollCalibrate->value(), before);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "FORM141");
}

TEST_F(PreciseReadout, BeltWindowHasItsOwnEntryAndShortcut) {
    auto w = window({});
    EXPECT_EQ(w->Courroie->text(), "FORM139");
    EXPECT_EQ(w->Courroie->shortcut(), QKeySequence(Qt::Key_F6));
    for (const QAction* a : w->findChildren<QAction*>()) {
        if (a == w->Courroie) continue;
        EXPECT_NE(a->shortcut(), QKeySequence(Qt::Key_F6)) << a->objectName().toStdString();
    }
    w->Courroie->trigger();
    EXPECT_TRUE(w->beltWindow().isVisible());
    EXPECT_TRUE(w->beltWindow().isWindow());
}

}  // namespace
}  // namespace vellora
