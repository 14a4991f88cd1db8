// The platform: checked arithmetic, the error object, checked references, rounding and integer
// conversion, and number texts (Str$, the 15-digit text of a double and its reading back,
// "Scientific", "00" and the decimal pattern), each rule at its ties and at the ends of its range.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <random>
#include <string>

#include "platform/numbers.h"
#include "support/raises.h"

namespace {

using namespace parallo::platform;
using parallo::Error;
using parallo::kOverflow;
using parallo::kTypeMismatch;

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
    const auto thrown = [](auto &&raise) -> Error {
        try {
            raise();
        } catch (const std::exception &e) { // a standard exception
            return dynamic_cast<const Error &>(e);
        }
        return Error(0, "nothing thrown");
    };
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
        const Error e = thrown([n = number] { parallo::Raise(n, "Somewhere"); });
        EXPECT_EQ(e.Number(), number);
        EXPECT_EQ(std::string(e.what()), std::string("Somewhere: ") + text);
    }
    EXPECT_EQ(Error::StandardDescription(12345), "");
    const Error own =
        thrown([] { parallo::RaiseOwn("Stroke distance must be positive", "Validate_StrokeDistance"); });
    EXPECT_EQ(own.Number(), parallo::kOwnCheck);
    EXPECT_EQ(own.Description() + "|" + own.Source(),
              "Stroke distance must be positive|Validate_StrokeDistance");
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
    EXPECT_EQ(Add16(32766, 1), 32767);
    EXPECT_EQ(Add16(32767, -32768), -1);
    EXPECT_EQ(Add32(max - 1, 1), max);
    EXPECT_RAISES(Add16(32767, 1), kOverflow);
    EXPECT_RAISES(Add16(-32768, -1), kOverflow);
    EXPECT_RAISES(Add32(max, 1), kOverflow);
    EXPECT_RAISES(Add32(std::numeric_limits<std::int32_t>::min(), -1), kOverflow);
}

struct TextCase {
    double x;
    const char *text;
};

TEST(Str, SignSpaceForNonNegativeValues) {
    EXPECT_EQ(Str(std::int64_t{0}), " 0");
    EXPECT_EQ(Str(std::int16_t{32767}), " 32767"); // a 16-bit counter, as the label identities use
    EXPECT_EQ(Str(std::numeric_limits<std::int32_t>::min()), "-2147483648");
    EXPECT_EQ(Str(std::numeric_limits<std::int64_t>::max()), " 9223372036854775807");
    EXPECT_EQ(Str(-1.5), "-1.5");
    EXPECT_EQ(Str(-0.0), " 0"); // negative zero has no sign to show
    EXPECT_EQ(Str(1e20), " 1E+20");
    EXPECT_RAISES(Str(kNaN), kOverflow);
}

TEST(DoubleText, FifteenSignificantDigits) {
    // 0.1 + 0.2 has 17 digits, 15 give 0.3; 999999999999999 is the largest plain whole number and
    // 0.0001 the smallest plain magnitude; 9.999999999999999e14 rounds up into the exponent form.
    // clang-format off
    const TextCase cases[] = {
        {-2.0, "-2"}, {0.1 + 0.2, "0.3"}, {2.0 / 3.0, "0.666666666666667"},
        {123456789012345.6, "123456789012346"}, {999999999999999.0, "999999999999999"}, {0.0001, "0.0001"},
        {9.999999999999999e14, "1E+15"}, {1e-5, "1E-05"}, {-1.25e-7, "-1.25E-07"},
        {std::numeric_limits<double>::max(), "1.79769313486232E+308"},
        {std::numeric_limits<double>::denorm_min(), "4.94065645841247E-324"}
    };
    // clang-format on
    for (const TextCase &c : cases)
        EXPECT_EQ(DoubleText(c.x), c.text) << c.text;
    for (double x : {kInf, -kInf, kNaN})
        EXPECT_RAISES(DoubleText(x), kOverflow);

    // Property: the text reads back as the double nearest the decimal it shows, and writing that
    // double again gives the same text.
    std::mt19937_64 rng(20240611u);
    std::uniform_real_distribution<double> mantissa(-10.0, 10.0);
    std::uniform_int_distribution<int> exponent(-30, 30);
    for (int i = 0; i < 20000; ++i) {
        const double x = mantissa(rng) * std::pow(10.0, exponent(rng));
        const std::string text = DoubleText(x);
        const double back = ParseDouble(text);
        ASSERT_EQ(DoubleText(back), text) << "seed 20240611: " << x;
        // 15 significant digits: the relative change is at most half a unit of the 15th digit.
        ASSERT_LE(std::fabs(back - x), 5e-15 * std::fabs(x)) << x << " " << text;
    }
}

