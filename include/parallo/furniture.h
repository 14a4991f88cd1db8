// The plain front of Parallo: one options struct and one call that returns the furniture of a map
// frame as plain values. It runs the same path as the parallo command (whose JSON configuration is
// read into a FurnitureOptions), so a field here is the command's key of the same name, in the
// same units, with the same default:
//
//   parallo::FurnitureOptions o;
//   o.MapViewCoordSystem = "EPSG:32632";
//   o.NeatlineLowerLeft = shapekit::Point(500000.0, 5400000.0);
//   o.NeatlineUpperRight = shapekit::Point(510000.0, 5410000.0);
//   o.Interval = shapekit::Point(1000.0, 1000.0);
//   parallo::Furniture f = parallo::MakeFurniture(o);
//   if (f.Refusal) std::cerr << f.Refusal->Path << ": " << f.Refusal->Problem << "\n";
//
// Link Parallo::front (pkg-config: parallo-front), which brings Parallo::parallo.
#ifndef PARALLO_FURNITURE_H
#define PARALLO_FURNITURE_H

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "parallo/drawkit.h"
#include "parallo/enums.h"
#include "parallo/shapekit.h"

namespace parallo {

// ---- options ----------------------------------------------------------------------------------

/// A coordinate system by its definition: a text PROJ understands ("EPSG:32632", WKT, a PROJ
/// string, PROJJSON text), and optionally the storage type the service is to keep it in
/// (0 projected, 1 geographic).
struct FurnitureCoordSystem {
    FurnitureCoordSystem() = default;
    FurnitureCoordSystem(std::string text) : definition(std::move(text)) {}
    FurnitureCoordSystem(const char *text) : definition(text) {}
    std::string definition;
    std::optional<std::int32_t> BaseStorageType;
};

/// A label part's font. Weight unset: 700 when Bold, else 400.
struct FurnitureFont {
    std::string Name;
    double Size = 0.0; ///< points; not negative
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    bool Strikethrough = false;
    std::optional<std::int16_t> Weight; ///< 0 to 1000
    std::int16_t Charset = 0;           ///< 0 to 255
};

/// The font of the label parts a configuration leaves to the command: the face the label layout
/// falls back on, at a size that reads on the command's picture (its frame 1000 points across).
constexpr const char *kDefaultLabelFont = "DejaVu Sans";
constexpr double kDefaultLabelFontSize = 9.0; ///< points
/// The gap between the neatline and its labels when LabelOffset is left out, in points on paper
/// at the scale the labels are laid out at.
constexpr double kDefaultLabelGap = 4.0;

/// One of the six label parts. The default part is not displayed.
struct FurnitureLabelPart {
    bool bDisplay = false;
    pxgrdFontType FontType = pxgrdFontType_Normal;
    std::optional<FurnitureFont> Font;
    std::string Text;
};

/// Everything a frame is described by. Each field is the configuration key of the same name:
/// geographic values in AngleUnit (degrees by default), projected corners and stroke distances
/// in the neatline system's unit, projected intervals and offsets in the grid system's unit
/// (LinearUnit "crs"; "metre" for metres), lengths on the map (ticks, crosses, offsets, border,
/// bars) in map-view units. An optional left unset is the key left out of the configuration.
struct FurnitureOptions {
    // Coordinate systems: the map view's is required; the others default to its definition.
    FurnitureCoordSystem MapViewCoordSystem;
    std::optional<FurnitureCoordSystem> NeatlineCoordSystem;
    std::optional<FurnitureCoordSystem> GridCoordSystem;
    ExtentType NeatlineExtentsType = kExtentProjected;
    ExtentType GridIntervalsType = kExtentProjected;
    ExtentType LabelDisplayType = kExtentProjected;
    std::string AngleUnit = "degree"; ///< "degree" or "radian"
    std::string LinearUnit = "crs";   ///< "crs" or "metre"

    // The frame: two corners in the neatline system, or a host's own polygon (map view).
    std::optional<shapekit::Point> NeatlineLowerLeft;
    std::optional<shapekit::Point> NeatlineUpperRight;
    std::optional<std::vector<shapekit::Point>> NeatlinePolygon; ///< 3 to 32767 points
    /// The corners as the corner labels show them; unset: the neatline's corners converted.
    std::optional<shapekit::Point> NeatlineLowerLeftInProjUnits;
    std::optional<shapekit::Point> NeatlineUpperLeftInProjUnits;
    std::optional<shapekit::Point> NeatlineUpperRightInProjUnits;
    std::optional<shapekit::Point> NeatlineLowerRightInProjUnits;

