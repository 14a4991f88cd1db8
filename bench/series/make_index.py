#!/usr/bin/python3
"""Writes a 1:25,000-like sheet index and its base configuration for `parallo series`.

Sheets are 10 km x 10 km geographic quads (0.135 deg x 0.09 deg near 48 deg N) in rows from
west to east across 8 deg E to 16 deg E, so that the series spans UTM zones 32 and 33; each
sheet is drawn in the UTM zone of its centre ("UTM") with a 1 km grid, ticks, crosses and
labels. Usage: make_index.py SHEETS OUTDIR [SINGLES] writes OUTDIR/base.json and
OUTDIR/index.geojson, and the single configurations of the first SINGLES sheets (the base with
the sheet's zone and corners) as OUTDIR/singles/<id>.json, for timing one process per sheet.
"""
import json
import os
import sys

WIDTH, HEIGHT = 0.135, 0.09  # degrees: about 10 km x 10 km at 48 deg N
WEST, EAST, SOUTH = 8.0, 16.0, 46.0

BASE = {
    "MapViewCoordSystem": "UTM",
    "NeatlineExtentsType": "kExtentGeographic",
    "NeatlineStrokeDistance": 0.01,
    "Interval": [1000, 1000],
    "GridStrokeDistance": 250,
    "GridType": "PXgtTicksAndCrosses",
    "TickLength": 200,
    "CrossLength": 300,
    "BorderOffsetLeft": 800, "BorderOffsetRight": 800, "BorderOffsetTop": 800, "BorderOffsetBottom": 800,
    "LabelOffset": 100,
    "MagnitudeAB": 5, "MagnitudeBC": 3,
    "PlaceLeftSideGridElements": True, "PlaceRightSideGridElements": True,
    "PlaceTopSideGridElements": True, "PlaceBottomSideGridElements": True,
    "LabelPartA": {"bDisplay": True, "FontType": "pxgrdFontType_Superscript",
                   "Font": {"Name": "DejaVu Sans", "Size": 7}},
    "LabelPartB": {"bDisplay": True, "Font": {"Name": "DejaVu Sans", "Size": 10, "Bold": True}},
    "LabelPartC": {"bDisplay": True, "FontType": "pxgrdFontType_Superscript",
                   "Font": {"Name": "DejaVu Sans", "Size": 7}},
    "MapScale": 25000,
}


def main():
    count, out = int(sys.argv[1]), sys.argv[2]
    singles = int(sys.argv[3]) if len(sys.argv) > 3 else 0
    os.makedirs(out, exist_ok=True)
    if singles:
        os.makedirs(os.path.join(out, "singles"), exist_ok=True)
    per_row = int(round((EAST - WEST) / WIDTH))
    features = []
    for n in range(count):
        row, col = divmod(n, per_row)
        x0, y0 = WEST + col * WIDTH, SOUTH + row * HEIGHT
        ring = [[x0, y0], [x0 + WIDTH, y0], [x0 + WIDTH, y0 + HEIGHT], [x0, y0 + HEIGHT], [x0, y0]]
        sheet = "S%03d-%03d" % (row, col)
        features.append({"type": "Feature", "id": sheet, "properties": {},
                         "geometry": {"type": "Polygon", "coordinates": [ring]}})
        if n < singles:
            single = dict(BASE)
            single["MapViewCoordSystem"] = "EPSG:326%02d" % (int((x0 + WIDTH / 2 + 180) // 6) + 1)
            single["NeatlineLowerLeft"] = [x0, y0]
            single["NeatlineUpperRight"] = [x0 + WIDTH, y0 + HEIGHT]
            with open(os.path.join(out, "singles", sheet + ".json"), "w") as f:
                json.dump(single, f)
    index = {"type": "FeatureCollection",
             "crs": {"type": "name", "properties": {"name": "EPSG:4326"}},
             "features": features}
    with open(os.path.join(out, "index.geojson"), "w") as f:
        f.write('{"type": "FeatureCollection",\n"crs": %s,\n"features": [\n' % json.dumps(index["crs"]))
        f.write(",\n".join(json.dumps(feat) for feat in features))
        f.write("\n]}\n")
    with open(os.path.join(out, "base.json"), "w") as f:
        json.dump(BASE, f, indent=1)


if __name__ == "__main__":
    main()
