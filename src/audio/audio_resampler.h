// SPDX-License-Identifier: GPL-3.0-or-later
// Streaming sample-rate conversion of mono float audio with libsamplerate, for inputs
// and outputs that refuse the rate the meter works at.
#pragma once

#include <span>
#include <vector>

namespace vellora {

class AudioResampler {
  public:
    AudioResampler(double fromRate, double toRate);
    ~AudioResampler();
    AudioResampler(const AudioResampler&) = delete;
    AudioResampler& operator=(const AudioResampler&) = delete;

    bool ok() const { return state_ != nullptr; }
    double ratio() const { return ratio_; }

    // Converts the next block and appends what comes out to `out`. The filter holds a
    // few dozen samples back, so the first blocks give a little less than in * ratio.
    // Safe on an audio thread once `out` has capacity for the block's output.
    void process(std::span<const float> in, std::vector<float>& out);

    // Forgets the filter's history, for a new stream.
    void reset();

  private:
    void* state_ = nullptr;  // SRC_STATE
    double ratio_ = 1.0;
};

// A whole clip at once (no history before or after it).
std::vector<float> resampleClip(std::span<const float> in, int channels, double fromRate,
                                double toRate);

}  // namespace vellora
