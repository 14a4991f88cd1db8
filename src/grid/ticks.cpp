// Ticks and crosses: short marks where the grid lines meet the neatline, drawn inward along the
// grid line, and small crosses at the interior grid intersections, turned by the grid convergence
// and placed in map-view coordinates.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "grid/ticks.h"

#include "geometry/geometry.h"
#include "grid/polar.h"
#include "grid/sweep.h"
#include "intervals/intervals.h"
#include "parallo/planicalc.h"
#include "platform/angles.h"
#include "platform/numbers.h"

namespace parallo {

namespace {

using detail::PointPtr;
using shapekit::Point;

/// Whether two doubles are the very same value (0 and -0 are not).
bool SameBits(double a, double b) {
    std::uint64_t x = 0;
    std::uint64_t y = 0;
    std::memcpy(&x, &a, sizeof x);
    std::memcpy(&y, &b, sizeof y);
    return x == y;
}

/// Two cross centres in map-view units closer than this in x and in y are the same centre.
constexpr double kCentreMatch = 0.0001;

/// The walk of ticks and crosses: no marks on a line along any edge of the frame.
constexpr detail::SweepRules kTickSweep{"CreateTicksCrosses",        detail::SweepEdges::Excluded,
                                        /*duplicatesByAngle=*/false, /*traceStart=*/true,
                                        /*traceSkip=*/true,          /*traceSortOnVerticals=*/false};

/// The ticks and crosses of one CreateTicksCrosses call.
class TickRun final : public detail::SweepVisitor {
public:
    TickRun(const detail::Reporter &reporter, const detail::TickInputs &in, detail::GridNeatline &w,
            std::string &t)
        : reporter_(reporter), in_(in), w_(w), trace(t), frame_{reporter, in.mapView, in.intervalsType} {}

    /// The ticks, and the crosses when they are asked for.
    std::shared_ptr<shapekit::GeometryCollection> ticks;
    std::shared_ptr<shapekit::GeometryCollection> crosses;

    /// Runs the two passes of the sweep and collects the marks into ticks and crosses.
    void Passes(detail::GridSweep &sweep) {
        tickBuilder.StartCollection();
        if (in_.makeCrosses) {
            north_.clear();
            south_.clear();
            centre_.clear();
            crossBuilder.StartCollection();
            PrepareMemo();
        }
        polar.SetCoordSystem(in_.mapView);
        polar.SetOption(1);

        sweep.Axis(true, in_.interval.x, in_.gridOffset, in_.skipInterval, *this);
        if (in_.makeCrosses) {
            confirmed_.assign(centre_.size(), 0);
            byX_.resize(centre_.size());
            for (std::size_t i = 0; i < byX_.size(); ++i)
                byX_[i] = i;
            std::stable_sort(byX_.begin(), byX_.end(),
                             [this](std::size_t a, std::size_t b) { return centre_[a].x < centre_[b].x; });
        }
        sweep.Axis(false, in_.interval.y, in_.gridOffset, in_.skipInterval, *this);
        tickBuilder.EndCollection();

        if (in_.makeCrosses) {
            // Vertical arms of the confirmed crosses, after every horizontal arm.
            for (std::size_t i = 0; i < centre_.size(); ++i) {
                if (confirmed_[i]) crossBuilder.AddLine(north_[i], south_[i]);
            }
            crossBuilder.EndCollection();
            crosses = shapekit::As<shapekit::GeometryCollection>(crossBuilder.GetGeometry());
            crossBuilder.Reset();
            north_.clear();
            south_.clear();
            centre_.clear();
        }
        ticks = shapekit::As<shapekit::GeometryCollection>(tickBuilder.GetGeometry());
        tickBuilder.Reset();
    }

private:
    const detail::Reporter &reporter_;
    const detail::TickInputs &in_;
    detail::GridNeatline &w_;
    std::string &trace;
    const detail::AngleFrame frame_;
    const double pi = platform::kPi;
    shapekit::GeometryBuilder tickBuilder;
    shapekit::GeometryBuilder crossBuilder;
    shapekit::PolarCalculator polar;
    double dAngleDelta_ = 0.0;
    /// Whether the line being marked is vertical (constant x).
    bool vertical_ = false;
    /// GridTurned: each tick goes by the side of the frame it stands on.
    const bool turned_ = detail::GridTurned(w_, in_.mapRing, in_.mapViewGeographic, in_.geographicExtents);

    /// Whether an arm's end lies inside the frame in the map view. On a turned frame the ends
    /// of a piece say nothing about up and down in the map view: the frame itself decides.
    bool WithinFrame(const Point &p) const { return detail::StrictlyInside(in_.mapRing, p, 0.0); }

