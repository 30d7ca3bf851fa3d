#!/usr/bin/env python3
"""Makes and reads .xlsx workbooks with openpyxl, a reader and writer independent of the
program's own engine.

  xlsx_tool.py make KIND OUT [ARG]   writes a workbook of the given kind
  xlsx_tool.py dump IN               prints what a reader sees in a workbook, as JSON
"""
import hashlib
import json
import os
import re
import sys
import zipfile
import xml.etree.ElementTree as ET

import openpyxl
from openpyxl.chart import BarChart, Reference
from openpyxl.styles import Font, PatternFill

MAIN_NS = "http://schemas.openxmlformats.org/spreadsheetml/2006/main"
REL_NS = "http://schemas.openxmlformats.org/package/2006/relationships"
CT_NS = "http://schemas.openxmlformats.org/package/2006/content-types"
CALC_CHAIN_TYPE = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/calcChain"
CALC_CHAIN_CT = "application/vnd.openxmlformats-officedocument.spreadsheetml.calcChain+xml"


def standard_book():
    wb = openpyxl.Workbook()
    people = wb.active
    people.title = "Personen"
    people["A1"] = "姓名"
    people["A1"].font = Font(bold=True)
    people["A1"].fill = PatternFill("solid", fgColor="FFFF00")
    people["B1"] = "Alter"
    people["A2"] = "张三"
    people["B2"] = 30
    people["B2"].number_format = "0.00"
    people["C2"] = "=B2*2"
    people["C3"] = "keep"
    people["C3"].font = Font(italic=True, color="FF0000")
    people["A3"] = "  padded  "
    people["D1"] = "Merged"
    people.merge_cells("D1:E2")
    people.column_dimensions["B"].width = 24.5
    data = wb.create_sheet("Daten")
    for row in range(1, 4):
        data.cell(row=row, column=1, value=row * 10)
    data["A4"] = "=SUM(A1:A3)"
    data["B1"] = "=Personen!B2+1"
    data["B2"] = "text"
    data["B2"].font = Font(bold=True)
    empty = wb.create_sheet("Leer")
    # Formats that a new cell takes: of its column, or of its row.
    empty.column_dimensions["B"].font = Font(bold=True)
    empty.row_dimensions[3].font = Font(italic=True)
    return wb


def big_book(rows):
    wb = openpyxl.Workbook()
    sheet = wb.active
    sheet.title = "Gross"
    for row in range(1, rows + 1):
        sheet.cell(row=row, column=1, value=row)
        sheet.cell(row=row, column=2, value="r%d" % row)
        sheet.cell(row=row, column=3, value="=A%d*2" % row)
    return wb


def rewrite(path, change):
    """Rewrites the zip with change(name, bytes) -> bytes or None (drop); change may also
    return extra parts through the 'extra' list it is given."""
    with zipfile.ZipFile(path) as src:
        items = [(info, src.read(info.filename)) for info in src.infolist()]
    extra = []
    out = []
    for info, data in items:
        data = change(info.filename, data, extra)
        if data is not None:
            out.append((info.filename, data))
    out.extend(extra)
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as dst:
        for name, data in out:
            dst.writestr(name, data)


def sheet_ids(path):
    """Maps sheet part names to the sheetId of the workbook."""
    with zipfile.ZipFile(path) as z:
        wb = ET.fromstring(z.read("xl/workbook.xml"))
        rels = ET.fromstring(z.read("xl/_rels/workbook.xml.rels"))
    targets = {r.get("Id"): r.get("Target").lstrip("/") for r in rels}
    rid = "{http://schemas.openxmlformats.org/officeDocument/2006/relationships}id"
    result = {}
    for s in wb.find("{%s}sheets" % MAIN_NS):
        target = targets[s.get(rid)]
        result[target if target.startswith("xl/") else "xl/" + target] = s.get("sheetId")
    return result


