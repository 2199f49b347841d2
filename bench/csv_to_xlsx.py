#!/usr/bin/env python3
"""Writes a CSV table as a one-sheet .xlsx workbook (standard library only):
numbers as number cells, other text as shared strings, empty cells left out,
as a spreadsheet saves a table of analyses.

    python3 bench/csv_to_xlsx.py TABLE.csv BOOK.xlsx
"""
import csv
import sys
import zipfile
from xml.sax.saxutils import escape

NS = "http://schemas.openxmlformats.org/spreadsheetml/2006/main"
REL = "http://schemas.openxmlformats.org/officeDocument/2006/relationships"
PKG = "http://schemas.openxmlformats.org/package/2006/relationships"


def column(i):
    name = ""
    i += 1
    while i:
        i, r = divmod(i - 1, 26)
        name = chr(65 + r) + name
    return name


def number(text):
    try:
        float(text)
        return text.lstrip("+-").replace(".", "", 1).isdigit()
    except ValueError:
        return False


def main(source, target):
    shared, index = [], {}
    with open(source, newline="", encoding="utf-8") as f, zipfile.ZipFile(
            target, "w", zipfile.ZIP_DEFLATED) as z:
        with z.open("xl/worksheets/sheet1.xml", "w") as sheet:
            sheet.write(f'<?xml version="1.0"?><worksheet xmlns="{NS}"><sheetData>'.encode())
            for r, row in enumerate(csv.reader(f), start=1):
                cells = []
                for c, text in enumerate(row):
                    if not text:
                        continue
                    ref = f"{column(c)}{r}"
                    if number(text):
                        cells.append(f'<c r="{ref}"><v>{text}</v></c>')
                    else:
                        if text not in index:
                            index[text] = len(shared)
                            shared.append(text)
                        cells.append(f'<c r="{ref}" t="s"><v>{index[text]}</v></c>')
                sheet.write(f'<row r="{r}">{"".join(cells)}</row>'.encode())
            sheet.write(b"</sheetData></worksheet>")
        z.writestr("[Content_Types].xml",
                   '<?xml version="1.0"?><Types xmlns="http://schemas.openxmlformats.org/'
                   'package/2006/content-types"><Default Extension="rels" ContentType='
                   '"application/vnd.openxmlformats-package.relationships+xml"/>'
                   '<Default Extension="xml" ContentType="application/xml"/></Types>')
        z.writestr("_rels/.rels",
                   f'<?xml version="1.0"?><Relationships xmlns="{PKG}"><Relationship '
                   f'Id="rId1" Type="{REL}/officeDocument" Target="xl/workbook.xml"/>'
                   '</Relationships>')
        z.writestr("xl/workbook.xml",
                   f'<?xml version="1.0"?><workbook xmlns="{NS}" xmlns:r="{REL}"><sheets>'
                   '<sheet name="Analyses" sheetId="1" r:id="rId1"/></sheets></workbook>')
        z.writestr("xl/_rels/workbook.xml.rels",
                   f'<?xml version="1.0"?><Relationships xmlns="{PKG}"><Relationship '
                   f'Id="rId1" Type="{REL}/worksheet" Target="worksheets/sheet1.xml"/>'
                   f'<Relationship Id="rId2" Type="{REL}/sharedStrings" '
                   'Target="sharedStrings.xml"/></Relationships>')
        z.writestr("xl/sharedStrings.xml",
                   f'<?xml version="1.0"?><sst xmlns="{NS}">' +
                   "".join(f"<si><t>{escape(s)}</t></si>" for s in shared) + "</sst>")


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
