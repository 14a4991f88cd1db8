#!/usr/bin/env bash
# Benchmarks. Builds parallo_bench and the parallo command in Release, then:
#   1. runs every scenario against its floor (PROJ's batch transformation of as many points);
#   2. times the parallo command on every example as a whole process (startup included), with
#      hyperfine, or with a loop over GNU time where hyperfine cannot be installed;
#   3. measures the peak resident memory of the command on the largest example (GNU time -v);
#   4. times the command on the configurations of bench/process/ (a 60 km x 40 km UTM sheet with a
#      1 km grid and labels; its neatline alone) and on --version, and splits the sheet's
#      instructions (callgrind, repeatable on a shared machine) into process start, PROJ objects,
#      generation, label layout, writing and exit.
# PARALLO_BUILD_DIR overrides the build directory (build-bench), BENCH_MIN_TIME the seconds each
# benchmark runs at least (1), BENCH_RUNS the runs of the command per example (10). Further
# arguments go to parallo_bench (e.g. --benchmark_filter=sheet).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

# GNU time and hyperfine, installed when missing (as root, or through sudo).
install_missing() {
  local missing=()
  for pkg in "$@"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || missing+=("$pkg")
  done
  [ "${#missing[@]}" -eq 0 ] && return 0
  local sudo=()
  if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null 2>&1 || return 1
    sudo=(sudo)
  fi
  export DEBIAN_FRONTEND=noninteractive
  "${sudo[@]}" apt-get update -qq && "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}
install_missing time || { echo "bench: GNU time (package time) is needed" >&2; exit 1; }
install_missing hyperfine || echo "bench: hyperfine could not be installed; timing the command with a loop" >&2
install_missing valgrind || echo "bench: valgrind could not be installed; no instruction breakdown" >&2

BUILD_DIR="${PARALLO_BUILD_DIR:-build-bench}"
MIN_TIME="${BENCH_MIN_TIME:-1}"
RUNS="${BENCH_RUNS:-10}"
cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=Release -DPARALLO_WERROR=ON >/dev/null
cmake --build "$BUILD_DIR" -j2 --target parallo_bench parallo_cli

echo "== scenarios against PROJ's floor (CPU time of the benchmark thread)"
"$BUILD_DIR/bench/parallo_bench" --benchmark_min_time="$MIN_TIME" "$@"

PARALLO="$BUILD_DIR/cli/parallo"
OUT="$(mktemp -d)"
trap 'rm -rf "$OUT"' EXIT

echo
echo "== the parallo command on each example, as a process (GeoJSON and SVG written)"
examples=(examples/*.json)
if command -v hyperfine >/dev/null 2>&1; then
  commands=()
  for ex in "${examples[@]}"; do
    name="$(basename "$ex" .json)"
    commands+=("$PARALLO $ex -o $OUT/$name.geojson --svg $OUT/$name.svg")
  done
  hyperfine -N --warmup 2 --runs "$RUNS" --style basic "${commands[@]}"
else
  for ex in "${examples[@]}"; do
    name="$(basename "$ex" .json)"
    "$PARALLO" "$ex" -o "$OUT/$name.geojson" --svg "$OUT/$name.svg" # warm the file cache
    total=0
    for _ in $(seq "$RUNS"); do
      t="$(/usr/bin/time -f '%e' "$PARALLO" "$ex" -o "$OUT/$name.geojson" --svg "$OUT/$name.svg" 2>&1 >/dev/null | tail -1)"
      total="$(awk -v a="$total" -v b="$t" 'BEGIN {print a + b}')"
    done
    printf '%-32s mean %.3f s over %d runs\n' "$name" "$(awk -v a="$total" -v n="$RUNS" 'BEGIN {print a / n}')" "$RUNS"
  done
fi

echo
echo "== peak resident memory of the command"
largest=""
largest_size=0
for ex in "${examples[@]}"; do
  name="$(basename "$ex" .json)"
  "$PARALLO" "$ex" -o "$OUT/$name.geojson" --svg "$OUT/$name.svg"
  size="$(stat -c %s "$OUT/$name.geojson")"
  kb="$(/usr/bin/time -v "$PARALLO" "$ex" -o "$OUT/$name.geojson" --svg "$OUT/$name.svg" 2>&1 >/dev/null |
    awk -F': ' '/Maximum resident set size/ {print $2}')"
  printf '%-32s output %9d bytes, peak RSS %6.1f MiB\n' "$name" "$size" "$(awk -v k="$kb" 'BEGIN {print k / 1024}')"
  if [ "$size" -gt "$largest_size" ]; then
    largest="$name"
    largest_size="$size"
  fi
done
echo "largest example (by output): $largest"

echo
echo "== the command as a process on bench/process/ (GeoJSON and SVG written)"
process_commands=("$PARALLO --version")
for config in bench/process/*.json; do
  name="$(basename "$config" .json)"
  process_commands+=("$PARALLO $config -o $OUT/$name.geojson --svg $OUT/$name.svg")
done
if command -v hyperfine >/dev/null 2>&1; then
  hyperfine -N --warmup 3 --runs "$((RUNS * 3))" --style basic "${process_commands[@]}"
fi

if command -v valgrind >/dev/null 2>&1; then
  echo
  echo "== instructions of the command as a process (callgrind; the same run after run)"
  for config in --version bench/process/*.json; do
    args=("$config")
    name="$config"
    if [ "$config" != --version ]; then
      args+=(-o "$OUT/process.geojson" --svg "$OUT/process.svg")
      name="$(basename "$config" .json)"
    fi
    valgrind --tool=callgrind --callgrind-out-file=/dev/null "$PARALLO" "${args[@]}" 2>&1 >/dev/null |
      awk -v name="$name" '/I *refs:/ {gsub(/,/, "", $NF); printf "%-44s %7.1f M\n", name, $NF / 1e6}'
  done
  echo
  echo "== where the instructions of the UTM sheet go (callgrind, inclusive)"
  valgrind --tool=callgrind --callgrind-out-file="$OUT/callgrind.out" \
    "$PARALLO" bench/process/utm_sheet.json -o "$OUT/utm_sheet.geojson" --svg "$OUT/utm_sheet.svg" 2>/dev/null
  callgrind_annotate --inclusive=yes "$OUT/callgrind.out" 2>/dev/null | awk '
    function count(line) { gsub(/,/, "", line); split(line, f, " "); return f[1] + 0 }
    / PROGRAM TOTALS/ { total = count($0) }
    /rtld.c:_dl_start / { start += count($0) }
    /dl-init.c:_dl_init / { start += count($0) }
    /coordkit::CreateProjCoordSystem\(/ && !systems { systems = count($0) }
    /coordkit::CreateProjUnitsOfMeasure\(/ && !units { units = count($0) }
    /parallo::cli::RunCalls\(/ && !generation { generation = count($0) }
    /parallo::cli::LayOutFrameLabels\(parallo::cli::Frame const&, parallo::cli::RunResult&\)/ && !layout { layout = count($0) }
    /parallo::CreateFontTextMeasurer\(/ && !fonts { fonts = count($0) }
    /parallo::cli::WriteGeoJson/ && !geojson { geojson = count($0) }
    /parallo::cli::WriteSvg/ && !svg { svg = count($0) }
    /stdlib\/exit.c:exit / && !ending { ending = count($0) }
    END {
      rest = total - start - systems - units - generation - geojson - svg - ending
      printf "%-44s %7.1f M\n", "total", total / 1e6
      printf "%-44s %7.1f M\n", "process start (loading and linking libraries)", start / 1e6
      printf "%-44s %7.1f M\n", "PROJ objects (systems, database opening)", (systems + units) / 1e6
      printf "%-44s %7.1f M\n", "generation (the calls)", (generation - layout) / 1e6
      printf "%-44s %7.1f M\n", "label layout: font libraries, fontconfig", fonts / 1e6
      printf "%-44s %7.1f M\n", "label layout: measuring and placing", (layout - fonts) / 1e6
      printf "%-44s %7.1f M\n", "writing GeoJSON", geojson / 1e6
      printf "%-44s %7.1f M\n", "writing SVG", svg / 1e6
      printf "%-44s %7.1f M\n", "exit (PROJ context closed)", ending / 1e6
      printf "%-44s %7.1f M\n", "the rest (reading the configuration, ...)", rest / 1e6
    }'
fi
