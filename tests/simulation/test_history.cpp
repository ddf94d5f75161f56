// Whole decays: accounting of the outcomes, the error path, the shape of the spectrum,
// a pinned spectrum for a fixed seed, and the absence of allocations.

#include "CountingNew.h"
#include "SimTestSupport.h"

#include "simulation/History.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <numeric>

namespace {

using sim::HistoryOutcome;
using sim::Spectrum;

const sim::Calibration DefaultCalibration{10, 1000, 20};

class HistoryTest : public simtest::SimulationTest {
protected:
    std::unique_ptr<Spectrum> spectrum = std::make_unique<Spectrum>();
    simtest::RecordingHooks hooks;
    sim::HistoryTally tally;
    sim::Source source = sim::BuiltInSource;

    std::map<HistoryOutcome, int> Run(const sim::DetectorGeometry& g, const sim::Calibration& c,
                                      int decays) {
        std::map<HistoryOutcome, int> outcomes;
        for (int i = 0; i < decays; ++i)
            ++outcomes[sim::RunHistory(source, g, c, *spectrum, tally, hooks, rng)];
        return outcomes;
    }
    long long Sum(int from, int to) const { // channels from..to inclusive
        return std::accumulate(spectrum->begin() + from, spectrum->begin() + to + 1, 0LL);
    }
    void OnlyLine(double E) {
        source = simtest::ChangedSource([E](sim::SourceSlot& slot) {
            slot.lineEnergy[0] = E;
            slot.lineProbability[0] = 1;
            slot.lineProbability[1] = 0;
            slot.lineProbability[2] = 0;
        });
    }
};

// FNV-1a over the counters, a compact fingerprint of a whole spectrum.
std::uint64_t Fingerprint(const Spectrum& s) {
    std::uint64_t h = 14695981039346656037ull;
    for (std::int32_t count : s) {
        for (int byte = 0; byte < 4; ++byte) {
            h ^= (static_cast<std::uint32_t>(count) >> (8 * byte)) & 0xffu;
            h *= 1099511628211ull;
        }
    }
    return h;
}

// A fixed seed gives a fixed spectrum, count for count, with the window's generator and
// with streams of the counter-based one. Any change of a result, of the order of the draws
// or of the floating-point evaluation shows here.
TEST_F(HistoryTest, FixedSeedGivesThePinnedSpectrum) {
    const struct {
        bool counterBased;
        std::uint32_t seed; // the LCG's seed, or the stream's key
        std::uint64_t stream;
        double distance; // cm
        int decays;
        long long counted;
        std::uint64_t fingerprint;
        std::uint32_t seedAfter; // the LCG's seed at the end, which counts the draws
    } cases[] = {
        {false, 12345, 0, 8.5, 200000, 6550, 8925447684391210007u, 2540455450u},
        {false, 12345, 0, 3, 50000, 9220, 10942105282911432421u, 4242324592u},
        {true, 12345, 0, 8.5, 200000, 6443, 7613639963181831438u, 0},
        {true, 7, 3, 3, 50000, 9369, 2229401166731564388u, 0},
    };
    for (const auto& c : cases) {
        spectrum->fill(0);
        rng.SetSeed(c.seed);
        if (c.counterBased) rng.SetStream(c.seed, c.stream);
        const auto outcomes = Run(simtest::BenchGeometry(c.distance), DefaultCalibration, c.decays);
        const long long total = Sum(0, sim::SpectrumChannels - 1);
        EXPECT_EQ(total, outcomes.at(HistoryOutcome::Counted));
        EXPECT_EQ(total, c.counted) << "seed " << c.seed << ", stream " << c.stream;
        EXPECT_EQ(Fingerprint(*spectrum), c.fingerprint)
            << "seed " << c.seed << ", stream " << c.stream;
        if (!c.counterBased) {
            EXPECT_EQ(rng.Seed(), c.seedAfter) << "the number of draws changed";
        }
    }
}

TEST_F(HistoryTest, EveryOutcomeIsAccountedFor) {
    struct Case {
        sim::DetectorGeometry g;
        sim::Calibration c;
    };
    const Case cases[] = {
        {simtest::BenchGeometry(8.5), DefaultCalibration},
        {simtest::BenchGeometry(3), DefaultCalibration},
        {simtest::BenchGeometry(40, 1, 1), DefaultCalibration},
        {simtest::BenchGeometry(5, 0.05, 3), DefaultCalibration},    // thin: many cross freely
        {simtest::BenchGeometry(3), sim::Calibration{10, 2000, 20}}, // high lines overflow
    };
    rng.SetSeed(31);
    for (const Case& c : cases) {
        spectrum->fill(0);
        hooks.plotted.clear();
        auto outcomes = Run(c.g, c.c, 50000);
        const int counted = outcomes[HistoryOutcome::Counted];
        EXPECT_EQ(Sum(0, sim::SpectrumChannels - 1), counted);
        EXPECT_EQ(static_cast<int>(hooks.plotted.size()), counted);
        for (std::int32_t channel : hooks.plotted) {
            ASSERT_GE(channel, 10) << "the offset channel is the lowest";
            ASSERT_LT(channel, sim::ChannelLimit);
        }
        EXPECT_EQ(Sum(0, 9), 0);
        EXPECT_EQ((*spectrum)[4095] + (*spectrum)[4096], 0);
        EXPECT_GT(outcomes[HistoryOutcome::Missed], 0);
        EXPECT_GT(counted, 0);
        EXPECT_EQ(outcomes[HistoryOutcome::SourceInside], 0);
        EXPECT_EQ(hooks.sourceInside, 0);
    }
    // The thin crystal lets photons cross without interacting; the doubled gain pushes
    // the upper lines beyond the last channel.
    spectrum->fill(0);
    EXPECT_GT(Run(cases[3].g, cases[3].c, 20000)[HistoryOutcome::NoDeposit], 0);
    EXPECT_GT(Run(cases[4].g, cases[4].c, 20000)[HistoryOutcome::Overflow], 0);
}

TEST_F(HistoryTest, NegativeChannelsAreNeitherCountedNorDrawn) {
    rng.SetSeed(6);
    auto outcomes = Run(simtest::BenchGeometry(3), sim::Calibration{-5000, 1000, 20}, 20000);
    EXPECT_GT(outcomes[HistoryOutcome::Underflow], 0);
    EXPECT_EQ(outcomes[HistoryOutcome::Counted], 0);
    EXPECT_TRUE(hooks.plotted.empty());
    EXPECT_EQ(Sum(0, sim::SpectrumChannels - 1), 0);
}

TEST_F(HistoryTest, SourceInsideTheBoundingSphereReportsAndCountsNothing) {
    const sim::DetectorGeometry g = simtest::BenchGeometry(1); // centre 2.5 cm, bound 4.24 cm
    tally = sim::HistoryTally{1.5, true};
    const std::uint32_t before = rng.Seed();
    EXPECT_EQ(sim::RunHistory(source, g, DefaultCalibration, *spectrum, tally, hooks, rng),
              HistoryOutcome::SourceInside);
    EXPECT_EQ(hooks.sourceInside, 1);
    EXPECT_TRUE(hooks.plotted.empty());
    EXPECT_EQ(Sum(0, sim::SpectrumChannels - 1), 0);
    EXPECT_EQ(tally.DepositedEnergy, 0);
    EXPECT_FALSE(tally.EnergyDeposited);
    EXPECT_EQ(simtest::DrawsSince(rng, before), 1);
}

TEST_F(HistoryTest, DecayWithoutALineIsNotFollowed) {
    source = simtest::ChangedSource([](sim::SourceSlot& slot) { slot.enabled = false; });
    for (int i = 0; i < 1000; ++i) {
        const std::uint32_t before = rng.Seed();
        ASSERT_EQ(sim::RunHistory(source, simtest::BenchGeometry(3), DefaultCalibration, *spectrum,
                                  tally, hooks, rng),
                  HistoryOutcome::Missed);
        ASSERT_EQ(simtest::DrawsSince(rng, before), 3) << "line, w and phi are still drawn";
    }
    EXPECT_EQ(Sum(0, sim::SpectrumChannels - 1), 0);
}

TEST_F(HistoryTest, CountedChannelIsTheDepositWithoutResolution) {
    rng.SetSeed(17);
    const sim::Calibration sharp{10, 1000, 0};
    int counted = 0;
    for (int i = 0; i < 20000; ++i) {
        hooks.plotted.clear();
        const HistoryOutcome outcome =
            sim::RunHistory(source, simtest::BenchGeometry(3), sharp, *spectrum, tally, hooks, rng);
        if (outcome != HistoryOutcome::Counted) {
            EXPECT_EQ(tally.EnergyDeposited, outcome == HistoryOutcome::Overflow);
            continue;
        }
        ++counted;
        ASSERT_TRUE(tally.EnergyDeposited);
        ASSERT_EQ(hooks.plotted.size(), 1u);
        ASSERT_EQ(hooks.plotted[0], static_cast<int>(tally.DepositedEnergy * 1000 + 10));
        ASSERT_LE(tally.DepositedEnergy, 3.75 + 1e-9);
    }
    EXPECT_GT(counted, 1000);
}

// Below the pair threshold nothing can deposit more than the line: a 0.662 MeV source
// counts nothing above channel 672 and has its photo peak there.
TEST_F(HistoryTest, LowLineStaysAtOrBelowItsPeak) {
    OnlyLine(0.662);
    rng.SetSeed(23);
    Run(simtest::BenchGeometry(3), sim::Calibration{10, 1000, 0}, 100000);
    EXPECT_EQ(Sum(673, sim::SpectrumChannels - 1), 0);
    const auto peak = std::max_element(spectrum->begin(), spectrum->end());
    EXPECT_EQ(peak - spectrum->begin(), 672);
    EXPECT_GT(Sum(10, 488), 0) << "Compton continuum";
}

// A 2.56 MeV line shows, besides its photo peak, the single and double escape peaks at
// 2.049 and 1.538 MeV: each channel stands far above the mean of its neighbours.
TEST_F(HistoryTest, PairLineShowsBothEscapePeaks) {
    OnlyLine(2.56);
    rng.SetSeed(29);
    Run(simtest::BenchGeometry(3), sim::Calibration{10, 1000, 0}, 200000);
    EXPECT_EQ(Sum(2571, sim::SpectrumChannels - 1), 0);
    for (int channel : {1548, 2059, 2570}) {
        const double neighbours =
            (Sum(channel - 30, channel - 11) + Sum(channel + 11, channel + 30)) / 40.0;
        const double count = (*spectrum)[channel];
        EXPECT_GT(count, neighbours + 5 * std::sqrt(neighbours) + 20)
            << "peak at channel " << channel << " not 5 sigma above its neighbours";
    }
}

// With the built-in source and the default resolution the photo peak of 0.662 MeV rises
// clearly above the Compton continuum of the higher lines.
TEST_F(HistoryTest, PhotoPeakStandsOutWithTheBuiltInSource) {
    rng.SetSeed(41);
    Run(simtest::BenchGeometry(8.5), DefaultCalibration, 400000);
    const long long peak = Sum(672 - 16, 672 + 16);
    const long long continuum = (Sum(560, 592) + Sum(760, 792)) / 2;
    EXPECT_GT(peak, continuum + 5 * std::sqrt(static_cast<double>(continuum)))
        << "photo peak not 5 sigma above the continuum";
    EXPECT_EQ(Sum(3935, sim::SpectrumChannels - 1), 0)
        << "beyond the highest line plus the widest broadening";
}

TEST_F(HistoryTest, HistoriesAllocateNothing) {
    rng.SetSeed(3);
    hooks.plotted.reserve(200000);
    const sim::DetectorGeometry g = simtest::BenchGeometry(3);
    simtest::allocations = 0;
    simtest::countAllocations = true;
    for (int i = 0; i < 100000; ++i)
        sim::RunHistory(source, g, DefaultCalibration, *spectrum, tally, hooks, rng);
    simtest::countAllocations = false;
    EXPECT_EQ(simtest::allocations, 0);
}

} // namespace
