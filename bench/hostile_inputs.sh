#!/usr/bin/env bash
# Peak memory and time of reading inputs built to be expensive: workbooks
# whose parts inflate to gigabytes (zip bombs: blanks past the part limit,
# 3 GiB of empty cells in one row, empty rows to just under the part limit,
# shared strings to just under it), a sheet of 1,000,000 rows, a table with a
# 10 MB line, and a long table of 120,000 unknown mineral labels. Each line:
# case, exit status, wall s, peak RSS (MB), input size (MB). GNU time
# measures the peak resident memory. Then the stop times: a signal sent in
# the middle of long work (a fit of 300,000 points, a bomb, the long sheet)
# and the time the command takes to end after it.
#
#   bash bench/hostile_inputs.sh                  # builds build-bench/mantlept
#   PROGRAM=build/mantlept bash bench/hostile_inputs.sh
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
BUILD=${BUILD:-build-bench}
if [ -z "${PROGRAM:-}" ]; then
  cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=Release -DMANTLEPT_TESTS=OFF >/dev/null
  cmake --build "$BUILD" -j "${JOBS:-1}" --target mantlept >/dev/null
  PROGRAM=$root/$BUILD/mantlept
fi
PROGRAM=$(realpath "$PROGRAM")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

python3 - <<'PY'
import zipfile, zlib

NS = 'http://schemas.openxmlformats.org/spreadsheetml/2006/main'
REL = 'http://schemas.openxmlformats.org/officeDocument/2006/relationships'

def workbook(path, sheet_parts, shared_parts=None):
    with zipfile.ZipFile(path, 'w', zipfile.ZIP_DEFLATED, compresslevel=9) as z:
        z.writestr('[Content_Types].xml', '<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types"/>')
        z.writestr('xl/workbook.xml', f'<workbook xmlns="{NS}" xmlns:r="{REL}"><sheets>'
                   f'<sheet name="Data" sheetId="1" r:id="rId1"/></sheets></workbook>')
        z.writestr('xl/_rels/workbook.xml.rels',
                   '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
                   f'<Relationship Id="rId1" Type="{REL}/worksheet" Target="worksheets/sheet1.xml"/>'
                   '</Relationships>')
        with z.open('xl/worksheets/sheet1.xml', 'w', force_zip64=True) as f:
            for part in sheet_parts():
                f.write(part)
        if shared_parts:
            with z.open('xl/sharedStrings.xml', 'w', force_zip64=True) as f:
                for part in shared_parts():
                    f.write(part)

def header():
    cells = ['Sample', 'Mineral', 'SiO2', 'MgO', 'FeO']
    return ('<row r="1">' + ''.join(
        f'<c r="{chr(65 + i)}1" t="inlineStr"><is><t>{c}</t></is></c>' for i, c in enumerate(cells))
        + '</row>').encode()

# A zip bomb: 1.1 GB of blanks inside the sheet, about 1 MB on disk.
def bomb():
    yield f'<worksheet xmlns="{NS}"><sheetData>'.encode() + header()
    blank = b' ' * (1 << 20)
    for _ in range(1100):
        yield blank
    yield b'</sheetData></worksheet>'
workbook('bomb.xlsx', bomb)

# 3 GiB of valueless cells in one row, about 3 MB on disk.
def cells():
    yield f'<worksheet xmlns="{NS}"><sheetData>'.encode() + header() + b'<row r="2">'
    empty = b'<c/>' * (1 << 18)
    for _ in range(3 << 10):
        yield empty
    yield b'</row></sheetData></worksheet>'
workbook('cells.xlsx', cells)

