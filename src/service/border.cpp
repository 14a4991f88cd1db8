// The border: a second frame outside the neatline, an axis-parallel rectangle in map-view units
// around the neatline's bounding box, each side at its own offset.
#include <array>
#include <memory>
#include <string>

#include "platform/numbers.h"
#include "service/state.h"

namespace parallo {

using platform::Add;
using platform::Sub;

namespace detail {
namespace {

void CreateBorder(ServiceState &s) noexcept {
    std::string trace = "In CreateBorder";
    try {
        // A positive offset moves its side outwards, a negative one inwards; nothing keeps the
        // sides in order, a crossed border is stored as built.
        const std::array<double, 4> &range = s.NeatlineRangeMapView;
        const auto left = [&] { return Sub(range[0], s.BorderOffsetLeft); };
        const auto bottom = [&] { return Sub(range[1], s.BorderOffsetBottom); };
        const auto right = [&] { return Add(range[2], s.BorderOffsetRight); };
        const auto top = [&] { return Add(range[3], s.BorderOffsetTop); };

        // From the lower-left corner up the left side and on clockwise, the first corner again
        // at the end.
        shapekit::PointsCollection ring;
        ring.Add(Point(left(), bottom()));
        ring.Add(Point(left(), top()));
        ring.Add(Point(right(), top()));
        ring.Add(Point(right(), bottom()));
        ring.Add(Point(left(), bottom()));

        shapekit::GeometryBuilder builder;
        builder.BuildPolygon(5, ring, false);
        auto polygon = shapekit::As<shapekit::PolygonGeometry>(builder.GetGeometry());
        builder.Reset();
        ring.Clear();

        s.BorderPolygon = polygon;
        builder.Reset();
    } catch (...) {
        s.ReportError(DescribeCurrentException(), trace, "CreateBorder Error");
    }
}

} // namespace
} // namespace detail

void ParalloCls::CreateBorder(std::int32_t &) noexcept { detail::CreateBorder(*d_); }

void ParalloCls::CreateBorder() noexcept { detail::CreateBorder(*d_); }

} // namespace parallo
