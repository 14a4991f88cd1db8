// Fuzz target: the service API driven by the fuzzer's bytes, as a careless host would drive it.
// The first byte picks a starting frame (none, or one of a few real frames); every later group of
// bytes is one host action: set any property to any value (0, negative, NaN, infinities, huge and
// tiny numbers, reversed corners, unset objects, systems that do not belong together), change a
// point the service already holds, re-type a coordinate system, or call any method in any order.
//
// What must hold whatever the bytes: no crash, leak or undefined behaviour (the sanitizers), no
// exception out of a method (they are noexcept), Status 0, every failure report titled
// "<Name> Error", every result a call makes finite, and no call slower than the limit (milliseconds,
// PARALLO_FUZZ_CALL_MS, default 5000: the library's one-second bound with room for the sanitizers).
#include <chrono>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include <fuzzer/FuzzedDataProvider.h>

#include "parallo/coordkit_proj.h"
#include "parallo/layout.h"
#include "parallo/parallo.h"

namespace {

using parallo::ParalloCls;
using shapekit::Point;
using PointPtr = std::shared_ptr<Point>;
using CsPtr = std::shared_ptr<coordkit::CoordSystem>;

constexpr double kPi = 3.14159265358979323846;
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

[[noreturn]] void Fail(const std::string& what) {
    std::fprintf(stderr, "fuzz_service: %s\n", what.c_str());
    std::abort();
}

long CallLimitMs() {
    static const long limit = [] {
        const char* text = std::getenv("PARALLO_FUZZ_CALL_MS");
        long v = text ? std::strtol(text, nullptr, 10) : 0;
        return v > 0 ? v : 5000L;
    }();
    return limit;
}

/// PARALLO_FUZZ_TRACE=1 writes every action and call to standard error (to read a finding).
bool Tracing() {
    static const bool on = std::getenv("PARALLO_FUZZ_TRACE") != nullptr;
    return on;
}

const char* const kDefinitions[] = {
    "EPSG:32632", "EPSG:4326", "EPSG:3857", "EPSG:2263", "EPSG:3035", "EPSG:3031", "EPSG:3832", "EPSG:32633",
    "+proj=ortho +lat_0=50 +lon_0=10 +datum=WGS84 +units=m +no_defs",
};
constexpr std::size_t kDefinitionCount = sizeof(kDefinitions) / sizeof(kDefinitions[0]);

/// One host and its service.
class Host {
public:
    explicit Host(FuzzedDataProvider& in) : in_(in) {
        s_.SetErrorObserver([this](const std::string& description, const std::string& trace, const std::string& title) {
            ++reports_;
            if (Tracing() && reports_ <= 20)
                std::fprintf(stderr, "  report: %s | %s | %s\n", title.c_str(), trace.c_str(), description.c_str());
            if (title.size() < 6 || title.compare(title.size() - 6, 6, " Error") != 0)
                Fail("a failure report titled \"" + title + "\"");
        });
    }

    void Start() {
        const int frame = in_.ConsumeIntegralInRange<int>(0, 4);
        if (Tracing()) std::fprintf(stderr, "frame %d\n", frame);
        switch (frame) {
        case 0: break; // a new object, nothing set
        case 1: Frame("EPSG:32632", "EPSG:32632", "EPSG:32632", false, 500000, 5400000, 510000, 5410000, false, 1000); break;
        case 2: Frame("EPSG:3035", "EPSG:4326", "EPSG:4326", true, 5, 45, 15, 52, true, 2); break;
        case 3: Frame("EPSG:3832", "EPSG:4326", "EPSG:4326", true, 170, -25, -170, -10, true, 5); break;
        default: Frame("EPSG:2263", "EPSG:2263", "EPSG:2263", false, 300000, 60000, 310000, 70000, false, 1000); break;
        }
    }

