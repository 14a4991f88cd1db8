// Failure reports: silent by default, handed to the host's observer when one is installed, and
// never able to break a method's promise not to throw.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "parallo/parallo.h"
#include "service/state.h"

namespace {

using namespace parallo;

struct Report {
    std::string description, trace, title;
};

ErrorObserver Recorder(std::vector<Report> &reports) {
    return [&reports](const std::string &description, const std::string &trace, const std::string &title) {
        reports.push_back({description, trace, title});
    };
}

TEST(ErrorObserver, ReceivesTheThreeTextsOnlyWhileInstalled) {
    ParalloCls service;
    detail::ServiceState &s = detail::StateAccess::Of(service);
    s.ReportError("Overflow", "x", "y Error"); // no observer: no effect, no throw
    std::vector<Report> reports;
    service.SetErrorObserver(Recorder(reports));
    s.ReportError("Overflow", "Transform Neatline geometry to MapView", "CreateNeatline Error");
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].description, "Overflow");
    EXPECT_EQ(reports[0].trace, "Transform Neatline geometry to MapView");
    EXPECT_EQ(reports[0].title, "CreateNeatline Error");
    service.SetErrorObserver(ErrorObserver()); // removing it restores the silence
    s.ReportError("Overflow", "x", "y Error");
    EXPECT_EQ(reports.size(), 1u);
}

TEST(ErrorObserver, WhatTheObserverThrowsIsSwallowed) {
    ParalloCls service;
    int calls = 0;
    service.SetErrorObserver([&calls](const std::string &, const std::string &, const std::string &) {
        ++calls;
        throw std::runtime_error("host failure");
    });
    EXPECT_NO_THROW(detail::StateAccess::Of(service).ReportError("a", "b", "c"));
    service.SetErrorObserver([&calls](const std::string &, const std::string &, const std::string &) {
        ++calls;
        throw 42; // not even an exception class
    });
    EXPECT_NO_THROW(detail::StateAccess::Of(service).ReportError("a", "b", "c"));
    EXPECT_EQ(calls, 2);
    service.CreateNeatline(); // a throw escaping a generation method would end the test program
    service.CreateBorder();
}

// A generation method on a new object fails at its first use of a missing object: the host
// learns of it through the observer, and the method still returns normally.
TEST(ErrorObserver, GenerationMethodReportsAndReturns) {
    ParalloCls service;
    std::vector<Report> reports;
    service.SetErrorObserver(Recorder(reports));
    std::int32_t retVal = 17;
    service.CreateNeatline(retVal);
    EXPECT_EQ(retVal, 17); // CreateNeatline leaves RetVal as passed
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].description, "Object variable or With block variable not set");
    EXPECT_FALSE(reports[0].trace.empty());
    EXPECT_EQ(reports[0].title, "CreateNeatline Error");
    EXPECT_EQ(service.NeatlinePolygon(), nullptr); // nothing was written before the failure
    EXPECT_EQ(service.Status(), 0);                // Status never changes, failure or not
    service.CreateLabels();
    EXPECT_EQ(service.LabelGeometry(), nullptr); // stays no object after CreateLabels
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

} // namespace
