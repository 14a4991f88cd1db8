// The library's implementation of the coordinate interfaces on PROJ: any definition PROJ accepts
// (an EPSG code such as "EPSG:32632", WKT, PROJJSON or a PROJ string) becomes a CoordSystem.
//
// Spaces of ConvertPoint (z always passes through untouched):
//   4  longitude (x) and latitude (y) in radians on the system's own geodetic datum, longitudes
//      counted from Greenwich whatever the system's prime meridian.
//   1  for a projected system its easting and northing in metres, whatever its own unit; for a
//      geographic system the same as 4.
//   12 storage: with geographic storage (BaseStorageType 1, and always for a geographic system)
//      longitude and latitude in degrees; otherwise the projection plane in the system's own
//      linear unit (US survey feet for a State Plane system in feet). StorageScale is 1.
// Axes are always in visualisation order: x is the easting (or westing) or the longitude, y the
// northing (or southing) or the latitude, whatever order the definition gives.
//
// Points are checked on the way in and out of every conversion and transformation; a point that
// fails raises a parallo::Error (5) naming the point, and the caller's points are left as they
// were. Refused: any non-finite coordinate; a latitude beyond ±90° (latitudes within 1e-9° of a
// pole, round-off of a unit conversion, are taken as the pole); a longitude beyond ±540°, more
// than a turn past the antimeridian; a plane coordinate farther than 1e8 m from the origin (no
// projection gives that at a meaningful point, and Mercator gives 2.4e8 m at a pole without an
// error from PROJ); any point PROJ itself cannot transform. Not checked: whether a finite point
// within those bounds lies where the target projection is meaningful. Longitude 189° into UTM
// zone 32N, for example, gives that projection's image on the far side of the pole (a northing
// of 14.6e6 m), and a point outside a datum shift's area of use is transformed with the shift
// PROJ chose.
//
// Threads: a CoordSystem (and its copies, projection and axis objects) may be used from several
// threads at once; a TransformService, CoordTransform or CoordSystemsMgr belongs to one service and
// so to one thread at a time. PROJ objects are never shared between threads: each thread has its
// own PROJ context and its own cache of PROJ objects, made on first use and reused afterwards, so
// that repeated calls with the same systems create nothing (see ProjObjectsCreated).
#ifndef PARALLO_COORDKIT_PROJ_H
#define PARALLO_COORDKIT_PROJ_H

#include <memory>
#include <string>

#include "parallo/coordkit.h"
#include "parallo/export.h"

namespace coordkit {

/// A coordinate system made by PROJ from `definition` (surrounding blanks ignored; a PROJ string
/// without "+type=crs" is read as the system it describes). Geographic, projected and local
/// (engineering) systems are accepted; a compound system gives its horizontal part, and a system
/// bound to a datum shift ("+towgs84") keeps that shift for transformations. BaseStorageType starts
/// at 1 for a geographic system and 0 otherwise.
///
/// Raises a parallo::Error (number 5, source "CreateProjCoordSystem") naming the definition and
/// PROJ's reason when PROJ cannot make a usable system: an unknown code, unreadable text, a
/// vertical, temporal or geocentric system. The same definition given again shares what PROJ read
/// the first time (the most recent definitions stay known even after their last system is gone).
///
/// Members beyond the interface's contract:
/// - CanConvert: every pair of the codes 1, 4, 12 for a geographic or projected system; a local
///   system has no geodetic datum, so only its plane and projected storage (false for 1 to 4).
/// - GetAngle(longitude, latitude, height) of ProjectionSpace: the grid convergence, the angle
///   clockwise from true north to the system's +y axis, in radians in [-pi, pi]; 0 for a
///   geographic or local system. For a south-oriented system it lies near ±pi. It is taken from
///   the direction of the meridian through the point in the plane (a step of 1e-5 rad of latitude,
///   one-sided at a pole) on the system's cached conversion, so it costs two point conversions.
///   Raises a parallo::Error (5) for a non-finite position or a latitude beyond ±90°. With it,
///   GetAngle(grid) - GetAngle(map view) is the direction in which the grid's north lines run on
///   the map view, exactly for a conformal map view.
/// - Axis: UnitName is the usual abbreviation of the linear unit ("m", "km", "ft", "ftUS", "ftCla",
///   ...; "deg" for a geographic system), always a text that CreateProjUnitsOfMeasure knows for
///   the units in PROJ's database. ProjectedQuadrant and GeographicQuadrant come from the axis
///   directions of the definition (ProjectedQuadrant of "EPSG:3035" is 6, its first axis being the
///   northing; that of the south-oriented "EPSG:22275" is 2); GeographicQuadrant of a projected
///   system is that of its geographic base. Axes along meridians (polar systems) count as east and
///   north.
PARALLO_EXPORT std::shared_ptr<CoordSystem> CreateProjCoordSystem(const std::string& definition);

/// A transformation service for systems made by CreateProjCoordSystem. CreateSimpleTransFromCSMtoCS
/// raises 91 when the manager's workspace or the target is not set, and a parallo::Error (5) when
/// PROJ knows no operation between the two (or storage is geographic on a local system). It asks
/// PROJ once per thread for the operation between the two systems' storage units (with whatever
/// datum transformation PROJ chooses from what is installed; never from the network) and the
/// CoordTransform applies it to whole runs in place, direction 0 from the map view to the target,
/// 1 back. The same system on both sides with the same storage is the identity. Systems of
/// another engine go through the base service (their own ConvertPoints, no datum shift).
PARALLO_EXPORT std::shared_ptr<TransformService> CreateProjTransformService();

/// A manager whose workspace is `workspace` (which may be set later) and whose service is
/// CreateProjTransformService().
PARALLO_EXPORT std::shared_ptr<CoordSystemsMgr> CreateProjCoordSystemsMgr(std::shared_ptr<CoordSystem> workspace);

/// Linear units (kind 1) from PROJ's database: every linear unit it knows that is not deprecated,
/// by name ("metre", "US survey foot"; "meter" spellings too), by the usual abbreviation ("m",
/// "ftUS") and by PROJ's short name ("us-ft"), all without regard to case. Codes: 59 is the metre,
/// other EPSG units keep their EPSG code (9002 the foot, 9003 the US survey foot), units of other
/// authorities are numbered from 100001. GetUnitCode and ConvertValue raise a parallo::Error (5)
/// for another kind, an unknown unit text or an unknown code, and ConvertValue raises 6 for a
/// non-finite value. The decimetre is a tenth of a metre (PROJ's database says a hundredth).
PARALLO_EXPORT std::shared_ptr<UnitsOfMeasure> CreateProjUnitsOfMeasure();

/// Number of PROJ objects (contexts, coordinate systems, operations) created by this thread so
/// far; benchmarks and tests use it to prove that repeated calls create nothing new.
PARALLO_EXPORT long ProjObjectsCreated() noexcept;

} // namespace coordkit

#endif
