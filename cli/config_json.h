// The JSON layer of the configuration reader: parsing with a depth limit and duplicate-key
// detection, JSON paths for messages, "did you mean" suggestions, and readers of single values
// that refuse anything else with a ConfigError naming the value's path.
#ifndef PARALLO_CLI_CONFIG_JSON_H
#define PARALLO_CLI_CONFIG_JSON_H

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <stdexcept>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "parallo/shapekit.h"

namespace parallo {
namespace cli {

using Json = nlohmann::ordered_json;

/// A configuration the command refuses: `Path()` is the offending key as a JSON path
/// ("$.LabelPartA.Font.Size", "$.NeatlinePolygon[3][0]"), `what()` reads "<path>: <problem>".
class ConfigError : public std::runtime_error {
public:
    ConfigError(const std::string &path, const std::string &problem);
    const std::string &Path() const noexcept { return path_; }
    const std::string &Problem() const noexcept { return problem_; }

private:
    std::string path_;
    std::string problem_;
};

/// Parses JSON text, refusing nesting deeper than 64 levels and duplicate keys. Raises
/// ConfigError (path "$" for a syntax error) on failure.
Json ParseJson(const std::string &text);

/// ParseJson that hands each element of the root object's member `arrayKey` (when that is an
/// array) to `element` as soon as it is parsed, and leaves it out of the result (the array stays,
/// empty), so that a document of many such elements never stands in memory whole.
Json ParseJson(const std::string &text, const std::string &arrayKey, const std::function<void(Json &&)> &element);

/// The same, reading the text from `in` to its end: the text itself is not held either.
Json ParseJson(std::istream &in, const std::string &arrayKey, const std::function<void(Json &&)> &element);

/// The nearest of `candidates` to `word` by edit distance (case-insensitive), or "" when there
/// are none.
std::string NearestName(const std::string &word, const std::vector<std::string> &candidates);

/// The JSON path of a member `key` under `parent` ($.a.b, $["odd key"]).
std::string MemberPath(const std::string &parent, const std::string &key);

/// The JSON path of element `index` under `parent` ($.a[3]).
std::string IndexPath(const std::string &parent, std::size_t index);

/// A text from the configuration as a message shows it: quoted, and cut after 120 characters so
/// that a megabyte-long key or name cannot turn a one-line message into a megabyte.
std::string Quoted(const std::string &s);

/// "a number", "a string", "an array", ... for "expected X, got Y".
std::string TypeName(const Json &v);

/// Raises ConfigError(path, problem).
[[noreturn]] void Fail(const std::string &path, const std::string &problem);

/// "; did you mean "Name"?" for the nearest of `names`, or "" when there is none.
std::string Suggestion(const std::string &word, const std::vector<std::string> &names);

/// Refuses the first member of `object` whose key is not one of `names`.
void RejectUnknownMembers(const Json &object, const std::string &path, const std::vector<std::string> &names);

// ---- readers of single values: each raises ConfigError at `path` for anything else ----------

/// A finite number.
double ReadNumber(const Json &v, const std::string &path);
/// A whole number from lo to hi.
std::int64_t ReadInteger(const Json &v, const std::string &path, std::int64_t lo, std::int64_t hi);
bool ReadBool(const Json &v, const std::string &path);
std::string ReadString(const Json &v, const std::string &path);
/// [x, y] or [x, y, z] of finite numbers; z is 0 when not given.
shapekit::Point ReadPoint(const Json &v, const std::string &path);

/// One member of an enumeration: its name and its value.
struct EnumMember {
    const char *name;
    std::int32_t value;
};
using EnumTable = std::vector<EnumMember>;

/// A member of `table` by its number or its name.
std::int32_t ReadEnum(const Json &v, const std::string &path, const EnumTable &table);

} // namespace cli
} // namespace parallo

#endif
