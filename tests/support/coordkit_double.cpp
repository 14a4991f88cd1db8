// The coordinate component stand-in of the tests.
#include "support/coordkit_double.h"

#include <cmath>

#include "parallo/error.h"

namespace parallo_test {

namespace {

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
    ++convertCalls_;
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
        lon = x / c.geographicStoragePerRadian;
        lat = y / c.geographicStoragePerRadian;
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
        x = lon * c.geographicStoragePerRadian;
        y = lat * c.geographicStoragePerRadian;
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

std::shared_ptr<CoordSystemDouble> MakeAffineSystem(double a, double b, double c, double d, double e,
                                                    double f) {
    CoordSystemConfig cfg;
    cfg.a = a;
    cfg.b = b;
    cfg.c = c;
    cfg.d = d;
    cfg.e = e;
    cfg.f = f;
    return std::make_shared<CoordSystemDouble>(cfg);
}

std::shared_ptr<CoordSystemDouble> MakeRotatedSystem(double theta, double unitsPerStorage, double x0,
                                                     double y0) {
    const double k = unitsPerStorage;
    auto cs = MakeAffineSystem(k * std::cos(theta), k * std::sin(theta), x0, -k * std::sin(theta),
                               k * std::cos(theta), y0);
    cs->Config().angle = theta;
    return cs;
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

namespace {

struct UnitEntry {
    std::int32_t code;
    double metres;
    const char *names[3];
};

const UnitEntry kUnits[] = {
    {UnitsOfMeasureDouble::kMetre, 1.0, {"m", "metre", "meter"}},
    {UnitsOfMeasureDouble::kKilometre, 1000.0, {"km", "kilometre", "kilometer"}},
    {UnitsOfMeasureDouble::kFoot, 0.3048, {"ft", "foot", "feet"}},
    {UnitsOfMeasureDouble::kUsSurveyFoot, 1200.0 / 3937.0, {"ftUS", "us-ft", "US survey foot"}},
};

const UnitEntry &ByCode(std::int32_t code) {
    for (const UnitEntry &u : kUnits)
        if (u.code == code) return u;
    throw parallo::Error(parallo::kInvalidProcedureCall, "Unknown unit code " + std::to_string(code),
                         "UnitsOfMeasureDouble");
}

void CheckKind(std::int32_t kind) {
    if (kind != 1)
        throw parallo::Error(parallo::kInvalidProcedureCall, "Only linear units are known",
                             "UnitsOfMeasureDouble");
}

} // namespace

std::int32_t UnitsOfMeasureDouble::GetUnitCode(std::int32_t kind, const std::string &unit) const {
    CheckKind(kind);
    for (const UnitEntry &u : kUnits)
        for (const char *name : u.names)
            if (unit == name) return u.code;
    throw parallo::Error(parallo::kInvalidProcedureCall, "Unknown unit \"" + unit + "\"",
                         "UnitsOfMeasureDouble");
}

double UnitsOfMeasureDouble::ConvertValue(std::int32_t kind, double value, std::int32_t fromCode,
                                          std::int32_t toCode) const {
    CheckKind(kind);
    const UnitEntry &from = ByCode(fromCode);
    const UnitEntry &to = ByCode(toCode);
    if (fromCode == toCode) return value;
    return value * from.metres / to.metres;
}

} // namespace parallo_test
