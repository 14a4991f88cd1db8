// Frame styles drawn on the frame itself: a band of alternating dark and light bars between the
// neatline and an outer line, changing colour at every grid value (topographic style), two such
// bands stacked (nautical style), and ticks that start on the neatline and point outward or
// inward, with minor ticks between the labelled values.
//
// Pure geometry in map-view units: the neatline ring and the places where grid lines cross it
// come in, polygons and tick lines go out. Nothing here reads the service or a coordinate system.
//
// The ring is the neatline as the service builds it: it starts at the lower-left corner, runs up
// the left side and on clockwise (for y pointing up) over the top, right and bottom sides, and may
// repeat its first point at the end. A stroked or reprojected neatline has many vertices per side
// and may repeat a vertex at a corner; edges shorter than the ring's tolerance (below) are treated
// as having no direction of their own. Either turning sense is accepted: the outward side is
// found from the sign of the ring's area.
//
// Tolerance: 1e-9 of the ring's scale (the larger of its largest absolute coordinate and its
// extent). A crossing farther than that from its side is refused; two crossings closer than that
// along a side make one cut; an edge shorter than that has no direction.
//
// Failures raise the platform error 5 ("Invalid procedure call or argument") with the entry
// point's name as source: a ring with fewer than four vertices, side starts that do not increase
// or leave a side without a real edge, a ring without area or turning back on itself at a vertex,
// a coordinate that is not finite, a band width that is not a finite positive number, a tick
// length that is negative or not finite, a crossing whose side is unknown or that does not lie on
// its side.
#ifndef PARALLO_FRAME_BARS_H
#define PARALLO_FRAME_BARS_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "parallo/shapekit.h"

