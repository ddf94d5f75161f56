#pragma once
// The radiation source: three slots of gamma lines, the line picked by one decay,
// the emission toward the detector and the entry into the crystal.

#include "Photon.h"
#include "Random.h"

#include <cstdint>

namespace sim {

struct SourceSlot {
    bool enabled;
    double activity;            // decays per tick; also the slot's weight
    double position[3];         // cm
    double lineEnergy[10];      // MeV
    double lineProbability[10]; // per decay
};

// Slots 1, 2 and 3 are Sources[0], Sources[1] and Sources[2].
extern SourceSlot Sources[3];

// Decays per tick: the activity of slot 2 truncated (20000 with the built-in source).
extern std::int32_t EventsPerTick;

// Fills slot 2 with the built-in source and seeds the generator from the clock.
void InitSources(RandomGenerator& rng);
void ComputeEventsPerTick();

// Picks the line of one decay with one random draw a := Random * EventsPerTick. When
// no line is picked the photon has energy 0 at the origin and direction (0, 0, 0).
void EmitPhoton(PhotonState& photon, RandomGenerator& rng);
// The line that the selection value a picks.
void PickLine(double a, PhotonState& photon);

// Emits and aims one photon, or sets E = -1 when the source lies within the
// detector's bounding sphere.
void StartPhoton(const DetectorGeometry& geometry, PhotonState& photon, RandomGenerator& rng);
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
Emission EmitIntoDetector(const DetectorGeometry& geometry, PhotonState& photon,
                          RandomGenerator& rng);

} // namespace sim
