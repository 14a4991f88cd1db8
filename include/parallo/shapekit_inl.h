// Template definitions of shapekit.h.
#ifndef PARALLO_SHAPEKIT_INL_H
#define PARALLO_SHAPEKIT_INL_H

#include "parallo/error.h"
#include "parallo/shapekit.h"

namespace shapekit {

template <class T> std::shared_ptr<T> As(const std::shared_ptr<Geometry>& geometry) {
    if (!geometry) parallo::Raise(parallo::kObjectNotSet);
    auto typed = std::dynamic_pointer_cast<T>(geometry);
    if (!typed) parallo::Raise(parallo::kTypeMismatch);
    return typed;
}

} // namespace shapekit

#endif
