// The start-up seed of the generator.

#include "simulation/Random.h"

#include <chrono>

namespace sim {

std::uint32_t ClockSeed() {
    // The system clock counts Unix time, which has no leap seconds, so the time of day
    // in UTC is the count modulo one day: ((hour * 60 + minute) * 60 + second) * 1000
    // + millisecond.
    using namespace std::chrono;
    const auto sinceEpoch = duration_cast<milliseconds>(system_clock::now().time_since_epoch());
    constexpr long long MillisecondsPerDay = 86400000;
    long long ms = sinceEpoch.count() % MillisecondsPerDay;
    if (ms < 0) // a clock set before 1970
        ms += MillisecondsPerDay;
    return static_cast<std::uint32_t>(ms);
}

} // namespace sim
