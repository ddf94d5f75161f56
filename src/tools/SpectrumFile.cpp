// The batch tool's spectrum files.

#include "tools/SpectrumFile.h"
#include "tools/Version.h"

#include "platform/Numbers.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <map>
#include <sstream>
#include <system_error>

namespace simcli {

namespace {

constexpr int FileChannels = 4096; // channels 0 to 4095

// The shortest text that reads back as the same double.
std::string Number(double value) {
    char text[32];
    const auto [end, ec] = std::to_chars(text, text + sizeof text, value);
    return ec == std::errc() ? std::string(text, end) : std::string("nan");
}

// The shortest plain decimal (no exponent) that reads back as the same double.
std::string FixedNumber(double value) {
    char text[400];
    const auto [end, ec] = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed);
    return ec == std::errc() ? std::string(text, end) : std::string("nan");
}

// Energy in keV of the lower edge of a channel: a + b * channel.
struct Linear {
    double a;
    double b;
};
Linear EnergyOfChannel(const SpectrumRecord& r) {
    // channel = E (MeV) * gain + offset, so E (keV) = -offset * 1000 / gain + 1000 / gain
    // * channel.
    return {-r.channelOffset * 1000 / r.channelsPerMeV, 1000 / r.channelsPerMeV};
}

// The run's description, one "key: value" line each; the reader takes the first word
// after the colon (all of it for the program). A partial merge adds the blocks it lacks.
std::vector<std::string> RemarkLines(const SpectrumRecord& r) {
    std::vector<std::string> lines{
        "program: " + r.program,
        "distance: " + Number(r.distance) + " cm (source to detector, as shown on the bench)",
        "height: " + Number(r.height) + " cm (half-length of the crystal)",
        "radius: " + Number(r.radius) + " cm",
        "resolution: " + Number(r.resolution) + " keV (twice the standard deviation at 1 MeV)",
        "channel offset: " + Number(r.channelOffset) + " (the channel of zero energy)",
        "channels per MeV: " + Number(r.channelsPerMeV),
        std::string("generator: ") + GeneratorName(r.generator),
        "seed: " + std::to_string(r.seed),
        "run decays: " + std::to_string(r.runDecays),
        "block decays: " + std::to_string(r.blockDecays) + " (one simulated second)",
        "blocks: " + FormatBlocks(r.blocks),
        "decays: " + std::to_string(RecordDecays(r)),
    };
    if (r.partial)
        lines.push_back(
            "missing blocks: " +
            FormatBlocks(MissingBlocks(r.blocks, BlockCount(r.runDecays, r.blockDecays))) +
            " (a partial merge)");
    return lines;
}

std::string SpectrumId(const SpectrumRecord& r) {
    return "Pelzamo2007 simulated spectrum: distance " + Number(r.distance) + " cm, height " +
           Number(r.height) + " cm, radius " + Number(r.radius) + " cm, resolution " +
           Number(r.resolution) + " keV, " + GeneratorName(r.generator) + " seed " +
           std::to_string(r.seed);
}

// mm/dd/yyyy hh:mm:ss in UTC, and back.
std::string SpeDate(std::int64_t unixTime) {
    const std::string iso = IsoTime(unixTime); // yyyy-mm-ddThh:mm:ssZ
    return iso.substr(5, 2) + '/' + iso.substr(8, 2) + '/' + iso.substr(0, 4) + ' ' +
           iso.substr(11, 8);
}
std::optional<std::int64_t> ParseSpeDate(std::string_view text) {
    if (text.size() != 19 || text[2] != '/' || text[5] != '/' || text[10] != ' ')
        return std::nullopt;
    const std::string iso = std::string(text.substr(6, 4)) + '-' + std::string(text.substr(0, 2)) +
                            '-' + std::string(text.substr(3, 2)) + 'T' +
                            std::string(text.substr(11, 8)) + 'Z';
    return ParseIsoTime(iso);
}

// The namespace of the UUIDs of this tool's N42 documents.
constexpr std::array<std::uint8_t, 16> DocumentSpace{
    0x44, 0xc4, 0x1b, 0x3c, 0x75, 0x9c, 0x4e, 0xe0, 0x98, 0xb5, 0xf6, 0x00, 0x13, 0x49, 0x8e, 0x86};

std::string XmlEscaped(std::string_view text) {
    std::string escaped;
    for (char c : text) {
        if (c == '&')
            escaped += "&amp;";
        else if (c == '<')
            escaped += "&lt;";
        else if (c == '>')
            escaped += "&gt;";
        else
            escaped.push_back(c);
    }
    return escaped;
}

// The whole text as one number: a whole number for an integer type, any decimal for double.
template <typename T> bool ParseAll(std::string_view text, T& value) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

std::optional<std::vector<BlockRange>> ParseBlocks(std::string_view text) {
    std::vector<BlockRange> blocks;
    while (!text.empty()) {
        const std::size_t comma = text.find(',');
        const std::string_view item = text.substr(0, comma);
        const std::size_t dash = item.find('-');
        BlockRange range;
        if (!ParseAll(item.substr(0, dash), range.first)) return std::nullopt;
        range.last = range.first;
        if (dash != std::string_view::npos && !ParseAll(item.substr(dash + 1), range.last))
            return std::nullopt;
        if (range.last < range.first || (!blocks.empty() && range.first <= blocks.back().last + 1))
            return std::nullopt;
        blocks.push_back(range);
        text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
        if (comma != std::string_view::npos && text.empty()) return std::nullopt;
    }
    if (blocks.empty()) return std::nullopt;
    return blocks;
}

// Lines of a text, without their end ("\n" or "\r\n").
std::vector<std::string_view> Lines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.push_back(line);
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    return lines;
}

} // namespace

