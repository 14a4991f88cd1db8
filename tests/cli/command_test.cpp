// The built parallo command, run as a user runs it: every example gives its known features and a
// well-formed picture; a bad command line gives exit status 2 and leaves every file as it was.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app.h"
#include "checks.h"
#include "cli/command_runs.h"
#include "config.h"
#include "parallo/furniture.h"
#include "parallo/layout.h"

namespace parallo {
namespace cli {
namespace {

using namespace parallo_cli_test;

std::string Example(const std::string &name) { return std::string(PARALLO_SOURCE_DIR) + "/examples/" + name; }

std::vector<const Json *> OfKind(const Json &doc, const std::string &kind) {
    std::vector<const Json *> found;
    for (const Json &f : doc["features"])
        if (f["properties"]["kind"] == kind) found.push_back(&f);
    return found;
}

/// "kind count, ..." over every feature, kinds in order.
std::string Counts(const Json &doc) {
    std::map<std::string, int> n;
    for (const Json &f : doc["features"])
        ++n[f["properties"]["kind"].get<std::string>()];
    std::string out;
    for (const auto &[kind, count] : n)
        out += (out.empty() ? "" : ", ") + kind + " " + std::to_string(count);
    return out;
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

std::vector<std::string> Lines(const std::string &text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::size_t Count(const std::string &text, const std::string &part) {
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

TEST(Command, EveryExampleGivesItsFeaturesAndAWellFormedPicture) {
    struct Case {
        const char *name, *counts;
        /// What the example must show beyond what every output holds.
        std::function<void(const Json &)> check;
    };
    const Case cases[] = {
        // 9 inner values per axis: a tick at both ends of each, 9 × 9 crosses of two arms; those 9
        // and the two on the edges labelled at both ends of their lines (11 × 2 × 2).
        {"utm32n_sheet", "border 1, cross 162, label 44, neatline 1, tick 36",
         [](const Json &doc) {
             // A projected frame in its own system: the neatline is the rectangle itself, exactly.
             EXPECT_EQ((*OfKind(doc, "neatline")[0])["geometry"]["coordinates"][0][0],
                       Json::array({500000.0, 5400000.0}));
             EXPECT_EQ((*OfKind(doc, "border")[0])["geometry"]["coordinates"][0][0],
                       Json::array({499200.0, 5399200.0}));
             // Labels in big-number parts.
             const auto labels = OfKind(doc, "label");
             const auto it = std::find_if(labels.begin(), labels.end(), [](const Json *l) {
                 return (*l)["properties"]["LabelString"] == "501000";
             });
             ASSERT_NE(it, labels.end());
             const Json &p = (**it)["properties"];
             EXPECT_EQ(Json::array({p["LabelStringA"], p["LabelStringB"], p["LabelStringC"]}),
                       Json::array({"5", "01", "000"}));
         }},
        // Both as their grid suites check them on the same frames; here through the command: the
        // 10°E meridian at LAEA's false easting (round-off only, 1e-6 m), the 180° meridian 30° east
        // of the Pacific Mercator's central meridian, 6378137 m × π/6 (PROJ's round-off: 1e-3 m).
        {"laea_europe_graticule", "border 1, gridline 13, label 26, neatline 1",
         [](const Json &doc) { EXPECT_EQ(CountLinesAt(doc, "gridline", 0, 4321000.0, 1e-6), 1u); }},
        {"pacific_antimeridian", "border 1, gridline 7, label 14, neatline 1, tick 14",
         [](const Json &doc) {
             EXPECT_EQ(CountLinesAt(doc, "gridline", 0, 6378137.0 * 3.14159265358979323846 / 6.0, 1e-3), 1u);
         }},
        // Around the South Pole: 12 meridians from the frame, the 4 of every 90° to the pole (the
        // origin, exactly), the others to the polar cap at 80°S; the 70th and 80th parallels as
        // closed rings, the 60th as 4 arcs across the corners. One tick and one label where each
        // line meets the frame: 12 meridians, 8 arc ends.
        {"antarctic_polar", "border 1, gridline 18, label 20, neatline 1, tick 20",
         [](const Json &doc) {
             std::size_t rings = 0, toPole = 0;
             for (const Json *l : OfKind(doc, "gridline")) {
                 const Json &c = (*l)["geometry"]["coordinates"];
                 rings += c.front() == c.back();
                 toPole += c.front() == Json::array({0.0, 0.0});
             }
             EXPECT_EQ(rings, 2u);
             EXPECT_EQ(toPole, 4u);
         }},
        // One band outside the neatline cut at every kilometre: 12 + 10 bars on each pair of sides,
        // then the four corner squares; ticks at the 40 inner kilometres, minor ticks every 200 m.
        {"utm32n_zebra",
         "border 1, frameBar 48, frameTick 40, gridline 24, label 48, minorTick 176, neatline 1",
         [](const Json &doc) {
             // Neighbours along a side alternate.
             const auto bars = OfKind(doc, "frameBar");
             for (std::size_t i = 0; i + 1 < 44; ++i) {
                 const Json &a = (*bars[i])["geometry"]["coordinates"][0];
                 const Json &b = (*bars[i + 1])["geometry"]["coordinates"][0];
                 const auto shared = std::count_if(
                     a.begin(), a.end(), [&](const Json &p) { return std::count(b.begin(), b.end(), p); });
                 EXPECT_TRUE(shared < 2 ||
                             (*bars[i])["properties"]["filled"] != (*bars[i + 1])["properties"]["filled"])
                     << i;
             }
             // The ticks point out of the frame.
             for (const Json *t : OfKind(doc, "frameTick")) {
                 const Json &end = (*t)["geometry"]["coordinates"][1];
                 const double x = end[0].get<double>(), y = end[1].get<double>();
                 EXPECT_TRUE(x < 500000.0 || x > 512000.0 || y < 5400000.0 || y > 5410000.0) << end;
             }
             for (const Json *l : OfKind(doc, "label"))
                 EXPECT_TRUE((*l)["properties"].contains("box") && (*l)["properties"]["hidden"] == false)
                     << "a sparse sheet shows every label";
         }},
        {"world_web_mercator", "border 1, gridline 18, label 36, neatline 1",
         [](const Json &doc) {
             // The whole world: the parallels' labels read left to right on both sides and stand
             // outside the neatline (±20037508 m, the 180° meridians), none hidden by it.
             const double edge = 20037508.342789244;
             std::size_t east = 0, west = 0;
             for (const Json *l : OfKind(doc, "label")) {
                 const Json &p = (*l)["properties"];
                 const double x = (*l)["geometry"]["coordinates"][0].get<double>();
                 EXPECT_LE(std::fabs(p["Angle"].get<double>()), 90.0) << p["LabelString"];
                 if (p["LabelAxis"] == 2) {
                     ++east;
                     EXPECT_TRUE(x > edge && p["hidden"] == false) << p;
                 }
                 if (p["LabelAxis"] == 1) {
                     ++west;
                     EXPECT_LT(x, -edge) << p;
                 }
             }
             EXPECT_TRUE(east == 5 && west == 5) << east << " " << west << ": 60°S … 60°N on both sides";
         }},
        {"stateplane_ny_feet", "border 1, gridline 9, label 18, neatline 1, tick 18",
         [](const Json &doc) {
             // Every 10 000 US survey feet; the interval went to metres and back (1e-6 ft).
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
    EXPECT_EQ(examples, std::size(cases)) << "a new example needs its own checks here";
    Scratch dir;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const std::string name = c.name, geojson = dir.path + "/" + name + ".geojson",
                          svg = dir.path + "/x.svg";
        const Outcome o = RunParallo(dir, {Example(name + ".json"), "-o", geojson, "--svg", svg});
        EXPECT_EQ(o.status, 0) << o.err;
        EXPECT_EQ(o.err + o.out, "") << "the GeoJSON goes to the file";
        EXPECT_EQ(std::system(("xmllint --noout " + Quote(svg) + " 2>/dev/null").c_str()), 0) << "SVG parses";
        const Json doc = Json::parse(ReadFile(geojson));
        EXPECT_EQ(doc["type"], "FeatureCollection");
        const auto calls = ReadConfig(Json::parse(ReadFile(Example(name + ".json")))).calls;
        ASSERT_EQ(doc["calls"].size(), calls.size());
        for (std::size_t i = 0; i < calls.size(); ++i) {
            EXPECT_EQ(doc["calls"][i]["method"], calls[i]);
            EXPECT_EQ(doc["calls"][i]["errors"], Json::array()) << doc["calls"][i].dump();
        }
        ASSERT_EQ(Counts(doc), c.counts);
        c.check(doc);
    }
}

// A dense grid on a sheet without border offsets: the layout hides labels, never two shown boxes
// overlap, the picture draws only the shown labels and holds every shown box; with the layout
// off the labels are those of the service, every one drawn.
TEST(Command, LaidOutLabelsAreBoxedApartAndInsideThePicture) {
    Scratch dir;
    Json config = Json::parse(ReadFile(Example("utm32n_sheet.json")));
    config["Interval"] = {250, 250};
    for (const char *side : {"Left", "Right", "Top", "Bottom"})
        config[std::string("BorderOffset") + side] = 0;
    const std::string geojson = dir.path + "/dense.geojson", svgPath = dir.path + "/dense.svg";
    const Outcome o =
        RunParallo(dir, {"-", "-o", geojson, "--svg", svgPath, "--strict", "--verbose"}, config.dump());
    EXPECT_EQ(o.status, 0) << "hidden labels are no failure: " << o.err;
    EXPECT_EQ(Lines(o.err).size(), 1u) << o.err;
    EXPECT_EQ(o.err.rfind("parallo: labels: ", 0), 0u) << o.err;
    const Json doc = Json::parse(ReadFile(geojson));
    const std::string svg = ReadFile(svgPath);

    // The map-to-page transform, from the neatline in both outputs: map x0 and y1 at page x0 and y0.
    double gx0 = 1e300, gx1 = -1e300, gy1 = -1e300, px0 = 1e300, px1 = -1e300, py0 = 1e300;
    for (const Json &p : (*OfKind(doc, "neatline")[0])["geometry"]["coordinates"][0])
        gx0 = std::min(gx0, p[0].get<double>()), gx1 = std::max(gx1, p[0].get<double>()),
        gy1 = std::max(gy1, p[1].get<double>());
    std::size_t at = svg.find(" d=\"", svg.find("<g id=\"neatline\"")) + 4;
    std::istringstream path(svg.substr(at, svg.find('"', at) - at));
    std::vector<double> page; // x, y, x, y, ...
    for (std::string word; path >> word;)
        if (word != "Z") page.push_back(std::stod(word[0] == 'M' || word[0] == 'L' ? word.substr(1) : word));
    for (std::size_t i = 0; i + 1 < page.size(); i += 2)
        px0 = std::min(px0, page[i]), px1 = std::max(px1, page[i]), py0 = std::min(py0, page[i + 1]);
    const double k = (px1 - px0) / (gx1 - gx0);
    double width = 0.0, height = 0.0;
    ASSERT_EQ(std::sscanf(svg.c_str() + svg.find("viewBox=\"0 0 "), "viewBox=\"0 0 %lf %lf", &width, &height),
              2);

    std::vector<LabelBox> shown;
    std::size_t hidden = 0;
    const auto labels = OfKind(doc, "label");
    for (const Json *l : labels) {
        const Json &p = (*l)["properties"];
        ASSERT_TRUE(p.contains("box") && p["hidden"].is_boolean()) << p;
        const Json &box = p["box"]["coordinates"][0];
        ASSERT_TRUE(box.size() == 5u && box[0] == box[4]) << "a closed ring: " << p;
        if (p["hidden"]) {
            ++hidden;
            EXPECT_TRUE(p.contains("hiddenBecause")) << p;
            continue;
        }
        LabelBox b;
        b.Empty = false;
        for (std::size_t i = 0; i < 4; ++i) {
            b.Corners[i] = shapekit::Point(box[i][0].get<double>(), box[i][1].get<double>());
            // Page coordinates are written to 0.01: two roundings apart at most.
            const double x = px0 + (b.Corners[i].x - gx0) * k, y = py0 + (gy1 - b.Corners[i].y) * k;
            EXPECT_TRUE(x >= -0.02 && x <= width + 0.02 && y >= -0.02 && y <= height + 0.02)
                << p["LabelString"] << " at page " << x << ", " << y << " outside 0 0 " << width << " "
                << height;
        }
        for (const LabelBox &other : shown)
            EXPECT_FALSE(BoxesOverlap(b, other)) << p["LabelString"];
        shown.push_back(b);
    }
    EXPECT_TRUE(hidden > 0 && !shown.empty());
    EXPECT_EQ(Count(svg, "<text "), shown.size());

    // The layout off: the same labels, without boxes, all drawn.
    config["LabelLayout"] = false;
    const Outcome off = RunParallo(dir, {"-", "-o", geojson, "--svg", svgPath, "--verbose"}, config.dump());
    EXPECT_TRUE(off.status == 0 && off.err.empty()) << off.err;
    const Json plain = Json::parse(ReadFile(geojson));
    EXPECT_FALSE(plain.contains("MapScale"));
    const auto plainLabels = OfKind(plain, "label");
    ASSERT_EQ(plainLabels.size(), labels.size());
    for (std::size_t i = 0; i < labels.size(); ++i) {
        Json f = *labels[i];
        for (const char *key : {"box", "hidden", "hiddenBecause", "yieldedTo"})
            f["properties"].erase(key);
        EXPECT_EQ(*plainLabels[i], f);
    }
    EXPECT_EQ(Count(ReadFile(svgPath), "<text "), labels.size());
}

TEST(Command, StandardStreamsHelpVersionAndBadCommandLines) {
    Scratch dir;
    const std::string sheet = Example("utm32n_sheet.json");
    const Outcome o = RunParallo(dir, {"-"}, ReadFile(sheet));
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(Json::parse(o.out)["type"], "FeatureCollection");
    const std::string help = RunParallo(dir, {"--help"}).out;
    for (const char *said : {"--svg", "--strict", "3 with --strict"})
        EXPECT_NE(help.find(said), std::string::npos) << said;
    EXPECT_EQ(RunParallo(dir, {"--version"}).out, std::string("parallo ") + PARALLO_VERSION_STRING + "\n");

    // A refused command line writes nothing and leaves an earlier output as it was.
    const std::string svg = dir.Write("out.svg", "earlier picture");
    const std::vector<std::string> bad[] = {
        {},
        {"--bogus", sheet},
        {sheet, "-o"},
        {dir.path + "/missing.json", "--svg", svg},
        {sheet, "--svg", dir.path + "/no/such/dir/x.svg"},
        {sheet, "-o", dir.path + "/same", "--svg", dir.path + "/same"},
        {sheet, "--svg", svg, "--time-limit", "-1"},
    };
    for (const auto &args : bad) {
        SCOPED_TRACE(::testing::PrintToString(args));
        const Outcome r = RunParallo(dir, args);
        EXPECT_EQ(r.status, 2) << r.err;
        EXPECT_TRUE(r.out.empty() && !r.err.empty());
    }
    EXPECT_EQ(ReadFile(svg), "earlier picture");
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"out.svg"}) << "no output, no temporary file";
}

TEST(Command, ARunPastItsTimeLimitGivesUpWithoutOutput) {
    // The graticule generated 49 times over takes a tenth of a second or more; a limit of one
    // millisecond passes long before the methods are through.
    Scratch dir;
    Json config = Json::parse(ReadFile(Example("laea_europe_graticule.json")));
    config["calls"] = Json::array({"CreateNeatline"});
    for (int i = 0; i < 49; ++i)
        config["calls"].push_back("CreateGridlines"), config["calls"].push_back("CreateLabels");
    const std::string path = dir.Write("slow.json", config.dump()), geojson = dir.path + "/slow.geojson";
    const Outcome o = RunParallo(dir, {path, "-o", geojson, "--time-limit", "0.001"});
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.err.find("time limit"), std::string::npos) << o.err;
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"slow.json"});
    EXPECT_EQ(RunParallo(dir, {path, "-o", geojson, "--time-limit", "0"}).status, 0)
        << "no limit: the run completes";
}

/// Runs the command in-process on a configuration given as standard input.
Outcome RunInProcess(const std::string &config, const std::vector<std::string> &flags = {}) {
    std::vector<const char *> argv = {"parallo", "-"};
    for (const std::string &f : flags)
        argv.push_back(f.c_str());
    std::istringstream in(config);
    std::ostringstream out, err;
    const int status = RunCommand(static_cast<int>(argv.size()), argv.data(), in, out, err);
    return Outcome{status, out.str(), err.str()};
}

/// A frame on UTM zone 32N with `extra` members.
std::string Utm(const std::string &corners, const std::string &extra) {
    return R"({"MapViewCoordSystem": "EPSG:32632", )" + corners + ", " + extra + "}";
}
const std::string kSheet =
    R"("NeatlineLowerLeft": [500000, 5400000], "NeatlineUpperRight": [510000, 5410000])";

// Each reported failure and each warning is one line on standard error; --strict gives status 3
// after a failure, never after a warning, and writes the same outputs.
TEST(Command, SaysWhatFailedOrLooksWrongInOneLineEach) {
    const std::string fail = "parallo: ", warn = "parallo: warning: ";
    const std::string budget =
        warn + "$.Interval: past the budget of 250 grid lines, beyond which CreateGridlines and "
               "CreateTicksCrosses draw nothing and CreateLabels fails: ";
    const std::string laea =
        R"("MapViewCoordSystem": "EPSG:3035", "NeatlineCoordSystem": "EPSG:4326", "NeatlineExtentsType": 1,
        "NeatlineLowerLeft": [4.5, 44.5], "NeatlineUpperRight": [15.5, 52.5], "calls": ["CreateNeatline", "CreateGridlines"])";
    const struct {
        const char *name;
        std::string config;
        std::vector<std::string> err;
    } cases[] = {
        // clang-format off
        // A stroke distance too small for a 16-bit point count: the neatline fails, and every
        // generator after it has no neatline to work on.
        {"stroking overflows", Utm(kSheet, R"("Interval": [1000, 1000], "bForceStroking": true, "NeatlineStrokeDistance": 0.001, "calls": ["CreateNeatline", "CreateGridlines"])"),
         {fail + "CreateNeatline: Overflow (see \"NeatlineStrokeDistance\")", fail + "CreateNeatline: Subscript out of range",
          fail + "CreateGridlines: Object variable or With block variable not set (no neatline: CreateNeatline failed)"}},
        // Edge labels of a geographic grid carry the corners across the 180° meridian test.
        {"a host's polygon without corners", R"({"MapViewCoordSystem": "EPSG:32632", "GridCoordSystem": {"definition": "EPSG:4326", "BaseStorageType": 1},
            "GridIntervalsType": 1, "Interval": [0.05, 0.05], "NeatlinePolygon": [[500000, 5400000], [505000, 5410000], [510000, 5400000]], "calls": ["CreateLabels"]})",
         {fail + "CreateLabels: Object variable or With block variable not set (set \"NeatlineLowerLeft\" and \"NeatlineUpperRight\")"}},
        {"corners in degrees on UTM", Utm(R"("NeatlineLowerLeft": [9, 48], "NeatlineUpperRight": [10, 49])", R"("Interval": [1, 1])"),
         {warn + "$.NeatlineLowerLeft, $.NeatlineUpperRight: the corners look like degrees (x within -180 to 180, y within -90 to 90), "
          "but the neatline system is projected and reads them as lengths in m; give them in m, or set \"NeatlineExtentsType\": 1 for longitude and latitude"}},
        // 10 km by 10 km every 10 m: 2000 lines; every 100 m 200, every 50 m 400.
        {"metres from the corners", Utm(kSheet, R"("Interval": [10, 10], "calls": ["CreateNeatline", "CreateGridlines"])"),
         {budget + "about 2000 lines; an interval of [100, 100] m would fit"}},
        // 50 000 by 40 000 US survey feet every 100 ft: 900 lines; every 500 ft 180, every 250 ft 360.
        {"the grid system's own feet", R"({"MapViewCoordSystem": "EPSG:2263", "NeatlineLowerLeft": [975000, 185000],
            "NeatlineUpperRight": [1025000, 225000], "Interval": [100, 100], "calls": ["CreateNeatline", "CreateTicksCrosses"]})",
         {budget + "about 900 lines; an interval of [500, 500] ftUS would fit"}},
        // 11° by 8° every 0.01°: 1900 lines; every 0.1° 190, every 0.05° 380.
        {"degrees of a graticule", "{" + laea + R"(, "GridCoordSystem": "EPSG:4326", "GridIntervalsType": 1, "Interval": [0.01, 0.01]})",
         {budget + "about 1900 lines; an interval of [0.1, 0.1] degree would fit"}},
        // The grid is the map view's: its extent is the neatline's in LAEA metres, about 1.78e6 m
        // across both axes (the command strokes the neatline along its parallels, whose arcs
        // reach beyond the corners), so every 10 km about 178 lines and every 5 km about 356.
        {"the map view's metres", "{" + laea + R"(, "Interval": [1000, 1000]})",
         {budget + "about 1779 lines; an interval of [10000, 10000] m would fit"}},
        // A grid system of its own: no extent at hand, the empty result tells.
        {"a system of its own", R"({"MapViewCoordSystem": "EPSG:3857", "GridCoordSystem": "EPSG:32632", "NeatlineCoordSystem": "EPSG:4326",
            "NeatlineExtentsType": 1, "NeatlineLowerLeft": [8, 48], "NeatlineUpperRight": [10, 50], "Interval": [100, 100], "calls": ["CreateNeatline", "CreateGridlines"]})",
         {budget + "CreateGridlines made nothing; choose a larger interval"}},
        // A label part given switches the default parts off: 11 values a side, labelled on four
        // sides, all as empty text.
        {"labels without a displayed part", Utm(kSheet, R"("Interval": [1000, 1000], "LabelPartUnit": {"bDisplay": false})"),
         {warn + "$.LabelPartA ... $.LabelPartHemisphere: no label part is displayed, so the 44 labels CreateLabels made "
          "are empty text; set \"bDisplay\": true on the parts to show, or give none of the LabelPart keys for the default parts"}},
        {"no side to mark", Utm(kSheet, R"("Interval": [1000, 1000], "GridType": "PXgtTicks", "PlaceLeftSideGridElements": false,
            "PlaceTopSideGridElements": false, "PlaceRightSideGridElements": false, "PlaceBottomSideGridElements": false)"),
         {warn + "$.PlaceLeftSideGridElements ... $.PlaceBottomSideGridElements: all four sides are false, so "
          "CreateTicksCrosses makes no tick and CreateLabels no label; set the sides to mark to true, or leave the four keys out"}},
        // Nothing reported: --strict changes nothing.
        {"clean", ReadFile(Example("utm32n_sheet.json")), {}},
        // clang-format on
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const Outcome plain = RunInProcess(c.config), strict = RunInProcess(c.config, {"--strict"});
        EXPECT_EQ(plain.status, 0);
        EXPECT_EQ(Lines(plain.err), c.err);
        const bool failed = !c.err.empty() && c.err[0].rfind(warn, 0) != 0;
        EXPECT_EQ(strict.status, failed ? 3 : 0);
        EXPECT_EQ(strict.err, plain.err);
        EXPECT_EQ(strict.out, plain.out) << "--strict writes the same outputs";
        std::vector<std::string> warnings;
        for (const std::string &line : c.err)
            if (line.rfind(warn, 0) == 0) warnings.push_back(line.substr(warn.size()));
        EXPECT_EQ(MakeFurniture(ReadConfig(ParseJson(c.config)).options).Warnings, warnings)
            << "the plain front warns as the command does";
    }
}

