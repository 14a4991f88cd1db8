// The exact plane frame of the grid tests, on the coordkit double.
#ifndef PARALLO_TESTS_GRID_CHECKS_H
#define PARALLO_TESTS_GRID_CHECKS_H

#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "parallo/parallo.h"
#include "support/checks.h"
#include "support/coordkit_double.h"

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
        service.SetErrorObserver(parallo_test::Recorder(reports));
        service.SetCoordSystemsMgr(parallo_test::MakeManager(system));
        service.SetMapViewCoordSystem(system);
        service.SetNeatlineCoordSystem(system);
        service.SetGridCoordSystem(system);
        service.SetNeatlinePolygon(parallo_test::Polygon(ring));
        Interval(100.0, 100.0);
        service.SetGridOffset(std::make_shared<Point>(0.0, 0.0));
        Skip(0.0, 0.0);
        service.SetGridStrokeDistance(100.0);
        service.SetTickLength(10.0);
        service.SetCrossLength(20.0);
        service.SetGridType(parallo::PXgtTicksAndCrosses);
        for (auto side : {&parallo::ParalloCls::SetPlaceLeftSideGridElements,
                          &parallo::ParalloCls::SetPlaceTopSideGridElements,
                          &parallo::ParalloCls::SetPlaceRightSideGridElements,
                          &parallo::ParalloCls::SetPlaceBottomSideGridElements})
            (service.*side)(true);
    }
    void Interval(double x, double y) { service.SetInterval(std::make_shared<Point>(x, y)); }
    void Skip(double x, double y) { service.SetSkipInterval(std::make_shared<Point>(x, y)); }
    std::int32_t Gridlines() { return Call(&parallo::ParalloCls::CreateGridlines); }
    std::int32_t TicksCrosses() { return Call(&parallo::ParalloCls::CreateTicksCrosses); }
    std::int32_t Call(void (parallo::ParalloCls::*method)(std::int32_t &), std::int32_t ret = 0) {
        (service.*method)(ret);
        return ret;
    }
};

/// The square 0…size, counter-clockwise from the origin up the left side.
inline std::vector<Point> Square(double lo, double hi) { return {{lo, lo}, {lo, hi}, {hi, hi}, {hi, lo}}; }

/// A "U": the square 0…1000 with a notch from the top down to y = 400 between x = 250 and 750.
inline std::vector<Point> UShape() {
    return {{0, 0}, {0, 1000}, {250, 1000}, {250, 400}, {750, 400}, {750, 1000}, {1000, 1000}, {1000, 0}};
}

/// The items lying wholly on y = v (within 1e-9, the rounding of an intersection).
inline std::vector<std::vector<Point>> ItemsAtY(const std::shared_ptr<shapekit::GeometryCollection> &c,
                                                double v) {
    std::vector<std::vector<Point>> out;
    for (const auto &it : parallo_test::Items(c))
        if (std::fabs(it.front().y - v) < 1e-9 && std::fabs(it.back().y - v) < 1e-9) out.push_back(it);
    return out;
}

} // namespace gridtest

#endif
