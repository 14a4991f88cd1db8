#include <gtest/gtest.h>

#include "parallo/parallo.h"

TEST(ServiceDefaults, NewObjectStartsEmpty) {
    parallo::ParalloCls service;
    EXPECT_EQ(service.Status(), 0);
    EXPECT_EQ(service.NeatlineStartTop(), "0");
    EXPECT_EQ(service.GridType(), parallo::PXgtSimple);
    EXPECT_FALSE(service.bForceStroking());
    EXPECT_EQ(service.Interval(), nullptr);
}
