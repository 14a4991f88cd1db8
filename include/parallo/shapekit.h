// Geometry objects: points, point collections, geometries, the geometry builder and the polar
// calculator. Points are stored by value and contiguously, so that a whole geometry can be handed
// to the coordinate engine in one call.
#ifndef PARALLO_SHAPEKIT_H
#define PARALLO_SHAPEKIT_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "parallo/export.h"

namespace coordkit {
class CoordSystem;
}

namespace shapekit {

/// A point. Writing a coordinate changes the point in place, also when the point is the live
/// element of a collection or a geometry.
struct Point {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;

    Point() = default;
    Point(double px, double py, double pz = 0.0) : x(px), y(py), z(pz) {}
};

/// An ordered list of points with 1-based positions.
class PARALLO_EXPORT PointsCollection {
public:
    std::int32_t Count() const noexcept { return static_cast<std::int32_t>(points_.size()); }

    /// The stored point itself (live). Raises Subscript out of range (9) outside 1..Count.
    /// The reference stays valid until the collection grows or shrinks.
    Point& Item(std::int32_t index);
    const Point& Item(std::int32_t index) const;

    /// Appends a copy of the point's present coordinates.
    void Add(const Point& pt) { points_.push_back(pt); }

    /// Removes the point at a 1-based position; later points move down by one. Raises 9
    /// outside 1..Count.
    void Remove(std::int32_t index);

    void Clear() noexcept { points_.clear(); }
    void Reserve(std::size_t n) { points_.reserve(n); }

    Point* data() noexcept { return points_.data(); }
    const Point* data() const noexcept { return points_.data(); }
    std::size_t size() const noexcept { return points_.size(); }
    bool empty() const noexcept { return points_.empty(); }
    std::vector<Point>::iterator begin() noexcept { return points_.begin(); }
    std::vector<Point>::iterator end() noexcept { return points_.end(); }
    std::vector<Point>::const_iterator begin() const noexcept { return points_.begin(); }
    std::vector<Point>::const_iterator end() const noexcept { return points_.end(); }
    std::vector<Point>& Vector() noexcept { return points_; }
    const std::vector<Point>& Vector() const noexcept { return points_; }

private:
    std::vector<Point> points_;
};

enum GeometryType : std::int32_t {
    kPointGeometry = 1,
    kLineGeometry = 2,
    kPolylineGeometry = 3,
    kPolygonGeometry = 4,
    kGeometryCollection = 5,
};

/// A contiguous run of points inside a geometry.
using PointRunFunction = std::function<void(Point* points, std::size_t count)>;
using ConstPointRunFunction = std::function<void(const Point* points, std::size_t count)>;

/// Base of every geometry.
class PARALLO_EXPORT Geometry {
public:
    virtual ~Geometry();
    virtual GeometryType Type() const noexcept = 0;
    /// An independent deep copy.
    virtual std::shared_ptr<Geometry> Clone() const = 0;
    /// Calls fn once for each contiguous run of the geometry's points, in order.
    virtual void ForEachRun(const PointRunFunction& fn) = 0;
    virtual void ForEachRun(const ConstPointRunFunction& fn) const = 0;
    /// Number of points in the whole geometry.
    std::size_t PointCount() const;
};

/// A polygon: one ring of points. A ring whose last point repeats the first keeps all points.
class PARALLO_EXPORT PolygonGeometry : public Geometry {
public:
    GeometryType Type() const noexcept override { return kPolygonGeometry; }
    std::shared_ptr<Geometry> Clone() const override;
    void ForEachRun(const PointRunFunction& fn) override;
    void ForEachRun(const ConstPointRunFunction& fn) const override;
    /// The polygon's own collection (live).
    PointsCollection& Points() noexcept { return points_; }
    const PointsCollection& Points() const noexcept { return points_; }

private:
    PointsCollection points_;
};

/// A polyline through its points, in order.
class PARALLO_EXPORT PolylineGeometry : public Geometry {
public:
    GeometryType Type() const noexcept override { return kPolylineGeometry; }
    std::shared_ptr<Geometry> Clone() const override;
    void ForEachRun(const PointRunFunction& fn) override;
    void ForEachRun(const ConstPointRunFunction& fn) const override;
    PointsCollection& Points() noexcept { return points_; }
    const PointsCollection& Points() const noexcept { return points_; }

private:
    PointsCollection points_;
};

/// One point as a geometry.
class PARALLO_EXPORT PointGeometry : public Geometry {
public:
    PointGeometry() = default;
    explicit PointGeometry(const Point& pt) : point_(pt) {}
    GeometryType Type() const noexcept override { return kPointGeometry; }
    std::shared_ptr<Geometry> Clone() const override;
    void ForEachRun(const PointRunFunction& fn) override;
    void ForEachRun(const ConstPointRunFunction& fn) const override;
    /// The geometry's point (live): moving it moves the geometry.
    Point& Position() noexcept { return point_; }
    const Point& Position() const noexcept { return point_; }

private:
    Point point_;
};

/// A two-point line.
class PARALLO_EXPORT LineGeometry : public Geometry {
public:
    LineGeometry() = default;
    LineGeometry(const Point& start, const Point& end) : points_{start, end} {}
    GeometryType Type() const noexcept override { return kLineGeometry; }
    std::shared_ptr<Geometry> Clone() const override;
    void ForEachRun(const PointRunFunction& fn) override;
    void ForEachRun(const ConstPointRunFunction& fn) const override;
    Point& Start() noexcept { return points_[0]; }
    Point& End() noexcept { return points_[1]; }
    const Point& Start() const noexcept { return points_[0]; }
    const Point& End() const noexcept { return points_[1]; }

private:
    Point points_[2];
};

/// An ordered collection of geometries with 1-based positions.
class PARALLO_EXPORT GeometryCollection : public Geometry {
public:
    GeometryType Type() const noexcept override { return kGeometryCollection; }
    std::shared_ptr<Geometry> Clone() const override;
    void ForEachRun(const PointRunFunction& fn) override;
    void ForEachRun(const ConstPointRunFunction& fn) const override;

