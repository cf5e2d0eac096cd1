#include "ini/profile_document.h"

#include "ini/profile.h"
#include "support/profile_test_support.h"

#include <gtest/gtest.h>

namespace vellora {
namespace {

using testing::TempFolder;
using testing::writeBytes;

const ProfileKeyValue kTwoKeys[] = {{"Mass", "100"}, {"Span", " 412.5 "}};

// Each edit changes only its sections and keeps every other byte.
TEST(ProfileDocument, SectionEditsChangeOnlyTheirSections) {
    const struct {
        const char* what;
        std::string before;
        void (*edit)(ProfileDocument&);
        std::string after;
    } cases[] = {
        {"replaced in place, case-blind, blank line and neighbours kept",
         "; mine\n[SETTINGS]\nNiveau=300\n\n[belt cam]\nMass=1\n; "
         "note\nOld=2\n\n[POSITIONS]\nTop=5",
         [](ProfileDocument& d) { d.replaceSection("BELT Cam", kTwoKeys); },
         "; mine\n[SETTINGS]\nNiveau=300\n\n[BELT Cam]\nMass=100\nSpan=\" 412.5 \"\n\n"
         "[POSITIONS]\nTop=5"},
        {"added at the end with the file's line ends", "[SETTINGS]\r\nNiveau=300",
         [](ProfileDocument& d) { d.replaceSection("BELT Cam", kTwoKeys); },
         "[SETTINGS]\r\nNiveau=300\r\n[BELT Cam]\r\nMass=100\r\nSpan=\" 412.5 \"\r\n"},
        {"every copy removed", "[BELT x]\nA=1\n[SETTINGS]\nB=2\n[belt X]\nC=3\n",
         [](ProfileDocument& d) { d.removeSection("Belt X"); }, "[SETTINGS]\nB=2\n"},
        {"names the file cannot hold refused", "[A]\nk=v\n",
         [](ProfileDocument& d) {
             const ProfileKeyValue bad[] = {{"k", "line\nbreak"}};
             EXPECT_FALSE(d.replaceSection("A", bad));
             EXPECT_FALSE(d.replaceSection("a]b", kTwoKeys));
             const ProfileKeyValue badKey[] = {{"k=1", "v"}};
             EXPECT_FALSE(d.replaceSection("A", badKey));
         },
         "[A]\nk=v\n"},
        {"an empty file", "", [](ProfileDocument& d) { d.replaceSection("A", {}); }, "[A]\n"},
    };
    for (const auto& c : cases) {
        ProfileDocument d(c.before);
        c.edit(d);
        EXPECT_EQ(d.text(), c.after) << c.what;
    }
}

TEST(ProfileDocument, ReadsAsTheOneKeyStoreDoes) {
    const std::string text =
        "[BELT]\nCount = 2 \nName1=\" Cam \"\n[belt]\nCount=9\n[Other]\nkey=1\n";
    const ProfileDocument d(text);
    EXPECT_EQ(d.value("belt", "COUNT"), "2");  // the first section of a name counts
    EXPECT_EQ(d.value("BELT", "Name1"), " Cam ");
    EXPECT_EQ(d.value("BELT", "Name2"), std::nullopt);
    EXPECT_EQ(d.value("None", "key"), std::nullopt);
    ASSERT_EQ(d.keys("BELT").size(), 2u);
    EXPECT_EQ(d.keys("BELT")[1].value, " Cam ");
    EXPECT_EQ(d.text(), text);
}

TEST(ProfileDocument, AnUpdateKeepsWhatAnotherWriterAddedMeanwhile) {
    TempFolder dir;
    const auto ini = dir / "Vellora.ini";
    writeBytes(ini, "[SETTINGS]\nLangue=English\n");
    ASSERT_TRUE(UpdatePrivateProfile(
        ini, [](ProfileDocument& d) { return d.replaceSection("BELT A", kTwoKeys); }));
    ASSERT_TRUE(WritePrivateProfileStringA("SETTINGS", "Niveau", "300", ini));
    ASSERT_TRUE(UpdatePrivateProfile(
        ini, [](ProfileDocument& d) { return d.replaceSection("BELT B", kTwoKeys); }));
    EXPECT_EQ(GetPrivateProfileStringA("SETTINGS", "Niveau", "", 100, ini), "300");
    EXPECT_EQ(GetPrivateProfileStringA("BELT A", "Mass", "", 100, ini), "100");
    EXPECT_EQ(GetPrivateProfileStringA("BELT B", "Span", "", 100, ini), " 412.5 ");

    // Nothing to change: nothing written.
    const auto before = std::filesystem::last_write_time(ini);
    EXPECT_TRUE(UpdatePrivateProfile(ini, [](ProfileDocument&) { return false; }));
    EXPECT_EQ(std::filesystem::last_write_time(ini), before);
    std::string error;
    EXPECT_FALSE(UpdatePrivateProfile(
        dir / "no folder" / "x.ini", [](ProfileDocument&) { return true; }, &error));
    EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace vellora
