#!/usr/bin/env bash
# The whole test suite under AddressSanitizer + UndefinedBehaviorSanitizer (leaks included):
# configures a separate build (build-asan/, or PARALLO_ASAN_BUILD_DIR) with -DPARALLO_SANITIZE=ON,
# builds it and runs every test. Any sanitizer report aborts the test that made it, so the suite
# fails. PARALLO_SANITIZE_CXX chooses the compiler (g++ by default; clang++ works as well).
#
# The packaging tests (Installed*) are left out here: they build a host program against the
# installed library with a plain compiler, which cannot link the instrumented objects; they run
# in the ordinary suite.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

BUILD_DIR="${PARALLO_ASAN_BUILD_DIR:-build-asan}"
CXX_COMPILER="${PARALLO_SANITIZE_CXX:-g++}"

cmake -S . -B "$BUILD_DIR" -DCMAKE_CXX_COMPILER="$CXX_COMPILER" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DPARALLO_SANITIZE=ON -DPARALLO_WERROR=ON -DPARALLO_BUILD_BENCH=OFF >/dev/null
cmake --build "$BUILD_DIR" -j2

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_init_order=1:detect_stack_use_after_return=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
export LSAN_OPTIONS="${LSAN_OPTIONS:-}"
ctest --test-dir "$BUILD_DIR" --output-on-failure -j2 -E '^Installed'
