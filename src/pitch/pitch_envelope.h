// SPDX-License-Identifier: GPL-3.0-or-later
// The loudness envelope of a recording, in blocks of 10 ms: where the pluck starts, how
// long it rings and whether it decays at all. The precise estimator analyses only what
// follows the onset (the noise, or an engine running, before it only blurs the spectrum
// and hides the decay) and refuses sounds
// that do not ring like a belt: clicks die within a few tens of milliseconds, and a
// voice holds its level through a syllable where a pluck decays from the start.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

namespace vellora {

struct Envelope {
    size_t onset = 0;        // first sample of the loudest event (samples)
    double ringSeconds = 0;  // from the onset until the level stays 20 dB below its peak
    double endToPeak = 0;    // RMS of the last block over the loudest one: ~1 for a hum
    // Of the time from the peak down to 20 dB under it, the share spent within 3 dB of
    // the peak (0 when the sound does not die away within the recording). Every mode of
    // a plucked string decays exponentially, so a pluck loses its first 3 dB fastest:
    // about 0.15 for one mode, less for several. A syllable holds its level, then stops.
    double holdShare = 0;
    // Least-squares slope of the level in dB per second, from the attack (the first block
    // within 6 dB of the peak) until the level stays 20 dB under the peak: a plucked
    // belt falls, a held tone stays near 0. NaN when that is under kMinSlopeBlocks.
    double slopeDbPerS = 0;
    // From the onset on, the level held within 3 dB of the peak for kMinPlateauBlocks or
    // more, then fell 10 dB under the peak within two blocks and stayed there: a beeper
    // switched off. A string's decaying modes lose level fastest at first (the log of a sum
    // of decaying exponentials is convex), so after holding it can only fall slowly.
    bool abruptEnd = false;
    double rms = 0;              // of the whole recording, in 8-bit steps
    std::vector<double> levels;  // RMS per block
    double blockSeconds = 0;
};

inline constexpr size_t kMinSlopeBlocks = 8;
// Longer than half a period of the lowest belt (10 Hz), whose own waveform swings the
// level of a block.
inline constexpr size_t kMinPlateauBlocks = 7;

// x: centred samples (8-bit steps); rate: samples per second.
Envelope analyseEnvelope(std::span<const double> x, double rate);

// The largest rise of the level after it had fallen below a third of an earlier level, over that
// low, the level taken as the largest within `smoothSeconds` (a period or more, so that
// a low note's own swing is no rise): a pluck decays, speech comes back syllable after
// syllable.
double reattack(const Envelope& e, double smoothSeconds);

}  // namespace vellora
