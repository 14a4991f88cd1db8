// Placeholder until this subsystem's procedures are written.
#include "service/state.h"

namespace parallo {
void ParalloCls::CreateGridlines(std::int32_t&) noexcept {}
} // namespace parallo
