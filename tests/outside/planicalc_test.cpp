// Geometry math: constants, segment intersection codes, ranges, copies, the per-thread tolerance.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <thread>

#include "parallo/error.h"
#include "parallo/planicalc.h"

using namespace planicalc;
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

/// The tolerance is thread-wide state: every test starts from its own known value.
class Planicalc : public ::testing::Test {
protected:
    void SetUp() override { TRGSetPositionalTolerance(0.0); }
    void TearDown() override { TRGSetPositionalTolerance(0.0); }

    static std::int32_t Meet(Point a1, Point a2, Point b1, Point b2, Point &ip) {
        return TRGSegmentIntersectSegment(a1, a2, b1, b2, ip);
    }
};

#define EXPECT_POINT_EQ(p, ex, ey)                                                                           \
    do {                                                                                                     \
        EXPECT_EQ((p).x, (ex));                                                                              \
        EXPECT_EQ((p).y, (ey));                                                                              \
    } while (0)

} // namespace

TEST_F(Planicalc, Constants) {
    EXPECT_EQ(TRG_PI(), std::acos(-1.0));
    EXPECT_EQ(TRG_2PI(), 2.0 * std::acos(-1.0));
    // The factors, not a conversion: their product is 1 within one rounding.
    EXPECT_NEAR(TRG_RadiansToDegrees() * TRG_DegreesToRadians(), 1.0, 2e-16);
    EXPECT_NEAR(TRG_RadiansToDegrees(), 57.29577951308232, 1e-14);
}

// ---- code 1: crossings and touches ------------------------------------------------------

TEST_F(Planicalc, CrossingReturnsThePoint) {
    Point ip(-1, -1, 5);
    EXPECT_EQ(Meet({0, 0}, {2, 2}, {0, 2}, {2, 0}, ip), kOnePoint);
    EXPECT_POINT_EQ(ip, 1.0, 1.0);
    EXPECT_EQ(ip.z, 0.0);
    // A vertical grid line across a horizontal edge.
    EXPECT_EQ(Meet({3, -1}, {3, 11}, {0, 5}, {10, 5}, ip), kOnePoint);
    EXPECT_POINT_EQ(ip, 3.0, 5.0);
}

TEST_F(Planicalc, CrossingAtAnInexactPoint) {
    // The crossing (1/3, 1/3) is not representable; 1e-15 is a few roundings of coordinates ~1.
    Point ip;
    EXPECT_EQ(Meet({0, 0}, {1, 1}, {0, 2.0 / 3.0}, {2.0 / 3.0, 0}, ip), kOnePoint);
    EXPECT_NEAR(ip.x, 1.0 / 3.0, 1e-15);
    EXPECT_NEAR(ip.y, 1.0 / 3.0, 1e-15);
}

TEST_F(Planicalc, TouchAtEndPointsGivesThatEndPointExactly) {
    Point ip;
    // End to end, at an angle.
    EXPECT_EQ(Meet({0, 0}, {1, 1}, {1, 1}, {2, 0}, ip), kOnePoint);
    EXPECT_POINT_EQ(ip, 1.0, 1.0);
    // The first segment's end on the inside of the second (T-junction), either end.
    EXPECT_EQ(Meet({0.3, 0}, {0.3, 0.7}, {-1, 0.7}, {1, 0.7}, ip), kOnePoint);
    EXPECT_POINT_EQ(ip, 0.3, 0.7);
    EXPECT_EQ(Meet({0.3, 0.7}, {0.3, 5}, {-1, 0.7}, {1, 0.7}, ip), kOnePoint);
    EXPECT_POINT_EQ(ip, 0.3, 0.7);
    // The second segment's end on the inside of the first.
    EXPECT_EQ(Meet({-1, 0.7}, {1, 0.7}, {0.1, 0.7}, {0.1, 3}, ip), kOnePoint);
    EXPECT_POINT_EQ(ip, 0.1, 0.7);
}

