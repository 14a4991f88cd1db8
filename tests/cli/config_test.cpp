// The configuration reader: every refusal names its key as a JSON path and says what is wrong;
// accepted values reach the service converted to the units it takes.
#include <cmath>
#include <string>

#include <gtest/gtest.h>

#include "config.h"
#include "service/state.h"

namespace parallo {
namespace cli {
namespace {

constexpr double kPi = 3.14159265358979323846;

Frame Read(const std::string& text) { return ReadConfig(ParseJson(text)); }

/// The error a configuration raises; fails the test when it raises none.
ConfigError ErrorOf(const std::string& text) {
    try {
        Read(text);
    } catch (const ConfigError& e) {
        return e;
    }
    ADD_FAILURE() << "accepted: " << text;
    return ConfigError("", "");
}

// A valid projected frame that the bad cases below spoil one key at a time.
std::string Utm(const std::string& extra) {
    return R"({"MapViewCoordSystem": "EPSG:32632", "NeatlineLowerLeft": [500000, 5400000],
              "NeatlineUpperRight": [510000, 5410000])" +
           (extra.empty() ? std::string() : ", " + extra) + "}";
}

struct BadCase {
    const char* name;
    std::string extra;     // added to the valid frame
    std::string path;      // the key the message must name
    std::string contains;  // a fragment of what is wrong
};

TEST(ConfigErrors, EachBadValueNamesItsKeyAndTheProblem) {
    const BadCase cases[] = {
        {"unknown key", R"("TickLenght": 5)", "$.TickLenght", "did you mean \"TickLength\""},
        {"unknown key, other case", R"("interval": [1, 1])", "$.interval", "did you mean \"Interval\""},
        {"wrong type", R"("TickLength": "200")", "$.TickLength", "expected a number, got a string"},
        {"boolean as number", R"("bForceStroking": 1)", "$.bForceStroking", "expected true or false"},
        {"enumeration out of range", R"("GridType": 7)", "$.GridType", "out of range"},
        {"enumeration not whole", R"("LabelType": 0.5)", "$.LabelType", "out of range"},
        {"misspelt member", R"("GridType": "PXgtTick")", "$.GridType", "did you mean \"PXgtTicks\""},
        {"point too short", R"("Interval": [1000])", "$.Interval", "expected a point"},
        {"point element", R"("GridOffset": [0, "a"])", "$.GridOffset[1]", "expected a number"},
        {"zero interval", R"("Interval": [1000, 0])", "$.Interval[1]", "greater than 0"},
        {"polygon point", R"("NeatlinePolygon": [[0, 0], [1, 0], [1, true]])", "$.NeatlinePolygon[2][1]",
         "expected a number"},
        {"polygon too small", R"("NeatlinePolygon": [[0, 0], [1, 0]])", "$.NeatlinePolygon", "at least 3"},
        {"16-bit range", R"("MagnitudeAB": 40000)", "$.MagnitudeAB", "outside -32768 to 32767"},
        {"decimal places", R"("DecimalPlaces": 16)", "$.DecimalPlaces", "outside 0 to 15"},
        {"label part key", R"("LabelPartA": {"bDisplay": true, "FontTyp": 1})", "$.LabelPartA.FontTyp",
         "did you mean \"FontType\""},
        {"font size type", R"("LabelPartB": {"Font": {"Size": "big"}})", "$.LabelPartB.Font.Size",
         "expected a number"},
        {"font type range", R"("LabelPartC": {"FontType": 3})", "$.LabelPartC.FontType", "out of range"},
        {"unknown call", R"("calls": ["CreateNeatline", "CreateGridLines"])", "$.calls[1]",
         "did you mean \"CreateGridlines\""},
        {"calls not a list", R"("calls": "CreateNeatline")", "$.calls", "expected an array"},
        {"angle unit", R"("AngleUnit": "grad")", "$.AngleUnit", "\"degree\" or \"radian\""},
        {"linear unit", R"("LinearUnit": "feet")", "$.LinearUnit", "\"crs\" or \"metre\""},
        {"colour text", R"("LabelColor": "red")", "$.LabelColor", "#RRGGBB"},
        {"hemisphere text", R"("EastingHemisphereLabel": 5)", "$.EastingHemisphereLabel", "expected a string"},
        {"grid system", R"("GridCoordSystem": "EPSG:999999")", "$.GridCoordSystem", "PROJ cannot make"},
        {"system wrapper key", R"("NeatlineCoordSystem": {"definition": "EPSG:4326", "Base": 1})",
         "$.NeatlineCoordSystem.Base", "did you mean \"BaseStorageType\""},
        {"storage type", R"("GridCoordSystem": {"definition": "EPSG:4326", "BaseStorageType": 5})",
         "$.GridCoordSystem.BaseStorageType", "out of range"},
        {"odd key", R"("my key": 1)", "$[\"my key\"]", "unknown key"},
    };
    for (const BadCase& c : cases) {
        SCOPED_TRACE(c.name);
        ConfigError e = ErrorOf(Utm(c.extra));
        EXPECT_EQ(e.Path(), c.path) << e.what();
        EXPECT_NE(std::string(e.what()).find(c.contains), std::string::npos) << e.what();
        EXPECT_EQ(std::string(e.what()).find('\n'), std::string::npos) << "one line: " << e.what();
    }
}

TEST(ConfigErrors, DocumentLevelProblems) {
    EXPECT_EQ(ErrorOf("[1, 2]").Path(), "$");
    EXPECT_EQ(ErrorOf("{}").Path(), "$.MapViewCoordSystem");
    EXPECT_EQ(ErrorOf(R"({"MapViewCoordSystem": "not a crs at all"})").Path(), "$.MapViewCoordSystem");
    EXPECT_EQ(ErrorOf(R"({"MapViewCoordSystem": 32632})").Path(), "$.MapViewCoordSystem");

    ConfigError syntax = ErrorOf("{\"MapViewCoordSystem\": \"EPSG:32632\",\n \"TickLength\": }");
    EXPECT_EQ(syntax.Path(), "$");
    EXPECT_NE(std::string(syntax.what()).find("line 2"), std::string::npos) << syntax.what();

    ConfigError duplicate = ErrorOf(Utm(R"("TickLength": 1, "TickLength": 2)"));
    EXPECT_EQ(duplicate.Path(), "$.TickLength");
    EXPECT_NE(std::string(duplicate.what()).find("duplicate"), std::string::npos);

    // Deep nesting is refused while parsing, before it can exhaust the stack of a later step.
    std::string deep = "{\"calls\": " + std::string(100000, '[') + std::string(100000, ']') + "}";
    ConfigError nested = ErrorOf(deep);
    EXPECT_NE(std::string(nested.what()).find("nesting"), std::string::npos);
}

TEST(ConfigErrors, TheFirstBadKeyOfTheFileIsReported) {
    ConfigError e = ErrorOf(Utm(R"("TickLength": "a", "CrossLength": "b")"));
    EXPECT_EQ(e.Path(), "$.TickLength");
    // An unknown key is found before any value is read.
    EXPECT_EQ(ErrorOf(Utm(R"("TickLength": "a", "Bogus": 1)")).Path(), "$.Bogus");
}

TEST(ConfigValues, EnumerationsByNameOrNumberAreTheSame) {
    Frame byName = Read(Utm(R"("GridType": "PXgtTicksAndCrosses", "LabelOrientation": "PXloPerpendicular",
                                "LabelType": "PXltCorner", "LabelPosition": "pxgrdLabelPosition_Inside")"));
    Frame byNumber = Read(Utm(R"("GridType": 3, "LabelOrientation": 2, "LabelType": 1, "LabelPosition": 1)"));
    EXPECT_EQ(byName.service->GridType(), PXgtTicksAndCrosses);
    EXPECT_EQ(byNumber.service->GridType(), PXgtTicksAndCrosses);
    EXPECT_EQ(byName.service->LabelOrientation(), PXloPerpendicular);
    EXPECT_EQ(byNumber.service->LabelOrientation(), PXloPerpendicular);
    EXPECT_EQ(byName.service->LabelType(), PXltCorner);
    EXPECT_EQ(byNumber.service->LabelType(), PXltCorner);
}

TEST(ConfigValues, DefaultsForWhatIsLeftOut) {
    Frame f = Read(Utm(""));
    EXPECT_EQ(f.calls, DefaultCalls());
    ASSERT_TRUE(f.service->LabelPartA());
    EXPECT_FALSE(f.service->LabelPartA()->bDisplay());
    ASSERT_TRUE(f.service->LabelPartHemisphere());
    EXPECT_FALSE(f.service->LabelPartHemisphere()->bDisplay());
    ASSERT_TRUE(f.service->GridOffset());
    EXPECT_EQ(f.service->GridOffset()->x, 0.0);
    ASSERT_TRUE(f.service->SkipInterval());
    EXPECT_EQ(f.service->SkipInterval()->y, 0.0);
    // The neatline and grid systems are the map view's definition, as separate objects.
    ASSERT_TRUE(f.service->NeatlineCoordSystem());
    EXPECT_NE(f.service->NeatlineCoordSystem(), f.service->MapViewCoordSystem());
    EXPECT_NE(f.service->GridCoordSystem(), f.service->MapViewCoordSystem());
    EXPECT_EQ(f.mapViewDefinition, Json("EPSG:32632"));
}

TEST(ConfigValues, LabelPartsCarryTheirFonts) {
    Frame f = Read(Utm(R"("LabelPartB": {"bDisplay": true, "FontType": "pxgrdFontType_Superscript",
                        "Font": {"Name": "DejaVu Serif", "Size": 14, "Bold": true, "Italic": true}},
                        "LabelColor": "#FF8000")"));
    const auto& b = f.service->LabelPartB();
    ASSERT_TRUE(b && b->Font());
    EXPECT_TRUE(b->bDisplay());
    EXPECT_EQ(b->FontType(), pxgrdFontType_Superscript);
    EXPECT_EQ(b->Font()->Name, "DejaVu Serif");
    EXPECT_EQ(b->Font()->Size, 14.0);
    EXPECT_TRUE(b->Font()->Bold);
    EXPECT_EQ(b->Font()->Weight, 700); // bold without a weight of its own
    EXPECT_TRUE(b->Font()->Italic);
    // The host's colour number is 0x00BBGGRR.
    EXPECT_EQ(f.service->LabelColor(), 0x0080FF);
}

TEST(ConfigUnits, DegreesBecomeRadians) {
    Frame f = Read(R"({"MapViewCoordSystem": "EPSG:3035", "NeatlineCoordSystem": "EPSG:4326",
                      "GridCoordSystem": "EPSG:4326", "NeatlineExtentsType": 1, "GridIntervalsType": 1,
                      "NeatlineLowerLeft": [5, 45], "NeatlineUpperRight": [15, 52],
                      "Interval": [0.5, 2], "GridOffset": [0.25, 0], "TickLength": 1000})");
    // Tolerance: one rounding of the product by pi / 180.
    const double eps = 1e-15;
    EXPECT_NEAR(f.service->NeatlineLowerLeft()->x, 5 * kPi / 180, eps);
    EXPECT_NEAR(f.service->NeatlineUpperRight()->y, 52 * kPi / 180, eps);
    EXPECT_NEAR(f.service->Interval()->x, 0.5 * kPi / 180, eps);
    EXPECT_NEAR(f.service->Interval()->y, 2 * kPi / 180, eps);
    EXPECT_NEAR(f.service->GridOffset()->x, 0.25 * kPi / 180, eps);
    // Lengths on the map view are never converted.
    EXPECT_EQ(f.service->TickLength(), 1000.0);

    Frame radians = Read(R"({"MapViewCoordSystem": "EPSG:4326", "AngleUnit": "radian",
                            "GridIntervalsType": 1, "Interval": [0.01, 0.02]})");
    EXPECT_EQ(radians.service->Interval()->x, 0.01);
}

TEST(ConfigUnits, CrsFeetBecomeMetres) {
    // New York Long Island in US survey feet: 1 ftUS = 1200 / 3937 m.
    const std::string frame = R"({"MapViewCoordSystem": "EPSG:2263", "NeatlineLowerLeft": [975000, 185000],
                                  "NeatlineUpperRight": [1025000, 225000], "Interval": [10000, 10000],
                                  "TickLength": 800)";
    Frame feet = Read(frame + "}");
    // Tolerance: a relative 1e-12 covers the unit factor as the units database holds it.
    EXPECT_NEAR(feet.service->Interval()->x, 10000 * 1200.0 / 3937.0, 10000 * 1e-12);
    EXPECT_NEAR(feet.service->NeatlineLowerLeft()->x, 975000 * 1200.0 / 3937.0, 975000 * 1e-12);
    EXPECT_EQ(feet.service->TickLength(), 800.0); // map-view units

