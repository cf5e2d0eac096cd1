#include "calibration/calibration_dialog.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <map>

#include "support/profile_test_support.h"
#include "support/qt_application.h"

namespace vellora {
namespace {

namespace fs = std::filesystem;

class Dialog : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { ensureGuiApplication(); }

    // Shows a dialog on a settings store kept in `stored`; the dialog deletes itself
    // when it closes.
    QPointer<FormCalibration> open(fs::path toneFolder) {
        CalibrationDialogHost h;
        h.text = [](const char* section, int key) { return section + std::to_string(key) + " %1"; };
        h.readInt = [this](const char*, const char* key, int32_t fallback) {
            return stored.count(key) ? std::stoi(stored[key]) : fallback;
        };
        h.writeString = [this](const char*, const char* key, const std::string& v) {
            writes.push_back(key);
            stored[key] = v;
            return true;
        };
        h.showProblem = [this](const std::string& m) { problems.push_back(m); };
        h.frequenceCal = &frequenceCal;
        h.toneFolder = std::move(toneFolder);
        h.toneWritten = [this] { ++tonesWritten; };
        QPointer<FormCalibration> d = new FormCalibration(std::move(h), nullptr);
        d->show();
        return d;
    }
    bool deleted(const QPointer<FormCalibration>& d) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return d.isNull();
    }

    testing::TempFolder dir;
    int16_t frequenceCal = 110;
    int tonesWritten = 0;  // the calls telling the main window of a new tone
    std::map<std::string, std::string> stored;
    std::vector<std::string> writes, problems;
};

// OK writes the tone and takes its frequency; Exit only remembers the choice. Either
// way the position, then the choice, are stored once and the dialog goes.
TEST_F(Dialog, OkWritesTheToneAndExitOnlyRemembersTheChoice) {
    for (const bool ok : {false, true}) {
        SCOPED_TRACE(ok);
        writes.clear();
        QPointer<FormCalibration> d = open(dir.path());
        EXPECT_EQ(d->HScrollCalibration->value(), 110);
        d->HScrollCalibration->setValue(440);
        EXPECT_EQ(d->TextCalibration->text(), "440 Hz");
        (ok ? d->CommandOK : d->CommandExit)->click();
        EXPECT_EQ(frequenceCal, ok ? 440 : 110);
        EXPECT_EQ(fs::exists(dir / "Calibration.wav"), ok);
        EXPECT_EQ(tonesWritten, ok ? 1 : 0);
        EXPECT_EQ(writes, (std::vector<std::string>{"CalLeft", "CalTop", "CalHeight", "CalWidth",
                                                    "Calibration"}));
        EXPECT_EQ(stored["Calibration"], "440");
        EXPECT_EQ(stored["CalWidth"], "5235");  // the design size comes back unchanged
        EXPECT_TRUE(deleted(d));
    }
}

TEST_F(Dialog, UnwritableFolderIsReportedAndTheDialogStaysOpen) {
    testing::writeBytes(dir / "plain", "x");
    QPointer<FormCalibration> d = open(dir / "plain");
    d->HScrollCalibration->setValue(440);
    d->CommandOK->click();
    ASSERT_EQ(problems.size(), 1u);
    const std::string named = "FORM146 " + (dir / "plain" / "Calibration.wav").string() + " (";
    EXPECT_EQ(problems[0].rfind(named, 0), 0u) << problems[0];
    EXPECT_EQ(tonesWritten, 0);
    EXPECT_EQ(frequenceCal, 110);
    EXPECT_TRUE(writes.empty());
    EXPECT_FALSE(deleted(d));
    EXPECT_TRUE(d->isVisible());
    delete d.data();
}

TEST_F(Dialog, StoredGeometryPastEveryEdgeIsBroughtOnTheScreen) {
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    for (const char* value : {"-2147483648", "2147483647", "100000"}) {
        stored = {{"CalLeft", value}, {"CalTop", value}, {"CalWidth", value}, {"CalHeight", value}};
        QPointer<FormCalibration> d = open(dir.path());
        EXPECT_TRUE(screen.contains(QRect(d->pos(), d->size()))) << value;
        EXPECT_GE(d->width(), 5115 / 15) << value;  // the design's client area at least
        d->close();
        EXPECT_TRUE(deleted(d));
    }
}

}  // namespace
}  // namespace vellora
