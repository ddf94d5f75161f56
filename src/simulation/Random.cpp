// The start-up seed, the counter-based generator's batches and the distance between two
// seeds of the window's generator.

#include "simulation/Random.h"

#include "simulation/Philox.h"

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

void PhiloxStream::Refill() {
    static_assert(BurstCounters % philox::BatchCounters == 0);
    for (int i = 0; i < BurstCounters; i += philox::BatchCounters)
        philox::Batch(key_, stream_, counter_ + static_cast<std::uint64_t>(i),
                      words_.data() + 4 * i);
    counter_ += BurstCounters;
    next_ = 0;
}

std::uint32_t DrawsBetween(std::uint32_t from, std::uint32_t to) {
    // Advancing by 2^k steps is again an affine map x -> a_k x + c_k, and with full
    // period it changes bit k of x while keeping bits 0..k-1 (the low k bits alone have
    // period 2^k). So the bits of n are decided from the lowest up: take the 2^k step
    // when bit k still differs.
    std::uint32_t a = Lcg32::Multiplier; // a_k, c_k for the step 2^k
    std::uint32_t c = 1u;
    std::uint32_t n = 0;
    for (std::uint32_t bit = 1; from != to; bit <<= 1) {
        if ((from ^ to) & bit) {
            from = from * a + c;
            n |= bit;
        }
        c = (a + 1u) * c;
        a = a * a;
    }
    return n;
}

} // namespace sim
