// A map series in one run: one base configuration and an index of sheets (a GeoJSON
// FeatureCollection of sheet rectangles, or JSON lines of per-sheet keys) give each sheet its
// GeoJSON and SVG, exactly as the single command gives them for the sheet's own configuration.
#ifndef PARALLO_CLI_SERIES_H
#define PARALLO_CLI_SERIES_H

#include <deque>
#include <iosfwd>
#include <string>
#include <vector>

#include "config_json.h"

namespace parallo {
namespace cli {

/// The exit status of a series in which some sheet failed (the other sheets are written).
constexpr int kExitSheetFailed = 4;

/// One sheet of an index.
struct Sheet {
    /// The sheet's name as its files are named; empty when the sheet has no usable name.
    std::string id;
    /// How messages name the sheet: its id, or its place in the index ("feature 12", "line 3").
    std::string label;
    /// Why the sheet is refused before its configuration is made; empty when it is not.
    std::string problem;
    /// Keys of the configuration that the sheet sets (its properties, without "sheet"); null
    /// rather than an empty object when it sets none, as most sheets of a series do.
    Json overrides;
    /// The vertices of the sheet's polygon (x, y pairs) in the index's system; empty when the
    /// feature has no geometry and its corners come from its keys.
    std::vector<double> vertices;
};

/// A sheet index as read.
struct Index {
    /// The definition named by the index's "crs" member as the command writes it; empty when
    /// the index names none (the sheets are then in the neatline system and its units).
    std::string crs;
    /// A deque: a growing index is never copied whole into a block twice its size.
    std::deque<Sheet> sheets;
};

/// Reads an index: a GeoJSON FeatureCollection, or, with `jsonLines`, one JSON object per line
/// holding a sheet's keys ("sheet" names it, the corners are its keys). An index that is none
/// at all (not JSON, no FeatureCollection, a "crs" member of another form) raises ConfigError; a
/// feature or line that cannot be a sheet becomes a sheet with a `problem`.
Index ReadIndex(std::istream &in, bool jsonLines);

/// ReadIndex of a text.
Index ReadIndex(const std::string &text, bool jsonLines);

/// The configuration a single run of the sheet reads: `base` with the sheet's keys (a null one
/// removes the base's key), its corners (the bounding rectangle of its polygon, in the neatline system and
/// the units the configuration reads corners in) and each coordinate system given as "UTM" replaced by the
/// WGS 84 UTM zone of the sheet's centre. Raises ConfigError (path into the configuration) when
/// the sheet cannot have one.
Json SheetConfig(const Json &base, const Index &index, const Sheet &sheet);

/// The WGS 84 UTM system ("EPSG:326zz" north of the equator, "EPSG:327zz" south) of a point
/// given in degrees, with the zones widened for south-western Norway (32V) and Svalbard (31X,
/// 33X, 35X, 37X).
std::string UtmDefinition(double longitude, double latitude);

/// Runs `parallo series BASE.json INDEX.geojson -o OUTDIR [-j N] [--force] [--progress|--quiet]`
/// (argv[0] is "series"). Returns the exit status; never throws.
int RunSeriesCommand(int argc, const char *const *argv, std::ostream &out, std::ostream &err) noexcept;

} // namespace cli
} // namespace parallo

#endif
