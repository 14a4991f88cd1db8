// Segment intersection: range pre-test, end-point rule, type 4, the angle and its normalisation.
#include <cmath>

#include "geometry_fixture.h"

namespace geometry_test {
namespace {

using shapekit::Point;

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
    EXPECT_EQ(reports[0].description, "Division by zero");
    EXPECT_EQ(reports[0].title, "LCL_Segment_Intersect_Segment Error");
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

    // Non-finite input: reported, not thrown, nothing written.
    reports.clear();
    Run({std::nan(""), 0}, {5, 10}, {0, 3}, {10, 3});
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].description, "Overflow");
    EXPECT_EQ(ip, sentinel);
    EXPECT_EQ(angle, 123.0);
}

} // namespace
} // namespace geometry_test
