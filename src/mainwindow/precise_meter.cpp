#include "mainwindow/precise_meter.h"

namespace vellora {

std::optional<double> PreciseMeter::belt(std::span<const uint8_t> samples, float pasFrequence) {
    const auto e = belt_.estimate(samples, pasFrequence);
    if (!e) return std::nullopt;
    return e->hz;
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

std::optional<CalibrationSetting> PreciseMeter::autoCalibrate(std::span<const uint8_t> samples,
                                                              float pasFrequence,
                                                              int16_t frequenceCal, int16_t minimum,
                                                              int16_t maximum) {
    const auto hz = tone(samples, pasFrequence, frequenceCal);
    if (!hz) return std::nullopt;
    return autoCalibrationSetting(*hz, pasFrequence, frequenceCal, minimum, maximum);
}

}  // namespace vellora
