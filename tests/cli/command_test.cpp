// The built parallo command, run as a user runs it: every example gives a FeatureCollection and
// a well-formed picture; every bad command line or configuration gives exit status 2, one line
// naming the offending key, and no output file.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <dirent.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "app.h"
#include "config.h"

namespace parallo {
namespace cli {
namespace {

constexpr double kPi = 3.14159265358979323846;

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

bool Exists(const std::string& path) { return ::access(path.c_str(), F_OK) == 0; }

class CommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        char name[] = "/tmp/parallo-command-test-XXXXXX";
        char* d = ::mkdtemp(name);
        ASSERT_NE(d, nullptr);
        dir_ = d;
    }
    void TearDown() override { std::system(("rm -rf " + Quote(dir_)).c_str()); }

    /// Runs the command with `args`; `input` feeds standard input.
    Outcome Run(const std::vector<std::string>& args, const std::string& input = std::string()) {
        std::string in = dir_ + "/.stdin", out = dir_ + "/.stdout", err = dir_ + "/.stderr";
        std::ofstream(in, std::ios::binary) << input;
        std::string command = Quote(PARALLO_CLI_COMMAND);
        for (const std::string& a : args) command += " " + Quote(a);
        command += " <" + Quote(in) + " >" + Quote(out) + " 2>" + Quote(err);
        int raw = std::system(command.c_str());
        Outcome o;
        o.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
        o.out = ReadFile(out);
        o.err = ReadFile(err);
        std::remove(in.c_str());
        std::remove(out.c_str());
        std::remove(err.c_str());
        return o;
    }

    std::string Write(const std::string& name, const std::string& text) {
        std::string path = dir_ + "/" + name;
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }

    /// Names in the directory, apart from the ones Run uses.
    std::vector<std::string> Entries() {
        std::vector<std::string> names;
        if (DIR* d = ::opendir(dir_.c_str())) {
            while (dirent* e = ::readdir(d)) {
                std::string n = e->d_name;
                if (n != "." && n != ".." && n[0] != '.') names.push_back(n);
                if (n.find(".tmp-") != std::string::npos) names.push_back(n);
            }
            ::closedir(d);
        }
        return names;
    }

    /// Runs one example into the directory and checks what every output must hold; returns the
    /// parsed GeoJSON.
    Json RunExample(const std::string& name);

    std::string dir_;
};

std::string Example(const std::string& name) { return std::string(PARALLO_SOURCE_DIR) + "/examples/" + name; }

bool XmlParses(const std::string& path) {
    return std::system(("xmllint --noout " + Quote(path) + " 2>/dev/null").c_str()) == 0;
}

std::vector<const Json*> OfKind(const Json& doc, const std::string& kind) {
    std::vector<const Json*> found;
    for (const Json& f : doc["features"])
        if (f["properties"]["kind"] == kind) found.push_back(&f);
    return found;
}

Json CommandTest::RunExample(const std::string& name) {
    const std::string geojson = dir_ + "/" + name + ".geojson", svg = dir_ + "/" + name + ".svg";
    Outcome o = Run({Example(name + ".json"), "-o", geojson, "--svg", svg});
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.err, "");
    EXPECT_EQ(o.out, "") << "the GeoJSON went to the file";
    EXPECT_TRUE(XmlParses(svg)) << svg;
    Json doc = Json::parse(ReadFile(geojson));
    EXPECT_EQ(doc["type"], "FeatureCollection");
    EXPECT_EQ(doc["crs"]["type"], "name");

    Json config = Json::parse(ReadFile(Example(name + ".json")));
    std::vector<std::string> calls = config.contains("calls") ? config["calls"].get<std::vector<std::string>>()
                                                              : DefaultCalls();
    EXPECT_EQ(doc["calls"].size(), calls.size());
    for (std::size_t i = 0; i < calls.size() && i < doc["calls"].size(); ++i) {
        const Json& c = doc["calls"][i];
        EXPECT_EQ(c["method"], calls[i]);
        EXPECT_TRUE(c.contains("RetVal"));
        EXPECT_TRUE(c["errors"].is_array());
        EXPECT_TRUE(c["errors"].empty()) << name << " " << c.dump();
    }
    const std::vector<std::string> kinds = {"neatline", "border", "gridline", "tick", "cross", "label"};
    for (const Json& f : doc["features"]) {
        EXPECT_EQ(f["type"], "Feature");
        EXPECT_NE(std::find(kinds.begin(), kinds.end(), f["properties"]["kind"]), kinds.end()) << f.dump();
    }
    EXPECT_EQ(OfKind(doc, "neatline").size(), 1u);
    EXPECT_EQ(OfKind(doc, "border").size(), 1u);
    return doc;
}

