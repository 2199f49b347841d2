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

if [ -z "${PROGRAM:-}" ]; then
  echo "== building ($BUILD, RelWithDebInfo as the README's build)"
  cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$BUILD" -j "$JOBS" --target mantlept mantlept_generate >/dev/null
fi
program=${PROGRAM:-$root/$BUILD/mantlept}
generator=${GENERATOR:-$root/$BUILD/bench/mantlept_generate}

work=$(mktemp -d "${TMPDIR:-/tmp}/mantlept-formula-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"
"$generator" "$SEED" "$SAMPLES" --csv >t.csv

# Least CPU time (user + system, s) of REPEAT runs of "$@".
best_cpu() {
  local best="" c
  for _ in $(seq "$REPEAT"); do
    rm -f out.csv sites.csv
    /usr/bin/time -f "%U %S" -o cpu.txt "$@" >/dev/null 2>&1
    c=$(awk '{print $1 + $2}' cpu.txt)
    best=$(awk -v a="$best" -v b="$c" 'BEGIN { print (a == "" || b < a) ? b : a }')
  done
  echo "$best"
}

echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
printf '%-46s %8s %8s %10s %8s\n' run "wall s" "CPU s" "samples/s" "peak MB"
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
  cpu=$(best_cpu "${cmd[@]}")
  mb=$(peak_mb "${cmd[@]}")
  rate=$(awk -v n="$SAMPLES" -v w="$wall" 'BEGIN {printf "%d", n / w}')
  printf '%-46s %8s %8s %10s %8s\n' "$label" "$wall" "$cpu" "$rate" "$mb"
  [ "$run" = calc ] && calc_wall=$wall calc_cpu=$cpu
  [ "$run" = formula ] && awk -v f="$wall" -v c="$calc_wall" -v fc="$cpu" -v cc="$calc_cpu" \
    'BEGIN {printf "  formula / calc: %.2f in wall time, %.2f in CPU time\n", f / c, fc / cc}'
done
rows=$("$program" formula t.csv -q | wc -l)
echo "  ($((rows - 1)) formula rows for $SAMPLES samples)"
