// Point collections, geometries, the geometry builder and the polar calculator.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "parallo/error.h"
#include "parallo/shapekit.h"

using namespace shapekit;

namespace {

template <class F> void ExpectErrorNumber(std::int32_t number, F &&f) {
    try {
        f();
        ADD_FAILURE() << "no error raised, expected " << number;
    } catch (const parallo::Error &e) {
        EXPECT_EQ(e.Number(), number) << e.what();
    }
}

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

} // namespace

// ---- PointsCollection ---------------------------------------------------------------------

TEST(PointsCollection, NewPointHasZeroZ) {
    Point p(1.0, 2.0);
    EXPECT_EQ(p.z, 0.0);
    EXPECT_EQ(Point().x, 0.0);
}

TEST(PointsCollection, AddStoresTheCoordinatesOfTheMoment) {
    // Callers refill one scratch point and add it again: each Add keeps its own copy.
    PointsCollection c;
    Point scratch;
    for (int i = 1; i <= 3; ++i) {
        scratch.x = i;
        scratch.y = -i;
        c.Add(scratch);
    }
    scratch.x = 99.0;
    ASSERT_EQ(c.Count(), 3);
    for (std::int32_t i = 1; i <= 3; ++i) {
        EXPECT_EQ(c.Item(i).x, i);
        EXPECT_EQ(c.Item(i).y, -i);
    }
}

TEST(PointsCollection, ItemIsLive) {
    PointsCollection c = Collection({{1, 1}, {2, 2}});
    c.Item(2).x = 7.0;
    c.Item(2).z = 3.0;
    EXPECT_EQ(c.Item(2).x, 7.0);
    EXPECT_EQ(c.data()[1].z, 3.0);
}

TEST(PointsCollection, ItemOutsideOneToCountRaises9) {
    PointsCollection c = Collection({{1, 1}, {2, 2}});
    ExpectErrorNumber(9, [&] { c.Item(0); });
    ExpectErrorNumber(9, [&] { c.Item(3); });
    ExpectErrorNumber(9, [&] { c.Item(-1); });
    const PointsCollection &cc = c;
    ExpectErrorNumber(9, [&] { cc.Item(3); });
    PointsCollection empty;
    ExpectErrorNumber(9, [&] { empty.Item(1); });
}

TEST(PointsCollection, RemoveMovesLaterItemsDown) {
    PointsCollection c = Collection({{1, 0}, {2, 0}, {3, 0}, {4, 0}});
    c.Remove(2);
    ASSERT_EQ(c.Count(), 3);
    EXPECT_EQ(c.Item(1).x, 1.0);
    EXPECT_EQ(c.Item(2).x, 3.0);
    EXPECT_EQ(c.Item(3).x, 4.0);
    c.Remove(3);
    EXPECT_EQ(c.Count(), 2);
    EXPECT_EQ(c.Item(2).x, 3.0);
}

TEST(PointsCollection, EmptyingByRemovingTheFirstItem) {
    PointsCollection c = Collection({{1, 0}, {2, 0}, {3, 0}});
    const std::int32_t n = c.Count();
    for (std::int32_t i = 0; i < n; ++i)
        c.Remove(1);
    EXPECT_EQ(c.Count(), 0);
    EXPECT_TRUE(c.empty());
}

TEST(PointsCollection, RemoveOutOfRangeRaises9AndKeepsTheItems) {
    PointsCollection c = Collection({{1, 0}, {2, 0}});
    ExpectErrorNumber(9, [&] { c.Remove(0); });
    ExpectErrorNumber(9, [&] { c.Remove(3); });
    EXPECT_EQ(c.Count(), 2);
    PointsCollection empty;
    ExpectErrorNumber(9, [&] { empty.Remove(1); });
}

TEST(PointsCollection, StoresPointsContiguously) {
    PointsCollection c = Collection({{1, 0}, {2, 0}, {3, 0}});
    EXPECT_EQ(&c.Item(3), c.data() + 2);
    double sum = 0.0;
    for (const Point &p : c)
        sum += p.x;
    EXPECT_EQ(sum, 6.0);
}

// ---- geometries ---------------------------------------------------------------------------

