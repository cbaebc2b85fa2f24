"""Reads a workbook and a CSV file with independent readers and prints what they hold as JSON.

usage: read_workbook.py WORKBOOK [CSV]

For each sheet: every cell's formula or text ("formula"), its cached value ("value", with the
_xHHHH_ escapes decoded as a spreadsheet program does), whether the header cells are bold, the
frozen cell, the filter's range and the column widths. The CSV is decoded from Windows-1251 with
";" between fields.
"""
import csv
import io
import json
import re
import sys

import openpyxl

ESCAPE = re.compile(r"_x([0-9A-Fa-f]{4})_")


def decoded(value):
    if isinstance(value, str):
        return ESCAPE.sub(lambda m: chr(int(m.group(1), 16)), value)
    return value


def sheet_json(formulas, values):
    rows = []
    for formula_row, value_row in zip(formulas.iter_rows(), values.iter_rows()):
        rows.append([{"formula": decoded(f.value), "value": decoded(v.value)}
                     for f, v in zip(formula_row, value_row)])
    return {
        "rows": rows,
        "bold": [bool(cell.font.b) for cell in next(formulas.iter_rows(max_row=1))],
        "freeze": formulas.freeze_panes,
        "filter": formulas.auto_filter.ref,
        "widths": {key: dim.width for key, dim in formulas.column_dimensions.items()},
    }


def main():
    formulas = openpyxl.load_workbook(sys.argv[1])
    values = openpyxl.load_workbook(sys.argv[1], data_only=True)
    result = {"sheets": {name: sheet_json(formulas[name], values[name])
                         for name in formulas.sheetnames},
              "order": formulas.sheetnames}
    if len(sys.argv) > 2:
        with open(sys.argv[2], "rb") as f:
            text = f.read().decode("cp1251")
        result["csv"] = list(csv.reader(io.StringIO(text, newline=""), delimiter=";"))
    json.dump(result, sys.stdout, ensure_ascii=False)


main()
