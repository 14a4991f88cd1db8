// A small, exact stand-in for the coordinate component, for tests that need an identity, an
// affine or a rotated system without a real projection engine. Spaces (codes of coordkit::Space):
//   12 storage -> 1 plane:      x = a*sx + b*sy + c, y = d*sx + e*sy + f   (projected storage)
//   12 storage -> 4 geographic: lon = sx, lat = sy in degrees               (geographic storage)
//    1 plane   -> 4 geographic: lon = x / R, lat = y / R in radians (R = 1: the identity)
// z always passes through.
#ifndef PARALLO_TEST_COORDKIT_DOUBLE_H
#define PARALLO_TEST_COORDKIT_DOUBLE_H

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "parallo/coordkit.h"

namespace parallo_test {

/// How ConvertPoint misbehaves, to exercise callers' failure paths.
enum class ConvertFailure {
    kNone,     ///< converts normally
    kRaise,    ///< raises parallo::Error 5 ("Point cannot be converted")
    kNotFinite ///< writes NaN into x and y without raising
};

/// Everything a CoordSystemDouble does; public fields, change them freely (also through
/// CoordSystemDouble::Config() after creation).
struct CoordSystemConfig {
    // Projected storage to plane (affine; the matrix [a b; d e] must be invertible).
    double a = 1.0, b = 0.0, c = 0.0;
    double d = 0.0, e = 1.0, f = 0.0;
    /// Plane units per radian of the geographic space.
    double R = 1.0;
    std::int32_t baseStorageType = coordkit::kProjectedStorage;
    double storageScale = 1.0;
    /// The constant returned by the projection's GetAngle (radians clockwise from true north to
    /// grid north).
    double angle = 0.0;
    /// When set, GetAngle answers this of (longitude, latitude) in radians instead of `angle`;
    /// it may throw, to stand for a projection that fails at some points.
    std::function<double(double, double)> angleAt;
    std::string unitName = "m";
    /// Answer of CanConvert for every pair of spaces.
    bool canConvert = true;
    ConvertFailure failure = ConvertFailure::kNone;
};

/// The axis object of a CoordSystemDouble: its unit name, x east and y north.
class AxisDouble : public coordkit::Axis {
public:
    explicit AxisDouble(std::shared_ptr<const CoordSystemConfig> cfg) : cfg_(std::move(cfg)) {}
    std::string UnitName() const override { return cfg_->unitName; }
    std::int32_t GeographicQuadrant() const override { return 0; }
    std::int32_t ProjectedQuadrant() const override { return 0; }

private:
    std::shared_ptr<const CoordSystemConfig> cfg_;
};

/// The projection object of a CoordSystemDouble: GetAngle is the configured constant (or
/// function), read at the time of the call.
class ProjectionDouble : public coordkit::Projection {
public:
    explicit ProjectionDouble(std::shared_ptr<const CoordSystemConfig> cfg) : cfg_(std::move(cfg)) {}
    double GetAngle(double lon, double lat, double) const override {
        return cfg_->angleAt ? cfg_->angleAt(lon, lat) : cfg_->angle;
    }
    std::shared_ptr<coordkit::Axis> AxisInfo() const override { return std::make_shared<AxisDouble>(cfg_); }

private:
    std::shared_ptr<const CoordSystemConfig> cfg_;
};

class CoordSystemDouble : public coordkit::CoordSystem {
public:
    explicit CoordSystemDouble(CoordSystemConfig cfg = {})
        : cfg_(std::make_shared<CoordSystemConfig>(std::move(cfg))) {}

    CoordSystemConfig &Config() noexcept { return *cfg_; }
    const CoordSystemConfig &Config() const noexcept { return *cfg_; }

    std::int32_t BaseStorageType() const override { return cfg_->baseStorageType; }
    void SetBaseStorageType(std::int32_t type) override { cfg_->baseStorageType = type; }
    double StorageScale() const override { return cfg_->storageScale; }
    /// Spaces 1, 4 and 12; any other code raises parallo::Error 5.
    void ConvertPoint(std::int32_t fromSpace, std::int32_t toSpace, double &x, double &y,
                      double &z) const override;
    /// A copy with its own configuration.
    std::shared_ptr<coordkit::CoordSystem> CopyCoordSystem() const override;
    bool CanConvert(std::int32_t, std::int32_t) const override { return cfg_->canConvert; }
    std::shared_ptr<coordkit::Projection> ProjectionSpace() const override {
        return std::make_shared<ProjectionDouble>(cfg_);
    }

private:
    std::shared_ptr<CoordSystemConfig> cfg_;
};

/// Every space the identity (geographic storage in degrees), metres, angle 0.
std::shared_ptr<CoordSystemDouble> MakeIdentitySystem();
/// A system whose grid north (+y of its storage) points `theta` radians clockwise from the
/// plane's north, whose storage unit is `unitsPerStorage` plane units, and whose storage origin
/// lies at plane (x0, y0). GetAngle returns theta. Storage (sx, sy) is the plane point
/// (x0, y0) + k*sx*(cos theta, -sin theta) + k*sy*(sin theta, cos theta), k = unitsPerStorage.
std::shared_ptr<CoordSystemDouble> MakeRotatedSystem(double theta, double unitsPerStorage = 1.0,
                                                     double x0 = 0.0, double y0 = 0.0);
/// A geographic system: BaseStorageType 1, storage in degrees, plane and geographic space both
/// longitude/latitude in radians, unit name "deg".
std::shared_ptr<CoordSystemDouble> MakeGeographicSystem();

/// A manager whose workspace is `workspace` and which uses the base TransformService.
std::shared_ptr<coordkit::CoordSystemsMgr> MakeManager(std::shared_ptr<coordkit::CoordSystem> workspace);

} // namespace parallo_test

#endif
