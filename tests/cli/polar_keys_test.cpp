// The command's keys of polar frames: PolarCapLatitude is an angle in AngleUnit that stops short
// of the pole, PolarCapMeridianSkip a count; a cap on a projected grid is warned of.
#include <cmath>
#include <string>

#include <gtest/gtest.h>

#include "checks.h"
#include "config.h"

namespace parallo {
namespace cli {
namespace {

const std::string kAntarctic = R"({"MapViewCoordSystem": "EPSG:3031", "GridCoordSystem": "EPSG:4326",
    "GridIntervalsType": 1, "NeatlineLowerLeft": [-2000000, -2000000], "NeatlineUpperRight": [2000000, 2000000],
    "Interval": [30, 10])";

Frame Read(const std::string &extra) { return ReadConfig(ParseJson(kAntarctic + ", " + extra + "}")); }

TEST(PolarKeys, TheCapIsALatitudeShortOfThePoleAndTheSkipACount) {
    // One rounding of the product by π / 180.
    EXPECT_NEAR(Read(R"("PolarCapLatitude": 80)").service->PolarCapLatitude(),
                80.0 * 3.14159265358979323846 / 180.0, 1e-15);
    EXPECT_EQ(Read(R"("AngleUnit": "radian", "PolarCapLatitude": 1.5)").service->PolarCapLatitude(), 1.5);
    EXPECT_EQ(Read(R"("PolarCapMeridianSkip": 3)").service->PolarCapMeridianSkip(), 3);
    struct Refused {
        const char *extra;
        const char *path;
    };
    for (const Refused &r :
         {Refused{R"("PolarCapLatitude": 90)", "$.PolarCapLatitude"},
          Refused{R"("PolarCapLatitude": -10)", "$.PolarCapLatitude"},
          Refused{R"("AngleUnit": "radian", "PolarCapLatitude": 1.6)", "$.PolarCapLatitude"},
          Refused{R"("PolarCapMeridianSkip": -1)", "$.PolarCapMeridianSkip"}}) {
        try {
            Read(r.extra);
            ADD_FAILURE() << r.extra << " was read";
        } catch (const ConfigError &e) {
            EXPECT_EQ(e.Path(), r.path) << r.extra;
        }
    }
}

TEST(PolarKeys, ACapOnAProjectedGridIsWarnedOf) {
    const std::string utm = R"({"MapViewCoordSystem": "EPSG:3413", "GridCoordSystem": "EPSG:32633",
        "NeatlineLowerLeft": [-2500000, -2500000], "NeatlineUpperRight": [2500000, 2500000],
        "Interval": [500000, 500000], "PolarCapLatitude": 80})";
    const Json config = ParseJson(utm);
    const auto warnings = Warnings(config, ReadConfig(config), RunResult{});
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0].rfind("$.PolarCapLatitude: ", 0), 0u) << warnings[0];
    const Json graticule = ParseJson(kAntarctic + R"(, "PolarCapLatitude": 80})");
    EXPECT_TRUE(Warnings(graticule, ReadConfig(graticule), RunResult{}).empty());
}

} // namespace
} // namespace cli
} // namespace parallo
