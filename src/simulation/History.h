#pragma once
// One decay from emission to the count in the spectrum, over plain state, so that the
// detector window and the batch tool run the same code.

#include "Binning.h"
#include "Photon.h"
#include "Source.h"

#include <cstdint>

namespace sim {

// What the caller provides besides the records: drawing the counted channel and the
// report of a source inside the detector.
class HistoryHooks {
public:
    // Called after a count into channel (< 4095).
    virtual void PlotChannel(std::int32_t channel) = 0;
    // The source lies within the detector's bounding sphere: stop the measurement and
    // tell the user. Nothing is counted for this history.
    virtual void SourceInsideDetector() = 0;

protected:
    ~HistoryHooks() = default;
};

// Energy left in the crystal by the current history; reset at its start.
struct HistoryTally {
    double DepositedEnergy = 0; // MeV
    bool EnergyDeposited = false;
};

enum class HistoryOutcome {
    SourceInside, // error path taken
    Missed,       // the photon did not enter the crystal, or no line was emitted
    NoDeposit,    // entered but left without interacting
    Counted,      // binned below 4095 and drawn
    Overflow,     // binned at 4095 or above: not counted, not drawn
    Underflow,    // binned below 0 (negative offset or gain): not counted, not drawn
};

// Simulates one decay of the source: emission, entry, the interactions in the crystal and
// the count of the deposited energy. Chooses the generator once and runs the whole decay
// with it; the hooks run after the last draw. Allocates nothing.
HistoryOutcome RunHistory(const Source& source, const DetectorGeometry& geometry,
                          const Calibration& calibration, Spectrum& spectrum, HistoryTally& tally,
                          HistoryHooks& hooks, RandomGenerator& rng);

} // namespace sim
