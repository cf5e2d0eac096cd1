#include "calibration/calibration_dialog.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>

#include "support/profile_test_support.h"
#include "support/qt_application.h"

namespace vellora {
namespace {

namespace fs = std::filesystem;

// OK writes the tone and takes its frequency; Exit only remembers the choice. Either
// way the position, then the choice, are stored and the dialog goes. A tone that cannot
// be written is reported, and the dialog stays open with nothing stored.
TEST(CalibrationDialog, OkWritesTheToneExitRemembersTheChoiceAndAFailureKeepsItOpen) {
    ensureGuiApplication();
    testing::TempFolder dir;
    testing::writeBytes(dir / "plain", "x");
    int16_t frequenceCal = 110;
    const struct {
        fs::path folder;
        bool ok;
        int16_t frequency;  // FrequenceCal afterwards
        bool closes;
    } cases[] = {{dir.path(), false, 110, true},
                 {dir / "plain", true, 110, false},
                 {dir.path(), true, 440, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        std::vector<std::string> writes, problems;  // "key=value"
        int tonesWritten = 0;  // the calls telling the main window of a new tone
        CalibrationDialogHost h;
        h.text = [](const char* section, int key) { return section + std::to_string(key) + " %1"; };
        h.readInt = [](const char*, const char*, int32_t fallback) { return fallback; };
        h.writeString = [&](const char*, const char* key, const std::string& v) {
            writes.push_back(key + ("=" + v));
            return true;
        };
        h.showProblem = [&](const std::string& m) { problems.push_back(m); };
        h.frequenceCal = &frequenceCal;
        h.toneFolder = c.folder;
        h.toneWritten = [&] { ++tonesWritten; };
        QPointer<FormCalibration> d = new FormCalibration(std::move(h), nullptr);
        d->show();
        d->HScrollCalibration->setValue(440);
        (c.ok ? d->CommandOK : d->CommandExit)->click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(d.isNull(), c.closes);
        EXPECT_EQ(frequenceCal, c.frequency);
        EXPECT_EQ(tonesWritten, c.frequency == 440);
        EXPECT_EQ(fs::exists(dir / "Calibration.wav"), c.frequency == 440);
        ASSERT_EQ(writes.size(), c.closes ? 5u : 0u);
        ASSERT_EQ(problems.size(), c.closes ? 0u : 1u);
        if (c.closes) {
            EXPECT_EQ(writes[3], "CalWidth=5235");  // the design size comes back unchanged
            EXPECT_EQ(writes[4], "Calibration=440");
        } else {
            const std::string file = (dir / "plain" / "Calibration.wav").string();
            EXPECT_TRUE(problems[0].starts_with("FORM146 " + file + " (")) << problems[0];
            delete d.data();
        }
    }
}

}  // namespace
}  // namespace vellora
