// Label generation on real PROJ systems. Edge labels are checked against an independent reckoning
// of where every grid line crosses the neatline: one label per side and line, bottom then top per
// vertical line, left then right per horizontal line; its value is the line's grid value in the
// grid's own unit; its origin lies LabelOffset outward from the crossing. Then corner labels and
// the failures: reported, never thrown, no earlier collection written into.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "grid/prepare.h"
#include "parallo/coordkit_proj.h"
#include "parallo/parallo.h"
#include "platform/angles.h"
#include "support/checks.h"
#include "support/frames.h"

namespace {

using parallo::GridLabel;
using parallo::ParalloCls;
using parallo::pxgrdEast;
using parallo::pxgrdNorth;
using parallo::pxgrdSouth;
using parallo::pxgrdWest;
using parallo_test::Frame;
using parallo_test::FrameLayout;
using parallo_test::Near;
using shapekit::Point;

using parallo::platform::kPi;
constexpr double kUsFoot = 1200.0 / 3937.0; // metres
constexpr std::int32_t kProjected = parallo::kExtentProjected, kGeographic = parallo::kExtentGeographic;
/// 1e-5 m on a projected map view (far below anything drawn, far above the rounding of millions
/// of metres through two transformations); 1e-10° on a geographic one.
constexpr double kProjectedPos = 1e-5, kGeographicPos = 1e-10;

// clang-format off
/// Long Island State Plane (US survey feet) on Web Mercator, corners in projection-plane metres.
const FrameLayout kFeet{"ny-ftus-on-web-mercator", "EPSG:3857", "EPSG:2263", "EPSG:2263", false,
                        295000.0, 55000.0, 305000.0, 65000.0, 500.0, false, 5000.0 * kUsFoot, 5000.0 * kUsFoot};
/// South-oriented Lo29: westings and southings near Johannesburg.
const FrameLayout kLo29{"lo29-on-lo29", "EPSG:2053", "EPSG:2053", "EPSG:2053", false,
                        90500.0, 2870500.0, 110500.0, 2890500.0, 1000.0, false, 5000.0, 5000.0};
/// A half-degree graticule in the south-western quadrant.
const FrameLayout kPatagonia{"graticule-patagonia-on-web-mercator", "EPSG:3857", "EPSG:4326", "EPSG:4326", true,
                             -71.2, -41.2, -68.7, -38.7, 0.1, true, 0.5, 0.5};
// clang-format on

/// A frame styled as a host styles it: parts A, B, C, unit and hemisphere shown (hemisphere after
/// the value), no decimals, digit groups 53|10|000, units service set, unturned edge labels.
std::unique_ptr<Frame> Styled(const FrameLayout &layout, std::int32_t displayType, double offset,
                              bool corners = false) {
    auto f = parallo_test::MakeFrame(layout);
    ParalloCls &s = f->service;
    for (auto set :
         {&ParalloCls::SetLabelPartA, &ParalloCls::SetLabelPartB, &ParalloCls::SetLabelPartC,
          &ParalloCls::SetLabelPartD, &ParalloCls::SetLabelPartUnit, &ParalloCls::SetLabelPartHemisphere}) {
        auto part = std::make_shared<parallo::LabelPartCls>();
        part->SetbDisplay(set != &ParalloCls::SetLabelPartD);
        (s.*set)(part);
    }
    parallo_test::StyleLabels(s, displayType, offset);
    s.SetLabelType(corners ? parallo::PXltCorner : parallo::PXltEdge);
    return f;
}

std::unique_ptr<Frame> Labelled(const FrameLayout &layout, std::int32_t displayType, double offset,
                                bool corners = false) {
    auto f = Styled(layout, displayType, offset, corners);
    f->service.CreateLabels();
    return f;
}

std::shared_ptr<GridLabel> FindLabel(const Frame &f, std::int32_t axis, const std::string &text) {
    for (const auto &l : *f.service.LabelsCollection())
        if (l->LabelAxis == axis && l->LabelString == text) return l;
    return nullptr;
}

std::vector<std::int32_t> Axes(const ParalloCls &s) {
    std::vector<std::int32_t> axes;
    for (const auto &l : *s.LabelsCollection())
        axes.push_back(l->LabelAxis);
    return axes;
}

bool IsVertical(std::int32_t axis) { return axis == pxgrdNorth || axis == pxgrdSouth; }
double Wrap180(double x) { return x > 180.0 ? x - 360.0 : (x <= -180.0 ? x + 360.0 : x); }

/// The value a label reads: digit groups A, B, C for a projected label; degrees, minutes and
/// seconds for a geographic one, negative with the westing or southing letter.
double ReadValue(const GridLabel &l, bool geographic) {
    if (!geographic) return std::stod(l.LabelStringA + l.LabelStringB + l.LabelStringC);
    const double v =
        std::stod(l.LabelStringA) + std::stod(l.LabelStringB) / 60.0 + std::stod(l.LabelStringC) / 3600.0;
    return (l.LabelStringHemisphere == "W" || l.LabelStringHemisphere == "S") ? -v : v;
}

// ---- the independent reckoning of edge labels ---------------------------------------------------

struct Expected {
    std::int32_t axis;
    double value; ///< the value shown: grid unit, or degrees (negative west and south)
    Point map;    ///< the crossing of grid line and neatline, in the map view
};

/// The map-view neatline taken into the grid system (shifted a turn east past the 180°
/// meridian), each grid value intersected with its straight edges there, the lowest and highest
/// crossing of each line brought back to the map view. Lines within a thousandth of an interval
/// of the extent run along an edge and may or may not be met (the chords of a stroked frame
/// bulge beyond the grid line through its vertices: a millimetre for a UTM sheet stroked every
/// kilometre, metres for a parallel stroked every 0.25°): their values go to `edgeValues`.
std::vector<Expected> Reckon(const Frame &f, double unitPerMetre, std::vector<double> edgeValues[2]) {
    const FrameLayout &layout = f.layout;
    const bool geo = layout.geographicGrid;
    auto T = parallo_test::FromMapView(f, f.gridSystem);
    const double k = geo ? kPi / 180.0 : 1.0;

    // The frame as drawn: each straight map-view edge in 256 steps, so that its chords in the
    // grid system stray from its true image by 1/65536 of the chord's own deviation (a few
    // micrometres at most on these frames). A geographic map view keeps its vertices: its edges
    // are straight in the grid already, and a step across the 180° meridian would go the long way.
    std::vector<Point> ring = f.service.NeatlinePolygon()->Points().Vector();
    if (f.mapView->BaseStorageType() != coordkit::kGeographicStorage) {
        std::vector<Point> dense;
        for (std::size_t i = 0; i < ring.size(); ++i) {
            const Point &a = ring[i], &b = ring[(i + 1) % ring.size()];
            for (int j = 0; j < 256; ++j)
                dense.emplace_back(a.x + (b.x - a.x) * j / 256.0, a.y + (b.y - a.y) * j / 256.0);
        }
        ring = dense;
    }
    T->Transform(ring.data(), ring.size(), 0);
    for (Point &p : ring) {
        if (!geo) {
            f.gridSystem->ConvertPoint(coordkit::kStorage, coordkit::kProjectionPlane, p.x, p.y, p.z);
        } else {
            if (layout.west > layout.east && p.x < 0.0) p.x += 360.0;
            p.x *= k;
            p.y *= k;
        }
    }
    const auto toMap = [&](Point g) {
        if (geo) {
            g.x /= k;
            g.y /= k;
        } else {
            f.gridSystem->ConvertPoint(coordkit::kProjectionPlane, coordkit::kStorage, g.x, g.y, g.z);
        }
        g.z = 0.0;
        T->Transform(&g, 1, 1);
        if (f.mapView->BaseStorageType() == coordkit::kGeographicStorage) g.x = Wrap180(g.x);
        return g;
    };
    const auto shown = [&](double v, bool x) {
        return !geo ? v * unitPerMetre : (x ? Wrap180(v / k) : v / k);
    };

    std::vector<Expected> labels;
    for (const bool vertical : {true, false}) {
        const auto across = [&](const Point &p) { return vertical ? p.x : p.y; };
        const auto along = [&](const Point &p) { return vertical ? p.y : p.x; };
        double lo = 1e300, hi = -1e300;
        for (const Point &p : ring) {
            lo = std::min(lo, across(p));
            hi = std::max(hi, across(p));
        }
        const double step = (vertical ? layout.intervalX : layout.intervalY) * k;
        for (double m = std::ceil(lo / step - 1e-6); m * step <= hi + 1e-6 * step; m += 1.0) {
            const double v = m * step;
            if (v - lo < 1e-3 * step || hi - v < 1e-3 * step) {
                edgeValues[vertical ? 0 : 1].push_back(shown(v, vertical));
                continue;
            }
            double low = 1e300, high = -1e300;
            for (std::size_t i = 0; i < ring.size(); ++i) {
                const Point &a = ring[i], &b = ring[(i + 1) % ring.size()];
                const double da = across(a) - v, db = across(b) - v;
                if ((da < 0.0) == (db < 0.0) || da == db) continue;
                const double at = along(a) + da / (da - db) * (along(b) - along(a));
                low = std::min(low, at);
                high = std::max(high, at);
            }
            if (low > high) continue;
            const auto point = [&](double w) { return toMap(vertical ? Point(v, w) : Point(w, v)); };
            labels.push_back({vertical ? pxgrdSouth : pxgrdWest, shown(v, vertical), point(low)});
            labels.push_back({vertical ? pxgrdNorth : pxgrdEast, shown(v, vertical), point(high)});
        }
    }
    return labels;
}

/// Every edge label of the frame against the reckoning: values within half a unit of what the
/// labels show, origins within posTol map-view units, unturned.
void CheckEdgeLabels(const Frame &f, double unitPerMetre, double offset, double posTol) {
    const bool geo = f.layout.geographicGrid;
    const double valueTol = geo ? 0.5 / 3600.0 : 0.5;
    std::vector<double> edgeValues[2];
    const std::vector<Expected> expected = Reckon(f, unitPerMetre, edgeValues);
    ASSERT_FALSE(expected.empty());
    std::vector<std::shared_ptr<GridLabel>> labels;
    for (const auto &l : *f.service.LabelsCollection()) {
        const auto &edges = edgeValues[IsVertical(l->LabelAxis) ? 0 : 1];
        const double v = ReadValue(*l, geo);
        if (std::none_of(edges.begin(), edges.end(), [&](double e) { return std::fabs(e - v) <= valueTol; }))
            labels.push_back(l);
    }
    ASSERT_EQ(labels.size(), expected.size());
    // The service follows the frame's edges within 5e-8 of its size (kFrameFollowFraction) in
    // the grid system; the reckoning's chords are finer.
    const double placed = posTol + parallo::detail::kFrameFollowFraction *
                                       parallo_test::ExtentOf(f.service.NeatlinePolygon()->Points()).Size();
    for (std::size_t i = 0; i < labels.size(); ++i) {
        const GridLabel &l = *labels[i];
        const Expected &e = expected[i];
        SCOPED_TRACE("label " + std::to_string(i + 1) + " '" + l.LabelString + "'");
        EXPECT_EQ(l.LabelAxis, e.axis);
        EXPECT_NEAR(ReadValue(l, geo), e.value, valueTol);
        const double ox = e.axis == pxgrdEast ? 1.0 : (e.axis == pxgrdWest ? -1.0 : 0.0);
        const double oy = e.axis == pxgrdNorth ? 1.0 : (e.axis == pxgrdSouth ? -1.0 : 0.0);
        EXPECT_TRUE(Near(*l.Origin, Point(e.map.x + offset * ox, e.map.y + offset * oy), placed))
            << "on the frame as drawn";
        EXPECT_EQ(l.Angle, 0.0);
    }
}

// ---- edge labels -------------------------------------------------------------------------------

TEST(GenEdges, EveryGridLineLabelledOnRealSystems) {
    const struct {
        FrameLayout layout;
        std::int32_t displayType;
        double offset, unitPerMetre, posTol;
        const char *unit, *xLetter, *yLetter;          // on every label
        std::vector<std::vector<std::string>> present; // side, LabelString, "A|B|C" or ""
    } cases[] = {
        // clang-format off
        // The "big numbers" of a UTM grid.
        {parallo_test::UtmSheetOnWebMercator(), kProjected, 500.0, 1.0, kProjectedPos, "m", "E", "N",
         {{"1", "5330000mN", "53|30|000"}, {"3", "495000mE", "4|95|000"}}},
        // The 32N grid is turned by a few degrees in 33N; projected extents keep labels unturned.
        {parallo_test::UtmSheetOnUtm33(), kProjected, 250.0, 1.0, kProjectedPos, "m", "E", "N", {}},
        // Values in feet at the crossings of the lines in metres: 295000 m is 967845.8 ftUS, so
        // the first line east of the western edge is 970000 ftUS.
        {kFeet, kProjected, 300.0, 1.0 / kUsFoot, kProjectedPos, "ftUS", "E", "N", {{"3", "970000ftUSE", "9|70|000"}}},
        // x counts westward and y southward: the labels say so.
        {kLo29, kProjected, 100.0, 1.0, kProjectedPos, "m", "W", "S",
         {{"3", "100000mW", "1|00|000"}, {"1", "2880000mS", ""}}},
        // No unit on geographic labels; no minus sign when the hemisphere letter is shown.
        {kPatagonia, kGeographic, 2000.0, 1.0, kProjectedPos, "", "W", "S",
         {{"0", "70°30'00\"W", ""}, {"3", "69°00'00\"W", ""}, {"2", "41°00'00\"S", "41°|00'|00\""}}},
        // Across the 180° meridian each meridian is labelled once per side, and east of it
        // longitudes read west, on a projected and on a geographic map view.
        {parallo_test::PacificOnProjected(), kGeographic, 5000.0, 1.0, kProjectedPos, "", "E", "S",
         {{"0", "180°00'00\"E", ""}, {"0", "175°00'00\"W", ""}, {"3", "171°00'00\"E", ""}}},
        {parallo_test::PacificOnGeographic(), kGeographic, 0.05, 1.0, kGeographicPos, "", "E", "S",
         {{"0", "180°00'00\"E", ""}, {"0", "175°00'00\"W", ""}}},
        // clang-format on
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.layout.name);
        auto f = Labelled(c.layout, c.displayType, c.offset);
        EXPECT_TRUE(f->reports.empty()) << f->reports.front();
        CheckEdgeLabels(*f, c.unitPerMetre, c.offset, c.posTol);
        for (const auto &l : *f->service.LabelsCollection()) {
            EXPECT_EQ(l->LabelStringUnit, c.unit);
            if (c.layout.west < c.layout.east) {
                EXPECT_EQ(l->LabelStringHemisphere, IsVertical(l->LabelAxis) ? c.xLetter : c.yLetter);
            }
        }
        for (const auto &p : c.present) {
            auto l = FindLabel(*f, std::stoi(p[0]), p[1]);
            ASSERT_TRUE(l) << p[1];
            if (!p[2].empty()) {
                EXPECT_EQ(l->LabelStringA + "|" + l->LabelStringB + "|" + l->LabelStringC, p[2]);
            }
        }
    }
    // 175°W lies 35° east of the central meridian 150°E of the Pacific Mercator.
    auto f = Labelled(parallo_test::PacificOnProjected(), kGeographic, 5000.0);
    EXPECT_NEAR(FindLabel(*f, pxgrdNorth, "175°00'00\"W")->Origin->x, 35.0 * 6378137.0 * kPi / 180.0, 1e-3);
}