TEST(SmallestRoundInterval, KeepsBothAxesWithinTheBudgetAsTheGeneratorsCount) {
    const struct {
        double dx, dy, interval;
    } cases[] = {
        {25000, 0, 100},     // exactly 250 lines still draw
        {25050, 0, 100},     // 250.5 rounds half to even: 250
        {25150, 0, 200},     // 251.5 rounds to 252
        {600, 0, 2.5},       // 2 gives 300, 2.5 gives 240
        {10000, 10000, 100}, // 100 + 100
        {0.19, 0.14, 0.002}, // a decade below 1: 95 + 70 lines
        {0, 0, 0},           // no extent, no advice
    };
    for (const auto &c : cases)
        EXPECT_EQ(SmallestRoundInterval(c.dx, c.dy), c.interval) << c.dx << " x " << c.dy;
}

TEST(Command, TruncatedConfigurationsNeverCrash) {
    // Every prefix of a valid configuration is refused with status 2 and no output.
    const std::string text = ReadFile(Example("stateplane_ny_feet.json"));
    for (std::size_t n = 0; n < text.size(); n += 23) {
        const Outcome o = RunInProcess(text.substr(0, n));
        EXPECT_EQ(o.status, 2) << n << ": " << o.err;
        EXPECT_EQ(o.out, "");
    }
}

} // namespace
} // namespace cli
} // namespace parallo
