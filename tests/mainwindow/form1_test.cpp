#include "mainwindow/form1.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <numbers>

#include "mainwindow/picture_surface.h"
#include "platform/recorder_wave.h"

namespace vellora {
namespace {

namespace fs = std::filesystem;

std::string key(const char* section, int k) { return std::string(section) + std::to_string(k); }

class MainWindow : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "test";
        static char* argv[] = {name};
        // Never destroyed: tearing Qt's GUI down during exit() crashes once a window was shown.
        if (!QApplication::instance()) new QApplication(argc, argv);
    }
    void SetUp() override {
        dir = fs::temp_directory_path() / ("vellora_form1_" + std::to_string(::getpid()));
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    // A window whose captions are the language keys themselves, as start-up leaves them.
    std::unique_ptr<Form1> window(CaptureFn capture = {}) {
        Form1Services s;
        s.text = key;
        s.capture = std::move(capture);
        s.showMessage = [this](const std::string& m) { messages.push_back(m); };
        s.askOkCancel = [](const std::string&) { return true; };
        s.recordingPath = (dir / "test.wav").string();
        s.toneFolder = dir;
        auto w = std::make_unique<Form1>(std::move(s));
        w->CommandRun->setText("FORM110");
        w->CommandAnalyse->setText("FORM16");
        w->CommandBruit->setText("FORM17");
        w->CommandCalibrate->setText("FORM18");
        w->VScrollNiveau->setValue(262);
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
    std::vector<std::string> messages;
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

    // Tab order: the read-out box first, then the calibration button, then the gain bar.
    EXPECT_EQ(w.TextCalibrate->nextInFocusChain(), w.CommandCalibrate);
    EXPECT_EQ(w.CommandCalibrate->nextInFocusChain(), w.VScrollNiveau);
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
    auto w = window();
    EXPECT_EQ(w->state.plot.Amplification, 250);
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
    auto w = window([&] {
        if (++captures == 1) return 263;
        writeTone(440);
        return 0;
    });
    w->show();
    QApplication::processEvents();
    w->CommandRun_Click();
    EXPECT_EQ(w->CommandRun->text(), "FORM110");
    EXPECT_TRUE(w->TextEchantillon->isEnabled());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].rfind("FORM130", 0), 0u);

    // Noise line armed at the bottom: the first cycle whose bars rise stops the run.
    w->CommandBruit_Click();
    w->Im_Spectre_MouseMove(0, 0, 10, float(w->Im_Spectre->scaleHeight() - 1));
    w->Im_Spectre_Click();
    w->CommandRun_Click();
    EXPECT_EQ(captures, 2);
    EXPECT_FALSE(w->state.MesureEnCours);
    EXPECT_EQ(w->CommandRun->text(), "FORM110");
    EXPECT_EQ(w->CommandBruit->text(), "FORM125");
    EXPECT_FALSE(w->TextEchantillon->isEnabled());
    // 440 Hz lies in bin 82 at 22050 / 4096 Hz per bin: 82 * 5.4171 = 444.
    EXPECT_EQ(w->TextCalibrate->text(), "444Hz");
    EXPECT_EQ(messages.size(), 1u);

    w->CommandAnalyse_Click();
    EXPECT_EQ(w->CommandAnalyse->text(), "FORM122");
    const int16_t pen = w->Im_Spectre->drawWidth();
    w->Im_Spectre_MouseMove(0, 0, float(82 * pen), 10);
    EXPECT_EQ(w->TextCalibrate->text(), "444Hz");
}

}  // namespace
}  // namespace vellora
