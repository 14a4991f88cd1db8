// The out-of-line parts of the coordinate interfaces: destructors, the point-by-point default of
// ConvertPoints, the base transformation service and the manager.
#include "parallo/coordkit.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "parallo/error.h"

namespace coordkit {

Axis::~Axis() = default;
Projection::~Projection() = default;
CoordSystem::~CoordSystem() = default;
CoordTransform::~CoordTransform() = default;
TransformService::~TransformService() = default;
UnitsOfMeasure::~UnitsOfMeasure() = default;

void CoordSystem::ConvertPoints(std::int32_t fromSpace, std::int32_t toSpace, shapekit::Point *points,
                                std::size_t count) const {
    for (std::size_t i = 0; i < count; ++i)
        ConvertPoint(fromSpace, toSpace, points[i].x, points[i].y, points[i].z);
}

namespace {

/// A transformation through the geographic space of both systems: the workspace's storage units
/// to its geographic coordinates, then the target's geographic coordinates to its storage units.
/// Both systems are taken to share one datum; no datum shift is applied.
class GeographicBridgeTransform final : public CoordTransform {
public:
    GeographicBridgeTransform(std::shared_ptr<CoordSystem> workspace, std::shared_ptr<CoordSystem> target)
        : workspace_(std::move(workspace)), target_(std::move(target)) {}

    void Transform(shapekit::Point *points, std::size_t count, std::int32_t direction) const override {
        if (direction != 0 && direction != 1) parallo::Raise(parallo::kInvalidProcedureCall);
        if (count == 0) return;
        if (points == nullptr) parallo::Raise(parallo::kObjectNotSet);
        // Work on a copy, so that a run that fails part-way leaves the caller's points as they were.
        std::vector<shapekit::Point> work(points, points + count);
        if (workspace_ != target_) {
            const CoordSystem &from = direction == 0 ? *workspace_ : *target_;
            const CoordSystem &to = direction == 0 ? *target_ : *workspace_;
            from.ConvertPoints(kStorage, kGeographic, work.data(), count);
            CheckFinite(work);
            to.ConvertPoints(kGeographic, kStorage, work.data(), count);
        }
        // The same system on both sides is the identity, exactly.
        CheckFinite(work);
        std::copy(work.begin(), work.end(), points);
    }

private:
    static void CheckFinite(const std::vector<shapekit::Point> &pts) {
        for (const shapekit::Point &p : pts) {
            if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z))
                parallo::Raise(parallo::kOverflow);
        }
    }

    std::shared_ptr<CoordSystem> workspace_;
    std::shared_ptr<CoordSystem> target_;
};

} // namespace

std::shared_ptr<CoordTransform>
TransformService::CreateSimpleTransFromCSMtoCS(const CoordSystemsMgr &manager,
                                               const std::shared_ptr<CoordSystem> &target) const {
    const std::shared_ptr<CoordSystem> &workspace = manager.WorkspaceCoordSystem();
    if (!workspace || !target) parallo::Raise(parallo::kObjectNotSet);
    return std::make_shared<GeographicBridgeTransform>(workspace, target);
}

void TransformService::TransformGeometry(shapekit::Geometry &geometry, const CoordTransform &transform,
                                         std::int32_t direction) const {
    geometry.ForEachRun(shapekit::PointRunFunction(
        [&](shapekit::Point *points, std::size_t count) { transform.Transform(points, count, direction); }));
}

CoordSystemsMgr::CoordSystemsMgr(std::shared_ptr<CoordSystem> workspace,
                                 std::shared_ptr<TransformService> service)
    : workspace_(std::move(workspace)), service_(std::move(service)) {}

std::shared_ptr<TransformService> CoordSystemsMgr::GetTransformService() const {
    if (service_) return service_;
    // The base service has no state of its own; one instance serves every manager and thread.
    static const std::shared_ptr<TransformService> base = std::make_shared<TransformService>();
    return base;
}

} // namespace coordkit