TEST(Geometry, KindsReportTheirType) {
    EXPECT_EQ(PointGeometry().Type(), kPointGeometry);
    EXPECT_EQ(LineGeometry().Type(), kLineGeometry);
    EXPECT_EQ(PolylineGeometry().Type(), kPolylineGeometry);
    EXPECT_EQ(PolygonGeometry().Type(), kPolygonGeometry);
    EXPECT_EQ(GeometryCollection().Type(), kGeometryCollection);
}

TEST(Geometry, PointAndLineAreLive) {
    PointGeometry pg(Point(1, 2));
    pg.Position().x = 5.0;
    EXPECT_EQ(Flatten(pg)[0].x, 5.0);
    LineGeometry lg(Point(0, 0), Point(1, 1));
    lg.End().y = 9.0;
    EXPECT_EQ(Flatten(lg)[1].y, 9.0);
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
    // The writes reached the members themselves.
    EXPECT_EQ(poly->Points().Item(1).x, 10.0);
    EXPECT_EQ(pt->Position().x, 60.0);
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

    const std::vector<std::shared_ptr<Geometry>> originals = {poly, pline, line, pt, coll, nested};
    for (const auto &original : originals) {
        const std::vector<Point> before = Flatten(*original);
        std::shared_ptr<Geometry> copy = original->Clone();
        ASSERT_NE(copy, original);
        EXPECT_EQ(copy->Type(), original->Type());
        ExpectSamePoints(Flatten(*copy), before);
        // Moving every point of the copy leaves the original untouched, and the reverse.
        copy->ForEachRun(PointRunFunction([](Point *p, std::size_t n) {
            for (std::size_t i = 0; i < n; ++i)
                p[i].y += 100.0;
        }));
        ExpectSamePoints(Flatten(*original), before);
        const std::vector<Point> copied = Flatten(*copy);
        original->ForEachRun(PointRunFunction([](Point *p, std::size_t n) {
            for (std::size_t i = 0; i < n; ++i)
                p[i].x -= 1.0;
        }));
        ExpectSamePoints(Flatten(*copy), copied);
        original->ForEachRun(PointRunFunction([](Point *p, std::size_t n) {
            for (std::size_t i = 0; i < n; ++i)
                p[i].x += 1.0;
        }));
    }
}

TEST(GeometryCollection, PositionsAndErrors) {
    GeometryCollection c;
    auto a = std::make_shared<PointGeometry>(Point(1, 1));
    auto b = std::make_shared<LineGeometry>();
    c.Add(a);
    c.Add(b);
    ASSERT_EQ(c.Count(), 2);
    EXPECT_EQ(c.Item(1), a); // the stored object itself
    EXPECT_EQ(c.Item(2), b);
    ExpectErrorNumber(9, [&] { c.Item(0); });
    ExpectErrorNumber(9, [&] { c.Item(3); });
    ExpectErrorNumber(91, [&] { c.Add(nullptr); });
    EXPECT_EQ(c.Count(), 2);
    int n = 0;
    for (const auto &g : c)
        n += g ? 1 : 0;
    EXPECT_EQ(n, 2);
}

TEST(GeometryCollection, AsChecksTheKind) {
    std::shared_ptr<Geometry> g = std::make_shared<PolygonGeometry>();
    EXPECT_NE(As<PolygonGeometry>(g), nullptr);
    ExpectErrorNumber(13, [&] { As<PolylineGeometry>(g); });
    ExpectErrorNumber(91, [&] { As<PolygonGeometry>(nullptr); });
}

// ---- GeometryBuilder ----------------------------------------------------------------------

TEST(GeometryBuilder, NothingBuiltAtFirst) {
    GeometryBuilder b;
    EXPECT_EQ(b.GetGeometry(), nullptr);
}

TEST(GeometryBuilder, CollectionOfPolylinesAndLinesInOrder) {
    GeometryBuilder b;
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
    auto line = As<LineGeometry>(coll->Item(2));
    EXPECT_EQ(line->Start().x, 5.0);
    EXPECT_EQ(line->End().y, 6.0);
    EXPECT_EQ(As<PolylineGeometry>(coll->Item(3))->Points().Count(), 4);

    // The built geometry owns its points: refilling the caller's collection changes nothing.
    pts.Item(1).x = 42.0;
    EXPECT_EQ(first->Points().Item(1).x, 0.0);
}

