// SPDX-License-Identifier: GPL-3.0-or-later
// Hands-free measuring: with Repeat on, a run that the noise trigger stopped keeps its
// spectrum and read-outs on screen for a while, then re-arms by itself and waits for
// the next pluck. Only a clip that looks like a plucked belt counts as a reading; any
// other sound is refused, shown briefly and not taken. With Repeat off every trigger
// goes the original way: the run stops and stays stopped.
//
// Window-free: the window reports each trigger and does what the decision says.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "pitch/pluck_classifier.h"

namespace vellora {

// FORM1 texts of hands-free measuring.
inline constexpr int kRepeatMenuKey = 76;
inline constexpr int kAutoNoiseMenuKey = 77;
inline constexpr int kBigReadoutMenuKey = 78;
inline constexpr int kSoundCuesMenuKey = 79;
inline constexpr int kListeningKey = 80;
inline constexpr int kWaitingKey = 81;
inline constexpr int kNotAPluckKey = 82;  // "%1": why
inline constexpr int kAgreeingKey = 89;   // "%1 of %2"
inline constexpr int kConfirmedKey = 90;
inline constexpr int kRepeatStoppedKey = 91;

// The FORM1 text of why a clip is no pluck (keys 83 to 88); 0 for none.
int refusalKey(PluckRefusal why);

struct RepeatTimes {
    int holdMs = 2000;     // an accepted reading stays on screen this long
    int refusalMs = 1500;  // "not a pluck" stays this long while the run listens again
};
// Shorter than this the display would only flicker, and the re-arm could land inside
// the very yield that ends the run.
inline constexpr int kMinRepeatMs = 200;
inline constexpr int kMaxRepeatMs = 30000;

enum class RepeatStep {
    Original,  // Repeat is off (or the calibration tone plays): the run stays stopped
    Accept,    // log the reading, hold, re-arm
    Refuse,    // show why and re-arm at once, so the next pluck is not missed
    Continue,  // the onset came at the clip's end: re-arm at once and judge the ringing
};

struct RepeatDecision {
    RepeatStep step = RepeatStep::Original;
    int rearmAfterMs = 0;
    PluckRefusal why = PluckRefusal::None;
    // Log this refusal: a held tone or a voice fires the trigger clip after clip, and
    // one line for the whole of it says enough.
    bool log = false;
};

class RepeatMode {
  public:
    void setEnabled(bool on);
    bool enabled() const { return enabled_; }
    // Values outside kMinRepeatMs .. kMaxRepeatMs are brought to the nearest end.
    void setTimes(RepeatTimes times);
    const RepeatTimes& times() const { return times_; }

    // The noise trigger stopped the run on a clip the classifier judged. `tonePlaying`:
    // the calibration tone is on, and what the meter hears is no belt.
    RepeatDecision triggered(const PluckVerdict& verdict, bool tonePlaying);
    // The next clip continues a pluck whose onset came too late to judge.
    bool continuing() const { return continuing_; }
    // A re-arm is due: the run is only paused.
    bool pending() const { return pending_; }

    // The pending re-arm took place.
    void rearmed() { pending_ = false; }
    // The user ended the run (or turned Repeat off): nothing is due any more.
    void stopped();

  private:
    bool enabled_ = false;
    bool pending_ = false;
    bool continuing_ = false;
    PluckRefusal lastRefusal_ = PluckRefusal::None;  // since the last reading
    bool refusedBefore_ = false;                     // the trigger before was refused
    RepeatTimes times_;
};

// "2 of 3": how many agreeing readings there are of the number that confirm, with the
// language's pattern, "%1" for the count and "%2" for the number needed.
std::string agreeingText(const std::string& pattern, int agreeing, int needed);

// The samples of a short sound cue at `rate` (unsigned 8-bit, 128 = silence): one beep
// for an accepted reading, two rising beeps for a confirmation. Each beep has soft
// edges so the loudspeaker does not click.
std::vector<uint8_t> cueSamples(bool confirmation, uint32_t rate);
// Their files, written next to the calibration tone once per session.
inline constexpr const char* kAcceptedCueFile = "CueAccepted.wav";
inline constexpr const char* kConfirmedCueFile = "CueConfirmed.wav";

}  // namespace vellora
