// Parallo: the furniture of a map frame (neatline, border, grid lines, ticks, crosses and grid
// labels) computed in map-view coordinates. A host includes this header for the service and its
// records, and the headers of the outside components it constructs.
#ifndef PARALLO_PARALLO_H
#define PARALLO_PARALLO_H

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "parallo/coordkit.h"
#include "parallo/enums.h"
#include "parallo/error.h"
#include "parallo/export.h"
#include "parallo/records.h"
#include "parallo/shapekit.h"
#include "parallo/version.h"

namespace parallo {

namespace detail {
struct ServiceState;
struct StateAccess;
} // namespace detail

/// Receives the three texts of every failure report of a generation method: the failure's
/// description, the trace text (the step the method had reached) and the title ("<Name> Error").
using ErrorObserver =
    std::function<void(const std::string& description, const std::string& trace, const std::string& title)>;

/// The grid service. A host sets its coordinate systems, corners, intervals and label styling,
/// calls the generation methods and reads the results from its properties.
///
/// Object-valued properties keep the host's reference: a later change the host makes to a
/// Point, coordinate system or label part it handed in is seen by the next generation call.
/// Generation methods never throw: a failure is reported to the error observer (if any) and the
/// method returns normally, keeping whatever it had written. Angles are radians unless stated,
/// projected lengths in projection-plane metres, results in map-view coordinates.
/// One object is used by one thread at a time; objects on different threads are independent.
class PARALLO_EXPORT ParalloCls {
public:
    using Point = shapekit::Point;
    using PointPtr = std::shared_ptr<shapekit::Point>;
    using PolygonPtr = std::shared_ptr<shapekit::PolygonGeometry>;
    using CollectionPtr = std::shared_ptr<shapekit::GeometryCollection>;
    using CoordSystemPtr = std::shared_ptr<coordkit::CoordSystem>;
    using LabelPartPtr = std::shared_ptr<LabelPartCls>;

    ParalloCls();
    ~ParalloCls();
    ParalloCls(const ParalloCls&) = delete;
    ParalloCls& operator=(const ParalloCls&) = delete;
    ParalloCls(ParalloCls&&) noexcept;
    ParalloCls& operator=(ParalloCls&&) noexcept;

    // ---- failure reports ------------------------------------------------------------------
    /// Installs (or, with an empty function, removes) the observer of failure reports. An
    /// exception the observer throws is swallowed.
    void SetErrorObserver(ErrorObserver observer);

    // ---- properties -----------------------------------------------------------------------
    /// Always 0.
    std::int32_t Status() const noexcept;

    void SetLabelPosition(pxgrdLabelPosition value) noexcept;
    void SetLabelPositionRelativeToPoint(GridLabelPositionConstants value) noexcept;

    /// Where the top, right and bottom sides begin in the stroked neatline's point list (1-based,
    /// as decimal text); "0" before any stroking.
    std::string NeatlineStartTop() const;
    std::string NeatlineStartRight() const;
    std::string NeatlineStartBottom() const;

    const PointPtr& GridOffset() const noexcept;
    void SetGridOffset(PointPtr value) noexcept;

    bool bForceStroking() const noexcept;
    void SetbForceStroking(bool value) noexcept;
    bool bGeographicDDMMSS() const noexcept;
    void SetbGeographicDDMMSS(bool value) noexcept;

    void SetCoordSystemsMgr(std::shared_ptr<coordkit::CoordSystemsMgr> value) noexcept;
    void SetUnitsOfMeasure(std::shared_ptr<coordkit::UnitsOfMeasure> value) noexcept;

    const CoordSystemPtr& MapViewCoordSystem() const noexcept;
    void SetMapViewCoordSystem(CoordSystemPtr value) noexcept;
    const CoordSystemPtr& NeatlineCoordSystem() const noexcept;
    void SetNeatlineCoordSystem(CoordSystemPtr value) noexcept;
    const CoordSystemPtr& GridCoordSystem() const noexcept;
    void SetGridCoordSystem(CoordSystemPtr value) noexcept;

