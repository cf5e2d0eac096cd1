// SPDX-License-Identifier: GPL-3.0-or-later
// What the program puts behind its window: the sound card's recorder and loudspeaker,
// the settings file, the language files, the belt set-ups and the readings log, handed
// to the window as its services. main() builds these; so does the window benchmark, so
// that it measures the program as it runs.
#pragma once

#include <QObject>

#include <filesystem>

#include "audio/rtaudio_input.h"
#include "audio/rtaudio_sound_player.h"
#include "audio/wave_audio_recorder.h"
#include "belt/belt_store_profile.h"
#include "calibration/sound_tone_player.h"
#include "common/process_lock.h"
#include "mainwindow/form1.h"
#include "settings/language.h"
#include "settings/settings_store.h"

namespace vellora {

class ProgramParts {
  public:
    // `settingsFile`: the settings and belt set-ups; `programFolder`: where the language
    // files are looked for first; `filesFolder`: the readings log, the tone and the cues
    // (beside the settings file when empty).
    ProgramParts(const std::filesystem::path& settingsFile,
                 const std::filesystem::path& programFolder,
                 const std::filesystem::path& filesFolder = {},
                 RtAudioInput::Options inputOptions = {});

    // The window's services over these parts; they must outlive the window.
    Form1Services services();

    RtAudioInput input;  // first: the recorder and the window's services use it
    WaveAudioRecorder recorder{input};
    RtAudioSoundPlayer sound;
    SoundTonePlayer tone{sound};
    const SettingsStore settings;
    Language language;
    ProfileBeltStore belts;
    const std::filesystem::path filesFolder;
    const std::filesystem::path readingsFile;
    // Taken by the first clip of a run, given back when the meter stops: a second
    // instance on the same folder must not read this one's clips, nor this one its.
    ProcessLock recordingLock;
    // The language until one is stored: the locale's (first_language.h).
    const std::string firstLanguage;

  private:
    std::filesystem::path programFolder_;
    QObject context_;  // ends the openings ahead still queued when the parts go
};

}  // namespace vellora
