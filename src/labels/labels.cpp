// Label generation: labels at the neatline corners, or where the grid lines of the interval
// cross the neatline on the chosen sides.
#include <cmath>
#include <cstdint>
#include <memory>
#include <string>

#include "geometry/geometry.h"
#include "grid/prepare.h"
#include "intervals/intervals.h"
#include "labels/one_label.h"
#include "labels/text.h"
#include "parallo/parallo.h"
#include "platform/numbers.h"
#include "service/state.h"

namespace parallo {

namespace {

using detail::CoordSystemPtr;
using detail::PointPtr;
using detail::ServiceState;
using shapekit::Point;

/// Intersection angles (degrees) between which a point is where a grid line leaves the frame
/// through its top or right edge ("high" side) or enters it through its bottom or left edge.
constexpr double kHighSideFrom = 45.0;
constexpr double kHighSideTo = 135.0;
constexpr double kLowSideFrom = 225.0;
constexpr double kLowSideTo = 315.0;

/// `cs` itself when its storage type is already `type`, otherwise a copy re-typed to it.
/// `storage` receives the storage type of the system returned, as read from it.
CoordSystemPtr WithStorageType(const CoordSystemPtr &cs, std::int32_t type, std::int32_t &storage) {
    const coordkit::CoordSystem &sys = platform::Deref(cs);
    storage = sys.BaseStorageType();
    if (storage == type) return cs;
    CoordSystemPtr copy = sys.CopyCoordSystem();
    coordkit::CoordSystem &retyped = platform::Deref(copy);
    retyped.SetBaseStorageType(type);
    storage = retyped.BaseStorageType();
    return copy;
}

/// The working values of one CreateLabels call.
struct LabelRun {
    ServiceState &s;
    std::string &trace;
    std::int32_t &RetVal;

    CoordSystemPtr labelSystem;      ///< the system whose values the labels show
    CoordSystemPtr comparisonSystem; ///< the system whose angles are compared with the map view
    std::string unitName;            ///< the unit of the grid (edges) or neatline (corners) system
    /// Whether that system stores projected coordinates, so that its unit is a linear one.
    bool systemProjected = false;
    detail::LabelNeatlineSetup setup;
    detail::GridNeatline w;
    detail::NeatlineVertexIndex vertices;
    IntersectionAnglesColl angles;
    std::shared_ptr<shapekit::PointsCollection> IntersectPoints =
        std::make_shared<shapekit::PointsCollection>();

    /// Unit code of the grid's linear unit, looked up at the first projected label.
    bool unitKnown = false;
    std::int32_t unitCode = coordkit::kMetreUnitCode;

    LabelRun(ServiceState &state, std::string &t, std::int32_t &r) : s(state), trace(t), RetVal(r) {}

    /// A projection-plane value (metres) in the grid's linear unit. Only the value shown is
    /// converted: positions and rotations stay in the metres of the projection plane.
    double InGridUnit(double metres) {
        if (!unitKnown) {
            unitCode = platform::Deref(s.UnitsOfMeasure).GetUnitCode(1, unitName);
            unitKnown = true;
        }
        if (unitCode == coordkit::kMetreUnitCode) return metres;
        return platform::Finite(
            platform::Deref(s.UnitsOfMeasure).ConvertValue(1, metres, coordkit::kMetreUnitCode, unitCode));
    }

    // ---- corner labels ----------------------------------------------------------------------

