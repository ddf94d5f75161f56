#pragma once
// The uniform random generators of the simulation. The program holds one RandomGenerator,
// shared by the source model, the photon histories and the energy broadening, and passes it
// to every step that draws. Within one decay the draws come in a fixed order, so a given
// seed reproduces a spectrum count for count.

#include "simulation/Philox.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace sim {

// Both generators make 32-bit words that a draw divides by 2^32.
inline constexpr double WordScale = 1.0 / 4294967296.0;

// The window's generator, the linear congruential generator seed := seed * 134775813 + 1
// (mod 2^32), whose words are its successive seeds. Its period is 2^32 draws.
class Lcg32 {
public:
    static constexpr std::uint32_t Multiplier = 134775813u;

    explicit constexpr Lcg32(std::uint32_t seed = 0) : seed_(seed) {}

    // One draw on [0, 1).
    double Random() {
        seed_ = seed_ * Multiplier + 1u;
        return static_cast<double>(seed_) * WordScale;
    }
    std::uint32_t Seed() const { return seed_; }

private:
    std::uint32_t seed_;
};

// Philox4x32-10 (Random123), counter-based, for long batch runs: stream s under key k is
// the words of Philox(counter (n, s), key (k, 0)) for n = 0, 1, ..., four per counter in
// order. Each stream has 2^66 draws; streams do not overlap. The words are divided one by
// one as they are drawn, as the LCG's are.
//
// They are made in long bursts, 32768 counters (512 KiB) at a time. On processors with
// AVX-512 frequency licences the vector multiplications that make them lower the clock of
// the whole core for a while after the last one: made 64 counters at a time between
// decays, they held the core at the lower clock throughout and every other step of the
// decay ran about a tenth slower. The buffer is allocated when the first stream starts and
// kept when another one does; draws come only after Restart.
class PhiloxStream {
public:
    static constexpr int BurstCounters = 32768;
    static constexpr int BurstWords = 4 * BurstCounters;

    // Starts stream `stream` under `key` from its first counter, keeping the buffer.
    void Restart(std::uint32_t key, std::uint64_t stream) {
        words_.resize(BurstWords);
        key_ = key;
        stream_ = stream;
        counter_ = 0;
        next_ = BurstWords;
    }

    // One draw on [0, 1).
    double Random() {
        if (next_ == BurstWords) [[unlikely]]
            Refill();
        return static_cast<double>(words_[static_cast<std::size_t>(next_++)]) * WordScale;
    }

private:
    friend class PhiloxDraws;
    void Refill();

    int next_ = BurstWords; // words_[next_ ..] are the next draws
    std::uint32_t key_ = 0;
    std::uint64_t stream_ = 0;
    std::uint64_t counter_ = 0; // the counter after those in words_
    std::vector<std::uint32_t> words_;
};

// The draws of one stream for one decay, with the position in the burst in a local so that
// it can stay in a register; Finish writes it back.
class PhiloxDraws {
public:
    explicit PhiloxDraws(PhiloxStream& stream)
        : stream_(stream), words_(stream.words_.data()), next_(stream.next_) {}

    double Random() {
        if (next_ == PhiloxStream::BurstWords) [[unlikely]] {
            stream_.Refill();
            words_ = stream_.words_.data();
            next_ = 0;
        }
        return static_cast<double>(words_[next_++]) * WordScale;
    }
    void Finish() { stream_.next_ = next_; }

private:
    PhiloxStream& stream_;
    const std::uint32_t* words_;
    int next_;
};

// The program's generator: the window's LCG unless SetStream selects a stream of the
// counter-based one. A whole decay takes its draws through WithGenerator, which makes the
// choice once; Random makes it at every draw, for single steps.
class RandomGenerator {
public:
    explicit RandomGenerator(std::uint32_t seed = 0) : lcg_(seed) {}

    // One draw on [0, 1) of the generator in use.
    double Random() { return counterBased_ ? philox_.Random() : lcg_.Random(); }

    // The window's generator: its current seed, and a new seed, which also selects it.
    std::uint32_t Seed() const { return lcg_.Seed(); }
    void SetSeed(std::uint32_t seed) {
        lcg_ = Lcg32(seed);
        counterBased_ = false;
    }

    // Selects the counter-based generator at the start of stream `stream` under `key`.
    void SetStream(std::uint32_t key, std::uint64_t stream) {
        philox_.Restart(key, stream);
        counterBased_ = true;
    }
    bool CounterBased() const { return counterBased_; }

    // f(generator) with the generator in use, an Lcg32& or a PhiloxDraws&. Either is
    // handed over as a local that is written back when f returns, so that the LCG's seed or
    // the stream's position can stay in a register throughout.
    template <class F> auto WithGenerator(F&& f) {
        if (counterBased_) {
            PhiloxDraws draws(philox_);
            const auto result = f(draws);
            draws.Finish();
            return result;
        }
        Lcg32 lcg = lcg_;
        const auto result = f(lcg);
        lcg_ = lcg;
        return result;
    }

private:
    Lcg32 lcg_;
    bool counterBased_ = false;
    PhiloxStream philox_;
};

// Milliseconds since midnight of the system clock in UTC, the start-up seed.
std::uint32_t ClockSeed();

// Draws of the window's generator from seed `from` to seed `to`: the n below 2^32 with
// `from` advanced n times equal to `to`. The generator has full period, so there is
// exactly one.
std::uint32_t DrawsBetween(std::uint32_t from, std::uint32_t to);

} // namespace sim
