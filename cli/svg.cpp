// SVG output. Map coordinates are turned into page coordinates here (scale, margin, y flipped)
// rather than by an SVG transform, so that text stays upright and strokes keep their width.
#include "svg.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

namespace parallo {
namespace cli {

namespace {

constexpr double kDrawingSize = 1000.0; // the longer side of the framed area, in page units
constexpr double kMargin = 60.0;        // page units around it, room for outside labels
constexpr double kDefaultFontSize = 12.0;
constexpr double kSmallFontRatio = 0.7; // super- and subscript parts without a size of their own
constexpr double kRaiseRatio = 0.4;     // how far super- and subscript leave the baseline, in ems

struct Box {
    double minx = std::numeric_limits<double>::infinity();
    double miny = std::numeric_limits<double>::infinity();
    double maxx = -std::numeric_limits<double>::infinity();
    double maxy = -std::numeric_limits<double>::infinity();
    bool Empty() const { return !(minx <= maxx && miny <= maxy); }
    void Add(const shapekit::Point& p) {
        if (!std::isfinite(p.x) || !std::isfinite(p.y)) return;
        minx = std::min(minx, p.x);
        miny = std::min(miny, p.y);
        maxx = std::max(maxx, p.x);
        maxy = std::max(maxy, p.y);
    }
    void Add(const shapekit::Geometry* g) {
        if (g) g->ForEachRun(shapekit::ConstPointRunFunction([this](const shapekit::Point* pts, std::size_t n) {
            for (std::size_t i = 0; i < n; ++i) Add(pts[i]);
        }));
    }
};

std::string Num(double v) {
    if (!std::isfinite(v)) return "0";
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.2f", v);
    std::string s = buf;
    while (!s.empty() && s.back() == '0') s.pop_back();
    if (!s.empty() && s.back() == '.') s.pop_back();
    if (s == "-0") s = "0";
    return s;
}

/// Text fit for XML character data and attribute values: markup characters escaped, control
/// characters (which XML 1.0 cannot carry) dropped.
std::string Escape(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&apos;"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n') break;
            out += c;
        }
    }
    return out;
}

class Page {
public:
    explicit Page(const Box& box) : box_(box) {
        double w = box.maxx - box.minx, h = box.maxy - box.miny;
        double larger = std::max(w, h);
        scale_ = larger > 0.0 && std::isfinite(larger) ? kDrawingSize / larger : 1.0;
        width_ = w * scale_ + 2 * kMargin;
        height_ = h * scale_ + 2 * kMargin;
    }
    double X(double x) const { return kMargin + (x - box_.minx) * scale_; }
    double Y(double y) const { return kMargin + (box_.maxy - y) * scale_; }
    double Width() const { return width_; }
    double Height() const { return height_; }

