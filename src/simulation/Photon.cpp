// The physics steps of one photon in the crystal.

#include "simulation/Photon.h"

#include "simulation/Random.h"

#include <algorithm>
#include <cmath>

namespace sim {

void Advance(PhotonState& photon, double s) {
    photon.x = photon.x + photon.u * s;
    photon.y = photon.y + photon.v * s;
    photon.z = photon.z + photon.w * s;
}

bool InsideDetector(const PhotonState& photon, const DetectorGeometry& geometry) {
    const double dx = photon.x - geometry.x; // cm
    const double dy = photon.y - geometry.y; // cm
    const double dz = photon.z - geometry.z; // cm
    if (std::fabs(dz) > geometry.height) return false;
    return dx * dx + dy * dy <= geometry.radius * geometry.radius;
}

bool KahnAttempt(double k, double r1, double r2, double r3, double& eta) {
    if (r1 <= (2 / k + 1) / (2 / k + 9)) {
        eta = 2 * r2 / k + 1;
        return 4 * (1 / eta - 1 / (eta * eta)) >= r3;
    }
    eta = (2 / k + 1) / (2 * r2 / k + 1);
    const double cosine = 1 + k * (1 - eta); // the cosine of this attempt's angle
    return (cosine * cosine + 1 / eta) / 2 >= r3;
}

void ComptonScatter(double& deposit, PhotonState& photon, RandomGenerator& rng) {
    const double E = photon.E;               // MeV
    const double k = ElectronRestEnergy / E; // rest energy over photon energy
    double eta;                              // E / E', between 1 and 1 + 2/k
    for (;;) {
        const double r1 = rng.Random();
        const double r2 = rng.Random();
        const double r3 = rng.Random();
        if (KahnAttempt(k, r1, r2, r3, eta)) break;
    }
    const double Eprime = E / eta; // MeV
    deposit = deposit + E - Eprime;
    photon.E = Eprime;
    const double mu = 1 - (eta - 1) * k; // cosine of the scattering angle
    RotateDirection(photon, mu, rng);
}

void RotateDirection(PhotonState& photon, double mu, RandomGenerator& rng) {
    const double phi = TwoPi * rng.Random(); // azimuth, rad
    RotateDirectionBy(photon, mu, phi);
}

void RotateDirectionBy(PhotonState& photon, double mu, double phi) {
    // Rounding can put mu a hair outside [-1, 1] at backscattering; the sine is then 0,
    // not NaN.
    const double s = std::sqrt(std::max(0.0, 1 - mu * mu));
    const double u = photon.u;
    const double v = photon.v;
    const double w = photon.w;
    const double rho = std::sqrt(u * u + v * v);
    const double cosPhi = std::cos(phi);
    const double sinPhi = std::sin(phi);
    double u1;
    double v1;
    double w1;
    if (rho != 0) {
        // Azimuth measured from (v, -u, 0) / rho toward (u w, v w, -rho^2) / rho.
        u1 = u * mu + (v / rho) * s * cosPhi + (w * u / rho) * s * sinPhi;
        v1 = v * mu - (u / rho) * s * cosPhi + (w * v / rho) * s * sinPhi;
        w1 = w * mu - rho * s * sinPhi;
    } else {
        // Along the z axis the frame above is undefined; measure the azimuth from the
        // x axis toward (0, w, 0), which keeps the same handedness.
        u1 = s * cosPhi;
        v1 = w * s * sinPhi;
        w1 = w * mu;
    }
    const double n = std::sqrt(u1 * u1 + v1 * v1 + w1 * w1);
    photon.u = u1 / n;
    photon.v = v1 / n;
    photon.w = w1 / n;
}

void PairProduction(double& deposit, PhotonState& photon, PhotonState& second,
                    RandomGenerator& rng) {
    deposit = deposit + photon.E - PairThreshold;
    photon.E = ElectronRestEnergy;
    IsotropicDirection(photon, rng);
    second.E = ElectronRestEnergy;
    second.x = photon.x;
    second.y = photon.y;
    second.z = photon.z;
    second.u = -photon.u;
    second.v = -photon.v;
    second.w = -photon.w;
}

void IsotropicDirection(PhotonState& photon, RandomGenerator& rng) {
    const double r1 = rng.Random();
    const double r2 = rng.Random();
    IsotropicDirectionFrom(photon, r1, r2);
}

void IsotropicDirectionFrom(PhotonState& photon, double r1, double r2) {
    photon.u = 2 * r1 - 1;
    const double s = std::sqrt(1 - photon.u * photon.u);
    const double phi = TwoPi * r2; // rad
    photon.v = std::cos(phi) * s;
    photon.w = std::sin(phi) * s;
}

} // namespace sim
