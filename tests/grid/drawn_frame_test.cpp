// The grid cut by the frame as drawn, and smooth lines under StrokeTolerance: properties of the
// output on real frames, the true lines found with PROJ directly (not through the library).
#include <gtest/gtest.h>
#include <proj.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "grid_checks.h"
#include "support/frames.h"

namespace {

using gridtest::Items;
using parallo_test::FrameLayout;
using shapekit::Point;

/// A PROJ transformation from the map view to the grid system, x east and y north (longitude and
/// latitude in degrees for a geographic system).
class ProjLine {
public:
    ProjLine(const std::string &from, const std::string &to) {
        ctx_ = proj_context_create();
        PJ *raw = proj_create_crs_to_crs(ctx_, from.c_str(), to.c_str(), nullptr);
        pj_ = raw ? proj_normalize_for_visualization(ctx_, raw) : nullptr;
        proj_destroy(raw);
    }
    ~ProjLine() {
        proj_destroy(pj_);
        proj_context_destroy(ctx_);
    }
    ProjLine(const ProjLine &) = delete;
    ProjLine &operator=(const ProjLine &) = delete;
    bool Ok() const { return pj_ != nullptr; }
    Point Go(const Point &p, PJ_DIRECTION direction) const {
        const PJ_COORD c = proj_trans(pj_, direction, proj_coord(p.x, p.y, 0.0, 0.0));
        return Point(c.xy.x, c.xy.y);
    }

private:
    PJ_CONTEXT *ctx_ = nullptr;
    PJ *pj_ = nullptr;
};

double DistanceToRing(const Point &p, const std::vector<Point> &ring) {
    double best = HUGE_VAL;
    for (std::size_t i = 0; i < ring.size(); ++i) {
        const Point &a = ring[i], &b = ring[(i + 1) % ring.size()];
        const double dx = b.x - a.x, dy = b.y - a.y, len2 = dx * dx + dy * dy;
        const double t =
            len2 > 0.0 ? std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / len2, 0.0, 1.0) : 0.0;
        best = std::fmin(best, std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy)));
    }
    return best;
}

/// How far the map-view point c lies from the image of the grid-space segment p–q: the nearest
/// of 33 evenly spaced images, then a golden-section search between its neighbours.
double OffCurve(const ProjLine &proj, const Point &c, const Point &p, const Point &q) {
    const auto off = [&](double t) {
        const Point m = proj.Go(Point(p.x + t * (q.x - p.x), p.y + t * (q.y - p.y)), PJ_INV);
        return std::hypot(m.x - c.x, m.y - c.y);
    };
    int best = 0;
    for (int i = 1; i <= 32; ++i)
        if (off(i / 32.0) < off(best / 32.0)) best = i;
    double lo = std::max(0.0, (best - 1) / 32.0), hi = std::min(1.0, (best + 1) / 32.0);
    const double r = (std::sqrt(5.0) - 1.0) / 2.0;
    for (int i = 0; i < 60; ++i) {
        const double a = hi - r * (hi - lo), b = lo + r * (hi - lo);
        if (off(a) < off(b))
            hi = b;
        else
            lo = a;
    }
    return off((lo + hi) / 2.0);
}

FrameLayout Layout(const char *name, const char *mapView, const char *neatline, const char *grid) {
    FrameLayout f;
    f.name = name;
    f.mapView = mapView;
    f.neatlineSystem = neatline;
    f.gridSystem = grid;
    return f;
}

/// The frames where the grid bends against the frame: a LAEA rectangle under a 1° graticule;
/// geographic corners on the Alaska Albers across the 180° meridian (sides stroked in one step
/// each, the tolerance bending them); a UTM 32N sheet and grid on UTM 33N; the Web Mercator
/// world under a 30° by 20° graticule.
std::vector<FrameLayout> Frames() {
    FrameLayout laea = Layout("laea-rectangle-1deg", "EPSG:3035", "EPSG:3035", "EPSG:4326");
    laea.west = 3800000.0, laea.south = 2400000.0, laea.east = 4800000.0, laea.north = 3400000.0;
    laea.geographicGrid = true, laea.intervalX = 1.0, laea.intervalY = 1.0;

    FrameLayout alaska = Layout("alaska-across-180", "EPSG:3338", "EPSG:4269", "EPSG:4269");
    alaska.geographicCorners = true;
    alaska.west = 170.0, alaska.south = 50.0, alaska.east = -130.0, alaska.north = 72.0;
    alaska.neatlineStroke = 60.0;
    alaska.geographicGrid = true, alaska.intervalX = 5.0, alaska.intervalY = 2.0;

    FrameLayout utm = Layout("utm32-sheet-on-utm33", "EPSG:32633", "EPSG:32632", "EPSG:32632");
    utm.west = 480000.0, utm.south = 5320000.0, utm.east = 520000.0, utm.north = 5360000.0;
    utm.neatlineStroke = 40000.0;
    utm.intervalX = 1000.0, utm.intervalY = 1000.0;

    FrameLayout world = Layout("web-mercator-world", "EPSG:3857", "EPSG:4326", "EPSG:4326");
    world.geographicCorners = true;
    world.west = -180.0, world.south = -80.0, world.east = 180.0, world.north = 80.0;
    world.geographicGrid = true, world.intervalX = 30.0, world.intervalY = 20.0;
    return {laea, alaska, utm, world};
}

