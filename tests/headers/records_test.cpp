// parallo/records.h compiles on its own: it is included first, before anything else.
#include "parallo/records.h"

#include <gtest/gtest.h>

TEST(SelfContainedHeader, Records) {
    parallo::GridLabels labels;
    EXPECT_EQ(labels.Add("1000")->ID(), " 1");
}