def add_calc_chain(path):
    """Adds the calculation chain that Excel writes beside formula cells."""
    entries = []
    with zipfile.ZipFile(path) as z:
        for part, sheet_id in sheet_ids(path).items():
            root = ET.fromstring(z.read(part))
            for c in root.iter("{%s}c" % MAIN_NS):
                if c.find("{%s}f" % MAIN_NS) is not None:
                    entries.append((c.get("r"), sheet_id))
    chain = '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<calcChain xmlns="%s">' % MAIN_NS
    chain += "".join('<c r="%s" i="%s"/>' % e for e in entries) + "</calcChain>"

    def change(name, data, extra):
        if name == "[Content_Types].xml":
            return data.replace(b"</Types>", ('<Override PartName="/xl/calcChain.xml" '
                                              'ContentType="%s"/></Types>' % CALC_CHAIN_CT).encode())
        if name == "xl/_rels/workbook.xml.rels":
            return data.replace(b"</Relationships>", ('<Relationship Id="rIdChain" Type="%s" '
                                                      'Target="calcChain.xml"/></Relationships>'
                                                      % CALC_CHAIN_TYPE).encode())
        if name == "xl/workbook.xml":
            extra.append(("xl/calcChain.xml", chain.encode()))
        return data

    rewrite(path, change)


SST_TYPE = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings"
SST_CT = "application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml"
INLINE = re.compile(r'<c ([^>]*?)t="inlineStr"><is><t( xml:space="preserve")?>(.*?)</t></is></c>')


def to_shared_strings(path, parts):
    """Moves the inline strings of the given sheet parts into a shared-string table, the
    form in which Excel stores texts; other sheets keep their inline strings."""
    strings = []

    def replace(match):
        item = "<si><t%s>%s</t></si>" % (match.group(2) or "", match.group(3))
        if item not in strings:
            strings.append(item)
        return '<c %st="s"><v>%d</v></c>' % (match.group(1), strings.index(item))

    def change(name, data, extra):
        if name in parts:
            return INLINE.sub(replace, data.decode()).encode()
        if name == "[Content_Types].xml":
            return data.replace(b"</Types>", ('<Override PartName="/xl/sharedStrings.xml" '
                                              'ContentType="%s"/></Types>' % SST_CT).encode())
        if name == "xl/_rels/workbook.xml.rels":
            return data.replace(b"</Relationships>", ('<Relationship Id="rIdStrings" Type="%s" '
                                                      'Target="sharedStrings.xml"/></Relationships>'
                                                      % SST_TYPE).encode())
        return data

    rewrite(path, change)
    sst = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<sst xmlns="%s" count="%d" '
           'uniqueCount="%d">%s</sst>' % (MAIN_NS, len(strings), len(strings), "".join(strings)))
    rewrite(path, lambda n, d, e: (e.append(("xl/sharedStrings.xml", sst.encode())), d)[1]
            if n == "xl/workbook.xml" else d)


def make_shared(path):
    """Turns the formulas of column C in the first sheet into one shared formula, as Excel
    stores a filled-down formula."""
    def change(name, data, extra):
        if name != "xl/worksheets/sheet1.xml":
            return data
        text = data.decode()
        text = text.replace("<f>A1*2</f>", '<f t="shared" ref="C1:C4" si="0">A1*2</f>')
        for row in (2, 3, 4):
            text = text.replace("<f>A%d*2</f>" % row, '<f t="shared" si="0"/>')
        return text.encode()
    rewrite(path, change)


def add_spans(path):
    """Gives every row of the first sheet the spans hint that Excel writes."""
    def change(name, data, extra):
        if name != "xl/worksheets/sheet1.xml":
            return data
        return re.sub(rb'<row r="(\d+)"', rb'<row r="\1" spans="1:5"', data)
    rewrite(path, change)


def strip_references(path):
    """Leaves out the r attributes of the rows and cells of the second sheet, which
    some writers do: each row and cell then follows the one before."""
    def change(name, data, extra):
        if name != "xl/worksheets/sheet2.xml":
            return data
        return re.sub(rb'<(row|c) r="[A-Z]*\d+"', rb"<\1", data)
    rewrite(path, change)


def add_prefixes(path):
    """Writes the workbook and the first sheet with a namespace prefix on every element,
    as some generators do."""
    def prefixed(data):
        text = data.decode()
        text = re.sub(r"<(/?)([A-Za-z]+)([ >/])", r"<\1x:\2\3", text)
        return text.replace('xmlns="%s"' % MAIN_NS, 'xmlns:x="%s"' % MAIN_NS).encode()

    def change(name, data, extra):
        return prefixed(data) if name in ("xl/workbook.xml", "xl/worksheets/sheet1.xml") else data
    rewrite(path, change)


