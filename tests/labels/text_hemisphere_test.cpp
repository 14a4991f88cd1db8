// Label text: the grid utility module (whole parts with a tolerance, degrees to degrees, minutes
// and seconds) and the choice of hemisphere texts.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "labels/text.h"
#include "labels/utilities.h"
#include "parallo/coordkit_proj.h"
#include "service/state.h"
#include "support/coordkit_double.h"

namespace {

using parallo::detail::Point;
using parallo::detail::ServiceState;
using parallo::PXSGridUtilities::DecDegToDMS;
using parallo::PXSGridUtilities::FixWithTolerance;

/// A service state whose observer records "title | trace | description", with hemisphere texts
/// E W N S and recognisable placeholders in the four texts QuadrantStrings sets.
struct Observed {
    ServiceState s;
    std::vector<std::string> reports;
    Observed() {
        s.observer = [this](const std::string &d, const std::string &t, const std::string &n) {
            reports.push_back(n + " | " + t + " | " + d);
        };
        s.EastingHemisphereLabel = "E";
        s.WestingHemisphereLabel = "W";
        s.NorthingHemisphereLabel = "N";
        s.SouthingHemisphereLabel = "S";
        s.XPositiveHemisphereLabel = "x+";
        s.XNegativeHemisphereLabel = "x-";
        s.YPositiveHemisphereLabel = "y+";
        s.YNegativeHemisphereLabel = "y-";
        s.LabelPartHemisphere = std::make_shared<parallo::LabelPartCls>();
    }
    std::string Quad() const {
        return s.XPositiveHemisphereLabel + "," + s.XNegativeHemisphereLabel + "," +
               s.YPositiveHemisphereLabel + "," + s.YNegativeHemisphereLabel;
    }
};

// ---- FixWithTolerance -----------------------------------------------------------------------

TEST(FixWithTolerance, WrittenExamplesAndTheDefaultTolerance) {
    EXPECT_EQ(FixWithTolerance(59.99995, 0.0001), 60.0);
    EXPECT_EQ(FixWithTolerance(-2.99995, 0.0001), -3.0);
    EXPECT_EQ(FixWithTolerance(2.5, 0.0001), 2.0);
    EXPECT_EQ(FixWithTolerance(0.0, 0.5), 0.0);
    EXPECT_EQ(FixWithTolerance(-0.4, 0.5), 0.0);
    EXPECT_EQ(FixWithTolerance(-0.6, 0.5), -1.0);
    // A tolerance of 0 becomes 0.0001, in the caller's variable too; others are kept.
    double tol = 0.0;
    EXPECT_EQ(FixWithTolerance(9.99995, tol), 10.0);
    EXPECT_EQ(tol, 0.0001);
    double kept = 0.25;
    FixWithTolerance(1.0, kept);
    EXPECT_EQ(kept, 0.25);
    for (double bad : {std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN()}) {
        try {
            FixWithTolerance(bad, 0.5);
            ADD_FAILURE() << "no failure for " << bad;
        } catch (const parallo::Error &e) {
            EXPECT_EQ(e.Number(), parallo::kOverflow);
        }
    }
}

// ---- DecDegToDMS ----------------------------------------------------------------------------

struct Dms {
    std::int16_t sign, degrees, minutes;
    double seconds;
};

Dms Split(double degrees) {
    Observed o;
    Dms r{9, 9, 9, 9.0};
    DecDegToDMS(o.s, degrees, r.sign, r.degrees, r.minutes, r.seconds);
    EXPECT_TRUE(o.reports.empty());
    return r;
}

TEST(DecDegToDMS, SplitsAtWholeDegreesAndMinutesOnlyWithinNoise) {
    const double below46 = 45.0 + 59.0 / 60 + 57.0 / 3600;
    const double radiansBack = (46.0 * 3.14159265358979323846 / 180.0) * (180.0 / 3.14159265358979323846);
    const struct {
        const char *name;
        double value;
        Dms expected;
    } cases[] = {
        {"written example", 45.5042, {1, 45, 30, 15.12}},
        {"negative", -12.25, {-1, -12, 15, 0.0}},
        {"zero", 0.0, {0, 0, 0, 0.0}},
        // Within 0.001° of 46°, yet 3" below it: never 46°00'03".
        {"3 seconds below a degree", below46, {1, 45, 59, 57.0}},
        {"3 seconds below a negative degree", -below46, {-1, -45, 59, 57.0}},
        {"just below a whole minute", 45.0 + 29.0 / 60 + 59.97 / 3600, {1, 45, 29, 59.97}},
        // Degrees recovered from radians sit an ulp or so from the whole degree: they are it.
        {"an ulp below", std::nextafter(46.0, 0.0), {1, 46, 0, 0.0}},
        {"an ulp above the negative", -std::nextafter(46.0, 0.0), {-1, -46, 0, 0.0}},
        {"through radians", radiansBack, {1, 46, 0, 0.0}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const Dms d = Split(c.value);
        EXPECT_EQ(d.sign, c.expected.sign);
        EXPECT_EQ(d.degrees, c.expected.degrees);
        EXPECT_EQ(d.minutes, c.expected.minutes);
        // Seconds come from a difference of degrees near 45 times 3600: a few ulp of 45 (7e-15)
        // become about 3e-11 seconds; 1e-9 leaves room for that and nothing more.
        EXPECT_NEAR(d.seconds, c.expected.seconds, 1e-9);
    }
}

TEST(DecDegToDMS, EveryOutputStaysInItsRange) {
    // Property across two degrees in tenths of a second: minutes in 0..59, seconds in [0, 60),
    // and the parts add up to the value (ulp-level error of the subtractions, far below 1e-9).
    for (int k = -36000; k <= 36000; ++k) {
        const double value = 45.0 + k / 36000.0;
        const Dms d = Split(value);
        ASSERT_GE(d.minutes, 0);
        ASSERT_LE(d.minutes, 59);
        ASSERT_GE(d.seconds, 0.0);
        ASSERT_LT(d.seconds, 60.0);
        ASSERT_NEAR(d.degrees + d.minutes / 60.0 + d.seconds / 3600.0, value, 1e-9) << "k = " << k;
    }
}

TEST(DecDegToDMS, FailureGoesToTheErrorObserver) {
    // Degrees beyond the 16-bit range cannot be held: the report replaces the message box.
    Observed o;
    std::int16_t sign = 7, degrees = 7, minutes = 7;
    double seconds = 7.0;
    DecDegToDMS(o.s, 40000.5, sign, degrees, minutes, seconds);
    ASSERT_EQ(o.reports.size(), 1u);
    EXPECT_EQ(o.reports[0], "DecDegToDMS Error | In DecDegToDMS | Overflow\rIn DecDegToDMS");
    // What was written before the failure stays; the rest is untouched.
    EXPECT_EQ(sign, 1);
    EXPECT_EQ(degrees, 7);
    EXPECT_EQ(minutes, 7);
    EXPECT_EQ(seconds, 7.0);

    // A value that is not a number fails before anything is written.
    Observed n;
    DecDegToDMS(n.s, std::numeric_limits<double>::quiet_NaN(), sign, degrees, minutes, seconds);
    ASSERT_EQ(n.reports.size(), 1u);
    EXPECT_EQ(n.reports[0].rfind("DecDegToDMS Error", 0), 0u);
    EXPECT_EQ(sign, 1);

    // Without an observer the failure is silent, and still never thrown.
    ServiceState quiet;
    DecDegToDMS(quiet, 40000.5, sign, degrees, minutes, seconds);
}

// ---- QuadrantStrings and SetHemisphere ------------------------------------------------------

TEST(QuadrantStrings, QuadrantTables) {
    // Projected display (0, 2) reads only ProjectedQuadrant and empties the negative texts;
    // geographic display (1) reads only GeographicQuadrant. Unknown quadrants set nothing else.
    const struct {
        std::int32_t displayType, quadrant;
        const char *expected; // X positive, X negative, Y positive, Y negative
    } cases[] = {
        {0, 0, "E,,N,"},   {2, 6, "E,,N,"},   {0, 1, "E,,S,"},   {2, 3, "E,,S,"},   {0, 2, "W,,S,"},
        {2, 5, "W,,S,"},   {0, 4, "W,,N,"},   {2, 7, "W,,N,"},   {0, 8, "x+,,y+,"}, {2, -1, "x+,,y+,"},
        {1, 0, "E,W,N,S"}, {1, 1, "W,E,S,N"}, {1, 2, "E,W,S,N"}, {1, 3, "W,E,N,S"}, {1, 4, "x+,x-,y+,y-"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE("display " + std::to_string(c.displayType) + ", q = " + std::to_string(c.quadrant));
        Observed h;
        h.s.LabelDisplayType = c.displayType;
        auto cs = parallo_test::MakeIdentitySystem();
        const bool geographic = c.displayType == 1;
        cs->Config().projectedQuadrant = geographic ? 2 : c.quadrant; // the other must not be read
        cs->Config().geographicQuadrant = geographic ? c.quadrant : 3;
        parallo::detail::QuadrantStrings(h.s, cs);
        EXPECT_EQ(h.Quad(), c.expected);
        EXPECT_TRUE(h.reports.empty());
    }
}

TEST(QuadrantStrings, RealSystemsReportTheirOwnAxes) {
    const struct {
        const char *definition;
        std::int32_t displayType;
        const char *expected;
    } cases[] = {
        {"EPSG:32633", 0, "E,,N,"},   // UTM 33N: easting, northing
        {"EPSG:2053", 0, "W,,S,"},    // south-oriented Lo29: westing, southing
        {"EPSG:22275", 0, "W,,S,"},   // south-oriented Lo15
        {"EPSG:4326", 1, "E,W,N,S"},  // latitude first, still east and north positive
        {"EPSG:32633", 1, "E,W,N,S"}, // its geographic base
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.definition) + ", display " + std::to_string(c.displayType));
        Observed h;
        h.s.LabelDisplayType = c.displayType;
        parallo::detail::QuadrantStrings(h.s, coordkit::CreateProjCoordSystem(c.definition));
        EXPECT_TRUE(h.reports.empty());
        EXPECT_EQ(h.Quad(), c.expected);
    }
}

TEST(SetHemisphere, ProjectedByAxisGeographicBySign) {
    // Projected display (0) takes the positive text of the axis whatever the sign; any other
    // display takes the negative text for a negative X (north, south) or Y (west, east).
    const struct {
        std::int32_t displayType, quadrant;
        double x, y;
        std::int32_t axis;
        const char *expected;
    } cases[] = {
        {0, 2, -100, -200, 0, "W"}, {0, 2, -100, -200, 3, "W"},    {0, 2, -100, -200, 1, "S"},
        {0, 2, -100, -200, 2, "S"}, {0, 2, -100, -200, 4, "kept"}, // unknown axis: unchanged
        {1, 0, 0.5, -0.5, 0, "E"},  {1, 0, -0.5, 0.5, 3, "W"},     {1, 0, 0.0, 0.0, 0, "E"}, // zero: positive
        {1, 0, 0.5, -0.5, 1, "S"},  {1, 0, -0.5, 0.5, 2, "N"},     {1, 0, 0.0, 0.0, 2, "N"},
        {1, 1, 0.5, 0.5, 0, "W"},   {1, 1, 0.5, 0.5, 1, "S"}, // west/south positive: its own letters
        {1, 1, -0.5, -0.5, 3, "E"}, {1, 1, -0.5, -0.5, 2, "N"},    {1, 2, 0.5, 0.5, 1, "S"},
        {1, 3, 0.5, 0.5, 0, "W"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE("display " + std::to_string(c.displayType) + ", quadrant " + std::to_string(c.quadrant) +
                     ", axis " + std::to_string(c.axis));
        Observed h;
        h.s.LabelDisplayType = c.displayType;
        auto cs = parallo_test::MakeGeographicSystem();
        cs->Config().projectedQuadrant = c.quadrant;
        cs->Config().geographicQuadrant = c.quadrant;
        parallo::detail::QuadrantStrings(h.s, cs);
        h.s.LabelPartHemisphere->SetText("kept");
        parallo::detail::SetHemisphere(h.s, Point(c.x, c.y), c.axis);
        EXPECT_EQ(h.s.LabelPartHemisphere->Text(), c.expected);
    }
}

TEST(HemisphereFailures, MissingObjectsAreReportedAndChangeNothing) {
    Observed q;
    parallo::detail::QuadrantStrings(q.s, nullptr);
    ASSERT_EQ(q.reports.size(), 1u);
    EXPECT_EQ(q.reports[0].rfind("QuadrantStrings Error | In QuadrantStrings | ", 0), 0u);
    EXPECT_EQ(q.Quad(), "x+,x-,y+,y-");

    Observed h;
    h.s.LabelPartHemisphere.reset();
    parallo::detail::SetHemisphere(h.s, Point(1, 1), 0);
    ASSERT_EQ(h.reports.size(), 1u);
    EXPECT_EQ(h.reports[0].rfind("SetHemisphere Error | In SetHemisphere | ", 0), 0u);
}

} // namespace
