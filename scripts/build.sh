#!/usr/bin/env bash
# Installs what is missing, then configures and builds everything (library, command, tests,
# benchmarks) in build/ with warnings as errors. PARALLO_BUILD_DIR overrides the directory.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

BUILD_DIR="${PARALLO_BUILD_DIR:-build}"
cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=Release -DPARALLO_WERROR=ON >/dev/null
cmake --build "$BUILD_DIR" -j2
