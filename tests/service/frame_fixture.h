// Shared helpers of the frame tests: a log of failure reports, points, degrees and real systems.
#ifndef PARALLO_TESTS_FRAME_FIXTURE_H
#define PARALLO_TESTS_FRAME_FIXTURE_H

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "parallo/coordkit_proj.h"
#include "parallo/parallo.h"
#include "platform/angles.h"
#include "service/state.h"

namespace frametest {

using parallo::detail::ServiceState;
using shapekit::Point;

struct Report {
    std::string description, trace, title;
};

/// The three texts of a report in one string, "description|trace|title", for one comparison.
inline std::string Texts(const Report &r) { return r.description + "|" + r.trace + "|" + r.title; }

/// Records every report of the reporter (or service state) it is attached to.
struct ReportLog {
    std::vector<Report> reports;
    void Attach(parallo::detail::Reporter &r) {
        r.observer = [this](const std::string &d, const std::string &t, const std::string &title) {
            reports.push_back({d, t, title});
        };
    }
};

inline std::shared_ptr<Point> P(double x, double y) { return std::make_shared<Point>(x, y); }

using XY = std::vector<std::pair<double, double>>;

/// The vertices of a polygon, for one comparison.
inline XY Vertices(const shapekit::PolygonGeometry &polygon) {
    XY xy;
    for (const Point &pt : polygon.Points())
        xy.emplace_back(pt.x, pt.y);
    return xy;
}

inline double Rad(double degrees) { return parallo::platform::DegreesToRadians(degrees); }

/// Neatline, map-view and grid systems from PROJ definitions (the grid defaults to the neatline's).
inline void UseSystems(ServiceState &s, const std::string &neatline, const std::string &mapView,
                       const std::string &grid = std::string()) {
    s.MapViewCoordSystem = coordkit::CreateProjCoordSystem(mapView);
    s.NeatlineCoordSystem = coordkit::CreateProjCoordSystem(neatline);
    s.GridCoordSystem = coordkit::CreateProjCoordSystem(grid.empty() ? neatline : grid);
    s.CoordSystemsMgr = coordkit::CreateProjCoordSystemsMgr(s.MapViewCoordSystem);
}

} // namespace frametest

#endif
