// The batch tool's spectrum files.

#include "tools/SpectrumFile.h"
#include "tools/Version.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <map>
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

// The run's description, one "key: value" line each; ReadSpe reads the first word after
// the colon (all of it for the program).
std::vector<std::string> RemarkLines(const SpectrumRecord& r) {
    return {
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

// The blocks from lowest to highest, neighbours joined; the first block found twice.
std::optional<std::uint64_t> Normalise(std::vector<BlockRange>& blocks) {
    std::sort(blocks.begin(), blocks.end(),
              [](const BlockRange& a, const BlockRange& b) { return a.first < b.first; });
    std::vector<BlockRange> joined;
    for (const BlockRange& range : blocks) {
        if (!joined.empty() && range.first <= joined.back().last) return range.first;
        if (!joined.empty() && range.first == joined.back().last + 1)
            joined.back().last = range.last;
        else
            joined.push_back(range);
    }
    blocks = joined;
    return std::nullopt;
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
    r.program = "pelzamo-sim " PELZAMO_VERSION;
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
    const std::string duration = "PT" + Number(RecordSeconds(r)) + "S";
    std::string remark;
    for (const std::string& line : RemarkLines(r)) {
        if (!remark.empty()) remark.push_back('\n');
        remark += XmlEscaped(line);
    }
    const std::string version = r.program.substr(r.program.find(' ') + 1);
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<RadInstrumentData xmlns=\"http://physics.nist.gov/N42/2011/N42\">\n"
           "  <RadInstrumentDataCreatorName>"
        << XmlEscaped(r.program)
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
           "    <Remark>"
        << remark
        << "</Remark>\n"
           "    <MeasurementClassCode>Foreground</MeasurementClassCode>\n"
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
        out << (channel % 16 == 0 ? "\n        " : " ") << r.counts[channel];
    out << "\n      </ChannelData>\n"
           "    </Spectrum>\n"
           "  </RadMeasurement>\n"
           "</RadInstrumentData>\n";
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

std::string ReadSpe(std::string_view text, SpectrumRecord& r) {
    const std::vector<std::string_view> lines = Lines(text);
    // Each section's lines, by its keyword.
    std::map<std::string_view, std::vector<std::string_view>> sections;
    std::vector<std::string_view>* section = nullptr;
    for (std::string_view line : lines) {
        if (!line.empty() && line[0] == '$')
            section = &sections[line];
        else if (section)
            section->push_back(line);
    }
    const auto* remarks = sections.count("$SPEC_REM:") ? &sections["$SPEC_REM:"] : nullptr;
    if (!remarks) return "not a spectrum of pelzamo-sim (no $SPEC_REM)";
    std::map<std::string_view, std::string_view> values;
    for (std::string_view line : *remarks) {
        const std::size_t colon = line.find(": ");
        if (colon == std::string_view::npos) continue;
        std::string_view value = line.substr(colon + 2);
        if (line.substr(0, colon) != "program") value = value.substr(0, value.find(' '));
        values[line.substr(0, colon)] = value;
    }
    const auto get = [&](std::string_view key) -> std::string_view {
        const auto found = values.find(key);
        return found == values.end() ? std::string_view() : found->second;
    };
    std::string generator(get("generator"));
    if (get("program").substr(0, 12) != "pelzamo-sim ")
        return "not a spectrum of pelzamo-sim (no program in $SPEC_REM)";
    r.program = std::string(get("program"));
    std::optional<std::vector<BlockRange>> blocks = ParseBlocks(get("blocks"));
    std::uint64_t decays = 0;
    if (!ParseAll(get("distance"), r.distance) || !ParseAll(get("height"), r.height) ||
        !ParseAll(get("radius"), r.radius) || !ParseAll(get("resolution"), r.resolution) ||
        !ParseAll(get("channel offset"), r.channelOffset) ||
        !ParseAll(get("channels per MeV"), r.channelsPerMeV) ||
        (generator != "lcg32" && generator != "philox") || !ParseAll(get("seed"), r.seed) ||
        !ParseAll(get("run decays"), r.runDecays) ||
        !ParseAll(get("block decays"), r.blockDecays) || r.blockDecays == 0 || r.runDecays == 0 ||
        r.runDecays > MaxDecays || !blocks || !ParseAll(get("decays"), decays))
        return "its $SPEC_REM lacks a value of the run or has one out of shape";
    r.generator = generator == "philox" ? Generator::Philox : Generator::Lcg32;
    r.blocks = *blocks;
    if (r.blocks.back().last >= BlockCount(r.runDecays, r.blockDecays) || RecordDecays(r) != decays)
        return "its blocks and decays in $SPEC_REM do not agree with the run";

    const auto& date = sections["$DATE_MEA:"];
    const auto start = date.empty() ? std::nullopt : ParseSpeDate(date[0]);
    if (!start) return "its $DATE_MEA is not mm/dd/yyyy hh:mm:ss";
    r.startTime = *start;

    const auto& data = sections["$DATA:"];
    if (data.size() != FileChannels + 1 || data[0] != "0 4095")
        return "its $DATA is not channels 0 to 4095, one count a line";
    r.counts.fill(0);
    std::uint64_t total = 0;
    for (int channel = 0; channel < FileChannels; ++channel) {
        if (!ParseAll(data[channel + 1], r.counts[channel]))
            return "its $DATA has a count that is not a whole number";
        total += std::min(r.counts[channel], decays + 1);
    }
    // A decay is counted at most once.
    if (total > decays) return "its $DATA holds more counts than decays";
    return {};
}

std::string Merge(const std::vector<SpectrumRecord>& records, SpectrumRecord& merged,
                  const std::vector<std::string>& names) {
    const auto name = [&](std::size_t i) {
        return i < names.size() ? Quoted(names[i]) : "file " + std::to_string(i + 1);
    };
    if (records.empty()) return "nothing to merge";
    merged = records[0];
    for (std::size_t i = 1; i < records.size(); ++i) {
        const SpectrumRecord& r = records[i];
        const char* differs =
            r.program != merged.program         ? "program version"
            : r.distance != merged.distance     ? "distance"
            : r.height != merged.height         ? "height"
            : r.radius != merged.radius         ? "radius"
            : r.resolution != merged.resolution ? "resolution"
            : r.channelOffset != merged.channelOffset || r.channelsPerMeV != merged.channelsPerMeV
                ? "calibration"
            : r.generator != merged.generator                                        ? "generator"
            : r.seed != merged.seed                                                  ? "seed"
            : r.runDecays != merged.runDecays || r.blockDecays != merged.blockDecays ? "run length"
                                                                                     : nullptr;
        if (differs) return name(i) + " differs from " + name(0) + " in its " + differs;
        merged.blocks.insert(merged.blocks.end(), r.blocks.begin(), r.blocks.end());
        merged.startTime = std::min(merged.startTime, r.startTime);
        for (std::size_t channel = 0; channel < merged.counts.size(); ++channel)
            merged.counts[channel] += r.counts[channel]; // below the decays: no overflow
    }
    if (const auto twice = Normalise(merged.blocks))
        return "block " + std::to_string(*twice) + " is in more than one file";
    return {};
}

} // namespace simcli
