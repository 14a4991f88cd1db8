// Label layout on real frames: the labels CreateLabels makes, measured on real faces, laid out at
// map scales where many of them collide. The properties are checked with geometry of the tests'
// own (point in polygon by ray casting over every neatline edge, convex overlap by edge crossings
// and contained vertices), not with the layout's grids. Text widths are checked against
// HarfBuzz's own shaping and against a monospace face.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "parallo/layout.h"
#include "parallo/parallo.h"
#include "support/checks.h"
#include "support/frames.h"

#if defined(PARALLO_WITH_FONTS)
#include <hb.h>
#endif

namespace {

using parallo::LabelBox;
using parallo::LabelLayout;
using parallo::LabelPlacement;
using parallo::ParalloCls;
using parallo_test::FrameLayout;
using parallo_test::InRing;
using parallo_test::ToSegment;
using shapekit::Point;

const char *const kSans = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

std::shared_ptr<parallo::LabelPartCls> Part(double size, bool bold, parallo::pxgrdFontType type,
                                            bool shown = true) {
    auto font = std::make_shared<parallo::StdFont>();
    font->Name = "DejaVu Sans";
    font->Size = size;
    font->Bold = bold;
    auto part = std::make_shared<parallo::LabelPartCls>();
    part->SetFont(font);
    part->SetFontType(type);
    part->SetbDisplay(shown);
    return part;
}

// ---- the tests' own geometry -----------------------------------------------------------------

double Cross(const Point &o, const Point &a, const Point &b) {
    return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x);
}

/// Proper crossing: each segment's ends strictly on both sides of the other.
bool ProperlyCross(const Point &a, const Point &b, const Point &c, const Point &d) {
    return Cross(a, b, c) * Cross(a, b, d) < 0.0 && Cross(c, d, a) * Cross(c, d, b) < 0.0;
}

/// The box shrunk towards its centre by `f` of its size, so that boxes merely touching (or
/// apart by rounding) do not count as overlapping. Two boxes are shrunk by different fractions,
/// so that boxes of one size on one line (labels of one side) never share an edge line, which
/// crossings alone would miss.
std::vector<Point> Shrunk(const LabelBox &box, double f) {
    Point c;
    for (const Point &p : box.Corners) {
        c.x += p.x / 4.0;
        c.y += p.y / 4.0;
    }
    std::vector<Point> out;
    for (const Point &p : box.Corners)
        out.emplace_back(p.x + (c.x - p.x) * f, p.y + (c.y - p.y) * f);
    return out;
}

/// Whether two convex quadrilaterals share area: their edges cross, or one holds the other's
/// vertex.
bool QuadsOverlap(const std::vector<Point> &a, const std::vector<Point> &b) {
    for (std::size_t i = 0; i < 4; ++i)
        for (std::size_t j = 0; j < 4; ++j)
            if (ProperlyCross(a[i], a[(i + 1) % 4], b[j], b[(j + 1) % 4])) return true;
    return InRing(a, b[0]) || InRing(b, a[0]);
}

/// 1e-6 of a box's size: far below a drawn hairline, far above the rounding of map coordinates.
constexpr double kTouch = 1e-6;

/// The distance between two boxes that do not overlap: the least vertex-to-edge distance.
double Apart(const LabelBox &a, const LabelBox &b) {
    double d = std::numeric_limits<double>::infinity();
    for (const LabelBox *from : {&a, &b}) {
        const LabelBox &to = from == &a ? b : a;
        for (const Point &p : from->Corners)
            for (std::size_t k = 0; k < 4; ++k)
                d = std::min(d, ToSegment(p, to.Corners[k], to.Corners[(k + 1) % 4]));
    }
    return d;
}

// ---- frames ----------------------------------------------------------------------------------

// Fields as in parallo_test::FrameLayout: name; map view, neatline and grid systems; geographic
// corners; west, south, east, north; neatline stroke; geographic grid; intervals; grid stroke;
// tick and cross length.
// clang-format off
/// A 60 km × 40 km UTM 32N sheet with a 1 km grid, in UTM 32N.
const FrameLayout kUtmSheet60x40{"utm-60x40", "EPSG:32632", "EPSG:32632", "EPSG:32632", false,
                                 470000.0, 5300000.0, 530000.0, 5340000.0, 1000.0, false, 1000.0, 1000.0, 250.0, 400.0, 300.0};
