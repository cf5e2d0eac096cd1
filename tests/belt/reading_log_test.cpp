#include "belt/reading_log.h"

#include "support/profile_test_support.h"

#include <gtest/gtest.h>

#include <clocale>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <thread>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vellora {
namespace {

using testing::readBytes;
using testing::TempFolder;
using testing::writeBytes;

constexpr char kBom[] = "\xEF\xBB\xBF";
constexpr char kHeader[] =
    "time,setup,frequency_hz,tension_n,tension_kgf,tension_lbf,in_target,status,reason\r\n";
const auto kTenAm = std::chrono::system_clock::from_time_t(1718100000);  // 2024-06-11 10:00 UTC

Reading at(double hz, const std::string& setup = "Cam") {
    Reading r;
    r.time = kTenAm;
    r.setup = setup;
    r.hz = hz;
    return r;
}

Reading refused(const std::string& setup = "Cam") {
    Reading r = at(0.0, setup);
    r.status = ReadingStatus::Refused;
    r.why = "not a pluck: too short, a click";
    return r;
}

TEST(ReadingLog, ThreeSuccessiveReadingsWithinOnePerCentConfirmRefusedOnesAside) {
    const struct {
        Reading reading;
        Agreement agreement;
        int agreeing;  // "n of 3"
        ReadingStatus logged;
    } steps[] = {
        {at(100.0), Agreement::TooFew, 1, ReadingStatus::Accepted},
        {refused(), Agreement::TooFew, 1, ReadingStatus::Refused},
        {at(100.5), Agreement::TooFew, 2, ReadingStatus::Accepted},
        {refused(), Agreement::TooFew, 2, ReadingStatus::Refused},
        {at(100.8), Agreement::Confirmed, 3, ReadingStatus::Confirmed},  // spread 0.8 %
        {at(102.0), Agreement::Disagree, 1, ReadingStatus::Accepted},    // 100.5 .. 102: 1.5 %
        {at(101.5), Agreement::Disagree, 2, ReadingStatus::Accepted},
        {at(101.2), Agreement::Confirmed, 3, ReadingStatus::Confirmed},  // 100.8 dropped out
        {at(101.2, "Alternator"), Agreement::TooFew, 1, ReadingStatus::Accepted},
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
    void SetUp() override {
        if (const char* tz = std::getenv("TZ")) savedTz = tz;
        setenv("TZ", "UTC", 1);
        tzset();
    }
    void TearDown() override {
        savedTz.empty() ? unsetenv("TZ") : setenv("TZ", savedTz.c_str(), 1);
        tzset();
        std::setlocale(LC_ALL, "C");
    }
    std::string savedTz;
    TempFolder folder;
};

// In a French locale printf writes decimal commas; the file must not. A French locale is
// built for the test, since the machine may have none.
TEST_F(Csv, OneLinePerReadingSafeInASpreadsheetWhateverTheLocale) {
    const std::string locales = (folder / "locales").string();
    std::filesystem::create_directories(locales);
    if (std::system(
            ("localedef -i fr_FR -f UTF-8 " + locales + "/fr_FR.UTF-8 2>/dev/null").c_str()))
        GTEST_SKIP() << "no French locale can be built here";
    setenv("LOCPATH", locales.c_str(), 1);
    ASSERT_TRUE(std::setlocale(LC_ALL, "fr_FR.UTF-8"));
    unsetenv("LOCPATH");

    Reading a = at(98.765, "Drive \"A\", front");
    a.tension = Tension{1234.56, 125.89, 277.54};
    a.range = RangeStatus::Inside;
    a.status = ReadingStatus::Confirmed;
    Reading b = at(40.0, "");
    b.time = kTenAm + std::chrono::seconds(61);
    b.range = RangeStatus::Outside;
    std::vector<Reading> readings{a, b, refused("=1+2"), at(1.5, "@SUM(A1)"), at(1.5, "'q")};
    EXPECT_EQ(readingsCsv(readings),
              std::string(kBom) + kHeader +
                  "2024-06-11 10:00:00,\"Drive \"\"A\"\", front\",98.77,1234.6,125.9,277.5,yes,"
                  "confirmed,\r\n"
                  "2024-06-11 10:01:01,,40.00,,,,no,accepted,\r\n"
                  "2024-06-11 10:00:00,'=1+2,0.00,,,,,refused,\"not a pluck: too short, a "
                  "click\"\r\n"
                  "2024-06-11 10:00:00,'@SUM(A1),1.50,,,,,accepted,\r\n"
                  "2024-06-11 10:00:00,''q,1.50,,,,,accepted,\r\n");

    const auto parsed = parseReadingsCsv(readingsCsv(readings));
    ASSERT_TRUE(parsed);
    ASSERT_EQ(parsed->readings.size(), readings.size());
    for (size_t i = 0; i < readings.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(parsed->readings[i].setup, readings[i].setup);  // without the apostrophe
        EXPECT_EQ(parsed->readings[i].time, readings[i].time);
        EXPECT_EQ(parsed->readings[i].range, readings[i].range);
        EXPECT_EQ(parsed->readings[i].status, readings[i].status);
        EXPECT_EQ(parsed->readings[i].why, readings[i].why);
    }
    EXPECT_DOUBLE_EQ(parsed->readings[0].hz, 98.77);
    EXPECT_DOUBLE_EQ(parsed->readings[0].tension->lbf, 277.5);
    EXPECT_FALSE(parsed->readings[1].tension);
}

TEST_F(Csv, ReadingBackTakesCompleteReadingsOnly) {
    const std::string good = "2024-06-11 10:00:00,Cam,98.77,1234.6,125.9,277.5,yes,accepted,\r\n";
    const struct {
        const char* what;
        std::string text;
        size_t readings, skipped;
    } cases[] = {
        {"a last line cut short", kHeader + good + "2024-06-11 10:0", 1, 0},
        {"lines that are no reading",
         kBom + (kHeader + good) + "nonsense\r\n2024-13-11 10:00:00,Cam,1,,,,,accepted,\r\n" +
             "2024-06-11 10:00:00,Cam,-1,,,,,accepted,\r\n" +
             "2024-06-11 10:00:00,Cam,1,,,,maybe,accepted,\r\n\r\n" + good,
         2, 4},
        {"columns in another order, one unknown, others missing",
         "frequency_hz,colour,time\n98.5,red,2024-06-11 10:00:00\n", 1, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto parsed = parseReadingsCsv(c.text);
        ASSERT_TRUE(parsed);
        EXPECT_EQ(parsed->readings.size(), c.readings);
        EXPECT_EQ(parsed->skippedLines, c.skipped);
    }
    EXPECT_DOUBLE_EQ(parseReadingsCsv(cases[2].text)->readings[0].hz, 98.5);
    EXPECT_FALSE(parseReadingsCsv("name,value\nx,1\n"));
}

TEST_F(Csv, TheFileGrowsALineAtATimeFollowingItsOwnColumnsAndClears) {
    ReadingsFile file(folder / "Readings.csv");
    ParsedReadings kept;
    ASSERT_TRUE(file.read(kept));  // none yet
    ASSERT_TRUE(file.append(at(98.765)));
    ASSERT_TRUE(file.append(at(50)));
    EXPECT_EQ(readBytes(file.path()),
              kBom + (kHeader + readingCsvLine(at(98.765))) + readingCsvLine(at(50)));

    // An append cut short earlier: the next one ends it and stays whole itself.
    std::ofstream(file.path(), std::ios::app) << "2024-06-11 10:00:00,Cam,9";
    ASSERT_TRUE(file.append(at(60)));
    ASSERT_TRUE(file.read(kept));
    ASSERT_EQ(kept.readings.size(), 3u);
    EXPECT_EQ(kept.skippedLines, 1u);
    EXPECT_EQ(kept.readings[2].hz, 60);

    ASSERT_TRUE(file.clear());
    ASSERT_TRUE(file.read(kept));
    EXPECT_TRUE(kept.readings.empty());

    writeBytes(file.path(), "frequency_hz,time,colour\n1.00,2024-06-11 10:00:00,red\n");
    ASSERT_TRUE(file.append(at(2)));
    EXPECT_EQ(readBytes(file.path()),
              "frequency_hz,time,colour\n1.00,2024-06-11 10:00:00,red\n"
              "2.00,2024-06-11 10:00:00,\r\n");
}

// Read, appended to or cleared, a file that is no readings file gives an error naming
// it, never a hang, and is left as it was; appending to a large one still works.
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

TEST_F(Csv, AKillDuringAnAppendLeavesEveryEarlierLineWhole) {
    const auto path = folder / "Readings.csv";
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0)
        for (int i = 1;; ++i) (void)ReadingsFile(path).append(at(i, "Belt " + std::to_string(i)));
    for (int tries = 0; tries < 2000; ++tries) {  // some 160 lines, then kill it anywhere
        std::error_code ec;
        if (std::filesystem::file_size(path, ec) > 12000 && !ec) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);

    ReadingsFile file(path);
    ParsedReadings kept;
    ASSERT_TRUE(file.read(kept));
    ASSERT_GT(kept.readings.size(), 100u);
    EXPECT_EQ(kept.skippedLines, 0u);
    for (size_t i = 0; i < kept.readings.size(); ++i)
        EXPECT_EQ(kept.readings[i].setup, "Belt " + std::to_string(i + 1));
    ASSERT_TRUE(file.append(at(0.5, "after")));  // whole too, whatever the kill left
    ASSERT_TRUE(file.read(kept));
    EXPECT_EQ(kept.readings.back().setup, "after");
}

TEST_F(Csv, TheExportIsACompleteCopyAndSaysWhyItFailed) {
    const std::vector<Reading> readings{at(98.765), at(40)};
    ASSERT_TRUE(saveReadingsCsv(folder / "export.csv", readings));
    EXPECT_EQ(readBytes(folder / "export.csv"), readingsCsv(readings));
    const Status failed = saveReadingsCsv(folder / "no folder" / "r.csv", readings);
    EXPECT_FALSE(failed);
    EXPECT_NE(failed.message().find("r.csv"), std::string::npos);
}

}  // namespace
}  // namespace vellora
