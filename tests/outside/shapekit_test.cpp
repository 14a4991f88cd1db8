// Point collections, geometries, the geometry builder and the polar calculator.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "outside_test.h"
#include "parallo/shapekit.h"

using namespace shapekit;

namespace {

PointsCollection Collection(std::initializer_list<Point> pts) {
    PointsCollection c;
    for (const Point &p : pts)
        c.Add(p);
    return c;
}

std::vector<Point> Flatten(const Geometry &g) {
    std::vector<Point> out;
    g.ForEachRun(
        ConstPointRunFunction([&](const Point *p, std::size_t n) { out.insert(out.end(), p, p + n); }));
    return out;
}

void ExpectSamePoints(const std::vector<Point> &a, const std::vector<Point> &b) {
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i) {
        EXPECT_EQ(a[i].x, b[i].x) << i;
        EXPECT_EQ(a[i].y, b[i].y) << i;
        EXPECT_EQ(a[i].z, b[i].z) << i;
    }
}

void ShiftAll(Geometry &g, double dx) {
    g.ForEachRun(PointRunFunction([dx](Point *p, std::size_t n) {
        for (std::size_t i = 0; i < n; ++i)
            p[i].x += dx;
    }));
}

} // namespace

TEST(PointsCollection, AddCopiesItemIsLiveAndContiguous) {
    // Callers refill one scratch point and add it again: each Add keeps its own copy.
    PointsCollection c;
    Point scratch;
    for (int i = 1; i <= 3; ++i) {
        scratch.x = i;
        c.Add(scratch);
    }
    scratch.x = 99.0;
    ASSERT_EQ(c.Count(), 3);
    EXPECT_EQ(c.Item(3).x, 3.0);
    EXPECT_EQ(c.Item(3).z, 0.0);
    c.Item(2).y = 7.0;
    EXPECT_EQ(c.data()[1].y, 7.0);
    EXPECT_EQ(&c.Item(3), c.data() + 2);
}

TEST(PointsCollection, RemoveAndRangeErrors) {
    PointsCollection c = Collection({{1, 0}, {2, 0}, {3, 0}, {4, 0}});
    c.Remove(2);
    ASSERT_EQ(c.Count(), 3);
    EXPECT_EQ(c.Item(2).x, 3.0);
    EXPECT_EQ(c.Item(3).x, 4.0);
    for (std::int32_t bad : {0, 4, -1}) {
        ExpectErrorNumber(9, [&] { c.Item(bad); });
        ExpectErrorNumber(9, [&] { c.Remove(bad); });
    }
    const PointsCollection &cc = c;
    ExpectErrorNumber(9, [&] { cc.Item(4); });
    EXPECT_EQ(c.Count(), 3);
    while (c.Count() > 0)
        c.Remove(1);
    EXPECT_TRUE(c.empty());
    ExpectErrorNumber(9, [&] { c.Item(1); });
    ExpectErrorNumber(9, [&] { c.Remove(1); });
}

TEST(Geometry, RunsVisitEveryPointInOrderAndWriteInPlace) {
    auto poly = std::make_shared<PolylineGeometry>();
    poly->Points() = Collection({{1, 1}, {2, 2}, {3, 3}});
    auto line = std::make_shared<LineGeometry>(Point(4, 4), Point(5, 5));
    auto pt = std::make_shared<PointGeometry>(Point(6, 6));
    auto inner = std::make_shared<GeometryCollection>();
    inner->Add(pt);
    GeometryCollection outer;
    outer.Add(poly);
    outer.Add(line);
    outer.Add(inner);
    outer.Add(std::make_shared<PolygonGeometry>()); // no points: no run

    int runs = 0;
    outer.ForEachRun(PointRunFunction([&](Point *p, std::size_t n) {
        ++runs;
        for (std::size_t i = 0; i < n; ++i)
            p[i].x *= 10.0;
    }));
    EXPECT_EQ(runs, 3);
    EXPECT_EQ(outer.PointCount(), 6u);
    const std::vector<Point> all = Flatten(outer);
    for (std::size_t i = 0; i < all.size(); ++i)
        EXPECT_EQ(all[i].x, 10.0 * static_cast<double>(i + 1));
    EXPECT_EQ(poly->Points().Item(1).x, 10.0); // the members themselves were written
    EXPECT_EQ(pt->Position().x, 60.0);
    line->End().y = 9.0;
    EXPECT_EQ(Flatten(*line)[1].y, 9.0);
}

