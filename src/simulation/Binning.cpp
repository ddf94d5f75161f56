// Gaussian broadening of a deposit and the count in the spectrum.

#include "simulation/Binning.h"

#include "simulation/Random.h"

#include <cmath>
#include <limits>

namespace sim {

namespace {

// Truncates toward zero into the 32-bit range: values beyond it saturate, and NaN
// (only from a NaN or negative deposit, which no history produces) gives the lowest
// value, so that it is never counted.
std::int32_t TruncateChannel(double v) {
    if (std::isnan(v) || v <= -2147483649.0) return std::numeric_limits<std::int32_t>::min();
    if (v >= 2147483648.0) return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(v);
}

} // namespace

// A standard normal deviate: a half-normal value by rejection from the exponential
// distribution, then a random sign. Draws two values per try and one for the sign.
double NormalDeviate(RandomGenerator& rng) {
    double x;
    for (;;) {
        const double r1 = rng.Random();
        x = -std::log(1 - r1) - 1;
        const double r2 = rng.Random();
        // Beyond |x| = 8 the try is always rejected (y = r2 fails y > r2).
        const double y = std::fabs(x) < 8 ? std::exp(-x * x / 2) : r2;
        if (y > r2) break;
    }
    double z = x + 1; // half-normal, 0 <= z < 9
    if (rng.Random() < 0.5) z = -z;
    return z;
}

std::int32_t BinDeposit(Spectrum& spectrum, double E, double resolution, double offset, double gain,
                        RandomGenerator& rng) {
    const double z = NormalDeviate(rng);
    return BinBroadened(spectrum, E, z, resolution, offset, gain);
}

std::int32_t BinBroadened(Spectrum& spectrum, double E, double z, double resolution, double offset,
                          double gain) {
    const double s = std::sqrt(E) * resolution;
    const double Ebroad = std::fabs(E + z * s / 2000); // MeV, a negative sum reflected
    const double v = Ebroad * gain + offset;           // channel before truncation
    const std::int32_t channel = TruncateChannel(v);
    // A full counter stays full rather than wrapping around.
    if (channel >= 0 && channel < ChannelLimit &&
        spectrum[channel] < std::numeric_limits<std::int32_t>::max())
        ++spectrum[channel];
    return channel;
}

} // namespace sim
