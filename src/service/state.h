// The service's fields, behind ParalloCls. Every generation procedure works on one of these.
#ifndef PARALLO_SERVICE_STATE_H
#define PARALLO_SERVICE_STATE_H

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "grid/prepare.h"
#include "parallo/parallo.h"
#include "platform/reporter.h"

namespace parallo {
namespace detail {

using shapekit::Point;
using PointPtr = std::shared_ptr<shapekit::Point>;

/// The backing store of the service's properties and of the working fields that outlive one call.
/// It is the service's reporter as well.
struct ServiceState : Reporter {
    // ---- configuration (property backing fields) -----------------------------------------
    pxgrdLabelPosition LabelPosition = pxgrdLabelPosition_Outside;
    GridLabelPositionConstants LabelPositionRelativeToPoint = PXloAbove;
    PointPtr GridOffset;
    bool bForceStroking = false;
    bool bGeographicDDMMSS = false;
    std::shared_ptr<coordkit::CoordSystemsMgr> CoordSystemsMgr;
    std::shared_ptr<coordkit::UnitsOfMeasure> UnitsOfMeasure;
    std::shared_ptr<coordkit::CoordSystem> MapViewCoordSystem;
    std::shared_ptr<coordkit::CoordSystem> NeatlineCoordSystem;
    std::shared_ptr<coordkit::CoordSystem> GridCoordSystem;
    std::int32_t NeatlineExtentsType = 0;
    double NeatlineStrokeDistance = 0.0;
    std::int32_t GridIntervalsType = 0;
    double GridStrokeDistance = 0.0;
    double StrokeTolerance = 0.0;
    double PolarCapLatitude = 0.0;
    std::int16_t PolarCapMeridianSkip = 0;
    double BorderOffsetRight = 0.0;
    double BorderOffsetLeft = 0.0;
    double BorderOffsetBottom = 0.0;
    double BorderOffsetTop = 0.0;
    GridTypeConstants GridType = PXgtSimple;
    double TickLength = 0.0;
    double CrossLength = 0.0;
    PointPtr SkipInterval;
    PointPtr Interval;
    std::shared_ptr<shapekit::PolygonGeometry> NeatlinePolygon;
    std::shared_ptr<shapekit::PolygonGeometry> BorderPolygon;
    double Angle = 0.0;
    PointPtr NeatlineUpperRight;
    PointPtr NeatlineLowerLeft;
    PointPtr NeatlineLowerLeftInProjUnits;
    PointPtr NeatlineUpperRightInProjUnits;
    PointPtr NeatlineUpperLeftInProjUnits;
    PointPtr NeatlineLowerRightInProjUnits;
    std::shared_ptr<shapekit::GeometryCollection> GridGeometry;
    std::shared_ptr<shapekit::GeometryCollection> CrossGeometry;
    std::shared_ptr<GridLabels> LabelsCollection;
    std::shared_ptr<shapekit::GeometryCollection> FrameBarGeometry;
    std::vector<bool> FrameBarFills;
    std::shared_ptr<shapekit::GeometryCollection> FrameTickGeometry;
    std::shared_ptr<shapekit::GeometryCollection> MinorTickGeometry;
    GridLabelTypeConstants LabelType = PXltEdge;
    std::int32_t LabelDisplayType = 0;
    std::int32_t LabelColor = 0;
    double LabelOffset = 0.0;
    double VerticalLabelOffset = 0.0;
    GridLabelOrientationConstants LabelOrientation = PXloParallelPerpendicular;
    std::int16_t MagnitudeAB = 0;
    std::int16_t MagnitudeBC = 0;
    std::int16_t DecimalPlaces = 0;
    bool PlaceLeftSideGridElements = false;
    bool PlaceTopSideGridElements = false;
    bool PlaceRightSideGridElements = false;
    bool PlaceBottomSideGridElements = false;
    std::shared_ptr<LabelPartCls> LabelPartA;
    std::shared_ptr<LabelPartCls> LabelPartB;
    std::shared_ptr<LabelPartCls> LabelPartC;
    std::shared_ptr<LabelPartCls> LabelPartD;
    std::shared_ptr<LabelPartCls> LabelPartUnit;
    std::shared_ptr<LabelPartCls> LabelPartHemisphere;
    bool bHemisphereAsSuffix = false;
    std::string EastingHemisphereLabel;
    std::string NorthingHemisphereLabel;
    std::string WestingHemisphereLabel;
    std::string SouthingHemisphereLabel;
    // Frame styles (src/frame): bars and ticks on the frame itself.
    double FrameBarWidth = 0.0;
    PointPtr FrameBarSubInterval;
    bool bFrameBarCorners = false;
    bool bTicksOutward = false;
    PointPtr MinorTickInterval;
    double MinorTickLength = 0.0;
    bool bMinorTicksOutward = false;

    // ---- private working fields ------------------------------------------------------------
    Point NeatlineLowerLeftMapView;
    Point NeatlineUpperRightMapView;
    /// Bounding box of the neatline in map-view coordinates: min x, min y, max x, max y.
    std::array<double, 4> NeatlineRangeMapView{{0.0, 0.0, 0.0, 0.0}};
    std::int16_t NeatlineStartTop = 0;
    std::int16_t NeatlineStartRight = 0;
    std::int16_t NeatlineStartBottom = 0;
    double dPointTolerance = 0.0;
    bool b180Crossed = false;
    std::string XPositiveHemisphereLabel;
    std::string XNegativeHemisphereLabel;
    std::string YPositiveHemisphereLabel;
    std::string YNegativeHemisphereLabel;
    std::string UnitLabelText;
    /// The last preparation of the working neatline, for the next generator of the same map.
    FrameEdgeMemo FrameEdges;
};

/// Reaches the state behind a service object (library code and tests only).
struct StateAccess {
    static ServiceState &Of(ParalloCls &service) { return *service.d_; }
    static const ServiceState &Of(const ParalloCls &service) { return *service.d_; }
};

} // namespace detail
} // namespace parallo

#endif
