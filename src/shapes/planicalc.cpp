// Geometry math: constants, segment intersection within the positional tolerance, ranges and
// copies.
#include "parallo/planicalc.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <limits>

#include "parallo/error.h"
#include "platform/angles.h"

namespace planicalc {

namespace {

using parallo::platform::kPi;

/// The positional tolerance, one per thread so that service objects on different threads never
/// see each other's value.
thread_local double tPositionalTolerance = 0.0;

/// Rounding slack of the intersection decisions, in units of the largest coordinate's last
/// place: a point computed to lie on a segment still counts as on it with a tolerance of 0.
constexpr double kRoundingUnits = 16.0;

double Finite(double x) {
    if (!std::isfinite(x)) parallo::Raise(parallo::kOverflow);
    return x;
}

double Cross(double ux, double uy, double vx, double vy) { return ux * vy - uy * vx; }

/// Distance from p to the closed segment s1-s2 (to the point s1 when the segment has no length).
double DistanceToSegment(const shapekit::Point &p, const shapekit::Point &s1, const shapekit::Point &s2) {
    const double dx = s2.x - s1.x;
    const double dy = s2.y - s1.y;
    const double len2 = dx * dx + dy * dy;
    double t = 0.0;
    if (len2 > 0.0) t = std::clamp(((p.x - s1.x) * dx + (p.y - s1.y) * dy) / len2, 0.0, 1.0);
    double cx = s1.x + t * dx;
    double cy = s1.y + t * dy;
    if (t == 1.0) {
        cx = s2.x;
        cy = s2.y;
    }
    return Finite(std::hypot(p.x - cx, p.y - cy));
}

void SetXY(shapekit::Point &ip, const shapekit::Point &from) {
    ip.x = from.x;
    ip.y = from.y;
    ip.z = 0.0;
}

} // namespace

double TRG_PI() noexcept { return kPi; }
double TRG_2PI() noexcept { return 2.0 * kPi; }
double TRG_RadiansToDegrees() noexcept { return parallo::platform::kDegreesPerRadian; }
double TRG_DegreesToRadians() noexcept { return parallo::platform::kRadiansPerDegree; }

std::int32_t TRGSegmentIntersectSegment(const shapekit::Point &a1, const shapekit::Point &a2,
                                        const shapekit::Point &b1, const shapekit::Point &b2,
                                        shapekit::Point &ip) {
    const shapekit::Point *const ends[4] = {&a1, &a2, &b1, &b2};
    double scale = 0.0;
    for (const shapekit::Point *p : ends) {
        scale = std::max(scale, std::fabs(Finite(p->x)));
        scale = std::max(scale, std::fabs(Finite(p->y)));
    }
    const double slack = kRoundingUnits * DBL_EPSILON * scale;
    const double t = std::max(tPositionalTolerance, slack);

    const double dax = Finite(a2.x - a1.x);
    const double day = Finite(a2.y - a1.y);
    const double dbx = Finite(b2.x - b1.x);
    const double dby = Finite(b2.y - b1.y);
    const double la = Finite(std::hypot(dax, day));
    const double lb = Finite(std::hypot(dbx, dby));

    // A first segment without length is a point: it lies on the second or misses it.
    if (la <= t) {
        if (DistanceToSegment(a1, b1, b2) > t) return kNoMeeting;
        SetXY(ip, a1);
        return kFirstIsPointOnSecond;
    }
    // A second segment without length meets the first at most in that one point.
    if (lb <= t) {
        if (DistanceToSegment(b1, a1, a2) > t) return kNoMeeting;
        SetXY(ip, b1);
        return kOnePoint;
    }

    // Collinear within the tolerance: one segment lies entirely within t of the other's line.
    const double hb1 = std::fabs(Finite(Cross(dax, day, b1.x - a1.x, b1.y - a1.y))) / la;
    const double hb2 = std::fabs(Finite(Cross(dax, day, b2.x - a1.x, b2.y - a1.y))) / la;
    const double ha1 = std::fabs(Finite(Cross(dbx, dby, a1.x - b1.x, a1.y - b1.y))) / lb;
    const double ha2 = std::fabs(Finite(Cross(dbx, dby, a2.x - b1.x, a2.y - b1.y))) / lb;
    const bool bAlongA = hb1 <= t && hb2 <= t;
    const bool aAlongB = ha1 <= t && ha2 <= t;
    if (bAlongA || aAlongB) {
        // Measure the overlap along the segment whose line the other follows (the longer one
        // when each follows the other's line).
        const bool onA = bAlongA && (!aAlongB || la >= lb);
        const shapekit::Point &r = onA ? a1 : b1;
        const double ux = onA ? dax / la : dbx / lb;
        const double uy = onA ? day / la : dby / lb;
        auto along = [&](const shapekit::Point &p) { return (p.x - r.x) * ux + (p.y - r.y) * uy; };
        const double sa1 = along(a1), sa2 = along(a2), sb1 = along(b1), sb2 = along(b2);
        const double lo = std::max(std::min(sa1, sa2), std::min(sb1, sb2));
        const double hi = std::min(std::max(sa1, sa2), std::max(sb1, sb2));
        if (hi - lo > t) {
            // The first segment's start clamped onto the overlap: a1 itself when inside it,
            // otherwise the end of the second segment that bounds the overlap on a1's side.
            if (sa1 >= lo && sa1 <= hi)
                SetXY(ip, a1);
            else if (sa1 < lo)
                SetXY(ip, sb1 <= sb2 ? b1 : b2);
            else
                SetXY(ip, sb1 >= sb2 ? b1 : b2);
            return kCollinearOverlap;
        }
        // Otherwise they share at most a stretch no longer than t: one point, found below.
    }

    // A crossing of the two segments.
    const double denom = Cross(dax, day, dbx, dby);
    if (denom != 0.0) {
        const double wx = b1.x - a1.x;
        const double wy = b1.y - a1.y;
        const double ta = Cross(wx, wy, dbx, dby) / denom;
        const double tb = Cross(wx, wy, dax, day) / denom;
        if (std::isfinite(ta) && std::isfinite(tb) && ta >= 0.0 && ta <= 1.0 && tb >= 0.0 && tb <= 1.0) {
            shapekit::Point p(a1.x + ta * dax, a1.y + ta * day);
            if (ta == 1.0) p = shapekit::Point(a2.x, a2.y);
            // A crossing that differs from an end point only by rounding is that end point, so
            // that a touch returns the end point exactly. Farther away the crossing itself is
            // kept: it lies on both segments, an end point within t lies on one only.
            const shapekit::Point *snap = nullptr;
            double best = slack;
            for (const shapekit::Point *e : ends) {
                const double d = std::hypot(e->x - p.x, e->y - p.y);
                if (d <= best && (snap == nullptr || d < best)) {
                    snap = e;
                    best = d;
                }
            }
            SetXY(ip, snap != nullptr ? *snap : p);
            Finite(ip.x);
            Finite(ip.y);
            return kOnePoint;
        }
    }

    // A touch: an end point of either segment within t of the other segment. The nearest wins,
    // the first segment's end points on a tie.
    const shapekit::Point *touch = nullptr;
    double best = 0.0;
    const double dist[4] = {DistanceToSegment(a1, b1, b2), DistanceToSegment(a2, b1, b2),
                            DistanceToSegment(b1, a1, a2), DistanceToSegment(b2, a1, a2)};
    for (int i = 0; i < 4; ++i) {
        if (dist[i] <= t && (touch == nullptr || dist[i] < best)) {
            touch = ends[i];
            best = dist[i];
        }
    }
    if (touch == nullptr) return kNoMeeting;
    SetXY(ip, *touch);
    return kOnePoint;
}

void TRGGetRange(const shapekit::Geometry &geometry, shapekit::Point &minimum, shapekit::Point &maximum) {
    constexpr double inf = std::numeric_limits<double>::infinity();
    double minX = inf, minY = inf, maxX = -inf, maxY = -inf;
    std::size_t seen = 0;
    geometry.ForEachRun(shapekit::ConstPointRunFunction([&](const shapekit::Point *pts, std::size_t n) {
        for (std::size_t i = 0; i < n; ++i) {
            const double x = Finite(pts[i].x);
            const double y = Finite(pts[i].y);
            minX = std::min(minX, x);
            minY = std::min(minY, y);
            maxX = std::max(maxX, x);
            maxY = std::max(maxY, y);
        }
        seen += n;
    }));
    if (seen == 0) parallo::Raise(parallo::kInvalidProcedureCall);
    minimum = shapekit::Point(minX, minY);
    maximum = shapekit::Point(maxX, maxY);
}

std::shared_ptr<shapekit::Geometry> TRGCopyGeometry(const shapekit::Geometry &geometry) {
    return geometry.Clone();
}

void TRGSetPositionalTolerance(double tolerance) {
    if (!std::isfinite(tolerance) || tolerance < 0.0) parallo::Raise(parallo::kInvalidProcedureCall);
    tPositionalTolerance = tolerance;
}

double TRGGetPositionalTolerance() noexcept { return tPositionalTolerance; }

} // namespace planicalc
