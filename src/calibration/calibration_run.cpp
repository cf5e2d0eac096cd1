#include "calibration/calibration_run.h"

#include <system_error>

#include "calibration/calibration_tone.h"
#include "common/numeric.h"
#include "measure/measurement_run.h"

namespace vellora {

namespace {
constexpr const char* kLeftQuote = "\u201C";
constexpr const char* kRightQuote = "\u201D";
constexpr double kDesignStep = 5.4171;
constexpr double kUnitsPerHertzStep = 500.0;

}  // namespace

std::string withFolder(std::string text, const std::string& folder) {
    const auto at = text.find("%1");
    if (at == std::string::npos) return text + " " + folder;
    return text.replace(at, 2, folder);
}

std::string calibrationQuestion(const CalibrationWindow& w, int16_t frequenceCal) {
    return w.text(kQuestionKeys[0]) + formatWhole(frequenceCal) + w.text(kQuestionKeys[1]) + "\n" +
           w.text(kQuestionKeys[2]) + kLeftQuote + w.text(kReadoutLabelKey) + kRightQuote +
           w.text(kQuestionKeys[3]);
}

float pasFrequenceForSlider(int16_t minimum, int16_t maximum, int16_t value) {
    const double middle = (double(maximum) - double(minimum)) / 2;
    return static_cast<float>(kDesignStep - (middle - value) / kUnitsPerHertzStep);
}

CalibrationRun::CalibrationRun(CalibrationWindow& window, MeterState& state, TonePlayer& player,
                               std::filesystem::path toneFolder)
    : window_(window), state_(state), player_(player), toneFolder_(std::move(toneFolder)) {}

void CalibrationRun::CommandCalibrate_Click() {
    const std::string idle = window_.text(kCalibrateIdleKey);
    bool start = window_.calibrateCaption() == idle;
    // With equal texts the caption cannot tell; the tone can, so a press still stops it.
    if (idle == window_.text(kCalibrateActiveKey)) start = !player_.playing();
    if (start)
        this->start();
    else
        stop();
}

void CalibrationRun::start() {
    window_.setCalibrateSliderEnabled(true);
    window_.showQuestionFrame(true);
    const bool ok = window_.askOkCancel(calibrationQuestion(window_, state_.FrequenceCal));
    window_.showQuestionFrame(false);
    if (!ok) return;

    // No platform default sound stands in for a missing tone: write the one the
    // question quotes.
    std::error_code ec;
    if (!std::filesystem::exists(toneFolder_ / kCalibrationToneFile, ec)) {
        const ToneWriteResult written =
            WriteCalibrationTone(state_.FrequenceCal, state_.FrequenceCal, toneFolder_);
        if (!written.ok) {
            const auto folder = std::filesystem::absolute(toneFolder_, ec).lexically_normal();
            window_.showProblem(withFolder(window_.text(kToneNotWrittenKey), folder.string()));
            return;
        }
    }

    // Something else under the tone's name (a FIFO, a folder, a huge file) is named as
    // such rather than blamed on the loudspeaker.
    const std::filesystem::path tone = toneFolder_ / kCalibrationToneFile;
    if (!isPlayableToneFile(tone)) {
        const auto file = std::filesystem::absolute(tone, ec).lexically_normal();
        window_.showProblem(withFolder(window_.text(kToneUnreadableKey), file.string()));
        return;
    }

    window_.setCalibrateCaption(window_.text(kCalibrateActiveKey));
    if (!player_.playLoop(tone.string())) {
        window_.setCalibrateCaption(window_.text(kCalibrateIdleKey));
        window_.showProblem(window_.text(kToneNotPlayedKey));
        return;
    }
    window_.showReadout(frequencyText(state_.plot.IndicePic, state_.plot.PasFrequence));
    window_.enableMeasurementButtons();
    if (state_.PremiereCalibration)
        state_.PremiereCalibration = false;
    else if (window_.runCaption() == window_.text(kRunActiveKey))
        window_.setRunCaption(window_.text(kRunIdleKey));
    window_.CommandRun_Click();
}

void CalibrationRun::stop() {
    window_.setCalibrateCaption(window_.text(kCalibrateIdleKey));
    player_.stop();
    window_.setCalibrateSliderEnabled(false);
}

void CalibrationRun::HScrollCalibrate_Change(int16_t minimum, int16_t maximum, int16_t value) {
    state_.plot.PasFrequence = pasFrequenceForSlider(minimum, maximum, value);
    window_.setReadout(frequencyText(state_.plot.IndicePic, state_.plot.PasFrequence));
}

}  // namespace vellora
