// The base transformation service (the manager's when none is set), on the exact coordinate-system
// double; the missing-system checks of the base and the PROJ service.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "parallo/coordkit_proj.h"
#include "support/coordkit_double.h"
#include "support/raises.h"

using shapekit::Point;

namespace {

std::shared_ptr<coordkit::CoordTransform> TransformTo(const coordkit::CoordSystemsMgr &mgr,
                                                      const std::shared_ptr<coordkit::CoordSystem> &target) {
    return mgr.GetTransformService()->CreateSimpleTransFromCSMtoCS(mgr, target);
}

} // namespace

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
    EXPECT_NEAR(line.End().x, -45.0, 1e-12);
    EXPECT_NEAR(line.End().y, 30.0, 1e-12);
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
