// The batch tool's library parts: arguments, the plan and run, the file layouts, the
// merge and the output file.

#include "tools/OutputFile.h"
#include "tools/Run.h"
#include "tools/SimCli.h"
#include "tools/SpectrumFile.h"

#include "simulation/Random.h"
#include "simulation/Source.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using simcli::ParseArguments;

simcli::ParseResult Parse(std::vector<std::string_view> args) {
    return ParseArguments(args);
}

TEST(SimCliArguments, DefaultsMatchTheDetectorWindow) {
    const auto r = Parse({});
    ASSERT_EQ(r.error, "");
    EXPECT_FALSE(r.options.ticks || r.options.decays || r.options.seed || r.options.threads ||
                 r.options.blocks || r.options.startTime);
    EXPECT_EQ(r.options.distance, 8.5);
    EXPECT_EQ(r.options.height, 3);
    EXPECT_EQ(r.options.radius, 3);
    EXPECT_EQ(r.options.resolution, 20);
    EXPECT_EQ(r.options.generator, simcli::Generator::Lcg32);
    EXPECT_EQ(r.options.format, simcli::OutputFormat::Csv);
    EXPECT_EQ(r.options.output, "");
}

TEST(SimCliArguments, EveryOptionInBothForms) {
    const auto r = Parse({"--decays", "1e6", "--seed=4294967295", "--distance", "3", "--height=2.5",
                          "--radius", "1", "--resolution=0", "--generator", "philox", "--threads=3",
                          "--blocks", "2:4", "--start-time", "2026-12-08T15:08:54Z", "--format",
                          "spe", "-oout.spe"});
    ASSERT_EQ(r.error, "");
    const simcli::Options& o = r.options;
    EXPECT_EQ(o.decays, 1000000u);
    EXPECT_EQ(o.seed, 4294967295u);
    EXPECT_EQ(o.distance, 3);
    EXPECT_EQ(o.height, 2.5);
    EXPECT_EQ(o.radius, 1);
    EXPECT_EQ(o.resolution, 0);
    EXPECT_EQ(o.generator, simcli::Generator::Philox);
    EXPECT_EQ(o.threads, 3u);
    EXPECT_EQ(o.blocks, (simcli::BlockRange{2, 4}));
    EXPECT_EQ(o.startTime, 1796742534);
    EXPECT_EQ(o.format, simcli::OutputFormat::Spe);
    EXPECT_EQ(o.output, "out.spe");

    // Whole numbers are read exactly, in any decimal spelling of a whole value.
    for (const auto& [text, value] : {std::pair{"+12", 12u},
                                      {"12.0", 12u},
                                      {"2.5e3", 2500u},
                                      {"0e-400", 0u},
                                      {"4294967295", 4294967295u}})
        EXPECT_EQ(Parse({"--seed", text}).options.seed, value) << text;
    EXPECT_EQ(Parse({"--seconds", "2.3"}).options.ticks, 23u);
    EXPECT_TRUE(Parse({"--help"}).options.help);
    EXPECT_TRUE(Parse({"--version"}).options.version);

    // The format follows the output's extension unless given.
    EXPECT_EQ(Parse({"-o", "a.N42"}).options.format, simcli::OutputFormat::N42);
    EXPECT_EQ(Parse({"-o", "a.txt", "--format", "spe"}).options.format, simcli::OutputFormat::Spe);
    EXPECT_EQ(Parse({"-o", "dir.spe/a"}).options.format, simcli::OutputFormat::Csv);

    const auto merge =
        Parse({"merge", "-o", "all.n42", "--partial", "a.spe", "--files-from=-", "--", "-b.spe"});
    ASSERT_EQ(merge.error, "");
    EXPECT_TRUE(merge.options.merge);
    EXPECT_TRUE(merge.options.partial);
    EXPECT_EQ(merge.options.filesFrom, "-");
    EXPECT_EQ(merge.options.inputs, (std::vector<std::string>{"a.spe", "-b.spe"}));
    EXPECT_EQ(merge.options.format, simcli::OutputFormat::N42);
    EXPECT_EQ(Parse({"merge", "--files-from", "list"}).error, "") << "a list is enough";
    EXPECT_TRUE(simcli::ToStandardOutput(Parse({"-o", "-"}).options));
}