    void Act() {
        const int action = in_.ConsumeIntegralInRange<int>(0, 22);
        if (Tracing()) std::fprintf(stderr, "action %d\n", action);
        switch (action) {
        case 0: SetNumber(); break;
        case 1: SetPoint(); break;
        case 2: SetSystem(); break;
        case 3: SetManager(); break;
        case 4: SetCodes(); break;
        case 5: SetFlags(); break;
        case 6: SetTexts(); break;
        case 7: SetLabelPart(); break;
        case 8: SetPolygon(); break;
        case 9: MovePoint(); break;
        case 10: Retype(); break;
        case 11: Call("CreateNeatline", [this] { std::int32_t r = Int32(); s_.CreateNeatline(r); }); break;
        case 12: Call("CreateBorder", [this] { std::int32_t r = Int32(); s_.CreateBorder(r); }); break;
        case 13: Call("CreateGridlines", [this] { std::int32_t r = Int32(); const std::int32_t passed = r; s_.CreateGridlines(r); Ret(r, passed); }); break;
        case 14: Call("CreateTicksCrosses", [this] { std::int32_t r = Int32(); const std::int32_t passed = r; s_.CreateTicksCrosses(r); Ret(r, passed); }); break;
        case 15: Call("CreateLabels", [this] { std::int32_t r = Int32(); const std::int32_t passed = r; s_.CreateLabels(r); Ret(r, passed); }); break;
        case 16: Proposals(); break;
        case 17: StrokedRectangle(); break;
        case 18: Intersect(); break;
        case 19: Call("CreateFrameBars", [this] { std::int32_t r = Int32(); s_.CreateFrameBars(r); }); break;
        case 20: Call("CreateFrameTicks", [this] { std::int32_t r = Int32(); s_.CreateFrameTicks(r); }); break;
        case 21: LayOut(); break;
        default: ReadBack(); break;
        }
        if (s_.Status() != 0) Fail("Status is not 0");
    }

private:
    // ---- values ---------------------------------------------------------------------------

    double Number() {
        static const double kSpecial[] = {0.0, -0.0, 1.0, -1.0, 0.5, 1e-300, -1e-300, 4.9e-324, 1e-12, 1e-6,
                                          1e6, 1e12, 1e300, -1e300, 1.7976931348623157e308, kInf, -kInf, kNaN,
                                          kPi, 2 * kPi, 500000.0, 5400000.0, 1000.0, 0.01745329251994};
        const int kind = in_.ConsumeIntegralInRange<int>(0, 3);
        if (kind == 0) return in_.PickValueInArray(kSpecial);
        if (kind == 1) return in_.ConsumeFloatingPoint<double>();
        if (kind == 2) return static_cast<double>(in_.ConsumeIntegralInRange<int>(-2000, 2000)) * 0.25;
        // Something near a frame value: a scale and a sign.
        return in_.ConsumeFloatingPointInRange<double>(-1.0, 1.0) *
               std::pow(10.0, in_.ConsumeIntegralInRange<int>(-8, 8));
    }

    std::int32_t Int32() {
        static const std::int32_t kSpecial[] = {0, 1, -1, 2, 3, 4, 12, 255, 32767, -32768,
                                                std::numeric_limits<std::int32_t>::max(),
                                                std::numeric_limits<std::int32_t>::min()};
        return in_.ConsumeBool() ? in_.PickValueInArray(kSpecial) : in_.ConsumeIntegral<std::int32_t>();
    }

    std::int16_t Int16() {
        return in_.ConsumeBool() ? static_cast<std::int16_t>(in_.ConsumeIntegralInRange<int>(-3, 20))
                                 : in_.ConsumeIntegral<std::int16_t>();
    }

    PointPtr NewPoint() {
        auto p = std::make_shared<Point>(Number(), Number(), in_.ConsumeBool() ? 0.0 : Number());
        handed_.push_back(p);
        return p;
    }

    /// No object, a new point, or a point the host already handed in (so two properties share it).
    PointPtr AnyPoint() {
        const int kind = in_.ConsumeIntegralInRange<int>(0, 3);
        if (kind == 0) return nullptr;
        if (kind == 1 && !handed_.empty()) return handed_[in_.ConsumeIntegralInRange<std::size_t>(0, handed_.size() - 1)];
        return NewPoint();
    }

    CsPtr System(std::size_t i) {
        if (!systems_[i]) {
            try {
                systems_[i] = coordkit::CreateProjCoordSystem(kDefinitions[i]);
            } catch (const std::exception& e) {
                Fail(std::string("PROJ refuses ") + kDefinitions[i] + ": " + e.what());
            }
        }
        return systems_[i];
    }

    CsPtr AnySystem() {
        const std::size_t i = in_.ConsumeIntegralInRange<std::size_t>(0, kDefinitionCount);
        return i == kDefinitionCount ? nullptr : System(i);
    }

    CsPtr SystemOf(const char* definition) {
        for (std::size_t i = 0; i < kDefinitionCount; ++i)
            if (std::string(kDefinitions[i]) == definition) return System(i);
        Fail(std::string("no definition ") + definition);
    }

