// The radiation source, the emission toward the detector and the entry into the crystal.

#include "simulation/Source.h"

#include "simulation/Random.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace sim {

SourceSlot Sources[3] = {};

// Already 20000 at start-up; recomputed from slot 2 at every start of an acquisition.
std::int32_t EventsPerTick = 20000;

void InitSources(RandomGenerator& rng) {
    SourceSlot& slot = Sources[1];
    slot.enabled = true;
    slot.activity = 20000;
    slot.position[0] = 0;
    slot.position[1] = 0;
    slot.position[2] = 0;
    for (int i = 0; i < 10; ++i) {
        slot.lineEnergy[i] = 0;
        slot.lineProbability[i] = 0;
    }
    slot.lineEnergy[0] = 0.662;
    slot.lineProbability[0] = 0.25;
    slot.lineEnergy[1] = 2.56;
    slot.lineProbability[1] = 0.4;
    slot.lineEnergy[2] = 3.75;
    slot.lineProbability[2] = 0.35;
    rng.SetSeed(ClockSeed());
}

void ComputeEventsPerTick() {
    // Truncation toward zero; an activity outside the 32-bit range saturates instead of
    // overflowing (the built-in source has 20000).
    const double activity = Sources[1].activity; // decays per tick
    if (std::isnan(activity))
        EventsPerTick = 0;
    else if (activity <= -2147483649.0)
        EventsPerTick = std::numeric_limits<std::int32_t>::min();
    else if (activity >= 2147483648.0)
        EventsPerTick = std::numeric_limits<std::int32_t>::max();
    else
        EventsPerTick = static_cast<std::int32_t>(activity);
}

void EmitPhoton(PhotonState& photon, RandomGenerator& rng) {
    const double a = rng.Random() * EventsPerTick;
    PickLine(a, photon);
}

void PickLine(double a, PhotonState& photon) {
    // When no line is picked (a not below the summed weights of the enabled lines) the
    // decay yields this candidate: energy 0 at the origin, direction (0, 0, 0).
    // RunHistory treats a photon of energy 0 as no emission.
    photon = PhotonState{0, 0, 0, 0, 0, 0, 0};
    if (EventsPerTick == 0) return;
    double sum = 0;
    for (const SourceSlot& slot : Sources) {
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

bool InsideBoundingSphere(const DetectorGeometry& geometry, double x, double y, double z) {
    const double dx = x - geometry.x; // cm
    const double dy = y - geometry.y; // cm
    const double dz = z - geometry.z; // cm
    const double d2 = dx * dx + dy * dy + dz * dz;
    return geometry.boundingRadius * geometry.boundingRadius >= d2;
}

namespace {

// True when every slot lies at the origin: then every decay starts there, whichever
// line it picks or if it picks none.
bool AllSourcesAtOrigin() {
    for (const SourceSlot& slot : Sources)
        if (slot.position[0] != 0 || slot.position[1] != 0 || slot.position[2] != 0) return false;
    return true;
}

// For a photon from the origin toward a detector on the z axis: true when the photon
// with |w| = w certainly lands outside the radius on the nearer face plane, whatever
// its azimuth. With D the distance to that plane the photon moves t = D / w, and the
// landing point lies t * s from the axis, s = sqrt(q), q = 1 - w^2 exactly as the
// aiming computes it. So it misses when D^2 q > r^2 w^2. The margin of 1e-9 is far
// larger than the relative rounding (some 1e-15) of the cosines, products and sums
// that EnterDetector's own test goes through, so the answer never differs from that
// test; undecided cases take the full path.
bool CertainMiss(const DetectorGeometry& geometry, double w) {
    const double dz = 0 - geometry.z; // cm
    const double D = std::min(std::fabs(dz - geometry.height), std::fabs(dz + geometry.height));
    const double q = 1 - w * w;
    const double r2 = geometry.radius * geometry.radius; // cm^2
    return r2 * (w * w) * (1 + 1e-9) < D * D * q;
}

} // namespace

void StartPhoton(const DetectorGeometry& geometry, PhotonState& photon, RandomGenerator& rng) {
    EmitPhoton(photon, rng);
    if (InsideBoundingSphere(geometry, photon.x, photon.y, photon.z))
        photon.E = -1;
    else
        AimTowardDetector(geometry, photon, rng);
}

void AimTowardDetector(const DetectorGeometry& geometry, PhotonState& photon,
                       RandomGenerator& rng) {
    AimTowardDetectorWith(geometry, photon, rng.Random(), rng);
}

void AimTowardDetectorWith(const DetectorGeometry& geometry, PhotonState& photon, double w,
                           RandomGenerator& rng) {
    if (geometry.z < photon.z) w = -w;
    const double phi = rng.Random() * TwoPi; // rad
    const double s = std::sqrt(1 - w * w);
    photon.u = std::cos(phi) * s;
    photon.v = std::sin(phi) * s;
    photon.w = w;
}

Emission EmitIntoDetector(const DetectorGeometry& geometry, PhotonState& photon,
                          RandomGenerator& rng) {
    if (!AllSourcesAtOrigin() || geometry.x != 0 || geometry.y != 0) {
        StartPhoton(geometry, photon, rng);
        if (photon.E < 0) return Emission::SourceInside;
        return EnterDetector(geometry, photon) != 0 ? Emission::Entered : Emission::Missed;
    }
    // The photon starts at the origin whatever the line, so the line is picked only for a
    // photon that may enter; the draws stay those of StartPhoton.
    const double a = rng.Random() * EventsPerTick; // the line's draw, as in EmitPhoton
    if (InsideBoundingSphere(geometry, 0, 0, 0)) {
        PickLine(a, photon);
        photon.E = -1;
        return Emission::SourceInside;
    }
    const double w = rng.Random();
    if (CertainMiss(geometry, w)) {
        rng.Random(); // the azimuth is drawn all the same
        return Emission::Missed;
    }
    PickLine(a, photon);
    AimTowardDetectorWith(geometry, photon, w, rng);
    return EnterDetector(geometry, photon) != 0 ? Emission::Entered : Emission::Missed;
}

double ComputeBoundingRadius(const DetectorGeometry& geometry) {
    return std::sqrt(geometry.height * geometry.height + geometry.radius * geometry.radius);
}

double EnterDetector(const DetectorGeometry& geometry, PhotonState& photon) {
    if (photon.w == 0) return 0;
    const double zc = geometry.z;                                    // cm
    const double h = geometry.height;                                // cm
    const double tPlus = std::fabs((photon.z - zc - h) / photon.w);  // to z = zc + h, cm
    const double tMinus = std::fabs((photon.z - zc + h) / photon.w); // to z = zc - h, cm
    const double t = tPlus < tMinus ? tPlus : tMinus;
    Advance(photon, t);
    return InsideDetector(photon, geometry) ? t : 0;
}

} // namespace sim
