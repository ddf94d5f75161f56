// pelzamo-sim: simulates a spectrum without a window and writes it as CSV, SPE or N42;
// or merges the SPE and N42 files of the slices of one run.

#include "tools/Console.h"
#include "tools/OutputFile.h"
#include "tools/Run.h"
#include "tools/SimCli.h"
#include "tools/SpectrumFile.h"

#include "platform/Files.h"
#include "platform/Numbers.h"
#include "simulation/Random.h"

#include <cerrno>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

constexpr int ExitRefused = 2;

int Fail(const std::string& message) {
    std::cerr << "pelzamo-sim: " << message << '\n';
    return ExitRefused;
}

// Judges the output before anything is simulated or read: the file that -o names, or
// standard output, which must be open.
int CheckOutput(const simcli::Options& options) {
    if (simcli::ToStandardOutput(options)) {
        if (!simcli::StandardOutputOpen()) return Fail("cannot write: standard output is closed");
        return 0;
    }
    simcli::OutputTarget target;
    if (const std::string error = simcli::ResolveOutput(options.output, target); !error.empty())
        return Fail(error);
    return 0;
}

// Writes the record to the output file, or to standard output. A pipe whose reader has
// gone is an error like any other (SIGPIPE is ignored, so the write returns EPIPE).
int Write(const simcli::Options& options, const simcli::SpectrumRecord& record) {
    std::ostringstream text;
    simcli::WriteFormat(text, record, options.format);
    if (!simcli::ToStandardOutput(options)) {
        if (const std::string error = simcli::WriteOutput(options.output, text.str());
            !error.empty())
            return Fail(error);
        return 0;
    }
    const std::string content = text.str();
    errno = 0;
    if (std::fwrite(content.data(), 1, content.size(), stdout) != content.size() ||
        std::fflush(stdout) != 0)
        return Fail(std::string("cannot write to standard output: ") +
                    (errno != 0 ? std::strerror(errno) : "write error"));
    return 0;
}

// Shows the share done on one line of a terminal, once the run has lasted two seconds:
// percent, decays per second and the time left.
class ProgressLine {
public:
    explicit ProgressLine(std::uint64_t total)
        : total_(total), enabled_(isatty(STDERR_FILENO) != 0),
          start_(std::chrono::steady_clock::now()) {}

    void Update(std::uint64_t done) {
        if (!enabled_ || done == 0) return;
        const double elapsed =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
        if (elapsed < 2) return;
        const double rate = static_cast<double>(done) / elapsed;
        const auto left = static_cast<long long>(static_cast<double>(total_ - done) / rate);
        shown_ = true;
        std::fprintf(
            stderr, "\rpelzamo-sim: %3d%%, %.0f decays/s, %lld:%02lld:%02lld left ",
            static_cast<int>(100.0 * static_cast<double>(done) / static_cast<double>(total_)), rate,
            left / 3600, left / 60 % 60, left % 60);
        std::fflush(stderr);
    }

    void Clear() {
        if (shown_) std::fprintf(stderr, "\r%72s\r", "");
    }

private:
    std::uint64_t total_;
    bool enabled_;
    bool shown_ = false;
    std::chrono::steady_clock::time_point start_;
};

int RunSimulation(const simcli::Options& options) {
    const std::uint32_t seed = options.seed ? *options.seed : sim::ClockSeed();
    const std::int64_t startTime = options.startTime ? *options.startTime : std::time(nullptr);

    if (options.startTime)
        if (const std::string why = simcli::CheckStartTime(*options.startTime, std::time(nullptr));
            !why.empty())
            return Fail("option --start-time: " + why);

    simcli::RunPlan plan;
    if (const std::string error = simcli::MakePlan(options, seed, plan); !error.empty())
        return Fail(error);
    // Refuse an output that cannot be written before anything is simulated.
    if (const int status = CheckOutput(options)) return status;

    const std::uint64_t decays = simcli::DecaysInBlocks(plan.decays, plan.blockDecays, plan.blocks);
    ProgressLine progress(decays);
    const simcli::RunResult result =
        simcli::Run(plan, [&progress](std::uint64_t done) { progress.Update(done); });
    progress.Clear();
    if (!result.error.empty()) return Fail(result.error);

    if (const int status =
            Write(options, simcli::MakeRecord(options, plan, startTime, result.counts)))
        return status;
    std::uint64_t counted = 0;
    for (std::uint64_t count : result.counts)
        counted += count;
    std::ostringstream summary;
    summary << "pelzamo-sim: " << result.decays << " decays, " << counted << " counted, "
            << platform::FormatFloat(static_cast<double>(result.decays) /
                                     static_cast<double>(plan.blockDecays))
            << " s simulated, "
            << platform::FormatFloat(std::round(result.wallSeconds * 1000) / 1000) << " s wall";
    if (result.wallSeconds > 0)
        summary << ", "
                << static_cast<std::uint64_t>(static_cast<double>(result.decays) /
                                              result.wallSeconds)
                << " decays/s";
    summary << ", " << simcli::GeneratorName(plan.generator) << " seed " << plan.seed << ", "
            << plan.threads << (plan.threads == 1 ? " thread" : " threads");
    if (plan.generator == simcli::Generator::Philox)
        summary << ", blocks " << simcli::FormatBlocks({plan.blocks});
    std::cerr << summary.str() << '\n';
    return 0;
}

