// Where the service's grid lines meet its neatline, as crossings for the frame bars and ticks.
#ifndef PARALLO_FRAME_CROSSINGS_H
#define PARALLO_FRAME_CROSSINGS_H

#include <cstdint>
#include <vector>

#include "frame/bars.h"
#include "service/state.h"

namespace parallo {
namespace detail {

/// NeatlinePolygon as a ring with its side starts: the plain five-point neatline starts its sides
/// at 0, 1, 2, 3; any other ring at the stroked neatline's recorded starts. Raises 91 without a
/// neatline, 5 when the recorded starts do not fit the ring.
frame::NeatlineRing ServiceNeatlineRing(const ServiceState &s);

/// The crossings of the grid lines at the per-axis interval (grid units) with the neatline ring.
/// Makes the lines with the service's own CreateGridlines (no skip values) and afterwards puts
/// back Interval, SkipInterval, GridGeometry and NeatlinePolygon. Each end of a grid line piece
/// within 1e-6 of the ring's extent from the ring becomes a crossing at its projection onto the
/// ring; its index is the line's grid value, found by carrying the piece's ends into the grid
/// system, divided by the interval and rounded. A geographic grid's values lie in -180..180
/// degrees. With leaveOutMultiplesOf, lines whose value is (within 1e-9 relative) a whole multiple
/// of that interval on their axis are left out. RetVal as CreateGridlines leaves it. Raises 1 when
/// CreateGridlines reported a failure.
std::vector<frame::Crossing> GridCrossings(ParalloCls &service, const frame::NeatlineRing &ring,
                                           const Point &interval, frame::FrameRow row, std::int32_t &RetVal,
                                           const Point *leaveOutMultiplesOf = nullptr);

} // namespace detail
} // namespace parallo

#endif
