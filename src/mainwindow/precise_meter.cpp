// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/precise_meter.h"

#include <algorithm>
#include <charconv>

namespace vellora {

std::string preciseHertzText(double hz) {
    // Whatever the user's locale: a point, as the read-outs have always shown.
    char text[64];
    const auto [end, ec] = std::to_chars(text, text + sizeof text, hz, std::chars_format::fixed, 1);
    return ec == std::errc() ? std::string(text, end) + " Hz" : std::string();
}

namespace {
// Round a target the search reaches this far beyond it: a belt well off its target
// still reads there, and its partials still count against a guess inside it.
constexpr double kTargetReach = 1.5;
// One clip holds six periods of the pluck from about 21 Hz; above this it always does.
constexpr double kOneClipLowestHz = 40;
}  // namespace

std::optional<PitchEstimate> PreciseMeter::belt(std::span<const uint8_t> clip, float pasFrequence,
                                                std::optional<Range> target) {
    clips_.add(clip);
    // The clips are not one stream (the cycle pauses between them), so the joins blur
    // the partials of higher belts: the run's clips only when one clip is not enough.
    // While a belt reads only from them, they come first: one clip of it costs as much
    // as refusing it.
    const bool several = clips_.count() > 1;
    std::optional<PitchEstimate> e;
    if (several && lowestDecade_) {
        e = search(run_, clips_.samples(), pasFrequence, target);
        if (e && e->hz < kOneClipLowestHz) return e;
    }
    if (auto one = search(clip_, clip, pasFrequence, target)) {
        lowestDecade_ = false;
        return one;
    }
    if (several && !lowestDecade_) e = search(run_, clips_.samples(), pasFrequence, target);
    lowestDecade_ = e.has_value();
    return e;
}

std::optional<PitchEstimate> PreciseMeter::search(Estimators& e, std::span<const uint8_t> samples,
                                                  float pasFrequence, std::optional<Range> target) {
    if (target && target->high >= target->low && target->high > 0) {
        const double lo = std::max(kLowestBeltHz, target->low / kTargetReach);
        const double hi = std::min(kHighestBeltHz, target->high * kTargetReach);
        if (!e.near || e.near->options().minHz != lo || e.near->options().maxHz != hi) {
            PitchOptions o;
            o.minHz = lo;
            o.maxHz = hi;
            e.near.emplace(o);
        }
        if (lo <= hi)
            if (auto reading = e.near->estimate(samples, pasFrequence)) return reading;
    }
    return e.all.estimate(samples, pasFrequence);
}

std::optional<double> PreciseMeter::tone(std::span<const uint8_t> samples, float pasFrequence,
                                         int16_t frequenceCal) {
    if (frequenceCal <= 0) return std::nullopt;
    if (!tone_ || toneFor_ != frequenceCal) {
        tone_.emplace(calibrationPitchOptions(frequenceCal));
        toneFor_ = frequenceCal;
    }
    const auto e = tone_->estimate(samples, pasFrequence);
    if (!e) return std::nullopt;
    return e->hz;
}

PreciseMeter::AutoCalibration PreciseMeter::autoCalibrate(std::span<const uint8_t> samples,
                                                          float pasFrequence, int16_t toneHz,
                                                          int16_t minimum, int16_t maximum) {
    AutoCalibration a;
    const auto hz = tone(samples, pasFrequence, toneHz);
    if (!hz) return a;
    a.heardHz = nominalToneHz(*hz, pasFrequence);
    if (isCalibrationTone(*hz, pasFrequence, toneHz))
        a.setting = autoCalibrationSetting(*hz, pasFrequence, toneHz, minimum, maximum);
    return a;
}

}  // namespace vellora
