// SPDX-License-Identifier: GPL-3.0-or-later
#include "belt/readings_csv.h"

#include "reading_samples.h"
#include "support/profile_test_support.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>

namespace vellora {
namespace {

using testing::kReadingsBomHeader;
using testing::readingAt;

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
TEST_F(Csv, ReadingBackTakesCompleteReadingsOnly) {
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

}  // namespace
}  // namespace vellora
