// Stepping, bounding and skipping of grid values: whole multiples of the interval along one axis.
#include <cmath>

#include "intervals/intervals.h"
#include "platform/angles.h"
#include "platform/numbers.h"

namespace parallo {
namespace detail {

// These run once per grid cell and per cross: their traces are literals, since a std::string of
// these texts would be a heap allocation per call. The text is made only when a failure is
// reported.

double FindNextInterval(const Reporter &r, double value, double interval) noexcept {
    const char *trace = "In FindNextInterval";
    try {
        if (interval == 0.0) return value;
        const double inv = platform::Div(1.0, interval);
        const double t = platform::Mul(inv, value);
        const double n = platform::Int(t);
        // Gap from t to the next whole number. A value within 1e-5 of an interval below a
        // multiple is taken as lying on it, so that multiple is stepped over as well.
        const double g = platform::Sub(n, platform::Sub(t, 1.0));
        // Formed through inv, not as (n + 1) * interval: the two round differently, and the
        // grid values must be the same doubles wherever they are computed.
        const double base = platform::Add(platform::Mul(inv, interval), n);
        if (g < 0.00001) return platform::Div(platform::Add(base, 1.0), inv);
        return platform::Div(base, inv);
    } catch (...) {
        r.ReportError(DescribeCurrentException(), trace, "FindNextInterval Error");
        return 0.0;
    }
}

double SetStartValue(const Reporter &r, double minimum, double offset, double interval) noexcept {
    const char *trace = "In SetStartValue";
    try {
        // The offset shifts where the search starts, not the grid: every grid value stays a
        // whole multiple of the interval.
        return FindNextInterval(r, platform::Sub(minimum, offset), interval);
    } catch (...) {
        r.ReportError(DescribeCurrentException(), trace, "SetStartValue Error");
        return 0.0;
    }
}

bool ThisValLessThanLimit(const Reporter &r, bool geographic, double value, double limit) noexcept {
    const char *trace = "In ThisValLessThanLimit";
    try {
        double a = value;
        double b = limit;
        if (geographic) {
            a = platform::Mul(value, platform::kDegreesPerRadian);
            b = platform::Mul(limit, platform::kDegreesPerRadian);
        }
        // Four-decimal fixed point: values that agree to four decimals (of degrees for a
        // geographic grid) are equal, so no element is made at the limit itself.
        return platform::CCur(a) < platform::CCur(b);
    } catch (...) {
        r.ReportError(DescribeCurrentException(), trace, "ThisValLessThanLimit Error");
        return false;
    }
}

bool IsASkipInterval(const Reporter &r, bool geographic, double value, double skip) noexcept {
    const char *trace = "In IsASkipInterval";
    try {
        if (skip == 0.0) return false;
        double a = std::fabs(value);
        double sk = skip;
        if (geographic) {
            a = platform::Mul(std::fabs(value), platform::kDegreesPerRadian);
            sk = platform::Mul(platform::kDegreesPerRadian, skip);
        }
        // The quotient is a 16-bit whole number: a value more than 32767 skip intervals from
        // zero fails here and is never a skip value.
        const std::int16_t q = platform::CInt(platform::Div(a, sk));
        return std::fabs(platform::Sub(a, platform::Mul(sk, static_cast<double>(q)))) <= 0.000001;
    } catch (...) {
        r.ReportError(DescribeCurrentException(), trace, "IsASkipInterval Error");
        return false;
    }
}

} // namespace detail
} // namespace parallo
