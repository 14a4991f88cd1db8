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

TEST_F(StrokeCase, TenByTenStepThreePutsThePartialStepFirst) {
    Frame(0, 0, 10, 10, 3);
    auto polygon = Stroke();
    ASSERT_TRUE(polygon);
    const XY expected = {{0, 0},  {0, 1},  {0, 4},   {0, 7},   {0, 10}, {0, 10}, {1, 10},
                         {4, 10}, {7, 10}, {10, 10}, {10, 10}, {10, 9}, {10, 6}, {10, 3},
                         {10, 0}, {10, 0}, {9, 0},   {6, 0},   {3, 0},  {0, 0},  {0, 0}};
    EXPECT_EQ(Coordinates(polygon->Points()), expected);
    EXPECT_EQ(s.NeatlineStartTop, 6);
    EXPECT_EQ(s.NeatlineStartRight, 11);
    EXPECT_EQ(s.NeatlineStartBottom, 16);
    EXPECT_TRUE(log.reports.empty());
}

TEST_F(StrokeCase, StepDividingTheSideStartsEachRunOnItsCorner) {
    Frame(0, 0, 10, 10, 5);
    auto polygon = Stroke();
    ASSERT_TRUE(polygon);
    const XY expected = {{0, 0},   {0, 0},  {0, 5},  {0, 10}, {0, 10}, {0, 10}, {5, 10}, {10, 10}, {10, 10},
                         {10, 10}, {10, 5}, {10, 0}, {10, 0}, {10, 0}, {5, 0},  {0, 0},  {0, 0}};
    EXPECT_EQ(Coordinates(polygon->Points()), expected);
    EXPECT_EQ(s.NeatlineStartTop, 5);
    EXPECT_EQ(s.NeatlineStartRight, 9);
    EXPECT_EQ(s.NeatlineStartBottom, 13);
}

