// Placing one grid label where a grid line meets the neatline, or at a neatline corner.
#include "labels/one_label.h"

#include <cmath>
#include <memory>
#include <string>

#include "geometry/geometry.h"
#include "grid/prepare.h"
#include "labels/text.h"
#include "platform/angles.h"
#include "platform/numbers.h"

namespace parallo {
namespace detail {

namespace {

using drawkit::HorizontalJustification;
using drawkit::VerticalJustification;

bool IsNorthSouth(std::int32_t axis) { return axis == pxgrdNorth || axis == pxgrdSouth; }
bool IsWestEast(std::int32_t axis) { return axis == pxgrdWest || axis == pxgrdEast; }

/// A label lies "away" when it stands on the upper or left side of its edge line: north of the
/// top edge or west of the left edge when outside, south of the bottom edge or east of the
/// right edge when inside.
bool IsAway(std::int32_t axis, std::int32_t position) {
    if (IsNorthSouth(axis)) {
        return (axis == pxgrdNorth && position == pxgrdLabelPosition_Outside) ||
               (axis == pxgrdSouth && position == pxgrdLabelPosition_Inside);
    }
    return (axis == pxgrdWest && position == pxgrdLabelPosition_Outside) ||
           (axis == pxgrdEast && position == pxgrdLabelPosition_Inside);
}

HorizontalJustification H(bool first, std::int32_t a, std::int32_t b) {
    return static_cast<HorizontalJustification>(first ? a : b);
}
VerticalJustification V(bool first, std::int32_t a, std::int32_t b) {
    return static_cast<VerticalJustification>(first ? a : b);
}

/// The vertical justification that follows LabelPositionRelativeToPoint: above the point
/// stands the text on it (9), below it hangs from it (7), centred is centred (8). Other values
/// leave the label's justification as it is.
void VerticalFromRelativePosition(GridLabel &label, std::int32_t R) {
    switch (R) {
    case PXloAbove:
        label.VerticalJustification = drawkit::kTextAboveOrigin;
        break;
    case PXloBelow:
        label.VerticalJustification = drawkit::kTextBelowOrigin;
        break;
    case PXloCenter:
        label.VerticalJustification = drawkit::kTextCentredVertically;
        break;
    default:
        break;
    }
}

/// Horizontal and vertical justification by label kind, side, orientation and position.
/// Orientation values other than 0, 1 and 2 set nothing.
void Justify(const LabelStyle &s, GridLabel &label, std::int32_t axis, std::int32_t iOtherAxis) {
    const std::int32_t orientation = s.orientation;
    const std::int32_t R = s.relativeToPoint;
    const bool away = IsAway(axis, s.position);
    const bool corner = s.type == PXltCorner;
    const bool ns = IsNorthSouth(axis);
    const bool we = IsWestEast(axis);

    if (!corner) {
        if (ns && orientation == PXloPerpendicular) {
            label.HorizontalJustification = H(away, 3, 5);
            VerticalFromRelativePosition(label, R);
        } else if (ns && (orientation == PXloParallelPerpendicular || orientation == PXloParallel)) {
            label.HorizontalJustification = drawkit::kTextCentredOnOrigin;
            label.VerticalJustification = V(away, 9, 7);
        } else if (we && orientation == PXloParallel) {
            label.HorizontalJustification = drawkit::kTextCentredOnOrigin;
            label.VerticalJustification = V(away, 9, 7);
        } else if (we && orientation == PXloPerpendicular) {
            label.HorizontalJustification = H(away, 5, 3);
            VerticalFromRelativePosition(label, R);
        } else if (we && orientation == PXloParallelPerpendicular) {
            label.HorizontalJustification = H(away, 5, 3);
            label.VerticalJustification = drawkit::kTextCentredVertically;
        }
        return;
    }
    // Corner labels turn their text away from the other edge that meets at the corner.
    if (ns && orientation == PXloPerpendicular) {
        label.HorizontalJustification = H(away, 3, 5);
        label.VerticalJustification = V(iOtherAxis == pxgrdWest, 7, 9);
    } else if (ns && (orientation == PXloParallelPerpendicular || orientation == PXloParallel)) {
        label.HorizontalJustification = H(iOtherAxis == pxgrdWest, 3, 5);
        label.VerticalJustification = V(away, 9, 7);
    } else if (we && orientation == PXloParallel) {
        label.HorizontalJustification = H(iOtherAxis == pxgrdNorth, 5, 3);
        label.VerticalJustification = V(away, 9, 7);
    } else if (we && (orientation == PXloParallelPerpendicular || orientation == PXloPerpendicular)) {
        label.HorizontalJustification = H(away, 5, 3);
        label.VerticalJustification = V(iOtherAxis == pxgrdNorth, 7, 9);
    }
}

/// Offsets of a label that is not turned: LabelOffset across its edge, VerticalLabelOffset
/// along it; the label turns a quarter when its orientation asks for text across the edge line.
void UnrotatedOffsets(const LabelStyle &s, GridLabel &label, std::int32_t axis, double &dx, double &dy) {
    const double O = s.offset;
    const double Vo = s.verticalOffset;
    const std::int32_t R = s.relativeToPoint;
    label.Angle = 0.0;
    if (IsNorthSouth(axis)) {
        dy = axis == pxgrdNorth ? O : -O;
        if (Vo != 0.0) {
            if (R == PXloAbove) dx = -Vo;
            if (R == PXloBelow) dx = Vo;
        }
    } else if (IsWestEast(axis)) {
        dx = axis == pxgrdEast ? O : -O;
        if (Vo != 0.0) {
            if (R == PXloAbove) dy = Vo;
            if (R == PXloBelow) dy = -Vo;
        }
    }
    if ((IsNorthSouth(axis) && s.orientation == PXloPerpendicular) ||
        (IsWestEast(axis) && s.orientation == PXloParallel)) {
        label.Angle = platform::Add(label.Angle, 90.0);
    }
}

/// Offsets of a label turned by a degrees (geographic neatline): a start by side and
/// orientation, then LabelOffset and VerticalLabelOffset along the turned directions.
void RotatedOffsets(const Reporter &r, const LabelStyle &s, GridLabel &label, std::int32_t axis, double a,
                    double &dx, double &dy) {
    const double O = s.offset;
    const double Vo = s.verticalOffset;
    const std::int32_t R = s.relativeToPoint;
    const std::int32_t orientation = s.orientation;
    const double t = platform::Mul(a, platform::kRadiansPerDegree);
    const bool along = orientation == PXloParallelPerpendicular || orientation == PXloParallel;
    const bool oPositive = O >= 0.0;
    bool turn = false;

    // The start by side, orientation and sign of the offset. The rows exclude each other.
    if ((axis == pxgrdNorth && along && oPositive) || (axis == pxgrdSouth && along && !oPositive)) {
        dx = 0.0;
        dy = 0.0;
    } else if ((axis == pxgrdNorth && along && !oPositive) || (axis == pxgrdSouth && along && oPositive)) {
        dx = 0.0;
        dy = a >= 0.0 ? std::cos(t) : 0.0;
    } else if ((axis == pxgrdNorth && orientation == PXloPerpendicular && oPositive) ||
               (axis == pxgrdSouth && orientation == PXloPerpendicular && !oPositive)) {
        dx = 0.0;
        dy = a >= 0.0 ? std::sin(t) : 0.0;
        turn = true;
    } else if ((axis == pxgrdNorth && orientation == PXloPerpendicular && !oPositive) ||
               (axis == pxgrdSouth && orientation == PXloPerpendicular && oPositive)) {
        dx = 0.0;
        dy = a < 0.0 ? -std::cos(t) : 0.0;
        turn = true;
    } else if (IsWestEast(axis) &&
               (orientation == PXloParallelPerpendicular || orientation == PXloPerpendicular)) {
        dx = 0.0;
        dy = 0.0;
    } else if ((axis == pxgrdEast && orientation == PXloParallel && oPositive) ||
               (axis == pxgrdWest && orientation == PXloParallel && !oPositive)) {
        dx = -std::sin(t);
        dy = 0.0;
        turn = true;
    } else if ((axis == pxgrdWest && orientation == PXloParallel && oPositive) ||
               (axis == pxgrdEast && orientation == PXloParallel && !oPositive)) {
        dx = std::cos(t);
        dy = 0.0;
        turn = true;
    }
    if (turn) label.Angle = platform::Add(label.Angle, 90.0);

    // The quadrant the offset direction lies in, by side and sense of the rotation.
    std::int32_t q = 0;
    switch (axis) {
    case pxgrdNorth:
        q = a <= 0.0 ? 1 : 4;
        break;
    case pxgrdWest:
        q = a <= 0.0 ? 2 : 3;
        break;
    case pxgrdEast:
        q = a <= 0.0 ? 4 : 1;
        break;
    case pxgrdSouth:
        q = a <= 0.0 ? 3 : 2;
        break;
    default:
        break;
    }
    double folded = a; // Normalize_Angle overwrites its argument with the folded angle
    const double aPrime = Normalize_Angle(r, folded, q);
    const double tPrime = platform::Mul(aPrime, platform::kRadiansPerDegree);
    const double sinT = std::sin(tPrime);
    const double cosT = std::cos(tPrime);
    if (IsNorthSouth(axis)) {
        dx = platform::Add(dx, platform::Mul(sinT, O));
        dy = platform::Add(dy, platform::Mul(cosT, O));
        if (Vo != 0.0) {
            // Centred (R = 2) moves like below.
            dx = R == PXloAbove ? platform::Sub(dx, platform::Mul(sinT, Vo))
                                : platform::Add(dx, platform::Mul(sinT, Vo));
        }
    } else if (IsWestEast(axis)) {
        dx = platform::Add(dx, platform::Mul(cosT, O));
        dy = platform::Add(dy, platform::Mul(sinT, O));
        if (Vo != 0.0) {
            dy = R == PXloAbove ? platform::Add(dy, platform::Mul(sinT, Vo))
                                : platform::Sub(dy, platform::Mul(sinT, Vo));
        }
    }
}

/// Turns a label whose text would read upside down (a rotation beyond a quarter turn either way,
/// as a grid strongly turned against the map view gives, above all once a quarter turn for text
/// across the edge is added) by half a turn, and mirrors its justification: the text that started
/// at the origin now ends there, the text that hung below it now stands above it. The text covers
/// the very same place, on the same side of the neatline as before, and reads left to right.
/// Labels within a quarter turn are left exactly as they are.
void TurnReadable(GridLabel &label) {
    double angle = label.Angle;
    if (!(angle > 90.0 || angle < -90.0)) return;
    angle = std::remainder(angle, 360.0); // into -180..180 by whole turns, exactly
    if (angle > 90.0 || angle < -90.0) {
        angle = angle > 0.0 ? angle - 180.0 : angle + 180.0;
        if (label.HorizontalJustification == drawkit::kTextStartsAtOrigin)
            label.HorizontalJustification = drawkit::kTextEndsAtOrigin;
        else if (label.HorizontalJustification == drawkit::kTextEndsAtOrigin)
            label.HorizontalJustification = drawkit::kTextStartsAtOrigin;
        if (label.VerticalJustification == drawkit::kTextBelowOrigin)
            label.VerticalJustification = drawkit::kTextAboveOrigin;
        else if (label.VerticalJustification == drawkit::kTextAboveOrigin)
            label.VerticalJustification = drawkit::kTextBelowOrigin;
    }
    label.Angle = angle;
}

} // namespace

void Create_OneLabel(const LabelPlacement &p, const std::shared_ptr<coordkit::CoordSystem> &csFrom,
                     const Point &ptGrid, const Point &ptRaw, const Point &ptMap, std::int32_t LabelAxis,
                     std::int32_t LabelDisplayType, const std::shared_ptr<coordkit::CoordSystem> &csGrid,
                     std::int32_t iOtherAxis, const Point *ptCorner, const Point *ptValue,
                     std::int32_t ValueAxis) noexcept {
    std::string trace = "In Create_OneLabel";
    try {
        const Point &shown = ptValue != nullptr ? *ptValue : ptGrid;

        // The anchor. Points of a frame across the 180° meridian were shifted beyond 180° in the
        // grid system; on a map view in geographic degrees they belong a turn west. On any other
        // map view ptRaw.x is no map coordinate, and the transformation has placed ptMap right.
        auto P = std::make_shared<Point>();
        if (ptRaw.x > 180.0 && p.crossed180 && MapViewIsGeographic(p.angles.mapView))
            P->x = platform::Sub(ptRaw.x, kDegreesPerTurn);
        else
            P->x = ptMap.x;
        P->y = ptMap.y;
        P->z = 0.0;

        const std::int32_t valueAxis = ValueAxis < 0 ? LabelAxis : ValueAxis;
        SetHemisphere(p.reporter, p.style, shown, valueAxis);
        trace = "Splitting up label.";
        std::shared_ptr<GridLabel> made;
        if (IsNorthSouth(valueAxis))
            made = SplitUpLabel(p.reporter, p.style, p.labels, shown.x, LabelDisplayType);
        if (IsWestEast(valueAxis))
            made = SplitUpLabel(p.reporter, p.style, p.labels, shown.y, LabelDisplayType);

        GridLabel &label = platform::Deref(made);
        label.Origin = P;
        label.LabelAxis = static_cast<pxgrdLabelAxis>(LabelAxis);

        // A failed rotation reports on its own and leaves both angles at 0: the label stays
        // unturned.
        double r1 = 0.0;
        double r2 = 0.0;
        std::int32_t RetVal = 0;
        GetLabelRotation(p.angles, p.style.type, p.neatlineExtentsType, csFrom, ptGrid, r1, r2, csGrid,
                         RetVal, ptCorner);
        const double a = IsNorthSouth(LabelAxis) ? r1 : (IsWestEast(LabelAxis) ? r2 : 0.0);
        label.Angle = a;

        shapekit::PointGeometry M(Point(P->x, P->y, 0.0));
        Justify(p.style, label, LabelAxis, iOtherAxis);

        double dx = 0.0;
        double dy = 0.0;
        if (a == 0.0 || p.neatlineExtentsType != 1)
            UnrotatedOffsets(p.style, label, LabelAxis, dx, dy);
        else
            RotatedOffsets(p.reporter, p.style, label, LabelAxis, a, dx, dy);

        M.Position().x = platform::Add(P->x, dx);
        M.Position().y = platform::Add(P->y, dy);
        platform::Deref(label.Origin).x = M.Position().x;
        platform::Deref(label.Origin).y = M.Position().y;
        // Last, on the final angle (the quarter turn included), for edge and corner labels.
        TurnReadable(label);
    } catch (...) {
        p.reporter.ReportError(DescribeCurrentException(), trace, "Create_OneLabel Error");
    }
}

} // namespace detail
} // namespace parallo
