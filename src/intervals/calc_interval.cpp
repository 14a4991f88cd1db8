// Placeholder until this subsystem's procedures are written.
#include "service/state.h"

namespace parallo {
void ParalloCls::CalcGridInterval(std::int16_t&, double&) noexcept {}
} // namespace parallo
