// Edge labels on real PROJ systems. Each frame's labels are checked against an independent
// reckoning of where every grid line of the interval crosses the neatline: one label per side
// and line, in the order bottom, top per vertical line and left, right per horizontal line; its
// value is the grid value of that line in the grid's own unit; its origin lies LabelOffset away
// from the crossing, across the neatline.
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
using parallo::LabelPartCls;
using parallo::ParalloCls;
using parallo_test::Frame;
using parallo_test::FrameSpec;
using parallo_test::MakeFrame;
using shapekit::Point;

constexpr double kPi = 3.14159265358979323846;
/// The length of one US survey foot in metres.
constexpr double kUsFoot = 1200.0 / 3937.0;

/// Label styling as a host sets it: parts A, B, C, unit and hemisphere shown (hemisphere after
/// the value), no decimals, digit groups of 2 and 3 (53|10|000), labels outside the neatline,
/// unturned text along the edge.
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

/// One label the frame must carry.
struct Expected {
    std::int32_t axis = 0;
    double value = 0.0; ///< the value shown: grid unit, or degrees (negative west and south)
    Point map;          ///< the crossing of grid line and neatline, in the map view
};

double Wrap180(double x) {
    while (x > 180.0)
        x -= 360.0;
    while (x <= -180.0)
        x += 360.0;
    return x;
}

/// Where the grid lines of the frame cross its neatline, reckoned apart from the service: the
/// map-view neatline taken into the grid system (shifted a turn east past the 180° meridian),
/// each grid value intersected with its straight edges there, the lowest and the highest crossing
/// of each line kept, and brought back to the map view. Lines within a millionth of an interval of
/// the frame's extent run along its edge and are left out (`edgeValues` receives them).
struct Reckoning {
    std::vector<Expected> labels;
    std::vector<double> verticalEdges;   // shown values of vertical lines on the extent
    std::vector<double> horizontalEdges; // shown values of horizontal lines on the extent
};