TEST(GenEdges, TurnedGraticuleLabelsStandTheirOffsetAway) {
    // On LAEA the meridians are turned against the map's north; with geographic extents the
    // labels turn with them and move off the neatline along the turned direction.
    FrameLayout layout = parallo_test::GraticuleOnWebMercator();
    layout.mapView = "EPSG:3035";
    const double O = 3000.0;
    auto f = Labelled(layout, kGeographic, O);
    EXPECT_TRUE(f->reports.empty()) << f->reports.front();
    std::vector<double> edgeValues[2];
    int turned = 0;
    for (const Expected &e : Reckon(*f, 1.0, edgeValues)) {
        std::shared_ptr<GridLabel> match;
        for (const auto &l : *f->service.LabelsCollection())
            if (l->LabelAxis == e.axis && std::fabs(ReadValue(*l, true) - e.value) <= 0.5 / 3600.0) match = l;
        ASSERT_TRUE(match) << "no label on side " << e.axis << " for " << e.value;
        // The south rows start from a unit-length shift before the offset: within one unit.
        const double d = std::hypot(match->Origin->x - e.map.x, match->Origin->y - e.map.y);
        EXPECT_NEAR(d, O, (e.axis == pxgrdSouth ? 1.0 : 0.0) + kProjectedPos);
        // The convergence between LAEA and the graticule stays within a few degrees here.
        EXPECT_LT(std::fabs(match->Angle), 10.0);
        if (match->Angle != 0.0) ++turned;
    }
    EXPECT_GT(turned, 0);
}

