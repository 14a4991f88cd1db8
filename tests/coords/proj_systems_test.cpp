// Coordinate systems and units made by PROJ: creation, storage types, the three spaces against
// values from PROJ's command-line tools, grid convergence, the axis description, linear units.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "parallo/coordkit_proj.h"
#include "support/checks.h"
#include "support/raises.h"

namespace {

using coordkit::CreateProjCoordSystem;
using coordkit::kGeographic;
using coordkit::kProjectionPlane;
using coordkit::kStorage;
using parallo_test::Near;
using shapekit::Point;

constexpr double kPi = 3.141592653589793;
constexpr double kDeg = kPi / 180.0;

// Plane values from cs2cs are printed to 1e-6 of the unit; 1e-5 leaves room for that rounding.
constexpr double kPlaneTol = 1e-5;

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
    // Without "+type=crs" PROJ reads an operation; the host meant the system, EPSG:32632.
    {"+proj=utm +zone=32 +datum=WGS84", 9.5, 50.0, 535833.459198, 5538750.477579, 1.0, "m", 0, 0},
    {"  +proj=utm +zone=32 +datum=WGS84 +type=crs ", 9.5, 50.0, 535833.459198, 5538750.477579, 1.0, "m", 0,
     0},
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

        const auto convert = [&](std::int32_t from, std::int32_t to, double x, double y) {
            double z = 7.0;
            cs->ConvertPoint(from, to, x, y, z);
            EXPECT_EQ(z, 7.0) << "z passes through";
            return Point(x, y);
        };
        const Point geographic(c.lon * kDeg, c.lat * kDeg);
        // 4 -> 12 storage units; 4 -> 1 metres, whatever the system's unit.
        EXPECT_TRUE(
            Near(convert(kGeographic, kStorage, geographic.x, geographic.y), Point(c.x, c.y), kPlaneTol));
        EXPECT_TRUE(Near(convert(kGeographic, kProjectionPlane, geographic.x, geographic.y),
                         Point(c.x * c.toMetre, c.y * c.toMetre), kPlaneTol));
        // 12 -> 4 back. 1e-6 of the unit is at most 1e-6 m, 1.6e-13 rad of arc; the rest is the
        // inverse formulas: LAEA's inverse goes through a series for the authalic latitude, good to
        // some 3e-11 rad.
        EXPECT_TRUE(Near(convert(kStorage, kGeographic, c.x, c.y), geographic, 1e-10));

        auto axis = cs->ProjectionSpace()->AxisInfo();
        EXPECT_EQ(axis->UnitName(), c.unit);
        EXPECT_EQ(axis->ProjectedQuadrant(), c.projectedQuadrant);
        EXPECT_EQ(axis->GeographicQuadrant(), c.geographicQuadrant);

        std::vector<Point> run = {{c.lon * kDeg, c.lat * kDeg, 7.0}, {(c.lon + 1) * kDeg, c.lat * kDeg}};
        cs->ConvertPoints(kGeographic, kStorage, run.data(), run.size()); // a run as point by point
        EXPECT_NEAR(run[0].x, c.x, kPlaneTol);
        EXPECT_EQ(run[0].z, 7.0);
    }
}

TEST(ProjCoordSystem, GeographicSystem) {
    for (const char *definition : {"EPSG:4326", "OGC:CRS84", "+proj=longlat +datum=WGS84"}) {
        SCOPED_TRACE(definition);
        auto cs = CreateProjCoordSystem(definition);
        EXPECT_EQ(cs->BaseStorageType(), coordkit::kGeographicStorage);
        EXPECT_EQ(cs->ProjectionSpace()->AxisInfo()->UnitName(), "deg");
        EXPECT_EQ(cs->ProjectionSpace()->AxisInfo()->GeographicQuadrant(), 0);
        double x = 10.0, y = 50.0, z = 3.0; // storage is degrees, longitude first; space 4 radians
        cs->ConvertPoint(kStorage, kGeographic, x, y, z);
        EXPECT_TRUE(Near(Point(x, y), Point(10.0 * kDeg, 50.0 * kDeg), 1e-15)) << "a few ulps";
        EXPECT_EQ(z, 3.0);
        cs->ConvertPoint(kGeographic, kStorage, x, y, z);
        EXPECT_NEAR(x, 10.0, 1e-12); // two roundings of 10
        EXPECT_EQ(cs->ProjectionSpace()->GetAngle(0.3, 0.9, 0.0), 0.0);
    }
    // EPSG:4326 is latitude-first in its definition; OGC:CRS84 is longitude-first.
    EXPECT_EQ(CreateProjCoordSystem("EPSG:4326")->ProjectionSpace()->AxisInfo()->ProjectedQuadrant(), 6);
    EXPECT_EQ(CreateProjCoordSystem("OGC:CRS84")->ProjectionSpace()->AxisInfo()->ProjectedQuadrant(), 0);
}

