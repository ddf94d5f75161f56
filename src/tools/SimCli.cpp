// The batch tool's command line.

#include "tools/SimCli.h"
#include "tools/Version.h"

#include "model/Measurement.h"
#include "platform/Numbers.h"
#include "simulation/Source.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>

namespace simcli {

std::uint64_t TickDecays() {
    return static_cast<std::uint64_t>(model::DecaysPerTick(sim::BuiltInSource.EventsPerTick()));
}

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

// A whole number from low to high, or the refusal.
std::optional<std::uint64_t> ReadWholeValue(std::string_view text, std::uint64_t low,
                                            std::uint64_t high, std::string& why) {
    const WholeResult r = ReadWhole(text, 1, high);
    if (r.status == Whole::NotANumber) {
        why = Quoted(text) + " is not a number";
        return std::nullopt;
    }
    if (r.status != Whole::Ok || r.value < low) {
        why = Quoted(text) + " is not a whole number from " + std::to_string(low) + " to " +
              std::to_string(high);
        return std::nullopt;
    }
    return r.value;
}

// --- The options ------------------------------------------------------------------------

enum class Mode { Run = 1, Merge = 2, Both = 3 };

// How an option's value is read and checked.
enum class Kind {
    Flag,        // no value
    Whole,       // a whole number from `low` to `high`
    Ticks,       // seconds: a positive multiple of a tick, and a run that stays exact
    Number,      // any finite number
    Positive,    // a finite number above 0
    NotNegative, // a finite number, 0 or above
    Choice,      // one of `choices`
    Blocks,      // FIRST:LAST, whole numbers
    Time,        // a UTC time
    FileName,    // a name that is not empty
};

// An option's value once read.
struct Value {
    std::uint64_t whole = 0; // Whole, Ticks (in ticks), Blocks (FIRST)
    std::uint64_t last = 0;  // Blocks
    double number = 0;       // Number, Positive, NotNegative
    std::int64_t time = 0;   // Time
    std::size_t choice = 0;  // Choice: the index in `choices`
    std::string_view text;   // FileName
};

// One option: its names, where it applies, its value and what it sets.
struct OptionRow {
    std::string_view name;  // long form
    std::string_view brief; // short form, or empty
    Mode modes;
    Kind kind;
    std::uint64_t low; // Whole, Blocks: the range
    std::uint64_t high;
    std::array<std::string_view, 3> choices; // Choice: the words, the unused ones empty
    void (*apply)(Options&, const Value&);
};

constexpr std::uint64_t MaxSeed = 4294967295u;

// One row an option, its setter under it.
// clang-format off
constexpr OptionRow Rows[] = {
    {"--help", "-h", Mode::Both, Kind::Flag, 0, 0, {},
        [](Options& o, const Value&) { o.help = true; }},
    {"--version", "", Mode::Both, Kind::Flag, 0, 0, {},
        [](Options& o, const Value&) { o.version = true; }},
    {"--seconds", "", Mode::Run, Kind::Ticks, 0, 0, {},
        [](Options& o, const Value& v) { o.ticks = v.whole; }},
    {"--decays", "", Mode::Run, Kind::Whole, 1, MaxDecays, {},
        [](Options& o, const Value& v) { o.decays = v.whole; }},
    {"--seed", "", Mode::Run, Kind::Whole, 0, MaxSeed, {},
        [](Options& o, const Value& v) { o.seed = static_cast<std::uint32_t>(v.whole); }},
    {"--distance", "", Mode::Run, Kind::Number, 0, 0, {},
        [](Options& o, const Value& v) { o.distance = v.number; }},
    {"--height", "", Mode::Run, Kind::Positive, 0, 0, {},
        [](Options& o, const Value& v) { o.height = v.number; }},
    {"--radius", "", Mode::Run, Kind::Positive, 0, 0, {},
        [](Options& o, const Value& v) { o.radius = v.number; }},
    {"--resolution", "", Mode::Run, Kind::NotNegative, 0, 0, {},
        [](Options& o, const Value& v) { o.resolution = v.number; }},
    {"--generator", "", Mode::Run, Kind::Choice, 0, 0, {"lcg32", "philox"},
        [](Options& o, const Value& v) { o.generator = static_cast<Generator>(v.choice); }},
    {"--threads", "", Mode::Run, Kind::Whole, 1, MaxThreads, {},
        [](Options& o, const Value& v) { o.threads = static_cast<unsigned>(v.whole); }},
    {"--blocks", "", Mode::Run, Kind::Blocks, 0, MaxDecays, {},
        [](Options& o, const Value& v) { o.blocks = BlockRange{v.whole, v.last}; }},
    {"--start-time", "", Mode::Run, Kind::Time, 0, 0, {},
        [](Options& o, const Value& v) { o.startTime = v.time; }},
    {"--files-from", "", Mode::Merge, Kind::FileName, 0, 0, {},
        [](Options& o, const Value& v) { o.filesFrom = std::string(v.text); }},
    {"--partial", "", Mode::Merge, Kind::Flag, 0, 0, {},
        [](Options& o, const Value&) { o.partial = true; }},
    {"--format", "", Mode::Both, Kind::Choice, 0, 0, {"csv", "spe", "n42"},
        [](Options& o, const Value& v) { o.format = static_cast<OutputFormat>(v.choice); }},
    {"--output", "-o", Mode::Both, Kind::FileName, 0, 0, {},
        [](Options& o, const Value& v) { o.output = std::string(v.text); }},
};
// clang-format on
static_assert(static_cast<int>(Generator::Lcg32) == 0 && static_cast<int>(Generator::Philox) == 1);
static_assert(static_cast<int>(OutputFormat::Csv) == 0 && static_cast<int>(OutputFormat::N42) == 2);

const OptionRow* FindOption(std::string_view name) {
    for (const OptionRow& row : Rows)
        if (name == row.name || (!row.brief.empty() && name == row.brief)) return &row;
    return nullptr;
}

// "is neither lcg32 nor philox", "is none of csv, spe and n42".
std::string NotAChoice(const OptionRow& row) {
    std::vector<std::string_view> words;
    for (std::string_view word : row.choices)
        if (!word.empty()) words.push_back(word);
    if (words.size() == 2)
        return "is neither " + std::string(words[0]) + " nor " + std::string(words[1]);
    std::string text = "is none of ";
    for (std::size_t i = 0; i < words.size(); ++i)
        text += std::string(i == 0                  ? ""
                            : i + 1 == words.size() ? " and "
                                                    : ", ") +
                std::string(words[i]);
    return text;
}

// Reads the value of `row` from `text`; the refusal, or an empty text.
std::string ReadValue(const OptionRow& row, std::string_view text, Value& v) {
    const std::string shown = Quoted(text);
    std::string why;
    switch (row.kind) {
    case Kind::Flag:
        return {};
    case Kind::Whole: {
        const auto value = ReadWholeValue(text, row.low, row.high, why);
        if (value) v.whole = *value;
        return why;
    }
    case Kind::Ticks: {
        // A whole number of ticks, as the detector window counts time, and a decay count
        // that stays exact.
        const std::uint64_t perTick = TickDecays();
        const WholeResult ticks = ReadWhole(text, model::TicksPerSecond, MaxDecays / perTick);
        switch (ticks.status) {
        case Whole::NotANumber:
            return shown + " is not a number";
        case Whole::Negative:
            return shown + " must be above 0";
        case Whole::NotWhole:
            return shown + " is not a multiple of " +
                   platform::FormatFloat(model::Defaults::TickLength / 1000.0) + " s";
        case Whole::TooLarge:
            return shown + " is too long";
        case Whole::Ok:
            break;
        }
        if (ticks.value == 0) return shown + " must be above 0";
        v.whole = ticks.value;
        return {};
    }
    case Kind::Number:
    case Kind::Positive:
    case Kind::NotNegative: {
        const std::optional<double> value = platform::ParseFloat(text);
        if (!value || !std::isfinite(*value)) return shown + " is not a number";
        if (row.kind == Kind::Positive && !(*value > 0)) return shown + " must be above 0";
        if (row.kind == Kind::NotNegative && *value < 0) return shown + " must not be negative";
        v.number = *value;
        return {};
    }
    case Kind::Choice:
        for (std::size_t i = 0; i < row.choices.size(); ++i)
            if (!row.choices[i].empty() && text == row.choices[i]) {
                v.choice = i;
                return {};
            }
        return shown + " " + NotAChoice(row);
    case Kind::Blocks: {
        const std::size_t colon = text.find(':');
        if (colon == std::string_view::npos) return shown + " is not FIRST:LAST";
        const auto first = ReadWholeValue(text.substr(0, colon), row.low, row.high, why);
        if (!first) return why;
        const auto last = ReadWholeValue(text.substr(colon + 1), row.low, row.high, why);
        if (!last) return why;
        if (*first > *last) return shown + " has FIRST above LAST";
        v.whole = *first;
        v.last = *last;
        return {};
    }
    case Kind::Time: {
        const auto time = ParseIsoTime(text);
        if (!time) return shown + " is not a UTC time such as 2026-12-08T15:08:54Z";
        v.time = *time;
        return {};
    }
    case Kind::FileName:
        if (text.empty()) return "the file name is empty";
        v.text = text;
        return {};
    }
    return {};
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
    const OptionRow& format = *FindOption("--format");
    for (std::size_t i = 0; i < format.choices.size(); ++i)
        if (extension == format.choices[i]) return static_cast<OutputFormat>(i);
    return std::nullopt;
}

// The checks that need every option.
std::string CheckTogether(Options& o, bool formatGiven) {
    if (o.merge && o.inputs.empty() && o.filesFrom.empty() && !o.help && !o.version)
        return "merge needs at least one spectrum file";
    if (const auto implied = FormatOfExtension(o.output)) {
        if (formatGiven && *implied != o.format)
            return "the --format contradicts the extension of the output file " + Quoted(o.output);
        o.format = *implied;
    }
    return CheckGenerator(o);
}

} // namespace

