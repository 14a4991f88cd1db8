// A catalogue of broken configurations as a user or another program may hand them to the built
// parallo command: garbage, syntax errors, wrong shapes, impossible coordinate systems, non-finite
// numbers, sizes and depths, methods listed without what they need. Each is answered with exit
// status 2 and one line on standard error naming what is wrong, and none leaves an output file
// behind or touches an existing one.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cli/command_runs.h"

namespace {

using namespace parallo_cli_test;

/// A valid frame to spoil: a UTM sheet with every generator called.
std::string Utm(const std::string &extra) {
    return R"({"MapViewCoordSystem": "EPSG:32632", "NeatlineLowerLeft": [500000, 5400000],
              "NeatlineUpperRight": [510000, 5410000], "Interval": [1000, 1000])" +
           (extra.empty() ? std::string() : ", " + extra) + "}";
}

/// n copies of `s`, separated by `separator`.
std::string Repeat(const std::string &s, std::size_t n, const std::string &separator = "") {
    std::string out;
    for (std::size_t i = 0; i < n; ++i)
        out += (i ? separator : "") + s;
    return out;
}

struct BadConfig {
    const char *name;
    std::string text;
    /// Fragments the one line on standard error must contain: the key as a JSON path, the problem.
    std::vector<std::string> says;
};

