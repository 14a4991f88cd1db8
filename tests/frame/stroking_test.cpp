// The stroked neatline rectangle, its side starts and the stroking decision; stroke distances.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <utility>
#include <vector>

#include "frame/frame_fixture.h"
#include "service/stroking.h"
#include "support/coordkit_double.h"

namespace {

using frametest::P;
using frametest::Rad;
using frametest::ReportLog;
using parallo::detail::ServiceState;
using shapekit::Point;

using XY = std::vector<std::pair<double, double>>;

XY Coordinates(const shapekit::PointsCollection &points) {
    XY out;
    for (const Point &pt : points)
        out.emplace_back(pt.x, pt.y);
    return out;
}

/// A state with an identity neatline system (projected storage) and the given rectangle.
struct StrokeCase : ::testing::Test {
    ServiceState s;
    ReportLog log;
    std::shared_ptr<parallo_test::CoordSystemDouble> system = parallo_test::MakeIdentitySystem();

    void SetUp() override {
        log.Attach(s);
        s.NeatlineCoordSystem = system;
    }
    void Frame(double x0, double y0, double x1, double y1, double d) {
        s.NeatlineLowerLeft = P(x0, y0);
        s.NeatlineUpperRight = P(x1, y1);
        s.NeatlineStrokeDistance = d;
    }
    std::shared_ptr<shapekit::PolygonGeometry> Stroke() {
        std::shared_ptr<shapekit::PolygonGeometry> polygon;
        parallo::detail::Create_Stroked_Rectangle(s, polygon);
        return polygon;
    }
};

// ---- the written small cases ---------------------------------------------------------------

TEST_F(StrokeCase, WrittenSmallCases) {
    struct Case {
        const char *what;
        double x0, y0, x1, y1, d;
        XY expected;
        std::int32_t top, right, bottom;
    };
    // clang-format off
    const Case cases[] = {
        {"step 3: the partial step comes first", 0, 0, 10, 10, 3,
         {{0, 0}, {0, 1}, {0, 4}, {0, 7}, {0, 10}, {0, 10}, {1, 10}, {4, 10}, {7, 10}, {10, 10}, {10, 10},
          {10, 9}, {10, 6}, {10, 3}, {10, 0}, {10, 0}, {9, 0}, {6, 0}, {3, 0}, {0, 0}, {0, 0}}, 6, 11, 16},
        {"step 5 divides: each run starts on its corner", 0, 0, 10, 10, 5,
         {{0, 0}, {0, 0}, {0, 5}, {0, 10}, {0, 10}, {0, 10}, {5, 10}, {10, 10}, {10, 10},
          {10, 10}, {10, 5}, {10, 0}, {10, 0}, {10, 0}, {5, 0}, {0, 0}, {0, 0}}, 5, 9, 13},
        {"reversed projected rectangle keeps only its corners", 10, 10, 0, 0, 3,
         {{10, 10}, {10, 0}, {0, 0}, {0, 10}, {10, 10}}, 2, 3, 4}};
    // clang-format on
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Frame(c.x0, c.y0, c.x1, c.y1, c.d);
        auto polygon = Stroke();
        ASSERT_TRUE(polygon);
        EXPECT_EQ(Coordinates(polygon->Points()), c.expected);
        EXPECT_EQ(s.NeatlineStartTop, c.top);
        EXPECT_EQ(s.NeatlineStartRight, c.right);
        EXPECT_EQ(s.NeatlineStartBottom, c.bottom);
    }
    EXPECT_TRUE(log.reports.empty());
}

// Properties on a catalogue of rectangles: closed ring, side coordinates held, every step at
// most d, side starts on the corners.
TEST_F(StrokeCase, EveryRunStaysOnItsSideWithStepsOfAtMostD) {
    struct Rect {
        double x0, y0, x1, y1, d;
    };
    const Rect rects[] = {{0, 0, 10, 10, 3},
                          {-250, 40, 1250.5, 977, 7.25},
                          {500000, 5e6, 512000, 5.008e6, 100},
                          {0, 0, 1, 1000, 0.7}};
    for (const Rect &r : rects) {
        SCOPED_TRACE(r.d);
        Frame(r.x0, r.y0, r.x1, r.y1, r.d);
        auto polygon = Stroke();
        ASSERT_TRUE(polygon);
        const auto &pts = polygon->Points();
        const std::int32_t top = s.NeatlineStartTop, right = s.NeatlineStartRight,
                           bottom = s.NeatlineStartBottom;
        EXPECT_EQ(pts.Item(top).x, r.x0);
        EXPECT_EQ(pts.Item(top).y, r.y1);
        EXPECT_EQ(pts.Item(right).x, r.x1);
        EXPECT_EQ(pts.Item(bottom).y, r.y0);
        EXPECT_EQ(pts.Item(1).x, pts.Item(pts.Count()).x);
        EXPECT_EQ(pts.Item(1).y, pts.Item(pts.Count()).y);
        // Steps are d or the partial step, so never beyond d (plus rounding of the sums: the
        // coordinates are at most 5e6, so 1e-9 relative covers it).
        const double slack = 1e-9 * 5e6;
        for (std::int32_t i = 2; i <= pts.Count(); ++i) {
            const Point &a = pts.Item(i - 1);
            const Point &b = pts.Item(i);
            const bool onVertical = i <= top || (i > right && i <= bottom);
            if (onVertical)
                EXPECT_EQ(a.x, b.x) << i;
            else
                EXPECT_EQ(a.y, b.y) << i;
            EXPECT_LE(std::hypot(b.x - a.x, b.y - a.y), r.d + slack) << i;
        }
    }
}

