// Corner labels on real PROJ systems, the collection every call starts afresh, and the failures
// of label generation: reported, never thrown, earlier results kept.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "parallo/coordkit_proj.h"
#include "parallo/parallo.h"
#include "support/frames.h"

namespace {

using parallo::GridLabel;
using parallo::LabelPartCls;
using parallo::ParalloCls;
using parallo_test::Frame;
using parallo_test::FrameSpec;
using parallo_test::MakeFrame;
using shapekit::Point;

constexpr double kUsFoot = 1200.0 / 3937.0;

void StyleLabels(ParalloCls &s, std::int32_t displayType, double offset) {
    const auto part = [](bool shown) {
        auto p = std::make_shared<LabelPartCls>();
        p->SetbDisplay(shown);
        return p;
    };
    s.SetLabelPartA(part(true));
    s.SetLabelPartB(part(true));
    s.SetLabelPartC(part(true));
    s.SetLabelPartD(part(false));
    s.SetLabelPartUnit(part(true));
    s.SetLabelPartHemisphere(part(true));
    s.SetbHemisphereAsSuffix(true);
    s.SetMagnitudeAB(5);
    s.SetMagnitudeBC(3);
    s.SetLabelDisplayType(displayType);
    s.SetEastingHemisphereLabel("E");
    s.SetWestingHemisphereLabel("W");
    s.SetNorthingHemisphereLabel("N");
    s.SetSouthingHemisphereLabel("S");
    s.SetUnitsOfMeasure(coordkit::CreateProjUnitsOfMeasure());
    s.SetLabelOffset(offset);
}

std::unique_ptr<Frame> CornerFrame(const FrameSpec &layout, std::int32_t displayType, double offset) {
    auto f = MakeFrame(layout);
    StyleLabels(f->service, displayType, offset);
    f->service.SetLabelType(parallo::PXltCorner);
    return f;
}

std::vector<std::int32_t> Axes(const ParalloCls &s) {
    std::vector<std::int32_t> axes;
    for (const auto &l : *s.LabelsCollection())
        axes.push_back(l->LabelAxis);
    return axes;
}

/// A neatline corner given in the frame's extents, in the map view.
Point CornerInMapView(const Frame &f, double x, double y) {
    const std::int32_t space = f.spec.geographicCorners ? coordkit::kGeographic : coordkit::kProjectionPlane;
    Point p(x, y, 0.0);
    f.neatlineSystem->ConvertPoint(space, coordkit::kStorage, p.x, p.y, p.z);
    auto mgr = coordkit::CreateProjCoordSystemsMgr(f.mapView);
    auto T = mgr->GetTransformService()->CreateSimpleTransFromCSMtoCS(*mgr, f.neatlineSystem);
    T->Transform(&p, 1, 1);
    return p;
}

// ---- corner labels ------------------------------------------------------------------------

TEST(GenCorners, EightLabelsInCornerOrderAtTheCorners) {
    const double O = 400.0;
    auto f = CornerFrame(parallo_test::UtmSheetOnWebMercator(), parallo::kExtentProjected, O);
    f->service.CreateLabels();
    EXPECT_TRUE(f->reports.empty()) << f->reports.front();
    EXPECT_EQ(Axes(f->service), (std::vector<std::int32_t>{3, 1, 0, 1, 0, 2, 3, 2}));

    const FrameSpec &sp = f->spec; // the frame's corners
    // Corner, X value, Y value, as the four corners come: lower left, upper left, upper right,
    // lower right; the X label before the Y label.
    const double corners[4][2] = {
        {sp.west, sp.south}, {sp.west, sp.north}, {sp.east, sp.north}, {sp.east, sp.south}};
    const auto &labels = *f->service.LabelsCollection();
    for (int c = 0; c < 4; ++c) {
        const Point map = CornerInMapView(*f, corners[c][0], corners[c][1]);
        const GridLabel &x = *labels.Item(2 * c + 1);
        const GridLabel &y = *labels.Item(2 * c + 2);
        SCOPED_TRACE("corner " + std::to_string(c + 1));
        EXPECT_EQ(x.LabelString, std::to_string(static_cast<long>(corners[c][0])) + "mE");
        EXPECT_EQ(y.LabelString, std::to_string(static_cast<long>(corners[c][1])) + "mN");
        // 1e-5 m: two runs of the same PROJ operation on the same point, at millions of metres.
        const double dy = x.LabelAxis == parallo::pxgrdNorth ? O : -O;
        const double dx = y.LabelAxis == parallo::pxgrdEast ? O : -O;
        EXPECT_NEAR(x.Origin->x, map.x, 1e-5);
        EXPECT_NEAR(x.Origin->y, map.y + dy, 1e-5);
        EXPECT_NEAR(y.Origin->x, map.x + dx, 1e-5);
        EXPECT_NEAR(y.Origin->y, map.y, 1e-5);
    }
    // Lower left, X label: text turned away from the west edge, hanging below the corner.
    EXPECT_EQ(labels.Item(1)->HorizontalJustification, 3);
    EXPECT_EQ(labels.Item(1)->VerticalJustification, 7);
    // Upper right, Y label: right of the east edge, hanging below the north edge's corner.
    EXPECT_EQ(labels.Item(6)->HorizontalJustification, 3);
    EXPECT_EQ(labels.Item(6)->VerticalJustification, 7);
}

TEST(GenCorners, SidesSwitchedOffGiveNoLabel) {
    auto f = CornerFrame(parallo_test::UtmSheetOnWebMercator(), parallo::kExtentProjected, 100.0);
    ParalloCls &s = f->service;
    s.SetPlaceLeftSideGridElements(false);
    s.SetPlaceTopSideGridElements(false);
    s.SetPlaceRightSideGridElements(false);
    s.SetPlaceBottomSideGridElements(false);
    s.CreateLabels();
    ASSERT_TRUE(s.LabelsCollection());
    EXPECT_EQ(s.LabelsCollection()->Count(), 0);

    s.SetPlaceTopSideGridElements(true);
    s.SetPlaceRightSideGridElements(true);
    s.CreateLabels();
    // Upper left X, upper right X and Y, lower right Y.
    EXPECT_EQ(Axes(s), (std::vector<std::int32_t>{0, 0, 2, 2}));
    EXPECT_TRUE(f->reports.empty());
}

TEST(GenCorners, ASecondCallStartsAFreshCollection) {
    auto f = CornerFrame(parallo_test::UtmSheetOnWebMercator(), parallo::kExtentProjected, 100.0);
    ParalloCls &s = f->service;
    s.CreateLabels();
    const auto first = s.LabelsCollection();
    ASSERT_EQ(first->Count(), 8);
    const std::string lastText = first->Item(8)->LabelString;
    const Point lastOrigin = *first->Item(8)->Origin;

    s.SetLabelOffset(900.0);
    s.CreateLabels();
    EXPECT_NE(s.LabelsCollection(), first);
    EXPECT_EQ(s.LabelsCollection()->Count(), 8);
    // The host's earlier collection is untouched.
    EXPECT_EQ(first->Count(), 8);
    EXPECT_EQ(first->Item(8)->LabelString, lastText);
    EXPECT_EQ(first->Item(8)->Origin->x, lastOrigin.x);
    EXPECT_EQ(s.LabelGeometry(), nullptr);
}

TEST(GenCorners, FeetSystemShowsItsCornersInFeet) {
    FrameSpec layout;
    layout.name = "ny-long-island-corners";
    layout.mapView = "EPSG:3857";
    layout.neatlineSystem = "EPSG:2263";
    layout.gridSystem = "EPSG:2263";
    layout.west = 295000.0;
    layout.south = 55000.0;
    layout.east = 305000.0;
    layout.north = 65000.0;
    layout.intervalX = layout.intervalY = 1000.0;
    auto f = CornerFrame(layout, parallo::kExtentProjected, 100.0);
    f->service.CreateLabels();
    EXPECT_TRUE(f->reports.empty()) << f->reports.front();
    const auto &labels = *f->service.LabelsCollection();
    ASSERT_EQ(labels.Count(), 8);
    const auto feet = [](double metres) {
        return std::to_string(static_cast<long>(std::floor(metres / kUsFoot + 0.5)));
    };
    EXPECT_EQ(labels.Item(1)->LabelString, feet(295000.0) + "ftUSE");
    EXPECT_EQ(labels.Item(2)->LabelString, feet(55000.0) + "ftUSN");
    EXPECT_EQ(labels.Item(5)->LabelString, feet(305000.0) + "ftUSE");
    // The position stays the corner itself.
    const Point map = CornerInMapView(*f, layout.west, layout.south);
    EXPECT_NEAR(labels.Item(1)->Origin->x, map.x, 1e-5);
    EXPECT_NEAR(labels.Item(1)->Origin->y, map.y - 100.0, 1e-5);
}

TEST(GenCorners, NoUnitsServiceNeededForCornerLabels) {
    auto f = CornerFrame(parallo_test::UtmSheetOnWebMercator(), parallo::kExtentProjected, 100.0);
    f->service.SetUnitsOfMeasure(nullptr);
    f->service.CreateLabels();
    EXPECT_TRUE(f->reports.empty()) << f->reports.front();
    ASSERT_EQ(f->service.LabelsCollection()->Count(), 8);
    EXPECT_EQ(f->service.LabelsCollection()->Item(1)->LabelString, "480000mE");
}

TEST(GenCorners, GeographicCornersInDegreesMinutesSeconds) {
    auto f = CornerFrame(parallo_test::GraticuleOnWebMercator(), parallo::kExtentGeographic, 2000.0);
    f->service.CreateLabels();
    EXPECT_TRUE(f->reports.empty()) << f->reports.front();
    const auto &labels = *f->service.LabelsCollection();
    ASSERT_EQ(labels.Count(), 8);
    EXPECT_EQ(labels.Item(1)->LabelString, "5°00'00\"E");
    EXPECT_EQ(labels.Item(2)->LabelString, "45°00'00\"N");
    EXPECT_EQ(labels.Item(5)->LabelString, "15°00'00\"E");
    EXPECT_EQ(labels.Item(6)->LabelString, "55°00'00\"N");
    EXPECT_EQ(labels.Item(6)->LabelStringUnit, "");
}

TEST(GenCorners, RetypedSystemsAreCopiesAndTheHostsSystemsKeepTheirStorage) {
    // Projected display of a geographic neatline system: the labels read a re-typed copy, and the
    // rotation compares a second copy typed as the extents; the host's systems stay geographic.
    auto f = CornerFrame(parallo_test::GraticuleOnWebMercator(), parallo::kExtentProjected, 2000.0);
    f->service.CreateLabels();
    EXPECT_TRUE(f->reports.empty()) << f->reports.front();
    EXPECT_EQ(f->neatlineSystem->BaseStorageType(), coordkit::kGeographicStorage);
    EXPECT_EQ(f->gridSystem->BaseStorageType(), coordkit::kGeographicStorage);
    EXPECT_EQ(f->service.LabelsCollection()->Count(), 8);

    f->service.SetLabelType(parallo::PXltEdge);
    f->service.CreateLabels();
    EXPECT_EQ(f->gridSystem->BaseStorageType(), coordkit::kGeographicStorage);
    EXPECT_GT(f->service.LabelsCollection()->Count(), 0);
}

// ---- failures ------------------------------------------------------------------------------

TEST(GenFailures, MissingGridSystemKeepsThePreviousLabels) {
    auto f = MakeFrame(parallo_test::UtmSheetOnWebMercator());
    StyleLabels(f->service, parallo::kExtentProjected, 100.0);
    f->service.CreateLabels();
    const auto previous = f->service.LabelsCollection();
    ASSERT_GT(previous->Count(), 0);

    f->service.SetGridCoordSystem(nullptr);
    std::int32_t ret = 7;
    f->service.CreateLabels(ret);
    ASSERT_EQ(f->reports.size(), 1u);
    EXPECT_EQ(f->reports[0],
              "Create_Labels Error | In Create_Labels | Object variable or With block variable not set");
    EXPECT_EQ(f->service.LabelsCollection(), previous);
    EXPECT_EQ(ret, 7);
}

TEST(GenFailures, ANonPositiveIntervalIsReportedNotLoopedOn) {
    for (double interval : {0.0, -1000.0}) {
        auto f = MakeFrame(parallo_test::UtmSheetOnWebMercator());
        StyleLabels(f->service, parallo::kExtentProjected, 100.0);
        f->service.SetInterval(std::make_shared<Point>(interval, 1000.0));
        f->service.CreateLabels();
        ASSERT_EQ(f->reports.size(), 1u);
        EXPECT_EQ(f->reports[0].rfind("Create_Labels Error | ", 0), 0u) << f->reports[0];
        EXPECT_EQ(f->service.LabelsCollection()->Count(), 0);
    }
}

TEST(GenFailures, MissingUnitsServiceStopsAtTheFirstProjectedLabel) {
    auto f = MakeFrame(parallo_test::UtmSheetOnWebMercator());
    StyleLabels(f->service, parallo::kExtentProjected, 100.0);
    f->service.SetUnitsOfMeasure(nullptr);
    f->service.CreateLabels();
    ASSERT_EQ(f->reports.size(), 1u);
    EXPECT_EQ(f->reports[0],
              "Create_Labels Error | Going to FormatLabel | Object variable or With block variable not set");
    EXPECT_EQ(f->service.LabelsCollection()->Count(), 0);
}

TEST(GenFailures, AGeographicGridNeedsNoUnitsService) {
    auto f = MakeFrame(parallo_test::GraticuleOnWebMercator());
    StyleLabels(f->service, parallo::kExtentGeographic, 100.0);
    f->service.SetUnitsOfMeasure(nullptr);
    std::int32_t ret = 0;
    f->service.CreateLabels(ret);
    EXPECT_TRUE(f->reports.empty());
    EXPECT_GT(f->service.LabelsCollection()->Count(), 0);
    EXPECT_EQ(ret, 1); // the last grid line met the neatline
}

TEST(GenFailures, ADisplayTypeWithoutTextNeverWritesIntoAnEarlierCollection) {
    auto f = MakeFrame(parallo_test::UtmSheetOnWebMercator());
    StyleLabels(f->service, parallo::kExtentProjected, 100.0);
    f->service.CreateLabels();
    const auto previous = f->service.LabelsCollection();
    const auto last = previous->Item(previous->Count());
    const std::string text = last->LabelString;
    const Point origin = *last->Origin;
    const auto axis = last->LabelAxis;

    // Display type 3 makes no label text: every label fails and is reported, none is made.
    f->service.SetLabelDisplayType(3);
    f->service.CreateLabels();
    EXPECT_FALSE(f->reports.empty());
    for (const auto &r : f->reports)
        EXPECT_TRUE(r.rfind("SplitUpLabel Error", 0) == 0 || r.rfind("Create_OneLabel Error", 0) == 0) << r;
    EXPECT_EQ(f->service.LabelsCollection()->Count(), 0);
    EXPECT_EQ(last->LabelString, text);
    EXPECT_EQ(last->Origin->x, origin.x);
    EXPECT_EQ(last->Origin->y, origin.y);
    EXPECT_EQ(last->LabelAxis, axis);
}

} // namespace
