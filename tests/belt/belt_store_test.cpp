#include "belt/belt_store.h"

#include "belt/belt_store_profile.h"
#include "ini/profile.h"
#include "support/profile_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>

namespace vellora {
namespace {

using testing::TempFolder;
using testing::writeBytes;

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
    b.measuredStiffness = true;
    b.target = TargetKind::Tension;
    b.targetLow = 300;
    b.targetHigh = 450;
    return {a, b};
}

BeltSetup named(const std::string& name, double span = 500) {
    BeltSetup s;
    s.name = name;
    s.mass = 100;
    s.spanMm = span;
    return s;
}

std::vector<std::string> namesOf(const LoadedBelts& loaded) {
    std::vector<std::string> names;
    for (const BeltSetup& s : loaded.setups) names.push_back(s.name);
    return names;
}

std::string stored(BeltStore& store) {
    ProfileDocument d;
    store.read(d, nullptr);
    return d.text();
}

TEST(BeltStore, SetUpsSurviveASaveAndLoadExactly) {
    MemoryBeltStore store;
    const auto setups = twoSetups();
    ASSERT_TRUE(saveBeltSetups(store, setups, "Alternator"));
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
        EXPECT_EQ(got.measuredStiffness, want.measuredStiffness);
        EXPECT_EQ(got.target, want.target);
        EXPECT_EQ(got.targetLow, want.targetLow);
        EXPECT_EQ(got.targetHigh, want.targetHigh);
    }
}

TEST(BeltStore, HandEditedNonsenseIsRefusedAndLeftForTheUser) {
    TempFolder dir;
    const auto ini = dir / "Vellora.ini";
    writeBytes(ini, "[BELT]\nCount=3\nName1=Cam belt\nName2=" + std::string(2000, 'x') +
                        "\nName3=cam BELT\nSelected=Gone\n"
                        "[BELT Cam belt]\nMass=-1\nSpan=500\n"
                        "[BELT " +
                        std::string(2000, 'x') + "]\nMass=100\nSpan=500\n");
    ProfileBeltStore store(ini);
    const LoadedBelts loaded = loadBeltSetups(store);
    EXPECT_TRUE(loaded.setups.empty());
    // "cam BELT" is "Cam belt" for the file: one set-up, refused once.
    EXPECT_EQ(loaded.refused, (std::vector<std::string>{"Cam belt", std::string(2000, 'x')}));
    EXPECT_EQ(loaded.selected, "");

    // Keeping another set-up leaves the refused ones listed and their sections whole.
    ASSERT_EQ(keepBeltSetup(store, named("Alternator"), "").result, BeltChangeResult::Done);
    const LoadedBelts after = loadBeltSetups(store);
    EXPECT_EQ(namesOf(after), std::vector<std::string>{"Alternator"});
    EXPECT_EQ(after.refused.size(), 2u);
    EXPECT_EQ(GetPrivateProfileStringA("BELT Cam belt", "Mass", "", 100, ini), "-1");
}

TEST(BeltStore, ADamagedCountReadsNothingAndDoesNotHang) {
    for (const char* count : {"lots", "-3", "2000000000", "99999999999999999999"}) {
        MemoryBeltStore store;
        store.update(
            [&](ProfileDocument& d) {
                const ProfileKeyValue keys[] = {{"Count", count}, {"Name1", "Cam"}};
                return d.replaceSection("BELT", keys);
            },
            nullptr);
        EXPECT_LE(loadBeltSetups(store).refused.size(), 1u) << count;
    }
}

// Names differing only in case are one set-up for the settings file, so for the window.
TEST(BeltStore, NamesDifferingInCaseAreOneSetUp) {
    const struct {
        const char* previous;  // the set-up being edited; empty for a new one
        const char* name;      // the name typed
        BeltChangeResult result;
        std::vector<std::string> after;
    } cases[] = {
        {"", "belt a", BeltChangeResult::NameTaken, {"Belt A", "Belt B"}},
        {"Belt B", "BELT A", BeltChangeResult::NameTaken, {"Belt A", "Belt B"}},  // a rename
        {"Belt A", "BELT A", BeltChangeResult::Done, {"BELT A", "Belt B"}},
        {"belt a", "Belt A", BeltChangeResult::Done, {"Belt A", "Belt B"}},
        {"Belt A", "Belt C", BeltChangeResult::Done, {"Belt C", "Belt B"}},
        {"", "Belt C", BeltChangeResult::Done, {"Belt A", "Belt B", "Belt C"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.previous) + " -> " + c.name);
        TempFolder dir;
        ProfileBeltStore store(dir / "Vellora.ini");
        ASSERT_EQ(keepBeltSetup(store, named("Belt A", 100), "").result, BeltChangeResult::Done);
        ASSERT_EQ(keepBeltSetup(store, named("Belt B", 200), "").result, BeltChangeResult::Done);

        const BeltChange done = keepBeltSetup(store, named(c.name, 300), c.previous);
        EXPECT_EQ(done.result, c.result);
        if (done.result == BeltChangeResult::NameTaken) {
            EXPECT_EQ(done.takenBy, "Belt A");
        }
        EXPECT_EQ(namesOf(loadBeltSetups(store)), c.after);
        EXPECT_EQ(namesOf(done.belts), c.after);
        // Exactly one section per set-up: no orphan, no shared one.
        const std::string text = stored(store);
        EXPECT_EQ(size_t(std::count(text.begin(), text.end(), '[')), c.after.size() + 1) << text;
    }
}

