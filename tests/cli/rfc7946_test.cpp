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

/// The exterior rings of a geometry's polygons.
std::vector<Json> OuterRings(const Json &g) {
    if (g["type"] == "Polygon") return {g["coordinates"][0]};
    std::vector<Json> rings;
    if (g["type"] == "MultiPolygon")
        for (const Json &polygon : g["coordinates"])
            rings.push_back(polygon[0]);
    return rings;
}

/// Every line or ring in a geometry's coordinates `c`, a point as a line of one position.
void Paths(const Json &c, std::vector<Json> &paths) {
    if (c[0].is_number()) {
        paths.push_back(Json::array({c}));
    } else if (c[0][0].is_number()) {
        paths.push_back(c);
    } else {
        for (const Json &inner : c)
            Paths(inner, paths);
    }
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

TEST(Rfc7946, ReadsAsWebMapsReadIt) {
    for (const auto &[example, crossesAntimeridian] :
         {std::pair("pacific_antimeridian.json", true), std::pair("utm32n_sheet.json", false)}) {
        SCOPED_TRACE(example);
        const Json doc = ParseJson(Command(example, true));
        EXPECT_FALSE(doc.contains("crs")) << "RFC 7946 has no crs member";
        std::vector<Json> geometries, paths, neatline;
        for (const Json &f : doc["features"]) {
            if (!f["geometry"].is_null()) geometries.push_back(f["geometry"]);
            if (f["properties"].contains("box")) geometries.push_back(f["properties"]["box"]);
            if (f["properties"]["kind"] == "neatline") Paths(f["geometry"]["coordinates"], neatline);
        }
        ASSERT_GT(geometries.size(), 10u);
        std::size_t multi = 0;
        for (const Json &g : geometries) {
            multi += g["type"] == "MultiPolygon" || g["type"] == "MultiLineString";
            Paths(g["coordinates"], paths);
            for (const Json &outer : OuterRings(g)) {
                EXPECT_EQ(outer.front(), outer.back()) << "closed ring";
                EXPECT_GT(SignedArea(outer), 0.0) << "exterior ring counter-clockwise";
            }
        }
        EXPECT_EQ(multi > 0, crossesAntimeridian) << "pieces cut at the 180° meridian, and only there";
        for (const Json &path : paths)
            for (std::size_t i = 0; i < path.size(); ++i) {
                const double lon = path[i][0], lat = path[i][1];
                EXPECT_TRUE(lon >= -180.0 && lon <= 180.0 && lat >= -90.0 && lat <= 90.0) << path[i];
                EXPECT_TRUE(i == 0 || std::fabs(lon - path[i - 1][0].get<double>()) <= 180.0) << path[i];
            }

        // PROJ's own conversion of the map view's first neatline vertex is among the written
        // vertices. The same operation, and numbers written in the form that reads back exactly,
        // leave only the choice among PROJ's operations to differ; 1e-9° (0.1 mm on the ground) is
        // far below any datum shift.
        const std::vector<double> expected = ProjNeatlineVertex(ParseJson(Command(example, false)));
        double nearest = HUGE_VAL;
        for (const Json &ring : neatline)
            for (const Json &p : ring)
                nearest =
                    std::fmin(nearest, std::hypot(std::remainder(p[0].get<double>() - expected[0], 360.0),
                                                  p[1].get<double>() - expected[1]));
        EXPECT_LE(nearest, 1e-9) << "the neatline vertex as PROJ converts it";
    }
}

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
