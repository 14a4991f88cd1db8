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

/// Intersects segment a1-a2 with b1-b2 in x and y. A point counts as on a segment when its
/// distance to it is at most the positional tolerance. Writes the meeting point to ip (z = 0) for
/// codes 1, 3 and 4 and returns the code. Raises Overflow (6) for non-finite input.
PARALLO_EXPORT std::int32_t TRGSegmentIntersectSegment(const shapekit::Point& a1, const shapekit::Point& a2,
                                                       const shapekit::Point& b1, const shapekit::Point& b2,
                                                       shapekit::Point& ip);

/// Smallest and largest x and y of all points of the geometry. Raises 5 for a geometry without
/// points.
PARALLO_EXPORT void TRGGetRange(const shapekit::Geometry& geometry, shapekit::Point& minimum,
                                shapekit::Point& maximum);

/// An independent deep copy.
PARALLO_EXPORT std::shared_ptr<shapekit::Geometry> TRGCopyGeometry(const shapekit::Geometry& geometry);

/// The positional tolerance used by TRGSegmentIntersectSegment. It is held per thread, so that
/// service objects on different threads do not disturb each other; a new thread starts at 0.
/// A negative or non-finite tolerance raises 5.
PARALLO_EXPORT void TRGSetPositionalTolerance(double tolerance);
PARALLO_EXPORT double TRGGetPositionalTolerance() noexcept;

} // namespace planicalc

#endif
