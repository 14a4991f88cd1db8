#!/usr/bin/env bash
# The run command: installs what is missing, builds the library and the parallo command, and runs
# the command on an example frame, writing its GeoJSON and its SVG picture into out/.
#   bash scripts/run.sh [CONFIG.json]      (default: examples/utm32n_sheet.json)
# PARALLO_BUILD_DIR overrides the build directory (build/), PARALLO_OUT_DIR the output one (out/).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

BUILD_DIR="${PARALLO_BUILD_DIR:-build}"
OUT_DIR="${PARALLO_OUT_DIR:-out}"
CONFIG="${1:-examples/utm32n_sheet.json}"

cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=Release -DPARALLO_WERROR=ON >/dev/null
cmake --build "$BUILD_DIR" -j2 --target parallo_cli

name="$(basename "$CONFIG" .json)"
mkdir -p "$OUT_DIR"
"$BUILD_DIR/cli/parallo" "$CONFIG" -o "$OUT_DIR/$name.geojson" --svg "$OUT_DIR/$name.svg"

echo "parallo $CONFIG -> $OUT_DIR/$name.geojson, $OUT_DIR/$name.svg"
echo "features by kind:"
grep -o '"kind":"[a-z]*"' "$OUT_DIR/$name.geojson" | sort | uniq -c | sed 's/"kind"://; s/"//g'
echo "methods run (RetVal, failures reported):"
grep -o '{"method":"[A-Za-z_]*","RetVal":[-0-9a-z]*,"errors":\[[^]]*\]' "$OUT_DIR/$name.geojson" |
  sed 's/{"method":"\([A-Za-z_]*\)","RetVal":\([-0-9a-z]*\),"errors":\[\(.*\)\]/  \1 \2 \3/; s/ $/ none/'
