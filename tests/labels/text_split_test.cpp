// Label text: a grid value split into parts A, B, C, D, unit and hemisphere, and the composed
// label string, for projected values and for degrees, minutes and seconds.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "labels/text.h"
#include "service/state.h"

namespace {

using parallo::GridLabel;
using parallo::LabelPartCls;
using parallo::detail::SplitUpLabel;

constexpr double kPi = 3.14159265358979323846;

/// A service state with all six label parts, shown as the letters A B C D U(nit) H(emisphere) in
/// `shown` say, an empty collection and an observer recording "title | trace | description".
struct TextState {
    parallo::detail::ServiceState s;
    std::vector<std::string> reports;

    explicit TextState(const std::string &shown) {
        const char letters[] = "ABCDUH";
        std::shared_ptr<LabelPartCls> *parts[] = {&s.LabelPartA, &s.LabelPartB,    &s.LabelPartC,
                                                  &s.LabelPartD, &s.LabelPartUnit, &s.LabelPartHemisphere};
        for (int i = 0; i < 6; ++i) {
            *parts[i] = std::make_shared<LabelPartCls>();
            (*parts[i])->SetbDisplay(shown.find(letters[i]) != std::string::npos);
        }
        s.MagnitudeAB = 5;
        s.MagnitudeBC = 3;
        s.LabelsCollection = std::make_shared<parallo::GridLabels>();
        s.observer = [this](const std::string &d, const std::string &t, const std::string &n) {
            reports.push_back(n + " | " + t + " | " + d);
        };
    }
};

/// The texts of one label as "A|B|C|D|unit|hemisphere|LabelString".
std::string Texts(const GridLabel &g) {
    return g.LabelStringA + "|" + g.LabelStringB + "|" + g.LabelStringC + "|" + g.LabelStringD + "|" +
           g.LabelStringUnit + "|" + g.LabelStringHemisphere + "|" + g.LabelString;
}

// ---- projected values -----------------------------------------------------------------------

struct ProjectedCase {
    const char *name;
    double value;
    std::int16_t magnitudeAB, magnitudeBC, decimals;
    const char *shown;
    const char *hemisphereText; // as SetHemisphere would have left it
    bool suffix;
    const char *expected; // A|B|C|D|unit|hemisphere|LabelString
};

// The unit text of every case is "m".
// clang-format off
const ProjectedCase kProjected[] = {
    {"digit groups", 4523789, 5, 3, 0, "ABC", "", false, "45|23|789||||4523789"},
    {"big numbers without A", 5310000, 5, 3, 0, "BC", "", false, "53|10|000||||10000"},
    {"short value fills C first", 789, 5, 3, 0, "ABC", "", false, "||789||||789"},
    {"B takes the rest below AB", 45789, 5, 3, 0, "ABC", "", false, "|45|789||||45789"},
    {"with unit", 4523789, 5, 3, 0, "ABCU", "", false, "45|23|789||m||4523789m"},
    {"sign stays with an empty A", -12.5, 5, 3, 2, "ABCD", "", false, "-||12|.50|||-12.50"},
    {"hidden A hides the sign", -4523789, 5, 3, 0, "BC", "", false, "-45|23|789||||23789"},
    {"zero into C", 0, 5, 3, 0, "ABC", "", false, "||0||||0"},
    {"zero into B when C hidden", 0, 5, 3, 0, "AB", "", false, "|0|||||0"},
    {"zero into A when only A shown", 0, 5, 3, 0, "A", "", false, "0||||||0"},
    {"-0.4 without decimals reads 0", -0.4, 5, 3, 0, "ABCD", "", false, "||0||||0"},
    {"-0.4 with a decimal keeps its sign", -0.4, 5, 3, 1, "ABCD", "", false, "-||0|.4|||-0.4"},
    {"-0.04 rounding to zero reads 0.0", -0.04, 5, 3, 1, "ABCD", "", false, "||0|.0|||0.0"},
    {"999.9996 rounds up to 1000", 999.9996, 5, 3, 3, "ABCD", "", false, "|1|000|.000|||1000.000"},
    {"just below half a unit rounds down", 12.994, 5, 3, 2, "ABCD", "", false, "||12|.99|||12.99"},
    {"just above half a unit rounds up", 12.996, 5, 3, 2, "ABCD", "", false, "||13|.00|||13.00"},
    {"decimals hidden: DecimalPlaces still sets the rounding", 12.6, 5, 3, 2, "ABC", "", false, "||12||||12"},
    {"hemisphere as prefix", 4523789, 5, 3, 0, "ABCH", "N", false, "45|23|789|||N|N4523789"},
    {"hemisphere as suffix", 4523789, 5, 3, 0, "ABCH", "N", true, "45|23|789|||N|4523789N"},
    {"all parts, suffix", 4523789.25, 5, 3, 2, "ABCDUH", "E", true, "45|23|789|.25|m|E|4523789.25mE"},
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
            EXPECT_EQ(Texts(*t.s.CurrentLabel), c.expected);
            // The parts keep the texts they were given as their working texts.
            const std::string parts =
                t.s.LabelPartA->Text() + "|" + t.s.LabelPartB->Text() + "|" + t.s.LabelPartC->Text() + "|";
            EXPECT_EQ(std::string(c.expected).rfind(parts, 0), 0u);
            EXPECT_TRUE(t.reports.empty());
        }
    }
}

