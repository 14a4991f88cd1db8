// The installed package works for a host: the build tree is installed into a scratch prefix,
// then a small host project (tests/install/consumer, with the README's host on the plain front)
// is built against it twice, once through find_package(Parallo) and once through pkg-config, and
// run; the Python package, when built, is imported from the prefix. Needs the library built (a
// full build, as the test command does).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

namespace fs = std::filesystem;

namespace {

const fs::path kSource(PARALLO_SOURCE_DIR);
const fs::path kBinary(PARALLO_BINARY_DIR);

std::string Quote(const fs::path &p) { return "'" + p.string() + "'"; }

/// Runs a shell command, its output kept in `log` and in `output`; true when it exits with 0.
bool Shell(const std::string &command, const fs::path &log, std::string &output) {
    const int status = std::system((command + " >" + Quote(log) + " 2>&1").c_str());
    std::ifstream in(log);
    output.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return status == 0;
}

/// Everything in one test: ctest runs tests in parallel, and the steps share one scratch prefix.
TEST(InstalledPackage, HostsBuildWithFindPackageAndWithPkgConfig) {
    const fs::path work = kBinary / "install-test", prefix = work / "prefix";
    const fs::path consumer = kSource / "tests" / "install" / "consumer", include = prefix / "include";
    fs::remove_all(work);
    fs::create_directories(work);
    std::string out;
    ASSERT_TRUE(
        Shell("cmake --install " + Quote(kBinary) + " --prefix " + Quote(prefix), work / "install.log", out))
        << out;

    // Headers, library, CMake package with its version file, pkg-config file; private headers stay.
    for (const char *name : {"parallo.h", "furniture.h", "export.h", "version.h"})
        EXPECT_TRUE(fs::exists(include / "parallo" / name)) << name;
    EXPECT_FALSE(fs::exists(include / "parallo" / "state.h") || fs::exists(include / "service"));
    std::set<std::string> names;
    fs::path pcDir;
    for (const auto &entry : fs::recursive_directory_iterator(prefix)) {
        names.insert(entry.path().filename().string());
        if (entry.path().filename() == "parallo.pc") pcDir = entry.path().parent_path();
    }
    EXPECT_TRUE(names.count("ParalloConfig.cmake") && names.count("ParalloConfigVersion.cmake"));
    ASSERT_FALSE(pcDir.empty());

    // find_package(Parallo) and Parallo::parallo.
    const fs::path build = work / "consumer-cmake";
    ASSERT_TRUE(Shell(
        "cmake -S " + Quote(consumer) + " -B " + Quote(build) + " -DCMAKE_PREFIX_PATH=" + Quote(prefix) +
            " -DCMAKE_BUILD_TYPE=Release -DPARALLO_FRONT_HOST=" + Quote(kSource / "examples" / "host.cpp") +
            " && cmake --build " + Quote(build) + " && " + Quote(build / "consumer"),
        work / "consumer-cmake.log", out))
        << out;
    EXPECT_NE(out.find(": ok"), std::string::npos) << out;
    // The plain front's host: 22 grid lines of its 10 km sheet.
    ASSERT_TRUE(Shell(Quote(build / "front_host"), work / "front-host-run.log", out)) << out;
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 22) << out;

    // pkg-config, as the file stands: its prefix is the one the install chose, not the
    // configured one.
    const std::string pkgConfig = "PKG_CONFIG_PATH=" + Quote(pcDir) + " pkg-config ";
    ASSERT_TRUE(Shell(pkgConfig + "--variable=includedir parallo", work / "pc-includedir.log", out)) << out;
    out.erase(out.find_last_not_of("\n ") + 1);
    EXPECT_TRUE(fs::exists(out) && fs::equivalent(out, include)) << out;
    const fs::path exe = work / "consumer-pc";
    ASSERT_TRUE(Shell("c++ -std=c++17 " + Quote(consumer / "main.cpp") + " -o " + Quote(exe) + " $(" +
                          pkgConfig + "--cflags --libs parallo) && " + Quote(exe),
                      work / "consumer-pc.log", out))
        << out;
    EXPECT_NE(out.find(": ok"), std::string::npos) << out;
    const fs::path frontExe = work / "front-host-pc";
    ASSERT_TRUE(Shell("c++ -std=c++17 " + Quote(kSource / "examples" / "host.cpp") + " -o " +
                          Quote(frontExe) + " $(" + pkgConfig + "--cflags --libs parallo-front) && " +
                          Quote(frontExe),
                      work / "front-host-pc.log", out))
        << out;

#ifdef PARALLO_PYTHON_INSTALL_DIR
    // The Python package, where the interpreter it was built for imports it from.
    const fs::path site = prefix / PARALLO_PYTHON_INSTALL_DIR;
    EXPECT_TRUE(fs::exists(site / "parallo" / "__init__.py"));
    EXPECT_TRUE(Shell("PYTHONPATH=" + Quote(site) + " " + Quote(PARALLO_PYTHON) +
                          " -c 'import parallo, parallo.mpl; print(parallo.__file__)'",
                      work / "python-import.log", out))
        << out;
    EXPECT_EQ(out.rfind(site.string(), 0), 0u) << out;
#endif
}

} // namespace
