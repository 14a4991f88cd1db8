// The plain front: a host's options through the command's own path (ConfigureFrame, the checks of
// the calls, RunCalls with its label layout), the result copied into plain values.
#include "parallo/furniture.h"

#include <cmath>
#include <exception>
#include <limits>

#include "checks.h"
#include "config.h"
#include "front.h"
#include "parallo/coordkit_proj.h"
#include "run.h"

namespace parallo {

namespace {

std::vector<shapekit::Point> PointsOf(const shapekit::Geometry *geometry) {
    std::vector<shapekit::Point> points;
    if (geometry)
        geometry->ForEachRun(
            shapekit::ConstPointRunFunction([&points](const shapekit::Point *pts, std::size_t n) {
                points.insert(points.end(), pts, pts + n);
            }));
    return points;
}

FurnitureLabel LabelOf(const GridLabel &label, const LabelPlacement *placement, const LabelLayout &layout) {
    FurnitureLabel l;
    l.ID = label.ID();
    l.LabelString = label.LabelString;
    l.LabelStringA = label.LabelStringA;
    l.LabelStringB = label.LabelStringB;
    l.LabelStringC = label.LabelStringC;
    l.LabelStringD = label.LabelStringD;
    l.LabelStringUnit = label.LabelStringUnit;
    l.LabelStringHemisphere = label.LabelStringHemisphere;
    if (label.Origin) l.Origin = *label.Origin;
    l.Angle = label.Angle;
    l.HorizontalJustification = label.HorizontalJustification;
    l.VerticalJustification = label.VerticalJustification;
    l.LabelAxis = label.LabelAxis;
    if (placement) {
        if (!placement->Box.Empty) l.Box = placement->Box.Corners;
        l.Hidden = placement->Hidden;
        if (l.Hidden) l.HiddenBecause = cli::HiddenBecause(placement->Fate);
        const GridLabel *winner = cli::YieldedTo(*placement, layout);
        if (l.Hidden && winner) l.YieldedTo = winner->ID();
    }
    return l;
}

void Collect(const cli::Frame &frame, const cli::RunResult &result, Furniture &out) {
    const ParalloCls &s = *frame.service;
    if (s.NeatlinePolygon()) out.Neatline = PointsOf(s.NeatlinePolygon().get());
    if (s.BorderPolygon()) out.Border = PointsOf(s.BorderPolygon().get());
    const auto toGrid = cli::GridTransform(s);
    out.Gridlines = cli::FurnitureLines(result.gridlines, toGrid.get());
    out.Ticks = cli::FurnitureLines(result.ticks, toGrid.get());
    out.Crosses = cli::FurnitureLines(result.crosses, toGrid.get());
    if (const auto &bars = s.FrameBarGeometry()) {
        const std::vector<bool> &fills = s.FrameBarFills();
        for (const auto &bar : *bars)
            out.FrameBars.push_back(FurnitureBar{PointsOf(bar.get()), out.FrameBars.size() < fills.size() &&
                                                                          fills[out.FrameBars.size()]});
    }
    out.FrameTicks = cli::FurnitureLines(s.FrameTickGeometry(), toGrid.get());
    out.MinorTicks = cli::FurnitureLines(s.MinorTickGeometry(), toGrid.get());
    cli::ForEachLabel(s, result, [&](const GridLabel &label, const LabelPlacement *placement) {
        out.Labels.push_back(LabelOf(label, placement, result.layout));
    });
    if (result.laidOut) out.MapScale = result.mapScale;
    for (const cli::CallRecord &call : result.calls) {
        out.Calls.push_back(FurnitureCall{call.method, call.RetVal});
        for (const cli::Report &r : call.errors)
            out.Failures.push_back(FurnitureFailure{call.method, r.description, r.trace, r.procedure});
    }
    out.FailureLines = cli::FailureLines(frame, result);
    out.Warnings = cli::Warnings(frame, result);
}

} // namespace

namespace cli {

const char *HiddenBecause(LabelFate fate) {
    switch (fate) {
    case kLabelOverlaps:
        return "overlaps";
    case kLabelCrossesNeatline:
        return "crossesNeatline";
    case kLabelWrongSide:
        return "wrongSide";
    case kLabelUnplaced:
        return "unplaced";
    default:
        return "shown";
    }
}

std::shared_ptr<coordkit::CoordTransform> GridTransform(const ParalloCls &s) {
    try {
        const auto &mapView = s.MapViewCoordSystem();
        const auto &grid = s.GridCoordSystem();
        if (!mapView || !grid) return nullptr;
        const auto manager = coordkit::CreateProjCoordSystemsMgr(mapView);
        const auto service = manager ? manager->GetTransformService() : nullptr;
        return service ? service->CreateSimpleTransFromCSMtoCS(*manager, grid) : nullptr;
    } catch (const std::exception &) {
        return nullptr;
    }
}

// A grid line, a tick or an arm of a cross runs along one grid value, so its ends tell it.
std::vector<FurnitureLine> FurnitureLines(const std::shared_ptr<shapekit::GeometryCollection> &lines,
                                          const coordkit::CoordTransform *toGrid) {
    std::vector<FurnitureLine> out;
    if (!lines) return out;
    for (const auto &item : *lines) {
        FurnitureLine line;
        line.Points = PointsOf(item.get());
        line.Value = std::numeric_limits<double>::quiet_NaN();
        if (toGrid && line.Points.size() >= 2) {
            shapekit::Point ends[2] = {line.Points.front(), line.Points.back()};
            try {
                toGrid->Transform(ends, 2, 0);
                const double dx = std::fabs(ends[1].x - ends[0].x), dy = std::fabs(ends[1].y - ends[0].y);
                if (std::isfinite(dx) && std::isfinite(dy)) {
                    line.Axis = dx <= dy ? kAxisX : kAxisY;
                    line.Value = dx <= dy ? (ends[0].x + ends[1].x) / 2.0 : (ends[0].y + ends[1].y) / 2.0;
                }
            } catch (const std::exception &) {
            }
        }
        out.push_back(std::move(line));
    }
    return out;
}

} // namespace cli

Furniture MakeFurniture(const FurnitureOptions &options) noexcept {
    Furniture out;
    try {
        cli::Frame frame;
        try {
            frame = cli::ConfigureFrame(options);
            cli::CheckCallNeeds(options.calls.has_value(), frame);
        } catch (const cli::ConfigError &e) {
            out.Refusal = FurnitureRefusal{e.Path(), e.Problem()};
            return out;
        }
        const cli::RunResult result = cli::RunCalls(frame);
        Collect(frame, result, out);
    } catch (const std::exception &e) {
        // Only a failure of the machine itself (memory) gets here.
        out = Furniture();
        out.Refusal = FurnitureRefusal{"$", std::string("internal failure: ") + e.what()};
    } catch (...) {
        out = Furniture();
        out.Refusal = FurnitureRefusal{"$", "internal failure"};
    }
    return out;
}

} // namespace parallo