TEST(SimCliArguments, BadInputIsNamedOnOneLine) {
    const struct {
        std::vector<std::string_view> args;
        const char* mentions;
    } cases[] = {
        {{"--frobnicate"}, "--frobnicate"},
        {{"--frobnicate=1"}, "--frobnicate"},
        {{"-x"}, "-x"},
        {{"spectrum.csv"}, "spectrum.csv"},
        {{"--seconds"}, "needs a value"},
        {{"--help=yes"}, "no value"},
        {{"--seconds", "ten"}, "ten"},
        {{"--seconds", "0"}, "above 0"},
        {{"--seconds", "-1"}, "above 0"},
        {{"--seconds", "0.05"}, "0.1 s"},
        {{"--seconds", "0.30000000000000004"}, "0.1 s"},
        {{"--seconds", "1e14"}, "too long"},
        {{"--decays", "0"}, "--decays"},
        {{"--decays", "-3"}, "--decays"},
        {{"--decays", "2.5"}, "whole number"},
        {{"--decays", "1e16"}, "whole number"},
        {{"--decays", "12 "}, "--decays"},
        {{"--seed", "4294967296"}, "4294967295"},
        {{"--seed", "-1"}, "--seed"},
        {{"--seed", "$FF"}, "--seed"},
        {{"--seed", "1e-400"}, "whole number"},
        {{"--seed", "1", "--seed=2"}, "twice"},
        {{"-o", "a", "--output", "b"}, "twice"},
        {{"--height", "0"}, "--height"},
        {{"--radius", "-2"}, "--radius"},
        {{"--distance", ""}, "--distance"},
        {{"--distance", "1e999"}, "--distance"},
        {{"--resolution", "-1"}, "negative"},
        {{"--format", "CSV"}, "CSV"},
        {{"--output="}, "empty"},
        {{"--seconds", "1", "--decays", "5"}, "exclude"},
        {{"--decays", "5", "--seconds", "1"}, "exclude"},
        {{"--generator", "mt19937"}, "mt19937"},
        {{"--generator", "philox", "--threads", "0"}, "--threads"},
        {{"--generator", "philox", "--blocks", "5:3"}, "FIRST above LAST"},
        {{"--generator", "philox", "--blocks", "5"}, "FIRST:LAST"},
        {{"--threads", "2"}, "--generator philox"},
        {{"--blocks", "0:1"}, "--generator philox"},
        {{"--start-time", "2026-02-30T00:00:00Z"}, "--start-time"},
        {{"-o", "a.csv", "--format", "spe"}, "contradicts"},
        {{"merge"}, "at least one"},
        {{"merge", "--seed", "1", "a.spe"}, "does not apply to merge"},
        {{"--partial"}, "applies only to merge"},
        {{"merge", "--files-from=", "a.spe"}, "empty"},
        {{"--seed", "1\n2"}, "'1\\n2'"},
        {{"--distance", "\x1b[2J"}, "'\\x1b[2J'"},
    };
    for (const auto& c : cases) {
        const auto r = ParseArguments(c.args);
        EXPECT_NE(r.error.find(c.mentions), std::string::npos)
            << "error \"" << r.error << "\" should mention " << c.mentions;
        EXPECT_EQ(r.error.find('\n'), std::string::npos) << "one line";
    }
}

// --- The plan and the run ---------------------------------------------------------------

class SimCliRun : public ::testing::Test {
protected:
    static simcli::RunPlan Plan(std::vector<std::string_view> args, std::string* error = nullptr) {
        const auto parsed = ParseArguments(args);
        EXPECT_EQ(parsed.error, "");
        simcli::RunPlan plan;
        const std::string refused = simcli::MakePlan(parsed.options, 12345, plan);
        if (error)
            *error = refused;
        else
            EXPECT_EQ(refused, "");
        return plan;
    }
    static std::uint64_t Total(const simcli::Counts& counts) {
        std::uint64_t total = 0;
        for (std::uint64_t count : counts)
            total += count;
        return total;
    }
};

