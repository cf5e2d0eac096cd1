// SPDX-License-Identifier: GPL-3.0-or-later
// The input's parts: the ring its callback fills and the recorder takes clips from, and
// the watch that tells a stream gone dead.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "audio/sample_ring.h"
#include "audio/stream_watch.h"

namespace vellora {
namespace {

// Block k holds four samples of value k / 128 - 1, stored as the byte k.
void appendBlock(SampleRing& ring, int k) {
    const float x = float(k) / 128.0f - 1.0f;
    const std::vector<float> block(4, x);
    ring.append(block);
}

std::vector<uint8_t> bytes(std::initializer_list<int> blocks) {
    std::vector<uint8_t> b;
    for (int k : blocks) b.insert(b.end(), 4, uint8_t(k));
    return b;
}

TEST(SampleRing, ARunsClipsFollowOnWithoutAGapAndAPauseStartsAfresh) {
    SampleRing ring(32);
    std::vector<uint8_t> out;
    // The first recording hears only what arrives after it is asked for.
    appendBlock(ring, 10);
    EXPECT_EQ(ring.nextStart(8), 4u);
    EXPECT_FALSE(ring.take(4, 8, out));  // not there yet
    EXPECT_TRUE(out.empty());
    appendBlock(ring, 11);
    appendBlock(ring, 12);
    ASSERT_TRUE(ring.take(4, 8, out));
    EXPECT_EQ(out, bytes({11, 12}));
    // The work took a block's time: the next clip still begins where the last ended.
    appendBlock(ring, 13);
    EXPECT_EQ(ring.nextStart(8), 12u);
    appendBlock(ring, 14);
    ASSERT_TRUE(ring.take(12, 8, out));
    EXPECT_EQ(out, bytes({13, 14}));
    // Exactly one clip's length since: still followed on.
    appendBlock(ring, 15);
    appendBlock(ring, 16);
    EXPECT_EQ(ring.nextStart(8), 20u);
    // More than a clip since the last: a pause, so the next clip is of what follows.
    appendBlock(ring, 17);
    EXPECT_EQ(ring.nextStart(8), 32u);
    // Overwritten samples are not handed out as a recording.
    for (int k = 18; k < 26; ++k) appendBlock(ring, k);
    EXPECT_FALSE(ring.take(20, 8, out));
    ASSERT_TRUE(ring.take(56, 8, out));
    EXPECT_EQ(out, bytes({24, 25}));
    // A new stream numbers afresh and continues nothing.
    ring.restart();
    EXPECT_EQ(ring.written(), 0u);
    EXPECT_EQ(ring.nextStart(8), 0u);
    EXPECT_FALSE(ring.take(0, 4, out));
}

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
