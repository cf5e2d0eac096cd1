#include "belt/reading_log.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <unistd.h>

namespace vellora {
namespace {

Reading at(double hz, const std::string& setup = "Cam") {
    return {std::chrono::system_clock::time_point{}, setup, hz, std::nullopt};
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
    }
    std::string savedTz;
};

TEST_F(Csv, OneLinePerReadingWithQuotingAndEmptyTension) {
    Reading a = at(98.765, "Drive \"A\", front");
    a.time = std::chrono::system_clock::from_time_t(1718100000);  // 2024-06-11 10:00:00 UTC
    a.tension = Tension{1234.56, 125.89, 277.54};
    Reading b = at(40.0, "");
    b.time = a.time + std::chrono::seconds(61);
    const std::vector<Reading> readings{a, b};
    EXPECT_EQ(readingsCsv(readings),
              "time,setup,frequency_hz,tension_n,tension_kgf,tension_lbf\r\n"
              "2024-06-11 10:00:00,\"Drive \"\"A\"\", front\",98.77,1234.6,125.9,277.5\r\n"
              "2024-06-11 10:01:01,,40.00,,,\r\n");

    const auto path = std::filesystem::temp_directory_path() /
                      ("vellora_readings_" + std::to_string(::getpid()) + ".csv");
    ASSERT_TRUE(saveReadingsCsv(path, readings));
    std::stringstream back;
    back << std::ifstream(path, std::ios::binary).rdbuf();
    EXPECT_EQ(back.str(), readingsCsv(readings));
    std::filesystem::remove(path);
    std::string error;
    EXPECT_FALSE(saveReadingsCsv("/nonexistent-folder/r.csv", readings, &error));
    EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace vellora
