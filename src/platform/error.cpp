// The platform error object and its standard texts.
#include "parallo/error.h"

#include <utility>

namespace parallo {

namespace {
std::string WhatText(std::int32_t number, const std::string& description, const std::string& source) {
    std::string text = source.empty() ? std::string() : source + ": ";
    text += description.empty() ? "error " + std::to_string(number) : description;
    return text;
}
} // namespace

Error::Error(std::int32_t number, std::string description, std::string source)
    : std::runtime_error(WhatText(number, description, source)), number_(number),
      description_(std::move(description)), source_(std::move(source)) {}

std::string Error::StandardDescription(std::int32_t number) {
    switch (number) {
    case 5: return "Invalid procedure call or argument";
    case 6: return "Overflow";
    case 7: return "Out of memory";
    case 9: return "Subscript out of range";
    case 11: return "Division by zero";
    case 13: return "Type mismatch";
    case 91: return "Object variable or With block variable not set";
    case 457: return "This key is already associated with an element of this collection";
    default: return std::string();
    }
}

void Raise(std::int32_t number, const std::string& source) {
    throw Error(number, Error::StandardDescription(number), source);
}

void RaiseOwn(const std::string& message, const std::string& source) { throw Error(kOwnCheck, message, source); }

} // namespace parallo
