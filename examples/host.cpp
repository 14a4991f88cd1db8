#include <parallo/furniture.h>

#include <cstdio>

int main() {
    parallo::FurnitureOptions o; // every other key at the command's default
    o.MapViewCoordSystem = "EPSG:32632";
    o.NeatlineLowerLeft = shapekit::Point(500000.0, 5400000.0);
    o.NeatlineUpperRight = shapekit::Point(510000.0, 5410000.0);
    o.Interval = shapekit::Point(1000.0, 1000.0);
    const parallo::Furniture f = parallo::MakeFurniture(o);
    for (const parallo::FurnitureLine &line : f.Gridlines)
        std::printf("%c = %.0f\n", line.Axis == parallo::kAxisX ? 'x' : 'y', line.Value);
    return f.Refusal || !f.Failures.empty(); // refusal: f.Refusal->Path, ->Problem
}
