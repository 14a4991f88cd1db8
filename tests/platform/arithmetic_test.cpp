// Checked arithmetic, the error object, checked references, and rounding and integer conversion,
// each rule at its ties and at the ends of its range.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>

#include "platform/numbers.h"
#include "support/raises.h"

namespace {

using namespace parallo::platform;
using parallo::Error;
using parallo::kOverflow;

const double kInf = std::numeric_limits<double>::infinity();
const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kMax = std::numeric_limits<double>::max();

TEST(CheckedArithmetic, NoNaNOrInfinityEverComesOut) {
    // Underflow to zero or to a subnormal number is not a failure.
    EXPECT_EQ(Mul(1e-200, 1e-200), 0.0);
    EXPECT_GT(Div(std::numeric_limits<double>::min(), 4.0), 0.0);
    EXPECT_EQ(Finite(-kMax), -kMax);
    EXPECT_RAISES(Div(1.0, 0.0), parallo::kDivisionByZero);
    EXPECT_RAISES(Div(0.0, 0.0), parallo::kDivisionByZero); // a division by zero, not NaN
    EXPECT_RAISES(Add(kMax, kMax), kOverflow);
    EXPECT_RAISES(Sub(-kMax, kMax), kOverflow);
    EXPECT_RAISES(Mul(1e200, 1e200), kOverflow);
    EXPECT_RAISES(Div(1.0, 1e-309), kOverflow); // a subnormal divisor overflows
    EXPECT_RAISES(Finite(kNaN), kOverflow);
    // NaN or infinity coming in is never carried out.
    EXPECT_RAISES(Add(kNaN, 1.0), kOverflow);
    EXPECT_RAISES(Mul(kInf, 0.0), kOverflow);
    EXPECT_RAISES(Div(kInf, 2.0), kOverflow);
}

TEST(ErrorObject, StandardNumbersTextsAndOwnChecks) {
    // clang-format off
    const std::pair<std::int32_t, const char *> cases[] = {
        {parallo::kInvalidProcedureCall, "Invalid procedure call or argument"}, {kOverflow, "Overflow"},
        {parallo::kSubscriptOutOfRange, "Subscript out of range"},
        {parallo::kDivisionByZero, "Division by zero"}, {parallo::kTypeMismatch, "Type mismatch"},
        {parallo::kObjectNotSet, "Object variable or With block variable not set"},
        {parallo::kDuplicateKey, "This key is already associated with an element of this collection"}
    };
    // clang-format on
    for (const auto &[number, text] : cases) {
        try {
            parallo::Raise(number, "Somewhere");
            ADD_FAILURE() << "Raise returned";
        } catch (const Error &e) {
            EXPECT_EQ(e.Number(), number);
            EXPECT_EQ(std::string(e.what()), std::string("Somewhere: ") + text);
        }
    }
    EXPECT_EQ(Error::StandardDescription(12345), "");
    try {
        parallo::RaiseOwn("Stroke distance must be positive", "Validate_StrokeDistance");
        ADD_FAILURE() << "RaiseOwn returned";
    } catch (const std::exception &ex) { // a standard exception
        const auto &e = dynamic_cast<const Error &>(ex);
        EXPECT_EQ(e.Number(), parallo::kOwnCheck);
        EXPECT_EQ(e.Description(), "Stroke distance must be positive");
        EXPECT_EQ(e.Source(), "Validate_StrokeDistance");
    }
    EXPECT_EQ(std::string(Error(42, "").what()), "error 42"); // still explains itself
}

TEST(Deref, MissingObjectIs91AndAPresentOneIsTheHostsOwn) {
    std::shared_ptr<int> none;
    EXPECT_RAISES(Deref(none), parallo::kObjectNotSet);
    auto some = std::make_shared<int>(7);
    Deref(some) = 8;
    EXPECT_EQ(*some, 8);
}

TEST(IntFixSgn, TowardsMinusInfinityTowardsZeroAndSign) {
    struct Case {
        double x, intValue, fixValue;
        int sign;
    };
    const Case cases[] = {
        {2.7, 2.0, 2.0, 1},     {-2.7, -3.0, -2.0, -1},   {-2.0, -2.0, -2.0, -1},    {0.5, 0.0, 0.0, 1},
        {-0.5, -1.0, -0.0, -1}, {1e300, 1e300, 1e300, 1}, {-1e-300, -1.0, -0.0, -1}, {-0.0, -0.0, -0.0, 0},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(Int(c.x), c.intValue) << c.x;
        EXPECT_EQ(Fix(c.x), c.fixValue) << c.x;
        EXPECT_EQ(Sgn(c.x), c.sign) << c.x;
    }
    EXPECT_EQ(Sgn(-kInf), -1);
    EXPECT_RAISES(Int(kNaN), kOverflow);
    EXPECT_RAISES(Fix(kInf), kOverflow);
    EXPECT_RAISES(Sgn(kNaN), kOverflow); // a NaN has no sign to report
}

TEST(CIntCLng, TiesToEvenAndRangeEnds) {
    // Just off a tie goes to the nearer neighbour; 0.49999999999999994 is the double just below 0.5;
    // the tie -32768.5 goes to the even -32768, inside the range, while 32767.5 goes to 32768, outside.
    // clang-format off
    const std::pair<double, std::int32_t> cints[] = {
        {0.5, 0}, {1.5, 2}, {2.5, 2}, {-0.5, 0}, {-1.5, -2}, {-7.6, -8}, {std::nextafter(2.5, 3.0), 3},
        {0.49999999999999994, 0}, {32767.49, 32767}, {32766.5, 32766}, {-32768.5, -32768}
    };
    // clang-format on
    for (const auto &[x, value] : cints)
        EXPECT_EQ(CInt(x), value) << x;
    for (double x : {32767.5, -32768.51, 1e10, kNaN, kInf, -kInf})
        EXPECT_RAISES(CInt(x), kOverflow);
    const std::int32_t min = std::numeric_limits<std::int32_t>::min();
    const std::pair<double, std::int32_t> clngs[] = {
        {3.5, 4}, {-3.5, -4}, {2147483646.5, 2147483646}, {-2147483648.5, min}};
    for (const auto &[x, value] : clngs)
        EXPECT_EQ(CLng(x), value) << x;
    for (double x : {2147483647.5, -2147483649.0, kNaN, 1e300})
        EXPECT_RAISES(CLng(x), kOverflow);
}

TEST(CCur, FourDecimalsTiesToEvenEveryDigitAndRangeEnds) {
    // The count is x * 10000 in double precision, rounded. The first five are exact ties of that
    // product (checked first), so they show the rule itself; 0.00015 is stored as 1.4999999999999998
    // ten-thousandths, no tie. Above 2^53 ten-thousandths a double product would drop the last
    // digits of the count. The range is ±922337203685477.5807; doubles there are 0.125 apart, so
    // ...477.5 is the last inside and ...477.5807 is stored as ...477.625, outside.
    ASSERT_EQ(0.00025 * 10000.0, 2.5);
    ASSERT_EQ(0.12345 * 10000.0, 1234.5);
    // clang-format off
    const std::pair<double, std::int64_t> cases[] = {
        {0.00005, 0}, {0.00025, 2}, {0.00035, 4}, {-0.00025, -2}, {0.12345, 1234}, {0.00015, 1},
        {-1.23456, -12346}, {10.00004, 100000}, {123456789012.25, 1234567890122500},
        {-900000000000001.25, -9000000000000012500}, {922337203685477.5, 9223372036854775000},
        {-922337203685477.5, -9223372036854775000}
    };
    // clang-format on
    for (const auto &[x, count] : cases)
        EXPECT_EQ(CCur(x), count) << x;
    EXPECT_EQ(CurToDouble(CCur(12.3456)), 12.3456);
    for (double x : {922337203685477.5807, -922337203685477.625, -1e300, kNaN, kInf})
        EXPECT_RAISES(CCur(x), kOverflow);
}

TEST(IntegerAdd, SixteenAndThirtyTwoBitsNeverWrap) {
    const std::int32_t max = std::numeric_limits<std::int32_t>::max();
    const std::int32_t min = std::numeric_limits<std::int32_t>::min();
    EXPECT_EQ(Add16(32766, 1), 32767);
    EXPECT_EQ(Add16(32767, -32768), -1);
    EXPECT_RAISES(Add16(32767, 1), kOverflow);
    EXPECT_RAISES(Add16(-32768, -1), kOverflow);
    EXPECT_EQ(Add32(max - 1, 1), max);
    EXPECT_RAISES(Add32(max, 1), kOverflow);
    EXPECT_RAISES(Add32(min, -1), kOverflow);
}

} // namespace
