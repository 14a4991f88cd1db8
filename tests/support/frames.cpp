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

FrameLayout UtmSheetOnLaea() {
    FrameLayout f;
    f.name = "utm-sheet-on-laea";
    f.mapView = "EPSG:3035";
    f.neatlineSystem = "EPSG:32632";
    f.gridSystem = "EPSG:32632";
    f.west = 480000.0;
    f.south = 5320000.0;
    f.east = 520000.0;
    f.north = 5360000.0;
    f.neatlineStroke = 1000.0;
    f.intervalX = 1000.0;
    f.intervalY = 1000.0;
    f.gridStroke = 250.0;
    f.tickLength = 400.0;
    f.crossLength = 300.0;
    return f;
}

FrameLayout UtmSheetOnWebMercator() {
    FrameLayout f = UtmSheetOnLaea();
    f.name = "utm-sheet-on-web-mercator";
    f.mapView = "EPSG:3857";
    // Web Mercator stretches lengths by about 1/cos(48°).
    f.tickLength = 600.0;
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
    FrameLayout f;
    f.name = "graticule-on-web-mercator";
    f.mapView = "EPSG:3857";
    f.neatlineSystem = "EPSG:4326";
    f.gridSystem = "EPSG:4326";
    f.geographicCorners = true;
    f.west = 5.0;
    f.south = 45.0;
    f.east = 15.0;
    f.north = 55.0;
    f.neatlineStroke = 0.25;
    f.geographicGrid = true;
    f.intervalX = 1.0;
    f.intervalY = 1.0;
    f.gridStroke = 0.1;
    f.tickLength = 20000.0;
    f.crossLength = 15000.0;
    return f;
}

FrameLayout PacificOnProjected() {
    FrameLayout f;
    f.name = "pacific-on-pdc-mercator";
    f.mapView = "EPSG:3832";
    f.neatlineSystem = "EPSG:4326";
    f.gridSystem = "EPSG:4326";
    f.geographicCorners = true;
    f.west = 170.0;
    f.south = -20.0;
    f.east = -170.0;
    f.north = -10.0;
    f.neatlineStroke = 0.5;
    f.geographicGrid = true;
    f.intervalX = 1.0;
    f.intervalY = 1.0;
    f.gridStroke = 0.1;
    f.tickLength = 20000.0;
    f.crossLength = 15000.0;
    return f;
}

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

} // namespace parallo_test
