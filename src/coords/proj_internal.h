// Private plumbing of the PROJ-based coordinate systems: owned PROJ handles, the per-thread PROJ
// context with its caches, and the immutable description of a coordinate system that all threads
// share.
//
// Threading model: a CoordSystem may be used from several threads (one service per thread), but a
// PROJ object must never be: every thread has its own PJ_CONTEXT and its own PROJ objects, found
// in thread-local caches keyed by the shared description's id.
#ifndef PARALLO_OUTSIDE_PROJ_INTERNAL_H
#define PARALLO_OUTSIDE_PROJ_INTERNAL_H

#include <proj.h>
#include <proj_experimental.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "parallo/coordkit.h"
#include "platform/angles.h"

namespace coordkit {
namespace projdetail {

using parallo::platform::kPi;

/// Owns one PROJ object.
struct PjDeleter {
    void operator()(PJ *p) const noexcept { proj_destroy(p); }
};
using PjPtr = std::unique_ptr<PJ, PjDeleter>;

/// What a coordinate system is, as far as the map grid cares.
enum class CrsKind {
    kGeographic, ///< longitude and latitude
    kProjected,  ///< a map projection of a geographic system
    kPlane,      ///< a local (engineering) plane with no geodetic datum to go to
};

/// The description of one coordinate system, read once from PROJ and then shared, unchanged, by
/// every copy of the system and every thread. `id` keys the per-thread caches of PROJ objects.
struct CrsDescription {
    std::uint64_t id = 0;
    std::string definition; ///< as the host gave it (trimmed)
    CrsKind kind = CrsKind::kProjected;
    std::string name;

    // Plane side (projected and local systems).
    double toMetre = 1.0; ///< metres per unit of the system's own linear unit
    std::string unitName; ///< abbreviation of that unit ("m", "ftUS"); "deg" for geographic
    std::int32_t projectedQuadrant = 0;

    // Geographic side (the system itself, or the base of a projected system).
    double angularToRadian = 1.0; ///< radians per unit of the geographic system's angular unit
    double primeMeridian = 0.0;   ///< longitude of its prime meridian east of Greenwich, radians
    std::int32_t geographicQuadrant = 0;

    bool HasGeodetic() const noexcept { return kind != CrsKind::kPlane; }
    /// Whether geographic storage needs a scale or shift from the system's native angular units
    /// (only systems in grads or with a prime meridian other than Greenwich).
    bool NativeAngularIsDegrees() const noexcept;
};

/// The PROJ objects of one coordinate system in one thread.
struct CrsObjects {
    PjPtr crs;        ///< the horizontal system, axes normalised (x east/longitude); kept bound
                      ///< to its datum shift when the definition carries one
    PjPtr geographic; ///< its geographic system, normalised (bound like `crs`); null for a plane
    PjPtr conversion; ///< base geographic (native units) to the projection plane (native
                      ///< units); projected systems only
};

/// This thread's PROJ context (created on first use, destroyed with the thread).
PJ_CONTEXT *ThreadContext();

/// Counts one PROJ object created by this thread and passes it through.
PJ *Counted(PJ *p) noexcept;

/// The last error PROJ reported in this thread: its log text, else the error code of `object`
/// (cleared afterwards) or, without an object, of the context.
std::string TakeProjReason(const PJ *object = nullptr);

/// Reads `definition` with PROJ in this thread and builds its objects. When `description` is not
/// null it is filled too. Raises a parallo::Error (5) naming the definition and PROJ's reason.
CrsObjects BuildCrsObjects(const std::string &definition, CrsDescription *description);

/// This thread's objects for a description (built on first use, then cached).
const CrsObjects &ObjectsFor(const std::shared_ptr<const CrsDescription> &description);

/// Hands objects already built in this thread to the thread's cache.
void AdoptObjects(const std::shared_ptr<const CrsDescription> &description, CrsObjects objects);

/// This thread's cached operation from one system's storage endpoint to another's: the
/// geographic system when `sourceGeographic`/`targetGeographic`, the system itself otherwise.
/// Null when the two endpoints are the same geographic system in degrees, where points stay as
/// they are. Raises a parallo::Error (5) when PROJ knows no operation.
PJ *OperationFor(const std::shared_ptr<const CrsDescription> &source, bool sourceGeographic,
                 const std::shared_ptr<const CrsDescription> &target, bool targetGeographic);

/// The usual abbreviation of a linear unit ("m", "ftUS"), from its authority code; units without
/// one keep PROJ's short name or, failing that, their name.
std::string LinearUnitAbbreviation(const std::string &authority, const std::string &code,
                                   const std::string &name, double toMetre);

// ---- point checks shared by conversions and transformations ---------------------------------

/// Largest plane coordinate, in metres, that is accepted in or out: two and a half times the
/// earth's circumference. No projection gives more at a meaningful point, while a pole in
/// Mercator gives 2.4e8 m with no error from PROJ.
constexpr double kMaxPlaneMetres = 1.0e8;
/// Largest longitude magnitude, in degrees, that is accepted: one turn past the antimeridian,
/// which is as far as a frame unrolled across 180° reaches.
constexpr double kMaxLongitudeDegrees = 540.0;
/// Round-off slack on latitude ±90°, in degrees; latitudes within it are clamped to the pole.
constexpr double kLatitudeSlackDegrees = 1.0e-9;

/// How the coordinates of a run are expressed.
enum class Form {
    kGeographicRadians, ///< longitude, latitude in radians, Greenwich
    kGeographicDegrees, ///< longitude, latitude in degrees, Greenwich
    kPlaneMetres,       ///< easting, northing in metres
    kPlaneNative,       ///< easting, northing in the system's own linear unit
};

/// What a run check is part of, for its failure message: `action`, then the space code (when not
/// 0), then the quoted definition (when given), e.g. "Cannot convert from space 4".
struct RunLabel {
    const char *action;
    std::int32_t space = 0;
    const std::string *definition = nullptr;
    std::string Text() const;
};

/// Checks a run in form `form` (finite, latitude within ±90°, longitude within ±540°, plane
/// values within kMaxPlaneMetres) and clamps latitudes within round-off of a pole. `toMetre`
/// scales native plane values. Raises a parallo::Error (5) from `source` naming the first bad
/// point after the label's text.
void CheckRun(shapekit::Point *points, std::size_t count, Form form, double toMetre, const RunLabel &label,
              const char *source);

/// A coordinate system on PROJ. The description is shared by copies and threads; the storage type
/// belongs to this object alone.
class ProjCoordSystem final : public CoordSystem {
public:
    ProjCoordSystem(std::shared_ptr<const CrsDescription> description, std::int32_t storageType);

