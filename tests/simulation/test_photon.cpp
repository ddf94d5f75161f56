// The physics steps of a photon: geometry test, Compton scattering, rotation, pair
// production and isotropic directions.

#include "SimTestSupport.h"

#include "simulation/Photon.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using sim::PhotonState;

class PhotonTest : public simtest::SimulationTest {};

double Length(const PhotonState& p) {
    return std::sqrt(p.u * p.u + p.v * p.v + p.w * p.w);
}

TEST(Photon, InsideDetectorIncludesFacesAndMantle) {
    const sim::DetectorGeometry g{0, 0, 10, 2.5, 2.5, 0};
    const struct {
        double x, y, z; // cm
        bool inside;
    } cases[] = {
        {0, 0, 7.5, true},   {0, 0, 12.5, true},   {2.5, 0, 10, true}, // on the faces, the mantle
        {0, 0, 7.49, false}, {0, 0, 12.51, false}, {2.5, 0.01, 10, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(sim::InsideDetector(PhotonState{1, c.x, c.y, c.z, 0, 0, 1}, g), c.inside)
            << "at (" << c.x << ", " << c.y << ", " << c.z << ")";
}

TEST(Photon, AdvanceMovesAlongTheDirectionOnly) {
    PhotonState p{0.662, 1, 2, 3, 0.6, 0, 0.8};
    sim::Advance(p, 5);
    EXPECT_DOUBLE_EQ(p.x, 4);
    EXPECT_DOUBLE_EQ(p.y, 2);
    EXPECT_DOUBLE_EQ(p.z, 7);
    EXPECT_EQ(p.E, 0.662);
    EXPECT_EQ(p.u, 0.6);
}

// At 0.662 MeV the first branch takes r1 up to 0.309809.
TEST(Photon, KahnAttemptsOfBothBranches) {
    const double k = sim::ElectronRestEnergy / 0.662;
    const struct {
        double r1, r2, r3;
        bool accepted;
        double eta;
    } cases[] = {
        {0.2, 0.25, 0.5, true, 1.64775},    {0.2, 0.25, 0.96, false, 1.64775},
        {0.3098, 0.25, 0.5, true, 1.64775}, {0.3099, 0.25, 0.5, false, 2.179335},
        {0.5, 0.5, 0.4, true, 1.564365},    {0.5, 0.5, 0.48, false, 1.564365},
    };
    for (const auto& c : cases) {
        double eta = 0;
        EXPECT_EQ(sim::KahnAttempt(k, c.r1, c.r2, c.r3, eta), c.accepted)
            << "r = " << c.r1 << ", " << c.r2 << ", " << c.r3;
        EXPECT_NEAR(eta, c.eta, 1e-5) << "r = " << c.r1 << ", " << c.r2 << ", " << c.r3;
    }
}

TEST_F(PhotonTest, ComptonScatterKeepsEnergyAndAngleInRange) {
    rng.SetSeed(2024);
    for (double E : {0.001, 0.03, 0.511, 0.662, 2.56, 3.75}) {
        const double Emin = E / (1 + 2 * E / sim::ElectronRestEnergy);
        for (int i = 0; i < 2000; ++i) {
            PhotonState p{E, 0, 0, 0, 0.6, 0, 0.8};
            double deposit = 0.25;
            const std::uint32_t before = rng.Seed();
            sim::ComptonScatter(deposit, p, rng);
            const int draws = simtest::DrawsSince(rng, before);
            ASSERT_GE(draws, 4);
            EXPECT_EQ((draws - 1) % 3, 0) << "three draws per attempt and one azimuth";
            ASSERT_LE(p.E, E);
            ASSERT_GE(p.E, Emin * (1 - 1e-12));
            EXPECT_NEAR(deposit, 0.25 + E - p.E, 1e-12);
            EXPECT_NEAR(Length(p), 1, 1e-12);
        }
    }
}

TEST_F(PhotonTest, ComptonDepositOfOneScatterAt662keVStaysBelowTheEdge) {
    rng.SetSeed(99);
    double largest = 0;
    for (int i = 0; i < 20000; ++i) {
        PhotonState p{0.662, 0, 0, 0, 0, 1, 0};
        double deposit = 0;
        sim::ComptonScatter(deposit, p, rng);
        largest = std::max(largest, deposit);
    }
    EXPECT_LE(largest, 0.4779);
    EXPECT_GT(largest, 0.47); // backscattering does occur
}

// Off the axis the azimuth is measured from (v, -u, 0); along it, from the x axis.
TEST(Photon, RotateDirectionByKnownAzimuths) {
    const double s = std::sqrt(0.75); // the sine of the polar angle, mu = 0.5
    const struct {
        double u, v, w; // the direction before
        double phi;     // rad
        double u1, v1, w1;
    } cases[] = {
        {1, 0, 0, 0, 0.5, -s, 0},
        {1, 0, 0, sim::TwoPi / 4, 0.5, 0, -s},
        {0, 0, 1, 0, s, 0, 0.5},
    };
    for (const auto& c : cases) {
        PhotonState p{1, 0, 0, 0, c.u, c.v, c.w};
        sim::RotateDirectionBy(p, 0.5, c.phi);
        EXPECT_NEAR(p.u, c.u1, 1e-12) << "from (" << c.u << ", " << c.v << ", " << c.w << ")";
        EXPECT_NEAR(p.v, c.v1, 1e-12) << "from (" << c.u << ", " << c.v << ", " << c.w << ")";
        EXPECT_NEAR(p.w, c.w1, 1e-12) << "from (" << c.u << ", " << c.v << ", " << c.w << ")";
    }
}

TEST_F(PhotonTest, RotateDirectionKeepsTheAngleAndUnitLength) {
    rng.SetSeed(5);
    const PhotonState starts[] = {
        {1, 0, 0, 0, 0.6, 0, 0.8},  {1, 0, 0, 0, 0, 0, 1},          {1, 0, 0, 0, 0, 0, -1},
        {1, 0, 0, 0, 1e-170, 0, 1}, {1, 0, 0, 0, -0.48, 0.6, 0.64},
    };
    for (const PhotonState& start : starts) {
        for (double mu : {1.0, -1.0, 0.0, 0.3, -0.9, std::nextafter(-1.0, -2.0)}) {
            PhotonState p = start;
            sim::RotateDirection(p, mu, rng);
            ASSERT_FALSE(std::isnan(p.u) || std::isnan(p.v) || std::isnan(p.w))
                << "w = " << start.w << ", mu = " << mu;
            EXPECT_NEAR(Length(p), 1, 1e-12);
            const double n0 = Length(start);
            const double cosine = (p.u * start.u + p.v * start.v + p.w * start.w) / n0;
            EXPECT_NEAR(cosine, std::max(-1.0, mu), 1e-9) << "w = " << start.w;
        }
    }
}

TEST_F(PhotonTest, IsotropicDirectionFromDrawsAndOverTheSphere) {
    PhotonState p{0.511, 1, 2, 3, 0, 0, 1};
    sim::IsotropicDirectionFrom(p, 0.75, 0);
    EXPECT_NEAR(p.u, 0.5, 1e-15);
    EXPECT_NEAR(p.v, 0.866025, 1e-6);
    EXPECT_NEAR(p.w, 0, 1e-15);
    EXPECT_EQ(p.x, 1);

    // Over many draws each component averages 0 (bound: 5 sigma, sigma^2 = 1/3N).
    rng.SetSeed(77);
    constexpr int N = 100000;
    double sum[3] = {0, 0, 0};
    for (int i = 0; i < N; ++i) {
        const std::uint32_t before = rng.Seed();
        sim::IsotropicDirection(p, rng);
        ASSERT_EQ(simtest::DrawsSince(rng, before, 5), 2);
        ASSERT_NEAR(Length(p), 1, 1e-12);
        sum[0] += p.u;
        sum[1] += p.v;
        sum[2] += p.w;
    }
    const double bound = 5 * std::sqrt(1.0 / (3.0 * N));
    for (double s : sum)
        EXPECT_LT(std::fabs(s / N), bound) << "mean direction component beyond 5 sigma";
}

TEST_F(PhotonTest, PairProductionMakesTwoOpposite511keVPhotons) {
    rng.SetSeed(11);
    PhotonState p{2.56, 1, 2, 13, 0, 0, 1};
    PhotonState second{};
    double deposit = 0.1;
    sim::PairProduction(deposit, p, second, rng);
    EXPECT_NEAR(deposit, 0.1 + 2.56 - 1.022, 1e-12);
    EXPECT_EQ(p.E, 0.511);
    EXPECT_EQ(second.E, 0.511);
    EXPECT_EQ(p.x, 1);
    EXPECT_EQ(p.z, 13);
    EXPECT_EQ(second.x, p.x);
    EXPECT_EQ(second.y, p.y);
    EXPECT_EQ(second.z, p.z);
    EXPECT_EQ(second.u, -p.u);
    EXPECT_EQ(second.v, -p.v);
    EXPECT_EQ(second.w, -p.w);
    EXPECT_NEAR(Length(p), 1, 1e-12);
}

} // namespace
