// parallo/stdfont.h compiles on its own: it is included first, before anything else.
#include "parallo/stdfont.h"

#include <gtest/gtest.h>

TEST(SelfContainedHeader, StdFont) {
    parallo::StdFont font;
    EXPECT_EQ(font.Weight, 400);
}