std::string CheckGenerator(const Options& o) {
    if (o.generator != Generator::Lcg32) return {};
    if (o.threads && *o.threads > 1)
        return "--generator lcg32 is one stream and runs on one thread; --threads above 1 "
               "needs --generator philox";
    if (o.blocks)
        return "--generator lcg32 is one stream that cannot be sliced; --blocks needs "
               "--generator philox";
    return {};
}

const char* GeneratorName(Generator generator) {
    return generator == Generator::Philox ? "philox" : "lcg32";
}

bool ToStandardOutput(const Options& options) {
    return options.output.empty() || options.output == "-";
}

std::string Quoted(std::string_view text) {
    std::string quoted(1, '\'');
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\\') {
            quoted += "\\\\";
        } else if (c == '\n') {
            quoted += "\\n";
        } else if (c == '\t') {
            quoted += "\\t";
        } else if (c == '\r') {
            quoted += "\\r";
        } else if (byte < 0x20 || byte == 0x7f) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", byte);
            quoted += escaped;
        } else {
            quoted.push_back(c);
        }
    }
    quoted.push_back('\'');
    return quoted;
}

std::string ApplyValue(Options& options, std::string_view option, std::string_view text) {
    const OptionRow* row = FindOption(option);
    if (!row) return "is not an option";
    Value value;
    if (std::string why = ReadValue(*row, text, value); !why.empty()) return why;
    row->apply(options, value);
    return {};
}

