// Rounding and integer conversion: each rule at its ties and at the ends of its range.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

#include "platform/numbers.h"
#include "raises.h"

namespace {

using namespace parallo::platform;
using parallo::kOverflow;

const double kInf = std::numeric_limits<double>::infinity();
const double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(IntFix, RoundTowardsMinusInfinityAndTowardsZero) {
    struct Case {
        double x, intValue, fixValue;
    };
    const Case cases[] = {
        {2.7, 2.0, 2.0},    {-2.7, -3.0, -2.0},    {-2.0, -2.0, -2.0},    {0.5, 0.0, 0.0},
        {-0.5, -1.0, -0.0}, {1e300, 1e300, 1e300}, {-1e-300, -1.0, -0.0},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(Int(c.x), c.intValue) << c.x;
        EXPECT_EQ(Fix(c.x), c.fixValue) << c.x;
    }
    EXPECT_RAISES(Int(kNaN), kOverflow);
    EXPECT_RAISES(Fix(kInf), kOverflow);
}

TEST(CIntCLng, TiesToEvenAndRangeEnds) {
    struct Case {
        double x;
        std::int32_t value;
    };
    const Case cints[] = {
        {0.5, 0},
        {1.5, 2},
        {2.5, 2},
        {-0.5, 0},
        {-1.5, -2},
        {-7.6, -8},
        {std::nextafter(2.5, 3.0), 3}, // just off a tie: the nearer neighbour
        {0.49999999999999994, 0},      // the double just below 0.5
        {32767.49, 32767},
        {32766.5, 32766},
        {-32768.5, -32768}, // the tie goes to the even -32768, inside the range
    };
    for (const Case &c : cints)
        EXPECT_EQ(CInt(c.x), c.value) << c.x;
    for (double x : {32767.5 /* the tie goes to 32768 */, -32768.51, 1e10, kNaN, kInf, -kInf})
        EXPECT_RAISES(CInt(x), kOverflow);
    const std::int32_t min = std::numeric_limits<std::int32_t>::min();
    const Case clngs[] = {{3.5, 4}, {-3.5, -4}, {2147483646.5, 2147483646}, {-2147483648.5, min}};
    for (const Case &c : clngs)
        EXPECT_EQ(CLng(c.x), c.value) << c.x;
    for (double x : {2147483647.5, -2147483649.0, kNaN, 1e300})
        EXPECT_RAISES(CLng(x), kOverflow);
}

TEST(CCur, FourDecimalsTiesToEven) {
    EXPECT_EQ(CCur(-1.23456), -12346);
    EXPECT_EQ(CurToDouble(CCur(12.3456)), 12.3456);
    EXPECT_EQ(CCur(10.00004), 100000); // agrees with 10 to four decimals
    EXPECT_EQ(CCur(9.99994), 99999);
    // The count is the product x * 10000 in double precision, rounded. These products are exact
    // ties (checked first), so they show the rule itself.
    ASSERT_EQ(0.00005 * 10000.0, 0.5);
    ASSERT_EQ(0.00025 * 10000.0, 2.5);
    ASSERT_EQ(0.00035 * 10000.0, 3.5);
    ASSERT_EQ(0.12345 * 10000.0, 1234.5);
    EXPECT_EQ(CCur(0.00005), 0);
    EXPECT_EQ(CCur(0.00025), 2);
    EXPECT_EQ(CCur(0.00035), 4);
    EXPECT_EQ(CCur(-0.00025), -2);
    EXPECT_EQ(CCur(0.12345), 1234);
    // 0.00015 is stored as 1.4999999999999998 ten-thousandths: not a tie, rounds down.
    EXPECT_EQ(CCur(0.00015), 1);
    EXPECT_EQ(CCur(0.00026), 3);
}

TEST(CCur, RangeEnds) {
    // The range is ±922337203685477.5807; doubles near it are 0.125 apart, so the largest amount
    // inside is ...477.5 and the next double, ...477.625, is outside.
    EXPECT_EQ(CCur(922337203685477.0), 9223372036854770000);
    EXPECT_EQ(CCur(922337203685477.5), 9223372036854775000);
    EXPECT_RAISES(CCur(922337203685477.625), kOverflow);
    EXPECT_RAISES(CCur(922337203685477.5807), kOverflow); // stored as ...477.625
    EXPECT_RAISES(CCur(922337203685478.0), kOverflow);
    EXPECT_EQ(CCur(-922337203685477.0), -9223372036854770000);
    EXPECT_EQ(CCur(-922337203685477.5), -9223372036854775000);
    EXPECT_RAISES(CCur(-922337203685477.625), kOverflow);
    EXPECT_RAISES(CCur(-1e300), kOverflow);
    EXPECT_RAISES(CCur(kNaN), kOverflow);
    EXPECT_RAISES(CCur(kInf), kOverflow);
}

TEST(CCur, LargeAmountsKeepEveryDigit) {
    // Above 2^53 ten-thousandths a double product would drop the last digits of the count.
    EXPECT_EQ(CCur(123456789012.25), 1234567890122500);
    EXPECT_EQ(CCur(900000000000001.0), 9000000000000010000);
    EXPECT_EQ(CCur(-900000000000001.25), -9000000000000012500);
}

TEST(Sgn, SignOfEveryKindOfValue) {
    EXPECT_EQ(Sgn(3.2), 1);
    EXPECT_EQ(Sgn(-1e-300), -1);
    EXPECT_EQ(Sgn(0.0), 0);
    EXPECT_EQ(Sgn(-0.0), 0);
    EXPECT_EQ(Sgn(kInf), 1);
    EXPECT_EQ(Sgn(-kInf), -1);
    EXPECT_RAISES(Sgn(kNaN), kOverflow); // a NaN has no sign to report
}

TEST(IntegerAdd, SixteenAndThirtyTwoBitsNeverWrap) {
    const std::int32_t max = std::numeric_limits<std::int32_t>::max();
    const std::int32_t min = std::numeric_limits<std::int32_t>::min();
    EXPECT_EQ(Add16(32766, 1), 32767);
    EXPECT_RAISES(Add16(32767, 1), kOverflow);
    EXPECT_RAISES(Add16(-32768, -1), kOverflow);
    EXPECT_EQ(Add16(32767, -32768), -1);
    EXPECT_EQ(Add32(max - 1, 1), max);
    EXPECT_RAISES(Add32(max, 1), kOverflow);
    EXPECT_RAISES(Add32(min, -1), kOverflow);
    EXPECT_EQ(Add32(max, min), -1);
}

} // namespace
