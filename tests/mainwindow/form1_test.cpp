// The main window offscreen, against a fake settings file, language and recorder.
#include "mainwindow/form1.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <numbers>

#include "mainwindow/picture_surface.h"
#include "support/qt_application.h"
#include "wave/recorder_wave.h"

namespace vellora {
namespace {

namespace fs = std::filesystem;

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

class MainWindow : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { ensureGuiApplication(); }
    void SetUp() override {
        dir = fs::temp_directory_path() / ("vellora_form1_" + std::to_string(::getpid()));
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    std::unique_ptr<Form1> started(CaptureFn capture = {}) {
        Form1Services s = settings.services();
        s.capture = std::move(capture);
        s.recordingPath = (dir / "test.wav").string();
        s.toneFolder = dir;
        auto w = std::make_unique<Form1>(std::move(s));
        w->Form_Load();
        return w;
    }

    // 400 ms of a sine at `hz`, as the recorder saves it.
    void writeTone(double hz) {
        std::vector<uint8_t> samples(8820);
        for (size_t i = 0; i < samples.size(); ++i)
            samples[i] =
                uint8_t(std::lround(128 + 100 * std::sin(2 * std::numbers::pi * hz * i / 22050)));
        const std::vector<uint8_t> file = pcmWaveFile(samples, 22050);
        std::ofstream(dir / "test.wav", std::ios::binary)
            .write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));
    }

    fs::path dir;
    FakeSettings settings;
};

TEST_F(MainWindow, ControlsAreCreatedAsDesigned) {
    Form1 w;
    EXPECT_EQ(w.windowTitle(),
              QString::fromUtf8("Visualisation des fréquences (v1.5.3) - Par Maruvel"));
    for (const char* name :
         {"Frame1", "Energie", "VScrollNiveau", "Im_Spectre", "Frame2", "CommandRun",
          "CommandCalibrate", "CommandBruit", "CommandAnalyse", "ShapeFrequence", "LabelCalibrate",
          "TextCalibrate", "HScrollCalibrate", "LabelFrequence", "HScrollFrequence",
          "LabelEchantillon", "TextEchantillon", "CommandExit"})
        EXPECT_NE(w.findChild<QWidget*>(name), nullptr) << name;
    EXPECT_FALSE(w.CommandRun->isEnabled());
    EXPECT_FALSE(w.CommandBruit->isEnabled());
    EXPECT_FALSE(w.CommandAnalyse->isEnabled());
    EXPECT_FALSE(w.HScrollCalibrate->isEnabled());
    EXPECT_TRUE(w.CommandCalibrate->isEnabled());
    EXPECT_TRUE(w.ShapeFrequence->isHidden());
    EXPECT_EQ(w.VScrollNiveau->value(), 472);
    EXPECT_EQ(w.HScrollFrequence->minimum(), 100);
    EXPECT_EQ(w.HScrollFrequence->maximum(), 2048);
    EXPECT_EQ(w.HScrollCalibrate->value(), 512);
    EXPECT_EQ(w.TextEchantillon->text(), "5");
    EXPECT_EQ(w.TextEchantillon->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);

    const std::pair<QAction*, QKeySequence> shortcuts[] = {
        {w.Fermer, QKeySequence(Qt::CTRL | Qt::Key_F)},
        {w.ChoixFrequence, QKeySequence(Qt::Key_F2)},
        {w.Visibles, QKeySequence(Qt::Key_F3)},
        {w.Anglais, QKeySequence(Qt::Key_F4)},
        {w.Francais, QKeySequence(Qt::Key_F5)},
        {w.Help, QKeySequence(Qt::Key_F1)}};
    for (const auto& [action, keys] : shortcuts)
        EXPECT_EQ(action->shortcut(), keys) << action->objectName().toStdString();
    EXPECT_TRUE(w.Francais->isChecked());
    EXPECT_FALSE(w.Anglais->isChecked());

    // The whole tab order of the controls that take the focus (frames and labels do not).
    const QWidget* order[] = {w.TextCalibrate,    w.CommandCalibrate, w.VScrollNiveau,
                              w.CommandBruit,     w.CommandAnalyse,   w.HScrollCalibrate,
                              w.HScrollFrequence, w.CommandExit,      w.CommandRun,
                              w.Im_Spectre,       w.Energie,          w.TextEchantillon};
    for (size_t k = 1; k < std::size(order); ++k) {
        const QWidget* next = order[k - 1]->nextInFocusChain();
        while (next && next->focusPolicy() == Qt::NoFocus && next != order[k])
            next = next->nextInFocusChain();
        EXPECT_EQ(next, order[k]) << order[k - 1]->objectName().toStdString();
    }
}