Reckoning Reckon(const Frame &f, double unitPerMetre) {
    const FrameSpec &layout = f.spec;
    const bool geo = layout.geographicGrid;
    auto mgr = coordkit::CreateProjCoordSystemsMgr(f.mapView);
    auto T = mgr->GetTransformService()->CreateSimpleTransFromCSMtoCS(*mgr, f.gridSystem);

    std::vector<Point> ring = f.service.NeatlinePolygon()->Points().Vector();
    T->Transform(ring.data(), ring.size(), 0);
    const bool across180 = geo && layout.west > layout.east;
    for (Point &p : ring) {
        if (geo) {
            if (across180 && p.x < 0.0) p.x += 360.0;
            p.x *= kPi / 180.0;
            p.y *= kPi / 180.0;
        } else {
            f.gridSystem->ConvertPoint(coordkit::kStorage, coordkit::kProjectionPlane, p.x, p.y, p.z);
        }
    }
    const double k = geo ? kPi / 180.0 : 1.0;
    const double ix = layout.intervalX * k;
    const double iy = layout.intervalY * k;

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
    for (int pass = 0; pass < 2; ++pass) {
        const bool vertical = pass == 0;
        double lo = 1e300, hi = -1e300;
        for (const Point &p : ring) {
            lo = std::min(lo, vertical ? p.x : p.y);
            hi = std::max(hi, vertical ? p.x : p.y);
        }
        const double step = vertical ? ix : iy;
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
            const std::int32_t lowAxis = vertical ? parallo::pxgrdSouth : parallo::pxgrdWest;
            const std::int32_t highAxis = vertical ? parallo::pxgrdNorth : parallo::pxgrdEast;
            r.labels.push_back(
                {lowAxis, shown(v, vertical), toMap(vertical ? Point(v, low) : Point(low, v))});
            r.labels.push_back(
                {highAxis, shown(v, vertical), toMap(vertical ? Point(v, high) : Point(high, v))});
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

/// The direction a label moves away from its crossing: outward across its edge.
Point Outward(std::int32_t axis) {
    switch (axis) {
    case parallo::pxgrdNorth:
        return Point(0.0, 1.0);
    case parallo::pxgrdSouth:
        return Point(0.0, -1.0);
    case parallo::pxgrdWest:
        return Point(-1.0, 0.0);
    default:
        return Point(1.0, 0.0);
    }
}

bool Near(double a, double b, double tol) { return std::fabs(a - b) <= tol; }

/// Checks every edge label of the frame against the reckoning. `valueTol` is half a unit of
/// what the labels show; `posTol` the positional tolerance in map-view units.
void CheckEdgeLabels(const Frame &f, double unitPerMetre, double offset, double posTol) {
    const bool geo = f.spec.geographicGrid;
    const double valueTol = geo ? 0.5 / 3600.0 : 0.5;
    const Reckoning r = Reckon(f, unitPerMetre);
    ASSERT_FALSE(r.labels.empty());

    std::vector<std::shared_ptr<GridLabel>> labels;
    for (const auto &l : *f.service.LabelsCollection()) {
        const bool vertical = l->LabelAxis == parallo::pxgrdNorth || l->LabelAxis == parallo::pxgrdSouth;
        const double v = ReadValue(*l, geo);
        const auto &edges = vertical ? r.verticalEdges : r.horizontalEdges;
        // Lines that run along the neatline's edge may or may not be met: left out.
        if (std::any_of(edges.begin(), edges.end(), [&](double e) { return Near(e, v, valueTol); })) continue;
        labels.push_back(l);
    }
    ASSERT_EQ(labels.size(), r.labels.size());
    for (std::size_t i = 0; i < labels.size(); ++i) {
        const GridLabel &l = *labels[i];
        const Expected &e = r.labels[i];
        SCOPED_TRACE("label " + std::to_string(i + 1) + " '" + l.LabelString + "'");
        EXPECT_EQ(l.LabelAxis, e.axis);
        EXPECT_NEAR(ReadValue(l, geo), e.value, valueTol);
        const Point out = Outward(e.axis);
        EXPECT_NEAR(l.Origin->x, e.map.x + offset * out.x, posTol);
        EXPECT_NEAR(l.Origin->y, e.map.y + offset * out.y, posTol);
        EXPECT_EQ(l.Angle, 0.0);
    }
}

/// 1e-5 m on a projected map view (0.01 mm: far below anything drawn, far above the rounding of
/// coordinates of a few million metres through two transformations); 1e-10° on a geographic one.
constexpr double kProjectedPos = 1e-5;
constexpr double kGeographicPos = 1e-10;

std::unique_ptr<Frame> Labelled(const FrameSpec &layout, std::int32_t displayType, double offset,
                                std::int32_t *retVal = nullptr) {
    auto f = MakeFrame(layout);
    StyleLabels(f->service, displayType, offset);
    std::int32_t ret = 0;
    f->service.CreateLabels(ret);
    if (retVal != nullptr) *retVal = ret;
    return f;
}

std::shared_ptr<GridLabel> FindLabel(const Frame &f, std::int32_t axis, const std::string &text) {
    for (const auto &l : *f.service.LabelsCollection())
        if (l->LabelAxis == axis && l->LabelString == text) return l;
    return nullptr;
}

// ---- projected grids ---------------------------------------------------------------------

TEST(GenProjected, UtmGridOnWebMercatorInMetres) {
    auto f = Labelled(parallo_test::UtmSheetOnWebMercator(), parallo::kExtentProjected, 500.0);
    EXPECT_TRUE(f->reports.empty()) << f->reports.front();
    CheckEdgeLabels(*f, 1.0, 500.0, kProjectedPos);

    // Digit groups of the "big numbers": 53|30|000 on the left side, 4|95|000 at the bottom.
    auto west = FindLabel(*f, parallo::pxgrdWest, "5330000mN");
    ASSERT_TRUE(west);
    EXPECT_EQ(west->LabelStringA, "53");
    EXPECT_EQ(west->LabelStringB, "30");
    EXPECT_EQ(west->LabelStringC, "000");
    EXPECT_EQ(west->LabelStringUnit, "m");
    EXPECT_EQ(west->LabelStringHemisphere, "N");
    EXPECT_EQ(west->HorizontalJustification, 5);
    EXPECT_EQ(west->VerticalJustification, 8);
    auto south = FindLabel(*f, parallo::pxgrdSouth, "495000mE");
    ASSERT_TRUE(south);
    EXPECT_EQ(south->LabelStringA, "4");
    EXPECT_EQ(south->LabelStringB, "95");
    EXPECT_EQ(south->HorizontalJustification, 4);
    EXPECT_EQ(south->VerticalJustification, 7);
}

TEST(GenProjected, UtmGridOnNeighbouringUtmZone) {
    // The 32N grid is turned by a few degrees in 33N; projected extents keep the labels unturned.
    auto f = Labelled(parallo_test::UtmSheetOnUtm33(), parallo::kExtentProjected, 250.0);
    EXPECT_TRUE(f->reports.empty()) << f->reports.front();
    CheckEdgeLabels(*f, 1.0, 250.0, kProjectedPos);
}

FrameSpec StatePlaneFeet() {
    FrameSpec f;
    f.name = "ny-long-island-ftus-on-web-mercator";
    f.mapView = "EPSG:3857";
    f.neatlineSystem = "EPSG:2263";
    f.gridSystem = "EPSG:2263";
    // Projection-plane metres around Manhattan; grid lines every 5000 US survey feet.
    f.west = 295000.0;
    f.south = 55000.0;
    f.east = 305000.0;
    f.north = 65000.0;
    f.neatlineStroke = 500.0;
    f.intervalX = 5000.0 * kUsFoot;
    f.intervalY = 5000.0 * kUsFoot;
    return f;
}

TEST(GenProjected, StatePlaneGridInUsSurveyFeet) {
    auto f = Labelled(StatePlaneFeet(), parallo::kExtentProjected, 300.0);
    EXPECT_TRUE(f->reports.empty()) << f->reports.front();
    // Values in feet, positions where the lines in metres meet the neatline.
    CheckEdgeLabels(*f, 1.0 / kUsFoot, 300.0, kProjectedPos);
    ASSERT_GT(f->service.LabelsCollection()->Count(), 0);
    for (const auto &l : *f->service.LabelsCollection()) {
        EXPECT_EQ(l->LabelStringUnit, "ftUS");
        EXPECT_EQ(l->LabelStringC, "000"); // every value is a whole 5000 ft
    }
    // 295000 m is 967847.5 ftUS: the first line east of the western edge is 970000 ftUS.
    EXPECT_TRUE(FindLabel(*f, parallo::pxgrdSouth, "970000ftUSE"));
}

FrameSpec SouthOrientedLo29() {
    FrameSpec f;
    f.name = "lo29-on-lo29";
    f.mapView = "EPSG:2053";
    f.neatlineSystem = "EPSG:2053";
    f.gridSystem = "EPSG:2053";
    // Westings and southings near Johannesburg.
    f.west = 90500.0;
    f.south = 2870500.0;
    f.east = 110500.0;
    f.north = 2890500.0;
    f.neatlineStroke = 1000.0;
    f.intervalX = 5000.0;
    f.intervalY = 5000.0;
    return f;
}

TEST(GenProjected, SouthOrientedGridCarriesItsOwnHemisphereLetters) {
    auto f = Labelled(SouthOrientedLo29(), parallo::kExtentProjected, 100.0);
    EXPECT_TRUE(f->reports.empty()) << f->reports.front();
    CheckEdgeLabels(*f, 1.0, 100.0, kProjectedPos);
    // x counts westward and y southward: their labels say so.
    auto x = FindLabel(*f, parallo::pxgrdSouth, "100000mW");
    ASSERT_TRUE(x);
    EXPECT_EQ(x->LabelStringA + "|" + x->LabelStringB + "|" + x->LabelStringC, "1|00|000");
    EXPECT_TRUE(FindLabel(*f, parallo::pxgrdWest, "2880000mS"));
    for (const auto &l : *f->service.LabelsCollection()) {
        const bool vertical = l->LabelAxis == parallo::pxgrdNorth || l->LabelAxis == parallo::pxgrdSouth;
        EXPECT_EQ(l->LabelStringHemisphere, vertical ? "W" : "S");
    }
}

// ---- geographic grids --------------------------------------------------------------------------

FrameSpec GraticuleSouthWest() {
    FrameSpec f;
    f.name = "half-degree-graticule-patagonia-on-web-mercator";
    f.mapView = "EPSG:3857";
    f.neatlineSystem = "EPSG:4326";
    f.gridSystem = "EPSG:4326";
    f.geographicCorners = true;
    f.west = -71.2;
    f.south = -41.2;
    f.east = -68.7;
    f.north = -38.7;
    f.neatlineStroke = 0.1;
    f.geographicGrid = true;
    f.intervalX = 0.5;
    f.intervalY = 0.5;
    return f;
}

TEST(GenGeographic, DegreesMinutesSecondsWithHemisphereLetters) {
    auto f = Labelled(GraticuleSouthWest(), parallo::kExtentGeographic, 2000.0);
    EXPECT_TRUE(f->reports.empty()) << f->reports.front();
    CheckEdgeLabels(*f, 1.0, 2000.0, kProjectedPos);
    EXPECT_TRUE(FindLabel(*f, parallo::pxgrdNorth, "70°30'00\"W"));
    EXPECT_TRUE(FindLabel(*f, parallo::pxgrdSouth, "69°00'00\"W"));
    EXPECT_TRUE(FindLabel(*f, parallo::pxgrdWest, "39°30'00\"S"));
    auto east = FindLabel(*f, parallo::pxgrdEast, "41°00'00\"S");
    ASSERT_TRUE(east);
    // No unit on geographic labels; no minus sign when the hemisphere letter is shown.
    EXPECT_EQ(east->LabelStringA, "41°");
    EXPECT_EQ(east->LabelStringUnit, "");
}

TEST(GenGeographic, GraticuleOnWebMercator) {
    auto f = Labelled(parallo_test::GraticuleOnWebMercator(), parallo::kExtentGeographic, 3000.0);
    EXPECT_TRUE(f->reports.empty()) << f->reports.front();
    CheckEdgeLabels(*f, 1.0, 3000.0, kProjectedPos);
    EXPECT_TRUE(FindLabel(*f, parallo::pxgrdNorth, "9°00'00\"E"));
    EXPECT_TRUE(FindLabel(*f, parallo::pxgrdEast, "50°00'00\"N"));
}

TEST(GenGeographic, TurnedGraticuleLabelsStandTheirOffsetAway) {
    // On LAEA the meridians are turned against the map's north; with geographic extents the
    // labels turn with them and move off the neatline along the turned direction.
    FrameSpec layout = parallo_test::GraticuleOnWebMercator();
    layout.mapView = "EPSG:3035";
    const double O = 3000.0;
    auto f = Labelled(layout, parallo::kExtentGeographic, O);
    EXPECT_TRUE(f->reports.empty()) << f->reports.front();
    const Reckoning r = Reckon(*f, 1.0);
    int turned = 0;
    for (const Expected &e : r.labels) {
        std::shared_ptr<GridLabel> match;
        for (const auto &l : *f->service.LabelsCollection()) {
            if (l->LabelAxis == e.axis && Near(ReadValue(*l, true), e.value, 0.5 / 3600.0)) match = l;
        }
        ASSERT_TRUE(match) << "no label on side " << e.axis << " for " << e.value;
        const double d = std::hypot(match->Origin->x - e.map.x, match->Origin->y - e.map.y);
        if (e.axis == parallo::pxgrdSouth) {
            // The south rows start from a unit-length shift before the offset: within one unit.
            EXPECT_NEAR(d, O, 1.0 + kProjectedPos);
        } else {
            EXPECT_NEAR(d, O, kProjectedPos);
        }
        // The convergence between LAEA and the graticule stays within a few degrees here.
        EXPECT_LT(std::fabs(match->Angle), 10.0);
        if (match->Angle != 0.0) ++turned;
    }
    EXPECT_GT(turned, 0);
}

// ---- the 180° meridian -------------------------------------------------------------------------

void CheckPacific(const Frame &f, double offset, double posTol) {
    EXPECT_TRUE(f.reports.empty()) << f.reports.front();
    CheckEdgeLabels(f, 1.0, offset, posTol);
    // One label per side for each meridian strictly inside the frame, 180° among them, once.
    for (std::int32_t axis : {parallo::pxgrdSouth, parallo::pxgrdNorth}) {
        std::vector<double> meridians;
        for (const auto &l : *f.service.LabelsCollection())
            if (l->LabelAxis == axis) meridians.push_back(ReadValue(*l, true));
        for (int lon = 171; lon <= 189; ++lon) {
            const double shown = lon > 180 ? lon - 360.0 : lon;
            EXPECT_EQ(std::count_if(meridians.begin(), meridians.end(),
                                    [&](double m) { return Near(m, shown, 1e-6); }),
                      1)
                << "meridian " << lon;
        }
    }
    EXPECT_TRUE(FindLabel(f, parallo::pxgrdNorth, "180°00'00\"E"));
    EXPECT_TRUE(FindLabel(f, parallo::pxgrdNorth, "175°00'00\"W"));
    EXPECT_FALSE(FindLabel(f, parallo::pxgrdNorth, "185°00'00\"E"));
}

TEST(GenAcross180, PacificFrameOnAProjectedMapView) {
    auto f = Labelled(parallo_test::PacificOnProjected(), parallo::kExtentGeographic, 5000.0);
    CheckPacific(*f, 5000.0, kProjectedPos);
    // 175°W lies 35° east of the central meridian 150°E, not near the map's origin.
    auto l = FindLabel(*f, parallo::pxgrdNorth, "175°00'00\"W");
    ASSERT_TRUE(l);
    EXPECT_NEAR(l->Origin->x, 35.0 * 6378137.0 * kPi / 180.0, 1e-3);
}

TEST(GenAcross180, PacificFrameOnAGeographicMapView) {
    auto f = Labelled(parallo_test::PacificOnGeographic(), parallo::kExtentGeographic, 0.05);
    CheckPacific(*f, 0.05, kGeographicPos);
    auto l = FindLabel(*f, parallo::pxgrdSouth, "175°00'00\"W");
    ASSERT_TRUE(l);
    EXPECT_NEAR(l->Origin->x, -175.0, kGeographicPos);
    // East-side labels stand beyond the meridian, at 170°W.
    for (const auto &e : *f->service.LabelsCollection()) {
        if (e->LabelAxis == parallo::pxgrdEast) {
            EXPECT_NEAR(e->Origin->x, -170.0 + 0.05, kGeographicPos);
        }
    }
}

// ---- choice of sides ---------------------------------------------------------------------------

TEST(GenSides, OnlyTheChosenSidesAreLabelledInOrder) {
    auto f = MakeFrame(parallo_test::UtmSheetOnWebMercator());
    StyleLabels(f->service, parallo::kExtentProjected, 100.0);
    f->service.SetPlaceBottomSideGridElements(false);
    f->service.SetPlaceRightSideGridElements(false);
    f->service.CreateLabels();
    EXPECT_TRUE(f->reports.empty());
    // Top labels of the vertical lines first (ascending x), then left labels (ascending y).
    std::vector<std::int32_t> axes;
    std::vector<double> values;
    for (const auto &l : *f->service.LabelsCollection()) {
        axes.push_back(l->LabelAxis);
        values.push_back(ReadValue(*l, false));
    }
    ASSERT_EQ(axes.size(), 78u); // 39 interior lines each way
    for (std::size_t i = 0; i < axes.size(); ++i) {
        EXPECT_EQ(axes[i], i < 39 ? parallo::pxgrdNorth : parallo::pxgrdWest);
        if (i > 0 && i != 39) {
            EXPECT_GT(values[i], values[i - 1]);
        }
    }
}

TEST(GenSides, SkippedValuesGetNoLabel) {
    auto f = MakeFrame(parallo_test::UtmSheetOnWebMercator());
    StyleLabels(f->service, parallo::kExtentProjected, 100.0);
    f->service.SetSkipInterval(std::make_shared<Point>(10000.0, 5000.0));
    f->service.CreateLabels();
    EXPECT_TRUE(f->reports.empty());
    int vertical = 0, horizontal = 0;
    for (const auto &l : *f->service.LabelsCollection()) {
        const double v = ReadValue(*l, false);
        const bool isVertical = l->LabelAxis == parallo::pxgrdNorth || l->LabelAxis == parallo::pxgrdSouth;
        EXPECT_NE(std::fmod(v, isVertical ? 10000.0 : 5000.0), 0.0) << l->LabelString;
        ++(isVertical ? vertical : horizontal);
    }
    EXPECT_EQ(vertical, 2 * (39 - 3));   // 490000, 500000, 510000 skipped
    EXPECT_EQ(horizontal, 2 * (39 - 7)); // every 5000 m of 5325000..5355000 skipped
}

} // namespace
