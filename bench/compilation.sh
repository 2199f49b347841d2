#!/usr/bin/env bash
# calc on a database compilation against the same samples as one wide table:
# the samples as three long tables of spot analyses (Opx and Cpx; Ol and Sp;
# Gt and Ilm), two spots per mineral averaging to the wide table's values, rows
# shuffled, read together and joined by sample. Prints the wall time of both
# (best of REPEAT), their ratio, and the peak memory of both at each size, with
# its growth per sample. The tidy rows of both must agree once sorted (the
# compilation gives samples in the order they first appear).
#
#   bash bench/compilation.sh                # sizes 10000 and 100000
#   SIZES="1000 10000" REPEAT=3 bash bench/compilation.sh
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

BUILD=${BUILD:-build-bench}
JOBS=${JOBS:-1}
SIZES=${SIZES:-"10000 100000"}
SEED=${SEED:-1}
REPEAT=${REPEAT:-3}
PAIRS=${PAIRS:-"7,5 25,5"}

if [ -z "${PROGRAM:-}" ]; then
  echo "== building ($BUILD, RelWithDebInfo as the README's build)"
  cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMANTLEPT_TESTS=OFF >/dev/null
  cmake --build "$BUILD" -j "$JOBS" --target mantlept mantlept_generate >/dev/null
fi
program=${PROGRAM:-$root/$BUILD/mantlept}
generator=${GENERATOR:-$root/$BUILD/bench/mantlept_generate}

work=$(mktemp -d "${TMPDIR:-/tmp}/mantlept-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"

options=(-q --force)
for pair in $PAIRS; do options+=(-p "$pair"); done

now() { echo "$EPOCHREALTIME"; }
best_of() {
  local best="" t0 t1 t
  for _ in $(seq "$REPEAT"); do
    t0=$(now)
    "$@" >/dev/null
    t1=$(now)
    t=$(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.6f", b - a }')
    best=$(awk -v a="$best" -v b="$t" 'BEGIN { print (a == "" || b < a) ? b : a }')
  done
  echo "$best"
}
# Peak resident KiB and CPU seconds (user + system) of one run: "KiB cpu".
measure() {
  /usr/bin/time -v -o time.txt "$@" >/dev/null
  awk -F: '/Maximum resident set size/ { gsub(/ /, "", $2); k = $2 }
    /(User|System) time/ { t += $2 } END { print k, t }' time.txt
}

echo "== calc ${options[*]}: three shuffled long tables of two spots against one wide table"
printf '%-8s %8s %8s %8s %8s %6s %8s %8s %6s %10s %10s\n' samples rows "wide MB" "wide s" \
  "spots s" ratio "wide cpu" "spot cpu" ratio "wide KiB" "spots KiB"
declare -A wide_rss spot_rss
for n in $SIZES; do
  "$generator" "$SEED" "$n" --csv >wide.csv
  "$generator" "$SEED" "$n" --spots spots
  rows=$(($(cat spots1.csv spots2.csv spots3.csv | wc -l) - 3))
  cat wide.csv spots*.csv >/dev/null
  t_wide=$(best_of "$program" calc wide.csv "${options[@]}" -o wide.out)
  t_spots=$(best_of "$program" calc spots1.csv spots2.csv spots3.csv "${options[@]}" -o spots.out)
  if ! cmp -s <(tail -n +2 wide.out | sort) <(tail -n +2 spots.out | sort); then
    echo "the spot tables give other rows than the wide table ($n samples)" >&2
    exit 1
  fi
  # Peak memory: the largest of REPEAT runs; CPU time: the smallest.
  wide_rss[$n]=0 spot_rss[$n]=0 cpu_wide="" cpu_spots=""
  for _ in $(seq "$REPEAT"); do
    read -r kib cpu < <(measure "$program" calc wide.csv "${options[@]}" -o wide.out)
    [ "$kib" -gt "${wide_rss[$n]}" ] && wide_rss[$n]=$kib
    cpu_wide=$(awk -v a="$cpu_wide" -v b="$cpu" 'BEGIN { print (a == "" || b < a) ? b : a }')
    read -r kib cpu < <(measure "$program" calc spots1.csv spots2.csv spots3.csv \
      "${options[@]}" -o spots.out)
    [ "$kib" -gt "${spot_rss[$n]}" ] && spot_rss[$n]=$kib
    cpu_spots=$(awk -v a="$cpu_spots" -v b="$cpu" 'BEGIN { print (a == "" || b < a) ? b : a }')
  done
  awk -v n="$n" -v r="$rows" -v b="$(stat -c %s wide.csv)" -v w="$t_wide" -v s="$t_spots" \
    -v cw="$cpu_wide" -v cs="$cpu_spots" -v kw="${wide_rss[$n]}" -v ks="${spot_rss[$n]}" 'BEGIN {
      printf "%-8d %8d %8.1f %8.3f %8.3f %6.2f %8.2f %8.2f %6.2f %10d %10d\n", n, r, b / 1e6,
        w, s, s / w, cw, cs, (cw > 0 ? cs / cw : 0), kw, ks }'
done
echo "(ratio = spots / wide, wall time (best of $REPEAT) and CPU time (user + system);"
echo " target at most 2; both outputs agree once sorted)"
sizes=($SIZES)
if [ "${#sizes[@]}" -ge 2 ]; then
  small=${sizes[0]} large=${sizes[-1]}
  awk -v s="$small" -v l="$large" -v a="${spot_rss[$small]}" -v b="${spot_rss[$large]}" \
    -v wa="${wide_rss[$small]}" -v wb="${wide_rss[$large]}" 'BEGIN {
      printf "peak memory growth %d -> %d samples: spots %d KiB (%.0f bytes per sample), wide %d KiB\n",
        s, l, b - a, 1024 * (b - a) / (l - s), wb - wa }'
fi
