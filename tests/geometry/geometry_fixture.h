// Shared set-up of the geometry tests: the narrow inputs of the geometry procedures on an identity
// grid system, with a reporter that collects every failure report.
#ifndef PARALLO_TESTS_GEOMETRY_FIXTURE_H
#define PARALLO_TESTS_GEOMETRY_FIXTURE_H

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "geometry/geometry.h"
#include "parallo/planicalc.h"
#include "platform/angles.h"
#include "support/checks.h"
#include "support/coordkit_double.h"

namespace geometry_test {

using parallo::platform::kPi;

struct Report {
    std::string description, trace, title;
};

/// The three texts of a report in one string, "description|trace|title", for one comparison.
inline std::string Texts(const Report &r) { return r.description + "|" + r.trace + "|" + r.title; }

class GeometryTest : public ::testing::Test {
protected:
    void SetUp() override {
        reporter.observer = [this](const std::string &d, const std::string &t, const std::string &title) {
            reports.push_back({d, t, title});
        };
        planicalc::TRGSetPositionalTolerance(0.0);
    }
    /// The inputs of the intersection procedures.
    parallo::detail::IntersectionGrid Grid() const {
        return {reporter, gridSystem, intervalsType, pointTolerance};
    }
    /// The inputs of the angle procedures.
    parallo::detail::AngleFrame Frame() const { return {reporter, mapViewSystem, intervalsType}; }

    parallo::detail::Reporter reporter;
    std::shared_ptr<parallo_test::CoordSystemDouble> grid = parallo_test::MakeIdentitySystem();
    parallo::detail::CoordSystemPtr gridSystem = grid;
    parallo::detail::CoordSystemPtr mapViewSystem;
    std::int32_t intervalsType = 0;
    double pointTolerance = 0.0001;
    parallo::GridLabelTypeConstants labelType = parallo::PXltEdge;
    std::int32_t extentsType = 0;
    std::vector<Report> reports;
};

} // namespace geometry_test

#endif
