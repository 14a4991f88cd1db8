// GeoJSON output. Every feature carries a "kind" (neatline, border, gridline, tick, cross,
// frameBar, frameTick, minorTick, label); a GIS can style by it. Doubles are written in their shortest form that reads back to
// the same value (up to 17 significant digits).
#include "geojson.h"

#include <cmath>

namespace parallo {
namespace cli {

namespace {

Json Position(const shapekit::Point& p) {
    Json position = Json::array({p.x, p.y});
    if (p.z != 0.0) position.push_back(p.z);
    return position;
}

Json Positions(const shapekit::PointsCollection& points) {
    Json list = Json::array();
    for (const shapekit::Point& p : points) list.push_back(Position(p));
    return list;
}

Json Feature(const char* kind, Json geometry, Json properties = Json::object()) {
    Json feature;
    feature["type"] = "Feature";
    Json props;
    props["kind"] = kind;
    for (auto it = properties.begin(); it != properties.end(); ++it) props[it.key()] = it.value();
    feature["properties"] = props;
    feature["geometry"] = std::move(geometry);
    return feature;
}

void AddCollection(std::vector<Json>& features, const char* kind,
                   const std::shared_ptr<shapekit::GeometryCollection>& collection) {
    if (!collection) return;
    for (const auto& item : *collection) features.push_back(Feature(kind, GeometryJson(item.get())));
}

const char* FateName(LabelFate fate) {
    switch (fate) {
    case kLabelOverlaps: return "overlaps";
    case kLabelCrossesNeatline: return "crossesNeatline";
    case kLabelWrongSide: return "wrongSide";
    case kLabelUnplaced: return "unplaced";
    default: return "shown";
    }
}

/// What the layout made of a label: its box (a closed ring, absent for a label without text),
/// whether it is hidden, why, and the ID of the shown label it yields to.
void AddPlacement(Json& p, const LabelPlacement& placement, const LabelLayout& layout) {
    if (!placement.Box.Empty) {
        Json ring = Json::array();
        for (const shapekit::Point& corner : placement.Box.Corners) ring.push_back(Json::array({corner.x, corner.y}));
        ring.push_back(ring.front());
        p["box"] = Json{{"type", "Polygon"}, {"coordinates", Json::array({std::move(ring)})}};
    }
    p["hidden"] = placement.Hidden;
    if (!placement.Hidden) return;
    p["hiddenBecause"] = FateName(placement.Fate);
    const auto winner = static_cast<std::size_t>(placement.YieldedTo);
    if (placement.YieldedTo >= 0 && winner < layout.Placements.size() && layout.Placements[winner].Label)
        p["yieldedTo"] = layout.Placements[winner].Label->ID();
}

Json LabelFeature(const GridLabel& label, const LabelPlacement* placement, const LabelLayout& layout) {
    Json p;
    p["LabelString"] = label.LabelString;
    p["LabelStringA"] = label.LabelStringA;
    p["LabelStringB"] = label.LabelStringB;
    p["LabelStringC"] = label.LabelStringC;
    p["LabelStringD"] = label.LabelStringD;
    p["LabelStringUnit"] = label.LabelStringUnit;
    p["LabelStringHemisphere"] = label.LabelStringHemisphere;
    p["Angle"] = label.Angle;
    p["HorizontalJustification"] = static_cast<std::int32_t>(label.HorizontalJustification);
    p["VerticalJustification"] = static_cast<std::int32_t>(label.VerticalJustification);
    p["LabelAxis"] = static_cast<std::int32_t>(label.LabelAxis);
    p["ID"] = label.ID();
    if (placement) AddPlacement(p, *placement, layout);
    Json geometry = nullptr;
    if (label.Origin) {
        geometry["type"] = "Point";
        geometry["coordinates"] = Position(*label.Origin);
    }
    return Feature("label", std::move(geometry), std::move(p));
}

Json CallJson(const CallRecord& call) {
    Json c;
    c["method"] = call.method;
    c["RetVal"] = call.RetVal ? Json(*call.RetVal) : Json(nullptr);
    Json errors = Json::array();
    for (const Report& r : call.errors)
        errors.push_back(Json{{"description", r.description}, {"trace", r.trace}, {"procedure", r.procedure}});
    c["errors"] = std::move(errors);
    if (call.errorsDropped > 0) c["errorsDropped"] = call.errorsDropped;
    for (auto it = call.results.begin(); it != call.results.end(); ++it) c[it.key()] = it.value();
    return c;
}

std::string Dump(const Json& j) { return j.dump(-1, ' ', false, Json::error_handler_t::replace); }

} // namespace

Json GeometryJson(const shapekit::Geometry* geometry) {
    if (!geometry) return nullptr;
    Json g;
    switch (geometry->Type()) {
    case shapekit::kPointGeometry:
        g["type"] = "Point";
        g["coordinates"] = Position(static_cast<const shapekit::PointGeometry*>(geometry)->Position());
        break;
    case shapekit::kLineGeometry: {
        const auto* line = static_cast<const shapekit::LineGeometry*>(geometry);
        g["type"] = "LineString";
        g["coordinates"] = Json::array({Position(line->Start()), Position(line->End())});
        break;
    }
    case shapekit::kPolylineGeometry:
        g["type"] = "LineString";
        g["coordinates"] = Positions(static_cast<const shapekit::PolylineGeometry*>(geometry)->Points());
        break;
    case shapekit::kPolygonGeometry: {
        const auto& points = static_cast<const shapekit::PolygonGeometry*>(geometry)->Points();
        Json ring = Positions(points);
        // GeoJSON rings end on their first position.
        if (!points.empty()) {
            const shapekit::Point& first = points.Vector().front();
            const shapekit::Point& last = points.Vector().back();
            if (first.x != last.x || first.y != last.y || first.z != last.z) ring.push_back(Position(first));
        }
        g["type"] = "Polygon";
        g["coordinates"] = Json::array({std::move(ring)});
        break;
    }
    case shapekit::kGeometryCollection: {
        Json members = Json::array();
        for (const auto& item : *static_cast<const shapekit::GeometryCollection*>(geometry))
            members.push_back(GeometryJson(item.get()));
        g["type"] = "GeometryCollection";
        g["geometries"] = std::move(members);
        break;
    }
    default: return nullptr;
    }
    return g;
}

std::string WriteGeoJson(const Frame& frame, const RunResult& result) {
    const ParalloCls& s = *frame.service;
    std::vector<Json> features;
    if (s.NeatlinePolygon()) features.push_back(Feature("neatline", GeometryJson(s.NeatlinePolygon().get())));
    if (s.BorderPolygon()) features.push_back(Feature("border", GeometryJson(s.BorderPolygon().get())));
    AddCollection(features, "gridline", result.gridlines);
    AddCollection(features, "tick", result.ticks);
    AddCollection(features, "cross", result.crosses);
    if (const auto& bars = s.FrameBarGeometry()) {
        const std::vector<bool>& fills = s.FrameBarFills();
        std::size_t i = 0;
        for (const auto& bar : *bars) {
            Json p;
            p["filled"] = i < fills.size() && fills[i];
            ++i;
            features.push_back(Feature("frameBar", GeometryJson(bar.get()), std::move(p)));
        }
    }
    AddCollection(features, "frameTick", s.FrameTickGeometry());
    AddCollection(features, "minorTick", s.MinorTickGeometry());
    if (s.LabelsCollection()) {
        std::size_t index = 0;
        for (const auto& label : *s.LabelsCollection()) {
            const LabelPlacement* placement =
                result.laidOut && index < result.layout.Placements.size() ? &result.layout.Placements[index]
                                                                          : nullptr;
            ++index;
            if (label) features.push_back(LabelFeature(*label, placement, result.layout));
        }
    }

    // The named-CRS form GIS readers understand; the name is the definition as configured.
    Json crs;
    crs["type"] = "name";
    crs["properties"]["name"] =
        frame.mapViewDefinition.is_string() ? frame.mapViewDefinition : Json(Dump(frame.mapViewDefinition));

    std::string out = "{\"type\": \"FeatureCollection\",\n\"crs\": " + Dump(crs) + ",\n";
    // The scale the label boxes were measured at.
    if (result.laidOut) out += "\"MapScale\": " + Dump(Json(result.mapScale)) + ",\n";
    out += "\"calls\": [";
    for (std::size_t i = 0; i < result.calls.size(); ++i)
        out += (i ? ",\n  " : "\n  ") + Dump(CallJson(result.calls[i]));
    out += "],\n\"features\": [";
    for (std::size_t i = 0; i < features.size(); ++i) out += (i ? ",\n  " : "\n  ") + Dump(features[i]);
    out += "\n]}\n";
    return out;
}

} // namespace cli
} // namespace parallo
