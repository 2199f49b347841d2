#!/usr/bin/env bash
# Whole-program throughput: builds the program, generates synthetic analysis
# files of 10,000 and 100,000 associations, runs the heavy answers file on each
# with standard output to /dev/null, and prints wall time, associations/s,
# combination evaluations/s and peak resident memory, next to the floor of
# reading the same file (`cat FILE > /dev/null`, `wc -l FILE`).
#
#   bash bench/run.sh                 # sizes 10000 and 100000, seed 1
#   SIZES="1000 10000" SEED=7 REPEAT=5 bash bench/run.sh
#
# Each figure is the best (shortest) of REPEAT runs; peak memory is the largest.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

BUILD=${BUILD:-build-bench}
JOBS=${JOBS:-1}
SIZES=${SIZES:-"10000 100000"}
SEED=${SEED:-1}
REPEAT=${REPEAT:-3}
answers=$root/bench/heavy_answers.txt

if [ ! -x /usr/bin/time ]; then
  echo "== installing GNU time (/usr/bin/time)"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q >/dev/null
  apt-get install -y -q time >/dev/null
fi

echo "== building ($BUILD, RelWithDebInfo as the README's build)"
cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMANTLEPT_TESTS=OFF >/dev/null
cmake --build "$BUILD" -j "$JOBS" --target mantlept mantlept_generate >/dev/null
program=$root/$BUILD/mantlept
generator=$root/$BUILD/bench/mantlept_generate

# The analysis and results file names and the number of combinations come from
# the answers file (lines 1 and 3, the results file name after the combinations).
input_name=$(sed -n 1p "$answers")
combinations=$((10#$(sed -n 3p "$answers")))
results_name=$(sed -n "$((5 + combinations))p" "$answers")

work=$(mktemp -d "${TMPDIR:-/tmp}/mantlept-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"

now() { echo "$EPOCHREALTIME"; }
# Seconds between two $EPOCHREALTIME stamps.
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.6f", b - a }'; }
smaller() { awk -v a="$1" -v b="$2" 'BEGIN { print (a == "" || b < a) ? b : a }'; }

# Best wall time of REPEAT runs of a command given as arguments.
best_of() {
  local best="" t0 t1
  for _ in $(seq "$REPEAT"); do
    t0=$(now)
    "$@" >/dev/null
    t1=$(now)
    best=$(smaller "$best" "$(elapsed "$t0" "$t1")")
  done
  echo "$best"
}

printf '%-12s %10s %10s %12s %14s %16s %10s %9s %9s %9s\n' associations lines "wall s" \
  "assoc/s" "comb.eval/s" "us/association" "peak KiB" "cat s" "wc s" "ratio"
declare -A per_assoc rss
for n in $SIZES; do
  "$generator" "$SEED" "$n" >"$input_name"
  lines=$(wc -l <"$input_name")
  cat "$input_name" >/dev/null  # in the page cache for every contender
  t_cat=$(best_of cat "$input_name")
  t_wc=$(best_of wc -l "$input_name")

  best="" peak=0
  for _ in $(seq "$REPEAT"); do
    rm -f "$results_name"
    t0=$(now)
    /usr/bin/time -v -o time.txt "$program" <"$answers" >/dev/null
    t1=$(now)
    best=$(smaller "$best" "$(elapsed "$t0" "$t1")")
    kib=$(awk -F: '/Maximum resident set size/ { gsub(/ /, "", $2); print $2 }' time.txt)
    [ "$kib" -gt "$peak" ] && peak=$kib
  done
  rows=$(($(wc -l <"$results_name") - 1))
  if [ "$rows" -ne "$n" ]; then
    echo "the results file has $rows rows for $n associations" >&2
    exit 1
  fi

  floor=$(awk -v a="$t_cat" -v b="$t_wc" 'BEGIN { print (a > b) ? a : b }')
  awk -v n="$n" -v lines="$lines" -v t="$best" -v k="$combinations" -v peak="$peak" \
    -v c="$t_cat" -v w="$t_wc" -v f="$floor" 'BEGIN {
      printf "%-12d %10d %10.3f %12.0f %14.0f %16.2f %10d %9.4f %9.4f %9.1f\n",
        n, lines, t, n / t, n * k / t, 1e6 * t / n, peak, c, w, t / f }'
  per_assoc[$n]=$(awk -v n="$n" -v t="$best" 'BEGIN { printf "%.6f", 1e6 * t / n }')
  rss[$n]=$peak
done

echo "(ratio = program wall time / the larger of the cat and wc times; $combinations combinations per association)"
sizes=($SIZES)
if [ "${#sizes[@]}" -ge 2 ]; then
  small=${sizes[0]} large=${sizes[-1]}
  awk -v a="${per_assoc[$small]}" -v b="${per_assoc[$large]}" -v ra="${rss[$small]}" \
    -v rb="${rss[$large]}" -v s="$small" -v l="$large" 'BEGIN {
      printf "time per association at %d / at %d: %.3f (target within 10%%)\n", l, s, b / a
      printf "peak memory growth %d -> %d: %d KiB (target under 1024 KiB, peak under 16384 KiB)\n",
        s, l, rb - ra }'
fi
