#!/usr/bin/env bash
# calc against another build on the same table, in one run on one machine:
# evaluations per second (samples x pairs / CPU seconds, user + system, best of
# REPEAT) of the heavy pairs on a generated wide CSV, and whether both builds
# give the same tidy rows.
#
#   BASELINE=/other/build/mantlept bash bench/calc_versus.sh
#
# SAMPLES (100000), SEED (1), REPEAT (3), BUILD (build-bench) and EXTRA (more
# calc options for both builds) can be set in the environment.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${BUILD:-build-bench}
SAMPLES=${SAMPLES:-100000}
SEED=${SEED:-1}
REPEAT=${REPEAT:-3}
: "${BASELINE:?name the other build: BASELINE=/path/to/mantlept}"
cd "$root"
[ -x /usr/bin/time ] || { apt-get install -y -q time >/dev/null; }
cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMANTLEPT_TESTS=OFF >/dev/null
cmake --build "$BUILD" -j "$(nproc)" --target mantlept mantlept_generate >/dev/null
work=$(mktemp -d "${TMPDIR:-/tmp}/mantlept-versus-XXXXXX")
trap 'rm -rf "$work"' EXIT
"$BUILD/bench/mantlept_generate" "$SEED" "$SAMPLES" --csv >"$work/t.csv"
pairs=(-p 0705 -p 0502 -p 0204 -p 3629 -p 2421 -p 2216 -p 3830 -p 2533 -p 0613 -p 4034 -p 4438 -p 0422)
# shellcheck disable=SC2206
options=(-x 5 --ferric -n 10 -q ${EXTRA:-})

cpu_of() {  # best user + system seconds of REPEAT runs
  local best="" t
  for _ in $(seq "$REPEAT"); do
    /usr/bin/time -f "%U %S" -o "$work/time" "$@" >/dev/null
    t=$(awk '{ print $1 + $2 }' "$work/time")
    best=$(awk -v a="$best" -v b="$t" 'BEGIN { print (a == "" || b < a) ? b : a }')
  done
  echo "$best"
}
new=$(cpu_of "$BUILD/mantlept" calc "$work/t.csv" "${pairs[@]}" "${options[@]}" -o "$work/new.csv" --force)
old=$(cpu_of "$BASELINE" calc "$work/t.csv" "${pairs[@]}" "${options[@]}" -o "$work/old.csv" --force)
differing=$(diff "$work/new.csv" "$work/old.csv" | grep -c '^<' || true)
awk -v n="$SAMPLES" -v k=12 -v a="$new" -v b="$old" -v d="$differing" 'BEGIN {
  printf "%-10s %10s %16s\n", "build", "cpu s", "evaluations/s"
  printf "%-10s %10.2f %16.0f\n", "this", a, n * k / a
  printf "%-10s %10.2f %16.0f\n", "baseline", b, n * k / b
  printf "this / baseline (CPU time): %.2f; rows that differ: %d of %d\n", a / b, d, n * k
}'
