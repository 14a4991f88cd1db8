// Grid lines, ticks and crosses on exact identity systems: the written cases whose vertices can
// be stated exactly. Intersections are compared within 1e-9, their rounding.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <stdexcept>
#include <string>

#include "grid_checks.h"

namespace {

using gridtest::Items;
using gridtest::ItemsAtY;
using gridtest::PlaneFrame;
using gridtest::Square;
using shapekit::Point;
using Method = void (parallo::ParalloCls::*)(std::int32_t &);

// A square 50 … 950 keeps every grid line (100 … 900) strictly inside, off the frame's edges.
std::vector<Point> InnerSquare() { return {Point(50, 50), Point(50, 950), Point(950, 950), Point(950, 50)}; }

TEST(GridlinesPlane, SquareWithInterval100GivesTheStatedLinesAndVertices) {
    PlaneFrame f(Square());
    std::int32_t ret = 7;
    f.service.CreateGridlines(ret);
    ASSERT_TRUE(f.reports.empty()) << f.reports.front();
    EXPECT_EQ(ret, 1);
    const auto items = Items(f.service.GridGeometry());
    ASSERT_EQ(items.size(), 20u);
    // Vertical lines first, at 100 … 1000 (0 lies on the minimum and is not produced; 1000 on
    // the maximum is, along the right edge), then horizontal ones. Grid values are formed
    // through the interval's reciprocal: a few units in the last place.
    for (std::size_t i = 0; i < 20; ++i) {
        for (const Point &p : items[i])
            EXPECT_DOUBLE_EQ(i < 10 ? p.x : p.y, 100.0 * static_cast<double>(i % 10 + 1));
    }
    // The line at 500: its ends and every cell boundary, nothing else (stroke = cell length).
    ASSERT_EQ(items[4].size(), 11u);
    for (std::size_t k = 0; k < 11; ++k)
        EXPECT_DOUBLE_EQ(items[4][k].y, 100.0 * static_cast<double>(k));
    EXPECT_FALSE(f.service.bForceStroking()); // the identity moves no point off its line
    EXPECT_EQ(f.service.GridStrokeDistance(), 100.0);
}

TEST(GridlinesPlane, CellsAreStrokedCentredWithEqualSlack) {
    PlaneFrame f(Square());
    f.service.SetGridStrokeDistance(30.0);
    std::int32_t ret = 0;
    f.service.CreateGridlines(ret);
    const auto line = Items(f.service.GridGeometry()).at(4);
    // Cell 0…100 at d = 30: 3 steps, slack (100 - 90) / 2 = 5: 5, 35, 65, 95, then the boundary.
    ASSERT_EQ(line.size(), 10u * 5u + 1u);
    const double expected[] = {0.0, 5.0, 35.0, 65.0, 95.0, 100.0};
    for (std::size_t k = 0; k < 6; ++k)
        EXPECT_DOUBLE_EQ(line[k].y, expected[k]);
}

TEST(GridlinesPlane, NeatlineVerticesAndNotches) {
    {
        // A diamond: x = 500 and y = 500 pass through its vertices, each reported by two edges;
        // x = 1000 only touches the right vertex and gives no piece.
        PlaneFrame f({Point(500, 0), Point(0, 500), Point(500, 1000), Point(1000, 500)});
        f.service.SetInterval(std::make_shared<Point>(250.0, 250.0));
        f.service.SetGridStrokeDistance(1000.0);
        std::int32_t ret = 0;
        f.service.CreateGridlines(ret);
        ASSERT_TRUE(f.reports.empty()) << f.reports.front();
        const auto items = Items(f.service.GridGeometry());
        ASSERT_EQ(items.size(), 6u);
        EXPECT_DOUBLE_EQ(items[1].front().x, 500.0);
        EXPECT_NEAR(items[1].front().y, 0.0, 1e-9);
        EXPECT_NEAR(items[1].back().y, 1000.0, 1e-9);
        EXPECT_NEAR(items[4].front().x, 0.0, 1e-9);
        EXPECT_NEAR(items[4].back().x, 1000.0, 1e-9);
    }
    {
        // The "U": y = 700 crosses the notch and gives two pieces, west first.
        PlaneFrame f(gridtest::UShape());
        f.service.SetGridStrokeDistance(1000.0);
        std::int32_t ret = 0;
        f.service.CreateGridlines(ret);
        ASSERT_TRUE(f.reports.empty()) << f.reports.front();
        const auto at700 = ItemsAtY(f.service.GridGeometry(), 700.0);
        ASSERT_EQ(at700.size(), 2u);
        const double ends[] = {0.0, 250.0, 750.0, 1000.0};
        for (std::size_t i = 0; i < 4; ++i)
            EXPECT_NEAR((i % 2 ? at700[i / 2].back() : at700[i / 2].front()).x, ends[i], 1e-9);
    }
    {
        // A "V" notch reaching down to (500, 600): y = 600 only touches its vertex, and that
        // touch must not pair up with the entry and drop the rest of the line.
        PlaneFrame f({Point(0, 0), Point(0, 1000), Point(400, 1000), Point(500, 600), Point(600, 1000),
                      Point(1000, 1000), Point(1000, 0)});
        f.service.SetGridStrokeDistance(1000.0);
        std::int32_t ret = 0;
        f.service.CreateGridlines(ret);
        ASSERT_TRUE(f.reports.empty()) << f.reports.front();
        const auto at600 = ItemsAtY(f.service.GridGeometry(), 600.0);
        ASSERT_EQ(at600.size(), 1u);
        EXPECT_NEAR(at600[0].front().x, 0.0, 1e-9);
        EXPECT_NEAR(at600[0].back().x, 1000.0, 1e-9);
    }
}

TEST(GridPlane, BudgetOf250LinesIsDrawnAnd251LeavesEverythingUntouched) {
    // Exact quotients: 401 / 2 = 200.5 rounds (half to even) to 200, and 504 / 10 adds 50.4 to
    // 250.4, rounding to 250; 506 / 10 gives 250.6, rounding to 251.
    for (Method method : {&parallo::ParalloCls::CreateGridlines, &parallo::ParalloCls::CreateTicksCrosses}) {
        const bool grid = method == &parallo::ParalloCls::CreateGridlines;
        SCOPED_TRACE(grid ? "grid lines" : "ticks and crosses");
        PlaneFrame f({Point(0, 0), Point(0, 504), Point(401, 504), Point(401, 0)}, true);
        f.service.SetInterval(std::make_shared<Point>(2.0, 10.0));
        f.service.SetGridStrokeDistance(1000.0);
        f.service.SetGridType(parallo::PXgtTicks);
        std::int32_t ret = 0;
        (f.service.*method)(ret);
        ASSERT_TRUE(f.reports.empty()) << f.reports.front();
        ASSERT_TRUE(f.service.GridGeometry());
        if (grid)
            EXPECT_EQ(f.service.GridGeometry()->Count(), 200 + 50);
        else
            EXPECT_GT(f.service.GridGeometry()->Count(), 0);

        PlaneFrame g({Point(0, 0), Point(0, 506), Point(401, 506), Point(401, 0)}, true);
        g.service.SetInterval(std::make_shared<Point>(2.0, 10.0));
        g.service.SetbForceStroking(true);
        const auto neatline = g.service.NeatlinePolygon();
        std::int32_t untouched = 42;
        (g.service.*method)(untouched);
        EXPECT_TRUE(g.reports.empty());
        EXPECT_FALSE(g.service.GridGeometry());
        EXPECT_FALSE(g.service.CrossGeometry());
        EXPECT_TRUE(g.service.bForceStroking()); // left as the host set it
        EXPECT_EQ(g.service.NeatlinePolygon(), neatline);
        EXPECT_EQ(untouched, 42);
    }
}

TEST(GridPlane, BadIntervalsAreReportedAndLeaveNoGeometry) {
    struct Case {
        Method method;
        double ix, iy;
        const char *title, *message;
    };
    const Case cases[] = {
        {&parallo::ParalloCls::CreateGridlines, 100.0, 0.0, "Create_Gridlines Error", "Division by zero"},
        // A negative interval would step away from the far edge for ever.
        {&parallo::ParalloCls::CreateGridlines, -100.0, 100.0, "Create_Gridlines Error", "greater than 0"},
        {&parallo::ParalloCls::CreateTicksCrosses, 0.0, 100.0, "CreateTicksCrosses Error", ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.title) + " " + std::to_string(c.ix) + ", " + std::to_string(c.iy));
        PlaneFrame f(Square(), true);
        f.service.SetInterval(std::make_shared<Point>(c.ix, c.iy));
        f.service.SetGridStrokeDistance(0.0);
        std::int32_t ret = 3;
        (f.service.*c.method)(ret);
        ASSERT_EQ(f.reports.size(), 1u);
        EXPECT_NE(f.reports[0].find(c.title), std::string::npos) << f.reports[0];
        EXPECT_NE(f.reports[0].find(c.message), std::string::npos) << f.reports[0];
        EXPECT_FALSE(f.service.GridGeometry());
        EXPECT_EQ(ret, 3);
    }
    // The zero interval fails after the stroke distance was validated and stored: the larger extent.
    PlaneFrame f(Square());
    f.service.SetInterval(std::make_shared<Point>(100.0, 0.0));
    f.service.SetGridStrokeDistance(0.0);
    std::int32_t ret = 0;
    f.service.CreateGridlines(ret);
    EXPECT_EQ(f.service.GridStrokeDistance(), 1000.0);
}

