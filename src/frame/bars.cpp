// Frame bars and frame ticks: pure geometry on the neatline ring in map-view units.
#include "frame/bars.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <string>
#include <utility>

#include "parallo/error.h"

namespace parallo {
namespace frame {

namespace {

/// Tolerances are this fraction of the ring's scale (see the header).
constexpr double kRelativeTolerance = 1e-9;
/// 1 + cos of the turn at a vertex below which the ring is taken to turn back on itself (a turn
/// sharper than about 160 degrees): the mitre there would reach far beyond the band.
constexpr double kMinMitreCosine = 0.06;

[[noreturn]] void Invalid(const char *source) { Raise(kInvalidProcedureCall, source); }

bool IsFinite(const Point &p) { return std::isfinite(p.x) && std::isfinite(p.y); }

bool SameXY(const Point &a, const Point &b) { return a.x == b.x && a.y == b.y; }

/// p moved by d along the unit (or mitre) vector n. Every offset point is made by this one
/// expression, so that pieces sharing a vertex compute it to the same bits.
Point Offset(const Point &p, const Point &n, double d) { return Point(p.x + d * n.x, p.y + d * n.y); }

Point Lerp(const Point &a, const Point &b, double t) {
    return Point(a.x + t * (b.x - a.x), a.y + t * (b.y - a.y));
}

/// The vector u with u.a = u.b = 1: offsetting by d along u keeps both edges at distance d.
Point Mitre(const Point &a, const Point &b, const char *source) {
    const double c = 1.0 + a.x * b.x + a.y * b.y;
    if (!(c >= kMinMitreCosine)) Invalid(source);
    return Point((a.x + b.x) / c, (a.y + b.y) / c);
}

/// One side of the ring, corner to corner.
struct Side {
    std::vector<Point> v;
    /// Per edge: whether it is longer than the tolerance, its length, its outward unit normal.
    std::vector<char> real;
    std::vector<double> length;
    std::vector<Point> normal;
    /// Arc length from the side's start to each vertex.
    std::vector<double> along;
    /// Per vertex: the vector a unit offset moves it by.
    std::vector<Point> unit;
    /// Outward normals of the first and last edge with a direction.
    Point first;
    Point last;

    std::size_t Edges() const { return v.size() - 1; }
    Point OffsetAt(std::size_t j, double d) const { return Offset(v[j], unit[j], d); }
};

/// Where a point projects onto one side.
struct Located {
    std::size_t edge = 0;
    double t = 0.0;
    Point point;
    double distance = 0.0;
    /// Arc length from the side's start.
    double s = 0.0;
};

/// The ring split into its sides, with outward normals and per-vertex offsets.
struct RingGeometry {
    std::array<Side, 4> sides;
    double tolerance = 0.0;

    Located Locate(std::size_t k, const Point &p) const {
        const Side &side = sides[k];
        Located best;
        bool found = false;
        for (std::size_t e = 0; e < side.Edges(); ++e) {
            if (!side.real[e]) continue;
            const Point &a = side.v[e];
            const Point &b = side.v[e + 1];
            const double dx = b.x - a.x;
            const double dy = b.y - a.y;
            double t = ((p.x - a.x) * dx + (p.y - a.y) * dy) / (dx * dx + dy * dy);
            t = std::min(1.0, std::max(0.0, t));
            const Point q = Lerp(a, b, t);
            const double dist = std::hypot(p.x - q.x, p.y - q.y);
            if (!found || dist < best.distance) {
                found = true;
                best.edge = e;
                best.t = t;
                best.point = q;
                best.distance = dist;
                best.s = side.along[e] + t * side.length[e];
            }
        }
        return best;
    }
};

RingGeometry BuildRing(const NeatlineRing &ring, const char *source) {
    std::size_t n = ring.points.size();
    if (n >= 2 && SameXY(ring.points[n - 1], ring.points[0])) --n;
    if (n < 4) Invalid(source);
    const std::array<std::size_t, 4> &start = ring.sideStart;
    if (!(start[0] < start[1] && start[1] < start[2] && start[2] < start[3] && start[3] < n)) Invalid(source);

    double minX = ring.points[0].x, maxX = minX, minY = ring.points[0].y, maxY = minY, largest = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        const Point &p = ring.points[i];
        if (!IsFinite(p)) Invalid(source);
        minX = std::min(minX, p.x);
        maxX = std::max(maxX, p.x);
        minY = std::min(minY, p.y);
        maxY = std::max(maxY, p.y);
        largest = std::max(largest, std::max(std::fabs(p.x), std::fabs(p.y)));
    }
    const double scale = std::max(largest, std::max(maxX - minX, maxY - minY));
    RingGeometry g;
    g.tolerance = kRelativeTolerance * scale;

