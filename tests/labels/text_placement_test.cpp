// One label from the narrow inputs of the label procedures: degrees to degrees-minutes-seconds, hemisphere
// texts, a grid value split into parts A, B, C, D, unit and hemisphere, and the placement of the label
// (anchor, 180° correction, justification, offsets unrotated and rotated).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "labels/one_label.h"
#include "labels/text.h"
#include "labels/utilities.h"
#include "platform/angles.h"
#include "support/checks.h"
#include "support/coordkit_double.h"

namespace {

using parallo::detail::Create_OneLabel;
using parallo::detail::SplitUpLabel;
using parallo::PXSGridUtilities::DecDegToDMS;
using shapekit::Point;

using parallo::platform::kPi;

double Radians(int degrees, int minutes, double seconds, int sign = 1) {
    return sign * (degrees + minutes / 60.0 + seconds / 3600.0) * kPi / 180.0;
}

/// A plane system whose projection reports the convergence `angle` (radians) and whose plane is
/// the geographic space turned clockwise by `turn`. With these a test dictates both rotations
/// GetLabelRotation answers: r1 = angle(map view) - angle(grid), r2 = turn(grid) - turn(map view).
class TurnedSystem : public coordkit::CoordSystem {
public:
    TurnedSystem(double angle, double turn, std::int32_t storage = coordkit::kProjectedStorage)
        : angle_(angle), turn_(turn), storage_(storage) {}
    std::int32_t BaseStorageType() const override { return storage_; }
    void SetBaseStorageType(std::int32_t type) override { storage_ = type; }
    double StorageScale() const override { return 1.0; }
    void ConvertPoint(std::int32_t from, std::int32_t to, double &x, double &y, double &) const override {
        if ((from == coordkit::kGeographic) == (to == coordkit::kGeographic)) return;
        const double c = std::cos(turn_), s = (from == coordkit::kGeographic ? 1.0 : -1.0) * std::sin(turn_);
        const double px = x;
        x = px * c + y * s;
        y = -px * s + y * c;
    }
    std::shared_ptr<coordkit::CoordSystem> CopyCoordSystem() const override {
        return std::make_shared<TurnedSystem>(*this);
    }
    bool CanConvert(std::int32_t, std::int32_t) const override { return true; }
    std::shared_ptr<coordkit::Projection> ProjectionSpace() const override {
        auto cfg = std::make_shared<parallo_test::CoordSystemConfig>();
        cfg->angle = angle_;
        return std::make_shared<parallo_test::ProjectionDouble>(cfg);
    }

private:
    double angle_, turn_;
    std::int32_t storage_;
};

/// The inputs of one label as the label generator hands them over: the six parts, shown as the
/// letters A B C D U(nit) H(emisphere) in `shown` say, digit groups 5|3, an empty collection,
/// hemisphere names E W N S with placeholders in the four texts QuadrantStrings sets, a projected
/// map view without convergence, edge points read as longitude and latitude straight from the
/// grid point, and an observer recording "title | trace | description".
struct LabelState {
    parallo::detail::Reporter reporter;
    parallo::detail::LabelStyle style;
    parallo::GridLabels labels;
    std::shared_ptr<parallo::GridLabel> last; ///< the label made last
    const parallo::detail::HemisphereNames names{"E", "W", "N", "S"};
    std::shared_ptr<coordkit::CoordSystem> mapView = std::make_shared<TurnedSystem>(0.0, 0.0);
    std::int32_t extentsType = 0;
    bool crossed180 = false;
    std::vector<std::string> reports;
    std::shared_ptr<coordkit::CoordSystem> grid = std::make_shared<TurnedSystem>(0.0, 0.0);

