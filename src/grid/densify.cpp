// Adaptive densification of a line, pass by pass.
#include "grid/densify.h"

#include <cmath>
#include <limits>

namespace parallo {
namespace detail {

namespace {

bool Finite(const shapekit::Point &p) noexcept { return std::isfinite(p.x) && std::isfinite(p.y); }

} // namespace

void RefineLine(LineRefiner &r, std::vector<StepEnd> &line, std::vector<std::size_t> *origins) {
    if (origins) {
        origins->resize(line.size());
        for (std::size_t i = 0; i < line.size(); ++i)
            (*origins)[i] = i;
    }
    if (line.size() < 2) return;
    // open[k]: whether step k (from line[k] to line[k + 1]) may still be split.
    std::vector<char> open(line.size() - 1, 1);
    std::vector<StepEnd> ps, qs, mids, next;
    std::vector<double> deviations;
    std::vector<char> nextOpen;
    std::vector<std::size_t> moved; // new index of each point of the pass
    for (std::int32_t depth = 0; depth < r.maxDepth && r.budget > 0; ++depth) {
        ps.clear();
        qs.clear();
        for (std::size_t k = 0; k + 1 < line.size(); ++k) {
            if (!open[k]) continue;
            ps.push_back(line[k]);
            qs.push_back(line[k + 1]);
        }
        if (ps.empty()) break;
        mids.assign(ps.size(), StepEnd{});
        deviations.assign(ps.size(), std::numeric_limits<double>::quiet_NaN());
        r.judge(ps, qs, mids, deviations);

        next.clear();
        nextOpen.clear();
        moved.assign(line.size(), 0);
        std::size_t asked = 0;
        for (std::size_t k = 0; k < line.size(); ++k) {
            moved[k] = next.size();
            next.push_back(line[k]);
            if (k + 1 == line.size()) break;
            if (!open[k]) {
                nextOpen.push_back(0);
                continue;
            }
            const StepEnd &mid = mids[asked];
            const double off = deviations[asked];
            ++asked;
            const bool split = r.budget > 0 && Finite(mid.at) && Finite(mid.drawn) && std::isfinite(off) &&
                               off > r.tolerance;
            if (!split) {
                nextOpen.push_back(0);
                continue;
            }
            --r.budget;
            next.push_back(mid);
            nextOpen.push_back(1);
            nextOpen.push_back(1);
        }
        if (next.size() == line.size()) break;
        if (origins) {
            for (std::size_t &o : *origins)
                o = moved[o];
        }
        line.swap(next);
        open.swap(nextOpen);
    }
}

void ApplyEach(std::vector<shapekit::Point> &points,
               const std::function<void(shapekit::Point *, std::size_t)> &f) noexcept {
    if (points.empty()) return;
    const std::vector<shapekit::Point> given = points;
    try {
        f(points.data(), points.size());
        return;
    } catch (...) {
    }
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (std::size_t i = 0; i < points.size(); ++i) {
        points[i] = given[i];
        try {
            f(&points[i], 1);
        } catch (...) {
            points[i] = shapekit::Point(nan, nan);
        }
    }
}

shapekit::Point Middle(const shapekit::Point &a, const shapekit::Point &b) noexcept {
    return shapekit::Point(a.x + (b.x - a.x) / 2.0, a.y + (b.y - a.y) / 2.0, a.z + (b.z - a.z) / 2.0);
}

double DistanceToSegment(const shapekit::Point &p, const shapekit::Point &a,
                         const shapekit::Point &b) noexcept {
    if (!Finite(p) || !Finite(a) || !Finite(b)) return std::numeric_limits<double>::infinity();
    const double dx = b.x - a.x;
    const double dy = b.y - a.y;
    const double length2 = dx * dx + dy * dy;
    double t = 0.0;
    if (length2 > 0.0) t = ((p.x - a.x) * dx + (p.y - a.y) * dy) / length2;
    if (t < 0.0) t = 0.0;
    if (t > 1.0) t = 1.0;
    return std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy));
}

double ChordDeviation(const shapekit::Point &P, const shapekit::Point &M, const shapekit::Point &Q) noexcept {
    const shapekit::Point middle = Middle(P, Q);
    const double across = DistanceToSegment(M, P, Q);
    const double back = std::fmin(DistanceToSegment(middle, P, M), DistanceToSegment(middle, M, Q));
    if (!std::isfinite(across) || !std::isfinite(back)) return std::numeric_limits<double>::infinity();
    return std::fmax(across, back);
}

} // namespace detail
} // namespace parallo
