// The neatline in grid coordinates: the working copy every grid generator cuts its lines against,
// with the handling of the 180° meridian for a geographic grid, and the finishing steps that bring
// the generated geometry and the working copy back to the map view.
//
// A generator calls, in this order:
//   PrepareNeatline (or BeginNeatlinePreparation + CompleteNeatlinePreparation when it has work of
//   its own between making the transformation and using it), then generates in the grid space
//   of the working copy, then one of the finishing procedures.
// The label generator uses PrepareLabelNeatline instead and has no finishing step.
//
// None of these procedures has a handler of its own: a failure raises into the handler of the
// generating method, with `trace` holding the step that was reached.
#ifndef PARALLO_GRID_PREPARE_H
#define PARALLO_GRID_PREPARE_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "grid/densify.h"
#include "parallo/coordkit.h"
#include "parallo/records.h"
#include "parallo/shapekit.h"

namespace parallo {
namespace detail {

using shapekit::Point;

/// The working neatline of one generating call.
struct GridNeatline {
    /// The working copy of NeatlinePolygon. After preparation its vertices are in the grid
    /// grid space (radians for a geographic grid, projection-plane units otherwise),
    /// shifted by +360° east of the 180° meridian when the frame straddles it.
    std::shared_ptr<shapekit::PolygonGeometry> workingNeatline;
    /// The transformation service and the transformation T between the map view (direction 1)
    /// and the grid system's storage units (direction 0).
    std::shared_ptr<coordkit::TransformService> service;
    std::shared_ptr<coordkit::CoordTransform> T;
    /// The space the grid is generated in: geographic (4, radians) when GridIntervalsType is 1,
    /// the projection plane (1) otherwise.
    std::int32_t gridSpace = coordkit::kProjectionPlane;
    /// Smallest and largest x and y of workingNeatline in grid space (set by the preparation).
    Point pMin;
    Point pMax;
    /// Where the vertices of NeatlinePolygon lie in workingNeatline (0-based) when the
    /// preparation inserted points along its edges; empty when it inserted none.
    std::vector<std::size_t> hostVertices;
    /// Every point of workingNeatline as FollowFrameEdges left it (storage units) and its image
    /// back in the map view, which the refinement has already computed: the finishing steps
    /// take those images instead of transforming the same points again. Empty when the
    /// refinement did not run.
    std::vector<Point> storagePoints;
    std::vector<Point> mapViewImages;

    /// The pole the frame holds inside, for a geographic grid: +1 north, -1 south, 0 none. When
    /// set, workingNeatline is cut along the seam and closed through the pole (grid/polar.h), and
    /// frameRing keeps the frame's own ring in storage units for the finishing steps.
    std::int32_t pole = 0;
    std::shared_ptr<shapekit::PolygonGeometry> frameRing;
    /// Grid space: the seam's west and east longitudes (a whole turn apart) and the pole's
    /// latitude.
    double seamWest = 0.0;
    double seamEast = 0.0;
    double poleLatitude = 0.0;
    /// Positions in workingNeatline of the vertices (seam east, pole) and (seam west, pole).
    std::size_t poleEast = 0;
    std::size_t poleWest = 0;

