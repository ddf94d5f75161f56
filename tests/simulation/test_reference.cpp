// The optimised simulation against the plain step-by-step reference of ReferenceHistory:
// the same seed must give the same draws, the same deposit in every history and the same
// spectrum, count for count, for detectors near, far, off the axis, small and behind the
// source; and the attenuation lookup must select the same interval as a linear scan.

#include "ReferenceHistory.h"
#include "SimTestSupport.h"

#include "simulation/CrossSection.h"
#include "simulation/History.h"
#include "simulation/Random.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace {

// Decays per geometry; the unoptimised sanitizer build runs fewer.
#ifdef PELZAMO_REFERENCE_SHORT_RUN
constexpr int DecaysPerGeometry = 150000;
#else
constexpr int DecaysPerGeometry = 1000000;
#endif

reftest::RefOutcome Expected(sim::HistoryOutcome outcome) {
    switch (outcome) {
    case sim::HistoryOutcome::SourceInside:
        return reftest::RefOutcome::SourceInside;
    case sim::HistoryOutcome::Missed:
        return reftest::RefOutcome::Missed;
    case sim::HistoryOutcome::NoDeposit:
        return reftest::RefOutcome::NoDeposit;
    case sim::HistoryOutcome::Counted:
        return reftest::RefOutcome::Counted;
    case sim::HistoryOutcome::Overflow:
    case sim::HistoryOutcome::Underflow:
        return reftest::RefOutcome::NotCounted;
    }
    return reftest::RefOutcome::Missed;
}

struct Geometry {
    std::string name;
    double x, y, z, height, radius; // cm
};

// Runs `decays` histories through both from the same seed and stops at the first history
// that differs in its outcome, deposit, channel or number of draws.
testing::AssertionResult RunSideBySide(const Geometry& g, const sim::Calibration& c,
                                       std::uint32_t seed, int decays) {
    const double bound = std::sqrt(g.height * g.height + g.radius * g.radius);
    const sim::DetectorGeometry geometry{g.x, g.y, g.z, g.height, g.radius, bound};
    const reftest::RefGeometry refGeometry{g.x, g.y, g.z, g.height, g.radius, bound};
    const reftest::RefCalibration refCalibration{c.ChannelOffset, c.ChannelsPerMeV, c.Resolution};
    auto spectrum = std::make_unique<sim::Spectrum>();
    auto refSpectrum = std::make_unique<reftest::RefSpectrum>();
    spectrum->fill(0);
    refSpectrum->fill(0);
    sim::HistoryTally tally;
    simtest::RecordingHooks hooks;
    reftest::RefGenerator random{seed};
    sim::RandomGenerator rng(seed);

    int counted = 0;
    for (int i = 0; i < decays; ++i) {
        hooks.plotted.clear();
        const sim::HistoryOutcome outcome =
            sim::RunHistory(sim::BuiltInSource, geometry, c, *spectrum, tally, hooks, rng);
        const reftest::RefHistory ref =
            reftest::RefRunHistory(refGeometry, refCalibration, *refSpectrum, random);
        const bool plottedRight = ref.outcome == reftest::RefOutcome::Counted
                                      ? hooks.plotted == std::vector<std::int32_t>{ref.channel}
                                      : hooks.plotted.empty();
        if (Expected(outcome) != ref.outcome || tally.DepositedEnergy != ref.depositedEnergy ||
            tally.EnergyDeposited != ref.energyDeposited || !plottedRight ||
            rng.Seed() != random.seed) {
            return testing::AssertionFailure()
                   << g.name << ", seed " << seed << ": history " << i << " differs: outcome "
                   << static_cast<int>(outcome) << " vs " << static_cast<int>(ref.outcome)
                   << ", deposit " << tally.DepositedEnergy << " vs " << ref.depositedEnergy
                   << ", generator " << rng.Seed() << " vs " << random.seed;
        }
        if (ref.outcome == reftest::RefOutcome::Counted) ++counted;
    }
    for (int ch = 0; ch < sim::SpectrumChannels; ++ch) {
        if ((*spectrum)[ch] != (*refSpectrum)[ch])
            return testing::AssertionFailure() << g.name << ": channel " << ch << " holds "
                                               << (*spectrum)[ch] << " vs " << (*refSpectrum)[ch];
    }
    // A run that counts nothing would compare nothing worth comparing.
    if (counted == 0) return testing::AssertionFailure() << g.name << ": nothing counted";
    return testing::AssertionSuccess();
}

