#!/usr/bin/env bash
# `mantlept grains --fit-cpx` on a large concentrate: CPX_GRAINS clinopyroxenes
# and as many garnets (default 100,000 each) in one wide table, jittered copies
# of the rows of examples/concentrate.csv (bench/concentrate.awk), timed as
#   grains BOTH --fit-cpx -o FILE --cpx-out FILE
# against
#   calc CPX -p 48,44 -o FILE
# on a table of the clinopyroxenes alone, with the peak resident memory of each.
#
#   bash bench/cpx_grains.sh
#   CPX_GRAINS=20000 REPEAT=3 BUILD=build bash bench/cpx_grains.sh
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

BUILD=${BUILD:-build-bench}
JOBS=${JOBS:-1}
CPX_GRAINS=${CPX_GRAINS:-100000}
SEED=${SEED:-1}
REPEAT=${REPEAT:-3}

if [ ! -x /usr/bin/time ]; then
  echo "== installing GNU time (/usr/bin/time)"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q >/dev/null
  apt-get install -y -q time >/dev/null
fi

echo "== building ($BUILD, RelWithDebInfo as the README's build)"
cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$BUILD" -j "$JOBS" --target mantlept >/dev/null
program=${PROGRAM:-$root/$BUILD/mantlept}

work=$(mktemp -d "${TMPDIR:-/tmp}/mantlept-cpx-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT
awk -v seed="$SEED" -v n="$CPX_GRAINS" -v both="$work/both.csv" -v cpx="$work/cpx.csv" \
  -f bench/concentrate.awk examples/concentrate.csv
cd "$work"

# Best wall and CPU time (s) of REPEAT runs of "$@".
best() {
  local wall="" cpu="" t
  for _ in $(seq "$REPEAT"); do
    rm -f out.csv cpx_out.csv
    /usr/bin/time -f "%e %U %S" -o time.txt "$@" >/dev/null 2>&1
    t=$(awk '{print $1}' time.txt)
    if [ -z "$wall" ] || awk -v t="$t" -v b="$wall" 'BEGIN {exit !(t < b)}'; then wall=$t; fi
    t=$(awk '{print $2 + $3}' time.txt)
    if [ -z "$cpu" ] || awk -v t="$t" -v b="$cpu" 'BEGIN {exit !(t < b)}'; then cpu=$t; fi
  done
  printf '%s %s' "$wall" "$cpu"
}

peak_mb() {
  rm -f out.csv cpx_out.csv
  /usr/bin/time -v "$@" 2>time.log >/dev/null || true
  awk -F: '/Maximum resident set size/ {printf "%.1f", $2 / 1024}' time.log
}

calc=("$program" calc cpx.csv -p 48,44 -o out.csv -q)
grains=("$program" grains both.csv --fit-cpx -o out.csv --cpx-out cpx_out.csv -q)
read -r cw cc <<<"$(best "${calc[@]}")"
read -r gw gc <<<"$(best "${grains[@]}")"
cm=$(peak_mb "${calc[@]}")
gm=$(peak_mb "${grains[@]}")
printf '%-52s %8s %8s %8s\n' run "wall s" "cpu s" "peak MB"
printf '%-52s %8s %8s %8s\n' "calc cpx.csv -p 48,44 ($CPX_GRAINS cpx)" "$cw" "$cc" "$cm"
printf '%-52s %8s %8s %8s\n' "grains both.csv --fit-cpx ($CPX_GRAINS cpx + $CPX_GRAINS gt)" "$gw" "$gc" "$gm"
awk -v g="$gw" -v c="$cw" 'BEGIN {printf "grains / calc wall time: %.2f (target: at most 2)\n", g / c}'
awk -v g="$gc" -v c="$cc" 'BEGIN {printf "grains / calc CPU time:  %.2f\n", g / c}'
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
