// Grid lines on exact identity systems: the written cases whose vertices can be stated exactly.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "grid_checks.h"

namespace {

using gridtest::Items;
using gridtest::PlaneFrame;
using gridtest::Square;
using shapekit::Point;

TEST(GridlinesPlane, SquareWithInterval100GivesTheStatedLinesAndVertices) {
    PlaneFrame f(Square());
    std::int32_t ret = 7;
    f.service.CreateGridlines(ret);
    ASSERT_TRUE(f.reports.empty()) << f.reports.front();
    EXPECT_EQ(ret, 1);
    const auto items = Items(f.service.GridGeometry());
    ASSERT_EQ(items.size(), 20u);
    // Vertical lines first, at 100 … 1000 (the first grid value lies above the minimum, so 0 is
    // not produced; 1000 equals the maximum and is still tested: it runs along the right edge).
    // Grid values are formed through the reciprocal of the interval (1 / 0.01 is 100 plus one
    // unit in the last place), so they are compared within a few units in the last place.
    for (int i = 0; i < 10; ++i) {
        for (const Point &p : items[static_cast<std::size_t>(i)])
            EXPECT_DOUBLE_EQ(p.x, 100.0 * (i + 1));
    }
    for (int i = 0; i < 10; ++i) {
        for (const Point &p : items[static_cast<std::size_t>(10 + i)])
            EXPECT_DOUBLE_EQ(p.y, 100.0 * (i + 1));
    }
    // The line at 500: its two ends and every cell boundary, nothing else (stroke = cell length).
    const auto &line500 = items[4];
    ASSERT_EQ(line500.size(), 11u);
    for (std::size_t k = 0; k < line500.size(); ++k) {
        EXPECT_EQ(line500[k].x, 500.0);
        EXPECT_DOUBLE_EQ(line500[k].y, 100.0 * static_cast<double>(k));
    }
    EXPECT_FALSE(f.service.bForceStroking()); // the identity moves no point off its line
    EXPECT_EQ(f.service.GridStrokeDistance(), 100.0);
}

TEST(GridlinesPlane, CellsAreStrokedCentredWithEqualSlack) {
    PlaneFrame f(Square());
    f.service.SetGridStrokeDistance(30.0);
    std::int32_t ret = 0;
    f.service.CreateGridlines(ret);
    const auto items = Items(f.service.GridGeometry());
    ASSERT_EQ(items.size(), 20u);
    // Cell 0…100 at d = 30: m = 3, slack (100 - 90) / 2 = 5: 5, 35, 65, 95, then the boundary.
    const auto &line = items[4];
    ASSERT_GE(line.size(), 6u);
    const double expected[] = {0.0, 5.0, 35.0, 65.0, 95.0, 100.0};
    for (std::size_t k = 0; k < 6; ++k)
        EXPECT_DOUBLE_EQ(line[k].y, expected[k]);
    EXPECT_EQ(line.size(), 10u * 5u + 1u);
}

TEST(GridlinesPlane, BudgetOf250LinesIsDrawnAnd251IsNot) {
    // Extents chosen so that the quotients are exact: 401 / 2 = 200.5 rounds (half to even) to
    // 200, and 200 + 504 / 10 = 250.4 rounds to 250; 200 + 506 / 10 = 250.6 rounds to 251.
    PlaneFrame f({Point(0, 0), Point(0, 504), Point(401, 504), Point(401, 0)});
    f.service.SetInterval(std::make_shared<Point>(2.0, 10.0));
    f.service.SetGridStrokeDistance(1000.0);
    std::int32_t ret = 0;
    f.service.CreateGridlines(ret);
    ASSERT_TRUE(f.reports.empty()) << f.reports.front();
    ASSERT_TRUE(f.service.GridGeometry());
    EXPECT_EQ(f.service.GridGeometry()->Count(), 200 + 50);

    PlaneFrame g({Point(0, 0), Point(0, 506), Point(401, 506), Point(401, 0)});
    g.service.SetInterval(std::make_shared<Point>(2.0, 10.0));
    g.service.SetbForceStroking(true);
    std::int32_t untouched = 42;
    g.service.CreateGridlines(untouched);
    EXPECT_TRUE(g.reports.empty());
    EXPECT_FALSE(g.service.GridGeometry());  // nothing computed or stored
    EXPECT_TRUE(g.service.bForceStroking()); // left as the host set it
    EXPECT_EQ(untouched, 42);
}

TEST(GridlinesPlane, ZeroIntervalFailsAfterTheStrokeDistanceIsStored) {
    PlaneFrame f(Square());
    f.service.SetInterval(std::make_shared<Point>(100.0, 0.0));
    f.service.SetGridStrokeDistance(0.0);
    std::int32_t ret = 3;
    f.service.CreateGridlines(ret);
    ASSERT_EQ(f.reports.size(), 1u);
    EXPECT_NE(f.reports[0].find("Create_Gridlines Error"), std::string::npos);
    EXPECT_NE(f.reports[0].find("Division by zero"), std::string::npos);
    EXPECT_FALSE(f.service.GridGeometry());
    EXPECT_EQ(f.service.GridStrokeDistance(), 1000.0); // validated: the larger extent
    EXPECT_EQ(ret, 3);
}

TEST(GridlinesPlane, NegativeIntervalIsReportedInsteadOfSteppingForever) {
    PlaneFrame f(Square());
    f.service.SetInterval(std::make_shared<Point>(-100.0, 100.0));
    std::int32_t ret = 0;
    f.service.CreateGridlines(ret);
    ASSERT_EQ(f.reports.size(), 1u);
    EXPECT_NE(f.reports[0].find("greater than 0"), std::string::npos);
    EXPECT_FALSE(f.service.GridGeometry());
}

TEST(GridlinesPlane, LineThroughVerticesGivesOnePieceEndingOnThem) {
    // A diamond: the line x = 500 passes through the bottom and top vertices, y = 500 through
    // the left and right ones; each vertex is reported by both of its edges.
    PlaneFrame f({Point(500, 0), Point(0, 500), Point(500, 1000), Point(1000, 500)});
    f.service.SetInterval(std::make_shared<Point>(250.0, 250.0));
    f.service.SetGridStrokeDistance(1000.0);
    std::int32_t ret = 0;
    f.service.CreateGridlines(ret);
    ASSERT_TRUE(f.reports.empty()) << f.reports.front();
    const auto items = Items(f.service.GridGeometry());
    // x = 250, 500, 750 (1000 only touches the right vertex: no piece), likewise for y.
    ASSERT_EQ(items.size(), 6u);
    const auto &mid = items[1];
    EXPECT_DOUBLE_EQ(mid.front().x, 500.0);
    EXPECT_NEAR(mid.front().y, 0.0, 1e-9); // exact up to the intersection's rounding
    EXPECT_NEAR(mid.back().y, 1000.0, 1e-9);
    const auto &across = items[4];
    EXPECT_NEAR(across.front().x, 0.0, 1e-9);
    EXPECT_NEAR(across.back().x, 1000.0, 1e-9);
}

TEST(GridlinesPlane, ConcaveNeatlineGivesTwoPiecesOrderedAlongTheLine) {
    // A "U": a notch from the top down to y = 400 between x = 250 and 750.
    PlaneFrame f({Point(0, 0), Point(0, 1000), Point(250, 1000), Point(250, 400), Point(750, 400),
                  Point(750, 1000), Point(1000, 1000), Point(1000, 0)});
    f.service.SetGridStrokeDistance(1000.0);
    std::int32_t ret = 0;
    f.service.CreateGridlines(ret);
    ASSERT_TRUE(f.reports.empty()) << f.reports.front();
    const auto items = Items(f.service.GridGeometry());
    // The horizontal lines between 400 and 1000 cross the notch: two pieces each, west first.
    std::vector<std::vector<Point>> atY700;
    for (const auto &it : items) {
        if (std::fabs(it.front().y - 700.0) < 1e-9 && std::fabs(it.back().y - 700.0) < 1e-9)
            atY700.push_back(it);
    }
    ASSERT_EQ(atY700.size(), 2u);
    EXPECT_NEAR(atY700[0].front().x, 0.0, 1e-9);
    EXPECT_NEAR(atY700[0].back().x, 250.0, 1e-9);
    EXPECT_NEAR(atY700[1].front().x, 750.0, 1e-9);
    EXPECT_NEAR(atY700[1].back().x, 1000.0, 1e-9);
}

TEST(GridlinesPlane, LinePassingANotchVertexKeepsItsWholeLength) {
    // A "V" notch from the top reaching down to (500, 600): the line y = 600 only touches the
    // notch's vertex. It enters at x = 0 and leaves at x = 1000; the touch must not pair up with
    // the entry and drop the rest of the line.
    PlaneFrame f({Point(0, 0), Point(0, 1000), Point(400, 1000), Point(500, 600), Point(600, 1000),
                  Point(1000, 1000), Point(1000, 0)});
    f.service.SetGridStrokeDistance(1000.0);
    std::int32_t ret = 0;
    f.service.CreateGridlines(ret);
    ASSERT_TRUE(f.reports.empty()) << f.reports.front();
    std::vector<std::vector<Point>> atY600;
    for (const auto &it : Items(f.service.GridGeometry())) {
        if (std::fabs(it.front().y - 600.0) < 1e-9 && std::fabs(it.back().y - 600.0) < 1e-9)
            atY600.push_back(it);
    }
    ASSERT_EQ(atY600.size(), 1u);
    EXPECT_NEAR(atY600[0].front().x, 0.0, 1e-9);
    EXPECT_NEAR(atY600[0].back().x, 1000.0, 1e-9);
}

TEST(GridlinesPlane, SkippedValuesGiveNoLine) {
    PlaneFrame f(Square());
    f.service.SetSkipInterval(std::make_shared<Point>(500.0, 0.0));
    std::int32_t ret = 0;
    f.service.CreateGridlines(ret);
    const auto items = Items(f.service.GridGeometry());
    ASSERT_EQ(items.size(), 18u); // 500 and 1000 are multiples of the skip interval
    for (std::size_t i = 0; i < 8; ++i)
        EXPECT_NE(std::fmod(items[i].front().x, 500.0), 0.0);
}

TEST(GridlinesPlane, NeatlineIsReplacedByItsRoundTrippedCopy) {
    PlaneFrame f(Square());
    const auto before = f.service.NeatlinePolygon();
    std::int32_t ret = 0;
    f.service.CreateGridlines(ret);
    ASSERT_TRUE(f.service.NeatlinePolygon());
    EXPECT_NE(f.service.NeatlinePolygon(), before);
    EXPECT_EQ(f.service.NeatlinePolygon()->Points().Vector().size(), 4u);
    EXPECT_EQ(f.service.NeatlinePolygon()->Points().Item(3).x, 1000.0);
}

} // namespace
