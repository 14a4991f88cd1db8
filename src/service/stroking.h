// Stroking of the neatline rectangle and the stroke distances of neatline and grid lines.
#ifndef PARALLO_SERVICE_STROKING_H
#define PARALLO_SERVICE_STROKING_H

#include <cstdint>
#include <memory>

#include "grid/prepare.h"
#include "parallo/shapekit.h"
#include "platform/reporter.h"

namespace parallo {
namespace detail {

/// The eastward width from longitude x0 across the 180° meridian to x1, in radians:
/// (180° - x0) + (x1 + 180°). Raises Overflow for non-finite input.
double EastwardWidthAcrossAntimeridian(double x0, double x1);

/// The points of the stroked neatline ring before any conversion, and where its sides begin.
struct StrokedRing {
    shapekit::PointsCollection points;
    std::int16_t startTop = 0;
    std::int16_t startRight = 0;
    std::int16_t startBottom = 0;
};

/// Appends the ring (x0, y0) up the left side, rightwards along the top, down the right side and
/// leftwards along the bottom to (x0, y0), a point every d units along each side with the partial
/// step first. A side whose length is negative gets no intermediate points. With `eastwardWidth`
/// positive, the top and bottom runs span that width eastwards from x0 instead of running to x1
/// (for a frame across the 180° meridian; their longitudes then go beyond 180°).
/// Side-start indices are stored in `ring` and, when `live` is given, there as well as they are
/// reached. Raises Division by zero for d = 0 and Overflow past 32767 points.
struct SideStarts {
    std::int16_t &top;    ///< NeatlineStartTop
    std::int16_t &right;  ///< NeatlineStartRight
    std::int16_t &bottom; ///< NeatlineStartBottom
};
void StrokeRectangle(double x0, double y0, double x1, double y1, double d, double eastwardWidth,
                     StrokedRing &ring, const SideStarts *live);

/// What stroking the neatline rectangle reads of the service.
struct NeatlineRectangle {
    const PointPtr &lowerLeft;    ///< NeatlineLowerLeft
    const PointPtr &upperRight;   ///< NeatlineUpperRight
    const CoordSystemPtr &system; ///< NeatlineCoordSystem
    std::int32_t extentsType;     ///< NeatlineExtentsType
    double strokeDistance;        ///< NeatlineStrokeDistance
};

/// The stroked neatline rectangle in the neatline system's storage units (see
/// ParalloCls::Create_Stroked_Rectangle); writes the side starts as it reaches them and, once
/// the ring is converted, `forceStroking` (bForceStroking).
void Create_Stroked_Rectangle(const Reporter &r, const NeatlineRectangle &rect, const SideStarts &starts,
                              bool &forceStroking,
                              std::shared_ptr<shapekit::PolygonGeometry> &objCP) noexcept;

/// Clamps a stroke distance against the extent of pt1 -> pt2: the larger of the signed dx and dy
/// when dStroke is 0 or larger than it, and never more than 10000 steps along it. dStroke is
/// changed in place and returned; after a reported failure 0 is returned.
double Validate_StrokeDistance(const Reporter &r, double &dStroke, const Point &pt1,
                               const Point &pt2) noexcept;

/// Interval.x / 10; dStroke untouched on failure (no report).
void Set_DefaultStrokingGrid(const PointPtr &interval, double &dStroke) noexcept;

/// The larger frame extent / 100, the width measured eastwards across the 180° meridian for a
/// geographic neatline that crosses it; the argument untouched on failure (no report).
void Set_DefaultStrokingNeatline(const PointPtr &lowerLeft, const PointPtr &upperRight,
                                 const CoordSystemPtr &neatlineSystem,
                                 double &dNeatlineStrokingDistance) noexcept;

} // namespace detail
} // namespace parallo

#endif
