// A generation method that fails keeps every result it had not yet replaced: the previous
// GridGeometry, CrossGeometry, NeatlinePolygon, BorderPolygon and LabelsCollection are the same
// objects with the same contents after a call that failed, and an object the host still holds is
// never written into by a later call.
#include <functional>
#include <limits>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "results.h"

namespace parallo_reliability {
namespace {

using parallo::ParalloCls;
using shapekit::Point;
using Method = void (ParalloCls::*)(std::int32_t &) noexcept;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

/// The results a service holds at one moment.
struct Held {
    explicit Held(const ParalloCls &s)
        : lines(s.GridGeometry()), crosses(s.CrossGeometry()), neatline(s.NeatlinePolygon()),
          border(s.BorderPolygon()), labels(s.LabelsCollection()) {}
    /// Their contents now, exactly.
    std::string Text() const {
        return Exact(lines.get()) + "|" + Exact(crosses.get()) + "|" + Exact(neatline.get()) + "|" +
               Exact(border.get()) + "|" + Exact(labels.get());
    }
    std::shared_ptr<shapekit::Geometry> lines, crosses, neatline, border;
    std::shared_ptr<parallo::GridLabels> labels;
};

const std::pair<Method, const char *> kMethods[] = {{&ParalloCls::CreateGridlines, "Create_Gridlines Error"},
                                                    {&ParalloCls::CreateTicksCrosses, "CreateTicksCrosses"},
                                                    {&ParalloCls::CreateLabels, "Create_Labels Error"}};

/// A way of spoiling a frame so that the next call fails. CreateLabels fails on each; `early`
/// when before it has begun its fresh collection (otherwise the service then holds that one).
/// The grid generators fail on those marked `grid`.
struct Spoiler {
    const char *name;
    bool grid, early;
    std::function<void(ParalloCls &)> spoil;
};

TEST(NothingLost, AGeneratorFailingOnASpoiledFrameKeepsEveryResult) {
    const auto interval = [](double x, double y) {
        return [x, y](ParalloCls &s) { s.SetInterval(std::make_shared<Point>(x, y)); };
    };
    const Spoiler spoilers[] = {
        {"no grid system", true, true, [](ParalloCls &s) { s.SetGridCoordSystem(nullptr); }},
        {"no neatline system", false, true, [](ParalloCls &s) { s.SetNeatlineCoordSystem(nullptr); }},
        {"no manager", true, true, [](ParalloCls &s) { s.SetCoordSystemsMgr(nullptr); }},
        {"a manager without a workspace", true, true,
         [](ParalloCls &s) { s.SetCoordSystemsMgr(std::make_shared<coordkit::CoordSystemsMgr>()); }},
        {"no interval", true, false, [](ParalloCls &s) { s.SetInterval(nullptr); }},
        {"no grid offset", true, false, [](ParalloCls &s) { s.SetGridOffset(nullptr); }},
        {"no skip interval", true, false, [](ParalloCls &s) { s.SetSkipInterval(nullptr); }},
        {"negative interval", true, false, interval(-1.0, -1.0)},
        {"zero interval", true, false, interval(0.0, 0.0)},
        {"NaN interval", true, false, interval(kNaN, 1000.0)},
        {"no neatline polygon", true, false, [](ParalloCls &s) { s.SetNeatlinePolygon(nullptr); }},
        {"empty neatline polygon", true, false,
         [](ParalloCls &s) { s.SetNeatlinePolygon(std::make_shared<shapekit::PolygonGeometry>()); }},
    };
    for (const auto &[method, title] : kMethods) {
        const bool labels = method == static_cast<Method>(&ParalloCls::CreateLabels);
        for (const Spoiler &spoiler : spoilers) {
            if (!labels && !spoiler.grid) continue;
            SCOPED_TRACE(std::string(title) + ": " + spoiler.name);
            auto frame = MakeLabelledFrame(parallo_test::UtmSheetOnLaea());
            ParalloCls &s = frame->service;
            std::int32_t ret = 0;
            s.CreateBorder(ret);
            (s.*method)(ret);
            ASSERT_TRUE(frame->reports.empty() && (s.GridGeometry() || s.LabelsCollection()));
            const Held before(s);
            const std::string text = before.Text();

            spoiler.spoil(s);
            (s.*method)(ret);
            ASSERT_FALSE(frame->reports.empty()) << "the failure is reported";
            for (const std::string &r : frame->reports)
                EXPECT_EQ(r.rfind(title, 0), 0u) << r;
            EXPECT_TRUE(before.Text() == text) << "a held result was written into";
            const Held now(s);
            EXPECT_TRUE(now.lines == before.lines && now.crosses == before.crosses &&
                        now.border == before.border);
            EXPECT_TRUE(now.labels == before.labels || (labels && !spoiler.early));
            EXPECT_TRUE(now.neatline == before.neatline ||
                        std::string(spoiler.name).find("polygon") != std::string::npos);
        }
    }
}

TEST(NothingLost, ALaterCallThatSucceedsMakesNewResultsAndLeavesTheHeldOnes) {
    for (const auto &[method, title] : kMethods) {
        SCOPED_TRACE(title);
        auto frame = MakeLabelledFrame(parallo_test::UtmSheetOnLaea());
        ParalloCls &s = frame->service;
        std::int32_t ret = 0;
        (s.*method)(ret);
        const Held before(s);
        const std::string text = before.Text();
        s.SetInterval(std::make_shared<Point>(2000.0, 2000.0));
        (s.*method)(ret);
        EXPECT_TRUE(frame->reports.empty());
        EXPECT_TRUE(before.Text() == text);
        EXPECT_NE(Held(s).Text(), text);
    }
}

TEST(NothingLost, AFailingCreateBorderKeepsItsPolygon) {
    // (A failing CreateNeatline is in the bounds tests.)
    auto frame = MakeLabelledFrame(parallo_test::UtmSheetOnLaea());
    std::int32_t ret = 0;
    frame->service.CreateBorder(ret);
    const Held before(frame->service);
    const std::string text = before.Text();
    frame->service.SetBorderOffsetTop(kNaN);
    frame->service.CreateBorder(ret);
    EXPECT_FALSE(frame->reports.empty());
    EXPECT_TRUE(frame->service.BorderPolygon() == before.border && before.Text() == text);
}

} // namespace
} // namespace parallo_reliability
