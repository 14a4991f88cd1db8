// Text-justification values of the drawing library, as a label carries them.
#ifndef PARALLO_DRAWKIT_H
#define PARALLO_DRAWKIT_H

#include <cstdint>

namespace drawkit {

/// Horizontal justification of a text relative to its origin.
enum HorizontalJustification : std::int32_t {
    kHorizontalUnset = 0,  ///< a label not yet placed
    kTextStartsAtOrigin = 3, ///< left-justified: the text starts at the origin
    kTextCentredOnOrigin = 4,
    kTextEndsAtOrigin = 5, ///< right-justified: the text ends at the origin
};

/// Vertical justification of a text relative to its origin.
enum VerticalJustification : std::int32_t {
    kVerticalUnset = 0,     ///< a label not yet placed
    kTextBelowOrigin = 7,  ///< top-justified: the text hangs below the origin
    kTextCentredVertically = 8,
    kTextAboveOrigin = 9,  ///< bottom-justified: the text stands above the origin
};

} // namespace drawkit

#endif
