// Transformations between the map view's storage units and another system's, on one cached PROJ
// operation per thread, applied to whole runs of points in place.
#include <cmath>

#include "coords/proj_internal.h"
#include "coords/same_transform.h"
#include "parallo/coordkit_proj.h"
#include "parallo/error.h"

namespace coordkit {
namespace projdetail {

namespace {

constexpr double kDegree = kPi / 180.0;

/// One end of a transformation: a system and whether its storage is geographic.
struct Endpoint {
    std::shared_ptr<const CrsDescription> description;
    bool geographic = false;

    Form StorageForm() const { return geographic ? Form::kGeographicDegrees : Form::kPlaneNative; }
    /// Whether storage degrees differ from the PROJ system's native angular units.
    bool NeedsAngularScaling() const { return geographic && !description->NativeAngularIsDegrees(); }
};

class ProjCoordTransform final : public CoordTransform {
public:
    ProjCoordTransform(Endpoint source, Endpoint target)
        : source_(std::move(source)), target_(std::move(target)),
          identity_(source_.description->id == target_.description->id &&
                    source_.geographic == target_.geographic) {
        // Made now so that a pair of systems PROJ cannot join fails here, not in the first use.
        if (!identity_)
            OperationFor(source_.description, source_.geographic, target_.description, target_.geographic);
    }

    void Transform(shapekit::Point *points, std::size_t count, std::int32_t direction) const override {
        if (direction != 0 && direction != 1)
            Fail("Unknown transformation direction " + std::to_string(direction) + " (0 and 1 are known)",
                 "Transform");
        if (count == 0) return;
        if (!points) parallo::Raise(parallo::kObjectNotSet, "Transform");
        const bool forward = direction == 0;
        const Endpoint &from = forward ? source_ : target_;
        const Endpoint &to = forward ? target_ : source_;

        RestoreOnFailure restore(points, count);
        CheckRun(points, count, from.StorageForm(), from.description->toMetre,
                 RunLabel{"Cannot transform from", 0, &from.description->definition}, "Transform");
        PJ *op = identity_ ? nullptr
                           : OperationFor(source_.description, source_.geographic, target_.description,
                                          target_.geographic);
        if (op) {
            if (from.NeedsAngularScaling()) ToNative(points, count, *from.description);
            proj_errno_reset(op);
            proj_trans_generic(op, forward ? PJ_FWD : PJ_INV, &points[0].x, sizeof(shapekit::Point), count,
                               &points[0].y, sizeof(shapekit::Point), count, nullptr, 0, 0, nullptr, 0, 0);
            for (std::size_t i = 0; i < count; ++i) {
                if (!std::isfinite(points[i].x) || !std::isfinite(points[i].y)) {
                    const std::string reason = TakeProjReason(op);
                    Fail("PROJ cannot transform point " + std::to_string(i + 1) + " of " +
                             std::to_string(count) + " from \"" + from.description->definition + "\" to \"" +
                             to.description->definition + "\"" +
                             (reason.empty() ? std::string() : ": " + reason),
                         "Transform");
                }
            }
            if (to.NeedsAngularScaling()) FromNative(points, count, *to.description);
        }
        CheckRun(points, count, to.StorageForm(), to.description->toMetre,
                 RunLabel{"Cannot transform to", 0, &to.description->definition}, "Transform");
        restore.Done();
    }

private:
    // Storage degrees (Greenwich) to the geographic system's own units and meridian, and back.
    static void ToNative(shapekit::Point *points, std::size_t count, const CrsDescription &d) {
        for (std::size_t i = 0; i < count; ++i) {
            points[i].x = (points[i].x * kDegree - d.primeMeridian) / d.angularToRadian;
            points[i].y = points[i].y * kDegree / d.angularToRadian;
        }
    }
    static void FromNative(shapekit::Point *points, std::size_t count, const CrsDescription &d) {
        for (std::size_t i = 0; i < count; ++i) {
            points[i].x = (points[i].x * d.angularToRadian + d.primeMeridian) / kDegree;
            points[i].y = points[i].y * d.angularToRadian / kDegree;
        }
    }

public:
    /// Whether `other` runs the same operation on the same numbers.
    bool SameAs(const ProjCoordTransform &other) const noexcept {
        return source_.description == other.source_.description &&
               target_.description == other.target_.description &&
               source_.geographic == other.source_.geographic &&
               target_.geographic == other.target_.geographic;
    }

private:
    Endpoint source_;
    Endpoint target_;
    bool identity_;
};

class ProjTransformService final : public TransformService {
public:
    std::shared_ptr<CoordTransform>
    CreateSimpleTransFromCSMtoCS(const CoordSystemsMgr &manager,
                                 const std::shared_ptr<CoordSystem> &target) const override {
        const std::shared_ptr<CoordSystem> &workspace = manager.WorkspaceCoordSystem();
        if (!workspace || !target) parallo::Raise(parallo::kObjectNotSet, "CreateSimpleTransFromCSMtoCS");
        const auto *from = dynamic_cast<const ProjCoordSystem *>(workspace.get());
        const auto *to = dynamic_cast<const ProjCoordSystem *>(target.get());
        // Systems of another engine go through their own conversions.
        if (!from || !to) return TransformService::CreateSimpleTransFromCSMtoCS(manager, target);
        return std::make_shared<ProjCoordTransform>(Endpoint{from->Description(), from->GeographicStorage()},
                                                    Endpoint{to->Description(), to->GeographicStorage()});
    }
};

} // namespace

bool SameProjTransformation(const CoordTransform &a, const CoordTransform &b) noexcept {
    const auto *x = dynamic_cast<const ProjCoordTransform *>(&a);
    const auto *y = dynamic_cast<const ProjCoordTransform *>(&b);
    return x && y && x->SameAs(*y);
}

} // namespace projdetail

std::shared_ptr<TransformService> CreateProjTransformService() {
    return std::make_shared<projdetail::ProjTransformService>();
}

std::shared_ptr<CoordSystemsMgr> CreateProjCoordSystemsMgr(std::shared_ptr<CoordSystem> workspace) {
    return std::make_shared<CoordSystemsMgr>(std::move(workspace), CreateProjTransformService());
}

} // namespace coordkit