def make_bomb(path, declared_lie):
    """A workbook whose first sheet inflates to 300 MiB; with declared_lie the zip headers
    claim it is tiny."""
    standard_book().save(path)
    with zipfile.ZipFile(path) as src:
        items = [(i.filename, src.read(i.filename)) for i in src.infolist()]
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as dst:
        for name, data in items:
            if name != "xl/worksheets/sheet1.xml":
                dst.writestr(name, data)
                continue
            with dst.open(name, "w", force_zip64=True) as part:
                part.write(b'<worksheet xmlns="%s"><sheetData>' % MAIN_NS.encode())
                chunk = b" " * (1 << 20)
                for _ in range(300):
                    part.write(chunk)
    if declared_lie:
        patch_declared_size(path, "xl/worksheets/sheet1.xml", 1000)


def patch_declared_size(path, name, size):
    """Overwrites the uncompressed size in the central directory (and the zip64 extra)."""
    with open(path, "rb") as f:
        blob = bytearray(f.read())
    encoded = name.encode()
    pos = blob.find(b"PK\x01\x02")
    while pos >= 0:
        name_len = int.from_bytes(blob[pos + 28:pos + 30], "little")
        extra_len = int.from_bytes(blob[pos + 30:pos + 32], "little")
        if bytes(blob[pos + 46:pos + 46 + name_len]) == encoded:
            if blob[pos + 24:pos + 28] == b"\xff\xff\xff\xff":
                extra = pos + 46 + name_len
                end = extra + extra_len
                while extra < end:
                    tag = int.from_bytes(blob[extra:extra + 2], "little")
                    length = int.from_bytes(blob[extra + 2:extra + 4], "little")
                    if tag == 1:
                        blob[extra + 4:extra + 12] = size.to_bytes(8, "little")
                    extra += 4 + length
            else:
                blob[pos + 24:pos + 28] = size.to_bytes(4, "little")
        pos = blob.find(b"PK\x01\x02", pos + 4)
    with open(path, "wb") as f:
        f.write(blob)


