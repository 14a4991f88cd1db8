// Label generation: labels at the neatline corners, or where the grid lines of the interval
// cross the neatline on the chosen sides.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "labels/labels.h"

#include "grid/polar.h"
#include "grid/sweep.h"
#include "platform/numbers.h"

namespace parallo {
namespace detail {

namespace {

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

/// Intersection angles (degrees) between which a point is where a grid line leaves the frame
/// through its top or right edge ("high" side) or enters it through its bottom or left edge.
constexpr double kHighSideFrom = 45.0;
constexpr double kHighSideTo = 135.0;
constexpr double kLowSideFrom = 225.0;
constexpr double kLowSideTo = 315.0;

/// Two labels of one line closer than this fraction of the frame's size stand at one crossing.
constexpr double kSideFraction = 1e-6;

/// The labels' walk: a line along any edge of the frame is labelled like any other, and at a
/// vertex the angle that faces into the frame decides the side.
constexpr SweepRules kLabelSweep{"Create_Labels",
                                 SweepEdges::Included,
                                 /*duplicatesByAngle=*/true,
                                 /*traceStart=*/false,
                                 /*traceSkip=*/false,
                                 /*traceSortOnVerticals=*/true};

/// The labels of one CreateLabels call.
class LabelRun final : public SweepVisitor {
public:
    LabelRun(const LabelPlacement &placement, const LabelInputs &in, std::string &t)
        : p_(placement), in_(in), trace(t) {}

    /// The labels of the four corners: lower left, upper left, upper right, lower right.
    void Corners() {
        trace = "Transforming neatline MBR points to storage units";
        const std::int32_t space = NeatlineInputSpace(in_.extentsType);
        const Point &ll = platform::Deref(in_.lowerLeft);
        const Point &ur = platform::Deref(in_.upperRight);
        // Copies: the host's corner points may not change under the labels being made.
        const Point lowerLeft(ll.x, ll.y);
        const Point upperRight(ur.x, ur.y);
        const GridSides &place = in_.place;
        Corner(in_.lowerLeftInProjUnits, lowerLeft.x, lowerLeft.y, pxgrdSouth, pxgrdWest, place.bottom,
               place.left, space);
        Corner(in_.upperLeftInProjUnits, lowerLeft.x, upperRight.y, pxgrdNorth, pxgrdWest, place.top,
               place.left, space);
        Corner(in_.upperRightInProjUnits, upperRight.x, upperRight.y, pxgrdNorth, pxgrdEast, place.top,
               place.right, space);
        Corner(in_.lowerRightInProjUnits, upperRight.x, lowerLeft.y, pxgrdSouth, pxgrdEast, place.bottom,
               place.right, space);
        trace = "Completed Corners";
    }

    /// The labels where the grid lines of both axes cross the prepared working neatline.
    void Edges(GridNeatline &w, double pointTolerance, std::int32_t &RetVal) {
        // With an interval of 0 or less the grid values would never pass the frame's far edge.
        RequirePositiveInterval(platform::Deref(in_.interval), "Create_Labels");
        RequireLineBudget(w);
        w_ = &w;
        turned_ = GridTurned(w, in_.mapRing, in_.mapViewGeographic, in_.extentsType == 1);
        sideTolerance_ = kSideFraction * RingSize(in_.mapRing);
        const IntersectionGrid grid{p_.reporter, in_.gridSystem, in_.intervalsType, pointTolerance};
        GridSweep sweep(w, grid, kLabelSweep, trace, RetVal);
        const Point &interval = platform::Deref(in_.interval);
        sweep.Axis(true, interval.x, in_.gridOffset, in_.skipInterval, *this);
        sweep.Axis(false, interval.y, in_.gridOffset, in_.skipInterval, *this);
    }

private:
    const LabelPlacement &p_;
    const LabelInputs &in_;
    std::string &trace;
    const GridNeatline *w_ = nullptr;
    /// GridTurned: labels stand on the side of the frame their line meets in the map view.
    bool turned_ = false;
    double sideTolerance_ = 0.0;

    /// Unit code of the grid's linear unit, looked up at the first projected label.
    bool unitKnown = false;
    std::int32_t unitCode = coordkit::kMetreUnitCode;

    /// A projection-plane value (metres) in the grid's linear unit. Only the value shown is
    /// converted: positions and rotations stay in the metres of the projection plane.
    double InGridUnit(double metres) {
        if (!unitKnown) {
            unitCode = platform::Deref(in_.units).GetUnitCode(1, in_.unitName);
            unitKnown = true;
        }
        if (unitCode == coordkit::kMetreUnitCode) return metres;
        return platform::Finite(
            platform::Deref(in_.units).ConvertValue(1, metres, coordkit::kMetreUnitCode, unitCode));
    }

