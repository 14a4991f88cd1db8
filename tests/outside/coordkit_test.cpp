// The base transformation service and the manager, on the exact coordinate-system double.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "outside_test.h"
#include "parallo/coordkit.h"
#include "support/coordkit_double.h"

using shapekit::Point;

namespace {

constexpr double kPi = 3.14159265358979323846;

std::shared_ptr<coordkit::CoordTransform> TransformTo(const coordkit::CoordSystemsMgr &mgr,
                                                      const std::shared_ptr<coordkit::CoordSystem> &target) {
    return mgr.GetTransformService()->CreateSimpleTransFromCSMtoCS(mgr, target);
}

} // namespace

TEST(TransformService, TheSameSystemOnBothSidesIsExact) {
    auto cs = parallo_test::MakeRotatedSystem(0.3, 0.3048, 1234.5, -77.0);
    auto mgr = parallo_test::MakeManager(cs);
    auto tr = TransformTo(*mgr, cs);
    for (int direction : {0, 1}) {
        Point p(0.1, 0.7);
        tr->Transform(&p, 1, direction);
        EXPECT_EQ(p.x, 0.1);
        EXPECT_EQ(p.y, 0.7);
    }
}

TEST(TransformService, ToARotatedSystemAndBack) {
    // Map view: plane metres. Grid: rotated by theta about (x0, y0), in feet. Direction 0 gives
    // grid storage; 1 brings it back. 1e-9: a few roundings of coordinates up to 1e5.
    const double theta = 0.4, k = 0.3048, x0 = 500.0, y0 = -250.0;
    auto mgr = parallo_test::MakeManager(parallo_test::MakeIdentitySystem());
    auto tr = TransformTo(*mgr, parallo_test::MakeRotatedSystem(theta, k, x0, y0));
    std::mt19937 rng(11u);
    std::uniform_real_distribution<double> coord(-1e5, 1e5);
    for (int i = 0; i < 100; ++i) {
        SCOPED_TRACE("seed 11, " + std::to_string(i));
        const Point original(coord(rng), coord(rng), 3.0);
        Point p = original;
        tr->Transform(&p, 1, 0);
        // The plane offset from the origin seen along the grid's axes.
        const double dx = original.x - x0, dy = original.y - y0;
        EXPECT_NEAR(p.x, (dx * std::cos(theta) - dy * std::sin(theta)) / k, 1e-9);
        EXPECT_NEAR(p.y, (dx * std::sin(theta) + dy * std::cos(theta)) / k, 1e-9);
        EXPECT_EQ(p.z, 3.0);
        tr->Transform(&p, 1, 1);
        EXPECT_NEAR(p.x, original.x, 1e-9);
        EXPECT_NEAR(p.y, original.y, 1e-9);
    }
}

TEST(TransformService, ToGeographicStorageInDegrees) {
    // Map view in metres on a sphere of radius R; the grid is geographic, stored in degrees.
    const double R = 6378137.0;
    auto mapView = parallo_test::MakeIdentitySystem();
    mapView->Config().R = R;
    auto mgr = parallo_test::MakeManager(mapView);
    auto tr = TransformTo(*mgr, parallo_test::MakeGeographicSystem());
    shapekit::LineGeometry line(Point(R * kPi / 2, 0.0), Point(-R * kPi / 4, R * kPi / 6));
    mgr->GetTransformService()->TransformGeometry(line, *tr, 0);
    EXPECT_NEAR(line.Start().x, 90.0, 1e-12); // a few roundings of values up to 90
    EXPECT_NEAR(line.End().x, -45.0, 1e-12);
    EXPECT_NEAR(line.End().y, 30.0, 1e-12);
    mgr->GetTransformService()->TransformGeometry(line, *tr, 1);
    EXPECT_NEAR(line.Start().x, R * kPi / 2, 1e-6); // 1e-6 m at coordinates ~1e7
    EXPECT_NEAR(line.End().y, R * kPi / 6, 1e-6);
}

