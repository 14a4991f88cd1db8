// Azimuths, label rotation and angle normalisation: the angle between the grid coordinate system
// and the map view at a point, so that ticks and labels turn with the grid.
#include <cmath>
#include <string>

#include "geometry/geometry.h"
#include "platform/angles.h"
#include "platform/numbers.h"

namespace parallo {
namespace detail {

namespace {

const char *const kOutOfRange = "Latitude or Longitude out of range (+/- 90, +/-180)";

/// A grid point east of the 180 degree meridian may carry a longitude beyond +pi once the
/// neatline has been shifted across it (and one west of it beyond -pi): bring it back by whole
/// turns. Longitudes inside -pi..pi, the bounds included, are left exactly as they are; a NaN
/// stays NaN and fails the range check.
double WrapLongitude(double lon) {
    const double pi = platform::kPi;
    if (lon > pi || lon < -pi) {
        if (std::isfinite(lon)) return std::remainder(lon, pi * 2.0);
    }
    return lon;
}

/// Latitude within +-pi/2 and longitude within +-pi, bounds accepted. Written so that a NaN in
/// either fails instead of slipping through every comparison.
void CheckRange(double lon, double lat, const char *procedure) {
    const double pi = platform::kPi;
    const bool inside = lat <= pi * 0.5 && lat >= pi * -0.5 && lon <= pi && lon >= pi * -1.0;
    if (!inside) RaiseOwn(kOutOfRange, procedure);
}

/// The geographic position (radians) of pt given in cs, through the plane-to-geographic
/// conversion, or read straight from pt when the governing extent type is geographic.
void GeographicPosition(std::int32_t governingType, const CoordSystemPtr &cs, const Point &pt, double &lon,
                        double &lat, const char *invalidText, const char *procedure) {
    if (governingType == 1) {
        lon = pt.x;
        lat = pt.y;
        return;
    }
    const coordkit::CoordSystem &sys = platform::Deref(cs);
    if (!sys.CanConvert(coordkit::kProjectionPlane, coordkit::kGeographic)) RaiseOwn(invalidText, procedure);
    double x = pt.x;
    double y = pt.y;
    double z = 0.0;
    sys.ConvertPoint(coordkit::kProjectionPlane, coordkit::kGeographic, x, y, z);
    lon = x;
    lat = y;
}

double AngleAt(const CoordSystemPtr &cs, double lon, double lat) {
    const coordkit::CoordSystem &sys = platform::Deref(cs);
    return platform::Finite(platform::Deref(sys.ProjectionSpace()).GetAngle(lon, lat, 0.0));
}

/// The direction of the parallel through (lon, lat) radians in the plane of cs. The degree
/// values are recomputed for each call, since GetLatitudeDirection overwrites its inputs.
double ParallelDirection(const Reporter &r, const CoordSystemPtr &cs, double lon, double lat) {
    const double r2d = platform::kDegreesPerRadian;
    double lonDeg = platform::Mul(lon, r2d);
    double latDeg = platform::Mul(lat, r2d);
    double height = 0.0;
    double azimuth = 0.0; // stays 0 when GetLatitudeDirection reports a failure
    GetLatitudeDirection(r, cs, lonDeg, latDeg, height, azimuth);
    return azimuth;
}

} // namespace

void GetAzimuths(const AngleFrame &f, const CoordSystemPtr &cs, const Point &pt, double &dAngleDelta,
                 double &dParallelDelta, bool parallelWanted) noexcept {
    // Literal traces: this runs for every tick and every cross, and a std::string of these texts
    // would be a heap allocation per call.
    const char *trace = "In GetAzimuths";
    try {
        trace = "Determining BaseStorageType";
        double lon = 0.0;
        double lat = 0.0;
        GeographicPosition(f.intervalsType, cs, pt, lon, lat, "Invalid Transformation in GetAzimuths",
                           "GetAzimuths");
        lon = WrapLongitude(lon);
        CheckRange(lon, lat, "GetAzimuths");

        const double angleMap = AngleAt(f.mapView, lon, lat);
        const double angleCs = AngleAt(cs, lon, lat);
        const double angleDelta = platform::Sub(angleCs, angleMap);

        if (!parallelWanted) {
            // Ticks and crosses turn with the grid line only: the parallel's direction, four
            // more conversions per point, would be found and thrown away.
            dAngleDelta = angleDelta;
            return;
        }
        const double dirMap = ParallelDirection(f.reporter, f.mapView, lon, lat);
        const double dirCs = ParallelDirection(f.reporter, cs, lon, lat);
        const double parallelDelta = platform::Add(platform::Sub(dirCs, dirMap), platform::kPi / 2.0);

        dAngleDelta = angleDelta;
        dParallelDelta = parallelDelta;
    } catch (...) {
        f.reporter.ReportError(DescribeCurrentException(), trace, "GetAzimuths Error");
    }
}

void GetLabelRotation(const AngleFrame &f, GridLabelTypeConstants labelType, std::int32_t neatlineExtentsType,
                      const CoordSystemPtr &csFrom, const Point &pt, double &dRotation,
                      double &dParallelRotation, const CoordSystemPtr &csGrid, std::int32_t &RetVal,
                      const Point *ptCorner) noexcept {
    std::string trace = "In GetLabelRotation";
    try {
        trace = "Determining BaseStorageType";
        double lon = 0.0;
        double lat = 0.0;
        if (labelType == PXltEdge || labelType == PXltCorner) {
            const bool corner = labelType == PXltCorner;
            const std::int32_t governing = corner ? neatlineExtentsType : f.intervalsType;
            const Point *source = &pt;
            if (corner && governing == 1) {
                if (ptCorner == nullptr) Raise(kObjectNotSet);
                source = ptCorner;
            }
            GeographicPosition(governing, csFrom, *source, lon, lat,
                               "Invalid Transformation in GetLabelRotation", "GetLabelRotation");
        }
        lon = WrapLongitude(lon);
        CheckRange(lon, lat, "GetLabelRotation");

        const double r2d = platform::kDegreesPerRadian;
        const double angleMap = AngleAt(f.mapView, lon, lat);
        const double angleGrid = AngleAt(csGrid, lon, lat);
        const double rotation = platform::Mul(platform::Sub(angleMap, angleGrid), r2d);

        const double dirMap = ParallelDirection(f.reporter, f.mapView, lon, lat);
        const double dirGrid = ParallelDirection(f.reporter, csGrid, lon, lat);
        const double parallelRotation =
            platform::Mul(platform::Sub(dirGrid, dirMap), platform::kDegreesPerRadian);

        dRotation = rotation;
        dParallelRotation = parallelRotation;
    } catch (...) {
        // Every failure, not only the two own checks, leaves the label without a rotation: tell
        // the caller so that it does not place the label with a stale one.
        RetVal = -1;
        f.reporter.ReportError(DescribeCurrentException(), trace, "GetLabelRotation Error");
    }
}

void GetLatitudeDirection(const Reporter &r, const CoordSystemPtr &cs, double &dLonDeg, double &dLatDeg,
                          double &dHeight, double &dAzimuth) noexcept {
    const char *trace = "In GetLatitudeDirection"; // a literal, as in GetAzimuths
    try {
        const coordkit::CoordSystem &sys = platform::Deref(cs);
        if (sys.BaseStorageType() == coordkit::kGeographicStorage) {
            // Parallels run due east in a geographic plane.
            dAzimuth = platform::kPi / 2.0;
            return;
        }
        // A second point 0.0006 degrees of longitude east of the given one: the eastward
        // direction of the parallel in the plane. On the 180 degree meridian that neighbour lies
        // beyond it, and a map whose own edge is there (a whole-world Mercator) throws it to its
        // far side, turning the parallel half a turn: there the neighbour is taken as far west,
        // and the direction from it to the point is the eastward one.
        const bool westward = dLonDeg + 0.0006 > 180.0;
        double x2 =
            platform::Mul(westward ? dLonDeg - 0.0006 : dLonDeg + 0.0006, platform::kRadiansPerDegree);
        double y2 = platform::Mul(dLatDeg, platform::kRadiansPerDegree);
        sys.ConvertPoint(coordkit::kGeographic, coordkit::kProjectionPlane, x2, y2, dHeight);

        dLonDeg = platform::Mul(dLonDeg, platform::kRadiansPerDegree);
        dLatDeg = platform::Mul(dLatDeg, platform::kRadiansPerDegree);
        sys.ConvertPoint(coordkit::kGeographic, coordkit::kProjectionPlane, dLonDeg, dLatDeg, dHeight);

        double azimuth = 0.0;
        if (westward)
            GetSegmentAzimuth(x2, y2, dLonDeg, dLatDeg, azimuth);
        else
            GetSegmentAzimuth(dLonDeg, dLatDeg, x2, y2, azimuth);
        dAzimuth = platform::Finite(azimuth);
    } catch (...) {
        r.ReportError(DescribeCurrentException(), trace, "GetLatitudeDirection Error");
    }
}

void GetSegmentAzimuth(double x1, double y1, double x2, double y2, double &dAzimuth) noexcept {
    const double pi = platform::kPi;
    const double dx = x2 - x1;
    const double dy = y2 - y1;
    double a = 0.0;
    if (dy == 0.0) {
        const double sign = dx > 0.0 ? 1.0 : (dx < 0.0 ? -1.0 : 0.0);
        a = sign * pi / 2.0;
    } else {
        // dx / dy may overflow for a nearly level vector; the arc tangent of the infinity is the
        // right limit (+-pi/2). A NaN travels on and is caught by the caller's finiteness check.
        a = std::atan(dx / dy);
    }
    if (dx > 0.0) {
        dAzimuth = dy >= 0.0 ? std::fabs(a) : pi + a;
    } else {
        // Due north and a zero-length vector give 2 pi, never 0.
        dAzimuth = dy < 0.0 ? pi + a : pi * 2.0 + a;
    }
}

double Normalize_Angle(const Reporter &r, double &dAngle, std::int32_t iQuadrant) noexcept {
    std::string trace = "In Normalize_Angle";
    try {
        double angle = platform::Finite(dAngle);
        // Into -180..180 by whole turns. fmod is exact, so this gives the same value as
        // subtracting (or adding) 360 turn by turn, also for angles so large that a turn is
        // below their precision.
        if (angle > 180.0 || angle < -180.0) {
            angle = std::fmod(angle, 360.0);
            if (angle > 180.0)
                angle -= 360.0;
            else if (angle < -180.0)
                angle += 360.0;
        }
        if (angle > 90.0)
            angle = 180.0 - angle;
        else if (angle < -90.0)
            angle = -180.0 - angle;
        dAngle = angle;
        const double A = std::fabs(angle);

        trace = "Select Quadrant";
        switch (iQuadrant) {
        case 1:
            return A;
        case 2:
            return 180.0 - A;
        case 3:
            return 180.0 + A;
        case 4:
            return 360.0 - A;
        default:
            return 0.0;
        }
    } catch (...) {
        r.ReportError(DescribeCurrentException(), trace, "Normalize_Angle Error");
        return 0.0;
    }
}

} // namespace detail
} // namespace parallo
