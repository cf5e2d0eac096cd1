// The keys of the settings file "Vellora.ini", read and written one key
// per call through the profile store; nothing is cached, so each call reads or
// writes the file as it is now. The readers and writers below come in the order in
// which their callers use them:
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
#include <string>
#include <string_view>

namespace vellora {

inline constexpr const char* kPositionsSection = "POSITIONS";
inline constexpr const char* kSettingsSection = "SETTINGS";

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
inline constexpr int16_t kDefaultNbFrequencesAffichees = 1024;
inline constexpr int16_t kDefaultAjustement = 512;  // half the span of HScrollCalibrate
inline constexpr int16_t kDefaultNiveau = 246;      // half the span of VScrollNiveau
inline constexpr int32_t kDefaultNiveauBruit = 0;
inline constexpr int16_t kDefaultCalibration = 110;
inline constexpr int32_t kDefaultNbEchantillons = 5;
inline constexpr const char* kDefaultLangue =
    "Fran\xC3\xA7"
    "ais";                                             // "Français", UTF-8
inline constexpr std::size_t kLangueBufferSize = 100;  // so at most 99 characters

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

class SettingsStore {
  public:
    explicit SettingsStore(std::filesystem::path file);

    const std::filesystem::path& file() const { return file_; }

    // Any key, one call each (GetPrivateProfileIntA, GetPrivateProfileStringA,
    // WritePrivateProfileStringA on this file). Writers return false when the file
    // could not be written; it is then left as it was.
    int32_t readInt(std::string_view section, std::string_view key, int32_t defaultValue) const;
    std::string readString(std::string_view section, std::string_view key,
                           std::string_view defaultText, std::size_t bufferSize) const;
    bool writeString(std::string_view section, std::string_view key, std::string_view value) const;
    bool writeInt(std::string_view section, std::string_view key, int32_t value) const;
    // A 16-bit key with its range check: see CheckedValue.
    CheckedValue readChecked(std::string_view section, std::string_view key, int16_t defaultValue,
                             ControlRange range) const;

    // 1. Start-up of the main window.
    int32_t readTop() const;
    int32_t readLeft() const;
    int32_t readHeight() const;
    int32_t readWidth() const;
    CheckedValue readAmplification() const;          // 16-bit check only
    CheckedValue readNbFrequencesAffichees() const;  // HScrollFrequence, 100..2048
    CheckedValue readAjustement() const;             // HScrollCalibrate, 0..1024
    CheckedValue readNiveau() const;                 // VScrollNiveau, 20..512
    int32_t readNiveauBruit() const;
    CheckedValue readCalibration() const;  // HScrollCalibration, 0..5000
    int32_t readNbEchantillons() const;    // its decimal text goes in the box
    std::string readLangue() const;        // at most 99 characters

    // 2. Choosing a language.
    bool writeLangue(std::string_view languageName) const;

    // 3. The calibration dialog: load, then unload.
    int32_t readCalTop() const;
    int32_t readCalLeft() const;
    int32_t readCalHeight() const;
    int32_t readCalWidth() const;
    bool writeCalLeft(int32_t twips) const;
    bool writeCalTop(int32_t twips) const;
    bool writeCalHeight(int32_t twips) const;
    bool writeCalWidth(int32_t twips) const;
    bool writeCalibration(int32_t hertz) const;

    // 4. Closing the main window.
    bool writeLeft(int32_t twips) const;
    bool writeTop(int32_t twips) const;
    bool writeHeight(int32_t twips) const;
    bool writeWidth(int32_t twips) const;
    bool writeAmplification(int32_t value) const;
    bool writeNbFrequencesAffichees(int32_t value) const;
    bool writeAjustement(int32_t position) const;
    bool writeNiveau(int32_t position) const;
    bool writeNiveauBruit(int32_t value) const;
    bool writeNbEchantillons(std::string_view boxText) const;  // the box's text, unchanged

  private:
    std::filesystem::path file_;
};

// What closing the main window writes, in the order it writes it.
struct MainWindowClosingValues {
    int32_t left, top, height, width;  // twips, outer size
    int32_t amplification;
    int32_t nbFrequencesAffichees;
    int32_t ajustement;  // position of HScrollCalibrate
    int32_t niveau;      // position of VScrollNiveau
    int32_t niveauBruit;
    std::string nbEchantillons;  // text of TextEchantillon
};

// The ten writes of step 3 of form_unload, one key per call, in the order the file expects.
// Returns false when any of them failed (each is tried all the same).
bool writeMainWindowClosing(const SettingsStore& store, const MainWindowClosingValues& v);

}  // namespace vellora