    explicit LabelState(const std::string &shown = "ABCDUH") {
        const char letters[] = "ABCDUH";
        std::shared_ptr<parallo::LabelPartCls> *parts[] = {
            &style.partA, &style.partB, &style.partC, &style.partD, &style.partUnit, &style.partHemisphere};
        for (int i = 0; i < 6; ++i) {
            *parts[i] = std::make_shared<parallo::LabelPartCls>();
            (*parts[i])->SetbDisplay(shown.find(letters[i]) != std::string::npos);
        }
        style.magnitudeAB = 5;
        style.magnitudeBC = 3;
        style.hemispheres = {"x+", "x-", "y+", "y-"};
        reporter.observer = parallo_test::Recorder(reports);
    }
    std::string Quad() const {
        const auto &h = style.hemispheres;
        return h.xPositive + "," + h.xNegative + "," + h.yPositive + "," + h.yNegative;
    }
    /// The texts of the label made last as "A|B|C|D|unit|hemisphere|LabelString".
    std::string Texts() const {
        const parallo::GridLabel &g = *last;
        return g.LabelStringA + "|" + g.LabelStringB + "|" + g.LabelStringC + "|" + g.LabelStringD + "|" +
               g.LabelStringUnit + "|" + g.LabelStringHemisphere + "|" + g.LabelString;
    }
    void Split(double value, std::int32_t displayType) {
        last = SplitUpLabel(reporter, style, labels, value, displayType);
    }
    /// Places one label (other axis 0) for grid point ptGrid at map point ptMap and raw point ptRaw.
    std::shared_ptr<parallo::GridLabel> Place(std::int32_t axis, const Point &ptGrid = Point(0.1, 0.2),
                                              const Point &ptRaw = Point(100, 200),
                                              const Point &ptMap = Point(100, 200),
                                              std::int32_t displayType = 0) {
        const parallo::detail::LabelPlacement placement{
            reporter, style, labels, {reporter, mapView, 1}, extentsType, crossed180};
        const std::int32_t before = labels.Count();
        Create_OneLabel(placement, grid, ptGrid, ptRaw, ptMap, axis, displayType, grid, 0, nullptr);
        return labels.Count() > before ? labels.Item(labels.Count()) : nullptr;
    }
};

// ---- degrees, minutes, seconds and hemisphere texts ------------------------------------------

// The hemisphere texts by quadrant and sign are read on real systems by the label generation
// tests (westings and southings, the south-western graticule); here the failures, reported to
// the error observer in place of a message box.
TEST(LabelText, DegreeAndHemisphereFailuresAreReportedAndChangeNothing) {
    // Degrees beyond the 16-bit range: what was written before the failure stays.
    LabelState t;
    std::int16_t sign = 7, degrees = 7, minutes = 7;
    double seconds = 7.0;
    DecDegToDMS(t.reporter, 40000.5, sign, degrees, minutes, seconds);
    EXPECT_EQ(sign, 1);
    EXPECT_EQ(degrees, 7);
    EXPECT_EQ(seconds, 7.0);
    // Missing objects.
    parallo::detail::QuadrantStrings(t.reporter, 0, t.names, nullptr, t.style.hemispheres);
    EXPECT_EQ(t.Quad(), "x+,x-,y+,y-");
    t.style.partHemisphere.reset();
    parallo::detail::SetHemisphere(t.reporter, t.style, Point(1, 1), 0);
    ASSERT_EQ(t.reports.size(), 3u);
    EXPECT_EQ(t.reports[0], "DecDegToDMS Error | In DecDegToDMS | Overflow\rIn DecDegToDMS");
    EXPECT_EQ(t.reports[1].rfind("QuadrantStrings Error | In QuadrantStrings | ", 0), 0u);
    EXPECT_EQ(t.reports[2].rfind("SetHemisphere Error | In SetHemisphere | ", 0), 0u);
}

// ---- values split into parts ----------------------------------------------------------------

TEST(LabelText, SplitUpLabelTable) {
    const struct {
        const char *name;
        std::int32_t mode; // display type: 0 and 2 projected, 1 geographic
        double value;
        std::int16_t decimals;
        bool ddmmss;
        const char *shown, *hemisphere; // the hemisphere text as SetHemisphere would have left it
        const char *expected;           // A|B|C|D|unit|hemisphere|LabelString
    } cases[] = {
        // clang-format off
        {"digit groups", 0, 4523789, 0, false, "ABC", "", "45|23|789||||4523789"},
        {"display type 2 is projected too", 2, 4523789, 0, false, "ABC", "", "45|23|789||||4523789"},
        {"big numbers without A", 0, 5310000, 0, false, "BC", "", "53|10|000||||10000"},
        {"short value fills C first", 0, 789, 0, false, "ABC", "", "||789||||789"},
        {"B takes the rest below AB", 0, 45789, 0, false, "ABC", "", "|45|789||||45789"},
        {"with unit", 0, 4523789, 0, false, "ABCU", "", "45|23|789||m||4523789m"},
        {"sign stays with an empty A", 0, -12.5, 2, false, "ABCD", "", "-||12|.50|||-12.50"},
        {"hidden A hides the sign", 0, -4523789, 0, false, "BC", "", "-45|23|789||||23789"},
        {"zero into C", 0, 0, 0, false, "ABC", "", "||0||||0"},
        {"zero into B when C hidden", 0, 0, 0, false, "AB", "", "|0|||||0"},
        {"zero into A when only A shown", 0, 0, 0, false, "A", "", "0||||||0"},
        {"-0.4 without decimals reads 0", 0, -0.4, 0, false, "ABCD", "", "||0||||0"},
        {"-0.4 with a decimal keeps its sign", 0, -0.4, 1, false, "ABCD", "", "-||0|.4|||-0.4"},
        {"-0.04 rounding to zero reads 0.0", 0, -0.04, 1, false, "ABCD", "", "||0|.0|||0.0"},
        {"999.9996 rounds up to 1000", 0, 999.9996, 3, false, "ABCD", "", "|1|000|.000|||1000.000"},
        {"just below half a unit", 0, 12.994, 2, false, "ABCD", "", "||12|.99|||12.99"},
        {"just above half a unit", 0, 12.996, 2, false, "ABCD", "", "||13|.00|||13.00"},
        {"decimals hidden still round", 0, 12.6, 2, false, "ABC", "", "||12||||12"},
        {"hemisphere as prefix", 0, 4523789, 0, false, "ABCH", "N", "45|23|789|||N|N4523789"},
        // Geographic values in radians; never a unit.
        {"written example to the hundredth", 1, 45.5042 * kPi / 180, 2, false, "ABCD", "", "45°|30'|15|.12\"|||45°30'15.12\""},
        // Within 0.001° of a whole degree, yet 3" below it: never 46°00'03".
        {"3 seconds below a negative degree", 1, Radians(45, 59, 57, -1), 0, false, "ABC", "", "-45°|59'|57\"||||-45°59'57\""},
        {"a negative whole degree through radians", 1, Radians(46, 0, 0, -1), 0, false, "ABC", "", "-46°|00'|00\"||||-46°00'00\""},
        {"written example 45.5042", 1, 45.5042 * kPi / 180, 1, false, "ABCD", "", "45°|30'|15|.1\"|||45°30'15.1\""},
        {"DDMMSS", 1, Radians(45, 30, 15.25), 2, true, "ABCD", "", "45|30|15|25|||45.301525"},
        {"seconds carry 59.7", 1, Radians(45, 30, 59.7), 0, false, "ABC", "", "45°|31'|00\"||||45°31'00\""},
        {"below the carry 59.4", 1, Radians(45, 30, 59.4), 0, false, "ABC", "", "45°|30'|59\"||||45°30'59\""},
        {"-0.5 without hemisphere", 1, Radians(0, 30, 0, -1), 0, false, "ABC", "", "-0°|30'|00\"||||-0°30'00\""},
        {"hemisphere replaces the sign", 1, Radians(33, 30, 0, -1), 0, false, "ABCH", "S", "33°|30'|00\"|||S|S33°30'00\""},
        {"degrees only, never a unit", 1, Radians(12, 0, 0), 0, false, "AU", "", "12°||||||12°"},
        // Rounding boundaries of every row of the display table (B, C, D shown or hidden).
        {"BCD 59.94\" stays", 1, Radians(45, 30, 59.94), 1, false, "ABCD", "", "45°|30'|59|.9\"|||45°30'59.9\""},
        {"BCD carries a degree", 1, Radians(45, 59, 59.96), 1, false, "ABCD", "", "46°|00'|00|.0\"|||46°00'00.0\""},
        {"BCD no decimal places", 1, Radians(45, 30, 15.4), 0, false, "ABCD", "", "45°|30'|15|.\"|||45°30'15.\""},
        {"BC carries a degree", 1, Radians(45, 59, 59.7), 0, false, "ABC", "", "46°|00'|00\"||||46°00'00\""},
        {"BC DDMMSS carries a minute", 1, Radians(45, 30, 59.7), 0, true, "ABC", "", "45|31|00||||45.3100"},
        {"BD 29.94' stays", 1, Radians(45, 29, 0.94 * 60), 1, false, "ABD", "", "45°|29||.9'|||45°29.9'"},
        {"BD 29.97' reads 30.0'", 1, Radians(45, 29, 0.97 * 60), 1, false, "ABD", "", "45°|30||.0'|||45°30.0'"},
        {"BD 59.97' carries a degree", 1, Radians(45, 59, 0.97 * 60), 1, false, "ABD", "", "46°|00||.0'|||46°00.0'"},
        {"B 59'40\" stays 59'", 1, Radians(45, 59, 40), 0, false, "AB", "", "45°|59'|||||45°59'"},
        {"B 59'59.7\" carries a degree", 1, Radians(45, 59, 59.7), 0, false, "AB", "", "46°|00'|||||46°00'"},
        {"CD carries into A", 1, Radians(45, 59, 59.96), 1, false, "ACD", "", "46||00|.0\"|||4600.0\""},
        {"C DDMMSS carries", 1, Radians(45, 30, 59.7), 0, true, "AC", "", "45||00||||45.00"},
        {"D -45.96 reads -46.0", 1, -45.96 * kPi / 180, 1, false, "AD", "", "-46|||.0°|||-46.0°"},
        {"D DDMMSS reads decimal degrees", 1, 45.25 * kPi / 180, 2, true, "AD", "", "45|||25|||45.25"},
        {"none 45.9 stays 45", 1, 45.9 * kPi / 180, 0, false, "A", "", "45°||||||45°"},
        {"none 45°59'59.7\" carries", 1, Radians(45, 59, 59.7), 0, false, "A", "", "46°||||||46°"},
        // clang-format on
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        LabelState t(c.shown);
        t.style.decimalPlaces = c.decimals;
        t.style.geographicDDMMSS = c.ddmmss;
        t.style.unitText = "m";
        t.style.partHemisphere->SetText(c.hemisphere);
        t.Split(c.value, c.mode);
        ASSERT_EQ(t.labels.Count(), 1);
        ASSERT_EQ(t.last, t.labels.Item(1));
        EXPECT_EQ(t.Texts(), c.expected);
        EXPECT_TRUE(t.reports.empty());
    }
    // The hemisphere after the value, with every part shown.
    LabelState a;
    a.style.decimalPlaces = 2;
    a.style.unitText = "m";
    a.style.hemisphereAsSuffix = true;
    a.style.partHemisphere->SetText("E");
    a.Split(4523789.25, 0);
    EXPECT_EQ(a.Texts(), "45|23|789|.25|m|E|4523789.25mE");
    // A geographic row leaves the parts it does not set with their previous text.
    LabelState g("AB");
    g.style.partC->SetText("old C");
    g.Split(Radians(10, 15, 0), 1);
    EXPECT_EQ(g.last->LabelStringC, "old C");
    EXPECT_EQ(g.last->LabelString, "10°15'");
}

TEST(LabelText, GraticuleValuesReadAsThemselves) {
    // 1" steps across three degrees, stepped in radians as the generators step them: each reads
    // exactly its own degree, minute and second (45°59'57" never 46°00'03").
    const double step = kPi / (180.0 * 3600.0);
    const long start = 44L * 3600;
    LabelState t("ABC");
    char expected[32];
    for (long k = 0; k <= 3 * 3600; ++k) {
        const long v = start + k;
        t.Split(static_cast<double>(start) * step + static_cast<double>(k) * step, 1);
        std::snprintf(expected, sizeof expected, "%ld°%02ld'%02ld\"", v / 3600, v / 60 % 60, v % 60);
        ASSERT_EQ(t.last->LabelString, expected) << "k = " << k;
    }
    // Tenths of a degree with one decimal shown: every label reads exactly its tenth.
    LabelState d("AD");
    d.style.decimalPlaces = 1;
    for (int k = 0; k <= 1800; ++k) {
        d.Split((k / 10.0) * kPi / 180.0, 1);
        std::snprintf(expected, sizeof expected, "%d.%d°", k / 10, k % 10);
        ASSERT_EQ(d.last->LabelString, expected) << "k = " << k;
    }
    EXPECT_TRUE(t.reports.empty());
    EXPECT_TRUE(d.reports.empty());
}

TEST(LabelText, SplitFailuresKeepWhatWasWritten) {
    // MagnitudeBC above MagnitudeAB with a longer number: B would need -2 digits. The report
    // carries the trace grown so far.
    LabelState t("ABC");
    t.style.magnitudeAB = 3;
    t.style.magnitudeBC = 5;
    t.Split(1234567, 0);
    ASSERT_EQ(t.reports.size(), 1u);
    EXPECT_EQ(t.reports[0],
              "SplitUpLabel Error | Calculating portion lengths.\rSplitting string portion A"
              "\rPartA = 1234\rSplitting string portion B\rMagnitudeAB = 3\rMagnitudeBC = 5"
              "\riLenABC = 7\riLenA = 4 ; iLenB = -2 ; iLenC = 5 | Invalid procedure call or argument");
    ASSERT_EQ(t.labels.Count(), 1);
    EXPECT_EQ(t.last->LabelString, "1234");

    // Missing objects: the label is added and returned before the parts are reached; another
    // display type makes no label to put its hemisphere on.
    const struct {
        const char *name, *shown;
        bool removeD;
        std::int32_t mode, count; // count: labels in the collection afterwards
    } cases[] = {{"no part D", "ABC", true, 1, 1}, {"no label for another mode", "H", false, 5, 0}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        LabelState f(c.shown);
        if (c.removeD) f.style.partD.reset();
        f.Split(1.0, c.mode);
        ASSERT_EQ(f.reports.size(), 1u);
        EXPECT_EQ(f.reports[0].rfind("SplitUpLabel Error | ", 0), 0u) << f.reports[0];
        EXPECT_EQ(f.labels.Count(), c.count);
        EXPECT_EQ(f.last != nullptr, c.count == 1);
    }
}

// ---- placement ------------------------------------------------------------------------------

TEST(LabelPlacement, The180CorrectionOnlyBeyond180OnAGeographicMapView) {
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
        LabelState h;
        if (c.geographicMapView)
            h.mapView = std::make_shared<TurnedSystem>(0.0, 0.0, coordkit::kGeographicStorage);
        h.crossed180 = c.crossed;
        const auto label = h.Place(0, Point(0.1, 0.1), Point(c.rawX, 5.0), Point(c.mapX, -7.0));
        EXPECT_DOUBLE_EQ(label->Origin->x, c.expectedX);
        EXPECT_DOUBLE_EQ(label->Origin->y, -7.0);
        EXPECT_TRUE(h.reports.empty());
    }
}

