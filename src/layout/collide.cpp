// Choosing the labels to show: every label's box is tested against the neatline through a grid of
// the neatline's edges, then against the boxes already shown through a grid of those boxes, in
// a fixed order of priority, so that the same labels give the same map every time.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <exception>
#include <limits>
#include <numeric>
#include <string>
#include <vector>

#include "parallo/layout.h"

namespace parallo {

namespace {

using shapekit::Point;

struct Bounds {
    double minX = 0.0, minY = 0.0, maxX = 0.0, maxY = 0.0;
    bool Meets(const Bounds &o) const {
        return minX <= o.maxX && o.minX <= maxX && minY <= o.maxY && o.minY <= maxY;
    }
};

Bounds BoundsOf(const LabelBox &box) {
    Bounds b{box.Corners[0].x, box.Corners[0].y, box.Corners[0].x, box.Corners[0].y};
    for (const Point &p : box.Corners) {
        b.minX = std::min(b.minX, p.x);
        b.minY = std::min(b.minY, p.y);
        b.maxX = std::max(b.maxX, p.x);
        b.maxY = std::max(b.maxY, p.y);
    }
    return b;
}

/// A uniform grid of cells over a rectangle, each cell listing the items whose bounds meet it.
class CellGrid {
public:
    /// About `cells` cells, as square as the rectangle allows.
    CellGrid(const Bounds &extent, std::size_t cells) : extent_(extent) {
        const double w = extent.maxX - extent.minX;
        const double h = extent.maxY - extent.minY;
        const double n = static_cast<double>(std::max<std::size_t>(cells, 1));
        double columns = 1.0, rows = 1.0;
        // An extent that is not finite (boxes at absurd scales or coordinates) gets one cell:
        // every box meets every other, which is slow only for a drawing nobody can print.
        const bool finite = std::isfinite(w) && std::isfinite(h);
        if (finite && w > 0.0 && h > 0.0) {
            columns = std::sqrt(n * w / h);
            rows = n / std::max(columns, 1.0);
        } else if (finite && w > 0.0) {
            columns = n;
        } else if (finite && h > 0.0) {
            rows = n;
        }
        nx_ = Count(columns);
        ny_ = Count(rows);
        cw_ = finite && w > 0.0 ? w / nx_ : 1.0;
        ch_ = finite && h > 0.0 ? h / ny_ : 1.0;
        cells_.resize(static_cast<std::size_t>(nx_) * static_cast<std::size_t>(ny_));
    }

    int Column(double x) const { return Index((x - extent_.minX) / cw_, nx_); }
    int Row(double y) const { return Index((y - extent_.minY) / ch_, ny_); }
    int Columns() const { return nx_; }
    const Bounds &Extent() const { return extent_; }

    std::vector<std::int32_t> &Cell(int column, int row) {
        return cells_[static_cast<std::size_t>(row) * static_cast<std::size_t>(nx_) +
                      static_cast<std::size_t>(column)];
    }
    const std::vector<std::int32_t> &Cell(int column, int row) const {
        return cells_[static_cast<std::size_t>(row) * static_cast<std::size_t>(nx_) +
                      static_cast<std::size_t>(column)];
    }

    void Insert(std::int32_t item, const Bounds &b) {
        for (int r = Row(b.minY); r <= Row(b.maxY); ++r)
            for (int c = Column(b.minX); c <= Column(b.maxX); ++c)
                Cell(c, r).push_back(item);
    }

    /// Calls fn(item) for every item listed in a cell that `b` meets (an item may come twice).
    template <class Fn> void Visit(const Bounds &b, Fn &&fn) const {
        if (!b.Meets(extent_)) return;
        for (int r = Row(b.minY); r <= Row(b.maxY); ++r)
            for (int c = Column(b.minX); c <= Column(b.maxX); ++c)
                for (std::int32_t item : Cell(c, r))
                    fn(item);
    }

private:
    /// A whole number of cells, 1 to 2048, from a wanted count (1 for one that is not a number).
    static int Count(double wanted) {
        if (!(wanted > 1.0)) return 1;
        return static_cast<int>(std::min(std::ceil(wanted), 2048.0));
    }
    /// The cell of a position counted in cell sizes from the extent's edge, held within 0…n-1
    /// (0 for one that is not a number).
    static int Index(double position, int n) {
        const double cell = std::floor(position);
        if (!(cell > 0.0)) return 0;
        if (cell >= static_cast<double>(n - 1)) return n - 1;
        return static_cast<int>(cell);
    }