    // ---- corner labels ----------------------------------------------------------------------

    /// Both labels of one corner: its X label on side xAxis, its Y label on side yAxis.
    void Corner(const PointPtr &inProjUnits, double mapX, double mapY, std::int32_t xAxis, std::int32_t yAxis,
                bool wantX, bool wantY, std::int32_t space) {
        const Point ptGrid = platform::Deref(inProjUnits);
        const Point ptCorner(mapX, mapY);
        Point raw(mapX, mapY, 0.0);
        platform::Deref(in_.neatlineSystem).ConvertPoint(space, coordkit::kStorage, raw.x, raw.y, raw.z);
        const Point ptRaw(raw.x, raw.y, raw.z);
        shapekit::PointGeometry geometry(ptRaw);
        platform::Deref(in_.setup.service)
            .TransformGeometry(geometry, platform::Deref(in_.setup.neatlineTransform), 1);
        const Point ptMap = geometry.Position();

        // A projected corner is handed in in projection-plane metres; a neatline system in
        // feet shows it in feet, as its unit text says. Corner labels have always been made
        // without a units service: without one they show the metres as handed in.
        Point shown = ptGrid;
        if (p_.style.displayType != 1 && in_.systemProjected && in_.units) {
            shown.x = InGridUnit(ptGrid.x);
            shown.y = InGridUnit(ptGrid.y);
        }

        trace = "Processing corner X label";
        if (wantX)
            Create_OneLabel(p_, in_.labelSystem, ptGrid, ptRaw, ptMap, xAxis, p_.style.displayType,
                            in_.comparisonSystem, yAxis, &ptCorner, &shown);
        if (wantY)
            Create_OneLabel(p_, in_.labelSystem, ptGrid, ptRaw, ptMap, yAxis, p_.style.displayType,
                            in_.comparisonSystem, xAxis, &ptCorner, &shown);
    }

    // ---- edge labels ----------------------------------------------------------------------

    /// One edge label at intersection point (x, y) of the grid line `value`, in grid space.
    /// With `bySide` the label goes to the side of the frame the point lies on in the map view
    /// (when that side is placed), showing the line's own value whatever the side.
    void EdgeLabel(bool vertical, double value, const Point &at, std::int32_t axis, bool bySide = false) {
        // The point lies on its grid line: its coordinate across the line is the grid value.
        Point ptGrid(vertical ? value : at.x, vertical ? at.y : value, 0.0);

        Point shown = ptGrid;
        if (w_->gridSpace == coordkit::kProjectionPlane && in_.systemProjected) {
            shown.x = InGridUnit(ptGrid.x);
            shown.y = InGridUnit(ptGrid.y);
        } else if (p_.crossed180) {
            // East of the 180° meridian the working neatline was shifted a turn east: the
            // meridian 190° is the meridian 170° west.
            shown.x = LongitudeWithinHalfTurn(ptGrid.x);
        }

        Point raw = ptGrid;
        platform::Deref(in_.gridSystem).ConvertPoint(w_->gridSpace, coordkit::kStorage, raw.x, raw.y, raw.z);
        const Point ptRaw = raw;
        shapekit::PointGeometry geometry(ptRaw);
        platform::Deref(in_.setup.service)
            .TransformGeometry(geometry, platform::Deref(in_.setup.gridTransform), 1);
        const Point ptMap = geometry.Position();

        std::int32_t valueAxis = -1;
        if (bySide) {
            valueAxis = vertical ? pxgrdNorth : pxgrdEast;
            axis = FrameSide(in_.mapRing, ptMap);
            if (!Placed(axis) || Repeated(vertical, value, ptMap)) return;
        }
        Create_OneLabel(p_, in_.labelSystem, ptGrid, ptRaw, ptMap, axis, p_.style.displayType,
                        in_.comparisonSystem, pxgrdNorth, nullptr, &shown, valueAxis);
    }

    /// Whether side `axis` is one the labels are placed on.
    bool Placed(std::int32_t axis) const {
        switch (axis) {
        case pxgrdNorth:
            return in_.place.top;
        case pxgrdSouth:
            return in_.place.bottom;
        case pxgrdWest:
            return in_.place.left;
        case pxgrdEast:
            return in_.place.right;
        default:
            return false;
        }
    }

