#include "results.h"

#include <cstdio>
#include <cstdint>

#include "parallo/coordkit_proj.h"

namespace parallo_reliability {

namespace {

std::string Number(double x) {
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", x);
    return text;
}

std::string Point(const shapekit::Point& p) { return Number(p.x) + " " + Number(p.y) + " " + Number(p.z); }

} // namespace

std::string Exact(const shapekit::Geometry* geometry) {
    if (!geometry) return "none\n";
    std::string out;
    if (geometry->Type() == shapekit::kGeometryCollection) {
        const auto& collection = static_cast<const shapekit::GeometryCollection&>(*geometry);
        for (const auto& item : collection) out += "[" + Exact(item.get()) + "]\n";
        return out;
    }
    geometry->ForEachRun(shapekit::ConstPointRunFunction([&out](const shapekit::Point* pts, std::size_t n) {
        for (std::size_t i = 0; i < n; ++i) out += Point(pts[i]) + ";";
    }));
    return out;
}

std::string Exact(const parallo::GridLabels* labels) {
    if (!labels) return "none\n";
    std::string out;
    for (const auto& label : *labels) {
        out += label->ID() + "|" + label->LabelString + "|" + label->LabelStringA + "|" + label->LabelStringB + "|" +
               label->LabelStringC + "|" + label->LabelStringD + "|" + label->LabelStringUnit + "|" +
               label->LabelStringHemisphere + "|" + (label->Origin ? Point(*label->Origin) : "none") + "|" +
               Number(label->Angle) + "|" + std::to_string(label->HorizontalJustification) + "|" +
               std::to_string(label->VerticalJustification) + "|" + std::to_string(label->LabelAxis) + "\n";
    }
    return out;
}

std::unique_ptr<parallo_test::Frame> MakeLabelledFrame(const parallo_test::FrameLayout& layout) {
    auto frame = parallo_test::MakeFrame(layout);
    parallo::ParalloCls& s = frame->service;
    s.SetUnitsOfMeasure(coordkit::CreateProjUnitsOfMeasure());
    s.SetLabelDisplayType(layout.geographicGrid ? parallo::kExtentGeographic : parallo::kExtentProjected);
    for (auto setter : {&parallo::ParalloCls::SetLabelPartA, &parallo::ParalloCls::SetLabelPartB,
                        &parallo::ParalloCls::SetLabelPartC, &parallo::ParalloCls::SetLabelPartD,
                        &parallo::ParalloCls::SetLabelPartUnit, &parallo::ParalloCls::SetLabelPartHemisphere}) {
        auto part = std::make_shared<parallo::LabelPartCls>();
        part->SetbDisplay(true);
        (s.*setter)(part);
    }
    s.SetMagnitudeAB(5);
    s.SetMagnitudeBC(3);
    s.SetEastingHemisphereLabel("E");
    s.SetWestingHemisphereLabel("W");
    s.SetNorthingHemisphereLabel("N");
    s.SetSouthingHemisphereLabel("S");
    s.SetLabelOffset(100.0);
    s.SetBorderOffsetLeft(500.0);
    s.SetBorderOffsetRight(500.0);
    s.SetBorderOffsetTop(500.0);
    s.SetBorderOffsetBottom(500.0);
    return frame;
}

std::string RunWholeFrame(const parallo_test::FrameLayout& layout) {
    auto frame = MakeLabelledFrame(layout);
    parallo::ParalloCls& s = frame->service;
    std::string out = "neatline " + Exact(s.NeatlinePolygon().get());
    std::int32_t ret = 0;
    s.CreateBorder(ret);
    out += "\nborder " + Exact(s.BorderPolygon().get());
    s.CreateGridlines(ret);
    out += "\ngridlines " + std::to_string(ret) + "\n" + Exact(s.GridGeometry().get());
    out += "\nGridStrokeDistance " + Number(s.GridStrokeDistance());
    s.CreateTicksCrosses(ret);
    out += "\nticks " + std::to_string(ret) + "\n" + Exact(s.GridGeometry().get());
    out += "\ncrosses\n" + Exact(s.CrossGeometry().get());
    s.CreateLabels(ret);
    out += "\nlabels " + std::to_string(ret) + "\n" + Exact(s.LabelsCollection().get());
    out += "\nneatline after " + Exact(s.NeatlinePolygon().get());
    for (const std::string& report : frame->reports) out += "\nreport " + report;
    return out;
}

} // namespace parallo_reliability
