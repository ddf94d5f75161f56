// The measurement model's tick.

#include "model/Measurement.h"

#include "simulation/Source.h"

namespace model {

std::int64_t DecaysPerTick(std::int32_t eventsPerTick) {
    // The tick's loop tests its count after each decay, so it runs at least one.
    return eventsPerTick < 0 ? 1 : std::int64_t{eventsPerTick} + 1;
}

std::int64_t Measurement::RunTick(sim::HistoryHooks& hooks, const bool& running) {
    const std::int64_t decays = DecaysPerTick(sim::EventsPerTick);
    std::int64_t done = 0;
    while (done < decays && running) {
        RunHistory(hooks);
        ++done;
    }
    return done;
}

} // namespace model