TEST(Geometry, ClonesAreIndependentForEveryKind) {
    auto poly = std::make_shared<PolygonGeometry>();
    poly->Points() = Collection({{0, 0}, {1, 0}, {1, 1}, {0, 0}});
    auto pline = std::make_shared<PolylineGeometry>();
    pline->Points() = Collection({{2, 2}, {3, 3}});
    auto line = std::make_shared<LineGeometry>(Point(4, 4), Point(5, 5));
    auto pt = std::make_shared<PointGeometry>(Point(6, 6, 1));
    auto coll = std::make_shared<GeometryCollection>();
    coll->Add(pline);
    coll->Add(line);
    coll->Add(pt);
    auto nested = std::make_shared<GeometryCollection>();
    nested->Add(coll);
    nested->Add(poly);

    for (const std::shared_ptr<Geometry> &original :
         std::vector<std::shared_ptr<Geometry>>{poly, pline, line, pt, coll, nested}) {
        const std::vector<Point> before = Flatten(*original);
        std::shared_ptr<Geometry> copy = original->Clone();
        ASSERT_NE(copy, original);
        EXPECT_EQ(copy->Type(), original->Type());
        ExpectSamePoints(Flatten(*copy), before);
        ShiftAll(*copy, 100.0); // moving the copy leaves the original, and the reverse
        ExpectSamePoints(Flatten(*original), before);
        const std::vector<Point> copied = Flatten(*copy);
        ShiftAll(*original, -1.0);
        ExpectSamePoints(Flatten(*copy), copied);
        ShiftAll(*original, 1.0);
    }
}

TEST(GeometryCollection, PositionsKindsAndErrors) {
    GeometryCollection c;
    auto a = std::make_shared<PointGeometry>(Point(1, 1));
    c.Add(a);
    c.Add(std::make_shared<LineGeometry>());
    EXPECT_EQ(c.Item(1), a); // the stored object itself
    ExpectErrorNumber(9, [&] { c.Item(0); });
    ExpectErrorNumber(9, [&] { c.Item(3); });
    ExpectErrorNumber(91, [&] { c.Add(nullptr); });
    EXPECT_EQ(c.Count(), 2);
    std::shared_ptr<Geometry> g = std::make_shared<PolygonGeometry>();
    EXPECT_NE(As<PolygonGeometry>(g), nullptr);
    ExpectErrorNumber(13, [&] { As<PolylineGeometry>(g); });
    ExpectErrorNumber(91, [&] { As<PolygonGeometry>(nullptr); });
}

// ---- GeometryBuilder ----------------------------------------------------------------------

TEST(GeometryBuilder, CollectionOfPolylinesAndLinesInOrder) {
    GeometryBuilder b;
    EXPECT_EQ(b.GetGeometry(), nullptr);
    PointsCollection pts = Collection({{0, 0}, {1, 1}, {2, 0}, {3, 3}});
    b.StartCollection();
    b.AddPolyline(3, pts); // the first three points only
    b.AddLine(Point(5, 5), Point(6, 6));
    b.AddPolyline(4, pts);
    b.EndCollection();
    auto coll = As<GeometryCollection>(b.GetGeometry());
    ASSERT_EQ(coll->Count(), 3);
    auto first = As<PolylineGeometry>(coll->Item(1));
    ExpectSamePoints(Flatten(*first), {{0, 0}, {1, 1}, {2, 0}});
    EXPECT_EQ(As<LineGeometry>(coll->Item(2))->End().y, 6.0);
    EXPECT_EQ(As<PolylineGeometry>(coll->Item(3))->Points().Count(), 4);
    // The built geometry owns its points: refilling the caller's collection changes nothing.
    pts.Item(1).x = 42.0;
    EXPECT_EQ(first->Points().Item(1).x, 0.0);
}

TEST(GeometryBuilder, CallsOutOfOrderRaise5) {
    GeometryBuilder b;
    PointsCollection pts = Collection({{0, 0}, {1, 1}});
    ExpectErrorNumber(5, [&] { b.AddPolyline(2, pts); });
    ExpectErrorNumber(5, [&] { b.AddLine(Point(), Point(1, 1)); });
    ExpectErrorNumber(5, [&] { b.EndCollection(); });
    ExpectErrorNumber(5, [&] { b.AddPolygonPoints(2, pts, false); });
    ExpectErrorNumber(5, [&] { b.EndPolygon(); });
    EXPECT_EQ(b.GetGeometry(), nullptr);
    b.StartCollection();
    ExpectErrorNumber(5, [&] { b.AddPolyline(3, pts); }); // more points than given
    ExpectErrorNumber(5, [&] { b.AddPolyline(-1, pts); });
    b.EndCollection();
    ExpectErrorNumber(5, [&] { b.EndCollection(); }); // closed already
    EXPECT_EQ(As<GeometryCollection>(b.GetGeometry())->Count(), 0);
}