TEST(TransformService, TransformGeometryReachesEveryKind) {
    auto mgr = parallo_test::MakeManager(parallo_test::MakeIdentitySystem());
    auto tr = TransformTo(
        *mgr, parallo_test::MakeRotatedSystem(0.0, 1.0, -10.0, -20.0)); // storage = plane + (10, 20)
    auto pline = std::make_shared<shapekit::PolylineGeometry>();
    pline->Points().Add(Point(0, 0));
    pline->Points().Add(Point(1, 1));
    auto pt = std::make_shared<shapekit::PointGeometry>(Point(2, 2));
    auto line = std::make_shared<shapekit::LineGeometry>(Point(3, 3), Point(4, 4));
    auto poly = std::make_shared<shapekit::PolygonGeometry>();
    poly->Points().Add(Point(5, 5));
    auto inner = std::make_shared<shapekit::GeometryCollection>();
    inner->Add(poly);
    shapekit::GeometryCollection coll;
    coll.Add(pline);
    coll.Add(pt);
    coll.Add(line);
    coll.Add(inner);
    mgr->GetTransformService()->TransformGeometry(coll, *tr, 0);
    EXPECT_EQ(pline->Points().Item(2).x, 11.0);
    EXPECT_EQ(pt->Position().y, 22.0);
    EXPECT_EQ(line->End().x, 14.0);
    EXPECT_EQ(poly->Points().Item(1).y, 25.0);
}

TEST(TransformService, FailuresRaiseAndLeaveThePointsAsTheyWere) {
    coordkit::CoordSystemsMgr noWorkspace;
    ExpectErrorNumber(91, [&] { TransformTo(noWorkspace, parallo_test::MakeIdentitySystem()); });
    auto mgr = parallo_test::MakeManager(parallo_test::MakeIdentitySystem());
    ExpectErrorNumber(91, [&] { TransformTo(*mgr, nullptr); });

    auto target = parallo_test::MakeIdentitySystem();
    auto tr = TransformTo(*mgr, target);
    std::vector<Point> pts = {{1, 2}, {3, 4}};
    target->Config().failure = parallo_test::ConvertFailure::kRaise; // its error reaches the caller
    ExpectErrorNumber(5, [&] { tr->Transform(pts.data(), pts.size(), 0); });
    // NaN without complaint from the target: the transformation raises Overflow.
    target->Config().failure = parallo_test::ConvertFailure::kNotFinite;
    ExpectErrorNumber(6, [&] { tr->Transform(pts.data(), pts.size(), 0); });
    ExpectErrorNumber(6, [&] { tr->Transform(pts.data(), pts.size(), 1); });
    EXPECT_EQ(pts[0].x, 1.0);
    EXPECT_EQ(pts[1].y, 4.0);
    target->Config().failure = parallo_test::ConvertFailure::kNone;
    ExpectErrorNumber(5, [&] { tr->Transform(pts.data(), pts.size(), 2); }); // unknown direction
    tr->Transform(nullptr, 0, 0);                                            // an empty run is nothing to do
}

TEST(CoordSystemsMgr, BaseServiceUnlessOneIsSet) {
    struct CountingService : coordkit::TransformService {
        mutable int created = 0;
        std::shared_ptr<coordkit::CoordTransform>
        CreateSimpleTransFromCSMtoCS(const coordkit::CoordSystemsMgr &m,
                                     const std::shared_ptr<coordkit::CoordSystem> &t) const override {
            ++created;
            return TransformService::CreateSimpleTransFromCSMtoCS(m, t);
        }
    };
    auto workspace = parallo_test::MakeIdentitySystem();
    coordkit::CoordSystemsMgr mgr(workspace);
    ASSERT_NE(mgr.GetTransformService(), nullptr);
    auto own = std::make_shared<CountingService>();
    mgr.SetTransformService(own);
    TransformTo(mgr, workspace);
    EXPECT_EQ(own->created, 1);
}
