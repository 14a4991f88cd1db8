// The service keeps its last preparation of the working neatline for the next generator. The
// answers it gives again must be the very bits fresh work gives: every output of a map made with
// the memo equals, bit for bit, the output of the same calls with the memo dropped before each
// one, also when the grid system changes between maps (the memo must not answer for another
// transformation).
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "grid_checks.h"
#include "parallo/coordkit_proj.h"
#include "service/state.h"
#include "support/frames.h"

namespace {

using parallo::ParalloCls;
using parallo_test::FrameLayout;
using shapekit::Point;

/// Every coordinate the calls so far have left on the service, in one row.
std::vector<Point> Outputs(const ParalloCls &s) {
    std::vector<Point> out;
    for (const auto &c : {s.GridGeometry(), s.CrossGeometry()})
        for (const auto &item : parallo_test::Items(c))
            out.insert(out.end(), item.begin(), item.end());
    if (s.NeatlinePolygon()) {
        const auto &ring = s.NeatlinePolygon()->Points().Vector();
        out.insert(out.end(), ring.begin(), ring.end());
    }
    if (s.LabelsCollection())
        for (const auto &label : *s.LabelsCollection())
            if (label && label->Origin) out.push_back(*label->Origin);
    return out;
}

bool SameBits(const std::vector<Point> &a, const std::vector<Point> &b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(Point)) == 0;
}

std::unique_ptr<parallo_test::Frame> Labelled(const FrameLayout &layout) {
    auto f = parallo_test::MakeFrame(layout);
    for (auto set :
         {&ParalloCls::SetLabelPartA, &ParalloCls::SetLabelPartB, &ParalloCls::SetLabelPartC,
          &ParalloCls::SetLabelPartD, &ParalloCls::SetLabelPartUnit, &ParalloCls::SetLabelPartHemisphere}) {
        auto part = std::make_shared<parallo::LabelPartCls>();
        part->SetbDisplay(true);
        (f->service.*set)(part);
    }
    f->service.SetUnitsOfMeasure(coordkit::CreateProjUnitsOfMeasure());
    f->service.SetLabelType(parallo::PXltEdge);
    return f;
}

struct Case {
    FrameLayout layout;
    std::string otherGrid; ///< the grid system of the second map
};

TEST(FrameEdgeMemo, OutputsAreTheBitsOfFreshWork) {
    // A geographic grid, whose round trips give most vertices back bit for bit so that the memo
    // answers, then one with a datum shift; a projected grid through a datum change, where no
    // vertex comes back; a frame across the 180° meridian, then the same grid made anew.
    const std::vector<Case> cases = {{parallo_test::GraticuleOnWebMercator(), "EPSG:4314"},
                                     {parallo_test::UtmSheetOnLaea(), "EPSG:32633"},
                                     {parallo_test::PacificOnProjected(), "EPSG:4326"}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.layout.name);
        auto kept = Labelled(c.layout);
        auto fresh = Labelled(c.layout);
        const auto other = coordkit::CreateProjCoordSystem(c.otherGrid);
        for (int map = 0; map < 2; ++map) {
            if (map == 1) {
                for (auto *f : {kept.get(), fresh.get()}) {
                    f->service.SetGridCoordSystem(other);
                    std::int32_t ret = 0;
                    f->service.CreateNeatline(ret);
                }
            }
            using Method = void (ParalloCls::*)(std::int32_t &) noexcept;
            for (Method call : {Method(&ParalloCls::CreateGridlines), Method(&ParalloCls::CreateTicksCrosses),
                                Method(&ParalloCls::CreateLabels)}) {
                parallo::detail::StateAccess::Of(fresh->service).FrameEdges = {};
                std::int32_t ret = 0;
                (kept->service.*call)(ret);
                (fresh->service.*call)(ret);
                EXPECT_TRUE(SameBits(Outputs(kept->service), Outputs(fresh->service))) << "map " << map;
            }
            EXPECT_EQ(kept->reports, fresh->reports);
        }
        EXPECT_FALSE(Outputs(kept->service).empty());
    }
}

} // namespace
