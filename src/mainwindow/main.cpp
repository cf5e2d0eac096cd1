// SPDX-License-Identifier: GPL-3.0-or-later
// The program: the sound card behind the recorder and the loudspeaker, then the
// main window.
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <filesystem>
#include <system_error>

#include "audio/capture_sequence.h"
#include "audio/rtaudio_input.h"
#include "audio/rtaudio_sound_player.h"
#include "audio/wave_audio_recorder.h"
#include "belt/belt_store_profile.h"
#include "belt/readings_file.h"
#include "calibration/calibration_tone.h"
#include "calibration/sound_tone_player.h"
#include "common/atomic_file.h"
#include "common/version.h"
#include "mainwindow/form1.h"
#include "settings/chelp.h"
#include "settings/data_files.h"
#include "settings/language.h"
#include "settings/settings_location.h"
#include "settings/settings_store.h"

namespace {
// "The %1 language file could not be read (%2): the texts are shown in English."
constexpr int kLanguageFallbackKey = 130;
}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Vellora");
    QApplication::setApplicationVersion(vellora::kVersion);

    vellora::RtAudioInput input;
    vellora::WaveAudioRecorder recorder(input);
    vellora::RtAudioSoundPlayer sound;
    vellora::SoundTonePlayer tone(sound);

    // The recording and the tone are written by relative name into the current
    // directory; from the desktop menu that is the home folder, so move to our own.
    const bool fromDesktop =
        QCoreApplication::arguments().contains(QString::fromLatin1(vellora::kFromDesktopArgument));
    std::error_code ec;
    std::filesystem::current_path(vellora::workingFolder(fromDesktop), ec);

    const std::filesystem::path settingsFile = vellora::settingsFilePath();
    const std::filesystem::path readingsFile =
        settingsFile.parent_path() / vellora::kReadingsFileName;
    // What writes killed in an earlier run left behind.
    for (const std::filesystem::path& written :
         {settingsFile, readingsFile, std::filesystem::path("test.wav"),
          std::filesystem::path(vellora::kCalibrationToneFile)})
        vellora::removeStaleTemporaryFiles(written);
    const vellora::SettingsStore settings(settingsFile);
    vellora::Language language;

    vellora::Form1Services services;
    services.readInt = [&](const char* section, const char* key, int32_t fallback) {
        return settings.readInt(section, key, fallback);
    };
    services.readString = [&](const char* section, const char* key, const std::string& fallback,
                              int size) {
        return settings.readString(section, key, fallback, size_t(size));
    };
    services.writeString = [&](const char* section, const char* key, const std::string& value) {
        return settings.writeString(section, key, value);
    };
    services.setLanguage = [&](const std::string& name) {
        const vellora::Status read = language.load(name, vellora::languageFilePath(name),
                                                   vellora::languageFilePath("English"));
        if (read) return;
        // The texts now come from English.lng (or are "Err!!" when it fails too); the
        // user is told why once the window shows.
        const QString message =
            QString::fromStdString(language.text("FORM1", kLanguageFallbackKey))
                .arg(QString::fromStdString(name), QString::fromStdString(read.message()));
        QTimer::singleShot(0, [message] {
            QMessageBox::warning(nullptr, QApplication::applicationName(), message);
        });
    };
    services.languageFilePath = [&] { return vellora::pathToUtf8(language.file()); };
    services.text = [&](const char* section, int key) { return language.text(section, key); };
    services.showHelp = [](const std::string& file) { return vellora::CHelp().Show(file, ""); };
    services.capture = [&recorder] {
        int32_t retour = 0;
        return vellora::sendCaptureSequence(recorder, retour);
    };
    services.tone = &tone;
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
    return app.exec();
}
