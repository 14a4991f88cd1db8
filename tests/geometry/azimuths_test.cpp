// Azimuths of vectors, grid-to-map-view angles at a point, label rotation and angle folding.
#include <cmath>
#include <limits>

#include "geometry_fixture.h"

namespace geometry_test {
namespace {

using parallo::detail::CoordSystemPtr;
using parallo::detail::Normalize_Angle;
using shapekit::Point;

constexpr double kSentinel = -777.0;
const char *const kOutOfRange = "Latitude or Longitude out of range (+/- 90, +/-180)";
const char *const kNotSet = "Object variable or With block variable not set";

double Azimuth(double x1, double y1, double x2, double y2) {
    double a = kSentinel;
    parallo::detail::GetSegmentAzimuth(x1, y1, x2, y2, a);
    return a;
}

TEST(SegmentAzimuth, Quadrants) {
    // Due north and no length are 2 pi, never 0; a nearly level vector whose dx / dy overflows
    // is still east or west.
    const double cases[][3] = {
        {1, 1, kPi / 4}, {1, -1, 3 * kPi / 4},     {-1, -1, 5 * kPi / 4},     {-1, 1, 7 * kPi / 4},
        {0, 1, 2 * kPi}, {1, 0, kPi / 2},          {-1, 0, 3 * kPi / 2},      {0, -1, kPi},
        {0, 0, 2 * kPi}, {1e300, 1e-300, kPi / 2}, {1e300, -1e-300, kPi / 2}, {-1e300, -1e-300, 3 * kPi / 2}};
    for (const auto &c : cases) // atan of +-1 and the quadrant offsets: a couple of ulps of 2 pi
        EXPECT_NEAR(Azimuth(0, 0, c[0], c[1]), c[2], 1e-15) << c[0] << ", " << c[1];
}

class NormalizeAngle : public GeometryTest {};

TEST_F(NormalizeAngle, FoldsQuadrantsAndHugeOrNonFiniteAngles) {
    struct Case {
        double angle;
        std::int32_t quadrant;
        double result, folded;
    };
    // 540 and +-180 fold to 0; -135 to -45; 300 to -60; 390 is 30 in every quadrant; 100 folds to 80 and
    // quadrant 2 gives 180 - 80; quadrant 7 is none of the four. 2^40 turns and 45 degrees is
    // exact: reducing a huge angle must neither loop for ever nor lose it.
    const double huge = 360.0 * 1099511627776.0 + 45.0;
    const Case cases[] = {{540, 1, 0, 0},    {-135, 3, 225, -45}, {30, 7, 0, 30},    {180, 1, 0, 0},
                          {-180, 1, 0, 0},   {390, 1, 30, 30},    {390, 2, 150, 30}, {390, 3, 210, 30},
                          {390, 4, 330, 30}, {100, 2, 100, 80},   {huge, 1, 45, 45}, {300, 1, 60, -60}};
    for (const Case &c : cases) {
        SCOPED_TRACE(std::to_string(c.angle) + " q" + std::to_string(c.quadrant));
        double a = c.angle;
        EXPECT_EQ(Normalize_Angle(reporter, a, c.quadrant), c.result);
        EXPECT_EQ(a, c.folded);
    }
    double a = 1e300; // a turn is far below this angle's precision: no endless subtraction
    const double r = Normalize_Angle(reporter, a, 1);
    EXPECT_EQ(r, std::fabs(a));
    EXPECT_LE(std::fabs(a), 90.0);
    EXPECT_TRUE(reports.empty());
    a = std::numeric_limits<double>::infinity();
    EXPECT_EQ(Normalize_Angle(reporter, a, 1), 0.0);
    EXPECT_TRUE(std::isinf(a)); // not written
    a = std::nan("");
    EXPECT_EQ(Normalize_Angle(reporter, a, 2), 0.0);
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(Texts(reports[0]), "Overflow|In Normalize_Angle|Normalize_Angle Error");
}

// ---- GetAzimuths and GetLabelRotation ----------------------------------------------------------

class Azimuths : public GeometryTest {
protected:
    void SetUp() override {
        GeometryTest::SetUp();
        mapViewSystem = mapView;
    }
    void RunAzimuths(const CoordSystemPtr &cs, const Point &pt, bool parallelWanted = true) {
        angleDelta = parallelDelta = kSentinel;
        parallo::detail::GetAzimuths(Frame(), cs, pt, angleDelta, parallelDelta, parallelWanted);
    }
    void RunRotation(const CoordSystemPtr &from, const Point &pt, const CoordSystemPtr &csGrid,
                     const Point *corner = nullptr) {
        rotation = parallelRotation = kSentinel;
        retVal = 5;
        parallo::detail::GetLabelRotation(Frame(), labelType, extentsType, from, pt, rotation,
                                          parallelRotation, csGrid, retVal, corner);
    }
    std::shared_ptr<parallo_test::CoordSystemDouble> mapView = parallo_test::MakeIdentitySystem();
    double angleDelta = 0.0, parallelDelta = 0.0, rotation = 0.0, parallelRotation = 0.0;
    std::int32_t retVal = 0;
};

// Ticks and crosses ask for the grid angle alone: the parallel's direction is neither written
// nor found, so a failure only it would meet goes unreported.
TEST_F(Azimuths, TheGridAngleAloneMeetsNoFailureOfTheParallelAndTheRangeBoundsPass) {
    // A grid whose conversions fail but whose angle is known, read at a geographic position:
    // the full call reports the parallel's failure, the angle alone does not.
    intervalsType = 1;
    auto failing = parallo_test::MakeRotatedSystem(0.25);
    failing->Config().failure = parallo_test::ConvertFailure::kRaise;
    RunAzimuths(failing, {0.1, 0.2});
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].title, "GetLatitudeDirection Error");
    EXPECT_EQ(angleDelta, 0.25);
    reports.clear();
    RunAzimuths(failing, {0.1, 0.2}, false);
    EXPECT_EQ(angleDelta, 0.25);
    EXPECT_EQ(parallelDelta, kSentinel);
    EXPECT_TRUE(reports.empty());
    // The range bounds themselves are accepted on a geographic grid.
    for (const Point &bound : {Point(-kPi, kPi / 2.0), Point(kPi, -kPi / 2.0)}) {
        RunAzimuths(mapView, bound);
        EXPECT_EQ(angleDelta, 0.0);
    }
    EXPECT_TRUE(reports.empty());
}

