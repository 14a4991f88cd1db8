// Gridline-neatline intersection, ordering and de-duplication of the points.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <vector>

#include "geometry_fixture.h"

namespace geometry_test {
namespace {

using parallo::IntersectionAnglesColl;
using parallo::detail::GridlineNeatlineIntersections;
using parallo::detail::NeatlineEdgeIndexThreshold;
using parallo::detail::RemoveDuplicatePoints;
using parallo::detail::RemoveDuplicatePointsByAngle;
using parallo::detail::SortPointsByAxis;
using shapekit::Point;
using shapekit::PointsCollection;
using shapekit::PolygonGeometry;

std::shared_ptr<PolygonGeometry> MakePolygon(const std::vector<Point> &pts) {
    auto polygon = std::make_shared<PolygonGeometry>();
    for (const Point &p : pts)
        polygon->Points().Add(p);
    return polygon;
}

std::vector<double> Angles(const IntersectionAnglesColl &angles) {
    std::vector<double> out;
    for (const auto &a : angles)
        out.push_back(a->Angle());
    return out;
}

/// Everything one call leaves behind.
struct Outcome {
    std::int32_t retVal = 99;
    bool replaced = false; // IntersectPoints refers to a new collection
    std::vector<Point> points;
    std::vector<double> angles;
    std::vector<Report> reports;
};

class Intersections : public GeometryTest {
protected:
    void TearDown() override { NeatlineEdgeIndexThreshold() = 64; }

    Outcome Intersect(const Point &a, const Point &b, std::shared_ptr<PolygonGeometry> &neatline,
                      bool bAddToNeatline = false) {
        reports.clear();
        Outcome o;
        auto prior = std::make_shared<PointsCollection>();
        auto points = prior;
        IntersectionAnglesColl angles;
        o.retVal = 99;
        GridlineNeatlineIntersections(s, a, b, neatline, bAddToNeatline, points, &angles, o.retVal);
        o.replaced = points != prior;
        if (points) o.points.assign(points->begin(), points->end());
        o.angles = Angles(angles);
        o.reports = reports;
        return o;
    }

