// The command's --rfc7946 output run on real frames: one across the 180° meridian, one UTM
// sheet and one round the South Pole. Checked as web maps read it: no "crs", longitude and
// latitude in range, exterior rings closed and counter-clockwise, no step that jumps round the
// earth (a step along a pole is none), and the neatline where PROJ puts the map view's, along its
// edges too.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <proj.h>

#include "cli/command_runs.h"
#include "config_json.h"
#include "rfc7946.h"

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

/// Points of the map-view neatline converted by PROJ itself to EPSG:4326, longitude first: its
/// first vertex, then the point a third along each edge (a vertex neither of the map view nor of
/// a halving of it).
std::vector<std::vector<double>> ProjNeatlinePoints(const Json &mapView) {
    const Json &neatline = mapView["features"][0];
    EXPECT_EQ(neatline["properties"]["kind"], "neatline");
    const Json &ring = neatline["geometry"]["coordinates"][0];
    PJ_CONTEXT *ctx = proj_context_create();
    PJ *op = proj_create_crs_to_crs(ctx, mapView["crs"]["properties"]["name"].get<std::string>().c_str(),
                                    "EPSG:4326", nullptr);
    PJ *norm = proj_normalize_for_visualization(ctx, op);
    std::vector<std::vector<double>> out;
    for (std::size_t i = 0; i < ring.size(); ++i) {
        const Json &v = ring[i], &w = ring[i == 0 ? 0 : i - 1];
        const double x = (v[0].get<double>() + 2.0 * w[0].get<double>()) / 3.0,
                     y = (v[1].get<double>() + 2.0 * w[1].get<double>()) / 3.0;
        const PJ_COORD c = proj_trans(norm, PJ_FWD, proj_coord(x, y, 0, 0));
        out.push_back({c.xy.x, c.xy.y});
    }
    proj_destroy(norm);
    proj_destroy(op);
    proj_context_destroy(ctx);
    return out;
}

/// How far a longitude and latitude lies from the nearest step of the paths, in degrees of arc
/// with the longitude scaled by the cosine of the latitude, as the conversion measures.
double OffPaths(const std::vector<Json> &paths, const std::vector<double> &p) {
    const double k = std::cos(p[1] * 3.14159265358979323846 / 180.0);
    double nearest = HUGE_VAL;
    for (const Json &path : paths)
        for (std::size_t i = 0; i + 1 < path.size(); ++i) {
            const double ax = path[i][0], ay = path[i][1];
            const double ux = (path[i + 1][0].get<double>() - ax) * k, uy = path[i + 1][1].get<double>() - ay;
            const double vx = std::remainder(p[0] - ax, 360.0) * k, vy = p[1] - ay;
            const double t = std::clamp((vx * ux + vy * uy) / std::fmax(ux * ux + uy * uy, 1e-300), 0.0, 1.0);
            nearest = std::fmin(nearest, std::hypot(vx - t * ux, vy - t * uy));
        }
    return nearest;
}

TEST(Rfc7946, ReadsAsWebMapsReadIt) {
    for (const auto &[example, crossesAntimeridian] :
         {std::pair("pacific_antimeridian.json", true), std::pair("utm32n_sheet.json", false),
          std::pair("antarctic_polar.json", true)}) {
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
                const bool alongPole = i > 0 && std::fabs(lat) == 90.0 && path[i - 1][1] == lat;
                EXPECT_TRUE(i == 0 || alongPole || std::fabs(lon - path[i - 1][0].get<double>()) <= 180.0)
                    << path[i];
            }

        // PROJ's own conversion of the map view's first neatline vertex lies on the written
        // neatline. The same operation, and numbers written in the form that reads back exactly,
        // leave only the choice among PROJ's operations to differ; 1e-9° (0.1 mm on the ground) is
        // far below any datum shift.
        const std::vector<std::vector<double>> expected =
            ProjNeatlinePoints(ParseJson(Command(example, false)));
        EXPECT_LE(OffPaths(neatline, expected[0]), 1e-9) << "the neatline vertex as PROJ converts it";
        // The map view's straight edges are followed, not cut short by chords (a polar square is
        // not a circle of latitude): a third along each edge lies on the path within the
        // tolerance, which bounds each step's middle; a third along a step that bends evenly lies
        // 8/9 as far off.
        for (std::size_t i = 1; i < expected.size(); ++i)
            EXPECT_LE(OffPaths(neatline, expected[i]), kRfc7946Tolerance) << "edge " << i;
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
