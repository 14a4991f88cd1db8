// The built parallo command, run as a user runs it: every example gives its known features and a
// well-formed picture; a bad command line gives exit status 2 and leaves every file as it was.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <sys/wait.h>

#include <gtest/gtest.h>

#include "app.h"
#include "config.h"

namespace parallo {
namespace cli {
namespace {

struct Outcome {
    int status = -1;
    std::string out, err;
};

std::string Quote(const std::string &s) {
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::string ReadFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::string Example(const std::string &name) { return std::string(PARALLO_SOURCE_DIR) + "/examples/" + name; }

std::vector<const Json *> OfKind(const Json &doc, const std::string &kind) {
    std::vector<const Json *> found;
    for (const Json &f : doc["features"])
        if (f["properties"]["kind"] == kind) found.push_back(&f);
    return found;
}

/// Line features of `kind` whose every vertex has coordinate `axis` within tol of v.
std::size_t CountLinesAt(const Json &doc, const std::string &kind, std::size_t axis, double v, double tol) {
    std::size_t n = 0;
    for (const Json *f : OfKind(doc, kind)) {
        const Json &c = (*f)["geometry"]["coordinates"];
        n += std::all_of(c.begin(), c.end(),
                         [&](const Json &p) { return std::fabs(p[axis].get<double>() - v) <= tol; });
    }
    return n;
}

class CommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        char name[] = "/tmp/parallo-command-test-XXXXXX";
        ASSERT_NE(::mkdtemp(name), nullptr);
        dir_ = name;
    }
    void TearDown() override { std::system(("rm -rf " + Quote(dir_)).c_str()); }

    Outcome Run(const std::vector<std::string> &args, const std::string &input = std::string()) {
        const std::string in = Write(".stdin", input), out = dir_ + "/.stdout", err = dir_ + "/.stderr";
        std::string command = Quote(PARALLO_CLI_COMMAND);
        for (const std::string &a : args)
            command += " " + Quote(a);
        const int raw =
            std::system((command + " <" + Quote(in) + " >" + Quote(out) + " 2>" + Quote(err)).c_str());
        Outcome o{WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw), ReadFile(out), ReadFile(err)};
        for (const std::string &p : {in, out, err})
            std::remove(p.c_str());
        return o;
    }

    std::string Write(const std::string &name, const std::string &text) {
        std::ofstream(dir_ + "/" + name, std::ios::binary) << text;
        return dir_ + "/" + name;
    }

