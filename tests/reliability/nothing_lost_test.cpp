// A generation method that fails keeps every result it had not yet replaced: the previous
// GridGeometry, CrossGeometry, NeatlinePolygon, BorderPolygon and LabelsCollection are the same
// objects with the same contents after a call that failed, and a collection the host still holds
// is never written into by a later call.
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
    const char *name;
    std::function<void(ParalloCls &)> spoil;
};

class NothingLost : public ::testing::Test {
protected:
    void SetUp() override { Fresh(); }
    void Fresh() {
        frame_ = MakeLabelledFrame(parallo_test::UtmSheetOnLaea());
        ASSERT_TRUE(frame_->reports.empty());
    }
    ParalloCls &s() { return frame_->service; }
    std::vector<std::string> &reports() { return frame_->reports; }
    std::unique_ptr<parallo_test::Frame> frame_;
};

TEST_F(NothingLost, GridAndCrossGeometrySurviveAFailingCreateGridlinesOrCreateTicksCrosses) {
    const Spoiler spoilers[] = {
        {"no grid system", [](ParalloCls &s) { s.SetGridCoordSystem(nullptr); }},
        {"no manager", [](ParalloCls &s) { s.SetCoordSystemsMgr(nullptr); }},
        {"no interval", [](ParalloCls &s) { s.SetInterval(nullptr); }},
        {"no grid offset", [](ParalloCls &s) { s.SetGridOffset(nullptr); }},
        {"no skip interval", [](ParalloCls &s) { s.SetSkipInterval(nullptr); }},
        {"negative interval",
         [](ParalloCls &s) { s.SetInterval(std::make_shared<Point>(-1000.0, -1000.0)); }},
        {"zero interval", [](ParalloCls &s) { s.SetInterval(std::make_shared<Point>(0.0, 0.0)); }},
        {"NaN interval", [](ParalloCls &s) { s.SetInterval(std::make_shared<Point>(kNaN, 1000.0)); }},
        {"no neatline polygon", [](ParalloCls &s) { s.SetNeatlinePolygon(nullptr); }},
        {"empty neatline polygon",
         [](ParalloCls &s) { s.SetNeatlinePolygon(std::make_shared<shapekit::PolygonGeometry>()); }},
    };
    using Method = void (ParalloCls::*)(std::int32_t &) noexcept;
    const std::pair<Method, const char *> methods[] = {
        {&ParalloCls::CreateGridlines, "Create_Gridlines Error"},
        {&ParalloCls::CreateTicksCrosses, "CreateTicksCrosses"}};
    for (const auto &[method, title] : methods) {
        for (const Spoiler &spoiler : spoilers) {
            SCOPED_TRACE(std::string(title) + ": " + spoiler.name);
            Fresh();
            std::int32_t ret = 0;
            (s().*method)(ret);
            ASSERT_TRUE(reports().empty());
            const auto lines = s().GridGeometry(), crosses = s().CrossGeometry();
            const auto neatline = s().NeatlinePolygon();
            ASSERT_TRUE(lines && lines->Count() > 0);
            const std::string before = Exact(lines.get()) + Exact(crosses.get()),
                              neatlineBefore = Exact(neatline.get());

            spoiler.spoil(s());
            (s().*method)(ret);
            ASSERT_FALSE(reports().empty()) << "the failure is reported";
            for (const std::string &r : reports())
                EXPECT_EQ(r.rfind(title, 0), 0u) << r;
            EXPECT_EQ(s().GridGeometry(), lines);
            EXPECT_EQ(s().CrossGeometry(), crosses);
            EXPECT_TRUE(Exact(s().GridGeometry().get()) + Exact(s().CrossGeometry().get()) == before);
            if (std::string(spoiler.name).find("neatline") == std::string::npos) {
                EXPECT_EQ(s().NeatlinePolygon(), neatline);
                EXPECT_TRUE(Exact(s().NeatlinePolygon().get()) == neatlineBefore);
            }
        }
    }
}

TEST_F(NothingLost, LabelsSurviveAFailingCreateLabelsAndAHeldCollectionIsNeverWritten) {
    const Spoiler spoilers[] = {
        {"no grid system", [](ParalloCls &s) { s.SetGridCoordSystem(nullptr); }},
        {"no neatline system", [](ParalloCls &s) { s.SetNeatlineCoordSystem(nullptr); }},
        {"no manager", [](ParalloCls &s) { s.SetCoordSystemsMgr(nullptr); }},
        {"a manager without a workspace",
         [](ParalloCls &s) { s.SetCoordSystemsMgr(std::make_shared<coordkit::CoordSystemsMgr>()); }},
        // Fails after it has begun its fresh collection: the held one keeps its labels.
        {"negative interval (late)",
         [](ParalloCls &s) { s.SetInterval(std::make_shared<Point>(-1.0, -1.0)); }},
    };
    for (const Spoiler &spoiler : spoilers) {
        SCOPED_TRACE(spoiler.name);
        Fresh();
        std::int32_t ret = 0;
        s().CreateLabels(ret);
        const auto labels = s().LabelsCollection();
        ASSERT_TRUE(reports().empty() && labels && labels->Count() > 0);
        const std::string before = Exact(labels.get());

        spoiler.spoil(s());
        s().CreateLabels(ret);
        ASSERT_FALSE(reports().empty());
        for (const std::string &r : reports())
            EXPECT_EQ(r.rfind("Create_Labels Error", 0), 0u) << r;
        const bool late = std::string(spoiler.name).find("late") != std::string::npos;
        EXPECT_TRUE(late || s().LabelsCollection() == labels);
        EXPECT_TRUE(Exact(labels.get()) == before);
    }
    // A later call that succeeds makes a new collection and leaves the held one as it was.
    Fresh();
    std::int32_t ret = 0;
    s().CreateLabels(ret);
    const auto held = s().LabelsCollection();
    const std::string before = Exact(held.get());
    s().SetInterval(std::make_shared<Point>(2000.0, 2000.0));
    s().CreateLabels(ret);
    EXPECT_NE(s().LabelsCollection(), held);
    EXPECT_TRUE(Exact(held.get()) == before);
}

TEST_F(NothingLost, AFailingCreateNeatlineOrCreateBorderKeepsTheirPolygons) {
    std::int32_t ret = 0;
    s().CreateBorder(ret);
    const auto neatline = s().NeatlinePolygon(), border = s().BorderPolygon();
    const std::string neatlineBefore = Exact(neatline.get()), borderBefore = Exact(border.get());
    // A stroke distance so small that the stroked ring would pass 32767 points.
    s().SetNeatlineStrokeDistance(1e-3);
    s().SetbForceStroking(true);
    s().CreateNeatline(ret);
    EXPECT_FALSE(reports().empty());
    EXPECT_EQ(s().NeatlinePolygon(), neatline);
    EXPECT_TRUE(Exact(s().NeatlinePolygon().get()) == neatlineBefore);
    reports().clear();
    s().SetBorderOffsetTop(kNaN);
    s().CreateBorder(ret);
    EXPECT_FALSE(reports().empty());
    EXPECT_EQ(s().BorderPolygon(), border);
    EXPECT_TRUE(Exact(s().BorderPolygon().get()) == borderBefore);
}

} // namespace
} // namespace parallo_reliability