/// A 1° graticule on 5°E–15°E, 45°N–55°N in LAEA Europe, where meridians converge and the labels
/// turn with them.
const FrameLayout kGraticuleOnLaea{"graticule-on-laea", "EPSG:3035", "EPSG:4326", "EPSG:4326", true,
                                   5.0, 45.0, 15.0, 55.0, 0.25, true, 1.0, 1.0, 0.1, 20000.0, 15000.0};
/// The whole world, 80°S–80°N, in Web Mercator with a 30° graticule: the 180° meridians are the
/// neatline's left and right edges, where the parallel's direction wraps to the far side.
const FrameLayout kWorldOnWebMercator{"world-on-web-mercator", "EPSG:3857", "EPSG:4326", "EPSG:4326", true,
                                      -180.0, -80.0, 180.0, 80.0, 5.0, true, 30.0, 30.0, 5.0, 20000.0, 15000.0};
/// A 5° graticule far east of LAEA Europe's centre (30°E–50°E, 55°N–65°N): the meridians are
/// turned 15° to 35° against the map's north, so a quarter turn for text across the edge takes
/// the labels beyond 90°.
const FrameLayout kFarEastOnLaea{"far-east-on-laea", "EPSG:3035", "EPSG:4326", "EPSG:4326", true,
                                 30.0, 55.0, 50.0, 65.0, 0.25, true, 5.0, 5.0, 0.5, 20000.0, 15000.0};
// clang-format on

struct Case {
    const char *name;
    FrameLayout frame;
    parallo::pxgrdLabelPosition position;
    parallo::GridLabelOrientationConstants orientation;
    double offset; ///< LabelOffset, map-view units
    double scale;  ///< MapScale
    bool geographic;
};

void PrintTo(const Case &c, std::ostream *os) { *os << c.name; }

/// Labels of one frame, as a host makes them: digit groups 45|23|000 in 8, 12 bold and 8 point
/// superscript, hemisphere after the value; edge labels, then corner labels.
struct Labelled {
    std::unique_ptr<parallo_test::Frame> frame;
    parallo::LabelStyle style;
    std::vector<parallo::LayoutLabel> labels;
};

Labelled MakeLabels(const Case &c) {
    Labelled out;
    out.frame = parallo_test::MakeFrame(c.frame);
    ParalloCls &s = out.frame->service;
    s.SetLabelPartA(Part(8.0, false, parallo::pxgrdFontType_Superscript));
    s.SetLabelPartB(Part(12.0, true, parallo::pxgrdFontType_Normal));
    s.SetLabelPartC(Part(8.0, false, parallo::pxgrdFontType_Superscript));
    s.SetLabelPartD(Part(8.0, false, parallo::pxgrdFontType_Normal, false));
    s.SetLabelPartUnit(Part(8.0, false, parallo::pxgrdFontType_Normal, false));
    s.SetLabelPartHemisphere(Part(10.0, true, parallo::pxgrdFontType_Normal));
    parallo_test::StyleLabels(s, c.geographic ? parallo::kExtentGeographic : parallo::kExtentProjected,
                              c.offset);
    s.SetLabelPosition(c.position);
    s.SetLabelOrientation(c.orientation);
    s.SetLabelType(parallo::PXltEdge);
    s.CreateLabels();
    out.labels = parallo::LayoutLabelsOf(*s.LabelsCollection(), false);
    s.SetLabelType(parallo::PXltCorner);
    s.CreateLabels();
    for (const auto &corner : parallo::LayoutLabelsOf(*s.LabelsCollection(), true))
        out.labels.push_back(corner);
    out.style = parallo::LabelStyleOf(s);
    out.style.LabelPosition = c.position;
    return out;
}

