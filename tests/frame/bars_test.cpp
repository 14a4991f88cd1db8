// Frame bars and frame ticks on real frames: a plain rectangle shown in its own system, a stroked
// sheet reprojected (turned and bent), and a graticule frame across the 180° meridian.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "frame/bars.h"
#include "frame/crossings.h"
#include "parallo/coordkit_proj.h"
#include "support/checks.h"
#include "support/frames.h"
#include "support/raises.h"

namespace {

using namespace parallo::frame;
using shapekit::Point;

/// A standard frame as a plain five-point rectangle (no stroking) in another map view.
parallo_test::FrameLayout Plain(parallo_test::FrameLayout f, const char *name, const char *mapView) {
    f.name = name;
    f.mapView = mapView;
    f.neatlineStroke = 0.0;
    return f;
}

/// The UTM sheet in its own system: map view = grid system.
parallo_test::FrameLayout PlainSheet() {
    return Plain(parallo_test::UtmSheetOnLaea(), "plain-utm-sheet", "EPSG:32632");
}

/// Plain frames whose straight map-view edges are curved in grid space: the UTM sheet on LAEA,
/// and a 1° graticule on a 40° × 30° frame in Web Mercator and in LAEA, where the straight bottom
/// and top edges bow across the parallels 36° and 64° and back.
parallo_test::FrameLayout PlainSheetOnLaea() {
    return Plain(parallo_test::UtmSheetOnLaea(), "plain-utm-sheet-on-laea", "EPSG:3035");
}

parallo_test::FrameLayout WideGraticule(const char *name, const char *mapView) {
    parallo_test::FrameLayout f = Plain(parallo_test::GraticuleOnWebMercator(), name, mapView);
    f.west = -10.0, f.east = 30.0, f.south = 35.0, f.north = 65.0;
    return f;
}
parallo_test::FrameLayout WideGraticuleOnWebMercator() {
    return WideGraticule("wide-graticule-on-web-mercator", "EPSG:3857");
}
parallo_test::FrameLayout WideGraticuleOnLaea() {
    return WideGraticule("wide-graticule-on-laea", "EPSG:3035");
}

struct Case {
    const char *name;
    friend void PrintTo(const Case &c, std::ostream *os) { *os << c.name; }
    parallo_test::FrameLayout layout;
    /// Interval in layout units (metres or degrees); 0 keeps the layout's.
    double interval;
};

std::vector<Case> Cases() {
    return {{"plain", PlainSheet(), 0.0},
            {"plain-no-crossings", PlainSheet(), 100000.0},
            {"plain-hundreds-of-crossings", PlainSheet(), 100.0},
            {"reprojected", parallo_test::UtmSheetOnLaea(), 0.0},
            {"across-180", parallo_test::PacificOnProjected(), 0.0},
            {"edges-crossing-a-value-twice", WideGraticuleOnLaea(), 0.0}};
}

/// A frame with its neatline, ring and crossings at the interval and at a quarter of it.
struct BarFrame {
    std::unique_ptr<parallo_test::Frame> frame;
    NeatlineRing ring;
    std::vector<Crossing> crossings;
    double width = 0.0;
    double tolerance = 0.0;

