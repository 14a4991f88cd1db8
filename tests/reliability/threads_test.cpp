// Service objects on different threads are independent: eight of them on eight different frames
// (projected and geographic grids, rotated and curved views, a frame across the 180° meridian),
// run at once, give exactly what each gives alone. The positional tolerance of the geometry-math
// library and the PROJ contexts and caches are per thread. With -DPARALLO_TSAN=ON this is also
// the ThreadSanitizer's test.
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "results.h"

namespace parallo_reliability {
namespace {

using parallo_test::FrameLayout;

TEST(Threads, EightServicesOnEightThreadsGiveExactlyWhatEachGivesAlone) {
    std::vector<FrameLayout> frames = {
        parallo_test::UtmSheetOnLaea(),     parallo_test::UtmSheetOnWebMercator(),
        parallo_test::UtmSheetOnUtm33(),    parallo_test::GraticuleOnWebMercator(),
        parallo_test::PacificOnProjected(), parallo_test::PacificOnGeographic(),
        parallo_test::UtmSheetOnLaea(),     parallo_test::GraticuleOnWebMercator()};
    // Two more: a coarser UTM grid on its own system, and the graticule at 2° on UTM 33.
    frames[6].mapView = "EPSG:32632";
    frames[6].intervalX = 5000.0;
    frames[6].intervalY = 2500.0;
    frames[7].mapView = "EPSG:32633";
    frames[7].intervalX = frames[7].intervalY = 2.0;
    frames[7].tickLength = 2000.0;
    frames[7].crossLength = 3000.0;

    std::vector<std::string> alone;
    int labelled = 0;
    for (const FrameLayout &layout : frames) {
        alone.push_back(RunWholeFrame(layout));
        const std::string &result = alone.back();
        SCOPED_TRACE(layout.mapView);
        // Real results, not a uniform failure: lines, labels on most frames, and no report at all.
        const std::size_t report = result.find("\nreport ");
        EXPECT_EQ(report, std::string::npos) << result.substr(report == std::string::npos ? 0 : report, 400);
        EXPECT_GT(result.size(), 10000u);
        labelled += result.find("\nlabels 1\n") != std::string::npos;
    }
    EXPECT_GE(labelled, 6);

    // Several rounds, all threads released together, so that the calls overlap.
    constexpr std::size_t kRounds = 3;
    std::vector<std::vector<std::string>> together(frames.size(), std::vector<std::string>(kRounds));
    std::atomic<std::size_t> ready{0};
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < frames.size(); ++i) {
        threads.emplace_back([&, i] {
            ready.fetch_add(1);
            while (ready.load() < frames.size())
                std::this_thread::yield();
            for (std::string &result : together[i])
                result = RunWholeFrame(frames[i]);
        });
    }
    for (std::thread &t : threads)
        t.join();
    for (std::size_t i = 0; i < frames.size(); ++i)
        for (std::size_t round = 0; round < kRounds; ++round)
            EXPECT_TRUE(together[i][round] == alone[i])
                << frames[i].name << " " << frames[i].mapView << " round " << round;
}

} // namespace
} // namespace parallo_reliability
