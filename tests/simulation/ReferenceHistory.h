#pragma once
// One decay written out plainly, step by step, independently of the simulation library
// and deliberately unoptimised: a linear scan of the attenuation table, every decay
// picking its line and drawing its full direction before the entry test, and the
// photons followed through the crystal one stage at a time. Tests run it side by side
// with sim::RunHistory from the same seed and require the same draws, the same deposits
// and the same spectrum, count for count.
//
// Of the simulation library it reads only the stored attenuation table; it derives its
// own working table from it and has its own generator, source and records.

#include <array>
#include <cstdint>

namespace reftest {

// The program's linear congruential generator: seed := seed * 134775813 + 1 (mod 2^32),
// value = seed / 2^32.
struct RefGenerator {
    std::uint32_t seed = 0;
    double Next();
};

struct RefPhoton {
    double E; // MeV
    double x; // cm
    double y; // cm
    double z; // cm
    double u; // direction cosines
    double v;
    double w;
};

// The crystal spans z - height .. z + height about its centre, radius `radius`.
struct RefGeometry {
    double x;              // cm, centre
    double y;              // cm
    double z;              // cm
    double height;         // cm, the half-length
    double radius;         // cm
    double boundingRadius; // cm, sqrt(height^2 + radius^2)
};

struct RefCalibration {
    double offset = 10;     // channel of zero energy
    double gain = 1000;     // channels per MeV
    double resolution = 20; // twice the standard deviation at 1 MeV, in keV
};

struct RefAttenuation {
    double compton; // cm^2/g
    double pair;    // cm^2/g
    double photo;   // cm^2/g
    double total;   // cm^2/g
};

using RefSpectrum = std::array<std::int32_t, 4097>;

enum class RefOutcome {
    SourceInside, // the source lies within the bounding sphere
    Missed,       // the photon does not reach the crystal
    NoDeposit,    // it entered and left without interacting
    Counted,      // binned below channel 4095
    NotCounted,   // binned at 4095 or above (or below 0)
};

struct RefHistory {
    RefOutcome outcome = RefOutcome::Missed;
    double depositedEnergy = 0; // MeV
    bool energyDeposited = false;
    std::int32_t channel = -1; // the binned channel, -1 when nothing was binned
};

// Linear scan from row 0 and linear interpolation at energy E (MeV).
RefAttenuation RefLookupAttenuation(double E);

// One decay of the built-in source (lines 0.662, 2.56 and 3.75 MeV with the weights
// 0.25, 0.4 and 0.35, 20000 decays per tick) toward the detector.
RefHistory RefRunHistory(const RefGeometry& geometry, const RefCalibration& calibration,
                         RefSpectrum& spectrum, RefGenerator& random);

} // namespace reftest