TEST(GenEdges, OnlyTheChosenSidesInOrderAndNoSkippedValues) {
    auto f = Styled(parallo_test::UtmSheetOnWebMercator(), kProjected, 100.0);
    f->service.SetPlaceBottomSideGridElements(false);
    f->service.SetPlaceRightSideGridElements(false);
    f->service.CreateLabels();
    EXPECT_TRUE(f->reports.empty());
    // Top labels of the 41 vertical lines (the two on the sheet's edges included) first, then
    // left labels of the horizontal ones.
    std::vector<std::int32_t> sides(41, pxgrdNorth);
    sides.insert(sides.end(), 41, pxgrdWest);
    EXPECT_EQ(Axes(f->service), sides);

    auto s = Styled(parallo_test::UtmSheetOnWebMercator(), kProjected, 100.0);
    s->service.SetSkipInterval(std::make_shared<Point>(10000.0, 5000.0));
    s->service.CreateLabels();
    EXPECT_TRUE(s->reports.empty());
    int count[2] = {0, 0};
    for (const auto &l : *s->service.LabelsCollection()) {
        const bool vertical = IsVertical(l->LabelAxis);
        EXPECT_NE(std::fmod(ReadValue(*l, false), vertical ? 10000.0 : 5000.0), 0.0) << l->LabelString;
        ++count[vertical ? 0 : 1];
    }
    EXPECT_EQ(count[0], 2 * (41 - 5)); // every 10000 m of 480000..520000 skipped
    EXPECT_EQ(count[1], 2 * (41 - 9)); // every 5000 m of 5320000..5360000 skipped
}