    /// 1: the neatline corners are geographic (radians); any other value: projection-plane units.
    void SetNeatlineExtentsType(std::int32_t value) noexcept;
    /// Step length for stroking the neatline, in the units of the corners.
    void SetNeatlineStrokeDistance(double value) noexcept;
    /// 1: Interval, SkipInterval and GridOffset are angles in radians; otherwise linear units.
    void SetGridIntervalsType(std::int32_t value) noexcept;

    double GridStrokeDistance() const noexcept;
    void SetGridStrokeDistance(double value) noexcept;

    /// How far, in map-view units, a drawn step of a grid line or of a stroked neatline may stray
    /// at its middle from the true line: steps are halved until every one stays within it
    /// (at most 10000 steps per grid line, 32767 neatline points). 0 (the default) keeps the
    /// fixed steps of GridStrokeDistance and NeatlineStrokeDistance alone; a positive value
    /// refines those steps where the line bends.
    double StrokeTolerance() const noexcept;
    void SetStrokeTolerance(double value) noexcept;

    /// On a frame that holds a pole inside (a geographic grid only): the latitude, in radians
    /// as a magnitude (0 < value < pi/2, north or south alike), at which the meridians stop
    /// short of the pole; 0 (the default) lets every meridian run to the pole. CreateGridlines
    /// reports any other value and draws nothing.
    double PolarCapLatitude() const noexcept;
    void SetPolarCapLatitude(double value) noexcept;
    /// With PolarCapLatitude: every k-th meridian of the interval, counted from longitude 0,
    /// still runs to the pole; 0 (the default) stops them all. CreateGridlines reports a
    /// negative value and draws nothing.
    std::int16_t PolarCapMeridianSkip() const noexcept;
    void SetPolarCapMeridianSkip(std::int16_t value) noexcept;

    /// Distances of the border outside the neatline's sides, map-view units.
    double BorderOffsetRight() const noexcept;
    void SetBorderOffsetRight(double value) noexcept;
    double BorderOffsetLeft() const noexcept;
    void SetBorderOffsetLeft(double value) noexcept;
    double BorderOffsetBottom() const noexcept;
    void SetBorderOffsetBottom(double value) noexcept;
    double BorderOffsetTop() const noexcept;
    void SetBorderOffsetTop(double value) noexcept;

    GridTypeConstants GridType() const noexcept;
    void SetGridType(GridTypeConstants value) noexcept;
    double TickLength() const noexcept;
    void SetTickLength(double value) noexcept;
    double CrossLength() const noexcept;
    void SetCrossLength(double value) noexcept;

    const PointPtr& SkipInterval() const noexcept;
    void SetSkipInterval(PointPtr value) noexcept;
    const PointPtr& Interval() const noexcept;
    void SetInterval(PointPtr value) noexcept;

    /// The frame in map-view coordinates. The grid line and tick generators hand it back carried
    /// to the grid system and back, with the vertices it had: the points they insert along its
    /// edges to follow it in the grid system stay their own.
    const PolygonPtr& NeatlinePolygon() const noexcept;
    void SetNeatlinePolygon(PolygonPtr value) noexcept;
    const PolygonPtr& BorderPolygon() const noexcept;

    /// Stored and returned; no operation reads it.
    double Angle() const noexcept;
    void SetAngle(double value) noexcept;

    const PointPtr& NeatlineUpperRight() const noexcept;
    void SetNeatlineUpperRight(PointPtr value) noexcept;
    const PointPtr& NeatlineLowerLeft() const noexcept;
    void SetNeatlineLowerLeft(PointPtr value) noexcept;
    void SetNeatlineLowerLeftInProjUnits(PointPtr value) noexcept;
    void SetNeatlineUpperRightInProjUnits(PointPtr value) noexcept;
    void SetNeatlineUpperLeftInProjUnits(PointPtr value) noexcept;
    void SetNeatlineLowerRightInProjUnits(PointPtr value) noexcept;

