// The stroked neatline rectangle, its side starts and the stroking decision; stroke distances.
#include <gtest/gtest.h>

#include <memory>
#include <tuple>
#include <utility>
#include <vector>

#include "service/frame_fixture.h"
#include "service/stroking.h"
#include "support/coordkit_double.h"

namespace {

using frametest::P;
using frametest::Rad;
using frametest::ReportLog;
using frametest::XY;
using shapekit::Point;

/// The inputs of the stroking on an identity neatline system (projected storage); Stroke()
/// strokes the given rectangle.
struct StrokeCase : ::testing::Test {
    parallo::detail::Reporter reporter;
    ReportLog log;
    std::shared_ptr<parallo_test::CoordSystemDouble> system = parallo_test::MakeIdentitySystem();
    std::shared_ptr<coordkit::CoordSystem> neatlineSystem;
    std::shared_ptr<Point> lowerLeft, upperRight;
    std::int32_t extentsType = 0;
    double strokeDistance = 0.0;
    std::int16_t startTop = 0, startRight = 0, startBottom = 0;
    bool forceStroking = false;

    void SetUp() override {
        log.Attach(reporter);
        neatlineSystem = system;
    }
    void StrokeInto(std::shared_ptr<shapekit::PolygonGeometry> &polygon) {
        parallo::detail::Create_Stroked_Rectangle(
            reporter, {lowerLeft, upperRight, neatlineSystem, extentsType, strokeDistance},
            {startTop, startRight, startBottom}, forceStroking, polygon);
    }
    std::shared_ptr<shapekit::PolygonGeometry> Stroke(double x0, double y0, double x1, double y1, double d) {
        lowerLeft = P(x0, y0);
        upperRight = P(x1, y1);
        strokeDistance = d;
        std::shared_ptr<shapekit::PolygonGeometry> polygon;
        StrokeInto(polygon);
        return polygon;
    }
};

TEST_F(StrokeCase, WrittenSmallCases) {
    struct Case {
        const char *what;
        double x0, y0, x1, y1, d;
        XY expected;
        std::int16_t top, right, bottom;
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
        auto polygon = Stroke(c.x0, c.y0, c.x1, c.y1, c.d);
        ASSERT_TRUE(polygon);
        EXPECT_EQ(frametest::Vertices(*polygon), c.expected);
        EXPECT_EQ(std::tie(startTop, startRight, startBottom), std::tie(c.top, c.right, c.bottom));
    }
    EXPECT_TRUE(log.reports.empty());
}

TEST_F(StrokeCase, StrokingIsForcedWhenAnySideCoordinateMoves) {
    // Plane = (a x, e y + f) of storage; vertical sides compare x, horizontal sides compare y.
    const struct {
        const char *what;
        double a, e, f, width;
        bool force;
    } cases[] = {{"identity clears the flag", 1, 1, 0, 10, false},
                 {"half units, as feet against metres", 2, 2, 0, 10, true},
                 {"y moved: caught on the top side", 1, 1, 5, 10, true},
                 {"x of 10 moved, x of 0 kept: caught on the right side", 2, 1, 0, 10, true},
                 {"zero width at x = 0: no side coordinate moves", 2, 1, 0, 0, false}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        system->Config().a = c.a;
        system->Config().e = c.e;
        system->Config().f = c.f;
        forceStroking = !c.force;
        auto polygon = Stroke(0, 0, c.width, 10, 3);
        ASSERT_TRUE(polygon);
        EXPECT_EQ(forceStroking, c.force);
        EXPECT_EQ(polygon->Points().Item(startRight).x, c.width / c.a); // in storage units
    }
}

TEST_F(StrokeCase, FailuresReportAndLeaveThePolygon) {
    // A zero stroke distance fails before any side start; without a system the ring is built
    // (top start 6 written) and its conversion fails.
    for (const bool noSystem : {false, true}) {
        SCOPED_TRACE(noSystem);
        log.reports.clear();
        startTop = 0;
        forceStroking = true;
        neatlineSystem = noSystem ? nullptr : system;
        lowerLeft = P(0, 0);
        upperRight = P(10, 10);
        strokeDistance = noSystem ? 3 : 0;
        auto previous = std::make_shared<shapekit::PolygonGeometry>();
        auto polygon = previous;
        StrokeInto(polygon);
        EXPECT_EQ(polygon, previous);
        EXPECT_TRUE(forceStroking);
        EXPECT_EQ(startTop, noSystem ? 6 : 0);
        ASSERT_EQ(log.reports.size(), 1u);
        EXPECT_EQ(frametest::Texts(log.reports[0]),
                  (noSystem ? "Object variable or With block variable not set" : "Division by zero") +
                      std::string("|In Create_Stroked_Rectangle|Create_Stroked_Rectangle Error"));
    }
}

TEST_F(StrokeCase, SixteenBitPointCountHoldsExactly32767Points) {
    // 5 corners and floor(side / d) + 1 run points per side: 5 + 2 * 8190 + 2 * 8191 = 32767.
    auto polygon = Stroke(0, 0, 8190, 8189, 1);
    ASSERT_TRUE(polygon);
    EXPECT_EQ(polygon->Points().Count(), 32767);
    EXPECT_TRUE(log.reports.empty());
    // One wider: 32769 points overflow on the bottom side, after every side start was written.
    const auto previous = polygon;
    upperRight = P(8191, 8189);
    StrokeInto(polygon);
    EXPECT_EQ(polygon, previous);
    EXPECT_EQ(startBottom, 24576);
    ASSERT_EQ(log.reports.size(), 1u);
    EXPECT_EQ(log.reports[0].description, "Overflow");
}

TEST_F(StrokeCase, GeographicFrameAcrossTheMeridianIsStrokedEastwards) {
    // The top climbs from 170° to 190° and the bottom comes back from 190° (the neatline tests
    // check the whole run on PROJ frames, where 190° and -170° are the same place): the partial
    // step 20° - 22 * 0.9° comes first. 1e-9 degrees: the rounding of the radian sums and of the
    // conversion to degrees.
    neatlineSystem = parallo_test::MakeGeographicSystem();
    extentsType = 1;
    auto polygon = Stroke(Rad(170), Rad(50), Rad(-170), Rad(60), Rad(0.9));
    ASSERT_TRUE(polygon);
    EXPECT_NEAR(polygon->Points().Item(startRight - 1).x, 190.0, 1e-9);
    EXPECT_NEAR(polygon->Points().Item(startBottom + 1).x, 189.8, 1e-9);
    // Angular corners in a projected system are still a geographic frame.
    neatlineSystem = system;
    ASSERT_TRUE(Stroke(3.0, 0.0, -3.0, 0.2, 0.05));
    EXPECT_GT(startRight - startTop, 2);
}

// ---- stroke distances -----------------------------------------------------------------------

TEST(ValidateStrokeDistance, ClampsAgainstTheLargerSignedExtent) {
    parallo::detail::Reporter s;
    ReportLog log;
    log.Attach(s);
    // 0 takes the larger extent; below a ten-thousandth of it, that; beyond it, the extent.
    // Signed: a segment towards -x and -y yields the less negative extent.
    const struct {
        double d;
        Point a, b;
        double expected;
    } cases[] = {{0.0, {0, 0}, {50, 20}, 50.0},  {0.001, {0, 0}, {50, 20}, 0.005},
                 {80.0, {0, 0}, {50, 20}, 50.0}, {2.0, {0, 0}, {50, 20}, 2.0},
                 {0.0, {0, 0}, {20, 50}, 50.0},  {0.0, {50, 20}, {0, 0}, -20.0}};
    for (const auto &c : cases) {
        double d = c.d;
        EXPECT_DOUBLE_EQ(parallo::detail::Validate_StrokeDistance(s, d, c.a, c.b), c.expected) << c.d;
        EXPECT_DOUBLE_EQ(d, c.expected);
    }
    EXPECT_TRUE(log.reports.empty());
    double d = 0.0; // zero extent and zero stroke: fails with 0
    EXPECT_EQ(parallo::detail::Validate_StrokeDistance(s, d, Point(3, 3), Point(3, 3)), 0.0);
    ASSERT_EQ(log.reports.size(), 1u);
    EXPECT_EQ(frametest::Texts(log.reports[0]),
              "Division by zero|In Validate_StrokeDistance|Validate_StrokeDistance Error");
}

TEST(DefaultStroking, GridTakesATenthOfXNeatlineAHundredthOfTheLargerExtent) {
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
    EXPECT_EQ(d, 25.0);

    // Reversed corners give the magnitude. A geographic frame from 3 to -3 rad crosses the
    // meridian and is 2 pi - 6 wide; in a projected system the same corners are -6 wide and the
    // height wins. The 15-digit text makes every value exact, save 2 pi - 6 recomputed (1e-17).
    const struct {
        bool geographic;
        double x0, y0, x1, y1, expected, tolerance;
    } cases[] = {{false, -10, 0, 30, 20, 0.4, 0},
                 {false, -10, 0, 30, 90, 0.9, 0},
                 {false, 30, 90, -10, 0, 0.4, 0},
                 {true, 3.0, 0.0, -3.0, 0.01, (2.0 * parallo::platform::kPi - 6.0) / 100.0, 1e-17},
                 {false, 3.0, 0.0, -3.0, 0.01, 0.0001, 0},
                 {false, 0, 0, 1.0 / 3.0, 0, 0.333333333333333 / 100.0, 0}};
    for (const auto &c : cases) {
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
