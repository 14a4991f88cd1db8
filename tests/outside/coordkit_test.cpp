// The base transformation service, the manager and the coordinate test double.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "parallo/coordkit.h"
#include "parallo/error.h"
#include "support/coordkit_double.h"

using shapekit::Point;

namespace {

template <class F> void ExpectErrorNumber(std::int32_t number, F &&f) {
    try {
        f();
        ADD_FAILURE() << "no error raised, expected " << number;
    } catch (const parallo::Error &e) {
        EXPECT_EQ(e.Number(), number) << e.what();
    }
}

constexpr double kPi = 3.14159265358979323846;

std::shared_ptr<coordkit::CoordTransform> TransformTo(const coordkit::CoordSystemsMgr &mgr,
                                                      const std::shared_ptr<coordkit::CoordSystem> &target) {
    return mgr.GetTransformService()->CreateSimpleTransFromCSMtoCS(mgr, target);
}

} // namespace

// ---- the double itself ----------------------------------------------------------------------

TEST(CoordkitDouble, SpacesOfAnIdentitySystem) {
    auto cs = parallo_test::MakeIdentitySystem();
    double x = 0.25, y = -0.5, z = 7.0;
    cs->ConvertPoint(coordkit::kStorage, coordkit::kGeographic, x, y, z);
    EXPECT_EQ(x, 0.25);
    EXPECT_EQ(y, -0.5);
    EXPECT_EQ(z, 7.0);
    cs->SetBaseStorageType(coordkit::kGeographicStorage);
    cs->ConvertPoint(coordkit::kGeographic, coordkit::kStorage, x, y, z);
    EXPECT_NEAR(x, 0.25 * 180.0 / kPi, 1e-13); // degrees of geographic storage, one rounding
    ExpectErrorNumber(5, [&] { cs->ConvertPoint(2, coordkit::kStorage, x, y, z); });
}

TEST(CoordkitDouble, RotatedSystemAndItsProjection) {
    const double theta = 0.5;
    auto cs = parallo_test::MakeRotatedSystem(theta, 2.0, 100.0, 200.0);
    // Storage +y (0, 1) lies at azimuth theta from the plane's north, two plane units long.
    double x = 0.0, y = 1.0, z = 0.0;
    cs->ConvertPoint(coordkit::kStorage, coordkit::kProjectionPlane, x, y, z);
    EXPECT_NEAR(x, 100.0 + 2.0 * std::sin(theta), 1e-12);
    EXPECT_NEAR(y, 200.0 + 2.0 * std::cos(theta), 1e-12);
    cs->ConvertPoint(coordkit::kProjectionPlane, coordkit::kStorage, x, y, z);
    EXPECT_NEAR(x, 0.0, 1e-12);
    EXPECT_NEAR(y, 1.0, 1e-12);
    auto proj = cs->ProjectionSpace();
    EXPECT_EQ(proj->GetAngle(0.1, 0.2, 0.0), theta);
    cs->Config().angle = 0.25; // read at the time of the call
    EXPECT_EQ(proj->GetAngle(0.1, 0.2, 0.0), 0.25);
    cs->Config().unitName = "ftUS";
    cs->Config().projectedQuadrant = 6;
    auto axis = proj->AxisInfo();
    EXPECT_EQ(axis->UnitName(), "ftUS");
    EXPECT_EQ(axis->ProjectedQuadrant(), 6);
    EXPECT_EQ(axis->GeographicQuadrant(), 0);
}

TEST(CoordkitDouble, CopyIsIndependent) {
    auto cs = parallo_test::MakeIdentitySystem();
    auto copy = cs->CopyCoordSystem();
    copy->SetBaseStorageType(coordkit::kGeographicStorage);
    EXPECT_EQ(cs->BaseStorageType(), coordkit::kProjectedStorage);
    EXPECT_EQ(copy->BaseStorageType(), coordkit::kGeographicStorage);
    cs->Config().canConvert = false;
    EXPECT_FALSE(cs->CanConvert(1, 4));
    EXPECT_TRUE(copy->CanConvert(1, 4));
}

