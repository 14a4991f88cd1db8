// The configuration reader. Keys are read in a fixed order where one value decides how another is
// read (units and extent types before the coordinate systems, coordinate systems before anything
// measured in them); the rest in the order the file gives them, so that the first bad key of the
// file is the one reported.
#include "config.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <functional>
#include <limits>
#include <map>
#include <set>
#include <utility>

#include "parallo/coordkit_proj.h"

namespace parallo {
namespace cli {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kMaxDepth = 64;
constexpr std::size_t kMaxCalls = 1000;
constexpr std::size_t kMaxPolygonPoints = 32767;

// ---- names ----------------------------------------------------------------------------------

const std::vector<std::string> kLabelPartKeys = {"bDisplay", "FontType", "Font", "Text"};
const std::vector<std::string> kFontKeys = {"Name",      "Size",          "Bold",   "Italic",
                                            "Underline", "Strikethrough", "Weight", "Charset"};
const std::vector<std::string> kCoordSystemWrapperKeys = {"definition", "BaseStorageType"};

struct EnumMember {
    const char* name;
    std::int32_t value;
};
using EnumTable = std::vector<EnumMember>;

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

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::size_t EditDistance(const std::string& a, const std::string& b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            std::size_t above = row[j];
            std::size_t substitution = diagonal + (a[i - 1] == b[j - 1] ? 0 : 1);
            row[j] = std::min({above + 1, row[j - 1] + 1, substitution});
            diagonal = above;
        }
    }
    return row[b.size()];
}

/// A text from the configuration as a message shows it: at most kMaxShown characters of it, so
/// that a megabyte-long key or name cannot turn a one-line message into a megabyte.
constexpr std::size_t kMaxShown = 120;
std::string Shortened(const std::string& s) { return s.size() <= kMaxShown ? s : s.substr(0, kMaxShown) + "..."; }

std::string Quoted(const std::string& s) {
    return Json(Shortened(s)).dump(-1, ' ', false, Json::error_handler_t::replace);
}

std::string TypeName(const Json& v) {
    if (v.is_number()) return "a number";
    if (v.is_string()) return "a string";
    if (v.is_boolean()) return "a boolean";
    if (v.is_null()) return "null";
    if (v.is_array()) return "an array";
    return "an object";
}

[[noreturn]] void Fail(const std::string& path, const std::string& problem) { throw ConfigError(path, problem); }

std::string IndexPath(const std::string& parent, std::size_t index) {
    return parent + "[" + std::to_string(index) + "]";
}

std::string Suggestion(const std::string& word, const std::vector<std::string>& names) {
    std::string nearest = NearestName(word, names);
    return nearest.empty() ? std::string() : "; did you mean " + Quoted(nearest) + "?";
}

void RejectUnknownMembers(const Json& object, const std::string& path, const std::vector<std::string>& names) {
    for (auto it = object.begin(); it != object.end(); ++it)
        if (std::find(names.begin(), names.end(), it.key()) == names.end())
            Fail(MemberPath(path, it.key()), "unknown key" + Suggestion(it.key(), names));
}

// ---- scalar readers ---------------------------------------------------------------------------

double ReadNumber(const Json& v, const std::string& path) {
    if (!v.is_number()) Fail(path, "expected a number, got " + TypeName(v));
    double x = v.get<double>();
    if (!std::isfinite(x)) Fail(path, "the number is out of range");
    return x;
}

std::int64_t ReadInteger(const Json& v, const std::string& path, std::int64_t lo, std::int64_t hi) {
    double x = ReadNumber(v, path);
    if (std::floor(x) != x) Fail(path, "expected a whole number, got " + v.dump());
    if (x < static_cast<double>(lo) || x > static_cast<double>(hi))
        Fail(path, "the number " + v.dump() + " is outside " + std::to_string(lo) + " to " + std::to_string(hi));
    return static_cast<std::int64_t>(x);
}

bool ReadBool(const Json& v, const std::string& path) {
    if (!v.is_boolean()) Fail(path, "expected true or false, got " + TypeName(v));
    return v.get<bool>();
}

std::string ReadString(const Json& v, const std::string& path) {
    if (!v.is_string()) Fail(path, "expected a string, got " + TypeName(v));
    return v.get<std::string>();
}

std::string EnumChoices(const EnumTable& table) {
    std::string text;
    for (const EnumMember& m : table) {
        if (!text.empty()) text += ", ";
        text += std::string(m.name) + " (" + std::to_string(m.value) + ")";
    }
    return text;
}

