// The per-thread PROJ context, the per-thread caches of PROJ objects, and how a definition becomes
// the PROJ objects of a coordinate system.
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <unordered_map>
#include <utility>
#include <vector>

#include "coords/proj_internal.h"
#include "parallo/coordkit_proj.h"
#include "parallo/error.h"

namespace coordkit {
namespace projdetail {

namespace {

thread_local long tCreated = 0;

struct CrsEntry {
    std::weak_ptr<const CrsDescription> owner;
    CrsObjects objects;
};

struct OpKey {
    std::uint64_t source;
    std::uint64_t target;
    bool sourceGeographic;
    bool targetGeographic;
    bool operator==(const OpKey &o) const noexcept {
        return source == o.source && target == o.target && sourceGeographic == o.sourceGeographic &&
               targetGeographic == o.targetGeographic;
    }
};

struct OpKeyHash {
    std::size_t operator()(const OpKey &k) const noexcept {
        std::size_t h = std::hash<std::uint64_t>()(k.source);
        h ^= std::hash<std::uint64_t>()(k.target) + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2);
        return h ^ (static_cast<std::size_t>(k.sourceGeographic) << 1) ^
               static_cast<std::size_t>(k.targetGeographic);
    }
};

struct OpEntry {
    std::weak_ptr<const CrsDescription> source;
    std::weak_ptr<const CrsDescription> target;
    PjPtr owned;      ///< an operation made for this pair, or null
    PJ *op = nullptr; ///< `owned`, or a system's own conversion (owned by its objects), or null
};

/// Entries whose systems are gone are swept when a cache reaches this size; the limit then
/// doubles with the live entries so that sweeping stays rare.
constexpr std::size_t kMinSweepSize = 64;

struct ThreadProj {
    PJ_CONTEXT *ctx = nullptr;
    std::string lastLog;
    std::unordered_map<std::uint64_t, CrsEntry> crs;
    std::unordered_map<OpKey, OpEntry, OpKeyHash> ops;
    std::size_t crsSweepAt = kMinSweepSize;
    std::size_t opsSweepAt = kMinSweepSize;

