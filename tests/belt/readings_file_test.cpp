// SPDX-License-Identifier: GPL-3.0-or-later
#include "belt/readings_file.h"

#include "reading_samples.h"
#include "support/file_faults.h"
#include "support/profile_test_support.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

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

class ReadingsFileTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { setenv("TZ", "UTC", 1), tzset(); }  // times as written
    testing::TempFolder folder;
};

// Appends end one cut short, follow the file's own columns and never rewrite what is there.
TEST_F(ReadingsFileTest, TheFileGrowsALineAtATimeAndClears) {
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
TEST_F(ReadingsFileTest, EveryStepOfAnAppendIsFlushedAndChecked) {
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
TEST_F(ReadingsFileTest, FilesThatAreNoReadingsFileGiveAnErrorAndAreLeftAlone) {
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

}  // namespace
}  // namespace vellora
