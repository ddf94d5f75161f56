#pragma once
// The radiation source: three slots of gamma lines, the line picked by one decay,
// the emission toward the detector and the entry into the crystal.

#include "Photon.h"
#include "Random.h"

#include <array>
#include <cstdint>
#include <limits>

namespace sim {

struct SourceSlot {
    bool enabled;
    double activity;            // decays per tick; also the slot's weight
    double position[3];         // cm
    double lineEnergy[10];      // MeV
    double lineProbability[10]; // per decay
};

// Slots 1, 2 and 3 in the order a decay scans them.
using SourceSlots = std::array<SourceSlot, 3>;

// The radiation source of a measurement: its slots and what the decays read from them,
// derived once when the source is made.
class Source {
public:
    constexpr explicit Source(const SourceSlots& slots)
        : slots_(slots), eventsPerTick_(Truncate(slots[1].activity)), atOrigin_(AtOrigin(slots)) {}

    constexpr const SourceSlots& Slots() const { return slots_; }

    // Decays per tick: the activity of slot 2 truncated toward zero (20000 with the built-in
    // source). An activity outside the 32-bit range saturates instead of overflowing, NaN
    // gives 0.
    constexpr std::int32_t EventsPerTick() const { return eventsPerTick_; }

    // True when every slot lies at the origin: then every decay starts there, whichever
    // line it picks or if it picks none.
    constexpr bool AllAtOrigin() const { return atOrigin_; }

private:
    static constexpr std::int32_t Truncate(double activity) {
        if (activity != activity) return 0;
        if (activity <= -2147483649.0) return std::numeric_limits<std::int32_t>::min();
        if (activity >= 2147483648.0) return std::numeric_limits<std::int32_t>::max();
        return static_cast<std::int32_t>(activity);
    }
    static constexpr bool AtOrigin(const SourceSlots& slots) {
        for (const SourceSlot& slot : slots)
            if (slot.position[0] != 0 || slot.position[1] != 0 || slot.position[2] != 0)
                return false;
        return true;
    }

    SourceSlots slots_;
    std::int32_t eventsPerTick_;
    bool atOrigin_;
};

// The built-in source: slot 2 at the origin with activity 20000 and the lines 0.662, 2.56
// and 3.75 MeV with the probabilities 0.25, 0.4 and 0.35 per decay; slots 1 and 3 are
// disabled and empty.
inline constexpr Source BuiltInSource{SourceSlots{{
    {false, 0, {0, 0, 0}, {}, {}},
    {true, 20000, {0, 0, 0}, {0.662, 2.56, 3.75}, {0.25, 0.4, 0.35}},
    {false, 0, {0, 0, 0}, {}, {}},
}}};

// Picks the line of one decay with one random draw a := Random * EventsPerTick. When
// no line is picked the photon has energy 0 at the origin and direction (0, 0, 0).
void EmitPhoton(const Source& source, PhotonState& photon, RandomGenerator& rng);
// The line that the selection value a picks.
void PickLine(const Source& source, double a, PhotonState& photon);

// Emits and aims one photon, or sets E = -1 when the source lies within the
// detector's bounding sphere.
void StartPhoton(const Source& source, const DetectorGeometry& geometry, PhotonState& photon,
                 RandomGenerator& rng);
void AimTowardDetector(const DetectorGeometry& geometry, PhotonState& photon, RandomGenerator& rng);
// AimTowardDetector with its first draw (|w|) already taken.
void AimTowardDetectorWith(const DetectorGeometry& geometry, PhotonState& photon, double w,
                           RandomGenerator& rng);
double ComputeBoundingRadius(const DetectorGeometry& geometry);
// True when the point (x, y, z) lies within the detector's bounding sphere, its surface
// included: a photon starting there is not aimed (StartPhoton's E = -1).
bool InsideBoundingSphere(const DetectorGeometry& geometry, double x, double y, double z);

// Moves the photon onto the nearer end-face plane; returns the distance moved (cm),
// 0 for a miss.
double EnterDetector(const DetectorGeometry& geometry, PhotonState& photon);

enum class Emission {
    SourceInside, // E = -1: the source lies within the bounding sphere
    Missed,       // the photon does not enter the crystal (its state is then undefined)
    Entered,      // the photon lies on the face where EnterDetector put it
};

// StartPhoton followed by EnterDetector, with the same draws and the same outcome, that
// recognises most misses from the draw of w alone, before any square root or
// trigonometry.
Emission EmitIntoDetector(const Source& source, const DetectorGeometry& geometry,
                          PhotonState& photon, RandomGenerator& rng);

} // namespace sim
