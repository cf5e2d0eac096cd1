#include "belt/belt_store.h"

#include "belt/belt_store_profile.h"
#include "ini/profile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>

#include <unistd.h>

namespace vellora {
namespace {

struct MemoryStore : BeltStore {
    std::string read(const std::string& section, const std::string& key,
                     const std::string& fallback) override {
        const auto it = values.find({section, key});
        return it == values.end() ? fallback : it->second;
    }
    bool write(const std::string& section, const std::string& key,
               const std::string& value) override {
        if (failWrites) return false;
        values[{section, key}] = value;
        return true;
    }
    std::map<std::pair<std::string, std::string>, std::string> values;
    bool failWrites = false;
};

std::vector<BeltSetup> twoSetups() {
    BeltSetup a;
    a.name = "Cam belt";
    a.mass = 0.1 + 0.2;  // not exactly 0.3: the text must still read back to the same bits
    a.spanMm = 412.5;
    a.target = TargetKind::Frequency;
    a.targetLow = 98;
    a.targetHigh = 104;
    BeltSetup b;
    b.name = "Alternator";
    b.massBasis = MassBasis::PerMetreAndMm;
    b.mass = 4.5;
    b.widthBasis = WidthBasis::Ribs;
    b.ribs = 6;
    b.spanBasis = SpanBasis::Pulleys;
    b.centreDistanceMm = 300;
    b.pulley1Mm = 120;
    b.pulley2Mm = 60;
    b.factor = 1.15;
    b.target = TargetKind::Tension;
    b.targetLow = 300;
    b.targetHigh = 450;
    return {a, b};
}

TEST(BeltStore, SetUpsSurviveASaveAndLoadExactly) {
    MemoryStore store;
    const auto setups = twoSetups();
    ASSERT_TRUE(saveBeltSetups(store, setups, "Alternator"));
    EXPECT_EQ(store.values.at({"BELT", "Count"}), "2");
    EXPECT_EQ(store.values.at({"BELT Cam belt", "Span"}), "412.5");

    const LoadedBelts loaded = loadBeltSetups(store);
    ASSERT_EQ(loaded.setups.size(), 2u);
    EXPECT_EQ(loaded.selected, "Alternator");
    EXPECT_TRUE(loaded.refused.empty());
    for (size_t i = 0; i < 2; ++i) {
        const BeltSetup &want = setups[i], &got = loaded.setups[i];
        EXPECT_EQ(got.name, want.name);
        EXPECT_EQ(got.massBasis, want.massBasis);
        EXPECT_EQ(got.mass, want.mass);  // bit for bit: the shortest round-trip text
        EXPECT_EQ(got.widthBasis, want.widthBasis);
        EXPECT_EQ(got.ribs, want.ribs);
        EXPECT_EQ(got.spanBasis, want.spanBasis);
        EXPECT_EQ(spanMillimetres(got), spanMillimetres(want));
        EXPECT_EQ(got.factor, want.factor);
        EXPECT_EQ(got.target, want.target);
        EXPECT_EQ(got.targetLow, want.targetLow);
        EXPECT_EQ(got.targetHigh, want.targetHigh);
    }
}

TEST(BeltStore, HandEditedNonsenseIsRefusedNotLoaded) {
    MemoryStore store;
    ASSERT_TRUE(saveBeltSetups(store, twoSetups(), "Gone"));
    store.values[{"BELT Cam belt", "Mass"}] = "-1";
    const LoadedBelts loaded = loadBeltSetups(store);
    ASSERT_EQ(loaded.setups.size(), 1u);
    EXPECT_EQ(loaded.setups[0].name, "Alternator");
    EXPECT_EQ(loaded.refused, std::vector<std::string>{"Cam belt"});
    EXPECT_EQ(loaded.selected, "");

    store.values[{"BELT", "Count"}] = "lots";
    EXPECT_TRUE(loadBeltSetups(store).setups.empty());
    EXPECT_TRUE(loadBeltSetups(*std::make_unique<MemoryStore>()).setups.empty());
}

TEST(BeltStore, AFailedWriteIsReported) {
    MemoryStore store;
    store.failWrites = true;
    EXPECT_FALSE(saveBeltSetups(store, twoSetups(), ""));
}

TEST(BeltStore, TheSettingsFileKeepsItsOtherKeys) {
    const auto ini = std::filesystem::temp_directory_path() /
                     ("vellora_belts_" + std::to_string(::getpid()) + ".ini");
    ASSERT_TRUE(WritePrivateProfileStringA("SETTINGS", "Ajustement", "495", ini));
    ProfileBeltStore store(ini);
    ASSERT_TRUE(saveBeltSetups(store, twoSetups(), "Cam belt"));
    const LoadedBelts loaded = loadBeltSetups(store);
    ASSERT_EQ(loaded.setups.size(), 2u);
    EXPECT_EQ(loaded.setups[0].mass, twoSetups()[0].mass);
    EXPECT_EQ(loaded.selected, "Cam belt");
    EXPECT_EQ(GetPrivateProfileStringA("SETTINGS", "Ajustement", "", 100, ini), "495");
    std::filesystem::remove(ini);
}

}  // namespace
}  // namespace vellora
