// A generation method that fails keeps every result it had not yet replaced: the previous
// GridGeometry, CrossGeometry, NeatlinePolygon and LabelsCollection are the same objects with the
// same contents after a call that failed before writing them, and a collection the host still
// holds is never written into by a later call.
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "results.h"

namespace parallo_reliability {
namespace {

using parallo::ParalloCls;
using shapekit::Point;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

/// One way of spoiling a frame so that the next call fails before it writes its result.
struct Spoiler {
    const char* name;
    std::function<void(ParalloCls&)> spoil;
};

std::vector<Spoiler> GridSpoilers() {
    return {
        {"no grid system", [](ParalloCls& s) { s.SetGridCoordSystem(nullptr); }},
        {"no manager", [](ParalloCls& s) { s.SetCoordSystemsMgr(nullptr); }},
        {"no interval", [](ParalloCls& s) { s.SetInterval(nullptr); }},
        {"no grid offset", [](ParalloCls& s) { s.SetGridOffset(nullptr); }},
        {"no skip interval", [](ParalloCls& s) { s.SetSkipInterval(nullptr); }},
        {"negative interval", [](ParalloCls& s) { s.SetInterval(std::make_shared<Point>(-1000.0, -1000.0)); }},
        {"zero interval", [](ParalloCls& s) { s.SetInterval(std::make_shared<Point>(0.0, 0.0)); }},
        {"NaN interval", [](ParalloCls& s) { s.SetInterval(std::make_shared<Point>(kNaN, 1000.0)); }},
        {"no neatline polygon", [](ParalloCls& s) { s.SetNeatlinePolygon(nullptr); }},
        {"empty neatline polygon", [](ParalloCls& s) { s.SetNeatlinePolygon(std::make_shared<shapekit::PolygonGeometry>()); }},
    };
}

class NothingLost : public ::testing::Test {
protected:
    void SetUp() override {
        frame_ = MakeLabelledFrame(parallo_test::UtmSheetOnLaea());
        ASSERT_TRUE(frame_->reports.empty());
    }
    ParalloCls& s() { return frame_->service; }
    std::vector<std::string>& reports() { return frame_->reports; }
    std::unique_ptr<parallo_test::Frame> frame_;
};

TEST_F(NothingLost, GridGeometrySurvivesAFailingCreateGridlines) {
    for (const Spoiler& spoiler : GridSpoilers()) {
        SCOPED_TRACE(spoiler.name);
        SetUp();
        std::int32_t ret = 0;
        s().CreateGridlines(ret);
        ASSERT_TRUE(reports().empty());
        const auto lines = s().GridGeometry();
        ASSERT_TRUE(lines);
        ASSERT_GT(lines->Count(), 0);
        const std::string before = Exact(lines.get());
        const auto neatline = s().NeatlinePolygon();
        const std::string neatlineBefore = Exact(neatline.get());

        spoiler.spoil(s());
        s().CreateGridlines(ret);
        EXPECT_FALSE(reports().empty()) << "the failure is reported";
        for (const std::string& r : reports()) EXPECT_EQ(r.rfind("Create_Gridlines Error", 0), 0u) << r;
        EXPECT_EQ(s().GridGeometry(), lines);
        EXPECT_TRUE(Exact(s().GridGeometry().get()) == before);
        if (std::string(spoiler.name).find("neatline") == std::string::npos) {
            EXPECT_EQ(s().NeatlinePolygon(), neatline);
            EXPECT_TRUE(Exact(s().NeatlinePolygon().get()) == neatlineBefore);
        }
    }
}

TEST_F(NothingLost, TicksAndCrossesSurviveAFailingCreateTicksCrosses) {
    for (const Spoiler& spoiler : GridSpoilers()) {
        SCOPED_TRACE(spoiler.name);
        SetUp();
        std::int32_t ret = 0;
        s().CreateTicksCrosses(ret);
        ASSERT_TRUE(reports().empty());
        const auto ticks = s().GridGeometry();
        const auto crosses = s().CrossGeometry();
        ASSERT_TRUE(ticks && crosses);
        ASSERT_GT(crosses->Count(), 0);
        const std::string ticksBefore = Exact(ticks.get());
        const std::string crossesBefore = Exact(crosses.get());

        spoiler.spoil(s());
        s().CreateTicksCrosses(ret);
        EXPECT_FALSE(reports().empty());
        EXPECT_EQ(s().GridGeometry(), ticks);
        EXPECT_EQ(s().CrossGeometry(), crosses);
        EXPECT_TRUE(Exact(s().GridGeometry().get()) == ticksBefore);
        EXPECT_TRUE(Exact(s().CrossGeometry().get()) == crossesBefore);
    }
}

TEST_F(NothingLost, LabelsCollectionSurvivesACreateLabelsThatFailsBeforeReplacingIt) {
    const Spoiler spoilers[] = {
        {"no grid system", [](ParalloCls& s) { s.SetGridCoordSystem(nullptr); }},
        {"no neatline system", [](ParalloCls& s) { s.SetNeatlineCoordSystem(nullptr); }},
        {"no manager", [](ParalloCls& s) { s.SetCoordSystemsMgr(nullptr); }},
        {"a manager without a workspace", [](ParalloCls& s) { s.SetCoordSystemsMgr(std::make_shared<coordkit::CoordSystemsMgr>()); }},
    };
    for (const Spoiler& spoiler : spoilers) {
        SCOPED_TRACE(spoiler.name);
        SetUp();
        std::int32_t ret = 0;
        s().CreateLabels(ret);
        ASSERT_TRUE(reports().empty());
        const auto labels = s().LabelsCollection();
        ASSERT_TRUE(labels);
        ASSERT_GT(labels->Count(), 0);
        const std::string before = Exact(labels.get());

        spoiler.spoil(s());
        s().CreateLabels(ret);
        EXPECT_FALSE(reports().empty());
        for (const std::string& r : reports()) EXPECT_EQ(r.rfind("Create_Labels Error", 0), 0u) << r;
        EXPECT_EQ(s().LabelsCollection(), labels);
        EXPECT_TRUE(Exact(s().LabelsCollection().get()) == before);
    }
}

TEST_F(NothingLost, AHeldLabelsCollectionIsNeverWrittenByALaterCall) {
    std::int32_t ret = 0;
    s().CreateLabels(ret);
    const auto held = s().LabelsCollection();
    ASSERT_TRUE(held);
    const std::string before = Exact(held.get());

    // A later call that fails after it has begun its fresh collection, and one that succeeds:
    // the held collection keeps its labels either way.
    s().SetInterval(std::make_shared<Point>(-1.0, -1.0));
    s().CreateLabels(ret);
    EXPECT_FALSE(reports().empty());
    EXPECT_TRUE(Exact(held.get()) == before);
    s().SetInterval(std::make_shared<Point>(2000.0, 2000.0));
    s().CreateLabels(ret);
    EXPECT_NE(s().LabelsCollection(), held);
    EXPECT_TRUE(Exact(held.get()) == before);
}

TEST_F(NothingLost, AFailingCreateNeatlineKeepsTheNeatlineAndBorder) {
    std::int32_t ret = 0;
    s().CreateBorder(ret);
    const auto neatline = s().NeatlinePolygon();
    const auto border = s().BorderPolygon();
    const std::string neatlineBefore = Exact(neatline.get());
    const std::string borderBefore = Exact(border.get());

    // A stroke distance so small that the stroked ring would pass 32767 points.
    s().SetNeatlineStrokeDistance(1e-3);
    s().SetbForceStroking(true);
    s().CreateNeatline(ret);
    EXPECT_FALSE(reports().empty());
    EXPECT_EQ(s().NeatlinePolygon(), neatline);
    EXPECT_TRUE(Exact(s().NeatlinePolygon().get()) == neatlineBefore);
    s().SetBorderOffsetTop(kNaN);
    s().CreateBorder(ret);
    EXPECT_EQ(s().BorderPolygon(), border);
    EXPECT_TRUE(Exact(s().BorderPolygon().get()) == borderBefore);
}

} // namespace
} // namespace parallo_reliability
