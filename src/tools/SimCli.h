#pragma once
// The batch simulation tool's command line: the options of a run and of a merge, their
// checks, and the usage and version texts.

#include "model/Measurement.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace simcli {

enum class Generator { Lcg32, Philox };
enum class OutputFormat { Csv, Spe, N42 };

// Blocks `first` to `last` of a run, both included.
struct BlockRange {
    std::uint64_t first = 0;
    std::uint64_t last = 0;
    bool operator==(const BlockRange&) const = default;
};

// The most decays a run may have: below 2^53, so that every count stays exact in a double.
inline constexpr std::uint64_t MaxDecays = 1'000'000'000'000'000;
inline constexpr unsigned MaxThreads = 1024;
// A run without --seconds or --decays: ten simulated seconds.
inline constexpr std::uint64_t DefaultSeconds = 10;

// Decays in one tick of the built-in source, as the detector window runs them.
std::uint64_t TickDecays();

struct Options {
    bool help = false;
    bool version = false;
    bool merge = false;              // "merge FILE...": sums spectrum files
    std::vector<std::string> inputs; // the files of a merge
    std::string filesFrom;           // merge: a file of names, one a line; "-": standard input
    bool partial = false;            // merge: an incomplete set of blocks is merged

    // The length of the run: --seconds in ticks, or --decays. Neither: ten seconds.
    std::optional<std::uint64_t> ticks;
    std::optional<std::uint64_t> decays;
    std::optional<std::uint32_t> seed; // none: from the clock
    // The detector window's detector and analyser at start.
    double distance = model::ShownDistance(model::Defaults::Geometry()); // cm, as on the bench
    double height = model::Defaults::Height;                     // cm, half-length of the crystal
    double radius = model::Defaults::Radius;                     // cm
    double resolution = model::Defaults::Calibration.Resolution; // keV, twice the standard
                                                                 // deviation at 1 MeV
    Generator generator = Generator::Lcg32;
    std::optional<unsigned> threads;       // none: DefaultThreads with philox, one with lcg32
    std::optional<BlockRange> blocks;      // none: every block
    std::optional<std::int64_t> startTime; // Unix time; none: the clock at the start

    OutputFormat format = OutputFormat::Csv; // as given, or from the output's extension
    std::string output;                      // empty or "-": standard output
};

// True when the output goes to standard output.
bool ToStandardOutput(const Options& options);

struct ParseResult {
    Options options;
    std::string error; // one line; empty when the arguments are valid
};

// Parses the arguments after the program name. Values follow their option as the next
// argument or after '=' (--seed=7, -o FILE, -oFILE). An option may be given once.
ParseResult ParseArguments(const std::vector<std::string_view>& args);

// The refusal of an lcg32 run on more than one thread or in blocks, or an empty text.
std::string CheckGenerator(const Options& options);

// Applies one option's value as the command line does, with the same checks, for a value
// read from a file; the refusal after "option NAME: " ("'x' is not a number"), or an
// empty text. `option` is the long name, such as "--seed".
std::string ApplyValue(Options& options, std::string_view option, std::string_view text);

// The refusal of a start time later than `now` (both Unix time), or an empty text: the
// start of a measurement cannot lie in the future.
std::string CheckStartTime(std::int64_t start, std::int64_t now);

std::string Usage();
std::string VersionText();
// The version of the tool ("1.0"), and its name with it ("pelzamo-sim 1.0").
std::string_view Version();
std::string ProgramName();

const char* GeneratorName(Generator generator);

// The text in single quotes, as the tool's messages show a value or a file name; control
// characters and the backslash are shown escaped (\n, \t, \x1b, \\), so that a message
// stays one line whatever it quotes.
std::string Quoted(std::string_view text);

// "2026-12-08T15:08:54Z", and back (only that form, UTC).
std::string IsoTime(std::int64_t unixTime);
std::optional<std::int64_t> ParseIsoTime(std::string_view text);

} // namespace simcli