// ---- the stroking decision ----------------------------------------------------------------

TEST_F(StrokeCase, StrokingIsForcedWhenAnySideCoordinateMoves) {
    struct Case {
        const char *what;
        double a, e, f, width;
        bool force;
    };
    // Plane = (a x, e y + f) of storage. Vertical sides compare x, horizontal sides compare y.
    const Case cases[] = {{"identity clears the flag", 1, 1, 0, 10, false},
                          {"half units, as feet against metres", 2, 2, 0, 10, true},
                          {"y moved: caught on the top side", 1, 1, 5, 10, true},
                          {"x of 10 moved, x of 0 kept: caught on the right side", 2, 1, 0, 10, true},
                          {"zero width at x = 0: no side coordinate moves", 2, 1, 0, 0, false}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        system->Config().a = c.a;
        system->Config().e = c.e;
        system->Config().f = c.f;
        Frame(0, 0, c.width, 10, 3);
        s.bForceStroking = !c.force;
        auto polygon = Stroke();
        ASSERT_TRUE(polygon);
        EXPECT_EQ(s.bForceStroking, c.force);
        // The polygon is in storage units.
        EXPECT_EQ(polygon->Points().Item(s.NeatlineStartRight).x, c.width / c.a);
    }
}

TEST_F(StrokeCase, GeographicExtentsAreConvertedFromRadiansToDegrees) {
    s.NeatlineCoordSystem = parallo_test::MakeGeographicSystem();
    s.NeatlineExtentsType = 1;
    Frame(Rad(5), Rad(45), Rad(10), Rad(50), Rad(1));
    auto polygon = Stroke();
    ASSERT_TRUE(polygon);
    EXPECT_TRUE(s.bForceStroking);
    // Degrees out of radians: within 1e-12 degrees of the exact value.
    EXPECT_NEAR(polygon->Points().Item(s.NeatlineStartRight).x, 10.0, 1e-12);
    EXPECT_NEAR(polygon->Points().Item(s.NeatlineStartTop).y, 50.0, 1e-12);
}

// ---- failures -----------------------------------------------------------------------------

TEST_F(StrokeCase, ZeroStrokeDistanceFailsAndLeavesThePolygon) {
    Frame(0, 0, 10, 10, 0);
    auto previous = std::make_shared<shapekit::PolygonGeometry>();
    auto polygon = previous;
    s.bForceStroking = true;
    parallo::detail::Create_Stroked_Rectangle(s, polygon);
    EXPECT_EQ(polygon, previous);
    EXPECT_TRUE(s.bForceStroking);
    ASSERT_EQ(log.reports.size(), 1u);
    EXPECT_EQ(log.reports[0].description, "Division by zero");
    EXPECT_EQ(log.reports[0].trace, "In Create_Stroked_Rectangle");
    EXPECT_EQ(log.reports[0].title, "Create_Stroked_Rectangle Error");
}

TEST_F(StrokeCase, SixteenBitPointCountHoldsExactly32767Points) {
    // 5 corner points and (floor(side / d) + 1) run points per side: with d = 1 a height of 8189
    // and a width of 8190 give 5 + 2 * 8190 + 2 * 8191 = 32767.
    Frame(0, 0, 8190, 8189, 1);
    auto polygon = Stroke();
    ASSERT_TRUE(polygon);
    EXPECT_EQ(polygon->Points().Count(), 32767);
    EXPECT_EQ(s.NeatlineStartBottom, 1 + 8190 + 1 + 8191 + 1 + 8190 + 1);
    EXPECT_TRUE(log.reports.empty());

    // Width 8191 gives 32769 points: the count overflows on the bottom side, after every side
    // start was written, and the polygon is left as it was.
    Frame(0, 0, 8191, 8189, 1);
    const auto previous = polygon;
    parallo::detail::Create_Stroked_Rectangle(s, polygon);
    EXPECT_EQ(polygon, previous);
    EXPECT_EQ(s.NeatlineStartTop, 8192);
    EXPECT_EQ(s.NeatlineStartRight, 16385);
    EXPECT_EQ(s.NeatlineStartBottom, 24576);
    ASSERT_EQ(log.reports.size(), 1u);
    EXPECT_EQ(log.reports[0].description, "Overflow");
    EXPECT_EQ(log.reports[0].title, "Create_Stroked_Rectangle Error");
}

