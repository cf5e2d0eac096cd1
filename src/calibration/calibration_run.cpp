// SPDX-License-Identifier: GPL-3.0-or-later
#include "calibration/calibration_run.h"

#include <optional>
#include <system_error>

#include "calibration/calibration_tone.h"
#include "common/numeric.h"
#include "measure/measurement_run.h"
#include "measure/spectrum_plot.h"

namespace vellora {

namespace {
constexpr double kUnitsPerHertzStep = 500.0;

}  // namespace

std::string fillIn(const std::string& text, std::initializer_list<std::string> values) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const size_t n = i + 1 < text.size() ? size_t(text[i + 1] - '0') : 0;
        if (text[i] == '%' && n >= 1 && n <= values.size()) {
            out += *(values.begin() + (n - 1));
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string calibrationQuestion(const CalibrationWindow& w, int16_t frequenceCal) {
    return w.text(kQuestionKeys[0]) + formatWhole(frequenceCal) + w.text(kQuestionKeys[1]) + "\n" +
           w.text(kQuestionKeys[2]) + w.text(kReadoutLabelKey) + w.text(kQuestionKeys[3]);
}

float pasFrequenceForSlider(int16_t minimum, int16_t maximum, int16_t value) {
    const double middle = (double(maximum) - double(minimum)) / 2;
    return static_cast<float>(kDesignPasFrequence - (middle - value) / kUnitsPerHertzStep);
}

CalibrationRun::CalibrationRun(CalibrationWindow& window, MeterState& state, TonePlayer& player,
                               std::filesystem::path toneFolder)
    : window_(window), state_(state), player_(player), toneFolder_(std::move(toneFolder)) {}

void CalibrationRun::CommandCalibrate_Click() {
    const std::string idle = window_.text(kCalibrateIdleKey);
    bool start = window_.calibrateCaption() == idle;
    // With equal texts the caption cannot tell, so a press during a calibration stops it.
    if (idle == window_.text(kCalibrateActiveKey)) start = !active_;
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

    active_ = true;
    window_.setCalibrateCaption(window_.text(kCalibrateActiveKey));
    const std::optional<std::string> problem = playTone();
    window_.showReadout(frequencyText(state_.plot.IndicePic, state_.plot.PasFrequence));
    window_.enableMeasurementButtons();
    if (state_.PremiereCalibration)
        state_.PremiereCalibration = false;
    else if (window_.runCaption() == window_.text(kRunActiveKey))
        window_.setRunCaption(window_.text(kRunIdleKey));
    // Before the run, which returns only when it ends.
    if (problem) window_.showProblem(*problem);
    window_.CommandRun_Click();
}

// The file is written afresh unless it holds exactly the tone of FrequenceCal, so the
// tone heard is the one the question quoted: an older file may hold another (the
// dialog's second button stores a frequency without writing its tone), or be damaged.
std::optional<std::string> CalibrationRun::playTone() {
    player_.stop();
    playingHz_.reset();
    const std::filesystem::path file = toneFolder_ / kCalibrationToneFile;
    const std::string goOn =
        "\n" + fillIn(window_.text(kExternalToneKey), {formatWhole(state_.FrequenceCal)});
    std::error_code ec;
    const std::string shownFile = std::filesystem::absolute(file, ec).lexically_normal().string();
    // Something else under the tone's name that is not an ordinary file of tone size
    // (a FIFO, a folder, a huge file) is named as such, and left as it is.
    if (std::filesystem::exists(std::filesystem::symlink_status(file, ec)) &&
        !isPlayableToneFile(file))
        return fillIn(window_.text(kToneUnreadableKey), {shownFile}) + goOn;
    if (!toneFileHolds(file, state_.FrequenceCal)) {
        const Status written =
            WriteCalibrationTone(state_.FrequenceCal, state_.FrequenceCal, toneFolder_);
        if (!written)
            return fillIn(window_.text(kToneFileKey), {shownFile}) + " (" + written.message() +
                   ")" + goOn;
    }
    if (const Status played = player_.playLoop(file.string()); !played) {
        if (played.failure() != Failure::DeviceFailed)
            return fillIn(window_.text(kToneFileKey), {shownFile}) + goOn;
        return window_.text(kToneNotPlayedKey) + goOn;
    }
    playingHz_ = state_.FrequenceCal;
    return std::nullopt;
}

void CalibrationRun::toneFileChanged() {
    if (!active_) return;
    if (const std::optional<std::string> problem = playTone()) window_.showProblem(*problem);
}

void CalibrationRun::checkTone() {
    if (!playingHz_ || player_.problem().failure() != Failure::DeviceFailed) return;
    player_.stop();
    playingHz_.reset();
    window_.showProblem(window_.text(kToneLostKey));
}

void CalibrationRun::stop() {
    active_ = false;
    playingHz_.reset();
    window_.setCalibrateCaption(window_.text(kCalibrateIdleKey));
    player_.stop();
    window_.setCalibrateSliderEnabled(false);
}

void CalibrationRun::HScrollCalibrate_Change(int16_t minimum, int16_t maximum, int16_t value) {
    state_.plot.PasFrequence = pasFrequenceForSlider(minimum, maximum, value);
    window_.setReadout(frequencyText(state_.plot.IndicePic, state_.plot.PasFrequence));
}

}  // namespace vellora
