// The configuration reader: the table of configuration keys, each with the reader of its value and
// the property it sets. Keys are read in a fixed order where one value decides how another is read
// (units and extent types before the coordinate systems, coordinate systems before anything
// measured in them); the rest in the order the file gives them, so that the first bad key of the
// file is the one reported.
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

// ---- the reader -------------------------------------------------------------------------------

/// The state of one reading: the configuration, the frame being filled, and the coordinate
/// systems and units that decide how later values are converted.
struct Reader {
    Reader(const Json &config, Frame &frame) : config_(config), f_(frame), s_(*frame.service) {}

    void Read();

    const Json *Find(const std::string &key) const {
        auto it = config_.find(key);
        return it == config_.end() ? nullptr : &*it;
    }

    void ReadCoordSystems();
    std::shared_ptr<coordkit::CoordSystem> MakeCoordSystem(const Json &v, const std::string &path);
    void ApplyDefaults();
    void DefaultStroking();
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
    ParalloCls::PointPtr NeatlinePoint(const Json &v, const std::string &path);
    ParalloCls::PointPtr GridPoint(const Json &v, const std::string &path);
    std::shared_ptr<LabelPartCls> ReadLabelPart(const Json &v, const std::string &path);
    std::shared_ptr<StdFont> ReadFont(const Json &v, const std::string &path);

    const Json &config_;
    Frame &f_;
    ParalloCls &s_;
    bool linearInCrs_ = true;
    std::shared_ptr<coordkit::CoordSystem> mapView_, neatline_, grid_;
    std::shared_ptr<coordkit::CoordSystemsMgr> manager_;
    std::shared_ptr<coordkit::UnitsOfMeasure> units_;
    // Unit codes and names of the neatline and grid systems, looked up on first use.
    std::int32_t neatlineUnit_ = -1, gridUnit_ = -1;
    std::string neatlineUnitName_, gridUnitName_;
};

// ---- the table of keys ------------------------------------------------------------------------

/// When a key is read: the units first, then the extent types, then the coordinate systems (in
/// one step, since the neatline and grid systems default to the map view's), then the rest in
/// the order of the file.
enum class Phase { kUnit, kExtentType, kCoordSystem, kInFileOrder };

/// Reads one key's value (at its JSON path) and hands it to where it goes.
using KeyReader = std::function<void(Reader &, const Json &, const std::string &)>;

struct Key {
    const char *name;
    Phase phase;
    /// Null for the coordinate systems, which are read together.
    KeyReader read;
};

using PointSetter = void (ParalloCls::*)(ParalloCls::PointPtr);

KeyReader Number(void (ParalloCls::*setter)(double)) {
    return [setter](Reader &r, const Json &v, const std::string &p) { (r.s_.*setter)(ReadNumber(v, p)); };
}

KeyReader Flag(void (ParalloCls::*setter)(bool)) {
    return [setter](Reader &r, const Json &v, const std::string &p) { (r.s_.*setter)(ReadBool(v, p)); };
}

KeyReader Text(void (ParalloCls::*setter)(const std::string &)) {
    return [setter](Reader &r, const Json &v, const std::string &p) { (r.s_.*setter)(ReadString(v, p)); };
}

KeyReader Int16(void (ParalloCls::*setter)(std::int16_t), std::int64_t lo = -32768, std::int64_t hi = 32767) {
    return [setter, lo, hi](Reader &r, const Json &v, const std::string &p) {
        (r.s_.*setter)(static_cast<std::int16_t>(ReadInteger(v, p, lo, hi)));
    };
}

template <typename E> KeyReader Enum(const EnumTable &table, void (ParalloCls::*setter)(E)) {
    return [&table, setter](Reader &r, const Json &v, const std::string &p) {
        (r.s_.*setter)(static_cast<E>(ReadEnum(v, p, table)));
    };
}

/// An extent type: it decides how later values are read, so the frame keeps it too.
KeyReader ExtentType(std::int32_t Frame::*field, void (ParalloCls::*setter)(std::int32_t)) {
    return [field, setter](Reader &r, const Json &v, const std::string &p) {
        r.f_.*field = ReadEnum(v, p, kExtentTypes);
        (r.s_.*setter)(r.f_.*field);
    };
}

