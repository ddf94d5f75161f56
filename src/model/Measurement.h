#pragma once
// The measurement model under the detector window and the batch tool: the detector, the
// analyser's calibration, the spectrum and the tally of the current decay, the generator
// they draw from, and the tick that runs the decays. Beside it, the arithmetic that the
// windows only show: the distance shown for a detector, the measuring time, the plot's
// full scale and channel range, and the region of interest's sums. Plain C++.

#include "model/Defaults.h"
#include "simulation/Binning.h"
#include "simulation/History.h"
#include "simulation/Photon.h"
#include "simulation/Random.h"
#include "simulation/Source.h"

#include <cstdint>
#include <optional>

namespace model {

// --- Ticks and measuring time --------------------------------------------------------

// Ticks per displayed second: 1000 / Defaults::TickLength, truncated.
inline constexpr std::int32_t TicksPerSecond = 1000 / Defaults::TickLength;

// Decays in one tick: the loop counts histories from 0 to EventsPerTick, and runs at
// least one. (With EventsPerTick = 0 the window starts no acquisition.)
std::int64_t DecaysPerTick(std::int32_t eventsPerTick);

// True once `elapsedTicks` have reached a preset of `presetSeconds`. The product is
// formed in 64 bits, so that a preset beyond 214748364 s never wraps into an early stop;
// a preset of 0 or below is reached at once.
bool PresetReached(std::int32_t elapsedTicks, std::int32_t presetSeconds);

// The whole seconds to show after `elapsedTicks`, or nothing between two whole seconds.
std::optional<std::int32_t> WholeSeconds(std::int32_t elapsedTicks);

// --- The detector and the analyser -----------------------------------------------------

// The distance from the source that the user sees and enters: centre z less half the
// height (cm). It is never stored; the crystal itself spans z - height .. z + height.
double ShownDistance(const sim::DetectorGeometry& geometry);
// The inverse: puts the centre at distance + height / 2 (cm); x, y and the size stay.
void SetShownDistance(sim::DetectorGeometry& geometry, double distance);

// A detector on the bench axis at the shown distance, with its bounding radius (cm).
sim::DetectorGeometry BenchGeometry(double distance, double height, double radius);

// True when the source, at the origin, lies within the detector's bounding sphere: every
// decay then stops the measurement and nothing is counted.
bool SourceInside(const sim::DetectorGeometry& geometry);

// --- Plot scale and channel range ------------------------------------------------------

inline constexpr std::int32_t LastChannel = sim::SpectrumChannels - 1; // 4096
inline constexpr std::int32_t LastDrawnChannel = LastChannel - 1;      // 4096 is never drawn
inline constexpr std::int32_t RangeStep = 256; // channels per range step; the least width
inline constexpr std::int32_t LowestFullScale = 100;
inline constexpr std::int32_t HighestFullScale = 50000000;

// The automatic full scale for channels first..last (both included): the rung of the
// 1-2-5 ladder strictly above their largest count, at least 100. The top rung is the
// largest 32-bit count.
std::int32_t AutomaticFullScale(const sim::Spectrum& spectrum, std::int32_t first,
                                std::int32_t last);
// The rung strictly above `largestCount`, as above.
std::int32_t FullScaleAbove(std::int32_t largestCount);

enum class Step { Up, Down };

// One step of the full scale from `shown` along the 1-2-5 ladder by its first digit
// (300 goes to 400 or 200), kept within LowestFullScale..HighestFullScale.
std::int32_t LadderStep(std::int32_t shown, Step step);

// The upper end of the channel range asked for: at most 4096, and at least RangeStep
// above the shown lower end.
std::int32_t LimitMaxChannel(std::int32_t requested, std::int32_t shownMin);
// The lower end asked for: at least 0, and at least RangeStep below the shown upper end.
std::int32_t LimitMinChannel(std::int32_t requested, std::int32_t shownMax);

// --- Region of interest ----------------------------------------------------------------

// The count of a channel; a channel outside 0..4096 counts as empty.
std::int32_t CountAt(const sim::Spectrum& spectrum, std::int64_t channel);

// The region low..high (both included). Sums are 64-bit, so long runs cannot overflow.
struct RegionSums {
    std::int64_t Gross = 0;      // counts of the channels low to high
    std::int64_t Background = 0; // trapezoid under the line between the end counts
    std::int64_t Net = 0;        // Gross - Background
};

// The background is Trunc((count[low] + count[high]) * (high - low) / 2): the line's
// area over high - low channel widths, one fewer than the channels summed. With
// high < low the gross is 0 and the background is taken over a negative width.
RegionSums SumRegion(const sim::Spectrum& spectrum, std::int32_t low, std::int32_t high);

// The straight background line under a region, from count[low] at low to count[high] at
// high. Needs high != low.
class BackgroundLine {
public:
    BackgroundLine(const sim::Spectrum& spectrum, std::int32_t low, std::int32_t high);
    // The line's count at `channel` (not truncated).
    double At(std::int64_t channel) const {
        return double(channel - low_) * slope_ + double(lowCount_);
    }

private:
    std::int32_t low_;
    std::int64_t lowCount_;
    double slope_; // counts per channel
};

// --- The measurement ---------------------------------------------------------------------

class Measurement {
public:
    // The generator is shared: the program has one, the batch tool one per block. The
    // geometry and the calibration are zero until set (SetDefaults, or the caller's).
    explicit Measurement(sim::RandomGenerator& rng) : rng_(rng) {}

    sim::Source Source = sim::BuiltInSource;
    sim::DetectorGeometry Geometry{};
    sim::Calibration Calibration{};
    sim::Spectrum Spectrum{};
    sim::HistoryTally Tally; // DepositedEnergy, EnergyDeposited of the current decay

    // The detector and the analyser at start, and an empty spectrum.
    void SetDefaults();

    // One decay from emission to the count, with the caller's draw and error hooks.
    sim::HistoryOutcome RunHistory(sim::HistoryHooks& hooks) {
        return sim::RunHistory(Source, Geometry, Calibration, Spectrum, Tally, hooks, rng_);
    }

    // One tick: DecaysPerTick(Source.EventsPerTick()) decays, fewer when `running` turns false
    // during a decay (the error hook stops the measurement). Returns the decays run.
    std::int64_t RunTick(sim::HistoryHooks& hooks, const bool& running);

private:
    sim::RandomGenerator& rng_;
};

} // namespace model
