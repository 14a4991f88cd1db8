// ParalloCls: construction, the failure hook and the property accessors. Accessors store and
// return the host's references as they are; none validates, converts or catches.
#include <exception>
#include <new>
#include <utility>

#include "geometry/geometry.h"
#include "parallo/parallo.h"
#include "platform/numbers.h"
#include "service/state.h"

namespace parallo {

ParalloCls::ParalloCls() : d_(new detail::ServiceState) {}
ParalloCls::~ParalloCls() = default;
// A moved-from service stays usable and reads as a new one, so its accessors and methods never
// meet a missing state. The fresh state's construction cannot throw; only when memory has run
// out is the source left without one.
ParalloCls::ParalloCls(ParalloCls &&other) noexcept : d_(std::move(other.d_)) {
    other.d_.reset(new (std::nothrow) detail::ServiceState);
}
ParalloCls &ParalloCls::operator=(ParalloCls &&other) noexcept {
    if (this != &other) {
        d_ = std::move(other.d_); // releases this object's former references now
        other.d_.reset(new (std::nothrow) detail::ServiceState);
    }
    return *this;
}

void ParalloCls::SetErrorObserver(ErrorObserver observer) { d_->observer = std::move(observer); }

std::int32_t ParalloCls::Status() const noexcept { return 0; }

std::string ParalloCls::NeatlineStartTop() const { return std::to_string(d_->NeatlineStartTop); }
std::string ParalloCls::NeatlineStartRight() const { return std::to_string(d_->NeatlineStartRight); }
std::string ParalloCls::NeatlineStartBottom() const { return std::to_string(d_->NeatlineStartBottom); }

ParalloCls::CollectionPtr ParalloCls::LabelGeometry() const noexcept { return nullptr; }

void ParalloCls::SetEastingHemisphereLabel(const std::string &value) { d_->EastingHemisphereLabel = value; }
void ParalloCls::SetNorthingHemisphereLabel(const std::string &value) { d_->NorthingHemisphereLabel = value; }
void ParalloCls::SetWestingHemisphereLabel(const std::string &value) { d_->WestingHemisphereLabel = value; }
void ParalloCls::SetSouthingHemisphereLabel(const std::string &value) { d_->SouthingHemisphereLabel = value; }

const ParalloCls::PointPtr &ParalloCls::GridOffset() const noexcept { return d_->GridOffset; }
void ParalloCls::SetGridOffset(ParalloCls::PointPtr value) noexcept { d_->GridOffset = std::move(value); }
bool ParalloCls::bForceStroking() const noexcept { return d_->bForceStroking; }
void ParalloCls::SetbForceStroking(bool value) noexcept { d_->bForceStroking = value; }
bool ParalloCls::bGeographicDDMMSS() const noexcept { return d_->bGeographicDDMMSS; }
void ParalloCls::SetbGeographicDDMMSS(bool value) noexcept { d_->bGeographicDDMMSS = value; }
const ParalloCls::CoordSystemPtr &ParalloCls::MapViewCoordSystem() const noexcept {
    return d_->MapViewCoordSystem;
}
void ParalloCls::SetMapViewCoordSystem(ParalloCls::CoordSystemPtr value) noexcept {
    d_->MapViewCoordSystem = std::move(value);
}
const ParalloCls::CoordSystemPtr &ParalloCls::NeatlineCoordSystem() const noexcept {
    return d_->NeatlineCoordSystem;
}
void ParalloCls::SetNeatlineCoordSystem(ParalloCls::CoordSystemPtr value) noexcept {
    d_->NeatlineCoordSystem = std::move(value);
}
const ParalloCls::CoordSystemPtr &ParalloCls::GridCoordSystem() const noexcept { return d_->GridCoordSystem; }
void ParalloCls::SetGridCoordSystem(ParalloCls::CoordSystemPtr value) noexcept {
    d_->GridCoordSystem = std::move(value);
}
double ParalloCls::GridStrokeDistance() const noexcept { return d_->GridStrokeDistance; }
void ParalloCls::SetGridStrokeDistance(double value) noexcept { d_->GridStrokeDistance = value; }
double ParalloCls::StrokeTolerance() const noexcept { return d_->StrokeTolerance; }
void ParalloCls::SetStrokeTolerance(double value) noexcept { d_->StrokeTolerance = value; }
double ParalloCls::PolarCapLatitude() const noexcept { return d_->PolarCapLatitude; }
void ParalloCls::SetPolarCapLatitude(double value) noexcept { d_->PolarCapLatitude = value; }
std::int16_t ParalloCls::PolarCapMeridianSkip() const noexcept { return d_->PolarCapMeridianSkip; }
void ParalloCls::SetPolarCapMeridianSkip(std::int16_t value) noexcept { d_->PolarCapMeridianSkip = value; }
double ParalloCls::BorderOffsetRight() const noexcept { return d_->BorderOffsetRight; }
void ParalloCls::SetBorderOffsetRight(double value) noexcept { d_->BorderOffsetRight = value; }
double ParalloCls::BorderOffsetLeft() const noexcept { return d_->BorderOffsetLeft; }
void ParalloCls::SetBorderOffsetLeft(double value) noexcept { d_->BorderOffsetLeft = value; }
double ParalloCls::BorderOffsetBottom() const noexcept { return d_->BorderOffsetBottom; }
void ParalloCls::SetBorderOffsetBottom(double value) noexcept { d_->BorderOffsetBottom = value; }
double ParalloCls::BorderOffsetTop() const noexcept { return d_->BorderOffsetTop; }
void ParalloCls::SetBorderOffsetTop(double value) noexcept { d_->BorderOffsetTop = value; }
GridTypeConstants ParalloCls::GridType() const noexcept { return d_->GridType; }
void ParalloCls::SetGridType(GridTypeConstants value) noexcept { d_->GridType = value; }
double ParalloCls::TickLength() const noexcept { return d_->TickLength; }
void ParalloCls::SetTickLength(double value) noexcept { d_->TickLength = value; }
double ParalloCls::CrossLength() const noexcept { return d_->CrossLength; }
void ParalloCls::SetCrossLength(double value) noexcept { d_->CrossLength = value; }
const ParalloCls::PointPtr &ParalloCls::SkipInterval() const noexcept { return d_->SkipInterval; }
void ParalloCls::SetSkipInterval(ParalloCls::PointPtr value) noexcept { d_->SkipInterval = std::move(value); }
const ParalloCls::PointPtr &ParalloCls::Interval() const noexcept { return d_->Interval; }
void ParalloCls::SetInterval(ParalloCls::PointPtr value) noexcept { d_->Interval = std::move(value); }
const ParalloCls::PolygonPtr &ParalloCls::NeatlinePolygon() const noexcept { return d_->NeatlinePolygon; }
void ParalloCls::SetNeatlinePolygon(ParalloCls::PolygonPtr value) noexcept {
    d_->NeatlinePolygon = std::move(value);
}
double ParalloCls::Angle() const noexcept { return d_->Angle; }
void ParalloCls::SetAngle(double value) noexcept { d_->Angle = value; }
const ParalloCls::PointPtr &ParalloCls::NeatlineUpperRight() const noexcept { return d_->NeatlineUpperRight; }
void ParalloCls::SetNeatlineUpperRight(ParalloCls::PointPtr value) noexcept {
    d_->NeatlineUpperRight = std::move(value);
}
const ParalloCls::PointPtr &ParalloCls::NeatlineLowerLeft() const noexcept { return d_->NeatlineLowerLeft; }
void ParalloCls::SetNeatlineLowerLeft(ParalloCls::PointPtr value) noexcept {
    d_->NeatlineLowerLeft = std::move(value);
}
GridLabelTypeConstants ParalloCls::LabelType() const noexcept { return d_->LabelType; }
void ParalloCls::SetLabelType(GridLabelTypeConstants value) noexcept { d_->LabelType = value; }
std::int32_t ParalloCls::LabelDisplayType() const noexcept { return d_->LabelDisplayType; }
void ParalloCls::SetLabelDisplayType(std::int32_t value) noexcept { d_->LabelDisplayType = value; }
std::int32_t ParalloCls::LabelColor() const noexcept { return d_->LabelColor; }
void ParalloCls::SetLabelColor(std::int32_t value) noexcept { d_->LabelColor = value; }
double ParalloCls::LabelOffset() const noexcept { return d_->LabelOffset; }
void ParalloCls::SetLabelOffset(double value) noexcept { d_->LabelOffset = value; }
double ParalloCls::VerticalLabelOffset() const noexcept { return d_->VerticalLabelOffset; }
void ParalloCls::SetVerticalLabelOffset(double value) noexcept { d_->VerticalLabelOffset = value; }
GridLabelOrientationConstants ParalloCls::LabelOrientation() const noexcept { return d_->LabelOrientation; }
void ParalloCls::SetLabelOrientation(GridLabelOrientationConstants value) noexcept {
    d_->LabelOrientation = value;
}
std::int16_t ParalloCls::MagnitudeAB() const noexcept { return d_->MagnitudeAB; }
void ParalloCls::SetMagnitudeAB(std::int16_t value) noexcept { d_->MagnitudeAB = value; }
std::int16_t ParalloCls::MagnitudeBC() const noexcept { return d_->MagnitudeBC; }
void ParalloCls::SetMagnitudeBC(std::int16_t value) noexcept { d_->MagnitudeBC = value; }
std::int16_t ParalloCls::DecimalPlaces() const noexcept { return d_->DecimalPlaces; }
void ParalloCls::SetDecimalPlaces(std::int16_t value) noexcept { d_->DecimalPlaces = value; }
const ParalloCls::LabelPartPtr &ParalloCls::LabelPartA() const noexcept { return d_->LabelPartA; }
void ParalloCls::SetLabelPartA(ParalloCls::LabelPartPtr value) noexcept { d_->LabelPartA = std::move(value); }
const ParalloCls::LabelPartPtr &ParalloCls::LabelPartB() const noexcept { return d_->LabelPartB; }
void ParalloCls::SetLabelPartB(ParalloCls::LabelPartPtr value) noexcept { d_->LabelPartB = std::move(value); }
const ParalloCls::LabelPartPtr &ParalloCls::LabelPartC() const noexcept { return d_->LabelPartC; }
void ParalloCls::SetLabelPartC(ParalloCls::LabelPartPtr value) noexcept { d_->LabelPartC = std::move(value); }
const ParalloCls::LabelPartPtr &ParalloCls::LabelPartD() const noexcept { return d_->LabelPartD; }
void ParalloCls::SetLabelPartD(ParalloCls::LabelPartPtr value) noexcept { d_->LabelPartD = std::move(value); }
const ParalloCls::LabelPartPtr &ParalloCls::LabelPartUnit() const noexcept { return d_->LabelPartUnit; }
void ParalloCls::SetLabelPartUnit(ParalloCls::LabelPartPtr value) noexcept {
    d_->LabelPartUnit = std::move(value);
}
const ParalloCls::LabelPartPtr &ParalloCls::LabelPartHemisphere() const noexcept {
    return d_->LabelPartHemisphere;
}
void ParalloCls::SetLabelPartHemisphere(ParalloCls::LabelPartPtr value) noexcept {
    d_->LabelPartHemisphere = std::move(value);
}
bool ParalloCls::bHemisphereAsSuffix() const noexcept { return d_->bHemisphereAsSuffix; }
void ParalloCls::SetbHemisphereAsSuffix(bool value) noexcept { d_->bHemisphereAsSuffix = value; }
const ParalloCls::PolygonPtr &ParalloCls::BorderPolygon() const noexcept { return d_->BorderPolygon; }
const ParalloCls::CollectionPtr &ParalloCls::GridGeometry() const noexcept { return d_->GridGeometry; }
const ParalloCls::CollectionPtr &ParalloCls::CrossGeometry() const noexcept { return d_->CrossGeometry; }
const std::shared_ptr<GridLabels> &ParalloCls::LabelsCollection() const noexcept {
    return d_->LabelsCollection;
}
void ParalloCls::SetLabelPosition(pxgrdLabelPosition value) noexcept { d_->LabelPosition = value; }
void ParalloCls::SetLabelPositionRelativeToPoint(GridLabelPositionConstants value) noexcept {
    d_->LabelPositionRelativeToPoint = value;
}
void ParalloCls::SetCoordSystemsMgr(std::shared_ptr<coordkit::CoordSystemsMgr> value) noexcept {
    d_->CoordSystemsMgr = std::move(value);
}
void ParalloCls::SetUnitsOfMeasure(std::shared_ptr<coordkit::UnitsOfMeasure> value) noexcept {
    d_->UnitsOfMeasure = std::move(value);
}
void ParalloCls::SetNeatlineExtentsType(std::int32_t value) noexcept { d_->NeatlineExtentsType = value; }
void ParalloCls::SetNeatlineStrokeDistance(double value) noexcept { d_->NeatlineStrokeDistance = value; }
void ParalloCls::SetGridIntervalsType(std::int32_t value) noexcept { d_->GridIntervalsType = value; }
void ParalloCls::SetNeatlineLowerLeftInProjUnits(ParalloCls::PointPtr value) noexcept {
    d_->NeatlineLowerLeftInProjUnits = std::move(value);
}
void ParalloCls::SetNeatlineUpperRightInProjUnits(ParalloCls::PointPtr value) noexcept {
    d_->NeatlineUpperRightInProjUnits = std::move(value);
}
void ParalloCls::SetNeatlineUpperLeftInProjUnits(ParalloCls::PointPtr value) noexcept {
    d_->NeatlineUpperLeftInProjUnits = std::move(value);
}
void ParalloCls::SetNeatlineLowerRightInProjUnits(ParalloCls::PointPtr value) noexcept {
    d_->NeatlineLowerRightInProjUnits = std::move(value);
}
void ParalloCls::SetPlaceLeftSideGridElements(bool value) noexcept { d_->PlaceLeftSideGridElements = value; }
void ParalloCls::SetPlaceTopSideGridElements(bool value) noexcept { d_->PlaceTopSideGridElements = value; }
void ParalloCls::SetPlaceRightSideGridElements(bool value) noexcept {
    d_->PlaceRightSideGridElements = value;
}
void ParalloCls::SetPlaceBottomSideGridElements(bool value) noexcept {
    d_->PlaceBottomSideGridElements = value;
}

// The segment test is public so that hosts can check a meeting the way the grid generators do.
void ParalloCls::LCL_SegmentIntersectSegment(const Point &S1V1, const Point &S1V2, const Point &S2V1,
                                             const Point &S2V2, PointPtr &ip, std::int32_t &IntersectionType,
                                             double &IntersectAngle) noexcept {
    const detail::ServiceState &s = *d_;
    const detail::IntersectionGrid grid{s, s.GridCoordSystem, s.GridIntervalsType, s.dPointTolerance};
    detail::LCL_SegmentIntersectSegment(grid, S1V1, S1V2, S2V1, S2V2, ip, IntersectionType, IntersectAngle);
}

} // namespace parallo
