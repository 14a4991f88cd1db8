// The standard map frames on real PROJ systems.
#include "support/frames.h"

#include <memory>
#include <string>
#include <utility>

#include "parallo/coordkit_proj.h"
#include "parallo/planicalc.h"

namespace parallo_test {

using shapekit::Point;

double Radians(double degrees) { return degrees * planicalc::TRG_DegreesToRadians(); }

FrameSpec UtmSheetOnLaea() {
    FrameSpec f;
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

FrameSpec UtmSheetOnWebMercator() {
    FrameSpec f = UtmSheetOnLaea();
    f.name = "utm-sheet-on-web-mercator";
    f.mapView = "EPSG:3857";
    // Web Mercator stretches lengths by about 1/cos(48°).
    f.tickLength = 600.0;
    f.crossLength = 450.0;
    return f;
}

FrameSpec UtmSheetOnUtm33() {
    FrameSpec f = UtmSheetOnLaea();
    f.name = "utm-sheet-on-utm33";
    f.mapView = "EPSG:32633";
    return f;
}

FrameSpec GraticuleOnWebMercator() {
    FrameSpec f;
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

FrameSpec PacificOnProjected() {
    FrameSpec f;
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

FrameSpec PacificOnGeographic() {
    FrameSpec f = PacificOnProjected();
    f.name = "pacific-on-geographic";
    f.mapView = "EPSG:4326";
    f.tickLength = 0.2;
    f.crossLength = 0.15;
    return f;
}

std::unique_ptr<Frame> MakeFrame(const FrameSpec &spec) {
    auto frame = std::make_unique<Frame>();
    frame->spec = spec;
    Frame *raw = frame.get();
    parallo::ParalloCls &s = frame->service;
    s.SetErrorObserver(
        [raw](const std::string &description, const std::string &trace, const std::string &title) {
            raw->reports.push_back(title + " | " + trace + " | " + description);
        });

    frame->mapView = coordkit::CreateProjCoordSystem(spec.mapView);
    frame->neatlineSystem = coordkit::CreateProjCoordSystem(spec.neatlineSystem);
    frame->gridSystem = coordkit::CreateProjCoordSystem(spec.gridSystem);
    s.SetCoordSystemsMgr(coordkit::CreateProjCoordSystemsMgr(frame->mapView));
    s.SetMapViewCoordSystem(frame->mapView);
    s.SetNeatlineCoordSystem(frame->neatlineSystem);
    s.SetGridCoordSystem(frame->gridSystem);

    // Corners in the extents' space: radians for geographic corners, plane metres otherwise.
    const double k = spec.geographicCorners ? Radians(1.0) : 1.0;
    const std::int32_t space = spec.geographicCorners ? coordkit::kGeographic : coordkit::kProjectionPlane;
    s.SetNeatlineExtentsType(spec.geographicCorners ? parallo::kExtentGeographic : parallo::kExtentProjected);
    s.SetNeatlineLowerLeft(std::make_shared<Point>(spec.west * k, spec.south * k));
    s.SetNeatlineUpperRight(std::make_shared<Point>(spec.east * k, spec.north * k));
    const auto inProjUnits = [&](double x, double y) {
        auto pt = std::make_shared<Point>(x * k, y * k);
        frame->neatlineSystem->ConvertPoint(space, coordkit::kProjectionPlane, pt->x, pt->y, pt->z);
        return pt;
    };
    s.SetNeatlineLowerLeftInProjUnits(inProjUnits(spec.west, spec.south));
    s.SetNeatlineUpperLeftInProjUnits(inProjUnits(spec.west, spec.north));
    s.SetNeatlineUpperRightInProjUnits(inProjUnits(spec.east, spec.north));
    s.SetNeatlineLowerRightInProjUnits(inProjUnits(spec.east, spec.south));
    s.SetNeatlineStrokeDistance(spec.neatlineStroke * k);
    s.SetbForceStroking(spec.neatlineStroke > 0.0);

    const double g = spec.geographicGrid ? Radians(1.0) : 1.0;
    s.SetGridIntervalsType(spec.geographicGrid ? parallo::kExtentGeographic : parallo::kExtentProjected);
    s.SetInterval(std::make_shared<Point>(spec.intervalX * g, spec.intervalY * g));
    s.SetGridOffset(std::make_shared<Point>(0.0, 0.0));
    s.SetSkipInterval(std::make_shared<Point>(0.0, 0.0));
    s.SetGridStrokeDistance(spec.gridStroke * g);

    s.SetTickLength(spec.tickLength);
    s.SetCrossLength(spec.crossLength);
    s.SetGridType(parallo::PXgtTicksAndCrosses);
    s.SetPlaceLeftSideGridElements(true);
    s.SetPlaceTopSideGridElements(true);
    s.SetPlaceRightSideGridElements(true);
    s.SetPlaceBottomSideGridElements(true);

    s.CreateNeatline();
    return frame;
}

} // namespace parallo_test