    // ---- a starting frame, set up as a host sets it up --------------------------------------

    void Frame(const char* view, const char* neatline, const char* grid, bool geographic, double x0, double y0,
               double x1, double y1, bool geographicGrid, double interval) {
        const double k = geographic ? kPi / 180.0 : 1.0;
        const double g = geographicGrid ? kPi / 180.0 : 1.0;
        s_.SetCoordSystemsMgr(coordkit::CreateProjCoordSystemsMgr(SystemOf(view)));
        s_.SetUnitsOfMeasure(coordkit::CreateProjUnitsOfMeasure());
        s_.SetMapViewCoordSystem(SystemOf(view));
        s_.SetNeatlineCoordSystem(SystemOf(neatline));
        s_.SetGridCoordSystem(SystemOf(grid));
        s_.SetNeatlineExtentsType(geographic ? 1 : 0);
        s_.SetGridIntervalsType(geographicGrid ? 1 : 0);
        s_.SetLabelDisplayType(geographicGrid ? 1 : 0);
        s_.SetNeatlineLowerLeft(std::make_shared<Point>(x0 * k, y0 * k));
        s_.SetNeatlineUpperRight(std::make_shared<Point>(x1 * k, y1 * k));
        s_.SetNeatlineLowerLeftInProjUnits(std::make_shared<Point>(x0 * k, y0 * k));
        s_.SetNeatlineUpperLeftInProjUnits(std::make_shared<Point>(x0 * k, y1 * k));
        s_.SetNeatlineUpperRightInProjUnits(std::make_shared<Point>(x1 * k, y1 * k));
        s_.SetNeatlineLowerRightInProjUnits(std::make_shared<Point>(x1 * k, y0 * k));
        s_.SetbForceStroking(in_.ConsumeBool());
        s_.SetNeatlineStrokeDistance((geographic ? 1.0 : 1000.0) * k);
        s_.SetInterval(std::make_shared<Point>(interval * g, interval * g));
        s_.SetGridOffset(std::make_shared<Point>());
        s_.SetSkipInterval(std::make_shared<Point>());
        s_.SetGridStrokeDistance(interval * g / 4.0);
        s_.SetGridType(parallo::PXgtTicksAndCrosses);
        s_.SetTickLength(200.0);
        s_.SetCrossLength(300.0);
        s_.SetLabelOffset(100.0);
        s_.SetMagnitudeAB(5);
        s_.SetMagnitudeBC(3);
        s_.SetPlaceLeftSideGridElements(true);
        s_.SetPlaceRightSideGridElements(true);
        s_.SetPlaceTopSideGridElements(true);
        s_.SetPlaceBottomSideGridElements(true);
        for (auto setter : {&ParalloCls::SetLabelPartA, &ParalloCls::SetLabelPartB, &ParalloCls::SetLabelPartC,
                            &ParalloCls::SetLabelPartD, &ParalloCls::SetLabelPartUnit,
                            &ParalloCls::SetLabelPartHemisphere}) {
            auto part = std::make_shared<parallo::LabelPartCls>();
            part->SetbDisplay(true);
            (s_.*setter)(part);
        }
        s_.SetEastingHemisphereLabel("E");
        s_.SetWestingHemisphereLabel("W");
        s_.SetNorthingHemisphereLabel("N");
        s_.SetSouthingHemisphereLabel("S");
        std::int32_t r = 0;
        s_.CreateNeatline(r);
    }

    // ---- host actions ---------------------------------------------------------------------

    void SetNumber() {
        static void (ParalloCls::*const kSetters[])(double) = {
            &ParalloCls::SetNeatlineStrokeDistance, &ParalloCls::SetGridStrokeDistance,
            &ParalloCls::SetBorderOffsetRight,      &ParalloCls::SetBorderOffsetLeft,
            &ParalloCls::SetBorderOffsetBottom,     &ParalloCls::SetBorderOffsetTop,
            &ParalloCls::SetTickLength,             &ParalloCls::SetCrossLength,
            &ParalloCls::SetLabelOffset,            &ParalloCls::SetVerticalLabelOffset,
            &ParalloCls::SetAngle};
        const std::size_t which = in_.ConsumeIntegralInRange<std::size_t>(0, std::size(kSetters) - 1);
        const double value = Number();
        if (Tracing()) std::fprintf(stderr, "  number %zu = %.17g\n", which, value);
        (s_.*kSetters[which])(value);
    }

