"""Drawing a frame's furniture with matplotlib, on a plain Axes or a Cartopy GeoAxes.

``draw(ax, result)`` draws what ``parallo.furniture`` returned (or a GeoJSON file the command
wrote, read with ``json.load``): border and neatline outlines, frame bars (dark or light by their
``filled`` flag), grid lines, ticks and crosses, and the labels, each label in its styled runs
(size, font, weight, slant, superscript and subscript rise) and turned by its angle, as the
command's SVG draws them. Labels whose feature says ``"hidden": true`` are left out.

Coordinates are in the map view's system. On a GeoAxes pass ``transform=`` the map view's
Cartopy CRS (``ccrs.epsg(32632)``, ``ccrs.UTM(32)``); on a plain Axes leave it out.
"""

import math

import matplotlib.transforms as mtransforms
from matplotlib.collections import LineCollection
from matplotlib.font_manager import FontProperties
from matplotlib.patches import Polygon
from matplotlib.textpath import TextToPath

__all__ = ["STYLES", "draw"]

#: Matplotlib keywords per feature kind; ``draw(styles=...)`` overrides them kind by kind. The
#: border and the neatline are outlines only, so that a map below shows through.
STYLES = {
    "border": {"facecolor": "none", "edgecolor": "#555555", "linewidth": 1.0, "zorder": 2.0},
    "frameBar": {"edgecolor": "#000000", "linewidth": 0.4, "zorder": 2.1,
                 "dark": "#000000", "light": "#ffffff"},
    "gridline": {"color": "#2b6cb0", "linewidth": 0.7, "zorder": 2.2},
    "tick": {"color": "#000000", "linewidth": 1.0, "zorder": 2.3},
    "cross": {"color": "#000000", "linewidth": 1.0, "zorder": 2.3},
    "frameTick": {"color": "#000000", "linewidth": 1.0, "zorder": 2.3},
    "minorTick": {"color": "#000000", "linewidth": 0.6, "zorder": 2.3},
    "neatline": {"facecolor": "none", "edgecolor": "#000000", "linewidth": 1.5, "zorder": 2.5},
    "label": {"zorder": 3.0},
}

# Label typesetting, in ems of a label's base size, as the library lays labels out.
try:
    from . import _parallo

    _BASELINE = dict(_parallo.BASELINE)
    _DEFAULT_SIZE = float(_parallo.DEFAULT_LABEL_SIZE)
    _POINT_MILLIMETRES = float(_parallo.POINT_MILLIMETRES)
except ImportError:  # the drawing works on GeoJSON files without the compiled module
    _BASELINE = {"above": 0.1, "hanging": 0.75, "centred": 0.35}
    _DEFAULT_SIZE = 12.0
    _POINT_MILLIMETRES = 25.4 / 72.0

_TEXT_CENTRED_ON_ORIGIN, _TEXT_ENDS_AT_ORIGIN = 4, 5
_TEXT_BELOW_ORIGIN, _TEXT_CENTRED_VERTICALLY = 7, 8


def _parts(geometry):
    """("line" | "ring" | "point", coordinates) of a GeoJSON geometry, collections flattened."""
    if not geometry:
        return
    kind = geometry.get("type")
    if kind == "LineString":
        yield "line", geometry["coordinates"]
    elif kind == "Polygon":
        for ring in geometry["coordinates"]:
            yield "ring", ring
    elif kind == "Point":
        yield "point", geometry["coordinates"]
    elif kind == "GeometryCollection":
        for member in geometry.get("geometries", ()):
            yield from _parts(member)


def _xy(coordinates):
    return [(p[0], p[1]) for p in coordinates]


def _font(run, size):
    family = [run["font"], "DejaVu Sans"] if run.get("font") else ["DejaVu Sans"]
    return FontProperties(family=family, size=size, weight="bold" if run.get("bold") else "normal",
                          style="italic" if run.get("italic") else "normal")


_TEXT_TO_PATH = TextToPath()


def _advance(text, prop):
    """The run's width in points as matplotlib sets it (the glyphs' advances with kerning), so
    that the next run starts where this one ends."""
    return _TEXT_TO_PATH.get_text_width_height_descent(text, prop, ismath=False)[0]


def _label_runs(properties, runs):
    if runs is not None:
        return runs
    text = properties.get("LabelString", "")
    return [{"text": text, "size": _DEFAULT_SIZE, "rise": 0.0}] if text else []


def _draw_label(ax, origin, properties, runs, transform, color, fontscale, zorder):
    """One label as one matplotlib Text per run, each offset in points from the origin along the
    label's turned baseline, so that the runs keep their sizes and rises on any map scale."""
    runs = [r for r in runs if r.get("text")]
    if not runs:
        return []
    base = max((r["size"] for r in runs if r.get("rise", 0.0) == 0.0), default=_DEFAULT_SIZE) or _DEFAULT_SIZE
    props = [_font(r, r["size"] * fontscale) for r in runs]
    widths = [_advance(r["text"], p) / fontscale for r, p in zip(runs, props)]
    total = sum(widths)
    x = 0.0
    if properties.get("HorizontalJustification") == _TEXT_CENTRED_ON_ORIGIN:
        x = -total / 2.0
    elif properties.get("HorizontalJustification") == _TEXT_ENDS_AT_ORIGIN:
        x = -total
    vertical = properties.get("VerticalJustification")
    if vertical == _TEXT_BELOW_ORIGIN:
        baseline = -_BASELINE["hanging"] * base
    elif vertical == _TEXT_CENTRED_VERTICALLY:
        baseline = -_BASELINE["centred"] * base
    else:
        baseline = _BASELINE["above"] * base
    angle = properties.get("Angle") or 0.0
    if not math.isfinite(angle):
        angle = 0.0
    cos, sin = math.cos(math.radians(angle)), math.sin(math.radians(angle))
    artists = []
    for run, prop, width in zip(runs, props, widths):
        y = baseline + run.get("rise", 0.0)
        dx, dy = (x * cos - y * sin) * fontscale / 72.0, (x * sin + y * cos) * fontscale / 72.0
        offset = mtransforms.ScaledTranslation(dx, dy, ax.figure.dpi_scale_trans)
        artists.append(ax.text(origin[0], origin[1], run["text"], transform=transform + offset,
                               rotation=angle, rotation_mode="anchor", ha="left", va="baseline",
                               fontproperties=prop, color=color, zorder=zorder, clip_on=False))
        x += width
    return artists


