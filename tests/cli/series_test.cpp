// The map series command, run as a user runs it: a series across two UTM zones gives every sheet
// the bytes the single command gives for that sheet's own frame, whatever the thread count; a
// broken sheet is reported and the others are written; up-to-date sheets are skipped.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include "config_json.h"
#include "series.h"

namespace parallo {
namespace cli {
namespace {

namespace fs = std::filesystem;

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

void WriteFile(const std::string &path, const std::string &text) {
    std::ofstream(path, std::ios::binary) << text;
}

struct Outcome {
    int status = -1;
    std::string err;
};

/// Runs the built command with `args`; standard error is kept.
Outcome RunParallo(const std::vector<std::string> &args, const std::string &scratch) {
    std::string command = Quote(PARALLO_CLI_COMMAND);
    for (const std::string &a : args)
        command += " " + Quote(a);
    const std::string err = scratch + "/.stderr";
    const int raw = std::system((command + " >/dev/null 2>" + Quote(err)).c_str());
    Outcome o{WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw), ReadFile(err)};
    std::remove(err.c_str());
    return o;
}

/// A 1:25,000-like base: each sheet in the UTM zone of its centre, geographic corners, a 1 km
/// grid with ticks and labels.
const char *const kBase = R"({
  "MapViewCoordSystem": "UTM",
  "NeatlineExtentsType": "kExtentGeographic",
  "NeatlineStrokeDistance": 0.01,
  "Interval": [1000, 1000],
  "GridType": "PXgtTicks",
  "TickLength": 150,
  "BorderOffsetLeft": 500, "BorderOffsetRight": 500, "BorderOffsetTop": 500, "BorderOffsetBottom": 500,
  "LabelOffset": 100,
  "MagnitudeAB": 5, "MagnitudeBC": 3,
  "PlaceLeftSideGridElements": true, "PlaceRightSideGridElements": true,
  "PlaceTopSideGridElements": true, "PlaceBottomSideGridElements": true,
  "LabelPartB": {"bDisplay": true, "Font": {"Name": "DejaVu Sans", "Size": 9}},
  "MapScale": 25000
})";

constexpr int kColumns = 10, kRows = 5;
constexpr double kWest = 11.5, kSouth = 47.0, kStep = 0.1;

std::string SheetId(int row, int col) { return "N" + std::to_string(row) + "E" + std::to_string(col); }

/// 50 sheets of 0.1° from 11.5° E to 12.5° E: the western half in zone 32, the eastern in 33.
std::string Index50() {
    Json features = Json::array();
    for (int row = 0; row < kRows; ++row)
        for (int col = 0; col < kColumns; ++col) {
            const double x0 = kWest + kStep * col, y0 = kSouth + kStep * row;
            const double x1 = x0 + kStep, y1 = y0 + kStep;
            Json ring = Json::array({Json::array({x0, y0}), Json::array({x1, y0}), Json::array({x1, y1}),
                                     Json::array({x0, y1}), Json::array({x0, y0})});
            features.push_back(
                Json{{"type", "Feature"},
                     {"id", SheetId(row, col)},
                     {"properties", Json::object()},
                     {"geometry", {{"type", "Polygon"}, {"coordinates", Json::array({ring})}}}});
        }
    Json index = {{"type", "FeatureCollection"},
                  {"crs", {{"type", "name"}, {"properties", {{"name", "EPSG:4326"}}}}},
                  {"features", features}};
    return index.dump();
}

/// Every regular file under `dir` (names relative to it) with its bytes.
std::vector<std::pair<std::string, std::string>> Files(const std::string &dir) {
    std::vector<std::pair<std::string, std::string>> files;
    for (const auto &entry : fs::directory_iterator(dir))
        files.emplace_back(entry.path().filename().string(), ReadFile(entry.path().string()));
    std::sort(files.begin(), files.end());
    return files;
}

class SeriesTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        char name[] = "/tmp/parallo-series-test-XXXXXX";
        ASSERT_NE(::mkdtemp(name), nullptr);
        dir_ = name;
        WriteFile(dir_ + "/base.json", kBase);
        WriteFile(dir_ + "/index.geojson", Index50());
        const Outcome o = RunParallo(
            {"series", dir_ + "/base.json", dir_ + "/index.geojson", "-o", dir_ + "/j2", "-j", "2"}, dir_);
        ASSERT_EQ(o.status, 0) << o.err;
    }
    static void TearDownTestSuite() { std::system(("rm -rf " + Quote(dir_)).c_str()); }

    static std::string dir_;
};

std::string SeriesTest::dir_;

TEST_F(SeriesTest, EverySheetIsTheSingleCommandOnItsOwnFrame) {
    // The single configuration is written here by hand, not by the series code: the sheet's
    // corners as the index gives them (geographic corners read in degrees) and its zone as the
    // longitude of its centre says (12° E is the boundary of zones 32 and 33).
    const Json base = ParseJson(kBase);
    int zone32 = 0, zone33 = 0;
    for (int row = 0; row < kRows; ++row)
        for (int col = 0; col < kColumns; ++col) {
            const double x0 = kWest + kStep * col, y0 = kSouth + kStep * row;
            Json single = base;
            const bool west = x0 + kStep / 2 < 12.0;
            (west ? zone32 : zone33)++;
            single["MapViewCoordSystem"] = west ? "EPSG:32632" : "EPSG:32633";
            single["NeatlineLowerLeft"] = Json::array({x0, y0});
            single["NeatlineUpperRight"] = Json::array({x0 + kStep, y0 + kStep});
            const std::string config = dir_ + "/single.json", out = dir_ + "/single";
            WriteFile(config, single.dump());
            const Outcome o = RunParallo({config, "-o", out + ".geojson", "--svg", out + ".svg"}, dir_);
            ASSERT_EQ(o.status, 0) << o.err;
            const std::string sheet = dir_ + "/j2/" + SheetId(row, col);
            EXPECT_EQ(ReadFile(sheet + ".geojson"), ReadFile(out + ".geojson")) << SheetId(row, col);
            EXPECT_EQ(ReadFile(sheet + ".svg"), ReadFile(out + ".svg")) << SheetId(row, col);
        }
    EXPECT_EQ(zone32, 25);
    EXPECT_EQ(zone33, 25);
    const Json summary = Json::parse(ReadFile(dir_ + "/j2/summary.json"));
    EXPECT_EQ(summary["ok"], 50);
    EXPECT_EQ(summary["results"].size(), 50u);
}

TEST_F(SeriesTest, OneThreadAndThreeThreadsWriteTheSameFiles) {
    const Outcome o = RunParallo(
        {"series", dir_ + "/base.json", dir_ + "/index.geojson", "-o", dir_ + "/j1", "-j", "1"}, dir_);
    ASSERT_EQ(o.status, 0) << o.err;
    const Outcome o3 = RunParallo(
        {"series", dir_ + "/base.json", dir_ + "/index.geojson", "-o", dir_ + "/j3", "-j", "3", "--force"},
        dir_);
    ASSERT_EQ(o3.status, 0) << o3.err;
    const auto one = Files(dir_ + "/j1"), two = Files(dir_ + "/j2"), three = Files(dir_ + "/j3");
    ASSERT_EQ(one.size(), 101u) << "two files per sheet and the summary";
    EXPECT_TRUE(one == two);
    EXPECT_TRUE(one == three);
}

