// SPDX-License-Identifier: GPL-3.0-or-later
// Reads a recording as raw bytes by fixed offsets, the way the meter has always
// read "test.wav": the header is not parsed, offsets 0 to 53 are skipped, and every
// byte from offset 54 on is one unsigned 8-bit sample.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "measure/spectrum_arrays.h"

namespace vellora {

struct Recording {
    // N = file length - 43 (can be 0 or negative for a short file).
    int32_t n = 0;
    // False when the file is missing, unreadable or shorter than 44 bytes (N < 1):
    // the caller must not show the cycle as a new recording.
    bool present = false;
    // Tampon(1)..Tampon(min(N, 4410)) at positions 0..; bytes past the end of the
    // file read as 0. Later elements are never used, so they are not kept.
    std::vector<uint8_t> tampon;
};

// First half: N and the sample bytes of a whole file held in memory.
Recording readRecordingBytes(std::span<const uint8_t> file);

// The same for a file on disk; a missing or unreadable file gives present = false.
// `whole`, when given, receives the file's first `wholeLimit` bytes from the same read
// (empty when the file could not be read), for other readers of the same clip.
Recording readRecordingFile(const std::string& path, std::vector<uint8_t>* whole = nullptr,
                            size_t wholeLimit = 0);

// Second half: Reel(i) = Tampon(i) for i = 1 .. S-1, every other position of both
// arrays (0, S .. 4410) and all of Imaginaire set to 0. S = min(N, 4410); with no
// recording both arrays are all zero.
void fillSpectrumArrays(const Recording& rec, SpectrumArrays& arrays);

}  // namespace vellora
