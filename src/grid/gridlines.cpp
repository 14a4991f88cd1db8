// Grid lines: every line of constant x and of constant y of the grid system at the grid interval,
// cut to the pieces that lie inside the neatline, densified cell by cell and handed back in
// map-view coordinates.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "grid/gridlines.h"

#include "grid/densify.h"
#include "grid/polar.h"
#include "grid/sweep.h"
#include "intervals/intervals.h"
#include "platform/angles.h"
#include "platform/numbers.h"

namespace parallo {

namespace {

using shapekit::Point;

/// Once the working neatline follows a stroked frame's chords, two pieces of a line whose gap
/// runs within this fraction of the neatline's extent (grid space) of it are one: the chords of
/// the command's default stroking stray up to 1e-5 of the frame from the grid line along an
/// edge through their vertices.
constexpr double kGrazeFraction = 2e-5;

/// Puts a point of the grid line `value` exactly onto it.
void OntoLine(bool vertical, double value, Point &p) { (vertical ? p.x : p.y) = value; }

/// The grid lines' walk: every line from the one along the frame's low edge to the one along its
/// high edge, where a grid value coincides with them.
constexpr detail::SweepRules kGridlineSweep{"Create_Gridlines",          detail::SweepEdges::Included,
                                            /*duplicatesByAngle=*/false, /*traceStart=*/false,
                                            /*traceSkip=*/true,          /*traceSortOnVerticals=*/false};

/// Builds the pieces of the grid lines the sweep meets, densified cell by cell.
class GridlineBuilder final : public detail::SweepVisitor {
public:
    /// `gridSystem` converts the pieces from `gridSpace` back to storage units; `d` is the
    /// validated GridStrokeDistance.
    GridlineBuilder(const detail::Reporter &reporter, const detail::CoordSystemPtr &gridSystem,
                    std::int32_t gridSpace, const Point &interval, double d, std::string &trace)
        : reporter_(reporter), gridSystem_(gridSystem), gridSpace_(gridSpace), interval_(interval), d_(d),
          trace_(trace) {}

    /// Refines every step until its middle in the map view lies within `tolerance` of the image
    /// of the line's point halfway along it; T (direction 1) takes storage units to the map view.
    void RefineSteps(double tolerance, bool mapViewLongitudes, const coordkit::CoordTransform &T) {
        tolerance_ = tolerance;
        mapViewLongitudes_ = mapViewLongitudes;
        T_ = &T;
    }

    shapekit::GeometryBuilder builder;
    /// Whether a piece moved off its constant coordinate in storage units (bForceStroking).
    bool lineMoved = false;

    /// The pieces of one grid line inside the neatline.
    void Line(const detail::SweepLine &line) override {
        const bool vertical = line.lines.vertical;
        const double cellInterval = vertical ? interval_.y : interval_.x;
        lineSteps_ = 0;
        pieces_.clear();
        for (std::int32_t k = 1; k <= line.Pieces(); ++k) {
            trace_ = vertical ? "Processing Intersection Points (Vertical)"
                              : "Processing Intersection Points (Horizontal)";
            Point A = line.points.Item(2 * k - 1);
            Point B = line.points.Item(2 * k);
            // The ends lie on the line; computed on a neatline edge they may miss its value by a
            // rounding, enough to put one end of the 180° meridian on the other side of it.
            OntoLine(vertical, line.value, A);
            OntoLine(vertical, line.value, B);
            pieces_.push_back({A, B});
        }
        if (graze_ > 0.0 && pieces_.size() > 1) DropGrazes();
        bool ring = false;
        if (line.frame.pole != 0) {
            if (vertical)
                StopAtCap(line.frame, line.value);
            else
                ring = JoinAtSeam(line.frame);
        }
        for (const auto &piece : pieces_)
            BuildPiece(vertical, line.value, piece.first, piece.second, cellInterval);
        if (ring) closedRings.push_back(added_);
    }

    /// Positions of the parallels that close on themselves (GridlineResult::closedRings).
    std::vector<std::int32_t> closedRings;

    /// PolarCapLatitude and PolarCapMeridianSkip (see GridlineInputs).
    void StopAt(const detail::PolarCap &cap) { cap_ = cap; }

    /// Along a densified working neatline (`ring`, grid space) a grid line that runs along a
    /// stroked edge, through its vertices, grazes the chords between them, in and out: pieces
    /// whose gap runs within `graze` (grid units) of the neatline are then one piece.
    void IgnoreGrazes(double graze, const std::vector<Point> &ring) {
        graze_ = graze;
        ring_ = &ring;
    }

private:
    const detail::Reporter &reporter_;
    const detail::CoordSystemPtr &gridSystem_;
    std::int32_t gridSpace_;
    Point interval_;
    double d_;
    std::string &trace_;
    shapekit::PointsCollection piece_;
    double tolerance_ = 0.0;
    bool mapViewLongitudes_ = false;
    const coordkit::CoordTransform *T_ = nullptr;
    double graze_ = 0.0;
    std::vector<std::pair<Point, Point>> pieces_;

