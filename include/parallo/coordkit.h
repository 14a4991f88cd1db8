// Coordinate systems, transformations between them and units of measure, as abstract interfaces
// the library is written against. The library's own implementation on PROJ is in coordkit_proj.h;
// a host may plug in its own engine.
#ifndef PARALLO_COORDKIT_H
#define PARALLO_COORDKIT_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "parallo/export.h"
#include "parallo/shapekit.h"

namespace coordkit {

/// Space codes of CoordSystem::ConvertPoint.
enum Space : std::int32_t {
    kProjectionPlane = 1, ///< easting and northing in metres; for a geographic system the same as 4
    kGeographic = 4,      ///< longitude (x) and latitude (y) in radians on the system's own datum
    kStorage = 12,        ///< degrees with geographic storage, the system's linear unit otherwise
};

/// Storage types of CoordSystem::BaseStorageType. Every value but 1 is treated as projected.
enum StorageType : std::int32_t {
    kProjectedStorage = 0,
    kGeographicStorage = 1,
    kGeocentricStorage = 2,
};

/// Axis description of a coordinate system.
class PARALLO_EXPORT Axis {
public:
    virtual ~Axis();
    /// The usual abbreviation of the linear unit ("m", "ftUS", ...; "deg" for geographic).
    virtual std::string UnitName() const = 0;
    /// 0 longitude east / latitude north positive, 1 west/south, 2 east/south, 3 west/north.
    virtual std::int32_t GeographicQuadrant() const = 0;
    /// 0 x east / y north, 1 east/south, 2 west/south, 4 west/north; 6, 3, 5, 7 the same four
    /// when the first axis is the northing (north/east, south/east, south/west, north/west).
    virtual std::int32_t ProjectedQuadrant() const = 0;
};

/// The projection of a coordinate system.
class PARALLO_EXPORT Projection {
public:
    virtual ~Projection();
    /// Grid convergence at (longitude, latitude) in radians: the angle clockwise from true north
    /// to the system's grid north (+y), in radians; 0 for a geographic system.
    virtual double GetAngle(double longitude, double latitude, double height) const = 0;
    virtual std::shared_ptr<Axis> AxisInfo() const = 0;
};

/// A coordinate system.
class PARALLO_EXPORT CoordSystem {
public:
    virtual ~CoordSystem();
    /// 1 = geographic storage; every other value is projected storage.
    virtual std::int32_t BaseStorageType() const = 0;
    virtual void SetBaseStorageType(std::int32_t type) = 0;
    /// A positive number S; tolerances are divided by it.
    virtual double StorageScale() const = 0;
    /// Replaces x, y, z in place by the same point in space `toSpace` (codes of Space); z passes
    /// through. Raises a parallo::Error when the point cannot be converted.
    virtual void ConvertPoint(std::int32_t fromSpace, std::int32_t toSpace, double& x, double& y,
                              double& z) const = 0;
    /// Converts a run of points in place. The default converts them one by one.
    virtual void ConvertPoints(std::int32_t fromSpace, std::int32_t toSpace, shapekit::Point* points,
                               std::size_t count) const;
    /// An independent copy whose BaseStorageType may be changed.
    virtual std::shared_ptr<CoordSystem> CopyCoordSystem() const = 0;
    /// Whether points convert from `fromSpace` to `toSpace` (the library asks 1 to 4).
    virtual bool CanConvert(std::int32_t fromSpace, std::int32_t toSpace) const = 0;
    virtual std::shared_ptr<Projection> ProjectionSpace() const = 0;
};

/// A transformation between the manager's map-view system and a target system.
class PARALLO_EXPORT CoordTransform {
public:
    virtual ~CoordTransform();
    /// Direction 0: map-view storage units to the target's storage units; 1: the reverse.
    /// Transforms the points in place; raises a parallo::Error when any point cannot be
    /// transformed (never leaves a silent infinity).
    virtual void Transform(shapekit::Point* points, std::size_t count, std::int32_t direction) const = 0;
};

class CoordSystemsMgr;

/// Creates transformations and applies them to geometries.
class PARALLO_EXPORT TransformService {
public:
    virtual ~TransformService();
    /// A transformation from the manager's workspace system to `target`. Raises 91 when either
    /// system is not set.
    virtual std::shared_ptr<CoordTransform> CreateSimpleTransFromCSMtoCS(
        const CoordSystemsMgr& manager, const std::shared_ptr<CoordSystem>& target) const;
    /// Transforms every coordinate of the geometry in place, run by run.
    void TransformGeometry(shapekit::Geometry& geometry, const CoordTransform& transform,
                           std::int32_t direction) const;
};

/// Holds the workspace (map-view) coordinate system and the transformation service that makes
/// transformations from it. Without a service of its own it uses the base TransformService, which
/// goes through each system's geographic space with ConvertPoints (no datum shift).
class PARALLO_EXPORT CoordSystemsMgr {
public:
    CoordSystemsMgr() = default;
    explicit CoordSystemsMgr(std::shared_ptr<CoordSystem> workspace,
                             std::shared_ptr<TransformService> service = nullptr);
    const std::shared_ptr<CoordSystem>& WorkspaceCoordSystem() const noexcept { return workspace_; }
    void SetWorkspaceCoordSystem(std::shared_ptr<CoordSystem> cs) { workspace_ = std::move(cs); }
    /// The service; the base service when none was set.
    std::shared_ptr<TransformService> GetTransformService() const;
    void SetTransformService(std::shared_ptr<TransformService> service) { service_ = std::move(service); }

private:
    std::shared_ptr<CoordSystem> workspace_;
    std::shared_ptr<TransformService> service_;
};

/// Units of measure with whole-number codes.
class PARALLO_EXPORT UnitsOfMeasure {
public:
    virtual ~UnitsOfMeasure();
    /// The code of a unit given by name or abbreviation (kind 1 = linear). Raises a
    /// parallo::Error for an unknown unit.
    virtual std::int32_t GetUnitCode(std::int32_t kind, const std::string& unit) const = 0;
    /// `value` in unit `fromCode` expressed in unit `toCode`.
    virtual double ConvertValue(std::int32_t kind, double value, std::int32_t fromCode,
                                std::int32_t toCode) const = 0;
};

/// Unit code of the metre.
constexpr std::int32_t kMetreUnitCode = 59;

} // namespace coordkit

#endif