    std::shared_ptr<PolygonGeometry> square = MakePolygon({{0, 0}, {10, 0}, {10, 10}, {0, 10}});
};

// ---- GridlineNeatlineIntersections ------------------------------------------------------------

TEST_F(Intersections, ConvexNeatlineGivesEntryAndExit) {
    const Outcome o = Intersect({5, -1e-6}, {5, 10 + 1e-6}, square);
    EXPECT_EQ(o.retVal, 1);
    ASSERT_TRUE(o.replaced);
    ASSERT_EQ(o.points.size(), 2u);
    // In edge order: bottom edge first, then the top edge.
    EXPECT_EQ(o.points[0].x, 5.0);
    EXPECT_EQ(o.points[0].y, 0.0);
    EXPECT_EQ(o.points[1].y, 10.0);
    // Degrees: north line against the eastward bottom (90) and the westward top (270); the
    // azimuths are exact quadrant values, so only the degree factor's rounding remains.
    ASSERT_EQ(o.angles.size(), 2u);
    EXPECT_NEAR(o.angles[0], 90.0, 1e-12);
    EXPECT_NEAR(o.angles[1], 270.0, 1e-12);
    EXPECT_TRUE(o.reports.empty());
}

TEST_F(Intersections, LineOutsideGivesANewEmptyCollection) {
    const Outcome o = Intersect({15, -1}, {15, 11}, square);
    EXPECT_EQ(o.retVal, 0);
    EXPECT_TRUE(o.replaced);
    EXPECT_TRUE(o.points.empty());
    EXPECT_TRUE(o.angles.empty());
}

TEST_F(Intersections, ToleranceSetForTheGrid) {
    grid->Config().storageScale = 2.0;
    Intersect({15, -1}, {15, 11}, square);
    EXPECT_EQ(planicalc::TRGGetPositionalTolerance(), 0.0001 / 2.0);
    s.GridIntervalsType = 1;
    Intersect({15, -1}, {15, 11}, square);
    EXPECT_EQ(planicalc::TRGGetPositionalTolerance(), 1e-8 / 2.0);
}

TEST_F(Intersections, LineThroughVerticesKeepsTheLaterPointOfEachPair) {
    auto diamond = MakePolygon({{0, -5}, {5, 0}, {0, 5}, {-5, 0}});
    auto points = std::make_shared<PointsCollection>();
    IntersectionAnglesColl angles;
    std::int32_t retVal = 0;
    GridlineNeatlineIntersections(s, {-6, 0}, {6, 0}, diamond, false, points, &angles, retVal);
    // Each vertex is reported by both of its edges (the closing edge runs from vertex 1 to 4).
    ASSERT_EQ(points->Count(), 4);
    const std::vector<double> raw = Angles(angles);
    ASSERT_EQ(raw.size(), 4u);
    // Eastward line; edges at azimuths 45, 315, 225 and (closing, 1 to 4) 315 degrees.
    EXPECT_NEAR(raw[0], 315.0, 1e-12);
    EXPECT_NEAR(raw[1], 225.0, 1e-12);
    EXPECT_NEAR(raw[2], 135.0, 1e-12);
    EXPECT_NEAR(raw[3], 225.0, 1e-12);
    RemoveDuplicatePoints(s, points.get(), &angles, 0);
    ASSERT_EQ(points->Count(), 2);
    EXPECT_EQ(points->Item(1).x, -5.0);
    EXPECT_EQ(points->Item(2).x, 5.0);
    // Sorted by x (stable): (-5: 135, 225), (5: 315, 225); the later of each pair survives.
    const std::vector<double> kept = Angles(angles);
    EXPECT_NEAR(kept[0], 225.0, 1e-12);
    EXPECT_NEAR(kept[1], 225.0, 1e-12);
    EXPECT_TRUE(reports.empty());
}

TEST_F(Intersections, RepeatedFirstVertexAddsNothing) {
    auto closed = MakePolygon({{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}});
    const Outcome o = Intersect({5, -1}, {5, 11}, closed);
    EXPECT_EQ(o.points.size(), 2u);
    EXPECT_EQ(o.retVal, 1);
}

TEST_F(Intersections, OneVertexAndNoVertex) {
    auto one = MakePolygon({{5, 5}});
    Outcome o = Intersect({5, 0}, {5, 10}, one);
    ASSERT_EQ(o.points.size(), 1u);
    EXPECT_EQ(o.points[0].y, 5.0);
    EXPECT_EQ(o.retVal, 1);

    auto none = MakePolygon({});
    o = Intersect({5, 0}, {5, 10}, none);
    EXPECT_EQ(o.retVal, -1);
    EXPECT_FALSE(o.replaced);
    ASSERT_EQ(o.reports.size(), 1u);
    EXPECT_EQ(o.reports[0].description, "Subscript out of range");
    EXPECT_EQ(o.reports[0].trace, "Checking Closing SegmentIntersectSegment");
    EXPECT_EQ(o.reports[0].title, "GridlineNeatlineIntersections Error");
}

TEST_F(Intersections, FailuresLeaveTheCallersCollection) {
    grid->Config().storageScale = 0.0;
    Outcome o = Intersect({5, -1}, {5, 11}, square);
    EXPECT_EQ(o.retVal, -1);
    EXPECT_FALSE(o.replaced);
    ASSERT_EQ(o.reports.size(), 1u);
    EXPECT_EQ(o.reports[0].description, "Division by zero");
    EXPECT_EQ(o.reports[0].trace, "In GridlineNeatlineIntersections");

    grid->Config().storageScale = 1.0;
    std::shared_ptr<PolygonGeometry> missing;
    o = Intersect({5, -1}, {5, 11}, missing);
    EXPECT_EQ(o.retVal, -1);
    EXPECT_FALSE(o.replaced);

    // No angle collection: the first hit fails.
    auto prior = std::make_shared<PointsCollection>();
    auto points = prior;
    std::int32_t retVal = 0;
    reports.clear();
    GridlineNeatlineIntersections(s, {5, -1}, {5, 11}, square, false, points, nullptr, retVal);
    EXPECT_EQ(retVal, -1);
    EXPECT_EQ(points, prior);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].trace, "Checking SegmentIntersectSegment");
}