SpectrumRecord MakeRecord(const Options& o, const RunPlan& plan, std::int64_t startTime,
                          const Counts& counts) {
    SpectrumRecord r;
    r.program = ProgramName();
    r.distance = o.distance;
    r.height = o.height;
    r.radius = o.radius;
    r.resolution = plan.calibration.Resolution;
    r.channelOffset = plan.calibration.ChannelOffset;
    r.channelsPerMeV = plan.calibration.ChannelsPerMeV;
    r.generator = plan.generator;
    r.seed = plan.seed;
    r.runDecays = plan.decays;
    r.blockDecays = plan.blockDecays;
    r.blocks = {plan.blocks};
    r.startTime = startTime;
    r.counts = counts;
    return r;
}

std::uint64_t RecordDecays(const SpectrumRecord& r) {
    std::uint64_t decays = 0;
    for (const BlockRange& range : r.blocks)
        decays += DecaysInBlocks(r.runDecays, r.blockDecays, range);
    return decays;
}

double RecordSeconds(const SpectrumRecord& r) {
    // Both are exact as doubles, and the quotient is rounded once, so whole ticks come
    // out as the shortest decimal: 10, 0.1, 2.3.
    return static_cast<double>(RecordDecays(r)) / static_cast<double>(r.blockDecays);
}

std::string FormatBlocks(const std::vector<BlockRange>& blocks) {
    std::string text;
    for (const BlockRange& range : blocks) {
        if (!text.empty()) text.push_back(',');
        text += std::to_string(range.first);
        if (range.last != range.first) text += '-' + std::to_string(range.last);
    }
    return text;
}

void WriteCsv(std::ostream& out, const SpectrumRecord& r) {
    out << "channel,counts\n";
    for (int channel = 0; channel < FileChannels; ++channel)
        out << channel << ',' << r.counts[channel] << '\n';
}

