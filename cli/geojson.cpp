// GeoJSON output. Every feature carries a "kind" (neatline, border, gridline, tick, cross,
// frameBar, frameTick, minorTick, label); a GIS can style by it. Doubles are written in their
// shortest form that reads back to the same value (up to 17 significant digits).
//
// The features are written straight into the document's text, one after the other, rather than
// built as JSON trees and dumped: a frame of many grid lines is mostly numbers, and the trees
// cost more than the text. The text is the one Json::dump gives (same members in the same order,
// same numbers), which the --rfc7946 form reads back.
#include "geojson.h"

#include "front.h"
#include "json_text.h"

namespace parallo {
namespace cli {

namespace {

std::string Dump(const Json &j) { return j.dump(-1, ' ', false, Json::error_handler_t::replace); }

void Number(std::string &out, double v) { AppendJsonNumber(out, v); }

void Position(std::string &out, const shapekit::Point &p) {
    out += '[';
    Number(out, p.x);
    out += ',';
    Number(out, p.y);
    if (p.z != 0.0) {
        out += ',';
        Number(out, p.z);
    }
    out += ']';
}

void Positions(std::string &out, const shapekit::PointsCollection &points) {
    const char *separator = "";
    for (const shapekit::Point &p : points) {
        out += separator;
        separator = ",";
        Position(out, p);
    }
}

void Geometry(std::string &out, const shapekit::Geometry *geometry) {
    if (!geometry) {
        out += "null";
        return;
    }
    switch (geometry->Type()) {
    case shapekit::kPointGeometry:
        out += R"({"type":"Point","coordinates":)";
        Position(out, static_cast<const shapekit::PointGeometry *>(geometry)->Position());
        out += '}';
        break;
    case shapekit::kLineGeometry: {
        const auto *line = static_cast<const shapekit::LineGeometry *>(geometry);
        out += R"({"type":"LineString","coordinates":[)";
        Position(out, line->Start());
        out += ',';
        Position(out, line->End());
        out += "]}";
        break;
    }
    case shapekit::kPolylineGeometry:
        out += R"({"type":"LineString","coordinates":[)";
        Positions(out, static_cast<const shapekit::PolylineGeometry *>(geometry)->Points());
        out += "]}";
        break;
    case shapekit::kPolygonGeometry: {
        const auto &points = static_cast<const shapekit::PolygonGeometry *>(geometry)->Points();
        out += R"({"type":"Polygon","coordinates":[[)";
        Positions(out, points);
        // GeoJSON rings end on their first position.
        if (!points.empty()) {
            const shapekit::Point &first = points.Vector().front();
            const shapekit::Point &last = points.Vector().back();
            if (first.x != last.x || first.y != last.y || first.z != last.z) {
                out += ',';
                Position(out, first);
            }
        }
        out += "]]}";
        break;
    }
    case shapekit::kGeometryCollection: {
        out += R"({"type":"GeometryCollection","geometries":[)";
        const char *separator = "";
        for (const auto &item : *static_cast<const shapekit::GeometryCollection *>(geometry)) {
            out += separator;
            separator = ",";
            Geometry(out, item.get());
        }
        out += "]}";
        break;
    }
    default:
        out += "null";
    }
}

/// The features of the collection, each on a line of its own.
class FeatureList {
public:
    explicit FeatureList(std::string &out) : out_(out) {}

