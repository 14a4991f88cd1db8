// Grid lines, ticks and crosses on real PROJ frames, checked as properties of the output carried
// back into the grid system: one check per generator over the table of standard frames; the
// neatline preparation and the 180° meridian.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>

#include "grid_checks.h"
#include "parallo/coordkit_proj.h"
#include "support/frames.h"

namespace {

using parallo_test::Frame;
using parallo_test::FrameLayout;
using parallo_test::InRing;
using parallo_test::Items;
using parallo_test::Radians;
using parallo_test::ToRing;
using shapekit::Point;

bool GeographicView(const Frame &f) { return f.mapView->BaseStorageType() == coordkit::kGeographicStorage; }

/// Map-view points into grid storage units (direction 0: degrees or grid metres; a frame across
/// the 180° meridian unwraps longitudes west of its western edge by a turn), or back (1).
std::vector<Point> Carry(const Frame &f, std::vector<Point> pts, std::int32_t direction = 0) {
    parallo_test::FromMapView(f, f.gridSystem)->Transform(pts.data(), pts.size(), direction);
    if (direction == 0 && f.layout.geographicGrid && f.layout.east < f.layout.west) {
        for (Point &p : pts)
            p.x += p.x < f.layout.west - 1.0 ? 360.0 : 0.0;
    }
    return pts;
}

/// Map-view distance; on a geographic map view x is compared modulo a turn.
double MapDistance(const Frame &f, const Point &a, const Point &b) {
    const double dx = a.x - b.x;
    return std::hypot(GeographicView(f) ? std::remainder(dx, 360.0) : dx, a.y - b.y);
}

/// The grid point at `along` on grid line `value` (vertical: constant x).
Point OnLine(bool vertical, double value, double along) {
    return vertical ? Point(value, along) : Point(along, value);
}

/// How far the map-view point v lies across the image of grid line `value` (vertical: constant
/// x), in grid units; `along` is v's grid position along the line. Measured through the forward
/// projection: PROJ 9.1's LAEA inverse (about 0.4 mm off) moves a point along the line image only.
double OffGridLine(const Frame &f, const Point &v, bool vertical, double value, double along) {
    const double step = f.layout.geographicGrid ? 1e-4 : 1.0;
    auto m = Carry(f, {OnLine(vertical, value, along), OnLine(vertical, value, along + step)}, 1);
    const double turns = GeographicView(f) ? std::nearbyint((v.x - m[0].x) / 360.0) * 360.0 : 0.0;
    const double ux = m[1].x - m[0].x, uy = m[1].y - m[0].y, len = std::hypot(ux, uy);
    return std::fabs((v.x - m[0].x - turns) * uy - (v.y - m[0].y) * ux) / len * step / len;
}

/// Round trip grid → map view → grid: 1e-6 m on a projected grid, 1e-9° (about 0.1 mm) on a
/// geographic one; far above PROJ's round-trip error, far below anything a map shows.
double Tolerance(const FrameLayout &layout) { return layout.geographicGrid ? 1e-9 : 1e-6; }

/// Whether v is a multiple of a skip interval (0: none).
bool Skipped(double v, double skip) { return skip > 0.0 && std::fabs(std::remainder(v, skip)) <= 1e-6; }

std::unique_ptr<Frame> Generate(const FrameLayout &layout,
                                void (parallo::ParalloCls::*method)(std::int32_t &), double skipX,
                                double skipY) {
    auto f = parallo_test::MakeFrame(layout);
    EXPECT_TRUE(f->reports.empty()) << f->reports.front();
    const double k = layout.geographicGrid ? Radians(1.0) : 1.0;
    f->service.SetSkipInterval(std::make_shared<Point>(skipX * k, skipY * k));
    std::int32_t ret = 0;
    (f->service.*method)(ret);
    return f;
}

/// Every grid line: vertical lines before horizontal ones; every vertex on its grid value; both
/// ends on the neatline; steps forward and no longer than the stroke distance; every cell
/// boundary a vertex. Then the grid values found are every multiple of the interval inside the
/// neatline's extent, once (all frames are convex), less the skipped ones.
void CheckGridlines(const Frame &f, double skipX, double skipY) {
    const FrameLayout &layout = f.layout;
    const double tol = Tolerance(layout);
    const double d = f.service.GridStrokeDistance() / (layout.geographicGrid ? Radians(1.0) : 1.0);
    // Through grid degrees on a projected view 1e-9° is about 1.2e-4 m of Mercator at 20°S;
    // the views scale the grid's metres by less than 1.5 (so 2e-6 m).
    const double mapTol = !layout.geographicGrid ? 2e-6 : GeographicView(f) ? 1e-9 : 2e-4;
    const auto ring = Carry(f, f.service.NeatlinePolygon()->Points().Vector());
    std::map<long long, int> found[2];
    bool horizontalBegun = false;
    for (const auto &mapLine : Items(f.service.GridGeometry())) {
        const auto g = Carry(f, mapLine);
        SCOPED_TRACE("line from (" + std::to_string(g.front().x) + ", " + std::to_string(g.front().y) + ")");
        const bool vertical = std::fabs(g.front().x - g.back().x) <= tol;
        horizontalBegun = horizontalBegun || !vertical;
        EXPECT_FALSE(vertical && horizontalBegun);
        const double interval = vertical ? layout.intervalX : layout.intervalY;
        const double cell = vertical ? layout.intervalY : layout.intervalX;
        const double value = interval * std::nearbyint((vertical ? g.front().x : g.front().y) / interval);
        ++found[vertical ? 0 : 1][std::llround(value / interval)];
        std::vector<double> along;
        for (std::size_t k = 0; k < g.size(); ++k) {
            along.push_back(vertical ? g[k].y : g[k].x);
            EXPECT_LE(OffGridLine(f, mapLine[k], vertical, value, along.back()), tol) << "vertex " << k;
            if (k > 0) {
                EXPECT_GE(along[k], along[k - 1] - tol);
                EXPECT_LE(along[k] - along[k - 1], d + tol);
            }
        }
        // The ends are carried back with the neatline; their errors agree, being neighbours.
        for (const Point &end : {g.front(), g.back()})
            EXPECT_LE(ToRing(end, ring), tol);
        // Boundaries within 1e-5 of a cell of the piece's start are stepped over by the grid
        // stepping and not required; 1e-3 of a cell keeps clear of them.
        std::vector<Point> boundaries;
        for (double m = std::ceil((along.front() + 1e-3 * cell) / cell) * cell;
             m < along.back() - 1e-3 * cell; m += cell)
            boundaries.push_back(OnLine(vertical, value, m));
        for (const Point &b : Carry(f, boundaries, 1)) {
            EXPECT_TRUE(std::any_of(mapLine.begin(), mapLine.end(),
                                    [&](const Point &v) { return MapDistance(f, v, b) <= mapTol; }))
                << "cell boundary " << b.x << ", " << b.y << " is not a vertex";
        }
    }
    const parallo_test::Extent e = parallo_test::ExtentOf(ring);
    const double lo[2] = {e.lo.x, e.lo.y}, hi[2] = {e.hi.x, e.hi.y};
    for (int axis = 0; axis < 2; ++axis) {
        const double interval = axis == 0 ? layout.intervalX : layout.intervalY,
                     skip = axis == 0 ? skipX : skipY;
        // A value on the edge may or may not appear; the neatline went through PROJ's LAEA
        // inverse (about 0.4 mm per round trip) twice.
        const double margin = 1e-4 * interval;
        for (auto k = static_cast<long long>(std::floor(lo[axis] / interval));
             static_cast<double>(k) * interval < hi[axis]; ++k) {
            const double v = static_cast<double>(k) * interval;
            if (v > lo[axis] + margin && v < hi[axis] - margin) {
                EXPECT_EQ(found[axis].count(k), Skipped(v, skip) ? 0u : 1u) << "grid value " << v;
            }
        }
        for (const auto &kv : found[axis]) {
            const double v = static_cast<double>(kv.first) * interval;
            EXPECT_GE(v, lo[axis] - margin);
            EXPECT_LE(v, hi[axis] + margin);
            EXPECT_EQ(kv.second, 1) << "pieces at " << v;
        }
    }
}

/// Every tick: TickLength long, its base on the neatline and on its grid value (an x value not
/// skipped), its end inside, pointing along the image of its grid line.
void CheckTicks(const Frame &f, double skipX) {
    const FrameLayout &layout = f.layout;
    const double tol = Tolerance(layout);
    const auto ring = Carry(f, f.service.NeatlinePolygon()->Points().Vector());
    const auto ticks = Items(f.service.GridGeometry());
    ASSERT_GT(ticks.size(), 20u);
    for (const auto &tick : ticks) {
        ASSERT_EQ(tick.size(), 2u);
        const Point &B = tick[0], &E = tick[1];
        SCOPED_TRACE("tick at (" + std::to_string(B.x) + ", " + std::to_string(B.y) + ")");
        // A planar polar point: exact up to the rounding of sine and cosine.
        EXPECT_NEAR(std::hypot(E.x - B.x, E.y - B.y), layout.tickLength, 1e-9 * layout.tickLength);
        const auto g = Carry(f, {B, E});
        EXPECT_LE(ToRing(g[0], ring), tol);
        EXPECT_TRUE(InRing(ring, g[1])) << "the tick points out of the neatline";
        const bool vertical = std::fabs(g[1].y - g[0].y) > std::fabs(g[1].x - g[0].x);
        const double interval = vertical ? layout.intervalX : layout.intervalY;
        const double value = interval * std::nearbyint((vertical ? g[0].x : g[0].y) / interval);
        const double along = vertical ? g[0].y : g[0].x;
        EXPECT_LE(OffGridLine(f, B, vertical, value, along), tol) << "base off the grid value " << value;
        EXPECT_FALSE(vertical && Skipped(value, skipX)) << "tick on a skipped value " << value;
        const double step = (layout.geographicGrid ? 1e-5 : 1.0) *
                            ((vertical ? g[1].y - g[0].y : g[1].x - g[0].x) > 0 ? 1.0 : -1.0);
        const auto m = Carry(f, {OnLine(vertical, value, along), OnLine(vertical, value, along + step)}, 1);
        // A finite step differs from the tangent by the line's curvature: 1e-5 rad (4 mm over a
        // 400 m tick). Ticks of horizontal lines turn a right angle from grid north, which is
        // grid east only on a conformal view: LAEA shears right angles by up to 5e-4 rad over
        // this sheet, Web Mercator by about 1e-5 rad at 50°N; for those two, 1e-3 rad.
        const bool conformal = layout.mapView != "EPSG:3035" && layout.mapView != "EPSG:3857";
        const double dx = GeographicView(f) ? std::remainder(m[1].x - m[0].x, 360.0) : m[1].x - m[0].x;
        const double ax = E.x - B.x, ay = E.y - B.y, by = m[1].y - m[0].y;
        EXPECT_LE(std::fabs(std::atan2(ax * by - ay * dx, ax * dx + ay * by)),
                  vertical || conformal ? 1e-5 : 1e-3);
    }
}

/// Every cross arm: CrossLength long (not wrapped round the world), strictly inside the
/// neatline, centred on a grid intersection whose x value is not skipped; horizontal arms
/// first; each horizontal arm has its vertical partner.
void CheckCrosses(const Frame &f, double skipX) {
    const FrameLayout &layout = f.layout;
    const double tol = Tolerance(layout);
    const auto ring = Carry(f, f.service.NeatlinePolygon()->Points().Vector());
    const auto arms = Items(f.service.CrossGeometry());
    ASSERT_GT(arms.size(), 10u);
    ASSERT_EQ(arms.size() % 2, 0u);
    const std::size_t n = arms.size() / 2;
    std::vector<Point> centres;
    for (std::size_t i = 0; i < arms.size(); ++i) {
        const auto &arm = arms[i];
        ASSERT_EQ(arm.size(), 2u);
        EXPECT_NEAR(std::hypot(arm[1].x - arm[0].x, arm[1].y - arm[0].y), layout.crossLength,
                    1e-9 * layout.crossLength);
        const auto g = Carry(f, arm);
        for (const Point &end : g) {
            EXPECT_TRUE(InRing(ring, end));
            EXPECT_GT(ToRing(end, ring), tol);
        }
        const Point mid((arm[0].x + arm[1].x) / 2.0, (arm[0].y + arm[1].y) / 2.0);
        const Point gMid((g[0].x + g[1].x) / 2.0, (g[0].y + g[1].y) / 2.0);
        const double vx = layout.intervalX * std::nearbyint(gMid.x / layout.intervalX);
        EXPECT_LE(OffGridLine(f, mid, true, vx, gMid.y), tol);
        EXPECT_LE(
            OffGridLine(f, mid, false, layout.intervalY * std::nearbyint(gMid.y / layout.intervalY), gMid.x),
            tol);
        EXPECT_FALSE(Skipped(vx, skipX)) << "cross on a skipped value " << vx;
        EXPECT_EQ(std::fabs(g[1].x - g[0].x) > std::fabs(g[1].y - g[0].y), i < n) << "arm " << i;
        centres.push_back(mid);
    }
    for (std::size_t i = 0; i < n; ++i) {
        EXPECT_TRUE(std::any_of(centres.begin() + static_cast<std::ptrdiff_t>(n), centres.end(),
                                [&](const Point &v) { return MapDistance(f, centres[i], v) < 1e-6; }))
            << "cross " << i << " has one arm only";
    }
}

class OnFrame : public ::testing::TestWithParam<FrameLayout> {};

TEST_P(OnFrame, GridlinesLieOnTheirValuesInsideTheNeatlineAndRepeat) {
    const FrameLayout &layout = GetParam();
    const double skipX = 5.0 * layout.intervalX, skipY = 2.0 * layout.intervalY;
    auto f = Generate(layout, &parallo::ParalloCls::CreateGridlines, skipX, skipY);
    ASSERT_TRUE(f->reports.empty()) << f->reports.front();
    ASSERT_TRUE(f->service.GridGeometry());
    CheckGridlines(*f, skipX, skipY);
    // A geographic grid strokes its lines: its storage units are not the radians it works in.
    EXPECT_EQ(f->service.bForceStroking(), layout.geographicGrid);

    // A second run on the round-tripped neatline gives the same pieces. PROJ 9.1's LAEA inverse
    // creeps by about 0.4 mm per round trip: 1 mm. Vertex counts may differ by a stroke point.
    const auto first = Items(f->service.GridGeometry());
    std::int32_t ret = 0;
    f->service.CreateGridlines(ret);
    const auto second = Items(f->service.GridGeometry());
    ASSERT_EQ(first.size(), second.size());
    for (std::size_t i = 0; i < first.size(); ++i) {
        EXPECT_NEAR(first[i].front().x, second[i].front().x, 1e-3);
        EXPECT_NEAR(first[i].back().y, second[i].back().y, 1e-3);
    }
}

TEST_P(OnFrame, TicksStartOnTheNeatlineAndCrossesLieInside) {
    const FrameLayout &layout = GetParam();
    auto f = Generate(layout, &parallo::ParalloCls::CreateTicksCrosses, 5.0 * layout.intervalX, 0.0);
    // No report at all: in particular no convergence query refused a longitude east of 180°.
    ASSERT_TRUE(f->reports.empty()) << f->reports.front();
    CheckTicks(*f, 5.0 * layout.intervalX);
    CheckCrosses(*f, 5.0 * layout.intervalX);
}

INSTANTIATE_TEST_SUITE_P(
    Frames, OnFrame,
    ::testing::Values(parallo_test::UtmSheetOnLaea(), parallo_test::UtmSheetOnWebMercator(),
                      parallo_test::UtmSheetOnUtm33(), parallo_test::GraticuleOnWebMercator(),
                      parallo_test::PacificOnProjected(), parallo_test::PacificOnGeographic()),
    parallo_test::NameOf());

// ---- the 180° meridian -------------------------------------------------------------------------

TEST(Pacific, GeographicMapViewOutputComesBackWithin180) {
    auto f = Generate(parallo_test::PacificOnGeographic(), &parallo::ParalloCls::CreateGridlines, 0.0, 0.0);
    ASSERT_TRUE(f->reports.empty()) << f->reports.front();
    std::set<long> meridians;
    for (const auto &line : Items(f->service.GridGeometry())) {
        for (const Point &p : line)
            EXPECT_LE(std::fabs(p.x), 180.0);
        if (line.front().x == line.back().x) {
            EXPECT_TRUE(meridians.insert(std::lround(line.front().x)).second);
        }
    }
    // 171°E … 179°W, and 170°E and 170°W where the edges lie on grid values; 180° once only.
    EXPECT_GE(meridians.size(), 19u);
    EXPECT_LE(meridians.size(), 21u);
    EXPECT_EQ(meridians.count(180) + meridians.count(-180), 1u);

    // Ticks and crosses east of 180° are shifted as whole marks: one on the meridian itself may
    // reach a mark's length beyond it, none is torn across the map.
    std::int32_t ret = 0;
    f->service.CreateTicksCrosses(ret);
    ASSERT_TRUE(f->reports.empty()) << f->reports.front();
    const std::pair<std::shared_ptr<shapekit::GeometryCollection>, double> kinds[] = {
        {f->service.GridGeometry(), f->layout.tickLength},
        {f->service.CrossGeometry(), f->layout.crossLength}};
    for (const auto &kind : kinds) {
        std::size_t east = 0;
        for (const auto &mark : Items(kind.first)) {
            for (const Point &p : mark)
                EXPECT_LE(std::fabs(p.x), 180.0 + kind.second);
            east += mark[0].x < 0.0;
        }
        EXPECT_GT(east, 10u);
    }
}

TEST(Pacific, ProjectedNeatlineWestOfItsOriginStillShiftsAcrossTheMeridian) {
    // Neatline in a Mercator centred on 180°, where the lower-left corner has a negative easting:
    // the frame must still read as 170°E … 190°E (about 30 lines), not as a world-wide graticule
    // beyond the line budget.
    FrameLayout layout = parallo_test::PacificOnProjected();
    layout.neatlineSystem = layout.mapView = "+proj=merc +lon_0=180 +datum=WGS84 +units=m +no_defs";
    layout.geographicCorners = false;
    layout.neatlineStroke = 0.0;
    layout.west = -1113194.9079327357;  // 170°E
    layout.east = 1113194.9079327357;   // 170°W
    layout.south = -2273030.926987689;  // 20°S
    layout.north = -1118889.9748579594; // 10°S
    auto f = Generate(layout, &parallo::ParalloCls::CreateGridlines, 0.0, 0.0);
    ASSERT_TRUE(f->reports.empty()) << f->reports.front();
    ASSERT_TRUE(f->service.GridGeometry());
    EXPECT_GE(f->service.GridGeometry()->Count(), 28);
    EXPECT_LE(f->service.GridGeometry()->Count(), 32); // 21 meridians and 11 parallels at most
}

} // namespace
