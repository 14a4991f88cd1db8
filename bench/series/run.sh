#!/usr/bin/env bash
# Benchmark of `parallo series`: a generated 1:25,000-like index (10 km x 10 km sheets across UTM
# zones 32 and 33, 1 km grid, ticks, crosses, labels; bench/series/make_index.py).
#   1. sheets per second for 1,000 sheets with -j 1 and -j 2 (every sheet run: --force);
#   2. one process per sheet: 50 runs of the single command on the sheets' own configurations,
#      extrapolated to 1,000 sheets;
#   3. peak resident memory (GNU time -v) of -j 2 for 1,000 and for 10,000 sheets.
# Sheets are written to a temporary directory on the file system of TMPDIR (default /tmp).
# PARALLO_BUILD_DIR overrides the build directory (build-bench); PARALLO_BIN measures that
# command instead of building one (another build's, to compare two in the same minutes);
# SERIES_BIG the larger sheet count (10000).
set -euo pipefail
cd "$(dirname "$0")/../.."

bash scripts/setup.sh # GNU time among the rest

BUILD_DIR="${PARALLO_BUILD_DIR:-build-bench}"
BIG="${SERIES_BIG:-10000}"
if [ -n "${PARALLO_BIN:-}" ]; then
  PARALLO="$(realpath "$PARALLO_BIN")"
else
  cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=Release -DPARALLO_WERROR=ON >/dev/null
  cmake --build "$BUILD_DIR" -j2 --target parallo_cli >/dev/null
  PARALLO="$PWD/$BUILD_DIR/cli/parallo"
fi
echo "== $PARALLO"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT

/usr/bin/python3 bench/series/make_index.py 1000 "$WORK/s1000" 50
/usr/bin/python3 bench/series/make_index.py "$BIG" "$WORK/sbig"

echo "== load before: $(uptime | sed 's/.*load average/load average/')"

# Runs the series; prints "wall-seconds cpu-seconds peak-KiB" (CPU: user and system time of all
# threads, which on a shared machine says more than the wall clock).
series() {
  local dir=$1 jobs=$2 out=$3
  /usr/bin/time -f '%e %U %S %M' -o "$WORK/time" "$PARALLO" series "$dir/base.json" "$dir/index.geojson" \
    -o "$out" -j "$jobs" --force >/dev/null
  awk '{print $1, $2 + $3, $4}' "$WORK/time"
}

echo "== 1,000 sheets (GeoJSON and SVG written, summary included)"
"$PARALLO" series "$WORK/s1000/base.json" "$WORK/s1000/index.geojson" -o "$WORK/warm" -j 2 >/dev/null # warm caches
for jobs in 1 2; do
  read -r secs cpu kib <<<"$(series "$WORK/s1000" "$jobs" "$WORK/out-j$jobs")"
  printf -- '-j %d: %6.2f s, %6.0f sheets/s; CPU %5.2f s, %.2f ms a sheet; peak RSS %5.1f MiB\n' "$jobs" "$secs" \
    "$(awk -v s="$secs" 'BEGIN {print 1000 / s}')" "$cpu" "$cpu" "$(awk -v k="$kib" 'BEGIN {print k / 1024}')"
  [ "$jobs" -eq 2 ] && J2="$secs" && J2CPU="$cpu"
done
cmp -s "$WORK/out-j1/S000-000.svg" "$WORK/out-j2/S000-000.svg" || { echo "bench: -j 1 and -j 2 differ" >&2; exit 1; }

echo "== one process per sheet (50 sheets, extrapolated to 1,000)"
cat >"$WORK/loop.sh" <<LOOP
for config in "$WORK"/s1000/singles/*.json; do
  name="\$(basename "\$config" .json)"
  "$PARALLO" "\$config" -o "$WORK/single-\$name.geojson" --svg "$WORK/single-\$name.svg"
done
LOOP
/usr/bin/time -f '%e %U %S' -o "$WORK/time" bash "$WORK/loop.sh"
read -r lsecs lcpu <<<"$(awk '{print $1, $2 + $3}' "$WORK/time")"
printf 'process loop: %.1f ms a sheet (CPU %.1f ms), %.0f s for 1,000 sheets, %.0f sheets/s\n' \
  "$(awk -v s="$lsecs" 'BEGIN {print s * 1000 / 50}')" "$(awk -v c="$lcpu" 'BEGIN {print c * 1000 / 50}')" \
  "$(awk -v s="$lsecs" 'BEGIN {print s * 1000 / 50}')" "$(awk -v s="$lsecs" 'BEGIN {print 50 / s}')"
printf 'series -j 2 against the loop: %.1fx in wall-clock time, %.1fx in CPU time\n' \
  "$(awk -v l="$lsecs" -v s="$J2" 'BEGIN {print l * 20 / s}')" "$(awk -v l="$lcpu" -v s="$J2CPU" 'BEGIN {print l * 20 / s}')"
for config in "$WORK"/s1000/singles/*.json; do
  name="$(basename "$config" .json)"
  cmp -s "$WORK/single-$name.geojson" "$WORK/out-j2/$name.geojson" || { echo "bench: $name differs" >&2; exit 1; }
done

echo "== peak memory against the sheet count (-j 2)"
read -r secs cpu kib <<<"$(series "$WORK/sbig" 2 "$WORK/out-big")"
printf -- '%d sheets: %6.2f s, %6.0f sheets/s; CPU %.2f ms a sheet; peak RSS %5.1f MiB\n' "$BIG" "$secs" \
  "$(awk -v s="$secs" -v n="$BIG" 'BEGIN {print n / s}')" "$(awk -v c="$cpu" -v n="$BIG" 'BEGIN {print c * 1000 / n}')" \
  "$(awk -v k="$kib" 'BEGIN {print k / 1024}')"
echo "== load after: $(uptime | sed 's/.*load average/load average/')"
