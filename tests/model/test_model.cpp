// The measurement model: the tick, the measuring time, the detector's distance, the
// plot's full scale and channel range, and the region of interest's sums.

#include "model/Measurement.h"

#include "simulation/CrossSection.h"
#include "simulation/Source.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

namespace {

constexpr std::int32_t Int32Max = std::numeric_limits<std::int32_t>::max();

class CountingHooks : public sim::HistoryHooks {
public:
    void PlotChannel(std::int32_t) override { ++plotted; }
    void SourceInsideDetector() override {
        ++reports;
        if (stop != nullptr) *stop = false;
    }
    int plotted = 0;
    int reports = 0;
    bool* stop = nullptr;
};

std::unique_ptr<sim::Spectrum> EmptySpectrum() {
    auto spectrum = std::make_unique<sim::Spectrum>();
    spectrum->fill(0);
    return spectrum;
}

} // namespace

TEST(ModelTime, TicksAndPreset) {
    EXPECT_EQ(model::DecaysPerTick(20000), 20001);
    EXPECT_EQ(model::DecaysPerTick(0), 1);
    EXPECT_EQ(model::DecaysPerTick(-7), 1);

    EXPECT_FALSE(model::PresetReached(99, 10));
    EXPECT_TRUE(model::PresetReached(100, 10));
    EXPECT_TRUE(model::PresetReached(0, 0));
    EXPECT_TRUE(model::PresetReached(0, -3));
    // 10 x 2147483647 wraps in 32 bits; it must not stop a run at its start.
    EXPECT_FALSE(model::PresetReached(3, Int32Max));

    EXPECT_EQ(model::WholeSeconds(0), 0);
    EXPECT_EQ(model::WholeSeconds(100), 10);
    EXPECT_EQ(model::WholeSeconds(99), std::nullopt);
    EXPECT_EQ(model::WholeSeconds(101), std::nullopt);
}

// The detector at start is shown at 8.5 cm; a bench detector is placed by its shown
// distance.
TEST(ModelDetector, ShownDistance) {
    const sim::DetectorGeometry g = model::Defaults::Geometry();
    EXPECT_EQ(model::ShownDistance(g), 8.5);
    EXPECT_DOUBLE_EQ(g.boundingRadius, std::sqrt(18.0));

    const sim::DetectorGeometry bench = model::BenchGeometry(20, 1, 2);
    EXPECT_EQ(bench.z, 20.5);
    EXPECT_DOUBLE_EQ(bench.boundingRadius, std::sqrt(5.0));
}

TEST(ModelDetector, SourceInsideTheBoundingSphere) {
    EXPECT_FALSE(model::SourceInside(model::Defaults::Geometry()));
    EXPECT_TRUE(model::SourceInside(model::BenchGeometry(-1.5, 3, 3))); // centre at the source
    // On the sphere itself counts as inside: bounding radius 5 at 5 cm.
    EXPECT_TRUE(model::SourceInside({0, 0, 5, 3, 4, 5}));
    EXPECT_FALSE(model::SourceInside({0, 0, 5.000001, 3, 4, 5}));
    EXPECT_TRUE(model::SourceInside({3, 0, 4, 3, 4, 5})); // off the axis
}

TEST(ModelScale, AutomaticFullScaleRungs) {
    struct Case {
        std::int32_t largest, scale;
    };
    const Case rungs[] = {
        {0, 100},    {99, 100},   {100, 200},   {199, 200},   {200, 500},    {499, 500},
        {500, 1000}, {999, 1000}, {1000, 2000}, {4999, 5000}, {5000, 10000},
    };
    for (const auto& [largest, scale] : rungs)
        EXPECT_EQ(model::FullScaleAbove(largest), scale) << largest;
    EXPECT_EQ(model::FullScaleAbove(123456789), 200000000);
    EXPECT_EQ(model::FullScaleAbove(1999999999), 2000000000);
    EXPECT_EQ(model::FullScaleAbove(2000000000), Int32Max); // the top rung: the largest count
}

// Only the channels of the range count, both ends included.
TEST(ModelScale, AutomaticFullScaleReadsTheWholeRange) {
    auto spectrum = EmptySpectrum();
    (*spectrum)[1024] = 150;
    (*spectrum)[1025] = 5000;
    EXPECT_EQ(model::AutomaticFullScale(*spectrum, 0, 1024), 200); // the last channel
    EXPECT_EQ(model::AutomaticFullScale(*spectrum, 1024, 1024), 200);
    EXPECT_EQ(model::AutomaticFullScale(*spectrum, 1025, 4096), 10000); // the first one
    EXPECT_EQ(model::AutomaticFullScale(*spectrum, 0, 1023), 100);
    (*spectrum)[4096] = 700; // never drawn, but in the full range
    EXPECT_EQ(model::AutomaticFullScale(*spectrum, 3840, 4096), 1000);
}

