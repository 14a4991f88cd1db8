// Segment intersection (range pre-test, end-point rule, type 4, the angle and its normalisation);
// gridline-neatline intersection, the edge index against the full scan, ordering and
// de-duplication of the points.
#include <algorithm>
#include <cmath>
#include <limits>
#include <random>

#include "geometry_fixture.h"

namespace geometry_test {
namespace {

using parallo::IntersectionAnglesColl;
using parallo::detail::NeatlineEdgeIndexThreshold;
using shapekit::Point;
using shapekit::PointsCollection;
using shapekit::PolygonGeometry;

std::vector<double> Angles(const IntersectionAnglesColl &angles) {
    std::vector<double> out;
    for (const auto &a : angles)
        out.push_back(a->Angle());
    return out;
}

/// Angles in degrees from exact quadrant azimuths: only the degree factor's rounding remains.
void ExpectNear(const std::vector<double> &angles, const std::vector<double> &expected) {
    ASSERT_EQ(angles.size(), expected.size());
    for (std::size_t k = 0; k < angles.size(); ++k)
        EXPECT_NEAR(angles[k], expected[k], 1e-12) << k;
}

/// Everything one call leaves behind.
struct Outcome {
    std::int32_t retVal = 99;
    bool replaced = false; // IntersectPoints refers to a new collection
    std::vector<Point> points;
    std::vector<double> angles;
    std::vector<Report> reports;
};

class SegmentIntersection : public GeometryTest {
protected:
    // A sentinel point and angle tell what was written from what was not.
    void Run(const Point &a1, const Point &a2, const Point &b1, const Point &b2) {
        ip = sentinel = std::make_shared<Point>(-99.0, -99.0, -99.0);
        type = -7;
        angle = 123.0;
        parallo::detail::LCL_SegmentIntersectSegment(Grid(), a1, a2, b1, b2, ip, type, angle);
    }
    parallo::detail::PointPtr sentinel, ip;
    std::int32_t type = 0;
    double angle = 0.0;
};

TEST_F(SegmentIntersection, WrittenCases) {
    struct Case {
        const char *what;
        Point a1, a2, b1, b2;
        std::int32_t type;
        double x, y, angle;
    };
    const double pi = kPi;
    // The angle is the edge's azimuth minus the line's, brought into 0..2 pi (north is 2 pi).
    const Case cases[] = {{"x ranges apart", {0, 0}, {1, 1}, {2, 0}, {3, 1}, 0, 0, 0, 0},
                          {"y ranges apart", {0, 0}, {1, 0}, {0, 1}, {1, 2}, 0, 0, 0, 0},
                          {"ranges only touch", {0, 5}, {10, 5}, {10, 0}, {10, 10}, 1, 10, 5, 3 * pi / 2},
                          {"north line, east edge", {5, -10}, {5, 10}, {0, 3}, {10, 3}, 1, 5, 3, pi / 2},
                          {"north line, west edge", {5, -10}, {5, 10}, {10, 3}, {0, 3}, 1, 5, 3, 3 * pi / 2},
                          {"line ends on a vertex", {5, 3}, {5, 10}, {1, 3}, {5, 3}, 2, 5, 3, pi / 2},
                          {"line passes a vertex", {5, 0}, {5, 10}, {1, 3}, {5, 3}, 1, 5, 3, pi / 2},
                          // Both ends on vertices: ip is the second end.
                          {"both ends on vertices", {1, 1}, {6, 1}, {6, 1}, {1, 1}, 2, 6, 1, pi},
                          // Collinear overlap keeps type 3; ip is the line start clamped on it.
                          {"along an edge", {5, -10}, {5, 10}, {5, 8}, {5, 2}, 3, 5, 2, pi},
                          {"point line on an edge", {3, 2}, {3, 2}, {0, 2}, {10, 2}, 4, 3, 2, pi / 2}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Run(c.a1, c.a2, c.b1, c.b2);
        EXPECT_EQ(type, c.type);
        EXPECT_EQ(sentinel->x, -99.0); // the caller's object is released, never changed
        if (c.type == 0) {
            EXPECT_EQ(ip, sentinel);
            EXPECT_EQ(angle, 123.0);
            continue;
        }
        ASSERT_NE(ip, sentinel);
        EXPECT_EQ(ip->x, c.x);
        EXPECT_EQ(ip->y, c.y);
        // Differences of exact quadrant azimuths: only rounding.
        EXPECT_NEAR(angle, c.angle, 1e-15);
    }
    EXPECT_TRUE(reports.empty());
}

TEST_F(SegmentIntersection, AngleNormalisationAndTheToleranceLeftBehind) {
    // Nearly parallel: the edge turns 1e-9 rad anticlockwise from the line. A projected grid
    // normalises at 1e-8 / S (so 0) and leaves 1e-4 / S behind for later calls.
    grid->Config().storageScale = 4.0;
    Run({4, 5}, {6, 5}, {4, 5 - 1e-9}, {6, 5 + 1e-9});
    ASSERT_EQ(type, 1);
    EXPECT_EQ(angle, 0.0);
    EXPECT_EQ(planicalc::TRGGetPositionalTolerance(), 0.0001 / 4.0);
    // A geographic grid normalises at the caller's tolerance and leaves it: just under 2 pi.
    intervalsType = 1;
    planicalc::TRGSetPositionalTolerance(1e-12);
    Run({4, 5}, {6, 5}, {4, 5 - 1e-9}, {6, 5 + 1e-9});
    ASSERT_EQ(type, 1);
    // Rounding of 5 +- 1e-9 moves the edge direction by up to ~1e-15 rad.
    EXPECT_NEAR(angle, 2.0 * kPi - 1e-9, 3e-15);
    EXPECT_LT(angle, 2.0 * kPi);
    EXPECT_EQ(planicalc::TRGGetPositionalTolerance(), 1e-12);
    // No meeting: the tolerance is not touched at all.
    intervalsType = 0;
    Run({0, 0}, {1, 1}, {2, 0}, {3, 1});
    EXPECT_EQ(planicalc::TRGGetPositionalTolerance(), 1e-12);
}

TEST_F(SegmentIntersection, FailuresAndThePlausibilityReport) {
    // Zero storage scale: reported after the point is written, the angle not yet normalised.
    grid->Config().storageScale = 0.0;
    Run({5, -10}, {5, 10}, {0, 3}, {10, 3});
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(Texts(reports[0]),
              "Division by zero|Computing IntersectAngle|LCL_Segment_Intersect_Segment Error");
    ASSERT_NE(ip, sentinel);
    EXPECT_EQ(ip->y, 3.0);
    EXPECT_NEAR(angle, kPi / 2.0 - 2.0 * kPi, 1e-15);

    // A meeting at the origin is reported but kept.
    grid->Config().storageScale = 1.0;
    reports.clear();
    Run({0, -1}, {0, 1}, {-1, 0}, {1, 0});
    EXPECT_EQ(type, 1);
    EXPECT_EQ(ip->x, 0.0);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(Texts(reports[0]), "| The error is in LCL_SegmentIntersectSegment! IntersectionType = "
                                 "1|LCL_Segment_Intersect_Segment Error");

    // Non-finite input: reported, not thrown, nothing written.
    reports.clear();
    Run({std::nan(""), 0}, {5, 10}, {0, 3}, {10, 3});
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].description, "Overflow");
    EXPECT_EQ(ip, sentinel);
    EXPECT_EQ(angle, 123.0);
}

