// The window on the fake sound card: the calibration plays its tone through the real
// player, the run records it through the real recorder, and the spectrum, the
// read-out and the noise trigger see what a user would.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <chrono>
#include <cmath>
#include <ctime>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "audio/capture_sequence.h"
#include "audio/rtaudio_input.h"
#include "audio/rtaudio_sound_player.h"
#include "audio/wave_audio_recorder.h"
#include "belt/belt_window.h"
#include "calibration/sound_tone_player.h"
#include "mainwindow/form1.h"
#include "mainwindow/picture_surface.h"
#include "support/pitch_synth.h"
#include "support/qt_application.h"
#include "support/recorder_test_support.h"
#include "support/sound_test_support.h"
#include "wave/recorder_wave.h"

namespace vellora {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

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

// The script that starts and stops the fake card's server, from scripts/with-fake-soundcard.
const char* fakeServerScript() { return std::getenv("VELLORA_FAKE_SOUNDCARD_SERVER"); }
bool fakeServer(const char* command) {
    return std::system((std::string(fakeServerScript()) + " " + command).c_str()) == 0;
}

// Processor time of the whole process, every thread included.
std::chrono::duration<double> processorTime() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return std::chrono::seconds(t.tv_sec) + std::chrono::nanoseconds(t.tv_nsec);
}

void processEventsFor(std::chrono::milliseconds t) {
    QEventLoop loop;
    QTimer::singleShot(t, &loop, &QEventLoop::quit);
    loop.exec();
}

// What the window showed when the next capture began.
struct Seen {
    float peak;
    std::string readout;
};

class RunOnFakeSoundCard : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { ensureGuiApplication(); }

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

TEST_F(RunOnFakeSoundCard, AutoCalibrationOnTheDefaultToneGivesTheCardsScaleAndAPluckReadsTrue) {
    // The default 110 Hz tone lies 0.43 bin from bin 20: the whole-hertz box cannot
    // bring the scale closer than 2 %, the precise estimate can.
    w->state.FrequenceCal = 110;
    beforeCapture = [&](int cycle) {
        if (cycle == 4) w->CommandAutoCalibrate_Click();  // on clip 3
        if (cycle == 5) w->CommandRun_Click();
    };
    calibrate();
    EXPECT_TRUE(messages.empty());
    EXPECT_NEAR(w->state.plot.PasFrequence, 22050.0 / 4096, 0.002);
    w->CommandCalibrate_Click();  // the tone stops
    ASSERT_FALSE(tone->playing());

    // A belt at 131 Hz, looped as in the pitch test: every clip that gives a number
    // gives 131.0 to within 0.3 Hz.
    synth::Random random(5);
    synth::Pluck pluck = synth::randomBelt(random, 131.0, 22050);
    pluck.onsetSeconds = 0;
    pluck.decaySeconds = 0.4;
    writeBytes("pluck.wav", pcmWaveFile(synth::render(pluck, random, 22050), 22050));
    ASSERT_TRUE(player.sndPlaySound("pluck.wav", kSoundAsync | kSoundLoop));
    std::vector<double> readings;
    const int first = cycles + 1;
    beforeCapture = [&](int cycle) {
        // The first clip after the start may still hold the tone's tail.
        if (cycle > first + 1) {
            const QString t = w->TextFondamentale->text();
            // Written in the interface language, a no-break blank before the unit.
            if (t.endsWith(QChar(0xA0) + QString("Hz")))
                readings.push_back(QLocale().toDouble(t.chopped(3)));
        }
        if (cycle == first + 8) w->CommandRun_Click();
    };
    w->CommandRun_Click();
    player.sndPlaySound(nullptr, 0);
    EXPECT_GE(readings.size(), 5u);
    for (double hz : readings) EXPECT_NEAR(hz, 131.0, 0.3);
    EXPECT_TRUE(messages.empty());
}

