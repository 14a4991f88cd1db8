// The grid utility module: whole parts with a rounding tolerance, and decimal degrees split into
// degrees, minutes and seconds.
#ifndef PARALLO_LABELS_UTILITIES_H
#define PARALLO_LABELS_UTILITIES_H

#include <cstdint>

#include "platform/reporter.h"

namespace parallo {
namespace PXSGridUtilities {

/// The whole part (towards zero) of dValue + Sgn(dValue) * dTolerance: a value short of a whole
/// number by at most the tolerance gives that whole number (59.99995 with 0.0001 gives 60,
/// -2.99995 gives -3, 2.5 gives 2). A tolerance of 0 is replaced by 0.0001, in the caller's
/// variable too. Raises Overflow (6) for a non-finite value or sum.
double FixWithTolerance(double dValue, double &dTolerance);
/// The same for a tolerance the caller does not keep.
inline double FixWithTolerance(double dValue, double &&dTolerance) {
    return FixWithTolerance(dValue, dTolerance);
}

/// How close (in degrees) a value must lie to a whole degree to count as that degree: far below
/// anything a label shows (3.6 micro-arcseconds), far above the noise of radians converted to
/// degrees and of grid values stepped from an interval.
constexpr double kDegreeNoise = 1e-9;
/// The same closeness in minutes.
constexpr double kMinuteNoise = 60.0 * kDegreeNoise;

/// Splits decimal degrees into a sign (-1, 0, 1), whole degrees (with the sign), whole minutes
/// (0..59) and seconds (0 <= seconds < 60). A value within kDegreeNoise of a whole degree, or
/// within kMinuteNoise of a whole minute, counts as that degree or minute; any other value lies
/// in the degree and minute it lies in, so 45°59'57" stays 45°59'57". Never throws: a failure
/// (degrees beyond the 16-bit range, a value that is not a number) goes to r.ReportError with
/// the title "DecDegToDMS Error", the description, a carriage return and the trace text as
/// its description, and the outputs keep what was written before it.
void DecDegToDMS(const detail::Reporter &r, double dDegrees, std::int16_t &iSign, std::int16_t &iDegrees,
                 std::int16_t &iMinutes, double &dSeconds) noexcept;

} // namespace PXSGridUtilities
} // namespace parallo

#endif
