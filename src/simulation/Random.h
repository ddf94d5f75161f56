#pragma once
// The uniform random generator of the simulation. The program holds one, shared by the
// source model, the photon histories and the energy broadening, and passes it to every
// step that draws. Within one decay the draws come in a fixed order, so a given seed
// reproduces a spectrum count for count.

#include "simulation/Philox.h"

#include <cstdint>

namespace sim {

// Two generators behind one draw, each making 32-bit words that a draw divides by 2^32:
// - the window's, the default: the linear congruential generator seed := seed *
//   134775813 + 1 (mod 2^32), whose words are its successive seeds. Its period is 2^32
//   draws.
// - Philox4x32-10 (Random123), counter-based, for long batch runs: stream s under key k
//   is the words of Philox(counter (n, s), key (k, 0)) for n = 0, 1, ..., four per
//   counter in order. Each stream has 2^66 draws; streams do not overlap.
// The choice is one branch per draw that goes the same way for a whole run. The
// counter-based draws are made in batches, already divided.
class RandomGenerator {
public:
    explicit RandomGenerator(std::uint32_t seed = 0) : seed_(seed) {}

    // One draw on [0, 1).
    double Random() {
        if (!counterBased_) [[likely]] {
            seed_ = seed_ * 134775813u + 1u;
            return static_cast<double>(seed_) * (1.0 / 4294967296.0);
        }
        if (next_ == philox::BatchWords) [[unlikely]]
            Refill();
        return batch_[next_++];
    }

    // The window's generator: its current seed, and a new seed, which also selects it.
    std::uint32_t Seed() const { return seed_; }
    void SetSeed(std::uint32_t seed) {
        seed_ = seed;
        counterBased_ = false;
    }

    // Selects the counter-based generator at the start of stream `stream` under `key`.
    void SetStream(std::uint32_t key, std::uint64_t stream);
    bool CounterBased() const { return counterBased_; }

private:
    void Refill();

    std::uint32_t seed_;
    bool counterBased_ = false;
    int next_ = philox::BatchWords; // batch_[next_ ..] are the next counter-based draws
    std::uint32_t key_ = 0;
    std::uint64_t stream_ = 0;
    std::uint64_t counter_ = 0; // the counter after those in batch_
    double batch_[philox::BatchWords]{};
};

// Milliseconds since midnight of the system clock in UTC, the start-up seed.
std::uint32_t ClockSeed();

// Draws of the window's generator from seed `from` to seed `to`: the n below 2^32 with
// `from` advanced n times equal to `to`. The generator has full period, so there is
// exactly one.
std::uint32_t DrawsBetween(std::uint32_t from, std::uint32_t to);

} // namespace sim