std::int32_t ReadEnum(const Json& v, const std::string& path, const EnumTable& table) {
    if (v.is_number()) {
        double x = v.get<double>();
        for (const EnumMember& m : table)
            if (x == static_cast<double>(m.value)) return m.value;
        Fail(path, "the value " + v.dump() + " is out of range: expected one of " + EnumChoices(table));
    }
    if (v.is_string()) {
        std::string name = v.get<std::string>();
        std::vector<std::string> names;
        for (const EnumMember& m : table) {
            if (name == m.name) return m.value;
            names.emplace_back(m.name);
        }
        Fail(path, "unknown member " + Quoted(name) + Suggestion(name, names) + " (expected one of " +
                       EnumChoices(table) + ")");
    }
    Fail(path, "expected a member name or number, got " + TypeName(v));
}

shapekit::Point ReadPoint(const Json& v, const std::string& path) {
    if (!v.is_array() || v.size() < 2 || v.size() > 3)
        Fail(path, "expected a point [x, y] or [x, y, z], got " +
                       (v.is_array() ? "an array of " + std::to_string(v.size()) : TypeName(v)));
    shapekit::Point p;
    p.x = ReadNumber(v[0], IndexPath(path, 0));
    p.y = ReadNumber(v[1], IndexPath(path, 1));
    if (v.size() == 3) p.z = ReadNumber(v[2], IndexPath(path, 2));
    return p;
}

std::string DescribeException(const std::exception& e) {
    if (const auto* error = dynamic_cast<const parallo::Error*>(&e))
        return error->Description().empty() ? std::string(e.what()) : error->Description();
    return e.what();
}

// ---- the reader -------------------------------------------------------------------------------

class Reader {
public:
    Reader(const Json& config, Frame& frame) : config_(config), f_(frame), s_(*frame.service) {}

    void Read();

private:
    using Handler = std::function<void(const Json&, const std::string&)>;

    const Json* Find(const std::string& key) const {
        auto it = config_.find(key);
        return it == config_.end() ? nullptr : &*it;
    }

    void ReadUnits();
    void ReadExtentTypes();
    void ReadCoordSystems();
    std::shared_ptr<coordkit::CoordSystem> MakeCoordSystem(const Json& v, const std::string& path);
    std::map<std::string, Handler> Handlers();
    void ApplyDefaults();
    void DefaultProjCorner(const char* key, double x, double y, double z,
                           void (ParalloCls::*setter)(ParalloCls::PointPtr));

    double Angle(double v) const { return f_.anglesInDegrees ? v * (kPi / 180.0) : v; }
    double Linear(double v, bool neatlineSide, const std::string& path);
    double NeatlineValue(double v, const std::string& path) {
        return f_.neatlineExtentsType == kExtentGeographic ? Angle(v) : Linear(v, true, path);
    }
    double GridValue(double v, const std::string& path) {
        return f_.gridIntervalsType == kExtentGeographic ? Angle(v) : Linear(v, false, path);
    }
    double LabelValue(double v, const std::string& path) {
        return f_.labelDisplayType == kExtentGeographic ? Angle(v) : Linear(v, true, path);
    }
    ParalloCls::PointPtr NeatlinePoint(const Json& v, const std::string& path);
    ParalloCls::PointPtr GridPoint(const Json& v, const std::string& path);
    std::shared_ptr<LabelPartCls> ReadLabelPart(const Json& v, const std::string& path);
    std::shared_ptr<StdFont> ReadFont(const Json& v, const std::string& path);

    const Json& config_;
    Frame& f_;
    ParalloCls& s_;
    bool linearInCrs_ = true;
    std::string linearUnitPath_;
    std::shared_ptr<coordkit::CoordSystem> mapView_, neatline_, grid_;
    std::shared_ptr<coordkit::UnitsOfMeasure> units_;
    // Unit codes of the neatline and grid systems, looked up on first use.
    std::int32_t neatlineUnit_ = -1, gridUnit_ = -1;
};

