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

using parallo_test::ExtentOf;
using parallo_test::FrameLayout;
using parallo_test::Items;
using parallo_test::ToRing;
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

/// The frames where the grid bends against the frame: a LAEA rectangle under a 1° graticule;
/// geographic corners on the Alaska Albers across the 180° meridian (sides stroked in one step
/// each, the tolerance bending them); a UTM 32N sheet and grid on UTM 33N; the Web Mercator
/// world under a 30° by 20° graticule.
std::vector<FrameLayout> Frames() {
    // clang-format off
    return {{"laea-rectangle-1deg", "EPSG:3035", "EPSG:3035", "EPSG:4326", false,
             3800000.0, 2400000.0, 4800000.0, 3400000.0, 0.0, true, 1.0, 1.0},
            {"alaska-across-180", "EPSG:3338", "EPSG:4269", "EPSG:4269", true,
             170.0, 50.0, -130.0, 72.0, 60.0, true, 5.0, 2.0},
            {"utm32-sheet-on-utm33", "EPSG:32633", "EPSG:32632", "EPSG:32632", false,
             480000.0, 5320000.0, 520000.0, 5360000.0, 40000.0, false, 1000.0, 1000.0},
            {"web-mercator-world", "EPSG:3857", "EPSG:4326", "EPSG:4326", true,
             -180.0, -80.0, 180.0, 80.0, 0.0, true, 30.0, 20.0}};
    // clang-format on
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
        const double tolerance = 1e-5 * ExtentOf(f.service.NeatlinePolygon()->Points()).Size();
        f.service.SetStrokeTolerance(tolerance);
        f.service.SetbForceStroking(layout.neatlineStroke > 0.0);
        f.service.CreateNeatline();
        const std::vector<Point> drawn = f.service.NeatlinePolygon()->Points().Vector();
        // The frame's pieces, ends and ticks stand on it within 1e-7 of its size.
        const double onFrame = 1e-7 * ExtentOf(drawn).Size();
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
            EXPECT_LE(ToRing(line.front(), drawn), onFrame) << "start";
            EXPECT_LE(ToRing(line.back(), drawn), onFrame) << "end";
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
            EXPECT_LE(std::min(ToRing(tick.front(), drawn), ToRing(tick.back(), drawn)), onFrame)
                << "tick at (" << tick.front().x << ", " << tick.front().y << ")";
    }
}

} // namespace
