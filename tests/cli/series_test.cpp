// The map series command, run as a user runs it: a series across two UTM zones gives every sheet
// the bytes the single command gives for that sheet's own frame, whatever the thread count; a
// broken sheet is reported and the others are written; up-to-date sheets are skipped.
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "cli/command_runs.h"
#include "config_json.h"
#include "series.h"

namespace parallo {
namespace cli {
namespace {

using namespace parallo_cli_test;
namespace fs = std::filesystem;

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

/// An index in longitude and latitude of sheets {id, ring}.
std::string Index(const std::vector<std::pair<std::string, Json>> &sheets) {
    Json features = Json::array();
    for (const auto &[id, ring] : sheets)
        features.push_back({{"type", "Feature"},
                            {"id", id},
                            {"properties", Json::object()},
                            {"geometry", {{"type", "Polygon"}, {"coordinates", Json::array({ring})}}}});
    return Json{{"type", "FeatureCollection"},
                {"crs", {{"type", "name"}, {"properties", {{"name", "EPSG:4326"}}}}},
                {"features", features}}
        .dump();
}

Json Ring(double x0, double y0, double x1, double y1) {
    return Json::array({{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}, {x0, y0}});
}

/// One series of 50 sheets of 0.1° from 11.5° E to 12.5° E, the western half in zone 32, the
/// eastern in 33, written with two threads into j2.
class SeriesTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = std::make_unique<Scratch>();
        dir_->Write("base.json", kBase);
        std::vector<std::pair<std::string, Json>> sheets;
        for (int row = 0; row < kRows; ++row)
            for (int col = 0; col < kColumns; ++col) {
                const double x0 = kWest + kStep * col, y0 = kSouth + kStep * row;
                sheets.emplace_back(SheetId(row, col), Ring(x0, y0, x0 + kStep, y0 + kStep));
            }
        const Outcome o = Series({Path("index.geojson", Index(sheets)), "-o", Path("j2"), "-j", "2"});
        ASSERT_EQ(o.status, 0) << o.err;
    }
    static void TearDownTestSuite() { dir_.reset(); }

