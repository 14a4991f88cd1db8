// Azimuths of vectors, grid-to-map-view angles at a point, label rotation and angle folding.
#include <cmath>
#include <limits>
#include <random>

#include "geometry_fixture.h"
#include "parallo/coordkit_proj.h"

namespace geometry_test {
namespace {

using parallo::detail::GetAzimuths;
using parallo::detail::GetLabelRotation;
using parallo::detail::GetLatitudeDirection;
using parallo::detail::GetSegmentAzimuth;
using parallo::detail::Normalize_Angle;
using shapekit::Point;

constexpr double kSentinel = -777.0;
const char *const kOutOfRange = "Latitude or Longitude out of range (+/- 90, +/-180)";

double Azimuth(double x1, double y1, double x2, double y2) {
    double a = kSentinel;
    GetSegmentAzimuth(x1, y1, x2, y2, a);
    return a;
}

// ---- GetSegmentAzimuth ------------------------------------------------------------------------

TEST(SegmentAzimuth, Quadrants) {
    // atan of +-1 and the quadrant offsets: exact to a couple of ulps of 2 pi.
    const double tol = 1e-15;
    EXPECT_NEAR(Azimuth(0, 0, 1, 1), kPi / 4.0, tol);
    EXPECT_NEAR(Azimuth(0, 0, 1, -1), 3.0 * kPi / 4.0, tol);
    EXPECT_NEAR(Azimuth(0, 0, -1, -1), 5.0 * kPi / 4.0, tol);
    EXPECT_NEAR(Azimuth(0, 0, -1, 1), 7.0 * kPi / 4.0, tol);
    EXPECT_EQ(Azimuth(0, 0, 0, 1), 2.0 * kPi); // due north is 2 pi, never 0
    EXPECT_EQ(Azimuth(0, 0, 1, 0), kPi / 2.0);
    EXPECT_EQ(Azimuth(0, 0, -1, 0), 3.0 * kPi / 2.0);
    EXPECT_EQ(Azimuth(0, 0, 0, -1), kPi);
    EXPECT_EQ(Azimuth(3, 4, 3, 4), 2.0 * kPi); // no length
}

TEST(SegmentAzimuth, ClockwiseFromNorthOnRandomVectors) {
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> c(-1e4, 1e4);
    for (int k = 0; k < 5000; ++k) {
        const double x1 = c(rng), y1 = c(rng), x2 = c(rng), y2 = c(rng);
        const double a = Azimuth(x1, y1, x2, y2);
        EXPECT_GT(a, 0.0);
        EXPECT_LE(a, 2.0 * kPi);
        const double len = std::hypot(x2 - x1, y2 - y1);
        // sin and cos of an azimuth from atan: agreement to a few ulps of 1.
        EXPECT_NEAR(std::sin(a), (x2 - x1) / len, 1e-12);
        EXPECT_NEAR(std::cos(a), (y2 - y1) / len, 1e-12);
    }
}

TEST(SegmentAzimuth, NearlyLevelVectorDoesNotOverflow) {
    // dx / dy overflows to infinity; the azimuth is still east or west.
    EXPECT_EQ(Azimuth(0, 0, 1e300, 1e-300), kPi / 2.0);
    EXPECT_EQ(Azimuth(0, 0, 1e300, -1e-300), kPi / 2.0);
    EXPECT_EQ(Azimuth(0, 0, -1e300, -1e-300), 3.0 * kPi / 2.0);
}

// ---- Normalize_Angle ----------------------------------------------------------------------------

class NormalizeAngle : public GeometryTest {};

TEST_F(NormalizeAngle, FoldsAndQuadrants) {
    double a = 540.0;
    EXPECT_EQ(Normalize_Angle(s, a, 1), 0.0); // 540 -> 180 -> folds to 0
    EXPECT_EQ(a, 0.0);
    a = -135.0;
    EXPECT_EQ(Normalize_Angle(s, a, 3), 225.0); // folds to -45, A = 45
    EXPECT_EQ(a, -45.0);
    a = 30.0;
    EXPECT_EQ(Normalize_Angle(s, a, 7), 0.0);
    EXPECT_EQ(a, 30.0);
    a = 180.0;
    EXPECT_EQ(Normalize_Angle(s, a, 1), 0.0);
    a = -180.0;
    EXPECT_EQ(Normalize_Angle(s, a, 1), 0.0);
    EXPECT_EQ(a, 0.0);
    const double quadrants[] = {0.0, 30.0, 150.0, 210.0, 330.0};
    for (std::int32_t q = 1; q <= 4; ++q) {
        a = 390.0; // one turn above 30
        EXPECT_EQ(Normalize_Angle(s, a, q), quadrants[q]) << q;
        EXPECT_EQ(a, 30.0);
    }
    a = 100.0;
    EXPECT_EQ(Normalize_Angle(s, a, 2), 100.0); // 100 folds to 80; 180 - 80
    EXPECT_EQ(a, 80.0);
    EXPECT_TRUE(reports.empty());
}

TEST_F(NormalizeAngle, FoldKeepsTheSineOnRandomAngles) {
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> deg(-5000.0, 5000.0);
    const double d2r = kPi / 180.0;
    for (int k = 0; k < 5000; ++k) {
        const double original = deg(rng);
        double a = original;
        const double r = Normalize_Angle(s, a, 1);
        // Folding into [-90, 90] keeps the sine: turns and reflections about +-90 degrees.
        EXPECT_GE(a, -90.0);
        EXPECT_LE(a, 90.0);
        EXPECT_EQ(r, std::fabs(a));
        // Reductions of up to 14 turns, each exact: the sines agree to rounding of the degree factor.
        EXPECT_NEAR(std::sin(a * d2r), std::sin(original * d2r), 1e-12);
    }
}

TEST_F(NormalizeAngle, HugeAndNonFiniteAngles) {
    double a = 1e300; // a turn is far below this angle's precision; no endless subtraction
    const double r = Normalize_Angle(s, a, 1);
    EXPECT_GE(a, -90.0);
    EXPECT_LE(a, 90.0);
    EXPECT_EQ(r, std::fabs(a));
    a = 360.0 * 1099511627776.0 + 45.0; // 2^40 turns and 45 degrees, exactly representable
    EXPECT_EQ(Normalize_Angle(s, a, 1), 45.0);
    EXPECT_TRUE(reports.empty());

    a = std::numeric_limits<double>::infinity();
    EXPECT_EQ(Normalize_Angle(s, a, 1), 0.0);
    EXPECT_TRUE(std::isinf(a)); // not written
    a = std::nan("");
    EXPECT_EQ(Normalize_Angle(s, a, 2), 0.0);
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[0].description, "Overflow");
    EXPECT_EQ(reports[0].trace, "In Normalize_Angle");
    EXPECT_EQ(reports[0].title, "Normalize_Angle Error");
}

// ---- GetAzimuths and GetLabelRotation on exact systems --------------------------------------

class Azimuths : public GeometryTest {
protected:
    void SetUp() override {
        GeometryTest::SetUp();
        mapView = parallo_test::MakeIdentitySystem();
        s.MapViewCoordSystem = mapView;
    }
    void RunAzimuths(const parallo::detail::CoordSystemPtr &cs, const Point &pt) {
        angleDelta = kSentinel;
        parallelDelta = kSentinel;
        GetAzimuths(s, cs, pt, angleDelta, parallelDelta);
    }
    void RunRotation(const parallo::detail::CoordSystemPtr &from, const Point &pt,
                     const parallo::detail::CoordSystemPtr &csGrid, const Point *corner = nullptr) {
        rotation = kSentinel;
        parallelRotation = kSentinel;
        retVal = 5;
        GetLabelRotation(s, from, pt, rotation, parallelRotation, csGrid, retVal, corner);
    }
    std::shared_ptr<parallo_test::CoordSystemDouble> mapView;
    double angleDelta = 0.0, parallelDelta = 0.0, rotation = 0.0, parallelRotation = 0.0;
    std::int32_t retVal = 0;
};

TEST_F(Azimuths, SameSystemGivesNoTurn) {
    RunAzimuths(mapView, {0.3, 0.2});
    EXPECT_EQ(angleDelta, 0.0);
    EXPECT_EQ(parallelDelta, kPi / 2.0);
    RunRotation(mapView, {0.3, 0.2}, mapView);
    EXPECT_EQ(rotation, 0.0);
    EXPECT_EQ(parallelRotation, 0.0);
    EXPECT_EQ(retVal, 5); // untouched on success
    EXPECT_TRUE(reports.empty());
}

TEST_F(Azimuths, RotatedGrid) {
    auto rotated = parallo_test::MakeRotatedSystem(0.5);
    RunAzimuths(rotated, {0.3, 0.2});
    EXPECT_EQ(angleDelta, 0.5); // grid minus map view
    RunRotation(rotated, {0.3, 0.2}, rotated);
    // Map view minus grid, in degrees: the factor 180/pi carries one rounding.
    EXPECT_NEAR(rotation, -0.5 * 180.0 / kPi, 1e-12);
    EXPECT_TRUE(reports.empty());
}

TEST_F(Azimuths, RangeBoundsAccepted) {
    s.GridIntervalsType = 1; // the point is longitude and latitude in radians
    RunAzimuths(mapView, {-kPi, kPi / 2.0});
    EXPECT_EQ(angleDelta, 0.0);
    RunAzimuths(mapView, {kPi, -kPi / 2.0});
    EXPECT_EQ(angleDelta, 0.0);
    EXPECT_TRUE(reports.empty());
}

TEST_F(Azimuths, LatitudeBeyondThePoleFails) {
    s.GridIntervalsType = 1;
    RunAzimuths(mapView, {0.0, kPi / 2.0 + 1e-12});
    EXPECT_EQ(angleDelta, kSentinel);
    EXPECT_EQ(parallelDelta, kSentinel);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].description, kOutOfRange);
    EXPECT_EQ(reports[0].trace, "Determining BaseStorageType");
    EXPECT_EQ(reports[0].title, "GetAzimuths Error");

    RunRotation(mapView, {0.0, -kPi / 2.0 - 1e-12}, mapView);
    EXPECT_EQ(retVal, -1);
    EXPECT_EQ(rotation, kSentinel);
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[1].description, kOutOfRange);
    EXPECT_EQ(reports[1].title, "GetLabelRotation Error");
}

