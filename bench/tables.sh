#!/usr/bin/env bash
# Reading tables against the fixed-column file, and every core for calc: the
# same generated samples as the fixed-column file, a wide CSV table, three
# shuffled long tables of spots and a workbook, each through `calc -p 1,1`
# (a pair that computes almost nothing, so that reading is what is timed);
# `convert` of the CSV; and the 12 heavy pairs on the CSV with --threads 1
# and 2. Every run's tidy rows are compared byte for byte with those of the
# fixed-column file (the spots once sorted: they come in the order samples
# first appear) and, with OLD set, with those of another build; a difference
# fails the script.
#
#   bash bench/tables.sh                       # sizes 20000 and 100000
#   SIZES=100000 REPEAT=5 OLD=/path/to/old/mantlept bash bench/tables.sh
#   WORKBOOK=only bash bench/tables.sh         # the wide CSV and the workbook alone
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

BUILD=${BUILD:-build-bench}
JOBS=${JOBS:-1}
SIZES=${SIZES:-"20000 100000"}
SEED=${SEED:-5}
REPEAT=${REPEAT:-3}
OLD=${OLD:-}
WORKBOOK=${WORKBOOK:-}

if [ -z "${PROGRAM:-}" ]; then
  echo "== building ($BUILD, RelWithDebInfo as the README's build)"
  cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMANTLEPT_TESTS=OFF >/dev/null
  cmake --build "$BUILD" -j "$JOBS" --target mantlept mantlept_generate mantlept_read >/dev/null
fi
program=${PROGRAM:-$root/$BUILD/mantlept}
generator=${GENERATOR:-$root/$BUILD/bench/mantlept_generate}
reader=${READER:-$(dirname "$generator")/mantlept_read}  # reading alone
[ -x /usr/bin/time ] || { echo "GNU time (/usr/bin/time) is needed" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/mantlept-tables-XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"

# "wall cpu KiB": best wall and CPU (user + system) of REPEAT runs, largest peak memory.
measure() {
  local wall="" cpu="" kib=0 w c k
  for _ in $(seq "$REPEAT"); do
    /usr/bin/time -f "%e %U %S %M" -o time.txt "$@" >/dev/null
    read -r w u s k <time.txt
    c=$(awk -v u="$u" -v s="$s" 'BEGIN { print u + s }')
    wall=$(awk -v a="$wall" -v b="$w" 'BEGIN { print (a == "" || b < a) ? b : a }')
    cpu=$(awk -v a="$cpu" -v b="$c" 'BEGIN { print (a == "" || b < a) ? b : a }')
    [ "$k" -gt "$kib" ] && kib=$k
  done
  echo "$wall $cpu $kib"
}
same() {  # same FILE FILE WHAT
  cmp -s "$1" "$2" || { echo "$3: the tidy rows differ ($1, $2)" >&2; exit 1; }
}
row() {  # row LABEL MB "wall cpu KiB" [BASE_WALL BASE_CPU]
  local label=$1 mb=$2
  read -r w c k <<<"$3"
  awk -v l="$label" -v mb="$mb" -v w="$w" -v c="$c" -v k="$k" -v bw="${4:-}" -v bc="${5:-}" 'BEGIN {
    rate = (mb > 0 && c > 0) ? sprintf("%.0f", mb / c) : "";
    rw = (bw != "" && bw > 0) ? sprintf("%.2f", w / bw) : "";
    rc = (bc != "" && bc > 0) ? sprintf("%.2f", c / bc) : "";
    printf "| %s | %.1f | %.3f | %.2f | %s | %s | %s | %d |\n", l, mb, w, c, rate, rw, rc, k }'
}
mb() { awk -v b="$(cat "$@" | wc -c)" 'BEGIN { printf "%.2f", b / 1e6 }'; }

one=(-p 1,1 -q --force)
# The workbook against the wide CSV timed before (wide.out, $ww, $wc).
book_row() {
  book=$(measure "$program" calc book.xlsx "${one[@]}" -o book.out)
  same wide.out book.out "workbook against the CSV"
  row "calc -p 1,1, workbook / wide CSV" "$(mb book.xlsx)" "$book" "$ww" "$wc"
}
heavy=(-p 0705 -p 0502 -p 0204 -p 3629 -p 2421 -p 2216 -p 3830 -p 2533 -p 0613 -p 4034
  -p 4438 -p 0422 -x 5 --ferric -n 10 -q --force)
