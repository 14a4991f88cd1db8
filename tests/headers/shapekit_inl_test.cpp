// parallo/shapekit_inl.h compiles on its own: it is included first, before anything else.
#include "parallo/shapekit_inl.h"

#include <gtest/gtest.h>

TEST(SelfContainedHeader, ShapekitInl) {
    std::shared_ptr<shapekit::Geometry> polygon = std::make_shared<shapekit::PolygonGeometry>();
    EXPECT_NE(shapekit::As<shapekit::PolygonGeometry>(polygon), nullptr);
}