// ---- GridlineNeatlineIntersections ---------------------------------------------------------------

class Intersections : public GeometryTest {
protected:
    void TearDown() override { NeatlineEdgeIndexThreshold() = 64; }

    Outcome Intersect(const Point &a, const Point &b, std::shared_ptr<PolygonGeometry> &neatline,
                      bool bAddToNeatline = false, bool withAngles = true) {
        reports.clear();
        Outcome o;
        auto prior = std::make_shared<PointsCollection>();
        auto points = prior;
        IntersectionAnglesColl angles;
        parallo::detail::GridlineNeatlineIntersections(Grid(), a, b, neatline, bAddToNeatline, points,
                                                       withAngles ? &angles : nullptr, o.retVal);
        o.replaced = points != prior;
        if (points) o.points.assign(points->begin(), points->end());
        o.angles = Angles(angles);
        o.reports = reports;
        return o;
    }

    /// The edge-by-edge scan, then the edge index, on the same call: bit for bit the same
    /// points, angles and reports. Returns the scan's outcome.
    Outcome BothWays(const Point &a, const Point &b, std::shared_ptr<PolygonGeometry> &neatline) {
        NeatlineEdgeIndexThreshold() = std::numeric_limits<std::int32_t>::max();
        const Outcome scan = Intersect(a, b, neatline);
        NeatlineEdgeIndexThreshold() = 1;
        const Outcome indexed = Intersect(a, b, neatline);
        EXPECT_EQ(scan.retVal, indexed.retVal);
        EXPECT_EQ(scan.replaced, indexed.replaced);
        const auto bytes = [](const auto &v) {
            return std::string(reinterpret_cast<const char *>(v.data()), v.size() * sizeof(v[0]));
        };
        EXPECT_TRUE(bytes(scan.points) == bytes(indexed.points));
        EXPECT_TRUE(bytes(scan.angles) == bytes(indexed.angles));
        const auto texts = [](const Outcome &o) {
            std::string all;
            for (const Report &r : o.reports)
                all += Texts(r) + "\n";
            return all;
        };
        EXPECT_EQ(texts(scan), texts(indexed));
        return scan;
    }

