#!/usr/bin/env bash
# The whole test suite under AddressSanitizer + UndefinedBehaviorSanitizer (leaks included):
# configures a separate build (build-asan/, or PARALLO_ASAN_BUILD_DIR) with -DPARALLO_SANITIZE=ON,
# builds it and runs every test. Any sanitizer report aborts the test that made it, so the suite
# fails. PARALLO_SANITIZE_CXX chooses the compiler (g++ by default; clang++ works as well).
#
# Then the thread tests (services on several threads at once) under ThreadSanitizer, in their
# own build (build-tsan/, or PARALLO_TSAN_BUILD_DIR). PARALLO_SKIP_TSAN=1 leaves that step out.
#
# The packaging tests (Installed*) are left out here: they build a host program against the
# installed library with a plain compiler, which cannot link the instrumented objects; they run
# in the ordinary suite.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

BUILD_DIR="${PARALLO_ASAN_BUILD_DIR:-build-asan}"
# The full path: CMake compares it with the one in an existing cache, and a mere name that differs
# from it makes CMake drop the whole cache, sanitizer options included.
CXX_COMPILER="$(command -v "${PARALLO_SANITIZE_CXX:-g++}")"

cmake -S . -B "$BUILD_DIR" -DCMAKE_CXX_COMPILER="$CXX_COMPILER" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DPARALLO_SANITIZE=ON -DPARALLO_WERROR=ON -DPARALLO_BUILD_BENCH=OFF >/dev/null
cmake --build "$BUILD_DIR" -j2

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_init_order=1:detect_stack_use_after_return=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
export LSAN_OPTIONS="${LSAN_OPTIONS:-}"
ctest --test-dir "$BUILD_DIR" --output-on-failure -j2 -E '^Installed'

if [ "${PARALLO_SKIP_TSAN:-0}" != "1" ]; then
  TSAN_DIR="${PARALLO_TSAN_BUILD_DIR:-build-tsan}"
  cmake -S . -B "$TSAN_DIR" -DCMAKE_CXX_COMPILER="$CXX_COMPILER" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DPARALLO_TSAN=ON -DPARALLO_WERROR=ON -DPARALLO_BUILD_BENCH=OFF >/dev/null
  cmake --build "$TSAN_DIR" -j2 --target test_reliability
  export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1"
  "$TSAN_DIR/tests/test_reliability" --gtest_filter='Threads*'
fi
