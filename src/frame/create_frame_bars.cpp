// The frame styles on the service: frame bars and frame ticks from the neatline and the places
// where the grid values change along it, with their properties.
#include <algorithm>
#include <cmath>
#include <initializer_list>
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

/// The whole number nearest to value / step.
std::int64_t GridIndex(double value, double step) {
    const double q = platform::Div(value, step);
    if (!(std::fabs(q) < 9.0e15)) Raise(kOverflow, "CreateFrameBars");
    return static_cast<std::int64_t>(std::llround(q));
}

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

bool HasSubInterval(const PointPtr &p) { return p && p->x > 0.0 && p->y > 0.0; }

/// A grid coordinate within this fraction of an interval of a grid value lies on it: the round
/// trip to the map view and back moves a point on a side of constant x or y by far less, and a
/// line along a side must not seem to cross it at every wiggle.
constexpr double kOnGridValue = 1e-7;

constexpr std::int64_t kCrossingBudget = 1000000;

} // namespace

std::vector<frame::Crossing> GridCrossings(const ServiceState &s, const frame::NeatlineRing &ring,
                                           const Point &interval, frame::FrameRow row,
                                           const Point *leaveOutMultiplesOf) {
    if (!(interval.x > 0.0 && interval.y > 0.0)) Raise(kInvalidProcedureCall, "CreateFrameBars");
    const coordkit::CoordSystemsMgr &manager = Deref(s.CoordSystemsMgr);
    const std::shared_ptr<coordkit::TransformService> transformer = manager.GetTransformService();
    const std::shared_ptr<coordkit::CoordTransform> toGrid =
        Deref(transformer).CreateSimpleTransFromCSMtoCS(manager, s.GridCoordSystem);
    const coordkit::CoordSystem &grid = Deref(s.GridCoordSystem);
    const bool geographic = s.GridIntervalsType == 1;
    const std::int32_t space = geographic ? coordkit::kGeographic : coordkit::kProjectionPlane;

    std::size_t n = ring.points.size();
    if (n >= 2 && ring.points[n - 1].x == ring.points[0].x && ring.points[n - 1].y == ring.points[0].y) --n;
    std::vector<Point> g(ring.points.begin(), ring.points.begin() + static_cast<std::ptrdiff_t>(n));
    Deref(toGrid).Transform(g.data(), g.size(), 0);
    const double steps[2] = {interval.x, interval.y};
    const double twoPi = 2.0 * std::acos(-1.0);
    for (std::size_t i = 0; i < n; ++i) {
        Point &p = g[i];
        grid.ConvertPoint(coordkit::kStorage, space, p.x, p.y, p.z);
        // Longitudes run on across the 180° meridian, so that each edge is the short way round.
        if (geographic && i > 0) p.x += twoPi * std::round((g[i - 1].x - p.x) / twoPi);
        double *coords[2] = {&p.x, &p.y};
        for (int axis = 0; axis < 2; ++axis) {
            const double on = static_cast<double>(GridIndex(*coords[axis], steps[axis])) * steps[axis];
            if (std::fabs(*coords[axis] - on) <= kOnGridValue * steps[axis]) *coords[axis] = on;
        }
    }

    // A crossing on a corner belongs to neither side: a stroked ring may repeat its corners, so
    // the corner test is one of distance, at the tolerance of the frame module.
    double scale = 0.0;
    for (const Point &p : ring.points)
        scale = std::max({scale, std::fabs(p.x), std::fabs(p.y)});
    const double cornerTolerance = 1e-9 * std::max(scale, RingExtent(ring));
    const auto atCorner = [&](const Point &p, std::size_t k) {
        for (std::size_t corner : {ring.sideStart[k], k < 3 ? ring.sideStart[k + 1] : ring.sideStart[0]}) {
            const Point &c = ring.points[corner];
            if (std::hypot(p.x - c.x, p.y - c.y) <= cornerTolerance) return true;
        }
        return false;
    };

    std::vector<frame::Crossing> crossings;
    // Grid values looked at over the whole ring: a frame with a hundred thousand crossings is no
    // map any more, and a mistaken interval must not run for hours.
    std::int64_t budget = kCrossingBudget;
    for (std::size_t k = 0; k < 4; ++k) {
        const std::size_t from = ring.sideStart[k];
        const std::size_t to = k < 3 ? ring.sideStart[k + 1] : ring.sideStart[0] + n;
        for (std::size_t i = from; i < to; ++i) {
            const std::size_t i0 = i % n;
            const std::size_t i1 = (i + 1) % n;
            // The end of the closing edge is the first vertex, one turn further east or west.
            double endX = g[i1].x;
            if (geographic && i1 < i0) endX += twoPi * std::round((g[i0].x - endX) / twoPi);
            const double a[2] = {g[i0].x, g[i0].y};
            const double b[2] = {endX, g[i1].y};
            for (int axis = 0; axis < 2; ++axis) {
                if (a[axis] == b[axis]) continue;
                const double step = steps[axis];
                const double lo = std::min(a[axis], b[axis]);
                const double hi = std::max(a[axis], b[axis]);
                const std::int64_t first = GridIndex(lo, step) - 1;
                const std::int64_t last = GridIndex(hi, step) + 1;
                budget -= last - first;
                if (budget < 0) RaiseOwn("The interval is too small for the frame", "CreateFrameBars");
                for (std::int64_t m = first; m <= last; ++m) {
                    const double v = static_cast<double>(m) * step;
                    // Half open in the direction of travel: a value on a vertex belongs to the edge
                    // that ends there, not to both.
                    const bool inside =
                        a[axis] < b[axis] ? (a[axis] < v && v <= b[axis]) : (b[axis] <= v && v < a[axis]);
                    if (!inside) continue;
                    double value = v;
                    if (geographic && axis == 0) value -= twoPi * std::round(value / twoPi);
                    const std::int64_t index = GridIndex(value, step);
                    if (leaveOutMultiplesOf) {
                        const double ratio =
                            platform::Div(static_cast<double>(index) * step,
                                          axis == 0 ? leaveOutMultiplesOf->x : leaveOutMultiplesOf->y);
                        if (std::fabs(ratio - std::round(ratio)) <= 1e-9 * std::max(1.0, std::fabs(ratio)))
                            continue;
                    }
                    const double t = (v - a[axis]) / (b[axis] - a[axis]);
                    const Point &p0 = ring.points[i0];
                    const Point &p1 = ring.points[i1];
                    frame::Crossing c;
                    c.side = static_cast<frame::FrameSide>(k);
                    c.point = Point(p0.x + t * (p1.x - p0.x), p0.y + t * (p1.y - p0.y));
                    c.index = index;
                    c.row = row;
                    if (!atCorner(c.point, k)) crossings.push_back(c);
                }
            }
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

void CreateFrameBars(ServiceState &s, std::int32_t &RetVal) noexcept {
    std::string trace = "In CreateFrameBars";
    RetVal = 0;
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
        std::vector<frame::Crossing> crossings = GridCrossings(s, ring, interval, frame::kRowInterval);
        if (settings.bNautical) {
            trace = "Finding where the sub-interval grid lines meet the neatline";
            const std::vector<frame::Crossing> fine =
                GridCrossings(s, ring, subInterval, frame::kRowSubInterval);
            crossings.insert(crossings.end(), fine.begin(), fine.end());
        }

        if (!crossings.empty()) RetVal = 1;
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
        RetVal = -1;
        s.ReportError(DescribeCurrentException(), trace, "CreateFrameBars Error");
    }
}

void CreateFrameTicks(ServiceState &s, std::int32_t &RetVal) noexcept {
    std::string trace = "In CreateFrameTicks";
    RetVal = 0;
    try {
        trace = "Reading the neatline";
        const frame::NeatlineRing ring = ServiceNeatlineRing(s);
        const Point interval = Deref(s.Interval);

        trace = "Finding where the grid lines meet the neatline";
        std::vector<frame::Crossing> crossings = GridCrossings(s, ring, interval, frame::kRowInterval);
        if (HasSubInterval(s.MinorTickInterval) && s.MinorTickLength > 0.0) {
            trace = "Finding where the minor grid lines meet the neatline";
            const Point minor = *s.MinorTickInterval;
            const std::vector<frame::Crossing> fine =
                GridCrossings(s, ring, minor, frame::kRowSubInterval, &interval);
            crossings.insert(crossings.end(), fine.begin(), fine.end());
        }

        if (!crossings.empty()) RetVal = 1;
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
        RetVal = -1;
        s.ReportError(DescribeCurrentException(), trace, "CreateFrameTicks Error");
    }
}

} // namespace detail

void ParalloCls::CreateFrameBars(std::int32_t &RetVal) noexcept { detail::CreateFrameBars(*d_, RetVal); }
void ParalloCls::CreateFrameTicks(std::int32_t &RetVal) noexcept { detail::CreateFrameTicks(*d_, RetVal); }

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
