// SPDX-License-Identifier: GPL-3.0-or-later
// The measurement run of the run button: cycle after cycle it captures, reads,
// transforms, draws and reports, then yields once to the window system, until the
// button is pressed again, the noise trigger fires, or a capture fails.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "measure/drawing_surface.h"
#include "measure/meter_state.h"
#include "wave/wave_format.h"

namespace vellora {

// Language keys of section FORM1 the run uses.
inline constexpr int kRunIdleKey = 10;
inline constexpr int kRunActiveKey = 23;
inline constexpr int kAnalyseIdleKey = 6;
inline constexpr int kAnalyseActiveKey = 22;
inline constexpr int kCaptureFailedKey = 30;
inline constexpr int kNoRecordingKey = 31;
inline constexpr int kSmoothingReplacedKey = 34;

// What the run needs of the main window. All calls come from the user-interface thread.
class RunWindow {
  public:
    virtual ~RunWindow() = default;
    virtual std::string text(int form1Key) const = 0;  // the current language's FORM1 text
    virtual std::string runCaption() const = 0;
    virtual void setRunCaption(const std::string& caption) = 0;
    virtual std::string analyseCaption() const = 0;
    virtual void setAnalyseCaption(const std::string& caption) = 0;
    virtual std::string smoothingText() const = 0;
    virtual void setSmoothingText(const std::string& text) = 0;
    virtual void setSmoothingEnabled(bool enabled) = 0;
    virtual DrawingSurface& spectrum() = 0;
    virtual DrawingSurface& gauge() = 0;
    virtual void setReadout(const std::string& text) = 0;
    virtual void refreshSpectrum() = 0;
    // Handles every pending event; other handlers, this run's stop among them, run here.
    virtual void yield() = 0;
    // Tells the user why the run stopped (a modal message in the current language).
    virtual void showRunProblem(const std::string& message) = 0;
    // Why a capture that returned `code` recorded nothing, in the current language.
    virtual std::string captureFailure(int32_t code) const {
        return text(kCaptureFailedKey) + " (" + std::to_string(code) + ")";
    }
    // A clip was read and drawn; `triggered` when the noise trigger stopped the run on
    // it. For read-outs of the window's own beyond the strongest bar: `file` holds the
    // recording file's first recordingBytesWanted() bytes, from the cycle's one read.
    virtual void recordingRead(std::span<const uint8_t> file, bool triggered) {
        (void)file;
        (void)triggered;
    }
    virtual size_t recordingBytesWanted() const { return 0; }
};

// Records one clip into "test.wav" of the current directory. Returns 0 on success,
// otherwise the first failing command's code.
using CaptureFn = std::function<int32_t()>;

// The smoothing depth a box text stands for: a whole number from 1 to 255, the
// nearest valid one for other numbers, 5 for a text that is no number.
int parseSmoothingDepth(const std::string& text);

class MeasurementRun {
  public:
    MeasurementRun(RunWindow& window, MeterState& state, CaptureFn capture,
                   std::string recordingPath = kRecordingFileName);

    // The run button. Starts a run (returning only when it ends) when its caption is
    // the idle text, stops the running one otherwise. When both texts are the same the
    // decision is taken from whether a run is active, so a press always stops it.
    void CommandRun_Click();

    // The analysis button: alternates analysis mode and its caption.
    void CommandAnalyse_Click();

    // Cycles completed since construction (all runs, nested ones included).
    int64_t cyclesCompleted() const { return cycles_; }

  private:
    void stop();
    void runLoop();
    std::optional<std::string> cycle(class PeakVote& vote, int32_t& energiePrecedente,
                                     struct SpectrumArrays& arrays);

    RunWindow& window_;
    MeterState& state_;
    CaptureFn capture_;
    std::string recordingPath_;
    std::vector<uint8_t> file_;  // the cycle's recording file as read, kept to spare allocations
    int64_t cycles_ = 0;
};

}  // namespace vellora
