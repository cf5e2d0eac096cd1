// Stored numbers as start-up takes them: 16-bit overflow gives the key's default, a
// value outside its control goes to the nearest end; and the store's generic reads.
#include "settings/settings_store.h"

#include <gtest/gtest.h>

#include "support/profile_test_support.h"

namespace vellora {
namespace {

using testing::TempFolder;
using testing::writeBytes;

TEST(SettingsStore, StoredNumbersAreKeptReplacedOrClamped) {
    const struct {
        const char* key;
        int16_t fallback;
        ControlRange range;
        const char* stored;
        int32_t value;
        ReadOutcome outcome;
    } cases[] = {
        {kKeyAmplification, kDefaultAmplification, kSixteenBits, "40000", 0,
         ReadOutcome::ReplacedByDefault},
        {kKeyAmplification, kDefaultAmplification, kSixteenBits, "-300", -300, ReadOutcome::Kept},
        {kKeyAmplification, kDefaultAmplification, kSixteenBits, "32767", 32767, ReadOutcome::Kept},
        {kKeyAmplification, kDefaultAmplification, kSixteenBits, "-32768", -32768,
         ReadOutcome::Kept},
        {kKeyCalibration, kDefaultCalibration, kCalibrationRange, "-40000", 110,
         ReadOutcome::ReplacedByDefault},
        {kKeyCalibration, kDefaultCalibration, kCalibrationRange, "6000", 5000,
         ReadOutcome::Clamped},
        {kKeyCalibration, kDefaultCalibration, kCalibrationRange, "0", 0, ReadOutcome::Kept},
        {kKeyNiveau, kDefaultNiveau, kNiveauRange, "99999", 246, ReadOutcome::ReplacedByDefault},
        {kKeyNiveau, kDefaultNiveau, kNiveauRange, "0", 20, ReadOutcome::Clamped},
        {kKeyNiveau, kDefaultNiveau, kNiveauRange, "512", 512, ReadOutcome::Kept},
        {kKeyNbFrequencesAffichees, kDefaultNbFrequencesAffichees, kNbFrequencesAfficheesRange,
         "32768", 1024, ReadOutcome::ReplacedByDefault},
        {kKeyNbFrequencesAffichees, kDefaultNbFrequencesAffichees, kNbFrequencesAfficheesRange,
         "50", 100, ReadOutcome::Clamped},
        {kKeyAjustement, kDefaultAjustement, kAjustementRange, "-32769", 512,
         ReadOutcome::ReplacedByDefault},
        {kKeyAjustement, kDefaultAjustement, kAjustementRange, "2000", 1024, ReadOutcome::Clamped},
    };
    TempFolder dir;
    const SettingsStore s(dir / "Vellora.ini");
    for (const auto& c : cases) {
        writeBytes(s.file(), std::string("[SETTINGS]\n") + c.key + "=" + c.stored + "\n");
        const CheckedValue v =
            checkSixteenBits(s.readInt(kSettingsSection, c.key, c.fallback), c.fallback, c.range);
        EXPECT_EQ(v.value, c.value) << c.key << "=" << c.stored;
        EXPECT_EQ(v.outcome, c.outcome) << c.key << "=" << c.stored;
        EXPECT_EQ(v.stored, std::stoi(c.stored)) << c.key << "=" << c.stored;
    }
}

TEST(SettingsStore, TextsReadAsTheProfileServiceReadsThem) {
    TempFolder dir;
    const SettingsStore s(dir / "Vellora.ini");
    EXPECT_EQ(s.readString(kSettingsSection, kKeyLangue, kDefaultLangue, kLangueBufferSize),
              "Fran\xC3\xA7"
              "ais");
    writeBytes(s.file(), "[POSITIONS]\nTop=12.7\n[SETTINGS]\nNbEchantillons=abc\nLangue=" +
                             std::string(150, 'x') + "\n");
    EXPECT_EQ(s.readInt(kPositionsSection, kKeyTop, kDefaultTop), 12);
    EXPECT_EQ(s.readInt(kSettingsSection, kKeyNbEchantillons, kDefaultNbEchantillons), 0);
    EXPECT_EQ(s.readString(kSettingsSection, kKeyLangue, kDefaultLangue, kLangueBufferSize),
              std::string(99, 'x'));
}

}  // namespace
}  // namespace vellora
