#pragma once
// The facts that the windows and the batch tool start from, in one place: the detector's
// distance range, the detector and the analyser at start, and the length of a tick.

#include "simulation/Binning.h"
#include "simulation/Photon.h"

#include <cstdint>

namespace model::Defaults {

// The distance from the source that the user may set, cm (shown distance, see
// ShownDistance).
inline constexpr double MinDistance = 3;
inline constexpr double MaxDistance = 40;

// The detector at start: centre on the bench axis at z = 10 cm, half-length 3 cm, radius
// 3 cm; the distance shown for it is 8.5 cm.
inline constexpr double CentreZ = 10; // cm
inline constexpr double Height = 3;   // half-length, cm
inline constexpr double Radius = 3;   // cm
// That detector, with its bounding radius.
sim::DetectorGeometry Geometry();

// The analyser at start: zero energy in channel 10, 1000 channels per MeV, a resolution
// (full width at half maximum) of 20 keV.
inline constexpr sim::Calibration Calibration{10, 1000, 20};

// Length of one tick, ms: ten ticks make one displayed second.
inline constexpr std::int32_t TickLength = 100;

} // namespace model::Defaults
