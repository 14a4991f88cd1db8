// The command: read the configuration, run the methods, write GeoJSON and SVG. Every refusal is
// one line on standard error; outputs are written whole or not at all.
#include "app.h"

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <mutex>
#include <sstream>
#include <thread>

#include <sys/stat.h>

#include <CLI/CLI.hpp>

#include "config.h"
#include "geojson.h"
#include "output.h"
#include "run.h"
#include "svg.h"

namespace parallo {
namespace cli {

namespace {

constexpr std::size_t kMaxConfigBytes = 64u << 20;

const char* const kFooter = R"(
CONFIG.json is one JSON object whose keys are the grid service's property names
(MapViewCoordSystem is required; see the README for every key). Angles are read in
AngleUnit ("degree" by default) and projected lengths in LinearUnit ("crs": the
coordinate system's own unit, by default). "calls" lists the methods to run.

GeoJSON goes to standard output unless -o names a file.
Exit status: 0 success (failures a method reported are listed under "calls"),
1 an output could not be written or the time limit passed, 2 a bad command line or
configuration.
)";

/// Ends the process when the methods run past the time limit, before any output file exists, so
/// that no frame, however unlucky its numbers, keeps the command busy without end.
class Watchdog {
public:
    Watchdog(double seconds, std::ostream& err) {
        if (!(seconds > 0.0)) return;
        thread_ = std::thread([this, seconds, &err]() {
            std::unique_lock<std::mutex> lock(mutex_);
            auto limit = std::chrono::duration<double>(seconds);
            if (wake_.wait_for(lock, limit, [this]() { return stopped_; })) return;
            err << "parallo: gave up after the time limit of " << seconds << " s" << std::endl;
            std::_Exit(kExitFailure);
        });
    }
    ~Watchdog() { Stop(); }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;
    void Stop() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stopped_ = true;
        }
        wake_.notify_all();
        if (thread_.joinable()) thread_.join();
    }

private:
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopped_ = false;
    std::thread thread_;
};

bool ReadAll(std::istream& in, std::string& text) {
    std::string chunk(1 << 16, '\0');
    while (in) {
        in.read(&chunk[0], static_cast<std::streamsize>(chunk.size()));
        text.append(chunk.data(), static_cast<std::size_t>(in.gcount()));
        if (text.size() > kMaxConfigBytes) return false;
    }
    return in.eof();
}

bool DirectoryExists(const std::string& path) {
    std::string::size_type slash = path.rfind('/');
    std::string dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    struct stat st {};
    return ::stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

int Command(int argc, const char* const* argv, std::istream& in, std::ostream& out, std::ostream& err) {
    CLI::App app{"Computes the furniture of a map frame (neatline, border, grid lines, ticks, crosses\n"
                 "and grid labels) from a JSON description and writes it as GeoJSON and SVG.",
                 "parallo"};
    std::string configPath, geojsonPath, svgPath;
    app.add_option("CONFIG", configPath, "the frame's configuration (JSON); - reads standard input")
        ->required();
    app.add_option("-o,--output", geojsonPath, "write the GeoJSON to this file instead of standard output");
    app.add_option("--svg", svgPath, "also draw the frame as an SVG picture into this file");
    double timeLimit = 120.0;
    app.add_option("--time-limit", timeLimit,
                   "give up (exit status 1, no output) when the methods run longer than this many "
                   "seconds (default 120); 0 for no limit")
        ->check(CLI::NonNegativeNumber);
    app.set_version_flag("--version", std::string("parallo ") + PARALLO_VERSION_STRING);
    app.footer(kFooter);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        int status = app.exit(e, out, err);
        return status == 0 ? kExitSuccess : kExitBadUsage;
    }

    const std::string configName = configPath == "-" ? std::string("<stdin>") : configPath;
    if (geojsonPath == "-") geojsonPath.clear();
    if (svgPath == "-") {
        err << "parallo: --svg: the picture needs a file name\n";
        return kExitBadUsage;
    }
    if (!svgPath.empty() && svgPath == geojsonPath) {
        err << "parallo: -o and --svg name the same file: " << svgPath << "\n";
        return kExitBadUsage;
    }
    for (const std::string* path : {&geojsonPath, &svgPath}) {
        const char* option = path == &svgPath ? "--svg" : "-o";
        struct stat st {};
        if (!path->empty() && ::stat(path->c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
            err << "parallo: " << option << ": " << *path << " is a directory\n";
            return kExitBadUsage;
        }
        if (!path->empty() && !DirectoryExists(*path)) {
            err << "parallo: " << option << ": no such directory for " << *path << "\n";
            return kExitBadUsage;
        }
    }

    std::string text;
    bool read = false;
    if (configPath == "-") {
        read = ReadAll(in, text);
    } else {
        std::ifstream file(configPath, std::ios::binary);
        read = file.is_open() && ReadAll(file, text);
    }
    if (!read) {
        err << "parallo: cannot read " << configName
            << (text.size() > kMaxConfigBytes ? ": larger than 64 MiB" : "") << "\n";
        return kExitBadUsage;
    }

    Frame frame;
    try {
        frame = ReadConfig(ParseJson(text));
    } catch (const ConfigError& e) {
        err << "parallo: " << configName << ": " << e.what() << "\n";
        return kExitBadUsage;
    }

    Watchdog watchdog(timeLimit, err);
    RunResult result = RunCalls(frame);
    watchdog.Stop();
    std::string geojson = WriteGeoJson(frame, result);
    std::vector<OutputFile> files;
    if (!geojsonPath.empty()) files.push_back(OutputFile{geojsonPath, std::move(geojson)});
    if (!svgPath.empty()) files.push_back(OutputFile{svgPath, WriteSvg(frame, result)});
    std::string error = WriteFilesAtomically(files);
    if (!error.empty()) {
        err << "parallo: " << error << "\n";
        return kExitFailure;
    }
    if (geojsonPath.empty()) {
        out << geojson;
        out.flush();
        if (!out) {
            err << "parallo: cannot write the GeoJSON to standard output\n";
            return kExitFailure;
        }
    }
    return kExitSuccess;
}

} // namespace

int RunCommand(int argc, const char* const* argv, std::istream& in, std::ostream& out, std::ostream& err) noexcept {
    try {
        return Command(argc, argv, in, out, err);
    } catch (const std::exception& e) {
        try {
            err << "parallo: internal failure: " << e.what() << "\n";
        } catch (...) {
        }
    } catch (...) {
        try {
            err << "parallo: internal failure\n";
        } catch (...) {
        }
    }
    return kExitFailure;
}

} // namespace cli
} // namespace parallo