void Reader::Read() {
    for (auto it = config_.begin(); it != config_.end(); ++it) {
        const std::vector<std::string>& keys = KnownKeys();
        if (std::find(keys.begin(), keys.end(), it.key()) == keys.end())
            Fail(MemberPath("$", it.key()), "unknown key" + Suggestion(it.key(), keys));
    }
    ReadUnits();
    ReadExtentTypes();
    ReadCoordSystems();

    std::map<std::string, Handler> handlers = Handlers();
    for (auto it = config_.begin(); it != config_.end(); ++it) {
        auto h = handlers.find(it.key());
        if (h != handlers.end()) h->second(it.value(), MemberPath("$", it.key()));
    }
    ApplyDefaults();
}

void Reader::ReadUnits() {
    if (const Json* v = Find("AngleUnit")) {
        std::string unit = ReadString(*v, "$.AngleUnit");
        if (unit == "degree")
            f_.anglesInDegrees = true;
        else if (unit == "radian")
            f_.anglesInDegrees = false;
        else
            Fail("$.AngleUnit", "unknown unit " + Quoted(unit) + ": expected \"degree\" or \"radian\"");
    }
    if (const Json* v = Find("LinearUnit")) {
        std::string unit = ReadString(*v, "$.LinearUnit");
        if (unit == "crs")
            linearInCrs_ = true;
        else if (unit == "metre")
            linearInCrs_ = false;
        else
            Fail("$.LinearUnit", "unknown unit " + Quoted(unit) + ": expected \"crs\" or \"metre\"");
    }
}

void Reader::ReadExtentTypes() {
    if (const Json* v = Find("NeatlineExtentsType")) {
        f_.neatlineExtentsType = ReadEnum(*v, "$.NeatlineExtentsType", kExtentTypes);
        s_.SetNeatlineExtentsType(f_.neatlineExtentsType);
    }
    if (const Json* v = Find("GridIntervalsType")) {
        f_.gridIntervalsType = ReadEnum(*v, "$.GridIntervalsType", kExtentTypes);
        s_.SetGridIntervalsType(f_.gridIntervalsType);
    }
    if (const Json* v = Find("LabelDisplayType")) {
        f_.labelDisplayType = ReadEnum(*v, "$.LabelDisplayType", kExtentTypes);
        s_.SetLabelDisplayType(f_.labelDisplayType);
    }
}

std::shared_ptr<coordkit::CoordSystem> Reader::MakeCoordSystem(const Json& v, const std::string& path) {
    const Json* definition = &v;
    std::string definitionPath = path;
    const Json* storage = nullptr;
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
    } catch (const std::exception& e) {
        Fail(definitionPath, "PROJ cannot make a coordinate system from it: " + DescribeException(e));
    }
    if (!cs) Fail(definitionPath, "PROJ cannot make a coordinate system from it");
    if (storageType >= 0) {
        try {
            cs->SetBaseStorageType(storageType);
        } catch (const std::exception& e) {
            Fail(MemberPath(path, "BaseStorageType"), "the coordinate system refuses it: " + DescribeException(e));
        }
    }
    return cs;
}

void Reader::ReadCoordSystems() {
    const Json* mapView = Find("MapViewCoordSystem");
    if (!mapView) Fail("$.MapViewCoordSystem", "missing: the map view's coordinate system is required");
    f_.mapViewDefinition = *mapView;
    if (mapView->is_object() && mapView->contains("definition")) f_.mapViewDefinition = (*mapView)["definition"];
    mapView_ = MakeCoordSystem(*mapView, "$.MapViewCoordSystem");

    // The neatline and grid systems default to the map view's definition, as separate objects so
    // that a storage type the service sets on one never reaches the others.
    const Json* neatline = Find("NeatlineCoordSystem");
    neatline_ = MakeCoordSystem(neatline ? *neatline : *mapView,
                                neatline ? "$.NeatlineCoordSystem" : "$.MapViewCoordSystem");
    const Json* grid = Find("GridCoordSystem");
    grid_ = MakeCoordSystem(grid ? *grid : *mapView, grid ? "$.GridCoordSystem" : "$.MapViewCoordSystem");

    std::shared_ptr<coordkit::CoordSystemsMgr> manager;
    try {
        manager = coordkit::CreateProjCoordSystemsMgr(mapView_);
        units_ = coordkit::CreateProjUnitsOfMeasure();
    } catch (const std::exception& e) {
        Fail("$.MapViewCoordSystem", "the coordinate engine cannot start: " + DescribeException(e));
    }
    s_.SetMapViewCoordSystem(mapView_);
    s_.SetNeatlineCoordSystem(neatline_);
    s_.SetGridCoordSystem(grid_);
    s_.SetCoordSystemsMgr(manager);
    s_.SetUnitsOfMeasure(units_);
}