    const CollectionPtr& GridGeometry() const noexcept;
    const CollectionPtr& CrossGeometry() const noexcept;
    const std::shared_ptr<GridLabels>& LabelsCollection() const noexcept;
    /// No operation fills it: always no object.
    CollectionPtr LabelGeometry() const noexcept;

    GridLabelTypeConstants LabelType() const noexcept;
    void SetLabelType(GridLabelTypeConstants value) noexcept;
    std::int32_t LabelDisplayType() const noexcept;
    void SetLabelDisplayType(std::int32_t value) noexcept;
    /// Stored and returned; no operation reads it.
    std::int32_t LabelColor() const noexcept;
    void SetLabelColor(std::int32_t value) noexcept;
    double LabelOffset() const noexcept;
    void SetLabelOffset(double value) noexcept;
    double VerticalLabelOffset() const noexcept;
    void SetVerticalLabelOffset(double value) noexcept;
    GridLabelOrientationConstants LabelOrientation() const noexcept;
    void SetLabelOrientation(GridLabelOrientationConstants value) noexcept;

    std::int16_t MagnitudeAB() const noexcept;
    void SetMagnitudeAB(std::int16_t value) noexcept;
    std::int16_t MagnitudeBC() const noexcept;
    void SetMagnitudeBC(std::int16_t value) noexcept;
    std::int16_t DecimalPlaces() const noexcept;
    void SetDecimalPlaces(std::int16_t value) noexcept;

    void SetPlaceLeftSideGridElements(bool value) noexcept;
    void SetPlaceTopSideGridElements(bool value) noexcept;
    void SetPlaceRightSideGridElements(bool value) noexcept;
    void SetPlaceBottomSideGridElements(bool value) noexcept;

    const LabelPartPtr& LabelPartA() const noexcept;
    void SetLabelPartA(LabelPartPtr value) noexcept;
    const LabelPartPtr& LabelPartB() const noexcept;
    void SetLabelPartB(LabelPartPtr value) noexcept;
    const LabelPartPtr& LabelPartC() const noexcept;
    void SetLabelPartC(LabelPartPtr value) noexcept;
    const LabelPartPtr& LabelPartD() const noexcept;
    void SetLabelPartD(LabelPartPtr value) noexcept;
    const LabelPartPtr& LabelPartUnit() const noexcept;
    void SetLabelPartUnit(LabelPartPtr value) noexcept;
    const LabelPartPtr& LabelPartHemisphere() const noexcept;
    void SetLabelPartHemisphere(LabelPartPtr value) noexcept;

    bool bHemisphereAsSuffix() const noexcept;
    void SetbHemisphereAsSuffix(bool value) noexcept;
    void SetEastingHemisphereLabel(const std::string& value);
    void SetNorthingHemisphereLabel(const std::string& value);
    void SetWestingHemisphereLabel(const std::string& value);
    void SetSouthingHemisphereLabel(const std::string& value);

    // ---- frame styles: bars and ticks on the frame itself ---------------------------------
    /// Width of one band of frame bars outside the neatline, map-view units (> 0 to make bars).
    double FrameBarWidth() const noexcept;
    void SetFrameBarWidth(double value) noexcept;
    /// Per-axis sub-interval (grid units, like Interval) of the nautical style: when set with
    /// both values > 0, CreateFrameBars stacks two bands, the inner one cut at this sub-interval
    /// and the outer one at Interval. Unset or zero: one band cut at Interval.
    const PointPtr& FrameBarSubInterval() const noexcept;
    void SetFrameBarSubInterval(PointPtr value) noexcept;
    /// Whether the corner squares of the bands are filled (dark) or left open (light).
    bool bFrameBarCorners() const noexcept;
    void SetbFrameBarCorners(bool value) noexcept;
    /// Frame ticks of TickLength point away from the frame (true) or into the map (false).
    bool bTicksOutward() const noexcept;
    void SetbTicksOutward(bool value) noexcept;
    /// Per-axis interval of minor frame ticks (grid units); unset or zero: no minor ticks.
    const PointPtr& MinorTickInterval() const noexcept;
    void SetMinorTickInterval(PointPtr value) noexcept;
    /// Length of minor frame ticks, map-view units.
    double MinorTickLength() const noexcept;
    void SetMinorTickLength(double value) noexcept;
    bool bMinorTicksOutward() const noexcept;
    void SetbMinorTicksOutward(bool value) noexcept;
    /// The frame bars as polygons, written by CreateFrameBars.
    const CollectionPtr& FrameBarGeometry() const noexcept;
    /// One entry per polygon of FrameBarGeometry, in the same order: true for a dark bar.
    const std::vector<bool>& FrameBarFills() const noexcept;
    /// Frame ticks (two-point lines from the neatline), written by CreateFrameTicks.
    const CollectionPtr& FrameTickGeometry() const noexcept;
    /// Minor frame ticks, written by CreateFrameTicks.
    const CollectionPtr& MinorTickGeometry() const noexcept;

