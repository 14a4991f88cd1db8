// The configuration reader: accepted values reach the service converted to the units it takes.
// Refusals, each naming its key as a JSON path, are catalogued in tests/reliability/bad_configs_test.cpp.
#include <algorithm>
#include <cmath>
#include <string>
#include <utility>

#include <gtest/gtest.h>

#include "config.h"
#include "service/state.h"

namespace parallo {
namespace cli {
namespace {

constexpr double kDegree = 3.14159265358979323846 / 180.0;

Frame Read(const std::string &text) { return ReadConfig(ParseJson(text)); }

std::string Utm(const std::string &extra) {
    return R"({"MapViewCoordSystem": "EPSG:32632", "NeatlineLowerLeft": [500000, 5400000],
              "NeatlineUpperRight": [510000, 5410000])" +
           (extra.empty() ? std::string() : ", " + extra) + "}";
}

TEST(ConfigValues, EnumerationsByNameOrNumberDefaultsFontsAndColour) {
    const Frame byName =
        Read(Utm(R"("GridType": "PXgtTicksAndCrosses", "LabelOrientation": "PXloPerpendicular",
                                     "LabelType": "PXltCorner")"));
    const Frame byNumber = Read(Utm(R"("GridType": 3, "LabelOrientation": 2, "LabelType": 1)"));
    for (const Frame *f : {&byName, &byNumber}) {
        EXPECT_EQ(f->service->GridType(), PXgtTicksAndCrosses);
        EXPECT_EQ(f->service->LabelOrientation(), PXloPerpendicular);
        EXPECT_EQ(f->service->LabelType(), PXltCorner);
    }
    // Left out: the default calls, hidden label parts; the neatline and grid systems are the map
    // view's definition, as separate objects.
    const Frame f = Read(Utm(""));
    EXPECT_EQ(f.calls, DefaultCalls(*f.service));
    EXPECT_EQ(std::count(f.calls.begin(), f.calls.end(), "CreateFrameBars"), 0);
    // Frame styles join the default calls when the frame asks for them, before the labels.
    const std::vector<std::string> styled =
        Read(Utm(R"("FrameBarWidth": 100, "MinorTickInterval": [200, 200])")).calls;
    EXPECT_EQ(std::vector<std::string>(styled.end() - 3, styled.end()),
              (std::vector<std::string>{"CreateFrameBars", "CreateFrameTicks", "CreateLabels"}));
    ASSERT_TRUE(f.service->LabelPartHemisphere() && f.service->SkipInterval());
    EXPECT_FALSE(f.service->LabelPartHemisphere()->bDisplay());
    EXPECT_NE(f.service->NeatlineCoordSystem(), f.service->MapViewCoordSystem());
    EXPECT_NE(f.service->GridCoordSystem(), f.service->MapViewCoordSystem());

    const Frame b = Read(Utm(R"("LabelPartB": {"bDisplay": true, "FontType": "pxgrdFontType_Superscript",
                               "Font": {"Name": "DejaVu Serif", "Size": 14, "Bold": true}}, "LabelColor": "#FF8000")"));
    const auto &font = b.service->LabelPartB()->Font();
    ASSERT_TRUE(font);
    EXPECT_EQ(b.service->LabelPartB()->FontType(), pxgrdFontType_Superscript);
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

std::pair<double, double> XY(const shapekit::Point &p) { return {p.x, p.y}; }

TEST(ConfigCorners, ProjCornersDefaultToTheNeatlineCornersAsLabelled) {
    // A projected frame labels its corners in projection-plane metres: the corners themselves.
    const Frame projected = Read(Utm(""));
    const detail::ServiceState &p = detail::StateAccess::Of(*projected.service);
    ASSERT_TRUE(p.NeatlineUpperLeftInProjUnits && p.NeatlineLowerRightInProjUnits);
    EXPECT_EQ(XY(*p.NeatlineUpperLeftInProjUnits), XY({500000.0, 5410000.0}));
    EXPECT_EQ(XY(*p.NeatlineLowerRightInProjUnits), XY({510000.0, 5400000.0}));

    // Geographic labels: easting 500000 lies on UTM 32N's central meridian, 9°E, at about 48.75°N.
    // 1e-12 rad (6 µm) covers the inverse projection's iteration.
    const Frame geographic = Read(Utm(R"("LabelDisplayType": 1)"));
    const detail::ServiceState &g = detail::StateAccess::Of(*geographic.service);
    ASSERT_TRUE(g.NeatlineLowerLeftInProjUnits && g.NeatlineUpperLeftInProjUnits);
    EXPECT_NEAR(g.NeatlineLowerLeftInProjUnits->x, 9 * kDegree, 1e-12);
    EXPECT_NEAR(g.NeatlineLowerLeftInProjUnits->y / kDegree, 48.75, 0.01);
    EXPECT_GT(g.NeatlineUpperLeftInProjUnits->y, g.NeatlineLowerLeftInProjUnits->y);

    // Given corners win, converted like every other angle.
    const Frame given = Read(Utm(R"("LabelDisplayType": 1, "NeatlineLowerLeftInProjUnits": [9, 48])"));
    EXPECT_NEAR(detail::StateAccess::Of(*given.service).NeatlineLowerLeftInProjUnits->y, 48 * kDegree, 1e-15);
}

} // namespace
} // namespace cli
} // namespace parallo