std::unique_ptr<parallo::TextMeasurer> Measurer() {
    auto m = parallo::CreateFontTextMeasurer();
    if (!m) m = std::make_unique<parallo::ApproximateTextMeasurer>();
    return m;
}

/// Whether a placement must come before (or with) another: the layout's order of priority.
bool Outranks(const LabelPlacement &a, const LabelPlacement &b) {
    if (a.Corner != b.Corner) return a.Corner;
    return a.Roundness >= b.Roundness;
}

// clang-format off
const Case kCases[] = {
    // 1 km labels about 1.8 km long: every other top and bottom label must go.
    {"utm60x40-outside-100k", kUtmSheet60x40, parallo::pxgrdLabelPosition_Outside, parallo::PXloParallelPerpendicular, 300.0, 100000.0, false},
    {"utm60x40-inside-250k", kUtmSheet60x40, parallo::pxgrdLabelPosition_Inside, parallo::PXloParallel, -300.0, 250000.0, false},
    // Inside labels without an offset stand on the neatline: the neatline must drop them.
    {"utm60x40-inside-on-neatline", kUtmSheet60x40, parallo::pxgrdLabelPosition_Inside, parallo::PXloParallelPerpendicular, 0.0, 50000.0, false},
    {"utm-on-utm33-outside-150k", parallo_test::UtmSheetOnUtm33(), parallo::pxgrdLabelPosition_Outside, parallo::PXloPerpendicular, 500.0, 150000.0, false},
    {"graticule-on-laea-outside-4m", kGraticuleOnLaea, parallo::pxgrdLabelPosition_Outside, parallo::PXloParallel, 8000.0, 4e6, true},
};
// clang-format on

class LaidOutFrame : public ::testing::TestWithParam<Case> {};