    /// The crossings of the current line labelled by side so far: a line met twice at one point
    /// of the frame (at a vertex, or where the seam around a pole meets it) is labelled once.
    struct Placed_ {
        bool vertical;
        double value;
        Point at;
    };
    std::vector<Placed_> bySide_;
    bool Repeated(bool vertical, double value, const Point &ptMap) {
        for (const Placed_ &q : bySide_)
            if (q.vertical == vertical && q.value == value && std::fabs(q.at.x - ptMap.x) <= sideTolerance_ &&
                std::fabs(q.at.y - ptMap.y) <= sideTolerance_)
                return true;
        bySide_.push_back({vertical, value, ptMap});
        return false;
    }

    /// Labels of a turned frame: at both ends of every piece that lie on the frame, on the side
    /// they lie on.
    void LineBySide(const SweepLine &line) {
        const bool vertical = line.lines.vertical;
        const std::int32_t n = 2 * line.Pieces();
        bySide_.clear();
        for (std::int32_t k = 1; k <= n; ++k) {
            const Point &at = line.points.Item(k);
            if (!OnFrame(line.frame, vertical, at, kSeamTolerance)) continue;
            // A meridian stopped at the polar cap before it reached the frame has no label there.
            if (vertical && line.frame.pole != 0 &&
                in_.polarCap.Stops(line.value, platform::Deref(in_.interval).x) &&
                std::fabs(at.y) >= in_.polarCap.latitude)
                continue;
            trace = "Going to FormatLabel";
            EdgeLabel(vertical, line.value, at, pxgrdNorth, true);
        }
    }

    /// The labels of one grid line: at the bottom and top ends of a vertical line's pieces, or
    /// at the left and right ends of a horizontal line's.
    void Line(const SweepLine &line) override {
        if (turned_) {
            LineBySide(line);
            return;
        }
        const bool vertical = line.lines.vertical;
        const bool placeLow = vertical ? in_.place.bottom : in_.place.left;
        const bool placeHigh = vertical ? in_.place.top : in_.place.right;
        const std::int32_t lowAxis = vertical ? pxgrdSouth : pxgrdWest;
        const std::int32_t highAxis = vertical ? pxgrdNorth : pxgrdEast;
        // Sorted along the line, the points alternate entry (bottom or left) and exit (top or
        // right); an odd last point has no partner and no label.
        const std::int32_t m = line.angles.Count() / 2;
        for (std::int32_t j = 1; j <= m; ++j) {
            const double entry = line.angles.Item(2 * j - 1)->Angle();
            if (entry > kLowSideFrom && entry < kLowSideTo) {
                trace = "Going to FormatLabel";
                if (placeLow) EdgeLabel(vertical, line.value, line.points.Item(2 * j - 1), lowAxis);
            }
            const double exit = line.angles.Item(2 * j)->Angle();
            if (exit > kHighSideFrom && exit < kHighSideTo) {
                trace = "Going to FormatLabel";
                if (placeHigh) EdgeLabel(vertical, line.value, line.points.Item(2 * j), highAxis);
            }
        }
    }

    /// The line budget of the grid generators, estimated as they estimate it, holds for labels as
    /// well. Every grid line costs an intersection and up to two labels, each placed through
    /// several transformations: an interval far too small for the frame (a metre on a sheet of a
    /// thousand kilometres) would keep the call busy for minutes before its 16-bit label count
    /// ran out. Labels for lines that are never drawn help nobody, so beyond the budget the call
    /// fails here, through the handler, before it makes any label.
    void RequireLineBudget(const GridNeatline &w) {
        if (EstimatedGridLines(w, platform::Deref(in_.interval)) > static_cast<double>(kGridLineBudget))
            RaiseOwn("More than 250 grid lines to label: the interval is too small for the frame",
                     "Create_Labels");
    }
};

} // namespace

void ChooseLabelSystems(bool corners, const CoordSystemPtr &system, std::int32_t displayType,
                        std::int32_t extentsType, LabelInputs &in) {
    const std::int32_t ownStorage = platform::Deref(system).BaseStorageType();
    std::int32_t storage = ownStorage;
    in.labelSystem = WithStorageType(system, displayType, storage);
    in.comparisonSystem = in.labelSystem;
    if (corners && storage != extentsType) {
        std::int32_t comparisonStorage = storage;
        in.comparisonSystem = WithStorageType(in.labelSystem, extentsType, comparisonStorage);
    }
    in.systemProjected = ownStorage != coordkit::kGeographicStorage;
}

void CornerLabels(const LabelPlacement &placement, const LabelInputs &in, std::string &trace) {
    LabelRun(placement, in, trace).Corners();
}

void EdgeLabels(const LabelPlacement &placement, const LabelInputs &in, GridNeatline &w,
                double pointTolerance, std::string &trace, std::int32_t &RetVal) {
    LabelRun(placement, in, trace).Edges(w, pointTolerance, RetVal);
}

} // namespace detail
} // namespace parallo
