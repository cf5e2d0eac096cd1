// Hands-free measuring on the fake sound card: pink noise plays as the workshop's
// background, the automatic noise line is placed over it, then five plucks two seconds
// apart with a knock between two of them play through the loudspeaker. The sounds are
// made by sox and played by paplay, as a user's would come from outside the program.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QThread>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>

#include "audio/capture_sequence.h"
#include "audio/rtaudio_input.h"
#include "audio/rtaudio_sound_player.h"
#include "audio/wave_audio_recorder.h"
#include "belt/belt_window.h"
#include "calibration/sound_tone_player.h"
#include "mainwindow/form1.h"
#include "mainwindow/picture_surface.h"
#include "support/qt_application.h"
#include "support/recorder_test_support.h"
#include "support/sound_test_support.h"

namespace vellora {
namespace {

constexpr double kPluckHz = 110;
constexpr int kPlucks = 5;
constexpr double kPluckSpacingSeconds = 2;
// Between the third and the fourth pluck, where the meter listens again.
constexpr double kKnockSeconds = 2 * kPluckSpacingSeconds + 1.55;
// Two seconds apart leaves no room for the default two-second pause after a reading
// (the clip that caught the pluck ends up to half a second after it): one second.
constexpr int kHoldMs = 1000;
constexpr int kPatienceMs = 30000;

// "Not a pluck" keeps its place for the reason, so a failure says why.
std::string key(const char* section, int k) {
    if (std::string(section) == "FORM1" && k == 82) return "not a pluck: %1";
    return std::string(section) + std::to_string(k);
}

int run(const std::string& command) { return std::system(command.c_str()); }

class RepeatOnFakeSoundCard : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { ensureGuiApplication(); }

    void SetUp() override {
        if (!fakeSoundCardPresent())
            GTEST_SKIP() << "no fake sound card: run under scripts/with-fake-soundcard";
        if (run("command -v sox >/dev/null && command -v paplay >/dev/null") != 0)
            GTEST_SKIP() << "sox and paplay are needed";
        folder = std::make_unique<InTemporaryFolder>();
        makeSounds();
        input = std::make_unique<RtAudioInput>();
        recorder = std::make_unique<WaveAudioRecorder>(*input);
        tone = std::make_unique<SoundTonePlayer>(player);

        Form1Services s;
        s.text = key;
        s.tone = tone.get();
        s.showMessage = [this](const std::string& m) { messages.push_back(m); };
        s.capture = [this] {
            ++clips;
            if (beforeCapture) beforeCapture();
            int32_t retour = 0;
            return sendCaptureSequence(*recorder, retour);
        };
        w = std::make_unique<Form1>(std::move(s));
        w->CommandRun->setText("FORM110");
        w->CommandBruit->setText("FORM17");
        w->VScrollNiveau->setValue(262);
        w->enableMeasurementButtons();
        w->state.plot.PasFrequence = 22050.0f / 4096;  // the fake card keeps its rate
        w->show();
        QApplication::processEvents();
    }

    void TearDown() override {
        for (QProcess* p : {&background, &sequence}) {
            p->kill();
            p->waitForFinished();
        }
        if (recorder) recorder->send(closeAllCommand());
    }

    // background.wav: 40 s of quiet pink noise; plucks.wav: the five plucks (a string
    // model, dying away within a second) and the knock (40 ms of filtered noise).
    static void makeSounds() {
        ASSERT_EQ(run("sox -q -n -r 22050 -c 1 -b 16 background.wav synth 40 pinknoise vol 0.01"),
                  0);
        ASSERT_EQ(run("sox -q -n -r 22050 -c 1 -b 16 pluck.wav synth 0.8 pluck " +
                      std::to_string(kPluckHz) + " fade q 0.002 0.8 0.6 vol 0.95"),
                  0);
        ASSERT_EQ(run("sox -q -n -r 22050 -c 1 -b 16 knock.wav synth 0.04 brownnoise "
                      "lowpass 900 fade q 0.001 0.04 0.035 vol 0.9"),
                  0);
        std::string mix = "sox -q -m";
        for (int i = 0; i < kPlucks; ++i)
            mix += " \"|sox -q pluck.wav -p pad " + std::to_string(i * kPluckSpacingSeconds) + "\"";
        mix += " \"|sox -q knock.wav -p pad " + std::to_string(kKnockSeconds) + "\"";
        mix += " plucks.wav";
        ASSERT_EQ(run(mix), 0);
    }

