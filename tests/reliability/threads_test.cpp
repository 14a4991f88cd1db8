// Service objects on different threads are independent: eight of them, on eight different frames
// (projected and geographic grids, rotated and curved views, a frame across the 180° meridian),
// run at once give exactly what each gives alone. The one piece of process-wide state of the
// design, the positional tolerance of the geometry-math library, is held per thread; so are the
// PROJ contexts and caches. Built with -DPARALLO_TSAN=ON this test is also the ThreadSanitizer's.
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "results.h"

namespace parallo_reliability {
namespace {

using parallo_test::FrameLayout;

std::vector<FrameLayout> EightFrames() {
    std::vector<FrameLayout> frames = {parallo_test::UtmSheetOnLaea(),        parallo_test::UtmSheetOnWebMercator(),
                                     parallo_test::UtmSheetOnUtm33(),       parallo_test::GraticuleOnWebMercator(),
                                     parallo_test::PacificOnProjected(),    parallo_test::PacificOnGeographic()};
    // Two more: a coarser offset-free UTM grid on its own system, and the graticule at 2° on UTM 33.
    FrameLayout plain = parallo_test::UtmSheetOnLaea();
    plain.name = "utm-sheet-plain";
    plain.mapView = "EPSG:32632";
    plain.intervalX = 5000.0;
    plain.intervalY = 2500.0;
    frames.push_back(plain);
    FrameLayout graticule = parallo_test::GraticuleOnWebMercator();
    graticule.name = "graticule-on-utm33";
    graticule.mapView = "EPSG:32633";
    graticule.intervalX = 2.0;
    graticule.intervalY = 2.0;
    graticule.tickLength = 2000.0;
    graticule.crossLength = 3000.0;
    frames.push_back(graticule);
    return frames;
}

TEST(Threads, EightServicesOnEightThreadsGiveExactlyWhatEachGivesAlone) {
    const std::vector<FrameLayout> frames = EightFrames();
    ASSERT_EQ(frames.size(), 8u);

    std::vector<std::string> alone;
    for (const FrameLayout& layout : frames) alone.push_back(RunWholeFrame(layout));
    int labelled = 0;
    for (std::size_t i = 0; i < frames.size(); ++i) {
        SCOPED_TRACE(frames[i].name);
        // Real results, not a uniform failure: lines, labels, and no report at all.
        const std::size_t report = alone[i].find("\nreport ");
        EXPECT_EQ(report, std::string::npos) << alone[i].substr(report == std::string::npos ? 0 : report, 400);
        EXPECT_GT(alone[i].size(), 10000u);
        const std::size_t labels = alone[i].find("\nlabels ");
        ASSERT_NE(labels, std::string::npos);
        if (alone[i].compare(labels, 10, "\nlabels 1\n") == 0) ++labelled;
    }
    // Labels too, on most frames (the comparison below covers whatever each frame gives).
    EXPECT_GE(labelled, 6);

    // Several rounds, all threads released together, so that the calls overlap.
    constexpr int kRounds = 3;
    std::vector<std::vector<std::string>> together(frames.size(), std::vector<std::string>(kRounds));
    std::atomic<int> ready{0};
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < frames.size(); ++i) {
        threads.emplace_back([&, i] {
            ready.fetch_add(1);
            while (ready.load() < static_cast<int>(frames.size())) std::this_thread::yield();
            for (int round = 0; round < kRounds; ++round) together[i][static_cast<std::size_t>(round)] = RunWholeFrame(frames[i]);
        });
    }
    for (std::thread& t : threads) t.join();

    for (std::size_t i = 0; i < frames.size(); ++i) {
        SCOPED_TRACE(frames[i].name);
        for (int round = 0; round < kRounds; ++round)
            EXPECT_TRUE(together[i][static_cast<std::size_t>(round)] == alone[i]) << "round " << round;
    }
}

} // namespace
} // namespace parallo_reliability
