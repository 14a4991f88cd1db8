// Placeholder until this subsystem's procedures are written.
#include "service/state.h"

namespace parallo {
void ParalloCls::CreateBorder(std::int32_t&) noexcept {}
void ParalloCls::CreateBorder() noexcept {}
} // namespace parallo