TEST(GenEdges, ValuesOnTheNeatlineAreLabelledAlikeOnAllFourSides) {
    // Frames whose corners lie on grid values. The State Plane sheet's edges come back from the
    // projection plane's metres off their feet values by rounding noise, and the UTM sheet's from
    // their round trip through Web Mercator. Either way each side carries the labels of both edge
    // values, and the grid lines include both edge lines.
    // clang-format off
    const FrameLayout feet{"ny-ftus-sheet-on-its-own-plane", "EPSG:2263", "EPSG:2263", "EPSG:2263", false,
                           980000.0 * kUsFoot, 190000.0 * kUsFoot, 1020000.0 * kUsFoot, 220000.0 * kUsFoot, 0.0,
                           false, 10000.0 * kUsFoot, 10000.0 * kUsFoot};
    const struct {
        FrameLayout layout;
        std::int32_t displayType;
        int across, along; ///< grid values of the vertical and of the horizontal lines, edges included
    } cases[] = {
        {feet, kProjected, 5, 4},                                  // 980000 … 1020000, 190000 … 220000 ftUS
        {parallo_test::UtmSheetOnWebMercator(), kProjected, 41, 41}, // 480 … 520 km, 5320 … 5360 km
        {parallo_test::GraticuleOnWebMercator(), kGeographic, 11, 11}, // 5°E … 15°E, 45°N … 55°N
    };
    // clang-format on
    for (const auto &c : cases) {
        SCOPED_TRACE(c.layout.name);
        auto f = Labelled(c.layout, c.displayType, 100.0);
        EXPECT_TRUE(f->reports.empty()) << f->reports.front();
        int perSide[4] = {0, 0, 0, 0};
        for (const auto &l : *f->service.LabelsCollection())
            ++perSide[l->LabelAxis];
        for (const std::int32_t side : {pxgrdNorth, pxgrdWest, pxgrdEast, pxgrdSouth})
            EXPECT_EQ(perSide[side], IsVertical(side) ? c.across : c.along) << "side " << side;
        std::int32_t ret = 0;
        f->service.CreateGridlines(ret);
        ASSERT_TRUE(f->service.GridGeometry());
        EXPECT_EQ(f->service.GridGeometry()->Count(), c.across + c.along);
    }
    // The feet sheet's edge values read as round feet.
    auto f = Labelled(feet, kProjected, 100.0);
    for (const char *text : {"980000ftUSE", "1020000ftUSE"})
        for (const std::int32_t side : {pxgrdSouth, pxgrdNorth})
            EXPECT_TRUE(FindLabel(*f, side, text)) << text << " on side " << side;
    for (const char *text : {"190000ftUSN", "220000ftUSN"})
        for (const std::int32_t side : {pxgrdWest, pxgrdEast})
            EXPECT_TRUE(FindLabel(*f, side, text)) << text << " on side " << side;
}

