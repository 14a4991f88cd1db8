// The benchmark scenarios and PROJ's floor.
#include "scenarios.h"

#include <algorithm>
#include <cmath>
#include <ctime>
#include <stdexcept>
#include <utility>

#include "parallo/coordkit_proj.h"
#include "parallo/stdfont.h"

namespace parallo_bench {

using shapekit::Point;

namespace {

std::shared_ptr<parallo::LabelPartCls> Part(double size, bool bold,
                                            parallo::pxgrdFontType type = parallo::pxgrdFontType_Normal) {
    auto font = std::make_shared<parallo::StdFont>();
    font->Name = "DejaVu Sans";
    font->Size = size;
    font->Bold = bold;
    font->Weight = bold ? 700 : 400;
    auto part = std::make_shared<parallo::LabelPartCls>();
    part->SetFont(std::move(font));
    part->SetFontType(type);
    part->SetbDisplay(true);
    return part;
}

/// Every point of a geometry, appended to `out`.
void AppendPoints(const shapekit::Geometry *geometry, std::vector<Point> &out) {
    if (!geometry) return;
    geometry->ForEachRun(shapekit::ConstPointRunFunction(
        [&out](const Point *pts, std::size_t count) { out.insert(out.end(), pts, pts + count); }));
}

} // namespace

Scenario Sheet() {
    Scenario f;
    f.name = "sheet";
    f.mapView = "EPSG:3035";
    f.neatlineSystem = "EPSG:3035";
    f.gridSystem = "EPSG:32632";
    // 40 km square in LAEA Europe around 9°E 48°N, the middle of UTM zone 32.
    f.west = 4226000.0;
    f.south = 2745000.0;
    f.east = 4266000.0;
    f.north = 2785000.0;
    f.neatlineStroke = 1000.0;
    f.intervalX = 1000.0;
    f.intervalY = 1000.0;
    f.gridStroke = 10.0;
    f.tickLength = 400.0;
    f.crossLength = 300.0;
    f.borderOffset = 1500.0;
    f.labelOffset = 200.0;
    return f;
}

Scenario Graticule() {
    Scenario f;
    f.name = "graticule";
    f.mapView = "EPSG:3857";
    f.neatlineSystem = "EPSG:4326";
    f.gridSystem = "EPSG:4326";
    f.geographicCorners = true;
    f.west = 0.0;
    f.south = 30.0;
    f.east = 40.0;
    f.north = 60.0;
    f.neatlineStroke = 0.25;
    f.geographicGrid = true;
    f.intervalX = 1.0;
    f.intervalY = 1.0;
    f.gridStroke = 0.01;
    f.tickLength = 20000.0;
    f.crossLength = 15000.0;
    f.borderOffset = 100000.0;
    f.labelOffset = 10000.0;
    f.dmsLabels = true;
    return f;
}

Scenario DenseNeatline() {
    Scenario f;
    f.name = "dense-neatline";
    f.mapView = "EPSG:3035";
    f.neatlineSystem = "EPSG:4326";
    f.gridSystem = "EPSG:32632";
    f.geographicCorners = true;
    f.west = 6.0;
    f.south = 46.0;
    f.east = 12.0;
    f.north = 50.0;
    f.neatlineStroke = 0.002;
    // The frame spans some 465 km × 449 km of UTM 32N: 3.7 km gives about 247 lines.
    f.intervalX = 3700.0;
    f.intervalY = 3700.0;
    f.gridStroke = 400.0;
    f.tickLength = 1500.0;
    f.crossLength = 1000.0;
    f.borderOffset = 20000.0;
    f.labelOffset = 1000.0;
    return f;
}

Scenario Pacific() {
    Scenario f;
    f.name = "pacific";
    f.mapView = "EPSG:3832";
    f.neatlineSystem = "EPSG:4326";
    f.gridSystem = "EPSG:4326";
    f.geographicCorners = true;
    f.west = 165.0;
    f.south = -30.0;
    f.east = -165.0;
    f.north = -10.0;
    f.neatlineStroke = 0.25;
    f.geographicGrid = true;
    f.intervalX = 1.0;
    f.intervalY = 1.0;
    f.gridStroke = 0.01;
    f.tickLength = 20000.0;
    f.crossLength = 15000.0;
    f.borderOffset = 100000.0;
    f.labelOffset = 10000.0;
    f.dmsLabels = true;
    return f;
}

Scenario SmallGraticule() {
    Scenario f;
    f.name = "small-graticule";
    f.mapView = "EPSG:32632";
    f.neatlineSystem = "EPSG:4326";
    f.gridSystem = "EPSG:4326";
    f.geographicCorners = true;
    f.west = 8.95;
    f.south = 47.95;
    f.east = 9.55;
    f.north = 48.65;
    f.neatlineStroke = 0.01;
    f.geographicGrid = true;
    f.intervalX = 0.1;
    f.intervalY = 0.1;
    f.gridStroke = 0.0;
    f.tickLength = 500.0;
    f.crossLength = 400.0;
    f.borderOffset = 2000.0;
    f.labelOffset = 200.0;
    f.dmsLabels = true;
    return f;
}

std::unique_ptr<Host> MakeHost(const Scenario &scenario) {
    auto host = std::make_unique<Host>();
    host->scenario = scenario;
    parallo_test::SetUpFrame(*host, scenario);
    parallo::ParalloCls &s = host->service;
    host->units = coordkit::CreateProjUnitsOfMeasure();
    s.SetUnitsOfMeasure(host->units);

    s.SetBorderOffsetLeft(scenario.borderOffset);
    s.SetBorderOffsetRight(scenario.borderOffset);
    s.SetBorderOffsetTop(scenario.borderOffset);
    s.SetBorderOffsetBottom(scenario.borderOffset);

    s.SetLabelType(parallo::PXltEdge);
    s.SetLabelOffset(scenario.labelOffset);
    s.SetLabelPartA(Part(8.0, false, parallo::pxgrdFontType_Superscript));
    s.SetLabelPartB(Part(12.0, true));
    s.SetLabelPartC(Part(8.0, false, parallo::pxgrdFontType_Superscript));
    s.SetLabelPartHemisphere(Part(10.0, true));
    // Parts D and unit are not shown, but a host always hands in all six.
    auto hidden = Part(8.0, false);
    hidden->SetbDisplay(false);
    s.SetLabelPartD(hidden);
    s.SetLabelPartUnit(hidden);
    s.SetbHemisphereAsSuffix(true);
    s.SetEastingHemisphereLabel("E");
    s.SetWestingHemisphereLabel("W");
    s.SetNorthingHemisphereLabel("N");
    s.SetSouthingHemisphereLabel("S");
    if (scenario.dmsLabels) {
        s.SetLabelDisplayType(parallo::kExtentGeographic);
        s.SetbGeographicDDMMSS(true);
        s.SetDecimalPlaces(0);
    } else {
        s.SetLabelDisplayType(parallo::kExtentProjected);
        s.SetMagnitudeAB(5);
        s.SetMagnitudeBC(3);
    }
    return host;
}

void ResetForRepeat(Host &host) {
    const double k = host.scenario.geographicGrid ? parallo_test::Radians(1.0) : 1.0;
    host.service.SetbForceStroking(host.scenario.neatlineStroke > 0.0);
    host.service.SetGridStrokeDistance(host.scenario.gridStroke * k);
}

void Generate(Host &host, Output *out) {
    parallo::ParalloCls &s = host.service;
    std::int32_t ret = 0;
    s.CreateNeatline(ret);
    s.CreateBorder(ret);
    s.CreateGridlines(ret);
    if (out) {
        out->gridlines = s.GridGeometry() ? s.GridGeometry()->Count() : 0;
        AppendPoints(s.GridGeometry().get(), out->points);
    }
    s.CreateTicksCrosses(ret);
    s.CreateLabels(ret);
    if (out) {
        std::vector<Point> *points = &out->points;
        out->neatlineVertices = s.NeatlinePolygon() ? s.NeatlinePolygon()->Points().Count() : 0;
        out->labels = s.LabelsCollection() ? s.LabelsCollection()->Count() : 0;
        // The neatline as the generators left it, after their round trips.
        AppendPoints(s.NeatlinePolygon().get(), *points);
        AppendPoints(s.BorderPolygon().get(), *points);
        AppendPoints(s.GridGeometry().get(), *points); // the ticks
        AppendPoints(s.CrossGeometry().get(), *points);
        if (const auto &labels = s.LabelsCollection()) {
            for (const auto &label : *labels) {
                if (label && label->Origin) points->push_back(*label->Origin);
            }
        }
    }
}

// ---- the floor ------------------------------------------------------------------------------

Floor::Floor(const Scenario &scenario, const std::vector<Point> &output) {
    ctx_ = proj_context_create();
    if (!ctx_) throw std::runtime_error("PROJ could not create a context");
    proj_context_set_enable_network(ctx_, 0);
    PJ *raw = proj_create_crs_to_crs(ctx_, scenario.gridSystem.c_str(), scenario.mapView.c_str(), nullptr);
    if (!raw)
        throw std::runtime_error("PROJ knows no operation from " + scenario.gridSystem + " to " +
                                 scenario.mapView);
    op_ = proj_normalize_for_visualization(ctx_, raw);
    proj_destroy(raw);
    if (!op_) throw std::runtime_error("PROJ cannot normalise the operation of " + scenario.name);

    // The output taken back into the grid system: the points the floor transforms are the very
    // points the scenario produced, so PROJ does the same work per point.
    sourceX_.reserve(output.size());
    sourceY_.reserve(output.size());
    for (const Point &p : output) {
        sourceX_.push_back(p.x);
        sourceY_.push_back(p.y);
    }
    proj_trans_generic(op_, PJ_INV, sourceX_.data(), sizeof(double), sourceX_.size(), sourceY_.data(),
                       sizeof(double), sourceY_.size(), nullptr, 0, 0, nullptr, 0, 0);
    // A point PROJ cannot take back (none is expected) is replaced by its finite neighbour.
    for (std::size_t i = 0; i < sourceX_.size(); ++i) {
        if (!std::isfinite(sourceX_[i]) || !std::isfinite(sourceY_[i]) || std::fabs(sourceX_[i]) > 1e30) {
            sourceX_[i] = i > 0 ? sourceX_[i - 1] : 0.0;
            sourceY_[i] = i > 0 ? sourceY_[i - 1] : 0.0;
        }
    }
    x_.resize(sourceX_.size());
    y_.resize(sourceY_.size());
    // Warm: the first transformation pays for whatever PROJ sets up lazily.
    Prepare();
    Transform();
}

Floor::~Floor() {
    proj_destroy(op_);
    proj_context_destroy(ctx_);
}

void Floor::Prepare() {
    std::copy(sourceX_.begin(), sourceX_.end(), x_.begin());
    std::copy(sourceY_.begin(), sourceY_.end(), y_.begin());
}

void Floor::Transform() {
    proj_trans_generic(op_, PJ_FWD, x_.data(), sizeof(double), x_.size(), y_.data(), sizeof(double),
                       y_.size(), nullptr, 0, 0, nullptr, 0, 0);
}

double Floor::TimeOnce() {
    Prepare();
    const double start = Now();
    Transform();
    return Now() - start;
}

double Now() {
    // Thread CPU time: the machine is shared, and the time this thread was kept waiting by others
    // belongs neither to the generation nor to the floor.
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + 1e-9 * static_cast<double>(ts.tv_nsec);
}

} // namespace parallo_bench
