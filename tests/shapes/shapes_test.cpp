// The geometry objects (point collections, geometries, the geometry builder, the polar calculator)
// and the geometry math (segment intersection codes, ranges, the per-thread tolerance).
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "parallo/planicalc.h"
#include "parallo/shapekit.h"
#include "support/checks.h"
#include "support/raises.h"

using namespace planicalc;
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

/// The tolerance is thread-wide state: every test starts from 0.
class Planicalc : public ::testing::Test {
protected:
    void SetUp() override { TRGSetPositionalTolerance(0.0); }
    void TearDown() override { TRGSetPositionalTolerance(0.0); }
};

constexpr double kT = 1e-4; // the positional tolerance of the rows that use one
constexpr double kUntouched = -1.0;
constexpr double kAny = -2.0;
constexpr double kFar = 9.0; // ip's value before the call

struct MeetCase {
    const char *what;
    double tol;
    Point a1, a2, b1, b2;
    std::int32_t code;
    Point ip;
    double ipTol; ///< 0: ip exactly; kUntouched: ip not written (no meeting); kAny: not checked
};

// 1e-14 / 1e-15: a few roundings of coordinates ~10 / ~1.
// clang-format off
const MeetCase kMeetCases[] = {
    {"crossing", 0, {0, 0}, {2, 2}, {0, 2}, {2, 0}, kOnePoint, {1, 1}, 0},
    {"inexact crossing", 0, {0, 0}, {1, 1}, {0, 2.0 / 3.0}, {2.0 / 3.0, 0},
     kOnePoint, {1.0 / 3.0, 1.0 / 3.0}, 1e-15},
    {"end to end at an angle", 0, {0, 0}, {1, 1}, {1, 1}, {2, 0}, kOnePoint, {1, 1}, 0},
    {"T: first's end on second", 0, {0.3, 0}, {0.3, 0.7}, {-1, 0.7}, {1, 0.7}, kOnePoint, {0.3, 0.7}, 0},
    {"T: first's start on second", 0, {0.3, 0.7}, {0.3, 5}, {-1, 0.7}, {1, 0.7}, kOnePoint, {0.3, 0.7}, 0},
    {"T: second's end on first", 0, {-1, 0.7}, {1, 0.7}, {0.1, 0.7}, {0.1, 3}, kOnePoint, {0.1, 0.7}, 0},
    // UTM-sized coordinates: the crossing parameter is inexact, yet the end point comes back unchanged.
    {"T at map coordinates", 0, {500017.9, 3999000.3}, {500017.9, 4000000.7}, {500000.1, 4000000.7},
     {500123.3, 4000000.7}, kOnePoint, {500017.9, 4000000.7}, 0},
    {"end on a sloping edge's vertex", 0, {500017.9, 3999000.3}, {500017.9, 4000000.7}, {500017.9, 4000000.7},
     {500100.1, 4000050.3}, kOnePoint, {500017.9, 4000000.7}, 0},
    {"second without length on first", 0, {0, 0}, {4, 0}, {1, 0}, {1, 0}, kOnePoint, {1, 0}, 0},
    {"second without length off first", 0, {0, 0}, {4, 0}, {1, 1}, {1, 1}, kNoMeeting, {}, kUntouched},
    {"crossing outside both", 0, {0, 0}, {1, 1}, {3, 0}, {2, 1}, kNoMeeting, {}, kUntouched},
    {"crossing inside one only", 0, {0, 0}, {4, 0}, {1, 1}, {1, 3}, kNoMeeting, {}, kUntouched},
    {"parallel apart", 0, {0, 0}, {4, 0}, {0, 1}, {4, 1}, kNoMeeting, {}, kUntouched},
    {"collinear with a gap", 0, {0, 0}, {1, 0}, {2, 0}, {3, 0}, kNoMeeting, {}, kUntouched},
    {"parallel 1e-9 apart, no tolerance", 0, {0, 0}, {10, 0}, {0, 1e-9}, {10, 1e-9},
     kNoMeeting, {}, kUntouched},
    // Collinear overlap: ip is the first segment's start clamped onto the overlap.
    {"overlap, a1 outside", 0, {0, 0}, {2, 0}, {1, 0}, {3, 0}, kCollinearOverlap, {1, 0}, 0},
    {"overlap, a1 outside, b reversed", 0, {0, 0}, {2, 0}, {3, 0}, {1, 0}, kCollinearOverlap, {1, 0}, 0},
    {"overlap, a1 inside", 0, {2, 0}, {0, 0}, {1, 0}, {3, 0}, kCollinearOverlap, {2, 0}, 0},
    {"overlap, a1 beyond far end", 0, {5, 5}, {0, 0}, {1, 1}, {3, 3}, kCollinearOverlap, {3, 3}, 0},
    {"second inside first", 0, {0, 0}, {10, 0}, {2, 0}, {3, 0}, kCollinearOverlap, {2, 0}, 0},
    {"first inside second", 0, {2, 0}, {3, 0}, {0, 0}, {10, 0}, kCollinearOverlap, {2, 0}, 0},
    {"identical", 0, {0, 1}, {0, 5}, {0, 1}, {0, 5}, kCollinearOverlap, {0, 1}, 0},
    {"collinear end to end", 0, {0, 0}, {1, 0}, {1, 0}, {2, 0}, kOnePoint, {1, 0}, 0},
    {"collinear end to end reversed", 0, {1, 0}, {0, 0}, {2, 0}, {1, 0}, kOnePoint, {1, 0}, 0},
    // The first segment is a point.
    {"point on second", 0, {1, 0}, {1, 0}, {0, 0}, {2, 0}, kFirstIsPointOnSecond, {1, 0}, 0},
    {"point on second's end", 0, {2, 0}, {2, 0}, {0, 0}, {2, 0}, kFirstIsPointOnSecond, {2, 0}, 0},
    {"both the same point", 0, {3, 3}, {3, 3}, {3, 3}, {3, 3}, kFirstIsPointOnSecond, {3, 3}, 0},
    {"point off second", 0, {1, 1}, {1, 1}, {0, 0}, {2, 0}, kNoMeeting, {}, kUntouched},
    {"point beyond second", 0, {3, 0}, {3, 0}, {0, 0}, {2, 0}, kNoMeeting, {}, kUntouched},
    // Within and outside the tolerance t; overshooting gives the crossing, not the end point.
    {"0.5 t short: touch at the end", kT, {0.25, 0}, {0.25, 10 - 0.5 * kT}, {-5, 10}, {5, 10},
     kOnePoint, {0.25, 10 - 0.5 * kT}, 0},
    {"0.5 t overshoot: the crossing", kT, {0.25, 0}, {0.25, 10 + 0.5 * kT}, {-5, 10}, {5, 10},
     kOnePoint, {0.25, 10}, 1e-14},
    {"crossing 0.5 t from a vertex keeps its x", kT, {0.5 * kT, -1e-6}, {0.5 * kT, 10 + 1e-6},
     {0, 10}, {5, 10},
     kOnePoint, {0.5 * kT, 10}, 1e-14},
    {"2 t short", kT, {0.25, 0}, {0.25, 10 - 2 * kT}, {-5, 10}, {5, 10}, kNoMeeting, {}, kUntouched},
    {"corner gap 0.7 t", kT, {0, 0}, {1, 1}, {1 + 0.5 * kT, 1 + 0.5 * kT}, {2, 0}, kOnePoint, {}, kAny},
    {"corner gap 1.5 t", kT, {0, 0}, {1, 1}, {1 + 1.1 * kT, 1 + 1.1 * kT}, {2, 0},
     kNoMeeting, {}, kUntouched},
    {"0.5 t apart: collinear", kT, {0, 0}, {10, 0}, {-1, 0.5 * kT}, {5, 0.5 * kT},
     kCollinearOverlap, {0, 0}, 0},
    {"skewed within t", kT, {0, 0}, {10, 0}, {2, -0.9 * kT}, {8, 0.9 * kT},
     kCollinearOverlap, {2, -0.9 * kT}, 0},
    {"2 t apart: parallel", kT, {0, 0}, {10, 0}, {-1, 2 * kT}, {5, 2 * kT}, kNoMeeting, {}, kUntouched},
    {"diverging from one end within t", kT, {0, 0}, {10, 0}, {5, 0.5 * kT}, {15, 20 * kT},
     kOnePoint, {5, 0.5 * kT}, 0},
    {"shallow true crossing", kT, {0, 0}, {10, 0}, {0, -50 * kT}, {10, 50 * kT}, kOnePoint, {5, 0}, 1e-12},
    {"collinear overlap by 0.5 t: a point", 10 * kT, {0, 0}, {1, 0}, {1 - 5 * kT, 0}, {2, 0},
     kOnePoint, {}, kAny},
    {"collinear overlap by 2 t", 10 * kT, {0, 0}, {1, 0}, {1 - 20 * kT, 0}, {2, 0},
     kCollinearOverlap, {1 - 20 * kT, 0}, 0},
    {"collinear gap 0.5 t", 10 * kT, {0, 0}, {1, 0}, {1 + 5 * kT, 0}, {2, 0}, kOnePoint, {1, 0}, 0},
    {"collinear gap 2 t", 10 * kT, {0, 0}, {1, 0}, {1 + 20 * kT, 0}, {2, 0}, kNoMeeting, {}, kUntouched},
    {"first shorter than t, on second", kT, {1, 0.5 * kT}, {1 + 0.5 * kT, 0.5 * kT}, {0, 0}, {2, 0},
     kFirstIsPointOnSecond, {1, 0.5 * kT}, 0},
    {"first shorter than t, 2 t off", kT, {1, 2 * kT}, {1 + 0.5 * kT, 2 * kT}, {0, 0}, {2, 0},
     kNoMeeting, {}, kUntouched},
    {"first 2 t long: a segment", kT, {1, -kT}, {1, kT}, {0, 0}, {2, 0}, kOnePoint, {1, 0}, 1e-12},
};
// clang-format on

} // namespace

