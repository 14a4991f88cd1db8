// The grid generation methods: each reads the service's fields it needs into the working values
// of its call, hands the procedures only those, and writes the results back to the properties
// as it reaches them, so that a failure keeps whatever was written before it.
#include <cstdint>
#include <memory>
#include <string>

#include "grid/gridlines.h"
#include "grid/polar.h"
#include "grid/prepare.h"
#include "grid/sweep.h"
#include "grid/ticks.h"
#include "intervals/intervals.h"
#include "labels/labels.h"
#include "labels/text.h"
#include "parallo/parallo.h"
#include "platform/angles.h"
#include "platform/numbers.h"
#include "service/state.h"
#include "service/stroking.h"

namespace parallo {

namespace {

using detail::ServiceState;
using shapekit::Point;

/// What the preparation of the working neatline reads of the service, and the fields it writes.
detail::NeatlineFrame FrameOf(ServiceState &s) {
    return detail::NeatlineFrame{s.NeatlinePolygon,
                                 s.CoordSystemsMgr,
                                 s.GridCoordSystem,
                                 s.GridIntervalsType,
                                 s.NeatlineLowerLeftMapView,
                                 s.NeatlineUpperRightMapView,
                                 s.NeatlineLowerLeft,
                                 s.NeatlineUpperRight,
                                 s.NeatlineCoordSystem,
                                 s.NeatlineExtentsType,
                                 s.b180Crossed,
                                 s.dPointTolerance,
                                 &s.FrameEdges};
}

detail::GridSides SidesOf(const ServiceState &s) {
    return detail::GridSides{s.PlaceLeftSideGridElements, s.PlaceTopSideGridElements,
                             s.PlaceRightSideGridElements, s.PlaceBottomSideGridElements};
}

detail::LabelStyle StyleOf(const ServiceState &s) {
    detail::LabelStyle style;
    style.type = s.LabelType;
    style.displayType = s.LabelDisplayType;
    style.position = s.LabelPosition;
    style.relativeToPoint = s.LabelPositionRelativeToPoint;
    style.orientation = s.LabelOrientation;
    style.offset = s.LabelOffset;
    style.verticalOffset = s.VerticalLabelOffset;
    style.magnitudeAB = s.MagnitudeAB;
    style.magnitudeBC = s.MagnitudeBC;
    style.decimalPlaces = s.DecimalPlaces;
    style.geographicDDMMSS = s.bGeographicDDMMSS;
    style.hemisphereAsSuffix = s.bHemisphereAsSuffix;
    style.partA = s.LabelPartA;
    style.partB = s.LabelPartB;
    style.partC = s.LabelPartC;
    style.partD = s.LabelPartD;
    style.partUnit = s.LabelPartUnit;
    style.partHemisphere = s.LabelPartHemisphere;
    return style;
}

/// The polar cap must be a latitude short of the pole, its skip a count.
void RequirePolarCap(double latitude, std::int16_t skip) {
    if (latitude != 0.0 && !(latitude > 0.0 && latitude < platform::kPi / 2.0))
        RaiseOwn("PolarCapLatitude must lie between 0 and 90 degrees (0 for no cap)", "Create_Gridlines");
    if (skip < 0) RaiseOwn("PolarCapMeridianSkip cannot be negative (0 for none)", "Create_Gridlines");
}

} // namespace

void ParalloCls::CreateGridlines(std::int32_t &RetVal) noexcept {
    ServiceState &s = *d_;
    std::string trace = "In Create_Gridlines";
    try {
        detail::GridNeatline w;
        detail::PrepareNeatline(FrameOf(s), w, trace);

        double stroke = s.GridStrokeDistance;
        s.GridStrokeDistance = detail::Validate_StrokeDistance(s, stroke, w.pMin, w.pMax);

        // The line budget, estimated from the extent; beyond it nothing is drawn at all.
        detail::GridlineInputs in;
        in.interval = platform::Deref(s.Interval);
        if (detail::EstimatedGridLines(w, in.interval) > static_cast<double>(detail::kGridLineBudget)) return;
        detail::RequirePositiveInterval(in.interval, "Create_Gridlines");

        in.gridSystem = s.GridCoordSystem;
        in.intervalsType = s.GridIntervalsType;
        in.gridOffset = s.GridOffset;
        in.skipInterval = s.SkipInterval;
        in.strokeDistance = s.GridStrokeDistance;
        in.pointTolerance = s.dPointTolerance;
        in.strokeTolerance = s.StrokeTolerance;
        in.mapViewLongitudes = in.strokeTolerance > 0.0 && s.MapViewCoordSystem &&
                               detail::MapViewIsGeographic(s.MapViewCoordSystem);
        RequirePolarCap(s.PolarCapLatitude, s.PolarCapMeridianSkip);
        in.polarCap = {s.PolarCapLatitude, s.PolarCapMeridianSkip};
        const detail::GridlineResult made = detail::MakeGridlines(s, in, w, trace, RetVal);
        s.bForceStroking = made.lineMoved;
        s.GridGeometry = made.geometry;

        detail::FinishGridlines(s.b180Crossed, s.GridCoordSystem, w, platform::Deref(s.GridGeometry),
                                s.NeatlinePolygon, trace);
        detail::CloseRings(platform::Deref(s.GridGeometry), made.closedRings);
    } catch (...) {
        s.ReportError(detail::DescribeCurrentException(), trace, "Create_Gridlines Error");
    }
}

void ParalloCls::CreateTicksCrosses(std::int32_t &RetVal) noexcept {
    ServiceState &s = *d_;
    std::string trace = "In CreateTicksCrosses";
    try {
        detail::GridNeatline w;
        detail::TickInputs in;
        const detail::NeatlineFrame frame = FrameOf(s);
        detail::BeginNeatlinePreparation(frame, w, trace);
        // GetAzimuths reads the grid points in the storage type the intervals are given in.
        const coordkit::CoordSystem &grid = platform::Deref(s.GridCoordSystem);
        if (grid.BaseStorageType() == s.GridIntervalsType) {
            in.workingGrid = s.GridCoordSystem;
        } else {
            in.workingGrid = grid.CopyCoordSystem();
            platform::Deref(in.workingGrid).SetBaseStorageType(s.GridIntervalsType);
        }
        detail::CompleteNeatlinePreparation(frame, w, trace);

        // The line-count guard: beyond the budget the call changes nothing and reports nothing.
        in.interval = platform::Deref(s.Interval);
        if (detail::EstimatedGridLines(w, in.interval) > static_cast<double>(detail::kGridLineBudget)) return;
        detail::RequirePositiveInterval(in.interval, "CreateTicksCrosses");

        in.drawTicks = s.GridType == PXgtTicks || s.GridType == PXgtTicksAndCrosses;
        in.makeCrosses = s.GridType == PXgtCrosses || s.GridType == PXgtTicksAndCrosses;
        in.continuousLongitudes = s.b180Crossed && detail::MapViewIsGeographic(s.MapViewCoordSystem);
        in.tickLength = s.TickLength;
        in.crossLength = s.CrossLength;
        in.gridOffset = s.GridOffset;
        in.skipInterval = s.SkipInterval;
        in.place = SidesOf(s);
        in.intervalsType = s.GridIntervalsType;
        in.pointTolerance = s.dPointTolerance;
        in.gridSystem = s.GridCoordSystem;
        in.mapView = s.MapViewCoordSystem;
        if (s.NeatlinePolygon) in.mapRing = detail::FrameOutline(s.NeatlinePolygon->Points().Vector());
        in.mapViewGeographic =
            s.MapViewCoordSystem && s.MapViewCoordSystem->BaseStorageType() == coordkit::kGeographicStorage;
        in.geographicExtents = s.NeatlineExtentsType == 1;
        in.polarCap = {s.PolarCapLatitude, s.PolarCapMeridianSkip};
        const detail::TickMarks marks = detail::MakeTicksCrosses(s, in, w, trace, RetVal);
        if (in.makeCrosses) s.CrossGeometry = marks.crosses;
        s.GridGeometry = marks.ticks;

        detail::FinishTicksCrosses(
            s.b180Crossed, s.MapViewCoordSystem, s.GridCoordSystem, w, platform::Deref(s.GridGeometry),
            in.makeCrosses ? s.CrossGeometry.get() : nullptr, s.NeatlinePolygon, trace);
    } catch (...) {
        s.ReportError(detail::DescribeCurrentException(), trace, "CreateTicksCrosses Error");
    }
}

void ParalloCls::CreateLabels(std::int32_t &RetVal) noexcept {
    ServiceState &s = *d_;
    std::string trace = "In Create_Labels";
    try {
        detail::LabelInputs in;
        const bool corners = s.LabelType == PXltCorner;
        const detail::CoordSystemPtr &S = corners ? s.NeatlineCoordSystem : s.GridCoordSystem;
        detail::ChooseLabelSystems(corners, S, s.LabelDisplayType, s.NeatlineExtentsType, in);

        const coordkit::CoordSystemsMgr &mgr = platform::Deref(s.CoordSystemsMgr);
        if (!corners) {
            trace = "Setting up CreateSimpleTransFromCSMtoCS FROM the MapView coordsystem TO the Grid "
                    "coordsystem";
            in.setup.service = mgr.GetTransformService();
            in.setup.gridTransform =
                platform::Deref(in.setup.service).CreateSimpleTransFromCSMtoCS(mgr, s.GridCoordSystem);
            platform::Deref(in.setup.gridTransform);
        }

        const auto projection = platform::Deref(S).ProjectionSpace();
        const auto axis = platform::Deref(projection).AxisInfo();
        in.unitName = platform::Deref(axis).UnitName();
        s.UnitLabelText = in.unitName;
        // The hemisphere texts outlive the call: a quadrant the tables do not know keeps those of
        // the call before.
        detail::HemisphereTexts hemispheres{s.XPositiveHemisphereLabel, s.XNegativeHemisphereLabel,
                                            s.YPositiveHemisphereLabel, s.YNegativeHemisphereLabel};
        detail::QuadrantStrings(s, s.LabelDisplayType,
                                {s.EastingHemisphereLabel, s.WestingHemisphereLabel,
                                 s.NorthingHemisphereLabel, s.SouthingHemisphereLabel},
                                in.labelSystem, hemispheres);
        s.XPositiveHemisphereLabel = hemispheres.xPositive;
        s.XNegativeHemisphereLabel = hemispheres.xNegative;
        s.YPositiveHemisphereLabel = hemispheres.yPositive;
        s.YNegativeHemisphereLabel = hemispheres.yNegative;

        trace = "Setting up CreateSimpleTransFromCSMtoCS FROM the MapView coordsystem TO the Neatline "
                "coordsystem";
        if (!in.setup.service) in.setup.service = mgr.GetTransformService();
        in.setup.neatlineTransform =
            platform::Deref(in.setup.service).CreateSimpleTransFromCSMtoCS(mgr, s.NeatlineCoordSystem);
        platform::Deref(in.setup.neatlineTransform);

        // A fresh collection. The label made last belongs to the previous one, which the host
        // may still hold: nothing of this call may write into it.
        s.LabelsCollection.reset();
        s.LabelsCollection = std::make_shared<GridLabels>();

        detail::LabelStyle style = StyleOf(s);
        style.unitText = s.UnitLabelText;
        style.hemispheres = hemispheres;
        in.units = s.UnitsOfMeasure;
        in.neatlineSystem = s.NeatlineCoordSystem;
        in.gridSystem = s.GridCoordSystem;
        in.extentsType = s.NeatlineExtentsType;
        in.intervalsType = s.GridIntervalsType;
        in.lowerLeft = s.NeatlineLowerLeft;
        in.upperRight = s.NeatlineUpperRight;
        in.lowerLeftInProjUnits = s.NeatlineLowerLeftInProjUnits;
        in.upperLeftInProjUnits = s.NeatlineUpperLeftInProjUnits;
        in.upperRightInProjUnits = s.NeatlineUpperRightInProjUnits;
        in.lowerRightInProjUnits = s.NeatlineLowerRightInProjUnits;
        in.place = SidesOf(s);
        in.interval = s.Interval;
        in.gridOffset = s.GridOffset;
        in.skipInterval = s.SkipInterval;
        if (s.NeatlinePolygon) in.mapRing = detail::FrameOutline(s.NeatlinePolygon->Points().Vector());
        in.mapViewGeographic =
            s.MapViewCoordSystem && s.MapViewCoordSystem->BaseStorageType() == coordkit::kGeographicStorage;
        in.polarCap = {s.PolarCapLatitude, s.PolarCapMeridianSkip};
        const auto placement = [&] {
            return detail::LabelPlacement{s,
                                          style,
                                          *s.LabelsCollection,
                                          {s, s.MapViewCoordSystem, s.GridIntervalsType},
                                          s.NeatlineExtentsType,
                                          s.b180Crossed};
        };

        if (corners) {
            detail::CornerLabels(placement(), in, trace);
        } else {
            trace = "Transforming neatline geometry TO alternate CoordSystem";
            detail::GridNeatline w;
            detail::PrepareLabelNeatline(FrameOf(s), in.setup, w, trace);
            detail::EdgeLabels(placement(), in, w, s.dPointTolerance, trace, RetVal);
        }
    } catch (...) {
        s.ReportError(detail::DescribeCurrentException(), trace, "Create_Labels Error");
    }
}

void ParalloCls::CreateLabels() noexcept {
    std::int32_t RetVal = 0;
    CreateLabels(RetVal);
}

void ParalloCls::CalcGridInterval(std::int16_t &iDecPlaces, double &dInterval) noexcept {
    // iDecPlaces is handed back as the caller passed it.
    static_cast<void>(iDecPlaces);
    const ServiceState &s = *d_;
    detail::CalcGridInterval(s,
                             {s.NeatlineLowerLeft, s.NeatlineUpperRight, s.CoordSystemsMgr,
                              s.NeatlineCoordSystem, s.GridCoordSystem, s.NeatlineExtentsType,
                              s.GridIntervalsType},
                             dInterval);
}

} // namespace parallo
