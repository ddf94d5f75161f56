// The interpolation of the attenuation table in energy.

#include "simulation/CrossSection.h"

#include "simulation/Steps.h"

namespace sim {

void LookupAttenuationLinear(double E, Attenuation& result) {
    int i = 0;
    while (AttenuationTable[i + 1].energy < E && i < steps::LastInterval)
        ++i;
    steps::Interpolate(i, E, result);
}

void LookupAttenuation(double E, Attenuation& result) {
    steps::LookupAttenuation(E, result);
}

} // namespace sim
