// SPDX-License-Identifier: GPL-3.0-or-later
// The meter as every window shows it, without a window: what it is doing, the set-up
// chosen, and the reading. A reading is made here once per clip: its first mode f1 and
// stiffness B, the tension by the set-up's method, the range verdict, and for a
// triggered clip whether it was taken or refused and how it agrees with the readings
// before it. The main read-out, the Large read-out, the Belt window and the readings
// file only render that record; none of them computes a tension, a verdict or an
// agreement.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "belt/belt_setup.h"
#include "belt/reading_agreement.h"
#include "common/status.h"
#include "meter/repeat_mode.h"

namespace vellora {

enum class MeterActivity {
    Stopped,          // no run
    Running,          // a run without Repeat: the spectrum of every clip
    LearningNoise,    // listening to the background to place the noise line
    WaitingForPluck,  // Repeat on: the run listens for a trigger
    Judging,          // a triggered clip is being read
    Holding,          // a reading taken in Repeat mode held on screen before re-arming
    Calibrating,      // the calibration tone plays
};

// FORM1 texts of the states without a key of their own elsewhere.
inline constexpr int kMeasuringKey = 92;
inline constexpr int kJudgingKey = 93;
inline constexpr int kHoldingKey = 94;
inline constexpr int kCalibratingKey = 95;

// The FORM1 text that says what the meter does.
int statusKey(MeterActivity activity);

// A reading the readings file could not keep: "Not saved: %1" with the cause; where it
// is kept instead (for the main read-out, which has room for it).
inline constexpr int kNotSavedKey = 140;
inline constexpr int kKeptForExportKey = 146;
// The FORM1 text of why a file could not be written, "%1" the file's name.
int failureCauseKey(Failure failure);

struct MeterReading {
    // As the readings file keeps it: time, set-up name, f1, tension, range and status
    // (accepted, confirmed or refused with why).
    Reading line;
    bool clearPitch = true;  // false: no first mode was heard (a live clip only)
    double inharmonicity = 0;
    // How the tension was taken: B measured, or the set-up's factor.
    bool measuredStiffness = false;
    double factor = 1;
    TensionUnit unit = TensionUnit::Newtons;  // the set-up's unit for the large read-out
    // Made of a triggered clip and logged; otherwise a clip of a running meter, shown only.
    bool triggered = false;
    Agreement agreement = Agreement::TooFew;
    int agreeing = 0;  // of kConfirmingReadings
};

class MeterModel {
  public:
    using Clock = std::chrono::system_clock;

    // The set-up the readings are of (none chosen: no tension). A different set-up, or
    // the same one with other values, clears the shown reading and the agreement.
    void chooseSetup(const std::optional<BeltSetup>& setup);
    const std::optional<BeltSetup>& setup() const { return setup_; }
    // Where the estimators look first: the target in hertz of f1.
    std::optional<Range> searchRange() const;

    RepeatMode& repeat() { return repeat_; }
    const RepeatMode& repeat() const { return repeat_; }

    MeterActivity state() const;
    // The user started a run. Readings of one set-up agree across runs (without Repeat
    // each pluck is a run of its own); the agreement starts with the program or the set-up.
    void runStarted();
    // A paused Repeat run listens again (see RepeatMode::rearmed).
    void rearmed();
    // The run ended: by the user, by a trigger without Repeat, or by a failure.
    void runStopped();
    void setLearningNoise(bool on) { learningNoise_ = on; }
    void setCalibrating(bool on);

    // A clip of a run that did not trigger, or the clip of a trigger without Repeat:
    // f1 and B, nullopt for no clear pitch. Shown unless Repeat holds the last reading.
    void clipRead(std::optional<double> f1, double inharmonicity,
                  Clock::time_point time = Clock::now());
    // The trigger of a run without Repeat: the clip's reading is taken and logged.
    const MeterReading& taken(double f1, double inharmonicity,
                              Clock::time_point time = Clock::now());
    // Repeat mode: the noise trigger fired and the clip is being judged.
    void triggerFired() { judging_ = true; }
    // Repeat mode: the clip judged a pluck, taken and held.
    const MeterReading& pluckTaken(double f1, double inharmonicity,
                                   Clock::time_point time = Clock::now());
    // Repeat mode: the clip judged no pluck; `why` in the language of the moment.
    MeterReading refused(PluckRefusal why, const std::string& whyText,
                         Clock::time_point time = Clock::now());

    // The reading every read-out shows: none before the first clip and after a set-up change.
    const std::optional<MeterReading>& shown() const { return shown_; }
    // The last refusal, until the next reading or re-arm shows something else.
    std::optional<PluckRefusal> notice() const { return notice_; }
    void noticeSeen() { notice_.reset(); }
    // The calibration tone as heard, while calibrating; none before its first clip.
    const std::optional<std::optional<double>>& toneHeard() const { return toneHeard_; }
    void toneRead(std::optional<double> hz) { toneHeard_ = hz; }

    // What became of the last reading sent to the readings file: a failure is shown by
    // every read-out until a later reading is kept. The readings not saved stay in the
    // Belt window's log for an export.
    void readingSaved(const Status& appended);
    std::optional<Failure> notSaved() const { return notSaved_; }

  private:
    MeterReading readingOf(double f1, double inharmonicity, Clock::time_point time) const;
    const MeterReading& take(MeterReading r);

    std::optional<BeltSetup> setup_;
    RepeatMode repeat_;
    bool running_ = false;
    bool learningNoise_ = false;
    bool calibrating_ = false;
    bool judging_ = false;
    bool holding_ = false;
    std::optional<MeterReading> shown_;
    std::optional<PluckRefusal> notice_;
    std::optional<std::optional<double>> toneHeard_;
    std::optional<Failure> notSaved_;
    // The readings taken of this set-up since it was chosen (or the program started).
    std::vector<Reading> agreement_;
};

}  // namespace vellora
