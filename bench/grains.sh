#!/usr/bin/env bash
# `mantlept grains` on a large concentrate: generates wide tables of
# GRAIN_SAMPLES (default 143,000: about 100,000 with a garnet, 70 % of the
# generated samples carry one) and of a tenth of that, and times
#   grains TABLE --q0 40 -o FILE
# against
#   calc TABLE -p 31,5 -o FILE
# (one garnet pair: the Ni-in-garnet thermometer with the Al-in-orthopyroxene
# barometer) on the same table, with the peak resident memory of each run.
# The two sizes show whether the memory of grains grows with the grains.
#
#   bash bench/grains.sh
#   GRAIN_SAMPLES=20000 REPEAT=3 BUILD=build bash bench/grains.sh
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

BUILD=${BUILD:-build-bench}
JOBS=${JOBS:-1}
GRAIN_SAMPLES=${GRAIN_SAMPLES:-143000}
SEED=${SEED:-1}
REPEAT=${REPEAT:-3}

# shellcheck source=bench/timing.sh
source "$root/bench/timing.sh"

echo "== building ($BUILD, RelWithDebInfo as the README's build)"
cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$BUILD" -j "$JOBS" --target mantlept mantlept_generate >/dev/null
program=${PROGRAM:-$root/$BUILD/mantlept}
generator=$root/$BUILD/bench/mantlept_generate

work=$(mktemp -d "${TMPDIR:-/tmp}/mantlept-grains-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"

printf '%-9s %-8s %-28s %8s %9s %8s\n' samples garnets run "wall s" "grains/s" "peak MB"
for n in $((GRAIN_SAMPLES / 10)) "$GRAIN_SAMPLES"; do
  "$generator" "$SEED" "$n" --csv > grains.csv
  rm -f out.csv
  "$program" grains grains.csv --q0 40 -o out.csv -q > summary.txt
  garnets=$(awk -F': ' '$1 == "n_grains" {print $2}' summary.txt)
  projected=$(awk -F': ' '$1 == "n_projected" {print $2}' summary.txt)
  for run in grains calc; do
    if [ "$run" = grains ]; then
      cmd=("$program" grains grains.csv --q0 40 -o out.csv -q)
      label="grains --q0 40 -o"
    else
      cmd=("$program" calc grains.csv -p 31,5 -o out.csv -q)
      label="calc -p 31,5 -o"
    fi
    wall=$(best_wall "${cmd[@]}")
    mb=$(peak_mb "${cmd[@]}")
    rate=$(awk -v g="$garnets" -v w="$wall" 'BEGIN {printf "%d", g / w}')
    printf '%-9s %-8s %-28s %8s %9s %8s\n' "$n" "$garnets" "$label" "$wall" "$rate" "$mb"
  done
  echo "  ($projected of $garnets garnets projected; the others have no Ni)"
done