    /// Whether a frame point of the meridian through p lies within the polar cap that stops it.
    bool CappedAway(bool vertical, const Point &p) const {
        return vertical && w_.pole != 0 && in_.polarCap.Stops(p.x, in_.interval.x) &&
               std::fabs(p.y) >= in_.polarCap.latitude;
    }

    bool PlacedSide(std::int32_t side) const {
        return (side == pxgrdNorth && in_.place.top) || (side == pxgrdSouth && in_.place.bottom) ||
               (side == pxgrdWest && in_.place.left) || (side == pxgrdEast && in_.place.right);
    }

    /// The convergence found at one grid intersection.
    struct Remembered {
        double x = 0.0; ///< the grid point it was found at
        double y = 0.0;
        double angleDelta = 0.0;
        bool kept = false;
    };
    std::vector<Remembered> memo_;
    double memoX0_ = 0.0;
    double memoY0_ = 0.0;
    std::size_t memoColumns_ = 0;
    std::size_t memoRows_ = 0;

    /// The slot of the grid intersection nearest p, or null outside the memory.
    Remembered *MemoSlot(const Point &p) {
        const Point &interval = in_.interval;
        const double column = std::nearbyint(p.x / interval.x) - memoX0_;
        const double row = std::nearbyint(p.y / interval.y) - memoY0_;
        const bool inside = column >= 0.0 && column < static_cast<double>(memoColumns_) && row >= 0.0 &&
                            row < static_cast<double>(memoRows_);
        if (!inside) return nullptr;
        return &memo_[static_cast<std::size_t>(row) * memoColumns_ + static_cast<std::size_t>(column)];
    }

    // Crosses recorded by the vertical pass: grid-north arm end, grid-south arm end, centre (map
    // view), and whether the horizontal pass reached the same centre.
    std::vector<Point> north_;
    std::vector<Point> south_;
    std::vector<Point> centre_;
    std::vector<char> confirmed_;
    std::vector<std::size_t> byX_; ///< positions of centre_ in increasing x

    // The points of one grid line in grid space, and the same in the map view:
    // for each piece its two ends followed by its cross centres.
    std::vector<Point> grid_;
    std::vector<Point> map_;
    std::vector<double> storageX_;
    std::vector<std::size_t> pieceStart_;

    /// Ticks at both ends of every piece of a grid line, and the crosses along the pieces.
    void Line(const detail::SweepLine &line) override {
        // Crosses only on lines strictly inside the range: a line on the frame's edge has none.
        const bool crossesHere = in_.makeCrosses && line.lines.lo < line.value && line.value < line.lines.hi;
        MarksOfLine(line, crossesHere);
    }

    /// Ticks and crosses of one grid line: ticks at both ends of every piece, crosses along it.
    void MarksOfLine(const detail::SweepLine &line, bool crossesHere) {
        const bool vertical = line.lines.vertical;
        vertical_ = vertical;
        const double value = line.value;
        const std::int32_t pieces = line.Pieces();
        if (pieces == 0) return;
        const Point &interval = in_.interval;
        const double cellInterval = vertical ? interval.y : interval.x;

        // Gather every point of the line first, so that the whole line goes to the map view in
        // one conversion and one transformation.
        grid_.clear();
        pieceStart_.clear();
        for (std::int32_t k = 1; k <= pieces; ++k) {
            const Point &A = line.points.Item(2 * k - 1);
            const Point &B = line.points.Item(2 * k);
            pieceStart_.push_back(grid_.size());
            // Tick bases exactly on the grid value (the intersection may miss it by a rounding).
            grid_.push_back(vertical ? Point(value, A.y, 0.0) : Point(A.x, value, 0.0));
            grid_.push_back(vertical ? Point(value, B.y, 0.0) : Point(B.x, value, 0.0));
            if (crossesHere)
                CrossCentres(vertical, value, vertical ? A.y : A.x, vertical ? B.y : B.x, cellInterval);
        }
        pieceStart_.push_back(grid_.size());
        ToMapView();

        for (std::size_t k = 0; k + 1 < pieceStart_.size(); ++k) {
            const std::size_t first = pieceStart_[k];
            const std::size_t last = pieceStart_[k + 1];
            if (vertical) trace = "Processing Intersection Points (Vertical)";
            double lowEdge = 0.0;  // map-view y of the SOUTH base, or x of the WEST base
            double highEdge = 0.0; // map-view y of the NORTH base, or x of the EAST base
            if (vertical) {
                trace = "Setting Tick on SOUTH Edge";
                lowEdge = Tick(first, 0.0, in_.place.bottom).y;
                trace = "Setting Tick on NORTH Edge";
                highEdge = Tick(first + 1, -pi, in_.place.top).y;
            } else {
                trace = "Setting Tick on WEST Edge";
                lowEdge = Tick(first, pi / 2.0, in_.place.left).x;
                trace = "Setting Tick on EAST Edge";
                highEdge = Tick(first + 1, -pi / 2.0, in_.place.right).x;
            }
            for (std::size_t c = first + 2; c < last; ++c) {
                trace = "Setting Cross";
                if (vertical)
                    VerticalArm(c, lowEdge, highEdge);
                else
                    HorizontalArm(c, lowEdge, highEdge);
            }
        }
    }

