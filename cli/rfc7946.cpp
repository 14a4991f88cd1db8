// The command's GeoJSON carried into WGS 84 longitude and latitude. Every position goes through
// one PROJ operation from the map view to EPSG:4326 with the axes in visualisation order
// (longitude first, degrees); a third ordinate is kept as it stands. Each straight segment of the
// map view is halved there until the path in longitude and latitude follows its image within
// kRfc7946Tolerance (a polar square's sides bend away from their corners' latitude). Lines and
// rings are first made continuous in longitude (no step of more than 180°, so a ring round the
// Pacific runs on past 180° instead of jumping back), then cut into the strips -180…180,
// 180…540, … and each piece shifted back into -180…180. Polygons are clipped strip by strip,
// which gives each strip one ring; a ring concave across the cut may keep a seam of zero width
// along ±180. A ring that goes once round a pole (its longitudes run on by 360°) is closed along
// that pole's latitude.
#include "rfc7946.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include <proj.h>

#include "geojson.h"

namespace parallo {
namespace cli {

namespace {

constexpr double kRadiansPerDegree = 3.14159265358979323846 / 180.0;

std::string Dump(const Json &j) { return j.dump(-1, ' ', false, Json::error_handler_t::replace); }

/// One PROJ context and the operation from the map view to longitude and latitude.
class ToLonLat {
public:
    explicit ToLonLat(const std::string &definition) : ctx_(proj_context_create()) {
        if (!ctx_) throw Rfc7946Error("PROJ cannot start");
        proj_log_level(ctx_, PJ_LOG_NONE);
        PJ *source = proj_create(ctx_, definition.c_str());
        PJ *target = proj_create(ctx_, "EPSG:4326");
        if (source && target && proj_is_crs(source)) {
            if (PJ *op = proj_create_crs_to_crs_from_pj(ctx_, source, target, nullptr, nullptr)) {
                op_ = proj_normalize_for_visualization(ctx_, op);
                proj_destroy(op);
            }
        }
        if (source) proj_destroy(source);
        if (target) proj_destroy(target);
        if (!op_) {
            proj_context_destroy(ctx_);
            throw Rfc7946Error("PROJ knows no way from the map view " + Quoted(definition) +
                               " to WGS 84 longitude and latitude");
        }
    }
    ~ToLonLat() {
        proj_destroy(op_);
        proj_context_destroy(ctx_);
    }
    ToLonLat(const ToLonLat &) = delete;
    ToLonLat &operator=(const ToLonLat &) = delete;

    /// The position [x, y(, z)] as [longitude, latitude(, z)]; raises Rfc7946Error when PROJ
    /// cannot convert it or it is not a position.
    Json Position(const Json &p) const {
        if (!p.is_array() || p.size() < 2 || !p[0].is_number() || !p[1].is_number())
            throw Rfc7946Error("not a position: " + Dump(p));
        const double x = p[0].get<double>(), y = p[1].get<double>();
        proj_errno_reset(op_);
        const PJ_COORD c = proj_trans(op_, PJ_FWD, proj_coord(x, y, 0.0, 0.0));
        if (proj_errno(op_) != 0 || !std::isfinite(c.xy.x) || !std::isfinite(c.xy.y) ||
            std::fabs(c.xy.y) > 90.0)
            throw Rfc7946Error("the map view's point (" + Dump(p[0]) + ", " + Dump(p[1]) +
                               ") has no WGS 84 longitude and latitude");
        Json out = Json::array({c.xy.x, c.xy.y});
        for (std::size_t i = 2; i < p.size(); ++i)
            out.push_back(p[i]);
        return out;
    }

