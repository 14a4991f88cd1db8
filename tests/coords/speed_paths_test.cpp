// The short ways to PROJ operations: a projected system and its own geographic base joined by the
// system's deriving conversion (forwards, or its inverse made as an operation), the same
// geographic system needing no operation, and the trigger-free copy of PROJ's database. Each
// must give exactly the bits of PROJ's operation search on PROJ's own database.
#include <gtest/gtest.h>

#include <proj.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "parallo/coordkit_proj.h"

namespace {

using shapekit::Point;

/// Owns PJ objects made by the test in its own context (on PROJ's own database).
struct Proj {
    PJ_CONTEXT *ctx = proj_context_create();
    std::vector<PJ *> made;
    Proj() { proj_context_set_enable_network(ctx, 0); }
    ~Proj() {
        for (PJ *p : made)
            proj_destroy(p);
        proj_context_destroy(ctx);
    }
    PJ *Keep(PJ *p) {
        if (p) made.push_back(p);
        return p;
    }
    /// A system's storage endpoint with axes normalised: its geographic system when
    /// `geographic`, the system itself otherwise.
    PJ *Endpoint(const char *definition, bool geographic) {
        PJ *crs = Keep(proj_create(ctx, definition));
        if (!crs) return nullptr;
        if (geographic && proj_get_type(crs) == PJ_TYPE_PROJECTED_CRS)
            crs = Keep(proj_crs_get_geodetic_crs(ctx, crs));
        return Keep(proj_normalize_for_visualization(ctx, crs));
    }
};

struct PathCase {
    const char *mapView;
    bool mapViewGeographic; ///< the map view stores longitude and latitude
    const char *target;
    Point sw, ne; ///< a window in the map view's storage units, sampled on a grid
};

// Each of the first pairs takes one short way: the geographic system of a projected system's own
// base to its plane (forwards and, as direction 1, backwards), the plane to its base, the same
// geographic system from two definitions. Feet (EPSG:2263) and northing-first axes (EPSG:3035,
// normalised) are among them. The last three cross datums, so their operations come from PROJ's
// search on the trigger-free copy of its database (when the build made one): WGS 84 to ETRS89 (a
// null transformation), to Cape (a Helmert shift), and UTM 32N to Gauss-Krüger zone 3.
const PathCase kPaths[] = {
    {"EPSG:4326", true, "EPSG:32632", {8.0, 46.0}, {10.5, 50.0}},
    {"EPSG:32632", false, "EPSG:4326", {420000.0, 5100000.0}, {620000.0, 5500000.0}},
    {"EPSG:4269", true, "EPSG:2263", {-74.3, 40.4}, {-73.6, 41.0}},
    {"EPSG:2263", false, "EPSG:4269", {950000.0, 150000.0}, {1050000.0, 260000.0}},
    {"EPSG:4258", true, "EPSG:3035", {-5.0, 40.0}, {20.0, 60.0}},
    {"EPSG:3832", false, "EPSG:4326", {2000000.0, -3000000.0}, {5000000.0, -1000000.0}},
    {"EPSG:32632", true, "EPSG:4326", {8.0, 46.0}, {10.5, 50.0}},
    {"EPSG:4326", true, "EPSG:3035", {-5.0, 40.0}, {20.0, 60.0}},
    {"EPSG:4326", true, "EPSG:22279", {17.0, -35.0}, {20.0, -32.0}},
    {"EPSG:32632", false, "EPSG:31467", {420000.0, 5300000.0}, {620000.0, 5500000.0}},
};

TEST(SpeedPaths, ShortWaysAndTheDatabaseCopyGiveTheSearchsBits) {
    for (const PathCase &c : kPaths) {
        SCOPED_TRACE(std::string(c.mapView) + " -> " + c.target);
        auto mapView = coordkit::CreateProjCoordSystem(c.mapView);
        if (c.mapViewGeographic) mapView->SetBaseStorageType(coordkit::kGeographicStorage);
        auto mgr = coordkit::CreateProjCoordSystemsMgr(mapView);
        auto target = coordkit::CreateProjCoordSystem(c.target);
        const bool targetGeographic =
            std::string(c.target) == "EPSG:4326" || std::string(c.target) == "EPSG:4269";
        auto transform = mgr->GetTransformService()->CreateSimpleTransFromCSMtoCS(*mgr, target);

        Proj proj;
        PJ *a = proj.Endpoint(c.mapView, c.mapViewGeographic);
        PJ *b = proj.Endpoint(c.target, targetGeographic);
        ASSERT_TRUE(a && b);
        PJ *search = proj.Keep(proj_create_crs_to_crs_from_pj(proj.ctx, a, b, nullptr, nullptr));
        ASSERT_TRUE(search);

        // A window sampled on a 13 × 13 grid, z numbering the points, forwards, then PROJ's answers
        // back (direction 1): bit for bit, the outputs must not change with the way the operation
        // was made, and a run is transformed as its points would be alone, z passing through.
        std::vector<Point> ours;
        for (int i = 0; i <= 12; ++i)
            for (int j = 0; j <= 12; ++j)
                ours.emplace_back(c.sw.x + (c.ne.x - c.sw.x) * i / 12, c.sw.y + (c.ne.y - c.sw.y) * j / 12,
                                  static_cast<double>(ours.size()));
        std::vector<double> x, y;
        for (const Point &p : ours) {
            x.push_back(p.x);
            y.push_back(p.y);
        }
        for (const PJ_DIRECTION direction : {PJ_FWD, PJ_INV}) {
            transform->Transform(ours.data(), ours.size(), direction == PJ_FWD ? 0 : 1);
            proj_trans_generic(search, direction, x.data(), sizeof(double), x.size(), y.data(),
                               sizeof(double), y.size(), nullptr, 0, 0, nullptr, 0, 0);
            for (std::size_t i = 0; i < ours.size(); ++i) {
                SCOPED_TRACE(std::string(direction == PJ_FWD ? "forward" : "backward") + ", point " +
                             std::to_string(i));
                ASSERT_EQ(ours[i].x, x[i]);
                ASSERT_EQ(ours[i].y, y[i]);
                ASSERT_EQ(ours[i].z, static_cast<double>(i));
            }
        }
    }
}

} // namespace
