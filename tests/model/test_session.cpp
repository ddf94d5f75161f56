// The measurement session: running and stopping, the distance and its controls'
// positions, the view's rescale, the cursor keys with the region's marking, and the
// typed region.

#include "model/Session.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace {

using model::Arrow;
using model::KeyDown;
using model::KeyUp;
using Change = model::Session::Change;

constexpr int RightKey = 0x01000014; // the toolkit's code; any number will do
constexpr int LeftKey = 0x01000012;

// A session over the design's plot (453 x 290 pixels) showing the whole range.
class SessionTest : public ::testing::Test {
protected:
    void SetUp() override {
        session = std::make_unique<model::Session>(rng, clock);
        session->Measurement().SetDefaults();
        session->View.PlotWidth = 453;
        session->View.PlotHeight = 290;
        session->ResetView();
        session->View.ForceRedraw();
        session->Rescale();
        session->Observe([this](Change change) { heard.push_back(change); });
    }

    bool Press(Arrow arrow, bool ctrl = true, std::uint64_t timestamp = 0) {
        const int key = arrow == Arrow::Right ? RightKey : LeftKey;
        return session->Key(KeyDown{arrow, true, ctrl, key, timestamp});
    }
    void Release(Arrow arrow, std::uint64_t timestamp = 0) {
        session->Key(KeyUp{arrow == Arrow::Right ? RightKey : LeftKey, timestamp});
    }

    sim::RandomGenerator rng;
    platform::ManualClock clock;
    std::unique_ptr<model::Session> session;
    std::vector<Change> heard;
};

TEST(Pixels, TruncationsAreBoundedAndTenthsSurviveRounding) {
    EXPECT_EQ(model::TruncPixel(-2.7), -2);
    EXPECT_EQ(model::TruncPixel(NAN), 0);
    EXPECT_EQ(model::TruncPixel(1e308), model::PixelLimit);
    // A tenth entered in decimal maps back to its own tenth despite binary rounding,
    // while values that are really below a whole number still truncate.
    EXPECT_EQ(model::TruncSteps((3.1 + 1.5 - 1.5) * 10), 31);
    EXPECT_EQ(model::TruncSteps(30.9), 30);
    EXPECT_EQ(model::TruncSteps(30.999), 30);
    EXPECT_EQ(model::TruncSteps(-2.5), -2);
    EXPECT_EQ(model::TruncSteps(NAN), 0);
}

TEST(Distance, RangeAndPositions) {
    using namespace model::Distance;
    for (double d : {3.0, 8.5, 40.0})
        EXPECT_TRUE(Allowed(d)) << d;
    for (double d : {2.99, 40.01, -3.0, double(NAN)})
        EXPECT_FALSE(Allowed(d)) << d;
    EXPECT_EQ(Position(AtPosition(31)), 31);
    EXPECT_EQ(Position(8.5), 85);
    EXPECT_EQ(SpinnerPosition(8.5), 8);
    // The controls' ranges hold exactly the allowed distances.
    EXPECT_TRUE(Allowed(AtPosition(MinPosition)) && Allowed(AtPosition(MaxPosition)));
    EXPECT_FALSE(Allowed(AtPosition(MinPosition - 1)) || Allowed(AtPosition(MaxPosition + 1)));
    EXPECT_TRUE(Allowed(MinSpinner) && Allowed(MaxSpinner));
}

TEST_F(SessionTest, RunningStopsAndTellsWhy) {
    session->Start();
    EXPECT_TRUE(session->Running());
    EXPECT_TRUE(session->RunningFlag());
    session->Stop(model::StopReason::Preset);
    EXPECT_FALSE(session->RunningFlag());
    EXPECT_EQ(session->LastStop(), model::StopReason::Preset);
    int second = 0;
    const std::size_t id = session->Observe([&](Change) { ++second; });
    session->Start();
    EXPECT_EQ(session->LastStop(), model::StopReason::None);
    session->Unobserve(id);
    session->Stop(model::StopReason::Button);
    EXPECT_EQ(second, 1);
    EXPECT_EQ(heard, std::vector<Change>(4, Change::Running));
}