TEST_F(Planicalc, TouchIsExactAtProjectedCoordinatesWithZeroTolerance) {
    // Map coordinates of a UTM-sized frame: the crossing parameter is not exact in binary, yet
    // with tolerance 0 the T-junction is found and its end point returned unchanged.
    Point ip;
    const Point top1(500000.1, 4000000.7), top2(500123.3, 4000000.7);
    EXPECT_EQ(Meet({500017.9, 3999000.3}, {500017.9, 4000000.7}, top1, top2, ip), kOnePoint);
    EXPECT_POINT_EQ(ip, 500017.9, 4000000.7);
    // A sloping edge whose vertex is the grid line's end.
    EXPECT_EQ(
        Meet({500017.9, 3999000.3}, {500017.9, 4000000.7}, {500017.9, 4000000.7}, {500100.1, 4000050.3}, ip),
        kOnePoint);
    EXPECT_POINT_EQ(ip, 500017.9, 4000000.7);
}

TEST_F(Planicalc, NearTouchWithinAndOutsideTheTolerance) {
    const double t = 1e-4;
    TRGSetPositionalTolerance(t);
    Point ip(9, 9);
    // The vertical segment stops 0.5 t short of the horizontal one: a touch at its end.
    EXPECT_EQ(Meet({0.25, 0}, {0.25, 10 - 0.5 * t}, {-5, 10}, {5, 10}, ip), kOnePoint);
    EXPECT_POINT_EQ(ip, 0.25, 10 - 0.5 * t);
    // ... and 0.5 t too far (it overshoots): the crossing on the horizontal segment, not the
    // end point (1e-14: a few roundings of coordinates ~10).
    EXPECT_EQ(Meet({0.25, 0}, {0.25, 10 + 0.5 * t}, {-5, 10}, {5, 10}, ip), kOnePoint);
    EXPECT_EQ(ip.x, 0.25);
    EXPECT_NEAR(ip.y, 10.0, 1e-14);
    // A grid line overshooting a frame edge by 1e-6, crossing it 0.5 t from the edge's vertex:
    // the crossing stays on the grid line's x, not on the vertex.
    EXPECT_EQ(Meet({0.5 * t, -1e-6}, {0.5 * t, 10 + 1e-6}, {0, 10}, {5, 10}, ip), kOnePoint);
    EXPECT_EQ(ip.x, 0.5 * t);
    EXPECT_NEAR(ip.y, 10.0, 1e-14);
    // 2 t short: no meeting, ip untouched.
    ip = Point(9, 9);
    EXPECT_LT(Meet({0.25, 0}, {0.25, 10 - 2 * t}, {-5, 10}, {5, 10}, ip), 1);
    EXPECT_POINT_EQ(ip, 9.0, 9.0);
    // Corner to corner with a gap of 0.7 t (diagonal): touch; 1.5 t: none.
    EXPECT_EQ(Meet({0, 0}, {1, 1}, {1 + 0.5 * t, 1 + 0.5 * t}, {2, 0}, ip), kOnePoint);
    EXPECT_LT(Meet({0, 0}, {1, 1}, {1 + 1.1 * t, 1 + 1.1 * t}, {2, 0}, ip), 1);
}

TEST_F(Planicalc, SecondSegmentWithoutLengthOnTheFirst) {
    Point ip;
    EXPECT_EQ(Meet({0, 0}, {4, 0}, {1, 0}, {1, 0}, ip), kOnePoint);
    EXPECT_POINT_EQ(ip, 1.0, 0.0);
    EXPECT_LT(Meet({0, 0}, {4, 0}, {1, 1}, {1, 1}, ip), 1);
}

// ---- code 0 ---------------------------------------------------------------------------

TEST_F(Planicalc, NoMeeting) {
    Point ip(9, 9);
    // Disjoint, not parallel: the lines cross outside both segments.
    EXPECT_EQ(Meet({0, 0}, {1, 1}, {3, 0}, {2, 1}, ip), kNoMeeting);
    // The lines cross inside one segment only.
    EXPECT_EQ(Meet({0, 0}, {4, 0}, {1, 1}, {1, 3}, ip), kNoMeeting);
    // Parallel, apart.
    EXPECT_EQ(Meet({0, 0}, {4, 0}, {0, 1}, {4, 1}, ip), kNoMeeting);
    // Collinear with a gap.
    EXPECT_EQ(Meet({0, 0}, {1, 0}, {2, 0}, {3, 0}, ip), kNoMeeting);
    EXPECT_POINT_EQ(ip, 9.0, 9.0);
}

