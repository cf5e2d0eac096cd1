// The window on the fake sound card: the calibration plays its tone through the real
// player, the run records it through the real recorder, and the spectrum, the
// read-out and the noise trigger see what a user would.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "calibration/sound_tone_player.h"
#include "mainwindow/form1.h"
#include "mainwindow/picture_surface.h"
#include "audio/capture_sequence.h"
#include "audio/rtaudio_input.h"
#include "audio/rtaudio_sound_player.h"
#include "audio/wave_audio_recorder.h"
#include "support/recorder_test_support.h"
#include "support/sound_test_support.h"
#include "support/qt_application.h"

namespace vellora {
namespace {

constexpr int16_t kToneHz = 440;
constexpr int kToneBin = 82;               // 440 / (22050 / 4096) = 81.7
const std::string kToneReadout = "444Hz";  // 82 x 5.4171
// The first clip may open before the tone reaches the input, and the vote of depth 5
// keeps the first peak ahead for one more cycle; from then on every cycle must agree.
constexpr int kSettlingCycles = 2;
constexpr int32_t kClipBytes = 44 + 8820;  // header and 400 ms of 8-bit mono at 22050 Hz
// Gain 4: the tone's bar (magnitude about 50) stands well inside the picture.
constexpr int kLowGainPosition = 508;
// The line sits this fraction of the tone's bar height above or below its top.
constexpr double kLineMargin = 0.25;

std::string key(const char* section, int k) { return std::string(section) + std::to_string(k); }

// What the window showed when the next capture began.
struct Seen {
    float peak;
    std::string readout;
};

class RunOnFakeSoundCard : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        ensureGuiApplication();
    }

    void SetUp() override {
        if (!fakeSoundCardPresent())
            GTEST_SKIP() << "no fake sound card: run under scripts/with-fake-soundcard";
        folder = std::make_unique<InTemporaryFolder>();
        input = std::make_unique<RtAudioInput>();
        recorder = std::make_unique<WaveAudioRecorder>(*input);
        tone = std::make_unique<SoundTonePlayer>(player);

        Form1Services s;
        s.text = key;
        s.tone = tone.get();
        s.askOkCancel = [](const std::string&) { return true; };
        s.showMessage = [this](const std::string& m) { messages.push_back(m); };
        s.capture = [this] {
            if (cycles > 0) seen.push_back({w->state.plot.IndicePic, text(w->TextCalibrate)});
            ++cycles;
            if (beforeCapture) beforeCapture(cycles);
            int32_t retour = 0;
            return sendCaptureSequence(*recorder, retour);
        };
        w = std::make_unique<Form1>(std::move(s));
        w->CommandRun->setText("FORM110");
        w->CommandAnalyse->setText("FORM16");
        w->CommandBruit->setText("FORM17");
        w->CommandCalibrate->setText("FORM18");
        w->VScrollNiveau->setValue(262);
        w->state.FrequenceCal = kToneHz;
        w->show();
        QApplication::processEvents();
    }

    void TearDown() override {
        if (tone) tone->stop();
        if (recorder) recorder->send(closeAllCommand());
    }

    static std::string text(const QLineEdit* box) { return box->text().toStdString(); }

    // Confirms the calibration question: the tone starts and a run listens to it until
    // the run ends.
    void calibrate() { w->CommandCalibrate_Click(); }

    float barTop(int bin) const { return float(w->state.plot.TableBarres[bin].BarreY); }
    float spectrumHeight() const { return w->Im_Spectre->scaleHeight(); }

    QColor spectrumPixel(float x, float y) {
        const QPointF p = w->Im_Spectre->toPixels({x, y});
        return w->Im_Spectre->image().pixelColor(int(std::floor(p.x())), int(std::floor(p.y())));
    }

    std::unique_ptr<InTemporaryFolder> folder;
    RtAudioSoundPlayer player;
    std::unique_ptr<SoundTonePlayer> tone;
    std::unique_ptr<RtAudioInput> input;
    std::unique_ptr<WaveAudioRecorder> recorder;
    std::unique_ptr<Form1> w;
    std::function<void(int cycle)> beforeCapture;
    int cycles = 0;
    std::vector<Seen> seen;  // seen[k]: the window after cycle k + 1
    std::vector<std::string> messages;
};