TEST_F(Azimuths, LongitudeBeyondTheMeridianIsBroughtBackByWholeTurns) {
    // After the neatline is shifted across 180 degrees a grid point east of it carries a
    // longitude above pi. It is the same place as one turn less and must get its own angles.
    s.GridIntervalsType = 1;
    auto rotated = parallo_test::MakeRotatedSystem(0.25);
    for (const double lon : {kPi + 0.3, -kPi - 0.3, 3.0 * kPi + 0.1, 2.0 * kPi}) {
        RunAzimuths(rotated, {lon, 0.2});
        EXPECT_EQ(angleDelta, 0.25) << lon;
        EXPECT_EQ(parallelDelta, kPi / 2.0) << lon;
        RunRotation(rotated, {lon, 0.2}, rotated);
        EXPECT_EQ(retVal, 5) << lon;
    }
    EXPECT_TRUE(reports.empty());
    // What is not a longitude at all still fails.
    RunAzimuths(rotated, {std::nan(""), 0.2});
    RunAzimuths(rotated, {std::numeric_limits<double>::infinity(), 0.2});
    RunAzimuths(rotated, {0.1, std::nan("")});
    ASSERT_EQ(reports.size(), 3u);
    for (const Report &r : reports)
        EXPECT_EQ(r.description, kOutOfRange);
    EXPECT_EQ(angleDelta, kSentinel);
}

