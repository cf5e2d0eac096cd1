// SPDX-License-Identifier: GPL-3.0-or-later
// The program: the sound card behind the recorder and the loudspeaker, then the
// main window.
#include <QApplication>

#include <filesystem>
#include <system_error>

#include "belt/readings_file.h"
#include "calibration/calibration_tone.h"
#include "common/atomic_file.h"
#include "common/version.h"
#include "mainwindow/form1.h"
#include "mainwindow/program_parts.h"
#include "settings/settings_location.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Vellora");
    QApplication::setApplicationVersion(vellora::kVersion);

    // The recording and the tone are written by relative name into the current
    // directory; from the desktop menu that is the home folder, so move to our own.
    const bool fromDesktop =
        QCoreApplication::arguments().contains(QString::fromLatin1(vellora::kFromDesktopArgument));
    std::error_code ec;
    std::filesystem::current_path(vellora::workingFolder(fromDesktop), ec);

    const std::filesystem::path settingsFile = vellora::settingsFilePath();
    // What writes killed in an earlier run left behind.
    for (const std::filesystem::path& written :
         {settingsFile, settingsFile.parent_path() / vellora::kReadingsFileName,
          std::filesystem::path("test.wav"), std::filesystem::path(vellora::kCalibrationToneFile)})
        vellora::removeStaleTemporaryFiles(written);

    vellora::ProgramParts parts(settingsFile, vellora::programFolder());
    vellora::Form1 window(parts.services());
    window.Form_Load();
    window.show();
    return app.exec();
}
