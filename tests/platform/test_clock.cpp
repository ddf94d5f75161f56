#include "platform/Clock.h"

#include <gtest/gtest.h>

namespace {

constexpr double MsPerDay = 86400000.0;

TEST(Clock, AddMillisecondsWorksInDays) {
    EXPECT_DOUBLE_EQ(platform::AddMilliseconds(1.0, 86400000), 2.0);
    EXPECT_NEAR((platform::AddMilliseconds(45000.25, 100) - 45000.25) * MsPerDay, 100.0, 1e-3);
    EXPECT_NEAR((platform::AddMilliseconds(3.0, -1) - 3.0) * MsPerDay, -1.0, 1e-6);
}

TEST(Clock, SystemClockWaitEndsStrictlyAfterTheTarget) {
    platform::SetClock(nullptr);
    const double start = platform::Now();
    const double target = platform::AddMilliseconds(start, 30);
    platform::CurrentClock().WaitUntilAfter(target);
    EXPECT_GT(platform::Now(), target);
    // A target in the past returns at once; Now never goes backwards.
    platform::CurrentClock().WaitUntilAfter(start - 1.0);
    EXPECT_GE(platform::Now(), start);
}

TEST(Clock, ManualClockMovesOnlyWhenToldAndCanBeInstalled) {
    platform::ManualClock manual;
    platform::SetClock(&manual);
    const double t0 = platform::Now();
    EXPECT_EQ(platform::Now(), t0);
    manual.AdvanceMilliseconds(250);
    EXPECT_NEAR((platform::Now() - t0) * MsPerDay, 250.0, 1e-6);

    const double target = platform::AddMilliseconds(platform::Now(), 100);
    platform::CurrentClock().WaitUntilAfter(target);
    EXPECT_GT(platform::Now(), target);
    const double after = platform::Now();
    platform::CurrentClock().WaitUntilAfter(t0); // already past: no jump
    EXPECT_EQ(platform::Now(), after);

    platform::SetClock(nullptr);
    EXPECT_NE(&platform::CurrentClock(), &manual);
}

} // namespace
