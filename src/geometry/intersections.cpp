// Intersection of one grid line with the neatline, and the ordering and de-duplication of the
// points found, so that they alternate entry, exit, entry, exit along the line.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "geometry/geometry.h"
#include "parallo/planicalc.h"
#include "platform/angles.h"
#include "platform/numbers.h"

namespace parallo {
namespace detail {

namespace {

// ---- edge index ------------------------------------------------------------------------------
//
// A stroked neatline has thousands of edges, and every grid line, tick run and label position is
// intersected with it. The segment test of an edge whose x or y range misses the line's range
// ends at its range pre-test with type 0 and changes nothing else. So the edges worth calling it
// for are exactly those whose ranges meet the line's ranges; they are found through an index of
// the edges by their extent along one axis and then tested in edge order, which gives the same
// points, angles, order and type-4 stop as testing every edge in turn.

/// Edges by their closed extent [lo, hi] along one axis: sorted by lo, with a max-hi tree over
/// the sorted positions. A query returns every edge whose extent meets [a, b] in
/// O((k + 1) log n) for k answers.
class AxisIndex {
public:
    struct Entry {
        double lo;
        double hi;
        std::int32_t edge;
    };

    void Build(std::vector<Entry> &entries) {
        std::sort(entries.begin(), entries.end(), [](const Entry &l, const Entry &r) {
            return l.lo < r.lo || (l.lo == r.lo && l.edge < r.edge);
        });
        lo_.resize(entries.size());
        hi_.resize(entries.size());
        edge_.resize(entries.size());
        for (std::size_t k = 0; k < entries.size(); ++k) {
            lo_[k] = entries[k].lo;
            hi_[k] = entries[k].hi;
            edge_[k] = entries[k].edge;
        }
        maxHi_.assign(entries.empty() ? 0 : 4 * entries.size(), 0.0);
        if (!entries.empty()) BuildNode(1, 0, entries.size());
    }

    void Query(double a, double b, std::vector<std::int32_t> &out) const {
        if (lo_.empty()) return;
        const std::size_t end =
            static_cast<std::size_t>(std::upper_bound(lo_.begin(), lo_.end(), b) - lo_.begin());
        if (end == 0) return;
        QueryNode(1, 0, lo_.size(), end, a, out);
    }

private:
    void BuildNode(std::size_t node, std::size_t l, std::size_t r) {
        if (r - l == 1) {
            maxHi_[node] = hi_[l];
            return;
        }
        const std::size_t mid = l + (r - l) / 2;
        BuildNode(2 * node, l, mid);
        BuildNode(2 * node + 1, mid, r);
        maxHi_[node] = std::max(maxHi_[2 * node], maxHi_[2 * node + 1]);
    }

    void QueryNode(std::size_t node, std::size_t l, std::size_t r, std::size_t end, double a,
                   std::vector<std::int32_t> &out) const {
        if (l >= end || maxHi_[node] < a) return;
        if (r - l == 1) {
            out.push_back(edge_[l]);
            return;
        }
        const std::size_t mid = l + (r - l) / 2;
        QueryNode(2 * node, l, mid, end, a, out);
        QueryNode(2 * node + 1, mid, r, end, a, out);
    }

    std::vector<double> lo_;
    std::vector<double> hi_;
    std::vector<std::int32_t> edge_;
    std::vector<double> maxHi_;
};

/// The index of one neatline, kept per thread and rebuilt when the polygon is another object or
/// any of its points has changed. Edge k joins vertex k and k + 1 (0-based); the closing edge is
/// not indexed, it is always tested last.
struct NeatlineEdgeIndex {
    std::weak_ptr<shapekit::PolygonGeometry> owner; // identity without keeping the polygon alive
    const shapekit::PolygonGeometry *polygon = nullptr;
    std::vector<Point> snapshot; // the points the index was built from
    AxisIndex byX;
    AxisIndex byY;
    std::vector<std::int32_t> unordered; // edges with a NaN coordinate: always tested
    double xMin = 0.0, xMax = 0.0, yMin = 0.0, yMax = 0.0;
    std::vector<AxisIndex::Entry> scratchEntries;
    std::vector<std::int32_t> candidates; // reused by every query
    bool busy = false; // set while a call walks the candidates; a nested call scans instead

