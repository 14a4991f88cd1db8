// Grid lines: every line of constant x and of constant y of the grid system at the grid interval,
// cut to the pieces that lie inside the neatline, densified cell by cell and handed back in
// map-view coordinates.
#include <cmath>
#include <cstdint>
#include <memory>
#include <string>

#include "geometry/geometry.h"
#include "grid/prepare.h"
#include "intervals/intervals.h"
#include "parallo/parallo.h"
#include "platform/numbers.h"
#include "service/state.h"
#include "service/stroking.h"

namespace parallo {

namespace {

using detail::GridNeatline;
using detail::ServiceState;
using shapekit::Point;

/// Empties an angle collection from its end, which costs nothing to move.
void EmptyAngles(IntersectionAnglesColl &angles) {
    while (angles.Count() > 0)
        angles.Remove(angles.Count());
}

/// Puts a point of the grid line `value` exactly onto it.
void OntoLine(bool vertical, double value, Point &p) { (vertical ? p.x : p.y) = value; }

/// The working values of one CreateGridlines call.
struct GridlineRun {
    ServiceState &s;
    GridNeatline w;
    detail::NeatlineVertexIndex vertices;
    std::string &trace;
    std::int32_t &RetVal;
    IntersectionAnglesColl angles;
    std::shared_ptr<shapekit::PointsCollection> IntersectPoints =
        std::make_shared<shapekit::PointsCollection>();
    shapekit::PointsCollection piece;
    shapekit::GeometryBuilder builder;
    bool lineMoved = false;
    double d = 0.0; ///< the validated GridStrokeDistance

    GridlineRun(ServiceState &state, std::string &t, std::int32_t &r) : s(state), trace(t), RetVal(r) {}

    /// One piece of the grid line `value` from A to B (A before B along the line): A, the stroke
    /// points of every cell centred in it at spacing d, every cell boundary, B; converted to the
    /// grid system's storage units and added to the builder as one polyline.
    void BuildPiece(bool vertical, double value, const Point &A, const Point &B, double cellInterval) {
        const auto at = [vertical, value](double along) {
            return vertical ? Point(value, along) : Point(along, value);
        };
        const double end = vertical ? B.y : B.x;
        piece.Add(A);
        double c = vertical ? A.y : A.x;
        trace = "Processing Grid Cell (Horizontal)";
        while (c < end) {
            double next = detail::FindNextInterval(s, c, cellInterval);
            if (end < next) next = end;
            // The stepping reports its own failures and then answers 0; never go backwards.
            if (!(next > c))
                RaiseOwn("The next grid value does not advance along the line", "Create_Gridlines");
            const double cell = next - c;
            if (cell > d) {
                const std::int32_t m = platform::CLng(platform::Int(platform::Div(cell, d)));
                const double off = (cell - static_cast<double>(m) * d) / 2.0;
                for (std::int32_t j = 0; j <= m; ++j)
                    piece.Add(at(c + off + static_cast<double>(j) * d));
            }
            c = next;
            if (c < end) piece.Add(at(c));
        }
        piece.Add(B);

        // Back to storage units in one batch; a conversion that moves the line off its constant
        // coordinate means the grid is not straight in storage units and needs its strokes.
        const double f = vertical ? A.x : A.y;
        platform::Deref(s.GridCoordSystem).ConvertPoints(w.U, coordkit::kStorage, piece.data(), piece.size());
        if (!lineMoved) {
            for (const Point &p : piece) {
                if ((vertical ? p.x : p.y) != f) {
                    lineMoved = true;
                    break;
                }
            }
        }
        builder.AddPolyline(piece.Count(), piece);
        piece.Clear();
    }