    // Twice the signed area, about the first vertex to keep the products small.
    const Point &o = ring.points[0];
    double area2 = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        const Point &a = ring.points[i];
        const Point &b = ring.points[(i + 1) % n];
        area2 += (a.x - o.x) * (b.y - o.y) - (b.x - o.x) * (a.y - o.y);
    }
    if (!(std::fabs(area2) > g.tolerance * scale)) Invalid(source);
    // Clockwise (negative area): the outside lies to the left of the direction of travel.
    const double turn = area2 < 0.0 ? 1.0 : -1.0;

    for (std::size_t k = 0; k < 4; ++k) {
        Side &side = g.sides[k];
        const std::size_t from = start[k];
        const std::size_t to = k < 3 ? start[k + 1] : start[0] + n;
        for (std::size_t i = from; i <= to; ++i)
            side.v.push_back(ring.points[i % n]);
        const std::size_t m = side.Edges();
        side.real.assign(m, 0);
        side.length.assign(m, 0.0);
        side.normal.assign(m, Point());
        side.along.assign(m + 1, 0.0);
        bool any = false;
        for (std::size_t e = 0; e < m; ++e) {
            const double dx = side.v[e + 1].x - side.v[e].x;
            const double dy = side.v[e + 1].y - side.v[e].y;
            const double len = std::hypot(dx, dy);
            side.length[e] = len;
            side.along[e + 1] = side.along[e] + len;
            if (!(len > g.tolerance)) continue;
            side.real[e] = 1;
            side.normal[e] = Point(-turn * dy / len, turn * dx / len);
            if (!any) side.first = side.normal[e];
            side.last = side.normal[e];
            any = true;
        }
        if (!any) Invalid(source);

        // A vertex inside the side keeps both its edges at the band's distance; a vertex next to
        // edges without direction follows the nearest edge that has one, within the side only,
        // so a repeated corner vertex does not bend the side's end.
        side.unit.assign(m + 1, Point());
        side.unit[0] = side.first;
        side.unit[m] = side.last;
        std::vector<std::size_t> prevReal(m + 1, m);
        for (std::size_t j = 1, last = m; j < m; ++j) {
            if (side.real[j - 1]) last = j - 1;
            prevReal[j] = last;
        }
        for (std::size_t j = m - 1, next = m; j >= 1; --j) {
            if (side.real[j]) next = j;
            const std::size_t prev = prevReal[j];
            if (prev < m && next < m) {
                side.unit[j] = Mitre(side.normal[prev], side.normal[next], source);
            } else {
                side.unit[j] = side.normal[prev < m ? prev : next];
            }
        }
    }
    // Every corner must allow a mitre as well.
    for (std::size_t k = 0; k < 4; ++k)
        (void)Mitre(g.sides[(k + 3) % 4].last, g.sides[k].first, source);
    return g;
}

/// A crossing placed on its side, validated.
struct PlacedCrossing {
    const Crossing *crossing = nullptr;
    Located at;
};

std::vector<PlacedCrossing> PlaceCrossings(const RingGeometry &g, const std::vector<Crossing> &crossings,
                                           const char *source) {
    std::vector<PlacedCrossing> placed;
    placed.reserve(crossings.size());
    for (const Crossing &c : crossings) {
        if (c.side < kSideLeft || c.side > kSideBottom) Invalid(source);
        if (c.row != kRowInterval && c.row != kRowSubInterval) Invalid(source);
        if (!IsFinite(c.point)) Invalid(source);
        PlacedCrossing p;
        p.crossing = &c;
        p.at = g.Locate(static_cast<std::size_t>(c.side), c.point);
        if (!(p.at.distance <= g.tolerance)) Invalid(source);
        placed.push_back(p);
    }
    return placed;
}

/// A cut across a band: where it leaves the inner and the outer offset, and the last side vertex
/// before it (the cut lies on edge `edge`).
struct Cut {
    std::size_t edge = 0;
    Point inner;
    Point outer;
    std::int64_t index = 0;
};

void AddPoint(std::vector<Point> &ring, const Point &p) {
    if (ring.empty() || !SameXY(ring.back(), p)) ring.push_back(p);
}

void CloseRing(std::vector<Point> &ring) {
    while (ring.size() > 1 && SameXY(ring.back(), ring.front()))
        ring.pop_back();
    ring.push_back(ring.front());
}

/// The fills of the bars of one side, bar 0 from the start corner, bar cuts.size() to the end.
std::vector<bool> SideFills(const std::vector<Cut> &cuts, bool ascending) {
    std::vector<bool> fills(cuts.size() + 1, false);
    if (cuts.empty()) return fills;
    std::size_t refBar = 1;
    bool refFilled = ascending ? cuts[0].index % 2 == 0 : cuts[0].index % 2 != 0;
    for (std::size_t j = 0; j + 1 < cuts.size(); ++j) {
        if (cuts[j].index != cuts[j + 1].index) {
            refBar = j + 1;
            refFilled = std::min(cuts[j].index, cuts[j + 1].index) % 2 == 0;
            break;
        }
    }
    for (std::size_t b = 0; b < fills.size(); ++b) {
        const bool samePhase = (b > refBar ? b - refBar : refBar - b) % 2 == 0;
        fills[b] = samePhase ? refFilled : !refFilled;
    }
    return fills;
}

/// The bars of one band [d0, d1] cut at the crossings of one row, then its corner pieces.
void BandBars(const RingGeometry &g, const std::vector<PlacedCrossing> &placed, FrameRow row, double d0,
              double d1, const FrameBarSettings &settings, std::vector<FrameBar> &out) {
    for (std::size_t k = 0; k < 4; ++k) {
        const Side &side = g.sides[k];
        const std::size_t m = side.Edges();
        const double sideLength = side.along[m];

        std::vector<const PlacedCrossing *> mine;
        for (const PlacedCrossing &p : placed) {
            if (p.crossing->row == row && static_cast<std::size_t>(p.crossing->side) == k) mine.push_back(&p);
        }
        std::stable_sort(mine.begin(), mine.end(),
                         [](const PlacedCrossing *a, const PlacedCrossing *b) { return a->at.s < b->at.s; });

        std::vector<Cut> cuts;
        double lastS = 0.0;
        for (const PlacedCrossing *p : mine) {
            const double s = p->at.s;
            if (s - lastS <= g.tolerance || sideLength - s <= g.tolerance) continue;
            lastS = s;
            Cut c;
            c.edge = p->at.edge;
            c.inner = Lerp(side.OffsetAt(c.edge, d0), side.OffsetAt(c.edge + 1, d0), p->at.t);
            c.outer = Lerp(side.OffsetAt(c.edge, d1), side.OffsetAt(c.edge + 1, d1), p->at.t);
            c.index = p->crossing->index;
            cuts.push_back(c);
        }
        const std::vector<bool> fills = SideFills(cuts, settings.bAscending[k]);

        Cut startCut;
        startCut.edge = 0;
        startCut.inner = side.OffsetAt(0, d0);
        startCut.outer = side.OffsetAt(0, d1);
        Cut endCut;
        endCut.edge = m - 1;
        endCut.inner = side.OffsetAt(m, d0);
        endCut.outer = side.OffsetAt(m, d1);

        for (std::size_t b = 0; b <= cuts.size(); ++b) {
            const Cut &c0 = b == 0 ? startCut : cuts[b - 1];
            const Cut &c1 = b == cuts.size() ? endCut : cuts[b];
            FrameBar bar;
            bar.bFilled = fills[b];
            bar.side = static_cast<FrameSide>(k);
            bar.row = row;
            AddPoint(bar.ring, c0.inner);
            for (std::size_t j = c0.edge + 1; j <= c1.edge; ++j)
                AddPoint(bar.ring, side.OffsetAt(j, d0));
            AddPoint(bar.ring, c1.inner);
            AddPoint(bar.ring, c1.outer);
            for (std::size_t j = c1.edge; j >= c0.edge + 1; --j)
                AddPoint(bar.ring, side.OffsetAt(j, d1));
            AddPoint(bar.ring, c0.outer);
            CloseRing(bar.ring);
            out.push_back(std::move(bar));
        }
    }

    for (std::size_t k = 0; k < 4; ++k) {
        const Point &corner = g.sides[k].v[0];
        const Point &a = g.sides[(k + 3) % 4].last;
        const Point &b = g.sides[k].first;
        const Point u = Mitre(a, b, "CreateFrameBars");
        FrameBar piece;
        piece.bFilled = settings.bCorners;
        piece.side = static_cast<FrameSide>(k);
        piece.bCorner = true;
        piece.row = row;
        AddPoint(piece.ring, Offset(corner, a, d0));
        AddPoint(piece.ring, Offset(corner, a, d1));
        AddPoint(piece.ring, Offset(corner, u, d1));
        AddPoint(piece.ring, Offset(corner, b, d1));
        AddPoint(piece.ring, Offset(corner, b, d0));
        AddPoint(piece.ring, Offset(corner, u, d0));
        CloseRing(piece.ring);
        out.push_back(std::move(piece));
    }
}

} // namespace

