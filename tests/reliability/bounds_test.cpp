// Bounded work: no configuration makes a call run long or allocate much. The bounds that hold it:
//   - the line budget: at most 250 grid lines (both axes together) per generator; beyond it the
//     call draws nothing and leaves its results as they were;
//   - the stroke validation: a grid line is densified in at most 10000 steps of the frame's
//     larger extent, whatever GridStrokeDistance asks for;
//   - the 16-bit counts: a stroked neatline has at most 32767 points and a labels collection at
//     most 32767 labels; the next one is an Overflow the handler reports;
//   - the grid-value guard: no generator steps through more grid values than the budget allows,
//     wherever the grid offset puts the first one, and labels keep to the same budget.
// Each bound is tested at its edge and with an extreme configuration, which must end within a
// second (more under the sanitizers) through the handler.
#include <cmath>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <time.h>

#include <gtest/gtest.h>

#include "parallo/coordkit_proj.h"
#include "results.h"
#include "service/state.h"

namespace parallo_reliability {
namespace {

using parallo::ParalloCls;
using shapekit::Point;

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr double kSlack = 10.0;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
constexpr double kSlack = 10.0;
#else
constexpr double kSlack = 1.0;
#endif
#else
constexpr double kSlack = 1.0;
#endif
/// The bound on one call: a second, stretched for instrumented builds, which run several times slower.
constexpr double kOneCall = 1.0 * kSlack;

/// The processor time the call takes on this thread: what the call costs, whatever else the
/// machine is busy with (the suite runs in parallel with other work).
double Seconds(const std::function<void()>& call) {
    const auto now = [] {
        timespec t{};
        ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
    };
    const double start = now();
    call();
    return now() - start;
}

/// A 40 km UTM 32N sheet on its own system: the grid range is the corners, to rounding.
parallo_test::FrameLayout PlainSheet() {
    parallo_test::FrameLayout f = parallo_test::UtmSheetOnLaea();
    f.mapView = "EPSG:32632";
    f.tickLength = 100.0;
    f.crossLength = 100.0;
    return f;
}

std::size_t Points(const std::shared_ptr<shapekit::GeometryCollection>& g) { return g ? g->PointCount() : 0; }

class Bounds : public ::testing::Test {
protected:
    void SetUp() override { frame_ = MakeLabelledFrame(PlainSheet()); }
    ParalloCls& s() { return frame_->service; }
    std::vector<std::string>& reports() { return frame_->reports; }
    void Interval(double x, double y) { s().SetInterval(std::make_shared<Point>(x, y)); }
    std::unique_ptr<parallo_test::Frame> frame_;
};

// ---- the line budget ------------------------------------------------------------------------

TEST_F(Bounds, GridLinesUpTo250AreDrawnBeyondThatNothingChanges) {
    std::int32_t ret = 0;
    // 40000 / 320 = 125 lines each way: 250 together, the budget itself.
    Interval(320.0, 320.0);
    s().CreateGridlines(ret);
    const auto drawn = s().GridGeometry();
    ASSERT_TRUE(drawn);
    EXPECT_GE(drawn->Count(), 248);
    EXPECT_LE(drawn->Count(), 252);
    EXPECT_TRUE(reports().empty());

    // 125.6 lines each way round to 126 and 126: 252 is over the budget. The call draws nothing,
    // keeps the lines it drew before and reports nothing.
    Interval(40000.0 / 125.6, 40000.0 / 125.6);
    s().CreateGridlines(ret);
    EXPECT_EQ(s().GridGeometry(), drawn);
    EXPECT_TRUE(reports().empty());

    // The same with an interval of a millimetre, and of the smallest positive double: no time.
    for (double tiny : {1e-3, 5e-324}) {
        Interval(tiny, tiny);
        EXPECT_LT(Seconds([&] { s().CreateGridlines(ret); }), kOneCall);
        EXPECT_EQ(s().GridGeometry(), drawn);
    }
}

TEST_F(Bounds, TicksAndCrossesKeepTheSameBudget) {
    std::int32_t ret = 0;
    Interval(320.0, 320.0);
    s().CreateTicksCrosses(ret);
    const auto ticks = s().GridGeometry();
    const auto crosses = s().CrossGeometry();
    ASSERT_TRUE(ticks && crosses);
    // Up to 125 x 125 interior crosses, two arms each.
    EXPECT_GT(crosses->Count(), 2 * 120 * 120);
    Interval(40000.0 / 125.6, 40000.0 / 125.6);
    s().CreateTicksCrosses(ret);
    EXPECT_EQ(s().GridGeometry(), ticks);
    EXPECT_EQ(s().CrossGeometry(), crosses);
    Interval(1e-3, 1e-3);
    EXPECT_LT(Seconds([&] { s().CreateTicksCrosses(ret); }), kOneCall);
    EXPECT_TRUE(reports().empty());
}

// ---- the stroke validation --------------------------------------------------------------------

TEST_F(Bounds, AGridStrokeDistanceOfAlmostNothingIsHeldTo10000StepsOfTheFrame) {
    std::int32_t ret = 0;
    Interval(320.0, 320.0); // the whole budget of lines
    for (double tiny : {1e-9, -1.0}) {
        SCOPED_TRACE(tiny);
        s().SetGridStrokeDistance(tiny);
        double seconds = Seconds([&] { s().CreateGridlines(ret); });
        EXPECT_LT(seconds, kOneCall);
        EXPECT_TRUE(reports().empty());
        if (tiny > 0.0) {
            // The larger extent of the frame is 40 km (to rounding): 4 m steps at the finest.
            EXPECT_NEAR(s().GridStrokeDistance(), 4.0, 1e-6);
            // 250 lines of at most 10000 steps, plus their cell boundaries and ends: some 2.6
            // million points, 60 MiB, which take a fraction of a second.
            // Each of the 125 cells of a line adds its boundary point and one point more than its
            // whole steps.
            EXPECT_LE(Points(s().GridGeometry()), 250u * (10000u + 2u * 126u + 2u));
        }
    }
}

TEST_F(Bounds, AGridStrokeDistanceWhoseStepCountOverflowsFailsAtOnce) {
    std::int32_t ret = 0;
    s().CreateGridlines(ret);
    const auto lines = s().GridGeometry();
    // 40 km in steps of the smallest double is no finite number of steps: the validation reports
    // the overflow and the densifying fails on its zero step, keeping the lines made before.
    s().SetGridStrokeDistance(5e-324);
    EXPECT_LT(Seconds([&] { s().CreateGridlines(ret); }), kOneCall);
    EXPECT_FALSE(reports().empty());
    EXPECT_EQ(s().GridGeometry(), lines);
}

// ---- the 16-bit counts ----------------------------------------------------------------------

TEST_F(Bounds, TheStrokedNeatlineStopsAt32767Points) {
    // A ring of side L stroked at d has 9 + 4 floor(L / d) points.
    ParalloCls::PolygonPtr ring;
    s().SetNeatlineStrokeDistance(40000.0 / 8189.5); // 32765 points
    s().Create_Stroked_Rectangle(ring);
    ASSERT_TRUE(ring);
    EXPECT_EQ(ring->Points().Count(), 32765);
    EXPECT_TRUE(reports().empty());

    ParalloCls::PolygonPtr kept = ring;
    s().SetNeatlineStrokeDistance(40000.0 / 8190.5); // 32769 points
    s().Create_Stroked_Rectangle(ring);
    EXPECT_EQ(ring, kept) << "left as it was on failure";
    ASSERT_EQ(reports().size(), 1u);
    EXPECT_NE(reports()[0].find("Create_Stroked_Rectangle Error"), std::string::npos) << reports()[0];
    EXPECT_NE(reports()[0].find("Overflow"), std::string::npos) << reports()[0];
}

TEST_F(Bounds, ATinyNeatlineStrokeOnAHugeFrameFailsAtOnce) {
    // A frame around the whole projection plane, stroked every micrometre.
    s().SetNeatlineLowerLeft(std::make_shared<Point>(-1.0e7, -1.0e7));
    s().SetNeatlineUpperRight(std::make_shared<Point>(1.0e7, 1.0e7));
    for (double tiny : {1e-6, 5e-324}) {
        SCOPED_TRACE(tiny);
        reports().clear();
        s().SetNeatlineStrokeDistance(tiny);
        s().SetbForceStroking(true);
        std::int32_t ret = 0;
        EXPECT_LT(Seconds([&] { s().CreateNeatline(ret); }), kOneCall);
        EXPECT_FALSE(reports().empty());
    }
}

TEST_F(Bounds, LabelsStopAtTheBudgetOfGridLines) {
    std::int32_t ret = 0;
    // Within the budget: labels on all four sides of 125 lines each way.
    Interval(320.0, 320.0);
    s().CreateLabels(ret);
    ASSERT_TRUE(s().LabelsCollection());
    EXPECT_GT(s().LabelsCollection()->Count(), 4 * 120);
    EXPECT_TRUE(reports().empty());
    const auto labels = s().LabelsCollection();

    // A millimetre interval would mean 80 million grid lines and more labels than 16 bits count:
    // the call ends at once through its handler, saying why.
    Interval(1e-3, 1e-3);
    EXPECT_LT(Seconds([&] { s().CreateLabels(ret); }), kOneCall);
    ASSERT_FALSE(reports().empty());
    EXPECT_NE(reports().back().find("Create_Labels Error"), std::string::npos) << reports().back();

    // So does one with no side to label, which would otherwise step through every value unseen.
    reports().clear();
    for (auto place : {&ParalloCls::SetPlaceLeftSideGridElements, &ParalloCls::SetPlaceTopSideGridElements,
                       &ParalloCls::SetPlaceRightSideGridElements, &ParalloCls::SetPlaceBottomSideGridElements})
        (s().*place)(false);
    EXPECT_LT(Seconds([&] { s().CreateLabels(ret); }), kOneCall);
    EXPECT_FALSE(reports().empty());
}

TEST_F(Bounds, LabelsOnAFrameMadeHugeByAReversedCornerFailAtOnce) {
    // Found by fuzz_service: an upper-right corner near the origin turns the sheet into a frame of
    // 500 km by 5400 km; at 1 km that is 5900 grid lines, and labelling them took seconds.
    s().SetNeatlineUpperRight(std::make_shared<Point>(5086.9202725532632, -0.0));
    std::int32_t ret = 0;
    s().CreateNeatline(ret);
    ASSERT_TRUE(reports().empty()) << reports().front();
    Interval(1000.0, 1000.0);
    EXPECT_LT(Seconds([&] { s().CreateLabels(ret); }), kOneCall);
    ASSERT_EQ(reports().size(), 1u);
    EXPECT_NE(reports()[0].find("More than 250 grid lines"), std::string::npos) << reports()[0];
}

// ---- the grid-value guard -----------------------------------------------------------------

TEST_F(Bounds, AGridOffsetFarFromTheFrameCostsNoTime) {
    std::int32_t ret = 0;
    Interval(1000.0, 1000.0);
    // The first grid value lies a trillion intervals below the frame: stepping up to the frame one
    // interval at a time would take hours.
    s().SetGridOffset(std::make_shared<Point>(1.0e15, 1.0e15));
    using Method = void (ParalloCls::*)(std::int32_t&) noexcept;
    for (Method method : {static_cast<Method>(&ParalloCls::CreateGridlines), static_cast<Method>(&ParalloCls::CreateTicksCrosses),
                          static_cast<Method>(&ParalloCls::CreateLabels)}) {
        reports().clear();
        EXPECT_LT(Seconds([&] { (s().*method)(ret); }), kOneCall);
        ASSERT_EQ(reports().size(), 1u);
        EXPECT_NE(reports()[0].find("More than 32767 grid values"), std::string::npos) << reports()[0];
    }
    // An offset of 1000 intervals is still followed: the grid is the same as with an offset of
    // one interval (both start at the frame's western edge).
    reports().clear();
    s().SetGridOffset(std::make_shared<Point>(1000.0, 1000.0));
    s().CreateNeatline(ret); // each generator leaves its own round trip of the neatline
    s().CreateGridlines(ret);
    const std::string plain = Exact(s().GridGeometry().get());
    s().SetGridOffset(std::make_shared<Point>(1.0e6, 1.0e6));
    s().CreateNeatline(ret);
    s().CreateGridlines(ret);
    EXPECT_TRUE(reports().empty());
    EXPECT_TRUE(Exact(s().GridGeometry().get()) == plain);
    // The opposite direction puts every grid value above the frame: nothing to do, no time.
    s().SetGridOffset(std::make_shared<Point>(-1.0e15, -1.0e15));
    for (Method method : {static_cast<Method>(&ParalloCls::CreateGridlines), static_cast<Method>(&ParalloCls::CreateTicksCrosses),
                          static_cast<Method>(&ParalloCls::CreateLabels)}) {
        EXPECT_LT(Seconds([&] { (s().*method)(ret); }), kOneCall);
    }
}

TEST_F(Bounds, AHostNeatlineOfManyVerticesStaysWithinASecond) {
    // A host's own neatline of 32767 vertices (as many as a stroked one may have): a circle.
    auto circle = std::make_shared<shapekit::PolygonGeometry>();
    constexpr int kVertices = 32767;
    for (int i = 0; i < kVertices; ++i) {
        const double a = 2.0 * 3.14159265358979323846 * i / kVertices;
        circle->Points().Add(Point(500000.0 + 20000.0 * std::cos(a), 5340000.0 + 20000.0 * std::sin(a)));
    }
    s().SetNeatlinePolygon(circle);
    Interval(320.0, 320.0);
    std::int32_t ret = 0;
    EXPECT_LT(Seconds([&] { s().CreateGridlines(ret); }), kOneCall);
    s().SetNeatlinePolygon(circle);
    EXPECT_LT(Seconds([&] { s().CreateTicksCrosses(ret); }), kOneCall);
    s().SetNeatlinePolygon(circle);
    EXPECT_LT(Seconds([&] { s().CreateLabels(ret); }), kOneCall);
    EXPECT_TRUE(reports().empty()) << reports().front();
}

} // namespace
} // namespace parallo_reliability
