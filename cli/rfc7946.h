// GeoJSON for the web: the command's FeatureCollection carried from the map view into WGS 84
// longitude and latitude in degrees (longitude first), without the "crs" member, exterior rings
// counter-clockwise and holes clockwise, and every line and polygon that crosses the 180°
// meridian cut there into a MultiLineString or MultiPolygon whose parts end on ±180.
#ifndef PARALLO_CLI_RFC7946_H
#define PARALLO_CLI_RFC7946_H

#include <stdexcept>
#include <string>

#include "config.h"
#include "run.h"

namespace parallo {
namespace cli {

/// Why a collection cannot be carried into longitude and latitude (PROJ knows no way from the
/// map view, or a position cannot be converted). Nothing is written then.
class Rfc7946Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// The collection with every geometry (also the Polygon a label's "box" property holds) in
/// longitude and latitude, cut at the 180° meridian, and no "crs" member; `definition` is the
/// map view's definition (a PROJ string, code, WKT or PROJJSON text). Raises Rfc7946Error.
Json ToRfc7946(const Json &collection, const std::string &definition);

/// The whole document in the layout of WriteGeoJson (one feature per line), in the form above.
/// Raises Rfc7946Error.
std::string WriteRfc7946GeoJson(const Frame &frame, const RunResult &result);

} // namespace cli
} // namespace parallo

#endif
