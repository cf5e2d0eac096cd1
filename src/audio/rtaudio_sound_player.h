// SPDX-License-Identifier: GPL-3.0-or-later
// The sound service on RtAudio: the file is read whole with libsndfile, so any PCM
// WAVE plays; the output callback cycles through its frames, so the loop point has no
// gap by construction.
#pragma once

#include <atomic>
#include <memory>
#include <vector>

#include "audio/sound_player.h"
#include "audio/stream_watch.h"

class RtAudio;

namespace vellora {

class RtAudioSoundPlayer final : public SoundPlayer {
  public:
    RtAudioSoundPlayer();
    ~RtAudioSoundPlayer() override;

    bool sndPlaySound(const char* name, unsigned flags) override;
    bool playing() const override;
    Status problem() const override;

  private:
    struct Clip {
        std::vector<float> frames;  // interleaved
        unsigned channels = 0;
        unsigned rate = 0;
    };
    static Status load(const char* name, Clip& clip);
    static int onAudio(void* output, void* input, unsigned frames, double time, unsigned status,
                       void* self);
    int fill(float* output, unsigned frames);
    bool start(unsigned rate);
    void stop();

    std::unique_ptr<RtAudio> audio_;
    // Read by the audio thread only while the stream is open.
    Clip clip_;
    size_t position_ = 0;  // next frame
    bool loop_ = false;
    std::atomic<bool> finished_{true};
    StreamWatch watch_;  // a dead output stops the sound and is reported
    Status refused_;
};

}  // namespace vellora
