// Placing one label: anchor point and the 180° correction, side and shown value, both
// justification tables and the offsets, unrotated and rotated.
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
using parallo::detail::Create_OneLabel;
using shapekit::Point;

constexpr double kPi = 3.14159265358979323846;
double Rad(double deg) { return deg * kPi / 180.0; }

/// A plane system whose projection reports a fixed convergence `angle` (radians) and whose plane
/// is the geographic space (radians) turned clockwise by `turn`. With these two numbers a test
/// dictates both rotations GetLabelRotation returns: r1 = (angle of the map view - angle of the
/// grid), r2 = (turn of the grid - turn of the map view), in degrees.
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
/// an empty collection, a projected map view without convergence, a projected label display.
struct Host {
    parallo::detail::ServiceState s;
    std::vector<std::string> reports;
    std::shared_ptr<coordkit::CoordSystem> grid = std::make_shared<TurnedSystem>(0.0, 0.0);

    Host() {
        for (auto *part : {&s.LabelPartA, &s.LabelPartB, &s.LabelPartC, &s.LabelPartD, &s.LabelPartUnit,
                           &s.LabelPartHemisphere}) {
            *part = std::make_shared<parallo::LabelPartCls>();
            (*part)->SetbDisplay(true);
        }
        s.MagnitudeAB = 5;
        s.MagnitudeBC = 3;
        s.LabelsCollection = std::make_shared<parallo::GridLabels>();
        s.MapViewCoordSystem = std::make_shared<TurnedSystem>(0.0, 0.0);
        // Edge points read as longitude and latitude straight from the grid point.
        s.GridIntervalsType = 1;
        s.observer = [this](const std::string &d, const std::string &t, const std::string &n) {
            reports.push_back(n + " | " + t + " | " + d);
        };
    }

    /// Makes the label rotations read r1 and r2 degrees.
    void Rotations(double r1, double r2) { grid = std::make_shared<TurnedSystem>(Rad(-r1), Rad(r2)); }

    /// Places one label for grid point ptGrid at map point ptMap (also its raw point).
    std::shared_ptr<GridLabel> Place(std::int32_t axis, std::int32_t iOtherAxis = 0,
                                     const Point &ptGrid = Point(0.1, 0.2),
                                     const Point &ptMap = Point(100, 200), std::int32_t displayType = 0) {
        Create_OneLabel(s, grid, ptGrid, ptMap, ptMap, axis, displayType, grid, iOtherAxis, nullptr);
        return s.CurrentLabel;
    }
};

// ---- anchor point and the 180° meridian --------------------------------------------------

