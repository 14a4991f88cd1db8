"""The Python package parallo: the same GeoJSON as the command, refusals naming the key, frames
kept for repeated runs, the README's script, and drawing on matplotlib and Cartopy axes.

Run by CTest with PYTHONPATH at the build's package folder; PARALLO_COMMAND names the built
command and PARALLO_SOURCE_DIR the source tree.
"""

import io
import json
import math
import os
import re
import subprocess
import sys
import tempfile
import unittest

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402

import parallo  # noqa: E402
import parallo.mpl  # noqa: E402

SOURCE = os.environ.get("PARALLO_SOURCE_DIR", os.path.join(os.path.dirname(__file__), "..", ".."))
COMMAND = os.environ.get("PARALLO_COMMAND", "parallo")
EXAMPLES = os.path.join(SOURCE, "examples")


def example(name):
    with open(os.path.join(EXAMPLES, name), encoding="utf-8") as f:
        return json.load(f)


def dumps(value):
    # Floats are written by repr, the shortest text that reads back to the same bits, so equal
    # texts mean equal documents number for number, bit for bit (-0.0 included).
    return json.dumps(value, ensure_ascii=False)


class SameAsTheCommand(unittest.TestCase):
    def test_every_example_gives_the_commands_geojson_warnings_and_failures(self):
        names = sorted(n for n in os.listdir(EXAMPLES) if n.endswith(".json"))
        self.assertIn("utm32n_sheet.json", names)
        for name in names:
            with self.subTest(example=name):
                run = subprocess.run([COMMAND, os.path.join(EXAMPLES, name)], capture_output=True,
                                     text=True, check=True)
                result = parallo.furniture(example(name))
                self.assertIsInstance(result, dict)
                self.assertEqual(dumps(result), dumps(json.loads(run.stdout)))
                said = [line.removeprefix("parallo: ") for line in run.stderr.splitlines()]
                warnings = [line.removeprefix("warning: ") for line in said if line.startswith("warning: ")]
                self.assertEqual(result.warnings, warnings)
                self.assertEqual(result.failures, [line for line in said if not line.startswith("warning: ")])

    def test_failures_of_a_run_are_lines_and_records(self):
        # A frame whose labels cannot be made: the interval's grid is far past the line budget.
        config = dict(example("utm32n_sheet.json"), Interval=[1, 1])
        result = parallo.furniture(config)
        self.assertTrue(result.failures)
        self.assertTrue(any(call["errors"] for call in result["calls"]))
        self.assertTrue(result.warnings)


class Refusals(unittest.TestCase):
    def test_a_bad_key_raises_config_error_naming_its_path(self):
        cases = [
            ({"TickLenght": 200}, "$.TickLenght", 'did you mean "TickLength"?'),
            ({"LabelPartA": {"Font": {"Sise": 10}}}, "$.LabelPartA.Font.Sise", 'did you mean "Size"?'),
            ({"TickLength": "long"}, "$.TickLength", "expected a number"),
            ({"TickLength": math.nan}, "$", "not JSON"),
        ]
        for change, path, words in cases:
            with self.subTest(path=path):
                config = dict(example("utm32n_sheet.json"), **change)
                with self.assertRaises(parallo.ConfigError) as caught:
                    parallo.furniture(config)
                self.assertIsInstance(caught.exception, ValueError)
                self.assertEqual(caught.exception.path, path)
                self.assertTrue(str(caught.exception).startswith(path + ": "), str(caught.exception))
                self.assertIn(words, str(caught.exception))
                with self.assertRaises(parallo.ConfigError):
                    parallo.Frame(config)

    def test_a_refused_update_keeps_the_frame(self):
        frame = parallo.Frame(example("utm32n_sheet.json"))
        before = frame.furniture()
        with self.assertRaises(parallo.ConfigError) as caught:
            frame.update(CrossLenght=5)
        self.assertEqual(caught.exception.path, "$.CrossLenght")
        self.assertIs(frame.furniture(), before)


