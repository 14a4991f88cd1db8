// Grid lines, ticks and crosses of frames around and near the poles, on real polar systems north
// and south, checked as properties of the output carried back into longitude and latitude: every
// meridian once, from the frame to the pole (or the polar cap); every parallel inside the frame one
// closed ring, the others arcs ending on the frame; nothing outside the frame.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "grid/polar.h"
#include "grid_checks.h"
#include "support/polar.h"

namespace {

using gridtest::Items;
using parallo_test::Frame;
using parallo_test::FrameLayout;
using parallo_test::LonDiff;
using parallo_test::PolarCase;
using shapekit::Point;

/// Grid lines end on the working neatline, which follows the drawn frame within 5e-8 of its size
/// (0.3 m on these frames of 2000 to 6000 km); half a metre holds that with room.
constexpr double kOnFrame = 0.5;
/// A point of a grid line lies on its grid value within 1e-7° (1 cm): the pieces are made on the
/// value exactly and come back through two transformations.
constexpr double kOnValue = 1e-7;

/// One grid line carried back into longitude and latitude.
struct Line {
    std::vector<Point> map, geo;
    bool Meridian() const {
        // Away from the pole, where every longitude meets.
        for (const Point &g : geo)
            if (std::fabs(std::fabs(g.y) - 90.0) > kOnValue && std::fabs(LonDiff(g.x, Lon())) > kOnValue)
                return false;
        return true;
    }
    double Lon() const {
        for (const Point &g : geo)
            if (std::fabs(std::fabs(g.y) - 90.0) > kOnValue) return g.x;
        return geo.front().x;
    }
    bool Parallel() const {
        for (const Point &g : geo)
            if (std::fabs(g.y - geo.front().y) > kOnValue) return false;
        return true;
    }
};

std::vector<Line> Lines(const Frame &f) {
    std::vector<Line> out;
    for (auto &pts : Items(f.service.GridGeometry()))
        out.push_back({pts, parallo_test::LonLat(f, pts)});
    return out;
}

/// The map-view image of a pole.
Point Pole(const Frame &f, int pole) { return parallo_test::LonLat(f, {Point(0.0, 90.0 * pole)}, 1)[0]; }

/// Whether the whole parallel `lat` lies inside the frame (sampled every degree).
bool ParallelInside(const Frame &f, double lat) {
    std::vector<Point> ring;
    for (int lon = -180; lon < 180; ++lon)
        ring.emplace_back(lon, lat);
    for (const Point &p : parallo_test::LonLat(f, ring, 1))
        if (parallo_test::ToFrame(f.layout, p) <= 0.0 || parallo_test::Outside(f.layout, p) > 0.0)
            return false;
    return true;
}

class AroundPole : public ::testing::TestWithParam<PolarCase> {};

TEST_P(AroundPole, MeridiansRunFromTheFrameToThePoleAndParallelsCloseOnThemselves) {
    const PolarCase &c = GetParam();
    auto f = parallo_test::MakeFrame(parallo_test::PolarLayout(c));
    std::int32_t ret = 0;
    f->service.CreateGridlines(ret);
    ASSERT_TRUE(f->reports.empty()) << f->reports.front();
    const Point pole = Pole(*f, c.pole);

    std::map<long, int> meridians; // longitude -> pieces
    std::map<long, int> rings;     // latitude -> closed pieces
    for (const Line &l : Lines(*f)) {
        for (const Point &p : l.map)
            ASSERT_LE(parallo_test::Outside(f->layout, p), kOnFrame) << "nothing outside the frame";
        if (l.Meridian()) {
            const double lon = l.Lon();
            EXPECT_NEAR(LonDiff(lon, 30.0 * std::nearbyint(lon / 30.0)), 0.0, kOnValue) << lon;
            ++meridians[std::lround(std::remainder(lon, 360.0) + 360.0) % 360];
            // One end at the pole (the same point for every meridian, to 1 mm of rounding), the
            // other on the frame.
            const Point &a = l.map.front(), &b = l.map.back();
            const bool poleFirst = std::hypot(a.x - pole.x, a.y - pole.y) < 1e-3;
            const bool poleLast = std::hypot(b.x - pole.x, b.y - pole.y) < 1e-3;
            EXPECT_TRUE(poleFirst != poleLast) << lon;
            EXPECT_LE(parallo_test::ToFrame(f->layout, poleFirst ? b : a), kOnFrame) << lon;
            continue;
        }
        ASSERT_TRUE(l.Parallel()) << "a grid line is a meridian or a parallel";
        const double lat = l.geo.front().y;
        EXPECT_NEAR(lat, 10.0 * std::nearbyint(lat / 10.0), kOnValue);
        EXPECT_LT(std::fabs(lat), 89.0) << "no parallel at the pole itself";
        if (l.map.front().x == l.map.back().x && l.map.front().y == l.map.back().y) {
            // A closed ring: its steps turn once around all longitudes.
            double turn = 0.0;
            for (std::size_t i = 1; i < l.geo.size(); ++i)
                turn += LonDiff(l.geo[i].x, l.geo[i - 1].x);
            EXPECT_NEAR(std::fabs(turn), 360.0, 1e-6) << lat;
            ++rings[std::lround(lat)];
        } else {
            EXPECT_LE(parallo_test::ToFrame(f->layout, l.map.front()), kOnFrame) << lat;
            EXPECT_LE(parallo_test::ToFrame(f->layout, l.map.back()), kOnFrame) << lat;
        }
    }
    EXPECT_EQ(meridians.size(), 12u) << "every 30° from the frame to the pole";
    for (const auto &m : meridians)
        EXPECT_EQ(m.second, 1) << "one piece for meridian " << m.first << ", 180° included";
    int inside = 0;
    for (int lat = 10; lat < 90; lat += 10) {
        if (!ParallelInside(*f, lat * c.pole)) continue;
        ++inside;
        EXPECT_EQ(rings[lat * c.pole], 1) << "parallel " << lat * c.pole << " inside the frame: one ring";
    }
    EXPECT_GE(inside, 1) << "every frame of the table holds the 80th parallel";
}

TEST_P(AroundPole, TicksStandWhereLinesMeetTheFrameAndNeverAtThePole) {
    const PolarCase &c = GetParam();
    auto f = parallo_test::MakeFrame(parallo_test::PolarLayout(c));
    std::int32_t ret = 0;
    f->service.CreateGridlines(ret);
    std::size_t ends = 0;
    for (const auto &pts : Items(f->service.GridGeometry()))
        for (const Point &p : {pts.front(), pts.back()})
            ends += parallo_test::ToFrame(f->layout, p) <= kOnFrame &&
                    !(pts.front().x == pts.back().x && pts.front().y == pts.back().y);
    f->service.CreateTicksCrosses(ret);
    ASSERT_TRUE(f->reports.empty()) << f->reports.front();
    const auto ticks = Items(f->service.GridGeometry());
    EXPECT_EQ(ticks.size(), ends) << "one tick where each line meets the frame";
    for (const auto &t : ticks)
        EXPECT_LE(parallo_test::ToFrame(f->layout, t.front()), kOnFrame);
    // Crosses only inside, both arms whole.
    for (const auto &arm : Items(f->service.CrossGeometry()))
        for (const Point &p : arm)
            EXPECT_EQ(parallo_test::Outside(f->layout, p), 0.0);
}

INSTANTIATE_TEST_SUITE_P(Polar, AroundPole, ::testing::ValuesIn(parallo_test::kAroundPoles));

TEST(PolarCap, MeridiansStopAtTheCapExceptEveryKth) {
    struct Case {
        int skip;
        std::vector<long> toPole; ///< meridians (0…359) that still reach the pole
    };
    for (const Case &k : {Case{0, {}}, Case{3, {0, 90, 180, 270}}, Case{4, {0, 120, 240}}}) {
        for (const PolarCase &c : {parallo_test::kAroundPoles[0], parallo_test::kAroundPoles[1]}) {
            SCOPED_TRACE(std::string(c.crs) + " skip " + std::to_string(k.skip));
            auto f = parallo_test::MakeFrame(parallo_test::PolarLayout(c));
            f->service.SetPolarCapLatitude(parallo_test::Radians(80.0));
            f->service.SetPolarCapMeridianSkip(static_cast<std::int16_t>(k.skip));
            std::int32_t ret = 0;
            f->service.CreateGridlines(ret);
            ASSERT_TRUE(f->reports.empty()) << f->reports.front();
            std::size_t meridians = 0;
            for (const Line &l : Lines(*f)) {
                if (!l.Meridian() || l.Parallel()) continue;
                ++meridians;
                const long lon = std::lround(std::remainder(l.Lon(), 360.0) + 360.0) % 360;
                const bool full = std::find(k.toPole.begin(), k.toPole.end(), lon) != k.toPole.end();
                double nearest = 0.0;
                for (const Point &g : l.geo)
                    nearest = std::max(nearest, std::fabs(g.y));
                EXPECT_NEAR(nearest, full ? 90.0 : 80.0, kOnValue) << lon;
            }
            EXPECT_EQ(meridians, 12u);
        }
    }
}

TEST(PolarCap, ALatitudeBeyondThePoleIsReportedAndDrawsNothing) {
    for (double cap : {-1.0, 90.0, 100.0}) {
        auto f = parallo_test::MakeFrame(parallo_test::PolarLayout(parallo_test::kAroundPoles[0]));
        f->service.SetPolarCapLatitude(parallo_test::Radians(cap));
        std::int32_t ret = 0;
        f->service.CreateGridlines(ret);
        ASSERT_EQ(f->reports.size(), 1u) << cap;
        EXPECT_NE(f->reports[0].find("PolarCapLatitude"), std::string::npos) << f->reports[0];
        EXPECT_FALSE(f->service.GridGeometry());
    }
}

// Near the pole but not around it, turned up to half a turn against the grid and across the 180°
// meridian: the lines are cut by the frame and lie on their grid values.
TEST(NearPole, LinesAreCutByTheFrameOnTheirValues) {
    for (const PolarCase &c : parallo_test::kNearPole) {
        SCOPED_TRACE(std::to_string(c.x0) + " " + std::to_string(c.y0));
        auto f = parallo_test::MakeFrame(parallo_test::PolarLayout(c, 10.0, 5.0));
        std::int32_t ret = 0;
        f->service.CreateGridlines(ret);
        ASSERT_TRUE(f->reports.empty()) << f->reports.front();
        const auto lines = Lines(*f);
        EXPECT_GE(lines.size(), 8u);
        for (const Line &l : lines) {
            ASSERT_TRUE(l.Meridian() || l.Parallel());
            const double v = l.Meridian() ? l.Lon() : l.geo.front().y;
            const double step = l.Meridian() ? 10.0 : 5.0;
            EXPECT_NEAR(LonDiff(v, step * std::nearbyint(v / step)), 0.0, kOnValue);
            for (const Point &p : l.map)
                ASSERT_LE(parallo_test::Outside(f->layout, p), kOnFrame) << v;
            EXPECT_LE(parallo_test::ToFrame(f->layout, l.map.front()), kOnFrame) << v;
            EXPECT_LE(parallo_test::ToFrame(f->layout, l.map.back()), kOnFrame) << v;
        }
    }
}

// The pole exactly on the frame's edge is not inside it: the frame takes the ordinary path (and
// its meridians end on the edge through the pole, as there they meet it).
TEST(PoleTest, OnTheEdgeIsNotInside) {
    const std::vector<Point> square{{0, -1}, {0, 1}, {2, 1}, {2, -1}};
    EXPECT_FALSE(parallo::detail::StrictlyInside(square, Point(0.0, 0.0), 1e-9));
    EXPECT_FALSE(parallo::detail::StrictlyInside(square, Point(1e-10, 0.0), 1e-9));
    EXPECT_TRUE(parallo::detail::StrictlyInside(square, Point(1e-8, 0.0), 1e-9));
    EXPECT_FALSE(parallo::detail::StrictlyInside(square, Point(std::nan(""), 0.0), 1e-9));

    auto f = parallo_test::MakeFrame(
        parallo_test::PolarLayout({"EPSG:3031", 0.0, -1000000.0, 2000000.0, 1000000.0, 0}));
    std::int32_t ret = 0;
    f->service.CreateGridlines(ret);
    ASSERT_TRUE(f->reports.empty()) << f->reports.front();
    for (const Line &l : Lines(*f))
        for (const Point &p : l.map)
            ASSERT_LE(parallo_test::Outside(f->layout, p), kOnFrame);
}

// A projected grid on a polar view: a UTM grid reaches a frame around the pole, but not a frame
// whose corners lie more than a quarter of the world from its central meridian.
TEST(ProjectedGridOnPolarView, WorksWithinReachAndReportsBeyondIt) {
    for (double half : {2500000.0, 9000000.0}) {
        PolarCase c{"EPSG:3413", -half, -half, half, half, 1};
        FrameLayout layout = parallo_test::PolarLayout(c);
        layout.gridSystem = "EPSG:32633";
        layout.geographicGrid = false;
        layout.intervalX = layout.intervalY = half / 5.0;
        auto f = parallo_test::MakeFrame(layout);
        std::int32_t ret = 0;
        f->service.CreateGridlines(ret);
        if (half < 5000000.0) {
            EXPECT_TRUE(f->reports.empty()) << f->reports.front();
            for (const auto &pts : Items(f->service.GridGeometry()))
                for (const Point &p : pts)
                    ASSERT_LE(parallo_test::Outside(layout, p), kOnFrame);
        } else {
            ASSERT_EQ(f->reports.size(), 1u);
            EXPECT_NE(f->reports[0].find("cannot reach the point"), std::string::npos) << f->reports[0];
        }
    }
}

} // namespace
