// SPDX-License-Identifier: GPL-3.0-or-later
#include "measure/measurement_run.h"

#include <cmath>
#include <cstdlib>

#include "common/numeric.h"
#include "measure/cycle_processing.h"
#include "measure/recording_reader.h"

namespace vellora {

namespace {
constexpr int kDefaultDepth = 5;
constexpr int kMaxDepth = 255;  // the ring index is an 8-bit value
}  // namespace

int parseSmoothingDepth(const std::string& text) {
    const char* begin = text.c_str();
    char* end = nullptr;
    const double v = std::strtod(begin, &end);
    while (end && (*end == ' ' || *end == '\t')) ++end;
    if (end == begin || *end != '\0' || !std::isfinite(v)) return kDefaultDepth;
    if (v <= 1) return 1;
    if (v >= kMaxDepth) return kMaxDepth;
    return int(roundHalfEven(v));
}

MeasurementRun::MeasurementRun(RunWindow& window, MeterState& state, CaptureFn capture,
                               std::string recordingPath)
    : window_(window),
      state_(state),
      capture_(std::move(capture)),
      recordingPath_(std::move(recordingPath)) {}

void MeasurementRun::CommandRun_Click() {
    const std::string idle = window_.text(kRunIdleKey);
    const std::string active = window_.text(kRunActiveKey);
    bool start = window_.runCaption() == idle;
    if (idle == active) start = !state_.MesureEnCours;
    if (!start) {
        stop();
        return;
    }
    window_.setRunCaption(active);
    window_.setSmoothingEnabled(false);
    state_.MesureEnCours = true;
    runLoop();
}

void MeasurementRun::stop() {
    state_.MesureEnCours = false;
    window_.setSmoothingEnabled(true);
    window_.setRunCaption(window_.text(kRunIdleKey));
}

void MeasurementRun::CommandAnalyse_Click() {
    if (window_.analyseCaption() == window_.text(kAnalyseIdleKey)) {
        state_.ModeAnalyse = true;
        window_.setAnalyseCaption(window_.text(kAnalyseActiveKey));
    } else {
        state_.ModeAnalyse = false;
        window_.setAnalyseCaption(window_.text(kAnalyseIdleKey));
    }
}

void MeasurementRun::runLoop() {
    // The box is disabled for the run, so its depth holds until the run ends; a value
    // the ring cannot use is replaced and shown as replaced.
    const std::string boxText = window_.smoothingText();
    const int depth = parseSmoothingDepth(boxText);
    if (std::to_string(depth) != boxText) window_.setSmoothingText(std::to_string(depth));

    SpectrumArrays arrays;
    PeakVote vote(depth);
    int32_t energiePrecedente = 0;
    do {
        const std::optional<std::string> problem = cycle(vote, energiePrecedente, arrays);
        ++cycles_;
        if (problem) {
            stop();
            window_.showRunProblem(*problem);
            return;
        }
        window_.yield();
    } while (state_.MesureEnCours);
}

std::optional<std::string> MeasurementRun::cycle(PeakVote& vote, int32_t& energiePrecedente,
                                                 SpectrumArrays& arrays) {
    const int32_t captured = capture_ ? capture_() : 0;
    state_.Retour = captured;
    // A capture that failed recorded nothing, and whatever "test.wav" still holds is an
    // old clip: such a cycle draws, votes and reports nothing.
    if (captured != 0) return window_.captureFailure(captured);
    // One read serves the meter and the window's own read-outs.
    const Recording rec = readRecordingFile(recordingPath_, &file_, window_.recordingBytesWanted());
    if (!rec.present) return window_.text(kNoRecordingKey);
    state_.Retour = rec.n;

    DrawingSurface& im = window_.spectrum();
    const CycleOutcome out =
        processCycle(rec, im, &window_.gauge(), arrays, state_.plot, vote, energiePrecedente);
    if (!out.readout.empty()) window_.setReadout(out.readout);

    drawNoiseLine(im, state_.noise);
    const bool triggered = noiseTriggerFires(state_.noise, out.plot.SommetPic);
    if (triggered) {
        // The trigger leaves the smoothing box disabled and the noise button armed, so
        // the next press of the run button waits for the next pluck.
        state_.MesureEnCours = false;
        window_.setRunCaption(window_.text(kRunIdleKey));
    }
    window_.recordingRead(file_, triggered);
    window_.refreshSpectrum();
    return std::nullopt;
}

}  // namespace vellora
