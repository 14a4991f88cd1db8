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

using parallo::LabelPartCls;
using parallo::detail::ServiceState;
using parallo::PXSGridUtilities::DecDegToDMS;
using parallo::PXSGridUtilities::FixWithTolerance;

struct Report {
    std::string description, trace, title;
};

struct Observed {
    ServiceState s;
    std::vector<Report> reports;
    Observed() {
        s.observer = [this](const std::string &d, const std::string &t, const std::string &n) {
            reports.push_back({d, t, n});
        };
    }
};

// ---- FixWithTolerance -----------------------------------------------------------------------

TEST(FixWithTolerance, WrittenExamples) {
    EXPECT_EQ(FixWithTolerance(59.99995, 0.0001), 60.0);
    EXPECT_EQ(FixWithTolerance(-2.99995, 0.0001), -3.0);
    EXPECT_EQ(FixWithTolerance(2.5, 0.0001), 2.0);
    EXPECT_EQ(FixWithTolerance(0.0, 0.5), 0.0);
    EXPECT_EQ(FixWithTolerance(-0.4, 0.5), 0.0);
    EXPECT_EQ(FixWithTolerance(-0.6, 0.5), -1.0);
}

TEST(FixWithTolerance, ZeroToleranceBecomesOneTenThousandthInTheCallersVariable) {
    double tol = 0.0;
    EXPECT_EQ(FixWithTolerance(9.99995, tol), 10.0);
    EXPECT_EQ(tol, 0.0001);
    double kept = 0.25;
    FixWithTolerance(1.0, kept);
    EXPECT_EQ(kept, 0.25);
}

