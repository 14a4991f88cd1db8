// The border rectangle around the neatline's map-view bounding box.
#include <gtest/gtest.h>

#include <array>
#include <limits>
#include <utility>
#include <vector>

#include "service/frame_fixture.h"

namespace {

using XY = std::vector<std::pair<double, double>>;

XY BorderOf(const parallo::ParalloCls &service) {
    XY out;
    for (const shapekit::Point &pt : service.BorderPolygon()->Points())
        out.emplace_back(pt.x, pt.y);
    return out;
}

TEST(Border, EachSideMovesByItsOwnOffsetAndAnOverflowKeepsTheLastBorder) {
    parallo::ParalloCls service;
    auto &s = parallo::detail::StateAccess::Of(service);
    frametest::ReportLog log;
    log.Attach(s);
    struct Case {
        std::array<double, 4> range;
        double left, bottom, right, top;
        XY expected;
    };
    // Outward for positive offsets; crossed offsets (third row) are stored as built.
    const Case cases[] = {
        {{{0, 0, 0, 0}}, 1, 2, 3, 4, {{-1, -2}, {-1, 4}, {3, 4}, {3, -2}, {-1, -2}}},
        {{{0, 0, 100, 50}}, 5, 6, 7, 8, {{-5, -6}, {-5, 58}, {107, 58}, {107, -6}, {-5, -6}}},
        {{{0, 0, 10, 10}}, -8, 0, -8, 0, {{8, 0}, {8, 10}, {2, 10}, {2, 0}, {8, 0}}}};
    for (const Case &c : cases) {
        s.NeatlineRangeMapView = c.range;
        service.SetBorderOffsetLeft(c.left);
        service.SetBorderOffsetBottom(c.bottom);
        service.SetBorderOffsetRight(c.right);
        service.SetBorderOffsetTop(c.top);
        service.CreateBorder();
        EXPECT_EQ(BorderOf(service), c.expected);
    }
    EXPECT_TRUE(log.reports.empty());

    const auto previous = service.BorderPolygon();
    s.NeatlineRangeMapView[2] = std::numeric_limits<double>::max();
    service.SetBorderOffsetRight(std::numeric_limits<double>::max());
    service.CreateBorder();
    EXPECT_EQ(service.BorderPolygon(), previous);
    ASSERT_EQ(log.reports.size(), 1u);
    EXPECT_EQ(log.reports[0].trace, "In CreateBorder");
    EXPECT_EQ(log.reports[0].title, "CreateBorder Error");
}

} // namespace