// The distance shown is z - height / 2; setting it moves the centre, not the size.
TEST_F(SessionTest, DistanceMovesTheCentre) {
    EXPECT_EQ(session->ShownDistance(), 8.5);
    session->SetShownDistance(12.3);
    EXPECT_EQ(session->Measurement().Geometry.z, 12.3 + 1.5);
    EXPECT_EQ(session->Measurement().Geometry.height, 3);
    EXPECT_EQ(heard, std::vector<Change>{Change::Distance});
}

// Requests are compared with what is shown; only a difference redraws.
TEST_F(SessionTest, RescaleOnlyOnAChange) {
    model::PlotView& view = session->View;
    EXPECT_FALSE(session->Rescale());
    view.RequestMaxChannel(100); // limited to one range step above the shown lower end
    EXPECT_TRUE(session->Rescale());
    EXPECT_EQ(view.ShownMaxChannel, 256);
    EXPECT_FALSE(session->Rescale());

    session->Measurement().Spectrum[200] = 150; // in the range: the automatic scale rises
    session->Measurement().Spectrum[300] = 5000;
    EXPECT_TRUE(session->Rescale());
    EXPECT_EQ(view.ShownFullScale, 200);

    view.Automatic = false;
    view.StepFullScale(model::Step::Up);
    EXPECT_TRUE(session->Rescale());
    EXPECT_EQ(view.ShownFullScale, 500);
    view.ForceRedraw();
    EXPECT_FALSE(view.ShownFullScale == view.RequestedFullScale);
    EXPECT_TRUE(session->Rescale());
    EXPECT_EQ(heard, (std::vector<Change>{Change::View, Change::View, Change::View, Change::View}));
}

// Over the whole range the cursor's offsets 0..453 read channels 0..4096; it starts in
// the middle, on channel 2052.
TEST_F(SessionTest, CursorTravel) {
    EXPECT_EQ(session->Cursor(), 227);
    EXPECT_EQ(session->CursorChannel(), 2052);
    EXPECT_EQ(session->View.ChannelAtOffset(0), 0);
    EXPECT_EQ(session->View.ChannelAtOffset(453), 4096);

    session->SetCursor(453);
    EXPECT_FALSE(Press(Arrow::Right, false)); // at the end: passed on
    EXPECT_TRUE(Press(Arrow::Left, false));
    EXPECT_EQ(session->Cursor(), 452);
    session->SetCursor(0);
    EXPECT_FALSE(Press(Arrow::Left, false));
    // Without Alt, or with another key, nothing moves.
    EXPECT_FALSE(session->Key(KeyDown{Arrow::Right, false, true, RightKey, 0}));
    EXPECT_FALSE(session->Key(KeyDown{Arrow::None, true, true, 'A', 0}));
    EXPECT_EQ(session->Cursor(), 0);
}

