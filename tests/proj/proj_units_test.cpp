// Linear units from PROJ's database: codes, names, abbreviations and conversions.
#include <gtest/gtest.h>

#include "parallo/coordkit_proj.h"
#include "parallo/error.h"

namespace {

TEST(ProjUnits, CodesByNameAndAbbreviation) {
    auto units = coordkit::CreateProjUnitsOfMeasure();
    EXPECT_EQ(units->GetUnitCode(1, "metre"), coordkit::kMetreUnitCode);
    EXPECT_EQ(units->GetUnitCode(1, "m"), 59);
    EXPECT_EQ(units->GetUnitCode(1, "Meter"), 59);
    EXPECT_EQ(units->GetUnitCode(1, "ftUS"), units->GetUnitCode(1, "US survey foot"));
    EXPECT_EQ(units->GetUnitCode(1, "us-ft"), units->GetUnitCode(1, "ftUS")); // PROJ's short name
    EXPECT_EQ(units->GetUnitCode(1, "ft"), units->GetUnitCode(1, "foot"));
    EXPECT_EQ(units->GetUnitCode(1, " km "), units->GetUnitCode(1, "kilometre"));
    EXPECT_NE(units->GetUnitCode(1, "ft"), units->GetUnitCode(1, "ftUS"));
    // Units of other authorities in PROJ's database are there too.
    EXPECT_GT(units->GetUnitCode(1, "inch"), 100000);
}

TEST(ProjUnits, ConvertBetweenAnyTwo) {
    auto units = coordkit::CreateProjUnitsOfMeasure();
    const auto m = units->GetUnitCode(1, "m");
    const auto ft = units->GetUnitCode(1, "ft");
    const auto ftUS = units->GetUnitCode(1, "ftUS");
    const auto km = units->GetUnitCode(1, "km");
    // Definitions: the foot is 0.3048 m exactly, the US survey foot 1200/3937 m; the tolerance is
    // a few ulps of the products.
    EXPECT_NEAR(units->ConvertValue(1, 1000.0, ft, m), 304.8, 1e-12);
    EXPECT_NEAR(units->ConvertValue(1, 3937.0, ftUS, m), 1200.0, 1e-9);
    EXPECT_NEAR(units->ConvertValue(1, 2.5, km, ft), 2500.0 / 0.3048, 1e-9);
    EXPECT_EQ(units->ConvertValue(1, 17.25, m, m), 17.25);
    // PROJ's database gives the decimetre 0.01 m; it is 0.1 m.
    EXPECT_NEAR(units->ConvertValue(1, 1.0, units->GetUnitCode(1, "dm"), m), 0.1, 1e-15);
}

TEST(ProjUnits, EveryAxisUnitNameIsKnown) {
    // The label generator asks GetUnitCode for the grid's UnitName: each must be known.
    auto units = coordkit::CreateProjUnitsOfMeasure();
    for (const char *definition : {"EPSG:32632", "EPSG:2263", "EPSG:2227", "EPSG:27700", "EPSG:3857",
                                   "EPSG:6576", "EPSG:24378" /* Indian feet */}) {
        SCOPED_TRACE(definition);
        const std::string name =
            coordkit::CreateProjCoordSystem(definition)->ProjectionSpace()->AxisInfo()->UnitName();
        EXPECT_NO_THROW(units->GetUnitCode(1, name)) << name;
    }
}

TEST(ProjUnits, UnknownUnitsFail) {
    auto units = coordkit::CreateProjUnitsOfMeasure();
    EXPECT_THROW(units->GetUnitCode(1, "furlong of cheese"), parallo::Error);
    EXPECT_THROW(units->GetUnitCode(2, "m"), parallo::Error);
    EXPECT_THROW(units->ConvertValue(1, 1.0, 59, 12345678), parallo::Error);
    try {
        units->GetUnitCode(1, "parsec");
    } catch (const parallo::Error &e) {
        EXPECT_NE(e.Description().find("\"parsec\""), std::string::npos);
    }
}

} // namespace