    /// Takes one position from the collection's budget of added positions; false when it is spent.
    bool TakeAddedPoint() const {
        if (addedPoints_ >= kRfc7946MaxAddedPoints) return false;
        ++addedPoints_;
        return true;
    }

private:
    PJ_CONTEXT *ctx_;
    PJ *op_ = nullptr;
    // The positions densification has added so far; counted by the const conversion, which is
    // otherwise stateless.
    mutable std::size_t addedPoints_ = 0;
};

/// A position in longitude and latitude with any further ordinates.
struct Pos {
    double x = 0.0, y = 0.0;
    Json rest = Json::array();
};

Json ToJson(const Pos &p) {
    Json out = Json::array({p.x, p.y});
    for (const Json &v : p.rest)
        out.push_back(v);
    return out;
}

/// A converted position, its longitude moved by whole turns to lie within 180° of `previous`.
Pos Converted(const ToLonLat &proj, const Json &p, const Pos *previous) {
    const Json lonLat = proj.Position(p);
    Pos q;
    q.x = lonLat[0].get<double>();
    q.y = lonLat[1].get<double>();
    for (std::size_t i = 2; i < lonLat.size(); ++i)
        q.rest.push_back(lonLat[i]);
    if (previous) q.x += 360.0 * std::round((previous->x - q.x) / 360.0);
    return q;
}

/// How far `m` lies from the step a→b in degrees of arc, longitude scaled by the cosine of m's
/// latitude (continuous longitudes).
double OffStep(const Pos &a, const Pos &b, const Pos &m) {
    const double k = std::cos(m.y * kRadiansPerDegree);
    const double ux = (b.x - a.x) * k, uy = b.y - a.y, vx = (m.x - a.x) * k, vy = m.y - a.y;
    const double length2 = ux * ux + uy * uy;
    const double t = length2 > 0.0 ? std::clamp((vx * ux + vy * uy) / length2, 0.0, 1.0) : 0.0;
    return std::hypot(vx - t * ux, vy - t * uy);
}

/// The map view's segment a→b (its end `lb` converted) appended to `out` (which ends on a's
/// conversion). Which way round the earth the map view's straight line goes is read from its
/// middle: when the middle lies the other way, or the step is more than 90° of longitude, the
/// segment is halved in the map view until every step is short and agrees with its middle
/// (a border beyond the 180° meridian of a world map, a frame edge with few vertices). It is
/// also halved while the middle's image lies off the step by more than kRfc7946Tolerance, so the
/// path follows the map view's straight edge, which bends in longitude and latitude.
void AppendSegment(const ToLonLat &proj, const Json &a, const Json &b, Pos lb, int depth,
                   std::vector<Pos> &out) {
    const Json middle = Json::array(
        {0.5 * (a[0].get<double>() + b[0].get<double>()), 0.5 * (a[1].get<double>() + b[1].get<double>())});
    const Pos lm = Converted(proj, middle, &out.back());
    const double throughMiddle = lb.x + 360.0 * std::round((lm.x - lb.x) / 360.0);
    const bool unclear = std::fabs(lb.x - out.back().x) > 90.0 || std::fabs(throughMiddle - lb.x) > 180.0;
    const bool bent = !unclear && depth < kRfc7946MaxHalvings &&
                      OffStep(out.back(), lb, lm) > kRfc7946Tolerance && proj.TakeAddedPoint();
    if ((depth < 24 && unclear) || bent) {
        AppendSegment(proj, a, middle, lm, depth + 1, out);
        lb = Converted(proj, b, &out.back());
        AppendSegment(proj, middle, b, lb, depth + 1, out);
        return;
    }
    out.push_back(std::move(lb));
}

/// The positions converted and made continuous in longitude: each longitude moved by whole
/// turns to lie within 180° of the one before.
std::vector<Pos> Unwrapped(const ToLonLat &proj, const Json &positions) {
    if (!positions.is_array()) throw Rfc7946Error("not a list of positions: " + Dump(positions));
    std::vector<Pos> out;
    for (std::size_t i = 0; i < positions.size(); ++i) {
        if (i == 0) {
            out.push_back(Converted(proj, positions[0], nullptr));
            continue;
        }
        Pos lb = Converted(proj, positions[i], &out.back());
        AppendSegment(proj, positions[i - 1], positions[i], std::move(lb), 0, out);
    }
    return out;
}

/// The point of the segment a→b at longitude `x` (latitude and further ordinates linear).
Pos At(const Pos &a, const Pos &b, double x) {
    const double t = b.x == a.x ? 0.0 : (x - a.x) / (b.x - a.x);
    Pos p;
    p.x = x;
    p.y = a.y + t * (b.y - a.y);
    p.rest = a.rest;
    for (std::size_t i = 0; i < p.rest.size() && i < b.rest.size(); ++i)
        if (a.rest[i].is_number() && b.rest[i].is_number()) {
            const double za = a.rest[i].get<double>(), zb = b.rest[i].get<double>();
            p.rest[i] = za + t * (zb - za);
        }
    return p;
}

/// The strip a continuous longitude lies in: 0 for -180…180, 1 for 180…540, … The quotient is
/// checked against the strip's bounds, as x + 180 can round up to the next strip for x just below
/// 180 (179.99999999999997 + 180 is 360), which would shift x below -180.
long Strip(double x) {
    long k = static_cast<long>(std::floor((x + 180.0) / 360.0));
    if (x < -180.0 + 360.0 * static_cast<double>(k)) --k;
    if (x >= 180.0 + 360.0 * static_cast<double>(k)) ++k;
    return k;
}

/// A continuous line cut at every crossing of ±180 into pieces within -180…180.
Json CutLine(const std::vector<Pos> &line) {
    Json pieces = Json::array();
    if (line.empty()) return pieces;
    long k = Strip(line.front().x);
    if (line.front().x == 180.0 + 360.0 * static_cast<double>(k - 1)) --k; // starts on the cut
    Json piece = Json::array();
    auto add = [&piece](Pos p, long strip) {
        p.x -= 360.0 * static_cast<double>(strip);
        Json j = ToJson(p);
        if (piece.empty() || piece.back() != j) piece.push_back(std::move(j));
    };
    auto close = [&pieces, &piece]() {
        if (piece.size() >= 2) pieces.push_back(std::move(piece));
        piece = Json::array();
    };
    add(line.front(), k);
    for (std::size_t i = 1; i < line.size(); ++i) {
        const Pos &a = line[i - 1], &b = line[i];
        while (b.x > 180.0 + 360.0 * static_cast<double>(k)) {
            const Pos cut = At(a, b, 180.0 + 360.0 * static_cast<double>(k));
            add(cut, k);
            close();
            ++k;
            add(cut, k);
        }
        while (b.x < -180.0 + 360.0 * static_cast<double>(k)) {
            const Pos cut = At(a, b, -180.0 + 360.0 * static_cast<double>(k));
            add(cut, k);
            close();
            --k;
            add(cut, k);
        }
        add(b, k);
    }
    close();
    return pieces;
}

/// Twice the signed area of a closed ring (positive counter-clockwise, longitude east).
double SignedArea(const std::vector<Pos> &ring) {
    double sum = 0.0;
    for (std::size_t i = 0; i + 1 < ring.size(); ++i)
        sum += ring[i].x * ring[i + 1].y - ring[i + 1].x * ring[i].y;
    return sum;
}

/// A continuous ring, closed; a ring that goes once round a pole is closed along its latitude.
std::vector<Pos> ClosedRing(const ToLonLat &proj, const Json &positions) {
    std::vector<Pos> ring = Unwrapped(proj, positions);
    if (ring.size() < 2) return ring;
    Pos first = ring.front(), last = ring.back();
    const double turns = std::round((last.x - first.x) / 360.0);
    if (turns != 0.0 && std::fabs(last.x - first.x - 360.0 * turns) < 180.0) {
        // Round a pole: the one on the side the ring's mean latitude lies on.
        double mean = 0.0;
        for (const Pos &p : ring)
            mean += p.y;
        const double pole = mean >= 0.0 ? 90.0 : -90.0;
        Pos a = last, b = first;
        a.y = pole;
        b.y = pole;
        ring.push_back(a);
        ring.push_back(b);
        ring.push_back(first);
    } else if (last.x != first.x || last.y != first.y) {
        ring.push_back(first);
    }
    return ring;
}

/// The part of a closed ring east of `x` (`east`) or west of it, closed again.
std::vector<Pos> ClipRing(const std::vector<Pos> &ring, double x, bool east) {
    std::vector<Pos> out;
    auto inside = [x, east](const Pos &p) { return east ? p.x >= x : p.x <= x; };
    for (std::size_t i = 0; i + 1 < ring.size(); ++i) {
        const Pos &a = ring[i], &b = ring[i + 1];
        if (inside(a)) out.push_back(a);
        if (inside(a) != inside(b)) out.push_back(At(a, b, x));
    }
    if (!out.empty()) out.push_back(out.front());
    return out;
}

/// A closed ring shifted into -180…180 as GeoJSON; null when less than a triangle is left.
Json RingJson(const std::vector<Pos> &ring, long strip) {
    Json out = Json::array();
    for (Pos p : ring) {
        p.x -= 360.0 * static_cast<double>(strip);
        Json j = ToJson(p);
        if (out.empty() || out.back() != j) out.push_back(std::move(j));
    }
    if (out.size() < 4) return nullptr;
    return out;
}

/// A polygon (exterior ring and holes) as polygons within -180…180, one per strip it covers.
Json CutPolygon(const ToLonLat &proj, const Json &rings) {
    if (!rings.is_array() || rings.empty()) throw Rfc7946Error("not a polygon: " + Dump(rings));
    std::vector<std::vector<Pos>> continuous;
    for (std::size_t r = 0; r < rings.size(); ++r) {
        std::vector<Pos> ring = ClosedRing(proj, rings[r]);
        // The exterior ring counter-clockwise, the holes clockwise.
        const double area = SignedArea(ring);
        if ((r == 0 && area < 0.0) || (r > 0 && area > 0.0)) std::reverse(ring.begin(), ring.end());
        // A hole is moved by whole turns next to the exterior ring.
        if (r > 0 && !ring.empty() && !continuous.front().empty()) {
            const double shift = 360.0 * std::round((continuous.front().front().x - ring.front().x) / 360.0);
            for (Pos &p : ring)
                p.x += shift;
        }
        continuous.push_back(std::move(ring));
    }
    double west = HUGE_VAL, east = -HUGE_VAL;
    for (const Pos &p : continuous.front()) {
        west = std::min(west, p.x);
        east = std::max(east, p.x);
    }
    Json polygons = Json::array();
    if (!(west <= east)) return polygons;
    // The strips the exterior ring covers more than touches.
    long first = Strip(west), last = Strip(east);
    if (east == 180.0 + 360.0 * static_cast<double>(last - 1)) --last;
    for (long k = first; k <= last; ++k) {
        const double lo = -180.0 + 360.0 * static_cast<double>(k), hi = lo + 360.0;
        Json polygon = Json::array();
        for (std::size_t r = 0; r < continuous.size(); ++r) {
            const std::vector<Pos> piece = ClipRing(ClipRing(continuous[r], lo, true), hi, false);
            Json ring = piece.empty() ? Json(nullptr) : RingJson(piece, k);
            if (ring.is_null()) {
                if (r == 0) break;
                continue;
            }
            polygon.push_back(std::move(ring));
        }
        if (!polygon.empty()) polygons.push_back(std::move(polygon));
    }
    return polygons;
}

Json Geometry(const ToLonLat &proj, const Json &g) {
    if (!g.is_object() || !g.contains("type")) return g;
    const std::string type = g["type"].is_string() ? g["type"].get<std::string>() : std::string();
    Json out = g;
    if (type == "GeometryCollection") {
        Json members = Json::array();
        for (const Json &m : g.value("geometries", Json::array()))
            members.push_back(Geometry(proj, m));
        out["geometries"] = std::move(members);
        return out;
    }
    if (!g.contains("coordinates")) return g;
    const Json &c = g["coordinates"];
    if (type == "Point") {
        out["coordinates"] = proj.Position(c);
    } else if (type == "MultiPoint") {
        Json points = Json::array();
        for (const Json &p : c)
            points.push_back(proj.Position(p));
        out["coordinates"] = std::move(points);
    } else if (type == "LineString" || type == "MultiLineString") {
        Json pieces = Json::array();
        if (type == "LineString") {
            pieces = CutLine(Unwrapped(proj, c));
        } else {
            for (const Json &line : c)
                for (Json &piece : CutLine(Unwrapped(proj, line)))
                    pieces.push_back(std::move(piece));
        }
        if (pieces.size() == 1) {
            out["type"] = "LineString";
            out["coordinates"] = std::move(pieces.front());
        } else {
            out["type"] = "MultiLineString";
            out["coordinates"] = std::move(pieces);
        }
    } else if (type == "Polygon" || type == "MultiPolygon") {
        Json polygons = Json::array();
        if (type == "Polygon") {
            polygons = CutPolygon(proj, c);
        } else {
            for (const Json &polygon : c)
                for (Json &piece : CutPolygon(proj, polygon))
                    polygons.push_back(std::move(piece));
        }
        if (polygons.size() == 1) {
            out["type"] = "Polygon";
            out["coordinates"] = std::move(polygons.front());
        } else {
            out["type"] = "MultiPolygon";
            out["coordinates"] = std::move(polygons);
        }
    }
    return out;
}

bool IsGeometry(const Json &j) {
    return j.is_object() && j.contains("type") && (j.contains("coordinates") || j.contains("geometries"));
}

} // namespace

Json ToRfc7946(const Json &collection, const std::string &definition) {
    const ToLonLat proj(definition);
    Json out = Json::object();
    for (auto it = collection.begin(); it != collection.end(); ++it) {
        if (it.key() == "crs") continue;
        if (it.key() != "features" || !it.value().is_array()) {
            out[it.key()] = it.value();
            continue;
        }
        Json features = Json::array();
        for (const Json &feature : it.value()) {
            Json f = feature;
            if (f.contains("geometry") && !f["geometry"].is_null())
                f["geometry"] = Geometry(proj, f["geometry"]);
            if (f.contains("properties") && f["properties"].is_object())
                for (auto p = f["properties"].begin(); p != f["properties"].end(); ++p)
                    if (IsGeometry(p.value())) p.value() = Geometry(proj, p.value());
            features.push_back(std::move(f));
        }
        out["features"] = std::move(features);
    }
    return out;
}

std::string WriteRfc7946GeoJson(const Frame &frame, const RunResult &result) {
    const std::string definition = frame.mapViewDefinition.is_string()
                                       ? frame.mapViewDefinition.get<std::string>()
                                       : Dump(frame.mapViewDefinition);
    const Json web = ToRfc7946(ParseJson(WriteGeoJson(frame, result)), definition);
    // The layout of the map-view form: one member, call or feature per line.
    std::string out = "{";
    bool firstMember = true;
    for (auto it = web.begin(); it != web.end(); ++it) {
        out += firstMember ? "" : ",\n";
        firstMember = false;
        out += Dump(Json(it.key())) + ": ";
        if (it.value().is_array() && (it.key() == "features" || it.key() == "calls")) {
            out += "[";
            for (std::size_t i = 0; i < it.value().size(); ++i)
                out += (i ? ",\n  " : "\n  ") + Dump(it.value()[i]);
            out += it.key() == "features" ? "\n]" : "]";
        } else {
            out += Dump(it.value());
        }
    }
    out += "}\n";
    return out;
}

} // namespace cli
} // namespace parallo
