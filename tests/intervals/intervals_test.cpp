// Grid intervals: value stepping, loop bounds and skip values; the proposed interval (the 1-2-5
// series, whole minutes for a small geographic interval, corners read in the neatline's extents
// space, the 180° meridian).
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "intervals/intervals.h"
#include "platform/angles.h"
#include "service/frame_fixture.h"
#include "support/checks.h"

namespace {

using namespace parallo::detail;
using frametest::P;
using frametest::Rad;

/// The inputs of the automatic interval, on real systems; every report is logged.
struct Interval : ::testing::Test {
    Reporter reporter;
    frametest::ReportLog log;
    std::shared_ptr<shapekit::Point> lowerLeft, upperRight;
    std::shared_ptr<coordkit::CoordSystemsMgr> manager;
    std::shared_ptr<coordkit::CoordSystem> neatlineSystem, gridSystem;
    std::int32_t extentsType = 0, intervalsType = 0;
    void SetUp() override { log.Attach(reporter); }

    /// Neatline and map-view systems from PROJ definitions; the grid defaults to the neatline's.
    void UseSystems(const std::string &neatline, const std::string &mapView, const std::string &grid = "") {
        neatlineSystem = coordkit::CreateProjCoordSystem(neatline);
        gridSystem = coordkit::CreateProjCoordSystem(grid.empty() ? neatline : grid);
        manager = coordkit::CreateProjCoordSystemsMgr(coordkit::CreateProjCoordSystem(mapView));
    }
    /// The proposed interval, or -1 when the call leaves it.
    double Propose() {
        double interval = -1.0;
        CalcGridInterval(
            reporter,
            {lowerLeft, upperRight, manager, neatlineSystem, gridSystem, extentsType, intervalsType},
            interval);
        return interval;
    }
};

TEST_F(Interval, ProjectedFramesFollowTheTwoDecimalMantissa) {
    // A w by h UTM 32N frame shown in Web Mercator. Mantissas 1.20, 3.50, 3.00, 6.00, 6.01, 1.50,
    // 1.51: boundaries belong to the lower factor; the mantissa is rounded to two decimals first,
    // so PROJ's sub-millimetre round trip cannot cross a boundary. A degenerate frame gives 1;
    // reversed corners keep their signs (-8000: mantissa -8, factor 1).
    const double cases[][3] = {{12000, 8000, 1000}, {35000, 100, 5000},  {30000, 100, 2000},
                               {60000, 100, 5000},  {60100, 100, 10000}, {15000, 100, 1000},
                               {15100, 100, 2000},  {8000, 12000, 1000}, {120, 80, 10},
                               {0, 0, 1},           {-12000, -8000, 100}};
    UseSystems("EPSG:32632", "EPSG:3857");
    for (const auto &c : cases) {
        SCOPED_TRACE(c[0]);
        lowerLeft = P(400000, 5000000);
        upperRight = P(400000 + c[0], 5000000 + c[1]);
        EXPECT_DOUBLE_EQ(Propose(), c[2]);
    }
    EXPECT_TRUE(log.reports.empty());
}

TEST_F(Interval, GeographicFrameInRadiansGivesDegreesOrWholeMinutes) {
    // 4 by 3 degrees: 0.4, whose nice value 0.5 is below 1, so whole minutes of 0.4: 24'. 30 wide:
    // mantissa 3.00 takes 2; 60 high: 6.00 takes 5. Below a degree the minutes are rounded: 0.9
    // and 1.8 fall back to one minute, 4.2 rounds down, 4.68 up. The Pacific frame 170E to 170W
    // is 20 wide (measured the other way, -340, the 5 high would win: 30').
    const double cases[][5] = {
        {9, 45, 13, 48, 24.0 / 60},      {-10, 20, 20, 30, 2},          {0, 0, 10, 60, 5},
        {9, 45, 9.15, 45.075, 1.0 / 60}, {9, 45, 9.3, 45.15, 1.0 / 60}, {9, 45, 9.7, 45.35, 4.0 / 60},
        {9, 45, 9.78, 45.39, 5.0 / 60},  {9, 45, 10.2, 45.6, 7.0 / 60}, {170, -20, -170, -15, 2}};
    UseSystems("EPSG:4326", "EPSG:3857");
    extentsType = 1;
    intervalsType = 1;
    for (const auto &c : cases) {
        SCOPED_TRACE(std::to_string(c[0]) + " " + std::to_string(c[2]));
        lowerLeft = P(Rad(c[0]), Rad(c[1]));
        upperRight = P(Rad(c[2]), Rad(c[3]));
        EXPECT_DOUBLE_EQ(Propose(), c[4]);
    }
    EXPECT_TRUE(log.reports.empty());
}

TEST_F(Interval, StatePlaneCornersAreConvertedToFeetFirst) {
    // Corners in plane metres, storage in US survey feet: 12 km by 8 km proposes 1000 (read as
    // feet, the frame would shrink to 3.66 km and propose 500). Shown in UTM 18N with a UTM grid, too.
    for (const char *grid : {"EPSG:2263", "EPSG:32618"}) {
        SCOPED_TRACE(grid);
        UseSystems("EPSG:2263", grid, grid);
        lowerLeft = P(300000, 60000);
        upperRight = P(312000, 68000);
        EXPECT_DOUBLE_EQ(Propose(), 1000.0);
    }
    EXPECT_TRUE(log.reports.empty());
}

TEST_F(Interval, FailuresLeaveTheCallersValue) {
    UseSystems("EPSG:32632", "EPSG:3857");
    lowerLeft = P(400000, 5000000);
    upperRight = P(412000, 5008000);
    gridSystem = nullptr;
    EXPECT_EQ(Propose(), -1.0);
    gridSystem = neatlineSystem;
    upperRight = nullptr;
    EXPECT_EQ(Propose(), -1.0); // reported at the start
    ASSERT_EQ(log.reports.size(), 2u);
    EXPECT_EQ(log.reports[0].trace, "Create ACSP");
    EXPECT_EQ(log.reports[0].title, "CalcGridInterval Error");
    EXPECT_EQ(log.reports[1].trace, "Set up range coords");
}

// ---- stepping ---------------------------------------------------------------------------------

constexpr double kD2R = parallo::platform::kRadiansPerDegree;

/// A reporter whose observer records every report as "title | trace | description".
class Stepping : public ::testing::Test {
protected:
    void SetUp() override { s.observer = parallo_test::Recorder(reports); }
    Reporter s;
    std::vector<std::string> reports;
};

TEST_F(Stepping, NextMultipleStrictlyAbove) {
    // On, just below (within and beyond the 1e-5 step-over) and well below a multiple; negative
    // values (floor, not truncation); a zero interval returns the value.
    const struct {
        double value, interval, expected;
    } cases[] = {{20.0, 10.0, 30.0},   {19.99999, 10.0, 30.0}, {19.9998, 10.0, 20.0},   {-15.0, 10.0, -10.0},
                 {-20.0, 10.0, -10.0}, {-0.5, 1.0, 0.0},       {1003.0, 0.25, 1003.25}, {-7.0, 0.0, -7.0}};
    for (const auto &c : cases) {
        SCOPED_TRACE(std::to_string(c.value) + " / " + std::to_string(c.interval));
        // Formed as (inv*interval + n [+1]) / inv: a few ulps of rounding.
        EXPECT_NEAR(FindNextInterval(s, c.value, c.interval), c.expected, 1e-12 * std::fabs(c.expected));
    }
    // The first grid value: the offset moves the search start but is not added back.
    EXPECT_NEAR(SetStartValue(s, 1003.0, 5.0, 10.0), 1000.0, 1e-9);
    EXPECT_NEAR(SetStartValue(s, 1003.0, 0.0, 10.0), 1010.0, 1e-9);

    // Property: strictly above, on a whole multiple (1e-9 of an interval: the rounding of the
    // quotient), and at most one interval plus the 1e-5 step-over zone away.
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> value(-1e6, 1e6), exponent(-3.0, 4.0);
    for (int k = 0; k < 2000; ++k) {
        const double v = value(rng), interval = std::pow(10.0, exponent(rng));
        const double next = FindNextInterval(s, v, interval), q = next / interval;
        ASSERT_GT(next, v);
        ASSERT_NEAR(q, std::round(q), 1e-9 * std::fabs(q) + 1e-9);
        ASSERT_LE(next - v, interval * (1.0 + 1e-5) * (1.0 + 1e-9));
    }
    EXPECT_TRUE(reports.empty());
}

TEST_F(Stepping, LimitInFourDecimalsAndSkipValuesFromZero) {
    // 10.00004 and 10 are both 10.0000. Geographic: four decimals of degrees, though the radians
    // differ by 7e-7; projected: the radians as they stand (0.5236 < 0.5237).
    const struct {
        std::int32_t gridType;
        double value, limit;
        bool less;
    } limits[] = {{0, 10.00004, 10.0, false},
                  {0, 9.99994, 10.0, true},
                  {0, -10.0, -9.9998, true},
                  {1, 30.00004 * kD2R, 30.0 * kD2R, false},
                  {1, 29.9999 * kD2R, 30.0 * kD2R, true},
                  {0, 30.00004 * kD2R, 30.0 * kD2R, false},
                  {0, 0.5236, 0.5237, true}};
    for (const auto &c : limits)
        EXPECT_EQ(ThisValLessThanLimit(s, c.gridType == 1, c.value, c.limit), c.less)
            << c.value << " < " << c.limit;
    // A zero skip interval skips nothing; zero is always a skip value; 1e-6 either side of a
    // multiple; 32767 is the largest 16-bit quotient; on a geographic grid the 1e-6 is degrees.
    const struct {
        std::int32_t gridType;
        double value, skip;
        bool isSkip;
    } skips[] = {{0, 0.0, 0.0, false},
                 {0, 1000.0, 0.0, false},
                 {0, 0.0, 1000.0, true},
                 {0, -3000.0, 1000.0, true},
                 {0, 2500.0, 1000.0, false},
                 {0, 3000.0, -1000.0, true},
                 {0, 3000.0000009, 1000.0, true},
                 {0, 3000.0000011, 1000.0, false},
                 {0, 32767.0 * 1000.0, 1000.0, true},
                 {1, -170.0 * kD2R, 10.0 * kD2R, true},
                 {1, 35.0 * kD2R, 10.0 * kD2R, false},
                 {1, (30.0 + 5e-7) * kD2R, 10.0 * kD2R, true},
                 {1, (30.0 + 2e-6) * kD2R, 10.0 * kD2R, false}};
    for (const auto &c : skips)
        EXPECT_EQ(IsASkipInterval(s, c.gridType == 1, c.value, c.skip), c.isSkip)
            << c.value << " skip " << c.skip;
    EXPECT_TRUE(reports.empty());
}

// Each failure gives the neutral result and one "Overflow" report with its own trace and title.
TEST_F(Stepping, FailuresAreReportedWithTheNeutralResult) {
    const auto expectReport = [this](const std::string &name) {
        ASSERT_EQ(reports.size(), 1u);
        EXPECT_EQ(reports[0], name + " Error | In " + name + " | Overflow");
        reports.clear();
    };
    EXPECT_EQ(FindNextInterval(s, 5.0, 1e-309), 0.0); // 1 / 1e-309 overflows
    expectReport("FindNextInterval");
    EXPECT_EQ(SetStartValue(s, 1.0, 0.0, 1e-309), 0.0); // reported by the stepping
    expectReport("FindNextInterval");
    EXPECT_EQ(SetStartValue(s, 1e308, -1e308, 1.0), 0.0); // minimum - offset overflows
    expectReport("SetStartValue");
    EXPECT_FALSE(ThisValLessThanLimit(s, false, 0.0, 1e18)); // beyond the fixed-point range
    expectReport("ThisValLessThanLimit");
    // Beyond 32767.5 skip intervals from zero the 16-bit quotient fails: never a skip value.
    EXPECT_FALSE(IsASkipInterval(s, false, 4e7, 1000.0));
    expectReport("IsASkipInterval");
    EXPECT_FALSE(IsASkipInterval(s, false, -32768.0 * 1000.0, 1000.0));
    expectReport("IsASkipInterval");
}

} // namespace