# Rows of 16,000 valueless cells up to 1 MB short of the 1 GiB part limit,
# then one olivine: every row within the limits, the part read to its end.
def empty_rows():
    yield f'<worksheet xmlns="{NS}"><sheetData>'.encode() + header()
    row = b'<row>' + b'<c/>' * 16000 + b'</row>'
    for _ in range(((1 << 30) - (2 << 20)) // len(row)):
        yield row
    yield (b'<row><c t="inlineStr"><is><t>S1</t></is></c><c t="inlineStr"><is><t>Ol</t></is>'
           b'</c><c><v>40.9</v></c><c><v>49.5</v></c><c><v>9.1</v></c></row>'
           b'</sheetData></worksheet>')
workbook('rows_bomb.xlsx', empty_rows)

# Shared strings to 1 MB short of the part limit.
def sheet_of_one():
    yield f'<worksheet xmlns="{NS}"><sheetData>'.encode() + header() + b'</sheetData></worksheet>'
def strings():
    yield f'<sst xmlns="{NS}">'.encode()
    item = b'<si><t>' + b'g' * 1000 + b'</t></si>'
    many = item * 1000
    for _ in range(((1 << 30) - (1 << 20)) // len(many)):
        yield many
    yield b'</sst>'
workbook('strings_bomb.xlsx', sheet_of_one, strings)

# 1,000,000 rows of olivine analyses, about 16 MB of XML per 160 bytes a row.
def rows():
    yield f'<worksheet xmlns="{NS}"><sheetData>'.encode() + header()
    chunk = []
    for r in range(2, 1000002):
        chunk.append(f'<row r="{r}"><c r="A{r}" t="inlineStr"><is><t>S{r // 2}</t></is></c>'
                     f'<c r="B{r}" t="inlineStr"><is><t>Ol</t></is></c><c r="C{r}"><v>40.9</v></c>'
                     f'<c r="D{r}"><v>49.5</v></c><c r="E{r}"><v>9.1</v></c></row>')
        if len(chunk) == 10000:
            yield ''.join(chunk).encode()
            chunk = []
    yield (''.join(chunk) + '</sheetData></worksheet>').encode()
workbook('rows.xlsx', rows)

# One 10 MB line: a description of ten cells of almost 1 MB each.
with open('long_line.csv', 'w') as f:
    f.write('Sample,Mineral,SiO2,MgO,FeO,' + ','.join(f'Note{i}' for i in range(10)) + '\n')
    f.write('A,Ol,40.9,49.5,9.1,' + ','.join(['x' * 1000000] * 10) + '\n')

# 300,000 P-T points scattered about a geotherm: the fit takes seconds.
import random
random.seed(1)
with open('points.csv', 'w') as f:
    f.write('T_C,P_GPa\n')
    for i in range(300000):
        P = 1.5 + 2.5 * random.random()
        f.write('%.1f,%.3f\n' % (600 + 150 * P + random.gauss(0, 40), P))
with open('garnets.csv', 'w') as f:
    f.write('Sample,CaO_Gt,MgO_Gt,FeOt_Gt,Ni_Gt\ng,5,20,7,50\n')

# 120,000 unknown mineral labels, one row each.
with open('labels.csv', 'w') as f:
    f.write('Sample,Mineral,SiO2,MgO,FeO\n')
    for i in range(120000):
        f.write(f'S{i},Mineral{i},40.9,49.5,9.1\n')
PY

measure() {
  local name=$1 input=$2
  shift 2
  local status=0
  /usr/bin/time -f "%e %M" -o time.txt "$PROGRAM" "$@" >/dev/null 2>err.txt || status=$?
  read -r wall kb < <(tail -n 1 time.txt)
  printf '%-22s exit %d  %6.2f s  %7.1f MB RSS  %7.1f MB input  %s\n' "$name" "$status" "$wall" \
    "$(echo "$kb / 1024" | bc -l)" "$(echo "$(stat -c %s "$input") / 1048576" | bc -l)" \
    "$(head -c 100 err.txt | head -n 1)"
}

measure "zip bomb" bomb.xlsx convert bomb.xlsx -o bomb.txt
measure "3 GiB of <c/> in a row" cells.xlsx convert cells.xlsx -o cells.txt
measure "1 GiB of empty rows" rows_bomb.xlsx convert rows_bomb.xlsx -o rows_bomb.txt
measure "1 GiB of shared strings" strings_bomb.xlsx convert strings_bomb.xlsx -o strings.txt
measure "1,000,000-row sheet" rows.xlsx convert rows.xlsx -o rows.txt
measure "10 MB line" long_line.csv convert long_line.csv -o long_line.txt
measure "120,000 labels" labels.csv convert labels.csv -o labels.txt

# The signal `delay` s after the start; its outputs go to out/, which must be
# left empty.
stop_time() {
  local name=$1 delay=$2 signal=$3
  shift 3
  rm -rf out && mkdir out
  "$PROGRAM" "$@" >/dev/null 2>err.txt &
  local pid=$! status=0 sent ended
  sleep "$delay"
  sent=$(date +%s.%N)
  if ! kill -s "$signal" "$pid" 2>/dev/null; then
    wait "$pid" || status=$?
    printf '%-26s ended (exit %d) before the %s at %3.1f s: take more work\n' "$name" "$status" \
      "$signal" "$delay"
    return
  fi
  wait "$pid" || status=$?
  ended=$(date +%s.%N)
  printf '%-26s %s at %3.1f s: exit %d, %5.3f s after the signal, %d files left\n' "$name" \
    "$signal" "$delay" "$status" "$(echo "$ended - $sent" | bc -l)" "$(find out -type f | wc -l)"
}

stop_time "geotherm, 300,000 points" 3 INT geotherm points.csv -o out/t.csv --svg out/d.svg
stop_time "grains --fit, same points" 3 HUP grains garnets.csv --fit points.csv -o out/g.csv
stop_time "zip bomb" 2 INT convert bomb.xlsx -o out/bomb.txt
stop_time "1,000,000-row sheet" 1 TERM calc rows.xlsx -p 7,5 -o out/rows.csv
