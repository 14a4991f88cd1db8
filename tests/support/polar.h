// Frames around and near the poles on real PROJ systems, shared by the grid and label tests, and
// the few measures their properties need: where a map-view point lies in longitude and latitude,
// and how far it lies from the frame's rectangle.
#ifndef PARALLO_TEST_POLAR_H
#define PARALLO_TEST_POLAR_H

#include <algorithm>
#include <cmath>
#include <vector>

#include "parallo/coordkit_proj.h"
#include "support/frames.h"

namespace parallo_test {

/// A frame of projection-plane metres in `crs` (its map view too) under a geographic grid on
/// WGS 84. `pole`: +1 north, -1 south, 0 a frame that holds no pole.
struct PolarCase {
    const char *crs;
    double x0, y0, x1, y1;
    int pole;
};

// clang-format off
/// Frames that hold a pole: polar stereographic (south, NSIDC north, Arctic), UPS north and south
/// (false origin 2000 km), polar Lambert azimuthal equal-area north and south.
const PolarCase kAroundPoles[] = {
    {"EPSG:3031", -2000000.0, -2000000.0, 2000000.0, 2000000.0, -1},
    {"EPSG:3413", -2500000.0, -2500000.0, 2500000.0, 2500000.0, 1},
    {"EPSG:3995", -3000000.0, -2000000.0, 2500000.0, 3000000.0, 1},
    {"EPSG:5041", 750000.0, 800000.0, 3300000.0, 3300000.0, 1},
    {"EPSG:5042", 700000.0, 750000.0, 3300000.0, 3250000.0, -1},
    {"EPSG:3571", -3000000.0, -3000000.0, 3000000.0, 3000000.0, 1},
    {"EPSG:6932", -3000000.0, -3000000.0, 3000000.0, 3000000.0, -1},
};
/// Frames near the south pole, not around it, on EPSG:3031: under the pole (across the 180°
/// meridian, turned half a turn against the grid), right of it (a quarter turn) and above it.
const PolarCase kNearPole[] = {
    {"EPSG:3031", -1200000.0, -3200000.0, 1200000.0, -1600000.0, 0},
    {"EPSG:3031", 1600000.0, -1200000.0, 3200000.0, 1200000.0, 0},
    {"EPSG:3031", -1200000.0, 1600000.0, 1200000.0, 3200000.0, 0},
};
// clang-format on

inline FrameLayout PolarLayout(const PolarCase &c, double dLon = 30.0, double dLat = 10.0) {
    FrameLayout l;
    l.name = c.crs;
    l.mapView = l.neatlineSystem = c.crs;
    l.gridSystem = "EPSG:4326";
    l.west = c.x0;
    l.south = c.y0;
    l.east = c.x1;
    l.north = c.y1;
    l.geographicGrid = true;
    l.intervalX = dLon;
    l.intervalY = dLat;
    l.tickLength = 50000.0;
    l.crossLength = 80000.0;
    return l;
}

/// Map-view points as longitude and latitude in degrees (direction 0), or back (1).
inline std::vector<shapekit::Point> LonLat(const Frame &f, std::vector<shapekit::Point> pts,
                                           std::int32_t direction = 0) {
    auto mgr = coordkit::CreateProjCoordSystemsMgr(f.mapView);
    mgr->GetTransformService()
        ->CreateSimpleTransFromCSMtoCS(*mgr, f.gridSystem)
        ->Transform(pts.data(), pts.size(), direction);
    return pts;
}

/// How far p lies outside the frame's rectangle (0 inside).
inline double Outside(const FrameLayout &l, const shapekit::Point &p) {
    const double dx = std::max({l.west - p.x, p.x - l.east, 0.0});
    const double dy = std::max({l.south - p.y, p.y - l.north, 0.0});
    return std::hypot(dx, dy);
}

/// Distance from p to the boundary of the frame's rectangle.
inline double ToFrame(const FrameLayout &l, const shapekit::Point &p) {
    const double out = Outside(l, p);
    if (out > 0.0) return out;
    return std::min({p.x - l.west, l.east - p.x, p.y - l.south, l.north - p.y});
}

/// A difference of longitudes (degrees) brought into -180…180.
inline double LonDiff(double a, double b) { return std::remainder(a - b, 360.0); }

} // namespace parallo_test

#endif
