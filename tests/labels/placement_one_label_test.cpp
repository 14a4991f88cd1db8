// Placing one label: anchor point and the 180° correction, side, rotation, both justification
// tables and the offsets, unrotated and rotated.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "labels/one_label.h"
#include "parallo/coordkit.h"
#include "service/state.h"

namespace {

using parallo::GridLabel;
using parallo::GridLabels;
using parallo::LabelPartCls;
using parallo::detail::Create_OneLabel;
using parallo::detail::ServiceState;
using shapekit::Point;

constexpr double kPi = 3.14159265358979323846;
double Rad(double deg) { return deg * kPi / 180.0; }

/// Offsets are sums of a few sines and cosines of exact inputs: 1e-12 map units is far above
/// their rounding and far below any shift a row of the tables makes.
constexpr double kTol = 1e-12;

/// A plane system whose projection reports a fixed convergence `angle` (radians) and whose plane
/// is the geographic space (radians) turned clockwise by `turn`, so that parallels run at azimuth
/// pi/2 + turn. With these two numbers a test dictates both rotations GetLabelRotation returns:
/// r1 = (angle of the map view - angle of the grid), r2 = (turn of the grid - turn of the map
/// view), in degrees.
class TurnedSystem : public coordkit::CoordSystem {
public:
    TurnedSystem(double angle, double turn, std::int32_t storage = coordkit::kProjectedStorage)
        : angle_(angle), turn_(turn), storage_(storage) {}
    std::int32_t BaseStorageType() const override { return storage_; }
    void SetBaseStorageType(std::int32_t type) override { storage_ = type; }
    double StorageScale() const override { return 1.0; }
    void ConvertPoint(std::int32_t from, std::int32_t to, double &x, double &y, double &) const override {
        const bool fromGeo = from == coordkit::kGeographic;
        const bool toGeo = to == coordkit::kGeographic;
        if (fromGeo == toGeo) return;
        const double c = std::cos(turn_), s = std::sin(turn_);
        const double px = x, py = y;
        if (fromGeo) {
            x = px * c + py * s;
            y = -px * s + py * c;
        } else {
            x = px * c - py * s;
            y = px * s + py * c;
        }
    }
    std::shared_ptr<coordkit::CoordSystem> CopyCoordSystem() const override {
        return std::make_shared<TurnedSystem>(*this);
    }
    bool CanConvert(std::int32_t, std::int32_t) const override { return true; }
    std::shared_ptr<coordkit::Projection> ProjectionSpace() const override {
        return std::make_shared<Proj>(angle_);
    }

private:
    class Ax : public coordkit::Axis {
    public:
        std::string UnitName() const override { return "m"; }
        std::int32_t GeographicQuadrant() const override { return 0; }
        std::int32_t ProjectedQuadrant() const override { return 0; }
    };
    class Proj : public coordkit::Projection {
    public:
        explicit Proj(double a) : a_(a) {}
        double GetAngle(double, double, double) const override { return a_; }
        std::shared_ptr<coordkit::Axis> AxisInfo() const override { return std::make_shared<Ax>(); }

    private:
        double a_;
    };
    double angle_, turn_;
    std::int32_t storage_;
};

/// A service state as the label generator leaves it before placing a label: all parts shown,
/// an empty collection, a map view without convergence, a projected label display.
struct Host {
    ServiceState s;
    std::vector<std::string> reports;
    std::shared_ptr<coordkit::CoordSystem> grid = std::make_shared<TurnedSystem>(0.0, 0.0);

    Host() {
        for (auto *part : {&s.LabelPartA, &s.LabelPartB, &s.LabelPartC, &s.LabelPartD, &s.LabelPartUnit,
                           &s.LabelPartHemisphere}) {
            *part = std::make_shared<LabelPartCls>();
            (*part)->SetbDisplay(true);
        }
        s.MagnitudeAB = 5;
        s.MagnitudeBC = 3;
        s.LabelsCollection = std::make_shared<GridLabels>();
        s.MapViewCoordSystem = std::make_shared<TurnedSystem>(0.0, 0.0);
        // Edge points read as longitude and latitude straight from the grid point.
        s.GridIntervalsType = 1;
        s.observer = [this](const std::string &d, const std::string &t, const std::string &n) {
            reports.push_back(n + " | " + t + " | " + d);
        };
    }

