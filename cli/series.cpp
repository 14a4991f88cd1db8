// The series command: sheets handed out to worker threads by an atomic counter, each sheet read,
// run and written exactly as the single command does it for the sheet's own configuration, so
// that a sheet's files never depend on the number of threads or on the other sheets.
#include "series.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <mutex>
#include <set>
#include <sstream>
#include <streambuf>
#include <thread>

#include <proj.h>
#include <sys/stat.h>
#include <unistd.h>

#include <CLI/CLI.hpp>

#include "app.h"
#include "checks.h"
#include "config.h"
#include "geojson.h"
#include "output.h"
#include "rfc7946.h"
#include "run.h"
#include "svg.h"

namespace parallo {
namespace cli {

namespace {

constexpr std::size_t kMaxBaseBytes = 64u << 20;
constexpr std::size_t kMaxIndexBytes = 1u << 30;
constexpr std::size_t kMaxSheetVertices = 32767;
/// Longest sheet id: with ".geojson" it stays within a file name's 255 bytes.
constexpr std::size_t kMaxIdBytes = 200;
const char *const kGeographicDefinition = "EPSG:4326";
constexpr double kPi = 3.14159265358979323846;

std::string Dump(const Json &j) { return j.dump(-1, ' ', false, Json::error_handler_t::replace); }

/// Reads a whole file of at most `limit` bytes; false when it cannot.
bool ReadFile(const std::string &path, std::size_t limit, std::string &text) {
    std::ifstream in(path, std::ios::binary);
    if (!in.is_open()) return false;
    std::string chunk(1 << 16, '\0');
    while (in) {
        in.read(&chunk[0], static_cast<std::streamsize>(chunk.size()));
        text.append(chunk.data(), static_cast<std::size_t>(in.gcount()));
        if (text.size() > limit) return false;
    }
    return in.eof();
}

/// A file read through a buffer of its own that ends its text early once more than `limit` bytes
/// are read (Over) or on a read error (Failed).
class LimitedFile : public std::streambuf {
public:
    LimitedFile(const std::string &path, std::size_t limit)
        : file_(std::fopen(path.c_str(), "rb")), limit_(limit) {}
    ~LimitedFile() override {
        if (file_) std::fclose(file_);
    }
    LimitedFile(const LimitedFile &) = delete;
    LimitedFile &operator=(const LimitedFile &) = delete;

    bool IsOpen() const { return file_ != nullptr; }
    bool Over() const { return read_ > limit_; }
    bool Failed() const { return file_ && std::ferror(file_) != 0; }

protected:
    int_type underflow() override {
        if (!file_ || Over()) return traits_type::eof();
        const std::size_t n = std::fread(buffer_, 1, sizeof buffer_, file_);
        read_ += n;
        if (n == 0 || Over()) return traits_type::eof();
        setg(buffer_, buffer_, buffer_ + n);
        return traits_type::to_int_type(buffer_[0]);
    }

private:
    std::FILE *file_;
    std::size_t limit_, read_ = 0;
    char buffer_[1 << 16];
};

// ---- PROJ for the index's corners and the sheets' centres ------------------------------------

/// PROJ objects of one thread: its own context, the operations between the index's system and
/// the sheets' systems made once and kept (making one from an EPSG code costs milliseconds).
class ProjCache {
public:
    ProjCache() : ctx_(proj_context_create()) {
        if (ctx_) proj_log_level(ctx_, PJ_LOG_NONE);
    }
    ~ProjCache() {
        for (auto &entry : operations_)
            if (entry.second.op) proj_destroy(entry.second.op);
        if (ctx_) proj_context_destroy(ctx_);
    }
    ProjCache(const ProjCache &) = delete;
    ProjCache &operator=(const ProjCache &) = delete;

    /// The operation from `from` to `to` (its geodetic system when `toGeodetic`), axes in
    /// visualisation order: longitude and latitude in degrees, easting and northing in the
    /// system's unit. Null with `error` set when PROJ cannot make it.
    PJ *Operation(const std::string &from, const std::string &to, bool toGeodetic, std::string &error) {
        const std::string key = from + '\n' + to + (toGeodetic ? "\ng" : "\np");
        auto found = operations_.find(key);
        if (found == operations_.end()) found = operations_.emplace(key, Make(from, to, toGeodetic)).first;
        error = found->second.error;
        return found->second.op;
    }

    /// Metres per unit of the first axis of `definition`; 1 when PROJ does not say.
    double MetresPerUnit(const std::string &definition) {
        auto found = factors_.find(definition);
        if (found != factors_.end()) return found->second;
        double factor = 1.0;
        if (PJ *crs = ctx_ ? proj_create(ctx_, definition.c_str()) : nullptr) {
            if (PJ *cs = proj_crs_get_coordinate_system(ctx_, crs)) {
                double f = 0.0;
                if (proj_cs_get_axis_info(ctx_, cs, 0, nullptr, nullptr, nullptr, &f, nullptr, nullptr,
                                          nullptr) &&
                    std::isfinite(f) && f > 0.0)
                    factor = f;
                proj_destroy(cs);
            }
            proj_destroy(crs);
        }
        factors_.emplace(definition, factor);
        return factor;
    }

private:
    struct Entry {
        PJ *op = nullptr;
        std::string error;
    };

    PJ *Crs(const std::string &definition, const char *which, std::string &error) {
        PJ *crs = proj_create(ctx_, definition.c_str());
        if (crs && proj_is_crs(crs)) return crs;
        if (crs) proj_destroy(crs);
        error = std::string("PROJ cannot make the ") + which + " system " + Quoted(definition);
        return nullptr;
    }

