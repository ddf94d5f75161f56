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

TEST_F(PhotonTest, InsideDetectorIncludesFacesAndMantle) {
    const sim::DetectorGeometry g{0, 0, 10, 2.5, 2.5, 0};
    const auto at = [](double x, double y, double z) { return PhotonState{1, x, y, z, 0, 0, 1}; };
    EXPECT_TRUE(sim::InsideDetector(at(0, 0, 7.5), g));
    EXPECT_TRUE(sim::InsideDetector(at(0, 0, 12.5), g));
    EXPECT_TRUE(sim::InsideDetector(at(2.5, 0, 10), g));
    EXPECT_FALSE(sim::InsideDetector(at(0, 0, 7.49), g));
    EXPECT_FALSE(sim::InsideDetector(at(2.5, 0.01, 10), g));
    EXPECT_FALSE(sim::InsideDetector(at(0, 0, 12.51), g));
}

TEST_F(PhotonTest, AdvanceMovesAlongTheDirectionOnly) {
    PhotonState p{0.662, 1, 2, 3, 0.6, 0, 0.8};
    sim::Advance(p, 5);
    EXPECT_DOUBLE_EQ(p.x, 4);
    EXPECT_DOUBLE_EQ(p.y, 2);
    EXPECT_DOUBLE_EQ(p.z, 7);
    EXPECT_EQ(p.E, 0.662);
    EXPECT_EQ(p.u, 0.6);
}

TEST_F(PhotonTest, KahnAttemptsOfBothBranches) {
    const double k = sim::ElectronRestEnergy / 0.662;
    EXPECT_NEAR(k, 0.771903, 1e-6);
    EXPECT_NEAR((2 / k + 1) / (2 / k + 9), 0.309809, 1e-6);

    double eta = 0;
    EXPECT_TRUE(sim::KahnAttempt(k, 0.2, 0.25, 0.5, eta)); // first branch
    EXPECT_NEAR(eta, 1.64775, 1e-5);
    EXPECT_NEAR(4 * (1 / eta - 1 / (eta * eta)), 0.954300, 1e-6);
    EXPECT_NEAR(0.662 / eta, 0.401760, 1e-6);
    EXPECT_NEAR(1 - (eta - 1) * k, 0.5, 1e-12); // mu = 1 - 2 r2 in this branch
    EXPECT_FALSE(sim::KahnAttempt(k, 0.2, 0.25, 0.96, eta));

    EXPECT_TRUE(sim::KahnAttempt(k, 0.5, 0.5, 0.4, eta)); // second branch
    EXPECT_NEAR(eta, 1.56436, 1e-5);
    EXPECT_NEAR(0.662 / eta, 0.423175, 1e-6);
    EXPECT_NEAR(1 - (eta - 1) * k, 0.564365, 1e-6);
    EXPECT_FALSE(sim::KahnAttempt(k, 0.5, 0.5, 0.48, eta));
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

TEST_F(PhotonTest, RotateDirectionByKnownAzimuths) {
    PhotonState p{1, 0, 0, 0, 1, 0, 0};
    sim::RotateDirectionBy(p, 0.5, 0);
    EXPECT_NEAR(p.u, 0.5, 1e-12);
    EXPECT_NEAR(p.v, -0.866025, 1e-6);
    EXPECT_NEAR(p.w, 0, 1e-12);

    p = PhotonState{1, 0, 0, 0, 1, 0, 0};
    sim::RotateDirectionBy(p, 0.5, sim::TwoPi / 4);
    EXPECT_NEAR(p.u, 0.5, 1e-12);
    EXPECT_NEAR(p.v, 0, 1e-12);
    EXPECT_NEAR(p.w, -0.866025, 1e-6);
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

TEST_F(PhotonTest, RotationAlongTheAxisMeasuresTheAzimuthFromX) {
    PhotonState p{1, 0, 0, 0, 0, 0, 1};
    sim::RotateDirectionBy(p, 0.5, 0);
    EXPECT_NEAR(p.u, 0.866025, 1e-6);
    EXPECT_NEAR(p.v, 0, 1e-12);
    EXPECT_NEAR(p.w, 0.5, 1e-12);
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
