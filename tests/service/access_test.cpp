// The property table of the service as the compiler sees it: which properties have a getter and
// which a setter, and of what type. A property assignable only by the host has no getter; a
// result has no setter. Checked at compile time; the test bodies only name the groups.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <type_traits>
#include <utility>

#include "parallo/parallo.h"

namespace {

using namespace parallo;
using PointPtr = std::shared_ptr<shapekit::Point>;
using PolygonPtr = std::shared_ptr<shapekit::PolygonGeometry>;
using CollectionPtr = std::shared_ptr<shapekit::GeometryCollection>;
using SystemPtr = std::shared_ptr<coordkit::CoordSystem>;
using PartPtr = std::shared_ptr<LabelPartCls>;

// For each property: HasGet_<Name>, HasSet_<Name>, and checks of the getter's type (exact,
// after removing reference and const) and of the setter's argument (callable with the type).
#define PARALLO_PROPERTY(Name, Type, get, set)                                                               \
    template <class T, class = void> struct HasGet_##Name : std::false_type {};                              \
    template <class T>                                                                                       \
    struct HasGet_##Name<T, std::void_t<decltype(std::declval<const T &>().Name())>> : std::true_type {};    \
    template <class T, class = void> struct HasSet_##Name : std::false_type {};                              \
    template <class T>                                                                                       \
    struct HasSet_##Name<T, std::void_t<decltype(std::declval<T &>().Set##Name(std::declval<Type>()))>>      \
        : std::true_type {};                                                                                 \
    template <class T, bool G> struct GetType_##Name : std::true_type {};                                    \
    template <class T>                                                                                       \
    struct GetType_##Name<T, true>                                                                           \
        : std::is_same<std::decay_t<decltype(std::declval<const T &>().Name())>, Type> {};                   \
    static_assert(HasGet_##Name<ParalloCls>::value == (get), #Name ": getter");                              \
    static_assert(HasSet_##Name<ParalloCls>::value == (set), #Name ": setter");                              \
    static_assert(GetType_##Name<ParalloCls, (get)>::value, #Name ": type");

constexpr bool Get = true;
constexpr bool NoGet = false;
constexpr bool Put = true; // Let or Set
constexpr bool NoPut = false;

PARALLO_PROPERTY(Status, std::int32_t, Get, NoPut)
PARALLO_PROPERTY(LabelPosition, pxgrdLabelPosition, NoGet, Put)
PARALLO_PROPERTY(LabelPositionRelativeToPoint, GridLabelPositionConstants, NoGet, Put)
PARALLO_PROPERTY(NeatlineStartTop, std::string, Get, NoPut)
PARALLO_PROPERTY(NeatlineStartRight, std::string, Get, NoPut)
PARALLO_PROPERTY(NeatlineStartBottom, std::string, Get, NoPut)
PARALLO_PROPERTY(GridOffset, PointPtr, Get, Put)
PARALLO_PROPERTY(bForceStroking, bool, Get, Put)
PARALLO_PROPERTY(bGeographicDDMMSS, bool, Get, Put)
PARALLO_PROPERTY(CoordSystemsMgr, std::shared_ptr<coordkit::CoordSystemsMgr>, NoGet, Put)
PARALLO_PROPERTY(UnitsOfMeasure, std::shared_ptr<coordkit::UnitsOfMeasure>, NoGet, Put)
PARALLO_PROPERTY(MapViewCoordSystem, SystemPtr, Get, Put)
PARALLO_PROPERTY(NeatlineCoordSystem, SystemPtr, Get, Put)
PARALLO_PROPERTY(GridCoordSystem, SystemPtr, Get, Put)
PARALLO_PROPERTY(NeatlineExtentsType, std::int32_t, NoGet, Put)
PARALLO_PROPERTY(NeatlineStrokeDistance, double, NoGet, Put)
PARALLO_PROPERTY(GridIntervalsType, std::int32_t, NoGet, Put)
PARALLO_PROPERTY(GridStrokeDistance, double, Get, Put)
PARALLO_PROPERTY(BorderOffsetRight, double, Get, Put)
PARALLO_PROPERTY(BorderOffsetLeft, double, Get, Put)
PARALLO_PROPERTY(BorderOffsetBottom, double, Get, Put)
PARALLO_PROPERTY(BorderOffsetTop, double, Get, Put)
PARALLO_PROPERTY(GridType, GridTypeConstants, Get, Put)
PARALLO_PROPERTY(TickLength, double, Get, Put)
PARALLO_PROPERTY(CrossLength, double, Get, Put)
PARALLO_PROPERTY(SkipInterval, PointPtr, Get, Put)
PARALLO_PROPERTY(Interval, PointPtr, Get, Put)
PARALLO_PROPERTY(NeatlinePolygon, PolygonPtr, Get, Put)
PARALLO_PROPERTY(BorderPolygon, PolygonPtr, Get, NoPut)
PARALLO_PROPERTY(Angle, double, Get, Put)
PARALLO_PROPERTY(NeatlineUpperRight, PointPtr, Get, Put)
PARALLO_PROPERTY(NeatlineLowerLeft, PointPtr, Get, Put)
PARALLO_PROPERTY(NeatlineLowerLeftInProjUnits, PointPtr, NoGet, Put)
PARALLO_PROPERTY(NeatlineUpperRightInProjUnits, PointPtr, NoGet, Put)
PARALLO_PROPERTY(NeatlineUpperLeftInProjUnits, PointPtr, NoGet, Put)
PARALLO_PROPERTY(NeatlineLowerRightInProjUnits, PointPtr, NoGet, Put)
PARALLO_PROPERTY(GridGeometry, CollectionPtr, Get, NoPut)
PARALLO_PROPERTY(CrossGeometry, CollectionPtr, Get, NoPut)
PARALLO_PROPERTY(LabelsCollection, std::shared_ptr<GridLabels>, Get, NoPut)
PARALLO_PROPERTY(LabelGeometry, CollectionPtr, Get, NoPut)
PARALLO_PROPERTY(LabelType, GridLabelTypeConstants, Get, Put)
PARALLO_PROPERTY(LabelDisplayType, std::int32_t, Get, Put)
PARALLO_PROPERTY(LabelColor, std::int32_t, Get, Put)
PARALLO_PROPERTY(LabelOffset, double, Get, Put)
PARALLO_PROPERTY(VerticalLabelOffset, double, Get, Put)
PARALLO_PROPERTY(LabelOrientation, GridLabelOrientationConstants, Get, Put)
PARALLO_PROPERTY(MagnitudeAB, std::int16_t, Get, Put)
PARALLO_PROPERTY(MagnitudeBC, std::int16_t, Get, Put)
PARALLO_PROPERTY(DecimalPlaces, std::int16_t, Get, Put)
PARALLO_PROPERTY(PlaceLeftSideGridElements, bool, NoGet, Put)
PARALLO_PROPERTY(PlaceTopSideGridElements, bool, NoGet, Put)
PARALLO_PROPERTY(PlaceRightSideGridElements, bool, NoGet, Put)
PARALLO_PROPERTY(PlaceBottomSideGridElements, bool, NoGet, Put)
PARALLO_PROPERTY(LabelPartA, PartPtr, Get, Put)
PARALLO_PROPERTY(LabelPartB, PartPtr, Get, Put)
PARALLO_PROPERTY(LabelPartC, PartPtr, Get, Put)
PARALLO_PROPERTY(LabelPartD, PartPtr, Get, Put)
PARALLO_PROPERTY(LabelPartUnit, PartPtr, Get, Put)
PARALLO_PROPERTY(LabelPartHemisphere, PartPtr, Get, Put)
PARALLO_PROPERTY(bHemisphereAsSuffix, bool, Get, Put)
PARALLO_PROPERTY(EastingHemisphereLabel, std::string, NoGet, Put)
PARALLO_PROPERTY(NorthingHemisphereLabel, std::string, NoGet, Put)
PARALLO_PROPERTY(WestingHemisphereLabel, std::string, NoGet, Put)
PARALLO_PROPERTY(SouthingHemisphereLabel, std::string, NoGet, Put)

#undef PARALLO_PROPERTY

// A label part can only be set to a label part: any other object is a type mismatch, here one
// the compiler reports, so the property can never hold something else.
static_assert(
    !std::is_invocable_v<decltype(&ParalloCls::SetLabelPartA), ParalloCls &, std::shared_ptr<StdFont>>,
    "a font is not a label part");
static_assert(
    !std::is_invocable_v<decltype(&ParalloCls::SetLabelPartA), ParalloCls &, std::shared_ptr<GridLabel>>,
    "a label is not a label part");

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

TEST(ServiceAccess, PropertyTableHoldsAtCompileTime) { SUCCEED(); }

TEST(ServiceAccess, SettersStoreAndGettersReturnTheValue) {
    ParalloCls service;
    service.SetbForceStroking(true);
    service.SetbGeographicDDMMSS(true);
    service.SetGridStrokeDistance(12.5);
    service.SetBorderOffsetRight(1.0);
    service.SetBorderOffsetLeft(2.0);
    service.SetBorderOffsetBottom(3.0);
    service.SetBorderOffsetTop(4.0);
    service.SetGridType(PXgtTicksAndCrosses);
    service.SetTickLength(5.0);
    service.SetCrossLength(6.0);
    service.SetAngle(-0.25);
    service.SetLabelType(PXltCorner);
    service.SetLabelDisplayType(1);
    service.SetLabelColor(0xFF00FF);
    service.SetLabelOffset(7.0);
    service.SetVerticalLabelOffset(8.0);
    service.SetLabelOrientation(PXloPerpendicular);
    service.SetMagnitudeAB(3);
    service.SetMagnitudeBC(-1);
    service.SetDecimalPlaces(32767);
    service.SetbHemisphereAsSuffix(true);
    EXPECT_TRUE(service.bForceStroking());
    EXPECT_TRUE(service.bGeographicDDMMSS());
    EXPECT_EQ(service.GridStrokeDistance(), 12.5);
    EXPECT_EQ(service.BorderOffsetRight(), 1.0);
    EXPECT_EQ(service.BorderOffsetLeft(), 2.0);
    EXPECT_EQ(service.BorderOffsetBottom(), 3.0);
    EXPECT_EQ(service.BorderOffsetTop(), 4.0);
    EXPECT_EQ(service.GridType(), PXgtTicksAndCrosses);
    EXPECT_EQ(service.TickLength(), 5.0);
    EXPECT_EQ(service.CrossLength(), 6.0);
    EXPECT_EQ(service.Angle(), -0.25);
    EXPECT_EQ(service.LabelType(), PXltCorner);
    EXPECT_EQ(service.LabelDisplayType(), 1);
    EXPECT_EQ(service.LabelColor(), 0xFF00FF);
    EXPECT_EQ(service.LabelOffset(), 7.0);
    EXPECT_EQ(service.VerticalLabelOffset(), 8.0);
    EXPECT_EQ(service.LabelOrientation(), PXloPerpendicular);
    EXPECT_EQ(service.MagnitudeAB(), 3);
    EXPECT_EQ(service.MagnitudeBC(), -1); // stored as given: accessors never validate
    EXPECT_EQ(service.DecimalPlaces(), 32767);
    EXPECT_TRUE(service.bHemisphereAsSuffix());
    EXPECT_EQ(service.Status(), 0);
}

} // namespace
