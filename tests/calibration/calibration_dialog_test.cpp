// SPDX-License-Identifier: GPL-3.0-or-later
#include "calibration/calibration_dialog.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>

#include "settings/settings_store.h"
#include "support/file_faults.h"
#include "support/profile_test_support.h"
#include "support/qt_application.h"

namespace vellora {
namespace {

namespace fs = std::filesystem;

// Texts naming their section and key ("FORM146 %1"), settings read as their defaults and
// written nowhere, and the problems shown kept.
struct Host {
    int16_t frequenceCal = 110;
    std::vector<std::string> problems;
    CalibrationDialogHost make(const char* after = " %1") {
        ensureGuiApplication();
        CalibrationDialogHost h;
        h.text = [after](const char* section, int key) {
            return section + std::to_string(key) + after;
        };
        h.readInt = [](const char*, const char*, int32_t fallback) { return fallback; };
        h.writeString = [](const char*, const char*, const std::string&) { return Status(); };
        h.showProblem = [this](const std::string& m) { problems.push_back(m); };
        h.frequenceCal = &frequenceCal;
        return h;
    }
};

// OK writes the tone and takes its frequency; Exit only remembers the choice. Either
// way the position, then the choice, are stored and the dialog goes. A tone that cannot
// be written is reported, and the dialog stays open with nothing stored. The choice,
// the last key written, cannot be stored here: that is told each time too.
TEST(CalibrationDialog, OkWritesTheToneExitRemembersTheChoiceAndAFailureKeepsItOpen) {
    testing::TempFolder dir;
    testing::writeBytes(dir / "plain", "x");
    Host host;
    const std::pair<fs::path, bool> cases[] = {
        {dir.path(), false}, {dir / "plain", true}, {dir.path(), true}};  // folder, OK or Exit
    for (const auto& [folder, ok] : cases) {
        SCOPED_TRACE(folder.string() + (ok ? " OK" : " Exit"));
        const bool closes = folder == dir.path(), written = closes && ok;
        std::vector<std::string> writes;  // "key=value"
        int tonesWritten = 0;             // the calls telling the main window of a new tone
        CalibrationDialogHost h = host.make();
        h.writeString = [&](const char*, const char* key, const std::string& v) {
            writes.push_back(key + ("=" + v));
            return std::string(key) == "Calibration" ? Status(Failure::WriteFailed, "full")
                                                     : Status();
        };
        h.toneFolder = folder;
        h.toneWritten = [&] { ++tonesWritten; };
        QPointer<FormCalibration> d = new FormCalibration(std::move(h), nullptr);
        d->show();
        d->HScrollCalibration->setValue(440);
        (ok ? d->CommandOK : d->CommandExit)->click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(d.isNull(), closes);
        EXPECT_EQ(host.frequenceCal, written ? 440 : 110);
        EXPECT_EQ(tonesWritten, written);
        EXPECT_EQ(fs::exists(dir / "Calibration.wav"), written);
        EXPECT_EQ(writes.size(), closes ? 5u : 0u);
        EXPECT_EQ(writes.empty() ? "" : writes.back(), closes ? "Calibration=440" : "");
        delete d.data();
    }
    const std::string file = (dir / "plain" / "Calibration.wav").string();
    const std::vector<std::string>& problems = host.problems;
    ASSERT_EQ(problems.size(), 3u);
    EXPECT_TRUE(problems[0] == "full" && problems[2] == "full");
    EXPECT_TRUE(problems[1].starts_with("FORM146 " + file + " (")) << problems[1];
}

// A disk that fails every write: the tone and the settings stay as they were, and each is
// reported once, naming its file (the five keys written on leaving give one message, not
// five). Each step of the write itself is checked with the atomic file.
TEST(CalibrationDialog, AFailedToneOrSettingsWriteKeepsTheOldFilesAndSaysSoOnce) {
    testing::TempFolder dir;
    const SettingsStore store(dir / "Vellora.ini");
    testing::writeBytes(store.file(), "[SETTINGS]\r\nCalibration=110\r\n");
    testing::writeBytes(dir / "Calibration.wav", "old tone");
    Host host;
    CalibrationDialogHost h = host.make();
    h.writeString = [&](const char* section, const char* key, const std::string& v) {
        return store.writeString(section, key, v);
    };
    h.toneFolder = dir.path();
    testing::FileFaults failing(testing::FileCall::Write, ENOSPC);
    QPointer<FormCalibration> d = new FormCalibration(std::move(h), nullptr);
    d->show();
    d->HScrollCalibration->setValue(440);
    d->CommandOK->click();
    const std::vector<std::string>& problems = host.problems;
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_NE(problems[0].find("Calibration.wav"), std::string::npos) << problems[0];
    d->CommandExit->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_EQ(problems.size(), 2u);
    EXPECT_NE(problems[1].find("Vellora.ini"), std::string::npos) << problems[1];
    EXPECT_EQ(testing::readBytes(store.file()), "[SETTINGS]\r\nCalibration=110\r\n");
    EXPECT_EQ(testing::readBytes(dir / "Calibration.wav"), "old tone");
    EXPECT_EQ(host.frequenceCal, 110);
    delete d.data();
}

// A typed frequency the dialog refuses says the rule in place of the label until one is
// taken; a screen reader hears it too.
TEST(CalibrationDialog, ARefusedTypedFrequencyNamesTheRule) {
    Host host;
    FormCalibration d(host.make(" %1-%2"), nullptr);
    auto type = [&](const QString& text) {
        d.TextCalibration->setText(text);
        pressKey(d.TextCalibration, Qt::Key_Return);
    };
    for (const char* refused : {"538.5", "6000", "abc"}) {
        type(refused);
        EXPECT_EQ(d.Label1->text(), "CALIBRATION6 0-5000") << refused;
        EXPECT_EQ(d.TextCalibration->accessibleDescription(), d.Label1->text());
        EXPECT_EQ(d.HScrollCalibration->value(), 110);
    }
    type("440");
    EXPECT_EQ(d.HScrollCalibration->value(), 440);
    EXPECT_EQ(d.Label1->text(), "CALIBRATION2 %1-%2");
    EXPECT_TRUE(d.TextCalibration->accessibleDescription().isEmpty());
}

}  // namespace
}  // namespace vellora