TEST(GridPlane, SkippedValuesLoseTheirLinesTicksAndCrosses) {
    PlaneFrame f(Square());
    f.service.SetSkipInterval(std::make_shared<Point>(500.0, 0.0));
    std::int32_t ret = 0;
    f.service.CreateGridlines(ret);
    const auto items = Items(f.service.GridGeometry());
    ASSERT_EQ(items.size(), 18u); // 500 and 1000 are multiples of the skip interval
    for (std::size_t i = 0; i < 8; ++i)
        EXPECT_NE(std::fmod(items[i].front().x, 500.0), 0.0);

    PlaneFrame t(InnerSquare(), true);
    t.service.SetSkipInterval(std::make_shared<Point>(500.0, 300.0));
    t.service.CreateTicksCrosses(ret);
    // x: 500 skipped (8 lines left); y: 300, 600, 900 skipped (6 left).
    EXPECT_EQ(t.service.GridGeometry()->Count(), 8 * 2 + 6 * 2);
    EXPECT_EQ(t.service.CrossGeometry()->Count(), 8 * 6 * 2);
    for (const auto &arm : Items(t.service.CrossGeometry())) {
        EXPECT_NE(std::fmod((arm[0].x + arm[1].x) / 2.0, 500.0), 0.0);
        EXPECT_NE(std::fmod((arm[0].y + arm[1].y) / 2.0, 300.0), 0.0);
    }
}

