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

constexpr double kDegree = 3.14159265358979323846 / 180.0;

Frame Read(const std::string &text) { return ReadConfig(ParseJson(text)); }

/// The error a configuration raises; fails the test when it raises none.
ConfigError ErrorOf(const std::string &text) {
    try {
        Read(text);
    } catch (const ConfigError &e) {
        return e;
    }
    ADD_FAILURE() << "accepted: " << text;
    return ConfigError("", "");
}

// A valid projected frame that the bad cases spoil one key at a time.
std::string Utm(const std::string &extra) {
    return R"({"MapViewCoordSystem": "EPSG:32632", "NeatlineLowerLeft": [500000, 5400000],
              "NeatlineUpperRight": [510000, 5410000])" +
           (extra.empty() ? std::string() : ", " + extra) + "}";
}

TEST(ConfigErrors, EachBadValueNamesItsKeyAndTheProblemOnOneLine) {
    struct BadCase {
        std::string extra, path, contains; // added to the valid frame; the key named; what is wrong
    };
    const BadCase cases[] = {
        {R"("TickLenght": 5)", "$.TickLenght", "did you mean \"TickLength\""},
        {R"("interval": [1, 1])", "$.interval", "did you mean \"Interval\""},
        {R"("TickLength": "200")", "$.TickLength", "expected a number, got a string"},
        {R"("bForceStroking": 1)", "$.bForceStroking", "expected true or false"},
        {R"("GridType": 7)", "$.GridType", "out of range"},
        {R"("LabelType": 0.5)", "$.LabelType", "out of range"},
        {R"("GridType": "PXgtTick")", "$.GridType", "did you mean \"PXgtTicks\""},
        {R"("Interval": [1000])", "$.Interval", "expected a point"},
        {R"("Interval": [1000, 0])", "$.Interval[1]", "greater than 0"},
        {R"("NeatlinePolygon": [[0, 0], [1, 0], [1, true]])", "$.NeatlinePolygon[2][1]", "expected a number"},
        {R"("NeatlinePolygon": [[0, 0], [1, 0]])", "$.NeatlinePolygon", "at least 3"},
        {R"("MagnitudeAB": 40000)", "$.MagnitudeAB", "outside -32768 to 32767"},
        {R"("DecimalPlaces": 16)", "$.DecimalPlaces", "outside 0 to 15"},
        {R"("LabelPartA": {"bDisplay": true, "FontTyp": 1})", "$.LabelPartA.FontTyp",
         "did you mean \"FontType\""},
        {R"("LabelPartB": {"Font": {"Size": "big"}})", "$.LabelPartB.Font.Size", "expected a number"},
        {R"("LabelPartC": {"FontType": 3})", "$.LabelPartC.FontType", "out of range"},
        {R"("calls": ["CreateNeatline", "CreateGridLines"])", "$.calls[1]",
         "did you mean \"CreateGridlines\""},
        {R"("calls": "CreateNeatline")", "$.calls", "expected an array"},
        {R"("AngleUnit": "grad")", "$.AngleUnit", "\"degree\" or \"radian\""},
        {R"("LinearUnit": "feet")", "$.LinearUnit", "\"crs\" or \"metre\""},
        {R"("LabelColor": "red")", "$.LabelColor", "#RRGGBB"},
        {R"("GridCoordSystem": "EPSG:999999")", "$.GridCoordSystem", "PROJ cannot make"},
        {R"("NeatlineCoordSystem": {"definition": "EPSG:4326", "Base": 1})", "$.NeatlineCoordSystem.Base",
         "did you mean \"BaseStorageType\""},
        {R"("GridCoordSystem": {"definition": "EPSG:4326", "BaseStorageType": 5})",
         "$.GridCoordSystem.BaseStorageType", "out of range"},
        {R"("my key": 1)", "$[\"my key\"]", "unknown key"},
        // A geographic grid system cannot take a projected interval in its own unit.
        {R"("GridCoordSystem": "EPSG:4326", "Interval": [1000, 1000])", "$.Interval[0]", "GridCoordSystem"},
        // The first bad key of the file; an unknown key is found before any value is read.
        {R"("TickLength": "a", "CrossLength": "b")", "$.TickLength", "expected a number"},
        {R"("TickLength": "a", "Bogus": 1)", "$.Bogus", "unknown key"},
        {R"("TickLength": 1, "TickLength": 2)", "$.TickLength", "duplicate"},
    };
    for (const BadCase &c : cases) {
        SCOPED_TRACE(c.extra);
        const ConfigError e = ErrorOf(Utm(c.extra));
        EXPECT_EQ(e.Path(), c.path) << e.what();
        EXPECT_NE(std::string(e.what()).find(c.contains), std::string::npos) << e.what();
        EXPECT_EQ(std::string(e.what()).find('\n'), std::string::npos) << e.what();
    }
}

