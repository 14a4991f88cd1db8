// Ticks and crosses: short marks where the grid lines meet the neatline, drawn inward along the
// grid line, and small crosses at the interior grid intersections, turned by the grid convergence
// and placed in map-view coordinates.
#ifndef PARALLO_GRID_TICKS_H
#define PARALLO_GRID_TICKS_H

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "grid/polar.h"
#include "grid/prepare.h"
#include "grid/sweep.h"
#include "parallo/shapekit.h"
#include "platform/reporter.h"

namespace parallo {
namespace detail {

/// What one CreateTicksCrosses call reads of the service once the neatline is prepared.
struct TickInputs {
    bool drawTicks = false;   ///< GridType asks for ticks
    bool makeCrosses = false; ///< GridType asks for crosses
    double tickLength = 0.0;
    double crossLength = 0.0;
    Point interval;
    PointPtr gridOffset;
    PointPtr skipInterval;
    GridSides place;
    std::int32_t intervalsType = 0; ///< GridIntervalsType
    double pointTolerance = 0.0;    ///< dPointTolerance, as the preparation set it
    CoordSystemPtr gridSystem;
    CoordSystemPtr mapView;
    /// The grid system GetAzimuths reads the points in: the grid system itself, or a copy of it
    /// whose storage type is the one the intervals are given in.
    CoordSystemPtr workingGrid;
    /// The frame straddles the 180° meridian on a geographic map view: PROJ may hand back
    /// longitudes east of the meridian as negative ones; they are kept next to the shifted grid
    /// coordinates until the finishing step.
    bool continuousLongitudes = false;
    /// The outline of the neatline in map-view coordinates (FrameOutline) and whether the map
    /// view is geographic: on a frame whose grid is turned against the map view (GridTurned),
    /// ticks go by the side of the frame they stand on.
    std::vector<Point> mapRing;
    bool mapViewGeographic = false;
    bool geographicExtents = false; ///< NeatlineExtentsType is 1
    /// Around a pole no tick stands where a meridian stopped at the polar cap would meet the frame.
    PolarCap polarCap;
};

struct TickMarks {
    std::shared_ptr<shapekit::GeometryCollection> ticks;
    /// Null unless crosses were asked for.
    std::shared_ptr<shapekit::GeometryCollection> crosses;
};

/// Ticks at both ends of every piece of every grid line inside the prepared working neatline,
/// and the crosses at the grid intersections inside it, in map-view coordinates (before their
/// finishing). Failures raise, with `trace` holding the step reached.
TickMarks MakeTicksCrosses(const Reporter &reporter, const TickInputs &in, GridNeatline &w,
                           std::string &trace, std::int32_t &RetVal);

} // namespace detail
} // namespace parallo

#endif
