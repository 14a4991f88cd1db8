#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz/ (or PARALLO_FUZZ_BUILD_DIR), replays the
# committed regression inputs, then runs each target for PARALLO_FUZZ_SECONDS (default 60) on its
# corpus: the committed seeds (fuzz/seeds/<target>, and examples/ for the configuration target)
# grown in <build>/corpus-<target>. The two targets run side by side. Any crash, leak, sanitizer
# report, timeout (10 s per input) or allocation beyond 512 MiB fails the script; the input that
# did it is left in <build>/findings/.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

BUILD_DIR="${PARALLO_FUZZ_BUILD_DIR:-build-fuzz}"
SECONDS_EACH="${PARALLO_FUZZ_SECONDS:-60}"

cmake -S . -B "$BUILD_DIR" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DPARALLO_BUILD_FUZZ=ON -DPARALLO_BUILD_TESTS=OFF -DPARALLO_BUILD_BENCH=OFF >/dev/null
cmake --build "$BUILD_DIR" -j2 --target fuzz_config fuzz_service

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
LIMITS=(-timeout=10 -rss_limit_mb=2048 -malloc_limit_mb=512 -print_final_stats=1)

mkdir -p "$BUILD_DIR/findings"
for target in fuzz_config fuzz_service; do
  # Every input that once failed must pass now.
  if [ -d "fuzz/regressions/$target" ] && [ -n "$(ls -A "fuzz/regressions/$target")" ]; then
    "$BUILD_DIR/fuzz/$target" "${LIMITS[@]}" "fuzz/regressions/$target"/* >"$BUILD_DIR/$target-regressions.log" 2>&1 ||
      { tail -40 "$BUILD_DIR/$target-regressions.log"; echo "fuzz: $target fails a regression input" >&2; exit 1; }
  fi
  mkdir -p "$BUILD_DIR/corpus-$target"
done

pids=()
"$BUILD_DIR/fuzz/fuzz_config" "${LIMITS[@]}" -max_total_time="$SECONDS_EACH" -dict=fuzz/config.dict \
  -artifact_prefix="$BUILD_DIR/findings/config-" \
  "$BUILD_DIR/corpus-fuzz_config" fuzz/seeds/fuzz_config examples >"$BUILD_DIR/fuzz_config.log" 2>&1 &
pids+=($!)
"$BUILD_DIR/fuzz/fuzz_service" "${LIMITS[@]}" -max_total_time="$SECONDS_EACH" \
  -artifact_prefix="$BUILD_DIR/findings/service-" \
  "$BUILD_DIR/corpus-fuzz_service" fuzz/seeds/fuzz_service >"$BUILD_DIR/fuzz_service.log" 2>&1 &
pids+=($!)

status=0
for i in 0 1; do
  name=$([ "$i" -eq 0 ] && echo fuzz_config || echo fuzz_service)
  if ! wait "${pids[$i]}"; then
    status=1
    tail -60 "$BUILD_DIR/$name.log"
    echo "fuzz: $name found a failure (input in $BUILD_DIR/findings/)" >&2
  else
    echo "fuzz: $name clean: $(grep -E 'stat::number_of_executed_units' "$BUILD_DIR/$name.log" | tail -1)"
  fi
done
exit $status
