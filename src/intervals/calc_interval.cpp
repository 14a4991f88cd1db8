// The automatic grid interval: about a tenth of the frame's larger side in the grid system,
// snapped to 1, 2 or 5 times a power of ten; for a geographic grid below one degree, whole
// minutes of arc instead.
#include <cmath>
#include <memory>
#include <string>

#include "grid/prepare.h"
#include "intervals/intervals.h"
#include "platform/angles.h"
#include "platform/numbers.h"

namespace parallo {

using platform::Deref;
using platform::Div;
using platform::Mul;
using platform::Sub;

namespace detail {
namespace {

/// The nice factor of a mantissa of the 1-2-5 series.
double NiceFactor(double m) {
    if (m > 6.0) return 10.0;
    if (m > 3.0) return 5.0;
    if (m > 1.5) return 2.0;
    return 1.0;
}

} // namespace

void CalcGridInterval(const Reporter &r, const IntervalFrame &f, double &dInterval) noexcept {
    std::string trace = "In CalcGridInterval";
    try {
        trace = "Set up range coords";
        const Point lowerLeft = Deref(f.lowerLeft);
        const Point upperRight = Deref(f.upperRight);

        trace = "Create ACSP";
        const coordkit::CoordSystemsMgr &manager = Deref(f.manager);
        const std::shared_ptr<coordkit::TransformService> service = manager.GetTransformService();
        const coordkit::TransformService &transformer = Deref(service);
        const std::shared_ptr<coordkit::CoordTransform> neatlineTransform =
            transformer.CreateSimpleTransFromCSMtoCS(manager, f.neatlineSystem);
        const std::shared_ptr<coordkit::CoordTransform> gridTransform =
            transformer.CreateSimpleTransFromCSMtoCS(manager, f.gridSystem);

        // The corners are in the neatline's extents space (radians for geographic extents,
        // projection-plane metres otherwise), the transformation works on storage units: convert
        // them as the neatline itself is converted before the diagonal is carried anywhere.
        trace = "Set objTempLine";
        shapekit::LineGeometry diagonal(NeatlineCornerInStorage(f.neatlineSystem, f.extentsType, lowerLeft),
                                        NeatlineCornerInStorage(f.neatlineSystem, f.extentsType, upperRight));

        trace = "Transform MBR geometry for interval calculation";
        transformer.TransformGeometry(diagonal, Deref(neatlineTransform), 1);
        transformer.TransformGeometry(diagonal, Deref(gridTransform), 0);

        const bool geographic = f.intervalsType == 1;
        const std::int32_t toSpace = geographic ? coordkit::kGeographic : coordkit::kProjectionPlane;
        const coordkit::CoordSystem &gridSystem = Deref(f.gridSystem);
        Point west = diagonal.Start();
        Point east = diagonal.End();
        gridSystem.ConvertPoint(coordkit::kStorage, toSpace, west.x, west.y, west.z);
        gridSystem.ConvertPoint(coordkit::kStorage, toSpace, east.x, east.y, east.z);
        if (geographic) {
            west.x = Mul(west.x, platform::kDegreesPerRadian);
            west.y = Mul(west.y, platform::kDegreesPerRadian);
            east.x = Mul(east.x, platform::kDegreesPerRadian);
            east.y = Mul(east.y, platform::kDegreesPerRadian);
        }

        trace = "180 check";
        bool crossed = false;
        if (geographic) {
            trace = "Check whether the 180 longitude line is crossed";
            // The east corner at a negative longitude not greater than the west corner's.
            crossed = east.x < 0.0 && west.x >= east.x;
        }

        trace = "set up the window width and height";
        const double width =
            crossed ? platform::Add(Sub(180.0, west.x), platform::Add(180.0, east.x)) : Sub(east.x, west.x);
        const double height = Sub(east.y, west.y);

        trace = "get the larger of the two dimensions";
        // Signs stay: corners given in reverse order yield negative dimensions.
        const double larger = height > width ? height : width;
        const double raw = Div(larger, 10.0);

        // Mantissa and exponent as the two-decimal scientific text shows them.
        const std::string text = platform::FormatScientific(raw);
        const std::string::size_type mark = text.find('E');
        if (mark == std::string::npos) Raise(kTypeMismatch);
        const double mantissa = platform::ParseDouble(text.substr(0, mark));
        const std::int16_t exponent = platform::CInt(platform::ParseDouble(text.substr(mark + 1)));
        double interval =
            Mul(platform::Finite(std::pow(10.0, static_cast<double>(exponent))), NiceFactor(mantissa));

        trace = "if geographic, convert to degs mins";
        if (geographic && interval < 1.0) {
            // Whole minutes of the raw value, rounded half up, never below one minute.
            const double minutes = Mul(raw, 60.0);
            if (platform::Int(minutes) <= 1.0)
                interval = Div(1.0, 60.0);
            else
                interval = Div(platform::Int(minutes + 0.5), 60.0);
        }

        dInterval = interval;
    } catch (...) {
        r.ReportError(DescribeCurrentException(), trace, "CalcGridInterval Error");
    }
}

} // namespace detail
} // namespace parallo
