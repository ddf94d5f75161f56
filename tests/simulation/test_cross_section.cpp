// The attenuation table and its lookup.

#include "simulation/CrossSection.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

namespace {

using sim::Attenuation;
using sim::CrossSectionRows;
using sim::CrossSectionTable;

TEST(CrossSection, StoredTableIsOrderedAndPairOpensAtItsThresholds) {
    EXPECT_EQ(CrossSectionTable[0].energy, 0.001);
    EXPECT_EQ(CrossSectionTable[CrossSectionRows - 1].energy, 100000);
    for (int i = 1; i < CrossSectionRows; ++i)
        EXPECT_LE(CrossSectionTable[i - 1].energy, CrossSectionTable[i].energy) << "row " << i;
    for (int i = 0; i < CrossSectionRows; ++i) {
        const auto& row = CrossSectionTable[i];
        if (row.energy <= 1.022) {
            EXPECT_EQ(row.pairNuclear, 0) << "row " << i;
        } else {
            EXPECT_GT(row.pairNuclear, 0) << "row " << i;
        }
        if (row.energy <= 2.044) {
            EXPECT_EQ(row.pairElectron, 0) << "row " << i;
        }
    }
    // The edge groups: rows 2-6, 11-12, 14-15, 17-18, 25-26.
    EXPECT_EQ(CrossSectionTable[2].energy, CrossSectionTable[6].energy);
    EXPECT_EQ(CrossSectionTable[25].energy, CrossSectionTable[26].energy);
    EXPECT_EQ(CrossSectionTable[25].photoelectric, 4.97);
    EXPECT_EQ(CrossSectionTable[26].photoelectric, 29.8);
}

struct Expected {
    double E, compton, pair, photo, total; // MeV, cm^2/g
};

TEST(CrossSection, InterpolatesKnownEnergies) {
    const Expected cases[] = {
        {0.662, 0.065689, 0, 0.0091849, 0.0748739},
        {0.511, 0.072917, 0, 0.01614, 0.089057},
        {2.56, 0.0330979, 0.00479047, 0.000713146, 0.0386015},
        {3.75, 0.025925, 0.00916433, 0.00038675, 0.0354761},
        {2, 0.0376, 0.00257, 0.000976, 0.041146},
        {1.022, 0.0536, 0, 0.00332, 0.05692},
        {0.03317, 0.109, 0, 4.97, 5.079},
        {0.0332, 0.109018, 0, 29.749, 29.8581},
        {0.001072, 0.00659, 0, 6740, 6740.00659},
        {0.0011, 0.00685888, 0, 7650.47, 7650.47},
        {0.001, 0.00592, 0, 7790, 7790.00592},
        {0.0005, 0.00134857, 0, 15504.3, 15504.3},
        {150000, 1.965e-06, 0.08118, 3.37e-09, 0.0811819684}, // rows 93 and 94, t = 3.5
    };
    for (const Expected& c : cases) {
        Attenuation att{};
        sim::LookupAttenuation(c.E, att);
        const auto near = [](double expected) { return std::fabs(expected) * 1e-5 + 1e-12; };
        EXPECT_NEAR(att.compton, c.compton, near(c.compton)) << "E = " << c.E;
        EXPECT_NEAR(att.pair, c.pair, near(c.pair)) << "E = " << c.E;
        EXPECT_NEAR(att.photo, c.photo, near(c.photo)) << "E = " << c.E;
        EXPECT_NEAR(att.total, c.total, near(c.total)) << "E = " << c.E;
        EXPECT_EQ(att.total, att.compton + att.photo + att.pair) << "E = " << c.E;
    }
}

TEST(CrossSection, EdgeEnergiesTakeTheBelowEdgeRowAndJumpJustAbove) {
    Attenuation at{};
    Attenuation above{};
    sim::LookupAttenuation(0.001072, at);
    sim::LookupAttenuation(std::nextafter(0.001072, 1.0), above);
    EXPECT_NEAR(at.photo, 6740, 1e-9);
    EXPECT_NEAR(above.photo, 7920, 1e-6);
    // The first row is met exactly (t = 0) and has no coherent part in the total.
    sim::LookupAttenuation(0.001, at);
    EXPECT_EQ(at.photo, 7790);
    EXPECT_EQ(at.total, 0.00592 + 7790.0);
    // Pair production opens only above 1.022 MeV.
    sim::LookupAttenuation(1.022, at);
    sim::LookupAttenuation(std::nextafter(1.022, 2.0), above);
    EXPECT_EQ(at.pair, 0);
    EXPECT_GT(above.pair, 0);
}

bool SameBits(const Attenuation& a, const Attenuation& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// The faster search must select exactly the interval of the linear scan, which the
// bitwise equality of the results shows.
TEST(CrossSection, FastSearchAgreesWithLinearScanEverywhere) {
    std::vector<double> energies = {0.0,
                                    -1.0,
                                    1e-9,
                                    0.0009999,
                                    150000,
                                    1e300,
                                    std::numeric_limits<double>::infinity(),
                                    -std::numeric_limits<double>::infinity(),
                                    std::numeric_limits<double>::quiet_NaN(),
                                    std::numeric_limits<double>::denorm_min()};
    for (int i = 0; i < CrossSectionRows; ++i) {
        const double e = CrossSectionTable[i].energy;
        energies.push_back(e);
        energies.push_back(std::nextafter(e, 0.0));
        energies.push_back(std::nextafter(e, 1e9));
    }
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> logE(std::log(1e-5), std::log(1e6));
    for (int i = 0; i < 200000; ++i)
        energies.push_back(std::exp(logE(rng)));

    for (double E : energies) {
        Attenuation fast{};
        Attenuation linear{};
        sim::LookupAttenuation(E, fast);
        sim::LookupAttenuationLinear(E, linear);
        if (std::isnan(E)) {
            EXPECT_TRUE(std::isnan(fast.total)) << "NaN in, NaN out";
            EXPECT_TRUE(std::isnan(linear.total));
        } else {
            EXPECT_TRUE(SameBits(fast, linear)) << "E = " << E;
        }
    }
}

} // namespace
