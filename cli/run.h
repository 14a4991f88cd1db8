// Runs the methods a configuration names on its service, in order, and keeps what each call
// reported and the results the writers need.
#ifndef PARALLO_CLI_RUN_H
#define PARALLO_CLI_RUN_H

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "config.h"
#include "parallo/layout.h"

namespace parallo {
namespace cli {

/// One report of the service's error observer.
struct Report {
    std::string description;
    std::string trace;
    std::string procedure;
};

/// One method run: its RetVal (none for the methods without one), the reports the service made
/// during the call, and the values a proposal method returned.
struct CallRecord {
    std::string method;
    std::optional<std::int32_t> RetVal;
    std::vector<Report> errors;
    /// Reports beyond the kept ones are counted, not kept.
    std::size_t errorsDropped = 0;
    /// Extra results by name (dInterval, dStroke, ...), as JSON.
    Json results = Json::object();
    /// A generator that neither reported a failure nor replaced its output: it stopped at the
    /// line budget.
    bool madeNothing = false;
};

/// The results of a run. The final neatline, border and labels are read from the service.
struct RunResult {
    std::vector<CallRecord> calls;
    /// GridGeometry as the last CreateGridlines that wrote it left it.
    std::shared_ptr<shapekit::GeometryCollection> gridlines;
    /// GridGeometry and CrossGeometry as the last CreateTicksCrosses that wrote them left them.
    std::shared_ptr<shapekit::GeometryCollection> ticks;
    std::shared_ptr<shapekit::GeometryCollection> crosses;
    /// The labels laid out (when Frame::labelLayout is on and labels exist): one placement per
    /// entry of LabelsCollection, in its order.
    bool laidOut = false;
    LabelLayout layout;
    /// The scale denominator the labels were measured at.
    double mapScale = 0.0;
};

/// Calls `visit(label, placement)` for every label of the service's LabelsCollection, in its
/// order, with its placement when the labels were laid out (null otherwise).
template <typename Visit> void ForEachLabel(const ParalloCls &service, const RunResult &result, Visit visit) {
    if (!service.LabelsCollection()) return;
    std::size_t index = 0;
    for (const auto &label : *service.LabelsCollection()) {
        const LabelPlacement *placement = result.laidOut && index < result.layout.Placements.size()
                                              ? &result.layout.Placements[index]
                                              : nullptr;
        ++index;
        if (label) visit(*label, placement);
    }
}

/// Most reports kept per call; a failing label procedure may report once per label.
constexpr std::size_t kMaxReportsPerCall = 1000;

/// What a method reads that nothing fills in for it: without it the method certainly fails.
enum MethodNeed : unsigned {
    kNeedsCorners = 1u << 0,  ///< NeatlineLowerLeft and NeatlineUpperRight
    kNeedsNeatline = 1u << 1, ///< NeatlinePolygon, given or made by CreateNeatline
    kNeedsInterval = 1u << 2, ///< Interval, given or proposed by CalcGridInterval
    /// The corners for corner labels; the neatline and the interval for edge labels.
    kNeedsLabelInputs = 1u << 3,
};

/// One method a configuration may name in `calls`: its name, whether the default list holds it
/// for a configured service (every frame, or a frame whose properties ask for it), how the
/// command runs it on the frame's service, recording what it returned, what it needs
/// (MethodNeed flags) and what it provides to the methods after it (kNeedsNeatline for the
/// neatline it makes, kNeedsInterval for the interval it proposes).
struct Method {
    const char *name;
    bool (*byDefault)(const ParalloCls &service);
    void (*run)(Frame &frame, RunResult &result, CallRecord &record);
    unsigned needs;
    unsigned provides;
};

/// Every method the command can run, in the order the default list runs them.
const std::vector<Method> &Methods();

/// The method of that name, or null.
const Method *FindMethod(const std::string &name);

/// Runs frame.calls on frame.service, then lays out the labels (LayOutFrameLabels). Never throws
/// for what the service does: its failures are reports in the records.
RunResult RunCalls(Frame &frame);

/// RunCalls with the labels measured by `measurer` rather than by a measurer made for this run:
/// a caller that runs many frames on one thread keeps one measurer (its faces loaded and its
/// texts shaped once), and the results are the same as RunCalls gives with fonts.
RunResult RunCalls(Frame &frame, TextMeasurer &measurer);

/// Chooses the labels to show when frame.labelLayout is on: each label's box measured on the
/// fonts (approximate widths without them) at frame.mapScale, or, when that is unset, at the
/// scale the SVG draws the frame at (SvgPageScale), so that the picture's text and the boxes
/// agree. A layout failure leaves every label shown with an empty box.
void LayOutFrameLabels(const Frame &frame, RunResult &result);
/// LayOutFrameLabels with the boxes measured by `measurer`.
void LayOutFrameLabels(const Frame &frame, RunResult &result, TextMeasurer &measurer);

} // namespace cli
} // namespace parallo

#endif