    /// "M x y L x y ..." for a run of points; "Z" closes rings.
    std::string Path(const shapekit::Point* pts, std::size_t n, bool close) const {
        std::string d;
        for (std::size_t i = 0; i < n; ++i) {
            d += (i ? " L" : "M") + Num(X(pts[i].x)) + " " + Num(Y(pts[i].y));
        }
        if (close && n > 2) d += " Z";
        return d;
    }
    std::string Path(const shapekit::Geometry* g) const {
        std::string d;
        if (!g) return d;
        bool close = g->Type() == shapekit::kPolygonGeometry;
        g->ForEachRun(shapekit::ConstPointRunFunction([&](const shapekit::Point* pts, std::size_t n) {
            if (n == 0) return;
            if (!d.empty()) d += " ";
            d += Path(pts, n, close);
        }));
        return d;
    }

private:
    Box box_;
    double scale_ = 1.0, width_ = 0.0, height_ = 0.0;
};

void Layer(std::string& svg, const Page& page, const char* id, const char* style,
           const std::vector<const shapekit::Geometry*>& geometries) {
    std::string paths;
    for (const shapekit::Geometry* g : geometries) {
        if (!g) continue;
        if (g->Type() == shapekit::kGeometryCollection) {
            for (const auto& item : *static_cast<const shapekit::GeometryCollection*>(g)) {
                std::string d = page.Path(item.get());
                if (!d.empty()) paths += "  <path d=\"" + d + "\"/>\n";
            }
        } else {
            std::string d = page.Path(g);
            if (!d.empty()) paths += "  <path d=\"" + d + "\"/>\n";
        }
    }
    if (paths.empty()) return;
    svg += std::string("<g id=\"") + id + "\" " + style + ">\n" + paths + "</g>\n";
}

bool Displayed(const std::shared_ptr<LabelPartCls>& part) { return part && part->bDisplay(); }

double PartSize(const LabelPartCls* part, double base) {
    const bool small = part && part->FontType() != pxgrdFontType_Normal;
    if (part && part->Font() && part->Font()->Size > 0.0) return part->Font()->Size;
    return small ? base * kSmallFontRatio : base;
}

std::string FontAttributes(const LabelPartCls* part, double size) {
    std::string a = " font-size=\"" + Num(size) + "\"";
    if (!part || !part->Font()) return a;
    const StdFont& f = *part->Font();
    if (!f.Name.empty()) a += " font-family=\"" + Escape(f.Name) + "\"";
    if (f.Bold || f.Weight >= 600) a += " font-weight=\"bold\"";
    if (f.Italic) a += " font-style=\"italic\"";
    std::string decoration;
    if (f.Underline) decoration += "underline";
    if (f.Strikethrough) decoration += decoration.empty() ? "line-through" : " line-through";
    if (!decoration.empty()) a += " text-decoration=\"" + decoration + "\"";
    return a;
}

std::string Colour(std::int32_t bgr) {
    // The host's colour number is 0x00BBGGRR.
    unsigned value = static_cast<unsigned>(bgr) & 0xFFFFFFu;
    char buf[8];
    std::snprintf(buf, sizeof buf, "#%02x%02x%02x", value & 0xFFu, (value >> 8) & 0xFFu, (value >> 16) & 0xFFu);
    return buf;
}

std::string LabelText(const ParalloCls& s, const GridLabel& label, const Page& page) {
    if (!label.Origin || !std::isfinite(label.Origin->x) || !std::isfinite(label.Origin->y)) return std::string();
    std::vector<LabelSpan> spans = LabelSpans(s, label);
    if (spans.empty()) return std::string();

    double base = 0.0;
    for (const LabelSpan& span : spans)
        if (!span.part || span.part->FontType() == pxgrdFontType_Normal)
            base = std::max(base, PartSize(span.part, kDefaultFontSize));
    if (base <= 0.0) base = kDefaultFontSize;

    const char* anchor = "start";
    if (label.HorizontalJustification == drawkit::kTextCentredOnOrigin) anchor = "middle";
    if (label.HorizontalJustification == drawkit::kTextEndsAtOrigin) anchor = "end";
    // Baseline below the origin: by the cap height for hanging text, by half of it for centred
    // text, a little above the origin for text standing on it.
    double baseline = -0.1 * base;
    if (label.VerticalJustification == drawkit::kTextBelowOrigin) baseline = 0.75 * base;
    if (label.VerticalJustification == drawkit::kTextCentredVertically) baseline = 0.35 * base;

    std::string t = "  <text xml:space=\"preserve\" transform=\"translate(" + Num(page.X(label.Origin->x)) + " " +
                    Num(page.Y(label.Origin->y)) + ") rotate(" + Num(std::isfinite(label.Angle) ? -label.Angle : 0.0) +
                    ")\" x=\"0\" y=\"" + Num(baseline) + "\" text-anchor=\"" + anchor + "\"" +
                    FontAttributes(spans.front().part, base) + " data-id=\"" + Escape(label.ID()) + "\">";
    double shift = 0.0; // current offset from the label's baseline, page units, down positive
    for (const LabelSpan& span : spans) {
        double size = PartSize(span.part, base);
        double target = 0.0;
        if (span.part && span.part->FontType() == pxgrdFontType_Superscript) target = -kRaiseRatio * base;
        if (span.part && span.part->FontType() == pxgrdFontType_Subscript) target = kRaiseRatio * 0.6 * base;
        t += "<tspan";
        if (target != shift) t += " dy=\"" + Num(target - shift) + "\"";
        shift = target;
        t += FontAttributes(span.part, size) + ">" + Escape(span.text) + "</tspan>";
    }
    t += "</text>\n";
    return t;
}

} // namespace

