// Placeholder until this subsystem's procedures are written.
#include "service/state.h"

namespace parallo {
void ParalloCls::LCL_SegmentIntersectSegment(const Point&, const Point&, const Point&, const Point&, PointPtr&,
                                             std::int32_t&, double&) noexcept {}
} // namespace parallo
