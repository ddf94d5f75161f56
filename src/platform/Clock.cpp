#include "platform/Clock.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>

namespace platform {

namespace {

constexpr double MillisecondsPerDay = 86400000.0;

// The steady system clock: it never jumps with changes of the wall clock, and Now is
// only ever compared with itself, so its zero point does not matter.
class SteadyClock : public Clock {
public:
    double Now() override {
        const auto since = std::chrono::steady_clock::now().time_since_epoch();
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(since).count();
        return static_cast<double>(ms) / MillisecondsPerDay;
    }

    void WaitUntilAfter(double t) override {
        // Sleep for the remaining time, then re-check: sleeps may end early or late, and
        // Now has millisecond steps, so "strictly later" needs at least one more step.
        for (;;) {
            const double remainingMs = (t - Now()) * MillisecondsPerDay;
            if (!(remainingMs >= 0.0)) return; // already past (or t is not a number)
            // Sleep in slices of at most a second, so a far-off t cannot overflow the cast.
            const double sliceMs = std::min(std::floor(remainingMs) + 1.0, 1000.0);
            std::this_thread::sleep_for(std::chrono::milliseconds(static_cast<long long>(sliceMs)));
        }
    }
};

SteadyClock systemClock;
Clock* installedClock = nullptr;

} // namespace

Clock& CurrentClock() {
    return installedClock != nullptr ? *installedClock : systemClock;
}

void SetClock(Clock* clock) {
    installedClock = clock;
}

double AddMilliseconds(double t, int n) {
    return (t * MillisecondsPerDay + n) / MillisecondsPerDay;
}

void ManualClock::WaitUntilAfter(double t) {
    // Jump one millisecond past t, the smallest step the system clock could make.
    if (now_ <= t) now_ = AddMilliseconds(t, 1);
}

} // namespace platform
