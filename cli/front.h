// What the plain front tells beyond the writers, for the other fronts of the same run (the Python
// module): the grid value each line stands on.
#ifndef PARALLO_CLI_FRONT_H
#define PARALLO_CLI_FRONT_H

#include <memory>
#include <vector>

#include "parallo/coordkit.h"
#include "parallo/furniture.h"
#include "parallo/layout.h"
#include "parallo/parallo.h"

namespace parallo {
namespace cli {

/// The map view to grid transformation of a configured service, or null when it cannot be made.
std::shared_ptr<coordkit::CoordTransform> GridTransform(const ParalloCls &service);

/// Each line of a collection (none for null) with the axis and grid value it stands on: both ends
/// taken into the grid system by `toGrid`, the coordinate that stays (nearly) the same between
/// them tells the axis, their mean the value; NaN and kAxisUnknown when that fails.
std::vector<FurnitureLine> FurnitureLines(const std::shared_ptr<shapekit::GeometryCollection> &lines,
                                          const coordkit::CoordTransform *toGrid);

/// The label a hidden label gave way to, or null when it gave way to none.
inline const GridLabel *YieldedTo(const LabelPlacement &placement, const LabelLayout &layout) {
    const auto winner = static_cast<std::size_t>(placement.YieldedTo);
    if (placement.YieldedTo < 0 || winner >= layout.Placements.size()) return nullptr;
    return layout.Placements[winner].Label.get();
}

/// The word the GeoJSON's "hiddenBecause" and the front's HiddenBecause give for a label's fate.
const char *HiddenBecause(LabelFate fate);

} // namespace cli
} // namespace parallo

#endif
