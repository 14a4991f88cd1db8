// The configuration reader of the parallo command and of the plain front: one JSON object whose
// keys are the service's property names is read into FurnitureOptions (fields of the same names),
// which become a configured ParalloCls, the list of methods to run and what the writers need to
// know about the frame. Values are written in the units a cartographer sees (degrees, the
// coordinate system's own feet or metres) and converted to what the service takes.
#ifndef PARALLO_CLI_CONFIG_H
#define PARALLO_CLI_CONFIG_H

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "config_json.h"
#include "parallo/furniture.h"
#include "parallo/parallo.h"

namespace parallo {
namespace cli {

/// Everything the command knows after reading a configuration.
struct Frame {
    std::unique_ptr<ParalloCls> service = std::make_unique<ParalloCls>();
    /// The options the service was configured from (read from the JSON for the command).
    FurnitureOptions options;
    /// The map view's definition as written (a text or a PROJJSON object).
    Json mapViewDefinition;
    /// The methods to run, in order.
    std::vector<std::string> calls;
    /// The neatline stroke distance handed to the service (the service has no getter for it).
    double neatlineStrokeDistance = 0.0;
    std::int32_t neatlineExtentsType = 0;
    std::int32_t gridIntervalsType = 0;
    std::int32_t labelDisplayType = 0;
    bool geographicDDMMSS = false;
    /// "degree" or "radian".
    bool anglesInDegrees = true;
    /// The unit projected corners are written in ("metre", "US survey foot"); empty when the
    /// neatline system has no linear unit.
    std::string neatlineLinearUnit;
    /// The unit grid values (Interval, GridOffset) are written in, and how many of the service's
    /// units (metres, or radians for a geographic grid) one of them is; 0 when unknown.
    std::string gridUnit;
    double gridUnitInService = 0.0;
    /// Whether the labels are laid out (boxes measured, overprinting labels hidden).
    bool labelLayout = true;
    /// The scale denominator labels are measured at; 0 when unset (the SVG's drawing scale).
    double mapScale = 0.0;
    /// Ground metres per map-view unit (1 when the map view has no linear unit).
    double mapUnitMetres = 1.0;
    /// Which side of the neatline the labels belong on (the service does not read it back).
    pxgrdLabelPosition labelPosition = pxgrdLabelPosition_Outside;
};

/// The methods a configuration may name in `calls`, and the default list for a configured
/// service (frame bars and frame ticks only when its properties ask for them).
const std::vector<std::string> &KnownCalls();
std::vector<std::string> DefaultCalls(const ParalloCls &service);
/// The command's StrokeTolerance when the configuration strokes nothing by hand, as a fraction
/// of the frame's size in the map view.
constexpr double kDefaultStrokeFraction = 1e-5;

/// Every top-level key the reader accepts.
const std::vector<std::string> &KnownKeys();

/// Reads a parsed configuration into a new Frame. Raises ConfigError naming the first offending
/// key; never any other exception type for a bad configuration.
Frame ReadConfig(const Json &config);

/// A host's options into a new Frame, checked and converted as ReadConfig checks and converts the
/// same values; raises ConfigError naming the offending key as the JSON path the command would.
Frame ConfigureFrame(const FurnitureOptions &options);

/// The keys a host's options set, in the order of KnownKeys: an optional that holds a value, or
/// a value other than FurnitureOptions' default. ConfigureFrame hands on only these.
std::vector<std::string> KeysSetBy(const FurnitureOptions &options);

} // namespace cli
} // namespace parallo

#endif
