// parallo/parallo.h compiles on its own: it is included first, before anything else.
#include "parallo/parallo.h"

#include <gtest/gtest.h>

TEST(SelfContainedHeader, Parallo) {
    parallo::ParalloCls service;
    EXPECT_EQ(service.Status(), 0);
}
