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
        Call call{file, command, data, -1, {}, {}, {}};
        if (command == HH_DISPLAY_TOC && data)
            std::memcpy(&call.pointedInt, reinterpret_cast<const void*>(data), sizeof(int32_t));
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
    const std::string fr =
        "Fran\xC3\xA7"
        "ais.lng";
    const std::pair<std::string, const char*> cases[] = {
        {"/usr/share/vellora/" + fr, "vellora.chm"},
        {fr, "vellora.chm"},  // twelve characters but thirteen bytes: counting bytes misses it
        {"/usr/share/vellora/English.lng", "vellora_en.chm"},
        {"/opt/vellora/fran\xC3\xA7"
         "ais.lng",
         "vellora_en.chm"},
        {"/opt/vellora/Francais.lng", "vellora_en.chm"},
        {"/opt/vellora/" + fr + ".old", "vellora_en.chm"},
        {"/opt/vellora/Fran\xE7"
         "ais.lng",
         "vellora_en.chm"},                // Latin-1, not UTF-8
        {fr.substr(1), "vellora_en.chm"},  // eleven characters
        {"", "vellora_en.chm"},
    };
    for (const auto& [path, file] : cases) EXPECT_EQ(helpFileForLanguagePath(path), file) << path;
}

TEST(CHelpCalls, TargetsCommandsAndTheirData) {
    EXPECT_EQ(helpTarget(" vellora.chm ", ""), " vellora.chm ");
    EXPECT_EQ(helpTarget(" vellora.chm ", " main "), "vellora.chm>main");
    EXPECT_EQ(helpTarget("vellora.chm", "   "), "vellora.chm>");

    RecordingHelp help;
    CHelp chelp(help);
    EXPECT_TRUE(chelp.Show(" vellora.chm", "win "));
    chelp.Show("vellora.chm", "", 42.0);
    chelp.Show("vellora.chm", "", 2.5);  // whole numbers round halves to even
    chelp.ShowIndex(" vellora.chm", "");
    chelp.ShowSearch("vellora_en.chm ", " win");
    ASSERT_EQ(help.calls.size(), 5u);
    EXPECT_EQ(help.calls[0].file, "vellora.chm>win");
    EXPECT_EQ(help.calls[0].command, HH_DISPLAY_TOC);
    EXPECT_NE(help.calls[0].data, 0u);
    EXPECT_EQ(help.calls[0].pointedInt, 0);
    EXPECT_EQ(help.calls[1].command, HH_HELP_CONTEXT);
    EXPECT_EQ(help.calls[1].data, 42u);
    EXPECT_EQ(help.calls[2].data, 2u);
    EXPECT_EQ(help.calls[3].file, " vellora.chm");
    EXPECT_EQ(help.calls[3].command, HH_DISPLAY_INDEX);
    EXPECT_EQ(help.calls[3].data, 0u);

    const auto& search = help.calls[4];
    EXPECT_EQ(search.file, "vellora_en.chm>win");
    EXPECT_EQ(search.command, HH_DISPLAY_SEARCH);
    EXPECT_EQ(search.query.cbStruct, static_cast<int32_t>(sizeof(HH_FTS_QUERY)));
    EXPECT_EQ(search.query.fUniCodeStrings, 0);
    EXPECT_EQ(search.queryText, "TEST");
    EXPECT_EQ(search.query.iProximity, 0);
    EXPECT_EQ(search.query.fStemmedSearch, 0);
    EXPECT_EQ(search.query.fTitleOnly, 0);
    EXPECT_EQ(search.query.fExecute, 1);
    EXPECT_EQ(search.queryWindow, "");

    // A help that does not open is told to the caller, whatever the request.
    help.answer = false;
    EXPECT_FALSE(chelp.Show("vellora.chm", ""));
    EXPECT_FALSE(chelp.ShowIndex("vellora.chm", ""));
    EXPECT_FALSE(chelp.ShowSearch("vellora.chm", ""));
}

}  // namespace
}  // namespace vellora
