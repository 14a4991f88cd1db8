// Helpers of the grid tests: an exact plane frame on the coordkit double, and the geometry that
// carries generated output back into the grid system and checks it against the neatline.
#ifndef PARALLO_TESTS_GRID_CHECKS_H
#define PARALLO_TESTS_GRID_CHECKS_H

#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "parallo/coordkit_proj.h"
#include "parallo/parallo.h"
#include "service/state.h"
#include "support/coordkit_double.h"
#include "support/frames.h"

namespace gridtest {

using shapekit::Point;

/// A service on identity systems (metres) with the neatline given as a polygon. Interval
/// (100, 100), offset and skip 0, stroke 100, tick 10, cross 20, ticks and crosses on all sides.
/// `earthSized` puts the plane on a sphere of the Earth's radius, so that the convergence query
/// of the ticks accepts its points (the plain identity reads metres as radians).
struct PlaneFrame {
    parallo::ParalloCls service;
    std::shared_ptr<parallo_test::CoordSystemDouble> system = parallo_test::MakeIdentitySystem();
    std::vector<std::string> reports;

    explicit PlaneFrame(const std::vector<Point> &ring, bool earthSized = false) {
        if (earthSized) system->Config().R = 6378137.0;
        service.SetErrorObserver(
            [this](const std::string &d, const std::string &t, const std::string &title) {
                reports.push_back(title + " | " + t + " | " + d);
            });
        service.SetCoordSystemsMgr(parallo_test::MakeManager(system));
        service.SetMapViewCoordSystem(system);
        service.SetNeatlineCoordSystem(system);
        service.SetGridCoordSystem(system);
        auto polygon = std::make_shared<shapekit::PolygonGeometry>();
        for (const Point &p : ring)
            polygon->Points().Add(p);
        service.SetNeatlinePolygon(polygon);
        service.SetInterval(std::make_shared<Point>(100.0, 100.0));
        service.SetGridOffset(std::make_shared<Point>(0.0, 0.0));
        service.SetSkipInterval(std::make_shared<Point>(0.0, 0.0));
        service.SetGridStrokeDistance(100.0);
        service.SetTickLength(10.0);
        service.SetCrossLength(20.0);
        service.SetGridType(parallo::PXgtTicksAndCrosses);
        service.SetPlaceLeftSideGridElements(true);
        service.SetPlaceTopSideGridElements(true);
        service.SetPlaceRightSideGridElements(true);
        service.SetPlaceBottomSideGridElements(true);
    }
};

/// The square 0…size, counter-clockwise from the origin up the left side.
inline std::vector<Point> Square(double size = 1000.0) {
    return {Point(0, 0), Point(0, size), Point(size, size), Point(size, 0)};
}

/// A "U": the square 0…1000 with a notch from the top down to y = 400 between x = 250 and 750.
inline std::vector<Point> UShape() {
    return {Point(0, 0),     Point(0, 1000),   Point(250, 1000),  Point(250, 400),
            Point(750, 400), Point(750, 1000), Point(1000, 1000), Point(1000, 0)};
}

/// The points of every item of a collection of polylines or lines.
inline std::vector<std::vector<Point>> Items(const std::shared_ptr<shapekit::GeometryCollection> &c) {
    std::vector<std::vector<Point>> out;
    for (std::int32_t i = 1; c && i <= c->Count(); ++i) {
        out.emplace_back();
        static_cast<const shapekit::Geometry &>(*c->Item(i))
            .ForEachRun(shapekit::ConstPointRunFunction(
                [&](const Point *p, std::size_t n) { out.back().insert(out.back().end(), p, p + n); }));
    }
    return out;
}

/// The items lying wholly on y = v (within 1e-9, the rounding of an intersection).
inline std::vector<std::vector<Point>> ItemsAtY(const std::shared_ptr<shapekit::GeometryCollection> &c,
                                                double v) {
    std::vector<std::vector<Point>> out;
    for (const auto &it : Items(c)) {
        if (std::fabs(it.front().y - v) < 1e-9 && std::fabs(it.back().y - v) < 1e-9) out.push_back(it);
    }
    return out;
}

// ---- carrying map-view output back into the grid system --------------------------------------

/// Map-view points in grid storage units (degrees or grid metres). For a frame across the 180°
/// meridian, longitudes west of the frame's western edge are unwrapped by one turn.
inline std::vector<Point> ToGrid(const parallo_test::Frame &f, std::vector<Point> pts) {
    auto mgr = coordkit::CreateProjCoordSystemsMgr(f.mapView);
    mgr->GetTransformService()
        ->CreateSimpleTransFromCSMtoCS(*mgr, f.gridSystem)
        ->Transform(pts.data(), pts.size(), 0);
    if (f.layout.geographicGrid && f.layout.east < f.layout.west) {
        for (Point &p : pts) {
            if (p.x < f.layout.west - 1.0) p.x += 360.0;
        }
    }
    return pts;
}

/// Grid storage points in the map view, through a fresh transformation.
inline std::vector<Point> ToMapView(const parallo_test::Frame &f, std::vector<Point> pts) {
    auto mgr = coordkit::CreateProjCoordSystemsMgr(f.mapView);
    mgr->GetTransformService()
        ->CreateSimpleTransFromCSMtoCS(*mgr, f.gridSystem)
        ->Transform(pts.data(), pts.size(), 1);
    return pts;
}

/// Map-view distance between a and b; on a geographic map view x is compared modulo a turn.
inline double MapDistance(const parallo_test::Frame &f, const Point &a, const Point &b) {
    double dx = a.x - b.x;
    if (f.mapView->BaseStorageType() == coordkit::kGeographicStorage)
        dx -= 360.0 * std::nearbyint(dx / 360.0);
    return std::hypot(dx, a.y - b.y);
}

/// How far the map-view point v lies off the image of grid line `value` (vertical: constant x),
/// across the line, in grid units; `along` is v's grid position along the line. Measured through
/// the exact forward projection: PROJ 9.1's LAEA inverse is a truncated series (about 0.4 mm
/// off), but its error moves a point along the line image, not across it.
inline double OffGridLine(const parallo_test::Frame &f, const Point &v, bool vertical, double value,
                          double along) {
    const double step = f.layout.geographicGrid ? 1e-4 : 1.0;
    auto m = ToMapView(f, {vertical ? Point(value, along) : Point(along, value),
                           vertical ? Point(value, along + step) : Point(along + step, value)});
    if (f.mapView->BaseStorageType() == coordkit::kGeographicStorage) {
        const double turns = std::nearbyint((v.x - m[0].x) / 360.0) * 360.0;
        m[0].x += turns;
        m[1].x += turns;
    }
    const double ux = m[1].x - m[0].x, uy = m[1].y - m[0].y, len = std::hypot(ux, uy);
    return std::fabs((v.x - m[0].x) * uy - (v.y - m[0].y) * ux) / len * step / len;
}

/// Distance from p to the closed ring (planar, in the ring's units).
inline double DistanceToRing(const Point &p, const std::vector<Point> &ring) {
    double best = HUGE_VAL;
    for (std::size_t i = 0; i < ring.size(); ++i) {
        const Point &a = ring[i], &b = ring[(i + 1) % ring.size()];
        const double dx = b.x - a.x, dy = b.y - a.y, len2 = dx * dx + dy * dy;
        const double t =
            len2 > 0.0 ? std::fmax(0.0, std::fmin(1.0, ((p.x - a.x) * dx + (p.y - a.y) * dy) / len2)) : 0.0;
        best = std::fmin(best, std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy)));
    }
    return best;
}

/// Whether p lies inside the closed ring (even-odd rule).
inline bool InsideRing(const Point &p, const std::vector<Point> &ring) {
    bool inside = false;
    for (std::size_t i = 0, j = ring.size() - 1; i < ring.size(); j = i++) {
        const Point &a = ring[i], &b = ring[j];
        if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x)
            inside = !inside;
    }
    return inside;
}

} // namespace gridtest

#endif
