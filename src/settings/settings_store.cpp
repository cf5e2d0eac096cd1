#include "settings/settings_store.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "ini/profile.h"

namespace vellora {

CheckedValue checkSixteenBits(int32_t stored, int16_t defaultValue, ControlRange range) {
    if (stored < std::numeric_limits<int16_t>::min() ||
        stored > std::numeric_limits<int16_t>::max())
        return {defaultValue, ReadOutcome::ReplacedByDefault, stored};
    const int32_t limited = std::clamp(stored, range.minimum, range.maximum);
    return {int16_t(limited), limited == stored ? ReadOutcome::Kept : ReadOutcome::Clamped, stored};
}

SettingsStore::SettingsStore(std::filesystem::path file) : file_(std::move(file)) {}

int32_t SettingsStore::readInt(std::string_view section, std::string_view key,
                               int32_t defaultValue) const {
    return GetPrivateProfileIntA(section, key, defaultValue, file_);
}

std::string SettingsStore::readString(std::string_view section, std::string_view key,
                                      std::string_view defaultText, std::size_t bufferSize) const {
    return GetPrivateProfileStringA(section, key, defaultText, bufferSize, file_);
}

bool SettingsStore::writeString(std::string_view section, std::string_view key,
                                std::string_view value) const {
    return WritePrivateProfileStringA(section, key, value, file_);
}

bool SettingsStore::writeInt(std::string_view section, std::string_view key, int32_t value) const {
    return writeString(section, key, std::to_string(value));
}

CheckedValue SettingsStore::readChecked(std::string_view section, std::string_view key,
                                        int16_t defaultValue, ControlRange range) const {
    return checkSixteenBits(readInt(section, key, defaultValue), defaultValue, range);
}

// 1. Start-up of the main window.
int32_t SettingsStore::readTop() const { return readInt(kPositionsSection, "Top", kDefaultTop); }
int32_t SettingsStore::readLeft() const { return readInt(kPositionsSection, "Left", kDefaultLeft); }
int32_t SettingsStore::readHeight() const {
    return readInt(kPositionsSection, "Height", kDefaultHeight);
}
int32_t SettingsStore::readWidth() const {
    return readInt(kPositionsSection, "Width", kDefaultWidth);
}
CheckedValue SettingsStore::readAmplification() const {
    return readChecked(kSettingsSection, "Amplification", kDefaultAmplification, kSixteenBits);
}
CheckedValue SettingsStore::readNbFrequencesAffichees() const {
    return readChecked(kSettingsSection, "NbFrequencesAffichees", kDefaultNbFrequencesAffichees,
                       kNbFrequencesAfficheesRange);
}
CheckedValue SettingsStore::readAjustement() const {
    return readChecked(kSettingsSection, "Ajustement", kDefaultAjustement, kAjustementRange);
}
CheckedValue SettingsStore::readNiveau() const {
    return readChecked(kSettingsSection, "Niveau", kDefaultNiveau, kNiveauRange);
}
int32_t SettingsStore::readNiveauBruit() const {
    return readInt(kSettingsSection, "NiveauBruit", kDefaultNiveauBruit);
}
CheckedValue SettingsStore::readCalibration() const {
    return readChecked(kSettingsSection, "Calibration", kDefaultCalibration, kCalibrationRange);
}
int32_t SettingsStore::readNbEchantillons() const {
    return readInt(kSettingsSection, "NbEchantillons", kDefaultNbEchantillons);
}
std::string SettingsStore::readLangue() const {
    return readString(kSettingsSection, "Langue", kDefaultLangue, kLangueBufferSize);
}

// 2. Choosing a language.
bool SettingsStore::writeLangue(std::string_view languageName) const {
    return writeString(kSettingsSection, "Langue", languageName);
}

// 3. The calibration dialog.
int32_t SettingsStore::readCalTop() const {
    return readInt(kPositionsSection, "CalTop", kDefaultCalTop);
}
int32_t SettingsStore::readCalLeft() const {
    return readInt(kPositionsSection, "CalLeft", kDefaultCalLeft);
}
int32_t SettingsStore::readCalHeight() const {
    return readInt(kPositionsSection, "CalHeight", kDefaultCalHeight);
}
int32_t SettingsStore::readCalWidth() const {
    return readInt(kPositionsSection, "CalWidth", kDefaultCalWidth);
}
bool SettingsStore::writeCalLeft(int32_t v) const {
    return writeInt(kPositionsSection, "CalLeft", v);
}
bool SettingsStore::writeCalTop(int32_t v) const {
    return writeInt(kPositionsSection, "CalTop", v);
}
bool SettingsStore::writeCalHeight(int32_t v) const {
    return writeInt(kPositionsSection, "CalHeight", v);
}
bool SettingsStore::writeCalWidth(int32_t v) const {
    return writeInt(kPositionsSection, "CalWidth", v);
}
bool SettingsStore::writeCalibration(int32_t v) const {
    return writeInt(kSettingsSection, "Calibration", v);
}

// 4. Closing the main window.
bool SettingsStore::writeLeft(int32_t v) const { return writeInt(kPositionsSection, "Left", v); }
bool SettingsStore::writeTop(int32_t v) const { return writeInt(kPositionsSection, "Top", v); }
bool SettingsStore::writeHeight(int32_t v) const {
    return writeInt(kPositionsSection, "Height", v);
}
bool SettingsStore::writeWidth(int32_t v) const { return writeInt(kPositionsSection, "Width", v); }
bool SettingsStore::writeAmplification(int32_t v) const {
    return writeInt(kSettingsSection, "Amplification", v);
}
bool SettingsStore::writeNbFrequencesAffichees(int32_t v) const {
    return writeInt(kSettingsSection, "NbFrequencesAffichees", v);
}
bool SettingsStore::writeAjustement(int32_t v) const {
    return writeInt(kSettingsSection, "Ajustement", v);
}
bool SettingsStore::writeNiveau(int32_t v) const { return writeInt(kSettingsSection, "Niveau", v); }
bool SettingsStore::writeNiveauBruit(int32_t v) const {
    return writeInt(kSettingsSection, "NiveauBruit", v);
}
bool SettingsStore::writeNbEchantillons(std::string_view boxText) const {
    return writeString(kSettingsSection, "NbEchantillons", boxText);
}

bool writeMainWindowClosing(const SettingsStore& s, const MainWindowClosingValues& v) {
    bool ok = true;
    ok &= s.writeLeft(v.left);
    ok &= s.writeTop(v.top);
    ok &= s.writeHeight(v.height);
    ok &= s.writeWidth(v.width);
    ok &= s.writeAmplification(v.amplification);
    ok &= s.writeNbFrequencesAffichees(v.nbFrequencesAffichees);
    ok &= s.writeAjustement(v.ajustement);
    ok &= s.writeNiveau(v.niveau);
    ok &= s.writeNiveauBruit(v.niveauBruit);
    ok &= s.writeNbEchantillons(v.nbEchantillons);
    return ok;
}

}  // namespace vellora
