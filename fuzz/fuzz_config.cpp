// Fuzz target: the parallo command's whole pipeline on arbitrary bytes. The bytes are read as a
// configuration; a refused one must be refused with a ConfigError naming a JSON path, on one
// line, and nothing else may escape; so must a configuration whose methods lack what they need. An accepted one runs its methods on the service and goes
// through the warnings, the failure lines and both writers; the GeoJSON must read back as JSON.
//
// Seed corpus: examples/*.json (and fuzz/corpus/config). Dictionary: fuzz/config.dict.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <exception>
#include <string>

#include <nlohmann/json.hpp>

#include "checks.h"
#include "config.h"
#include "geojson.h"
#include "run.h"
#include "svg.h"

namespace {

[[noreturn]] void Fail(const char* what, const std::string& detail) {
    std::fprintf(stderr, "fuzz_config: %s: %s\n", what, detail.c_str());
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace parallo::cli;
    const std::string text(reinterpret_cast<const char*>(data), size);
    Frame frame;
    Json config;
    try {
        config = ParseJson(text);
        frame = ReadConfig(config);
        CheckCallNeeds(config, frame);
    } catch (const ConfigError& e) {
        const std::string message = e.what();
        if (e.Path().empty() || e.Path()[0] != '$') Fail("a refusal without a JSON path", message);
        if (message.find('\n') != std::string::npos) Fail("a refusal on more than one line", message);
        return 0;
    } catch (const std::exception& e) {
        Fail("an exception other than ConfigError left the reader", e.what());
    } catch (...) {
        Fail("a non-standard exception left the reader", "");
    }

    try {
        RunResult result = RunCalls(frame);
        for (const std::string& line : Warnings(config, frame, result))
            if (line.find('\n') != std::string::npos) Fail("a warning on more than one line", line);
        for (const std::string& line : FailureLines(frame, result))
            if (line.find('\n') != std::string::npos) Fail("a failure line on more than one line", line);
        const std::string geojson = WriteGeoJson(frame, result);
        if (!nlohmann::json::accept(geojson)) Fail("the GeoJSON does not read back", geojson.substr(0, 200));
        const std::string svg = WriteSvg(frame, result);
        if (svg.find("<svg") == std::string::npos) Fail("the SVG has no svg element", svg.substr(0, 200));
    } catch (const std::exception& e) {
        Fail("an exception left the run or the writers", e.what());
    }
    return 0;
}
