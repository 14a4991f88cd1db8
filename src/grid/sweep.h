// The sweep over one axis of the grid: every grid value of the interval across the working
// neatline, with the points where its line crosses the neatline and the pieces of the line that
// lie inside it. Grid lines, ticks and crosses, and edge labels are all made from this one walk.
#ifndef PARALLO_GRID_SWEEP_H
#define PARALLO_GRID_SWEEP_H

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "geometry/geometry.h"
#include "grid/prepare.h"
#include "parallo/records.h"
#include "parallo/shapekit.h"

namespace parallo {
namespace detail {

/// The largest number of grid lines, both directions together, that a generator draws.
constexpr std::int32_t kGridLineBudget = 250;

/// Grid lines reach this far (in grid-space units) beyond the range of the working copy at both ends,
/// so that a neatline edge lying exactly on the range is still crossed.
constexpr double kGridLineOvershoot = 1e-06;

/// The grid lines of one axis over the working range. Vertical lines (constant x) take their
/// values from pMin.x to pMax.x and run from pMin.y to pMax.y; horizontal lines the same with the
/// axes exchanged. Each line overshoots the range by kGridLineOvershoot at both ends.
struct AxisLines {
    AxisLines(const GridNeatline &w, bool vertical_)
        : vertical(vertical_), lo(vertical_ ? w.pMin.x : w.pMin.y), hi(vertical_ ? w.pMax.x : w.pMax.y),
          acrossLo((vertical_ ? w.pMin.y : w.pMin.x) - kGridLineOvershoot),
          acrossHi((vertical_ ? w.pMax.y : w.pMax.x) + kGridLineOvershoot) {}

    /// The ends of the line of grid value `value`.
    Point Start(double value) const { return vertical ? Point(value, acrossLo) : Point(acrossLo, value); }
    Point End(double value) const { return vertical ? Point(value, acrossHi) : Point(acrossHi, value); }

    bool vertical;
    double lo; ///< the range of the grid values
    double hi;
    double acrossLo; ///< the extent of each line across the range, overshoot included
    double acrossHi;
};

/// The vertices of the working neatline sorted along each axis, so that the vertices a grid line
/// passes through are found without scanning the whole ring.
class NeatlineVertexIndex {
public:
    /// Indexes the vertices of `polygon` as they are now (call after the preparation).
    void Build(const shapekit::PolygonGeometry &polygon);

    /// Removes from `pts` (the intersection points of the grid line `value`, vertical lines of
    /// constant x or horizontal lines of constant y, sorted along the line and without
    /// duplicates) every point where the line only touches the neatline: a vertex, within `tol`,
    /// whose neighbouring vertices both lie strictly on one side of the line. Such a point
    /// neither enters nor leaves the neatline; left in place it would pair the wrong points into
    /// pieces (half of a line that passes a concave notch would go missing). The angle at the
    /// same position of `angles` goes with it.
    void DropTouches(bool vertical, double value, double tol, shapekit::PointsCollection &pts,
                     IntersectionAnglesColl *angles) const;

    /// Whether a neatline edge runs along the grid line `value`: two vertices, within `tol`, lie
    /// on it.
    bool RunsAlong(bool vertical, double value, double tol) const;

private:
    /// -1, 0 or 1: on which side of the line the nearest vertex distinct from vertex i lies,
    /// walking the ring backwards (step -1) or forwards (step +1).
    int NeighbourSide(std::size_t i, int step, bool vertical, double value, double tol) const;

