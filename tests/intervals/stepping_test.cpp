// Grid value stepping, loop bounds and skip values.
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "intervals/intervals.h"
#include "platform/angles.h"

namespace {

using namespace parallo::detail;

constexpr double kD2R = parallo::platform::kRadiansPerDegree;

/// A reporter whose observer records every report as "title | trace | description".
class Stepping : public ::testing::Test {
protected:
    void SetUp() override {
        s.observer = [this](const std::string &d, const std::string &t, const std::string &n) {
            reports.push_back(n + " | " + t + " | " + d);
        };
    }
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
    const struct {
        std::int32_t gridType;
        double value, limit;
        bool less;
    } limits[] = {// 10.00004 and 10 are both 10.0000. Geographic: four decimals of degrees, though the
                  // radians differ by 7e-7; projected: the radians as they stand (0.5236 < 0.5237).
                  {0, 10.00004, 10.0, false},
                  {0, 9.99994, 10.0, true},
                  {0, -10.0, -9.9998, true},
                  {1, 30.00004 * kD2R, 30.0 * kD2R, false},
                  {1, 29.9999 * kD2R, 30.0 * kD2R, true},
                  {0, 30.00004 * kD2R, 30.0 * kD2R, false},
                  {0, 0.5236, 0.5237, true}};
    for (const auto &c : limits) {
        SCOPED_TRACE(std::to_string(c.value) + " < " + std::to_string(c.limit));
        EXPECT_EQ(ThisValLessThanLimit(s, c.gridType == 1, c.value, c.limit), c.less);
    }
    const struct {
        std::int32_t gridType;
        double value, skip;
        bool isSkip;
    } skips[] = {// A zero skip interval skips nothing; zero is always a skip value; 1e-6 either side of a
                 // multiple; 32767 is the largest 16-bit quotient; on a geographic grid the 1e-6 is degrees.
                 {0, 0.0, 0.0, false},
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
    for (const auto &c : skips) {
        SCOPED_TRACE(std::to_string(c.value) + " skip " + std::to_string(c.skip));
        EXPECT_EQ(IsASkipInterval(s, c.gridType == 1, c.value, c.skip), c.isSkip);
    }
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
