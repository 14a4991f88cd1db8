// Label text: the hemisphere texts of the grid system, and one grid value split into the parts
// A, B, C (digit groups, or degrees, minutes and seconds), D (decimals), unit and hemisphere.
// Every procedure runs under its own handler: failures go to ReportError and never leave it.
#ifndef PARALLO_LABELS_TEXT_H
#define PARALLO_LABELS_TEXT_H

#include <cstdint>
#include <memory>
#include <string>

#include "parallo/coordkit.h"
#include "parallo/parallo.h"
#include "parallo/shapekit.h"
#include "platform/reporter.h"

namespace parallo {
namespace detail {

using shapekit::Point;

/// The names of the four hemispheres as the host set them (the ...HemisphereLabel properties).
struct HemisphereNames {
    std::string east;
    std::string west;
    std::string north;
    std::string south;
};

/// The hemisphere texts of the label system's axes: for positive and negative x and y.
struct HemisphereTexts {
    std::string xPositive;
    std::string xNegative;
    std::string yPositive;
    std::string yNegative;
};

/// The label styling of one CreateLabels call, read from the service's properties.
struct LabelStyle {
    GridLabelTypeConstants type = PXltEdge;
    std::int32_t displayType = 0; ///< LabelDisplayType
    pxgrdLabelPosition position = pxgrdLabelPosition_Outside;
    GridLabelPositionConstants relativeToPoint = PXloAbove;
    GridLabelOrientationConstants orientation = PXloParallelPerpendicular;
    double offset = 0.0;         ///< LabelOffset
    double verticalOffset = 0.0; ///< VerticalLabelOffset
    std::int16_t magnitudeAB = 0;
    std::int16_t magnitudeBC = 0;
    std::int16_t decimalPlaces = 0;
    bool geographicDDMMSS = false;
    bool hemisphereAsSuffix = false;
    /// The host's label parts: each label writes its texts into them.
    std::shared_ptr<LabelPartCls> partA;
    std::shared_ptr<LabelPartCls> partB;
    std::shared_ptr<LabelPartCls> partC;
    std::shared_ptr<LabelPartCls> partD;
    std::shared_ptr<LabelPartCls> partUnit;
    std::shared_ptr<LabelPartCls> partHemisphere;
    /// The unit name of the labelled system (UnitLabelText).
    std::string unitText;
    HemisphereTexts hemispheres;
};

/// Sets the four hemisphere texts from the quadrant of `cs`'s axis object: for a projected
/// LabelDisplayType (anything but 1) the two positive texts from ProjectedQuadrant and empty
/// negative texts; for a geographic one all four from GeographicQuadrant. A quadrant outside
/// the tables sets nothing (the negative texts are still emptied for projected display).
void QuadrantStrings(const Reporter &r, std::int32_t LabelDisplayType, const HemisphereNames &names,
                     const std::shared_ptr<coordkit::CoordSystem> &cs, HemisphereTexts &texts) noexcept;

/// Sets the hemisphere part's text for a label on side LabelAxis (0 north, 1 west, 2 east,
/// 3 south) at grid point pt. LabelDisplayType 0 always takes the positive text of the axis;
/// any other display type takes the negative one for a negative X (north, south) or Y (west,
/// east). Axis values outside 0..3 leave the text as it was.
void SetHemisphere(const Reporter &r, const LabelStyle &style, const Point &pt,
                   std::int32_t LabelAxis) noexcept;

/// Adds a label for grid value dValue to `labels`, writes its texts and returns it.
/// LabelDisplayType 0 and 2 split a projected value into digit groups and decimals (units as
/// given), 1 splits radians into degrees, minutes, seconds and decimals; any other value adds no
/// label, returns none, and reports the missing label when the hemisphere part is shown. Each
/// shown part reads as the value rounded to the last part shown. On a failure the label stays in
/// the collection with the texts written so far, and is returned.
std::shared_ptr<GridLabel> SplitUpLabel(const Reporter &r, const LabelStyle &style, GridLabels &labels,
                                        double dValue, std::int32_t LabelDisplayType) noexcept;

} // namespace detail
} // namespace parallo

#endif