    std::shared_ptr<PolygonGeometry> square = parallo_test::Polygon({{0, 0}, {10, 0}, {10, 10}, {0, 10}});
};

TEST_F(Intersections, EntryAndExitInEdgeOrder) {
    Outcome o = Intersect({5, -1e-6}, {5, 10 + 1e-6}, square);
    EXPECT_EQ(o.retVal, 1);
    ASSERT_TRUE(o.replaced);
    ASSERT_EQ(o.points.size(), 2u); // the bottom edge first, then the top
    EXPECT_TRUE(o.points[0].x == 5.0 && o.points[0].y == 0.0 && o.points[1].y == 10.0);
    ExpectNear(o.angles, {90, 270}); // north line against the eastward bottom and westward top
    EXPECT_TRUE(o.reports.empty());
    // A ring that repeats its first vertex adds no closing-edge point.
    auto closed = parallo_test::Polygon({{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}});
    EXPECT_EQ(Intersect({5, -1}, {5, 11}, closed).points.size(), 2u);

    // A line outside: a new, empty collection and RetVal reset from the caller's 99. The
    // positional tolerance is left at 1e-4 / S for a projected grid, 1e-8 / S for a geographic one.
    grid->Config().storageScale = 2.0;
    for (std::int32_t type : {0, 1}) {
        intervalsType = type;
        o = Intersect({15, -1}, {15, 11}, square);
        EXPECT_EQ(o.retVal, 0);
        EXPECT_TRUE(o.replaced);
        EXPECT_TRUE(o.points.empty() && o.angles.empty());
        EXPECT_EQ(planicalc::TRGGetPositionalTolerance(), (type == 1 ? 1e-8 : 0.0001) / 2.0);
    }
}

TEST_F(Intersections, LineThroughVerticesKeepsTheLaterPointOfEachPair) {
    auto diamond = parallo_test::Polygon({{0, -5}, {5, 0}, {0, 5}, {-5, 0}});
    auto points = std::make_shared<PointsCollection>();
    IntersectionAnglesColl angles;
    std::int32_t retVal = 0;
    parallo::detail::GridlineNeatlineIntersections(Grid(), {-6, 0}, {6, 0}, diamond, false, points, &angles,
                                                   retVal);
    // Each vertex is met by both its edges (the closing edge runs from vertex 1 to 4): an
    // eastward line against edges at azimuths 45, 315, 225 and (closing) 315 degrees.
    ASSERT_EQ(points->Count(), 4);
    ExpectNear(Angles(angles), {315, 225, 135, 225});
    parallo::detail::RemoveDuplicatePoints(Grid(), points.get(), &angles, 0);
    ASSERT_EQ(points->Count(), 2);
    EXPECT_EQ(points->Item(1).x, -5.0);
    EXPECT_EQ(points->Item(2).x, 5.0);
    // Sorted by x (stable): (-5: 135, 225), (5: 315, 225); the later of each pair survives.
    ExpectNear(Angles(angles), {225, 225});
    EXPECT_TRUE(reports.empty());
}

