// GeoJSON for the web: the command's FeatureCollection carried from the map view into WGS 84
// longitude and latitude in degrees (longitude first), without the "crs" member, exterior rings
// counter-clockwise and holes clockwise, and every line and polygon that crosses the 180°
// meridian cut there into a MultiLineString or MultiPolygon whose parts end on ±180.
#ifndef PARALLO_CLI_RFC7946_H
#define PARALLO_CLI_RFC7946_H

#include <cstddef>
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

/// How far, in degrees of arc, the longitude-latitude path may stray from the image of the map
/// view's straight edge it stands for: each edge is halved in the map view while the image of its
/// middle lies farther than this from the step between its ends, longitude scaled by the cosine
/// of the middle's latitude so that it measures ground distance everywhere, poles included.
/// 1e-5° is about 1.1 m, a fraction of a millimetre on a printed sheet and finer than a web map's
/// tiles show below their closest zoom levels; 1e-6° made a polar frame's document 2.5 times as
/// large again (3.0 MB against 1.2 MB for the Antarctic example) for nothing a reader can see.
/// At most kRfc7946MaxHalvings levels per edge and kRfc7946MaxAddedPoints added positions per
/// collection (some 40 MB of text), so no input makes the output grow without bound; beyond either
/// the remaining steps stay chords.
constexpr double kRfc7946Tolerance = 1e-5;
constexpr int kRfc7946MaxHalvings = 18;
constexpr std::size_t kRfc7946MaxAddedPoints = 1000000;

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
