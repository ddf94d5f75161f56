// Speed of the photon transport simulation: decays per second with the default geometry
// and with the closest one the bench allows, with the window's generator, with the batch
// tool's counter-based one and with the plain step-by-step decay of the tests (the naive
// port that the library is measured against) side by side, and the cost of one
// attenuation lookup.

#include "simulation/Binning.h"
#include "simulation/CrossSection.h"
#include "simulation/History.h"
#include "simulation/Random.h"
#include "simulation/Source.h"

#include "ReferenceHistory.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>

namespace {

class NoHooks final : public sim::HistoryHooks {
public:
    void PlotChannel(std::int32_t channel) override { benchmark::DoNotOptimize(channel); }
    void SourceInsideDetector() override {}
};

// The detector as the window holds it for the shown distance d (cm), height and radius 3.
sim::DetectorGeometry Geometry(double d) {
    sim::DetectorGeometry g{0, 0, d + 1.5, 3, 3, 0};
    g.boundingRadius = sim::ComputeBoundingRadius(g);
    return g;
}

enum class Generator { Lcg32, Philox };

// One tick of decays (EventsPerTick + 1) of the built-in source per iteration; reports
// decays per second.
void Decays(benchmark::State& state, double distance, Generator generator = Generator::Lcg32) {
    sim::RandomGenerator rng(12345);
    if (generator == Generator::Philox) rng.SetStream(12345, 0);
    const sim::DetectorGeometry geometry = Geometry(distance);
    const sim::Calibration calibration{10, 1000, 20};
    auto spectrum = std::make_unique<sim::Spectrum>();
    sim::HistoryTally tally;
    NoHooks hooks;
    const std::int64_t perTick = sim::BuiltInSource.EventsPerTick() + 1;
    for (auto _ : state) {
        for (std::int64_t i = 0; i < perTick; ++i)
            sim::RunHistory(sim::BuiltInSource, geometry, calibration, *spectrum, tally, hooks,
                            rng);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * perTick);
}

void BM_DecaysDefaultGeometry(benchmark::State& state) {
    Decays(state, 8.5);
}
void BM_DecaysClosestGeometry(benchmark::State& state) {
    Decays(state, 3);
}
// The batch tool's long-period generator, beside the window's one above.
void BM_DecaysDefaultGeometryPhilox(benchmark::State& state) {
    Decays(state, 8.5, Generator::Philox);
}
void BM_DecaysClosestGeometryPhilox(benchmark::State& state) {
    Decays(state, 3, Generator::Philox);
}

// The same tick of the plain decay of the tests, from the same seed: the naive port.
void NaiveDecays(benchmark::State& state, double distance) {
    const sim::DetectorGeometry g = Geometry(distance);
    const reftest::RefGeometry geometry{g.x, g.y, g.z, g.height, g.radius, g.boundingRadius};
    const reftest::RefCalibration calibration;
    auto spectrum = std::make_unique<reftest::RefSpectrum>();
    reftest::RefGenerator random{12345};
    const std::int64_t perTick = sim::BuiltInSource.EventsPerTick() + 1;
    for (auto _ : state) {
        for (std::int64_t i = 0; i < perTick; ++i)
            benchmark::DoNotOptimize(
                reftest::RefRunHistory(geometry, calibration, *spectrum, random));
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * perTick);
}

void BM_DecaysDefaultGeometryNaivePort(benchmark::State& state) {
    NaiveDecays(state, 8.5);
}
void BM_DecaysClosestGeometryNaivePort(benchmark::State& state) {
    NaiveDecays(state, 3);
}

// Energies a photon meets: the lines, the annihilation energy and scattered energies.
constexpr double LookupEnergies[] = {0.662, 0.511, 2.56,  3.75,   0.2817, 1.33, 0.0451,
                                     0.102, 1.738, 0.031, 0.0049, 2.9,    0.75, 0.35};

template <void (*Lookup)(double, sim::Attenuation&)> void LookupCost(benchmark::State& state) {
    sim::Attenuation att{};
    std::size_t i = 0;
    for (auto _ : state) {
        Lookup(LookupEnergies[i], att);
        benchmark::DoNotOptimize(att);
        i = i + 1 == std::size(LookupEnergies) ? 0 : i + 1;
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_LookupAttenuation(benchmark::State& state) {
    LookupCost<sim::LookupAttenuation>(state);
}
void BM_LookupAttenuationLinearScan(benchmark::State& state) {
    LookupCost<sim::LookupAttenuationLinear>(state);
}

} // namespace

BENCHMARK(BM_DecaysDefaultGeometry)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecaysClosestGeometry)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecaysDefaultGeometryPhilox)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecaysClosestGeometryPhilox)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecaysDefaultGeometryNaivePort)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecaysClosestGeometryNaivePort)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LookupAttenuation);
BENCHMARK(BM_LookupAttenuationLinearScan);

BENCHMARK_MAIN();