TEST_F(Intersections, FailuresLeaveTheCallersCollection) {
    auto one = parallo_test::Polygon({{5, 5}});
    Outcome o = Intersect({5, 0}, {5, 10}, one); // a single vertex still meets
    ASSERT_EQ(o.points.size(), 1u);
    EXPECT_EQ(o.retVal, 1);
    // Edges that fail after a hit are reported, and the hit is not taken again for them.
    auto broken = parallo_test::Polygon({{0, 0}, {10, 0}, {std::nan(""), 5}, {0, 10}});
    o = Intersect({5, -1}, {5, 11}, broken);
    EXPECT_EQ(o.points.size(), 1u);
    EXPECT_EQ(o.reports.size(), 2u);

    struct Case {
        const char *what;
        double storageScale;
        std::shared_ptr<PolygonGeometry> neatline;
        bool withAngles;
        const char *description, *trace; // null: not checked
    };
    const Case cases[] = {
        {"zero storage scale", 0.0, square, true, "Division by zero", "In GridlineNeatlineIntersections"},
        {"no neatline", 1.0, nullptr, true, nullptr, nullptr},
        {"no vertex", 1.0, parallo_test::Polygon({}), true, "Subscript out of range",
         "Checking Closing SegmentIntersectSegment"},
        {"no angle collection: the first hit fails", 1.0, square, false, nullptr,
         "Checking SegmentIntersectSegment"}};
    for (Case c : cases) {
        SCOPED_TRACE(c.what);
        grid->Config().storageScale = c.storageScale;
        o = Intersect({5, -1}, {5, 11}, c.neatline, false, c.withAngles);
        EXPECT_EQ(o.retVal, -1);
        EXPECT_FALSE(o.replaced);
        ASSERT_EQ(o.reports.size(), 1u);
        EXPECT_EQ(o.reports[0].title, "GridlineNeatlineIntersections Error");
        EXPECT_EQ(o.reports[0].description, c.description ? c.description : o.reports[0].description);
        EXPECT_EQ(o.reports[0].trace, c.trace ? c.trace : o.reports[0].trace);
    }
}

TEST_F(Intersections, TypeFourStopsWithoutHandingOutACollection) {
    // A point-like line on the top edge's interior.
    Outcome o = Intersect({3, 10}, {3, 10}, square);
    EXPECT_EQ(o.retVal, 0);
    EXPECT_FALSE(o.replaced);
    // (5, 0) is a vertex of edges 1 and 2 (type 2 on both), then lies inside edge 3: the stop
    // drops the two points found, though their angles were already handed over.
    auto spike = parallo_test::Polygon({{0, 0}, {5, 0}, {5, 5}, {5, -5}, {0, -5}});
    o = Intersect({5, 0}, {5, 0}, spike);
    EXPECT_EQ(o.retVal, 1);
    EXPECT_FALSE(o.replaced);
    EXPECT_EQ(o.angles.size(), 2u);
}

/// A random ring around the origin: a star whose radius wanders, vertices often on a lattice
/// of 0.5 (so that lines meet vertices exactly and run along edges), now and then a repeated
/// vertex, a spike back along the previous edge, or an explicitly closed ring.
std::vector<Point> RandomRing(std::mt19937 &rng, std::size_t n) {
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::vector<Point> ring;
    double r = 50.0;
    for (std::size_t k = 0; k < n; ++k) {
        r = std::min(100.0, std::max(5.0, r + (unit(rng) - 0.5) * 10.0));
        const double t = 2.0 * kPi * static_cast<double>(k) / static_cast<double>(n);
        Point p(r * std::cos(t), r * std::sin(t));
        if (unit(rng) < 0.5) p = Point(std::round(p.x * 2.0) / 2.0, std::round(p.y * 2.0) / 2.0);
        const double u = unit(rng);
        if (u < 0.03 && !ring.empty()) p = ring.back();
        if (u > 0.97 && ring.size() >= 2) p = ring[ring.size() - 2];
        ring.push_back(p);
    }
    if (unit(rng) < 0.3) ring.push_back(ring.front());
    return ring;
}

TEST_F(Intersections, EdgeIndexEqualsTheFullScan) {
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::uniform_int_distribution<std::size_t> sizes(64, 3000);
    int stops = 0, hits = 0, vertexPairs = 0;
    for (int polygonNo = 0; polygonNo < 12; ++polygonNo) {
        const std::vector<Point> ring = RandomRing(rng, sizes(rng));
        auto neatline = parallo_test::Polygon(ring);
        intervalsType = unit(rng) < 0.5 ? 0 : 1;
        grid->Config().storageScale = unit(rng) < 0.5 ? 1.0 : 0.25;
        for (int lineNo = 0; lineNo < 150; ++lineNo) {
            SCOPED_TRACE("polygon " + std::to_string(polygonNo) + " line " + std::to_string(lineNo));
            Point a, b;
            const double kind = unit(rng), v = std::round((unit(rng) * 220.0 - 110.0) * 2.0) / 2.0;
            const double lo = -101.0 - 1e-6, hi = 101.0 + 1e-6;
            if (kind < 0.35) { // grid lines along y and x, on the lattice
                a = Point(v, lo), b = Point(v, hi);
            } else if (kind < 0.7) {
                a = Point(lo, v), b = Point(hi, v);
            } else if (kind < 0.85) { // any direction and length
                a = Point(unit(rng) * 240.0 - 120.0, unit(rng) * 240.0 - 120.0);
                b = Point(unit(rng) * 240.0 - 120.0, unit(rng) * 240.0 - 120.0);
            } else { // a point-like line on a vertex or inside an edge: types 2 and 4
                const auto k = static_cast<std::size_t>(unit(rng) * static_cast<double>(ring.size() - 1));
                const double f = unit(rng) < 0.5 ? 0.0 : 0.5;
                b = a = Point(ring[k].x + f * (ring[k + 1].x - ring[k].x),
                              ring[k].y + f * (ring[k + 1].y - ring[k].y));
            }
            const Outcome scan = BothWays(a, b, neatline);
            stops += !scan.replaced && scan.retVal != -1;
            hits += !scan.points.empty();
            for (std::size_t k = 1; k < scan.points.size(); ++k)
                vertexPairs +=
                    scan.points[k].x == scan.points[k - 1].x && scan.points[k].y == scan.points[k - 1].y;
        }
    }
    // The catalogue must reach the cases that matter: crossings, lines meeting a vertex from
    // both its edges, and type-4 stops.
    EXPECT_GT(hits, 500);
    EXPECT_GT(vertexPairs, 20);
    EXPECT_GT(stops, 20);
}