    const std::vector<Point> *ring_ = nullptr;
    detail::PolarCap cap_;
    /// Polylines added so far.
    std::int32_t added_ = 0;

    /// Around a pole a parallel meets the seam where the working neatline was cut: its piece
    /// ending on the seam's east side goes on into its piece starting on the west side, a whole
    /// turn on. A parallel that meets the frame nowhere is one piece from the seam round to the
    /// seam: a ring, returned true.
    bool JoinAtSeam(const detail::GridNeatline &w) {
        if (pieces_.empty()) return false;
        const bool fromSeam = !detail::OnFrame(w, false, pieces_.front().first, detail::kSeamTolerance);
        const bool toSeam = !detail::OnFrame(w, false, pieces_.back().second, detail::kSeamTolerance);
        if (!fromSeam || !toSeam) return false;
        if (pieces_.size() == 1) {
            pieces_.front().first.x = w.seamWest;
            pieces_.front().second.x = w.seamEast;
            return true;
        }
        Point end = pieces_.front().second;
        end.x += w.seamEast - w.seamWest;
        pieces_.back().second = end;
        pieces_.erase(pieces_.begin());
        return false;
    }

    /// Around a pole with a polar cap: the meridian `value` stops at the cap's latitude, unless
    /// it is one of every k-th; a piece that lies wholly within the cap goes.
    void StopAtCap(const detail::GridNeatline &w, double value) {
        if (!cap_.Stops(value, interval_.x)) return;
        std::vector<std::pair<Point, Point>> kept;
        for (auto piece : pieces_) {
            if (w.pole < 0 && !detail::OnFrame(w, true, piece.first, detail::kSeamTolerance)) {
                piece.first.y = -cap_.latitude;
                if (!(piece.first.y < piece.second.y)) continue;
            }
            if (w.pole > 0 && !detail::OnFrame(w, true, piece.second, detail::kSeamTolerance)) {
                piece.second.y = cap_.latitude;
                if (!(piece.first.y < piece.second.y)) continue;
            }
            kept.push_back(piece);
        }
        pieces_.swap(kept);
    }

    void DropGrazes() {
        const std::vector<Point> &ring = *ring_;
        const auto alongEdge = [&](const Point &p) {
            for (std::size_t i = 0; i < ring.size(); ++i)
                if (detail::DistanceToSegment(p, ring[i], ring[(i + 1) % ring.size()]) <= graze_) return true;
            return false;
        };
        std::vector<std::pair<Point, Point>> kept;
        for (const auto &piece : pieces_) {
            if (!kept.empty() && alongEdge(detail::Middle(kept.back().second, piece.first)))
                kept.back().second = piece.second;
            else
                kept.push_back(piece);
        }
        pieces_.swap(kept);
    }

    /// Steps made so far on the current line.
    std::size_t lineSteps_ = 0;
    std::vector<detail::StepEnd> line_;
    std::vector<Point> images_;

    /// The map-view images of points in grid space, in one batch; a point without one becomes
    /// not finite.
    void Images(std::vector<Point> &points) const {
        const coordkit::CoordSystem &grid = platform::Deref(gridSystem_);
        const coordkit::CoordTransform &T = *T_;
        const std::int32_t space = gridSpace_;
        detail::ApplyEach(points, [&grid, &T, space](Point *p, std::size_t count) {
            grid.ConvertPoints(space, coordkit::kStorage, p, count);
            T.Transform(p, count, 1);
        });
    }

    /// b moved by whole turns to within half a turn of a, when map-view x is a longitude.
    Point Near(Point b, const Point &a) const noexcept {
        if (mapViewLongitudes_) {
            if (b.x - a.x > 180.0) b.x -= detail::kDegreesPerTurn;
            if (b.x - a.x < -180.0) b.x += detail::kDegreesPerTurn;
        }
        return b;
    }

