// The plain front against the command: the same frame described as JSON for the command and as
// FurnitureOptions for a C++ host gives the same furniture, every coordinate equal as a double
// (the GeoJSON writer prints numbers that read back to the same doubles); a bad option is refused
// with the command's own path and words; the README's host compiles and runs.
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iomanip>
#include <limits>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app.h"
#include "checks.h"
#include "config.h"
#include "parallo/furniture.h"

namespace parallo {
namespace {

using cli::Json;

std::string ReadFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::string Source(const std::string &name) { return std::string(PARALLO_SOURCE_DIR) + "/" + name; }

/// The command's GeoJSON for a configuration file, run in-process as a user runs it; with `svg`,
/// its picture written to that file too.
Json CommandGeoJson(const std::string &path, const std::string &svg = "") {
    std::vector<const char *> argv = {"parallo", path.c_str()};
    if (!svg.empty()) argv.insert(argv.end(), {"--svg", svg.c_str()});
    std::istringstream in;
    std::ostringstream out, err;
    const int status = cli::RunCommand(static_cast<int>(argv.size()), argv.data(), in, out, err);
    EXPECT_EQ(status, 0) << path << ": " << err.str();
    return cli::ParseJson(out.str());
}

// ---- the command's features and the front's furniture as comparable lists ---------------------
// Per feature kind, every number in order (coordinates, rings closed as GeoJSON closes them, label
// anchors, angles and boxes) and one line of text per label and per call.

struct Flat {
    std::map<std::string, std::vector<double>> numbers;
    std::map<std::string, std::vector<std::string>> texts;
};

void AddNumbers(const Json &v, std::vector<double> &out) {
    if (v.is_number()) out.push_back(v.get<double>());
    if (v.is_array())
        for (const Json &e : v)
            AddNumbers(e, out);
}

/// A position as the GeoJSON writer writes it: z only when it is not 0.
void AddPoint(const shapekit::Point &p, std::vector<double> &out) {
    out.insert(out.end(), {p.x, p.y});
    if (p.z != 0.0) out.push_back(p.z);
}

void AddPoints(const std::vector<shapekit::Point> &points, bool ring, std::vector<double> &out) {
    for (const shapekit::Point &p : points)
        AddPoint(p, out);
    if (ring && !points.empty() &&
        !(points.front().x == points.back().x && points.front().y == points.back().y &&
          points.front().z == points.back().z))
        AddPoint(points.front(), out);
}

std::string LabelText(const std::vector<std::string> &parts) {
    std::string line;
    for (const std::string &part : parts)
        line += part + "|";
    return line;
}

Flat FlatOf(const Json &doc) {
    Flat flat;
    for (const Json &feature : doc["features"]) {
        const Json &p = feature["properties"];
        const std::string kind = p["kind"];
        std::vector<double> &numbers = flat.numbers[kind];
        AddNumbers(feature["geometry"].is_null() ? Json() : feature["geometry"]["coordinates"], numbers);
        if (kind == "frameBar") flat.texts[kind].push_back(p["filled"] ? "dark" : "light");
        if (kind != "label") continue;
        numbers.push_back(p["Angle"]);
        if (p.contains("box")) AddNumbers(p["box"]["coordinates"], numbers);
        flat.texts[kind].push_back(
            LabelText({p["ID"], p["LabelString"], p["LabelStringA"], p["LabelStringB"], p["LabelStringC"],
                       p["LabelStringD"], p["LabelStringUnit"], p["LabelStringHemisphere"],
                       std::to_string(p["HorizontalJustification"].get<int>()),
                       std::to_string(p["VerticalJustification"].get<int>()),
                       std::to_string(p["LabelAxis"].get<int>()), p.value("hidden", false) ? "hidden" : "",
                       p.value("hiddenBecause", ""), p.value("yieldedTo", "")}));
    }
    for (const Json &call : doc["calls"]) {
        flat.texts["call"].push_back(LabelText({call["method"], call["RetVal"].dump()}));
        for (const Json &e : call["errors"])
            flat.texts["failure"].push_back(LabelText({e["description"], e["trace"]}));
    }
    if (doc.contains("MapScale")) flat.numbers["MapScale"].push_back(doc["MapScale"]);
    return flat;
}

Flat FlatOf(const Furniture &f) {
    Flat flat;
    if (!f.Neatline.empty()) AddPoints(f.Neatline, true, flat.numbers["neatline"]);
    if (!f.Border.empty()) AddPoints(f.Border, true, flat.numbers["border"]);
    for (const auto &[kind, lines] : std::vector<std::pair<std::string, const std::vector<FurnitureLine> *>>{
             {"gridline", &f.Gridlines},
             {"tick", &f.Ticks},
             {"cross", &f.Crosses},
             {"frameTick", &f.FrameTicks},
             {"minorTick", &f.MinorTicks}})
        for (const FurnitureLine &line : *lines)
            AddPoints(line.Points, false, flat.numbers[kind]);
    for (const FurnitureBar &bar : f.FrameBars) {
        AddPoints(bar.Ring, true, flat.numbers["frameBar"]);
        flat.texts["frameBar"].push_back(bar.Filled ? "dark" : "light");
    }
    for (const FurnitureLabel &l : f.Labels) {
        std::vector<double> &numbers = flat.numbers["label"];
        if (l.Origin) AddPoint(*l.Origin, numbers);
        numbers.push_back(l.Angle);
        if (l.Box) AddPoints(std::vector<shapekit::Point>(l.Box->begin(), l.Box->end()), true, numbers);
        flat.texts["label"].push_back(
            LabelText({l.ID, l.LabelString, l.LabelStringA, l.LabelStringB, l.LabelStringC, l.LabelStringD,
                       l.LabelStringUnit, l.LabelStringHemisphere, std::to_string(l.HorizontalJustification),
                       std::to_string(l.VerticalJustification), std::to_string(l.LabelAxis),
                       l.Hidden ? "hidden" : "", l.HiddenBecause, l.YieldedTo}));
    }
    for (const FurnitureCall &call : f.Calls)
        flat.texts["call"].push_back(
            LabelText({call.Method, call.RetVal ? std::to_string(*call.RetVal) : "null"}));
    for (const FurnitureFailure &e : f.Failures)
        flat.texts["failure"].push_back(LabelText({e.Description, e.Trace}));
    if (f.MapScale != 0.0) flat.numbers["MapScale"].push_back(f.MapScale);
    return flat;
}

/// The command's GeoJSON and the front's furniture: every number equal as a double (no
/// tolerance: both come from one run of the same code, and the writer's shortest round-trip
/// numbers read back to the same doubles), every text equal.
void ExpectSameFurniture(const Json &doc, const Furniture &f, const std::string &name) {
    ASSERT_FALSE(f.Refusal) << name << ": " << f.Refusal->Path << ": " << f.Refusal->Problem;
    const Flat command = FlatOf(doc), front = FlatOf(f);
    EXPECT_EQ(command.texts, front.texts) << name;
    ASSERT_EQ(command.numbers.size(), front.numbers.size()) << name << ": the kinds differ";
    for (const auto &[kind, numbers] : command.numbers) {
        const std::vector<double> &other = front.numbers.at(kind);
        ASSERT_EQ(numbers.size(), other.size()) << name << " " << kind;
        for (std::size_t i = 0; i < numbers.size(); ++i)
            ASSERT_EQ(numbers[i], other[i]) << name << " " << kind << ": number " << i << ": "
                                            << std::setprecision(17) << numbers[i] << " against " << other[i];
    }
}

// ---- the same frames through both fronts -----------------------------------------------------

TEST(Front, EveryExampleGivesTheCommandsFurnitureBitForBit) {
    // The options the command reads from each example, handed to the front as a host would.
    std::size_t examples = 0;
    for (const auto &entry : std::filesystem::directory_iterator(Source("examples"))) {
        if (entry.path().extension() != ".json") continue;
        const std::string path = entry.path().string();
        SCOPED_TRACE(path);
        const cli::Frame frame = cli::ReadConfig(cli::ParseJson(ReadFile(path)));
        const Furniture f = MakeFurniture(frame.options);
        ExpectSameFurniture(CommandGeoJson(path), f, entry.path().filename().string());
        EXPECT_FALSE(f.Gridlines.empty() && f.Ticks.empty()) << "an example without grid";
        ++examples;
    }
    EXPECT_GE(examples, 6u);
}

FurnitureLabelPart Shown(double size, bool bold = false, pxgrdFontType type = pxgrdFontType_Normal) {
    FurnitureLabelPart part;
    part.bDisplay = true;
    part.FontType = type;
    part.Font = FurnitureFont();
    part.Font->Name = "DejaVu Sans";
    part.Font->Size = size;
    part.Font->Bold = bold;
    return part;
}

/// examples/utm32n_sheet.json written by hand as a C++ host writes it.
FurnitureOptions UtmSheet() {
    FurnitureOptions o;
    o.MapViewCoordSystem = "EPSG:32632";
    o.NeatlineLowerLeft = shapekit::Point(500000.0, 5400000.0);
    o.NeatlineUpperRight = shapekit::Point(510000.0, 5410000.0);
    o.NeatlineStrokeDistance = 1000.0;
    o.Interval = shapekit::Point(1000.0, 1000.0);
    o.GridStrokeDistance = 250.0;
    o.GridType = PXgtTicksAndCrosses;
    o.TickLength = 200.0;
    o.CrossLength = 300.0;
    o.BorderOffsetLeft = o.BorderOffsetRight = o.BorderOffsetTop = o.BorderOffsetBottom = 800.0;
    o.LabelOffset = 100.0;
    o.MagnitudeAB = 5;
    o.MagnitudeBC = 3;
    o.PlaceLeftSideGridElements = o.PlaceRightSideGridElements = true;
    o.PlaceTopSideGridElements = o.PlaceBottomSideGridElements = true;
    o.LabelPartA = Shown(10.0, false, pxgrdFontType_Superscript);
    o.LabelPartB = Shown(17.0, true);
    o.LabelPartC = Shown(10.0, false, pxgrdFontType_Superscript);
    o.calls =
        std::vector<std::string>{"CreateNeatline", "CreateBorder", "CreateTicksCrosses", "CreateLabels"};
    return o;
}

/// examples/laea_europe_graticule.json by hand: geographic corners and interval in degrees.
FurnitureOptions Graticule() {
    FurnitureOptions o;
    o.MapViewCoordSystem = "EPSG:3035";
    o.NeatlineCoordSystem = FurnitureCoordSystem("EPSG:4326");
    o.GridCoordSystem = FurnitureCoordSystem("EPSG:4326");
    o.NeatlineExtentsType = o.GridIntervalsType = o.LabelDisplayType = kExtentGeographic;
    o.NeatlineLowerLeft = shapekit::Point(4.5, 44.5);
    o.NeatlineUpperRight = shapekit::Point(15.5, 52.5);
    o.bForceStroking = true;
    o.NeatlineStrokeDistance = 0.25;
    o.Interval = shapekit::Point(2.0, 1.0);
    o.GridStrokeDistance = 0.1;
    o.BorderOffsetLeft = o.BorderOffsetRight = 60000.0;
    o.BorderOffsetTop = o.BorderOffsetBottom = 40000.0;
    o.LabelOffset = 8000.0;
    o.PlaceLeftSideGridElements = o.PlaceRightSideGridElements = true;
    o.PlaceTopSideGridElements = o.PlaceBottomSideGridElements = true;
    o.bHemisphereAsSuffix = true;
    o.EastingHemisphereLabel = "E";
    o.WestingHemisphereLabel = "W";
    o.NorthingHemisphereLabel = "N";
    o.SouthingHemisphereLabel = "S";
    o.LabelPartA = o.LabelPartB = o.LabelPartC = Shown(13.0);
    o.LabelPartHemisphere = Shown(13.0, true);
    o.calls = std::vector<std::string>{"CreateNeatline", "CreateBorder", "CreateGridlines", "CreateLabels"};
    return o;
}

TEST(Front, OptionsWrittenByHandGiveTheCommandsFurniture) {
    const Json sheet = CommandGeoJson(Source("examples/utm32n_sheet.json"));
    const Furniture utm = MakeFurniture(UtmSheet());
    ExpectSameFurniture(sheet, utm, "utm32n_sheet");
    EXPECT_EQ(utm.Ticks.size(), 36u)
        << "9 inner grid values a side (none on the neatline), ticked at both ends";

    const Furniture graticule = MakeFurniture(Graticule());
    ExpectSameFurniture(CommandGeoJson(Source("examples/laea_europe_graticule.json")), graticule,
                        "laea_europe_graticule");
    // Every meridian and parallel of the graticule, in degrees: 5 meridians (6, 8, ..., 14 within
    // 4.5 to 15.5) and 8 parallels (45 to 52). Each stands on its value to 1e-7 degree (about a
    // centimetre): its ends are where its last stroke step, a chord of 0.1 degree, meets the
    // stroked neatline, so they lie off the true parallel by at most that chord's sagitta.
    std::size_t meridians = 0;
    for (const FurnitureLine &line : graticule.Gridlines) {
        ASSERT_NE(line.Axis, kAxisUnknown);
        const double step = line.Axis == kAxisX ? 2.0 : 1.0;
        EXPECT_NEAR(line.Value, std::round(line.Value / step) * step, 1e-7)
            << "a grid value off the interval";
        meridians += line.Axis == kAxisX;
    }
    EXPECT_EQ(meridians, 5u);
    EXPECT_EQ(graticule.Gridlines.size() - meridians, 8u);
}

// ---- refusals ----------------------------------------------------------------------------------

/// The README host's frame; each case below spoils one option of it.
FurnitureOptions Sheet() {
    FurnitureOptions o;
    o.MapViewCoordSystem = "EPSG:32632";
    o.NeatlineLowerLeft = shapekit::Point(500000.0, 5400000.0);
    o.NeatlineUpperRight = shapekit::Point(510000.0, 5410000.0);
    o.Interval = shapekit::Point(1000.0, 1000.0);
    return o;
}

const char *const kSheetJson = R"({"MapViewCoordSystem": "EPSG:32632", "NeatlineLowerLeft": [500000, 5400000],
    "NeatlineUpperRight": [510000, 5410000], "Interval": [1000, 1000]})";

