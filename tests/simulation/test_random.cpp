// The generator: the window's linear congruential one, the counter-based Philox4x32-10
// with each of its batch paths, and the distance between two seeds.

#include "simulation/Philox.h"
#include "simulation/Random.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

using sim::philox::Path;

std::vector<std::uint32_t> Words(Path path, std::uint32_t key, std::uint64_t stream,
                                 std::uint64_t n) {
    std::vector<std::uint32_t> words(sim::philox::BatchWords);
    sim::philox::BatchWith(path, key, stream, n, words.data());
    return words;
}

TEST(Philox, ReferenceGivesThePublishedWordsAndEveryVectorPathTheSame) {
    // Philox4x32-10 of counter 0 under key 0, as its authors publish it.
    const auto first = Words(Path::Reference, 0, 0, 0);
    EXPECT_EQ(first[0], 0x6627e8d5u);
    EXPECT_EQ(first[1], 0xe169c58du);
    EXPECT_EQ(first[2], 0xbc57ac4cu);
    EXPECT_EQ(first[3], 0x9b00dbd8u);

    const struct {
        std::uint32_t key;
        std::uint64_t stream, n;
    } cases[] = {
        {0, 0, 0},
        {12345, 7, 96},
        {0xffffffffu, 0x123456789abcdefull, 0xfffffff0ull}, // n's low word wraps
        {42, ~0ull, ~0ull - 40},                            // and the whole counter
    };
    for (Path path : {Path::Avx2, Path::Avx512}) {
        if (!sim::philox::Available(path)) continue;
        for (const auto& c : cases)
            EXPECT_EQ(Words(path, c.key, c.stream, c.n),
                      Words(Path::Reference, c.key, c.stream, c.n))
                << "path " << static_cast<int>(path) << ", counter " << c.n;
    }
}

TEST(RandomGenerator, CounterBasedDrawsAreTheStreamsWordsInOrderAndSetSeedGoesBack) {
    sim::RandomGenerator rng(99);
    rng.SetStream(12345, 3);
    EXPECT_TRUE(rng.CounterBased());
    // Past the first burst, to see the refill continue the stream.
    constexpr std::uint64_t batches =
        sim::PhiloxStream::BurstCounters / sim::philox::BatchCounters + 2;
    for (std::uint64_t batch = 0; batch < batches; ++batch) {
        const auto words = Words(Path::Reference, 12345, 3, batch * sim::philox::BatchCounters);
        for (std::uint32_t word : words)
            ASSERT_EQ(rng.Random(), word / 4294967296.0) << "batch " << batch;
    }
    // A new stream, or the same one again, starts at its first counter mid-burst.
    for (std::uint64_t stream : {4, 3}) {
        rng.SetStream(12345, stream);
        EXPECT_EQ(rng.Random(), Words(Path::Reference, 12345, stream, 0)[0] / 4294967296.0);
    }

    rng.SetSeed(7);
    EXPECT_FALSE(rng.CounterBased());
    EXPECT_EQ(rng.Random(), (7u * 134775813u + 1u) / 4294967296.0);
}

TEST(RandomGenerator, DrawsBetweenTwoSeeds) {
    const auto step = [](std::uint32_t seed) { return seed * 134775813u + 1u; };
    for (std::uint32_t from : {0u, 1u, 12345u, 0xdeadbeefu}) {
        EXPECT_EQ(sim::DrawsBetween(from, from), 0u);
        std::uint32_t to = from;
        for (std::uint32_t n = 1; n <= 100000; ++n) {
            to = step(to);
            if (n <= 3 || n == 1000 || n == 65536 || n == 100000) {
                ASSERT_EQ(sim::DrawsBetween(from, to), n);
            }
        }
        // One step back is a whole period less one.
        EXPECT_EQ(sim::DrawsBetween(step(from), from), 4294967295u);
    }
}

} // namespace
