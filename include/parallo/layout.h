// Label layout: the box each grid label's text covers on the map, measured from its fonts, and a
// deterministic choice of the labels to show so that no two overprint and none crosses the
// neatline.
//
//   auto measurer = parallo::CreateFontTextMeasurer();          // nullptr without fonts
//   parallo::ApproximateTextMeasurer rough;
//   parallo::LabelStyle style = parallo::LabelStyleOf(service);
//   style.LabelPosition = parallo::pxgrdLabelPosition_Outside;  // as handed to the service
//   parallo::LabelLayout layout = parallo::LayOutLabels(
//       parallo::LayoutLabelsOf(*service.LabelsCollection(), false), style,
//       *service.NeatlinePolygon(), 50000.0, measurer ? *measurer : rough);
#ifndef PARALLO_LAYOUT_H
#define PARALLO_LAYOUT_H

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "parallo/enums.h"
#include "parallo/export.h"
#include "parallo/records.h"
#include "parallo/shapekit.h"
#include "parallo/stdfont.h"

namespace parallo {

class ParalloCls;

// ---- text measurement -----------------------------------------------------------------------

/// The extent of one run of text set on one baseline, in points.
struct TextExtent {
    double Advance = 0.0; ///< width along the baseline: the sum of the shaped glyphs' advances
    double Ascent = 0.0;  ///< how far the run's ink rises above its baseline (0 for no ink)
    double Descent = 0.0; ///< how far the run's ink reaches below its baseline (0 for no ink)
};

/// Measures runs of text. A measurer is used by one thread at a time.
class PARALLO_EXPORT TextMeasurer {
public:
    virtual ~TextMeasurer();
    /// One run of UTF-8 `text` in the face `font` names (Name, Bold or Weight >= 600, Italic) at
    /// `size` points; the font's own Size is not read. May raise when no face can be had.
    virtual TextExtent Measure(const std::string &text, const StdFont &font, double size) = 0;
};

/// A measurer without fonts: every character (UTF-8 code point) 0.6 em wide, ink 0.73 em above
/// the baseline and none below, as the digits of a common sans-serif face.
class PARALLO_EXPORT ApproximateTextMeasurer : public TextMeasurer {
public:
    TextExtent Measure(const std::string &text, const StdFont &font, double size) override;
};

/// A measurer on real faces: fontconfig chooses the face for the font's name, weight and slant
/// (falling back as fontconfig does), FreeType loads it unhinted and HarfBuzz shapes the text,
/// kerning included. Measurements are kept per face and text. nullptr when the library was built
/// without fonts (PARALLO_WITH_FONTS off) or fontconfig cannot start.
PARALLO_EXPORT std::unique_ptr<TextMeasurer> CreateFontTextMeasurer();

// ---- one label's box ------------------------------------------------------------------------

/// How labels are drawn and placed: the service's six label parts, where its hemisphere text
/// stands, which side of the neatline its labels belong on, and the map view's unit.
struct LabelStyle {
    std::shared_ptr<LabelPartCls> PartA, PartB, PartC, PartD, PartUnit, PartHemisphere;
    bool bHemisphereAsSuffix = false;
    pxgrdLabelPosition LabelPosition = pxgrdLabelPosition_Outside;
    /// Ground metres per map-view unit: 1 for a metric map view, 0.3048 for international feet.
    double MapUnitMetres = 1.0;
    /// The least white space between two shown labels, in points on paper. Boxes that merely
    /// touch would read as one run of digits ("500500501000"); a gap of a few points keeps
    /// neighbouring values apart. 0 lets boxes touch. Not applied against the neatline.
    double MinimumGap = 0.0;
};

/// The parts and bHemisphereAsSuffix of a service; LabelPosition and MapUnitMetres stay at
/// their defaults (the service does not read them back).
PARALLO_EXPORT LabelStyle LabelStyleOf(const ParalloCls &service);

/// Typesetting constants, in ems of the label's base size: the largest size among its normal
/// parts (kDefaultLabelSize when none has a size). A part without a size of its own is set at
/// the base size, or kSmallPartRatio of it when superscript or subscript.
constexpr double kDefaultLabelSize = 12.0; ///< points
constexpr double kSmallPartRatio = 0.7;
constexpr double kSuperscriptRise = 0.4;     ///< superscript baseline above the label's
constexpr double kSubscriptDrop = 0.24;      ///< subscript baseline below the label's
constexpr double kBaselineAboveOrigin = 0.1; ///< text standing above its origin (9, or unset)
constexpr double kBaselineHanging = 0.75;    ///< below the origin: text hanging from it (7)
constexpr double kBaselineCentred = 0.35;    ///< below the origin: text centred on it (8)
/// One point on paper, in millimetres.
constexpr double kPointMillimetres = 25.4 / 72.0;

/// One styled run of a label's text, in reading order.
struct LabelRun {
    std::string Text;
    const LabelPartCls *Part = nullptr; ///< the style's part it is set in (null: none displayed)
    double Size = 0.0;                  ///< points
    double Rise = 0.0;                  ///< baseline shift, points, up positive
};

/// The runs a label is drawn in: the displayed parts' texts (hemisphere before or after, the
/// point of degrees-minutes-seconds without marks after part A), or the whole LabelString in
/// part A's style when the parts do not spell it. Empty for a label with no text.
PARALLO_EXPORT std::vector<LabelRun> LabelRuns(const GridLabel &label, const LabelStyle &style);

/// The rectangle a label's ink covers, turned with the label, in map-view coordinates. Corners
/// counter-clockwise from the lower left of the upright text.
struct LabelBox {
    std::array<shapekit::Point, 4> Corners{};
    /// A label with no text covers nothing and collides with nothing.
    bool Empty = true;
};

/// The box of one label at the map scale 1:MapScale (font sizes are points on paper). The text
/// is turned by Angle degrees counter-clockwise about Origin and justified on it: horizontally by
/// the width of its runs, vertically by its baseline (kBaseline... ems of the base size). Raises
/// Invalid procedure call (5) for a MapScale or MapUnitMetres that is not positive and finite,
/// Object not set (91) for a label without Origin, Overflow (6) for a box that is not finite.
PARALLO_EXPORT LabelBox MeasureLabelBox(const GridLabel &label, const LabelStyle &style, double MapScale,
                                        TextMeasurer &measurer);

// ---- choosing the labels to show ------------------------------------------------------------

/// One label handed to the layout. Corner labels are placed before every edge label.
struct LayoutLabel {
    std::shared_ptr<GridLabel> Label;
    bool Corner = false;
};

/// Every label of a collection, in its order.
PARALLO_EXPORT std::vector<LayoutLabel> LayoutLabelsOf(const GridLabels &labels, bool corner);

/// How round a label's value is, from the digits its displayed parts A to D show: three per
/// trailing zero, plus 2 when the last other digit is 5 and 1 when it is even. With a decimal
/// interval, every 10th grid value outranks every 5th, which outranks every 2nd. A value of
/// zeros alone ranks kRoundestValue; a label without digits ranks 0.
PARALLO_EXPORT std::int32_t LabelRoundness(const GridLabel &label, const LabelStyle &style);
constexpr std::int32_t kRoundestValue = 1000;

/// What became of one label.
enum LabelFate : std::int32_t {
    kLabelShown = 0,
    kLabelOverlaps = 1,        ///< hidden: it overlaps a label shown before it
    kLabelCrossesNeatline = 2, ///< hidden: its box crosses or touches the neatline
    kLabelWrongSide = 3,       ///< hidden: wholly inside for outside labels, or the reverse
    kLabelUnplaced = 4,        ///< hidden: no Origin, or a box that is not finite
};

/// One label's place in the layout, in the order the labels were handed in.
struct LabelPlacement {
    std::shared_ptr<GridLabel> Label;
    bool Corner = false;
    std::int32_t Roundness = 0;
    LabelBox Box;
    bool Hidden = false;
    LabelFate Fate = kLabelShown;
    /// For kLabelOverlaps, the position (0-based, in Placements) of the shown label it yields
    /// to; -1 otherwise.
    std::int32_t YieldedTo = -1;
};

/// One hidden label, for a report.
struct DroppedLabel {
    std::int32_t Index = -1; ///< position in Placements
    std::string Value;       ///< its LabelString
    std::string ID;
    pxgrdLabelAxis Side = pxgrdNorth;
    LabelFate Reason = kLabelOverlaps;
    std::int32_t YieldedTo = -1; ///< position of the label it yields to, or -1
    std::string YieldedToValue;
    std::string YieldedToID;
};

struct LabelLayout {
    std::vector<LabelPlacement> Placements; ///< one per label handed in, in that order
    std::vector<DroppedLabel> Dropped;      ///< the hidden labels, in placing order
    std::string Failure;                    ///< empty, or why nothing was laid out
};

/// Measures every label and chooses the labels to show, deterministically: corner labels first,
/// then by roundness, then in the order handed in; a label is shown when its box lies wholly on
/// its side of `neatline` (a ring in map-view coordinates) and overlaps no box shown before it.
/// Touching boxes do not overlap; boxes closer than style.MinimumGap do. O(n log n) in the labels plus the neatline's vertices.
/// Never throws: on a failure (a bad MapScale, a face that cannot be loaded, no memory) Failure
/// says why and every label is left shown with an empty box.
PARALLO_EXPORT LabelLayout LayOutLabels(const std::vector<LayoutLabel> &labels, const LabelStyle &style,
                                        const shapekit::PolygonGeometry &neatline, double MapScale,
                                        TextMeasurer &measurer) noexcept;

/// The bounding rectangle of every shown box (a drawing's view box must hold it); false when no
/// label with a box is shown.
PARALLO_EXPORT bool ShownBounds(const LabelLayout &layout, shapekit::Point &lowerLeft,
                                shapekit::Point &upperRight);

/// Whether two boxes overlap with an area of their own (not merely touching).
PARALLO_EXPORT bool BoxesOverlap(const LabelBox &a, const LabelBox &b);

} // namespace parallo

#endif
