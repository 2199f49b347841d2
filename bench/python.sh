#!/usr/bin/env bash
# calc from Python on a DataFrame against the command on the same samples as
# a CSV table: 100,000 generated samples (seed 1), one pair (7,5). The module
# comes from the virtual environment of `make python-test` (VENV, default
# build/venv); the program and the generator from BUILD (default build).
#
#   make python-test && bash bench/python.sh
#   SAMPLES=10000 PAIR=25,5 REPEAT=5 bash bench/python.sh
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
BUILD=${BUILD:-build}
VENV=${VENV:-$BUILD/venv}
SAMPLES=${SAMPLES:-100000}
PAIR=${PAIR:-7,5}
REPEAT=${REPEAT:-3}
program=$root/$BUILD/mantlept
generator=$root/$BUILD/bench/mantlept_generate
python=$root/$VENV/bin/python
for f in "$program" "$generator" "$python"; do
  [ -x "$f" ] || { echo "bench/python.sh: $f is missing (make python-test builds it)" >&2; exit 1; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/mantlept-pybench-XXXXXX")
trap 'rm -rf "$work"' EXIT
"$generator" 1 "$SAMPLES" --csv > "$work/big.csv"
"$python" -c "import pandas as pd, sys; pd.read_csv(sys.argv[1], float_precision='round_trip').to_pickle(sys.argv[2])" \
  "$work/big.csv" "$work/big.pkl"

best=""
for _ in $(seq "$REPEAT"); do
  start=$EPOCHREALTIME
  "$program" calc "$work/big.csv" -p "$PAIR" -q -o "$work/out.csv" --force
  end=$EPOCHREALTIME
  t=$(awk -v a="$start" -v b="$end" 'BEGIN {print b - a}')
  best=$(awk -v t="$t" -v b="${best:-1e9}" 'BEGIN {print (t < b ? t : b)}')
done
printf 'native calc on the CSV, best of %s: %.3f s\n' "$REPEAT" "$best"

"$python" "$root/bench/python_calc.py" "$work/big.pkl" "$PAIR" "$REPEAT" | tee "$work/py.txt"
py=$(awk '$1 == "best_s" {print $2}' "$work/py.txt")
frame=$(awk '$1 == "frame_mb" {print $2}' "$work/py.txt")
extra=$(awk '$1 == "extra_mb" {print $2}' "$work/py.txt")
awk -v p="$py" -v n="$best" 'BEGIN {printf "Python / native time: %.2f (target at most 3)\n", p / n}'
awk -v e="$extra" -v f="$frame" 'BEGIN {printf "extra memory / frame size: %.2f (target at most 2)\n", e / f}'
