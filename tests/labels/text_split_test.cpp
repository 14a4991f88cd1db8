// Label text: a grid value split into parts A, B, C, D, unit and hemisphere, and the composed
// label string, for projected values and for degrees, minutes and seconds.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "labels/text.h"
#include "service/state.h"

namespace {

using parallo::GridLabel;
using parallo::GridLabels;
using parallo::LabelPartCls;
using parallo::detail::ServiceState;
using parallo::detail::SplitUpLabel;

constexpr double kPi = 3.14159265358979323846;

/// Which parts a case displays: any of the letters A B C D U(nit) H(emisphere).
struct Shown {
    const char *parts;
    bool Has(char c) const { return std::string(parts).find(c) != std::string::npos; }
};

struct Report {
    std::string description, trace, title;
};

/// A service state with all six label parts, an empty label collection and an observer that
/// records every failure report.
struct TextState {
    ServiceState s;
    std::vector<Report> reports;

    explicit TextState(Shown shown) {
        s.LabelPartA = std::make_shared<LabelPartCls>();
        s.LabelPartB = std::make_shared<LabelPartCls>();
        s.LabelPartC = std::make_shared<LabelPartCls>();
        s.LabelPartD = std::make_shared<LabelPartCls>();
        s.LabelPartUnit = std::make_shared<LabelPartCls>();
        s.LabelPartHemisphere = std::make_shared<LabelPartCls>();
        s.LabelPartA->SetbDisplay(shown.Has('A'));
        s.LabelPartB->SetbDisplay(shown.Has('B'));
        s.LabelPartC->SetbDisplay(shown.Has('C'));
        s.LabelPartD->SetbDisplay(shown.Has('D'));
        s.LabelPartUnit->SetbDisplay(shown.Has('U'));
        s.LabelPartHemisphere->SetbDisplay(shown.Has('H'));
        s.LabelsCollection = std::make_shared<GridLabels>();
        s.observer = [this](const std::string &d, const std::string &t, const std::string &n) {
            reports.push_back({d, t, n});
        };
    }
};

/// The expected texts of one label.
struct Texts {
    const char *A;
    const char *B;
    const char *C;
    const char *D;
    const char *unit;
    const char *hemisphere;
    const char *label;
};

void ExpectTexts(const GridLabel &g, const Texts &e) {
    EXPECT_EQ(g.LabelStringA, e.A);
    EXPECT_EQ(g.LabelStringB, e.B);
    EXPECT_EQ(g.LabelStringC, e.C);
    EXPECT_EQ(g.LabelStringD, e.D);
    EXPECT_EQ(g.LabelStringUnit, e.unit);
    EXPECT_EQ(g.LabelStringHemisphere, e.hemisphere);
    EXPECT_EQ(g.LabelString, e.label);
}

// ---- projected values -----------------------------------------------------------------------

struct ProjectedCase {
    const char *name;
    double value;
    std::int16_t magnitudeAB, magnitudeBC, decimals;
    Shown shown;
    const char *hemisphereText; // as SetHemisphere would have left it
    bool suffix;
    Texts expected;
};

// The unit text of every case is "m".
// clang-format off
const ProjectedCase kProjected[] = {
    {"digit groups", 4523789, 5, 3, 0, {"ABC"}, "", false, {"45", "23", "789", "", "", "", "4523789"}},
    {"big numbers without A", 5310000, 5, 3, 0, {"BC"}, "", false, {"53", "10", "000", "", "", "", "10000"}},
    {"short value fills C first", 789, 5, 3, 0, {"ABC"}, "", false, {"", "", "789", "", "", "", "789"}},
    {"B takes the rest below AB", 45789, 5, 3, 0, {"ABC"}, "", false, {"", "45", "789", "", "", "", "45789"}},
    {"with unit", 4523789, 5, 3, 0, {"ABCU"}, "", false, {"45", "23", "789", "", "m", "", "4523789m"}},
    {"sign stays with an empty A", -12.5, 5, 3, 2, {"ABCD"}, "", false,
     {"-", "", "12", ".50", "", "", "-12.50"}},
    {"hidden A hides the sign", -4523789, 5, 3, 0, {"BC"}, "", false,
     {"-45", "23", "789", "", "", "", "23789"}},
    {"zero into C", 0, 5, 3, 0, {"ABC"}, "", false, {"", "", "0", "", "", "", "0"}},
    {"zero into B when C hidden", 0, 5, 3, 0, {"AB"}, "", false, {"", "0", "", "", "", "", "0"}},
    {"zero into A when only A shown", 0, 5, 3, 0, {"A"}, "", false, {"0", "", "", "", "", "", "0"}},
    {"-0.4 without decimals reads 0", -0.4, 5, 3, 0, {"ABCD"}, "", false, {"", "", "0", "", "", "", "0"}},
    {"-0.4 with a decimal keeps its sign", -0.4, 5, 3, 1, {"ABCD"}, "", false,
     {"-", "", "0", ".4", "", "", "-0.4"}},
    {"-0.04 rounding to zero reads 0.0", -0.04, 5, 3, 1, {"ABCD"}, "", false,
     {"", "", "0", ".0", "", "", "0.0"}},
    {"999.9996 rounds up to 1000", 999.9996, 5, 3, 3, {"ABCD"}, "", false,
     {"", "1", "000", ".000", "", "", "1000.000"}},
    {"just below half a unit rounds down", 12.994, 5, 3, 2, {"ABCD"}, "", false,
     {"", "", "12", ".99", "", "", "12.99"}},
    {"just above half a unit rounds up", 12.996, 5, 3, 2, {"ABCD"}, "", false,
     {"", "", "13", ".00", "", "", "13.00"}},
    {"decimals hidden: DecimalPlaces still sets the rounding", 12.6, 5, 3, 2, {"ABC"}, "", false,
     {"", "", "12", "", "", "", "12"}},
    {"hemisphere as prefix", 4523789, 5, 3, 0, {"ABCH"}, "N", false,
     {"45", "23", "789", "", "", "N", "N4523789"}},
    {"hemisphere as suffix", 4523789, 5, 3, 0, {"ABCH"}, "N", true,
     {"45", "23", "789", "", "", "N", "4523789N"}},
    {"all parts, suffix", 4523789.25, 5, 3, 2, {"ABCDUH"}, "E", true,
     {"45", "23", "789", ".25", "m", "E", "4523789.25mE"}},
};
// clang-format on

TEST(SplitUpLabelProjected, TextTable) {
    for (const auto &c : kProjected) {
        for (std::int32_t mode : {0, 2}) { // both projected display types take this branch
            SCOPED_TRACE(std::string(c.name) + ", mode " + std::to_string(mode));
            TextState t(c.shown);
            t.s.MagnitudeAB = c.magnitudeAB;
            t.s.MagnitudeBC = c.magnitudeBC;
            t.s.DecimalPlaces = c.decimals;
            t.s.UnitLabelText = "m";
            t.s.bHemisphereAsSuffix = c.suffix;
            t.s.LabelPartHemisphere->SetText(c.hemisphereText);
            SplitUpLabel(t.s, c.value, mode);
            ASSERT_EQ(t.s.LabelsCollection->Count(), 1);
            ASSERT_EQ(t.s.CurrentLabel, t.s.LabelsCollection->Item(1));
            ExpectTexts(*t.s.CurrentLabel, c.expected);
            EXPECT_TRUE(t.reports.empty());
        }
    }
}

TEST(SplitUpLabelProjected, PartsKeepTheirWorkingTexts) {
    TextState t({"ABCD"});
    t.s.MagnitudeAB = 5;
    t.s.MagnitudeBC = 3;
    t.s.DecimalPlaces = 2;
    SplitUpLabel(t.s, 4523789.5, 0);
    EXPECT_EQ(t.s.LabelPartA->Text(), "45");
    EXPECT_EQ(t.s.LabelPartB->Text(), "23");
    EXPECT_EQ(t.s.LabelPartC->Text(), "789");
    EXPECT_EQ(t.s.LabelPartD->Text(), ".50");
}

TEST(SplitUpLabelProjected, EveryCallAddsTheNextLabel) {
    TextState t({"ABC"});
    t.s.MagnitudeAB = 5;
    t.s.MagnitudeBC = 3;
    SplitUpLabel(t.s, 100, 0);
    SplitUpLabel(t.s, 200, 0);
    ASSERT_EQ(t.s.LabelsCollection->Count(), 2);
    EXPECT_EQ(t.s.CurrentLabel, t.s.LabelsCollection->Item(2));
    EXPECT_EQ(t.s.LabelsCollection->Item(1)->LabelString, "100");
    EXPECT_EQ(t.s.LabelsCollection->Item(2)->LabelString, "200");
}

TEST(SplitUpLabelOtherModes, OnlyPutTheHemisphereOnTheCurrentLabel) {
    TextState t({"ABCH"});
    t.s.MagnitudeAB = 5;
    t.s.MagnitudeBC = 3;
    SplitUpLabel(t.s, 4523789, 0);
    t.s.LabelPartHemisphere->SetText("N");
    SplitUpLabel(t.s, 1, 7);
    ASSERT_EQ(t.s.LabelsCollection->Count(), 1);
    EXPECT_EQ(t.s.CurrentLabel->LabelString, "N4523789");
    EXPECT_EQ(t.s.CurrentLabel->LabelStringHemisphere, "N");
}

TEST(SplitUpLabelFailures, NegativeGroupLengthReportsTheGrownTrace) {
    // MagnitudeBC above MagnitudeAB with a longer number: B would need -2 digits.
    TextState t({"ABC"});
    t.s.MagnitudeAB = 3;
    t.s.MagnitudeBC = 5;
    SplitUpLabel(t.s, 1234567, 0);
    ASSERT_EQ(t.reports.size(), 1u);
    EXPECT_EQ(t.reports[0].title, "SplitUpLabel Error");
    EXPECT_EQ(t.reports[0].description, "Invalid procedure call or argument");
    EXPECT_EQ(t.reports[0].trace, "Calculating portion lengths.\rSplitting string portion A\rPartA = 1234"
                                  "\rSplitting string portion B\rMagnitudeAB = 3\rMagnitudeBC = 5"
                                  "\riLenABC = 7\riLenA = 4 ; iLenB = -2 ; iLenC = 5");
    // The label stays, with what was written before the failure.
    ASSERT_EQ(t.s.LabelsCollection->Count(), 1);
    EXPECT_EQ(t.s.CurrentLabel->LabelStringA, "1234");
    EXPECT_EQ(t.s.CurrentLabel->LabelString, "1234");
}

TEST(SplitUpLabelFailures, MissingObjectsAreReportedNotDereferenced) {
    {
        TextState t({"ABC"});
        t.s.LabelsCollection.reset();
        SplitUpLabel(t.s, 1, 0);
        ASSERT_EQ(t.reports.size(), 1u);
        EXPECT_EQ(t.reports[0].description, "Object variable or With block variable not set");
        EXPECT_EQ(t.reports[0].trace, "In SplitUpLabel\rMagnitudeAB = 0\rMagnitudeBC = 0\riLenABC = 0"
                                      "\riLenA = 0 ; iLenB = 0 ; iLenC = 0");
    }
    {
        TextState t({"ABC"});
        t.s.LabelPartD.reset();
        SplitUpLabel(t.s, 1, 1);
        ASSERT_EQ(t.reports.size(), 1u);
        EXPECT_EQ(t.reports[0].title, "SplitUpLabel Error");
        EXPECT_EQ(t.s.LabelsCollection->Count(), 1); // added before the parts were reached
    }
    {
        // No label yet: the hemisphere step of another mode has nothing to write on.
        TextState t({"H"});
        SplitUpLabel(t.s, 1, 5);
        ASSERT_EQ(t.reports.size(), 1u);
        EXPECT_EQ(t.s.LabelsCollection->Count(), 0);
    }
}

TEST(SplitUpLabelFailures, NegativeDecimalPlacesFailOnlyWhereAPatternIsNeeded) {
    // Projected decimals are written only for DecimalPlaces > 0; the geographic branch always
    // builds its decimal pattern, and a pattern of -1 zeros is an invalid argument.
    TextState p({"ABCD"});
    p.s.MagnitudeAB = 5;
    p.s.MagnitudeBC = 3;
    p.s.DecimalPlaces = -1;
    SplitUpLabel(p.s, 42, 0);
    EXPECT_TRUE(p.reports.empty());
    EXPECT_EQ(p.s.CurrentLabel->LabelStringD, "");

    TextState g({"ABCD"});
    g.s.DecimalPlaces = -1;
    SplitUpLabel(g.s, 0.5, 1);
    ASSERT_EQ(g.reports.size(), 1u);
    EXPECT_EQ(g.reports[0].description, "Invalid procedure call or argument");
    EXPECT_EQ(g.s.LabelsCollection->Count(), 1);
}

// ---- geographic values ----------------------------------------------------------------------

double Radians(int degrees, int minutes, double seconds, int sign = 1) {
    return sign * (degrees + minutes / 60.0 + seconds / 3600.0) * kPi / 180.0;
}

struct GeographicCase {
    const char *name;
    double radians;
    std::int16_t decimals;
    bool ddmmss;
    Shown shown;
    Texts expected; // unit is never written for geographic labels
};

// clang-format off
const GeographicCase kGeographic[] = {
    {"written example 45.5042", 45.5042 * kPi / 180, 1, false, {"ABCD"},
     {"45°", "30'", "15", ".1\"", "", "", "45°30'15.1\""}},
    {"DDMMSS 45°30'15\"", Radians(45, 30, 15), 0, true, {"ABC"}, {"45", "30", "15", "", "", "", "45.3015"}},
    {"DDMMSS with decimals of seconds", Radians(45, 30, 15.25), 2, true, {"ABCD"},
     {"45", "30", "15", "25", "", "", "45.301525"}},
    {"seconds carry 59.7", Radians(45, 30, 59.7), 0, false, {"ABC"},
     {"45°", "31'", "00\"", "", "", "", "45°31'00\""}},
    {"below the carry 59.4", Radians(45, 30, 59.4), 0, false, {"ABC"},
     {"45°", "30'", "59\"", "", "", "", "45°30'59\""}},
    {"-0.5 without hemisphere", Radians(0, 30, 0, -1), 0, false, {"ABC"},
     {"-0°", "30'", "00\"", "", "", "", "-0°30'00\""}},
    {"hemisphere replaces the sign", Radians(33, 30, 0, -1), 0, false, {"ABCH"},
     {"33°", "30'", "00\"", "", "", "H", "H33°30'00\""}},
    {"degrees only", Radians(12, 0, 0), 0, false, {"A"}, {"12°", "", "", "", "", "", "12°"}},
    {"no unit on geographic labels", Radians(12, 0, 0), 0, false, {"AU"}, {"12°", "", "", "", "", "", "12°"}},

    // Rounding boundaries of every row of the display table (B, C, D shown or hidden).
    // Row B C D: seconds with decimals.
    {"BCD 59.94\" stays", Radians(45, 30, 59.94), 1, false, {"ABCD"},
     {"45°", "30'", "59", ".9\"", "", "", "45°30'59.9\""}},
    {"BCD 59.96\" carries a minute", Radians(45, 30, 59.96), 1, false, {"ABCD"},
     {"45°", "31'", "00", ".0\"", "", "", "45°31'00.0\""}},
    {"BCD 59'59.96\" carries a degree", Radians(45, 59, 59.96), 1, false, {"ABCD"},
     {"46°", "00'", "00", ".0\"", "", "", "46°00'00.0\""}},
    {"BCD with no decimal places", Radians(45, 30, 15.4), 0, false, {"ABCD"},
     {"45°", "30'", "15", ".\"", "", "", "45°30'15.\""}},
    // Row B C: whole seconds.
    {"BC 59'59.7\" carries a degree", Radians(45, 59, 59.7), 0, false, {"ABC"},
     {"46°", "00'", "00\"", "", "", "", "46°00'00\""}},
    {"BC DDMMSS 59.7\" carries a minute", Radians(45, 30, 59.7), 0, true, {"ABC"},
     {"45", "31", "00", "", "", "", "45.3100"}},
    // Row B D: minutes with decimals.
    {"BD 29.94' stays", Radians(45, 29, 0.94 * 60), 1, false, {"ABD"},
     {"45°", "29", "", ".9'", "", "", "45°29.9'"}},
    {"BD 29.97' reads 30.0'", Radians(45, 29, 0.97 * 60), 1, false, {"ABD"},
     {"45°", "30", "", ".0'", "", "", "45°30.0'"}},
    {"BD 59.97' reads the next degree", Radians(45, 59, 0.97 * 60), 1, false, {"ABD"},
     {"46°", "00", "", ".0'", "", "", "46°00.0'"}},
    // Row B: whole minutes, seconds truncated except for the carry.
    {"B 59'40\" stays 59'", Radians(45, 59, 40), 0, false, {"AB"}, {"45°", "59'", "", "", "", "", "45°59'"}},
    {"B 59'59.7\" carries a degree", Radians(45, 59, 59.7), 0, false, {"AB"},
     {"46°", "00'", "", "", "", "", "46°00'"}},
    // Row C D: seconds with decimals, no minutes.
    {"CD 59'59.96\" carries into A", Radians(45, 59, 59.96), 1, false, {"ACD"},
     {"46", "", "00", ".0\"", "", "", "4600.0\""}},
    // Row C: whole seconds.
    {"C DDMMSS 59.7\" carries", Radians(45, 30, 59.7), 0, true, {"AC"},
     {"45", "", "00", "", "", "", "45.00"}},
    // Row D: decimal degrees.
    {"D 45.94 stays", 45.94 * kPi / 180, 1, false, {"AD"}, {"45", "", "", ".9°", "", "", "45.9°"}},
    {"D 45.96 reads 46.0", 45.96 * kPi / 180, 1, false, {"AD"}, {"46", "", "", ".0°", "", "", "46.0°"}},
    {"D -45.96 reads -46.0", -45.96 * kPi / 180, 1, false, {"AD"}, {"-46", "", "", ".0°", "", "", "-46.0°"}},
    {"D DDMMSS reads decimal degrees", 45.25 * kPi / 180, 2, true, {"AD"},
     {"45", "", "", "25", "", "", "45.25"}},
    // Row none: whole degrees.
    {"none 45.9 stays 45", 45.9 * kPi / 180, 0, false, {"A"}, {"45°", "", "", "", "", "", "45°"}},
    {"none 45°59'59.7\" carries", Radians(45, 59, 59.7), 0, false, {"A"}, {"46°", "", "", "", "", "", "46°"}},
};
// clang-format on

TEST(SplitUpLabelGeographic, TextTable) {
    for (const auto &c : kGeographic) {
        SCOPED_TRACE(c.name);
        TextState t(c.shown);
        t.s.DecimalPlaces = c.decimals;
        t.s.bGeographicDDMMSS = c.ddmmss;
        t.s.UnitLabelText = "deg";
        t.s.LabelPartHemisphere->SetText("H");
        SplitUpLabel(t.s, c.radians, 1);
        ASSERT_EQ(t.s.LabelsCollection->Count(), 1);
        ExpectTexts(*t.s.CurrentLabel, c.expected);
        EXPECT_TRUE(t.reports.empty());
    }
}

TEST(SplitUpLabelGeographic, PartsTheRowDoesNotSetKeepThePreviousText) {
    TextState t({"AB"});
    t.s.LabelPartC->SetText("old C");
    t.s.LabelPartD->SetText("old D");
    SplitUpLabel(t.s, Radians(10, 15, 0), 1);
    EXPECT_EQ(t.s.CurrentLabel->LabelStringC, "old C");
    EXPECT_EQ(t.s.CurrentLabel->LabelStringD, "old D");
    EXPECT_EQ(t.s.CurrentLabel->LabelString, "10°15'");
}

std::string Dms(long totalSeconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%ld°%02ld'%02ld\"", totalSeconds / 3600, totalSeconds / 60 % 60,
                  totalSeconds % 60);
    return text;
}

