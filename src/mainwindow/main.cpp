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

#include "audio/capture_sequence.h"
#include "audio/rtaudio_input.h"
#include "audio/rtaudio_sound_player.h"
#include "audio/wave_audio_recorder.h"
#include "belt/belt_store_profile.h"
#include "belt/readings_file.h"
#include "calibration/calibration_run.h"
#include "calibration/calibration_tone.h"
#include "calibration/sound_tone_player.h"
#include "common/atomic_file.h"
#include "common/version.h"
#include "mainwindow/form1.h"
#include "settings/about_box.h"
#include "settings/chelp.h"
#include "settings/data_files.h"
#include "settings/first_language.h"
#include "settings/language.h"
#include "settings/settings_location.h"
#include "settings/settings_store.h"

namespace {

// The id the desktop entry and the AppStream metadata carry (the desktop file's name).
constexpr const char* kApplicationId = "invalid.vellora.vellora";
// The language file's text for a files folder that cannot be written.
constexpr int kFilesFolderFailedKey = 120;

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

    vellora::RtAudioInput input;
    vellora::WaveAudioRecorder recorder(input);
    vellora::RtAudioSoundPlayer sound;
    vellora::SoundTonePlayer tone(sound);

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

    const std::filesystem::path settingsFile = vellora::settingsFilePath();
    const std::filesystem::path readingsFile = filesFolder / vellora::kReadingsFileName;
    // What writes killed in an earlier run left behind.
    for (const std::filesystem::path& written :
         {settingsFile, readingsFile, filesFolder / "test.wav",
          filesFolder / vellora::kCalibrationToneFile})
        vellora::removeStaleTemporaryFiles(written);
    const vellora::SettingsStore settings(settingsFile);
    vellora::Language language;

    vellora::Form1Services services;
    services.readInt = [&](const char* section, const char* key, int32_t fallback) {
        return settings.readInt(section, key, fallback);
    };
    // Until a language is stored, the first start follows the locale.
    const std::string localeLanguage =
        vellora::firstStartLanguage(vellora::localeFromEnvironment());
    services.readString = [&](const char* section, const char* key, const std::string& fallback,
                              int size) {
        const bool language = std::string_view(key) == vellora::kKeyLangue;
        return settings.readString(section, key, language ? localeLanguage : fallback,
                                   size_t(size));
    };
    services.writeString = [&](const char* section, const char* key, const std::string& value) {
        return settings.writeString(section, key, value);
    };
    services.setLanguage = [&](const std::string& name) {
        language.name = name;
        language.file = vellora::languageFilePath(name);
    };
    services.languageFilePath = [&] { return vellora::pathToUtf8(language.file); };
    services.text = [&](const char* section, int key) { return language.text(section, key); };
    services.showHelp = [](const std::string& file) { return vellora::CHelp().Show(file, ""); };
    services.capture = [&recorder] {
        int32_t retour = 0;
        return vellora::sendCaptureSequence(recorder, retour);
    };
    services.tone = &tone;
    services.toneFolder = filesFolder;
    vellora::ProfileBeltStore belts(settingsFile);
    services.beltStore = &belts;
    services.readingsFile = readingsFile;

    services.closeRecorder = [&recorder] { recorder.send(vellora::closeAllCommand()); };
    services.holdInput = [&input](bool held) { input.hold(held); };

    vellora::Form1 window(std::move(services));
    window.Form_Load();
    window.show();
    // Opening takes some milliseconds, after the window has shown: the first run then
    // records at once.
    QTimer::singleShot(0, &window, [&input] { input.openAhead(); });
    if (!filesReady) {
        const std::string text =
            vellora::fillIn(language.text("FORM1", kFilesFolderFailedKey), {filesReady.message()});
        QTimer::singleShot(0, &window, [&window, text] {
            QMessageBox::warning(&window, QString::fromUtf8(vellora::kApplicationTitle),
                                 QString::fromUtf8(text));
        });
    }
    return app.exec();
}