TEST(ParseDouble, DecimalTextWhateverTheMagnitudeAndNothingElse) {
    // Too small to represent reads as zero; subnormal numbers are numbers.
    // clang-format off
    const TextCase cases[] = {
        {-1500.0, " -1.5E+03 "}, {2.0, "+2"}, {0.25, ".25"}, {1e-5, "1E-05"}, {0.0, "-1.5e-400"},
        {0.0, "1000e-330"}, {0.0, "2e-99999999999999999999"}, {1e-310, "1e-310"}
    };
    // clang-format on
    for (const TextCase &c : cases)
        EXPECT_EQ(ParseDouble(c.text), c.x) << c.text;
    // Too large is Overflow however it is written; the largest double's 15-digit text lies past it.
    for (const char *text : {"0.0001e313", "-2e99999999999999999999", "1.79769313486232E+308"})
        EXPECT_RAISES(ParseDouble(text), kOverflow);
    for (const char *text : {"", "   ", "1.5x", "1,5", "--1", "+-1", "inf", "nan", "0x10", "1e", "."})
        EXPECT_RAISES(ParseDouble(text), kTypeMismatch);
}

TEST(FormatScientific, TwoDecimalMantissaAndSignedExponent) {
    // Decimal ties keep an even last digit: 1.505 stays 1.50, 1.515 goes up to 1.52.
    const TextCase cases[] = {{1234.0, "1.23E+03"},    {0.0, "0.00E+00"},    {0.4, "4.00E-01"},
                              {-1234.0, "-1.23E+03"},  {9999.0, "1.00E+04"}, {1e100, "1.00E+100"},
                              {1.5e-300, "1.50E-300"}, {1.505, "1.50E+00"},  {1.515, "1.52E+00"},
                              {1.5051, "1.51E+00"}};
    for (const TextCase &c : cases)
        EXPECT_EQ(FormatScientific(c.x), c.text) << c.text;
    EXPECT_RAISES(FormatScientific(kNaN), kOverflow);
    // The interval calculation reads the text before "E" as a number and the rest as an integer.
    const std::string text = FormatScientific(60100.0 / 10.0);
    EXPECT_EQ(ParseDouble(text.substr(0, text.find('E'))), 6.01);
    EXPECT_EQ(CInt(ParseDouble(text.substr(text.find('E') + 1))), 3);
}

TEST(Format00, AtLeastTwoDigitsTiesToEven) {
    // -0.4 rounds to zero and shows no sign.
    const TextCase cases[] = {{5.0, "05"},   {123.0, "123"}, {59.6, "60"}, {-5.0, "-05"},       {-0.4, "00"},
                              {99.5, "100"}, {2.5, "02"},    {3.5, "04"},  {2.5000000001, "03"}};
    for (const TextCase &c : cases)
        EXPECT_EQ(Format00(c.x), c.text) << c.x;
    EXPECT_RAISES(Format00(kNaN), kOverflow);
}

TEST(FormatDecimals, PointAndExactlyNDecimalsWithoutLeadingZero) {
    struct Case {
        double x;
        int places;
        const char *text;
    };
    // Decimal ties keep an even last digit (0.05 to .0, 0.15 to .2), 0.135 is a tie although
    // stored below it, 0.999 rounds up into the whole number, -0.004 rounds to zero without a sign.
    // clang-format off
    const Case cases[] = {
        {0.25, 2, ".25"}, {1.5, 2, "1.50"}, {-0.5, 1, "-.5"}, {0.0, 3, ".000"}, {0.05, 1, ".0"},
        {0.15, 1, ".2"}, {0.135, 2, ".14"}, {0.999, 2, "1.00"}, {-0.004, 2, ".00"}, {1e-7, 10, ".0000001000"},
        {12345.678, 1, "12345.7"}, {0.6, 0, "1"}, {2.5, 0, "2"}, {-3.5, 0, "-4"}
    };
    // clang-format on
    for (const Case &c : cases)
        EXPECT_EQ(FormatDecimals(c.x, c.places), c.text) << c.x << " " << c.places;
    EXPECT_RAISES(FormatDecimals(0.5, -1), parallo::kInvalidProcedureCall);
    EXPECT_RAISES(FormatDecimals(kInf, 2), kOverflow);
}

} // namespace
