// The source slots, line selection, aiming and the entry into the crystal.

#include "SimTestSupport.h"

#include "simulation/Source.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace {

using sim::PhotonState;

class SourceTest : public simtest::SimulationTest {};

TEST(Source, BuiltInSourceFillsSlotTwoOnly) {
    const sim::Source& source = sim::BuiltInSource;
    EXPECT_EQ(source.EventsPerTick(), 20000);
    EXPECT_TRUE(source.AllAtOrigin());
    EXPECT_FALSE(source.Slots()[0].enabled);
    EXPECT_FALSE(source.Slots()[2].enabled);
    EXPECT_EQ(source.Slots()[0].activity, 0);
    const sim::SourceSlot& slot = source.Slots()[1];
    EXPECT_TRUE(slot.enabled);
    EXPECT_EQ(slot.activity, 20000);
    EXPECT_EQ(slot.lineEnergy[0], 0.662);
    EXPECT_EQ(slot.lineEnergy[1], 2.56);
    EXPECT_EQ(slot.lineEnergy[2], 3.75);
    EXPECT_EQ(slot.lineProbability[0] + slot.lineProbability[1] + slot.lineProbability[2], 1.0);
    for (int i = 3; i < 10; ++i)
        EXPECT_EQ(slot.lineProbability[i], 0);
    EXPECT_LT(sim::ClockSeed(), 86400000u) << "milliseconds since midnight";
}

TEST(Source, EventsPerTickTruncatesTheActivityOfSlotTwo) {
    const struct {
        double activity;
        std::int32_t eventsPerTick;
    } cases[] = {
        {1234.99, 1234},          {-0.5, 0},
        {1e12, 2147483647}, // saturates instead of overflowing
        {-1e12, -2147483647 - 1}, {std::nan(""), 0},
    };
    for (const auto& c : cases) {
        const sim::Source source =
            simtest::ChangedSource([&](sim::SourceSlot& slot) { slot.activity = c.activity; });
        EXPECT_EQ(source.EventsPerTick(), c.eventsPerTick) << "activity " << c.activity;
    }
}

TEST(Source, PickLineAtTheCumulativeBounds) {
    const struct {
        double a;
        double E; // MeV
    } cases[] = {{0, 0.662},    {4999.9, 0.662},  {5000, 2.56}, {12999.99, 2.56},
                 {13000, 3.75}, {19999.99, 3.75}, {20000, 0}}; // the last picks no line
    for (const auto& c : cases) {
        PhotonState p{5, 1, 1, 1, 1, 1, 1};
        sim::PickLine(sim::BuiltInSource, c.a, p);
        const PhotonState atOrigin{c.E, 0, 0, 0, 0, 0, 0}; // the slot's position, no direction
        EXPECT_EQ(std::memcmp(&p, &atOrigin, sizeof p), 0) << "a = " << c.a;
    }
}

TEST_F(SourceTest, NoLinePickedGivesEnergyZeroAtTheOrigin) {
    const sim::Source away =
        simtest::ChangedSource([](sim::SourceSlot& slot) { slot.position[2] = 4; });
    PhotonState p{5, 1, 1, 1, 1, 0, 0};
    sim::PickLine(away, 20000, p); // a not below the summed weights
    EXPECT_EQ(p.E, 0);
    EXPECT_EQ(p.z, 0);
    EXPECT_EQ(p.u, 0);
    // Below one decay per tick no line is ever picked.
    const sim::Source none =
        simtest::ChangedSource([](sim::SourceSlot& slot) { slot.activity = 0.5; });
    p = PhotonState{5, 1, 1, 1, 1, 0, 0};
    sim::EmitPhoton(none, p, rng);
    EXPECT_EQ(p.E, 0);
}

TEST_F(SourceTest, LinesAreEmittedInProportion) {
    rng.SetSeed(3);
    constexpr int N = 100000;
    int n662 = 0;
    for (int i = 0; i < N; ++i) {
        PhotonState p{};
        sim::EmitPhoton(sim::BuiltInSource, p, rng);
        n662 += p.E == 0.662;
    }
    const double sigma = std::sqrt(N * 0.25 * 0.75);
    EXPECT_NEAR(n662, N * 0.25, 5 * sigma) << "0.662 MeV share beyond 5 sigma";
}

TEST_F(SourceTest, StartPhotonRefusesASourceOnOrInTheBoundingSphere) {
    sim::DetectorGeometry g{0, 0, 5, 3, 4, 0};
    g.boundingRadius = sim::ComputeBoundingRadius(g);
    EXPECT_EQ(g.boundingRadius, 5);
    PhotonState p{};
    const std::uint32_t before = rng.Seed();
    sim::StartPhoton(sim::BuiltInSource, g, p, rng);
    EXPECT_EQ(p.E, -1);
    EXPECT_EQ(p.u, 0);
    EXPECT_EQ(p.w, 0);
    EXPECT_EQ(simtest::DrawsSince(rng, before), 1) << "only the line is drawn";

    g.z = 5.01;
    const std::uint32_t before2 = rng.Seed();
    sim::StartPhoton(sim::BuiltInSource, g, p, rng);
    EXPECT_GT(p.E, 0);
    EXPECT_EQ(simtest::DrawsSince(rng, before2), 3) << "line, then w, then phi";
    EXPECT_NEAR(p.u * p.u + p.v * p.v + p.w * p.w, 1, 1e-12);
}

