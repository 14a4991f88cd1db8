// Expects a statement to raise the platform error with a given number.
#ifndef PARALLO_TESTS_SUPPORT_RAISES_H
#define PARALLO_TESTS_SUPPORT_RAISES_H

#include <gtest/gtest.h>

#include "parallo/error.h"

#define EXPECT_RAISES(statement, number)                                                                     \
    do {                                                                                                     \
        bool raised_ = false;                                                                                \
        try {                                                                                                \
            (void)(statement);                                                                               \
        } catch (const ::parallo::Error &e_) {                                                               \
            raised_ = true;                                                                                  \
            EXPECT_EQ(e_.Number(), (number)) << #statement << ": " << e_.Description();                      \
        }                                                                                                    \
        EXPECT_TRUE(raised_) << #statement << " raised nothing";                                             \
    } while (false)

#endif