KeyReader Part(void (ParalloCls::*setter)(ParalloCls::LabelPartPtr)) {
    return
        [setter](Reader &r, const Json &v, const std::string &p) { (r.s_.*setter)(r.ReadLabelPart(v, p)); };
}

/// A corner in the neatline system: angles when the corners are geographic, lengths otherwise.
KeyReader NeatlineCorner(PointSetter setter) {
    return
        [setter](Reader &r, const Json &v, const std::string &p) { (r.s_.*setter)(r.NeatlinePoint(v, p)); };
}

/// A point in the grid system.
KeyReader GridPointKey(PointSetter setter) {
    return [setter](Reader &r, const Json &v, const std::string &p) { (r.s_.*setter)(r.GridPoint(v, p)); };
}

/// A corner as the corner labels show it: geographic when the labels are.
KeyReader ProjCorner(PointSetter setter) {
    return [setter](Reader &r, const Json &v, const std::string &p) {
        shapekit::Point pt = ReadPoint(v, p);
        pt.x = r.LabelValue(pt.x, IndexPath(p, 0));
        pt.y = r.LabelValue(pt.y, IndexPath(p, 1));
        (r.s_.*setter)(std::make_shared<shapekit::Point>(pt));
    };
}

void ReadAngleUnit(Reader &r, const Json &v, const std::string &p) {
    std::string unit = ReadString(v, p);
    if (unit == "degree")
        r.f_.anglesInDegrees = true;
    else if (unit == "radian")
        r.f_.anglesInDegrees = false;
    else
        Fail(p, "unknown unit " + Quoted(unit) + ": expected \"degree\" or \"radian\"");
}

void ReadLinearUnit(Reader &r, const Json &v, const std::string &p) {
    std::string unit = ReadString(v, p);
    if (unit == "crs")
        r.linearInCrs_ = true;
    else if (unit == "metre")
        r.linearInCrs_ = false;
    else
        Fail(p, "unknown unit " + Quoted(unit) + ": expected \"crs\" or \"metre\"");
}

void ReadGeographicDDMMSS(Reader &r, const Json &v, const std::string &p) {
    r.f_.geographicDDMMSS = ReadBool(v, p);
    r.s_.SetbGeographicDDMMSS(r.f_.geographicDDMMSS);
}

void ReadLabelColor(Reader &r, const Json &v, const std::string &p) {
    // A colour as the drawing host stores it (0x00BBGGRR), or "#RRGGBB" as people write it.
    if (v.is_string()) {
        std::string t = v.get<std::string>();
        bool ok = t.size() == 7 && t[0] == '#' && std::all_of(t.begin() + 1, t.end(), [](char c) {
                      return std::isxdigit(static_cast<unsigned char>(c)) != 0;
                  });
        if (!ok) Fail(p, "expected a colour number or \"#RRGGBB\", got " + Quoted(t));
        long rgb = std::stol(t.substr(1), nullptr, 16);
        long bgr = ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF);
        r.s_.SetLabelColor(static_cast<std::int32_t>(bgr));
        return;
    }
    r.s_.SetLabelColor(static_cast<std::int32_t>(ReadInteger(v, p, 0, 0xFFFFFF)));
}

void ReadNeatlineStrokeDistance(Reader &r, const Json &v, const std::string &p) {
    r.f_.neatlineStrokeDistance = r.NeatlineValue(ReadNumber(v, p), p);
    r.s_.SetNeatlineStrokeDistance(r.f_.neatlineStrokeDistance);
}

void ReadGridStrokeDistance(Reader &r, const Json &v, const std::string &p) {
    r.s_.SetGridStrokeDistance(r.GridValue(ReadNumber(v, p), p));
}

void ReadPolarCapLatitude(Reader &r, const Json &v, const std::string &p) {
    // A latitude's magnitude, north or south alike, short of the pole; 0 for none.
    const double value = ReadNumber(v, p);
    const double quarter = r.f_.anglesInDegrees ? 90.0 : planicalc::TRG_DegreesToRadians() * 90.0;
    if (!(value >= 0.0 && value < quarter))
        Fail(p, std::string("a polar cap latitude lies from 0 (no cap) up to, not including, ") +
                    (r.f_.anglesInDegrees ? "90 degrees" : "pi/2 radians"));
    r.s_.SetPolarCapLatitude(r.Angle(value));
}

