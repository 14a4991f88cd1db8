// Where the grid lines of a grid system meet a neatline: each edge of the neatline carried into
// the grid system, and the grid values it passes.
#include "frame/crossings.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/numbers.h"

namespace parallo {

using platform::Deref;
using shapekit::Point;

namespace detail {

frame::NeatlineRing NeatlineRingOf(const std::shared_ptr<shapekit::PolygonGeometry> &neatline,
                                   std::int16_t startTop, std::int16_t startRight, std::int16_t startBottom) {
    const shapekit::PolygonGeometry &polygon = Deref(neatline);
    frame::NeatlineRing ring;
    ring.points = polygon.Points().Vector();
    if (ring.points.size() != 5) {
        const std::int16_t top = startTop;
        const std::int16_t right = startRight;
        const std::int16_t bottom = startBottom;
        if (top < 2 || right <= top || bottom <= right) Raise(kInvalidProcedureCall, "CreateFrameBars");
        ring.sideStart = {{0, static_cast<std::size_t>(top - 1), static_cast<std::size_t>(right - 1),
                           static_cast<std::size_t>(bottom - 1)}};
    }
    return ring;
}

namespace {

/// The whole number nearest to value / step.
std::int64_t GridIndex(double value, double step) {
    const double q = platform::Div(value, step);
    if (!(std::fabs(q) < 9.0e15)) Raise(kOverflow, "CreateFrameBars");
    return static_cast<std::int64_t>(std::llround(q));
}

double RingExtent(const frame::NeatlineRing &ring) {
    double minX = ring.points.front().x, maxX = minX, minY = ring.points.front().y, maxY = minY;
    for (const Point &p : ring.points) {
        minX = std::min(minX, p.x);
        maxX = std::max(maxX, p.x);
        minY = std::min(minY, p.y);
        maxY = std::max(maxY, p.y);
    }
    return std::max(maxX - minX, maxY - minY);
}

/// A grid coordinate within this fraction of an interval of a grid value lies on it: the round
/// trip to the map view and back moves a point on a side of constant x or y by far less, and a
/// line along a side must not seem to cross it at every wiggle.
constexpr double kOnGridValue = 1e-7;

constexpr std::int64_t kCrossingBudget = 1000000;

} // namespace

std::vector<frame::Crossing> GridCrossings(const FrameGrid &frameGrid, const frame::NeatlineRing &ring,
                                           const Point &interval, frame::FrameRow row,
                                           const Point *leaveOutMultiplesOf) {
    if (!(interval.x > 0.0 && interval.y > 0.0)) Raise(kInvalidProcedureCall, "CreateFrameBars");
    const coordkit::CoordSystemsMgr &manager = Deref(frameGrid.manager);
    const std::shared_ptr<coordkit::TransformService> transformer = manager.GetTransformService();
    const std::shared_ptr<coordkit::CoordTransform> toGrid =
        Deref(transformer).CreateSimpleTransFromCSMtoCS(manager, frameGrid.grid);
    const coordkit::CoordSystem &grid = Deref(frameGrid.grid);
    const bool geographic = frameGrid.geographic;
    const std::int32_t space = geographic ? coordkit::kGeographic : coordkit::kProjectionPlane;

    std::size_t n = ring.points.size();
    if (n >= 2 && ring.points[n - 1].x == ring.points[0].x && ring.points[n - 1].y == ring.points[0].y) --n;
    std::vector<Point> g(ring.points.begin(), ring.points.begin() + static_cast<std::ptrdiff_t>(n));
    Deref(toGrid).Transform(g.data(), g.size(), 0);
    const double steps[2] = {interval.x, interval.y};
    const double twoPi = 2.0 * std::acos(-1.0);
    for (std::size_t i = 0; i < n; ++i) {
        Point &p = g[i];
        grid.ConvertPoint(coordkit::kStorage, space, p.x, p.y, p.z);
        // Longitudes run on across the 180° meridian, so that each edge is the short way round.
        if (geographic && i > 0) p.x += twoPi * std::round((g[i - 1].x - p.x) / twoPi);
        double *coords[2] = {&p.x, &p.y};
        for (int axis = 0; axis < 2; ++axis) {
            const double on = static_cast<double>(GridIndex(*coords[axis], steps[axis])) * steps[axis];
            if (std::fabs(*coords[axis] - on) <= kOnGridValue * steps[axis]) *coords[axis] = on;
        }
    }

    // A crossing on a corner belongs to neither side: a stroked ring may repeat its corners, so
    // the corner test is one of distance, at the tolerance of the frame module.
    double scale = 0.0;
    for (const Point &p : ring.points)
        scale = std::max({scale, std::fabs(p.x), std::fabs(p.y)});
    const double cornerTolerance = 1e-9 * std::max(scale, RingExtent(ring));
    const auto atCorner = [&](const Point &p, std::size_t k) {
        for (std::size_t corner : {ring.sideStart[k], k < 3 ? ring.sideStart[k + 1] : ring.sideStart[0]}) {
            const Point &c = ring.points[corner];
            if (std::hypot(p.x - c.x, p.y - c.y) <= cornerTolerance) return true;
        }
        return false;
    };

    std::vector<frame::Crossing> crossings;
    // Grid values looked at over the whole ring: a frame with a hundred thousand crossings is no
    // map any more, and a mistaken interval must not run for hours.
    std::int64_t budget = kCrossingBudget;
    for (std::size_t k = 0; k < 4; ++k) {
        const std::size_t from = ring.sideStart[k];
        const std::size_t to = k < 3 ? ring.sideStart[k + 1] : ring.sideStart[0] + n;
        for (std::size_t i = from; i < to; ++i) {
            const std::size_t i0 = i % n;
            const std::size_t i1 = (i + 1) % n;
            // The end of the closing edge is the first vertex, one turn further east or west.
            double endX = g[i1].x;
            if (geographic && i1 < i0) endX += twoPi * std::round((g[i0].x - endX) / twoPi);
            const double a[2] = {g[i0].x, g[i0].y};
            const double b[2] = {endX, g[i1].y};
            for (int axis = 0; axis < 2; ++axis) {
                if (a[axis] == b[axis]) continue;
                const double step = steps[axis];
                const double lo = std::min(a[axis], b[axis]);
                const double hi = std::max(a[axis], b[axis]);
                const std::int64_t first = GridIndex(lo, step) - 1;
                const std::int64_t last = GridIndex(hi, step) + 1;
                budget -= last - first;
                if (budget < 0) RaiseOwn("The interval is too small for the frame", "CreateFrameBars");
                for (std::int64_t m = first; m <= last; ++m) {
                    const double v = static_cast<double>(m) * step;
                    // Half open in the direction of travel: a value on a vertex belongs to the edge
                    // that ends there, not to both.
                    const bool inside =
                        a[axis] < b[axis] ? (a[axis] < v && v <= b[axis]) : (b[axis] <= v && v < a[axis]);
                    if (!inside) continue;
                    double value = v;
                    if (geographic && axis == 0) value -= twoPi * std::round(value / twoPi);
                    const std::int64_t index = GridIndex(value, step);
                    if (leaveOutMultiplesOf) {
                        const double ratio =
                            platform::Div(static_cast<double>(index) * step,
                                          axis == 0 ? leaveOutMultiplesOf->x : leaveOutMultiplesOf->y);
                        if (std::fabs(ratio - std::round(ratio)) <= 1e-9 * std::max(1.0, std::fabs(ratio)))
                            continue;
                    }
                    const double t = (v - a[axis]) / (b[axis] - a[axis]);
                    const Point &p0 = ring.points[i0];
                    const Point &p1 = ring.points[i1];
                    frame::Crossing c;
                    c.side = static_cast<frame::FrameSide>(k);
                    c.point = Point(p0.x + t * (p1.x - p0.x), p0.y + t * (p1.y - p0.y));
                    c.index = index;
                    c.row = row;
                    if (!atCorner(c.point, k)) crossings.push_back(c);
                }
            }
        }
    }
    return crossings;
}

} // namespace detail
} // namespace parallo
