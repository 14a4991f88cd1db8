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

using parallo::detail::FindNextInterval;
using parallo::detail::IsASkipInterval;
using parallo::detail::ServiceState;
using parallo::detail::SetStartValue;
using parallo::detail::ThisValLessThanLimit;

constexpr double kPi = 3.14159265358979323846;

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

// ---- FindNextInterval -----------------------------------------------------------------------

TEST_F(Stepping, NextMultipleStrictlyAbove) {
    struct Case {
        double value, interval, expected;
    };
    // Values on, just below and well below a multiple, negative values (floor, not truncation).
    const Case cases[] = {
        {20.0, 10.0, 30.0},     // a multiple yields the next one
        {19.99999, 10.0, 30.0}, // within 1e-5 of an interval below 20: 20 is stepped over
        {19.9998, 10.0, 20.0},  // 2e-5 of an interval below: 20 is the next value
        {-15.0, 10.0, -10.0},   {-20.0, 10.0, -10.0},    {0.0, 10.0, 10.0},
        {-0.5, 1.0, 0.0},       {1003.0, 0.25, 1003.25},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE("value " + std::to_string(c.value) + " interval " + std::to_string(c.interval));
        // The result is formed as (inv*interval + n [+1]) / inv; a few ulps of rounding are allowed.
        EXPECT_NEAR(FindNextInterval(s, c.value, c.interval), c.expected,
                    1e-12 * std::fabs(c.expected) + 1e-15);
    }
    EXPECT_TRUE(reports.empty());
}

TEST_F(Stepping, ZeroIntervalReturnsTheValue) {
    EXPECT_EQ(FindNextInterval(s, 123.456, 0.0), 123.456);
    EXPECT_EQ(FindNextInterval(s, -7.0, 0.0), -7.0);
    EXPECT_TRUE(reports.empty());
}

TEST_F(Stepping, NextIntervalPropertyOnRandomValues) {
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> value(-1e6, 1e6);
    std::uniform_real_distribution<double> exponent(-3.0, 4.0);
    for (int k = 0; k < 2000; ++k) {
        const double v = value(rng);
        const double interval = std::pow(10.0, exponent(rng));
        const double next = FindNextInterval(s, v, interval);
        const double q = next / interval;
        // Strictly above, on a whole multiple (to 1e-9 of an interval, the rounding of q), and at
        // most one interval plus the 1e-5 step-over zone away.
        EXPECT_GT(next, v);
        EXPECT_NEAR(q, std::round(q), 1e-9 * std::fabs(q) + 1e-9);
        EXPECT_LE(next - v, interval * (1.0 + 1e-5) * (1.0 + 1e-9));
    }
    EXPECT_TRUE(reports.empty());
}

TEST_F(Stepping, OverflowingReciprocalIsReportedAndGivesZero) {
    // 1 / 1e-309 overflows to infinity.
    EXPECT_EQ(FindNextInterval(s, 5.0, 1e-309), 0.0);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].description, "Overflow");
    EXPECT_EQ(reports[0].trace, "In FindNextInterval");
    EXPECT_EQ(reports[0].title, "FindNextInterval Error");
}

// ---- SetStartValue --------------------------------------------------------------------------

TEST_F(Stepping, StartValueStaysOnTheIntervalGrid) {
    EXPECT_NEAR(SetStartValue(s, 1003.0, 5.0, 10.0), 1000.0, 1e-9); // the offset is not added back
    EXPECT_NEAR(SetStartValue(s, 1003.0, 0.0, 10.0), 1010.0, 1e-9);
    EXPECT_EQ(SetStartValue(s, 42.0, 2.0, 0.0), 40.0);
    EXPECT_TRUE(reports.empty());
}

TEST_F(Stepping, StartValueFailureComesFromTheStepping) {
    EXPECT_EQ(SetStartValue(s, 1.0, 0.0, 1e-309), 0.0);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].title, "FindNextInterval Error");
    EXPECT_EQ(SetStartValue(s, 1e308, -1e308, 1.0), 0.0); // minimum - offset overflows
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[1].trace, "In SetStartValue");
    EXPECT_EQ(reports[1].title, "SetStartValue Error");
}

// ---- ThisValLessThanLimit -------------------------------------------------------------------

