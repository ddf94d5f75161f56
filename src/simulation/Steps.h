#pragma once
// The steps of one decay, written once as inline functions and as templates over the
// generator (Lcg32, PhiloxStream or the switchable RandomGenerator). Only the library's own
// files include this: History.cpp builds a whole decay from them for each generator, with
// every step inlined and the generator's state in registers, and the other files give the
// steps one by one, over RandomGenerator, as the headers declare them. Compiled only with
// the library's rounding (every operation as written).

#include "simulation/Binning.h"
#include "simulation/CrossSection.h"
#include "simulation/Photon.h"
#include "simulation/Source.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace sim::steps {

// --- Attenuation ------------------------------------------------------------------------

inline constexpr int LastInterval = CrossSectionRows - 2; // 93: rows 93 and 94

// Interpolates linearly between rows i and i + 1 at energy E (MeV).
inline void Interpolate(int i, double E, Attenuation& result) {
    const AttenuationRow& lo = AttenuationTable[i];
    const AttenuationRow& hi = AttenuationTable[i + 1];
    // Beyond row 0 the search guarantees lo.energy < E, so the denominator is positive;
    // the equality test matters only for row 0 itself.
    double t = (E == lo.energy) ? 0.0 : (E - lo.energy) / (hi.energy - lo.energy);
    result.compton = lo.incoherent + (hi.incoherent - lo.incoherent) * t;
    result.photo = lo.photo + (hi.photo - lo.photo) * t;
    result.pair = lo.pair + (hi.pair - lo.pair) * t;
    result.total = result.compton + result.photo + result.pair;
}

inline void LookupAttenuation(double E, Attenuation& result) {
    // Binary search for the first row k >= 1 whose energy is not below E; the interval
    // starts one row earlier. "energy < E" is true on a prefix of the sorted rows and
    // false for every row when E is NaN, so this picks the same interval as the linear
    // scan in every case, including the cap at the last interval.
    const AttenuationRow* first = AttenuationTable.data() + 1;
    const AttenuationRow* last = AttenuationTable.data() + CrossSectionRows;
    const AttenuationRow* k = std::partition_point(
        first, last, [E](const AttenuationRow& row) { return row.energy < E; });
    int i = std::min(static_cast<int>(k - AttenuationTable.data()) - 1, LastInterval);
    steps::Interpolate(i, E, result);
}

// --- One photon in the crystal ----------------------------------------------------------

inline void Advance(PhotonState& photon, double s) {
    photon.x = photon.x + photon.u * s;
    photon.y = photon.y + photon.v * s;
    photon.z = photon.z + photon.w * s;
}

inline bool InsideDetector(const PhotonState& photon, const DetectorGeometry& geometry) {
    const double dx = photon.x - geometry.x; // cm
    const double dy = photon.y - geometry.y; // cm
    const double dz = photon.z - geometry.z; // cm
    if (std::fabs(dz) > geometry.height) return false;
    return dx * dx + dy * dy <= geometry.radius * geometry.radius;
}

inline bool KahnAttempt(double k, double r1, double r2, double r3, double& eta) {
    if (r1 <= (2 / k + 1) / (2 / k + 9)) {
        eta = 2 * r2 / k + 1;
        return 4 * (1 / eta - 1 / (eta * eta)) >= r3;
    }
    eta = (2 / k + 1) / (2 * r2 / k + 1);
    const double cosine = 1 + k * (1 - eta); // the cosine of this attempt's angle
    return (cosine * cosine + 1 / eta) / 2 >= r3;
}