/// Whether every vertex of a line feature has x (axis 0) or y (axis 1) within tol of v.
bool LineAt(const Json& feature, int axis, double v, double tol) {
    for (const Json& p : feature["geometry"]["coordinates"])
        if (std::fabs(p[static_cast<std::size_t>(axis)].get<double>() - v) > tol) return false;
    return true;
}

std::size_t CountLinesAt(const Json& doc, const std::string& kind, int axis, double v, double tol) {
    std::size_t n = 0;
    for (const Json* f : OfKind(doc, kind)) if (LineAt(*f, axis, v, tol)) ++n;
    return n;
}

TEST_F(CommandTest, Utm32nSheetWithTicksAndCrosses) {
    Json doc = RunExample("utm32n_sheet");
    // A projected frame in its own system: the neatline is the rectangle itself, exactly.
    const Json& ring = (*OfKind(doc, "neatline")[0])["geometry"]["coordinates"][0];
    EXPECT_EQ(ring.front(), Json::array({500000.0, 5400000.0}));
    const Json& border = (*OfKind(doc, "border")[0])["geometry"]["coordinates"][0];
    EXPECT_EQ(border.front(), Json::array({499200.0, 5399200.0}));
    // No grid lines were asked for; 9 inner grid values per axis give a tick at both ends of
    // each, and 9 x 9 crosses of two arms.
    EXPECT_TRUE(OfKind(doc, "gridline").empty());
    EXPECT_EQ(OfKind(doc, "tick").size(), 36u);
    EXPECT_EQ(OfKind(doc, "cross").size(), 162u);
    for (const Json* tick : OfKind(doc, "tick")) {
        const Json& c = (*tick)["geometry"]["coordinates"];
        ASSERT_EQ(c.size(), 2u);
        // The base lies on the neatline; the tick is TickLength (200 m) long. Tolerance: the
        // tick is built by a planar polar step of 200 m, exact to rounding.
        double x = c[0][0].get<double>(), y = c[0][1].get<double>();
        EXPECT_TRUE(x == 500000.0 || x == 510000.0 || y == 5400000.0 || y == 5410000.0) << tick->dump();
        EXPECT_NEAR(std::hypot(c[1][0].get<double>() - x, c[1][1].get<double>() - y), 200.0, 1e-6);
    }
    // Labels: the 9 inner grid values and the one on the right (top) edge itself on each of the
    // four sides, split into big-number parts.
    std::vector<const Json*> labels = OfKind(doc, "label");
    if (!labels.empty()) {
        EXPECT_EQ(labels.size(), 40u);
        bool found = false;
        for (const Json* l : labels) {
            const Json& p = (*l)["properties"];
            if (p["LabelString"] == "501000") {
                found = true;
                EXPECT_EQ(p["LabelStringA"], "5");
                EXPECT_EQ(p["LabelStringB"], "01");
                EXPECT_EQ(p["LabelStringC"], "000");
            }
        }
        EXPECT_TRUE(found);
    }
}

TEST_F(CommandTest, LaeaEuropeGraticule) {
    Json doc = RunExample("laea_europe_graticule");
    // Meridians 6, 8, ..., 14 degrees and parallels 45, 46, ..., 52 degrees.
    EXPECT_EQ(OfKind(doc, "gridline").size(), 13u);
    // The projection's centre meridian, 10 degrees east, maps to false easting 4321000 m.
    // Tolerance 1e-6 m: a straight meridian through the projection's centre, round-off only.
    EXPECT_EQ(CountLinesAt(doc, "gridline", 0, 4321000.0, 1e-6), 1u);
    // The neatline was stroked: its sides bend in the map view.
    EXPECT_GT((*OfKind(doc, "neatline")[0])["geometry"]["coordinates"][0].size(), 20u);
    for (const Json* l : OfKind(doc, "label")) {
        const std::string text = (*l)["properties"]["LabelString"];
        EXPECT_NE(text.find("\xC2\xB0"), std::string::npos) << "a degree mark in " << text;
    }
}

