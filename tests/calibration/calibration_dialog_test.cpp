#include "calibration/calibration_dialog.h"
#include "support/qt_application.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <filesystem>
#include <fstream>
#include <map>

namespace vellora {
namespace {

namespace fs = std::filesystem;

class Dialog : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { ensureGuiApplication(); }
    void SetUp() override {
        dir = fs::temp_directory_path() / ("vellora_caldlg_" + std::to_string(::getpid()));
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    CalibrationDialogHost host() {
        CalibrationDialogHost h;
        h.text = [](const char* section, int key) {
            return std::string(section) + std::to_string(key);
        };
        h.readInt = [this](const char*, const char* key, int32_t fallback) {
            auto it = stored.find(key);
            return it == stored.end() ? fallback : std::stoi(it->second);
        };
        h.writeString = [this](const char*, const char* key, const std::string& v) {
            writes.push_back(key);
            stored[key] = v;
            return true;
        };
        h.showProblem = [this](const std::string& m) { problems.push_back(m); };
        h.frequenceCal = &frequenceCal;
        h.toneFolder = dir;
        h.toneWritten = [this] { ++tonesWritten; };
        return h;
    }

    fs::path dir;
    int16_t frequenceCal = 110;
    int tonesWritten = 0;  // the calls telling the main window of a new tone
    std::map<std::string, std::string> stored;
    std::vector<std::string> writes, problems;
};

TEST_F(Dialog, OpensOnTheCurrentFrequencyWithItsTexts) {
    FormCalibration d(host(), nullptr);
    EXPECT_EQ(d.HScrollCalibration->value(), 110);
    EXPECT_EQ(d.TextCalibration->text(), "110 Hz");
    EXPECT_EQ(d.windowTitle(), "CALIBRATION1");
    EXPECT_EQ(d.CommandExit->text(), "CALIBRATION4");
    d.HScrollCalibration->setValue(5000);
    EXPECT_EQ(d.TextCalibration->text(), "5000 Hz");
    d.HScrollCalibration->setValue(0);
    EXPECT_EQ(d.TextCalibration->text(), "0 Hz");
    EXPECT_FALSE(d.isModal());
}

TEST_F(Dialog, StoredGeometryPastEveryEdgeIsBroughtOnTheScreenAndStoredCorrected) {
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    for (const char* value : {"-2147483648", "2147483647", "-1000", "100000"}) {
        stored = {{"CalLeft", value}, {"CalTop", value}, {"CalWidth", value}, {"CalHeight", value}};
        QPointer<FormCalibration> d = new FormCalibration(host(), nullptr);
        EXPECT_TRUE(screen.contains(QRect(d->pos(), d->size()))) << value;
        EXPECT_GE(d->width(), 5115 / 15) << value;  // the design's client area at least
        d->close();
        const int width = std::stoi(stored["CalWidth"]);
        const int left = std::stoi(stored["CalLeft"]);
        EXPECT_GE(width, 5235) << value;
        EXPECT_LE((left + width) / 15, screen.right() + 1 + 8) << value;
        delete d.data();
    }
}

TEST_F(Dialog, OkWritesTheToneAndSavesPositionThenFrequency) {
    QPointer<FormCalibration> d = new FormCalibration(host(), nullptr);
    d->show();
    d->HScrollCalibration->setValue(440);
    d->CommandOK->click();
    EXPECT_EQ(frequenceCal, 440);
    EXPECT_EQ(fs::file_size(dir / "Calibration.wav"), 22096u);
    EXPECT_EQ(writes, (std::vector<std::string>{"CalLeft", "CalTop", "CalHeight", "CalWidth",
                                                "Calibration"}));
    EXPECT_EQ(stored["Calibration"], "440");
    EXPECT_EQ(tonesWritten, 1);
    EXPECT_EQ(stored["CalWidth"], "5235");  // the design size comes back unchanged
    EXPECT_EQ(stored["CalHeight"], "3015");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(d.isNull());
}

TEST_F(Dialog, ExitStoresTheChoiceButLeavesToneAndFrequency) {
    FormCalibration* d = new FormCalibration(host(), nullptr);
    d->show();
    d->HScrollCalibration->setValue(300);
    d->CommandExit->click();
    EXPECT_EQ(frequenceCal, 110);
    EXPECT_FALSE(fs::exists(dir / "Calibration.wav"));
    EXPECT_EQ(stored["Calibration"], "300");
    EXPECT_EQ(writes.size(), 5u);  // one unload, however it is reached
    EXPECT_EQ(tonesWritten, 0);
}

TEST_F(Dialog, UnwritableFolderIsReportedAndTheDialogStaysOpen) {
    std::ofstream(dir / "plain") << "x";
    CalibrationDialogHost h = host();
    h.toneFolder = dir / "plain";
    h.text = [](const char* section, int key) {
        return std::string(section) + std::to_string(key) + " %1";
    };
    FormCalibration d(std::move(h), nullptr);
    d.show();
    d.HScrollCalibration->setValue(440);
    d.CommandOK->click();
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(
        problems[0].rfind("FORM146 " + (dir / "plain" / "Calibration.wav").string() + " (", 0), 0u);
    EXPECT_EQ(tonesWritten, 0);
    EXPECT_EQ(frequenceCal, 110);
    EXPECT_TRUE(d.isVisible());
    EXPECT_TRUE(writes.empty());
}

// Keyboard only: the scroll bar has the first focus, arrows move 1 Hz, Page keys 10 Hz,
// and Return, which the scroll bar leaves to the dialog, is OK.
TEST_F(Dialog, TheKeyboardChoosesTheFrequencyFromTheScrollBar) {
    QPointer<FormCalibration> d = new FormCalibration(host(), nullptr);
    d->show();
    EXPECT_EQ(d->focusWidget(), d->HScrollCalibration);
    auto press = [&](int key, int times = 1) {
        for (int i = 0; i < times; ++i) {
            QKeyEvent e(QEvent::KeyPress, key, Qt::NoModifier);
            QApplication::sendEvent(d->focusWidget(), &e);
        }
    };
    press(Qt::Key_Right, 5);
    EXPECT_EQ(d->HScrollCalibration->value(), 115);
    press(Qt::Key_PageUp, 3);
    EXPECT_EQ(d->HScrollCalibration->value(), 145);
    press(Qt::Key_PageDown);
    press(Qt::Key_Left, 2);
    EXPECT_EQ(d->HScrollCalibration->value(), 133);
    EXPECT_EQ(d->TextCalibration->text(), "133 Hz");
    press(Qt::Key_Return);
    EXPECT_EQ(frequenceCal, 133);
    EXPECT_TRUE(fs::exists(dir / "Calibration.wav"));
}

TEST_F(Dialog, ATypedFrequencySetsTheScrollBarOnReturnWithoutPressingOk) {
    FormCalibration d(host(), nullptr);
    d.show();
    struct Case {
        const char* typed;
        int value;  // the scroll bar's value afterwards
    };
    for (const Case& c : {Case{"800", 800}, Case{" 1234 hz", 1234}, Case{"abc", 1234},
                          Case{"6000", 1234}, Case{"440,5", 1234}, Case{"0 Hz", 0}}) {
        d.TextCalibration->setFocus();
        d.TextCalibration->setText(c.typed);
        QKeyEvent e(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(d.TextCalibration, &e);
        EXPECT_EQ(d.HScrollCalibration->value(), c.value) << c.typed;
        EXPECT_EQ(d.TextCalibration->text().toStdString(), std::to_string(c.value) + " Hz")
            << c.typed;
    }
    EXPECT_TRUE(d.isVisible());
    EXPECT_FALSE(fs::exists(dir / "Calibration.wav"));
    EXPECT_TRUE(writes.empty());
}

TEST_F(Dialog, EscapeAndTheCloseBoxBothRunTheUnloadSteps) {
    for (bool escape : {true, false}) {
        writes.clear();
        QPointer<FormCalibration> d = new FormCalibration(host(), nullptr);
        d->show();
        d->HScrollCalibration->setValue(250);
        if (escape) {
            QKeyEvent e(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QApplication::sendEvent(d->HScrollCalibration, &e);
        } else {
            d->close();
        }
        EXPECT_EQ(writes.size(), 5u) << escape;
        EXPECT_EQ(stored["Calibration"], "250") << escape;
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(d.isNull()) << escape;
    }
}

// The French label is wider than the design's 3375 twips: it spreads within the dialog
// and is shown whole; the buttons stay apart.
TEST_F(Dialog, LongCaptionsAreShownWholeInsideTheDialog) {
    CalibrationDialogHost h = host();
    h.text = [](const char*, int key) {
        return std::string(key == 2   ? "Choisissez votre fréquence de calibration"
                           : key == 4 ? "Quitter sans écrire le son"
                                      : "OK");
    };
    FormCalibration d(std::move(h), nullptr);
    d.show();
    for (QWidget* w : {static_cast<QWidget*>(d.Label1), static_cast<QWidget*>(d.CommandExit)}) {
        EXPECT_LE(w->sizeHint().width(), w->width()) << w->objectName().toStdString();
        EXPECT_TRUE(d.rect().contains(w->geometry())) << w->objectName().toStdString();
    }
    EXPECT_FALSE(d.CommandOK->geometry().intersects(d.CommandExit->geometry()));
}

}  // namespace
}  // namespace vellora