double Reader::Linear(double v, bool neatlineSide, const std::string& path) {
    if (!linearInCrs_) return v;
    std::int32_t& code = neatlineSide ? neatlineUnit_ : gridUnit_;
    const char* systemKey = neatlineSide ? "NeatlineCoordSystem" : "GridCoordSystem";
    if (code < 0) {
        const auto& cs = neatlineSide ? neatline_ : grid_;
        std::string unit;
        try {
            auto projection = cs ? cs->ProjectionSpace() : nullptr;
            auto axis = projection ? projection->AxisInfo() : nullptr;
            if (!axis) throw std::runtime_error("it describes no axes");
            unit = axis->UnitName();
            code = units_ ? units_->GetUnitCode(1, unit) : coordkit::kMetreUnitCode;
        } catch (const std::exception& e) {
            Fail(path, std::string("is a length in the unit of ") + systemKey +
                           " (LinearUnit \"crs\"), but that system has no linear unit" +
                           (unit.empty() ? std::string() : " (" + Quoted(unit) + ")") + ": " +
                           DescribeException(e) +
                           "; give it in geographic units (extents type 1) or set LinearUnit to \"metre\"");
        }
    }
    if (code == coordkit::kMetreUnitCode) return v;
    double metres = 0.0;
    try {
        metres = units_->ConvertValue(1, v, code, coordkit::kMetreUnitCode);
    } catch (const std::exception& e) {
        Fail(path, std::string("cannot be converted to metres from the unit of ") + systemKey + ": " +
                       DescribeException(e));
    }
    if (!std::isfinite(metres)) Fail(path, "the number is out of range once converted to metres");
    return metres;
}

ParalloCls::PointPtr Reader::NeatlinePoint(const Json& v, const std::string& path) {
    shapekit::Point p = ReadPoint(v, path);
    p.x = NeatlineValue(p.x, IndexPath(path, 0));
    p.y = NeatlineValue(p.y, IndexPath(path, 1));
    return std::make_shared<shapekit::Point>(p);
}

ParalloCls::PointPtr Reader::GridPoint(const Json& v, const std::string& path) {
    shapekit::Point p = ReadPoint(v, path);
    p.x = GridValue(p.x, IndexPath(path, 0));
    p.y = GridValue(p.y, IndexPath(path, 1));
    return std::make_shared<shapekit::Point>(p);
}

