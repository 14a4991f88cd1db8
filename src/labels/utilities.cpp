// The grid utility module: whole parts with a rounding tolerance, and decimal degrees split into
// degrees, minutes and seconds.
#include "labels/utilities.h"

#include <string>

#include "platform/numbers.h"

namespace parallo {
namespace PXSGridUtilities {

double FixWithTolerance(double dValue, double &dTolerance) {
    if (dTolerance == 0.0) dTolerance = 0.0001;
    const double sign = static_cast<double>(platform::Sgn(platform::Finite(dValue)));
    return platform::Fix(platform::Add(dValue, platform::Mul(sign, dTolerance)));
}

void DecDegToDMS(const detail::Reporter &r, double dDegrees, std::int16_t &iSign, std::int16_t &iDegrees,
                 std::int16_t &iMinutes, double &dSeconds) noexcept {
    std::string trace = "In DecDegToDMS";
    try {
        iSign = static_cast<std::int16_t>(platform::Sgn(platform::Finite(dDegrees)));
        const double sign = static_cast<double>(iSign);

        // Only floating-point noise snaps to the next whole degree; anything further below it is
        // a value inside the degree before, and its minutes and seconds say how far inside.
        const double wholeDegrees = FixWithTolerance(dDegrees, double{kDegreeNoise});
        iDegrees = platform::CInt(wholeDegrees);
        double fraction = (dDegrees - wholeDegrees) * sign;
        if (fraction < 0.0) fraction = 0.0; // snapped up: the noise is not a fraction

        const double minutes = fraction * 60.0;
        const double wholeMinutes = FixWithTolerance(minutes, double{kMinuteNoise});
        double remainder = minutes - wholeMinutes;
        if (remainder < 0.0) remainder = 0.0;
        if (wholeMinutes >= 60.0) {
            // A fraction within noise of a whole degree that the degree step did not snap.
            iMinutes = 0;
            iDegrees = platform::Add16(iDegrees, iSign);
            dSeconds = 0.0;
            return;
        }
        iMinutes = platform::CInt(wholeMinutes);
        dSeconds = remainder * 60.0;
    } catch (...) {
        // There is no one to show a message to: the report goes to the host's error observer.
        const std::string description = detail::DescribeCurrentException();
        r.ReportError(description + "\r" + trace, trace, "DecDegToDMS Error");
    }
}

} // namespace PXSGridUtilities
} // namespace parallo
