#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>

#include "mainwindow/form1.h"
#include "platform/recorder_wave.h"

namespace vellora {
namespace {

// The settings file as the window sees it: one key per call, writes in order.
struct FakeSettings {
    std::map<std::string, std::string> values;  // "SECTION/key"
    std::vector<std::string> writes;
    std::string language;
    std::vector<std::string> helpOpened;
    bool helpExists = true;
    int ended = 0;

    Form1Services services() {
        Form1Services s;
        s.readInt = [this](const char* section, const char* key, int32_t fallback) {
            auto it = values.find(std::string(section) + "/" + key);
            return it == values.end() ? fallback
                                      : int32_t(std::strtol(it->second.c_str(), nullptr, 10));
        };
        s.readString = [this](const char* section, const char* key, const std::string& fallback,
                              int) {
            auto it = values.find(std::string(section) + "/" + key);
            return it == values.end() ? fallback : it->second;
        };
        s.writeString = [this](const char* section, const char* key, const std::string& v) {
            writes.push_back(std::string(section) + "/" + key);
            values[std::string(section) + "/" + key] = v;
            return true;
        };
        s.setLanguage = [this](const std::string& name) { language = name; };
        s.languageFilePath = [this] { return "/opt/vellora/" + language + ".lng"; };
        s.text = [this](const char* section, int key) {
            return language == "none" ? std::string("Err!!")
                                      : language.substr(0, 2) + section + std::to_string(key);
        };
        s.showHelp = [this](const std::string& f) {
            helpOpened.push_back(f);
            return helpExists;
        };
        s.showMessage = [this](const std::string& m) { messages.push_back(m); };
        s.endProgram = [this] { ++ended; };
        return s;
    }
    std::vector<std::string> messages;
};

class Session : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "test";
        static char* argv[] = {name};
        if (!QApplication::instance()) new QApplication(argc, argv);
    }
    std::unique_ptr<Form1> started() {
        auto w = std::make_unique<Form1>(settings.services());
        w->Form_Load();
        return w;
    }
    FakeSettings settings;
};

TEST_F(Session, StartsWithTheDefaultsWithoutASettingsFile) {
    auto w = started();
    EXPECT_EQ(w->state.plot.Amplification, 266);
    EXPECT_EQ(w->state.plot.NbFrequencesAffichees, 1024);
    EXPECT_EQ(w->state.plot.PasFrequence, 5.4171f);
    EXPECT_EQ(w->state.FrequenceCal, 110);
    EXPECT_EQ(w->HScrollCalibrate->value(), 512);
    EXPECT_EQ(w->VScrollNiveau->value(), 246);
    EXPECT_EQ(w->TextEchantillon->text(), "5");
    EXPECT_EQ(settings.language, "Français");
    EXPECT_EQ(w->CommandRun->text(), "FrFORM110");
    EXPECT_EQ(w->windowTitle(), "FrFORM11");
    EXPECT_EQ(w->TextCalibrate->text(), "FrFORM120");
    EXPECT_FALSE(w->CommandRun->isEnabled());
    // The about box and the frequency dialog exist, hidden, with their texts.
    ASSERT_NE(w->aboutBox(), nullptr);
    ASSERT_NE(w->calibrationDialog(), nullptr);
    EXPECT_FALSE(w->aboutBox()->isVisible());
    EXPECT_FALSE(w->calibrationDialog()->isVisible());
    EXPECT_EQ(w->aboutBox()->windowTitle(), "FrABOUT1Vellora");
    EXPECT_EQ(w->calibrationDialog()->windowTitle(), "FrCALIBRATION1");
}

TEST_F(Session, StoredBarsSetGainAndScaleAndOutOfRangeValuesAreReplaced) {
    settings.values = {{"SETTINGS/Niveau", "263"},
                       {"SETTINGS/Amplification", "300"},
                       {"SETTINGS/Ajustement", "1024"}};
    auto stored = started();
    EXPECT_EQ(stored->state.plot.Amplification, 249);  // 512 - 263: the bar wins
    EXPECT_FLOAT_EQ(stored->state.plot.PasFrequence, 6.4411f);

    settings.values = {{"SETTINGS/Niveau", "0"},
                       {"SETTINGS/Ajustement", "70000"},
                       {"SETTINGS/NbFrequencesAffichees", "5000"},
                       {"SETTINGS/Calibration", "-40000"},
                       {"SETTINGS/Amplification", "40000"}};
    auto w = started();
    EXPECT_EQ(w->VScrollNiveau->value(), 20);
    EXPECT_EQ(w->state.plot.Amplification, 492);
    EXPECT_EQ(w->HScrollCalibrate->value(), 512);
    EXPECT_EQ(w->state.plot.NbFrequencesAffichees, 2048);
    EXPECT_EQ(w->HScrollFrequence->value(), 2048);
    EXPECT_EQ(w->state.FrequenceCal, 110);
    // What closing writes back is what was used.
    w->close();
    EXPECT_EQ(settings.values["SETTINGS/Niveau"], "20");
    EXPECT_EQ(settings.values["SETTINGS/NbFrequencesAffichees"], "2048");
}

