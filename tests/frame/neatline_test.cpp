// The neatline in map-view coordinates: plain and stroked polygons, the bounding box and the
// map-view corners, on exact doubles and on real PROJ systems.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "frame/frame_fixture.h"
#include "service/neatline.h"
#include "support/coordkit_double.h"

namespace {

using frametest::P;
using frametest::Rad;
using frametest::ReportLog;
using frametest::UseSystems;
using parallo::detail::ServiceState;
using shapekit::Point;

/// Bounding box (min x, min y, max x, max y) of two points.
std::array<double, 4> BoxOf(const Point &a, const Point &b) {
    return {{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)}};
}

/// Distance of p from the line through a and b.
double DistanceFromLine(const Point &p, const Point &a, const Point &b) {
    const double dx = b.x - a.x, dy = b.y - a.y;
    return std::fabs(dx * (p.y - a.y) - dy * (p.x - a.x)) / std::hypot(dx, dy);
}

/// A state on exact doubles: neatline and map view identity systems unless a test changes them.
struct NeatlineOnDoubles : ::testing::Test {
    ServiceState s;
    ReportLog log;
    std::shared_ptr<parallo_test::CoordSystemDouble> neatline = parallo_test::MakeIdentitySystem();
    std::shared_ptr<parallo_test::CoordSystemDouble> mapView = parallo_test::MakeIdentitySystem();

    void SetUp() override {
        log.Attach(s);
        s.NeatlineCoordSystem = neatline;
        s.MapViewCoordSystem = mapView;
        s.CoordSystemsMgr = parallo_test::MakeManager(mapView);
        s.NeatlineLowerLeft = P(100, 200);
        s.NeatlineUpperRight = P(400, 600);
    }
};

TEST_F(NeatlineOnDoubles, PlainNeatlineIsTheFiveCornerRing) {
    parallo::detail::CreateNeatline(s);
    ASSERT_TRUE(s.NeatlinePolygon);
    std::vector<std::pair<double, double>> pts;
    for (const Point &pt : s.NeatlinePolygon->Points())
        pts.emplace_back(pt.x, pt.y);
    EXPECT_EQ(pts, (std::vector<std::pair<double, double>>{
                       {100, 200}, {100, 600}, {400, 600}, {400, 200}, {100, 200}}));
    EXPECT_EQ(s.NeatlineRangeMapView, (std::array<double, 4>{{100, 200, 400, 600}}));
    EXPECT_EQ(s.NeatlineLowerLeftMapView.y, 200);
    EXPECT_EQ(s.NeatlineUpperRightMapView.x, 400);
    EXPECT_TRUE(log.reports.empty());
}

TEST_F(NeatlineOnDoubles, ExtentsTypeOneReadsTheCornersAsGeographic) {
    // Two plane units per radian in the neatline system, one in the map view: geographic corners
    // (extents type 1) reach the map view at their own value, projection-plane corners (every
    // other type) at half of it.
    neatline->Config().R = 2.0;
    for (std::int32_t type : {0, 2, 7, 1}) {
        SCOPED_TRACE(type);
        s.NeatlineExtentsType = type;
        parallo::detail::CreateNeatline(s);
        const double k = type == 1 ? 1.0 : 0.5;
        EXPECT_EQ(s.NeatlinePolygon->Points().Item(3).x, 400 * k);
        EXPECT_EQ(s.NeatlineUpperRightMapView.y, 600 * k);
        EXPECT_EQ(s.NeatlineRangeMapView[0], 100 * k);
    }
}

TEST_F(NeatlineOnDoubles, IdentityStrokingIsSwitchedOffForLaterRuns) {
    s.bForceStroking = true;
    s.NeatlineStrokeDistance = 50;
    parallo::detail::CreateNeatline(s);
    ASSERT_TRUE(s.NeatlinePolygon);
    EXPECT_FALSE(s.bForceStroking);
    // 5 corners + 2 * (floor(400 / 50) + 1) + 2 * (floor(300 / 50) + 1) run points.
    EXPECT_EQ(s.NeatlinePolygon->Points().Count(), 5 + 2 * 9 + 2 * 7);
    EXPECT_EQ(s.NeatlineStartTop, 11);

    // Without stroking, the side starts stay as the stroked run left them.
    parallo::detail::CreateNeatline(s);
    EXPECT_EQ(s.NeatlinePolygon->Points().Count(), 5);
    EXPECT_EQ(s.NeatlineStartTop, 11);
}

