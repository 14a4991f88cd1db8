// Frames around a pole: the pole test, the cut along the seam and the closure through the pole,
// and the sides of the frame in the map view.
#include "grid/polar.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "grid/densify.h"
#include "grid/prepare.h"
#include "parallo/enums.h"
#include "parallo/planicalc.h"
#include "platform/angles.h"
#include "platform/numbers.h"

namespace parallo {
namespace detail {

namespace {

using shapekit::Point;

/// A pole closer than this fraction of the frame's size to its edge counts as on the frame.
constexpr double kOnFrameFraction = 1e-9;

/// A ring's net turn in longitude may miss a whole turn by this much (degrees) and still wind
/// once around the pole: the sum of a few thousand differences carries rounding only.
constexpr double kWindingSlack = 1e-6;

/// A grid whose north turns more than this (radians, 20°) from the map's up is turned against
/// an upright frame: a meridian may then leave it through a side, a parallel through its top or
/// bottom. On a map view that keeps north up the grid turns by the convergence of the
/// projection, a few degrees on a sheet; near a pole it turns by the longitude itself.
constexpr double kTurnedAngle = 20.0 * platform::kRadiansPerDegree;

/// Vertices within this many degrees of the 180° meridian lie on it: a frame whose edge runs
/// along the meridian (a whole-world frame) is not one that straddles it.
constexpr double kOffMeridian = 1e-9;

/// The ring without a closing point that repeats its first.
std::vector<Point> OpenRing(std::vector<Point> ring) {
    if (ring.size() > 1 && ring.front().x == ring.back().x && ring.front().y == ring.back().y)
        ring.pop_back();
    return ring;
}

/// How many points of `ring` are its own: a closing point that repeats the first is not.
std::size_t OwnPoints(const std::vector<Point> &ring) noexcept {
    const std::size_t n = ring.size();
    return n > 1 && ring.front().x == ring.back().x && ring.front().y == ring.back().y ? n - 1 : n;
}

/// The bounding box of a ring.
struct Box {
    double minX = 0.0, minY = 0.0, maxX = 0.0, maxY = 0.0;
};
Box BoxOf(const std::vector<Point> &ring) noexcept {
    Box b;
    if (ring.empty()) return b;
    b.minX = b.maxX = ring[0].x;
    b.minY = b.maxY = ring[0].y;
    for (const Point &p : ring) {
        b.minX = std::min(b.minX, p.x);
        b.maxX = std::max(b.maxX, p.x);
        b.minY = std::min(b.minY, p.y);
        b.maxY = std::max(b.maxY, p.y);
    }
    return b;
}

/// Longitudes made continuous along the ring (each step taken the short way); returns the net
/// turn, the closing step included.
double Unwrap(std::vector<Point> &ring) {
    for (std::size_t i = 1; i < ring.size(); ++i) {
        double d = ring[i].x - ring[i - 1].x;
        d -= kDegreesPerTurn * std::nearbyint(d / kDegreesPerTurn);
        ring[i].x = ring[i - 1].x + d;
    }
    double close = ring.front().x - ring.back().x;
    close -= kDegreesPerTurn * std::nearbyint(close / kDegreesPerTurn);
    return ring.back().x + close - ring.front().x;
}

/// The signed area of the first n points of the ring (positive when they run anticlockwise).
double SignedArea(const std::vector<Point> &ring, std::size_t n) noexcept {
    double area = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        const Point &a = ring[i];
        const Point &b = ring[(i + 1) % n];
        area += a.x * b.y - b.x * a.y;
    }
    return area / 2.0;
}

/// The side an outward normal (nx, ny) faces.
std::int32_t SideOfNormal(double nx, double ny) noexcept {
    if (std::fabs(ny) >= std::fabs(nx)) return ny > 0.0 ? pxgrdNorth : pxgrdSouth;
    return nx > 0.0 ? pxgrdEast : pxgrdWest;
}

} // namespace

double RingSize(const std::vector<Point> &ring) noexcept {
    const Box b = BoxOf(ring);
    return std::max(b.maxX - b.minX, b.maxY - b.minY);
}

bool PolarCap::Stops(double value, double interval) const noexcept {
    if (!(latitude > 0.0 && latitude < platform::kPi / 2.0)) return false;
    if (skip <= 0) return true;
    // Counted from longitude 0 both ways, whichever turn the seam gave the value.
    const double index = std::nearbyint(std::remainder(value, 2.0 * platform::kPi) / interval);
    return !(std::isfinite(index) && std::fmod(index, static_cast<double>(skip)) == 0.0);
}

std::vector<Point> FrameOutline(const std::vector<Point> &ring) {
    if (ring.size() <= kMostOutlinePoints) return ring;
    const Box b = BoxOf(ring);
    return {Point(b.minX, b.minY), Point(b.minX, b.maxY), Point(b.maxX, b.maxY), Point(b.maxX, b.minY)};
}

bool StrictlyInside(const std::vector<Point> &ring, const Point &p, double tol) noexcept {
    const std::size_t n = OwnPoints(ring);
    if (n < 3 || !std::isfinite(p.x) || !std::isfinite(p.y)) return false;
    bool inside = false;
    for (std::size_t i = 0, j = n - 1; i < n; j = i++) {
        const Point &a = ring[i];
        const Point &b = ring[j];
        if (!(DistanceToSegment(p, a, b) > tol)) return false;
        if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x)
            inside = !inside;
    }
    return inside;
}