TEST_F(Planicalc, IntersectionCasesWhateverTheDirectionOrPlace) {
    const auto meet = [](Point a1, Point a2, Point b1, Point b2, Point &ip) {
        const std::int32_t code = TRGSegmentIntersectSegment(a1, a2, b1, b2, ip);
        return code < 1 ? kNoMeeting : code;
    };
    // Coordinates that stay exact when moved by the offsets below.
    const auto exact = [](const Point &p) {
        return std::floor(p.x * 64) == p.x * 64 && std::floor(p.y * 64) == p.y * 64;
    };
    for (const MeetCase &c : kMeetCases) {
        SCOPED_TRACE(c.what);
        TRGSetPositionalTolerance(c.tol);
        Point ip(kFar, kFar, 5);
        EXPECT_EQ(meet(c.a1, c.a2, c.b1, c.b2, ip), c.code);
        if (c.ipTol == kUntouched) {
            EXPECT_EQ(ip.x, kFar);
            EXPECT_EQ(ip.y, kFar);
        } else if (c.ipTol != kAny) {
            EXPECT_TRUE(parallo_test::Near(ip, c.ip, c.ipTol));
            EXPECT_EQ(ip.z, 0.0);
        }
        // Reversing a segment or moving both by a power of two keeps the code, on the rows
        // without tolerance whose coordinates stay exact under the move.
        if (c.tol != 0.0 || !exact(c.a1) || !exact(c.a2) || !exact(c.b1) || !exact(c.b2)) continue;
        for (double off : {0.0, 1024.0, -65536.0}) {
            const auto mv = [&](const Point &p) { return Point(p.x + off, p.y + off / 2); };
            EXPECT_EQ(meet(mv(c.a1), mv(c.a2), mv(c.b1), mv(c.b2), ip), c.code) << off;
            EXPECT_EQ(meet(mv(c.a2), mv(c.a1), mv(c.b1), mv(c.b2), ip), c.code) << off;
            EXPECT_EQ(meet(mv(c.a1), mv(c.a2), mv(c.b2), mv(c.b1), ip), c.code) << off;
        }
    }
}