TEST_F(NeatlineOnDoubles, MissingManagerFailsBeforeAnythingIsWritten) {
    auto previous = std::make_shared<shapekit::PolygonGeometry>();
    s.NeatlinePolygon = previous;
    s.CoordSystemsMgr = nullptr;
    parallo::detail::CreateNeatline(s);
    EXPECT_EQ(s.NeatlinePolygon, previous);
    ASSERT_EQ(log.reports.size(), 1u);
    EXPECT_EQ(log.reports[0].trace, "Setting up CreateSimpleTransFromCSMtoCS from Neatline to workspace");
    EXPECT_EQ(log.reports[0].title, "CreateNeatline Error");
}

TEST_F(NeatlineOnDoubles, FailedStrokingKeepsThePreviousNeatline) {
    parallo::detail::CreateNeatline(s);
    const auto previous = s.NeatlinePolygon;
    const auto range = s.NeatlineRangeMapView;
    s.bForceStroking = true;
    s.NeatlineStrokeDistance = 0; // stroking fails, the empty polygon has no point 1
    parallo::detail::CreateNeatline(s);
    EXPECT_EQ(s.NeatlinePolygon, previous);
    EXPECT_EQ(s.NeatlineRangeMapView, range);
    ASSERT_EQ(log.reports.size(), 2u);
    EXPECT_EQ(log.reports[0].title, "Create_Stroked_Rectangle Error");
    EXPECT_EQ(log.reports[1].title, "CreateNeatline Error");
    EXPECT_EQ(log.reports[1].trace, "Transform Neatline geometry to MapView");
    EXPECT_EQ(log.reports[1].description, "Subscript out of range");
}

/// An identity system whose conversion into storage units fails at its n-th call.
class FailingAtCall : public parallo_test::CoordSystemDouble {
public:
    explicit FailingAtCall(int n) : n_(n) {}
    void ConvertPoint(std::int32_t from, std::int32_t to, double &x, double &y, double &z) const override {
        if (to == coordkit::kStorage && ++calls_ == n_) throw parallo::Error(5, "Point cannot be converted");
        CoordSystemDouble::ConvertPoint(from, to, x, y, z);
    }

private:
    int n_;
    mutable int calls_ = 0;
};

TEST_F(NeatlineOnDoubles, FailingCornerKeepsTheNewPolygonAndFreshCorners) {
    parallo::detail::CreateNeatline(s);
    const auto previous = s.NeatlinePolygon;
    // Five conversions for the plain ring, the sixth for the lower-left corner, the seventh (the
    // upper-right corner) fails.
    s.NeatlineCoordSystem = std::make_shared<FailingAtCall>(7);
    s.NeatlineLowerLeft = P(150, 250);
    parallo::detail::CreateNeatline(s);
    ASSERT_EQ(log.reports.size(), 1u);
    EXPECT_EQ(log.reports[0].title, "CreateNeatline Error");
    EXPECT_EQ(log.reports[0].description, "Point cannot be converted");
    EXPECT_NE(s.NeatlinePolygon, previous);
    EXPECT_EQ(s.NeatlineRangeMapView[0], 150);
    EXPECT_EQ(s.NeatlineLowerLeftMapView.x, 150);
    EXPECT_EQ(s.NeatlineUpperRightMapView.x, 0);
    EXPECT_EQ(s.NeatlineUpperRightMapView.y, 0);
}

// ---- real systems ----------------------------------------------------------------------------