TEST(ProjCoordSystem, ParisMeridianInGrads) {
    // NTF (Paris) counts longitudes from Paris in grads; spaces 4 and 12 still count radians and
    // degrees from Greenwich. echo "48.8566 2.3522" | cs2cs -d 6 EPSG:4275 EPSG:27572
    auto lambert = coordkit::CreateProjCoordSystem("EPSG:27572");
    double x = 2.3522 * kDeg, y = 48.8566 * kDeg, z = 0.0;
    lambert->ConvertPoint(kGeographic, kStorage, x, y, z);
    // cs2cs turns by "+pm=paris" (2d20'14.025"), the system's prime meridian says 2.5969213 grad:
    // 3.3e-9 degrees apart, 0.25 mm here; 1e-3 m covers it.
    EXPECT_TRUE(Near(Point(x, y), Point(601099.218001, 2428688.180242), 1e-3));
    lambert->ConvertPoint(kStorage, kGeographic, x, y, z);
    EXPECT_TRUE(Near(Point(x, y), Point(2.3522 * kDeg, 48.8566 * kDeg), 1e-11))
        << "back through the same formulas";
}

TEST(ProjCoordSystem, BadDefinitionsFailNamingTheDefinition) {
    for (const std::string definition :
         {"EPSG:999999", "not a system", "", "EPSG:5703" /* vertical */, "EPSG:4978" /* geocentric */,
          "+proj=nosuchprojection +type=crs", "PROJCRS[\"broken\""}) {
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
    std::vector<Point> run = {{0.1, 0.5}, {0.2, 0.6}, {0.3, kPi / 2.0}};
    const std::vector<Point> before = run;
    EXPECT_THROW(merc->ConvertPoints(kGeographic, kStorage, run.data(), run.size()), parallo::Error);
    EXPECT_EQ(std::memcmp(run.data(), before.data(), sizeof(Point) * run.size()), 0);
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

double Convergence(const char *definition, double lonDeg, double latDeg) {
    return CreateProjCoordSystem(definition)->ProjectionSpace()->GetAngle(lonDeg * kDeg, latDeg * kDeg, 0.0) /
           kDeg;
}

TEST(ProjConvergence, MatchesProjFactors) {
    // Values from proj -V, which prints the meridian convergence in degrees, e.g.
    //   echo "12 50" | proj -V +proj=utm +zone=32 +ellps=WGS84
    // proj -V prints 8 decimals of a degree; 1e-7 degrees leaves room for that rounding and for the
    // numerical derivative along the meridian (below 1e-8 degrees).
    constexpr double kTol = 1e-7;
    const struct {
        const char *definition;
        double lon, lat, degrees;
    } cases[] = {
        {"EPSG:32632", 12.0, 50.0, 2.29900844}, // east of 9E: positive
        {"EPSG:32632", 6.0, 50.0, -2.29900844}, // west of 9E: negative
        {"EPSG:32632", 9.0, 50.0, 0.0},         // on the central meridian
        // echo "-73.0 40.75" | proj -V +proj=lcc +lat_0=40.1666666666667 +lon_0=-74
        //   +lat_1=41.0333333333333 +lat_2=40.6666666666667 +x_0=300000 +y_0=0 +ellps=GRS80
        {"EPSG:2263", -73.0, 40.75, 0.65408209},
        // echo "20 60" | proj -V +proj=laea +lat_0=52 +lon_0=10 +x_0=4321000 +y_0=3210000 +ellps=GRS80
        {"EPSG:3035", 20.0, 60.0, 8.51679239},
        {"EPSG:3857", 40.0, 70.0, 0.0}, // Mercator's meridians are parallel to its y axis
        // EPSG:22275's +y is the southing: grid north is true south turned by the convergence.
        // echo "15.5 -33.9" | proj -V +proj=tmerc +lat_0=0 +lon_0=15 +k=1 +x_0=0 +y_0=0
        //   +a=6378249.145 +rf=293.4663077    ->  -0.27887750
        {"EPSG:22275", 15.5, -33.9, 180.0 - 0.27887750},
        {"EPSG:22275", 14.5, -33.9, 180.0 + 0.27887750},
    };
    for (const auto &c : cases) {
        double d = std::fmod(Convergence(c.definition, c.lon, c.lat) - c.degrees, 360.0); // fold the turn
        d = d > 180.0 ? d - 360.0 : d <= -180.0 ? d + 360.0 : d;
        EXPECT_NEAR(d, 0.0, kTol) << c.definition << " at " << c.lon << ", " << c.lat;
    }
    // echo "12 -30" | proj -V +proj=utm +zone=32 +south...: in the south the signs turn.
    EXPECT_LT(Convergence("EPSG:32732", 12.0, -30.0), 0.0);
    EXPECT_GT(Convergence("EPSG:32732", 6.0, -30.0), 0.0);
}

TEST(ProjConvergence, AtThePoleAndOutside) {
    // At a pole the derivative is one-sided; an ulp beyond the pole (as a conversion from degrees
    // may give) is the pole, for angles and conversions alike.
    EXPECT_TRUE(std::isfinite(Convergence("EPSG:3413", 10.0, 90.0))); // north polar stereographic
    auto utm = CreateProjCoordSystem("EPSG:32632")->ProjectionSpace();
    EXPECT_THROW(utm->GetAngle(0.1, 1.6, 0.0), parallo::Error);
    EXPECT_TRUE(std::isfinite(utm->GetAngle(0.1, kPi / 2.0 * (1.0 + 1e-15), 0.0)));
    EXPECT_THROW(utm->GetAngle(NAN, 0.5, 0.0), parallo::Error);
    double x = 0.0, y = kPi / 2.0 * (1.0 + 1e-15), z = 0.0;
    CreateProjCoordSystem("EPSG:4326")->ConvertPoint(kGeographic, kStorage, x, y, z);
    EXPECT_EQ(y, 90.0);
}

TEST(ProjUnits, CodesAndConversions) {
    auto units = coordkit::CreateProjUnitsOfMeasure();
    const auto code = [&](const char *name) { return units->GetUnitCode(1, name); };
    // The metre's abbreviation is answered without reading the table: the table's code of its names.
    for (const char *metre : {"metre", "Meter", "m", " M "})
        EXPECT_EQ(code(metre), coordkit::kMetreUnitCode) << metre;
    EXPECT_EQ(code("ftUS"), code("US survey foot"));
    EXPECT_EQ(code("us-ft"), code("ftUS")); // PROJ's short name
    EXPECT_EQ(code("ft"), code("foot"));
    EXPECT_EQ(code(" km "), code("kilometre"));
    EXPECT_NE(code("ft"), code("ftUS"));
    EXPECT_GT(code("inch"), 100000); // units of other authorities in PROJ's database
    // The foot is 0.3048 m exactly, the US survey foot 1200/3937 m; tolerances are a few ulps.
    EXPECT_NEAR(units->ConvertValue(1, 1000.0, code("ft"), 59), 304.8, 1e-12);
    EXPECT_NEAR(units->ConvertValue(1, 3937.0, code("ftUS"), 59), 1200.0, 1e-9);
    EXPECT_NEAR(units->ConvertValue(1, 2.5, code("km"), code("ft")), 2500.0 / 0.3048, 1e-9);
    EXPECT_EQ(units->ConvertValue(1, 17.25, 59, 59), 17.25);
    // PROJ's database gives the decimetre 0.01 m; it is 0.1 m.
    EXPECT_NEAR(units->ConvertValue(1, 1.0, code("dm"), 59), 0.1, 1e-15);
}

TEST(ProjUnits, EveryAxisUnitNameIsKnownAndUnknownUnitsFail) {
    // The label generator asks GetUnitCode for the grid's UnitName: each must be known.
    auto units = coordkit::CreateProjUnitsOfMeasure();
    for (const char *definition : {"EPSG:32632", "EPSG:2263", "EPSG:2227", "EPSG:27700", "EPSG:3857",
                                   "EPSG:6576", "EPSG:24378" /* Indian feet */}) {
        const std::string name = CreateProjCoordSystem(definition)->ProjectionSpace()->AxisInfo()->UnitName();
        EXPECT_NO_THROW(units->GetUnitCode(1, name)) << definition << " " << name;
    }
    EXPECT_THROW(units->GetUnitCode(2, "m"), parallo::Error);
    EXPECT_THROW(units->ConvertValue(1, 1.0, 59, 12345678), parallo::Error);
    try {
        units->GetUnitCode(1, "parsec");
        ADD_FAILURE() << "no failure";
    } catch (const parallo::Error &e) {
        EXPECT_NE(e.Description().find("\"parsec\""), std::string::npos);
    }
}

} // namespace