TEST_F(Planicalc, RandomCrossingsAreFoundAtTheirPoint) {
    // Segments through a common point P strictly inside both: code 1, ip at P within 1e-9 (a few
    // roundings of coordinates up to 1e5, divided by a sine >= 0.05), in either order.
    std::mt19937 rng(7u);
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
        Point ip, ip2;
        ASSERT_EQ(TRGSegmentIntersectSegment(a1, a2, b1, b2, ip), kOnePoint) << "seed 7, " << i;
        EXPECT_TRUE(parallo_test::Near(ip, p, 1e-9)) << i;
        EXPECT_EQ(TRGSegmentIntersectSegment(b2, b1, a2, a1, ip2), kOnePoint) << i;
        EXPECT_NEAR(ip2.x, p.x, 1e-9) << i;
    }
}

TEST_F(Planicalc, NonFiniteInputOrOverflowRaises6) {
    const double inf = std::numeric_limits<double>::infinity();
    Point ip;
    EXPECT_RAISES(TRGSegmentIntersectSegment({std::nan(""), 0}, {1, 1}, {0, 1}, {1, 0}, ip), 6);
    EXPECT_RAISES(TRGSegmentIntersectSegment({0, 0}, {1, 1}, {0, inf}, {1, 0}, ip), 6);
    EXPECT_RAISES(TRGSegmentIntersectSegment({-1.5e308, 0}, {1.5e308, 0}, {0, -1}, {0, 1}, ip), 6);
}

