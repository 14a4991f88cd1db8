// Label generation: labels at the neatline corners, or where the grid lines of the interval
// cross the neatline on the chosen sides.
#ifndef PARALLO_LABELS_LABELS_H
#define PARALLO_LABELS_LABELS_H

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "grid/polar.h"
#include "grid/prepare.h"
#include "grid/sweep.h"
#include "labels/one_label.h"

namespace parallo {
namespace detail {

/// What one CreateLabels call reads of the service for its labels, besides their styling.
struct LabelInputs {
    CoordSystemPtr labelSystem;      ///< the system whose values the labels show
    CoordSystemPtr comparisonSystem; ///< the system whose angles are compared with the map view
    std::string unitName;            ///< the unit of the grid (edges) or neatline (corners) system
    /// Whether that system stores projected coordinates, so that its unit is a linear one.
    bool systemProjected = false;
    LabelNeatlineSetup setup;
    std::shared_ptr<coordkit::UnitsOfMeasure> units;
    CoordSystemPtr neatlineSystem;
    CoordSystemPtr gridSystem;
    std::int32_t extentsType = 0;   ///< NeatlineExtentsType
    std::int32_t intervalsType = 0; ///< GridIntervalsType
    /// The neatline corners as handed in, and the four corners in projection units.
    PointPtr lowerLeft;
    PointPtr upperRight;
    PointPtr lowerLeftInProjUnits;
    PointPtr upperLeftInProjUnits;
    PointPtr upperRightInProjUnits;
    PointPtr lowerRightInProjUnits;
    GridSides place;
    PointPtr interval;
    PointPtr gridOffset;
    PointPtr skipInterval;
    /// The outline of the neatline in map-view coordinates (FrameOutline): the sides a grid line
    /// meets it on, for frames whose grid is turned against the map view or holds a pole.
    std::vector<Point> mapRing;
    /// Whether the map view stores geographic coordinates (never turned against a graticule).
    bool mapViewGeographic = false;
    /// Around a pole no label stands where a meridian stopped at the polar cap would meet the frame.
    PolarCap polarCap;
};

/// The label system shows values of the neatline system (corners) or of the grid system (edges),
/// `system`, re-typed to the storage type the labels are displayed in; corner labels compare
/// their angles in the storage type of the extents. Sets labelSystem, comparisonSystem and
/// systemProjected.
void ChooseLabelSystems(bool corners, const CoordSystemPtr &system, std::int32_t displayType,
                        std::int32_t extentsType, LabelInputs &in);

/// The labels of the four neatline corners: lower left, upper left, upper right, lower right.
void CornerLabels(const LabelPlacement &placement, const LabelInputs &in, std::string &trace);

/// The labels where the grid lines cross the working neatline, prepared by PrepareLabelNeatline
/// (`pointTolerance` as it set it). Fails through the caller's handler, before any label, when
/// the interval is not positive or the lines are over the line budget.
void EdgeLabels(const LabelPlacement &placement, const LabelInputs &in, GridNeatline &w,
                double pointTolerance, std::string &trace, std::int32_t &RetVal);

} // namespace detail
} // namespace parallo

#endif
