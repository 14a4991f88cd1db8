// Coordinate systems on PROJ: creation from any definition, conversions between the three spaces,
// grid convergence, and the axis description.
#include <algorithm>
#include <cmath>
#include <deque>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "coords/proj_internal.h"
#include "parallo/coordkit_proj.h"
#include "parallo/error.h"

namespace coordkit {
namespace projdetail {

namespace {

constexpr double kDegree = kPi / 180.0;

/// Step along the meridian, in radians of latitude (about 64 m), for the direction of true north
/// in the plane: small enough that the meridian is straight to 1e-10 over it, large enough that
/// round-off in plane coordinates of 1e7 m stays below 1e-10 radians of direction.
constexpr double kMeridianStep = 1.0e-5;

class ProjAxis final : public Axis {
public:
    explicit ProjAxis(std::shared_ptr<const CrsDescription> description) : d_(std::move(description)) {}
    std::string UnitName() const override { return d_->unitName; }
    std::int32_t GeographicQuadrant() const override { return d_->geographicQuadrant; }
    std::int32_t ProjectedQuadrant() const override { return d_->projectedQuadrant; }

private:
    std::shared_ptr<const CrsDescription> d_;
};

class ProjProjection final : public Projection {
public:
    explicit ProjProjection(std::shared_ptr<const CrsDescription> description)
        : d_(std::move(description)), axis_(std::make_shared<ProjAxis>(d_)) {}

    double GetAngle(double longitude, double latitude, double /*height*/) const override {
        if (!std::isfinite(longitude) || !std::isfinite(latitude))
            Fail("The position " + PointText({longitude, latitude}) + " is not finite", "GetAngle");
        if (std::fabs(latitude) > kPi / 2.0 + kLatitudeSlackDegrees * kDegree)
            Fail("The latitude of " + PointText({longitude, latitude}) + " lies beyond 90 degrees",
                 "GetAngle");
        // A geographic system's grid north is true north; a local plane has no north to compare.
        if (d_->kind != CrsKind::kProjected) return 0.0;

        // Grid convergence: the angle clockwise from true north to the grid's +y, i.e. minus the
        // plane azimuth of the meridian's northward direction, from the cached conversion.
        // Latitudes within round-off beyond a pole are the pole.
        latitude = std::fmax(-kPi / 2.0, std::fmin(kPi / 2.0, latitude));
        double south = latitude - kMeridianStep;
        double north = latitude + kMeridianStep;
        if (north > kPi / 2.0) {
            north = latitude;
        } else if (south < -kPi / 2.0) {
            south = latitude;
        }
        const double lon = (longitude - d_->primeMeridian) / d_->angularToRadian;
        double xs[2] = {lon, lon};
        double ys[2] = {south / d_->angularToRadian, north / d_->angularToRadian};
        PJ *conversion = ObjectsFor(d_).conversion.get();
        proj_errno_reset(conversion);
        proj_trans_generic(conversion, PJ_FWD, xs, sizeof(double), 2, ys, sizeof(double), 2, nullptr, 0, 0,
                           nullptr, 0, 0);
        const double dx = xs[1] - xs[0];
        const double dy = ys[1] - ys[0];
        if (!std::isfinite(dx) || !std::isfinite(dy) || (dx == 0.0 && dy == 0.0)) {
            const std::string reason = TakeProjReason(conversion);
            Fail("The grid convergence of \"" + d_->definition + "\" at " + PointText({longitude, latitude}) +
                     " cannot be found" + (reason.empty() ? std::string() : ": " + reason),
                 "GetAngle");
        }
        return -std::atan2(dx, dy);
    }

