// Ticks and crosses on exact identity systems: counts, sides, order and the guard.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "grid_checks.h"

namespace {

using gridtest::Items;
using gridtest::PlaneFrame;
using gridtest::Square;
using shapekit::Point;

// A square 50 … 950 keeps every grid line (100 … 900) strictly inside, off the frame's edges.
std::vector<Point> InnerSquare() { return {Point(50, 50), Point(50, 950), Point(950, 950), Point(950, 50)}; }

TEST(TicksPlane, EveryInteriorLineGetsATickAtEachEndPointingInward) {
    PlaneFrame f(InnerSquare(), true);
    std::int32_t ret = 0;
    f.service.CreateTicksCrosses(ret);
    ASSERT_TRUE(f.reports.empty()) << f.reports.front();
    EXPECT_EQ(ret, 1);
    const auto ticks = Items(f.service.GridGeometry());
    ASSERT_EQ(ticks.size(), 9u * 2u * 2u);
    // Vertical lines first: SOUTH then NORTH tick of each line, in increasing x.
    for (std::size_t i = 0; i < 9; ++i) {
        const auto &south = ticks[2 * i];
        const auto &north = ticks[2 * i + 1];
        const double x = 100.0 * static_cast<double>(i + 1);
        EXPECT_DOUBLE_EQ(south[0].x, x);
        EXPECT_NEAR(south[0].y, 50.0, 1e-9);
        EXPECT_NEAR(south[1].y, 60.0, 1e-9); // TickLength 10, grid north
        EXPECT_NEAR(north[0].y, 950.0, 1e-9);
        EXPECT_NEAR(north[1].y, 940.0, 1e-9);
        EXPECT_NEAR(north[1].x, x, 1e-9);
    }
    // Then WEST and EAST ticks of each horizontal line.
    const auto &west = ticks[18];
    const auto &east = ticks[19];
    EXPECT_NEAR(west[0].x, 50.0, 1e-9);
    EXPECT_NEAR(west[1].x, 60.0, 1e-9);
    EXPECT_NEAR(east[0].x, 950.0, 1e-9);
    EXPECT_NEAR(east[1].x, 940.0, 1e-9);
}

TEST(TicksPlane, CrossesHorizontalArmsFirstAtEveryInteriorIntersection) {
    PlaneFrame f(InnerSquare(), true);
    std::int32_t ret = 0;
    f.service.CreateTicksCrosses(ret);
    const auto crosses = Items(f.service.CrossGeometry());
    ASSERT_EQ(crosses.size(), 81u * 2u);
    for (std::size_t i = 0; i < 81; ++i) {
        const auto &h = crosses[i];
        EXPECT_NEAR(h[0].y, h[1].y, 1e-9) << "horizontal arm " << i;
        EXPECT_NEAR(std::fabs(h[0].x - h[1].x), 20.0, 1e-9);
        const auto &v = crosses[81 + i];
        EXPECT_NEAR(v[0].x, v[1].x, 1e-9) << "vertical arm " << i;
        EXPECT_GT(v[0].y, v[1].y); // grid-north end first
    }
    // Horizontal arms in horizontal-pass order: along y = 100 first, x increasing.
    EXPECT_NEAR(crosses[0][0].x + crosses[0][1].x, 200.0, 1e-9);
    EXPECT_NEAR(crosses[1][0].x + crosses[1][1].x, 400.0, 1e-9);
    // Vertical arms in vertical-pass order: along x = 100 first, y increasing.
    EXPECT_NEAR(crosses[81][0].y + crosses[81][1].y, 200.0, 1e-9);
    EXPECT_NEAR(crosses[82][0].y + crosses[82][1].y, 400.0, 1e-9);
}

TEST(TicksPlane, CrossWhoseArmReachesTheNeatlineIsNotDrawnAtAll) {
    // Lines at 100 … 900 on a frame 95 … 905: every arm of length 20 from a centre at 100 or 900
    // reaches beyond the frame (5 away), so only the 7 × 7 inner crosses remain.
    PlaneFrame f({Point(95, 95), Point(95, 905), Point(905, 905), Point(905, 95)}, true);
    std::int32_t ret = 0;
    f.service.CreateTicksCrosses(ret);
    EXPECT_EQ(f.service.CrossGeometry()->Count(), 7 * 7 * 2);
}

TEST(TicksPlane, GridTypeAndSideFlagsChooseWhatIsDrawn) {
    PlaneFrame f(InnerSquare(), true);
    std::int32_t ret = 0;
    f.service.SetGridType(parallo::PXgtSimple);
    f.service.CreateTicksCrosses(ret);
    EXPECT_EQ(f.service.GridGeometry()->Count(), 0);
    EXPECT_FALSE(f.service.CrossGeometry()); // untouched

    f.service.SetGridType(parallo::PXgtCrosses);
    f.service.CreateTicksCrosses(ret);
    EXPECT_EQ(f.service.GridGeometry()->Count(), 0);
    EXPECT_EQ(f.service.CrossGeometry()->Count(), 162);

    f.service.SetGridType(parallo::PXgtTicks);
    f.service.SetPlaceTopSideGridElements(false);
    f.service.SetPlaceRightSideGridElements(false);
    const auto crossesBefore = f.service.CrossGeometry();
    f.service.CreateTicksCrosses(ret);
    EXPECT_EQ(f.service.GridGeometry()->Count(), 18); // bottom and left only
    EXPECT_EQ(f.service.CrossGeometry(), crossesBefore);
}

TEST(TicksPlane, SkipValuesLoseTheirTicksAndEveryCrossOnThem) {
    PlaneFrame f(InnerSquare(), true);
    f.service.SetSkipInterval(std::make_shared<Point>(500.0, 300.0));
    std::int32_t ret = 0;
    f.service.CreateTicksCrosses(ret);
    // x: 500 skipped (8 lines left); y: 300, 600, 900 skipped (6 left).
    EXPECT_EQ(f.service.GridGeometry()->Count(), 8 * 2 + 6 * 2);
    EXPECT_EQ(f.service.CrossGeometry()->Count(), 8 * 6 * 2);
    for (const auto &arm : Items(f.service.CrossGeometry())) {
        const double cx = (arm[0].x + arm[1].x) / 2.0, cy = (arm[0].y + arm[1].y) / 2.0;
        EXPECT_NE(std::fmod(cx, 500.0), 0.0);
        EXPECT_NE(std::fmod(cy, 300.0), 0.0);
    }
}

TEST(TicksPlane, GuardAccepts250LinesAndReturnsSilentlyAt251) {
    PlaneFrame f({Point(0, 0), Point(0, 504), Point(401, 504), Point(401, 0)}, true);
    f.service.SetInterval(std::make_shared<Point>(2.0, 10.0));
    f.service.SetGridType(parallo::PXgtTicks);
    std::int32_t ret = 0;
    f.service.CreateTicksCrosses(ret);
    ASSERT_TRUE(f.reports.empty()) << f.reports.front();
    EXPECT_GT(f.service.GridGeometry()->Count(), 0);

    PlaneFrame g({Point(0, 0), Point(0, 506), Point(401, 506), Point(401, 0)}, true);
    g.service.SetInterval(std::make_shared<Point>(2.0, 10.0));
    const auto neatline = g.service.NeatlinePolygon();
    std::int32_t untouched = 42;
    g.service.CreateTicksCrosses(untouched);
    EXPECT_TRUE(g.reports.empty());
    EXPECT_FALSE(g.service.GridGeometry());
    EXPECT_FALSE(g.service.CrossGeometry());
    EXPECT_EQ(g.service.NeatlinePolygon(), neatline);
    EXPECT_EQ(untouched, 42);
}

TEST(TicksPlane, ConcaveNeatlineGivesTwoPairsOfTicksOnALineEnteringTwice) {
    // A "U" with a notch from the top down to y = 400 between x = 250 and 750: the horizontal
    // line y = 700 enters and leaves twice.
    PlaneFrame f({Point(0, 0), Point(0, 1000), Point(250, 1000), Point(250, 400), Point(750, 400),
                  Point(750, 1000), Point(1000, 1000), Point(1000, 0)},
                 true);
    f.service.SetGridType(parallo::PXgtTicks);
    std::int32_t ret = 0;
    f.service.CreateTicksCrosses(ret);
    ASSERT_TRUE(f.reports.empty()) << f.reports.front();
    std::vector<std::vector<Point>> at700;
    for (const auto &t : Items(f.service.GridGeometry())) {
        if (std::fabs(t[0].y - 700.0) < 1e-9 && std::fabs(t[1].y - 700.0) < 1e-9) at700.push_back(t);
    }
    ASSERT_EQ(at700.size(), 4u);
    const double bases[] = {0.0, 250.0, 750.0, 1000.0};
    const double ends[] = {10.0, 240.0, 760.0, 990.0}; // each points into its piece
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_NEAR(at700[i][0].x, bases[i], 1e-9);
        EXPECT_NEAR(at700[i][1].x, ends[i], 1e-9);
    }
}

TEST(TicksPlane, ZeroIntervalIsReportedAndChangesNothing) {
    PlaneFrame f(Square(), true);
    f.service.SetInterval(std::make_shared<Point>(0.0, 100.0));
    std::int32_t ret = 5;
    f.service.CreateTicksCrosses(ret);
    ASSERT_EQ(f.reports.size(), 1u);
    EXPECT_NE(f.reports[0].find("CreateTicksCrosses Error"), std::string::npos);
    EXPECT_FALSE(f.service.GridGeometry());
    EXPECT_EQ(ret, 5);
}

} // namespace
