// Coordinate systems made by PROJ: creation, storage types, the three spaces against values from
// PROJ's command-line tools, grid convergence, and the axis description.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "parallo/coordkit_proj.h"
#include "parallo/error.h"

namespace {

using coordkit::CreateProjCoordSystem;
using coordkit::kGeographic;
using coordkit::kProjectionPlane;
using coordkit::kStorage;

constexpr double kPi = 3.141592653589793;
constexpr double kDeg = kPi / 180.0;

// Plane values from cs2cs are printed to 1e-6 of the unit; 1e-5 leaves room for that rounding.
constexpr double kPlaneTol = 1e-5;
// Round trips through PROJ's forward and inverse formulas: the series are exact to far better
// than 1e-9 (radians, or units of the system) at these points.
constexpr double kRoundTripTol = 1e-9;

struct Case {
    const char *definition;
    double lon, lat;  // degrees on the system's own datum
    double x, y;      // storage units, axes normalised (x easting or westing)
    double toMetre;   // metres per storage unit
    const char *unit; // UnitName
    int projectedQuadrant;
    int geographicQuadrant;
};

// Each row from: echo "<lat> <lon>" | cs2cs -d 6 <geographic base> <definition>
const Case kCases[] = {
    // echo "50 9.5" | cs2cs -d 6 EPSG:4326 EPSG:32632
    {"EPSG:32632", 9.5, 50.0, 535833.459198, 5538750.477579, 1.0, "m", 0, 0},
    // echo "50 10" | cs2cs -d 6 EPSG:4326 EPSG:3857
    {"EPSG:3857", 10.0, 50.0, 1113194.907933, 6446275.841017, 1.0, "m", 0, 0},
    // echo "60 20" | cs2cs -d 6 EPSG:4258 EPSG:3035  (printed northing first: 4139313.258590 4878271.221310)
    {"EPSG:3035", 20.0, 60.0, 4878271.221310, 4139313.258590, 1.0, "m", 6, 0},
    // echo "40.75 -73.98" | cs2cs -d 6 EPSG:4269 EPSG:2263  (US survey feet)
    {"EPSG:2263", -73.98, 40.75, 989791.457349, 212522.519239, 1200.0 / 3937.0, "ftUS", 0, 0},
    // echo "-33.9 15.5" | cs2cs -d 6 EPSG:4222 EPSG:22275  (westing, southing)
    {"EPSG:22275", 15.5, -33.9, -46248.274622, 3752402.594805, 1.0, "m", 2, 0},
};

TEST(ProjCoordSystem, ProjectedSystemsMatchCs2cs) {
    for (const Case &c : kCases) {
        SCOPED_TRACE(c.definition);
        auto cs = CreateProjCoordSystem(c.definition);
        ASSERT_TRUE(cs);
        EXPECT_EQ(cs->BaseStorageType(), coordkit::kProjectedStorage);
        EXPECT_EQ(cs->StorageScale(), 1.0);

        // 4 -> 12: storage units.
        double x = c.lon * kDeg, y = c.lat * kDeg, z = 7.0;
        cs->ConvertPoint(kGeographic, kStorage, x, y, z);
        EXPECT_NEAR(x, c.x, kPlaneTol);
        EXPECT_NEAR(y, c.y, kPlaneTol);
        EXPECT_EQ(z, 7.0) << "z passes through";

        // 4 -> 1: metres, whatever the system's unit.
        x = c.lon * kDeg, y = c.lat * kDeg;
        cs->ConvertPoint(kGeographic, kProjectionPlane, x, y, z);
        EXPECT_NEAR(x, c.x * c.toMetre, kPlaneTol);
        EXPECT_NEAR(y, c.y * c.toMetre, kPlaneTol);

        // 12 -> 4 and 1 -> 4 back to the geographic position.
        x = c.x, y = c.y;
        cs->ConvertPoint(kStorage, kGeographic, x, y, z);
        // 1e-6 of the unit is at most 1e-6 m, 1.6e-13 rad of arc; the rest is the inverse formulas:
        // LAEA's inverse goes through a series for the authalic latitude, good to some 3e-11 rad.
        EXPECT_NEAR(x, c.lon * kDeg, 1e-10);
        EXPECT_NEAR(y, c.lat * kDeg, 1e-10);

        auto axis = cs->ProjectionSpace()->AxisInfo();
        EXPECT_EQ(axis->UnitName(), c.unit);
        EXPECT_EQ(axis->ProjectedQuadrant(), c.projectedQuadrant);
        EXPECT_EQ(axis->GeographicQuadrant(), c.geographicQuadrant);

        std::vector<shapekit::Point> run = {{c.lon * kDeg, c.lat * kDeg, 7.0},
                                            {(c.lon + 1) * kDeg, c.lat * kDeg}};
        cs->ConvertPoints(kGeographic, kStorage, run.data(), run.size()); // a run as point by point
        EXPECT_NEAR(run[0].x, c.x, kPlaneTol);
        EXPECT_EQ(run[0].z, 7.0);

        for (int i = -2; i <= 2; ++i) { // 4 -> 12 -> 4 around the point
            const double lon = (c.lon + 0.7 * i) * kDeg, lat = (c.lat + 0.4 * i) * kDeg;
            x = lon, y = lat;
            cs->ConvertPoint(kGeographic, kStorage, x, y, z);
            cs->ConvertPoint(kStorage, kGeographic, x, y, z);
            EXPECT_NEAR(x, lon, kRoundTripTol);
            EXPECT_NEAR(y, lat, kRoundTripTol);
        }
    }
}

TEST(ProjCoordSystem, GeographicSystem) {
    for (const char *definition : {"EPSG:4326", "OGC:CRS84", "+proj=longlat +datum=WGS84"}) {
        SCOPED_TRACE(definition);
        auto cs = CreateProjCoordSystem(definition);
        EXPECT_EQ(cs->BaseStorageType(), coordkit::kGeographicStorage);
        auto axis = cs->ProjectionSpace()->AxisInfo();
        EXPECT_EQ(axis->UnitName(), "deg");
        EXPECT_EQ(axis->GeographicQuadrant(), 0);
        // Storage is degrees, longitude first; spaces 1 and 4 are radians.
        double x = 10.0, y = 50.0, z = 3.0;
        cs->ConvertPoint(kStorage, kGeographic, x, y, z);
        EXPECT_DOUBLE_EQ(x, 10.0 * kDeg);
        EXPECT_DOUBLE_EQ(y, 50.0 * kDeg);
        EXPECT_EQ(z, 3.0);
        cs->ConvertPoint(kGeographic, kStorage, x, y, z);
        EXPECT_NEAR(x, 10.0, 1e-12);
        EXPECT_EQ(cs->ProjectionSpace()->GetAngle(0.3, 0.9, 0.0), 0.0);
    }
    // EPSG:4326 is latitude-first in its definition; OGC:CRS84 is longitude-first.
    EXPECT_EQ(CreateProjCoordSystem("EPSG:4326")->ProjectionSpace()->AxisInfo()->ProjectedQuadrant(), 6);
    EXPECT_EQ(CreateProjCoordSystem("OGC:CRS84")->ProjectionSpace()->AxisInfo()->ProjectedQuadrant(), 0);
}

TEST(ProjCoordSystem, ProjStringsWithOrWithoutTypeCrs) {
    // Without "+type=crs" PROJ reads an operation; the host meant the system (same as EPSG:32632).
    for (const char *definition :
         {"+proj=utm +zone=32 +datum=WGS84", "  +proj=utm +zone=32 +datum=WGS84 +type=crs "}) {
        SCOPED_TRACE(definition);
        double x = 9.5 * kDeg, y = 50.0 * kDeg, z = 0.0;
        CreateProjCoordSystem(definition)->ConvertPoint(kGeographic, kStorage, x, y, z);
        EXPECT_NEAR(x, 535833.459198, kPlaneTol);
        EXPECT_NEAR(y, 5538750.477579, kPlaneTol);
    }
}

TEST(ProjCoordSystem, BadDefinitionsFailNamingTheDefinition) {
    for (const std::string &definition :
         {std::string("EPSG:999999"), std::string("not a system"), std::string(""),
          std::string("EPSG:5703") /* a vertical system */, std::string("EPSG:4978") /* geocentric */,
          std::string("+proj=nosuchprojection +type=crs"), std::string("PROJCRS[\"broken\"")}) {
        SCOPED_TRACE(definition);
        try {
            CreateProjCoordSystem(definition);
            ADD_FAILURE() << "no failure";
        } catch (const parallo::Error &e) {
            EXPECT_EQ(e.Number(), parallo::kInvalidProcedureCall);
            EXPECT_NE(e.Description().find("\"" + definition + "\""), std::string::npos) << e.Description();
            // PROJ's reason follows the definition.
            EXPECT_GT(e.Description().size(), definition.size() + 40) << e.Description();
        }
    }
}

TEST(ProjCoordSystem, ConversionFailuresLeaveThePointsAlone) {
    auto merc = CreateProjCoordSystem("EPSG:3857");
    // Mercator has no pole: PROJ answers y = 2.4e8 m without an error; that is refused. So are
    // non-finite values, latitudes beyond 90 degrees and unknown spaces.
    const double bad[][4] = {{kGeographic, kStorage, 0.0, kPi / 2.0},
                             {kGeographic, kStorage, INFINITY, 0.5},
                             {kStorage, kGeographic, 1.0, NAN},
                             {kGeographic, kProjectionPlane, 0.1, 1.6},
                             {kGeographic, 5, 1.0, 1.0}};
    for (const auto &b : bad) {
        double x = b[2], y = b[3], z = 0.0;
        EXPECT_THROW(
            merc->ConvertPoint(static_cast<std::int32_t>(b[0]), static_cast<std::int32_t>(b[1]), x, y, z),
            parallo::Error);
        EXPECT_EQ(std::memcmp(&y, &b[3], sizeof y), 0);
    }
    std::vector<shapekit::Point> run = {{0.1, 0.5}, {0.2, 0.6}, {0.3, kPi / 2.0}};
    const std::vector<shapekit::Point> before = run;
    EXPECT_THROW(merc->ConvertPoints(kGeographic, kStorage, run.data(), run.size()), parallo::Error);
    EXPECT_EQ(std::memcmp(run.data(), before.data(), sizeof(shapekit::Point) * run.size()), 0);
}

TEST(ProjCoordSystem, LocalPlaneSystem) {
    auto local = CreateProjCoordSystem(
        "ENGCRS[\"Site grid\",EDATUM[\"Site\"],CS[Cartesian,2],AXIS[\"x\",east,LENGTHUNIT[\"foot\",0.3048]],"
        "AXIS[\"y\",north,LENGTHUNIT[\"foot\",0.3048]]]");
    EXPECT_FALSE(local->CanConvert(1, 4));
    EXPECT_TRUE(local->CanConvert(12, 1));
    EXPECT_EQ(local->BaseStorageType(), coordkit::kProjectedStorage);
    EXPECT_EQ(local->ProjectionSpace()->AxisInfo()->UnitName(), "ft");
    double x = 100.0, y = 10.0, z = 0.0;
    local->ConvertPoint(kStorage, kProjectionPlane, x, y, z);
    EXPECT_DOUBLE_EQ(x, 30.48);
    EXPECT_THROW(local->ConvertPoint(kProjectionPlane, kGeographic, x, y, z), parallo::Error);
    EXPECT_EQ(local->ProjectionSpace()->GetAngle(0.1, 0.1, 0.0), 0.0);
}

// ---- grid convergence ----------------------------------------------------------------------

double Convergence(const char *definition, double lonDeg, double latDeg) {
    return CreateProjCoordSystem(definition)->ProjectionSpace()->GetAngle(lonDeg * kDeg, latDeg * kDeg, 0.0) /
           kDeg;
}

/// The difference of two angles in degrees, folded into (-180, 180].
double AngleDiff(double a, double b) {
    double d = std::fmod(a - b, 360.0);
    if (d > 180.0) d -= 360.0;
    if (d <= -180.0) d += 360.0;
    return d;
}

TEST(ProjConvergence, MatchesProjFactors) {
    // Values from proj -V, which prints the meridian convergence in degrees, e.g.
    //   echo "12 50" | proj -V +proj=utm +zone=32 +ellps=WGS84
    // proj -V prints 8 decimals of a degree; 1e-7 degrees leaves room for that rounding and for the
    // numerical derivative along the meridian (below 1e-8 degrees).
    constexpr double kTol = 1e-7;
    EXPECT_NEAR(Convergence("EPSG:32632", 12.0, 50.0), 2.29900844, kTol); // east of 9E: positive
    EXPECT_NEAR(Convergence("EPSG:32632", 6.0, 50.0), -2.29900844, kTol); // west of 9E: negative
    EXPECT_NEAR(Convergence("EPSG:32632", 9.0, 50.0), 0.0, kTol);         // on the central meridian
    // echo "12 -30" | proj -V +proj=utm +zone=32 +south...: in the south the signs turn.
    EXPECT_LT(Convergence("EPSG:32732", 12.0, -30.0), 0.0);
    EXPECT_GT(Convergence("EPSG:32732", 6.0, -30.0), 0.0);
    // echo "-73.0 40.75" | proj -V +proj=lcc +lat_0=40.1666666666667 +lon_0=-74
    //   +lat_1=41.0333333333333 +lat_2=40.6666666666667 +x_0=300000 +y_0=0 +ellps=GRS80
    EXPECT_NEAR(Convergence("EPSG:2263", -73.0, 40.75), 0.65408209, kTol);
    // echo "20 60" | proj -V +proj=laea +lat_0=52 +lon_0=10 +x_0=4321000 +y_0=3210000 +ellps=GRS80
    EXPECT_NEAR(Convergence("EPSG:3035", 20.0, 60.0), 8.51679239, kTol);
    // Mercator's meridians are parallel to its y axis.
    EXPECT_NEAR(Convergence("EPSG:3857", 40.0, 70.0), 0.0, kTol);
    // EPSG:22275's +y is the southing: grid north is true south turned by the convergence.
    // echo "15.5 -33.9" | proj -V +proj=tmerc +lat_0=0 +lon_0=15 +k=1 +x_0=0 +y_0=0
    //   +a=6378249.145 +rf=293.4663077    ->  -0.27887750
    EXPECT_NEAR(AngleDiff(Convergence("EPSG:22275", 15.5, -33.9), 180.0 - 0.27887750), 0.0, kTol);
    EXPECT_NEAR(AngleDiff(Convergence("EPSG:22275", 14.5, -33.9), 180.0 + 0.27887750), 0.0, kTol);
}

TEST(ProjConvergence, AtThePoleAndOutside) {
    // At a pole the derivative is one-sided; an ulp beyond the pole (as a conversion from degrees
    // may give) is the pole, for angles and conversions alike.
    const double atPole = Convergence("EPSG:3413", 10.0, 90.0); // north polar stereographic, lon_0 -45
    EXPECT_TRUE(std::isfinite(atPole));
    auto utm = CreateProjCoordSystem("EPSG:32632")->ProjectionSpace();
    EXPECT_THROW(utm->GetAngle(0.1, 1.6, 0.0), parallo::Error);
    EXPECT_TRUE(std::isfinite(utm->GetAngle(0.1, kPi / 2.0 * (1.0 + 1e-15), 0.0)));
    EXPECT_THROW(utm->GetAngle(NAN, 0.5, 0.0), parallo::Error);
    auto geo = CreateProjCoordSystem("EPSG:4326");
    double x = 0.0, y = kPi / 2.0 * (1.0 + 1e-15), z = 0.0;
    geo->ConvertPoint(kGeographic, kStorage, x, y, z);
    EXPECT_EQ(y, 90.0);
}

TEST(ProjCoordSystem, ParisMeridianAndGrads) {
    // NTF (Paris) counts longitudes from Paris in grads; spaces 4 and 12 still count degrees and
    // radians from Greenwich, so the same place has the same numbers as on NTF (Greenwich).
    // echo "48.8566 2.3522" | cs2cs -d 6 EPSG:4275 EPSG:27572  ->  601099.218001 2428688.180242
    auto lambert = coordkit::CreateProjCoordSystem("EPSG:27572");
    double x = 2.3522 * kDeg, y = 48.8566 * kDeg, z = 0.0;
    lambert->ConvertPoint(kGeographic, kStorage, x, y, z);
    // cs2cs turns by "+pm=paris" (2d20'14.025"), the system's prime meridian says 2.5969213 grad:
    // 3.3e-9 degrees apart, 0.25 mm here; 1e-3 m covers it.
    EXPECT_NEAR(x, 601099.218001, 1e-3);
    EXPECT_NEAR(y, 2428688.180242, 1e-3);
    lambert->ConvertPoint(kStorage, kGeographic, x, y, z);
    EXPECT_NEAR(x, 2.3522 * kDeg, 1e-11); // back through the same formulas
    EXPECT_NEAR(y, 48.8566 * kDeg, 1e-11);

    // NTF (Greenwich) to NTF (Paris) is a turn about the pole by the Paris meridian; in storage
    // degrees from Greenwich the point comes out as it went in.
    auto mgr = coordkit::CreateProjCoordSystemsMgr(coordkit::CreateProjCoordSystem("EPSG:4275"));
    auto t = mgr->GetTransformService()->CreateSimpleTransFromCSMtoCS(
        *mgr, coordkit::CreateProjCoordSystem("EPSG:4807"));
    shapekit::Point p(2.3522, 48.8566);
    t->Transform(&p, 1, 0);
    // The same two values of the Paris meridian, 3.3e-9 degrees apart, hence 1e-8.
    EXPECT_NEAR(p.x, 2.3522, 1e-8);
    EXPECT_NEAR(p.y, 48.8566, 1e-9);
}

} // namespace
