// The benchmark scenarios: map frames set up on real PROJ systems as a host sets them up, the
// full furniture generated on them, and the floor — PROJ's own batch transformation of as many
// points as the furniture holds, between the same two systems.
#ifndef PARALLO_BENCH_SCENARIOS_H
#define PARALLO_BENCH_SCENARIOS_H

#include <proj.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "parallo/coordkit.h"
#include "parallo/parallo.h"
#include "support/frames.h"

namespace parallo_bench {

/// One scenario's frame: a frame of the tests' kind, with a border and labels as well. Angles in
/// degrees; the host setup hands them to the service in radians where it expects radians.
struct Scenario : parallo_test::FrameLayout {
    /// Map-view units.
    double borderOffset = 0.0;
    double labelOffset = 0.0;
    /// Labels in degrees-minutes-seconds (LabelDisplayType 1 with bGeographicDDMMSS).
    bool dmsLabels = false;
};

/// UTM 32N grid every 1 km, stroked at 10 m, on a 40 km × 40 km frame in LAEA Europe (neatline
/// and map view); ticks, crosses and edge labels on all four sides.
Scenario Sheet();
/// A 1° graticule stroked at 0.01° on a 40° × 30° frame shown in Web Mercator, stroked neatline,
/// degrees-minutes-seconds labels.
Scenario Graticule();
/// A neatline from geographic corners (6°E–12°E, 46°N–50°N) stroked every 0.002° (about 10000
/// vertices) in LAEA Europe, with a UTM 32N grid of some 247 lines, near the 250-line budget.
Scenario DenseNeatline();
/// A 1° graticule stroked at 0.01° on a 30° × 20° Pacific frame (165°E–165°W) across the 180°
/// meridian, shown in a Pacific-centred Mercator.
Scenario Pacific();

/// A 0.1° graticule on a small UTM 32N sheet (8.95°E–9.55°E, 47.95°N–48.65°N, geographic
/// corners): 13 lines, degrees-minutes-seconds labels at both ends of each. Few points, so that
/// what a generation costs beyond transforming them shows.
Scenario SmallGraticule();

/// Everything a host holds for one map: the frame's systems and service, and the units service
/// the labels need.
struct Host : parallo_test::Frame {
    Scenario scenario;
    std::shared_ptr<coordkit::UnitsOfMeasure> units;
};

/// Makes the systems from their definitions and configures a new service, as a host does.
std::unique_ptr<Host> MakeHost(const Scenario &scenario);

/// Sets the two properties the generators change on the service (bForceStroking and
/// GridStrokeDistance) back to the scenario's values, so that a repeated generation on the same
/// service draws the same map.
void ResetForRepeat(Host &host);

/// What one generation produced.
struct Output {
    /// Every point produced (neatline, border, grid lines, ticks, crosses, label origins), in
    /// map-view coordinates.
    std::vector<shapekit::Point> points;
    std::int32_t gridlines = 0;
    std::int32_t neatlineVertices = 0;
    std::int32_t labels = 0;
};

/// The full furniture: CreateNeatline, CreateBorder, CreateGridlines, CreateTicksCrosses,
/// CreateLabels. With `out` not null, what was produced is recorded in it.
void Generate(Host &host, Output *out);

/// PROJ's batch transformation between a scenario's grid system and its map view, in its own warm
/// context, over source points that are the scenario's output taken back into the grid system.
class Floor {
public:
    /// `output`: the points a generation produced, in map-view coordinates.
    Floor(const Scenario &scenario, const std::vector<shapekit::Point> &output);
    ~Floor();
    Floor(const Floor &) = delete;
    Floor &operator=(const Floor &) = delete;

    std::size_t Points() const noexcept { return sourceX_.size(); }
    /// Restores the source points (not timed by callers) ...
    void Prepare();
    /// ... and transforms them all with one proj_trans_generic call.
    void Transform();
    /// Seconds of one Prepare + timed Transform.
    double TimeOnce();

private:
    PJ_CONTEXT *ctx_ = nullptr;
    PJ *op_ = nullptr;
    std::vector<double> sourceX_, sourceY_, x_, y_;
};

/// CPU seconds of the calling thread since an arbitrary start.
double Now();

} // namespace parallo_bench

#endif
