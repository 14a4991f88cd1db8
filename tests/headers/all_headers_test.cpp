// Every public header has its own translation unit here that includes it first and alone, so a
// header that leans on what another include happened to bring in fails to compile. This test
// keeps the list complete: a new header without its file here fails.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace fs = std::filesystem;

TEST(SelfContainedHeader, EveryPublicHeaderHasItsOwnCheck) {
    const fs::path source(PARALLO_SOURCE_DIR);
    const fs::path binary(PARALLO_BINARY_DIR);
    int headers = 0;
    for (const fs::path &dir : {source / "include" / "parallo", binary / "include" / "parallo"}) {
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