    /// The path of `name` in the scratch directory, after writing `text` to it when given.
    static std::string Path(const std::string &name, const std::string &text = "") {
        return text.empty() ? dir_->path + "/" + name : dir_->Write(name, text);
    }
    /// `parallo series BASE` with the base above, then `args`.
    static Outcome Series(std::vector<std::string> args) {
        args.insert(args.begin(), {"series", Path("base.json")});
        return RunParallo(*dir_, args);
    }
    static std::unique_ptr<Scratch> dir_;
};

std::unique_ptr<Scratch> SeriesTest::dir_;

/// Every file of `dir` with its bytes, by name.
std::vector<std::pair<std::string, std::string>> Files(const std::string &dir) {
    std::vector<std::pair<std::string, std::string>> files;
    for (const auto &entry : fs::directory_iterator(dir))
        files.emplace_back(entry.path().filename().string(), ReadFile(entry.path().string()));
    std::sort(files.begin(), files.end());
    return files;
}

TEST_F(SeriesTest, EverySheetIsTheSingleCommandOnItsOwnFrame) {
    // The single configuration is written here by hand, not by the series code: the sheet's
    // corners as the index gives them (geographic corners read in degrees) and its zone as the
    // longitude of its centre says (12° E is the boundary of zones 32 and 33).
    Json single = ParseJson(kBase);
    int zone32 = 0;
    for (int row = 0; row < kRows; ++row)
        for (int col = 0; col < kColumns; ++col) {
            SCOPED_TRACE(SheetId(row, col));
            const double x0 = kWest + kStep * col, y0 = kSouth + kStep * row;
            const bool west = x0 + kStep / 2 < 12.0;
            zone32 += west;
            single["MapViewCoordSystem"] = west ? "EPSG:32632" : "EPSG:32633";
            single["NeatlineLowerLeft"] = Json::array({x0, y0});
            single["NeatlineUpperRight"] = Json::array({x0 + kStep, y0 + kStep});
            const std::string out = Path("single"), sheet = Path("j2/" + SheetId(row, col));
            const Outcome o = RunParallo(
                *dir_, {Path("single.json", single.dump()), "-o", out + ".geojson", "--svg", out + ".svg"});
            ASSERT_EQ(o.status, 0) << o.err;
            EXPECT_EQ(ReadFile(sheet + ".geojson"), ReadFile(out + ".geojson"));
            EXPECT_EQ(ReadFile(sheet + ".svg"), ReadFile(out + ".svg"));
        }
    EXPECT_EQ(zone32, 25);
    const Json summary = Json::parse(ReadFile(Path("j2/summary.json")));
    EXPECT_EQ(summary["ok"], 50);
    EXPECT_EQ(summary["results"].size(), 50u);
}

TEST_F(SeriesTest, OneThreadAndThreeThreadsWriteTheSameFiles) {
    ASSERT_EQ(Series({Path("index.geojson"), "-o", Path("j1"), "-j", "1"}).status, 0);
    ASSERT_EQ(Series({Path("index.geojson"), "-o", Path("j3"), "-j", "3", "--force"}).status, 0);
    const auto one = Files(Path("j1"));
    ASSERT_EQ(one.size(), 101u) << "two files per sheet and the summary";
    EXPECT_TRUE(one == Files(Path("j2")));
    EXPECT_TRUE(one == Files(Path("j3")));
}

TEST_F(SeriesTest, BrokenSheetsAreReportedAndTheOthersWritten) {
    // Ids that would name a file outside the directory, or no file at all, a bad key, a sheet
    // without corners, a duplicate and a feature that is no polygon, among two good sheets.
    std::string index =
        R"({"type": "FeatureCollection", "crs": {"type": "name", "properties": {"name": "EPSG:4326"}},
      "features": [
        {"type": "Feature", "id": "ok1", "properties": {}, "geometry": GOOD},
        {"type": "Feature", "id": "../escape", "properties": {}, "geometry": GOOD},
        {"type": "Feature", "id": "a/b", "properties": {}, "geometry": GOOD},
        {"type": "Feature", "id": "tab\there", "properties": {}, "geometry": GOOD},
        {"type": "Feature", "properties": {"sheet": "badkey", "Interval": "wide"}, "geometry": GOOD},
        {"type": "Feature", "id": "nocorners", "properties": {}, "geometry": null},
        {"type": "Feature", "id": "ok1", "properties": {}, "geometry": GOOD},
        {"type": "Feature", "id": "line", "geometry": {"type": "LineString", "coordinates": [[0, 0], [1, 1]]}},
        {"type": "Feature", "id": 7, "properties": {"TickLength": 90}, "geometry": GOOD}
      ]})";
    for (std::size_t at; (at = index.find("GOOD")) != std::string::npos;)
        index.replace(at, 4, R"({"type": "Polygon", "coordinates": [[[11.5, 47.0], [11.6, 47.1]]]})");
    const Outcome o = Series({Path("broken.geojson", index), "-o", Path("broken"), "-j", "2"});
    EXPECT_EQ(o.status, kExitSheetFailed) << o.err;
    std::vector<std::string> names;
    for (const auto &f : Files(Path("broken")))
        names.push_back(f.first);
    EXPECT_EQ(names,
              (std::vector<std::string>{"7.geojson", "7.svg", "ok1.geojson", "ok1.svg", "summary.json"}));
    EXPECT_FALSE(fs::exists(Path("escape.geojson")));
    const Json summary = Json::parse(ReadFile(Path("broken/summary.json")));
    ASSERT_EQ(summary["results"].size(), 9u);
    for (std::size_t i = 0; i < 9; ++i) {
        const bool ok = i == 0 || i == 8;
        EXPECT_EQ(summary["results"][i]["status"], ok ? "ok" : "refused") << summary["results"][i].dump();
        EXPECT_EQ(summary["results"][i]["failures"].empty(), ok) << summary["results"][i].dump();
    }
    EXPECT_NE(summary["results"][4]["failures"][0].get<std::string>().find("$.Interval"), std::string::npos);
    // One line per failed sheet and one line that counts them.
    EXPECT_EQ(std::count(o.err.begin(), o.err.end(), '\n'), 8) << o.err;

    // Run again: the written sheets are skipped, each with its own previous status, not that of
    // the refused duplicate of its id.
    const Outcome again = Series({Path("broken.geojson"), "-o", Path("broken"), "-j", "2"});
    EXPECT_EQ(std::count(again.err.begin(), again.err.end(), '\n'), 8) << again.err;
    const Json first = Json::parse(ReadFile(Path("broken/summary.json")))["results"][0];
    EXPECT_EQ(first["status"], "skipped") << first.dump();
    EXPECT_EQ(first["previous"], "ok") << first.dump();
}

