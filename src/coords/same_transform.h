// Whether two transformation objects of the PROJ engine are the same transformation: made from
// the same two system descriptions with the same storage on each side, they run the same PROJ
// operation on the same numbers and so give every point the very same bits.
#ifndef PARALLO_OUTSIDE_SAME_TRANSFORM_H
#define PARALLO_OUTSIDE_SAME_TRANSFORM_H

#include "parallo/coordkit.h"

namespace coordkit {
namespace projdetail {

/// True only when both are transformations of the PROJ engine between the same descriptions and
/// storage types; false for every other engine's, whose sameness cannot be told.
bool SameProjTransformation(const CoordTransform &a, const CoordTransform &b) noexcept;

} // namespace projdetail
} // namespace coordkit

#endif
