// The batch tool's library parts: arguments, geometry, run length, file layouts and the
// replace-when-complete file write.

#include "tools/SimCli.h"

#include "simulation/CrossSection.h"
#include "simulation/Random.h"
#include "simulation/Source.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using simcli::ParseArguments;

simcli::ParseResult Parse(std::vector<std::string_view> args) {
    return ParseArguments(args);
}

TEST(SimCliArguments, DefaultsMatchTheDetectorWindow) {
    const auto r = Parse({});
    ASSERT_EQ(r.error, "");
    EXPECT_FALSE(r.options.decaysGiven);
    EXPECT_EQ(r.options.seconds, 10);
    EXPECT_FALSE(r.options.seed.has_value());
    EXPECT_EQ(r.options.distance, 8.5);
    EXPECT_EQ(r.options.height, 3);
    EXPECT_EQ(r.options.radius, 3);
    EXPECT_EQ(r.options.resolution, 20);
    EXPECT_EQ(r.options.format, simcli::OutputFormat::Csv);
    EXPECT_EQ(r.options.output, "");
}

TEST(SimCliArguments, EveryOptionInBothForms) {
    const auto r =
        Parse({"--decays", "1e6", "--seed=4294967295", "--distance", "3", "--height=2.5",
               "--radius", "1", "--resolution=0", "--format", "spe", "--output=out.spe"});
    ASSERT_EQ(r.error, "");
    EXPECT_TRUE(r.options.decaysGiven);
    EXPECT_EQ(r.options.decays, 1000000u);
    EXPECT_EQ(*r.options.seed, 4294967295u);
    EXPECT_EQ(r.options.distance, 3);
    EXPECT_EQ(r.options.height, 2.5);
    EXPECT_EQ(r.options.radius, 1);
    EXPECT_EQ(r.options.resolution, 0);
    EXPECT_EQ(r.options.format, simcli::OutputFormat::Spe);
    EXPECT_EQ(r.options.output, "out.spe");

    EXPECT_EQ(Parse({"--seconds", "2.5"}).options.seconds, 2.5);
    EXPECT_EQ(Parse({"--seed", "0"}).options.seed, 0u);
    EXPECT_TRUE(Parse({"--help"}).options.help);
}

TEST(SimCliArguments, BadInputIsNamed) {
    const struct {
        std::vector<std::string_view> args;
        const char* mentions;
    } cases[] = {
        {{"--frobnicate"}, "--frobnicate"},
        {{"--frobnicate=1"}, "--frobnicate"},
        {{"-x"}, "-x"},
        {{"spectrum.csv"}, "spectrum.csv"},
        {{"--seconds"}, "needs a value"},
        {{"--seconds", "ten"}, "ten"},
        {{"--seconds", "0"}, "above 0"},
        {{"--seconds", "-1"}, "above 0"},
        {{"--seconds", "0.05"}, "0.1 s"},
        {{"--seconds", "1e14"}, "too long"},
        {{"--decays", "0"}, "--decays"},
        {{"--decays", "-3"}, "--decays"},
        {{"--decays", "2.5"}, "whole number"},
        {{"--decays", "1e16"}, "whole number"},
        {{"--decays", "12 "}, "--decays"},
        {{"--seed", "4294967296"}, "4294967295"},
        {{"--seed", "-1"}, "--seed"},
        {{"--seed", "$FF"}, "--seed"},
        {{"--seed", "1e-400"}, "--seed"}, // not 0: too small for a number
        {{"--height", "0"}, "--height"},
        {{"--radius", "-2"}, "--radius"},
        {{"--distance", ""}, "--distance"},
        {{"--distance", "1e999"}, "--distance"},
        {{"--resolution", "-1"}, "negative"},
        {{"--format", "CSV"}, "CSV"},
        {{"--output="}, "empty"},
        {{"--seconds", "1", "--decays", "5"}, "exclude"},
    };
    for (const auto& c : cases) {
        const auto r = ParseArguments(c.args);
        EXPECT_NE(r.error.find(c.mentions), std::string::npos)
            << "error \"" << r.error << "\" should mention " << c.mentions;
        EXPECT_EQ(r.error.find('\n'), std::string::npos) << "one line";
    }
}

TEST(SimCliGeometry, CentreLiesHalfAHeightBehindTheShownDistance) {
    simcli::Options o;
    const sim::DetectorGeometry g = simcli::MakeGeometry(o);
    EXPECT_EQ(g.x, 0);
    EXPECT_EQ(g.y, 0);
    EXPECT_EQ(g.z, 10);
    EXPECT_EQ(g.height, 3);
    EXPECT_DOUBLE_EQ(g.boundingRadius, std::sqrt(18.0));
    EXPECT_EQ(simcli::CheckGeometry(g), "");

    o.distance = 3; // the closest the bench allows: centre 4.5 cm against 4.243 cm
    EXPECT_EQ(simcli::CheckGeometry(simcli::MakeGeometry(o)), "");
    o.distance = 2.5;
    EXPECT_NE(simcli::CheckGeometry(simcli::MakeGeometry(o)), "");
    // On the bounding sphere counts as inside: centre 5 cm with height 3 and radius 4.
    o.distance = 3.5;
    o.radius = 4;
    EXPECT_NE(simcli::CheckGeometry(simcli::MakeGeometry(o)), "");

    const sim::Calibration c = simcli::MakeCalibration(o);
    EXPECT_EQ(c.ChannelOffset, 10);
    EXPECT_EQ(c.ChannelsPerMeV, 1000);
    EXPECT_EQ(c.Resolution, 20);
}

