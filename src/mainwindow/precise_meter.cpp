#include "mainwindow/precise_meter.h"

#include <algorithm>

namespace vellora {

namespace {
// Round a target the search reaches this far beyond it: a belt well off its target
// still reads there, and its partials still count against a guess inside it.
constexpr double kTargetReach = 1.5;
}  // namespace

std::optional<PitchEstimate> PreciseMeter::belt(std::span<const uint8_t> clip, float pasFrequence,
                                                std::optional<TargetHz> target) {
    clips_.add(clip);
    if (auto e = search(clip, pasFrequence, target)) return e;
    // The clips are not one stream (the cycle pauses between them), so the joins blur
    // the partials of higher belts: the run's clips only when one clip is not enough.
    if (clips_.count() == 1) return std::nullopt;
    return search(clips_.samples(), pasFrequence, target);
}

std::optional<PitchEstimate> PreciseMeter::search(std::span<const uint8_t> samples,
                                                  float pasFrequence,
                                                  std::optional<TargetHz> target) {
    if (target && target->high >= target->low && target->high > 0) {
        const double lo = std::max(kLowestBeltHz, target->low / kTargetReach);
        const double hi = std::min(kHighestBeltHz, target->high * kTargetReach);
        if (!near_ || near_->options().minHz != lo || near_->options().maxHz != hi) {
            PitchOptions o;
            o.minHz = lo;
            o.maxHz = hi;
            near_.emplace(o);
        }
        if (lo <= hi)
            if (auto e = near_->estimate(samples, pasFrequence)) return e;
    }
    return belt_.estimate(samples, pasFrequence);
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
