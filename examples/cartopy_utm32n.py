"""A UTM zone 32N grid with its labels on a Cartopy map, written to docs/cartopy_utm32n.png.

The frame, 600 km by 1000 km from the Alps to Denmark, is drawn in its own projection; the UTM
grid, its ticks and the labels (the 100 km digits large, the rest small and raised) come from
parallo, the coastline from the GSHHS shorelines Debian's python-cartopy-data ships (nothing is
downloaded), the light graticule of longitudes and latitudes from Cartopy itself.

    PYTHONPATH=build/python /usr/bin/python3 examples/cartopy_utm32n.py [OUT.png]
"""

import logging
import os
import sys

import matplotlib

matplotlib.use("Agg")
import cartopy.crs as ccrs  # noqa: E402
import cartopy.feature as cfeature  # noqa: E402
import matplotlib.pyplot as plt  # noqa: E402

import parallo  # noqa: E402
import parallo.mpl  # noqa: E402

SHEET = {
    "MapViewCoordSystem": "EPSG:32632",
    "NeatlineLowerLeft": [200000, 5300000],
    "NeatlineUpperRight": [800000, 6300000],
    "NeatlineStrokeDistance": 20000,
    "Interval": [100000, 100000],
    "GridStrokeDistance": 10000,
    "GridType": "PXgtTicksAndCrosses",
    "TickLength": 12000,
    "CrossLength": 20000,
    "BorderOffsetLeft": 90000, "BorderOffsetRight": 90000,
    "BorderOffsetTop": 40000, "BorderOffsetBottom": 40000,
    "LabelOffset": 6000,
    "MagnitudeAB": 6, "MagnitudeBC": 5,
    "PlaceLeftSideGridElements": True, "PlaceRightSideGridElements": True,
    "PlaceTopSideGridElements": True, "PlaceBottomSideGridElements": True,
    "LabelPartA": {"bDisplay": True, "FontType": "pxgrdFontType_Superscript",
                   "Font": {"Name": "DejaVu Sans", "Size": 7}},
    "LabelPartB": {"bDisplay": True, "Font": {"Name": "DejaVu Sans", "Size": 11, "Bold": True}},
    "LabelPartC": {"bDisplay": True, "FontType": "pxgrdFontType_Superscript",
                   "Font": {"Name": "DejaVu Sans", "Size": 7}},
    "calls": ["CreateNeatline", "CreateBorder", "CreateGridlines", "CreateTicksCrosses", "CreateLabels"],
}


def main(out):
    # The crude shoreline file has a few polygons made of holes only; the reader says so per shape.
    logging.getLogger("shapefile").setLevel(logging.ERROR)
    sheet = parallo.furniture(SHEET)
    for line in sheet.warnings + sheet.failures:
        print("parallo:", line, file=sys.stderr)

    utm = ccrs.UTM(32)
    fig = plt.figure(figsize=(6.4, 9.0), dpi=150)
    ax = fig.add_axes([0.02, 0.02, 0.96, 0.96], projection=utm)
    ax.set_extent([100000, 900000, 5250000, 6350000], crs=utm)
    ax.add_feature(cfeature.GSHHSFeature(scale="c", levels=[1], facecolor="#efe9d8",
                                         edgecolor="#6b7f99", linewidth=0.6), zorder=1)
    ax.set_facecolor("#dbe8f3")
    ax.gridlines(crs=ccrs.PlateCarree(), xlocs=range(0, 20, 2), ylocs=range(44, 60, 2),
                 color="#999999", linewidth=0.4, linestyle=":", zorder=1.5)
    parallo.mpl.draw(ax, sheet, transform=utm)
    fig.savefig(out)
    print(f"{out}: {len(sheet['features'])} features")


if __name__ == "__main__":
    here = os.path.dirname(os.path.abspath(__file__))
    main(sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "docs", "cartopy_utm32n.png"))
