// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/sample_ring.h"

#include <gtest/gtest.h>

#include <vector>

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

}  // namespace
}  // namespace vellora