TEST_P(LaidOutFrame, ShownLabelsNeverOverlapNorCrossTheNeatlineAndEveryDroppedLabelYieldsToAShownOne) {
    const Case &c = GetParam();
    Labelled l = MakeLabels(c);
    ASSERT_TRUE(l.frame->reports.empty()) << l.frame->reports.front();
    ASSERT_GT(l.labels.size(), 40u);
    auto measurer = Measurer();
    const auto &neatline = *l.frame->service.NeatlinePolygon();
    const LabelLayout layout = parallo::LayOutLabels(l.labels, l.style, neatline, c.scale, *measurer);
    ASSERT_EQ(layout.Failure, "");
    ASSERT_EQ(layout.Placements.size(), l.labels.size());
    const std::vector<Point> &ring = neatline.Points().Vector();
    const bool inside = c.position == parallo::pxgrdLabelPosition_Inside;

    std::vector<std::size_t> shown;
    std::size_t hidden = 0;
    for (std::size_t i = 0; i < layout.Placements.size(); ++i) {
        const LabelPlacement &p = layout.Placements[i];
        ASSERT_FALSE(p.Box.Empty) << p.Label->LabelString;
        if (p.Hidden) {
            ++hidden;
            continue;
        }
        shown.push_back(i);
        for (const Point &corner : p.Box.Corners)
            EXPECT_EQ(InRing(ring, corner), inside)
                << p.Label->LabelString << " on side " << p.Label->LabelAxis;
        for (std::size_t k = 0; k < 4; ++k)
            for (std::size_t e = 0; e + 1 < ring.size(); ++e)
                EXPECT_FALSE(
                    ProperlyCross(p.Box.Corners[k], p.Box.Corners[(k + 1) % 4], ring[e], ring[e + 1]))
                    << p.Label->LabelString << " crosses the neatline";
    }
    Point low, high;
    ASSERT_TRUE(parallo::ShownBounds(layout, low, high));
    for (std::size_t i : shown)
        for (const Point &corner : layout.Placements[i].Box.Corners)
            EXPECT_TRUE(low.x <= corner.x && corner.x <= high.x && low.y <= corner.y && corner.y <= high.y)
                << "the view box holds every shown box";
    for (std::size_t a = 0; a < shown.size(); ++a)
        for (std::size_t b = a + 1; b < shown.size(); ++b) {
            const LabelPlacement &pa = layout.Placements[shown[a]], &pb = layout.Placements[shown[b]];
            EXPECT_FALSE(QuadsOverlap(Shrunk(pa.Box, kTouch), Shrunk(pb.Box, 2.0 * kTouch)))
                << pa.Label->LabelString << " and " << pb.Label->LabelString << " overprint";
        }

    ASSERT_EQ(layout.Dropped.size(), hidden) << "every hidden label is reported";
    std::size_t overlaps = 0;
    for (const parallo::DroppedLabel &d : layout.Dropped) {
        const LabelPlacement &p = layout.Placements[static_cast<std::size_t>(d.Index)];
        EXPECT_TRUE(p.Hidden);
        EXPECT_EQ(d.Value, p.Label->LabelString);
        EXPECT_EQ(d.Side, p.Label->LabelAxis);
        if (d.Reason != parallo::kLabelOverlaps) {
            EXPECT_EQ(d.YieldedTo, -1);
            continue;
        }
        ++overlaps;
        ASSERT_GE(d.YieldedTo, 0);
        const LabelPlacement &winner = layout.Placements[static_cast<std::size_t>(d.YieldedTo)];
        EXPECT_FALSE(winner.Hidden) << d.Value << " yields to a hidden label";
        EXPECT_TRUE(Outranks(winner, p)) << d.Value << " yields to the lower-ranked " << d.YieldedToValue;
        EXPECT_TRUE(QuadsOverlap(Shrunk(p.Box, kTouch), Shrunk(winner.Box, 2.0 * kTouch)))
            << d.Value << " yields to " << d.YieldedToValue << ", which it does not overlap";
    }
    // The scales are chosen so that labels collide: a layout that keeps or drops all proves nothing.
    EXPECT_GT(shown.size(), 8u);
    EXPECT_GT(hidden, 0u);

    // With a least gap, shown boxes stand at least that far apart (on paper: 2 pt). Tolerance: a
    // millionth of the gap, far below the rounding of box corners some kilometres from the origin.
    parallo::LabelStyle spaced = l.style;
    spaced.MinimumGap = 2.0;
    const double gap = 2.0 * parallo::kPointMillimetres * 1e-3 * c.scale;
    const LabelLayout apart = parallo::LayOutLabels(l.labels, spaced, neatline, c.scale, *measurer);
    std::vector<const LabelPlacement *> kept;
    for (const LabelPlacement &p : apart.Placements)
        if (!p.Hidden) kept.push_back(&p);
    for (std::size_t a = 0; a < kept.size(); ++a)
        for (std::size_t b = a + 1; b < kept.size(); ++b)
            EXPECT_GE(Apart(kept[a]->Box, kept[b]->Box), gap * (1.0 - 1e-6))
                << kept[a]->Label->LabelString << " and " << kept[b]->Label->LabelString << " read as one";

    // Deterministic: the same labels give the same map.
    const LabelLayout again = parallo::LayOutLabels(l.labels, l.style, neatline, c.scale, *measurer);
    for (std::size_t i = 0; i < layout.Placements.size(); ++i)
        EXPECT_EQ(again.Placements[i].Hidden, layout.Placements[i].Hidden);
}

INSTANTIATE_TEST_SUITE_P(Frames, LaidOutFrame, ::testing::ValuesIn(kCases), parallo_test::NameOf());

TEST(LaidOutFrame, RounderValuesWinOnTheCrowdedTopEdge) {
    // At 1:100 000 a top label is about 1.8 km long on a 1 km grid: of two neighbours, the even
    // kilometre stays; every 10 km value and every 5 km value stays; so do the corner labels.
    Labelled l = MakeLabels(kCases[0]);
    auto measurer = Measurer();
    const LabelLayout layout =
        parallo::LayOutLabels(l.labels, l.style, *l.frame->service.NeatlinePolygon(), 1e5, *measurer);
    int checked = 0;
    for (const LabelPlacement &p : layout.Placements) {
        if (p.Corner) {
            EXPECT_FALSE(p.Hidden) << "corner " << p.Label->LabelString;
            continue;
        }
        if (p.Label->LabelAxis != parallo::pxgrdNorth) continue;
        const double km = std::stod(p.Label->LabelStringA + p.Label->LabelStringB);
        const double x = std::fmod(km, 10.0);
        // The corners of the sheet outrank the edge labels next to them.
        if (km < 475.0 || km > 525.0) continue;
        if (x == 0.0 || x == 5.0) {
            EXPECT_FALSE(p.Hidden) << km;
        }
        if (std::fmod(km, 2.0) == 1.0 && x != 5.0) {
            EXPECT_TRUE(p.Hidden) << km;
        }
        ++checked;
    }
    EXPECT_EQ(checked, 51);
}