    Bounds extent_;
    int nx_ = 1, ny_ = 1;
    double cw_ = 1.0, ch_ = 1.0;
    std::vector<std::vector<std::int32_t>> cells_;
};

/// Which side of the line a-b the point p lies on: > 0 left, < 0 right, 0 on it.
double Turn(const Point &a, const Point &b, const Point &p) {
    return (b.x - a.x) * (p.y - a.y) - (b.y - a.y) * (p.x - a.x);
}

bool Within(const Point &a, const Point &b, const Point &p) {
    return std::min(a.x, b.x) <= p.x && p.x <= std::max(a.x, b.x) && std::min(a.y, b.y) <= p.y &&
           p.y <= std::max(a.y, b.y);
}

/// Whether segments p1-p2 and q1-q2 cross or touch.
bool SegmentsMeet(const Point &p1, const Point &p2, const Point &q1, const Point &q2) {
    const double d1 = Turn(q1, q2, p1), d2 = Turn(q1, q2, p2);
    const double d3 = Turn(p1, p2, q1), d4 = Turn(p1, p2, q2);
    if (((d1 > 0.0 && d2 < 0.0) || (d1 < 0.0 && d2 > 0.0)) &&
        ((d3 > 0.0 && d4 < 0.0) || (d3 < 0.0 && d4 > 0.0)))
        return true;
    return (d1 == 0.0 && Within(q1, q2, p1)) || (d2 == 0.0 && Within(q1, q2, p2)) ||
           (d3 == 0.0 && Within(p1, p2, q1)) || (d4 == 0.0 && Within(p1, p2, q2));
}

/// The neatline ring with its edges in a grid: whether a box meets the ring, and which side of
/// it a point lies on.
class NeatlineIndex {
public:
    explicit NeatlineIndex(const shapekit::PolygonGeometry &neatline)
        : ring_(neatline.Points().Vector()), grid_(RingBounds(), ring_.size()) {
        if (ring_.size() < 3) {
            ring_.clear();
            return;
        }
        if (ring_.front().x != ring_.back().x || ring_.front().y != ring_.back().y)
            ring_.push_back(ring_.front());
        for (std::size_t i = 0; i + 1 < ring_.size(); ++i) {
            const Point &a = ring_[i], &b = ring_[i + 1];
            grid_.Insert(static_cast<std::int32_t>(i), Bounds{std::min(a.x, b.x), std::min(a.y, b.y),
                                                              std::max(a.x, b.x), std::max(a.y, b.y)});
        }
    }

    /// A ring of fewer than three points bounds nothing.
    bool Empty() const { return ring_.empty(); }

    bool Meets(const LabelBox &box) const {
        bool meets = false;
        grid_.Visit(BoundsOf(box), [&](std::int32_t edge) {
            if (meets) return;
            const Point &a = ring_[static_cast<std::size_t>(edge)],
                        &b = ring_[static_cast<std::size_t>(edge) + 1];
            for (std::size_t k = 0; k < 4 && !meets; ++k)
                meets = SegmentsMeet(box.Corners[k], box.Corners[(k + 1) % 4], a, b);
        });
        return meets;
    }

    /// Even-odd test along a ray towards +x through the cells of the point's row; each crossing
    /// is counted in the one cell that holds it.
    bool Contains(const Point &p) const {
        const Bounds &e = grid_.Extent();
        if (p.x < e.minX || p.x > e.maxX || p.y < e.minY || p.y > e.maxY) return false;
        const int row = grid_.Row(p.y);
        bool inside = false;
        for (int c = grid_.Column(p.x); c < grid_.Columns(); ++c) {
            for (std::int32_t edge : grid_.Cell(c, row)) {
                const Point &a = ring_[static_cast<std::size_t>(edge)],
                            &b = ring_[static_cast<std::size_t>(edge) + 1];
                if ((a.y > p.y) == (b.y > p.y)) continue;
                const double x = a.x + (p.y - a.y) * (b.x - a.x) / (b.y - a.y);
                if (x > p.x && grid_.Column(x) == c) inside = !inside;
            }
        }
        return inside;
    }

private:
    Bounds RingBounds() const {
        if (ring_.empty()) return Bounds{};
        Bounds b{ring_[0].x, ring_[0].y, ring_[0].x, ring_[0].y};
        for (const Point &p : ring_) {
            b.minX = std::min(b.minX, p.x);
            b.minY = std::min(b.minY, p.y);
            b.maxX = std::max(b.maxX, p.x);
            b.maxY = std::max(b.maxY, p.y);
        }
        return b;
    }