// ---- code 3: collinear overlap ---------------------------------------------------------

TEST_F(Planicalc, CollinearOverlapClampsTheFirstStartOntoTheOverlap) {
    Point ip;
    // a1 outside the overlap: the end of the second segment on a1's side.
    EXPECT_EQ(Meet({0, 0}, {2, 0}, {1, 0}, {3, 0}, ip), kCollinearOverlap);
    EXPECT_POINT_EQ(ip, 1.0, 0.0);
    EXPECT_EQ(Meet({0, 0}, {2, 0}, {3, 0}, {1, 0}, ip), kCollinearOverlap);
    EXPECT_POINT_EQ(ip, 1.0, 0.0);
    // a1 inside the overlap: a1.
    EXPECT_EQ(Meet({2, 0}, {0, 0}, {1, 0}, {3, 0}, ip), kCollinearOverlap);
    EXPECT_POINT_EQ(ip, 2.0, 0.0);
    // a1 beyond the far end.
    EXPECT_EQ(Meet({5, 5}, {0, 0}, {1, 1}, {3, 3}, ip), kCollinearOverlap);
    EXPECT_POINT_EQ(ip, 3.0, 3.0);
    // One inside the other, both ways.
    EXPECT_EQ(Meet({0, 0}, {10, 0}, {2, 0}, {3, 0}, ip), kCollinearOverlap);
    EXPECT_POINT_EQ(ip, 2.0, 0.0);
    EXPECT_EQ(Meet({2, 0}, {3, 0}, {0, 0}, {10, 0}, ip), kCollinearOverlap);
    EXPECT_POINT_EQ(ip, 2.0, 0.0);
    // Identical segments.
    EXPECT_EQ(Meet({0, 1}, {0, 5}, {0, 1}, {0, 5}, ip), kCollinearOverlap);
    EXPECT_POINT_EQ(ip, 0.0, 1.0);
}

TEST_F(Planicalc, CollinearEndToEndIsOnePoint) {
    Point ip;
    EXPECT_EQ(Meet({0, 0}, {1, 0}, {1, 0}, {2, 0}, ip), kOnePoint);
    EXPECT_POINT_EQ(ip, 1.0, 0.0);
    EXPECT_EQ(Meet({1, 0}, {0, 0}, {2, 0}, {1, 0}, ip), kOnePoint);
    EXPECT_POINT_EQ(ip, 1.0, 0.0);
}

TEST_F(Planicalc, NearParallelWithinAndOutsideTheTolerance) {
    const double t = 1e-4;
    TRGSetPositionalTolerance(t);
    Point ip;
    // 0.5 t apart over their whole length: collinear within t.
    EXPECT_EQ(Meet({0, 0}, {10, 0}, {-1, 0.5 * t}, {5, 0.5 * t}, ip), kCollinearOverlap);
    EXPECT_POINT_EQ(ip, 0.0, 0.0);
    // Slightly skewed, every end within t of the other's line.
    EXPECT_EQ(Meet({0, 0}, {10, 0}, {2, -0.9 * t}, {8, 0.9 * t}, ip), kCollinearOverlap);
    EXPECT_POINT_EQ(ip, 2.0, -0.9 * t);
    // 2 t apart: parallel, no meeting.
    EXPECT_LT(Meet({0, 0}, {10, 0}, {-1, 2 * t}, {5, 2 * t}, ip), 1);
    // Near-parallel and diverging: one end within t, the other far away: one touching point.
    ip = Point(9, 9);
    EXPECT_EQ(Meet({0, 0}, {10, 0}, {5, 0.5 * t}, {15, 20 * t}, ip), kOnePoint);
    EXPECT_POINT_EQ(ip, 5.0, 0.5 * t);
    // Near-parallel crossing at a shallow angle, far from every end: a true crossing.
    EXPECT_EQ(Meet({0, 0}, {10, 0}, {0, -50 * t}, {10, 50 * t}, ip), kOnePoint);
    EXPECT_NEAR(ip.x, 5.0, 1e-12); // 1e-12: a few roundings of coordinates ~10
    EXPECT_NEAR(ip.y, 0.0, 1e-12);
    // The same without tolerance: exactly parallel lines 1e-9 apart never meet.
    TRGSetPositionalTolerance(0.0);
    EXPECT_LT(Meet({0, 0}, {10, 0}, {0, 1e-9}, {10, 1e-9}, ip), 1);
}

