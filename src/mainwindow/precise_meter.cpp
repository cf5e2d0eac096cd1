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
