// A stream that delivers sound, one that spins on its last buffer, and one whose
// backend reports errors, told apart block by block.
#include "audio/stream_watch.h"

#include <gtest/gtest.h>

#include <thread>

namespace vellora {
namespace {

using namespace std::chrono_literals;
using Clock = StreamWatch::Clock;

constexpr unsigned kRate = 22050;
constexpr unsigned kBlock = 256;  // 11.6 ms at 22050 Hz
const Clock::time_point t0{};

// Block k of a stream that keeps real time.
Clock::time_point onTime(int k) { return t0 + std::chrono::microseconds(k * 11610); }

TEST(StreamWatch, AStreamInRealTimeStaysLive) {
    StreamWatch w;
    w.restart(kRate);
    for (int k = 0; k < 10000; ++k) ASSERT_TRUE(w.blockIsLive(kBlock, onTime(k))) << k;
    EXPECT_FALSE(w.failed());
}

TEST(StreamWatch, AStreamSpinningOnItsLastBufferFailsOnceAheadOfTheAllowance) {
    // All blocks at one instant: the allowance is 2 x 3 s of frames, 132300, so
    // block 517 (132352 frames) is the first beyond it.
    StreamWatch w;
    w.restart(kRate);
    int firstRefused = 0;
    for (int k = 1; k <= 600 && !firstRefused; ++k)
        if (!w.blockIsLive(kBlock, t0)) firstRefused = k;
    EXPECT_EQ(firstRefused, 517);
    EXPECT_TRUE(w.failed());
    // Dead stays dead, even back in real time; a new stream starts afresh.
    EXPECT_FALSE(w.blockIsLive(kBlock, t0 + 10s));
    w.restart(kRate);
    EXPECT_FALSE(w.failed());
    EXPECT_TRUE(w.blockIsLive(kBlock, t0 + 10s));
}

TEST(StreamWatch, ErrorsOnThreeBlocksInARowKillTheStreamAndOneAloneOnlyItsBlock) {
    struct Case {
        std::vector<bool> errorBefore;  // an error reported before block k
        std::vector<bool> live;
        bool failed;
    };
    const Case cases[] = {
        {{false, true, false, false}, {true, false, true, true}, false},
        {{true, true, false, true}, {false, false, true, false}, false},
        {{false, true, true, true, false}, {true, false, false, false, false}, true},
    };
    for (const Case& c : cases) {
        StreamWatch w;
        w.restart(kRate);
        for (size_t k = 0; k < c.errorBefore.size(); ++k) {
            if (c.errorBefore[k]) StreamWatch::reportError();
            EXPECT_EQ(w.blockIsLive(kBlock, onTime(int(k))), c.live[k]) << k;
        }
        EXPECT_EQ(w.failed(), c.failed);
    }
}

TEST(StreamWatch, ErrorsOfAnotherThreadsStreamAreNotThisOnes) {
    StreamWatch w;
    w.restart(kRate);
    std::thread other([] {
        for (int i = 0; i < 5; ++i) StreamWatch::reportError();
    });
    other.join();
    EXPECT_TRUE(w.blockIsLive(kBlock, t0));
    EXPECT_FALSE(w.failed());
}

}  // namespace
}  // namespace vellora
