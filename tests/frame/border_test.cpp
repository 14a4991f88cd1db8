// The border rectangle around the neatline's map-view bounding box.
#include <gtest/gtest.h>

#include <limits>
#include <utility>
#include <vector>

#include "frame/frame_fixture.h"
#include "support/coordkit_double.h"

namespace {

using frametest::P;
using shapekit::Point;
using XY = std::vector<std::pair<double, double>>;

XY BorderOf(const parallo::ParalloCls &service) {
    XY out;
    for (const Point &pt : service.BorderPolygon()->Points())
        out.emplace_back(pt.x, pt.y);
    return out;
}

struct Border : ::testing::Test {
    parallo::ParalloCls service;
    parallo::detail::ServiceState &s = parallo::detail::StateAccess::Of(service);
    std::vector<std::string> titles;
    void SetUp() override {
        service.SetErrorObserver(
            [this](const std::string &, const std::string &trace, const std::string &title) {
                titles.push_back(title);
                EXPECT_EQ(trace, "In CreateBorder");
            });
    }
    void Offsets(double left, double bottom, double right, double top) {
        service.SetBorderOffsetLeft(left);
        service.SetBorderOffsetBottom(bottom);
        service.SetBorderOffsetRight(right);
        service.SetBorderOffsetTop(top);
    }
};

TEST_F(Border, EachSideMovesOutByItsOwnOffset) {
    Offsets(1, 2, 3, 4); // without a neatline the border surrounds the origin
    service.CreateBorder();
    EXPECT_EQ(BorderOf(service), (XY{{-1, -2}, {-1, 4}, {3, 4}, {3, -2}, {-1, -2}}));
    s.NeatlineRangeMapView = {{0, 0, 100, 50}};
    Offsets(5, 6, 7, 8);
    std::int32_t retVal = 3;
    service.CreateBorder(retVal);
    EXPECT_EQ(retVal, 3);
    ASSERT_TRUE(service.BorderPolygon());
    EXPECT_EQ(BorderOf(service), (XY{{-5, -6}, {-5, 58}, {107, 58}, {107, -6}, {-5, -6}}));
    EXPECT_TRUE(titles.empty());
}

TEST_F(Border, ZeroOffsetsGiveTheNeatlinesBoxNotTheNeatline) {
    // A rotated neatline: its box is larger than the polygon, and the border is that box.
    auto system = parallo_test::MakeIdentitySystem();
    auto rotated = parallo_test::MakeRotatedSystem(0.3);
    s.NeatlineCoordSystem = system;
    s.CoordSystemsMgr = parallo_test::MakeManager(rotated);
    s.NeatlineLowerLeft = P(0, 0);
    s.NeatlineUpperRight = P(100, 100);
    service.CreateNeatline();
    service.CreateBorder();
    const auto &r = s.NeatlineRangeMapView;
    EXPECT_EQ(BorderOf(service), (XY{{r[0], r[1]}, {r[0], r[3]}, {r[2], r[3]}, {r[2], r[1]}, {r[0], r[1]}}));
    EXPECT_GT(r[2] - r[0], 100.0 + 1.0); // wider than the square itself
}

TEST_F(Border, CrossedOffsetsAreStoredAsBuilt) {
    s.NeatlineRangeMapView = {{0, 0, 10, 10}};
    Offsets(-8, 0, -8, 0);
    service.CreateBorder();
    EXPECT_EQ(BorderOf(service), (XY{{8, 0}, {8, 10}, {2, 10}, {2, 0}, {8, 0}}));
}

TEST_F(Border, OverflowKeepsThePreviousBorder) {
    s.NeatlineRangeMapView = {{0, 0, 10, 10}};
    service.CreateBorder();
    const auto previous = service.BorderPolygon();
    Offsets(0, 0, std::numeric_limits<double>::max(), 0);
    s.NeatlineRangeMapView[2] = std::numeric_limits<double>::max();
    service.CreateBorder();
    EXPECT_EQ(service.BorderPolygon(), previous);
    ASSERT_EQ(titles.size(), 1u);
    EXPECT_EQ(titles[0], "CreateBorder Error");
}

} // namespace
