// The batch simulation tool's parts.

#include "tools/SimCli.h"

#include "platform/Numbers.h"
#include "simulation/History.h"
#include "simulation/Source.h"

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <random>
#include <sstream>
#include <system_error>
#include <utility>

namespace simcli {

namespace {

constexpr double LargestWholeCount = 1e15; // below 2^53: every count up to it is exact

std::string Quoted(std::string_view text) {
    std::string quoted(1, '\'');
    quoted.append(text);
    quoted.push_back('\'');
    return quoted;
}

// A finite number; the error names the option.
std::optional<double> ReadNumber(std::string_view option, std::string_view text,
                                 std::string& error) {
    const std::optional<double> value = platform::ParseFloat(text);
    if (!value) error = "option " + std::string(option) + ": " + Quoted(text) + " is not a number";
    return value;
}

// A whole number from `low` to `high` (written in decimal, exponent allowed: 1e6).
std::optional<double> ReadWhole(std::string_view option, std::string_view text, double low,
                                double high, std::string& error) {
    const std::optional<double> value = ReadNumber(option, text, error);
    if (!value) return std::nullopt;
    if (*value != std::floor(*value) || *value < low || *value > high) {
        error = "option " + std::string(option) + ": " + Quoted(text) +
                " is not a whole number from " + platform::FormatFloat(low) + " to " +
                platform::FormatFloat(high);
        return std::nullopt;
    }
    return value;
}

std::optional<double> ReadPositive(std::string_view option, std::string_view text,
                                   std::string& error) {
    const std::optional<double> value = ReadNumber(option, text, error);
    if (value && !(*value > 0)) {
        error = "option " + std::string(option) + ": " + Quoted(text) + " must be above 0";
        return std::nullopt;
    }
    return value;
}

bool IsValueOption(std::string_view name) {
    for (std::string_view known : {"--seconds", "--decays", "--seed", "--distance", "--height",
                                   "--radius", "--resolution", "--format", "--output"})
        if (name == known) return true;
    return false;
}

// Applies one option with its value; returns false with the error set.
bool ApplyOption(Options& o, std::string_view name, std::string_view text, std::string& error) {
    if (name == "--seconds") {
        const auto value = ReadPositive(name, text, error);
        if (!value) return false;
        // A whole number of 0.1 s ticks, as the detector window counts time.
        const double ticks = *value * 10;
        if (std::fabs(ticks - std::round(ticks)) > 1e-9 * ticks) {
            error = "option --seconds: " + Quoted(text) + " is not a multiple of 0.1 s";
            return false;
        }
        // The decay count of the run must stay exact: at most LargestWholeCount decays
        // of the built-in source's 20001 a tick.
        if (std::round(ticks) > LargestWholeCount / 20001) {
            error = "option --seconds: " + Quoted(text) + " is too long";
            return false;
        }
        o.seconds = std::round(ticks) / 10;
        o.decaysGiven = false;
    } else if (name == "--decays") {
        const auto value = ReadWhole(name, text, 1, LargestWholeCount, error);
        if (!value) return false;
        o.decays = static_cast<std::uint64_t>(*value);
        o.decaysGiven = true;
    } else if (name == "--seed") {
        const auto value = ReadWhole(name, text, 0, 4294967295.0, error);
        if (!value) return false;
        o.seed = static_cast<std::uint32_t>(*value);
    } else if (name == "--distance") {
        const auto value = ReadNumber(name, text, error);
        if (!value) return false;
        o.distance = *value;
    } else if (name == "--height" || name == "--radius") {
        const auto value = ReadPositive(name, text, error);
        if (!value) return false;
        (name == "--height" ? o.height : o.radius) = *value;
    } else if (name == "--resolution") {
        const auto value = ReadNumber(name, text, error);
        if (!value) return false;
        if (*value < 0) {
            error = "option --resolution: " + Quoted(text) + " must not be negative";
            return false;
        }
        o.resolution = *value;
    } else if (name == "--format") {
        if (text == "csv") {
            o.format = OutputFormat::Csv;
        } else if (text == "spe") {
            o.format = OutputFormat::Spe;
        } else {
            error = "option --format: " + Quoted(text) + " is neither csv nor spe";
            return false;
        }
    } else { // --output
        if (text.empty()) {
            error = "option --output: the file name is empty";
            return false;
        }
        o.output = std::string(text);
    }
    return true;
}

} // namespace

ParseResult ParseArguments(const std::vector<std::string_view>& args) {
    ParseResult result;
    Options& o = result.options;
    bool secondsGiven = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string_view name = args[i];
        if (name == "--help" || name == "-h") {
            o.help = true;
            continue;
        }
        if (name.substr(0, 2) != "--") {
            result.error = "unexpected argument " + Quoted(name);
            return result;
        }
        std::string_view value;
        bool hasValue = false;
        const std::size_t equals = name.find('=');
        if (equals != std::string_view::npos) {
            value = name.substr(equals + 1);
            name = name.substr(0, equals);
            hasValue = true;
        }
        if (!IsValueOption(name)) {
            result.error = "unknown option " + Quoted(name);
            return result;
        }
        if (!hasValue) {
            if (i + 1 == args.size()) {
                result.error = "option " + std::string(name) + " needs a value";
                return result;
            }
            value = args[++i];
        }
        if (!ApplyOption(o, name, value, result.error)) return result;
        secondsGiven = secondsGiven || name == "--seconds";
    }
    if (secondsGiven && o.decaysGiven) {
        result.error = "options --seconds and --decays exclude each other";
        return result;
    }
    if (!std::isfinite(o.distance + o.height + o.radius + o.resolution))
        result.error = "the geometry and resolution must be finite numbers";
    return result;
}