// A failure writes none of the outputs; GetLabelRotation also sets RetVal to -1.
TEST_F(Azimuths, FailuresWriteNothing) {
    auto stuck = parallo_test::MakeIdentitySystem();
    stuck->Config().canConvert = false;
    const double nan = std::nan(""), inf = std::numeric_limits<double>::infinity();
    const char *const invalid = "Invalid Transformation in ";
    struct Case {
        const char *what;
        std::int32_t gridType;
        bool convertible, mapViewSet;
        Point pt;
        const char *text; // null: the invalid transformation text of each procedure
    };
    const Case cases[] = {{"latitude beyond the pole", 1, true, true, {0.0, kPi / 2 + 1e-12}, kOutOfRange},
                          {"NaN longitude", 1, true, true, {nan, 0.2}, kOutOfRange},
                          {"infinite longitude", 1, true, true, {inf, 0.2}, kOutOfRange},
                          {"NaN latitude", 1, true, true, {0.1, nan}, kOutOfRange},
                          {"untransformable system", 0, false, true, {0.1, 0.1}, nullptr},
                          {"no map view", 0, true, false, {0.1, 0.1}, kNotSet}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        reports.clear();
        intervalsType = c.gridType;
        mapViewSystem = c.mapViewSet ? mapView : nullptr;
        const CoordSystemPtr cs = c.convertible ? mapView : stuck;
        RunAzimuths(cs, c.pt);
        RunRotation(cs, c.pt, mapView);
        EXPECT_EQ(retVal, -1);
        EXPECT_EQ((std::vector<double>{angleDelta, parallelDelta, rotation, parallelRotation}),
                  std::vector<double>(4, kSentinel));
        ASSERT_EQ(reports.size(), 2u);
        EXPECT_EQ(reports[0].title + "|" + reports[1].title, "GetAzimuths Error|GetLabelRotation Error");
        EXPECT_EQ(reports[0].description, c.text ? c.text : std::string(invalid) + "GetAzimuths");
        EXPECT_EQ(reports[1].description, c.text ? c.text : std::string(invalid) + "GetLabelRotation");
        EXPECT_TRUE(c.gridType != 1 || reports[0].trace == "Determining BaseStorageType");
    }
}

TEST_F(Azimuths, CornerLabelsReadTheCornerPoint) {
    labelType = parallo::PXltCorner;
    extentsType = 1;
    const Point corner(0.1, 0.2);
    // pt itself is no geographic position; the corner is.
    RunRotation(mapView, {1000.0, 5000.0}, mapView, &corner);
    EXPECT_EQ(retVal, 5);
    EXPECT_EQ(rotation, 0.0);
    // Without the corner point the label gets no rotation, and says so.
    RunRotation(mapView, {1000.0, 5000.0}, mapView, nullptr);
    EXPECT_EQ(retVal, -1);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].description, kNotSet);
    // A corner label with projected extents takes pt through csFrom.
    extentsType = 0;
    RunRotation(mapView, {0.1, 0.2}, mapView, nullptr);
    EXPECT_EQ(retVal, 5);
}

} // namespace
} // namespace geometry_test
