// The main window's calibration and its failures, offscreen with fakes: the tone that
// plays is the tone quoted and measured against, the automatic calibration refuses
// another sound, a calibration goes on without a loudspeaker, each failure is named,
// and the agreement line belongs to the chosen set-up's triggered readings.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

#include "audio/recorder_result.h"
#include "belt/belt_store.h"
#include "belt/belt_window.h"
#include "calibration/calibration_tone.h"
#include "mainwindow/form1.h"
#include "mainwindow/picture_surface.h"
#include "support/pitch_synth.h"
#include "support/qt_application.h"
#include "wave/recorder_wave.h"

namespace vellora {
namespace {

namespace fs = std::filesystem;

constexpr double kExactPas = 22050.0 / 4096;
constexpr double kSliderStep = 0.002;  // hertz per bin for one position of the slider

// A loudspeaker that keeps the bytes of every file it was asked to loop.
struct RecordingTone : TonePlayer {
    std::vector<std::vector<uint8_t>> played;
    bool on = false;
    bool playLoop(const std::string& file) override {
        std::ifstream in(file, std::ios::binary);
        played.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        return on = true;
    }
    void stop() override { on = false; }
    bool playing() const override { return on; }
    SoundProblem problem() const override { return SoundProblem::None; }
};

std::vector<uint8_t> toneBytes(int16_t hz) {
    const ToneFile t = calibrationToneBytes(hz);
    return {t.begin(), t.end()};
}

BeltSetup belt(const char* name) {
    BeltSetup s;
    s.name = name;
    s.mass = 110;
    s.spanMm = 400;
    return s;
}

class CalibrationWindowTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { ensureGuiApplication(); }
    void SetUp() override {
        dir = fs::temp_directory_path() / ("vellora_form1cal_" + std::to_string(::getpid()));
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    // Captions are the language's first two letters, section and key; the texts that
    // take values show where they go.
    std::string text(const char* section, int key) const {
        std::string t = language.substr(0, 2) + section + std::to_string(key);
        if (std::string(section) == "FORM1" && key >= 43) t += " [%1|%2]";
        return t;
    }

    // Started as the program starts it, with `clip` making each recording.
    std::unique_ptr<Form1> started(std::function<int32_t(int clip)> clip,
                                   TonePlayer* tone = nullptr) {
        Form1Services s;
        s.text = [this](const char* section, int key) { return text(section, key); };
        s.setLanguage = [this](const std::string& name) { language = name; };
        s.readInt = [this](const char* section, const char* key, int32_t fallback) {
            auto it = stored.find(std::string(section) + "/" + key);
            return it == stored.end() ? fallback : std::stoi(it->second);
        };
        s.writeString = [this](const char* section, const char* key, const std::string& v) {
            stored[std::string(section) + "/" + key] = v;
            return true;
        };
        s.capture = [this, clip] { return clip(++clips); };
        s.tone = tone;
        s.showMessage = [this](const std::string& m) { messages.push_back(m); };
        s.askOkCancel = [this](const std::string& q) {
            questions.push_back(q);
            return true;
        };
        s.recordingPath = (dir / "test.wav").string();
        s.toneFolder = dir;
        s.beltStore = &belts;
        auto w = std::make_unique<Form1>(std::move(s));
        w->Form_Load();
        return w;
    }

    void writeClip(const std::vector<uint8_t>& samples) {
        const std::vector<uint8_t> file = pcmWaveFile(samples, 22050);
        std::ofstream(dir / "test.wav", std::ios::binary)
            .write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));
    }

    fs::path dir;
    std::string language = "Français";
    std::map<std::string, std::string> stored;
    MemoryBeltStore belts;
    int clips = 0;
    std::vector<std::string> messages, questions;
};