TEST(TicksPlane, EveryInteriorLineGetsATickAtEachEndPointingInward) {
    PlaneFrame f(InnerSquare(), true);
    std::int32_t ret = 0;
    f.service.CreateTicksCrosses(ret);
    ASSERT_TRUE(f.reports.empty()) << f.reports.front();
    EXPECT_EQ(ret, 1);
    const auto ticks = Items(f.service.GridGeometry());
    ASSERT_EQ(ticks.size(), 9u * 2u * 2u);
    // Vertical lines first: the south then the north tick of each line, x increasing.
    for (std::size_t i = 0; i < 9; ++i) {
        const auto &south = ticks[2 * i], &north = ticks[2 * i + 1];
        const double x = 100.0 * static_cast<double>(i + 1);
        EXPECT_DOUBLE_EQ(south[0].x, x);
        EXPECT_NEAR(south[0].y, 50.0, 1e-9);
        EXPECT_NEAR(south[1].y, 60.0, 1e-9); // TickLength 10, grid north
        EXPECT_NEAR(north[0].y, 950.0, 1e-9);
        EXPECT_NEAR(north[1].y, 940.0, 1e-9);
        EXPECT_NEAR(north[1].x, x, 1e-9);
    }
    // Then the west and east ticks of each horizontal line.
    EXPECT_NEAR(ticks[18][0].x, 50.0, 1e-9);
    EXPECT_NEAR(ticks[18][1].x, 60.0, 1e-9);
    EXPECT_NEAR(ticks[19][0].x, 950.0, 1e-9);
    EXPECT_NEAR(ticks[19][1].x, 940.0, 1e-9);

    // The "U": y = 700 enters and leaves twice, giving two pairs, each pointing into its piece.
    PlaneFrame u(gridtest::UShape(), true);
    u.service.SetGridType(parallo::PXgtTicks);
    u.service.CreateTicksCrosses(ret);
    ASSERT_TRUE(u.reports.empty()) << u.reports.front();
    const auto at700 = ItemsAtY(u.service.GridGeometry(), 700.0);
    ASSERT_EQ(at700.size(), 4u);
    const double bases[] = {0.0, 250.0, 750.0, 1000.0}, ends[] = {10.0, 240.0, 760.0, 990.0};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_NEAR(at700[i][0].x, bases[i], 1e-9);
        EXPECT_NEAR(at700[i][1].x, ends[i], 1e-9);
    }
}

