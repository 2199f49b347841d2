#!/usr/bin/env bash
# Checks that two builds of the program give byte-identical results on a
# generated file: the terminal output and the results file of the heavy answers,
# and of the same run with ferric iron off and the oxide row.
#
#   bash bench/compare.sh BEFORE_PROGRAM AFTER_PROGRAM [ASSOCIATIONS] [SEED]
#
# The generator is taken from build-bench (bench/run.sh builds it).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
if [ $# -lt 2 ]; then
  echo "usage: bash bench/compare.sh BEFORE_PROGRAM AFTER_PROGRAM [ASSOCIATIONS] [SEED]" >&2
  exit 2
fi
before=$(realpath "$1")
after=$(realpath "$2")
count=${3:-100000}
seed=${4:-1}
generator=$root/${BUILD:-build-bench}/bench/mantlept_generate
answers=$root/bench/heavy_answers.txt
input_name=$(sed -n 1p "$answers")
combinations=$((10#$(sed -n 3p "$answers")))
results_name=$(sed -n "$((5 + combinations))p" "$answers")

work=$(mktemp -d "${TMPDIR:-/tmp}/mantlept-compare-XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"
"$generator" "$seed" "$count" >"$input_name"
# Ferric option and coefficient answers (lines 2 and 6 + N) turned to N.
sed -e "2s/.*/N/" -e "$((6 + combinations))s/.*/N/" "$answers" >light_answers.txt

status=0
for variant in heavy light; do
  file=$answers
  [ "$variant" = light ] && file=light_answers.txt
  for side in before after; do
    program=$before
    [ "$side" = after ] && program=$after
    rm -f "$results_name"
    "$program" <"$file" >"$variant.$side.out"
    mv "$results_name" "$variant.$side.csv"
  done
  for kind in out csv; do
    if cmp -s "$variant.before.$kind" "$variant.after.$kind"; then
      echo "$variant $kind: identical ($(wc -c <"$variant.after.$kind") bytes)"
    else
      echo "$variant $kind: DIFFERENT"
      cmp "$variant.before.$kind" "$variant.after.$kind" | head -1
      status=1
    fi
  done
done
echo "$(grep -c 'Not complete' heavy.after.out) of $((count * combinations)) heavy-run lines not complete"
exit $status