TEST_F(Planicalc, CollinearTouchWithinAndOutsideTheTolerance) {
    const double t = 1e-3;
    TRGSetPositionalTolerance(t);
    Point ip;
    // Overlapping by 0.5 t: one point, not an overlap.
    EXPECT_EQ(Meet({0, 0}, {1, 0}, {1 - 0.5 * t, 0}, {2, 0}, ip), kOnePoint);
    // Overlapping by 2 t: an overlap.
    EXPECT_EQ(Meet({0, 0}, {1, 0}, {1 - 2 * t, 0}, {2, 0}, ip), kCollinearOverlap);
    EXPECT_POINT_EQ(ip, 1 - 2 * t, 0.0);
    // A gap of 0.5 t: one point, the first segment's end.
    EXPECT_EQ(Meet({0, 0}, {1, 0}, {1 + 0.5 * t, 0}, {2, 0}, ip), kOnePoint);
    EXPECT_POINT_EQ(ip, 1.0, 0.0);
    // A gap of 2 t: none.
    EXPECT_LT(Meet({0, 0}, {1, 0}, {1 + 2 * t, 0}, {2, 0}, ip), 1);
}

// ---- code 4: the first segment is a point --------------------------------------------------

TEST_F(Planicalc, FirstSegmentWithoutLengthOnTheSecond) {
    Point ip(9, 9);
    EXPECT_EQ(Meet({1, 0}, {1, 0}, {0, 0}, {2, 0}, ip), kFirstIsPointOnSecond);
    EXPECT_POINT_EQ(ip, 1.0, 0.0);
    // On an end of the second.
    EXPECT_EQ(Meet({2, 0}, {2, 0}, {0, 0}, {2, 0}, ip), kFirstIsPointOnSecond);
    // Both are the same point.
    EXPECT_EQ(Meet({3, 3}, {3, 3}, {3, 3}, {3, 3}, ip), kFirstIsPointOnSecond);
    // Off the second, or beyond its end.
    ip = Point(9, 9);
    EXPECT_LT(Meet({1, 1}, {1, 1}, {0, 0}, {2, 0}, ip), 1);
    EXPECT_LT(Meet({3, 0}, {3, 0}, {0, 0}, {2, 0}, ip), 1);
    EXPECT_POINT_EQ(ip, 9.0, 9.0);
}

TEST_F(Planicalc, FirstSegmentShorterThanTheTolerance) {
    const double t = 1e-4;
    TRGSetPositionalTolerance(t);
    Point ip;
    EXPECT_EQ(Meet({1, 0.5 * t}, {1 + 0.5 * t, 0.5 * t}, {0, 0}, {2, 0}, ip), kFirstIsPointOnSecond);
    EXPECT_POINT_EQ(ip, 1.0, 0.5 * t);
    EXPECT_LT(Meet({1, 2 * t}, {1 + 0.5 * t, 2 * t}, {0, 0}, {2, 0}, ip), 1);
    // Twice the tolerance long: a real segment, crossing the second.
    EXPECT_EQ(Meet({1, -t}, {1, t}, {0, 0}, {2, 0}, ip), kOnePoint);
}

// ---- properties ---------------------------------------------------------------------------