    Frame metres = Read(frame + R"(, "LinearUnit": "metre"})");
    EXPECT_EQ(metres.service->Interval()->x, 10000.0);
}

TEST(ConfigUnits, ProjectedLengthsNeedALinearUnit) {
    // A geographic grid system cannot take a projected interval in its own unit.
    ConfigError e = ErrorOf(Utm(R"("GridCoordSystem": "EPSG:4326", "Interval": [1000, 1000])"));
    EXPECT_EQ(e.Path(), "$.Interval[0]");
    EXPECT_NE(std::string(e.what()).find("GridCoordSystem"), std::string::npos) << e.what();
}

TEST(ConfigCorners, ProjCornersDefaultToTheNeatlineCornersAsLabelled) {
    // A projected frame labels its corners in projection-plane metres: the corners themselves.
    Frame projected = Read(Utm(""));
    const detail::ServiceState& p = detail::StateAccess::Of(*projected.service);
    ASSERT_TRUE(p.NeatlineLowerLeftInProjUnits && p.NeatlineUpperLeftInProjUnits &&
                p.NeatlineUpperRightInProjUnits && p.NeatlineLowerRightInProjUnits);
    EXPECT_EQ(p.NeatlineUpperLeftInProjUnits->x, 500000.0);
    EXPECT_EQ(p.NeatlineUpperLeftInProjUnits->y, 5410000.0);
    EXPECT_EQ(p.NeatlineLowerRightInProjUnits->x, 510000.0);
    EXPECT_EQ(p.NeatlineLowerRightInProjUnits->y, 5400000.0);

    // UTM 32N has its central meridian at 9 degrees east: the corners at easting 500000 lie on
    // it, so their geographic corners have longitude 9 degrees. Tolerance: 1e-12 rad (6 um)
    // covers the inverse projection's iteration.
    Frame geographic = Read(Utm(R"("LabelDisplayType": 1)"));
    const detail::ServiceState& g = detail::StateAccess::Of(*geographic.service);
    ASSERT_TRUE(g.NeatlineLowerLeftInProjUnits && g.NeatlineUpperLeftInProjUnits);
    EXPECT_NEAR(g.NeatlineLowerLeftInProjUnits->x, 9 * kPi / 180, 1e-12);
    EXPECT_NEAR(g.NeatlineUpperLeftInProjUnits->x, 9 * kPi / 180, 1e-12);
    // About 48.75 degrees north; the upper corner lies 10 km (about 0.09 degrees) further north.
    EXPECT_NEAR(g.NeatlineLowerLeftInProjUnits->y * 180 / kPi, 48.75, 0.01);
    EXPECT_GT(g.NeatlineUpperLeftInProjUnits->y, g.NeatlineLowerLeftInProjUnits->y);

    // Given corners win, converted like every other angle.
    Frame given = Read(Utm(R"("LabelDisplayType": 1, "NeatlineLowerLeftInProjUnits": [9, 48])"));
    EXPECT_NEAR(detail::StateAccess::Of(*given.service).NeatlineLowerLeftInProjUnits->y, 48 * kPi / 180, 1e-15);
}

TEST(ConfigNames, NearestNameAndPaths) {
    EXPECT_EQ(NearestName("Intervall", KnownKeys()), "Interval");
    EXPECT_EQ(NearestName("labelpartx", KnownKeys()), "LabelPartA");
    EXPECT_EQ(NearestName("anything", {}), "");
    EXPECT_EQ(MemberPath("$", "Font"), "$.Font");
    EXPECT_EQ(MemberPath("$.a", "two words"), "$.a[\"two words\"]");
    EXPECT_EQ(MemberPath("$", "1st"), "$[\"1st\"]");
}

} // namespace
} // namespace cli
} // namespace parallo
