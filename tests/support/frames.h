// The standard map frames of the tests, set up on real PROJ systems exactly as a host sets them
// up: manager, three coordinate systems, corners, CreateNeatline. Grid and label tests then call
// their generators on the frame's service; the benchmarks set up their own frames the same way.
// Needs nothing of the test framework, so that the benchmarks can build it too.
#ifndef PARALLO_TEST_FRAMES_H
#define PARALLO_TEST_FRAMES_H

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "parallo/coordkit.h"
#include "parallo/parallo.h"

namespace parallo_test {

/// Everything that distinguishes one frame from another. Angles are in degrees here; the fixture
/// hands them to the service in radians where the service expects radians.
struct FrameLayout {
    std::string name;
    /// PROJ definitions ("EPSG:3035", a PROJ string, ...).
    std::string mapView;
    std::string neatlineSystem;
    std::string gridSystem;
    /// Corners given as longitude/latitude degrees (NeatlineExtentsType 1, handed in as radians);
    /// otherwise in the neatline system's projection-plane metres.
    bool geographicCorners = false;
    double west = 0.0, south = 0.0, east = 0.0, north = 0.0;
    /// Neatline stroke distance in corner units (degrees when geographic); 0 leaves the neatline a
    /// plain rectangle of its four corners.
    double neatlineStroke = 0.0;
    /// Grid intervals in degrees (GridIntervalsType 1, handed in as radians) or grid metres.
    bool geographicGrid = false;
    double intervalX = 0.0, intervalY = 0.0;
    /// GridStrokeDistance in the same units as the interval; 0 lets the service choose.
    double gridStroke = 0.0;
    /// In map-view units.
    double tickLength = 0.0;
    double crossLength = 0.0;
};

/// UTM 32N grid every 1 km on a 40 km × 40 km UTM 32N sheet, shown in LAEA Europe (EPSG:3035).
FrameLayout UtmSheetOnLaea();
/// The same sheet shown in Web Mercator (EPSG:3857).
FrameLayout UtmSheetOnWebMercator();
/// The same sheet shown in UTM 33N (EPSG:32633), where the 32N grid is turned by a few degrees.
FrameLayout UtmSheetOnUtm33();
/// A 1° graticule on a 10° × 10° frame (5°E–15°E, 45°N–55°N) shown in Web Mercator.
FrameLayout GraticuleOnWebMercator();
/// A 1° graticule on a Pacific frame from 170°E to 170°W (20°S–10°S) shown in a Pacific-centred
/// Mercator (EPSG:3832, central meridian 150°E): the frame straddles the 180° meridian.
FrameLayout PacificOnProjected();
/// The same Pacific frame on a geographic map view (EPSG:4326, degrees).
FrameLayout PacificOnGeographic();

/// A service set up for one frame, after CreateNeatline.
struct Frame {
    FrameLayout layout;
    parallo::ParalloCls service;
    std::shared_ptr<coordkit::CoordSystem> mapView;
    std::shared_ptr<coordkit::CoordSystem> neatlineSystem;
    std::shared_ptr<coordkit::CoordSystem> gridSystem;
    /// Every failure report of the service, as "title | trace | description".
    std::vector<std::string> reports;
};

/// Sets up the frame as a host does: error observer; manager on the map view with the PROJ
/// transformation service; the three systems; NeatlineExtentsType, corners (and the four
/// corners in projection units), NeatlineStrokeDistance with bForceStroking when stroked;
/// GridIntervalsType, Interval, GridOffset (0, 0), SkipInterval (0, 0), GridStrokeDistance;
/// TickLength, CrossLength, GridType PXgtTicksAndCrosses, all four sides on. Generates nothing.
void SetUpFrame(Frame &frame, const FrameLayout &layout);

/// A new frame, set up and with its neatline made (CreateNeatline).
std::unique_ptr<Frame> MakeFrame(const FrameLayout &layout);

/// The transformation from the frame's map view to `target`, as the service makes it.
std::shared_ptr<coordkit::CoordTransform> FromMapView(const Frame &frame,
                                                      const std::shared_ptr<coordkit::CoordSystem> &target);

/// The label settings every labelled test frame shares: digit groups 53|10|000, hemisphere
/// letters E W N S after the value, PROJ's units service, the display type and LabelOffset given.
/// The label parts are left to the caller.
void StyleLabels(parallo::ParalloCls &service, std::int32_t displayType, double offset);

/// Degrees to radians with the library's own factor.
double Radians(double degrees);

} // namespace parallo_test

#endif