void WriteSpe(std::ostream& out, const SpectrumRecord& r) {
    const Linear energy = EnergyOfChannel(r);
    const std::string time = Number(RecordSeconds(r));
    out << "$SPEC_ID:\n" << SpectrumId(r) << '\n';
    out << "$SPEC_REM:\n";
    for (const std::string& line : RemarkLines(r))
        out << line << '\n';
    out << "$DATE_MEA:\n" << SpeDate(r.startTime) << '\n';
    out << "$MEAS_TIM:\n" << time << ' ' << time << '\n';
    out << "$DATA:\n0 " << FileChannels - 1 << '\n';
    for (int channel = 0; channel < FileChannels; ++channel)
        out << r.counts[channel] << '\n';
    out << "$ENER_FIT:\n" << Number(energy.a) << ' ' << Number(energy.b) << '\n';
    out << "$MCA_CAL:\n3\n" << Number(energy.a) << ' ' << Number(energy.b) << " 0 keV\n";
}

void WriteN42(std::ostream& out, const SpectrumRecord& r) {
    const Linear energy = EnergyOfChannel(r);
    const std::string duration = "PT" + FixedNumber(RecordSeconds(r)) + "S";
    // The schema's names and versions are words with at most one run of other characters
    // and no blank inside it: "pelzamo-sim/1.0", not "pelzamo-sim 1.0".
    const std::size_t blank = r.program.find(' ');
    const std::string version = r.program.substr(blank + 1);
    const std::string creator = r.program.substr(0, blank) + '/' + version;
    std::ostringstream body;
    body << "  <RadInstrumentDataCreatorName>" << XmlEscaped(creator)
         << "</RadInstrumentDataCreatorName>\n"
            "  <RadInstrumentInformation id=\"RadInstrumentInformation-1\">\n"
            "    <RadInstrumentManufacturerName>Pelzamo2007</RadInstrumentManufacturerName>\n"
            "    <RadInstrumentModelName>Simulated NaI(Tl) detector</RadInstrumentModelName>\n"
            "    <RadInstrumentClassCode>Other</RadInstrumentClassCode>\n"
            "    <RadInstrumentVersion>\n"
            "      <RadInstrumentComponentName>Software</RadInstrumentComponentName>\n"
            "      <RadInstrumentComponentVersion>"
         << XmlEscaped(version)
         << "</RadInstrumentComponentVersion>\n"
            "    </RadInstrumentVersion>\n"
            "  </RadInstrumentInformation>\n"
            "  <RadDetectorInformation id=\"RadDetectorInformation-1\">\n"
            "    <RadDetectorCategoryCode>Gamma</RadDetectorCategoryCode>\n"
            "    <RadDetectorKindCode>NaI</RadDetectorKindCode>\n"
            "  </RadDetectorInformation>\n"
            "  <EnergyCalibration id=\"EnergyCalibration-1\">\n"
            "    <CoefficientValues>"
         << Number(energy.a) << ' ' << Number(energy.b)
         << " 0</CoefficientValues>\n"
            "  </EnergyCalibration>\n"
            "  <RadMeasurement id=\"RadMeasurement-1\">\n"
            "    <Remark>Title: "
         << XmlEscaped(SpectrumId(r)) << "</Remark>\n";
    for (const std::string& line : RemarkLines(r))
        body << "    <Remark>" << XmlEscaped(line) << "</Remark>\n";
    body << "    <MeasurementClassCode>Foreground</MeasurementClassCode>\n"
            "    <StartDateTime>"
         << IsoTime(r.startTime)
         << "</StartDateTime>\n"
            "    <RealTimeDuration>"
         << duration
         << "</RealTimeDuration>\n"
            "    <Spectrum id=\"Spectrum-1\" radDetectorInformationReference=\""
            "RadDetectorInformation-1\" energyCalibrationReference=\"EnergyCalibration-1\">\n"
            "      <LiveTimeDuration>"
         << duration << "</LiveTimeDuration>\n"
         << "      <ChannelData compressionCode=\"None\">";
    for (int channel = 0; channel < FileChannels; ++channel)
        body << (channel % 16 == 0 ? "\n        " : " ") << r.counts[channel];
    body << "\n      </ChannelData>\n"
            "    </Spectrum>\n"
            "  </RadMeasurement>\n"
            "</RadInstrumentData>\n";
    // The document is dated at the start of the run, and named by a UUID of all the rest
    // of it: the same run, whole or merged, is the same document.
    const std::string head = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                             "<RadInstrumentData xmlns=\"http://physics.nist.gov/N42/2011/N42\"";
    const std::string dated = " n42DocDateTime=\"" + IsoTime(r.startTime) + "\">\n";
    const std::string content = body.str();
    out << head << " n42DocUUID=\"" << NameUuid(DocumentSpace, head + dated + content) << '"'
        << dated << content;
}

