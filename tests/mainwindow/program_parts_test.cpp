// SPDX-License-Identifier: GPL-3.0-or-later
// Two instances of the program on one folder: the recording they share by name is
// recorded by one at a time, the other told why.
#include "mainwindow/program_parts.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "audio/recorder_result.h"
#include "support/profile_test_support.h"
#include "support/qt_application.h"

namespace vellora {
namespace {

TEST(ProgramParts, TwoInstancesOnOneFolderRecordInTurn) {
    ensureGuiApplication();
    ::setenv("PULSE_SERVER", "unix:/nonexistent", 1);  // no sound: the capture fails fast
    testing::TempFolder folder;
    const std::filesystem::path ini = folder / "Vellora.ini";
    ProgramParts a(ini, folder.path()), b(ini, folder.path());
    Form1Services first = a.services(), second = b.services();
    EXPECT_NE(first.capture(), kFolderInUse);
    EXPECT_EQ(second.capture(), kFolderInUse);
    EXPECT_NE(first.capture(), kFolderInUse) << "its own run goes on";
    first.recordingDone();
    EXPECT_NE(second.capture(), kFolderInUse);
    EXPECT_EQ(first.capture(), kFolderInUse);
    ::unsetenv("PULSE_SERVER");
}

}  // namespace
}  // namespace vellora