TEST_F(CommandTest, PacificFrameAcrossTheAntimeridian) {
    Json doc = RunExample("pacific_antimeridian");
    // Meridians 175 E, 180 and 175 W, parallels 25 S, 20 S, 15 S and 10 S.
    EXPECT_EQ(OfKind(doc, "gridline").size(), 7u);
    // The 180 degree meridian lies 30 degrees east of the projection's central meridian (150 E):
    // x = 6378137 m x 30 degrees in radians. Tolerance 1e-3 m: PROJ's Mercator, to round-off.
    EXPECT_EQ(CountLinesAt(doc, "gridline", 0, 6378137.0 * kPi / 6.0, 1e-3), 1u);
    // All of the frame lies east of the central meridian, including its part west of 180.
    for (const Json& p : (*OfKind(doc, "neatline")[0])["geometry"]["coordinates"][0])
        EXPECT_GT(p[0].get<double>(), 2000000.0);
}

TEST_F(CommandTest, StatePlaneSheetInFeet) {
    Json doc = RunExample("stateplane_ny_feet");
    // Grid lines every 10 000 US survey feet: x = 980 000 ... 1 020 000, y = 190 000 ... 220 000.
    // Tolerance 1e-6 ft: the interval went to metres and back through the unit factor.
    EXPECT_EQ(OfKind(doc, "gridline").size(), 9u);
    for (double x : {980000.0, 990000.0, 1000000.0, 1010000.0, 1020000.0})
        EXPECT_EQ(CountLinesAt(doc, "gridline", 0, x, 1e-6), 1u) << x;
    for (double y : {190000.0, 200000.0, 210000.0, 220000.0})
        EXPECT_EQ(CountLinesAt(doc, "gridline", 1, y, 1e-6), 1u) << y;
    for (const Json* l : OfKind(doc, "label")) {
        const Json& p = (*l)["properties"];
        EXPECT_EQ(p["LabelStringUnit"], "ftUS") << p.dump();
    }
}

TEST_F(CommandTest, EveryExampleIsCovered) {
    std::vector<std::string> names;
    if (DIR* d = ::opendir((std::string(PARALLO_SOURCE_DIR) + "/examples").c_str())) {
        while (dirent* e = ::readdir(d)) {
            std::string n = e->d_name;
            if (n.size() > 5 && n.compare(n.size() - 5, 5, ".json") == 0) names.push_back(n.substr(0, n.size() - 5));
        }
        ::closedir(d);
    }
    EXPECT_GE(names.size(), 4u);
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        RunExample(name);
    }
}

TEST_F(CommandTest, StandardInputAndOutput) {
    Outcome o = Run({"-"}, ReadFile(Example("utm32n_sheet.json")));
    EXPECT_EQ(o.status, 0) << o.err;
    Json doc = Json::parse(o.out);
    EXPECT_EQ(doc["type"], "FeatureCollection");
    EXPECT_EQ(Entries().size(), 0u);
}