void WriteFormat(std::ostream& out, const SpectrumRecord& record, OutputFormat format) {
    switch (format) {
    case OutputFormat::Csv:
        WriteCsv(out, record);
        return;
    case OutputFormat::Spe:
        WriteSpe(out, record);
        return;
    case OutputFormat::N42:
        WriteN42(out, record);
        return;
    }
}

std::vector<BlockRange> MissingBlocks(const std::vector<BlockRange>& blocks,
                                      std::uint64_t blockCount) {
    std::vector<BlockRange> missing;
    std::uint64_t next = 0; // the first block not yet accounted for
    for (const BlockRange& range : blocks) {
        if (range.first > next) missing.push_back({next, range.first - 1});
        next = std::max(next, range.last + 1);
    }
    if (next < blockCount) missing.push_back({next, blockCount - 1});
    return missing;
}

// --- UUIDs --------------------------------------------------------------------------------

namespace {

// SHA-1 (FIPS 180-4) of a text, as UUIDs of version 5 use it.
std::array<std::uint8_t, 20> Sha1(std::string_view text) {
    std::uint32_t h[5] = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0};
    const auto rotate = [](std::uint32_t x, int n) { return (x << n) | (x >> (32 - n)); };
    std::string message(text);
    const std::uint64_t bits = static_cast<std::uint64_t>(text.size()) * 8;
    message.push_back(static_cast<char>(0x80));
    while (message.size() % 64 != 56)
        message.push_back('\0');
    for (int shift = 56; shift >= 0; shift -= 8)
        message.push_back(static_cast<char>((bits >> shift) & 0xff));
    for (std::size_t chunk = 0; chunk < message.size(); chunk += 64) {
        std::uint32_t w[80];
        for (int i = 0; i < 16; ++i) {
            w[i] = 0;
            for (int b = 0; b < 4; ++b)
                w[i] = (w[i] << 8) | static_cast<std::uint8_t>(message[chunk + 4 * i + b]);
        }
        for (int i = 16; i < 80; ++i)
            w[i] = rotate(w[i - 3] ^ w[i - 8] ^ w[i - 14] ^ w[i - 16], 1);
        std::uint32_t a = h[0], b = h[1], c = h[2], d = h[3], e = h[4];
        for (int i = 0; i < 80; ++i) {
            std::uint32_t f, k;
            if (i < 20) {
                f = (b & c) | (~b & d);
                k = 0x5A827999;
            } else if (i < 40) {
                f = b ^ c ^ d;
                k = 0x6ED9EBA1;
            } else if (i < 60) {
                f = (b & c) | (b & d) | (c & d);
                k = 0x8F1BBCDC;
            } else {
                f = b ^ c ^ d;
                k = 0xCA62C1D6;
            }
            const std::uint32_t next = rotate(a, 5) + f + e + k + w[i];
            e = d;
            d = c;
            c = rotate(b, 30);
            b = a;
            a = next;
        }
        h[0] += a;
        h[1] += b;
        h[2] += c;
        h[3] += d;
        h[4] += e;
    }
    std::array<std::uint8_t, 20> digest{};
    for (int i = 0; i < 20; ++i)
        digest[i] = static_cast<std::uint8_t>(h[i / 4] >> (24 - 8 * (i % 4)));
    return digest;
}

} // namespace