    std::vector<Point> ring_;
    std::vector<std::size_t> byX_;
    std::vector<std::size_t> byY_;
};

/// Raises the library's own check (number 1, `source`) unless both components of the interval
/// are greater than 0: with a negative interval the grid values would run away from the frame's
/// far edge and the stepping loops would never end.
void RequirePositiveInterval(const Point &interval, const std::string &source);

/// The most grid values one axis of a generator steps through, from its first value up to the
/// far edge of the frame. The first value is the first multiple of the interval above the frame's
/// lower edge less the grid offset, so a large offset puts it far below the frame, and every value
/// on the way costs a gridline-neatline intersection: an offset of 10^12 intervals would keep a
/// call stepping for hours. 32767 values (the platform's 16-bit count) lie far above the 250 lines
/// a generator draws and take milliseconds.
constexpr double kMaxGridValuesPerAxis = 32767.0;

/// Raises the library's own check (number 1, `source`) when stepping from `start` by `step` up to
/// `limit` would pass more than kMaxGridValuesPerAxis grid values. Call after SetStartValue, before
/// the stepping loop; `step` must be greater than 0 (RequirePositiveInterval).
void RequireGridValuesWithinBudget(double start, double limit, double step, const std::string &source);

/// The neatline sides grid elements are placed on (the Place...SideGridElements properties).
struct GridSides {
    bool left = false;
    bool top = false;
    bool right = false;
    bool bottom = false;
};

/// The estimated number of grid lines of both axes over the working range: the x extent over
/// the x interval, rounded to the nearest whole number, plus the y extent over the y interval,
/// the sum rounded. Counted in doubles, so that any count, however large, is simply over the
/// budget; Overflow only when a quotient is no longer finite.
double EstimatedGridLines(const GridNeatline &w, const Point &interval);

/// Grid values within this fraction of the interval of a neatline edge lie on that edge. A
/// value that coincides with the edge arrives off it by conversion noise only: a UTM sheet's
/// edge at 520000 m comes back from a round trip through Web Mercator as 520000.00000000006
/// (6e-14 of a 1 km interval), a State Plane edge in feet off its value in the metres of the
/// projection plane by a few units in the last place. Such noise is some 1e-9 m at most on a
/// UTM northing: 1e-9 of the interval holds it with room to spare for intervals down to a
/// metre, yet no grid line a reader could tell from the edge counts as on it.
constexpr double kEdgeTolerance = 1e-09;

/// Whether a walk makes the grid values that lie on the frame's edges.
enum class SweepEdges {
    /// Every grid value from the low edge to the high edge, both included: a value within
    /// kEdgeTolerance of either edge is walked, and its line is laid exactly along the edge so
    /// that it meets the neatline the same way on all four sides, whatever the rounding noise.
    /// Grid lines and labels walk this way: a grid value that coincides with the neatline is a
    /// grid line of the sheet and carries its labels, like every other.
    Included,
    /// Only the grid values strictly between the edges: the first value is the first multiple
    /// above the low edge (values within 1e-5 of an interval above it stepped over), and the
    /// walk ends before a value equal to the high edge in four-decimal fixed point
    /// (ThisValLessThanLimit). Ticks and crosses step this way: marks along a line lying on the
    /// frame would only be drawn over the frame itself, on any side.
    Excluded,
};

/// The differences between the generators' walks: each keeps the steps and trace texts its
/// failure reports have always shown.
struct SweepRules {
    /// The name RequireGridValuesWithinBudget reports under.
    const char *source;
    SweepEdges edges;
    /// RemoveDuplicatePointsByAngle instead of RemoveDuplicatePoints: labels keep, of the two
    /// angles at a vertex, the one facing into the frame from their side.
    bool duplicatesByAngle;
    /// Trace "SetStartValue" before the first grid value is found.
    bool traceStart;
    /// Trace "Going to IsASkipInterval" before each skip test.
    bool traceSkip;
    /// Trace "Going to SortPointsByAxis" before the duplicates go on vertical lines as well as
    /// on horizontal ones.
    bool traceSortOnVerticals;
};

/// One grid line met by the sweep, inside the neatline.
struct SweepLine {
    const AxisLines &lines;
    double value;
    /// Where the line crosses the neatline, sorted along the line, duplicates and touching
    /// vertices dropped: entries and exits alternate, so points 2k-1 and 2k (k from 1) are the
    /// ends of the k-th piece inside the neatline. An odd last point has no partner.
    shapekit::PointsCollection &points;
    /// The intersection angle, in degrees, of each point.
    IntersectionAnglesColl &angles;
    /// The working neatline the line was cut against: for a frame around a pole, which points
    /// lie on the frame rather than on the seam or the pole edge (OnFrame).
    const GridNeatline &frame;

    std::int32_t Pieces() const { return points.Count() / 2; }
};

/// What a generator does with each grid line the sweep meets.
class SweepVisitor {
public:
    virtual void Line(const SweepLine &line) = 0;

protected:
    ~SweepVisitor() = default;
};

/// The walk over the grid values of the working neatline. Make it after the preparation: it
/// indexes the vertices of the working neatline as they are then.
class GridSweep {
public:
    GridSweep(GridNeatline &w, const IntersectionGrid &grid, const SweepRules &rules, std::string &trace,
              std::int32_t &RetVal);

    /// Every grid value of one axis, vertical lines (constant x) or horizontal lines (constant
    /// y), from the first multiple of the interval above the range's low edge less the offset
    /// (SetStartValue) to the far edge, the values on the edges as rules.edges says, skip values
    /// left out; the others go to the
    /// visitor in increasing order. `step` is the interval of this axis. The offset and the skip
    /// interval are dereferenced where the walk first needs them, so that a missing one is
    /// reported at that step.
    void Axis(bool vertical, double step, const PointPtr &gridOffset, const PointPtr &skipInterval,
              SweepVisitor &visitor);

private:
    bool Before(double value, double limit, double edgeTolerance) const;

    GridNeatline &w_;
    const IntersectionGrid &grid_;
    SweepRules rules_;
    std::string &trace_;
    std::int32_t &RetVal_;
    NeatlineVertexIndex vertices_;
    IntersectionAnglesColl angles_;
    std::shared_ptr<shapekit::PointsCollection> points_ = std::make_shared<shapekit::PointsCollection>();
};

} // namespace detail
} // namespace parallo

#endif