    /// Every grid line of one axis: vertical lines (constant x) in increasing x, or horizontal
    /// lines (constant y) in increasing y, each cut into its pieces inside the neatline.
    void LinesOfAxis(bool vertical) {
        const detail::AxisLines lines(w, vertical);
        const Point &offset = platform::Deref(s.GridOffset);
        const Point &interval = platform::Deref(s.Interval);
        const double step = vertical ? interval.x : interval.y;
        const double cellInterval = vertical ? interval.y : interval.x;

        const double start = detail::SetStartValue(s, lines.lo, vertical ? offset.x : offset.y, step);
        detail::RequireGridValuesWithinBudget(start, lines.hi, step, "Create_Gridlines");
        for (std::int32_t i = 0;; i = platform::Add32(i, 1)) {
            // Each value from the start, never by repeated addition, so no rounding accumulates.
            const double value = start + static_cast<double>(i) * step;
            if (value > lines.hi) break;
            trace = "Going to IsASkipInterval";
            const Point &skip = platform::Deref(s.SkipInterval);
            if (detail::IsASkipInterval(s, value, vertical ? skip.x : skip.y)) continue;

            trace = "Going to GridlineNeatlineIntersections";
            detail::GridlineNeatlineIntersections(s, lines.Start(value), lines.End(value), w.Tfr_Polygon,
                                                  false, IntersectPoints, &angles, RetVal);
            if (!vertical) trace = "Going to SortPointsByAxis";
            detail::RemoveDuplicatePoints(s, IntersectPoints.get(), &angles, vertical ? 1 : 0);
            if (IntersectPoints)
                vertices.DropTouches(vertical, value, s.dPointTolerance, *IntersectPoints, &angles);

            // Sorted along the line, the points alternate entry and exit: pair them into pieces.
            // An odd last point (a line touching the neatline at a vertex) has no partner.
            const std::int32_t pieces = IntersectPoints ? IntersectPoints->Count() / 2 : 0;
            for (std::int32_t k = 1; k <= pieces; ++k) {
                trace = vertical ? "Processing Intersection Points (Vertical)"
                                 : "Processing Intersection Points (Horizontal)";
                Point A = IntersectPoints->Item(2 * k - 1);
                Point B = IntersectPoints->Item(2 * k);
                // The ends lie on the line; computed on a neatline edge they may miss its value by
                // a rounding, enough to put one end of the 180° meridian on the other side of it.
                OntoLine(vertical, value, A);
                OntoLine(vertical, value, B);
                BuildPiece(vertical, value, A, B, cellInterval);
            }
            if (IntersectPoints) IntersectPoints->Clear();
            EmptyAngles(angles);
        }
    }
};

} // namespace

void ParalloCls::CreateGridlines(std::int32_t &RetVal) noexcept {
    detail::ServiceState &s = *d_;
    std::string trace = "In Create_Gridlines";
    try {
        GridlineRun run(s, trace, RetVal);
        detail::PrepareNeatline(s, run.w, trace);
        run.vertices.Build(*run.w.Tfr_Polygon);
        const Point pMin = run.w.pMin;
        const Point pMax = run.w.pMax;

        double stroke = s.GridStrokeDistance;
        s.GridStrokeDistance = detail::Validate_StrokeDistance(s, stroke, pMin, pMax);
        run.d = s.GridStrokeDistance;

        // The line budget, estimated from the extent; beyond it nothing is drawn at all.
        const Point &interval = platform::Deref(s.Interval);
        const double nX = std::nearbyint(platform::Div(platform::Sub(pMax.x, pMin.x), interval.x));
        const double n =
            std::nearbyint(platform::Add(nX, platform::Div(platform::Sub(pMax.y, pMin.y), interval.y)));
        if (n > static_cast<double>(detail::kGridLineBudget)) return;
        detail::RequirePositiveInterval(interval, "Create_Gridlines");

        run.builder.StartCollection();
        run.LinesOfAxis(true);
        run.LinesOfAxis(false);

        run.builder.EndCollection();
        s.bForceStroking = run.lineMoved;
        s.GridGeometry = shapekit::As<shapekit::GeometryCollection>(run.builder.GetGeometry());
        run.builder.Reset();

        detail::FinishGridlines(s, run.w, *s.GridGeometry, trace);
    } catch (...) {
        s.ReportError(detail::DescribeCurrentException(), trace, "Create_Gridlines Error");
    }
}

} // namespace parallo