std::string NameUuid(const std::array<std::uint8_t, 16>& space, std::string_view name) {
    std::string input(space.begin(), space.end());
    input.append(name);
    std::array<std::uint8_t, 20> digest = Sha1(input);
    digest[6] = static_cast<std::uint8_t>((digest[6] & 0x0f) | 0x50); // version 5
    digest[8] = static_cast<std::uint8_t>((digest[8] & 0x3f) | 0x80); // RFC variant
    std::string text;
    for (int i = 0; i < 16; ++i) {
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02x", digest[i]);
        text += hex;
        if (i == 3 || i == 5 || i == 7 || i == 9) text.push_back('-');
    }
    return text;
}

// --- Reading -------------------------------------------------------------------------------

namespace {

// The description's keys and the option each one is checked as.
constexpr std::pair<std::string_view, std::string_view> OptionOfKey[] = {
    {"distance", "--distance"},     {"height", "--height"},       {"radius", "--radius"},
    {"resolution", "--resolution"}, {"generator", "--generator"}, {"seed", "--seed"},
    {"run decays", "--decays"},
};

// A version as this tool spells it: letters, digits and . _ + ~ -.
bool IsVersion(std::string_view text) {
    if (text.empty() || text.size() > 64) return false;
    for (char c : text)
        if (!(platform::IsDecimalDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
              c == '.' || c == '_' || c == '+' || c == '~' || c == '-'))
            return false;
    return true;
}

// The run's description from its "key: value" lines, each value checked as the option
// that sets it; the error, or an empty text. `where` names the section ("$SPEC_REM",
// "remarks").
std::string ReadDescription(const std::vector<std::string_view>& lines, std::string_view where,
                            SpectrumRecord& r) {
    std::map<std::string_view, std::string_view> values;
    for (std::string_view line : lines) {
        const std::size_t colon = line.find(": ");
        if (colon == std::string_view::npos) continue;
        const std::string_view key = line.substr(0, colon);
        std::string_view value = line.substr(colon + 2);
        if (key != "program") value = value.substr(0, value.find(' '));
        if (!values.emplace(key, value).second)
            return "its " + std::string(where) + " gives " + Quoted(key) + " twice";
    }
    const auto get = [&](std::string_view key) -> std::string_view {
        const auto found = values.find(key);
        return found == values.end() ? std::string_view() : found->second;
    };
    const std::string_view program = get("program");
    if (program.substr(0, 12) != "pelzamo-sim ")
        return "a file of another program (its " + std::string(where) +
               " names no program pelzamo-sim)";
    if (!IsVersion(program.substr(12)))
        return "its program " + Quoted(program) + " is not a version of pelzamo-sim";
    r.program = std::string(program);

    const auto missing = [&](std::string_view key) {
        return "its " + std::string(where) + " lacks the " + std::string(key);
    };
    Options o;
    for (const auto& [key, option] : OptionOfKey) {
        if (!values.count(key)) return missing(key);
        if (std::string why = ApplyValue(o, option, get(key)); !why.empty())
            return "its " + std::string(key) + " " + why;
    }
    r.distance = o.distance;
    r.height = o.height;
    r.radius = o.radius;
    r.resolution = o.resolution;
    r.generator = o.generator;
    r.seed = *o.seed;
    r.runDecays = *o.decays;
    if (std::string error = CheckGeometry(model::BenchGeometry(r.distance, r.height, r.radius));
        !error.empty())
        return "its detector: " + error;
    if (std::string error = CheckLcg32Length(r.generator, r.runDecays); !error.empty())
        return "its run: " + error;

    // The analyser: any finite offset, and a gain above 0.
    for (auto [key, value] : {std::pair{"channel offset", &r.channelOffset},
                              std::pair{"channels per MeV", &r.channelsPerMeV}}) {
        if (!values.count(key)) return missing(key);
        const std::optional<double> number = platform::ParseFloat(get(key));
        if (!number || !std::isfinite(*number))
            return "its " + std::string(key) + " " + Quoted(get(key)) + " is not a number";
        *value = *number;
    }
    if (!(r.channelsPerMeV > 0))
        return "its channels per MeV " + Quoted(get("channels per MeV")) + " must be above 0";
    if (const Linear energy = EnergyOfChannel(r);
        !std::isfinite(energy.a) || !std::isfinite(energy.b))
        return "its channel offset and channels per MeV give no finite energy calibration";

    if (!ParseAll(get("block decays"), r.blockDecays) || r.blockDecays == 0 ||
        r.blockDecays > MaxDecays)
        return "its block decays " + Quoted(get("block decays")) +
               " is not a whole number from 1 to " + std::to_string(MaxDecays);
    std::optional<std::vector<BlockRange>> blocks = ParseBlocks(get("blocks"));
    if (!blocks) return "its blocks " + Quoted(get("blocks")) + " are not ranges such as 0-4,7";
    r.blocks = *blocks;
    const std::uint64_t blockCount = BlockCount(r.runDecays, r.blockDecays);
    if (r.blocks.back().last >= blockCount)
        return "its blocks " + Quoted(get("blocks")) + " go beyond the run's " +
               std::to_string(blockCount);
    if (r.generator == Generator::Lcg32 && r.blocks != std::vector<BlockRange>{{0, blockCount - 1}})
        return "its blocks " + Quoted(get("blocks")) +
               " are a slice of an lcg32 run, which is one stream that cannot be sliced";
    std::uint64_t decays = 0;
    if (!ParseAll(get("decays"), decays) || RecordDecays(r) != decays)
        return "its blocks and decays in its " + std::string(where) + " do not agree with the run";
    r.partial = values.count("missing blocks") != 0;
    if (r.partial && get("missing blocks") != FormatBlocks(MissingBlocks(r.blocks, blockCount)))
        return "its missing blocks " + Quoted(get("missing blocks")) +
               " do not agree with its blocks";
    return {};
}

// The start, not later than now.
std::string CheckStart(std::optional<std::int64_t> start, std::int64_t now, SpectrumRecord& r,
                       std::string_view shape) {
    if (!start) return "its start is not " + std::string(shape);
    if (std::string why = CheckStartTime(*start, now); !why.empty()) return "its start " + why;
    r.startTime = *start;
    return {};
}

// The counts, a decay counted at most once.
template <typename NextCount> std::string ReadCounts(SpectrumRecord& r, NextCount next) {
    const std::uint64_t decays = RecordDecays(r);
    r.counts.fill(0);
    std::uint64_t total = 0;
    for (int channel = 0; channel < FileChannels; ++channel) {
        const std::optional<std::string_view> text = next();
        if (!text) return "its counts are not the 4096 channels 0 to 4095";
        if (!ParseAll(*text, r.counts[channel]))
            return "its count " + Quoted(*text) + " of channel " + std::to_string(channel) +
                   " is not a whole number";
        total += std::min(r.counts[channel], decays + 1);
    }
    if (total > decays) return "it holds more counts than decays";
    return {};
}

// The text of an element of ours: &amp;, &lt; and &gt; undone.
std::string XmlText(std::string_view text) {
    std::string plain;
    while (!text.empty()) {
        bool entity = false;
        for (auto [name, c] : {std::pair{std::string_view("&amp;"), '&'},
                               {std::string_view("&lt;"), '<'},
                               {std::string_view("&gt;"), '>'}})
            if (text.substr(0, name.size()) == name) {
                plain.push_back(c);
                text.remove_prefix(name.size());
                entity = true;
                break;
            }
        if (!entity) {
            plain.push_back(text[0]);
            text.remove_prefix(1);
        }
    }
    return plain;
}

// The texts of every element `<name>` or `<name attributes>` in `xml`.
std::vector<std::string_view> Elements(std::string_view xml, std::string_view name) {
    std::vector<std::string_view> texts;
    const std::string open = "<" + std::string(name);
    const std::string close = "</" + std::string(name) + ">";
    for (std::size_t at = xml.find(open); at != std::string_view::npos; at = xml.find(open, at)) {
        at += open.size();
        if (at >= xml.size() || (xml[at] != '>' && xml[at] != ' ')) continue;
        const std::size_t start = xml.find('>', at);
        const std::size_t end = xml.find(close, at);
        if (start == std::string_view::npos || end == std::string_view::npos || end < start) break;
        texts.push_back(xml.substr(start + 1, end - start - 1));
        at = end + close.size();
    }
    return texts;
}

} // namespace