TEST(Front, BadOptionsAreRefusedAsTheCommandRefusesTheSameJson) {
    struct Case {
        const char *path;
        std::function<void(FurnitureOptions &)> spoil;
        /// The same fault in the JSON (a member merged into kSheetJson, or a key removed); null
        /// for a value JSON cannot carry.
        const char *json;
        const char *removed;
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::vector<Case> cases = {
        {"$.MapViewCoordSystem", [](FurnitureOptions &o) { o.MapViewCoordSystem = ""; }, nullptr,
         "MapViewCoordSystem"},
        {"$.MapViewCoordSystem", [](FurnitureOptions &o) { o.MapViewCoordSystem = "EPSG:0"; },
         R"({"MapViewCoordSystem": "EPSG:0"})", nullptr},
        {"$.GridCoordSystem.BaseStorageType",
         [](FurnitureOptions &o) {
             o.GridCoordSystem = FurnitureCoordSystem("EPSG:4326");
             o.GridCoordSystem->BaseStorageType = 2;
         },
         R"({"GridCoordSystem": {"definition": "EPSG:4326", "BaseStorageType": 2}})", nullptr},
        {"$.AngleUnit", [](FurnitureOptions &o) { o.AngleUnit = "grad"; }, R"({"AngleUnit": "grad"})",
         nullptr},
        {"$.GridType", [](FurnitureOptions &o) { o.GridType = static_cast<GridTypeConstants>(7); },
         R"({"GridType": 7})", nullptr},
        {"$.DecimalPlaces", [](FurnitureOptions &o) { o.DecimalPlaces = 16; }, R"({"DecimalPlaces": 16})",
         nullptr},
        {"$.TickLength", [nan](FurnitureOptions &o) { o.TickLength = nan; }, nullptr, nullptr},
        {"$.Interval[1]", [](FurnitureOptions &o) { o.Interval = shapekit::Point(1000.0, 0.0); },
         R"({"Interval": [1000, 0]})", nullptr},
        {"$.Interval", [](FurnitureOptions &o) { o.Interval.reset(); }, nullptr, "Interval"},
        {"$.FrameBarWidth", [](FurnitureOptions &o) { o.FrameBarWidth = -1.0; }, R"({"FrameBarWidth": -1})",
         nullptr},
        {"$.LabelColor", [](FurnitureOptions &o) { o.LabelColor = 0x1000000; }, R"({"LabelColor": 16777216})",
         nullptr},
        {"$.LabelPartB.Font.Size", [](FurnitureOptions &o) { o.LabelPartB = Shown(-1.0); },
         R"({"LabelPartB": {"bDisplay": true, "Font": {"Name": "DejaVu Sans", "Size": -1}}})", nullptr},
        {"$.NeatlinePolygon",
         [](FurnitureOptions &o) {
             o.NeatlinePolygon = std::vector<shapekit::Point>{{0.0, 0.0}, {1.0, 1.0}};
         },
         R"({"NeatlinePolygon": [[0, 0], [1, 1]]})", nullptr},
        {"$.calls[1]",
         [](FurnitureOptions &o) {
             o.calls = std::vector<std::string>{"CreateNeatline", "CreateGridLines"};
         },
         R"({"calls": ["CreateNeatline", "CreateGridLines"]})", nullptr},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.path);
        FurnitureOptions o = Sheet();
        c.spoil(o);
        const Furniture f = MakeFurniture(o);
        ASSERT_TRUE(f.Refusal);
        EXPECT_EQ(f.Refusal->Path, c.path) << f.Refusal->Problem;
        EXPECT_TRUE(f.Neatline.empty() && f.Calls.empty()) << "nothing runs for refused options";
        if (!c.json && !c.removed) continue;
        Json config = cli::ParseJson(kSheetJson);
        if (c.json) config.update(cli::ParseJson(c.json));
        if (c.removed) config.erase(c.removed);
        try {
            cli::Frame frame = cli::ReadConfig(config);
            cli::CheckCallNeeds(config, frame);
            ADD_FAILURE() << "the command accepts it";
        } catch (const cli::ConfigError &e) {
            EXPECT_EQ(e.Path(), f.Refusal->Path);
            EXPECT_EQ(e.Problem(), f.Refusal->Problem);
        }
    }
}

