// The command's own checks of a frame: what each listed method needs before the run, warnings
// and the lines that say what failed after it.
#include "checks.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

#include "parallo/planicalc.h"

namespace parallo {
namespace cli {

namespace {

/// A number as a person writes it: at most 15 significant digits, no trailing zeros.
std::string Shown(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.15g", v);
    return text;
}

bool Contains(const std::string &text, const char *part) { return text.find(part) != std::string::npos; }

/// What a method needs, with the label inputs resolved by the label type.
unsigned Needs(const Method &m, const ParalloCls &s) {
    if (!(m.needs & kNeedsLabelInputs)) return m.needs;
    return s.LabelType() == PXltCorner ? kNeedsCorners : kNeedsNeatline | kNeedsInterval;
}

bool HasCorners(const ParalloCls &s) { return s.NeatlineLowerLeft() && s.NeatlineUpperRight(); }

/// The definitions of the neatline and grid systems: their own, or the map view's when absent.
const std::string &NeatlineDefinition(const FurnitureOptions &o) {
    return (o.NeatlineCoordSystem ? *o.NeatlineCoordSystem : o.MapViewCoordSystem).definition;
}
const std::string &GridDefinition(const FurnitureOptions &o) {
    return (o.GridCoordSystem ? *o.GridCoordSystem : o.MapViewCoordSystem).definition;
}

// ---- projected corners that look like degrees -----------------------------------------------

bool LooksLikeDegrees(const std::optional<shapekit::Point> &corner) {
    return corner && std::fabs(corner->x) <= 180.0 && std::fabs(corner->y) <= 90.0;
}

void WarnOfDegreesLikeCorners(const Frame &frame, std::vector<std::string> &warnings) {
    if (frame.neatlineExtentsType == kExtentGeographic || frame.neatlineLinearUnit.empty()) return;
    if (!LooksLikeDegrees(frame.options.NeatlineLowerLeft) ||
        !LooksLikeDegrees(frame.options.NeatlineUpperRight))
        return;
    const std::string &unit = frame.neatlineLinearUnit;
    warnings.push_back(
        "$.NeatlineLowerLeft, $.NeatlineUpperRight: the corners look like degrees (x within "
        "-180 to 180, y within -90 to 90), but the neatline system is projected and reads them as "
        "lengths in " +
        unit + "; give them in " + unit + ", or set \"NeatlineExtentsType\": 1 for longitude and latitude");
}

// ---- the line budget --------------------------------------------------------------------------

/// Grid lines of both directions as the generators estimate them before drawing.
double EstimatedLines(double dx, double dy, double ix, double iy) {
    return std::nearbyint(std::nearbyint(dx / ix) + dy / iy);
}

/// The frame's width and height in the grid's space (metres, or radians for a geographic grid),
/// where the command knows them without running a generator: from the corners when they are in
/// the grid's own space, else from the neatline in map-view coordinates when the grid system is
/// the map view's.
bool GridExtent(const Frame &frame, double &dx, double &dy) {
    const ParalloCls &s = *frame.service;
    const FurnitureOptions &o = frame.options;
    const bool geographic = frame.gridIntervalsType == kExtentGeographic;
    if (HasCorners(s) && frame.neatlineExtentsType == frame.gridIntervalsType &&
        (geographic || NeatlineDefinition(o) == GridDefinition(o))) {
        dx = s.NeatlineUpperRight()->x - s.NeatlineLowerLeft()->x;
        // A geographic frame across the 180° meridian runs eastwards over it.
        if (geographic && dx < 0.0) dx += planicalc::TRG_2PI();
        dy = s.NeatlineUpperRight()->y - s.NeatlineLowerLeft()->y;
    } else if (GridDefinition(o) == o.MapViewCoordSystem.definition && s.NeatlinePolygon() &&
               !s.NeatlinePolygon()->Points().empty() && s.GridCoordSystem()) {
        const auto &points = s.NeatlinePolygon()->Points();
        auto [loX, hiX] =
            std::minmax_element(points.begin(), points.end(),
                                [](const shapekit::Point &a, const shapekit::Point &b) { return a.x < b.x; });
        auto [loY, hiY] =
            std::minmax_element(points.begin(), points.end(),
                                [](const shapekit::Point &a, const shapekit::Point &b) { return a.y < b.y; });
        shapekit::Point lo(loX->x, loY->y, 0.0), hi(hiX->x, hiY->y, 0.0);
        const std::int32_t space = geographic ? coordkit::kGeographic : coordkit::kProjectionPlane;
        try {
            s.GridCoordSystem()->ConvertPoint(coordkit::kStorage, space, lo.x, lo.y, lo.z);
            s.GridCoordSystem()->ConvertPoint(coordkit::kStorage, space, hi.x, hi.y, hi.z);
        } catch (const std::exception &) {
            return false;
        }
        dx = hi.x - lo.x;
        dy = hi.y - lo.y;
    } else {
        return false;
    }
    dx = std::fabs(dx);
    dy = std::fabs(dy);
    return std::isfinite(dx) && std::isfinite(dy);
}

bool CallsGridGenerators(const Frame &frame) {
    return std::any_of(frame.calls.begin(), frame.calls.end(), [&frame](const std::string &m) {
        return m == "CreateGridlines" || m == "CreateTicksCrosses" ||
               (m == "CreateLabels" && frame.service->LabelType() != PXltCorner);
    });
}

void WarnOfLineBudget(const Frame &frame, const RunResult &result, std::vector<std::string> &warnings) {
    const auto &interval = frame.service->Interval();
    if (!CallsGridGenerators(frame) || !interval) return;
    const std::string head =
        "$.Interval: past the budget of 250 grid lines, beyond which CreateGridlines and "
        "CreateTicksCrosses draw nothing and CreateLabels fails";
    double dx = 0.0, dy = 0.0;
    const double scale = frame.gridUnitInService;
    if (GridExtent(frame, dx, dy) && interval->x > 0.0 && interval->y > 0.0) {
        const double lines = EstimatedLines(dx, dy, interval->x, interval->y);
        if (!(lines > kGridLineBudget)) return;
        std::string text = head + ": about " + Shown(lines) + " lines";
        const double fit = scale > 0.0 ? SmallestRoundInterval(dx / scale, dy / scale) : 0.0;
        if (fit > 0.0)
            text +=
                "; an interval of [" + Shown(fit) + ", " + Shown(fit) + "] " + frame.gridUnit + " would fit";
        warnings.push_back(text);
        return;
    }
    // The frame's extent in grid units is not at hand: the generators' own silence tells.
    for (const CallRecord &r : result.calls)
        if (r.madeNothing) {
            warnings.push_back(head + ": " + r.method + " made nothing; choose a larger interval");
            return;
        }
}

// ---- failures ---------------------------------------------------------------------------------

/// The key to look at for one reported failure, as " (...)", or "".
std::string Hint(const Frame &frame, const RunResult &result, std::size_t call, const Report &report) {
    const ParalloCls &s = *frame.service;
    const std::string &d = report.description;
    if (report.procedure == "Create_Stroked_Rectangle Error") return " (see \"NeatlineStrokeDistance\")";
    if (report.procedure == "CreateFrameBars Error" && !(s.FrameBarWidth() > 0.0))
        return " (see \"FrameBarWidth\")";
    if (Contains(d, "grid interval") || Contains(d, "grid lines to label")) return " (see \"Interval\")";
    if (Contains(d, "grid offset")) return " (see \"GridOffset\")";
    const Method *m = FindMethod(result.calls[call].method);
    if (!m || d != Error::StandardDescription(kObjectNotSet)) return "";
    const unsigned needs = Needs(*m, s);
    const char *const corners = " (set \"NeatlineLowerLeft\" and \"NeatlineUpperRight\")";
    if ((needs & kNeedsCorners) && !HasCorners(s)) return corners;
    if ((needs & kNeedsNeatline) && !s.NeatlinePolygon()) {
        const bool made = std::any_of(result.calls.begin(), result.calls.begin() + static_cast<long>(call),
                                      [](const CallRecord &r) { return r.method == "CreateNeatline"; });
        return made ? " (no neatline: CreateNeatline failed)"
                    : " (set \"NeatlinePolygon\" or run CreateNeatline first)";
    }
    if ((needs & kNeedsInterval) && !s.Interval()) return " (set \"Interval\")";
    // Edge labels of a geographic grid also carry the corners across the 180° meridian test.
    if (result.calls[call].method == "CreateLabels" && !HasCorners(s)) return corners;
    return "";
}

} // namespace

void CheckCallNeeds(const Json &config, const Frame &frame) {
    CheckCallNeeds(config.contains("calls"), frame);
}

void CheckCallNeeds(bool listed, const Frame &frame) {
    const ParalloCls &s = *frame.service;
    unsigned provided = 0;
    if (HasCorners(s)) provided |= kNeedsCorners;
    if (s.NeatlinePolygon()) provided |= kNeedsNeatline;
    if (s.Interval()) provided |= kNeedsInterval;
    for (std::size_t i = 0; i < frame.calls.size(); ++i) {
        const Method *m = FindMethod(frame.calls[i]);
        if (!m) continue;
        const std::string who = std::string(m->name) + (listed ? " ($.calls[" + std::to_string(i) + "])"
                                                               : " (one of the default calls)");
        const unsigned missing = Needs(*m, s) & ~provided;
        if (missing & kNeedsCorners)
            Fail(s.NeatlineLowerLeft() ? "$.NeatlineUpperRight" : "$.NeatlineLowerLeft",
                 "missing: " + who +
                     " needs the neatline's corners \"NeatlineLowerLeft\" and \"NeatlineUpperRight\"");
        if (missing & kNeedsNeatline)
            Fail("$.NeatlinePolygon",
                 "missing: " + who +
                     " needs a neatline: run CreateNeatline before it, or give the frame as "
                     "\"NeatlinePolygon\"");
        if (missing & kNeedsInterval)
            Fail("$.Interval", "missing: " + who +
                                   " needs the grid interval: set \"Interval\", or run "
                                   "CalcGridInterval before it");
        provided |= m->provides;
    }
}

namespace {

// ---- a polar cap on a grid of no meridians ----------------------------------------------------

void WarnOfPolarCapWithoutMeridians(const Frame &frame, std::vector<std::string> &warnings) {
    if (frame.options.PolarCapLatitude == 0.0 || frame.gridIntervalsType == kExtentGeographic) return;
    warnings.push_back("$.PolarCapLatitude: the polar cap stops meridians, and this grid is projected "
                       "(GridIntervalsType 0): it has none; set \"GridIntervalsType\": 1 for a graticule");
}

// ---- labels and ticks that cannot show --------------------------------------------------------

bool Calls(const Frame &frame, const char *method) {
    return std::find(frame.calls.begin(), frame.calls.end(), method) != frame.calls.end();
}

bool Displayed(const std::shared_ptr<LabelPartCls> &part) { return part && part->bDisplay(); }

/// Labels made while no part is displayed: each one's text is empty, so nothing is drawn.
void WarnOfLabelsWithoutParts(const Frame &frame, std::vector<std::string> &warnings) {
    const ParalloCls &s = *frame.service;
    const auto &labels = s.LabelsCollection();
    if (!Calls(frame, "CreateLabels") || !labels || labels->Count() == 0) return;
    if (Displayed(s.LabelPartA()) || Displayed(s.LabelPartB()) || Displayed(s.LabelPartC()) ||
        Displayed(s.LabelPartD()) || Displayed(s.LabelPartUnit()) || Displayed(s.LabelPartHemisphere()))
        return;
    warnings.push_back("$.LabelPartA ... $.LabelPartHemisphere: no label part is displayed, so the " +
                       std::to_string(labels->Count()) +
                       " labels CreateLabels made are empty text; set \"bDisplay\": true on the parts to "
                       "show, or give none of the LabelPart keys for the default parts");
}

/// Every side switched off: no edge or corner label and no tick has a side to stand on.
void WarnOfNoSide(const Frame &frame, std::vector<std::string> &warnings) {
    // The service does not read its sides back: the options hold them, defaults included.
    const FurnitureOptions &o = frame.options;
    if (o.PlaceLeftSideGridElements || o.PlaceTopSideGridElements || o.PlaceRightSideGridElements ||
        o.PlaceBottomSideGridElements)
        return;
    const ParalloCls &s = *frame.service;
    const bool ticks = Calls(frame, "CreateTicksCrosses") &&
                       (s.GridType() == PXgtTicks || s.GridType() == PXgtTicksAndCrosses);
    const bool labels = Calls(frame, "CreateLabels");
    if (!ticks && !labels) return;
    const std::string made = ticks && labels ? "CreateTicksCrosses makes no tick and CreateLabels no label"
                             : ticks         ? "CreateTicksCrosses makes no tick"
                                             : "CreateLabels makes no label";
    warnings.push_back("$.PlaceLeftSideGridElements ... $.PlaceBottomSideGridElements: all four sides are "
                       "false, so " +
                       made + "; set the sides to mark to true, or leave the four keys out");
}

} // namespace

std::vector<std::string> Warnings(const Frame &frame, const RunResult &result) {
    std::vector<std::string> warnings;
    WarnOfDegreesLikeCorners(frame, warnings);
    WarnOfPolarCapWithoutMeridians(frame, warnings);
    WarnOfLineBudget(frame, result, warnings);
    WarnOfNoSide(frame, warnings);
    WarnOfLabelsWithoutParts(frame, warnings);
    return warnings;
}

std::vector<std::string> Warnings(const Json &, const Frame &frame, const RunResult &result) {
    return Warnings(frame, result);
}

std::vector<std::string> FailureLines(const Frame &frame, const RunResult &result) {
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < result.calls.size(); ++i) {
        const CallRecord &r = result.calls[i];
        for (const Report &e : r.errors) {
            std::string line = r.method + ": " + e.description + Hint(frame, result, i, e);
            // A description from the coordinate engine may run over several lines.
            std::replace_if(
                line.begin(), line.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
            lines.push_back(std::move(line));
        }
        if (r.errorsDropped > 0)
            lines.push_back(r.method + ": " + std::to_string(r.errorsDropped) +
                            " further failures, not kept");
    }
    return lines;
}

double SmallestRoundInterval(double dx, double dy) {
    if (!(dx >= 0.0 && dy >= 0.0) || !std::isfinite(dx + dy) || dx + dy == 0.0) return 0.0;
    // Lines run about (dx + dy) / interval: start a decade below that estimate of the answer.
    const int first = static_cast<int>(std::floor(std::log10((dx + dy) / kGridLineBudget))) - 1;
    for (int k = first; k <= first + 4; ++k) {
        const double decade = k >= 0 ? std::pow(10.0, k) : 1.0 / std::pow(10.0, -k);
        for (double mantissa : {1.0, 2.0, 2.5, 5.0}) {
            const double v = mantissa * decade;
            if (!std::isfinite(v)) return 0.0;
            if (EstimatedLines(dx, dy, v, v) <= kGridLineBudget) return v;
        }
    }
    return 0.0;
}

} // namespace cli
} // namespace parallo