std::int32_t PoleInside(const std::vector<Point> &ring, const coordkit::CoordTransform &T) {
    const double size = RingSize(ring);
    if (ring.size() < 3 || !std::isfinite(size) || !(size > 0.0)) return 0;
    std::vector<Point> poles{Point(0.0, 90.0), Point(0.0, -90.0)};
    ApplyEach(poles, [&T](Point *p, std::size_t count) { T.Transform(p, count, 1); });
    const double tol = kOnFrameFraction * size;
    if (StrictlyInside(ring, poles[0], tol)) return 1;
    if (StrictlyInside(ring, poles[1], tol)) return -1;
    return 0;
}

bool CutAroundPole(GridNeatline &w, std::int32_t pole) {
    shapekit::PointsCollection &pts = platform::Deref(w.workingNeatline).Points();
    const std::vector<Point> &given = pts.Vector();
    const bool closed =
        given.size() > 1 && given.front().x == given.back().x && given.front().y == given.back().y;
    std::vector<Point> ring = OpenRing(given);
    if (ring.size() < 3 || ring.size() + 4 > kMaxNeatlinePoints) return false;
    double net = Unwrap(ring);
    if (!std::isfinite(net) || std::fabs(std::fabs(net) - kDegreesPerTurn) > kWindingSlack) return false;
    if (net < 0.0) {
        // Eastwards, so that the seam's west side comes first.
        ring = OpenRing(given);
        std::reverse(ring.begin() + 1, ring.end());
        Unwrap(ring);
    }

    w.frameRing = std::make_shared<shapekit::PolygonGeometry>();
    w.frameRing->Points().Vector() = given;
    const double west = ring.front().x;
    const double east = west + kDegreesPerTurn;
    const double latitude = pole > 0 ? 90.0 : -90.0;
    ring.emplace_back(east, ring.front().y);
    w.poleEast = ring.size();
    ring.emplace_back(east, latitude);
    w.poleWest = ring.size();
    ring.emplace_back(west, latitude);
    if (closed) ring.push_back(ring.front());
    pts.Vector() = std::move(ring);
    w.pole = pole;
    return true;
}

bool JoinAcross180(GridNeatline &w) {
    shapekit::PointsCollection &pts = platform::Deref(w.workingNeatline).Points();
    std::vector<Point> ring = pts.Vector();
    if (ring.size() < 3) return false;
    // Neighbours off the meridian itself: a vertex on it belongs to either side.
    const auto off = [](const Point &p) { return std::fabs(p.x) < 180.0 - kOffMeridian; };
    bool jumps = false;
    const Point *previous = nullptr;
    for (std::size_t i = 0; i <= ring.size() && !jumps; ++i) {
        const Point &b = ring[i % ring.size()];
        if (!off(b)) continue;
        jumps = previous != nullptr && std::fabs(b.x - previous->x) > 180.0;
        previous = &b;
    }
    if (!jumps) return false;
    const double net = Unwrap(ring);
    if (!std::isfinite(net) || std::fabs(net) > kWindingSlack) return false;
    double west = ring.front().x;
    for (const Point &p : ring)
        west = std::min(west, p.x);
    const double turns = std::floor((west + 180.0) / kDegreesPerTurn);
    for (Point &p : ring)
        p.x -= turns * kDegreesPerTurn;
    pts.Vector() = std::move(ring);
    return true;
}

