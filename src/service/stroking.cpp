// Stroking of the neatline rectangle, and the stroke distances proposed for neatline and grid.
//
// A rectangle given by two corners in one coordinate system bends when it is carried into
// another; placing points along each side at a fixed step lets the shape survive the later
// transformation to the map view.
#include "service/stroking.h"

#include <cmath>
#include <string>
#include <vector>

#include "platform/angles.h"
#include "platform/numbers.h"
#include "service/state.h"

namespace parallo {

using platform::Add;
using platform::Add16;
using platform::Deref;
using platform::Div;
using platform::Mul;
using platform::Sub;

namespace detail {

namespace {

/// Appends one point (z = 0) to the ring and counts it on 16 bits: the 32768th point overflows.
void AppendPoint(StrokedRing &ring, std::int16_t &c, double x, double y) {
    ring.points.Add(Point(x, y));
    c = Add16(c, 1);
}

/// Number of whole steps d in a side of length `length` (rounded towards minus infinity, as a
/// 32-bit integer) and the partial step r that is placed first.
void SideSteps(double length, double d, std::int32_t &n, double &r) {
    n = platform::CLng(platform::Int(Div(length, d)));
    r = Sub(length, Mul(static_cast<double>(n), d));
}

/// Whether the corners of the neatline are angles (radians): given as geographic extents, or
/// in a system whose projection plane is geographic.
bool NeatlineCornersAreAngles(std::int32_t extentsType, const CoordSystemPtr &system) {
    if (extentsType == 1) return true;
    return system && system->BaseStorageType() == coordkit::kGeographicStorage;
}

} // namespace

double EastwardWidthAcrossAntimeridian(double x0, double x1) {
    const double half = Mul(180.0, platform::kRadiansPerDegree);
    return Add(Sub(half, x0), Add(x1, half));
}

void StrokeRectangle(double x0, double y0, double x1, double y1, double d, double eastwardWidth,
                     StrokedRing &ring, const SideStarts *live) {
    std::int16_t c = 0;
    std::int32_t n = 0;
    double r = 0.0;

    // Lower-left corner, then the left side upwards: the partial step at the bottom, the last
    // point of the run on y1.
    AppendPoint(ring, c, x0, y0);
    const double height = Sub(y1, y0);
    SideSteps(height, d, n, r);
    for (std::int64_t i = 0; i <= n; ++i)
        AppendPoint(ring, c, x0, y0 + r + static_cast<double>(i) * d);

    AppendPoint(ring, c, x0, y1);
    ring.startTop = c;
    if (live) live->top = c;

    // Top side rightwards. Across the 180° meridian the run goes east from x0 over the meridian,
    // so its last longitude is x1 + 360°.
    const bool eastward = eastwardWidth > 0.0;
    const double width = eastward ? eastwardWidth : Sub(x1, x0);
    const double xEast = eastward ? Add(x0, width) : x1;
    SideSteps(width, d, n, r);
    for (std::int64_t i = 0; i <= n; ++i)
        AppendPoint(ring, c, x0 + r + static_cast<double>(i) * d, y1);

    AppendPoint(ring, c, x1, y1);
    ring.startRight = c;
    if (live) live->right = c;

    // Right side downwards.
    SideSteps(height, d, n, r);
    for (std::int64_t i = 0; i <= n; ++i)
        AppendPoint(ring, c, x1, y1 - r - static_cast<double>(i) * d);

    AppendPoint(ring, c, x1, y0);
    ring.startBottom = c;
    if (live) live->bottom = c;

    // Bottom side leftwards, over the same longitudes as the top run.
    SideSteps(width, d, n, r);
    for (std::int64_t i = 0; i <= n; ++i)
        AppendPoint(ring, c, xEast - r - static_cast<double>(i) * d, y0);

    AppendPoint(ring, c, x0, y0);
}

void Create_Stroked_Rectangle(const Reporter &r, const NeatlineRectangle &rect, const SideStarts &starts,
                              bool &forceStroking,
                              std::shared_ptr<shapekit::PolygonGeometry> &objCP) noexcept {
    std::string trace = "In Create_Stroked_Rectangle";
    try {
        const Point &lowerLeft = Deref(rect.lowerLeft);
        const Point &upperRight = Deref(rect.upperRight);
        const double x0 = lowerLeft.x;
        const double y0 = lowerLeft.y;
        const double x1 = upperRight.x;
        const double y1 = upperRight.y;
        const double d = rect.strokeDistance;

        // A geographic frame across the 180° meridian is stroked eastwards over the meridian;
        // stroking from x0 to x1 would give its top and bottom no points at all, and they would
        // become straight chords on any view where parallels curve. A reversed rectangle in
        // projected units keeps its empty runs.
        double eastwardWidth = 0.0;
        if (CrossesAntimeridian(x0, x1) && NeatlineCornersAreAngles(rect.extentsType, rect.system))
            eastwardWidth = EastwardWidthAcrossAntimeridian(x0, x1);

        StrokedRing ring;
        StrokeRectangle(x0, y0, x1, y1, d, eastwardWidth, ring, &starts);
        const std::int16_t c = static_cast<std::int16_t>(ring.points.Count());

        // Into storage units, deciding on the way whether the conversion moved any point off its
        // side's coordinate: only then is stroking needed for later runs.
        const std::int32_t fromSpace = NeatlineInputSpace(rect.extentsType);
        const std::vector<Point> before = ring.points.Vector();
        Deref(rect.system)
            .ConvertPoints(fromSpace, coordkit::kStorage, ring.points.data(), ring.points.size());

        bool changed = false;
        bool vertical = true;
        double reference = 0.0;
        for (std::int32_t i = 1; i <= ring.points.Count(); ++i) {
            const Point &original = before[static_cast<std::size_t>(i - 1)];
            const Point &converted = ring.points.Item(i);
            if (i == 1 || i == ring.startRight) {
                vertical = true;
                reference = original.x;
            } else if (i == ring.startTop || i == ring.startBottom) {
                vertical = false;
                reference = original.y;
            }
            if (!changed) changed = vertical ? converted.x != reference : converted.y != reference;
        }
        forceStroking = changed;

        shapekit::GeometryBuilder builder;
        builder.StartPolygon();
        builder.AddPolygonPoints(c, ring.points, false);
        builder.EndPolygon();
        objCP = shapekit::As<shapekit::PolygonGeometry>(builder.GetGeometry());
        ring.points.Clear();
        builder.Reset();
    } catch (...) {
        r.ReportError(DescribeCurrentException(), trace, "Create_Stroked_Rectangle Error");
    }
}

double Validate_StrokeDistance(const Reporter &r, double &dStroke, const Point &pt1,
                               const Point &pt2) noexcept {
    std::string trace = "In Validate_StrokeDistance";
    try {
        // Signed extents: the larger of the two decides, without absolute values.
        const double dx = Sub(pt2.x, pt1.x);
        const double dy = Sub(pt2.y, pt1.y);
        double m = dx;
        if (dx < dy) m = dy;
        if (dStroke == 0.0 || dStroke > m) dStroke = m;
        // At most 10000 steps along the larger extent.
        if (Div(m, dStroke) > 10000.0) dStroke = Div(m, 10000.0);
        return dStroke;
    } catch (...) {
        r.ReportError(DescribeCurrentException(), trace, "Validate_StrokeDistance Error");
        return 0.0;
    }
}

void Set_DefaultStrokingGrid(const PointPtr &interval, double &dStroke) noexcept {
    try {
        // Only the x interval counts.
        const double proposal = Div(Deref(interval).x, 10.0);
        dStroke = proposal;
    } catch (...) {
        // No report: the argument keeps its value.
    }
}

void Set_DefaultStrokingNeatline(const PointPtr &lowerLeftCorner, const PointPtr &upperRightCorner,
                                 const CoordSystemPtr &neatlineSystem,
                                 double &dNeatlineStrokingDistance) noexcept {
    std::string trace;
    try {
        trace = "Set up range coords";
        const Point &lowerLeft = Deref(lowerLeftCorner);
        const Point &upperRight = Deref(upperRightCorner);
        const double x0 = lowerLeft.x;
        const double y0 = lowerLeft.y;
        const double x1 = upperRight.x;
        const double y1 = upperRight.y;

        trace = "180 check";
        bool crossed = false;
        if (Deref(neatlineSystem).BaseStorageType() == coordkit::kGeographicStorage) {
            trace = "Check whether the 180 longitude line is crossed";
            crossed = CrossesAntimeridian(x0, x1);
        }

        trace = "set up the window width and height";
        const double w = crossed ? EastwardWidthAcrossAntimeridian(x0, x1) : Sub(x1, x0);
        const double h = Sub(y1, y0);

        trace = "get the larger of the two dimensions";
        double larger = w;
        if (h > w) larger = h;
        // Through its 15-digit text, so the proposal carries no digits beyond those a host sees.
        larger = platform::ParseDouble(platform::DoubleText(larger));

        dNeatlineStrokingDistance = std::fabs(Div(larger, 100.0));
    } catch (...) {
        // No report: the argument keeps its value.
    }
}

} // namespace detail

void ParalloCls::Create_Stroked_Rectangle(PolygonPtr &objCP) noexcept {
    detail::ServiceState &s = *d_;
    detail::Create_Stroked_Rectangle(s,
                                     {s.NeatlineLowerLeft, s.NeatlineUpperRight, s.NeatlineCoordSystem,
                                      s.NeatlineExtentsType, s.NeatlineStrokeDistance},
                                     {s.NeatlineStartTop, s.NeatlineStartRight, s.NeatlineStartBottom},
                                     s.bForceStroking, objCP);
}

void ParalloCls::Set_DefaultStrokingGrid(double &dStroke) noexcept {
    detail::Set_DefaultStrokingGrid(d_->Interval, dStroke);
}

void ParalloCls::Set_DefaultStrokingNeatline(double &dNeatlineStrokingDistance) noexcept {
    const detail::ServiceState &s = *d_;
    detail::Set_DefaultStrokingNeatline(s.NeatlineLowerLeft, s.NeatlineUpperRight, s.NeatlineCoordSystem,
                                        dNeatlineStrokingDistance);
}

} // namespace parallo