std::string CheckStartTime(std::int64_t start, std::int64_t now) {
    if (start <= now) return {};
    return Quoted(IsoTime(start)) + " is later than the clock (" + IsoTime(now) +
           "): a measurement cannot start in the future";
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
    std::vector<const OptionRow*> given;
    const auto wasGiven = [&](std::string_view name) {
        return std::find(given.begin(), given.end(), FindOption(name)) != given.end();
    };
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
        const OptionRow* option = FindOption(name);
        if (!option) {
            result.error = "unknown option " + Quoted(name);
            return result;
        }
        const std::string named = "option " + std::string(option->name);
        if ((static_cast<int>(option->modes) & static_cast<int>(mode)) == 0) {
            result.error =
                named + (o.merge ? " does not apply to merge" : " applies only to merge");
            return result;
        }
        if (std::find(given.begin(), given.end(), option) != given.end()) {
            result.error = named + " is given twice";
            return result;
        }
        given.push_back(option);
        if (wasGiven("--seconds") && wasGiven("--decays")) {
            result.error = "options --seconds and --decays exclude each other";
            return result;
        }
        const bool takesValue = option->kind != Kind::Flag;
        if (!takesValue && hasValue) {
            result.error = named + " takes no value";
            return result;
        }
        if (takesValue && !hasValue) {
            if (i + 1 == args.size()) {
                result.error = named + " needs a value";
                return result;
            }
            value = args[++i];
        }
        Value read;
        if (std::string why = ReadValue(*option, value, read); !why.empty()) {
            result.error = named + ": " + why;
            return result;
        }
        option->apply(o, read);
    }
    result.error = CheckTogether(o, wasGiven("--format"));
    return result;
}

