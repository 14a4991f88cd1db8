// Grid values: the automatic interval, and the stepping, bounding and skipping of grid values.
// Values are in the grid system's storage units (radians for a geographic grid).
#ifndef PARALLO_INTERVALS_INTERVALS_H
#define PARALLO_INTERVALS_INTERVALS_H

#include <cstdint>
#include <memory>

#include "parallo/coordkit.h"
#include "parallo/shapekit.h"
#include "platform/reporter.h"

namespace parallo {
namespace detail {

/// The next whole multiple of interval strictly above value (stepping over one within 1e-5 of
/// an interval); value itself for a zero interval; 0 after a reported failure.
double FindNextInterval(const Reporter &r, double value, double interval) noexcept;
/// The first grid value of an axis: FindNextInterval(minimum - offset, interval).
double SetStartValue(const Reporter &r, double minimum, double offset, double interval) noexcept;
/// value < limit compared in four-decimal fixed point (of degrees when `geographic`, the values
/// then being radians).
bool ThisValLessThanLimit(const Reporter &r, bool geographic, double value, double limit) noexcept;
/// Whether value is (within 1e-6) a whole multiple of skip; never for skip 0. When `geographic`
/// both are radians and compared in degrees.
bool IsASkipInterval(const Reporter &r, bool geographic, double value, double skip) noexcept;

/// What the automatic interval reads of the service.
struct IntervalFrame {
    /// The neatline corners as handed in (NeatlineLowerLeft, NeatlineUpperRight), in the space
    /// of extentsType (NeatlineExtentsType).
    const std::shared_ptr<shapekit::Point> &lowerLeft;
    const std::shared_ptr<shapekit::Point> &upperRight;
    const std::shared_ptr<coordkit::CoordSystemsMgr> &manager;
    const std::shared_ptr<coordkit::CoordSystem> &neatlineSystem;
    const std::shared_ptr<coordkit::CoordSystem> &gridSystem;
    std::int32_t extentsType;
    /// GridIntervalsType: 1 for an interval in degrees (whole minutes below one degree).
    std::int32_t intervalsType;
};

/// About a tenth of the frame's larger side in the grid system, snapped to 1, 2 or 5 times a
/// power of ten (see ParalloCls::CalcGridInterval). dInterval is written only on success.
void CalcGridInterval(const Reporter &r, const IntervalFrame &frame, double &dInterval) noexcept;

} // namespace detail
} // namespace parallo

#endif
