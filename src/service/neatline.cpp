// The neatline: the frame rectangle of the map, given by two corners in the neatline coordinate
// system, carried into the map view. Every later generation method reads what is left here: the
// polygon, its map-view bounding box and the two corners in map-view coordinates.
#include "service/neatline.h"

#include <memory>
#include <string>

#include "grid/prepare.h"
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