TEST(NeatlineOnProj, UtmFrameOnWebMercatorIsRotated) {
    ServiceState s;
    ReportLog log;
    log.Attach(s);
    UseSystems(s, "EPSG:32632", "EPSG:3857");
    // 20 km east of the central meridian's frame: grid convergence about 2 degrees.
    s.NeatlineLowerLeft = P(700000, 5300000);
    s.NeatlineUpperRight = P(720000, 5320000);
    s.bForceStroking = true;
    s.NeatlineStrokeDistance = 500;
    parallo::detail::CreateNeatline(s);
    ASSERT_TRUE(log.reports.empty()) << log.reports[0].description;
    ASSERT_TRUE(s.NeatlinePolygon);
    // Metres to metres: no stroking needed for later runs, but this run is stroked.
    EXPECT_FALSE(s.bForceStroking);
    EXPECT_EQ(s.NeatlinePolygon->Points().Count(), 5 + 4 * 41);

    // The rotation carries two corners out of the box of the other two by about
    // 20 km * sin(2°) = 700 m; 100 m is far beyond any numeric doubt.
    const auto corners = BoxOf(s.NeatlineLowerLeftMapView, s.NeatlineUpperRightMapView);
    const auto &range = s.NeatlineRangeMapView;
    const double grow =
        (corners[0] - range[0]) + (range[2] - corners[2]) + (corners[1] - range[1]) + (range[3] - corners[3]);
    EXPECT_GT(grow, 100.0);
    // The range is exactly the polygon's own extremes.
    std::array<double, 4> own{{1e300, 1e300, -1e300, -1e300}};
    for (const Point &pt : s.NeatlinePolygon->Points())
        own = {
            {std::min(own[0], pt.x), std::min(own[1], pt.y), std::max(own[2], pt.x), std::max(own[3], pt.y)}};
    EXPECT_EQ(range, own);

    // The corners of the polygon are the map-view corners (1e-6 m: the same PROJ operation).
    const auto &pts = s.NeatlinePolygon->Points();
    EXPECT_NEAR(pts.Item(1).x, s.NeatlineLowerLeftMapView.x, 1e-6);
    EXPECT_NEAR(pts.Item(s.NeatlineStartRight).y, s.NeatlineUpperRightMapView.y, 1e-6);
}

TEST(NeatlineOnProj, GeographicNeatlineInRadians) {
    ServiceState s;
    ReportLog log;
    log.Attach(s);
    UseSystems(s, "EPSG:4326", "EPSG:32632");
    s.NeatlineExtentsType = 1;
    s.NeatlineLowerLeft = P(Rad(9), Rad(45));
    s.NeatlineUpperRight = P(Rad(12), Rad(48));
    s.bForceStroking = true;
    s.NeatlineStrokeDistance = Rad(0.25);
    parallo::detail::CreateNeatline(s);
    ASSERT_TRUE(log.reports.empty()) << log.reports[0].description;
    // Radians to degrees: stroking stays on.
    EXPECT_TRUE(s.bForceStroking);
    // 9°E is UTM 32N's central meridian (1 mm: PROJ's accuracy is far finer).
    EXPECT_NEAR(s.NeatlineLowerLeftMapView.x, 500000.0, 1e-3);
    // Meridians converge northwards: the lower-right corner lies about 13 km east of the
    // upper-right one, and the box reaches it.
    EXPECT_GT(s.NeatlineRangeMapView[2], s.NeatlineUpperRightMapView.x + 10000.0);
    // Every point of the left side lies on the central meridian.
    const auto &pts = s.NeatlinePolygon->Points();
    for (std::int32_t i = 1; i <= s.NeatlineStartTop; ++i)
        EXPECT_NEAR(pts.Item(i).x, 500000.0, 1e-3) << i;
}

/// A Pacific frame from 170°E across the meridian to 170°W, between two parallels, stroked every
/// half degree and shown in `mapView`. Returns the state after CreateNeatline.
void PacificFrame(ServiceState &s, const char *neatline, const char *mapView, double south, double north) {
    UseSystems(s, neatline, mapView);
    s.NeatlineExtentsType = 1;
    s.NeatlineLowerLeft = P(Rad(170), Rad(south));
    s.NeatlineUpperRight = P(Rad(-170), Rad(north));
    s.bForceStroking = true;
    s.NeatlineStrokeDistance = Rad(0.3);
    parallo::detail::CreateNeatline(s);
}

