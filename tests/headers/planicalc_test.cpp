// parallo/planicalc.h compiles on its own: it is included first, before anything else.
#include "parallo/planicalc.h"

#include <gtest/gtest.h>

TEST(SelfContainedHeader, Planicalc) { EXPECT_GT(planicalc::TRG_PI(), 3.14); }
