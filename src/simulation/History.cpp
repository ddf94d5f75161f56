// One decay from emission to the count in the spectrum.

#include "simulation/History.h"

#include "simulation/CrossSection.h"
#include "simulation/Source.h"

#include <cmath>

namespace sim {

namespace {

// The photons of one history in the crystal: the current one and at most one pending
// annihilation photon (a 0.511 MeV photon and anything it scatters into lies below the
// pair threshold, where the pair coefficient is 0).
struct Transport {
    // Set up only for a photon that has entered the crystal; pending and att are written
    // before they are read.
    Transport(const DetectorGeometry& g, HistoryTally& t, const PhotonState& entered,
              RandomGenerator& r)
        : geometry(g), tally(t), rng(r), photon(entered) {}

    const DetectorGeometry& geometry;
    HistoryTally& tally;
    RandomGenerator& rng;
    PhotonState photon;
    PhotonState pending;
    bool hasPending = false;
    Attenuation att; // of the last lookup, cm^2/g

    // Samples a free path at the photon's energy, moves the photon and tells whether
    // it is still in the crystal. The step is not cut at the surface: only its end
    // point is tested.
    bool Step() {
        LookupAttenuation(photon.E, att);
        const double xi = rng.Random();
        const double s = std::log(1 - xi) * (-1 / att.total) / CrystalDensity; // cm
        Advance(photon, s);
        return InsideDetector(photon, geometry);
    }

    // Continues with the pending annihilation photon from the pair-production point.
    bool TakeUpPending() {
        hasPending = false;
        photon.x = pending.x;
        photon.y = pending.y;
        photon.z = pending.z;
        photon.u = pending.u;
        photon.v = pending.v;
        photon.w = pending.w;
        tally.EnergyDeposited = true;
        photon.E = ElectronRestEnergy;
        return Step();
    }

    // One interaction at the end of a step, chosen in proportion to the coefficients.
    void Interact() {
        const double xi = rng.Random();
        if (att.photo / att.total > xi) {
            tally.DepositedEnergy = tally.DepositedEnergy + photon.E;
            photon.E = 0;
        } else if ((att.photo + att.compton) / att.total > xi) {
            ComptonScatter(tally.DepositedEnergy, photon, rng);
        } else {
            PairProduction(tally.DepositedEnergy, photon, pending, rng);
            hasPending = true;
        }
        tally.EnergyDeposited = true;
    }

    // Follows the photon that has just entered the crystal, and any annihilation
    // photons, until none is left in the crystal.
    void Run() {
        bool inside = Step();
        for (;;) {
            if (!inside && hasPending) inside = TakeUpPending();
            if (!inside) return;
            Interact();
            if (photon.E != 0)
                inside = Step();
            else if (hasPending)
                inside = TakeUpPending();
            else
                return;
        }
    }
};

} // namespace

HistoryOutcome RunHistory(const DetectorGeometry& geometry, const Calibration& calibration,
                          Spectrum& spectrum, HistoryTally& tally, HistoryHooks& hooks,
                          RandomGenerator& rng) {
    tally.DepositedEnergy = 0;
    tally.EnergyDeposited = false;
    PhotonState photon; // written whole by the emission
    switch (EmitIntoDetector(geometry, photon, rng)) {
    case Emission::SourceInside:
        hooks.SourceInsideDetector();
        return HistoryOutcome::SourceInside;
    case Emission::Missed:
        return HistoryOutcome::Missed;
    case Emission::Entered:
        break;
    }
    // Energy 0 means that the decay picked no line (possible only when EventsPerTick
    // exceeds the summed weights of the enabled lines): there is no photon to follow.
    // Following it would feed energy 0 to the extrapolated coefficients.
    if (photon.E == 0) return HistoryOutcome::Missed;

    Transport transport(geometry, tally, photon, rng);
    transport.Run();
    if (!tally.EnergyDeposited) return HistoryOutcome::NoDeposit;

    const std::int32_t channel =
        BinDeposit(spectrum, tally.DepositedEnergy, calibration.Resolution,
                   calibration.ChannelOffset, calibration.ChannelsPerMeV, rng);
    if (channel < 0) return HistoryOutcome::Underflow;
    if (channel >= ChannelLimit) return HistoryOutcome::Overflow;
    hooks.PlotChannel(channel);
    return HistoryOutcome::Counted;
}

} // namespace sim
