// A host of the installed library: one include, a service, its configuration set and read back,
// and every record class in use. Exits 0 when everything reads back as set.
#include <parallo/parallo.h>

#include <cstdio>
#include <memory>

int main() {
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
    const bool ok = grid.Interval()->x == 1000.0 && grid.GridType() == PXgtTicksAndCrosses &&
                    grid.LabelPartA()->Font() == part->Font() && labels.Item(" 1")->LabelStringA == "500" &&
                    angles.Item("edge")->Angle() == 90.0;
    std::printf("parallo %s host: %s\n", PARALLO_VERSION_STRING, ok ? "ok" : "FAILED");
    return ok ? 0 : 1;
}