    void SetPoint() {
        static void (ParalloCls::*const kSetters[])(PointPtr) = {
            &ParalloCls::SetGridOffset,          &ParalloCls::SetSkipInterval,
            &ParalloCls::SetInterval,            &ParalloCls::SetNeatlineUpperRight,
            &ParalloCls::SetNeatlineLowerLeft,   &ParalloCls::SetNeatlineLowerLeftInProjUnits,
            &ParalloCls::SetNeatlineUpperRightInProjUnits, &ParalloCls::SetNeatlineUpperLeftInProjUnits,
            &ParalloCls::SetNeatlineLowerRightInProjUnits};
        const std::size_t which = in_.ConsumeIntegralInRange<std::size_t>(0, std::size(kSetters) - 1);
        PointPtr p = AnyPoint();
        if (Tracing()) {
            if (p) std::fprintf(stderr, "  point %zu = (%.17g, %.17g)\n", which, p->x, p->y);
            else std::fprintf(stderr, "  point %zu = none\n", which);
        }
        (s_.*kSetters[which])(p);
    }

    void SetSystem() {
        static void (ParalloCls::*const kSetters[])(CsPtr) = {
            &ParalloCls::SetMapViewCoordSystem, &ParalloCls::SetNeatlineCoordSystem, &ParalloCls::SetGridCoordSystem};
        (s_.*in_.PickValueInArray(kSetters))(AnySystem());
    }

    void SetManager() {
        switch (in_.ConsumeIntegralInRange<int>(0, 3)) {
        case 0: s_.SetCoordSystemsMgr(nullptr); break;
        case 1: s_.SetCoordSystemsMgr(std::make_shared<coordkit::CoordSystemsMgr>(AnySystem())); break;
        case 2: s_.SetCoordSystemsMgr(std::make_shared<coordkit::CoordSystemsMgr>()); break;
        default: {
            CsPtr workspace = AnySystem();
            if (workspace) s_.SetCoordSystemsMgr(coordkit::CreateProjCoordSystemsMgr(workspace));
            break;
        }
        }
        if (in_.ConsumeBool()) s_.SetUnitsOfMeasure(in_.ConsumeBool() ? coordkit::CreateProjUnitsOfMeasure() : nullptr);
    }

    void SetCodes() {
        const int which = in_.ConsumeIntegralInRange<int>(0, 11);
        if (Tracing()) std::fprintf(stderr, "  code %d\n", which);
        switch (which) {
        case 0: s_.SetNeatlineExtentsType(Int32()); break;
        case 1: s_.SetGridIntervalsType(Int32()); break;
        case 2: s_.SetLabelDisplayType(Int32()); break;
        case 3: s_.SetLabelColor(Int32()); break;
        case 4: s_.SetGridType(static_cast<parallo::GridTypeConstants>(Int32())); break;
        case 5: s_.SetLabelType(static_cast<parallo::GridLabelTypeConstants>(Int32())); break;
        case 6: s_.SetLabelOrientation(static_cast<parallo::GridLabelOrientationConstants>(Int32())); break;
        case 7: s_.SetLabelPosition(static_cast<parallo::pxgrdLabelPosition>(Int32())); break;
        case 8: s_.SetLabelPositionRelativeToPoint(static_cast<parallo::GridLabelPositionConstants>(Int32())); break;
        case 9: s_.SetMagnitudeAB(Int16()); break;
        case 10: s_.SetMagnitudeBC(Int16()); break;
        default: s_.SetDecimalPlaces(Int16()); break;
        }
    }

    void SetFlags() {
        static void (ParalloCls::*const kSetters[])(bool) = {
            &ParalloCls::SetbForceStroking,          &ParalloCls::SetbGeographicDDMMSS,
            &ParalloCls::SetPlaceLeftSideGridElements, &ParalloCls::SetPlaceTopSideGridElements,
            &ParalloCls::SetPlaceRightSideGridElements, &ParalloCls::SetPlaceBottomSideGridElements,
            &ParalloCls::SetbHemisphereAsSuffix};
        (s_.*in_.PickValueInArray(kSetters))(in_.ConsumeBool());
    }

