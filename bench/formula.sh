#!/usr/bin/env bash
# `mantlept formula` against `mantlept calc` with one pair on the same
# generated wide table of SAMPLES (default 100,000) samples: best wall time of
# REPEAT runs and the peak resident memory of each, for
#   formula TABLE -o FILE [--sites FILE] [--ferric charge-balance]
#   calc TABLE -p 7,5 -o FILE
#
#   bash bench/formula.sh
#   SAMPLES=20000 REPEAT=3 BUILD=build bash bench/formula.sh
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

BUILD=${BUILD:-build-bench}
JOBS=${JOBS:-1}
SAMPLES=${SAMPLES:-100000}
SEED=${SEED:-1}
REPEAT=${REPEAT:-3}

# shellcheck source=bench/timing.sh
source "$root/bench/timing.sh"

echo "== building ($BUILD, RelWithDebInfo as the README's build)"
cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$BUILD" -j "$JOBS" --target mantlept mantlept_generate >/dev/null
program=${PROGRAM:-$root/$BUILD/mantlept}
generator=$root/$BUILD/bench/mantlept_generate

work=$(mktemp -d "${TMPDIR:-/tmp}/mantlept-formula-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"
"$generator" "$SEED" "$SAMPLES" --csv >t.csv

printf '%-46s %8s %10s %8s\n' run "wall s" "samples/s" "peak MB"
calc_wall=""
for run in calc formula sites charge; do
  case $run in
    calc) cmd=("$program" calc t.csv -p 7,5 -o out.csv -q); label="calc -p 7,5 -o" ;;
    formula) cmd=("$program" formula t.csv -o out.csv -q); label="formula -o" ;;
    sites) cmd=("$program" formula t.csv -o out.csv --sites sites.csv -q)
      label="formula -o --sites" ;;
    charge) cmd=("$program" formula t.csv -o out.csv --ferric charge-balance -q)
      label="formula -o --ferric charge-balance" ;;
  esac
  wall=$(best_wall "${cmd[@]}")
  mb=$(peak_mb "${cmd[@]}")
  rate=$(awk -v n="$SAMPLES" -v w="$wall" 'BEGIN {printf "%d", n / w}')
  printf '%-46s %8s %10s %8s\n' "$label" "$wall" "$rate" "$mb"
  [ "$run" = calc ] && calc_wall=$wall
  [ "$run" = formula ] && awk -v f="$wall" -v c="$calc_wall" \
    'BEGIN {printf "  formula / calc (wall time): %.2f\n", f / c}'
done
rows=$("$program" formula t.csv -q | wc -l)
echo "  ($((rows - 1)) formula rows for $SAMPLES samples)"