    std::int32_t Count() const noexcept { return static_cast<std::int32_t>(items_.size()); }
    /// The stored geometry itself. Raises 9 outside 1..Count.
    const std::shared_ptr<Geometry>& Item(std::int32_t index) const;
    /// Appends a geometry. Raises 91 for no object.
    void Add(std::shared_ptr<Geometry> geometry);

    std::vector<std::shared_ptr<Geometry>>::const_iterator begin() const noexcept { return items_.begin(); }
    std::vector<std::shared_ptr<Geometry>>::const_iterator end() const noexcept { return items_.end(); }

private:
    std::vector<std::shared_ptr<Geometry>> items_;
};

/// The geometry as the derived type T; raises Type mismatch (13) when it is another kind, and
/// Object not set (91) for no object.
template <class T> std::shared_ptr<T> As(const std::shared_ptr<Geometry>& geometry);

/// Builds polygons and collections of polylines and lines.
class PARALLO_EXPORT GeometryBuilder {
public:
    /// Begins a new GeometryCollection.
    void StartCollection();
    /// Appends one polyline through the first `count` points of `points`, in order. Raises 5 when
    /// no collection was started or count is out of range.
    void AddPolyline(std::int32_t count, const PointsCollection& points);
    /// Appends one two-point line.
    void AddLine(const Point& first, const Point& second);
    /// Closes the collection; it becomes the geometry built last.
    void EndCollection();
    /// Builds one polygon through the first `count` points, in order.
    void BuildPolygon(std::int32_t count, const PointsCollection& points, bool closeRing);
    void StartPolygon();
    void AddPolygonPoints(std::int32_t count, const PointsCollection& points, bool closeRing);
    void EndPolygon();
    /// The geometry built last (a collection or a polygon); no object before any build.
    std::shared_ptr<Geometry> GetGeometry() const { return built_; }
    /// Forgets what was built.
    void Reset();

private:
    std::shared_ptr<GeometryCollection> collection_;
    std::shared_ptr<PolygonGeometry> polygon_;
    std::shared_ptr<Geometry> built_;
};

/// Points at a distance and azimuth from a start point. Option 1 works in the plane of the
/// coordinate system's storage units: (x + d sin az, y + d cos az), azimuth in radians clockwise
/// from +y.
class PARALLO_EXPORT PolarCalculator {
public:
    void SetCoordSystem(std::shared_ptr<coordkit::CoordSystem> cs) { cs_ = std::move(cs); }
    /// Only option 1 (planar) is known; any other value raises 5.
    void SetOption(std::int32_t option);
    void SetStart(const PointGeometry& start) { start_ = start.Position(); }
    void SetStart(const Point& start) { start_ = start; }
    /// The point at `distance` and `azimuth` from the start. Raises 6 for a non-finite result.
    void PolarPoint(double distance, double azimuth, Point& out) const;

private:
    std::shared_ptr<coordkit::CoordSystem> cs_;
    std::int32_t option_ = 1;
    Point start_;
};

} // namespace shapekit

#include "parallo/shapekit_inl.h"

#endif
