// Number semantics of the platform the grid algorithms were written for: rounding, conversion
// to integers with range checks, checked arithmetic, and number formatting.
#ifndef PARALLO_PLATFORM_NUMBERS_H
#define PARALLO_PLATFORM_NUMBERS_H

#include <cstdint>
#include <memory>
#include <string>

#include "parallo/error.h"

namespace parallo {
namespace platform {

// ---- checked arithmetic: a division by zero raises 11; a non-finite result raises 6 ---------
/// Raises Overflow (6) when x is an infinity or NaN; returns x otherwise.
double Finite(double x);
double Add(double a, double b);
double Sub(double a, double b);
double Mul(double a, double b);
/// a / b; 11 when b is 0 (also 0/0), 6 when the quotient is not finite.
double Div(double a, double b);

// ---- rounding and integer conversion ------------------------------------------------------
/// Rounds towards minus infinity.
double Int(double x);
/// Truncates towards zero.
double Fix(double x);
/// Round to nearest, ties to even, into 16 bits; Overflow (6) out of range or for NaN.
std::int16_t CInt(double x);
/// Round to nearest, ties to even, into 32 bits; Overflow (6) out of range or for NaN.
std::int32_t CLng(double x);
/// Fixed point with four decimals: the count of ten-thousandths, ties to even; 6 out of range.
std::int64_t CCur(double x);
/// The value a CCur count stands for.
double CurToDouble(std::int64_t count);
/// -1, 0 or 1.
std::int32_t Sgn(double x);
/// a + b on 16 bits; Overflow (6) past the range, never a wrap.
std::int16_t Add16(std::int16_t a, std::int16_t b);
/// a + b on 32 bits; Overflow (6) past the range.
std::int32_t Add32(std::int32_t a, std::int32_t b);

// ---- text ---------------------------------------------------------------------------------
/// Str$: decimal text with a leading space for a non-negative number (" 1") and "-" for a
/// negative one; doubles as in DoubleText.
std::string Str(std::int64_t n);
std::string Str(double x);
/// Str$ of a 16- or 32-bit integer; spares callers a choice between the two overloads above.
inline std::string Str(std::int32_t n) { return Str(static_cast<std::int64_t>(n)); }
/// A double as text with at most 15 significant digits, no exponent for ordinary magnitudes
/// ("0.1", "1234.5", "-2", "1E+20", "1E-05"), reading back exactly as written.
std::string DoubleText(double x);
/// Parses decimal text; Type mismatch (13) when it is not a number.
double ParseDouble(const std::string& text);
/// "Scientific": mantissa with two decimals, "E", sign, at least two exponent digits: 1.23E+03.
std::string FormatScientific(double x);
/// "00": rounded (ties to even) to a whole number, at least two digits ("07", "-05", "123").
std::string Format00(double x);
/// "." and n zeros: a point and exactly n decimals, no leading zero (".25", "1.50", "-.5").
/// With n = 0 the rounded whole number without a point.
std::string FormatDecimals(double x, int n);

// ---- object references --------------------------------------------------------------------
/// The object behind a host reference; Object variable not set (91) for no object.
template <class T> T& Deref(const std::shared_ptr<T>& p) {
    if (!p) Raise(kObjectNotSet);
    return *p;
}

} // namespace platform
} // namespace parallo

#endif
