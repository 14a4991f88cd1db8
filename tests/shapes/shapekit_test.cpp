// Point collections, geometries, the geometry builder and the polar calculator.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "parallo/shapekit.h"
#include "support/raises.h"

using namespace shapekit;

namespace {

PointsCollection Collection(std::initializer_list<Point> pts) {
    PointsCollection c;
    for (const Point &p : pts)
        c.Add(p);
    return c;
}

/// Every point of a geometry as "x y z" texts, in run order.
std::vector<std::string> Flatten(const Geometry &g) {
    std::vector<std::string> out;
    g.ForEachRun(ConstPointRunFunction([&](const Point *p, std::size_t n) {
        for (std::size_t i = 0; i < n; ++i)
            out.push_back(std::to_string(p[i].x) + " " + std::to_string(p[i].y) + " " +
                          std::to_string(p[i].z));
    }));
    return out;
}

void ShiftAll(Geometry &g, double dx) {
    g.ForEachRun(PointRunFunction([dx](Point *p, std::size_t n) {
        for (std::size_t i = 0; i < n; ++i)
            p[i].x += dx;
    }));
}

} // namespace

TEST(PointsCollection, AddCopiesRemoveShiftsAndPositionsAreChecked) {
    PointsCollection c;
    Point scratch; // callers refill one scratch point: each Add keeps its own copy
    for (int i = 1; i <= 4; ++i) {
        scratch.x = i;
        c.Add(scratch);
    }
    scratch.x = 99.0;
    EXPECT_EQ(&c.Item(3), c.data() + 2); // contiguous, as the batch transformations read it
    c.Remove(2);
    ASSERT_EQ(c.Count(), 3);
    EXPECT_EQ(c.Item(2).x, 3.0);
    EXPECT_EQ(c.Item(3).x, 4.0);
    for (std::int32_t bad : {0, 4, -1}) {
        EXPECT_RAISES(c.Item(bad), 9);
        EXPECT_RAISES(static_cast<const PointsCollection &>(c).Item(bad), 9);
        EXPECT_RAISES(c.Remove(bad), 9);
    }
    EXPECT_EQ(c.Count(), 3);
}

TEST(Geometry, RunsWriteInPlaceAndClonesAreIndependentForEveryKind) {
    auto poly = std::make_shared<PolygonGeometry>();
    poly->Points() = Collection({{1, 1}, {2, 2}, {3, 3}});
    auto line = std::make_shared<LineGeometry>(Point(4, 4), Point(5, 5));
    auto pt = std::make_shared<PointGeometry>(Point(6, 6, 1));
    auto inner = std::make_shared<GeometryCollection>();
    inner->Add(pt);
    inner->Add(std::make_shared<PolylineGeometry>()); // no points: no run
    auto outer = std::make_shared<GeometryCollection>();
    outer->Add(poly);
    outer->Add(line);
    outer->Add(inner);

    int runs = 0;
    outer->ForEachRun(PointRunFunction([&](Point *p, std::size_t n) {
        ++runs;
        for (std::size_t i = 0; i < n; ++i)
            p[i].x *= 10.0;
    }));
    EXPECT_EQ(runs, 3);
    EXPECT_EQ(outer->PointCount(), 6u);
    EXPECT_EQ(poly->Points().Item(3).x, 30.0); // the members themselves were written, in order
    EXPECT_EQ(line->Start().x, 40.0);
    EXPECT_EQ(pt->Position().x, 60.0);

    for (const std::shared_ptr<Geometry> &original :
         std::vector<std::shared_ptr<Geometry>>{poly, line, pt, inner, outer}) {
        const auto before = Flatten(*original);
        std::shared_ptr<Geometry> copy = original->Clone();
        EXPECT_EQ(copy->Type(), original->Type());
        EXPECT_EQ(Flatten(*copy), before);
        ShiftAll(*copy, 100.0); // moving the copy leaves the original, and the reverse
        EXPECT_EQ(Flatten(*original), before);
        const auto copied = Flatten(*copy);
        ShiftAll(*original, -1.0);
        EXPECT_EQ(Flatten(*copy), copied);
    }
}

TEST(GeometryCollection, PositionsKindsAndErrors) {
    GeometryCollection c;
    auto a = std::make_shared<PointGeometry>(Point(1, 1));
    c.Add(a);
    c.Add(std::make_shared<LineGeometry>());
    EXPECT_EQ(c.Item(1), a); // the stored object itself
    EXPECT_RAISES(c.Item(0), 9);
    EXPECT_RAISES(c.Item(3), 9);
    EXPECT_RAISES(c.Add(nullptr), 91);
    EXPECT_EQ(c.Count(), 2);
    std::shared_ptr<Geometry> g = std::make_shared<PolygonGeometry>();
    EXPECT_RAISES(As<PolylineGeometry>(g), 13);
    EXPECT_RAISES(As<PolygonGeometry>(nullptr), 91);
}