std::string ReadSpe(std::string_view text, SpectrumRecord& r, std::int64_t now) {
    // Each section's lines, by its keyword.
    std::map<std::string_view, std::vector<std::string_view>> sections;
    std::vector<std::string_view>* section = nullptr;
    for (std::string_view line : Lines(text)) {
        if (!line.empty() && line[0] == '$')
            section = &sections[line];
        else if (section)
            section->push_back(line);
    }
    const auto remarks = sections.find("$SPEC_REM:");
    if (remarks == sections.end())
        return "an SPE file of another program (no $SPEC_REM with the description of a run of "
               "pelzamo-sim)";
    if (std::string error = ReadDescription(remarks->second, "$SPEC_REM", r); !error.empty())
        return error;
    const auto& date = sections["$DATE_MEA:"];
    if (std::string error = CheckStart(date.empty() ? std::nullopt : ParseSpeDate(date[0]), now, r,
                                       "$DATE_MEA mm/dd/yyyy hh:mm:ss");
        !error.empty())
        return error;
    const auto& data = sections["$DATA:"];
    if (data.size() != FileChannels + 1 || data[0] != "0 4095")
        return "its $DATA is not channels 0 to 4095, one count a line";
    std::size_t line = 1;
    return ReadCounts(r, [&]() -> std::optional<std::string_view> { return data[line++]; });
}