TEST(DrawnFrame, PiecesEndOnTheFrameAsDrawnAndEveryStepFollowsItsLine) {
    for (const FrameLayout &layout : Frames()) {
        SCOPED_TRACE(layout.name);
        parallo_test::Frame f;
        parallo_test::SetUpFrame(f, layout);
        f.service.SetGridType(parallo::PXgtTicks);
        f.service.SetTickLength(1.0);
        // The command's default: 1e-5 of the frame's size, taken from a first neatline.
        f.service.CreateNeatline();
        const auto range = [](const std::vector<Point> &ring) {
            double lo[2] = {HUGE_VAL, HUGE_VAL}, hi[2] = {-HUGE_VAL, -HUGE_VAL};
            for (const Point &p : ring) {
                lo[0] = std::min(lo[0], p.x), hi[0] = std::max(hi[0], p.x);
                lo[1] = std::min(lo[1], p.y), hi[1] = std::max(hi[1], p.y);
            }
            return std::max(hi[0] - lo[0], hi[1] - lo[1]);
        };
        const double tolerance = 1e-5 * range(f.service.NeatlinePolygon()->Points().Vector());
        f.service.SetStrokeTolerance(tolerance);
        f.service.SetbForceStroking(layout.neatlineStroke > 0.0);
        f.service.CreateNeatline();
        const std::vector<Point> drawn = f.service.NeatlinePolygon()->Points().Vector();
        const double size = range(drawn);
        // The frame's pieces, ends and ticks stand on it within 1e-7 of its size.
        const double onFrame = 1e-7 * size;
        std::int32_t ret = 0;
        f.service.CreateGridlines(ret);
        ASSERT_TRUE(f.reports.empty()) << f.reports.front();
        // NeatlinePolygon keeps the vertices it was drawn with, through the round trip.
        ASSERT_EQ(f.service.NeatlinePolygon()->Points().Vector().size(), drawn.size());
        for (std::size_t i = 0; i < drawn.size(); ++i) {
            const Point &p = f.service.NeatlinePolygon()->Points().Vector()[i];
            EXPECT_LE(std::hypot(p.x - drawn[i].x, p.y - drawn[i].y), onFrame) << "vertex " << i;
        }

        const ProjLine proj(layout.mapView, layout.gridSystem);
        ASSERT_TRUE(proj.Ok());
        const auto lines = Items(f.service.GridGeometry());
        ASSERT_GT(lines.size(), 4u);
        std::size_t steps = 0;
        double worst = 0.0;
        for (const auto &line : lines) {
            EXPECT_LE(DistanceToRing(line.front(), drawn), onFrame) << "start";
            EXPECT_LE(DistanceToRing(line.back(), drawn), onFrame) << "end";
            EXPECT_LE(line.size(), 10001u) << "at most 10000 steps per line";
            for (std::size_t k = 0; k + 1 < line.size(); ++k) {
                const Point &P = line[k], &Q = line[k + 1];
                const Point p = proj.Go(P, PJ_FWD);
                Point q = proj.Go(Q, PJ_FWD);
                if (layout.geographicGrid) q.x -= 360.0 * std::nearbyint((q.x - p.x) / 360.0);
                const double off = OffCurve(proj, Point((P.x + Q.x) / 2.0, (P.y + Q.y) / 2.0), p, q);
                worst = std::max(worst, off / tolerance);
                ++steps;
            }
        }
        // PROJ's inverse here is not the library's forward run backwards: a thousandth of the
        // tolerance (a centimetre at most) covers their difference.
        EXPECT_LE(worst, 1.001) << "worst step's middle, in tolerances, over " << steps << " steps";

        f.service.CreateTicksCrosses(ret);
        ASSERT_TRUE(f.reports.empty()) << f.reports.front();
        const auto ticks = Items(f.service.GridGeometry());
        EXPECT_FALSE(ticks.empty());
        for (const auto &tick : ticks)
            EXPECT_LE(std::min(DistanceToRing(tick.front(), drawn), DistanceToRing(tick.back(), drawn)),
                      onFrame)
                << "tick at (" << tick.front().x << ", " << tick.front().y << ")";
    }
}

} // namespace