TEST_F(StrokeCase, MissingCornerOrSystemIsReported) {
    Frame(0, 0, 10, 10, 3);
    s.NeatlineUpperRight = nullptr;
    std::shared_ptr<shapekit::PolygonGeometry> polygon;
    parallo::detail::Create_Stroked_Rectangle(s, polygon);
    EXPECT_FALSE(polygon);

    // Without a system the ring is built (side starts written) and the conversion fails.
    Frame(0, 0, 10, 10, 3);
    s.NeatlineCoordSystem = nullptr;
    parallo::detail::Create_Stroked_Rectangle(s, polygon);
    EXPECT_FALSE(polygon);
    EXPECT_EQ(s.NeatlineStartTop, 6);
    ASSERT_EQ(log.reports.size(), 2u);
    EXPECT_EQ(log.reports[1].description, parallo::Error::StandardDescription(parallo::kObjectNotSet));
}

// ---- a frame across the 180° meridian ----------------------------------------------------

TEST(CrossingRule, DecidesTheMeridianCrossing) {
    // x0, x1 in degrees (except the second row, in radians) and whether the frame crosses 180.
    const struct {
        double x0, x1;
        bool crosses;
    } cases[] = {{Rad(170), Rad(-170), true}, {0.0, -0.1, true},         {Rad(-10), Rad(-20), true},
                 {Rad(-10), Rad(-10), true},  {Rad(10), Rad(20), false}, {Rad(20), Rad(10), false},
                 {Rad(-20), Rad(-10), false}, {Rad(-20), Rad(10), false}};
    for (const auto &c : cases)
        EXPECT_EQ(parallo::detail::CrossesAntimeridian(c.x0, c.x1), c.crosses) << c.x0 << " " << c.x1;
}

TEST_F(StrokeCase, GeographicFrameAcrossTheMeridianIsStrokedEastwards) {
    s.NeatlineCoordSystem = parallo_test::MakeGeographicSystem();
    s.NeatlineExtentsType = 1;
    // A step of 0.9° divides neither side, so the run lengths do not hang on rounding.
    Frame(Rad(170), Rad(50), Rad(-170), Rad(60), Rad(0.9));
    auto polygon = Stroke();
    ASSERT_TRUE(polygon);
    const auto &pts = polygon->Points();
    const std::int32_t top = s.NeatlineStartTop, right = s.NeatlineStartRight, bottom = s.NeatlineStartBottom;
    // 10° of latitude and 20° of longitude: 12 and 23 run points per side.
    EXPECT_EQ(top, 1 + 12 + 1);
    EXPECT_EQ(right - top, 23 + 1);
    EXPECT_EQ(pts.Count(), 5 + 2 * 12 + 2 * 23);
    // The top run climbs from 170° to 190° and the bottom run comes back, each step at most
    // 0.9° (1e-9 degrees covers the rounding of the radian sums and the conversion to degrees).
    for (std::int32_t i = top + 1; i < right; ++i) {
        EXPECT_GT(pts.Item(i).x, pts.Item(i - 1).x - 1e-9) << i;
        EXPECT_LE(pts.Item(i).x - pts.Item(i - 1).x, 0.9 + 1e-9) << i;
    }
    EXPECT_NEAR(pts.Item(right - 1).x, 190.0, 1e-9);
    // The bottom run starts with the partial step 20° - 22 * 0.9° = 0.2° west of 190°.
    EXPECT_NEAR(pts.Item(bottom + 1).x, 189.8, 1e-9);
    EXPECT_NEAR(pts.Item(pts.Count() - 1).x, 170.0, 1e-9);
    for (std::int32_t i = bottom + 2; i < pts.Count(); ++i) {
        EXPECT_LT(pts.Item(i).x, pts.Item(i - 1).x + 1e-9) << i;
        EXPECT_LE(pts.Item(i - 1).x - pts.Item(i).x, 0.9 + 1e-9) << i;
    }
    // The corners themselves stay where the host put them.
    EXPECT_NEAR(pts.Item(right).x, -170.0, 1e-9);
    EXPECT_NEAR(pts.Item(bottom).x, -170.0, 1e-9);
}

