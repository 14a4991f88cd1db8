// Where the grid lines of a grid system meet a neatline, as crossings for the frame bars and
// ticks.
#ifndef PARALLO_FRAME_CROSSINGS_H
#define PARALLO_FRAME_CROSSINGS_H

#include <cstdint>
#include <memory>
#include <vector>

#include "frame/bars.h"
#include "parallo/coordkit.h"
#include "parallo/shapekit.h"

namespace parallo {
namespace detail {

/// A neatline polygon as a ring with its side starts: the plain five-point neatline starts its
/// sides at 0, 1, 2, 3; any other ring at the stroked neatline's recorded starts (1-based vertex
/// positions of the top, right and bottom sides). Raises 91 without a neatline, 5 for a ring of
/// fewer than five points (no four sides) or recorded starts that do not fit the ring.
frame::NeatlineRing NeatlineRingOf(const std::shared_ptr<shapekit::PolygonGeometry> &neatline,
                                   std::int16_t startTop, std::int16_t startRight, std::int16_t startBottom);

/// The grid whose values cut the frame: the manager holding the map view, the grid system, and
/// whether its intervals are geographic (radians) or in the projection plane.
struct FrameGrid {
    std::shared_ptr<coordkit::CoordSystemsMgr> manager;
    std::shared_ptr<coordkit::CoordSystem> grid;
    bool geographic = false;
};

/// The crossings of the grid lines at the per-axis interval (grid units, > 0) with the neatline
/// ring: its vertices are carried into the grid system (radians for a geographic grid, longitudes
/// run on across the 180° meridian), coordinates within 1e-7 of an interval of a grid value are
/// put onto it. Every edge is followed in grid space by sub-edges, split at their middles in the
/// map view while a middle's image lies off the middle of its chord by more than 1e-3 of the
/// interval (at most 20 halvings an edge and 32767 points in all), and each whole multiple of the
/// interval that a sub-edge's ends enclose on either axis gives a crossing: an edge that bows
/// across a value and back crosses it twice. The crossing lies on the edge, straight in the map
/// view, where the grid system sees that value to within 1e-9 of the interval (or 1e-14 of the
/// value, where that is coarser): the place is searched for along the edge, since an edge that
/// is straight in the map view is curved in another grid system. A value put onto a vertex gives
/// that vertex; it counts once, and the sides' own corners carry none. The index is the value
/// divided by the interval, rounded, with longitudes taken into -180..180 degrees first. With
/// leaveOutMultiplesOf, values that are (within 1e-9 relative) whole multiples of that interval
/// on their axis are left out. Raises 1 when the edges pass more than a million grid values or
/// still bow beyond that after the halvings or points allowed, 5
/// for an interval that is not positive, 91 without the manager or the grid system, and the
/// coordinate engine's failures.
std::vector<frame::Crossing> GridCrossings(const FrameGrid &g, const frame::NeatlineRing &ring,
                                           const shapekit::Point &interval, frame::FrameRow row,
                                           const shapekit::Point *leaveOutMultiplesOf = nullptr);

} // namespace detail
} // namespace parallo

#endif