    void SetTexts() {
        static void (ParalloCls::*const kSetters[])(const std::string&) = {
            &ParalloCls::SetEastingHemisphereLabel, &ParalloCls::SetNorthingHemisphereLabel,
            &ParalloCls::SetWestingHemisphereLabel, &ParalloCls::SetSouthingHemisphereLabel};
        (s_.*in_.PickValueInArray(kSetters))(in_.ConsumeRandomLengthString(16));
    }

    void SetLabelPart() {
        static void (ParalloCls::*const kSetters[])(ParalloCls::LabelPartPtr) = {
            &ParalloCls::SetLabelPartA, &ParalloCls::SetLabelPartB,    &ParalloCls::SetLabelPartC,
            &ParalloCls::SetLabelPartD, &ParalloCls::SetLabelPartUnit, &ParalloCls::SetLabelPartHemisphere};
        const auto setter = in_.PickValueInArray(kSetters);
        if (in_.ConsumeBool()) {
            (s_.*setter)(nullptr);
            return;
        }
        auto part = std::make_shared<parallo::LabelPartCls>();
        part->SetbDisplay(in_.ConsumeBool());
        part->SetFontType(static_cast<parallo::pxgrdFontType>(Int32()));
        part->SetText(in_.ConsumeRandomLengthString(8));
        if (in_.ConsumeBool()) {
            auto font = std::make_shared<parallo::StdFont>();
            font->Size = Number();
            part->SetFont(font);
        }
        (s_.*setter)(part);
    }

    void SetPolygon() {
        const int kind = in_.ConsumeIntegralInRange<int>(0, 2);
        if (kind == 0) {
            s_.SetNeatlinePolygon(nullptr);
            return;
        }
        auto polygon = std::make_shared<shapekit::PolygonGeometry>();
        const int n = kind == 1 ? 0 : in_.ConsumeIntegralInRange<int>(1, 40);
        for (int i = 0; i < n; ++i) polygon->Points().Add(Point(Number(), Number()));
        s_.SetNeatlinePolygon(polygon);
    }

    /// The host changes a point it handed in earlier: the service sees it at its next call.
    void MovePoint() {
        if (handed_.empty()) return;
        Point& p = *handed_[in_.ConsumeIntegralInRange<std::size_t>(0, handed_.size() - 1)];
        (in_.ConsumeBool() ? p.x : p.y) = Number();
    }

    /// The host re-types one of its systems (a system may refuse).
    void Retype() {
        CsPtr cs = AnySystem();
        if (!cs) return;
        try {
            cs->SetBaseStorageType(Int32());
        } catch (const parallo::Error&) {
        }
    }

    template <class F> void Call(const char* name, F&& call) {
        const auto gridBefore = s_.GridGeometry();
        const auto crossBefore = s_.CrossGeometry();
        const auto borderBefore = s_.BorderPolygon();
        const auto labelsBefore = s_.LabelsCollection();
        const auto start = std::chrono::steady_clock::now();
        call();
        const auto ms =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
        if (Tracing()) std::fprintf(stderr, "%s: %ld ms, %zu reports so far\n", name, static_cast<long>(ms), reports_);
        if (ms > CallLimitMs()) Fail(std::string(name) + " took " + std::to_string(ms) + " ms");
        // A result the call made is finite in every coordinate.
        if (s_.GridGeometry() != gridBefore) Finite(s_.GridGeometry().get(), name, "GridGeometry");
        if (s_.CrossGeometry() != crossBefore) Finite(s_.CrossGeometry().get(), name, "CrossGeometry");
        if (s_.BorderPolygon() != borderBefore) Finite(s_.BorderPolygon().get(), name, "BorderPolygon");
        if (s_.LabelsCollection() != labelsBefore && s_.LabelsCollection()) {
            for (const auto& label : *s_.LabelsCollection()) {
                if (label && label->Origin && (!std::isfinite(label->Origin->x) || !std::isfinite(label->Origin->y)))
                    Fail(std::string(name) + " made a label at a non-finite point");
                if (label && !std::isfinite(label->Angle)) Fail(std::string(name) + " made a label at a non-finite angle");
            }
        }
    }

    /// RetVal is what the last intersection step left (0, 1 or -1), or as passed when none ran.
    static void Ret(std::int32_t r, std::int32_t passed) {
        if (r != 0 && r != 1 && r != -1 && r != passed) Fail("RetVal " + std::to_string(r));
    }