// Each side and orientation is placed on real turned graticules by the label generation tests;
// these rows pin the written example and the sign rules.
TEST(LabelPlacement, OffsetsUnrotatedAndRotated) {
    const double s30 = 0.5, c30 = std::sqrt(3.0) / 2.0;
    // extents: NeatlineExtentsType, only 1 (geographic) turns labels; r1, r2: the rotations
    // GetLabelRotation answers (degrees); the comments give the start and the quadrant q of a'.
    const struct {
        const char *name;
        int extents, axis, orientation;
        double O, V;
        int relative;
        double r1, r2, dx, dy, angle;
    } cases[] = {
        // clang-format off
        {"projected extents never turn", 0, 0, 0, 2.0, 0.0, 0, 30.0, 0.0, 0.0, 2.0, 0.0},
        {"west parallel below", 0, 1, 1, 2.0, 1.0, 1, 0.0, 0.0, -2.0, -1.0, 90.0},
        // The written example: north, a = 30; q = 4, a' = 330: (sin 330°, cos 330°).
        {"north along, a = 30", 1, 0, 0, 1.0, 0.0, 0, 30.0, 0.0, -s30, c30, 30.0},
        // Start (0, sin 30), turns; q = 4, a' = 330. 120° would read upside down: -60°.
        {"north perpendicular", 1, 0, 2, 2.0, 0.0, 0, 30.0, 0.0, -2.0 * s30, s30 + 2.0 * c30, -60.0},
        // r2 = 30: start (-sin 30, 0), turns; q = 1, a' = 30. 120° turns to -60° as well.
        {"east parallel", 1, 2, 1, 2.0, 0.0, 0, 0.0, 30.0, -s30 + 2.0 * c30, 2.0 * s30, -60.0},
        // O < 0, r2 = -30: start 0; q = 4, a' = 330; centred moves like below.
        {"east perpendicular", 1, 2, 2, -1.0, 1.0, 2, 0.0, -30.0, -c30, 2.0 * s30, -30.0},
        // clang-format on
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        LabelState h;
        h.extentsType = c.extents;
        h.grid = std::make_shared<TurnedSystem>(-c.r1 * kPi / 180.0, c.r2 * kPi / 180.0);
        h.style.offset = c.O;
        h.style.verticalOffset = c.V;
        h.style.orientation = static_cast<parallo::GridLabelOrientationConstants>(c.orientation);
        h.style.relativeToPoint = static_cast<parallo::GridLabelPositionConstants>(c.relative);
        auto label = h.Place(c.axis);
        EXPECT_TRUE(h.reports.empty());
        // Sums of a few sines and cosines; r2 is measured along a 0.0006° chord and carries a few
        // 1e-11 degrees, moving an offset of 2 by about 1e-12.
        EXPECT_NEAR(label->Origin->x - 100.0, c.dx, 1e-11);
        EXPECT_NEAR(label->Origin->y - 200.0, c.dy, 1e-11);
        EXPECT_NEAR(label->Angle, c.angle, 1e-9);
    }
}

