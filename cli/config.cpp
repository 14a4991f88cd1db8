// The configuration reader: the table of configuration keys, each with the reader of its JSON
// value into FurnitureOptions and the step that hands the option to the service. The command
// reads each key into the options and at once hands it on; the plain front hands on the options
// a host filled in. Keys are taken in a fixed order where one value decides how another is read
// (units and extent types before the coordinate systems, coordinate systems before anything
// measured in them); the rest in the order the file gives them (the table's order for a host's
// options), so that the first bad key of the file is the one reported.
#include "config.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <functional>
#include <utility>
#include <vector>

#include "parallo/coordkit_proj.h"
#include "parallo/planicalc.h"
#include "run.h"

namespace parallo {
namespace cli {

namespace {

constexpr std::size_t kMaxCalls = 1000;
constexpr std::size_t kMaxPolygonPoints = 32767;

// ---- names ----------------------------------------------------------------------------------

const std::vector<std::string> kLabelPartKeys = {"bDisplay", "FontType", "Font", "Text"};
const std::vector<std::string> kFontKeys = {"Name",      "Size",          "Bold",   "Italic",
                                            "Underline", "Strikethrough", "Weight", "Charset"};
const std::vector<std::string> kCoordSystemWrapperKeys = {"definition", "BaseStorageType"};

const EnumTable kExtentTypes = {{"kExtentProjected", 0}, {"kExtentGeographic", 1}};
const EnumTable kStorageTypes = {{"kProjectedStorage", 0}, {"kGeographicStorage", 1}};
const EnumTable kGridTypes = {
    {"PXgtSimple", 0}, {"PXgtTicks", 1}, {"PXgtCrosses", 2}, {"PXgtTicksAndCrosses", 3}};
const EnumTable kLabelTypes = {{"PXltEdge", 0}, {"PXltCorner", 1}};
const EnumTable kOrientations = {
    {"PXloParallelPerpendicular", 0}, {"PXloParallel", 1}, {"PXloPerpendicular", 2}};
const EnumTable kRelativePositions = {{"PXloAbove", 0}, {"PXloBelow", 1}, {"PXloCenter", 2}};
const EnumTable kLabelPositions = {{"pxgrdLabelPosition_Outside", 0}, {"pxgrdLabelPosition_Inside", 1}};
const EnumTable kFontTypes = {
    {"pxgrdFontType_Normal", 0}, {"pxgrdFontType_Superscript", 1}, {"pxgrdFontType_Subscript", 2}};

std::string DescribeException(const std::exception &e) {
    if (const auto *error = dynamic_cast<const parallo::Error *>(&e))
        return error->Description().empty() ? std::string(e.what()) : error->Description();
    return e.what();
}

using Options = FurnitureOptions;

// ---- checks of option values ----------------------------------------------------------------
// A host's options are checked as the JSON reader checks the same values, with its messages:
// each value goes through the reader of its JSON form. For options read from JSON they pass.

double Finite(double v, const std::string &path) { return ReadNumber(Json(v), path); }

void FinitePoint(const shapekit::Point &p, const std::string &path) {
    Finite(p.x, IndexPath(path, 0));
    Finite(p.y, IndexPath(path, 1));
    Finite(p.z, IndexPath(path, 2));
}

std::int32_t Member(std::int32_t v, const std::string &path, const EnumTable &table) {
    return ReadEnum(Json(v), path, table);
}

void InRange(std::int64_t v, const std::string &path, std::int64_t lo, std::int64_t hi) {
    ReadInteger(Json(v), path, lo, hi);
}

void CheckPolygonSize(std::size_t n, const std::string &p) {
    if (n < 3) Fail(p, "a polygon needs at least 3 points, got " + std::to_string(n));
    // As many points as a stroked neatline may have (a 16-bit count); every generator works
    // through all of them, so a million-point frame would cost seconds per call.
    if (n > kMaxPolygonPoints)
        Fail(p, "at most " + std::to_string(kMaxPolygonPoints) + " points, got " + std::to_string(n));
}

void CheckCallsSize(std::size_t n, const std::string &p) {
    // Each call may take up to a second on a large frame: a list of thousands is a mistake.
    if (n > kMaxCalls) Fail(p, "at most " + std::to_string(kMaxCalls) + " methods, got " + std::to_string(n));
}

void CheckCallName(const std::string &name, const std::string &p) {
    if (!FindMethod(name)) Fail(p, "unknown method " + Quoted(name) + Suggestion(name, KnownCalls()));
}

void CheckFontSize(double size, const std::string &p) {
    if (size < 0.0) Fail(p, "a font size cannot be negative");
}

void CheckAngleUnit(const std::string &unit, const std::string &p) {
    if (unit != "degree" && unit != "radian")
        Fail(p, "unknown unit " + Quoted(unit) + ": expected \"degree\" or \"radian\"");
}

void CheckLinearUnit(const std::string &unit, const std::string &p) {
    if (unit != "crs" && unit != "metre")
        Fail(p, "unknown unit " + Quoted(unit) + ": expected \"crs\" or \"metre\"");
}

bool SamePoint(const shapekit::Point &a, const shapekit::Point &b) {
    return a.x == b.x && a.y == b.y && a.z == b.z;
}

// ---- the reader -------------------------------------------------------------------------------

/// The state of one reading: where the options come from (a JSON configuration, or a host's
/// options), the frame being filled, and the coordinate systems and units that decide how later
/// values are converted.
struct Reader {
    /// The command: every key of `config` is read into the reader's own options, then handed on.
    Reader(const Json &config, Frame &frame)
        : json_(&config), o_(frame.options), f_(frame), s_(*frame.service) {}
    /// The front: the host's options, which the frame keeps.
    Reader(Frame &frame) : o_(frame.options), f_(frame), s_(*frame.service) {}

    void Read();

    /// Whether the configuration gives the key (the command), or the options set it (the front).
    bool Given(const std::string &key) const;
    /// The key's value read into the options (the command only), then handed to the service.
    void Take(const struct Key &key, const std::string &path);

    void ReadCoordSystems();
    void ReadCoordSystemJson(const char *key, std::optional<FurnitureCoordSystem> &into);
    std::shared_ptr<coordkit::CoordSystem> MakeCoordSystem(const FurnitureCoordSystem &cs,
                                                           const std::string &path,
                                                           const std::string &definitionPath);
    void ApplyDefaults();
    void DefaultLabelParts();
    std::vector<shapekit::Point> FrameImages(double &side);
    void DefaultStroking(const std::vector<shapekit::Point> &images, double side);
    void DefaultLabelOffset(const std::vector<shapekit::Point> &images);
    void DefaultProjCorner(const char *key, double x, double y, double z,
                           void (ParalloCls::*setter)(ParalloCls::PointPtr));

    double Angle(double v) const { return f_.anglesInDegrees ? v * planicalc::TRG_DegreesToRadians() : v; }
    double Linear(double v, bool neatlineSide, const std::string &path);
    std::int32_t LinearUnitCode(bool neatlineSide, const std::string &path);
    void DescribeUnits();
    double NeatlineValue(double v, const std::string &path) {
        return f_.neatlineExtentsType == kExtentGeographic ? Angle(v) : Linear(v, true, path);
    }
    double GridValue(double v, const std::string &path) {
        return f_.gridIntervalsType == kExtentGeographic ? Angle(v) : Linear(v, false, path);
    }
    double LabelValue(double v, const std::string &path) {
        return f_.labelDisplayType == kExtentGeographic ? Angle(v) : Linear(v, true, path);
    }
    ParalloCls::PointPtr NeatlinePoint(const shapekit::Point &v, const std::string &path);
    ParalloCls::PointPtr GridPoint(const shapekit::Point &v, const std::string &path);
    std::shared_ptr<LabelPartCls> MakeLabelPart(const FurnitureLabelPart &v, const std::string &path);