    static void Finite(const shapekit::Geometry* g, const char* call, const char* what) {
        if (!g) return;
        g->ForEachRun(shapekit::ConstPointRunFunction([&](const Point* pts, std::size_t n) {
            for (std::size_t i = 0; i < n; ++i)
                if (!std::isfinite(pts[i].x) || !std::isfinite(pts[i].y))
                    Fail(std::string(call) + " left a non-finite point in " + what);
        }));
    }

    /// The label layout on whatever labels and neatline the service holds now, at any scale: it
    /// must never throw, and a layout without a failure places every label it was handed.
    void LayOut() {
        if (!s_.LabelsCollection()) return;
        parallo::LabelStyle style = parallo::LabelStyleOf(s_);
        style.MapUnitMetres = Number();
        style.MinimumGap = Number();
        const double scale = Number();
        const auto labels = parallo::LayoutLabelsOf(*s_.LabelsCollection(), in_.ConsumeBool());
        const shapekit::PolygonGeometry none;
        const auto& neatline = s_.NeatlinePolygon();
        parallo::ApproximateTextMeasurer rough;
        const parallo::LabelLayout layout = parallo::LayOutLabels(labels, style, neatline ? *neatline : none, scale, rough);
        if (layout.Failure.empty() && layout.Placements.size() != labels.size())
            Fail("the layout lost a label");
    }

    void Proposals() {
        switch (in_.ConsumeIntegralInRange<int>(0, 2)) {
        case 0: {
            double d = Number();
            Call("Set_DefaultStrokingGrid", [&] { s_.Set_DefaultStrokingGrid(d); });
            if (in_.ConsumeBool()) s_.SetGridStrokeDistance(d);
            break;
        }
        case 1: {
            double d = Number();
            Call("Set_DefaultStrokingNeatline", [&] { s_.Set_DefaultStrokingNeatline(d); });
            if (in_.ConsumeBool()) s_.SetNeatlineStrokeDistance(d);
            break;
        }
        default: {
            std::int16_t places = Int16();
            double interval = Number();
            Call("CalcGridInterval", [&] { s_.CalcGridInterval(places, interval); });
            if (in_.ConsumeBool()) s_.SetInterval(std::make_shared<Point>(interval, interval));
            break;
        }
        }
    }

    void StrokedRectangle() {
        ParalloCls::PolygonPtr polygon;
        if (in_.ConsumeBool()) polygon = std::make_shared<shapekit::PolygonGeometry>();
        Call("Create_Stroked_Rectangle", [&] { s_.Create_Stroked_Rectangle(polygon); });
        if (polygon) static_cast<void>(polygon->PointCount());
    }

    void Intersect() {
        const Point a(Number(), Number()), b(Number(), Number()), c(Number(), Number()), d(Number(), Number());
        PointPtr ip = in_.ConsumeBool() ? std::make_shared<Point>() : nullptr;
        std::int32_t type = Int32();
        double angle = Number();
        Call("LCL_SegmentIntersectSegment", [&] { s_.LCL_SegmentIntersectSegment(a, b, c, d, ip, type, angle); });
    }

    /// Reads every result as a host would, so that the sanitizers see each element touched.
    void ReadBack() {
        std::size_t points = 0;
        for (const auto* g : {static_cast<const shapekit::Geometry*>(s_.GridGeometry().get()),
                              static_cast<const shapekit::Geometry*>(s_.CrossGeometry().get()),
                              static_cast<const shapekit::Geometry*>(s_.NeatlinePolygon().get()),
                              static_cast<const shapekit::Geometry*>(s_.BorderPolygon().get())})
            if (g) points += g->PointCount();
        if (const auto& labels = s_.LabelsCollection()) {
            for (std::int32_t i = 1; i <= labels->Count(); ++i) {
                const auto label = labels->Item(i);
                points += label->LabelString.size() + label->ID().size();
                if (label->ID().empty() || labels->Item(label->ID()) != label) Fail("a label not found by its ID");
            }
        }
        points += s_.NeatlineStartTop().size() + s_.NeatlineStartRight().size() + s_.NeatlineStartBottom().size();
        if (s_.LabelGeometry()) Fail("LabelGeometry is set");
        static_cast<void>(points);
    }

    FuzzedDataProvider& in_;
    ParalloCls s_;
    CsPtr systems_[kDefinitionCount];
    std::vector<PointPtr> handed_;
    std::size_t reports_ = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    Host host(in);
    host.Start();
    // A bounded number of actions per input: long inputs do not make one run take minutes.
    for (int i = 0; i < 64 && in.remaining_bytes() > 0; ++i) host.Act();
    return 0;
}