int RunMerge(const simcli::Options& options) {
    // An N42 file of this tool is some 70 kB, an SPE file some 60 kB; far larger is not one.
    constexpr std::size_t MaxInputBytes = 16u * 1024u * 1024u;
    if (const int status = CheckOutput(options)) return status;
    const std::int64_t now = std::time(nullptr);
    // One file at a time: read, checked, added to the sum and dropped.
    simcli::Merger merger;
    simcli::SpectrumRecord record;
    const auto add = [&](const std::string& name) {
        const std::string shown = simcli::Quoted(name);
        const std::filesystem::path path = simcli::PathOfArgument(name);
        std::error_code missing;
        if (!std::filesystem::exists(path, missing)) return Fail("cannot read " + shown);
        const std::optional<std::string> text = platform::ReadRegularFile(path, MaxInputBytes);
        if (!text) return Fail("cannot read " + shown + ": not a regular file of at most 16 MiB");
        if (const std::string error = simcli::ReadSpectrumFile(*text, record, now); !error.empty())
            return Fail(shown + ": " + error);
        if (const std::string error = merger.Add(record, name); !error.empty()) return Fail(error);
        return 0;
    };
    for (const std::string& name : options.inputs)
        if (const int status = add(name)) return status;
    if (!options.filesFrom.empty()) {
        std::ifstream file;
        const bool fromInput = options.filesFrom == "-";
        if (!fromInput) file.open(simcli::PathOfArgument(options.filesFrom));
        std::istream& list = fromInput ? std::cin : file;
        if (!list)
            return Fail("cannot read the list of files " + simcli::Quoted(options.filesFrom));
        for (std::string name; std::getline(list, name);)
            if (!name.empty())
                if (const int status = add(name)) return status;
        if (list.bad())
            return Fail("cannot read the list of files " + simcli::Quoted(options.filesFrom));
    }
    simcli::SpectrumRecord merged;
    if (const std::string error = merger.Finish(options.partial, merged); !error.empty())
        return Fail(error);
    if (const int status = Write(options, merged)) return status;
    const std::uint64_t blockCount = simcli::BlockCount(merged.runDecays, merged.blockDecays);
    std::cerr << "pelzamo-sim: merged " << merger.Files()
              << (merger.Files() == 1 ? " file: blocks " : " files: blocks ")
              << simcli::FormatBlocks(merged.blocks) << " of " << blockCount << ", "
              << simcli::RecordDecays(merged) << " decays";
    if (merged.partial)
        std::cerr << "; a partial merge, without blocks "
                  << simcli::FormatBlocks(simcli::MissingBlocks(merged.blocks, blockCount));
    std::cerr << '\n';
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    simcli::RemoveTemporaryOnSignals();
#ifdef SIGPIPE
    std::signal(SIGPIPE, SIG_IGN); // a closed pipe shows as a write error, reported on one line
#endif
    simcli::BinaryStandardOutput();
    const std::vector<std::string> arguments = simcli::CommandLineArguments(argc, argv);
    const std::vector<std::string_view> args(arguments.begin(), arguments.end());
    const simcli::ParseResult parsed = simcli::ParseArguments(args);
    if (!parsed.error.empty()) return Fail(parsed.error + " (see --help)");
    const simcli::Options& options = parsed.options;
    if (options.help) {
        std::cout << simcli::Usage();
        return 0;
    }
    if (options.version) {
        std::cout << simcli::VersionText();
        return 0;
    }
    return options.merge ? RunMerge(options) : RunSimulation(options);
}