std::shared_ptr<StdFont> Reader::ReadFont(const Json& v, const std::string& path) {
    if (!v.is_object()) Fail(path, "expected a font object {\"Name\", \"Size\", \"Bold\", ...}, got " + TypeName(v));
    RejectUnknownMembers(v, path, kFontKeys);
    auto font = std::make_shared<StdFont>();
    bool weightGiven = false;
    for (auto it = v.begin(); it != v.end(); ++it) {
        const std::string p = MemberPath(path, it.key());
        const std::string& k = it.key();
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

std::shared_ptr<LabelPartCls> Reader::ReadLabelPart(const Json& v, const std::string& path) {
    if (!v.is_object())
        Fail(path, "expected a label part {\"bDisplay\", \"FontType\", \"Font\"}, got " + TypeName(v));
    RejectUnknownMembers(v, path, kLabelPartKeys);
    auto part = std::make_shared<LabelPartCls>();
    for (auto it = v.begin(); it != v.end(); ++it) {
        const std::string p = MemberPath(path, it.key());
        const std::string& k = it.key();
        if (k == "bDisplay") part->SetbDisplay(ReadBool(*it, p));
        if (k == "FontType") part->SetFontType(static_cast<pxgrdFontType>(ReadEnum(*it, p, kFontTypes)));
        if (k == "Font") part->SetFont(ReadFont(*it, p));
        if (k == "Text") part->SetText(ReadString(*it, p));
    }
    return part;
}

std::map<std::string, Reader::Handler> Reader::Handlers() {
    ParalloCls& s = s_;
    std::map<std::string, Handler> h;
    auto number = [&h, &s](const char* key, void (ParalloCls::*setter)(double)) {
        h[key] = [&s, setter](const Json& v, const std::string& p) { (s.*setter)(ReadNumber(v, p)); };
    };
    auto flag = [&h, &s](const char* key, void (ParalloCls::*setter)(bool)) {
        h[key] = [&s, setter](const Json& v, const std::string& p) { (s.*setter)(ReadBool(v, p)); };
    };
    auto text = [&h, &s](const char* key, void (ParalloCls::*setter)(const std::string&)) {
        h[key] = [&s, setter](const Json& v, const std::string& p) { (s.*setter)(ReadString(v, p)); };
    };
    auto int16 = [&h, &s](const char* key, void (ParalloCls::*setter)(std::int16_t)) {
        h[key] = [&s, setter](const Json& v, const std::string& p) {
            (s.*setter)(static_cast<std::int16_t>(ReadInteger(v, p, -32768, 32767)));
        };
    };
    auto part = [this, &h](const char* key, void (ParalloCls::*setter)(ParalloCls::LabelPartPtr)) {
        h[key] = [this, setter](const Json& v, const std::string& p) { (s_.*setter)(ReadLabelPart(v, p)); };
    };

    // Lengths on the map view: never converted.
    number("BorderOffsetRight", &ParalloCls::SetBorderOffsetRight);
    number("BorderOffsetLeft", &ParalloCls::SetBorderOffsetLeft);
    number("BorderOffsetBottom", &ParalloCls::SetBorderOffsetBottom);
    number("BorderOffsetTop", &ParalloCls::SetBorderOffsetTop);
    number("TickLength", &ParalloCls::SetTickLength);
    number("CrossLength", &ParalloCls::SetCrossLength);
    number("LabelOffset", &ParalloCls::SetLabelOffset);
    number("VerticalLabelOffset", &ParalloCls::SetVerticalLabelOffset);
    number("Angle", &ParalloCls::SetAngle);

    flag("bForceStroking", &ParalloCls::SetbForceStroking);
    flag("bHemisphereAsSuffix", &ParalloCls::SetbHemisphereAsSuffix);
    flag("PlaceLeftSideGridElements", &ParalloCls::SetPlaceLeftSideGridElements);
    flag("PlaceTopSideGridElements", &ParalloCls::SetPlaceTopSideGridElements);
    flag("PlaceRightSideGridElements", &ParalloCls::SetPlaceRightSideGridElements);
    flag("PlaceBottomSideGridElements", &ParalloCls::SetPlaceBottomSideGridElements);
    h["bGeographicDDMMSS"] = [this](const Json& v, const std::string& p) {
        f_.geographicDDMMSS = ReadBool(v, p);
        s_.SetbGeographicDDMMSS(f_.geographicDDMMSS);
    };

    text("EastingHemisphereLabel", &ParalloCls::SetEastingHemisphereLabel);
    text("NorthingHemisphereLabel", &ParalloCls::SetNorthingHemisphereLabel);
    text("WestingHemisphereLabel", &ParalloCls::SetWestingHemisphereLabel);
    text("SouthingHemisphereLabel", &ParalloCls::SetSouthingHemisphereLabel);

    int16("MagnitudeAB", &ParalloCls::SetMagnitudeAB);
    int16("MagnitudeBC", &ParalloCls::SetMagnitudeBC);
    h["DecimalPlaces"] = [&s](const Json& v, const std::string& p) {
        // More decimals than a double carries would only print noise.
        s.SetDecimalPlaces(static_cast<std::int16_t>(ReadInteger(v, p, 0, 15)));
    };

    h["GridType"] = [&s](const Json& v, const std::string& p) {
        s.SetGridType(static_cast<GridTypeConstants>(ReadEnum(v, p, kGridTypes)));
    };
    h["LabelType"] = [&s](const Json& v, const std::string& p) {
        s.SetLabelType(static_cast<GridLabelTypeConstants>(ReadEnum(v, p, kLabelTypes)));
    };
    h["LabelOrientation"] = [&s](const Json& v, const std::string& p) {
        s.SetLabelOrientation(static_cast<GridLabelOrientationConstants>(ReadEnum(v, p, kOrientations)));
    };
    h["LabelPositionRelativeToPoint"] = [&s](const Json& v, const std::string& p) {
        s.SetLabelPositionRelativeToPoint(static_cast<GridLabelPositionConstants>(ReadEnum(v, p, kRelativePositions)));
    };
    h["LabelPosition"] = [&s](const Json& v, const std::string& p) {
        s.SetLabelPosition(static_cast<pxgrdLabelPosition>(ReadEnum(v, p, kLabelPositions)));
    };
    h["LabelColor"] = [&s](const Json& v, const std::string& p) {
        // A colour as the drawing host stores it (0x00BBGGRR), or "#RRGGBB" as people write it.
        if (v.is_string()) {
            std::string t = v.get<std::string>();
            bool ok = t.size() == 7 && t[0] == '#' &&
                      std::all_of(t.begin() + 1, t.end(), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; });
            if (!ok) Fail(p, "expected a colour number or \"#RRGGBB\", got " + Quoted(t));
            long rgb = std::stol(t.substr(1), nullptr, 16);
            long bgr = ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF);
            s.SetLabelColor(static_cast<std::int32_t>(bgr));
            return;
        }
        s.SetLabelColor(static_cast<std::int32_t>(ReadInteger(v, p, 0, 0xFFFFFF)));
    };

    // Values in the neatline system: angles when the corners are geographic, lengths otherwise.
    h["NeatlineLowerLeft"] = [this](const Json& v, const std::string& p) { s_.SetNeatlineLowerLeft(NeatlinePoint(v, p)); };
    h["NeatlineUpperRight"] = [this](const Json& v, const std::string& p) { s_.SetNeatlineUpperRight(NeatlinePoint(v, p)); };
    h["NeatlineStrokeDistance"] = [this](const Json& v, const std::string& p) {
        f_.neatlineStrokeDistance = NeatlineValue(ReadNumber(v, p), p);
        s_.SetNeatlineStrokeDistance(f_.neatlineStrokeDistance);
    };
    // The corners as the corner labels show them: geographic when the labels are.
    auto projCorner = [this, &h](const char* key, void (ParalloCls::*setter)(ParalloCls::PointPtr)) {
        h[key] = [this, setter](const Json& v, const std::string& p) {
            shapekit::Point pt = ReadPoint(v, p);
            pt.x = LabelValue(pt.x, IndexPath(p, 0));
            pt.y = LabelValue(pt.y, IndexPath(p, 1));
            (s_.*setter)(std::make_shared<shapekit::Point>(pt));
        };
    };
    projCorner("NeatlineLowerLeftInProjUnits", &ParalloCls::SetNeatlineLowerLeftInProjUnits);
    projCorner("NeatlineUpperLeftInProjUnits", &ParalloCls::SetNeatlineUpperLeftInProjUnits);
    projCorner("NeatlineUpperRightInProjUnits", &ParalloCls::SetNeatlineUpperRightInProjUnits);
    projCorner("NeatlineLowerRightInProjUnits", &ParalloCls::SetNeatlineLowerRightInProjUnits);

    // Values in the grid system.
    h["Interval"] = [this](const Json& v, const std::string& p) {
        ParalloCls::PointPtr pt = GridPoint(v, p);
        // A zero or negative interval has no grid values; a tiny one is left to the service's
        // own line budget.
        if (!(pt->x > 0.0)) Fail(IndexPath(p, 0), "the interval must be greater than 0");
        if (!(pt->y > 0.0)) Fail(IndexPath(p, 1), "the interval must be greater than 0");
        s_.SetInterval(pt);
    };
    h["SkipInterval"] = [this](const Json& v, const std::string& p) { s_.SetSkipInterval(GridPoint(v, p)); };
    h["GridOffset"] = [this](const Json& v, const std::string& p) { s_.SetGridOffset(GridPoint(v, p)); };
    h["GridStrokeDistance"] = [this](const Json& v, const std::string& p) {
        s_.SetGridStrokeDistance(GridValue(ReadNumber(v, p), p));
    };

    // A host's own frame, in map-view coordinates.
    h["NeatlinePolygon"] = [this](const Json& v, const std::string& p) {
        if (!v.is_array()) Fail(p, "expected an array of points [x, y], got " + TypeName(v));
        if (v.size() < 3) Fail(p, "a polygon needs at least 3 points, got " + std::to_string(v.size()));
        // As many points as a stroked neatline may have (a 16-bit count); every generator works
        // through all of them, so a million-point frame would cost seconds per call.
        if (v.size() > kMaxPolygonPoints)
            Fail(p, "at most " + std::to_string(kMaxPolygonPoints) + " points, got " + std::to_string(v.size()));
        auto polygon = std::make_shared<shapekit::PolygonGeometry>();
        for (std::size_t i = 0; i < v.size(); ++i) polygon->Points().Add(ReadPoint(v[i], IndexPath(p, i)));
        s_.SetNeatlinePolygon(polygon);
    };

    part("LabelPartA", &ParalloCls::SetLabelPartA);
    part("LabelPartB", &ParalloCls::SetLabelPartB);
    part("LabelPartC", &ParalloCls::SetLabelPartC);
    part("LabelPartD", &ParalloCls::SetLabelPartD);
    part("LabelPartUnit", &ParalloCls::SetLabelPartUnit);
    part("LabelPartHemisphere", &ParalloCls::SetLabelPartHemisphere);

    h["calls"] = [this](const Json& v, const std::string& p) {
        if (!v.is_array()) Fail(p, "expected an array of method names, got " + TypeName(v));
        // Each call may take up to a second on a large frame: a list of thousands is a mistake.
        if (v.size() > kMaxCalls)
            Fail(p, "at most " + std::to_string(kMaxCalls) + " methods, got " + std::to_string(v.size()));
        f_.calls.clear();
        for (std::size_t i = 0; i < v.size(); ++i) {
            std::string name = ReadString(v[i], IndexPath(p, i));
            const std::vector<std::string>& known = KnownCalls();
            if (std::find(known.begin(), known.end(), name) == known.end())
                Fail(IndexPath(p, i), "unknown method " + Quoted(name) + Suggestion(name, known));
            f_.calls.push_back(name);
        }
    };
    return h;
}