    /// Names in the directory, sorted: anything left behind, temporary files included.
    std::vector<std::string> Entries() {
        std::vector<std::string> names;
        for (const auto &e : std::filesystem::directory_iterator(dir_)) {
            const std::string n = e.path().filename().string();
            if (n[0] != '.' || n.find(".tmp-") != std::string::npos) names.push_back(n);
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    std::string dir_;
};

TEST_F(CommandTest, EveryExampleGivesItsFeaturesAndAWellFormedPicture) {
    // What each example must show beyond what every output holds.
    const std::map<std::string, std::function<void(const Json &)>> specific = {
        {"utm32n_sheet",
         [](const Json &doc) {
             // A projected frame in its own system: the neatline is the rectangle itself, exactly.
             EXPECT_EQ((*OfKind(doc, "neatline")[0])["geometry"]["coordinates"][0][0],
                       Json::array({500000.0, 5400000.0}));
             EXPECT_EQ((*OfKind(doc, "border")[0])["geometry"]["coordinates"][0][0],
                       Json::array({499200.0, 5399200.0}));
             // 9 inner values per axis: a tick at both ends of each, 9 × 9 crosses of two arms (their
             // lengths and directions are the grid suites' business).
             EXPECT_TRUE(OfKind(doc, "gridline").empty());
             EXPECT_EQ(OfKind(doc, "tick").size(), 36u);
             EXPECT_EQ(OfKind(doc, "cross").size(), 162u);
             // The 9 inner values and the one on the far edge, on four sides, in big-number parts.
             const auto labels = OfKind(doc, "label");
             EXPECT_EQ(labels.size(), 40u);
             const auto it = std::find_if(labels.begin(), labels.end(), [](const Json *l) {
                 return (*l)["properties"]["LabelString"] == "501000";
             });
             ASSERT_NE(it, labels.end());
             const Json &p = (**it)["properties"];
             EXPECT_EQ(p["LabelStringA"].get<std::string>() + "|" + p["LabelStringB"].get<std::string>() +
                           "|" + p["LabelStringC"].get<std::string>(),
                       "5|01|000");
         }},
        // Both as their grid suites check them on the same frames; here through the command: the
        // 10°E meridian at LAEA's false easting (round-off only, 1e-6 m), the 180° meridian 30° east
        // of the Pacific Mercator's central meridian, 6378137 m × π/6 (PROJ's round-off: 1e-3 m).
        {"laea_europe_graticule",
         [](const Json &doc) {
             EXPECT_EQ(OfKind(doc, "gridline").size(), 13u);
             EXPECT_EQ(CountLinesAt(doc, "gridline", 0, 4321000.0, 1e-6), 1u);
         }},
        {"pacific_antimeridian",
         [](const Json &doc) {
             EXPECT_EQ(OfKind(doc, "gridline").size(), 7u);
             EXPECT_EQ(CountLinesAt(doc, "gridline", 0, 6378137.0 * 3.14159265358979323846 / 6.0, 1e-3), 1u);
         }},
        {"stateplane_ny_feet",
         [](const Json &doc) {
             // Every 10 000 US survey feet; the interval went to metres and back (1e-6 ft).
             EXPECT_EQ(OfKind(doc, "gridline").size(), 9u);
             for (double x : {980000.0, 990000.0, 1000000.0, 1010000.0, 1020000.0})
                 EXPECT_EQ(CountLinesAt(doc, "gridline", 0, x, 1e-6), 1u) << x;
             for (double y : {190000.0, 200000.0, 210000.0, 220000.0})
                 EXPECT_EQ(CountLinesAt(doc, "gridline", 1, y, 1e-6), 1u) << y;
             for (const Json *l : OfKind(doc, "label"))
                 EXPECT_EQ((*l)["properties"]["LabelStringUnit"], "ftUS");
         }},
    };
    std::size_t examples = 0;
    for (const auto &entry : std::filesystem::directory_iterator(Example("")))
        examples += entry.path().extension() == ".json";
    EXPECT_EQ(examples, specific.size()) << "a new example needs its own checks here";
    for (const auto &[name, check] : specific) {
        SCOPED_TRACE(name);
        const std::string geojson = dir_ + "/" + name + ".geojson", svg = dir_ + "/" + name + ".svg";
        const Outcome o = Run({Example(name + ".json"), "-o", geojson, "--svg", svg});
        EXPECT_EQ(o.status, 0) << o.err;
        EXPECT_EQ(o.err + o.out, "") << "the GeoJSON goes to the file";
        EXPECT_EQ(std::system(("xmllint --noout " + Quote(svg) + " 2>/dev/null").c_str()), 0) << "SVG parses";
        const Json doc = Json::parse(ReadFile(geojson));
        EXPECT_EQ(doc["type"], "FeatureCollection");
        const Json config = Json::parse(ReadFile(Example(name + ".json")));
        const auto calls =
            config.contains("calls") ? config["calls"].get<std::vector<std::string>>() : DefaultCalls();
        ASSERT_EQ(doc["calls"].size(), calls.size());
        for (std::size_t i = 0; i < calls.size(); ++i) {
            EXPECT_EQ(doc["calls"][i]["method"], calls[i]);
            EXPECT_EQ(doc["calls"][i]["errors"], Json::array()) << doc["calls"][i].dump();
        }
        ASSERT_EQ(OfKind(doc, "neatline").size(), 1u);
        ASSERT_EQ(OfKind(doc, "border").size(), 1u);
        check(doc);
    }
}

TEST_F(CommandTest, StandardStreamsHelpVersionAndBadCommandLines) {
    const std::string sheet = Example("utm32n_sheet.json");
    const Outcome o = Run({"-"}, ReadFile(sheet));
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(Json::parse(o.out)["type"], "FeatureCollection");
    EXPECT_NE(Run({"--help"}).out.find("--svg"), std::string::npos);
    EXPECT_EQ(Run({"--version"}).out, std::string("parallo ") + PARALLO_VERSION_STRING + "\n");

    // A refused command line writes nothing and leaves an earlier output as it was.
    const std::string svg = Write("out.svg", "earlier picture");
    const std::vector<std::string> bad[] = {
        {},
        {"--bogus", sheet},
        {sheet, "-o"},
        {dir_ + "/missing.json", "--svg", svg},
        {sheet, "--svg", dir_ + "/no/such/dir/x.svg"},
        {sheet, "-o", dir_ + "/same", "--svg", dir_ + "/same"},
        {sheet, "--svg", svg, "--time-limit", "-1"},
    };
    for (const auto &args : bad) {
        SCOPED_TRACE(::testing::PrintToString(args));
        const Outcome r = Run(args);
        EXPECT_EQ(r.status, 2) << r.err;
        EXPECT_EQ(r.out, "");
        EXPECT_FALSE(r.err.empty());
    }
    EXPECT_EQ(ReadFile(svg), "earlier picture");
    EXPECT_EQ(Entries(), std::vector<std::string>{"out.svg"}) << "no output, no temporary file";
}

TEST_F(CommandTest, ARunPastItsTimeLimitGivesUpWithoutOutput) {
    // The graticule generated 49 times over takes a tenth of a second or more; a limit of one
    // millisecond passes long before the methods are through.
    Json config = Json::parse(ReadFile(Example("laea_europe_graticule.json")));
    config["calls"] = Json::array({"CreateNeatline"});
    for (int i = 0; i < 49; ++i)
        config["calls"].push_back("CreateGridlines"), config["calls"].push_back("CreateLabels");
    const std::string path = Write("slow.json", config.dump()), geojson = dir_ + "/slow.geojson";
    const Outcome o = Run({path, "-o", geojson, "--time-limit", "0.001"});
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.err.find("time limit"), std::string::npos) << o.err;
    EXPECT_EQ(Entries(), std::vector<std::string>{"slow.json"});
    EXPECT_EQ(Run({path, "-o", geojson, "--time-limit", "0"}).status, 0) << "no limit: the run completes";
}

TEST(CommandInProcess, TruncatedConfigurationsNeverCrash) {
    // Every prefix of a valid configuration is refused with status 2 and no output.
    const std::string text = ReadFile(Example("stateplane_ny_feet.json"));
    for (std::size_t n = 0; n < text.size(); n += 23) {
        std::istringstream in(text.substr(0, n));
        std::ostringstream out, err;
        const char *argv[] = {"parallo", "-"};
        EXPECT_EQ(RunCommand(2, argv, in, out, err), 2) << n << ": " << err.str();
        EXPECT_EQ(out.str(), "");
    }
}

} // namespace
} // namespace cli
} // namespace parallo
