// Geometry primitives of the service: segment intersection, gridline-neatline intersection with
// ordering and de-duplication of the points, azimuths and angle routines. Every procedure runs
// under its own handler: failures go to ReportError and never leave the procedure.
#ifndef PARALLO_GEOMETRY_GEOMETRY_H
#define PARALLO_GEOMETRY_GEOMETRY_H

#include <cstdint>
#include <memory>

#include "parallo/coordkit.h"
#include "parallo/parallo.h"
#include "parallo/records.h"
#include "parallo/shapekit.h"
#include "platform/reporter.h"

namespace parallo {
namespace detail {

using CoordSystemPtr = std::shared_ptr<coordkit::CoordSystem>;
using shapekit::Point;
using PointPtr = std::shared_ptr<shapekit::Point>;

/// What intersecting a grid line with the neatline reads besides its own arguments.
struct IntersectionGrid {
    /// Where failures are reported.
    const Reporter &reporter;
    /// The grid coordinate system: its storage scale sets the positional tolerance of the segment
    /// tests. Dereferenced where it is used, so that a missing system is reported there.
    const CoordSystemPtr &system;
    /// GridIntervalsType: the tolerances are those of radians for 1 and of metres otherwise.
    std::int32_t intervalsType;
    /// Two intersection points closer than this in x and in y are one point (dPointTolerance).
    double pointTolerance;
};

// ---- segment intersection ------------------------------------------------------------------
/// Intersects S1V1-S1V2 (the grid line) with S2V1-S2V2 (a neatline edge): range pre-test, the
/// geometry-math intersection, the end-point rule (type 2), type 4 on S1V1, the angle a2 - a1
/// normalised into 0..2 pi. ip and IntersectAngle are written only for a positive type.
void LCL_SegmentIntersectSegment(const IntersectionGrid &g, const Point &S1V1, const Point &S1V2,
                                 const Point &S2V1, const Point &S2V2, PointPtr &ip,
                                 std::int32_t &IntersectionType, double &IntersectAngle) noexcept;
/// The same procedure writing the point into a caller's point instead of a new object, so that
/// an edge-by-edge loop allocates nothing. ip is written, and bIpWritten set, only once the type
/// is positive; bIpWritten is false otherwise.
void LCL_SegmentIntersectSegment(const IntersectionGrid &g, const Point &S1V1, const Point &S1V2,
                                 const Point &S2V1, const Point &S2V2, Point &ip, bool &bIpWritten,
                                 std::int32_t &IntersectionType, double &IntersectAngle) noexcept;

// ---- gridline-neatline intersection ---------------------------------------------------------
/// Intersects the line ptStart-ptEnd with every edge of the neatline (closing edge last).
/// IntersectPoints receives a new collection of the points in edge order, colAngles one angle
/// in degrees per point. RetVal: 0 on entry, 1 once a point is found, -1 on failure. A type-4
/// meeting stops at once and leaves IntersectPoints as it was. With bAddToNeatline the neatline
/// is replaced by one with the points inserted.
void GridlineNeatlineIntersections(const IntersectionGrid &g, const Point &ptStart, const Point &ptEnd,
                                   std::shared_ptr<shapekit::PolygonGeometry> &Neatline_Geometry,
                                   bool bAddToNeatline,
                                   std::shared_ptr<shapekit::PointsCollection> &IntersectPoints,
                                   IntersectionAnglesColl *colAngles, std::int32_t &RetVal) noexcept;

/// Neatlines with at least this many vertices are intersected through an index of their edges
/// by x and y extent (built once per neatline and kept per thread, rebuilt when the polygon or
/// any of its points changes); smaller ones edge by edge. Both give the same points, angles,
/// order and type-4 stop. Default 64; per thread, so tests can compare the two ways.
std::int32_t &NeatlineEdgeIndexThreshold() noexcept;

/// Stable ascending sort by x (iAxis 0) or y (any other value); angles, when given, move with
/// their points. A null objPts does nothing.
void SortPointsByAxis(const IntersectionGrid &g, shapekit::PointsCollection *objPts,
                      IntersectionAnglesColl *colAngles, std::int32_t iAxis) noexcept;
/// Sorts, then drops the earlier point of every pair closer than dPointTolerance in x and y.
void RemoveDuplicatePoints(const IntersectionGrid &g, shapekit::PointsCollection *objPts,
                           IntersectionAnglesColl *colAngles, std::int32_t iAxis) noexcept;
/// As RemoveDuplicatePoints, with the label rule that decides which angle survives.
void RemoveDuplicatePointsByAngle(const IntersectionGrid &g, shapekit::PointsCollection *objPts,
                                  IntersectionAnglesColl *colAngles, std::int32_t iAxis) noexcept;

// ---- azimuths and angles ------------------------------------------------------------------
/// What the angle procedures measure against.
struct AngleFrame {
    /// Where failures are reported.
    const Reporter &reporter;
    /// The map view's coordinate system: every angle is a difference from its angle.
    const CoordSystemPtr &mapView;
    /// GridIntervalsType: 1 when grid points are geographic (radians), anything else when they
    /// lie in the projection plane.
    std::int32_t intervalsType;
};

/// Angle differences (radians) between `cs` and the map view at pt: along the grid line and
/// along the parallel. Written only on success. Without parallelWanted only dAngleDelta is
/// found and written (dParallelDelta is left as it is), and a failure that only the parallel's
/// direction would have met is neither met nor reported.
void GetAzimuths(const AngleFrame &f, const CoordSystemPtr &cs, const Point &pt, double &dAngleDelta,
                 double &dParallelDelta, bool parallelWanted = true) noexcept;
/// The same differences in degrees for a label; RetVal -1 on failure, untouched on success.
/// ptCorner may be null (used only for corner labels with geographic extents). The label type
/// and the neatline's extents type decide whether pt (or ptCorner) is read as geographic.
void GetLabelRotation(const AngleFrame &f, GridLabelTypeConstants labelType, std::int32_t neatlineExtentsType,
                      const CoordSystemPtr &csFrom, const Point &pt, double &dRotation,
                      double &dParallelRotation, const CoordSystemPtr &csGrid, std::int32_t &RetVal,
                      const Point *ptCorner) noexcept;
/// Azimuth of the parallel through (dLonDeg, dLatDeg) in the plane of cs. The inputs may be
/// overwritten (callers pass scratch copies).
void GetLatitudeDirection(const Reporter &r, const CoordSystemPtr &cs, double &dLonDeg, double &dLatDeg,
                          double &dHeight, double &dAzimuth) noexcept;
/// Azimuth of the vector (x1, y1) -> (x2, y2), clockwise from +y, radians.
void GetSegmentAzimuth(double x1, double y1, double x2, double y2, double &dAzimuth) noexcept;
/// Folds an angle in degrees into a half-plane and re-expresses it in quadrant iQuadrant;
/// dAngle is overwritten with the folded value.
double Normalize_Angle(const Reporter &r, double &dAngle, std::int32_t iQuadrant) noexcept;

} // namespace detail
} // namespace parallo

#endif