TEST(BeltStore, RenameAndDeleteLeaveNoSectionBehind) {
    TempFolder dir;
    const auto ini = dir / "Vellora.ini";
    ProfileBeltStore store(ini);
    ASSERT_TRUE(saveBeltSetups(store, twoSetups(), "Cam belt"));
    BeltSetup renamed = twoSetups()[0];
    renamed.name = "Timing belt";
    ASSERT_EQ(keepBeltSetup(store, renamed, "Cam belt").result, BeltChangeResult::Done);
    LoadedBelts loaded = loadBeltSetups(store);
    EXPECT_EQ(namesOf(loaded), (std::vector<std::string>{"Timing belt", "Alternator"}));
    EXPECT_EQ(loaded.selected, "Timing belt");
    EXPECT_EQ(loaded.setups[0].mass, renamed.mass);
    ProfileDocument d;
    ASSERT_TRUE(ReadPrivateProfile(ini, d));
    EXPECT_FALSE(d.hasSection("BELT Cam belt"));

    ASSERT_EQ(deleteBeltSetup(store, "TIMING BELT").result, BeltChangeResult::Done);
    ASSERT_TRUE(ReadPrivateProfile(ini, d));
    EXPECT_FALSE(d.hasSection("BELT Timing belt"));
    loaded = loadBeltSetups(store);
    EXPECT_EQ(namesOf(loaded), std::vector<std::string>{"Alternator"});
    EXPECT_EQ(loaded.selected, "");
}

TEST(BeltStore, ASecondInstanceWritingTheSameFileLosesNothing) {
    TempFolder dir;
    const auto ini = dir / "Vellora.ini";
    ASSERT_TRUE(WritePrivateProfileStringA("SETTINGS", "Ajustement", "495", ini));
    ProfileBeltStore first(ini), second(ini);
    const LoadedBelts seenBySecond = loadBeltSetups(second);  // both start empty

    ASSERT_EQ(keepBeltSetup(first, named("Cam belt"), "").result, BeltChangeResult::Done);
    // The second knows nothing of "Cam belt" and keeps its own.
    const BeltChange second1 = keepBeltSetup(second, named("Alternator"), "");
    ASSERT_EQ(second1.result, BeltChangeResult::Done);
    EXPECT_EQ(namesOf(second1.belts), (std::vector<std::string>{"Cam belt", "Alternator"}));
    // Either deletes one while the other changes another.
    ASSERT_EQ(deleteBeltSetup(first, "Alternator").result, BeltChangeResult::Done);
    ASSERT_EQ(keepBeltSetup(second, named("Water pump"), "").result, BeltChangeResult::Done);
    ASSERT_EQ(keepBeltSetup(second, named("Cam belt", 650), "Cam belt").result,
              BeltChangeResult::Done);

    const LoadedBelts loaded = loadBeltSetups(first);
    EXPECT_EQ(namesOf(loaded), (std::vector<std::string>{"Cam belt", "Water pump"}));
    EXPECT_EQ(loaded.setups[0].spanMm, 650);
    EXPECT_TRUE(seenBySecond.setups.empty());
    EXPECT_EQ(GetPrivateProfileStringA("SETTINGS", "Ajustement", "", 100, ini), "495");
}

TEST(BeltStore, AFailedWriteIsReportedInFullAndChangesNothing) {
    TempFolder dir;
    ProfileBeltStore store(dir / "missing folder" / "Vellora.ini");
    const BeltChange done = keepBeltSetup(store, named("Cam belt"), "");
    EXPECT_EQ(done.result, BeltChangeResult::Failed);
    EXPECT_FALSE(done.error.empty());
    EXPECT_TRUE(done.belts.setups.empty());
    std::string error;
    EXPECT_FALSE(saveBeltSetups(store, twoSetups(), "", &error));
    EXPECT_FALSE(error.empty());

    // A name the file cannot hold is never half written.
    MemoryBeltStore memory;
    const BeltChange bad = keepBeltSetup(memory, named("a]b"), "");
    EXPECT_EQ(bad.result, BeltChangeResult::Failed);
    EXPECT_EQ(stored(memory), "");
}

}  // namespace
}  // namespace vellora
