// The neatline in grid coordinates and the 180° meridian: the preparation shared by the grid
// generators and the finishing steps that take their output back to the map view.
#include "grid/prepare.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "parallo/planicalc.h"
#include "platform/numbers.h"
#include "service/neatline.h"
#include "service/stroking.h"

namespace parallo {
namespace detail {

namespace {

/// Point tolerances of duplicate removal: a tenth of a millimetre, for a geographic grid
/// expressed as the angle it subtends on the equatorial radius.
constexpr double kProjectedPointTolerance = 0.0001;
constexpr double kEquatorialRadius = 6378137.0;

/// The crossing test and the shift of P4. p1 and p2 are the lower-left and upper-right corners of
/// the frame in the working system's storage units (degrees of longitude). When the frame
/// straddles the 180° meridian, every vertex west of both 0 and the frame's western edge lies
/// east of the meridian and moves one turn east, so that the frame becomes one unbroken range
/// of longitudes from p1.x to beyond 180.
void ShiftAcross180(ServiceState &s, GridNeatline &w, const Point &p1, const Point &p2, std::string &trace) {
    if (!CrossesAntimeridian(p1.x, p2.x)) return;
    s.b180Crossed = true;
    trace = "YES, adjust the Tfr_Polygon geometry";
    trace = "YES, see which to adjust";
    // The western edge is compared in the vertices' own units (p1.x, degrees), not in the units
    // the corners were handed in (radians or projection-plane metres), which would shift too
    // little or nothing at all for a frame whose lower-left corner is given west of 0.
    for (Point &v : w.Tfr_Polygon->Points()) {
        if (v.x < 0.0 && v.x < p1.x) v.x = platform::Add(v.x, kDegreesPerTurn);
    }
}

/// P5, P6 and the range: the space code U and the point tolerance from GridIntervalsType, every
/// vertex of the working copy from storage units into code-U space, then its extent.
void IntoCodeUSpace(ServiceState &s, GridNeatline &w) {
    if (s.GridIntervalsType == 1) {
        w.U = coordkit::kGeographic;
        s.dPointTolerance = kProjectedPointTolerance / kEquatorialRadius;
    } else {
        w.U = coordkit::kProjectionPlane;
        s.dPointTolerance = kProjectedPointTolerance;
    }
    shapekit::PointsCollection &pts = w.Tfr_Polygon->Points();
    platform::Deref(s.GridCoordSystem).ConvertPoints(coordkit::kStorage, w.U, pts.data(), pts.size());
    planicalc::TRGGetRange(*w.Tfr_Polygon, w.pMin, w.pMax);
}

std::shared_ptr<shapekit::PolygonGeometry> CopyPolygon(const std::shared_ptr<shapekit::PolygonGeometry> &p) {
    return shapekit::As<shapekit::PolygonGeometry>(planicalc::TRGCopyGeometry(platform::Deref(p)));
}

/// F1 for points already in a system whose x is a longitude in degrees: every x beyond 180 comes
/// back by one turn.
void BackWithin180(shapekit::GeometryCollection &output, std::string &trace) {
    trace = "Adjust geographic grid lines back to +/- 180 longitude";
    const std::int32_t n = output.Count();
    for (std::int32_t i = 1; i <= n; ++i) {
        shapekit::Geometry &item = platform::Deref(output.Item(i));
        trace = "Adjust geographic grid lines, item " + std::to_string(i) + " of " + std::to_string(n);
        item.ForEachRun(shapekit::PointRunFunction([](Point *pts, std::size_t count) {
            for (std::size_t j = 0; j < count; ++j) {
                if (pts[j].x > 180.0) pts[j].x -= kDegreesPerTurn;
            }
        }));
        trace = "form new collection";
    }
    trace = "Copy to original collection";
}

/// The map-view counterpart for ticks and crosses: each two-point mark moves as a whole, by its
/// mean x, so that a mark standing on the meridian keeps its length instead of spanning the
/// world.
void MarksBackWithin180(shapekit::GeometryCollection &marks, std::string &trace) {
    trace = "Adjust geographic grid lines back to +/- 180 longitude";
    const std::int32_t n = marks.Count();
    for (std::int32_t i = 1; i <= n; ++i) {
        shapekit::Geometry &item = platform::Deref(marks.Item(i));
        trace = "Adjust geographic grid lines, item " + std::to_string(i) + " of " + std::to_string(n);
        double sum = 0.0;
        std::size_t count = 0;
        const shapekit::Geometry &readOnly = item;
        readOnly.ForEachRun(shapekit::ConstPointRunFunction([&](const Point *pts, std::size_t c) {
            for (std::size_t j = 0; j < c; ++j)
                sum += pts[j].x;
            count += c;
        }));
        if (count == 0 || !(sum / static_cast<double>(count) > 180.0)) continue;
        item.ForEachRun(shapekit::PointRunFunction([](Point *pts, std::size_t c) {
            for (std::size_t j = 0; j < c; ++j)
                pts[j].x -= kDegreesPerTurn;
        }));
    }
    trace = "Copy to original collection";
}

/// F2 and F3: the working copy back within 180 (in its code-U units) and back to storage units.
void WorkingCopyToStorage(ServiceState &s, GridNeatline &w, std::string &trace) {
    shapekit::PointsCollection &pts = platform::Deref(w.Tfr_Polygon).Points();
    if (s.b180Crossed) {
        trace = "Adjust geographic neatline back to +/- 180 longitude";
        // The copy is still in code-U space here; F3 takes it back to storage units afterwards.
        for (Point &v : pts) {
            if (v.x > 180.0) v.x -= kDegreesPerTurn;
        }
    }
    platform::Deref(s.GridCoordSystem).ConvertPoints(w.U, coordkit::kStorage, pts.data(), pts.size());
}

} // namespace

void NeatlineVertexIndex::Build(const shapekit::PolygonGeometry &polygon) {
    ring_ = polygon.Points().Vector();
    byX_.resize(ring_.size());
    for (std::size_t i = 0; i < ring_.size(); ++i)
        byX_[i] = i;
    byY_ = byX_;
    std::sort(byX_.begin(), byX_.end(),
              [this](std::size_t a, std::size_t b) { return ring_[a].x < ring_[b].x; });
    std::sort(byY_.begin(), byY_.end(),
              [this](std::size_t a, std::size_t b) { return ring_[a].y < ring_[b].y; });
}

int NeatlineVertexIndex::NeighbourSide(std::size_t i, int step, bool vertical, double value,
                                       double tol) const {
    const std::size_t n = ring_.size();
    const Point &v = ring_[i];
    std::size_t j = i;
    for (std::size_t walked = 1; walked < n; ++walked) {
        j = step > 0 ? (j + 1) % n : (j + n - 1) % n;
        const Point &u = ring_[j];
        if (std::fabs(u.x - v.x) <= tol && std::fabs(u.y - v.y) <= tol) continue; // a repeated vertex
        const double across = (vertical ? u.x : u.y) - value;
        if (std::fabs(across) <= tol) return 0;
        return across < 0.0 ? -1 : 1;
    }
    return 0;
}

void NeatlineVertexIndex::DropTouches(bool vertical, double value, double tol,
                                      shapekit::PointsCollection &pts, IntersectionAnglesColl *angles) const {
    if (ring_.size() < 3) return;
    const std::vector<std::size_t> &order = vertical ? byX_ : byY_;
    const auto across = [this, vertical](std::size_t i) { return vertical ? ring_[i].x : ring_[i].y; };
    auto it = std::lower_bound(order.begin(), order.end(), value - tol,
                               [&](std::size_t i, double c) { return across(i) < c; });
    for (; it != order.end() && across(*it) <= value + tol; ++it) {
        const Point &v = ring_[*it];
        const int before = NeighbourSide(*it, -1, vertical, value, tol);
        const int after = NeighbourSide(*it, +1, vertical, value, tol);
        if (before == 0 || before != after) continue; // the line crosses here, or runs along an edge
        for (std::int32_t k = pts.Count(); k >= 1; --k) {
            const Point &p = pts.Item(k);
            if (std::fabs(p.x - v.x) <= tol && std::fabs(p.y - v.y) <= tol) {
                pts.Remove(k);
                if (angles != nullptr && k <= angles->Count()) angles->Remove(k);
            }
        }
    }
}

void RequirePositiveInterval(const Point &interval, const std::string &source) {
    if (!(interval.x > 0.0) || !(interval.y > 0.0))
        RaiseOwn("The grid interval must be greater than 0 on both axes", source);
}

void RequireGridValuesWithinBudget(double start, double limit, double step, const std::string &source) {
    if (platform::Div(platform::Sub(limit, start), step) > kMaxGridValuesPerAxis)
        RaiseOwn("More than 32767 grid values to step through on one axis: the grid offset puts the first "
                 "grid value too far from the frame for the interval",
                 source);
}

bool MapViewIsGeographic(const ServiceState &s) {
    return platform::Deref(s.MapViewCoordSystem).BaseStorageType() == coordkit::kGeographicStorage;
}

double LongitudeWithinHalfTurn(double lon) noexcept {
    const double pi = planicalc::TRG_PI();
    if (!std::isfinite(lon) || (lon <= pi && lon >= -pi)) return lon;
    return std::remainder(lon, planicalc::TRG_2PI());
}

void BeginNeatlinePreparation(ServiceState &s, GridNeatline &w, std::string &trace) {
    w.Tfr_Polygon = CopyPolygon(s.NeatlinePolygon);
    trace = "Setting up CreateSimpleTransFromCSMtoCS FROM the MapView coordsystem TO the Grid coordsystem";
    const coordkit::CoordSystemsMgr &mgr = platform::Deref(s.CoordSystemsMgr);
    w.service = mgr.GetTransformService();
    w.T = platform::Deref(w.service).CreateSimpleTransFromCSMtoCS(mgr, s.GridCoordSystem);
    platform::Deref(w.T);
}

void CompleteNeatlinePreparation(ServiceState &s, GridNeatline &w, std::string &trace) {
    const coordkit::TransformService &service = platform::Deref(w.service);
    const coordkit::CoordTransform &T = platform::Deref(w.T);
    trace = "Transforming neatline geometry TO Grid_CoordSystem storage units";
    service.TransformGeometry(platform::Deref(w.Tfr_Polygon), T, 0);

    trace = "check geographic coordinates to see if 180 crossed";
    s.b180Crossed = false;
    if (platform::Deref(s.GridCoordSystem).BaseStorageType() == coordkit::kGeographicStorage) {
        trace = "Transforming neatline MBR points TO Grid_CoordSystem";
        shapekit::LineGeometry mbr(Point(s.NeatlineLowerLeftMapView.x, s.NeatlineLowerLeftMapView.y),
                                   Point(s.NeatlineUpperRightMapView.x, s.NeatlineUpperRightMapView.y));
        service.TransformGeometry(mbr, T, 0);
        ShiftAcross180(s, w, mbr.Start(), mbr.End(), trace);
    }
    IntoCodeUSpace(s, w);
}

void PrepareNeatline(ServiceState &s, GridNeatline &w, std::string &trace) {
    BeginNeatlinePreparation(s, w, trace);
    CompleteNeatlinePreparation(s, w, trace);
}

void PrepareLabelNeatline(ServiceState &s, const LabelNeatlineSetup &setup, GridNeatline &w,
                          std::string &trace) {
    w.service = setup.service;
    w.T = setup.gridTransform;
    const coordkit::TransformService &service = platform::Deref(w.service);
    const coordkit::CoordTransform &T = platform::Deref(w.T);

    w.Tfr_Polygon = CopyPolygon(s.NeatlinePolygon);
    trace = "Transforming neatline geometry TO alternate CoordSystem";
    service.TransformGeometry(*w.Tfr_Polygon, T, 0);

    trace = "check geographic coordinates to see if 180 crossed";
    s.b180Crossed = false;
    const coordkit::CoordSystem &alternate =
        setup.alternateSystem ? *setup.alternateSystem : platform::Deref(s.GridCoordSystem);
    if (alternate.BaseStorageType() == coordkit::kGeographicStorage) {
        trace = "Transforming neatline MBR points TO alternate CoordSystem";
        // The corners as handed in, in the extents' space, go to the neatline system's storage
        // units, then to the map view, then into the grid system.
        shapekit::LineGeometry mbr(NeatlineCornerInStorage(s, platform::Deref(s.NeatlineLowerLeft)),
                                   NeatlineCornerInStorage(s, platform::Deref(s.NeatlineUpperRight)));
        mbr.Start().z = 0.0;
        mbr.End().z = 0.0;
        service.TransformGeometry(mbr, platform::Deref(setup.neatlineTransform), 1);
        service.TransformGeometry(mbr, T, 0);
        ShiftAcross180(s, w, mbr.Start(), mbr.End(), trace);
    }
    IntoCodeUSpace(s, w);
}

void FinishGridlines(ServiceState &s, GridNeatline &w, shapekit::GeometryCollection &output,
                     std::string &trace) {
    if (s.b180Crossed) BackWithin180(output, trace);
    WorkingCopyToStorage(s, w, trace);
    trace = "Transform Grid geometry to MapView";
    const coordkit::TransformService &service = platform::Deref(w.service);
    const coordkit::CoordTransform &T = platform::Deref(w.T);
    service.TransformGeometry(output, T, 1);
    service.TransformGeometry(*w.Tfr_Polygon, T, 1);
    s.NeatlinePolygon = CopyPolygon(w.Tfr_Polygon);
}

void FinishTicksCrosses(ServiceState &s, GridNeatline &w, shapekit::GeometryCollection &ticks,
                        shapekit::GeometryCollection *crosses, std::string &trace) {
    // Ticks and crosses were placed in map-view coordinates: a longitude shift means something
    // for them only when those coordinates are degrees of longitude.
    if (s.b180Crossed && MapViewIsGeographic(s)) {
        MarksBackWithin180(ticks, trace);
        if (crosses != nullptr) MarksBackWithin180(*crosses, trace);
    }
    WorkingCopyToStorage(s, w, trace);
    platform::Deref(w.service).TransformGeometry(*w.Tfr_Polygon, platform::Deref(w.T), 1);
    s.NeatlinePolygon = CopyPolygon(w.Tfr_Polygon);
}

} // namespace detail
} // namespace parallo
