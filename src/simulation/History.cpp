// One decay from emission to the count in the spectrum.

#include "simulation/History.h"

#include "simulation/Steps.h"

#include <cmath>

namespace sim {

namespace {

// The photons of one history in the crystal: the current one and at most one pending
// annihilation photon (a 0.511 MeV photon and anything it scatters into lies below the
// pair threshold, where the pair coefficient is 0), and the energy they leave.
template <class Generator> struct Transport {
    // Set up only for a photon that has entered the crystal; att is written before it is
    // read, and so is pending (it starts zeroed only because the optimiser cannot see that).
    Transport(const DetectorGeometry& g, const PhotonState& entered, Generator& r)
        : geometry(g), rng(r), photon(entered) {}

    const DetectorGeometry& geometry;
    Generator& rng;
    PhotonState photon;
    PhotonState pending{};
    bool hasPending = false;
    Attenuation att;              // of the last lookup, cm^2/g
    double depositedEnergy = 0;   // MeV
    bool energyDeposited = false; // at least one interaction

    // Samples a free path at the photon's energy, moves the photon and tells whether
    // it is still in the crystal. The step is not cut at the surface: only its end
    // point is tested.
    bool Step() {
        steps::LookupAttenuation(photon.E, att);
        const double xi = rng.Random();
        const double s = std::log(1 - xi) * (-1 / att.total) / CrystalDensity; // cm
        steps::Advance(photon, s);
        return steps::InsideDetector(photon, geometry);
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
        energyDeposited = true;
        photon.E = ElectronRestEnergy;
        return Step();
    }

    // One interaction at the end of a step, chosen in proportion to the coefficients.
    void Interact() {
        const double xi = rng.Random();
        if (att.photo / att.total > xi) {
            depositedEnergy = depositedEnergy + photon.E;
            photon.E = 0;
        } else if ((att.photo + att.compton) / att.total > xi) {
            steps::ComptonScatter(depositedEnergy, photon, rng);
        } else {
            steps::PairProduction(depositedEnergy, photon, pending, rng);
            hasPending = true;
        }
        energyDeposited = true;
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

struct Decay {
    HistoryOutcome outcome;
    std::int32_t channel = 0; // for Counted
};

// One decay with one kind of generator; the caller runs the hooks. Every step is inlined
// (flatten), so that the generator's state never has to leave its register for a call.
template <class Generator>
[[gnu::flatten]] Decay RunDecay(const Source& source, const DetectorGeometry& geometry,
                                const Calibration& calibration, Spectrum& spectrum,
                                HistoryTally& tally, Generator& rng) {
    tally.DepositedEnergy = 0;
    tally.EnergyDeposited = false;
    PhotonState photon; // written whole by the emission
    switch (steps::EmitIntoDetector(source, geometry, photon, rng)) {
    case Emission::SourceInside:
        return {HistoryOutcome::SourceInside};
    case Emission::Missed:
        return {HistoryOutcome::Missed};
    case Emission::Entered:
        break;
    }
    // Energy 0 means that the decay picked no line (possible only when EventsPerTick
    // exceeds the summed weights of the enabled lines): there is no photon to follow.
    // Following it would feed energy 0 to the extrapolated coefficients.
    if (photon.E == 0) return {HistoryOutcome::Missed};

    Transport<Generator> transport(geometry, photon, rng);
    transport.Run();
    tally.DepositedEnergy = transport.depositedEnergy;
    tally.EnergyDeposited = transport.energyDeposited;
    if (!transport.energyDeposited) return {HistoryOutcome::NoDeposit};

    const std::int32_t channel =
        steps::BinDeposit(spectrum, transport.depositedEnergy, calibration.Resolution,
                          calibration.ChannelOffset, calibration.ChannelsPerMeV, rng);
    if (channel < 0) return {HistoryOutcome::Underflow};
    if (channel >= ChannelLimit) return {HistoryOutcome::Overflow};
    return {HistoryOutcome::Counted, channel};
}

} // namespace

HistoryOutcome RunHistory(const Source& source, const DetectorGeometry& geometry,
                          const Calibration& calibration, Spectrum& spectrum, HistoryTally& tally,
                          HistoryHooks& hooks, RandomGenerator& rng) {
    const Decay decay = rng.WithGenerator([&](auto& generator) {
        return RunDecay(source, geometry, calibration, spectrum, tally, generator);
    });
    if (decay.outcome == HistoryOutcome::SourceInside) hooks.SourceInsideDetector();
    if (decay.outcome == HistoryOutcome::Counted) hooks.PlotChannel(decay.channel);
    return decay.outcome;
}

} // namespace sim
