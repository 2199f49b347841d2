#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each for FUZZ_SECONDS (default 30) from
# the committed seed corpus. New inputs go to build-fuzz/corpus/, findings to
# build-fuzz/findings/. Exits non-zero when a target finds anything.
#   fuzz/run.sh [target ...]     targets: field_reader analysis_reader dialogue program table_reader
#                                xlsx_cells sigma_reader
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${FUZZ_SECONDS:-30}"
build="$(pwd)/${FUZZ_BUILD:-build-fuzz}"
jobs="${JOBS:-$(nproc 2>/dev/null || echo 2)}"
targets=("$@")
[ "${#targets[@]}" -gt 0 ] || targets=(field_reader analysis_reader dialogue program table_reader xlsx_cells sigma_reader)

cmake -S . -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DMANTLEPT_FUZZ=ON -DMANTLEPT_TESTS=OFF >/dev/null
cmake --build "$build" -j "$jobs" --target $(printf 'fuzz_%s ' "${targets[@]}")

export ASAN_OPTIONS="abort_on_error=1:detect_leaks=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
for t in "${targets[@]}"; do
  echo "== fuzz $t (${seconds}s)"
  mkdir -p "$build/corpus/$t" "$build/findings/$t"
  dict=()
  [ -f "fuzz/$t.dict" ] && dict=(-dict="$(pwd)/fuzz/$t.dict")
  # Absolute paths: some targets work in a temporary folder of their own.
  "$build/fuzz/fuzz_$t" "$build/corpus/$t" "$(pwd)/fuzz/corpus/$t" "${dict[@]}" \
    -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=8192 \
    -artifact_prefix="$build/findings/$t/" -print_final_stats=1 2>"$build/fuzz-$t.log" || {
    tail -n 60 "$build/fuzz-$t.log"
    echo "fuzz target $t found a failure; the input is in $build/findings/$t/" >&2
    exit 1
  }
  grep -E "^(stat::number_of_executed_units|stat::new_units_added)" "$build/fuzz-$t.log" || true
done