def make(kind, out, arg):
    if kind == "standard":
        standard_book().save(out)
        to_shared_strings(out, {"xl/worksheets/sheet1.xml", "xl/worksheets/sheet3.xml"})
        add_calc_chain(out)
        add_spans(out)
    elif kind == "norefs":
        make("standard", out, "")
        strip_references(out)
    elif kind == "prefixed":
        make("standard", out, "")
        add_prefixes(out)
    elif kind == "big":
        big_book(int(arg)).save(out)
        add_calc_chain(out)
    elif kind == "shared":
        big_book(4).save(out)
        make_shared(out)
        add_calc_chain(out)
    elif kind in ("bomb", "liar"):
        make_bomb(out, kind == "liar")
    elif kind == "notzip":
        with open(out, "wb") as f:
            f.write(b"PK\x03\x04 this is not really a zip archive " * 50)
    elif kind == "chart":
        # Standard, with a chart sheet as the fourth tab: a sheet that holds no cells.
        wb = standard_book()
        chart = BarChart()
        chart.add_data(Reference(wb["Daten"], min_col=1, min_row=1, max_row=3))
        wb.create_chartsheet("Diagramm").add_chart(chart)
        wb.save(out)
    elif kind == "utf16":
        # Standard, with the first sheet stored as UTF-16 under its own declaration.
        make("standard", out, "")
        def utf16(name, data, extra):
            if name != "xl/worksheets/sheet1.xml":
                return data
            text = re.sub(r"^<\?xml[^>]*\?>\s*", "", data.decode("utf-8"))
            declaration = '<?xml version="1.0" encoding="UTF-16" standalone="yes"?>\r\n'
            return (declaration + text).encode("utf-16")
        rewrite(out, utf16)
    elif kind == "badxml":
        standard_book().save(out)
        rewrite(out, lambda n, d, e: d[:len(d) // 2] if n == "xl/worksheets/sheet2.xml" else d)
    elif kind == "noworkbook":
        standard_book().save(out)
        rewrite(out, lambda n, d, e: None if n == "xl/workbook.xml" else d)
    elif kind == "entities":
        make("standard", out, "")
        laughs = ('<?xml version="1.0"?><!DOCTYPE sst [<!ENTITY a "aaaaaaaaaa">'
                  '<!ENTITY b "&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;">]>'
                  '<sst xmlns="%s" count="1" uniqueCount="1"><si><t>&b;</t></si></sst>' % MAIN_NS)
        rewrite(out, lambda n, d, e: laughs.encode() if n == "xl/sharedStrings.xml" else d)
    else:
        raise SystemExit("unknown kind " + kind)


def cell_json(cell):
    value = cell.value
    if value is not None and not isinstance(value, (str, int, float, bool)):
        value = str(value)
    return {
        "value": value,
        "type": cell.data_type,
        "bold": bool(cell.font.b),
        "italic": bool(cell.font.i),
        "fill": cell.fill.fgColor.rgb if cell.fill.fill_type else None,
        "number_format": cell.number_format,
    }


def order_ok(data):
    """True when rows ascend by r and cells by column inside each row (a row or cell
    without r follows the one before)."""
    root = ET.fromstring(data)
    last_row = 0
    for row in root.iter("{%s}row" % MAIN_NS):
        r = int(row.get("r", last_row + 1))
        if r <= last_row:
            return False
        last_row = r
        last_col = 0
        for c in row.findall("{%s}c" % MAIN_NS):
            col = last_col + 1
            if c.get("r"):
                ref = re.match(r"([A-Z]+)(\d+)$", c.get("r"))
                if int(ref.group(2)) != r:
                    return False
                col = 0
                for ch in ref.group(1):
                    col = col * 26 + ord(ch) - 64
            if col <= last_col:
                return False
            last_col = col
    return True


def dump(path):
    result = {"parts": {}, "calc_chain": None}
    with zipfile.ZipFile(path) as z:
        for info in z.infolist():
            data = z.read(info.filename)
            result["parts"][info.filename] = {
                "sha256": hashlib.sha256(data).hexdigest(),
                "crc": info.CRC,
                "compress_size": info.compress_size,
                "compress_type": info.compress_type,
            }
        names = z.namelist()
        if "xl/calcChain.xml" in names:
            root = ET.fromstring(z.read("xl/calcChain.xml"))
            result["calc_chain"] = [[c.get("i"), c.get("r")] for c in root]
        ct = ET.fromstring(z.read("[Content_Types].xml"))
        result["overrides"] = sorted(o.get("PartName") for o in ct if o.get("PartName"))
        rels = ET.fromstring(z.read("xl/_rels/workbook.xml.rels"))
        result["workbook_rel_targets"] = sorted(r.get("Target") for r in rels)
        wb = ET.fromstring(z.read("xl/workbook.xml"))
        calc = wb.find("{%s}calcPr" % MAIN_NS)
        result["full_calc_on_load"] = calc is not None and calc.get("fullCalcOnLoad") in ("1", "true")
        parts = sheet_ids(path)
        order = {part: order_ok(z.read(part)) for part in parts}
        spans = {}
        for part in parts:
            root = ET.fromstring(z.read(part))
            spans[part] = {row.get("r"): row.get("spans") for row in root.iter("{%s}row" % MAIN_NS)
                           if row.get("spans")}
    book = openpyxl.load_workbook(path)
    sheets = []
    for index, ws in enumerate(book.worksheets):
        cells = {}
        # Only the cells the file holds: iterating the grid up to a far cell would take
        # ages.
        for (row, column), cell in sorted(ws._cells.items()):
            if cell.value is not None or cell.has_style:
                cells[cell.coordinate] = cell_json(cell)
        sheets.append({
            "title": ws.title,
            "cells": cells,
            "merged": sorted(str(r) for r in ws.merged_cells.ranges),
            "widths": {k: v.width for k, v in ws.column_dimensions.items() if v.customWidth},
            "dimension": ws.calculate_dimension(),
            "ordered": order.get("xl/worksheets/sheet%d.xml" % (index + 1), True),
            "spans": spans.get("xl/worksheets/sheet%d.xml" % (index + 1), {}),
        })
    result["sheets"] = sheets
    return result


def main():
    if len(sys.argv) >= 4 and sys.argv[1] == "make":
        make(sys.argv[2], sys.argv[3], sys.argv[4] if len(sys.argv) > 4 else "")
    elif len(sys.argv) == 3 and sys.argv[1] == "dump":
        json.dump(dump(sys.argv[2]), sys.stdout, ensure_ascii=False)
    else:
        raise SystemExit(__doc__)


if __name__ == "__main__":
    main()
