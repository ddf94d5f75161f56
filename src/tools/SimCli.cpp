// The batch tool's command line.

#include "tools/SimCli.h"

#include "model/Measurement.h"
#include "platform/Numbers.h"
#include "simulation/Source.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>

#ifndef PELZAMO_VERSION
#define PELZAMO_VERSION "unknown"
#endif

namespace simcli {

namespace {

// --- Whole numbers, read exactly ----------------------------------------------------------

enum class Whole { Ok, NotANumber, Negative, NotWhole, TooLarge };

__extension__ using Unsigned128 = unsigned __int128; // a GCC and Clang extension

struct WholeResult {
    Whole status = Whole::NotANumber;
    std::uint64_t value = 0;
};

// text * factor when that is a whole number no larger than `limit`, read exactly from the
// decimal digits (no detour through a double, so 1e-400 is not 0 and 0.30000000000000004
// is not 0.3). The text is an optional sign, digits with an optional '.', and an
// optional exponent: 1e6, 2.5e3 and 12.0 are whole; 2.5 and 1e-400 are not.
WholeResult ReadWhole(std::string_view text, std::uint64_t factor, std::uint64_t limit) {
    static_assert(model::TicksPerSecond <= 100);
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    std::string digits;
    std::int64_t exponent = 0; // value = digits * 10^exponent
    bool point = false;
    for (; i < text.size(); ++i) {
        if (platform::IsDecimalDigit(text[i])) {
            digits.push_back(text[i]);
            if (point) --exponent;
        } else if (text[i] == '.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    if (digits.empty()) return {};
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        bool negativeExponent = false;
        if (i < text.size() && (text[i] == '+' || text[i] == '-'))
            negativeExponent = text[i++] == '-';
        std::int64_t e = 0;
        const std::size_t start = i;
        for (; i < text.size() && platform::IsDecimalDigit(text[i]); ++i)
            e = std::min<std::int64_t>(e * 10 + (text[i] - '0'), 1'000'000);
        if (i == start) return {};
        exponent += negativeExponent ? -e : e;
    }
    if (i != text.size()) return {};

    // Leading zeros say nothing, trailing ones move into the exponent.
    const std::size_t first = digits.find_first_not_of('0');
    if (first == std::string::npos) return {Whole::Ok, 0};
    digits.erase(0, first);
    while (digits.back() == '0') {
        digits.pop_back();
        ++exponent;
    }
    if (negative) return {Whole::Negative, 0};
    // Over 36 significant digits: far too large, or a fraction that the factor (at most
    // 100, so that 10^36 times it stays below 2^128) cannot make whole.
    if (digits.size() > 36)
        return {static_cast<std::int64_t>(digits.size()) + exponent > 20 ? Whole::TooLarge
                                                                         : Whole::NotWhole,
                0};
    Unsigned128 value = 0;
    for (char d : digits)
        value = value * 10 + static_cast<unsigned>(d - '0');
    value *= factor;
    for (; exponent < 0; ++exponent) {
        if (value % 10 != 0) return {Whole::NotWhole, 0};
        value /= 10;
    }
    for (; exponent > 0; --exponent) {
        if (value > limit) return {Whole::TooLarge, 0};
        value *= 10;
    }
    if (value > limit) return {Whole::TooLarge, 0};
    return {Whole::Ok, static_cast<std::uint64_t>(value)};
}

// A whole number from low to high; the error names the option and the range.
std::optional<std::uint64_t> ReadWholeOption(std::string_view option, std::string_view text,
                                             std::uint64_t low, std::uint64_t high,
                                             std::string& error) {
    const WholeResult r = ReadWhole(text, 1, high);
    if (r.status == Whole::NotANumber) {
        error = "option " + std::string(option) + ": " + Quoted(text) + " is not a number";
        return std::nullopt;
    }
    if (r.status != Whole::Ok || r.value < low) {
        error = "option " + std::string(option) + ": " + Quoted(text) +
                " is not a whole number from " + std::to_string(low) + " to " +
                std::to_string(high);
        return std::nullopt;
    }
    return r.value;
}

// A finite number; the error names the option.
std::optional<double> ReadNumber(std::string_view option, std::string_view text,
                                 std::string& error) {
    const std::optional<double> value = platform::ParseFloat(text);
    if (!value || !std::isfinite(*value)) {
        error = "option " + std::string(option) + ": " + Quoted(text) + " is not a number";
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

// --- The options ------------------------------------------------------------------------

enum class Mode { Run = 1, Merge = 2, Both = 3 };

struct OptionInfo {
    std::string_view name;  // long form
    std::string_view brief; // short form, or empty
    bool takesValue;
    Mode modes;
};

constexpr OptionInfo KnownOptions[] = {
    {"--help", "-h", false, Mode::Both},   {"--version", "", false, Mode::Both},
    {"--seconds", "", true, Mode::Run},    {"--decays", "", true, Mode::Run},
    {"--seed", "", true, Mode::Run},       {"--distance", "", true, Mode::Run},
    {"--height", "", true, Mode::Run},     {"--radius", "", true, Mode::Run},
    {"--resolution", "", true, Mode::Run}, {"--generator", "", true, Mode::Run},
    {"--threads", "", true, Mode::Run},    {"--blocks", "", true, Mode::Run},
    {"--start-time", "", true, Mode::Run}, {"--format", "", true, Mode::Both},
    {"--output", "-o", true, Mode::Both},
};

const OptionInfo* FindOption(std::string_view name) {
    for (const OptionInfo& info : KnownOptions)
        if (name == info.name || (!info.brief.empty() && name == info.brief)) return &info;
    return nullptr;
}

std::optional<OutputFormat> FormatNamed(std::string_view name) {
    if (name == "csv") return OutputFormat::Csv;
    if (name == "spe") return OutputFormat::Spe;
    if (name == "n42") return OutputFormat::N42;
    return std::nullopt;
}

// The format that the output file's extension names (.csv, .spe, .n42, any case).
std::optional<OutputFormat> FormatOfExtension(std::string_view path) {
    const std::size_t slash = path.find_last_of('/');
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.find_last_of('.');
    if (dot == std::string_view::npos || dot == 0) return std::nullopt;
    std::string extension(name.substr(dot + 1));
    for (char& c : extension)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return FormatNamed(extension);
}

// Applies one option with its value; returns false with the error set.
bool ApplyOption(Options& o, std::string_view name, std::string_view text, std::string& error) {
    if (name == "--help") {
        o.help = true;
    } else if (name == "--version") {
        o.version = true;
    } else if (name == "--seconds") {
        if (o.decays) {
            error = "options --seconds and --decays exclude each other";
            return false;
        }
        // A whole number of ticks, as the detector window counts time, and a decay count
        // that stays exact.
        const std::uint64_t perTick =
            static_cast<std::uint64_t>(model::DecaysPerTick(sim::BuiltInSource.EventsPerTick()));
        const WholeResult ticks = ReadWhole(text, model::TicksPerSecond, MaxDecays / perTick);
        const std::string shown = "option --seconds: " + Quoted(text);
        switch (ticks.status) {
        case Whole::NotANumber:
            error = shown + " is not a number";
            return false;
        case Whole::Negative:
            error = shown + " must be above 0";
            return false;
        case Whole::NotWhole:
            error = shown + " is not a multiple of " +
                    platform::FormatFloat(model::Defaults::TickLength / 1000.0) + " s";
            return false;
        case Whole::TooLarge:
            error = shown + " is too long";
            return false;
        case Whole::Ok:
            break;
        }
        if (ticks.value == 0) {
            error = shown + " must be above 0";
            return false;
        }
        o.ticks = ticks.value;
    } else if (name == "--decays") {
        if (o.ticks) {
            error = "options --seconds and --decays exclude each other";
            return false;
        }
        const auto value = ReadWholeOption(name, text, 1, MaxDecays, error);
        if (!value) return false;
        o.decays = *value;
    } else if (name == "--seed") {
        const auto value = ReadWholeOption(name, text, 0, 4294967295u, error);
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
    } else if (name == "--generator") {
        if (text == "lcg32") {
            o.generator = Generator::Lcg32;
        } else if (text == "philox") {
            o.generator = Generator::Philox;
        } else {
            error = "option --generator: " + Quoted(text) + " is neither lcg32 nor philox";
            return false;
        }
    } else if (name == "--threads") {
        const auto value = ReadWholeOption(name, text, 1, MaxThreads, error);
        if (!value) return false;
        o.threads = static_cast<unsigned>(*value);
    } else if (name == "--blocks") {
        const std::size_t colon = text.find(':');
        if (colon == std::string_view::npos) {
            error = "option --blocks: " + Quoted(text) + " is not FIRST:LAST";
            return false;
        }
        const auto first = ReadWholeOption(name, text.substr(0, colon), 0, MaxDecays, error);
        if (!first) return false;
        const auto last = ReadWholeOption(name, text.substr(colon + 1), 0, MaxDecays, error);
        if (!last) return false;
        if (*first > *last) {
            error = "option --blocks: " + Quoted(text) + " has FIRST above LAST";
            return false;
        }
        o.blocks = BlockRange{*first, *last};
    } else if (name == "--start-time") {
        o.startTime = ParseIsoTime(text);
        if (!o.startTime) {
            error = "option --start-time: " + Quoted(text) +
                    " is not a UTC time such as 2026-12-08T15:08:54Z";
            return false;
        }
    } else if (name == "--format") {
        const auto format = FormatNamed(text);
        if (!format) {
            error = "option --format: " + Quoted(text) + " is none of csv, spe and n42";
            return false;
        }
        o.format = *format;
    } else { // --output
        if (text.empty()) {
            error = "option --output: the file name is empty";
            return false;
        }
        o.output = std::string(text);
    }
    return true;
}

// The checks that need every option.
std::string CheckTogether(Options& o, bool formatGiven) {
    if (o.merge && o.inputs.empty() && !o.help && !o.version)
        return "merge needs at least one spectrum file";
    if (const auto implied = FormatOfExtension(o.output)) {
        if (formatGiven && *implied != o.format)
            return "the --format contradicts the extension of the output file " + Quoted(o.output);
        o.format = *implied;
    }
    if (o.generator == Generator::Lcg32) {
        if (o.threads && *o.threads > 1)
            return "--generator lcg32 is one stream and runs on one thread; --threads above 1 "
                   "needs --generator philox";
        if (o.blocks)
            return "--generator lcg32 is one stream that cannot be sliced; --blocks needs "
                   "--generator philox";
    }
    return {};
}

} // namespace

const char* GeneratorName(Generator generator) {
    return generator == Generator::Philox ? "philox" : "lcg32";
}

std::string Quoted(std::string_view text) {
    std::string quoted(1, '\'');
    quoted.append(text);
    quoted.push_back('\'');
    return quoted;
}

ParseResult ParseArguments(const std::vector<std::string_view>& args) {
    ParseResult result;
    Options& o = result.options;
    std::size_t i = 0;
    if (!args.empty() && args[0] == "merge") {
        o.merge = true;
        i = 1;
    }
    const Mode mode = o.merge ? Mode::Merge : Mode::Run;
    std::vector<const OptionInfo*> given;
    bool onlyFiles = false; // after "--"
    for (; i < args.size(); ++i) {
        std::string_view name = args[i];
        if (onlyFiles || name.empty() || name[0] != '-' || name == "-") {
            if (!o.merge) {
                result.error = "unexpected argument " + Quoted(name);
                return result;
            }
            o.inputs.emplace_back(name);
            continue;
        }
        if (name == "--") {
            onlyFiles = true;
            continue;
        }
        std::string_view value;
        bool hasValue = false;
        if (name.substr(0, 2) == "--") {
            const std::size_t equals = name.find('=');
            if (equals != std::string_view::npos) {
                value = name.substr(equals + 1);
                name = name.substr(0, equals);
                hasValue = true;
            }
        } else if (name.size() > 2) { // -oFILE
            value = name.substr(2);
            name = name.substr(0, 2);
            hasValue = true;
        }
        const OptionInfo* option = FindOption(name);
        if (!option) {
            result.error = "unknown option " + Quoted(name);
            return result;
        }
        if ((static_cast<int>(option->modes) & static_cast<int>(mode)) == 0) {
            result.error = "option " + std::string(option->name) + " does not apply to merge";
            return result;
        }
        if (std::find(given.begin(), given.end(), option) != given.end()) {
            result.error = "option " + std::string(option->name) + " is given twice";
            return result;
        }
        given.push_back(option);
        if (!option->takesValue && hasValue) {
            result.error = "option " + std::string(option->name) + " takes no value";
            return result;
        }
        if (option->takesValue && !hasValue) {
            if (i + 1 == args.size()) {
                result.error = "option " + std::string(option->name) + " needs a value";
                return result;
            }
            value = args[++i];
        }
        if (!ApplyOption(o, option->name, value, result.error)) return result;
    }
    const bool formatGiven =
        std::find(given.begin(), given.end(), FindOption("--format")) != given.end();
    result.error = CheckTogether(o, formatGiven);
    return result;
}

std::string Usage() {
    const auto perTick = model::DecaysPerTick(sim::BuiltInSource.EventsPerTick());
    const std::string tick = platform::FormatFloat(model::Defaults::TickLength / 1000.0);
    return "Usage: pelzamo-sim [OPTION]...\n"
           "  or:  pelzamo-sim merge [-o FILE] [--format F] FILE...\n"
           "Simulate the gamma spectrum of the built-in source (0.662, 2.56 and 3.75 MeV) in\n"
           "the sodium-iodide detector of Pelzamo2007 and write its 4096 channels; or sum\n"
           "the spectrum files of one run made in slices.\n"
           "\n"
           "Run:\n"
           "      --seconds S          simulated time in s, a multiple of " +
           tick + " (default 10);\n" + "                           a second is " +
           std::to_string(model::TicksPerSecond) + " ticks of " + std::to_string(perTick) +
           " decays\n"
           "      --decays N           the number of decays instead of a time\n"
           "      --seed N             seed, 0 to 4294967295 (default: from the clock)\n"
           "      --distance CM        source to detector as shown on the bench (default 8.5)\n"
           "      --height CM          half-length of the crystal, which spans twice this\n"
           "                           height (default 3)\n"
           "      --radius CM          radius of the crystal (default 3)\n"
           "      --resolution KEV     twice the standard deviation at 1 MeV (default 20)\n"
           "      --generator G        lcg32 (default): the detector window's generator,\n"
           "                           one stream with a period of 2^32 draws (some 10^9\n"
           "                           decays); philox: Philox4x32-10, each block of decays\n"
           "                           its own stream, for runs of any length\n"
           "      --threads N          threads for philox (default: every core the program\n"
           "                           may use); the spectrum does not depend on N\n"
           "      --blocks FIRST:LAST  only blocks FIRST to LAST (philox); block k is the\n"
           "                           k-th simulated second of the run, counted from 0\n"
           "      --start-time T       start of the measurement written to the file, such\n"
           "                           as 2026-12-08T15:08:54Z (default: now)\n"
           "\n"
           "Output:\n"
           "  -o, --output FILE        write to FILE (default: standard output); an existing\n"
           "                           FILE must be a regular file, and is replaced only\n"
           "                           once the spectrum is complete\n"
           "      --format F           csv (channel,counts), spe (IAEA ASCII) or n42 (ANSI\n"
           "                           N42.42-2011 XML); by default the extension of FILE\n"
           "                           (.csv, .spe, .n42), else csv\n"
           "  -h, --help               show this text and exit\n"
           "      --version            show the version and exit\n"
           "\n"
           "Merge:\n"
           "  pelzamo-sim merge sums SPE files that slices of one philox run wrote with\n"
           "  --blocks: same geometry, resolution, generator, seed, length and program\n"
           "  version, and no block twice. Slices that together make every block merge into\n"
           "  the file that the whole run writes with the same --start-time.\n"
           "\n"
           "A summary goes to standard error, and a progress line when it is a terminal.\n"
           "Exit status: 0 on success; 2 when an argument or input file is refused or the\n"
           "output cannot be written, with one line on standard error and no file touched.\n";
}

std::string VersionText() {
    return "pelzamo-sim (Pelzamo2007) " PELZAMO_VERSION "\n";
}

std::string IsoTime(std::int64_t unixTime) {
    using namespace std::chrono;
    const sys_seconds time{seconds{unixTime}};
    const sys_days day = floor<days>(time);
    const year_month_day date{day};
    const hh_mm_ss clock{time - day};
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02dZ",
                  static_cast<int>(date.year()), static_cast<unsigned>(date.month()),
                  static_cast<unsigned>(date.day()), static_cast<int>(clock.hours().count()),
                  static_cast<int>(clock.minutes().count()),
                  static_cast<int>(clock.seconds().count()));
    return text;
}

std::optional<std::int64_t> ParseIsoTime(std::string_view text) {
    // YYYY-MM-DDThh:mm:ssZ, every field its digits.
    constexpr std::string_view Shape = "dddd-dd-ddTdd:dd:ddZ";
    if (text.size() != Shape.size()) return std::nullopt;
    for (std::size_t i = 0; i < Shape.size(); ++i)
        if (Shape[i] == 'd' ? !platform::IsDecimalDigit(text[i]) : text[i] != Shape[i])
            return std::nullopt;
    const auto number = [&](std::size_t at, std::size_t length) {
        int value = 0;
        for (std::size_t i = at; i < at + length; ++i)
            value = value * 10 + (text[i] - '0');
        return value;
    };
    using namespace std::chrono;
    const year_month_day date{year{number(0, 4)}, month{static_cast<unsigned>(number(5, 2))},
                              day{static_cast<unsigned>(number(8, 2))}};
    const int h = number(11, 2), m = number(14, 2), s = number(17, 2);
    if (!date.ok() || h > 23 || m > 59 || s > 59) return std::nullopt;
    return (sys_days{date}.time_since_epoch() + hours{h} + minutes{m} + seconds{s}) / seconds{1};
}

} // namespace simcli
