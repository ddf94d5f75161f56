#pragma once
// The measurement session that both windows show: the measurement itself, whether it
// runs and why it stopped, the detector distance and its range, the plot's view (the
// channel range and the full scale asked for and shown), the cursor and the region of
// interest. Plain C++: the windows draw it and write their controls from it, and forward
// their handlers to it. One change notification tells every observer what changed.

#include "model/Defaults.h"
#include "model/Measurement.h"
#include "platform/Clock.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

namespace model {

// Truncates toward zero, limited to -PixelLimit..PixelLimit; NaN gives 0. Every drawing
// area is far smaller than the limit, which keeps sums of coordinates clear of overflow
// whatever geometry was typed in.
inline constexpr std::int32_t PixelLimit = 30000;
std::int32_t TruncPixel(double value);

// Truncates toward zero, but a value within rounding noise of a whole number (a few
// units in the last place) counts as that number, so that a distance set in tenths of a
// cm maps back to its own tenth: (3.1 + 1.5 - 1.5) * 10 is 30.999999999999996 in binary
// arithmetic and must give 31. Limited and NaN-safe like TruncPixel.
std::int32_t TruncSteps(double value);

// --- The detector distance --------------------------------------------------------------

namespace Distance {
// Positions of the bench scroll bar (tenths of a cm) and of the geometry spinner (whole
// cm) that the distance range allows.
inline constexpr std::int32_t MinPosition = static_cast<std::int32_t>(Defaults::MinDistance * 10);
inline constexpr std::int32_t MaxPosition = static_cast<std::int32_t>(Defaults::MaxDistance * 10);
inline constexpr std::int32_t MinSpinner = static_cast<std::int32_t>(Defaults::MinDistance);
inline constexpr std::int32_t MaxSpinner = static_cast<std::int32_t>(Defaults::MaxDistance);

// True for a distance the user may type (cm), the ends included.
bool Allowed(double distance);
// The scroll bar's position for a distance, and the distance of a position.
std::int32_t Position(double distance);
double AtPosition(std::int32_t position);
// The spinner's position for a distance.
std::int32_t SpinnerPosition(double distance);
} // namespace Distance

// --- The plot's view --------------------------------------------------------------------

// Controls write only the requested values; Rescale compares them with the shown ones.
class PlotView {
public:
    std::int32_t ShownMinChannel = 0, ShownMaxChannel = 0;
    std::int32_t RequestedMinChannel = 0, RequestedMaxChannel = 0;
    std::int32_t ShownFullScale = 0;
    std::int32_t RequestedFullScale = 0;
    bool Automatic = true; // the full scale follows the counts at every rescale
    double PixelsPerChannel = 0;
    double PixelsPerCount = 0;
    // The size of the plot, pixels: zero until the window's layout step.
    std::int32_t PlotWidth = 0, PlotHeight = 0;
    // The whole range and the lowest full scale, requested and shown.
    void Reset();
    // The next Rescale redraws, whatever is requested.
    void ForceRedraw() { ShownFullScale = 0; }

    // With Automatic, asks for the full scale of the requested range's counts; then, if
    // anything requested differs from what is shown, shows it and returns true (the
    // caller redraws everything).
    bool Rescale(const sim::Spectrum& spectrum);

    // The requests of the controls: one ladder step from the shown full scale, a typed
    // full scale, and the ends of the range limited against the shown other end.
    void StepFullScale(Step step);
    void RequestFullScale(std::int32_t fullScale) { RequestedFullScale = fullScale; }
    void RequestMaxChannel(std::int32_t channel);
    void RequestMinChannel(std::int32_t channel);
    void StepMaxChannel(Step step);
    void StepMinChannel(Step step);

    // The channel at pixel offset `a` from the plot's left edge.
    std::int32_t ChannelAtOffset(std::int32_t a) const;
};

// --- The cursor and the region of interest ----------------------------------------------

// The cursor keys as the region sees them.
enum class Arrow { None, Left, Right };
struct KeyDown {
    Arrow arrow = Arrow::None;
    bool alt = false;
    bool ctrl = false;
    int key = 0;                 // the toolkit's key code, to match a release
    std::uint64_t timestamp = 0; // 0 for keys made by a program: never a repeat
};
struct KeyUp {
    int key = 0;
    std::uint64_t timestamp = 0;
};

class Region {
public:
    std::int32_t RoiLow = 0, RoiHigh = 0; // first and last channel
    // The sums; 64-bit, so that long runs cannot overflow them.
    std::int64_t RoiGross = 0, RoiBackground = 0, RoiNet = 0;
    bool RoiValid = false;   // a region is defined: shown and shaded
    bool RoiMarking = false; // keyboard marking: its first step has set one end