    // Smooth lines: with none of the three stroke settings set, steps are refined to 1e-5 of the
    // frame's size and a neatline whose sides bend in the map view is stroked.
    std::optional<double> NeatlineStrokeDistance;
    std::optional<double> GridStrokeDistance;
    std::optional<bool> bForceStroking;
    std::optional<double> StrokeTolerance; ///< map-view units; not negative

    // Around a pole: the latitude where meridians stop (AngleUnit, 0 up to but not including 90;
    // 0: at the pole) and every k-th meridian that still runs on to the pole (0: none).
    double PolarCapLatitude = 0.0;
    std::int16_t PolarCapMeridianSkip = 0;

    double BorderOffsetRight = 0.0;
    double BorderOffsetLeft = 0.0;
    double BorderOffsetBottom = 0.0;
    double BorderOffsetTop = 0.0;

    // The grid.
    std::optional<shapekit::Point> Interval; ///< above 0 on both axes
    shapekit::Point SkipInterval;
    shapekit::Point GridOffset;
    GridTypeConstants GridType = PXgtSimple;
    double TickLength = 0.0;
    double CrossLength = 0.0;
    // Ticks and labels on every side unless a side is switched off.
    bool PlaceLeftSideGridElements = true;
    bool PlaceTopSideGridElements = true;
    bool PlaceRightSideGridElements = true;
    bool PlaceBottomSideGridElements = true;

    // Labels.
    GridLabelTypeConstants LabelType = PXltEdge;
    /// Unset: kDefaultLabelGap points on paper, outwards (inwards for labels inside the frame).
    std::optional<double> LabelOffset;
    double VerticalLabelOffset = 0.0;
    GridLabelOrientationConstants LabelOrientation = PXloParallelPerpendicular;
    pxgrdLabelPosition LabelPosition = pxgrdLabelPosition_Outside;
    GridLabelPositionConstants LabelPositionRelativeToPoint = PXloAbove;
    std::int16_t MagnitudeAB = 0;
    std::int16_t MagnitudeBC = 0;
    std::int16_t DecimalPlaces = 0; ///< 0 to 15
    bool bGeographicDDMMSS = false;
    bool bHemisphereAsSuffix = false;
    std::string EastingHemisphereLabel;
    std::string NorthingHemisphereLabel;
    std::string WestingHemisphereLabel;
    std::string SouthingHemisphereLabel;
    double Angle = 0.0;
    std::int32_t LabelColor = 0; ///< 0x00BBGGRR
    /// With all six unset, labels show their whole value in one font (kDefaultLabelFont at
    /// kDefaultLabelFontSize): parts A, B and C (the digits, or degrees, minutes and seconds), D
    /// when DecimalPlaces is above 0, the hemisphere when a hemisphere text is given. With any of
    /// them set, an unset part is not displayed.
    std::optional<FurnitureLabelPart> LabelPartA, LabelPartB, LabelPartC, LabelPartD, LabelPartUnit,
        LabelPartHemisphere;

    // Frame styles.
    double FrameBarWidth = 0.0; ///< not negative; 0: no bars
    std::optional<shapekit::Point> FrameBarSubInterval;
    bool bFrameBarCorners = false;
    bool bTicksOutward = false;
    std::optional<shapekit::Point> MinorTickInterval;
    double MinorTickLength = 0.0; ///< not negative
    bool bMinorTicksOutward = false;

    // Label layout: boxes measured at 1:MapScale (unset: the scale of the command's SVG page),
    // overprinting labels hidden.
    std::optional<double> MapScale;
    bool LabelLayout = true;