TEST(ModelScale, LadderSteps) {
    using model::Step;
    struct Case {
        std::int32_t shown;
        Step step;
        std::int32_t expected;
    };
    const Case cases[] = {
        {900, Step::Up, 1000},          {900, Step::Down, 200},         {300, Step::Up, 400},
        {300, Step::Down, 200},         {150, Step::Up, 200},           {150, Step::Down, 100},
        {1234, Step::Up, 2000},         {1234, Step::Down, 500},        {100, Step::Down, 100},
        {50000000, Step::Up, 50000000}, {Int32Max, Step::Up, 50000000}, {1, Step::Up, 100},
    };
    for (const Case& c : cases)
        EXPECT_EQ(model::LadderStep(c.shown, c.step), c.expected) << c.shown;

    std::vector<std::int32_t> ladder{100};
    while (ladder.size() < 21)
        ladder.push_back(model::LadderStep(ladder.back(), Step::Up));
    EXPECT_EQ(std::vector<std::int32_t>(ladder.begin(), ladder.begin() + 7),
              (std::vector<std::int32_t>{100, 200, 500, 1000, 2000, 5000, 10000}));
    EXPECT_EQ(ladder[17], 50000000);
    EXPECT_EQ(ladder[20], 50000000);
}

TEST(ModelScale, ChannelRangeLimits) {
    EXPECT_EQ(model::LimitMaxChannel(100, 0), 256);
    EXPECT_EQ(model::LimitMaxChannel(9999, 0), 4096);
    EXPECT_EQ(model::LimitMaxChannel(1000, 900), 1156);
    EXPECT_EQ(model::LimitMinChannel(-5, 4096), 0);
    EXPECT_EQ(model::LimitMinChannel(4000, 4096), 3840);
    EXPECT_EQ(model::LimitMinChannel(3584, 3840), 3584);
}

TEST(ModelRegion, Sums) {
    auto spectrum = EmptySpectrum();
    sim::Spectrum& s = *spectrum;
    s[100] = 5;
    s[101] = 70;
    s[102] = 90;
    s[103] = 6;
    s[4096] = 4;
    for (int i = 0; i <= 3; ++i)
        s[i] = 10;
    struct Case {
        std::int32_t low, high;
        std::int64_t gross, background;
    };
    const Case cases[] = {
        {100, 103, 171, 16},                      // Trunc(11 * 3 / 2)
        {100, 100, 5, 0},                         // no width
        {103, 100, 0, -16},                       // ends crossed while marking
        {-5, 3, 40, 40},                          // (0 + 10) * 8 / 2: outside reads 0
        {4090, 5000, 4, 0},                       // channel 4096 counts
        {-2147483647 - 1, Int32Max, 44 + 171, 0}, // no overflow of the width
    };
    for (const Case& c : cases) {
        const model::RegionSums sums = model::SumRegion(s, c.low, c.high);
        EXPECT_EQ(sums.Gross, c.gross) << c.low << ".." << c.high;
        EXPECT_EQ(sums.Background, c.background) << c.low << ".." << c.high;
        EXPECT_EQ(sums.Net, c.gross - c.background);
    }

    for (int i = 10; i <= 13; ++i)
        s[i] = 1 << 30;
    const model::RegionSums big = model::SumRegion(s, 10, 13);
    EXPECT_EQ(big.Gross, std::int64_t{1} << 32);
    EXPECT_EQ(big.Background, 3 * (std::int64_t{1} << 30));

    const model::BackgroundLine line(s, 100, 103);
    EXPECT_DOUBLE_EQ(line.At(100), 5);
    EXPECT_DOUBLE_EQ(line.At(102), 5 + 2.0 / 3);
    EXPECT_DOUBLE_EQ(line.At(103), 6);
}

// A tick runs EventsPerTick + 1 plain decays in order, and ends after the decay in which
// the measurement was stopped.
TEST(ModelMeasurement, TickRunsTheDecaysInOrder) {
    sim::SourceSlots slots = sim::BuiltInSource.Slots();
    slots[1].activity = 499;
    const sim::Source source(slots);

    sim::RandomGenerator rng(4711);
    auto measurement = std::make_unique<model::Measurement>(rng);
    measurement->SetDefaults();
    measurement->Source = source;
    CountingHooks hooks;
    bool running = true;
    EXPECT_EQ(measurement->RunTick(hooks, running), 500);

    sim::RandomGenerator plain(4711);
    auto expected = EmptySpectrum();
    sim::HistoryTally tally;
    CountingHooks plainHooks;
    for (int i = 0; i < 500; ++i)
        sim::RunHistory(source, model::Defaults::Geometry(), model::Defaults::Calibration,
                        *expected, tally, plainHooks, plain);
    EXPECT_EQ(rng.Seed(), plain.Seed());
    EXPECT_TRUE(measurement->Spectrum == *expected);
    EXPECT_EQ(hooks.plotted, plainHooks.plotted);
    EXPECT_GT(hooks.plotted, 0);

    // The source inside: the first decay's report stops the tick.
    model::SetShownDistance(measurement->Geometry, 0);
    hooks.stop = &running;
    EXPECT_EQ(measurement->RunTick(hooks, running), 1);
    EXPECT_EQ(hooks.reports, 1);
    EXPECT_EQ(measurement->RunTick(hooks, running), 0);
}
