// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/rtaudio_sound_player.h"

#include <sndfile.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>

#include "audio/audio_backend.h"
#include "audio/audio_resampler.h"
#include "common/regular_file.h"

namespace vellora {

namespace {

// The rate tried when the output refuses the file's own.
constexpr unsigned kFallbackRate = 48000;
constexpr unsigned kFramesPerBuffer = 512;
// About 47 s of CD-quality stereo, 16 MB as floats: far beyond any tone.
constexpr sf_count_t kMostClipSamples = sf_count_t(1) << 22;

}  // namespace

RtAudioSoundPlayer::RtAudioSoundPlayer() = default;

RtAudioSoundPlayer::~RtAudioSoundPlayer() { stop(); }

bool RtAudioSoundPlayer::playing() const { return !finished_.load(); }

Status RtAudioSoundPlayer::problem() const {
    if (watch_.failed())
        return Status(Failure::DeviceFailed, "the sound output stopped while playing");
    return refused_;
}

Status RtAudioSoundPlayer::load(const char* name, Clip& clip) {
    // Only a regular file: sf_open on a FIFO would wait for a writer for good.
    const int fd = openRegularFileForReading(name);
    if (fd < 0)
        return errno == EINVAL
                   ? Status(Failure::NotRegularFile, std::string(name) + ": not a regular file")
                   : errnoStatus(name, errno, Failure::ReadFailed);
    const auto noSound = [name] {
        return Status(Failure::BadContent, std::string(name) + ": holds no sound to play");
    };
    SF_INFO info{};
    SNDFILE* file = sf_open_fd(fd, SFM_READ, &info, SF_FALSE);
    if (!file) {
        ::close(fd);
        return noSound();
    }
    // The whole clip is held in memory: a file longer than any tone is refused.
    bool ok = info.frames > 0 && info.channels > 0 && info.samplerate > 0 &&
              info.frames <= kMostClipSamples / info.channels;
    if (ok) {
        std::vector<float> all(size_t(info.frames) * size_t(info.channels));
        const sf_count_t got = sf_readf_float(file, all.data(), info.frames);
        ok = got > 0;
        all.resize(size_t(std::max<sf_count_t>(got, 0)) * size_t(info.channels));
        // Two channels play as they are; more are mixed down to mono.
        clip.channels = info.channels <= 2 ? unsigned(info.channels) : 1;
        clip.rate = unsigned(info.samplerate);
        if (info.channels <= 2) {
            clip.frames = std::move(all);
        } else {
            const size_t n = all.size() / size_t(info.channels);
            clip.frames.assign(n, 0.0f);
            for (size_t i = 0; i < n; ++i) {
                for (int c = 0; c < info.channels; ++c)
                    clip.frames[i] += all[i * size_t(info.channels) + size_t(c)];
                clip.frames[i] /= float(info.channels);
            }
        }
    }
    sf_close(file);
    ::close(fd);
    return ok && !clip.frames.empty() ? Status() : noSound();
}

int RtAudioSoundPlayer::onAudio(void* output, void*, unsigned frames, double, unsigned,
                                void* self) {
    auto* me = static_cast<RtAudioSoundPlayer*>(self);
    if (me->watch_.blockIsLive(frames) || !me->watch_.failed())
        return me->fill(static_cast<float*>(output), frames);
    me->finished_ = true;
    return 2;  // abort: the stream's thread stops instead of spinning
}

int RtAudioSoundPlayer::fill(float* out, unsigned frames) {
    const size_t total = clip_.frames.size() / clip_.channels;
    for (unsigned i = 0; i < frames; ++i) {
        if (position_ >= total) {
            if (!loop_) {
                std::fill(out + size_t(i) * clip_.channels, out + size_t(frames) * clip_.channels,
                          0.0f);
                finished_ = true;
                return 1;  // drain what was written, then stop
            }
            position_ = 0;
        }
        std::copy_n(clip_.frames.data() + position_ * clip_.channels, clip_.channels,
                    out + size_t(i) * clip_.channels);
        ++position_;
    }
    return 0;
}

bool RtAudioSoundPlayer::start(unsigned rate) {
    RtAudio::StreamParameters params;
    params.nChannels = clip_.channels;
    RtAudio::StreamOptions options;
    options.streamName = "Vellora";
    unsigned frames = kFramesPerBuffer;
    watch_.restart(rate);
    try {
        params.deviceId = audio_->getDefaultOutputDevice();
        audio_->openStream(&params, nullptr, RTAUDIO_FLOAT32, rate, &frames, &onAudio, this,
                           &options, &noteAudioError);
        if (!audio_->isStreamOpen()) return false;
        finished_ = false;
        audio_->startStream();
        if (audio_->isStreamRunning()) return true;
    } catch (const RtAudioError&) {
    }
    finished_ = true;
    closeAudioStream(*audio_);
    return false;
}

bool RtAudioSoundPlayer::sndPlaySound(const char* name, unsigned flags) {
    stop();
    refused_ = {};
    if (!name) return true;
    if (!(flags & kSoundAsync)) return false;
    Clip clip;
    refused_ = load(name, clip);
    if (!refused_) return false;
    refused_ = Status(Failure::DeviceFailed, "no sound output could be opened");
    if (!audio_) audio_ = openAudioLibrary();
    if (!audio_) return false;
    clip_ = std::move(clip);
    position_ = 0;
    loop_ = (flags & kSoundLoop) != 0;
    if (start(clip_.rate)) {
        refused_ = {};
        return true;
    }
    // Some outputs take only their own rates: convert the clip once, which keeps the
    // loop gapless.
    clip_.frames = resampleClip(clip_.frames, int(clip_.channels), clip_.rate, kFallbackRate);
    position_ = 0;
    if (!clip_.frames.empty() && start(kFallbackRate)) {
        refused_ = {};
        return true;
    }
    clip_ = {};
    return false;
}

void RtAudioSoundPlayer::stop() {
    if (audio_) closeAudioStream(*audio_);
    finished_ = true;
    watch_.restart(0);
}

}  // namespace vellora