    /// Both labels of one corner: its X label on side xAxis, its Y label on side yAxis.
    void Corner(const PointPtr &inProjUnits, double mapX, double mapY, std::int32_t xAxis, std::int32_t yAxis,
                bool wantX, bool wantY, std::int32_t space) {
        const Point ptGrid = platform::Deref(inProjUnits);
        const Point ptCorner(mapX, mapY);
        Point raw(mapX, mapY, 0.0);
        platform::Deref(s.NeatlineCoordSystem).ConvertPoint(space, coordkit::kStorage, raw.x, raw.y, raw.z);
        const Point ptRaw(raw.x, raw.y, raw.z);
        shapekit::PointGeometry geometry(ptRaw);
        platform::Deref(setup.service)
            .TransformGeometry(geometry, platform::Deref(setup.neatlineTransform), 1);
        const Point ptMap = geometry.Position();

        // A projected corner is handed in in projection-plane metres; a neatline system in
        // feet shows it in feet, as its unit text says. Corner labels have always been made
        // without a units service: without one they show the metres as handed in.
        Point shown = ptGrid;
        if (s.LabelDisplayType != 1 && systemProjected && s.UnitsOfMeasure) {
            shown.x = InGridUnit(ptGrid.x);
            shown.y = InGridUnit(ptGrid.y);
        }

        trace = "Processing corner X label";
        if (wantX)
            detail::Create_OneLabel(s, labelSystem, ptGrid, ptRaw, ptMap, xAxis, s.LabelDisplayType,
                                    comparisonSystem, yAxis, &ptCorner, &shown);
        if (wantY)
            detail::Create_OneLabel(s, labelSystem, ptGrid, ptRaw, ptMap, yAxis, s.LabelDisplayType,
                                    comparisonSystem, xAxis, &ptCorner, &shown);
    }

    /// The labels of the four corners: lower left, upper left, upper right, lower right.
    void Corners() {
        trace = "Transforming neatline MBR points to storage units";
        const std::int32_t space =
            s.NeatlineExtentsType == 1 ? coordkit::kGeographic : coordkit::kProjectionPlane;
        const Point &ll = platform::Deref(s.NeatlineLowerLeft);
        const Point &ur = platform::Deref(s.NeatlineUpperRight);
        // Copies: the host's corner points may not change under the labels being made.
        const Point lowerLeft(ll.x, ll.y);
        const Point upperRight(ur.x, ur.y);
        Corner(s.NeatlineLowerLeftInProjUnits, lowerLeft.x, lowerLeft.y, pxgrdSouth, pxgrdWest,
               s.PlaceBottomSideGridElements, s.PlaceLeftSideGridElements, space);
        Corner(s.NeatlineUpperLeftInProjUnits, lowerLeft.x, upperRight.y, pxgrdNorth, pxgrdWest,
               s.PlaceTopSideGridElements, s.PlaceLeftSideGridElements, space);
        Corner(s.NeatlineUpperRightInProjUnits, upperRight.x, upperRight.y, pxgrdNorth, pxgrdEast,
               s.PlaceTopSideGridElements, s.PlaceRightSideGridElements, space);
        Corner(s.NeatlineLowerRightInProjUnits, upperRight.x, lowerLeft.y, pxgrdSouth, pxgrdEast,
               s.PlaceBottomSideGridElements, s.PlaceRightSideGridElements, space);
        trace = "Completed Corners";
    }

    // ---- edge labels ----------------------------------------------------------------------

    /// One edge label at intersection point (x, y) of the grid line `value`, in code-U space.
    void EdgeLabel(bool vertical, double value, const Point &at, std::int32_t axis) {
        // The point lies on its grid line: its coordinate across the line is the grid value.
        Point ptGrid(vertical ? value : at.x, vertical ? at.y : value, 0.0);

        Point shown = ptGrid;
        if (w.U == coordkit::kProjectionPlane && systemProjected) {
            shown.x = InGridUnit(ptGrid.x);
            shown.y = InGridUnit(ptGrid.y);
        } else if (s.b180Crossed) {
            // East of the 180° meridian the working neatline was shifted a turn east: the
            // meridian 190° is the meridian 170° west.
            shown.x = detail::LongitudeWithinHalfTurn(ptGrid.x);
        }

        Point raw = ptGrid;
        platform::Deref(s.GridCoordSystem).ConvertPoint(w.U, coordkit::kStorage, raw.x, raw.y, raw.z);
        const Point ptRaw = raw;
        shapekit::PointGeometry geometry(ptRaw);
        platform::Deref(setup.service).TransformGeometry(geometry, platform::Deref(setup.gridTransform), 1);
        const Point ptMap = geometry.Position();

        detail::Create_OneLabel(s, labelSystem, ptGrid, ptRaw, ptMap, axis, s.LabelDisplayType,
                                comparisonSystem, pxgrdNorth, nullptr, &shown);
    }