TEST(SplitUpLabelProjected, EachCallAddsALabelOtherModesOnlyPutTheHemisphere) {
    TextState t("ABCH");
    SplitUpLabel(t.s, 100, 0);
    SplitUpLabel(t.s, 4523789, 0);
    ASSERT_EQ(t.s.LabelsCollection->Count(), 2);
    EXPECT_EQ(t.s.CurrentLabel, t.s.LabelsCollection->Item(2));
    EXPECT_EQ(t.s.LabelsCollection->Item(1)->LabelString, "100");
    t.s.LabelPartHemisphere->SetText("N");
    SplitUpLabel(t.s, 1, 7);
    EXPECT_EQ(t.s.LabelsCollection->Count(), 2);
    EXPECT_EQ(t.s.CurrentLabel->LabelString, "N4523789");
    EXPECT_EQ(t.s.CurrentLabel->LabelStringHemisphere, "N");
}

// ---- failures: reported with the trace grown so far, the label keeps what was written ---------

TEST(SplitUpLabelFailures, NegativeGroupLengthReportsTheGrownTrace) {
    // MagnitudeBC above MagnitudeAB with a longer number: B would need -2 digits.
    TextState t("ABC");
    t.s.MagnitudeAB = 3;
    t.s.MagnitudeBC = 5;
    SplitUpLabel(t.s, 1234567, 0);
    ASSERT_EQ(t.reports.size(), 1u);
    EXPECT_EQ(t.reports[0],
              "SplitUpLabel Error | Calculating portion lengths.\rSplitting string portion A"
              "\rPartA = 1234\rSplitting string portion B\rMagnitudeAB = 3\rMagnitudeBC = 5"
              "\riLenABC = 7\riLenA = 4 ; iLenB = -2 ; iLenC = 5 | Invalid procedure call or argument");
    ASSERT_EQ(t.s.LabelsCollection->Count(), 1);
    EXPECT_EQ(t.s.CurrentLabel->LabelStringA, "1234");
    EXPECT_EQ(t.s.CurrentLabel->LabelString, "1234");
}