TEST_F(Intersections, EdgeIndexFollowsChangesOfTheNeatline) {
    std::mt19937 rng(7);
    std::vector<Point> ring = RandomRing(rng, 400);
    auto neatline = parallo_test::Polygon(ring);
    const Point a(0.25, -200.0), b(0.25, 200.0);
    const Outcome before = BothWays(a, b, neatline); // leaves the index built
    // A vertex on the far east side moved in place across the line: its two edges now cross
    // it, and an index built before the move would not offer them.
    neatline->Points().Item(6) = Point(-150.0, 2.0);
    EXPECT_EQ(BothWays(a, b, neatline).points.size(), before.points.size() + 2);
    // A new polygon of the same size with every point moved east.
    neatline.reset();
    for (Point &p : ring)
        p.x += 30.0;
    neatline = parallo_test::Polygon(ring);
    BothWays(a, b, neatline);
    // A NaN vertex cannot be placed in the index; its edges are still tested (and reported), in
    // edge order, exactly as the scan does.
    ring[150].x = std::nan("");
    neatline = parallo_test::Polygon(ring);
    EXPECT_FALSE(BothWays({0.0, -200.0}, {0.0, 200.0}, neatline).reports.empty());
}

// ---- RemoveDuplicatePoints ---------------------------------------------------------------------

TEST_F(GeometryTest, DuplicatesShrinkToTheLaterPoint) {
    using parallo::detail::RemoveDuplicatePoints;
    PointsCollection points;
    IntersectionAnglesColl angles;
    const auto fill = [&](const std::vector<Point> &pts, const std::vector<double> &angleValues) {
        points.Clear();
        for (const Point &p : pts)
            points.Add(p);
        angles = IntersectionAnglesColl();
        for (double a : angleValues)
            angles.Add(a);
    };
    const auto zs = [&] {
        std::vector<double> out;
        for (const Point &p : points)
            out.push_back(p.z);
        return out;
    };
    fill({{1, 4, 1}, {1, 4, 2}, {1, 2, 9}, {1, 4, 3}}, {10, 20, 90, 30});
    RemoveDuplicatePoints(Grid(), &points, &angles, 1);
    EXPECT_EQ(zs(), (std::vector<double>{9, 3}));
    EXPECT_EQ(Angles(angles), (std::vector<double>{90, 30}));
    RemoveDuplicatePoints(Grid(), nullptr, &angles, 1);
    // Closer than dPointTolerance (1e-4) in both axes: 1e-4 apart is not, 5e-5 is; close in x
    // only is not.
    fill({{0, 0, 1}, {0.0001, 0, 2}, {0.00015, 0, 3}, {0.00015, 1, 4}}, {});
    RemoveDuplicatePoints(Grid(), &points, nullptr, 0);
    EXPECT_EQ(zs(), (std::vector<double>{1, 3, 4}));
    EXPECT_TRUE(reports.empty());

    fill({{1, 1, 1}, {1, 1, 2}}, {}); // angles take part but hold nothing
    RemoveDuplicatePoints(Grid(), &points, &angles, 1);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(
        Texts(reports[0]),
        "Subscript out of range|Error on Remove|RemoveDuplicatePoints Error i=1, objPts.Count= 1, nPts=2");
    EXPECT_EQ(points.Count(), 1); // the removal made stays
}

} // namespace
} // namespace geometry_test
