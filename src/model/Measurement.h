#pragma once
// The measurement model under the detector window and the batch tool: the detector, the
// analyser's calibration, the spectrum and the tally of the current decay, the generator
// they draw from, and the tick that runs the decays.

#include "simulation/Binning.h"
#include "simulation/History.h"
#include "simulation/Photon.h"
#include "simulation/Random.h"

#include <cstdint>

namespace model {

// Length of one tick, ms: ten ticks make one displayed second.
inline constexpr std::int32_t TickLength = 100;
// Ticks per displayed second: 1000 / TickLength, truncated.
inline constexpr std::int32_t TicksPerSecond = 1000 / TickLength;

// Decays in one tick: the loop counts histories from 0 to EventsPerTick, and runs at
// least one. (With EventsPerTick = 0 the window starts no acquisition.)
std::int64_t DecaysPerTick(std::int32_t eventsPerTick);

class Measurement {
public:
    // The generator is shared: the program has one, the batch tool one per block.
    explicit Measurement(sim::RandomGenerator& rng) : rng_(rng) {}

    sim::DetectorGeometry Geometry{};
    sim::Calibration Calibration;
    sim::Spectrum Spectrum{};
    sim::HistoryTally Tally; // DepositedEnergy, EnergyDeposited of the current decay

    sim::RandomGenerator& Generator() { return rng_; }

    // One decay from emission to the count, with the caller's draw and error hooks.
    sim::HistoryOutcome RunHistory(sim::HistoryHooks& hooks) {
        return sim::RunHistory(Geometry, Calibration, Spectrum, Tally, hooks, rng_);
    }

    // One tick: DecaysPerTick(EventsPerTick) decays, fewer when `running` turns false
    // during a decay (the error hook stops the measurement). Returns the decays run.
    std::int64_t RunTick(sim::HistoryHooks& hooks, const bool& running);

private:
    sim::RandomGenerator& rng_;
};

} // namespace model