TEST_F(SimCliRun, PlanCutsTheRunIntoSecondsOfTicks) {
    const std::uint64_t perTick = 20001; // the window's tick
    simcli::RunPlan plan = Plan({});
    EXPECT_EQ(plan.decays, 100 * perTick) << "ten seconds";
    EXPECT_EQ(plan.blockDecays, 10 * perTick);
    EXPECT_EQ(plan.blocks, (simcli::BlockRange{0, 9}));
    EXPECT_EQ(plan.threads, 1u);
    EXPECT_EQ(plan.geometry.z, 10);
    EXPECT_EQ(plan.calibration.ChannelOffset, 10);
    EXPECT_EQ(plan.calibration.ChannelsPerMeV, 1000);

    plan = Plan({"--seconds", "2.3", "--generator", "philox", "--threads", "8"});
    EXPECT_EQ(plan.decays, 23 * perTick);
    EXPECT_EQ(plan.blocks, (simcli::BlockRange{0, 2}));
    EXPECT_EQ(plan.threads, 3u) << "no more threads than blocks";
    EXPECT_EQ(simcli::DecaysInBlocks(plan.decays, plan.blockDecays, {2, 2}), 3 * perTick);

    std::string error;
    Plan({"--distance", "2.5"}, &error);
    EXPECT_NE(error.find("inside the detector"), std::string::npos);
    Plan({"--seconds", "3", "--generator", "philox", "--blocks", "1:3"}, &error);
    EXPECT_NE(error.find("0 to 2"), std::string::npos);
    // Every decay draws at least three times: past a third of the period lcg32 must
    // repeat.
    Plan({"--decays", "1431655765"}, &error);
    EXPECT_EQ(error, "");
    Plan({"--decays", "1431655766"}, &error);
    EXPECT_NE(error.find("--generator philox"), std::string::npos);
}

TEST_F(SimCliRun, Lcg32RunsOneStreamOnOneThreadWhateverThePlanSays) {
    // Options that bypass the parser's checks, as a program using the library may set.
    simcli::Options options;
    options.threads = 2;
    simcli::RunPlan plan;
    EXPECT_NE(simcli::MakePlan(options, 12345, plan).find("--threads"), std::string::npos);
    options.threads.reset();
    options.blocks = simcli::BlockRange{0, 0};
    EXPECT_NE(simcli::MakePlan(options, 12345, plan).find("--blocks"), std::string::npos);

    plan = Plan({"--decays", "200000"});
    plan.threads = 2; // built by hand: still one stream, counted once
    EXPECT_EQ(Total(simcli::Run(plan).counts), 6550u);
    plan.blocks.first = 1;
    EXPECT_NE(simcli::Run(plan).error.find("block 1"), std::string::npos);
}

