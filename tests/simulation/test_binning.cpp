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

// The channel of a deposit broadened by a given deviate, and whether it is counted: only
// channels 0 to 4094 are.
TEST_F(BinningTest, BroadenedDepositsLandOnTheirChannels) {
    constexpr std::int32_t Lowest = std::numeric_limits<std::int32_t>::min();
    constexpr std::int32_t Highest = std::numeric_limits<std::int32_t>::max();
    const struct {
        double E;          // MeV
        double z;          // the deviate
        double resolution; // keV
        double offset, gain;
        std::int32_t channel;
        bool counted;
    } cases[] = {
        {0.662, 0, 0, 10, 1000, 672, true}, // the lines without resolution
        {2.56, 0, 0, 10, 1000, 2570, true},
        {3.75, 0, 0, 10, 1000, 3760, true},
        {4.085, 0, 0, 10, 1000, 4095, false}, // from 4095 up returned, not counted
        {4.1, 0, 0, 10, 1000, 4110, false},
        {1, 2, 20, 10, 1000, 1030, true}, // two standard deviations of 10 channels up
        // 0.001 MeV with a deviate of -5: 0.001 - 5 * sqrt(0.001) * 20 / 2000 = -0.00058
        // MeV, reflected to +0.00058.
        {0.001, -5, 20, 10, 1000, 10, true},
        {0, 0, 0, -0.5, 1000, 0, true}, // a fraction below 0 truncates toward zero
        {0.5, 0, 0, -600, 1000, -100, false},
        {1, 0, 0, 10, -1000, -990, false},
        {1e300, 0, 0, 10, 1000, Highest, false},
        {std::nan(""), 0, 20, 10, 1000, Lowest, false},
        {-1, 1, 20, 10, 1000, Lowest, false}, // the square root of a negative deposit
    };
    for (const auto& c : cases) {
        spectrum->fill(0);
        EXPECT_EQ(sim::BinBroadened(*spectrum, c.E, c.z, c.resolution, c.offset, c.gain), c.channel)
            << "E = " << c.E << ", z = " << c.z;
        EXPECT_EQ(Total(), c.counted ? 1 : 0) << "E = " << c.E << ", z = " << c.z;
        if (c.counted) {
            EXPECT_EQ((*spectrum)[c.channel], 1) << "E = " << c.E;
        }
    }
}

TEST_F(BinningTest, ZeroDepositGivesTheOffsetChannelAndStillDraws) {
    rng.SetSeed(1);
    const std::uint32_t before = rng.Seed();
    EXPECT_EQ(sim::BinDeposit(*spectrum, 0, 20, 10, 1000, rng), 10);
    EXPECT_GE(simtest::DrawsSince(rng, before), 3);
    EXPECT_EQ((*spectrum)[10], 1);
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
