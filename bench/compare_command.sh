#!/usr/bin/env bash
# `mantlept compare` against `calc` asked the same pairs: every thermometer of
# `compare ... --thermometers all` against barometer 5 on a generated CSV of
# SIZE samples. calc takes at most 12 pairs a run, so its time is the sum of
# the runs that together ask every pair. compare evaluates only the pairs
# whose minerals a sample holds; every row it writes must be one of calc's,
# byte for byte. Runs alternate so that a busy machine slows each alike; each
# time is the best of REPEAT.
#
#   bash bench/compare_command.sh                 # 10,000 samples, seed 1
#   SIZE=2000 REPEAT=3 bash bench/compare_command.sh
#   PROGRAM=build/mantlept GENERATOR=build/bench/mantlept_generate bash bench/compare_command.sh
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

BUILD=${BUILD:-build-bench}
JOBS=${JOBS:-1}
SIZE=${SIZE:-10000}
SEED=${SEED:-1}
REPEAT=${REPEAT:-5}
BAROMETER=${BAROMETER:-5}

# PROGRAM and GENERATOR name a build already made (both, or the script builds).
if [ -z "${PROGRAM:-}" ] || [ -z "${GENERATOR:-}" ]; then
  echo "== building ($BUILD, RelWithDebInfo)"
  cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMANTLEPT_TESTS=OFF >/dev/null
  cmake --build "$BUILD" -j "$JOBS" --target mantlept mantlept_generate >/dev/null
fi
program=${PROGRAM:-$root/$BUILD/mantlept}
generator=${GENERATOR:-$root/$BUILD/bench/mantlept_generate}

work=$(mktemp -d "${TMPDIR:-/tmp}/mantlept-compare-XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"
"$generator" "$SEED" "$SIZE" --csv >big.csv

# The thermometers `all` stands for, as compare applies them: every one with
# a row for some sample.
"$program" compare big.csv --barometer "$BAROMETER" -q -o rows.csv
mapfile -t thermometers < <(tail -n +2 rows.csv | cut -d, -f2 | sort -un)
groups=()
for ((i = 0; i < ${#thermometers[@]}; i += 12)); do
  g=""
  for t in "${thermometers[@]:i:12}"; do g+=" -p $t,$BAROMETER"; done
  groups+=("$g")
done

now() { echo "$EPOCHREALTIME"; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.6f", b - a }'; }
smaller() { awk -v a="$1" -v b="$2" 'BEGIN { print (a == "" || b < a) ? b : a }'; }
timed() {
  local t0 t1
  t0=$(now)
  "$@" >/dev/null
  t1=$(now)
  elapsed "$t0" "$t1"
}
calcRuns() {
  local t0 t1 k=0
  t0=$(now)
  for g in "${groups[@]}"; do
    # shellcheck disable=SC2086
    "$program" calc big.csv $g -q --force -o "calc$k.csv"
    k=$((k + 1))
  done
  t1=$(now)
  elapsed "$t0" "$t1"
}

echo "== ${#thermometers[@]} thermometers against barometer $BAROMETER on $SIZE samples," \
  "${#groups[@]} calc runs, best of $REPEAT"
rows="" full="" calc="" threads=""
for _ in $(seq "$REPEAT"); do
  rows=$(smaller "$rows" "$(timed "$program" compare big.csv --barometer "$BAROMETER" \
    --threads 1 -q --force -o rows.csv)")
  full=$(smaller "$full" "$(timed "$program" compare big.csv --barometer "$BAROMETER" \
    --threads 1 -q --force -o rows.csv --summary s.csv --offsets o.csv --svg f.svg)")
  threads=$(smaller "$threads" "$(timed "$program" compare big.csv --barometer "$BAROMETER" \
    -q --force -o rows_threads.csv)")
  calc=$(smaller "$calc" "$(calcRuns)")
done

cmp -s rows.csv rows_threads.csv || { echo "--threads 1 and every core differ" >&2; exit 1; }
tail -q -n +2 calc*.csv | sort >calc_sorted
tail -n +2 rows.csv | sort >rows_sorted
if [ -n "$(comm -23 rows_sorted calc_sorted | head -1)" ]; then
  echo "a compare row is not one of calc's rows" >&2
  exit 1
fi
evaluated=$(($(wc -l <rows.csv) - 1))
asked=$((SIZE * ${#thermometers[@]}))
rate() { awk -v n="$1" -v t="$2" 'BEGIN { printf "%.0f", n / t }'; }
printf '%-44s %9s %12s %14s\n' run "wall s" evaluations "evaluations/s"
printf '%-44s %9.3f %12d %14s\n' "compare, rows (--threads 1)" "$rows" "$evaluated" "$(rate "$evaluated" "$rows")"
printf '%-44s %9.3f %12d %14s\n' "compare, rows, summary, offsets, figure" "$full" "$evaluated" "$(rate "$evaluated" "$full")"
printf '%-44s %9.3f %12d %14s\n' "compare, rows, every core ($(nproc))" "$threads" "$evaluated" "$(rate "$evaluated" "$threads")"
printf '%-44s %9.3f %12d %14s\n' "calc, ${#groups[@]} runs summed" "$calc" "$asked" "$(rate "$asked" "$calc")"
awk -v a="$full" -v b="$calc" 'BEGIN { printf "compare (all files, one thread) / calc: %.3f (target at most 1.2)\n", a / b }'