    Entry Make(const std::string &from, const std::string &to, bool toGeodetic) {
        Entry e;
        if (!ctx_) {
            e.error = "PROJ cannot start";
            return e;
        }
        PJ *source = Crs(from, "index's", e.error);
        PJ *target = source ? Crs(to, "sheet's", e.error) : nullptr;
        if (target && toGeodetic) {
            PJ *geodetic = proj_crs_get_geodetic_crs(ctx_, target);
            proj_destroy(target);
            target = geodetic;
            if (!target) e.error = "PROJ knows no geographic system of " + Quoted(to);
        }
        if (source && target) {
            if (PJ *op = proj_create_crs_to_crs_from_pj(ctx_, source, target, nullptr, nullptr)) {
                e.op = proj_normalize_for_visualization(ctx_, op);
                proj_destroy(op);
            }
            if (!e.op) e.error = "PROJ knows no way from " + Quoted(from) + " to " + Quoted(to);
        }
        if (source) proj_destroy(source);
        if (target) proj_destroy(target);
        return e;
    }

    PJ_CONTEXT *ctx_;
    std::map<std::string, Entry> operations_;
    std::map<std::string, double> factors_;
};

ProjCache &ThreadProj() {
    thread_local ProjCache cache;
    return cache;
}

/// An axis-aligned rectangle grown point by point.
struct Rect {
    double minX = HUGE_VAL, minY = HUGE_VAL, maxX = -HUGE_VAL, maxY = -HUGE_VAL;
    /// The x range again with x read as a longitude in degrees within 0…360.
    double minEast = HUGE_VAL, maxEast = -HUGE_VAL;
    void Add(double x, double y) {
        minX = std::min(minX, x);
        minY = std::min(minY, y);
        maxX = std::max(maxX, x);
        maxY = std::max(maxY, y);
        const double east = x < 0.0 ? x + 360.0 : x;
        minEast = std::min(minEast, east);
        maxEast = std::max(maxEast, east);
    }
    bool Empty() const { return !(minX <= maxX && minY <= maxY); }
    /// For longitudes in degrees: a sheet across the 180° meridian (170°E to 170°W) spans 20°,
    /// not the 340° between its extreme values. When the span read within 0…360 is the shorter,
    /// the west edge becomes minX and the east edge maxX, each within -180…180, so that minX >
    /// maxX, as corners across the meridian are given to the service.
    void TakeShorterLongitudeSpan() {
        if (maxX - minX <= 180.0 || !(maxEast - minEast < maxX - minX)) return;
        minX = minEast > 180.0 ? minEast - 360.0 : minEast;
        maxX = maxEast > 180.0 ? maxEast - 360.0 : maxEast;
    }
    /// The middle longitude, in degrees within -180…180, also across the 180° meridian.
    double MiddleLongitude() const {
        if (minX <= maxX) return 0.5 * (minX + maxX);
        const double middle = 0.5 * (minX + maxX + 360.0);
        return middle > 180.0 ? middle - 360.0 : middle;
    }
};

/// The rectangle around `xy` (pairs) after the operation from `from` to `to`; raises
/// ConfigError at `path` when a point cannot be converted.
Rect TransformedRect(const std::vector<double> &xy, const std::string &from, const std::string &to,
                     bool toGeodetic, const std::string &path) {
    std::string error;
    PJ *op = ThreadProj().Operation(from, to, toGeodetic, error);
    if (!op) Fail(path, "the sheet's corners cannot be converted: " + error);
    Rect r;
    for (std::size_t i = 0; i + 1 < xy.size(); i += 2) {
        proj_errno_reset(op);
        PJ_COORD c = proj_trans(op, PJ_FWD, proj_coord(xy[i], xy[i + 1], 0.0, 0.0));
        if (proj_errno(op) != 0 || !std::isfinite(c.xy.x) || !std::isfinite(c.xy.y) ||
            std::fabs(c.xy.x) == HUGE_VAL || std::fabs(c.xy.y) == HUGE_VAL)
            Fail(path, "the sheet's point (" + Dump(Json(xy[i])) + ", " + Dump(Json(xy[i + 1])) +
                           ") cannot be converted from " + Quoted(from) + " to " + Quoted(to));
        r.Add(c.xy.x, c.xy.y);
    }
    return r;
}

// ---- the index --------------------------------------------------------------------------------

const std::vector<std::string> kCoordSystemKeys = {"MapViewCoordSystem", "NeatlineCoordSystem",
                                                   "GridCoordSystem"};

/// Refuses a sheet id that cannot name a file of its own in the output directory.
void CheckId(const std::string &id, const std::string &path) {
    if (id.empty()) Fail(path, "the sheet id is empty");
    if (id.size() > kMaxIdBytes)
        Fail(path, "the sheet id is longer than " + std::to_string(kMaxIdBytes) + " bytes");
    for (char c : id)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            Fail(path, "the sheet id " + Quoted(id) + " holds a control character");
    if (id.find('/') != std::string::npos)
        Fail(path, "the sheet id " + Quoted(id) + " holds \"/\": it would name a file elsewhere");
    if (id.find("..") != std::string::npos) Fail(path, "the sheet id " + Quoted(id) + " holds \"..\"");
    if (id[0] == '.') Fail(path, "the sheet id " + Quoted(id) + " starts with \".\" (a hidden file)");
}

/// A sheet id as written: a text, or a number as JSON writes it.
std::string IdText(const Json &v, const std::string &path) {
    if (v.is_string()) return v.get<std::string>();
    if (v.is_number()) return Dump(v);
    Fail(path, "expected the sheet id as a text or a number, got " + TypeName(v));
}

void ReadPolygon(const Json &geometry, const std::string &path, Sheet &sheet) {
    if (geometry.is_null()) return;
    if (!geometry.is_object()) Fail(path, "expected a Polygon geometry or null, got " + TypeName(geometry));
    auto type = geometry.find("type");
    if (type == geometry.end() || *type != "Polygon")
        Fail(MemberPath(path, "type"), "a sheet is a \"Polygon\" (its neatline or its rectangle)");
    auto rings = geometry.find("coordinates");
    const std::string ringsPath = MemberPath(path, "coordinates");
    if (rings == geometry.end() || !rings->is_array() || rings->empty())
        Fail(ringsPath, "expected an array of rings");
    for (std::size_t r = 0; r < rings->size(); ++r) {
        const Json &ring = (*rings)[r];
        const std::string ringPath = IndexPath(ringsPath, r);
        if (!ring.is_array()) Fail(ringPath, "expected an array of positions, got " + TypeName(ring));
        for (std::size_t i = 0; i < ring.size(); ++i) {
            if (sheet.vertices.size() / 2 >= kMaxSheetVertices)
                Fail(ringPath, "more than " + std::to_string(kMaxSheetVertices) + " positions");
            const shapekit::Point p = ReadPoint(ring[i], IndexPath(ringPath, i));
            sheet.vertices.push_back(p.x);
            sheet.vertices.push_back(p.y);
        }
    }
    if (sheet.vertices.empty()) Fail(ringsPath, "the polygon has no positions");
    sheet.vertices.shrink_to_fit();
}

void ReadFeature(const Json &feature, const std::string &path, Sheet &sheet) {
    if (!feature.is_object()) Fail(path, "expected a Feature object, got " + TypeName(feature));
    auto type = feature.find("type");
    if (type == feature.end() || *type != "Feature") Fail(MemberPath(path, "type"), "expected \"Feature\"");
    auto properties = feature.find("properties");
    if (properties != feature.end() && !properties->is_null() && !properties->is_object())
        Fail(MemberPath(path, "properties"), "expected an object, got " + TypeName(*properties));
    const bool hasProperties = properties != feature.end() && properties->is_object();
    auto id = feature.find("id");
    if (id != feature.end()) {
        sheet.id = IdText(*id, MemberPath(path, "id"));
    } else if (hasProperties && properties->contains("sheet")) {
        sheet.id = IdText((*properties)["sheet"], MemberPath(MemberPath(path, "properties"), "sheet"));
    } else {
        Fail(path, "the sheet has no name: give the feature an \"id\" or a property \"sheet\"");
    }
    sheet.label = Quoted(sheet.id);
    CheckId(sheet.id, id != feature.end() ? MemberPath(path, "id")
                                          : MemberPath(MemberPath(path, "properties"), "sheet"));
    if (hasProperties)
        for (auto it = properties->begin(); it != properties->end(); ++it)
            if (it.key() != "sheet") sheet.overrides[it.key()] = it.value();
    auto geometry = feature.find("geometry");
    if (geometry != feature.end()) ReadPolygon(*geometry, MemberPath(path, "geometry"), sheet);
}

void ReadLine(const std::string &line, Sheet &sheet) {
    Json keys = ParseJson(line);
    if (!keys.is_object()) Fail("$", "expected an object of a sheet's keys, got " + TypeName(keys));
    auto id = keys.find("sheet");
    if (id == keys.end()) Fail("$", "the sheet has no name: give it a key \"sheet\"");
    sheet.id = IdText(*id, "$.sheet");
    sheet.label = Quoted(sheet.id);
    CheckId(sheet.id, "$.sheet");
    for (auto it = keys.begin(); it != keys.end(); ++it)
        if (it.key() != "sheet") sheet.overrides[it.key()] = it.value();
}

/// Refuses every sheet whose id an earlier sheet has taken: both would write the same files.
void RefuseDuplicates(Index &index) {
    std::map<std::string, std::size_t> taken;
    for (std::size_t i = 0; i < index.sheets.size(); ++i) {
        Sheet &s = index.sheets[i];
        if (!s.problem.empty()) continue;
        auto inserted = taken.emplace(s.id, i);
        if (!inserted.second)
            s.problem = "the sheet id " + Quoted(s.id) + " is taken by an earlier sheet (" +
                        index.sheets[inserted.first->second].label + ")";
    }
}

// ---- a sheet's configuration ------------------------------------------------------------------

/// The definition text of a coordinate-system value as the reader takes it.
std::string DefinitionText(const Json &v) {
    const Json *definition = &v;
    if (v.is_object() && v.contains("definition")) definition = &v["definition"];
    if (definition->is_string()) return definition->get<std::string>();
    return Dump(*definition);
}

Json *DefinitionSlot(Json &config, const std::string &key) {
    auto it = config.find(key);
    if (it == config.end()) return nullptr;
    if (it->is_object() && it->contains("definition")) return &(*it)["definition"];
    return &*it;
}

bool IsUtm(Json &config, const std::string &key) {
    const Json *slot = DefinitionSlot(config, key);
    return slot && slot->is_string() && *slot == "UTM";
}

bool GeographicExtents(const Json &config) {
    auto it = config.find("NeatlineExtentsType");
    return it != config.end() && (*it == 1 || *it == "kExtentGeographic");
}

bool HasString(const Json &config, const char *key, const char *value) {
    auto it = config.find(key);
    return it != config.end() && *it == value;
}

/// The centre, in degrees, of the rectangle around points given as corners are read (the
/// neatline system and its units, or the index's system when it names one).
void Centre(const Json &config, const Index &index, const std::vector<double> &xy, const std::string &path,
            double &longitude, double &latitude) {
    Rect r;
    if (!index.crs.empty()) {
        r = TransformedRect(xy, index.crs, kGeographicDefinition, false, path);
    } else if (GeographicExtents(config)) {
        const double toDegrees = HasString(config, "AngleUnit", "radian") ? 180.0 / kPi : 1.0;
        for (std::size_t i = 0; i + 1 < xy.size(); i += 2)
            r.Add(xy[i] * toDegrees, xy[i + 1] * toDegrees);
    } else {
        const std::string key =
            config.contains("NeatlineCoordSystem") ? "NeatlineCoordSystem" : "MapViewCoordSystem";
        auto it = config.find(key);
        if (it == config.end())
            Fail("$.MapViewCoordSystem", "missing: the map view's coordinate system is required");
        const std::string definition = DefinitionText(*it);
        if (definition == "UTM")
            Fail(MemberPath("$", key),
                 "\"UTM\" needs the sheet's centre, but the index names no \"crs\" and the "
                 "corners are projected: give the index a \"crs\", or geographic corners");
        std::vector<double> native = xy;
        if (HasString(config, "LinearUnit", "metre")) {
            const double metres = ThreadProj().MetresPerUnit(definition);
            for (double &v : native)
                v /= metres;
        }
        r = TransformedRect(native, definition, kGeographicDefinition, false, path);
    }
    r.TakeShorterLongitudeSpan();
    longitude = r.MiddleLongitude();
    latitude = 0.5 * (r.minY + r.maxY);
}

/// The corners a configuration gives, as x, y pairs.
std::vector<double> ConfigCorners(const Json &config) {
    std::vector<double> xy;
    for (const char *key : {"NeatlineLowerLeft", "NeatlineUpperRight"}) {
        auto it = config.find(key);
        if (it == config.end())
            Fail(MemberPath("$", key),
                 "missing: the sheet has no polygon, so its keys must give the corners");
        const shapekit::Point p = ReadPoint(*it, MemberPath("$", key));
        xy.push_back(p.x);
        xy.push_back(p.y);
    }
    return xy;
}

/// Sets the corners from the sheet's polygon: its bounding rectangle in the neatline system, in
/// the units the configuration reads corners in.
void SetCorners(Json &config, const Index &index, const Sheet &sheet) {
    const std::string key =
        config.contains("NeatlineCoordSystem") ? "NeatlineCoordSystem" : "MapViewCoordSystem";
    Rect r;
    auto system = config.find(key);
    if (index.crs.empty() || system == config.end()) {
        for (std::size_t i = 0; i + 1 < sheet.vertices.size(); i += 2)
            r.Add(sheet.vertices[i], sheet.vertices[i + 1]);
        if (GeographicExtents(config) && !HasString(config, "AngleUnit", "radian"))
            r.TakeShorterLongitudeSpan();
    } else {
        const std::string definition = DefinitionText(*system);
        const bool geographic = GeographicExtents(config);
        if (!geographic && definition == index.crs) {
            for (std::size_t i = 0; i + 1 < sheet.vertices.size(); i += 2)
                r.Add(sheet.vertices[i], sheet.vertices[i + 1]);
        } else {
            r = TransformedRect(sheet.vertices, index.crs, definition, geographic, "$.NeatlineLowerLeft");
            if (geographic) r.TakeShorterLongitudeSpan();
        }
        double scale = 1.0;
        if (geographic && HasString(config, "AngleUnit", "radian")) scale = kPi / 180.0;
        if (!geographic && HasString(config, "LinearUnit", "metre"))
            scale = ThreadProj().MetresPerUnit(definition);
        if (scale != 1.0) {
            r.minX *= scale;
            r.minY *= scale;
            r.maxX *= scale;
            r.maxY *= scale;
        }
    }
    config["NeatlineLowerLeft"] = Json::array({r.minX, r.minY});
    config["NeatlineUpperRight"] = Json::array({r.maxX, r.maxY});
}

// ---- running the sheets -----------------------------------------------------------------------

enum class Status { kOk, kFailed, kRefused, kError, kSkipped };

const char *StatusName(Status s) {
    switch (s) {
    case Status::kOk:
        return "ok";
    case Status::kFailed:
        return "failed";
    case Status::kRefused:
        return "refused";
    case Status::kError:
        return "error";
    default:
        return "skipped";
    }
}

struct Outcome {
    Status status = Status::kOk;
    std::vector<std::string> failures, warnings;
    /// For a skipped sheet: the status the previous run gave it, when its summary says.
    std::string previous;
};

struct SeriesOptions {
    std::string basePath, indexPath, outDir;
    unsigned threads = 0;
    bool force = false;
    bool rfc7946 = false;
};

/// Whether `path` is a regular file modified after `time`.
bool NewerThan(const std::string &path, const timespec &time) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    return st.st_mtim.tv_sec > time.tv_sec ||
           (st.st_mtim.tv_sec == time.tv_sec && st.st_mtim.tv_nsec > time.tv_nsec);
}

/// One sheet, as the single command runs its configuration with -o and --svg.
Outcome RunSheet(const Json &base, const Index &index, const Sheet &sheet, const SeriesOptions &o,
                 const timespec &inputsTime) {
    Outcome outcome;
    if (!sheet.problem.empty()) {
        outcome.status = Status::kRefused;
        outcome.failures.push_back(sheet.problem);
        return outcome;
    }
    const std::string geojsonPath = o.outDir + "/" + sheet.id + ".geojson";
    const std::string svgPath = o.outDir + "/" + sheet.id + ".svg";
    if (!o.force && NewerThan(geojsonPath, inputsTime) && NewerThan(svgPath, inputsTime)) {
        outcome.status = Status::kSkipped;
        return outcome;
    }
    Json config;
    Frame frame;
    try {
        // Read back from its text as the single command reads its file, so that nothing of the
        // in-memory form (a number's type, say) can make the two differ.
        config = ParseJson(Dump(SheetConfig(base, index, sheet)));
        frame = ReadConfig(config);
        CheckCallNeeds(config, frame);
    } catch (const ConfigError &e) {
        outcome.status = Status::kRefused;
        outcome.failures.push_back(e.what());
        return outcome;
    }
    // One measurer per thread: fontconfig's set-up and the faces cost more than a sheet's
    // labels; measuring is deterministic, so the boxes are those of a measurer of its own.
    thread_local std::unique_ptr<TextMeasurer> fonts = CreateFontTextMeasurer();
    thread_local ApproximateTextMeasurer rough;
    RunResult result = RunCalls(frame, fonts ? *fonts : static_cast<TextMeasurer &>(rough));
    outcome.warnings = Warnings(config, frame, result);
    if (result.laidOut && !result.layout.Failure.empty())
        outcome.warnings.push_back("the label layout failed (" + result.layout.Failure +
                                   "): every label is drawn");
    outcome.failures = FailureLines(frame, result);
    std::vector<OutputFile> files;
    try {
        files.push_back(OutputFile{geojsonPath, o.rfc7946 ? WriteRfc7946GeoJson(frame, result)
                                                          : WriteGeoJson(frame, result)});
    } catch (const Rfc7946Error &e) {
        outcome.status = Status::kError;
        outcome.failures.push_back(std::string("--rfc7946: ") + e.what());
        return outcome;
    }
    files.push_back(OutputFile{svgPath, WriteSvg(frame, result)});
    const std::string error = WriteFilesAtomically(files, false);
    if (!error.empty()) {
        outcome.status = Status::kError;
        outcome.failures.push_back(error);
        return outcome;
    }
    outcome.status = outcome.failures.empty() ? Status::kOk : Status::kFailed;
    return outcome;
}

/// A sheet is fine when it is written without failures, or skipped after a run that wrote it
/// without failures.
bool Fine(const Outcome &o) {
    if (o.status == Status::kSkipped) return o.previous.empty() || o.previous == "ok";
    return o.status == Status::kOk;
}

Json OutcomeJson(const Index &index, std::size_t i, const Outcome &o) {
    const Sheet &s = index.sheets[i];
    Json j;
    j["sheet"] = s.id.empty() ? Json(nullptr) : Json(s.id);
    j["position"] = i + 1;
    j["status"] = StatusName(o.status);
    if (!o.previous.empty()) j["previous"] = o.previous;
    j["failures"] = o.failures;
    j["warnings"] = o.warnings;
    return j;
}

/// The line standard error shows for a sheet that is not fine.
std::string FailureLine(const Sheet &sheet, const Outcome &outcome) {
    std::string line = "parallo: sheet " + sheet.label + ": ";
    for (std::size_t k = 0; k < outcome.failures.size() && k < 3; ++k)
        line += (k ? "; " : "") + outcome.failures[k];
    if (outcome.failures.size() > 3)
        line += " (and " + std::to_string(outcome.failures.size() - 3) + " more)";
    if (outcome.status == Status::kSkipped) line += " (from the previous run)";
    return line;
}

/// OUTDIR/summary.json, written as the sheets finish: a sheet's entry goes to a spool file as soon
/// as every sheet before it in the index has its own, so that memory holds the counts, the lines
/// of failed sheets and only the entries of sheets finished ahead of an earlier one, not an entry
/// per sheet. The counts head the summary: at the end its file is written from them and the spool.
class Summary {
public:
    /// `previous` gives a skipped sheet the status, failures and warnings of the run before.
    Summary(const std::string &outDir, const Index &index, const std::map<std::string, Outcome> &previous)
        : index_(index), previous_(previous) {
        // An unnamed file next to the sheets; when none can be made, the entries stay in memory.
        std::string name = outDir + "/.summary.json.results-XXXXXX";
        const int fd = ::mkstemp(&name[0]);
        if (fd < 0) return;
        ::unlink(name.c_str());
        spool_ = ::fdopen(fd, "w+");
        if (!spool_) ::close(fd);
    }
    ~Summary() {
        if (spool_) std::fclose(spool_);
    }
    Summary(const Summary &) = delete;
    Summary &operator=(const Summary &) = delete;

