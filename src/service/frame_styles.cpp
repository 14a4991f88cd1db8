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

namespace {

bool HasSubInterval(const PointPtr &p) { return p && p->x > 0.0 && p->y > 0.0; }

/// The grid of the service's frame, as the crossings read it.
FrameGrid GridOf(const ServiceState &s) {
    return FrameGrid{s.CoordSystemsMgr, s.GridCoordSystem, s.GridIntervalsType == 1};
}

/// The service's neatline as a ring with its side starts.
frame::NeatlineRing RingOf(const ServiceState &s) {
    return NeatlineRingOf(s.NeatlinePolygon, s.NeatlineStartTop, s.NeatlineStartRight, s.NeatlineStartBottom);
}

} // namespace

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
        const frame::NeatlineRing ring = RingOf(s);
        frame::FrameBarSettings settings;
        settings.dWidth = s.FrameBarWidth;
        settings.bCorners = s.bFrameBarCorners;
        settings.bNautical = HasSubInterval(s.FrameBarSubInterval);
        const Point interval = Deref(s.Interval);
        const Point subInterval = settings.bNautical ? *s.FrameBarSubInterval : Point();

        trace = "Finding where the grid lines meet the neatline";
        std::vector<frame::Crossing> crossings =
            GridCrossings(GridOf(s), ring, interval, frame::kRowInterval);
        if (settings.bNautical) {
            trace = "Finding where the sub-interval grid lines meet the neatline";
            const std::vector<frame::Crossing> fine =
                GridCrossings(GridOf(s), ring, subInterval, frame::kRowSubInterval);
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
        const frame::NeatlineRing ring = RingOf(s);
        const Point interval = Deref(s.Interval);

        trace = "Finding where the grid lines meet the neatline";
        std::vector<frame::Crossing> crossings =
            GridCrossings(GridOf(s), ring, interval, frame::kRowInterval);
        if (HasSubInterval(s.MinorTickInterval) && s.MinorTickLength > 0.0) {
            trace = "Finding where the minor grid lines meet the neatline";
            const Point minor = *s.MinorTickInterval;
            const std::vector<frame::Crossing> fine =
                GridCrossings(GridOf(s), ring, minor, frame::kRowSubInterval, &interval);
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
