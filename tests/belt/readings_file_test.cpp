// SPDX-License-Identifier: GPL-3.0-or-later
// The readings file: its CSV lines, the file they are appended to, and its pages read back
// from the end.
#include "belt/readings_file.h"

#include "belt/readings_csv.h"
#include "belt/readings_page.h"
#include "reading_samples.h"
#include "support/file_faults.h"
#include "support/hostile_files.h"
#include "support/profile_test_support.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <fstream>

namespace vellora {
namespace {

using testing::kReadingsBomHeader;
using testing::kReadingsHeader;
using testing::readBytes;
using testing::readingAt;
using testing::writeBytes;

class Readings : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { setenv("TZ", "UTC", 1), tzset(); }  // times as written
    void TearDown() override { std::setlocale(LC_ALL, "C"); }
    testing::TempFolder folder;
};

// Decimal points whatever the locale (printf would write French commas), quoted fields,
// and no name a spreadsheet would run as a formula.
TEST_F(Readings, OneLinePerReadingSafeInASpreadsheetWhateverTheLocale) {
    const std::string locales = (folder / "locales").string();
    std::filesystem::create_directories(locales);
    if (std::system(
            ("localedef -i fr_FR -f UTF-8 " + locales + "/fr_FR.UTF-8 >/dev/null 2>&1").c_str()))
        GTEST_SKIP() << "no French locale can be built here";
    setenv("LOCPATH", locales.c_str(), 1);
    ASSERT_TRUE(std::setlocale(LC_ALL, "fr_FR.UTF-8"));
    unsetenv("LOCPATH");

    Reading a = readingAt(98.765, "Drive \"A\", front", ReadingStatus::Confirmed);
    a.tension = Tension{1234.56, 125.89, 277.54};
    a.range = RangeStatus::Inside;
    Reading b = readingAt(40.0, "");
    b.range = RangeStatus::Outside;
    const Reading readings[] = {a, b, readingAt(0, "=1+2", ReadingStatus::Refused)};
    const std::string csv = readingsCsv(readings);
    EXPECT_EQ(csv, kReadingsBomHeader +
                       "2024-06-11 10:00:00,\"Drive \"\"A\"\", front\",98.77,1234.6,125.9,277.5,"
                       "yes,confirmed,\r\n2024-06-11 10:00:00,,40.00,,,,no,accepted,\r\n"
                       "2024-06-11 10:00:00,'=1+2,0.00,,,,,refused,\"not a pluck: too short, "
                       "a click\"\r\n");
    for (const std::string name : {"+1", "-1", "@1", "'1"})
        EXPECT_EQ(readingCsvLine(readingAt(1.5, name)),
                  "2024-06-11 10:00:00,'" + name + ",1.50,,,,,accepted,\r\n");
    const auto parsed = parseReadingsCsv(csv);  // read back, then written again: the same
    ASSERT_TRUE(parsed);
    EXPECT_EQ(readingsCsv(parsed->readings), csv);
}

// Only complete, valid lines count; the others are counted as skipped, never a failure.
TEST_F(Readings, ReadingBackTakesCompleteReadingsOnly) {
    const std::string good = "2024-06-11 10:00:00,Cam,98.77,1234.6,125.9,277.5,yes,accepted,\r\n";
    const auto parsed = parseReadingsCsv(
        kReadingsBomHeader + good + "nonsense\r\n2024-13-11 10:00:00,Cam,1,,,,,accepted,\r\n" +
        "2024-06-11 10:00:00,Cam,-1,,,,,accepted,\r\n2024-06-11 10:00:00,Cam,1,,,,maybe,,\r\n" +
        "\r\n" + good + "2024-06-11 10:0");  // the last line cut short
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->readings.size(), 2u);
    EXPECT_EQ(parsed->skippedLines, 4u);
    // Columns in another order, one unknown, others missing: an older or edited file.
    const auto other = parseReadingsCsv("frequency_hz,colour,time\n98.5,red,2024-06-11 10:00:00\n");
    EXPECT_EQ(other->readings.at(0).hz, 98.5);
    EXPECT_FALSE(parseReadingsCsv("name,value\nx,1\n"));
}

// Appends end one cut short, follow the file's own columns and never rewrite what is there.
TEST_F(Readings, TheFileGrowsALineAtATimeAndClears) {
    ReadingsFile file(folder / "Readings.csv");
    ParsedReadings kept;
    writeBytes(file.path(), kReadingsBomHeader.substr(0, 20));  // our header, cut short by a crash
    ASSERT_TRUE(file.read(kept));
    ASSERT_TRUE(file.append(readingAt(98.765)));
    EXPECT_EQ(readBytes(file.path()),
              kReadingsBomHeader + "2024-06-11 10:00:00,Cam,98.77,,,,,accepted,\r\n");
    std::ofstream(file.path(), std::ios::app) << "2024-06-11 10:00:00,Cam,9";
    ASSERT_TRUE(file.append(readingAt(60)));
    ASSERT_TRUE(file.read(kept));
    ASSERT_EQ(kept.readings.size(), 2u);
    EXPECT_EQ(kept.skippedLines, 1u);
    ASSERT_TRUE(file.clear());
    EXPECT_EQ(readBytes(file.path()), "");

    const std::string theirs = "frequency_hz,time,colour\n1.00,2024-06-11 10:00:00,red\n";
    writeBytes(file.path(), theirs);
    ASSERT_TRUE(file.append(readingAt(2)));
    EXPECT_EQ(readBytes(file.path()), theirs + "2.00,2024-06-11 10:00:00,\r\n");
}

