// Label generation on real PROJ systems. Edge labels are checked against an independent reckoning
// of where every grid line of the interval crosses the neatline: one label per side and line, in
// the order bottom, top per vertical line and left, right per horizontal line; its value is the
// grid value of that line in the grid's own unit; its origin lies LabelOffset away from the
// crossing, across the neatline. Then corner labels, the fresh collection of every call, and the
// failures: reported, never thrown, earlier results kept.
#include <gtest/gtest.h>

#include <algorithm>
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
using parallo::ParalloCls;
using parallo::pxgrdEast;
using parallo::pxgrdNorth;
using parallo::pxgrdSouth;
using parallo::pxgrdWest;
using parallo_test::Frame;
using parallo_test::FrameLayout;
using parallo_test::MakeFrame;
using shapekit::Point;

constexpr double kPi = 3.14159265358979323846;
/// The length of one US survey foot in metres.
constexpr double kUsFoot = 1200.0 / 3937.0;
/// 1e-5 m on a projected map view (0.01 mm: far below anything drawn, far above the rounding of
/// coordinates of a few million metres through two transformations); 1e-10° on a geographic one.
constexpr double kProjectedPos = 1e-5;
constexpr double kGeographicPos = 1e-10;

/// Label styling as a host sets it: parts A, B, C, unit and hemisphere shown (hemisphere after
/// the value), no decimals, digit groups 53|10|000, unturned edge labels outside the neatline.
void StyleLabels(ParalloCls &s, std::int32_t displayType, double offset) {
    const auto part = [](bool shown) {
        auto p = std::make_shared<parallo::LabelPartCls>();
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
    s.SetDecimalPlaces(0);
    s.SetLabelDisplayType(displayType);
    s.SetEastingHemisphereLabel("E");
    s.SetWestingHemisphereLabel("W");
    s.SetNorthingHemisphereLabel("N");
    s.SetSouthingHemisphereLabel("S");
    s.SetUnitsOfMeasure(coordkit::CreateProjUnitsOfMeasure());
    s.SetLabelOffset(offset);
    s.SetLabelType(parallo::PXltEdge);
}

/// A styled frame; CreateLabels is called unless the test sets more first.
std::unique_ptr<Frame> Styled(const FrameLayout &layout, std::int32_t displayType, double offset,
                              bool corners = false) {
    auto f = MakeFrame(layout);
    StyleLabels(f->service, displayType, offset);
    if (corners) f->service.SetLabelType(parallo::PXltCorner);
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

bool Near(double a, double b, double tol) { return std::fabs(a - b) <= tol; }
bool IsVertical(std::int32_t axis) { return axis == pxgrdNorth || axis == pxgrdSouth; }

double Wrap180(double x) {
    while (x > 180.0)
        x -= 360.0;
    while (x <= -180.0)
        x += 360.0;
    return x;
}

// ---- the independent reckoning of edge labels ---------------------------------------------------

/// One label the frame must carry.
struct Expected {
    std::int32_t axis = 0;
    double value = 0.0; ///< the value shown: grid unit, or degrees (negative west and south)
    Point map;          ///< the crossing of grid line and neatline, in the map view
};

struct Reckoning {
    std::vector<Expected> labels;
    /// Shown values of lines within a millionth of an interval of the frame's extent: they run
    /// along its edge, may or may not be met, and are left out.
    std::vector<double> verticalEdges, horizontalEdges;
};

/// The map-view neatline taken into the grid system (shifted a turn east past the 180°
/// meridian), each grid value intersected with its straight edges there, the lowest and the
/// highest crossing of each line kept and brought back to the map view.
Reckoning Reckon(const Frame &f, double unitPerMetre) {
    const FrameLayout &layout = f.layout;
    const bool geo = layout.geographicGrid;
    auto mgr = coordkit::CreateProjCoordSystemsMgr(f.mapView);
    auto T = mgr->GetTransformService()->CreateSimpleTransFromCSMtoCS(*mgr, f.gridSystem);

    std::vector<Point> ring = f.service.NeatlinePolygon()->Points().Vector();
    T->Transform(ring.data(), ring.size(), 0);
    const bool across180 = geo && layout.west > layout.east;
    for (Point &p : ring) {
        if (!geo) {
            f.gridSystem->ConvertPoint(coordkit::kStorage, coordkit::kProjectionPlane, p.x, p.y, p.z);
            continue;
        }
        if (across180 && p.x < 0.0) p.x += 360.0;
        p.x *= kPi / 180.0;
        p.y *= kPi / 180.0;
    }
    const double k = geo ? kPi / 180.0 : 1.0;
    const auto toMap = [&](Point g) {
        if (geo) {
            g.x *= 180.0 / kPi;
            g.y *= 180.0 / kPi;
        } else {
            f.gridSystem->ConvertPoint(coordkit::kProjectionPlane, coordkit::kStorage, g.x, g.y, g.z);
        }
        g.z = 0.0;
        T->Transform(&g, 1, 1);
        if (f.mapView->BaseStorageType() == coordkit::kGeographicStorage) g.x = Wrap180(g.x);
        return g;
    };
    const auto shown = [&](double v, bool xValue) {
        if (!geo) return v * unitPerMetre;
        const double deg = v * 180.0 / kPi;
        return xValue ? Wrap180(deg) : deg;
    };

    Reckoning r;
    for (const bool vertical : {true, false}) {
        double lo = 1e300, hi = -1e300;
        for (const Point &p : ring) {
            lo = std::min(lo, vertical ? p.x : p.y);
            hi = std::max(hi, vertical ? p.x : p.y);
        }
        const double step = (vertical ? layout.intervalX : layout.intervalY) * k;
        for (double m = std::ceil(lo / step - 1e-6); m * step <= hi + 1e-6 * step; m += 1.0) {
            const double v = m * step;
            if (v - lo < 1e-6 * step || hi - v < 1e-6 * step) {
                (vertical ? r.verticalEdges : r.horizontalEdges).push_back(shown(v, vertical));
                continue;
            }
            double low = 1e300, high = -1e300;
            for (std::size_t i = 0; i < ring.size(); ++i) {
                const Point &a = ring[i];
                const Point &b = ring[(i + 1) % ring.size()];
                const double da = (vertical ? a.x : a.y) - v, db = (vertical ? b.x : b.y) - v;
                if ((da < 0.0) == (db < 0.0) || da == db) continue;
                const double t = da / (da - db);
                const double along = vertical ? a.y + t * (b.y - a.y) : a.x + t * (b.x - a.x);
                low = std::min(low, along);
                high = std::max(high, along);
            }
            if (low > high) continue;
            r.labels.push_back({vertical ? pxgrdSouth : pxgrdWest, shown(v, vertical),
                                toMap(vertical ? Point(v, low) : Point(low, v))});
            r.labels.push_back({vertical ? pxgrdNorth : pxgrdEast, shown(v, vertical),
                                toMap(vertical ? Point(v, high) : Point(high, v))});
        }
    }
    return r;
}

/// The value a label reads: digit groups A, B, C for a projected label; degrees, minutes and
/// seconds for a geographic one, negative with the westing or southing letter.
double ReadValue(const GridLabel &l, bool geographic) {
    if (!geographic) return std::stod(l.LabelStringA + l.LabelStringB + l.LabelStringC);
    const double v =
        std::stod(l.LabelStringA) + std::stod(l.LabelStringB) / 60.0 + std::stod(l.LabelStringC) / 3600.0;
    return (l.LabelStringHemisphere == "W" || l.LabelStringHemisphere == "S") ? -v : v;
}

/// Checks every edge label of the frame against the reckoning, values within half a unit of
/// what the labels show, origins within posTol map-view units.
void CheckEdgeLabels(const Frame &f, double unitPerMetre, double offset, double posTol) {
    const bool geo = f.layout.geographicGrid;
    const double valueTol = geo ? 0.5 / 3600.0 : 0.5;
    const Reckoning r = Reckon(f, unitPerMetre);
    ASSERT_FALSE(r.labels.empty());

    std::vector<std::shared_ptr<GridLabel>> labels;
    for (const auto &l : *f.service.LabelsCollection()) {
        const double v = ReadValue(*l, geo);
        const auto &edges = IsVertical(l->LabelAxis) ? r.verticalEdges : r.horizontalEdges;
        if (std::none_of(edges.begin(), edges.end(), [&](double e) { return Near(e, v, valueTol); }))
            labels.push_back(l);
    }
    ASSERT_EQ(labels.size(), r.labels.size());
    for (std::size_t i = 0; i < labels.size(); ++i) {
        const GridLabel &l = *labels[i];
        const Expected &e = r.labels[i];
        SCOPED_TRACE("label " + std::to_string(i + 1) + " '" + l.LabelString + "'");
        EXPECT_EQ(l.LabelAxis, e.axis);
        EXPECT_NEAR(ReadValue(l, geo), e.value, valueTol);
        // Outward across its edge.
        const double ox = e.axis == pxgrdEast ? 1.0 : (e.axis == pxgrdWest ? -1.0 : 0.0);
        const double oy = e.axis == pxgrdNorth ? 1.0 : (e.axis == pxgrdSouth ? -1.0 : 0.0);
        EXPECT_NEAR(l.Origin->x, e.map.x + offset * ox, posTol);
        EXPECT_NEAR(l.Origin->y, e.map.y + offset * oy, posTol);
        EXPECT_EQ(l.Angle, 0.0);
    }
}

// ---- edge labels -------------------------------------------------------------------------------

FrameLayout StatePlaneFeet() {
    FrameLayout f;
    f.name = "ny-long-island-ftus-on-web-mercator";
    f.mapView = "EPSG:3857";
    f.neatlineSystem = f.gridSystem = "EPSG:2263";
    // Projection-plane metres around Manhattan; grid lines every 5000 US survey feet.
    f.west = 295000.0;
    f.south = 55000.0;
    f.east = 305000.0;
    f.north = 65000.0;
    f.neatlineStroke = 500.0;
    f.intervalX = f.intervalY = 5000.0 * kUsFoot;
    return f;
}

FrameLayout SouthOrientedLo29() {
    FrameLayout f;
    f.name = "lo29-on-lo29";
    f.mapView = f.neatlineSystem = f.gridSystem = "EPSG:2053";
    // Westings and southings near Johannesburg.
    f.west = 90500.0;
    f.south = 2870500.0;
    f.east = 110500.0;
    f.north = 2890500.0;
    f.neatlineStroke = 1000.0;
    f.intervalX = f.intervalY = 5000.0;
    return f;
}

FrameLayout GraticuleSouthWest() {
    FrameLayout f;
    f.name = "half-degree-graticule-patagonia-on-web-mercator";
    f.mapView = "EPSG:3857";
    f.neatlineSystem = f.gridSystem = "EPSG:4326";
    f.geographicCorners = f.geographicGrid = true;
    f.west = -71.2;
    f.south = -41.2;
    f.east = -68.7;
    f.north = -38.7;
    f.neatlineStroke = 0.1;
    f.intervalX = f.intervalY = 0.5;
    return f;
}

TEST(GenEdges, EveryGridLineLabelledOnRealSystems) {
    struct Present {
        std::int32_t axis;
        const char *text;
        const char *groups; // "A|B|C", or nullptr
    };
    const struct {
        FrameLayout layout;
        std::int32_t displayType;
        double offset, unitPerMetre;
        const char *unit, *xLetter, *yLetter; // on every label
        std::vector<Present> present;
    } cases[] = {
        // The "big numbers" of a UTM grid.
        {parallo_test::UtmSheetOnWebMercator(),
         parallo::kExtentProjected,
         500.0,
         1.0,
         "m",
         "E",
         "N",
         {{pxgrdWest, "5330000mN", "53|30|000"}, {pxgrdSouth, "495000mE", "4|95|000"}}},
        // The 32N grid is turned by a few degrees in 33N; projected extents keep labels unturned.
        {parallo_test::UtmSheetOnUtm33(), parallo::kExtentProjected, 250.0, 1.0, "m", "E", "N", {}},
        // Values in feet, positions where the lines in metres meet the neatline: 295000 m is
        // 967847.5 ftUS, so the first line east of the western edge is 970000 ftUS.
        {StatePlaneFeet(),
         parallo::kExtentProjected,
         300.0,
         1.0 / kUsFoot,
         "ftUS",
         "E",
         "N",
         {{pxgrdSouth, "970000ftUSE", "9|70|000"}}},
        // x counts westward and y southward: the labels say so.
        {SouthOrientedLo29(),
         parallo::kExtentProjected,
         100.0,
         1.0,
         "m",
         "W",
         "S",
         {{pxgrdSouth, "100000mW", "1|00|000"}, {pxgrdWest, "2880000mS", nullptr}}},
        // No unit on geographic labels; no minus sign when the hemisphere letter is shown.
        {GraticuleSouthWest(),
         parallo::kExtentGeographic,
         2000.0,
         1.0,
         "",
         "W",
         "S",
         {{pxgrdNorth, "70°30'00\"W", nullptr},
          {pxgrdSouth, "69°00'00\"W", nullptr},
          {pxgrdWest, "39°30'00\"S", nullptr},
          {pxgrdEast, "41°00'00\"S", "41°|00'|00\""}}},
        {parallo_test::GraticuleOnWebMercator(),
         parallo::kExtentGeographic,
         3000.0,
         1.0,
         "",
         "E",
         "N",
         {{pxgrdNorth, "9°00'00\"E", nullptr}, {pxgrdEast, "50°00'00\"N", nullptr}}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.layout.name);
        auto f = Labelled(c.layout, c.displayType, c.offset);
        EXPECT_TRUE(f->reports.empty()) << f->reports.front();
        CheckEdgeLabels(*f, c.unitPerMetre, c.offset, kProjectedPos);
        for (const auto &l : *f->service.LabelsCollection()) {
            EXPECT_EQ(l->LabelStringUnit, c.unit);
            EXPECT_EQ(l->LabelStringHemisphere, IsVertical(l->LabelAxis) ? c.xLetter : c.yLetter);
        }
        for (const Present &p : c.present) {
            auto l = FindLabel(*f, p.axis, p.text);
            ASSERT_TRUE(l) << p.text;
            if (p.groups != nullptr) {
                EXPECT_EQ(l->LabelStringA + "|" + l->LabelStringB + "|" + l->LabelStringC, p.groups);
            }
        }
    }
}

TEST(GenEdges, TurnedGraticuleLabelsStandTheirOffsetAway) {
    // On LAEA the meridians are turned against the map's north; with geographic extents the
    // labels turn with them and move off the neatline along the turned direction.
    FrameLayout layout = parallo_test::GraticuleOnWebMercator();
    layout.mapView = "EPSG:3035";
    const double O = 3000.0;
    auto f = Labelled(layout, parallo::kExtentGeographic, O);
    EXPECT_TRUE(f->reports.empty()) << f->reports.front();
    int turned = 0;
    for (const Expected &e : Reckon(*f, 1.0).labels) {
        std::shared_ptr<GridLabel> match;
        for (const auto &l : *f->service.LabelsCollection())
            if (l->LabelAxis == e.axis && Near(ReadValue(*l, true), e.value, 0.5 / 3600.0)) match = l;
        ASSERT_TRUE(match) << "no label on side " << e.axis << " for " << e.value;
        const double d = std::hypot(match->Origin->x - e.map.x, match->Origin->y - e.map.y);
        // The south rows start from a unit-length shift before the offset: within one unit.
        EXPECT_NEAR(d, O, (e.axis == pxgrdSouth ? 1.0 : 0.0) + kProjectedPos);
        // The convergence between LAEA and the graticule stays within a few degrees here.
        EXPECT_LT(std::fabs(match->Angle), 10.0);
        if (match->Angle != 0.0) ++turned;
    }
    EXPECT_GT(turned, 0);
}

TEST(GenEdges, PacificFrameOnProjectedAndGeographicMapViews) {
    // One label per side for each meridian strictly inside the frame, 180° among them, once;
    // east of it longitudes read west, and the anchor is right on both kinds of map view.
    const struct {
        FrameLayout layout;
        double offset, posTol;
    } cases[] = {{parallo_test::PacificOnProjected(), 5000.0, kProjectedPos},
                 {parallo_test::PacificOnGeographic(), 0.05, kGeographicPos}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.layout.name);
        auto f = Labelled(c.layout, parallo::kExtentGeographic, c.offset);
        EXPECT_TRUE(f->reports.empty()) << f->reports.front();
        CheckEdgeLabels(*f, 1.0, c.offset, c.posTol);
        for (std::int32_t axis : {pxgrdSouth, pxgrdNorth}) {
            std::vector<double> meridians;
            for (const auto &l : *f->service.LabelsCollection())
                if (l->LabelAxis == axis) meridians.push_back(ReadValue(*l, true));
            for (int lon = 171; lon <= 189; ++lon) {
                const double shown = lon > 180 ? lon - 360.0 : lon;
                EXPECT_EQ(std::count_if(meridians.begin(), meridians.end(),
                                        [&](double m) { return Near(m, shown, 1e-6); }),
                          1)
                    << "meridian " << lon;
            }
        }
        EXPECT_TRUE(FindLabel(*f, pxgrdNorth, "180°00'00\"E"));
        EXPECT_FALSE(FindLabel(*f, pxgrdNorth, "185°00'00\"E"));
        auto l = FindLabel(*f, pxgrdNorth, "175°00'00\"W");
        ASSERT_TRUE(l);
        if (c.layout.mapView == "EPSG:4326") {
            EXPECT_NEAR(l->Origin->x, -175.0, kGeographicPos);
            for (const auto &e : *f->service.LabelsCollection()) {
                if (e->LabelAxis == pxgrdEast) {
                    EXPECT_NEAR(e->Origin->x, -170.0 + 0.05, kGeographicPos);
                }
            }
        } else {
            // 175°W lies 35° east of the central meridian 150°E, not near the map's origin.
            EXPECT_NEAR(l->Origin->x, 35.0 * 6378137.0 * kPi / 180.0, 1e-3);
        }
    }
}

TEST(GenEdges, OnlyTheChosenSidesInOrderAndNoSkippedValues) {
    auto f = Styled(parallo_test::UtmSheetOnWebMercator(), parallo::kExtentProjected, 100.0);
    f->service.SetPlaceBottomSideGridElements(false);
    f->service.SetPlaceRightSideGridElements(false);
    f->service.CreateLabels();
    EXPECT_TRUE(f->reports.empty());
    // Top labels of the vertical lines first (ascending x), then left labels (ascending y).
    const auto &labels = *f->service.LabelsCollection();
    ASSERT_EQ(labels.Count(), 78); // 39 interior lines each way
    for (std::int32_t i = 1; i <= 78; ++i) {
        EXPECT_EQ(labels.Item(i)->LabelAxis, i <= 39 ? pxgrdNorth : pxgrdWest);
        if (i > 1 && i != 40) {
            EXPECT_GT(ReadValue(*labels.Item(i), false), ReadValue(*labels.Item(i - 1), false));
        }
    }

    auto s = Styled(parallo_test::UtmSheetOnWebMercator(), parallo::kExtentProjected, 100.0);
    s->service.SetSkipInterval(std::make_shared<Point>(10000.0, 5000.0));
    s->service.CreateLabels();
    EXPECT_TRUE(s->reports.empty());
    int vertical = 0, horizontal = 0;
    for (const auto &l : *s->service.LabelsCollection()) {
        const bool isVertical = IsVertical(l->LabelAxis);
        EXPECT_NE(std::fmod(ReadValue(*l, false), isVertical ? 10000.0 : 5000.0), 0.0) << l->LabelString;
        ++(isVertical ? vertical : horizontal);
    }
    EXPECT_EQ(vertical, 2 * (39 - 3));   // 490000, 500000, 510000 skipped
    EXPECT_EQ(horizontal, 2 * (39 - 7)); // every 5000 m of 5325000..5355000 skipped
}

// ---- corner labels ------------------------------------------------------------------------------

/// A neatline corner given in the frame's extents, in the map view.
Point CornerInMapView(const Frame &f, double x, double y) {
    const std::int32_t space =
        f.layout.geographicCorners ? coordkit::kGeographic : coordkit::kProjectionPlane;
    Point p(x, y, 0.0);
    f.neatlineSystem->ConvertPoint(space, coordkit::kStorage, p.x, p.y, p.z);
    auto mgr = coordkit::CreateProjCoordSystemsMgr(f.mapView);
    auto T = mgr->GetTransformService()->CreateSimpleTransFromCSMtoCS(*mgr, f.neatlineSystem);
    T->Transform(&p, 1, 1);
    return p;
}

TEST(GenCorners, EightLabelsInCornerOrderAtTheCorners) {
    const double O = 400.0;
    auto f = Labelled(parallo_test::UtmSheetOnWebMercator(), parallo::kExtentProjected, O, true);
    EXPECT_TRUE(f->reports.empty()) << f->reports.front();
    EXPECT_EQ(Axes(f->service), (std::vector<std::int32_t>{3, 1, 0, 1, 0, 2, 3, 2}));

    // Lower left, upper left, upper right, lower right; the X label before the Y label.
    const FrameLayout &sp = f->layout;
    const double corners[4][2] = {
        {sp.west, sp.south}, {sp.west, sp.north}, {sp.east, sp.north}, {sp.east, sp.south}};
    const auto &labels = *f->service.LabelsCollection();
    for (int c = 0; c < 4; ++c) {
        SCOPED_TRACE("corner " + std::to_string(c + 1));
        const Point map = CornerInMapView(*f, corners[c][0], corners[c][1]);
        const GridLabel &x = *labels.Item(2 * c + 1);
        const GridLabel &y = *labels.Item(2 * c + 2);
        EXPECT_EQ(x.LabelString, std::to_string(static_cast<long>(corners[c][0])) + "mE");
        EXPECT_EQ(y.LabelString, std::to_string(static_cast<long>(corners[c][1])) + "mN");
        // 1e-5 m: two runs of the same PROJ operation on the same point, at millions of metres.
        EXPECT_NEAR(x.Origin->x, map.x, 1e-5);
        EXPECT_NEAR(x.Origin->y, map.y + (x.LabelAxis == pxgrdNorth ? O : -O), 1e-5);
        EXPECT_NEAR(y.Origin->x, map.x + (y.LabelAxis == pxgrdEast ? O : -O), 1e-5);
        EXPECT_NEAR(y.Origin->y, map.y, 1e-5);
    }
    // Lower left X and upper right Y: text turned away from the other edge, hanging below.
    for (int i : {1, 6}) {
        EXPECT_EQ(labels.Item(i)->HorizontalJustification, 3);
        EXPECT_EQ(labels.Item(i)->VerticalJustification, 7);
    }
}

TEST(GenCorners, SidesSwitchedOffGiveNoLabel) {
    auto f = Styled(parallo_test::UtmSheetOnWebMercator(), parallo::kExtentProjected, 100.0, true);
    ParalloCls &s = f->service;
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
    EXPECT_TRUE(f->reports.empty());
}

TEST(GenCorners, ASecondCallStartsAFreshCollection) {
    auto f = Labelled(parallo_test::UtmSheetOnWebMercator(), parallo::kExtentProjected, 100.0, true);
    ParalloCls &s = f->service;
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

TEST(GenCorners, ValuesInTheSystemsUnitWithOrWithoutAUnitsService) {
    // A feet system shows its corners in feet at the corner itself.
    FrameLayout feet = StatePlaneFeet();
    feet.neatlineStroke = 0.0;
    feet.intervalX = feet.intervalY = 1000.0;
    auto f = Labelled(feet, parallo::kExtentProjected, 100.0, true);
    EXPECT_TRUE(f->reports.empty()) << f->reports.front();
    const auto &labels = *f->service.LabelsCollection();
    ASSERT_EQ(labels.Count(), 8);
    const auto inFeet = [](double metres) {
        return std::to_string(static_cast<long>(std::floor(metres / kUsFoot + 0.5)));
    };
    EXPECT_EQ(labels.Item(1)->LabelString, inFeet(295000.0) + "ftUSE");
    EXPECT_EQ(labels.Item(2)->LabelString, inFeet(55000.0) + "ftUSN");
    EXPECT_EQ(labels.Item(5)->LabelString, inFeet(305000.0) + "ftUSE");
    const Point map = CornerInMapView(*f, feet.west, feet.south);
    EXPECT_NEAR(labels.Item(1)->Origin->x, map.x, 1e-5);
    EXPECT_NEAR(labels.Item(1)->Origin->y, map.y - 100.0, 1e-5);

    // Corner labels have always been made without a units service: they show metres then.
    auto m = Styled(parallo_test::UtmSheetOnWebMercator(), parallo::kExtentProjected, 100.0, true);
    m->service.SetUnitsOfMeasure(nullptr);
    m->service.CreateLabels();
    EXPECT_TRUE(m->reports.empty()) << m->reports.front();
    ASSERT_EQ(m->service.LabelsCollection()->Count(), 8);
    EXPECT_EQ(m->service.LabelsCollection()->Item(1)->LabelString, "480000mE");
}

TEST(GenCorners, GeographicCornersAndRetypedSystems) {
    auto f = Labelled(parallo_test::GraticuleOnWebMercator(), parallo::kExtentGeographic, 2000.0, true);
    EXPECT_TRUE(f->reports.empty()) << f->reports.front();
    const auto &labels = *f->service.LabelsCollection();
    ASSERT_EQ(labels.Count(), 8);
    EXPECT_EQ(labels.Item(1)->LabelString, "5°00'00\"E");
    EXPECT_EQ(labels.Item(2)->LabelString, "45°00'00\"N");
    EXPECT_EQ(labels.Item(5)->LabelString, "15°00'00\"E");
    EXPECT_EQ(labels.Item(6)->LabelString, "55°00'00\"N");
    EXPECT_EQ(labels.Item(6)->LabelStringUnit, "");

    // Projected display of a geographic neatline system: the labels read a re-typed copy, and the
    // rotation compares a second copy typed as the extents; the host's systems stay geographic.
    auto p = Labelled(parallo_test::GraticuleOnWebMercator(), parallo::kExtentProjected, 2000.0, true);
    EXPECT_TRUE(p->reports.empty()) << p->reports.front();
    EXPECT_EQ(p->neatlineSystem->BaseStorageType(), coordkit::kGeographicStorage);
    EXPECT_EQ(p->gridSystem->BaseStorageType(), coordkit::kGeographicStorage);
    EXPECT_EQ(p->service.LabelsCollection()->Count(), 8);
    p->service.SetLabelType(parallo::PXltEdge);
    p->service.CreateLabels();
    EXPECT_EQ(p->gridSystem->BaseStorageType(), coordkit::kGeographicStorage);
    EXPECT_GT(p->service.LabelsCollection()->Count(), 0);
}

// ---- failures ------------------------------------------------------------------------------

TEST(GenFailures, MissingGridSystemKeepsThePreviousLabels) {
    auto f = Labelled(parallo_test::UtmSheetOnWebMercator(), parallo::kExtentProjected, 100.0);
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
        auto f = Styled(parallo_test::UtmSheetOnWebMercator(), parallo::kExtentProjected, 100.0);
        f->service.SetInterval(std::make_shared<Point>(interval, 1000.0));
        f->service.CreateLabels();
        ASSERT_EQ(f->reports.size(), 1u);
        EXPECT_EQ(f->reports[0].rfind("Create_Labels Error | ", 0), 0u) << f->reports[0];
        EXPECT_EQ(f->service.LabelsCollection()->Count(), 0);
    }
}

TEST(GenFailures, OnlyAProjectedGridNeedsAUnitsService) {
    auto f = Styled(parallo_test::UtmSheetOnWebMercator(), parallo::kExtentProjected, 100.0);
    f->service.SetUnitsOfMeasure(nullptr);
    f->service.CreateLabels();
    ASSERT_EQ(f->reports.size(), 1u);
    EXPECT_EQ(f->reports[0],
              "Create_Labels Error | Going to FormatLabel | Object variable or With block variable not set");
    EXPECT_EQ(f->service.LabelsCollection()->Count(), 0);

    auto g = Styled(parallo_test::GraticuleOnWebMercator(), parallo::kExtentGeographic, 100.0);
    g->service.SetUnitsOfMeasure(nullptr);
    std::int32_t ret = 0;
    g->service.CreateLabels(ret);
    EXPECT_TRUE(g->reports.empty());
    EXPECT_GT(g->service.LabelsCollection()->Count(), 0);
    EXPECT_EQ(ret, 1); // the last grid line met the neatline
}

TEST(GenFailures, ADisplayTypeWithoutTextNeverWritesIntoAnEarlierCollection) {
    auto f = Labelled(parallo_test::UtmSheetOnWebMercator(), parallo::kExtentProjected, 100.0);
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
