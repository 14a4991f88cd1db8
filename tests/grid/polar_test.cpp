// Grid lines and ticks of frames around and near the poles, on real polar systems north and south,
// checked in longitude and latitude: every meridian once, from the frame to the pole or the polar
// cap; every parallel inside the frame one closed ring, the others arcs ending on the frame;
// nothing outside the frame.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "grid/polar.h"
#include "grid_checks.h"
#include "support/checks.h"
#include "support/polar.h"

namespace {

using parallo_test::Frame;
using parallo_test::LonDiff;
using parallo_test::PolarCase;
using shapekit::Point;

/// Grid lines end on the working neatline, which follows the drawn frame within 5e-8 of its size
/// (0.3 m on these frames of 2000 to 6000 km); half a metre holds that with room.
constexpr double kOnFrame = 0.5;
/// A point of a grid line lies on its grid value within 1e-7° (1 cm): the pieces are made on the
/// value exactly and come back through two transformations.
constexpr double kOnValue = 1e-7;

/// One grid line in the map view and in longitude and latitude.
struct Line {
    std::vector<Point> map, geo;
    /// Its longitude, read away from the pole (where all meet); NaN when it is no meridian.
    double Lon() const {
        double lon = std::nan("");
        for (const Point &g : geo) {
            if (std::fabs(std::fabs(g.y) - 90.0) <= kOnValue) continue;
            if (std::isnan(lon)) lon = g.x;
            if (std::fabs(LonDiff(g.x, lon)) > kOnValue) return std::nan("");
        }
        return lon;
    }
    bool Parallel() const {
        return std::all_of(geo.begin(), geo.end(),
                           [&](const Point &g) { return std::fabs(g.y - geo[0].y) <= kOnValue; });
    }
    bool Closed() const { return map.front().x == map.back().x && map.front().y == map.back().y; }
};

std::vector<Line> Lines(const Frame &f) {
    std::vector<Line> out;
    for (auto &pts : parallo_test::Items(f.service.GridGeometry()))
        out.push_back({pts, parallo_test::LonLat(f, pts)});
    return out;
}

double OnFrame(const Frame &f, const Point &p) { return parallo_test::ToFrame(f.layout, p); }
long Meridian(double lon) { return std::lround(std::remainder(lon, 360.0) + 360.0) % 360; }

/// After CreateGridlines: one tick where each line meets the frame, none at the pole, on the seam
/// or where a meridian stopped at a polar cap would meet it.
void ExpectTicksWhereLinesMeetTheFrame(Frame &f) {
    std::size_t ends = 0;
    for (const Line &l : Lines(f))
        for (const Point &p : {l.map.front(), l.map.back()})
            ends += !l.Closed() && OnFrame(f, p) <= kOnFrame;
    std::int32_t ret = 0;
    f.service.CreateTicksCrosses(ret);
    ASSERT_TRUE(f.reports.empty()) << f.reports.front();
    const auto ticks = parallo_test::Items(f.service.GridGeometry());
    EXPECT_EQ(ticks.size(), ends);
    for (const auto &t : ticks)
        EXPECT_LE(OnFrame(f, t.front()), kOnFrame);
}

class AroundPole : public ::testing::TestWithParam<PolarCase> {};

TEST_P(AroundPole, MeridiansRunToThePoleParallelsCloseAndTicksStandOnTheFrame) {
    const PolarCase &c = GetParam();
    auto f = parallo_test::MakeFrame(parallo_test::PolarLayout(c));
    std::int32_t ret = 0;
    f->service.CreateGridlines(ret);
    ASSERT_TRUE(f->reports.empty()) << f->reports.front();
    const Point pole = parallo_test::LonLat(*f, {Point(0.0, 90.0 * c.pole)}, 1)[0];

    std::map<long, int> meridians, rings; // pieces by longitude; closed pieces by latitude
    for (const Line &l : Lines(*f)) {
        for (const Point &p : l.map)
            ASSERT_LE(parallo_test::Outside(f->layout, p), kOnFrame) << "nothing outside the frame";
        if (!std::isnan(l.Lon())) {
            EXPECT_NEAR(LonDiff(l.Lon(), 30.0 * std::nearbyint(l.Lon() / 30.0)), 0.0, kOnValue);
            ++meridians[Meridian(l.Lon())];
            // One end at the pole (1 mm: rounding through PROJ), the other on the frame.
            const bool poleFirst = std::hypot(l.map[0].x - pole.x, l.map[0].y - pole.y) < 1e-3;
            const Point &other = poleFirst ? l.map.back() : l.map.front();
            EXPECT_GT(std::hypot(other.x - pole.x, other.y - pole.y), 1e3);
            EXPECT_LE(OnFrame(*f, other), kOnFrame) << l.Lon();
            continue;
        }
        ASSERT_TRUE(l.Parallel()) << "a grid line is a meridian or a parallel";
        const double lat = l.geo[0].y;
        EXPECT_NEAR(lat, 10.0 * std::nearbyint(lat / 10.0), kOnValue);
        EXPECT_LT(std::fabs(lat), 89.0) << "no parallel at the pole itself";
        if (l.Closed()) {
            double turn = 0.0; // once around all longitudes
            for (std::size_t i = 1; i < l.geo.size(); ++i)
                turn += LonDiff(l.geo[i].x, l.geo[i - 1].x);
            EXPECT_NEAR(std::fabs(turn), 360.0, 1e-6) << lat;
            ++rings[std::lround(lat)];
            continue;
        }
        EXPECT_LE(OnFrame(*f, l.map.front()), kOnFrame) << lat;
        EXPECT_LE(OnFrame(*f, l.map.back()), kOnFrame) << lat;
    }
    EXPECT_EQ(meridians.size(), 12u) << "every 30° from the frame to the pole";
    for (const auto &m : meridians)
        EXPECT_EQ(m.second, 1) << "one piece for meridian " << m.first << ", 180° included";
    // The 80th parallel lies inside every frame of the table; any parallel inside is one ring.
    EXPECT_EQ(rings[80 * c.pole], 1);
    for (const auto &r : rings)
        EXPECT_EQ(r.second, 1) << r.first;

    ExpectTicksWhereLinesMeetTheFrame(*f);
}

INSTANTIATE_TEST_SUITE_P(Polar, AroundPole, ::testing::ValuesIn(parallo_test::kAroundPoles));

TEST(PolarCap, MeridiansStopAtTheCapExceptEveryKthAndACapBeyondThePoleIsReported) {
    for (int skip : {0, 3}) {
        for (const PolarCase &c : {parallo_test::kAroundPoles[0], parallo_test::kAroundPoles[1]}) {
            SCOPED_TRACE(std::string(c.crs) + " skip " + std::to_string(skip));
            auto f = parallo_test::MakeFrame(parallo_test::PolarLayout(c));
            f->service.SetPolarCapLatitude(parallo_test::Radians(80.0));
            f->service.SetPolarCapMeridianSkip(static_cast<std::int16_t>(skip));
            std::int32_t ret = 0;
            f->service.CreateGridlines(ret);
            ASSERT_TRUE(f->reports.empty()) << f->reports.front();
            for (const Line &l : Lines(*f)) {
                if (l.Parallel()) continue;
                double nearest = 0.0;
                for (const Point &g : l.geo)
                    nearest = std::max(nearest, std::fabs(g.y));
                // With a skip of 3 the meridians of every 90° go on to the pole.
                const bool full = skip == 3 && Meridian(l.Lon()) % 90 == 0;
                EXPECT_NEAR(nearest, full ? 90.0 : 80.0, kOnValue) << l.Lon();
            }
            ExpectTicksWhereLinesMeetTheFrame(*f);
        }
    }
    // A frame wholly within a cap of 70°: only the meridians of every 90° meet it.
    auto small = parallo_test::MakeFrame(
        parallo_test::PolarLayout({"EPSG:3031", -900000.0, -900000.0, 900000.0, 900000.0, -1}));
    small->service.SetPolarCapLatitude(parallo_test::Radians(70.0));
    small->service.SetPolarCapMeridianSkip(3);
    std::int32_t made = 0;
    small->service.CreateGridlines(made);
    EXPECT_EQ(Lines(*small).size(), 8u) << "4 meridians, the 80th parallel's 4 arcs";
    ExpectTicksWhereLinesMeetTheFrame(*small);
    for (double cap : {-1.0, 90.0}) {
        auto f = parallo_test::MakeFrame(parallo_test::PolarLayout(parallo_test::kAroundPoles[0]));
        f->service.SetPolarCapLatitude(parallo_test::Radians(cap));
        std::int32_t ret = 0;
        f->service.CreateGridlines(ret);
        ASSERT_EQ(f->reports.size(), 1u) << cap;
        EXPECT_NE(f->reports[0].find("PolarCapLatitude"), std::string::npos) << f->reports[0];
        EXPECT_FALSE(f->service.GridGeometry()) << "nothing drawn";
    }
}

// Near the pole, turned up to half a turn against the grid and across the 180° meridian; and the
// pole exactly on the frame's edge, which is not inside it. The lines lie on their values and end
// on the frame.
TEST(NearPole, LinesAreCutByTheFrameOnTheirValues) {
    const std::vector<Point> square{{0, -1}, {0, 1}, {2, 1}, {2, -1}};
    EXPECT_FALSE(parallo::detail::StrictlyInside(square, Point(1e-10, 0.0), 1e-9)) << "on the edge";
    EXPECT_TRUE(parallo::detail::StrictlyInside(square, Point(1e-8, 0.0), 1e-9));
    std::vector<PolarCase> cases(std::begin(parallo_test::kNearPole), std::end(parallo_test::kNearPole));
    cases.push_back({"EPSG:3031", 0.0, -1000000.0, 2000000.0, 1000000.0, 0});
    for (const PolarCase &c : cases) {
        SCOPED_TRACE(std::to_string(c.x0) + " " + std::to_string(c.y0));
        auto f = parallo_test::MakeFrame(parallo_test::PolarLayout(c, 10.0, 5.0));
        std::int32_t ret = 0;
        f->service.CreateGridlines(ret);
        ASSERT_TRUE(f->reports.empty()) << f->reports.front();
        // At a pole on the frame every meridian meets the frame; there the working copy's chord
        // from the pole to its neighbour cuts the meridians a metre short of it.
        const double onFrame = c.x0 == 0.0 ? 2.0 : kOnFrame;
        for (const Line &l : Lines(*f)) {
            const double v = std::isnan(l.Lon()) ? l.geo[0].y : l.Lon(),
                         step = std::isnan(l.Lon()) ? 5.0 : 10.0;
            ASSERT_TRUE(!std::isnan(l.Lon()) || l.Parallel());
            EXPECT_NEAR(LonDiff(v, step * std::nearbyint(v / step)), 0.0, kOnValue);
            for (const Point &p : l.map)
                ASSERT_LE(parallo_test::Outside(f->layout, p), kOnFrame) << v;
            EXPECT_LE(OnFrame(*f, l.map.front()), onFrame) << v;
            EXPECT_LE(OnFrame(*f, l.map.back()), onFrame) << v;
        }
    }
}

// A UTM grid reaches a frame around the North Pole, but not one whose corners lie more than a
// quarter of the world from its central meridian: that is reported, nothing drawn anywhere.
TEST(ProjectedGridOnPolarView, WorksWithinReachAndReportsBeyondIt) {
    for (double half : {2500000.0, 9000000.0}) {
        parallo_test::FrameLayout layout =
            parallo_test::PolarLayout({"EPSG:3413", -half, -half, half, half, 1});
        layout.gridSystem = "EPSG:32633";
        layout.geographicGrid = false;
        layout.intervalX = layout.intervalY = half / 5.0;
        auto f = parallo_test::MakeFrame(layout);
        std::int32_t ret = 0;
        f->service.CreateGridlines(ret);
        if (half > 5000000.0) {
            ASSERT_EQ(f->reports.size(), 1u);
            EXPECT_NE(f->reports[0].find("cannot reach the point"), std::string::npos) << f->reports[0];
            continue;
        }
        EXPECT_TRUE(f->reports.empty()) << f->reports.front();
        for (const auto &pts : parallo_test::Items(f->service.GridGeometry()))
            for (const Point &p : pts)
                ASSERT_LE(parallo_test::Outside(layout, p), kOnFrame);
    }
}

} // namespace