// ---- readable labels ---------------------------------------------------------------------------

TEST(ReadableLabels, NoneUpsideDownAndEachOnItsSideOfTheNeatline) {
    // clang-format off
    const Case cases[] = {
        {"world", kWorldOnWebMercator, parallo::pxgrdLabelPosition_Outside, parallo::PXloParallelPerpendicular, 300000.0, 1e8, true},
        {"world-parallel", kWorldOnWebMercator, parallo::pxgrdLabelPosition_Outside, parallo::PXloParallel, 300000.0, 1e8, true},
        {"far-east-perpendicular", kFarEastOnLaea, parallo::pxgrdLabelPosition_Outside, parallo::PXloPerpendicular, 20000.0, 1e7, true},
        {"far-east-parallel", kFarEastOnLaea, parallo::pxgrdLabelPosition_Outside, parallo::PXloParallel, 20000.0, 1e7, true},
        {"far-east-along", kFarEastOnLaea, parallo::pxgrdLabelPosition_Outside, parallo::PXloParallelPerpendicular, 20000.0, 1e7, true},
        {"far-east-perpendicular-inside", kFarEastOnLaea, parallo::pxgrdLabelPosition_Inside, parallo::PXloPerpendicular, -20000.0, 1e7, true},
        {"far-east-parallel-inside", kFarEastOnLaea, parallo::pxgrdLabelPosition_Inside, parallo::PXloParallel, -20000.0, 1e7, true},
        {"far-east-along-inside", kFarEastOnLaea, parallo::pxgrdLabelPosition_Inside, parallo::PXloParallelPerpendicular, -20000.0, 1e7, true},
    };
    // clang-format on
    auto measurer = Measurer();
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Labelled l = MakeLabels(c);
        ASSERT_TRUE(l.frame->reports.empty()) << l.frame->reports.front();
        const auto &neatline = *l.frame->service.NeatlinePolygon();
        const std::vector<Point> &ring = neatline.Points().Vector();
        const LabelLayout layout = parallo::LayOutLabels(l.labels, l.style, neatline, c.scale, *measurer);
        ASSERT_EQ(layout.Failure, "");
        int turned = 0;
        for (const LabelPlacement &p : layout.Placements) {
            const parallo::GridLabel &label = *p.Label;
            const std::string what = label.LabelString + " on side " + std::to_string(label.LabelAxis);
            // Exactly: the fold leaves nothing beyond a quarter turn, not even by a rounding.
            EXPECT_LE(std::fabs(label.Angle), 90.0) << what;
            turned += label.Angle != 0.0 && label.Angle != 90.0;
            const bool inside = c.position == parallo::pxgrdLabelPosition_Inside;
            // An inside label of a line along the neatline (30°E, 50°E, 55°N, 65°N here) stands on
            // the other edge at the corner, whatever its turn: neither side is its own; the
            // layout hides it where its box crosses the neatline.
            const bool acrossEdge =
                label.LabelAxis == parallo::pxgrdNorth || label.LabelAxis == parallo::pxgrdSouth;
            const double degrees = std::stod(label.LabelStringA);
            if (inside && (degrees == (acrossEdge ? c.frame.west : c.frame.south) ||
                           degrees == (acrossEdge ? c.frame.east : c.frame.north)))
                continue;
            EXPECT_EQ(InRing(ring, *label.Origin), inside) << what << ": anchor on the wrong side";
            // The whole text stands on its anchor's side: an edge label's box never reaches across
            // the neatline (corner labels may, by design, reach past the other edge's end).
            if (p.Corner) continue;
            for (const Point &corner : p.Box.Corners)
                EXPECT_EQ(InRing(ring, corner), inside) << what << ": text across the neatline";
        }
        if (std::string(c.name).rfind("far-east", 0) == 0) {
            EXPECT_GT(turned, 0) << "the graticule turns the labels here";
        }
    }
}