TEST_F(SourceTest, AimingFollowsTheSideOfTheDetector) {
    rng.SetSeed(8);
    const sim::DetectorGeometry beside{10, 0, 0, 3, 3, std::sqrt(18.0)};
    const sim::DetectorGeometry behind{0, 0, -10, 3, 3, std::sqrt(18.0)};
    for (int i = 0; i < 10000; ++i) {
        PhotonState p{};
        sim::StartPhoton(sim::BuiltInSource, beside, p, rng);
        ASSERT_GE(p.w, 0) << "same z as the source: w never negative";
        sim::StartPhoton(sim::BuiltInSource, behind, p, rng);
        ASSERT_LE(p.w, 0);
    }
}

TEST_F(SourceTest, EnterDetectorMovesOntoTheNearerFace) {
    const sim::DetectorGeometry g{0, 0, 10, 2.5, 2.5, 0};
    PhotonState p{1, 0, 0, 0, 0, 0, 1};
    EXPECT_EQ(sim::EnterDetector(g, p), 7.5);
    EXPECT_EQ(p.z, 7.5);

    // Lands on the face plane 5 cm from the axis: a miss, the photon stays there.
    const double u = 0.5547001962252291; // 5 / sqrt(5^2 + 7.5^2)
    p = PhotonState{1, 0, 0, 0, u, 0, std::sqrt(1 - u * u)};
    EXPECT_EQ(sim::EnterDetector(g, p), 0);
    EXPECT_NEAR(p.z, 7.5, 1e-12);
    EXPECT_NEAR(p.x, 5, 1e-12);

    // Parallel to the faces: a miss, nothing moves.
    p = PhotonState{1, 0, 0, 0, 1, 0, 0};
    EXPECT_EQ(sim::EnterDetector(g, p), 0);
    EXPECT_EQ(p.x, 0);

    // Starting on a face plane: distance 0, read as a miss.
    p = PhotonState{1, 0, 0, 7.5, 0, 0, 1};
    EXPECT_EQ(sim::EnterDetector(g, p), 0);

    // From behind the detector the nearer face is the upper one.
    p = PhotonState{1, 0, 0, 20, 0, 0, -1};
    EXPECT_EQ(sim::EnterDetector(g, p), 7.5);
    EXPECT_EQ(p.z, 12.5);
}

// The shortcut that rejects misses from the draw of w must give the outcome, the draws
// and, for an entry, the photon of StartPhoton followed by EnterDetector, bit for bit.
TEST_F(SourceTest, EmitIntoDetectorMatchesStartAndEnter) {
    std::vector<sim::DetectorGeometry> geometries;
    for (double d : {3.0, 8.5, 40.0})
        for (double size : {1.0, 2.5, 3.0})
            geometries.push_back(simtest::BenchGeometry(d, size, size));
    geometries.push_back(simtest::BenchGeometry(3, 3, 1));
    geometries.push_back(simtest::BenchGeometry(1e4, 1, 0.5));                     // far and narrow
    geometries.push_back(simtest::BenchGeometry(0.01, 100, 0.1));                  // long and thin
    geometries.push_back(sim::DetectorGeometry{0, 0, -10, 3, 3, std::sqrt(18.0)}); // behind
    geometries.push_back(sim::DetectorGeometry{1, 0.5, 10, 3, 3, std::sqrt(18.0)}); // off axis
    geometries.push_back(sim::DetectorGeometry{8, 0, 0, 3, 3, std::sqrt(18.0)});    // beside

    // The same geometries once more with the source off the origin.
    const std::size_t onOrigin = geometries.size();
    for (std::size_t k = 0; k < onOrigin; ++k)
        geometries.push_back(geometries[k]);

    const sim::Source offOrigin = simtest::ChangedSource([](sim::SourceSlot& slot) {
        slot.position[0] = 0.25;
        slot.position[2] = -0.5;
    });
    rng.SetSeed(101);
    for (std::size_t k = 0; k < geometries.size(); ++k) {
        const sim::DetectorGeometry& g = geometries[k];
        const sim::Source& source = k >= onOrigin ? offOrigin : sim::BuiltInSource;
        int entered = 0;
        for (int i = 0; i < 100000; ++i) {
            const std::uint32_t seed = rng.Seed();
            PhotonState reference{};
            sim::StartPhoton(source, g, reference, rng);
            const bool inside = reference.E < 0;
            const bool hit = !inside && sim::EnterDetector(g, reference) != 0;
            const std::uint32_t after = rng.Seed();

            rng.SetSeed(seed);
            PhotonState photon{};
            const sim::Emission e = sim::EmitIntoDetector(source, g, photon, rng);
            ASSERT_EQ(rng.Seed(), after) << "draws differ, seed " << seed;
            ASSERT_EQ(e == sim::Emission::SourceInside, inside) << "seed " << seed;
            ASSERT_EQ(e == sim::Emission::Entered, hit) << "seed " << seed << ", z " << g.z;
            if (hit) {
                ++entered;
                ASSERT_EQ(std::memcmp(&photon, &reference, sizeof photon), 0) << "seed " << seed;
            }
        }
        if (g.z == 10 && g.x == 0) {
            EXPECT_GT(entered, 0);
        }
    }
}

} // namespace
