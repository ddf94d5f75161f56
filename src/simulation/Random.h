#pragma once
// The uniform random generator of the simulation. The program holds one, shared by the
// source model, the photon histories and the energy broadening, and passes it to every
// step that draws. Within one decay the draws come in a fixed order, so a given seed
// reproduces a spectrum count for count.

#include <cstdint>

namespace sim {

// Linear congruential generator: seed := seed * 134775813 + 1 (mod 2^32); a draw is the
// new seed divided by 2^32. Its period is 2^32 draws.
class RandomGenerator {
public:
    explicit RandomGenerator(std::uint32_t seed = 0) : seed_(seed) {}

    // One draw on [0, 1).
    double Random() {
        seed_ = seed_ * 134775813u + 1u;
        return static_cast<double>(seed_) * (1.0 / 4294967296.0);
    }

    std::uint32_t Seed() const { return seed_; }
    void SetSeed(std::uint32_t seed) { seed_ = seed; }

private:
    std::uint32_t seed_;
};

// Milliseconds since midnight of the system clock in UTC, the start-up seed.
std::uint32_t ClockSeed();

} // namespace sim