// The first step of a held Alt+Ctrl+arrow sets the fixed end, each repeat the moving end
// one channel beyond the cursor before the step.
TEST_F(SessionTest, MarkingWithAHeldKey) {
    const model::Region& roi = session->Roi;
    EXPECT_TRUE(Press(Arrow::Right));
    EXPECT_EQ(roi.RoiLow, 2052);
    EXPECT_FALSE(roi.RoiValid);
    EXPECT_EQ(session->CursorChannel(), 2061);
    EXPECT_TRUE(Press(Arrow::Right));
    EXPECT_EQ(roi.RoiHigh, 2062);
    EXPECT_TRUE(roi.RoiValid);
    EXPECT_TRUE(Press(Arrow::Right));
    EXPECT_EQ(roi.RoiHigh, 2071);

    // A release ends the marking, unless a press of the same key with the same time stamp
    // follows it: then it was a repeat's.
    Release(Arrow::Right, 77);
    EXPECT_FALSE(roi.RoiMarking);
    EXPECT_TRUE(Press(Arrow::Right, true, 77));
    EXPECT_TRUE(roi.RoiMarking);
    EXPECT_EQ(roi.RoiHigh, 2080);
    Release(Arrow::Right, 78);
    EXPECT_TRUE(Press(Arrow::Right, true, 79)); // a new press: a new fixed end
    EXPECT_EQ(roi.RoiLow, 2088);
    Release(Arrow::Right);

    // Marking to the left sets the upper end first; zoomed in, where channel 0 spans
    // offsets 0 and 1, it can pass below channel 0.
    session->View.RequestMaxChannel(256);
    session->Rescale();
    session->SetCursor(2);
    EXPECT_TRUE(Press(Arrow::Left));
    EXPECT_EQ(roi.RoiHigh, 1);
    EXPECT_TRUE(Press(Arrow::Left));
    EXPECT_EQ(roi.RoiLow, -1);
    EXPECT_FALSE(Press(Arrow::Left)); // at offset 0: passed on
}

// One rule for every typed end: blanks around it dropped, an integer of the drawn
// channels 0..4095.
TEST(Region, TypedEnds) {
    struct Case {
        const char* text;
        std::optional<std::int32_t> channel;
    };
    const Case cases[] = {
        {"100", 100},
        {"  100 ", 100},
        {" $10 ", 16},
        {"0x1F", 31},
        {"0", 0},
        {"4095", 4095},
        {"4096", std::nullopt},
        {"-1", std::nullopt},
        {"5000", std::nullopt},
        {"1.5", std::nullopt},
        {"", std::nullopt},
        {"1 0", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(model::Region::ParseEnd(c.text), c.channel) << '"' << c.text << '"';
}

TEST(Region, AcceptingATypedRegion) {
    using Typed = model::Region::Typed;
    struct Case {
        const char *low, *high;
        Typed result;
        std::int32_t roiLow, roiHigh; // after it, from 1..2
    };
    const Case cases[] = {
        {"100", "103", Typed::Accepted, 100, 103},    {"100", "100", Typed::Accepted, 100, 100},
        {"200", "100", Typed::HighRefused, 200, 100}, {"x", "5", Typed::LowRefused, 1, 2},
        {"-5", "5", Typed::LowRefused, 1, 2},         {"600", "5000", Typed::HighRefused, 600, 2},
    };
    for (const Case& c : cases) {
        model::Region region;
        region.RoiLow = 1;
        region.RoiHigh = 2;
        region.RoiValid = true;
        EXPECT_EQ(region.Accept(c.low, c.high), c.result) << c.low << ".." << c.high;
        EXPECT_EQ(region.RoiValid, c.result == Typed::Accepted);
        EXPECT_EQ(region.RoiLow, c.roiLow);
        EXPECT_EQ(region.RoiHigh, c.roiHigh);
    }
}

// The sums follow the counts; a region without width sums to nothing.
TEST_F(SessionTest, RegionSums) {
    sim::Spectrum& s = session->Measurement().Spectrum;
    s[100] = 5;
    s[101] = 70;
    s[102] = 90;
    s[103] = 6;
    ASSERT_EQ(session->AcceptRegion("100", "103"), model::Region::Typed::Accepted);
    session->SumRegion();
    EXPECT_EQ(session->Roi.RoiGross, 171);
    EXPECT_EQ(session->Roi.RoiBackground, 16);
    EXPECT_EQ(session->Roi.RoiNet, 155);
    session->SetRegionEnd(true, 100);
    session->SumRegion();
    EXPECT_EQ(session->Roi.RoiGross, 0);
    EXPECT_EQ(heard, (std::vector<Change>{Change::Region, Change::Region, Change::Region,
                                          Change::Region}));
}

} // namespace