    /// Makes the label rotations read r1 and r2 degrees.
    void Rotations(double r1, double r2) { grid = std::make_shared<TurnedSystem>(Rad(-r1), Rad(r2)); }

    /// Places one label at map point (100, 200) for grid point (0.1, 0.2).
    std::shared_ptr<GridLabel> Place(std::int32_t axis, std::int32_t iOtherAxis = 0) {
        const Point ptGrid(0.1, 0.2);
        const Point ptMap(100.0, 200.0);
        Create_OneLabel(s, grid, ptGrid, ptMap, ptMap, axis, 0, grid, iOtherAxis, nullptr);
        return s.CurrentLabel;
    }
};

// ---- anchor point and the 180° meridian --------------------------------------------------

TEST(PlacementAnchor, PointBeyond180OnAGeographicMapViewComesBackATurn) {
    Host h;
    h.s.MapViewCoordSystem = std::make_shared<TurnedSystem>(0.0, 0.0, coordkit::kGeographicStorage);
    h.s.b180Crossed = true;
    Create_OneLabel(h.s, h.grid, Point(Rad(190.0), 0.1), Point(190.0, 5.0), Point(12.0, 5.0), 0, 0, h.grid, 0,
                    nullptr);
    EXPECT_DOUBLE_EQ(h.s.CurrentLabel->Origin->x, -170.0);
    EXPECT_DOUBLE_EQ(h.s.CurrentLabel->Origin->y, 5.0);
    EXPECT_TRUE(h.reports.empty());
}

TEST(PlacementAnchor, ProjectedMapViewKeepsTheTransformedPoint) {
    // On a projected map view ptRaw.x (degrees of the grid) is no map coordinate: ptMap is used.
    Host h;
    h.s.b180Crossed = true;
    Create_OneLabel(h.s, h.grid, Point(Rad(190.0), 0.1), Point(190.0, 5.0), Point(4452000.0, -1100000.0), 0,
                    0, h.grid, 0, nullptr);
    EXPECT_DOUBLE_EQ(h.s.CurrentLabel->Origin->x, 4452000.0);
    EXPECT_DOUBLE_EQ(h.s.CurrentLabel->Origin->y, -1100000.0);
}

TEST(PlacementAnchor, NoCorrectionWithoutACrossingOrAt180Itself) {
    Host h;
    h.s.MapViewCoordSystem = std::make_shared<TurnedSystem>(0.0, 0.0, coordkit::kGeographicStorage);
    h.s.b180Crossed = false;
    Create_OneLabel(h.s, h.grid, Point(0.1, 0.1), Point(190.0, 5.0), Point(-170.5, 5.0), 0, 0, h.grid, 0,
                    nullptr);
    EXPECT_DOUBLE_EQ(h.s.CurrentLabel->Origin->x, -170.5);
    h.s.b180Crossed = true;
    Create_OneLabel(h.s, h.grid, Point(0.1, 0.1), Point(180.0, 5.0), Point(-180.0, 5.0), 0, 0, h.grid, 0,
                    nullptr);
    EXPECT_DOUBLE_EQ(h.s.CurrentLabel->Origin->x, -180.0); // 180 is not beyond 180
}

TEST(PlacementAnchor, EveryLabelHasItsOwnOrigin) {
    Host h;
    auto first = h.Place(0);
    auto second = h.Place(3);
    ASSERT_NE(first->Origin, second->Origin);
    EXPECT_DOUBLE_EQ(first->Origin->y, 200.0); // O = 0: no shift
    EXPECT_EQ(h.s.LabelsCollection->Count(), 2);
    EXPECT_EQ(h.s.LabelsCollection->Item(2), h.s.CurrentLabel);
}

// ---- side, value and text -----------------------------------------------------------------

TEST(PlacementText, NorthAndSouthShowXWestAndEastShowY) {
    Host h;
    const Point ptGrid(4523789.0, 5310000.0);
    const Point ptMap(1.0, 2.0);
    Create_OneLabel(h.s, h.grid, ptGrid, ptMap, ptMap, 0, 0, h.grid, 0, nullptr);
    EXPECT_EQ(h.s.CurrentLabel->LabelStringA + h.s.CurrentLabel->LabelStringB +
                  h.s.CurrentLabel->LabelStringC,
              "4523789");
    EXPECT_EQ(h.s.CurrentLabel->LabelAxis, parallo::pxgrdNorth);
    Create_OneLabel(h.s, h.grid, ptGrid, ptMap, ptMap, 2, 0, h.grid, 0, nullptr);
    EXPECT_EQ(h.s.CurrentLabel->LabelStringA, "53");
    EXPECT_EQ(h.s.CurrentLabel->LabelStringB, "10");
    EXPECT_EQ(h.s.CurrentLabel->LabelStringC, "000");
    EXPECT_EQ(h.s.CurrentLabel->LabelAxis, parallo::pxgrdEast);
}

TEST(PlacementText, AShownValueApartFromThePositionIsWhatTheLabelReads) {
    // A feet grid shows its value in feet while rotation and position use the plane's metres.
    Host h;
    h.s.EastingHemisphereLabel = "E";
    h.s.WestingHemisphereLabel = "W";
    h.s.XPositiveHemisphereLabel = "E";
    h.s.XNegativeHemisphereLabel = "W";
    const Point ptGrid(Rad(190.0), 0.1);
    const Point shown(Rad(-170.0), 0.1);
    h.s.LabelDisplayType = 1;
    Create_OneLabel(h.s, h.grid, ptGrid, Point(190.0, 5.0), Point(-170.0, 5.0), 3, 1, h.grid, 0, nullptr,
                    &shown);
    EXPECT_EQ(h.s.CurrentLabel->LabelStringHemisphere, "W");
    EXPECT_EQ(h.s.CurrentLabel->LabelStringA, "170°");
    EXPECT_TRUE(h.reports.empty());
}

// ---- justification --------------------------------------------------------------------------

struct JustifyCase {
    int labelType; // 0 edge, 1 corner
    int axis;
    int orientation;
    int position; // 0 outside, 1 inside
    int relative; // R
    int otherAxis;
    int h;
    int v;
};

class PlacementJustification : public ::testing::TestWithParam<JustifyCase> {};

TEST_P(PlacementJustification, Table) {
    const JustifyCase c = GetParam();
    Host h;
    h.s.LabelType = static_cast<parallo::GridLabelTypeConstants>(c.labelType);
    h.s.LabelOrientation = static_cast<parallo::GridLabelOrientationConstants>(c.orientation);
    h.s.LabelPosition = static_cast<parallo::pxgrdLabelPosition>(c.position);
    h.s.LabelPositionRelativeToPoint = static_cast<parallo::GridLabelPositionConstants>(c.relative);
    h.s.NeatlineExtentsType = 0;
    auto label = h.Place(c.axis, c.otherAxis);
    EXPECT_EQ(label->HorizontalJustification, c.h);
    EXPECT_EQ(label->VerticalJustification, c.v);
    EXPECT_TRUE(h.reports.empty());
}

// Every row of both tables, on both sides of "away" and for each value that picks a column.
INSTANTIATE_TEST_SUITE_P(
    Rows, PlacementJustification,
    ::testing::Values(
        // edge, axis 0/3, perpendicular: 3 away else 5; vertical follows R.
        JustifyCase{0, 0, 2, 0, 0, 0, 3, 9}, JustifyCase{0, 0, 2, 1, 1, 0, 5, 7},
        JustifyCase{0, 3, 2, 1, 2, 0, 3, 8}, JustifyCase{0, 3, 2, 0, 0, 0, 5, 9},
        // edge, axis 0/3, orientation 0 or 1: centred; 9 away else 7.
        JustifyCase{0, 0, 0, 0, 0, 0, 4, 9}, JustifyCase{0, 3, 1, 0, 0, 0, 4, 7},
        JustifyCase{0, 3, 0, 1, 0, 0, 4, 9}, JustifyCase{0, 0, 1, 1, 0, 0, 4, 7},
        // edge, axis 1/2, parallel: centred; 9 away else 7.
        JustifyCase{0, 1, 1, 0, 0, 0, 4, 9}, JustifyCase{0, 1, 1, 1, 1, 0, 4, 7},
        JustifyCase{0, 2, 1, 1, 0, 0, 4, 9},
        // edge, axis 1/2, perpendicular: 5 away else 3; vertical follows R.
        JustifyCase{0, 1, 2, 0, 1, 0, 5, 7}, JustifyCase{0, 2, 2, 0, 2, 0, 3, 8},
        // edge, axis 1/2, orientation 0: 5 away else 3; centred vertically.
        JustifyCase{0, 2, 0, 1, 0, 0, 5, 8}, JustifyCase{0, 2, 0, 0, 0, 0, 3, 8},
        JustifyCase{0, 1, 0, 0, 0, 0, 5, 8},
        // corner, axis 0/3, perpendicular: 3 away else 5; 7 next to the west edge else 9.
        JustifyCase{1, 3, 2, 0, 0, 1, 5, 7}, JustifyCase{1, 0, 2, 0, 0, 2, 3, 9},
        // corner, axis 0/3, orientation 0 or 1: 3 next to the west edge else 5; 9 away else 7.
        JustifyCase{1, 3, 0, 0, 0, 1, 3, 7}, JustifyCase{1, 0, 1, 0, 0, 2, 5, 9},
        // corner, axis 1/2, parallel: 5 next to the north edge else 3; 9 away else 7.
        JustifyCase{1, 1, 1, 0, 0, 0, 5, 9}, JustifyCase{1, 2, 1, 0, 0, 3, 3, 7},
        // corner, axis 1/2, orientation 0 or 2: 5 away else 3; 7 next to the north edge else 9.
        JustifyCase{1, 1, 0, 0, 0, 3, 5, 9}, JustifyCase{1, 2, 2, 0, 0, 0, 3, 7}));

TEST(PlacementJustificationOther, UnknownOrientationAndRelativePositionSetNothing) {
    Host h;
    h.s.LabelOrientation = static_cast<parallo::GridLabelOrientationConstants>(7);
    auto label = h.Place(0);
    EXPECT_EQ(label->HorizontalJustification, drawkit::kHorizontalUnset);
    EXPECT_EQ(label->VerticalJustification, drawkit::kVerticalUnset);

    h.s.LabelOrientation = parallo::PXloPerpendicular;
    h.s.LabelPositionRelativeToPoint = static_cast<parallo::GridLabelPositionConstants>(5);
    label = h.Place(0);
    EXPECT_EQ(label->HorizontalJustification, 3);
    EXPECT_EQ(label->VerticalJustification, drawkit::kVerticalUnset);
}

// ---- unrotated offsets --------------------------------------------------------------------

TEST(PlacementUnrotated, ProjectedNeatlineNorthLabelOutside) {
    Host h;
    h.Rotations(30.0, 0.0); // a turned grid, but projected extents never turn a label
    h.s.LabelOffset = 2.0;
    auto label = h.Place(0);
    EXPECT_EQ(label->Angle, 0.0);
    EXPECT_DOUBLE_EQ(label->Origin->x, 100.0);
    EXPECT_DOUBLE_EQ(label->Origin->y, 202.0);
    EXPECT_EQ(label->HorizontalJustification, 4);
    EXPECT_EQ(label->VerticalJustification, 9);
}

TEST(PlacementUnrotated, WestLabelInsideParallelBelow) {
    Host h;
    h.s.LabelPosition = parallo::pxgrdLabelPosition_Inside;
    h.s.LabelOrientation = parallo::PXloParallel;
    h.s.LabelOffset = 2.0;
    h.s.VerticalLabelOffset = 1.0;
    h.s.LabelPositionRelativeToPoint = parallo::PXloBelow;
    auto label = h.Place(1);
    EXPECT_EQ(label->Angle, 90.0);
    EXPECT_DOUBLE_EQ(label->Origin->x, 98.0);
    EXPECT_DOUBLE_EQ(label->Origin->y, 199.0);
    EXPECT_EQ(label->HorizontalJustification, 4);
    EXPECT_EQ(label->VerticalJustification, 7);
}

TEST(PlacementUnrotated, OffsetsBySideAndRelativePosition) {
    struct Case {
        int axis, orientation, relative;
        double dx, dy, angle;
    };
    // O = 2, V = 0.5.
    const Case cases[] = {
        {0, 0, 0, -0.5, 2.0, 0.0}, {3, 0, 1, 0.5, -2.0, 0.0},  {3, 2, 2, 0.0, -2.0, 90.0},
        {2, 0, 0, 2.0, 0.5, 0.0},  {2, 1, 1, 2.0, -0.5, 90.0}, {1, 2, 2, -2.0, 0.0, 0.0},
        {0, 1, 0, -0.5, 2.0, 0.0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE("axis " + std::to_string(c.axis) + " orientation " + std::to_string(c.orientation) +
                     " R " + std::to_string(c.relative));
        Host h;
        h.s.LabelOffset = 2.0;
        h.s.VerticalLabelOffset = 0.5;
        h.s.LabelOrientation = static_cast<parallo::GridLabelOrientationConstants>(c.orientation);
        h.s.LabelPositionRelativeToPoint = static_cast<parallo::GridLabelPositionConstants>(c.relative);
        auto label = h.Place(c.axis);
        EXPECT_NEAR(label->Origin->x - 100.0, c.dx, kTol);
        EXPECT_NEAR(label->Origin->y - 200.0, c.dy, kTol);
        EXPECT_EQ(label->Angle, c.angle);
    }
}

TEST(PlacementUnrotated, GeographicNeatlineWithoutRotationStaysUnrotated) {
    Host h;
    h.s.NeatlineExtentsType = 1;
    h.s.LabelOffset = 3.0;
    auto label = h.Place(3);
    EXPECT_EQ(label->Angle, 0.0);
    EXPECT_NEAR(label->Origin->y, 197.0, kTol);
}

// ---- rotated offsets ------------------------------------------------------------------------

TEST(PlacementRotated, NorthLabelTurnedThirtyDegrees) {
    Host h;
    h.s.NeatlineExtentsType = 1;
    h.Rotations(30.0, 0.0);
    h.s.LabelOffset = 1.0;
    auto label = h.Place(0);
    EXPECT_TRUE(h.reports.empty());
    EXPECT_NEAR(label->Angle, 30.0, 1e-12);
    // q = 4, a' = 330: (sin 330°, cos 330°).
    EXPECT_NEAR(label->Origin->x - 100.0, -0.5, kTol);
    EXPECT_NEAR(label->Origin->y - 200.0, std::sqrt(3.0) / 2.0, kTol);
    EXPECT_EQ(label->HorizontalJustification, 4);
    EXPECT_EQ(label->VerticalJustification, 9);
}

TEST(PlacementRotated, RowsStartOffsetsAndTurns) {
    const double s30 = 0.5, c30 = std::sqrt(3.0) / 2.0;
    struct Case {
        const char *name;
        int axis, orientation;
        double O, V;
        int relative;
        double r1, r2;
        double dx, dy, angle;
    };
    const Case cases[] = {
        // South, along, O >= 0, a = 30: start (0, cos 30); q = 2, a' = 150: + (sin 150, cos 150).
        {"south along", 3, 0, 1.0, 0.0, 0, 30.0, 0.0, 0.5, c30 - c30, 30.0},
        // North, along, O < 0, a = -30: start 0 (a < 0); q = 1, a' = 30: -1 * (sin 30, cos 30).
        {"north along negative", 0, 1, -1.0, 0.0, 0, -30.0, 0.0, -s30, -c30, -30.0},
        // North, perpendicular, O >= 0, a = 30: start (0, sin 30), turns; q = 4, a' = 330.
        {"north perpendicular", 0, 2, 2.0, 0.0, 0, 30.0, 0.0, -2.0 * s30, s30 + 2.0 * c30, 120.0},
        // South, perpendicular, O >= 0, a = -30: start (0, -cos -30), turns; q = 3, a' = 210;
        // V = 0.5 above: dx -= sin 210 * V.
        {"south perpendicular", 3, 2, 1.0, 0.5, 0, -30.0, 0.0, -s30 + 0.25, -c30 - c30, 60.0},
        // East, parallel, O >= 0, r2 = 30: start (-sin 30, 0), turns; q = 1, a' = 30.
        {"east parallel", 2, 1, 2.0, 0.0, 0, 0.0, 30.0, -s30 + 2.0 * c30, 2.0 * s30, 120.0},
        // West, parallel, O >= 0, r2 = -30: start (cos -30, 0), turns; q = 2, a' = 150;
        // V = 1 below: dy -= sin 150 * V.
        {"west parallel", 1, 1, 1.0, 1.0, 1, 0.0, -30.0, c30 - c30, s30 - s30, 60.0},
        // West, orientation 0, O >= 0, r2 = 30: start 0; q = 3, a' = 210.
        {"west along", 1, 0, 1.0, 0.0, 0, 0.0, 30.0, -c30, -s30, 30.0},
        // East, perpendicular, O < 0, r2 = -30: start 0; q = 4, a' = 330; centred R moves like below.
        {"east perpendicular", 2, 2, -1.0, 1.0, 2, 0.0, -30.0, -c30, s30 - (-s30), -30.0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Host h;
        h.s.NeatlineExtentsType = 1;
        h.Rotations(c.r1, c.r2);
        h.s.LabelOffset = c.O;
        h.s.VerticalLabelOffset = c.V;
        h.s.LabelOrientation = static_cast<parallo::GridLabelOrientationConstants>(c.orientation);
        h.s.LabelPositionRelativeToPoint = static_cast<parallo::GridLabelPositionConstants>(c.relative);
        auto label = h.Place(c.axis);
        EXPECT_TRUE(h.reports.empty());
        // The parallel rotation r2 is measured along a 0.0006° chord of the parallel and carries
        // a few 1e-11 degrees; that moves an offset of 2 units by about 1e-12.
        EXPECT_NEAR(label->Origin->x - 100.0, c.dx, 1e-11);
        EXPECT_NEAR(label->Origin->y - 200.0, c.dy, 1e-11);
        EXPECT_NEAR(label->Angle, c.angle, 1e-9);
    }
}

// ---- failures --------------------------------------------------------------------------------

TEST(PlacementFailure, AFailedRotationLeavesTheLabelUnturned) {
    Host h;
    h.s.NeatlineExtentsType = 1;
    h.Rotations(30.0, 0.0);
    h.s.LabelOffset = 1.0;
    // A latitude beyond 90°: GetLabelRotation reports and answers no rotation.
    Create_OneLabel(h.s, h.grid, Point(0.1, 2.0), Point(100.0, 200.0), Point(100.0, 200.0), 0, 0, h.grid, 0,
                    nullptr);
    ASSERT_EQ(h.reports.size(), 1u);
    EXPECT_EQ(h.reports[0].rfind("GetLabelRotation Error", 0), 0u);
    EXPECT_EQ(h.s.CurrentLabel->Angle, 0.0);
    EXPECT_DOUBLE_EQ(h.s.CurrentLabel->Origin->y, 201.0);
}

TEST(PlacementFailure, NoLabelToCompleteIsReportedNotThrown) {
    // A display type that makes no text leaves no CurrentLabel to complete.
    Host h;
    h.s.LabelPartHemisphere->SetbDisplay(false);
    Create_OneLabel(h.s, h.grid, Point(0.1, 0.2), Point(1.0, 2.0), Point(1.0, 2.0), 0, 5, h.grid, 0, nullptr);
    ASSERT_EQ(h.reports.size(), 1u);
    EXPECT_EQ(h.reports[0],
              "Create_OneLabel Error | Splitting up label. | Object variable or With block variable not set");
    EXPECT_EQ(h.s.LabelsCollection->Count(), 0);
}

TEST(PlacementFailure, MissingMapViewIsReportedAndTheLabelKeepsWhatWasSet) {
    Host h;
    h.s.MapViewCoordSystem.reset();
    h.s.b180Crossed = true;
    // The correction asks the map view for its storage: a missing map view fails there.
    Create_OneLabel(h.s, h.grid, Point(0.1, 0.2), Point(190.0, 2.0), Point(1.0, 2.0), 0, 0, h.grid, 0,
                    nullptr);
    ASSERT_EQ(h.reports.size(), 1u);
    EXPECT_EQ(h.reports[0].rfind("Create_OneLabel Error | In Create_OneLabel", 0), 0u);
    EXPECT_EQ(h.s.LabelsCollection->Count(), 0);
}

} // namespace
