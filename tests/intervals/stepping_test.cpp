// Grid value stepping, loop bounds and skip values.
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "intervals/intervals.h"
#include "service/state.h"

namespace {

using namespace parallo::detail;

constexpr double kD2R = 3.14159265358979323846 / 180.0;

struct Report {
    std::string description, trace, title;
};

class Stepping : public ::testing::Test {
protected:
    void SetUp() override {
        s.observer = [this](const std::string &d, const std::string &t, const std::string &title) {
            reports.push_back({d, t, title});
        };
    }
    ServiceState s;
    std::vector<Report> reports;
};

TEST_F(Stepping, NextMultipleStrictlyAbove) {
    struct Case {
        double value, interval, expected;
    };
    // On, just below (within and beyond the 1e-5 step-over) and well below a multiple; negative
    // values (floor, not truncation); a zero interval returns the value.
    const Case cases[] = {{20.0, 10.0, 30.0},   {19.99999, 10.0, 30.0},  {19.9998, 10.0, 20.0},
                          {-15.0, 10.0, -10.0}, {-20.0, 10.0, -10.0},    {0.0, 10.0, 10.0},
                          {-0.5, 1.0, 0.0},     {1003.0, 0.25, 1003.25}, {123.456, 0.0, 123.456},
                          {-7.0, 0.0, -7.0}};
    for (const Case &c : cases) {
        SCOPED_TRACE(std::to_string(c.value) + " / " + std::to_string(c.interval));
        // Formed as (inv*interval + n [+1]) / inv: a few ulps of rounding.
        EXPECT_NEAR(FindNextInterval(s, c.value, c.interval), c.expected,
                    1e-12 * std::fabs(c.expected) + 1e-15);
    }
    // The first grid value: the offset moves the grid but is not added back.
    EXPECT_NEAR(SetStartValue(s, 1003.0, 5.0, 10.0), 1000.0, 1e-9);
    EXPECT_NEAR(SetStartValue(s, 1003.0, 0.0, 10.0), 1010.0, 1e-9);
    EXPECT_EQ(SetStartValue(s, 42.0, 2.0, 0.0), 40.0);
    EXPECT_TRUE(reports.empty());
}

TEST_F(Stepping, NextIntervalPropertyOnRandomValues) {
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> value(-1e6, 1e6), exponent(-3.0, 4.0);
    for (int k = 0; k < 2000; ++k) {
        const double v = value(rng), interval = std::pow(10.0, exponent(rng));
        const double next = FindNextInterval(s, v, interval);
        const double q = next / interval;
        // Strictly above, on a whole multiple (1e-9 of an interval: the rounding of q), and at
        // most one interval plus the 1e-5 step-over zone away.
        EXPECT_GT(next, v);
        EXPECT_NEAR(q, std::round(q), 1e-9 * std::fabs(q) + 1e-9);
        EXPECT_LE(next - v, interval * (1.0 + 1e-5) * (1.0 + 1e-9));
    }
    EXPECT_TRUE(reports.empty());
}

TEST_F(Stepping, LimitComparedInFourDecimals) {
    struct Case {
        std::int32_t gridType;
        double value, limit;
        bool less;
    };
    // 10.00004 and 10 are both 10.0000. Geographic: four decimals of degrees, though the radians
    // differ by 7e-7; projected: the same radians as they stand (0.5236 both; 0.5237 is not).
    // clang-format off
    const Case cases[] = {{0, 10.00004, 10.0, false}, {0, 9.99994, 10.0, true}, {0, 10.0, 10.0, false},
        {0, -10.0, -9.9998, true}, {0, 11.0, 10.0, false}, {1, 30.00004 * kD2R, 30.0 * kD2R, false},
        {1, 29.9999 * kD2R, 30.0 * kD2R, true}, {0, 30.00004 * kD2R, 30.0 * kD2R, false},
        {0, 0.5236, 0.5237, true}};
    // clang-format on
    for (const Case &c : cases) {
        SCOPED_TRACE(std::to_string(c.value) + " < " + std::to_string(c.limit));
        s.GridIntervalsType = c.gridType;
        EXPECT_EQ(ThisValLessThanLimit(s, c.value, c.limit), c.less);
    }
    EXPECT_TRUE(reports.empty());
}

TEST_F(Stepping, SkipValuesAreMultiplesFromZero) {
    struct Case {
        std::int32_t gridType;
        double value, skip;
        bool isSkip;
    };
    // A zero skip interval skips nothing; zero is always a skip value; 1e-6 either side of a
    // multiple; 32767 is the largest 16-bit quotient; on a geographic grid the 1e-6 is degrees.
    // clang-format off
    const Case cases[] = {{0, 0.0, 0.0, false}, {0, 1000.0, 0.0, false}, {0, 0.0, 1000.0, true},
        {0, 0.0, 0.001, true}, {0, -3000.0, 1000.0, true}, {0, 2500.0, 1000.0, false},
        {0, 3000.0, -1000.0, true}, {0, 3000.0000009, 1000.0, true}, {0, 3000.0000011, 1000.0, false},
        {0, 32767.0 * 1000.0, 1000.0, true}, {1, 30.0 * kD2R, 10.0 * kD2R, true},
        {1, -170.0 * kD2R, 10.0 * kD2R, true}, {1, 35.0 * kD2R, 10.0 * kD2R, false},
        {1, (30.0 + 5e-7) * kD2R, 10.0 * kD2R, true}, {1, (30.0 + 2e-6) * kD2R, 10.0 * kD2R, false}};
    // clang-format on
    for (const Case &c : cases) {
        SCOPED_TRACE(std::to_string(c.value) + " skip " + std::to_string(c.skip));
        s.GridIntervalsType = c.gridType;
        EXPECT_EQ(IsASkipInterval(s, c.value, c.skip), c.isSkip);
    }
    EXPECT_TRUE(reports.empty());
}

// Each failure gives the neutral result and one "Overflow" report with its own trace and title.
TEST_F(Stepping, FailuresAreReportedWithTheNeutralResult) {
    const auto expectReport = [this](const char *trace, const char *title) {
        ASSERT_EQ(reports.size(), 1u);
        EXPECT_EQ(reports[0].description, "Overflow");
        EXPECT_EQ(reports[0].trace, trace);
        EXPECT_EQ(reports[0].title, title);
        reports.clear();
    };
    EXPECT_EQ(FindNextInterval(s, 5.0, 1e-309), 0.0); // 1 / 1e-309 overflows
    expectReport("In FindNextInterval", "FindNextInterval Error");
    EXPECT_EQ(SetStartValue(s, 1.0, 0.0, 1e-309), 0.0); // reported by the stepping
    expectReport("In FindNextInterval", "FindNextInterval Error");
    EXPECT_EQ(SetStartValue(s, 1e308, -1e308, 1.0), 0.0); // minimum - offset overflows
    expectReport("In SetStartValue", "SetStartValue Error");
    EXPECT_FALSE(ThisValLessThanLimit(s, 0.0, 1e18)); // beyond the fixed-point range
    expectReport("In ThisValLessThanLimit", "ThisValLessThanLimit Error");
    // Beyond 32767.5 skip intervals from zero the 16-bit quotient fails: never a skip value.
    EXPECT_FALSE(IsASkipInterval(s, 4e7, 1000.0));
    expectReport("In IsASkipInterval", "IsASkipInterval Error");
    EXPECT_FALSE(IsASkipInterval(s, -32768.0 * 1000.0, 1000.0));
    expectReport("In IsASkipInterval", "IsASkipInterval Error");
}

} // namespace
