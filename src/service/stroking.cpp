// Placeholder until this subsystem's procedures are written.
#include "service/state.h"

namespace parallo {
void ParalloCls::Create_Stroked_Rectangle(PolygonPtr&) noexcept {}
void ParalloCls::Set_DefaultStrokingGrid(double&) noexcept {}
void ParalloCls::Set_DefaultStrokingNeatline(double&) noexcept {}
} // namespace parallo