TEST_F(MainWindow, LayoutFollowsTheClientAreaAndIgnoresMinimizing) {
    Form1 w;
    w.show();
    w.resize(900, 600);
    QApplication::processEvents();
    const double tpp = w.twipsPerPixel();
    const FormGeometry g = w.geometryTwips();
    EXPECT_NEAR(g.Frame1.width, 900 * tpp, tpp);
    EXPECT_NEAR(w.Im_Spectre->width(), (g.Frame1.width - 400) / tpp, 1.0);
    EXPECT_EQ(w.Im_Spectre->scaleWidth(), 1024.0f);
    EXPECT_NEAR(w.Im_Spectre->toPixels({512, 0}).x(), w.Im_Spectre->width() / 2.0, 0.5);
    EXPECT_NEAR(w.VScrollNiveau->x() - w.Im_Spectre->width(), 10 / tpp, 1.0);

    w.showMinimized();
    QApplication::processEvents();
    EXPECT_EQ(w.geometryTwips(), g);
}

TEST_F(MainWindow, DisplayControlsOnlyStoreTheirValues) {
    auto w = started();
    EXPECT_EQ(w->state.plot.Amplification, 266);
    w->VScrollNiveau->setValue(512);
    EXPECT_EQ(w->state.plot.Amplification, 0);
    w->VScrollNiveau->setValue(20);
    EXPECT_EQ(w->state.plot.Amplification, 492);
    w->HScrollFrequence->setValue(300);
    EXPECT_EQ(w->state.plot.NbFrequencesAffichees, 300);

    w->show();
    w->Visibles->trigger();
    EXPECT_FALSE(w->Energie->isVisible());
    w->Visibles->trigger();
    EXPECT_TRUE(w->Energie->isVisible());
    w->Energie_DblClick();
    w->Energie_DblClick();
    EXPECT_FALSE(w->Energie->isVisible());
    w->Visibles->trigger();
    EXPECT_TRUE(w->Energie->isVisible());
}

// The run's logic is tested on the core; here only what the window adds: its captions,
// its message box, the smoothing box and the cursor read-out over its own picture.
TEST_F(MainWindow, RunReportsAFailedCaptureThenStopsOnTheTriggerAndTheCursorReadsTheBars) {
    int captures = 0;
    auto w = started([&] {
        if (++captures == 1) return 263;
        writeTone(440);
        return 0;
    });
    w->show();
    QApplication::processEvents();
    w->CommandRun_Click();
    EXPECT_EQ(w->CommandRun->text(), "FrFORM110");
    EXPECT_TRUE(w->TextEchantillon->isEnabled());
    ASSERT_EQ(settings.messages.size(), 1u);
    EXPECT_EQ(settings.messages[0].rfind("FrFORM130", 0), 0u);

    // Noise line armed at the bottom: the first cycle whose bars rise stops the run.
    w->CommandBruit_Click();
    w->Im_Spectre_MouseMove(0, 0, 10, float(w->Im_Spectre->scaleHeight() - 1));
    w->Im_Spectre_Click();
    w->CommandRun_Click();
    EXPECT_EQ(captures, 2);
    EXPECT_FALSE(w->state.MesureEnCours);
    EXPECT_EQ(w->CommandRun->text(), "FrFORM110");
    EXPECT_EQ(w->CommandBruit->text(), "FrFORM125");
    EXPECT_FALSE(w->TextEchantillon->isEnabled());
    // 440 Hz lies in bin 82 at 22050 / 4096 Hz per bin: 82 * 5.4171 = 444.
    EXPECT_EQ(w->TextCalibrate->text(), "444Hz");
    EXPECT_EQ(settings.messages.size(), 1u);

    w->CommandAnalyse_Click();
    EXPECT_EQ(w->CommandAnalyse->text(), "FrFORM122");
    const int16_t pen = w->Im_Spectre->drawWidth();
    w->Im_Spectre_MouseMove(0, 0, float(82 * pen), 10);
    EXPECT_EQ(w->TextCalibrate->text(), "444Hz");
}