TEST(FixWithTolerance, NonFiniteValuesRaiseOverflow) {
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

// Seconds come from a difference of degrees near 45 multiplied by 3600: an error of a few ulp
// of 45 (7e-15) becomes about 3e-11 seconds; 1e-9 leaves room for that and nothing more.
constexpr double kSecondsTolerance = 1e-9;

TEST(DecDegToDMS, SplitsDegreesMinutesSeconds) {
    const Dms d = Split(45.5042);
    EXPECT_EQ(d.sign, 1);
    EXPECT_EQ(d.degrees, 45);
    EXPECT_EQ(d.minutes, 30);
    EXPECT_NEAR(d.seconds, 15.12, kSecondsTolerance);

    const Dms n = Split(-12.25);
    EXPECT_EQ(n.sign, -1);
    EXPECT_EQ(n.degrees, -12);
    EXPECT_EQ(n.minutes, 15);
    EXPECT_NEAR(n.seconds, 0.0, kSecondsTolerance);

    const Dms z = Split(0.0);
    EXPECT_EQ(z.sign, 0);
    EXPECT_EQ(z.degrees, 0);
    EXPECT_EQ(z.minutes, 0);
    EXPECT_EQ(z.seconds, 0.0);
}

TEST(DecDegToDMS, ValuesJustBelowAWholeDegreeStayBelowIt) {
    // 45°59'57" lies within 0.001° of 46°: it must not become 46°00'03".
    const Dms d = Split(45.0 + 59.0 / 60 + 57.0 / 3600);
    EXPECT_EQ(d.degrees, 45);
    EXPECT_EQ(d.minutes, 59);
    EXPECT_NEAR(d.seconds, 57.0, kSecondsTolerance);

    const Dms n = Split(-(45.0 + 59.0 / 60 + 57.0 / 3600));
    EXPECT_EQ(n.sign, -1);
    EXPECT_EQ(n.degrees, -45);
    EXPECT_EQ(n.minutes, 59);
    EXPECT_NEAR(n.seconds, 57.0, kSecondsTolerance);

    // Just below a whole minute: 29'59.97" stays in minute 29.
    const Dms m = Split(45.0 + 29.0 / 60 + 59.97 / 3600);
    EXPECT_EQ(m.minutes, 29);
    EXPECT_NEAR(m.seconds, 59.97, kSecondsTolerance);
}

TEST(DecDegToDMS, FloatingPointNoiseReadsAsTheWholeDegree) {
    // Degrees recovered from radians sit an ulp or so away from the whole degree.
    const double below = std::nextafter(46.0, 0.0);
    const Dms d = Split(below);
    EXPECT_EQ(d.degrees, 46);
    EXPECT_EQ(d.minutes, 0);
    EXPECT_EQ(d.seconds, 0.0);

    const Dms n = Split(-below);
    EXPECT_EQ(n.degrees, -46);
    EXPECT_EQ(n.minutes, 0);
    EXPECT_EQ(n.seconds, 0.0);

    const Dms r = Split((46.0 * 3.14159265358979323846 / 180.0) * (180.0 / 3.14159265358979323846));
    EXPECT_EQ(r.degrees, 46);
    EXPECT_EQ(r.minutes, 0);
    EXPECT_NEAR(r.seconds, 0.0, kSecondsTolerance);
}

TEST(DecDegToDMS, EveryOutputStaysInItsRange) {
    // Property: for values across a degree in steps of a tenth of a second, minutes stay in
    // 0..59, seconds in [0, 60), and the parts add up to the value.
    for (int k = -36000; k <= 36000; ++k) {
        const double value = 45.0 + k / 36000.0;
        const Dms d = Split(value);
        ASSERT_GE(d.minutes, 0);
        ASSERT_LE(d.minutes, 59);
        ASSERT_GE(d.seconds, 0.0);
        ASSERT_LT(d.seconds, 60.0);
        // Sum in degrees: ulp-level error of the subtractions, far below 1e-9.
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
    EXPECT_EQ(o.reports[0].title, "DecDegToDMS Error");
    EXPECT_EQ(o.reports[0].description, "Overflow\rIn DecDegToDMS");
    EXPECT_EQ(o.reports[0].trace, "In DecDegToDMS");
    // What was written before the failure stays; the rest is untouched.
    EXPECT_EQ(sign, 1);
    EXPECT_EQ(degrees, 7);
    EXPECT_EQ(minutes, 7);
    EXPECT_EQ(seconds, 7.0);

    // A value that is not a number fails before anything is written.
    Observed n;
    DecDegToDMS(n.s, std::numeric_limits<double>::quiet_NaN(), sign, degrees, minutes, seconds);
    ASSERT_EQ(n.reports.size(), 1u);
    EXPECT_EQ(n.reports[0].title, "DecDegToDMS Error");
    EXPECT_EQ(sign, 1);

    // Without an observer the failure is silent, and still never thrown.
    ServiceState quiet;
    DecDegToDMS(quiet, 40000.5, sign, degrees, minutes, seconds);
}

// ---- QuadrantStrings and SetHemisphere ------------------------------------------------------

struct Hemispheres : Observed {
    Hemispheres() {
        s.EastingHemisphereLabel = "E";
        s.WestingHemisphereLabel = "W";
        s.NorthingHemisphereLabel = "N";
        s.SouthingHemisphereLabel = "S";
        s.XPositiveHemisphereLabel = "x+";
        s.XNegativeHemisphereLabel = "x-";
        s.YPositiveHemisphereLabel = "y+";
        s.YNegativeHemisphereLabel = "y-";
        s.LabelPartHemisphere = std::make_shared<LabelPartCls>();
    }
    std::string Quad() const {
        return s.XPositiveHemisphereLabel + "," + s.XNegativeHemisphereLabel + "," +
               s.YPositiveHemisphereLabel + "," + s.YNegativeHemisphereLabel;
    }
};

TEST(QuadrantStrings, ProjectedQuadrants) {
    // q -> X positive, X negative, Y positive, Y negative. Unknown quadrants set only the
    // emptied negative texts.
    const std::pair<std::int32_t, const char *> table[] = {
        {0, "E,,N,"}, {6, "E,,N,"}, {1, "E,,S,"}, {3, "E,,S,"},   {2, "W,,S,"},
        {5, "W,,S,"}, {4, "W,,N,"}, {7, "W,,N,"}, {8, "x+,,y+,"}, {-1, "x+,,y+,"},
    };
    for (const auto &row : table) {
        for (std::int32_t displayType : {0, 2}) {
            SCOPED_TRACE("q = " + std::to_string(row.first) + ", display " + std::to_string(displayType));
            Hemispheres h;
            h.s.LabelDisplayType = displayType;
            auto cs = parallo_test::MakeIdentitySystem();
            cs->Config().projectedQuadrant = row.first;
            cs->Config().geographicQuadrant = 3; // must not be read
            parallo::detail::QuadrantStrings(h.s, cs);
            EXPECT_EQ(h.Quad(), row.second);
            EXPECT_TRUE(h.reports.empty());
        }
    }
}

TEST(QuadrantStrings, GeographicQuadrants) {
    const std::pair<std::int32_t, const char *> table[] = {
        {0, "E,W,N,S"}, {1, "W,E,S,N"}, {2, "E,W,S,N"}, {3, "W,E,N,S"}, {4, "x+,x-,y+,y-"},
    };
    for (const auto &row : table) {
        SCOPED_TRACE("q = " + std::to_string(row.first));
        Hemispheres h;
        h.s.LabelDisplayType = 1;
        auto cs = parallo_test::MakeGeographicSystem();
        cs->Config().geographicQuadrant = row.first;
        cs->Config().projectedQuadrant = 2; // must not be read
        parallo::detail::QuadrantStrings(h.s, cs);
        EXPECT_EQ(h.Quad(), row.second);
    }
}

TEST(QuadrantStrings, MissingSystemIsReported) {
    Hemispheres h;
    parallo::detail::QuadrantStrings(h.s, nullptr);
    ASSERT_EQ(h.reports.size(), 1u);
    EXPECT_EQ(h.reports[0].title, "QuadrantStrings Error");
    EXPECT_EQ(h.reports[0].trace, "In QuadrantStrings");
    EXPECT_EQ(h.Quad(), "x+,x-,y+,y-");
}

TEST(SetHemisphere, ProjectedDisplayTakesThePositiveTextOfTheAxis) {
    // A south-oriented projected system (quadrant 2: x west, y south) labels its own
    // hemispheres whatever the sign of the value.
    Hemispheres h;
    h.s.LabelDisplayType = 0;
    auto cs = parallo_test::MakeIdentitySystem();
    cs->Config().projectedQuadrant = 2;
    parallo::detail::QuadrantStrings(h.s, cs);
    const parallo::detail::Point negative(-100.0, -200.0);
    const std::pair<std::int32_t, const char *> table[] = {{0, "W"}, {3, "W"}, {1, "S"}, {2, "S"}};
    for (const auto &row : table) {
        parallo::detail::SetHemisphere(h.s, negative, row.first);
        EXPECT_EQ(h.s.LabelPartHemisphere->Text(), row.second) << "axis " << row.first;
    }
    h.s.LabelPartHemisphere->SetText("kept");
    parallo::detail::SetHemisphere(h.s, negative, 4);
    EXPECT_EQ(h.s.LabelPartHemisphere->Text(), "kept");
}

TEST(SetHemisphere, GeographicDisplayFollowsTheSignOfTheValue) {
    struct Row {
        std::int32_t quadrant;
        double x, y;
        std::int32_t axis;
        const char *expected;
    };
    const Row table[] = {
        {0, 0.5, -0.5, 0, "E"},  {0, -0.5, 0.5, 3, "W"},  {0, 0.0, 0.0, 0, "E"}, // zero is positive
        {0, 0.5, -0.5, 1, "S"},  {0, -0.5, 0.5, 2, "N"},  {0, 0.0, 0.0, 2, "N"}, {1, 0.5, 0.5, 0, "W"},
        {1, 0.5, 0.5, 1, "S"}, // west/south positive: its own letters
        {1, -0.5, -0.5, 3, "E"}, {1, -0.5, -0.5, 2, "N"}, {2, 0.5, 0.5, 1, "S"}, {3, 0.5, 0.5, 0, "W"},
    };
    for (const Row &r : table) {
        SCOPED_TRACE("quadrant " + std::to_string(r.quadrant) + ", axis " + std::to_string(r.axis));
        Hemispheres h;
        h.s.LabelDisplayType = 1;
        auto cs = parallo_test::MakeGeographicSystem();
        cs->Config().geographicQuadrant = r.quadrant;
        parallo::detail::QuadrantStrings(h.s, cs);
        parallo::detail::SetHemisphere(h.s, parallo::detail::Point(r.x, r.y), r.axis);
        EXPECT_EQ(h.s.LabelPartHemisphere->Text(), r.expected);
    }
}

TEST(SetHemisphere, MissingPartIsReported) {
    Hemispheres h;
    h.s.LabelPartHemisphere.reset();
    parallo::detail::SetHemisphere(h.s, parallo::detail::Point(1, 1), 0);
    ASSERT_EQ(h.reports.size(), 1u);
    EXPECT_EQ(h.reports[0].title, "SetHemisphere Error");
    EXPECT_EQ(h.reports[0].trace, "In SetHemisphere");
}

// ---- hemisphere texts of real coordinate systems --------------------------------------------

struct RealSystem {
    const char *definition;
    std::int32_t displayType;
    const char *expected; // X positive, X negative, Y positive, Y negative
};

TEST(QuadrantStrings, RealSystemsReportTheirOwnAxes) {
    const RealSystem table[] = {
        {"EPSG:32633", 0, "E,,N,"},   // UTM 33N: easting, northing
        {"EPSG:2053", 0, "W,,S,"},    // south-oriented Lo29: westing, southing
        {"EPSG:22275", 0, "W,,S,"},   // south-oriented Lo15
        {"EPSG:4326", 1, "E,W,N,S"},  // latitude first, still east and north positive
        {"EPSG:32633", 1, "E,W,N,S"}, // its geographic base
    };
    for (const RealSystem &r : table) {
        SCOPED_TRACE(std::string(r.definition) + ", display " + std::to_string(r.displayType));
        Hemispheres h;
        h.s.LabelDisplayType = r.displayType;
        parallo::detail::QuadrantStrings(h.s, coordkit::CreateProjCoordSystem(r.definition));
        EXPECT_TRUE(h.reports.empty());
        EXPECT_EQ(h.Quad(), r.expected);
    }
}

TEST(SetHemisphere, SouthOrientedSystemLabelsItsOwnHemispheres) {
    // Lo29 values are westings and southings: positive values carry W and S.
    Hemispheres h;
    h.s.LabelDisplayType = 0;
    parallo::detail::QuadrantStrings(h.s, coordkit::CreateProjCoordSystem("EPSG:2053"));
    const parallo::detail::Point pt(35000.0, 2900000.0);
    parallo::detail::SetHemisphere(h.s, pt, parallo::pxgrdSouth);
    EXPECT_EQ(h.s.LabelPartHemisphere->Text(), "W");
    parallo::detail::SetHemisphere(h.s, pt, parallo::pxgrdWest);
    EXPECT_EQ(h.s.LabelPartHemisphere->Text(), "S");
}

} // namespace