TEST_F(SeriesTest, BrokenSheetsAreReportedAndTheOthersWritten) {
    // Ids that would name a file outside the directory, or no file at all, a bad key, a sheet
    // without corners, a duplicate and a feature that is no polygon, among two good sheets.
    const std::string good = R"({"type": "Polygon", "coordinates": [[[11.5, 47.0], [11.6, 47.1]]]})";
    const std::string index =
        R"({"type": "FeatureCollection", "crs": {"type": "name", "properties": {"name": "EPSG:4326"}},
      "features": [
        {"type": "Feature", "id": "ok1", "properties": {}, "geometry": )" +
        good + R"(},
        {"type": "Feature", "id": "../escape", "properties": {}, "geometry": )" +
        good + R"(},
        {"type": "Feature", "id": "a/b", "properties": {}, "geometry": )" +
        good + R"(},
        {"type": "Feature", "id": "tab\there", "properties": {}, "geometry": )" +
        good + R"(},
        {"type": "Feature", "properties": {"sheet": "badkey", "Interval": "wide"}, "geometry": )" +
        good + R"(},
        {"type": "Feature", "id": "nocorners", "properties": {}, "geometry": null},
        {"type": "Feature", "id": "ok1", "properties": {}, "geometry": )" +
        good + R"(},
        {"type": "Feature", "id": "line", "geometry": {"type": "LineString", "coordinates": [[0, 0], [1, 1]]}},
        {"type": "Feature", "id": 7, "properties": {"TickLength": 90}, "geometry": )" +
        good + R"(}
      ]})";
    WriteFile(dir_ + "/broken.geojson", index);
    const std::string out = dir_ + "/broken";
    const Outcome o =
        RunParallo({"series", dir_ + "/base.json", dir_ + "/broken.geojson", "-o", out, "-j", "2"}, dir_);
    EXPECT_EQ(o.status, kExitSheetFailed) << o.err;
    std::vector<std::string> names;
    for (const auto &f : Files(out))
        names.push_back(f.first);
    EXPECT_EQ(names,
              (std::vector<std::string>{"7.geojson", "7.svg", "ok1.geojson", "ok1.svg", "summary.json"}));
    EXPECT_FALSE(fs::exists(dir_ + "/escape.geojson"));
    const Json summary = Json::parse(ReadFile(out + "/summary.json"));
    const std::vector<std::string> expected = {"ok",      "refused", "refused", "refused", "refused",
                                               "refused", "refused", "refused", "ok"};
    ASSERT_EQ(summary["results"].size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(summary["results"][i]["status"], expected[i]) << summary["results"][i].dump();
        EXPECT_EQ(summary["results"][i]["failures"].empty(), expected[i] == "ok")
            << summary["results"][i].dump();
    }
    EXPECT_NE(summary["results"][4]["failures"][0].get<std::string>().find("$.Interval"), std::string::npos);
    // One line per failed sheet and one line that counts them.
    EXPECT_EQ(std::count(o.err.begin(), o.err.end(), '\n'), 8) << o.err;

    // Run again: the written sheets are skipped, each with its own previous status, not that of
    // the refused duplicate of its id.
    const Outcome again =
        RunParallo({"series", dir_ + "/base.json", dir_ + "/broken.geojson", "-o", out, "-j", "2"}, dir_);
    EXPECT_EQ(std::count(again.err.begin(), again.err.end(), '\n'), 8) << again.err;
    const Json first = Json::parse(ReadFile(out + "/summary.json"))["results"][0];
    EXPECT_EQ(first["status"], "skipped") << first.dump();
    EXPECT_EQ(first["previous"], "ok") << first.dump();
}

TEST_F(SeriesTest, UpToDateSheetsAreSkippedUnlessForced) {
    const std::string out = dir_ + "/skip", base = dir_ + "/base.json", index = dir_ + "/index.geojson";
    ASSERT_EQ(RunParallo({"series", base, index, "-o", out}, dir_).status, 0);
    const std::string sheet = out + "/N0E0.geojson";
    const std::string fresh = ReadFile(sheet);
    WriteFile(sheet, "edited");
    EXPECT_EQ(RunParallo({"series", base, index, "-o", out}, dir_).status, 0);
    EXPECT_EQ(ReadFile(sheet), "edited") << "newer than BASE and INDEX: skipped";
    EXPECT_EQ(Json::parse(ReadFile(out + "/summary.json"))["skipped"], 50);

    // A missing file makes its sheet run again.
    fs::remove(out + "/N0E1.svg");
    EXPECT_EQ(RunParallo({"series", base, index, "-o", out}, dir_).status, 0);
    EXPECT_TRUE(fs::exists(out + "/N0E1.svg"));
    EXPECT_EQ(ReadFile(sheet), "edited");

    EXPECT_EQ(RunParallo({"series", base, index, "-o", out, "--force"}, dir_).status, 0);
    EXPECT_EQ(ReadFile(sheet), fresh);

    // A BASE newer than the outputs runs every sheet again.
    WriteFile(sheet, "edited");
    const timespec later[2] = {{0, UTIME_OMIT}, {std::time(nullptr) + 60, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, base.c_str(), later, 0), 0);
    EXPECT_EQ(RunParallo({"series", base, index, "-o", out}, dir_).status, 0);
    EXPECT_EQ(ReadFile(sheet), fresh);
    EXPECT_EQ(Json::parse(ReadFile(out + "/summary.json"))["ok"], 50);
    const timespec now[2] = {{0, UTIME_OMIT}, {0, UTIME_NOW}};
    ::utimensat(AT_FDCWD, base.c_str(), now, 0);
}