    /// The methods to run, in order; unset: CreateNeatline, CreateBorder, CreateGridlines,
    /// CreateTicksCrosses, CreateLabels, with CreateFrameBars and CreateFrameTicks before
    /// CreateLabels when the frame styles ask for them.
    std::optional<std::vector<std::string>> calls;
};

// ---- result -----------------------------------------------------------------------------------

/// Which grid value a line stands on: a line of constant x (easting or longitude) or of
/// constant y (northing or latitude).
enum FurnitureAxis : std::int32_t { kAxisUnknown = -1, kAxisX = 0, kAxisY = 1 };

/// A grid line, tick, cross arm, frame tick or minor tick: its vertices in map-view coordinates
/// and the grid value it stands on (its ends taken into the grid system, in that system's unit:
/// degrees for a geographic grid; NaN and kAxisUnknown when that fails).
struct FurnitureLine {
    std::vector<shapekit::Point> Points;
    FurnitureAxis Axis = kAxisUnknown;
    double Value = 0.0;
};

/// One frame bar: its ring (not closed) and whether it is dark.
struct FurnitureBar {
    std::vector<shapekit::Point> Ring;
    bool Filled = false;
};

/// One grid label: its texts, anchor, rotation and justification as the service made them, and
/// what the layout made of it.
struct FurnitureLabel {
    std::string ID;
    std::string LabelString;
    std::string LabelStringA, LabelStringB, LabelStringC, LabelStringD;
    std::string LabelStringUnit, LabelStringHemisphere;
    std::optional<shapekit::Point> Origin; ///< the anchor, map-view coordinates
    double Angle = 0.0;                    ///< degrees
    drawkit::HorizontalJustification HorizontalJustification = drawkit::kHorizontalUnset;
    drawkit::VerticalJustification VerticalJustification = drawkit::kVerticalUnset;
    pxgrdLabelAxis LabelAxis = pxgrdNorth;
    /// The box its text covers (map view), when the layout measured it.
    std::optional<std::array<shapekit::Point, 4>> Box;
    bool Hidden = false;
    /// Why it is hidden: "overlaps", "crossesNeatline", "wrongSide" or "unplaced"; "" if shown.
    std::string HiddenBecause;
    /// The ID of the shown label a hidden one yields to, or "".
    std::string YieldedTo;
};

/// One failure a method reported.
struct FurnitureFailure {
    std::string Method;
    std::string Description;
    std::string Trace;
    std::string Procedure;
};

/// One method run and what it returned (none for the methods without a RetVal).
struct FurnitureCall {
    std::string Method;
    std::optional<std::int32_t> RetVal;
};

/// Refused options: the offending key as the command's JSON path ("$.TickLength",
/// "$.LabelPartA.Font.Size") and what is wrong with it, in the command's words.
struct FurnitureRefusal {
    std::string Path;
    std::string Problem;
};

/// The furniture of one frame, in map-view coordinates. Rings are not closed.
struct Furniture {
    /// Set when the options were refused; then nothing ran and everything else is empty.
    std::optional<FurnitureRefusal> Refusal;
    std::vector<shapekit::Point> Neatline;
    std::vector<shapekit::Point> Border;
    std::vector<FurnitureLine> Gridlines;
    std::vector<FurnitureLine> Ticks;
    std::vector<FurnitureLine> Crosses;
    std::vector<FurnitureBar> FrameBars;
    std::vector<FurnitureLine> FrameTicks;
    std::vector<FurnitureLine> MinorTicks;
    std::vector<FurnitureLabel> Labels;
    /// The scale denominator the label boxes were measured at; 0 when the labels were not laid out.
    double MapScale = 0.0;
    std::vector<FurnitureCall> Calls;
    /// Every failure reported during the run, in order.
    std::vector<FurnitureFailure> Failures;
    /// What the command warns of for these options, one line each without its
    /// "parallo: warning: " (a frame that runs but likely not as meant).
    std::vector<std::string> Warnings;
    /// The failures as the command's lines: "<method>: <description>", with the key to look at
    /// where one is known.
    std::vector<std::string> FailureLines;
};

/// Configures a service from `options`, runs its calls, lays out its labels and returns what
/// they made. Never throws: refused options come back in Furniture::Refusal (the same refusal
/// the command gives for the same configuration, also for a listed method that certainly fails
/// for want of a key), failures of the run in Furniture::Failures. A failure of the machine itself
/// (memory) is a refusal at "$" reading "internal failure: ...". Several threads may call it at
/// once: each call makes its own service and text measurer.
Furniture MakeFurniture(const FurnitureOptions &options) noexcept;

} // namespace parallo

#endif