    /// Halves the piece's steps (grid space) where their chords in the map view stray more than
    /// the tolerance from the line, within the line's budget of steps. A step whose ends or
    /// middle have no image is kept as it is.
    void Refine() {
        const std::size_t count = piece_.size();
        lineSteps_ += count > 0 ? count - 1 : 0;
        if (tolerance_ <= 0.0 || count < 2) return;
        detail::LineRefiner r;
        r.tolerance = tolerance_;
        r.budget = lineSteps_ < detail::kMaxStepsPerLine ? detail::kMaxStepsPerLine - lineSteps_ : 0;
        r.judge = [this](const std::vector<detail::StepEnd> &ps, const std::vector<detail::StepEnd> &qs,
                         std::vector<detail::StepEnd> &mids, std::vector<double> &deviations) {
            images_.clear();
            for (std::size_t k = 0; k < ps.size(); ++k)
                images_.push_back(detail::Middle(ps[k].at, qs[k].at));
            Images(images_);
            for (std::size_t k = 0; k < ps.size(); ++k) {
                mids[k].at = detail::Middle(ps[k].at, qs[k].at);
                mids[k].drawn = Near(images_[k], ps[k].drawn);
                deviations[k] =
                    detail::ChordDeviation(ps[k].drawn, mids[k].drawn, Near(qs[k].drawn, ps[k].drawn));
            }
        };
        images_ = piece_.Vector();
        Images(images_);
        line_.clear();
        for (std::size_t k = 0; k < count; ++k)
            line_.push_back({piece_.Vector()[k], images_[k], Point()});
        detail::RefineLine(r, line_, nullptr);
        piece_.Clear();
        for (const detail::StepEnd &e : line_)
            piece_.Add(e.at);
        lineSteps_ += piece_.size() - count;
    }

    /// One piece of the grid line `value` from A to B (A before B along the line): A, the stroke
    /// points of every cell centred in it at spacing d, every cell boundary, B; converted to the
    /// grid system's storage units and added to the builder as one polyline.
    void BuildPiece(bool vertical, double value, const Point &A, const Point &B, double cellInterval) {
        const auto at = [vertical, value](double along) {
            return vertical ? Point(value, along) : Point(along, value);
        };
        const double end = vertical ? B.y : B.x;
        piece_.Add(A);
        double c = vertical ? A.y : A.x;
        trace_ = "Processing Grid Cell (Horizontal)";
        while (c < end) {
            double next = detail::FindNextInterval(reporter_, c, cellInterval);
            if (end < next) next = end;
            // The stepping reports its own failures and then answers 0; never go backwards.
            if (!(next > c))
                RaiseOwn("The next grid value does not advance along the line", "Create_Gridlines");
            const double cell = next - c;
            if (cell > d_) {
                const std::int32_t m = platform::CLng(platform::Int(platform::Div(cell, d_)));
                const double off = (cell - static_cast<double>(m) * d_) / 2.0;
                for (std::int32_t j = 0; j <= m; ++j)
                    piece_.Add(at(c + off + static_cast<double>(j) * d_));
            }
            c = next;
            if (c < end) piece_.Add(at(c));
        }
        piece_.Add(B);
        Refine();

        // Back to storage units in one batch; a conversion that moves the line off its constant
        // coordinate means the grid is not straight in storage units and needs its strokes.
        const double f = vertical ? A.x : A.y;
        platform::Deref(gridSystem_)
            .ConvertPoints(gridSpace_, coordkit::kStorage, piece_.data(), piece_.size());
        if (!lineMoved) {
            for (const Point &p : piece_) {
                if ((vertical ? p.x : p.y) != f) {
                    lineMoved = true;
                    break;
                }
            }
        }
        builder.AddPolyline(piece_.Count(), piece_);
        added_ = platform::Add32(added_, 1);
        piece_.Clear();
    }
};

} // namespace

namespace detail {

GridlineResult MakeGridlines(const Reporter &reporter, const GridlineInputs &in, GridNeatline &w,
                             std::string &trace, std::int32_t &RetVal) {
    const IntersectionGrid grid{reporter, in.gridSystem, in.intervalsType, in.pointTolerance};
    GridlineBuilder lines(reporter, in.gridSystem, w.gridSpace, in.interval, in.strokeDistance, trace);
    if (in.strokeTolerance > 0.0)
        lines.RefineSteps(in.strokeTolerance, in.mapViewLongitudes, platform::Deref(w.T));
    if (!w.hostVertices.empty())
        lines.IgnoreGrazes(kGrazeFraction * std::max(w.pMax.x - w.pMin.x, w.pMax.y - w.pMin.y),
                           platform::Deref(w.workingNeatline).Points().Vector());
    lines.StopAt(in.polarCap);
    GridSweep sweep(w, grid, kGridlineSweep, trace, RetVal);
    lines.builder.StartCollection();
    sweep.Axis(true, in.interval.x, in.gridOffset, in.skipInterval, lines);
    sweep.Axis(false, in.interval.y, in.gridOffset, in.skipInterval, lines);
    lines.builder.EndCollection();
    GridlineResult result;
    result.lineMoved = lines.lineMoved;
    result.closedRings = lines.closedRings;
    result.geometry = shapekit::As<shapekit::GeometryCollection>(lines.builder.GetGeometry());
    lines.builder.Reset();
    return result;
}

void CloseRings(shapekit::GeometryCollection &lines, const std::vector<std::int32_t> &positions) {
    for (const std::int32_t i : positions) {
        platform::Deref(lines.Item(i))
            .ForEachRun(shapekit::PointRunFunction([](Point *pts, std::size_t count) {
                if (count > 1) pts[count - 1] = pts[0];
            }));
    }
}

} // namespace detail

} // namespace parallo
