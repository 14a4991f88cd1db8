// What a host writes: one include, a service, its configuration set and read back, and every
// record class in use. Kept short on purpose: this is the library's whole surface for a host.
#include <gtest/gtest.h>

#include "parallo/parallo.h"

TEST(HostProgram, TenLines) {
    using namespace parallo;
    ParalloCls grid;
    grid.SetInterval(std::make_shared<shapekit::Point>(1000.0, 1000.0));
    grid.SetGridType(PXgtTicksAndCrosses);
    auto part = std::make_shared<LabelPartCls>();
    part->SetFont(std::make_shared<StdFont>());
    grid.SetLabelPartA(part);
    GridLabels labels;
    labels.Add("500000")->LabelStringA = "500";
    IntersectionAnglesColl angles;
    angles.Add(90.0, "edge");

    EXPECT_EQ(grid.Interval()->x, 1000.0);
    EXPECT_EQ(grid.GridType(), PXgtTicksAndCrosses);
    EXPECT_EQ(grid.LabelPartA()->Font(), part->Font());
    EXPECT_EQ(labels.Item(" 1")->LabelStringA, "500");
    EXPECT_EQ(angles.Item("edge")->Angle(), 90.0);
}