TEST(Front, NoNumberThatIsNotFiniteIsTakenSilently) {
    // JSON cannot carry NaN or infinity; a host's options can. Each is refused at its key.
    using O = FurnitureOptions;
    const std::vector<std::pair<double O::*, const char *>> numbers = {
        {&O::BorderOffsetRight, "$.BorderOffsetRight"},
        {&O::BorderOffsetLeft, "$.BorderOffsetLeft"},
        {&O::BorderOffsetBottom, "$.BorderOffsetBottom"},
        {&O::BorderOffsetTop, "$.BorderOffsetTop"},
        {&O::TickLength, "$.TickLength"},
        {&O::CrossLength, "$.CrossLength"},
        {&O::VerticalLabelOffset, "$.VerticalLabelOffset"},
        {&O::Angle, "$.Angle"},
        {&O::FrameBarWidth, "$.FrameBarWidth"},
        {&O::MinorTickLength, "$.MinorTickLength"}};
    const std::vector<std::pair<std::optional<double> O::*, const char *>> optionals = {
        {&O::NeatlineStrokeDistance, "$.NeatlineStrokeDistance"},
        {&O::GridStrokeDistance, "$.GridStrokeDistance"},
        {&O::StrokeTolerance, "$.StrokeTolerance"},
        {&O::LabelOffset, "$.LabelOffset"},
        {&O::MapScale, "$.MapScale"}};
    const std::vector<std::pair<std::optional<shapekit::Point> O::*, const char *>> points = {
        {&O::NeatlineLowerLeft, "$.NeatlineLowerLeft[1]"},
        {&O::NeatlineUpperRight, "$.NeatlineUpperRight[1]"},
        {&O::Interval, "$.Interval[1]"},
        {&O::NeatlineLowerLeftInProjUnits, "$.NeatlineLowerLeftInProjUnits[1]"},
        {&O::FrameBarSubInterval, "$.FrameBarSubInterval[1]"},
        {&O::MinorTickInterval, "$.MinorTickInterval[1]"}};
    for (const double bad :
         {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()}) {
        const auto expectRefused = [](const FurnitureOptions &o, const char *path) {
            const Furniture f = MakeFurniture(o);
            ASSERT_TRUE(f.Refusal) << path;
            EXPECT_EQ(f.Refusal->Path, path);
            EXPECT_EQ(f.Refusal->Problem, "the number is out of range");
        };
        for (const auto &[field, path] : numbers) {
            FurnitureOptions o = Sheet();
            o.*field = bad;
            expectRefused(o, path);
        }
        for (const auto &[field, path] : optionals) {
            FurnitureOptions o = Sheet();
            o.*field = bad;
            expectRefused(o, path);
        }
        for (const auto &[field, path] : points) {
            FurnitureOptions o = Sheet();
            o.*field = shapekit::Point(1.0, bad);
            expectRefused(o, path);
        }
        FurnitureOptions o = Sheet();
        o.GridOffset.z = -bad;
        expectRefused(o, "$.GridOffset[2]");
        o = Sheet();
        o.LabelPartHemisphere = Shown(bad);
        expectRefused(o, "$.LabelPartHemisphere.Font.Size");
    }
}

