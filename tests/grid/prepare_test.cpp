// The neatline in grid coordinates: the crossing test of the 180° meridian, the shift, and the
// label variant of the preparation, which must agree with the grid one.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "grid/prepare.h"
#include "grid_checks.h"

namespace {

using parallo::detail::GridNeatline;
using parallo::detail::ServiceState;
using parallo::detail::StateAccess;
using parallo_test::Radians;

TEST(Prepare, CrossingTestShiftAndUnitsPerFrame) {
    struct Case {
        parallo_test::FrameLayout layout;
        bool crossed;
        std::int32_t units; // of the prepared neatline
        double pointTolerance;
        double west, east, south, north; // the prepared box, radians or grid metres
        double tol;
    };
    // 1e-9 rad (6 mm) for a transformation that only scales units; 1 mm for the UTM sheet's
    // corners after PROJ's LAEA round trip (about 0.4 mm).
    const Case cases[] = {
        // 170°E … 190°E in radians, unbroken.
        {parallo_test::PacificOnProjected(), true, coordkit::kGeographic, 0.0001 / 6378137.0, Radians(170.0),
         Radians(190.0), Radians(-20.0), Radians(-10.0), 1e-9},
        {parallo_test::GraticuleOnWebMercator(), false, coordkit::kGeographic, 0.0001 / 6378137.0,
         Radians(5.0), Radians(15.0), Radians(45.0), Radians(55.0), 1e-9},
        {parallo_test::UtmSheetOnLaea(), false, coordkit::kProjectionPlane, 0.0001, 480000.0, 520000.0,
         5320000.0, 5360000.0, 1e-3},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.layout.name);
        auto f = parallo_test::MakeFrame(c.layout);
        ServiceState &s = StateAccess::Of(f->service);
        s.b180Crossed = !c.crossed; // set afresh by every preparation
        GridNeatline w;
        std::string trace;
        parallo::detail::PrepareNeatline(s, w, trace);
        EXPECT_EQ(s.b180Crossed, c.crossed);
        EXPECT_EQ(w.U, c.units);
        EXPECT_DOUBLE_EQ(s.dPointTolerance, c.pointTolerance);
        EXPECT_NEAR(w.pMin.x, c.west, c.tol);
        EXPECT_NEAR(w.pMax.x, c.east, c.tol);
        EXPECT_NEAR(w.pMin.y, c.south, c.tol);
        EXPECT_NEAR(w.pMax.y, c.north, c.tol);
    }
}

TEST(Prepare, LabelVariantAgreesWithTheGridPreparation) {
    auto f = parallo_test::MakeFrame(parallo_test::PacificOnGeographic());
    ServiceState &s = StateAccess::Of(f->service);
    GridNeatline grid, label;
    std::string trace;
    parallo::detail::PrepareNeatline(s, grid, trace);
    parallo::detail::LabelNeatlineSetup setup;
    setup.service = s.CoordSystemsMgr->GetTransformService();
    setup.gridTransform = setup.service->CreateSimpleTransFromCSMtoCS(*s.CoordSystemsMgr, s.GridCoordSystem);
    setup.neatlineTransform =
        setup.service->CreateSimpleTransFromCSMtoCS(*s.CoordSystemsMgr, s.NeatlineCoordSystem);
    s.b180Crossed = false;
    parallo::detail::PrepareLabelNeatline(s, setup, label, trace);
    EXPECT_TRUE(s.b180Crossed);
    EXPECT_EQ(label.U, grid.U);
    EXPECT_NEAR(label.pMin.x, grid.pMin.x, 1e-9); // radians, as above
    EXPECT_NEAR(label.pMax.x, grid.pMax.x, 1e-9);
    ASSERT_EQ(label.Tfr_Polygon->Points().Count(), grid.Tfr_Polygon->Points().Count());
    EXPECT_EQ(s.NeatlinePolygon->Points().Count(), label.Tfr_Polygon->Points().Count()); // untouched
}

TEST(Prepare, GridlinesLeaveTheNeatlineRoundTrippedInPlace) {
    auto f = parallo_test::MakeFrame(parallo_test::PacificOnProjected());
    const auto before = f->service.NeatlinePolygon();
    std::int32_t ret = 0;
    f->service.CreateGridlines(ret);
    const auto after = f->service.NeatlinePolygon();
    EXPECT_NE(after, before); // a new copy, not the host's polygon changed under it
    const auto a = before->Points().Vector(), b = after->Points().Vector();
    ASSERT_EQ(a.size(), b.size());
    // Through grid degrees (shifted across 180°) and back in the Pacific Mercator: 1 µm.
    for (std::size_t i = 0; i < a.size(); ++i) {
        EXPECT_NEAR(a[i].x, b[i].x, 1e-6);
        EXPECT_NEAR(a[i].y, b[i].y, 1e-6);
    }
}

} // namespace