TEST(GeometryBuilder, EmptyCollection) {
    GeometryBuilder b;
    b.StartCollection();
    b.EndCollection();
    EXPECT_EQ(As<GeometryCollection>(b.GetGeometry())->Count(), 0);
}

TEST(GeometryBuilder, CollectionCallsOutOfOrderRaise5) {
    GeometryBuilder b;
    PointsCollection pts = Collection({{0, 0}, {1, 1}});
    ExpectErrorNumber(5, [&] { b.AddPolyline(2, pts); });
    ExpectErrorNumber(5, [&] { b.AddLine(Point(), Point(1, 1)); });
    ExpectErrorNumber(5, [&] { b.EndCollection(); });
    b.StartCollection();
    ExpectErrorNumber(5, [&] { b.AddPolyline(3, pts); });
    ExpectErrorNumber(5, [&] { b.AddPolyline(-1, pts); });
    b.EndCollection();
    ExpectErrorNumber(5, [&] { b.EndCollection(); }); // closed already
    EXPECT_EQ(As<GeometryCollection>(b.GetGeometry())->Count(), 0);
}

TEST(GeometryBuilder, BuildPolygonKeepsAClosedRingAsPassed) {
    GeometryBuilder b;
    PointsCollection ring = Collection({{0, 0}, {4, 0}, {4, 3}, {0, 3}, {0, 0}});
    b.BuildPolygon(5, ring, false);
    auto poly = As<PolygonGeometry>(b.GetGeometry());
    ExpectSamePoints(Flatten(*poly), std::vector<Point>(ring.begin(), ring.end()));
    // Closing an already closed ring adds nothing.
    b.BuildPolygon(5, ring, true);
    EXPECT_EQ(As<PolygonGeometry>(b.GetGeometry())->Points().Count(), 5);
}

TEST(GeometryBuilder, BuildPolygonClosesAnOpenRingOnlyWhenAsked) {
    GeometryBuilder b;
    PointsCollection open = Collection({{0, 0}, {4, 0}, {4, 3}, {0, 3}});
    b.BuildPolygon(4, open, false);
    EXPECT_EQ(As<PolygonGeometry>(b.GetGeometry())->Points().Count(), 4);
    b.BuildPolygon(4, open, true);
    auto closed = As<PolygonGeometry>(b.GetGeometry());
    ASSERT_EQ(closed->Points().Count(), 5);
    EXPECT_EQ(closed->Points().Item(5).x, 0.0);
    EXPECT_EQ(closed->Points().Item(5).y, 0.0);
    ExpectErrorNumber(5, [&] { b.BuildPolygon(5, open, false); });
}

TEST(GeometryBuilder, ThreeCallPolygonEqualsBuildPolygon) {
    PointsCollection ring = Collection({{0, 0}, {4, 0}, {4, 3}, {0, 3}, {0, 0}});
    GeometryBuilder one;
    one.BuildPolygon(5, ring, false);
    GeometryBuilder three;
    three.StartPolygon();
    three.AddPolygonPoints(5, ring, false);
    three.EndPolygon();
    ExpectSamePoints(Flatten(*As<PolygonGeometry>(three.GetGeometry())),
                     Flatten(*As<PolygonGeometry>(one.GetGeometry())));
    // Several batches append in order.
    PointsCollection first = Collection({{0, 0}, {4, 0}});
    PointsCollection rest = Collection({{4, 3}, {0, 3}});
    three.StartPolygon();
    three.AddPolygonPoints(2, first, false);
    three.AddPolygonPoints(2, rest, true);
    three.EndPolygon();
    ExpectSamePoints(Flatten(*three.GetGeometry()), std::vector<Point>(ring.begin(), ring.end()));
}

TEST(GeometryBuilder, PolygonCallsOutOfOrderRaise5) {
    GeometryBuilder b;
    PointsCollection ring = Collection({{0, 0}, {1, 0}, {1, 1}});
    ExpectErrorNumber(5, [&] { b.AddPolygonPoints(3, ring, false); });
    ExpectErrorNumber(5, [&] { b.EndPolygon(); });
    EXPECT_EQ(b.GetGeometry(), nullptr);
}

