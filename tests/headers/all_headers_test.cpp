// Every public header, the generated ones included, has a file <stem>_test.cpp here that includes it
// first and alone, so a header leaning on what another include happened to bring in fails to compile.
#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

TEST(SelfContainedHeader, EveryPublicHeaderHasItsOwnCheck) {
    const fs::path source(PARALLO_SOURCE_DIR);
    int headers = 0;
    for (const fs::path &dir :
         {source / "include" / "parallo", fs::path(PARALLO_BINARY_DIR) / "include" / "parallo"}) {
        ASSERT_TRUE(fs::is_directory(dir)) << dir;
        for (const auto &entry : fs::directory_iterator(dir)) {
            if (entry.path().extension() != ".h") continue;
            ++headers;
            const std::string stem = entry.path().stem().string();
            EXPECT_TRUE(fs::exists(source / "tests" / "headers" / (stem + "_test.cpp")))
                << "add tests/headers/" << stem << "_test.cpp for " << entry.path();
        }
    }
    EXPECT_GE(headers, 12);
}