TEST(ConfigErrors, DocumentLevelProblems) {
    EXPECT_EQ(ErrorOf("[1, 2]").Path(), "$");
    EXPECT_EQ(ErrorOf("{}").Path(), "$.MapViewCoordSystem");
    EXPECT_EQ(ErrorOf(R"({"MapViewCoordSystem": "not a crs at all"})").Path(), "$.MapViewCoordSystem");
    EXPECT_EQ(ErrorOf(R"({"MapViewCoordSystem": 32632})").Path(), "$.MapViewCoordSystem");
    const ConfigError syntax = ErrorOf("{\"MapViewCoordSystem\": \"EPSG:32632\",\n \"TickLength\": }");
    EXPECT_EQ(syntax.Path(), "$");
    EXPECT_NE(std::string(syntax.what()).find("line 2"), std::string::npos) << syntax.what();
    // Deep nesting is refused while parsing, before it can exhaust the stack of a later step.
    const ConfigError nested =
        ErrorOf("{\"calls\": " + std::string(100000, '[') + std::string(100000, ']') + "}");
    EXPECT_NE(std::string(nested.what()).find("nesting"), std::string::npos);
}

TEST(ConfigValues, EnumerationsDefaultsFontsAndColour) {
    const Frame byName =
        Read(Utm(R"("GridType": "PXgtTicksAndCrosses", "LabelOrientation": "PXloPerpendicular",
                                     "LabelType": "PXltCorner")"));
    const Frame byNumber = Read(Utm(R"("GridType": 3, "LabelOrientation": 2, "LabelType": 1)"));
    for (const Frame *f : {&byName, &byNumber}) {
        EXPECT_EQ(f->service->GridType(), PXgtTicksAndCrosses);
        EXPECT_EQ(f->service->LabelOrientation(), PXloPerpendicular);
        EXPECT_EQ(f->service->LabelType(), PXltCorner);
    }
    // Left out: the default calls, hidden label parts, zero offsets; the neatline and grid
    // systems are the map view's definition, as separate objects.
    const Frame f = Read(Utm(""));
    EXPECT_EQ(f.calls, DefaultCalls());
    ASSERT_TRUE(f.service->LabelPartHemisphere() && f.service->GridOffset() && f.service->SkipInterval());
    EXPECT_FALSE(f.service->LabelPartHemisphere()->bDisplay());
    EXPECT_EQ(f.service->SkipInterval()->y, 0.0);
    EXPECT_NE(f.service->NeatlineCoordSystem(), f.service->MapViewCoordSystem());
    EXPECT_NE(f.service->GridCoordSystem(), f.service->MapViewCoordSystem());

    const Frame b = Read(Utm(R"("LabelPartB": {"bDisplay": true, "FontType": "pxgrdFontType_Superscript",
                               "Font": {"Name": "DejaVu Serif", "Size": 14, "Bold": true}}, "LabelColor": "#FF8000")"));
    const auto &font = b.service->LabelPartB()->Font();
    ASSERT_TRUE(font);
    EXPECT_EQ(b.service->LabelPartB()->FontType(), pxgrdFontType_Superscript);
    EXPECT_EQ(font->Size, 14.0);
    EXPECT_EQ(font->Weight, 700);                 // bold without a weight of its own
    EXPECT_EQ(b.service->LabelColor(), 0x0080FF); // the host's colour number is 0x00BBGGRR
}

TEST(ConfigUnits, DegreesBecomeRadiansAndCrsFeetBecomeMetres) {
    const Frame f = Read(R"({"MapViewCoordSystem": "EPSG:3035", "NeatlineCoordSystem": "EPSG:4326",
                            "GridCoordSystem": "EPSG:4326", "NeatlineExtentsType": 1, "GridIntervalsType": 1,
                            "NeatlineLowerLeft": [5, 45], "NeatlineUpperRight": [15, 52],
                            "Interval": [0.5, 2], "GridOffset": [0.25, 0], "TickLength": 1000})");
    // Tolerance: one rounding of the product by π / 180.
    EXPECT_NEAR(f.service->NeatlineUpperRight()->y, 52 * kDegree, 1e-15);
    EXPECT_NEAR(f.service->Interval()->x, 0.5 * kDegree, 1e-15);
    EXPECT_NEAR(f.service->GridOffset()->x, 0.25 * kDegree, 1e-15);
    EXPECT_EQ(f.service->TickLength(), 1000.0); // lengths on the map view are never converted
    const Frame radians = Read(R"({"MapViewCoordSystem": "EPSG:4326", "AngleUnit": "radian",
                                  "GridIntervalsType": 1, "Interval": [0.01, 0.02]})");
    EXPECT_EQ(radians.service->Interval()->x, 0.01);

    // New York Long Island in US survey feet: 1 ftUS = 1200 / 3937 m; a relative 1e-12 covers the
    // factor as the units database holds it.
    const std::string ny = R"({"MapViewCoordSystem": "EPSG:2263", "NeatlineLowerLeft": [975000, 185000],
                               "NeatlineUpperRight": [1025000, 225000], "Interval": [10000, 10000], "TickLength": 800)";
    const Frame feet = Read(ny + "}");
    EXPECT_NEAR(feet.service->Interval()->x, 10000 * 1200.0 / 3937.0, 10000 * 1e-12);
    EXPECT_NEAR(feet.service->NeatlineLowerLeft()->x, 975000 * 1200.0 / 3937.0, 975000 * 1e-12);
    EXPECT_EQ(feet.service->TickLength(), 800.0);
    EXPECT_EQ(Read(ny + R"(, "LinearUnit": "metre"})").service->Interval()->x, 10000.0);
}

