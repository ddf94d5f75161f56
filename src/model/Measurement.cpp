// The measurement model: the tick, the measuring time, the detector's distance, the
// plot's scale and the region of interest.

#include "model/Measurement.h"

#include "simulation/Source.h"

#include <algorithm>
#include <limits>
#include <string>

namespace model {

namespace {

std::int64_t PowerOfTen(int exponent) {
    std::int64_t value = 1;
    for (int i = 0; i < exponent; ++i)
        value *= 10;
    return value;
}

} // namespace

// --- Ticks and measuring time ------------------------------------------------------------

std::int64_t DecaysPerTick(std::int32_t eventsPerTick) {
    // The tick's loop tests its count after each decay, so it runs at least one.
    return eventsPerTick < 0 ? 1 : std::int64_t{eventsPerTick} + 1;
}

bool PresetReached(std::int32_t elapsedTicks, std::int32_t presetSeconds) {
    return std::int64_t{elapsedTicks} >= std::int64_t{TicksPerSecond} * presetSeconds;
}

std::optional<std::int32_t> WholeSeconds(std::int32_t elapsedTicks) {
    if (elapsedTicks % TicksPerSecond != 0) return std::nullopt;
    return elapsedTicks / TicksPerSecond;
}

// --- The detector ------------------------------------------------------------------------

sim::DetectorGeometry Defaults::Geometry() {
    sim::DetectorGeometry g{0, 0, Defaults::CentreZ, Defaults::Height, Defaults::Radius, 0};
    g.boundingRadius = sim::ComputeBoundingRadius(g);
    return g;
}

double ShownDistance(const sim::DetectorGeometry& geometry) {
    return geometry.z - geometry.height / 2;
}

void SetShownDistance(sim::DetectorGeometry& geometry, double distance) {
    geometry.z = distance + geometry.height / 2;
}

sim::DetectorGeometry BenchGeometry(double distance, double height, double radius) {
    sim::DetectorGeometry g{0, 0, 0, height, radius, 0};
    SetShownDistance(g, distance);
    g.boundingRadius = sim::ComputeBoundingRadius(g);
    return g;
}

bool SourceInside(const sim::DetectorGeometry& geometry) {
    return sim::InsideBoundingSphere(geometry, 0, 0, 0);
}

// --- Plot scale and channel range --------------------------------------------------------

std::int32_t FullScaleAbove(std::int32_t largestCount) {
    const std::int32_t M = largestCount < 100 ? 90 : largestCount;
    const std::string digits = std::to_string(M);
    const int n = static_cast<int>(digits.size());
    const int d = digits[0] - '0';
    std::int64_t scale = 0;
    if (d == 1)
        scale = 2 * PowerOfTen(n - 1);
    else if (d <= 4)
        scale = 5 * PowerOfTen(n - 1);
    else
        scale = PowerOfTen(n);
    return static_cast<std::int32_t>(
        std::min<std::int64_t>(scale, std::numeric_limits<std::int32_t>::max()));
}

std::int32_t AutomaticFullScale(const sim::Spectrum& spectrum, std::int32_t first,
                                std::int32_t last) {
    std::int32_t largest = 0;
    for (std::int32_t i = std::max(first, 0); i <= std::min(last, LastChannel); ++i)
        largest = std::max(largest, spectrum[static_cast<std::size_t>(i)]);
    return FullScaleAbove(largest);
}

std::int32_t LadderStep(std::int32_t shown, Step step) {
    constexpr std::int64_t LadderCeiling = 99000000; // a step above this falls back
    const std::string digits = std::to_string(std::max(shown, std::int32_t{1}));
    const int n = static_cast<int>(digits.size());
    const int d = digits[0] - '0';
    const bool up = step == Step::Up;
    int newDigit = 0;
    int newLength = n;
    switch (d) {
    case 1:
        newDigit = up ? 2 : 5;
        newLength = up ? n : n - 1;
        break;
    case 2:
        newDigit = up ? 5 : 1;
        break;
    case 5:
    case 9:
        newDigit = up ? 1 : 2;
        newLength = up ? n + 1 : n;
        break;
    default: // 3, 4, 6, 7, 8
        newDigit = up ? d + 1 : d - 1;
        break;
    }
    // The new first digit followed by newLength - 1 zeros (none when that is negative).
    std::int64_t scale = newDigit * PowerOfTen(std::max(newLength - 1, 0));
    if (scale > LadderCeiling) scale = HighestFullScale;
    if (scale < LowestFullScale) scale = LowestFullScale;
    return static_cast<std::int32_t>(scale);
}

std::int32_t LimitMaxChannel(std::int32_t requested, std::int32_t shownMin) {
    return std::max(std::min(requested, LastChannel), shownMin + RangeStep);
}

std::int32_t LimitMinChannel(std::int32_t requested, std::int32_t shownMax) {
    return std::min(std::max(requested, 0), shownMax - RangeStep);
}

// --- Region of interest ------------------------------------------------------------------

std::int32_t CountAt(const sim::Spectrum& spectrum, std::int64_t channel) {
    if (channel < 0 || channel > LastChannel) return 0;
    return spectrum[static_cast<std::size_t>(channel)];
}

RegionSums SumRegion(const sim::Spectrum& spectrum, std::int32_t low, std::int32_t high) {
    RegionSums sums;
    const std::int64_t width = std::int64_t{high} - low; // negative while marking leftward
    sums.Background = (std::int64_t{CountAt(spectrum, low)} + CountAt(spectrum, high)) * width / 2;
    // Channels outside 0..4096 add nothing, so only the overlap is visited.
    const std::int64_t first = std::max<std::int64_t>(low, 0);
    const std::int64_t last = std::min<std::int64_t>(high, LastChannel);
    for (std::int64_t i = first; i <= last; ++i)
        sums.Gross += spectrum[static_cast<std::size_t>(i)];
    sums.Net = sums.Gross - sums.Background;
    return sums;
}

BackgroundLine::BackgroundLine(const sim::Spectrum& spectrum, std::int32_t low, std::int32_t high)
    : low_(low), lowCount_(CountAt(spectrum, low)) {
    const std::int64_t highCount = CountAt(spectrum, high);
    slope_ = double(highCount - lowCount_) / double(std::int64_t{high} - low);
}

// --- The measurement ---------------------------------------------------------------------

void Measurement::SetDefaults() {
    Geometry = Defaults::Geometry();
    Calibration = Defaults::Calibration;
    Spectrum.fill(0);
}

std::int64_t Measurement::RunTick(sim::HistoryHooks& hooks, const bool& running) {
    const std::int64_t decays = DecaysPerTick(Source.EventsPerTick());
    std::int64_t done = 0;
    while (done < decays && running) {
        RunHistory(hooks);
        ++done;
    }
    return done;
}

} // namespace model
