// SPDX-License-Identifier: GPL-3.0-or-later
#include "belt/reading_log.h"

#include "support/profile_test_support.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <clocale>
#include <cstdlib>
#include <fstream>

namespace vellora {
namespace {

using testing::readBytes;
using testing::writeBytes;

const std::string kHeader =
    "time,setup,frequency_hz,tension_n,tension_kgf,tension_lbf,in_target,status,reason\r\n";
const std::string kBomHeader = "\xEF\xBB\xBF" + kHeader;

Reading at(double hz, const std::string& setup = "Cam", ReadingStatus status = {}) {
    Reading r;
    r.time = std::chrono::system_clock::from_time_t(1718100000);  // 2024-06-11 10:00 UTC
    r.setup = setup;
    r.hz = hz;
    r.status = status;
    if (status == ReadingStatus::Refused) r.why = "not a pluck: too short, a click";
    return r;
}

TEST(ReadingLog, ThreeSuccessiveReadingsWithinOnePerCentConfirmRefusedOnesAside) {
    const auto refused = at(0, "Cam", ReadingStatus::Refused);
    const struct {
        Reading reading;
        Agreement agreement;
        int agreeing;  // "n of 3"
        ReadingStatus logged;
    } steps[] = {
        {at(100.0), Agreement::TooFew, 1, ReadingStatus::Accepted},
        {refused, Agreement::TooFew, 1, ReadingStatus::Refused},
        {at(100.5), Agreement::TooFew, 2, ReadingStatus::Accepted},
        {at(100.8), Agreement::Confirmed, 3, ReadingStatus::Confirmed},  // spread 0.8 %
        // 100.5 .. 101.51: 1.005 % of the smallest, though 0.995 % of the largest.
        {at(101.51), Agreement::Disagree, 2, ReadingStatus::Accepted},
        {at(102.0), Agreement::Disagree, 2, ReadingStatus::Accepted},
        {at(101.6), Agreement::Confirmed, 3, ReadingStatus::Confirmed},  // 100.8 dropped out
        {at(101.6, "Alternator"), Agreement::TooFew, 1, ReadingStatus::Accepted},
    };
    ReadingLog log;
    for (size_t i = 0; i < std::size(steps); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(log.add(steps[i].reading), steps[i].agreement);
        EXPECT_EQ(agreeingCount(log.readings()), steps[i].agreeing);
        EXPECT_EQ(log.readings().back().status, steps[i].logged);
    }
}

class Csv : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { setenv("TZ", "UTC", 1), tzset(); }  // times as above
    void TearDown() override { std::setlocale(LC_ALL, "C"); }
    testing::TempFolder folder;
};

// Decimal points whatever the locale (printf would write French commas), quoted fields,
// and no name a spreadsheet would run as a formula.
TEST_F(Csv, OneLinePerReadingSafeInASpreadsheetWhateverTheLocale) {
    const std::string locales = (folder / "locales").string();
    std::filesystem::create_directories(locales);
    if (std::system(
            ("localedef -i fr_FR -f UTF-8 " + locales + "/fr_FR.UTF-8 >/dev/null 2>&1").c_str()))
        GTEST_SKIP() << "no French locale can be built here";
    setenv("LOCPATH", locales.c_str(), 1);
    ASSERT_TRUE(std::setlocale(LC_ALL, "fr_FR.UTF-8"));
    unsetenv("LOCPATH");

    Reading a = at(98.765, "Drive \"A\", front", ReadingStatus::Confirmed);
    a.tension = Tension{1234.56, 125.89, 277.54};
    a.range = RangeStatus::Inside;
    Reading b = at(40.0, "");
    b.range = RangeStatus::Outside;
    const Reading readings[] = {a, b, at(0, "=1+2", ReadingStatus::Refused)};
    const std::string csv = readingsCsv(readings);
    EXPECT_EQ(csv, kBomHeader +
                       "2024-06-11 10:00:00,\"Drive \"\"A\"\", front\",98.77,1234.6,125.9,277.5,"
                       "yes,confirmed,\r\n2024-06-11 10:00:00,,40.00,,,,no,accepted,\r\n"
                       "2024-06-11 10:00:00,'=1+2,0.00,,,,,refused,\"not a pluck: too short, "
                       "a click\"\r\n");
    for (const std::string name : {"+1", "-1", "@1", "'1"})
        EXPECT_EQ(readingCsvLine(at(1.5, name)),
                  "2024-06-11 10:00:00,'" + name + ",1.50,,,,,accepted,\r\n");
    const auto parsed = parseReadingsCsv(csv);  // read back, then written again: the same
    ASSERT_TRUE(parsed);
    EXPECT_EQ(readingsCsv(parsed->readings), csv);
}

// Only complete, valid lines count; the others are counted as skipped, never a failure.
TEST_F(Csv, ReadingBackTakesCompleteReadingsOnly) {
    const std::string good = "2024-06-11 10:00:00,Cam,98.77,1234.6,125.9,277.5,yes,accepted,\r\n";
    const auto parsed = parseReadingsCsv(
        kBomHeader + good + "nonsense\r\n2024-13-11 10:00:00,Cam,1,,,,,accepted,\r\n" +
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
TEST_F(Csv, TheFileGrowsALineAtATimeAndClears) {
    ReadingsFile file(folder / "Readings.csv");
    ParsedReadings kept;
    writeBytes(file.path(), kBomHeader.substr(0, 20));  // our header, cut short by a crash
    ASSERT_TRUE(file.read(kept));
    ASSERT_TRUE(file.append(at(98.765)));
    EXPECT_EQ(readBytes(file.path()), kBomHeader + readingCsvLine(at(98.765)));
    std::ofstream(file.path(), std::ios::app) << "2024-06-11 10:00:00,Cam,9";
    ASSERT_TRUE(file.append(at(60)));
    ASSERT_TRUE(file.read(kept));
    ASSERT_EQ(kept.readings.size(), 2u);
    EXPECT_EQ(kept.skippedLines, 1u);
    ASSERT_TRUE(file.clear());
    EXPECT_EQ(readBytes(file.path()), "");

    const std::string theirs = "frequency_hz,time,colour\n1.00,2024-06-11 10:00:00,red\n";
    writeBytes(file.path(), theirs);
    ASSERT_TRUE(file.append(at(2)));
    EXPECT_EQ(readBytes(file.path()), theirs + "2.00,2024-06-11 10:00:00,\r\n");
}

// Read, appended to or cleared, what is no readings file gives an error naming it, never
// a hang, and is left as it was; appending to a large one still works.
TEST_F(Csv, FilesThatAreNoReadingsFileGiveAnErrorAndAreLeftAlone) {
    const auto fifo = folder / "fifo.csv", big = folder / "big.csv", other = folder / "o.csv";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    writeBytes(big, kHeader);
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
        EXPECT_EQ(ReadingsFile(c.path).append(at(1)).failure(), c.append);
    }
    EXPECT_EQ(ReadingsFile(fifo).clear().failure(), Failure::NotRegularFile);
    EXPECT_EQ(readBytes(other), "frequency_hz;x\n");
}

}  // namespace
}  // namespace vellora
