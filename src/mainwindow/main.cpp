// SPDX-License-Identifier: GPL-3.0-or-later
// The program: where its files are, the sound card behind the recorder and the
// loudspeaker, then the main window.
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <cstdio>
#include <filesystem>
#include <string_view>
#include <system_error>
#include <vector>

#include "belt/readings_file.h"
#include "calibration/calibration_run.h"
#include "calibration/calibration_tone.h"
#include "common/atomic_file.h"
#include "common/version.h"
#include "mainwindow/form1.h"
#include "mainwindow/program_parts.h"
#include "mainwindow/termination_signals.h"
#include "meter/meter_model.h"
#include "meter/repeat_mode.h"
#include "settings/about_box.h"
#include "settings/data_files.h"
#include "settings/settings_location.h"
#include "wave/wave_format.h"

namespace {

// The id the desktop entry and the AppStream metadata carry (the desktop file's name).
constexpr const char* kApplicationId = "invalid.vellora.vellora";
// The language file's text for a files folder that cannot be written.
constexpr int kFilesFolderFailedKey = 120;
// For a settings file that cannot be written: where the changes go instead ("%1" why,
// "%2" the file kept), or that they are lost.
constexpr int kSettingsCopiedKey = 150;
constexpr int kSettingsStartedAfreshKey = 151;
constexpr int kSettingsNotKeptKey = 152;

// What the user is told once at start about a settings file that cannot be written;
// empty when the changes are kept where they always were.
std::string settingsNotice(const vellora::WritableSettings& settings,
                           const vellora::Language& language) {
    using Kept = vellora::WritableSettings::Kept;
    if (settings.kept == Kept::There || settings.kept == Kept::InOwnCopy) return {};
    const auto text = [&](int key) { return language.text("FORM1", key); };
    const std::string why =
        vellora::fillIn(text(vellora::failureCauseKey(settings.unwritable.failure())),
                        {vellora::pathToUtf8(settings.chosen)});
    const int key = settings.kept == Kept::InNewCopy   ? kSettingsCopiedKey
                    : settings.kept == Kept::InNewFile ? kSettingsStartedAfreshKey
                                                       : kSettingsNotKeptKey;
    return vellora::fillIn(text(key), {why, vellora::pathToUtf8(settings.file)});
}

// --help and --version answer on standard output without opening a window, so they
// work without a display; false when the program is to start.
bool answeredCommandLine(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--version") {
            std::printf("vellora %s\n", vellora::kVersion);
            return true;
        }
        if (arg == "--help" || arg == "-h") {
            std::printf(
                "usage: vellora [Qt options]\n"
                "       vellora --help | --version\n"
                "Vellora measures the frequency of a plucked timing belt through the microphone.\n"
                "Press F1 in the window for its help; vellora-analyze reads saved recordings.\n"
                "Installed, it keeps Vellora.ini in $XDG_CONFIG_HOME/Vellora (~/.config/Vellora)\n"
                "and the recording, the calibration tone, the cue sounds and Readings.csv in\n"
                "$XDG_DATA_HOME/Vellora (~/.local/share/Vellora); a copy in a folder of the\n"
                "user's own keeps them all beside the program.\n");
            return true;
        }
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (answeredCommandLine(argc, argv)) return 0;
    QApplication app(argc, argv);
    QApplication::setApplicationName("Vellora");
    QApplication::setApplicationVersion(vellora::kVersion);
    // A dock matches the window to its launcher by this name; the icon for the title bar
    // and the task switcher.
    QGuiApplication::setDesktopFileName(QString::fromLatin1(kApplicationId));
    QApplication::setWindowIcon(vellora::programIcon());

    // The recording, the tone and the cues are written by relative name into the
    // current directory: make it the folder where this program keeps its files (beside
    // a portable program, the user's data folder for an installed one), never the
    // folder a shell happened to be in. A folder that cannot be written is reported.
    const std::filesystem::path filesFolder = vellora::filesFolder();
    vellora::Status filesReady = vellora::prepareWritableFolder(filesFolder);
    std::error_code ec;
    std::filesystem::current_path(filesFolder, ec);
    if (filesReady && ec)
        filesReady = vellora::Status(
            vellora::Failure::NotPermitted,
            "cannot enter the folder " + vellora::pathToUtf8(filesFolder) + ": " + ec.message());
    if (!filesReady) std::fprintf(stderr, "vellora: %s\n", filesReady.message().c_str());

    const vellora::WritableSettings settings = vellora::settingsFilePath();
    const std::filesystem::path& settingsFile = settings.file;
    // What writes killed in an earlier run left behind, and the probes of folders.
    for (const std::filesystem::path& written :
         {settingsFile, filesFolder / vellora::kReadingsFileName,
          filesFolder / vellora::kRecordingFileName, filesFolder / vellora::kCalibrationToneFile,
          filesFolder / vellora::kAcceptedCueFile, filesFolder / vellora::kConfirmedCueFile})
        vellora::removeStaleTemporaryFiles(written);
    for (const std::filesystem::path& probed :
         {vellora::programFolder(), filesFolder, settingsFile.parent_path()})
        vellora::removeStaleProbes(probed);

    vellora::ProgramParts parts(settingsFile, vellora::programFolder(), filesFolder);
    vellora::Form1 window(parts.services());
    window.Form_Load();
    window.show();
    // A logout or a kill closes the window as the user would: the settings are saved.
    const vellora::TerminationSignals termination([&window] { window.close(); });
    // Told once, after the window shows: what cannot be kept, and where it goes instead.
    std::vector<std::string> notices;
    if (!filesReady)
        notices.push_back(vellora::fillIn(parts.language.text("FORM1", kFilesFolderFailedKey),
                                          {filesReady.message()}));
    if (std::string notice = settingsNotice(settings, parts.language); !notice.empty()) {
        std::fprintf(stderr, "vellora: %s\n", settings.unwritable.message().c_str());
        notices.push_back(std::move(notice));
    }
    for (const std::string& text : notices)
        QTimer::singleShot(0, &window, [&window, text] {
            QMessageBox::warning(&window, QString::fromUtf8(vellora::kApplicationTitle),
                                 QString::fromUtf8(text));
        });
    return app.exec();
}