void ReadInterval(Reader &r, const Json &v, const std::string &p) {
    ParalloCls::PointPtr pt = r.GridPoint(v, p);
    // A zero or negative interval has no grid values; a tiny one is left to the service's own
    // line budget.
    if (!(pt->x > 0.0)) Fail(IndexPath(p, 0), "the interval must be greater than 0");
    if (!(pt->y > 0.0)) Fail(IndexPath(p, 1), "the interval must be greater than 0");
    r.s_.SetInterval(pt);
}

/// A host's own frame, in map-view coordinates.
void ReadNeatlinePolygon(Reader &r, const Json &v, const std::string &p) {
    if (!v.is_array()) Fail(p, "expected an array of points [x, y], got " + TypeName(v));
    if (v.size() < 3) Fail(p, "a polygon needs at least 3 points, got " + std::to_string(v.size()));
    // As many points as a stroked neatline may have (a 16-bit count); every generator works
    // through all of them, so a million-point frame would cost seconds per call.
    if (v.size() > kMaxPolygonPoints)
        Fail(p, "at most " + std::to_string(kMaxPolygonPoints) + " points, got " + std::to_string(v.size()));
    auto polygon = std::make_shared<shapekit::PolygonGeometry>();
    for (std::size_t i = 0; i < v.size(); ++i)
        polygon->Points().Add(ReadPoint(v[i], IndexPath(p, i)));
    r.s_.SetNeatlinePolygon(polygon);
}

/// A length on the map view that cannot be negative (a width, a tick's length).
KeyReader NonNegative(void (ParalloCls::*setter)(double)) {
    return [setter](Reader &r, const Json &v, const std::string &p) {
        const double value = ReadNumber(v, p);
        if (value < 0.0) Fail(p, "cannot be negative");
        (r.s_.*setter)(value);
    };
}

/// A per-axis interval of the frame styles (grid units, like Interval): 0 on both axes for none.
KeyReader FrameInterval(PointSetter setter) {
    return [setter](Reader &r, const Json &v, const std::string &p) {
        ParalloCls::PointPtr pt = r.GridPoint(v, p);
        if (pt->x < 0.0) Fail(IndexPath(p, 0), "cannot be negative (0 for none)");
        if (pt->y < 0.0) Fail(IndexPath(p, 1), "cannot be negative (0 for none)");
        (r.s_.*setter)(pt);
    };
}

void ReadLabelPosition(Reader &r, const Json &v, const std::string &p) {
    r.f_.labelPosition = static_cast<pxgrdLabelPosition>(ReadEnum(v, p, kLabelPositions));
    r.s_.SetLabelPosition(r.f_.labelPosition);
}

void ReadMapScale(Reader &r, const Json &v, const std::string &p) {
    r.f_.mapScale = ReadNumber(v, p);
    if (!(r.f_.mapScale > 0.0)) Fail(p, "the scale denominator must be greater than 0 (50000 for 1:50 000)");
}

void ReadLabelLayout(Reader &r, const Json &v, const std::string &p) { r.f_.labelLayout = ReadBool(v, p); }

void ReadCalls(Reader &r, const Json &v, const std::string &p) {
    if (!v.is_array()) Fail(p, "expected an array of method names, got " + TypeName(v));
    // Each call may take up to a second on a large frame: a list of thousands is a mistake.
    if (v.size() > kMaxCalls)
        Fail(p, "at most " + std::to_string(kMaxCalls) + " methods, got " + std::to_string(v.size()));
    r.f_.calls.clear();
    for (std::size_t i = 0; i < v.size(); ++i) {
        std::string name = ReadString(v[i], IndexPath(p, i));
        if (!FindMethod(name))
            Fail(IndexPath(p, i), "unknown method " + Quoted(name) + Suggestion(name, KnownCalls()));
        r.f_.calls.push_back(name);
    }
}

using P = ParalloCls;
constexpr Phase kInFile = Phase::kInFileOrder;