    // Parses a typed end: blanks dropped at both ends, an integer (decimal, or
    // hexadecimal after "$", "x" or "0x"), within the drawn channels 0..4095. The one rule
    // for leaving an end's field and for accepting a typed region.
    static std::optional<std::int32_t> ParseEnd(std::string_view text);

    // A typed region: refused at the first end that does not parse, or at the upper end
    // when it lies below the lower one; a refusal switches the region off and keeps the
    // ends parsed so far.
    enum class Typed { Accepted, LowRefused, HighRefused };
    Typed Accept(std::string_view low, std::string_view high);

    // Recomputes the sums from the counts (nothing for a region without width, whose sums
    // read as zero).
    void Sum(const sim::Spectrum& spectrum);

private:
    friend class Session;
    // The key release seen last, if nothing came after it: a press of the same key with
    // the same time stamp makes it a repeat's, so the marking goes on.
    KeyUp lastRelease_;
    bool markingBeforeRelease_ = false;
};

// --- The session ------------------------------------------------------------------------

enum class StopReason { None, Button, Preset, SourceInside, WindowClosed };

class Session {
public:
    enum class Change { Running, Distance, View, Cursor, Region };
    using Observer = std::function<void(Change)>;

    // The measurement draws from rng, the ticks are timed by clock; both outlive the
    // session.
    Session(sim::RandomGenerator& rng, platform::Clock& clock) : measurement_(rng), clock_(clock) {}

    model::Measurement& Measurement() { return measurement_; }
    const model::Measurement& Measurement() const { return measurement_; }
    platform::Clock& Clock() const { return clock_; }

    // Every observer hears of every change, in the order they were added, until it is
    // taken off with the number that Observe gave it.
    std::size_t Observe(Observer observer);
    void Unobserve(std::size_t id);

    // --- Acquisition
    bool Running() const { return running_; }
    // The flag the tick reads after each decay, so that a stop during one ends the tick.
    const bool& RunningFlag() const { return running_; }
    void Start();
    void Stop(StopReason reason);
    StopReason LastStop() const { return lastStop_; }

    // --- The detector distance as the user sees it (cm): z - height / 2
    double ShownDistance() const { return model::ShownDistance(measurement_.Geometry); }
    void SetShownDistance(double distance);

    // --- View, cursor, region
    PlotView View;
    Region Roi;
    // The cursor's pixel offset from the plot's left edge, 0..PlotWidth.
    std::int32_t Cursor() const { return cursor_; }
    void SetCursor(std::int32_t offset);
    std::int32_t CursorChannel() const { return View.ChannelAtOffset(cursor_); }

    // The view's defaults and the cursor in the middle of the plot (a cursor change).
    void ResetView();
    // Rescale of the view over the measurement's counts; tells the observers on a change.
    bool Rescale();
    // The region's sums from the current counts.
    void SumRegion();

    // A key pressed: with Alt, an arrow moves the cursor one pixel within its travel, and
    // with Ctrl also marks (the first step sets the fixed end, each further step of the
    // held key the moving end, one channel beyond the cursor). True when the key was used.
    bool Key(const KeyDown& key);
    // Any key released ends the marking (taken back if the release was a repeat's).
    void Key(const KeyUp& key);

    // A typed region (the accept button), with the change told.
    Region::Typed AcceptRegion(std::string_view low, std::string_view high);
    // An end typed and parsed (Region::ParseEnd), stored on leaving its field.
    void SetRegionEnd(bool high, std::int32_t channel);

    void Notify(Change change) const;

private:
    model::Measurement measurement_;
    platform::Clock& clock_;
    bool running_ = false;
    StopReason lastStop_ = StopReason::None;
    std::int32_t cursor_ = 0;
    std::vector<std::pair<std::size_t, Observer>> observers_;
    std::size_t nextObserver_ = 1;
};

} // namespace model
