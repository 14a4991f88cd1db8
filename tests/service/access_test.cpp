// A new service: its defaults, the promises its type makes, and how side starts read.
#include <gtest/gtest.h>

#include <cstdint>
#include <type_traits>
#include <utility>

#include "parallo/parallo.h"
#include "service/state.h"

namespace {

using namespace parallo;

// Generation methods never throw.
static_assert(noexcept(std::declval<ParalloCls &>().CreateNeatline()), "CreateNeatline");
static_assert(noexcept(std::declval<ParalloCls &>().CreateBorder()), "CreateBorder");
static_assert(noexcept(std::declval<ParalloCls &>().CreateLabels()), "CreateLabels");
static_assert(noexcept(std::declval<ParalloCls &>().CreateGridlines(std::declval<std::int32_t &>())),
              "CreateGridlines");
static_assert(noexcept(std::declval<ParalloCls &>().CreateTicksCrosses(std::declval<std::int32_t &>())),
              "CreateTicksCrosses");
static_assert(noexcept(std::declval<ParalloCls &>().CalcGridInterval(std::declval<std::int16_t &>(),
                                                                     std::declval<double &>())),
              "CalcGridInterval");
// The service is one host object: not copyable, movable.
static_assert(!std::is_copy_constructible_v<ParalloCls> && !std::is_copy_assignable_v<ParalloCls>,
              "no copies");
static_assert(std::is_nothrow_move_constructible_v<ParalloCls> &&
                  std::is_nothrow_move_assignable_v<ParalloCls>,
              "moves");

TEST(ServiceDefaults, NumbersZeroReferencesUnsetObserverSilent) {
    ParalloCls service;
    EXPECT_EQ(service.Status(), 0);
    EXPECT_EQ(service.NeatlineStartTop(), "0");
    EXPECT_FALSE(service.bForceStroking());
    EXPECT_EQ(service.GridStrokeDistance(), 0.0);
    EXPECT_EQ(service.GridType(), PXgtSimple);
    EXPECT_EQ(service.LabelType(), PXltEdge);
    EXPECT_EQ(service.LabelOrientation(), PXloParallelPerpendicular);
    EXPECT_EQ(service.DecimalPlaces(), 0);
    EXPECT_EQ(service.Interval(), nullptr);
    EXPECT_EQ(service.GridCoordSystem(), nullptr);
    EXPECT_EQ(service.NeatlinePolygon(), nullptr);
    EXPECT_EQ(service.LabelsCollection(), nullptr);
    EXPECT_EQ(service.LabelPartA(), nullptr);
    // Properties without a getter and the working fields, read behind the interface.
    const detail::ServiceState &s = detail::StateAccess::Of(service);
    EXPECT_EQ(s.LabelPosition, pxgrdLabelPosition_Outside);
    EXPECT_EQ(s.LabelPositionRelativeToPoint, PXloAbove);
    EXPECT_EQ(s.CoordSystemsMgr, nullptr);
    EXPECT_EQ(s.NeatlineStrokeDistance, 0.0);
    EXPECT_FALSE(s.PlaceLeftSideGridElements);
    EXPECT_EQ(s.dPointTolerance, 0.0);
    EXPECT_FALSE(s.b180Crossed);
    EXPECT_EQ(s.CurrentLabel, nullptr);
    EXPECT_FALSE(static_cast<bool>(s.observer)); // failures stay silent until a host asks
}

TEST(ServiceDefaults, SideStartsReadAsPlainDecimalText) {
    ParalloCls service;
    detail::ServiceState &s = detail::StateAccess::Of(service);
    s.NeatlineStartTop = 12;
    s.NeatlineStartRight = 23;
    s.NeatlineStartBottom = 32767;
    EXPECT_EQ(service.NeatlineStartTop(), "12");
    EXPECT_EQ(service.NeatlineStartRight(), "23");
    EXPECT_EQ(service.NeatlineStartBottom(), "32767"); // no sign space
}

} // namespace
