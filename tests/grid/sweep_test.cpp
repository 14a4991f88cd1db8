// The sweep over one axis's grid values, driven directly on a working neatline in the plane:
// where each walk ends, which pieces a line through a vertex or a notch gives, skip values, and
// the edges of the per-axis and the line budgets.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "grid/sweep.h"
#include "grid_checks.h"
#include "parallo/error.h"
#include "parallo/planicalc.h"

namespace {

using parallo::detail::GridSweep;
using parallo::detail::SweepEdges;
using shapekit::Point;

/// Every line the sweep hands over: its value and the along-line ends of its pieces.
struct Recorder final : parallo::detail::SweepVisitor {
    struct Line {
        double value;
        std::vector<double> ends;
    };
    std::vector<Line> lines;
    void Line(const parallo::detail::SweepLine &line) override {
        std::vector<double> ends;
        for (std::int32_t k = 1; k <= 2 * line.Pieces(); ++k)
            ends.push_back(line.lines.vertical ? line.points.Item(k).y : line.points.Item(k).x);
        lines.push_back({line.value, ends});
    }
    std::vector<double> Values() const {
        std::vector<double> out;
        for (const auto &l : lines)
            out.push_back(l.value);
        return out;
    }
};

/// A working neatline on the identity plane, walked with interval 100 (offset and skip 0 unless
/// set), failures recorded.
struct Sweep : ::testing::Test {
    parallo::detail::Reporter reporter;
    std::vector<std::string> reports;
    parallo::detail::CoordSystemPtr plane = parallo_test::MakeIdentitySystem();
    parallo::detail::GridNeatline w;
    parallo::detail::PointPtr offset = std::make_shared<Point>(0.0, 0.0);
    parallo::detail::PointPtr skip = std::make_shared<Point>(0.0, 0.0);
    std::string trace;
    std::int32_t retVal = 0;

    void SetUp() override { reporter.observer = parallo_test::Recorder(reports); }
    void Neatline(const std::vector<Point> &ring) {
        w.workingNeatline = parallo_test::Polygon(ring);
        planicalc::TRGGetRange(*w.workingNeatline, w.pMin, w.pMax);
    }
    Recorder Walk(bool vertical, SweepEdges end = SweepEdges::Included, double step = 100.0) {
        const parallo::detail::IntersectionGrid grid{reporter, plane, 0, 0.0001};
        const parallo::detail::SweepRules rules{"Test", end, false, false, false, false};
        GridSweep sweep(w, grid, rules, trace, retVal);
        Recorder r;
        sweep.Axis(vertical, step, offset, skip, r);
        return r;
    }
};

const std::vector<Point> kSquare = gridtest::Square(0, 1000);

TEST_F(Sweep, GridLinesAndLabelsReachBothEdgesTicksStopShortOfThem) {
    Neatline(kSquare);
    const std::vector<double> through = {0, 100, 200, 300, 400, 500, 600, 700, 800, 900, 1000};
    EXPECT_EQ(Walk(true).Values(), through);
    EXPECT_EQ(Walk(true, SweepEdges::Excluded).Values(),
              std::vector<double>(through.begin() + 1, through.end() - 1));
    // Rounding noise either way of an edge changes nothing: each edge line has its one piece
    // along the whole edge (the hair inside it is two point tolerances, 2e-4).
    for (const double noise : {-1e-9, 1e-9}) {
        Neatline(
            {{noise, noise}, {noise, 1000 - noise}, {1000 - noise, 1000 - noise}, {1000 - noise, noise}});
        const Recorder r = Walk(true);
        ASSERT_EQ(r.Values().size(), through.size()) << noise;
        for (const std::size_t k : {std::size_t{0}, through.size() - 1}) {
            ASSERT_EQ(r.lines[k].ends.size(), 2u) << noise;
            EXPECT_NEAR(r.lines[k].ends[1] - r.lines[k].ends[0], 1000.0, 1e-6)
                << "noise and intersection rounding";
        }
    }
    Neatline(kSquare);
    // Skip values (0 among them) are left out; the offset moves the first value to 0, not the
    // grid.
    *skip = Point(300.0, 0.0);
    *offset = Point(50.0, 0.0);
    EXPECT_EQ(Walk(true).Values(), (std::vector<double>{100, 200, 400, 500, 700, 800, 1000}));
    EXPECT_TRUE(reports.empty());
}

TEST_F(Sweep, PiecesThroughVerticesAndNotches) {
    struct Case {
        const char *what;
        std::vector<Point> ring;
        bool vertical;
        double value;
        std::vector<double> ends; // along the line
    };
    const Case cases[] = {
        // Through the top and bottom vertices of a diamond, each met by two edges.
        {"diamond", {{500, 0}, {0, 500}, {500, 1000}, {1000, 500}}, true, 500, {0, 1000}},
        // Touching the diamond's right vertex only: no piece.
        {"diamond's vertex", {{500, 0}, {0, 500}, {500, 1000}, {1000, 500}}, true, 1000, {}},
        // Across a concave notch: two pieces.
        {"U", gridtest::UShape(), false, 700, {0, 250, 750, 1000}},
        // Only touching the tip of a notch: the touch pairs with nothing.
        {"V",
         {{0, 0}, {0, 1000}, {400, 1000}, {500, 600}, {600, 1000}, {1000, 1000}, {1000, 0}},
         false,
         600,
         {0, 1000}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Neatline(c.ring);
        bool met = false;
        for (const auto &line : Walk(c.vertical).lines) {
            if (line.value != c.value) continue;
            met = true;
            ASSERT_EQ(line.ends.size(), c.ends.size());
            for (std::size_t i = 0; i < c.ends.size(); ++i)
                EXPECT_NEAR(line.ends[i], c.ends[i], 1e-9) << "end " << i; // intersection rounding
        }
        EXPECT_TRUE(met);
    }
    EXPECT_TRUE(reports.empty());
}

TEST_F(Sweep, BudgetEdges) {
    // 0 … 100 at interval 1: an offset of 32668 puts the first value 32767 steps below the far
    // edge, which is walked; one more and the walk refuses to start.
    Neatline({{0, 0}, {0, 100}, {100, 100}, {100, 0}});
    *offset = Point(32668.0, 0.0);
    EXPECT_EQ(Walk(true, SweepEdges::Included, 1.0).lines.size(), 32768u);
    *offset = Point(32669.0, 0.0);
    EXPECT_THROW(Walk(true, SweepEdges::Included, 1.0), parallo::Error);

    // The line count is rounded in doubles: beyond any 32-bit count it is just a large number.
    EXPECT_GT(parallo::detail::EstimatedGridLines(w, Point(1e-8, 1e-8)), 1e10);
    EXPECT_EQ(parallo::detail::EstimatedGridLines(w, Point(10, 25)), 14.0);
}

} // namespace
