// Segment intersection: range pre-test, end-point rule, type 4, the angle and its normalisation.
#include <cmath>
#include <memory>
#include <random>

#include "geometry_fixture.h"
#include "parallo/parallo.h"

namespace geometry_test {
namespace {

using parallo::detail::LCL_SegmentIntersectSegment;
using parallo::detail::PointPtr;
using shapekit::Point;

class SegmentIntersection : public GeometryTest {
protected:
    /// Runs the procedure with a sentinel point object and angle, so that what was not written
    /// can be told from what was.
    void Run(const Point &a1, const Point &a2, const Point &b1, const Point &b2) {
        sentinel = std::make_shared<Point>(-99.0, -99.0, -99.0);
        ip = sentinel;
        type = -7;
        angle = 123.0;
        LCL_SegmentIntersectSegment(s, a1, a2, b1, b2, ip, type, angle);
    }
    PointPtr sentinel;
    PointPtr ip;
    std::int32_t type = 0;
    double angle = 0.0;
};

TEST_F(SegmentIntersection, DisjointRangesGiveTypeZeroAndWriteNothingElse) {
    Run({0, 0}, {1, 1}, {2, 0}, {3, 1}); // x ranges apart
    EXPECT_EQ(type, 0);
    EXPECT_EQ(ip, sentinel);
    EXPECT_EQ(sentinel->x, -99.0);
    EXPECT_EQ(angle, 123.0);
    Run({0, 0}, {1, 0}, {0, 1}, {1, 2}); // y ranges apart
    EXPECT_EQ(type, 0);
    EXPECT_EQ(ip, sentinel);
    EXPECT_EQ(angle, 123.0);
    EXPECT_TRUE(reports.empty());
}

TEST_F(SegmentIntersection, TouchingRangesCountAsOverlapping) {
    // The first segment ends on the second: x ranges [0, 10] and [10, 10] only touch.
    Run({0, 5}, {10, 5}, {10, 0}, {10, 10});
    EXPECT_EQ(type, 1);
    ASSERT_NE(ip, sentinel);
    EXPECT_EQ(ip->x, 10.0);
    EXPECT_EQ(ip->y, 5.0);
    EXPECT_EQ(sentinel->x, -99.0); // the caller's object is released, never changed
}

TEST_F(SegmentIntersection, VerticalLineAcrossHorizontalEdge) {
    // Line due north (azimuth 2 pi), edge eastward (pi/2): pi/2 - 2 pi brought into 0..2 pi.
    Run({5, -10}, {5, 10}, {0, 3}, {10, 3});
    EXPECT_EQ(type, 1);
    EXPECT_EQ(ip->x, 5.0);
    EXPECT_EQ(ip->y, 3.0);
    // Two azimuths of exact quadrant values: a difference of multiples of pi/2, to rounding.
    EXPECT_NEAR(angle, kPi / 2.0, 1e-15);
    // The edge westward: 3 pi/2 - 2 pi = -pi/2, i.e. 3 pi/2.
    Run({5, -10}, {5, 10}, {10, 3}, {0, 3});
    EXPECT_NEAR(angle, 3.0 * kPi / 2.0, 1e-15);
    EXPECT_TRUE(reports.empty());
}

TEST_F(SegmentIntersection, LineEndOnNeatlineVertexIsTypeTwo) {
    Run({5, 3}, {5, 10}, {1, 3}, {5, 3});
    EXPECT_EQ(type, 2);
    EXPECT_EQ(ip->x, 5.0);
    EXPECT_EQ(ip->y, 3.0);
    // A line through a vertex, but not ending there, stays a plain crossing.
    Run({5, 0}, {5, 10}, {1, 3}, {5, 3});
    EXPECT_EQ(type, 1);
}

TEST_F(SegmentIntersection, BothEndsOnVerticesEndOnTheSecondEnd) {
    // The same segment reversed: collinear for the library, both ends of the line on vertices.
    Run({1, 1}, {6, 1}, {6, 1}, {1, 1});
    EXPECT_EQ(type, 2);
    EXPECT_EQ(ip->x, 6.0);
    EXPECT_EQ(ip->y, 1.0);
    // Opposite directions: pi/2 for the line, 3 pi/2 for the edge.
    EXPECT_NEAR(angle, kPi, 1e-15);
}

TEST_F(SegmentIntersection, AlongAnEdgeKeepsTheLibraryType) {
    // A grid line running along a neatline edge: collinear overlap, type 3, ip the line start
    // clamped onto the overlap. Line north (2 pi), edge south (pi): -pi becomes pi.
    Run({5, -10}, {5, 10}, {5, 8}, {5, 2});
    EXPECT_EQ(type, 3);
    EXPECT_EQ(ip->x, 5.0);
    EXPECT_EQ(ip->y, 2.0);
    EXPECT_NEAR(angle, kPi, 1e-15);
}

TEST_F(SegmentIntersection, PointLineOnEdgeIsTypeFourAtItsStart) {
    Run({3, 2}, {3, 2}, {0, 2}, {10, 2});
    EXPECT_EQ(type, 4);
    EXPECT_EQ(ip->x, 3.0);
    EXPECT_EQ(ip->y, 2.0);
    // A zero-length line has azimuth 2 pi, the edge pi/2.
    EXPECT_NEAR(angle, kPi / 2.0, 1e-15);
}

TEST_F(SegmentIntersection, TinyNegativeAngleWithinToleranceBecomesZero) {
    // Nearly parallel crossing segments: the edge turns 1e-9 rad anticlockwise from the line.
    // With a projected grid the normalisation runs at the tolerance 1e-8 / S, S = 1.
    Run({4, 5}, {6, 5}, {4, 5 - 1e-9}, {6, 5 + 1e-9});
    ASSERT_EQ(type, 1);
    EXPECT_EQ(angle, 0.0);
    // With a geographic grid the caller's tolerance applies; 1e-12 is below the difference, so
    // the angle goes round to just under 2 pi.
    s.GridIntervalsType = 1;
    planicalc::TRGSetPositionalTolerance(1e-12);
    Run({4, 5}, {6, 5}, {4, 5 - 1e-9}, {6, 5 + 1e-9});
    ASSERT_EQ(type, 1);
    // The rounding of 5 +- 1e-9 moves the edge direction by up to ~1e-15 rad; 3e-15 covers it.
    EXPECT_NEAR(angle, 2.0 * kPi - 1e-9, 3e-15);
    EXPECT_LT(angle, 2.0 * kPi);
}

TEST_F(SegmentIntersection, ToleranceLeftBehind) {
    grid->Config().storageScale = 4.0;
    Run({5, -10}, {5, 10}, {0, 3}, {10, 3});
    EXPECT_EQ(planicalc::TRGGetPositionalTolerance(), 0.0001 / 4.0); // projected: 1e-4 / S
    s.GridIntervalsType = 1;
    planicalc::TRGSetPositionalTolerance(3e-7);
    Run({5, -10}, {5, 10}, {0, 3}, {10, 3});
    EXPECT_EQ(planicalc::TRGGetPositionalTolerance(), 3e-7); // geographic: the caller's stays
    // No meeting: the tolerance is not touched at all.
    s.GridIntervalsType = 0;
    planicalc::TRGSetPositionalTolerance(5e-6);
    Run({0, 0}, {1, 1}, {2, 0}, {3, 1});
    EXPECT_EQ(planicalc::TRGGetPositionalTolerance(), 5e-6);
}

TEST_F(SegmentIntersection, ZeroStorageScaleIsReportedAfterThePointIsWritten) {
    grid->Config().storageScale = 0.0;
    Run({5, -10}, {5, 10}, {0, 3}, {10, 3});
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].description, "Division by zero");
    EXPECT_EQ(reports[0].title, "LCL_Segment_Intersect_Segment Error");
    EXPECT_EQ(type, 1);
    ASSERT_NE(ip, sentinel);
    EXPECT_EQ(ip->y, 3.0);
    EXPECT_NEAR(angle, kPi / 2.0 - 2.0 * kPi, 1e-15); // written, not yet normalised
}