TEST(LaidOutFrame, BoxesBeyondAnyFiniteExtentNeitherCrashNorLoseALabel) {
    // Found by fuzz_service: labels near both ends of the doubles' range make an extent whose
    // width and height are infinite, and the spatial index cast their quotient (not a number) to a
    // cell count. The sanitizer run holds this test.
    Labelled l = MakeLabels(kCases[0]);
    ASSERT_GE(l.labels.size(), 2u);
    l.labels[0].Label->Origin = std::make_shared<Point>(1e308, 1e308);
    l.labels[1].Label->Origin = std::make_shared<Point>(-1e308, -1e308);
    auto measurer = Measurer();
    const LabelLayout layout =
        parallo::LayOutLabels(l.labels, l.style, *l.frame->service.NeatlinePolygon(), 1e5, *measurer);
    EXPECT_EQ(layout.Failure, "");
    EXPECT_EQ(layout.Placements.size(), l.labels.size());
}

// ---- one label's box --------------------------------------------------------------------------

TEST(LabelBox, JustifiedOnItsOriginAndTurnedWithIt) {
    // "100" in a 10 pt part without font at 1:1000 on a metric map view: with the approximate
    // measurer 3 × 6 pt wide and 7.3 pt of ink; 1 pt = 0.3528 m on the ground.
    parallo::LabelStyle style;
    style.PartB = Part(10.0, false, parallo::pxgrdFontType_Normal);
    parallo::GridLabel label;
    label.LabelString = label.LabelStringB = "100";
    label.Origin = std::make_shared<Point>(1000.0, 2000.0);
    parallo::ApproximateTextMeasurer measurer;
    const double pt = 1000.0 * 25.4 / 72.0 / 1000.0;
    struct Row {
        drawkit::HorizontalJustification h;
        drawkit::VerticalJustification v;
        double angle;
        double x0, y0; ///< lower left of the upright text, points from the origin
    };
    const Row rows[] = {
        {drawkit::kTextStartsAtOrigin, drawkit::kTextAboveOrigin, 0.0, 0.0, 1.0},
        {drawkit::kTextCentredOnOrigin, drawkit::kTextBelowOrigin, 90.0, -9.0, -7.5 - 0.0},
        {drawkit::kTextEndsAtOrigin, drawkit::kTextCentredVertically, 30.0, -18.0, -3.5},
    };
    for (const Row &r : rows) {
        label.HorizontalJustification = r.h;
        label.VerticalJustification = r.v;
        label.Angle = r.angle;
        const LabelBox box = parallo::MeasureLabelBox(label, style, 1000.0, measurer);
        const double t = r.angle * 3.14159265358979323846 / 180.0;
        const double ux[4] = {r.x0, r.x0 + 18.0, r.x0 + 18.0, r.x0};
        const double uy[4] = {r.y0, r.y0, r.y0 + 7.3, r.y0 + 7.3};
        for (std::size_t k = 0; k < 4; ++k) {
            const double ex = 1000.0 + pt * (ux[k] * std::cos(t) - uy[k] * std::sin(t));
            const double ey = 2000.0 + pt * (ux[k] * std::sin(t) + uy[k] * std::cos(t));
            // 1e-9 m: rounding of a few products near 2000.
            EXPECT_TRUE(parallo_test::Near(box.Corners[k], Point(ex, ey), 1e-9))
                << "angle " << r.angle << " corner " << k;
        }
    }
    // A scale that is no scale fails the layout, and leaves every label shown.
    parallo::LabelLayout bad = parallo::LayOutLabels({{std::make_shared<parallo::GridLabel>(label), false}},
                                                     style, shapekit::PolygonGeometry(), 0.0, measurer);
    EXPECT_NE(bad.Failure, "");
    ASSERT_EQ(bad.Placements.size(), 1u);
    EXPECT_FALSE(bad.Placements[0].Hidden);
}

