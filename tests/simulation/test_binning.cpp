// Gaussian broadening and the count in the spectrum.

#include "SimTestSupport.h"

#include "simulation/Binning.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <numeric>

namespace {

using sim::Spectrum;

class BinningTest : public simtest::SimulationTest {
protected:
    std::unique_ptr<Spectrum> spectrum = std::make_unique<Spectrum>();
    long long Total() const { return std::accumulate(spectrum->begin(), spectrum->end(), 0LL); }
};

TEST_F(BinningTest, WithoutResolutionTheLinesLandOnTheirChannels) {
    EXPECT_EQ(sim::BinDeposit(*spectrum, 0.662, 0, 10, 1000, rng), 672);
    EXPECT_EQ(sim::BinDeposit(*spectrum, 2.56, 0, 10, 1000, rng), 2570);
    EXPECT_EQ(sim::BinDeposit(*spectrum, 3.75, 0, 10, 1000, rng), 3760);
    EXPECT_EQ((*spectrum)[672], 1);
    EXPECT_EQ((*spectrum)[2570], 1);
    EXPECT_EQ((*spectrum)[3760], 1);
    EXPECT_EQ(sim::BinDeposit(*spectrum, 4.1, 0, 10, 1000, rng), 4110);
    EXPECT_EQ(sim::BinDeposit(*spectrum, 4.085, 0, 10, 1000, rng), 4095);
    EXPECT_EQ(Total(), 3) << "channels from 4095 up are returned, not counted";
}

TEST_F(BinningTest, ZeroDepositGivesTheOffsetChannelAndStillDraws) {
    rng.SetSeed(1);
    const std::uint32_t before = rng.Seed();
    EXPECT_EQ(sim::BinDeposit(*spectrum, 0, 20, 10, 1000, rng), 10);
    EXPECT_GE(simtest::DrawsSince(rng, before), 3);
    EXPECT_EQ((*spectrum)[10], 1);
}

TEST_F(BinningTest, NegativeBroadenedEnergyIsReflected) {
    // 0.001 MeV with a deviate of -5: 0.001 - 5 * sqrt(0.001) * 20 / 2000 = -0.00058 MeV.
    EXPECT_EQ(sim::BinBroadened(*spectrum, 0.001, -5, 20, 10, 1000), 10);
    EXPECT_EQ((*spectrum)[10], 1);
}

TEST_F(BinningTest, ChannelsOutsideTheSpectrumAreNeverCounted) {
    EXPECT_EQ(sim::BinBroadened(*spectrum, 0.5, 0, 0, -600, 1000), -100);
    EXPECT_EQ(sim::BinBroadened(*spectrum, 1, 0, 0, 10, -1000), -990);
    EXPECT_EQ(sim::BinBroadened(*spectrum, 1e300, 0, 0, 10, 1000),
              std::numeric_limits<std::int32_t>::max());
    EXPECT_LT(sim::BinBroadened(*spectrum, std::nan(""), 0, 20, 10, 1000), 0);
    EXPECT_LT(sim::BinBroadened(*spectrum, -1, 1, 20, 10, 1000), 0) << "sqrt of a negative";
    EXPECT_EQ(Total(), 0);
    // A fraction of a channel below 0 truncates toward zero into channel 0.
    EXPECT_EQ(sim::BinBroadened(*spectrum, 0, 0, 0, -0.5, 1000), 0);
    EXPECT_EQ((*spectrum)[0], 1);
}

TEST_F(BinningTest, FullCounterDoesNotWrap) {
    (*spectrum)[672] = std::numeric_limits<std::int32_t>::max();
    EXPECT_EQ(sim::BinBroadened(*spectrum, 0.662, 0, 0, 10, 1000), 672);
    EXPECT_EQ((*spectrum)[672], std::numeric_limits<std::int32_t>::max());
}

TEST_F(BinningTest, DeviateIsStandardNormalAndBounded) {
    rng.SetSeed(12);
    constexpr int N = 200000;
    double sum = 0;
    double sum2 = 0;
    double largest = 0;
    for (int i = 0; i < N; ++i) {
        const double z = sim::NormalDeviate(rng);
        sum += z;
        sum2 += z * z;
        largest = std::max(largest, std::fabs(z));
    }
    const double mean = sum / N;
    const double variance = sum2 / N - mean * mean;
    EXPECT_LT(largest, 9);
    EXPECT_LT(std::fabs(mean), 5 / std::sqrt(N)) << "mean beyond 5 sigma";
    EXPECT_LT(std::fabs(variance - 1), 5 * std::sqrt(2.0 / N)) << "variance beyond 5 sigma";
}

TEST_F(BinningTest, CountsFormTheCalibratedGaussian) {
    rng.SetSeed(4242);
    constexpr int N = 100000;
    const double E = 1.0;                         // MeV
    const double sigma = 20.0 / 2 * std::sqrt(E); // channels
    for (int i = 0; i < N; ++i)
        sim::BinDeposit(*spectrum, E, 20, 10, 1000, rng);
    double sum = 0;
    double sum2 = 0;
    for (int c = 0; c < sim::SpectrumChannels; ++c) {
        // Truncation moves every value down by half a channel on average.
        const double centre = c + 0.5;
        sum += (*spectrum)[c] * centre;
        sum2 += (*spectrum)[c] * centre * centre;
    }
    const double mean = sum / N;
    const double sd = std::sqrt(sum2 / N - mean * mean);
    EXPECT_EQ(Total(), N);
    EXPECT_NEAR(mean, 1010, 5 * sigma / std::sqrt(N)) << "centre beyond 5 sigma";
    // The channel width adds 1/12 channel^2 to the variance.
    const double expectedSd = std::sqrt(sigma * sigma + 1.0 / 12);
    EXPECT_NEAR(sd, expectedSd, 5 * sigma / std::sqrt(2.0 * N)) << "width beyond 5 sigma";
}

} // namespace
