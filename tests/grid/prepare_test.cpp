// The neatline in grid coordinates: the crossing test of the 180° meridian, the shift, and the
// label variant of the preparation, which must agree with the grid one.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "grid/prepare.h"
#include "grid_checks.h"
#include "parallo/planicalc.h"

namespace {

using parallo::detail::GridNeatline;
using parallo::detail::ServiceState;
using parallo::detail::StateAccess;

/// 1e-9 rad is about 6 mm on the ground: ample for a transformation that only scales units.
constexpr double kRadTol = 1e-9;

TEST(Prepare, PacificFrameIsShiftedIntoOneRangeOfLongitudes) {
    auto f = parallo_test::MakeFrame(parallo_test::PacificOnProjected());
    ServiceState &s = StateAccess::Of(f->service);
    GridNeatline w;
    std::string trace;
    parallo::detail::PrepareNeatline(s, w, trace);
    EXPECT_TRUE(s.b180Crossed);
    EXPECT_EQ(w.U, coordkit::kGeographic);
    EXPECT_DOUBLE_EQ(s.dPointTolerance, 0.0001 / 6378137.0);
    // 170°E … 190°E in radians, unbroken.
    EXPECT_NEAR(w.pMin.x, parallo_test::Radians(170.0), kRadTol);
    EXPECT_NEAR(w.pMax.x, parallo_test::Radians(190.0), kRadTol);
    EXPECT_NEAR(w.pMin.y, parallo_test::Radians(-20.0), kRadTol);
    EXPECT_NEAR(w.pMax.y, parallo_test::Radians(-10.0), kRadTol);
}

TEST(Prepare, FrameEastOfZeroOnBothCornersDoesNotCross) {
    auto f = parallo_test::MakeFrame(parallo_test::GraticuleOnWebMercator());
    ServiceState &s = StateAccess::Of(f->service);
    s.b180Crossed = true; // reset by every preparation
    GridNeatline w;
    std::string trace;
    parallo::detail::PrepareNeatline(s, w, trace);
    EXPECT_FALSE(s.b180Crossed);
    EXPECT_NEAR(w.pMin.x, parallo_test::Radians(5.0), kRadTol);
}

TEST(Prepare, ProjectedGridNeverShifts) {
    auto f = parallo_test::MakeFrame(parallo_test::UtmSheetOnLaea());
    ServiceState &s = StateAccess::Of(f->service);
    GridNeatline w;
    std::string trace;
    parallo::detail::PrepareNeatline(s, w, trace);
    EXPECT_FALSE(s.b180Crossed);
    EXPECT_EQ(w.U, coordkit::kProjectionPlane);
    EXPECT_EQ(s.dPointTolerance, 0.0001);
    // The sheet's corners come back within PROJ's LAEA round trip (about 0.4 mm).
    EXPECT_NEAR(w.pMin.x, 480000.0, 1e-3);
    EXPECT_NEAR(w.pMax.y, 5360000.0, 1e-3);
}

TEST(Prepare, LabelVariantAgreesWithTheGridPreparation) {
    auto f = parallo_test::MakeFrame(parallo_test::PacificOnGeographic());
    ServiceState &s = StateAccess::Of(f->service);
    GridNeatline grid;
    std::string trace;
    parallo::detail::PrepareNeatline(s, grid, trace);

    parallo::detail::LabelNeatlineSetup setup;
    setup.service = s.CoordSystemsMgr->GetTransformService();
    setup.gridTransform = setup.service->CreateSimpleTransFromCSMtoCS(*s.CoordSystemsMgr, s.GridCoordSystem);
    setup.neatlineTransform =
        setup.service->CreateSimpleTransFromCSMtoCS(*s.CoordSystemsMgr, s.NeatlineCoordSystem);
    s.b180Crossed = false;
    GridNeatline label;
    parallo::detail::PrepareLabelNeatline(s, setup, label, trace);
    EXPECT_TRUE(s.b180Crossed);
    EXPECT_EQ(label.U, grid.U);
    EXPECT_NEAR(label.pMin.x, grid.pMin.x, kRadTol);
    EXPECT_NEAR(label.pMax.x, grid.pMax.x, kRadTol);
    ASSERT_EQ(label.Tfr_Polygon->Points().Count(), grid.Tfr_Polygon->Points().Count());
    EXPECT_EQ(s.NeatlinePolygon->Points().Count(), label.Tfr_Polygon->Points().Count()); // untouched
}

TEST(Prepare, GridlinesLeaveTheNeatlineRoundTripped) {
    auto f = parallo_test::MakeFrame(parallo_test::PacificOnProjected());
    const auto before = f->service.NeatlinePolygon()->Points().Vector();
    std::int32_t ret = 0;
    f->service.CreateGridlines(ret);
    const auto after = f->service.NeatlinePolygon()->Points().Vector();
    ASSERT_EQ(before.size(), after.size());
    // Through grid degrees and back in the Pacific Mercator: within a micrometre.
    for (std::size_t i = 0; i < before.size(); ++i) {
        EXPECT_NEAR(before[i].x, after[i].x, 1e-6);
        EXPECT_NEAR(before[i].y, after[i].y, 1e-6);
    }
    EXPECT_TRUE(StateAccess::Of(f->service).b180Crossed);
}

} // namespace