std::string Usage() {
    const std::uint64_t perTick = TickDecays();
    const std::string tick = platform::FormatFloat(model::Defaults::TickLength / 1000.0);
    const Options defaults;
    const auto shown = [](double value) { return platform::FormatFloat(value); };
    return "Usage: pelzamo-sim [OPTION]...\n"
           "  or:  pelzamo-sim merge [--partial] [-o FILE] [--format F] [--files-from LIST]\n"
           "                         FILE...\n"
           "Simulate the gamma spectrum of the built-in source (0.662, 2.56 and 3.75 MeV) in\n"
           "the sodium-iodide detector of Pelzamo2007 and write its 4096 channels; or sum\n"
           "the spectrum files of one run made in slices.\n"
           "\n"
           "Run:\n"
           "      --seconds S          simulated time in s, a multiple of " +
           tick + " (default " + std::to_string(DefaultSeconds) + ");\n" +
           "                           a second is " + std::to_string(model::TicksPerSecond) +
           " ticks of " + std::to_string(perTick) +
           " decays\n"
           "      --decays N           the number of decays instead of a time\n"
           "      --seed N             seed, 0 to " +
           std::to_string(MaxSeed) +
           " (default: from the clock)\n"
           "      --distance CM        source to detector as shown on the bench (default " +
           shown(defaults.distance) +
           ")\n"
           "      --height CM          half-length of the crystal, which spans twice this\n"
           "                           height (default " +
           shown(defaults.height) +
           ")\n"
           "      --radius CM          radius of the crystal (default " +
           shown(defaults.radius) +
           ")\n"
           "      --resolution KEV     twice the standard deviation at 1 MeV (default " +
           shown(defaults.resolution) +
           ")\n"
           "      --generator G        lcg32 (default): the detector window's generator,\n"
           "                           one stream with a period of 2^32 draws (some 10^9\n"
           "                           decays); philox: Philox4x32-10, each block of decays\n"
           "                           its own stream, for runs of any length\n"
           "      --threads N          threads for philox (default: the cores the program\n"
           "                           may use, at most SLURM_CPUS_PER_TASK when that is\n"
           "                           set, and at most the blocks); the spectrum does not\n"
           "                           depend on N\n"
           "      --blocks FIRST:LAST  only blocks FIRST to LAST (philox); block k is the\n"
           "                           k-th simulated second of the run, counted from 0\n"
           "      --start-time T       start of the measurement written to the file, such\n"
           "                           as 2026-12-08T15:08:54Z, not later than now\n"
           "                           (default: now)\n"
           "\n"
           "Output:\n"
           "  -o, --output FILE        write to FILE; - or none: standard output. An\n"
           "                           existing FILE must be a regular file, and is replaced\n"
           "                           only once the spectrum is complete\n"
           "      --format F           csv (channel,counts), spe (IAEA ASCII) or n42 (ANSI\n"
           "                           N42.42-2011 XML); by default the extension of FILE\n"
           "                           (.csv, .spe, .n42), else csv\n"
           "  -h, --help               show this text and exit\n"
           "      --version            show the version and exit\n"
           "\n"
           "Merge:\n"
           "  pelzamo-sim merge sums the SPE or N42 files that slices of one philox run\n"
           "  wrote with --blocks: same geometry, resolution, generator, seed, length and\n"
           "  program version, and no block twice. Slices that together make every block\n"
           "  merge into the file that the whole run writes with the same --start-time. A\n"
           "  set that lacks blocks is refused, naming them.\n"
           "      --partial            merge a set that lacks blocks; the file names the\n"
           "                           missing blocks and merges later with the rest\n"
           "      --files-from LIST    read the names of the files from LIST, one a line\n"
           "                           (- for standard input), as well as any FILE given\n"
           "\n"
           "A summary goes to standard error, and a progress line when it is a terminal.\n"
           "Exit status: 0 on success; 2 when an argument or input file is refused or the\n"
           "output cannot be written, with one line on standard error and no file touched.\n";
}

std::string_view Version() {
    return PELZAMO_VERSION;
}

std::string ProgramName() {
    return "pelzamo-sim " + std::string(Version());
}

std::string VersionText() {
    return "pelzamo-sim (Pelzamo2007) " + std::string(Version()) + "\n";
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
