// π and the conversion between degrees and radians, one definition for the whole library.
#ifndef PARALLO_PLATFORM_ANGLES_H
#define PARALLO_PLATFORM_ANGLES_H

namespace parallo {
namespace platform {

constexpr double kPi = 3.14159265358979323846;

/// The factors of the conversions. A conversion multiplies by its factor: x * (π / 180) rounds
/// differently from x * π / 180, and every place that converts must give the same doubles.
constexpr double kRadiansPerDegree = kPi / 180.0;
constexpr double kDegreesPerRadian = 180.0 / kPi;

constexpr double DegreesToRadians(double degrees) { return degrees * kRadiansPerDegree; }
constexpr double RadiansToDegrees(double radians) { return radians * kDegreesPerRadian; }

} // namespace platform
} // namespace parallo

#endif
