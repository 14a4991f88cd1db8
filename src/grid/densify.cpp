// Adaptive densification of one step of a line.
#include "grid/densify.h"

#include <cmath>
#include <limits>

namespace parallo {
namespace detail {

namespace {

bool Finite(const shapekit::Point &p) noexcept { return std::isfinite(p.x) && std::isfinite(p.y); }

void Refine(StepRefiner &r, const StepEnd &p, const StepEnd &q, std::int32_t depth,
            std::vector<StepEnd> &out) {
    if (depth <= 0 || r.budget == 0) return;
    StepEnd mid;
    if (!r.halfway(p, q, mid) || !Finite(mid.at) || !Finite(mid.drawn)) return;
    const double off = r.deviation(p, q, mid);
    if (!std::isfinite(off) || off <= r.tolerance) return;
    --r.budget;
    Refine(r, p, mid, depth - 1, out);
    out.push_back(mid);
    Refine(r, mid, q, depth - 1, out);
}

} // namespace

void RefineStep(StepRefiner &r, const StepEnd &p, const StepEnd &q, std::vector<StepEnd> &out) {
    Refine(r, p, q, r.maxDepth, out);
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
