// SPDX-License-Identifier: GPL-3.0-or-later
#include "belt/reading_agreement.h"

#include "reading_samples.h"

#include <gtest/gtest.h>

#include <vector>

namespace vellora {
namespace {

using testing::readingAt;

TEST(Agreement, ThreeSuccessiveReadingsWithinOnePerCentConfirmRefusedOnesAside) {
    const auto refused = readingAt(0, "Cam", ReadingStatus::Refused);
    const struct {
        Reading reading;
        Agreement agreement;
        int agreeing;  // "n of 3"
    } steps[] = {
        {readingAt(100.0), Agreement::TooFew, 1},
        {refused, Agreement::TooFew, 1},
        {readingAt(100.5), Agreement::TooFew, 2},
        {readingAt(100.8), Agreement::Confirmed, 3},  // spread 0.8 %
        // 100.5 .. 101.51: 1.005 % of the smallest, though 0.995 % of the largest.
        {readingAt(101.51), Agreement::Disagree, 2},
        {readingAt(102.0), Agreement::Disagree, 2},
        {readingAt(101.6), Agreement::Confirmed, 3},  // 100.8 dropped out
        {readingAt(101.6, "Alternator"), Agreement::TooFew, 1},
    };
    std::vector<Reading> log;
    for (size_t i = 0; i < std::size(steps); ++i) {
        SCOPED_TRACE(i);
        log.push_back(steps[i].reading);
        EXPECT_EQ(agreementOf(log), steps[i].agreement);
        EXPECT_EQ(agreeingCount(log), steps[i].agreeing);
    }
}

// The spread at and either side of 1 % of the smallest reading: at it counts as agreement.
TEST(Agreement, ASpreadOfExactlyOnePerCentStillConfirms) {
    const struct {
        double a, b, c;
        Agreement agreement;
    } rows[] = {
        {100.0, 101.0, 100.5, Agreement::Confirmed},  // 1.000 %
        {100.0, 101.0001, 100.5, Agreement::Disagree},
        {200.0, 201.9999, 201.0, Agreement::Confirmed},
        {50.0, 50.0, 50.0, Agreement::Confirmed},
    };
    for (const auto& r : rows) {
        const Reading three[] = {readingAt(r.a), readingAt(r.b), readingAt(r.c)};
        EXPECT_EQ(agreementOf(three), r.agreement) << r.a << " " << r.b << " " << r.c;
    }
}

}  // namespace
}  // namespace vellora
