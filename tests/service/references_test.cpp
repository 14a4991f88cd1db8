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

    interval->x = 250.0; // no SetInterval again
    EXPECT_EQ(service.Interval().get(), interval.get());
    service.Set_DefaultStrokingGrid(stroke);
    EXPECT_EQ(stroke, 25.0);
}

TEST(ServiceReferences, PointPropertiesReturnTheHostsObject) {
    ParalloCls service;
    auto lowerLeft = std::make_shared<Point>(1.0, 2.0);
    auto upperRight = std::make_shared<Point>(3.0, 4.0);
    auto offset = std::make_shared<Point>();
    auto skip = std::make_shared<Point>();
    service.SetNeatlineLowerLeft(lowerLeft);
    service.SetNeatlineUpperRight(upperRight);
    service.SetGridOffset(offset);
    service.SetSkipInterval(skip);
    EXPECT_EQ(service.NeatlineLowerLeft(), lowerLeft);
    EXPECT_EQ(service.NeatlineUpperRight(), upperRight);
    EXPECT_EQ(service.GridOffset(), offset);
    EXPECT_EQ(service.SkipInterval(), skip);
    service.NeatlineLowerLeft()->y = 9.0; // through the getter: the host's point itself
    EXPECT_EQ(lowerLeft->y, 9.0);
    service.SetGridOffset(nullptr); // a reference can be unset again
    EXPECT_EQ(service.GridOffset(), nullptr);
    EXPECT_EQ(offset.use_count(), 1);
}

TEST(ServiceReferences, CoordSystemsAndPolygonAreStoredByIdentity) {
    ParalloCls service;
    auto mapView = parallo_test::MakeIdentitySystem();
    auto grid = parallo_test::MakeRotatedSystem(0.5);
    auto polygon = std::make_shared<shapekit::PolygonGeometry>();
    service.SetMapViewCoordSystem(mapView);
    service.SetNeatlineCoordSystem(mapView); // one system may serve in two roles
    service.SetGridCoordSystem(grid);
    service.SetNeatlinePolygon(polygon);
    EXPECT_EQ(service.MapViewCoordSystem(), mapView);
    EXPECT_EQ(service.NeatlineCoordSystem(), mapView);
    EXPECT_EQ(service.GridCoordSystem(), grid);
    EXPECT_EQ(service.NeatlinePolygon(), polygon);

    auto manager = parallo_test::MakeManager(mapView);
    service.SetCoordSystemsMgr(manager);
    EXPECT_EQ(detail::StateAccess::Of(service).CoordSystemsMgr, manager);
}

TEST(ServiceReferences, LabelPartsSharingOneFontSeeItsChanges) {
    ParalloCls service;
    auto font = std::make_shared<StdFont>();
    font->Name = "Serif";
    auto partA = std::make_shared<LabelPartCls>();
    auto partB = std::make_shared<LabelPartCls>();
    partA->SetFont(font);
    partB->SetFont(font);
    service.SetLabelPartA(partA);
    service.SetLabelPartB(partB);

    font->Size = 14.0;
    font->Bold = true;
    EXPECT_EQ(service.LabelPartA()->Font()->Size, 14.0);
    EXPECT_TRUE(service.LabelPartB()->Font()->Bold);

    partA->SetbDisplay(true); // the part itself is shared with the host too
    partA->SetFontType(pxgrdFontType_Superscript);
    EXPECT_TRUE(service.LabelPartA()->bDisplay());
    EXPECT_EQ(service.LabelPartA()->FontType(), pxgrdFontType_Superscript);

    // One part object may stand for several parts.
    service.SetLabelPartUnit(partA);
    service.SetLabelPartHemisphere(partA);
    service.SetLabelPartC(partB);
    service.SetLabelPartD(partB);
    EXPECT_EQ(service.LabelPartUnit(), service.LabelPartHemisphere());
    EXPECT_EQ(service.LabelPartD(), partB);
}

TEST(ServiceReferences, ServiceReleasesWhatItHeldWhenDestroyed) {
    auto interval = std::make_shared<Point>(1.0, 1.0);
    auto part = std::make_shared<LabelPartCls>();
    {
        ParalloCls service;
        service.SetInterval(interval);
        service.SetLabelPartA(part);
        EXPECT_EQ(interval.use_count(), 2);
    }
    EXPECT_EQ(interval.use_count(), 1);
    EXPECT_EQ(part.use_count(), 1);
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