TEST(GeometryBuilder, GetGeometryIsTheLastBuildAndResetForgets) {
    GeometryBuilder b;
    PointsCollection ring = Collection({{0, 0}, {1, 0}, {1, 1}, {0, 0}});
    b.StartCollection();
    b.AddLine(Point(0, 0), Point(1, 1));
    b.EndCollection();
    EXPECT_EQ(b.GetGeometry()->Type(), kGeometryCollection);
    b.BuildPolygon(4, ring, false);
    EXPECT_EQ(b.GetGeometry()->Type(), kPolygonGeometry);
    // An open collection is not a build: the polygon stays the last geometry.
    b.StartCollection();
    EXPECT_EQ(b.GetGeometry()->Type(), kPolygonGeometry);
    b.Reset();
    EXPECT_EQ(b.GetGeometry(), nullptr);
    // Reset also forgets the open collection.
    ExpectErrorNumber(5, [&] { b.EndCollection(); });
}

TEST(GeometryBuilder, BuildsAreIndependentOfEachOther) {
    GeometryBuilder b;
    PointsCollection ring = Collection({{0, 0}, {1, 0}, {1, 1}, {0, 0}});
    b.BuildPolygon(4, ring, false);
    auto first = b.GetGeometry();
    b.BuildPolygon(3, ring, false);
    EXPECT_NE(first, b.GetGeometry());
    EXPECT_EQ(first->PointCount(), 4u);
}

// ---- PolarCalculator ----------------------------------------------------------------------

TEST(PolarCalculator, CompassDirections) {
    // Tolerance 1e-15 * distance: sin and cos of the multiples of pi/2 are off by one rounding.
    PolarCalculator pc;
    pc.SetOption(1);
    pc.SetStart(PointGeometry(Point(100.0, 200.0)));
    const double pi = std::acos(-1.0);
    Point out;
    pc.PolarPoint(10.0, 0.0, out);
    EXPECT_EQ(out.x, 100.0);
    EXPECT_EQ(out.y, 210.0);
    pc.PolarPoint(10.0, pi / 2, out);
    EXPECT_NEAR(out.x, 110.0, 1e-12);
    EXPECT_NEAR(out.y, 200.0, 1e-12);
    pc.PolarPoint(10.0, pi, out);
    EXPECT_NEAR(out.x, 100.0, 1e-12);
    EXPECT_NEAR(out.y, 190.0, 1e-12);
    pc.PolarPoint(10.0, -pi / 2, out);
    EXPECT_NEAR(out.x, 90.0, 1e-12);
    EXPECT_NEAR(out.y, 200.0, 1e-12);
    pc.PolarPoint(0.0, 1.234, out);
    EXPECT_EQ(out.x, 100.0);
    EXPECT_EQ(out.y, 200.0);
}

TEST(PolarCalculator, DistanceAndAzimuthAreKept) {
    // Property: the result lies at the given distance and azimuth from the start. Tolerances are a
    // few roundings of the coordinates' magnitude (1e-9 for coordinates up to 1e6).
    std::mt19937 rng(20240611u);
    SCOPED_TRACE("seed 20240611");
    std::uniform_real_distribution<double> coord(-1e6, 1e6), dist(0.0, 1e4), az(-10.0, 10.0);
    PolarCalculator pc;
    for (int i = 0; i < 200; ++i) {
        const Point start(coord(rng), coord(rng));
        const double d = dist(rng), a = az(rng);
        pc.SetStart(start);
        Point out;
        pc.PolarPoint(d, a, out);
        EXPECT_NEAR(std::hypot(out.x - start.x, out.y - start.y), d, 1e-9);
        EXPECT_NEAR((out.x - start.x), d * std::sin(a), 1e-9);
        EXPECT_NEAR((out.y - start.y), d * std::cos(a), 1e-9);
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
    // Finite arguments whose sum overflows.
    pc.SetStart(Point(0, 1.7e308));
    ExpectErrorNumber(6, [&] { pc.PolarPoint(1.7e308, 0.0, out); });
    // A failing call leaves the out point as it was.
    EXPECT_EQ(out.x, 7.0);
    EXPECT_EQ(out.y, 7.0);
}