    /// Records the outcome of sheet `i`; called from every worker thread, once per sheet.
    void Add(std::size_t i, Outcome outcome) {
        if (outcome.status == Status::kSkipped) {
            auto found = previous_.find(index_.sheets[i].id);
            if (found != previous_.end()) {
                outcome.previous = found->second.previous;
                outcome.failures = found->second.failures;
                outcome.warnings = found->second.warnings;
            }
        }
        Entry entry{Dump(OutcomeJson(index_, i, outcome)),
                    Fine(outcome) ? std::string() : FailureLine(index_.sheets[i], outcome)};
        std::lock_guard<std::mutex> lock(mutex_);
        ++counts_[static_cast<int>(outcome.status)];
        pending_.emplace(i, std::move(entry));
        for (auto first = pending_.begin(); first != pending_.end() && first->first == next_;
             first = pending_.begin()) {
            Append(next_ ? ",\n  " : "\n  ");
            Append(first->second.text);
            if (!first->second.failureLine.empty())
                failureLines_.push_back(std::move(first->second.failureLine));
            pending_.erase(first);
            ++next_;
        }
    }

    /// The line of each sheet that is not fine, in index order (once every sheet is added).
    const std::vector<std::string> &FailureLines() const { return failureLines_; }

    /// Writes the summary whole to `path` once every sheet is added; returns "" or a message.
    std::string Write(const SeriesOptions &opt, const std::string &path) {
        Json head;
        head["base"] = opt.basePath;
        head["index"] = opt.indexPath;
        head["sheets"] = index_.sheets.size();
        for (Status s : {Status::kOk, Status::kFailed, Status::kRefused, Status::kError, Status::kSkipped})
            head[StatusName(s)] = counts_[static_cast<int>(s)];
        std::string text = Dump(head);
        text.pop_back();
        text += ",\n\"results\": [";
        Append("\n]}\n");
        if (!spool_) return WriteFilesAtomically({OutputFile{path, text + memory_}});
        if (std::fflush(spool_) != 0 || std::ferror(spool_)) {
            const std::string error = std::strerror(errno);
            return "cannot write " + path + ": " + error;
        }
        return WriteFileAtomically(path, text, ::fileno(spool_));
    }

private:
    struct Entry {
        std::string text, failureLine;
    };