    explicit BarFrame(const Case &c) {
        parallo_test::FrameLayout layout = c.layout;
        if (c.interval > 0.0) layout.intervalX = layout.intervalY = c.interval;
        frame = parallo_test::MakeFrame(layout);
        const parallo::ParalloCls &s = frame->service;
        ring = parallo::detail::NeatlineRingOf(s.NeatlinePolygon(),
                                               static_cast<std::int16_t>(std::stoi(s.NeatlineStartTop())),
                                               static_cast<std::int16_t>(std::stoi(s.NeatlineStartRight())),
                                               static_cast<std::int16_t>(std::stoi(s.NeatlineStartBottom())));
        const parallo::detail::FrameGrid grid{coordkit::CreateProjCoordSystemsMgr(frame->mapView),
                                              frame->gridSystem, layout.geographicGrid};
        const Point interval = *s.Interval();
        crossings = parallo::detail::GridCrossings(grid, ring, interval, kRowInterval);
        const Point quarter(interval.x / 4.0, interval.y / 4.0);
        for (const Crossing &x : parallo::detail::GridCrossings(grid, ring, quarter, kRowSubInterval))
            crossings.push_back(x);
        const parallo_test::Extent e = parallo_test::ExtentOf(ring.points);
        width = 0.02 * (e.hi.x - e.lo.x);
        tolerance = 1e-9 * std::max({e.hi.x - e.lo.x, -e.lo.x, e.hi.x, -e.lo.y, e.hi.y});
    }
};

/// Area of a closed ring about a local origin, so that the products stay small.
double Area(const std::vector<Point> &ring, const Point &o) {
    double a2 = 0.0;
    for (std::size_t i = 0; i + 1 < ring.size(); ++i)
        a2 += (ring[i].x - o.x) * (ring[i + 1].y - o.y) - (ring[i + 1].x - o.x) * (ring[i].y - o.y);
    return std::fabs(a2) / 2.0;
}

class FrameBarsOnRealFrames : public ::testing::TestWithParam<Case> {};

TEST_P(FrameBarsOnRealFrames, BarsTileTheBandAndAlternateBetweenCrossings) {
    BarFrame f(GetParam());
    ASSERT_TRUE(f.frame->reports.empty()) << f.frame->reports.front();
    const Point o = f.ring.points[0];
    const double inner = Area(f.ring.points, o);
    for (bool nautical : {false, true}) {
        SCOPED_TRACE(nautical ? "nautical" : "single band");
        FrameBarSettings settings;
        settings.dWidth = f.width;
        settings.bNautical = nautical;
        const std::vector<FrameBar> bars = CreateFrameBars(f.ring, f.crossings, settings);

        const double outerWidth = nautical ? 2.0 * f.width : f.width;
        for (const Point &p : OffsetRing(f.ring, outerWidth)) {
            // Straight edges stay at the band's width (1e-9 relative: the rounding of one offset);
            // only corner mitre points reach farther, w / sin(a / 2) for a corner angle a, which
            // stays within 20° of square on these frames (75° on the 40° graticule in LAEA).
            const double d = NearestOnRing(f.ring, p).dDistance;
            EXPECT_GE(d, outerWidth * (1.0 - 1e-9)) << "outer line closer than the band's width";
            EXPECT_LE(d, outerWidth / std::sin(35.0 * std::acos(-1.0) / 180.0))
                << "outer line beyond the corner mitre";
        }
        // The pieces share their vertices bit for bit, so their shoelace sums cancel along every
        // shared edge and differ from the band's only by the rounding of the products (1.1e-16 of
        // the squared extent each, about a local origin). The band is some 1e-2 of the squared
        // extent, so a few thousand roundings stay below 1e-11 of it (measured: at most 6e-13);
        // a gap or an overlap of one bar would be 1e-3 or more.
        const double band = Area(OffsetRing(f.ring, outerWidth), o) - inner;
        double sum = 0.0;
        for (const FrameBar &bar : bars)
            sum += Area(bar.ring, o);
        EXPECT_NEAR(sum, band, 1e-9 * band) << "bars must tile the band without gaps or overlaps";

        for (FrameRow row : {kRowInterval, kRowSubInterval}) {
            if (row == kRowSubInterval && !nautical) continue;
            for (std::int32_t side = kSideLeft; side <= kSideBottom; ++side) {
                std::vector<const FrameBar *> mine;
                for (const FrameBar &bar : bars)
                    if (bar.side == side && bar.row == row && !bar.bCorner) mine.push_back(&bar);
                std::vector<Point> cuts;
                for (const Crossing &c : f.crossings)
                    if (c.side == side && c.row == row) cuts.push_back(c.point);
                ASSERT_FALSE(mine.empty());
                EXPECT_LE(mine.size(), cuts.size() + 1) << "one cut per crossing at most";
                for (std::size_t b = 1; b < mine.size(); ++b) {
                    EXPECT_NE(mine[b]->bFilled, mine[b - 1]->bFilled) << "fills alternate along a side";
                    if (row != kRowInterval || nautical) continue;
                    // The bar starts on the neatline where a crossing meets it (to the ring's
                    // tolerance: the cut is the crossing projected onto its side).
                    double nearest = std::numeric_limits<double>::max();
                    for (const Point &c : cuts)
                        nearest =
                            std::min(nearest, std::hypot(c.x - mine[b]->ring[0].x, c.y - mine[b]->ring[0].y));
                    EXPECT_LE(nearest, f.tolerance) << "bar boundary away from every crossing";
                }
            }
        }
    }
}

TEST_P(FrameBarsOnRealFrames, TicksStartOnTheNeatlineAndPointAwayFromIt) {
    BarFrame f(GetParam());
    const double length = f.width;
    for (bool outward : {true, false}) {
        const std::vector<FrameTick> ticks = CreateFrameTicks(
            f.ring, f.crossings, TickSettings{length, outward}, TickSettings{length / 2.0, outward});
        EXPECT_EQ(ticks.size(), f.crossings.size());
        for (const FrameTick &t : ticks) {
            EXPECT_LE(NearestOnRing(f.ring, t.start).dDistance, f.tolerance)
                << "tick starts off the neatline";
            const double expected = t.row == kRowInterval ? length : length / 2.0;
            EXPECT_NEAR(std::hypot(t.end.x - t.start.x, t.end.y - t.start.y), expected, 1e-9 * expected)
                << "tick length (rounding of one offset only)";
            EXPECT_EQ(parallo_test::InRing(f.ring.points, t.end), !outward)
                << "tick points the wrong way on side " << t.side;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Frames, FrameBarsOnRealFrames, ::testing::ValuesIn(Cases()), parallo_test::NameOf());

// On the plain sheet the map view is the grid: the bar covering the kilometre cell k along a
// side is dark exactly when k is even, on every side, so a sheet next door continues the pattern.
TEST(FrameBars, DarkBarsCoverEvenCellsOnThePlainSheet) {
    BarFrame f(Cases()[0]);
    FrameBarSettings settings;
    settings.dWidth = f.width;
    for (const FrameBar &bar : CreateFrameBars(f.ring, f.crossings, settings)) {
        if (bar.bCorner) {
            // A square corner leaves a square of the band's width (rounding of a few products of
            // 1e3-unit coordinates about the corner).
            EXPECT_NEAR(Area(bar.ring, bar.ring[0]), f.width * f.width, 1e-9 * f.width * f.width);
            continue;
        }
        const bool alongX = bar.side == kSideTop || bar.side == kSideBottom;
        // The middle of the bar: on the plain sheet every bar is a rectangle of four corners.
        double middle = 0.0;
        for (std::size_t i = 0; i + 1 < bar.ring.size(); ++i)
            middle += alongX ? bar.ring[i].x : bar.ring[i].y;
        middle /= static_cast<double>(bar.ring.size() - 1);
        const auto cell = static_cast<std::int64_t>(std::floor(middle / 1000.0));
        EXPECT_EQ(bar.bFilled, cell % 2 == 0) << "side " << bar.side << " at " << middle;
    }
}

TEST(FrameBars, RefusesBadWidthsAndCrossingsOffTheirSide) {
    BarFrame f(Cases()[0]);
    const Crossing good = f.crossings.front();
    Crossing offSide = good;
    offSide.side = static_cast<FrameSide>((good.side + 2) % 4);
    Crossing offRing = good;
    offRing.point.x += 1.0;
    offRing.point.y += 1.0;
    const struct {
        const char *what;
        double width;
        Crossing crossing;
    } cases[] = {{"zero width", 0.0, good},
                 {"negative width", -1.0, good},
                 {"width not a number", std::nan(""), good},
                 {"crossing on the opposite side", 100.0, offSide},
                 {"crossing a metre off the neatline", 100.0, offRing}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        FrameBarSettings settings;
        settings.dWidth = c.width;
        EXPECT_RAISES(CreateFrameBars(f.ring, {c.crossing}, settings), parallo::kInvalidProcedureCall);
    }
    EXPECT_RAISES(CreateFrameTicks(f.ring, {good}, TickSettings{-1.0, true}, TickSettings{}),
                  parallo::kInvalidProcedureCall);
}

// The service's own methods: minor ticks only at quarter kilometres that are no kilometre, frame
// state left as it was, one fill per bar polygon.
TEST(FrameBarsOnTheService, MinorTicksFallOnSubIntervalValuesOnly) {
    auto frame = parallo_test::MakeFrame(PlainSheet());
    parallo::ParalloCls &s = frame->service;
    const auto grid = s.GridGeometry();
    const auto neatline = s.NeatlinePolygon();
    const auto interval = s.Interval();
    s.SetFrameBarWidth(500.0);
    s.SetFrameBarSubInterval(std::make_shared<Point>(250.0, 250.0));
    s.SetMinorTickInterval(std::make_shared<Point>(250.0, 250.0));
    s.SetMinorTickLength(100.0);
    s.SetbTicksOutward(true);
    std::int32_t ret = 0;
    s.CreateFrameBars(ret);
    s.CreateFrameTicks(ret);
    ASSERT_TRUE(frame->reports.empty()) << frame->reports.front();
    EXPECT_EQ(ret, 1);
    EXPECT_EQ(s.GridGeometry(), grid);
    EXPECT_EQ(s.NeatlinePolygon(), neatline);
    EXPECT_EQ(s.Interval(), interval);
    ASSERT_TRUE(s.FrameBarGeometry());
    EXPECT_EQ(s.FrameBarFills().size(), static_cast<std::size_t>(s.FrameBarGeometry()->Count()));

    ASSERT_TRUE(s.MinorTickGeometry());
    // 40 km sides: 40 kilometre cells of three inner quarter marks each, on four sides.
    EXPECT_EQ(s.MinorTickGeometry()->Count(), 4 * 40 * 3);
    for (const auto &g : *s.MinorTickGeometry()) {
        const Point &p = shapekit::As<shapekit::LineGeometry>(g)->Start();
        const bool onX = p.y == 5320000.0 || p.y == 5360000.0;
        const double v = onX ? p.x : p.y;
        // Grid values are whole multiples of the interval, found by the service's stepping to a
        // few ulps of 5e6 m; 1e-6 m separates them from anything else.
        EXPECT_NEAR(v / 250.0, std::round(v / 250.0), 1e-6 / 250.0) << v << " is no quarter kilometre";
        EXPECT_GT(std::fabs(v / 1000.0 - std::round(v / 1000.0)), 0.2) << v << " is a kilometre value";
    }
}

} // namespace

// Every crossing's map-view point, carried into the grid system by PROJ, lies on its grid value,
// also where the straight edges of a plain frame are curved in grid space. The frame ticks
// start where the service's own grid lines end on the frame as drawn: one per line end away from
// the corners (a line along a side ends on its corners and crosses nothing).
TEST(FrameCrossings, LieOnTheirGridValueWhereTheGridLinesEnd) {
    // along: how far (of the frame's size) a line end may lie from its tick along the edge.
    const struct {
        Case c;
        double along;
    } rows[] = {{Cases()[3], 1e-7},
                {Cases()[4], 1e-7},
                {{"plain-sheet-on-laea", PlainSheetOnLaea(), 0.0}, 1e-7},
                {{"wide-graticule-on-web-mercator", WideGraticuleOnWebMercator(), 0.0}, 1e-7},
                // The parallels 36° and 64° meet the bottom and top edges at a shallow angle, so the
                // 5e-8 by which the drawn edge is followed moves their line ends along it by up to
                // 2.6e-7 (measured); a missed crossing lies degrees away, 1e-2 of the size.
                {{"wide-graticule-on-laea", WideGraticuleOnLaea(), 0.0}, 1e-6}};
    for (const auto &row : rows) {
        const Case &c = row.c;
        SCOPED_TRACE(c.name);
        BarFrame f(c);
        ASSERT_FALSE(f.crossings.empty());
        const auto toGrid = parallo_test::FromMapView(*f.frame, f.frame->gridSystem);
        const Point interval = *f.frame->service.Interval();
        const double twoPi = 2.0 * std::acos(-1.0);
        for (const Crossing &x : f.crossings) {
            // Held on the plain five-point frames, whose straight edges are curved in grid space.
            if (c.layout.neatlineStroke > 0.0) break;
            Point p = x.point;
            toGrid->Transform(&p, 1, 0);
            f.frame->gridSystem->ConvertPoint(
                coordkit::kStorage,
                c.layout.geographicGrid ? coordkit::kGeographic : coordkit::kProjectionPlane, p.x, p.y, p.z);
            const double quarter = x.row == kRowInterval ? 1.0 : 0.25;
            const double steps[2] = {quarter * interval.x, quarter * interval.y};
            double dx = p.x - static_cast<double>(x.index) * steps[0];
            if (c.layout.geographicGrid) dx -= twoPi * std::round(dx / twoPi);
            const double dy = p.y - static_cast<double>(x.index) * steps[1];
            // The crossing is placed to 1e-9 of the interval (a micrometre on the kilometre grid);
            // interpolating along the edge misses by 4e-6 of it and more on the sheet, and by up
            // to 2.5° on the wide frame, where latitude is far from linear along a meridian.
            EXPECT_LE(std::min(std::fabs(dx) / steps[0], std::fabs(dy) / steps[1]), 1e-9)
                << "crossing " << x.index << " on side " << x.side << " off its grid value";
        }

        const double size = f.width / 0.02; // the frame's width in the map view
        std::int32_t ret = 0;
        f.frame->service.CreateGridlines(ret);
        ASSERT_TRUE(f.frame->reports.empty()) << f.frame->reports.front();
        // A line along a side bows off the straight edge by a few metres on the plain sheet and
        // crosses it some 3 m from either corner: its ends and those crossings' ticks are left out
        // alike; the nearest other crossings lie an interval (a kilometre, a degree) away, far
        // beyond 1e-3 of the frame's size.
        const auto nearCorner = [&](const Point &e) {
            for (std::size_t k : f.ring.sideStart)
                if (std::hypot(f.ring.points[k].x - e.x, f.ring.points[k].y - e.y) < 1e-3 * size) return true;
            return false;
        };
        std::vector<Point> ends, starts;
        for (const auto &line : parallo_test::Items(f.frame->service.GridGeometry()))
            for (const Point &e : {line.front(), line.back()})
                if (!nearCorner(e)) ends.push_back(e);
        for (const FrameTick &t :
             CreateFrameTicks(f.ring, f.crossings, TickSettings{f.width, true}, TickSettings{}))
            if (t.row == kRowInterval && !nearCorner(t.start)) starts.push_back(t.start);
        EXPECT_EQ(starts.size(), ends.size());
        // The grid lines end on the frame edge as drawn to 5e-8 of the frame's size (the working
        // neatline's densification), the crossings on their grid value to 1e-9 of the interval;
        // interpolating along the edge misses by some 1e-5 of the size on the wide graticule.
        for (const Point &e : ends) {
            double nearest = std::numeric_limits<double>::max();
            for (const Point &t : starts)
                nearest = std::min(nearest, std::hypot(t.x - e.x, t.y - e.y));
            EXPECT_LE(nearest, row.along * size) << "line end at " << e.x << ", " << e.y;
        }
    }
}

// A failure is reported, RetVal says -1, and the earlier results stay.
TEST(FrameBarsOnTheService, FailuresAreReportedAndKeepEarlierResults) {
    auto frame = parallo_test::MakeFrame(PlainSheet());
    parallo::ParalloCls &s = frame->service;
    s.SetFrameBarWidth(500.0);
    std::int32_t ret = 0;
    s.CreateFrameBars(ret);
    const auto bars = s.FrameBarGeometry();
    ASSERT_TRUE(bars);
    const struct {
        const char *what;
        double width;
        double interval;
        std::ptrdiff_t kept; ///< how many of the neatline's points are kept; -1: all
    } cases[] = {{"zero width", 0.0, 1000.0, -1},
                 {"interval far too small for the frame", 500.0, 1e-3, -1},
                 // Found by fuzz_service: an empty ring was read for its extent before any check.
                 {"empty neatline", 500.0, 1000.0, 0},
                 {"four points: no closing vertex", 500.0, 1000.0, 4}};
    const auto neatline = s.NeatlinePolygon();
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        frame->reports.clear();
        if (c.kept >= 0) {
            auto cut = std::make_shared<shapekit::PolygonGeometry>();
            const auto &points = neatline->Points().Vector();
            cut->Points().Vector().assign(points.begin(), points.begin() + c.kept);
            s.SetNeatlinePolygon(cut);
        }
        s.SetFrameBarWidth(c.width);
        s.SetInterval(std::make_shared<Point>(c.interval, c.interval));
        ret = 0;
        s.CreateFrameBars(ret);
        EXPECT_EQ(ret, -1);
        ASSERT_EQ(frame->reports.size(), 1u);
        EXPECT_EQ(frame->reports[0].rfind("CreateFrameBars Error | ", 0), 0u) << frame->reports[0];
        EXPECT_EQ(s.FrameBarGeometry(), bars);
        s.SetNeatlinePolygon(neatline);
    }
}
