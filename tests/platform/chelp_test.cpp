#include "settings/chelp.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace vellora {
namespace {

// Records each call with what its data pointed to at the time of the call.
class RecordingHelp : public HelpApi {
  public:
    struct Call {
        std::string file;
        uint32_t command = 0;
        uintptr_t data = 0;
        int32_t pointedInt = -1;
        HH_FTS_QUERY query{};
        std::string queryText, queryWindow;
    };

    bool HtmlHelp(QWidget* owner, const std::string& file, uint32_t command,
                  uintptr_t data) override {
        EXPECT_EQ(owner, nullptr);
        Call call;
        call.file = file;
        call.command = command;
        call.data = data;
        if (command == HH_DISPLAY_TOC && data) {
            std::memcpy(&call.pointedInt, reinterpret_cast<const void*>(data), sizeof(int32_t));
        }
        if (command == HH_DISPLAY_SEARCH && data) {
            call.query = *reinterpret_cast<const HH_FTS_QUERY*>(data);
            call.queryText = call.query.pszSearchQuery ? call.query.pszSearchQuery : "(null)";
            call.queryWindow = call.query.pszWindow ? call.query.pszWindow : "(null)";
        }
        calls.push_back(call);
        return answer;
    }

    std::vector<Call> calls;
    bool answer = true;
};

TEST(HelpFileChoice, FrenchOnlyForTheExactLastTwelveCharacters) {
    const struct {
        const char* path;
        const char* file;
    } cases[] = {
        {"/usr/share/vellora/Fran\xC3\xA7"
         "ais.lng",
         "vellora.chm"},
        // Exactly twelve characters but thirteen bytes: counting bytes would miss it.
        {"Fran\xC3\xA7"
         "ais.lng",
         "vellora.chm"},
        {"/usr/share/vellora/English.lng", "vellora_en.chm"},
        {"/opt/vellora/Deutsch.lng", "vellora_en.chm"},
        {"/opt/vellora/fran\xC3\xA7"
         "ais.lng",
         "vellora_en.chm"},
        {"/opt/vellora/Francais.lng", "vellora_en.chm"},
        {"/opt/vellora/Fran\xC3\xA7"
         "ais.lng.old",
         "vellora_en.chm"},
        {"/opt/vellora/Fran\xE7"
         "ais.lng",
         "vellora_en.chm"},  // Latin-1, not UTF-8
        {"ran\xC3\xA7"
         "ais.lng",
         "vellora_en.chm"},  // eleven characters
        {"", "vellora_en.chm"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(helpFileForLanguagePath(c.path), c.file) << c.path;
    }
}

TEST(HelpTarget, WindowNameJoinsTrimmedPartsElseFileUntouched) {
    const struct {
        const char* file;
        const char* window;
        const char* target;
    } cases[] = {
        {" vellora.chm ", "", " vellora.chm "},
        {" vellora.chm ", " main ", "vellora.chm>main"},
        {"vellora_en.chm", "main", "vellora_en.chm>main"},
        {"vellora.chm", "   ", "vellora.chm>"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(helpTarget(c.file, c.window), c.target) << c.file << "|" << c.window;
    }

    RecordingHelp help;
    CHelp chelp(help);
    chelp.Show(" vellora.chm", "win ");
    chelp.ShowIndex(" vellora.chm", "");
    chelp.ShowSearch("vellora.chm ", " win");
    ASSERT_EQ(help.calls.size(), 3u);
    EXPECT_EQ(help.calls[0].file, "vellora.chm>win");
    EXPECT_EQ(help.calls[1].file, " vellora.chm");
    EXPECT_EQ(help.calls[2].file, "vellora.chm>win");
}

TEST(CHelpCalls, CommandsAndTheirData) {
    RecordingHelp help;
    CHelp chelp(help);
    chelp.Show("vellora.chm", "");
    chelp.Show("vellora.chm", "", 42.0);
    chelp.Show("vellora.chm", "", 2.5);  // whole numbers round halves to even
    chelp.ShowIndex("vellora.chm", "");
    ASSERT_EQ(help.calls.size(), 4u);

    EXPECT_EQ(help.calls[0].command, HH_DISPLAY_TOC);
    EXPECT_NE(help.calls[0].data, 0u);
    EXPECT_EQ(help.calls[0].pointedInt, 0);
    EXPECT_EQ(help.calls[1].command, HH_HELP_CONTEXT);
    EXPECT_EQ(help.calls[1].data, 42u);
    EXPECT_EQ(help.calls[2].data, 2u);
    EXPECT_EQ(help.calls[3].command, HH_DISPLAY_INDEX);
    EXPECT_EQ(help.calls[3].data, 0u);
}

TEST(CHelpCalls, SearchQueryRecord) {
    RecordingHelp help;
    CHelp(help).ShowSearch("vellora_en.chm", "");
    ASSERT_EQ(help.calls.size(), 1u);
    const auto& call = help.calls[0];
    EXPECT_EQ(call.command, HH_DISPLAY_SEARCH);
    EXPECT_EQ(call.query.cbStruct, static_cast<int32_t>(sizeof(HH_FTS_QUERY)));
    EXPECT_EQ(call.query.fUniCodeStrings, 0);
    EXPECT_EQ(call.queryText, "TEST");
    EXPECT_EQ(call.query.iProximity, 0);
    EXPECT_EQ(call.query.fStemmedSearch, 0);
    EXPECT_EQ(call.query.fTitleOnly, 0);
    EXPECT_EQ(call.query.fExecute, 1);
    EXPECT_EQ(call.queryWindow, "");
}

TEST(CHelpCalls, FailureReachesTheCaller) {
    RecordingHelp help;
    help.answer = false;
    CHelp chelp(help);
    EXPECT_FALSE(chelp.Show("vellora.chm", ""));
    EXPECT_FALSE(chelp.ShowIndex("vellora.chm", ""));
    EXPECT_FALSE(chelp.ShowSearch("vellora.chm", ""));
    help.answer = true;
    EXPECT_TRUE(chelp.Show("vellora.chm", ""));
}

}  // namespace
}  // namespace vellora
