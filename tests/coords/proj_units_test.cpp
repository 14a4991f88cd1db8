// Linear units from PROJ's database: codes, names, abbreviations and conversions.
#include <gtest/gtest.h>

#include "parallo/coordkit_proj.h"
#include "parallo/error.h"

namespace {

TEST(ProjUnits, CodesAndConversions) {
    auto units = coordkit::CreateProjUnitsOfMeasure();
    const auto code = [&](const char *name) { return units->GetUnitCode(1, name); };
    EXPECT_EQ(code("metre"), coordkit::kMetreUnitCode);
    EXPECT_EQ(code("m"), 59);
    EXPECT_EQ(code("Meter"), 59);
    EXPECT_EQ(code("ftUS"), code("US survey foot"));
    EXPECT_EQ(code("us-ft"), code("ftUS")); // PROJ's short name
    EXPECT_EQ(code("ft"), code("foot"));
    EXPECT_EQ(code(" km "), code("kilometre"));
    EXPECT_NE(code("ft"), code("ftUS"));
    EXPECT_GT(code("inch"), 100000); // units of other authorities in PROJ's database
    // The foot is 0.3048 m exactly, the US survey foot 1200/3937 m; tolerances are a few ulps.
    EXPECT_NEAR(units->ConvertValue(1, 1000.0, code("ft"), 59), 304.8, 1e-12);
    EXPECT_NEAR(units->ConvertValue(1, 3937.0, code("ftUS"), 59), 1200.0, 1e-9);
    EXPECT_NEAR(units->ConvertValue(1, 2.5, code("km"), code("ft")), 2500.0 / 0.3048, 1e-9);
    EXPECT_EQ(units->ConvertValue(1, 17.25, 59, 59), 17.25);
    // PROJ's database gives the decimetre 0.01 m; it is 0.1 m.
    EXPECT_NEAR(units->ConvertValue(1, 1.0, code("dm"), 59), 0.1, 1e-15);
}

TEST(ProjUnits, EveryAxisUnitNameIsKnownAndUnknownUnitsFail) {
    // The label generator asks GetUnitCode for the grid's UnitName: each must be known.
    auto units = coordkit::CreateProjUnitsOfMeasure();
    for (const char *definition : {"EPSG:32632", "EPSG:2263", "EPSG:2227", "EPSG:27700", "EPSG:3857",
                                   "EPSG:6576", "EPSG:24378" /* Indian feet */}) {
        const std::string name =
            coordkit::CreateProjCoordSystem(definition)->ProjectionSpace()->AxisInfo()->UnitName();
        EXPECT_NO_THROW(units->GetUnitCode(1, name)) << definition << " " << name;
    }
    EXPECT_THROW(units->GetUnitCode(2, "m"), parallo::Error);
    EXPECT_THROW(units->ConvertValue(1, 1.0, 59, 12345678), parallo::Error);
    try {
        units->GetUnitCode(1, "parsec");
        ADD_FAILURE() << "no failure";
    } catch (const parallo::Error &e) {
        EXPECT_NE(e.Description().find("\"parsec\""), std::string::npos);
    }
}

} // namespace