    /// Every grid line of one axis: vertical lines (bottom and top labels) in increasing x, or
    /// horizontal lines (left and right labels) in increasing y.
    void LinesOfAxis(bool vertical) {
        const detail::AxisLines lines(w, vertical);
        const Point &offset = platform::Deref(s.GridOffset);
        const Point &interval = platform::Deref(s.Interval);
        const double step = vertical ? interval.x : interval.y;
        const bool placeLow = vertical ? s.PlaceBottomSideGridElements : s.PlaceLeftSideGridElements;
        const bool placeHigh = vertical ? s.PlaceTopSideGridElements : s.PlaceRightSideGridElements;
        const std::int32_t lowAxis = vertical ? pxgrdSouth : pxgrdWest;
        const std::int32_t highAxis = vertical ? pxgrdNorth : pxgrdEast;

        const double start = detail::SetStartValue(s, lines.lo, vertical ? offset.x : offset.y, step);
        detail::RequireGridValuesWithinBudget(start, lines.hi, step, "Create_Labels");
        for (std::int32_t k = 0;; k = platform::Add32(k, 1)) {
            // Each value from the start, never by repeated addition, so that the labels stand on
            // exactly the values of the grid lines.
            const double value = start + static_cast<double>(k) * step;
            if (value > lines.hi) break;
            const Point &skip = platform::Deref(s.SkipInterval);
            if (detail::IsASkipInterval(s, value, vertical ? skip.x : skip.y)) continue;

            trace = "Going to GridlineNeatlineIntersections";
            detail::GridlineNeatlineIntersections(s, lines.Start(value), lines.End(value), w.Tfr_Polygon,
                                                  false, IntersectPoints, &angles, RetVal);
            trace = "Going to SortPointsByAxis";
            detail::RemoveDuplicatePointsByAngle(s, IntersectPoints.get(), &angles, vertical ? 1 : 0);
            // A point where the line only touches the neatline at a vertex neither enters nor
            // leaves it; left in, it would pair the wrong points, as for the grid lines.
            if (IntersectPoints)
                vertices.DropTouches(vertical, value, s.dPointTolerance, *IntersectPoints, &angles);

            // Sorted along the line, the points alternate entry (bottom or left) and exit (top or
            // right); an odd last point has no partner and no label.
            const std::int32_t n = angles.Count();
            const std::int32_t m = n / 2;
            for (std::int32_t j = 1; j <= m; ++j) {
                const double entry = angles.Item(2 * j - 1)->Angle();
                if (entry > kLowSideFrom && entry < kLowSideTo) {
                    trace = "Going to FormatLabel";
                    if (placeLow)
                        EdgeLabel(vertical, value, platform::Deref(IntersectPoints).Item(2 * j - 1), lowAxis);
                }
                const double exit = angles.Item(2 * j)->Angle();
                if (exit > kHighSideFrom && exit < kHighSideTo) {
                    trace = "Going to FormatLabel";
                    if (placeHigh)
                        EdgeLabel(vertical, value, platform::Deref(IntersectPoints).Item(2 * j), highAxis);
                }
            }
            if (IntersectPoints) IntersectPoints->Clear();
            while (angles.Count() > 0)
                angles.Remove(angles.Count());
        }
    }

