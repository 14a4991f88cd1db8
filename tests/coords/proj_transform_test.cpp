// Transformations between the map view and another system: the base service (the manager's when
// none is set) on the exact coordinate-system double; on PROJ, values from cs2cs, refused points,
// caching and threads, and the meaning of GetAngle on real systems.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <thread>
#include <vector>

#include "parallo/coordkit_proj.h"
#include "support/checks.h"
#include "support/coordkit_double.h"
#include "support/raises.h"

namespace {

using coordkit::CreateProjCoordSystem;
using coordkit::CreateProjCoordSystemsMgr;
using shapekit::Point;

// cs2cs prints 1e-6 of the unit; 1e-5 leaves room for that rounding.
constexpr double kPlaneTol = 1e-5;

std::shared_ptr<coordkit::CoordTransform> MakeTransform(const char *mapView, const char *target) {
    auto mgr = CreateProjCoordSystemsMgr(CreateProjCoordSystem(mapView));
    return mgr->GetTransformService()->CreateSimpleTransFromCSMtoCS(*mgr, CreateProjCoordSystem(target));
}

std::shared_ptr<coordkit::CoordTransform> TransformTo(const coordkit::CoordSystemsMgr &mgr,
                                                      const std::shared_ptr<coordkit::CoordSystem> &target) {
    return mgr.GetTransformService()->CreateSimpleTransFromCSMtoCS(mgr, target);
}

struct TransformCase {
    const char *mapView;
    const char *target;
    Point in;  // map-view storage units, longitude or easting first
    Point out; // target storage units
    double tol;
};

const TransformCase kTransforms[] = {
    // echo "1113194.907933 6446275.841017" | cs2cs -d 6 EPSG:3857 EPSG:32632
    {"EPSG:3857", "EPSG:32632", {1113194.907933, 6446275.841017}, {571666.447504, 5539109.815299}, kPlaneTol},
    // echo "571666.447504 5539109.815299" | cs2cs -d 6 EPSG:32632 EPSG:3035 (northing printed first)
    {"EPSG:32632", "EPSG:3035", {571666.447504, 5539109.815299}, {4321000.000001, 2987510.566965}, kPlaneTol},
    // echo "40.75 -73.98" | cs2cs -d 6 EPSG:4326 EPSG:2263 (US survey feet)
    {"EPSG:4326", "EPSG:2263", {-73.98, 40.75}, {989791.457349, 212522.519239}, kPlaneTol},
    // echo "-33.92 18.42" | cs2cs -d 6 EPSG:4326 EPSG:22279: PROJ's Cape to WGS 84 shift moves the
    // point some 60 m from where the same coordinates on the Cape datum would go.
    {"EPSG:4326", "EPSG:22279", {18.42, -33.92}, {53576.121818, 3754649.433127}, kPlaneTol},
    // A PROJ string with its own datum shift (a bound system), westing/southing as in the string:
    // echo "18.42 -33.92" | cs2cs -d 6 +proj=longlat +datum=WGS84 +to +proj=tmerc +lon_0=19
    //   +ellps=clrk80 +towgs84=-136,-108,-292 +units=m
    {"EPSG:4326",
     "+proj=tmerc +lon_0=19 +ellps=clrk80 +towgs84=-136,-108,-292 +units=m",
     {18.42, -33.92},
     {-53576.121817, -3754649.433090},
     kPlaneTol},
    // echo "52 10" | cs2cs -d 9 EPSG:4326 EPSG:4258: degrees in, degrees out.
    {"EPSG:4326", "EPSG:4258", {10.0, 52.0}, {10.0, 52.0}, 1e-9},
    // NTF (Greenwich) to NTF (Paris) turns about the pole by the Paris meridian, which cs2cs and the
    // system's grads give 3.3e-9 degrees apart; in storage degrees from Greenwich the point comes
    // out as it went in, hence 1e-8.
    {"EPSG:4275", "EPSG:4807", {2.3522, 48.8566}, {2.3522, 48.8566}, 1e-8},
    // The same system on both sides is exactly the identity.
    {"EPSG:32632", "EPSG:32632", {123456.789, 5432109.876}, {123456.789, 5432109.876}, 0.0},
};

TEST(ProjTransform, MatchesCs2csBothWays) {
    for (const TransformCase &c : kTransforms) {
        SCOPED_TRACE(std::string(c.mapView) + " -> " + c.target);
        auto t = MakeTransform(c.mapView, c.target);
        Point p(c.in.x, c.in.y, 5.0);
        t->Transform(&p, 1, 0);
        EXPECT_TRUE(parallo_test::Near(p, c.out, c.tol));
        EXPECT_EQ(p.z, 5.0) << "z passes through";
        t->Transform(&p, 1, 1);
        // Back within the forward tolerance, except through LAEA, whose inverse in PROJ goes
        // through a series for the authalic latitude good to about 4e-4 m.
        const double back = std::string(c.target) == "EPSG:3035" ? 1e-3 : c.tol;
        EXPECT_TRUE(parallo_test::Near(p, c.in, back));
    }
}

TEST(ProjTransform, GeographicStorageOfAProjectedGridsCopy) {
    // A copy of a UTM grid that stores degrees: the map view's metres go to degrees on WGS 84,
    // and the original keeps its metres.
    auto mgr = CreateProjCoordSystemsMgr(CreateProjCoordSystem("EPSG:3857"));
    auto utm = CreateProjCoordSystem("EPSG:32632");
    auto grid = utm->CopyCoordSystem();
    grid->SetBaseStorageType(coordkit::kGeographicStorage);
    EXPECT_EQ(utm->BaseStorageType(), coordkit::kProjectedStorage);
    // The Web Mercator point of 10E 50N (echo "50 10" | cs2cs -d 6 EPSG:4326 EPSG:3857).
    Point p(1113194.907933, 6446275.841017);
    mgr->GetTransformService()->CreateSimpleTransFromCSMtoCS(*mgr, grid)->Transform(&p, 1, 0);
    // 1e-6 m of the constant is 1e-11 degrees; 1e-9 degrees covers it with room.
    EXPECT_TRUE(parallo_test::Near(p, Point(10.0, 50.0), 1e-9));
    grid->SetBaseStorageType(2); // every value but 1 is projected storage
    p = Point(1113194.907933, 6446275.841017);
    mgr->GetTransformService()->CreateSimpleTransFromCSMtoCS(*mgr, grid)->Transform(&p, 1, 0);
    EXPECT_NEAR(p.x, 571666.447504, kPlaneTol); // the first row of the table above
}

TEST(ProjTransform, RefusedPointsFailTheCallAndLeaveTheRun) {
    struct Bad {
        const char *mapView;
        const char *target;
        Point point;
        const char *why;
    };
    const Bad bad[] = {
        {"EPSG:4326", "EPSG:32632", {INFINITY, 50.0}, "infinite input (PROJ passes it through)"},
        {"EPSG:4326", "EPSG:32632", {9.0, NAN}, "NaN input"},
        {"EPSG:4326", "EPSG:3857", {10.0, 90.0}, "Web Mercator at the pole (PROJ gives 2.4e8 m)"},
        {"EPSG:4326", "EPSG:3857", {10.0, -90.0}, "Web Mercator at the south pole"},
        {"EPSG:4326", "EPSG:32632", {9.0, 90.5}, "latitude beyond 90 degrees"},
        {"EPSG:4326", "EPSG:32632", {1000.0, 50.0}, "a longitude that makes no sense"},
        {"EPSG:3857", "EPSG:32632", {2.0e8, 0.0}, "a plane point far off the earth"},
        {"EPSG:32632", "EPSG:4326", {5.0e7, 5.0e7}, "a UTM point PROJ cannot invert"},
    };
    for (const Bad &b : bad) {
        SCOPED_TRACE(b.why);
        auto t = MakeTransform(b.mapView, b.target);
        std::vector<Point> run = {{9.0, 50.0}, b.point, {9.5, 50.5}};
        if (std::string(b.mapView) != "EPSG:4326") run[0] = run[2] = Point(600000.0, 5500000.0);
        const std::vector<Point> before = run;
        try {
            t->Transform(run.data(), run.size(), 0);
            ADD_FAILURE() << "no failure";
        } catch (const parallo::Error &e) {
            EXPECT_EQ(e.Number(), parallo::kInvalidProcedureCall);
            EXPECT_NE(e.Description().find("point 2"), std::string::npos) << e.Description();
        }
        for (std::size_t i = 0; i < run.size(); ++i) {
            // Bitwise equal, NaN included: the run is put back as it was.
            EXPECT_EQ(std::memcmp(&run[i], &before[i], sizeof(Point)), 0) << i;
        }
    }
    // Latitudes within round-off of the pole count as the pole, which UTM reaches.
    auto t = MakeTransform("EPSG:4326", "EPSG:32632");
    Point pole(9.0, 90.0 + 1e-12);
    EXPECT_NO_THROW(t->Transform(&pole, 1, 0));
    Point p(9.0, 50.0);
    EXPECT_THROW(t->Transform(&p, 1, 2), parallo::Error);
}

TEST(ProjTransform, RepeatedCallsCreateNothing) {
    auto mgr = CreateProjCoordSystemsMgr(CreateProjCoordSystem("EPSG:3857"));
    auto grid = CreateProjCoordSystem("EPSG:32632");
    auto service = mgr->GetTransformService();
    Point p(1113194.907933, 6446275.841017);
    service->CreateSimpleTransFromCSMtoCS(*mgr, grid)->Transform(&p, 1, 0);
    const long before = coordkit::ProjObjectsCreated();
    for (int i = 0; i < 20; ++i) {
        // What a generation call does: a transformation, a copy of the grid system, conversions.
        auto t = service->CreateSimpleTransFromCSMtoCS(*mgr, grid);
        auto copy = grid->CopyCoordSystem();
        Point q(1113194.907933, 6446275.841017);
        t->Transform(&q, 1, 0);
        double x = q.x, y = q.y, z = 0.0;
        copy->ConvertPoint(coordkit::kStorage, coordkit::kGeographic, x, y, z);
        copy->ProjectionSpace()->GetAngle(x, y, 0.0);
        t->Transform(&q, 1, 1);
        // A second system from the same definition shares what was read.
        CreateProjCoordSystem("EPSG:32632")->ProjectionSpace()->GetAngle(0.2, 0.8, 0.0);
    }
    EXPECT_EQ(coordkit::ProjObjectsCreated(), before);

    // A new thread makes its own objects once, then reuses them.
    long created = -1;
    std::thread other([&] {
        grid->ProjectionSpace()->GetAngle(0.2, 0.8, 0.0);
        created = coordkit::ProjObjectsCreated();
        grid->ProjectionSpace()->GetAngle(0.3, 0.8, 0.0);
        created = coordkit::ProjObjectsCreated() - created;
    });
    other.join();
    EXPECT_EQ(created, 0);
}

// The library turns ticks and labels by GetAngle(grid) - GetAngle(map view): that must be the
// direction in which the grid's lines run on the map view. The direction of the UTM 32N grid
// line through (e, n), northward or eastward, from two points 1 m either side taken into the map
// view, less the library's angle (at the geographic position it finds through space 1 to 4),
// folded into [-pi, pi].
double GridLineMisfit(const char *mapViewDefinition, double e, double n, bool northward) {
    constexpr double kPi = 3.141592653589793;
    auto mapView = CreateProjCoordSystem(mapViewDefinition);
    auto grid = CreateProjCoordSystem("EPSG:32632");
    auto mgr = CreateProjCoordSystemsMgr(mapView);
    Point ends[2] = {northward ? Point(e, n - 1.0) : Point(e - 1.0, n),
                     northward ? Point(e, n + 1.0) : Point(e + 1.0, n)};
    mgr->GetTransformService()->CreateSimpleTransFromCSMtoCS(*mgr, grid)->Transform(ends, 2, 1);
    double lon = e, lat = n, z = 0.0;
    grid->ConvertPoint(coordkit::kProjectionPlane, coordkit::kGeographic, lon, lat, z);
    const double library = grid->ProjectionSpace()->GetAngle(lon, lat, 0.0) -
                           mapView->ProjectionSpace()->GetAngle(lon, lat, 0.0) +
                           (northward ? 0.0 : kPi / 2.0);
    return std::remainder(std::atan2(ends[1].x - ends[0].x, ends[1].y - ends[0].y) - library, 2.0 * kPi);
}

TEST(ProjGridLines, UtmGridOnConformalMapViewsAndAtAnEqualAreaCentre) {
    constexpr double kDeg = 3.141592653589793 / 180.0;
    // World Mercator (EPSG:3395) is conformal on the ellipsoid: the directions agree to the
    // 1-metre chord's curvature, far below 1e-5 degrees.
    // Web Mercator (EPSG:3857) is conformal only on its sphere; fed ellipsoidal latitudes its
    // scales along meridian and parallel differ by up to (1 - e^2 sin^2 phi) / (1 - e^2) - 1, which
    // turns a line at angle g from the meridian by at most that times sin g cos g: under 0.008
    // degrees within the zone (|g| < 3 degrees). 0.01 degrees bounds both.
    for (const char *mapView : {"EPSG:3395", "EPSG:3857"}) {
        const double tol = std::string(mapView) == "EPSG:3395" ? 1e-5 * kDeg : 0.01 * kDeg;
        for (double e = 300000.0; e <= 700000.0; e += 50000.0)
            for (double n = 500000.0; n <= 9300000.0; n += 400000.0)
                for (bool northward : {true, false})
                    EXPECT_NEAR(GridLineMisfit(mapView, e, n, northward), 0.0, tol)
                        << mapView << " at " << e << ", " << n << (northward ? " north" : " east");
    }
    // LAEA Europe (EPSG:3035) keeps areas, not angles; at its centre (52N 10E) the angular
    // distortion vanishes and the directions agree to 0.01 degrees. The point in UTM 32N:
    // echo "52 10" | cs2cs -d 3 EPSG:4326 EPSG:32632 -> 568649.705 5761510.317
    for (bool northward : {true, false})
        EXPECT_NEAR(GridLineMisfit("EPSG:3035", 568649.705, 5761510.317, northward), 0.0, 0.01 * kDeg);
}

TEST(TransformService, ThroughTheGeographicSpaceAndBackOrExactlyNothing) {
    // Map view in metres on a sphere of radius R; the target stores geographic degrees.
    const double R = 6378137.0, pi = std::acos(-1.0);
    auto mapView = parallo_test::MakeIdentitySystem();
    mapView->Config().R = R;
    auto mgr = parallo_test::MakeManager(mapView);
    auto tr = TransformTo(*mgr, parallo_test::MakeGeographicSystem());
    shapekit::LineGeometry line(Point(R * pi / 2, 0.0, 3.0), Point(-R * pi / 4, R * pi / 6));
    mgr->GetTransformService()->TransformGeometry(line, *tr, 0);
    EXPECT_NEAR(line.Start().x, 90.0, 1e-12); // a few roundings of values up to 90
    EXPECT_TRUE(parallo_test::Near(line.End(), Point(-45.0, 30.0), 1e-12));
    EXPECT_EQ(line.Start().z, 3.0);
    mgr->GetTransformService()->TransformGeometry(line, *tr, 1);
    EXPECT_NEAR(line.Start().x, R * pi / 2, 1e-6); // 1e-6 m at coordinates ~1e7
    EXPECT_NEAR(line.End().y, R * pi / 6, 1e-6);

    // The same system on both sides is the identity, bit for bit, in both directions.
    auto rotated = parallo_test::MakeRotatedSystem(0.3, 0.3048, 1234.5, -77.0);
    auto same = TransformTo(*parallo_test::MakeManager(rotated), rotated);
    for (int direction : {0, 1}) {
        Point p(0.1, 0.7);
        same->Transform(&p, 1, direction);
        EXPECT_EQ(p.x, 0.1);
        EXPECT_EQ(p.y, 0.7);
    }
}

TEST(TransformService, FailuresRaiseAndLeaveThePointsAsTheyWere) {
    // A missing workspace or target is 91, on the base service and on PROJ's.
    for (const auto &service :
         {std::make_shared<coordkit::TransformService>(), coordkit::CreateProjTransformService()}) {
        coordkit::CoordSystemsMgr noWorkspace(nullptr, service);
        EXPECT_RAISES(TransformTo(noWorkspace, coordkit::CreateProjCoordSystem("EPSG:4326")), 91);
        coordkit::CoordSystemsMgr mgr(coordkit::CreateProjCoordSystem("EPSG:4326"), service);
        EXPECT_RAISES(TransformTo(mgr, nullptr), 91);
    }
    auto mgr = parallo_test::MakeManager(parallo_test::MakeIdentitySystem());
    auto target = parallo_test::MakeIdentitySystem();
    auto tr = TransformTo(*mgr, target);
    std::vector<Point> pts = {{1, 2}, {3, 4}};
    target->Config().failure = parallo_test::ConvertFailure::kRaise; // its error reaches the caller
    EXPECT_RAISES(tr->Transform(pts.data(), pts.size(), 0), 5);
    // NaN without complaint from the target: the transformation raises Overflow.
    target->Config().failure = parallo_test::ConvertFailure::kNotFinite;
    EXPECT_RAISES(tr->Transform(pts.data(), pts.size(), 0), 6);
    EXPECT_RAISES(tr->Transform(pts.data(), pts.size(), 1), 6);
    EXPECT_EQ(pts[0].x, 1.0);
    EXPECT_EQ(pts[1].y, 4.0);
    target->Config().failure = parallo_test::ConvertFailure::kNone;
    EXPECT_RAISES(tr->Transform(pts.data(), pts.size(), 2), 5); // unknown direction
    tr->Transform(nullptr, 0, 0);                               // an empty run is nothing to do
}

} // namespace
