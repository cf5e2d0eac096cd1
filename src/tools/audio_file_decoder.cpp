// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/audio_file_decoder.h"

#include <sndfile.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <memory>

#include "audio/audio_resampler.h"
#include "common/regular_file.h"
#include "wave/recorder_wave.h"
#include "wave/wave_format.h"

namespace vellora {

namespace {

struct SndfileCloser {
    void operator()(SNDFILE* f) const { sf_close(f); }
};

// Frames read at a time: a bounded buffer whatever the channel count.
constexpr sf_count_t kBlockFrames = 4096;
// More channels than any real recording: a header claiming more is damage.
constexpr int kMaxChannels = 64;
// Beyond any sound card; a header declaring more is damage, and reading kDecodedSeconds
// at its rate would take gigabytes.
constexpr int kMaxRate = 768000;

}  // namespace

DecodedAudio decodeAudioFile(const std::string& path) {
    DecodedAudio out;
    // Only a regular file, opened without waiting: a FIFO or a device would hold the
    // program for good. "-" is a file of that name here, never standard input.
    const int fd = openRegularFileForReading(path);
    if (fd < 0) {
        const int e = errno;
        out.status = e == EINVAL   ? Status(Failure::NotRegularFile, "not a regular file")
                     : e == ENOENT ? Status(Failure::NotFound, std::strerror(e))
                                   : Status(Failure::ReadFailed, std::strerror(e));
        return out;
    }
    SF_INFO info{};
    std::unique_ptr<SNDFILE, SndfileCloser> file(sf_open_fd(fd, SFM_READ, &info, SF_TRUE));
    if (!file) {
        out.status = Status(Failure::BadContent, std::string("not a sound file it can decode (") +
                                                     sf_strerror(nullptr) + ")");
        return out;
    }
    // The declared format is checked before a single frame is read.
    if (info.channels < 1 || info.channels > kMaxChannels || info.samplerate <= 0 ||
        info.samplerate > kMaxRate) {
        out.status = Status(Failure::BadContent,
                            "a sound file with " + std::to_string(info.channels) + " channels at " +
                                std::to_string(info.samplerate) + " samples per second");
        return out;
    }
    out.rate = info.samplerate;
    out.channels = info.channels;
    out.meterClip = (info.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_WAV &&
                    (info.format & SF_FORMAT_SUBMASK) == SF_FORMAT_PCM_U8 && info.channels == 1 &&
                    info.samplerate == int(kSampleRate);

    auto wanted = sf_count_t(std::ceil(kDecodedSeconds * info.samplerate));
    if (info.frames >= 0) wanted = std::min(wanted, info.frames);  // the declared length
    out.mono.reserve(size_t(wanted));
    std::vector<float> block(size_t(kBlockFrames) * size_t(info.channels));
    bool heard = false;  // a finite sample: NaN and infinity are no sound
    while (sf_count_t(out.mono.size()) < wanted) {
        const sf_count_t frames = sf_readf_float(
            file.get(), block.data(), std::min(kBlockFrames, wanted - sf_count_t(out.mono.size())));
        if (frames <= 0) break;
        for (sf_count_t i = 0; i < frames; ++i) {
            float sum = 0;
            for (int c = 0; c < info.channels; ++c) {
                const float x = block[size_t(i * info.channels + c)];
                if (!std::isfinite(x)) continue;  // silence
                sum += x;
                heard = true;
            }
            out.mono.push_back(sum / float(info.channels));
        }
    }
    if (sf_error(file.get()) != SF_ERR_NO_ERROR) {
        out.status = Status(Failure::ReadFailed,
                            std::string("cannot be decoded: ") + sf_strerror(file.get()));
        return out;
    }
    if (out.mono.empty())
        out.status = Status(Failure::BadContent, "holds no sound (no samples)");
    else if (!heard)
        out.status = Status(Failure::BadContent, "holds no sound (no sample is a number)");
    return out;
}

std::vector<uint8_t> meterClipOf(const DecodedAudio& audio, double cardRate) {
    const std::vector<float> atCardRate = resampleClip(audio.mono, 1, audio.rate, cardRate);
    if (atCardRate.empty() && !audio.mono.empty()) return {};
    std::vector<uint8_t> samples(atCardRate.size());
    std::transform(atCardRate.begin(), atCardRate.end(), samples.begin(), clipSample);
    return pcmWaveFile(samples, kSampleRate);
}

}  // namespace vellora
