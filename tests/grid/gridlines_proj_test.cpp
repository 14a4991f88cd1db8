// Grid lines on real PROJ systems, checked as properties of the output carried back into the
// grid system: on the grid value, ends on the neatline, densified within the stroke distance with
// every cell boundary a vertex, exactly the expected grid values.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "grid_checks.h"

namespace {

using gridtest::DistanceToRing;
using gridtest::Items;
using gridtest::OffMultiple;
using gridtest::ToGrid;
using parallo_test::Frame;
using parallo_test::FrameLayout;
using shapekit::Point;

/// Positional tolerance of the round trip grid → map view → grid: 1e-6 m for a projected grid,
/// 1e-9° for a geographic one (about 0.1 mm), far above PROJ's round-trip error and far below
/// anything a map shows.
double Tolerance(const FrameLayout &layout) { return layout.geographicGrid ? 1e-9 : 1e-6; }

/// The grid tolerance in map-view units: 1e-6 m is 1e-6 map metres on these projected views
/// (their scale factors lie within 1.5, so allow 2e-6); 1e-9° is about 1.1e-4 m of a Mercator
/// (1.2e-4 at 20°S with the Mercator scale), and 1e-9 of a degree on a geographic view.
double MapTolerance(const Frame &f) {
    if (!f.layout.geographicGrid) return 2e-6;
    return f.mapView->BaseStorageType() == coordkit::kGeographicStorage ? 1e-9 : 2e-4;
}

struct GridValues {
    std::map<long long, int> vertical; // multiple index → number of pieces
    std::map<long long, int> horizontal;
};

/// Checks every property of one generated grid; returns the grid values it found.
GridValues CheckGridlines(const Frame &f) {
    const FrameLayout &layout = f.layout;
    const double tol = Tolerance(layout);
    const double ix = layout.intervalX, iy = layout.intervalY;
    // The stroke distance the service validated, in the units the checks work in.
    const double d =
        f.service.GridStrokeDistance() / (layout.geographicGrid ? parallo_test::Radians(1.0) : 1.0);
    const auto ring = ToGrid(f, f.service.NeatlinePolygon()->Points().Vector());

    GridValues found;
    bool horizontalBegun = false;
    for (const auto &mapLine : Items(f.service.GridGeometry())) {
        const auto g = ToGrid(f, mapLine);
        SCOPED_TRACE("line from (" + std::to_string(g.front().x) + ", " + std::to_string(g.front().y) + ")");
        const bool vertical = std::fabs(g.front().x - g.back().x) <= tol;
        // Vertical lines come first, then the horizontal ones.
        if (!vertical) horizontalBegun = true;
        EXPECT_FALSE(vertical && horizontalBegun);
        const double interval = vertical ? ix : iy;
        const double cellInterval = vertical ? iy : ix;
        // The grid value is the multiple nearest to the carried-back coordinate; that every
        // vertex lies on it is measured across the line through the forward projection.
        const double value = interval * std::nearbyint((vertical ? g.front().x : g.front().y) / interval);
        ++(vertical ? found.vertical : found.horizontal)[std::llround(value / interval)];
        for (std::size_t k = 0; k < g.size(); ++k) {
            EXPECT_LE(gridtest::OffGridLine(f, mapLine[k], vertical, value, vertical ? g[k].y : g[k].x), tol)
                << "vertex " << k << " off the grid value " << value;
        }
        // Ends on the neatline, carried back with it (their errors agree, being neighbours).
        EXPECT_LE(DistanceToRing(g.front(), ring), tol);
        EXPECT_LE(DistanceToRing(g.back(), ring), tol);

        // Densified steps: forward along the line, none longer than the stroke distance.
        std::vector<double> along;
        for (const Point &v : g)
            along.push_back(vertical ? v.y : v.x);
        for (std::size_t k = 1; k < along.size(); ++k) {
            EXPECT_GE(along[k], along[k - 1] - tol);
            EXPECT_LE(along[k] - along[k - 1], d + tol);
        }
        // Every cell boundary inside the piece is a vertex: its exact map-view image is one of
        // the line's vertices. Boundaries within 1e-5 of a cell of the piece's start are stepped
        // over by the grid stepping and are not required; 1e-3 of a cell keeps clear of them.
        const double first = along.front() + 1e-3 * cellInterval;
        const double last = along.back() - 1e-3 * cellInterval;
        std::vector<Point> boundaries;
        for (double m = std::ceil(first / cellInterval) * cellInterval; m < last; m += cellInterval)
            boundaries.push_back(vertical ? Point(value, m) : Point(m, value));
        const auto images = gridtest::ToMapView(f, boundaries);
        const double mapTol = MapTolerance(f);
        for (std::size_t b = 0; b < images.size(); ++b) {
            const bool present = std::any_of(mapLine.begin(), mapLine.end(), [&](const Point &v) {
                return gridtest::MapDistance(f, v, images[b]) <= mapTol;
            });
            EXPECT_TRUE(present) << "cell boundary " << (vertical ? boundaries[b].y : boundaries[b].x)
                                 << " is not a vertex";
        }
    }
    return found;
}

/// The multiples of `interval` inside lo…hi by more than `margin`: those the generator must
/// produce. A value on the frame's edge depends on how the round trip of the neatline rounded
/// its corners, so it may or may not be produced.
std::set<long long> MultiplesInside(double lo, double hi, double interval, double margin) {
    std::set<long long> out;
    for (long long k = static_cast<long long>(std::floor(lo / interval)) - 1;
         static_cast<double>(k) * interval < hi + interval; ++k) {
        const double v = static_cast<double>(k) * interval;
        if (v > lo + margin && v < hi - margin) out.insert(k);
    }
    return out;
}

/// Every expected value present; nothing outside the extent (a value on the edge may appear).
void ExpectValues(const std::map<long long, int> &found, double lo, double hi, double interval, double skip) {
    // The neatline went through PROJ's LAEA inverse (about 0.4 mm per round trip) twice.
    const double margin = 1e-4 * interval;
    for (long long k : MultiplesInside(lo, hi, interval, margin)) {
        const double v = static_cast<double>(k) * interval;
        const bool skipped = skip > 0.0 && OffMultiple(v, skip) <= 1e-6;
        EXPECT_EQ(found.count(k), skipped ? 0u : 1u) << "grid value " << v;
    }
    for (const auto &kv : found) {
        const double v = static_cast<double>(kv.first) * interval;
        EXPECT_GE(v, lo - margin);
        EXPECT_LE(v, hi + margin);
        EXPECT_EQ(kv.second, 1) << "pieces at " << v; // every frame here is convex
    }
}

class GridlinesOnFrame : public ::testing::TestWithParam<FrameLayout (*)()> {};

TEST_P(GridlinesOnFrame, EveryLineLiesOnItsValueInsideTheNeatline) {
    auto f = parallo_test::MakeFrame(GetParam()());
    ASSERT_TRUE(f->reports.empty()) << f->reports.front();
    std::int32_t ret = 0;
    f->service.CreateGridlines(ret);
    ASSERT_TRUE(f->reports.empty()) << f->reports.front();
    ASSERT_TRUE(f->service.GridGeometry());
    // RetVal is what the last line's intersection left: 1 when it met the neatline, 0 for a
    // last value on the frame's edge that meets nothing.
    EXPECT_TRUE(ret == 0 || ret == 1);
    const GridValues found = CheckGridlines(*f);

    const auto ring = ToGrid(*f, f->service.NeatlinePolygon()->Points().Vector());
    double minX = HUGE_VAL, maxX = -HUGE_VAL, minY = HUGE_VAL, maxY = -HUGE_VAL;
    for (const Point &p : ring) {
        minX = std::min(minX, p.x), maxX = std::max(maxX, p.x);
        minY = std::min(minY, p.y), maxY = std::max(maxY, p.y);
    }
    ExpectValues(found.vertical, minX, maxX, f->layout.intervalX, 0.0);
    ExpectValues(found.horizontal, minY, maxY, f->layout.intervalY, 0.0);
    // A geographic grid strokes its lines: its storage units are not the radians it works in.
    EXPECT_EQ(f->service.bForceStroking(), f->layout.geographicGrid);
}

TEST_P(GridlinesOnFrame, SkippedValuesAreLeftOut) {
    auto f = parallo_test::MakeFrame(GetParam()());
    const double k = f->layout.geographicGrid ? parallo_test::Radians(1.0) : 1.0;
    const double skipX = 5.0 * f->layout.intervalX, skipY = 2.0 * f->layout.intervalY;
    f->service.SetSkipInterval(std::make_shared<Point>(skipX * k, skipY * k));
    std::int32_t ret = 0;
    f->service.CreateGridlines(ret);
    ASSERT_TRUE(f->reports.empty()) << f->reports.front();
    const GridValues found = CheckGridlines(*f);
    const auto ring = ToGrid(*f, f->service.NeatlinePolygon()->Points().Vector());
    double minX = HUGE_VAL, maxX = -HUGE_VAL, minY = HUGE_VAL, maxY = -HUGE_VAL;
    for (const Point &p : ring) {
        minX = std::min(minX, p.x), maxX = std::max(maxX, p.x);
        minY = std::min(minY, p.y), maxY = std::max(maxY, p.y);
    }
    ExpectValues(found.vertical, minX, maxX, f->layout.intervalX, skipX);
    ExpectValues(found.horizontal, minY, maxY, f->layout.intervalY, skipY);
}

TEST_P(GridlinesOnFrame, ASecondRunGivesTheSameGrid) {
    auto f = parallo_test::MakeFrame(GetParam()());
    std::int32_t ret = 0;
    f->service.CreateGridlines(ret);
    const auto first = Items(f->service.GridGeometry());
    f->service.CreateGridlines(ret);
    ASSERT_TRUE(f->reports.empty()) << f->reports.front();
    const auto second = Items(f->service.GridGeometry());
    ASSERT_EQ(first.size(), second.size());
    // The neatline has been round-tripped once more in between. PROJ 9.1's LAEA inverse is a
    // truncated series, off by about 0.4 mm per round trip, so the frame may creep by that much;
    // 1 mm covers it, and is far below 1e-6 of a degree on the geographic views.
    // Vertex counts may differ by the stroke points that a cell of an exact multiple of the
    // stroke distance gains or loses with a rounding; the pieces' ends are compared.
    for (std::size_t i = 0; i < first.size(); ++i) {
        EXPECT_NEAR(first[i].front().x, second[i].front().x, 1e-3);
        EXPECT_NEAR(first[i].back().y, second[i].back().y, 1e-3);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Frames, GridlinesOnFrame,
    ::testing::Values(&parallo_test::UtmSheetOnLaea, &parallo_test::UtmSheetOnWebMercator,
                      &parallo_test::UtmSheetOnUtm33, &parallo_test::GraticuleOnWebMercator,
                      &parallo_test::PacificOnProjected, &parallo_test::PacificOnGeographic));

// ---- the 180° meridian -------------------------------------------------------------------------

TEST(GridlinesPacific, OneLinePerMeridianNoneWrappingOnAProjectedMapView) {
    auto f = parallo_test::MakeFrame(parallo_test::PacificOnProjected());
    std::int32_t ret = 0;
    f->service.CreateGridlines(ret);
    ASSERT_TRUE(f->reports.empty()) << f->reports.front();
    const auto lines = Items(f->service.GridGeometry());
    // 171°E … 171°W: 19 meridians and 19°S … 11°S: 9 parallels, plus at most the two edges
    // that lie on grid values at the frame's eastern and northern limits.
    EXPECT_GE(lines.size(), 28u);
    EXPECT_LE(lines.size(), 30u);
    for (const auto &line : lines) {
        double lo = HUGE_VAL, hi = -HUGE_VAL;
        for (const Point &p : line)
            lo = std::min(lo, p.x), hi = std::max(hi, p.x);
        // The frame is about 2 200 km wide in this Mercator; a wrapped line would span the world.
        EXPECT_LT(hi - lo, 2.5e6);
    }
}

TEST(GridlinesPacific, OutputIsBackWithin180OnAGeographicMapView) {
    auto f = parallo_test::MakeFrame(parallo_test::PacificOnGeographic());
    std::int32_t ret = 0;
    f->service.CreateGridlines(ret);
    ASSERT_TRUE(f->reports.empty()) << f->reports.front();
    std::set<long> meridians;
    for (const auto &line : Items(f->service.GridGeometry())) {
        for (const Point &p : line) {
            EXPECT_GE(p.x, -180.0);
            EXPECT_LE(p.x, 180.0);
        }
        if (line.front().x == line.back().x) {
            EXPECT_TRUE(meridians.insert(std::lround(line.front().x)).second);
        }
    }
    // 171°E … 179°W, and 170°W where the frame's eastern edge lies on a grid value.
    EXPECT_GE(meridians.size(), 19u);
    EXPECT_LE(meridians.size(), 20u);
    EXPECT_EQ(meridians.count(180) + meridians.count(-180), 1u);
}

TEST(GridlinesPacific, ProjectedNeatlineWestOfItsOriginStillShiftsAcrossTheMeridian) {
    // The neatline is given in a Mercator centred on 180°, where the frame's lower-left corner
    // has a negative easting. The crossing shift compares each vertex with the western edge in
    // the vertices' own degrees, so the frame still reads as 170°E … 190°E: about 30 lines
    // rather than a world-wide graticule beyond the line budget.
    FrameLayout layout = parallo_test::PacificOnProjected();
    layout.neatlineSystem = "+proj=merc +lon_0=180 +datum=WGS84 +units=m +no_defs";
    layout.mapView = layout.neatlineSystem;
    layout.geographicCorners = false;
    layout.neatlineStroke = 0.0;
    layout.west = -1113194.9079327357; // 170°E on the equator's scale of this Mercator
    layout.east = 1113194.9079327357;
    layout.south = -2273030.926987689;  // 20°S
    layout.north = -1118889.9748579594; // 10°S
    auto f = parallo_test::MakeFrame(layout);
    ASSERT_TRUE(f->reports.empty()) << f->reports.front();
    std::int32_t ret = 0;
    f->service.CreateGridlines(ret);
    ASSERT_TRUE(f->reports.empty()) << f->reports.front();
    ASSERT_TRUE(f->service.GridGeometry());
    EXPECT_GE(f->service.GridGeometry()->Count(), 28);
    EXPECT_LE(f->service.GridGeometry()->Count(), 30);
}

} // namespace
