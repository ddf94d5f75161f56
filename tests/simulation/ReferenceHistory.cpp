// The reference decay: every step written out in full, in the order the draws are taken.

#include "ReferenceHistory.h"

#include <cmath>

namespace reftest {

namespace {

constexpr double Density = 3.66;        // g/cm^3, sodium iodide
constexpr double Annihilation = 0.511;  // MeV, also the electron rest energy
constexpr double PairThreshold = 1.022; // MeV
constexpr double TwoPi = 6.283185307179586477;
constexpr int ChannelLimit = 4095;

// The stored table: energy (MeV), incoherent, photoelectric, pair in the nuclear field
// and pair in the electron field (cm^2/g).
struct StoredRow {
    double energy, incoherent, photoelectric, pairNuclear, pairElectron;
};

constexpr StoredRow Stored[95] = {
    {0.001, 0.00592, 7790, 0, 0},                  // 0
    {0.001035, 0.00624, 7250, 0, 0},               // 1
    {0.001072, 0.00659, 6740, 0, 0},               // 2
    {0.001072, 0.00659, 7020, 0, 0},               // 3
    {0.001072, 0.00659, 7920, 0, 0},               // 4
    {0.001072, 0.00659, 7020, 0, 0},               // 5
    {0.001072, 0.00659, 7920, 0, 0},               // 6
    {0.0015, 0.0107, 3800, 0, 0},                  // 7
    {0.002, 0.0154, 1920, 0, 0},                   // 8
    {0.003, 0.0246, 700, 0, 0},                    // 9
    {0.004, 0.0329, 335, 0, 0},                    // 10
    {0.004557, 0.0371, 239, 0, 0},                 // 11
    {0.004557, 0.0371, 659, 0, 0},                 // 12
    {0.004702, 0.0382, 617, 0, 0},                 // 13
    {0.004852, 0.0392, 577, 0, 0},                 // 14
    {0.004852, 0.0392, 772, 0, 0},                 // 15
    {0.005, 0.0403, 728, 0, 0},                    // 16
    {0.005188, 0.0416, 661, 0, 0},                 // 17
    {0.005188, 0.0416, 760, 0, 0},                 // 18
    {0.006, 0.0468, 530, 0, 0},                    // 19
    {0.008, 0.058, 249, 0, 0},                     // 20
    {0.01, 0.0673, 138, 0, 0},                     // 21
    {0.015, 0.0841, 45.7, 0, 0},                   // 22
    {0.02, 0.0946, 20.6, 0, 0},                    // 23
    {0.03, 0.107, 6.61, 0, 0},                     // 24
    {0.03317, 0.109, 4.97, 0, 0},                  // 25
    {0.03317, 0.109, 29.8, 0, 0},                  // 26
    {0.04, 0.113, 18.2, 0, 0},                     // 27
    {0.05, 0.116, 10.1, 0, 0},                     // 28
    {0.06, 0.117, 6.11, 0, 0},                     // 29
    {0.08, 0.116, 2.75, 0, 0},                     // 30
    {0.1, 0.114, 1.46, 0, 0},                      // 31
    {0.15, 0.107, 0.459, 0, 0},                    // 32
    {0.2, 0.1, 0.202, 0, 0},                       // 33
    {0.3, 0.0886, 0.0648, 0, 0},                   // 34
    {0.4, 0.0801, 0.0299, 0, 0},                   // 35
    {0.5, 0.0735, 0.0168, 0, 0},                   // 36
    {0.6, 0.0682, 0.0108, 0, 0},                   // 37
    {0.8, 0.0601, 0.00559, 0, 0},                  // 38
    {1, 0.0541, 0.00349, 0, 0},                    // 39
    {1.022, 0.0536, 0.00332, 0, 0},                // 40
    {1.25, 0.0485, 0.00224, 0.000163, 0},          // 41
    {1.5, 0.0441, 0.0016, 0.000759, 0},            // 42
    {2, 0.0376, 0.000976, 0.00257, 0},             // 43
    {2.044, 0.0372, 0.000942, 0.00275, 0},         // 44
    {3, 0.0296, 0.000518, 0.00652, 1.04e-05},      // 45
    {4, 0.0247, 0.000343, 0.01, 4.23e-05},         // 46
    {5, 0.0214, 0.000253, 0.013, 8.42e-05},        // 47
    {6, 0.0189, 0.0002, 0.0156, 0.000129},         // 48
    {7, 0.017, 0.000165, 0.018, 0.000174},         // 49
    {8, 0.0154, 0.00014, 0.02, 0.000217},          // 50
    {9, 0.0142, 0.000121, 0.0219, 0.000259},       // 51
    {10, 0.0132, 0.000107, 0.0237, 0.000298},      // 52
    {11, 0.0123, 9.56e-05, 0.0253, 0.000336},      // 53
    {12, 0.0115, 8.65e-05, 0.0267, 0.000371},      // 54
    {13, 0.0108, 7.89e-05, 0.0281, 0.000404},      // 55
    {14, 0.0103, 7.25e-05, 0.0294, 0.000436},      // 56
    {15, 0.00974, 6.71e-05, 0.0305, 0.000465},     // 57
    {16, 0.00927, 6.24e-05, 0.0316, 0.000494},     // 58
    {18, 0.00847, 5.47e-05, 0.0336, 0.000546},     // 59
    {20, 0.00781, 4.87e-05, 0.0354, 0.000594},     // 60
    {22, 0.00726, 4.39e-05, 0.037, 0.000638},      // 61
    {24, 0.00678, 4e-05, 0.0385, 0.000678},        // 62
    {26, 0.00637, 3.67e-05, 0.0398, 0.000716},     // 63
    {28, 0.00601, 3.39e-05, 0.041, 0.00075},       // 64
    {30, 0.00569, 3.15e-05, 0.0422, 0.000783},     // 65
    {40, 0.00452, 2.32e-05, 0.0468, 0.000916},     // 66
    {50, 0.00377, 1.84e-05, 0.0502, 0.00102},      // 67
    {60, 0.00325, 1.52e-05, 0.0528, 0.0011},       // 68
    {80, 0.00256, 1.13e-05, 0.0567, 0.00122},      // 69
    {100, 0.00213, 9e-06, 0.0595, 0.00131},        // 70
    {150, 0.00152, 5.96e-06, 0.064, 0.00146},      // 71
    {200, 0.00119, 4.45e-06, 0.0666, 0.00155},     // 72
    {300, 0.000842, 2.96e-06, 0.0697, 0.00167},    // 73
    {400, 0.00066, 2.22e-06, 0.0715, 0.00174},     // 74
    {500, 0.000546, 1.77e-06, 0.0727, 0.00178},    // 75
    {600, 0.000467, 1.47e-06, 0.0735, 0.00182},    // 76
    {800, 0.000365, 1.1e-06, 0.0746, 0.00187},     // 77
    {1000, 0.0003, 8.83e-07, 0.0754, 0.0019},      // 78
    {1500, 0.00021, 5.89e-07, 0.0764, 0.00195},    // 79
    {2000, 0.000162, 4.41e-07, 0.077, 0.00197},    // 80
    {3000, 0.000113, 2.94e-07, 0.0776, 0.002},     // 81
    {4000, 8.71e-05, 2.21e-07, 0.0779, 0.00202},   // 82
    {5000, 7.13e-05, 1.76e-07, 0.0782, 0.00203},   // 83
    {6000, 6.04e-05, 1.47e-07, 0.0783, 0.00204},   // 84
    {8000, 4.65e-05, 1.1e-07, 0.0785, 0.00205},    // 85
    {10000, 3.8e-05, 8.82e-08, 0.0786, 0.00206},   // 86
    {15000, 2.63e-05, 5.88e-08, 0.0788, 0.00206},  // 87
    {20000, 2.02e-05, 4.41e-08, 0.0789, 0.00207},  // 88
    {30000, 1.39e-05, 2.94e-08, 0.079, 0.00207},   // 89
    {40000, 1.07e-05, 2.2e-08, 0.079, 0.00208},    // 90
    {50000, 8.71e-06, 1.76e-08, 0.0791, 0.00208},  // 91
    {60000, 7.36e-06, 1.47e-08, 0.0791, 0.00208},  // 92
    {80000, 5.64e-06, 1.1e-08, 0.0791, 0.00208},   // 93
    {100000, 4.59e-06, 8.82e-09, 0.0791, 0.00208}, // 94
};

// The working table derived from the stored one, as at start-up.
struct WorkingRow {
    double energy, incoherent, photo, pair;
};

struct WorkingTable {
    WorkingRow rows[95];
    WorkingTable() {
        for (int i = 0; i < 95; ++i) {
            rows[i].energy = Stored[i].energy;
            rows[i].incoherent = Stored[i].incoherent;
            rows[i].photo = Stored[i].photoelectric;
            rows[i].pair = Stored[i].pairNuclear + Stored[i].pairElectron;
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
