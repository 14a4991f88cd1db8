// Shared set-up of the geometry tests: a service state on an identity grid system that collects
// every failure report.
#ifndef PARALLO_TESTS_GEOMETRY_FIXTURE_H
#define PARALLO_TESTS_GEOMETRY_FIXTURE_H

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "geometry/geometry.h"
#include "parallo/planicalc.h"
#include "service/state.h"
#include "support/coordkit_double.h"

namespace geometry_test {

constexpr double kPi = 3.14159265358979323846;

struct Report {
    std::string description, trace, title;
};

class GeometryTest : public ::testing::Test {
protected:
    void SetUp() override {
        s.GridCoordSystem = grid;
        s.GridIntervalsType = 0;
        s.dPointTolerance = 0.0001;
        s.observer = [this](const std::string &d, const std::string &t, const std::string &title) {
            reports.push_back({d, t, title});
        };
        planicalc::TRGSetPositionalTolerance(0.0);
    }
    parallo::detail::ServiceState s;
    std::shared_ptr<parallo_test::CoordSystemDouble> grid = parallo_test::MakeIdentitySystem();
    std::vector<Report> reports;
};

} // namespace geometry_test

#endif
