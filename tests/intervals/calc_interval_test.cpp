// The proposed grid interval: the 1-2-5 series, whole minutes for a small geographic interval,
// corners read in the neatline's extents space, the 180° meridian.
#include <gtest/gtest.h>

#include <string>

#include "intervals/intervals.h"
#include "service/frame_fixture.h"

namespace {

using frametest::P;
using frametest::Rad;

/// The inputs of the automatic interval, on real systems; every report is logged.
struct Interval : ::testing::Test {
    parallo::detail::Reporter reporter;
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
        parallo::detail::CalcGridInterval(
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

} // namespace
