"""The furniture of a map frame (neatline, border, grid lines, ticks, crosses, labels) from Python.

A frame is described by the same dict the ``parallo`` command reads as JSON; the result is the
GeoJSON FeatureCollection the command writes for it, as a dict::

    import parallo
    sheet = parallo.furniture({"MapViewCoordSystem": "EPSG:32632",
                               "NeatlineLowerLeft": [500000, 5400000],
                               "NeatlineUpperRight": [510000, 5410000], "Interval": [1000, 1000]})
    print(len(sheet["features"]), sheet.failures)

``parallo.mpl.draw(ax, sheet)`` draws it on a matplotlib Axes or a Cartopy GeoAxes.
"""

import json
import math
from collections import namedtuple
from collections.abc import Mapping

from . import _parallo

__all__ = ["ConfigError", "Frame", "Line", "Result", "furniture", "__version__"]
__version__ = _parallo.version

#: The kinds of line features whose grid value ``Result.lines`` tells.
LINE_KINDS = ("gridline", "tick", "cross", "frameTick", "minorTick")


class ConfigError(ValueError):
    """A frame description the command refuses.

    ``path`` is the offending key as a JSON path (``$.TickLenght``, ``$.LabelPartA.Font.Size``),
    ``problem`` what is wrong with it; ``str(error)`` reads ``"<path>: <problem>"``.
    """

    def __init__(self, path, problem):
        super().__init__(f"{path}: {problem}")
        self.path = path
        self.problem = problem


#: One line of a result: its feature kind, the grid value it stands on (in the grid system's own
#: unit, degrees for a geographic grid; NaN when it cannot be told) and its vertices as an N x 2
#: NumPy array in map-view coordinates.
Line = namedtuple("Line", "kind value xy")


class Result(dict):
    """The GeoJSON FeatureCollection of one run, equal to the command's output for the same frame.

    Besides the dict, what the command says on standard error and what drawing needs:

    - ``warnings``: the command's warning lines (without ``"parallo: warning: "``);
    - ``failures``: one line per failure a method reported, ``"<method>: <description>"`` (they
      are also under ``result["calls"][i]["errors"]``);
    - ``label_runs``: one list per label feature, in feature order, of the styled runs the label
      is drawn in (``text``, ``part``, ``size`` and ``rise`` in points, ``font``, ``bold``,
      ``italic``, ``underline``, ``strikethrough``), as the command's SVG draws them;
    - ``label_color``: the labels' colour as ``"#rrggbb"``;
    - ``map_unit_metres``: ground metres per map-view unit (1 without a linear unit), which with
      ``result["MapScale"]`` (present when the labels were laid out) ties label sizes to the map;
    - ``line_values``: by kind, the grid value of each line feature of that kind, in order.
    """

    def __init__(self, collection, warnings=(), failures=(), label_runs=None, label_color="#000000",
                 line_values=None, map_unit_metres=1.0):
        super().__init__(collection)
        self.warnings = list(warnings)
        self.failures = list(failures)
        self.label_runs = label_runs
        self.label_color = label_color
        self.line_values = line_values or {}
        self.map_unit_metres = map_unit_metres

    def lines(self, kinds=LINE_KINDS):
        """The line features of ``kinds`` as ``Line(kind, value, xy)``, in feature order."""
        import numpy as np

        seen = {}
        out = []
        for feature in self.get("features", ()):
            kind = feature["properties"]["kind"]
            geometry = feature.get("geometry") or {}
            if kind not in LINE_KINDS or geometry.get("type") != "LineString":
                continue
            index = seen.get(kind, 0)
            seen[kind] = index + 1
            if kind not in kinds:
                continue
            values = self.line_values.get(kind, ())
            value = values[index] if index < len(values) else math.nan
            xy = np.array([p[:2] for p in geometry["coordinates"]], dtype=float).reshape(-1, 2)
            out.append(Line(kind, value, xy))
        return out


def _plain(value):
    """NumPy scalars and arrays (and tuples) as the JSON the configuration reader takes."""
    if hasattr(value, "tolist"):
        return value.tolist()
    raise TypeError(f"{type(value).__name__} is not a JSON value")


def _text(config):
    if not isinstance(config, Mapping):
        raise TypeError(f"a frame description is a dict, not {type(config).__name__}")
    try:
        return json.dumps(config, allow_nan=False, ensure_ascii=False, default=_plain)
    except ValueError as error:  # NaN or infinity: the reader would refuse them too
        raise ConfigError("$", f"not JSON: {error}") from None


def _result(out):
    return Result(json.loads(out["geojson"]), out["warnings"], out["failures"], out["label_runs"],
                  out["label_color"], out["line_values"], out["map_unit_metres"])


def furniture(config, rfc7946=False):
    """Runs a frame description (a dict of the command's keys) as the ``parallo`` command does.

    With ``rfc7946=True`` the collection is the one ``parallo --rfc7946`` writes: WGS 84
    longitude and latitude, no ``crs``, cut at the 180° meridian (for web maps, not for drawing
    on the map view); a point PROJ cannot convert raises ``RuntimeError``.

    Returns a ``Result``: the GeoJSON FeatureCollection as a dict (numbers read back to the same
    doubles the command writes) with ``warnings`` and ``failures`` attributes. Raises
    ``ConfigError`` for a description the command refuses, naming the key.
    """
    return _result(_parallo.run(_text(config), rfc7946))


class Frame:
    """A frame description kept for repeated runs: ``Frame(**config)``.

    ``furniture()`` runs it (once: the result is kept until ``update``), ``update(**changes)``
    changes keys (``None`` removes one) and returns the frame, ``lines()`` gives the line
    features with their grid values as NumPy arrays.

    Each run reads the description again, as the command does; the PROJ systems and operations
    are not made again, as the library keeps them per thread after their first use, so a rerun
    costs the reading of the keys and the generation itself.
    """

    def __init__(self, config=None, /, **keys):
        self._config = dict(config or {}, **keys)
        self._result = None
        _parallo.check(_text(self._config))

    @property
    def config(self):
        """A copy of the frame description."""
        return dict(self._config)

    def update(self, **changes):
        """Changes keys (a key given ``None`` is removed); raises ``ConfigError`` and keeps the
        frame as it was when the changed description is refused."""
        config = dict(self._config)
        for key, value in changes.items():
            if value is None:
                config.pop(key, None)
            else:
                config[key] = value
        _parallo.check(_text(config))
        self._config = config
        self._result = None
        return self

    def furniture(self):
        """The ``Result`` of the frame; the same object until the next ``update``."""
        if self._result is None:
            self._result = furniture(self._config)
        return self._result

    def lines(self, kinds=LINE_KINDS):
        """``Line(kind, value, xy)`` for each line feature of ``kinds``; see ``Result.lines``."""
        return self.furniture().lines(kinds)

    def __repr__(self):
        return f"parallo.Frame({self._config!r})"
