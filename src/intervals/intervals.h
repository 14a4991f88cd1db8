// Grid values: the automatic interval, and the stepping, bounding and skipping of grid values.
// Values are in the grid system's storage units (radians for a geographic grid).
#ifndef PARALLO_INTERVALS_INTERVALS_H
#define PARALLO_INTERVALS_INTERVALS_H

#include "service/state.h"

namespace parallo {
namespace detail {

/// The next whole multiple of interval strictly above value (stepping over one within 1e-5 of
/// an interval); value itself for a zero interval; 0 after a reported failure.
double FindNextInterval(ServiceState &s, double value, double interval) noexcept;
/// The first grid value of an axis: FindNextInterval(minimum - offset, interval).
double SetStartValue(ServiceState &s, double minimum, double offset, double interval) noexcept;
/// value < limit compared in four-decimal fixed point (of degrees for a geographic grid).
bool ThisValLessThanLimit(ServiceState &s, double value, double limit) noexcept;
/// Whether value is (within 1e-6) a whole multiple of skip; never for skip 0.
bool IsASkipInterval(ServiceState &s, double value, double skip) noexcept;

} // namespace detail
} // namespace parallo

#endif
