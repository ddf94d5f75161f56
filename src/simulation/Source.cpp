// The emission toward the detector and the entry into the crystal, one by one.

#include "simulation/Source.h"

#include "simulation/Steps.h"

#include <cmath>

namespace sim {

void EmitPhoton(const Source& source, PhotonState& photon, RandomGenerator& rng) {
    steps::EmitPhoton(source, photon, rng);
}

void PickLine(const Source& source, double a, PhotonState& photon) {
    steps::PickLine(source, a, photon);
}

bool InsideBoundingSphere(const DetectorGeometry& geometry, double x, double y, double z) {
    return steps::InsideBoundingSphere(geometry, x, y, z);
}

void StartPhoton(const Source& source, const DetectorGeometry& geometry, PhotonState& photon,
                 RandomGenerator& rng) {
    steps::StartPhoton(source, geometry, photon, rng);
}

void AimTowardDetector(const DetectorGeometry& geometry, PhotonState& photon,
                       RandomGenerator& rng) {
    steps::AimTowardDetector(geometry, photon, rng);
}

void AimTowardDetectorWith(const DetectorGeometry& geometry, PhotonState& photon, double w,
                           RandomGenerator& rng) {
    steps::AimTowardDetectorWith(geometry, photon, w, rng);
}

Emission EmitIntoDetector(const Source& source, const DetectorGeometry& geometry,
                          PhotonState& photon, RandomGenerator& rng) {
    return steps::EmitIntoDetector(source, geometry, photon, rng);
}

double ComputeBoundingRadius(const DetectorGeometry& geometry) {
    return std::sqrt(geometry.height * geometry.height + geometry.radius * geometry.radius);
}

double EnterDetector(const DetectorGeometry& geometry, PhotonState& photon) {
    return steps::EnterDetector(geometry, photon);
}

} // namespace sim
