#include "platform/Clock.h"

#include <gtest/gtest.h>

namespace {

constexpr double MsPerDay = 86400000.0;

TEST(Clock, AddMillisecondsWorksInDays) {
    EXPECT_DOUBLE_EQ(platform::AddMilliseconds(1.0, 86400000), 2.0);
    EXPECT_NEAR((platform::AddMilliseconds(45000.25, 100) - 45000.25) * MsPerDay, 100.0, 1e-3);
    EXPECT_NEAR((platform::AddMilliseconds(3.0, -1) - 3.0) * MsPerDay, -1.0, 1e-6);
}

TEST(Clock, SteadyClockWaitEndsStrictlyAfterTheTarget) {
    platform::SteadyClock clock;
    const double start = clock.Now();
    const double target = platform::AddMilliseconds(start, 30);
    clock.WaitUntilAfter(target);
    EXPECT_GT(clock.Now(), target);
    // A target in the past returns at once; Now never goes backwards.
    clock.WaitUntilAfter(start - 1.0);
    EXPECT_GE(clock.Now(), start);
}

TEST(Clock, ManualClockMovesOnlyWhenTold) {
    platform::ManualClock manual;
    const double t0 = manual.Now();
    EXPECT_EQ(manual.Now(), t0);
    manual.AdvanceMilliseconds(250);
    EXPECT_NEAR((manual.Now() - t0) * MsPerDay, 250.0, 1e-6);

    const double target = platform::AddMilliseconds(manual.Now(), 100);
    manual.WaitUntilAfter(target);
    EXPECT_GT(manual.Now(), target);
    const double after = manual.Now();
    manual.WaitUntilAfter(t0); // already past: no jump
    EXPECT_EQ(manual.Now(), after);
}

} // namespace
