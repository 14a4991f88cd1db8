// Label layout on a 60 km × 40 km UTM 32N sheet shown in LAEA Europe, where labels collide and
// many must give way.
//
//   layout/sheet                 a 1 km grid at 1:100 000: about 200 labels, each nearly two
//                                grid steps long
//   layout/dense                 a 100 m grid at 1:50 000: about 2000 labels, each some eight
//                                grid steps long; the generators draw at most 250 grid lines a
//                                call, so the grid is made in four passes of a 400 m interval
//                                offset by 0, 100, 200 and 300 m, and the furniture is all four
//   layout/dense/fresh-measurer  the same with a new measurer per map: fontconfig started, faces
//                                loaded, every text shaped
// The other two keep one measurer, as a host does: faces loaded, the texts of the previous map
// measured already.
//
// Counters: labels, shown, us_per_label (CPU time per label), furniture_ms (CPU time of the whole
// furniture of the map: neatline, border, grid lines, ticks and labels of every pass; measured
// before the loop) and share (layout time / (furniture + layout time)).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <vector>

#include "parallo/layout.h"
#include "scenarios.h"

namespace parallo_bench {
namespace {

struct Map {
    double interval; ///< grid metres of one pass
    int passes;      ///< passes, offset by interval / passes each
    double scale;
};

Scenario Sheet60x40(double interval) {
    Scenario f;
    f.name = "layout-sheet";
    f.mapView = "EPSG:3035";
    f.neatlineSystem = "EPSG:32632";
    f.gridSystem = "EPSG:32632";
    f.west = 470000.0;
    f.south = 5300000.0;
    f.east = 530000.0;
    f.north = 5340000.0;
    f.neatlineStroke = 1000.0;
    f.intervalX = interval;
    f.intervalY = interval;
    f.gridStroke = 50.0;
    f.tickLength = 100.0;
    f.borderOffset = 1500.0;
    f.labelOffset = 200.0;
    return f;
}

std::unique_ptr<parallo::TextMeasurer> NewMeasurer() {
    auto measurer = parallo::CreateFontTextMeasurer();
    if (!measurer) measurer = std::make_unique<parallo::ApproximateTextMeasurer>();
    return measurer;
}

void LayOut(benchmark::State &state, Map map, bool freshMeasurer) {
    auto host = MakeHost(Sheet60x40(map.interval));
    parallo::ParalloCls &s = host->service;
    s.SetGridType(parallo::PXgtTicks); // crosses every 100 m would be a map nobody draws

    // The furniture of the map, edge labels included, pass by pass; then its corner labels.
    Generate(*host, nullptr); // the systems warm, as in every map after a host's first
    std::vector<parallo::LayoutLabel> labels;
    double furniture = 0.0;
    for (int pass = 0; pass < map.passes; ++pass) {
        const double offset = map.interval * pass / map.passes;
        s.SetGridOffset(std::make_shared<shapekit::Point>(offset, offset));
        ResetForRepeat(*host);
        const double start = Now();
        Generate(*host, nullptr);
        furniture += Now() - start;
        for (const auto &label : parallo::LayoutLabelsOf(*s.LabelsCollection(), false))
            labels.push_back(label);
    }
    s.SetLabelType(parallo::PXltCorner);
    s.CreateLabels();
    for (const auto &corner : parallo::LayoutLabelsOf(*s.LabelsCollection(), true))
        labels.push_back(corner);
    if (!host->reports.empty()) state.SkipWithError(host->reports.front().c_str());

    const parallo::LabelStyle style = parallo::LabelStyleOf(s);
    std::unique_ptr<parallo::TextMeasurer> measurer = NewMeasurer();
    const shapekit::PolygonGeometry &neatline = *s.NeatlinePolygon();
    std::size_t shown = 0;
    if (!freshMeasurer) parallo::LayOutLabels(labels, style, neatline, map.scale, *measurer); // warm

    double layout = 0.0;
    for (auto _ : state) {
        const double start = Now();
        if (freshMeasurer) measurer = NewMeasurer();
        const parallo::LabelLayout result =
            parallo::LayOutLabels(labels, style, neatline, map.scale, *measurer);
        layout += Now() - start;
        if (!result.Failure.empty()) state.SkipWithError(result.Failure.c_str());
        shown = result.Placements.size() - result.Dropped.size();
        benchmark::DoNotOptimize(shown);
    }
    const double perMap = layout / static_cast<double>(state.iterations());
    state.counters["labels"] = static_cast<double>(labels.size());
    state.counters["shown"] = static_cast<double>(shown);
    state.counters["us_per_label"] = 1e6 * perMap / static_cast<double>(labels.size());
    state.counters["furniture_ms"] = 1e3 * furniture;
    state.counters["share"] = perMap / (furniture + perMap);
}

BENCHMARK_CAPTURE(LayOut, sheet, Map{1000.0, 1, 100000.0}, false)
    ->Name("layout/sheet")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(LayOut, dense, Map{400.0, 4, 50000.0}, false)
    ->Name("layout/dense")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(LayOut, fresh, Map{400.0, 4, 50000.0}, true)
    ->Name("layout/dense/fresh-measurer")
    ->Unit(benchmark::kMillisecond);

} // namespace
} // namespace parallo_bench
