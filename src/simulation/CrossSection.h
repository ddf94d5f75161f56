#pragma once
// Mass attenuation coefficients of sodium iodide: the stored table, the working
// table derived from it at start-up, and the linear interpolation in energy.

#include "Random.h"

namespace sim {

// One stored row. Energies in MeV, coefficients in cm^2/g. Only the columns that a
// computation reads are kept: coherent scattering is not simulated, and the totals are
// formed from the modelled interactions at lookup.
struct CrossSectionRow {
    double energy;        // MeV
    double incoherent;    // cm^2/g
    double photoelectric; // cm^2/g
    double pairNuclear;   // cm^2/g, pair production in the nuclear field
    double pairElectron;  // cm^2/g, pair production in the electron field
};

inline constexpr int CrossSectionRows = 95;
extern const CrossSectionRow CrossSectionTable[CrossSectionRows];

// One working row: the columns the lookup reads.
struct AttenuationRow {
    double energy;     // MeV
    double incoherent; // cm^2/g
    double photo;      // cm^2/g
    double pair;       // cm^2/g, nuclear + electron field
};

// Zero until BuildAttenuationTable fills it; read-only afterwards.
extern AttenuationRow AttenuationTable[CrossSectionRows];

// Coefficients at one energy, all in cm^2/g; total = compton + photo + pair.
struct Attenuation {
    double compton;
    double pair;
    double photo;
    double total;
};

void BuildAttenuationTable();

// Linear interpolation of the working table at energy E (MeV), written whole into
// result. Selects the first interval i with energy(i + 1) >= E, capped at 93.
void LookupAttenuation(double E, Attenuation& result);

// The same lookup with the plain linear scan from row 0; the reference that any
// faster search must agree with.
void LookupAttenuationLinear(double E, Attenuation& result);

// Start-up initialisation of the simulation: BuildAttenuationTable, then InitSources.
// Runs once before any other operation of the simulation.
void InitSimulation(RandomGenerator& rng);

} // namespace sim
