#pragma once
// The batch simulation tool's parts: command line, geometry, the run of decays, the
// spectrum files and a file write that never leaves a half-written file behind.

#include "simulation/Binning.h"
#include "simulation/Photon.h"
#include "simulation/Random.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace simcli {

enum class OutputFormat { Csv, Spe };

struct Options {
    bool help = false;
    bool decaysGiven = false;          // --decays rather than --seconds
    double seconds = 10;               // simulated time, s (a whole number of 0.1 s ticks)
    std::uint64_t decays = 0;          // with decaysGiven
    std::optional<std::uint32_t> seed; // none: seeded from the clock
    double distance = 8.5;             // cm, source to the detector as shown on the bench
    double height = 3;                 // cm
    double radius = 3;                 // cm
    double resolution = 20;            // keV, twice the standard deviation at 1 MeV
    OutputFormat format = OutputFormat::Csv;
    std::string output; // empty: standard output
};

struct ParseResult {
    Options options;
    std::string error; // empty when the arguments are valid
};

// Parses the arguments after the program name. Values follow their option as the next
// argument or after '=' (--seed=7).
ParseResult ParseArguments(const std::vector<std::string_view>& args);

std::string Usage();

// The detector as the detector window holds it: on the bench axis, centre at
// distance + height / 2.
sim::DetectorGeometry MakeGeometry(const Options& options);
// Offset 10 channels, 1000 channels per MeV, the chosen resolution.
sim::Calibration MakeCalibration(const Options& options);
// Empty when the source lies outside the detector's bounding sphere, else the error.
std::string CheckGeometry(const sim::DetectorGeometry& geometry);

// Decays in one simulated second: ten ticks of eventsPerTick + 1 decays.
std::uint64_t DecaysPerSecond(std::int32_t eventsPerTick);
std::uint64_t DecaysToRun(const Options& options, std::int32_t eventsPerTick);

struct RunSummary {
    std::uint64_t decays = 0;
    std::uint64_t counted = 0;
    double simulatedSeconds = 0; // s
    double wallSeconds = 0;      // s
};

// Runs the decays into the spectrum. `progress`, when given, is called with the number
// of decays done every few ten thousand decays.
RunSummary Simulate(const sim::DetectorGeometry& geometry, const sim::Calibration& calibration,
                    std::uint64_t decays, sim::Spectrum& spectrum, sim::RandomGenerator& rng,
                    const std::function<void(std::uint64_t)>& progress = {});

std::string FormatSummary(const RunSummary& summary, std::uint32_t seed);

// "channel,counts", then one line per channel 0 to 4095.
void WriteCsv(std::ostream& out, const sim::Spectrum& spectrum);

struct SpeHeader {
    std::string id;          // one line describing the spectrum
    std::string date;        // mm/dd/yyyy hh:mm:ss
    double measuringSeconds; // live and real time, s
    sim::Calibration calibration;
};
// The IAEA ASCII layout: $SPEC_ID, $DATE_MEA, $MEAS_TIM, $DATA (channels 0 to 4095),
// $ENER_FIT (energy in keV = a + b * channel).
void WriteSpe(std::ostream& out, const sim::Spectrum& spectrum, const SpeHeader& header);

// Writes a file through a temporary in the same folder that replaces the target only
// once it is complete. The temporary is removed if the write is not committed.
class AtomicFile {
public:
    explicit AtomicFile(std::filesystem::path target);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Creates the temporary; returns the error, or an empty text.
    std::string Open();
    // Writes the content and puts the file in place; returns the error, or an empty text.
    std::string Commit(std::string_view content);

private:
    void Discard();

    std::filesystem::path target_;
    std::filesystem::path temporary_;
    std::FILE* file_ = nullptr;
};

} // namespace simcli
