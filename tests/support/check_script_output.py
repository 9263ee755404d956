#!/usr/bin/env python3
"""Reads tarvel-batch's CSV and JSON forms of one listing back with the csv
and json modules and compares every field with its text form.

    check_script_output.py grid TEXT CSV JSON [SORTED_QUARTER ORDER]
    check_script_output.py list NAME TEXT CSV JSON

grid: TEXT is `show` or `show-line` output (the caption, then the grid's
rows with tab-separated cells). Each data row (a row whose first quarter
cell is not empty) must be one CSV record and one JSON row, in order, with
its title (trailing blanks removed, leading ones kept) and one unit (an
empty CSV field for a JSON null); each cell's number, without group commas
(and without the " *" of an unsuppressed value), must be the CSV field and
the JSON value rounded half away from zero, the two being one number; a
cell "(D)" or "(N)" an empty field and null, with the flag and reason D or
N. A value shown with " *" must carry the flag D or N. JSON's caption and
quarters are the text's; sorted is null, or the quarter and order given.

list: NAME is tables, areas or lines; each text line's tab-separated fields
must be the CSV record and the JSON object's values, in order; numbers as
numbers.

Prints each difference; exit status 0 when none, 1 otherwise.
"""

import csv
import decimal
import json
import sys

problems = []


def fail(message):
    problems.append(message)


def read_text(path):
    with open(path, encoding="latin-1", newline="") as f:
        return f.read().split("\n")[:-1]


def read_csv(path):
    with open(path, encoding="utf-8", newline="") as f:
        return list(csv.reader(f))


def read_json(path):
    with open(path, encoding="utf-8") as f:
        return json.load(f)


def number_of(cell):
    """The number a grid cell shows, and whether it was unsuppressed; None
    for a cell without one."""
    text = cell.strip()
    starred = text.endswith(" *")
    if starred:
        text = text[:-2]
    text = text.replace(",", "")
    try:
        return int(text), starred
    except ValueError:
        return None, False


def rounded(field):
    """The whole number a value as stored shows: rounded half away from
    zero, as the grid rounds it (exact in decimal for the at most 15 digits
    of a stored value; a double that large is whole already)."""
    value = float(field)
    if abs(value) >= 2.0 ** 52:
        return int(value)
    return int(decimal.Decimal(field).quantize(decimal.Decimal(1), rounding=decimal.ROUND_HALF_UP))


def check_grid(text_path, csv_path, json_path, sorted_quarter=None, order=None):
    lines = read_text(text_path)
    caption, header, rows = lines[0], lines[1].split("\t"), [line.split("\t") for line in lines[2:]]
    labels = [label.strip() for label in header[1:]]
    data_rows = [row for row in rows if len(row) > 1 and row[1].strip() != ""]
    records = read_csv(csv_path)
    document = read_json(json_path)

    if records[0] != ["code", "title"] + labels + ["flags", "unit"]:
        fail("CSV header %r" % (records[0],))
    if document["caption"] != caption:
        fail("JSON caption %r, not %r" % (document["caption"], caption))
    if document["quarters"] != labels:
        fail("JSON quarters %r" % (document["quarters"],))
    if document["table"] != caption.split(" ")[0]:
        fail("JSON table %r" % (document["table"],))
    expected_sort = None if sorted_quarter is None else {"quarter": sorted_quarter, "order": order}
    if document["sorted"] != expected_sort:
        fail("JSON sorted %r, not %r" % (document["sorted"], expected_sort))
    if len(records) - 1 != len(data_rows) or len(document["rows"]) != len(data_rows):
        fail("%d data rows, %d CSV records, %d JSON rows"
             % (len(data_rows), len(records) - 1, len(document["rows"])))
        return
    withheld = 0
    for row, record, item in zip(data_rows, records[1:], document["rows"]):
        title = row[0].rstrip()
        if record[1] != title or item["title"] != title:
            fail("titles %r / %r / %r" % (title, record[1], item["title"]))
        if record[0] != item["code"] or not item["code"]:
            fail("codes %r / %r" % (record[0], item["code"]))
        if record[-1] != (item["unit"] or "") or item["unit"] == "" or type(item["unit"]) not in (str, type(None)):
            fail("%s: units %r / %r" % (title, record[-1], item["unit"]))
        flags = record[-2]
        if len(flags) != len(labels) or len(item["values"]) != len(labels) or len(item["reasons"]) != len(labels):
            fail("%s: %d labels, flags %r, %d values" % (title, len(labels), flags, len(item["values"])))
            continue
        for i, cell in enumerate(row[1:]):
            value, starred = number_of(cell)
            field, flag, number, reason = record[2 + i], flags[i], item["values"][i], item["reasons"][i]
            where = "%s %s %r" % (title, labels[i], cell)
            if cell in ("(D)", "(N)"):
                withheld += 1
                if field != "" or number is not None or flag != cell[1] or reason != cell[1]:
                    fail("%s: CSV %r flag %r, JSON %r reason %r" % (where, field, flag, number, reason))
            elif value is None:
                fail("%s: a cell that is no number" % where)
            else:
                if (field == "" or type(number) not in (int, float) or float(field) != float(number)
                        or rounded(field) != value):
                    fail("%s: CSV %r, JSON %r" % (where, field, number))
                if starred:
                    withheld += 1
                    if flag not in "DN" or reason != flag:
                        fail("%s: an unsuppressed value with flag %r, reason %r" % (where, flag, reason))
                elif flag != "." or reason is not None:
                    fail("%s: a published value with flag %r, reason %r" % (where, flag, reason))
    print("withheld cells: %d" % withheld)


# The fields of the lists that are numbers; the others (codes too) are texts.
NUMBER_FIELDS = {"number", "first_year", "last_year", "quarters", "lines"}


def check_list(name, text_path, csv_path, json_path):
    lines = [line.split("\t") for line in read_text(text_path)]
    records = read_csv(csv_path)
    document = read_json(json_path)
    items = document[name]
    names = records[0]
    if len(records) - 1 != len(lines) or len(items) != len(lines):
        fail("%d text lines, %d CSV records, %d JSON items" % (len(lines), len(records) - 1, len(items)))
        return
    for fields, record, item in zip(lines, records[1:], items):
        if list(item.keys()) != names:
            fail("JSON names %r, CSV names %r" % (list(item.keys()), names))
        for field, csv_field, key in zip(fields, record, names):
            value = item[key]
            if csv_field != field or str(value) != field:
                fail("%s %s: text %r, CSV %r, JSON %r" % (name, key, field, csv_field, value))
            if key in NUMBER_FIELDS and type(value) is not int:
                fail("%s %s: %r is not a JSON number" % (name, key, value))
            if key not in NUMBER_FIELDS and type(value) is not str:
                fail("%s %s: %r is not a JSON text" % (name, key, value))
    print("items: %d" % len(items))


def main(args):
    if len(args) >= 4 and args[0] == "grid":
        check_grid(*args[1:])
    elif len(args) == 5 and args[0] == "list":
        check_list(*args[1:])
    else:
        print(__doc__, file=sys.stderr)
        return 2
    for problem in problems:
        print(problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
