// A catalogue of broken configurations for the parallo command, run through the built command
// itself: each is answered with exit status 2 and one line on standard error that names what is
// wrong, quickly, and none leaves an output file behind or touches an existing one.
//
// The reader's own tests (tests/cli) check the paths and messages of single bad values in-process;
// these cases are whole files as a user or another program may hand them over: syntax errors,
// garbage, wrong shapes, impossible coordinate systems, non-finite numbers, sizes and depths.
#include <sys/stat.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

const std::string kCommand = std::string(PARALLO_BINARY_DIR) + "/cli/parallo";

/// A valid frame to spoil: a UTM sheet with every generator called.
std::string Utm(const std::string& extra) {
    return R"({"MapViewCoordSystem": "EPSG:32632", "NeatlineLowerLeft": [500000, 5400000],
              "NeatlineUpperRight": [510000, 5410000], "Interval": [1000, 1000])" +
           (extra.empty() ? std::string() : ", " + extra) + "}";
}

std::string Repeat(const std::string& s, std::size_t n) {
    std::string out;
    out.reserve(s.size() * n);
    for (std::size_t i = 0; i < n; ++i) out += s;
    return out;
}

/// n comma-separated copies of `item`.
std::string List(const std::string& item, std::size_t n) {
    std::string out;
    out.reserve((item.size() + 2) * n);
    for (std::size_t i = 0; i < n; ++i) out += (i ? ", " : "") + item;
    return out;
}

struct BadConfig {
    const char* name;
    std::string text;
    /// Fragments the one line on standard error must contain (the key and/or the problem).
    std::vector<std::string> says;
};

