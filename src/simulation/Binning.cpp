// Gaussian broadening of a deposit and the count in the spectrum, one by one.

#include "simulation/Binning.h"

#include "simulation/Steps.h"

namespace sim {

double NormalDeviate(RandomGenerator& rng) {
    return steps::NormalDeviate(rng);
}

std::int32_t BinDeposit(Spectrum& spectrum, double E, double resolution, double offset, double gain,
                        RandomGenerator& rng) {
    return steps::BinDeposit(spectrum, E, resolution, offset, gain, rng);
}

std::int32_t BinBroadened(Spectrum& spectrum, double E, double z, double resolution, double offset,
                          double gain) {
    return steps::BinBroadened(spectrum, E, z, resolution, offset, gain);
}

} // namespace sim