void Reader::DefaultProjCorner(const char* key, double x, double y, double z,
                               void (ParalloCls::*setter)(ParalloCls::PointPtr)) {
    // The corner as the corner labels show it: projection-plane metres, or longitude and latitude
    // (radians) when the labels are geographic.
    const std::int32_t from = f_.neatlineExtentsType == kExtentGeographic ? coordkit::kGeographic
                                                                          : coordkit::kProjectionPlane;
    const std::int32_t to = f_.labelDisplayType == kExtentGeographic ? coordkit::kGeographic
                                                                     : coordkit::kProjectionPlane;
    try {
        if (from != to) neatline_->ConvertPoint(from, to, x, y, z);
    } catch (const std::exception& e) {
        Fail(MemberPath("$", key), "not given, and the neatline corner cannot be converted for it: " +
                                       DescribeException(e));
    }
    if (!std::isfinite(x) || !std::isfinite(y))
        Fail(MemberPath("$", key), "not given, and the neatline corner has no finite value in its units");
    (s_.*setter)(std::make_shared<shapekit::Point>(x, y, z));
}

void Reader::ApplyDefaults() {
    if (!Find("calls")) f_.calls = DefaultCalls();

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

    const auto& ll = s_.NeatlineLowerLeft();
    const auto& ur = s_.NeatlineUpperRight();
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

// ---- JSON parsing with a depth limit and duplicate-key detection ------------------------------

struct ParseFrame {
    bool isObject = false;
    std::string key;
    long index = -1;
    std::set<std::string> keys;
};

std::string StackPath(const std::vector<ParseFrame>& stack) {
    std::string path = "$";
    for (const ParseFrame& frame : stack) {
        if (frame.isObject) {
            if (!frame.key.empty() || !frame.keys.empty()) path = MemberPath(path, frame.key);
        } else if (frame.index >= 0) {
            path = IndexPath(path, static_cast<std::size_t>(frame.index));
        }
    }
    return path;
}

} // namespace