std::vector<FrameBar> CreateFrameBars(const NeatlineRing &ring, const std::vector<Crossing> &crossings,
                                      const FrameBarSettings &settings) {
    const char *source = "CreateFrameBars";
    const double w = settings.dWidth;
    if (!(std::isfinite(w) && w > 0.0)) Invalid(source);
    const RingGeometry g = BuildRing(ring, source);
    const std::vector<PlacedCrossing> placed = PlaceCrossings(g, crossings, source);

    std::vector<FrameBar> bars;
    if (settings.bNautical) {
        if (!std::isfinite(w + w)) Invalid(source);
        BandBars(g, placed, kRowSubInterval, 0.0, w, settings, bars);
        BandBars(g, placed, kRowInterval, w, w + w, settings, bars);
    } else {
        BandBars(g, placed, kRowInterval, 0.0, w, settings, bars);
    }
    return bars;
}

std::vector<Point> OffsetRing(const NeatlineRing &ring, double dDistance) {
    const char *source = "OffsetRing";
    if (!(std::isfinite(dDistance) && dDistance >= 0.0)) Invalid(source);
    const RingGeometry g = BuildRing(ring, source);
    std::vector<Point> out;
    for (std::size_t k = 0; k < 4; ++k) {
        const Side &side = g.sides[k];
        const Point &a = g.sides[(k + 3) % 4].last;
        AddPoint(out, Offset(side.v[0], a, dDistance));
        AddPoint(out, Offset(side.v[0], Mitre(a, side.first, source), dDistance));
        for (std::size_t j = 0; j < side.Edges(); ++j)
            AddPoint(out, side.OffsetAt(j, dDistance));
    }
    CloseRing(out);
    return out;
}

