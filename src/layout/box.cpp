// One label's box: its text split into styled runs, measured, justified on its origin and turned
// with it, at the map's scale.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "parallo/layout.h"
#include "parallo/parallo.h"
#include "parallo/planicalc.h"
#include "platform/numbers.h"

namespace parallo {

TextMeasurer::~TextMeasurer() = default;

TextExtent ApproximateTextMeasurer::Measure(const std::string &text, const StdFont &, double size) {
    std::size_t characters = 0;
    for (char c : text)
        if ((static_cast<unsigned char>(c) & 0xC0u) != 0x80u) ++characters; // not a continuation byte
    TextExtent e;
    e.Advance = 0.6 * size * static_cast<double>(characters);
    e.Ascent = characters > 0 ? 0.73 * size : 0.0;
    return e;
}

LabelStyle LabelStyleOf(const ParalloCls &service) {
    LabelStyle style;
    style.PartA = service.LabelPartA();
    style.PartB = service.LabelPartB();
    style.PartC = service.LabelPartC();
    style.PartD = service.LabelPartD();
    style.PartUnit = service.LabelPartUnit();
    style.PartHemisphere = service.LabelPartHemisphere();
    style.bHemisphereAsSuffix = service.bHemisphereAsSuffix();
    return style;
}

namespace {

bool Displayed(const std::shared_ptr<LabelPartCls> &part) { return part && part->bDisplay(); }

/// A part's own size, or the base size (scaled down for super- and subscript) when it has none.
double PartSize(const LabelPartCls *part, double base) {
    if (part && part->Font() && part->Font()->Size > 0.0) return part->Font()->Size;
    const bool small = part && part->FontType() != pxgrdFontType_Normal;
    return small ? base * kSmallPartRatio : base;
}

std::vector<LabelRun> Spans(const GridLabel &label, const LabelStyle &style, bool pointAfterA) {
    std::vector<LabelRun> runs;
    auto add = [&runs](const std::shared_ptr<LabelPartCls> &part, const std::string &text) {
        if (Displayed(part) && !text.empty()) runs.push_back(LabelRun{text, part.get(), 0.0, 0.0});
    };
    if (!style.bHemisphereAsSuffix) add(style.PartHemisphere, label.LabelStringHemisphere);
    add(style.PartA, label.LabelStringA);
    if (pointAfterA && Displayed(style.PartA)) runs.push_back(LabelRun{".", style.PartA.get(), 0.0, 0.0});
    add(style.PartB, label.LabelStringB);
    add(style.PartC, label.LabelStringC);
    add(style.PartD, label.LabelStringD);
    add(style.PartUnit, label.LabelStringUnit);
    if (style.bHemisphereAsSuffix) add(style.PartHemisphere, label.LabelStringHemisphere);
    return runs;
}

bool Spells(const std::vector<LabelRun> &runs, const std::string &text) {
    std::string joined;
    for (const LabelRun &run : runs)
        joined += run.Text;
    return joined == text;
}

const StdFont &FontOf(const LabelRun &run) {
    static const StdFont fallback = [] {
        StdFont f;
        f.Name = "DejaVu Sans";
        return f;
    }();
    return run.Part && run.Part->Font() ? *run.Part->Font() : fallback;
}

void CheckScale(double MapScale, double unitMetres) {
    if (!(MapScale > 0.0) || !std::isfinite(MapScale) || !(unitMetres > 0.0) || !std::isfinite(unitMetres))
        Raise(kInvalidProcedureCall);
}

} // namespace

std::vector<LabelRun> LabelRuns(const GridLabel &label, const LabelStyle &style) {
    std::vector<LabelRun> runs = Spans(label, style, false);
    if (!Spells(runs, label.LabelString)) {
        // Degrees-minutes-seconds without marks carry a point after the degrees.
        runs = Spans(label, style, true);
        if (!Spells(runs, label.LabelString)) {
            runs.clear();
            if (!label.LabelString.empty())
                runs.push_back(LabelRun{label.LabelString,
                                        Displayed(style.PartA) ? style.PartA.get() : nullptr, 0.0, 0.0});
        }
    }
    double base = 0.0;
    for (const LabelRun &run : runs)
        if (!run.Part || run.Part->FontType() == pxgrdFontType_Normal)
            base = std::max(base, PartSize(run.Part, kDefaultLabelSize));
    if (base <= 0.0) base = kDefaultLabelSize;
    for (LabelRun &run : runs) {
        run.Size = PartSize(run.Part, base);
        const pxgrdFontType type = run.Part ? run.Part->FontType() : pxgrdFontType_Normal;
        if (type == pxgrdFontType_Superscript) run.Rise = kSuperscriptRise * base;
        if (type == pxgrdFontType_Subscript) run.Rise = -kSubscriptDrop * base;
    }
    return runs;
}

LabelBox MeasureLabelBox(const GridLabel &label, const LabelStyle &style, double MapScale,
                         TextMeasurer &measurer) {
    CheckScale(MapScale, style.MapUnitMetres);
    const shapekit::Point &origin = platform::Deref(label.Origin);
    const std::vector<LabelRun> runs = LabelRuns(label, style);

    // The upright text in points: x along the baseline from the start of the text, y up.
    double width = 0.0, top = 0.0, bottom = 0.0, base = 0.0;
    bool ink = false;
    for (const LabelRun &run : runs) {
        const TextExtent e = measurer.Measure(run.Text, FontOf(run), run.Size);
        width += e.Advance;
        if (e.Ascent > 0.0 || e.Descent > 0.0) {
            top = ink ? std::max(top, run.Rise + e.Ascent) : run.Rise + e.Ascent;
            bottom = ink ? std::min(bottom, run.Rise - e.Descent) : run.Rise - e.Descent;
            ink = true;
        }
        if (run.Rise == 0.0) base = std::max(base, run.Size);
    }
    LabelBox box;
    if (runs.empty() || (!ink && width <= 0.0)) {
        box.Corners.fill(shapekit::Point(origin.x, origin.y));
        return box;
    }
    if (base <= 0.0) base = kDefaultLabelSize; // the base size LabelRuns set the small parts from

    double x0 = 0.0;
    if (label.HorizontalJustification == drawkit::kTextCentredOnOrigin) x0 = -0.5 * width;
    if (label.HorizontalJustification == drawkit::kTextEndsAtOrigin) x0 = -width;
    double baseline = kBaselineAboveOrigin * base;
    if (label.VerticalJustification == drawkit::kTextBelowOrigin) baseline = -kBaselineHanging * base;
    if (label.VerticalJustification == drawkit::kTextCentredVertically) baseline = -kBaselineCentred * base;

    const double k = MapScale * kPointMillimetres * 1e-3 / style.MapUnitMetres; // map units per point
    const double t = label.Angle * planicalc::TRG_DegreesToRadians();
    const double c = std::cos(t), s = std::sin(t);
    const double xs[4] = {x0, x0 + width, x0 + width, x0};
    const double ys[4] = {baseline + bottom, baseline + bottom, baseline + top, baseline + top};
    for (std::size_t i = 0; i < 4; ++i) {
        const double u = xs[i] * k, v = ys[i] * k;
        box.Corners[i] = shapekit::Point(platform::Finite(origin.x + c * u - s * v),
                                         platform::Finite(origin.y + s * u + c * v));
    }
    box.Empty = false;
    return box;
}

std::int32_t LabelRoundness(const GridLabel &label, const LabelStyle &style) {
    std::string digits;
    const std::pair<const std::shared_ptr<LabelPartCls> *, const std::string *> parts[] = {
        {&style.PartA, &label.LabelStringA},
        {&style.PartB, &label.LabelStringB},
        {&style.PartC, &label.LabelStringC},
        {&style.PartD, &label.LabelStringD}};
    for (const auto &part : parts)
        if (Displayed(*part.first))
            for (char c : *part.second)
                if (c >= '0' && c <= '9') digits += c;
    if (digits.empty()) return 0;
    const std::size_t last = digits.find_last_not_of('0');
    if (last == std::string::npos) return kRoundestValue;
    const auto zeros = static_cast<std::int32_t>(digits.size() - 1 - last);
    const int d = digits[last] - '0';
    return 3 * zeros + (d == 5 ? 2 : d % 2 == 0 ? 1 : 0);
}

std::vector<LayoutLabel> LayoutLabelsOf(const GridLabels &labels, bool corner) {
    std::vector<LayoutLabel> out;
    out.reserve(static_cast<std::size_t>(labels.Count()));
    for (const auto &label : labels)
        out.push_back(LayoutLabel{label, corner});
    return out;
}

} // namespace parallo