TEST(CoordkitDouble, UnitsOfMeasure) {
    parallo_test::UnitsOfMeasureDouble units;
    EXPECT_EQ(units.GetUnitCode(1, "m"), 59);
    EXPECT_EQ(units.GetUnitCode(1, "metre"), coordkit::kMetreUnitCode);
    const std::int32_t ft = units.GetUnitCode(1, "ft");
    const std::int32_t ftUS = units.GetUnitCode(1, "ftUS");
    const std::int32_t km = units.GetUnitCode(1, "km");
    EXPECT_NE(ft, ftUS);
    // Exact definitions: 0.3048 m and 1200/3937 m; tolerances are one rounding of the results.
    EXPECT_NEAR(units.ConvertValue(1, 0.3048, 59, ft), 1.0, 1e-15);
    EXPECT_NEAR(units.ConvertValue(1, 1200.0, 59, ftUS), 3937.0, 1e-9);
    EXPECT_EQ(units.ConvertValue(1, 1500.0, 59, km), 1.5);
    EXPECT_EQ(units.ConvertValue(1, 12.5, ft, ft), 12.5);
    ExpectErrorNumber(5, [&] { units.GetUnitCode(1, "furlong"); });
    ExpectErrorNumber(5, [&] { units.GetUnitCode(2, "m"); });
    ExpectErrorNumber(5, [&] { units.ConvertValue(1, 1.0, 59, 4711); });
}

// ---- ConvertPoints default --------------------------------------------------------------

TEST(CoordSystem, ConvertPointsConvertsOneByOne) {
    auto cs = parallo_test::MakeAffineSystem(2.0, 0.0, 10.0, 0.0, 3.0, 20.0);
    std::vector<Point> pts = {{1, 1, 5}, {2, 3}, {-1, 0}};
    cs->ConvertPoints(coordkit::kStorage, coordkit::kProjectionPlane, pts.data(), pts.size());
    EXPECT_EQ(cs->ConvertCalls(), 3);
    EXPECT_EQ(pts[0].x, 12.0);
    EXPECT_EQ(pts[0].y, 23.0);
    EXPECT_EQ(pts[0].z, 5.0);
    EXPECT_EQ(pts[1].x, 14.0);
    EXPECT_EQ(pts[2].y, 20.0);
}

// ---- the base TransformService ------------------------------------------------------------

TEST(TransformService, IdentityBothWays) {
    auto mgr = parallo_test::MakeManager(parallo_test::MakeIdentitySystem());
    auto target = parallo_test::MakeIdentitySystem();
    auto tr = TransformTo(*mgr, target);
    shapekit::PolygonGeometry poly;
    poly.Points().Add(Point(1.5, -2.25));
    poly.Points().Add(Point(1e6, 4e6));
    mgr->GetTransformService()->TransformGeometry(poly, *tr, 0);
    EXPECT_EQ(poly.Points().Item(1).x, 1.5);
    EXPECT_EQ(poly.Points().Item(2).y, 4e6);
    mgr->GetTransformService()->TransformGeometry(poly, *tr, 1);
    EXPECT_EQ(poly.Points().Item(1).y, -2.25);
}

TEST(TransformService, TheSameSystemOnBothSidesIsExact) {
    auto cs = parallo_test::MakeRotatedSystem(0.3, 0.3048, 1234.5, -77.0);
    auto mgr = parallo_test::MakeManager(cs);
    auto tr = TransformTo(*mgr, cs);
    Point p(0.1, 0.7);
    tr->Transform(&p, 1, 0);
    EXPECT_EQ(p.x, 0.1);
    EXPECT_EQ(p.y, 0.7);
    EXPECT_EQ(cs->ConvertCalls(), 0);
}

