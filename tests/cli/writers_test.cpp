// The GeoJSON and SVG writers and the whole-or-nothing output, on hand-made results.
#include <cmath>
#include <string>
#include <thread>

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "cli/command_runs.h"
#include "config.h"
#include "geojson.h"
#include "json_text.h"
#include "output.h"
#include "run.h"
#include "service/state.h"
#include "svg.h"

namespace parallo {
namespace cli {
namespace {

using namespace parallo_cli_test;

Frame SmallFrame() { return ReadConfig(ParseJson(R"({"MapViewCoordSystem": "EPSG:32632", "calls": []})")); }

std::shared_ptr<shapekit::PolygonGeometry> Polygon(std::initializer_list<shapekit::Point> points) {
    auto polygon = std::make_shared<shapekit::PolygonGeometry>();
    for (const auto &p : points)
        polygon->Points().Add(p);
    return polygon;
}

std::shared_ptr<LabelPartCls> Part(bool display, pxgrdFontType type = pxgrdFontType_Normal,
                                   double size = 0.0) {
    auto part = std::make_shared<LabelPartCls>();
    part->SetbDisplay(display);
    part->SetFontType(type);
    if (size > 0.0) {
        part->SetFont(std::make_shared<StdFont>());
        part->Font()->Size = size;
    }
    return part;
}

TEST(GeoJsonWriter, RingsCloseOnceHeightsOnlyWhenThereAndNumbersReadBackExactly) {
    for (auto polygon : {Polygon({{0, 0}, {1, 0}, {1, 1}}), Polygon({{0, 0}, {1, 0}, {1, 1}, {0, 0}})})
        EXPECT_EQ(GeometryJson(polygon.get())["coordinates"],
                  Json::parse("[[[0, 0], [1, 0], [1, 1], [0, 0]]]"));
    shapekit::LineGeometry line({1, 2}, {3, 4, 5});
    EXPECT_EQ(GeometryJson(&line)["coordinates"], Json::parse("[[1, 2], [3, 4, 5]]"));

    Frame frame = SmallFrame();
    const double awkward[] = {0.1 + 0.2,
                              1.0 / 3.0,
                              123456789.12345678,
                              5e-324,
                              -1.7976931348623157e308,
                              std::nextafter(500000.0, 1e9)};
    auto polygon = std::make_shared<shapekit::PolygonGeometry>();
    for (double v : awkward)
        polygon->Points().Add(shapekit::Point(v, -v));
    frame.service->SetNeatlinePolygon(polygon);
    const Json ring =
        Json::parse(WriteGeoJson(frame, RunResult()))["features"][0]["geometry"]["coordinates"][0];
    for (std::size_t i = 0; i < std::size(awkward); ++i)
        EXPECT_EQ(ring[i], Json::array({awkward[i], -awkward[i]})) << i;
}

// The GeoJSON writer streams its text; it must be Json::dump's to the byte, as the outputs of
// earlier versions and the --rfc7946 form (which reads the collection back) depend on it.
TEST(JsonText, NumbersAndStringsAsJsonDumpWritesThem) {
    const struct {
        double value;
        const char *text;
    } numbers[] = {
        {0.0, "0.0"}, // zero keeps its sign and looks like a floating-point number
        {-0.0, "-0.0"},
        {1.0, "1.0"}, // whole numbers below 1e15 get ".0"
        {-42.0, "-42.0"},
        {999999999999999.0, "999999999999999.0"},
        {6378137.0, "6378137.0"},
        {1e15, "1e+15"}, // from 1e15 on, an exponent of at least two digits with its sign
        {1e21, "1e+21"},
        {1e22, "1e+22"},
        {123456789012345680.0, "1.2345678901234568e+17"},
        {-1.7976931348623157e308, "-1.7976931348623157e+308"},
        {0.0001, "0.0001"},
        {1e-5, "1e-05"},
        {1e-7, "1e-07"},
        {5e-324, "5e-324"},
        {0.1, "0.1"},
        {0.1 + 0.2, "0.30000000000000004"},
        {1.0 / 3.0, "0.3333333333333333"},
        {20037508.342789244, "20037508.342789244"},
        // Reads back to the same double as the shortest text "413751.05702950153" does: the
        // digits are those of the tree's conversion, not of std::to_chars.
        {413751.05702950154, "413751.05702950154"},
        {std::nan(""), "null"},
        {-HUGE_VAL, "null"},
    };
    for (const auto &c : numbers) {
        std::string out;
        AppendJsonNumber(out, c.value);
        EXPECT_EQ(out, c.text);
        EXPECT_EQ(out, Json(c.value).dump()) << c.text;
    }
    const std::string strings[] = {
        "",
        "54°N 12°30′E 𝄞",
        "\"quoted\" back\\slash /",
        "\b\t\n\f\r",
        std::string("\0\x01\x1f\x7f", 4),
        "\xff",                      // no UTF-8 lead byte
        "ab\xc3",                    // a sequence cut short at the end
        "\xe2\x80x",                 // ... and in the middle
        "\xc0\xaf",                  // an overlong "/"
        "\xed\xa0\x80",              // a surrogate
        "\xf4\x90\x80\x80 \xf0\x8f", // beyond U+10FFFF, an overlong four-byte start
    };
    for (const std::string &s : strings) {
        std::string out = "x";
        AppendJsonString(out, s);
        EXPECT_EQ(out, "x" + Json(s).dump(-1, ' ', false, Json::error_handler_t::replace)) << out;
    }
}

TEST(GeoJsonWriter, CallsWithTheirReportsAndFeaturesByKind) {
    Frame frame = SmallFrame();
    detail::ServiceState &s = detail::StateAccess::Of(*frame.service);
    s.NeatlinePolygon = Polygon({{0, 0}, {0, 10}, {10, 10}, {10, 0}});
    s.BorderPolygon = Polygon({{-1, -1}, {-1, 11}, {11, 11}, {11, -1}});
    s.LabelsCollection = std::make_shared<GridLabels>();
    auto label = s.LabelsCollection->Add("5N");
    label->Origin = std::make_shared<shapekit::Point>(5, 10.5);
    label->HorizontalJustification = drawkit::kTextCentredOnOrigin;
    RunResult result;
    result.gridlines = std::make_shared<shapekit::GeometryCollection>();
    result.gridlines->Add(
        std::make_shared<shapekit::LineGeometry>(shapekit::Point(5, 0), shapekit::Point(5, 10)));
    result.crosses = std::make_shared<shapekit::GeometryCollection>();
    for (int i = 0; i < 2; ++i)
        result.crosses->Add(
            std::make_shared<shapekit::LineGeometry>(shapekit::Point(4, 5), shapekit::Point(6, 5)));
    CallRecord call{"CreateGridlines", 1, {}, 0, Json::object()};
    call.errors.push_back(Report{"Division by zero", "In Create_Gridlines", "Create_Gridlines Error"});
    result.calls.push_back(call);
    result.calls.push_back(CallRecord{"CalcGridInterval", std::nullopt, {}, 0, Json{{"dInterval", 1000.0}}});

    const Json doc = Json::parse(WriteGeoJson(frame, result));
    EXPECT_EQ(doc["crs"]["properties"]["name"], "EPSG:32632");
    ASSERT_EQ(doc["calls"].size(), 2u);
    EXPECT_EQ(doc["calls"][0]["RetVal"], 1);
    EXPECT_EQ(doc["calls"][0]["errors"], Json::parse(R"([{"description": "Division by zero",
        "trace": "In Create_Gridlines", "procedure": "Create_Gridlines Error"}])"));
    EXPECT_TRUE(doc["calls"][1]["RetVal"].is_null()); // a method without RetVal
    EXPECT_EQ(doc["calls"][1]["dInterval"], 1000.0);
    std::vector<std::string> kinds;
    for (const Json &f : doc["features"])
        kinds.push_back(f["properties"]["kind"]);
    EXPECT_EQ(kinds, (std::vector<std::string>{"neatline", "border", "gridline", "cross", "cross", "label"}));
    const Json &l = doc["features"][5];
    EXPECT_EQ(l["geometry"]["coordinates"], Json::array({5.0, 10.5}));
    EXPECT_EQ(l["properties"]["HorizontalJustification"], 4);
    EXPECT_EQ(l["properties"]["ID"], " 1");
}

// The SVG draws a label in the runs the layout measures, so that text and box agree.
TEST(SvgWriter, LabelRunsFollowThePartsAndSpellTheLabel) {
    Frame frame = SmallFrame();
    ParalloCls &s = *frame.service;
    s.SetLabelPartA(Part(true, pxgrdFontType_Superscript));
    s.SetLabelPartB(Part(true));
    s.SetLabelPartC(Part(false));
    s.SetLabelPartUnit(Part(true, pxgrdFontType_Subscript));
    s.SetLabelPartHemisphere(Part(true));
    GridLabel label;
    label.LabelStringA = "54";
    label.LabelStringB = "03";
    label.LabelStringC = "000"; // not displayed
    label.LabelStringUnit = "m";
    label.LabelStringHemisphere = "N";
    label.LabelString = "N5403m";
    auto spans = LabelRuns(label, LabelStyleOf(s));
    ASSERT_EQ(spans.size(), 4u);
    EXPECT_EQ(spans[0].Part, s.LabelPartHemisphere().get());
    EXPECT_EQ(spans[1].Part, s.LabelPartA().get());
    EXPECT_EQ(spans[3].Text, "m");
    s.SetbHemisphereAsSuffix(true);
    label.LabelString = "5403mN";
    spans = LabelRuns(label, LabelStyleOf(s));
    ASSERT_EQ(spans.size(), 4u);
    EXPECT_EQ(spans.back().Text, "N");

    // Degrees-minutes-seconds without marks: a point follows the degrees.
    GridLabel dms;
    dms.LabelStringA = "45";
    dms.LabelStringB = "30";
    dms.LabelString = "45.30";
    s.SetLabelPartUnit(Part(false));
    s.SetLabelPartHemisphere(Part(false));
    spans = LabelRuns(dms, LabelStyleOf(s));
    ASSERT_EQ(spans.size(), 3u);
    EXPECT_EQ(spans[1].Text, ".");
    // Runs that do not spell the label give way to the label's own string.
    dms.LabelString = "something else";
    spans = LabelRuns(dms, LabelStyleOf(s));
    ASSERT_EQ(spans.size(), 1u);
    EXPECT_EQ(spans[0].Text, "something else");
}

TEST(SvgWriter, PictureParsesIsScaledUprightAndEscaped) {
    Scratch dir;
    const auto parses = [&](const std::string &svg) {
        return std::system(("xmllint --noout " + Quote(dir.Write("p.svg", svg)) + " 2>/dev/null").c_str()) ==
               0;
    };
    Frame frame = SmallFrame();
    EXPECT_TRUE(parses(WriteSvg(frame, RunResult()))) << "an empty result still makes a picture";

    detail::ServiceState &s = detail::StateAccess::Of(*frame.service);
    s.NeatlinePolygon = Polygon({{0, 0}, {0, 100}, {200, 100}, {200, 0}});
    s.LabelPartA = Part(true, pxgrdFontType_Normal, 10);
    s.LabelPartB = Part(true, pxgrdFontType_Superscript);
    s.LabelsCollection = std::make_shared<GridLabels>();
    auto label = s.LabelsCollection->Add("<&>\"'x");
    label->LabelStringA = "<&>\"'";
    label->LabelStringB = "x";
    label->Origin = std::make_shared<shapekit::Point>(200, 100);
    label->Angle = 30;
    label->HorizontalJustification = drawkit::kTextEndsAtOrigin;
    // A control character cannot stand in XML; it is dropped, not written.
    s.LabelsCollection->Add(std::string("bell\x07"))->Origin = std::make_shared<shapekit::Point>(0, 0);
    const std::string svg = WriteSvg(frame, RunResult());
    EXPECT_TRUE(parses(svg)) << svg;
    // 200 map units fill 1000 page units, 60 of margin each side; y flipped: the upper-right
    // corner (200, 100) is at page (1060, 60).
    EXPECT_NE(svg.find("width=\"1120\" height=\"620\""), std::string::npos) << svg;
    EXPECT_NE(svg.find("translate(1060 60) rotate(-30)"), std::string::npos) << svg;
    EXPECT_NE(svg.find("text-anchor=\"end\""), std::string::npos);
    EXPECT_NE(svg.find("&lt;&amp;&gt;&quot;&apos;"), std::string::npos);
    EXPECT_EQ(svg.find('\x07'), std::string::npos);
    // The superscript part is raised by 0.4 em of the label's 10-unit size, and smaller.
    EXPECT_NE(svg.find("<tspan dy=\"-4\" font-size=\"7\">x</tspan>"), std::string::npos) << svg;
}

TEST(Output, WholeOrNothingKeepingPermissionsFollowingLinksAndWritingToDevices) {
    Scratch dir;
    const std::string a = dir.path + "/a.geojson", b = dir.path + "/b.svg";
    ASSERT_EQ(WriteFilesAtomically({{a, "first"}, {b, "second"}}), "");
    EXPECT_EQ(ReadFile(a) + ReadFile(b), "firstsecond");
    // A second file that cannot be written stops both: the first keeps its old content.
    EXPECT_NE(WriteFilesAtomically({{a, "changed"}, {dir.path + "/missing/c.svg", "x"}}), "");
    EXPECT_EQ(ReadFile(a), "first");
    EXPECT_EQ(dir.Entries().size(), 2u) << "no temporary file left behind";
    ::chmod(a.c_str(), 0640);
    ASSERT_EQ(WriteFilesAtomically({{a, "third"}}), "");
    struct stat st {};
    ASSERT_EQ(::stat(a.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);

    // A symbolic link stays a link; its target gets the new content.
    const std::string link = dir.path + "/link.svg";
    ASSERT_EQ(::symlink(b.c_str(), link.c_str()), 0);
    ASSERT_EQ(WriteFilesAtomically({{link, "new"}}), "");
    ASSERT_EQ(::lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(ReadFile(b), "new");
    // A pipe (like /dev/stdout, no regular file) is written to, never replaced.
    const std::string fifo = dir.path + "/pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::string received;
    std::thread reader([&]() { received = ReadFile(fifo); });
    EXPECT_EQ(WriteFilesAtomically({{fifo, "through the pipe"}}), "");
    reader.join();
    EXPECT_EQ(received, "through the pipe");
    ASSERT_EQ(::lstat(fifo.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    EXPECT_EQ(dir.Entries().size(), 4u);
    EXPECT_NE(WriteFilesAtomically({{dir.path, "x"}}), "") << "a directory is no file to write";
}

} // namespace
} // namespace cli
} // namespace parallo