TEST_F(SeriesTest, UpToDateSheetsAreSkippedUnlessForced) {
    const std::vector<std::string> args = {Path("index.geojson"), "-o", Path("skip")};
    const auto series = [&](const std::vector<std::string> &more) {
        std::vector<std::string> all = args;
        all.insert(all.end(), more.begin(), more.end());
        EXPECT_EQ(Series(all).status, 0);
        return Json::parse(ReadFile(Path("skip/summary.json")));
    };
    series({});
    const std::string sheet = Path("skip/N0E0.geojson"), fresh = ReadFile(sheet);
    dir_->Write("skip/N0E0.geojson", "edited");
    EXPECT_EQ(series({})["skipped"], 50);
    EXPECT_EQ(ReadFile(sheet), "edited") << "newer than BASE and INDEX: skipped";

    // A missing file makes its sheet run again.
    fs::remove(Path("skip/N0E1.svg"));
    series({});
    EXPECT_TRUE(fs::exists(Path("skip/N0E1.svg")));
    EXPECT_EQ(ReadFile(sheet), "edited");
    series({"--force"});
    EXPECT_EQ(ReadFile(sheet), fresh);

    // A BASE newer than the outputs runs every sheet again.
    dir_->Write("skip/N0E0.geojson", "edited");
    const timespec later[2] = {{0, UTIME_OMIT}, {std::time(nullptr) + 60, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, Path("base.json").c_str(), later, 0), 0);
    EXPECT_EQ(series({})["ok"], 50);
    EXPECT_EQ(ReadFile(sheet), fresh);
}

TEST_F(SeriesTest, ASheetAcrossThe180DegreeMeridianTakesItsOwnZoneAndWidth) {
    // 0.2° from 179.9°E to 179.9°W: its corners are the short way round (about 22 km wide at
    // 10°S), not the 359.8° between its extreme longitudes, and its centre picks zone 1.
    const Json ring =
        Json::array({{179.9, -10.1}, {-179.9, -10.1}, {-179.9, -10.0}, {179.9, -10.0}, {179.9, -10.1}});
    const Outcome o = Series({Path("pacific.geojson", Index({{"pacific", ring}})), "-o", Path("pacific")});
    ASSERT_EQ(o.status, 0) << o.err;
    const Json out = Json::parse(ReadFile(Path("pacific/pacific.geojson")));
    EXPECT_EQ(out["crs"]["properties"]["name"], "EPSG:32701") << "the zone of the sheet's centre, 180°";
    double minX = HUGE_VAL, maxX = -HUGE_VAL;
    for (const Json &p : out["features"][0]["geometry"]["coordinates"][0])
        minX = std::min(minX, p[0].get<double>()), maxX = std::max(maxX, p[0].get<double>());
    // Zone 1's central meridian is 177°W: the sheet lies some 330 km west of it, 22 km wide.
    EXPECT_EQ(out["features"][0]["properties"]["kind"], "neatline");
    EXPECT_NEAR(maxX - minX, 22000.0, 1000.0) << "the sheet's width in zone 1, metres";
}

TEST(SeriesUtmZone, ZoneOfTheCentre) {
    const struct {
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
    for (const auto &c : cases)
        EXPECT_EQ(UtmDefinition(c.lon, c.lat), c.zone) << c.lon << ", " << c.lat;
}

} // namespace
} // namespace cli
} // namespace parallo
