// The neatline: the frame polygon in map-view coordinates, its bounding box and its corners.
#ifndef PARALLO_SERVICE_NEATLINE_H
#define PARALLO_SERVICE_NEATLINE_H

#include <cstdint>

#include "parallo/coordkit.h"
#include "service/state.h"

namespace parallo {
namespace detail {

/// Builds NeatlinePolygon, NeatlineRangeMapView and the two map-view corners (see
/// ParalloCls::CreateNeatline). Never throws; failures go to ReportError.
void CreateNeatline(ServiceState &s) noexcept;

/// With StrokeTolerance above 0: halves the steps of a stroked neatline (`polygon`, in storage
/// units of the neatline system) until the middle of every step's chord in the map view lies
/// within StrokeTolerance of the image of the side's point halfway along the step, in the space
/// the corners are given in, where the sides are straight; at most kMaxNeatlinePoints points.
/// The side-start indices move with the points inserted before them.
void RefineStrokedNeatline(ServiceState &s, const coordkit::CoordTransform &transform,
                           shapekit::PolygonGeometry &polygon);

/// Stores NeatlineLowerLeftMapView and NeatlineUpperRightMapView: each corner converted into
/// the neatline system's storage units (z = 0) and transformed to the map view. No handler of its
/// own: a failure leaves the map-view corners at (0, 0, 0) where it struck, and raises.
void TransformNeatlineCorners(ServiceState &s, const coordkit::TransformService &transformer,
                              const coordkit::CoordTransform &transform);

} // namespace detail
} // namespace parallo

#endif
