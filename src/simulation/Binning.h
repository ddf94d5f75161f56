#pragma once
// Gaussian broadening of a deposit and the multichannel-analyser spectrum.

#include "Random.h"

#include <array>
#include <cstdint>

namespace sim {

inline constexpr int SpectrumChannels = 4097; // channels 0 to 4096
inline constexpr int ChannelLimit = 4095;     // channels at or above are not counted

using Spectrum = std::array<std::int32_t, SpectrumChannels>;

// Energy calibration and resolution of the analyser; the owner sets them (the values at
// start are the measurement model's).
struct Calibration {
    double ChannelOffset;  // channel of zero energy
    double ChannelsPerMeV; // gain, channels per MeV
    double Resolution;     // twice the standard deviation at 1 MeV, in keV
};

// Broadens deposit E (MeV), converts it to a channel, counts it when below 4095 and
// returns the channel in every case.
// A channel below 0 (only with a negative offset or gain) is returned and not counted.
std::int32_t BinDeposit(Spectrum& spectrum, double E, double resolution, double offset, double gain,
                        RandomGenerator& rng);

// The standard normal deviate of BinDeposit: at least three draws.
double NormalDeviate(RandomGenerator& rng);

// BinDeposit with the deviate z given: broadening, calibration, count.
std::int32_t BinBroadened(Spectrum& spectrum, double E, double z, double resolution, double offset,
                          double gain);

} // namespace sim
