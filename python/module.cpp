// The compiled half of the Python package `parallo`: runs a frame description through the same
// pipeline as the parallo command (parse, read, check, run, write GeoJSON) and hands back the
// GeoJSON text with what the command would say on standard error, the styled runs each label is
// drawn in and the grid value of each grid line. The package's Python half turns the text into a
// dict, so that a result equals the command's output by construction.
#include <cmath>
#include <cstdint>
#include <exception>
#include <string>
#include <utility>
#include <vector>

#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include "checks.h"
#include "config.h"
#include "config_json.h"
#include "front.h"
#include "geojson.h"
#include "parallo/coordkit_proj.h"
#include "parallo/layout.h"
#include "parallo/version.h"
#include "rfc7946.h"
#include "run.h"

namespace py = pybind11;

namespace {

using parallo::cli::Json;

/// One styled run of a label, as the Python side draws it.
struct StyledRun {
    std::string text;
    std::string part; ///< "A", "B", "C", "D", "Unit", "Hemisphere", or "" for none
    double size = 0.0;
    double rise = 0.0;
    std::string font;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikethrough = false;
};

/// Everything one run of the pipeline gives the Python side; the GIL is released while it is made.
struct Outcome {
    std::string geojson;
    std::vector<std::string> warnings;
    std::vector<std::string> failures;
    /// One entry per label feature, in the order of the features.
    std::vector<std::vector<StyledRun>> labelRuns;
    std::string labelColour;
    /// Ground metres per map-view unit (1 when the map view has no linear unit).
    double mapUnitMetres = 1.0;
    /// By feature kind, one entry per feature of that kind in the order of the features: the
    /// grid value the line stands on, NaN when it cannot be told.
    std::vector<std::pair<std::string, std::vector<double>>> lineValues;
};

/// A refused configuration, carried out of the GIL-free part.
struct Refusal {
    std::string path;
    std::string problem;
};

std::string PartName(const parallo::LabelStyle &style, const parallo::LabelPartCls *part) {
    if (!part) return std::string();
    if (part == style.PartA.get()) return "A";
    if (part == style.PartB.get()) return "B";
    if (part == style.PartC.get()) return "C";
    if (part == style.PartD.get()) return "D";
    if (part == style.PartUnit.get()) return "Unit";
    if (part == style.PartHemisphere.get()) return "Hemisphere";
    return std::string();
}

std::vector<StyledRun> RunsOf(const parallo::GridLabel &label, const parallo::LabelStyle &style) {
    std::vector<StyledRun> runs;
    for (const parallo::LabelRun &r : parallo::LabelRuns(label, style)) {
        StyledRun run;
        run.text = r.Text;
        run.part = PartName(style, r.Part);
        run.size = r.Size;
        run.rise = r.Rise;
        if (r.Part && r.Part->Font()) {
            const parallo::StdFont &f = *r.Part->Font();
            run.font = f.Name;
            run.bold = f.Bold || f.Weight >= 600;
            run.italic = f.Italic;
            run.underline = f.Underline;
            run.strikethrough = f.Strikethrough;
        }
        runs.push_back(std::move(run));
    }
    return runs;
}

/// "#rrggbb" of the host's colour number 0x00BBGGRR.
std::string Colour(std::int32_t bgr) {
    const auto value = static_cast<unsigned>(bgr) & 0xFFFFFFu;
    const char *digits = "0123456789abcdef";
    std::string out = "#";
    for (unsigned channel : {value & 0xFFu, (value >> 8) & 0xFFu, (value >> 16) & 0xFFu}) {
        out += digits[channel >> 4];
        out += digits[channel & 0xFu];
    }
    return out;
}

/// The grid value of each line of a collection, as the plain front tells it (NaN when it cannot
/// be told).
std::vector<double> LineValues(const std::shared_ptr<shapekit::GeometryCollection> &lines,
                               const coordkit::CoordTransform *toGrid) {
    std::vector<double> values;
    for (const parallo::FurnitureLine &line : parallo::cli::FurnitureLines(lines, toGrid))
        values.push_back(line.Value);
    return values;
}

/// Ground metres per unit of the map view's linear unit; 1 when it has none.
double MapUnitMetres(const parallo::ParalloCls &s) {
    try {
        const auto &mapView = s.MapViewCoordSystem();
        auto projection = mapView ? mapView->ProjectionSpace() : nullptr;
        auto axis = projection ? projection->AxisInfo() : nullptr;
        if (!axis) return 1.0;
        const auto units = coordkit::CreateProjUnitsOfMeasure();
        const std::int32_t code = units->GetUnitCode(1, axis->UnitName());
        const double metres = code == coordkit::kMetreUnitCode
                                  ? 1.0
                                  : units->ConvertValue(1, 1.0, code, coordkit::kMetreUnitCode);
        return std::isfinite(metres) && metres > 0.0 ? metres : 1.0;
    } catch (const std::exception &) {
        return 1.0; // a geographic map view: degrees are no length
    }
}

/// The pipeline of the command on configuration text. Returns false with `refusal` filled for a
/// configuration the command refuses.
bool RunPipeline(const std::string &text, bool rfc7946, Outcome &out, Refusal &refusal) {
    Json config;
    parallo::cli::Frame frame;
    try {
        config = parallo::cli::ParseJson(text);
        frame = parallo::cli::ReadConfig(config);
        parallo::cli::CheckCallNeeds(config, frame);
    } catch (const parallo::cli::ConfigError &e) {
        refusal.path = e.Path();
        refusal.problem = e.Problem();
        return false;
    }
    parallo::cli::RunResult result = parallo::cli::RunCalls(frame);
    out.warnings = parallo::cli::Warnings(config, frame, result);
    out.failures = parallo::cli::FailureLines(frame, result);
    // The web form raises Rfc7946Error (a RuntimeError in Python) for a point PROJ cannot convert.
    out.geojson = rfc7946 ? parallo::cli::WriteRfc7946GeoJson(frame, result)
                          : parallo::cli::WriteGeoJson(frame, result);

    const parallo::ParalloCls &s = *frame.service;
    out.labelColour = Colour(s.LabelColor());
    out.mapUnitMetres = MapUnitMetres(s);
    if (s.LabelsCollection()) {
        const parallo::LabelStyle style = parallo::LabelStyleOf(s);
        for (const auto &label : *s.LabelsCollection())
            if (label) out.labelRuns.push_back(RunsOf(*label, style));
    }
    const auto toGrid = parallo::cli::GridTransform(s);
    out.lineValues = {{"gridline", LineValues(result.gridlines, toGrid.get())},
                      {"tick", LineValues(result.ticks, toGrid.get())},
                      {"cross", LineValues(result.crosses, toGrid.get())},
                      {"frameTick", LineValues(s.FrameTickGeometry(), toGrid.get())},
                      {"minorTick", LineValues(s.MinorTickGeometry(), toGrid.get())}};
    return true;
}

py::dict RunToDict(const StyledRun &run) {
    py::dict d;
    d["text"] = run.text;
    d["part"] = run.part;
    d["size"] = run.size;
    d["rise"] = run.rise;
    d["font"] = run.font;
    d["bold"] = run.bold;
    d["italic"] = run.italic;
    d["underline"] = run.underline;
    d["strikethrough"] = run.strikethrough;
    return d;
}

[[noreturn]] void RaiseConfigError(const Refusal &refusal) {
    py::object error = py::module_::import("parallo").attr("ConfigError")(refusal.path, refusal.problem);
    PyErr_SetObject(error.get_type().ptr(), error.ptr());
    throw py::error_already_set();
}

/// Reads and checks configuration text as the command does before it runs anything; raises
/// parallo.ConfigError for a configuration the command refuses.
void Check(const std::string &text) {
    Refusal refusal;
    bool accepted = false;
    {
        py::gil_scoped_release release;
        try {
            const Json config = parallo::cli::ParseJson(text);
            const parallo::cli::Frame frame = parallo::cli::ReadConfig(config);
            parallo::cli::CheckCallNeeds(config, frame);
            accepted = true;
        } catch (const parallo::cli::ConfigError &e) {
            refusal.path = e.Path();
            refusal.problem = e.Problem();
        }
    }
    if (!accepted) RaiseConfigError(refusal);
}

/// Runs the pipeline on configuration text (JSON). Returns a dict: "geojson" (text), "warnings",
/// "failures", "label_runs", "label_color", "map_unit_metres", "line_values"; or raises
/// parallo.ConfigError.
py::dict RunFrame(const std::string &text, bool rfc7946) {
    Outcome out;
    Refusal refusal;
    bool ran = false;
    {
        py::gil_scoped_release release;
        ran = RunPipeline(text, rfc7946, out, refusal);
    }
    if (!ran) RaiseConfigError(refusal);
    py::dict d;
    d["geojson"] = out.geojson;
    d["warnings"] = out.warnings;
    d["failures"] = out.failures;
    py::list labels;
    for (const auto &runs : out.labelRuns) {
        py::list l;
        for (const StyledRun &run : runs)
            l.append(RunToDict(run));
        labels.append(l);
    }
    d["label_runs"] = labels;
    d["label_color"] = out.labelColour;
    d["map_unit_metres"] = out.mapUnitMetres;
    py::dict values;
    for (const auto &kv : out.lineValues)
        values[py::str(kv.first)] = kv.second;
    d["line_values"] = values;
    return d;
}

} // namespace

PYBIND11_MODULE(_parallo, m) {
    m.doc() = "The parallo command's pipeline, run in-process (see the package parallo).";
    m.def("run", &RunFrame, py::arg("text"), py::arg("rfc7946") = false,
          "Runs a frame description (JSON text) as the parallo command does (with rfc7946, as "
          "parallo --rfc7946); returns a dict with the GeoJSON text, warnings, failures, label runs, label "
          "colour and grid values of lines.");
    m.def("check", &Check, py::arg("text"),
          "Reads and checks a frame description (JSON text) without running it; raises "
          "parallo.ConfigError as the command refuses it.");
    m.attr("version") = PARALLO_VERSION_STRING;
    py::dict baseline;
    baseline["above"] = parallo::kBaselineAboveOrigin;
    baseline["hanging"] = parallo::kBaselineHanging;
    baseline["centred"] = parallo::kBaselineCentred;
    m.attr("BASELINE") = baseline;
    m.attr("DEFAULT_LABEL_SIZE") = parallo::kDefaultLabelSize;
    m.attr("POINT_MILLIMETRES") = parallo::kPointMillimetres;
}
