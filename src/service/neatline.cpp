// The neatline: the frame rectangle of the map, given by two corners in the neatline coordinate
// system, carried into the map view. Every later generation method reads what is left here: the
// polygon, its map-view bounding box and the two corners in map-view coordinates.
#include "service/neatline.h"

#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "grid/densify.h"
#include "grid/prepare.h"
#include "platform/angles.h"
#include "platform/numbers.h"
#include "service/stroking.h"

namespace parallo {

using platform::Deref;

namespace detail {

void TransformNeatlineCorners(ServiceState &s, const coordkit::TransformService &transformer,
                              const coordkit::CoordTransform &transform) {
    s.NeatlineLowerLeftMapView = Point();
    s.NeatlineUpperRightMapView = Point();

    shapekit::PointGeometry corner;
    const auto toMapView = [&](const PointPtr &given, Point &mapView) {
        const Point &pt = Deref(given);
        corner.Position() =
            NeatlineCornerInStorage(s.NeatlineCoordSystem, s.NeatlineExtentsType, Point(pt.x, pt.y, 0.0));
        transformer.TransformGeometry(corner, transform, 1);
        mapView = corner.Position();
    };
    toMapView(s.NeatlineLowerLeft, s.NeatlineLowerLeftMapView);
    toMapView(s.NeatlineUpperRight, s.NeatlineUpperRightMapView);
}

void RefineStrokedNeatline(ServiceState &s, const coordkit::TransformService &transformer,
                           const coordkit::CoordTransform &transform, shapekit::PolygonGeometry &polygon) {
    shapekit::PointsCollection &ring = polygon.Points();
    const std::size_t n = ring.size();
    if (!(s.StrokeTolerance > 0.0) || n < 2 || n >= kMaxNeatlinePoints) return;
    const coordkit::CoordSystem &system = Deref(s.NeatlineCoordSystem);
    const std::int32_t space = NeatlineInputSpace(s.NeatlineExtentsType);
    // Corners given as angles (radians): a side across the 180° meridian goes the short way.
    const bool radians = space == coordkit::kGeographic;
    const bool mapLongitudes = s.MapViewCoordSystem && MapViewIsGeographic(s.MapViewCoordSystem);
    const double nan = std::numeric_limits<double>::quiet_NaN();

    const auto toStorage = [&](Point p) {
        system.ConvertPoint(space, coordkit::kStorage, p.x, p.y, p.z);
        return p;
    };
    const auto image = [&](const Point &storage) {
        try {
            shapekit::PointGeometry g(storage);
            transformer.TransformGeometry(g, transform, 1);
            return g.Position();
        } catch (...) {
            return Point(nan, nan);
        }
    };
    const auto near = [](Point b, const Point &a, bool longitudes, double halfTurn) {
        if (longitudes) {
            if (b.x - a.x > halfTurn) b.x -= 2.0 * halfTurn;
            if (b.x - a.x < -halfTurn) b.x += 2.0 * halfTurn;
        }
        return b;
    };

    StepRefiner r;
    r.tolerance = s.StrokeTolerance;
    r.budget = kMaxNeatlinePoints - n;
    r.halfway = [&](const StepEnd &p, const StepEnd &q, StepEnd &mid) {
        try {
            mid.at = Middle(p.at, near(q.at, p.at, radians, platform::kPi));
            mid.drawn = near(image(toStorage(mid.at)), p.drawn, mapLongitudes, 180.0);
            return true;
        } catch (...) {
            return false;
        }
    };
    r.deviation = [&](const StepEnd &p, const StepEnd &q, const StepEnd &mid) {
        return ChordDeviation(p.drawn, mid.drawn, near(q.drawn, p.drawn, mapLongitudes, 180.0));
    };

    // Each point in the corners' space, where the sides are straight, and in the map view.
    std::vector<StepEnd> ends(n);
    for (std::size_t i = 0; i < n; ++i) {
        ends[i].at = ring.Vector()[i];
        system.ConvertPoint(coordkit::kStorage, space, ends[i].at.x, ends[i].at.y, ends[i].at.z);
        ends[i].drawn = image(ring.Vector()[i]);
    }
    std::vector<Point> dense;
    std::vector<std::size_t> position(n); // new 1-based index of each point
    std::vector<StepEnd> inserted;
    for (std::size_t i = 0; i < n; ++i) {
        dense.push_back(ring.Vector()[i]);
        position[i] = dense.size();
        if (i + 1 == n) break;
        inserted.clear();
        RefineStep(r, ends[i], ends[i + 1], inserted);
        for (const StepEnd &e : inserted)
            dense.push_back(toStorage(e.at));
    }
    if (dense.size() == n) return;
    ring.Vector() = std::move(dense);
    // The side starts move with the points inserted before them.
    const auto moved = [&](std::int16_t start) {
        if (start < 1 || static_cast<std::size_t>(start) > n) return start;
        return static_cast<std::int16_t>(position[static_cast<std::size_t>(start) - 1]);
    };
    s.NeatlineStartTop = moved(s.NeatlineStartTop);
    s.NeatlineStartRight = moved(s.NeatlineStartRight);
    s.NeatlineStartBottom = moved(s.NeatlineStartBottom);
}

void CreateNeatline(ServiceState &s) noexcept {
    std::string trace = "In CreateNeatline";
    try {
        trace = "Setting up CreateSimpleTransFromCSMtoCS from Neatline to workspace";
        const coordkit::CoordSystemsMgr &manager = Deref(s.CoordSystemsMgr);
        const std::shared_ptr<coordkit::TransformService> service = manager.GetTransformService();
        const coordkit::TransformService &transformer = Deref(service);
        const std::shared_ptr<coordkit::CoordTransform> neatlineToMapView =
            transformer.CreateSimpleTransFromCSMtoCS(manager, s.NeatlineCoordSystem);
        const coordkit::CoordTransform &transform = Deref(neatlineToMapView);

        auto polygon = std::make_shared<shapekit::PolygonGeometry>();
        if (s.bForceStroking) {
            // A failed stroking reports on its own and leaves the empty polygon, which fails
            // below at the bounding box and so keeps the previous neatline.
            Create_Stroked_Rectangle(s,
                                     {s.NeatlineLowerLeft, s.NeatlineUpperRight, s.NeatlineCoordSystem,
                                      s.NeatlineExtentsType, s.NeatlineStrokeDistance},
                                     {s.NeatlineStartTop, s.NeatlineStartRight, s.NeatlineStartBottom},
                                     s.bForceStroking, polygon);
            trace = "Refine the stroked neatline";
            RefineStrokedNeatline(s, transformer, transform, *polygon);
            trace = "Transform Neatline geometry to MapView";
            transformer.TransformGeometry(*polygon, transform, 1);
        } else {
            const Point &lowerLeft = Deref(s.NeatlineLowerLeft);
            const Point &upperRight = Deref(s.NeatlineUpperRight);
            // From the lower-left corner up the left side and on clockwise, the first corner
            // repeated at the end.
            shapekit::PointsCollection ring;
            ring.Add(Point(lowerLeft.x, lowerLeft.y));
            ring.Add(Point(lowerLeft.x, upperRight.y));
            ring.Add(Point(upperRight.x, upperRight.y));
            ring.Add(Point(upperRight.x, lowerLeft.y));
            ring.Add(Point(lowerLeft.x, lowerLeft.y));
            const coordkit::CoordSystem &neatlineSystem = Deref(s.NeatlineCoordSystem);
            const std::int32_t fromSpace = NeatlineInputSpace(s.NeatlineExtentsType);
            for (std::int32_t i = 1; i <= ring.Count(); ++i) {
                Point &pt = ring.Item(i);
                neatlineSystem.ConvertPoint(fromSpace, coordkit::kStorage, pt.x, pt.y, pt.z);
            }
            shapekit::GeometryBuilder builder;
            builder.BuildPolygon(5, ring, false);
            polygon = shapekit::As<shapekit::PolygonGeometry>(builder.GetGeometry());
            ring.Clear();
            trace = "Transform Neatline geometry to MapView";
            transformer.TransformGeometry(*polygon, transform, 1);
            builder.Reset();
        }

        // Bounding box over every point: a rotated or curved neatline reaches beyond its corners.
        const shapekit::PointsCollection &points = polygon->Points();
        const Point &first = points.Item(1);
        double minX = first.x;
        double maxX = first.x;
        double minY = first.y;
        double maxY = first.y;
        for (const Point &pt : points) {
            if (pt.x < minX) minX = pt.x;
            if (pt.y < minY) minY = pt.y;
            if (pt.x > maxX) maxX = pt.x;
            if (pt.y > maxY) maxY = pt.y;
        }
        s.NeatlineRangeMapView = {{minX, minY, maxX, maxY}};
        s.NeatlinePolygon = polygon;

        TransformNeatlineCorners(s, transformer, transform);
    } catch (...) {
        s.ReportError(DescribeCurrentException(), trace, "CreateNeatline Error");
    }
}

} // namespace detail

void ParalloCls::CreateNeatline(std::int32_t &) noexcept { detail::CreateNeatline(*d_); }

void ParalloCls::CreateNeatline() noexcept { detail::CreateNeatline(*d_); }

} // namespace parallo
