#include "belt/reading_log.h"

#include "support/profile_test_support.h"

#include <gtest/gtest.h>

#include <clocale>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vellora {
namespace {

using testing::TempFolder;
using testing::writeBytes;

constexpr char kBom[] = "\xEF\xBB\xBF";
constexpr char kHeader[] =
    "time,setup,frequency_hz,tension_n,tension_kgf,tension_lbf,in_target,status,reason\r\n";
const auto kTenAm = std::chrono::system_clock::from_time_t(1718100000);  // 2024-06-11 10:00 UTC

Reading at(double hz, const std::string& setup = "Cam") {
    Reading r;
    r.setup = setup;
    r.hz = hz;
    return r;
}

std::string bytesOf(const std::filesystem::path& file) {
    std::stringstream back;
    back << std::ifstream(file, std::ios::binary).rdbuf();
    return back.str();
}

TEST(ReadingLog, ThreeSuccessiveReadingsWithinOnePerCentConfirm) {
    ReadingLog log;
    EXPECT_EQ(log.add(at(100.0)), Agreement::TooFew);
    EXPECT_EQ(log.add(at(100.6)), Agreement::TooFew);
    EXPECT_EQ(log.add(at(100.9)), Agreement::Confirmed);  // spread 0.9 %
    EXPECT_EQ(log.add(at(102.0)), Agreement::Disagree);   // 100.6 .. 102.0: 1.4 %
    EXPECT_EQ(log.add(at(101.5)), Agreement::Disagree);
    EXPECT_EQ(log.add(at(101.2)), Agreement::Confirmed);  // the oldest one dropped out
    // Another set-up starts the count again.
    EXPECT_EQ(log.add(at(101.2, "Alternator")), Agreement::TooFew);
    EXPECT_EQ(log.readings().size(), 7u);
    log.clear();
    EXPECT_EQ(log.agreement(), Agreement::TooFew);
}

Reading refused(const std::string& setup = "Cam") {
    Reading r = at(0.0, setup);
    r.status = ReadingStatus::Refused;
    r.why = "not a pluck";
    return r;
}

TEST(ReadingLog, RefusedClipsAreLoggedButTakeNoPartInTheAgreement) {
    struct Step {
        Reading reading;
        Agreement agreement;
        int agreeing;  // "n of 3"
        ReadingStatus logged;
    };
    const Step steps[] = {
        {at(100.0), Agreement::TooFew, 1, ReadingStatus::Accepted},
        {refused(), Agreement::TooFew, 1, ReadingStatus::Refused},
        {at(100.5), Agreement::TooFew, 2, ReadingStatus::Accepted},
        {refused(), Agreement::TooFew, 2, ReadingStatus::Refused},
        {refused(), Agreement::TooFew, 2, ReadingStatus::Refused},
        {at(100.8), Agreement::Confirmed, 3, ReadingStatus::Confirmed},  // spread 0.8 %
        {at(103.0), Agreement::Disagree, 1, ReadingStatus::Accepted},
        {at(102.5), Agreement::Disagree, 2, ReadingStatus::Accepted},  // 102.5 .. 103: 0.5 %
        {at(102.9), Agreement::Confirmed, 3, ReadingStatus::Confirmed},
        {at(102.9, "Alternator"), Agreement::TooFew, 1, ReadingStatus::Accepted},
        {refused("Alternator"), Agreement::TooFew, 1, ReadingStatus::Refused},
    };
    ReadingLog log;
    for (size_t i = 0; i < std::size(steps); ++i) {
        EXPECT_EQ(log.add(steps[i].reading), steps[i].agreement) << "step " << i;
        EXPECT_EQ(agreeingCount(log.readings()), steps[i].agreeing) << "step " << i;
        EXPECT_EQ(log.readings().back().status, steps[i].logged) << "step " << i;
    }
    EXPECT_EQ(agreeingCount({}), 0);
}

TEST(ReadingLog, StatusAndReasonGoThroughTheCsvAndOlderFilesStillRead) {
    Reading r = refused();
    r.time = kTenAm;
    r.why = "not a pluck: too short, a click or a knock";
    Reading c = at(100.0);
    c.time = kTenAm;
    c.status = ReadingStatus::Confirmed;
    const std::vector<Reading> readings{r, c};
    const auto parsed = parseReadingsCsv(readingsCsv(readings));
    ASSERT_TRUE(parsed);
    ASSERT_EQ(parsed->readings.size(), 2u);
    EXPECT_EQ(parsed->readings[0].status, ReadingStatus::Refused);
    EXPECT_EQ(parsed->readings[0].why, r.why);
    EXPECT_EQ(parsed->readings[1].status, ReadingStatus::Confirmed);
    EXPECT_EQ(parsed->skippedLines, 0u);
    // A file written before the reason column: read as it is, nothing refused.
    const auto older = parseReadingsCsv(
        "time,setup,frequency_hz,tension_n,tension_kgf,tension_lbf,in_target,status\r\n"
        "2024-06-11 10:00:00,Cam,98.77,,,,,accepted\r\n");
    ASSERT_TRUE(older);
    ASSERT_EQ(older->readings.size(), 1u);
    EXPECT_EQ(older->readings[0].status, ReadingStatus::Accepted);
    EXPECT_TRUE(older->readings[0].why.empty());
}

class Csv : public ::testing::Test {
  protected:
    void SetUp() override {
        const char* tz = std::getenv("TZ");
        if (tz) savedTz = tz;
        setenv("TZ", "UTC", 1);
        tzset();
    }
    void TearDown() override {
        if (savedTz.empty())
            unsetenv("TZ");
        else
            setenv("TZ", savedTz.c_str(), 1);
        tzset();
        std::setlocale(LC_ALL, "C");
    }
    // A French locale built for the test (the machine may have none installed), so that
    // printf-style formatting would write decimal commas.
    bool useFrenchLocale() {
        const std::string locales = (folder / "locales").string();
        const std::string command =
            "localedef -i fr_FR -f UTF-8 " + locales + "/fr_FR.UTF-8 >/dev/null 2>&1";
        std::filesystem::create_directories(locales);
        if (std::system(command.c_str()) != 0) return false;
        setenv("LOCPATH", locales.c_str(), 1);
        const bool set = std::setlocale(LC_ALL, "fr_FR.UTF-8") != nullptr;
        unsetenv("LOCPATH");
        return set;
    }
    std::string savedTz;
    TempFolder folder;
};

TEST_F(Csv, OneLinePerReadingSafeInASpreadsheetWhateverTheLocale) {
    if (!useFrenchLocale()) GTEST_SKIP() << "no French locale can be built here";
    char french[16];
    std::snprintf(french, sizeof french, "%.2f", 98.765);
    ASSERT_STREQ(french, "98,77");  // the fault this guards against is live

    Reading a = at(98.765, "Drive \"A\", front");
    a.time = kTenAm;
    a.tension = Tension{1234.56, 125.89, 277.54};
    a.range = RangeStatus::Inside;
    Reading b = at(40.0, "");
    b.time = kTenAm + std::chrono::seconds(61);
    b.range = RangeStatus::Outside;
    std::vector<Reading> readings{a, b};
    for (const char* name : {"=1+2", "+33 6", "-5", "@SUM(A1)", "'quoted"}) {
        Reading r = at(1.5, name);
        r.time = kTenAm;
        readings.push_back(r);
    }
    EXPECT_EQ(readingsCsv(readings),
              std::string(kBom) + kHeader +
                  "2024-06-11 10:00:00,\"Drive \"\"A\"\", front\",98.77,1234.6,125.9,277.5,yes,"
                  "accepted,\r\n"
                  "2024-06-11 10:01:01,,40.00,,,,no,accepted,\r\n"
                  "2024-06-11 10:00:00,'=1+2,1.50,,,,,accepted,\r\n"
                  "2024-06-11 10:00:00,'+33 6,1.50,,,,,accepted,\r\n"
                  "2024-06-11 10:00:00,'-5,1.50,,,,,accepted,\r\n"
                  "2024-06-11 10:00:00,'@SUM(A1),1.50,,,,,accepted,\r\n"
                  "2024-06-11 10:00:00,''quoted,1.50,,,,,accepted,\r\n");

    // Read back as written, names without their apostrophe.
    const auto parsed = parseReadingsCsv(readingsCsv(readings));
    ASSERT_TRUE(parsed);
    ASSERT_EQ(parsed->readings.size(), readings.size());
    EXPECT_EQ(parsed->skippedLines, 0u);
    for (size_t i = 0; i < readings.size(); ++i) {
        EXPECT_EQ(parsed->readings[i].setup, readings[i].setup);
        EXPECT_EQ(parsed->readings[i].time, readings[i].time);
        EXPECT_EQ(parsed->readings[i].range, readings[i].range);
    }
    EXPECT_DOUBLE_EQ(parsed->readings[0].hz, 98.77);
    EXPECT_DOUBLE_EQ(parsed->readings[0].tension->lbf, 277.5);
    EXPECT_FALSE(parsed->readings[1].tension);
}

TEST_F(Csv, ReadingBackTakesCompleteReadingsOnly) {
    const std::string good = "2024-06-11 10:00:00,Cam,98.77,1234.6,125.9,277.5,yes,accepted,\r\n";
    struct Case {
        const char* what;
        std::string text;
        size_t readings, skipped;
    };
    const Case cases[] = {
        {"a last line cut short", std::string(kHeader) + good + "2024-06-11 10:0", 1, 0},
        {"lines that are no reading",
         std::string(kBom) + kHeader + good + "nonsense\r\n" +
             "2024-13-11 10:00:00,Cam,1,,,,,accepted,\r\n" +
             "2024-06-11 10:00:00,Cam,-1,,,,,accepted,\r\n" +
             "2024-06-11 10:00:00,Cam,1,,,,maybe,accepted,\r\n" + "\r\n" + good,
         2, 4},
        {"columns in another order, one unknown, others missing",
         "frequency_hz,colour,time\n98.5,red,2024-06-11 10:00:00\n", 1, 0},
    };
    for (const Case& c : cases) {
        const auto parsed = parseReadingsCsv(c.text);
        ASSERT_TRUE(parsed) << c.what;
        EXPECT_EQ(parsed->readings.size(), c.readings) << c.what;
        EXPECT_EQ(parsed->skippedLines, c.skipped) << c.what;
    }
    EXPECT_FALSE(parseReadingsCsv("name,value\nx,1\n"));
    EXPECT_DOUBLE_EQ(parseReadingsCsv(cases[2].text)->readings[0].hz, 98.5);
}

TEST_F(Csv, TheFileGrowsALineAtATimeAndClears) {
    ReadingsFile file(folder / "Readings.csv");
    ParsedReadings kept;
    ASSERT_TRUE(file.read(kept, nullptr));  // none yet
    EXPECT_TRUE(kept.readings.empty());

    Reading a = at(98.765);
    a.time = kTenAm;
    ASSERT_TRUE(file.append(a, nullptr));
    ASSERT_TRUE(file.append(at(50), nullptr));
    EXPECT_EQ(bytesOf(file.path()),
              std::string(kBom) + kHeader + readingCsvLine(a) + readingCsvLine(at(50)));

    // An append cut short earlier: the next one ends it and stays whole itself.
    std::ofstream(file.path(), std::ios::app) << "2024-06-11 10:00:00,Cam,9";
    ASSERT_TRUE(file.append(a, nullptr));
    ASSERT_TRUE(file.read(kept, nullptr));
    ASSERT_EQ(kept.readings.size(), 3u);
    EXPECT_EQ(kept.skippedLines, 1u);
    EXPECT_EQ(kept.readings[2].time, kTenAm);

    ASSERT_TRUE(file.clear(nullptr));
    ASSERT_TRUE(file.read(kept, nullptr));
    EXPECT_TRUE(kept.readings.empty());
    ASSERT_TRUE(file.append(a, nullptr));
    EXPECT_EQ(bytesOf(file.path()), std::string(kBom) + kHeader + readingCsvLine(a));
}

TEST_F(Csv, AppendsFollowTheFilesOwnColumns) {
    const auto path = folder / "Readings.csv";
    writeBytes(path, "frequency_hz;x\n");  // no readings file: left alone
    ReadingsFile file(path);
    std::string error;
    EXPECT_FALSE(file.append(at(1), &error));
    EXPECT_NE(error.find("not a readings file"), std::string::npos) << error;
    EXPECT_EQ(bytesOf(path), "frequency_hz;x\n");

    writeBytes(path, "frequency_hz,time,colour\n1.00,2024-06-11 10:00:00,red\n");
    Reading r = at(2);
    r.time = kTenAm;
    ASSERT_TRUE(file.append(r, nullptr));
    EXPECT_EQ(bytesOf(path),
              "frequency_hz,time,colour\n1.00,2024-06-11 10:00:00,red\n"
              "2.00,2024-06-11 10:00:00,\r\n");
}

TEST_F(Csv, FilesThatAreNoReadingsFileGiveAnErrorNotAHang) {
    const auto fifo = folder / "fifo.csv";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    const auto big = folder / "big.csv";
    writeBytes(big, kHeader);
    std::filesystem::resize_file(big, kMaxReadingsFileBytes + 1);
    for (const auto& path : {fifo, big, folder.path()}) {
        ReadingsFile file(path);
        ParsedReadings kept;
        std::string error;
        EXPECT_FALSE(file.read(kept, &error)) << path;
        EXPECT_NE(error.find(path.string()), std::string::npos) << error;
    }
    std::string error;
    EXPECT_FALSE(ReadingsFile(fifo).append(at(1), &error));
    EXPECT_FALSE(ReadingsFile(fifo).clear(&error));
    // Appending to the large file still works: nothing needs reading it whole.
    EXPECT_TRUE(ReadingsFile(big).append(at(1), nullptr));
}

TEST_F(Csv, AKillDuringAnAppendLeavesEveryEarlierLineWhole) {
    const auto path = folder / "Readings.csv";
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ReadingsFile file(path);
        for (int i = 1;; ++i) {
            Reading r = at(i, "Belt " + std::to_string(i));
            r.tension = Tension{double(i), double(i), double(i)};
            file.append(r, nullptr);
        }
    }
    // Let it write a few hundred lines, then kill it wherever it is.
    for (int tries = 0; tries < 2000; ++tries) {
        std::error_code ec;
        const auto size = std::filesystem::file_size(path, ec);
        if (!ec && size > 12000) break;  // some 160 lines
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));

    ReadingsFile file(path);
    ParsedReadings kept;
    ASSERT_TRUE(file.read(kept, nullptr));
    ASSERT_GT(kept.readings.size(), 100u);
    EXPECT_EQ(kept.skippedLines, 0u);
    for (size_t i = 0; i < kept.readings.size(); ++i) {
        EXPECT_EQ(kept.readings[i].hz, double(i + 1));
        EXPECT_EQ(kept.readings[i].setup, "Belt " + std::to_string(i + 1));
        ASSERT_TRUE(kept.readings[i].tension);
        EXPECT_EQ(kept.readings[i].tension->lbf, double(i + 1));
    }
    // The next append stays whole too, whatever the kill left.
    ASSERT_TRUE(file.append(at(0.5, "after"), nullptr));
    ParsedReadings after;
    ASSERT_TRUE(file.read(after, nullptr));
    EXPECT_LE(after.readings.size(), kept.readings.size() + 2);  // + the one cut short
    EXPECT_EQ(after.readings.back().setup, "after");
    EXPECT_LE(after.skippedLines, 1u);
}

TEST_F(Csv, TheExportIsACompleteCopyAndSaysWhyItFailed) {
    Reading a = at(98.765);
    a.time = kTenAm;
    const std::vector<Reading> readings{a, at(40)};
    const auto path = folder / "export.csv";
    ASSERT_TRUE(saveReadingsCsv(path, readings));
    EXPECT_EQ(bytesOf(path), readingsCsv(readings));
    const Status failed = saveReadingsCsv(folder / "no folder" / "r.csv", readings);
    EXPECT_FALSE(failed);
    EXPECT_NE(failed.message().find("r.csv"), std::string::npos);
}

}  // namespace
}  // namespace vellora
