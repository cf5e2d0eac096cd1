#include "belt/belt_store.h"

#include "belt/belt_store_profile.h"
#include "ini/profile.h"
#include "support/profile_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace vellora {
namespace {

using testing::TempFolder;
using testing::writeBytes;
using Names = std::vector<std::string>;

BeltSetup named(const std::string& name, double span = 500) {
    BeltSetup s;
    s.name = name;
    s.mass = 100;
    s.spanMm = span;
    return s;
}

Names namesOf(const LoadedBelts& loaded) {
    Names names;
    for (const BeltSetup& s : loaded.setups) names.push_back(s.name);
    return names;
}

TEST(BeltStore, SetUpsSurviveASaveAndLoadExactly) {
    BeltSetup a = named("Cam belt", 412.5);
    a.mass = 0.1 + 0.2;  // not exactly 0.3: the text must still read back to the same bits
    a.target = TargetKind::Frequency;
    a.targetLow = 98;
    a.targetHigh = 104;
    BeltSetup b = named("Alternator");
    b.massBasis = MassBasis::PerMetreAndMm;
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
    const BeltSetup setups[] = {a, b};
    MemoryBeltStore store;
    ASSERT_TRUE(saveBeltSetups(store, setups, "Alternator"));
    const LoadedBelts loaded = loadBeltSetups(store);
    ASSERT_EQ(loaded.setups.size(), 2u);
    EXPECT_EQ(loaded.selected, "Alternator");
    for (size_t i = 0; i < 2; ++i) {
        const BeltSetup &want = setups[i], &got = loaded.setups[i];
        EXPECT_EQ(got.name, want.name);
        EXPECT_EQ(got.mass, want.mass);  // bit for bit
        EXPECT_EQ(spanMillimetres(got), spanMillimetres(want));
        EXPECT_EQ(kilogramsPerMetre(got), kilogramsPerMetre(want));
        EXPECT_EQ(got.factor, want.factor);
        EXPECT_EQ(got.measuredStiffness, want.measuredStiffness);
        EXPECT_EQ(got.target, want.target);
        EXPECT_EQ(got.targetLow, want.targetLow);
        EXPECT_EQ(got.targetHigh, want.targetHigh);
    }
}

// A refused set-up stays listed with its section whole, for the user to mend by hand; a
// damaged count reads what it can and never loops for billions of names.
TEST(BeltStore, HandEditedNonsenseIsRefusedAndLeftForTheUser) {
    TempFolder dir;
    const auto ini = dir / "Vellora.ini";
    writeBytes(ini,
               "[BELT]\nCount=3\nName1=Cam belt\nName2=cam BELT\nName3=Gone\nSelected=Gone\n"
               "[BELT Cam belt]\nMass=-1\nSpan=500\n");
    ProfileBeltStore store(ini);
    const LoadedBelts loaded = loadBeltSetups(store);
    EXPECT_TRUE(loaded.setups.empty());
    EXPECT_EQ(loaded.refused, (Names{"Cam belt", "Gone"}));  // "cam BELT" is "Cam belt"
    EXPECT_EQ(loaded.selected, "");
    ASSERT_EQ(keepBeltSetup(store, named("Alternator"), "").result, BeltChangeResult::Done);
    EXPECT_EQ(loadBeltSetups(store).refused.size(), 2u);
    EXPECT_EQ(GetPrivateProfileStringA("BELT Cam belt", "Mass", "", 100, ini), "-1");

    for (const char* count : {"lots", "-3", "2000000000", "99999999999999999999"}) {
        writeBytes(ini, std::string("[BELT]\nCount=") + count + "\nName1=Cam\n");
        EXPECT_LE(loadBeltSetups(store).refused.size(), 1u) << count;
    }
}

// Names differing only in case are one set-up for the settings file, so for the window.
TEST(BeltStore, KeepRenameAndDeleteLeaveOneSectionPerSetUp) {
    const struct {
        const char* previous;  // the set-up being edited; empty for a new one
        const char* name;      // the name typed; nullptr deletes `previous`
        BeltChangeResult result;
        Names after;
    } cases[] = {
        {"", "belt a", BeltChangeResult::NameTaken, {"Belt A", "Belt B"}},
        {"Belt B", "BELT A", BeltChangeResult::NameTaken, {"Belt A", "Belt B"}},
        {"Belt A", "BELT A", BeltChangeResult::Done, {"BELT A", "Belt B"}},
        {"Belt A", "Belt C", BeltChangeResult::Done, {"Belt C", "Belt B"}},
        {"", "Belt C", BeltChangeResult::Done, {"Belt A", "Belt B", "Belt C"}},
        {"BELT A", nullptr, BeltChangeResult::Done, {"Belt B"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.previous) + " -> " + (c.name ? c.name : "deleted"));
        TempFolder dir;
        ProfileBeltStore store(dir / "Vellora.ini");
        ASSERT_EQ(keepBeltSetup(store, named("Belt A", 100), "").result, BeltChangeResult::Done);
        ASSERT_EQ(keepBeltSetup(store, named("Belt B", 200), "").result, BeltChangeResult::Done);
        const BeltChange done = c.name ? keepBeltSetup(store, named(c.name, 300), c.previous)
                                       : deleteBeltSetup(store, c.previous);
        EXPECT_EQ(done.result, c.result);
        if (done.result == BeltChangeResult::NameTaken) {
            EXPECT_EQ(done.takenBy, "Belt A");
        }
        EXPECT_EQ(namesOf(done.belts), c.after);
        EXPECT_EQ(namesOf(loadBeltSetups(store)), c.after);
        ProfileDocument d;
        ASSERT_TRUE(ReadPrivateProfile(dir / "Vellora.ini", d));
        const std::string text = d.text();
        EXPECT_EQ(size_t(std::count(text.begin(), text.end(), '[')), c.after.size() + 1) << text;
    }
}

TEST(BeltStore, ASecondInstanceWritingTheSameFileLosesNothing) {
    TempFolder dir;
    const auto ini = dir / "Vellora.ini";
    ASSERT_TRUE(WritePrivateProfileStringA("SETTINGS", "Ajustement", "495", ini));
    ProfileBeltStore first(ini), second(ini);
    ASSERT_EQ(keepBeltSetup(first, named("Cam belt"), "").result, BeltChangeResult::Done);
    // The second knows nothing of "Cam belt" and keeps its own.
    const BeltChange kept = keepBeltSetup(second, named("Alternator"), "");
    EXPECT_EQ(namesOf(kept.belts), (Names{"Cam belt", "Alternator"}));
    ASSERT_EQ(deleteBeltSetup(first, "Alternator").result, BeltChangeResult::Done);
    ASSERT_EQ(keepBeltSetup(second, named("Cam belt", 650), "Cam belt").result,
              BeltChangeResult::Done);
    const LoadedBelts loaded = loadBeltSetups(first);
    EXPECT_EQ(namesOf(loaded), Names{"Cam belt"});
    EXPECT_EQ(loaded.setups[0].spanMm, 650);
    EXPECT_EQ(GetPrivateProfileStringA("SETTINGS", "Ajustement", "", 100, ini), "495");
}

TEST(BeltStore, AFailedWriteIsReportedAndChangesNothing) {
    TempFolder dir;
    ProfileBeltStore store(dir / "missing folder" / "Vellora.ini");
    const BeltChange done = keepBeltSetup(store, named("Cam belt"), "");
    EXPECT_EQ(done.result, BeltChangeResult::Failed);
    EXPECT_NE(done.status.message().find("missing folder"), std::string::npos)
        << done.status.message();
    EXPECT_TRUE(done.belts.setups.empty());
    const BeltSetup one = named("Cam belt");
    EXPECT_FALSE(saveBeltSetups(store, std::span(&one, 1), ""));

    // A name the file cannot hold is never half written.
    MemoryBeltStore memory;
    const BeltChange bad = keepBeltSetup(memory, named("a]b"), "");
    EXPECT_EQ(bad.result, BeltChangeResult::Failed);
    EXPECT_EQ(bad.status.failure(), Failure::BadContent);
    ProfileDocument d;
    ASSERT_TRUE(memory.read(d));
    EXPECT_EQ(d.text(), "");
}

}  // namespace
}  // namespace vellora