// ---- corner labels ------------------------------------------------------------------------------

/// A neatline corner given in the frame's extents, in the map view.
Point CornerInMapView(const Frame &f, double x, double y) {
    const bool geo = f.layout.geographicCorners;
    Point p(geo ? x * kPi / 180.0 : x, geo ? y * kPi / 180.0 : y, 0.0);
    f.neatlineSystem->ConvertPoint(geo ? coordkit::kGeographic : coordkit::kProjectionPlane,
                                   coordkit::kStorage, p.x, p.y, p.z);
    parallo_test::FromMapView(f, f.neatlineSystem)->Transform(&p, 1, 1);
    return p;
}

TEST(GenCorners, EightLabelsAtTheCornersInTheNeatlineSystemsUnit) {
    FrameLayout feet = kFeet;
    feet.neatlineStroke = 0.0;
    feet.intervalX = feet.intervalY = 1000.0;
    const double O = 400.0;
    const struct {
        const char *name;
        FrameLayout layout;
        std::int32_t displayType;
        bool unitsService;
        std::vector<std::string> texts; // labels 1 to 4: lower left X, Y; upper left X, Y
    } cases[] = {
        // clang-format off
        {"metres", parallo_test::UtmSheetOnWebMercator(), kProjected, true, {"480000mE", "5320000mN", "480000mE", "5360000mN"}},
        // A feet system shows its corners in feet (295000 m = 967845.8 ftUS).
        {"feet", feet, kProjected, true, {"967846ftUSE", "180446ftUSN", "967846ftUSE", "213254ftUSN"}},
        // Corner labels have always been made without a units service: they show metres then.
        {"no units service", parallo_test::UtmSheetOnWebMercator(), kProjected, false, {"480000mE", "5320000mN"}},
        {"geographic", parallo_test::GraticuleOnWebMercator(), kGeographic, true, {"5°00'00\"E", "45°00'00\"N"}},
        // A projected display of a geographic neatline system reads a re-typed copy.
        {"re-typed", parallo_test::GraticuleOnWebMercator(), kProjected, true, {}},
        // clang-format on
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        auto f = Styled(c.layout, c.displayType, O, true);
        if (!c.unitsService) f->service.SetUnitsOfMeasure(nullptr);
        f->service.CreateLabels();
        EXPECT_TRUE(f->reports.empty()) << f->reports.front();
        EXPECT_EQ(Axes(f->service), (std::vector<std::int32_t>{3, 1, 0, 1, 0, 2, 3, 2}));
        const auto &labels = *f->service.LabelsCollection();
        for (std::size_t i = 0; i < c.texts.size(); ++i)
            EXPECT_EQ(labels.Item(static_cast<std::int32_t>(i) + 1)->LabelString, c.texts[i]);
        // Lower left, upper left, upper right, lower right, the X label before the Y label; each
        // LabelOffset outward from its corner.
        const FrameLayout &l = c.layout;
        const double corners[4][2] = {
            {l.west, l.south}, {l.west, l.north}, {l.east, l.north}, {l.east, l.south}};
        for (int k = 0; k < 4; ++k) {
            SCOPED_TRACE("corner " + std::to_string(k + 1));
            const Point map = CornerInMapView(*f, corners[k][0], corners[k][1]);
            const GridLabel &x = *labels.Item(2 * k + 1), &y = *labels.Item(2 * k + 2);
            EXPECT_TRUE(
                Near(*x.Origin, Point(map.x, map.y + (x.LabelAxis == pxgrdNorth ? O : -O)), kProjectedPos));
            EXPECT_TRUE(
                Near(*y.Origin, Point(map.x + (y.LabelAxis == pxgrdEast ? O : -O), map.y), kProjectedPos));
        }
        // Lower left X and upper right Y: text turned away from the other edge, hanging below.
        for (int i : {1, 6}) {
            EXPECT_EQ(labels.Item(i)->HorizontalJustification, 3);
            EXPECT_EQ(labels.Item(i)->VerticalJustification, 7);
        }
        // The host's systems keep their own storage type, also after an edge run on the copies.
        if (!c.unitsService) continue;
        f->service.SetLabelType(parallo::PXltEdge);
        f->service.CreateLabels();
        EXPECT_GT(f->service.LabelsCollection()->Count(), 0);
        EXPECT_EQ(f->neatlineSystem->BaseStorageType(),
                  l.geographicCorners ? coordkit::kGeographicStorage : coordkit::kProjectedStorage);
        EXPECT_EQ(f->gridSystem->BaseStorageType(),
                  l.geographicGrid ? coordkit::kGeographicStorage : coordkit::kProjectedStorage);
    }

    // Sides switched off give no label: none at all, then the top and right ones only.
    auto g = Styled(parallo_test::UtmSheetOnWebMercator(), kProjected, 100.0, true);
    ParalloCls &s = g->service;
    s.SetPlaceLeftSideGridElements(false);
    s.SetPlaceBottomSideGridElements(false);
    s.SetPlaceTopSideGridElements(false);
    s.SetPlaceRightSideGridElements(false);
    s.CreateLabels();
    ASSERT_TRUE(s.LabelsCollection());
    EXPECT_EQ(s.LabelsCollection()->Count(), 0);
    s.SetPlaceTopSideGridElements(true);
    s.SetPlaceRightSideGridElements(true);
    s.CreateLabels();
    // Upper left X, upper right X and Y, lower right Y.
    EXPECT_EQ(Axes(s), (std::vector<std::int32_t>{0, 0, 2, 2}));
    EXPECT_TRUE(g->reports.empty());
}

