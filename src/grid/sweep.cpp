// The sweep over one axis of the grid, the vertex index that finds where a grid line only touches
// the neatline, and the guards that keep a walk within its budget.
#include "grid/sweep.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "intervals/intervals.h"
#include "platform/numbers.h"

namespace parallo {
namespace detail {

void NeatlineVertexIndex::Build(const shapekit::PolygonGeometry &polygon) {
    ring_ = polygon.Points().Vector();
    byX_.resize(ring_.size());
    for (std::size_t i = 0; i < ring_.size(); ++i)
        byX_[i] = i;
    byY_ = byX_;
    std::sort(byX_.begin(), byX_.end(),
              [this](std::size_t a, std::size_t b) { return ring_[a].x < ring_[b].x; });
    std::sort(byY_.begin(), byY_.end(),
              [this](std::size_t a, std::size_t b) { return ring_[a].y < ring_[b].y; });
}

int NeatlineVertexIndex::NeighbourSide(std::size_t i, int step, bool vertical, double value,
                                       double tol) const {
    const std::size_t n = ring_.size();
    const Point &v = ring_[i];
    std::size_t j = i;
    for (std::size_t walked = 1; walked < n; ++walked) {
        j = step > 0 ? (j + 1) % n : (j + n - 1) % n;
        const Point &u = ring_[j];
        if (std::fabs(u.x - v.x) <= tol && std::fabs(u.y - v.y) <= tol) continue; // a repeated vertex
        const double across = (vertical ? u.x : u.y) - value;
        if (std::fabs(across) <= tol) return 0;
        return across < 0.0 ? -1 : 1;
    }
    return 0;
}

void NeatlineVertexIndex::DropTouches(bool vertical, double value, double tol,
                                      shapekit::PointsCollection &pts, IntersectionAnglesColl *angles) const {
    if (ring_.size() < 3) return;
    const std::vector<std::size_t> &order = vertical ? byX_ : byY_;
    const auto across = [this, vertical](std::size_t i) { return vertical ? ring_[i].x : ring_[i].y; };
    auto it = std::lower_bound(order.begin(), order.end(), value - tol,
                               [&](std::size_t i, double c) { return across(i) < c; });
    for (; it != order.end() && across(*it) <= value + tol; ++it) {
        const Point &v = ring_[*it];
        const int before = NeighbourSide(*it, -1, vertical, value, tol);
        const int after = NeighbourSide(*it, +1, vertical, value, tol);
        if (before == 0 || before != after) continue; // the line crosses here, or runs along an edge
        for (std::int32_t k = pts.Count(); k >= 1; --k) {
            const Point &p = pts.Item(k);
            if (std::fabs(p.x - v.x) <= tol && std::fabs(p.y - v.y) <= tol) {
                pts.Remove(k);
                if (angles != nullptr && k <= angles->Count()) angles->Remove(k);
            }
        }
    }
}

bool NeatlineVertexIndex::RunsAlong(bool vertical, double value, double tol) const {
    const std::vector<std::size_t> &order = vertical ? byX_ : byY_;
    const auto across = [this, vertical](std::size_t i) { return vertical ? ring_[i].x : ring_[i].y; };
    auto it = std::lower_bound(order.begin(), order.end(), value - tol,
                               [&](std::size_t i, double c) { return across(i) < c; });
    const Point *seen = nullptr;
    for (; it != order.end() && across(*it) <= value + tol; ++it) {
        const Point &v = ring_[*it];
        if (seen != nullptr && (std::fabs(v.x - seen->x) > tol || std::fabs(v.y - seen->y) > tol))
            return true;
        seen = &v;
    }
    return false;
}

void RequirePositiveInterval(const Point &interval, const std::string &source) {
    if (!(interval.x > 0.0) || !(interval.y > 0.0))
        RaiseOwn("The grid interval must be greater than 0 on both axes", source);
}

void RequireGridValuesWithinBudget(double start, double limit, double step, const std::string &source) {
    if (platform::Div(platform::Sub(limit, start), step) > kMaxGridValuesPerAxis)
        RaiseOwn("More than 32767 grid values to step through on one axis: the grid offset puts the first "
                 "grid value too far from the frame for the interval",
                 source);
}

double EstimatedGridLines(const GridNeatline &w, const Point &interval) {
    const double nX = std::nearbyint(platform::Div(platform::Sub(w.pMax.x, w.pMin.x), interval.x));
    return std::nearbyint(platform::Add(nX, platform::Div(platform::Sub(w.pMax.y, w.pMin.y), interval.y)));
}

GridSweep::GridSweep(GridNeatline &w, const IntersectionGrid &grid, const SweepRules &rules,
                     std::string &trace, std::int32_t &RetVal)
    : w_(w), grid_(grid), rules_(rules), trace_(trace), RetVal_(RetVal) {
    vertices_.Build(platform::Deref(w.workingNeatline));
}

bool GridSweep::Before(double value, double limit, double edgeTolerance) const {
    if (rules_.edges == SweepEdges::Excluded)
        return ThisValLessThanLimit(grid_.reporter, grid_.intervalsType == 1, value, limit);
    return !(value > limit + edgeTolerance);
}

void GridSweep::Axis(bool vertical, double step, const PointPtr &gridOffset, const PointPtr &skipInterval,
                     SweepVisitor &visitor) {
    const AxisLines lines(w_, vertical);
    const bool geographic = grid_.intervalsType == 1;
    if (rules_.traceStart) trace_ = "SetStartValue";
    const Point &offset = platform::Deref(gridOffset);
    const double start = SetStartValue(grid_.reporter, lines.lo, vertical ? offset.x : offset.y, step);
    RequireGridValuesWithinBudget(start, lines.hi, step, rules_.source);
    // Around a pole the meridians' range has no edges of the frame: its ends are the seam, and
    // every meridian from the seam's west side on is walked, by every generator.
    const bool polarMeridians = w_.pole != 0 && vertical;
    const bool edges = rules_.edges == SweepEdges::Included || polarMeridians;
    const double edgeTolerance = edges ? platform::Mul(kEdgeTolerance, step) : 0.0;
    // SetStartValue gives the first multiple above the low edge, stepping over one within 1e-5
    // of an interval above it: the value on the low edge is walked first, as the value on the
    // high edge is walked last.
    std::int32_t first = 0;
    if (edges && std::fabs((start - step) - lines.lo) <= edgeTolerance) first = -1;
    if (polarMeridians && start - step > lines.lo) first = -1;
    for (std::int32_t i = first;; i = platform::Add32(i, 1)) {
        // Each value from the start, never by repeated addition, so that no rounding accumulates
        // and grid lines, marks and labels stand on the very same values.
        const double value = start + static_cast<double>(i) * step;
        if (!Before(value, lines.hi, edgeTolerance)) break;
        // Around a pole the meridians run over [seam, seam + 360°): the one on the east side of
        // the seam is the one on its west side. The parallel of the pole is the pole itself.
        if (w_.pole != 0) {
            if (vertical && !(value < w_.seamEast - std::max(edgeTolerance, grid_.pointTolerance))) break;
            if (!vertical &&
                std::fabs(value - w_.poleLatitude) <= std::max(edgeTolerance, grid_.pointTolerance))
                continue;
        }
        if (rules_.traceSkip) trace_ = "Going to IsASkipInterval";
        const Point &skip = platform::Deref(skipInterval);
        if (IsASkipInterval(grid_.reporter, geographic, value, vertical ? skip.x : skip.y)) continue;

        // A value on an edge of the range is walked a hair inside it where a neatline edge runs
        // along it: a line lying on a neatline edge would meet that edge end to end, and which
        // of the two angles at the corner it kept would depend on the side. Just inside, it
        // crosses the two edges that meet the frame's edge at its corners, on every side alike.
        // The hair is twice the point tolerance, beyond which the neatline edge no longer counts
        // as on the line; the visitors place everything on the grid value itself.
        double across = value;
        if (edges) {
            const double hair = 2.0 * grid_.pointTolerance;
            if (std::fabs(value - lines.lo) <= edgeTolerance &&
                vertices_.RunsAlong(vertical, lines.lo, grid_.pointTolerance))
                across = lines.lo + hair;
            else if (std::fabs(value - lines.hi) <= edgeTolerance &&
                     vertices_.RunsAlong(vertical, lines.hi, grid_.pointTolerance))
                across = lines.hi - hair;
        }

        trace_ = "Going to GridlineNeatlineIntersections";
        GridlineNeatlineIntersections(grid_, lines.Start(across), lines.End(across), w_.workingNeatline,
                                      false, points_, &angles_, RetVal_);
        if (!vertical || rules_.traceSortOnVerticals) trace_ = "Going to SortPointsByAxis";
        if (rules_.duplicatesByAngle)
            RemoveDuplicatePointsByAngle(grid_, points_.get(), &angles_, vertical ? 1 : 0);
        else
            RemoveDuplicatePoints(grid_, points_.get(), &angles_, vertical ? 1 : 0);
        // A point where the line only touches the neatline at a vertex neither enters nor leaves
        // it; left in, it would pair the wrong points into pieces.
        vertices_.DropTouches(vertical, across, grid_.pointTolerance, *points_, &angles_);

        visitor.Line(SweepLine{lines, value, *points_, angles_, w_});

        points_->Clear();
        // From the end, which costs nothing to move.
        while (angles_.Count() > 0)
            angles_.Remove(angles_.Count());
    }
}

} // namespace detail
} // namespace parallo
