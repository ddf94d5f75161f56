#include "platform/Clock.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>

namespace platform {

namespace {

constexpr double MillisecondsPerDay = 86400000.0;

} // namespace

double SteadyClock::Now() {
    const auto since = std::chrono::steady_clock::now().time_since_epoch();
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(since).count();
    return static_cast<double>(ms) / MillisecondsPerDay;
}

void SteadyClock::WaitUntilAfter(double t) {
    // Sleep for the remaining time, then re-check: sleeps may end early or late, and Now
    // has millisecond steps, so "strictly later" needs at least one more step.
    for (;;) {
        const double remainingMs = (t - Now()) * MillisecondsPerDay;
        if (!(remainingMs >= 0.0)) return; // already past (or t is not a number)
        // Sleep in slices of at most a second, so a far-off t cannot overflow the cast.
        const double sliceMs = std::min(std::floor(remainingMs) + 1.0, 1000.0);
        std::this_thread::sleep_for(std::chrono::milliseconds(static_cast<long long>(sliceMs)));
    }
}

double AddMilliseconds(double t, int n) {
    return (t * MillisecondsPerDay + n) / MillisecondsPerDay;
}

void ManualClock::WaitUntilAfter(double t) {
    // Jump one millisecond past t, the smallest step the system clock could make.
    if (now_ <= t) now_ = AddMilliseconds(t, 1);
}

} // namespace platform