    static bool waitFor(const std::function<bool()>& done) {
        QElapsedTimer t;
        t.start();
        while (!done() && t.elapsed() < kPatienceMs) {
            QApplication::processEvents(QEventLoop::AllEvents);
            QThread::msleep(2);
        }
        return done();
    }

    std::unique_ptr<InTemporaryFolder> folder;
    RtAudioSoundPlayer player;
    std::unique_ptr<SoundTonePlayer> tone;
    std::unique_ptr<RtAudioInput> input;
    std::unique_ptr<WaveAudioRecorder> recorder;
    std::unique_ptr<Form1> w;
    std::function<void()> beforeCapture;
    QProcess background, sequence;  // the players, ended with the test
    int clips = 0;
    std::vector<std::string> messages;
};

TEST_F(RepeatOnFakeSoundCard, NoiseLineOverPinkNoiseThenFivePlucksAndAKnock) {
    background.start("paplay", {"background.wav"});
    QThread::msleep(500);  // the stream reaches the input

    w->Repeter->setChecked(true);
    w->Repeter_Click();
    w->repeatMode().setTimes({kHoldMs, RepeatTimes{}.refusalMs});

    const int32_t H = int32_t(w->Im_Spectre->scaleHeight());
    int32_t tallest = 0;  // of the background, while the meter listened to it
    bool learning = false, playing = false, stopped = false;
    QElapsedTimer sinceSequence;
    const double sequenceSeconds = (kPlucks - 1) * kPluckSpacingSeconds + 2;
    beforeCapture = [&] {
        // The table holds the previous clip's bars.
        if (learning) {
            for (int b = 3; b <= w->state.plot.NbFrequencesAffichees; ++b)
                tallest = std::max(tallest, H - w->state.plot.TableBarres[size_t(b)].BarreY);
        }
        learning = w->learningNoiseLine();
        if (!learning && w->state.noise.ModeBruit && !playing) {
            playing = true;
            sinceSequence.start();
            sequence.start("paplay", {"plucks.wav"});
        }
        if (playing && !stopped && sinceSequence.elapsed() > sequenceSeconds * 1000) {
            stopped = true;
            w->CommandRun_Click();
        }
    };
    // The first press finds no line and listens to the background first.
    w->CommandRun_Click();
    ASSERT_TRUE(waitFor([&] { return stopped && !w->state.MesureEnCours; }))
        << "the sequence did not finish";

    ASSERT_GT(tallest, 0);
    const double lineDb = 20 * std::log10(double(H - w->state.noise.NiveauBruit) / tallest);
    RecordProperty("noise_line_db", std::to_string(lineDb));
    std::cout << "noise line " << lineDb << " dB above the background's tallest bar (" << tallest
              << " px of " << H << ")\n";
    EXPECT_GE(lineDb, 5.0);
    EXPECT_LE(lineDb, 8.0);

    int readings = 0, refused = 0;
    for (const Reading& r : w->beltWindow().readings().readings()) {
        std::cout << (r.status == ReadingStatus::Refused ? "refused " + r.why
                                                         : "reading " + std::to_string(r.hz))
                  << "\n";
        if (r.status == ReadingStatus::Refused) {
            ++refused;
            continue;
        }
        ++readings;
        EXPECT_NEAR(r.hz, kPluckHz, kPluckHz * 0.02);
    }
    EXPECT_EQ(readings, kPlucks);
    EXPECT_GE(refused, 1) << "the knock fired the line and was refused";
    EXPECT_TRUE(messages.empty());
}

}  // namespace
}  // namespace vellora
