// Label text: the hemisphere texts of the grid system, and one grid value split into the parts
// A, B, C (digit groups, or degrees, minutes and seconds), D (decimals), unit and hemisphere.
// Every procedure runs under its own handler: failures go to ReportError and never leave it.
#ifndef PARALLO_LABELS_TEXT_H
#define PARALLO_LABELS_TEXT_H

#include <cstdint>
#include <memory>

#include "parallo/coordkit.h"
#include "parallo/shapekit.h"
#include "service/state.h"

namespace parallo {
namespace detail {

/// Sets the four hemisphere texts from the quadrant of `cs`'s axis object: for a projected
/// LabelDisplayType (anything but 1) the two positive texts from ProjectedQuadrant and empty
/// negative texts; for a geographic one all four from GeographicQuadrant. A quadrant outside
/// the tables sets nothing (the negative texts are still emptied for projected display).
void QuadrantStrings(ServiceState &s, const std::shared_ptr<coordkit::CoordSystem> &cs) noexcept;

/// Sets LabelPartHemisphere's text for a label on side LabelAxis (0 north, 1 west, 2 east,
/// 3 south) at grid point pt. LabelDisplayType 0 always takes the positive text of the axis;
/// any other display type takes the negative one for a negative X (north, south) or Y (west,
/// east). Axis values outside 0..3 leave the text as it was.
void SetHemisphere(ServiceState &s, const Point &pt, std::int32_t LabelAxis) noexcept;

/// Adds a label for grid value dValue to LabelsCollection, makes it CurrentLabel and writes its
/// texts. LabelDisplayType 0 and 2 split a projected value into digit groups and decimals
/// (units as given), 1 splits radians into degrees, minutes, seconds and decimals; any other
/// value adds no label and only puts the hemisphere on the existing CurrentLabel. Each shown
/// part reads as the value rounded to the last part shown. On a failure the label stays in the
/// collection with the texts written so far.
void SplitUpLabel(ServiceState &s, double dValue, std::int32_t LabelDisplayType) noexcept;

} // namespace detail
} // namespace parallo

#endif