void ReadPolarSeam(GridNeatline &w) {
    if (w.pole == 0) return;
    const std::vector<Point> &pts = platform::Deref(w.workingNeatline).Points().Vector();
    const Point &east = pts.at(w.poleEast);
    const Point &west = pts.at(w.poleWest);
    w.seamWest = west.x;
    w.seamEast = east.x;
    w.poleLatitude = west.y;
}

bool OnFrame(const GridNeatline &w, bool vertical, const Point &p, double tol) noexcept {
    if (w.pole == 0) return true;
    if (vertical) return !(std::fabs(p.y - w.poleLatitude) <= tol);
    return !(std::fabs(p.x - w.seamWest) <= tol || std::fabs(p.x - w.seamEast) <= tol);
}

std::int32_t FrameSide(const std::vector<Point> &ring, const Point &p) noexcept {
    const std::size_t n = OwnPoints(ring);
    if (n < 3) return -1;
    const double orientation = SignedArea(ring, n) >= 0.0 ? 1.0 : -1.0;
    double nearest = 0.0;
    std::int32_t side = -1;
    for (std::size_t i = 0; i < n; ++i) {
        const Point &a = ring[i];
        const Point &b = ring[(i + 1) % n];
        const double dx = b.x - a.x, dy = b.y - a.y;
        if (dx == 0.0 && dy == 0.0) continue;
        const double distance = DistanceToSegment(p, a, b);
        if (side < 0 || distance < nearest) {
            nearest = distance;
            side = SideOfNormal(orientation * dy, -orientation * dx);
        }
    }
    return side;
}

bool GridTurned(const GridNeatline &w, const std::vector<Point> &mapRing, bool mapViewGeographic,
                bool geographicExtents) {
    if (w.pole != 0) return true;
    if (mapViewGeographic || geographicExtents || mapRing.size() < 3 || !w.T) return false;
    const Box b = BoxOf(mapRing);
    const double size = std::max(b.maxX - b.minX, b.maxY - b.minY);
    if (!std::isfinite(size) || !(size > 0.0)) return false;
    // At the corners of the frame's bounding box and its centre: each point, a step up and a step
    // right of it, into the grid system's storage units.
    const double h = 1e-3 * size;
    std::vector<Point> pts;
    for (const Point &c : {Point(b.minX, b.minY), Point(b.minX, b.maxY), Point(b.maxX, b.minY),
                           Point(b.maxX, b.maxY), Point((b.minX + b.maxX) / 2.0, (b.minY + b.maxY) / 2.0)}) {
        pts.push_back(c);
        pts.emplace_back(c.x, c.y + h);
        pts.emplace_back(c.x + h, c.y);
    }
    const coordkit::CoordTransform &T = *w.T;
    ApplyEach(pts, [&T](Point *p, std::size_t count) { T.Transform(p, count, 0); });
    const bool geographic = w.gridSpace == coordkit::kGeographic;
    double most = 0.0;
    for (std::size_t k = 0; k + 2 < pts.size(); k += 3) {
        const Point &o = pts[k];
        // East and north on the ground, in grid units.
        const auto step = [&](const Point &q, double &east, double &north) {
            const double dx = geographic ? std::remainder(q.x - o.x, kDegreesPerTurn) : q.x - o.x;
            east = dx * (geographic ? std::cos(o.y * platform::kRadiansPerDegree) : 1.0);
            north = q.y - o.y;
        };
        double ue = 0.0, un = 0.0, re = 0.0, rn = 0.0;
        step(pts[k + 1], ue, un);
        step(pts[k + 2], re, rn);
        const double turn = std::max(std::atan2(std::fabs(ue), un), std::atan2(std::fabs(rn), re));
        if (std::isfinite(turn)) most = std::max(most, turn);
    }
    return most > kTurnedAngle;
}

} // namespace detail
} // namespace parallo
