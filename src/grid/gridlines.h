// Grid lines: every line of constant x and of constant y of the grid system at the grid interval,
// cut to the pieces that lie inside the neatline and densified cell by cell.
#ifndef PARALLO_GRID_GRIDLINES_H
#define PARALLO_GRID_GRIDLINES_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

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
};

struct GridlineResult {
    /// The pieces as polylines in the grid system's storage units (GridGeometry before its
    /// finishing).
    std::shared_ptr<shapekit::GeometryCollection> geometry;
    /// Whether a piece moved off its constant coordinate in storage units (bForceStroking).
    bool lineMoved = false;
};

/// Steps of one grid line at most, fixed and refined together.
constexpr std::size_t kMaxStepsPerLine = 10000;

/// The grid lines of both axes, vertical lines first, over the prepared working neatline.
/// Failures raise, with `trace` holding the step reached.
GridlineResult MakeGridlines(const Reporter &reporter, const GridlineInputs &in, GridNeatline &w,
                             std::string &trace, std::int32_t &RetVal);

} // namespace detail
} // namespace parallo

#endif