TEST(GeometryBuilder, CollectionsAndPolygonsInOrderOwningTheirPoints) {
    GeometryBuilder b;
    PointsCollection pts = Collection({{0, 0}, {1, 1}, {2, 0}, {3, 3}});
    // Out of order: nothing open, nothing built.
    EXPECT_RAISES(b.AddPolyline(2, pts), 5);
    EXPECT_RAISES(b.AddLine(Point(), Point(1, 1)), 5);
    EXPECT_RAISES(b.EndCollection(), 5);
    EXPECT_RAISES(b.AddPolygonPoints(2, pts, false), 5);
    EXPECT_RAISES(b.EndPolygon(), 5);
    EXPECT_EQ(b.GetGeometry(), nullptr);
    b.StartCollection();
    b.AddPolyline(3, pts); // the first three points only
    b.AddLine(Point(5, 5), Point(6, 6));
    b.AddPolyline(4, pts);
    EXPECT_RAISES(b.AddPolyline(5, pts), 5); // more points than given
    EXPECT_RAISES(b.AddPolyline(-1, pts), 5);
    b.EndCollection();
    auto coll = As<GeometryCollection>(b.GetGeometry());
    ASSERT_EQ(coll->Count(), 3);
    auto first = As<PolylineGeometry>(coll->Item(1));
    EXPECT_EQ(first->Points().Count(), 3);
    EXPECT_EQ(As<LineGeometry>(coll->Item(2))->End().y, 6.0);
    EXPECT_EQ(As<PolylineGeometry>(coll->Item(3))->Points().Count(), 4);
    pts.Item(1).x = 42.0; // refilling the caller's collection changes nothing built
    EXPECT_EQ(first->Points().Item(1).x, 0.0);
    EXPECT_RAISES(b.EndCollection(), 5); // closed already
    b.StartCollection();                 // an open collection is not a build
    EXPECT_EQ(b.GetGeometry(), coll);
    b.Reset();
    EXPECT_EQ(b.GetGeometry(), nullptr);
    EXPECT_RAISES(b.EndCollection(), 5); // Reset also forgets the open collection

    // Polygons are closed only when asked, and never twice.
    PointsCollection ring = Collection({{0, 0}, {4, 0}, {4, 3}, {0, 3}, {0, 0}});
    PointsCollection open = Collection({{0, 0}, {4, 0}, {4, 3}, {0, 3}});
    PointsCollection rest = Collection({{4, 3}, {0, 3}});
    PolygonGeometry expected;
    expected.Points() = ring;
    const auto closed = Flatten(expected);
    b.BuildPolygon(5, ring, true); // an already closed ring gets nothing added
    EXPECT_EQ(Flatten(*b.GetGeometry()), closed);
    auto built = b.GetGeometry();
    b.BuildPolygon(4, open, false);
    EXPECT_EQ(b.GetGeometry()->PointCount(), 4u);
    EXPECT_EQ(built->PointCount(), 5u); // builds are independent
    b.BuildPolygon(4, open, true);
    EXPECT_EQ(Flatten(*b.GetGeometry()), closed);
    EXPECT_RAISES(b.BuildPolygon(5, open, false), 5);
    b.StartPolygon(); // in batches, as one BuildPolygon
    b.AddPolygonPoints(2, open, false);
    b.AddPolygonPoints(2, rest, true);
    b.EndPolygon();
    EXPECT_EQ(Flatten(*b.GetGeometry()), closed);
}

TEST(PolarCalculator, PlanarStepsClockwiseFromNorthAndFailures) {
    PolarCalculator pc;
    EXPECT_RAISES(pc.SetOption(2), 5);
    EXPECT_RAISES(pc.SetOption(0), 5);
    pc.SetOption(1);
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
    pc.SetStart(Point(0, 0));
    Point out(7, 7);
    EXPECT_RAISES(pc.PolarPoint(std::numeric_limits<double>::infinity(), 0.5, out), 6);
    EXPECT_RAISES(pc.PolarPoint(1.0, std::numeric_limits<double>::quiet_NaN(), out), 6);
    pc.SetStart(Point(0, 1.7e308)); // finite arguments whose sum overflows
    EXPECT_RAISES(pc.PolarPoint(1.7e308, 0.0, out), 6);
    EXPECT_EQ(out.x, 7.0); // a failing call leaves the out point as it was
    EXPECT_EQ(out.y, 7.0);
}
