// The reference decay: every step written out in full, in the order the draws are taken.

#include "ReferenceHistory.h"

#include "simulation/CrossSection.h"

#include <cmath>

namespace reftest {

namespace {

constexpr double Density = 3.66;        // g/cm^3, sodium iodide
constexpr double Annihilation = 0.511;  // MeV, also the electron rest energy
constexpr double PairThreshold = 1.022; // MeV
constexpr double TwoPi = 6.283185307179586477;
constexpr int ChannelLimit = 4095;

// The working table, derived here from the library's stored table (the one data the two
// share).
struct WorkingRow {
    double energy, incoherent, photo, pair;
};

struct WorkingTable {
    WorkingRow rows[95];
    WorkingTable() {
        for (int i = 0; i < 95; ++i) {
            const sim::CrossSectionRow& stored = sim::CrossSectionTable[i];
            rows[i].energy = stored.energy;
            rows[i].incoherent = stored.incoherent;
            rows[i].photo = stored.photoelectric;
            rows[i].pair = stored.pairNuclear + stored.pairElectron;
        }
    }
};

const WorkingTable Table;

// --- Source ------------------------------------------------------------------------

struct Slot {
    bool enabled;
    double activity;
    double position[3];
    double lineEnergy[10];
    double lineProbability[10];
};

// Slots 1, 2 and 3; only slot 2 is filled.
const Slot Slots[3] = {
    {false, 0, {0, 0, 0}, {}, {}},
    {true, 20000, {0, 0, 0}, {0.662, 2.56, 3.75}, {0.25, 0.4, 0.35}},
    {false, 0, {0, 0, 0}, {}, {}},
};

const std::int32_t EventsPerTick = static_cast<std::int32_t>(Slots[1].activity);

void EmitPhoton(RefPhoton& photon, RefGenerator& random) {
    const double a = random.Next() * EventsPerTick;
    RefPhoton candidate{0, 0, 0, 0, 0, 0, 0};
    photon = candidate;
    if (EventsPerTick == 0) return;
    double sum = 0;
    for (const Slot& slot : Slots) {
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

void AimTowardDetector(const RefGeometry& geometry, RefPhoton& photon, RefGenerator& random) {
    double w = random.Next();
    if (geometry.z < photon.z) w = -w;
    const double phi = random.Next() * TwoPi;
    const double s = std::sqrt(1 - w * w);
    photon.u = std::cos(phi) * s;
    photon.v = std::sin(phi) * s;
    photon.w = w;
}

void StartPhoton(const RefGeometry& geometry, RefPhoton& photon, RefGenerator& random) {
    RefPhoton local;
    EmitPhoton(local, random);
    const double dx = local.x - geometry.x;
    const double dy = local.y - geometry.y;
    const double dz = local.z - geometry.z;
    const double d2 = dx * dx + dy * dy + dz * dz;
    if (geometry.boundingRadius * geometry.boundingRadius >= d2)
        local.E = -1;
    else
        AimTowardDetector(geometry, local, random);
    photon = local;
}

// --- Transport ---------------------------------------------------------------------

// Moves the photon by s (cm) along its direction.
void Advance(RefPhoton& photon, double s) {
    photon.x = photon.x + photon.u * s;
    photon.y = photon.y + photon.v * s;
    photon.z = photon.z + photon.w * s;
}

bool InsideDetector(const RefPhoton& photon, const RefGeometry& geometry) {
    const double dx = photon.x - geometry.x;
    const double dy = photon.y - geometry.y;
    const double dz = photon.z - geometry.z;
    if (std::fabs(dz) > geometry.height) return false;
    return dx * dx + dy * dy <= geometry.radius * geometry.radius;
}

// Moves the photon onto the nearer face plane; the distance moved (cm), 0 for a miss.
double EnterDetector(const RefGeometry& geometry, RefPhoton& photon) {
    if (photon.w == 0) return 0;
    const double zc = geometry.z;
    const double h = geometry.height;
    const double tPlus = std::fabs((photon.z - zc - h) / photon.w);
    const double tMinus = std::fabs((photon.z - zc + h) / photon.w);
    const double t = tPlus < tMinus ? tPlus : tMinus;
    Advance(photon, t);
    if (InsideDetector(photon, geometry)) return t;
    return 0;
}

// Turns the direction by the angle with cosine mu and a random azimuth.
void RotateDirection(RefPhoton& photon, double mu, RefGenerator& random) {
    const double phi = TwoPi * random.Next(); // rad
    const double s = std::sqrt(1 - mu * mu);
    const double u = photon.u;
    const double v = photon.v;
    const double w = photon.w;
    const double rho = std::sqrt(u * u + v * v);
    const double cosPhi = std::cos(phi);
    const double sinPhi = std::sin(phi);
    const double u1 = u * mu + (v / rho) * s * cosPhi + (w * u / rho) * s * sinPhi;
    const double v1 = v * mu - (u / rho) * s * cosPhi + (w * v / rho) * s * sinPhi;
    const double w1 = w * mu - rho * s * sinPhi;
    const double n = std::sqrt(u1 * u1 + v1 * v1 + w1 * w1);
    photon.u = u1 / n;
    photon.v = v1 / n;
    photon.w = w1 / n;
}

// Kahn's method for eta = E / E'; the energy lost (MeV) goes to deposit.
void ComptonScatter(double& deposit, RefPhoton& photon, RefGenerator& random) {
    const double E = photon.E;
    const double k = Annihilation / E;
    double eta = 0;
    for (;;) {
        const double r1 = random.Next();
        const double r2 = random.Next();
        const double r3 = random.Next();
        bool accepted = false;
        if (r1 <= (2 / k + 1) / (2 / k + 9)) {
            eta = 2 * r2 / k + 1;
            accepted = 4 * (1 / eta - 1 / (eta * eta)) >= r3;
        } else {
            eta = (2 / k + 1) / (2 * r2 / k + 1);
            const double m = 1 + k * (1 - eta);
            accepted = (m * m + 1 / eta) / 2 >= r3;
        }
        if (accepted) break;
    }
    const double E1 = E / eta; // MeV
    deposit = deposit + E - E1;
    photon.E = E1;
    const double mu = 1 - (eta - 1) * k;
    RotateDirection(photon, mu, random);
}

void IsotropicDirection(RefPhoton& photon, RefGenerator& random) {
    const double u = 2 * random.Next() - 1;
    const double s = std::sqrt(1 - u * u);
    const double phi = TwoPi * random.Next();
    photon.u = u;
    photon.v = std::cos(phi) * s;
    photon.w = std::sin(phi) * s;
}

void PairProduction(double& deposit, RefPhoton& photon, RefPhoton& second, RefGenerator& random) {
    deposit = deposit + photon.E - PairThreshold;
    photon.E = Annihilation;
    IsotropicDirection(photon, random);
    second = {Annihilation, photon.x, photon.y, photon.z, -photon.u, -photon.v, -photon.w};
}

// One free path: lookup, draw, move, test.
bool SampleStep(RefPhoton& photon, RefAttenuation& att, const RefGeometry& geometry,
                RefGenerator& random) {
    att = RefLookupAttenuation(photon.E);
    const double xi = random.Next();
    const double s = std::log(1 - xi) * (-1 / att.total) / Density; // cm
    Advance(photon, s);
    return InsideDetector(photon, geometry);
}

// --- Binning -----------------------------------------------------------------------

// Broadens the deposit E (MeV), counts its channel below 4095 and returns the channel.
std::int32_t BinDeposit(RefSpectrum& spectrum, double E, double resolution, double offset,
                        double gain, RefGenerator& random) {
    double x = 0;
    for (;;) {
        const double r1 = random.Next();
        x = -std::log(1 - r1) - 1;
        const double r2 = random.Next();
        double y = 0;
        if (std::fabs(x) < 8)
            y = std::exp(-x * x / 2);
        else
            y = r2;
        if (y > r2) break;
    }
    double z = x + 1;
    const double r3 = random.Next();
    if (r3 < 0.5) z = -z;
    const double s = std::sqrt(E) * resolution;
    const double broadened = std::fabs(E + z * s / 2000); // MeV
    const double v = broadened * gain + offset;
    const auto channel = static_cast<std::int32_t>(v);
    if (channel >= 0 && channel < ChannelLimit) spectrum[channel] = spectrum[channel] + 1;
    return channel;
}

} // namespace

double RefGenerator::Next() {
    seed = seed * 134775813u + 1u;
    return seed / 4294967296.0;
}

RefAttenuation RefLookupAttenuation(double E) {
    const WorkingRow* row = Table.rows;
    int i = 0;
    while (row[i + 1].energy < E && i < 93)
        i = i + 1;
    double t = 0;
    if (E == row[i].energy)
        t = 0;
    else
        t = (E - row[i].energy) / (row[i + 1].energy - row[i].energy);
    RefAttenuation result;
    result.compton = row[i].incoherent + (row[i + 1].incoherent - row[i].incoherent) * t;
    result.photo = row[i].photo + (row[i + 1].photo - row[i].photo) * t;
    result.pair = row[i].pair + (row[i + 1].pair - row[i].pair) * t;
    result.total = result.compton + result.photo + result.pair;
    return result;
}

// The stages of one history, taken in turn until the history is binned.
enum class Stage {
    FreePath,         // sample a step for the current photon
    TakeUpIfEscaped,  // an escaped photon hands over to a pending one
    CheckInside,      // an escaped photon ends the transport
    Interact,         // choose and perform an interaction
    AfterInteraction, // go on stepping, take up the pending photon, or end
    Bin,              // count the deposit
};

RefHistory RefRunHistory(const RefGeometry& geometry, const RefCalibration& calibration,
                         RefSpectrum& spectrum, RefGenerator& random) {
    RefHistory history;

    double deposited = 0; // MeV
    bool energyDeposited = false;
    bool pending = false;
    RefPhoton photon{};
    RefPhoton second{}; // the pending annihilation photon
    RefAttenuation att{};
    bool inside = false;

    StartPhoton(geometry, photon, random);
    if (photon.E < 0) {
        history.outcome = RefOutcome::SourceInside;
        return history;
    }
    if (EnterDetector(geometry, photon) == 0) return history;

    // The take-up of the pending annihilation photon: it starts where it was made, with
    // its own direction, and takes its first step at once.
    auto takeUp = [&] {
        pending = false;
        photon.x = second.x, photon.y = second.y, photon.z = second.z;
        photon.u = second.u, photon.v = second.v, photon.w = second.w;
        energyDeposited = true;
        photon.E = Annihilation;
        inside = SampleStep(photon, att, geometry, random);
    };

    Stage stage = Stage::FreePath;
    while (stage != Stage::Bin) {
        switch (stage) {
        case Stage::FreePath:
            inside = SampleStep(photon, att, geometry, random);
            stage = Stage::TakeUpIfEscaped;
            break;
        case Stage::TakeUpIfEscaped:
            if (!inside && pending) takeUp();
            stage = Stage::CheckInside;
            break;
        case Stage::CheckInside:
            stage = inside ? Stage::Interact : Stage::Bin;
            break;
        case Stage::Interact: {
            const double xi = random.Next();
            if (att.photo / att.total > xi) {
                deposited = deposited + photon.E;
                photon.E = 0;
            } else if ((att.photo + att.compton) / att.total > xi) {
                ComptonScatter(deposited, photon, random);
            } else {
                PairProduction(deposited, photon, second, random);
                pending = true;
            }
            energyDeposited = true;
            stage = Stage::AfterInteraction;
            break;
        }
        case Stage::AfterInteraction:
            if (photon.E != 0) {
                stage = Stage::FreePath;
            } else if (pending) {
                takeUp();
                stage = Stage::CheckInside;
            } else {
                stage = Stage::Bin;
            }
            break;
        case Stage::Bin:
            break;
        }
    }

    history.depositedEnergy = deposited;
    history.energyDeposited = energyDeposited;
    if (!energyDeposited) {
        history.outcome = RefOutcome::NoDeposit;
        return history;
    }
    history.channel = BinDeposit(spectrum, deposited, calibration.resolution, calibration.offset,
                                 calibration.gain, random);
    const bool counted = history.channel >= 0 && history.channel < ChannelLimit;
    history.outcome = counted ? RefOutcome::Counted : RefOutcome::NotCounted;
    return history;
}

} // namespace reftest
