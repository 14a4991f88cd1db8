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

// Each pair takes one short way: the geographic system of a projected system's own base to its
// plane (forwards and, as direction 1, backwards), the plane to its base, the same geographic
// system from two definitions. Feet (EPSG:2263) and northing-first axes (EPSG:3035, normalised)
// are among them.
const PathCase kPaths[] = {
    {"EPSG:4326", true, "EPSG:32632", {8.0, 46.0}, {10.5, 50.0}},
    {"EPSG:32632", false, "EPSG:4326", {420000.0, 5100000.0}, {620000.0, 5500000.0}},
    {"EPSG:4269", true, "EPSG:2263", {-74.3, 40.4}, {-73.6, 41.0}},
    {"EPSG:2263", false, "EPSG:4269", {950000.0, 150000.0}, {1050000.0, 260000.0}},
    {"EPSG:4258", true, "EPSG:3035", {-5.0, 40.0}, {20.0, 60.0}},
    {"EPSG:3832", false, "EPSG:4326", {2000000.0, -3000000.0}, {5000000.0, -1000000.0}},
    {"EPSG:32632", true, "EPSG:4326", {8.0, 46.0}, {10.5, 50.0}},
};

std::vector<Point> Sample(const Point &sw, const Point &ne) {
    constexpr int kSteps = 12;
    std::vector<Point> points;
    for (int i = 0; i <= kSteps; ++i) {
        for (int j = 0; j <= kSteps; ++j) {
            points.emplace_back(sw.x + (ne.x - sw.x) * i / kSteps, sw.y + (ne.y - sw.y) * j / kSteps);
        }
    }
    return points;
}

TEST(SpeedPaths, ShortWaysGiveTheSearchsBits) {
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

        const std::vector<Point> in = Sample(c.sw, c.ne);
        std::vector<Point> ours = in;
        transform->Transform(ours.data(), ours.size(), 0);
        std::vector<double> x, y;
        for (const Point &p : in) {
            x.push_back(p.x);
            y.push_back(p.y);
        }
        proj_trans_generic(search, PJ_FWD, x.data(), sizeof(double), x.size(), y.data(), sizeof(double),
                           y.size(), nullptr, 0, 0, nullptr, 0, 0);
        for (std::size_t i = 0; i < in.size(); ++i) {
            // Bit for bit: the outputs must not change with the way the operation was made.
            ASSERT_EQ(ours[i].x, x[i]) << "forward, point " << i;
            ASSERT_EQ(ours[i].y, y[i]) << "forward, point " << i;
        }

        // Direction 1 takes PROJ's answers back.
        std::vector<Point> back = ours;
        transform->Transform(back.data(), back.size(), 1);
        proj_trans_generic(search, PJ_INV, x.data(), sizeof(double), x.size(), y.data(), sizeof(double),
                           y.size(), nullptr, 0, 0, nullptr, 0, 0);
        for (std::size_t i = 0; i < in.size(); ++i) {
            ASSERT_EQ(back[i].x, x[i]) << "backward, point " << i;
            ASSERT_EQ(back[i].y, y[i]) << "backward, point " << i;
        }
    }
}

// Operations across datums come from PROJ's search on the trigger-free copy of its database (when
// the build made one): the copy must lead PROJ to the same operations as its own database.
TEST(SpeedPaths, DatabaseCopyFindsTheSameOperations) {
    struct DatumCase {
        const char *mapView;
        const char *target;
        Point sw, ne;
    };
    const DatumCase cases[] = {
        // WGS 84 to ETRS89 (a null transformation) and to Cape (a Helmert shift).
        {"EPSG:4326", "EPSG:3035", {-5.0, 40.0}, {20.0, 60.0}},
        {"EPSG:4326", "EPSG:22279", {17.0, -35.0}, {20.0, -32.0}},
        {"EPSG:32632", "EPSG:31467", {420000.0, 5300000.0}, {620000.0, 5500000.0}},
    };
    for (const DatumCase &c : cases) {
        SCOPED_TRACE(std::string(c.mapView) + " -> " + c.target);
        auto mgr = coordkit::CreateProjCoordSystemsMgr(coordkit::CreateProjCoordSystem(c.mapView));
        auto transform = mgr->GetTransformService()->CreateSimpleTransFromCSMtoCS(
            *mgr, coordkit::CreateProjCoordSystem(c.target));
        Proj proj;
        const bool geographic = std::string(c.mapView) == "EPSG:4326";
        PJ *search =
            proj.Keep(proj_create_crs_to_crs_from_pj(proj.ctx, proj.Endpoint(c.mapView, geographic),
                                                     proj.Endpoint(c.target, false), nullptr, nullptr));
        ASSERT_TRUE(search);
        const std::vector<Point> in = Sample(c.sw, c.ne);
        std::vector<Point> ours = in;
        transform->Transform(ours.data(), ours.size(), 0);
        for (std::size_t i = 0; i < in.size(); ++i) {
            double x = in[i].x, y = in[i].y;
            proj_trans_generic(search, PJ_FWD, &x, sizeof(double), 1, &y, sizeof(double), 1, nullptr, 0, 0,
                               nullptr, 0, 0);
            ASSERT_EQ(ours[i].x, x) << "point " << i;
            ASSERT_EQ(ours[i].y, y) << "point " << i;
        }
    }
}

// The metre's abbreviation is answered without reading the unit table; it must be the code the
// table gives the metre's names.
TEST(SpeedPaths, MetreAbbreviationIsTheTablesMetre) {
    auto units = coordkit::CreateProjUnitsOfMeasure();
    EXPECT_EQ(units->GetUnitCode(1, "m"), coordkit::kMetreUnitCode);
    EXPECT_EQ(units->GetUnitCode(1, "metre"), coordkit::kMetreUnitCode);
    EXPECT_EQ(units->GetUnitCode(1, " M "), coordkit::kMetreUnitCode);
}

} // namespace
