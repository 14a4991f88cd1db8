// Small helpers of the property checks: plane geometry of rings (distance, inside, extent),
// polygons from points, the points of generated collections, failure reports as texts, and the
// names of parameterised tests.
#ifndef PARALLO_TESTS_SUPPORT_CHECKS_H
#define PARALLO_TESTS_SUPPORT_CHECKS_H

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iomanip>
#include <memory>
#include <string>
#include <vector>

#include "parallo/parallo.h"

namespace parallo_test {

using shapekit::Point;

/// Distance from p to the segment a–b.
inline double ToSegment(const Point &p, const Point &a, const Point &b) {
    const double dx = b.x - a.x, dy = b.y - a.y, len2 = dx * dx + dy * dy;
    const double t = len2 > 0.0 ? std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / len2, 0.0, 1.0) : 0.0;
    return std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy));
}

/// Distance from p to the closed ring (planar, in the ring's units).
inline double ToRing(const Point &p, const std::vector<Point> &ring) {
    double best = HUGE_VAL;
    for (std::size_t i = 0; i < ring.size(); ++i)
        best = std::fmin(best, ToSegment(p, ring[i], ring[(i + 1) % ring.size()]));
    return best;
}

/// Whether p lies inside the closed ring (even-odd rule over every edge).
inline bool InRing(const std::vector<Point> &ring, const Point &p) {
    bool in = false;
    for (std::size_t i = 0, j = ring.size() - 1; i < ring.size(); j = i++) {
        const Point &a = ring[i], &b = ring[j];
        if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x) in = !in;
    }
    return in;
}

/// The bounding box of some points.
struct Extent {
    Point lo{HUGE_VAL, HUGE_VAL}, hi{-HUGE_VAL, -HUGE_VAL};
    double Size() const { return std::max(hi.x - lo.x, hi.y - lo.y); }
};
template <class Points> Extent ExtentOf(const Points &points) {
    Extent e;
    for (const Point &p : points) {
        e.lo = Point(std::min(e.lo.x, p.x), std::min(e.lo.y, p.y));
        e.hi = Point(std::max(e.hi.x, p.x), std::max(e.hi.y, p.y));
    }
    return e;
}

/// For EXPECT_TRUE: whether a lies within tol of b in x and in y.
inline ::testing::AssertionResult Near(const Point &a, const Point &b, double tol) {
    if (std::fabs(a.x - b.x) <= tol && std::fabs(a.y - b.y) <= tol) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << std::setprecision(17) << "(" << a.x << ", " << a.y
                                         << ") is not within " << tol << " of (" << b.x << ", " << b.y << ")";
}

inline std::shared_ptr<shapekit::PolygonGeometry> Polygon(const std::vector<Point> &ring) {
    auto polygon = std::make_shared<shapekit::PolygonGeometry>();
    for (const Point &p : ring)
        polygon->Points().Add(p);
    return polygon;
}

/// The points of every item of a collection of polylines or lines.
inline std::vector<std::vector<Point>> Items(const std::shared_ptr<shapekit::GeometryCollection> &c) {
    std::vector<std::vector<Point>> out;
    for (std::int32_t i = 1; c && i <= c->Count(); ++i) {
        out.emplace_back();
        static_cast<const shapekit::Geometry &>(*c->Item(i))
            .ForEachRun(shapekit::ConstPointRunFunction(
                [&](const Point *p, std::size_t n) { out.back().insert(out.back().end(), p, p + n); }));
    }
    return out;
}

/// An error observer that records each report as "title | trace | description".
inline parallo::ErrorObserver Recorder(std::vector<std::string> &out) {
    return [&out](const std::string &description, const std::string &trace, const std::string &title) {
        out.push_back(title + " | " + trace + " | " + description);
    };
}

/// A parameterised test named by its case's name, '-' read as '_' (an address or an index would
/// change the names ctest finds the tests by).
struct NameOf {
    template <class P> std::string operator()(const ::testing::TestParamInfo<P> &info) const {
        std::string name(info.param.name);
        std::replace(name.begin(), name.end(), '-', '_');
        return name;
    }
};

} // namespace parallo_test

#endif
