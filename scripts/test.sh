#!/usr/bin/env bash
# The test command: installs what is missing, builds everything and runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/build.sh

BUILD_DIR="${PARALLO_BUILD_DIR:-build}"
ctest --test-dir "$BUILD_DIR" --output-on-failure -j2