TEST_F(RunOnFakeSoundCard, ToneReadsInItsBinAndStopsOnTheNoiseLineOnlyOnceFixedOrOnAPress) {
    // Cycles 1-2 at the low gain; at 3 the line is fixed above the peak, so nothing
    // fires; at 6 it is placed again below the peak and follows the mouse (no trigger
    // while placing); at 8 the click fixes it and that very cycle stops the run.
    constexpr int kFixAbove = 3, kPlaceBelow = 6, kFixBelow = 8;
    auto placeLine = [this](double fractionBelowTop) {
        const double top = barTop(kToneBin);
        const double y = top + fractionBelowTop * (spectrumHeight() - top);
        w->Im_Spectre_MouseMove(0, 0, 500.0f, float(y));
    };
    beforeCapture = [&](int cycle) {
        if (cycle == 1) w->VScrollNiveau->setValue(kLowGainPosition);
        if (cycle == kFixAbove) {
            ASSERT_GT(barTop(kToneBin), spectrumHeight() * kLineMargin) << "bar too tall";
            w->CommandBruit_Click();
            placeLine(-kLineMargin);
            w->Im_Spectre_Click();
        }
        if (cycle == kPlaceBelow) {
            w->CommandBruit_Click();  // armed -> off
            w->CommandBruit_Click();  // off -> placing
            placeLine(kLineMargin);
        }
        if (cycle == kFixBelow) w->Im_Spectre_Click();
        if (cycle > kFixBelow + 2) w->CommandRun_Click();  // the trigger failed: end the test
    };
    calibrate();

    EXPECT_EQ(cycles, kFixBelow);
    ASSERT_EQ(seen.size(), size_t(kFixBelow - 1));
    for (size_t k = kSettlingCycles; k < seen.size(); ++k) {
        EXPECT_EQ(seen[k].peak, float(kToneBin)) << "after cycle " << k + 1;
        EXPECT_EQ(seen[k].readout, kToneReadout) << "after cycle " << k + 1;
    }
    EXPECT_FALSE(w->state.MesureEnCours);
    EXPECT_EQ(w->state.Retour, kClipBytes - 43);
    EXPECT_EQ(w->CommandRun->text(), "FORM110");
    EXPECT_EQ(w->CommandBruit->text(), "FORM125");
    EXPECT_FALSE(w->TextEchantillon->isEnabled());
    EXPECT_EQ(text(w->TextCalibrate), kToneReadout);
    EXPECT_TRUE(messages.empty());

    // The spectrum stays: the peak marker is red at the foot of bar 82, the bar beside
    // it keeps its blue-green colour, and the fixed line crosses the whole picture.
    const int16_t pen = w->Im_Spectre->drawWidth();
    EXPECT_EQ(spectrumPixel(float(pen * kToneBin), spectrumHeight() - 1), QColor(255, 0, 0));
    const QColor neighbour = spectrumPixel(float(pen * (kToneBin + 1)), spectrumHeight() - 1);
    EXPECT_EQ(neighbour.red(), 0);
    EXPECT_GT(neighbour.blue(), 0);
    const float line = float(w->state.noise.NiveauBruit);
    EXPECT_GT(line, barTop(kToneBin));
    EXPECT_EQ(spectrumPixel(1000.0f, line), QColor(255, 0, 0));
    EXPECT_EQ(spectrumPixel(float(pen * kToneBin), line), QColor(255, 0, 0));

    // Disarmed, a press during a cycle lets that cycle finish and no other.
    w->CommandBruit_Click();
    const int pressAt = cycles + 3;
    beforeCapture = [&](int cycle) {
        if (cycle == pressAt) w->CommandRun_Click();
    };
    w->CommandRun_Click();
    EXPECT_EQ(cycles, pressAt);
    EXPECT_FALSE(w->state.MesureEnCours);
    EXPECT_TRUE(w->TextEchantillon->isEnabled());
    EXPECT_EQ(w->state.plot.IndicePic, float(kToneBin));

    // The second press of the calibration button silences the tone.
    EXPECT_TRUE(tone->playing());
    w->CommandCalibrate_Click();
    EXPECT_FALSE(tone->playing());
    EXPECT_EQ(w->CommandCalibrate->text(), "FORM18");
}

TEST_F(RunOnFakeSoundCard, FineCorrectionBringsTheScaleToTheCardsRate) {
    // Once the tone reads steadily, the user moves the slider until the read-out shows
    // the tone's frequency; the middle of the positions that do gives the scale.
    std::vector<int> reading;
    beforeCapture = [&](int cycle) {
        if (cycle != 4) return;
        for (int v = w->HScrollCalibrate->minimum(); v <= w->HScrollCalibrate->maximum(); ++v) {
            w->HScrollCalibrate->setValue(v);
            if (text(w->TextCalibrate) == "440Hz") reading.push_back(v);
        }
        if (!reading.empty()) w->HScrollCalibrate->setValue(reading[reading.size() / 2]);
        w->CommandRun_Click();
    };
    calibrate();

    ASSERT_FALSE(reading.empty());
    EXPECT_EQ(w->state.plot.IndicePic, float(kToneBin));
    // The tone lies 0.3 bin below bin 82, so the strongest bin can only bring the scale
    // within that fraction of a bin of the card's 22050 / 4096.
    EXPECT_NEAR(w->state.plot.PasFrequence, 22050.0 / 4096.0, 0.3 * 22050.0 / 4096.0 / 82 + 0.01);
    EXPECT_EQ(text(w->TextCalibrate), "440Hz");
}

}  // namespace
}  // namespace vellora