class ReferenceTest : public simtest::SimulationTest {};

TEST_F(ReferenceTest, RunHistoryMatchesTheStepByStepReferenceCountForCount) {
    const sim::Calibration analyser{10, 1000, 20};
    // A narrow, high-gain analyser sends many deposits past channel 4094 (and, with a
    // negative offset, below 0) and makes the channel sensitive to the last bits of the
    // deposit.
    const sim::Calibration highGain{-200, 1500, 0.5};
    const struct {
        Geometry geometry;
        sim::Calibration calibration;
        int decays;
    } cases[] = {
        {{"default distance 8.5", 0, 0, 8.5 + 1.5, 3, 3}, analyser, DecaysPerGeometry},
        {{"closest distance 3", 0, 0, 3 + 1.5, 3, 3}, analyser, DecaysPerGeometry},
        {{"far distance 40", 0, 0, 40 + 1.5, 3, 3}, analyser, DecaysPerGeometry},
        {{"off the axis", 1.3, -0.7, 8.5 + 1.5, 3, 3}, analyser, DecaysPerGeometry},
        {{"height and radius 1", 0, 0, 5 + 0.5, 1, 1}, analyser, DecaysPerGeometry},
        {{"behind the source", 0.4, 0.2, -(6 + 1.5), 3, 3}, analyser, DecaysPerGeometry},
        {{"source level with the side of the crystal", 6, 0, 2, 3, 3}, analyser, DecaysPerGeometry},
        {{"high gain", 0, 0, 4.5, 3, 3}, highGain, DecaysPerGeometry / 4},
    };
    std::uint32_t seed = 20070101u;
    for (const auto& c : cases)
        EXPECT_TRUE(RunSideBySide(c.geometry, c.calibration, seed++, c.decays));
}

TEST_F(ReferenceTest, SourceInsideTheBoundingSphereTakesTheSameDraws) {
    const sim::DetectorGeometry geometry{0, 0, 5, 3, 4, 5}; // on the bound: inside
    const reftest::RefGeometry refGeometry{0, 0, 5, 3, 4, 5};
    sim::Spectrum spectrum{};
    reftest::RefSpectrum refSpectrum{};
    sim::HistoryTally tally;
    simtest::RecordingHooks hooks;
    reftest::RefGenerator random{99u};
    rng.SetSeed(99u);
    EXPECT_EQ(sim::RunHistory(sim::BuiltInSource, geometry, {}, spectrum, tally, hooks, rng),
              sim::HistoryOutcome::SourceInside);
    EXPECT_EQ(reftest::RefRunHistory(refGeometry, {}, refSpectrum, random).outcome,
              reftest::RefOutcome::SourceInside);
    EXPECT_EQ(rng.Seed(), random.seed);
    EXPECT_EQ(hooks.sourceInside, 1);
}

// Every table energy, the points just below and above it, midpoints and energies beyond
// both ends: the lookup must give exactly what the linear scan gives.
TEST_F(ReferenceTest, LookupMatchesTheLinearScanOfTheTable) {
    std::vector<double> energies{0, 1e-6, 0.0005, 150000, 1e7};
    const double inf = std::numeric_limits<double>::infinity();
    for (const auto& row : sim::CrossSectionTable) {
        energies.push_back(row.energy);
        energies.push_back(std::nextafter(row.energy, 0.0));
        energies.push_back(std::nextafter(row.energy, inf));
        energies.push_back(row.energy * 1.0001);
    }
    reftest::RefGenerator random{5u};
    for (int i = 0; i < 20000; ++i)
        energies.push_back(4 * random.Next());
    for (double E : energies) {
        sim::Attenuation att{};
        sim::LookupAttenuation(E, att);
        const reftest::RefAttenuation ref = reftest::RefLookupAttenuation(E);
        ASSERT_EQ(att.compton, ref.compton) << "E = " << E;
        ASSERT_EQ(att.photo, ref.photo) << "E = " << E;
        ASSERT_EQ(att.pair, ref.pair) << "E = " << E;
        ASSERT_EQ(att.total, ref.total) << "E = " << E;
    }
}

} // namespace
