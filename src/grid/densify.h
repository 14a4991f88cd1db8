// Adaptive densification: a step between two points of a line is split at its middle until what
// is drawn follows the line's true course within a tolerance.
//
// Every step has two descriptions: `at`, in the space where the line is straight (a grid line in
// grid space, a frame edge in the map view), and `drawn`, where it is drawn as a straight chord.
// A step is split at the middle of `at`; the caller says how far the chord strays from the true
// course there. Splitting a smooth curve's step in two quarters the chord's deviation, so the
// depth needed grows with the logarithm of deviation / tolerance.
#ifndef PARALLO_GRID_DENSIFY_H
#define PARALLO_GRID_DENSIFY_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "parallo/shapekit.h"

namespace parallo {
namespace detail {

/// One end of a step: where the line is straight and where it is drawn.
struct StepEnd {
    shapekit::Point at;
    shapekit::Point drawn;
};

/// How one line is refined.
struct StepRefiner {
    /// The point halfway along the step from p to q in the space where the line is straight, and
    /// its image where it is drawn. False when the image cannot be computed: the step is then
    /// kept as it is.
    std::function<bool(const StepEnd &p, const StepEnd &q, StepEnd &mid)> halfway;
    /// How far the chord from p to q strays from the true course, given the true middle `mid`.
    /// A value that is not finite keeps the step as it is.
    std::function<double(const StepEnd &p, const StepEnd &q, const StepEnd &mid)> deviation;
    double tolerance = 0.0;
    /// Halvings of one step at most: 2^20 substeps is beyond any budget below.
    std::int32_t maxDepth = 20;
    /// Points that may still be inserted (counted down as they are); at 0 no step is split.
    std::size_t budget = 0;
};

/// Appends to `out` the points that split the step from p to q, in order from p to q (neither p
/// nor q itself), until every substep strays at most `tolerance` from its true course, the
/// depth is reached or the budget runs out.
void RefineStep(StepRefiner &r, const StepEnd &p, const StepEnd &q, std::vector<StepEnd> &out);

/// The middle of two points (x, y and z).
shapekit::Point Middle(const shapekit::Point &a, const shapekit::Point &b) noexcept;

/// The plane distance from p to the segment from a to b; infinity when any point is not finite.
double DistanceToSegment(const shapekit::Point &p, const shapekit::Point &a,
                         const shapekit::Point &b) noexcept;

/// How far the chord from P to Q strays from a line through P, M and Q (M the image of the point
/// halfway between them where the line is straight): the larger of M's distance from the chord
/// and the chord's middle's distance from the two half-chords P–M and M–Q. A straight line whose
/// points are unevenly spaced along it (a meridian on Mercator) strays by nothing.
double ChordDeviation(const shapekit::Point &P, const shapekit::Point &M, const shapekit::Point &Q) noexcept;

} // namespace detail
} // namespace parallo

#endif
