// parallo/version.h compiles on its own: it is included first, before anything else.
#include "parallo/version.h"

#include <gtest/gtest.h>

#include <string>

TEST(SelfContainedHeader, Version) {
    EXPECT_GE(PARALLO_VERSION_MAJOR, 0);
    EXPECT_NE(std::string(PARALLO_VERSION_STRING), "");
}
