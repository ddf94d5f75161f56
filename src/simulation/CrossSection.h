#pragma once
// Mass attenuation coefficients of sodium iodide: the stored table, the working table
// derived from it at compile time, and the linear interpolation in energy.

#include <array>

namespace sim {

// One stored row. Energies in MeV, coefficients in cm^2/g. Only the columns that a
// computation reads are kept: coherent scattering is not simulated, and the totals are
// formed from the modelled interactions at lookup.
struct CrossSectionRow {
    double energy;        // MeV
    double incoherent;    // cm^2/g
    double photoelectric; // cm^2/g
    double pairNuclear;   // cm^2/g, pair production in the nuclear field
    double pairElectron;  // cm^2/g, pair production in the electron field
};

inline constexpr int CrossSectionRows = 95;

// Energy (MeV), incoherent, photoelectric, pair in the nuclear field, pair in the
// electron field (cm^2/g). Rows with equal energies mark an absorption edge: the first
// row of a group holds the values below the edge, the last one those above it.
inline constexpr CrossSectionRow CrossSectionTable[CrossSectionRows] = {
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

// One working row: the columns the lookup reads.
struct AttenuationRow {
    double energy;     // MeV
    double incoherent; // cm^2/g
    double photo;      // cm^2/g
    double pair;       // cm^2/g, nuclear + electron field
};

using AttenuationRows = std::array<AttenuationRow, CrossSectionRows>;

// The working table of the stored one: the pair columns summed.
constexpr AttenuationRows MakeAttenuationTable(const CrossSectionRow (&stored)[CrossSectionRows]) {
    AttenuationRows table{};
    for (int i = 0; i < CrossSectionRows; ++i)
        table[i] = {stored[i].energy, stored[i].incoherent, stored[i].photoelectric,
                    stored[i].pairNuclear + stored[i].pairElectron};
    return table;
}

inline constexpr AttenuationRows AttenuationTable = MakeAttenuationTable(CrossSectionTable);

// Coefficients at one energy, all in cm^2/g; total = compton + photo + pair.
struct Attenuation {
    double compton;
    double pair;
    double photo;
    double total;
};

// Linear interpolation of the working table at energy E (MeV), written whole into
// result. Selects the first interval i with energy(i + 1) >= E, capped at 93.
void LookupAttenuation(double E, Attenuation& result);

// The same lookup with the plain linear scan from row 0; the reference that any
// faster search must agree with.
void LookupAttenuationLinear(double E, Attenuation& result);

} // namespace sim
