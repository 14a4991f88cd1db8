// Numbers and strings of JSON text. Well-formed UTF-8 is copied here; anything else goes to the
// library's own serializer, so that the rare replacement of bad bytes is exactly its own.
#include "json_text.h"

#include <cmath>
#include <cstdio>

#include "config_json.h"

namespace parallo {
namespace cli {

namespace {

/// The length of the well-formed UTF-8 sequence starting at s[i] (a byte of at least 0x80), or 0
/// when it is ill-formed: overlong forms, surrogates and code points beyond U+10FFFF are refused.
std::size_t SequenceLength(const std::string &s, std::size_t i) {
    auto at = [&s](std::size_t k) { return k < s.size() ? static_cast<unsigned char>(s[k]) : 0u; };
    auto tail = [&at](std::size_t k) { return at(k) >= 0x80 && at(k) <= 0xBF; };
    const unsigned lead = at(i), second = at(i + 1);
    if (lead >= 0xC2 && lead <= 0xDF) return tail(i + 1) ? 2 : 0;
    if (lead >= 0xE0 && lead <= 0xEF) {
        const unsigned lo = lead == 0xE0 ? 0xA0 : 0x80, hi = lead == 0xED ? 0x9F : 0xBF;
        return second >= lo && second <= hi && tail(i + 2) ? 3 : 0;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        const unsigned lo = lead == 0xF0 ? 0x90 : 0x80, hi = lead == 0xF4 ? 0x8F : 0xBF;
        return second >= lo && second <= hi && tail(i + 2) && tail(i + 3) ? 4 : 0;
    }
    return 0;
}

const char *Escape(unsigned char c) {
    switch (c) {
    case '"':
        return "\\\"";
    case '\\':
        return "\\\\";
    case '\b':
        return "\\b";
    case '\t':
        return "\\t";
    case '\n':
        return "\\n";
    case '\f':
        return "\\f";
    case '\r':
        return "\\r";
    default:
        return nullptr;
    }
}

} // namespace

void AppendJsonNumber(std::string &out, double value) {
    if (!std::isfinite(value)) {
        out += "null";
        return;
    }
    char buffer[64];
    const char *end = nlohmann::detail::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, static_cast<std::size_t>(end - buffer));
}

void AppendJsonString(std::string &out, const std::string &text) {
    const std::size_t start = out.size();
    out += '"';
    std::size_t plain = 0; // start of the run of bytes copied as they are
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            const std::size_t length = SequenceLength(text, i);
            if (length == 0) {
                out.resize(start);
                out += Json(text).dump(-1, ' ', false, Json::error_handler_t::replace);
                return;
            }
            i += length;
            continue;
        }
        if (c >= 0x20 && c != '"' && c != '\\') {
            ++i;
            continue;
        }
        out.append(text, plain, i - plain);
        if (const char *escape = Escape(c)) {
            out += escape;
        } else {
            char code[8];
            std::snprintf(code, sizeof code, "\\u%04x", static_cast<unsigned>(c));
            out += code;
        }
        plain = ++i;
    }
    out.append(text, plain, text.size() - plain);
    out += '"';
}

} // namespace cli
} // namespace parallo