std::string ReadN42(std::string_view text, SpectrumRecord& r, std::int64_t now) {
    const std::vector<std::string_view> measurements = Elements(text, "RadMeasurement");
    std::vector<std::string> remarks;
    if (measurements.size() == 1)
        for (std::string_view remark : Elements(measurements[0], "Remark"))
            remarks.push_back(XmlText(remark));
    const std::vector<std::string_view> lines(remarks.begin(), remarks.end());
    if (std::find_if(lines.begin(), lines.end(), [](std::string_view line) {
            return line.substr(0, 21) == "program: pelzamo-sim ";
        }) == lines.end())
        return "an N42 file of another program (no RadMeasurement with the description of a run "
               "of pelzamo-sim in its remarks)";
    if (std::string error = ReadDescription(lines, "remarks", r); !error.empty()) return error;
    const std::vector<std::string_view> start = Elements(measurements[0], "StartDateTime");
    if (std::string error = CheckStart(start.size() == 1 ? ParseIsoTime(start[0]) : std::nullopt,
                                       now, r, "one StartDateTime such as 2026-12-08T15:08:54Z");
        !error.empty())
        return error;
    const std::vector<std::string_view> data = Elements(measurements[0], "ChannelData");
    if (data.size() != 1) return "its RadMeasurement holds not one ChannelData";
    std::string_view counts = data[0];
    const auto next = [&]() -> std::optional<std::string_view> {
        const std::size_t first = counts.find_first_not_of(" \t\r\n");
        if (first == std::string_view::npos) return std::nullopt;
        counts.remove_prefix(first);
        const std::size_t end = std::min(counts.find_first_of(" \t\r\n"), counts.size());
        const std::string_view count = counts.substr(0, end);
        counts.remove_prefix(end);
        return count;
    };
    if (std::string error = ReadCounts(r, next); !error.empty()) return error;
    if (next()) return "its counts are not the 4096 channels 0 to 4095";
    return {};
}

std::string ReadSpectrumFile(std::string_view text, SpectrumRecord& r, std::int64_t now) {
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    if (first != std::string_view::npos && text[first] == '$') return ReadSpe(text, r, now);
    if (first != std::string_view::npos && text[first] == '<') {
        if (text.find("<RadInstrumentData") == std::string_view::npos)
            return "an XML file that is not N42 (no RadInstrumentData)";
        return ReadN42(text, r, now);
    }
    if (text.substr(0, 15) == "channel,counts\n")
        return "a CSV file, which holds no description of the run: merge reads SPE and N42";
    return "neither an SPE nor an N42 file";
}

