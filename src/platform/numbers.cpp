// Number semantics of the platform: rounding, checked conversions and arithmetic, and the
// number formats the interval and label code writes.
//
// Every text format goes through one decimal form of the double: its 15 significant digits, as
// the platform writes a double. Rounding to fewer digits then works on those decimal digits, so
// 0.125 with two decimals and 1.505 with a two-decimal mantissa are true decimal ties, not the
// binary neighbours of one. Decimal ties go to the even digit, like every other rounding here.
// All texts use "." as the decimal separator whatever the process locale.
#include "platform/numbers.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>
#include <system_error>

namespace parallo {
namespace platform {

// ---- checked arithmetic -------------------------------------------------------------------

double Finite(double x) {
    if (!std::isfinite(x)) Raise(kOverflow);
    return x;
}

double Add(double a, double b) { return Finite(a + b); }
double Sub(double a, double b) { return Finite(a - b); }
double Mul(double a, double b) { return Finite(a * b); }

double Div(double a, double b) {
    if (b == 0.0) Raise(kDivisionByZero);
    return Finite(a / b);
}

// ---- rounding and integer conversion ------------------------------------------------------

double Int(double x) { return std::floor(Finite(x)); }
double Fix(double x) { return std::trunc(Finite(x)); }

namespace {

/// Round to nearest, ties to the even neighbour, independent of the floating-point rounding
/// mode the host may have set. x - floor(x) is exact for every finite double.
double RoundHalfEven(double x) {
    const double lower = std::floor(x);
    const double diff = x - lower;
    if (diff < 0.5) return lower;
    if (diff > 0.5) return lower + 1.0;
    return std::fmod(lower, 2.0) == 0.0 ? lower : lower + 1.0;
}

/// The rounded value of x when it lies within [lo, hi]; Overflow otherwise (NaN included).
double RoundInto(double x, double lo, double hi) {
    if (std::isnan(x)) Raise(kOverflow);
    const double r = RoundHalfEven(x);
    if (!(r >= lo && r <= hi)) Raise(kOverflow);
    return r;
}

} // namespace

std::int16_t CInt(double x) { return static_cast<std::int16_t>(RoundInto(x, -32768.0, 32767.0)); }

std::int32_t CLng(double x) { return static_cast<std::int32_t>(RoundInto(x, -2147483648.0, 2147483647.0)); }

std::int64_t CCur(double x) {
    // The whole part times 10000 is exact in 64 bits; only the fraction is scaled in double
    // precision and rounded. A plain x * 10000 would lose the last digits of the count for
    // amounts above 2^53 ten-thousandths (about 9e11) and misplace the upper range end.
    if (!std::isfinite(x)) Raise(kOverflow);
    constexpr double kLargestWhole = 922337203685477.0;
    const double whole = std::trunc(x);
    if (std::fabs(whole) > kLargestWhole) Raise(kOverflow);
    const std::int64_t wholeCount = static_cast<std::int64_t>(whole) * 10000;
    const std::int64_t fractionCount = static_cast<std::int64_t>(RoundHalfEven((x - whole) * 10000.0));
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
    if ((fractionCount > 0 && wholeCount > kMax - fractionCount) ||
        (fractionCount < 0 && wholeCount < kMin - fractionCount))
        Raise(kOverflow);
    return wholeCount + fractionCount;
}

double CurToDouble(std::int64_t count) { return static_cast<double>(count) / 10000.0; }

std::int32_t Sgn(double x) {
    if (std::isnan(x)) Raise(kOverflow);
    if (x > 0.0) return 1;
    if (x < 0.0) return -1;
    return 0;
}

std::int16_t Add16(std::int16_t a, std::int16_t b) {
    const std::int32_t sum = std::int32_t{a} + std::int32_t{b};
    if (sum < std::numeric_limits<std::int16_t>::min() || sum > std::numeric_limits<std::int16_t>::max())
        Raise(kOverflow);
    return static_cast<std::int16_t>(sum);
}

std::int32_t Add32(std::int32_t a, std::int32_t b) {
    const std::int64_t sum = std::int64_t{a} + std::int64_t{b};
    if (sum < std::numeric_limits<std::int32_t>::min() || sum > std::numeric_limits<std::int32_t>::max())
        Raise(kOverflow);
    return static_cast<std::int32_t>(sum);
}

// ---- decimal form of a double -------------------------------------------------------------

namespace {

/// A finite double as decimal digits: value = (negative ? -1 : 1) * 0.d1 d2 ... dk * 10^point.
/// `digits` has no leading and no trailing zeros; it is empty for zero.
struct Decimal {
    bool negative = false;
    std::string digits;
    int point = 0;