TEST_F(Intersections, TypeFourStopsWithoutHandingOutACollection) {
    // A point-like line on the top edge's interior.
    Outcome o = Intersect({3, 10}, {3, 10}, square);
    EXPECT_EQ(o.retVal, 0);
    EXPECT_FALSE(o.replaced);

    // The point (5, 0) is a vertex of edges 1 and 2 (type 2 on both), then lies inside edge 3:
    // the stop drops the two points found, though their angles were already handed over.
    auto spike = MakePolygon({{0, 0}, {5, 0}, {5, 5}, {5, -5}, {0, -5}});
    o = Intersect({5, 0}, {5, 0}, spike);
    EXPECT_EQ(o.retVal, 1);
    EXPECT_FALSE(o.replaced);
    EXPECT_EQ(o.angles.size(), 2u);
}

TEST_F(Intersections, RetValStartsAtZeroOnEveryCall) {
    auto points = std::make_shared<PointsCollection>();
    IntersectionAnglesColl angles;
    std::int32_t retVal = 1;
    GridlineNeatlineIntersections(s, {50, -1}, {50, 11}, square, false, points, &angles, retVal);
    EXPECT_EQ(retVal, 0);
}

TEST_F(Intersections, NeatlineWithTheIntersectionsInserted) {
    std::shared_ptr<PolygonGeometry> neatline = square;
    const Outcome o = Intersect({5, -1}, {5, 11}, neatline, true);
    EXPECT_EQ(o.retVal, 1);
    ASSERT_NE(neatline, square);
    const std::vector<Point> expected = {{0, 0}, {5, 0}, {10, 0}, {10, 10}, {5, 10}, {0, 10}};
    ASSERT_EQ(neatline->Points().Count(), 6);
    for (std::int32_t i = 1; i <= 6; ++i) {
        EXPECT_EQ(neatline->Points().Item(i).x, expected[static_cast<std::size_t>(i - 1)].x) << i;
        EXPECT_EQ(neatline->Points().Item(i).y, expected[static_cast<std::size_t>(i - 1)].y) << i;
    }
    EXPECT_EQ(square->Points().Count(), 4); // the old polygon is untouched
}

// ---- the edge index gives exactly what the edge-by-edge scan gives --------------------------

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

void ExpectSameOutcome(const Outcome &scan, const Outcome &indexed) {
    EXPECT_EQ(scan.retVal, indexed.retVal);
    EXPECT_EQ(scan.replaced, indexed.replaced);
    ASSERT_EQ(scan.points.size(), indexed.points.size());
    for (std::size_t k = 0; k < scan.points.size(); ++k) {
        EXPECT_TRUE(SameBits(scan.points[k].x, indexed.points[k].x) &&
                    SameBits(scan.points[k].y, indexed.points[k].y))
            << "point " << k;
    }
    ASSERT_EQ(scan.angles.size(), indexed.angles.size());
    for (std::size_t k = 0; k < scan.angles.size(); ++k)
        EXPECT_TRUE(SameBits(scan.angles[k], indexed.angles[k]));
    ASSERT_EQ(scan.reports.size(), indexed.reports.size());
    for (std::size_t k = 0; k < scan.reports.size(); ++k) {
        EXPECT_EQ(scan.reports[k].description, indexed.reports[k].description);
        EXPECT_EQ(scan.reports[k].trace, indexed.reports[k].trace);
        EXPECT_EQ(scan.reports[k].title, indexed.reports[k].title);
    }
}

