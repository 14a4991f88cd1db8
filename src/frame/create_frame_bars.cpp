// The frame styles on the service: frame bars and frame ticks from the neatline and the grid
// lines the service makes, with their properties.
#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <utility>

#include "frame/bars.h"
#include "frame/crossings.h"
#include "parallo/parallo.h"
#include "platform/numbers.h"
#include "service/state.h"

namespace parallo {

using platform::Deref;

namespace detail {

frame::NeatlineRing ServiceNeatlineRing(const ServiceState &s) {
    const shapekit::PolygonGeometry &polygon = Deref(s.NeatlinePolygon);
    frame::NeatlineRing ring;
    ring.points = polygon.Points().Vector();
    if (ring.points.size() != 5) {
        const std::int16_t top = s.NeatlineStartTop;
        const std::int16_t right = s.NeatlineStartRight;
        const std::int16_t bottom = s.NeatlineStartBottom;
        if (top < 2 || right <= top || bottom <= right) Raise(kInvalidProcedureCall, "CreateFrameBars");
        ring.sideStart = {{0, static_cast<std::size_t>(top - 1), static_cast<std::size_t>(right - 1),
                           static_cast<std::size_t>(bottom - 1)}};
    }
    return ring;
}

namespace {

/// Puts back what a borrowed CreateGridlines run changes on the service.
class GridlineRunGuard {
public:
    explicit GridlineRunGuard(ServiceState &s)
        : s_(s), interval_(s.Interval), skip_(s.SkipInterval), grid_(s.GridGeometry),
          neatline_(s.NeatlinePolygon), tolerance_(s.dPointTolerance), crossed_(s.b180Crossed) {}
    ~GridlineRunGuard() {
        s_.Interval = std::move(interval_);
        s_.SkipInterval = std::move(skip_);
        s_.GridGeometry = std::move(grid_);
        s_.NeatlinePolygon = std::move(neatline_);
        s_.dPointTolerance = tolerance_;
        s_.b180Crossed = crossed_;
    }
    GridlineRunGuard(const GridlineRunGuard &) = delete;
    GridlineRunGuard &operator=(const GridlineRunGuard &) = delete;

private:
    ServiceState &s_;
    PointPtr interval_;
    PointPtr skip_;
    std::shared_ptr<shapekit::GeometryCollection> grid_;
    std::shared_ptr<shapekit::PolygonGeometry> neatline_;
    double tolerance_;
    bool crossed_;
};

double RingExtent(const frame::NeatlineRing &ring) {
    double minX = ring.points.front().x, maxX = minX, minY = ring.points.front().y, maxY = minY;
    for (const Point &p : ring.points) {
        minX = std::min(minX, p.x);
        maxX = std::max(maxX, p.x);
        minY = std::min(minY, p.y);
        maxY = std::max(maxY, p.y);
    }
    return std::max(maxX - minX, maxY - minY);
}

/// The whole number nearest to value / step.
std::int64_t GridIndex(double value, double step) {
    const double q = platform::Div(value, step);
    if (!(std::fabs(q) < 9.0e15)) Raise(kOverflow, "CreateFrameBars");
    return static_cast<std::int64_t>(std::llround(q));
}

bool HasSubInterval(const PointPtr &p) { return p && p->x > 0.0 && p->y > 0.0; }

} // namespace

std::vector<frame::Crossing> GridCrossings(ParalloCls &service, const frame::NeatlineRing &ring,
                                           const Point &interval, frame::FrameRow row, std::int32_t &RetVal,
                                           const Point *leaveOutMultiplesOf) {
    ServiceState &s = StateAccess::Of(service);
    std::vector<frame::Crossing> crossings;
    std::shared_ptr<shapekit::GeometryCollection> lines;
    {
        GridlineRunGuard guard(s);
        s.Interval = std::make_shared<Point>(interval);
        s.SkipInterval = std::make_shared<Point>(0.0, 0.0);
        const std::uint64_t reportsBefore = s.reportsMade;
        service.CreateGridlines(RetVal);
        if (s.reportsMade != reportsBefore)
            RaiseOwn("The grid lines at the frame's interval could not be made", "CreateFrameBars");
        lines = s.GridGeometry;
    }

    const coordkit::CoordSystemsMgr &manager = Deref(s.CoordSystemsMgr);
    const std::shared_ptr<coordkit::TransformService> transformer = manager.GetTransformService();
    const std::shared_ptr<coordkit::CoordTransform> toGrid =
        Deref(transformer).CreateSimpleTransFromCSMtoCS(manager, s.GridCoordSystem);
    const coordkit::CoordSystem &grid = Deref(s.GridCoordSystem);
    const std::int32_t space = s.GridIntervalsType == 1 ? coordkit::kGeographic : coordkit::kProjectionPlane;
    // A piece ends on the neatline as the grid system sees it; in the map view its end may lie off
    // the ring's straight chords by the bend of the edge between two neatline vertices.
    const double accept = 1e-6 * RingExtent(ring);

    for (const std::shared_ptr<shapekit::Geometry> &item : Deref(lines)) {
        const shapekit::PolylineGeometry &piece = *shapekit::As<shapekit::PolylineGeometry>(item);
        const shapekit::PointsCollection &pts = piece.Points();
        if (pts.Count() < 2) continue;
        const Point ends[2] = {pts.Item(1), pts.Item(pts.Count())};
        Point inGrid[2] = {ends[0], ends[1]};
        Deref(toGrid).Transform(inGrid, 2, 0);
        for (Point &p : inGrid)
            grid.ConvertPoint(coordkit::kStorage, space, p.x, p.y, p.z);
        // A line of constant x runs along y, and the other way round.
        const bool constantX = std::fabs(inGrid[1].x - inGrid[0].x) <= std::fabs(inGrid[1].y - inGrid[0].y);
        const std::int64_t index = constantX ? GridIndex((inGrid[0].x + inGrid[1].x) / 2.0, interval.x)
                                             : GridIndex((inGrid[0].y + inGrid[1].y) / 2.0, interval.y);
        if (leaveOutMultiplesOf) {
            const double ratio =
                platform::Div(static_cast<double>(index) * (constantX ? interval.x : interval.y),
                              constantX ? leaveOutMultiplesOf->x : leaveOutMultiplesOf->y);
            if (std::fabs(ratio - std::round(ratio)) <= 1e-9 * std::max(1.0, std::fabs(ratio))) continue;
        }
        for (const Point &end : ends) {
            const frame::RingPosition at = frame::NearestOnRing(ring, end);
            if (!(at.dDistance <= accept)) continue;
            frame::Crossing c;
            c.side = at.side;
            c.point = at.point;
            c.index = index;
            c.row = row;
            crossings.push_back(c);
        }
    }
    return crossings;
}

namespace {

std::shared_ptr<shapekit::GeometryCollection> TickLines(const std::vector<frame::FrameTick> &ticks,
                                                        frame::FrameRow row) {
    auto lines = std::make_shared<shapekit::GeometryCollection>();
    for (const frame::FrameTick &t : ticks) {
        if (t.row == row) lines->Add(std::make_shared<shapekit::LineGeometry>(t.start, t.end));
    }
    return lines;
}

} // namespace

void CreateFrameBars(ParalloCls &service, std::int32_t &RetVal) noexcept {
    ServiceState &s = StateAccess::Of(service);
    std::string trace = "In CreateFrameBars";
    try {
        trace = "Reading the neatline";
        const frame::NeatlineRing ring = ServiceNeatlineRing(s);
        frame::FrameBarSettings settings;
        settings.dWidth = s.FrameBarWidth;
        settings.bCorners = s.bFrameBarCorners;
        settings.bNautical = HasSubInterval(s.FrameBarSubInterval);
        const Point interval = Deref(s.Interval);
        const Point subInterval = settings.bNautical ? *s.FrameBarSubInterval : Point();

        trace = "Finding where the grid lines meet the neatline";
        std::vector<frame::Crossing> crossings =
            GridCrossings(service, ring, interval, frame::kRowInterval, RetVal);
        if (settings.bNautical) {
            trace = "Finding where the sub-interval grid lines meet the neatline";
            const std::vector<frame::Crossing> fine =
                GridCrossings(service, ring, subInterval, frame::kRowSubInterval, RetVal);
            crossings.insert(crossings.end(), fine.begin(), fine.end());
        }

        trace = "Building the frame bars";
        const std::vector<frame::FrameBar> bars = frame::CreateFrameBars(ring, crossings, settings);
        auto polygons = std::make_shared<shapekit::GeometryCollection>();
        std::vector<bool> fills;
        fills.reserve(bars.size());
        for (const frame::FrameBar &bar : bars) {
            auto polygon = std::make_shared<shapekit::PolygonGeometry>();
            polygon->Points().Vector() = bar.ring;
            polygons->Add(polygon);
            fills.push_back(bar.bFilled);
        }
        s.FrameBarGeometry = std::move(polygons);
        s.FrameBarFills = std::move(fills);
    } catch (...) {
        s.ReportError(DescribeCurrentException(), trace, "CreateFrameBars Error");
    }
}

void CreateFrameTicks(ParalloCls &service, std::int32_t &RetVal) noexcept {
    ServiceState &s = StateAccess::Of(service);
    std::string trace = "In CreateFrameTicks";
    try {
        trace = "Reading the neatline";
        const frame::NeatlineRing ring = ServiceNeatlineRing(s);
        const Point interval = Deref(s.Interval);

        trace = "Finding where the grid lines meet the neatline";
        std::vector<frame::Crossing> crossings =
            GridCrossings(service, ring, interval, frame::kRowInterval, RetVal);
        if (HasSubInterval(s.MinorTickInterval) && s.MinorTickLength > 0.0) {
            trace = "Finding where the minor grid lines meet the neatline";
            const Point minor = *s.MinorTickInterval;
            const std::vector<frame::Crossing> fine =
                GridCrossings(service, ring, minor, frame::kRowSubInterval, RetVal, &interval);
            crossings.insert(crossings.end(), fine.begin(), fine.end());
        }

        trace = "Building the frame ticks";
        frame::TickSettings major;
        major.dLength = s.TickLength;
        major.bOutward = s.bTicksOutward;
        frame::TickSettings minorTicks;
        minorTicks.dLength = s.MinorTickLength;
        minorTicks.bOutward = s.bMinorTicksOutward;
        const std::vector<frame::FrameTick> ticks =
            frame::CreateFrameTicks(ring, crossings, major, minorTicks);
        s.FrameTickGeometry = TickLines(ticks, frame::kRowInterval);
        s.MinorTickGeometry = TickLines(ticks, frame::kRowSubInterval);
    } catch (...) {
        s.ReportError(DescribeCurrentException(), trace, "CreateFrameTicks Error");
    }
}

} // namespace detail

void ParalloCls::CreateFrameBars(std::int32_t &RetVal) noexcept { detail::CreateFrameBars(*this, RetVal); }
void ParalloCls::CreateFrameTicks(std::int32_t &RetVal) noexcept { detail::CreateFrameTicks(*this, RetVal); }

double ParalloCls::FrameBarWidth() const noexcept { return d_->FrameBarWidth; }
void ParalloCls::SetFrameBarWidth(double value) noexcept { d_->FrameBarWidth = value; }
const ParalloCls::PointPtr &ParalloCls::FrameBarSubInterval() const noexcept {
    return d_->FrameBarSubInterval;
}
void ParalloCls::SetFrameBarSubInterval(PointPtr value) noexcept {
    d_->FrameBarSubInterval = std::move(value);
}
bool ParalloCls::bFrameBarCorners() const noexcept { return d_->bFrameBarCorners; }
void ParalloCls::SetbFrameBarCorners(bool value) noexcept { d_->bFrameBarCorners = value; }
bool ParalloCls::bTicksOutward() const noexcept { return d_->bTicksOutward; }
void ParalloCls::SetbTicksOutward(bool value) noexcept { d_->bTicksOutward = value; }
const ParalloCls::PointPtr &ParalloCls::MinorTickInterval() const noexcept { return d_->MinorTickInterval; }
void ParalloCls::SetMinorTickInterval(PointPtr value) noexcept { d_->MinorTickInterval = std::move(value); }
double ParalloCls::MinorTickLength() const noexcept { return d_->MinorTickLength; }
void ParalloCls::SetMinorTickLength(double value) noexcept { d_->MinorTickLength = value; }
bool ParalloCls::bMinorTicksOutward() const noexcept { return d_->bMinorTicksOutward; }
void ParalloCls::SetbMinorTicksOutward(bool value) noexcept { d_->bMinorTicksOutward = value; }
const ParalloCls::CollectionPtr &ParalloCls::FrameBarGeometry() const noexcept {
    return d_->FrameBarGeometry;
}
const std::vector<bool> &ParalloCls::FrameBarFills() const noexcept { return d_->FrameBarFills; }
const ParalloCls::CollectionPtr &ParalloCls::FrameTickGeometry() const noexcept {
    return d_->FrameTickGeometry;
}
const ParalloCls::CollectionPtr &ParalloCls::MinorTickGeometry() const noexcept {
    return d_->MinorTickGeometry;
}

} // namespace parallo