std::string Usage() {
    return "Usage: pelzamo-sim [--seconds S | --decays N] [--seed N] [--distance CM]\n"
           "                   [--height CM] [--radius CM] [--resolution R]\n"
           "                   [--format csv|spe] [--output FILE]\n"
           "\n"
           "Simulates the gamma spectrum of the built-in source (0.662, 2.56 and 3.75 MeV)\n"
           "in the sodium-iodide detector and writes its 4096 channels.\n"
           "\n"
           "  --seconds S      simulated time in s, a multiple of 0.1 (default 10); one\n"
           "                   second is 10 ticks of 20001 decays\n"
           "  --decays N       the number of decays instead of a time\n"
           "  --seed N         seed of the generator, 0 to 4294967295 (default: the clock)\n"
           "  --distance CM    source to detector as shown on the bench (default 8.5)\n"
           "  --height CM      detector height (default 3)\n"
           "  --radius CM      detector radius (default 3)\n"
           "  --resolution R   twice the standard deviation at 1 MeV in keV (default 20)\n"
           "  --format F       csv (default) or spe (IAEA ASCII spectrum)\n"
           "  --output FILE    write to FILE instead of standard output\n"
           "  --help           show this text\n"
           "\n"
           "A summary goes to standard error. Exit status 2 on bad input, with nothing\n"
           "written.\n";
}

sim::DetectorGeometry MakeGeometry(const Options& options) {
    sim::DetectorGeometry g{
        0, 0, options.distance + options.height / 2, options.height, options.radius, 0};
    g.boundingRadius = sim::ComputeBoundingRadius(g);
    return g;
}

sim::Calibration MakeCalibration(const Options& options) {
    return sim::Calibration{10, 1000, options.resolution};
}

std::string CheckGeometry(const sim::DetectorGeometry& g) {
    // The same test as the emission makes: the source at the origin must lie strictly
    // outside the sphere about the centre that encloses the crystal.
    const double d2 = g.x * g.x + g.y * g.y + g.z * g.z;
    if (g.boundingRadius * g.boundingRadius >= d2)
        return "the source lies inside the detector's bounding sphere (centre " +
               platform::FormatFloat(g.z) + " cm from the source, bounding radius " +
               platform::FormatFloat(g.boundingRadius) + " cm); increase the distance";
    return {};
}

std::uint64_t DecaysPerSecond(std::int32_t eventsPerTick) {
    return 10 * (static_cast<std::uint64_t>(eventsPerTick < 0 ? 0 : eventsPerTick) + 1);
}

std::uint64_t DecaysToRun(const Options& options, std::int32_t eventsPerTick) {
    if (options.decaysGiven) return options.decays;
    const auto ticks = static_cast<std::uint64_t>(std::llround(options.seconds * 10));
    return ticks * (DecaysPerSecond(eventsPerTick) / 10);
}

namespace {

// Counts what RunHistory reports; the geometry is checked before the run, so the
// source never lies inside the detector.
class CountingHooks final : public sim::HistoryHooks {
public:
    void PlotChannel(std::int32_t) override {}
    void SourceInsideDetector() override { sourceInside = true; }
    bool sourceInside = false;
};

} // namespace

