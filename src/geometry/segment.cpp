// Intersection of two straight segments: how they meet, where, and at what angle.
#include <cmath>
#include <memory>
#include <string>

#include "geometry/geometry.h"
#include "parallo/planicalc.h"
#include "platform/angles.h"
#include "platform/numbers.h"

namespace parallo {
namespace detail {

namespace {

bool SamePosition(const Point &a, const Point &b) { return a.x == b.x && a.y == b.y; }

/// Closed ranges: ranges that only touch overlap.
bool RangesDisjoint(double a1, double a2, double b1, double b2) {
    const double aMin = a1 < a2 ? a1 : a2;
    const double aMax = a1 < a2 ? a2 : a1;
    const double bMin = b1 < b2 ? b1 : b2;
    const double bMax = b1 < b2 ? b2 : b1;
    return aMax < bMin || bMax < aMin;
}

/// Brings the angle from the first segment to the second into 0..2 pi. An angle within the
/// positional tolerance beyond either end is pinned to that end, so that a crossing at a right
/// angle measured as 2 pi + 1e-12 does not turn into a near-zero angle.
void NormaliseIntersectAngle(const IntersectionGrid &g, double &IntersectAngle) {
    const bool setOwnTolerance = g.intervalsType == 0;
    double S = 0.0;
    if (setOwnTolerance) {
        S = platform::Deref(g.system).StorageScale();
        planicalc::TRGSetPositionalTolerance(platform::Div(1e-08, S));
    }
    const double P = 2.0 * platform::kPi;
    while (IntersectAngle > P) {
        if (planicalc::TRGGetPositionalTolerance() < IntersectAngle - P)
            IntersectAngle -= P;
        else
            IntersectAngle = P;
    }
    while (IntersectAngle < 0.0) {
        if (planicalc::TRGGetPositionalTolerance() < std::fabs(IntersectAngle))
            IntersectAngle += P;
        else
            IntersectAngle = 0.0;
    }
    if (setOwnTolerance) planicalc::TRGSetPositionalTolerance(platform::Div(0.0001, S));
}

} // namespace

void LCL_SegmentIntersectSegment(const IntersectionGrid &g, const Point &S1V1, const Point &S1V2,
                                 const Point &S2V1, const Point &S2V2, Point &ip, bool &bIpWritten,
                                 std::int32_t &IntersectionType, double &IntersectAngle) noexcept {
    // Called once per neatline edge for every grid line: the trace stays a literal so that the
    // loop allocates nothing; the text is built only when a failure is reported.
    const char *trace = "In LCL_SegmentIntersectSegment";
    bIpWritten = false;
    try {
        if (RangesDisjoint(S1V1.x, S1V2.x, S2V1.x, S2V2.x) ||
            RangesDisjoint(S1V1.y, S1V2.y, S2V1.y, S2V2.y)) {
            IntersectionType = 0;
        } else {
            trace = "Calling TRGSegmentIntersectSegment";
            Point found;
            IntersectionType = planicalc::TRGSegmentIntersectSegment(S1V1, S1V2, S2V1, S2V2, found);
            if (IntersectionType >= 1) {
                // End-point rule: an end of the grid line exactly on an end of the edge. When both
                // ends of the line qualify, the point ends on S1V2.
                for (const Point *end : {&S1V1, &S1V2}) {
                    if (SamePosition(*end, S2V2) || SamePosition(*end, S2V1)) {
                        IntersectionType = 2;
                        found.x = end->x;
                        found.y = end->y;
                    }
                }
                if (IntersectionType == 4) {
                    found.x = S1V1.x;
                    found.y = S1V1.y;
                }
                ip = found;
                bIpWritten = true;

                trace = "Computing IntersectAngle";
                double a1 = 0.0;
                double a2 = 0.0;
                GetSegmentAzimuth(S1V1.x, S1V1.y, S1V2.x, S1V2.y, a1);
                GetSegmentAzimuth(S2V1.x, S2V1.y, S2V2.x, S2V2.y, a2);
                IntersectAngle = platform::Sub(a2, a1);
                NormaliseIntersectAngle(g, IntersectAngle);
            }
        }
        if (IntersectionType >= 1 && ip.x == 0.0 && ip.y == 0.0) {
            // A meeting exactly at the origin is possible but far more often a sign of a point
            // that was never filled in: report it and leave the results as they are.
            g.reporter.ReportError(std::string(),
                                   " The error is in LCL_SegmentIntersectSegment! IntersectionType = " +
                                       std::to_string(IntersectionType),
                                   "LCL_Segment_Intersect_Segment Error");
        }
    } catch (...) {
        g.reporter.ReportError(DescribeCurrentException(), trace, "LCL_Segment_Intersect_Segment Error");
    }
}

void LCL_SegmentIntersectSegment(const IntersectionGrid &g, const Point &S1V1, const Point &S1V2,
                                 const Point &S2V1, const Point &S2V2, PointPtr &ip,
                                 std::int32_t &IntersectionType, double &IntersectAngle) noexcept {
    Point found;
    bool written = false;
    LCL_SegmentIntersectSegment(g, S1V1, S1V2, S2V1, S2V2, found, written, IntersectionType, IntersectAngle);
    if (!written) return;
    try {
        // A new point object: the caller's old object is released, never changed.
        ip = std::make_shared<Point>(found);
    } catch (...) {
        g.reporter.ReportError(DescribeCurrentException(), "In LCL_SegmentIntersectSegment",
                               "LCL_Segment_Intersect_Segment Error");
    }
}

} // namespace detail

} // namespace parallo
