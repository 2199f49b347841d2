#!/usr/bin/env bash
# The page's engine against the native program: calc with one pair on 10,000
# generated samples, CPU time of the WebAssembly module in node (the engine
# the page runs in its worker, the same module file) and of the native
# program, and the size of the .wasm. Needs `make web` and the native build.
#   bash bench/web.sh [BUILD]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath "${1:-$root/build}")
export NODE_PATH=/usr/share/nodejs
cmake --build "$build" -j2 --target mantlept mantlept_generate >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/bench/mantlept_generate" 1 10000 --csv >"$work/samples.csv"

cpu() {  # user + system seconds of a command
  /usr/bin/env bash -c 'TIMEFORMAT="%U %S"; time "$@" >/dev/null 2>&1' _ "$@" 2>&1 | tail -1 |
    awk '{ printf "%.3f", $1 + $2 }'
}
cat >"$work/run.js" <<'JS'
// calc in the WebAssembly module, as the page's worker runs it.
const path = require('path');
const createMantlept = require(path.resolve(process.argv[2], 'mantlept.js'));
const fs = require('fs');
createMantlept({ print() {}, printErr() {} }).then((M) => {
  M.FS.writeFile('/samples.csv', fs.readFileSync(process.argv[3]));
  const args = new M.StringList();
  for (const a of ['calc', '/samples.csv', '-p', '7,5']) args.push_back(a);
  const r = M.runCommand(args);
  if (r.exitCode !== 0) throw new Error(r.err);
  fs.writeFileSync(process.argv[4], r.out);
});
JS
native=$(cpu "$build/mantlept" calc "$work/samples.csv" -p 7,5 -o "$work/native.csv")
wasm=$(cpu node --no-experimental-fetch "$work/run.js" "$build/web" "$work/samples.csv" "$work/wasm.csv")
cmp "$work/native.csv" "$work/wasm.csv"
empty=$(cpu node --no-experimental-fetch -e "require('$build/web/mantlept.js')().then(() => {})")
echo "calc, 10,000 samples, pair 7,5 (CPU seconds, user + system):"
echo "  native            $native"
echo "  WebAssembly/node  $wasm (of which loading the module: $empty)"
awk -v w="$wasm" -v n="$native" 'BEGIN { printf "  ratio             %.2f\n", w / n }'
echo "  same tidy CSV:    yes"
echo "mantlept.wasm: $(stat -c %s "$build/web/mantlept.wasm") bytes"