    void Append(const std::string &text) {
        if (spool_)
            std::fwrite(text.data(), 1, text.size(), spool_);
        else
            memory_ += text;
    }

    const Index &index_;
    const std::map<std::string, Outcome> &previous_;
    std::mutex mutex_;
    std::FILE *spool_ = nullptr;
    std::string memory_;
    /// Entries of sheets finished before an earlier sheet, by index.
    std::map<std::size_t, Entry> pending_;
    /// The first sheet whose entry is not yet written.
    std::size_t next_ = 0;
    std::size_t counts_[5] = {0, 0, 0, 0, 0};
    std::vector<std::string> failureLines_;
};

/// The statuses, failures and warnings of the previous run, by sheet id, for the sheets a re-run
/// skips.
std::map<std::string, Outcome> PreviousOutcomes(const std::string &summaryPath) {
    std::map<std::string, Outcome> previous;
    std::string text;
    if (!ReadFile(summaryPath, kMaxIndexBytes, text)) return previous;
    try {
        // Each entry is taken as soon as it is parsed: the summary of a large series is never
        // held as a whole tree.
        ParseJson(text, "results", [&previous](Json &&r) {
            if (!r.at("sheet").is_string()) return;
            Outcome o;
            o.previous = r.at("status").get<std::string>();
            if (o.previous == "skipped") o.previous = r.value("previous", std::string("ok"));
            o.failures = r.at("failures").get<std::vector<std::string>>();
            o.warnings = r.at("warnings").get<std::vector<std::string>>();
            // The first entry of an id is its sheet's; a later one is a duplicate that was refused.
            previous.emplace(r.at("sheet").get<std::string>(), std::move(o));
        });
    } catch (const std::exception &) {
        previous.clear();
    }
    return previous;
}

/// "1:02" for 62 seconds.
std::string Clock(double seconds) {
    const long s = std::lround(std::max(0.0, std::min(seconds, 359999.0)));
    char text[32];
    if (s >= 3600)
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", s / 3600, (s / 60) % 60, s % 60);
    else
        std::snprintf(text, sizeof text, "%ld:%02ld", s / 60, s % 60);
    return text;
}

const char *const kSeriesFooter = R"(
Each feature of INDEX.geojson (a GeoJSON FeatureCollection) is a sheet: its polygon's
bounding rectangle gives NeatlineLowerLeft and NeatlineUpperRight, in the system the
index's "crs" names (converted to the neatline system), else in the neatline system and
units of BASE.json; its "id" (or property "sheet") names the sheet's files; its other
properties replace keys of BASE.json for that sheet. An index named *.jsonl or *.ndjson
holds one JSON object of a sheet's keys per line instead ("sheet" names it). A coordinate
system given as "UTM" is the WGS 84 UTM zone of each sheet's centre.

Each sheet gets OUTDIR/<id>.geojson and OUTDIR/<id>.svg, the same bytes as the single
command gives for the sheet's configuration; OUTDIR/summary.json lists every sheet's
status, failures and warnings. A sheet whose two files are newer than BASE.json and
INDEX.geojson is skipped unless --force.
Exit status: 0 every sheet written (or skipped) without failures; 1 OUTDIR or the summary
cannot be written; 2 a bad command line, BASE.json or index; 4 some sheet failed (one line
each on standard error; the other sheets are written all the same).
)";

int ParseSeriesLine(int argc, const char *const *argv, std::ostream &out, std::ostream &err,
                    SeriesOptions &o) {
    CLI::App app{"Computes the frames of a map series: one base configuration, one index of sheets,\n"
                 "a GeoJSON and an SVG for every sheet.",
                 "parallo series"};
    app.add_option("BASE", o.basePath, "the configuration every sheet starts from (JSON)")->required();
    app.add_option("INDEX", o.indexPath, "the sheets: a GeoJSON FeatureCollection, or JSON lines (*.jsonl)")
        ->required();
    app.add_option("-o,--output", o.outDir, "the directory the sheets' files go to (made when missing)")
        ->required();
    app.add_option("-j,--jobs", o.threads, "threads (default: one per core)")->check(CLI::Range(1u, 1024u));
    app.add_flag("--force", o.force, "run every sheet, also those whose files are up to date");
    app.add_flag("--rfc7946", o.rfc7946,
                 "write each sheet's GeoJSON in WGS 84 longitude and latitude without the \"crs\" member, "
                 "cut at the 180 degree meridian (as parallo --rfc7946); add --force when switching forms");
    app.footer(kSeriesFooter);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError &e) {
        int status = app.exit(e, out, err);
        return status == 0 ? kExitSuccess : kExitBadUsage;
    }
    return -1;
}

