// The service object: failures silent until a host installs an observer, which can never break a
// method's promise not to throw; the host's objects kept by reference, never copied; moves; the
// border rectangle around the neatline's map-view bounding box.
#include <gtest/gtest.h>

#include <array>
#include <limits>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "service/frame_fixture.h"

namespace {

using namespace parallo;
using frametest::ReportLog;
using frametest::Texts;
using frametest::XY;
using shapekit::Point;

TEST(ErrorObserver, ReceivesTheThreeTextsOnlyWhileInstalledAndItsThrowsAreSwallowed) {
    ParalloCls service;
    detail::ServiceState &s = detail::StateAccess::Of(service);
    EXPECT_FALSE(static_cast<bool>(s.observer));
    s.ReportError("Overflow", "x", "y Error"); // no observer: no effect, no throw
    ReportLog log;
    log.Attach(s);
    s.ReportError("Overflow", "Transform Neatline geometry to MapView", "CreateNeatline Error");
    service.SetErrorObserver(ErrorObserver()); // removing it restores the silence
    s.ReportError("Overflow", "x", "y Error");
    ASSERT_EQ(log.reports.size(), 1u);
    EXPECT_EQ(Texts(log.reports[0]), "Overflow|Transform Neatline geometry to MapView|CreateNeatline Error");

    int calls = 0;
    service.SetErrorObserver([&calls](const std::string &, const std::string &, const std::string &) {
        if (++calls == 1) throw std::runtime_error("host failure");
        throw 42; // not even an exception class
    });
    EXPECT_NO_THROW(s.ReportError("a", "b", "c"));
    EXPECT_NO_THROW(s.ReportError("a", "b", "c"));
    service.CreateNeatline(); // a throw escaping a generation method would end the test program
    EXPECT_EQ(calls, 3);
}

// A generation method on a new object fails at its first use of a missing object: the host
// learns of it through the observer, and the method still returns normally.
TEST(ErrorObserver, GenerationMethodOnANewServiceReportsAndReturns) {
    ParalloCls service;
    ReportLog log;
    log.Attach(detail::StateAccess::Of(service));
    std::int32_t retVal = 17;
    service.CreateNeatline(retVal);
    EXPECT_EQ(retVal, 17); // CreateNeatline leaves RetVal as passed
    ASSERT_EQ(log.reports.size(), 1u);
    EXPECT_EQ(Texts(log.reports[0]),
              "Object variable or With block variable not set|Setting up "
              "CreateSimpleTransFromCSMtoCS from Neatline to workspace|CreateNeatline Error");
    EXPECT_EQ(service.NeatlinePolygon(), nullptr); // nothing was written before the failure
    service.CreateLabels();                        // nor does a later generator throw
}

TEST(ErrorObserver, DescribesTheExceptionInFlight) {
    const auto describe = [](auto &&raise) {
        try {
            raise();
        } catch (...) {
            return detail::DescribeCurrentException();
        }
        return std::string("nothing thrown");
    };
    EXPECT_EQ(describe([] { Raise(kDivisionByZero); }), "Division by zero");
    EXPECT_EQ(describe([] { RaiseOwn("Interval is zero", "Create_Gridlines"); }), "Interval is zero");
    EXPECT_EQ(describe([] { throw std::runtime_error("engine"); }), "engine");
    EXPECT_EQ(describe([] { throw std::bad_alloc(); }), "Out of memory");
    EXPECT_EQ(describe([] { throw 3; }), "Unknown failure");
}

TEST(ServiceReferences, TheHostsObjectsAreSharedNotCopiedAndReleasedWithTheService) {
    auto interval = std::make_shared<Point>(1000.0, 500.0);
    auto lowerLeft = std::make_shared<Point>(1.0, 2.0);
    auto font = std::make_shared<StdFont>();
    auto part = std::make_shared<LabelPartCls>();
    part->SetFont(font);
    {
        ParalloCls service;
        service.SetInterval(interval);
        interval->x = 250.0; // changed by the host, no SetInterval again: the next call sees it
        double stroke = -1.0;
        service.Set_DefaultStrokingGrid(stroke);
        EXPECT_EQ(stroke, 25.0); // a tenth of the x interval

        service.SetNeatlineLowerLeft(lowerLeft);
        service.NeatlineLowerLeft()->y = 9.0; // through the getter: the host's point itself
        EXPECT_EQ(lowerLeft->y, 9.0);
        service.SetLabelPartA(part);
        service.SetLabelPartUnit(part); // one part object may stand for several parts
        font->Size = 14.0;
        EXPECT_EQ(service.LabelPartUnit()->Font()->Size, 14.0);
        service.SetNeatlineLowerLeft(nullptr); // a reference can be unset again
        EXPECT_EQ(lowerLeft.use_count(), 1);
    }
    EXPECT_EQ(part.use_count(), 1);
    EXPECT_EQ(interval.use_count(), 1);
}

// Side starts are counts kept as numbers and read as plain decimal text, without the sign space.
TEST(ServiceReferences, SideStartsReadWithoutASignSpace) {
    ParalloCls service;
    EXPECT_EQ(service.NeatlineStartTop(), "0");
    detail::StateAccess::Of(service).NeatlineStartBottom = 32767;
    EXPECT_EQ(service.NeatlineStartBottom(), "32767");
}

TEST(ServiceReferences, MovedServiceKeepsItsStateAndTheSourceReadsAsNew) {
    ParalloCls first;
    auto interval = std::make_shared<Point>(40.0, 0.0);
    first.SetInterval(interval);
    first.SetTickLength(3.0);
    ParalloCls second(std::move(first));
    EXPECT_EQ(second.Interval(), interval);
    EXPECT_EQ(second.TickLength(), 3.0);

    // A moved-from service reads as a new one and its methods run without failing hard.
    EXPECT_EQ(first.Interval(), nullptr); // NOLINT(bugprone-use-after-move)
    EXPECT_EQ(first.TickLength(), 0.0);
    double stroke = 7.0;
    first.Set_DefaultStrokingGrid(stroke);
    EXPECT_EQ(stroke, 7.0);
    first.CreateBorder();

    ParalloCls third;
    third = std::move(second);
    EXPECT_EQ(third.Interval(), interval);
    second.SetTickLength(1.0); // NOLINT(bugprone-use-after-move)
    EXPECT_EQ(second.TickLength(), 1.0);
}

TEST(Border, EachSideMovesByItsOwnOffsetAndAnOverflowKeepsTheLastBorder) {
    ParalloCls service;
    auto &s = detail::StateAccess::Of(service);
    ReportLog log;
    log.Attach(s);
    // Outward for positive offsets; crossed offsets (third row) are stored as built.
    const struct {
        std::array<double, 4> range;
        double left, bottom, right, top;
        XY expected;
    } cases[] = {{{{0, 0, 0, 0}}, 1, 2, 3, 4, {{-1, -2}, {-1, 4}, {3, 4}, {3, -2}, {-1, -2}}},
                 {{{0, 0, 100, 50}}, 5, 6, 7, 8, {{-5, -6}, {-5, 58}, {107, 58}, {107, -6}, {-5, -6}}},
                 {{{0, 0, 10, 10}}, -8, 0, -8, 0, {{8, 0}, {8, 10}, {2, 10}, {2, 0}, {8, 0}}}};
    for (const auto &c : cases) {
        s.NeatlineRangeMapView = c.range;
        service.SetBorderOffsetLeft(c.left);
        service.SetBorderOffsetBottom(c.bottom);
        service.SetBorderOffsetRight(c.right);
        service.SetBorderOffsetTop(c.top);
        service.CreateBorder();
        EXPECT_EQ(frametest::Vertices(*service.BorderPolygon()), c.expected);
    }
    const auto previous = service.BorderPolygon();
    s.NeatlineRangeMapView[2] = std::numeric_limits<double>::max();
    service.SetBorderOffsetRight(std::numeric_limits<double>::max());
    service.CreateBorder();
    EXPECT_EQ(service.BorderPolygon(), previous);
    ASSERT_EQ(log.reports.size(), 1u);
    EXPECT_EQ(Texts(log.reports[0]), "Overflow|In CreateBorder|CreateBorder Error");
}

} // namespace