/// A random ring around the origin: a star whose radius wanders, vertices often on a lattice
/// of 0.5 (so that lines meet vertices exactly and run along edges), with now and then a
/// repeated vertex, a spike back along the previous edge, or an explicitly closed ring.
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
        SCOPED_TRACE("polygon " + std::to_string(polygonNo));
        const std::vector<Point> ring = RandomRing(rng, sizes(rng));
        auto neatline = MakePolygon(ring);
        s.GridIntervalsType = unit(rng) < 0.5 ? 0 : 1;
        grid->Config().storageScale = unit(rng) < 0.5 ? 1.0 : 0.25;
        for (int lineNo = 0; lineNo < 150; ++lineNo) {
            SCOPED_TRACE("line " + std::to_string(lineNo));
            Point a, b;
            const double kind = unit(rng);
            const double v = std::round((unit(rng) * 220.0 - 110.0) * 2.0) / 2.0;
            if (kind < 0.35) { // grid line along y, on the lattice
                a = Point(v, -101.0 - 1e-6);
                b = Point(v, 101.0 + 1e-6);
            } else if (kind < 0.7) { // along x
                a = Point(-101.0 - 1e-6, v);
                b = Point(101.0 + 1e-6, v);
            } else if (kind < 0.85) { // any direction and length
                a = Point(unit(rng) * 240.0 - 120.0, unit(rng) * 240.0 - 120.0);
                b = Point(unit(rng) * 240.0 - 120.0, unit(rng) * 240.0 - 120.0);
            } else { // a point-like line on a vertex or inside an edge: types 2 and 4
                const std::size_t k =
                    static_cast<std::size_t>(unit(rng) * static_cast<double>(ring.size() - 1));
                const double f = unit(rng) < 0.5 ? 0.0 : 0.5;
                a = Point(ring[k].x + f * (ring[k + 1].x - ring[k].x),
                          ring[k].y + f * (ring[k + 1].y - ring[k].y));
                b = a;
            }
            NeatlineEdgeIndexThreshold() = std::numeric_limits<std::int32_t>::max();
            const Outcome scan = Intersect(a, b, neatline);
            NeatlineEdgeIndexThreshold() = 1;
            const Outcome indexed = Intersect(a, b, neatline);
            ExpectSameOutcome(scan, indexed);
            if (!scan.replaced && scan.retVal != -1) ++stops;
            if (!scan.points.empty()) ++hits;
            for (std::size_t k = 1; k < scan.points.size(); ++k)
                if (scan.points[k].x == scan.points[k - 1].x && scan.points[k].y == scan.points[k - 1].y)
                    ++vertexPairs;
        }
    }
    // The catalogue must have reached the cases that matter: crossings, lines meeting a vertex
    // from both of its edges, and type-4 stops.
    EXPECT_GT(hits, 500);
    EXPECT_GT(vertexPairs, 20);
    EXPECT_GT(stops, 20);
}

TEST_F(Intersections, EdgeIndexFollowsChangesOfTheNeatline) {
    NeatlineEdgeIndexThreshold() = 1;
    std::mt19937 rng(7);
    std::vector<Point> ring = RandomRing(rng, 400);
    auto neatline = MakePolygon(ring);
    const Point a(0.25, -200.0), b(0.25, 200.0);
    const Outcome before = Intersect(a, b, neatline);
    // Move a vertex on the far east side in place, across the line: its two edges now cross
    // the line, and an index built before the move would not offer them.
    Point &moved = neatline->Points().Item(6);
    moved.x = -150.0;
    moved.y = 2.0;
    Outcome after = Intersect(a, b, neatline);
    EXPECT_EQ(after.points.size(), before.points.size() + 2);
    NeatlineEdgeIndexThreshold() = std::numeric_limits<std::int32_t>::max();
    ExpectSameOutcome(Intersect(a, b, neatline), after);

    // A new polygon of the same size with every point moved east.
    neatline.reset();
    for (Point &p : ring)
        p.x += 30.0;
    neatline = MakePolygon(ring);
    NeatlineEdgeIndexThreshold() = 1;
    after = Intersect(a, b, neatline);
    NeatlineEdgeIndexThreshold() = std::numeric_limits<std::int32_t>::max();
    ExpectSameOutcome(Intersect(a, b, neatline), after);
}

