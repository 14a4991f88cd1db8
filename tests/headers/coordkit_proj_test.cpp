// parallo/coordkit_proj.h compiles on its own: it is included first, before anything else.
#include "parallo/coordkit_proj.h"

#include <gtest/gtest.h>

TEST(SelfContainedHeader, CoordkitProj) {
    std::shared_ptr<coordkit::CoordSystem> (*make)(const std::string &) = &coordkit::CreateProjCoordSystem;
    EXPECT_NE(make, nullptr);
}
