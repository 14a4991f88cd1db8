#!/usr/bin/env bash
# Benchmarks. Builds parallo_bench and the parallo command in Release, then:
#   1. runs every scenario against its floor (PROJ's batch transformation of as many points);
#   2. times the parallo command on every example as a whole process (startup included), with
#      hyperfine, or with a loop over GNU time where hyperfine cannot be installed;
#   3. measures the peak resident memory of the command on the largest example (GNU time -v).
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
