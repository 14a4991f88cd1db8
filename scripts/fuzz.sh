#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz/ (or PARALLO_FUZZ_BUILD_DIR), replays the
# committed regression inputs, then fuzzes for PARALLO_FUZZ_SECONDS (default 60) in all, each
# target on its corpus: the committed seeds (fuzz/seeds/<target>, and examples/ for the
# configuration target) grown in <build>/corpus-<target>. Two lanes run side by side: the service
# target for the whole time in one; in the other the configuration target for two thirds of it,
# then the index target for the last third. Any crash, leak, sanitizer
# report, timeout (10 s per input) or allocation beyond 512 MiB fails the script; the input that
# did it is left in <build>/findings/.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

BUILD_DIR="${PARALLO_FUZZ_BUILD_DIR:-build-fuzz}"
SECONDS_EACH="${PARALLO_FUZZ_SECONDS:-60}"

cmake -S . -B "$BUILD_DIR" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DPARALLO_BUILD_FUZZ=ON -DPARALLO_BUILD_TESTS=OFF -DPARALLO_BUILD_BENCH=OFF >/dev/null
cmake --build "$BUILD_DIR" -j2 --target fuzz_config fuzz_service fuzz_index

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
LIMITS=(-timeout=10 -rss_limit_mb=2048 -malloc_limit_mb=512 -print_final_stats=1)

mkdir -p "$BUILD_DIR/findings"
for target in fuzz_config fuzz_service fuzz_index; do
  # Every input that once failed must pass now.
  if [ -d "fuzz/regressions/$target" ] && [ -n "$(ls -A "fuzz/regressions/$target")" ]; then
    "$BUILD_DIR/fuzz/$target" "${LIMITS[@]}" "fuzz/regressions/$target"/* >"$BUILD_DIR/$target-regressions.log" 2>&1 ||
      { tail -40 "$BUILD_DIR/$target-regressions.log"; echo "fuzz: $target fails a regression input" >&2; exit 1; }
  fi
  mkdir -p "$BUILD_DIR/corpus-$target"
done

# The index target's sheets are configurations too, which the configuration target covers in
# depth: it gets the smaller share of the lane.
INDEX_SECONDS=$((SECONDS_EACH / 3 > 0 ? SECONDS_EACH / 3 : 1))
CONFIG_SECONDS=$((SECONDS_EACH - INDEX_SECONDS > 0 ? SECONDS_EACH - INDEX_SECONDS : 1))

pids=()
(
  "$BUILD_DIR/fuzz/fuzz_config" "${LIMITS[@]}" -max_total_time="$CONFIG_SECONDS" -dict=fuzz/config.dict \
    -artifact_prefix="$BUILD_DIR/findings/config-" \
    "$BUILD_DIR/corpus-fuzz_config" fuzz/seeds/fuzz_config examples >"$BUILD_DIR/fuzz_config.log" 2>&1 || exit 1
  "$BUILD_DIR/fuzz/fuzz_index" "${LIMITS[@]}" -max_total_time="$INDEX_SECONDS" -dict=fuzz/index.dict \
    -artifact_prefix="$BUILD_DIR/findings/index-" \
    "$BUILD_DIR/corpus-fuzz_index" fuzz/seeds/fuzz_index >"$BUILD_DIR/fuzz_index.log" 2>&1 || exit 2
) &
pids+=($!)
"$BUILD_DIR/fuzz/fuzz_service" "${LIMITS[@]}" -max_total_time="$SECONDS_EACH" \
  -artifact_prefix="$BUILD_DIR/findings/service-" \
  "$BUILD_DIR/corpus-fuzz_service" fuzz/seeds/fuzz_service >"$BUILD_DIR/fuzz_service.log" 2>&1 &
pids+=($!)

status=0
report() {
  local name=$1 failed=$2
  if [ "$failed" -ne 0 ]; then
    status=1
    tail -60 "$BUILD_DIR/$name.log"
    echo "fuzz: $name found a failure (input in $BUILD_DIR/findings/)" >&2
  else
    echo "fuzz: $name clean: $(grep -E 'stat::number_of_executed_units' "$BUILD_DIR/$name.log" | tail -1)"
  fi
}
lane=0
wait "${pids[0]}" || lane=$?
report fuzz_config $([ "$lane" -eq 1 ] && echo 1 || echo 0)
if [ "$lane" -ne 1 ]; then report fuzz_index $([ "$lane" -ne 0 ] && echo 1 || echo 0); fi
service=0
wait "${pids[1]}" || service=1
report fuzz_service "$service"
exit $status
