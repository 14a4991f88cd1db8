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
#include <sstream>
#include <string>

namespace fs = std::filesystem;

namespace {

const fs::path kSource(PARALLO_SOURCE_DIR);
const fs::path kBinary(PARALLO_BINARY_DIR);

std::string Quote(const fs::path &p) { return "'" + p.string() + "'"; }

/// Runs a shell command with its output in `log`; returns the exit status and, on failure,
/// the output for the test's message.
int Shell(const std::string &command, const fs::path &log, std::string &output) {
    const int status = std::system((command + " >" + Quote(log) + " 2>&1").c_str());
    std::ifstream in(log);
    std::stringstream text;
    text << in.rdbuf();
    output = text.str();
    return status;
}

/// Everything in one test: ctest runs tests in parallel, and the steps share one scratch prefix.
TEST(InstalledPackage, HostsBuildWithFindPackageAndWithPkgConfig) {
    const fs::path work = kBinary / "install-test";
    const fs::path prefix = work / "prefix";
    const fs::path consumer = kSource / "tests" / "install" / "consumer";
    fs::remove_all(work);
    fs::create_directories(work);
    std::string output;
    ASSERT_EQ(Shell("cmake --install " + Quote(kBinary) + " --prefix " + Quote(prefix), work / "install.log",
                    output),
              0)
        << output;

    // Headers, library, CMake package with its version file, pkg-config file; private headers stay.
    EXPECT_TRUE(fs::exists(prefix / "include" / "parallo" / "parallo.h"));
    EXPECT_TRUE(fs::exists(prefix / "include" / "parallo" / "export.h"));
    EXPECT_TRUE(fs::exists(prefix / "include" / "parallo" / "version.h"));
    EXPECT_FALSE(fs::exists(prefix / "include" / "parallo" / "state.h"));
    EXPECT_FALSE(fs::exists(prefix / "include" / "service"));
    bool config = false, version = false;
    fs::path pcDir;
    for (const auto &entry : fs::recursive_directory_iterator(prefix)) {
        const std::string name = entry.path().filename().string();
        config = config || name == "ParalloConfig.cmake";
        version = version || name == "ParalloConfigVersion.cmake";
        if (name == "parallo.pc") pcDir = entry.path().parent_path();
    }
    EXPECT_TRUE(config);
    EXPECT_TRUE(version);
    ASSERT_FALSE(pcDir.empty());

    // find_package(Parallo) and Parallo::parallo.
    const fs::path build = work / "consumer-cmake";
    ASSERT_EQ(Shell("cmake -S " + Quote(consumer) + " -B " + Quote(build) +
                        " -DCMAKE_PREFIX_PATH=" + Quote(prefix) + " -DCMAKE_BUILD_TYPE=Release" +
                        " -DPARALLO_FRONT_HOST=" + Quote(kSource / "examples" / "host.cpp"),
                    work / "consumer-configure.log", output),
              0)
        << output;
    ASSERT_EQ(Shell("cmake --build " + Quote(build), work / "consumer-build.log", output), 0) << output;
    ASSERT_EQ(Shell(Quote(build / "consumer"), work / "consumer-run.log", output), 0) << output;
    EXPECT_NE(output.find(": ok"), std::string::npos) << output;
    // The plain front's host: 22 grid lines of its 10 km sheet.
    EXPECT_TRUE(fs::exists(prefix / "include" / "parallo" / "furniture.h"));
    ASSERT_EQ(Shell(Quote(build / "front_host"), work / "front-host-run.log", output), 0) << output;
    EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 22) << output;

    // pkg-config, as the file stands: its prefix is the one the install chose, not the
    // configured one.
    const std::string pkgConfig = "PKG_CONFIG_PATH=" + Quote(pcDir) + " pkg-config ";
    ASSERT_EQ(Shell(pkgConfig + "--variable=includedir parallo", work / "pc-includedir.log", output), 0)
        << output;
    while (!output.empty() && (output.back() == '\n' || output.back() == ' '))
        output.pop_back();
    EXPECT_TRUE(fs::exists(output) && fs::equivalent(output, prefix / "include")) << output;
    const std::string flags = "$(" + pkgConfig + "--cflags --libs parallo)";
    const fs::path exe = work / "consumer-pc";
    ASSERT_EQ(Shell("c++ -std=c++17 " + Quote(consumer / "main.cpp") + " -o " + Quote(exe) + " " + flags,
                    work / "consumer-pc-build.log", output),
              0)
        << output;
    ASSERT_EQ(Shell(Quote(exe), work / "consumer-pc-run.log", output), 0) << output;
    EXPECT_NE(output.find(": ok"), std::string::npos) << output;
    const fs::path frontExe = work / "front-host-pc";
    ASSERT_EQ(Shell("c++ -std=c++17 " + Quote(kSource / "examples" / "host.cpp") + " -o " + Quote(frontExe) +
                        " $(" + pkgConfig + "--cflags --libs parallo-front)",
                    work / "front-host-pc-build.log", output),
              0)
        << output;
    ASSERT_EQ(Shell(Quote(frontExe), work / "front-host-pc-run.log", output), 0) << output;

#ifdef PARALLO_PYTHON_INSTALL_DIR
    // The Python package, where the interpreter it was built for imports it from.
    const fs::path site = prefix / PARALLO_PYTHON_INSTALL_DIR;
    EXPECT_TRUE(fs::exists(site / "parallo" / "__init__.py"));
    EXPECT_EQ(Shell("PYTHONPATH=" + Quote(site) + " " + Quote(PARALLO_PYTHON) +
                        " -c 'import parallo, parallo.mpl; print(parallo.__file__)'",
                    work / "python-import.log", output),
              0)
        << output;
    EXPECT_EQ(output.rfind(site.string(), 0), 0u) << output;
#endif
}

} // namespace
