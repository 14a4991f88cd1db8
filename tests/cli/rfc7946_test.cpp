// The command's --rfc7946 output run on real frames: one across the 180° meridian and one UTM
// sheet. Checked as web maps read it: no "crs", longitude and latitude in range, exterior rings
// closed and counter-clockwise, no step that jumps round the earth, and the same position PROJ
// gives for the map view's neatline vertex.
#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <proj.h>

#include "cli/command_runs.h"
#include "config_json.h"

namespace parallo {
namespace cli {
namespace {

using namespace parallo_cli_test;

/// The built command's standard output on an example, with or without --rfc7946.
std::string Command(const std::string &example, bool rfc7946) {
    Scratch dir;
    std::vector<std::string> args = {std::string(PARALLO_SOURCE_DIR) + "/examples/" + example};
    if (rfc7946) args.push_back("--rfc7946");
    const Outcome o = RunParallo(dir, args);
    EXPECT_EQ(o.status, 0) << o.err;
    return o.out;
}

/// Every polygon of a geometry (a Polygon alone, or each of a MultiPolygon).
std::vector<Json> Polygons(const Json &g) {
    if (g["type"] == "Polygon") return {g["coordinates"]};
    if (g["type"] == "MultiPolygon") return g["coordinates"].get<std::vector<Json>>();
    return {};
}

/// Every line or ring of a geometry, as lists of positions.
std::vector<Json> Paths(const Json &g) {
    const std::string type = g["type"];
    if (type == "LineString") return {g["coordinates"]};
    std::vector<Json> paths;
    if (type == "MultiLineString")
        for (const Json &l : g["coordinates"])
            paths.push_back(l);
    for (const Json &polygon : Polygons(g))
        for (const Json &ring : polygon)
            paths.push_back(ring);
    return paths;
}

/// Twice the signed area in the longitude-latitude plane (positive counter-clockwise).
double SignedArea(const Json &ring) {
    double sum = 0.0;
    for (std::size_t i = 0; i + 1 < ring.size(); ++i)
        sum += ring[i][0].get<double>() * ring[i + 1][1].get<double>() -
               ring[i + 1][0].get<double>() * ring[i][1].get<double>();
    return sum;
}

/// The first vertex of the map-view neatline converted by PROJ itself to EPSG:4326, longitude first.
std::vector<double> ProjNeatlineVertex(const Json &mapView) {
    const Json &neatline = mapView["features"][0];
    EXPECT_EQ(neatline["properties"]["kind"], "neatline");
    const Json &v = neatline["geometry"]["coordinates"][0][0];
    PJ_CONTEXT *ctx = proj_context_create();
    PJ *op = proj_create_crs_to_crs(ctx, mapView["crs"]["properties"]["name"].get<std::string>().c_str(),
                                    "EPSG:4326", nullptr);
    PJ *norm = proj_normalize_for_visualization(ctx, op);
    const PJ_COORD c = proj_trans(norm, PJ_FWD, proj_coord(v[0].get<double>(), v[1].get<double>(), 0, 0));
    proj_destroy(norm);
    proj_destroy(op);
    proj_context_destroy(ctx);
    return {c.xy.x, c.xy.y};
}

struct Case {
    const char *example;
    bool crossesAntimeridian;
};

class Rfc7946Test : public ::testing::TestWithParam<Case> {};

TEST_P(Rfc7946Test, ReadsAsWebMapsReadIt) {
    const Case c = GetParam();
    const Json doc = ParseJson(Command(c.example, true));
    EXPECT_FALSE(doc.contains("crs")) << "RFC 7946 has no crs member";

    std::vector<Json> geometries;
    std::size_t multi = 0;
    for (const Json &f : doc["features"]) {
        if (!f["geometry"].is_null()) geometries.push_back(f["geometry"]);
        if (f["properties"].contains("box")) geometries.push_back(f["properties"]["box"]);
        multi += f["geometry"].is_object() &&
                 (f["geometry"]["type"] == "MultiPolygon" || f["geometry"]["type"] == "MultiLineString");
    }
    ASSERT_GT(geometries.size(), 10u);
    EXPECT_EQ(multi > 0, c.crossesAntimeridian) << "pieces cut at the 180° meridian, and only there";
    for (const Json &g : geometries) {
        std::vector<Json> points = Paths(g);
        if (g["type"] == "Point") points.push_back(Json::array({g["coordinates"]}));
        for (const Json &path : points) {
            for (std::size_t i = 0; i < path.size(); ++i) {
                const double lon = path[i][0], lat = path[i][1];
                EXPECT_TRUE(lon >= -180.0 && lon <= 180.0 && lat >= -90.0 && lat <= 90.0) << path[i];
                if (i > 0) {
                    EXPECT_LE(std::fabs(lon - path[i - 1][0].get<double>()), 180.0) << path[i];
                }
            }
        }
        for (const Json &polygon : Polygons(g)) {
            const Json &outer = polygon[0];
            EXPECT_EQ(outer.front(), outer.back()) << "closed ring";
            EXPECT_GT(SignedArea(outer), 0.0) << "exterior ring counter-clockwise";
        }
    }

    // PROJ's own conversion of the map view's first neatline vertex is among the written vertices. The
    // same operation, and numbers written in the form that reads back exactly, leave only the choice
    // among PROJ's operations to differ; 1e-9° (0.1 mm on the ground) is far below any datum shift.
    const std::vector<double> expected = ProjNeatlineVertex(ParseJson(Command(c.example, false)));
    double nearest = HUGE_VAL;
    for (const Json &f : doc["features"])
        if (f["properties"]["kind"] == "neatline")
            for (const Json &ring : Paths(f["geometry"]))
                for (const Json &p : ring) {
                    const double dlon = std::remainder(p[0].get<double>() - expected[0], 360.0);
                    nearest = std::fmin(nearest, std::hypot(dlon, p[1].get<double>() - expected[1]));
                }
    EXPECT_LE(nearest, 1e-9) << "the neatline vertex as PROJ converts it";
}

INSTANTIATE_TEST_SUITE_P(Examples, Rfc7946Test,
                         ::testing::Values(Case{"pacific_antimeridian.json", true},
                                           Case{"utm32n_sheet.json", false}));

TEST(Rfc7946, APointWithoutLongitudeAndLatitudeFailsTheOutput) {
    // An orthographic view whose corners lie off the globe: no silent drop, exit 1, nothing written.
    Scratch dir;
    const std::string config = dir.Write(
        "ortho.json", R"({"MapViewCoordSystem": "+proj=ortho +lat_0=0 +lon_0=0 +ellps=WGS84 +type=crs",
        "NeatlineLowerLeft": [-7000000, -7000000], "NeatlineUpperRight": [7000000, 7000000], "calls": ["CreateNeatline"]})");
    EXPECT_EQ(RunParallo(dir, {config, "--rfc7946", "-o", dir.path + "/out.geojson"}).status, 1);
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"ortho.json"}) << "no output written";
}

} // namespace
} // namespace cli
} // namespace parallo
