// The coordinate component stand-in of the tests.
#include "support/coordkit_double.h"

#include <cmath>

#include "parallo/error.h"

namespace parallo_test {

namespace {

constexpr double kDegreesPerRadian = 57.295779513082320876798154814105;

void RaiseCannotConvert() {
    throw parallo::Error(parallo::kInvalidProcedureCall, "Point cannot be converted", "CoordSystemDouble");
}

void CheckSpace(std::int32_t space) {
    if (space != coordkit::kProjectionPlane && space != coordkit::kGeographic && space != coordkit::kStorage)
        RaiseCannotConvert();
}

} // namespace

void CoordSystemDouble::ConvertPoint(std::int32_t fromSpace, std::int32_t toSpace, double &x, double &y,
                                     double &) const {
    CheckSpace(fromSpace);
    CheckSpace(toSpace);
    const CoordSystemConfig &c = *cfg_;
    if (c.failure == ConvertFailure::kRaise) RaiseCannotConvert();
    if (c.failure == ConvertFailure::kNotFinite) {
        x = std::nan("");
        y = std::nan("");
        return;
    }
    if (fromSpace == toSpace) return;
    const bool geographicStorage = c.baseStorageType == coordkit::kGeographicStorage;

    // Bring the point to geographic radians first...
    double lon = x, lat = y;
    if (fromSpace == coordkit::kStorage && geographicStorage) {
        lon = x / kDegreesPerRadian;
        lat = y / kDegreesPerRadian;
    } else if (fromSpace != coordkit::kGeographic) {
        double px = x, py = y;
        if (fromSpace == coordkit::kStorage) {
            px = c.a * x + c.b * y + c.c;
            py = c.d * x + c.e * y + c.f;
        }
        lon = px / c.R;
        lat = py / c.R;
    }
    // ...then on to the target space.
    if (toSpace == coordkit::kGeographic) {
        x = lon;
        y = lat;
    } else if (toSpace == coordkit::kStorage && geographicStorage) {
        x = lon * kDegreesPerRadian;
        y = lat * kDegreesPerRadian;
    } else {
        const double px = lon * c.R;
        const double py = lat * c.R;
        if (toSpace == coordkit::kProjectionPlane) {
            x = px;
            y = py;
        } else {
            const double det = c.a * c.e - c.b * c.d;
            if (det == 0.0) RaiseCannotConvert();
            x = (c.e * (px - c.c) - c.b * (py - c.f)) / det;
            y = (c.a * (py - c.f) - c.d * (px - c.c)) / det;
        }
    }
}

std::shared_ptr<coordkit::CoordSystem> CoordSystemDouble::CopyCoordSystem() const {
    return std::make_shared<CoordSystemDouble>(*cfg_);
}

std::shared_ptr<CoordSystemDouble> MakeIdentitySystem() { return std::make_shared<CoordSystemDouble>(); }

std::shared_ptr<CoordSystemDouble> MakeRotatedSystem(double theta, double unitsPerStorage, double x0,
                                                     double y0) {
    const double k = unitsPerStorage;
    CoordSystemConfig cfg;
    cfg.a = k * std::cos(theta);
    cfg.b = k * std::sin(theta);
    cfg.c = x0;
    cfg.d = -k * std::sin(theta);
    cfg.e = k * std::cos(theta);
    cfg.f = y0;
    cfg.angle = theta;
    return std::make_shared<CoordSystemDouble>(cfg);
}

std::shared_ptr<CoordSystemDouble> MakeGeographicSystem() {
    auto cs = MakeIdentitySystem();
    cs->Config().baseStorageType = coordkit::kGeographicStorage;
    cs->Config().unitName = "deg";
    return cs;
}

std::shared_ptr<coordkit::CoordSystemsMgr> MakeManager(std::shared_ptr<coordkit::CoordSystem> workspace) {
    return std::make_shared<coordkit::CoordSystemsMgr>(std::move(workspace));
}

} // namespace parallo_test