TEST_F(MainWindow, StartsWithTheDefaultsWithoutASettingsFile) {
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

TEST_F(MainWindow, StoredBarsSetGainAndScaleAndOutOfRangeValuesAreReplaced) {
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

TEST_F(MainWindow, ClosingWritesTheSettingsInOrderAndEndsTheProgram) {
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

// Stored geometry past every edge: the window comes up wholly on the screen and no
// smaller than its controls, and closing stores the corrected values, so a bad file
// heals at the first close.
TEST_F(MainWindow, StoredGeometryIsBroughtOnTheScreenAndStoredCorrected) {
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const struct {
        const char *left, *top, *width, *height;
    } cases[] = {
        {"0", "0", "-1000", "-1000"},
        {"100000", "100000", "12000", "7500"},
        {"-2147483648", "-2147483648", "2147483647", "2147483647"},
        {"2147483647", "2147483647", "-2147483648", "-2147483648"},
    };
    for (const auto& c : cases) {
        settings.values = {{"POSITIONS/Left", c.left},
                           {"POSITIONS/Top", c.top},
                           {"POSITIONS/Width", c.width},
                           {"POSITIONS/Height", c.height}};
        auto w = started();
        const QRect placed(w->pos(), w->size());
        EXPECT_TRUE(screen.contains(placed)) << c.left << " " << c.width;
        EXPECT_GE(w->width() * w->twipsPerPixel(), 9000 - 1) << "the panel's five columns";
        w->close();
        const QRect stored(QPoint(std::stoi(settings.values["POSITIONS/Left"]),
                                  std::stoi(settings.values["POSITIONS/Top"])) /
                               w->twipsPerPixel(),
                           QSize(std::stoi(settings.values["POSITIONS/Width"]),
                                 std::stoi(settings.values["POSITIONS/Height"])) /
                               w->twipsPerPixel());
        EXPECT_TRUE(screen.contains(stored)) << c.left << " " << c.width;
    }
}

TEST_F(MainWindow, WithoutSettingsTheFirstWindowFitsTheScreenInTheDesignProportions) {
    auto w = started();
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_TRUE(screen.contains(QRect(w->pos(), w->size())));
    // 16050 x 11220 twips as designed, or shrunk alike on a screen too small for it.
    EXPECT_NEAR(double(w->width()) / w->height(), 16050.0 / 11220, 0.01);
}

TEST_F(MainWindow, ExitDuringARunEndsItAndStillWritesTheSettings) {
    Form1* raw = nullptr;
    int cycles = 0;
    auto w = started([&] {
        writeTone(440);
        if (++cycles == 2) raw->CommandExit_Click();
        return 0;
    });
    raw = w.get();
    settings.writes.clear();
    w->CommandRun_Click();
    EXPECT_EQ(cycles, 2);
    EXPECT_FALSE(w->state.MesureEnCours);
    EXPECT_EQ(settings.ended, 1);
    EXPECT_EQ(settings.writes.size(), 10u);
}

TEST_F(MainWindow, LanguageSwitchResetsTheTwoStateButtonsAndMovesTheMarks) {
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

TEST_F(MainWindow, AStartInEnglishKeepsTheDesignMarksAndNoLanguageFileShowsErr) {
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

TEST_F(MainWindow, HelpFollowsTheLanguageFileAndSaysWhenItIsMissing) {
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