TEST(SplitUpLabelFailures, MissingObjectsAndBadPatternsAreReported) {
    struct Case {
        const char *name;
        const char *shown;
        int remove; // 0 none, 1 the collection, 2 part D
        std::int16_t decimals;
        double value;
        std::int32_t mode;
        const char *report; // "" for none
        std::int32_t count; // labels in the collection afterwards
    };
    const char *notSet = "Object variable or With block variable not set";
    const std::string noCollection = std::string("SplitUpLabel Error | In SplitUpLabel\rMagnitudeAB = 5"
                                                 "\rMagnitudeBC = 3\riLenABC = 0\riLenA = 0 ; iLenB = 0 ; "
                                                 "iLenC = 0 | ") +
                                     notSet;
    const Case cases[] = {
        {"no collection", "ABC", 1, 0, 1, 0, noCollection.c_str(), -1},
        // The label is added before the parts are reached.
        {"no part D", "ABC", 2, 0, 1, 1, "SplitUpLabel Error", 1},
        // No label yet: the hemisphere step of another mode has nothing to write on.
        {"no current label", "H", 0, 0, 1, 5, "SplitUpLabel Error", 0},
        // Projected decimals are written only for DecimalPlaces > 0...
        {"projected, -1 places", "ABCD", 0, -1, 42, 0, "", 1},
        // ...the geographic branch always builds its pattern, and -1 zeros is an invalid argument.
        {"geographic, -1 places", "ABCD", 0, -1, 0.5, 1, "SplitUpLabel Error", 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TextState t(c.shown);
        if (c.remove == 1) t.s.LabelsCollection.reset();
        if (c.remove == 2) t.s.LabelPartD.reset();
        t.s.DecimalPlaces = c.decimals;
        SplitUpLabel(t.s, c.value, c.mode);
        if (*c.report == '\0') {
            EXPECT_TRUE(t.reports.empty());
            EXPECT_EQ(t.s.CurrentLabel->LabelStringD, "");
        } else {
            ASSERT_EQ(t.reports.size(), 1u);
            EXPECT_EQ(t.reports[0].rfind(c.report, 0), 0u) << t.reports[0];
        }
        if (c.count >= 0) {
            EXPECT_EQ(t.s.LabelsCollection->Count(), c.count);
        }
    }
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
    const char *shown;
    const char
        *expected; // A|B|C|D|unit|hemisphere|LabelString // unit is never written for geographic labels
};

// clang-format off
const GeographicCase kGeographic[] = {
    {"written example 45.5042", 45.5042 * kPi / 180, 1, false, "ABCD", "45°|30'|15|.1\"|||45°30'15.1\""},
    {"DDMMSS 45°30'15\"", Radians(45, 30, 15), 0, true, "ABC", "45|30|15||||45.3015"},
    {"DDMMSS with decimals of seconds", Radians(45, 30, 15.25), 2, true, "ABCD", "45|30|15|25|||45.301525"},
    {"seconds carry 59.7", Radians(45, 30, 59.7), 0, false, "ABC", "45°|31'|00\"||||45°31'00\""},
    {"below the carry 59.4", Radians(45, 30, 59.4), 0, false, "ABC", "45°|30'|59\"||||45°30'59\""},
    {"-0.5 without hemisphere", Radians(0, 30, 0, -1), 0, false, "ABC", "-0°|30'|00\"||||-0°30'00\""},
    {"hemisphere replaces the sign", Radians(33, 30, 0, -1), 0, false, "ABCH", "33°|30'|00\"|||H|H33°30'00\""},
    {"degrees only, never a unit", Radians(12, 0, 0), 0, false, "AU", "12°||||||12°"},

    // Rounding boundaries of every row of the display table (B, C, D shown or hidden).
    // Row B C D: seconds with decimals.
    {"BCD 59.94\" stays", Radians(45, 30, 59.94), 1, false, "ABCD", "45°|30'|59|.9\"|||45°30'59.9\""},
    {"BCD 59.96\" carries a minute", Radians(45, 30, 59.96), 1, false, "ABCD", "45°|31'|00|.0\"|||45°31'00.0\""},
    {"BCD 59'59.96\" carries a degree", Radians(45, 59, 59.96), 1, false, "ABCD", "46°|00'|00|.0\"|||46°00'00.0\""},
    {"BCD with no decimal places", Radians(45, 30, 15.4), 0, false, "ABCD", "45°|30'|15|.\"|||45°30'15.\""},
    // Row B C: whole seconds.
    {"BC 59'59.7\" carries a degree", Radians(45, 59, 59.7), 0, false, "ABC", "46°|00'|00\"||||46°00'00\""},
    {"BC DDMMSS 59.7\" carries a minute", Radians(45, 30, 59.7), 0, true, "ABC", "45|31|00||||45.3100"},
    // Row B D: minutes with decimals.
    {"BD 29.94' stays", Radians(45, 29, 0.94 * 60), 1, false, "ABD", "45°|29||.9'|||45°29.9'"},
    {"BD 29.97' reads 30.0'", Radians(45, 29, 0.97 * 60), 1, false, "ABD", "45°|30||.0'|||45°30.0'"},
    {"BD 59.97' reads the next degree", Radians(45, 59, 0.97 * 60), 1, false, "ABD", "46°|00||.0'|||46°00.0'"},
    // Row B: whole minutes, seconds truncated except for the carry.
    {"B 59'40\" stays 59'", Radians(45, 59, 40), 0, false, "AB", "45°|59'|||||45°59'"},
    {"B 59'59.7\" carries a degree", Radians(45, 59, 59.7), 0, false, "AB", "46°|00'|||||46°00'"},
    // Row C D: seconds with decimals, no minutes.
    {"CD 59'59.96\" carries into A", Radians(45, 59, 59.96), 1, false, "ACD", "46||00|.0\"|||4600.0\""},
    // Row C: whole seconds.
    {"C DDMMSS 59.7\" carries", Radians(45, 30, 59.7), 0, true, "AC", "45||00||||45.00"},
    // Row D: decimal degrees.
    {"D 45.94 stays", 45.94 * kPi / 180, 1, false, "AD", "45|||.9°|||45.9°"},
    {"D 45.96 reads 46.0", 45.96 * kPi / 180, 1, false, "AD", "46|||.0°|||46.0°"},
    {"D -45.96 reads -46.0", -45.96 * kPi / 180, 1, false, "AD", "-46|||.0°|||-46.0°"},
    {"D DDMMSS reads decimal degrees", 45.25 * kPi / 180, 2, true, "AD", "45|||25|||45.25"},
    // Row none: whole degrees.
    {"none 45.9 stays 45", 45.9 * kPi / 180, 0, false, "A", "45°||||||45°"},
    {"none 45°59'59.7\" carries", Radians(45, 59, 59.7), 0, false, "A", "46°||||||46°"},
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
        EXPECT_EQ(Texts(*t.s.CurrentLabel), c.expected);
        EXPECT_TRUE(t.reports.empty());
    }
}