TEST_F(CalibrationWindowTest, AfterTheDialogsSecondButtonAndARestartTheQuotedToneIsTheOneMeasured) {
    // OK wrote the 800 Hz tone; the second button then stored 740 without writing its
    // tone; the program starts again.
    std::ofstream(dir / kCalibrationToneFile, std::ios::binary)
        .write(reinterpret_cast<const char*>(toneBytes(800).data()), kToneFileSize);
    stored["SETTINGS/Calibration"] = "740";
    RecordingTone tone;
    std::unique_ptr<Form1> w;
    w = started(
        [&](int clip) {
            // What the microphone hears: the tone that plays, on an exact card.
            writeClip(synth::pureTone(740, 22050));
            if (clip == 2) {
                w->CommandAutoCalibrate_Click();
                w->CommandRun_Click();
            }
            return 0;
        },
        &tone);
    w->CommandCalibrate_Click();
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_NE(questions[0].find("740"), std::string::npos);
    ASSERT_EQ(tone.played.size(), 1u);
    EXPECT_EQ(tone.played[0], toneBytes(740));
    EXPECT_TRUE(messages.empty());
    EXPECT_NEAR(w->state.plot.PasFrequence, kExactPas, kSliderStep);
    // French: a decimal comma, and a no-break blank before the unit.
    EXPECT_EQ(w->TextFondamentale->text(), QString::fromUtf8("740,0\u00a0Hz"));
    // While calibrating the read-out names the tone and how to reach it.
    EXPECT_EQ(w->LabelFondamentale->text(), "FrFORM144 [740|%2]");
    EXPECT_EQ(w->TextTension->text(), "FrFORM145 [740,0|%2]");
}

TEST_F(CalibrationWindowTest, OkInTheDialogDuringACalibrationPlaysAndMeasuresTheNewTone) {
    RecordingTone tone;
    int heard = 440;
    std::unique_ptr<Form1> w;
    w = started(
        [&](int clip) {
            writeClip(synth::pureTone(heard, 22050));
            if (clip == 2) {
                w->ChoixFrequence_Click();
                w->calibrationDialog()->HScrollCalibration->setValue(880);
                w->calibrationDialog()->CommandOK->click();
                heard = 880;
            }
            if (clip == 4) {
                w->CommandAutoCalibrate_Click();
                w->CommandRun_Click();
            }
            return 0;
        },
        &tone);
    w->state.FrequenceCal = 440;
    w->CommandCalibrate_Click();
    ASSERT_EQ(tone.played.size(), 2u);
    EXPECT_EQ(tone.played[0], toneBytes(440));
    EXPECT_EQ(tone.played[1], toneBytes(880));
    EXPECT_TRUE(tone.on);
    EXPECT_EQ(w->state.FrequenceCal, 880);
    EXPECT_TRUE(messages.empty());
    EXPECT_NEAR(w->state.plot.PasFrequence, kExactPas, kSliderStep);
    EXPECT_EQ(w->TextFondamentale->text(), QString::fromUtf8("880,0\u00a0Hz"));
}

TEST_F(CalibrationWindowTest, AutoCalibrationRefusesASoundSevenPerCentAwayAndKeepsTheScale) {
    RecordingTone tone;
    std::unique_ptr<Form1> w;
    w = started(
        [&](int) {
            writeClip(synth::pureTone(440 * 1.07, 22050));
            w->CommandRun_Click();
            return 0;
        },
        &tone);
    w->state.FrequenceCal = 440;
    w->CommandCalibrate_Click();
    const int slider = w->HScrollCalibrate->value();
    const float pas = w->state.plot.PasFrequence;
    w->CommandAutoCalibrate_Click();
    ASSERT_EQ(messages.size(), 1u);
    // 440 x 1.07 = 470.8 Hz heard.
    EXPECT_EQ(messages[0], "FrFORM143 [470,8|440]");
    EXPECT_EQ(w->HScrollCalibrate->value(), slider);
    EXPECT_EQ(w->state.plot.PasFrequence, pas);

    // 2 % away is a card's rate, not another sound.
    writeClip(synth::pureTone(440 * 1.02, 22050));
    w->CommandAutoCalibrate_Click();
    EXPECT_EQ(messages.size(), 1u);
    EXPECT_NEAR(w->state.plot.PasFrequence, kExactPas / 1.02, kSliderStep);
}

TEST_F(CalibrationWindowTest, WithoutALoudspeakerTheCalibrationStartsForAToneFromElsewhere) {
    std::unique_ptr<Form1> w;
    w = started([&](int clip) {
        writeClip(synth::pureTone(440 * 1.01, 22050));  // a tuning fork on a slow card
        if (clip == 2) {
            w->CommandAutoCalibrate_Click();
            w->CommandRun_Click();
        }
        return 0;
    });
    w->state.FrequenceCal = 440;
    w->CommandCalibrate_Click();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "FrFORM133\nFrFORM147 [440|%2]");
    EXPECT_EQ(clips, 2);
    EXPECT_TRUE(w->CommandRun->isEnabled());
    EXPECT_TRUE(w->CommandBruit->isEnabled());
    EXPECT_TRUE(w->HScrollCalibrate->isEnabled());
    EXPECT_FALSE(w->CommandAutoCalibrate->isHidden());
    EXPECT_NEAR(w->state.plot.PasFrequence, kExactPas / 1.01, kSliderStep);
    EXPECT_EQ(w->CommandCalibrate->text(), "FrFORM124");
    w->CommandCalibrate_Click();
    EXPECT_EQ(w->CommandCalibrate->text(), "FrFORM18");
    EXPECT_TRUE(w->CommandAutoCalibrate->isHidden());
}

