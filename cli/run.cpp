// Running the configured methods. The service's error observer is pointed at the record of the
// call in progress, so that every report lands with the call that made it.
#include "run.h"

#include <cmath>

namespace parallo {
namespace cli {

namespace {

constexpr double kPi = 3.14159265358979323846;

void Run(Frame& frame, RunResult& result, CallRecord& record) {
    ParalloCls& s = *frame.service;
    const std::string& m = record.method;
    std::int32_t retVal = 0;
    if (m == "CreateNeatline") {
        s.CreateNeatline(retVal);
        record.RetVal = retVal;
    } else if (m == "CreateBorder") {
        s.CreateBorder(retVal);
        record.RetVal = retVal;
    } else if (m == "CreateGridlines") {
        auto before = s.GridGeometry();
        s.CreateGridlines(retVal);
        record.RetVal = retVal;
        // A run stopped by the line budget or a failure leaves GridGeometry as it was.
        if (s.GridGeometry() != before) result.gridlines = s.GridGeometry();
    } else if (m == "CreateTicksCrosses") {
        auto ticksBefore = s.GridGeometry();
        auto crossesBefore = s.CrossGeometry();
        s.CreateTicksCrosses(retVal);
        record.RetVal = retVal;
        if (s.GridGeometry() != ticksBefore) result.ticks = s.GridGeometry();
        if (s.CrossGeometry() != crossesBefore) result.crosses = s.CrossGeometry();
    } else if (m == "CreateLabels") {
        s.CreateLabels(retVal);
        record.RetVal = retVal;
    } else if (m == "CalcGridInterval") {
        std::int16_t decimals = s.DecimalPlaces();
        double interval = 0.0;
        s.CalcGridInterval(decimals, interval);
        record.results["dInterval"] = interval;
        record.results["iDecPlaces"] = decimals;
        // The proposal is in degrees for a geographic grid, whose Interval the service holds in
        // radians. A failed proposal leaves Interval as configured.
        if (record.errors.empty() && std::isfinite(interval) && interval > 0.0) {
            double value = frame.gridIntervalsType == kExtentGeographic ? interval * (kPi / 180.0) : interval;
            s.SetInterval(std::make_shared<shapekit::Point>(value, value, 0.0));
        }
    } else if (m == "Set_DefaultStrokingGrid") {
        double stroke = s.GridStrokeDistance();
        s.Set_DefaultStrokingGrid(stroke);
        record.results["dStroke"] = stroke;
        if (std::isfinite(stroke)) s.SetGridStrokeDistance(stroke);
    } else if (m == "Set_DefaultStrokingNeatline") {
        double stroke = frame.neatlineStrokeDistance;
        s.Set_DefaultStrokingNeatline(stroke);
        record.results["dNeatlineStrokingDistance"] = stroke;
        if (std::isfinite(stroke)) {
            frame.neatlineStrokeDistance = stroke;
            s.SetNeatlineStrokeDistance(stroke);
        }
    }
}

} // namespace

RunResult RunCalls(Frame& frame) {
    RunResult result;
    result.calls.reserve(frame.calls.size());
    CallRecord* current = nullptr;
    frame.service->SetErrorObserver(
        [&current](const std::string& description, const std::string& trace, const std::string& title) {
            if (!current) return;
            if (current->errors.size() < kMaxReportsPerCall)
                current->errors.push_back(Report{description, trace, title});
            else
                ++current->errorsDropped;
        });
    for (const std::string& method : frame.calls) {
        result.calls.push_back(CallRecord{method, std::nullopt, {}, 0, Json::object()});
        current = &result.calls.back();
        Run(frame, result, *current);
        current = nullptr;
    }
    frame.service->SetErrorObserver(ErrorObserver());
    return result;
}

} // namespace cli
} // namespace parallo
