#pragma once
// The batch simulation tool's command line: the options of a run and of a merge, their
// checks, and the usage and version texts.

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

struct Options {
    bool help = false;
    bool version = false;
    bool merge = false;              // "merge FILE...": sums spectrum files
    std::vector<std::string> inputs; // the files of a merge

    // The length of the run: --seconds in ticks, or --decays. Neither: ten seconds.
    std::optional<std::uint64_t> ticks;
    std::optional<std::uint64_t> decays;
    std::optional<std::uint32_t> seed; // none: from the clock
    double distance = 8.5;             // cm, source to detector as shown on the bench
    double height = 3;                 // cm, half-length of the crystal
    double radius = 3;                 // cm
    double resolution = 20;            // keV, twice the standard deviation at 1 MeV
    Generator generator = Generator::Lcg32;
    std::optional<unsigned> threads;       // none: all cores with philox, one with lcg32
    std::optional<BlockRange> blocks;      // none: every block
    std::optional<std::int64_t> startTime; // Unix time; none: the clock at the start

    OutputFormat format = OutputFormat::Csv; // as given, or from the output's extension
    std::string output;                      // empty: standard output
};

struct ParseResult {
    Options options;
    std::string error; // one line; empty when the arguments are valid
};

// Parses the arguments after the program name. Values follow their option as the next
// argument or after '=' (--seed=7, -o FILE, -oFILE). An option may be given once.
ParseResult ParseArguments(const std::vector<std::string_view>& args);

std::string Usage();
std::string VersionText();

const char* GeneratorName(Generator generator);

// The text in single quotes, as the tool's messages show a value or a file name.
std::string Quoted(std::string_view text);

// "2026-12-08T15:08:54Z", and back (only that form, UTC).
std::string IsoTime(std::int64_t unixTime);
std::optional<std::int64_t> ParseIsoTime(std::string_view text);

} // namespace simcli
