// The JSON layer of the configuration reader.
#include "config_json.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <istream>
#include <limits>
#include <set>

namespace parallo {
namespace cli {

namespace {

constexpr int kMaxDepth = 64;

std::string Lower(std::string s) {
    for (char &c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::size_t EditDistance(const std::string &a, const std::string &b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j)
        row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            std::size_t above = row[j];
            std::size_t substitution = diagonal + (a[i - 1] == b[j - 1] ? 0 : 1);
            row[j] = std::min({above + 1, row[j - 1] + 1, substitution});
            diagonal = above;
        }
    }
    return row[b.size()];
}

constexpr std::size_t kMaxShown = 120;
std::string Shortened(const std::string &s) {
    return s.size() <= kMaxShown ? s : s.substr(0, kMaxShown) + "...";
}

std::string EnumChoices(const EnumTable &table) {
    std::string text;
    for (const EnumMember &m : table) {
        if (!text.empty()) text += ", ";
        text += std::string(m.name) + " (" + std::to_string(m.value) + ")";
    }
    return text;
}

// ---- JSON parsing with a depth limit and duplicate-key detection ------------------------------

struct ParseFrame {
    bool isObject = false;
    std::string key;
    long index = -1;
    std::set<std::string> keys;
};

std::string StackPath(const std::vector<ParseFrame> &stack) {
    std::string path = "$";
    for (const ParseFrame &frame : stack) {
        if (frame.isObject) {
            if (!frame.key.empty() || !frame.keys.empty()) path = MemberPath(path, frame.key);
        } else if (frame.index >= 0) {
            path = IndexPath(path, static_cast<std::size_t>(frame.index));
        }
    }
    return path;
}

} // namespace

ConfigError::ConfigError(const std::string &path, const std::string &problem)
    : std::runtime_error(Shortened(path) + ": " + problem), path_(path), problem_(problem) {}

std::string Quoted(const std::string &s) {
    return Json(Shortened(s)).dump(-1, ' ', false, Json::error_handler_t::replace);
}

std::string TypeName(const Json &v) {
    if (v.is_number()) return "a number";
    if (v.is_string()) return "a string";
    if (v.is_boolean()) return "a boolean";
    if (v.is_null()) return "null";
    if (v.is_array()) return "an array";
    return "an object";
}

[[noreturn]] void Fail(const std::string &path, const std::string &problem) {
    throw ConfigError(path, problem);
}

std::string IndexPath(const std::string &parent, std::size_t index) {
    return parent + "[" + std::to_string(index) + "]";
}

std::string Suggestion(const std::string &word, const std::vector<std::string> &names) {
    std::string nearest = NearestName(word, names);
    return nearest.empty() ? std::string() : "; did you mean " + Quoted(nearest) + "?";
}

void RejectUnknownMembers(const Json &object, const std::string &path,
                          const std::vector<std::string> &names) {
    for (auto it = object.begin(); it != object.end(); ++it)
        if (std::find(names.begin(), names.end(), it.key()) == names.end())
            Fail(MemberPath(path, it.key()), "unknown key" + Suggestion(it.key(), names));
}

// ---- scalar readers ---------------------------------------------------------------------------

double ReadNumber(const Json &v, const std::string &path) {
    if (!v.is_number()) Fail(path, "expected a number, got " + TypeName(v));
    double x = v.get<double>();
    if (!std::isfinite(x)) Fail(path, "the number is out of range");
    return x;
}

std::int64_t ReadInteger(const Json &v, const std::string &path, std::int64_t lo, std::int64_t hi) {
    double x = ReadNumber(v, path);
    if (std::floor(x) != x) Fail(path, "expected a whole number, got " + v.dump());
    if (x < static_cast<double>(lo) || x > static_cast<double>(hi))
        Fail(path,
             "the number " + v.dump() + " is outside " + std::to_string(lo) + " to " + std::to_string(hi));
    return static_cast<std::int64_t>(x);
}

bool ReadBool(const Json &v, const std::string &path) {
    if (!v.is_boolean()) Fail(path, "expected true or false, got " + TypeName(v));
    return v.get<bool>();
}

std::string ReadString(const Json &v, const std::string &path) {
    if (!v.is_string()) Fail(path, "expected a string, got " + TypeName(v));
    return v.get<std::string>();
}

std::int32_t ReadEnum(const Json &v, const std::string &path, const EnumTable &table) {
    if (v.is_number()) {
        double x = v.get<double>();
        for (const EnumMember &m : table)
            if (x == static_cast<double>(m.value)) return m.value;
        Fail(path, "the value " + v.dump() + " is out of range: expected one of " + EnumChoices(table));
    }
    if (v.is_string()) {
        std::string name = v.get<std::string>();
        std::vector<std::string> names;
        for (const EnumMember &m : table) {
            if (name == m.name) return m.value;
            names.emplace_back(m.name);
        }
        Fail(path, "unknown member " + Quoted(name) + Suggestion(name, names) + " (expected one of " +
                       EnumChoices(table) + ")");
    }
    Fail(path, "expected a member name or number, got " + TypeName(v));
}

shapekit::Point ReadPoint(const Json &v, const std::string &path) {
    if (!v.is_array() || v.size() < 2 || v.size() > 3)
        Fail(path, "expected a point [x, y] or [x, y, z], got " +
                       (v.is_array() ? "an array of " + std::to_string(v.size()) : TypeName(v)));
    shapekit::Point p;
    p.x = ReadNumber(v[0], IndexPath(path, 0));
    p.y = ReadNumber(v[1], IndexPath(path, 1));
    if (v.size() == 3) p.z = ReadNumber(v[2], IndexPath(path, 2));
    return p;
}

std::string NearestName(const std::string &word, const std::vector<std::string> &candidates) {
    std::string best;
    // No known name is this long: the edit distances would only cost time (a megabyte-long key
    // against every name takes seconds).
    if (word.size() > 2 * kMaxShown) return best;
    std::size_t bestDistance = std::numeric_limits<std::size_t>::max();
    const std::string lowered = Lower(word);
    for (const std::string &c : candidates) {
        const std::string candidate = Lower(c);
        std::size_t d = EditDistance(lowered, candidate);
        // A shortened or lengthened name ("Base" for "BaseStorageType") is a near miss too.
        if (!lowered.empty() &&
            (candidate.find(lowered) != std::string::npos || lowered.find(candidate) != std::string::npos))
            d = std::min<std::size_t>(d, 1);
        if (d < bestDistance) {
            bestDistance = d;
            best = c;
        }
    }
    return best;
}

std::string MemberPath(const std::string &parent, const std::string &key) {
    bool plain = !key.empty() && !std::isdigit(static_cast<unsigned char>(key[0]));
    for (char c : key)
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_')) plain = false;
    return plain ? parent + "." + key : parent + "[" + Quoted(key) + "]";
}

Json ParseJson(const std::string &text) { return ParseJson(text, std::string(), nullptr); }

namespace {

/// ParseJson of a text or of a stream.
template <class Input>
Json ParseRouted(Input &input, const std::string &arrayKey, const std::function<void(Json &&)> &element) {
    std::vector<ParseFrame> stack;
    // An element of the root object's member `arrayKey` is complete when its own value or its
    // closing bracket arrives with the root object and that array left on the stack.
    auto routed = [&stack, &arrayKey, &element](int depth) {
        return element && depth == 2 && stack.size() == 2 && stack[0].isObject && stack[0].key == arrayKey &&
               !stack[1].isObject;
    };
    auto callback = [&stack, &routed, &element](int depth, nlohmann::detail::parse_event_t event,
                                                Json &parsed) -> bool {
        using Event = nlohmann::detail::parse_event_t;
        auto beginElement = [&stack]() {
            if (!stack.empty() && !stack.back().isObject) ++stack.back().index;
        };
        switch (event) {
        case Event::object_start:
        case Event::array_start:
            if (depth >= kMaxDepth) throw ConfigError(StackPath(stack), "nesting deeper than 64 levels");
            beginElement();
            stack.push_back(ParseFrame{event == Event::object_start, std::string(), -1, {}});
            break;
        case Event::key: {
            ParseFrame &frame = stack.back();
            std::string key = parsed.is_string() ? parsed.get<std::string>() : std::string();
            frame.key = key;
            if (!frame.keys.insert(key).second) throw ConfigError(StackPath(stack), "duplicate key");
            break;
        }
        case Event::value:
            beginElement();
            if (routed(depth)) {
                element(std::move(parsed));
                return false;
            }
            break;
        case Event::object_end:
        case Event::array_end:
            if (!stack.empty()) stack.pop_back();
            if (routed(depth)) {
                element(std::move(parsed));
                return false;
            }
            break;
        }
        return true;
    };
    try {
        return Json::parse(input, callback);
    } catch (const Json::exception &e) {
        // A syntax error, and also a number too large for a double ("1e999"), which the parser
        // reports as out of range rather than as a syntax error.
        std::string message = e.what();
        std::size_t cut = message.find("] ");
        if (cut != std::string::npos) message = message.substr(cut + 2);
        throw ConfigError("$", "not valid JSON: " + message);
    }
}

} // namespace

Json ParseJson(const std::string &text, const std::string &arrayKey, const std::function<void(Json &&)> &element) {
    return ParseRouted(text, arrayKey, element);
}

Json ParseJson(std::istream &in, const std::string &arrayKey, const std::function<void(Json &&)> &element) {
    return ParseRouted(in, arrayKey, element);
}

} // namespace cli
} // namespace parallo