    /// Set by FollowFrameEdges: the frame's size in the map view, and the farthest any point of
    /// the working copy came back from the grid system (infinite for one that did not come back
    /// at all) with that point in the map view.
    double frameSize = 0.0;
    double worstRoundTrip = 0.0;
    Point worstPoint;
};

/// A frame point that comes back from the grid system farther than this fraction of the frame's
/// size from where it was lies beyond the grid system's reach. Points within its reach come back
/// within a fraction of a millimetre.
constexpr double kReachFraction = 1e-6;

/// The working copy follows the frame as drawn within this fraction of the frame's size (the
/// larger side of its bounding box in the map view). The midpoint test measures a chord's
/// deviation at its middle only, where a short chord strays most, so it asks for half the 1e-7
/// that the pieces' ends keep. No finer: a grid line running along a stroked edge, through its
/// vertices, would be cut into slivers wherever the chords between them bulge inwards by a
/// fraction of a millimetre.
constexpr double kFrameFollowFraction = 5e-8;

/// Points a neatline may hold at most (its count is a 16-bit number).
constexpr std::size_t kMaxNeatlinePoints = 32767;

/// Whole turns of a storage longitude, in degrees: the 180° shift moves coordinates by this.
constexpr double kDegreesPerTurn = 360.0;

using CoordSystemPtr = std::shared_ptr<coordkit::CoordSystem>;
using PointPtr = std::shared_ptr<shapekit::Point>;

/// Which of the two spaces of the working copy count x in degrees of longitude.
struct EdgeLongitudes {
    bool mapView = false; ///< the map view's storage is geographic
    bool grid = false;    ///< the grid system's storage is geographic
};

/// What the last preparation of a service found, kept for the next one. Every generator takes
/// the neatline into the grid system again, handed back by the one before it with most vertices
/// unchanged where the round trip gives them back bit for bit (a geographic grid's). A vertex
/// or an edge step whose inputs are bitwise those of the memo gets the answers the memo holds,
/// which are the bits the same transformation gives them: only transformations of the PROJ
/// engine are told to be the same (SameProjTransformation), any other is transformed afresh.
struct FrameEdgeMemo {
    std::shared_ptr<coordkit::CoordTransform> T; ///< what the answers were made with; null: none
    EdgeLongitudes longitudes;
    double tolerance = 0.0;
    std::vector<Point> mapView;   ///< the vertices handed in (map view)
    std::vector<Point> storage;   ///< their images in the grid system's storage units
    std::vector<Point> roundTrip; ///< those images back in the map view
    /// A step of the refinement and its judgement.
    struct Judged {
        StepEnd p;
        StepEnd q;
        StepEnd mid;
        double deviation = 0.0;
    };
    std::vector<Judged> judged;
};

/// What the preparation reads of the service, and the two working fields it writes as it
/// reaches them (a failure keeps what was written before it).
struct NeatlineFrame {
    const std::shared_ptr<shapekit::PolygonGeometry> &neatline; ///< NeatlinePolygon
    const std::shared_ptr<coordkit::CoordSystemsMgr> &manager;  ///< CoordSystemsMgr
    const CoordSystemPtr &gridSystem;                           ///< GridCoordSystem
    std::int32_t intervalsType;                                 ///< GridIntervalsType
    /// The neatline's corners in the map view, as CreateNeatline left them.
    const Point &lowerLeftMapView;
    const Point &upperRightMapView;
    /// The corners as the host handed them in, their system and the space they are given in
    /// (NeatlineExtentsType); the label preparation starts from these.
    const PointPtr &lowerLeft;
    const PointPtr &upperRight;
    const CoordSystemPtr &neatlineSystem;
    std::int32_t extentsType;
    bool &crossed180;       ///< b180Crossed
    double &pointTolerance; ///< dPointTolerance
    /// The service's memo of the last preparation; null: none kept.
    FrameEdgeMemo *memo = nullptr;
};

/// Whether a rectangle from longitude x0 to longitude x1 (radians, west corner first) crosses the
/// 180° meridian: x0 >= 0 > x1, or both negative with x0 >= x1.
bool CrossesAntimeridian(double x0, double x1) noexcept;

/// The space the neatline corners are given in: geographic (4) for NeatlineExtentsType 1, the
/// projection plane (1) for every other value.
std::int32_t NeatlineInputSpace(std::int32_t extentsType) noexcept;

/// A neatline corner (x, y, z as given in the space of `extentsType`) converted into the storage
/// units of the neatline coordinate system. Raises 91 without a neatline system, or the system's
/// own failure.
Point NeatlineCornerInStorage(const CoordSystemPtr &neatlineSystem, std::int32_t extentsType,
                              const Point &corner);

// ---- preparation for grid lines and for ticks and crosses ---------------------------------

/// Copies NeatlinePolygon into w.workingNeatline and makes T from the map view to GridCoordSystem.
/// Raises 91 when the neatline, the manager or the grid system is missing.
void BeginNeatlinePreparation(const NeatlineFrame &f, GridNeatline &w, std::string &trace);

/// Transforms the working copy into the grid system's storage units, densifying its edges first
/// where the grid system bends them (FollowFrameEdges); sets b180Crossed (shifting
/// the vertices east of the 180° meridian by +360° when a geographic grid's frame straddles it),
/// gridSpace and dPointTolerance; converts every vertex from storage units to grid space; and takes the
/// range pMin, pMax. Needs BeginNeatlinePreparation first.
void CompleteNeatlinePreparation(const NeatlineFrame &f, GridNeatline &w, std::string &trace);

/// Both of the above.
void PrepareNeatline(const NeatlineFrame &f, GridNeatline &w, std::string &trace);

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
///   - sets gridSpace and dPointTolerance from GridIntervalsType, converts every vertex to grid space
///     with GridCoordSystem and takes pMin, pMax.
/// On return w.workingNeatline, w.gridSpace, w.pMin, w.pMax, w.service and w.T (= gridTransform) are set.
/// There are no finishing steps for labels: the label generator places each label itself and
/// leaves NeatlinePolygon alone.
void PrepareLabelNeatline(const NeatlineFrame &f, const LabelNeatlineSetup &setup, GridNeatline &w,
                          std::string &trace);

/// Inserts points along the edges of the working copy, which T has just taken from the map view
/// (`mapView`, the same vertices before the transformation) into the grid system's storage
/// units, until every edge's chord in the grid system, carried back into the map view, lies
/// within kFrameFollowFraction of the frame's size of the frame edge as drawn. An edge is split
/// at its map-view middle when the map-view image of its chord's middle is farther than that
/// from the drawn edge; at most 20 halvings per edge and kMaxNeatlinePoints points in all. The
/// closing edge of a ring whose last point is not its first is densified too, its points
/// appended at the end. Where `longitudes` says that x is a longitude in degrees, an edge or a
/// chord across the 180° meridian is taken the short way. Records w.hostVertices when it
/// inserted any point; a step whose middle cannot be transformed is left as it is.
/// With a memo, answers for the same inputs and transformation come from it, and it is
/// replaced by this refinement's.
void FollowFrameEdges(const std::vector<Point> &mapView, const EdgeLongitudes &longitudes, GridNeatline &w,
                      FrameEdgeMemo *memo = nullptr);

// ---- finishing -------------------------------------------------------------------------------

/// Finishing of the grid lines. `output` holds polylines in the grid system's storage units:
/// when b180Crossed, every coordinate beyond 180 is brought back by -360° (F1) and so is every
/// vertex of the working copy (F2); the copy returns to storage units (F3); output and copy are
/// transformed to the map view and NeatlinePolygon becomes a copy of the working copy (F4), of
/// its host vertices only when the preparation inserted points: NeatlinePolygon keeps the
/// vertices the host or CreateNeatline gave it.
void FinishGridlines(bool crossed180, const CoordSystemPtr &gridSystem, GridNeatline &w,
                     shapekit::GeometryCollection &output,
                     std::shared_ptr<shapekit::PolygonGeometry> &neatlinePolygon, std::string &trace);

/// Finishing of ticks and crosses, which are already in map-view coordinates. Only when the
/// frame straddles the 180° meridian and the map view's own storage is geographic (degrees) are
/// ticks and crosses brought back into -180…180: each two-point line whose mean x lies beyond
/// 180 moves by -360° as a whole, so that a mark on the meridian never spans the world. On every
/// other map view they stay where the transformation put them. `crosses` may be null (no
/// crosses made in this run). Then the working copy is finished as for grid lines, except that
/// only the copy is transformed to the map view before it replaces NeatlinePolygon (its host
/// vertices only, as for grid lines).
void FinishTicksCrosses(bool crossed180, const CoordSystemPtr &mapView, const CoordSystemPtr &gridSystem,
                        GridNeatline &w, shapekit::GeometryCollection &ticks,
                        shapekit::GeometryCollection *crosses,
                        std::shared_ptr<shapekit::PolygonGeometry> &neatlinePolygon, std::string &trace);

// ---- shared by the generators -----------------------------------------------------------

/// Whether the map view stores geographic coordinates (degrees), so that a map-view x is a
/// longitude. Raises 91 without a map-view system.
bool MapViewIsGeographic(const CoordSystemPtr &mapView);

/// A longitude in radians brought into -π…π by whole turns; other values pass through. Points
/// east of the 180° meridian carry longitudes beyond π after the preparation's shift.
double LongitudeWithinHalfTurn(double lon) noexcept;

} // namespace detail
} // namespace parallo

#endif
