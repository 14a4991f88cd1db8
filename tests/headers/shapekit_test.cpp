// parallo/shapekit.h compiles on its own: it is included first, before anything else.
#include "parallo/shapekit.h"

#include <gtest/gtest.h>

TEST(SelfContainedHeader, Shapekit) {
    shapekit::PointsCollection points;
    points.Add(shapekit::Point(1.0, 2.0));
    EXPECT_EQ(points.Item(1).y, 2.0);
}
