// Bounded work: no configuration makes a call run long or allocate much. The bounds, each tested
// at its edge and with an extreme configuration that must end through the handler (the failure it
// reports, and the results it keeps, show that the bound stopped it; a call that stepped on for
// hours instead is stopped by the suite's time limit):
//   - at most 250 grid lines (both axes) per generator; beyond, the call draws nothing and keeps
//     its results;
//   - a grid line densified in at most 10000 steps of the frame's larger extent;
//   - at most 32767 points in a stroked neatline and 32767 labels;
//   - at most 32767 grid values stepped on one axis, wherever the grid offset puts the first.
#include <cmath>
#include <cstdint>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "results.h"

namespace parallo_reliability {
namespace {

using parallo::ParalloCls;
using shapekit::Point;
using Method = void (ParalloCls::*)(std::int32_t &) noexcept;
const Method kGenerators[] = {&ParalloCls::CreateGridlines, &ParalloCls::CreateTicksCrosses,
                              &ParalloCls::CreateLabels};

/// A 40 km UTM 32N sheet on its own system: the grid range is the corners, to rounding.
parallo_test::FrameLayout Sheet() {
    parallo_test::FrameLayout f = parallo_test::UtmSheetOnLaea();
    f.mapView = "EPSG:32632";
    f.tickLength = f.crossLength = 100.0;
    return f;
}

class Bounds : public ::testing::Test {
protected:
    void Interval(double x, double y) { s.SetInterval(std::make_shared<Point>(x, y)); }
    void Run(Method method) { (frame_->service.*method)(ret); }
    std::unique_ptr<parallo_test::Frame> frame_ = MakeLabelledFrame(Sheet());
    // Calls through a member pointer name frame_->service: on this reference member GCC's
    // UndefinedBehaviorSanitizer reports a null object that is not there.
    ParalloCls &s = frame_->service;
    std::vector<std::string> &reports = frame_->reports;
    std::int32_t ret = 0;
};

TEST_F(Bounds, LinesTicksAndCrossesUpTo250LinesBeyondThatNothingChanges) {
    for (Method method : {kGenerators[0], kGenerators[1]}) {
        // 40000 / 320 = 125 lines each way: 250 together, the budget itself; up to 125 x 125
        // interior crosses of two arms.
        Interval(320.0, 320.0);
        Run(method);
        const auto lines = s.GridGeometry(), crosses = s.CrossGeometry();
        ASSERT_TRUE(lines);
        EXPECT_TRUE(method == kGenerators[0] ? lines->Count() >= 248 && lines->Count() <= 252
                                             : crosses->Count() > 2 * 120 * 120);
        // 125.6 lines each way round to 126: 252 is over, and so is a millimetre: the call draws
        // nothing, keeps its lines and reports nothing. The smallest positive double may fail
        // through the handler (its line count overflows); none costs time.
        for (double interval : {40000.0 / 125.6, 1e-3, 5e-324}) {
            Interval(interval, interval);
            Run(method);
            EXPECT_TRUE(s.GridGeometry() == lines && s.CrossGeometry() == crosses) << interval;
            EXPECT_TRUE(interval < 1e-300 || reports.empty()) << interval << ": " << reports.front();
            reports.clear();
        }
    }
}

TEST_F(Bounds, AGridStrokeDistanceOfAlmostNothingIsHeldTo10000StepsOfTheFrame) {
    Interval(320.0, 320.0); // the whole budget of lines
    for (double tiny : {-1.0, 1e-9}) {
        s.SetGridStrokeDistance(tiny);
        s.CreateGridlines(ret);
    }
    EXPECT_TRUE(reports.empty());
    // The larger extent of the frame is 40 km (to rounding): 4 m steps at the finest. 250 lines of
    // at most 10000 steps, plus each of the 125 cells' boundary point and one more than its steps;
    // up to two more lines where the frame's low edges lie on grid values.
    EXPECT_NEAR(s.GridStrokeDistance(), 4.0, 1e-6);
    EXPECT_LE(s.GridGeometry()->PointCount(), 252u * (10000u + 2u * 126u + 2u));

    // 40 km in steps of the smallest double is no finite number of steps: the validation reports
    // the overflow and the densifying fails on its zero step, keeping the lines made before.
    const auto lines = s.GridGeometry();
    s.SetGridStrokeDistance(5e-324);
    s.CreateGridlines(ret);
    EXPECT_FALSE(reports.empty());
    EXPECT_EQ(s.GridGeometry(), lines);
}

TEST_F(Bounds, ATinyNeatlineStrokeOnAHugeFrameFailsAtOnceKeepingTheNeatline) {
    // A frame around the whole projection plane, stroked every micrometre or less: far past the
    // 32767 points of a stroked neatline (whose edge the stroking tests hold).
    const auto neatline = s.NeatlinePolygon();
    const std::string before = Exact(neatline.get());
    s.SetNeatlineLowerLeft(std::make_shared<Point>(-1.0e7, -1.0e7));
    s.SetNeatlineUpperRight(std::make_shared<Point>(1.0e7, 1.0e7));
    s.SetbForceStroking(true);
    for (double tiny : {1e-6, 5e-324}) {
        reports.clear();
        s.SetNeatlineStrokeDistance(tiny);
        s.CreateNeatline(ret);
        EXPECT_FALSE(reports.empty());
        EXPECT_TRUE(s.NeatlinePolygon() == neatline && Exact(neatline.get()) == before);
    }
}

TEST_F(Bounds, LabelsStopAtTheBudgetOfGridLines) {
    Interval(320.0, 320.0); // labels on all four sides of 125 lines each way
    s.CreateLabels(ret);
    ASSERT_TRUE(s.LabelsCollection());
    EXPECT_GT(s.LabelsCollection()->Count(), 4 * 120);
    EXPECT_TRUE(reports.empty());

    // A millimetre interval would mean 80 million grid lines and more labels than 16 bits count:
    // the call ends at once through its handler. So does one with no side to label, which would
    // otherwise step through every value unseen.
    Interval(1e-3, 1e-3);
    s.CreateLabels(ret);
    ASSERT_FALSE(reports.empty());
    EXPECT_NE(reports.back().find("Create_Labels Error"), std::string::npos) << reports.back();
    reports.clear();
    for (auto place :
         {&ParalloCls::SetPlaceLeftSideGridElements, &ParalloCls::SetPlaceTopSideGridElements,
          &ParalloCls::SetPlaceRightSideGridElements, &ParalloCls::SetPlaceBottomSideGridElements})
        (frame_->service.*place)(false);
    s.CreateLabels(ret);
    EXPECT_FALSE(reports.empty());
}

TEST_F(Bounds, LabelsOnAFrameMadeHugeByAReversedCornerFailAtOnce) {
    // Found by fuzz_service: an upper-right corner near the origin turns the sheet into a frame of
    // 500 km by 5400 km; at 1 km that is 5900 grid lines, and labelling them took seconds.
    s.SetNeatlineUpperRight(std::make_shared<Point>(5086.9202725532632, -0.0));
    s.CreateNeatline(ret);
    ASSERT_TRUE(reports.empty()) << reports.front();
    Interval(1000.0, 1000.0);
    s.CreateLabels(ret);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NE(reports[0].find("More than 250 grid lines"), std::string::npos) << reports[0];
}

TEST_F(Bounds, AGridOffsetFarFromTheFrameIsRefusedBeforeItsStepping) {
    Interval(1000.0, 1000.0);
    // A trillion intervals below the frame: stepping up one interval at a time would take hours.
    s.SetGridOffset(std::make_shared<Point>(1.0e15, 1.0e15));
    for (Method method : kGenerators) {
        reports.clear();
        Run(method);
        ASSERT_EQ(reports.size(), 1u);
        EXPECT_NE(reports[0].find("More than 32767 grid values"), std::string::npos) << reports[0];
    }
    // An offset of 1000 intervals is still followed: the same grid as an offset of one interval
    // (both start at the frame's western edge).
    reports.clear();
    std::string grids[2];
    for (double offset : {1000.0, 1.0e6}) {
        s.SetGridOffset(std::make_shared<Point>(offset, offset));
        s.CreateNeatline(ret); // each generator leaves its own round trip of the neatline
        s.CreateGridlines(ret);
        grids[offset > 1000.0] = Exact(s.GridGeometry().get());
    }
    EXPECT_TRUE(reports.empty());
    EXPECT_TRUE(grids[0] == grids[1]);
    // The opposite direction puts every grid value above the frame: nothing to step through.
    s.SetGridOffset(std::make_shared<Point>(-1.0e15, -1.0e15));
    for (Method method : kGenerators)
        Run(method);
}

TEST_F(Bounds, AHostNeatlineOfAsManyVerticesAsAStrokedOneIsCutWithoutReports) {
    // A host's own neatline of 32767 vertices (as many as a stroked one may have): a circle.
    auto circle = std::make_shared<shapekit::PolygonGeometry>();
    constexpr int kVertices = 32767;
    for (int i = 0; i < kVertices; ++i) {
        const double a = 2.0 * 3.14159265358979323846 * i / kVertices;
        circle->Points().Add(Point(500000.0 + 20000.0 * std::cos(a), 5340000.0 + 20000.0 * std::sin(a)));
    }
    Interval(320.0, 320.0);
    for (Method method : kGenerators) {
        s.SetNeatlinePolygon(circle);
        Run(method);
    }
    EXPECT_TRUE(reports.empty()) << reports.front();
}

} // namespace
} // namespace parallo_reliability