    /// Opens a feature and its properties with "kind"; the caller adds further properties, each
    /// starting with ',', then calls Geometry.
    std::string &Begin(const char *kind) {
        out_ += count_++ ? ",\n  " : "\n  ";
        out_ += R"({"type":"Feature","properties":{"kind":")";
        out_ += kind;
        out_ += '"';
        return out_;
    }
    void End(const shapekit::Geometry *geometry) {
        out_ += R"(},"geometry":)";
        Geometry(out_, geometry);
        out_ += '}';
    }
    void Add(const char *kind, const shapekit::Geometry *geometry) {
        Begin(kind);
        End(geometry);
    }
    void Add(const char *kind, const std::shared_ptr<shapekit::GeometryCollection> &collection) {
        if (!collection) return;
        for (const auto &item : *collection)
            Add(kind, item.get());
    }

private:
    std::string &out_;
    std::size_t count_ = 0;
};

void Member(std::string &out, const char *key, const std::string &value) {
    out += key;
    AppendJsonString(out, value);
}

/// What the layout made of a label: its box (a closed ring, absent for a label without text),
/// whether it is hidden, why, and the ID of the shown label it yields to.
void Placement(std::string &out, const LabelPlacement &placement, const LabelLayout &layout) {
    if (!placement.Box.Empty) {
        out += R"(,"box":{"type":"Polygon","coordinates":[[)";
        for (const shapekit::Point &corner : placement.Box.Corners) {
            Position(out, shapekit::Point(corner.x, corner.y));
            out += ',';
        }
        const shapekit::Point &first = placement.Box.Corners.front();
        Position(out, shapekit::Point(first.x, first.y));
        out += "]]}";
    }
    out += placement.Hidden ? R"(,"hidden":true)" : R"(,"hidden":false)";
    if (!placement.Hidden) return;
    out += R"(,"hiddenBecause":")";
    out += HiddenBecause(placement.Fate);
    out += '"';
    if (const GridLabel *winner = YieldedTo(placement, layout)) Member(out, R"(,"yieldedTo":)", winner->ID());
}

void Label(FeatureList &features, const GridLabel &label, const LabelPlacement *placement,
           const LabelLayout &layout) {
    std::string &out = features.Begin("label");
    Member(out, R"(,"LabelString":)", label.LabelString);
    Member(out, R"(,"LabelStringA":)", label.LabelStringA);
    Member(out, R"(,"LabelStringB":)", label.LabelStringB);
    Member(out, R"(,"LabelStringC":)", label.LabelStringC);
    Member(out, R"(,"LabelStringD":)", label.LabelStringD);
    Member(out, R"(,"LabelStringUnit":)", label.LabelStringUnit);
    Member(out, R"(,"LabelStringHemisphere":)", label.LabelStringHemisphere);
    out += R"(,"Angle":)";
    Number(out, label.Angle);
    out += R"(,"HorizontalJustification":)";
    out += std::to_string(static_cast<std::int32_t>(label.HorizontalJustification));
    out += R"(,"VerticalJustification":)";
    out += std::to_string(static_cast<std::int32_t>(label.VerticalJustification));
    out += R"(,"LabelAxis":)";
    out += std::to_string(static_cast<std::int32_t>(label.LabelAxis));
    Member(out, R"(,"ID":)", label.ID());
    if (placement) Placement(out, *placement, layout);
    if (label.Origin) {
        const shapekit::PointGeometry origin(*label.Origin);
        features.End(&origin);
    } else {
        features.End(nullptr);
    }
}

Json CallJson(const CallRecord &call) {
    Json c;
    c["method"] = call.method;
    c["RetVal"] = call.RetVal ? Json(*call.RetVal) : Json(nullptr);
    Json errors = Json::array();
    for (const Report &r : call.errors)
        errors.push_back(
            Json{{"description", r.description}, {"trace", r.trace}, {"procedure", r.procedure}});
    c["errors"] = std::move(errors);
    if (call.errorsDropped > 0) c["errorsDropped"] = call.errorsDropped;
    for (auto it = call.results.begin(); it != call.results.end(); ++it)
        c[it.key()] = it.value();
    return c;
}

} // namespace

Json GeometryJson(const shapekit::Geometry *geometry) {
    std::string text;
    Geometry(text, geometry);
    return Json::parse(text);
}

std::string WriteGeoJson(const Frame &frame, const RunResult &result) {
    const ParalloCls &s = *frame.service;
    // The named-CRS form GIS readers understand; the name is the definition as configured.
    std::string out =
        "{\"type\": \"FeatureCollection\",\n\"crs\": {\"type\":\"name\",\"properties\":{\"name\":";
    AppendJsonString(out, frame.mapViewDefinition.is_string() ? frame.mapViewDefinition.get<std::string>()
                                                              : Dump(frame.mapViewDefinition));
    out += "}},\n";
    // The scale the label boxes were measured at.
    if (result.laidOut) {
        out += "\"MapScale\": ";
        Number(out, result.mapScale);
        out += ",\n";
    }
    // Calls are few and carry free-form results: they are dumped as trees.
    out += "\"calls\": [";
    for (std::size_t i = 0; i < result.calls.size(); ++i)
        out += (i ? ",\n  " : "\n  ") + Dump(CallJson(result.calls[i]));
    out += "],\n\"features\": [";

    FeatureList features(out);
    if (s.NeatlinePolygon()) features.Add("neatline", s.NeatlinePolygon().get());
    if (s.BorderPolygon()) features.Add("border", s.BorderPolygon().get());
    features.Add("gridline", result.gridlines);
    features.Add("tick", result.ticks);
    features.Add("cross", result.crosses);
    if (const auto &bars = s.FrameBarGeometry()) {
        const std::vector<bool> &fills = s.FrameBarFills();
        std::size_t i = 0;
        for (const auto &bar : *bars) {
            const bool filled = i < fills.size() && fills[i];
            ++i;
            features.Begin("frameBar") += filled ? R"(,"filled":true)" : R"(,"filled":false)";
            features.End(bar.get());
        }
    }
    features.Add("frameTick", s.FrameTickGeometry());
    features.Add("minorTick", s.MinorTickGeometry());
    ForEachLabel(s, result, [&](const GridLabel &label, const LabelPlacement *placement) {
        Label(features, label, placement, result.layout);
    });
    out += "\n]}\n";
    return out;
}

} // namespace cli
} // namespace parallo
