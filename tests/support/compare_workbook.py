#!/usr/bin/env python3
"""Compares an export workbook with the comma export (quotes on) of the same
choices, cell by cell, and prints every difference.

    compare_workbook.py COMMA.csv WORKBOOK.xlsx [--unsuppressed]

The comma export's quoted fields are texts and its bare fields numbers. In
the workbook the records' sheet must hold, row by row, the same fields:
texts as text cells (codes keep their zeros), numbers as number cells of the
same value shown with thousands separators, "(D)" and "(N)" as text, and the
flag field as text without the comma format's apostrophe. A header row is
bold, frozen and filtered; the footnote block is the sheet "Footnotes".
Exit status 0 when they agree, 1 otherwise, 2 on a usage error.
"""

import csv
import sys

import openpyxl


def read_comma(path):
    """The records (each a list of str for texts and float for numbers) and
    the footnote lines (None when there is no footnote block)."""
    with open(path, encoding="latin-1", newline="") as f:
        rows = list(csv.reader(f, quoting=csv.QUOTE_NONNUMERIC))
    if [] in rows:
        at = rows.index([])
        # A footnote line is one quoted field; a comma inside it splits
        # nothing, since it stands within the quotes.
        return rows[:at], ["".join(r) for r in rows[at + 1:]]
    return rows, None


def main(argv):
    if len(argv) < 3:
        print(__doc__, file=sys.stderr)
        return 2
    comma_path, book_path = argv[1], argv[2]
    unsuppressed = "--unsuppressed" in argv[3:]
    faults = []

    def fault(text):
        if len(faults) < 40:
            faults.append(text)
        elif len(faults) == 40:
            faults.append("...")

    records, footnotes = read_comma(comma_path)
    book = openpyxl.load_workbook(book_path)
    sheets = book.worksheets
    expected_sheets = 1 if footnotes is None else 2
    if len(sheets) != expected_sheets:
        fault(f"{len(sheets)} sheets, expected {expected_sheets}")
    sheet = sheets[0]
    if unsuppressed != ("UNSUPPRESSED" in sheet.title):
        fault(f"sheet title {sheet.title!r} (unsuppressed: {unsuppressed})")

    rows = list(sheet.iter_rows())
    if len(rows) != len(records):
        fault(f"{len(rows)} rows on the sheet, {len(records)} records in the comma export")
    has_header = bool(records) and records[0][:1] == ["State FIPS"]
    if has_header:
        if sheet.freeze_panes != "A2":
            fault(f"freeze panes {sheet.freeze_panes!r}, expected 'A2'")
        last = openpyxl.utils.get_column_letter(len(records[0]))
        if sheet.auto_filter.ref != f"A1:{last}{len(records)}":
            fault(f"autofilter {sheet.auto_filter.ref!r}, expected A1:{last}{len(records)}")

    for r, (record, row) in enumerate(zip(records, rows), start=1):
        cells = [c for c in row]
        # Trailing empty cells do not count.
        while cells and cells[-1].value is None:
            cells.pop()
        if len(cells) != len(record):
            fault(f"row {r}: {len(cells)} cells, expected {len(record)}")
            continue
        header = has_header and r == 1
        flags = str(record[-1])[1:] if not header else ""
        for c, (field, cell) in enumerate(zip(record, cells), start=1):
            where = f"{cell.coordinate}"
            value = cell.value
            if header:
                if value != field or not cell.font.b:
                    fault(f"{where}: header {value!r} (bold {cell.font.b}), expected bold {field!r}")
                continue
            if c == len(record):
                if not (isinstance(value, str) and "'" + value == field):
                    fault(f"{where}: flags {value!r}, expected the text of {field!r} without its apostrophe")
                continue
            if isinstance(field, float):
                if isinstance(value, bool) or not isinstance(value, (int, float)) or float(value) != field:
                    fault(f"{where}: {value!r}, expected the number {field!r}")
                elif "#,##0" not in cell.number_format and "E" not in str(field):
                    fault(f"{where}: number format {cell.number_format!r} has no thousands separator")
                # The quarter columns end the record before the flags.
                quarter = len(flags) - (len(record) - c)
                if 0 <= quarter < len(flags):
                    withheld = flags[quarter] != "0"
                    if withheld and not unsuppressed:
                        fault(f"{where}: a withheld cell holds a number")
                    if unsuppressed and withheld != (cell.comment is not None):
                        fault(f"{where}: withheld {withheld}, comment {cell.comment!r}")
            else:
                if not isinstance(value, str) or value != field:
                    fault(f"{where}: {value!r}, expected the text {field!r}")

    if footnotes is not None and len(sheets) > 1:
        notes = sheets[1]
        if notes.title != "Footnotes":
            fault(f"second sheet {notes.title!r}, expected 'Footnotes'")
        lines = [row[0].value if row else None for row in notes.iter_rows(min_row=1, max_row=len(footnotes))]
        lines = [v if v is not None else "" for v in lines]
        lines += [""] * (len(footnotes) - len(lines))
        if lines != footnotes:
            fault(f"footnotes {lines!r}, expected {footnotes!r}")
        if notes.max_row > len(footnotes):
            fault(f"{notes.max_row} footnote rows, expected {len(footnotes)}")

    for text in faults:
        print(f"{book_path}: {text}")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
