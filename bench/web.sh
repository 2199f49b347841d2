#!/usr/bin/env bash
# The page against the native program: calc with one pair on 10,000 generated
# samples, CPU seconds of the native program and of the page in headless
# Chromium (every Chromium process, from the call to the answer, the file
# already in the page), medians of five runs, for the served page and for the
# page as one file opened from disk; the sizes of the .wasm and of mantlept.html.
# Needs `make web` and the native build.
#   bash bench/web.sh [BUILD]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath "${1:-$root/build}")
export NODE_PATH=/usr/share/nodejs
cmake --build "$build" -j2 --target mantlept mantlept_generate >/dev/null
source "$root/tests/web/serve.sh"
web_tools
work=$(mktemp -d)
server=""
cleanup() {
  [ -n "$server" ] && kill "$server" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
"$build/bench/mantlept_generate" 1 10000 --csv >"$work/samples.csv"

cpu() {  # user + system seconds of a command
  /usr/bin/env bash -c 'TIMEFORMAT="%U %S"; time "$@" >/dev/null 2>&1' _ "$@" 2>&1 | tail -1 |
    awk '{ printf "%.3f", $1 + $2 }'
}
native=$(for i in 1 2 3 4 5; do
  cpu "$build/mantlept" calc "$work/samples.csv" -p 7,5 -o "$work/native$i.csv"
  echo
done | sort -n | sed -n 3p)

serve_page "$build/web" /dev/null
echo "calc, 10,000 samples, pair 7,5 (CPU seconds, user + system, medians of 5):"
echo "  native                         $native"
for url in "$page_url" "file://$build/web/mantlept.html"; do
  read -r _ page _ cold _ warm _ without < <(node "$root/bench/web_page.mjs" \
    "$url" "$work/samples.csv" "$work/page.csv" 5 | tail -1)
  cmp "$work/native1.csv" "$work/page.csv"
  echo "$url"
  echo "  page (engine warmed up)        $page"
  echo "  page, warm-up left out (cold)  $cold"
  echo "  page load to warmed up         $warm (${without%)} without the warm-up)"
  awk -v p="$page" -v c="$cold" -v n="$native" \
    'BEGIN { printf "  ratio                          %.2f (cold %.2f)\n", p / n, c / n }'
  echo "  same tidy CSV:                 yes"
done
echo "mantlept.wasm: $(stat -c %s "$build/web/mantlept.wasm") bytes"
echo "mantlept.html: $(stat -c %s "$build/web/mantlept.html") bytes"