TEST_F(Azimuths, UntransformableSystem) {
    auto stuck = parallo_test::MakeIdentitySystem();
    stuck->Config().canConvert = false;
    RunAzimuths(stuck, {0.1, 0.1});
    EXPECT_EQ(angleDelta, kSentinel);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].description, "Invalid Transformation in GetAzimuths");

    RunRotation(stuck, {0.1, 0.1}, mapView);
    EXPECT_EQ(retVal, -1);
    EXPECT_EQ(rotation, kSentinel);
    EXPECT_EQ(parallelRotation, kSentinel);
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[1].description, "Invalid Transformation in GetLabelRotation");
    EXPECT_EQ(reports[1].title, "GetLabelRotation Error");
}

TEST_F(Azimuths, CornerLabelsReadTheCornerPoint) {
    s.LabelType = parallo::PXltCorner;
    s.NeatlineExtentsType = 1;
    const Point corner(0.1, 0.2);
    // pt itself is no geographic position; the corner is.
    RunRotation(mapView, {1000.0, 5000.0}, mapView, &corner);
    EXPECT_EQ(retVal, 5);
    EXPECT_EQ(rotation, 0.0);
    // Without the corner point the label gets no rotation, and says so.
    RunRotation(mapView, {1000.0, 5000.0}, mapView, nullptr);
    EXPECT_EQ(retVal, -1);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].description, "Object variable or With block variable not set");
    // A corner label with projected extents takes pt through csFrom.
    s.NeatlineExtentsType = 0;
    RunRotation(mapView, {0.1, 0.2}, mapView, nullptr);
    EXPECT_EQ(retVal, 5);
}