TEST_F(Intersections, EdgeIndexWithUnorderableVertices) {
    // A NaN vertex cannot be placed in the index; its edges are still tested (and reported), in
    // edge order, exactly as the scan does.
    std::mt19937 rng(11);
    std::vector<Point> ring = RandomRing(rng, 300);
    ring[150].x = std::nan("");
    auto neatline = MakePolygon(ring);
    NeatlineEdgeIndexThreshold() = std::numeric_limits<std::int32_t>::max();
    const Outcome scan = Intersect({0.0, -200.0}, {0.0, 200.0}, neatline);
    NeatlineEdgeIndexThreshold() = 1;
    const Outcome indexed = Intersect({0.0, -200.0}, {0.0, 200.0}, neatline);
    EXPECT_FALSE(scan.reports.empty());
    ExpectSameOutcome(scan, indexed);
}

// ---- SortPointsByAxis --------------------------------------------------------------------------

class Ordering : public GeometryTest {
protected:
    void Fill(const std::vector<Point> &pts, const std::vector<double> &angleValues) {
        points.Clear();
        for (const Point &p : pts)
            points.Add(p);
        angles = IntersectionAnglesColl();
        for (double a : angleValues)
            angles.Add(a);
    }
    std::vector<double> Zs() const {
        std::vector<double> out;
        for (const Point &p : points)
            out.push_back(p.z);
        return out;
    }
    PointsCollection points;
    IntersectionAnglesColl angles;
};

TEST_F(Ordering, SortIsStableAndMovesTheAngles) {
    Fill({{3, 1, 1}, {1, 2, 2}, {3, 0, 3}, {2, 5, 4}}, {10, 20, 30, 40});
    SortPointsByAxis(s, &points, &angles, 0);
    EXPECT_EQ(Zs(), (std::vector<double>{2, 4, 1, 3})); // equal x keep their order
    EXPECT_EQ(Angles(angles), (std::vector<double>{20, 40, 10, 30}));
    SortPointsByAxis(s, &points, &angles, 7); // any axis but 0 sorts by y
    EXPECT_EQ(Zs(), (std::vector<double>{3, 1, 2, 4}));
    EXPECT_EQ(Angles(angles), (std::vector<double>{30, 10, 20, 40}));
    EXPECT_TRUE(reports.empty());
}

TEST_F(Ordering, SortWithoutPointsOrAngles) {
    SortPointsByAxis(s, nullptr, &angles, 0);
    Fill({{2, 0, 1}, {1, 0, 2}}, {});
    SortPointsByAxis(s, &points, nullptr, 0);
    EXPECT_EQ(Zs(), (std::vector<double>{2, 1}));
    EXPECT_TRUE(reports.empty());
}

TEST_F(Ordering, SortWithTooFewAnglesKeepsTheExchangesMade) {
    Fill({{2, 0, 1}, {1, 0, 2}}, {5});
    SortPointsByAxis(s, &points, &angles, 0);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].description, "Subscript out of range");
    EXPECT_EQ(reports[0].trace, "In SortPointsByAxis");
    EXPECT_EQ(reports[0].title, "SortPointsByAxis Error");
    EXPECT_EQ(Zs(), (std::vector<double>{2, 1}));
}

// ---- RemoveDuplicatePoints ------------------------------------------------------------------

TEST_F(Ordering, CoincidentPointsShrinkToTheLastOne) {
    Fill({{1, 4, 1}, {1, 4, 2}, {1, 2, 9}, {1, 4, 3}}, {10, 20, 90, 30});
    RemoveDuplicatePoints(s, &points, &angles, 1);
    EXPECT_EQ(Zs(), (std::vector<double>{9, 3}));
    EXPECT_EQ(Angles(angles), (std::vector<double>{90, 30}));
    Fill({{1, 4, 1}}, {10});
    RemoveDuplicatePoints(s, &points, &angles, 1);
    EXPECT_EQ(Zs(), (std::vector<double>{1}));
    RemoveDuplicatePoints(s, nullptr, &angles, 1);
    EXPECT_TRUE(reports.empty());
}

