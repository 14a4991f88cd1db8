#!/usr/bin/env bash
# The run command: installs what is missing, builds, and runs the main job. Until the parallo
# command exists the main job is the test suite.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/build.sh

BUILD_DIR="${PARALLO_BUILD_DIR:-build}"
ctest --test-dir "$BUILD_DIR" --output-on-failure -j2