TEST_F(StrokeCase, ProjectedStorageOfAngularExtentsAlsoStrokesEastwards) {
    // Corners given as angles (extents type 1) in a projected system: still a geographic frame.
    s.NeatlineExtentsType = 1;
    Frame(3.0, 0.0, -3.0, 0.2, 0.05);
    auto polygon = Stroke();
    ASSERT_TRUE(polygon);
    EXPECT_GT(s.NeatlineStartRight - s.NeatlineStartTop, 2);
}

// ---- stroke distances -----------------------------------------------------------------------

TEST(ValidateStrokeDistance, ClampsAgainstTheLargerSignedExtent) {
    ServiceState s;
    ReportLog log;
    log.Attach(s);
    struct Case {
        double d;
        Point a, b;
        double expected;
    };
    // 0 takes the larger extent; below a ten-thousandth of it, that; beyond it, the extent.
    // Signed: a segment running towards -x and -y yields the less negative extent.
    const Case cases[] = {{0.0, {0, 0}, {50, 20}, 50.0},  {0.001, {0, 0}, {50, 20}, 0.005},
                          {80.0, {0, 0}, {50, 20}, 50.0}, {2.0, {0, 0}, {50, 20}, 2.0},
                          {0.0, {0, 0}, {20, 50}, 50.0},  {0.0, {50, 20}, {0, 0}, -20.0}};
    for (const Case &c : cases) {
        double d = c.d;
        EXPECT_DOUBLE_EQ(parallo::detail::Validate_StrokeDistance(s, d, c.a, c.b), c.expected) << c.d;
        EXPECT_DOUBLE_EQ(d, c.expected);
    }
    EXPECT_TRUE(log.reports.empty());

    // Zero extent and zero stroke: fails with 0.
    double d = 0.0;
    EXPECT_EQ(parallo::detail::Validate_StrokeDistance(s, d, Point(3, 3), Point(3, 3)), 0.0);
    ASSERT_EQ(log.reports.size(), 1u);
    EXPECT_EQ(log.reports[0].description, "Division by zero");
    EXPECT_EQ(log.reports[0].trace, "In Validate_StrokeDistance");
    EXPECT_EQ(log.reports[0].title, "Validate_StrokeDistance Error");
}

TEST(DefaultStroking, NeatlineTakesTheLargerExtentOverAHundred) {
    parallo::ParalloCls service;
    int reports = 0;
    service.SetErrorObserver(
        [&](const std::string &, const std::string &, const std::string &) { ++reports; });
    double d = -1.0;
    service.Set_DefaultStrokingNeatline(d); // no corners: untouched, no report
    service.Set_DefaultStrokingGrid(d);     // no interval: untouched, no report
    EXPECT_EQ(d, -1.0);
    service.SetInterval(P(250, 9999));
    service.Set_DefaultStrokingGrid(d);
    EXPECT_EQ(d, 25.0); // the x interval only

    struct Case {
        bool geographic;
        double x0, y0, x1, y1, expected, tolerance;
    };
    // Reversed corners give a negative extent whose magnitude is returned. A geographic frame
    // from 3 to -3 rad crosses the meridian and is 2 pi - 6 wide; in a projected system the
    // same corners are -6 wide and the height wins.
    // The 15-digit text makes every value exact, save 2 pi - 6 recomputed here (1e-17).
    // clang-format off
    const Case cases[] = {{false, -10, 0, 30, 20, 0.4, 0}, {false, -10, 0, 30, 90, 0.9, 0},
        {false, 30, 90, -10, 0, 0.4, 0}, {true, 3.0, 0.0, -3.0, 0.01, (planicalc::TRG_2PI() - 6.0) / 100.0, 1e-17},
        {false, 3.0, 0.0, -3.0, 0.01, 0.0001, 0}, {false, 0, 0, 1.0 / 3.0, 0, 0.333333333333333 / 100.0, 0}};
    // clang-format on
    for (const Case &c : cases) {
        SCOPED_TRACE(c.x1);
        service.SetNeatlineCoordSystem(c.geographic ? parallo_test::MakeGeographicSystem()
                                                    : parallo_test::MakeIdentitySystem());
        service.SetNeatlineLowerLeft(P(c.x0, c.y0));
        service.SetNeatlineUpperRight(P(c.x1, c.y1));
        service.Set_DefaultStrokingNeatline(d);
        EXPECT_NEAR(d, c.expected, c.tolerance);
    }
    EXPECT_EQ(reports, 0);
}

} // namespace