TEST(PacificFrame, PolarViewCurvesTopAndBottomAlongTheirParallels) {
    ServiceState s;
    ReportLog log;
    log.Attach(s);
    PacificFrame(s, "EPSG:4326", "EPSG:3995", 60, 70);
    ASSERT_TRUE(log.reports.empty()) << log.reports[0].description;
    const auto &pts = s.NeatlinePolygon->Points();
    const std::int32_t top = s.NeatlineStartTop, right = s.NeatlineStartRight, bottom = s.NeatlineStartBottom;
    // 20° of longitude at 0.3°: 67 run points on the top side, not an empty run.
    ASSERT_EQ(right - top, 67 + 1);

    // In the polar view a parallel is a circle round the pole: every top point at the radius of
    // the top corners, every bottom point at that of the bottom corners (1 mm in some 2000 km).
    const auto radius = [](const Point &p) { return std::hypot(p.x, p.y); };
    const double rTop = radius(pts.Item(top));
    const double rBottom = radius(pts.Item(bottom));
    for (std::int32_t i = top; i <= right; ++i)
        EXPECT_NEAR(radius(pts.Item(i)), rTop, 1e-3) << i;
    for (std::int32_t i = bottom; i <= pts.Count() - 1; ++i)
        EXPECT_NEAR(radius(pts.Item(i)), rBottom, 1e-3) << i;

    // The bottom parallel bulges away from the pole at 180°: the box reaches (0, rBottom) on
    // the 180° meridian, far beyond the corners (rBottom * (1 - cos 10°) is some 50 km). The
    // nearest stroked point lies 0.1° off the meridian, rBottom * (1 - cos 0.1°) = 5 m lower.
    EXPECT_NEAR(s.NeatlineRangeMapView[3], rBottom, 10.0);
    EXPECT_GT(s.NeatlineRangeMapView[3], pts.Item(bottom).y + 40000.0);
    double farthest = 0.0;
    for (std::int32_t i = top; i <= right; ++i)
        farthest = std::max(farthest, DistanceFromLine(pts.Item(i), pts.Item(top), pts.Item(right)));
    EXPECT_GT(farthest, 10000.0);
}

TEST(PacificFrame, ConicViewKeepsEveryStrokedPointOnItsParallel) {
    ServiceState s;
    ReportLog log;
    log.Attach(s);
    // Alaska Albers on its own datum, so the way back is the same operation reversed.
    PacificFrame(s, "EPSG:4269", "EPSG:3338", 50, 60);
    ASSERT_TRUE(log.reports.empty()) << log.reports[0].description;
    const std::int32_t top = s.NeatlineStartTop, right = s.NeatlineStartRight, bottom = s.NeatlineStartBottom;
    ASSERT_EQ(right - top, 67 + 1);

    // Back to geographic degrees: top points on 60°N, bottom points on 50°N, all of them within
    // the 20° from 170°E east to 170°W (1e-7 degrees, about a centimetre, covers the round trip).
    auto back = s.NeatlinePolygon->Clone();
    auto toGeographic = s.CoordSystemsMgr->GetTransformService()->CreateSimpleTransFromCSMtoCS(
        *s.CoordSystemsMgr, s.NeatlineCoordSystem);
    s.CoordSystemsMgr->GetTransformService()->TransformGeometry(*back, *toGeographic, 0);
    const auto &pts = std::static_pointer_cast<shapekit::PolygonGeometry>(back)->Points();
    const auto eastOf170 = [](double lon) { return lon >= 0.0 ? lon - 170.0 : lon + 190.0; };
    for (std::int32_t i = top; i <= right; ++i) {
        EXPECT_NEAR(pts.Item(i).y, 60.0, 1e-7) << i;
        EXPECT_GE(eastOf170(pts.Item(i).x), -1e-7) << i;
        EXPECT_LE(eastOf170(pts.Item(i).x), 20.0 + 1e-7) << i;
    }
    for (std::int32_t i = bottom; i < pts.Count(); ++i)
        EXPECT_NEAR(pts.Item(i).y, 50.0, 1e-7) << i;

    // The top side is an arc, not the chord between its corners.
    const auto &mv = s.NeatlinePolygon->Points();
    double farthest = 0.0;
    for (std::int32_t i = top; i <= right; ++i)
        farthest = std::max(farthest, DistanceFromLine(mv.Item(i), mv.Item(top), mv.Item(right)));
    EXPECT_GT(farthest, 1000.0);
}

} // namespace