TEST_F(SegmentIntersection, MeetingAtTheOriginIsReportedButKept) {
    Run({0, -1}, {0, 1}, {-1, 0}, {1, 0});
    EXPECT_EQ(type, 1);
    EXPECT_EQ(ip->x, 0.0);
    EXPECT_EQ(ip->y, 0.0);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].description, "");
    EXPECT_EQ(reports[0].trace, " The error is in LCL_SegmentIntersectSegment! IntersectionType = 1");
    EXPECT_EQ(reports[0].title, "LCL_Segment_Intersect_Segment Error");
}

TEST_F(SegmentIntersection, NonFiniteInputIsReportedNotThrown) {
    const double nan = std::nan("");
    Run({nan, 0}, {5, 10}, {0, 3}, {10, 3});
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].description, "Overflow");
    EXPECT_EQ(reports[0].title, "LCL_Segment_Intersect_Segment Error");
    EXPECT_EQ(ip, sentinel); // nothing was found, nothing written
    EXPECT_EQ(angle, 123.0);
}

TEST_F(SegmentIntersection, HostCallThroughTheService) {
    parallo::ParalloCls service;
    parallo::detail::StateAccess::Of(service).GridCoordSystem = grid;
    auto hostPoint = std::make_shared<Point>(7.0, 7.0);
    PointPtr hostIp = hostPoint;
    std::int32_t hostType = 0;
    double hostAngle = 0.0;
    service.LCL_SegmentIntersectSegment({5, -10}, {5, 10}, {0, 3}, {10, 3}, hostIp, hostType, hostAngle);
    EXPECT_EQ(hostType, 1);
    ASSERT_NE(hostIp, hostPoint);
    EXPECT_EQ(hostIp->y, 3.0);
    EXPECT_EQ(hostPoint->x, 7.0);
    EXPECT_NEAR(hostAngle, kPi / 2.0, 1e-15);
    // Without a grid system a projected grid has no storage scale: reported, not thrown.
    parallo::detail::StateAccess::Of(service).GridCoordSystem = nullptr;
    std::vector<Report> got;
    service.SetErrorObserver([&](const std::string &d, const std::string &t, const std::string &title) {
        got.push_back({d, t, title});
    });
    service.LCL_SegmentIntersectSegment({5, -10}, {5, 10}, {0, 3}, {10, 3}, hostIp, hostType, hostAngle);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].title, "LCL_Segment_Intersect_Segment Error");
}

