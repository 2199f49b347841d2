#!/usr/bin/env bash
# The page in headless Chromium against the native program (make web-test):
# the native outputs are made first, the page is served from 127.0.0.1 and
# page_test.mjs drives Debian's chromium with playwright-core.
#   tests/web/run.sh BUILD_DIR
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(realpath "${1:-build}")
here="$root/tests/web"
export NODE_PATH=/usr/share/nodejs

source "$here/serve.sh"
web_tools

work=$(mktemp -d)
server=""
cleanup() {
  [ -n "$server" ] && kill "$server" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# What the command line gives for the same files and options.
cp "$root/examples/xenoliths.csv" "$root/examples/xenoliths.txt" "$work/"
cp "$root"/examples/compilation/*.csv "$work/"
printf 'Sample,SiO2_Opx,MgO_Opx\nA1,55.1,abc\n' >"$work/bad.csv"
# The xenoliths as pairs of one xenolith: every row shares the name K1.
awk 'BEGIN { FS = OFS = "," } NR > 1 { $1 = "K1" } { print }' "$root/examples/xenoliths.csv" \
  >"$work/pairs.csv"
(
  cd "$work"
  m="$build/mantlept"
  "$m" calc xenoliths.csv -p 7,5 -p 25,5 -x 5 >plain.csv 2>plain.notes
  "$m" calc xenoliths.txt -p 7,5 -p 25,5 -x 5 --ferric >fixed.csv 2>fixed.notes
  "$m" calc xenoliths.csv -p 7,5 --mc 50 --seed 1 --threads 1 >mc.csv 2>mc.notes
  "$m" calc orthopyroxenes.csv clinopyroxenes.csv garnets.csv -p 7,5 -p 25,5 --rim-core core \
    >compilation.csv 2>compilation.notes
  "$m" calc pairs.csv -p 7,5 -p 25,5 >pairs_rows.csv 2>pairs_rows.notes
  cp mc.csv points.csv
  "$m" geotherm points.csv --pair 7,5 -o geotherm.csv --svg geotherm.svg >geotherm.txt 2>geotherm.notes
  set +e
  "$m" calc bad.csv -p 7,5 >bad.out 2>bad.notes
  echo $? >bad.status
)

serve_page "$build/web" "$work/server.log"

MANTLEPT_PAGE="$page_url" MANTLEPT_EXPECTED="$work" \
  MANTLEPT_SCREENSHOT="${MANTLEPT_SCREENSHOT:-$build/web-page.png}" \
  node --test "$here/page_test.mjs"
