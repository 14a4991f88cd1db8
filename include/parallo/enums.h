// Enumerations of the service and its records.
#ifndef PARALLO_ENUMS_H
#define PARALLO_ENUMS_H

#include <cstdint>

namespace parallo {

/// Which grid elements CreateTicksCrosses produces.
enum GridTypeConstants : std::int32_t {
    PXgtSimple = 0,
    PXgtTicks = 1,
    PXgtCrosses = 2,
    PXgtTicksAndCrosses = 3,
};

/// Label rotation rule relative to the grid line.
enum GridLabelOrientationConstants : std::int32_t {
    PXloParallelPerpendicular = 0,
    PXloParallel = 1,
    PXloPerpendicular = 2,
};

/// Where a label stands relative to its anchor point.
enum GridLabelPositionConstants : std::int32_t {
    PXloAbove = 0,
    PXloBelow = 1,
    PXloCenter = 2,
};

/// Edge labels or corner labels.
enum GridLabelTypeConstants : std::int32_t {
    PXltEdge = 0,
    PXltCorner = 1,
};

/// Font type of a label part.
enum pxgrdFontType : std::int32_t {
    pxgrdFontType_Normal = 0,
    pxgrdFontType_Superscript = 1,
    pxgrdFontType_Subscript = 2,
};

/// The neatline side a label belongs to.
enum pxgrdLabelAxis : std::int32_t {
    pxgrdNorth = 0,
    pxgrdWest = 1,
    pxgrdEast = 2,
    pxgrdSouth = 3,
};

/// Labels outside or inside the neatline.
enum pxgrdLabelPosition : std::int32_t {
    pxgrdLabelPosition_Outside = 0,
    pxgrdLabelPosition_Inside = 1,
};

/// Extent-type codes of NeatlineExtentsType, GridIntervalsType and LabelDisplayType: 1 is
/// geographic, every other value projected.
enum ExtentType : std::int32_t {
    kExtentProjected = 0,
    kExtentGeographic = 1,
};

} // namespace parallo

#endif
