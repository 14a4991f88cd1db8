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
                          // Reversed copy: both ends on vertices, ip the second end; opposite directions.
                          {"both ends on vertices", {1, 1}, {6, 1}, {6, 1}, {1, 1}, 2, 6, 1, pi},
                          // Collinear overlap keeps the library's type 3; ip is the line start clamped on it.
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
        // Azimuths of exact quadrant values: differences of multiples of pi/2, to rounding.
        EXPECT_NEAR(angle, c.angle, 1e-15);
    }
    EXPECT_TRUE(reports.empty());
}

TEST_F(SegmentIntersection, TinyNegativeAngleWithinToleranceBecomesZero) {
    // Nearly parallel crossing segments: the edge turns 1e-9 rad anticlockwise from the line.
    // With a projected grid the normalisation runs at the tolerance 1e-8 / S, S = 1.
    Run({4, 5}, {6, 5}, {4, 5 - 1e-9}, {6, 5 + 1e-9});
    ASSERT_EQ(type, 1);
    EXPECT_EQ(angle, 0.0);
    // With a geographic grid the caller's tolerance 1e-12 applies: just under 2 pi.
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
    s.GridIntervalsType = 0;
    planicalc::TRGSetPositionalTolerance(5e-6);
    Run({0, 0}, {1, 1}, {2, 0}, {3, 1}); // no meeting: not touched at all
    EXPECT_EQ(planicalc::TRGGetPositionalTolerance(), 5e-6);
}

TEST_F(SegmentIntersection, FailuresAndThePlausibilityReport) {
    // Zero storage scale: reported after the point is written, the angle not yet normalised.
    grid->Config().storageScale = 0.0;
    Run({5, -10}, {5, 10}, {0, 3}, {10, 3});
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].description, "Division by zero");
    EXPECT_EQ(reports[0].title, "LCL_Segment_Intersect_Segment Error");
    EXPECT_EQ(type, 1);
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
    EXPECT_EQ(reports[0].description, "");
    EXPECT_EQ(reports[0].trace, " The error is in LCL_SegmentIntersectSegment! IntersectionType = 1");
    EXPECT_EQ(reports[0].title, "LCL_Segment_Intersect_Segment Error");

    // Non-finite input: reported, not thrown, nothing written.
    reports.clear();
    Run({std::nan(""), 0}, {5, 10}, {0, 3}, {10, 3});
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].description, "Overflow");
    EXPECT_EQ(ip, sentinel);
    EXPECT_EQ(angle, 123.0);

    // Through the service without a grid system: a projected grid has no storage scale.
    parallo::ParalloCls service;
    std::vector<Report> got;
    service.SetErrorObserver([&](const std::string &d, const std::string &t, const std::string &title) {
        got.push_back({d, t, title});
    });
    service.LCL_SegmentIntersectSegment({5, -10}, {5, 10}, {0, 3}, {10, 3}, ip, type, angle);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].title, "LCL_Segment_Intersect_Segment Error");
}

TEST_F(SegmentIntersection, RandomCrossingsPointAndAngle) {
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> coord(-1000.0, 1000.0), param(0.05, 0.95), dir(0.0, 2.0 * kPi),
        len(1.0, 500.0);
    int tested = 0;
    for (int k = 0; k < 500; ++k) {
        // Two segments through a common point c, each with c strictly inside.
        const Point c(coord(rng), coord(rng));
        const double t1 = dir(rng), t2 = dir(rng);
        if (std::fabs(std::sin(t1 - t2)) < 0.05) continue; // near-parallel: ill-conditioned
        const double l1 = len(rng), l2 = len(rng), f1 = param(rng), f2 = param(rng);
        const Point a1(c.x - f1 * l1 * std::sin(t1), c.y - f1 * l1 * std::cos(t1));
        const Point a2(c.x + (1 - f1) * l1 * std::sin(t1), c.y + (1 - f1) * l1 * std::cos(t1));
        const Point b1(c.x - f2 * l2 * std::sin(t2), c.y - f2 * l2 * std::cos(t2));
        const Point b2(c.x + (1 - f2) * l2 * std::sin(t2), c.y + (1 - f2) * l2 * std::cos(t2));
        Run(a1, a2, b1, b2);
        ASSERT_EQ(type, 1);
        // Coordinates up to ~1500, crossings well conditioned (sin >= 0.05): about 1e-10.
        EXPECT_NEAR(ip->x, c.x, 1e-9);
        EXPECT_NEAR(ip->y, c.y, 1e-9);
        EXPECT_GE(angle, 0.0);
        EXPECT_LE(angle, 2.0 * kPi);
        const double expected = std::atan2(b2.x - b1.x, b2.y - b1.y) - std::atan2(a2.x - a1.x, a2.y - a1.y);
        // Two azimuths of rounded end points: 1e-9 rad, compared round the circle.
        EXPECT_NEAR(std::remainder(angle - expected, 2.0 * kPi), 0.0, 1e-9);
        ++tested;
    }
    EXPECT_GT(tested, 300);
}

} // namespace
} // namespace geometry_test
