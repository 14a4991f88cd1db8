// parallo/export.h compiles on its own: it is included first, before anything else.
#include "parallo/export.h"

#include <gtest/gtest.h>

TEST(SelfContainedHeader, Export) {
    SUCCEED(); // declares only the export macros
}