// ---- text widths on real faces ------------------------------------------------------------------

#if defined(PARALLO_WITH_FONTS)

/// The advance of a text shaped by HarfBuzz alone on the face file, in points at `size`.
double HarfBuzzAdvance(const char *file, const std::string &text, double size) {
    hb_blob_t *blob = hb_blob_create_from_file(file);
    hb_face_t *face = hb_face_create(blob, 0);
    hb_font_t *font = hb_font_create(face);
    const double upem = static_cast<double>(hb_face_get_upem(face));
    hb_buffer_t *buffer = hb_buffer_create();
    hb_buffer_add_utf8(buffer, text.c_str(), -1, 0, -1);
    hb_buffer_guess_segment_properties(buffer);
    hb_shape(font, buffer, nullptr, 0);
    unsigned int count = 0;
    const hb_glyph_position_t *pos = hb_buffer_get_glyph_positions(buffer, &count);
    double advance = 0.0;
    for (unsigned int i = 0; i < count; ++i)
        advance += pos[i].x_advance;
    hb_buffer_destroy(buffer);
    hb_font_destroy(font);
    hb_face_destroy(face);
    hb_blob_destroy(blob);
    return advance / upem * size;
}

TEST(FontTextMeasurer, WidthsAreHarfBuzzShapingOfTheFace) {
    auto measurer = parallo::CreateFontTextMeasurer();
    ASSERT_TRUE(measurer);
    parallo::StdFont sans;
    sans.Name = "DejaVu Sans";
    // Digits, marks of degrees-minutes-seconds, and a pair the face kerns.
    for (const std::string text : {"4523789", "45°30'15\"N", "AVAV", "Wo", ""}) {
        const double expected = HarfBuzzAdvance(kSans, text, 11.0);
        // 1e-9 pt: both shape the same unhinted design units; only the scaling can round.
        EXPECT_NEAR(measurer->Measure(text, sans, 11.0).Advance, expected, 1e-9) << text;
    }
    // Kerning is applied: "AV" is narrower than "A" and "V" set apart.
    EXPECT_LT(measurer->Measure("AV", sans, 10.0).Advance,
              measurer->Measure("A", sans, 10.0).Advance + measurer->Measure("V", sans, 10.0).Advance - 0.1);
    // Digits stand on the baseline: ink up to about the cap height (0.73 em), barely below.
    const parallo::TextExtent digits = measurer->Measure("4523", sans, 10.0);
    EXPECT_NEAR(digits.Ascent, 7.3, 0.3) << "the face's digit height, within 0.03 em";
    EXPECT_LT(digits.Descent, 0.3) << "round digits overshoot the baseline by a hair";
    // Bold is another face, wider.
    parallo::StdFont bold = sans;
    bold.Bold = true;
    EXPECT_GT(measurer->Measure("4523", bold, 10.0).Advance, digits.Advance);
}

TEST(FontTextMeasurer, MonospaceWidthIsCountTimesAdvance) {
    auto measurer = parallo::CreateFontTextMeasurer();
    ASSERT_TRUE(measurer);
    parallo::StdFont mono;
    mono.Name = "DejaVu Sans Mono";
    const double one = measurer->Measure("0", mono, 9.0).Advance;
    // DejaVu Sans Mono: 1233 of 2048 units per character.
    EXPECT_NEAR(one, 9.0 * 1233.0 / 2048.0, 1e-9) << "the face's own advance";
    for (const std::string text : {"00", "4523789", "45°30'15\"N", "-12.50 m"}) {
        std::size_t n = 0;
        for (char ch : text)
            n += (static_cast<unsigned char>(ch) & 0xC0u) != 0x80u;
        EXPECT_NEAR(measurer->Measure(text, mono, 9.0).Advance, static_cast<double>(n) * one, 1e-9) << text;
    }
}

#endif

} // namespace