/// Every key the reader accepts, in the order the "did you mean" suggestions prefer them.
const std::vector<Key> kKeys = {
    {"MapViewCoordSystem", Phase::kCoordSystem, nullptr},
    {"NeatlineCoordSystem", Phase::kCoordSystem, nullptr},
    {"GridCoordSystem", Phase::kCoordSystem, nullptr},
    {"NeatlineExtentsType", Phase::kExtentType,
     ExtentType(&Frame::neatlineExtentsType, &P::SetNeatlineExtentsType)},
    {"GridIntervalsType", Phase::kExtentType,
     ExtentType(&Frame::gridIntervalsType, &P::SetGridIntervalsType)},
    {"LabelDisplayType", Phase::kExtentType, ExtentType(&Frame::labelDisplayType, &P::SetLabelDisplayType)},
    {"NeatlineStrokeDistance", kInFile, ReadNeatlineStrokeDistance},
    {"GridStrokeDistance", kInFile, ReadGridStrokeDistance},
    {"bForceStroking", kInFile, Flag(&P::SetbForceStroking)},
    // A length on the map view, like the offsets below.
    {"StrokeTolerance", kInFile, NonNegative(&P::SetStrokeTolerance)},
    // Around a pole: where the meridians stop (an angle, AngleUnit) and which still go on.
    {"PolarCapLatitude", kInFile, ReadPolarCapLatitude},
    {"PolarCapMeridianSkip", kInFile, Int16(&P::SetPolarCapMeridianSkip, 0, 32767)},
    // Lengths on the map view: never converted.
    {"BorderOffsetRight", kInFile, Number(&P::SetBorderOffsetRight)},
    {"BorderOffsetLeft", kInFile, Number(&P::SetBorderOffsetLeft)},
    {"BorderOffsetBottom", kInFile, Number(&P::SetBorderOffsetBottom)},
    {"BorderOffsetTop", kInFile, Number(&P::SetBorderOffsetTop)},
    {"GridType", kInFile, Enum(kGridTypes, &P::SetGridType)},
    {"TickLength", kInFile, Number(&P::SetTickLength)},
    {"CrossLength", kInFile, Number(&P::SetCrossLength)},
    {"LabelType", kInFile, Enum(kLabelTypes, &P::SetLabelType)},
    {"LabelOffset", kInFile, Number(&P::SetLabelOffset)},
    {"VerticalLabelOffset", kInFile, Number(&P::SetVerticalLabelOffset)},
    {"LabelOrientation", kInFile, Enum(kOrientations, &P::SetLabelOrientation)},
    {"LabelPosition", kInFile, ReadLabelPosition},
    {"LabelPositionRelativeToPoint", kInFile, Enum(kRelativePositions, &P::SetLabelPositionRelativeToPoint)},
    {"MagnitudeAB", kInFile, Int16(&P::SetMagnitudeAB)},
    {"MagnitudeBC", kInFile, Int16(&P::SetMagnitudeBC)},
    // More decimals than a double carries would only print noise.
    {"DecimalPlaces", kInFile, Int16(&P::SetDecimalPlaces, 0, 15)},
    {"PlaceLeftSideGridElements", kInFile, Flag(&P::SetPlaceLeftSideGridElements)},
    {"PlaceTopSideGridElements", kInFile, Flag(&P::SetPlaceTopSideGridElements)},
    {"PlaceRightSideGridElements", kInFile, Flag(&P::SetPlaceRightSideGridElements)},
    {"PlaceBottomSideGridElements", kInFile, Flag(&P::SetPlaceBottomSideGridElements)},
    {"bGeographicDDMMSS", kInFile, ReadGeographicDDMMSS},
    {"bHemisphereAsSuffix", kInFile, Flag(&P::SetbHemisphereAsSuffix)},
    {"EastingHemisphereLabel", kInFile, Text(&P::SetEastingHemisphereLabel)},
    {"NorthingHemisphereLabel", kInFile, Text(&P::SetNorthingHemisphereLabel)},
    {"WestingHemisphereLabel", kInFile, Text(&P::SetWestingHemisphereLabel)},
    {"SouthingHemisphereLabel", kInFile, Text(&P::SetSouthingHemisphereLabel)},
    {"Angle", kInFile, Number(&P::SetAngle)},
    {"LabelColor", kInFile, ReadLabelColor},
    {"NeatlineLowerLeft", kInFile, NeatlineCorner(&P::SetNeatlineLowerLeft)},
    {"NeatlineUpperRight", kInFile, NeatlineCorner(&P::SetNeatlineUpperRight)},
    {"Interval", kInFile, ReadInterval},
    {"SkipInterval", kInFile, GridPointKey(&P::SetSkipInterval)},
    {"GridOffset", kInFile, GridPointKey(&P::SetGridOffset)},
    {"NeatlineLowerLeftInProjUnits", kInFile, ProjCorner(&P::SetNeatlineLowerLeftInProjUnits)},
    {"NeatlineUpperLeftInProjUnits", kInFile, ProjCorner(&P::SetNeatlineUpperLeftInProjUnits)},
    {"NeatlineUpperRightInProjUnits", kInFile, ProjCorner(&P::SetNeatlineUpperRightInProjUnits)},
    {"NeatlineLowerRightInProjUnits", kInFile, ProjCorner(&P::SetNeatlineLowerRightInProjUnits)},
    {"NeatlinePolygon", kInFile, ReadNeatlinePolygon},
    {"AngleUnit", Phase::kUnit, ReadAngleUnit},
    {"LinearUnit", Phase::kUnit, ReadLinearUnit},
    {"LabelPartA", kInFile, Part(&P::SetLabelPartA)},
    {"LabelPartB", kInFile, Part(&P::SetLabelPartB)},
    {"LabelPartC", kInFile, Part(&P::SetLabelPartC)},
    {"LabelPartD", kInFile, Part(&P::SetLabelPartD)},
    {"LabelPartUnit", kInFile, Part(&P::SetLabelPartUnit)},
    {"LabelPartHemisphere", kInFile, Part(&P::SetLabelPartHemisphere)},
    // Frame styles: bars outside the neatline and ticks on it.
    {"FrameBarWidth", kInFile, NonNegative(&P::SetFrameBarWidth)},
    {"FrameBarSubInterval", kInFile, FrameInterval(&P::SetFrameBarSubInterval)},
    {"bFrameBarCorners", kInFile, Flag(&P::SetbFrameBarCorners)},
    {"bTicksOutward", kInFile, Flag(&P::SetbTicksOutward)},
    {"MinorTickInterval", kInFile, FrameInterval(&P::SetMinorTickInterval)},
    {"MinorTickLength", kInFile, NonNegative(&P::SetMinorTickLength)},
    {"bMinorTicksOutward", kInFile, Flag(&P::SetbMinorTicksOutward)},
    // The command's label layout.
    {"MapScale", kInFile, ReadMapScale},
    {"LabelLayout", kInFile, ReadLabelLayout},
    {"calls", kInFile, ReadCalls},
};

