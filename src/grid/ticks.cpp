// Placeholder until this subsystem's procedures are written.
#include "service/state.h"

namespace parallo {
void ParalloCls::CreateTicksCrosses(std::int32_t&) noexcept {}
} // namespace parallo
