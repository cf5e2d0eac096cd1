// SPDX-License-Identifier: GPL-3.0-or-later
#include "belt/readings_page.h"

#include "reading_samples.h"
#include "support/hostile_files.h"
#include "support/profile_test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace vellora {
namespace {

using testing::kReadingsBomHeader;
using testing::readingAt;
using testing::writeBytes;

// Read back from the end a page at a time, across the reader's 64 kB blocks, the pages
// join to the whole file without a reading lost or repeated; a line cut short at the end
// is left out, a damaged one counted.
TEST(ReadingsPage, PagesFromTheEndJoinToTheWholeFile) {
    setenv("TZ", "UTC", 1), tzset();
    testing::TempFolder folder;
    const auto file = folder / "Readings.csv";
    std::string text = kReadingsBomHeader;
    constexpr int kReadings = 1203;  // about 60 bytes each: two blocks
    for (int i = 0; i < kReadings; ++i) text += readingCsvLine(readingAt(50 + i * 0.01));
    writeBytes(file, text + "garbage\r\n" + readingCsvLine(readingAt(10)) + "2024-06-11 10:0");
    std::vector<double> seen;
    std::uint64_t end = kReadingsFileEnd;
    std::vector<size_t> sizes;
    for (bool older = true; older;) {
        ReadingsPage page;
        ASSERT_TRUE(readReadingsPage(file, end, 500, page));
        ASSERT_LT(page.start, end);
        sizes.push_back(page.readings.size() + page.skippedLines);
        for (auto it = page.readings.rbegin(); it != page.readings.rend(); ++it)
            seen.push_back(it->hz);
        end = page.start, older = page.older;
    }
    EXPECT_EQ(sizes, (std::vector<size_t>{499, 500, 206}));  // the cut line counts as read
    ASSERT_EQ(seen.size(), size_t(kReadings + 1));
    EXPECT_EQ(seen.front(), 10);
    for (int i = 0; i < kReadings; ++i)
        ASSERT_NEAR(seen[size_t(kReadings - i)], 50 + i * 0.01, 1e-9);

    ReadingsPage none;
    EXPECT_TRUE(readReadingsPage(folder / "missing.csv", kReadingsFileEnd, 500, none));
    writeBytes(file, kReadingsBomHeader.substr(0, 12));  // a header cut short by a kill
    EXPECT_TRUE(readReadingsPage(file, kReadingsFileEnd, 500, none));
    EXPECT_TRUE(none.readings.empty());
    writeBytes(file, "name,amount\r\nbolt,3\r\n");
    EXPECT_EQ(readReadingsPage(file, kReadingsFileEnd, 500, none).failure(), Failure::BadContent);
}

// Whatever sits under the name, a page neither waits nor fills memory.
TEST(ReadingsPage, HostileFilesFailWithoutWaitingOrFillingMemory) {
    testing::TempFolder folder;
    const auto file = folder / "Readings.csv";
    const testing::MemoryCeiling ceiling(100);
    for (testing::Hostile h : testing::everyHostileFile()) {
        ASSERT_TRUE(testing::makeHostileFile(file, h));
        ReadingsPage page;
        EXPECT_FALSE(readReadingsPage(file, kReadingsFileEnd, 500, page))
            << testing::hostileName(h);
        EXPECT_TRUE(page.readings.empty());
    }
}

}  // namespace
}  // namespace vellora