TEST_F(RunOnFakeSoundCard, LosingTheSoundServerEndsTheRunAtOnceAndRunWorksOnceItIsBack) {
    if (!fakeServerScript()) GTEST_SKIP() << "VELLORA_FAKE_SOUNDCARD_SERVER is not set";
    // Whatever fails below, the tests after this one find the server.
    struct Revive {
        ~Revive() {
            if (!fakeSoundCardPresent()) fakeServer("start");
        }
    } revive;
    Clock::time_point killedAt;
    std::filesystem::file_time_type killedOnDisk;
    std::thread killer;
    beforeCapture = [&](int cycle) {
        if (cycle == 12) w->CommandRun_Click();  // the loss went unnoticed: end the test
        if (cycle != 3) return;
        // While the third clip records.
        killer = std::thread([&] {
            std::this_thread::sleep_for(150ms);
            killedOnDisk = std::filesystem::file_time_type::clock::now();
            killedAt = Clock::now();
            EXPECT_TRUE(fakeServer("stop"));
        });
    };
    calibrate();
    const Clock::time_point runEnded = Clock::now();
    killer.join();

    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "FORM130 (276)\nFORM149");
    EXPECT_LT(runEnded - killedAt, 3s);
    EXPECT_FALSE(w->state.MesureEnCours);
    EXPECT_EQ(cycles, 3);
    const bool clipAfterKill = std::filesystem::exists("test.wav") &&
                               std::filesystem::last_write_time("test.wav") >= killedOnDisk;
    EXPECT_FALSE(clipAfterKill);
    EXPECT_EQ(w->state.plot.IndicePic, float(kToneBin));  // the failed cycle voted for nothing

    // Idle: neither the input's thread nor the tone's spins; the tone's loss is told.
    const auto busyBefore = processorTime();
    processEventsFor(1500ms);
    EXPECT_LT(processorTime() - busyBefore, 0.3s);
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[1], "FORM148");
    EXPECT_FALSE(tone->playing());

    // The server comes back: the next calibration plays and the run reads again.
    ASSERT_TRUE(fakeServer("start"));
    w->CommandCalibrate_Click();  // stops the calibration the tone left
    const int restart = cycles;
    seen.clear();
    beforeCapture = [&](int cycle) {
        if (cycle == restart + 5) w->CommandRun_Click();
    };
    calibrate();
    EXPECT_EQ(messages.size(), 2u);
    EXPECT_EQ(cycles, restart + 5);
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back().readout, kToneReadout);
}

// A stiff belt looped through the loudspeaker: the precise read-out gives its first mode
// and the tension of its set-up from the measured stiffness, T = 4 m L^2 f0^2 with
// f0 = 140 / sqrt(1.005) = 139.652 Hz: 4 * 0.110 * 0.42^2 * 139.652^2 = 1513.7 N.
TEST_F(RunOnFakeSoundCard, AStiffPluckReadsItsFirstModeAndTensionFromItsStiffness) {
    constexpr double kFirstMode = 140, kNewtons = 1513.7, kTolerance = 0.005;
    synth::Random random(5);
    synth::StiffPluck pluck;
    pluck.firstModeHz = kFirstMode;
    pluck.inharmonicity = 0.005;
    pluck.decaySeconds = 0.5;
    pluck.snrDb = 30;
    pluck.samples = 22050;  // looped every second: each clip holds a decay or a new pluck
    writeBytes("pluck.wav", pcmWaveFile(synth::render(pluck, random), 22050));

    BeltWindow& belt = w->beltWindow();
    belt.edit(BeltField::Name)->setText("Cam belt");
    belt.edit(BeltField::Mass)->setText("110");
    belt.edit(BeltField::Span)->setText("420");
    belt.measuredStiffness->setChecked(true);
    belt.keepButton->click();
    ASSERT_TRUE(belt.selectedSetup());
    w->state.plot.PasFrequence = 22050.0f / 4096;  // the fake card is exact

    struct Shown {
        QString hz, tension, stiffness;
    };
    std::vector<Shown> shown;
    beforeCapture = [&](int cycle) {
        if (cycle > 2)
            shown.push_back(
                {w->TextFondamentale->text(), w->TextTension->text(), w->TextStiffness->text()});
        if (cycle == 10) w->CommandRun_Click();
    };
    // A player of its own: the window takes what the tone's player plays for the tone.
    RtAudioSoundPlayer loudspeaker;
    ASSERT_TRUE(loudspeaker.sndPlaySound("pluck.wav", kSoundAsync | kSoundLoop));
    w->CommandRun_Click();
    loudspeaker.sndPlaySound(nullptr, 0);

    int read = 0;
    for (const Shown& s : shown) {
        // A clip on the quiet tail of the loop may rightly give no clear pitch; every
        // number shown must be right, and most clips must give one.
        bool ok = false;
        // Numbers in the interface language, a no-break blank before each unit.
        const double hz = QLocale().toDouble(s.hz.section(QChar(0xA0), 0, 0), &ok);
        if (!ok) continue;
        ++read;
        EXPECT_NEAR(hz, kFirstMode, kTolerance * kFirstMode);
        // The factor 1 would give 1521.3 N: the read-out tells the two apart.
        EXPECT_NEAR(QLocale().toDouble(s.tension.section(QChar(0xA0), 0, 0)), kNewtons, 3);
        EXPECT_TRUE(s.stiffness.startsWith("FORM1102")) << s.stiffness.toStdString();
    }
    EXPECT_GE(read, int(shown.size()) - 2);
}

}  // namespace
}  // namespace vellora
