// JSON text written straight into a string, character for character as Json::dump writes it in
// its compact form, for writers that stream large documents instead of building a tree.
#ifndef PARALLO_CLI_JSON_TEXT_H
#define PARALLO_CLI_JSON_TEXT_H

#include <string>

namespace parallo {
namespace cli {

/// Appends `value` as Json::dump writes a floating-point number: the digits of nlohmann's
/// round-trip conversion (which reads back to the same double, but is not always the shortest
/// such text), a ".0" on a whole number below 1e15, an exponent of at least two digits with its
/// sign ("1e+21", "1e-07"), and "null" for NaN and the infinities.
void AppendJsonNumber(std::string &out, double value);

/// Appends `text` quoted and escaped as Json::dump writes it without ensure_ascii and with
/// invalid UTF-8 replaced: '"', '\\' and the control characters escaped (\b \t \n \f \r, the
/// others as \u00xx), every other character as its own bytes, and each ill-formed byte sequence
/// as U+FFFD.
void AppendJsonString(std::string &out, const std::string &text);

} // namespace cli
} // namespace parallo

#endif
