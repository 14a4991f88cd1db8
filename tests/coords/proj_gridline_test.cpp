// The meaning of GetAngle, proved on real systems: a UTM grid shown in another map view. The
// library turns ticks and labels by GetAngle(grid) - GetAngle(map view); that must be the
// direction in which the grid's lines run on the map view.
#include <gtest/gtest.h>

#include <cmath>

#include "parallo/coordkit_proj.h"

namespace {

using shapekit::Point;

constexpr double kPi = 3.141592653589793;
constexpr double kDeg = kPi / 180.0;

/// An angle in radians folded into (-pi, pi].
double Fold(double a) {
    a = std::fmod(a, 2.0 * kPi);
    if (a > kPi) a -= 2.0 * kPi;
    if (a <= -kPi) a += 2.0 * kPi;
    return a;
}

struct Direction {
    double onMap;   ///< azimuth of the grid line on the map view, from two transformed points
    double library; ///< the angle difference the library forms, plus pi/2 for an east-west line
};

/// The direction of the grid line through the UTM point (e, n), northward when `northward`,
/// eastward otherwise.
Direction GridLine(const char *mapViewDefinition, double e, double n, bool northward) {
    auto mapView = coordkit::CreateProjCoordSystem(mapViewDefinition);
    auto grid = coordkit::CreateProjCoordSystem("EPSG:32632");
    auto mgr = coordkit::CreateProjCoordSystemsMgr(mapView);
    auto toGrid = mgr->GetTransformService()->CreateSimpleTransFromCSMtoCS(*mgr, grid);

    // Two points 1 m either side along the grid line, taken into the map view.
    Point ends[2] = {northward ? Point(e, n - 1.0) : Point(e - 1.0, n),
                     northward ? Point(e, n + 1.0) : Point(e + 1.0, n)};
    toGrid->Transform(ends, 2, 1);
    Direction d;
    d.onMap = std::atan2(ends[1].x - ends[0].x, ends[1].y - ends[0].y);

    // The geographic position as the library finds it (space 1 to 4 of the grid), then the
    // difference of the two systems' angles there.
    double lon = e, lat = n, z = 0.0;
    grid->ConvertPoint(coordkit::kProjectionPlane, coordkit::kGeographic, lon, lat, z);
    d.library = grid->ProjectionSpace()->GetAngle(lon, lat, 0.0) -
                mapView->ProjectionSpace()->GetAngle(lon, lat, 0.0) + (northward ? 0.0 : kPi / 2.0);
    return d;
}

TEST(ProjGridLines, UtmGridOnConformalMapViews) {
    // World Mercator (EPSG:3395) is conformal on the ellipsoid: the directions agree to the
    // 1-metre chord's curvature, far below 1e-5 degrees.
    // Web Mercator (EPSG:3857) is conformal only on its sphere; fed ellipsoidal latitudes its
    // scales along meridian and parallel differ by up to (1 - e^2 sin^2 phi) / (1 - e^2) - 1, which
    // turns a line at angle g from the meridian by at most that times sin g cos g: under 0.008
    // degrees within the zone (|g| < 3 degrees). 0.01 degrees bounds both.
    for (const char *mapView : {"EPSG:3395", "EPSG:3857"}) {
        const double tol = std::string(mapView) == "EPSG:3395" ? 1e-5 * kDeg : 0.01 * kDeg;
        for (double e = 300000.0; e <= 700000.0; e += 50000.0) {
            for (double n = 500000.0; n <= 9300000.0; n += 400000.0) {
                for (bool northward : {true, false}) {
                    SCOPED_TRACE(std::string(mapView) + " at " + std::to_string(e) + ", " +
                                 std::to_string(n) + (northward ? " north" : " east"));
                    const Direction d = GridLine(mapView, e, n, northward);
                    EXPECT_NEAR(Fold(d.onMap - d.library), 0.0, tol);
                }
            }
        }
    }
}

TEST(ProjGridLines, UtmGridOnEqualAreaMapViewAtItsCentre) {
    // LAEA Europe (EPSG:3035) keeps areas, not angles; at its centre (52N 10E) the angular
    // distortion vanishes and the directions agree to 0.01 degrees. The point in UTM 32N:
    // echo "52 10" | cs2cs -d 3 EPSG:4326 EPSG:32632 -> 568649.705 5761510.317
    for (bool northward : {true, false}) {
        const Direction d = GridLine("EPSG:3035", 568649.705, 5761510.317, northward);
        EXPECT_NEAR(Fold(d.onMap - d.library), 0.0, 0.01 * kDeg);
    }
}

} // namespace
