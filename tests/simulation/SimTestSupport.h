#pragma once
// Helpers shared by the simulation tests: control of the generator and a recording
// implementation of the history hooks.

#include "simulation/History.h"
#include "simulation/Random.h"
#include "simulation/Source.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace simtest {

inline constexpr std::uint32_t Multiplier = 134775813u;

// The multiplicative inverse of the generator's multiplier modulo 2^32 (Newton's
// iteration doubles the correct low bits each round).
inline std::uint32_t InverseMultiplier() {
    std::uint32_t inv = Multiplier;
    for (int i = 0; i < 5; ++i)
        inv *= 2u - Multiplier * inv;
    return inv;
}

// Seeds the generator so that the next draw is exactly value, which must be a multiple
// of 2^-32 in [0, 1) (0.25, 0.5, 0.75, ...).
inline void SeedSoNextDrawIs(sim::RandomGenerator& rng, double value) {
    const auto target = static_cast<std::uint32_t>(value * 4294967296.0);
    rng.SetSeed((target - 1u) * InverseMultiplier());
}

// Number of draws taken since the seed was `before`, up to `limit`; -1 beyond.
inline int DrawsSince(const sim::RandomGenerator& rng, std::uint32_t before, int limit = 100000) {
    std::uint32_t seed = before;
    for (int n = 0; n <= limit; ++n) {
        if (seed == rng.Seed()) return n;
        seed = seed * Multiplier + 1u;
    }
    return -1;
}

// Records what a history asks of its caller.
class RecordingHooks final : public sim::HistoryHooks {
public:
    void PlotChannel(std::int32_t channel) override { plotted.push_back(channel); }
    void SourceInsideDetector() override { ++sourceInside; }

    std::vector<std::int32_t> plotted;
    int sourceInside = 0;
};

// The geometry as the detector window holds it for a shown distance d (cm): the
// centre lies at d + height / 2.
inline sim::DetectorGeometry BenchGeometry(double d, double height = 3, double radius = 3) {
    sim::DetectorGeometry g{0, 0, d + height / 2, height, radius, 0};
    g.boundingRadius = sim::ComputeBoundingRadius(g);
    return g;
}

// The built-in source with slot 2 changed by change(slot).
template <class Change> sim::Source ChangedSource(Change change) {
    sim::SourceSlots slots = sim::BuiltInSource.Slots();
    change(slots[1]);
    return sim::Source(slots);
}

// Gives every test its own generator.
class SimulationTest : public ::testing::Test {
protected:
    sim::RandomGenerator rng;
};

} // namespace simtest
