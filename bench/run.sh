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
#   MC_DRAWS=10000 MC_SAMPLES=100 bash bench/run.sh   # the Monte Carlo part
#
# Then `mantlept calc` on the wide CSV table of the same samples with the heavy
# answers' combinations and options, against the dialogue's run on the
# fixed-column file (and calc on that file), with its peak memory; and the
# Monte Carlo rate of `calc --mc` on one and two threads against the plain
# calc rate, whose outputs must be byte-identical.
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
MC_DRAWS=${MC_DRAWS:-10000}      # draws per sample of the Monte Carlo runs
MC_SAMPLES=${MC_SAMPLES:-100}    # samples of the Monte Carlo file
MC_PAIRS=${MC_PAIRS:-"7,5 25,5"} # two-pyroxene T / Opx-garnet P, garnet-Cpx T / Opx-garnet P
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

declare -A per_assoc marginal rss dialogue_wall
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
  dialogue_wall[$n]=$best
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

# ---- calc on the CSV table of the same samples --------------------------
# The heavy answers as calc options: ferric iron (line 2), the combinations
# (lines 4 on), the oxybarometer after them and the iterations (4 lines on).
calc_options=()
for i in $(seq "$combinations"); do calc_options+=(-p "$(sed -n "$((3 + i))p" "$answers")"); done
calc_options+=(-x "$((10#$(sed -n "$((4 + combinations))p" "$answers")))")
[ "$(sed -n 2p "$answers")" = Y ] && calc_options+=(--ferric)
calc_options+=(-n "$((10#$(sed -n "$((7 + combinations))p" "$answers")))" -q --force)

echo
echo "== calc on the CSV table of the same samples (${calc_options[*]})"
printf '%-12s %10s %10s %10s %10s %12s %10s\n' associations "csv MB" "dialog s" "calc csv s" \
  "calc txt s" "csv/dialog" "peak KiB"
declare -A csv_rss
for n in $SIZES; do
  "$generator" "$SEED" "$n" >"$input_name"
  "$generator" "$SEED" "$n" --csv >table.csv
  cat "$input_name" table.csv >/dev/null
  t_csv=$(best_of "$program" calc table.csv "${calc_options[@]}" -o from_csv.csv)
  t_txt=$(best_of "$program" calc "$input_name" "${calc_options[@]}" -o from_txt.csv)
  # Both layouts hold the same values: the tidy rows must agree byte for byte.
  if ! cmp -s from_csv.csv from_txt.csv; then
    echo "calc gives other rows on the CSV table than on the fixed-column file ($n)" >&2
    exit 1
  fi
  rows=$(($(wc -l <from_csv.csv) - 1))
  if [ "$rows" -ne $((n * combinations)) ]; then
    echo "calc wrote $rows rows for $n associations x $combinations combinations" >&2
    exit 1
  fi
  peak=0
  for _ in $(seq "$REPEAT"); do
    /usr/bin/time -v -o time.txt "$program" calc table.csv "${calc_options[@]}" -o from_csv.csv
    kib=$(awk -F: '/Maximum resident set size/ { gsub(/ /, "", $2); print $2 }' time.txt)
    [ "$kib" -gt "$peak" ] && peak=$kib
  done
  csv_rss[$n]=$peak
  awk -v n="$n" -v b="$(stat -c %s table.csv)" -v d="${dialogue_wall[$n]}" -v c="$t_csv" \
    -v t="$t_txt" -v peak="$peak" 'BEGIN {
      printf "%-12d %10.1f %10.3f %10.3f %10.3f %12.2f %10d\n", n, b / 1e6, d, c, t, c / d, peak }'
done
echo "(csv/dialog = calc on the CSV / the dialogue on the fixed-column file, target at most 1.5)"
if [ "${#sizes[@]}" -ge 2 ]; then
  echo "calc peak memory growth $small -> $large: $((csv_rss[$large] - csv_rss[$small])) KiB"
fi

# ---- Monte Carlo rate ------------------------------------------------------
mc_options=()
for pair in $MC_PAIRS; do mc_options+=(-p "$pair"); done
mc_pairs=$(echo "$MC_PAIRS" | wc -w)
mc_options+=("${calc_options[@]:$((2 * combinations))}")  # -x, --ferric, -n as above
large=${sizes[-1]}

echo
echo "== Monte Carlo: $MC_SAMPLES samples x $mc_pairs pairs ($MC_PAIRS) x $MC_DRAWS draws"
# The plain rate: the same pairs and options without --mc, one thread, on the
# largest file.
"$generator" "$SEED" "$large" >"$input_name"
t_plain=$(best_of "$program" calc "$input_name" "${mc_options[@]}" -o plain.csv)
"$generator" "$SEED" "$MC_SAMPLES" --csv >mc.csv
t_mc1=$(best_of "$program" calc mc.csv "${mc_options[@]}" --mc "$MC_DRAWS" --seed "$SEED" \
  --threads 1 -o mc1.csv)
t_mc2=$(best_of "$program" calc mc.csv "${mc_options[@]}" --mc "$MC_DRAWS" --seed "$SEED" \
  --threads 2 -o mc2.csv)
if ! cmp -s mc1.csv mc2.csv; then
  echo "calc --mc writes other bytes with --threads 2 than with --threads 1" >&2
  exit 1
fi
awk -v n="$large" -v m="$MC_SAMPLES" -v k="$mc_pairs" -v d="$MC_DRAWS" -v tp="$t_plain" \
  -v t1="$t_mc1" -v t2="$t_mc2" 'BEGIN {
    plain = n * k / tp; r1 = d * k * m / t1; r2 = d * k * m / t2
    printf "%-34s %10s %14s\n", "run", "wall s", "evaluations/s"
    printf "%-34s %10.3f %14.0f\n", "calc, no --mc (" n " samples)", tp, plain
    printf "%-34s %10.3f %14.0f\n", "calc --mc --threads 1", t1, r1
    printf "%-34s %10.3f %14.0f\n", "calc --mc --threads 2", t2, r2
    printf "threads 2 / threads 1: %.2f\n", r2 / r1
    printf "threads 2 / plain calc: %.2f (target at least 1.5)\n", r2 / plain
    printf "threads 2 wall for %d samples x %d pairs x %d draws: %.2f s (target: seconds)\n",
      m, k, d, t2 }'
echo "(--threads 1 and --threads 2 wrote the same bytes)"