TEST_F(Azimuths, AnyFailureOfTheLabelRotationSetsRetVal) {
    s.MapViewCoordSystem = nullptr;
    RunRotation(mapView, {0.1, 0.1}, mapView);
    EXPECT_EQ(retVal, -1);
    EXPECT_EQ(rotation, kSentinel);
    // GetAzimuths has no such signal: its outputs simply stay.
    RunAzimuths(mapView, {0.1, 0.1});
    EXPECT_EQ(angleDelta, kSentinel);
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[1].title, "GetAzimuths Error");
}

TEST_F(Azimuths, GeographicStorageParallelsRunEast) {
    auto geographic = parallo_test::MakeGeographicSystem();
    for (const double lon : {-170.0, 0.0, 45.0, 179.0}) {
        double lonDeg = lon, latDeg = 60.0, h = 0.0, az = kSentinel;
        GetLatitudeDirection(s, geographic, lonDeg, latDeg, h, az);
        EXPECT_EQ(az, kPi / 2.0);
    }
}

// ---- real systems ------------------------------------------------------------------------

TEST_F(Azimuths, UtmGridInWebMercatorView) {
    auto utm = coordkit::CreateProjCoordSystem("EPSG:32632");
    s.MapViewCoordSystem = coordkit::CreateProjCoordSystem("EPSG:3857");
    // A point of UTM 32N three degrees east of its central meridian (9 E), at 50 N.
    double x = 12.0 * kPi / 180.0, y = 50.0 * kPi / 180.0, z = 0.0;
    utm->ConvertPoint(coordkit::kGeographic, coordkit::kProjectionPlane, x, y, z);
    RunAzimuths(utm, {x, y});
    ASSERT_TRUE(reports.empty()) << reports[0].description;
    // Grid convergence of the transverse Mercator, atan(tan(dlon) sin(lat)) on the sphere; the
    // ellipsoid changes it by about 1e-7 rad here, the numerical derivatives by less: 1e-5.
    const double gamma = std::atan(std::tan(3.0 * kPi / 180.0) * std::sin(50.0 * kPi / 180.0));
    EXPECT_NEAR(angleDelta, gamma, 1e-5);
    // Both views are conformal, so the parallel turns with the meridian; the parallel's
    // direction comes from a 0.0006 degree chord, which bends it by a few 1e-6 rad.
    EXPECT_NEAR(parallelDelta, kPi / 2.0 - gamma, 1e-5);

    RunRotation(utm, {x, y}, utm);
    ASSERT_EQ(retVal, 5);
    EXPECT_NEAR(rotation, -gamma * 180.0 / kPi, 1e-3);
    EXPECT_NEAR(parallelRotation, -gamma * 180.0 / kPi, 1e-3);
}

TEST_F(Azimuths, PacificTickInPolarView) {
    // Geographic grid shown in an Arctic polar stereographic view; a tick just east of the 180
    // degree meridian after the shift sits at 190 degrees.
    auto geographic = coordkit::CreateProjCoordSystem("EPSG:4326");
    s.MapViewCoordSystem = coordkit::CreateProjCoordSystem("EPSG:3995");
    s.GridIntervalsType = 1;
    const double lat = 75.0 * kPi / 180.0;
    RunAzimuths(geographic, {-170.0 * kPi / 180.0, lat});
    ASSERT_TRUE(reports.empty());
    const double west = angleDelta;
    const double westParallel = parallelDelta;
    RunAzimuths(geographic, {190.0 * kPi / 180.0, lat});
    ASSERT_TRUE(reports.empty()) << reports[0].description;
    // The two longitudes differ by one turn and a rounding of 2 pi: the angles agree to 1e-9.
    EXPECT_NEAR(angleDelta, west, 1e-9);
    EXPECT_NEAR(parallelDelta, westParallel, 1e-9);
    // In a polar view centred on 0 E the meridian of -170 E is turned by 170 degrees.
    EXPECT_NEAR(std::fabs(std::remainder(angleDelta, 2.0 * kPi)), 170.0 * kPi / 180.0, 1e-6);
}

} // namespace
} // namespace geometry_test