ConfigError::ConfigError(const std::string& path, const std::string& problem)
    : std::runtime_error(Shortened(path) + ": " + problem), path_(path), problem_(problem) {}

const std::vector<std::string>& KnownCalls() {
    static const std::vector<std::string> calls = {
        "CreateNeatline",   "CreateBorder",           "CreateGridlines",
        "CreateTicksCrosses", "CreateLabels",         "CalcGridInterval",
        "Set_DefaultStrokingGrid", "Set_DefaultStrokingNeatline"};
    return calls;
}

const std::vector<std::string>& DefaultCalls() {
    static const std::vector<std::string> calls = {"CreateNeatline", "CreateBorder", "CreateGridlines",
                                                   "CreateTicksCrosses", "CreateLabels"};
    return calls;
}

const std::vector<std::string>& KnownKeys() {
    static const std::vector<std::string> keys = {
        "MapViewCoordSystem", "NeatlineCoordSystem", "GridCoordSystem",
        "NeatlineExtentsType", "GridIntervalsType", "LabelDisplayType",
        "NeatlineStrokeDistance", "GridStrokeDistance", "bForceStroking",
        "BorderOffsetRight", "BorderOffsetLeft", "BorderOffsetBottom", "BorderOffsetTop",
        "GridType", "TickLength", "CrossLength", "LabelType", "LabelOffset", "VerticalLabelOffset",
        "LabelOrientation", "LabelPosition", "LabelPositionRelativeToPoint",
        "MagnitudeAB", "MagnitudeBC", "DecimalPlaces",
        "PlaceLeftSideGridElements", "PlaceTopSideGridElements", "PlaceRightSideGridElements",
        "PlaceBottomSideGridElements", "bGeographicDDMMSS", "bHemisphereAsSuffix",
        "EastingHemisphereLabel", "NorthingHemisphereLabel", "WestingHemisphereLabel",
        "SouthingHemisphereLabel", "Angle", "LabelColor",
        "NeatlineLowerLeft", "NeatlineUpperRight", "Interval", "SkipInterval", "GridOffset",
        "NeatlineLowerLeftInProjUnits", "NeatlineUpperLeftInProjUnits", "NeatlineUpperRightInProjUnits",
        "NeatlineLowerRightInProjUnits", "NeatlinePolygon",
        "AngleUnit", "LinearUnit",
        "LabelPartA", "LabelPartB", "LabelPartC", "LabelPartD", "LabelPartUnit", "LabelPartHemisphere",
        "calls"};
    return keys;
}

