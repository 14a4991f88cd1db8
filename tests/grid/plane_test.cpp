// Grid lines, ticks and crosses on exact identity systems: the written cases whose vertices can
// be stated exactly. Intersections are compared within 1e-9, their rounding.
#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>

#include "grid_checks.h"

namespace {

using gridtest::ItemsAtY;
using gridtest::PlaneFrame;
using gridtest::Square;
using parallo_test::Items;
using shapekit::Point;
using Method = void (parallo::ParalloCls::*)(std::int32_t &);

// 50 … 950 keeps every grid line (100 … 900) strictly inside, off the frame's edges.
const std::vector<Point> kInner = Square(50, 950);

// Vertices on their grid values and pieces ending on the neatline are checked on real frames;
// on the plane the densification of a cell is exact.
TEST(GridlinesPlane, CellsAreDensifiedFromTheirCentre) {
    PlaneFrame f(Square(0, 1000));
    EXPECT_EQ(f.Gridlines(), 1);
    ASSERT_TRUE(f.reports.empty()) << f.reports.front();
    auto items = Items(f.service.GridGeometry());
    // 0 … 1000 on both axes: the lines on the neatline's edges too.
    ASSERT_EQ(items.size(), 22u);
    // The line at 500 at stroke = cell length: its ends and every cell boundary, nothing else.
    ASSERT_EQ(items[5].size(), 11u);
    EXPECT_FALSE(f.service.bForceStroking()); // the identity moves no point off its line
    EXPECT_EQ(f.service.GridStrokeDistance(), 100.0);

    // At d = 30 each cell takes 3 steps centred with equal slack (100 - 90) / 2 = 5.
    f.service.SetGridStrokeDistance(30.0);
    f.Gridlines();
    items = Items(f.service.GridGeometry());
    ASSERT_EQ(items.at(5).size(), 10u * 5u + 1u);
    const double expected[] = {0.0, 5.0, 35.0, 65.0, 95.0, 100.0};
    for (std::size_t k = 0; k < 6; ++k)
        EXPECT_DOUBLE_EQ(items[5][k].y, expected[k]);
}

TEST(GridPlane, BudgetOf250LinesIsDrawnAnd251LeavesEverythingUntouched) {
    // Exact quotients: 401 / 2 = 200.5 rounds (half to even) to 200, and 504 / 10 adds 50.4 to
    // 250.4, rounding to 250; 506 / 10 gives 250.6, rounding to 251.
    for (Method method : {&parallo::ParalloCls::CreateGridlines, &parallo::ParalloCls::CreateTicksCrosses}) {
        const bool grid = method == &parallo::ParalloCls::CreateGridlines;
        SCOPED_TRACE(grid ? "grid lines" : "ticks and crosses");
        PlaneFrame f({{0, 0}, {0, 504}, {401, 504}, {401, 0}}, true);
        f.Interval(2.0, 10.0);
        f.service.SetGridStrokeDistance(1000.0);
        f.service.SetGridType(parallo::PXgtTicks);
        f.Call(method);
        ASSERT_TRUE(f.reports.empty()) << f.reports.front();
        ASSERT_TRUE(f.service.GridGeometry());
        // The estimate counts cells; the lines on the low edges (x = 0, y = 0) come on top.
        EXPECT_EQ(f.service.GridGeometry()->Count(), grid ? 250 + 2 : 2 * 250);

        PlaneFrame g({{0, 0}, {0, 506}, {401, 506}, {401, 0}}, true);
        g.Interval(2.0, 10.0);
        g.service.SetbForceStroking(true);
        const auto neatline = g.service.NeatlinePolygon();
        EXPECT_EQ(g.Call(method, 42), 42);
        EXPECT_TRUE(g.reports.empty());
        EXPECT_FALSE(g.service.GridGeometry());
        EXPECT_FALSE(g.service.CrossGeometry());
        EXPECT_TRUE(g.service.bForceStroking()); // left as the host set it
        EXPECT_EQ(g.service.NeatlinePolygon(), neatline);
        // Far beyond the budget, past any 32-bit count, is just as silent: ticks used to report an
        // overflow there.
        g.Interval(1e-8, 1e-8);
        g.Call(method);
        EXPECT_TRUE(g.reports.empty()) << g.reports.front();
        EXPECT_FALSE(g.service.GridGeometry());
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
        PlaneFrame f(Square(0, 1000), true);
        f.Interval(c.ix, c.iy);
        f.service.SetGridStrokeDistance(0.0);
        EXPECT_EQ(f.Call(c.method, 3), 3);
        ASSERT_EQ(f.reports.size(), 1u);
        EXPECT_NE(f.reports[0].find(c.title), std::string::npos) << f.reports[0];
        EXPECT_NE(f.reports[0].find(c.message), std::string::npos) << f.reports[0];
        EXPECT_FALSE(f.service.GridGeometry());
        // The zero interval fails after the stroke distance was validated and stored.
        if (c.iy == 0.0) {
            EXPECT_EQ(f.service.GridStrokeDistance(), 1000.0);
        }
    }
}

// Every tick's length, base and direction are checked on real frames; on the plane the "U":
// y = 700 enters and leaves twice, giving two pairs, each pointing into its piece.
TEST(TicksPlane, ANotchGivesEachPieceItsOwnPairOfTicks) {
    PlaneFrame u(gridtest::UShape(), true);
    u.service.SetGridType(parallo::PXgtTicks);
    u.TicksCrosses();
    ASSERT_TRUE(u.reports.empty()) << u.reports.front();
    const auto at700 = ItemsAtY(u.service.GridGeometry(), 700.0);
    ASSERT_EQ(at700.size(), 4u);
    const double bases[] = {0.0, 250.0, 750.0, 1000.0}, ends[] = {10.0, 240.0, 760.0, 990.0};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_NEAR(at700[i][0].x, bases[i], 1e-9);
        EXPECT_NEAR(at700[i][1].x, ends[i], 1e-9);
    }
}

