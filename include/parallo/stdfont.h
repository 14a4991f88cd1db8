// The font record a label part carries. The library only stores it and hands it on.
#ifndef PARALLO_STDFONT_H
#define PARALLO_STDFONT_H

#include <cstdint>
#include <string>

namespace parallo {

/// A font description as a drawing host understands it. Held by std::shared_ptr, so that two
/// label parts given the same font share later changes to it.
struct StdFont {
    std::string Name;
    double Size = 0.0;     ///< points
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    bool Strikethrough = false;
    std::int16_t Weight = 400; ///< 400 normal, 700 bold
    std::int16_t Charset = 0;
};

} // namespace parallo

#endif
