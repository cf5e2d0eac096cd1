// SPDX-License-Identifier: GPL-3.0-or-later
// Sound files other than the meter's own clip, for vellora-analyze: whatever libsndfile
// decodes (WAV of any sample format, FLAC, Ogg Vorbis ...), mixed to mono, and the clip
// the meter would have recorded from that sound.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/status.h"

namespace vellora {

struct DecodedAudio {
    Status status;            // why the file could not be decoded, when it failed
    double rate = 0;          // frames per second, as the file says
    int channels = 0;         // in the file; `mono` is their mean
    bool meterClip = false;   // a PCM WAVE of unsigned 8-bit mono at 22050 per second
    std::vector<float> mono;  // -1 .. 1, at most the first kDecodedSeconds
};

// The analyses use the start of a file, as the meter reads its clip: no more is read,
// so a long recording costs no more than a short one.
inline constexpr double kDecodedSeconds = 2.0;

// Only a regular file is read ("-" is a file of that name). Its declared rate and length
// are checked first, and at most kDecodedSeconds at a rate of at most 768 kHz is read,
// so no header makes it take gigabytes. NaN and infinite samples are silence; a file
// without samples, or with none that is a number, is a failure.
DecodedAudio decodeAudioFile(const std::string& path);

// The clip file (header and bytes) the meter would have saved from this sound: mono
// resampled to the card's real rate, `cardRate` samples per second (the calibrated scale
// times 4096), as unsigned 8-bit samples under the nominal 22050 header. Empty when the
// converter is missing.
std::vector<uint8_t> meterClipOf(const DecodedAudio& audio, double cardRate);

}  // namespace vellora
