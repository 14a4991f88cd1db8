// Placeholder until this subsystem's procedures are written.
#include "service/state.h"

namespace parallo {
void ParalloCls::CreateLabels(std::int32_t&) noexcept {}
void ParalloCls::CreateLabels() noexcept {}
} // namespace parallo
