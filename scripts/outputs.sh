#!/usr/bin/env bash
# Writes the command's GeoJSON and SVG for every example and every configuration seed into DIR,
# so that two builds can be compared byte for byte:
#   bash scripts/outputs.sh /tmp/before   (on the old tree)
#   bash scripts/outputs.sh /tmp/after    (on the new tree)
#   diff -r /tmp/before /tmp/after
# PARALLO_BUILD_DIR names the build to use (build/ by default).
set -euo pipefail
cd "$(dirname "$0")/.."

out="${1:?usage: scripts/outputs.sh DIR}"
cmd="${PARALLO_BUILD_DIR:-build}/cli/parallo"
mkdir -p "$out"
for config in examples/*.json fuzz/seeds/fuzz_config/*.json; do
    name="$(basename "$(dirname "$config")")-$(basename "$config" .json)"
    # A configuration the command refuses still has its answer compared: status and message.
    status=0
    "$cmd" "$config" -o "$out/$name.geojson" --svg "$out/$name.svg" 2>"$out/$name.stderr" || status=$?
    echo "$status" >"$out/$name.status"
done
