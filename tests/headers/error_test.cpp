// parallo/error.h compiles on its own: it is included first, before anything else.
#include "parallo/error.h"

#include <gtest/gtest.h>

TEST(SelfContainedHeader, Error) { EXPECT_EQ(parallo::Error(6, "Overflow").Number(), 6); }
