#pragma once
// The photon and detector records and the physics steps of one photon history.

#include "Random.h"

namespace sim {

// One photon. The source sits at the origin; the bench axis is z.
struct PhotonState {
    double E; // MeV; -1 from StartPhoton marks a source inside the bounding sphere
    double x; // cm
    double y; // cm
    double z; // cm
    double u; // direction cosine along x
    double v; // direction cosine along y
    double w; // direction cosine along z
};

// The crystal: a cylinder along z about (x, y, z) spanning z - height .. z + height
// (height acts as the half-length) with radius `radius`.
struct DetectorGeometry {
    double x;              // cm
    double y;              // cm
    double z;              // cm
    double height;         // cm
    double radius;         // cm
    double boundingRadius; // cm, sqrt(height^2 + radius^2)
};

inline constexpr double CrystalDensity = 3.66;      // g/cm^3
inline constexpr double ElectronRestEnergy = 0.511; // MeV
inline constexpr double PairThreshold = 1.022;      // MeV
inline constexpr double TwoPi = 6.283185307179586477;

// Moves the photon by s (cm) along its direction.
void Advance(PhotonState& photon, double s);

// True when the photon's position lies in the closed cylinder.
bool InsideDetector(const PhotonState& photon, const DetectorGeometry& geometry);

// Kahn's rejection sampling of the Klein-Nishina distribution; adds the energy lost
// (MeV) to deposit and turns the photon.
void ComptonScatter(double& deposit, PhotonState& photon, RandomGenerator& rng);

// One attempt of Kahn's method with k = 0.511 / E and the draws r1, r2, r3: sets eta
// (E / E') and tells whether the attempt is accepted.
bool KahnAttempt(double k, double r1, double r2, double r3, double& eta);

// Turns the direction by the polar angle with cosine mu and a random azimuth.
void RotateDirection(PhotonState& photon, double mu, RandomGenerator& rng);
// The same turn with the azimuth phi (rad) given.
void RotateDirectionBy(PhotonState& photon, double mu, double phi);

// Deposits E - 1.022 MeV; the photon becomes the first annihilation photon with an
// isotropic direction and `second` the opposite one at the same point.
void PairProduction(double& deposit, PhotonState& photon, PhotonState& second,
                    RandomGenerator& rng);

// A new direction uniform over the sphere (polar axis x).
void IsotropicDirection(PhotonState& photon, RandomGenerator& rng);
// The direction that IsotropicDirection makes of its two draws r1 (polar) and r2
// (azimuth).
void IsotropicDirectionFrom(PhotonState& photon, double r1, double r2);

} // namespace sim