TEST(LabelPlacement, FailuresAreReportedNotThrown) {
    // A latitude beyond 90°: GetLabelRotation reports and answers no rotation; the label is
    // placed unturned.
    LabelState h;
    h.extentsType = 1;
    h.grid = std::make_shared<TurnedSystem>(-30.0 * kPi / 180.0, 0.0);
    h.style.offset = 1.0;
    auto label = h.Place(0, Point(0.1, 2.0));
    ASSERT_EQ(h.reports.size(), 1u);
    EXPECT_EQ(h.reports[0].rfind("GetLabelRotation Error", 0), 0u);
    EXPECT_EQ(label->Angle, 0.0);
    EXPECT_DOUBLE_EQ(label->Origin->y, 201.0);

    // A display type that makes no text leaves no label to complete.
    LabelState t("ABCDU");
    t.Place(0, Point(0.1, 0.2), Point(1, 2), Point(1, 2), 5);
    ASSERT_EQ(t.reports.size(), 1u);
    EXPECT_EQ(t.reports[0],
              "Create_OneLabel Error | Splitting up label. | Object variable or With block variable not set");
    EXPECT_EQ(t.labels.Count(), 0);

    // The 180° correction asks the map view for its storage: a missing map view fails there.
    LabelState m;
    m.mapView.reset();
    m.crossed180 = true;
    m.Place(0, Point(0.1, 0.2), Point(190.0, 2.0), Point(1.0, 2.0));
    ASSERT_EQ(m.reports.size(), 1u);
    EXPECT_EQ(m.reports[0].rfind("Create_OneLabel Error | In Create_OneLabel", 0), 0u);
    EXPECT_EQ(m.labels.Count(), 0);
}

} // namespace
