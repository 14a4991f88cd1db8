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

/// A service on identity systems (every space the identity, metres), with the neatline given
/// directly as a polygon, as a host does with SetNeatlinePolygon. Interval (100, 100), offset and
/// skip (0, 0), ticks and crosses on all four sides.
struct PlaneFrame {
    parallo::ParalloCls service;
    std::shared_ptr<parallo_test::CoordSystemDouble> system = parallo_test::MakeIdentitySystem();
    std::vector<std::string> reports;

    /// `earthSized`: the plane's metres lie on a sphere of the Earth's size, so that its points
    /// have geographic positions the convergence query of the ticks accepts (the plain identity
    /// reads them as radians). Grid lines keep the exact identity.
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
        SetRing(ring);
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

    void SetRing(const std::vector<Point> &ring) {
        auto polygon = std::make_shared<shapekit::PolygonGeometry>();
        for (const Point &p : ring)
            polygon->Points().Add(p);
        service.SetNeatlinePolygon(polygon);
    }
};

/// The square 0…1000 on both axes, counter-clockwise from the origin up the left side.
inline std::vector<Point> Square(double size = 1000.0) {
    return {Point(0, 0), Point(0, size), Point(size, size), Point(size, 0)};
}

/// The points of item i (1-based) of a collection of polylines or lines.
inline std::vector<Point> PointsOfItem(const shapekit::GeometryCollection &c, std::int32_t i) {
    std::vector<Point> out;
    const shapekit::Geometry &g = *c.Item(i);
    g.ForEachRun(shapekit::ConstPointRunFunction(
        [&](const Point *p, std::size_t n) { out.insert(out.end(), p, p + n); }));
    return out;
}

inline std::vector<std::vector<Point>> Items(const std::shared_ptr<shapekit::GeometryCollection> &c) {
    std::vector<std::vector<Point>> out;
    if (!c) return out;
    for (std::int32_t i = 1; i <= c->Count(); ++i)
        out.push_back(PointsOfItem(*c, i));
    return out;
}

// ---- carrying map-view output back into the grid system --------------------------------------

/// Map-view points in the grid system's storage units (degrees or grid metres), through the same
/// kind of transformation the service uses. For a frame across the 180° meridian, longitudes
/// west of the frame's western edge are unwrapped by one turn, so that the frame reads as one
/// range from its western edge eastwards beyond 180.
inline std::vector<Point> ToGrid(const parallo_test::Frame &f, std::vector<Point> pts) {
    auto mgr = coordkit::CreateProjCoordSystemsMgr(f.mapView);
    auto t = mgr->GetTransformService()->CreateSimpleTransFromCSMtoCS(*mgr, f.gridSystem);
    t->Transform(pts.data(), pts.size(), 0);
    if (f.layout.geographicGrid && f.layout.east < f.layout.west) {
        for (Point &p : pts) {
            if (p.x < f.layout.west - 1.0) p.x += 360.0;
        }
    }
    return pts;
}

/// Grid storage points (degrees or grid metres) in the map view, through a fresh transformation.
inline std::vector<Point> ToMapView(const parallo_test::Frame &f, std::vector<Point> pts) {
    auto mgr = coordkit::CreateProjCoordSystemsMgr(f.mapView);
    auto t = mgr->GetTransformService()->CreateSimpleTransFromCSMtoCS(*mgr, f.gridSystem);
    t->Transform(pts.data(), pts.size(), 1);
    return pts;
}

/// How far the map-view point v lies off the image of the grid line `value` (vertical: constant
/// x), measured across the line, in grid units. `along` is v's position along the line as
/// carried back into the grid system. The check works through the exact forward projection:
/// an inverse projection (LAEA's in PROJ 9.1 is a truncated series, off by about 0.4 mm) may
/// err along the line by far more than the 1e-6 m asked for, but that error moves the point
/// along the line image, not across it.
inline double OffGridLine(const parallo_test::Frame &f, const Point &v, bool vertical, double value,
                          double along) {
    const double step = f.layout.geographicGrid ? 1e-4 : 1.0;
    const Point a = vertical ? Point(value, along) : Point(along, value);
    const Point b = vertical ? Point(value, along + step) : Point(along + step, value);
    auto m = ToMapView(f, {a, b});
    if (f.mapView->BaseStorageType() == coordkit::kGeographicStorage) {
        // Longitudes on a geographic map view are compared modulo a turn.
        const double turns = std::nearbyint((v.x - m[0].x) / 360.0) * 360.0;
        m[0].x += turns;
        m[1].x += turns;
    }
    const double ux = m[1].x - m[0].x, uy = m[1].y - m[0].y;
    const double len = std::hypot(ux, uy);
    const double across = std::fabs((v.x - m[0].x) * uy - (v.y - m[0].y) * ux) / len;
    return across * step / len; // map-view units back to grid units at the local scale
}

/// Map-view distance between a and b; on a geographic map view x is compared modulo a turn.
inline double MapDistance(const parallo_test::Frame &f, const Point &a, const Point &b) {
    double dx = a.x - b.x;
    if (f.mapView->BaseStorageType() == coordkit::kGeographicStorage)
        dx -= 360.0 * std::nearbyint(dx / 360.0);
    return std::hypot(dx, a.y - b.y);
}

/// Distance from p to the closed ring (planar, in the ring's units).
inline double DistanceToRing(const Point &p, const std::vector<Point> &ring) {
    double best = HUGE_VAL;
    for (std::size_t i = 0; i < ring.size(); ++i) {
        const Point &a = ring[i];
        const Point &b = ring[(i + 1) % ring.size()];
        const double dx = b.x - a.x, dy = b.y - a.y;
        const double len2 = dx * dx + dy * dy;
        double t = len2 > 0.0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / len2 : 0.0;
        t = std::fmax(0.0, std::fmin(1.0, t));
        best = std::fmin(best, std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy)));
    }
    return best;
}

/// Whether p lies inside the closed ring (even-odd rule).
inline bool InsideRing(const Point &p, const std::vector<Point> &ring) {
    bool inside = false;
    for (std::size_t i = 0, j = ring.size() - 1; i < ring.size(); j = i++) {
        const Point &a = ring[i];
        const Point &b = ring[j];
        if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x)
            inside = !inside;
    }
    return inside;
}

/// Distance of v from the nearest whole multiple of `interval`.
inline double OffMultiple(double v, double interval) {
    return std::fabs(v - interval * std::nearbyint(v / interval));
}

} // namespace gridtest

#endif
