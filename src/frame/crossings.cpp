// Where the grid lines of a grid system meet a neatline: each edge of the neatline carried into
// the grid system, and the grid values it passes.
#include "frame/crossings.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

#include "grid/densify.h"
#include "grid/prepare.h"
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
    // A frame has four sides: a closed ring of at least five points.
    if (ring.points.size() < 5) Raise(kInvalidProcedureCall, "CreateFrameBars");
    if (ring.points.size() != 5) {
        const std::int16_t top = startTop;
        const std::int16_t right = startRight;
        const std::int16_t bottom = startBottom;
        // Each side starts on a vertex of its own, the bottom side before the closing vertex.
        if (top < 2 || right <= top || bottom <= right ||
            static_cast<std::size_t>(bottom) >= ring.points.size())
            Raise(kInvalidProcedureCall, "CreateFrameBars");
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

/// An edge is split at its middle in the map view while the middle's image in grid space lies
/// off the middle of the chord between its ends' images by more than this fraction of the
/// interval on either axis: a straight map-view edge can bow in grid space across a grid value
/// and back, and its ends alone then show no change. What is left unseen is a value that the
/// edge overshoots by less than a thousandth of an interval.
constexpr double kEdgeFollowFraction = 1e-3;

/// A crossing is placed where its edge's image in grid space meets the grid value to within this
/// fraction of the interval: a micrometre on a kilometre grid, a tenth of a millimetre on the
/// ground on a 1° graticule: far below anything drawn and below the 5e-8 of the frame's size to
/// which the grid lines follow the frame, yet well above the noise of the coordinate engine's
/// projections, so that the search ends on it.
constexpr double kPlacedOnValue = 1e-9;

/// Rounds of the search: the bracketing secant below converges faster than linearly (four to
/// seven rounds on a UTM sheet or a 40° graticule shown in another system), so the bound only
/// stops a coordinate engine that answers noise from looping.
constexpr int kPlacingRounds = 60;

/// One grid value an edge passes, and the bracket of edge fractions in the map view around the
/// place where the edge's image in grid space meets it.
struct Candidate {
    std::size_t side = 0;
    Point p0, p1;
    int axis = 0;
    /// The value as the edge's ends see it (longitudes run on) and its index.
    double value = 0.0;
    std::int64_t index = 0;
    /// The value's whole multiple of the interval as the edge's ends see it.
    std::int64_t multiple = 0;
    /// The edge's ends' grid x (longitudes run on), to bring a longitude onto this edge's turn.
    double fromX = 0.0, toX = 0.0;
    /// Bracket: fractions t0 < t1 with grid coordinate minus value f0, f1 of opposite signs.
    double t0 = 0.0, t1 = 1.0, f0 = 0.0, f1 = 0.0;
    /// Which end the last two rounds moved (-1 t0, +1 t1, 0 none yet), for the Illinois step.
    int moved = 0;
    /// The fraction placed so far and how far its image misses the value.
    double t = 0.0;
    double miss = std::numeric_limits<double>::infinity();
    bool done = false;

    Point At(double f) const { return Point(p0.x + f * (p1.x - p0.x), p0.y + f * (p1.y - p0.y)); }
};

/// Moves every candidate along its edge in the map view until its image in grid space lies on
/// its value within kPlacedOnValue of the interval: a secant step inside the bracket (regula falsi,
/// with the Illinois halving so that neither end stays put), all points of a round carried into the
/// grid system in one batch. The first round's step is the edge's linear interpolation. A
/// candidate whose bracket has shrunk to a few ulps keeps its best fraction.
void Refine(std::vector<Candidate> &found, const coordkit::CoordTransform &toGrid,
            const coordkit::CoordSystem &grid, std::int32_t space, bool geographic, const double steps[2]) {
    const double twoPi = 2.0 * std::acos(-1.0);
    std::vector<std::size_t> open;
    std::vector<double> tries;
    std::vector<Point> points;
    for (int round = 0; round < kPlacingRounds; ++round) {
        open.clear();
        tries.clear();
        points.clear();
        for (std::size_t k = 0; k < found.size(); ++k) {
            Candidate &c = found[k];
            if (c.done) continue;
            double t = c.t0 - c.f0 * (c.t1 - c.t0) / (c.f1 - c.f0);
            if (!(t > c.t0 && t < c.t1)) t = 0.5 * (c.t0 + c.t1);
            if (!(t > c.t0 && t < c.t1)) {
                // The bracket is down to neighbouring doubles: nothing nearer can be drawn.
                c.done = true;
                continue;
            }
            open.push_back(k);
            tries.push_back(t);
            points.push_back(c.At(t));
        }
        if (open.empty()) return;
        toGrid.Transform(points.data(), points.size(), 0);
        for (std::size_t j = 0; j < open.size(); ++j) {
            Candidate &c = found[open[j]];
            Point &p = points[j];
            grid.ConvertPoint(coordkit::kStorage, space, p.x, p.y, p.z);
            const double t = tries[j];
            if (geographic) {
                const double near = c.fromX + t * (c.toX - c.fromX);
                p.x += twoPi * std::round((near - p.x) / twoPi);
            }
            const double f = (c.axis == 0 ? p.x : p.y) - c.value;
            if (!std::isfinite(f)) {
                // No better place known: the edge's ends alone decide (a NaN is no grid value).
                if (!std::isfinite(c.miss)) c.t = tries[j];
                c.done = true;
                continue;
            }
            if (std::fabs(f) < c.miss) {
                c.miss = std::fabs(f);
                c.t = t;
            }
            // A tiny interval on large coordinates asks for more than doubles hold: then the value's
            // own last digits (1e-14 of it, a few ulps after the round trip) are close enough.
            if (std::fabs(f) <= std::max(kPlacedOnValue * steps[c.axis], 1e-14 * std::fabs(c.value))) {
                c.done = true;
                continue;
            }
            if ((f < 0.0) == (c.f0 < 0.0)) {
                c.t0 = t;
                c.f0 = f;
                if (c.moved == -1) c.f1 /= 2.0;
                c.moved = -1;
            } else {
                c.t1 = t;
                c.f1 = f;
                if (c.moved == 1) c.f0 /= 2.0;
                c.moved = 1;
            }
        }
    }
}

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

    // The values each edge passes, found on the edge's ends in grid space; each is then placed
    // on its edge where the grid system sees it (Refine below).
    std::vector<Candidate> found;
    // Grid values looked at over the whole ring: a frame with a hundred thousand crossings is no
    // map any more, and a mistaken interval must not run for hours.
    std::int64_t budget = kCrossingBudget;
    // Every edge followed in grid space by sub-edges that bow no more than kEdgeFollowFraction of
    // an interval; `at` is the point on the edge, `drawn` its grid coordinates, `kept.x` its
    // fraction along the edge.
    std::vector<std::vector<detail::StepEnd>> subEdges;
    {
        std::vector<detail::StepEnd> line;
        // Each edge as its own two points: the step from one edge's end to the next edge's start
        // (fraction 1 to 0) is never split.
        for (std::size_t i = 0; i < n; ++i) {
            const std::size_t i1 = (i + 1) % n;
            // The end of the closing edge is the first vertex, one turn further east or west.
            double endX = g[i1].x;
            if (geographic && i1 < i) endX += twoPi * std::round((g[i].x - endX) / twoPi);
            line.push_back({ring.points[i], g[i], Point(0.0, 0.0)});
            line.push_back({ring.points[i1], Point(endX, g[i1].y, g[i1].z), Point(1.0, 0.0)});
        }
        LineRefiner r;
        r.tolerance = kEdgeFollowFraction;
        r.budget = kMaxNeatlinePoints > n ? kMaxNeatlinePoints - n : 0;
        bool unfinished = false;
        std::int32_t passes = 0;
        std::vector<Point> middles;
        r.judge = [&](const std::vector<StepEnd> &ps, const std::vector<StepEnd> &qs,
                      std::vector<StepEnd> &mids, std::vector<double> &deviations) {
            ++passes;
            middles.clear();
            for (std::size_t k = 0; k < ps.size(); ++k) {
                mids[k].kept = Point((ps[k].kept.x + qs[k].kept.x) / 2.0, 0.0);
                mids[k].at = Middle(ps[k].at, qs[k].at);
                middles.push_back(mids[k].at);
            }
            ApplyEach(middles, [&](Point *p, std::size_t count) { Deref(toGrid).Transform(p, count, 0); });
            bool over = false;
            for (std::size_t k = 0; k < ps.size(); ++k) {
                if (!(qs[k].kept.x > ps[k].kept.x)) {
                    mids[k].drawn = Point(std::numeric_limits<double>::quiet_NaN(), 0.0);
                    continue;
                }
                Point m = middles[k];
                if (!std::isfinite(m.x) || !std::isfinite(m.y)) continue;
                try {
                    grid.ConvertPoint(coordkit::kStorage, space, m.x, m.y, m.z);
                } catch (...) {
                    continue;
                }
                const Point chord = Middle(ps[k].drawn, qs[k].drawn);
                if (geographic) m.x += twoPi * std::round((chord.x - m.x) / twoPi);
                double *coords[2] = {&m.x, &m.y};
                for (int axis = 0; axis < 2; ++axis) {
                    if (!std::isfinite(*coords[axis])) continue;
                    const double on =
                        static_cast<double>(GridIndex(*coords[axis], steps[axis])) * steps[axis];
                    if (std::fabs(*coords[axis] - on) <= kOnGridValue * steps[axis]) *coords[axis] = on;
                }
                mids[k].drawn = m;
                deviations[k] =
                    std::max(std::fabs(m.x - chord.x) / steps[0], std::fabs(m.y - chord.y) / steps[1]);
                over = over || (std::isfinite(deviations[k]) && deviations[k] > r.tolerance);
            }
            unfinished = over;
        };
        std::vector<std::size_t> origins;
        RefineLine(r, line, &origins);
        // An edge still bowing after the last pass, or a budget spent, would leave values unseen.
        if (unfinished && (r.budget == 0 || passes >= r.maxDepth))
            RaiseOwn("The interval is too small for the frame", "CreateFrameBars");
        for (std::size_t i = 0; i < n; ++i)
            subEdges.emplace_back(line.begin() + static_cast<std::ptrdiff_t>(origins[2 * i]),
                                  line.begin() + static_cast<std::ptrdiff_t>(origins[2 * i + 1] + 1));
    }

    for (std::size_t k = 0; k < 4; ++k) {
        const std::size_t from = ring.sideStart[k];
        const std::size_t to = k < 3 ? ring.sideStart[k + 1] : ring.sideStart[0] + n;
        for (std::size_t i = from; i < to; ++i) {
            const std::size_t i0 = i % n;
            const std::size_t i1 = (i + 1) % n;
            const std::vector<StepEnd> &sub = subEdges[i0];
            const double edgeA[2] = {sub.front().drawn.x, sub.front().drawn.y};
            const double edgeB[2] = {sub.back().drawn.x, sub.back().drawn.y};
            const std::size_t edgeFirst = found.size();
            for (std::size_t s = 0; s + 1 < sub.size(); ++s) {
                const double a[2] = {sub[s].drawn.x, sub[s].drawn.y};
                const double b[2] = {sub[s + 1].drawn.x, sub[s + 1].drawn.y};
                for (int axis = 0; axis < 2; ++axis) {
                    if (a[axis] == b[axis] || !std::isfinite(a[axis]) || !std::isfinite(b[axis])) continue;
                    const double step = steps[axis];
                    const double lo = std::min(a[axis], b[axis]);
                    const double hi = std::max(a[axis], b[axis]);
                    const std::int64_t first = GridIndex(lo, step) - 1;
                    const std::int64_t last = GridIndex(hi, step) + 1;
                    budget -= last - first;
                    if (budget < 0) RaiseOwn("The interval is too small for the frame", "CreateFrameBars");
                    for (std::int64_t m = first; m <= last; ++m) {
                        const double v = static_cast<double>(m) * step;
                        // Half open in the direction of travel: a value on a vertex belongs to the
                        // edge that ends there, not to both.
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
                            if (std::fabs(ratio - std::round(ratio)) <=
                                1e-9 * std::max(1.0, std::fabs(ratio)))
                                continue;
                        }
                        Candidate c;
                        c.side = k;
                        c.p0 = ring.points[i0];
                        c.p1 = ring.points[i1];
                        c.axis = axis;
                        c.value = v;
                        c.index = index;
                        c.multiple = m;
                        c.fromX = edgeA[0];
                        c.toX = edgeB[0];
                        c.t0 = sub[s].kept.x;
                        c.t1 = sub[s + 1].kept.x;
                        c.f0 = a[axis] - v;
                        c.f1 = b[axis] - v;
                        found.push_back(c);
                    }
                }
            }
            // The edge's values in the order its ends list them (by axis, then value); a value
            // the edge passes once is searched for between the edge's own ends, as it always
            // was, and one it passes more often between the ends of each sub-edge crossing it.
            const auto begin = found.begin() + static_cast<std::ptrdiff_t>(edgeFirst);
            std::stable_sort(begin, found.end(), [](const Candidate &x, const Candidate &y) {
                return x.axis != y.axis ? x.axis < y.axis : x.multiple < y.multiple;
            });
            for (std::size_t j = edgeFirst; j < found.size(); ++j) {
                Candidate &c = found[j];
                const auto same = [&c](const Candidate &o) {
                    return o.axis == c.axis && o.multiple == c.multiple;
                };
                const bool alone =
                    (j == edgeFirst || !same(found[j - 1])) && (j + 1 == found.size() || !same(found[j + 1]));
                const double f0 = edgeA[c.axis] - c.value;
                const double f1 = edgeB[c.axis] - c.value;
                if (alone && !((f0 < 0.0 && f1 < 0.0) || (f0 > 0.0 && f1 > 0.0))) {
                    c.t0 = 0.0;
                    c.t1 = 1.0;
                    c.f0 = f0;
                    c.f1 = f1;
                }
                // A value on a vertex (put there above) is exactly at that end of its bracket.
                c.done = c.f0 == 0.0 || c.f1 == 0.0;
                c.t = c.f1 == 0.0 ? c.t1 : c.t0;
            }
        }
    }
    Refine(found, Deref(toGrid), grid, space, geographic, steps);

    std::vector<frame::Crossing> crossings;
    for (const Candidate &f : found) {
        frame::Crossing c;
        c.side = static_cast<frame::FrameSide>(f.side);
        c.point = f.At(f.t);
        c.index = f.index;
        c.row = row;
        if (!atCorner(c.point, f.side)) crossings.push_back(c);
    }
    return crossings;
}

} // namespace detail
} // namespace parallo
