// Placeholder until this subsystem's procedures are written.
#include "service/state.h"

namespace parallo {
void ParalloCls::CreateNeatline(std::int32_t&) noexcept {}
void ParalloCls::CreateNeatline() noexcept {}
} // namespace parallo
