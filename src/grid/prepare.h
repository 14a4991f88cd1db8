// The neatline in grid coordinates: the working copy every grid generator cuts its lines against,
// with the handling of the 180° meridian for a geographic grid, and the finishing steps that bring
// the generated geometry and the working copy back to the map view.
//
// A generator calls, in this order:
//   PrepareNeatline (or BeginNeatlinePreparation + CompleteNeatlinePreparation when it has work of
//   its own between making the transformation and using it), then generates in the code-U space
//   of the working copy, then one of the finishing procedures.
// The label generator uses PrepareLabelNeatline instead and has no finishing step.
//
// None of these procedures has a handler of its own: a failure raises into the handler of the
// generating method, with `trace` holding the step that was reached.
#ifndef PARALLO_GRID_PREPARE_H
#define PARALLO_GRID_PREPARE_H

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "parallo/coordkit.h"
#include "parallo/records.h"
#include "parallo/shapekit.h"
#include "service/state.h"

namespace parallo {
namespace detail {

/// The working neatline of one generating call.
struct GridNeatline {
    /// The working copy of NeatlinePolygon. After preparation its vertices are in the grid
    /// system's code-U space (radians for a geographic grid, projection-plane units otherwise),
    /// shifted by +360° east of the 180° meridian when the frame straddles it.
    std::shared_ptr<shapekit::PolygonGeometry> Tfr_Polygon;
    /// The transformation service and the transformation T between the map view (direction 1)
    /// and the grid system's storage units (direction 0).
    std::shared_ptr<coordkit::TransformService> service;
    std::shared_ptr<coordkit::CoordTransform> T;
    /// The space code U of the grid coordinates: 4 (geographic, radians) when GridIntervalsType
    /// is 1, 1 (projection plane) otherwise.
    std::int32_t U = coordkit::kProjectionPlane;
    /// Smallest and largest x and y of Tfr_Polygon in code-U space (set by the preparation).
    Point pMin;
    Point pMax;
};

/// Whole turns of a storage longitude, in degrees: the 180° shift moves coordinates by this.
constexpr double kDegreesPerTurn = 360.0;

// ---- preparation for grid lines and for ticks and crosses ---------------------------------

/// Copies NeatlinePolygon into w.Tfr_Polygon and makes T from the map view to GridCoordSystem.
/// Raises 91 when the neatline, the manager or the grid system is missing.
void BeginNeatlinePreparation(ServiceState &s, GridNeatline &w, std::string &trace);

/// Transforms the working copy into the grid system's storage units; sets b180Crossed (shifting
/// the vertices east of the 180° meridian by +360° when a geographic grid's frame straddles it),
/// U and dPointTolerance; converts every vertex from storage units to code-U space; and takes the
/// range pMin, pMax. Needs BeginNeatlinePreparation first.
void CompleteNeatlinePreparation(ServiceState &s, GridNeatline &w, std::string &trace);

/// Both of the above.
void PrepareNeatline(ServiceState &s, GridNeatline &w, std::string &trace);

// ---- preparation for labels ----------------------------------------------------------------

/// What the label generator hands to its preparation. It makes the transformations itself, since
/// it needs them for the label points as well.
struct LabelNeatlineSetup {
    /// The service that made the transformations below.
    std::shared_ptr<coordkit::TransformService> service;
    /// From the map view (direction 0) into the grid system (CreateSimpleTransFromCSMtoCS with
    /// CoordSystemsMgr and GridCoordSystem).
    std::shared_ptr<coordkit::CoordTransform> gridTransform;
    /// Between the neatline system and the map view (direction 1: neatline to map view), used to
    /// bring NeatlineLowerLeft and NeatlineUpperRight into the map view for the crossing test.
    std::shared_ptr<coordkit::CoordTransform> neatlineTransform;
    /// The system whose storage type decides whether the crossing test runs at all (it runs when
    /// BaseStorageType is 1). Null means GridCoordSystem.
    std::shared_ptr<coordkit::CoordSystem> alternateSystem;
};

/// The label variant of the preparation. Traces "Transforming neatline geometry TO alternate
/// CoordSystem" and "Transforming neatline MBR points TO alternate CoordSystem" instead of the
/// grid ones. It:
///   - copies NeatlinePolygon and transforms the copy into the grid system with gridTransform;
///   - converts NeatlineLowerLeft and NeatlineUpperRight from the extents' space (geographic when
///     NeatlineExtentsType is 1, projection plane otherwise) into the neatline system's storage
///     units, takes them into the map view with neatlineTransform and from there into the grid
///     system with gridTransform, and, when the alternate system's storage is geographic, applies
///     the crossing rule and the +360° shift of the grid preparation (b180Crossed is reset first);
///   - sets U and dPointTolerance from GridIntervalsType, converts every vertex to code-U space
///     with GridCoordSystem and takes pMin, pMax.
/// On return w.Tfr_Polygon, w.U, w.pMin, w.pMax, w.service and w.T (= gridTransform) are set.
/// There are no finishing steps for labels: the label generator places each label itself and
/// leaves NeatlinePolygon alone.
void PrepareLabelNeatline(ServiceState &s, const LabelNeatlineSetup &setup, GridNeatline &w,
                          std::string &trace);

// ---- finishing -------------------------------------------------------------------------------

/// Finishing of the grid lines. `output` holds polylines in the grid system's storage units:
/// when b180Crossed, every coordinate beyond 180 is brought back by -360° (F1) and so is every
/// vertex of the working copy (F2); the copy returns to storage units (F3); output and copy are
/// transformed to the map view and NeatlinePolygon becomes a copy of the working copy (F4).
void FinishGridlines(ServiceState &s, GridNeatline &w, shapekit::GeometryCollection &output,
                     std::string &trace);

/// Finishing of ticks and crosses, which are already in map-view coordinates. Only when the
/// frame straddles the 180° meridian and the map view's own storage is geographic (degrees) are
/// ticks and crosses brought back into -180…180: each two-point line whose mean x lies beyond
/// 180 moves by -360° as a whole, so that a mark on the meridian never spans the world. On every
/// other map view they stay where the transformation put them. `crosses` may be null (no
/// crosses made in this run). Then the working copy is finished as for grid lines, except that
/// only the copy is transformed to the map view before it replaces NeatlinePolygon.
void FinishTicksCrosses(ServiceState &s, GridNeatline &w, shapekit::GeometryCollection &ticks,
                        shapekit::GeometryCollection *crosses, std::string &trace);

// ---- shared by the generators -----------------------------------------------------------

/// The largest number of grid lines, both directions together, that a generator draws.
constexpr std::int32_t kGridLineBudget = 250;

/// Grid lines reach this far (in code-U units) beyond the range of the working copy at both ends,
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

/// Whether the map view stores geographic coordinates (degrees), so that a map-view x is a
/// longitude. Raises 91 without a map-view system.
bool MapViewIsGeographic(const ServiceState &s);

/// A longitude in radians brought into -π…π by whole turns; other values pass through. Points
/// east of the 180° meridian carry longitudes beyond π after the preparation's shift.
double LongitudeWithinHalfTurn(double lon) noexcept;

} // namespace detail
} // namespace parallo

#endif