TEST_F(Stepping, LimitComparedInFourDecimals) {
    EXPECT_FALSE(ThisValLessThanLimit(s, 10.00004, 10.0)); // both are 10.0000
    EXPECT_TRUE(ThisValLessThanLimit(s, 9.99994, 10.0));   // 9.9999 < 10.0000
    EXPECT_FALSE(ThisValLessThanLimit(s, 10.0, 10.0));
    EXPECT_TRUE(ThisValLessThanLimit(s, -10.0, -9.9998));
    EXPECT_FALSE(ThisValLessThanLimit(s, 11.0, 10.0));
    EXPECT_TRUE(reports.empty());
}

TEST_F(Stepping, GeographicLimitComparedInDegrees) {
    s.GridIntervalsType = 1;
    const double d2r = kPi / 180.0;
    // 30.00004 and 30 degrees agree to four decimals of degrees, though they differ by 7e-7 rad.
    EXPECT_FALSE(ThisValLessThanLimit(s, 30.00004 * d2r, 30.0 * d2r));
    EXPECT_TRUE(ThisValLessThanLimit(s, 29.9999 * d2r, 30.0 * d2r));
    // The same two numbers on a projected grid are compared as they stand (here both round to
    // 0.5236 ten-thousandths, so they are equal too; 0.5237 is not).
    s.GridIntervalsType = 0;
    EXPECT_FALSE(ThisValLessThanLimit(s, 30.00004 * d2r, 30.0 * d2r));
    EXPECT_TRUE(ThisValLessThanLimit(s, 0.5236, 0.5237));
    EXPECT_TRUE(reports.empty());
}

TEST_F(Stepping, LimitOutsideFixedPointRangeIsReportedAsFalse) {
    EXPECT_FALSE(ThisValLessThanLimit(s, 0.0, 1e18));
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].description, "Overflow");
    EXPECT_EQ(reports[0].trace, "In ThisValLessThanLimit");
    EXPECT_EQ(reports[0].title, "ThisValLessThanLimit Error");
}

// ---- IsASkipInterval ------------------------------------------------------------------------

TEST_F(Stepping, SkipValuesAreMultiplesFromZero) {
    EXPECT_FALSE(IsASkipInterval(s, 0.0, 0.0));
    EXPECT_FALSE(IsASkipInterval(s, 1000.0, 0.0)); // a zero skip interval skips nothing
    EXPECT_TRUE(IsASkipInterval(s, 0.0, 1000.0));  // zero is always a skip value
    EXPECT_TRUE(IsASkipInterval(s, 0.0, 0.001));
    EXPECT_TRUE(IsASkipInterval(s, -3000.0, 1000.0)); // symmetric about zero
    EXPECT_FALSE(IsASkipInterval(s, 2500.0, 1000.0));
    EXPECT_TRUE(IsASkipInterval(s, 3000.0000009, 1000.0));  // within 1e-6
    EXPECT_FALSE(IsASkipInterval(s, 3000.0000011, 1000.0)); // beyond 1e-6
    EXPECT_TRUE(IsASkipInterval(s, 3000.0, -1000.0));
    EXPECT_TRUE(reports.empty());
}

TEST_F(Stepping, SkipQuotientIsSixteenBit) {
    EXPECT_TRUE(IsASkipInterval(s, 32767.0 * 1000.0, 1000.0)); // the largest quotient
    EXPECT_TRUE(reports.empty());
    // Beyond 32767.5 skip intervals from zero the quotient fails: never a skip value, and the
    // failure is reported.
    EXPECT_FALSE(IsASkipInterval(s, 4e7, 1000.0));
    EXPECT_FALSE(IsASkipInterval(s, -32768.0 * 1000.0, 1000.0));
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[0].description, "Overflow");
    EXPECT_EQ(reports[0].trace, "In IsASkipInterval");
    EXPECT_EQ(reports[0].title, "IsASkipInterval Error");
}

TEST_F(Stepping, GeographicSkipInDegrees) {
    s.GridIntervalsType = 1;
    const double d2r = kPi / 180.0;
    EXPECT_TRUE(IsASkipInterval(s, 30.0 * d2r, 10.0 * d2r));
    EXPECT_TRUE(IsASkipInterval(s, -170.0 * d2r, 10.0 * d2r));
    EXPECT_FALSE(IsASkipInterval(s, 35.0 * d2r, 10.0 * d2r));
    // 1e-6 is measured in degrees: 5e-7 degrees off is a skip value, 2e-6 degrees off is not.
    EXPECT_TRUE(IsASkipInterval(s, (30.0 + 5e-7) * d2r, 10.0 * d2r));
    EXPECT_FALSE(IsASkipInterval(s, (30.0 + 2e-6) * d2r, 10.0 * d2r));
    EXPECT_TRUE(reports.empty());
}

} // namespace