RunSummary Simulate(const sim::DetectorGeometry& geometry, const sim::Calibration& calibration,
                    std::uint64_t decays, sim::Spectrum& spectrum, sim::RandomGenerator& rng,
                    const std::function<void(std::uint64_t)>& progress) {
    constexpr std::uint64_t ProgressEvery = 1u << 16;
    const auto start = std::chrono::steady_clock::now();
    CountingHooks hooks;
    sim::HistoryTally tally;
    RunSummary summary;
    for (std::uint64_t i = 0; i < decays && !hooks.sourceInside; ++i) {
        if (sim::RunHistory(geometry, calibration, spectrum, tally, hooks, rng) ==
            sim::HistoryOutcome::Counted)
            ++summary.counted;
        ++summary.decays;
        if (progress && summary.decays % ProgressEvery == 0) progress(summary.decays);
    }
    summary.wallSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    summary.simulatedSeconds = static_cast<double>(summary.decays) /
                               static_cast<double>(DecaysPerSecond(sim::EventsPerTick));
    return summary;
}

std::string FormatSummary(const RunSummary& s, std::uint32_t seed) {
    std::ostringstream out;
    out << "pelzamo-sim: " << s.decays << " decays, " << s.counted << " counted, "
        << platform::FormatFloat(s.simulatedSeconds) << " s simulated, "
        << platform::FormatFloat(std::round(s.wallSeconds * 1000) / 1000) << " s wall";
    if (s.wallSeconds > 0)
        out << ", " << static_cast<std::uint64_t>(static_cast<double>(s.decays) / s.wallSeconds)
            << " decays/s";
    out << ", seed " << seed;
    return out.str();
}

void WriteCsv(std::ostream& out, const sim::Spectrum& spectrum) {
    out << "channel,counts\n";
    for (int channel = 0; channel < 4096; ++channel)
        out << channel << ',' << spectrum[channel] << '\n';
}

void WriteSpe(std::ostream& out, const sim::Spectrum& spectrum, const SpeHeader& header) {
    const sim::Calibration& c = header.calibration;
    // channel = E (MeV) * gain + offset, so E (keV) = -offset * 1000 / gain + 1000 / gain
    // * channel.
    const double a = -c.ChannelOffset * 1000 / c.ChannelsPerMeV; // keV
    const double b = 1000 / c.ChannelsPerMeV;                    // keV per channel
    const std::string time = platform::FormatFloat(header.measuringSeconds);
    out << "$SPEC_ID:\n" << header.id << '\n';
    out << "$DATE_MEA:\n" << header.date << '\n';
    out << "$MEAS_TIM:\n" << time << ' ' << time << '\n';
    out << "$DATA:\n0 4095\n";
    for (int channel = 0; channel < 4096; ++channel)
        out << spectrum[channel] << '\n';
    out << "$ENER_FIT:\n" << platform::FormatFloat(a) << ' ' << platform::FormatFloat(b) << '\n';
}

AtomicFile::AtomicFile(std::filesystem::path target) : target_(std::move(target)) {}

AtomicFile::~AtomicFile() {
    Discard();
}

void AtomicFile::Discard() {
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
    }
    if (!temporary_.empty()) {
        std::error_code ignored;
        std::filesystem::remove(temporary_, ignored);
        temporary_.clear();
    }
}

std::string AtomicFile::Open() {
    const std::string shown = Quoted(target_.string());
    std::error_code ec;
    if (std::filesystem::is_directory(target_, ec))
        return "cannot write " + shown + ": it is a folder";
    std::filesystem::path folder = target_.parent_path();
    if (folder.empty()) folder = ".";
    std::random_device entropy;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::ostringstream name;
        name << '.' << target_.filename().string() << '.' << std::hex << entropy() << ".tmp";
        const std::filesystem::path candidate = folder / name.str();
        // "x": fails rather than opening a file that already exists.
        file_ = std::fopen(candidate.string().c_str(), "wbx");
        if (file_) {
            temporary_ = candidate;
            return {};
        }
        if (errno != EEXIST) return "cannot write " + shown + ": " + std::strerror(errno);
    }
    return "cannot write " + shown + ": no free name for a temporary file";
}

std::string AtomicFile::Commit(std::string_view content) {
    const std::string shown = Quoted(target_.string());
    if (!file_) return "cannot write " + shown + ": not open";
    const bool written = std::fwrite(content.data(), 1, content.size(), file_) == content.size();
    const bool flushed = std::fflush(file_) == 0;
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    if (!written || !flushed || !closed) {
        const std::string reason = std::strerror(errno);
        Discard();
        return "cannot write " + shown + ": " + reason;
    }
    std::error_code ec;
    std::filesystem::rename(temporary_, target_, ec);
    if (ec) {
        Discard();
        return "cannot write " + shown + ": " + ec.message();
    }
    temporary_.clear();
    return {};
}

} // namespace simcli