TEST_F(SegmentIntersection, RandomCrossingsPointAndAngle) {
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> coord(-1000.0, 1000.0);
    std::uniform_real_distribution<double> param(0.05, 0.95);
    std::uniform_real_distribution<double> dir(0.0, 2.0 * kPi);
    std::uniform_real_distribution<double> len(1.0, 500.0);
    int tested = 0;
    for (int k = 0; k < 500; ++k) {
        // Two segments through a common point c, each with c strictly inside.
        const Point c(coord(rng), coord(rng));
        const double t1 = dir(rng), t2 = dir(rng);
        // Skip near-parallel pairs: their crossing is ill-conditioned.
        if (std::fabs(std::sin(t1 - t2)) < 0.05) continue;
        const double l1 = len(rng), l2 = len(rng), f1 = param(rng), f2 = param(rng);
        const Point a1(c.x - f1 * l1 * std::sin(t1), c.y - f1 * l1 * std::cos(t1));
        const Point a2(c.x + (1 - f1) * l1 * std::sin(t1), c.y + (1 - f1) * l1 * std::cos(t1));
        const Point b1(c.x - f2 * l2 * std::sin(t2), c.y - f2 * l2 * std::cos(t2));
        const Point b2(c.x + (1 - f2) * l2 * std::sin(t2), c.y + (1 - f2) * l2 * std::cos(t2));
        Run(a1, a2, b1, b2);
        ASSERT_EQ(type, 1);
        // Coordinates up to ~1500 in magnitude, crossings well conditioned (sin >= 0.05): the
        // point is found to about 1e-10.
        EXPECT_NEAR(ip->x, c.x, 1e-9);
        EXPECT_NEAR(ip->y, c.y, 1e-9);
        // The angle is the clockwise turn from the line's direction to the edge's, in 0..2 pi.
        EXPECT_GE(angle, 0.0);
        EXPECT_LE(angle, 2.0 * kPi);
        const double expected =
            std::fmod(std::atan2(b2.x - b1.x, b2.y - b1.y) - std::atan2(a2.x - a1.x, a2.y - a1.y) + 4.0 * kPi,
                      2.0 * kPi);
        // Two azimuths of rounded end points: agreement to 1e-9 rad; compared round the circle.
        const double diff = std::remainder(angle - expected, 2.0 * kPi);
        EXPECT_NEAR(diff, 0.0, 1e-9);
        ++tested;
    }
    EXPECT_GT(tested, 300);
}

} // namespace
} // namespace geometry_test