std::string NearestName(const std::string& word, const std::vector<std::string>& candidates) {
    std::string best;
    // No known name is this long: the edit distances would only cost time (a megabyte-long key
    // against every name takes seconds).
    if (word.size() > 2 * kMaxShown) return best;
    std::size_t bestDistance = std::numeric_limits<std::size_t>::max();
    const std::string lowered = Lower(word);
    for (const std::string& c : candidates) {
        const std::string candidate = Lower(c);
        std::size_t d = EditDistance(lowered, candidate);
        // A shortened or lengthened name ("Base" for "BaseStorageType") is a near miss too.
        if (!lowered.empty() && (candidate.find(lowered) != std::string::npos ||
                                 lowered.find(candidate) != std::string::npos))
            d = std::min<std::size_t>(d, 1);
        if (d < bestDistance) {
            bestDistance = d;
            best = c;
        }
    }
    return best;
}

std::string MemberPath(const std::string& parent, const std::string& key) {
    bool plain = !key.empty() && !std::isdigit(static_cast<unsigned char>(key[0]));
    for (char c : key)
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_')) plain = false;
    return plain ? parent + "." + key : parent + "[" + Quoted(key) + "]";
}

Json ParseJson(const std::string& text) {
    std::vector<ParseFrame> stack;
    auto callback = [&stack](int depth, nlohmann::detail::parse_event_t event, Json& parsed) -> bool {
        using Event = nlohmann::detail::parse_event_t;
        auto beginElement = [&stack]() {
            if (!stack.empty() && !stack.back().isObject) ++stack.back().index;
        };
        switch (event) {
        case Event::object_start:
        case Event::array_start:
            if (depth >= kMaxDepth) throw ConfigError(StackPath(stack), "nesting deeper than 64 levels");
            beginElement();
            stack.push_back(ParseFrame{event == Event::object_start, std::string(), -1, {}});
            break;
        case Event::key: {
            ParseFrame& frame = stack.back();
            std::string key = parsed.is_string() ? parsed.get<std::string>() : std::string();
            frame.key = key;
            if (!frame.keys.insert(key).second) throw ConfigError(StackPath(stack), "duplicate key");
            break;
        }
        case Event::value: beginElement(); break;
        case Event::object_end:
        case Event::array_end:
            if (!stack.empty()) stack.pop_back();
            break;
        }
        return true;
    };
    try {
        return Json::parse(text, callback);
    } catch (const Json::exception& e) {
        // A syntax error, and also a number too large for a double ("1e999"), which the parser
        // reports as out of range rather than as a syntax error.
        std::string message = e.what();
        std::size_t cut = message.find("] ");
        if (cut != std::string::npos) message = message.substr(cut + 2);
        throw ConfigError("$", "not valid JSON: " + message);
    }
}

Frame ReadConfig(const Json& config) {
    if (!config.is_object()) Fail("$", "expected a JSON object of service properties, got " + TypeName(config));
    Frame frame;
    Reader(config, frame).Read();
    return frame;
}

} // namespace cli
} // namespace parallo
