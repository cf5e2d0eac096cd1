// SPDX-License-Identifier: GPL-3.0-or-later
// The settings file "Vellora.ini": its sections, keys, defaults and the ranges stored
// values are checked against, in one place; read and written one key per call
// through the profile store, nothing cached. Who uses which keys, in order:
//   1. start-up of the main window reads Top, Left, Height, Width, Amplification,
//      NbFrequencesAffichees, Ajustement, Niveau, NiveauBruit, Calibration,
//      NbEchantillons, Langue;
//   2. choosing a language writes Langue;
//   3. loading the calibration dialog reads CalTop, CalLeft, CalHeight, CalWidth;
//      unloading it writes CalLeft, CalTop, CalHeight, CalWidth, then Calibration;
//   4. closing the main window writes Left, Top, Height, Width, Amplification,
//      NbFrequencesAffichees, Ajustement, Niveau, NiveauBruit, NbEchantillons.
//
// Window-free: builds without Qt.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "common/status.h"
#include "measure/meter_state.h"
#include "settings/language_names.h"

namespace vellora {

inline constexpr const char* kPositionsSection = "POSITIONS";
inline constexpr const char* kSettingsSection = "SETTINGS";

// POSITIONS: window geometry in twips.
inline constexpr const char* kKeyTop = "Top";
inline constexpr const char* kKeyLeft = "Left";
inline constexpr const char* kKeyHeight = "Height";
inline constexpr const char* kKeyWidth = "Width";
inline constexpr const char* kKeyCalTop = "CalTop";
inline constexpr const char* kKeyCalLeft = "CalLeft";
inline constexpr const char* kKeyCalHeight = "CalHeight";
inline constexpr const char* kKeyCalWidth = "CalWidth";
// SETTINGS.
inline constexpr const char* kKeyAmplification = "Amplification";
inline constexpr const char* kKeyNbFrequencesAffichees = "NbFrequencesAffichees";
inline constexpr const char* kKeyAjustement = "Ajustement";
inline constexpr const char* kKeyNiveau = "Niveau";
inline constexpr const char* kKeyNiveauBruit = "NiveauBruit";
inline constexpr const char* kKeyCalibration = "Calibration";
inline constexpr const char* kKeyNbEchantillons = "NbEchantillons";
inline constexpr const char* kKeyLangue = "Langue";

// Defaults when the file or the key is missing.
inline constexpr int32_t kDefaultTop = 0;
inline constexpr int32_t kDefaultLeft = 0;
inline constexpr int32_t kDefaultHeight = 11220;
inline constexpr int32_t kDefaultWidth = 16050;
inline constexpr int32_t kDefaultCalTop = 0;
inline constexpr int32_t kDefaultCalLeft = 0;
inline constexpr int32_t kDefaultCalHeight = 3015;
inline constexpr int32_t kDefaultCalWidth = 5235;
inline constexpr int16_t kDefaultAmplification = 0;
inline constexpr int16_t kDefaultNbFrequencesAffichees = kDefaultBinsShown;
inline constexpr int16_t kDefaultAjustement = 512;  // half the span of HScrollCalibrate
// Where start-up puts VScrollNiveau before reading Niveau: Amplification becomes 250,
// so the stored Amplification survives start-up only when the stored Niveau is this.
inline constexpr int16_t kStartNiveau = 262;
inline constexpr int32_t kDefaultNiveauBruit = 0;
inline constexpr int16_t kDefaultCalibration = kDefaultFrequenceCal;
inline constexpr int32_t kDefaultNbEchantillons = 5;
inline constexpr const char* kDefaultLangue = kFrenchLanguage;
inline constexpr std::size_t kLangueBufferSize = 100;  // so at most 99 characters

// Hands-free measuring, beyond the original keys, in section SETTINGS: Repeat mode and
// the sound cues on (1) or off (0), written when they change; how long an accepted
// reading stays on screen, in milliseconds.
inline constexpr const char* kRepetitionKey = "Repetition";
inline constexpr const char* kSignauxSonoresKey = "SignauxSonores";
inline constexpr const char* kDureeAffichageKey = "DureeAffichage";

// The ranges of the controls that receive the 16-bit keys.
struct ControlRange {
    int32_t minimum;
    int32_t maximum;
};
inline constexpr ControlRange kNbFrequencesAfficheesRange{100, 2048};  // HScrollFrequence
inline constexpr ControlRange kAjustementRange{0, 1024};               // HScrollCalibrate
inline constexpr ControlRange kNiveauRange{20, 512};                   // VScrollNiveau
inline constexpr ControlRange kCalibrationRange{0, 5000};              // HScrollCalibration
// Amplification goes to a variable, not a control: only the 16-bit check applies.
inline constexpr ControlRange kSixteenBits{-32768, 32767};

// What became of a stored 16-bit value on reading. The Windows version ended with a
// run-time error in the last two cases; here start-up carries on with `value`.
enum class ReadOutcome {
    Kept,               // the stored value (or the default, when the key is missing)
    ReplacedByDefault,  // the stored value does not fit 16 bits: the key's default
    Clamped,            // outside the control's range: its nearest end
};

struct CheckedValue {
    int16_t value;  // the value to use (and, written back at closing, to store)
    ReadOutcome outcome;
    int32_t stored;  // what the profile store read (the default for a missing key)
};

// A stored value narrowed to 16 bits, then limited to `range`.
CheckedValue checkSixteenBits(int32_t stored, int16_t defaultValue, ControlRange range);

// How windows write one key: a Status, so a dropped failure is a visible choice there too.
using SettingWriter =
    std::function<Status(const char* section, const char* key, const std::string& value)>;

class SettingsStore {
  public:
    explicit SettingsStore(std::filesystem::path file);

    const std::filesystem::path& file() const { return file_; }

    // Any key, one call each (GetPrivateProfileIntA, GetPrivateProfileStringA,
    // WritePrivateProfileStringA on this file). A write fails, the file left as it was,
    // with a message naming the file and the cause.
    int32_t readInt(std::string_view section, std::string_view key, int32_t defaultValue) const;
    std::string readString(std::string_view section, std::string_view key,
                           std::string_view defaultText, std::size_t bufferSize) const;
    Status writeString(std::string_view section, std::string_view key,
                       std::string_view value) const;

  private:
    std::filesystem::path file_;
};

}  // namespace vellora