TEST(GeometryBuilder, PolygonsClosedOnlyWhenAskedAndAlike) {
    PointsCollection ring = Collection({{0, 0}, {4, 0}, {4, 3}, {0, 3}, {0, 0}});
    PointsCollection open = Collection({{0, 0}, {4, 0}, {4, 3}, {0, 3}});
    GeometryBuilder b;
    b.BuildPolygon(5, ring, true); // an already closed ring gets nothing added
    ExpectSamePoints(Flatten(*As<PolygonGeometry>(b.GetGeometry())),
                     std::vector<Point>(ring.begin(), ring.end()));
    auto first = b.GetGeometry();
    b.BuildPolygon(4, open, false);
    EXPECT_EQ(b.GetGeometry()->PointCount(), 4u);
    EXPECT_EQ(first->PointCount(), 5u); // builds are independent
    b.BuildPolygon(4, open, true);
    ExpectSamePoints(Flatten(*b.GetGeometry()), std::vector<Point>(ring.begin(), ring.end()));
    ExpectErrorNumber(5, [&] { b.BuildPolygon(5, open, false); });
    // Three calls in batches equal one BuildPolygon.
    PointsCollection rest = Collection({{4, 3}, {0, 3}});
    b.StartPolygon();
    b.AddPolygonPoints(2, open, false);
    b.AddPolygonPoints(2, rest, true);
    b.EndPolygon();
    ExpectSamePoints(Flatten(*As<PolygonGeometry>(b.GetGeometry())),
                     std::vector<Point>(ring.begin(), ring.end()));
}

TEST(GeometryBuilder, GetGeometryIsTheLastBuildAndResetForgets) {
    GeometryBuilder b;
    PointsCollection ring = Collection({{0, 0}, {1, 0}, {1, 1}, {0, 0}});
    b.BuildPolygon(4, ring, false);
    b.StartCollection(); // an open collection is not a build
    EXPECT_EQ(b.GetGeometry()->Type(), kPolygonGeometry);
    b.Reset();
    EXPECT_EQ(b.GetGeometry(), nullptr);
    ExpectErrorNumber(5, [&] { b.EndCollection(); }); // Reset also forgets the open collection
}

// ---- PolarCalculator ----------------------------------------------------------------------

TEST(PolarCalculator, CompassDirectionsAndProperty) {
    const double pi = std::acos(-1.0);
    PolarCalculator pc;
    pc.SetOption(1);
    pc.SetStart(PointGeometry(Point(100.0, 200.0)));
    struct Case {
        double d, az, x, y;
    };
    // 1e-12: sin and cos of multiples of pi/2 are off by one rounding, times 10.
    for (const Case &c : {Case{10, 0, 100, 210}, Case{10, pi / 2, 110, 200}, Case{10, pi, 100, 190},
                          Case{10, -pi / 2, 90, 200}, Case{0, 1.234, 100, 200}}) {
        Point out;
        pc.PolarPoint(c.d, c.az, out);
        EXPECT_NEAR(out.x, c.x, 1e-12) << c.az;
        EXPECT_NEAR(out.y, c.y, 1e-12) << c.az;
    }
    // x + d sin az, y + d cos az; 1e-9: a few roundings of coordinates up to 1e6.
    std::mt19937 rng(20240611u);
    std::uniform_real_distribution<double> coord(-1e6, 1e6), dist(0.0, 1e4), az(-10.0, 10.0);
    for (int i = 0; i < 200; ++i) {
        const Point start(coord(rng), coord(rng));
        const double d = dist(rng), a = az(rng);
        pc.SetStart(start);
        Point out;
        pc.PolarPoint(d, a, out);
        EXPECT_NEAR(out.x - start.x, d * std::sin(a), 1e-9) << "seed 20240611, " << i;
        EXPECT_NEAR(out.y - start.y, d * std::cos(a), 1e-9) << "seed 20240611, " << i;
    }
}

TEST(PolarCalculator, UnknownOptionRaises5AndNonFiniteRaises6) {
    PolarCalculator pc;
    ExpectErrorNumber(5, [&] { pc.SetOption(2); });
    ExpectErrorNumber(5, [&] { pc.SetOption(0); });
    pc.SetStart(Point(0, 0));
    Point out(7, 7);
    ExpectErrorNumber(6, [&] { pc.PolarPoint(std::numeric_limits<double>::infinity(), 0.5, out); });
    ExpectErrorNumber(6, [&] { pc.PolarPoint(1.0, std::numeric_limits<double>::quiet_NaN(), out); });
    pc.SetStart(Point(0, 1.7e308)); // finite arguments whose sum overflows
    ExpectErrorNumber(6, [&] { pc.PolarPoint(1.7e308, 0.0, out); });
    EXPECT_EQ(out.x, 7.0); // a failing call leaves the out point as it was
    EXPECT_EQ(out.y, 7.0);
}