TEST(PlacementAnchor, The180CorrectionOnlyBeyond180OnAGeographicMapView) {
    const struct {
        const char *name;
        bool geographicMapView, crossed;
        double rawX, mapX, expectedX;
    } cases[] = {
        {"geographic map view, beyond 180", true, true, 190.0, 12.0, -170.0},
        // On a projected map view ptRaw.x (degrees of the grid) is no map coordinate.
        {"projected map view keeps ptMap", false, true, 190.0, 4452000.0, 4452000.0},
        {"frame not across 180", true, false, 190.0, -170.5, -170.5},
        {"180 is not beyond 180", true, true, 180.0, -180.0, -180.0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        Host h;
        if (c.geographicMapView)
            h.s.MapViewCoordSystem = std::make_shared<TurnedSystem>(0.0, 0.0, coordkit::kGeographicStorage);
        h.s.b180Crossed = c.crossed;
        Create_OneLabel(h.s, h.grid, Point(0.1, 0.1), Point(c.rawX, 5.0), Point(c.mapX, -7.0), 0, 0, h.grid,
                        0, nullptr);
        EXPECT_DOUBLE_EQ(h.s.CurrentLabel->Origin->x, c.expectedX);
        EXPECT_DOUBLE_EQ(h.s.CurrentLabel->Origin->y, -7.0);
        EXPECT_TRUE(h.reports.empty());
    }
}

TEST(PlacementAnchor, EveryLabelIsANewItemWithItsOwnOrigin) {
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
    auto north = h.Place(0, 0, ptGrid, Point(1, 2));
    EXPECT_EQ(north->LabelString, "4523789");
    EXPECT_EQ(north->LabelAxis, parallo::pxgrdNorth);
    auto east = h.Place(2, 0, ptGrid, Point(1, 2));
    EXPECT_EQ(east->LabelStringA + "|" + east->LabelStringB + "|" + east->LabelStringC, "53|10|000");
    EXPECT_EQ(east->LabelAxis, parallo::pxgrdEast);
}

TEST(PlacementText, AShownValueApartFromThePositionIsWhatTheLabelReads) {
    // 190° east of the 180° meridian reads as 170°W; the grid point keeps 190° for the rotation.
    Host h;
    h.s.XPositiveHemisphereLabel = "E";
    h.s.XNegativeHemisphereLabel = "W";
    h.s.LabelDisplayType = 1;
    const Point shown(Rad(-170.0), 0.1);
    Create_OneLabel(h.s, h.grid, Point(Rad(190.0), 0.1), Point(190.0, 5.0), Point(-170.0, 5.0), 3, 1, h.grid,
                    0, nullptr, &shown);
    EXPECT_EQ(h.s.CurrentLabel->LabelStringHemisphere, "W");
    EXPECT_EQ(h.s.CurrentLabel->LabelStringA, "170°");
    EXPECT_TRUE(h.reports.empty());
}

// ---- justification --------------------------------------------------------------------------

TEST(PlacementJustification, EveryRowOfBothTables) {
    // Both sides of "away" and each value that picks a column. Orientation 0 along-perp,
    // 1 parallel, 2 perpendicular; position 0 outside, 1 inside; R 0 above, 1 below, 2 centred.
    const struct {
        int labelType, axis, orientation, position, relative, otherAxis, h, v;
    } cases[] = {
        // edge, axis 0/3, perpendicular: 3 away else 5; vertical follows R.
        {0, 0, 2, 0, 0, 0, 3, 9},
        {0, 0, 2, 1, 1, 0, 5, 7},
        {0, 3, 2, 1, 2, 0, 3, 8},
        {0, 3, 2, 0, 0, 0, 5, 9},
        // edge, axis 0/3, orientation 0 or 1: centred; 9 away else 7.
        {0, 0, 0, 0, 0, 0, 4, 9},
        {0, 3, 1, 0, 0, 0, 4, 7},
        {0, 3, 0, 1, 0, 0, 4, 9},
        {0, 0, 1, 1, 0, 0, 4, 7},
        // edge, axis 1/2, parallel: centred; 9 away else 7.
        {0, 1, 1, 0, 0, 0, 4, 9},
        {0, 1, 1, 1, 1, 0, 4, 7},
        {0, 2, 1, 1, 0, 0, 4, 9},
        // edge, axis 1/2, perpendicular: 5 away else 3; vertical follows R.
        {0, 1, 2, 0, 1, 0, 5, 7},
        {0, 2, 2, 0, 2, 0, 3, 8},
        // edge, axis 1/2, orientation 0: 5 away else 3; centred vertically.
        {0, 2, 0, 1, 0, 0, 5, 8},
        {0, 2, 0, 0, 0, 0, 3, 8},
        {0, 1, 0, 0, 0, 0, 5, 8},
        // corner, axis 0/3, perpendicular: 3 away else 5; 7 next to the west edge else 9.
        {1, 3, 2, 0, 0, 1, 5, 7},
        {1, 0, 2, 0, 0, 2, 3, 9},
        // corner, axis 0/3, orientation 0 or 1: 3 next to the west edge else 5; 9 away else 7.
        {1, 3, 0, 0, 0, 1, 3, 7},
        {1, 0, 1, 0, 0, 2, 5, 9},
        // corner, axis 1/2, parallel: 5 next to the north edge else 3; 9 away else 7.
        {1, 1, 1, 0, 0, 0, 5, 9},
        {1, 2, 1, 0, 0, 3, 3, 7},
        // corner, axis 1/2, orientation 0 or 2: 5 away else 3; 7 next to the north edge else 9.
        {1, 1, 0, 0, 0, 3, 5, 9},
        {1, 2, 2, 0, 0, 0, 3, 7},
        // Unknown orientation sets nothing; unknown R leaves the vertical unset.
        {0, 0, 7, 0, 0, 0, drawkit::kHorizontalUnset, drawkit::kVerticalUnset},
        {0, 0, 2, 0, 5, 0, 3, drawkit::kVerticalUnset},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE("type " + std::to_string(c.labelType) + " axis " + std::to_string(c.axis) +
                     " orientation " + std::to_string(c.orientation) + " position " +
                     std::to_string(c.position) + " R " + std::to_string(c.relative) + " other " +
                     std::to_string(c.otherAxis));
        Host h;
        h.s.LabelType = static_cast<parallo::GridLabelTypeConstants>(c.labelType);
        h.s.LabelOrientation = static_cast<parallo::GridLabelOrientationConstants>(c.orientation);
        h.s.LabelPosition = static_cast<parallo::pxgrdLabelPosition>(c.position);
        h.s.LabelPositionRelativeToPoint = static_cast<parallo::GridLabelPositionConstants>(c.relative);
        auto label = h.Place(c.axis, c.otherAxis);
        EXPECT_EQ(label->HorizontalJustification, c.h);
        EXPECT_EQ(label->VerticalJustification, c.v);
        EXPECT_TRUE(h.reports.empty());
    }
}

// ---- offsets ------------------------------------------------------------------------------

struct OffsetCase {
    const char *name;
    int extents; // NeatlineExtentsType: only 1 (geographic) turns labels
    int axis, orientation;
    double O, V;
    int relative;
    double r1, r2;
    double dx, dy, angle;
};

void CheckOffsets(const OffsetCase &c) {
    SCOPED_TRACE(c.name);
    Host h;
    h.s.NeatlineExtentsType = c.extents;
    h.Rotations(c.r1, c.r2);
    h.s.LabelOffset = c.O;
    h.s.VerticalLabelOffset = c.V;
    h.s.LabelOrientation = static_cast<parallo::GridLabelOrientationConstants>(c.orientation);
    h.s.LabelPositionRelativeToPoint = static_cast<parallo::GridLabelPositionConstants>(c.relative);
    auto label = h.Place(c.axis);
    EXPECT_TRUE(h.reports.empty());
    // Offsets are sums of a few sines and cosines; the parallel rotation r2 is measured along a
    // 0.0006° chord and carries a few 1e-11 degrees, moving an offset of 2 by about 1e-12.
    EXPECT_NEAR(label->Origin->x - 100.0, c.dx, 1e-11);
    EXPECT_NEAR(label->Origin->y - 200.0, c.dy, 1e-11);
    EXPECT_NEAR(label->Angle, c.angle, 1e-9);
}

TEST(PlacementOffsets, Unrotated) {
    const OffsetCase cases[] = {
        // A turned grid, but projected extents never turn a label.
        {"projected extents, north", 0, 0, 0, 2.0, 0.0, 0, 30.0, 0.0, 0.0, 2.0, 0.0},
        // Geographic extents without rotation stay unrotated.
        {"geographic extents, a = 0", 1, 3, 0, 3.0, 0.0, 0, 0.0, 0.0, 0.0, -3.0, 0.0},
        {"west parallel below", 0, 1, 1, 2.0, 1.0, 1, 0.0, 0.0, -2.0, -1.0, 90.0},
        {"north above", 0, 0, 0, 2.0, 0.5, 0, 0.0, 0.0, -0.5, 2.0, 0.0},
        {"south below", 0, 3, 0, 2.0, 0.5, 1, 0.0, 0.0, 0.5, -2.0, 0.0},
        {"south perpendicular centred", 0, 3, 2, 2.0, 0.5, 2, 0.0, 0.0, 0.0, -2.0, 90.0},
        {"east above", 0, 2, 0, 2.0, 0.5, 0, 0.0, 0.0, 2.0, 0.5, 0.0},
        {"east parallel below", 0, 2, 1, 2.0, 0.5, 1, 0.0, 0.0, 2.0, -0.5, 90.0},
        {"west perpendicular centred", 0, 1, 2, 2.0, 0.5, 2, 0.0, 0.0, -2.0, 0.0, 0.0},
        {"north parallel above", 0, 0, 1, 2.0, 0.5, 0, 0.0, 0.0, -0.5, 2.0, 0.0},
    };
    for (const OffsetCase &c : cases)
        CheckOffsets(c);
}

TEST(PlacementOffsets, RotatedRowsStartsAndTurns) {
    const double s30 = 0.5, c30 = std::sqrt(3.0) / 2.0;
    const OffsetCase cases[] = {
        // The written example: north, a = 30; q = 4, a' = 330: (sin 330°, cos 330°).
        {"north along, a = 30", 1, 0, 0, 1.0, 0.0, 0, 30.0, 0.0, -s30, c30, 30.0},
        // South, along, O >= 0: start (0, cos 30); q = 2, a' = 150: + (sin 150, cos 150).
        {"south along", 1, 3, 0, 1.0, 0.0, 0, 30.0, 0.0, 0.5, 0.0, 30.0},
        // North, along, O < 0, a = -30: start 0 (a < 0); q = 1, a' = 30: -1 * (sin 30, cos 30).
        {"north along negative", 1, 0, 1, -1.0, 0.0, 0, -30.0, 0.0, -s30, -c30, -30.0},
        // North, perpendicular, O >= 0: start (0, sin 30), turns; q = 4, a' = 330.
        {"north perpendicular", 1, 0, 2, 2.0, 0.0, 0, 30.0, 0.0, -2.0 * s30, s30 + 2.0 * c30, 120.0},
        // South, perpendicular, a = -30: start (0, -cos 30), turns; q = 3, a' = 210; V above.
        {"south perpendicular", 1, 3, 2, 1.0, 0.5, 0, -30.0, 0.0, -s30 + 0.25, -2.0 * c30, 60.0},
        // East, parallel, r2 = 30: start (-sin 30, 0), turns; q = 1, a' = 30.
        {"east parallel", 1, 2, 1, 2.0, 0.0, 0, 0.0, 30.0, -s30 + 2.0 * c30, 2.0 * s30, 120.0},
        // West, parallel, r2 = -30: start (cos 30, 0), turns; q = 2, a' = 150; V below.
        {"west parallel", 1, 1, 1, 1.0, 1.0, 1, 0.0, -30.0, 0.0, 0.0, 60.0},
        // West, orientation 0, r2 = 30: start 0; q = 3, a' = 210.
        {"west along", 1, 1, 0, 1.0, 0.0, 0, 0.0, 30.0, -c30, -s30, 30.0},
        // East, perpendicular, O < 0, r2 = -30: start 0; q = 4, a' = 330; centred moves like below.
        {"east perpendicular", 1, 2, 2, -1.0, 1.0, 2, 0.0, -30.0, -c30, 2.0 * s30, -30.0},
    };
    for (const OffsetCase &c : cases)
        CheckOffsets(c);
}

// ---- failures --------------------------------------------------------------------------------

TEST(PlacementFailure, AFailedRotationLeavesTheLabelUnturned) {
    Host h;
    h.s.NeatlineExtentsType = 1;
    h.Rotations(30.0, 0.0);
    h.s.LabelOffset = 1.0;
    // A latitude beyond 90°: GetLabelRotation reports and answers no rotation.
    auto label = h.Place(0, 0, Point(0.1, 2.0));
    ASSERT_EQ(h.reports.size(), 1u);
    EXPECT_EQ(h.reports[0].rfind("GetLabelRotation Error", 0), 0u);
    EXPECT_EQ(label->Angle, 0.0);
    EXPECT_DOUBLE_EQ(label->Origin->y, 201.0);
}

TEST(PlacementFailure, NoLabelToCompleteOrNoMapViewIsReportedNotThrown) {
    // A display type that makes no text leaves no CurrentLabel to complete.
    Host h;
    h.s.LabelPartHemisphere->SetbDisplay(false);
    h.Place(0, 0, Point(0.1, 0.2), Point(1, 2), 5);
    ASSERT_EQ(h.reports.size(), 1u);
    EXPECT_EQ(h.reports[0],
              "Create_OneLabel Error | Splitting up label. | Object variable or With block variable not set");
    EXPECT_EQ(h.s.LabelsCollection->Count(), 0);

    // The 180° correction asks the map view for its storage: a missing map view fails there.
    Host m;
    m.s.MapViewCoordSystem.reset();
    m.s.b180Crossed = true;
    Create_OneLabel(m.s, m.grid, Point(0.1, 0.2), Point(190.0, 2.0), Point(1.0, 2.0), 0, 0, m.grid, 0,
                    nullptr);
    ASSERT_EQ(m.reports.size(), 1u);
    EXPECT_EQ(m.reports[0].rfind("Create_OneLabel Error | In Create_OneLabel", 0), 0u);
    EXPECT_EQ(m.s.LabelsCollection->Count(), 0);
}

} // namespace
