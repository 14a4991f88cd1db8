// Helpers of the reliability tests: a frame made ready for every generator, and its results
// written down exactly (17 significant digits), so that two runs can be compared for identity.
#ifndef PARALLO_TESTS_RELIABILITY_RESULTS_H
#define PARALLO_TESTS_RELIABILITY_RESULTS_H

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "parallo/coordkit_proj.h"
#include "parallo/parallo.h"
#include "support/frames.h"

namespace parallo_reliability {

inline std::string Exact(double x) {
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", x);
    return text;
}

inline std::string Exact(const shapekit::Point &p) {
    return Exact(p.x) + " " + Exact(p.y) + " " + Exact(p.z);
}

/// Every coordinate of a geometry, in order, exactly; "none" for no object.
inline std::string Exact(const shapekit::Geometry *geometry) {
    if (!geometry) return "none\n";
    std::string out;
    if (geometry->Type() == shapekit::kGeometryCollection) {
        for (const auto &item : static_cast<const shapekit::GeometryCollection &>(*geometry))
            out += "[" + Exact(item.get()) + "]\n";
        return out;
    }
    geometry->ForEachRun(shapekit::ConstPointRunFunction([&out](const shapekit::Point *pts, std::size_t n) {
        for (std::size_t i = 0; i < n; ++i)
            out += Exact(pts[i]) + ";";
    }));
    return out;
}

/// Every field of every label, in order, exactly; "none" for no object.
inline std::string Exact(const parallo::GridLabels *labels) {
    if (!labels) return "none\n";
    std::string out;
    for (const auto &l : *labels) {
        for (const std::string *text : {&l->LabelString, &l->LabelStringA, &l->LabelStringB, &l->LabelStringC,
                                        &l->LabelStringD, &l->LabelStringUnit, &l->LabelStringHemisphere})
            out += *text + "|";
        out += l->ID() + "|" + (l->Origin ? Exact(*l->Origin) : "none") + "|" + Exact(l->Angle) + "|" +
               std::to_string(l->HorizontalJustification) + "|" + std::to_string(l->VerticalJustification) +
               "|" + std::to_string(l->LabelAxis) + "\n";
    }
    return out;
}

/// A standard frame made ready for labels as well: units, six displayed label parts, hemisphere
/// texts, border offsets and the label display type of its grid.
inline std::unique_ptr<parallo_test::Frame> MakeLabelledFrame(const parallo_test::FrameLayout &layout) {
    using S = parallo::ParalloCls;
    auto frame = parallo_test::MakeFrame(layout);
    S &s = frame->service;
    s.SetUnitsOfMeasure(coordkit::CreateProjUnitsOfMeasure());
    s.SetLabelDisplayType(layout.geographicGrid ? parallo::kExtentGeographic : parallo::kExtentProjected);
    for (auto setter : {&S::SetLabelPartA, &S::SetLabelPartB, &S::SetLabelPartC, &S::SetLabelPartD,
                        &S::SetLabelPartUnit, &S::SetLabelPartHemisphere}) {
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
    for (auto setter : {&S::SetBorderOffsetLeft, &S::SetBorderOffsetRight, &S::SetBorderOffsetTop,
                        &S::SetBorderOffsetBottom})
        (s.*setter)(500.0);
    return frame;
}

/// CreateBorder, CreateGridlines, CreateTicksCrosses and CreateLabels in turn on a new labelled
/// frame, written down after each call with the RetVals and every failure report.
inline std::string RunWholeFrame(const parallo_test::FrameLayout &layout) {
    auto frame = MakeLabelledFrame(layout);
    parallo::ParalloCls &s = frame->service;
    std::int32_t ret = 0;
    std::string out = "neatline " + Exact(s.NeatlinePolygon().get());
    s.CreateBorder(ret);
    out += "\nborder " + Exact(s.BorderPolygon().get());
    s.CreateGridlines(ret);
    out += "\ngridlines " + std::to_string(ret) + "\n" + Exact(s.GridGeometry().get()) +
           "\nGridStrokeDistance " + Exact(s.GridStrokeDistance());
    s.CreateTicksCrosses(ret);
    out += "\nticks " + std::to_string(ret) + "\n" + Exact(s.GridGeometry().get()) + "\ncrosses\n" +
           Exact(s.CrossGeometry().get());
    s.CreateLabels(ret);
    out += "\nlabels " + std::to_string(ret) + "\n" + Exact(s.LabelsCollection().get());
    out += "\nneatline after " + Exact(s.NeatlinePolygon().get());
    for (const std::string &report : frame->reports)
        out += "\nreport " + report;
    return out;
}

} // namespace parallo_reliability

#endif
