// Checked arithmetic, the error object and the checked use of object references.
#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <string>

#include "platform/numbers.h"
#include "raises.h"

namespace {

using namespace parallo::platform;
using parallo::Error;

const double kInf = std::numeric_limits<double>::infinity();
const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kMax = std::numeric_limits<double>::max();

TEST(CheckedArithmetic, OrdinaryResultsPassThrough) {
    EXPECT_EQ(Add(1.5, 2.25), 3.75);
    EXPECT_EQ(Sub(1.5, 2.25), -0.75);
    EXPECT_EQ(Mul(1.5, -2.0), -3.0);
    EXPECT_EQ(Div(1.0, 4.0), 0.25);
    EXPECT_EQ(Finite(-kMax), -kMax);
    // Underflow to zero or to a subnormal number is not a failure.
    EXPECT_EQ(Mul(1e-200, 1e-200), 0.0);
    EXPECT_GT(Div(std::numeric_limits<double>::min(), 4.0), 0.0);
}

TEST(CheckedArithmetic, DivisionByZero) {
    EXPECT_RAISES(Div(1.0, 0.0), parallo::kDivisionByZero);

    EXPECT_RAISES(Div(0.0, 0.0), parallo::kDivisionByZero); // 0/0 is a division by zero, not NaN
}

TEST(CheckedArithmetic, OverflowToInfinityOrNaN) {
    EXPECT_RAISES(Add(kMax, kMax), parallo::kOverflow);
    EXPECT_RAISES(Mul(1e200, 1e200), parallo::kOverflow);
    EXPECT_RAISES(Div(1.0, 1e-309), parallo::kOverflow); // a subnormal divisor overflows
    EXPECT_RAISES(Finite(kInf), parallo::kOverflow);
    EXPECT_RAISES(Finite(kNaN), parallo::kOverflow);
    // NaN or infinity coming in is never carried out.
    EXPECT_RAISES(Add(kNaN, 1.0), parallo::kOverflow);
    EXPECT_RAISES(Mul(kInf, 0.0), parallo::kOverflow);
    EXPECT_RAISES(Div(kInf, 2.0), parallo::kOverflow);
}

TEST(ErrorObject, StandardNumbersAndTexts) {
    struct Case {
        std::int32_t number;
        const char *text;
    };
    const Case cases[] = {
        {parallo::kInvalidProcedureCall, "Invalid procedure call or argument"},
        {parallo::kOverflow, "Overflow"},
        {parallo::kSubscriptOutOfRange, "Subscript out of range"},
        {parallo::kDivisionByZero, "Division by zero"},
        {parallo::kTypeMismatch, "Type mismatch"},
        {parallo::kObjectNotSet, "Object variable or With block variable not set"},
        {parallo::kDuplicateKey, "This key is already associated with an element of this collection"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(Error::StandardDescription(c.number), c.text);
        try {
            parallo::Raise(c.number, "Somewhere");
            ADD_FAILURE() << "Raise returned";
        } catch (const Error &e) {
            EXPECT_EQ(e.Number(), c.number);
            EXPECT_EQ(e.Description(), c.text);
            EXPECT_EQ(e.Source(), "Somewhere");
            EXPECT_EQ(std::string(e.what()), std::string("Somewhere: ") + c.text);
        }
    }
    EXPECT_EQ(Error::StandardDescription(12345), "");
}

TEST(ErrorObject, OwnChecksRaiseNumberOneWithMessageAndSource) {
    try {
        parallo::RaiseOwn("Stroke distance must be positive", "Validate_StrokeDistance");
        ADD_FAILURE() << "RaiseOwn returned";
    } catch (const std::exception &ex) { // a standard exception
        const auto &e = dynamic_cast<const Error &>(ex);
        EXPECT_EQ(e.Number(), parallo::kOwnCheck);
        EXPECT_EQ(e.Description(), "Stroke distance must be positive");
        EXPECT_EQ(e.Source(), "Validate_StrokeDistance");
    }
    // An error without description or source still explains itself.
    EXPECT_EQ(std::string(Error(42, "").what()), "error 42");
}

TEST(Deref, MissingObjectIsError91) {
    std::shared_ptr<int> none;
    EXPECT_RAISES(Deref(none), parallo::kObjectNotSet);
    auto some = std::make_shared<int>(7);
    int &ref = Deref(some);
    ref = 8;
    EXPECT_EQ(*some, 8); // the reference is to the host's object itself
}

} // namespace