    // ---- generation methods (never throw) -------------------------------------------------
    /// The neatline polygon in map-view coordinates, stroked or plain, its bounding box and
    /// its two corners in map-view coordinates. RetVal is left as passed.
    void CreateNeatline(std::int32_t& RetVal) noexcept;
    void CreateNeatline() noexcept;
    /// The border polygon around the neatline's bounding box. RetVal is left as passed.
    void CreateBorder(std::int32_t& RetVal) noexcept;
    void CreateBorder() noexcept;
    /// Grid lines cut to the neatline, densified, into GridGeometry. RetVal: 0, 1 or -1 as the
    /// last gridline-neatline intersection left it.
    void CreateGridlines(std::int32_t& RetVal) noexcept;
    /// Edge ticks into GridGeometry and interior crosses into CrossGeometry.
    void CreateTicksCrosses(std::int32_t& RetVal) noexcept;
    /// A fresh LabelsCollection of edge or corner labels.
    void CreateLabels(std::int32_t& RetVal) noexcept;
    void CreateLabels() noexcept;
    /// Bars of alternating fill in a band outside the neatline, cut where the grid values at
    /// Interval (and, for the nautical style, at FrameBarSubInterval) meet the neatline: polygons
    /// into FrameBarGeometry and their fills into FrameBarFills. Reads the neatline and the grid
    /// system only; SkipInterval does not apply. RetVal: 0 on entry, 1 once crossings are found,
    /// -1 on failure.
    void CreateFrameBars(std::int32_t& RetVal) noexcept;
    /// Ticks from the neatline, square to the local frame edge: TickLength at the Interval
    /// crossings into FrameTickGeometry (outward with bTicksOutward), MinorTickLength at the
    /// MinorTickInterval crossings that are no Interval values into MinorTickGeometry (outward
    /// with bMinorTicksOutward). RetVal as for CreateFrameBars.
    void CreateFrameTicks(std::int32_t& RetVal) noexcept;

    /// The stroked neatline rectangle in the neatline system's storage units; objCP is replaced
    /// on success and left as it was on failure.
    void Create_Stroked_Rectangle(PolygonPtr& objCP) noexcept;
    /// Intersects segment S1V1-S1V2 with S2V1-S2V2: type, point and angle (radians, 0..2 pi).
    void LCL_SegmentIntersectSegment(const Point& S1V1, const Point& S1V2, const Point& S2V1,
                                     const Point& S2V2, PointPtr& ip, std::int32_t& IntersectionType,
                                     double& IntersectAngle) noexcept;
    /// Proposes a grid stroke distance (Interval.x / 10); dStroke is untouched on failure.
    void Set_DefaultStrokingGrid(double& dStroke) noexcept;
    /// Proposes a neatline stroke distance (the larger frame extent / 100).
    void Set_DefaultStrokingNeatline(double& dNeatlineStrokingDistance) noexcept;
    /// Proposes a grid interval (1-2-5 steps) and the decimal places to label it with.
    void CalcGridInterval(std::int16_t& iDecPlaces, double& dInterval) noexcept;

private:
    friend struct detail::StateAccess;
    std::unique_ptr<detail::ServiceState> d_;
};

} // namespace parallo

#endif
