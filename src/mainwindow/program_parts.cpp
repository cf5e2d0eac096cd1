// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/program_parts.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <string_view>

#include "audio/capture_sequence.h"
#include "belt/readings_file.h"
#include "settings/chelp.h"
#include "settings/data_files.h"
#include "settings/first_language.h"
#include "settings/language_names.h"

namespace vellora {

namespace {
// "The %1 language file could not be read (%2): the texts are shown in English."
constexpr int kLanguageFallbackKey = 130;
// Beside the recording, which every instance on the folder writes under one name.
constexpr const char* kRecordingLockFile = ".vellora-recording.lock";
}  // namespace

ProgramParts::ProgramParts(const std::filesystem::path& settingsFile,
                           const std::filesystem::path& programFolder,
                           const std::filesystem::path& filesFolderOrEmpty,
                           RtAudioInput::Options inputOptions)
    : input(std::move(inputOptions)),
      settings(settingsFile),
      belts(settingsFile),
      filesFolder(filesFolderOrEmpty.empty() ? settingsFile.parent_path() : filesFolderOrEmpty),
      readingsFile(this->filesFolder / kReadingsFileName),
      recordingLock(this->filesFolder / kRecordingLockFile),
      firstLanguage(firstStartLanguage(localeFromEnvironment())),
      programFolder_(programFolder) {}

Form1Services ProgramParts::services() {
    Form1Services s;
    s.readInt = [this](const char* section, const char* key, int32_t fallback) {
        return settings.readInt(section, key, fallback);
    };
    s.readString = [this](const char* section, const char* key, const std::string& fallback,
                          int size) {
        const bool isLanguage = std::string_view(key) == kKeyLangue;
        return settings.readString(section, key, isLanguage ? firstLanguage : fallback,
                                   size_t(size));
    };
    s.writeString = [this](const char* section, const char* key, const std::string& value) {
        return settings.writeString(section, key, value);
    };
    s.setLanguage = [this](const std::string& name) {
        const Status read = language.load(name, languageFilePath(programFolder_, name),
                                          languageFilePath(programFolder_, kEnglishLanguage));
        if (read) return;
        // The texts now come from English.lng (or are "Err!!" when it fails too); the
        // user is told why once the window shows.
        const QString message =
            QString::fromStdString(language.text("FORM1", kLanguageFallbackKey))
                .arg(QString::fromStdString(name), QString::fromStdString(read.message()));
        QTimer::singleShot(0, &context_, [message] {
            QMessageBox::warning(nullptr, QApplication::applicationName(), message);
        });
    };
    s.languageFilePath = [this] { return pathToUtf8(language.file()); };
    s.text = [this](const char* section, int key) { return language.text(section, key); };
    s.showHelp = [](const std::string& file) { return CHelp().Show(file, ""); };
    s.capture = [this] {
        if (!recordingLock.take()) return int32_t(kFolderInUse);
        int32_t retour = 0;
        return sendCaptureSequence(recorder, retour);
    };
    s.tone = &tone;
    s.toneFolder = filesFolder;
    s.beltStore = &belts;
    s.readingsFile = readingsFile;
    s.closeRecorder = [this] { recorder.send(closeAllCommand()); };
    s.recordingDone = [this] { recordingLock.release(); };
    // Held while a window of the program shows, and opened ahead when one shows or is
    // activated (a moment later, so that the window shows first): the first clip after
    // Run need not wait for the sound server, even after the input closed while the
    // window was minimised or a server went away.
    s.holdInput = [this](bool held) {
        input.hold(held);
        if (held) QTimer::singleShot(0, &context_, [this] { input.openAhead(); });
    };
    s.wakeInput = [this] { QTimer::singleShot(0, &context_, [this] { input.openAhead(); }); };
    return s;
}

}  // namespace vellora