    std::vector<Point> ring_;
    CellGrid grid_;
};

/// A grid for the shown boxes: cells about the size of a typical box, at most a few per label.
CellGrid BoxGrid(const std::vector<LabelPlacement> &placements) {
    Bounds extent;
    std::vector<double> sizes;
    for (const LabelPlacement &p : placements) {
        if (p.Hidden || p.Box.Empty) continue;
        const Bounds b = BoundsOf(p.Box);
        if (sizes.empty()) extent = b;
        extent.minX = std::min(extent.minX, b.minX);
        extent.minY = std::min(extent.minY, b.minY);
        extent.maxX = std::max(extent.maxX, b.maxX);
        extent.maxY = std::max(extent.maxY, b.maxY);
        sizes.push_back(std::max(b.maxX - b.minX, b.maxY - b.minY));
    }
    if (sizes.empty()) return CellGrid(extent, 1);
    std::nth_element(sizes.begin(), sizes.begin() + static_cast<std::ptrdiff_t>(sizes.size() / 2),
                     sizes.end());
    const double typical = sizes[sizes.size() / 2];
    const double area = (extent.maxX - extent.minX) * (extent.maxY - extent.minY);
    const double wanted = typical > 0.0 ? area / (typical * typical) : 1.0;
    const double cap = 4.0 * static_cast<double>(sizes.size()) + 16.0;
    // An area that is not finite (or not a number) wants one cell, not a cast of infinity.
    return CellGrid(extent,
                    std::isfinite(wanted) ? static_cast<std::size_t>(std::clamp(wanted, 1.0, cap)) : 1u);
}

/// `box` grown by `margin` map-view units on every side, along its own axes.
LabelBox Grown(const LabelBox &box, double margin) {
    if (box.Empty || !(margin > 0.0)) return box;
    const Point &c0 = box.Corners[0];
    const double lu = std::hypot(box.Corners[1].x - c0.x, box.Corners[1].y - c0.y);
    const double lv = std::hypot(box.Corners[3].x - c0.x, box.Corners[3].y - c0.y);
    // A box without width or height has no direction of its own: grow it upright.
    const double ux = lu > 0.0 ? (box.Corners[1].x - c0.x) / lu : 1.0;
    const double uy = lu > 0.0 ? (box.Corners[1].y - c0.y) / lu : 0.0;
    const double vx = lv > 0.0 ? (box.Corners[3].x - c0.x) / lv : -uy;
    const double vy = lv > 0.0 ? (box.Corners[3].y - c0.y) / lv : ux;
    static constexpr double kSigns[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
    LabelBox out = box;
    for (std::size_t k = 0; k < 4; ++k) {
        out.Corners[k].x += margin * (kSigns[k][0] * ux + kSigns[k][1] * vx);
        out.Corners[k].y += margin * (kSigns[k][0] * uy + kSigns[k][1] * vy);
    }
    return out;
}

} // namespace

bool BoxesOverlap(const LabelBox &a, const LabelBox &b) {
    if (a.Empty || b.Empty) return false;
    // Two rectangles are apart when the projections on one of their four edge directions are.
    for (const LabelBox *r : {&a, &b}) {
        for (std::size_t k = 0; k < 2; ++k) {
            const double ax = r->Corners[k + 1].x - r->Corners[k].x;
            const double ay = r->Corners[k + 1].y - r->Corners[k].y;
            const double inf = std::numeric_limits<double>::infinity();
            double minA = inf, maxA = -inf, minB = inf, maxB = -inf;
            for (const Point &p : a.Corners) {
                const double d = p.x * ax + p.y * ay;
                minA = std::min(minA, d);
                maxA = std::max(maxA, d);
            }
            for (const Point &p : b.Corners) {
                const double d = p.x * ax + p.y * ay;
                minB = std::min(minB, d);
                maxB = std::max(maxB, d);
            }
            if (maxA <= minB || maxB <= minA) return false;
        }
    }
    return true;
}

bool ShownBounds(const LabelLayout &layout, shapekit::Point &lowerLeft, shapekit::Point &upperRight) {
    bool any = false;
    Bounds all;
    for (const LabelPlacement &p : layout.Placements) {
        if (p.Hidden || p.Box.Empty) continue;
        const Bounds b = BoundsOf(p.Box);
        all = any ? Bounds{std::min(all.minX, b.minX), std::min(all.minY, b.minY), std::max(all.maxX, b.maxX),
                           std::max(all.maxY, b.maxY)}
                  : b;
        any = true;
    }
    if (any) {
        lowerLeft = shapekit::Point(all.minX, all.minY);
        upperRight = shapekit::Point(all.maxX, all.maxY);
    }
    return any;
}

LabelLayout LayOutLabels(const std::vector<LayoutLabel> &labels, const LabelStyle &style,
                         const shapekit::PolygonGeometry &neatline, double MapScale,
                         TextMeasurer &measurer) noexcept {
    LabelLayout out;
    try {
        const std::size_t n = labels.size();
        out.Placements.resize(n);
        for (std::size_t i = 0; i < n; ++i) {
            LabelPlacement &p = out.Placements[i];
            p.Label = labels[i].Label;
            p.Corner = labels[i].Corner;
            const GridLabel *label = p.Label.get();
            const bool anchored = label && label->Origin && std::isfinite(label->Origin->x) &&
                                  std::isfinite(label->Origin->y) && std::isfinite(label->Angle);
            if (!anchored) {
                p.Hidden = true;
                p.Fate = kLabelUnplaced;
                continue;
            }
            p.Roundness = LabelRoundness(*label, style);
            p.Box = MeasureLabelBox(*label, style, MapScale, measurer);
        }

        // Corner labels, then rounder values, then the order handed in.
        std::vector<std::int32_t> order(n);
        std::iota(order.begin(), order.end(), 0);
        const auto &placements = out.Placements;
        std::sort(order.begin(), order.end(), [&placements](std::int32_t i, std::int32_t j) {
            const LabelPlacement &a = placements[static_cast<std::size_t>(i)],
                                 &b = placements[static_cast<std::size_t>(j)];
            if (a.Corner != b.Corner) return a.Corner;
            if (a.Roundness != b.Roundness) return a.Roundness > b.Roundness;
            return i < j;
        });
        std::vector<std::int32_t> rank(n);
        for (std::size_t r = 0; r < n; ++r)
            rank[static_cast<std::size_t>(order[r])] = static_cast<std::int32_t>(r);

        const NeatlineIndex ring(neatline);
        // The gap in map-view units: each candidate is grown by all of it before it is tested
        // against the boxes already shown, so shown boxes end at least the gap apart.
        const double gap = style.MinimumGap > 0.0 && std::isfinite(style.MinimumGap)
                               ? style.MinimumGap * kPointMillimetres * 1e-3 * MapScale / style.MapUnitMetres
                               : 0.0;
        const bool inside = style.LabelPosition == pxgrdLabelPosition_Inside;
        CellGrid shown = BoxGrid(out.Placements);

        for (std::int32_t i : order) {
            LabelPlacement &p = out.Placements[static_cast<std::size_t>(i)];
            if (!p.Hidden && !p.Box.Empty) {
                if (!ring.Empty() && ring.Meets(p.Box)) {
                    p.Fate = kLabelCrossesNeatline;
                } else if (!ring.Empty() && ring.Contains(p.Box.Corners[0]) != inside) {
                    p.Fate = kLabelWrongSide;
                } else {
                    const Bounds b = BoundsOf(p.Box);
                    const LabelBox spaced = Grown(p.Box, gap);
                    std::int32_t yielded = -1;
                    shown.Visit(BoundsOf(spaced), [&](std::int32_t j) {
                        if (yielded >= 0 &&
                            rank[static_cast<std::size_t>(j)] >= rank[static_cast<std::size_t>(yielded)])
                            return;
                        if (BoxesOverlap(spaced, out.Placements[static_cast<std::size_t>(j)].Box))
                            yielded = j;
                    });
                    if (yielded >= 0) {
                        p.Fate = kLabelOverlaps;
                        p.YieldedTo = yielded;
                    } else {
                        shown.Insert(i, b);
                    }
                }
                p.Hidden = p.Fate != kLabelShown;
            }
            if (!p.Hidden) continue;
            DroppedLabel d;
            d.Index = i;
            d.Reason = p.Fate;
            if (p.Label) {
                d.Value = p.Label->LabelString;
                d.ID = p.Label->ID();
                d.Side = p.Label->LabelAxis;
            }
            d.YieldedTo = p.YieldedTo;
            if (p.YieldedTo >= 0) {
                const GridLabel &winner = *out.Placements[static_cast<std::size_t>(p.YieldedTo)].Label;
                d.YieldedToValue = winner.LabelString;
                d.YieldedToID = winner.ID();
            }
            out.Dropped.push_back(std::move(d));
        }
    } catch (const std::exception &e) {
        out.Failure = e.what();
    } catch (...) {
        out.Failure = "unknown failure";
    }
    if (!out.Failure.empty()) {
        out.Dropped.clear();
        for (LabelPlacement &p : out.Placements) {
            p.Box = LabelBox();
            p.Hidden = false;
            p.Fate = kLabelShown;
            p.YieldedTo = -1;
        }
    }
    return out;
}

} // namespace parallo