RingPosition NearestOnRing(const NeatlineRing &ring, const Point &pt) {
    const char *source = "NearestOnRing";
    if (!IsFinite(pt)) Invalid(source);
    const RingGeometry g = BuildRing(ring, source);
    RingPosition best;
    for (std::size_t k = 0; k < 4; ++k) {
        const Located at = g.Locate(k, pt);
        if (k == 0 || at.distance < best.dDistance) {
            best.side = static_cast<FrameSide>(k);
            best.point = at.point;
            best.dDistance = at.distance;
            best.outward = g.sides[k].normal[at.edge];
        }
    }
    return best;
}

std::vector<FrameTick> CreateFrameTicks(const NeatlineRing &ring, const std::vector<Crossing> &crossings,
                                        const TickSettings &major, const TickSettings &minor) {
    const char *source = "CreateFrameTicks";
    for (const TickSettings *t : {&major, &minor}) {
        if (!(std::isfinite(t->dLength) && t->dLength >= 0.0)) Invalid(source);
    }
    const RingGeometry g = BuildRing(ring, source);
    const std::vector<PlacedCrossing> placed = PlaceCrossings(g, crossings, source);

    std::vector<FrameTick> ticks;
    for (const PlacedCrossing &p : placed) {
        const TickSettings &kind = p.crossing->row == kRowInterval ? major : minor;
        if (kind.dLength == 0.0) continue;
        const Side &side = g.sides[static_cast<std::size_t>(p.crossing->side)];
        FrameTick tick;
        tick.start = p.at.point;
        tick.end = Offset(p.at.point, side.normal[p.at.edge], kind.bOutward ? kind.dLength : -kind.dLength);
        if (!IsFinite(tick.end)) Invalid(source);
        tick.side = p.crossing->side;
        tick.row = p.crossing->row;
        tick.index = p.crossing->index;
        ticks.push_back(tick);
    }
    return ticks;
}

} // namespace frame
} // namespace parallo
