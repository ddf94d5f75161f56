#pragma once
// The program's single uniform random generator, shared by the source model, the
// photon histories and the energy broadening. Within one decay the draws come in a
// fixed order, so a given seed reproduces a spectrum count for count.

#include <cstdint>

namespace sim {

// Linear congruential generator: seed := seed * 134775813 + 1 (mod 2^32).
inline std::uint32_t RandomSeed = 0;

// One draw on [0, 1): the new seed divided by 2^32.
inline double Random() {
    RandomSeed = RandomSeed * 134775813u + 1u;
    return static_cast<double>(RandomSeed) * (1.0 / 4294967296.0);
}

// Seeds the generator (tests and the batch tool).
inline void SetRandomSeed(std::uint32_t seed) {
    RandomSeed = seed;
}

// Milliseconds since midnight of the system clock in UTC, the start-up seed.
std::uint32_t ClockSeed();

} // namespace sim