TEST(SplitUpLabelGeographic, EverySecondOfAGraticuleReadsAsItself) {
    // A graticule at 1" steps across two whole degrees: each value, stepped in radians as the
    // generators step it, must read exactly its own degree, minute and second.
    const double step = kPi / (180.0 * 3600.0);
    const long start = 45L * 3600 - 3600;
    TextState t({"ABC"});
    for (long k = 0; k <= 3 * 3600; ++k) {
        const double radians = static_cast<double>(start) * step + static_cast<double>(k) * step;
        SplitUpLabel(t.s, radians, 1);
        ASSERT_EQ(t.s.CurrentLabel->LabelString, Dms(start + k)) << "k = " << k;
    }
    EXPECT_TRUE(t.reports.empty());
}

TEST(SplitUpLabelGeographic, DecimalDegreesReadAsTheirRoundedValue) {
    // Tenths of a degree with one decimal shown: every label reads exactly its tenth.
    TextState t({"AD"});
    t.s.DecimalPlaces = 1;
    for (int k = 0; k <= 1800; ++k) {
        const double degrees = k / 10.0;
        SplitUpLabel(t.s, degrees * kPi / 180.0, 1);
        char expected[32];
        std::snprintf(expected, sizeof expected, "%d.%d°", k / 10, k % 10);
        ASSERT_EQ(t.s.CurrentLabel->LabelString, expected) << "k = " << k;
    }
}

} // namespace
