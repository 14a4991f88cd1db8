// The SVG writer: a picture of the whole frame that a person can judge at a glance. Neatline,
// border, grid lines, ticks and crosses are strokes, frame bars dark and light fills; labels are
// text placed by their origin, angle and justifications, with each label part in its own span
// and font. Of laid-out labels only the shown ones are drawn, and the picture holds their boxes.
#ifndef PARALLO_CLI_SVG_H
#define PARALLO_CLI_SVG_H

#include <string>
#include <vector>

#include "config.h"
#include "run.h"

namespace parallo {
namespace cli {

/// Page units per map-view unit: the frame (the border, else the neatline, with the frame bars
/// and frame ticks) drawn with its longer side 1000 units long. Label text is sized in points
/// and a page unit is one point, so that the labels of a frame laid out at the matching scale
/// come out at their own sizes.
double SvgPageScale(const Frame& frame, const RunResult& result);

/// The whole SVG document: the frame at SvgPageScale, the view box holding it and every shown
/// label's box, with a margin; y points up on the page as on the map.
std::string WriteSvg(const Frame& frame, const RunResult& result);

} // namespace cli
} // namespace parallo

#endif
