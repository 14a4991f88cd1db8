// Geometry objects: point collections, geometries, the geometry builder and the polar calculator.
#include "parallo/shapekit.h"

#include <cmath>
#include <utility>

#include "parallo/error.h"

namespace shapekit {

namespace {

/// Zero-based position of a 1-based index, or Subscript out of range (9).
std::size_t Position(std::int32_t index, std::size_t count) {
    if (index < 1 || static_cast<std::size_t>(index) > count) parallo::Raise(parallo::kSubscriptOutOfRange);
    return static_cast<std::size_t>(index - 1);
}

/// The number of points a builder takes from a collection: 0..Count, else Invalid procedure call (5).
std::size_t TakeCount(std::int32_t count, const PointsCollection &points) {
    if (count < 0 || count > points.Count()) parallo::Raise(parallo::kInvalidProcedureCall);
    return static_cast<std::size_t>(count);
}

/// Appends the first `n` points of `from` to `to`, then, when asked, the first point again if the
/// ring of at least two points does not yet end where it starts.
void AppendPoints(PointsCollection &to, const PointsCollection &from, std::size_t n, bool closeRing) {
    // Copy through a temporary: `from` may be `to` itself.
    std::vector<Point> taken(from.begin(), from.begin() + static_cast<std::ptrdiff_t>(n));
    to.Reserve(to.size() + taken.size() + 1);
    for (const Point &p : taken)
        to.Add(p);
    if (closeRing && to.size() >= 2) {
        const Point first = to.Item(1);
        const Point &last = to.Item(to.Count());
        if (first.x != last.x || first.y != last.y) to.Add(first);
    }
}

} // namespace

// ---- PointsCollection ---------------------------------------------------------------------

Point &PointsCollection::Item(std::int32_t index) { return points_[Position(index, points_.size())]; }

const Point &PointsCollection::Item(std::int32_t index) const {
    return points_[Position(index, points_.size())];
}

void PointsCollection::Remove(std::int32_t index) {
    const std::size_t at = Position(index, points_.size());
    points_.erase(points_.begin() + static_cast<std::ptrdiff_t>(at));
}

// ---- geometries ---------------------------------------------------------------------------

Geometry::~Geometry() = default;

std::size_t Geometry::PointCount() const {
    std::size_t total = 0;
    ForEachRun(ConstPointRunFunction([&total](const Point *, std::size_t count) { total += count; }));
    return total;
}

std::shared_ptr<Geometry> PolygonGeometry::Clone() const { return std::make_shared<PolygonGeometry>(*this); }

void PolygonGeometry::ForEachRun(const PointRunFunction &fn) {
    if (!points_.empty()) fn(points_.data(), points_.size());
}

void PolygonGeometry::ForEachRun(const ConstPointRunFunction &fn) const {
    if (!points_.empty()) fn(points_.data(), points_.size());
}

std::shared_ptr<Geometry> PolylineGeometry::Clone() const {
    return std::make_shared<PolylineGeometry>(*this);
}

void PolylineGeometry::ForEachRun(const PointRunFunction &fn) {
    if (!points_.empty()) fn(points_.data(), points_.size());
}

void PolylineGeometry::ForEachRun(const ConstPointRunFunction &fn) const {
    if (!points_.empty()) fn(points_.data(), points_.size());
}

std::shared_ptr<Geometry> PointGeometry::Clone() const { return std::make_shared<PointGeometry>(*this); }

void PointGeometry::ForEachRun(const PointRunFunction &fn) { fn(&point_, 1); }

void PointGeometry::ForEachRun(const ConstPointRunFunction &fn) const { fn(&point_, 1); }

std::shared_ptr<Geometry> LineGeometry::Clone() const { return std::make_shared<LineGeometry>(*this); }

void LineGeometry::ForEachRun(const PointRunFunction &fn) { fn(points_, 2); }

void LineGeometry::ForEachRun(const ConstPointRunFunction &fn) const { fn(points_, 2); }

std::shared_ptr<Geometry> GeometryCollection::Clone() const {
    // A deep copy: every member is cloned, so the copy shares no point with the original.
    auto copy = std::make_shared<GeometryCollection>();
    copy->items_.reserve(items_.size());
    for (const auto &item : items_)
        copy->items_.push_back(item->Clone());
    return copy;
}

void GeometryCollection::ForEachRun(const PointRunFunction &fn) {
    for (const auto &item : items_)
        item->ForEachRun(fn);
}

void GeometryCollection::ForEachRun(const ConstPointRunFunction &fn) const {
    for (const auto &item : items_)
        static_cast<const Geometry &>(*item).ForEachRun(fn);
}

const std::shared_ptr<Geometry> &GeometryCollection::Item(std::int32_t index) const {
    return items_[Position(index, items_.size())];
}

void GeometryCollection::Add(std::shared_ptr<Geometry> geometry) {
    if (!geometry) parallo::Raise(parallo::kObjectNotSet);
    items_.push_back(std::move(geometry));
}

// ---- GeometryBuilder ----------------------------------------------------------------------

void GeometryBuilder::StartCollection() { collection_ = std::make_shared<GeometryCollection>(); }

void GeometryBuilder::AddPolyline(std::int32_t count, const PointsCollection &points) {
    if (!collection_) parallo::Raise(parallo::kInvalidProcedureCall);
    const std::size_t n = TakeCount(count, points);
    auto line = std::make_shared<PolylineGeometry>();
    AppendPoints(line->Points(), points, n, false);
    collection_->Add(std::move(line));
}

void GeometryBuilder::AddLine(const Point &first, const Point &second) {
    if (!collection_) parallo::Raise(parallo::kInvalidProcedureCall);
    collection_->Add(std::make_shared<LineGeometry>(first, second));
}

void GeometryBuilder::EndCollection() {
    if (!collection_) parallo::Raise(parallo::kInvalidProcedureCall);
    built_ = std::move(collection_);
    collection_.reset();
}

void GeometryBuilder::BuildPolygon(std::int32_t count, const PointsCollection &points, bool closeRing) {
    const std::size_t n = TakeCount(count, points);
    auto polygon = std::make_shared<PolygonGeometry>();
    AppendPoints(polygon->Points(), points, n, closeRing);
    built_ = std::move(polygon);
}

void GeometryBuilder::StartPolygon() { polygon_ = std::make_shared<PolygonGeometry>(); }

void GeometryBuilder::AddPolygonPoints(std::int32_t count, const PointsCollection &points, bool closeRing) {
    if (!polygon_) parallo::Raise(parallo::kInvalidProcedureCall);
    const std::size_t n = TakeCount(count, points);
    AppendPoints(polygon_->Points(), points, n, closeRing);
}

void GeometryBuilder::EndPolygon() {
    if (!polygon_) parallo::Raise(parallo::kInvalidProcedureCall);
    built_ = std::move(polygon_);
    polygon_.reset();
}

void GeometryBuilder::Reset() {
    collection_.reset();
    polygon_.reset();
    built_.reset();
}

// ---- PolarCalculator ----------------------------------------------------------------------

void PolarCalculator::SetOption(std::int32_t option) {
    if (option != 1) parallo::Raise(parallo::kInvalidProcedureCall);
    option_ = option;
}

void PolarCalculator::PolarPoint(double distance, double azimuth, Point &out) const {
    // Planar work in the storage units of the coordinate system: the azimuth turns clockwise
    // from +y, so the easting grows with its sine and the northing with its cosine.
    const double x = start_.x + distance * std::sin(azimuth);
    const double y = start_.y + distance * std::cos(azimuth);
    if (!std::isfinite(x) || !std::isfinite(y)) parallo::Raise(parallo::kOverflow);
    out.x = x;
    out.y = y;
    out.z = start_.z;
}

} // namespace shapekit
