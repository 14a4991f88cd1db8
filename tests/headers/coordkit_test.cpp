// parallo/coordkit.h compiles on its own: it is included first, before anything else.
#include "parallo/coordkit.h"

#include <gtest/gtest.h>

TEST(SelfContainedHeader, Coordkit) {
    static_assert(coordkit::kStorage == 12, "space code");
    EXPECT_EQ(coordkit::kMetreUnitCode, 59);
}
