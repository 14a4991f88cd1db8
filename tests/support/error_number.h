// Expects a call to raise the platform error with a given number.
#ifndef PARALLO_TESTS_SUPPORT_ERROR_NUMBER_H
#define PARALLO_TESTS_SUPPORT_ERROR_NUMBER_H

#include <gtest/gtest.h>

#include <cstdint>

#include "parallo/error.h"

template <class F> void ExpectErrorNumber(std::int32_t number, F &&f) {
    try {
        f();
        ADD_FAILURE() << "no error raised, expected " << number;
    } catch (const parallo::Error &e) {
        EXPECT_EQ(e.Number(), number) << e.what();
    }
}

#endif
