// pelzamo-sim: simulates a spectrum without a window and writes it as CSV or SPE.

#include "tools/SimCli.h"

#include "simulation/CrossSection.h"
#include "simulation/Random.h"
#include "simulation/Source.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <io.h>
#define PELZAMO_ISATTY(fd) _isatty(fd)
#define PELZAMO_FILENO(f) _fileno(f)
#else
#include <unistd.h>
#define PELZAMO_ISATTY(fd) isatty(fd)
#define PELZAMO_FILENO(f) fileno(f)
#endif

namespace {

constexpr int ExitBadInput = 2;

int Fail(const std::string& message) {
    std::cerr << "pelzamo-sim: " << message << '\n';
    return ExitBadInput;
}

std::string LocalDateTime() {
    const std::time_t now = std::time(nullptr);
    char text[32] = "";
    if (const std::tm* local = std::localtime(&now))
        std::strftime(text, sizeof text, "%m/%d/%Y %H:%M:%S", local);
    return text;
}

std::string SpectrumId(const simcli::Options& o, std::uint32_t seed) {
    std::ostringstream id;
    id << "Pelzamo2007 simulated spectrum: distance " << o.distance << " cm, height " << o.height
       << " cm, radius " << o.radius << " cm, resolution " << o.resolution << " keV, seed " << seed;
    return id.str();
}

// Shows the share done on one line of a terminal, once the run has lasted a second.
class ProgressLine {
public:
    explicit ProgressLine(std::uint64_t total)
        : total_(total), enabled_(PELZAMO_ISATTY(PELZAMO_FILENO(stderr)) != 0),
          start_(std::chrono::steady_clock::now()) {}

    void Update(std::uint64_t done) {
        if (!enabled_) return;
        const auto now = std::chrono::steady_clock::now();
        if (now - start_ < std::chrono::seconds(1) || now - last_ < std::chrono::milliseconds(250))
            return;
        last_ = now;
        shown_ = true;
        std::fprintf(
            stderr, "\rpelzamo-sim: %3d%% (%llu of %llu decays)",
            static_cast<int>(100.0 * static_cast<double>(done) / static_cast<double>(total_)),
            static_cast<unsigned long long>(done), static_cast<unsigned long long>(total_));
        std::fflush(stderr);
    }

    void Clear() {
        if (shown_) std::fprintf(stderr, "\r%70s\r", "");
    }

private:
    std::uint64_t total_;
    bool enabled_;
    bool shown_ = false;
    std::chrono::steady_clock::time_point start_;
    std::chrono::steady_clock::time_point last_{};
};

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    const simcli::ParseResult parsed = simcli::ParseArguments(args);
    if (!parsed.error.empty()) return Fail(parsed.error + " (see --help)");
    const simcli::Options& options = parsed.options;
    if (options.help) {
        std::cout << simcli::Usage();
        return 0;
    }

    const sim::DetectorGeometry geometry = simcli::MakeGeometry(options);
    if (const std::string error = simcli::CheckGeometry(geometry); !error.empty())
        return Fail(error);

    // Create the output file's temporary before the run, so that an unwritable path is
    // reported at once and nothing is simulated in vain.
    std::unique_ptr<simcli::AtomicFile> file;
    if (!options.output.empty()) {
        file = std::make_unique<simcli::AtomicFile>(options.output);
        if (const std::string error = file->Open(); !error.empty()) return Fail(error);
    }

    sim::RandomGenerator rng;
    sim::InitSimulation(rng); // seeds from the clock
    if (options.seed) rng.SetSeed(*options.seed);
    const std::uint32_t seed = rng.Seed();
    sim::ComputeEventsPerTick();
    const std::uint64_t decays = simcli::DecaysToRun(options, sim::EventsPerTick);

    auto spectrum = std::make_unique<sim::Spectrum>();
    const sim::Calibration calibration = simcli::MakeCalibration(options);
    ProgressLine progress(decays);
    const simcli::RunSummary summary =
        simcli::Simulate(geometry, calibration, decays, *spectrum, rng,
                         [&progress](std::uint64_t done) { progress.Update(done); });
    progress.Clear();

    std::ostringstream text;
    if (options.format == simcli::OutputFormat::Csv)
        simcli::WriteCsv(text, *spectrum);
    else
        simcli::WriteSpe(text, *spectrum,
                         simcli::SpeHeader{SpectrumId(options, seed), LocalDateTime(),
                                           summary.simulatedSeconds, calibration});
    if (file) {
        if (const std::string error = file->Commit(text.str()); !error.empty()) return Fail(error);
    } else {
        std::cout << text.str() << std::flush;
        if (!std::cout) return Fail("cannot write to standard output");
    }
    std::cerr << simcli::FormatSummary(summary, seed) << '\n';
    return 0;
}
