// The neatline in grid coordinates and the 180° meridian: the preparation shared by the grid
// generators and the finishing steps that take their output back to the map view.
#include "grid/prepare.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <sstream>
#include <string>
#include <utility>

#include "coords/same_transform.h"
#include "grid/densify.h"
#include "grid/polar.h"
#include "parallo/planicalc.h"
#include "platform/angles.h"
#include "platform/numbers.h"

namespace parallo {
namespace detail {

namespace {

/// Point tolerances of duplicate removal: a tenth of a millimetre, for a geographic grid
/// expressed as the angle it subtends on the equatorial radius.
constexpr double kProjectedPointTolerance = 0.0001;
constexpr double kEquatorialRadius = 6378137.0;

/// The crossing test and the shift of P4. p1 and p2 are the lower-left and upper-right corners of
/// the frame in the working system's storage units (degrees of longitude). When the frame
/// straddles the 180° meridian, every vertex west of both 0 and the frame's western edge lies
/// east of the meridian and moves one turn east, so that the frame becomes one unbroken range
/// of longitudes from p1.x to beyond 180.
void ShiftAcross180(bool &crossed180, GridNeatline &w, const Point &p1, const Point &p2, std::string &trace) {
    if (!CrossesAntimeridian(p1.x, p2.x)) return;
    crossed180 = true;
    trace = "YES, adjust the Tfr_Polygon geometry";
    trace = "YES, see which to adjust";
    // The western edge is compared in the vertices' own units (p1.x, degrees), not in the units
    // the corners were handed in (radians or projection-plane metres), which would shift too
    // little or nothing at all for a frame whose lower-left corner is given west of 0.
    for (Point &v : w.workingNeatline->Points()) {
        if (v.x < 0.0 && v.x < p1.x) v.x = platform::Add(v.x, kDegreesPerTurn);
    }
}

/// A frame that holds a pole inside runs around all longitudes: its working copy is cut along a
/// meridian and closed through the pole (grid/polar.h). Its longitudes then reach a whole turn
/// east of the seam, so the finishing steps bring them back as for a frame across the 180°
/// meridian. `mapView` is the neatline in the map view. Returns whether the frame holds a pole.
bool AroundPole(bool &crossed180, GridNeatline &w, const std::vector<Point> &mapView, std::string &trace) {
    const std::int32_t pole = PoleInside(mapView, platform::Deref(w.T));
    if (pole == 0) return false;
    trace = "Cutting the neatline around the pole";
    if (!CutAroundPole(w, pole)) return false;
    crossed180 = true;
    return true;
}

/// Raises the library's own check when a point of the frame does not come back from the grid
/// system to within kReachFraction of the frame's size of where it was: the grid system cannot
/// reach it, and the grid lines cut against its image there would be drawn anywhere.
void RequireReachable(const GridNeatline &w) {
    if (!(w.worstRoundTrip > kReachFraction * w.frameSize)) return;
    std::ostringstream text;
    text.precision(15);
    text << "The grid coordinate system cannot reach the point (" << w.worstPoint.x << ", " << w.worstPoint.y
         << ") of the frame: it does not come back from the grid system to where it was";
    RaiseOwn(text.str(), "PrepareNeatline");
}

/// P5, P6 and the range: the grid space and the point tolerance from GridIntervalsType, every
/// vertex of the working copy from storage units into grid space, then its extent.
void IntoGridSpace(const NeatlineFrame &f, GridNeatline &w) {
    if (f.intervalsType == 1) {
        w.gridSpace = coordkit::kGeographic;
        f.pointTolerance = kProjectedPointTolerance / kEquatorialRadius;
    } else {
        w.gridSpace = coordkit::kProjectionPlane;
        f.pointTolerance = kProjectedPointTolerance;
    }
    shapekit::PointsCollection &pts = w.workingNeatline->Points();
    platform::Deref(f.gridSystem).ConvertPoints(coordkit::kStorage, w.gridSpace, pts.data(), pts.size());
    planicalc::TRGGetRange(*w.workingNeatline, w.pMin, w.pMax);
}

std::shared_ptr<shapekit::PolygonGeometry> CopyPolygon(const std::shared_ptr<shapekit::PolygonGeometry> &p) {
    return shapekit::As<shapekit::PolygonGeometry>(planicalc::TRGCopyGeometry(platform::Deref(p)));
}

/// b moved by whole turns to within half a turn of a (longitudes in degrees).
Point NearLongitude(Point b, const Point &a) noexcept {
    if (b.x - a.x > 180.0) b.x -= kDegreesPerTurn;
    if (b.x - a.x < -180.0) b.x += kDegreesPerTurn;
    return b;
}

/// The working copy handed back as NeatlinePolygon: the host's vertices only, when the
/// preparation inserted points along its edges.
std::shared_ptr<shapekit::PolygonGeometry> HandBack(const GridNeatline &w) {
    if (w.hostVertices.empty()) return CopyPolygon(w.workingNeatline);
    const std::vector<Point> &all = platform::Deref(w.workingNeatline).Points().Vector();
    auto polygon = std::make_shared<shapekit::PolygonGeometry>();
    for (std::size_t i : w.hostVertices)
        polygon->Points().Add(all.at(i));
    return polygon;
}

/// F1 for points already in a system whose x is a longitude in degrees: every x beyond 180 comes
/// back by one turn.
void BackWithin180(shapekit::GeometryCollection &output, std::string &trace) {
    trace = "Adjust geographic grid lines back to +/- 180 longitude";
    const std::int32_t n = output.Count();
    for (std::int32_t i = 1; i <= n; ++i) {
        shapekit::Geometry &item = platform::Deref(output.Item(i));
        trace = "Adjust geographic grid lines, item " + std::to_string(i) + " of " + std::to_string(n);
        item.ForEachRun(shapekit::PointRunFunction([](Point *pts, std::size_t count) {
            for (std::size_t j = 0; j < count; ++j) {
                if (pts[j].x > 180.0) pts[j].x -= kDegreesPerTurn;
                // A parallel around a pole joined across the seam reaches a second turn.
                if (pts[j].x > 180.0) pts[j].x -= kDegreesPerTurn;
            }
        }));
        trace = "form new collection";
    }
    trace = "Copy to original collection";
}

/// The map-view counterpart for ticks and crosses: each two-point mark moves as a whole, by its
/// mean x, so that a mark standing on the meridian keeps its length instead of spanning the
/// world.
void MarksBackWithin180(shapekit::GeometryCollection &marks, std::string &trace) {
    trace = "Adjust geographic grid lines back to +/- 180 longitude";
    const std::int32_t n = marks.Count();
    for (std::int32_t i = 1; i <= n; ++i) {
        shapekit::Geometry &item = platform::Deref(marks.Item(i));
        trace = "Adjust geographic grid lines, item " + std::to_string(i) + " of " + std::to_string(n);
        double sum = 0.0;
        std::size_t count = 0;
        const shapekit::Geometry &readOnly = item;
        readOnly.ForEachRun(shapekit::ConstPointRunFunction([&](const Point *pts, std::size_t c) {
            for (std::size_t j = 0; j < c; ++j)
                sum += pts[j].x;
            count += c;
        }));
        if (count == 0 || !(sum / static_cast<double>(count) > 180.0)) continue;
        item.ForEachRun(shapekit::PointRunFunction([](Point *pts, std::size_t c) {
            for (std::size_t j = 0; j < c; ++j)
                pts[j].x -= kDegreesPerTurn;
        }));
    }
    trace = "Copy to original collection";
}

/// F2 and F3: the working copy back within 180 (in its grid-space units) and back to storage units.
void WorkingCopyToStorage(bool crossed180, const CoordSystemPtr &gridSystem, GridNeatline &w,
                          std::string &trace) {
    if (w.pole != 0 && w.frameRing) {
        // The cut copy holds the seam and the pole: the frame's own ring goes back instead.
        w.workingNeatline = w.frameRing;
        return;
    }
    shapekit::PointsCollection &pts = platform::Deref(w.workingNeatline).Points();
    if (crossed180) {
        trace = "Adjust geographic neatline back to +/- 180 longitude";
        // The copy is still in grid space here; F3 takes it back to storage units afterwards.
        for (Point &v : pts) {
            if (v.x > 180.0) v.x -= kDegreesPerTurn;
        }
    }
    platform::Deref(gridSystem).ConvertPoints(w.gridSpace, coordkit::kStorage, pts.data(), pts.size());
}

bool SameBits(const Point &a, const Point &b) noexcept { return std::memcmp(&a, &b, sizeof(Point)) == 0; }

bool Finite(const Point &p) noexcept {
    return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
}

/// The images of `points`: a point bitwise equal to known[i] at the same place takes answers[i]
/// when that is finite, the others go through `fresh` in one batch. When `fresh` throws, it
/// passes on and `points` stay as they were.
void ImagesReusing(std::vector<Point> &points, const std::vector<Point> &known,
                   const std::vector<Point> &answers,
                   const std::function<void(std::vector<Point> &)> &fresh) {
    const std::size_t common = std::min({points.size(), known.size(), answers.size()});
    std::vector<std::size_t> rest;
    std::vector<Point> batch;
    for (std::size_t i = 0; i < points.size(); ++i) {
        if (i < common && SameBits(points[i], known[i]) && Finite(answers[i])) continue;
        rest.push_back(i);
        batch.push_back(points[i]);
    }
    if (!batch.empty()) fresh(batch);
    for (std::size_t i = 0; i < common; ++i)
        if (SameBits(points[i], known[i]) && Finite(answers[i])) points[i] = answers[i];
    for (std::size_t k = 0; k < rest.size(); ++k)
        points[rest[k]] = batch[k];
}

/// The working copy through T in `direction`, as TransformGeometry takes it in one run; points
/// bitwise equal to `known` at the same place take `answers` instead. Should the points left
/// fail, the whole copy goes through T again, so that the failure reported is the one a single
/// run reports.
void TransformWorkingCopy(const coordkit::TransformService &service, const GridNeatline &w,
                          std::int32_t direction, const std::vector<Point> &known,
                          const std::vector<Point> &answers) {
    shapekit::PolygonGeometry &copy = platform::Deref(w.workingNeatline);
    const coordkit::CoordTransform &T = platform::Deref(w.T);
    if (known.empty()) {
        service.TransformGeometry(copy, T, direction);
        return;
    }
    std::vector<Point> pts = copy.Points().Vector();
    try {
        ImagesReusing(pts, known, answers,
                      [&](std::vector<Point> &batch) { T.Transform(batch.data(), batch.size(), direction); });
    } catch (...) {
        service.TransformGeometry(copy, T, direction);
        return;
    }
    copy.Points().Vector() = std::move(pts);
}

/// Whether the memo's answers were made with the very transformation T.
const FrameEdgeMemo *UsableMemo(const FrameEdgeMemo *memo, const coordkit::CoordTransform &T) noexcept {
    if (!memo || !memo->T) return nullptr;
    return coordkit::projdetail::SameProjTransformation(*memo->T, T) ? memo : nullptr;
}

/// The working copy (the map view's vertices) into the grid system's storage units with T.
void IntoGridStorage(const coordkit::TransformService &service, const GridNeatline &w,
                     const FrameEdgeMemo *memo) {
    static const std::vector<Point> none;
    const FrameEdgeMemo *m = UsableMemo(memo, platform::Deref(w.T));
    TransformWorkingCopy(service, w, 0, m ? m->mapView : none, m ? m->storage : none);
}

/// A bitwise hash of a step's two ends.
std::uint64_t StepHash(const StepEnd &p, const StepEnd &q) noexcept {
    std::uint64_t h = 1469598103934665603ULL;
    const auto mix = [&h](const Point &v) {
        for (const double d : {v.x, v.y, v.z}) {
            std::uint64_t bits = 0;
            std::memcpy(&bits, &d, sizeof bits);
            h = (h ^ bits) * 1099511628211ULL;
            h ^= h >> 29;
        }
    };
    for (const StepEnd *e : {&p, &q}) {
        mix(e->at);
        mix(e->drawn);
        mix(e->kept);
    }
    return h;
}

bool SameStep(const StepEnd &a, const StepEnd &b) noexcept {
    return std::memcmp(&a, &b, sizeof(StepEnd)) == 0;
}

/// Which of the two spaces of the working copy count x in degrees of longitude.
EdgeLongitudes LongitudesOf(const NeatlineFrame &f) {
    const CoordSystemPtr &mapView = platform::Deref(f.manager).WorkspaceCoordSystem();
    return {mapView && mapView->BaseStorageType() == coordkit::kGeographicStorage,
            platform::Deref(f.gridSystem).BaseStorageType() == coordkit::kGeographicStorage};
}

} // namespace

void FollowFrameEdges(const std::vector<Point> &mapView, const EdgeLongitudes &longitudes, GridNeatline &w,
                      FrameEdgeMemo *memo) {
    shapekit::PointsCollection &pts = platform::Deref(w.workingNeatline).Points();
    const std::vector<Point> storage = pts.Vector();
    const std::size_t n = storage.size();
    // The memo answers only for the same transformation, the same longitudes and the same
    // tolerance; it is replaced by this refinement's, or dropped when there is none.
    const FrameEdgeMemo *before = UsableMemo(memo, platform::Deref(w.T));
    FrameEdgeMemo found;
    struct Replace {
        FrameEdgeMemo *memo;
        FrameEdgeMemo &next;
        ~Replace() {
            if (memo) *memo = std::move(next);
        }
    } replace{memo, found};
    if (n < 2 || mapView.size() != n || n >= kMaxNeatlinePoints) return;
    // The judged steps are kept for the next preparation only when it may use them: when there
    // was none before this one, or some vertex came back from the last round trip bit for bit.
    // A frame whose round trip moves every vertex (a UTM grid on a LAEA map view)
    // keeps only the vertices, not some 200 bytes for every step.
    std::size_t sameVertices = 0;
    if (before) {
        for (std::size_t i = 0; i < n && i < before->mapView.size(); ++i)
            if (SameBits(mapView[i], before->mapView[i])) ++sameVertices;
    }
    const bool keepSteps = !before || sameVertices > 0;

    double minX = mapView[0].x, maxX = mapView[0].x, minY = mapView[0].y, maxY = mapView[0].y;
    for (const Point &p : mapView) {
        minX = std::min(minX, p.x);
        maxX = std::max(maxX, p.x);
        minY = std::min(minY, p.y);
        maxY = std::max(maxY, p.y);
    }
    const double size = std::max(maxX - minX, maxY - minY);
    if (!std::isfinite(size) || !(size > 0.0)) return;
    const double tolerance = kFrameFollowFraction * size;
    if (before && (before->tolerance != tolerance || before->longitudes.mapView != longitudes.mapView ||
                   before->longitudes.grid != longitudes.grid))
        before = nullptr;

    const coordkit::CoordTransform &T = platform::Deref(w.T);
    const auto through = [&T](std::int32_t direction) {
        return [&T, direction](Point *p, std::size_t count) { T.Transform(p, count, direction); };
    };
    // `at` is the map view, where the frame edge is straight; `drawn` the grid system's storage
    // units, where the grid lines are cut against the chord between two vertices.
    LineRefiner r;
    r.tolerance = tolerance;
    r.budget = kMaxNeatlinePoints - n;
    std::vector<Point> middles, chords, split;
    const auto judgeFresh = [&](const std::vector<StepEnd> &ps, const std::vector<StepEnd> &qs,
                                std::vector<StepEnd> &mids, std::vector<double> &deviations) {
        // The chord's middle carried back to the map view, measured against the chord's ends
        // carried back too (`kept`): so the deviation leaves out the round trip's own error
        // (PROJ's inverse of a projection may miss the forward by a fraction of a millimetre,
        // which no splitting reduces).
        middles.clear();
        chords.clear();
        for (std::size_t k = 0; k < ps.size(); ++k) {
            const Point far = longitudes.mapView ? NearLongitude(qs[k].at, ps[k].at) : qs[k].at;
            middles.push_back(Middle(ps[k].at, far));
            const Point q = longitudes.grid ? NearLongitude(qs[k].drawn, ps[k].drawn) : qs[k].drawn;
            chords.push_back(Middle(ps[k].drawn, q));
        }
        ApplyEach(chords, through(1));
        for (std::size_t k = 0; k < ps.size(); ++k) {
            const auto near = [&](const Point &b) {
                return longitudes.mapView ? NearLongitude(b, ps[k].at) : b;
            };
            deviations[k] = DistanceToSegment(near(chords[k]), near(ps[k].kept), near(qs[k].kept));
            mids[k].at = middles[k];
        }
        // Only the middles of the steps that are split go into the grid system, and back.
        split.clear();
        for (std::size_t k = 0; k < ps.size(); ++k)
            if (deviations[k] > r.tolerance && std::isfinite(deviations[k])) split.push_back(middles[k]);
        ApplyEach(split, through(0));
        std::vector<Point> splitBack = split;
        ApplyEach(splitBack, through(1));
        std::size_t next = 0;
        const double nan = std::numeric_limits<double>::quiet_NaN();
        for (std::size_t k = 0; k < ps.size(); ++k) {
            const bool asked = deviations[k] > r.tolerance && std::isfinite(deviations[k]);
            mids[k].drawn = asked ? split[next] : Point(nan, nan);
            mids[k].kept = asked ? splitBack[next] : Point(nan, nan);
            if (asked) ++next;
        }
    };

    // The steps the memo judged, by the hash of their ends' bits (sorted, for a binary search).
    std::vector<std::pair<std::uint64_t, std::size_t>> judgedBefore;
    if (before && sameVertices > 0) {
        judgedBefore.reserve(before->judged.size());
        for (std::size_t i = 0; i < before->judged.size(); ++i)
            judgedBefore.emplace_back(StepHash(before->judged[i].p, before->judged[i].q), i);
        std::sort(judgedBefore.begin(), judgedBefore.end());
    }
    if (keepSteps) found.judged.reserve(before ? before->judged.size() : 2 * n);
    std::vector<StepEnd> freshPs, freshQs, freshMids;
    std::vector<double> freshDeviations;
    std::vector<std::size_t> freshAt;
    r.judge = [&](const std::vector<StepEnd> &ps, const std::vector<StepEnd> &qs, std::vector<StepEnd> &mids,
                  std::vector<double> &deviations) {
        freshPs.clear();
        freshQs.clear();
        freshAt.clear();
        for (std::size_t k = 0; k < ps.size(); ++k) {
            if (!judgedBefore.empty()) {
                const std::uint64_t h = StepHash(ps[k], qs[k]);
                auto it = std::lower_bound(judgedBefore.begin(), judgedBefore.end(),
                                           std::make_pair(h, std::size_t{0}));
                bool known = false;
                for (; it != judgedBefore.end() && it->first == h && !known; ++it) {
                    const FrameEdgeMemo::Judged &j = before->judged[it->second];
                    if (!SameStep(j.p, ps[k]) || !SameStep(j.q, qs[k])) continue;
                    mids[k] = j.mid;
                    deviations[k] = j.deviation;
                    known = true;
                }
                if (known) continue;
            }
            freshPs.push_back(ps[k]);
            freshQs.push_back(qs[k]);
            freshAt.push_back(k);
        }
        if (!freshPs.empty()) {
            freshMids.assign(freshPs.size(), StepEnd{});
            freshDeviations.assign(freshPs.size(), std::numeric_limits<double>::quiet_NaN());
            judgeFresh(freshPs, freshQs, freshMids, freshDeviations);
            for (std::size_t k = 0; k < freshAt.size(); ++k) {
                mids[freshAt[k]] = freshMids[k];
                deviations[freshAt[k]] = freshDeviations[k];
            }
        }
        if (!keepSteps) return;
        for (std::size_t k = 0; k < ps.size(); ++k)
            found.judged.push_back({ps[k], qs[k], mids[k], deviations[k]});
    };

    std::vector<Point> roundTrip = storage;
    static const std::vector<Point> none;
    ImagesReusing(roundTrip, before ? before->storage : none, before ? before->roundTrip : none,
                  [&](std::vector<Point> &batch) { ApplyEach(batch, through(1)); });
    found.T = w.T;
    found.longitudes = longitudes;
    found.tolerance = tolerance;
    found.mapView = mapView;
    found.storage = storage;
    found.roundTrip = roundTrip;
    std::vector<StepEnd> line;
    for (std::size_t i = 0; i < n; ++i)
        line.push_back({mapView[i], storage[i], roundTrip[i]});
    // The sweep closes an open ring by an edge from the last vertex to the first: refined as the
    // step to a copy of the first vertex, dropped again afterwards.
    const bool open = mapView.front().x != mapView.back().x || mapView.front().y != mapView.back().y;
    if (open) line.push_back(line.front());
    std::vector<std::size_t> host;
    RefineLine(r, line, &host);
    if (open) {
        line.pop_back();
        host.pop_back();
    }
    // How far the frame's points come back from the grid system: a point beyond the grid
    // system's reach (a transverse Mercator grid a quarter of the world from its central
    // meridian) goes there and comes back elsewhere, or not at all.
    w.frameSize = size;
    for (const StepEnd &e : line) {
        const Point back = longitudes.mapView ? NearLongitude(e.kept, e.at) : e.kept;
        const double miss = std::hypot(back.x - e.at.x, back.y - e.at.y);
        if (!(miss <= w.worstRoundTrip)) {
            w.worstRoundTrip = std::isnan(miss) ? std::numeric_limits<double>::infinity() : miss;
            w.worstPoint = e.at;
        }
    }
    w.storagePoints.clear();
    w.mapViewImages.clear();
    w.storagePoints.reserve(line.size());
    w.mapViewImages.reserve(line.size());
    for (const StepEnd &e : line) {
        w.storagePoints.push_back(e.drawn);
        w.mapViewImages.push_back(e.kept);
    }
    if (line.size() == n) return;
    pts.Vector() = w.storagePoints;
    w.hostVertices = std::move(host);
}

bool CrossesAntimeridian(double x0, double x1) noexcept {
    if (x0 >= 0.0 && x1 < 0.0) return true;
    return x0 < 0.0 && x1 < 0.0 && x0 >= x1;
}

std::int32_t NeatlineInputSpace(std::int32_t extentsType) noexcept {
    return extentsType == 1 ? coordkit::kGeographic : coordkit::kProjectionPlane;
}

Point NeatlineCornerInStorage(const CoordSystemPtr &neatlineSystem, std::int32_t extentsType,
                              const Point &corner) {
    Point pt = corner;
    platform::Deref(neatlineSystem)
        .ConvertPoint(NeatlineInputSpace(extentsType), coordkit::kStorage, pt.x, pt.y, pt.z);
    return pt;
}

bool MapViewIsGeographic(const CoordSystemPtr &mapView) {
    return platform::Deref(mapView).BaseStorageType() == coordkit::kGeographicStorage;
}

double LongitudeWithinHalfTurn(double lon) noexcept {
    const double pi = platform::kPi;
    if (!std::isfinite(lon) || (lon <= pi && lon >= -pi)) return lon;
    return std::remainder(lon, 2.0 * platform::kPi);
}

void BeginNeatlinePreparation(const NeatlineFrame &f, GridNeatline &w, std::string &trace) {
    w.workingNeatline = CopyPolygon(f.neatline);
    trace = "Setting up CreateSimpleTransFromCSMtoCS FROM the MapView coordsystem TO the Grid coordsystem";
    const coordkit::CoordSystemsMgr &mgr = platform::Deref(f.manager);
    w.service = mgr.GetTransformService();
    w.T = platform::Deref(w.service).CreateSimpleTransFromCSMtoCS(mgr, f.gridSystem);
    platform::Deref(w.T);
}

void CompleteNeatlinePreparation(const NeatlineFrame &f, GridNeatline &w, std::string &trace) {
    const coordkit::TransformService &service = platform::Deref(w.service);
    const coordkit::CoordTransform &T = platform::Deref(w.T);
    trace = "Transforming neatline geometry TO Grid_CoordSystem storage units";
    const std::vector<Point> mapView = platform::Deref(w.workingNeatline).Points().Vector();
    IntoGridStorage(service, w, f.memo);
    FollowFrameEdges(mapView, LongitudesOf(f), w, f.memo);
    RequireReachable(w);

    trace = "check geographic coordinates to see if 180 crossed";
    f.crossed180 = false;
    if (platform::Deref(f.gridSystem).BaseStorageType() == coordkit::kGeographicStorage) {
        trace = "Transforming neatline MBR points TO Grid_CoordSystem";
        shapekit::LineGeometry mbr(Point(f.lowerLeftMapView.x, f.lowerLeftMapView.y),
                                   Point(f.upperRightMapView.x, f.upperRightMapView.y));
        service.TransformGeometry(mbr, T, 0);
        if (!AroundPole(f.crossed180, w, mapView, trace)) {
            ShiftAcross180(f.crossed180, w, mbr.Start(), mbr.End(), trace);
            if (!f.crossed180 && !LongitudesOf(f).mapView) f.crossed180 = JoinAcross180(w);
        }
    }
    IntoGridSpace(f, w);
    ReadPolarSeam(w);
}

void PrepareNeatline(const NeatlineFrame &f, GridNeatline &w, std::string &trace) {
    BeginNeatlinePreparation(f, w, trace);
    CompleteNeatlinePreparation(f, w, trace);
}

void PrepareLabelNeatline(const NeatlineFrame &f, const LabelNeatlineSetup &setup, GridNeatline &w,
                          std::string &trace) {
    w.service = setup.service;
    w.T = setup.gridTransform;
    const coordkit::TransformService &service = platform::Deref(w.service);
    const coordkit::CoordTransform &T = platform::Deref(w.T);

    w.workingNeatline = CopyPolygon(f.neatline);
    trace = "Transforming neatline geometry TO alternate CoordSystem";
    const std::vector<Point> mapView = w.workingNeatline->Points().Vector();
    IntoGridStorage(service, w, f.memo);
    FollowFrameEdges(mapView, LongitudesOf(f), w, f.memo);
    RequireReachable(w);

    trace = "check geographic coordinates to see if 180 crossed";
    f.crossed180 = false;
    const coordkit::CoordSystem &alternate =
        setup.alternateSystem ? *setup.alternateSystem : platform::Deref(f.gridSystem);
    if (alternate.BaseStorageType() == coordkit::kGeographicStorage) {
        trace = "Transforming neatline MBR points TO alternate CoordSystem";
        // The corners as handed in, in the extents' space, go to the neatline system's storage
        // units, then to the map view, then into the grid system.
        shapekit::LineGeometry mbr(
            NeatlineCornerInStorage(f.neatlineSystem, f.extentsType, platform::Deref(f.lowerLeft)),
            NeatlineCornerInStorage(f.neatlineSystem, f.extentsType, platform::Deref(f.upperRight)));
        mbr.Start().z = 0.0;
        mbr.End().z = 0.0;
        service.TransformGeometry(mbr, platform::Deref(setup.neatlineTransform), 1);
        service.TransformGeometry(mbr, T, 0);
        if (!AroundPole(f.crossed180, w, mapView, trace)) {
            ShiftAcross180(f.crossed180, w, mbr.Start(), mbr.End(), trace);
            if (!f.crossed180 && !LongitudesOf(f).mapView) f.crossed180 = JoinAcross180(w);
        }
    }
    IntoGridSpace(f, w);
    ReadPolarSeam(w);
}

void FinishGridlines(bool crossed180, const CoordSystemPtr &gridSystem, GridNeatline &w,
                     shapekit::GeometryCollection &output,
                     std::shared_ptr<shapekit::PolygonGeometry> &neatlinePolygon, std::string &trace) {
    if (crossed180) BackWithin180(output, trace);
    WorkingCopyToStorage(crossed180, gridSystem, w, trace);
    trace = "Transform Grid geometry to MapView";
    const coordkit::TransformService &service = platform::Deref(w.service);
    const coordkit::CoordTransform &T = platform::Deref(w.T);
    service.TransformGeometry(output, T, 1);
    TransformWorkingCopy(service, w, 1, w.storagePoints, w.mapViewImages);
    neatlinePolygon = HandBack(w);
}

void FinishTicksCrosses(bool crossed180, const CoordSystemPtr &mapView, const CoordSystemPtr &gridSystem,
                        GridNeatline &w, shapekit::GeometryCollection &ticks,
                        shapekit::GeometryCollection *crosses,
                        std::shared_ptr<shapekit::PolygonGeometry> &neatlinePolygon, std::string &trace) {
    // Ticks and crosses were placed in map-view coordinates: a longitude shift means something
    // for them only when those coordinates are degrees of longitude.
    if (crossed180 && MapViewIsGeographic(mapView)) {
        MarksBackWithin180(ticks, trace);
        if (crosses != nullptr) MarksBackWithin180(*crosses, trace);
    }
    WorkingCopyToStorage(crossed180, gridSystem, w, trace);
    TransformWorkingCopy(platform::Deref(w.service), w, 1, w.storagePoints, w.mapViewImages);
    neatlinePolygon = HandBack(w);
}

} // namespace detail
} // namespace parallo
