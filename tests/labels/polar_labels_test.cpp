// Edge labels of frames around and near the poles, on real polar systems north and south: each
// stands outside the frame on the side where its line meets it, shows that line's value, reads
// upright, and no crossing is labelled twice (the 180° meridian included).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "parallo/parallo.h"
#include "support/polar.h"

namespace {

using parallo::ParalloCls;
using parallo_test::Frame;
using parallo_test::PolarCase;
using shapekit::Point;

constexpr double kOffset = 30000.0; ///< LabelOffset, metres
/// The label's crossing lies on the frame within the working neatline's following of the drawn
/// frame (5e-8 of its size, 0.3 m here), and on its line within 1e-7° after two transformations.
constexpr double kOnFrame = 0.5;
constexpr double kOnValue = 1e-7;

std::unique_ptr<Frame> Labelled(const PolarCase &c, double dLon, double dLat) {
    auto f = parallo_test::MakeFrame(parallo_test::PolarLayout(c, dLon, dLat));
    ParalloCls &s = f->service;
    for (auto set :
         {&ParalloCls::SetLabelPartA, &ParalloCls::SetLabelPartB, &ParalloCls::SetLabelPartC,
          &ParalloCls::SetLabelPartD, &ParalloCls::SetLabelPartUnit, &ParalloCls::SetLabelPartHemisphere}) {
        auto part = std::make_shared<parallo::LabelPartCls>();
        part->SetbDisplay(set == &ParalloCls::SetLabelPartA || set == &ParalloCls::SetLabelPartHemisphere);
        (s.*set)(part);
    }
    s.SetbHemisphereAsSuffix(true);
    s.SetLabelDisplayType(parallo::kExtentGeographic);
    s.SetEastingHemisphereLabel("E");
    s.SetWestingHemisphereLabel("W");
    s.SetNorthingHemisphereLabel("N");
    s.SetSouthingHemisphereLabel("S");
    s.SetLabelOffset(kOffset);
    std::int32_t ret = 0;
    s.CreateLabels(ret);
    return f;
}

/// Outward from the frame on each side (north, west, east, south: pxgrdLabelAxis).
constexpr double kOutX[] = {0.0, -1.0, 1.0, 0.0};
constexpr double kOutY[] = {1.0, 0.0, 0.0, -1.0};

/// The properties every label of these frames keeps; returns the meridian (0…359) of every
/// meridian label.
std::multiset<long> CheckLabels(const Frame &f, double dLon, double dLat) {
    const parallo_test::FrameLayout &l = f.layout;
    std::multiset<long> meridians;
    std::set<std::tuple<std::string, long, long>> seen;
    for (const auto &label : *f.service.LabelsCollection()) {
        const std::string &text = label->LabelString;
        SCOPED_TRACE(text);
        const Point &o = *label->Origin;
        // Outside, on the side it names: LabelOffset out from where its line meets the frame.
        const std::size_t side = static_cast<std::size_t>(label->LabelAxis);
        if (side >= 4) {
            ADD_FAILURE() << "no side " << side;
            continue;
        }
        const Point at(o.x - kOffset * kOutX[side], o.y - kOffset * kOutY[side]);
        EXPECT_LE(parallo_test::ToFrame(l, at), kOnFrame);
        EXPECT_NEAR(parallo_test::Outside(l, o), kOffset, kOnFrame);
        EXPECT_LE(std::fabs(label->Angle), 90.0) << "reads upright";
        EXPECT_TRUE(seen.insert({text, std::lround(o.x), std::lround(o.y)}).second) << "labelled twice";
        // Its value is its line's: "120°W" is the meridian 120° west where it meets the frame.
        const Point geo = parallo_test::LonLat(f, {at})[0];
        const char hemisphere = text.back();
        const double value = std::atof(text.c_str()) * (hemisphere == 'W' || hemisphere == 'S' ? -1.0 : 1.0);
        if (hemisphere == 'E' || hemisphere == 'W') {
            EXPECT_NEAR(parallo_test::LonDiff(geo.x, value), 0.0, kOnValue);
            EXPECT_NEAR(parallo_test::LonDiff(value, dLon * std::nearbyint(value / dLon)), 0.0, kOnValue);
            meridians.insert(std::lround(std::remainder(value, 360.0) + 360.0) % 360);
        } else {
            EXPECT_NEAR(geo.y, value, kOnValue);
            EXPECT_NEAR(value, dLat * std::nearbyint(value / dLat), kOnValue);
        }
    }
    return meridians;
}

class AroundPoleLabels : public ::testing::TestWithParam<PolarCase> {};

TEST_P(AroundPoleLabels, EachMeridianOnceOnTheSideItLeavesThrough) {
    auto f = Labelled(GetParam(), 30.0, 10.0);
    ASSERT_TRUE(f->reports.empty()) << f->reports.front();
    const auto meridians = CheckLabels(*f, 30.0, 10.0);
    EXPECT_EQ(meridians.size(), 12u) << "each meridian meets the frame once";
    for (long m = 0; m < 360; m += 30)
        EXPECT_EQ(meridians.count(m), 1u) << m << "° (180° once, as 180°E or 180°W)";
}

INSTANTIATE_TEST_SUITE_P(Polar, AroundPoleLabels, ::testing::ValuesIn(parallo_test::kAroundPoles));

// Near the pole the grid turns up to half a turn against the frame: a meridian may leave through
// a side, a parallel through the top or bottom; each label goes where its line meets the frame.
TEST(NearPoleLabels, OnTheSideEachLineCrosses) {
    for (const PolarCase &c : parallo_test::kNearPole) {
        SCOPED_TRACE(std::to_string(c.x0) + " " + std::to_string(c.y0));
        auto f = Labelled(c, 10.0, 5.0);
        ASSERT_TRUE(f->reports.empty()) << f->reports.front();
        CheckLabels(*f, 10.0, 5.0);
        std::set<int> sides;
        for (const auto &label : *f->service.LabelsCollection())
            sides.insert(label->LabelAxis);
        EXPECT_EQ(sides.size(), 4u) << "lines meet all four sides";
    }
}

} // namespace
