// SPDX-License-Identifier: GPL-3.0-or-later
// The calibration run: the calibration button plays the tone file in a loop while a
// measurement run listens to it, and the fine-correction slider sets the hertz per
// spectrum bin until the read-out shows the tone's frequency.
#pragma once

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <optional>
#include <string>

#include "audio/sound_player.h"
#include "measure/meter_state.h"

namespace vellora {

// Language keys of section FORM1 the calibration run uses.
inline constexpr int kCalibrateIdleKey = 8;
inline constexpr int kCalibrateActiveKey = 24;
inline constexpr int kReadoutLabelKey = 14;
inline constexpr int kQuestionKeys[4] = {26, 27, 28, 29};
inline constexpr int kToneNotPlayedKey = 33;
inline constexpr int kToneUnreadableKey = 53;  // "%1" is the file
inline constexpr int kToneFileKey = 46;        // "%1" the file
inline constexpr int kExternalToneKey = 47;    // "%1" the frequency
inline constexpr int kToneLostKey = 48;

// What the calibration run needs of the main window.
class CalibrationWindow {
  public:
    virtual ~CalibrationWindow() = default;
    virtual std::string text(int form1Key) const = 0;
    virtual std::string calibrateCaption() const = 0;
    virtual void setCalibrateCaption(const std::string& caption) = 0;
    virtual void setCalibrateSliderEnabled(bool enabled) = 0;
    // The red outline around the calibration group, shown while the question is asked.
    virtual void showQuestionFrame(bool shown) = 0;
    // The modal OK / Cancel question; true for OK.
    virtual bool askOkCancel(const std::string& question) = 0;
    virtual void showProblem(const std::string& message) = 0;
    virtual void showReadout(const std::string& text) = 0;  // makes box and label visible
    virtual void setReadout(const std::string& text) = 0;
    virtual void enableMeasurementButtons() = 0;  // run, noise, analysis, in that order
    virtual std::string runCaption() const = 0;
    virtual void setRunCaption(const std::string& caption) = 0;
    virtual void CommandRun_Click() = 0;  // a plain call, as if the button were pressed
};

// The loudspeaker side: a looping, gapless playback of a WAVE file.
class TonePlayer {
  public:
    virtual ~TonePlayer() = default;
    // Starts `file` (relative to the current directory) in an endless loop; the file's
    // own failure when it cannot be read, DeviceFailed when no output plays it.
    virtual Status playLoop(const std::string& file) = 0;
    // Plays `file` once, for a short cue. Players without it stay silent.
    virtual Status playOnce(const std::string& file) {
        return Status(Failure::DeviceFailed, file + ": this player plays no cues");
    }
    virtual void stop() = 0;
    virtual bool playing() const = 0;
    // DeviceFailed once the output of the playing loop stopped answering; ok otherwise.
    virtual Status problem() const = 0;
};

// The start question: texts 26, the frequency, 27, a line break, 28, text 14, 29 (28
// and 29 carry the quotation marks of their language).
std::string calibrationQuestion(const CalibrationWindow& w, int16_t frequenceCal);

// "%1", "%2", ... in a language text replaced by the values, in one pass (a value
// holding "%2" stays as it is).
std::string fillIn(const std::string& text, std::initializer_list<std::string> values);

// Hertz per bin for the slider's position: 5.4171 + (value - mid-range) / 500, in
// single precision (4.3931 at 0, 6.4411 at 1024).
float pasFrequenceForSlider(int16_t minimum, int16_t maximum, int16_t value);

class CalibrationRun {
  public:
    // toneFolder: where "Calibration.wav" is looked for and written (the current directory).
    CalibrationRun(CalibrationWindow& window, MeterState& state, TonePlayer& player,
                   std::filesystem::path toneFolder = ".");

    // Start (asks, plays, enables, runs; returns when that run ends) or stop the tone.
    // A start without a tone that can be played says why and still calibrates, for a
    // tone from another source.
    void CommandCalibrate_Click();

    // The fine-correction slider moved: new hertz per bin and the read-out of the last peak.
    void HScrollCalibrate_Change(int16_t minimum, int16_t maximum, int16_t value);

    // The frequency dialog wrote a new tone: while calibrating it plays at once.
    void toneFileChanged();

    // When the tone's output failed while playing: stops it and says so. Call where a
    // message may be shown.
    void checkTone();

    // Stops the tone and the calibration, as the button's second press does.
    void stop();

    // Started and not stopped since.
    bool calibrating() const { return active_; }
    // What the microphone should hear: the tone playing, else FrequenceCal (a tone from
    // another source).
    int16_t toneHz() const { return playingHz_.value_or(state_.FrequenceCal); }

  private:
    void start();
    std::optional<std::string> playTone();

    CalibrationWindow& window_;
    MeterState& state_;
    TonePlayer& player_;
    std::filesystem::path toneFolder_;
    bool active_ = false;
    std::optional<int16_t> playingHz_;  // the frequency of the tone playing
};

}  // namespace vellora