TEST_F(CommandTest, HelpVersionAndBadCommandLines) {
    Outcome help = Run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--svg"), std::string::npos);
    Outcome version = Run({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, std::string("parallo ") + PARALLO_VERSION_STRING + "\n");

    const std::vector<std::vector<std::string>> bad = {
        {},                                                  // no configuration
        {"--bogus", Example("utm32n_sheet.json")},           // unknown option
        {Example("utm32n_sheet.json"), "-o"},                // option without its value
        {dir_ + "/missing.json"},                            // unreadable configuration
        {Example("utm32n_sheet.json"), "--svg", dir_ + "/no/such/dir/x.svg"},
        {Example("utm32n_sheet.json"), "-o", dir_ + "/same", "--svg", dir_ + "/same"},
    };
    for (const auto& args : bad) {
        std::string joined;
        for (const auto& a : args) joined += a + " ";
        SCOPED_TRACE(joined);
        Outcome o = Run(args);
        EXPECT_EQ(o.status, 2) << o.err;
        EXPECT_FALSE(o.err.empty());
        EXPECT_EQ(o.out, "");
    }
    EXPECT_TRUE(Entries().empty());
}

TEST_F(CommandTest, BadConfigurationsNameTheirKeyAndWriteNothing) {
    const std::string base = ReadFile(Example("utm32n_sheet.json"));
    // Each case replaces one piece of the valid sheet.
    struct Case {
        std::string from, to, key;
    };
    const std::vector<Case> cases = {
        {"\"TickLength\": 200", "\"TickLenght\": 200", "$.TickLenght"},
        {"\"TickLength\": 200", "\"TickLength\": \"200\"", "$.TickLength"},
        {"\"PXgtTicksAndCrosses\"", "9", "$.GridType"},
        {"\"EPSG:32632\"", "\"EPSG:0\"", "$.MapViewCoordSystem"},
        {"\"Interval\": [1000, 1000]", "\"Interval\": [1000, -1]", "$.Interval[1]"},
        {"\"Bold\": true", "\"Bold\": 1", "$.LabelPartB.Font.Bold"},
        {"\"CreateBorder\"", "\"CreateBoarder\"", "$.calls[1]"},
        {"\"MagnitudeAB\": 5,", "\"MagnitudeAB\": 5,,", "$"},
    };
    const std::string geojson = dir_ + "/out.geojson", svg = dir_ + "/out.svg";
    // An earlier output must survive a refused run unchanged.
    Write("out.svg", "earlier picture");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.to);
        std::string text = base;
        std::size_t at = text.find(c.from);
        ASSERT_NE(at, std::string::npos) << c.from;
        text.replace(at, c.from.size(), c.to);
        std::string config = Write("bad.json", text);
        Outcome o = Run({config, "-o", geojson, "--svg", svg});
        EXPECT_EQ(o.status, 2);
        EXPECT_EQ(o.out, "");
        // One line: "parallo: <file>: <path>: <problem>".
        ASSERT_FALSE(o.err.empty());
        EXPECT_EQ(o.err.find('\n'), o.err.size() - 1) << o.err;
        EXPECT_NE(o.err.find(": " + c.key + ": "), std::string::npos) << o.err;
        EXPECT_FALSE(Exists(geojson));
        EXPECT_EQ(ReadFile(svg), "earlier picture");
    }
    // Nothing but the configuration and the earlier picture: no output, no temporary file.
    std::vector<std::string> left = Entries();
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"bad.json", "out.svg"}));
}

TEST_F(CommandTest, ARunPastItsTimeLimitGivesUpWithoutOutput) {
    // The graticule generated 49 times over takes a tenth of a second or more; a limit of one
    // millisecond passes long before the methods are through.
    Json config = Json::parse(ReadFile(Example("laea_europe_graticule.json")));
    Json calls = Json::array({"CreateNeatline"});
    for (int i = 0; i < 49; ++i) calls.push_back("CreateGridlines"), calls.push_back("CreateLabels");
    config["calls"] = calls;
    std::string path = Write("slow.json", config.dump());
    const std::string geojson = dir_ + "/slow.geojson";
    Outcome o = Run({path, "-o", geojson, "--time-limit", "0.001"});
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.err.find("time limit"), std::string::npos) << o.err;
    EXPECT_FALSE(Exists(geojson));
    EXPECT_EQ(Entries(), std::vector<std::string>{"slow.json"});

    // Without a limit the same run completes.
    EXPECT_EQ(Run({path, "-o", geojson, "--time-limit", "0"}).status, 0);
    EXPECT_EQ(Run({path, "--time-limit", "-1"}).status, 2);
}

TEST(CommandInProcess, TruncatedConfigurationsNeverCrash) {
    // Every prefix of a valid configuration is either accepted or refused with status 2.
    const std::string text = ReadFile(Example("stateplane_ny_feet.json"));
    for (std::size_t n = 0; n < text.size(); n += 23) {
        std::istringstream in(text.substr(0, n));
        std::ostringstream out, err;
        const char* argv[] = {"parallo", "-"};
        int status = RunCommand(2, argv, in, out, err);
        EXPECT_EQ(status, 2) << n << ": " << err.str();
        EXPECT_EQ(out.str(), "");
    }
}

} // namespace
} // namespace cli
} // namespace parallo