    /// The cross centres along one piece from `from` to `to` (along the line): every grid value
    /// of the other axis above `from` and below `to`, except the skip values.
    void CrossCentres(bool vertical, double value, double from, double to, double cellInterval) {
        const bool geographic = in_.intervalsType == 1;
        const Point &skip = platform::Deref(in_.skipInterval);
        const double skipAlong = vertical ? skip.y : skip.x;
        double along = detail::FindNextInterval(reporter_, from, cellInterval);
        while (detail::ThisValLessThanLimit(reporter_, geographic, along, to)) {
            double next = detail::FindNextInterval(reporter_, along, cellInterval);
            if (to < next) next = to;
            if (!detail::IsASkipInterval(reporter_, geographic, along, skipAlong))
                grid_.push_back(vertical ? Point(value, along, 0.0) : Point(along, value, 0.0));
            // The stepping answers 0 after a reported failure; never step backwards.
            if (!(next > along)) break;
            along = next;
        }
    }

    /// map_ := grid_ converted to storage units and transformed to the map view.
    void ToMapView() {
        map_.assign(grid_.begin(), grid_.end());
        platform::Deref(in_.gridSystem)
            .ConvertPoints(w_.gridSpace, coordkit::kStorage, map_.data(), map_.size());
        if (in_.continuousLongitudes) {
            storageX_.resize(map_.size());
            for (std::size_t i = 0; i < map_.size(); ++i)
                storageX_[i] = map_[i].x;
        }
        platform::Deref(w_.T).Transform(map_.data(), map_.size(), 1);
        if (in_.continuousLongitudes) {
            for (std::size_t i = 0; i < map_.size(); ++i) {
                const double turns = std::nearbyint((storageX_[i] - map_[i].x) / detail::kDegreesPerTurn);
                map_[i].x += turns * detail::kDegreesPerTurn;
            }
        }
    }

    /// The azimuth of grid north in the map view at grid point i of the line.
    /// Points east of the 180° meridian carry longitudes beyond π after the shift; GetAzimuths
    /// takes them back by whole turns itself.
    void Convergence(std::size_t i) {
        double unusedParallelDelta = 0.0;
        detail::GetAzimuths(frame_, in_.workingGrid, grid_[i], dAngleDelta_, unusedParallelDelta, false);
    }

    /// Convergence at the cross centre i. Both passes visit every grid intersection, so the
    /// vertical pass keeps what it found and the horizontal pass takes it when it meets the same
    /// grid point again (the very same doubles). Only results found without any report are kept,
    /// so the values and the reports are those a fresh computation gives.
    void CentreConvergence(std::size_t i, bool vertical) {
        const Point &p = grid_[i];
        Remembered *slot = memo_.empty() ? nullptr : MemoSlot(p);
        if (!vertical && slot != nullptr && slot->kept && SameBits(slot->x, p.x) && SameBits(slot->y, p.y)) {
            dAngleDelta_ = slot->angleDelta;
            return;
        }
        const std::uint64_t reportsBefore = reporter_.Reports();
        Convergence(i);
        if (vertical && slot != nullptr && reporter_.Reports() == reportsBefore)
            *slot = Remembered{p.x, p.y, dAngleDelta_, true};
    }

    /// Sizes the convergence memory to the grid intersections of the range, one slot per pair of
    /// whole multiples of the interval; left empty when the range would need too many.
    void PrepareMemo() {
        memo_.clear();
        memoColumns_ = 0;
        memoRows_ = 0;
        const Point &interval = in_.interval;
        const double x0 = std::floor(w_.pMin.x / interval.x) - 1.0;
        const double y0 = std::floor(w_.pMin.y / interval.y) - 1.0;
        const double columns = std::ceil(w_.pMax.x / interval.x) - x0 + 2.0;
        const double rows = std::ceil(w_.pMax.y / interval.y) - y0 + 2.0;
        // Within the line budget a range has some 16 000 intersections; more means the range is
        // not what the budget let through, and the passes simply compute every convergence.
        constexpr double kMostSlots = 1 << 20;
        if (!(columns > 0.0 && rows > 0.0 && columns * rows <= kMostSlots)) return;
        memoX0_ = x0;
        memoY0_ = y0;
        memoColumns_ = static_cast<std::size_t>(columns);
        memoRows_ = static_cast<std::size_t>(rows);
        memo_.assign(memoColumns_ * memoRows_, Remembered{});
    }

