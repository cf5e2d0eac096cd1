// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/stream_watch.h"

#include <gtest/gtest.h>

#include <thread>

namespace vellora {
namespace {

using namespace std::chrono_literals;
const StreamWatch::Clock::time_point t0{};
constexpr unsigned kBlock = 256;  // 11.6 ms at 22050 Hz

StreamWatch::Clock::time_point onTime(int k) { return t0 + std::chrono::microseconds(k * 11610); }

TEST(StreamWatch, RealTimeStaysLiveSpinningOrRepeatedErrorsFail) {
    StreamWatch w;
    w.restart(22050);
    for (int k = 0; k < 10000; ++k) ASSERT_TRUE(w.blockIsLive(kBlock, onTime(k))) << k;
    EXPECT_FALSE(w.failed());
    // All blocks at one instant: the allowance is 2 x 3 s of frames, 132300, so
    // block 517 (132352 frames) is the first beyond it.
    w.restart(22050);
    int firstRefused = 0;
    for (int k = 1; k <= 600 && !firstRefused; ++k)
        if (!w.blockIsLive(kBlock, t0)) firstRefused = k;
    EXPECT_EQ(firstRefused, 517);
    EXPECT_TRUE(w.failed());
    // Dead stays dead, even back in real time; a new stream starts afresh.
    EXPECT_FALSE(w.blockIsLive(kBlock, t0 + 10s));
    w.restart(22050);
    EXPECT_TRUE(w.blockIsLive(kBlock, t0 + 10s));
    // Errors on three blocks in a row kill the stream, one alone costs only its block, and
    // another thread's errors belong to another stream.
    std::thread([] {
        for (int i = 0; i < 5; ++i) StreamWatch::reportError();
    }).join();
    EXPECT_TRUE(w.blockIsLive(kBlock, t0 + 10s));
    const struct {
        std::vector<bool> errorBefore, live;
        bool failed;
    } cases[] = {
        {{false, true, false, false}, {true, false, true, true}, false},
        {{true, true, false, true}, {false, false, true, false}, false},
        {{false, true, true, true, false}, {true, false, false, false, false}, true},
    };
    for (const auto& c : cases) {
        w.restart(22050);
        for (size_t k = 0; k < c.errorBefore.size(); ++k) {
            if (c.errorBefore[k]) StreamWatch::reportError();
            EXPECT_EQ(w.blockIsLive(kBlock, onTime(int(k))), c.live[k]) << k;
        }
        EXPECT_EQ(w.failed(), c.failed);
    }
}

}  // namespace
}  // namespace vellora
