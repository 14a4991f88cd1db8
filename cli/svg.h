// The SVG writer: a picture of the whole frame that a person can judge at a glance. Neatline,
// border, grid lines, ticks and crosses are strokes; labels are text placed by their origin,
// angle and justifications, with each label part in its own span and font.
#ifndef PARALLO_CLI_SVG_H
#define PARALLO_CLI_SVG_H

#include <string>
#include <vector>

#include "config.h"
#include "run.h"

namespace parallo {
namespace cli {

/// One styled run of a label's text.
struct LabelSpan {
    std::string text;
    /// The part whose style the run takes; null for the label's plain text.
    const LabelPartCls* part = nullptr;
};

/// The runs of a label in reading order: the hemisphere in front (or behind with
/// bHemisphereAsSuffix), parts A to D and the unit, each only when its part is displayed. When
/// the runs do not spell the label's LabelString, the whole string as one run in part A's style.
std::vector<LabelSpan> LabelSpans(const ParalloCls& service, const GridLabel& label);

/// The whole SVG document: the border (or the neatline) fills the picture with a margin; y points
/// up on the page as on the map.
std::string WriteSvg(const Frame& frame, const RunResult& result);

} // namespace cli
} // namespace parallo

#endif