    /// The tick at the piece end i, turned by `offset` from grid north into the neatline; drawn
    /// when ticks are asked for and `place` allows this side. Returns its base in the map view.
    Point Tick(std::size_t i, double offset, bool place) {
        // Around a pole a piece may end on the seam or at the pole, which are no part of the frame.
        if (!detail::OnFrame(w_, vertical_, grid_[i], detail::kSeamTolerance) ||
            CappedAway(vertical_, grid_[i]))
            return map_[i];
        if (turned_) place = PlacedSide(detail::FrameSide(in_.mapRing, map_[i]));
        Convergence(i);
        const Point base = map_[i];
        Point end;
        polar.SetStart(base);
        polar.PolarPoint(in_.tickLength, dAngleDelta_ + offset, end);
        if (in_.drawTicks && place) tickBuilder.AddLine(base, end);
        return base;
    }

    /// Records the grid-north/grid-south arm of the cross at centre i when both ends fall
    /// strictly between the piece's SOUTH and NORTH ends.
    void VerticalArm(std::size_t i, double southY, double northY) {
        CentreConvergence(i, true);
        const Point C = map_[i];
        Point N;
        Point S;
        polar.SetStart(C);
        polar.PolarPoint(in_.crossLength / 2.0, dAngleDelta_, N);
        if (turned_ ? !WithinFrame(N) : N.y >= northY) return;
        polar.PolarPoint(in_.crossLength / 2.0, dAngleDelta_ - pi, S);
        if (turned_ ? !WithinFrame(S) : S.y <= southY) return;
        north_.push_back(N);
        south_.push_back(S);
        centre_.push_back(C);
    }

    /// Completes the cross at centre i: when its grid-east/grid-west arm fits strictly between
    /// the piece's WEST and EAST ends and the vertical pass recorded the same centre, the arm is
    /// drawn and the recorded vertical arm confirmed.
    void HorizontalArm(std::size_t i, double westX, double eastX) {
        CentreConvergence(i, false);
        const Point C = map_[i];
        Point Ea;
        Point Wa;
        polar.SetStart(C);
        polar.PolarPoint(in_.crossLength / 2.0, dAngleDelta_ + pi / 2.0, Ea);
        if (turned_ ? !WithinFrame(Ea) : Ea.x >= eastX) return;
        polar.PolarPoint(in_.crossLength / 2.0, dAngleDelta_ - pi / 2.0, Wa);
        if (turned_ ? !WithinFrame(Wa) : Wa.x <= westX) return;
        const std::size_t match = RecordedCentre(C);
        if (match == centre_.size()) return;
        confirmed_[match] = 1;
        crossBuilder.AddLine(Ea, Wa);
    }

    /// The first recorded centre (in recording order) within kCentreMatch of C in x and in y, or
    /// centre_.size() when there is none.
    std::size_t RecordedCentre(const Point &C) const {
        // Candidates come from the x-sorted positions, in a window a little wider than the
        // match so that rounding at its edge cannot lose one; the exact test decides.
        const auto first = std::lower_bound(byX_.begin(), byX_.end(), C.x - 2.0 * kCentreMatch,
                                            [this](std::size_t p, double x) { return centre_[p].x < x; });
        std::size_t best = centre_.size();
        for (auto it = first; it != byX_.end() && centre_[*it].x <= C.x + 2.0 * kCentreMatch; ++it) {
            const Point &c = centre_[*it];
            if (std::fabs(c.x - C.x) < kCentreMatch && std::fabs(c.y - C.y) < kCentreMatch && *it < best)
                best = *it;
        }
        return best;
    }
};

} // namespace

namespace detail {

TickMarks MakeTicksCrosses(const Reporter &reporter, const TickInputs &in, GridNeatline &w,
                           std::string &trace, std::int32_t &RetVal) {
    const IntersectionGrid intersections{reporter, in.gridSystem, in.intervalsType, in.pointTolerance};
    GridSweep sweep(w, intersections, kTickSweep, trace, RetVal);
    TickRun run(reporter, in, w, trace);
    run.Passes(sweep);
    return TickMarks{run.ticks, run.crosses};
}

} // namespace detail

} // namespace parallo