inline void RotateDirectionBy(PhotonState& photon, double mu, double phi) {
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

template <class Generator> void RotateDirection(PhotonState& photon, double mu, Generator& rng) {
    const double phi = TwoPi * rng.Random(); // azimuth, rad
    steps::RotateDirectionBy(photon, mu, phi);
}

template <class Generator>
void ComptonScatter(double& deposit, PhotonState& photon, Generator& rng) {
    const double E = photon.E;               // MeV
    const double k = ElectronRestEnergy / E; // rest energy over photon energy
    double eta;                              // E / E', between 1 and 1 + 2/k
    for (;;) {
        const double r1 = rng.Random();
        const double r2 = rng.Random();
        const double r3 = rng.Random();
        if (steps::KahnAttempt(k, r1, r2, r3, eta)) break;
    }
    const double Eprime = E / eta; // MeV
    deposit = deposit + E - Eprime;
    photon.E = Eprime;
    const double mu = 1 - (eta - 1) * k; // cosine of the scattering angle
    steps::RotateDirection(photon, mu, rng);
}

inline void IsotropicDirectionFrom(PhotonState& photon, double r1, double r2) {
    photon.u = 2 * r1 - 1;
    const double s = std::sqrt(1 - photon.u * photon.u);
    const double phi = TwoPi * r2; // rad
    photon.v = std::cos(phi) * s;
    photon.w = std::sin(phi) * s;
}

template <class Generator> void IsotropicDirection(PhotonState& photon, Generator& rng) {
    const double r1 = rng.Random();
    const double r2 = rng.Random();
    steps::IsotropicDirectionFrom(photon, r1, r2);
}

template <class Generator>
void PairProduction(double& deposit, PhotonState& photon, PhotonState& second, Generator& rng) {
    deposit = deposit + photon.E - PairThreshold;
    photon.E = ElectronRestEnergy;
    steps::IsotropicDirection(photon, rng);
    second.E = ElectronRestEnergy;
    second.x = photon.x;
    second.y = photon.y;
    second.z = photon.z;
    second.u = -photon.u;
    second.v = -photon.v;
    second.w = -photon.w;
}

// --- Broadening and binning -------------------------------------------------------------

// Truncates toward zero into the 32-bit range: values beyond it saturate, and NaN (only
// from a NaN or negative deposit, which no history produces) gives the lowest value, so
// that it is never counted.
inline std::int32_t TruncateChannel(double v) {
    if (std::isnan(v) || v <= -2147483649.0) return std::numeric_limits<std::int32_t>::min();
    if (v >= 2147483648.0) return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(v);
}

// A standard normal deviate: a half-normal value by rejection from the exponential
// distribution, then a random sign. Draws two values per try and one for the sign.
template <class Generator> double NormalDeviate(Generator& rng) {
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

inline std::int32_t BinBroadened(Spectrum& spectrum, double E, double z, double resolution,
                                 double offset, double gain) {
    const double s = std::sqrt(E) * resolution;
    const double Ebroad = std::fabs(E + z * s / 2000); // MeV, a negative sum reflected
    const double v = Ebroad * gain + offset;           // channel before truncation
    const std::int32_t channel = steps::TruncateChannel(v);
    // A full counter stays full rather than wrapping around.
    if (channel >= 0 && channel < ChannelLimit &&
        spectrum[channel] < std::numeric_limits<std::int32_t>::max())
        ++spectrum[channel];
    return channel;
}

template <class Generator>
std::int32_t BinDeposit(Spectrum& spectrum, double E, double resolution, double offset, double gain,
                        Generator& rng) {
    const double z = steps::NormalDeviate(rng);
    return steps::BinBroadened(spectrum, E, z, resolution, offset, gain);
}

// --- Emission and entry -----------------------------------------------------------------

inline void PickLine(const Source& source, double a, PhotonState& photon) {
    // When no line is picked (a not below the summed weights of the enabled lines) the
    // decay yields this candidate: energy 0 at the origin, direction (0, 0, 0).
    // RunHistory treats a photon of energy 0 as no emission.
    photon = PhotonState{0, 0, 0, 0, 0, 0, 0};
    if (source.EventsPerTick() == 0) return;
    double sum = 0;
    for (const SourceSlot& slot : source.Slots()) {
        if (!slot.enabled) continue;
        for (int i = 0; i < 10; ++i) {
            sum = sum + slot.activity * slot.lineProbability[i];
            if (a < sum) {
                photon.E = slot.lineEnergy[i];
                photon.x = slot.position[0];
                photon.y = slot.position[1];
                photon.z = slot.position[2];
                return;
            }
        }
    }
}

template <class Generator>
void EmitPhoton(const Source& source, PhotonState& photon, Generator& rng) {
    const double a = rng.Random() * source.EventsPerTick();
    steps::PickLine(source, a, photon);
}

inline bool InsideBoundingSphere(const DetectorGeometry& geometry, double x, double y, double z) {
    const double dx = x - geometry.x; // cm
    const double dy = y - geometry.y; // cm
    const double dz = z - geometry.z; // cm
    const double d2 = dx * dx + dy * dy + dz * dz;
    return geometry.boundingRadius * geometry.boundingRadius >= d2;
}

// For a photon from the origin toward a detector on the z axis: true when the photon with
// |w| = w certainly lands outside the radius on the nearer face plane, whatever its
// azimuth. With D the distance to that plane the photon moves t = D / w, and the landing
// point lies t * s from the axis, s = sqrt(q), q = 1 - w^2 exactly as the aiming computes
// it. So it misses when D^2 q > r^2 w^2. The margin of 1e-9 is far larger than the
// relative rounding (some 1e-15) of the cosines, products and sums that EnterDetector's
// own test goes through, so the answer never differs from that test; undecided cases take
// the full path.
inline bool CertainMiss(const DetectorGeometry& geometry, double w) {
    const double dz = 0 - geometry.z; // cm
    const double D = std::min(std::fabs(dz - geometry.height), std::fabs(dz + geometry.height));
    const double q = 1 - w * w;
    const double r2 = geometry.radius * geometry.radius; // cm^2
    return r2 * (w * w) * (1 + 1e-9) < D * D * q;
}

template <class Generator>
void AimTowardDetectorWith(const DetectorGeometry& geometry, PhotonState& photon, double w,
                           Generator& rng) {
    if (geometry.z < photon.z) w = -w;
    const double phi = rng.Random() * TwoPi; // rad
    const double s = std::sqrt(1 - w * w);
    photon.u = std::cos(phi) * s;
    photon.v = std::sin(phi) * s;
    photon.w = w;
}

template <class Generator>
void AimTowardDetector(const DetectorGeometry& geometry, PhotonState& photon, Generator& rng) {
    steps::AimTowardDetectorWith(geometry, photon, rng.Random(), rng);
}

template <class Generator>
void StartPhoton(const Source& source, const DetectorGeometry& geometry, PhotonState& photon,
                 Generator& rng) {
    steps::EmitPhoton(source, photon, rng);
    if (steps::InsideBoundingSphere(geometry, photon.x, photon.y, photon.z))
        photon.E = -1;
    else
        steps::AimTowardDetector(geometry, photon, rng);
}

inline double EnterDetector(const DetectorGeometry& geometry, PhotonState& photon) {
    if (photon.w == 0) return 0;
    const double zc = geometry.z;                                    // cm
    const double h = geometry.height;                                // cm
    const double tPlus = std::fabs((photon.z - zc - h) / photon.w);  // to z = zc + h, cm
    const double tMinus = std::fabs((photon.z - zc + h) / photon.w); // to z = zc - h, cm
    const double t = tPlus < tMinus ? tPlus : tMinus;
    steps::Advance(photon, t);
    return steps::InsideDetector(photon, geometry) ? t : 0;
}

template <class Generator>
Emission EmitIntoDetector(const Source& source, const DetectorGeometry& geometry,
                          PhotonState& photon, Generator& rng) {
    if (!source.AllAtOrigin() || geometry.x != 0 || geometry.y != 0) {
        steps::StartPhoton(source, geometry, photon, rng);
        if (photon.E < 0) return Emission::SourceInside;
        return steps::EnterDetector(geometry, photon) != 0 ? Emission::Entered : Emission::Missed;
    }
    // The photon starts at the origin whatever the line, so the line is picked only for a
    // photon that may enter; the draws stay those of StartPhoton.
    const double a = rng.Random() * source.EventsPerTick(); // the line's draw, as in EmitPhoton
    if (steps::InsideBoundingSphere(geometry, 0, 0, 0)) {
        steps::PickLine(source, a, photon);
        photon.E = -1;
        return Emission::SourceInside;
    }
    const double w = rng.Random();
    if (CertainMiss(geometry, w)) {
        rng.Random(); // the azimuth is drawn all the same
        return Emission::Missed;
    }
    steps::PickLine(source, a, photon);
    steps::AimTowardDetectorWith(geometry, photon, w, rng);
    return steps::EnterDetector(geometry, photon) != 0 ? Emission::Entered : Emission::Missed;
}

} // namespace sim::steps