// Each append and each clearing is flushed before it counts; a failure of any of its calls
// is reported, naming the file, and leaves the lines already there whole; a crash half-way
// through a line costs that line only.
TEST_F(Readings, EveryStepOfAnAppendIsFlushedAndChecked) {
    using testing::Fault;
    using testing::FileFaults;
    ReadingsFile file(folder / "Readings.csv");
    const std::string before = kReadingsBomHeader + readingCsvLine(readingAt(98.765));
    std::vector<testing::RecordedCall> steps;
    for (const bool clearing : {false, true}) {
        writeBytes(file.path(), before);
        FileFaults recorded;
        ASSERT_TRUE(clearing ? file.clear() : file.append(readingAt(60)));
        EXPECT_TRUE(FileFaults::everyWriteFlushed()) << clearing;
        EXPECT_GE(FileFaults::calls().size(), 2u);
        if (!clearing) steps = FileFaults::calls();
    }
    for (std::size_t i = 0; i < steps.size(); ++i) {
        SCOPED_TRACE(i);
        writeBytes(file.path(), before);
        Status added;
        {
            FileFaults failing(i, Fault::Fail);
            added = file.append(readingAt(60));
        }
        EXPECT_FALSE(added);
        EXPECT_NE(added.message().find("Readings.csv"), std::string::npos) << added.message();
        EXPECT_EQ(readBytes(file.path()).substr(0, before.size()), before);
    }
    {  // opened, then not to be examined: told by that cause, never as write-protected
        writeBytes(file.path(), before);
        FileFaults unseen(testing::FileCall::Fstat, EIO, 1);  // the open's own check passes
        const Status added = file.append(readingAt(60));
        EXPECT_NE(added.message().find(std::strerror(EIO)), std::string::npos) << added.message();
        EXPECT_EQ(readBytes(file.path()), before);
    }
    writeBytes(file.path(), before);
    const pid_t child = ::fork();
    if (child == 0) {
        FileFaults crashing(0, Fault::Crash);  // half the line written, then the end
        (void)file.append(readingAt(50));
        ::_exit(0);
    }
    int how = 0;
    ::waitpid(child, &how, 0);
    EXPECT_EQ(WEXITSTATUS(how), testing::kCrashExit);
    ASSERT_TRUE(file.append(readingAt(60)));
    ParsedReadings kept;
    ASSERT_TRUE(file.read(kept));
    ASSERT_EQ(kept.readings.size(), 2u);
    EXPECT_EQ(kept.readings[1].hz, 60);
    EXPECT_EQ(kept.skippedLines, 1u);
}

// Read, appended to or cleared, what is no readings file gives an error naming it, never
// a hang, and is left as it was; appending to a large one still works.
TEST_F(Readings, FilesThatAreNoReadingsFileGiveAnErrorAndAreLeftAlone) {
    const auto fifo = folder / "fifo.csv", big = folder / "big.csv", other = folder / "o.csv";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    writeBytes(big, kReadingsHeader);
    std::filesystem::resize_file(big, kMaxReadingsFileBytes + 1);
    writeBytes(other, "frequency_hz;x\n");
    const struct {
        std::filesystem::path path;
        Failure read, append;
    } cases[] = {
        {fifo, Failure::NotRegularFile, Failure::NotRegularFile},
        {folder.path(), Failure::NotRegularFile, Failure::NotRegularFile},
        {big, Failure::TooLarge, Failure::None},
        {other, Failure::BadContent, Failure::BadContent},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        ParsedReadings kept;
        const Status read = ReadingsFile(c.path).read(kept);
        EXPECT_EQ(read.failure(), c.read);
        EXPECT_NE(read.message().find(c.path.string()), std::string::npos) << read.message();
        EXPECT_EQ(ReadingsFile(c.path).append(readingAt(1)).failure(), c.append);
    }
    EXPECT_EQ(ReadingsFile(fifo).clear().failure(), Failure::NotRegularFile);
    EXPECT_EQ(readBytes(other), "frequency_hz;x\n");
}

// Read back from the end a page at a time, across the reader's 64 kB blocks, the pages
// join to the whole file without a reading lost or repeated; a line cut short at the end
// is left out, a damaged one counted.
TEST_F(Readings, PagesFromTheEndJoinToTheWholeFile) {
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
TEST_F(Readings, PagesOfHostileFilesFailWithoutWaitingOrFillingMemory) {
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