TEST(TransformService, ToARotatedSystemAndBack) {
    // Map view: plane metres. Grid: rotated by theta about (x0, y0), in feet. Direction 0 gives
    // grid storage; 1 brings it back. Tolerances: 1e-9 for coordinates up to 1e5 (a few roundings).
    const double theta = 0.4, k = 0.3048, x0 = 500.0, y0 = -250.0;
    auto mgr = parallo_test::MakeManager(parallo_test::MakeIdentitySystem());
    auto grid = parallo_test::MakeRotatedSystem(theta, k, x0, y0);
    auto tr = TransformTo(*mgr, grid);
    std::mt19937 rng(11u);
    SCOPED_TRACE("seed 11");
    std::uniform_real_distribution<double> coord(-1e5, 1e5);
    for (int i = 0; i < 100; ++i) {
        const Point original(coord(rng), coord(rng), 3.0);
        Point p = original;
        tr->Transform(&p, 1, 0);
        // Expected grid storage: the plane offset from the origin seen along the grid's axes.
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
    auto geo = parallo_test::MakeGeographicSystem();
    auto tr = TransformTo(*mgr, geo);
    shapekit::LineGeometry line(Point(R * kPi / 2, 0.0), Point(-R * kPi / 4, R * kPi / 6));
    mgr->GetTransformService()->TransformGeometry(line, *tr, 0);
    // Tolerance 1e-12 degrees: a few roundings of values up to 90.
    EXPECT_NEAR(line.Start().x, 90.0, 1e-12);
    EXPECT_NEAR(line.End().x, -45.0, 1e-12);
    EXPECT_NEAR(line.End().y, 30.0, 1e-12);
    mgr->GetTransformService()->TransformGeometry(line, *tr, 1);
    // Back in metres: 1e-6 m at coordinates ~1e7.
    EXPECT_NEAR(line.Start().x, R * kPi / 2, 1e-6);
    EXPECT_NEAR(line.End().y, R * kPi / 6, 1e-6);
}

TEST(TransformService, TransformGeometryReachesEveryKind) {
    auto mgr = parallo_test::MakeManager(parallo_test::MakeIdentitySystem());
    auto shifted =
        parallo_test::MakeAffineSystem(1.0, 0.0, -10.0, 0.0, 1.0, -20.0); // storage = plane + (10, 20)
    auto tr = TransformTo(*mgr, shifted);
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

TEST(TransformService, MissingSystemsRaise91) {
    coordkit::CoordSystemsMgr noWorkspace;
    ExpectErrorNumber(91, [&] { TransformTo(noWorkspace, parallo_test::MakeIdentitySystem()); });
    auto mgr = parallo_test::MakeManager(parallo_test::MakeIdentitySystem());
    ExpectErrorNumber(91, [&] { TransformTo(*mgr, nullptr); });
}

TEST(TransformService, FailuresLeaveThePointsAsTheyWere) {
    auto mgr = parallo_test::MakeManager(parallo_test::MakeIdentitySystem());
    auto target = parallo_test::MakeIdentitySystem();
    auto tr = TransformTo(*mgr, target);
    std::vector<Point> pts = {{1, 2}, {3, 4}};
    // The target cannot convert: its error reaches the caller.
    target->Config().failure = parallo_test::ConvertFailure::kRaise;
    ExpectErrorNumber(5, [&] { tr->Transform(pts.data(), pts.size(), 0); });
    // The target converts to NaN without complaint: the transformation raises Overflow.
    target->Config().failure = parallo_test::ConvertFailure::kNotFinite;
    ExpectErrorNumber(6, [&] { tr->Transform(pts.data(), pts.size(), 0); });
    ExpectErrorNumber(6, [&] { tr->Transform(pts.data(), pts.size(), 1); });
    EXPECT_EQ(pts[0].x, 1.0);
    EXPECT_EQ(pts[1].y, 4.0);
    // Unknown direction.
    target->Config().failure = parallo_test::ConvertFailure::kNone;
    ExpectErrorNumber(5, [&] { tr->Transform(pts.data(), pts.size(), 2); });
    // An empty run is nothing to do.
    tr->Transform(nullptr, 0, 0);
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
    EXPECT_EQ(mgr.WorkspaceCoordSystem(), workspace);
    ASSERT_NE(mgr.GetTransformService(), nullptr);
    EXPECT_EQ(mgr.GetTransformService(), coordkit::CoordSystemsMgr().GetTransformService());
    auto own = std::make_shared<CountingService>();
    mgr.SetTransformService(own);
    EXPECT_EQ(mgr.GetTransformService(), own);
    mgr.GetTransformService()->CreateSimpleTransFromCSMtoCS(mgr, workspace);
    EXPECT_EQ(own->created, 1);
}
