// The measurement session: running state, distance, view, cursor and region.

#include "model/Session.h"

#include "platform/Numbers.h"

#include <algorithm>
#include <cmath>

namespace model {

std::int32_t TruncPixel(double value) {
    if (std::isnan(value)) return 0;
    const double limited = std::clamp(value, -double(PixelLimit), double(PixelLimit));
    return static_cast<std::int32_t>(std::trunc(limited));
}

std::int32_t TruncSteps(double value) {
    if (std::isnan(value)) return 0;
    const double nearest = std::round(value);
    const double noise = 1e-12 * std::max(1.0, std::fabs(value));
    return TruncPixel(std::fabs(value - nearest) <= noise ? nearest : value);
}

// --- The detector distance ------------------------------------------------------------

bool Distance::Allowed(double distance) {
    return distance >= Defaults::MinDistance && distance <= Defaults::MaxDistance;
}

std::int32_t Distance::Position(double distance) {
    return TruncSteps(distance * 10);
}

double Distance::AtPosition(std::int32_t position) {
    return position * 0.1;
}

std::int32_t Distance::SpinnerPosition(double distance) {
    return TruncSteps(distance);
}

// --- The plot's view ------------------------------------------------------------------

void PlotView::Reset() {
    RequestedMinChannel = 0;
    RequestedMaxChannel = LastChannel;
    ShownMinChannel = 0;
    ShownMaxChannel = LastChannel;
    ShownFullScale = LowestFullScale;
    RequestedFullScale = LowestFullScale;
}

bool PlotView::Rescale(const sim::Spectrum& spectrum) {
    if (Automatic)
        RequestedFullScale = AutomaticFullScale(spectrum, RequestedMinChannel, RequestedMaxChannel);
    if (ShownMaxChannel == RequestedMaxChannel && ShownMinChannel == RequestedMinChannel &&
        ShownFullScale == RequestedFullScale)
        return false;
    ShownMaxChannel = RequestedMaxChannel;
    ShownMinChannel = RequestedMinChannel;
    ShownFullScale = RequestedFullScale;
    PixelsPerCount = double(PlotHeight) / ShownFullScale;
    PixelsPerChannel = double(PlotWidth) / (ShownMaxChannel - ShownMinChannel);
    return true;
}

void PlotView::StepFullScale(Step step) {
    RequestedFullScale = LadderStep(ShownFullScale, step);
}

void PlotView::RequestMaxChannel(std::int32_t channel) {
    RequestedMaxChannel = LimitMaxChannel(channel, ShownMinChannel);
}

void PlotView::RequestMinChannel(std::int32_t channel) {
    RequestedMinChannel = LimitMinChannel(channel, ShownMaxChannel);
}

void PlotView::StepMaxChannel(Step step) {
    RequestMaxChannel(ShownMaxChannel + (step == Step::Up ? RangeStep : -RangeStep));
}

void PlotView::StepMinChannel(Step step) {
    RequestMinChannel(ShownMinChannel + (step == Step::Up ? RangeStep : -RangeStep));
}

std::int32_t PlotView::ChannelAtOffset(std::int32_t a) const {
    return static_cast<std::int32_t>(a / PixelsPerChannel) + ShownMinChannel;
}

// --- The region -------------------------------------------------------------------------

std::optional<std::int32_t> Region::ParseEnd(std::string_view text) {
    const auto channel = platform::ParseInteger(platform::TrimSpaces(text));
    // Only the drawn channels hold counts that a region may sum.
    if (!channel || *channel < 0 || *channel > LastDrawnChannel) return std::nullopt;
    return channel;
}

Region::Typed Region::Accept(std::string_view low, std::string_view high) {
    const auto first = ParseEnd(low);
    if (!first) {
        RoiValid = false;
        return Typed::LowRefused;
    }
    RoiLow = *first;
    const auto last = ParseEnd(high);
    if (!last) {
        RoiValid = false;
        return Typed::HighRefused;
    }
    RoiHigh = *last;
    if (RoiHigh < RoiLow) {
        RoiValid = false;
        return Typed::HighRefused;
    }
    RoiValid = true;
    return Typed::Accepted;
}

void Region::Sum(const sim::Spectrum& spectrum) {
    RoiGross = RoiBackground = RoiNet = 0;
    if (RoiHigh == RoiLow) return;
    const RegionSums sums = model::SumRegion(spectrum, RoiLow, RoiHigh);
    RoiGross = sums.Gross;
    RoiBackground = sums.Background;
    RoiNet = sums.Net;
}

// --- The session ------------------------------------------------------------------------

std::size_t Session::Observe(Observer observer) {
    observers_.emplace_back(nextObserver_, std::move(observer));
    return nextObserver_++;
}

void Session::Unobserve(std::size_t id) {
    std::erase_if(observers_, [id](const auto& entry) { return entry.first == id; });
}

void Session::Notify(Change change) const {
    for (const auto& [id, observer] : observers_)
        observer(change);
}

void Session::Start() {
    running_ = true;
    lastStop_ = StopReason::None;
    Notify(Change::Running);
}

void Session::Stop(StopReason reason) {
    running_ = false;
    lastStop_ = reason;
    Notify(Change::Running);
}

void Session::SetShownDistance(double distance) {
    model::SetShownDistance(measurement_.Geometry, distance);
    Notify(Change::Distance);
}

void Session::SetCursor(std::int32_t offset) {
    cursor_ = offset;
    Notify(Change::Cursor);
}

void Session::ResetView() {
    View.Reset();
    SetCursor(View.PlotWidth / 2 + 1);
}

bool Session::Rescale() {
    if (!View.Rescale(measurement_.Spectrum)) return false;
    Notify(Change::View);
    return true;
}

void Session::SumRegion() {
    if (!Roi.RoiValid) return;
    Roi.Sum(measurement_.Spectrum);
    Notify(Change::Region);
}

bool Session::Key(const KeyDown& key) {
    if (Roi.lastRelease_.timestamp != 0 && key.key == Roi.lastRelease_.key &&
        key.timestamp == Roi.lastRelease_.timestamp)
        Roi.RoiMarking = Roi.markingBeforeRelease_;
    Roi.lastRelease_ = {};
    if (!key.alt || View.PlotWidth <= 0 || key.arrow == Arrow::None) return false;

    const std::int32_t a = cursor_;
    const bool right = key.arrow == Arrow::Right;
    if (right ? a >= View.PlotWidth : a < 1) return false; // at the end: passed on
    if (key.ctrl) {
        const std::int32_t channel = View.ChannelAtOffset(a);
        if (!Roi.RoiMarking) {
            Roi.RoiMarking = true;
            (right ? Roi.RoiLow : Roi.RoiHigh) = channel;
        } else {
            if (right)
                Roi.RoiHigh = channel + 1;
            else
                Roi.RoiLow = channel - 1;
            Roi.RoiValid = true;
        }
    }
    SetCursor(a + (right ? 1 : -1));
    return true;
}

void Session::Key(const KeyUp& key) {
    Roi.lastRelease_ = key;
    Roi.markingBeforeRelease_ = Roi.RoiMarking;
    Roi.RoiMarking = false;
}

Region::Typed Session::AcceptRegion(std::string_view low, std::string_view high) {
    const Region::Typed typed = Roi.Accept(low, high);
    Notify(Change::Region);
    return typed;
}

void Session::SetRegionEnd(bool high, std::int32_t channel) {
    (high ? Roi.RoiHigh : Roi.RoiLow) = channel;
    Notify(Change::Region);
}

} // namespace model
