// A new service object: every number 0, every boolean false, every text empty, every reference
// unset, and the enumerations at their zero members.
#include <gtest/gtest.h>

#include "parallo/parallo.h"
#include "service/state.h"

namespace {

using namespace parallo;

TEST(ServiceDefaults, ReadableProperties) {
    const ParalloCls service;
    EXPECT_EQ(service.Status(), 0);
    EXPECT_EQ(service.NeatlineStartTop(), "0");
    EXPECT_EQ(service.NeatlineStartRight(), "0");
    EXPECT_EQ(service.NeatlineStartBottom(), "0");
    EXPECT_FALSE(service.bForceStroking());
    EXPECT_FALSE(service.bGeographicDDMMSS());
    EXPECT_FALSE(service.bHemisphereAsSuffix());
    EXPECT_EQ(service.GridStrokeDistance(), 0.0);
    EXPECT_EQ(service.BorderOffsetRight(), 0.0);
    EXPECT_EQ(service.BorderOffsetLeft(), 0.0);
    EXPECT_EQ(service.BorderOffsetBottom(), 0.0);
    EXPECT_EQ(service.BorderOffsetTop(), 0.0);
    EXPECT_EQ(service.GridType(), PXgtSimple);
    EXPECT_EQ(service.TickLength(), 0.0);
    EXPECT_EQ(service.CrossLength(), 0.0);
    EXPECT_EQ(service.Angle(), 0.0);
    EXPECT_EQ(service.LabelType(), PXltEdge);
    EXPECT_EQ(service.LabelDisplayType(), 0);
    EXPECT_EQ(service.LabelColor(), 0);
    EXPECT_EQ(service.LabelOffset(), 0.0);
    EXPECT_EQ(service.VerticalLabelOffset(), 0.0);
    EXPECT_EQ(service.LabelOrientation(), PXloParallelPerpendicular);
    EXPECT_EQ(service.MagnitudeAB(), 0);
    EXPECT_EQ(service.MagnitudeBC(), 0);
    EXPECT_EQ(service.DecimalPlaces(), 0);
}

TEST(ServiceDefaults, EveryReferenceUnset) {
    const ParalloCls service;
    EXPECT_EQ(service.GridOffset(), nullptr);
    EXPECT_EQ(service.SkipInterval(), nullptr);
    EXPECT_EQ(service.Interval(), nullptr);
    EXPECT_EQ(service.NeatlineLowerLeft(), nullptr);
    EXPECT_EQ(service.NeatlineUpperRight(), nullptr);
    EXPECT_EQ(service.MapViewCoordSystem(), nullptr);
    EXPECT_EQ(service.NeatlineCoordSystem(), nullptr);
    EXPECT_EQ(service.GridCoordSystem(), nullptr);
    EXPECT_EQ(service.NeatlinePolygon(), nullptr);
    EXPECT_EQ(service.BorderPolygon(), nullptr);
    EXPECT_EQ(service.GridGeometry(), nullptr);
    EXPECT_EQ(service.CrossGeometry(), nullptr);
    EXPECT_EQ(service.LabelsCollection(), nullptr);
    EXPECT_EQ(service.LabelGeometry(), nullptr);
    EXPECT_EQ(service.LabelPartA(), nullptr);
    EXPECT_EQ(service.LabelPartB(), nullptr);
    EXPECT_EQ(service.LabelPartC(), nullptr);
    EXPECT_EQ(service.LabelPartD(), nullptr);
    EXPECT_EQ(service.LabelPartUnit(), nullptr);
    EXPECT_EQ(service.LabelPartHemisphere(), nullptr);
}

// Properties without a getter and the private working fields, read behind the interface.
TEST(ServiceDefaults, WriteOnlyPropertiesAndWorkingFields) {
    ParalloCls service;
    const detail::ServiceState &s = detail::StateAccess::Of(service);
    EXPECT_EQ(s.LabelPosition, pxgrdLabelPosition_Outside);
    EXPECT_EQ(s.LabelPositionRelativeToPoint, PXloAbove);
    EXPECT_EQ(s.CoordSystemsMgr, nullptr);
    EXPECT_EQ(s.UnitsOfMeasure, nullptr);
    EXPECT_EQ(s.NeatlineExtentsType, 0);
    EXPECT_EQ(s.NeatlineStrokeDistance, 0.0);
    EXPECT_EQ(s.GridIntervalsType, 0);
    EXPECT_EQ(s.NeatlineLowerLeftInProjUnits, nullptr);
    EXPECT_EQ(s.NeatlineUpperRightInProjUnits, nullptr);
    EXPECT_EQ(s.NeatlineUpperLeftInProjUnits, nullptr);
    EXPECT_EQ(s.NeatlineLowerRightInProjUnits, nullptr);
    EXPECT_FALSE(s.PlaceLeftSideGridElements);
    EXPECT_FALSE(s.PlaceTopSideGridElements);
    EXPECT_FALSE(s.PlaceRightSideGridElements);
    EXPECT_FALSE(s.PlaceBottomSideGridElements);
    EXPECT_EQ(s.EastingHemisphereLabel, "");
    EXPECT_EQ(s.NorthingHemisphereLabel, "");
    EXPECT_EQ(s.WestingHemisphereLabel, "");
    EXPECT_EQ(s.SouthingHemisphereLabel, "");

    EXPECT_EQ(s.NeatlineLowerLeftMapView.x, 0.0);
    EXPECT_EQ(s.NeatlineLowerLeftMapView.y, 0.0);
    EXPECT_EQ(s.NeatlineUpperRightMapView.x, 0.0);
    EXPECT_EQ(s.NeatlineUpperRightMapView.y, 0.0);
    for (double v : s.NeatlineRangeMapView)
        EXPECT_EQ(v, 0.0);
    EXPECT_EQ(s.NeatlineStartTop, 0);
    EXPECT_EQ(s.NeatlineStartRight, 0);
    EXPECT_EQ(s.NeatlineStartBottom, 0);
    EXPECT_EQ(s.dPointTolerance, 0.0);
    EXPECT_FALSE(s.b180Crossed);
    EXPECT_EQ(s.XPositiveHemisphereLabel, "");
    EXPECT_EQ(s.XNegativeHemisphereLabel, "");
    EXPECT_EQ(s.YPositiveHemisphereLabel, "");
    EXPECT_EQ(s.YNegativeHemisphereLabel, "");
    EXPECT_EQ(s.UnitLabelText, "");
    EXPECT_EQ(s.CurrentLabel, nullptr);
    EXPECT_FALSE(static_cast<bool>(s.observer)); // failures stay silent until a host asks
}

TEST(ServiceDefaults, SideStartsReadAsDecimalText) {
    ParalloCls service;
    detail::ServiceState &s = detail::StateAccess::Of(service);
    s.NeatlineStartTop = 12;
    s.NeatlineStartRight = 23;
    s.NeatlineStartBottom = 32767;
    EXPECT_EQ(service.NeatlineStartTop(), "12");
    EXPECT_EQ(service.NeatlineStartRight(), "23");
    EXPECT_EQ(service.NeatlineStartBottom(), "32767"); // no sign space: plain decimal text
}

TEST(ServiceDefaults, EnumerationValues) {
    EXPECT_EQ(PXgtSimple, 0);
    EXPECT_EQ(PXgtTicks, 1);
    EXPECT_EQ(PXgtCrosses, 2);
    EXPECT_EQ(PXgtTicksAndCrosses, 3);
    EXPECT_EQ(PXloParallelPerpendicular, 0);
    EXPECT_EQ(PXloParallel, 1);
    EXPECT_EQ(PXloPerpendicular, 2);
    EXPECT_EQ(PXloAbove, 0);
    EXPECT_EQ(PXloBelow, 1);
    EXPECT_EQ(PXloCenter, 2);
    EXPECT_EQ(PXltEdge, 0);
    EXPECT_EQ(PXltCorner, 1);
    EXPECT_EQ(pxgrdFontType_Normal, 0);
    EXPECT_EQ(pxgrdFontType_Superscript, 1);
    EXPECT_EQ(pxgrdFontType_Subscript, 2);
    EXPECT_EQ(pxgrdNorth, 0);
    EXPECT_EQ(pxgrdWest, 1);
    EXPECT_EQ(pxgrdEast, 2);
    EXPECT_EQ(pxgrdSouth, 3);
    EXPECT_EQ(pxgrdLabelPosition_Outside, 0);
    EXPECT_EQ(pxgrdLabelPosition_Inside, 1);
    static_assert(sizeof(GridTypeConstants) == 4 && sizeof(pxgrdLabelAxis) == 4, "32-bit enumerations");
}

} // namespace
