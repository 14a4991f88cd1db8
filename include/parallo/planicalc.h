// Geometry math: constants, segment intersection, ranges, copies and the positional tolerance.
#ifndef PARALLO_PLANICALC_H
#define PARALLO_PLANICALC_H

#include <cstdint>
#include <memory>

#include "parallo/export.h"
#include "parallo/shapekit.h"

namespace planicalc {

PARALLO_EXPORT double TRG_PI() noexcept;
PARALLO_EXPORT double TRG_2PI() noexcept;
/// The factor 180/pi (not a conversion of a value).
PARALLO_EXPORT double TRG_RadiansToDegrees() noexcept;
/// The factor pi/180.
PARALLO_EXPORT double TRG_DegreesToRadians() noexcept;

/// Codes of TRGSegmentIntersectSegment, decided within the positional tolerance t:
enum SegmentIntersectionType : std::int32_t {
    kNoMeeting = 0,   ///< below 1: the segments do not meet
    kOnePoint = 1,    ///< they meet in exactly one point: a crossing, or a touch at an end point of either
    kCollinearOverlap = 3, ///< collinear and overlapping in more than one point; ip is the first
                           ///< segment's start clamped onto the overlap
    kFirstIsPointOnSecond = 4, ///< the first segment has zero length (within t) and lies on the second
};

/// Intersects segment a1-a2 with b1-b2 in x and y (z is ignored) and returns one of the codes
/// above. The decisions use t = max(positional tolerance, 16 * DBL_EPSILON * the largest absolute
/// coordinate), so that a point computed to lie on a segment still counts as on it when the
/// positional tolerance is 0. "Within t of a segment" means at a distance of at most t from the
/// closed segment. The cases are tried in this order:
///
///  4  the first segment is no longer than t and a1 lies within t of the second segment
///     (ip = a1); a first segment no longer than t anywhere else gives 0. This holds even when the
///     second segment is also a point.
///  1  the second segment is no longer than t and b1 lies within t of the first (ip = b1);
///     anywhere else 0.
///  3  one segment lies along the other's line (both of its end points within t of that line)
///     and their projections onto that line overlap over more than t. ip is a1 when a1 lies in
///     the overlap, otherwise the end point of the second segment that bounds the overlap on
///     a1's side. Segments on one line that share a stretch of at most t go on to the tests
///     below (an end-to-end touch is 1, a gap wider than t is 0).
///  1  the segments cross (closed parameter ranges, so a T-junction counts). ip is the crossing;
///     when an end point differs from it only by the rounding slack above, ip is that end point
///     (the first segment's on a tie), so a touch at an end point returns the end point exactly.
///     A crossing near, but farther than rounding from, an end point stays the crossing: it lies
///     on both segments (a grid line overshooting a frame edge meets it on the edge).
///  1  no crossing, but an end point of either segment lies within t of the other segment: a
///     touch. ip is the end point nearest to the other segment (the first segment's on a tie).
///  0  otherwise. Parallel or near-parallel segments farther apart than t, near-touches farther
///     than t, and collinear segments with a gap wider than t do not meet.
///
/// Two near-parallel segments of which neither lies wholly within t of the other's line are not
/// collinear: they meet in one point (a crossing or an end-point touch) or not at all.
/// ip is written (with z = 0) only for codes 1, 3 and 4; for 0 it keeps its value. Raises
/// Overflow (6) for non-finite input or coordinates so large that the arithmetic overflows.
PARALLO_EXPORT std::int32_t TRGSegmentIntersectSegment(const shapekit::Point& a1, const shapekit::Point& a2,
                                                       const shapekit::Point& b1, const shapekit::Point& b2,
                                                       shapekit::Point& ip);

/// Smallest and largest x and y of all points of the geometry (z of both results is 0). Raises 5
/// for a geometry without points and Overflow (6) for a non-finite coordinate.
PARALLO_EXPORT void TRGGetRange(const shapekit::Geometry& geometry, shapekit::Point& minimum,
                                shapekit::Point& maximum);

/// An independent deep copy of the same kind: changing either afterwards never changes the other.
PARALLO_EXPORT std::shared_ptr<shapekit::Geometry> TRGCopyGeometry(const shapekit::Geometry& geometry);

/// The positional tolerance used by TRGSegmentIntersectSegment. It is held per thread, so that
/// service objects on different threads do not disturb each other; a new thread starts at 0.
/// A negative or non-finite tolerance raises 5.
PARALLO_EXPORT void TRGSetPositionalTolerance(double tolerance);
PARALLO_EXPORT double TRGGetPositionalTolerance() noexcept;

} // namespace planicalc

#endif