const Key *FindKey(const std::string &name) {
    for (const Key &k : kKeys)
        if (name == k.name) return &k;
    return nullptr;
}

// ---- reading in order -----------------------------------------------------------------------

void Reader::Read() {
    for (auto it = config_.begin(); it != config_.end(); ++it)
        if (!FindKey(it.key()))
            Fail(MemberPath("$", it.key()), "unknown key" + Suggestion(it.key(), KnownKeys()));
    for (Phase phase : {Phase::kUnit, Phase::kExtentType})
        for (const Key &k : kKeys)
            if (k.phase == phase)
                if (const Json *v = Find(k.name)) k.read(*this, *v, MemberPath("$", k.name));
    ReadCoordSystems();
    for (auto it = config_.begin(); it != config_.end(); ++it) {
        const Key *k = FindKey(it.key());
        if (k->phase == Phase::kInFileOrder) k->read(*this, it.value(), MemberPath("$", it.key()));
    }
    ApplyDefaults();
    DescribeUnits();
}

std::shared_ptr<coordkit::CoordSystem> Reader::MakeCoordSystem(const Json &v, const std::string &path) {
    const Json *definition = &v;
    std::string definitionPath = path;
    const Json *storage = nullptr;
    if (v.is_object() && v.contains("definition")) {
        RejectUnknownMembers(v, path, kCoordSystemWrapperKeys);
        definition = &v["definition"];
        definitionPath = MemberPath(path, "definition");
        if (v.contains("BaseStorageType")) storage = &v["BaseStorageType"];
    }
    std::string text;
    if (definition->is_string())
        text = definition->get<std::string>();
    else if (definition->is_object())
        text = definition->dump(-1, ' ', false, Json::error_handler_t::replace);
    else
        Fail(definitionPath, "expected a coordinate system definition (a text such as \"EPSG:32632\", WKT or "
                             "a PROJ string, or a PROJJSON object), got " +
                                 TypeName(*definition));
    if (text.empty()) Fail(definitionPath, "the coordinate system definition is empty");

    std::int32_t storageType = -1;
    if (storage) storageType = ReadEnum(*storage, MemberPath(path, "BaseStorageType"), kStorageTypes);
    std::shared_ptr<coordkit::CoordSystem> cs;
    try {
        cs = coordkit::CreateProjCoordSystem(text);
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
    const Json *mapView = Find("MapViewCoordSystem");
    if (!mapView) Fail("$.MapViewCoordSystem", "missing: the map view's coordinate system is required");
    f_.mapViewDefinition = *mapView;
    if (mapView->is_object() && mapView->contains("definition"))
        f_.mapViewDefinition = (*mapView)["definition"];
    mapView_ = MakeCoordSystem(*mapView, "$.MapViewCoordSystem");

    // The neatline and grid systems default to the map view's definition, as separate objects so
    // that a storage type the service sets on one never reaches the others.
    const Json *neatline = Find("NeatlineCoordSystem");
    neatline_ = MakeCoordSystem(neatline ? *neatline : *mapView,
                                neatline ? "$.NeatlineCoordSystem" : "$.MapViewCoordSystem");
    const Json *grid = Find("GridCoordSystem");
    grid_ = MakeCoordSystem(grid ? *grid : *mapView, grid ? "$.GridCoordSystem" : "$.MapViewCoordSystem");

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

ParalloCls::PointPtr Reader::NeatlinePoint(const Json &v, const std::string &path) {
    shapekit::Point p = ReadPoint(v, path);
    p.x = NeatlineValue(p.x, IndexPath(path, 0));
    p.y = NeatlineValue(p.y, IndexPath(path, 1));
    return std::make_shared<shapekit::Point>(p);
}

ParalloCls::PointPtr Reader::GridPoint(const Json &v, const std::string &path) {
    shapekit::Point p = ReadPoint(v, path);
    p.x = GridValue(p.x, IndexPath(path, 0));
    p.y = GridValue(p.y, IndexPath(path, 1));
    return std::make_shared<shapekit::Point>(p);
}

// ---- label parts and fonts ----------------------------------------------------------------

std::shared_ptr<StdFont> Reader::ReadFont(const Json &v, const std::string &path) {
    if (!v.is_object())
        Fail(path, "expected a font object {\"Name\", \"Size\", \"Bold\", ...}, got " + TypeName(v));
    RejectUnknownMembers(v, path, kFontKeys);
    auto font = std::make_shared<StdFont>();
    bool weightGiven = false;
    for (auto it = v.begin(); it != v.end(); ++it) {
        const std::string p = MemberPath(path, it.key());
        const std::string &k = it.key();
        if (k == "Name") font->Name = ReadString(*it, p);
        if (k == "Size") {
            font->Size = ReadNumber(*it, p);
            if (font->Size < 0.0) Fail(p, "a font size cannot be negative");
        }
        if (k == "Bold") font->Bold = ReadBool(*it, p);
        if (k == "Italic") font->Italic = ReadBool(*it, p);
        if (k == "Underline") font->Underline = ReadBool(*it, p);
        if (k == "Strikethrough") font->Strikethrough = ReadBool(*it, p);
        if (k == "Weight") {
            font->Weight = static_cast<std::int16_t>(ReadInteger(*it, p, 0, 1000));
            weightGiven = true;
        }
        if (k == "Charset") font->Charset = static_cast<std::int16_t>(ReadInteger(*it, p, 0, 255));
    }
    if (!weightGiven) font->Weight = font->Bold ? 700 : 400;
    return font;
}

std::shared_ptr<LabelPartCls> Reader::ReadLabelPart(const Json &v, const std::string &path) {
    if (!v.is_object())
        Fail(path, "expected a label part {\"bDisplay\", \"FontType\", \"Font\"}, got " + TypeName(v));
    RejectUnknownMembers(v, path, kLabelPartKeys);
    auto part = std::make_shared<LabelPartCls>();
    for (auto it = v.begin(); it != v.end(); ++it) {
        const std::string p = MemberPath(path, it.key());
        const std::string &k = it.key();
        if (k == "bDisplay") part->SetbDisplay(ReadBool(*it, p));
        if (k == "FontType") part->SetFontType(static_cast<pxgrdFontType>(ReadEnum(*it, p, kFontTypes)));
        if (k == "Font") part->SetFont(ReadFont(*it, p));
        if (k == "Text") part->SetText(ReadString(*it, p));
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

/// Smooth lines unless the configuration strokes by hand: with neither stroke distance nor
/// StrokeTolerance given, steps are refined until they stray at most kDefaultStrokeFraction of
/// the frame's size from their lines, and a neatline whose sides bend in the map view (corners
/// in another system, or given as longitude and latitude) is stroked unless bForceStroking is
/// given, one step per side, refined the same way.
void Reader::DefaultStroking() {
    if (Find("GridStrokeDistance") || Find("NeatlineStrokeDistance") || Find("StrokeTolerance")) return;
    const auto &ll = s_.NeatlineLowerLeft();
    const auto &ur = s_.NeatlineUpperRight();
    std::vector<shapekit::Point> images;
    double side = 0.0;
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
            if (!manager) return;
            const auto service = manager->GetTransformService();
            const auto T = service ? service->CreateSimpleTransFromCSMtoCS(*manager, neatline_) : nullptr;
            if (!T) return;
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
            return; // the neatline method reports it
        }
    } else if (const auto &polygon = s_.NeatlinePolygon()) {
        images = polygon->Points().Vector();
    }
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

    if (images.size() != 9 || Find("bForceStroking") || !(side > 0.0)) return;
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

void Reader::ApplyDefaults() {
    if (!Find("calls")) f_.calls = DefaultCalls(s_);

    // An absent label part is a part that is not displayed.
    if (!s_.LabelPartA()) s_.SetLabelPartA(std::make_shared<LabelPartCls>());
    if (!s_.LabelPartB()) s_.SetLabelPartB(std::make_shared<LabelPartCls>());
    if (!s_.LabelPartC()) s_.SetLabelPartC(std::make_shared<LabelPartCls>());
    if (!s_.LabelPartD()) s_.SetLabelPartD(std::make_shared<LabelPartCls>());
    if (!s_.LabelPartUnit()) s_.SetLabelPartUnit(std::make_shared<LabelPartCls>());
    if (!s_.LabelPartHemisphere()) s_.SetLabelPartHemisphere(std::make_shared<LabelPartCls>());

    // No offset and no skipping unless asked for.
    if (!s_.GridOffset()) s_.SetGridOffset(std::make_shared<shapekit::Point>());
    if (!s_.SkipInterval()) s_.SetSkipInterval(std::make_shared<shapekit::Point>());
    DefaultStroking();

    const auto &ll = s_.NeatlineLowerLeft();
    const auto &ur = s_.NeatlineUpperRight();
    if (!ll || !ur) return;
    if (!Find("NeatlineLowerLeftInProjUnits"))
        DefaultProjCorner("NeatlineLowerLeftInProjUnits", ll->x, ll->y, ll->z,
                          &ParalloCls::SetNeatlineLowerLeftInProjUnits);
    if (!Find("NeatlineUpperLeftInProjUnits"))
        DefaultProjCorner("NeatlineUpperLeftInProjUnits", ll->x, ur->y, ll->z,
                          &ParalloCls::SetNeatlineUpperLeftInProjUnits);
    if (!Find("NeatlineUpperRightInProjUnits"))
        DefaultProjCorner("NeatlineUpperRightInProjUnits", ur->x, ur->y, ur->z,
                          &ParalloCls::SetNeatlineUpperRightInProjUnits);
    if (!Find("NeatlineLowerRightInProjUnits"))
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
        for (const Key &k : kKeys)
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

} // namespace cli
} // namespace parallo
