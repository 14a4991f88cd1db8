// The command's keys of polar frames: PolarCapLatitude, an angle in AngleUnit short of the pole;
// PolarCapMeridianSkip, a count; a cap on a projected grid is warned of.
#include <string>

#include <gtest/gtest.h>

#include "checks.h"
#include "config.h"

namespace parallo {
namespace cli {
namespace {

Json Antarctic(const std::string &extra,
               const char *grid = R"("EPSG:4326", "GridIntervalsType": 1, "Interval": [30, 10])") {
    return ParseJson(R"({"MapViewCoordSystem": "EPSG:3031", "NeatlineLowerLeft": [-2000000, -2000000],
        "NeatlineUpperRight": [2000000, 2000000], "GridCoordSystem": )" +
                     std::string(grid) + ", " + extra + "}");
}

TEST(PolarKeys, ACapShortOfThePoleACountAndAWarningOnAProjectedGrid) {
    // One rounding of the product by π / 180.
    EXPECT_NEAR(ReadConfig(Antarctic(R"("PolarCapLatitude": 80)")).service->PolarCapLatitude(),
                80.0 * 3.14159265358979323846 / 180.0, 1e-15);
    EXPECT_EQ(ReadConfig(Antarctic(R"("PolarCapMeridianSkip": 3)")).service->PolarCapMeridianSkip(), 3);
    for (const char *refused :
         {R"("PolarCapLatitude": 90)", R"("PolarCapLatitude": -10)",
          R"("AngleUnit": "radian", "PolarCapLatitude": 1.6)", R"("PolarCapMeridianSkip": -1)"}) {
        try {
            ReadConfig(Antarctic(refused));
            ADD_FAILURE() << refused << " was read";
        } catch (const ConfigError &e) {
            EXPECT_EQ(e.Path().rfind("$.PolarCap", 0), 0u) << refused;
        }
    }
    const Json utm = Antarctic(R"("PolarCapLatitude": 80)", R"("EPSG:32633", "Interval": [500000, 500000])");
    const auto warnings = Warnings(utm, ReadConfig(utm), RunResult{});
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0].rfind("$.PolarCapLatitude: ", 0), 0u) << warnings[0];
    const Json graticule = Antarctic(R"("PolarCapLatitude": 80)");
    EXPECT_TRUE(Warnings(graticule, ReadConfig(graticule), RunResult{}).empty());
}

} // namespace
} // namespace cli
} // namespace parallo
