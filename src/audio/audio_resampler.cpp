// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/audio_resampler.h"

#include <samplerate.h>

#include <cmath>

namespace vellora {

namespace {

// Sinc quality keeps the pass band flat to well above the spectrum the meter shows;
// a cheaper converter would bend the level of higher tones.
constexpr int kConverter = SRC_SINC_MEDIUM_QUALITY;

}  // namespace

AudioResampler::AudioResampler(double fromRate, double toRate) : ratio_(toRate / fromRate) {
    int error = 0;
    if (fromRate > 0 && toRate > 0 && src_is_valid_ratio(ratio_))
        state_ = src_new(kConverter, 1, &error);
}

AudioResampler::~AudioResampler() {
    if (state_) src_delete(static_cast<SRC_STATE*>(state_));
}

void AudioResampler::process(std::span<const float> in, std::vector<float>& out) {
    if (!state_) return;
    const size_t before = out.size();
    const auto room = size_t(std::ceil(double(in.size()) * ratio_)) + 16;
    out.resize(before + room);
    SRC_DATA d{};
    d.data_in = in.data();
    d.input_frames = long(in.size());
    d.data_out = out.data() + before;
    d.output_frames = long(room);
    d.src_ratio = ratio_;
    d.end_of_input = 0;
    // The sinc converter takes the whole block when the output has room for it.
    if (src_process(static_cast<SRC_STATE*>(state_), &d) != 0) d.output_frames_gen = 0;
    out.resize(before + size_t(d.output_frames_gen));
}

void AudioResampler::reset() {
    if (state_) src_reset(static_cast<SRC_STATE*>(state_));
}

std::vector<float> resampleClip(std::span<const float> in, int channels, double fromRate,
                                double toRate) {
    if (channels < 1 || fromRate <= 0 || toRate <= 0) return {};
    const double ratio = toRate / fromRate;
    const long frames = long(in.size()) / channels;
    std::vector<float> out(size_t(std::ceil(double(frames) * ratio) + 16) * size_t(channels));
    SRC_DATA d{};
    d.data_in = in.data();
    d.input_frames = frames;
    d.data_out = out.data();
    d.output_frames = long(out.size()) / channels;
    d.src_ratio = ratio;
    d.end_of_input = 1;
    if (src_simple(&d, kConverter, channels) != 0) return {};
    out.resize(size_t(d.output_frames_gen) * size_t(channels));
    return out;
}

}  // namespace vellora
