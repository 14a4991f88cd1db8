// Running the configured methods. The service's error observer is pointed at the record of the
// call in progress, so that every report lands with the call that made it.
#include "run.h"

#include <cmath>

#include "parallo/planicalc.h"
#include "svg.h"

namespace parallo {
namespace cli {

namespace {

void RunCreateNeatline(Frame &frame, RunResult &, CallRecord &record) {
    std::int32_t retVal = 0;
    frame.service->CreateNeatline(retVal);
    record.RetVal = retVal;
}

void RunCreateBorder(Frame &frame, RunResult &, CallRecord &record) {
    std::int32_t retVal = 0;
    frame.service->CreateBorder(retVal);
    record.RetVal = retVal;
}

void RunCreateGridlines(Frame &frame, RunResult &result, CallRecord &record) {
    ParalloCls &s = *frame.service;
    std::int32_t retVal = 0;
    auto before = s.GridGeometry();
    s.CreateGridlines(retVal);
    record.RetVal = retVal;
    // A run stopped by the line budget or a failure leaves GridGeometry as it was.
    if (s.GridGeometry() != before) result.gridlines = s.GridGeometry();
    record.madeNothing = record.errors.empty() && s.GridGeometry() == before;
}

void RunCreateTicksCrosses(Frame &frame, RunResult &result, CallRecord &record) {
    ParalloCls &s = *frame.service;
    std::int32_t retVal = 0;
    auto ticksBefore = s.GridGeometry();
    auto crossesBefore = s.CrossGeometry();
    s.CreateTicksCrosses(retVal);
    record.RetVal = retVal;
    if (s.GridGeometry() != ticksBefore) result.ticks = s.GridGeometry();
    if (s.CrossGeometry() != crossesBefore) result.crosses = s.CrossGeometry();
    record.madeNothing = record.errors.empty() && s.GridGeometry() == ticksBefore;
}

void RunCreateLabels(Frame &frame, RunResult &, CallRecord &record) {
    std::int32_t retVal = 0;
    frame.service->CreateLabels(retVal);
    record.RetVal = retVal;
}

void RunCreateFrameBars(Frame &frame, RunResult &, CallRecord &record) {
    std::int32_t retVal = 0;
    frame.service->CreateFrameBars(retVal);
    record.RetVal = retVal;
}

void RunCreateFrameTicks(Frame &frame, RunResult &, CallRecord &record) {
    std::int32_t retVal = 0;
    frame.service->CreateFrameTicks(retVal);
    record.RetVal = retVal;
}

void RunCalcGridInterval(Frame &frame, RunResult &, CallRecord &record) {
    ParalloCls &s = *frame.service;
    std::int16_t decimals = s.DecimalPlaces();
    double interval = 0.0;
    s.CalcGridInterval(decimals, interval);
    record.results["dInterval"] = interval;
    record.results["iDecPlaces"] = decimals;
    // The proposal is in degrees for a geographic grid, whose Interval the service holds in
    // radians. A failed proposal leaves Interval as configured.
    if (record.errors.empty() && std::isfinite(interval) && interval > 0.0) {
        double value = frame.gridIntervalsType == kExtentGeographic
                           ? interval * planicalc::TRG_DegreesToRadians()
                           : interval;
        s.SetInterval(std::make_shared<shapekit::Point>(value, value, 0.0));
    }
}

void RunSetDefaultStrokingGrid(Frame &frame, RunResult &, CallRecord &record) {
    ParalloCls &s = *frame.service;
    double stroke = s.GridStrokeDistance();
    s.Set_DefaultStrokingGrid(stroke);
    record.results["dStroke"] = stroke;
    if (std::isfinite(stroke)) s.SetGridStrokeDistance(stroke);
}

void RunSetDefaultStrokingNeatline(Frame &frame, RunResult &, CallRecord &record) {
    double stroke = frame.neatlineStrokeDistance;
    frame.service->Set_DefaultStrokingNeatline(stroke);
    record.results["dNeatlineStrokingDistance"] = stroke;
    if (std::isfinite(stroke)) {
        frame.neatlineStrokeDistance = stroke;
        frame.service->SetNeatlineStrokeDistance(stroke);
    }
}

bool Always(const ParalloCls &) { return true; }
bool Never(const ParalloCls &) { return false; }
bool WantsFrameBars(const ParalloCls &s) { return s.FrameBarWidth() > 0.0; }
/// Outward frame ticks, or minor ticks (an interval above 0 on both axes, as the service takes
/// it).
bool WantsFrameTicks(const ParalloCls &s) {
    const auto &minor = s.MinorTickInterval();
    return s.bTicksOutward() || (minor && minor->x > 0.0 && minor->y > 0.0);
}

} // namespace

const std::vector<Method> &Methods() {
    static const std::vector<Method> methods = {
        {"CreateNeatline", Always, RunCreateNeatline, kNeedsCorners, kNeedsNeatline},
        {"CreateBorder", Always, RunCreateBorder, 0, 0},
        {"CreateGridlines", Always, RunCreateGridlines, kNeedsNeatline | kNeedsInterval, 0},
        {"CreateTicksCrosses", Always, RunCreateTicksCrosses, kNeedsNeatline | kNeedsInterval, 0},
        // Frame styles only for a frame that asks for them: bars of a width, outward or minor
        // ticks.
        {"CreateFrameBars", WantsFrameBars, RunCreateFrameBars, kNeedsNeatline | kNeedsInterval, 0},
        {"CreateFrameTicks", WantsFrameTicks, RunCreateFrameTicks, kNeedsNeatline | kNeedsInterval, 0},
        {"CreateLabels", Always, RunCreateLabels, kNeedsLabelInputs, 0},
        {"CalcGridInterval", Never, RunCalcGridInterval, kNeedsCorners, kNeedsInterval},
        {"Set_DefaultStrokingGrid", Never, RunSetDefaultStrokingGrid, kNeedsInterval, 0},
        {"Set_DefaultStrokingNeatline", Never, RunSetDefaultStrokingNeatline, kNeedsCorners, 0},
    };
    return methods;
}

const Method *FindMethod(const std::string &name) {
    for (const Method &m : Methods())
        if (name == m.name) return &m;
    return nullptr;
}

namespace {

/// The methods of frame.calls, in order, without the layout.
RunResult RunMethods(Frame &frame) {
    RunResult result;
    result.calls.reserve(frame.calls.size());
    CallRecord *current = nullptr;
    frame.service->SetErrorObserver(
        [&current](const std::string &description, const std::string &trace, const std::string &title) {
            if (!current) return;
            if (current->errors.size() < kMaxReportsPerCall)
                current->errors.push_back(Report{description, trace, title});
            else
                ++current->errorsDropped;
        });
    for (const std::string &method : frame.calls) {
        result.calls.push_back(CallRecord{method, std::nullopt, {}, 0, Json::object(), false});
        current = &result.calls.back();
        // The reader admits only the names of the table.
        if (const Method *m = FindMethod(method)) m->run(frame, result, *current);
        current = nullptr;
    }
    frame.service->SetErrorObserver(ErrorObserver());
    return result;
}

} // namespace

RunResult RunCalls(Frame &frame) {
    RunResult result = RunMethods(frame);
    LayOutFrameLabels(frame, result);
    return result;
}

RunResult RunCalls(Frame &frame, TextMeasurer &measurer) {
    RunResult result = RunMethods(frame);
    LayOutFrameLabels(frame, result, measurer);
    return result;
}

/// The least white space between two labels the command shows, in points on paper.
constexpr double kLabelGapPoints = 2.0;

void LayOutFrameLabels(const Frame &frame, RunResult &result) {
    // Fonts are only loaded for a frame that has labels to lay out.
    result.laidOut = false;
    const ParalloCls &s = *frame.service;
    if (!frame.labelLayout || !s.LabelsCollection() || s.LabelsCollection()->Count() == 0) return;
    std::unique_ptr<TextMeasurer> fonts = CreateFontTextMeasurer();
    ApproximateTextMeasurer rough;
    LayOutFrameLabels(frame, result, fonts ? *fonts : static_cast<TextMeasurer &>(rough));
}

void LayOutFrameLabels(const Frame &frame, RunResult &result, TextMeasurer &measurer) {
    const ParalloCls &s = *frame.service;
    result.laidOut = false;
    if (!frame.labelLayout || !s.LabelsCollection() || s.LabelsCollection()->Count() == 0) return;
    LabelStyle style = LabelStyleOf(s);
    style.LabelPosition = frame.labelPosition;
    style.MapUnitMetres = frame.mapUnitMetres;
    // Neighbouring values kept a thin space apart, so that they never read as one number.
    style.MinimumGap = kLabelGapPoints;
    // Unset: the scale at which a point of text on paper is a unit of the SVG's page, the page
    // drawing the frame's longer side 1000 units long.
    double scale = frame.mapScale;
    if (!(scale > 0.0))
        scale = frame.mapUnitMetres * 1000.0 / (kPointMillimetres * SvgPageScale(frame, result));
    const auto &neatline = s.NeatlinePolygon();
    const shapekit::PolygonGeometry none;
    result.layout = LayOutLabels(LayoutLabelsOf(*s.LabelsCollection(), s.LabelType() == PXltCorner), style,
                                 neatline ? *neatline : none, scale, measurer);
    result.mapScale = scale;
    result.laidOut = true;
}

} // namespace cli
} // namespace parallo
