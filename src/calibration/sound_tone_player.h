// SPDX-License-Identifier: GPL-3.0-or-later
// The calibration tone on the sound service: an asynchronous endless loop, and the
// stop of any sound.
#pragma once

#include "audio/sound_player.h"
#include "calibration/calibration_run.h"

namespace vellora {

class SoundTonePlayer final : public TonePlayer {
  public:
    explicit SoundTonePlayer(SoundPlayer& sound) : sound_(sound) {}

    Status playLoop(const std::string& file) override {
        return played(
            sound_.sndPlaySound(file.c_str(), kSoundAsync | kSoundNoDefault | kSoundLoop));
    }
    Status playOnce(const std::string& file) override {
        return played(sound_.sndPlaySound(file.c_str(), kSoundAsync | kSoundNoDefault));
    }
    void stop() override { sound_.sndPlaySound(nullptr, 0); }
    bool playing() const override { return sound_.playing(); }
    Status problem() const override { return sound_.problem(); }

  private:
    Status played(bool started) const {
        if (started) return {};
        Status why = sound_.problem();
        return why ? Status(Failure::DeviceFailed, "the sound did not start") : why;
    }

    SoundPlayer& sound_;
};

}  // namespace vellora