std::vector<BadConfig> Catalogue() {
    std::string garbage;
    for (int i = 0; i < 4096; ++i)
        garbage += static_cast<char>((i * 7919 + 13) % 256);
    const std::string nul("{\"MapViewCoordSystem\": \"EPSG:32632\"\0}", 37);

    // clang-format off
    return {
        // not JSON
        {"empty file", "", {"$: not valid JSON"}},
        {"binary garbage", garbage, {"$: not valid JSON"}},
        {"a NUL byte inside", nul, {"$: not valid JSON"}},
        {"invalid UTF-8 in a string", Utm("\"EastingHemisphereLabel\": \"\xff\xfe\""), {"$: not valid JSON"}},
        {"trailing comma", Utm("\"TickLength\": 5,"), {"$: not valid JSON"}},
        {"a comment", "{\"MapViewCoordSystem\": \"EPSG:32632\" // the view\n}", {"$: not valid JSON"}},
        {"two documents", Utm("") + Utm(""), {"$: not valid JSON"}},
        {"NaN literal", Utm("\"TickLength\": NaN"), {"$: not valid JSON"}},
        {"number overflowing a double", Utm("\"TickLength\": 1e999"), {"$: not valid JSON", "1e999"}},
        {"an error on line 2", "{\"MapViewCoordSystem\": \"EPSG:32632\",\n \"TickLength\": }", {"$: not valid JSON", "line 2"}},
        {"nesting 100000 deep, refused before it exhausts the stack", "{\"calls\": " + Repeat("[", 100000) + Repeat("]", 100000) + "}", {"nesting"}},
        // wrong shapes and types
        {"a number", "42", {"$: expected a JSON object", "a number"}},
        {"no map view", "{}", {"$.MapViewCoordSystem: "}},
        {"system as a boolean", R"({"MapViewCoordSystem": true})", {"$.MapViewCoordSystem: ", "got a boolean"}},
        {"corner as text", Utm(R"("NeatlineLowerRightInProjUnits": "510000, 5400000")"), {"$.NeatlineLowerRightInProjUnits: ", "expected a point"}},
        {"flag as a number", Utm(R"("bForceStroking": 1)"), {"$.bForceStroking: ", "expected true or false"}},
        {"decimal places not whole", Utm(R"("DecimalPlaces": 2.5)"), {"$.DecimalPlaces: ", "whole number"}},
        {"calls as one string", Utm(R"("calls": "CreateNeatline")"), {"$.calls: ", "expected an array"}},
        {"calls as numbers", Utm(R"("calls": [1, 2])"), {"$.calls[0]: ", "expected a string"}},
        {"label part as text", Utm(R"("LabelPartD": "bold")"), {"$.LabelPartD: ", "expected a label part"}},
        {"font as a list", Utm(R"("LabelPartA": {"Font": ["Arial", 8]})"), {"$.LabelPartA.Font: ", "expected a font"}},
        {"font size as text", Utm(R"("LabelPartB": {"Font": {"Size": "big"}})"), {"$.LabelPartB.Font.Size: ", "expected a number"}},
        {"a polygon vertex not a number", Utm(R"("NeatlinePolygon": [[0, 0], [1, 0], [1, true]])"), {"$.NeatlinePolygon[2][1]: ", "expected a number"}},
        {"a polygon of two vertices", Utm(R"("NeatlinePolygon": [[0, 0], [1, 0]])"), {"$.NeatlinePolygon: ", "at least 3"}},
        {"point with four numbers", Utm(R"("SkipInterval": [1, 2, 3, 4])"), {"$.SkipInterval: ", "an array of 4"}},
        {"NaN as a string", Utm(R"("TickLength": "NaN")"), {"$.TickLength: ", "expected a number, got a string"}},
        {"overflow as a string", Utm(R"("GridStrokeDistance": "1e999")"), {"$.GridStrokeDistance: ", "expected a number"}},
        // values out of range
        {"16-bit underflow", Utm(R"("MagnitudeBC": -40000)"), {"$.MagnitudeBC: ", "outside -32768 to 32767"}},
        {"decimal places 16", Utm(R"("DecimalPlaces": 16)"), {"$.DecimalPlaces: ", "outside 0 to 15"}},
        {"charset", Utm(R"("LabelPartB": {"Font": {"Charset": 256}})"), {"$.LabelPartB.Font.Charset: ", "outside 0 to 255"}},
        {"colour beyond 24 bits", Utm(R"("LabelColor": 16777216)"), {"$.LabelColor: ", "outside 0 to 16777215"}},
        {"colour by name", Utm(R"("LabelColor": "red")"), {"$.LabelColor: ", "#RRGGBB"}},
        {"grid type 7", Utm(R"("GridType": 7)"), {"$.GridType: ", "out of range"}},
        {"label type not whole", Utm(R"("LabelType": 0.5)"), {"$.LabelType: ", "out of range"}},
        {"extent type 2", Utm(R"("GridIntervalsType": 2)"), {"$.GridIntervalsType: ", "out of range"}},
        {"storage type 5", Utm(R"("GridCoordSystem": {"definition": "EPSG:4326", "BaseStorageType": 5})"), {"$.GridCoordSystem.BaseStorageType: ", "out of range"}},
        {"negative frame bar width", Utm(R"("FrameBarWidth": -100)"), {"$.FrameBarWidth: ", "cannot be negative"}},
        {"map scale 0", Utm(R"("MapScale": 0)"), {"$.MapScale: ", "greater than 0"}},
        {"zero interval", R"({"MapViewCoordSystem": "EPSG:32632", "Interval": [1000, 0]})", {"$.Interval[1]: ", "greater than 0"}},
        {"a projected interval for a geographic grid", Utm(R"("GridCoordSystem": "EPSG:4326")"), {"$.Interval[0]: ", "GridCoordSystem"}},
        {"angle unit grad", Utm(R"("AngleUnit": "grad")"), {"$.AngleUnit: ", "\"degree\" or \"radian\""}},
        {"linear unit feet", Utm(R"("LinearUnit": "feet")"), {"$.LinearUnit: ", "\"crs\" or \"metre\""}},
        // unknown and duplicate keys, with the nearest name suggested
        {"misspelt key", Utm(R"("TickLenght": 5)"), {"$.TickLenght: ", "did you mean \"TickLength\""}},
        {"key in the wrong case", Utm(R"("interval": [1, 1])"), {"$.interval: ", "did you mean \"Interval\""}},
        {"misspelt nested key", Utm(R"("LabelPartA": {"bDisplay": true, "FontTyp": 1})"), {"$.LabelPartA.FontTyp: ", "did you mean \"FontType\""}},
        {"misspelt enumeration", Utm(R"("GridType": "PXgtTick")"), {"$.GridType: ", "did you mean \"PXgtTicks\""}},
        {"misspelt method", Utm(R"("calls": ["CreateNeatline", "CreateGridLines"])"), {"$.calls[1]: ", "did you mean \"CreateGridlines\""}},
        {"unknown method", Utm(R"("calls": ["CreateEverything"])"), {"$.calls[0]: ", "unknown method"}},
        {"a key with a space", Utm(R"("my key": 1)"), {"$[\"my key\"]: ", "unknown key"}},
        {"empty key", Utm(R"("": 1)"), {"unknown key"}},
        {"an unknown key is found before a bad value", Utm(R"("TickLength": "a", "Bogus": 1)"), {"$.Bogus: ", "unknown key"}},
        {"duplicate key", Utm(R"("TickLength": 1, "TickLength": 2)"), {"$.TickLength: ", "duplicate"}},
        {"duplicate nested key", Utm(R"("LabelPartA": {"Font": {"Size": 8, "Size": 9}})"), {"$.LabelPartA.Font.Size: ", "duplicate key"}},
        // impossible coordinate systems
        {"EPSG code 0", R"({"MapViewCoordSystem": "EPSG:0"})", {"$.MapViewCoordSystem: ", "PROJ cannot make"}},
        {"nonsense PROJ string", Utm(R"("GridCoordSystem": "+proj=nonsense +ellps=WGS84")"), {"$.GridCoordSystem: ", "PROJ cannot make"}},
        {"empty definition", R"({"MapViewCoordSystem": ""})", {"$.MapViewCoordSystem: ", "empty"}},
        {"broken WKT", Utm(R"("NeatlineCoordSystem": "PROJCS[\"x\", GEOGCS[")"), {"$.NeatlineCoordSystem: ", "PROJ cannot make"}},
        {"PROJJSON of no kind", R"({"MapViewCoordSystem": {"type": "Foo", "name": "bar"}})", {"$.MapViewCoordSystem: ", "PROJ cannot make"}},
        {"a vertical system", Utm(R"("GridCoordSystem": "EPSG:5703")"), {"$.GridCoordSystem: "}},
        {"a transformation, not a system", Utm(R"("GridCoordSystem": "+proj=pipeline +step +proj=axisswap +order=2,1")"), {"$.GridCoordSystem: "}},
        // a listed method that lacks what it needs, and nothing fills in for it
        {"no interval for the default grid", R"({"MapViewCoordSystem": "EPSG:32632", "NeatlineLowerLeft": [500000, 5400000], "NeatlineUpperRight": [510000, 5410000]})", {"$.Interval: ", "missing: CreateGridlines (one of the default calls)"}},
        {"no upper-right corner", R"({"MapViewCoordSystem": "EPSG:32632", "NeatlineLowerLeft": [500000, 5400000], "Interval": [1000, 1000]})", {"$.NeatlineUpperRight: ", "CreateNeatline"}},
        {"grid lines before the neatline", Utm(R"("calls": ["CreateGridlines", "CreateNeatline"])"), {"$.NeatlinePolygon: ", "CreateGridlines ($.calls[0])", "run CreateNeatline before it"}},
        {"corner labels of a host's polygon", R"({"MapViewCoordSystem": "EPSG:32632", "LabelType": "PXltCorner", "NeatlinePolygon": [[0, 0], [0, 1], [1, 1]], "calls": ["CreateLabels"]})", {"$.NeatlineLowerLeft: ", "CreateLabels ($.calls[0])"}},
        {"an interval proposal without corners", R"({"MapViewCoordSystem": "EPSG:32632", "NeatlinePolygon": [[0, 0], [0, 1], [1, 1]], "calls": ["CalcGridInterval", "CreateGridlines"]})", {"$.NeatlineLowerLeft: ", "CalcGridInterval"}},
        {"a stroke proposal without an interval", R"({"MapViewCoordSystem": "EPSG:32632", "calls": ["Set_DefaultStrokingGrid"]})", {"$.Interval: ", "Set_DefaultStrokingGrid"}},
        // sizes and depths
        {"huge point array", Utm("\"GridOffset\": [" + Repeat("1", 200000, ", ") + "]"), {"$.GridOffset: ", "an array of 200000"}},
        {"huge list of calls", Utm("\"calls\": [" + Repeat("\"CreateBorder\"", 200000, ", ") + "]"), {"$.calls: ", "at most"}},
        {"huge neatline polygon", Utm("\"NeatlinePolygon\": [" + Repeat("[1, 2]", 200000, ", ") + "]"), {"$.NeatlinePolygon: ", "at most"}},
        {"huge unknown key", Utm("\"" + Repeat("K", 1 << 20) + "\": 1"), {"unknown key"}},
        {"65 levels of arrays", Utm("\"calls\": " + Repeat("[", 65) + Repeat("]", 65)), {"nesting deeper than 64 levels"}},
        {"deep objects in a label part", Utm("\"LabelPartA\": " + Repeat("{\"Font\": ", 70) + "{}" + Repeat("}", 70)), {"nesting deeper than 64 levels"}},
    };
    // clang-format on
}

TEST(BadConfigs, EachIsRefusedWithExit2AndOneLineNamingWhatIsWrongAndNoOutput) {
    for (const BadConfig &c : Catalogue()) {
        SCOPED_TRACE(c.name);
        Scratch dir;
        const std::string geojson = dir.Write("frame.geojson", "previous"); // to be left as it was
        const Outcome o = RunParallo(
            dir, {dir.Write("config.json", c.text), "-o", geojson, "--svg", dir.path + "/frame.svg"});
        EXPECT_EQ(o.status, 2);
        // One line, and a readable one: a huge bad key is not echoed whole.
        EXPECT_TRUE(o.err.rfind("parallo: ", 0) == 0 && o.err.find('\n') == o.err.size() - 1 &&
                    o.err.size() < 2000)
            << o.err.substr(0, 500);
        for (const std::string &fragment : c.says)
            EXPECT_NE(o.err.find(fragment), std::string::npos)
                << "\"" << fragment << "\" in " << o.err.substr(0, 500);
        EXPECT_EQ(ReadFile(geojson), "previous");
        EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"config.json", "frame.geojson"}))
            << "no partial or temporary file";
    }
}

} // namespace