class Frames(unittest.TestCase):
    def test_a_frame_runs_as_furniture_and_updates(self):
        config = example("utm32n_sheet.json")
        frame = parallo.Frame(**config)
        first = frame.furniture()
        self.assertEqual(dumps(first), dumps(parallo.furniture(config)))
        self.assertIs(frame.furniture(), first)
        coarser = frame.update(Interval=[2000, 2000], CrossLength=None).furniture()
        changed = dict(config, Interval=[2000, 2000])
        del changed["CrossLength"]
        self.assertEqual(dumps(coarser), dumps(parallo.furniture(changed)))
        self.assertLess(len(coarser["features"]), len(first["features"]))

    def test_every_line_stands_on_its_grid_value(self):
        # The map view is the grid system here, so a tick or an arm of a cross keeps one of its
        # coordinates exactly; the value must be that coordinate and a multiple of the interval.
        lines = parallo.Frame(example("utm32n_sheet.json")).lines()
        self.assertEqual({line.kind for line in lines}, {"tick", "cross"})
        for kind, value, xy in lines:
            self.assertEqual(xy.shape[1], 2)
            held = [column for column in (0, 1) if (xy[:, column] == value).all()]
            self.assertEqual(len(held), 1, (kind, value, xy))
            self.assertEqual(value % 1000.0, 0.0, (kind, value))

    def test_the_readme_script_runs(self):
        with open(os.path.join(SOURCE, "README.md"), encoding="utf-8") as f:
            readme = f.read()
        section = readme[readme.index("\n## Python"):]
        script = re.search(r"```python\n(.*?)```", section, re.S).group(1)
        with tempfile.TemporaryDirectory() as work:
            run = subprocess.run([sys.executable, "-c", script], cwd=work, capture_output=True, text=True,
                                 env=dict(os.environ, MPLBACKEND="Agg"))
            self.assertEqual(run.returncode, 0, run.stderr)
            self.assertTrue(os.path.getsize(os.path.join(work, "sheet.png")) > 0)


class Drawing(unittest.TestCase):
    def texts(self, ax):
        return [t for t in ax.texts if t.get_text()]

    def test_draw_on_plain_axes_sets_every_run_of_every_shown_label(self):
        result = parallo.furniture(example("utm32n_sheet.json"))
        labels = [f for f in result["features"] if f["properties"]["kind"] == "label"]
        self.assertEqual(len(result.label_runs), len(labels))
        shown = [i for i, f in enumerate(labels) if f["properties"].get("hidden") is not True]
        self.assertTrue(shown)
        runs = sum(len(result.label_runs[i]) for i in shown)
        ax = plt.figure().add_subplot()
        drawn = parallo.mpl.draw(ax, result)
        self.assertEqual(len(self.texts(ax)), runs)
        self.assertTrue({"neatline", "border", "tick", "cross", "label"} <= drawn.keys())
        # A label marked hidden is left out; a plain GeoJSON dict (no runs) draws each label whole.
        labels[shown[0]]["properties"]["hidden"] = True
        ax = plt.figure().add_subplot()
        parallo.mpl.draw(ax, result)
        self.assertEqual(len(self.texts(ax)), runs - len(result.label_runs[shown[0]]))
        ax = plt.figure().add_subplot()
        parallo.mpl.draw(ax, json.loads(json.dumps(result)))
        self.assertEqual(len(self.texts(ax)), len(shown) - 1)
        plt.close("all")

    def test_labels_at_the_maps_scale(self):
        # At 1:25000 a point of type is 25000 * 25.4 / 72 mm on the ground; on the figure the
        # sizes shrink by the figure's points per metre over that.
        result = parallo.furniture(example("utm32n_sheet.json"))
        result["MapScale"] = 25000.0
        ax = plt.figure(figsize=(5, 5), dpi=100).add_subplot()
        parallo.mpl.draw(ax, result, fontscale="map")
        box = ax.get_window_extent()
        (x0, x1), (y0, y1) = ax.get_xlim(), ax.get_ylim()
        figure_points = min(box.width / (x1 - x0), box.height / (y1 - y0)) * 72.0 / ax.figure.dpi
        paper_points = 1000.0 / (25.4 / 72.0 * 25000.0)
        first = result.label_runs[0][0]
        self.assertAlmostEqual(self.texts(ax)[0].get_fontsize(), first["size"] * figure_points / paper_points,
                               delta=1e-6 * first["size"], msg="the same scale computed two ways")
        plt.close("all")

    def test_draw_on_a_cartopy_geoaxes(self):
        import cartopy.crs as ccrs

        result = parallo.furniture(example("utm32n_sheet.json"))
        ax = plt.figure().add_subplot(projection=ccrs.UTM(32))
        ax.set_extent([498000, 512000, 5398000, 5412000], crs=ccrs.UTM(32))
        drawn = parallo.mpl.draw(ax, result, transform=ccrs.UTM(32))
        self.assertIn("label", drawn)
        png = io.BytesIO()
        ax.figure.savefig(png, format="png")
        self.assertGreater(png.tell(), 0)
        plt.close("all")


if __name__ == "__main__":
    unittest.main()
