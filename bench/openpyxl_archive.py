#!/usr/bin/env python3
"""The archive protocol's rows written into the same template with openpyxl,
as a lab's own script would do it, for bench_reports to compare with.

    openpyxl_archive.py TEMPLATE ROWS [OUTPUT]

Prints "seconds peak-MB": the time from reading the template to the saved
workbook, and the process's peak memory.
"""
import io
import resource
import sys
import time
from copy import copy

import openpyxl

FIELDS = ["Tip", "Number", "Year", "User", "Maker", "KlasT", "Nvoltage", "NTok",
          "pered", "voltage", "tok", "Km", "Pogr", "Date", "OldDate"]
POINTS_PER_METER = 5


def value(row, field):
    """The same rows as bench_reports makes."""
    meter, point = divmod(row, POINTS_PER_METER)
    if field < 9 and point != 0:
        return None
    return ["СО-ЭЭ6706", str(1000000 + meter), "2019", "ООО «Энергосбыт»", "Энергомера", "1", "220",
            "5", "1", "100", str(10 * (point + 1)), "0,5L", "-0,1%d" % point, "09.12.2026",
            "01.02.2020"][field]


def main():
    template, rows = sys.argv[1], int(sys.argv[2])
    output = sys.argv[3] if len(sys.argv) > 3 else None
    start = time.perf_counter()
    with open(template, "rb") as file:  # a file object: the template's name ends in .xls
        book = openpyxl.load_workbook(io.BytesIO(file.read()))
    destinations = list(book.defined_names["Range1"].destinations)
    sheet_name, area = destinations[0]
    sheet = book[sheet_name]
    first = sheet[area.replace("$", "").split(":")[0]].row
    columns = []  # (column, field index, template cell)
    for cell in sheet[first]:
        text = cell.value if isinstance(cell.value, str) else ""
        name = text.split(".", 1)[1] if text.startswith("RxData.") else None
        if name in FIELDS:
            columns.append((cell.column, FIELDS.index(name), cell))
    sheet.insert_rows(first + 1, rows - 1)
    for row in range(rows):
        for column, field, template_cell in columns:
            cell = sheet.cell(row=first + row, column=column, value=value(row, field))
            cell._style = copy(template_cell._style)
    book.save(output if output else io.BytesIO())
    peak = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss / 1024.0
    print("%.4f %.1f" % (time.perf_counter() - start, peak))


if __name__ == "__main__":
    main()