TEST(Front, DefaultsAreTheCommandsAndLabelEverySide) {
    // Every key spelled at the default the README gives reads into options equal to the
    // defaults of FurnitureOptions, and the front and the command run them alike. LabelOffset
    // and the label parts have no value to spell: leaving them out is their default.
    const Json spelled = cli::ParseJson(R"({
        "MapViewCoordSystem": "EPSG:32632", "NeatlineLowerLeft": [500000, 5400000],
        "NeatlineUpperRight": [510000, 5410000], "Interval": [1000, 1000],
        "NeatlineExtentsType": 0, "GridIntervalsType": 0, "LabelDisplayType": 0, "AngleUnit": "degree",
        "LinearUnit": "crs", "BorderOffsetRight": 0, "BorderOffsetLeft": 0, "BorderOffsetBottom": 0,
        "BorderOffsetTop": 0, "SkipInterval": [0, 0], "GridOffset": [0, 0], "GridType": "PXgtSimple",
        "TickLength": 0, "CrossLength": 0, "PlaceLeftSideGridElements": true,
        "PlaceTopSideGridElements": true, "PlaceRightSideGridElements": true,
        "PlaceBottomSideGridElements": true, "LabelType": "PXltEdge",
        "VerticalLabelOffset": 0, "LabelOrientation": "PXloParallelPerpendicular",
        "LabelPosition": "pxgrdLabelPosition_Outside", "LabelPositionRelativeToPoint": "PXloAbove",
        "MagnitudeAB": 0, "MagnitudeBC": 0, "DecimalPlaces": 0, "bGeographicDDMMSS": false,
        "bHemisphereAsSuffix": false, "EastingHemisphereLabel": "", "NorthingHemisphereLabel": "",
        "WestingHemisphereLabel": "", "SouthingHemisphereLabel": "", "Angle": 0, "LabelColor": 0,
        "FrameBarWidth": 0, "bFrameBarCorners": false, "bTicksOutward": false, "MinorTickLength": 0,
        "bMinorTicksOutward": false, "LabelLayout": true})");
    const cli::Frame frame = cli::ReadConfig(spelled);
    EXPECT_EQ(cli::KeysSetBy(frame.options),
              (std::vector<std::string>{"MapViewCoordSystem", "NeatlineLowerLeft", "NeatlineUpperRight",
                                        "Interval"}))
        << "a default of FurnitureOptions differs from the command's";
    const std::string path = testing::TempDir() + "front_defaults.json",
                      svg = testing::TempDir() + "front_defaults.svg";
    std::ofstream(path) << spelled.dump();
    const Furniture f = MakeFurniture(Sheet());
    ExpectSameFurniture(CommandGeoJson(path, svg), f, "defaults spelled out");

    // The frame a new user writes labels all four sides, each label reading the value of the line
    // it stands on (the origin keeps the line's coordinate along its side; 1e-6 m allows the
    // round-off of the line's crossing with the neatline), and the picture draws every shown one.
    EXPECT_EQ(f.Warnings, std::vector<std::string>());
    std::map<int, std::size_t> sides;
    std::size_t shown = 0;
    for (const FurnitureLabel &l : f.Labels) {
        ASSERT_TRUE(l.Origin);
        const bool northSouth = l.LabelAxis == pxgrdNorth || l.LabelAxis == pxgrdSouth;
        EXPECT_NEAR(std::stod(l.LabelString), northSouth ? l.Origin->x : l.Origin->y, 1e-6) << l.ID;
        ++sides[l.LabelAxis];
        shown += !l.Hidden;
    }
    EXPECT_EQ(sides, (std::map<int, std::size_t>{
                         {pxgrdNorth, 11}, {pxgrdWest, 11}, {pxgrdEast, 11}, {pxgrdSouth, 11}}));
    // Only where a side's end value meets the corner label of the other side does one give way.
    EXPECT_GE(shown, 40u);
    const std::string picture = ReadFile(svg);
    std::size_t texts = 0;
    for (std::size_t at = picture.find("<text"); at != std::string::npos; at = picture.find("<text", at + 1))
        ++texts;
    EXPECT_EQ(texts, shown);
}

// ---- the README's host ---------------------------------------------------------------------

TEST(Front, TheReadmeHostIsExamplesHostAndRuns) {
    const std::string readme = ReadFile(Source("README.md"));
    const std::string host = ReadFile(Source("examples/host.cpp"));
    const std::string block = "```cpp\n" + host + "```\n";
    EXPECT_NE(readme.find(block), std::string::npos) << "README.md does not show examples/host.cpp as it is";

    std::string output;
    FILE *pipe = popen(PARALLO_HOST_EXAMPLE, "r");
    ASSERT_NE(pipe, nullptr);
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe))
        output += buffer;
    EXPECT_EQ(pclose(pipe), 0) << output;
    // The 10 km sheet at 1 km: 11 eastings and 11 northings, edges included.
    std::size_t eastings = 0, northings = 0;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        eastings += line.rfind("x = 5", 0) == 0;
        northings += line.rfind("y = 54", 0) == 0;
    }
    EXPECT_EQ(eastings, 11u) << output;
    EXPECT_EQ(northings, 11u) << output;
}

} // namespace
} // namespace parallo