TEST_F(Planicalc, RandomCrossingsAreFoundAtTheirPoint) {
    // Two segments built through a common point P, which lies strictly inside both: code 1 and ip
    // at P within 1e-9 (a few roundings of coordinates up to 1e5, divided by a sine >= 0.05).
    std::mt19937 rng(7u);
    SCOPED_TRACE("seed 7");
    std::uniform_real_distribution<double> coord(-1e5, 1e5), len(1.0, 1e3), frac(0.05, 0.95), ang(0.0, 6.283);
    for (int i = 0; i < 500; ++i) {
        const Point p(coord(rng), coord(rng));
        const double angA = ang(rng);
        double angB = ang(rng);
        if (std::fabs(std::sin(angB - angA)) < 0.05) angB = angA + 1.0;
        const double la = len(rng), lb = len(rng), fa = frac(rng), fb = frac(rng);
        const Point a1(p.x - fa * la * std::cos(angA), p.y - fa * la * std::sin(angA));
        const Point a2(a1.x + la * std::cos(angA), a1.y + la * std::sin(angA));
        const Point b1(p.x - fb * lb * std::cos(angB), p.y - fb * lb * std::sin(angB));
        const Point b2(b1.x + lb * std::cos(angB), b1.y + lb * std::sin(angB));
        Point ip;
        ASSERT_EQ(Meet(a1, a2, b1, b2, ip), kOnePoint) << i;
        EXPECT_NEAR(ip.x, p.x, 1e-9) << i;
        EXPECT_NEAR(ip.y, p.y, 1e-9) << i;
        // Order and direction of the segments do not change the answer.
        Point ip2;
        EXPECT_EQ(Meet(b2, b1, a2, a1, ip2), kOnePoint) << i;
        EXPECT_NEAR(ip2.x, p.x, 1e-9) << i;
    }
}

TEST_F(Planicalc, CodesDoNotDependOnDirectionOrPlace) {
    // A catalogue of configurations; reversing a segment or moving both by a whole offset keeps
    // the code (the offsets are powers of two so the moved coordinates stay exact).
    struct Case {
        Point a1, a2, b1, b2;
        std::int32_t code;
    };
    const Case cases[] = {
        {{0, 0}, {2, 2}, {0, 2}, {2, 0}, 1},
        {{0, 0}, {1, 1}, {1, 1}, {2, 0}, 1},
        {{0, 0}, {2, 0}, {1, 0}, {3, 0}, 3},
        {{0, 0}, {1, 0}, {2, 0}, {3, 0}, 0},
        {{0, 0}, {4, 0}, {0, 1}, {4, 1}, 0},
        {{1, 0}, {1, 0}, {0, 0}, {2, 0}, 4},
        {{0.5, 0}, {0.5, 0.75}, {-1, 0.75}, {1, 0.75}, 1},
    };
    for (const Case &c : cases) {
        for (double off : {0.0, 1024.0, -65536.0}) {
            const Point o(off, off / 2);
            auto mv = [&](const Point &p) { return Point(p.x + o.x, p.y + o.y); };
            Point ip;
            EXPECT_EQ(Meet(mv(c.a1), mv(c.a2), mv(c.b1), mv(c.b2), ip), c.code);
            EXPECT_EQ(Meet(mv(c.a2), mv(c.a1), mv(c.b1), mv(c.b2), ip), c.code);
            EXPECT_EQ(Meet(mv(c.a1), mv(c.a2), mv(c.b2), mv(c.b1), ip), c.code);
        }
    }
}

TEST_F(Planicalc, NonFiniteInputRaisesOverflow) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    Point ip;
    ExpectErrorNumber(6, [&] { Meet({nan, 0}, {1, 1}, {0, 1}, {1, 0}, ip); });
    ExpectErrorNumber(6, [&] { Meet({0, 0}, {1, 1}, {0, inf}, {1, 0}, ip); });
    // Finite but so large that the arithmetic overflows.
    ExpectErrorNumber(6, [&] { Meet({-1.5e308, 0}, {1.5e308, 0}, {0, -1}, {0, 1}, ip); });
}

// ---- ranges and copies --------------------------------------------------------------------