TEST_F(CalibrationWindowTest, EachCaptureFailureIsNamedAndTheFailedCycleShowsNothing) {
    struct Case {
        int32_t code;
        std::string message;
    };
    const std::string clip = fs::absolute(dir / "test.wav").lexically_normal().string();
    const Case cases[] = {
        {kFileNotWritten, "FrFORM150 [" + clip + "|%2] (286)"},
        {kNoAudioInTime, "FrFORM130 (276)\nFrFORM149 [%1|%2]"},
        {kNoInputDevice, "FrFORM130 (266)"},
    };
    for (const Case& c : cases) {
        messages.clear();
        clips = 0;
        std::unique_ptr<Form1> w = started([&](int n) {
            if (n == 2) return c.code;
            writeClip(synth::pureTone(440, 22050));
            return 0;
        });
        w->state.PremiereCalibration = false;
        w->enableMeasurementButtons();
        w->CommandRun_Click();
        EXPECT_EQ(clips, 2) << c.code;
        EXPECT_EQ(messages, std::vector<std::string>{c.message}) << c.code;
        // The second cycle neither voted nor wrote: the first cycle's 82nd bin stays.
        EXPECT_EQ(w->TextCalibrate->text(), "444Hz") << c.code;
        EXPECT_EQ(w->state.plot.IndicePic, 82.0f) << c.code;
        EXPECT_EQ(w->state.Retour, c.code);
    }
}

TEST_F(CalibrationWindowTest, TheAgreementLineBelongsToTheSetUpsTriggeredReadingsInItsLanguage) {
    const BeltSetup two[] = {belt("Cam"), belt("Pump")};
    saveBeltSetups(belts, two, "Cam");
    bool pressStop = false;
    std::unique_ptr<Form1> w;
    w = started([&](int clip) {
        writeClip(synth::pureTone(95, 22050));
        if (pressStop || clip > 20) w->CommandRun_Click();
        return 0;
    });
    w->enableMeasurementButtons();
    w->state.PremiereCalibration = false;
    w->state.plot.PasFrequence = float(kExactPas);
    // Noise line at the bottom: each run stops on its first clip.
    auto arm = [&] {
        w->CommandBruit_Click();
        w->Im_Spectre_MouseMove(0, 0, 10, float(w->Im_Spectre->scaleHeight() - 1));
        w->Im_Spectre_Click();
    };
    arm();
    for (int i = 0; i < 3; ++i) w->CommandRun_Click();
    EXPECT_FALSE(w->TextAccord->isHidden());
    EXPECT_EQ(w->TextAccord->text(), "FrBELT28");

    // A free-running cycle is no triggered reading.
    w->CommandBruit_Click();  // disarmed
    pressStop = true;
    w->CommandRun_Click();
    EXPECT_TRUE(w->TextAccord->isHidden());

    // Three more triggered readings confirm again; a language switch words both lines
    // again.
    pressStop = false;
    arm();
    for (int i = 0; i < 3; ++i) w->CommandRun_Click();
    EXPECT_EQ(clips, 7);
    EXPECT_FALSE(w->TextAccord->isHidden());
    w->Anglais_Click();
    EXPECT_EQ(w->TextAccord->text(), "EnBELT28");
    EXPECT_EQ(w->beltWindow().agreementLabel->text(), "EnBELT28");
    EXPECT_TRUE(w->beltWindow().lastReadingLabel->text().startsWith("EnBELT46: 95.0 Hz"))
        << w->beltWindow().lastReadingLabel->text().toStdString();

    // Another set-up clears it.
    w->beltWindow().setupList->setCurrentRow(1);
    EXPECT_TRUE(w->TextAccord->isHidden());
    EXPECT_EQ(w->beltWindow().agreementLabel->text(), "EnBELT30");
    w->Francais_Click();
    EXPECT_TRUE(w->TextAccord->isHidden());
    EXPECT_EQ(w->beltWindow().agreementLabel->text(), "FrBELT30");
}

}  // namespace
}  // namespace vellora