namespace parallo {
namespace frame {

using shapekit::Point;

/// The four sides in the order the ring runs through them.
enum FrameSide : std::int32_t { kSideLeft = 0, kSideTop = 1, kSideRight = 2, kSideBottom = 3 };

/// Which row of grid values a crossing belongs to: the grid interval, or the finer sub-interval
/// (the inner row of the nautical style, and minor ticks).
enum FrameRow : std::int32_t { kRowInterval = 0, kRowSubInterval = 1 };

/// The neatline in map-view units and where each of its sides starts.
struct NeatlineRing {
    /// The ring's vertices; a last point equal to the first closes the ring and is ignored.
    std::vector<Point> points;
    /// 0-based position in `points` of the corner where each side starts, indexed by FrameSide.
    /// They must increase: left < top < right < bottom < number of distinct vertices; the bottom
    /// side runs on through the end of the list back to the left side's start. The service's
    /// stroked neatline gives 0, NeatlineStartTop - 1, NeatlineStartRight - 1 and
    /// NeatlineStartBottom - 1; its plain five-point neatline gives 0, 1, 2, 3.
    std::array<std::size_t, 4> sideStart{{0, 1, 2, 3}};
};

/// A place where a grid line meets the neatline.
struct Crossing {
    FrameSide side = kSideLeft;
    /// On the side, in map-view units (within the ring's tolerance).
    Point point;
    /// The grid value as a whole number of its row's interval (value = index x interval plus the
    /// grid offset). Its parity decides the fill of the bars, so that adjacent sheets match.
    std::int64_t index = 0;
    FrameRow row = kRowInterval;
};

/// How the bars are laid out.
struct FrameBarSettings {
    /// Width of one band, map-view units, > 0.
    double dWidth = 0.0;
    /// false: one band [0, dWidth] outside the neatline, cut at the interval crossings.
    /// true (nautical): two bands stacked, each dWidth wide: the inner one [0, dWidth] against
    /// the neatline is cut at the sub-interval crossings, the outer one [dWidth, 2 dWidth] at the
    /// interval crossings, so the fine divisions read against the map and the coarse ones frame
    /// them.
    bool bNautical = false;
    /// Whether the corner pieces (the squares where two sides' bands meet) are filled.
    bool bCorners = true;
    /// Whether the grid indices grow along the ring's direction of travel on each side. Used only
    /// on a side where no two neighbouring crossings of a row differ in index (one crossing, or a
    /// line that crosses the side twice): it then says which grid cell the bar after the first
    /// crossing covers. The default suits the service's ring over a grid whose values grow east
    /// and north: up the left side, right along the top, down the right side, left along the
    /// bottom.
    std::array<bool, 4> bAscending{{true, true, false, false}};
};

/// One piece of a band: a bar between two cuts (or a cut and a corner) of one side, or a corner
/// piece.
struct FrameBar {
    /// Closed ring (the last point repeats the first), no two consecutive points equal.
    std::vector<Point> ring;
    /// Dark (filled) or light.
    bool bFilled = false;
    /// The side the bar belongs to; for a corner piece, the side that starts at that corner
    /// (left: lower-left, top: upper-left, right: upper-right, bottom: lower-right).
    FrameSide side = kSideLeft;
    bool bCorner = false;
    /// The row whose crossings cut this band.
    FrameRow row = kRowInterval;
};

/// The bars of the frame: for each band, each side's bars from its start corner to its end
/// corner, then the band's four corner pieces, all in ring order.
///
/// A band [d0, d1] lies between the neatline offset outward by d0 and by d1. Each side is offset on
/// its own: a vertex inside a side moves along the bisector of its edges' normals, mitred (so
/// straight edges stay parallel at the band's distance), and the side's end vertices move along
/// the normal of the side's first or last edge. The corner piece fills what lies between two sides'
/// ends: for a right-angled corner, a d1 - d0 square (less nothing, for d0 = 0). Bars and corner
/// pieces share their vertices exactly, so together they tile the band between the full mitred
/// offsets at d0 and d1 without gaps or overlaps (as long as the band is narrower than the
/// neatline's curvature allows).
///
/// A cut lies where a crossing's point projects onto its side; across the band it runs straight
/// from that place on the inner offset to the same place (edge and fraction) on the outer offset.
/// Crossings at a side's corners or coinciding with an earlier cut add no cut.
///
/// Fills: the bars of one side alternate strictly. The bar between two neighbouring cuts whose
/// indices differ covers the grid cell of the smaller index, and is dark when that index is even;
/// the first such pair along the side fixes the phase. Without one, bAscending decides which cell
/// the bar after the first cut covers; a side without any cut is one light bar.
std::vector<FrameBar> CreateFrameBars(const NeatlineRing &ring, const std::vector<Crossing> &crossings,
                                      const FrameBarSettings &settings);

/// The neatline offset outward by dDistance (>= 0) as a closed ring, mitred at every vertex, the
/// corners included (each corner gives three points: the end of one side, the mitre point and the
/// start of the next side). Its area less the neatline's is the area of the band [0, dDistance].
std::vector<Point> OffsetRing(const NeatlineRing &ring, double dDistance);

/// Where a point meets the neatline: its projection onto the nearest edge with a direction.
struct RingPosition {
    FrameSide side = kSideLeft;
    /// The projected point, on the neatline.
    Point point;
    /// Distance from the given point to `point`.
    double dDistance = 0.0;
    /// Unit normal of that edge, pointing away from the frame.
    Point outward;
};

/// The nearest place on the neatline to pt (ties go to the earlier edge in ring order).
RingPosition NearestOnRing(const NeatlineRing &ring, const Point &pt);

/// Length and direction of one kind of tick.
struct TickSettings {
    /// Map-view units, >= 0; 0 makes no tick of this kind.
    double dLength = 0.0;
    /// true: away from the frame; false: into the map.
    bool bOutward = true;
};

/// A tick: a straight line from the neatline.
struct FrameTick {
    /// On the neatline, where the crossing projects onto its side.
    Point start;
    /// start + length x the outward (or inward) unit normal of the neatline edge under start.
    Point end;
    FrameSide side = kSideLeft;
    /// The crossing's row: kRowSubInterval ticks are the minor ones.
    FrameRow row = kRowInterval;
    std::int64_t index = 0;
};

/// One tick per crossing, in the order given: crossings of kRowInterval get `major`, those of
/// kRowSubInterval get `minor`. Ticks follow the normal of the local neatline edge rather than the
/// grid line, so that they stand square to the frame as printed. A caller that wants minor ticks
/// only between the major ones leaves out the sub-interval crossings that fall on interval values.
std::vector<FrameTick> CreateFrameTicks(const NeatlineRing &ring, const std::vector<Crossing> &crossings,
                                        const TickSettings &major, const TickSettings &minor);

} // namespace frame
} // namespace parallo

#endif