    /// The line budget of the grid generators, estimated as they estimate it, holds for labels as
    /// well. Every grid line costs an intersection and up to two labels, each placed through
    /// several transformations: an interval far too small for the frame (a metre on a sheet of a
    /// thousand kilometres) would keep the call busy for minutes before its 16-bit label count
    /// ran out. Labels for lines that are never drawn help nobody, so beyond the budget the call
    /// fails here, through the handler, before it makes any label.
    void RequireLineBudget() {
        const Point &interval = platform::Deref(s.Interval);
        const double nX = std::nearbyint(platform::Div(platform::Sub(w.pMax.x, w.pMin.x), interval.x));
        const double n =
            std::nearbyint(platform::Add(nX, platform::Div(platform::Sub(w.pMax.y, w.pMin.y), interval.y)));
        if (n > static_cast<double>(detail::kGridLineBudget))
            RaiseOwn("More than 250 grid lines to label: the interval is too small for the frame",
                     "Create_Labels");
    }

    void Edges() {
        trace = "Transforming neatline geometry TO alternate CoordSystem";
        detail::PrepareLabelNeatline(s, setup, w, trace);
        vertices.Build(*w.Tfr_Polygon);
        // With an interval of 0 or less the grid values would never pass the frame's far edge.
        detail::RequirePositiveInterval(platform::Deref(s.Interval), "Create_Labels");
        RequireLineBudget();
        LinesOfAxis(true);
        LinesOfAxis(false);
    }
};

} // namespace

void ParalloCls::CreateLabels(std::int32_t &RetVal) noexcept {
    ServiceState &s = *d_;
    std::string trace = "In Create_Labels";
    try {
        LabelRun run(s, trace, RetVal);
        const bool corners = s.LabelType == PXltCorner;

        // The label system shows values of the neatline system (corners) or of the grid system
        // (edges), re-typed to the storage type the labels are displayed in.
        const CoordSystemPtr &S = corners ? s.NeatlineCoordSystem : s.GridCoordSystem;
        const std::int32_t ownStorage = platform::Deref(S).BaseStorageType();
        std::int32_t storage = ownStorage;
        run.labelSystem = WithStorageType(S, s.LabelDisplayType, storage);
        run.comparisonSystem = run.labelSystem;
        if (corners && storage != s.NeatlineExtentsType) {
            std::int32_t comparisonStorage = storage;
            run.comparisonSystem = WithStorageType(run.labelSystem, s.NeatlineExtentsType, comparisonStorage);
        }
        run.systemProjected = ownStorage != coordkit::kGeographicStorage;

        const coordkit::CoordSystemsMgr &mgr = platform::Deref(s.CoordSystemsMgr);
        if (!corners) {
            trace = "Setting up CreateSimpleTransFromCSMtoCS FROM the MapView coordsystem TO the Grid "
                    "coordsystem";
            run.setup.service = mgr.GetTransformService();
            run.setup.gridTransform =
                platform::Deref(run.setup.service).CreateSimpleTransFromCSMtoCS(mgr, s.GridCoordSystem);
            platform::Deref(run.setup.gridTransform);
        }

        const auto projection = platform::Deref(S).ProjectionSpace();
        const auto axis = platform::Deref(projection).AxisInfo();
        run.unitName = platform::Deref(axis).UnitName();
        s.UnitLabelText = run.unitName;
        detail::QuadrantStrings(s, run.labelSystem);

        trace = "Setting up CreateSimpleTransFromCSMtoCS FROM the MapView coordsystem TO the Neatline "
                "coordsystem";
        if (!run.setup.service) run.setup.service = mgr.GetTransformService();
        run.setup.neatlineTransform =
            platform::Deref(run.setup.service).CreateSimpleTransFromCSMtoCS(mgr, s.NeatlineCoordSystem);
        platform::Deref(run.setup.neatlineTransform);

        // A fresh collection. The label made last belongs to the previous one, which the host
        // may still hold: nothing of this call may write into it.
        s.LabelsCollection.reset();
        s.CurrentLabel.reset();
        s.LabelsCollection = std::make_shared<GridLabels>();

        if (corners)
            run.Corners();
        else
            run.Edges();
    } catch (...) {
        s.ReportError(detail::DescribeCurrentException(), trace, "Create_Labels Error");
    }
}

void ParalloCls::CreateLabels() noexcept {
    std::int32_t RetVal = 0;
    CreateLabels(RetVal);
}

} // namespace parallo
