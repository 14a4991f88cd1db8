// The neatline in map-view coordinates: plain and stroked polygons, the bounding box and the
// map-view corners, on exact doubles and on real PROJ systems; the Pacific frame.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <tuple>
#include <utility>
#include <vector>

#include "service/frame_fixture.h"
#include "service/neatline.h"
#include "support/coordkit_double.h"

namespace {

using frametest::P;
using frametest::Rad;
using frametest::ReportLog;
using frametest::UseSystems;
using frametest::XY;
using parallo::detail::ServiceState;
using shapekit::Point;

/// Distance of p from the line through a and b.
double DistanceFromLine(const Point &p, const Point &a, const Point &b) {
    const double dx = b.x - a.x, dy = b.y - a.y;
    return std::fabs(dx * (p.y - a.y) - dy * (p.x - a.x)) / std::hypot(dx, dy);
}

struct NeatlineOnDoubles : ::testing::Test {
    ServiceState s;
    ReportLog log;
    std::shared_ptr<parallo_test::CoordSystemDouble> neatline = parallo_test::MakeIdentitySystem();

    void SetUp() override {
        log.Attach(s);
        s.NeatlineCoordSystem = neatline;
        s.MapViewCoordSystem = parallo_test::MakeIdentitySystem();
        s.CoordSystemsMgr = parallo_test::MakeManager(s.MapViewCoordSystem);
        s.NeatlineLowerLeft = P(100, 200);
        s.NeatlineUpperRight = P(400, 600);
    }
};

TEST_F(NeatlineOnDoubles, PlainRingReadsTheCornersAsAnglesOnlyForExtentsTypeOne) {
    // Two plane units per radian in the neatline system, one in the map view: geographic corners
    // (type 1) reach the map view at their own value, plane corners (any other type) at half.
    neatline->Config().R = 2.0;
    for (std::int32_t type : {0, 2, 7, 1}) {
        SCOPED_TRACE(type);
        s.NeatlineExtentsType = type;
        parallo::detail::CreateNeatline(s);
        const double k = type == 1 ? 1.0 : 0.5;
        XY ring;
        for (const Point &pt : s.NeatlinePolygon->Points())
            ring.emplace_back(pt.x / k, pt.y / k);
        EXPECT_EQ(ring, (XY{{100, 200}, {100, 600}, {400, 600}, {400, 200}, {100, 200}}));
        EXPECT_EQ(s.NeatlineRangeMapView, (std::array<double, 4>{{100 * k, 200 * k, 400 * k, 600 * k}}));
        EXPECT_EQ(s.NeatlineLowerLeftMapView.y, 200 * k);
        EXPECT_EQ(s.NeatlineUpperRightMapView.x, 400 * k);
    }
    EXPECT_TRUE(log.reports.empty());
}

TEST_F(NeatlineOnDoubles, IdentityStrokingIsSwitchedOffForLaterRuns) {
    s.bForceStroking = true;
    s.NeatlineStrokeDistance = 50;
    parallo::detail::CreateNeatline(s);
    EXPECT_FALSE(s.bForceStroking);
    // 5 corners + 2 * (floor(400 / 50) + 1) + 2 * (floor(300 / 50) + 1) run points.
    EXPECT_EQ(s.NeatlinePolygon->Points().Count(), 5 + 2 * 9 + 2 * 7);
    EXPECT_EQ(s.NeatlineStartTop, 11);
    parallo::detail::CreateNeatline(s); // plain now; the side starts stay as the stroked run left them
    EXPECT_EQ(s.NeatlinePolygon->Points().Count(), 5);
    EXPECT_EQ(s.NeatlineStartTop, 11);
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

TEST_F(NeatlineOnDoubles, FailuresKeepWhatWasWrittenBeforeThem) {
    // No manager: nothing is written.
    const auto empty = std::make_shared<shapekit::PolygonGeometry>();
    s.NeatlinePolygon = empty;
    s.CoordSystemsMgr = nullptr;
    parallo::detail::CreateNeatline(s);
    EXPECT_EQ(s.NeatlinePolygon, empty);
    ASSERT_EQ(log.reports.size(), 1u);
    EXPECT_EQ(log.reports[0].trace + "|" + log.reports[0].title,
              "Setting up CreateSimpleTransFromCSMtoCS from Neatline to workspace|CreateNeatline Error");

    // A corner failing after the polygon: the new polygon and box stay, the corners are reset
    // and only the lower-left one (the sixth conversion; the seventh fails) is written. (A failed
    // stroking keeping the last neatline is guarded by the reliability tests.)
    SetUp();
    log.reports.clear();
    parallo::detail::CreateNeatline(s);
    const auto previous = s.NeatlinePolygon;
    s.NeatlineCoordSystem = std::make_shared<FailingAtCall>(7);
    s.NeatlineLowerLeft = P(150, 250);
    parallo::detail::CreateNeatline(s);
    ASSERT_EQ(log.reports.size(), 1u);
    EXPECT_EQ(log.reports[0].description, "Point cannot be converted");
    EXPECT_NE(s.NeatlinePolygon, previous);
    EXPECT_EQ(std::tie(s.NeatlineRangeMapView[0], s.NeatlineLowerLeftMapView.x, s.NeatlineUpperRightMapView.x,
                       s.NeatlineUpperRightMapView.y),
              std::make_tuple(150.0, 150.0, 0.0, 0.0));
}

// ---- real systems ----------------------------------------------------------------------------

TEST(NeatlineOnProj, UtmFrameOnWebMercatorIsRotatedAndItsBoxIsThePolygons) {
    ServiceState s;
    ReportLog log;
    log.Attach(s);
    UseSystems(s, "EPSG:32632", "EPSG:3857");
    // 200 km east of the central meridian: grid convergence about 2 degrees.
    s.NeatlineLowerLeft = P(700000, 5300000);
    s.NeatlineUpperRight = P(720000, 5320000);
    s.bForceStroking = true;
    s.NeatlineStrokeDistance = 500;
    parallo::detail::CreateNeatline(s);
    ASSERT_TRUE(log.reports.empty()) << log.reports[0].description;
    EXPECT_FALSE(s.bForceStroking); // metres to metres: later runs need no stroking
    const auto &pts = s.NeatlinePolygon->Points();
    EXPECT_EQ(pts.Count(), 5 + 4 * 41);

    std::array<double, 4> own{{1e300, 1e300, -1e300, -1e300}};
    for (const Point &pt : pts)
        own = {
            {std::min(own[0], pt.x), std::min(own[1], pt.y), std::max(own[2], pt.x), std::max(own[3], pt.y)}};
    EXPECT_EQ(s.NeatlineRangeMapView, own);
    // The rotation carries two corners about 20 km * sin(2°) = 700 m beyond the box of the
    // map-view corners; 100 m is far beyond numeric doubt.
    const Point &ll = s.NeatlineLowerLeftMapView, &ur = s.NeatlineUpperRightMapView;
    EXPECT_GT((std::min(ll.x, ur.x) - own[0]) + (own[2] - std::max(ll.x, ur.x)) +
                  (std::min(ll.y, ur.y) - own[1]) + (own[3] - std::max(ll.y, ur.y)),
              100.0);
    // The polygon's corners are the map-view corners (1e-6 m: the same PROJ operation).
    EXPECT_NEAR(pts.Item(1).x, ll.x, 1e-6);
    EXPECT_NEAR(pts.Item(s.NeatlineStartRight).y, ur.y, 1e-6);
}

TEST(PacificFrame, TopAndBottomFollowTheirParallelsEastwardAcrossTheMeridian) {
    // 170°E to 170°W between two parallels, stroked every 0.3°: the top and bottom runs must go
    // east over 180°, giving curved sides, not the chords between the corners.
    const struct {
        const char *neatline, *mapView;
        double south, north, bulge;
    } frames[] = {{"EPSG:4326", "EPSG:3995", 60, 70, 10000.0}, // Arctic polar stereographic
                  {"EPSG:4269", "EPSG:3338", 50, 60, 1000.0}}; // Alaska Albers on its own datum
    for (const auto &f : frames) {
        SCOPED_TRACE(f.mapView);
        ServiceState s;
        ReportLog log;
        log.Attach(s);
        UseSystems(s, f.neatline, f.mapView);
        s.NeatlineExtentsType = 1;
        s.NeatlineLowerLeft = P(Rad(170), Rad(f.south));
        s.NeatlineUpperRight = P(Rad(-170), Rad(f.north));
        s.bForceStroking = true;
        s.NeatlineStrokeDistance = Rad(0.3);
        parallo::detail::CreateNeatline(s);
        ASSERT_TRUE(log.reports.empty()) << log.reports[0].description;
        EXPECT_TRUE(s.bForceStroking); // radians to degrees: stroking stays on
        const std::int32_t top = s.NeatlineStartTop, right = s.NeatlineStartRight,
                           bottom = s.NeatlineStartBottom;
        ASSERT_EQ(right - top, 67 + 1); // 20° at 0.3°: 67 run points, not an empty run

        const auto &mv = s.NeatlinePolygon->Points();
        double farthest = 0.0;
        for (std::int32_t i = top; i <= right; ++i)
            farthest = std::max(farthest, DistanceFromLine(mv.Item(i), mv.Item(top), mv.Item(right)));
        EXPECT_GT(farthest, f.bulge);

        // Back in geographic degrees: top on the north parallel, bottom on the south one, all
        // within the 20° east of 170°E (1e-7 degrees, about a centimetre, covers the round trip).
        auto back = s.NeatlinePolygon->Clone();
        auto service = s.CoordSystemsMgr->GetTransformService();
        service->TransformGeometry(
            *back, *service->CreateSimpleTransFromCSMtoCS(*s.CoordSystemsMgr, s.NeatlineCoordSystem), 0);
        const auto &pts = std::static_pointer_cast<shapekit::PolygonGeometry>(back)->Points();
        for (std::int32_t i = top; i <= right; ++i) {
            EXPECT_NEAR(pts.Item(i).y, f.north, 1e-7) << i;
            const double east = pts.Item(i).x >= 0.0 ? pts.Item(i).x - 170.0 : pts.Item(i).x + 190.0;
            EXPECT_GE(east, -1e-7) << i;
            EXPECT_LE(east, 20.0 + 1e-7) << i;
        }
        for (std::int32_t i = bottom; i < pts.Count(); ++i)
            EXPECT_NEAR(pts.Item(i).y, f.south, 1e-7) << i;
    }
}

} // namespace
