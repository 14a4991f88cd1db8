// The service keeps the host's objects, never copies: a later change the host makes to a point,
// a font or a label part it handed in is what the next call sees.
#include <gtest/gtest.h>

#include <memory>
#include <utility>

#include "parallo/parallo.h"
#include "service/state.h"
#include "support/coordkit_double.h"

namespace {

using namespace parallo;
using shapekit::Point;

TEST(ServiceReferences, IntervalChangedByTheHostIsSeenByTheNextCall) {
    ParalloCls service;
    auto interval = std::make_shared<Point>(1000.0, 500.0);
    service.SetInterval(interval);
    double stroke = -1.0;
    service.Set_DefaultStrokingGrid(stroke);
    EXPECT_EQ(stroke, 100.0); // a tenth of the x interval
    interval->x = 250.0;      // no SetInterval again
    service.Set_DefaultStrokingGrid(stroke);
    EXPECT_EQ(stroke, 25.0);
}

TEST(ServiceReferences, HostObjectsAreStoredByIdentityAndReleased) {
    auto lowerLeft = std::make_shared<Point>(1.0, 2.0);
    auto mapView = parallo_test::MakeIdentitySystem();
    auto font = std::make_shared<StdFont>();
    auto part = std::make_shared<LabelPartCls>();
    part->SetFont(font);
    {
        ParalloCls service;
        service.SetNeatlineLowerLeft(lowerLeft);
        service.SetMapViewCoordSystem(mapView);
        service.SetNeatlineCoordSystem(mapView); // one system may serve in two roles
        service.SetLabelPartA(part);
        service.SetLabelPartUnit(part); // one part object may stand for several parts
        auto manager = parallo_test::MakeManager(mapView);
        service.SetCoordSystemsMgr(manager);
        EXPECT_EQ(detail::StateAccess::Of(service).CoordSystemsMgr, manager);

        service.NeatlineLowerLeft()->y = 9.0; // through the getter: the host's point itself
        EXPECT_EQ(lowerLeft->y, 9.0);
        EXPECT_EQ(service.NeatlineCoordSystem(), mapView);
        font->Size = 14.0; // a later change to the host's font is seen through the part
        EXPECT_EQ(service.LabelPartUnit()->Font()->Size, 14.0);
        part->SetFontType(pxgrdFontType_Superscript);
        EXPECT_EQ(service.LabelPartA()->FontType(), pxgrdFontType_Superscript);
        service.SetNeatlineLowerLeft(nullptr); // a reference can be unset again
        EXPECT_EQ(service.NeatlineLowerLeft(), nullptr);
        EXPECT_EQ(lowerLeft.use_count(), 1);
    }
    EXPECT_EQ(part.use_count(), 1); // the destroyed service released what it held
}

TEST(ServiceReferences, MovedServiceKeepsItsStateAndTheSourceStaysUsable) {
    ParalloCls first;
    auto interval = std::make_shared<Point>(40.0, 0.0);
    first.SetInterval(interval);
    first.SetTickLength(3.0);

    ParalloCls second(std::move(first));
    EXPECT_EQ(second.Interval(), interval);
    EXPECT_EQ(second.TickLength(), 3.0);

    // A moved-from service reads as a new one and its methods still run without failing hard.
    EXPECT_EQ(first.Interval(), nullptr); // NOLINT(bugprone-use-after-move)
    EXPECT_EQ(first.TickLength(), 0.0);
    double stroke = 7.0;
    first.Set_DefaultStrokingGrid(stroke);
    EXPECT_EQ(stroke, 7.0);
    first.CreateBorder();

    ParalloCls third;
    third = std::move(second);
    EXPECT_EQ(third.Interval(), interval);
    EXPECT_EQ(third.TickLength(), 3.0);
    second.SetTickLength(1.0); // NOLINT(bugprone-use-after-move)
    EXPECT_EQ(second.TickLength(), 1.0);
}

} // namespace