std::vector<LabelSpan> LabelSpans(const ParalloCls& s, const GridLabel& label) {
    auto build = [&](bool separator) {
        std::vector<LabelSpan> spans;
        auto add = [&spans](const std::shared_ptr<LabelPartCls>& part, const std::string& text) {
            if (Displayed(part) && !text.empty()) spans.push_back(LabelSpan{text, part.get()});
        };
        const bool suffix = s.bHemisphereAsSuffix();
        if (!suffix) add(s.LabelPartHemisphere(), label.LabelStringHemisphere);
        add(s.LabelPartA(), label.LabelStringA);
        // Degrees-minutes-seconds without marks put a point after the degrees.
        if (separator && Displayed(s.LabelPartA())) spans.push_back(LabelSpan{".", s.LabelPartA().get()});
        add(s.LabelPartB(), label.LabelStringB);
        add(s.LabelPartC(), label.LabelStringC);
        add(s.LabelPartD(), label.LabelStringD);
        add(s.LabelPartUnit(), label.LabelStringUnit);
        if (suffix) add(s.LabelPartHemisphere(), label.LabelStringHemisphere);
        return spans;
    };
    auto spells = [&label](const std::vector<LabelSpan>& spans) {
        std::string text;
        for (const LabelSpan& span : spans) text += span.text;
        return text == label.LabelString;
    };
    std::vector<LabelSpan> spans = build(false);
    if (spells(spans)) return spans;
    spans = build(true);
    if (spells(spans)) return spans;
    if (label.LabelString.empty()) return {};
    return {LabelSpan{label.LabelString, Displayed(s.LabelPartA()) ? s.LabelPartA().get() : nullptr}};
}

std::string WriteSvg(const Frame& frame, const RunResult& result) {
    const ParalloCls& s = *frame.service;
    Box box;
    if (s.BorderPolygon()) box.Add(s.BorderPolygon().get());
    if (box.Empty() && s.NeatlinePolygon()) box.Add(s.NeatlinePolygon().get());
    if (box.Empty()) {
        box.Add(result.gridlines.get());
        box.Add(result.ticks.get());
        box.Add(result.crosses.get());
    }
    if (s.LabelsCollection())
        for (const auto& label : *s.LabelsCollection())
            if (label && label->Origin) box.Add(*label->Origin);
    if (box.Empty()) box.Add(shapekit::Point(0.0, 0.0)), box.Add(shapekit::Point(1.0, 1.0));
    Page page(box);

    std::string title = frame.mapViewDefinition.is_string()
                            ? frame.mapViewDefinition.get<std::string>()
                            : std::string("PROJJSON coordinate system");
    std::string svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"" +
                      Num(page.Width()) + "\" height=\"" + Num(page.Height()) + "\" viewBox=\"0 0 " +
                      Num(page.Width()) + " " + Num(page.Height()) + "\">\n<title>" +
                      Escape("parallo map frame, " + title) + "</title>\n" +
                      "<rect id=\"background\" x=\"0\" y=\"0\" width=\"" + Num(page.Width()) + "\" height=\"" +
                      Num(page.Height()) + "\" fill=\"#ffffff\"/>\n";

    Layer(svg, page, "border", "fill=\"#f4f1e8\" stroke=\"#555555\" stroke-width=\"1.5\"", {s.BorderPolygon().get()});
    Layer(svg, page, "neatline", "fill=\"#ffffff\" stroke=\"none\"", {s.NeatlinePolygon().get()});
    Layer(svg, page, "gridlines", "fill=\"none\" stroke=\"#2b6cb0\" stroke-width=\"0.8\"", {result.gridlines.get()});
    Layer(svg, page, "ticks", "fill=\"none\" stroke=\"#000000\" stroke-width=\"1.2\" stroke-linecap=\"butt\"",
          {result.ticks.get()});
    Layer(svg, page, "crosses", "fill=\"none\" stroke=\"#000000\" stroke-width=\"1.2\"", {result.crosses.get()});
    // The neatline's stroke goes over the grid so that cut lines end cleanly on it.
    Layer(svg, page, "neatline-stroke", "fill=\"none\" stroke=\"#000000\" stroke-width=\"2\" stroke-linejoin=\"miter\"",
          {s.NeatlinePolygon().get()});

    if (s.LabelsCollection() && s.LabelsCollection()->Count() > 0) {
        svg += "<g id=\"labels\" fill=\"" + Colour(s.LabelColor()) + "\" font-family=\"DejaVu Sans, sans-serif\">\n";
        for (const auto& label : *s.LabelsCollection())
            if (label) svg += LabelText(s, *label, page);
        svg += "</g>\n";
    }
    svg += "</svg>\n";
    return svg;
}

} // namespace cli
} // namespace parallo
