// The standard map frames on real PROJ systems.
#include "support/frames.h"

#include <memory>
#include <string>
#include <utility>

#include "parallo/coordkit_proj.h"
#include "platform/angles.h"

namespace parallo_test {

using shapekit::Point;

double Radians(double degrees) { return parallo::platform::DegreesToRadians(degrees); }

// Fields in order: name; map view, neatline and grid systems; geographic corners; west, south,
// east, north; neatline stroke; geographic grid; intervals x, y; grid stroke; tick, cross length.
// clang-format off
FrameLayout UtmSheetOnLaea() {
    return {"utm-sheet-on-laea", "EPSG:3035", "EPSG:32632", "EPSG:32632", false,
            480000.0, 5320000.0, 520000.0, 5360000.0, 1000.0, false, 1000.0, 1000.0, 250.0, 400.0, 300.0};
}

FrameLayout UtmSheetOnWebMercator() {
    FrameLayout f = UtmSheetOnLaea();
    f.name = "utm-sheet-on-web-mercator";
    f.mapView = "EPSG:3857";
    f.tickLength = 600.0; // Web Mercator stretches lengths by about 1/cos(48°)
    f.crossLength = 450.0;
    return f;
}

FrameLayout UtmSheetOnUtm33() {
    FrameLayout f = UtmSheetOnLaea();
    f.name = "utm-sheet-on-utm33";
    f.mapView = "EPSG:32633";
    return f;
}

FrameLayout GraticuleOnWebMercator() {
    return {"graticule-on-web-mercator", "EPSG:3857", "EPSG:4326", "EPSG:4326", true,
            5.0, 45.0, 15.0, 55.0, 0.25, true, 1.0, 1.0, 0.1, 20000.0, 15000.0};
}

FrameLayout PacificOnProjected() {
    return {"pacific-on-pdc-mercator", "EPSG:3832", "EPSG:4326", "EPSG:4326", true,
            170.0, -20.0, -170.0, -10.0, 0.5, true, 1.0, 1.0, 0.1, 20000.0, 15000.0};
}
// clang-format on

FrameLayout PacificOnGeographic() {
    FrameLayout f = PacificOnProjected();
    f.name = "pacific-on-geographic";
    f.mapView = "EPSG:4326";
    f.tickLength = 0.2;
    f.crossLength = 0.15;
    return f;
}

std::unique_ptr<Frame> MakeFrame(const FrameLayout &layout) {
    auto frame = std::make_unique<Frame>();
    SetUpFrame(*frame, layout);
    frame->service.CreateNeatline();
    return frame;
}

void SetUpFrame(Frame &frame, const FrameLayout &layout) {
    frame.layout = layout;
    Frame *raw = &frame;
    parallo::ParalloCls &s = frame.service;
    s.SetErrorObserver(
        [raw](const std::string &description, const std::string &trace, const std::string &title) {
            raw->reports.push_back(title + " | " + trace + " | " + description);
        });

    frame.mapView = coordkit::CreateProjCoordSystem(layout.mapView);
    frame.neatlineSystem = coordkit::CreateProjCoordSystem(layout.neatlineSystem);
    frame.gridSystem = coordkit::CreateProjCoordSystem(layout.gridSystem);
    s.SetCoordSystemsMgr(coordkit::CreateProjCoordSystemsMgr(frame.mapView));
    s.SetMapViewCoordSystem(frame.mapView);
    s.SetNeatlineCoordSystem(frame.neatlineSystem);
    s.SetGridCoordSystem(frame.gridSystem);

    // Corners in the extents' space: radians for geographic corners, plane metres otherwise.
    const double k = layout.geographicCorners ? Radians(1.0) : 1.0;
    const std::int32_t space = layout.geographicCorners ? coordkit::kGeographic : coordkit::kProjectionPlane;
    s.SetNeatlineExtentsType(layout.geographicCorners ? parallo::kExtentGeographic
                                                      : parallo::kExtentProjected);
    s.SetNeatlineLowerLeft(std::make_shared<Point>(layout.west * k, layout.south * k));
    s.SetNeatlineUpperRight(std::make_shared<Point>(layout.east * k, layout.north * k));
    const auto inProjUnits = [&](double x, double y) {
        auto pt = std::make_shared<Point>(x * k, y * k);
        frame.neatlineSystem->ConvertPoint(space, coordkit::kProjectionPlane, pt->x, pt->y, pt->z);
        return pt;
    };
    s.SetNeatlineLowerLeftInProjUnits(inProjUnits(layout.west, layout.south));
    s.SetNeatlineUpperLeftInProjUnits(inProjUnits(layout.west, layout.north));
    s.SetNeatlineUpperRightInProjUnits(inProjUnits(layout.east, layout.north));
    s.SetNeatlineLowerRightInProjUnits(inProjUnits(layout.east, layout.south));
    s.SetNeatlineStrokeDistance(layout.neatlineStroke * k);
    s.SetbForceStroking(layout.neatlineStroke > 0.0);

    const double g = layout.geographicGrid ? Radians(1.0) : 1.0;
    s.SetGridIntervalsType(layout.geographicGrid ? parallo::kExtentGeographic : parallo::kExtentProjected);
    s.SetInterval(std::make_shared<Point>(layout.intervalX * g, layout.intervalY * g));
    s.SetGridOffset(std::make_shared<Point>(0.0, 0.0));
    s.SetSkipInterval(std::make_shared<Point>(0.0, 0.0));
    s.SetGridStrokeDistance(layout.gridStroke * g);

    s.SetTickLength(layout.tickLength);
    s.SetCrossLength(layout.crossLength);
    s.SetGridType(parallo::PXgtTicksAndCrosses);
    s.SetPlaceLeftSideGridElements(true);
    s.SetPlaceTopSideGridElements(true);
    s.SetPlaceRightSideGridElements(true);
    s.SetPlaceBottomSideGridElements(true);
}

std::shared_ptr<coordkit::CoordTransform> FromMapView(const Frame &frame,
                                                      const std::shared_ptr<coordkit::CoordSystem> &target) {
    auto mgr = coordkit::CreateProjCoordSystemsMgr(frame.mapView);
    return mgr->GetTransformService()->CreateSimpleTransFromCSMtoCS(*mgr, target);
}

void StyleLabels(parallo::ParalloCls &s, std::int32_t displayType, double offset) {
    s.SetbHemisphereAsSuffix(true);
    s.SetMagnitudeAB(5);
    s.SetMagnitudeBC(3);
    s.SetLabelDisplayType(displayType);
    s.SetEastingHemisphereLabel("E");
    s.SetWestingHemisphereLabel("W");
    s.SetNorthingHemisphereLabel("N");
    s.SetSouthingHemisphereLabel("S");
    s.SetUnitsOfMeasure(coordkit::CreateProjUnitsOfMeasure());
    s.SetLabelOffset(offset);
}

} // namespace parallo_test
