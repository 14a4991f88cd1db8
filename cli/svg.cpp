// SVG output. Map coordinates are turned into page coordinates here (scale, margin, y flipped)
// rather than by an SVG transform, so that text stays upright and strokes keep their width.
#include "svg.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

namespace parallo {
namespace cli {

namespace {

constexpr double kDrawingSize = 1000.0; // the longer side of the framed area, in page units
constexpr double kMargin = 60.0;        // page units around it, room for labels not laid out
constexpr double kLaidOutMargin = 12.0; // around a picture that already holds every label box

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

/// Appends v with two decimals, rounded as printf's "%.2f" rounds, without its locale and format
/// parsing (the SVG of a sheet writes tens of thousands of numbers), trailing zeros and a
/// trailing point dropped, "-0" written "0", a value that is not finite "0".
void AppendNum(std::string& out, double v) {
    if (!std::isfinite(v)) {
        out += '0';
        return;
    }
    char buf[400]; // room for the largest double written out
    const std::to_chars_result written = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 2);
    const char* end = written.ptr;
    while (end != buf && end[-1] == '0') --end;
    if (end != buf && end[-1] == '.') --end;
    if (end - buf == 2 && buf[0] == '-' && buf[1] == '0') {
        out += '0';
        return;
    }
    out.append(buf, static_cast<std::size_t>(end - buf));
}

std::string Num(double v) {
    std::string s;
    AppendNum(s, v);
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

/// Page units per map unit that draw `box` with its longer side kDrawingSize long.
double ScaleOf(const Box& box) {
    double larger = std::max(box.maxx - box.minx, box.maxy - box.miny);
    return larger > 0.0 && std::isfinite(larger) ? kDrawingSize / larger : 1.0;
}

/// The page: `box` (map units) drawn at `scale` with `margin` page units around it.
class Page {
public:
    Page(const Box& box, double scale, double margin) : box_(box), scale_(scale), margin_(margin) {
        width_ = (box.maxx - box.minx) * scale_ + 2 * margin_;
        height_ = (box.maxy - box.miny) * scale_ + 2 * margin_;
    }
    double X(double x) const { return margin_ + (x - box_.minx) * scale_; }
    double Y(double y) const { return margin_ + (box_.maxy - y) * scale_; }
    double Width() const { return width_; }
    double Height() const { return height_; }

    /// Appends "M x y L x y ..." for a run of points; "Z" closes rings.
    void AppendPath(std::string& d, const shapekit::Point* pts, std::size_t n, bool close) const {
        for (std::size_t i = 0; i < n; ++i) {
            d += i ? " L" : "M";
            AppendNum(d, X(pts[i].x));
            d += ' ';
            AppendNum(d, Y(pts[i].y));
        }
        if (close && n > 2) d += " Z";
    }
    std::string Path(const shapekit::Geometry* g) const {
        std::string d;
        if (!g) return d;
        bool close = g->Type() == shapekit::kPolygonGeometry;
        g->ForEachRun(shapekit::ConstPointRunFunction([&](const shapekit::Point* pts, std::size_t n) {
            if (n == 0) return;
            if (!d.empty()) d += " ";
            AppendPath(d, pts, n, close);
        }));
        return d;
    }

private:
    Box box_;
    double scale_ = 1.0, margin_ = 0.0, width_ = 0.0, height_ = 0.0;
};

void Layer(std::string& svg, const Page& page, const char* id, const char* style,
           const std::vector<const shapekit::Geometry*>& geometries) {
    std::string paths;
    for (const shapekit::Geometry* g : geometries) {
        if (!g) continue;
        if (g->Type() == shapekit::kGeometryCollection) {
            for (const auto& item : *static_cast<const shapekit::GeometryCollection*>(g)) {
                const std::string d = page.Path(item.get());
                if (d.empty()) continue;
                paths += "  <path d=\"";
                paths += d;
                paths += "\"/>\n";
            }
        } else {
            std::string d = page.Path(g);
            if (!d.empty()) paths += "  <path d=\"" + d + "\"/>\n";
        }
    }
    if (paths.empty()) return;
    svg += std::string("<g id=\"") + id + "\" " + style + ">\n" + paths + "</g>\n";
}

/// The frame bars: dark ones black, light ones white, each outlined thinly so that light bars
/// show against the paper.
void FrameBars(std::string& svg, const Page& page, const ParalloCls& s) {
    const auto& bars = s.FrameBarGeometry();
    if (!bars) return;
    const std::vector<bool>& fills = s.FrameBarFills();
    std::string paths;
    std::size_t i = 0;
    for (const auto& bar : *bars) {
        const bool dark = i < fills.size() && fills[i];
        ++i;
        std::string d = page.Path(bar.get());
        if (!d.empty()) paths += std::string("  <path fill=\"") + (dark ? "#000000" : "#ffffff") + "\" d=\"" + d + "\"/>\n";
    }
    if (paths.empty()) return;
    svg += "<g id=\"frame-bars\" stroke=\"#000000\" stroke-width=\"0.5\">\n" + paths + "</g>\n";
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

/// One label as text: its runs (the same the layout measured) in their fonts, sizes and rises,
/// at `points` page units per point of type size.
std::string LabelText(const LabelStyle& style, const GridLabel& label, const Page& page, double points) {
    if (!label.Origin || !std::isfinite(label.Origin->x) || !std::isfinite(label.Origin->y)) return std::string();
    const std::vector<LabelRun> runs = LabelRuns(label, style);
    if (runs.empty()) return std::string();

    // The base size: the largest run on the label's own baseline, as the layout measures it.
    double base = 0.0;
    for (const LabelRun& run : runs)
        if (run.Rise == 0.0) base = std::max(base, run.Size);
    if (base <= 0.0) base = kDefaultLabelSize;

    const char* anchor = "start";
    if (label.HorizontalJustification == drawkit::kTextCentredOnOrigin) anchor = "middle";
    if (label.HorizontalJustification == drawkit::kTextEndsAtOrigin) anchor = "end";
    // Baseline below the origin (page y points down): by the cap height for hanging text, by half
    // of it for centred text, a little above the origin for text standing on it.
    double baseline = -kBaselineAboveOrigin * base;
    if (label.VerticalJustification == drawkit::kTextBelowOrigin) baseline = kBaselineHanging * base;
    if (label.VerticalJustification == drawkit::kTextCentredVertically) baseline = kBaselineCentred * base;

    std::string t = "  <text xml:space=\"preserve\" transform=\"translate(" + Num(page.X(label.Origin->x)) + " " +
                    Num(page.Y(label.Origin->y)) + ") rotate(" + Num(std::isfinite(label.Angle) ? -label.Angle : 0.0) +
                    ")\" x=\"0\" y=\"" + Num(baseline * points) + "\" text-anchor=\"" + anchor + "\"" +
                    FontAttributes(runs.front().Part, base * points) + " data-id=\"" + Escape(label.ID()) + "\">";
    double shift = 0.0; // current offset from the label's baseline, page units, down positive
    for (const LabelRun& run : runs) {
        const double target = -run.Rise * points;
        t += "<tspan";
        if (target != shift) t += " dy=\"" + Num(target - shift) + "\"";
        shift = target;
        t += FontAttributes(run.Part, run.Size * points) + ">" + Escape(run.Text) + "</tspan>";
    }
    t += "</text>\n";
    return t;
}

/// The frame without its labels: the border, else the neatline, with the frame bars and frame
/// ticks; the grid's geometry when there is no frame.
Box FrameExtent(const Frame& frame, const RunResult& result) {
    const ParalloCls& s = *frame.service;
    Box box;
    if (s.BorderPolygon()) box.Add(s.BorderPolygon().get());
    if (box.Empty() && s.NeatlinePolygon()) box.Add(s.NeatlinePolygon().get());
    box.Add(s.FrameBarGeometry().get());
    box.Add(s.FrameTickGeometry().get());
    box.Add(s.MinorTickGeometry().get());
    if (box.Empty()) {
        box.Add(result.gridlines.get());
        box.Add(result.ticks.get());
        box.Add(result.crosses.get());
    }
    return box;
}

/// Whether the label at `index` of the collection is drawn: every label unless laid out.
bool Shown(const RunResult& result, std::size_t index) {
    if (!result.laidOut) return true;
    return index < result.layout.Placements.size() && !result.layout.Placements[index].Hidden;
}

} // namespace

double SvgPageScale(const Frame& frame, const RunResult& result) {
    Box box = FrameExtent(frame, result);
    return box.Empty() ? 1.0 : ScaleOf(box);
}

std::string WriteSvg(const Frame& frame, const RunResult& result) {
    const ParalloCls& s = *frame.service;
    const auto& labels = s.LabelsCollection();
    Box box = FrameExtent(frame, result);
    Box view = box;
    if (result.laidOut) {
        // The frame sets the scale; the picture grows to hold every shown label's box (its
        // origin when the layout could not measure it).
        for (const LabelPlacement& p : result.layout.Placements) {
            if (p.Hidden) continue;
            if (!p.Box.Empty)
                for (const shapekit::Point& corner : p.Box.Corners) view.Add(corner);
            else if (p.Label && p.Label->Origin)
                view.Add(*p.Label->Origin);
        }
    } else if (labels) {
        // Labels not laid out: their origins join the frame, the margin leaves room for the text.
        for (const auto& label : *labels)
            if (label && label->Origin) box.Add(*label->Origin);
        view = box;
    }
    if (view.Empty()) view.Add(shapekit::Point(0.0, 0.0)), view.Add(shapekit::Point(1.0, 1.0));
    const double scale = box.Empty() ? ScaleOf(view) : ScaleOf(box);
    Page page(view, scale, result.laidOut ? kLaidOutMargin : kMargin);
    // Page units per point of type: 1 at the scale the layout defaults to.
    const double points =
        result.laidOut ? result.mapScale * kPointMillimetres * 1e-3 / frame.mapUnitMetres * scale : 1.0;

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
    FrameBars(svg, page, s);
    Layer(svg, page, "frame-ticks", "fill=\"none\" stroke=\"#000000\" stroke-width=\"1.2\" stroke-linecap=\"butt\"",
          {s.FrameTickGeometry().get()});
    Layer(svg, page, "minor-ticks", "fill=\"none\" stroke=\"#000000\" stroke-width=\"0.8\" stroke-linecap=\"butt\"",
          {s.MinorTickGeometry().get()});
    // The neatline's stroke goes over the grid so that cut lines end cleanly on it.
    Layer(svg, page, "neatline-stroke", "fill=\"none\" stroke=\"#000000\" stroke-width=\"2\" stroke-linejoin=\"miter\"",
          {s.NeatlinePolygon().get()});

    if (labels && labels->Count() > 0) {
        const LabelStyle style = LabelStyleOf(s);
        svg += "<g id=\"labels\" fill=\"" + Colour(s.LabelColor()) + "\" font-family=\"DejaVu Sans, sans-serif\">\n";
        std::size_t index = 0;
        for (const auto& label : *labels) {
            if (label && Shown(result, index)) svg += LabelText(style, *label, page, points);
            ++index;
        }
        svg += "</g>\n";
    }
    svg += "</svg>\n";
    return svg;
}

} // namespace cli
} // namespace parallo
