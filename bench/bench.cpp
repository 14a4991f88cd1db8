// parallo_bench: each scenario's full furniture against its floor, PROJ's batch transformation of
// exactly as many points between the same two systems in a warm context.
//
//   <scenario>         a host's whole map: systems made from their definitions, a new service,
//                      CreateNeatline, CreateBorder, CreateGridlines, CreateTicksCrosses,
//                      CreateLabels (the previous map's systems are gone; the library keeps
//                      recently used definitions, and proj_objects shows what it still creates)
//   <scenario>/floor   proj_trans_generic of the scenario's output points, one call
//   repeat             the sheet generated again on the same service object
//   cold-start/sheet   the first generation in this process, measured before anything else
//
// Counters: points (produced per generation), floor_ratio (generation CPU time / floor CPU time,
// the floor timed between the generations of the same run; CPU time of this thread, since the
// machine may be shared), floor_ms (floor CPU time), proj_objects (PROJ objects the library created
// per iteration), allocs_per_point (heap allocations per iteration / points).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "alloc_counter.h"
#include "parallo/coordkit_proj.h"
#include "scenarios.h"

namespace parallo_bench {

namespace {

/// The cold start, measured in main() before any benchmark runs.
struct ColdStart {
    double seconds = 0.0; ///< wall clock: a cold start waits for files as well
    double cpuSeconds = 0.0;
    long projObjects = 0;
    long allocations = 0;
} g_cold;

/// A warm host's output for a scenario, with its failure reports printed once.
Output Produce(const Scenario &scenario) {
    auto host = MakeHost(scenario);
    Output out;
    Generate(*host, &out);
    if (!host->reports.empty()) {
        std::fprintf(stderr, "%s: %zu failure reports, the first: %s\n", scenario.name.c_str(),
                     host->reports.size(), host->reports.front().c_str());
    }
    return out;
}

void SetOutputCounters(benchmark::State &state, const Output &out) {
    state.counters["points"] = static_cast<double>(out.points.size());
    state.counters["gridlines"] = static_cast<double>(out.gridlines);
    state.counters["neatline_vertices"] = static_cast<double>(out.neatlineVertices);
    state.counters["labels"] = static_cast<double>(out.labels);
}

/// A host's whole map per iteration, the floor timed between iterations.
void FreshHost(benchmark::State &state, const Scenario &scenario) {
    const Output out = Produce(scenario);
    Floor floor(scenario, out.points);
    double generation = 0.0;
    double floorTime = 0.0;
    long objects = 0;
    long allocations = 0;
    std::unique_ptr<Host> host;
    for (auto _ : state) {
        state.PauseTiming();
        host.reset(); // the previous map goes, and its systems with it
        floorTime += floor.TimeOnce();
        const long objectsBefore = coordkit::ProjObjectsCreated();
        const long allocationsBefore = AllocationsSoFar();
        state.ResumeTiming();
        const double start = Now();
        host = MakeHost(scenario);
        Generate(*host, nullptr);
        generation += Now() - start;
        allocations += AllocationsSoFar() - allocationsBefore;
        objects += coordkit::ProjObjectsCreated() - objectsBefore;
    }
    host.reset();
    const auto n = static_cast<double>(state.iterations());
    SetOutputCounters(state, out);
    state.counters["floor_ratio"] = generation / floorTime;
    state.counters["floor_ms"] = 1e3 * floorTime / n;
    state.counters["proj_objects"] = static_cast<double>(objects) / n;
    state.counters["allocs_per_point"] =
        static_cast<double>(allocations) / n / static_cast<double>(out.points.size());
}

/// The floor alone.
void FloorOnly(benchmark::State &state, const Scenario &scenario) {
    const Output out = Produce(scenario);
    Floor floor(scenario, out.points);
    long allocations = 0;
    for (auto _ : state) {
        state.PauseTiming();
        floor.Prepare();
        const long before = AllocationsSoFar();
        state.ResumeTiming();
        floor.Transform();
        allocations += AllocationsSoFar() - before;
    }
    state.counters["points"] = static_cast<double>(floor.Points());
    state.counters["allocs_per_point"] = static_cast<double>(allocations) /
                                         static_cast<double>(state.iterations()) /
                                         static_cast<double>(floor.Points());
}

/// The sheet generated again and again on one service object.
void Repeat(benchmark::State &state) {
    const Scenario scenario = Sheet();
    auto host = MakeHost(scenario);
    Output out;
    Generate(*host, &out);
    Floor floor(scenario, out.points);
    Generate(*host, nullptr); // the service has generated once before the measured ones
    const std::size_t reportsBefore = host->reports.size();
    double generation = 0.0;
    double floorTime = 0.0;
    long allocations = 0;
    const long objectsBefore = coordkit::ProjObjectsCreated();
    for (auto _ : state) {
        state.PauseTiming();
        floorTime += floor.TimeOnce();
        ResetForRepeat(*host);
        const long allocationsBefore = AllocationsSoFar();
        state.ResumeTiming();
        const double start = Now();
        Generate(*host, nullptr);
        generation += Now() - start;
        allocations += AllocationsSoFar() - allocationsBefore;
    }
    const long objects = coordkit::ProjObjectsCreated() - objectsBefore;

    // The repeated map must be the map of the first generation.
    Output again;
    ResetForRepeat(*host);
    Generate(*host, &again);
    if (again.points.size() != out.points.size() || host->reports.size() != reportsBefore)
        state.SkipWithError("a repeated generation drew another map");

    const auto n = static_cast<double>(state.iterations());
    SetOutputCounters(state, out);
    state.counters["floor_ratio"] = generation / floorTime;
    state.counters["floor_ms"] = 1e3 * floorTime / n;
    state.counters["proj_objects"] = static_cast<double>(objects); // in all iterations together
    state.counters["allocs_per_point"] =
        static_cast<double>(allocations) / n / static_cast<double>(out.points.size());
}

/// The first generation of the process, against the warm floor (its time is wall-clock time,
/// its ratio in CPU time like the others).
void Cold(benchmark::State &state) {
    const Scenario scenario = Sheet();
    const Output out = Produce(scenario);
    Floor floor(scenario, out.points);
    double floorTime = 0.0;
    int runs = 0;
    for (; runs < 5; ++runs)
        floorTime += floor.TimeOnce();
    for (auto _ : state)
        state.SetIterationTime(g_cold.seconds);
    state.counters["points"] = static_cast<double>(out.points.size());
    state.counters["cpu_ms"] = 1e3 * g_cold.cpuSeconds;
    state.counters["floor_ratio"] = g_cold.cpuSeconds / (floorTime / runs);
    state.counters["floor_ms"] = 1e3 * floorTime / runs;
    state.counters["proj_objects"] = static_cast<double>(g_cold.projObjects);
    state.counters["allocs_per_point"] =
        static_cast<double>(g_cold.allocations) / static_cast<double>(out.points.size());
}

void MeasureColdStart() {
    const long objectsBefore = coordkit::ProjObjectsCreated();
    const long allocationsBefore = AllocationsSoFar();
    const auto wallStart = std::chrono::steady_clock::now();
    const double start = Now();
    {
        auto host = MakeHost(Sheet());
        Generate(*host, nullptr);
        g_cold.cpuSeconds = Now() - start;
        g_cold.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
        g_cold.projObjects = coordkit::ProjObjectsCreated() - objectsBefore;
        g_cold.allocations = AllocationsSoFar() - allocationsBefore;
    } // the host goes, so the sheet benchmarks start from systems nobody holds
}

void RegisterAll() {
    benchmark::RegisterBenchmark("cold-start/sheet", Cold)
        ->Iterations(1)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
    for (const Scenario &scenario : {Sheet(), Graticule(), DenseNeatline(), Pacific(), SmallGraticule()}) {
        benchmark::RegisterBenchmark(scenario.name.c_str(), [scenario](benchmark::State &st) {
            FreshHost(st, scenario);
        })->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((scenario.name + "/floor").c_str(), [scenario](benchmark::State &st) {
            FloorOnly(st, scenario);
        })->Unit(benchmark::kMillisecond);
    }
    benchmark::RegisterBenchmark("repeat", Repeat)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("repeat/floor", [](benchmark::State &st) {
        FloorOnly(st, Sheet());
    })->Unit(benchmark::kMillisecond);
}

} // namespace

} // namespace parallo_bench

namespace parallo_bench {
namespace {

/// `parallo_bench --profile SCENARIO [RUNS]`: only generations of one scenario on one service,
/// no floor and no timing, for a profiler (perf, callgrind) to look at.
int Profile(const std::string &name, int runs) {
    for (const Scenario &scenario : {Sheet(), Graticule(), DenseNeatline(), Pacific(), SmallGraticule()}) {
        if (scenario.name != name) continue;
        auto host = MakeHost(scenario);
        for (int i = 0; i < runs; ++i) {
            ResetForRepeat(*host);
            Generate(*host, nullptr);
        }
        std::printf("%d generations of %s, %zu failure reports\n", runs, name.c_str(), host->reports.size());
        return 0;
    }
    std::fprintf(stderr, "unknown scenario %s\n", name.c_str());
    return 2;
}

} // namespace
} // namespace parallo_bench

int main(int argc, char **argv) {
    if (argc >= 3 && std::string(argv[1]) == "--profile")
        return parallo_bench::Profile(argv[2], argc >= 4 ? std::atoi(argv[3]) : 10);
    // First of all, before any benchmark has touched PROJ or the library.
    parallo_bench::MeasureColdStart();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    parallo_bench::RegisterAll();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
