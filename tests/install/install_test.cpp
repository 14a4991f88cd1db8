// The installed package works for a host: the build tree is installed into a scratch prefix, then
// a small host project (tests/install/consumer) is built against it twice, once through
// find_package(Parallo) and once through pkg-config, and run. Needs the library built (a full
// build, as the test command does).
#include <gtest/gtest.h>

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
int Run(const std::string &command, const fs::path &log, std::string &output) {
    const int status = std::system((command + " >" + Quote(log) + " 2>&1").c_str());
    std::ifstream in(log);
    std::stringstream text;
    text << in.rdbuf();
    output = text.str();
    return status;
}

class InstalledPackage : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        work_ = kBinary / "install-test";
        fs::remove_all(work_);
        fs::create_directories(work_);
        status_ = Run("cmake --install " + Quote(kBinary) + " --prefix " + Quote(work_ / "prefix"),
                      work_ / "install.log", installLog_);
    }
    static fs::path work_;
    static int status_;
    static std::string installLog_;
};

fs::path InstalledPackage::work_;
int InstalledPackage::status_ = -1;
std::string InstalledPackage::installLog_;

TEST_F(InstalledPackage, InstallsHeadersLibraryPackageAndPkgConfigFiles) {
    ASSERT_EQ(status_, 0) << installLog_;
    const fs::path prefix = work_ / "prefix";
    EXPECT_TRUE(fs::exists(prefix / "include" / "parallo" / "parallo.h"));
    EXPECT_TRUE(fs::exists(prefix / "include" / "parallo" / "export.h"));
    EXPECT_TRUE(fs::exists(prefix / "include" / "parallo" / "version.h"));
    bool config = false, version = false, pc = false;
    for (const auto &entry : fs::recursive_directory_iterator(prefix)) {
        const std::string name = entry.path().filename().string();
        config = config || name == "ParalloConfig.cmake";
        version = version || name == "ParalloConfigVersion.cmake";
        pc = pc || name == "parallo.pc";
    }
    EXPECT_TRUE(config);
    EXPECT_TRUE(version);
    EXPECT_TRUE(pc);
    // Private headers stay private.
    EXPECT_FALSE(fs::exists(prefix / "include" / "parallo" / "state.h"));
    EXPECT_FALSE(fs::exists(prefix / "include" / "service"));
}

TEST_F(InstalledPackage, HostBuildsWithFindPackage) {
    ASSERT_EQ(status_, 0) << installLog_;
    const fs::path build = work_ / "consumer-cmake";
    std::string output;
    ASSERT_EQ(Run("cmake -S " + Quote(kSource / "tests" / "install" / "consumer") + " -B " + Quote(build) +
                      " -DCMAKE_PREFIX_PATH=" + Quote(work_ / "prefix") + " -DCMAKE_BUILD_TYPE=Release",
                  work_ / "consumer-configure.log", output),
              0)
        << output;
    ASSERT_EQ(Run("cmake --build " + Quote(build), work_ / "consumer-build.log", output), 0) << output;
    ASSERT_EQ(Run(Quote(build / "consumer"), work_ / "consumer-run.log", output), 0) << output;
    EXPECT_NE(output.find(": ok"), std::string::npos) << output;
}

TEST_F(InstalledPackage, HostBuildsWithPkgConfig) {
    ASSERT_EQ(status_, 0) << installLog_;
    fs::path pcDir;
    for (const auto &entry : fs::recursive_directory_iterator(work_ / "prefix"))
        if (entry.path().filename() == "parallo.pc") pcDir = entry.path().parent_path();
    ASSERT_FALSE(pcDir.empty());
    // --define-prefix places the package where its .pc file was found, as for any relocated prefix.
    const std::string flags =
        "$(PKG_CONFIG_PATH=" + Quote(pcDir) + " pkg-config --define-prefix --static --cflags --libs parallo)";
    const fs::path exe = work_ / "consumer-pc";
    std::string output;
    ASSERT_EQ(Run("c++ -std=c++17 " + Quote(kSource / "tests" / "install" / "consumer" / "main.cpp") +
                      " -o " + Quote(exe) + " " + flags,
                  work_ / "consumer-pc-build.log", output),
              0)
        << output;
    ASSERT_EQ(Run(Quote(exe), work_ / "consumer-pc-run.log", output), 0) << output;
    EXPECT_NE(output.find(": ok"), std::string::npos) << output;
}

} // namespace