TEST_F(Planicalc, RangeOfEveryPointOfAGeometry) {
    auto poly = std::make_shared<shapekit::PolygonGeometry>();
    poly->Points().Add(Point(1, 5, 100));
    poly->Points().Add(Point(-3, 2));
    poly->Points().Add(Point(4, -7));
    shapekit::GeometryCollection coll;
    coll.Add(poly);
    coll.Add(std::make_shared<shapekit::PointGeometry>(Point(0, 9)));
    Point mn, mx;
    TRGGetRange(coll, mn, mx);
    EXPECT_POINT_EQ(mn, -3.0, -7.0);
    EXPECT_POINT_EQ(mx, 4.0, 9.0);
    EXPECT_EQ(mn.z, 0.0);
    EXPECT_EQ(mx.z, 0.0);
    // A single point is its own range.
    TRGGetRange(shapekit::PointGeometry(Point(2, 3)), mn, mx);
    EXPECT_POINT_EQ(mn, 2.0, 3.0);
    EXPECT_POINT_EQ(mx, 2.0, 3.0);
}

TEST_F(Planicalc, RangeOfNothingOrOfNaNRaises) {
    Point mn, mx;
    ExpectErrorNumber(5, [&] { TRGGetRange(shapekit::PolygonGeometry(), mn, mx); });
    ExpectErrorNumber(5, [&] { TRGGetRange(shapekit::GeometryCollection(), mn, mx); });
    shapekit::PolylineGeometry bad;
    bad.Points().Add(Point(0, 0));
    bad.Points().Add(Point(std::nan(""), 1));
    ExpectErrorNumber(6, [&] { TRGGetRange(bad, mn, mx); });
}

TEST_F(Planicalc, CopyIsDeepAndOfTheSameKind) {
    shapekit::PolygonGeometry poly;
    poly.Points().Add(Point(0, 0));
    poly.Points().Add(Point(1, 0));
    auto copy = shapekit::As<shapekit::PolygonGeometry>(TRGCopyGeometry(poly));
    copy->Points().Item(1).x = 5.0;
    copy->Points().Add(Point(2, 2));
    EXPECT_EQ(poly.Points().Item(1).x, 0.0);
    EXPECT_EQ(poly.Points().Count(), 2);
}

// ---- the positional tolerance ------------------------------------------------------------

TEST_F(Planicalc, ToleranceSetAndGet) {
    EXPECT_EQ(TRGGetPositionalTolerance(), 0.0);
    TRGSetPositionalTolerance(1e-8);
    EXPECT_EQ(TRGGetPositionalTolerance(), 1e-8);
    ExpectErrorNumber(5, [] { TRGSetPositionalTolerance(-1e-9); });
    ExpectErrorNumber(5, [] { TRGSetPositionalTolerance(std::nan("")); });
    ExpectErrorNumber(5, [] { TRGSetPositionalTolerance(std::numeric_limits<double>::infinity()); });
    EXPECT_EQ(TRGGetPositionalTolerance(), 1e-8);
}

TEST_F(Planicalc, ToleranceIsPerThread) {
    TRGSetPositionalTolerance(0.5);
    double seenByOther = -1.0, setByOther = -1.0;
    std::int32_t otherCode = -1;
    std::thread other([&] {
        seenByOther = TRGGetPositionalTolerance(); // a new thread starts at 0
        TRGSetPositionalTolerance(0.25);
        setByOther = TRGGetPositionalTolerance();
        // A gap of 0.4 is outside this thread's tolerance.
        Point ip;
        otherCode = TRGSegmentIntersectSegment({0, 0}, {1, 0}, {1.4, 0}, {2, 0}, ip);
    });
    other.join();
    EXPECT_EQ(seenByOther, 0.0);
    EXPECT_EQ(setByOther, 0.25);
    EXPECT_EQ(otherCode, kNoMeeting);
    EXPECT_EQ(TRGGetPositionalTolerance(), 0.5);
    // The same gap is inside this thread's tolerance.
    Point ip;
    EXPECT_EQ(TRGSegmentIntersectSegment({0, 0}, {1, 0}, {1.4, 0}, {2, 0}, ip), kOnePoint);
}