bool ReadBase(const std::string &path, std::ostream &err, Json &base) {
    std::string text;
    if (!ReadFile(path, kMaxBaseBytes, text)) {
        err << "parallo: cannot read " << path << (text.size() > kMaxBaseBytes ? ": larger than 64 MiB" : "")
            << "\n";
        return false;
    }
    try {
        base = ParseJson(text);
        if (!base.is_object())
            Fail("$", "expected a JSON object of service properties, got " + TypeName(base));
        for (auto it = base.begin(); it != base.end(); ++it) {
            const std::vector<std::string> &keys = KnownKeys();
            if (std::find(keys.begin(), keys.end(), it.key()) == keys.end())
                Fail(MemberPath("$", it.key()), "unknown key" + Suggestion(it.key(), keys));
        }
    } catch (const ConfigError &e) {
        err << "parallo: " << path << ": " << e.what() << "\n";
        return false;
    }
    return true;
}

bool EndsWith(const std::string &s, const std::string &tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

/// Shows the sheets done, the rate and the time left on one line of a terminal.
void ShowProgress(std::ostream &err, std::size_t done, std::size_t total, double seconds, bool last) {
    const double rate = seconds > 0.0 ? static_cast<double>(done) / seconds : 0.0;
    const double left = rate > 0.0 ? static_cast<double>(total - done) / rate : 0.0;
    const int width = 30;
    const int filled =
        total ? static_cast<int>(width * static_cast<double>(done) / static_cast<double>(total)) : width;
    err << "\rparallo: [" << std::string(static_cast<std::size_t>(filled), '#')
        << std::string(static_cast<std::size_t>(width - filled), ' ') << "] " << done << "/" << total
        << " sheets, " << std::lround(rate) << "/s, "
        << (last ? Clock(seconds) + " in all" : Clock(left) + " left") << "   " << (last ? "\n" : "")
        << std::flush;
}

int Series(int argc, const char *const *argv, std::ostream &out, std::ostream &err) {
    SeriesOptions o;
    const int parsed = ParseSeriesLine(argc, argv, out, err, o);
    if (parsed >= 0) return parsed;
    while (o.outDir.size() > 1 && o.outDir.back() == '/')
        o.outDir.pop_back();

    Json base;
    if (!ReadBase(o.basePath, err, base)) return kExitBadUsage;
    // The index is read as it is parsed: neither its text nor its JSON is ever held whole.
    Index index;
    {
        LimitedFile file(o.indexPath, kMaxIndexBytes);
        std::istream in(&file);
        std::string problem;
        try {
            if (file.IsOpen())
                index = ReadIndex(in, EndsWith(o.indexPath, ".jsonl") || EndsWith(o.indexPath, ".ndjson"));
        } catch (const ConfigError &e) {
            problem = e.what();
        }
        if (!file.IsOpen() || file.Failed() || file.Over()) {
            err << "parallo: cannot read " << o.indexPath << (file.Over() ? ": larger than 1 GiB" : "")
                << "\n";
            return kExitBadUsage;
        }
        if (!problem.empty()) {
            err << "parallo: " << o.indexPath << ": " << problem << "\n";
            return kExitBadUsage;
        }
    }

    std::error_code ec;
    std::filesystem::create_directories(o.outDir, ec);
    if (ec || !std::filesystem::is_directory(o.outDir, ec)) {
        err << "parallo: -o: cannot make the directory " << o.outDir << "\n";
        return kExitFailure;
    }
    timespec inputsTime{};
    for (const std::string *path : {&o.basePath, &o.indexPath}) {
        struct stat st {};
        if (::stat(path->c_str(), &st) == 0 &&
            (st.st_mtim.tv_sec > inputsTime.tv_sec ||
             (st.st_mtim.tv_sec == inputsTime.tv_sec && st.st_mtim.tv_nsec > inputsTime.tv_nsec)))
            inputsTime = st.st_mtim;
    }
    const std::string summaryPath = o.outDir + "/summary.json";
    std::map<std::string, Outcome> previous;
    if (!o.force) previous = PreviousOutcomes(summaryPath);

    // Work handed out one sheet at a time: sheets differ in cost (labels, strokes), and an atomic
    // counter keeps every thread busy to the end.
    const std::size_t total = index.sheets.size();
    Summary summary(o.outDir, index, previous);
    std::atomic<std::size_t> next{0}, done{0};
    std::mutex mutex;
    std::condition_variable finished;
    auto work = [&]() {
        for (std::size_t i = next++; i < total; i = next++) {
            Outcome outcome;
            try {
                outcome = RunSheet(base, index, index.sheets[i], o, inputsTime);
            } catch (const std::exception &e) {
                outcome = Outcome();
                outcome.status = Status::kError;
                outcome.failures.push_back(std::string("internal failure: ") + e.what());
            }
            summary.Add(i, std::move(outcome));
            if (++done == total) {
                std::lock_guard<std::mutex> lock(mutex);
                finished.notify_all();
            }
        }
    };
    unsigned threads = o.threads ? o.threads : std::max(1u, std::thread::hardware_concurrency());
    threads = static_cast<unsigned>(std::min<std::size_t>(threads, std::max<std::size_t>(total, 1)));
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::thread> pool;
    for (unsigned t = 0; t < threads; ++t)
        pool.emplace_back(work);
    const bool progress = &err == &std::cerr && ::isatty(STDERR_FILENO) == 1;
    auto elapsed = [&start]() {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
    {
        std::unique_lock<std::mutex> lock(mutex);
        while (done.load() < total) {
            finished.wait_for(lock, std::chrono::milliseconds(200));
            if (progress) ShowProgress(err, done.load(), total, elapsed(), false);
        }
    }
    for (std::thread &t : pool)
        t.join();
    if (progress) ShowProgress(err, total, total, elapsed(), true);

    const std::size_t failed = summary.FailureLines().size();
    for (const std::string &line : summary.FailureLines())
        err << line << "\n";
    // The sheets' files are flushed to the disk together, once, rather than each on its own.
    std::string error = SyncDirectory(o.outDir);
    if (error.empty()) error = summary.Write(o, summaryPath);
    if (!error.empty()) {
        err << "parallo: " << error << "\n";
        return kExitFailure;
    }
    if (failed > 0) {
        err << "parallo: " << failed << " of " << total << " sheets failed (see " << summaryPath << ")\n";
        return kExitSheetFailed;
    }
    return kExitSuccess;
}

} // namespace

std::string UtmDefinition(double longitude, double latitude) {
    double lon = std::fmod(longitude + 180.0, 360.0);
    if (lon < 0.0) lon += 360.0;
    lon -= 180.0;
    int zone = static_cast<int>(std::floor((lon + 180.0) / 6.0)) + 1;
    zone = std::min(std::max(zone, 1), 60);
    // South-western Norway belongs to 32V; Svalbard to the wide zones 31X, 33X, 35X and 37X.
    if (latitude >= 56.0 && latitude < 64.0 && lon >= 3.0 && lon < 12.0) zone = 32;
    if (latitude >= 72.0 && latitude <= 84.0 && lon >= 0.0 && lon < 42.0) {
        if (lon < 9.0)
            zone = 31;
        else if (lon < 21.0)
            zone = 33;
        else if (lon < 33.0)
            zone = 35;
        else
            zone = 37;
    }
    char text[16];
    std::snprintf(text, sizeof text, "EPSG:32%c%02d", latitude >= 0.0 ? '6' : '7', zone);
    return text;
}

Index ReadIndex(const std::string &text, bool jsonLines) {
    std::istringstream in(text);
    return ReadIndex(in, jsonLines);
}

Index ReadIndex(std::istream &in, bool jsonLines) {
    Index index;
    if (jsonLines) {
        std::size_t number = 0;
        std::string line;
        while (std::getline(in, line)) {
            ++number;
            if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
            Sheet sheet;
            sheet.label = "line " + std::to_string(number);
            try {
                ReadLine(line, sheet);
            } catch (const ConfigError &e) {
                sheet.problem = e.what();
                sheet.id.clear();
            }
            index.sheets.push_back(std::move(sheet));
        }
        RefuseDuplicates(index);
        return index;
    }

    // Each feature becomes a sheet as soon as it is parsed and is then dropped, so that reading
    // an index of many thousand sheets never holds all of their JSON at once.
    const Json doc = ParseJson(in, "features", [&index](Json &&feature) {
        const std::size_t i = index.sheets.size();
        index.sheets.emplace_back();
        Sheet &sheet = index.sheets.back();
        sheet.label = "feature " + std::to_string(i + 1);
        try {
            ReadFeature(feature, IndexPath("$.features", i), sheet);
        } catch (const ConfigError &e) {
            sheet.problem = e.what();
            sheet.id.clear();
            sheet.label = "feature " + std::to_string(i + 1);
            sheet.overrides = Json();
            sheet.vertices.clear();
            sheet.vertices.shrink_to_fit();
        }
    });
    if (!doc.is_object()) Fail("$", "expected a GeoJSON FeatureCollection, got " + TypeName(doc));
    auto type = doc.find("type");
    if (type == doc.end() || *type != "FeatureCollection") Fail("$.type", "expected \"FeatureCollection\"");
    auto features = doc.find("features");
    if (features == doc.end() || !features->is_array()) Fail("$.features", "expected an array of sheets");
    auto crs = doc.find("crs");
    if (crs != doc.end() && !crs->is_null()) {
        // The named form the command writes: {"type": "name", "properties": {"name": DEFINITION}}.
        const Json *name = nullptr;
        if (crs->is_object() && crs->value("type", Json()) == "name" && crs->contains("properties") &&
            (*crs)["properties"].is_object() && (*crs)["properties"].contains("name"))
            name = &(*crs)["properties"]["name"];
        if (!name || !name->is_string() || name->get<std::string>().empty())
            Fail("$.crs", "expected {\"type\": \"name\", \"properties\": {\"name\": DEFINITION}}");
        index.crs = name->get<std::string>();
        std::string error;
        if (!ThreadProj().Operation(index.crs, kGeographicDefinition, false, error))
            Fail("$.crs.properties.name", error);
    }
    RefuseDuplicates(index);
    return index;
}

Json SheetConfig(const Json &base, const Index &index, const Sheet &sheet) {
    Json config = base;
    // A null property removes the base's key: the sheet takes the reader's default.
    for (auto it = sheet.overrides.begin(); it != sheet.overrides.end(); ++it) {
        if (it.value().is_null())
            config.erase(it.key());
        else
            config[it.key()] = it.value();
    }
    const bool cornersGiven =
        sheet.overrides.contains("NeatlineLowerLeft") || sheet.overrides.contains("NeatlineUpperRight");

    bool utm = false;
    for (const std::string &key : kCoordSystemKeys)
        utm = utm || IsUtm(config, key);
    if (utm) {
        double longitude = 0.0, latitude = 0.0;
        if (!sheet.vertices.empty() && !cornersGiven)
            Centre(config, index, sheet.vertices, "$.NeatlineLowerLeft", longitude, latitude);
        else
            Centre(config, Index(), ConfigCorners(config), "$.NeatlineLowerLeft", longitude, latitude);
        const std::string zone = UtmDefinition(longitude, latitude);
        for (const std::string &key : kCoordSystemKeys)
            if (IsUtm(config, key)) *DefinitionSlot(config, key) = zone;
    }
    if (!sheet.vertices.empty() && !cornersGiven) SetCorners(config, index, sheet);
    return config;
}

int RunSeriesCommand(int argc, const char *const *argv, std::ostream &out, std::ostream &err) noexcept {
    return ExitStatusOf([](int n, const char *const *v, std::istream *, std::ostream &o,
                           std::ostream &e) { return Series(n, v, o, e); },
                        argc, argv, nullptr, out, err);
}

} // namespace cli
} // namespace parallo
