// parallo/drawkit.h compiles on its own: it is included first, before anything else.
#include "parallo/drawkit.h"

#include <gtest/gtest.h>

TEST(SelfContainedHeader, Drawkit) {
    EXPECT_EQ(drawkit::kTextStartsAtOrigin, 3);
    EXPECT_EQ(drawkit::kTextAboveOrigin, 9);
}
