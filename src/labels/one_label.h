// Placing one grid label: its text, the neatline side it belongs to, its rotation, its
// justification and its anchor point moved off the neatline by the label offsets.
#ifndef PARALLO_LABELS_ONE_LABEL_H
#define PARALLO_LABELS_ONE_LABEL_H

#include <cstdint>
#include <memory>

#include "geometry/geometry.h"
#include "labels/text.h"
#include "parallo/coordkit.h"
#include "parallo/shapekit.h"

namespace parallo {
namespace detail {

/// What placing a label reads besides the label point.
struct LabelPlacement {
    const Reporter &reporter;
    const LabelStyle &style;
    /// The collection the label is added to (LabelsCollection).
    GridLabels &labels;
    /// The map view and the grid's intervals type, for the label's rotation.
    AngleFrame angles;
    /// NeatlineExtentsType: a label is turned with the grid only on a geographic (1) neatline.
    std::int32_t neatlineExtentsType;
    /// b180Crossed: the frame straddles the 180° meridian.
    bool crossed180;
};

/// Makes one complete label, the last item of the labels collection.
///
/// - ptGrid: the label point in the grid system (grid space: radians for a geographic grid,
///   projection-plane metres otherwise). GetLabelRotation reads the rotation there.
/// - ptValue: the coordinates the label shows (X for north and south labels, Y for west and
///   east) and whose sign chooses the hemisphere; null shows ptGrid itself. The label generator
///   hands in a separate point when the shown value differs from the position: a projected
///   grid in feet, or a longitude east of the 180° meridian.
/// - ptRaw: the point in the storage units it was converted to (degrees for a geographic grid),
///   before the 180° correction; ptMap: the same point in the map view.
/// - LabelAxis: 0 north, 1 west, 2 east, 3 south; iOtherAxis: the other edge meeting at a
///   corner (corner labels only).
/// - ValueAxis: the axis whose value the label shows and whose hemisphere it carries (north or
///   south: X, west or east: Y), when it differs from the side the label stands on (a meridian
///   leaving a turned frame through its left side); -1 takes LabelAxis.
/// - csFrom, csGrid, ptCorner: handed to GetLabelRotation unchanged; ptCorner may be null.
///
/// The anchor is ptMap, except for a point beyond 180° of a frame across the 180° meridian on a
/// map view stored in geographic degrees, whose x is ptRaw.x - 360. The origin then moves by
/// LabelOffset away from the neatline and by VerticalLabelOffset along it; rotated labels (a
/// geographic neatline and a non-zero rotation) move along the rotated directions.
/// Never throws: failures go to ReportError with "Create_OneLabel Error", and the label keeps
/// whatever was set on it.
void Create_OneLabel(const LabelPlacement &p, const std::shared_ptr<coordkit::CoordSystem> &csFrom,
                     const Point &ptGrid, const Point &ptRaw, const Point &ptMap, std::int32_t LabelAxis,
                     std::int32_t LabelDisplayType, const std::shared_ptr<coordkit::CoordSystem> &csGrid,
                     std::int32_t iOtherAxis, const Point *ptCorner, const Point *ptValue = nullptr,
                     std::int32_t ValueAxis = -1) noexcept;

} // namespace detail
} // namespace parallo

#endif