TEST(SimCliThreads, DefaultIsTheLeastOfCoresSlurmAndBlocks) {
    const struct {
        unsigned cores;
        const char* slurm;
        std::uint64_t blocks;
        unsigned threads;
    } cases[] = {
        {16, nullptr, 100, 16}, {16, "1", 100, 1},  {16, "4", 2, 2},     {2, "8", 100, 2},
        {16, "", 100, 16},      {16, "0", 100, 16}, {16, "4x", 100, 16}, {0, nullptr, 5, 1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(simcli::DefaultThreads(c.cores, c.slurm, c.blocks), c.threads)
            << c.cores << " cores, SLURM_CPUS_PER_TASK " << (c.slurm ? c.slurm : "unset");
}

TEST_F(SimCliRun, Lcg32IsTheWindowsSpectrumAndPhiloxTheSameOnEveryThreadCount) {
    simcli::RunPlan plan = Plan({"--decays", "200000"});
    std::vector<std::uint64_t> reports;
    const simcli::RunResult lcg =
        simcli::Run(plan, [&](std::uint64_t done) { reports.push_back(done); });
    EXPECT_EQ(lcg.error, "");
    EXPECT_EQ(lcg.decays, 200000u);
    EXPECT_EQ(Total(lcg.counts), 6550u); // the spectrum pinned for this seed in the window
    for (std::size_t i = 1; i < reports.size(); ++i)
        EXPECT_LE(reports[i - 1], reports[i]);

    plan = Plan({"--decays", "450000", "--generator", "philox"});
    plan.threads = 1;
    const simcli::RunResult one = simcli::Run(plan);
    plan.threads = 3;
    const simcli::RunResult three = simcli::Run(plan);
    EXPECT_EQ(one.counts, three.counts);
    EXPECT_EQ(three.decays, 450000u);
    EXPECT_GT(Total(one.counts), 0u);
}

TEST_F(SimCliRun, Lcg32StopsBeforeItsPeriodAndCountsNeverWrap) {
    const std::uint64_t period = simcli::Lcg32Period;
    EXPECT_EQ(simcli::CheckLcg32Draws(period, 1000, 1000, false), "");
    EXPECT_NE(simcli::CheckLcg32Draws(period + 1, 1000, 1000, false).find("--generator philox"),
              std::string::npos);
    // An estimate after the first tick: 3.58 draws a decay.
    EXPECT_EQ(simcli::CheckLcg32Draws(71604, 20001, 1'000'000'000, true), "");
    EXPECT_NE(simcli::CheckLcg32Draws(71604, 20001, 1'300'000'000, true).find("3.58"),
              std::string::npos);

    // A block's 32-bit counters add into 64 bits beyond 2^32.
    simcli::Counts counts{};
    counts[5] = period - 1;
    sim::Spectrum block{};
    block[5] = std::numeric_limits<std::int32_t>::max();
    simcli::AddSpectrum(counts, block);
    simcli::AddSpectrum(counts, block);
    EXPECT_EQ(counts[5], period - 1 + 2 * 2147483647ull);
}

// --- Files --------------------------------------------------------------------------------

simcli::SpectrumRecord Record() {
    simcli::SpectrumRecord r;
    r.program = "pelzamo-sim 1.0";
    r.distance = 8.5;
    r.height = 3;
    r.radius = 3;
    r.resolution = 20;
    r.channelOffset = 10;
    r.channelsPerMeV = 1000;
    r.generator = simcli::Generator::Philox;
    r.seed = 7;
    r.runDecays = 2000100; // ten seconds
    r.blockDecays = 200010;
    r.blocks = {{0, 9}};
    r.startTime = 1796742534; // 2026-12-08T15:08:54Z
    r.counts[0] = 1;
    r.counts[672] = 5000000000; // beyond 32 bits
    r.counts[4096] = 9;         // never written
    return r;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

TEST(SimCliFiles, CsvHasAHeaderAndChannels0To4095) {
    std::ostringstream out;
    simcli::WriteCsv(out, Record());
    const auto lines = Lines(out.str());
    ASSERT_EQ(lines.size(), 4097u);
    EXPECT_EQ(lines[0], "channel,counts");
    EXPECT_EQ(lines[1], "0,1");
    EXPECT_EQ(lines[673], "672,5000000000");
    EXPECT_EQ(lines[4096], "4095,0");
}

TEST(SimCliFiles, SpeFollowsTheIaeaAsciiLayoutAndReadsBack) {
    std::ostringstream out;
    simcli::WriteSpe(out, Record());
    const auto lines = Lines(out.str());
    ASSERT_EQ(lines.size(), 2u + 14u + 2u + 2u + 2u + 4096u + 2u + 3u);
    EXPECT_EQ(lines[0], "$SPEC_ID:");
    EXPECT_EQ(lines[2], "$SPEC_REM:");
    EXPECT_EQ(lines[3], "program: pelzamo-sim 1.0");
    EXPECT_EQ(lines[14], "blocks: 0-9");
    EXPECT_EQ(lines[15], "decays: 2000100");
    EXPECT_EQ(lines[16], "$DATE_MEA:");
    EXPECT_EQ(lines[17], "12/08/2026 15:08:54");
    EXPECT_EQ(lines[19], "10 10") << "whole seconds";
    EXPECT_EQ(lines[20], "$DATA:");
    EXPECT_EQ(lines[21], "0 4095");
    EXPECT_EQ(lines[22], "1");
    EXPECT_EQ(lines[22 + 672], "5000000000");
    EXPECT_EQ(lines[22 + 4096], "$ENER_FIT:");
    EXPECT_EQ(lines[22 + 4097], "-10 1") << "keV = -10 + 1 * channel";
    EXPECT_EQ(lines[22 + 4098], "$MCA_CAL:");
    EXPECT_EQ(lines[22 + 4099], "3");
    EXPECT_EQ(lines[22 + 4100], "-10 1 0 keV");
}

// A slice of Record()'s run, with counts it can hold, and its files.
simcli::SpectrumRecord Slice() {
    simcli::SpectrumRecord small = Record();
    small.counts[672] = 5;
    small.counts[4096] = 0;
    small.blocks = {{2, 3}, {5, 5}};
    return small;
}
std::string Written(const simcli::SpectrumRecord& record, simcli::OutputFormat format) {
    std::ostringstream out;
    simcli::WriteFormat(out, record, format);
    return out.str();
}
constexpr std::int64_t Now = 1796742534 + 3600; // an hour after Record()'s start

TEST(SimCliFiles, SpeAndN42ReadBackTheRun) {
    const simcli::SpectrumRecord small = Slice();
    for (simcli::OutputFormat format : {simcli::OutputFormat::Spe, simcli::OutputFormat::N42}) {
        simcli::SpectrumRecord read;
        ASSERT_EQ(simcli::ReadSpectrumFile(Written(small, format), read, Now), "");
        EXPECT_EQ(read.counts, small.counts);
        EXPECT_EQ(read.blocks, small.blocks);
        EXPECT_EQ(read.startTime, small.startTime);
        EXPECT_EQ(read.seed, 7u);
        EXPECT_EQ(read.program, small.program);
        EXPECT_EQ(simcli::RecordSeconds(read), 3);
    }
}

TEST(SimCliFiles, EveryValueReadIsCheckedAsItsOptionAndNamed) {
    const std::string spe = Written(Slice(), simcli::OutputFormat::Spe);
    const std::string n42 = Written(Slice(), simcli::OutputFormat::N42);
    const auto replaced = [](std::string text, const std::string& from, const std::string& to) {
        text.replace(text.find(from), from.size(), to);
        return text;
    };
    const auto inSpe = [&](const std::string& from, const std::string& to) {
        return replaced(spe, from, to);
    };
    for (const auto& [text, mentions] : {
             std::pair{inSpe("$SPEC_REM:", "$REMARKS:"), "SPE file of another program"},
             {inSpe("distance: 8.5", "distance: nan"), "its distance 'nan' is not a number"},
             {inSpe("distance: 8.5", "distance: 1"), "inside the detector"},
             {inSpe("height: 3", "height: 0"), "its height '0' must be above 0"},
             {inSpe("resolution: 20", "resolution: -1"), "its resolution '-1'"},
             {inSpe("channels per MeV: 1000", "channels per MeV: 0"), "channels per MeV '0'"},
             {inSpe("channel offset: 10", "channel offset: inf"), "channel offset 'inf'"},
             {inSpe("channels per MeV: 1000", "channels per MeV: 1e-310"), "no finite energy"},
             {inSpe("seed: 7", "seed: 4294967296"), "its seed '4294967296'"},
             {inSpe("seed: 7", "seed: 7\x1b[2J"), "its seed '7\\x1b[2J'"},
             {inSpe("seed: 7", "seed: 7\nseed: 8"), "'seed' twice"},
             {inSpe("generator: philox", "generator: mt"), "its generator 'mt'"},
             {inSpe("generator: philox", "generator: lcg32"), "cannot be sliced"},
             {inSpe("program: pelzamo-sim 1.0", "program: pelzamo-sim 1 0"), "its program"},
             {inSpe("program: pelzamo-sim", "program: other"), "another program"},
             {inSpe("blocks: 2-3,5", "blocks: 2-3,5\nmissing blocks: 0"), "missing blocks '0'"},
             {inSpe("decays: 600030", "decays: 600031"), "do not agree"},
             {inSpe("12/08/2026", "12/08/2099"), "later than the clock"},
             {inSpe("12/08/2026", "2026-12-08"), "$DATE_MEA"},
             {inSpe("\n0 4095\n1\n", "\n0 4095\n"), "$DATA"},
             {inSpe("\n0 4095\n1\n", "\n0 4095\n600030\n"), "more counts than decays"},
             {replaced(n42, "<Remark>seed: 7</Remark>", "<Remark>seed: 7&lt;</Remark>"),
              "its seed '7<'"},
             {replaced(n42, "<Remark>program: pelzamo-sim", "<Remark>program: other"),
              "N42 file of another program"},
             {replaced(n42, "\n        1 ", "\n        x "), "count 'x' of channel 0"},
             {std::string("channel,counts\n0,0\n"), "CSV"},
         }) {
        simcli::SpectrumRecord ignored;
        const std::string error = simcli::ReadSpectrumFile(text, ignored, Now);
        EXPECT_NE(error.find(mentions), std::string::npos) << mentions << " in: " << error;
        EXPECT_EQ(error.find('\n'), std::string::npos) << error;
    }
}

TEST(SimCliFiles, N42HasOneRemarkALineATitleAndAUuidOfItsContent) {
    const std::string n42 = Written(Record(), simcli::OutputFormat::N42);
    for (const char* item :
         {"<RadInstrumentDataCreatorName>pelzamo-sim/1.0</RadInstrumentDataCreatorName>",
          "<Remark>Title: Pelzamo2007 simulated spectrum: distance 8.5 cm",
          "<Remark>seed: 7</Remark>\n    <Remark>run decays: 2000100</Remark>",
          "n42DocDateTime=\"2026-12-08T15:08:54Z\"", "<RealTimeDuration>PT10S<"})
        EXPECT_NE(n42.find(item), std::string::npos) << item;
    // Durations are plain decimals however short the run.
    simcli::SpectrumRecord brief = Record();
    brief.runDecays = 10;
    brief.blocks = {{0, 0}};
    EXPECT_NE(Written(brief, simcli::OutputFormat::N42).find("PT0.00004999750012499375S"),
              std::string::npos);
    // The UUID follows the content, and is a version 5 UUID (RFC 9562's example).
    simcli::SpectrumRecord other = Record();
    other.counts[1] = 1;
    const auto uuid = [](const std::string& text) {
        const std::size_t at = text.find("n42DocUUID=\"") + 12;
        return text.substr(at, 36);
    };
    EXPECT_EQ(uuid(n42), uuid(Written(Record(), simcli::OutputFormat::N42)));
    EXPECT_NE(uuid(n42), uuid(Written(other, simcli::OutputFormat::N42)));
    EXPECT_EQ(uuid(n42)[14], '5');
    const std::array<std::uint8_t, 16> dns{0x6b, 0xa7, 0xb8, 0x10, 0x9d, 0xad, 0x11, 0xd1,
                                           0x80, 0xb4, 0x00, 0xc0, 0x4f, 0xd4, 0x30, 0xc8};
    EXPECT_EQ(simcli::NameUuid(dns, "www.example.com"), "2ed6657d-e927-568b-95e1-2665a8aea6a2");
}

TEST(SimCliFiles, MergeSumsSlicesOfOneRunOnly) {
    simcli::SpectrumRecord a = Record(), b = Record(), merged;
    a.blocks = {{0, 3}};
    b.blocks = {{4, 9}};
    b.startTime = a.startTime - 60;
    ASSERT_EQ(simcli::Merge({b, a}, merged), "");
    EXPECT_EQ(merged.blocks, (std::vector<simcli::BlockRange>{{0, 9}}));
    EXPECT_EQ(merged.startTime, b.startTime);
    EXPECT_EQ(merged.counts[672], 10000000000u);
    EXPECT_FALSE(merged.partial);

    const auto refused = [&](simcli::SpectrumRecord other) {
        std::string error = simcli::Merge({a, other}, merged, {"a.spe", "b.spe"});
        EXPECT_EQ(error.find('\n'), std::string::npos);
        return error;
    };
    simcli::SpectrumRecord c = b;
    c.blocks = {{3, 4}};
    EXPECT_EQ(refused(c), "block 3 is in both 'a.spe' and 'b.spe'");
    EXPECT_EQ(simcli::Merge({a, a}, merged, {"a.spe", "a.spe"}), "'a.spe' is named twice");
    c = b;
    c.seed = 8;
    EXPECT_NE(refused(c).find("seed"), std::string::npos);
    c = b;
    c.height = 2.5;
    EXPECT_NE(refused(c).find("height"), std::string::npos);
    c = b;
    c.channelsPerMeV = 999;
    EXPECT_NE(refused(c).find("calibration"), std::string::npos);
    c = b;
    c.generator = simcli::Generator::Lcg32;
    EXPECT_NE(refused(c).find("generator"), std::string::npos);
    c = b;
    c.runDecays += 1;
    EXPECT_NE(refused(c).find("run length"), std::string::npos);
}

TEST(SimCliFiles, AnIncompleteSetMergesOnlyWhenAskedAndThenWithTheRest) {
    simcli::SpectrumRecord first = Record(), middle = Record(), last = Record(), whole;
    first.blocks = {{0, 1}};
    middle.blocks = {{2, 5}};
    last.blocks = {{6, 9}};
    first.counts[672] = middle.counts[672] = last.counts[672] = 5;
    ASSERT_EQ(simcli::Merge({first, middle, last}, whole), "");
    simcli::SpectrumRecord partial;
    EXPECT_EQ(simcli::Merge({first, last}, partial),
              "the files lack blocks 2-5 of 0-9: merge them too, or pass --partial for a partial "
              "merge");
    ASSERT_EQ(simcli::Merge({last, first}, partial, {}, true), "");
    EXPECT_TRUE(partial.partial);
    // The partial file says what it lacks, reads back, and merges with the rest into the
    // whole run's file.
    const std::string spe = Written(partial, simcli::OutputFormat::Spe);
    EXPECT_NE(spe.find("\nmissing blocks: 2-5 (a partial merge)\n"), std::string::npos);
    simcli::SpectrumRecord read, merged;
    ASSERT_EQ(simcli::ReadSpe(spe, read, Now), "");
    EXPECT_TRUE(read.partial);
    ASSERT_EQ(simcli::Merge({middle, read}, merged), "");
    EXPECT_EQ(Written(merged, simcli::OutputFormat::N42),
              Written(whole, simcli::OutputFormat::N42));
    EXPECT_EQ(simcli::FormatBlocks(simcli::MissingBlocks({{1, 2}, {5, 5}}, 8)), "0,3-4,6-7");
}

// --- The output file -----------------------------------------------------------------------

class OutputFileTest : public ::testing::Test {
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

#ifndef _WIN32 // links, named pipes and /dev: tests/tools/test_output_windows.cpp on Windows
TEST_F(OutputFileTest, WritesThroughLinksAndKeepsTheMode) {
    const fs::path target = folder / "spectrum.csv";
    std::ofstream(target) << "old";
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write);
    const fs::path link = folder / "link.csv";
    fs::create_symlink("spectrum.csv", link);
    ASSERT_EQ(simcli::WriteOutput(link.string(), "new content"), "");
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(Read(target), "new content");
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    // A link to a name not yet there makes that file.
    fs::create_symlink("made.csv", folder / "later.csv");
    ASSERT_EQ(simcli::WriteOutput((folder / "later.csv").string(), "x"), "");
    EXPECT_EQ(Read(folder / "made.csv"), "x");
    EXPECT_EQ(FilesInFolder(), 4) << "no temporary left";
}

TEST_F(OutputFileTest, RefusesAnythingButARegularFileOrANewName) {
    ASSERT_EQ(mkfifo((folder / "fifo").c_str(), 0600), 0);
    fs::create_symlink(folder / "fifo", folder / "to-fifo");
    fs::create_symlink("/dev/null", folder / "to-null");
    fs::create_directory(folder / "sub");
    const struct {
        fs::path path;
        const char* says;
    } cases[] = {
        {folder / "fifo", "is a named pipe"},   {folder / "to-fifo", "leads to a named pipe"},
        {"/dev/null", "is a character device"}, {folder / "to-null", "leads to a character device"},
        {folder / "sub", "is a folder"},        {folder / "missing" / "x.csv", "missing"},
    };
    for (const auto& c : cases) {
        simcli::OutputTarget target;
        EXPECT_NE(simcli::ResolveOutput(c.path.string(), target).find(c.says), std::string::npos)
            << c.path;
        EXPECT_NE(simcli::WriteOutput(c.path.string(), "x"), "") << c.path;
    }
    EXPECT_EQ(FilesInFolder(), 4);
}

#endif

} // namespace
