#include "platform/recorder_command.h"

#include <gtest/gtest.h>

#include "recorder_refused_texts.h"

#include <string>
#include <vector>

namespace vellora {
namespace {

using Verb = RecorderCommand::Verb;

struct Parsed {
    std::string text;
    Verb verb;
    std::string alias;
    uint32_t value;
    std::string file;
};

TEST(RecorderCommand, EveryCommandOfTheSetWithItsArguments) {
    const std::vector<Parsed> cases = {
        {"close all", Verb::CloseAll, "", 0, ""},
        {"CLOSE ALL", Verb::CloseAll, "", 0, ""},
        {"close capture", Verb::Close, "capture", 0, ""},
        {"open new type waveaudio alias capture", Verb::Open, "capture", 0, ""},
        {"seek capture to start", Verb::SeekStart, "capture", 0, ""},
        {"set capture samplespersec  22050", Verb::SetRate, "capture", 22050, ""},
        {"set capture samplespersec 22050", Verb::SetRate, "capture", 22050, ""},
        {"set capture bitspersample 8", Verb::SetBits, "capture", 8, ""},
        {"set capture channels 1", Verb::SetChannels, "capture", 1, ""},
        {"record capture to  400 wait", Verb::Record, "capture", 400, ""},
        {"  record   Capture to 60000 WAIT ", Verb::Record, "Capture", 60000, ""},
        {"save capture test.wav wait", Verb::Save, "capture", 0, "test.wav"},
        {"save capture Test.WAV wait", Verb::Save, "capture", 0, "Test.WAV"},
    };
    for (const Parsed& c : cases) {
        const auto p = parseRecorderCommand(c.text);
        ASSERT_TRUE(p) << c.text;
        EXPECT_EQ(p->verb, c.verb) << c.text;
        EXPECT_EQ(p->alias, c.alias) << c.text;
        EXPECT_EQ(p->value, c.value) << c.text;
        EXPECT_EQ(p->file, c.file) << c.text;
    }
}

TEST(RecorderCommand, TextsOutsideTheSetAreRefused) {
    for (const std::string& t : kRefusedTexts) EXPECT_FALSE(parseRecorderCommand(t)) << t;
}

TEST(RecorderCommand, AliasesCompareWithoutCase) {
    EXPECT_TRUE(sameAlias("capture", "CAPTURE"));
    EXPECT_FALSE(sameAlias("capture", "capture2"));
    EXPECT_FALSE(sameAlias("capture", "captura"));
}

}  // namespace

}  // namespace vellora