std::vector<BadConfig> Catalogue() {
    std::string garbage;
    for (int i = 0; i < 4096; ++i) garbage += static_cast<char>((i * 7919 + 13) % 256);
    const std::string png("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16);
    const std::string nul("{\"MapViewCoordSystem\": \"EPSG:32632\"\0}", 37);

    return {
        // ---- not JSON at all ------------------------------------------------------------------
        {"empty file", "", {"$: not valid JSON"}},
        {"only white space", " \n\t\n ", {"$: not valid JSON"}},
        {"binary garbage", garbage, {"$: not valid JSON"}},
        {"an image", png, {"$: not valid JSON"}},
        {"a NUL byte inside", nul, {"$: not valid JSON"}},
        {"invalid UTF-8 in a string", Utm("\"EastingHemisphereLabel\": \"\xff\xfe\""), {"$: not valid JSON"}},
        // ---- syntax errors ----------------------------------------------------------------
        {"trailing comma", Utm("\"TickLength\": 5,"), {"$: not valid JSON"}},
        {"missing closing brace", "{\"MapViewCoordSystem\": \"EPSG:32632\"", {"$: not valid JSON"}},
        {"single quotes", "{'MapViewCoordSystem': 'EPSG:32632'}", {"$: not valid JSON"}},
        {"a comment", "{\"MapViewCoordSystem\": \"EPSG:32632\" // the view\n}", {"$: not valid JSON"}},
        {"unterminated string", "{\"MapViewCoordSystem\": \"EPSG:32632}", {"$: not valid JSON"}},
        {"raw line break in a string", Utm("\"EastingHemisphereLabel\": \"E\nW\""), {"$: not valid JSON"}},
        {"two documents", Utm("") + Utm(""), {"$: not valid JSON"}},
        {"NaN literal", Utm("\"TickLength\": NaN"), {"$: not valid JSON"}},
        {"Infinity literal", Utm("\"CrossLength\": -Infinity"), {"$: not valid JSON"}},
        {"number overflowing a double", Utm("\"TickLength\": 1e999"), {"$: not valid JSON", "1e999"}},
        {"hexadecimal number", Utm("\"LabelColor\": 0xFF00FF"), {"$: not valid JSON"}},
        // ---- the document is not an object ----------------------------------------------
        {"a number", "42", {"$: expected a JSON object", "a number"}},
        {"a string", "\"EPSG:32632\"", {"$: expected a JSON object", "a string"}},
        {"null", "null", {"$: expected a JSON object", "null"}},
        // ---- wrong types ------------------------------------------------------------------
        {"system as a boolean", R"({"MapViewCoordSystem": true})", {"$.MapViewCoordSystem", "got a boolean"}},
        {"corner as text", Utm(R"("NeatlineLowerRightInProjUnits": "510000, 5400000")"),
         {"$.NeatlineLowerRightInProjUnits", "expected a point"}},
        {"interval as an object", Utm(R"("GridOffset": {"x": 1, "y": 2})"), {"$.GridOffset", "expected a point"}},
        {"flag as text", Utm(R"("bForceStroking": "true")"), {"$.bForceStroking", "expected true or false"}},
        {"decimal places not whole", Utm(R"("DecimalPlaces": 2.5)"), {"$.DecimalPlaces", "whole number"}},
        {"calls as numbers", Utm(R"("calls": [1, 2])"), {"$.calls[0]", "expected a string"}},
        {"label part as text", Utm(R"("LabelPartD": "bold")"), {"$.LabelPartD", "expected a label part"}},
        {"font as a list", Utm(R"("LabelPartA": {"Font": ["Arial", 8]})"), {"$.LabelPartA.Font", "expected a font"}},
        {"polygon of numbers", Utm(R"("NeatlinePolygon": [1, 2, 3])"), {"$.NeatlinePolygon[0]", "expected a point"}},
        // ---- non-finite numbers written as strings -----------------------------------------
        {"NaN as a string", Utm(R"("TickLength": "NaN")"), {"$.TickLength", "expected a number, got a string"}},
        {"Infinity as a string", Utm(R"("SkipInterval": ["Infinity", 1000])"), {"$.SkipInterval[0]", "expected a number"}},
        {"-inf as a string", Utm(R"("NeatlineUpperLeftInProjUnits": ["-inf", 0])"), {"$.NeatlineUpperLeftInProjUnits[0]", "expected a number"}},
        {"overflow as a string", Utm(R"("GridStrokeDistance": "1e999")"), {"$.GridStrokeDistance", "expected a number"}},
        // ---- numbers out of range -----------------------------------------------------------
        {"16-bit underflow", Utm(R"("MagnitudeBC": -40000)"), {"$.MagnitudeBC", "outside -32768 to 32767"}},
        {"charset", Utm(R"("LabelPartB": {"Font": {"Charset": 256}})"), {"$.LabelPartB.Font.Charset", "outside 0 to 255"}},
        {"font weight", Utm(R"("LabelPartB": {"Font": {"Weight": -1}})"), {"$.LabelPartB.Font.Weight", "outside 0 to 1000"}},
        {"negative font size", Utm(R"("LabelPartC": {"Font": {"Size": -8}})"), {"$.LabelPartC.Font.Size", "negative"}},
        {"colour beyond 24 bits", Utm(R"("LabelColor": 16777216)"), {"$.LabelColor", "outside 0 to 16777215"}},
        {"extent type 2", Utm(R"("GridIntervalsType": 2)"), {"$.GridIntervalsType", "out of range"}},
        {"negative interval", R"({"MapViewCoordSystem": "EPSG:32632", "Interval": [-1000, 1000]})", {"$.Interval[0]", "greater than 0"}},
        {"point with four numbers", Utm(R"("SkipInterval": [1, 2, 3, 4])"), {"$.SkipInterval", "an array of 4"}},
        // ---- unknown keys -------------------------------------------------------------------
        {"misspelt key", Utm(R"("Intervall": [1000, 1000])"), {"$.Intervall", "unknown key", "\"Interval\""}},
        {"unknown font key", Utm(R"("LabelPartA": {"Font": {"Colour": "red"}})"), {"$.LabelPartA.Font.Colour", "unknown key"}},
        {"unknown method", Utm(R"("calls": ["CreateEverything"])"), {"$.calls[0]", "unknown method"}},
        {"duplicate nested key", Utm(R"("LabelPartA": {"Font": {"Size": 8, "Size": 9}})"), {"$.LabelPartA.Font.Size", "duplicate key"}},
        {"empty key", Utm(R"("": 1)"), {"unknown key"}},
        // ---- impossible coordinate systems ----------------------------------------------------
        {"EPSG code 0", R"({"MapViewCoordSystem": "EPSG:0"})", {"$.MapViewCoordSystem", "PROJ cannot make"}},
        {"unknown authority", R"({"MapViewCoordSystem": "NOPE:32632"})", {"$.MapViewCoordSystem", "PROJ cannot make"}},
        {"nonsense PROJ string", Utm(R"("GridCoordSystem": "+proj=nonsense +ellps=WGS84")"), {"$.GridCoordSystem", "PROJ cannot make"}},
        {"empty definition", R"({"MapViewCoordSystem": ""})", {"$.MapViewCoordSystem", "empty"}},
        {"broken WKT", Utm(R"("NeatlineCoordSystem": "PROJCS[\"x\", GEOGCS[")"), {"$.NeatlineCoordSystem", "PROJ cannot make"}},
        {"PROJJSON of no kind", R"({"MapViewCoordSystem": {"type": "Foo", "name": "bar"}})", {"$.MapViewCoordSystem", "PROJ cannot make"}},
        {"a vertical system", Utm(R"("GridCoordSystem": "EPSG:5703")"), {"$.GridCoordSystem"}},
        {"a transformation, not a system", Utm(R"("GridCoordSystem": "+proj=pipeline +step +proj=axisswap +order=2,1")"), {"$.GridCoordSystem"}},
        // ---- sizes and depths ----------------------------------------------------------------
        {"huge point array", Utm("\"GridOffset\": [" + List("1", 200000) + "]"), {"$.GridOffset", "an array of 200000"}},
        {"huge list of calls", Utm("\"calls\": [" + List("\"CreateBorder\"", 200000) + "]"), {"$.calls", "at most"}},
        {"huge neatline polygon", Utm("\"NeatlinePolygon\": [" + List("[1, 2]", 200000) + "]"), {"$.NeatlinePolygon", "at most"}},
        {"huge unknown key", Utm("\"" + Repeat("K", 1 << 20) + "\": 1"), {"unknown key"}},
        {"65 levels of arrays", Utm("\"calls\": " + Repeat("[", 65) + Repeat("]", 65)), {"nesting deeper than 64 levels"}},
        {"deep objects in a label part", Utm("\"LabelPartA\": " + Repeat("{\"Font\": ", 70) + "{}" + Repeat("}", 70)),
         {"nesting deeper than 64 levels"}},
    };
}

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> Entries(const std::string& dir) {
    std::vector<std::string> names;
    if (DIR* d = ::opendir(dir.c_str())) {
        while (dirent* e = ::readdir(d)) {
            std::string name = e->d_name;
            if (name != "." && name != "..") names.push_back(name);
        }
        ::closedir(d);
    }
    return names;
}

class BadConfigs : public ::testing::Test {
protected:
    void SetUp() override {
        char work[] = "/tmp/parallo-bad-configs-XXXXXX";
        ASSERT_NE(::mkdtemp(work), nullptr);
        dir_ = work;
        out_ = dir_ + "/out";
        ASSERT_EQ(::mkdir(out_.c_str(), 0700), 0);
    }
    void TearDown() override { std::system(("rm -rf '" + dir_ + "'").c_str()); }
    std::string dir_, out_;
};

TEST_F(BadConfigs, EachIsRefusedWithExit2AndOneLineNamingWhatIsWrongAndNoOutput) {
    struct stat st {};
    ASSERT_EQ(::stat(kCommand.c_str(), &st), 0) << "build the command first: " << kCommand;
    const std::vector<BadConfig> catalogue = Catalogue();
    ASSERT_GE(catalogue.size(), 40u);

    const std::string config = dir_ + "/config.json";
    const std::string geojson = out_ + "/frame.geojson";
    const std::string svg = out_ + "/frame.svg";
    const std::string err = dir_ + "/stderr";
    for (const BadConfig& c : catalogue) {
        SCOPED_TRACE(c.name);
        {
            std::ofstream file(config, std::ios::binary);
            file << c.text;
        }
        // An earlier result in place: a refused configuration must leave it as it was.
        {
            std::ofstream file(geojson);
            file << "previous";
        }
        const auto start = std::chrono::steady_clock::now();
        const int status = std::system(("'" + kCommand + "' '" + config + "' -o '" + geojson + "' --svg '" + svg +
                                        "' >/dev/null 2>'" + err + "'")
                                           .c_str());
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        ASSERT_TRUE(WIFEXITED(status)) << "the command died: status " << status;
        EXPECT_EQ(WEXITSTATUS(status), 2);

        const std::string message = Slurp(err);
        EXPECT_EQ(message.rfind("parallo: ", 0), 0u) << message;
        ASSERT_FALSE(message.empty());
        EXPECT_EQ(message.find('\n'), message.size() - 1) << "one line: " << message.substr(0, 500);
        for (const std::string& fragment : c.says)
            EXPECT_NE(message.find(fragment), std::string::npos) << "\"" << fragment << "\" in " << message.substr(0, 500);
        // The refusal is quick (the command starts PROJ once; sanitizer builds run slower).
        EXPECT_LT(seconds, 10.0);
        // A message stays readable: a huge bad key is not echoed whole.
        EXPECT_LT(message.size(), 2000u);

        EXPECT_EQ(Slurp(geojson), "previous");
        const std::vector<std::string> left = Entries(out_);
        EXPECT_EQ(left, std::vector<std::string>{"frame.geojson"}) << "no partial or temporary file";
    }
}

} // namespace