    const Json *json_ = nullptr;
    Options &o_;
    Frame &f_;
    ParalloCls &s_;
    bool linearInCrs_ = true;
    std::shared_ptr<coordkit::CoordSystem> mapView_, neatline_, grid_;
    std::shared_ptr<coordkit::CoordSystemsMgr> manager_;
    std::shared_ptr<coordkit::UnitsOfMeasure> units_;
    // Unit codes and names of the neatline and grid systems, looked up on first use.
    std::int32_t neatlineUnit_ = -1, gridUnit_ = -1;
    std::string neatlineUnitName_, gridUnitName_;
    // The JSON paths of the coordinate systems' definitions as the configuration wrote them.
    std::string definitionPath_[3];
    // The frame in the map view as the defaults see it (FrameImages).
    std::vector<shapekit::Point> frameImages_;
};

// ---- JSON values into options -----------------------------------------------------------------

FurnitureFont ReadFontJson(const Json &v, const std::string &path) {
    if (!v.is_object())
        Fail(path, "expected a font object {\"Name\", \"Size\", \"Bold\", ...}, got " + TypeName(v));
    RejectUnknownMembers(v, path, kFontKeys);
    FurnitureFont font;
    for (auto it = v.begin(); it != v.end(); ++it) {
        const std::string p = MemberPath(path, it.key());
        const std::string &k = it.key();
        if (k == "Name") font.Name = ReadString(*it, p);
        if (k == "Size") {
            font.Size = ReadNumber(*it, p);
            CheckFontSize(font.Size, p);
        }
        if (k == "Bold") font.Bold = ReadBool(*it, p);
        if (k == "Italic") font.Italic = ReadBool(*it, p);
        if (k == "Underline") font.Underline = ReadBool(*it, p);
        if (k == "Strikethrough") font.Strikethrough = ReadBool(*it, p);
        if (k == "Weight") font.Weight = static_cast<std::int16_t>(ReadInteger(*it, p, 0, 1000));
        if (k == "Charset") font.Charset = static_cast<std::int16_t>(ReadInteger(*it, p, 0, 255));
    }
    return font;
}

FurnitureLabelPart ReadLabelPartJson(const Json &v, const std::string &path) {
    if (!v.is_object())
        Fail(path, "expected a label part {\"bDisplay\", \"FontType\", \"Font\"}, got " + TypeName(v));
    RejectUnknownMembers(v, path, kLabelPartKeys);
    FurnitureLabelPart part;
    for (auto it = v.begin(); it != v.end(); ++it) {
        const std::string p = MemberPath(path, it.key());
        const std::string &k = it.key();
        if (k == "bDisplay") part.bDisplay = ReadBool(*it, p);
        if (k == "FontType") part.FontType = static_cast<pxgrdFontType>(ReadEnum(*it, p, kFontTypes));
        if (k == "Font") part.Font = ReadFontJson(*it, p);
        if (k == "Text") part.Text = ReadString(*it, p);
    }
    return part;
}

std::int32_t ReadLabelColorJson(const Json &v, const std::string &p) {
    // A colour as the drawing host stores it (0x00BBGGRR), or "#RRGGBB" as people write it.
    if (v.is_string()) {
        std::string t = v.get<std::string>();
        bool ok = t.size() == 7 && t[0] == '#' && std::all_of(t.begin() + 1, t.end(), [](char c) {
                      return std::isxdigit(static_cast<unsigned char>(c)) != 0;
                  });
        if (!ok) Fail(p, "expected a colour number or \"#RRGGBB\", got " + Quoted(t));
        long rgb = std::stol(t.substr(1), nullptr, 16);
        long bgr = ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF);
        return static_cast<std::int32_t>(bgr);
    }
    return static_cast<std::int32_t>(ReadInteger(v, p, 0, 0xFFFFFF));
}

std::vector<shapekit::Point> ReadPolygonJson(const Json &v, const std::string &p) {
    if (!v.is_array()) Fail(p, "expected an array of points [x, y], got " + TypeName(v));
    CheckPolygonSize(v.size(), p);
    std::vector<shapekit::Point> points;
    points.reserve(v.size());
    for (std::size_t i = 0; i < v.size(); ++i)
        points.push_back(ReadPoint(v[i], IndexPath(p, i)));
    return points;
}

std::vector<std::string> ReadCallsJson(const Json &v, const std::string &p) {
    if (!v.is_array()) Fail(p, "expected an array of method names, got " + TypeName(v));
    CheckCallsSize(v.size(), p);
    std::vector<std::string> calls;
    for (std::size_t i = 0; i < v.size(); ++i) {
        std::string name = ReadString(v[i], IndexPath(p, i));
        CheckCallName(name, IndexPath(p, i));
        calls.push_back(name);
    }
    return calls;
}

// ---- the table of keys ------------------------------------------------------------------------

/// When a key is read: the units first, then the extent types, then the coordinate systems (in
/// one step, since the neatline and grid systems default to the map view's), then the rest in
/// the order of the file.
enum class Phase { kUnit, kExtentType, kCoordSystem, kInFileOrder };

/// Reads one key's JSON value (at its JSON path) into the options.
using JsonReader = std::function<void(Options &, const Json &, const std::string &)>;
/// Hands one option (at its JSON path) to the service, checking and converting it.
using Applier = std::function<void(Reader &, const std::string &)>;
/// Whether a host's options set the key: an optional that holds a value, or a value other than
/// the default.
using Setter = std::function<bool(const Options &)>;

struct Key {
    const char *name;
    Phase phase;
    /// Null for the coordinate systems, which are read together.
    JsonReader read;
    Applier apply;
    Setter given;
};

template <typename T> Setter Differs(T Options::*field) {
    return [field](const Options &o) { return !(o.*field == Options().*field); };
}
Setter DiffersPoint(shapekit::Point Options::*field) {
    return [field](const Options &o) { return !SamePoint(o.*field, Options().*field); };
}
template <typename T> Setter Holds(std::optional<T> Options::*field) {
    return [field](const Options &o) { return (o.*field).has_value(); };
}

using P = ParalloCls;
using PointSetter = void (ParalloCls::*)(ParalloCls::PointPtr);
constexpr Phase kInFile = Phase::kInFileOrder;

/// A number handed on as it is.
Key Number(const char *name, double Options::*field, void (ParalloCls::*setter)(double)) {
    return {name, kInFile,
            [field](Options &o, const Json &v, const std::string &p) { o.*field = ReadNumber(v, p); },
            [field, setter](Reader &r, const std::string &p) { (r.s_.*setter)(Finite(r.o_.*field, p)); },
            Differs(field)};
}

/// A length on the map view that cannot be negative (a width, a tick's length).
Key NonNegative(const char *name, double Options::*field, void (ParalloCls::*setter)(double)) {
    return {name, kInFile,
            [field](Options &o, const Json &v, const std::string &p) { o.*field = ReadNumber(v, p); },
            [field, setter](Reader &r, const std::string &p) {
                const double value = Finite(r.o_.*field, p);
                if (value < 0.0) Fail(p, "cannot be negative");
                (r.s_.*setter)(value);
            },
            Differs(field)};
}

Key Flag(const char *name, bool Options::*field, void (ParalloCls::*setter)(bool)) {
    return {name, kInFile,
            [field](Options &o, const Json &v, const std::string &p) { o.*field = ReadBool(v, p); },
            [field, setter](Reader &r, const std::string &) { (r.s_.*setter)(r.o_.*field); }, Differs(field)};
}

Key Text(const char *name, std::string Options::*field, void (ParalloCls::*setter)(const std::string &)) {
    return {name, kInFile,
            [field](Options &o, const Json &v, const std::string &p) { o.*field = ReadString(v, p); },
            [field, setter](Reader &r, const std::string &) { (r.s_.*setter)(r.o_.*field); }, Differs(field)};
}

Key Int16(const char *name, std::int16_t Options::*field, void (ParalloCls::*setter)(std::int16_t),
          std::int64_t lo = -32768, std::int64_t hi = 32767) {
    return {name, kInFile,
            [field, lo, hi](Options &o, const Json &v, const std::string &p) {
                o.*field = static_cast<std::int16_t>(ReadInteger(v, p, lo, hi));
            },
            [field, setter, lo, hi](Reader &r, const std::string &p) {
                InRange(r.o_.*field, p, lo, hi);
                (r.s_.*setter)(r.o_.*field);
            },
            Differs(field)};
}

template <typename E>
Key Enum(const char *name, E Options::*field, const EnumTable &table, void (ParalloCls::*setter)(E)) {
    return {name, kInFile,
            [field, &table](Options &o, const Json &v, const std::string &p) {
                o.*field = static_cast<E>(ReadEnum(v, p, table));
            },
            [field, &table, setter](Reader &r, const std::string &p) {
                (r.s_.*setter)(static_cast<E>(Member(r.o_.*field, p, table)));
            },
            Differs(field)};
}

/// An extent type: it decides how later values are read, so the frame keeps it too.
Key ExtentTypeKey(const char *name, ExtentType Options::*field, std::int32_t Frame::*kept,
                  void (ParalloCls::*setter)(std::int32_t)) {
    return {name, Phase::kExtentType,
            [field](Options &o, const Json &v, const std::string &p) {
                o.*field = static_cast<ExtentType>(ReadEnum(v, p, kExtentTypes));
            },
            [field, kept, setter](Reader &r, const std::string &p) {
                r.f_.*kept = Member(r.o_.*field, p, kExtentTypes);
                (r.s_.*setter)(r.f_.*kept);
            },
            Differs(field)};
}

/// A label part: given, it switches the default parts off, so it is an optional.
Key Part(const char *name, std::optional<FurnitureLabelPart> Options::*field,
         void (ParalloCls::*setter)(ParalloCls::LabelPartPtr)) {
    return {name, kInFile,
            [field](Options &o, const Json &v, const std::string &p) { o.*field = ReadLabelPartJson(v, p); },
            [field, setter](Reader &r, const std::string &p) {
                (r.s_.*setter)(r.MakeLabelPart(*(r.o_.*field), p));
            },
            Holds(field)};
}

JsonReader PointJson(std::optional<shapekit::Point> Options::*field) {
    return [field](Options &o, const Json &v, const std::string &p) { o.*field = ReadPoint(v, p); };
}

/// A corner in the neatline system: angles when the corners are geographic, lengths otherwise.
Key NeatlineCorner(const char *name, std::optional<shapekit::Point> Options::*field, PointSetter setter) {
    return {name, kInFile, PointJson(field),
            [field, setter](Reader &r, const std::string &p) {
                (r.s_.*setter)(r.NeatlinePoint(*(r.o_.*field), p));
            },
            Holds(field)};
}

/// A point in the grid system that defaults to [0, 0].
Key GridPointKey(const char *name, shapekit::Point Options::*field, PointSetter setter) {
    return {name, kInFile,
            [field](Options &o, const Json &v, const std::string &p) { o.*field = ReadPoint(v, p); },
            [field, setter](Reader &r, const std::string &p) { (r.s_.*setter)(r.GridPoint(r.o_.*field, p)); },
            DiffersPoint(field)};
}

/// A corner as the corner labels show it: geographic when the labels are.
Key ProjCorner(const char *name, std::optional<shapekit::Point> Options::*field, PointSetter setter) {
    return {name, kInFile, PointJson(field),
            [field, setter](Reader &r, const std::string &p) {
                shapekit::Point pt = *(r.o_.*field);
                FinitePoint(pt, p);
                pt.x = r.LabelValue(pt.x, IndexPath(p, 0));
                pt.y = r.LabelValue(pt.y, IndexPath(p, 1));
                (r.s_.*setter)(std::make_shared<shapekit::Point>(pt));
            },
            Holds(field)};
}

/// A per-axis interval of the frame styles (grid units, like Interval): 0 on both axes for none.
Key FrameInterval(const char *name, std::optional<shapekit::Point> Options::*field, PointSetter setter) {
    return {name, kInFile, PointJson(field),
            [field, setter](Reader &r, const std::string &p) {
                ParalloCls::PointPtr pt = r.GridPoint(*(r.o_.*field), p);
                if (pt->x < 0.0) Fail(IndexPath(p, 0), "cannot be negative (0 for none)");
                if (pt->y < 0.0) Fail(IndexPath(p, 1), "cannot be negative (0 for none)");
                (r.s_.*setter)(pt);
            },
            Holds(field)};
}

/// A stroke distance: given, it switches the default stroking off, so it is an optional.
Key StrokeDistance(const char *name, std::optional<double> Options::*field, bool neatline) {
    return {name, kInFile,
            [field](Options &o, const Json &v, const std::string &p) { o.*field = ReadNumber(v, p); },
            [field, neatline](Reader &r, const std::string &p) {
                const double value = Finite(*(r.o_.*field), p);
                if (neatline) {
                    r.f_.neatlineStrokeDistance = r.NeatlineValue(value, p);
                    r.s_.SetNeatlineStrokeDistance(r.f_.neatlineStrokeDistance);
                } else {
                    r.s_.SetGridStrokeDistance(r.GridValue(value, p));
                }
            },
            Holds(field)};
}

void ApplyInterval(Reader &r, const std::string &p) {
    ParalloCls::PointPtr pt = r.GridPoint(*r.o_.Interval, p);
    // A zero or negative interval has no grid values; a tiny one is left to the service's own
    // line budget.
    if (!(pt->x > 0.0)) Fail(IndexPath(p, 0), "the interval must be greater than 0");
    if (!(pt->y > 0.0)) Fail(IndexPath(p, 1), "the interval must be greater than 0");
    r.s_.SetInterval(pt);
}

/// A host's own frame, in map-view coordinates.
void ApplyNeatlinePolygon(Reader &r, const std::string &p) {
    const std::vector<shapekit::Point> &points = *r.o_.NeatlinePolygon;
    CheckPolygonSize(points.size(), p);
    auto polygon = std::make_shared<shapekit::PolygonGeometry>();
    for (std::size_t i = 0; i < points.size(); ++i) {
        FinitePoint(points[i], IndexPath(p, i));
        polygon->Points().Add(points[i]);
    }
    r.s_.SetNeatlinePolygon(polygon);
}

/// Around a pole: a latitude's magnitude, north or south alike, short of the pole; 0 for none.
void ApplyPolarCapLatitude(Reader &r, const std::string &p) {
    const double value = Finite(r.o_.PolarCapLatitude, p);
    const double quarter = r.f_.anglesInDegrees ? 90.0 : planicalc::TRG_DegreesToRadians() * 90.0;
    if (!(value >= 0.0 && value < quarter))
        Fail(p, std::string("a polar cap latitude lies from 0 (no cap) up to, not including, ") +
                    (r.f_.anglesInDegrees ? "90 degrees" : "pi/2 radians"));
    r.s_.SetPolarCapLatitude(r.Angle(value));
}

void ApplyCalls(Reader &r, const std::string &p) {
    const std::vector<std::string> &calls = *r.o_.calls;
    CheckCallsSize(calls.size(), p);
    for (std::size_t i = 0; i < calls.size(); ++i)
        CheckCallName(calls[i], IndexPath(p, i));
    r.f_.calls = calls;
}

/// Every key the reader accepts, in the order the "did you mean" suggestions prefer them.
const std::vector<Key> &Keys() {
    static const std::vector<Key> keys = {
        {"MapViewCoordSystem", Phase::kCoordSystem, nullptr, nullptr, [](const Options &) { return true; }},
        {"NeatlineCoordSystem", Phase::kCoordSystem, nullptr, nullptr, Holds(&Options::NeatlineCoordSystem)},
        {"GridCoordSystem", Phase::kCoordSystem, nullptr, nullptr, Holds(&Options::GridCoordSystem)},
        ExtentTypeKey("NeatlineExtentsType", &Options::NeatlineExtentsType, &Frame::neatlineExtentsType,
                      &P::SetNeatlineExtentsType),
        ExtentTypeKey("GridIntervalsType", &Options::GridIntervalsType, &Frame::gridIntervalsType,
                      &P::SetGridIntervalsType),
        ExtentTypeKey("LabelDisplayType", &Options::LabelDisplayType, &Frame::labelDisplayType,
                      &P::SetLabelDisplayType),
        StrokeDistance("NeatlineStrokeDistance", &Options::NeatlineStrokeDistance, true),
        StrokeDistance("GridStrokeDistance", &Options::GridStrokeDistance, false),
        {"bForceStroking", kInFile,
         [](Options &o, const Json &v, const std::string &p) { o.bForceStroking = ReadBool(v, p); },
         [](Reader &r, const std::string &) { r.s_.SetbForceStroking(*r.o_.bForceStroking); },
         Holds(&Options::bForceStroking)},
        // A length on the map view, like the offsets below.
        {"StrokeTolerance", kInFile,
         [](Options &o, const Json &v, const std::string &p) { o.StrokeTolerance = ReadNumber(v, p); },
         [](Reader &r, const std::string &p) {
             const double value = Finite(*r.o_.StrokeTolerance, p);
             if (value < 0.0) Fail(p, "cannot be negative");
             r.s_.SetStrokeTolerance(value);
         },
         Holds(&Options::StrokeTolerance)},
        // Around a pole: where the meridians stop (an angle, AngleUnit) and which still go on.
        {"PolarCapLatitude", kInFile,
         [](Options &o, const Json &v, const std::string &p) { o.PolarCapLatitude = ReadNumber(v, p); },
         ApplyPolarCapLatitude, Differs(&Options::PolarCapLatitude)},
        Int16("PolarCapMeridianSkip", &Options::PolarCapMeridianSkip, &P::SetPolarCapMeridianSkip, 0, 32767),
        // Lengths on the map view: never converted.
        Number("BorderOffsetRight", &Options::BorderOffsetRight, &P::SetBorderOffsetRight),
        Number("BorderOffsetLeft", &Options::BorderOffsetLeft, &P::SetBorderOffsetLeft),
        Number("BorderOffsetBottom", &Options::BorderOffsetBottom, &P::SetBorderOffsetBottom),
        Number("BorderOffsetTop", &Options::BorderOffsetTop, &P::SetBorderOffsetTop),
        Enum("GridType", &Options::GridType, kGridTypes, &P::SetGridType),
        Number("TickLength", &Options::TickLength, &P::SetTickLength),
        Number("CrossLength", &Options::CrossLength, &P::SetCrossLength),
        Enum("LabelType", &Options::LabelType, kLabelTypes, &P::SetLabelType),
        // Given, it switches the default gap off, so it is an optional.
        {"LabelOffset", kInFile,
         [](Options &o, const Json &v, const std::string &p) { o.LabelOffset = ReadNumber(v, p); },
         [](Reader &r, const std::string &p) { r.s_.SetLabelOffset(Finite(*r.o_.LabelOffset, p)); },
         Holds(&Options::LabelOffset)},
        Number("VerticalLabelOffset", &Options::VerticalLabelOffset, &P::SetVerticalLabelOffset),
        Enum("LabelOrientation", &Options::LabelOrientation, kOrientations, &P::SetLabelOrientation),
        {"LabelPosition", kInFile,
         [](Options &o, const Json &v, const std::string &p) {
             o.LabelPosition = static_cast<pxgrdLabelPosition>(ReadEnum(v, p, kLabelPositions));
         },
         [](Reader &r, const std::string &p) {
             r.f_.labelPosition =
                 static_cast<pxgrdLabelPosition>(Member(r.o_.LabelPosition, p, kLabelPositions));
             r.s_.SetLabelPosition(r.f_.labelPosition);
         },
         Differs(&Options::LabelPosition)},
        Enum("LabelPositionRelativeToPoint", &Options::LabelPositionRelativeToPoint, kRelativePositions,
             &P::SetLabelPositionRelativeToPoint),
        Int16("MagnitudeAB", &Options::MagnitudeAB, &P::SetMagnitudeAB),
        Int16("MagnitudeBC", &Options::MagnitudeBC, &P::SetMagnitudeBC),
        // More decimals than a double carries would only print noise.
        Int16("DecimalPlaces", &Options::DecimalPlaces, &P::SetDecimalPlaces, 0, 15),
        Flag("PlaceLeftSideGridElements", &Options::PlaceLeftSideGridElements,
             &P::SetPlaceLeftSideGridElements),
        Flag("PlaceTopSideGridElements", &Options::PlaceTopSideGridElements, &P::SetPlaceTopSideGridElements),
        Flag("PlaceRightSideGridElements", &Options::PlaceRightSideGridElements,
             &P::SetPlaceRightSideGridElements),
        Flag("PlaceBottomSideGridElements", &Options::PlaceBottomSideGridElements,
             &P::SetPlaceBottomSideGridElements),
        {"bGeographicDDMMSS", kInFile,
         [](Options &o, const Json &v, const std::string &p) { o.bGeographicDDMMSS = ReadBool(v, p); },
         [](Reader &r, const std::string &) {
             r.f_.geographicDDMMSS = r.o_.bGeographicDDMMSS;
             r.s_.SetbGeographicDDMMSS(r.f_.geographicDDMMSS);
         },
         Differs(&Options::bGeographicDDMMSS)},
        Flag("bHemisphereAsSuffix", &Options::bHemisphereAsSuffix, &P::SetbHemisphereAsSuffix),
        Text("EastingHemisphereLabel", &Options::EastingHemisphereLabel, &P::SetEastingHemisphereLabel),
        Text("NorthingHemisphereLabel", &Options::NorthingHemisphereLabel, &P::SetNorthingHemisphereLabel),
        Text("WestingHemisphereLabel", &Options::WestingHemisphereLabel, &P::SetWestingHemisphereLabel),
        Text("SouthingHemisphereLabel", &Options::SouthingHemisphereLabel, &P::SetSouthingHemisphereLabel),
        Number("Angle", &Options::Angle, &P::SetAngle),
        {"LabelColor", kInFile,
         [](Options &o, const Json &v, const std::string &p) { o.LabelColor = ReadLabelColorJson(v, p); },
         [](Reader &r, const std::string &p) {
             InRange(r.o_.LabelColor, p, 0, 0xFFFFFF);
             r.s_.SetLabelColor(r.o_.LabelColor);
         },
         Differs(&Options::LabelColor)},
        NeatlineCorner("NeatlineLowerLeft", &Options::NeatlineLowerLeft, &P::SetNeatlineLowerLeft),
        NeatlineCorner("NeatlineUpperRight", &Options::NeatlineUpperRight, &P::SetNeatlineUpperRight),
        {"Interval", kInFile, PointJson(&Options::Interval), ApplyInterval, Holds(&Options::Interval)},
        GridPointKey("SkipInterval", &Options::SkipInterval, &P::SetSkipInterval),
        GridPointKey("GridOffset", &Options::GridOffset, &P::SetGridOffset),
        ProjCorner("NeatlineLowerLeftInProjUnits", &Options::NeatlineLowerLeftInProjUnits,
                   &P::SetNeatlineLowerLeftInProjUnits),
        ProjCorner("NeatlineUpperLeftInProjUnits", &Options::NeatlineUpperLeftInProjUnits,
                   &P::SetNeatlineUpperLeftInProjUnits),
        ProjCorner("NeatlineUpperRightInProjUnits", &Options::NeatlineUpperRightInProjUnits,
                   &P::SetNeatlineUpperRightInProjUnits),
        ProjCorner("NeatlineLowerRightInProjUnits", &Options::NeatlineLowerRightInProjUnits,
                   &P::SetNeatlineLowerRightInProjUnits),
        {"NeatlinePolygon", kInFile,
         [](Options &o, const Json &v, const std::string &p) { o.NeatlinePolygon = ReadPolygonJson(v, p); },
         ApplyNeatlinePolygon, Holds(&Options::NeatlinePolygon)},
        {"AngleUnit", Phase::kUnit,
         [](Options &o, const Json &v, const std::string &p) { o.AngleUnit = ReadString(v, p); },
         [](Reader &r, const std::string &p) {
             CheckAngleUnit(r.o_.AngleUnit, p);
             r.f_.anglesInDegrees = r.o_.AngleUnit == "degree";
         },
         Differs(&Options::AngleUnit)},
        {"LinearUnit", Phase::kUnit,
         [](Options &o, const Json &v, const std::string &p) { o.LinearUnit = ReadString(v, p); },
         [](Reader &r, const std::string &p) {
             CheckLinearUnit(r.o_.LinearUnit, p);
             r.linearInCrs_ = r.o_.LinearUnit == "crs";
         },
         Differs(&Options::LinearUnit)},
        Part("LabelPartA", &Options::LabelPartA, &P::SetLabelPartA),
        Part("LabelPartB", &Options::LabelPartB, &P::SetLabelPartB),
        Part("LabelPartC", &Options::LabelPartC, &P::SetLabelPartC),
        Part("LabelPartD", &Options::LabelPartD, &P::SetLabelPartD),
        Part("LabelPartUnit", &Options::LabelPartUnit, &P::SetLabelPartUnit),
        Part("LabelPartHemisphere", &Options::LabelPartHemisphere, &P::SetLabelPartHemisphere),
        // Frame styles: bars outside the neatline and ticks on it.
        NonNegative("FrameBarWidth", &Options::FrameBarWidth, &P::SetFrameBarWidth),
        FrameInterval("FrameBarSubInterval", &Options::FrameBarSubInterval, &P::SetFrameBarSubInterval),
        Flag("bFrameBarCorners", &Options::bFrameBarCorners, &P::SetbFrameBarCorners),
        Flag("bTicksOutward", &Options::bTicksOutward, &P::SetbTicksOutward),
        FrameInterval("MinorTickInterval", &Options::MinorTickInterval, &P::SetMinorTickInterval),
        NonNegative("MinorTickLength", &Options::MinorTickLength, &P::SetMinorTickLength),
        Flag("bMinorTicksOutward", &Options::bMinorTicksOutward, &P::SetbMinorTicksOutward),
        // The command's label layout.
        {"MapScale", kInFile,
         [](Options &o, const Json &v, const std::string &p) { o.MapScale = ReadNumber(v, p); },
         [](Reader &r, const std::string &p) {
             r.f_.mapScale = Finite(*r.o_.MapScale, p);
             if (!(r.f_.mapScale > 0.0))
                 Fail(p, "the scale denominator must be greater than 0 (50000 for 1:50 000)");
         },
         Holds(&Options::MapScale)},
        {"LabelLayout", kInFile,
         [](Options &o, const Json &v, const std::string &p) { o.LabelLayout = ReadBool(v, p); },
         [](Reader &r, const std::string &) { r.f_.labelLayout = r.o_.LabelLayout; },
         Differs(&Options::LabelLayout)},
        {"calls", kInFile,
         [](Options &o, const Json &v, const std::string &p) { o.calls = ReadCallsJson(v, p); }, ApplyCalls,
         Holds(&Options::calls)},
    };
    return keys;
}

const Key *FindKey(const std::string &name) {
    for (const Key &k : Keys())
        if (name == k.name) return &k;
    return nullptr;
}

// ---- reading in order -----------------------------------------------------------------------

bool Reader::Given(const std::string &key) const {
    if (json_) return json_->find(key) != json_->end();
    const Key *k = FindKey(key);
    return k && k->given(o_);
}

void Reader::Take(const Key &key, const std::string &path) {
    if (json_) key.read(o_, (*json_)[key.name], path);
    key.apply(*this, path);
}

void Reader::Read() {
    if (json_)
        for (auto it = json_->begin(); it != json_->end(); ++it)
            if (!FindKey(it.key()))
                Fail(MemberPath("$", it.key()), "unknown key" + Suggestion(it.key(), KnownKeys()));
    for (Phase phase : {Phase::kUnit, Phase::kExtentType})
        for (const Key &k : Keys())
            if (k.phase == phase && Given(k.name)) Take(k, MemberPath("$", k.name));
    ReadCoordSystems();
    if (json_) {
        for (auto it = json_->begin(); it != json_->end(); ++it) {
            const Key *k = FindKey(it.key());
            if (k->phase == Phase::kInFileOrder) Take(*k, MemberPath("$", it.key()));
        }
    } else {
        for (const Key &k : Keys())
            if (k.phase == Phase::kInFileOrder && k.given(o_)) Take(k, MemberPath("$", k.name));
    }
    ApplyDefaults();
    DescribeUnits();
    DefaultLabelOffset(frameImages_);
}

/// A coordinate system's JSON value: a definition text, a PROJJSON object (kept as its text), or
/// {"definition": ..., "BaseStorageType": ...}.
void Reader::ReadCoordSystemJson(const char *key, std::optional<FurnitureCoordSystem> &into) {
    const std::string path = MemberPath("$", key);
    const Json &v = (*json_)[key];
    const Json *definition = &v;
    std::string definitionPath = path;
    FurnitureCoordSystem cs;
    if (v.is_object() && v.contains("definition")) {
        RejectUnknownMembers(v, path, kCoordSystemWrapperKeys);
        definition = &v["definition"];
        definitionPath = MemberPath(path, "definition");
    }
    if (definition->is_string())
        cs.definition = definition->get<std::string>();
    else if (definition->is_object())
        cs.definition = definition->dump(-1, ' ', false, Json::error_handler_t::replace);
    else
        Fail(definitionPath, "expected a coordinate system definition (a text such as \"EPSG:32632\", WKT or "
                             "a PROJ string, or a PROJJSON object), got " +
                                 TypeName(*definition));
    if (cs.definition.empty()) Fail(definitionPath, "the coordinate system definition is empty");
    if (definition != &v && v.contains("BaseStorageType"))
        cs.BaseStorageType =
            ReadEnum(v["BaseStorageType"], MemberPath(path, "BaseStorageType"), kStorageTypes);
    into = std::move(cs);
}

std::shared_ptr<coordkit::CoordSystem> Reader::MakeCoordSystem(const FurnitureCoordSystem &system,
                                                               const std::string &path,
                                                               const std::string &definitionPath) {
    if (system.definition.empty()) Fail(definitionPath, "the coordinate system definition is empty");
    std::int32_t storageType = -1;
    if (system.BaseStorageType)
        storageType = Member(*system.BaseStorageType, MemberPath(path, "BaseStorageType"), kStorageTypes);
    std::shared_ptr<coordkit::CoordSystem> cs;
    try {
        cs = coordkit::CreateProjCoordSystem(system.definition);
    } catch (const std::exception &e) {
        Fail(definitionPath, "PROJ cannot make a coordinate system from it: " + DescribeException(e));
    }
    if (!cs) Fail(definitionPath, "PROJ cannot make a coordinate system from it");
    if (storageType >= 0) {
        try {
            cs->SetBaseStorageType(storageType);
        } catch (const std::exception &e) {
            Fail(MemberPath(path, "BaseStorageType"),
                 "the coordinate system refuses it: " + DescribeException(e));
        }
    }
    return cs;
}

void Reader::ReadCoordSystems() {
    // The definition's path: under "definition" when the configuration wraps it with its storage
    // type (a host's options: when they set a storage type).
    const auto definitionPath = [this](const char *key, const FurnitureCoordSystem &cs) {
        const std::string path = MemberPath("$", key);
        if (json_) {
            const Json &v = (*json_)[key];
            return v.is_object() && v.contains("definition") ? MemberPath(path, "definition") : path;
        }
        return cs.BaseStorageType ? MemberPath(path, "definition") : path;
    };
    if (json_) {
        if (!Given("MapViewCoordSystem"))
            Fail("$.MapViewCoordSystem", "missing: the map view's coordinate system is required");
        std::optional<FurnitureCoordSystem> mapView;
        ReadCoordSystemJson("MapViewCoordSystem", mapView);
        o_.MapViewCoordSystem = *mapView;
        const Json &v = (*json_)["MapViewCoordSystem"];
        f_.mapViewDefinition = v.is_object() && v.contains("definition") ? v["definition"] : v;
    } else {
        if (o_.MapViewCoordSystem.definition.empty() && !o_.MapViewCoordSystem.BaseStorageType)
            Fail("$.MapViewCoordSystem", "missing: the map view's coordinate system is required");
        f_.mapViewDefinition = o_.MapViewCoordSystem.definition;
    }
    const std::string mapViewDefinitionPath = definitionPath("MapViewCoordSystem", o_.MapViewCoordSystem);
    mapView_ = MakeCoordSystem(o_.MapViewCoordSystem, "$.MapViewCoordSystem", mapViewDefinitionPath);

    // The neatline and grid systems default to the map view's definition, as separate objects so
    // that a storage type the service sets on one never reaches the others.
    const auto other = [&](const char *key, std::optional<FurnitureCoordSystem> &option) {
        if (json_ && Given(key)) ReadCoordSystemJson(key, option);
        if (!option)
            return MakeCoordSystem(o_.MapViewCoordSystem, "$.MapViewCoordSystem", mapViewDefinitionPath);
        return MakeCoordSystem(*option, MemberPath("$", key), definitionPath(key, *option));
    };
    neatline_ = other("NeatlineCoordSystem", o_.NeatlineCoordSystem);
    grid_ = other("GridCoordSystem", o_.GridCoordSystem);

    std::shared_ptr<coordkit::CoordSystemsMgr> manager;
    try {
        manager = coordkit::CreateProjCoordSystemsMgr(mapView_);
        units_ = coordkit::CreateProjUnitsOfMeasure();
    } catch (const std::exception &e) {
        Fail("$.MapViewCoordSystem", "the coordinate engine cannot start: " + DescribeException(e));
    }
    s_.SetMapViewCoordSystem(mapView_);
    s_.SetNeatlineCoordSystem(neatline_);
    s_.SetGridCoordSystem(grid_);
    s_.SetCoordSystemsMgr(manager);
    manager_ = manager;
    s_.SetUnitsOfMeasure(units_);
}

// ---- units ------------------------------------------------------------------------------------

std::int32_t Reader::LinearUnitCode(bool neatlineSide, const std::string &path) {
    std::int32_t &code = neatlineSide ? neatlineUnit_ : gridUnit_;
    if (code >= 0) return code;
    const char *systemKey = neatlineSide ? "NeatlineCoordSystem" : "GridCoordSystem";
    const auto &cs = neatlineSide ? neatline_ : grid_;
    std::string unit;
    try {
        auto projection = cs ? cs->ProjectionSpace() : nullptr;
        auto axis = projection ? projection->AxisInfo() : nullptr;
        if (!axis) throw std::runtime_error("it describes no axes");
        unit = axis->UnitName();
        code = units_ ? units_->GetUnitCode(1, unit) : coordkit::kMetreUnitCode;
        (neatlineSide ? neatlineUnitName_ : gridUnitName_) = unit;
    } catch (const std::exception &e) {
        Fail(path, std::string("is a length in the unit of ") + systemKey +
                       " (LinearUnit \"crs\"), but that system has no linear unit" +
                       (unit.empty() ? std::string() : " (" + Quoted(unit) + ")") + ": " +
                       DescribeException(e) +
                       "; give it in geographic units (extents type 1) or set LinearUnit to \"metre\"");
    }
    return code;
}

double Reader::Linear(double v, bool neatlineSide, const std::string &path) {
    if (!linearInCrs_) return v;
    const std::int32_t code = LinearUnitCode(neatlineSide, path);
    if (code == coordkit::kMetreUnitCode) return v;
    double metres = 0.0;
    try {
        metres = units_->ConvertValue(1, v, code, coordkit::kMetreUnitCode);
    } catch (const std::exception &e) {
        Fail(path, std::string("cannot be converted to metres from the unit of ") +
                       (neatlineSide ? "NeatlineCoordSystem" : "GridCoordSystem") + ": " +
                       DescribeException(e));
    }
    if (!std::isfinite(metres)) Fail(path, "the number is out of range once converted to metres");
    return metres;
}

void Reader::DescribeUnits() {
    // Ground metres per map-view unit, for the scale labels are measured at; a map view without a
    // linear unit keeps 1.
    try {
        auto projection = mapView_ ? mapView_->ProjectionSpace() : nullptr;
        auto axis = projection ? projection->AxisInfo() : nullptr;
        if (axis && units_) {
            const std::int32_t code = units_->GetUnitCode(1, axis->UnitName());
            const double metres = code == coordkit::kMetreUnitCode
                                      ? 1.0
                                      : units_->ConvertValue(1, 1.0, code, coordkit::kMetreUnitCode);
            if (std::isfinite(metres) && metres > 0.0) f_.mapUnitMetres = metres;
        }
    } catch (const std::exception &) {
    }
    // A system without a linear unit has none to tell: the messages that need one stay silent.
    try {
        LinearUnitCode(true, "$");
        f_.neatlineLinearUnit = linearInCrs_ ? neatlineUnitName_ : "metre";
    } catch (const ConfigError &) {
    }
    if (f_.gridIntervalsType == kExtentGeographic) {
        f_.gridUnit = f_.anglesInDegrees ? "degree" : "radian";
        f_.gridUnitInService = Angle(1.0);
    } else if (!linearInCrs_) {
        f_.gridUnit = "metre";
        f_.gridUnitInService = 1.0;
    } else {
        try {
            const std::int32_t code = LinearUnitCode(false, "$");
            f_.gridUnitInService = code == coordkit::kMetreUnitCode
                                       ? 1.0
                                       : units_->ConvertValue(1, 1.0, code, coordkit::kMetreUnitCode);
            f_.gridUnit = gridUnitName_;
        } catch (const std::exception &) {
            f_.gridUnitInService = 0.0;
        }
    }
}

ParalloCls::PointPtr Reader::NeatlinePoint(const shapekit::Point &v, const std::string &path) {
    FinitePoint(v, path);
    shapekit::Point p = v;
    p.x = NeatlineValue(p.x, IndexPath(path, 0));
    p.y = NeatlineValue(p.y, IndexPath(path, 1));
    return std::make_shared<shapekit::Point>(p);
}

ParalloCls::PointPtr Reader::GridPoint(const shapekit::Point &v, const std::string &path) {
    FinitePoint(v, path);
    shapekit::Point p = v;
    p.x = GridValue(p.x, IndexPath(path, 0));
    p.y = GridValue(p.y, IndexPath(path, 1));
    return std::make_shared<shapekit::Point>(p);
}

// ---- label parts and fonts ----------------------------------------------------------------

std::shared_ptr<LabelPartCls> Reader::MakeLabelPart(const FurnitureLabelPart &v, const std::string &path) {
    auto part = std::make_shared<LabelPartCls>();
    part->SetbDisplay(v.bDisplay);
    part->SetFontType(
        static_cast<pxgrdFontType>(Member(v.FontType, MemberPath(path, "FontType"), kFontTypes)));
    part->SetText(v.Text);
    if (v.Font) {
        const std::string fontPath = MemberPath(path, "Font");
        auto font = std::make_shared<StdFont>();
        font->Name = v.Font->Name;
        font->Size = Finite(v.Font->Size, MemberPath(fontPath, "Size"));
        CheckFontSize(font->Size, MemberPath(fontPath, "Size"));
        font->Bold = v.Font->Bold;
        font->Italic = v.Font->Italic;
        font->Underline = v.Font->Underline;
        font->Strikethrough = v.Font->Strikethrough;
        if (v.Font->Weight) InRange(*v.Font->Weight, MemberPath(fontPath, "Weight"), 0, 1000);
        font->Weight = v.Font->Weight ? *v.Font->Weight : static_cast<std::int16_t>(font->Bold ? 700 : 400);
        InRange(v.Font->Charset, MemberPath(fontPath, "Charset"), 0, 255);
        font->Charset = v.Font->Charset;
        part->SetFont(font);
    }
    return part;
}

// ---- defaults ---------------------------------------------------------------------------------

void Reader::DefaultProjCorner(const char *key, double x, double y, double z,
                               void (ParalloCls::*setter)(ParalloCls::PointPtr)) {
    // The corner as the corner labels show it: projection-plane metres, or longitude and latitude
    // (radians) when the labels are geographic.
    const std::int32_t from =
        f_.neatlineExtentsType == kExtentGeographic ? coordkit::kGeographic : coordkit::kProjectionPlane;
    const std::int32_t to =
        f_.labelDisplayType == kExtentGeographic ? coordkit::kGeographic : coordkit::kProjectionPlane;
    try {
        if (from != to) neatline_->ConvertPoint(from, to, x, y, z);
    } catch (const std::exception &e) {
        Fail(MemberPath("$", key),
             "not given, and the neatline corner cannot be converted for it: " + DescribeException(e));
    }
    if (!std::isfinite(x) || !std::isfinite(y))
        Fail(MemberPath("$", key), "not given, and the neatline corner has no finite value in its units");
    (s_.*setter)(std::make_shared<shapekit::Point>(x, y, z));
}

/// The frame in the map view before any method runs: its corners and the middles of its sides
/// (nine points, images[3 * j + i] for the i-th x and j-th y) when it is given by corners, a
/// host's polygon as it stands, or nothing when the corners cannot be carried over (the neatline
/// method reports that). `side` is the larger extent of the corners in their own system.
std::vector<shapekit::Point> Reader::FrameImages(double &side) {
    std::vector<shapekit::Point> images;
    side = 0.0;
    const auto &ll = s_.NeatlineLowerLeft();
    const auto &ur = s_.NeatlineUpperRight();
    if (ll && ur) {
        // The corners and the sides' middles in the map view.
        const bool angles = f_.neatlineExtentsType == kExtentGeographic;
        double width = ur->x - ll->x;
        if (angles && width < 0.0) width += 2.0 * planicalc::TRG_DegreesToRadians() * 180.0;
        const double height = ur->y - ll->y;
        side = std::max(std::fabs(width), std::fabs(height));
        const double xs[3] = {ll->x, ll->x + width / 2.0, ll->x + width};
        const double ys[3] = {ll->y, ll->y + height / 2.0, ur->y};
        try {
            const auto &manager = manager_;
            if (!manager) return {};
            const auto service = manager->GetTransformService();
            const auto T = service ? service->CreateSimpleTransFromCSMtoCS(*manager, neatline_) : nullptr;
            if (!T) return {};
            const std::int32_t from = angles ? coordkit::kGeographic : coordkit::kProjectionPlane;
            for (int j = 0; j < 3; ++j) {
                for (int i = 0; i < 3; ++i) {
                    shapekit::PointGeometry g(shapekit::Point(xs[i], ys[j]));
                    shapekit::Point &p = g.Position();
                    neatline_->ConvertPoint(from, coordkit::kStorage, p.x, p.y, p.z);
                    service->TransformGeometry(g, *T, 1);
                    images.push_back(p);
                }
            }
        } catch (const std::exception &) {
            return {};
        }
    } else if (const auto &polygon = s_.NeatlinePolygon()) {
        images = polygon->Points().Vector();
    }
    return images;
}

/// Smooth lines unless the configuration strokes by hand: with neither stroke distance nor
/// StrokeTolerance given, steps are refined until they stray at most kDefaultStrokeFraction of
/// the frame's size from their lines, and a neatline whose sides bend in the map view (corners
/// in another system, or given as longitude and latitude) is stroked unless bForceStroking is
/// given, one step per side, refined the same way.
void Reader::DefaultStroking(const std::vector<shapekit::Point> &images, double side) {
    if (Given("GridStrokeDistance") || Given("NeatlineStrokeDistance") || Given("StrokeTolerance")) return;
    if (images.empty()) return;
    double minX = images[0].x, maxX = minX, minY = images[0].y, maxY = minY;
    for (const shapekit::Point &p : images) {
        minX = std::min(minX, p.x);
        maxX = std::max(maxX, p.x);
        minY = std::min(minY, p.y);
        maxY = std::max(maxY, p.y);
    }
    const double tolerance = kDefaultStrokeFraction * std::max(maxX - minX, maxY - minY);
    if (!std::isfinite(tolerance) || !(tolerance > 0.0)) return;
    s_.SetStrokeTolerance(tolerance);

    if (images.size() != 9 || Given("bForceStroking") || !(side > 0.0)) return;
    // images[3 * j + i]: the middle of each side against the chord between its corners.
    const auto off = [&](int middle, int a, int b) {
        const shapekit::Point &m = images[static_cast<std::size_t>(middle)];
        const shapekit::Point &p = images[static_cast<std::size_t>(a)];
        const shapekit::Point &q = images[static_cast<std::size_t>(b)];
        // Off the chord, not off its middle: a meridian on Mercator is straight, its middle
        // merely nearer one end.
        const double dx = q.x - p.x, dy = q.y - p.y, length = std::hypot(dx, dy);
        if (!(length > 0.0)) return std::hypot(m.x - p.x, m.y - p.y);
        return std::fabs((m.x - p.x) * dy - (m.y - p.y) * dx) / length;
    };
    const bool bends = off(1, 0, 2) > tolerance || off(7, 6, 8) > tolerance || off(3, 0, 6) > tolerance ||
                       off(5, 2, 8) > tolerance;
    if (!bends) return;
    s_.SetbForceStroking(true);
    f_.neatlineStrokeDistance = side;
    s_.SetNeatlineStrokeDistance(side);
}

/// Labels clear of the neatline unless the configuration places them: LabelOffset is
/// kDefaultLabelGap points on paper at the scale the labels are laid out at, outwards for labels
/// outside the neatline and inwards for labels inside it. The scale is 1:MapScale, else the
/// picture's, where the frame with its border offsets is 1000 points on its longer side.
void Reader::DefaultLabelOffset(const std::vector<shapekit::Point> &images) {
    if (Given("LabelOffset") || images.empty()) return;
    double unitsPerPoint = 0.0;
    if (f_.mapScale > 0.0) {
        unitsPerPoint = f_.mapScale * kPointMillimetres / 1000.0 / f_.mapUnitMetres;
    } else {
        double minX = images[0].x, maxX = minX, minY = images[0].y, maxY = minY;
        for (const shapekit::Point &p : images) {
            minX = std::min(minX, p.x);
            maxX = std::max(maxX, p.x);
            minY = std::min(minY, p.y);
            maxY = std::max(maxY, p.y);
        }
        if (std::find(f_.calls.begin(), f_.calls.end(), "CreateBorder") != f_.calls.end()) {
            minX -= std::max(0.0, o_.BorderOffsetLeft);
            maxX += std::max(0.0, o_.BorderOffsetRight);
            minY -= std::max(0.0, o_.BorderOffsetBottom);
            maxY += std::max(0.0, o_.BorderOffsetTop);
        }
        unitsPerPoint = std::max(maxX - minX, maxY - minY) / 1000.0;
    }
    const double offset = kDefaultLabelGap * unitsPerPoint;
    if (!std::isfinite(offset) || !(offset > 0.0)) return;
    s_.SetLabelOffset(f_.labelPosition == pxgrdLabelPosition_Inside ? -offset : offset);
}

/// The label parts when the configuration gives none: the whole value in one font. A, B and C
/// carry every digit of a projected value however MagnitudeAB and MagnitudeBC group them, and the
/// degrees, minutes and seconds of a geographic one; D only when there are decimals to show (with
/// none, a geographic D would print a bare point); the hemisphere only when it has a text, since
/// a displayed hemisphere takes the minus sign off geographic values. The unit stays hidden, as
/// grid values are read without one ("500000", not "500000m").
void Reader::DefaultLabelParts() {
    for (const char *key :
         {"LabelPartA", "LabelPartB", "LabelPartC", "LabelPartD", "LabelPartUnit", "LabelPartHemisphere"})
        if (Given(key)) return;
    auto font = std::make_shared<StdFont>();
    font->Name = kDefaultLabelFont;
    font->Size = kDefaultLabelFontSize;
    const auto shown = [&font](bool display) {
        auto part = std::make_shared<LabelPartCls>();
        part->SetbDisplay(display);
        part->SetFont(font);
        return part;
    };
    const bool hemisphere = !o_.EastingHemisphereLabel.empty() || !o_.NorthingHemisphereLabel.empty() ||
                            !o_.WestingHemisphereLabel.empty() || !o_.SouthingHemisphereLabel.empty();
    s_.SetLabelPartA(shown(true));
    s_.SetLabelPartB(shown(true));
    s_.SetLabelPartC(shown(true));
    s_.SetLabelPartD(shown(o_.DecimalPlaces > 0));
    s_.SetLabelPartUnit(shown(false));
    s_.SetLabelPartHemisphere(shown(hemisphere));
}

void Reader::ApplyDefaults() {
    // Sides left out take the options' default: ticks and labels on every side.
    s_.SetPlaceLeftSideGridElements(o_.PlaceLeftSideGridElements);
    s_.SetPlaceTopSideGridElements(o_.PlaceTopSideGridElements);
    s_.SetPlaceRightSideGridElements(o_.PlaceRightSideGridElements);
    s_.SetPlaceBottomSideGridElements(o_.PlaceBottomSideGridElements);
    if (!Given("calls")) f_.calls = DefaultCalls(s_);

    DefaultLabelParts();
    // Beside parts given, an absent label part is a part that is not displayed.
    if (!s_.LabelPartA()) s_.SetLabelPartA(std::make_shared<LabelPartCls>());
    if (!s_.LabelPartB()) s_.SetLabelPartB(std::make_shared<LabelPartCls>());
    if (!s_.LabelPartC()) s_.SetLabelPartC(std::make_shared<LabelPartCls>());
    if (!s_.LabelPartD()) s_.SetLabelPartD(std::make_shared<LabelPartCls>());
    if (!s_.LabelPartUnit()) s_.SetLabelPartUnit(std::make_shared<LabelPartCls>());
    if (!s_.LabelPartHemisphere()) s_.SetLabelPartHemisphere(std::make_shared<LabelPartCls>());

    // No offset and no skipping unless asked for.
    if (!s_.GridOffset()) s_.SetGridOffset(std::make_shared<shapekit::Point>());
    if (!s_.SkipInterval()) s_.SetSkipInterval(std::make_shared<shapekit::Point>());
    // The frame's images cost a transformation: made only for a default that needs them.
    double side = 0.0;
    const bool strokesByHand =
        Given("GridStrokeDistance") || Given("NeatlineStrokeDistance") || Given("StrokeTolerance");
    if (!strokesByHand || !Given("LabelOffset")) frameImages_ = FrameImages(side);
    DefaultStroking(frameImages_, side);

    const auto &ll = s_.NeatlineLowerLeft();
    const auto &ur = s_.NeatlineUpperRight();
    if (!ll || !ur) return;
    if (!Given("NeatlineLowerLeftInProjUnits"))
        DefaultProjCorner("NeatlineLowerLeftInProjUnits", ll->x, ll->y, ll->z,
                          &ParalloCls::SetNeatlineLowerLeftInProjUnits);
    if (!Given("NeatlineUpperLeftInProjUnits"))
        DefaultProjCorner("NeatlineUpperLeftInProjUnits", ll->x, ur->y, ll->z,
                          &ParalloCls::SetNeatlineUpperLeftInProjUnits);
    if (!Given("NeatlineUpperRightInProjUnits"))
        DefaultProjCorner("NeatlineUpperRightInProjUnits", ur->x, ur->y, ur->z,
                          &ParalloCls::SetNeatlineUpperRightInProjUnits);
    if (!Given("NeatlineLowerRightInProjUnits"))
        DefaultProjCorner("NeatlineLowerRightInProjUnits", ur->x, ll->y, ll->z,
                          &ParalloCls::SetNeatlineLowerRightInProjUnits);
}

} // namespace

const std::vector<std::string> &KnownCalls() {
    static const std::vector<std::string> calls = [] {
        std::vector<std::string> names;
        for (const Method &m : Methods())
            names.emplace_back(m.name);
        return names;
    }();
    return calls;
}

std::vector<std::string> DefaultCalls(const ParalloCls &service) {
    std::vector<std::string> names;
    for (const Method &m : Methods())
        if (m.byDefault(service)) names.emplace_back(m.name);
    return names;
}

const std::vector<std::string> &KnownKeys() {
    static const std::vector<std::string> keys = [] {
        std::vector<std::string> names;
        for (const Key &k : Keys())
            names.emplace_back(k.name);
        return names;
    }();
    return keys;
}

Frame ReadConfig(const Json &config) {
    if (!config.is_object())
        Fail("$", "expected a JSON object of service properties, got " + TypeName(config));
    Frame frame;
    Reader(config, frame).Read();
    return frame;
}

std::vector<std::string> KeysSetBy(const FurnitureOptions &options) {
    std::vector<std::string> names;
    for (const Key &k : Keys())
        if (k.given(options)) names.emplace_back(k.name);
    return names;
}

Frame ConfigureFrame(const FurnitureOptions &options) {
    Frame frame;
    frame.options = options;
    Reader(frame).Read();
    return frame;
}

} // namespace cli
} // namespace parallo