TEST_F(Ordering, DuplicateMeansCloserThanTheToleranceInBothAxes) {
    s.dPointTolerance = 0.0001;
    // 0.0001 apart is not closer than 0.0001; 0.00005 apart is.
    Fill({{0, 0, 1}, {0.0001, 0, 2}, {0.00015, 0, 3}}, {});
    RemoveDuplicatePoints(s, &points, nullptr, 0);
    EXPECT_EQ(Zs(), (std::vector<double>{1, 3}));
    // Close in x but not in y: two points.
    Fill({{0, 0, 1}, {0, 1, 2}}, {});
    RemoveDuplicatePoints(s, &points, nullptr, 0);
    EXPECT_EQ(Zs(), (std::vector<double>{1, 2}));
}

TEST_F(Ordering, RemovalFailureMessage) {
    Fill({{1, 1, 1}, {1, 1, 2}}, {}); // angles take part but hold nothing
    RemoveDuplicatePoints(s, &points, &angles, 1);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].description, "Subscript out of range");
    EXPECT_EQ(reports[0].trace, "Error on Remove");
    EXPECT_EQ(reports[0].title, "RemoveDuplicatePoints Error i=1, objPts.Count= 1, nPts=2");
    EXPECT_EQ(points.Count(), 1); // the removal made stays
}

// ---- RemoveDuplicatePointsByAngle -----------------------------------------------------------

TEST_F(Ordering, ByAngleAtTheStart) {
    Fill({{0, 0}, {0, 0}, {0, 5}}, {200, 300, 50});
    RemoveDuplicatePointsByAngle(s, &points, &angles, 1);
    EXPECT_EQ(Angles(angles), (std::vector<double>{200, 50})); // a < 225 keeps the first angle
    Fill({{0, 0}, {0, 0}}, {250, 320});
    RemoveDuplicatePointsByAngle(s, &points, &angles, 1);
    EXPECT_EQ(Angles(angles), (std::vector<double>{250})); // b > 315
    Fill({{0, 0}, {0, 0}}, {250, 300});
    RemoveDuplicatePointsByAngle(s, &points, &angles, 1);
    EXPECT_EQ(Angles(angles), (std::vector<double>{300})); // neither: the later angle
    EXPECT_TRUE(reports.empty());
}

TEST_F(Ordering, ByAngleAfterTheStart) {
    Fill({{0, 0}, {0, 5}, {0, 5}}, {10, 90, 100});
    RemoveDuplicatePointsByAngle(s, &points, &angles, 1);
    EXPECT_EQ(Angles(angles), (std::vector<double>{10, 100})); // neither rule: the later angle
    Fill({{0, 0}, {0, 5}, {0, 5}}, {10, 30, 100});
    RemoveDuplicatePointsByAngle(s, &points, &angles, 1);
    EXPECT_EQ(Angles(angles), (std::vector<double>{10, 30})); // a < 45
    Fill({{0, 0}, {0, 5}, {0, 5}}, {10, 100, 140});
    RemoveDuplicatePointsByAngle(s, &points, &angles, 1);
    EXPECT_EQ(Angles(angles), (std::vector<double>{10, 100})); // b > 135
    // Once a pair was distinct the start rule is gone: (250, 300) keeps 250 here (b > 135),
    // where at the start it would keep 300.
    Fill({{0, 0}, {0, 5}, {0, 5}}, {10, 250, 300});
    RemoveDuplicatePointsByAngle(s, &points, &angles, 1);
    EXPECT_EQ(Angles(angles), (std::vector<double>{10, 250}));
    Fill({{0, 0}, {0, 5}, {0, 5}}, {10, 100, 130});
    RemoveDuplicatePointsByAngle(s, &points, &angles, 1);
    EXPECT_EQ(Angles(angles), (std::vector<double>{10, 130}));
    EXPECT_TRUE(reports.empty());
}

} // namespace
} // namespace geometry_test