TEST(TicksPlane, GridTypeSideFlagsAndArmsThatFitChooseWhatIsDrawn) {
    PlaneFrame f(kInner, true);
    f.service.SetGridType(parallo::PXgtSimple);
    f.TicksCrosses();
    EXPECT_EQ(f.service.GridGeometry()->Count(), 0);
    EXPECT_FALSE(f.service.CrossGeometry()); // untouched

    f.service.SetGridType(parallo::PXgtCrosses);
    f.TicksCrosses();
    EXPECT_EQ(f.service.GridGeometry()->Count(), 0);
    EXPECT_EQ(f.service.CrossGeometry()->Count(), 162);

    f.service.SetGridType(parallo::PXgtTicks);
    f.service.SetPlaceTopSideGridElements(false);
    f.service.SetPlaceRightSideGridElements(false);
    const auto crossesBefore = f.service.CrossGeometry();
    f.TicksCrosses();
    EXPECT_EQ(f.service.GridGeometry()->Count(), 18); // bottom and left only
    EXPECT_EQ(f.service.CrossGeometry(), crossesBefore);

    // On a frame 95 … 905 an arm of 20 from a centre at 100 or 900 reaches beyond the frame, so
    // its whole cross goes; the 7 × 7 inner crosses remain.
    PlaneFrame g(Square(95, 905), true);
    g.TicksCrosses();
    EXPECT_EQ(g.service.CrossGeometry()->Count(), 7 * 7 * 2);
}

// A grid whose convergence changes from intersection to intersection: every arm turns by the
// convergence at its own centre, in both passes. A failure at one centre is met and reported in
// each pass, and leaves the others alone.
TEST(TicksPlane, CrossArmsTurnByTheConvergenceAtTheirOwnCentre) {
    constexpr double kR = 6378137.0;
    const auto convergence = [](double x, double y) { return (x + 2.0 * y) / 4000.0; };
    PlaneFrame f(kInner, true);
    auto grid = parallo_test::MakeIdentitySystem();
    grid->Config().R = kR;
    grid->Config().angleAt = [&](double lon, double lat) {
        const double x = lon * kR, y = lat * kR;
        if (std::fabs(x - 500.0) < 1e-6 && std::fabs(y - 500.0) < 1e-6)
            throw std::runtime_error("no angle here");
        return convergence(x, y);
    };
    f.service.SetGridCoordSystem(grid);
    f.service.SetGridType(parallo::PXgtCrosses);
    f.TicksCrosses();

    ASSERT_EQ(f.reports.size(), 2u);
    for (const std::string &r : f.reports) {
        EXPECT_EQ(r.rfind("GetAzimuths Error | ", 0), 0u) << r;
        EXPECT_NE(r.find("no angle here"), std::string::npos) << r;
    }
    const auto crosses = Items(f.service.CrossGeometry());
    ASSERT_EQ(crosses.size(), 81u * 2u);
    // A centre's map coordinates are its grid values (one plane); the arm directions come from
    // sin and cos of the angle: 1e-9 covers their rounding.
    for (std::size_t i = 0; i < crosses.size(); ++i) {
        const Point &a = crosses[i][0], &b = crosses[i][1];
        const double cx = (a.x + b.x) / 2.0, cy = (a.y + b.y) / 2.0;
        if (std::fabs(cx - 500.0) < 1e-6 && std::fabs(cy - 500.0) < 1e-6) continue; // no angle there
        const double t = convergence(std::round(cx), std::round(cy));
        const bool horizontal = i < 81; // from grid east to west, or from grid north to south
        SCOPED_TRACE("arm " + std::to_string(i) + " at " + std::to_string(cx) + ", " + std::to_string(cy));
        EXPECT_NEAR(a.x - b.x, 20.0 * (horizontal ? std::cos(t) : std::sin(t)), 1e-9);
        EXPECT_NEAR(a.y - b.y, 20.0 * (horizontal ? -std::sin(t) : std::cos(t)), 1e-9);
    }
}

} // namespace