    std::shared_ptr<Axis> AxisInfo() const override { return axis_; }

private:
    std::shared_ptr<const CrsDescription> d_;
    std::shared_ptr<Axis> axis_;
};

bool IsGeographicForm(Form f) { return f == Form::kGeographicRadians || f == Form::kGeographicDegrees; }

void Scale(shapekit::Point *points, std::size_t count, double factor) {
    for (std::size_t i = 0; i < count; ++i) {
        points[i].x *= factor;
        points[i].y *= factor;
    }
}

std::mutex &InternMutex() {
    static std::mutex m;
    return m;
}

std::unordered_map<std::string, std::weak_ptr<const CrsDescription>> &Interned() {
    static auto *map = new std::unordered_map<std::string, std::weak_ptr<const CrsDescription>>();
    return *map;
}

/// Descriptions kept alive after their last system is gone, most recent last.
constexpr std::size_t kRecentKept = 64;

std::deque<std::shared_ptr<const CrsDescription>> &Recent() {
    static auto *recent = new std::deque<std::shared_ptr<const CrsDescription>>();
    return *recent;
}

std::uint64_t NextId() {
    static std::atomic<std::uint64_t> next{1};
    return next.fetch_add(1, std::memory_order_relaxed);
}

std::string Trimmed(const std::string &text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return std::string();
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

} // namespace

ProjCoordSystem::ProjCoordSystem(std::shared_ptr<const CrsDescription> description, std::int32_t storageType)
    : description_(std::move(description)), projection_(std::make_shared<ProjProjection>(description_)),
      storageType_(storageType) {}

void ProjCoordSystem::ConvertPoint(std::int32_t fromSpace, std::int32_t toSpace, double &x, double &y,
                                   double &z) const {
    shapekit::Point p(x, y, z);
    ConvertPoints(fromSpace, toSpace, &p, 1);
    x = p.x;
    y = p.y;
}

void ProjCoordSystem::ConvertPoints(std::int32_t fromSpace, std::int32_t toSpace, shapekit::Point *points,
                                    std::size_t count) const {
    const CrsDescription &d = *description_;
    const bool geographicStorage = GeographicStorage();
    auto formOf = [&](std::int32_t space) {
        switch (space) {
        case kGeographic:
            return Form::kGeographicRadians;
        case kProjectionPlane:
            return d.kind == CrsKind::kGeographic ? Form::kGeographicRadians : Form::kPlaneMetres;
        case kStorage:
            return geographicStorage ? Form::kGeographicDegrees : Form::kPlaneNative;
        default:
            Fail("Unknown space code " + std::to_string(space) + " (1, 4 and 12 are known)", "ConvertPoint");
        }
    };
    const Form from = formOf(fromSpace);
    const Form to = formOf(toSpace);
    if (count == 0) return;
    if (!points) parallo::Raise(parallo::kObjectNotSet, "ConvertPoint");

    RestoreOnFailure restore(points, count);
    CheckRun(points, count, from, d.toMetre, RunLabel{"Cannot convert from space", fromSpace},
             "ConvertPoint");
    if (from != to) {
        if (IsGeographicForm(from) == IsGeographicForm(to)) {
            // Same family: radians and degrees, or metres and the system's own unit.
            if (IsGeographicForm(from)) {
                Scale(points, count, from == Form::kGeographicRadians ? 180.0 / kPi : kDegree);
            } else {
                Scale(points, count, from == Form::kPlaneMetres ? 1.0 / d.toMetre : d.toMetre);
            }
        } else {
            if (d.kind != CrsKind::kProjected) {
                Fail("\"" + d.definition + "\" is a local plane system with no geographic coordinates",
                     "ConvertPoint");
            }
            PJ *conversion = ObjectsFor(description_).conversion.get();
            const double toRadian = d.angularToRadian;
            const double meridian = d.primeMeridian;
            PJ_DIRECTION direction;
            if (IsGeographicForm(from)) {
                // Greenwich radians or degrees to the base system's own angular units.
                const double factor = (from == Form::kGeographicDegrees ? kDegree : 1.0) / toRadian;
                for (std::size_t i = 0; i < count; ++i) {
                    const double lon = from == Form::kGeographicDegrees ? points[i].x * kDegree : points[i].x;
                    points[i].x = (lon - meridian) / toRadian;
                    points[i].y *= factor;
                }
                direction = PJ_FWD;
            } else {
                if (from == Form::kPlaneMetres) Scale(points, count, 1.0 / d.toMetre);
                direction = PJ_INV;
            }
            proj_errno_reset(conversion);
            proj_trans_generic(conversion, direction, &points[0].x, sizeof(shapekit::Point), count,
                               &points[0].y, sizeof(shapekit::Point), count, nullptr, 0, 0, nullptr, 0, 0);
            for (std::size_t i = 0; i < count; ++i) {
                if (!std::isfinite(points[i].x) || !std::isfinite(points[i].y)) {
                    const std::string reason = TakeProjReason(conversion);
                    Fail("PROJ cannot convert point " + std::to_string(i + 1) + " of " +
                             std::to_string(count) + " from space " + std::to_string(fromSpace) +
                             " to space " + std::to_string(toSpace) + " of \"" + d.definition + "\"" +
                             (reason.empty() ? std::string() : ": " + reason),
                         "ConvertPoint");
                }
            }
            if (IsGeographicForm(to)) {
                const double back = to == Form::kGeographicDegrees ? 180.0 / kPi : 1.0;
                for (std::size_t i = 0; i < count; ++i) {
                    points[i].x = (points[i].x * toRadian + meridian) * back;
                    points[i].y = points[i].y * toRadian * back;
                }
            } else if (to == Form::kPlaneMetres) {
                Scale(points, count, d.toMetre);
            }
        }
    }
    CheckRun(points, count, to, d.toMetre, RunLabel{"Cannot convert to space", toSpace}, "ConvertPoint");
    restore.Done();
}

std::shared_ptr<CoordSystem> ProjCoordSystem::CopyCoordSystem() const {
    return std::make_shared<ProjCoordSystem>(description_, BaseStorageType());
}

bool ProjCoordSystem::CanConvert(std::int32_t fromSpace, std::int32_t toSpace) const {
    auto known = [](std::int32_t s) { return s == kProjectionPlane || s == kGeographic || s == kStorage; };
    if (!known(fromSpace) || !known(toSpace)) return false;
    if (description_->HasGeodetic()) return true;
    // A local plane reaches its projection plane and (with projected storage) its storage only.
    auto planar = [&](std::int32_t s) {
        return s == kProjectionPlane || (s == kStorage && BaseStorageType() != kGeographicStorage);
    };
    return planar(fromSpace) && planar(toSpace);
}

} // namespace projdetail

std::shared_ptr<CoordSystem> CreateProjCoordSystem(const std::string &definition) {
    using namespace projdetail;
    const std::string text = Trimmed(definition);
    std::shared_ptr<const CrsDescription> description;
    {
        std::lock_guard<std::mutex> lock(InternMutex());
        auto it = Interned().find(text);
        if (it != Interned().end()) description = it->second.lock();
    }
    if (!description) {
        auto fresh = std::make_shared<CrsDescription>();
        CrsObjects objects = BuildCrsObjects(text, fresh.get());
        fresh->id = NextId();
        description = fresh;
        AdoptObjects(description, std::move(objects));
        std::lock_guard<std::mutex> lock(InternMutex());
        auto &map = Interned();
        static std::size_t sweepAt = 256;
        if (map.size() >= sweepAt) {
            for (auto it = map.begin(); it != map.end();)
                it = it->second.expired() ? map.erase(it) : std::next(it);
            sweepAt = std::max<std::size_t>(256, 2 * map.size());
        }
        auto &slot = map[text];
        if (auto existing = slot.lock()) {
            description = existing; // another thread read the same definition meanwhile
        } else {
            slot = description;
            // Hosts that make their systems afresh from the same codes for every map find them
            // (and this thread's PROJ objects for them) still there.
            auto &recent = Recent();
            recent.push_back(description);
            if (recent.size() > kRecentKept) recent.pop_front();
        }
    }
    const std::int32_t storage =
        description->kind == CrsKind::kGeographic ? kGeographicStorage : kProjectedStorage;
    return std::make_shared<ProjCoordSystem>(description, storage);
}

} // namespace coordkit