TEST(SplitUpLabelGeographic, PartsTheRowDoesNotSetKeepThePreviousText) {
    TextState t("AB");
    t.s.LabelPartC->SetText("old C");
    t.s.LabelPartD->SetText("old D");
    SplitUpLabel(t.s, Radians(10, 15, 0), 1);
    EXPECT_EQ(t.s.CurrentLabel->LabelStringC, "old C");
    EXPECT_EQ(t.s.CurrentLabel->LabelStringD, "old D");
    EXPECT_EQ(t.s.CurrentLabel->LabelString, "10°15'");
}

TEST(SplitUpLabelGeographic, EverySecondOfAGraticuleReadsAsItself) {
    // A graticule at 1" steps across three degrees, stepped in radians as the generators step it:
    // each value must read exactly its own degree, minute and second (45°59'57" never 46°00'03").
    const double step = kPi / (180.0 * 3600.0);
    const long start = 44L * 3600;
    TextState t("ABC");
    char expected[32];
    for (long k = 0; k <= 3 * 3600; ++k) {
        const long v = start + k;
        SplitUpLabel(t.s, static_cast<double>(start) * step + static_cast<double>(k) * step, 1);
        std::snprintf(expected, sizeof expected, "%ld°%02ld'%02ld\"", v / 3600, v / 60 % 60, v % 60);
        ASSERT_EQ(t.s.CurrentLabel->LabelString, expected) << "k = " << k;
    }
    EXPECT_TRUE(t.reports.empty());
}

TEST(SplitUpLabelGeographic, DecimalDegreesReadAsTheirRoundedValue) {
    // Tenths of a degree with one decimal shown: every label reads exactly its tenth.
    TextState t("AD");
    t.s.DecimalPlaces = 1;
    char expected[32];
    for (int k = 0; k <= 1800; ++k) {
        SplitUpLabel(t.s, (k / 10.0) * kPi / 180.0, 1);
        std::snprintf(expected, sizeof expected, "%d.%d°", k / 10, k % 10);
        ASSERT_EQ(t.s.CurrentLabel->LabelString, expected) << "k = " << k;
    }
}

} // namespace