    bool Matches(const std::shared_ptr<shapekit::PolygonGeometry> &poly,
                 const shapekit::PointsCollection &pts) const {
        if (polygon != poly.get() || owner.owner_before(poly) || poly.owner_before(owner)) return false;
        if (snapshot.size() != pts.size()) return false;
        return std::memcmp(snapshot.data(), pts.data(), pts.size() * sizeof(Point)) == 0;
    }

    void Build(const std::shared_ptr<shapekit::PolygonGeometry> &poly,
               const shapekit::PointsCollection &pts) {
        owner = poly;
        polygon = poly.get();
        snapshot.assign(pts.begin(), pts.end());
        unordered.clear();
        const std::size_t n = pts.size();
        const Point *p = pts.data();
        bool first = true;
        auto extend = [&](double &lo, double &hi, double a, double b, bool reset) {
            const double l = a < b ? a : b;
            const double h = a < b ? b : a;
            if (reset || l < lo) lo = l;
            if (reset || h > hi) hi = h;
        };
        scratchEntries.clear();
        for (std::size_t k = 0; k + 1 < n; ++k) {
            const Point &a = p[k];
            const Point &b = p[k + 1];
            if (std::isnan(a.x) || std::isnan(a.y) || std::isnan(b.x) || std::isnan(b.y)) {
                unordered.push_back(static_cast<std::int32_t>(k));
                continue;
            }
            scratchEntries.push_back(
                {a.x < b.x ? a.x : b.x, a.x < b.x ? b.x : a.x, static_cast<std::int32_t>(k)});
            extend(xMin, xMax, a.x, b.x, first);
            extend(yMin, yMax, a.y, b.y, first);
            first = false;
        }
        byX.Build(scratchEntries);
        scratchEntries.clear();
        for (std::size_t k = 0; k + 1 < n; ++k) {
            const Point &a = p[k];
            const Point &b = p[k + 1];
            if (std::isnan(a.x) || std::isnan(a.y) || std::isnan(b.x) || std::isnan(b.y)) continue;
            scratchEntries.push_back(
                {a.y < b.y ? a.y : b.y, a.y < b.y ? b.y : a.y, static_cast<std::int32_t>(k)});
        }
        byY.Build(scratchEntries);
        scratchEntries.clear();
        scratchEntries.shrink_to_fit();
    }