    ThreadProj() = default;
    ThreadProj(const ThreadProj &) = delete;
    ThreadProj &operator=(const ThreadProj &) = delete;
    ~ThreadProj() {
        // Every PROJ object goes before the context it was made in.
        ops.clear();
        crs.clear();
        if (ctx) proj_context_destroy(ctx);
    }
};

ThreadProj &Thread() {
    thread_local ThreadProj t;
    return t;
}

void CaptureLog(void *data, int level, const char *message) {
    if (level > PJ_LOG_ERROR || !message) return;
    auto *t = static_cast<ThreadProj *>(data);
    t->lastLog = message;
}

bool IsCrsType(PJ_TYPE type) {
    switch (type) {
    case PJ_TYPE_CRS:
    case PJ_TYPE_GEODETIC_CRS:
    case PJ_TYPE_GEOCENTRIC_CRS:
    case PJ_TYPE_GEOGRAPHIC_CRS:
    case PJ_TYPE_GEOGRAPHIC_2D_CRS:
    case PJ_TYPE_GEOGRAPHIC_3D_CRS:
    case PJ_TYPE_VERTICAL_CRS:
    case PJ_TYPE_PROJECTED_CRS:
    case PJ_TYPE_COMPOUND_CRS:
    case PJ_TYPE_TEMPORAL_CRS:
    case PJ_TYPE_ENGINEERING_CRS:
    case PJ_TYPE_BOUND_CRS:
    case PJ_TYPE_OTHER_CRS:
        return true;
    default:
        return false;
    }
}

std::string Quoted(const std::string &definition) {
    // Long WKT or PROJJSON texts are cut so that a message stays readable.
    constexpr std::size_t kMaxShown = 200;
    if (definition.size() <= kMaxShown) return "\"" + definition + "\"";
    return "\"" + definition.substr(0, kMaxShown) + "...\"";
}

[[noreturn]] void FailDefinition(const std::string &definition, const std::string &reason) {
    Fail("Cannot make a coordinate system from " + Quoted(definition) + ": " + reason,
         "CreateProjCoordSystem");
}

struct AxisInfo {
    std::string direction;
    double unitFactor = 1.0;
    std::string unitName;
    std::string unitAuthority;
    std::string unitCode;
};

std::vector<AxisInfo> AxesOf(PJ_CONTEXT *ctx, const PJ *crs) {
    std::vector<AxisInfo> axes;
    PjPtr cs(Counted(proj_crs_get_coordinate_system(ctx, crs)));
    if (!cs) return axes;
    const int count = proj_cs_get_axis_count(ctx, cs.get());
    for (int i = 0; i < count; ++i) {
        const char *direction = nullptr;
        const char *unitName = nullptr;
        const char *unitAuthority = nullptr;
        const char *unitCode = nullptr;
        double factor = 0.0;
        if (!proj_cs_get_axis_info(ctx, cs.get(), i, nullptr, nullptr, &direction, &factor, &unitName,
                                   &unitAuthority, &unitCode))
            continue;
        AxisInfo info;
        info.direction = direction ? direction : "";
        std::transform(info.direction.begin(), info.direction.end(), info.direction.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        info.unitFactor = factor;
        info.unitName = unitName ? unitName : "";
        info.unitAuthority = unitAuthority ? unitAuthority : "";
        info.unitCode = unitCode ? unitCode : "";
        axes.push_back(std::move(info));
    }
    return axes;
}

bool IsEastWest(const std::string &d) { return d == "east" || d == "west"; }
bool IsNorthSouth(const std::string &d) { return d == "north" || d == "south"; }

std::int32_t ProjectedQuadrantOf(const std::vector<AxisInfo> &axes) {
    if (axes.size() < 2) return 0;
    const std::string &a = axes[0].direction;
    const std::string &b = axes[1].direction;
    if (IsEastWest(a) && IsNorthSouth(b)) {
        if (a == "east") return b == "north" ? 0 : 1;
        return b == "south" ? 2 : 4;
    }
    if (IsNorthSouth(a) && IsEastWest(b)) {
        if (a == "north") return b == "east" ? 6 : 7;
        return b == "east" ? 3 : 5;
    }
    // Axes along meridians (polar systems) or of other kinds: the usual easting, northing.
    return 0;
}

std::int32_t GeographicQuadrantOf(const std::vector<AxisInfo> &axes) {
    std::string lon = "east";
    std::string lat = "north";
    for (const AxisInfo &axis : axes) {
        if (IsEastWest(axis.direction)) lon = axis.direction;
        if (IsNorthSouth(axis.direction)) lat = axis.direction;
    }
    if (lon == "east") return lat == "north" ? 0 : 2;
    return lat == "south" ? 1 : 3;
}

/// The operation from a projected system's geographic base to its plane, both with axes
/// normalised. The system carries it as its deriving conversion, which with its axes normalised
/// is the very pipeline PROJ's operation search finds between the two (the same PROJ string for
/// every projected system of PROJ's database), without the search's database queries. The search
/// remains for a conversion PROJ cannot normalise.
PjPtr ProjectionOf(PJ_CONTEXT *ctx, const PJ *plain, const PJ *normalGeographic, const PJ *normalPlain) {
    PjPtr deriving(Counted(proj_crs_get_coordoperation(ctx, plain)));
    if (deriving) {
        PjPtr normal(Counted(proj_normalize_for_visualization(ctx, deriving.get())));
        if (normal) return normal;
    }
    TakeProjReason();
    return PjPtr(
        Counted(proj_create_crs_to_crs_from_pj(ctx, normalGeographic, normalPlain, nullptr, nullptr)));
}

/// The trigger-free copy of PROJ's database made when the library was built, when PROJ would
/// open the very file it was made from; empty otherwise (PROJ_DATA or PROJ_LIB set, another or an
/// upgraded proj.db, no copy). The copy's name records the size and modification time of its
/// source.
std::string LeanDatabase() {
#ifdef PARALLO_LEAN_PROJ_DB_DIRS
    for (const char *variable : {"PROJ_DATA", "PROJ_LIB"}) {
        const char *value = std::getenv(variable);
        if (value && *value) return std::string();
    }
    const auto split = [](const std::string &list) {
        std::vector<std::string> parts;
        std::size_t start = 0;
        while (start <= list.size()) {
            const std::size_t end = std::min(list.find(':', start), list.size());
            if (end > start) parts.push_back(list.substr(start, end - start));
            start = end + 1;
        }
        return parts;
    };
    const char *searchPath = proj_info().searchpath;
    for (const std::string &dir : split(searchPath ? searchPath : "")) {
        struct stat source {};
        if (stat((dir + "/proj.db").c_str(), &source) != 0) continue;
        // The first proj.db on PROJ's search path is the one PROJ opens.
        const std::string name = "/proj-" + std::to_string(source.st_size) + "-" +
                                 std::to_string(static_cast<long long>(source.st_mtime)) + ".db";
        for (const std::string &leanDir : split(PARALLO_LEAN_PROJ_DB_DIRS)) {
            struct stat lean {};
            if (stat((leanDir + name).c_str(), &lean) == 0) return leanDir + name;
        }
        return std::string();
    }
#endif
    return std::string();
}

} // namespace

bool CrsDescription::NativeAngularIsDegrees() const noexcept {
    return primeMeridian == 0.0 && std::fabs(angularToRadian - kPi / 180.0) <= 1e-15;
}

PJ_CONTEXT *ThreadContext() {
    ThreadProj &t = Thread();
    if (!t.ctx) {
        t.ctx = proj_context_create();
        if (!t.ctx) Fail("PROJ could not create a context", "coordkit");
        ++tCreated;
        // Errors are read from the context and reported as parallo::Error, never printed; only
        // what is installed on this machine is used (no downloads while a map is drawn).
        proj_log_func(t.ctx, &t, CaptureLog);
        proj_log_level(t.ctx, PJ_LOG_ERROR);
        proj_context_set_enable_network(t.ctx, 0);
        static const std::string lean = LeanDatabase();
        if (!lean.empty() && !proj_context_set_database_path(t.ctx, lean.c_str(), nullptr, nullptr)) {
            // The copy cannot be opened: PROJ's own database, as without a copy.
            proj_context_set_database_path(t.ctx, nullptr, nullptr, nullptr);
            TakeProjReason();
        }
    }
    return t.ctx;
}

PJ *Counted(PJ *p) noexcept {
    if (p) ++tCreated;
    return p;
}

std::string TakeProjReason(const PJ *object) {
    ThreadProj &t = Thread();
    std::string reason;
    if (t.ctx) {
        const int err = object ? proj_errno(object) : proj_context_errno(t.ctx);
        if (err != 0) {
            const char *text = proj_context_errno_string(t.ctx, err);
            // PROJ's text for its catch-all code says nothing that the log message does not.
            if (text && std::string(text).rfind("Unknown error", 0) != 0) reason = text;
        }
        if (object) proj_errno_reset(object);
    }
    if (!t.lastLog.empty()) {
        // The log names the failing function ("proj_create: crs not found"); the reason is the rest.
        std::string message = t.lastLog;
        const auto colon = message.find(": ");
        if (message.rfind("proj_", 0) == 0 && colon != std::string::npos) message.erase(0, colon + 2);
        reason = message;
        t.lastLog.clear();
    }
    return reason;
}

[[noreturn]] void Fail(const std::string &message, const char *source) {
    throw parallo::Error(parallo::kInvalidProcedureCall, message, source);
}

std::string RunLabel::Text() const {
    std::string text = action;
    if (space != 0) text += " " + std::to_string(space);
    if (definition) text += " \"" + *definition + "\"";
    return text;
}

RestoreOnFailure::RestoreOnFailure(shapekit::Point *points, std::size_t count)
    : points_(points), count_(count) {
    if (count == 1) {
        single_ = points[0];
    } else {
        many_.assign(points, points + count);
    }
}

RestoreOnFailure::~RestoreOnFailure() {
    if (done_) return;
    if (count_ == 1) {
        points_[0] = single_;
    } else {
        std::copy(many_.begin(), many_.end(), points_);
    }
}

std::string PointText(const shapekit::Point &p) {
    char buf[96];
    std::snprintf(buf, sizeof buf, "(%.17g, %.17g)", p.x, p.y);
    return buf;
}

CrsObjects BuildCrsObjects(const std::string &definition, CrsDescription *description) {
    PJ_CONTEXT *ctx = ThreadContext();
    TakeProjReason();
    if (definition.empty()) FailDefinition(definition, "the definition is empty");

    PjPtr object(Counted(proj_create(ctx, definition.c_str())));
    std::string reason = TakeProjReason();
    if ((!object || !IsCrsType(proj_get_type(object.get()))) &&
        definition.find("+proj=") != std::string::npos && definition.find("type=crs") == std::string::npos) {
        // A PROJ string without "+type=crs" reads as an operation; the host meant the system.
        PjPtr retry(Counted(proj_create(ctx, (definition + " +type=crs").c_str())));
        const std::string retryReason = TakeProjReason();
        if (retry) {
            object = std::move(retry);
        } else if (reason.empty()) {
            reason = retryReason;
        }
    }
    if (!object) FailDefinition(definition, reason.empty() ? "PROJ does not know it" : reason);
    if (!IsCrsType(proj_get_type(object.get())))
        FailDefinition(definition, "it is not a coordinate reference system");

    if (proj_get_type(object.get()) == PJ_TYPE_COMPOUND_CRS) {
        PjPtr horizontal(Counted(proj_crs_get_sub_crs(ctx, object.get(), 0)));
        if (!horizontal) FailDefinition(definition, "its compound system has no horizontal part");
        object = std::move(horizontal);
    }

    // A bound system keeps its datum shift for transformations; its own description is read from
    // the system it binds.
    PjPtr hub;
    PjPtr shift;
    PjPtr plain;
    if (proj_get_type(object.get()) == PJ_TYPE_BOUND_CRS) {
        plain.reset(Counted(proj_get_source_crs(ctx, object.get())));
        hub.reset(Counted(proj_get_target_crs(ctx, object.get())));
        shift.reset(Counted(proj_crs_get_coordoperation(ctx, object.get())));
        if (!plain || !hub || !shift) FailDefinition(definition, "its datum shift cannot be read");
    } else {
        plain = std::move(object);
    }

    CrsKind kind;
    switch (proj_get_type(plain.get())) {
    case PJ_TYPE_GEOGRAPHIC_2D_CRS:
    case PJ_TYPE_GEOGRAPHIC_3D_CRS:
    case PJ_TYPE_GEOGRAPHIC_CRS:
        kind = CrsKind::kGeographic;
        break;
    case PJ_TYPE_PROJECTED_CRS:
        kind = CrsKind::kProjected;
        break;
    case PJ_TYPE_ENGINEERING_CRS:
        kind = CrsKind::kPlane;
        break;
    case PJ_TYPE_GEOCENTRIC_CRS:
        FailDefinition(definition, "it is a geocentric system; a map grid needs a geographic, projected "
                                   "or local plane system");
    case PJ_TYPE_VERTICAL_CRS:
        FailDefinition(definition, "it is a vertical system with no horizontal coordinates");
    case PJ_TYPE_TEMPORAL_CRS:
        FailDefinition(definition, "it is a temporal system with no horizontal coordinates");
    default:
        FailDefinition(definition, "PROJ makes no geographic, projected or local plane system of it");
    }

    const std::vector<AxisInfo> ownAxes = AxesOf(ctx, plain.get());
    if (ownAxes.size() < 2) FailDefinition(definition, "it has fewer than two axes");

    CrsObjects objects;
    PjPtr normalPlain(Counted(proj_normalize_for_visualization(ctx, plain.get())));
    if (!normalPlain)
        FailDefinition(definition, "its axes cannot be put in easting, northing order: " + TakeProjReason());
    auto bind = [&](const PJ *base) {
        PjPtr bound(Counted(proj_crs_create_bound_crs(ctx, base, hub.get(), shift.get())));
        if (!bound) FailDefinition(definition, "its datum shift cannot be applied: " + TakeProjReason());
        return bound;
    };

    PjPtr normalGeographic;
    std::vector<AxisInfo> geographicAxes;
    PjPtr geodetic;
    if (kind == CrsKind::kGeographic) {
        geographicAxes = ownAxes;
        PjPtr copy(Counted(proj_clone(ctx, normalPlain.get())));
        normalGeographic = std::move(copy);
        geodetic.reset(Counted(proj_clone(ctx, plain.get())));
    } else if (kind == CrsKind::kProjected) {
        geodetic.reset(Counted(proj_crs_get_geodetic_crs(ctx, plain.get())));
        if (!geodetic) FailDefinition(definition, "its geographic base cannot be read: " + TakeProjReason());
        const PJ_TYPE baseType = proj_get_type(geodetic.get());
        if (baseType != PJ_TYPE_GEOGRAPHIC_2D_CRS && baseType != PJ_TYPE_GEOGRAPHIC_3D_CRS &&
            baseType != PJ_TYPE_GEOGRAPHIC_CRS)
            FailDefinition(definition, "its base is not a geographic system");
        geographicAxes = AxesOf(ctx, geodetic.get());
        normalGeographic.reset(Counted(proj_normalize_for_visualization(ctx, geodetic.get())));
        if (!normalGeographic)
            FailDefinition(definition, "its geographic base cannot be normalised: " + TakeProjReason());
        objects.conversion = ProjectionOf(ctx, plain.get(), normalGeographic.get(), normalPlain.get());
        if (!objects.conversion)
            FailDefinition(definition, "PROJ cannot project its geographic base: " + TakeProjReason());
    }

    if (description) {
        description->definition = definition;
        description->kind = kind;
        const char *name = proj_get_name(plain.get());
        description->name = name ? name : "";
        if (kind == CrsKind::kGeographic) {
            description->toMetre = 1.0;
            description->unitName = "deg";
            description->projectedQuadrant = ProjectedQuadrantOf(ownAxes);
        } else {
            if (!(ownAxes[0].unitFactor > 0.0) || !std::isfinite(ownAxes[0].unitFactor))
                FailDefinition(definition, "its linear unit has no length");
            description->toMetre = ownAxes[0].unitFactor;
            description->unitName = LinearUnitAbbreviation(ownAxes[0].unitAuthority, ownAxes[0].unitCode,
                                                           ownAxes[0].unitName, ownAxes[0].unitFactor);
            description->projectedQuadrant = ProjectedQuadrantOf(ownAxes);
        }
        if (kind != CrsKind::kPlane) {
            double factor = geographicAxes.empty() ? 0.0 : geographicAxes[0].unitFactor;
            if (!(factor > 0.0) || !std::isfinite(factor))
                FailDefinition(definition, "its angular unit has no size");
            description->angularToRadian = factor;
            description->geographicQuadrant = GeographicQuadrantOf(geographicAxes);
            PjPtr meridian(Counted(proj_get_prime_meridian(ctx, geodetic.get())));
            double longitude = 0.0;
            double meridianFactor = 1.0;
            if (meridian && proj_prime_meridian_get_parameters(ctx, meridian.get(), &longitude,
                                                               &meridianFactor, nullptr)) {
                description->primeMeridian = longitude * meridianFactor;
            }
        } else {
            description->geographicQuadrant = 0;
        }
    }

    if (hub) {
        objects.crs = bind(normalPlain.get());
        if (normalGeographic) objects.geographic = bind(normalGeographic.get());
    } else {
        objects.crs = std::move(normalPlain);
        objects.geographic = std::move(normalGeographic);
    }
    TakeProjReason();
    return objects;
}

const CrsObjects &ObjectsFor(const std::shared_ptr<const CrsDescription> &description) {
    ThreadProj &t = Thread();
    auto it = t.crs.find(description->id);
    if (it != t.crs.end()) return it->second.objects;
    CrsObjects objects = BuildCrsObjects(description->definition, nullptr);
    AdoptObjects(description, std::move(objects));
    return t.crs.find(description->id)->second.objects;
}

void AdoptObjects(const std::shared_ptr<const CrsDescription> &description, CrsObjects objects) {
    ThreadProj &t = Thread();
    if (t.crs.size() >= t.crsSweepAt) {
        for (auto it = t.crs.begin(); it != t.crs.end();) {
            it = it->second.owner.expired() ? t.crs.erase(it) : std::next(it);
        }
        t.crsSweepAt = std::max(kMinSweepSize, 2 * t.crs.size());
    }
    CrsEntry entry;
    entry.owner = description;
    entry.objects = std::move(objects);
    t.crs[description->id] = std::move(entry);
}

namespace {

bool IsGeographicCrs(const PJ *crs) {
    const PJ_TYPE type = proj_get_type(crs);
    return type == PJ_TYPE_GEOGRAPHIC_2D_CRS || type == PJ_TYPE_GEOGRAPHIC_3D_CRS;
}

/// Whether `geographic` is the very geographic base of the projected system whose objects are
/// `projected` (both unbound): then the system's own conversion joins them.
bool IsOwnBase(const PJ *geographic, const CrsObjects &projected) {
    return projected.conversion && proj_get_type(projected.crs.get()) == PJ_TYPE_PROJECTED_CRS &&
           IsGeographicCrs(geographic) && projected.geographic &&
           proj_is_equivalent_to(geographic, projected.geographic.get(), PJ_COMP_STRICT);
}

} // namespace

PJ *OperationFor(const std::shared_ptr<const CrsDescription> &source, bool sourceGeographic,
                 const std::shared_ptr<const CrsDescription> &target, bool targetGeographic) {
    ThreadProj &t = Thread();
    const OpKey key{source->id, target->id, sourceGeographic, targetGeographic};
    auto it = t.ops.find(key);
    if (it != t.ops.end()) return it->second.op;

    const CrsObjects &from = ObjectsFor(source);
    const CrsObjects &to = ObjectsFor(target);
    const PJ *a = sourceGeographic ? from.geographic.get() : from.crs.get();
    const PJ *b = targetGeographic ? to.geographic.get() : to.crs.get();
    if (!a || !b) {
        Fail("\"" + (a ? target : source)->definition +
                 "\" is a local plane system with no geographic coordinates to store",
             "CreateSimpleTransFromCSMtoCS");
    }
    // A geographic system and itself, or a projected system and its own geographic base, need no
    // search of PROJ's database (milliseconds each): PROJ finds no operation at all between the
    // same geographic system in degrees, and between a projected system and its base the
    // system's deriving conversion (the same PROJ string; taken backwards, its inverse made as
    // an operation of its own, since a pipeline run backwards differs from the reversed pipeline
    // in the last bits). Bound systems (with a datum shift) always go through the search.
    OpEntry entry;
    PJ_CONTEXT *ctx = ThreadContext();
    TakeProjReason();
    if (IsGeographicCrs(a) && IsGeographicCrs(b) && source->NativeAngularIsDegrees() &&
        target->NativeAngularIsDegrees() && proj_is_equivalent_to(a, b, PJ_COMP_STRICT)) {
        entry.op = nullptr;
    } else if (!targetGeographic && IsOwnBase(a, to)) {
        entry.op = to.conversion.get();
    } else {
        if (!sourceGeographic && IsOwnBase(b, from))
            entry.owned.reset(Counted(proj_coordoperation_create_inverse(ctx, from.conversion.get())));
        if (!entry.owned) {
            TakeProjReason();
            entry.owned.reset(Counted(proj_create_crs_to_crs_from_pj(ctx, a, b, nullptr, nullptr)));
        }
        if (!entry.owned) {
            const std::string reason = TakeProjReason();
            Fail("PROJ knows no transformation from \"" + source->definition + "\" to \"" +
                     target->definition + "\"" + (reason.empty() ? std::string() : ": " + reason),
                 "CreateSimpleTransFromCSMtoCS");
        }
        entry.op = entry.owned.get();
    }
    if (t.ops.size() >= t.opsSweepAt) {
        for (auto op_it = t.ops.begin(); op_it != t.ops.end();) {
            const bool dead = op_it->second.source.expired() || op_it->second.target.expired();
            op_it = dead ? t.ops.erase(op_it) : std::next(op_it);
        }
        t.opsSweepAt = std::max(kMinSweepSize, 2 * t.ops.size());
    }
    entry.source = source;
    entry.target = target;
    PJ *op = entry.op;
    t.ops.emplace(key, std::move(entry));
    return op;
}

void CheckRun(shapekit::Point *points, std::size_t count, Form form, double toMetre, const RunLabel &label,
              const char *source) {
    const bool geographic = form == Form::kGeographicRadians || form == Form::kGeographicDegrees;
    const double toDegrees = form == Form::kGeographicRadians ? 180.0 / kPi : 1.0;
    const double scale = form == Form::kPlaneNative ? toMetre : 1.0;
    const double pole = form == Form::kGeographicRadians ? kPi / 2.0 : 90.0;
    // This runs twice over every point of every conversion and transformation. A first pass
    // makes two comparisons a point, which hold only for points the checks below would leave as
    // they are (finite, on the earth, no pole to clamp to: a NaN fails every comparison); only a
    // run with another point goes through the checks, which name it.
    bool plain = true;
    if (geographic) {
        for (std::size_t i = 0; i < count; ++i) {
            plain &= (std::fabs(points[i].y) <= pole) &
                     (std::fabs(points[i].x * toDegrees) <= kMaxLongitudeDegrees);
        }
    } else {
        for (std::size_t i = 0; i < count; ++i) {
            plain &= (std::fabs(points[i].x * scale) <= kMaxPlaneMetres) &
                     (std::fabs(points[i].y * scale) <= kMaxPlaneMetres);
        }
    }
    if (plain) return;
    const auto where = [count](std::size_t i) {
        return count == 1 ? std::string() : " (point " + std::to_string(i + 1) + ")";
    };
    for (std::size_t i = 0; i < count; ++i) {
        shapekit::Point &p = points[i];
        if (!std::isfinite(p.x) || !std::isfinite(p.y))
            Fail(label.Text() + ": the point " + PointText(p) + where(i) + " is not finite", source);
        if (geographic) {
            const double latitude = std::fabs(p.y * toDegrees);
            if (latitude > 90.0 + kLatitudeSlackDegrees)
                Fail(label.Text() + ": the latitude of " + PointText(p) + where(i) +
                         " lies beyond 90 degrees",
                     source);
            if (std::fabs(p.y) > pole) p.y = std::copysign(pole, p.y);
            if (std::fabs(p.x * toDegrees) > kMaxLongitudeDegrees)
                Fail(label.Text() + ": the longitude of " + PointText(p) + where(i) +
                         " makes no sense (beyond 540 degrees)",
                     source);
        } else if (std::fabs(p.x * scale) > kMaxPlaneMetres || std::fabs(p.y * scale) > kMaxPlaneMetres) {
            Fail(label.Text() + ": the plane point " + PointText(p) + where(i) +
                     " lies farther than 1e8 metres from the origin, where no projection gives a meaningful "
                     "point",
                 source);
        }
    }
}

} // namespace projdetail

long ProjObjectsCreated() noexcept { return projdetail::tCreated; }

} // namespace coordkit
