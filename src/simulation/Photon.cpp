// The physics steps of one photon in the crystal, one by one.

#include "simulation/Photon.h"

#include "simulation/Steps.h"

namespace sim {

void Advance(PhotonState& photon, double s) {
    steps::Advance(photon, s);
}

bool InsideDetector(const PhotonState& photon, const DetectorGeometry& geometry) {
    return steps::InsideDetector(photon, geometry);
}

bool KahnAttempt(double k, double r1, double r2, double r3, double& eta) {
    return steps::KahnAttempt(k, r1, r2, r3, eta);
}

void ComptonScatter(double& deposit, PhotonState& photon, RandomGenerator& rng) {
    steps::ComptonScatter(deposit, photon, rng);
}

void RotateDirection(PhotonState& photon, double mu, RandomGenerator& rng) {
    steps::RotateDirection(photon, mu, rng);
}

void RotateDirectionBy(PhotonState& photon, double mu, double phi) {
    steps::RotateDirectionBy(photon, mu, phi);
}

void PairProduction(double& deposit, PhotonState& photon, PhotonState& second,
                    RandomGenerator& rng) {
    steps::PairProduction(deposit, photon, second, rng);
}

void IsotropicDirection(PhotonState& photon, RandomGenerator& rng) {
    steps::IsotropicDirection(photon, rng);
}

void IsotropicDirectionFrom(PhotonState& photon, double r1, double r2) {
    steps::IsotropicDirectionFrom(photon, r1, r2);
}

} // namespace sim