TEST(SimCliRun, ASecondIsTenTicksOfEventsPerTickPlusOne) {
    simcli::Options o;
    EXPECT_EQ(simcli::DecaysPerSecond(20000), 200010u);
    EXPECT_EQ(simcli::DecaysToRun(o, 20000), 2000100u);
    o.seconds = 0.1;
    EXPECT_EQ(simcli::DecaysToRun(o, 20000), 20001u);
    o.seconds = 2.3;
    EXPECT_EQ(simcli::DecaysToRun(o, 20000), 23u * 20001u);
    o.decaysGiven = true;
    o.decays = 7;
    EXPECT_EQ(simcli::DecaysToRun(o, 20000), 7u);
}

TEST(SimCliRun, SimulateCountsWhatTheSpectrumHolds) {
    sim::RandomGenerator rng;
    sim::InitSimulation(rng);
    rng.SetSeed(12345);
    auto spectrum = std::make_unique<sim::Spectrum>();
    std::vector<std::uint64_t> reports;
    const simcli::RunSummary s =
        simcli::Simulate(simcli::MakeGeometry({}), simcli::MakeCalibration({}), 200000, *spectrum,
                         rng, [&](std::uint64_t done) { reports.push_back(done); });
    EXPECT_EQ(s.decays, 200000u);
    EXPECT_EQ(s.counted, 6550u); // the spectrum pinned for this seed in the simulation tests
    long long total = 0;
    for (std::int32_t count : *spectrum)
        total += count;
    EXPECT_EQ(total, 6550);
    EXPECT_NEAR(s.simulatedSeconds, 200000.0 / 200010.0, 1e-12);
    EXPECT_EQ(reports, (std::vector<std::uint64_t>{65536, 131072, 196608}));
    EXPECT_NE(simcli::FormatSummary(s, 12345).find("6550 counted"), std::string::npos);
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

TEST(SimCliFiles, CsvHasAHeaderAndChannels0To4095) {
    auto spectrum = std::make_unique<sim::Spectrum>();
    (*spectrum)[672] = 5;
    (*spectrum)[4096] = 9; // never written
    std::ostringstream out;
    simcli::WriteCsv(out, *spectrum);
    const auto lines = Lines(out.str());
    ASSERT_EQ(lines.size(), 4097u);
    EXPECT_EQ(lines[0], "channel,counts");
    EXPECT_EQ(lines[1], "0,0");
    EXPECT_EQ(lines[673], "672,5");
    EXPECT_EQ(lines[4096], "4095,0");
}

TEST(SimCliFiles, SpeFollowsTheIaeaAsciiLayout) {
    auto spectrum = std::make_unique<sim::Spectrum>();
    (*spectrum)[0] = 1;
    (*spectrum)[672] = 5;
    std::ostringstream out;
    simcli::WriteSpe(out, *spectrum,
                     simcli::SpeHeader{"test spectrum", "12/08/2026 15:08:54", 10,
                                       sim::Calibration{10, 1000, 20}});
    const auto lines = Lines(out.str());
    ASSERT_EQ(lines.size(), 2u + 2u + 2u + 2u + 4096u + 2u);
    EXPECT_EQ(lines[0], "$SPEC_ID:");
    EXPECT_EQ(lines[1], "test spectrum");
    EXPECT_EQ(lines[2], "$DATE_MEA:");
    EXPECT_EQ(lines[3], "12/08/2026 15:08:54");
    EXPECT_EQ(lines[4], "$MEAS_TIM:");
    EXPECT_EQ(lines[5], "10 10");
    EXPECT_EQ(lines[6], "$DATA:");
    EXPECT_EQ(lines[7], "0 4095");
    EXPECT_EQ(lines[8], "1");
    EXPECT_EQ(lines[8 + 672], "5");
    EXPECT_EQ(lines[8 + 4096], "$ENER_FIT:");
    EXPECT_EQ(lines[8 + 4097], "-10 1") << "keV = -10 + 1 * channel";
}

class AtomicFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::random_device entropy;
        folder = fs::temp_directory_path() / ("pelzamo-sim-test-" + std::to_string(entropy()));
        fs::create_directories(folder);
    }
    void TearDown() override { fs::remove_all(folder); }

    static std::string Read(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    int FilesInFolder() const {
        return static_cast<int>(std::distance(fs::directory_iterator(folder), {}));
    }

    fs::path folder;
};

TEST_F(AtomicFileTest, ReplacesTheFileOnlyWhenComplete) {
    const fs::path target = folder / "spectrum.csv";
    std::ofstream(target) << "old";
    {
        simcli::AtomicFile file(target);
        ASSERT_EQ(file.Open(), "");
        EXPECT_EQ(Read(target), "old") << "untouched while the run lasts";
        EXPECT_EQ(FilesInFolder(), 2);
        ASSERT_EQ(file.Commit("new content"), "");
    }
    EXPECT_EQ(Read(target), "new content");
    EXPECT_EQ(FilesInFolder(), 1) << "no temporary left";
}

TEST_F(AtomicFileTest, AbandonedWriteLeavesTheOldFileAndNoTemporary) {
    const fs::path target = folder / "spectrum.csv";
    std::ofstream(target) << "old";
    {
        simcli::AtomicFile file(target);
        ASSERT_EQ(file.Open(), "");
    }
    EXPECT_EQ(Read(target), "old");
    EXPECT_EQ(FilesInFolder(), 1);
}

TEST_F(AtomicFileTest, UnwritablePathsAreReportedAtOpen) {
    simcli::AtomicFile missingFolder(folder / "no such folder" / "x.csv");
    EXPECT_NE(missingFolder.Open().find("no such folder"), std::string::npos);
    simcli::AtomicFile isFolder(folder);
    EXPECT_NE(isFolder.Open().find("folder"), std::string::npos);
    EXPECT_EQ(FilesInFolder(), 0);
}

} // namespace
