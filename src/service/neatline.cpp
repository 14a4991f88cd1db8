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

void RefineStrokedNeatline(ServiceState &s, const coordkit::CoordTransform &transform,
                           shapekit::PolygonGeometry &polygon) {
    shapekit::PointsCollection &ring = polygon.Points();
    const std::size_t n = ring.size();
    if (!(s.StrokeTolerance > 0.0) || n < 2 || n >= kMaxNeatlinePoints) return;
    const coordkit::CoordSystem &system = Deref(s.NeatlineCoordSystem);
    const std::int32_t space = NeatlineInputSpace(s.NeatlineExtentsType);
    // Corners given as angles (radians): a side across the 180° meridian goes the short way.
    const bool radians = space == coordkit::kGeographic;
    const bool mapLongitudes = s.MapViewCoordSystem && MapViewIsGeographic(s.MapViewCoordSystem);
    const auto near = [](Point b, const Point &a, bool longitudes, double halfTurn) {
        if (longitudes) {
            if (b.x - a.x > halfTurn) b.x -= 2.0 * halfTurn;
            if (b.x - a.x < -halfTurn) b.x += 2.0 * halfTurn;
        }
        return b;
    };
    const auto toStorage = [&system, space](Point *p, std::size_t count) {
        system.ConvertPoints(space, coordkit::kStorage, p, count);
    };
    const auto toMapView = [&system, &transform, space](Point *p, std::size_t count) {
        system.ConvertPoints(space, coordkit::kStorage, p, count);
        transform.Transform(p, count, 1);
    };

    LineRefiner r;
    r.tolerance = s.StrokeTolerance;
    r.budget = kMaxNeatlinePoints - n;
    std::vector<Point> images;
    r.judge = [&](const std::vector<StepEnd> &ps, const std::vector<StepEnd> &qs, std::vector<StepEnd> &mids,
                  std::vector<double> &deviations) {
        images.clear();
        for (std::size_t k = 0; k < ps.size(); ++k)
            images.push_back(Middle(ps[k].at, near(qs[k].at, ps[k].at, radians, platform::kPi)));
        for (std::size_t k = 0; k < ps.size(); ++k)
            mids[k].at = images[k];
        ApplyEach(images, toMapView);
        for (std::size_t k = 0; k < ps.size(); ++k) {
            mids[k].drawn = near(images[k], ps[k].drawn, mapLongitudes, 180.0);
            deviations[k] = ChordDeviation(ps[k].drawn, mids[k].drawn,
                                           near(qs[k].drawn, ps[k].drawn, mapLongitudes, 180.0));
        }
    };

    // Each point in the corners' space, where the sides are straight, and in the map view.
    std::vector<Point> at = ring.Vector();
    ApplyEach(at, [&system, space](Point *p, std::size_t count) {
        system.ConvertPoints(coordkit::kStorage, space, p, count);
    });
    std::vector<Point> drawn = ring.Vector();
    ApplyEach(drawn, [&transform](Point *p, std::size_t count) { transform.Transform(p, count, 1); });
    std::vector<StepEnd> line;
    for (std::size_t i = 0; i < n; ++i)
        line.push_back({at[i], drawn[i], Point()});
    std::vector<std::size_t> position; // new 0-based index of each point
    RefineLine(r, line, &position);
    if (line.size() == n) return;

    // The ring's own points keep their storage coordinates; the inserted ones are converted.
    std::vector<Point> inserted;
    std::vector<char> own(line.size(), 0);
    for (std::size_t i : position)
        own[i] = 1;
    for (std::size_t i = 0; i < line.size(); ++i)
        if (!own[i]) inserted.push_back(line[i].at);
    ApplyEach(inserted, toStorage);
    std::vector<Point> dense;
    std::size_t next = 0, given = 0;
    for (std::size_t i = 0; i < line.size(); ++i)
        dense.push_back(own[i] ? ring.Vector()[given++] : inserted[next++]);
    ring.Vector() = std::move(dense);
    // The side starts (1-based) move with the points inserted before them.
    const auto moved = [&](std::int16_t start) {
        if (start < 1 || static_cast<std::size_t>(start) > n) return start;
        return static_cast<std::int16_t>(position[static_cast<std::size_t>(start) - 1] + 1);
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
            RefineStrokedNeatline(s, transform, *polygon);
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