// ---- failures ------------------------------------------------------------------------------

TEST(GenFailures, ReportedNeverWrittenIntoAnEarlierCollection) {
    // A non-positive interval used to loop for ever; a projected grid needs the units service.
    for (double interval : {0.0, -1000.0, 1000.0}) {
        SCOPED_TRACE(interval);
        auto f = Styled(parallo_test::UtmSheetOnWebMercator(), kProjected, 100.0);
        f->service.SetInterval(std::make_shared<Point>(interval, 1000.0));
        if (interval > 0.0) f->service.SetUnitsOfMeasure(nullptr);
        f->service.CreateLabels();
        ASSERT_EQ(f->reports.size(), 1u);
        EXPECT_EQ(f->reports[0].rfind(interval > 0.0 ? "Create_Labels Error | Going to FormatLabel | Object "
                                                       "variable or With block variable not set"
                                                     : "Create_Labels Error | ",
                                      0),
                  0u)
            << f->reports[0];
        EXPECT_EQ(f->service.LabelsCollection()->Count(), 0);
    }
    // A geographic grid needs no units service.
    auto g = Styled(parallo_test::GraticuleOnWebMercator(), kGeographic, 100.0);
    g->service.SetUnitsOfMeasure(nullptr);
    std::int32_t ret = 0;
    g->service.CreateLabels(ret);
    EXPECT_TRUE(g->reports.empty());
    EXPECT_GT(g->service.LabelsCollection()->Count(), 0);
    EXPECT_EQ(ret, 1); // the last grid line met the neatline

    // Display type 3 makes no label text: every label fails and is reported, none is made, and
    // the last label of the collection the host still holds is not written on.
    auto h = Labelled(parallo_test::UtmSheetOnWebMercator(), kProjected, 100.0);
    const auto last = h->service.LabelsCollection()->Item(h->service.LabelsCollection()->Count());
    const GridLabel before = *last;
    const Point origin = *last->Origin;
    h->service.SetLabelDisplayType(3);
    h->service.CreateLabels();
    EXPECT_FALSE(h->reports.empty());
    for (const auto &r : h->reports)
        EXPECT_TRUE(r.rfind("SplitUpLabel Error", 0) == 0 || r.rfind("Create_OneLabel Error", 0) == 0) << r;
    EXPECT_EQ(h->service.LabelsCollection()->Count(), 0);
    EXPECT_EQ(last->LabelString, before.LabelString);
    EXPECT_EQ(last->LabelAxis, before.LabelAxis);
    EXPECT_TRUE(Near(*last->Origin, origin, 0.0));
}

} // namespace
