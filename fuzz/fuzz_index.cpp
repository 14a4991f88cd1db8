// Fuzz target: the series command's index reader on arbitrary bytes. The first byte chooses the
// index form (GeoJSON FeatureCollection or JSON lines) and one of two base configurations (each
// sheet in its UTM zone with geographic corners, or one projected system); the rest is the
// index. An index that is none must be refused with a ConfigError naming a JSON path on one
// line (the command's exit status 2); otherwise every sheet either has a one-line problem (a
// failed sheet of the summary) or a configuration, which is read, run and written like the
// single command's for the first few sheets. Nothing else may escape, crash or hang.
//
// Seed corpus: fuzz/seeds/fuzz_index (the first byte of each seed is its form and base).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include <nlohmann/json.hpp>

#include "checks.h"
#include "config.h"
#include "geojson.h"
#include "run.h"
#include "series.h"
#include "svg.h"

namespace {

[[noreturn]] void Fail(const char *what, const std::string &detail) {
    std::fprintf(stderr, "fuzz_index: %s: %s\n", what, detail.c_str());
    std::abort();
}

const char *const kUtmBase = R"({"MapViewCoordSystem": "UTM", "NeatlineExtentsType": 1,
  "NeatlineStrokeDistance": 0.05, "Interval": [1000, 1000], "GridType": "PXgtTicks", "TickLength": 100,
  "PlaceLeftSideGridElements": true, "PlaceBottomSideGridElements": true,
  "LabelPartB": {"bDisplay": true, "Font": {"Name": "DejaVu Sans", "Size": 9}}, "MapScale": 25000})";

const char *const kProjectedBase = R"({"MapViewCoordSystem": "EPSG:32632", "GridCoordSystem": "UTM",
  "Interval": [1000, 1000], "LabelPartB": {"bDisplay": true}})";

/// Sheets run through the methods and writers per input; the reader sees all of them.
constexpr std::size_t kSheetsRun = 3;

void CheckLine(const char *what, const std::string &line) {
    if (line.empty()) Fail(what, "empty");
    if (line.find('\n') != std::string::npos) Fail(what, line);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    using namespace parallo::cli;
    if (size == 0) return 0;
    const bool jsonLines = (data[0] & 1) != 0;
    const Json base = ParseJson((data[0] & 2) != 0 ? kProjectedBase : kUtmBase);
    const std::string text(reinterpret_cast<const char *>(data + 1), size - 1);

    Index index;
    try {
        index = ReadIndex(text, jsonLines);
    } catch (const ConfigError &e) {
        if (e.Path().empty() || e.Path()[0] != '$') Fail("a refused index without a JSON path", e.what());
        CheckLine("a refused index", e.what());
        return 0;
    } catch (const std::exception &e) {
        Fail("an exception other than ConfigError left the index reader", e.what());
    }

    std::size_t run = 0;
    for (const Sheet &sheet : index.sheets) {
        if (!sheet.problem.empty()) {
            CheckLine("a sheet's problem", sheet.problem);
            continue;
        }
        // A sheet with a name names one file of the output directory.
        if (sheet.id.empty() || sheet.id.find('/') != std::string::npos ||
            sheet.id.find("..") != std::string::npos)
            Fail("a sheet id that names no file of its own", sheet.id);
        if (run >= kSheetsRun) continue;
        ++run;
        Json config;
        Frame frame;
        try {
            config = ParseJson(
                SheetConfig(base, index, sheet).dump(-1, ' ', false, Json::error_handler_t::replace));
            frame = ReadConfig(config);
            CheckCallNeeds(config, frame);
        } catch (const ConfigError &e) {
            if (e.Path().empty() || e.Path()[0] != '$') Fail("a refused sheet without a JSON path", e.what());
            CheckLine("a refused sheet", e.what());
            continue;
        } catch (const std::exception &e) {
            Fail("an exception other than ConfigError left the sheet's configuration", e.what());
        }
        try {
            RunResult result = RunCalls(frame);
            for (const std::string &line : Warnings(config, frame, result))
                CheckLine("a warning", line);
            for (const std::string &line : FailureLines(frame, result))
                CheckLine("a failure line", line);
            if (!nlohmann::json::accept(WriteGeoJson(frame, result)))
                Fail("the GeoJSON does not read back", sheet.id);
            if (WriteSvg(frame, result).find("<svg") == std::string::npos)
                Fail("the SVG has no svg element", sheet.id);
        } catch (const std::exception &e) {
            Fail("an exception left the run or the writers", e.what());
        }
    }
    return 0;
}
