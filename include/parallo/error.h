// The platform error object: one exception type carrying a number, a description and a source.
#ifndef PARALLO_ERROR_H
#define PARALLO_ERROR_H

#include <cstdint>
#include <stdexcept>
#include <string>

#include "parallo/export.h"

namespace parallo {

/// Numbers of the platform's own failures. The library's own checks raise kOwnCheck.
enum ErrorNumber : std::int32_t {
    kOwnCheck = 1,
    kInvalidProcedureCall = 5,
    kOverflow = 6,
    kSubscriptOutOfRange = 9,
    kDivisionByZero = 11,
    kTypeMismatch = 13,
    kObjectNotSet = 91,
    kDuplicateKey = 457,
};

/// The one exception type of the library and its outside components. Generation methods never
/// let it escape; property accessors, records and the outside components raise it to the caller.
class PARALLO_EXPORT Error : public std::runtime_error {
public:
    Error(std::int32_t number, std::string description, std::string source = std::string());

    std::int32_t Number() const noexcept { return number_; }
    const std::string& Description() const noexcept { return description_; }
    const std::string& Source() const noexcept { return source_; }

    /// The platform's text for one of its own numbers ("Overflow", "Division by zero", ...);
    /// an empty text for a number it does not know.
    static std::string StandardDescription(std::int32_t number);

private:
    std::int32_t number_;
    std::string description_;
    std::string source_;
};

/// Raises a platform failure with its standard text.
[[noreturn]] PARALLO_EXPORT void Raise(std::int32_t number, const std::string& source = std::string());

/// Raises one of the library's own checks: number 1, the message, the procedure as source.
[[noreturn]] PARALLO_EXPORT void RaiseOwn(const std::string& message, const std::string& source);

} // namespace parallo

#endif
