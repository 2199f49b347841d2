#!/usr/bin/env bash
# What the flags cost: `mantlept calc` with the heavy answers' pairs on a
# generated file, with the flags on (default), with `--totals off`, and with
# no flags at all (the internal `--no-flags` switch: the column stays, empty).
# Runs alternate between the three so that a busy machine slows each alike;
# each time is the best of REPEAT. Fails unless the rows agree outside the
# flags column.
#
#   bash bench/flags.sh                   # 100,000 samples, seed 1
#   SIZE=20000 REPEAT=7 bash bench/flags.sh
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

BUILD=${BUILD:-build-bench}
JOBS=${JOBS:-1}
SIZE=${SIZE:-100000}
SEED=${SEED:-1}
REPEAT=${REPEAT:-5}
OXY=${OXY:-1}  # oxybarometer 1 has a stated range, so fo2-range is worked out
answers=$root/bench/heavy_answers.txt

echo "== building ($BUILD, RelWithDebInfo)"
cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMANTLEPT_TESTS=OFF >/dev/null
cmake --build "$BUILD" -j "$JOBS" --target mantlept mantlept_generate >/dev/null
program=${PROGRAM:-$root/$BUILD/mantlept}
generator=$root/$BUILD/bench/mantlept_generate

work=$(mktemp -d "${TMPDIR:-/tmp}/mantlept-flags-XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"

combinations=$((10#$(sed -n 3p "$answers")))
options=()
for i in $(seq "$combinations"); do options+=(-p "$(sed -n "$((3 + i))p" "$answers")"); done
options+=(-x "$OXY" --ferric -n "$((10#$(sed -n "$((7 + combinations))p" "$answers")))" -q --force)
"$generator" "$SEED" "$SIZE" >big.txt

now() { echo "$EPOCHREALTIME"; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.6f", b - a }'; }
smaller() { awk -v a="$1" -v b="$2" 'BEGIN { print (a == "" || b < a) ? b : a }'; }
timed() {
  local t0 t1
  t0=$(now)
  "$program" calc big.txt "${options[@]}" "$@" >/dev/null
  t1=$(now)
  elapsed "$t0" "$t1"
}

echo "== calc ${options[*]} on $SIZE samples, best of $REPEAT"
on="" totals_off="" off=""
for _ in $(seq "$REPEAT"); do
  on=$(smaller "$on" "$(timed -o on.csv)")
  totals_off=$(smaller "$totals_off" "$(timed --totals off -o totals_off.csv)")
  off=$(smaller "$off" "$(timed --no-flags -o off.csv)")
done

# The same rows apart from the flags column (the last; codes hold no comma).
strip() { sed 's/,[^,]*$//' "$1"; }
if ! cmp -s <(strip on.csv) <(strip off.csv); then
  echo "the rows differ outside the flags column" >&2
  exit 1
fi
rows=$(($(wc -l <on.csv) - 1))
flagged=$(tail -n +2 on.csv | grep -vc ',$' || true)
evaluations=$((SIZE * combinations))
printf '%-22s %9s %14s\n' run "wall s" "comb.eval/s"
for run in "flags on:$on" "--totals off:$totals_off" "--no-flags:$off"; do
  t=${run#*:}
  printf '%-22s %9.3f %14.0f\n' "${run%%:*}" "$t" "$(awk -v n="$evaluations" -v t="$t" 'BEGIN { print n / t }')"
done
echo "rows $rows, with flags $flagged"
awk -v a="$on" -v b="$off" 'BEGIN { printf "flags on / --no-flags: %.3f (target at most 1.2)\n", a / b }'
