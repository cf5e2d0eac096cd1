#include "audio/capture_sequence.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vellora {
namespace {

// Answers each text with the next scripted code.
struct ScriptedRecorder : CommandRecorder {
    std::vector<int32_t> codes;
    std::vector<std::string> sent;
    int32_t send(std::string_view command) override {
        sent.emplace_back(command);
        return codes[sent.size() - 1];
    }
};

struct SequenceCase {
    std::vector<int32_t> codes;
    int32_t firstFailure;
};

TEST(CaptureSequence, AllEightAreSentWhateverEachReturns) {
    const std::vector<SequenceCase> cases = {
        {{0, 0, 0, 0, 0, 0, 0, 0}, 0},       {{0, 266, 263, 263, 263, 263, 263, 263}, 266},
        {{0, 0, 0, 0, 0, 0, 276, 276}, 276}, {{0, 0, 0, 0, 0, 0, 0, 286}, 286},
        {{0, 0, 0, 329, 0, 0, 0, 0}, 329},
    };
    for (const SequenceCase& c : cases) {
        ScriptedRecorder r;
        r.codes = c.codes;
        int32_t retour = -1;
        EXPECT_EQ(sendCaptureSequence(r, retour), c.firstFailure);
        EXPECT_EQ(retour, c.codes.back());
        ASSERT_EQ(r.sent.size(), 8u);
        for (int i = 0; i < 8; ++i) EXPECT_EQ(r.sent[i], captureCommands()[i]);
    }
}

}  // namespace
}  // namespace vellora
