#!/usr/bin/env bash
# Whole-program throughput: builds the program, generates synthetic analysis
# files of 10,000 and 100,000 associations, runs the heavy answers file on each
# with standard output to /dev/null, and prints wall time, associations/s,
# combination evaluations/s and peak resident memory, next to the floor of
# reading the same file (`cat FILE > /dev/null`, `wc -l FILE`).
#
#   bash bench/run.sh                 # sizes 10000 and 100000, seed 1
#   SIZES="1000 10000" SEED=7 REPEAT=5 bash bench/run.sh
#   PROGRAM=/other/build/mantlept bash bench/run.sh   # time another build
#
# Each time is the best (shortest) of REPEAT runs; peak memory is the largest.
# "cpu s" is user + system time of the program (what one core spent on it,
# whatever else the machine was doing).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

BUILD=${BUILD:-build-bench}
JOBS=${JOBS:-1}
SIZES=${SIZES:-"10000 100000"}
SEED=${SEED:-1}
REPEAT=${REPEAT:-5}
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
program=${PROGRAM:-$root/$BUILD/mantlept}
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

printf '%-12s %8s %8s %8s %10s %12s %12s %10s %9s %8s %8s %6s\n' associations lines "wall s" \
  "cpu s" "assoc/s" "comb.eval/s" "eval/cpu-s" "us/assoc" "peak KiB" "cat s" "wc s" "ratio"
# The fixed cost of a run (start, dialogue, menus, results header): the
# program on a file without associations.
"$generator" "$SEED" 0 >"$input_name"
startup=""
for _ in $(seq "$REPEAT"); do
  rm -f "$results_name"
  t0=$(now)
  "$program" <"$answers" >/dev/null
  t1=$(now)
  startup=$(smaller "$startup" "$(elapsed "$t0" "$t1")")
done

declare -A per_assoc marginal rss
for n in $SIZES; do
  "$generator" "$SEED" "$n" >"$input_name"
  lines=$(wc -l <"$input_name")
  cat "$input_name" >/dev/null  # in the page cache for every contender
  t_cat=$(best_of cat "$input_name")
  t_wc=$(best_of wc -l "$input_name")

  # Wall time from plain runs; CPU time and peak memory from runs under
  # /usr/bin/time (whose own start would otherwise count as the program's).
  best="" cpu="" peak=0
  for _ in $(seq "$REPEAT"); do
    rm -f "$results_name"
    t0=$(now)
    "$program" <"$answers" >/dev/null
    t1=$(now)
    best=$(smaller "$best" "$(elapsed "$t0" "$t1")")
    rm -f "$results_name"
    /usr/bin/time -v -o time.txt "$program" <"$answers" >/dev/null
    kib=$(awk -F: '/Maximum resident set size/ { gsub(/ /, "", $2); print $2 }' time.txt)
    cpu=$(smaller "$cpu" "$(awk -F: '/(User|System) time/ { t += $2 } END { print t }' time.txt)")
    [ "$kib" -gt "$peak" ] && peak=$kib
  done
  rows=$(($(wc -l <"$results_name") - 1))
  if [ "$rows" -ne "$n" ]; then
    echo "the results file has $rows rows for $n associations" >&2
    exit 1
  fi

  floor=$(awk -v a="$t_cat" -v b="$t_wc" 'BEGIN { print (a > b) ? a : b }')
  awk -v n="$n" -v lines="$lines" -v t="$best" -v u="$cpu" -v k="$combinations" -v peak="$peak" \
    -v c="$t_cat" -v w="$t_wc" -v f="$floor" 'BEGIN {
      printf "%-12d %8d %8.3f %8.2f %10.0f %12.0f %12.0f %10.2f %9d %8.4f %8.4f %6.1f\n",
        n, lines, t, u, n / t, n * k / t, n * k / u, 1e6 * t / n, peak, c, w, t / f }'
  per_assoc[$n]=$(awk -v n="$n" -v t="$best" 'BEGIN { printf "%.6f", 1e6 * t / n }')
  marginal[$n]=$(awk -v n="$n" -v t="$best" -v t0="$startup" 'BEGIN { printf "%.6f", 1e6 * (t - t0) / n }')
  rss[$n]=$peak
done

echo "(ratio = program wall time / the larger of the cat and wc times; $combinations combinations per association)"
awk -v t0="$startup" 'BEGIN { printf "fixed cost of a run (no associations): %.4f s\n", t0 }'
sizes=($SIZES)
if [ "${#sizes[@]}" -ge 2 ]; then
  small=${sizes[0]} large=${sizes[-1]}
  awk -v a="${per_assoc[$small]}" -v b="${per_assoc[$large]}" -v ra="${rss[$small]}" \
    -v rb="${rss[$large]}" -v s="$small" -v l="$large" -v ma="${marginal[$small]}" \
    -v mb="${marginal[$large]}" 'BEGIN {
      printf "time per association at %d / at %d: %.3f (target within 10%%); less the fixed cost: %.3f\n",
        l, s, b / a, mb / ma
      printf "peak memory growth %d -> %d: %d KiB (target under 1024 KiB, peak under 16384 KiB)\n",
        s, l, rb - ra }'
fi
