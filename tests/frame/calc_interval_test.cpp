// The proposed grid interval: the 1-2-5 series, whole minutes for a small geographic interval,
// corners read in the neatline's extents space, the 180° meridian.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

#include "frame/frame_fixture.h"

namespace {

using frametest::P;
using frametest::Rad;
using frametest::ReportLog;
using frametest::UseSystems;

/// A service on real systems; Propose() returns CalcGridInterval's dInterval.
struct Interval : ::testing::Test {
    parallo::ParalloCls service;
    parallo::detail::ServiceState &s = parallo::detail::StateAccess::Of(service);
    ReportLog log;
    void SetUp() override { log.Attach(s); }

    /// A projected frame in UTM 32N, w by h metres, shown in Web Mercator.
    void ProjectedFrame(double w, double h) {
        UseSystems(s, "EPSG:32632", "EPSG:3857");
        s.NeatlineLowerLeft = P(400000, 5000000);
        s.NeatlineUpperRight = P(400000 + w, 5000000 + h);
    }
    /// A geographic frame (corners in radians, graticule in degrees) shown in Web Mercator.
    void GeographicFrame(double west, double south, double east, double north) {
        UseSystems(s, "EPSG:4326", "EPSG:3857");
        s.NeatlineExtentsType = 1;
        s.GridIntervalsType = 1;
        s.NeatlineLowerLeft = P(Rad(west), Rad(south));
        s.NeatlineUpperRight = P(Rad(east), Rad(north));
    }
    double Propose() {
        std::int16_t places = 0;
        double interval = -1.0;
        service.CalcGridInterval(places, interval);
        return interval;
    }
};

// ---- the 1-2-5 series (projected grid, metres) ----------------------------------------------

TEST_F(Interval, NiceFactorFollowsTheTwoDecimalMantissa) {
    struct Case {
        double width, height, expected;
    };
    // Mantissas 1.20, 3.50, 3.00, 6.00, 6.01, 1.50, 1.51: the boundaries belong to the lower
    // factor; the text is rounded to two decimals first, so PROJ's round trip through Web
    // Mercator (far below a millimetre) cannot move a case across a boundary. A degenerate frame
    // gives 1; reversed corners keep their signs (larger side -8000, mantissa -8: factor 1).
    const Case cases[] = {{12000, 8000, 1000}, {35000, 100, 5000}, {30000, 100, 2000},  {60000, 100, 5000},
                          {60100, 100, 10000}, {15000, 100, 1000}, {15100, 100, 2000},  {8000, 12000, 1000},
                          {120, 80, 10},       {0, 0, 1},          {-12000, -8000, 100}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.width);
        ProjectedFrame(c.width, c.height);
        std::int16_t places = 7;
        double interval = 0.0;
        service.CalcGridInterval(places, interval);
        EXPECT_DOUBLE_EQ(interval, c.expected);
        EXPECT_EQ(places, 7); // decimal places are left alone
    }
    EXPECT_FALSE(service.Interval()); // the proposal is not stored
    EXPECT_TRUE(log.reports.empty());
}

TEST_F(Interval, ProposalIsAlwaysOneTwoOrFiveTimesAPowerOfTen) {
    const unsigned seed = 20240611u;
    SCOPED_TRACE(seed);
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> exponent(1.0, 5.5);
    UseSystems(s, "EPSG:32632", "EPSG:32632");
    for (int i = 0; i < 60; ++i) {
        const double w = std::pow(10.0, exponent(random));
        s.NeatlineLowerLeft = P(300000, 5000000);
        s.NeatlineUpperRight = P(300000 + w, 5000000 + w / 3);
        const double interval = Propose();
        const double power = std::pow(10.0, std::floor(std::log10(interval) + 1e-9));
        const double factor = interval / power;
        // Relative 1e-12: pow(10, e) times 1, 2 or 5 against the same power recomputed.
        EXPECT_TRUE(std::fabs(factor - 1) < 1e-12 || std::fabs(factor - 2) < 1e-12 ||
                    std::fabs(factor - 5) < 1e-12)
            << w << " -> " << interval;
        // About a tenth of the larger side: between 0.6 and 1.5 intervals (plus the mantissa's
        // rounding to two decimals).
        const double ratio = (w / 10) / interval;
        EXPECT_GT(ratio, 0.6 - 0.005) << w;
        EXPECT_LE(ratio, 1.5 + 0.005) << w;
    }
}

// ---- geographic grid: degrees and whole minutes ---------------------------------------------

TEST_F(Interval, GeographicFrameInRadiansGivesDegrees) {
    struct Case {
        double west, south, east, north, degrees;
    };
    // 4 by 3 degrees: v = 0.4, nice 0.5 < 1, so whole minutes of v: 24'. 30 wide: mantissa 3.00
    // takes factor 2; 60 high: 6.00 takes 5. Below a degree v * 60 minutes is rounded: 0.9 and
    // 1.8 fall back to one minute, 4.2 rounds down, 4.68 up. The Pacific frame, 170E to 170W,
    // is 20 wide (measured the other way it would be -340 and the 5 high would win: 30').
    const Case cases[] = {
        {9, 45, 13, 48, 24.0 / 60},      {-10, 20, 20, 30, 2},          {0, 0, 10, 60, 5},
        {9, 45, 9.15, 45.075, 1.0 / 60}, {9, 45, 9.3, 45.15, 1.0 / 60}, {9, 45, 9.7, 45.35, 4.0 / 60},
        {9, 45, 9.78, 45.39, 5.0 / 60},  {9, 45, 10.2, 45.6, 7.0 / 60}, {170, -20, -170, -15, 2}};
    for (const Case &c : cases) {
        SCOPED_TRACE(std::to_string(c.west) + " " + std::to_string(c.east));
        GeographicFrame(c.west, c.south, c.east, c.north);
        EXPECT_DOUBLE_EQ(Propose(), c.degrees);
    }
    EXPECT_TRUE(log.reports.empty());
}

TEST_F(Interval, StatePlaneNeatlineInFeet) {
    // Corners in projection-plane metres, storage in US survey feet: the frame is 12 km by 8 km,
    // and the grid proposes 1000 m (read as feet, the frame would shrink to 3.66 km and 500).
    UseSystems(s, "EPSG:2263", "EPSG:2263");
    s.NeatlineLowerLeft = P(300000, 60000);
    s.NeatlineUpperRight = P(312000, 68000);
    EXPECT_DOUBLE_EQ(Propose(), 1000.0);

    // The same frame shown in UTM 18N with a UTM grid: still about 12 km wide.
    UseSystems(s, "EPSG:2263", "EPSG:32618", "EPSG:32618");
    EXPECT_DOUBLE_EQ(Propose(), 1000.0);
    EXPECT_TRUE(log.reports.empty());
}

// ---- failures -----------------------------------------------------------------------------

TEST_F(Interval, FailuresLeaveTheCallersValue) {
    ProjectedFrame(12000, 8000);
    s.GridCoordSystem = nullptr;
    EXPECT_EQ(Propose(), -1.0);
    ProjectedFrame(12000, 8000);
    s.NeatlineUpperRight = nullptr;
    EXPECT_EQ(Propose(), -1.0);
    ASSERT_EQ(log.reports.size(), 2u);
    EXPECT_EQ(log.reports[0].trace, "Create ACSP");
    EXPECT_EQ(log.reports[0].title, "CalcGridInterval Error");
    EXPECT_EQ(log.reports[1].trace, "Set up range coords"); // reported at the start
}

} // namespace
