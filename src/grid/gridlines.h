// Grid lines: every line of constant x and of constant y of the grid system at the grid interval,
// cut to the pieces that lie inside the neatline and densified cell by cell.
#ifndef PARALLO_GRID_GRIDLINES_H
#define PARALLO_GRID_GRIDLINES_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "grid/polar.h"
#include "grid/prepare.h"
#include "parallo/shapekit.h"
#include "platform/reporter.h"

namespace parallo {
namespace detail {

/// What one CreateGridlines call reads of the service once the neatline is prepared.
struct GridlineInputs {
    CoordSystemPtr gridSystem;
    std::int32_t intervalsType = 0; ///< GridIntervalsType
    Point interval;                 ///< greater than 0 on both axes
    PointPtr gridOffset;
    PointPtr skipInterval;
    double strokeDistance = 0.0; ///< the validated GridStrokeDistance
    double pointTolerance = 0.0; ///< dPointTolerance, as the preparation set it
    /// StrokeTolerance: when above 0, every step is halved until its middle in the map view lies
    /// within it of the image of the grid line's point halfway along the step.
    double strokeTolerance = 0.0;
    /// Whether the map view's x is a longitude in degrees (steps are then taken the short way).
    bool mapViewLongitudes = false;
    /// Where meridians stop short of the pole on a frame around it.
    PolarCap polarCap;
};

struct GridlineResult {
    /// The pieces as polylines in the grid system's storage units (GridGeometry before its
    /// finishing).
    std::shared_ptr<shapekit::GeometryCollection> geometry;
    /// Whether a piece moved off its constant coordinate in storage units (bForceStroking).
    bool lineMoved = false;
    /// Positions (1-based) in geometry of the parallels that close on themselves around a pole:
    /// their last point is to be made their first once they are in the map view.
    std::vector<std::int32_t> closedRings;
};

/// Makes the last point of each polyline at the given positions its first, exactly (the rings
/// of GridlineResult::closedRings, after the finishing steps).
void CloseRings(shapekit::GeometryCollection &lines, const std::vector<std::int32_t> &positions);

/// Steps of one grid line at most, fixed and refined together.
constexpr std::size_t kMaxStepsPerLine = 10000;

/// The grid lines of both axes, vertical lines first, over the prepared working neatline.
/// Failures raise, with `trace` holding the step reached.
GridlineResult MakeGridlines(const Reporter &reporter, const GridlineInputs &in, GridNeatline &w,
                             std::string &trace, std::int32_t &RetVal);

} // namespace detail
} // namespace parallo

#endif