TEST_F(Planicalc, RangeOverEveryMemberAndItsFailures) {
    auto poly = std::make_shared<shapekit::PolygonGeometry>();
    poly->Points().Add(Point(1, 5, 100));
    poly->Points().Add(Point(-3, 2));
    poly->Points().Add(Point(4, -7));
    shapekit::GeometryCollection coll;
    coll.Add(poly);
    coll.Add(std::make_shared<shapekit::PointGeometry>(Point(0, 9)));
    Point mn, mx;
    TRGGetRange(coll, mn, mx);
    EXPECT_EQ(std::vector<double>({mn.x, mn.y, mx.x, mx.y, mx.z}), std::vector<double>({-3, -7, 4, 9, 0}));
    EXPECT_RAISES(TRGGetRange(shapekit::PolygonGeometry(), mn, mx), 5);
    EXPECT_RAISES(TRGGetRange(shapekit::GeometryCollection(), mn, mx), 5);
    poly->Points().Add(Point(std::nan(""), 1));
    EXPECT_RAISES(TRGGetRange(*poly, mn, mx), 6);
}

TEST_F(Planicalc, ToleranceIsCheckedAndPerThread) {
    TRGSetPositionalTolerance(0.5);
    EXPECT_RAISES(TRGSetPositionalTolerance(-1e-9), 5);
    EXPECT_RAISES(TRGSetPositionalTolerance(std::nan("")), 5);
    EXPECT_RAISES(TRGSetPositionalTolerance(std::numeric_limits<double>::infinity()), 5);
    EXPECT_EQ(TRGGetPositionalTolerance(), 0.5);
    double seenByOther = -1.0;
    std::int32_t otherCode = -1;
    std::thread other([&] {
        seenByOther = TRGGetPositionalTolerance(); // a new thread starts at 0
        TRGSetPositionalTolerance(0.25);
        Point ip; // a gap of 0.4 is outside this thread's tolerance
        otherCode = TRGSegmentIntersectSegment({0, 0}, {1, 0}, {1.4, 0}, {2, 0}, ip);
    });
    other.join();
    EXPECT_EQ(seenByOther, 0.0);
    EXPECT_EQ(otherCode, kNoMeeting);
    EXPECT_EQ(TRGGetPositionalTolerance(), 0.5);
    Point ip; // ... and inside this one's
    EXPECT_EQ(TRGSegmentIntersectSegment({0, 0}, {1, 0}, {1.4, 0}, {2, 0}, ip), kOnePoint);
}

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