// --- Merging -------------------------------------------------------------------------------

std::string Merger::Add(const SpectrumRecord& r, const std::string& name) {
    names_.push_back(name);
    const std::size_t file = names_.size() - 1;
    if (file == 0) {
        merged_ = r;
        merged_.blocks.clear();
        merged_.partial = false;
    } else {
        const SpectrumRecord& m = merged_;
        const char* differs =
            r.program != m.program         ? "program version"
            : r.distance != m.distance     ? "distance"
            : r.height != m.height         ? "height"
            : r.radius != m.radius         ? "radius"
            : r.resolution != m.resolution ? "resolution"
            : r.channelOffset != m.channelOffset || r.channelsPerMeV != m.channelsPerMeV
                ? "calibration"
            : r.generator != m.generator                                   ? "generator"
            : r.seed != m.seed                                             ? "seed"
            : r.runDecays != m.runDecays || r.blockDecays != m.blockDecays ? "run length"
                                                                           : nullptr;
        if (differs)
            return Quoted(name) + " differs from " + Quoted(names_[0]) + " in its " + differs;
        merged_.startTime = std::min(merged_.startTime, r.startTime);
    }
    for (const BlockRange& range : r.blocks)
        owned_.push_back({range, file});
    // Files holding more decays than the run count some block twice, which Finish names;
    // their counts are left out, so that the sum cannot wrap before.
    const std::uint64_t decays = RecordDecays(r);
    if (decays_ <= merged_.runDecays) {
        decays_ += decays;
        if (decays_ <= merged_.runDecays && file != 0)
            for (std::size_t channel = 0; channel < merged_.counts.size(); ++channel)
                merged_.counts[channel] += r.counts[channel];
    }
    return {};
}

std::string Merger::Finish(bool partial, SpectrumRecord& merged) {
    if (names_.empty()) return "nothing to merge";
    std::sort(owned_.begin(), owned_.end(),
              [](const Owned& a, const Owned& b) { return a.blocks.first < b.blocks.first; });
    std::vector<BlockRange> joined;
    std::size_t reaching = 0; // the range that reaches furthest so far
    for (std::size_t i = 0; i < owned_.size(); ++i) {
        const BlockRange& range = owned_[i].blocks;
        if (!joined.empty() && range.first <= joined.back().last) {
            const std::string& a = names_[owned_[reaching].file];
            const std::string& b = names_[owned_[i].file];
            if (a == b) return Quoted(a) + " is named twice";
            return "block " + std::to_string(range.first) + " is in both " + Quoted(a) + " and " +
                   Quoted(b);
        }
        if (!joined.empty() && range.first == joined.back().last + 1)
            joined.back().last = range.last;
        else
            joined.push_back(range);
        reaching = i;
    }
    merged_.blocks = joined;
    const std::uint64_t blockCount = BlockCount(merged_.runDecays, merged_.blockDecays);
    const std::vector<BlockRange> missing = MissingBlocks(joined, blockCount);
    if (!missing.empty() && !partial)
        return "the files lack blocks " + FormatBlocks(missing) + " of 0-" +
               std::to_string(blockCount - 1) +
               ": merge them too, or pass --partial for a partial merge";
    merged_.partial = !missing.empty();
    merged = merged_;
    return {};
}

std::string Merge(const std::vector<SpectrumRecord>& records, SpectrumRecord& merged,
                  const std::vector<std::string>& names, bool partial) {
    Merger merger;
    for (std::size_t i = 0; i < records.size(); ++i) {
        const std::string name = i < names.size() ? names[i] : "file " + std::to_string(i + 1);
        if (std::string error = merger.Add(records[i], name); !error.empty()) return error;
    }
    return merger.Finish(partial, merged);
}

} // namespace simcli
