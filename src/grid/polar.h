// Frames around a pole. A neatline that surrounds a pole runs once around all longitudes and its
// inside reaches latitude ±90°, so in longitude and latitude it is no simple polygon. The working
// neatline of such a frame is cut along one meridian (the seam) and closed through the pole: a
// simple polygon from the seam's longitude L0 to L0 + 360°, whose seam and pole edges belong to no
// side of the frame. Meridians are then walked over [L0, L0 + 360°) only, a parallel's pieces that
// meet at the seam are joined, and nothing is placed where a line meets the seam or the pole edge.
#ifndef PARALLO_GRID_POLAR_H
#define PARALLO_GRID_POLAR_H

#include <cstdint>
#include <vector>

#include "parallo/coordkit.h"
#include "parallo/shapekit.h"

namespace parallo {
namespace detail {

struct GridNeatline;

/// Which pole the neatline `ring` (map-view coordinates, open or closed) holds strictly inside:
/// +1 the north pole, -1 the south pole, 0 neither. The poles are taken from the grid system's
/// storage units (longitude 0, latitude ±90, degrees) into the map view with T (direction 1); a
/// pole without an image there, or one on the frame itself, is not held.
std::int32_t PoleInside(const std::vector<shapekit::Point> &ring, const coordkit::CoordTransform &T);

/// Whether p lies strictly inside the ring (even-odd rule): a point within `tol` of an edge is
/// on the frame, not inside it.
bool StrictlyInside(const std::vector<shapekit::Point> &ring, const shapekit::Point &p, double tol) noexcept;

/// Cuts the working neatline (storage units, longitudes in degrees, after FollowFrameEdges) at
/// the longitude of its first vertex and closes it through the pole `pole` (+1 north, -1 south):
/// the ring turned to run eastwards, its longitudes made continuous from L0 to L0 + 360°, then
/// (L0 + 360°, latitude of the first vertex), (L0 + 360°, ±90°), (L0, ±90°). Keeps the frame's own
/// ring in w.frameRing for the finishing steps. Returns false, changing nothing, when the ring
/// does not wind once around the pole.
bool CutAroundPole(GridNeatline &w, std::int32_t pole);

/// A frame that straddles the 180° meridian while its corners do not say so (a frame turned
/// against the grid, whose lower-left corner lies east of its upper-right one): when two
/// neighbouring vertices of the working neatline (storage degrees), both off the meridian itself,
/// lie more than half a turn apart, the ring's longitudes are made continuous and moved by whole
/// turns to start within -180…180, so that the frame is one unbroken range of longitudes that the
/// finishing steps bring back as for a frame across the meridian. Returns whether it moved them.
bool JoinAcross180(GridNeatline &w);

/// After the working neatline went into grid space: the seam's two longitudes and the pole's
/// latitude in grid units, read from the vertices CutAroundPole added.
void ReadPolarSeam(GridNeatline &w);

/// Whether a point where a grid line crosses the working neatline lies on the frame rather than
/// on the seam or the pole edge (always true for a frame that holds no pole). `vertical`: the
/// line is a meridian (constant x), which crosses the pole edge but never the seam; a parallel
/// crosses the seam but never the pole edge.
bool OnFrame(const GridNeatline &w, bool vertical, const shapekit::Point &p, double tol) noexcept;

/// The side of the frame (pxgrdNorth, pxgrdWest, pxgrdEast or pxgrdSouth) that the map-view point
/// p lies on: that of the neatline edge nearest to p, by the direction its outward normal faces.
/// `ring` is the neatline in map-view coordinates. -1 for a ring of fewer than three points.
std::int32_t FrameSide(const std::vector<shapekit::Point> &ring, const shapekit::Point &p) noexcept;

/// Whether the grid of a prepared working neatline is turned against the map view, so that its
/// ticks and labels go by the side of the frame their line meets, whichever axis the line belongs
/// to: always for a frame that holds a pole; otherwise on a projected map view with a frame given
/// in projected corners (a frame of geographic corners is made of grid lines and turns its labels
/// with them), when at a corner of the frame's bounding box or at its centre the grid's north or
/// east (measured on the ground) turns more than 20° from the map's up or right. Points the grid
/// system cannot take are left out of the measure.
bool GridTurned(const GridNeatline &w, const std::vector<shapekit::Point> &mapRing, bool mapViewGeographic,
                bool geographicExtents);

/// A crossing within this angle (radians, some 6 mm on the ground) of the seam or of the pole
/// edge of a frame around a pole lies on them: they meet the grid lines exactly, at the values
/// their own vertices carry.
constexpr double kSeamTolerance = 1e-9;

/// PolarCapLatitude (radians) and PolarCapMeridianSkip: around a pole, meridians stop at the
/// cap's latitude except every k-th of the interval, counted from longitude 0.
struct PolarCap {
    double latitude = 0.0;
    std::int32_t skip = 0;
    /// Whether the meridian `value` (grid space, `interval` apart) stops at the cap: a latitude
    /// between 0 and 90°, and a meridian that is not one of every k-th.
    bool Stops(double value, double interval) const noexcept;
};

/// The outline the sides of a turned frame are read from (FrameSide, and the crosses' fit): the
/// neatline `ring` itself, or its bounding box when it has more than kMostOutlinePoints points, so
/// that each tick, label and cross costs a bounded number of edges however finely a host drew
/// its frame (a stroked rectangle's box is the rectangle itself).
std::vector<shapekit::Point> FrameOutline(const std::vector<shapekit::Point> &ring);
constexpr std::size_t kMostOutlinePoints = 256;

/// The larger side of the ring's bounding box (0 for an empty ring).
double RingSize(const std::vector<shapekit::Point> &ring) noexcept;

} // namespace detail
} // namespace parallo

#endif
