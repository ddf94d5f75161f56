#pragma once
// The clock of the acquisition's ticks: a steady time in days with millisecond
// resolution. The program's start-up owns one steady clock and hands it down; tests hand
// down a manual one, so that a 10-second measurement runs in well under a second.

namespace platform {

class Clock {
public:
    virtual ~Clock() = default;
    // Current time in days.
    virtual double Now() = 0;
    // Returns once Now() is strictly later than t (days); the real clock sleeps.
    virtual void WaitUntilAfter(double t) = 0;
};

// The steady system clock: it never jumps with changes of the wall clock, and Now is
// only ever compared with itself, so its zero point does not matter.
class SteadyClock : public Clock {
public:
    double Now() override;
    void WaitUntilAfter(double t) override;
};

// t plus n milliseconds, in days: (t * 86400000 + n) / 86400000.
double AddMilliseconds(double t, int n);

// A clock that only moves when told or when waited on: WaitUntilAfter jumps past t.
class ManualClock : public Clock {
public:
    double Now() override { return now_; }
    void WaitUntilAfter(double t) override;
    void AdvanceMilliseconds(double ms) { now_ += ms / 86400000.0; }

private:
    double now_ = 1.0;
};

} // namespace platform
