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

#include "checks.h"
#include "config.h"
#include "geojson.h"
#include "output.h"
#include "rfc7946.h"
#include "run.h"
#include "series.h"
#include "svg.h"

namespace parallo {
namespace cli {

namespace {

constexpr std::size_t kMaxConfigBytes = 64u << 20;

const char *const kFooter = R"(
CONFIG.json is one JSON object whose keys are the grid service's property names
(MapViewCoordSystem is required; see the README for every key). Angles are read in
AngleUnit ("degree" by default) and projected lengths in LinearUnit ("crs": the
coordinate system's own unit, by default). "calls" lists the methods to run.

Labels are laid out (MapScale, LabelLayout): a label that would overprint another
or cross the neatline is hidden, kept in the GeoJSON and left out of the SVG.

GeoJSON goes to standard output unless -o names a file. Each failure a method
reports is one line "parallo: METHOD: what failed" on standard error (and is listed
under "calls"); "parallo: warning: ..." lines point at a frame that likely does not
say what was meant.
Exit status: 0 success, also when a method reported failures, unless --strict;
1 an output could not be written (also: with --rfc7946, a point with no longitude and
latitude) or the time limit passed; 2 a bad command line or configuration, or a listed
method that lacks what it needs; 3 with --strict, a method reported a failure (the
outputs are written all the same); 4 (parallo series) some sheet of a series failed.

A map series: parallo series BASE.json INDEX.geojson -o OUTDIR [-j N] [--force] [--rfc7946]
(parallo series --help says more).
)";

/// Ends the process when the methods run past the time limit, before any output file exists, so
/// that no frame, however unlucky its numbers, keeps the command busy without end.
class Watchdog {
public:
    Watchdog(double seconds, std::ostream &err) {
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
    Watchdog(const Watchdog &) = delete;
    Watchdog &operator=(const Watchdog &) = delete;
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

bool ReadAll(std::istream &in, std::string &text) {
    std::string chunk(1 << 16, '\0');
    while (in) {
        in.read(&chunk[0], static_cast<std::streamsize>(chunk.size()));
        text.append(chunk.data(), static_cast<std::size_t>(in.gcount()));
        if (text.size() > kMaxConfigBytes) return false;
    }
    return in.eof();
}

bool DirectoryExists(const std::string &path) {
    std::string::size_type slash = path.rfind('/');
    std::string dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    struct stat st {};
    return ::stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

/// What the command line asks for.
struct Options {
    std::string configPath, geojsonPath, svgPath;
    double timeLimit = 120.0;
    bool strict = false;
    bool verbose = false;
    bool rfc7946 = false;
};

/// Parses the command line. Returns -1 to go on, or the exit status when it is done (help,
/// version, a refusal).
int ParseCommandLine(int argc, const char *const *argv, std::ostream &out, std::ostream &err, Options &o) {
    CLI::App app{"Computes the furniture of a map frame (neatline, border, grid lines, ticks, crosses\n"
                 "and grid labels) from a JSON description and writes it as GeoJSON and SVG.",
                 "parallo"};
    app.add_option("CONFIG", o.configPath, "the frame's configuration (JSON); - reads standard input")
        ->required();
    app.add_option("-o,--output", o.geojsonPath, "write the GeoJSON to this file instead of standard output");
    app.add_option("--svg", o.svgPath, "also draw the frame as an SVG picture into this file");
    app.add_option("--time-limit", o.timeLimit,
                   "give up (exit status 1, no output) when the methods run longer than this many "
                   "seconds (default 120); 0 for no limit")
        ->check(CLI::NonNegativeNumber);
    app.add_flag(
        "--strict", o.strict,
        "exit with status 3 when a method reported a failure (the outputs are written all the same)");
    app.add_flag("--verbose", o.verbose,
                 "say on standard error how many labels the layout hid, and why (never a failure)");
    app.add_flag("--rfc7946", o.rfc7946,
                 "write the GeoJSON in WGS 84 longitude and latitude (degrees, longitude first) without "
                 "the \"crs\" member, for web maps: exterior rings counter-clockwise, lines and polygons "
                 "cut at the 180 degree meridian; a point with no longitude and latitude fails the "
                 "output (exit status 1, nothing written)");
    app.set_version_flag("--version", std::string("parallo ") + PARALLO_VERSION_STRING);
    app.footer(kFooter);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError &e) {
        int status = app.exit(e, out, err);
        return status == 0 ? kExitSuccess : kExitBadUsage;
    }
    return -1;
}

/// Refuses output paths that cannot be written: "-" for the picture, one file for both, a
/// directory, a missing directory. Returns false after saying why.
bool OutputPathsUsable(Options &o, std::ostream &err) {
    if (o.geojsonPath == "-") o.geojsonPath.clear();
    if (o.svgPath == "-") {
        err << "parallo: --svg: the picture needs a file name\n";
        return false;
    }
    if (!o.svgPath.empty() && o.svgPath == o.geojsonPath) {
        err << "parallo: -o and --svg name the same file: " << o.svgPath << "\n";
        return false;
    }
    for (const std::string *path : {&o.geojsonPath, &o.svgPath}) {
        const char *option = path == &o.svgPath ? "--svg" : "-o";
        struct stat st {};
        if (!path->empty() && ::stat(path->c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
            err << "parallo: " << option << ": " << *path << " is a directory\n";
            return false;
        }
        if (!path->empty() && !DirectoryExists(*path)) {
            err << "parallo: " << option << ": no such directory for " << *path << "\n";
            return false;
        }
    }
    return true;
}

/// Reads and checks the configuration into `frame`. Returns false after saying why not.
bool LoadFrame(const Options &o, std::istream &in, std::ostream &err, Json &config, Frame &frame) {
    const std::string configName = o.configPath == "-" ? std::string("<stdin>") : o.configPath;
    std::string text;
    bool read = false;
    if (o.configPath == "-") {
        read = ReadAll(in, text);
    } else {
        std::ifstream file(o.configPath, std::ios::binary);
        read = file.is_open() && ReadAll(file, text);
    }
    if (!read) {
        err << "parallo: cannot read " << configName
            << (text.size() > kMaxConfigBytes ? ": larger than 64 MiB" : "") << "\n";
        return false;
    }
    try {
        config = ParseJson(text);
        frame = ReadConfig(config);
        CheckCallNeeds(config, frame);
    } catch (const ConfigError &e) {
        err << "parallo: " << configName << ": " << e.what() << "\n";
        return false;
    }
    return true;
}

/// Writes the outputs: the files whole or not at all, else the GeoJSON to standard output.
int WriteOutputs(const Options &o, const Frame &frame, const RunResult &result, std::ostream &out,
                 std::ostream &err) {
    std::string geojson;
    try {
        geojson = o.rfc7946 ? WriteRfc7946GeoJson(frame, result) : WriteGeoJson(frame, result);
    } catch (const Rfc7946Error &e) {
        err << "parallo: --rfc7946: " << e.what() << "\n";
        return kExitFailure;
    }
    std::vector<OutputFile> files;
    if (!o.geojsonPath.empty()) files.push_back(OutputFile{o.geojsonPath, std::move(geojson)});
    if (!o.svgPath.empty()) files.push_back(OutputFile{o.svgPath, WriteSvg(frame, result)});
    std::string error = WriteFilesAtomically(files);
    if (!error.empty()) {
        err << "parallo: " << error << "\n";
        return kExitFailure;
    }
    if (o.geojsonPath.empty()) {
        out << geojson;
        out.flush();
        if (!out) {
            err << "parallo: cannot write the GeoJSON to standard output\n";
            return kExitFailure;
        }
    }
    return kExitSuccess;
}

/// One line on the labels the layout hid: how many of how many, by reason.
std::string HiddenLabelsLine(const RunResult &result) {
    std::size_t reasons[5] = {0, 0, 0, 0, 0};
    for (const DroppedLabel &d : result.layout.Dropped)
        if (d.Reason >= 0 && d.Reason < 5) ++reasons[d.Reason];
    std::string line = "labels: " + std::to_string(result.layout.Dropped.size()) + " of " +
                       std::to_string(result.layout.Placements.size()) + " hidden";
    const char *const names[5] = {"", "overlap a rounder label", "cross the neatline",
                                  "lie on the wrong side of the neatline", "cannot be placed"};
    std::string detail;
    for (int r = 1; r < 5; ++r)
        if (reasons[r] > 0)
            detail += (detail.empty() ? "" : ", ") + std::to_string(reasons[r]) + " " + names[r];
    if (!detail.empty()) line += " (" + detail + ")";
    return line;
}

int Command(int argc, const char *const *argv, std::istream &in, std::ostream &out, std::ostream &err) {
    // "parallo series ...": a map series (a configuration file named "series" is ./series).
    if (argc >= 2 && argv[1] != nullptr && std::string(argv[1]) == "series")
        return RunSeriesCommand(argc - 1, argv + 1, out, err);
    Options o;
    const int parsed = ParseCommandLine(argc, argv, out, err, o);
    if (parsed >= 0) return parsed;
    if (!OutputPathsUsable(o, err)) return kExitBadUsage;
    Json config;
    Frame frame;
    if (!LoadFrame(o, in, err, config, frame)) return kExitBadUsage;

    Watchdog watchdog(o.timeLimit, err);
    RunResult result = RunCalls(frame);
    watchdog.Stop();
    for (const std::string &warning : Warnings(config, frame, result))
        err << "parallo: warning: " << warning << "\n";
    if (result.laidOut && !result.layout.Failure.empty())
        err << "parallo: warning: the label layout failed (" << result.layout.Failure
            << "): every label is drawn\n";
    if (result.laidOut && o.verbose && result.layout.Failure.empty())
        err << "parallo: " << HiddenLabelsLine(result) << "\n";
    const std::vector<std::string> failures = FailureLines(frame, result);
    for (const std::string &line : failures)
        err << "parallo: " << line << "\n";

    const int status = WriteOutputs(o, frame, result, out, err);
    if (status == kExitSuccess && o.strict && !failures.empty()) return kExitReportedFailure;
    return status;
}

} // namespace

int ExitStatusOf(int (*command)(int, const char *const *, std::istream *, std::ostream &, std::ostream &),
                 int argc, const char *const *argv, std::istream *in, std::ostream &out,
                 std::ostream &err) noexcept {
    try {
        return command(argc, argv, in, out, err);
    } catch (const std::exception &e) {
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

int RunCommand(int argc, const char *const *argv, std::istream &in, std::ostream &out,
               std::ostream &err) noexcept {
    return ExitStatusOf([](int n, const char *const *v, std::istream *input, std::ostream &o,
                           std::ostream &e) { return Command(n, v, *input, o, e); },
                        argc, argv, &in, out, err);
}

} // namespace cli
} // namespace parallo