TEST(ConfigCorners, ProjCornersDefaultToTheNeatlineCornersAsLabelled) {
    // A projected frame labels its corners in projection-plane metres: the corners themselves.
    const Frame projected = Read(Utm(""));
    const detail::ServiceState &p = detail::StateAccess::Of(*projected.service);
    ASSERT_TRUE(p.NeatlineUpperLeftInProjUnits && p.NeatlineLowerRightInProjUnits);
    EXPECT_EQ(p.NeatlineUpperLeftInProjUnits->x, 500000.0);
    EXPECT_EQ(p.NeatlineUpperLeftInProjUnits->y, 5410000.0);
    EXPECT_EQ(p.NeatlineLowerRightInProjUnits->x, 510000.0);
    EXPECT_EQ(p.NeatlineLowerRightInProjUnits->y, 5400000.0);

    // Geographic labels: easting 500000 lies on UTM 32N's central meridian, 9°E, at about 48.75°N.
    // 1e-12 rad (6 µm) covers the inverse projection's iteration.
    const Frame geographic = Read(Utm(R"("LabelDisplayType": 1)"));
    const detail::ServiceState &g = detail::StateAccess::Of(*geographic.service);
    ASSERT_TRUE(g.NeatlineLowerLeftInProjUnits && g.NeatlineUpperLeftInProjUnits);
    EXPECT_NEAR(g.NeatlineLowerLeftInProjUnits->x, 9 * kDegree, 1e-12);
    EXPECT_NEAR(g.NeatlineUpperLeftInProjUnits->x, 9 * kDegree, 1e-12);
    EXPECT_NEAR(g.NeatlineLowerLeftInProjUnits->y / kDegree, 48.75, 0.01);
    EXPECT_GT(g.NeatlineUpperLeftInProjUnits->y, g.NeatlineLowerLeftInProjUnits->y);

    // Given corners win, converted like every other angle.
    const Frame given = Read(Utm(R"("LabelDisplayType": 1, "NeatlineLowerLeftInProjUnits": [9, 48])"));
    EXPECT_NEAR(detail::StateAccess::Of(*given.service).NeatlineLowerLeftInProjUnits->y, 48 * kDegree, 1e-15);
}

TEST(ConfigNames, NearestNameAndPaths) {
    EXPECT_EQ(NearestName("Intervall", KnownKeys()), "Interval");
    EXPECT_EQ(NearestName("labelpartx", KnownKeys()), "LabelPartA");
    EXPECT_EQ(NearestName("anything", {}), "");
    EXPECT_EQ(MemberPath("$.a", "two words"), "$.a[\"two words\"]");
    EXPECT_EQ(MemberPath("$", "1st"), "$[\"1st\"]");
}

} // namespace
} // namespace cli
} // namespace parallo