TEST_F(StrokeCase, ReversedProjectedRectangleKeepsOnlyItsCorners) {
    Frame(10, 10, 0, 0, 3);
    auto polygon = Stroke();
    ASSERT_TRUE(polygon);
    const XY expected = {{10, 10}, {10, 0}, {0, 0}, {0, 10}, {10, 10}};
    EXPECT_EQ(Coordinates(polygon->Points()), expected);
    EXPECT_EQ(s.NeatlineStartTop, 2);
    EXPECT_EQ(s.NeatlineStartRight, 3);
    EXPECT_EQ(s.NeatlineStartBottom, 4);
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

TEST_F(StrokeCase, IdentityConversionClearsForceStroking) {
    Frame(0, 0, 10, 10, 3);
    s.bForceStroking = true;
    ASSERT_TRUE(Stroke());
    EXPECT_FALSE(s.bForceStroking);
}

TEST_F(StrokeCase, ScaledStorageSetsForceStroking) {
    // Storage in half-units of the plane, as a feet system is against metres.
    system->Config().a = 2.0;
    system->Config().e = 2.0;
    Frame(0, 0, 10, 10, 3);
    auto polygon = Stroke();
    ASSERT_TRUE(polygon);
    EXPECT_TRUE(s.bForceStroking);
    // The polygon is in storage units.
    EXPECT_EQ(polygon->Points().Item(s.NeatlineStartRight).x, 5.0);
}

TEST_F(StrokeCase, VerticalSidesCompareXAndHorizontalSidesCompareY) {
    // A conversion that moves only y: the left side's x values all match, the decision comes
    // from the top side.
    system->Config().f = 5.0;
    Frame(0, 0, 10, 10, 3);
    ASSERT_TRUE(Stroke());
    EXPECT_TRUE(s.bForceStroking);

    // A conversion that moves only x of a point whose x is 0: the whole left side keeps x = 0 and
    // the top side keeps y, so the first difference is on the right side.
    system->Config().f = 0.0;
    system->Config().a = 2.0; // storage x = plane x / 2: 0 stays 0, 10 becomes 5
    s.bForceStroking = false;
    ASSERT_TRUE(Stroke());
    EXPECT_TRUE(s.bForceStroking);

    // The same conversion on a frame of zero width at x = 0: every side coordinate is left as
    // it was, so nothing needs stroking although the conversion is not the identity.
    Frame(0, 0, 0, 10, 3);
    s.bForceStroking = true;
    ASSERT_TRUE(Stroke());
    EXPECT_FALSE(s.bForceStroking);
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
}

TEST_F(StrokeCase, OneMorePointOverflowsAndLeavesThePolygon) {
    // Width 8191 gives 32769 points: the count overflows on the bottom side, after every side
    // start was written.
    Frame(0, 0, 8191, 8189, 1);
    auto previous = std::make_shared<shapekit::PolygonGeometry>();
    auto polygon = previous;
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

TEST_F(StrokeCase, PublicMethodWritesThroughTheService) {
    parallo::ParalloCls service;
    auto &st = parallo::detail::StateAccess::Of(service);
    st.NeatlineCoordSystem = system;
    st.NeatlineLowerLeft = P(0, 0);
    st.NeatlineUpperRight = P(10, 10);
    st.NeatlineStrokeDistance = 3;
    parallo::ParalloCls::PolygonPtr polygon;
    service.Create_Stroked_Rectangle(polygon);
    ASSERT_TRUE(polygon);
    EXPECT_EQ(polygon->Points().Count(), 21);
    EXPECT_EQ(service.NeatlineStartRight(), "11");
}

// ---- a frame across the 180° meridian ----------------------------------------------------

TEST(CrossingRule, DecidesTheMeridianCrossing) {
    using parallo::detail::CrossesAntimeridian;
    EXPECT_TRUE(CrossesAntimeridian(Rad(170), Rad(-170)));
    EXPECT_TRUE(CrossesAntimeridian(0.0, -0.1));
    EXPECT_TRUE(CrossesAntimeridian(Rad(-10), Rad(-20)));
    EXPECT_TRUE(CrossesAntimeridian(Rad(-10), Rad(-10)));
    EXPECT_FALSE(CrossesAntimeridian(Rad(10), Rad(20)));
    EXPECT_FALSE(CrossesAntimeridian(Rad(20), Rad(10)));
    EXPECT_FALSE(CrossesAntimeridian(Rad(-20), Rad(-10)));
    EXPECT_FALSE(CrossesAntimeridian(Rad(-20), Rad(10)));
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
    const Point a(0, 0), b(50, 20);
    double d = 0.0;
    EXPECT_EQ(parallo::detail::Validate_StrokeDistance(s, d, a, b), 50.0);
    EXPECT_EQ(d, 50.0);
    d = 0.001;
    EXPECT_DOUBLE_EQ(parallo::detail::Validate_StrokeDistance(s, d, a, b), 0.005);
    d = 80.0; // beyond the extent
    EXPECT_EQ(parallo::detail::Validate_StrokeDistance(s, d, a, b), 50.0);
    d = 2.0; // within both limits
    EXPECT_EQ(parallo::detail::Validate_StrokeDistance(s, d, a, b), 2.0);
    d = 0.0; // the y extent is larger
    EXPECT_EQ(parallo::detail::Validate_StrokeDistance(s, d, Point(0, 0), Point(20, 50)), 50.0);
    // Signed extents: a segment running towards -x and -y yields the less negative one.
    d = 0.0;
    EXPECT_EQ(parallo::detail::Validate_StrokeDistance(s, d, Point(50, 20), Point(0, 0)), -20.0);
    EXPECT_TRUE(log.reports.empty());
}

TEST(ValidateStrokeDistance, ZeroExtentAndZeroStrokeFailWithZero) {
    ServiceState s;
    ReportLog log;
    log.Attach(s);
    double d = 0.0;
    EXPECT_EQ(parallo::detail::Validate_StrokeDistance(s, d, Point(3, 3), Point(3, 3)), 0.0);
    ASSERT_EQ(log.reports.size(), 1u);
    EXPECT_EQ(log.reports[0].description, "Division by zero");
    EXPECT_EQ(log.reports[0].trace, "In Validate_StrokeDistance");
    EXPECT_EQ(log.reports[0].title, "Validate_StrokeDistance Error");
}

TEST(DefaultStroking, GridUsesTheXIntervalOnly) {
    parallo::ParalloCls service;
    double d = -1.0;
    service.Set_DefaultStrokingGrid(d); // no interval: untouched, nothing reported
    EXPECT_EQ(d, -1.0);
    service.SetInterval(P(250, 9999));
    service.Set_DefaultStrokingGrid(d);
    EXPECT_EQ(d, 25.0);
}

TEST(DefaultStroking, NeatlineTakesTheLargerExtentOverAHundred) {
    parallo::ParalloCls service;
    int reports = 0;
    service.SetErrorObserver(
        [&](const std::string &, const std::string &, const std::string &) { ++reports; });
    double d = -1.0;
    service.Set_DefaultStrokingNeatline(d); // no corners: untouched, no report
    EXPECT_EQ(d, -1.0);

    service.SetNeatlineCoordSystem(parallo_test::MakeIdentitySystem());
    service.SetNeatlineLowerLeft(P(-10, 0));
    service.SetNeatlineUpperRight(P(30, 20));
    service.Set_DefaultStrokingNeatline(d);
    EXPECT_DOUBLE_EQ(d, 0.4);

    // Taller than wide; reversed corners give a negative extent whose magnitude is returned.
    service.SetNeatlineUpperRight(P(30, 90));
    service.Set_DefaultStrokingNeatline(d);
    EXPECT_DOUBLE_EQ(d, 0.9);
    service.SetNeatlineLowerLeft(P(30, 90));
    service.SetNeatlineUpperRight(P(-10, 0));
    service.Set_DefaultStrokingNeatline(d);
    EXPECT_DOUBLE_EQ(d, 0.4);
    EXPECT_EQ(reports, 0);
}

TEST(DefaultStroking, GeographicNeatlineAcrossTheMeridianMeasuresEastwards) {
    parallo::ParalloCls service;
    service.SetNeatlineCoordSystem(parallo_test::MakeGeographicSystem());
    service.SetNeatlineLowerLeft(P(3.0, 0.0));
    service.SetNeatlineUpperRight(P(-3.0, 0.01));
    double d = 0.0;
    service.Set_DefaultStrokingNeatline(d);
    // (2 pi - 6) / 100, through the 15-digit text: equal to 15 significant digits.
    EXPECT_NEAR(d, (planicalc::TRG_2PI() - 6.0) / 100.0, 1e-17);

    // The same corners in a projected system: no crossing, width -6, height wins.
    service.SetNeatlineCoordSystem(parallo_test::MakeIdentitySystem());
    service.Set_DefaultStrokingNeatline(d);
    EXPECT_DOUBLE_EQ(d, 0.0001);
}

TEST(DefaultStroking, NeatlineProposalIsTheFifteenDigitValue) {
    parallo::ParalloCls service;
    service.SetNeatlineCoordSystem(parallo_test::MakeIdentitySystem());
    service.SetNeatlineLowerLeft(P(0, 0));
    service.SetNeatlineUpperRight(P(1.0 / 3.0, 0));
    double d = 0.0;
    service.Set_DefaultStrokingNeatline(d);
    EXPECT_EQ(d, 0.333333333333333 / 100.0);
}

} // namespace