for n in $SIZES; do
  "$generator" "$SEED" "$n" --csv >wide.csv
  python3 "$root/bench/csv_to_xlsx.py" wide.csv book.xlsx
  cat wide.csv book.xlsx >/dev/null
  echo
  echo "== $n samples (seed $SEED), REPEAT=$REPEAT; MB/s = input MB / CPU s; ratios to the base row named"
  echo "| run | input MB | wall s | CPU s | MB/s | wall ratio | CPU ratio | peak KiB |"
  echo "|---|---|---|---|---|---|---|---|"
  if [ "$WORKBOOK" = only ]; then
    wide=$(measure "$program" calc wide.csv "${one[@]}" -o wide.out)
    read -r ww wc _ <<<"$wide"
    row "calc -p 1,1, wide CSV (base)" "$(mb wide.csv)" "$wide"
    book_row
    if [ -n "$OLD" ]; then
      old=$(measure "$OLD" calc wide.csv "${one[@]}" -o old.out)
      same old.out wide.out "the old build against this one"
      row "old build: calc -p 1,1, wide CSV / this build" "$(mb wide.csv)" "$old" "$ww" "$wc"
      read -r ow oc _ <<<"$old"
      oldbook=$(measure "$OLD" calc book.xlsx "${one[@]}" -o old-book.out)
      same old-book.out book.out "workbook: the old build against this one"
      row "old build: calc -p 1,1, workbook / old build's wide CSV" "$(mb book.xlsx)" "$oldbook" \
        "$ow" "$oc"
    fi
    continue
  fi
  "$generator" "$SEED" "$n" >fixed.txt
  "$generator" "$SEED" "$n" --spots spots
  cat fixed.txt spots*.csv >/dev/null
  fixed=$(measure "$program" calc fixed.txt "${one[@]}" -o fixed.out)
  read -r fw fc _ <<<"$fixed"
  row "calc -p 1,1, fixed-column file (base)" "$(mb fixed.txt)" "$fixed"
  wide=$(measure "$program" calc wide.csv "${one[@]}" -o wide.out)
  same fixed.out wide.out "wide CSV against the fixed-column file"
  read -r ww wc _ <<<"$wide"
  row "calc -p 1,1, wide CSV / fixed-column" "$(mb wide.csv)" "$wide" "$fw" "$fc"
  if [ -x "$reader" ]; then
    # Reading alone: the associations of each input, nothing computed or written.
    readFixed=$(measure "$reader" fixed.txt)
    row "reading alone, fixed-column file" "$(mb fixed.txt)" "$readFixed"
    readWide=$(measure "$reader" wide.csv)
    row "reading alone, wide CSV / fixed-column" "$(mb wide.csv)" "$readWide" \
      "$(awk '{print $1}' <<<"$readFixed")" "$(awk '{print $2}' <<<"$readFixed")"
    readSpots=$(measure "$reader" spots1.csv spots2.csv spots3.csv)
    row "reading alone, three spot tables / wide CSV" "$(mb spots1.csv spots2.csv spots3.csv)" \
      "$readSpots" "$(awk '{print $1}' <<<"$readWide")" "$(awk '{print $2}' <<<"$readWide")"
    readBook=$(measure "$reader" book.xlsx)
    row "reading alone, workbook / wide CSV" "$(mb book.xlsx)" "$readBook" \
      "$(awk '{print $1}' <<<"$readWide")" "$(awk '{print $2}' <<<"$readWide")"
  fi
  spots=$(measure "$program" calc spots1.csv spots2.csv spots3.csv "${one[@]}" -o spots.out)
  same <(tail -n +2 wide.out | sort) <(tail -n +2 spots.out | sort) "three spot tables"
  row "calc -p 1,1, three spot tables / wide CSV" "$(mb spots1.csv spots2.csv spots3.csv)" \
    "$spots" "$ww" "$wc"
  book_row
  conv=$(measure "$program" convert wide.csv -o converted.txt --force)
  "$program" calc converted.txt "${one[@]}" -o converted.out
  same wide.out converted.out "calc on the converted file against calc on the CSV"
  row "convert, wide CSV / calc -p 1,1 on it" "$(mb wide.csv)" "$conv" "$ww" "$wc"
  if [ -n "$OLD" ]; then
    old=$(measure "$OLD" calc wide.csv "${one[@]}" -o old.out)
    same old.out wide.out "the old build against this one"
    row "old build: calc -p 1,1, wide CSV / this build" "$(mb wide.csv)" "$old" "$ww" "$wc"
    oldconv=$(measure "$OLD" convert wide.csv -o old-converted.txt --force)
    same old-converted.txt converted.txt "convert: the old build against this one"
    row "old build: convert, wide CSV / this build" "$(mb wide.csv)" "$oldconv" \
      "$(awk '{print $1}' <<<"$conv")" "$(awk '{print $2}' <<<"$conv")"
    oldbook=$(measure "$OLD" calc book.xlsx "${one[@]}" -o old-book.out)
    same old-book.out book.out "workbook: the old build against this one"
    row "old build: calc -p 1,1, workbook / this build" "$(mb book.xlsx)" "$oldbook" \
      "$(awk '{print $1}' <<<"$book")" "$(awk '{print $2}' <<<"$book")"
  fi
done
if [ "$WORKBOOK" = only ]; then
  echo "(every output above agreed byte for byte with the one it is compared to)"
  exit 0
fi
echo
echo "== 12 pairs (the heavy answers' pairs, -x 5 --ferric -n 10) on the wide CSV of $n samples"
echo "| run | input MB | wall s | CPU s | MB/s | wall ratio | CPU ratio | peak KiB |"
echo "|---|---|---|---|---|---|---|---|"
t1=$(measure "$program" calc wide.csv "${heavy[@]}" --threads 1 -o heavy1.out)
t2=$(measure "$program" calc wide.csv "${heavy[@]}" --threads 2 -o heavy2.out)
same heavy1.out heavy2.out "--threads 2 against --threads 1"
row "--threads 1 (base)" "$(mb wide.csv)" "$t1"
row "--threads 2 / --threads 1" "$(mb wide.csv)" "$t2" "$(awk '{print $1}' <<<"$t1")" \
  "$(awk '{print $2}' <<<"$t1")"
awk -v a="$(awk '{print $1}' <<<"$t1")" -v b="$(awk '{print $1}' <<<"$t2")" \
  'BEGIN { printf "speed-up of 2 threads over 1 (wall): %.2f (target at least 1.7)\n", a / b }'
echo "(every output above agreed byte for byte with the one it is compared to)"
