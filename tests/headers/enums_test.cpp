// parallo/enums.h compiles on its own: it is included first, before anything else.
#include "parallo/enums.h"

#include <gtest/gtest.h>

TEST(SelfContainedHeader, Enums) { EXPECT_EQ(parallo::PXgtTicksAndCrosses, 3); }
