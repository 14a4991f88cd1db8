// Adaptive densification: the steps of a line are split at their middles until what is drawn
// follows the line's true course within a tolerance.
//
// Every point has two descriptions: `at`, in the space where the line is straight (a grid line
// in grid space, a frame edge in the map view), and `drawn`, where it is drawn as straight
// chords. A step is split at the middle of `at`; the caller says how far the chord strays from
// the true course. Splitting a smooth curve's step in two quarters the chord's deviation, so the
// passes needed grow with the logarithm of deviation / tolerance. The refinement runs pass by
// pass over the whole line, so that the caller transforms each pass's points in one batch.
#ifndef PARALLO_GRID_DENSIFY_H
#define PARALLO_GRID_DENSIFY_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "parallo/shapekit.h"

namespace parallo {
namespace detail {

/// One point of a line: where the line is straight and where it is drawn.
struct StepEnd {
    shapekit::Point at;
    shapekit::Point drawn;
    /// Whatever the caller keeps with the point (the working neatline: its round trip back to
    /// where the line is straight).
    shapekit::Point kept;
};

/// How one line is refined.
struct LineRefiner {
    /// For every step k, from ps[k] to qs[k]: its halfway point where the line is straight and
    /// that point's image where it is drawn (mids[k]), and how far the step's chord strays from
    /// the true course (deviations[k]). A middle or a deviation that is not finite keeps the step
    /// as it is.
    std::function<void(const std::vector<StepEnd> &ps, const std::vector<StepEnd> &qs,
                       std::vector<StepEnd> &mids, std::vector<double> &deviations)>
        judge;
    double tolerance = 0.0;
    /// Passes at most, so halvings of one step: 2^20 substeps is beyond any budget below.
    std::int32_t maxDepth = 20;
    /// Points that may still be inserted (counted down as they are); at 0 no step is split.
    std::size_t budget = 0;
};

/// Splits the steps of the polyline `line` until every one strays at most `tolerance` from its
/// true course, the depth is reached or the budget runs out. `origins`, when given, receives the
/// new index of every point the line had.
void RefineLine(LineRefiner &r, std::vector<StepEnd> &line, std::vector<std::size_t> *origins);

/// Applies `f` to all points in one batch; when the batch fails, point by point, each point that
/// fails becoming not finite.
void ApplyEach(std::vector<shapekit::Point> &points,
               const std::function<void(shapekit::Point *, std::size_t)> &f) noexcept;

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