    /// The regular edges whose x and y ranges may meet the line's, in ascending edge order. The
    /// axis along which the line covers the smaller share of the neatline is searched.
    const std::vector<std::int32_t> &Candidates(const Point &ptStart, const Point &ptEnd) {
        candidates.clear();
        const double qxLo = ptStart.x < ptEnd.x ? ptStart.x : ptEnd.x;
        const double qxHi = ptStart.x < ptEnd.x ? ptEnd.x : ptStart.x;
        const double qyLo = ptStart.y < ptEnd.y ? ptStart.y : ptEnd.y;
        const double qyHi = ptStart.y < ptEnd.y ? ptEnd.y : ptStart.y;
        const double spanX = xMax - xMin;
        const double spanY = yMax - yMin;
        // Share of each axis the line covers; a neatline flat along an axis gives no selection there.
        const double shareX = spanX > 0.0 ? (qxHi - qxLo) / spanX : HUGE_VAL;
        const double shareY = spanY > 0.0 ? (qyHi - qyLo) / spanY : HUGE_VAL;
        if (shareX <= shareY)
            byX.Query(qxLo, qxHi, candidates);
        else
            byY.Query(qyLo, qyHi, candidates);
        candidates.insert(candidates.end(), unordered.begin(), unordered.end());
        std::sort(candidates.begin(), candidates.end());
        return candidates;
    }
};

thread_local NeatlineEdgeIndex t_edgeIndex;
thread_local std::int32_t t_edgeIndexThreshold = 64;

bool IsFinitePoint(const Point &p) { return std::isfinite(p.x) && std::isfinite(p.y); }

std::string RemoveDuplicatesMessage(std::int32_t i, const shapekit::PointsCollection *objPts,
                                    std::int32_t nPts) {
    return "RemoveDuplicatePoints Error i=" + std::to_string(i) +
           ", objPts.Count= " + std::to_string(objPts != nullptr ? objPts->Count() : 0) +
           ", nPts=" + std::to_string(nPts);
}

bool IsDuplicate(const IntersectionGrid &g, const Point &a, const Point &b) {
    return std::fabs(platform::Sub(a.x, b.x)) < g.pointTolerance &&
           std::fabs(platform::Sub(a.y, b.y)) < g.pointTolerance;
}

} // namespace

std::int32_t &NeatlineEdgeIndexThreshold() noexcept { return t_edgeIndexThreshold; }

void GridlineNeatlineIntersections(const IntersectionGrid &g, const Point &ptStart, const Point &ptEnd,
                                   std::shared_ptr<shapekit::PolygonGeometry> &Neatline_Geometry,
                                   bool bAddToNeatline,
                                   std::shared_ptr<shapekit::PointsCollection> &IntersectPoints,
                                   IntersectionAnglesColl *colAngles, std::int32_t &RetVal) noexcept {
    // The trace is set once per edge: a literal, so that the edge loop allocates nothing.
    const char *trace = "In GridlineNeatlineIntersections";
    try {
        RetVal = 0;
        const double S = platform::Deref(g.system).StorageScale();
        planicalc::TRGSetPositionalTolerance(platform::Div(g.intervalsType == 1 ? 1e-8 : 0.0001, S));

        const std::shared_ptr<shapekit::PolygonGeometry> neatline = Neatline_Geometry; // stays alive
        const shapekit::PointsCollection &pts = platform::Deref(neatline).Points();
        const std::int32_t n = pts.Count();

        auto found = std::make_shared<shapekit::PointsCollection>();
        std::shared_ptr<shapekit::PointsCollection> working;
        Point ip;
        bool ipWritten = false;
        std::int32_t type = 0;
        double angle = 0.0;

        // Every call starts from type 0, so that a segment test that failed and reported
        // itself is never taken for the meeting of the previous edge.
        auto test = [&](const Point &a, const Point &b) {
            type = 0;
            LCL_SegmentIntersectSegment(g, ptStart, ptEnd, a, b, ip, ipWritten, type, angle);
        };
        auto recordHit = [&]() {
            found->Add(ip);
            if (colAngles == nullptr) Raise(kObjectNotSet);
            colAngles->Add(platform::Mul(angle, platform::kDegreesPerRadian), std::string());
        };
        auto addToWorking = [&](const Point &p) {
            if (!working) working = std::make_shared<shapekit::PointsCollection>();
            working->Add(p);
        };

        // The index answers only for finite line ends; a NaN end is left to the plain scan, whose
        // segment tests report it edge by edge.
        const bool useIndex = !bAddToNeatline && n >= t_edgeIndexThreshold && !t_edgeIndex.busy &&
                              IsFinitePoint(ptStart) && IsFinitePoint(ptEnd);
        if (useIndex) {
            if (!t_edgeIndex.Matches(neatline, pts)) t_edgeIndex.Build(neatline, pts);
            // A failure report may run host code that intersects again on this thread: such a
            // nested call scans, so the candidate list walked here stays intact.
            struct BusyGuard {
                bool &flag;
                explicit BusyGuard(bool &f) : flag(f) { flag = true; }
                ~BusyGuard() { flag = false; }
            } guard(t_edgeIndex.busy);
            const Point *p = pts.data();
            for (const std::int32_t k : t_edgeIndex.Candidates(ptStart, ptEnd)) {
                trace = "Checking SegmentIntersectSegment";
                const auto kk = static_cast<std::size_t>(k);
                test(p[kk], p[kk + 1]);
                if (type == 4) return;
                if (type == 1 || type == 2) {
                    recordHit();
                    RetVal = 1;
                }
            }
        } else {
            for (std::int32_t i = 1; i <= n - 1; ++i) {
                trace = "Checking SegmentIntersectSegment";
                const Point &a = pts.Item(i);
                const Point &b = pts.Item(i + 1);
                test(a, b);
                if (type == 4) return;
                if (bAddToNeatline) addToWorking(pts.Item(i));
                if (type == 1 || type == 2) {
                    recordHit();
                    if (bAddToNeatline) addToWorking(ip);
                    RetVal = 1;
                }
            }
        }

        trace = "Checking Closing SegmentIntersectSegment";
        test(pts.Item(1), pts.Item(n));
        if (type == 4) return;
        if (bAddToNeatline) {
            trace = "Adding Final Point to Neatline";
            addToWorking(pts.Item(n));
        }
        if (type == 1 || type == 2) {
            recordHit();
            if (bAddToNeatline) {
                trace = "Adding Final Intersection Point to Neatline";
                addToWorking(ip);
            }
            RetVal = 1;
        }

        trace = "Set IntersectPoints";
        IntersectPoints = found;

        if (bAddToNeatline) {
            trace = "Constructing Geometry";
            shapekit::GeometryBuilder builder;
            builder.BuildPolygon(working->Count(), *working, false);
            trace = "Set Neatline_Geometry";
            Neatline_Geometry = shapekit::As<shapekit::PolygonGeometry>(builder.GetGeometry());
            working->Clear();
        }
    } catch (...) {
        g.reporter.ReportError(DescribeCurrentException(), trace, "GridlineNeatlineIntersections Error");
        RetVal = -1;
    }
}

void SortPointsByAxis(const IntersectionGrid &g, shapekit::PointsCollection *objPts,
                      IntersectionAnglesColl *colAngles, std::int32_t iAxis) noexcept {
    std::string trace = "In SortPointsByAxis";
    try {
        if (objPts == nullptr) return;
        const bool byX = iAxis == 0;
        // Bubble sort with a strict comparison: equal keys are never exchanged, so the order of
        // points at the same place along the line is kept. Values are exchanged, not objects.
        for (std::int32_t m = objPts->Count(); m >= 1; --m) {
            bool exchanged = false;
            for (std::int32_t j = 2; j <= m; ++j) {
                Point &p = objPts->Item(j - 1);
                Point &q = objPts->Item(j);
                if ((byX ? p.x : p.y) > (byX ? q.x : q.y)) {
                    std::swap(p, q);
                    if (colAngles != nullptr) {
                        const auto &a = colAngles->Item(j - 1);
                        const auto &b = colAngles->Item(j);
                        const double t = a->Angle();
                        a->SetAngle(b->Angle());
                        b->SetAngle(t);
                    }
                    exchanged = true;
                }
            }
            // A pass without an exchange leaves every shorter pass without one as well.
            if (!exchanged) break;
        }
    } catch (...) {
        g.reporter.ReportError(DescribeCurrentException(), trace, "SortPointsByAxis Error");
    }
}

void RemoveDuplicatePoints(const IntersectionGrid &g, shapekit::PointsCollection *objPts,
                           IntersectionAnglesColl *colAngles, std::int32_t iAxis) noexcept {
    std::string trace = "In RemoveDuplicatePoints";
    std::int32_t i = 1;
    std::int32_t nPts = 0;
    try {
        if (objPts == nullptr) return;
        SortPointsByAxis(g, objPts, colAngles, iAxis);
        nPts = objPts->Count();
        while (i < nPts) {
            if (IsDuplicate(g, objPts->Item(i), objPts->Item(i + 1))) {
                // The later point of the pair is kept; the same i is then tested against its new
                // successor, so any run of coincident points shrinks to its last one.
                trace = "Error on Remove";
                objPts->Remove(i);
                if (colAngles != nullptr) colAngles->Remove(i);
                nPts = objPts->Count();
            } else {
                ++i;
            }
        }
    } catch (...) {
        g.reporter.ReportError(DescribeCurrentException(), trace, RemoveDuplicatesMessage(i, objPts, nPts));
    }
}

void RemoveDuplicatePointsByAngle(const IntersectionGrid &g, shapekit::PointsCollection *objPts,
                                  IntersectionAnglesColl *colAngles, std::int32_t iAxis) noexcept {
    std::string trace = "In RemoveDuplicatePoints";
    std::int32_t i = 1;
    std::int32_t nPts = 0;
    try {
        if (objPts == nullptr) return;
        SortPointsByAxis(g, objPts, colAngles, iAxis);
        nPts = objPts->Count();
        bool atStart = true;
        while (i < nPts) {
            if (IsDuplicate(g, objPts->Item(i), objPts->Item(i + 1))) {
                if (colAngles != nullptr) {
                    // Where the line meets the neatline at a vertex, the two edges give two angles;
                    // the label keeps the one that faces into the frame from the side it sits on.
                    const double a = colAngles->Item(i)->Angle();
                    const double b = colAngles->Item(i + 1)->Angle();
                    if (a != b) {
                        const bool keepFirst = atStart ? (a < 225.0 || b > 315.0) : (a < 45.0 || b > 135.0);
                        if (keepFirst) colAngles->Item(i + 1)->SetAngle(a);
                    }
                    colAngles->Remove(i);
                }
                objPts->Remove(i);
                nPts = objPts->Count();
            } else {
                atStart = false;
                ++i;
            }
        }
    } catch (...) {
        g.reporter.ReportError(DescribeCurrentException(), trace, RemoveDuplicatesMessage(i, objPts, nPts));
    }
}

} // namespace detail
} // namespace parallo
