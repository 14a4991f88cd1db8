// Helpers of the reliability tests: a whole frame run through every generator, and the results
// of a service written down exactly (every coordinate with 17 significant digits), so that two
// runs can be compared for identity.
#ifndef PARALLO_TESTS_RELIABILITY_RESULTS_H
#define PARALLO_TESTS_RELIABILITY_RESULTS_H

#include <memory>
#include <string>

#include "parallo/parallo.h"
#include "support/frames.h"

namespace parallo_reliability {

/// Every coordinate of a geometry, in order, exactly; "none" for no object.
std::string Exact(const shapekit::Geometry* geometry);

/// Every field of every label, in order, exactly; "none" for no object.
std::string Exact(const parallo::GridLabels* labels);

/// A standard frame made ready for labels as well: units of measure, six displayed label parts,
/// hemisphere texts and the label display type of its grid.
std::unique_ptr<parallo_test::Frame> MakeLabelledFrame(const parallo_test::FrameLayout& layout);

/// CreateBorder, CreateGridlines, CreateTicksCrosses and CreateLabels in turn on a new labelled
/// frame, written down after each call together with the RetVals and every failure report.
std::string RunWholeFrame(const parallo_test::FrameLayout& layout);

} // namespace parallo_reliability

#endif