TEST(TicksPlane, CrossesHorizontalArmsFirstAtEveryInteriorIntersection) {
    PlaneFrame f(InnerSquare(), true);
    std::int32_t ret = 0;
    f.service.CreateTicksCrosses(ret);
    const auto crosses = Items(f.service.CrossGeometry());
    ASSERT_EQ(crosses.size(), 81u * 2u);
    for (std::size_t i = 0; i < 81; ++i) {
        const auto &h = crosses[i], &v = crosses[81 + i];
        EXPECT_NEAR(h[0].y, h[1].y, 1e-9) << "horizontal arm " << i;
        EXPECT_NEAR(std::fabs(h[0].x - h[1].x), 20.0, 1e-9);
        EXPECT_NEAR(v[0].x, v[1].x, 1e-9) << "vertical arm " << i;
        EXPECT_GT(v[0].y, v[1].y); // grid-north end first
    }
    // Horizontal arms along y = 100 first, x increasing; vertical arms along x = 100, y increasing.
    EXPECT_NEAR(crosses[1][0].x + crosses[1][1].x, 400.0, 1e-9);
    EXPECT_NEAR(crosses[82][0].y + crosses[82][1].y, 400.0, 1e-9);

    // Lines at 100 … 900 on a frame 95 … 905: an arm of 20 from a centre at 100 or 900 reaches
    // beyond the frame, so its whole cross goes; the 7 × 7 inner crosses remain.
    PlaneFrame g({Point(95, 95), Point(95, 905), Point(905, 905), Point(905, 95)}, true);
    g.service.CreateTicksCrosses(ret);
    EXPECT_EQ(g.service.CrossGeometry()->Count(), 7 * 7 * 2);
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

// A grid whose convergence changes from intersection to intersection: every arm must turn by the
// convergence at its own centre, in both passes. A failure at one centre is met and reported in
// each pass, and leaves the others alone.
TEST(TicksPlane, CrossArmsTurnByTheConvergenceAtTheirOwnCentre) {
    constexpr double kR = 6378137.0;
    const auto convergence = [](double x, double y) { return (x + 2.0 * y) / 4000.0; };
    PlaneFrame f(InnerSquare(), true);
    auto grid = parallo_test::MakeIdentitySystem();
    grid->Config().R = kR;
    grid->Config().angleAt = [&](double lon, double lat) {
        const double x = lon * kR, y = lat * kR;
        if (std::fabs(x - 500.0) < 1e-6 && std::fabs(y - 500.0) < 1e-6) throw std::runtime_error("no angle here");
        return convergence(x, y);
    };
    f.service.SetGridCoordSystem(grid);
    f.service.SetGridType(parallo::PXgtCrosses);
    std::int32_t ret = 0;
    f.service.CreateTicksCrosses(ret);

    ASSERT_EQ(f.reports.size(), 2u);
    for (const std::string &r : f.reports) {
        EXPECT_EQ(r.rfind("GetAzimuths Error | ", 0), 0u) << r;
        EXPECT_NE(r.find("no angle here"), std::string::npos) << r;
    }
    const auto crosses = Items(f.service.CrossGeometry());
    ASSERT_EQ(crosses.size(), 81u * 2u);
    // Map view and grid share their plane, so a centre's map coordinates are its grid values;
    // the arm directions come from sin and cos of the angle: 1e-9 covers their rounding.
    for (std::size_t i = 0; i < crosses.size(); ++i) {
        const Point &a = crosses[i][0], &b = crosses[i][1];
        const double cx = (a.x + b.x) / 2.0, cy = (a.y + b.y) / 2.0;
        if (std::fabs(cx - 500.0) < 1e-6 && std::fabs(cy - 500.0) < 1e-6) continue; // no angle there
        const double t = convergence(std::round(cx), std::round(cy));
        const bool horizontal = i < 81;
        // Horizontal arms run from grid east to grid west, vertical ones from grid north to south.
        const double ux = horizontal ? std::cos(t) : std::sin(t);
        const double uy = horizontal ? -std::sin(t) : std::cos(t);
        SCOPED_TRACE("arm " + std::to_string(i) + " at " + std::to_string(cx) + ", " + std::to_string(cy));
        EXPECT_NEAR(a.x - b.x, 20.0 * ux, 1e-9);
        EXPECT_NEAR(a.y - b.y, 20.0 * uy, 1e-9);
    }
}

} // namespace
