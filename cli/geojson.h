// The GeoJSON writer: one FeatureCollection in map-view coordinates with the foreign members
// "crs" (the map view's definition) and "calls" (what each method run returned and reported).
#ifndef PARALLO_CLI_GEOJSON_H
#define PARALLO_CLI_GEOJSON_H

#include <string>

#include "config.h"
#include "run.h"

namespace parallo {
namespace cli {

/// A geometry as a GeoJSON geometry object; null for no object. Polygon rings are closed.
Json GeometryJson(const shapekit::Geometry* geometry);

/// The whole document, one feature per line. Numbers read back to the same doubles.
std::string WriteGeoJson(const Frame& frame, const RunResult& result);

} // namespace cli
} // namespace parallo

#endif