TEST_F(Session, ClosingWritesTheSettingsInOrderAndEndsTheProgram) {
    auto w = started();
    settings.writes.clear();
    w->TextEchantillon->setText("abc");
    w->close();
    const std::vector<std::string> order = {
        "POSITIONS/Left",         "POSITIONS/Top",          "POSITIONS/Height",
        "POSITIONS/Width",        "SETTINGS/Amplification", "SETTINGS/NbFrequencesAffichees",
        "SETTINGS/Ajustement",    "SETTINGS/Niveau",        "SETTINGS/NiveauBruit",
        "SETTINGS/NbEchantillons"};
    EXPECT_EQ(settings.writes, order);
    EXPECT_EQ(settings.values["SETTINGS/NbEchantillons"], "abc");
    EXPECT_EQ(settings.values["SETTINGS/Niveau"], "246");
    EXPECT_EQ(settings.ended, 1);
    // The dialog went without storing its position.
    EXPECT_EQ(settings.values.count("POSITIONS/CalLeft"), 0u);
    EXPECT_EQ(w->calibrationDialog(), nullptr);

    // A restart restores the size the window had.
    const QSize size = w->size();
    auto again = started();
    EXPECT_NEAR(again->width(), size.width(), 1);
    EXPECT_NEAR(again->height(), size.height(), 1);
}

TEST_F(Session, ExitDuringARunEndsItAndStillWritesTheSettings) {
    Form1* raw = nullptr;
    int cycles = 0;
    Form1Services s = settings.services();
    const auto recording = std::filesystem::temp_directory_path() / "vellora_session_test.wav";
    const std::vector<uint8_t> silence = pcmWaveFile(std::vector<uint8_t>(8820, 128), 22050);
    std::ofstream(recording, std::ios::binary)
        .write(reinterpret_cast<const char*>(silence.data()), std::streamsize(silence.size()));
    s.recordingPath = recording.string();
    s.capture = [&] {
        if (++cycles == 2) raw->CommandExit_Click();
        return 0;
    };
    Form1 w(std::move(s));
    raw = &w;
    w.Form_Load();
    w.CommandRun_Click();
    EXPECT_EQ(cycles, 2);
    EXPECT_FALSE(w.state.MesureEnCours);
    EXPECT_EQ(settings.ended, 1);
    EXPECT_EQ(settings.writes.size(), 10u);
    std::filesystem::remove(recording);
}

TEST_F(Session, LanguageSwitchResetsTheTwoStateButtonsAndMovesTheMarks) {
    auto w = started();
    settings.values["SETTINGS/Langue"] = "Français";
    w->CommandAnalyse_Click();
    EXPECT_EQ(w->CommandAnalyse->text(), "FrFORM122");
    w->Anglais->trigger();
    EXPECT_EQ(settings.values["SETTINGS/Langue"], "English");
    EXPECT_EQ(w->CommandAnalyse->text(), "EnFORM16");
    EXPECT_TRUE(w->Anglais->isChecked());
    EXPECT_FALSE(w->Francais->isChecked());
    // The button is back in its first state as far as its handler can tell.
    w->CommandAnalyse_Click();
    EXPECT_EQ(w->CommandAnalyse->text(), "EnFORM122");

    // A closed about box is created again, hidden, with the current texts.
    w->APropo_Click();
    w->aboutBox()->close();
    QApplication::processEvents();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(w->aboutBox(), nullptr);
    w->Francais->trigger();
    ASSERT_NE(w->aboutBox(), nullptr);
    EXPECT_FALSE(w->aboutBox()->isVisible());
    EXPECT_EQ(w->aboutBox()->windowTitle(), "FrABOUT1Vellora");
}

TEST_F(Session, AStartInEnglishKeepsTheDesignMarksAndNoLanguageFileShowsErr) {
    settings.values["SETTINGS/Langue"] = "English";
    auto english = started();
    EXPECT_EQ(english->CommandExit->text(), "EnFORM19");
    EXPECT_TRUE(english->Francais->isChecked());
    EXPECT_FALSE(english->Anglais->isChecked());

    settings.values["SETTINGS/Langue"] = "none";
    auto w = started();
    EXPECT_EQ(w->CommandRun->text(), "Err!!");
    EXPECT_EQ(w->aboutBox()->windowTitle(), "Err!!Vellora");
    w->Anglais->trigger();  // the menu still works
    EXPECT_EQ(w->CommandRun->text(), "EnFORM110");
}

TEST_F(Session, HelpFollowsTheLanguageFileAndSaysWhenItIsMissing) {
    auto w = started();
    w->Help->trigger();
    w->Anglais->trigger();
    w->Help->trigger();
    EXPECT_EQ(settings.helpOpened, (std::vector<std::string>{"vellora.chm", "vellora_en.chm"}));
    EXPECT_TRUE(settings.messages.empty());
    settings.helpExists = false;
    w->Help->trigger();
    EXPECT_EQ(settings.messages, std::vector<std::string>{"EnFORM135"});
}

}  // namespace
}  // namespace vellora