def _map_fontscale(ax, data, result, extent):
    """The factor that sets labels at the map's scale on the figure: figure points per map unit
    over paper points per map unit at the scale the labels were laid out at (MapScale)."""
    scale = result.get("MapScale")
    if not scale or not extent:
        return 1.0
    x0, y0, x1, y1 = extent
    step = max(x1 - x0, y1 - y0) / 100.0 or 1.0
    a, b = data.transform([(x0, y0), (x0 + step, y0)])
    figure_points = math.hypot(b[0] - a[0], b[1] - a[1]) / step * 72.0 / ax.figure.dpi
    paper_points = getattr(result, "map_unit_metres", 1.0) * 1000.0 / (_POINT_MILLIMETRES * scale)
    factor = figure_points / paper_points
    return factor if math.isfinite(factor) and factor > 0.0 else 1.0


def draw(ax, result, *, transform=None, labels=True, fontscale=1.0, styles=None, autoscale=None):
    """Draws a result's features on ``ax``; returns the artists by feature kind.

    ``transform``: the map view's Cartopy CRS on a GeoAxes (or any matplotlib transform); the
    data coordinates when left out. ``labels``: whether to draw the labels. ``fontscale``
    multiplies every label size (sizes are in points on the figure); ``"map"`` sets them at the
    map's scale instead, as the labels were laid out at ``result["MapScale"]``, so that the
    shown labels neither overprint nor cross the neatline on this figure's extent (1 when the
    result has no MapScale). ``styles``: per kind, matplotlib keywords that replace those of
    ``STYLES``. ``autoscale``: fit the view to the furniture with equal aspect; by default on a
    plain Axes, off on a GeoAxes (set its extent first).
    Underline and strikethrough of a label part are not drawn.
    """
    is_geo = hasattr(ax, "projection")
    if transform is None:
        data = ax.transData
    elif hasattr(transform, "_as_mpl_transform"):
        data = transform._as_mpl_transform(ax)
    else:
        data = transform
    style = {kind: dict(values) for kind, values in STYLES.items()}
    for kind, values in (styles or {}).items():
        style.setdefault(kind, {}).update(values)

    features = result.get("features", ())
    drawn = {}
    lines = {}
    xs, ys = [], []
    for feature in features:
        properties = feature.get("properties") or {}
        kind = properties.get("kind", "")
        if kind == "label":
            continue
        for part, coordinates in _parts(feature.get("geometry")):
            points = _xy(coordinates)
            xs.extend(p[0] for p in points)
            ys.extend(p[1] for p in points)
            if part == "line":
                lines.setdefault(kind, []).append(points)
            elif part == "ring" and kind == "frameBar":
                keywords = dict(style["frameBar"])
                dark, light = keywords.pop("dark"), keywords.pop("light")
                keywords["facecolor"] = dark if properties.get("filled") else light
                drawn.setdefault(kind, []).append(ax.add_patch(Polygon(points, closed=True, transform=data,
                                                                       **keywords)))
            elif part == "ring":
                keywords = dict(style.get(kind) or style["border"])
                drawn.setdefault(kind, []).append(ax.add_patch(Polygon(points, closed=True, transform=data,
                                                                       **keywords)))
    for kind, segments in lines.items():
        keywords = dict(style.get(kind) or style["tick"])
        collection = LineCollection(segments, transform=data, **keywords)
        drawn.setdefault(kind, []).append(ax.add_collection(collection, autolim=not is_geo))
    if autoscale if autoscale is not None else not is_geo:
        ax.set_aspect("equal")
        ax.autoscale_view()
    if not labels:
        return drawn

    if fontscale == "map":
        ax.apply_aspect()
        extent = (min(xs), min(ys), max(xs), max(ys)) if xs else None
        fontscale = _map_fontscale(ax, data, result, extent)
    label_runs = getattr(result, "label_runs", None)
    color = getattr(result, "label_color", None) or "#000000"
    index = -1
    for feature in features:
        properties = feature.get("properties") or {}
        if properties.get("kind") != "label":
            continue
        index += 1
        geometry = feature.get("geometry") or {}
        origin = geometry.get("coordinates")
        if properties.get("hidden") is True or geometry.get("type") != "Point" or not origin:
            continue
        runs = label_runs[index] if label_runs is not None and index < len(label_runs) else None
        drawn.setdefault("label", []).extend(
            _draw_label(ax, origin, properties, _label_runs(properties, runs), data, color, fontscale,
                        style["label"].get("zorder", 3.0)))
    return drawn
