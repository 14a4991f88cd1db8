// The library's implementation of the coordinate interfaces on PROJ: any definition PROJ accepts
// (an EPSG code such as "EPSG:32632", WKT, PROJJSON or a PROJ string) becomes a CoordSystem.
#ifndef PARALLO_COORDKIT_PROJ_H
#define PARALLO_COORDKIT_PROJ_H

#include <memory>
#include <string>

#include "parallo/coordkit.h"
#include "parallo/export.h"

namespace coordkit {

/// A coordinate system made by PROJ from `definition`. Axis order is normalised: x is the
/// easting or longitude, y the northing or latitude. BaseStorageType starts at 1 for a
/// geographic system and 0 otherwise. Raises a parallo::Error (number 5) naming the definition
/// and PROJ's reason when PROJ cannot make a usable system.
PARALLO_EXPORT std::shared_ptr<CoordSystem> CreateProjCoordSystem(const std::string& definition);

/// A transformation service that asks PROJ for a direct operation between the two systems
/// (with whatever datum transformation PROJ chooses offline) and transforms in batches.
PARALLO_EXPORT std::shared_ptr<TransformService> CreateProjTransformService();

/// A manager whose workspace is `workspace` and whose service is CreateProjTransformService().
PARALLO_EXPORT std::shared_ptr<CoordSystemsMgr> CreateProjCoordSystemsMgr(std::shared_ptr<CoordSystem> workspace);

/// Linear units from PROJ's database, by name and abbreviation; 59 is the metre.
PARALLO_EXPORT std::shared_ptr<UnitsOfMeasure> CreateProjUnitsOfMeasure();

/// Number of PROJ objects (contexts, coordinate systems, operations) created by this thread so
/// far; benchmarks and tests use it to prove that repeated calls create nothing new.
PARALLO_EXPORT long ProjObjectsCreated() noexcept;

} // namespace coordkit

#endif