TEST_F(SeriesTest, ASheetAcrossThe180DegreeMeridianTakesItsOwnZoneAndWidth) {
    // 0.2° from 179.9°E to 179.9°W: its corners are the short way round (about 22 km wide at
    // 10°S), not the 359.8° between its extreme longitudes, and its centre picks zone 1.
    Json ring =
        Json::array({Json::array({179.9, -10.1}), Json::array({-179.9, -10.1}), Json::array({-179.9, -10.0}),
                     Json::array({179.9, -10.0}), Json::array({179.9, -10.1})});
    Json index = {
        {"type", "FeatureCollection"},
        {"crs", {{"type", "name"}, {"properties", {{"name", "EPSG:4326"}}}}},
        {"features",
         Json::array({Json{{"type", "Feature"},
                           {"id", "pacific"},
                           {"properties", Json::object()},
                           {"geometry", {{"type", "Polygon"}, {"coordinates", Json::array({ring})}}}}})}};
    WriteFile(dir_ + "/pacific.geojson", index.dump());
    const Outcome o =
        RunParallo({"series", dir_ + "/base.json", dir_ + "/pacific.geojson", "-o", dir_ + "/pacific"}, dir_);
    ASSERT_EQ(o.status, 0) << o.err;
    const Json out = Json::parse(ReadFile(dir_ + "/pacific/pacific.geojson"));
    EXPECT_EQ(out["crs"]["properties"]["name"], "EPSG:32701") << "the zone of the sheet's centre, 180°";
    double minX = HUGE_VAL, maxX = -HUGE_VAL;
    for (const Json &f : out["features"])
        if (f["properties"]["kind"] == "neatline")
            for (const Json &p : f["geometry"]["coordinates"][0]) {
                minX = std::min(minX, p[0].get<double>());
                maxX = std::max(maxX, p[0].get<double>());
            }
    // Zone 1's central meridian is 177°W: the sheet lies some 330 km west of it, 22 km wide.
    EXPECT_NEAR(maxX - minX, 22000.0, 1000.0) << "the sheet's width in zone 1, metres";
}

TEST(SeriesUtmZone, ZoneOfTheCentre) {
    struct Case {
        double lon, lat;
        const char *zone;
    } cases[] = {
        {11.99, 47.0, "EPSG:32632"},  {12.0, 47.0, "EPSG:32633"},  // a zone starts on its meridian
        {-0.01, -33.0, "EPSG:32730"}, {0.0, -0.0, "EPSG:32631"},   // south of the equator: 327zz
        {-180.0, 10.0, "EPSG:32601"}, {180.0, 10.0, "EPSG:32601"}, // the antimeridian is zone 1
        {179.99, 10.0, "EPSG:32660"}, {5.0, 60.0, "EPSG:32632"},   // south-western Norway: 32V
        {5.0, 55.9, "EPSG:32631"},    {8.9, 78.0, "EPSG:32631"},   // Svalbard: 31X, 33X, 35X, 37X
        {9.0, 78.0, "EPSG:32633"},    {40.0, 80.0, "EPSG:32637"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(UtmDefinition(c.lon, c.lat), c.zone) << c.lon << ", " << c.lat;
}

} // namespace
} // namespace cli
} // namespace parallo