    std::int32_t BaseStorageType() const override { return storageType_.load(std::memory_order_relaxed); }
    void SetBaseStorageType(std::int32_t type) override {
        storageType_.store(type, std::memory_order_relaxed);
    }
    double StorageScale() const override { return 1.0; }
    void ConvertPoint(std::int32_t fromSpace, std::int32_t toSpace, double &x, double &y,
                      double &z) const override;
    void ConvertPoints(std::int32_t fromSpace, std::int32_t toSpace, shapekit::Point *points,
                       std::size_t count) const override;
    std::shared_ptr<CoordSystem> CopyCoordSystem() const override;
    bool CanConvert(std::int32_t fromSpace, std::int32_t toSpace) const override;
    std::shared_ptr<Projection> ProjectionSpace() const override { return projection_; }

    const std::shared_ptr<const CrsDescription> &Description() const noexcept { return description_; }
    /// Whether the storage units are degrees of longitude and latitude.
    bool GeographicStorage() const noexcept {
        return description_->kind == CrsKind::kGeographic || BaseStorageType() == kGeographicStorage;
    }

private:
    std::shared_ptr<const CrsDescription> description_;
    std::shared_ptr<Projection> projection_;
    std::atomic<std::int32_t> storageType_;
};

/// Keeps a copy of a run and puts it back unless Done() is called, so that a conversion or a
/// transformation that fails half-way leaves the caller's points as they were.
class RestoreOnFailure {
public:
    RestoreOnFailure(shapekit::Point *points, std::size_t count);
    RestoreOnFailure(const RestoreOnFailure &) = delete;
    RestoreOnFailure &operator=(const RestoreOnFailure &) = delete;
    ~RestoreOnFailure();
    void Done() noexcept { done_ = true; }

private:
    shapekit::Point *points_;
    std::size_t count_;
    shapekit::Point single_;
    std::vector<shapekit::Point> many_;
    bool done_ = false;
};

/// Raises a parallo::Error (5) from `source` with `message`.
[[noreturn]] void Fail(const std::string &message, const char *source);

/// Text of a point for messages.
std::string PointText(const shapekit::Point &p);

} // namespace projdetail
} // namespace coordkit

#endif
