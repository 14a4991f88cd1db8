// Ticks and crosses on real PROJ systems, checked as properties: every tick starts on the
// neatline, points into it along its grid line and has TickLength; every cross arm lies strictly
// inside the neatline and is centred on a grid intersection; both arms of every cross are there.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "grid_checks.h"

namespace {

using gridtest::DistanceToRing;
using gridtest::InsideRing;
using gridtest::Items;
using gridtest::MapDistance;
using gridtest::OffGridLine;
using gridtest::ToGrid;
using gridtest::ToMapView;
using parallo_test::Frame;
using parallo_test::FrameLayout;
using shapekit::Point;

/// As for grid lines: 1e-6 m on a projected grid, 1e-9° on a geographic one.
double Tolerance(const FrameLayout &layout) { return layout.geographicGrid ? 1e-9 : 1e-6; }

/// Angle between two map-view directions, radians.
double AngleBetween(double ax, double ay, double bx, double by) {
    return std::fabs(std::atan2(ax * by - ay * bx, ax * bx + ay * by));
}

std::unique_ptr<Frame> TicksOn(const FrameLayout &layout) {
    auto f = parallo_test::MakeFrame(layout);
    EXPECT_TRUE(f->reports.empty()) << f->reports.front();
    std::int32_t ret = 0;
    f->service.CreateTicksCrosses(ret);
    return f;
}

class TicksOnFrame : public ::testing::TestWithParam<FrameLayout (*)()> {};

TEST_P(TicksOnFrame, EveryTickStartsOnTheNeatlineAndPointsInAlongItsLine) {
    auto f = TicksOn(GetParam()());
    // No report at all: in particular no convergence query rejected a longitude east of the
    // 180° meridian (which would silently keep the previous tick's direction).
    ASSERT_TRUE(f->reports.empty()) << f->reports.front();
    const FrameLayout &layout = f->layout;
    const double tol = Tolerance(layout);
    const auto ring = ToGrid(*f, f->service.NeatlinePolygon()->Points().Vector());
    const auto ticks = Items(f->service.GridGeometry());
    ASSERT_GT(ticks.size(), 20u);
    for (const auto &tick : ticks) {
        ASSERT_EQ(tick.size(), 2u);
        const Point &B = tick[0];
        const Point &E = tick[1];
        SCOPED_TRACE("tick at (" + std::to_string(B.x) + ", " + std::to_string(B.y) + ")");
        // Planar polar point: exact up to rounding of the sine and cosine.
        EXPECT_NEAR(std::hypot(E.x - B.x, E.y - B.y), layout.tickLength, 1e-9 * layout.tickLength);

        const auto g = ToGrid(*f, {B, E});
        EXPECT_LE(DistanceToRing(g[0], ring), tol);
        EXPECT_TRUE(InsideRing(g[1], ring)) << "the tick points out of the neatline";

        // Its grid line: along the tick's larger grid component.
        const bool vertical = std::fabs(g[1].y - g[0].y) > std::fabs(g[1].x - g[0].x);
        const double interval = vertical ? layout.intervalX : layout.intervalY;
        const double value = interval * std::nearbyint((vertical ? g[0].x : g[0].y) / interval);
        const double along = vertical ? g[0].y : g[0].x;
        EXPECT_LE(OffGridLine(*f, B, vertical, value, along), tol) << "base off the grid value " << value;

        // Direction of the grid line's image at the base, towards the tick's end.
        const double step = (layout.geographicGrid ? 1e-5 : 1.0) *
                            ((vertical ? g[1].y - g[0].y : g[1].x - g[0].x) > 0 ? 1.0 : -1.0);
        const auto m = ToMapView(*f, {vertical ? Point(value, along) : Point(along, value),
                                      vertical ? Point(value, along + step) : Point(along + step, value)});
        // The convergence comes from the projections' own meridian convergence at the base; the
        // finite step along the line differs from the tangent by its curvature over the step.
        // 1e-5 rad is 4 mm over a 400 m tick. Ticks of horizontal lines turn a right angle from
        // grid north, which is grid east only where the map view is conformal: LAEA is equal-area
        // and shears right angles by up to about 5e-4 rad over this sheet, and Web Mercator puts
        // ellipsoidal latitudes on a sphere (about 1e-5 rad at 50°N); for those two, 1e-3 rad.
        const bool conformal = layout.mapView != "EPSG:3035" && layout.mapView != "EPSG:3857";
        const double angleTol = vertical || conformal ? 1e-5 : 1e-3;
        double dx = m[1].x - m[0].x;
        if (f->mapView->BaseStorageType() == coordkit::kGeographicStorage)
            dx -= 360.0 * std::nearbyint(dx / 360.0);
        EXPECT_LE(AngleBetween(E.x - B.x, E.y - B.y, dx, m[1].y - m[0].y), angleTol);
    }
}

TEST_P(TicksOnFrame, EveryCrossArmLiesInsideAndBothArmsShareTheirCentre) {
    auto f = TicksOn(GetParam()());
    ASSERT_TRUE(f->reports.empty()) << f->reports.front();
    const FrameLayout &layout = f->layout;
    const double tol = Tolerance(layout);
    const auto ring = ToGrid(*f, f->service.NeatlinePolygon()->Points().Vector());
    const auto arms = Items(f->service.CrossGeometry());
    ASSERT_GT(arms.size(), 10u);
    ASSERT_EQ(arms.size() % 2, 0u);
    const std::size_t n = arms.size() / 2;
    std::vector<Point> horizontalCentres, verticalCentres;
    for (std::size_t i = 0; i < arms.size(); ++i) {
        const auto &arm = arms[i];
        ASSERT_EQ(arm.size(), 2u);
        // Not wrapped round the world: the arm is as long in the map view as it was made.
        EXPECT_NEAR(std::hypot(arm[1].x - arm[0].x, arm[1].y - arm[0].y), layout.crossLength,
                    1e-9 * layout.crossLength);
        const auto g = ToGrid(*f, arm);
        for (const Point &end : g) {
            EXPECT_TRUE(InsideRing(end, ring));
            EXPECT_GT(DistanceToRing(end, ring), tol);
        }
        const Point mid((arm[0].x + arm[1].x) / 2.0, (arm[0].y + arm[1].y) / 2.0);
        const Point gMid((g[0].x + g[1].x) / 2.0, (g[0].y + g[1].y) / 2.0);
        const double X = layout.intervalX * std::nearbyint(gMid.x / layout.intervalX);
        const double Y = layout.intervalY * std::nearbyint(gMid.y / layout.intervalY);
        EXPECT_LE(OffGridLine(*f, mid, true, X, gMid.y), tol);
        EXPECT_LE(OffGridLine(*f, mid, false, Y, gMid.x), tol);
        // Horizontal arms first (they run along a line of constant grid y), vertical arms after.
        const bool alongY = std::fabs(g[1].x - g[0].x) > std::fabs(g[1].y - g[0].y);
        EXPECT_EQ(alongY, i < n) << "arm " << i;
        (i < n ? horizontalCentres : verticalCentres).push_back(mid);
    }
    for (const Point &c : horizontalCentres) {
        const bool paired = std::any_of(verticalCentres.begin(), verticalCentres.end(),
                                        [&](const Point &v) { return MapDistance(*f, c, v) < 1e-6; });
        EXPECT_TRUE(paired) << "cross at (" << c.x << ", " << c.y << ") has one arm only";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Frames, TicksOnFrame,
    ::testing::Values(&parallo_test::UtmSheetOnLaea, &parallo_test::UtmSheetOnWebMercator,
                      &parallo_test::UtmSheetOnUtm33, &parallo_test::GraticuleOnWebMercator,
                      &parallo_test::PacificOnProjected, &parallo_test::PacificOnGeographic));

// ---- the 180° meridian -------------------------------------------------------------------------

TEST(TicksPacific, OnAProjectedMapViewTicksStayWhereTheTransformationPutThem) {
    auto f = TicksOn(parallo_test::PacificOnProjected());
    ASSERT_TRUE(f->reports.empty()) << f->reports.front();
    const auto &range = parallo::detail::StateAccess::Of(f->service).NeatlineRangeMapView;
    const auto ticks = Items(f->service.GridGeometry());
    // 19 meridians and 9 parallels inside, two ticks each (edge values may add a few).
    EXPECT_GE(ticks.size(), 2u * (19u + 9u));
    for (const auto &tick : ticks) {
        // Metres of the Pacific-centred Mercator: a 360-unit shift would put a base 360 m off the
        // neatline; every base lies within the frame's map-view box.
        EXPECT_GE(tick[0].x, range[0] - 1e-6);
        EXPECT_LE(tick[0].x, range[2] + 1e-6);
        EXPECT_GE(tick[0].y, range[1] - 1e-6);
        EXPECT_LE(tick[0].y, range[3] + 1e-6);
    }
}

TEST(TicksPacific, OnAGeographicMapViewTicksAndCrossesComeBackWithin180) {
    auto f = TicksOn(parallo_test::PacificOnGeographic());
    ASSERT_TRUE(f->reports.empty()) << f->reports.front();
    const double reach = f->layout.tickLength; // a mark on the meridian itself may reach this far
    std::size_t eastOfMeridian = 0;
    for (const auto &tick : Items(f->service.GridGeometry())) {
        for (const Point &p : tick) {
            EXPECT_GE(p.x, -180.0 - reach);
            EXPECT_LE(p.x, 180.0 + reach);
        }
        if (tick[0].x < 0.0) ++eastOfMeridian;
    }
    EXPECT_GT(eastOfMeridian, 10u);
    std::size_t crossesEast = 0;
    for (const auto &arm : Items(f->service.CrossGeometry())) {
        for (const Point &p : arm) {
            EXPECT_GE(p.x, -180.0 - f->layout.crossLength);
            EXPECT_LE(p.x, 180.0 + f->layout.crossLength);
        }
        if (arm[0].x < 0.0) ++crossesEast;
    }
    EXPECT_GT(crossesEast, 10u);
}

TEST(TicksPacific, SkippedMeridianLosesItsTicksAndCrosses) {
    auto f = parallo_test::MakeFrame(parallo_test::PacificOnProjected());
    // Every 5°: 175°E, 180°, 175°W lose their ticks and crosses.
    f->service.SetSkipInterval(std::make_shared<Point>(parallo_test::Radians(5.0), 0.0));
    std::int32_t ret = 0;
    f->service.CreateTicksCrosses(ret);
    ASSERT_TRUE(f->reports.empty()) << f->reports.front();
    for (const auto &arm : Items(f->service.CrossGeometry())) {
        const auto g = ToGrid(*f, arm);
        const double lon = (g[0].x + g[1].x) / 2.0;
        EXPECT_GT(std::fabs(lon - 5.0 * std::nearbyint(lon / 5.0)), 1e-6) << "cross on a skipped meridian";
    }
}

} // namespace
