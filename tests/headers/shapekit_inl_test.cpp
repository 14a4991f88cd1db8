// parallo/shapekit_inl.h first and alone; its templates are instantiated, since only then are
// their bodies compiled.
#include "parallo/shapekit_inl.h"

#include <gtest/gtest.h>

TEST(SelfContainedHeader, ShapekitInlTemplatesInstantiate) {
    std::shared_ptr<shapekit::Geometry> polygon = std::make_shared<shapekit::PolygonGeometry>();
    EXPECT_NE(shapekit::As<shapekit::PolygonGeometry>(polygon), nullptr);
}