    bool IsZero() const { return digits.empty(); }
    /// The digit at index i of 0.d1 d2 ... (i = 0 is d1), '0' outside the stored digits.
    char DigitAt(int i) const {
        return i >= 0 && i < static_cast<int>(digits.size()) ? digits[static_cast<std::size_t>(i)] : '0';
    }
};

constexpr int kSignificantDigits = 15;

Decimal ToDecimal(double x) {
    Finite(x);
    Decimal d;
    if (x == 0.0) return d;
    d.negative = x < 0.0;
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(x), std::chars_format::scientific,
                                   kSignificantDigits - 1);
    const std::string text(buf, res.ptr); // d.dddddddddddddde[+-]xx
    const std::size_t e = text.find('e');
    d.digits = text.substr(0, 1) + text.substr(2, e - 2);
    d.point = std::atoi(text.c_str() + e + 1) + 1;
    while (!d.digits.empty() && d.digits.back() == '0')
        d.digits.pop_back();
    return d;
}

/// Keeps the first `keep` digits of 0.d1 d2 ..., rounding the rest away with ties to even.
void RoundDigits(Decimal &d, int keep) {
    const int count = static_cast<int>(d.digits.size());
    if (d.IsZero() || keep >= count) return;
    if (keep < 0) { // the value is below half a unit of the kept place
        d.digits.clear();
        return;
    }
    const char next = d.DigitAt(keep);
    const bool restNonZero = count > keep + 1; // trailing zeros are stripped
    const bool lastOdd = keep > 0 && ((d.DigitAt(keep - 1) - '0') % 2) == 1;
    const bool up = next > '5' || (next == '5' && (restNonZero || lastOdd));
    d.digits.resize(static_cast<std::size_t>(keep));
    if (up) {
        int i = keep - 1;
        while (i >= 0 && d.digits[static_cast<std::size_t>(i)] == '9') {
            d.digits[static_cast<std::size_t>(i)] = '0';
            --i;
        }
        if (i >= 0) {
            ++d.digits[static_cast<std::size_t>(i)];
        } else {
            d.digits.insert(d.digits.begin(), '1');
            ++d.point;
        }
    }
    while (!d.digits.empty() && d.digits.back() == '0')
        d.digits.pop_back();
}

/// The digits before the decimal point; empty when the value is below 1.
std::string WholeDigits(const Decimal &d) {
    std::string s;
    for (int i = 0; i < d.point; ++i)
        s += d.DigitAt(i);
    return s;
}

/// `n` digits after the decimal point.
std::string FractionDigits(const Decimal &d, int n) {
    std::string s;
    for (int i = 0; i < n; ++i)
        s += d.DigitAt(d.point + i);
    return s;
}

/// "E", a sign and at least two digits.
std::string ExponentText(int e) {
    std::string digits = std::to_string(e < 0 ? -e : e);
    if (digits.size() < 2) digits.insert(0, 1, '0');
    return std::string("E") + (e < 0 ? "-" : "+") + digits;
}

/// The power of ten of the first significant digit of a decimal number text (digits, an
/// optional point, an optional exponent), for telling overflow from underflow.
long long DecimalExponent(const char *begin, const char *end) {
    const char *e = begin;
    while (e != end && *e != 'e' && *e != 'E')
        ++e;
    long long exponent = 0;
    if (e != end) {
        const char *digits = e + 1;
        bool negative = false;
        if (digits != end && (*digits == '+' || *digits == '-')) negative = *digits++ == '-';
        const auto res = std::from_chars(digits, end, exponent);
        if (res.ec == std::errc::result_out_of_range) exponent = std::numeric_limits<long long>::max() / 2;
        if (negative) exponent = -exponent;
    }
    long long point = e - begin; // position of the point, or the end of the digits
    long long first = -1;        // position of the first non-zero digit
    for (const char *c = begin; c != e; ++c) {
        if (*c == '.') {
            point = c - begin;
        } else if (*c != '0' && first < 0) {
            first = c - begin;
        }
    }
    if (first < 0) return 0;
    return exponent + (first < point ? point - first - 1 : point - first);
}

} // namespace

// ---- text ---------------------------------------------------------------------------------

std::string Str(std::int64_t n) { return n < 0 ? std::to_string(n) : " " + std::to_string(n); }

std::string Str(double x) {
    std::string text = DoubleText(x);
    return text[0] == '-' ? text : " " + text;
}

std::string DoubleText(double x) {
    const Decimal d = ToDecimal(x);
    if (d.IsZero()) return "0";
    const std::string sign = d.negative ? "-" : "";
    const int exponent = d.point - 1;
    const int count = static_cast<int>(d.digits.size());
    if (exponent >= -4 && exponent < kSignificantDigits) {
        std::string whole = WholeDigits(d);
        if (whole.empty()) whole = "0";
        const int decimals = count - d.point;
        return sign + whole + (decimals > 0 ? "." + FractionDigits(d, decimals) : std::string());
    }
    std::string mantissa = d.digits.substr(0, 1);
    if (count > 1) mantissa += "." + d.digits.substr(1);
    return sign + mantissa + ExponentText(exponent);
}

double ParseDouble(const std::string &text) {
    std::size_t first = text.find_first_not_of(" \t");
    std::size_t last = text.find_last_not_of(" \t");
    if (first == std::string::npos) Raise(kTypeMismatch);
    const char *begin = text.data() + first;
    const char *end = text.data() + last + 1;
    bool negative = false;
    if (*begin == '+' || *begin == '-') {
        negative = *begin == '-';
        ++begin;
    }
    // Digits or a point must follow: no infinities, no NaN, no second sign.
    if (begin == end || !(std::isdigit(static_cast<unsigned char>(*begin)) || *begin == '.'))
        Raise(kTypeMismatch);
    double value = 0.0;
    const auto res = std::from_chars(begin, end, value, std::chars_format::general);
    if (res.ptr != end) Raise(kTypeMismatch);
    if (res.ec == std::errc::result_out_of_range) {
        // Too large is the platform's Overflow; too small to represent reads as zero.
        if (DecimalExponent(begin, end) >= 0) Raise(kOverflow);
        value = 0.0;
    } else if (res.ec != std::errc()) {
        Raise(kTypeMismatch);
    }
    return negative ? -value : value;
}

std::string FormatScientific(double x) {
    Decimal d = ToDecimal(x);
    if (d.IsZero()) return "0.00E+00";
    RoundDigits(d, 3);
    std::string mantissa;
    mantissa += d.DigitAt(0);
    mantissa += '.';
    mantissa += d.DigitAt(1);
    mantissa += d.DigitAt(2);
    return (d.negative ? "-" : "") + mantissa + ExponentText(d.point - 1);
}

std::string Format00(double x) {
    Decimal d = ToDecimal(x);
    RoundDigits(d, d.point);
    std::string whole = WholeDigits(d);
    while (whole.size() < 2)
        whole.insert(0, 1, '0');
    return (d.negative && !d.IsZero() ? "-" : "") + whole;
}

std::string FormatDecimals(double x, int n) {
    if (n < 0) Raise(kInvalidProcedureCall);
    Decimal d = ToDecimal(x);
    RoundDigits(d, d.point + n);
    std::string whole = WholeDigits(d);
    const std::string sign = d.negative && !d.IsZero() ? "-" : "";
    if (n == 0) return sign + (whole.empty() ? "0" : whole);
    return sign + whole + "." + FractionDigits(d, n);
}

} // namespace platform
} // namespace parallo
