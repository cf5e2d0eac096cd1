// SPDX-License-Identifier: GPL-3.0-or-later
#include "belt/belt_store.h"

#include "belt/belt_store_profile.h"
#include "ini/profile.h"
#include "support/profile_test_support.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>

#include "common/folder_lock.h"

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

std::string textOf(BeltStore& store) {
    ProfileDocument d;
    EXPECT_TRUE(store.read(d));
    return d.text();
}

// Loaded and stored again, every field gives the same text; numbers keep their bits.
TEST(BeltStore, SetUpsSurviveASaveAndLoadExactly) {
    BeltSetup a = named("Cam belt", 412.5), b = named("Alternator", 0);
    a.mass = 0.1 + 0.2;  // not exactly 0.3
    a.target = TargetKind::Frequency, a.targetLow = 98, a.targetHigh = 104;
    b.massBasis = MassBasis::PerMetreAndMm, b.widthBasis = WidthBasis::Ribs, b.ribs = 6;
    b.spanBasis = SpanBasis::Pulleys, b.centreDistanceMm = 300, b.pulley1Mm = 120;
    b.pulley2Mm = 60, b.factor = 1.15, b.measuredStiffness = true, b.unit = TensionUnit::Kgf;
    b.target = TargetKind::Tension, b.targetLow = 300, b.targetHigh = 450;
    const BeltSetup setups[] = {a, b};
    MemoryBeltStore store, again;
    ASSERT_TRUE(saveBeltSetups(store, setups, "Alternator"));
    const LoadedBelts loaded = loadBeltSetups(store);
    EXPECT_EQ(namesOf(loaded), (Names{"Cam belt", "Alternator"}));
    EXPECT_EQ(loaded.setups[0].mass, 0.1 + 0.2);
    ASSERT_TRUE(saveBeltSetups(again, loaded.setups, loaded.selected));
    EXPECT_EQ(textOf(again), textOf(store));
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
    ASSERT_EQ(keepBeltSetup(store, named("Alternator"), "").result, BeltChangeResult::Done);
    EXPECT_EQ(loadBeltSetups(store).refused.size(), 2u);
    EXPECT_EQ(GetPrivateProfileStringA("BELT Cam belt", "Mass", "", 100, ini), "-1");

    for (const char* count : {"lots", "-3", "2000000000", "99999999999999999999"}) {
        writeBytes(ini, std::string("[BELT]\nCount=") + count + "\nName1=Cam\n");
        EXPECT_LE(loadBeltSetups(store).refused.size(), 1u) << count;
    }
}

// Names differing only in case, accented letters too, are one set-up for the settings
// file, so for the window.
TEST(BeltStore, KeepRenameAndDeleteLeaveOneSectionPerSetUp) {
    const struct {
        const char* previous;  // the set-up being edited; empty for a new one
        const char* name;      // the name typed; nullptr deletes `previous`
        BeltChangeResult result;
        Names after;
    } cases[] = {
        {"", "belt a", BeltChangeResult::NameTaken, {"Belt A", "Belt É"}},
        {"Belt É", "BELT A", BeltChangeResult::NameTaken, {"Belt A", "Belt É"}},
        {"Belt A", "BELT é", BeltChangeResult::NameTaken, {"Belt A", "Belt É"}},
        {"Belt É", "belt é", BeltChangeResult::Done, {"Belt A", "belt é"}},
        {"Belt A", "BELT A", BeltChangeResult::Done, {"BELT A", "Belt É"}},
        {"Belt A", "Belt C", BeltChangeResult::Done, {"Belt C", "Belt É"}},
        {"", "Belt C", BeltChangeResult::Done, {"Belt A", "Belt É", "Belt C"}},
        {"BELT A", nullptr, BeltChangeResult::Done, {"Belt É"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.previous) + " -> " + (c.name ? c.name : "deleted"));
        TempFolder dir;
        ProfileBeltStore store(dir / "Vellora.ini");
        ASSERT_EQ(keepBeltSetup(store, named("Belt A", 100), "").result, BeltChangeResult::Done);
        ASSERT_EQ(keepBeltSetup(store, named("Belt É", 200), "").result, BeltChangeResult::Done);
        const BeltChange done = c.name ? keepBeltSetup(store, named(c.name, 300), c.previous)
                                       : deleteBeltSetup(store, c.previous);
        EXPECT_EQ(done.result, c.result);
        if (done.result == BeltChangeResult::NameTaken) {
            EXPECT_EQ(done.takenBy, c.previous == std::string("Belt A") ? "Belt É" : "Belt A");
        }
        EXPECT_EQ(namesOf(done.belts), c.after);
        EXPECT_EQ(namesOf(loadBeltSetups(store)), c.after);
        const std::string text = textOf(store);
        EXPECT_EQ(size_t(std::count(text.begin(), text.end(), '[')), c.after.size() + 1) << text;
    }
}

// Two processes each keep 100 set-ups and write 100 keys of their own into one file, as
// fast as they can: every write re-reads and renames, so without the lock one's rename
// drops what the other wrote in between. A lock held too long makes a write fail, not
// hang.
TEST(BeltStore, TwoProcessesWritingOneFileInterleavedLoseNothing) {
    TempFolder dir;
    const auto ini = dir / "Vellora.ini";
    constexpr int kEach = 100;
    pid_t children[2] = {};
    for (int c = 0; c < 2; ++c) {
        children[c] = ::fork();
        ASSERT_GE(children[c], 0);
        if (children[c] > 0) continue;
        ProfileBeltStore store(ini);
        bool ok = true;
        for (int i = 0; i < kEach; ++i) {
            const std::string name = std::string(1, char('A' + c)) + std::to_string(i);
            ok = ok && keepBeltSetup(store, named(name), "").result == BeltChangeResult::Done;
            ok = ok && WritePrivateProfileStringA("SETTINGS", name, std::to_string(i), ini);
        }
        ::_exit(ok ? 0 : 1);
    }
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    ProfileBeltStore store(ini);
    EXPECT_EQ(loadBeltSetups(store).setups.size(), size_t(2 * kEach));
    for (const char* name : {"A0", "A99", "B0", "B57", "B99"})
        EXPECT_NE(GetPrivateProfileStringA("SETTINGS", name, "lost", 100, ini), "lost") << name;
    ProfileDocument d;
    ASSERT_TRUE(store.read(d));
    EXPECT_EQ(d.keys("SETTINGS").size(), size_t(2 * kEach));

    const FolderLock held(ini);
    ASSERT_TRUE(held.status());
    const FolderLock waiting(ini, std::chrono::milliseconds(20));
    EXPECT_EQ(waiting.status().failure(), Failure::NotPermitted);
}

// A failure is reported with its reason and changes nothing; a name the file cannot hold
// is never half written. (Each step of the write itself is checked with the atomic file.)
TEST(BeltStore, AFailedChangeIsReportedAndChangesNothing) {
    TempFolder dir;
    ProfileBeltStore store(dir / "missing folder" / "Vellora.ini");
    const BeltChange done = keepBeltSetup(store, named("Cam belt"), "");
    EXPECT_EQ(done.result, BeltChangeResult::Failed);
    EXPECT_NE(done.status.message().find("missing folder"), std::string::npos);
    const BeltSetup bad = named("a]b");
    MemoryBeltStore memory;
    EXPECT_EQ(saveBeltSetups(memory, std::span(&bad, 1), "").failure(), Failure::BadContent);
    EXPECT_EQ(textOf(memory), "");
}

}  // namespace
}  // namespace vellora
